#!/bin/sh
# Starts a Windows program whose sound server address leads nowhere. Windows processes take
# their Unix environment from the process that starts them, not from the environment block given
# to CreateProcess, so the address is changed here, on the Unix side.
#   start_without_sound.sh RESULT PROGRAM
result=${1:?usage: start_without_sound.sh RESULT PROGRAM}
program=${2:?usage: start_without_sound.sh RESULT PROGRAM}
echo started >"$result.tmp"
mv "$result.tmp" "$result"
PULSE_SERVER=unix:/nonexistent/quorvel-no-sound-server exec wine "$program" 2>>"$result.log"
