#!/usr/bin/env bash
# Runs the soak test (quorvex_soak) against the built quorvex, in a private network namespace, so
# that quorvex's fixed FSD port 6809 and the feed port are its own whatever else runs:
#
#   bench/soak.sh [SECONDS] [quorvex_soak options...]    default 600 seconds
#
# A run of 60 seconds or less plays the full crowd (200 clients, 5,000 aircraft at 8,000 lines/s,
# 1,000 connect-and-close cycles) in less time. Needs root (for unshare -n) and a build in build/
# (BENCH_BIN=DIR picks another bin directory). Exit status: that of quorvex_soak.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help) sed -n '2,/^set -e/{/^#/p}' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
seconds=${1:-600}
case "$seconds" in '' | *[!0-9]*) echo "usage: bench/soak.sh [SECONDS] [OPTIONS...]" >&2; exit 2 ;; esac
[ $# -gt 0 ] && shift
if [ -z "${QS_SOAK_NETNS:-}" ]; then
  exec unshare -n env QS_SOAK_NETNS=1 bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$seconds" "$@"
fi
bin=${BENCH_BIN:-$PWD/build/bin}
for tool in quorvex quorvex_soak; do
  [ -x "$bin/$tool" ] || { echo "soak: $bin/$tool is not built" >&2; exit 1; }
done
exec "$bin/quorvex_soak" --quorvex "$bin/quorvex" --seconds "$seconds" "$@"
