#!/bin/sh
# Runs a Windows program of the build under Wine, for CTest (the cross-compiling emulator) and the
# Windows scripts: quiet, without Wine's .NET and browser installers, and with Qt's settings
# passed on. Wine drops every variable that begins with QT_ on the way in, so they go as WINEQT_.
# The prefix, and so the Wine server and its network, is the one the caller chose (WINEPREFIX).
[ -n "${WINEPREFIX:-}" ] || { echo "wine-run.sh: set WINEPREFIX (scripts/test-windows.sh does)" >&2; exit 2; }
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
for name in QPA_PLATFORM QPA_FONTDIR; do
  eval "value=\${QT_$name:-}"
  [ -n "$value" ] && [ -z "$(eval "echo \${WINEQT_$name:-}")" ] && export "WINEQT_$name=$value"
done
exec wine "$@"
