#!/usr/bin/env bash
# The release as a user gets it: pack both zips, check what is inside, unpack the 64-bit one and
# start the program from there (inside the test session).
#   dist_zip.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build=$2
top_build=$(cd "$build/.." && pwd)
work=$build/disttest
rm -rf "$work"
mkdir -p "$work"
"$source_dir/scripts/dist.sh" "$top_build" "$work/zips"

fail() { echo "FAIL: $*"; exit 1; }
for zip in "$work"/zips/Quorvel-*-win32.zip "$work"/zips/Quorvel-*-win64.zip; do
  [[ -f "$zip" ]] || fail "missing $zip"
  listing=$(unzip -Z1 "$zip")
  for name in Quorvel.exe README.md LICENSE; do
    grep -q "/$name\$" <<<"$listing" || fail "$zip lacks $name"
  done
done

unzip -q "$work"/zips/Quorvel-*-win64.zip -d "$work/unpacked"
exe=$(echo "$work"/unpacked/Quorvel-*/Quorvel.exe)
file "$exe" | grep -q "PE32+ executable (GUI) x86-64" || fail "not a 64-bit GUI program: $(file "$exe")"
unzip -q -o "$work"/zips/Quorvel-*-win32.zip -d "$work/unpacked32"
file "$(echo "$work"/unpacked32/Quorvel-*/Quorvel.exe)" | grep -q "PE32 executable (GUI) Intel 80386" ||
  fail "the 32-bit zip does not hold a 32-bit GUI program"
grep -q "dpiAware" "$exe" || fail "no manifest in the packed program"

run="$source_dir/scripts/wine-run.sh"
probe=$build/tests/meter_probe.exe
"$run" "$build" "$exe" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
"$run" "$build" "$probe" wait 30 || fail "the unpacked program shows no window"
sleep 1
readouts=$("$run" "$build" "$probe" readouts | tr -d '\r')
echo "$readouts"
grep -qx "Version 0.5.0.0" <<<"$readouts" || fail "the version resource did not travel with the program"
grep -qx "44.1kHz stereo 16bit" <<<"$readouts" || fail "no capture format shown"
"$run" "$build" "$probe" close
"$run" "$build" "$probe" gone 10 || fail "the window did not close"
wait $program || true
trap - EXIT
echo "ok"
