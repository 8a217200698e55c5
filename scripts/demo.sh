#!/usr/bin/env bash
# The main job: the feed simulator serves the LHBP scenario, and Quorvex connects to it and serves
# the aircraft to radar clients on 127.0.0.1 port 6809 (the window when a display is available,
# otherwise headless with a status line every 5 seconds). Ends after SECONDS, or when the window
# is closed, or on Ctrl+C, and stops everything it started.
#
#   scripts/demo.sh [SECONDS]     default 120; DEMO_FEED_PORT changes the feed port (30003)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
port=${DEMO_FEED_PORT:-30003}
case "$seconds" in
  ''|*[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac
scripts/setup.sh
scripts/build.sh normal
bin=$PWD/build/bin

scratch=$(mktemp -d)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap stop EXIT
trap 'exit 130' INT TERM

"$bin/sbs-sim" --port "$port" 2>"$scratch/sim.log" &
pids+=($!)
for _ in $(seq 50); do grep -q serving "$scratch/sim.log" && break; sleep 0.1; done
if ! grep -q serving "$scratch/sim.log"; then
  cat "$scratch/sim.log" >&2
  exit 1
fi

mode=(--headless)
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && mode=()
echo "demo: sbs-sim serves 30 aircraft around LHBP on 127.0.0.1 port $port;"
echo "demo: Quorvex ${mode[*]:-(window)} reads it and serves FSD clients on 127.0.0.1 port 6809 for ${seconds} s."
echo "demo: connect a radar client, e.g. the stand board:"
echo "      build/bin/veltrix-host --fsd 127.0.0.1:6809 --display samples/lhbp.asr --airports samples/airports.txt"
# The lookup files are read from the working directory: the samples.
(cd samples && exec "$bin/quorvex" "${mode[@]}" --server 127.0.0.1 --port "$port") &
proxy=$!
pids+=("$proxy")
sleep "$seconds" &
timer=$!
pids+=("$timer")
wait -n "$proxy" "$timer" || true
echo "demo: done"
