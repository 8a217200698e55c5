#!/usr/bin/env bash
# The service on a fresh Debian 12 machine: debootstrap a root, install the package with apt,
# boot it with systemd-nspawn (its own network on a veth pair), enable the unit with a feed
# address in /etc/default/quorvex, and check from the host, as a radar client on the allowed
# network and one on another network, that it serves and that the feed comes back by itself.
#
#   packaging/boot-check.sh PACKAGE.deb [WORKDIR]
#
# Needs root, debootstrap, systemd-container (systemd-nspawn), python3 and Debian's mirror; it is
# not part of the test suite. WORKDIR (default /var/tmp/quorvex-boot-check) gets the root and the
# transcript, boot-check.txt: every command with its output.
set -uo pipefail
case "${1:-}" in
  -h | --help | "")
    echo "usage: packaging/boot-check.sh PACKAGE.deb [WORKDIR]   boots a fresh Debian 12 with the package and checks the service"
    [ -n "${1:-}" ]; exit $? ;;
esac
DEB=$(realpath "$1")
WORK=${2:-/var/tmp/quorvex-boot-check}
mkdir -p "$WORK"
ROOT=$WORK/root
LOG=$WORK/boot-check.txt
: > "$LOG"
run() { echo "\$ $*" >> "$LOG"; "$@" >> "$LOG" 2>&1; echo "[exit $?]" >> "$LOG"; }
inside() { echo "qvx# $*" >> "$LOG"; nsenter -t "$PID1" -a "$@" >> "$LOG" 2>&1; echo "[exit $?]" >> "$LOG"; }
note() { echo; echo "## $*"; } >> "$LOG"

rm -rf "$ROOT"
note "A fresh Debian 12 root (minbase plus systemd), the package installed by apt"
echo "\$ debootstrap --variant=minbase --include=systemd,systemd-sysv,dbus,iproute2 bookworm $ROOT http://deb.debian.org/debian" >> "$LOG"
debootstrap --variant=minbase --include=systemd,systemd-sysv,dbus,iproute2 bookworm "$ROOT" \
    http://deb.debian.org/debian > "$WORK/debootstrap.log" 2>&1
echo "[exit $?] $(tail -1 "$WORK/debootstrap.log")" >> "$LOG"
cp "$DEB" "$ROOT/root/"
echo qvx > "$ROOT/etc/hostname"
run systemd-nspawn -q --keep-unit --register=no -D "$ROOT" --pipe sh -c \
    "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /root/$(basename "$DEB") 2>&1 | grep -E 'quorvex|^E:'; dpkg -l quorvex-stavo | tail -1"

note "Boot it, with a veth pair: 10.77.0.0/24 is the allowed network, 10.77.9.0/24 another"
systemd-nspawn --keep-unit --register=no -D "$ROOT" -b --network-veth -M qvx \
    --console=read-only > "$WORK/boot.log" 2>&1 &
NSPAWN=$!
for _ in $(seq 60); do
    PID1=$(pgrep -P "$NSPAWN" | head -1)
    [ -n "$PID1" ] && nsenter -t "$PID1" -a systemctl is-system-running 2>/dev/null | grep -qE 'running|degraded' && break
    sleep 1
done
inside systemctl is-system-running
run ip addr add 10.77.0.1/24 dev ve-qvx
run ip addr add 10.77.9.1/24 dev ve-qvx
run ip link set ve-qvx up
inside ip addr add 10.77.0.2/24 dev host0
inside ip addr add 10.77.9.2/24 dev host0
inside ip link set host0 up

note "A receiver on the machine (the packaged simulator, as a unit of its own), the feed address in /etc/default/quorvex"
inside systemd-run --unit=receiver /usr/bin/sbs-sim --port 30003
inside sh -c 'sed -i "s|^QUORVEX_OPTIONS=.*|QUORVEX_OPTIONS=\"--log --server 127.0.0.1 --port 30003 --reconnect=8 --listen 0.0.0.0 --allow 10.77.0.0/24 --http 0.0.0.0:8754\"|" /etc/default/quorvex && grep ^QUORVEX_OPTIONS /etc/default/quorvex'
inside systemctl enable --now quorvex
sleep 3
inside systemctl status quorvex --no-pager --lines=0
inside sh -c 'ss -ltnp | grep -E "6809|30003"'

note "Radar clients from the host: one on the allowed network, one on another"
cat > "$WORK/radar-client.py" <<'PY'
import socket, sys, time
source, target, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
s = socket.create_connection((target, 6809), timeout=5, source_address=(source, 0))
s.sendall(b"#AAHOST1:SERVER:Host Client:1234567:3:100\r\n")
s.settimeout(0.5)
data, end = b"", time.time() + seconds
while time.time() < end:
    try:
        chunk = s.recv(65536)
    except socket.timeout:
        continue
    except ConnectionResetError:
        chunk = b""
    if not chunk:
        print("closed by the server after %d bytes" % len(data)); break
    data += chunk
lines = data.decode("latin-1").split("\r\n")
print("bytes received:", len(data))
print("position packets:", sum(1 for l in lines if l.startswith("@")))
count = 0
for l in lines:  # the server texts in order, with the position packets between them
    if l.startswith("@"):
        count += 1
    elif l.startswith("#TM"):
        if count:
            print("  ... %d position packets" % count)
        count = 0
        print("text:", l)
if count:
    print("  ... %d position packets" % count)
print("first packet:", next((l for l in lines if l.startswith("@")), None))
PY
run python3 "$WORK/radar-client.py" 10.77.9.1 10.77.9.2 3
run python3 "$WORK/radar-client.py" 10.77.0.1 10.77.0.2 12

cat > "$WORK/http-get.py" <<'PY'
import socket, sys
source, target = sys.argv[1], sys.argv[2]
s = socket.create_connection((target, 8754), timeout=5, source_address=(source, 0))
s.sendall(b"GET /status.json HTTP/1.1\r\nHost: qvx\r\nConnection: close\r\n\r\n")
data = b""
while True:
    try:
        chunk = s.recv(65536)
    except (socket.timeout, ConnectionResetError):
        break
    if not chunk:
        break
    data += chunk
print("%d bytes; %s" % (len(data), data.split(b"\r\n")[0].decode() if data else "closed without a byte"))
PY
note "The status page, served to the same networks"
run python3 "$WORK/http-get.py" 10.77.9.1 10.77.9.2
run python3 "$WORK/http-get.py" 10.77.0.1 10.77.0.2

note "The feed restarted while a radar client stays connected: it comes back by itself"
python3 "$WORK/radar-client.py" 10.77.0.1 10.77.0.2 30 > "$WORK/radar-restart.txt" 2>&1 &
CLIENT=$!
sleep 8
inside systemctl stop receiver
sleep 6
inside systemd-run --unit=receiver2 /usr/bin/sbs-sim --port 30003
wait "$CLIENT"
echo "\$ python3 $WORK/radar-client.py 10.77.0.1 10.77.0.2 30   # started before the stop" >> "$LOG"
cat "$WORK/radar-restart.txt" >> "$LOG"
inside systemctl is-active quorvex
inside journalctl -u quorvex --no-pager -o cat

inside systemctl poweroff
wait "$NSPAWN"
echo "[container stopped: exit $?]" >> "$LOG"
