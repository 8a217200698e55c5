#!/usr/bin/env bash
# Configures and builds one build tree.   scripts/build.sh [normal|asan|package]
#   normal    build/: the release build (RelWithDebInfo) with the tests and benchmarks
#   asan      build-asan/: the tests with AddressSanitizer and UndefinedBehaviorSanitizer
#   package   build-package/: the release build alone, no tests or benchmarks (scripts/package.sh)
# The release builds take Debian's hardening flags from dpkg-buildflags (fortified functions,
# stack protector, read-only relocations bound at start; PIE is the compiler's default), as a
# Debian package is built. The sanitizer build does not: it is built without optimisation, which
# fortification needs, and the sanitizers do that checking themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-normal}
usage="usage: scripts/build.sh [normal|asan|package]   builds build/ (normal), build-asan/ (sanitizers)
or build-package/ (the release build alone, for scripts/package.sh)"
case "$kind" in
  -h | --help) echo "$usage"; exit 0 ;;
  normal)  dir=build; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    dir=build-asan
           flags=(-DCMAKE_BUILD_TYPE=Debug -DQS_SANITIZE=ON -DQS_BUILD_BENCHMARKS=OFF) ;;
  package) dir=build-package
           flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQS_BUILD_TESTS=OFF -DQS_BUILD_BENCHMARKS=OFF) ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
if [ "$kind" != asan ]; then
  if command -v dpkg-buildflags >/dev/null; then
    buildflag() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
    ldflags=$(buildflag LDFLAGS)
    flags+=("-DCMAKE_CXX_FLAGS=$(buildflag CPPFLAGS) $(buildflag CXXFLAGS)"
      "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "-DCMAKE_SHARED_LINKER_FLAGS=$ldflags"
      "-DCMAKE_MODULE_LINKER_FLAGS=$ldflags")
  elif [ "$kind" = package ]; then
    echo "build: no dpkg-buildflags for the package's hardening flags" \
      "(scripts/setup.sh installs dpkg-dev)" >&2
    exit 1
  else
    echo "build: no dpkg-buildflags; building without Debian's hardening flags" \
      "(scripts/setup.sh installs dpkg-dev)" >&2
  fi
fi
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j2
