#!/bin/sh
# Takes a screenshot of the whole X screen as an 8-bit binary PPM.
#   screenshot.sh RESULT
# Started from the Windows test program, which can neither wait for a Unix program nor read its
# exit code: the picture (or "failed: ..." text) appears at RESULT only when complete.
result=${1:?usage: screenshot.sh RESULT}
if import -window root -depth 8 "ppm:$result.tmp" 2>"$result.err"; then
  rm -f "$result.err"
else
  { echo "failed: import"; cat "$result.err"; } >"$result.tmp"
  rm -f "$result.err"
fi
mv "$result.tmp" "$result"
