#!/usr/bin/env bash
# Measures Quorvex's CPU share while sbs-sim feeds it 500 aircraft at 1,500 and at 10,000 lines
# a second, headless and with the window open (under Xvfb), and checks that its input keeps up:
# the simulator counts the lines it could not send because the proxy fell behind (its socket
# buffers full for two seconds), and headless the proxy's own line counter must match what was
# sent.
#
#   bench/proxy-cpu.sh [SECONDS]      seconds measured per run (default 30), after 5 s of warm-up
#
# Needs port 6809 free (Quorvex's FSD port) and a free port for the feed (BENCH_FEED_PORT,
# default 30103). CPU share = the proxy's user + system time over the wall time, in percent of
# one core.
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  '' | *[!0-9]*) [ -z "${1:-}" ] || { echo "usage: bench/proxy-cpu.sh [SECONDS]" >&2; exit 2; } ;;
esac
measure=${1:-30}
port=${BENCH_FEED_PORT:-30103}
warmup=5
scripts/setup.sh >/dev/null
scripts/build.sh normal >/dev/null
bin=$PWD/build/bin
scratch=$(mktemp -d)
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
}
trap 'stop; rm -rf "$scratch"' EXIT

if (exec 3<>/dev/tcp/127.0.0.1/6809) 2>/dev/null; then
  echo "bench: port 6809 is taken; Quorvex needs it (the window would wait on its message box)" >&2
  exit 1
fi

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

# A virtual display for the window runs.
Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$scratch/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
display=":$(cat "$scratch/display")"

printf '%-9s %-9s %10s %12s %12s %12s\n' mode lines/s "cpu %" sent "not sent" "proxy lines"
for rate in 1500 10000; do
  for mode in headless window; do
    "$bin/sbs-sim" --port "$port" --aircraft 500 --rate "$rate" 2>"$scratch/sim.log" &
    sim=$!
    pids=("$sim")
    for _ in $(seq 50); do grep -q serving "$scratch/sim.log" && break; sleep 0.1; done
    if [ "$mode" = headless ]; then
      (cd samples && exec "$bin/quorvex" --headless --server 127.0.0.1 --port "$port") \
        >"$scratch/proxy.out" 2>"$scratch/proxy.err" &
    else
      (cd samples && DISPLAY=$display exec "$bin/quorvex" --server 127.0.0.1 --port "$port") \
        >"$scratch/proxy.out" 2>"$scratch/proxy.err" &
    fi
    proxy=$!
    pids+=("$proxy")
    sleep "$warmup"
    start=$(ticks "$proxy")
    sleep "$measure"
    end=$(ticks "$proxy")
    kill -INT "$sim"; wait "$sim" || true
    # The proxy's next status line counts every line it took; then it may go.
    [ "$mode" = headless ] && sleep 6
    kill -TERM "$proxy"; wait "$proxy" || true
    pids=()
    cpu=$(awk -v t=$((end - start)) -v hz="$hz" -v s="$measure" 'BEGIN { printf "%.1f", 100 * t / hz / s }')
    sent=$(sed -n 's/.* \([0-9]*\) lines sent in .*not sent.*/\1/p' "$scratch/sim.log" | tail -1)
    dropped=$(sed -n 's/.*, \([0-9]*\) not sent (clients behind)/\1/p' "$scratch/sim.log" | tail -1)
    received=-
    if [ "$mode" = headless ]; then
      received=$(sed -n 's/^Lines: \([0-9]*\) .*/\1/p' "$scratch/proxy.out" | tail -1)
    fi
    printf '%-9s %-9s %10s %12s %12s %12s\n' "$mode" "$rate" "$cpu" "$sent" "$dropped" "$received"
    [ -s "$scratch/proxy.err" ] && sed 's/^/  proxy: /' "$scratch/proxy.err"
  done
done
kill "$xvfb" 2>/dev/null || true
echo "(sent: lines the simulator sent, warm-up included; proxy lines: the lines headless Quorvex"
echo " counted once the feed had stopped, which equal the lines sent when nothing was lost)"
