#!/usr/bin/env bash
# The release as a user gets it: pack both zips, check what is inside, unpack each into a folder
# whose name holds characters outside the system's code page (as a profile folder named after its
# user does) and start its program from there (inside the test session) under the loader of its
# own architecture, with this build's meter probe watching: its version line, and the address
# its link opens, carry the version. Where 32-bit programs cannot run, the 32-bit zip is checked
# but its program not started, and the output says so. (dist_again.sh packs the same commit once
# more from elsewhere.)
#   dist_zip.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build=$2
# shellcheck source=scripts/wine-loader.sh
. "$source_dir/scripts/wine-loader.sh"
# shellcheck source=scripts/session-slot.sh
. "$source_dir/scripts/session-slot.sh"
run="$source_dir/scripts/wine-run.sh"
probe=$build/tests/meter_probe.exe
skip_unless_runs "$probe"
top_build=$(cd "$build/.." && pwd)
work=$build/disttest
rm -rf "$work"
mkdir -p "$work"
# Packed as make dist packs it, with the time stamps of the commit.
unset SOURCE_DATE_EPOCH
"$source_dir/scripts/dist.sh" "$top_build" "$work/zips"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
web_host=$(sed -n 's/^QUORVEL_WEB_HOST:STRING=//p' "$build/CMakeCache.txt")
unpacked=$work/Загрузки_下载_Größe
# The checkout may be another user's, as in a root run of make test-trixie.
git_source() { git -c safe.directory="$source_dir" -C "$source_dir" "$@"; }
commit_time=$(git_source log -1 --format=%ct)
# A zip's times are DOS times, which hold even seconds; zip rounds up.
zip_time=$(date -u -d "@$((commit_time + commit_time % 2))" +%Y%m%d.%H%M%S)

fail() { echo "FAIL: $*"; exit 1; }

start_unpacked() {  # EXE
  "$run" "$build" "$1" &
  program=$!
  "$run" "$build" "$probe" wait 30 || fail "the unpacked program shows no window"
  sleep 1
  readouts=$("$run" "$build" "$probe" readouts | tr -d '\r')
  echo "$readouts"
  grep -qx "Version $version" <<<"$readouts" || fail "the version resource did not travel with the program"
  grep -qx "44.1kHz stereo 16bit" <<<"$readouts" || fail "no capture format shown"
  # The link opens the download address, through the stand-in browser of the session.
  local log=$QUORVEL_TESTENV/ui/browser.log address
  address="http://$web_host/software/download/index.php?Software=Quorvel&CurrentVersion=$version"
  mkdir -p "${log%/*}"
  rm -f "$log"
  "$run" "$build" "$probe" link || fail "the link cannot be clicked"
  for _ in $(seq 100); do [[ -s "$log" ]] && break; sleep 0.1; done
  [[ "$(cat "$log" 2>/dev/null)" == "$address" ]] || fail "the link opened '$(cat "$log" 2>/dev/null)', not $address"
  echo "link: $address"
  "$run" "$build" "$probe" close
  "$run" "$build" "$probe" gone 10 || fail "the window did not close"
  wait $program || true
  program=
}

# The session's browser is the stand-in that records what it is asked to open, until the end.
browsers='HKCU\Software\Wine\WineBrowser'
program=
cleanup() {
  # A program a failed check left running is closed: it would hold the output of the run.
  if [[ -n "$program" ]]; then
    "$run" "$build" "$probe" close >/dev/null 2>&1 || true
    "$run" "$build" "$probe" gone 10 >/dev/null 2>&1 || kill "$program" 2>/dev/null || true
  fi
  "$run" "$build" reg delete "$browsers" /v Browsers /f >/dev/null 2>&1 || true
}
trap cleanup EXIT
"$run" "$build" reg add "$browsers" /v Browsers /d "$source_dir/tests/ui/record_browser.sh" /f >/dev/null

# pe_number FILE OFFSET BYTES: the unsigned number at OFFSET after the PE signature.
pe_number() {
  local header
  header=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -t "u$3" -j $((header + $2)) -N "$3" "$1" | tr -d ' '
}

(cd "$work/zips" && sha256sum -c SHA256SUMS) || fail "SHA256SUMS does not verify"
expected_listing=$(printf "Quorvel-$version/%s\n" LICENSE Quorvel.exe README.txt)
for zip_arch in win64:x86_64 win32:i386; do
  suffix=${zip_arch%%:*} arch=${zip_arch#*:}
  zip=$work/zips/Quorvel-$version-$suffix.zip
  [[ -f "$zip" ]] || fail "missing $zip"
  listing=$(unzip -Z1 "$zip" | LC_ALL=C sort)
  [[ "$listing" == "$expected_listing" ]] || fail "$zip holds: $(tr '\n' ' ' <<<"$listing")"
  times=$(unzip -Z -T "$zip" | awk '/^-/ { print $7 }' | sort -u)
  [[ "$times" == "$zip_time" ]] || fail "$suffix: entries dated $(tr '\n' ' ' <<<"$times")not at the commit ($zip_time)"
  grep -qx "[0-9a-f]\{64\}  Quorvel-$version-$suffix.zip" "$work/zips/SHA256SUMS" || fail "SHA256SUMS lacks $suffix"
  mkdir -p "$unpacked"
  unzip -q "$zip" -d "$unpacked/$suffix"
  folder=$unpacked/$suffix/Quorvel-$version
  exe=$folder/Quorvel.exe
  [[ "$(pe_arch "$exe")" == "$arch" ]] || fail "$suffix: not an $arch Windows program: '$(pe_arch "$exe")'"
  [[ "$(pe_number "$exe" 92 2)" == 2 ]] || fail "$suffix: not a GUI program (subsystem $(pe_number "$exe" 92 2))"
  [[ "$(pe_number "$exe" 8 4)" == "$commit_time" ]] ||
    fail "$suffix: PE time stamp $(pe_number "$exe" 8 4), not the commit's $commit_time"
  ! LC_ALL=C grep -qaF -e "$source_dir/" -e "$top_build/" "$exe" || fail "$suffix: the program names the folders it was built in"
  grep -q "dpiAware" "$exe" || fail "$suffix: no manifest in the packed program"

  readme=$folder/README.txt
  [[ "$(head -c 3 "$readme" | od -An -t x1 | tr -d ' ')" == efbbbf ]] || fail "$suffix: README.txt has no UTF-8 byte order mark"
  [[ "$(grep -cv $'\r$' "$readme")" == 0 && "$(tail -c 2 "$readme" | od -An -t x1 | tr -d ' ')" == 0d0a ]] ||
    fail "$suffix: README.txt has line ends other than CRLF"
  grep -q "Quorvel $version" "$readme" || fail "$suffix: README.txt does not name version $version"
  # The boxes it quotes are the program's own texts, letter for letter (the program holds them in
  # UTF-8, as README.txt is written).
  quoted=0
  while IFS= read -r text; do
    LC_ALL=C grep -qaF "$text" "$exe" ||
      fail "$suffix: README.txt quotes a box the program does not show: \"$text\""
    quoted=$((quoted + 1))
  done < <(sed -n 's/^  "\(.*\)"\r$/\1/p' "$readme")
  [[ $quoted -gt 0 ]] || fail "$suffix: README.txt quotes no box"

  if [[ "$(pe_arch "$exe")" == i386 ]] && ! reason=$("$source_dir/scripts/runs-32bit.sh"); then
    echo "$suffix: not started: $reason"
    continue
  fi
  echo "$suffix: started under $(wine_loader "$exe")"
  start_unpacked "$exe"
done

echo ok
