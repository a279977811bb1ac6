#!/usr/bin/env bash
# The release as a user gets it: pack both zips, check what is inside, unpack each and start its
# program from there (inside the test session) under the loader of its own architecture, with
# this build's meter probe watching. Where 32-bit programs cannot run, the 32-bit zip is checked
# but its program not started, and the output says so.
#   dist_zip.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build=$2
# shellcheck source=scripts/wine-loader.sh
. "$source_dir/scripts/wine-loader.sh"
run="$source_dir/scripts/wine-run.sh"
probe=$build/tests/meter_probe.exe
skip_unless_runs "$probe"
top_build=$(cd "$build/.." && pwd)
work=$build/disttest
rm -rf "$work"
mkdir -p "$work"
"$source_dir/scripts/dist.sh" "$top_build" "$work/zips"

fail() { echo "FAIL: $*"; exit 1; }

start_unpacked() {  # EXE
  "$run" "$build" "$1" &
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
}

# The Windows subsystem from the PE header: 2 is a GUI program, 3 a console one.
pe_subsystem() {
  local header
  header=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -t u2 -j $((header + 92)) -N 2 "$1" | tr -d ' '
}

for zip_arch in win64:x86_64 win32:i386; do
  suffix=${zip_arch%%:*} arch=${zip_arch#*:}
  zip=$(echo "$work"/zips/Quorvel-*-"$suffix".zip)
  [[ -f "$zip" ]] || fail "missing $zip"
  listing=$(unzip -Z1 "$zip")
  for name in Quorvel.exe README.md LICENSE; do
    grep -q "/$name\$" <<<"$listing" || fail "$zip lacks $name"
  done
  unzip -q "$zip" -d "$work/$suffix"
  exe=$(echo "$work/$suffix"/Quorvel-*/Quorvel.exe)
  [[ "$(pe_arch "$exe")" == "$arch" ]] || fail "$suffix: not an $arch Windows program: '$(pe_arch "$exe")'"
  [[ "$(pe_subsystem "$exe")" == 2 ]] || fail "$suffix: not a GUI program (subsystem $(pe_subsystem "$exe"))"
  grep -q "dpiAware" "$exe" || fail "$suffix: no manifest in the packed program"
  if [[ "$(pe_arch "$exe")" == i386 ]] && ! reason=$("$source_dir/scripts/runs-32bit.sh"); then
    echo "$suffix: not started: $reason"
    continue
  fi
  echo "$suffix: started under $(wine_loader "$exe")"
  start_unpacked "$exe"
done
echo "ok"
