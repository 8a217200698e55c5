#!/usr/bin/env bash
# Runs the whole chain on the sample data and drives it by a plan:
#   sbs-sim      serves the LHBP scenario as an SBS-1 BaseStation feed on 127.0.0.1
#   quorvex      reads that feed and serves its aircraft to radar clients on 127.0.0.1 port 6809
#   veltrix-host loads Stavo with the sample stand board (samples/lhbp.asr) and logs in to
#                quorvex as a radar client
# The plan says what to type into the board and what to wait for (see usage below). The runner
# shows progress, writes the final board as a picture and as text, ends with a summary, and stops
# everything it started, whatever happens. scripts/demo.sh and the end-to-end test use it.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/bin
samples=$root/samples
out=$root/out/chain
feed_port=30003
time_scale=1
aircraft=30
window=0
limit=600

usage() {
  cat <<'EOF'
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

PLAN holds one step a line; blank lines and lines starting with '#' are skipped:
  say TEXT                 print TEXT
  wait SECONDS             let the chain run, refreshing the board every second
  until [not] CONDITION [within SECONDS]
                           refresh the board every second until it shows CONDITION (or no
                           longer does, with "not"); after SECONDS (default 60) the chain fails
    CONDITION: final CALLSIGN [BITMAP]            in a final-approach slot
               stand LABEL CALLSIGN [BITMAP]      standing at the stand labelled LABEL
               allocated LABEL CALLSIGN [BITMAP]  the stand's first allocation
               ("-" for CALLSIGN: nobody; BITMAP: the status bitmap's number)
  anything else            an event of veltrix-host's script, typed as it is (command TEXT,
                           refresh, drag, drop, snapshot)
EOF
}

fail() {
  echo "chain: $*" >&2
  exit 1
}
usage_error() {
  echo "chain: $* (see --help)" >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case "$1" in
    --out | --bin | --samples | --feed-port | --time-scale | --aircraft | --limit)
      [ $# -ge 2 ] || usage_error "$1 needs a value"
      case "$1" in
        --out) out=$2 ;;
        --bin) bin=$2 ;;
        --samples) samples=$2 ;;
        --feed-port) feed_port=$2 ;;
        --time-scale) time_scale=$2 ;;
        --aircraft) aircraft=$2 ;;
        --limit) limit=$2 ;;
      esac
      shift 2 ;;
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
for program in sbs-sim quorvex veltrix-host; do
  [ -x "$bin/$program" ] || fail "no $bin/$program (build first: scripts/build.sh)"
done
for file in icao24.txt aircrafts.txt flightplans.txt lhbp.asr airports.txt; do
  [ -r "$samples/$file" ] || fail "no $samples/$file"
done

# A condition's words: [not] final CALLSIGN [BITMAP] | stand|allocated LABEL CALLSIGN [BITMAP].
valid_condition() {
  [ "${1:-}" = not ] && shift
  case "${1:-}" in
    final) [ $# -ge 2 ] && [ $# -le 3 ] ;;
    stand | allocated) [ $# -ge 3 ] && [ $# -le 4 ] ;;
    *) false ;;
  esac
}

