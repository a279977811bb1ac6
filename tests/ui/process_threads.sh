#!/bin/sh
# Prints the number of threads of the Quorvel.exe of this Wine prefix (other prefixes may run
# their own): one line "PID THREADS" per live process, then "done". Wine runs every Windows
# thread as a Linux thread of the process, so /proc counts them all, Wine's own ones included.
#   process_threads.sh RESULT
result=${1:?usage: process_threads.sh RESULT}
{
  for pid in $(pgrep -f 'Quorvel\.exe'); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    status=$(cat "/proc/$pid/status" 2>/dev/null) || continue
    state=$(printf '%s\n' "$status" | sed -n 's/^State:[[:space:]]*\([A-Za-z]\).*/\1/p')
    case "$state" in Z | X | x) continue ;; esac
    echo "$pid $(printf '%s\n' "$status" | sed -n 's/^Threads:[[:space:]]*//p')"
  done
  echo done
} >"$result.tmp" 2>&1
mv "$result.tmp" "$result"
