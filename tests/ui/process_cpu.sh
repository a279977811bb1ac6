#!/bin/sh
# Prints the processor time used so far by the Quorvel.exe of this Wine prefix (other prefixes
# may run their own): one line "PID USER_TICKS SYSTEM_TICKS TICKS_PER_SECOND" per live process,
# then "done". A process that is just ending is passed over.
#   process_cpu.sh RESULT
result=${1:?usage: process_cpu.sh RESULT}
{
  for pid in $(pgrep -f 'Quorvel\.exe'); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    stat=$(cat "/proc/$pid/stat" 2>/dev/null) || continue
    # After the command name in parentheses come the state (field 3), ..., user and system
    # time (fields 14 and 15): the 1st, 12th and 13th words of the rest.
    rest=${stat##*) }
    # shellcheck disable=SC2086
    set -- $rest
    case "$1" in Z | X | x) continue ;; esac
    echo "$pid ${12} ${13} $(getconf CLK_TCK)"
  done
  echo done
} >"$result.tmp" 2>&1
mv "$result.tmp" "$result"
