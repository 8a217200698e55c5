#!/usr/bin/env bash
# Floods Quorvex (headless) over TCP and prints its memory and the rate at which it takes the
# lines in, in a private network namespace (so that port 6809 and the feed port are its own):
#   1. a radar client connects to port 6809 and sends BYTES of '%' lines without reading;
#   2. a feed that Quorvex connects to serves BYTES of SBS lines as fast as TCP takes them.
# Each run lasts until the flood is through or SECONDS have passed. Figures: Quorvex's resident
# memory before, at its peak and after, in MiB; what the flooder sent, and how fast; and from
# Quorvex's own status line (every 5 s) its received and accepted lines a second, and its accepted
# lines per second of its own CPU time (the figure that holds on a busy machine).
#
#   bench/feed-flood.sh [SECONDS] [BYTES]    defaults: 30 seconds, 300M (MiB)
#
# Needs root (for unshare -n) and a build in build/ (BENCH_BIN=DIR picks another bin directory).
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help) sed -n '2,/^set -e/{/^#/p}' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
seconds=${1:-30}
bytes=${2:-300M}
case "$seconds" in '' | *[!0-9]*) echo "usage: bench/feed-flood.sh [SECONDS] [BYTES]" >&2; exit 2 ;; esac
case "$bytes" in '' | *[!0-9M]*) echo "usage: bench/feed-flood.sh [SECONDS] [BYTES]" >&2; exit 2 ;; esac
if [ -z "${QS_FLOOD_NETNS:-}" ]; then
  exec unshare -n env QS_FLOOD_NETNS=1 bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
bin=${BENCH_BIN:-$PWD/build/bin}
for tool in quorvex feed_flood; do
  [ -x "$bin/$tool" ] || { echo "feed-flood: $bin/$tool is not built" >&2; exit 1; }
done
port=30003
scratch=$(mktemp -d)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
}
trap 'stop; rm -rf "$scratch"' EXIT

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
mib() { awk -v key="$2:" '$1 == key { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

# The mean of the status line's counters a second, from the first status line to the last one
# that still moved.
rates() {
  awk '$1 == "Lines:" && $2 != "-" {
         r[n] = $2; a[n] = $4; if (n > 0 && a[n] != a[n - 1]) last = n; n++ }
       END { if (last == 0) { print "fewer than two status lines during the flood"; exit }
             printf "quorvex: received %.0f lines/s, accepted %.0f lines/s (status lines 1 to %d)\n",
               (r[last] - r[0]) / (5 * last), (a[last] - a[0]) / (5 * last), last + 1 }' "$1"
}

start_quorvex() {
  (cd samples && exec "$bin/quorvex" --headless "$@") >"$scratch/quorvex.out" 2>"$scratch/quorvex.err" &
  quorvex=$!
  pids=("$quorvex")
  sleep 1
}

# Waits for the flooder to finish, at most $seconds.
await() {
  local end=$((SECONDS + seconds))
  while [ $SECONDS -lt "$end" ] && ! grep -q "sent" "$1"; do sleep 0.2; done
}

echo "== a radar client sends $bytes of '%' lines and reads nothing"
start_quorvex
before=$(mib "$quorvex" VmRSS)
"$bin/feed_flood" --client 6809 --bytes "$bytes" 2>"$scratch/client.log" &
pids+=("$!")
await "$scratch/client.log"
sleep 1
echo "quorvex memory: before $before MiB, peak $(mib "$quorvex" VmHWM) MiB, after $(mib "$quorvex" VmRSS) MiB"
cat "$scratch/client.log" 2>/dev/null || true
grep -q sent "$scratch/client.log" || echo "feed_flood: still sending after $seconds s"
stop

echo "== a feed serves $bytes of SBS lines as fast as TCP takes them"
"$bin/feed_flood" --serve "$port" --bytes "$bytes" 2>"$scratch/feed.log" &
pids=("$!")
feeder=$!
sleep 0.3
(cd samples && exec "$bin/quorvex" --headless --server 127.0.0.1 --port "$port") \
  >"$scratch/quorvex.out" 2>"$scratch/quorvex.err" &
quorvex=$!
pids+=("$quorvex")
sleep 0.2
before=$(mib "$quorvex" VmRSS)
await "$scratch/feed.log"
cpu=$(ticks "$quorvex")
sleep 6 # one more status line once the flood is through
echo "quorvex memory: before $before MiB, peak $(mib "$quorvex" VmHWM) MiB, after $(mib "$quorvex" VmRSS) MiB"
grep sent "$scratch/feed.log" || echo "feed_flood: still sending after $seconds s"
rates "$scratch/quorvex.out"
awk -v t="$cpu" -v hz="$hz" '$1 == "Lines:" { a = $4 }
  END { if (t > 0) printf "quorvex: %.0f lines accepted per second of its CPU time\n", a * hz / t }' \
  "$scratch/quorvex.out"
tail -n 1 "$scratch/quorvex.out"
kill "$feeder" 2>/dev/null || true
