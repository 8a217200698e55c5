# What turns the installed tree into a system installation and a Debian package: the manual
# pages, Quorvex's system service with its options file, the Debian copyright and changelog,
# and the CPack rules of `cpack -G DEB`.

# Manual pages, compressed the way Debian wants them: gzip -9n keeps neither the name nor the
# time, so that two builds give the same bytes. man reads them compressed under any prefix.
set(QS_MAN_PAGES quorvex veltrix-host sbs-sim sbs-table)
find_program(QS_GZIP gzip REQUIRED)
set(QS_MAN_OUTPUTS)
foreach(page IN LISTS QS_MAN_PAGES)
  set(source "${PROJECT_SOURCE_DIR}/docs/man/${page}.1")
  set(plain "${PROJECT_BINARY_DIR}/man/${page}.1")
  add_custom_command(OUTPUT "${plain}.gz"
    COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${plain}"
    COMMAND "${QS_GZIP}" -9nf "${plain}"
    DEPENDS "${source}"
    COMMENT "Compressing the manual page ${page}(1)")
  list(APPEND QS_MAN_OUTPUTS "${plain}.gz")
endforeach()
add_custom_target(man_pages ALL DEPENDS ${QS_MAN_OUTPUTS})
install(FILES ${QS_MAN_OUTPUTS} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

# The Debian changelog of this native package, compressed as for the pages.
set(QS_CHANGELOG "${PROJECT_BINARY_DIR}/packaging/changelog")
add_custom_command(OUTPUT "${QS_CHANGELOG}.gz"
  COMMAND "${CMAKE_COMMAND}" -E copy "${PROJECT_SOURCE_DIR}/packaging/changelog" "${QS_CHANGELOG}"
  COMMAND "${QS_GZIP}" -9nf "${QS_CHANGELOG}"
  DEPENDS "${PROJECT_SOURCE_DIR}/packaging/changelog")
add_custom_target(debian_changelog ALL DEPENDS "${QS_CHANGELOG}.gz")
install(FILES "${QS_CHANGELOG}.gz" packaging/copyright DESTINATION "${CMAKE_INSTALL_DOCDIR}")

# The service and its options file. Their paths are known only when installing: `cmake
# --install --prefix` and CPack (installing under /usr) choose the prefix then. The unit in the
# repository names /usr/bin/quorvex and /etc/default/quorvex, the package's paths; another
# prefix gets its own program, and its own etc directory as GNUInstallDirs places it (/etc for
# /usr, PREFIX/etc otherwise). systemd reads system units from /usr/lib and /usr/local/lib.
install(CODE "
  set(qs_source \"${PROJECT_SOURCE_DIR}/packaging\")
  set(qs_staged \"${PROJECT_BINARY_DIR}/packaging/install\")
  set(qs_bindir \"${CMAKE_INSTALL_BINDIR}\")
  set(qs_unitdir \"lib/systemd/system\")
")
install(CODE [[
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(qs_etc "/etc")
  else()
    set(qs_etc "${CMAKE_INSTALL_PREFIX}/etc")
  endif()
  file(READ "${qs_source}/quorvex.service" qs_unit)
  string(REPLACE "ExecStart=/usr/bin/quorvex " "ExecStart=${CMAKE_INSTALL_PREFIX}/${qs_bindir}/quorvex "
    qs_unit "${qs_unit}")
  string(REPLACE "EnvironmentFile=-/etc/default/quorvex" "EnvironmentFile=-${qs_etc}/default/quorvex"
    qs_unit "${qs_unit}")
  file(WRITE "${qs_staged}/quorvex.service" "${qs_unit}")
  file(INSTALL "${qs_staged}/quorvex.service" DESTINATION "${CMAKE_INSTALL_PREFIX}/${qs_unitdir}")
  file(INSTALL "${qs_source}/quorvex.default" DESTINATION "${qs_etc}/default"
    RENAME quorvex)
]])

# A Debian package of the same: `cpack -G DEB` in the build tree. CPack installs with DESTDIR
# and the prefix /usr, so that the service's paths above come out as the package's.
set(CPACK_PACKAGE_NAME "quorvex-stavo")
set(CPACK_PACKAGE_VENDOR "Dorvath")
set(CPACK_PACKAGE_CONTACT "Quorvex and Stavo developers <quorvex-stavo@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "Quorvex reads an SBS-1 BaseStation aircraft feed and serves its aircraft
to FSD radar clients on 127.0.0.1 port 6809, with a window or headless, also
as a system service (quorvex.service, options in /etc/default/quorvex).

Stavo is a stand board plug-in for the Veltrix radar client; veltrix-host, a
stand-in for that client, loads it. sbs-sim serves a simulated feed, and
sbs-table shows what Quorvex makes of a recording. The samples are in
/usr/share/quorvex-stavo/samples.")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX "/usr")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries are private (lib/quorvex-stavo, found by the programs through their RUNPATH),
# so there is no shlibs file and no ldconfig call; the maintainer scripts only tell systemd
# about the unit. conffiles keeps the administrator's /etc/default/quorvex over upgrades.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${PROJECT_SOURCE_DIR}/packaging/conffiles"
  "${PROJECT_SOURCE_DIR}/packaging/postinst"
  "${PROJECT_SOURCE_DIR}/packaging/prerm"
  "${PROJECT_SOURCE_DIR}/packaging/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The board's font is "Ariel"; Liberation Sans has Arial's metrics.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
include(CPack)
