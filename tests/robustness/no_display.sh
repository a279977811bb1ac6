#!/usr/bin/env bash
# Without any display the program must end at once with a clear message and a failure code,
# not hang.  no_display.sh WINE_RUN BUILD_DIR PROGRAM
set -u
wine_run=$1 build=$2 program=$3
start=$(date +%s%N)
output=$(timeout 60 "$wine_run" "$build" "$program" 2>&1)
code=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[[ $code -ne 77 ]] || { echo "$output"; exit 77; }  # wine-run.sh: a 32-bit program that cannot run here
echo "exit code $code after ${elapsed_ms} ms; said: $output"
[[ $code -ne 124 ]] || { echo "FAIL: still running after 60 s"; exit 1; }
[[ $code -eq 1 ]] || { echo "FAIL: exit code $code, expected 1"; exit 1; }
grep -q "no display is available" <<<"$output" || { echo "FAIL: no clear message"; exit 1; }
echo "ok"
