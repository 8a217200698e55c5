#!/usr/bin/env bash
# Takes docs/quorvex.md's picture of Quorvex's window, docs/quorvex-window.png: the window under
# Xvfb, fed by sbs-sim (ten times faster than real time, so that arrivals have landed and departures
# are taxiing), with veltrix-host logged in as a radar client. Run from the repository's root
# after scripts/build.sh; it takes about 40 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help) sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  '') ;;
  *) echo "usage: docs/quorvex-window.sh (no arguments; FEED_PORT the feed's port, default 30203)" >&2; exit 2 ;;
esac
bin=$PWD/build/bin
scratch=$(mktemp -d)
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait; rm -rf "$scratch"' EXIT
port=${FEED_PORT:-30203}
"$bin/sbs-sim" --port "$port" --time-scale 10 2>/dev/null &
pids+=($!)
sleep 1
Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$scratch/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
(cd samples && DISPLAY=":$(cat "$scratch/display")" exec "$bin/quorvex" --server 127.0.0.1 \
  --port "$port" --snapshot "$scratch/window.png") &
pids+=($!)
sleep 2
"$bin/veltrix-host" --fsd 127.0.0.1:6809 --display samples/lhbp.asr \
  --airports samples/airports.txt --headless >/dev/null 2>&1 &
pids+=($!)
sleep 36 # the picture is rewritten every 5 s; this leaves the one of about 35 s
cp "$scratch/window.png" docs/quorvex-window.png
echo "wrote docs/quorvex-window.png"