# Check the whole plan before anything starts.
number=0
while IFS= read -r line || [ -n "$line" ]; do
  number=$((number + 1))
  read -r -a words <<<"$line" || true
  [ ${#words[@]} -eq 0 ] && continue
  case "${words[0]}" in
    '#'*) ;;
    until)
      condition=("${words[@]:1}")
      n=${#condition[@]}
      if [ "$n" -ge 2 ] && [ "${condition[n - 2]}" = within ]; then
        case "${condition[n - 1]}" in '' | *[!0-9]*) usage_error "$plan:$number: within takes whole seconds" ;; esac
        condition=("${condition[@]:0:n-2}")
      fi
      valid_condition "${condition[@]}" || usage_error "$plan:$number: not a condition: ${line}" ;;
    wait)
      [[ ${#words[@]} -eq 2 && ${words[1]} =~ ^[0-9]+$ ]] || usage_error "$plan:$number: wait takes whole seconds" ;;
  esac
done <"$plan"

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/board.png "$out"/board.txt "$out"/host.out "$out"/*.log
scratch=$(mktemp -d "${TMPDIR:-/tmp}/chain.XXXXXX")
# Qt wants a private runtime directory; a fresh machine's root session may have none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR=$scratch/runtime
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

# Every program runs in a session and process group of its own, so that stopping the group stops
# all it may have started and a Ctrl+C reaches this script alone; where util-linux allows, a
# program also ends when this script ends, even killed.
launch=(setsid)
setpriv --pdeathsig TERM true 2>/dev/null && launch+=(setpriv --pdeathsig TERM --)
groups=()
stop_all() {
  local status=$?
  trap - EXIT INT TERM HUP
  exec 3>&-
  local pid
  for pid in "${groups[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || true; done
  for _ in $(seq 50); do
    local alive=0
    for pid in "${groups[@]}"; do kill -0 -- "-$pid" 2>/dev/null && alive=1; done
    [ $alive -eq 0 ] && break
    sleep 0.1
  done
  for pid in "${groups[@]}"; do kill -KILL -- "-$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
  exit $status
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

started=$SECONDS
say() { printf '[%3d s] %s\n' $((SECONDS - started)) "$*"; }

port_open() { (exec 9<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
for port in "$feed_port" 6809; do
  if port_open "$port"; then
    fail "something already listens on 127.0.0.1 port $port (another quorvex or sbs-sim?); stop it first"
  fi
done

alive() { kill -0 "$1" 2>/dev/null; }

# Waits up to $1 seconds for the command after $2 (a description) to succeed.
wait_until() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "gave up waiting for $what after $seconds s"
    sleep 0.1
  done
}

# The feed simulator, ending by itself once the chain's time is up.
"${launch[@]}" "$bin/sbs-sim" --port "$feed_port" --aircraft "$aircraft" \
  --time-scale "$time_scale" --duration $((limit + 30)) 2>"$out/sbs-sim.log" &
sim=$!
groups+=("$sim")
wait_until 10 "sbs-sim to serve (see $out/sbs-sim.log)" grep -q serving "$out/sbs-sim.log"
say "sbs-sim serves the LHBP scenario: $aircraft aircraft, $time_scale x real time, on 127.0.0.1 port $feed_port"

# The proxy reads its lookup files from the working directory: the samples.
mode=(--headless)
[ $window -eq 1 ] && mode=()
(cd "$samples" && exec "${launch[@]}" "$bin/quorvex" "${mode[@]}" --server 127.0.0.1 \
  --port "$feed_port") >"$out/quorvex.out" 2>"$out/quorvex.log" &
proxy=$!
groups+=("$proxy")
proxy_listens() {
  alive "$proxy" || fail "quorvex ended at start-up (see $out/quorvex.log)"
  ! grep -q 'binding failed' "$out/quorvex.log" || fail "quorvex could not open port 6809"
  port_open 6809
}
wait_until 15 "quorvex to listen on port 6809" proxy_listens
say "quorvex ($([ $window -eq 1 ] && echo window || echo headless)) reads the feed and serves radar clients on 127.0.0.1 port 6809"

# The radar client reads its script from a pipe that this runner writes.
mkfifo "$scratch/script"
(exec "${launch[@]}" "$bin/veltrix-host" --fsd 127.0.0.1:6809 --display "$samples/lhbp.asr" \
  --airports "$samples/airports.txt" "${mode[@]}" --dump --script -) \
  <"$scratch/script" >"$out/host.out" 2>"$out/host.log" &
host=$!
groups+=("$host")
trap '' PIPE # a host that has gone is noticed by its id, not by a signal
exec 3>"$scratch/script"
send() {
  alive "$host" || fail "veltrix-host has ended (see $out/host.log)"
  printf '%s\n' "$*" >&3 || fail "veltrix-host no longer reads its script"
}
# The host handles its network only while a script event lets time pass.
host_connected() {
  grep -q 'connected to FSD server' "$out/host.log" && return 0
  send "wait 0.5"
  sleep 0.5
  return 1
}
wait_until 20 "veltrix-host to log in to quorvex (see $out/host.log)" host_connected
say "veltrix-host with Stavo and samples/lhbp.asr logged in to quorvex as a radar client"

# The board of one refresh of veltrix-host --dump, one line per final-approach slot and stand
# ("-" for an empty cell):
#   final CALLSIGN BITMAP INFO
#   stand LABEL AIRCRAFT BITMAP TIME ALLOCATION BITMAP INFO SECOND
# Slots are drawn first, then the stands; a callsign is a text followed by its screen object.
# The columns are told apart by where they start in the cell, in units of the label's width
# (three cell units). which=last: the last refresh; which=complete: the one before it (the last
# may still be being written).
board_awk='
function iscallsign(i) { return kind[i] == "text" && kind[i + 1] == "object" && val[i + 1] == val[i] }
/^refresh / {
  for (k = 1; k <= n; k++) { pk[k] = kind[k]; pv[k] = val[k]; pl[k] = L[k]; pt[k] = T[k]; pr[k] = R[k] }
  pn = n; pnumber = number; n = 0; number = $2; next
}
/^(text|bitmap|object) / {
  n++; kind[n] = $1
  if ($1 == "text") {
    L[n] = $2; T[n] = $3; R[n] = $4; v = $0
    for (k = 0; k < 5; k++) sub(/^[^ ]* /, "", v)
    val[n] = v
  } else if ($1 == "bitmap") { L[n] = $2; T[n] = $3; R[n] = $4; val[n] = $6 }
  else val[n] = $3
}
END {
  if (which == "complete") {
    for (k = 1; k <= pn; k++) { kind[k] = pk[k]; val[k] = pv[k]; L[k] = pl[k]; T[k] = pt[k]; R[k] = pr[k] }
    n = pn; number = pnumber
  }
  kind[n + 1] = ""
  if (number == "") exit
  print "refresh " number
  i = 1
  while (i <= n && iscallsign(i)) {
    cs = val[i]; x = L[i]; y = T[i]; u = (R[i] - L[i]) / 7; i += 2; bm = "-"; info = "-"
    if (kind[i] == "bitmap") { bm = val[i]; i++ }
    if (kind[i] == "text" && !iscallsign(i) && T[i] == y && L[i] > x && L[i] < x + 14 * u + 5) { info = val[i]; i++ }
    print "final", cs, bm, info
  }
  while (i <= n) {
    if (kind[i] != "text" || iscallsign(i)) { i++; continue }
    label = val[i]; x = L[i]; y = T[i]; u = (R[i] - L[i]) / 3; i++
    a = "-"; ab = "-"; at = "-"; c = "-"; cb = "-"; ci = "-"; s = "-"; group = ""
    while (i <= n) {
      if (iscallsign(i)) {
        group = (L[i] - x < 10 * u) ? "a" : "c"
        if (group == "a") a = val[i]; else c = val[i]
        i += 2
      } else if (kind[i] == "bitmap") {
        if (group == "a") ab = val[i]; else if (group == "c") cb = val[i]
        i++
      } else if (kind[i] == "text" && T[i] == y && L[i] > x && L[i] < x + 36 * u + 16) {
        off = L[i] - x
        if (off < 15 * u) at = val[i]; else if (off < 29 * u) ci = val[i]; else s = val[i]
        i++
      } else if (kind[i] == "object") {
        i++
      } else break
    }
    print "stand", label, a, ab, at, c, cb, ci, s
  }
}'
board_now=$scratch/board.now
summarise() { awk -v which="$1" "$board_awk" "$out/host.out"; }

# Whether the board of $board_now shows the condition in the arguments.
holds() {
  awk -v spec="$*" '
    BEGIN { n = split(spec, w, " "); neg = 0
            if (w[1] == "not") { neg = 1; for (k = 1; k < n; k++) w[k] = w[k + 1]; n-- } }
    $1 == "refresh" { seen = 1 }
    w[1] == "final" && $1 == "final" && $2 == w[2] && (n < 3 || $3 == w[3]) { found = 1 }
    w[1] == "stand" && $1 == "stand" && $2 == w[2] && $3 == w[3] && (n < 4 || $4 == w[4]) { found = 1 }
    w[1] == "allocated" && $1 == "stand" && $2 == w[2] && $6 == w[3] && (n < 4 || $7 == w[4]) { found = 1 }
    END { exit (seen && found != neg) ? 0 : 1 }' "$board_now"
}

# One line of counts for the board of $board_now.
board_counts() {
  awk '
    $1 == "final" && ($3 == 139 || $3 == 141) { final++ }
    $1 == "final" && ($3 == 180 || $3 == 181) { taxi++ }
    $1 == "stand" && ($4 == 139 || $4 == 141) { blocks++ }
    $1 == "stand" && ($4 == 142 || $4 == 183) { stands++ }
    $1 == "stand" && ($4 == 146 || $4 == 186) { push++ }
    $1 == "stand" && $6 != "-" { alloc++ }
    $1 == "stand" && $9 != "-" { alloc++ }
    END { printf "%d on final, %d taxiing in, %d on blocks, %d at stands, %d pushing back, %d allocations\n",
                 final, taxi, blocks, stands, push, alloc }' "$board_now"
}

# The board of $board_now in words, one line per slot and per stand in use.
board_words() {
  awk '
    $1 == "stand" && $6 != "-" { allocated[$6] = $2 }
    { line[NR] = $0 }
    END {
      for (r = 1; r <= NR; r++) {
        split(line[r], f, " ")
        if (f[1] == "final") {
          what = (f[3] == 180 || f[3] == 181) ? "taxiing in" : "on final"
          stand = (f[2] in allocated) ? "stand " allocated[f[2]] " allocated (green)" : "no stand allocated (red)"
          printf "  final approach  %-8s %s, %s\n", f[2], what, stand
        } else if (f[1] == "stand" && (f[3] != "-" || f[6] != "-")) {
          b = f[4]
          if (f[3] == "-") what = ""
          else if (b == 142) what = "at the stand, not allocated to it (red)"
          else if (b == 183) what = "at its allocated stand (blue)"
          else if (b == 146) what = "pushing back, stand not allocated to it (red)"
          else if (b == 186) what = "pushing back from its allocated stand (blue)"
          else if (b == 139) what = "on blocks at its allocated stand (green)"
          else what = "on blocks, stand not allocated to it (red)"
          if (f[3] != "-") what = what " for " f[5]
          if (f[6] != "-") {
            next_one = (f[7] == 183) ? "departure" : (f[8] == "TAXI" ? "arrival taxiing in" : "arrival, " f[8] " NM out")
            what = what (what == "" ? "" : "; ") "allocated to " f[6] " (" next_one ")"
          }
          printf "  stand %-9s %-8s %s\n", f[2], (f[3] == "-" ? "" : f[3]), what
        }
      }
    }' "$board_now"
}

# Lets the host run for a second, asks for a refresh, and takes the last complete one as the
# board; every five seconds a progress line. A window repaints on its own as well, so the runner
# knows that the host has come this far in its script by a picture the host writes last: the host
# has then also printed the refresh asked for.
sync_picture=$scratch/sync.png
last_status=-5
round() {
  rm -f "$sync_picture"
  send "wait 1"
  send "refresh"
  send "snapshot $sync_picture"
  local deadline=$((SECONDS + 30))
  until [ -e "$sync_picture" ]; do
    alive "$host" || fail "veltrix-host has ended (see $out/host.log)"
    [ $SECONDS -lt $deadline ] || fail "veltrix-host does not refresh its board"
    sleep 0.1
  done
  summarise complete >"$board_now"
  alive "$proxy" || fail "quorvex has ended (see $out/quorvex.log)"
  [ $((SECONDS - started)) -lt "$limit" ] || fail "the chain's time ($limit s) is up"
  if [ $((SECONDS - last_status)) -ge 5 ]; then
    last_status=$SECONDS
    local proxy_status=""
    if [ $window -eq 0 ] && [ -s "$out/quorvex.out" ]; then
      proxy_status=$(tail -n 1 "$out/quorvex.out" | sed -n 's/.*Clients: *\([0-9]*\) *Aircraft: *\([0-9]*\).*/quorvex: \2 aircraft, radar clients: \1; /p')
    fi
    say "${proxy_status}board: $(board_counts)"
  fi
}

# The plan.
number=0
while IFS= read -r line <&4 || [ -n "$line" ]; do
  number=$((number + 1))
  read -r -a words <<<"$line" || true
  [ ${#words[@]} -eq 0 ] && continue
  case "${words[0]}" in
    '#'*) ;;
    say) say "${line#*say }" ;;
    wait)
      until_time=$((SECONDS + words[1]))
      while [ $SECONDS -lt $until_time ]; do round; done ;;
    until)
      condition=("${words[@]:1}")
      seconds=60
      n=${#condition[@]}
      if [ "$n" -ge 2 ] && [ "${condition[n - 2]}" = within ]; then
        seconds=${condition[n - 1]}
        condition=("${condition[@]:0:n-2}")
      fi
      deadline=$((SECONDS + seconds))
      round
      until holds "${condition[@]}"; do
        [ $SECONDS -lt $deadline ] || fail "$plan:$number: the board did not show \"${condition[*]}\" within $seconds s (see $out/host.out)"
        round
      done
      say "board shows: ${condition[*]}" ;;
    command)
      send "$line"
      say "typed: ${line#*command }" ;;
    *) send "$line" ;;
  esac
