#!/usr/bin/env bash
# Starts or stops the private sessions of a test run (scripts/testenv.sh), each with Wine kept
# running in its own prefix while it lasts. Used by the setup steps of the suites.
#   test-sessions.sh start|stop SESSIONS_DIR BUILD_DIR NAME:PREFIX...
#       the session SESSIONS_DIR/NAME with the prefix BUILD_DIR/wine/PREFIX; the session named
#       pipewire has PipeWire's PulseAudio server, the others PulseAudio
set -euo pipefail
usage="usage: test-sessions.sh start|stop SESSIONS_DIR BUILD_DIR NAME:PREFIX..."
command=${1:?$usage} sessions=${2:?$usage} build=${3:?$usage}
shift 3
[[ "$command" == start || "$command" == stop ]] || { echo "$usage" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
# All at once: each start waits some seconds for Wine.
jobs=()
for session in "$@"; do
  name=${session%%:*} prefix=$build/wine/${session#*:}
  if [[ "$command" == start ]]; then
    server=()
    [[ "$name" != pipewire ]] || server=(--pipewire)
    "$here/testenv.sh" start "$sessions/$name" "${server[@]}" --wine "$prefix" &
  else
    "$here/testenv.sh" stop "$sessions/$name" "$prefix" &
  fi
  jobs+=($!)
done
status=0
for job in "${jobs[@]}"; do wait "$job" || status=1; done
exit $status
