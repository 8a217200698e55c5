#!/usr/bin/env bash
# Installs what the project needs to build, test and run, from Debian's packages only.
# Idempotent: packages already present are not installed again. Other scripts name the extra
# packages only they need (the fuzzers' clang) as arguments, so there is one install path.
set -euo pipefail
usage="usage: scripts/setup.sh [--windows] [PACKAGE ...]   installs the Debian packages the project
needs, and the extra ones named (apt-get, as root or through sudo); --windows adds what the Windows
build needs (MinGW-w64, Wine, NSIS, zip)"
windows=()
case "${1:-}" in
  -h | --help) echo "$usage"; exit 0 ;;
  --windows)
    shift
    windows=(
      g++-mingw-w64-x86-64-posix  # the cross compiler for 64-bit Windows
      wine wine64               # runs the Windows programs and tests
      nsis                      # the installer
      zip                       # the zip package
    ) ;;
  -*) echo "$usage" >&2; exit 2 ;;
esac

packages=(
  cmake ninja-build g++ pkg-config
  dpkg-dev                  # dpkg-buildflags: Debian's hardening flags for the release builds;
                            # also unpacks and checks Debian's Qt source package for Windows
  qt6-base-dev              # Qt 6: Core, Network, Gui, Widgets
  libgtest-dev              # GoogleTest
  libbenchmark-dev          # Google Benchmark
  fonts-dejavu-core         # a font for headless rendering
  fonts-liberation2         # Liberation Sans: the board's face, with Arial's metrics
  xvfb xauth                # a virtual display for the windows on machines without a screen
  iproute2                  # ip, to bring up loopback in the tests' private network
  clang-format              # the format check of the test command
  qt6-httpserver-dev qt6-websockets-dev  # Qt HTTP Server (and the WebSockets it needs): the status page
  chromium                  # the status page's browser test
  ${windows[@]+"${windows[@]}"}
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "setup: run as root or install sudo" >&2; exit 1; }
  sudo="sudo"
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
