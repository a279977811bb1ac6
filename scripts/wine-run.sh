#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, with the build's own Wine prefixes:
#   wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# With QUORVEL_TESTENV set (a directory started by testenv.sh), the program runs in that private
# session (display and sound server) and in the prefix QUORVEL_PREFIX (session by default; see
# wine-prefix.sh for the others); without it, it sees no display
# and no sound server, in a prefix of its own: windowless programs never start Wine's desktop
# in the session prefix without a display. The loader is the one of the program's architecture;
# a 32-bit program on a machine that cannot run one is not started: the reason is printed and
# the exit code is the tests' skip code.
set -euo pipefail
build=${1:?usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]}
shift
# shellcheck source=scripts/wine-loader.sh
. "$(dirname "$0")/wine-loader.sh"
skip_unless_runs "${1:?usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]}"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=d"
if [[ -n "${QUORVEL_TESTENV:-}" ]]; then
  [[ -f "$QUORVEL_TESTENV/env.sh" ]] || { echo "wine-run: no test session in $QUORVEL_TESTENV" >&2; exit 1; }
  # shellcheck disable=SC1091
  . "$QUORVEL_TESTENV/env.sh"
  export WINEPREFIX=$build/wine/${QUORVEL_PREFIX:-session}
else
  unset DISPLAY WAYLAND_DISPLAY
  export PULSE_SERVER=unix:/nonexistent/quorvel-no-sound-server
  export WINEPREFIX=$build/wine/plain
fi
loader=$(wine_loader "$1")
exec "$loader" "$@"
