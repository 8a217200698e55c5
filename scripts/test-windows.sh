#!/usr/bin/env bash
# Builds the Windows release (scripts/build-windows.sh) and runs its test suite under Wine: every
# test program through Wine, in a private network with one Wine prefix of its own (Wine's sockets
# live in its server, so one server per network), then the comparisons with the Linux build.
#   scripts/test-windows.sh            builds, then runs the suite
#   scripts/test-windows.sh --no-build runs the suite of the present build-windows/
# Then the package is made (scripts/package-windows.sh), installed silently under Wine, run and
# uninstalled again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=1
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/test-windows.sh [--no-build]   builds build-windows/ and runs its tests under Wine"
    exit 0 ;;
  --no-build) build=0 ;;
  "") ;;
  *) echo "scripts/test-windows.sh: unknown option '$1' (try --help)" >&2; exit 2 ;;
esac
[ "$build" = 1 ] && scripts/build-windows.sh
[ -d build-windows ] || { echo "test-windows: no build-windows/ (run scripts/build-windows.sh)" >&2; exit 1; }
# The comparison runs the Linux programs too: the normal Linux build, with its comparison test.
[ -d build ] || scripts/build.sh normal
cmake --build build -j2 --target windows_compare_tests quorvex veltrix-host sbs-sim stavo >/dev/null

root=$(pwd)
# The faces the board and the window ask for, in one folder for Qt's offscreen platform: Liberation
# Sans (Arial's metrics), as fontconfig gives it on Linux, and DejaVu Sans.
fonts="$root/build-windows/fonts"
mkdir -p "$fonts"
for f in /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf; do
  [ -e "$f" ] && ln -sf "$f" "$fonts/"
done

prefix="$root/build-windows/wine"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEQT_QPA_FONTDIR="Z:${fonts//\//\\}" QT_QPA_FONTDIR="Z:${fonts//\//\\}"
unset DISPLAY WAYLAND_DISPLAY
# The Linux programs of the comparison say so on standard error when they have no runtime folder.
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
wineserver -k 2>/dev/null || true # a server of this prefix outside the private network would serve it
run() {
  if [ ! -f "$prefix/system.reg" ]; then
    echo "test-windows: making the Wine prefix (once, about 20 s)"
    wineboot --init >/dev/null 2>&1
    wineserver -w
  fi
  # One Wine server for the whole run, started before the tests: programs that start together
  # then never race to start one, and none waits for one to start.
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 || true
  status=0
  echo "== the Windows suite under Wine =="
  (cd build-windows && ctest --output-on-failure -j2 --timeout 300) || status=$?
  echo "== the Windows programs against the Linux ones =="
  QS_WINDOWS_BUILD="$PWD/build-windows" build/bin/windows_compare_tests || status=$?
  # The installer check waits for Wine's programs to end (wineserver -w): no persistent server.
  wineserver -k 2>/dev/null || true
  echo "== the package: made, installed silently, run, uninstalled =="
  { scripts/package-windows.sh && tests/windows/install-check.sh; } || status=$?
  wineserver -k 2>/dev/null || true
  return $status
}
if [ -z "${QS_NO_NETNS:-}" ] && unshare -n true 2>/dev/null; then
  export -f run
  unshare -n bash -c 'ip link set lo up && run'
  exit $?
fi
echo "test-windows: no private network here; tests that use the FSD port run one at a time"
run
