# Compiler settings shared by every target of the project.

if(QS_SANITIZE)
  set(QS_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                         -fno-omit-frame-pointer)
  add_compile_options(${QS_SANITIZER_FLAGS})
  add_link_options(${QS_SANITIZER_FLAGS})
endif()

# Warnings are errors for our own targets; third-party headers (Qt, GoogleTest) come in as
# system headers and are not affected.
function(qs_target_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wcast-align -Wnon-virtual-dtor -Woverloaded-virtual
    -Wimplicit-fallthrough -Werror
    # GCC 12 at -O3 (the Release build type) reports overlaps in libstdc++'s own inlined string
    # code that cannot happen; they stay warnings there, so that a Release build builds.
    $<$<CXX_COMPILER_ID:GNU>:-Wno-error=restrict>)
endfunction()

# A test executable built on GoogleTest, registered with CTest. The shared test main
# (tests/support) creates the one QApplication, on the offscreen platform. ISOLATED_NETWORK runs
# the test in a private network namespace where the machine allows it (tests that use the
# proxy's fixed port; give them the RESOURCE_LOCK fsd_port as well, for machines that do not).
#   qs_add_test(NAME name SOURCES ... LIBRARIES ... [ISOLATED_NETWORK] [LABELS ...]
#               [PROPERTIES ...])
function(qs_add_test)
  cmake_parse_arguments(ARG "ISOLATED_NETWORK" "NAME" "SOURCES;LIBRARIES;LABELS;PROPERTIES" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  qs_target_warnings(${ARG_NAME})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBRARIES} qs_test_main)
  # On Windows the whole suite runs in one private network with one Wine server (Wine's sockets
  # live in the Wine server's network), so the port lock alone keeps such tests apart there.
  if(ARG_ISOLATED_NETWORK AND NOT WIN32)
    set_target_properties(${ARG_NAME} PROPERTIES
      CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/tests/support/isolated-network.sh")
  endif()
  set(properties ${ARG_PROPERTIES})
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${ARG_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    PROPERTIES ${properties})
endfunction()
