#!/usr/bin/env bash
# Takes the pictures of the Windows programs under Wine on a virtual display (Xvfb):
# docs/windows-quorvex.png, quorvex.exe's window fed by the Linux sbs-sim with the Linux
# veltrix-host logged in as a radar client, and docs/windows-board.png, veltrix-host.exe's window
# with stavo.dll showing the sample board after docs/stavo-board.script. Run from the
# repository's root after scripts/build.sh and scripts/build-windows.sh; about a minute. Needs
# Xvfb and ImageMagick (scripts/setup.sh --windows imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help) sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  '') ;;
  *) echo "usage: docs/windows-screenshots.sh (no arguments; FEED_PORT the feed's port, default 30213)" >&2; exit 2 ;;
esac
root=$PWD
bin=$root/build/bin
win=$root/build-windows/bin
[ -x "$bin/sbs-sim" ] && [ -f "$win/quorvex.exe" ] || { echo "build both first (scripts/build.sh, scripts/build-windows.sh)" >&2; exit 1; }
scratch=$(mktemp -d)
pids=()
# A prefix of its own: a Wine server started without a display keeps none.
export WINEPREFIX=$root/build-windows/wine-screens WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wineserver -k 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x900x24 3>"$scratch/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"
wineserver -k 2>/dev/null || true
[ -f "$WINEPREFIX/system.reg" ] || { wineboot --init >/dev/null 2>&1; wineserver -w; }

shot() { # the screen, cut to what is drawn on it
  import -display "$DISPLAY" -window root "$scratch/screen.png"
  convert "$scratch/screen.png" -trim +repage "$1"
}

port=${FEED_PORT:-30213}
"$bin/sbs-sim" --port "$port" --time-scale 10 2>/dev/null &
pids+=($!)
cp samples/icao24.txt samples/aircrafts.txt samples/flightplans.txt "$scratch/"
(cd "$scratch" && exec wine "$win/quorvex.exe" --server 127.0.0.1 --port "$port") >/dev/null 2>&1 &
quorvex=$!
pids+=($quorvex)
sleep 6
"$bin/veltrix-host" --fsd 127.0.0.1:6809 --display samples/lhbp.asr \
  --airports samples/airports.txt --headless >/dev/null 2>&1 &
pids+=($!)
sleep 30
shot docs/windows-quorvex.png
kill "$quorvex" 2>/dev/null || true
wineserver -k 2>/dev/null || true
sleep 1

wine "$win/veltrix-host.exe" --display samples/lhbp.asr --airports samples/airports.txt \
  --script docs/stavo-board.script --clock 1767225600 >/dev/null 2>&1 &
host=$!
pids+=($host)
sleep 15
shot docs/windows-board.png
echo "wrote docs/windows-quorvex.png and docs/windows-board.png"
