#!/usr/bin/env bash
# Creates the build's two Wine prefixes (see wine-run.sh) once, set up for unattended tests:
# a crash prints a backtrace instead of opening a dialog that would wait for a user.
#   wine-prefix.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: wine-prefix.sh BUILD_DIR}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
unset DISPLAY WAYLAND_DISPLAY

init_prefix() {
  export WINEPREFIX=$1
  [[ -f "$WINEPREFIX/.quorvel-ready" ]] && return 0
  echo "wine-prefix: creating $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.quorvel-ready"
}

init_prefix "$build/wine/plain" &
plain=$!
init_prefix "$build/wine/session"
wait $plain
