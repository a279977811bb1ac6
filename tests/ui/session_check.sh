#!/bin/sh
# Reports what of the test session answers: the X display, the sound server and its capture source.
#   session_check.sh RESULT
result=${1:?usage: session_check.sh RESULT}
{
  xdpyinfo >/dev/null 2>&1 && echo "display ok"
  pactl info >/dev/null 2>&1 && echo "sound server ok"
  pactl list short sources 2>/dev/null | awk '{print $2}' | grep -qx "${QUORVEL_SINK:-quorvel_sink}.monitor" &&
    echo "capture source ok"
  echo "done"
} >"$result.tmp" 2>&1
mv "$result.tmp" "$result"