done 4<"$plan"

# The final board: a picture, then the script ends and the host with it (a window is closed).
send "snapshot $out/board.png"
exec 3>&-
deadline=$((SECONDS + 30))
while alive "$host"; do
  [ -s "$out/board.png" ] && [ $window -eq 1 ] && { sleep 1; kill -TERM "$host" 2>/dev/null || true; }
  [ $SECONDS -lt $deadline ] || fail "veltrix-host did not end"
  sleep 0.1
done
host_status=0
wait "$host" || host_status=$?
[ -s "$out/board.png" ] || fail "veltrix-host wrote no picture (see $out/host.log)"
summarise last >"$board_now"
awk '/^refresh /{n = 0; delete kept} {kept[++n] = $0} END {for (k = 1; k <= n; k++) print kept[k]}' \
  "$out/host.out" | grep -v '^\(not \)\?handled$' >"$out/board.txt"
kill -TERM "$proxy" 2>/dev/null || true
kill -INT "$sim" 2>/dev/null || true

echo
say "the chain ran; the last board ($(board_counts | sed 's/, / | /g')):"
board_words
echo "  picture: $out/board.png"
echo "  text:    $out/board.txt (what the last refresh drew: text, bitmap and object lines)"
[ $host_status -eq 0 ] || fail "veltrix-host reported errors in the plan's events (see $out/host.log)"
