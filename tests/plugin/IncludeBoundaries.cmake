# Checks which folders the plug-in, the plug-in interface and the host include from: one include
# path serves them all, so the compiler would not notice a crossing.
#   plugin/   sees the host only through veltrix/VeltrixPlugIn.h: nothing of host/ or proxy/, not
#             the host's side of the interface, and neither the platform's clock nor its message
#             boxes (the host hands both over through the interface, under its version);
#   veltrix/  knows no plug-in and no host;
#   host/     knows no plug-in but the board layout it reads drawn boards back with.
#   cmake -DSOURCE_DIR=<repository> -P IncludeBoundaries.cmake
set(plugin_forbidden "\"(host|proxy)/|\"veltrix/HostInterface\\.h\"|\"platform/(Clock|MessageBox)\\.h\"")
set(plugin_allowed "")
set(veltrix_forbidden "\"(host|plugin|proxy)/")
set(veltrix_allowed "")
set(host_forbidden "\"(plugin|proxy)/")
set(host_allowed "\"plugin/board/BoardLayout\\.h\"")

set(crossings "")
foreach(folder plugin veltrix host)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      if(line MATCHES "${${folder}_forbidden}"
          AND NOT (${folder}_allowed AND line MATCHES "${${folder}_allowed}"))
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
        string(APPEND crossings "  ${name}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()
if(crossings)
  message(FATAL_ERROR "includes across a boundary:\n${crossings}")
endif()
message(STATUS "no include crosses a boundary")
