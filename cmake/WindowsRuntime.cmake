# What the Windows programs need beside them to start: the Qt DLLs they link, Qt's platform and
# style plug-ins, and the MinGW runtime DLLs. Copied into the build tree's bin/ (so that the
# programs and tests run from there under Wine) and installed beside the programs.

get_target_property(qs_qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT qs_qt_core_dll)
  get_target_property(qs_qt_core_dll Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(qs_qt_bindir "${qs_qt_core_dll}" DIRECTORY)
get_filename_component(qs_qt_prefix "${qs_qt_bindir}" DIRECTORY)

set(qs_qt_modules Core Gui Widgets Network)
if(QS_BUILD_TESTS)
  list(APPEND qs_qt_modules Test)
endif()
set(qs_runtime_dlls)
foreach(module IN LISTS qs_qt_modules)
  list(APPEND qs_runtime_dlls "${qs_qt_bindir}/Qt6${module}.dll")
endforeach()

# The compiler's own runtime: libstdc++ and libgcc from the compiler's folder, winpthread from
# the MinGW sysroot.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${dll}
    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    file(GLOB found "/usr/${QS_MINGW_TRIPLE}/lib/${dll}" "/usr/lib/gcc/${QS_MINGW_TRIPLE}/*-posix/${dll}")
    list(GET found 0 found)
  endif()
  if(NOT EXISTS "${found}")
    message(FATAL_ERROR "The MinGW runtime DLL ${dll} was not found")
  endif()
  list(APPEND qs_runtime_dlls "${found}")
endforeach()

set(qs_qt_plugins
  platforms/qwindows.dll
  platforms/qoffscreen.dll
  styles/qwindowsvistastyle.dll)

set(qs_runtime_stamp "${CMAKE_BINARY_DIR}/windows-runtime.stamp")
set(qs_copy_commands)
foreach(dll IN LISTS qs_runtime_dlls)
  list(APPEND qs_copy_commands COMMAND ${CMAKE_COMMAND} -E copy_if_different "${dll}" "${CMAKE_BINARY_DIR}/bin/")
endforeach()
set(qs_plugin_files)
foreach(plugin IN LISTS qs_qt_plugins)
  get_filename_component(folder "${plugin}" DIRECTORY)
  list(APPEND qs_plugin_files "${qs_qt_prefix}/plugins/${plugin}")
  list(APPEND qs_copy_commands
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/bin/${folder}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${qs_qt_prefix}/plugins/${plugin}" "${CMAKE_BINARY_DIR}/bin/${folder}/")
endforeach()
add_custom_command(OUTPUT "${qs_runtime_stamp}"
  ${qs_copy_commands}
  COMMAND ${CMAKE_COMMAND} -E touch "${qs_runtime_stamp}"
  DEPENDS ${qs_runtime_dlls} ${qs_plugin_files}
  COMMENT "Copying the Qt and MinGW runtime DLLs into bin/")
add_custom_target(windows_runtime ALL DEPENDS "${qs_runtime_stamp}")

# Installed: the same, less Qt's test library, which only the tests use.
list(FILTER qs_runtime_dlls EXCLUDE REGEX "Qt6Test\\.dll$")
install(FILES ${qs_runtime_dlls} DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(plugin IN LISTS qs_qt_plugins)
  get_filename_component(folder "${plugin}" DIRECTORY)
  install(FILES "${qs_qt_prefix}/plugins/${plugin}" DESTINATION "${CMAKE_INSTALL_BINDIR}/${folder}")
endforeach()
