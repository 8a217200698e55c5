#!/usr/bin/env bash
# Builds the Windows release and its tests into build-windows/ (cross-compiled for 64-bit Windows
# with MinGW-w64, against the Qt that scripts/windows-qt.sh builds or reuses).
#   scripts/build-windows.sh           sets up, builds Qt when it is not cached, then the project
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/build-windows.sh   builds build-windows/ for 64-bit Windows (needs scripts/setup.sh --windows)"
    exit 0 ;;
  "") ;;
  *) echo "scripts/build-windows.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
esac
scripts/setup.sh --windows
qt=$(scripts/windows-qt.sh | tail -n 1)
[ -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ] || { echo "build-windows: no Qt in '$qt'" >&2; exit 1; }
cmake -S . -B build-windows -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_FIND_ROOT_PATH="$qt" -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release \
  -DQS_STATUS_PAGE=OFF -DQS_BUILD_BENCHMARKS=OFF \
  -DQS_GTEST_SOURCE_DIR=/usr/src/googletest \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/tests/support/wine-run.sh" >/dev/null
cmake --build build-windows -j2
