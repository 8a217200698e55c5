#!/usr/bin/env bash
# The Windows installer as a user meets it, under Wine: a silent install into Program Files, the
# installed quorvex.exe --version and veltrix-host.exe on a sample script, a silent uninstall,
# and nothing of it left behind. Run by scripts/test-windows.sh after scripts/package-windows.sh,
# with its WINEPREFIX.
set -euo pipefail
cd "$(dirname "$0")/../.."
[ -n "${WINEPREFIX:-}" ] || { echo "install-check: set WINEPREFIX" >&2; exit 2; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
setup="build-windows/package/quorvex-stavo-$version-win64-setup.exe"
[ -f "$setup" ] || { echo "install-check: no $setup (run scripts/package-windows.sh)" >&2; exit 1; }
programs="$WINEPREFIX/drive_c/Program Files/Quorvex and Stavo"
# The Start-menu folder, for all users or for this one.
menus() { find "$WINEPREFIX/drive_c" -type d -path '*Start Menu/Programs/Quorvex and Stavo' 2>/dev/null; }
fail() { echo "install-check: $*" >&2; exit 1; }

rm -rf "$programs"
wine "$setup" /S
wineserver -w
[ -f "$programs/quorvex.exe" ] || fail "the silent install put no quorvex.exe into Program Files"
[ -f "$programs/stavo.dll" ] || fail "the silent install put no stavo.dll into Program Files"
menu=$(menus | head -n 1)
[ -n "$menu" ] || fail "no Start-menu folder"
echo "installed: $(find "$programs" -type f | wc -l) files; Start menu: $(ls "$menu" | tr '\n' ' ')"

got=$(wine "$programs/quorvex.exe" --version | tr -d '\r')
[ "$got" = "$(build/bin/quorvex --version)" ] || fail "quorvex.exe --version said '$got'"
echo "installed quorvex.exe --version: $got"
script=$(mktemp -d)/board.script
printf 'refresh\naircraft AFR1394 47.3820 19.3600 150 2800 LHBP A20N\nexpect final AFR1394 141 within 3\n' > "$script"
out=$(cd "$programs/samples" && wine "$programs/veltrix-host.exe" --headless --display lhbp.asr \
  --airports airports.txt --script "$script" --clock 1767225600 2>&1 | tr -d '\r') ||
  fail "the installed veltrix-host.exe failed on a sample script: $out"
echo "installed veltrix-host.exe with stavo.dll: the board showed AFR1394 on final"

wine "$programs/Uninstall.exe" /S
wineserver -w
for _ in $(seq 30); do [ -e "$programs" ] || break; sleep 1; done
[ ! -e "$programs" ] || fail "left in Program Files after uninstall: $(find "$programs" | head -n 5 | tr '\n' ' ')"
[ -z "$(menus)" ] || fail "the Start-menu folder is left after uninstall"
echo "uninstalled: nothing left in Program Files or the Start menu"
