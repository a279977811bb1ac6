#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, with the build's own Wine prefixes:
#   wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# With QUORVEL_TESTENV set (a directory started by testenv.sh), or QUORVEL_SESSIONS (one of the
# sessions there, see session-slot.sh), the program runs in that private session (display and
# sound server) and in the prefix QUORVEL_PREFIX (session-1 by default; see wine-prefix.sh for the
# others); without it, it sees no display
# and no sound server, in a prefix of its own: windowless programs never start Wine's desktop
# in the session prefix without a display. The loader is the one of the program's architecture;
# a 32-bit program on a machine that cannot run one is not started: the reason is printed and
# the exit code is the tests' skip code. Wine takes the system's ANSI code page from the locale:
# the programs run in C.UTF-8 (code page 1252) whatever the caller's is, or in QUORVEL_LOCALE.
set -euo pipefail
build=${1:?usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]}
shift
# shellcheck source=scripts/wine-loader.sh
. "$(dirname "$0")/wine-loader.sh"
# shellcheck source=scripts/session-slot.sh
. "$(dirname "$0")/session-slot.sh"
skip_unless_runs "${1:?usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]}"
export WINEDEBUG=${WINEDEBUG:--all}
export LC_ALL=${QUORVEL_LOCALE:-C.UTF-8}
export WINEDLLOVERRIDES="mscoree,mshtml=d"
if [[ -n "${QUORVEL_TESTENV:-}" ]]; then
  [[ -f "$QUORVEL_TESTENV/env.sh" ]] || { echo "wine-run: no test session in $QUORVEL_TESTENV" >&2; exit 1; }
  # shellcheck disable=SC1091
  . "$QUORVEL_TESTENV/env.sh"
  export WINEPREFIX=$build/wine/${QUORVEL_PREFIX:-session-1}
else
  unset DISPLAY WAYLAND_DISPLAY
  export PULSE_SERVER=unix:/nonexistent/quorvel-no-sound-server
  export WINEPREFIX=$build/wine/plain
fi
loader=$(wine_loader "$1")

# A program that the run started and that outlives it (a meter a test did not end) is ended
# here, and the run fails: left running, it would hold the output pipe of whoever waits for the
# run (ctest waits out its time limit). The run's processes carry QUORVEL_RUN; of them only
# Windows programs count, and not Wine's own (its services and desktop, and its server, which a
# run may have started for the prefix).
export QUORVEL_RUN=$$
left_running() {
  local environ proc command
  for environ in $(grep -lzx "QUORVEL_RUN=$$" /proc/[0-9]*/environ 2>/dev/null); do
    proc=${environ%/environ}
    command=$(tr '\0' ' ' <"$proc/cmdline" 2>/dev/null) || continue
    [[ "$command" =~ \.[eE][xX][eE]( |$) && ! "$command" =~ ^[A-Za-z]:\\[Ww][Ii][Nn][Dd][Oo][Ww][Ss]\\ ]] || continue
    echo "${proc#/proc/}"
  done
}
status=0
"$loader" "$@" || status=$?
left=$(left_running)
if [[ -n "$left" ]]; then
  for pid in $left; do echo "wine-run: left running by $(basename "$1"), now ended: $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | sed 's/ *$//')" >&2; done
  # shellcheck disable=SC2086  # one pid per word
  kill -KILL $left 2>/dev/null || true
  [[ $status -ne 0 ]] || status=1
fi
exit $status
