#!/usr/bin/env bash
# The main job: the whole chain on the built-in sample data. sbs-sim serves the LHBP scenario ten
# times faster than real time, quorvex reads it and serves its aircraft to radar clients on
# 127.0.0.1 port 6809, and veltrix-host with the Stavo board of samples/lhbp.asr logs in to it as
# a radar client, while the commands of scripts/demo.plan are typed into the board. Quorvex and
# the host show their windows when a display is available and run headless otherwise. Writes the
# final board as a picture and as text into out/demo/, ends with a summary (about 90 seconds),
# and stops everything it started.
#   scripts/demo.sh       DEMO_FEED_PORT changes the feed's port (30003), DEMO_OUT the directory
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: scripts/demo.sh
Sets the machine up, builds, and runs the whole chain on the sample data (about 90 seconds):
sbs-sim -> quorvex -> veltrix-host with the Stavo board, results in out/demo/.
Environment: DEMO_FEED_PORT the feed's port (default 30003), DEMO_OUT the output directory."
case "${1:-}" in
  -h | --help) echo "$usage"; exit 0 ;;
  '') ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
scripts/setup.sh
scripts/build.sh normal
window=()
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && window=(--window)
exec scripts/chain.sh --out "${DEMO_OUT:-out/demo}" --feed-port "${DEMO_FEED_PORT:-30003}" \
  --time-scale 10 "${window[@]}" scripts/demo.plan
