#!/usr/bin/env bash
# Runs the whole chain on the sample data, driven by a plan: sbs-sim serves the LHBP scenario as a
# BaseStation feed, quorvex serves its aircraft to radar clients on 127.0.0.1 port 6809, and
# veltrix-host with Stavo and samples/lhbp.asr logs in to it and runs the plan as its script,
# judging the board's conditions itself. This runner starts the three, shows the host's progress,
# collects the results and stops everything it started, whatever happens.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/bin samples=$root/samples out=$root/out/chain
feed_port=30003 time_scale=1 aircraft=30 window=0 limit=600

usage() {
  cat <<'TEXT'
usage: scripts/chain.sh [OPTION]... PLAN
Runs sbs-sim -> quorvex -> veltrix-host with Stavo on the sample data, driven by PLAN.

  --out DIR          where the results go (default out/chain): board.png, board.txt (what the
                     last refresh drew, in veltrix-host's --dump form), host.out (every refresh
                     and command answer), the programs' logs
  --bin DIR          the programs (default build/bin)
  --samples DIR      lookup files, display settings and airports (default samples)
  --feed-port N      the feed's port on 127.0.0.1 (default 30003)
  --time-scale X     scenario seconds per real second (default 1)
  --aircraft N       aircraft in the scenario (default 30)
  --window           show quorvex's and veltrix-host's windows (default: both headless)
  --limit SECONDS    stop the chain after this long, whatever the plan says (default 600)

PLAN holds one step a line (blank lines and lines starting with '#' are skipped):
  say TEXT, wait SECONDS, until [not] CONDITION [within SECONDS], or any event of
  veltrix-host's script; CONDITION is final CALLSIGN [BITMAP], stand LABEL CALLSIGN [BITMAP]
  or allocated LABEL CALLSIGN [BITMAP] ("-": nobody). See "Chain plans" in docs/file-formats.md.
TEXT
}
fail() { echo "chain: $*" >&2; exit 1; }
usage_error() { echo "chain: $* (see --help)" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --out | --bin | --samples | --feed-port | --time-scale | --aircraft | --limit)
      [ $# -ge 2 ] || usage_error "$1 needs a value"
      name=${1#--} && declare "${name//-/_}=$2" && shift 2 ;;
    --window) window=1; shift ;;
    -h | --help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] || { usage >&2; exit 2; }
plan=$1
[ -r "$plan" ] || usage_error "cannot read the plan $plan"
case "$limit" in '' | *[!0-9]*) usage_error "--limit takes whole seconds" ;; esac
case "$feed_port" in '' | *[!0-9]*) usage_error "--feed-port takes a port number" ;; esac
for program in sbs-sim quorvex veltrix-host; do [ -x "$bin/$program" ] || fail "no $bin/$program (build first: scripts/build.sh)"; done
for file in icao24.txt aircrafts.txt flightplans.txt lhbp.asr airports.txt; do [ -r "$samples/$file" ] || fail "no $samples/$file"; done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/chain.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# The plan as the host's script, line for line ("until" is its "expect", "wait" its "watch"),
# checked whole before anything starts; the host logs in before it and shows the board after it.
sed -E -e 's/^([[:blank:]]*)until([[:blank:]]|$)/\1expect\2/' \
  -e 's/^([[:blank:]]*)wait([[:blank:]]|$)/\1watch\2/' "$plan" >"$scratch/plan"
