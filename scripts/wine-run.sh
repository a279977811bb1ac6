#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, with the build's own Wine prefixes:
#   wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# With QUORVEL_TESTENV set (a directory started by testenv.sh), the program runs in that private
# session (display and sound server) and in the session prefix; without it, it sees no display
# and no sound server, in a prefix of its own: windowless programs never start Wine's desktop
# in the session prefix without a display.
set -euo pipefail
build=${1:?usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]}
shift
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=d"
if [[ -n "${QUORVEL_TESTENV:-}" ]]; then
  [[ -f "$QUORVEL_TESTENV/env.sh" ]] || { echo "wine-run: no test session in $QUORVEL_TESTENV" >&2; exit 1; }
  # shellcheck disable=SC1091
  . "$QUORVEL_TESTENV/env.sh"
  export WINEPREFIX=$build/wine/session
else
  unset DISPLAY WAYLAND_DISPLAY
  export PULSE_SERVER=unix:/nonexistent/quorvel-no-sound-server
  export WINEPREFIX=$build/wine/plain
fi
exec wine "$@"
