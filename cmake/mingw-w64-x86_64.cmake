# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX-threads flavour, whose
# std::thread and std::mutex the code relies on). Used for our Qt build and for the project.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_FIND_ROOT_PATH=<Qt for Windows> ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(QS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QS_MINGW_TRIPLE}-windres)

# Headers, libraries and CMake packages come from the MinGW sysroot and the prefixes given on
# the command line (our Qt); programs run during the build (moc, rcc, uic) from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