"$bin/veltrix-host" --check --script "$scratch/plan" 2>&1 | sed "s|^$scratch/plan:|$plan:|" >&2 \
  || usage_error "the plan has bad steps"
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/board.png "$out"/board.txt "$out"/host.out "$out"/*.log
script=$scratch/script prelude=2
{
  echo "expect connected within 20"
  echo "say veltrix-host with Stavo and samples/lhbp.asr logged in to quorvex as a radar client"
  cat "$scratch/plan" && echo
  printf '%s\n' "snapshot $out/board.png" say "describe the chain ran; the last board"
} >"$script"
# Qt wants a private runtime directory; a fresh machine's root session may have none.
[ -n "${XDG_RUNTIME_DIR:-}" ] || { export XDG_RUNTIME_DIR=$scratch/runtime && mkdir -m 700 "$XDG_RUNTIME_DIR"; }

# Each program runs in a process group of its own, stopped as a whole; where util-linux allows,
# a program also ends when this runner ends, even killed.
launch=(setsid)
setpriv --pdeathsig TERM true 2>/dev/null && launch+=(setpriv --pdeathsig TERM --)
groups=()
stop_all() {
  local status=$?
  trap - EXIT INT TERM HUP
  if [ ${#groups[@]} -gt 0 ]; then # kill succeeds while one group is left
    kill -TERM -- "${groups[@]/#/-}" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 -- "${groups[@]/#/-}" 2>/dev/null && sleep 0.1 || break; done
    kill -KILL -- "${groups[@]/#/-}" 2>/dev/null || true
  fi
  wait 2>/dev/null || true
  rm -rf "$scratch"
  exit "$status"
}
trap stop_all EXIT
trap 'exit 130' INT && trap 'exit 143' TERM && trap 'exit 129' HUP

started=$SECONDS
say() { printf '[%3d s] %s\n' $((SECONDS - started)) "$*"; }
alive() { kill -0 "$1" 2>/dev/null; }
port_open() { (exec 9<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
for port in "$feed_port" 6809; do ! port_open "$port" || fail "something already listens on 127.0.0.1 port $port (another quorvex or sbs-sim?); stop it first"; done
# Waits up to $1 seconds for the command after $2 (a description) to succeed.
wait_until() {
  local deadline=$((SECONDS + $1)) what=$2
  shift 2
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "gave up waiting for $what"
    sleep 0.1
  done
}

"${launch[@]}" "$bin/sbs-sim" --port "$feed_port" --aircraft "$aircraft" \
  --time-scale "$time_scale" --duration $((limit + 30)) 2>"$out/sbs-sim.log" &
sim=$! && groups+=("$sim")
wait_until 10 "sbs-sim to serve (see $out/sbs-sim.log)" grep -q serving "$out/sbs-sim.log"
say "sbs-sim serves the LHBP scenario: $aircraft aircraft, $time_scale x real time, on 127.0.0.1 port $feed_port"

# The proxy reads its lookup files from the working directory: the samples.
mode=(--headless) && [ $window -eq 1 ] && mode=()
(cd "$samples" && exec "${launch[@]}" "$bin/quorvex" "${mode[@]}" --server 127.0.0.1 \
  --port "$feed_port") >"$out/quorvex.out" 2>"$out/quorvex.log" &
proxy=$! && groups+=("$proxy")
proxy_listens() {
  alive "$proxy" || fail "quorvex ended at start-up (see $out/quorvex.log)"
  ! grep -q 'binding failed' "$out/quorvex.log" || fail "quorvex could not open port 6809"
  port_open 6809
}
wait_until 15 "quorvex to listen on port 6809" proxy_listens
say "quorvex ($([ $window -eq 1 ] && echo window || echo headless)) reads the feed and serves radar clients on 127.0.0.1 port 6809"

# The host's progress as it comes, timed; the proxy's own counts go in front of the board's.
show_progress() {
  local line status
  while IFS= read -r line; do
    case "$line" in
      '') echo ;;
      '  '*) printf '%s\n' "$line" ;;
      'board: '*)
        status=$([ $window -eq 1 ] || tail -n 1 "$out/quorvex.out" | sed -n 's/.*Clients: *\([0-9]*\) *Aircraft: *\([0-9]*\).*/quorvex: \2 aircraft, radar clients: \1; /p')
        say "$status$line" ;;
      *) say "$line" ;;
    esac
  done
}
mkfifo "$scratch/progress"
show_progress <"$scratch/progress" &
shower=$!
"${launch[@]}" "$bin/veltrix-host" --fsd 127.0.0.1:6809 --display "$samples/lhbp.asr" \
  --airports "$samples/airports.txt" "${mode[@]}" --dump --script "$script" \
  --progress "$scratch/progress" </dev/null >"$out/host.out" 2>"$out/host.log" &
host=$! && groups+=("$host")

# The plan runs in the host; here the proxy and the time are watched. A window stays open after
# the script, so it is closed once the final picture is there.
while alive "$host"; do
  alive "$proxy" || fail "quorvex has ended (see $out/quorvex.log)"
  [ $((SECONDS - started)) -lt "$limit" ] || fail "the chain's time ($limit s) is up"
  [ $window -eq 1 ] && [ -s "$out/board.png" ] && { sleep 1; kill -TERM "$host" 2>/dev/null || true; }
  sleep 0.2
done
host_status=0
wait "$host" || host_status=$?
wait "$shower" || true
if [ $host_status -eq 3 ]; then # a condition did not come in time: named by its plan line
  failure=$(grep "^$script:[0-9]*: " "$out/host.log" | tail -n 1 | sed "s|^$script:||")
  number=${failure%%:*}
  [ "$number" -gt $prelude ] && failure="$plan:$((number - prelude)):${failure#*:}" || failure=${failure#*: }
  fail "$failure (see $out/host.out)"
fi
[ $host_status -eq 0 ] || fail "veltrix-host reported errors in the plan's events (see $out/host.log)"
[ -s "$out/board.png" ] || fail "veltrix-host wrote no picture (see $out/host.log)"
awk '/^refresh /{n = 0; delete kept} {kept[++n] = $0} END {for (k = 1; k <= n; k++) print kept[k]}' \
  "$out/host.out" | grep -v '^\(not \)\?handled$' >"$out/board.txt"
echo "  picture: $out/board.png"
echo "  text:    $out/board.txt (what the last refresh drew: text, bitmap and object lines)"
