#!/usr/bin/env bash
# Creates Wine prefixes of a build once, set up for unattended runs: a crash prints a backtrace
# instead of opening a dialog that would wait for a user.
#   wine-prefix.sh BUILD_DIR [NAME...]   BUILD_DIR/wine/NAME; by default plain and session-1 (see
#                                        wine-run.sh)
#   wine-prefix.sh --keep BUILD_DIR NAME...   keeps Wine running in these prefixes, for programs
#                                        without a display (see keep_wine_running in wine-loader.sh;
#                                        a session's prefix is kept inside it: testenv.sh --wine)
#   wine-prefix.sh --end BUILD_DIR NAME...    ends Wine in these prefixes
# The first prefix is made by wineboot, the others as copies of it, in a second: Wine's own
# libraries, most of a prefix's 700 MB, are hard links (nothing writes them), everything else is
# copied. A prefix named dpiN starts its Windows desktop at N dots per inch (96 is 100 %): the
# setting is made before the prefix's first session, as a user's is, since Wine takes it when a
# session starts.
# Where 32-bit programs run, a prefix has a 32-bit side; one made before 32-bit Wine was
# installed has none and is made again. The prefixes of a 32-bit build on a machine that cannot
# run 32-bit programs are not made (the reason is printed, the exit code is the skip code).
set -euo pipefail
usage="usage: wine-prefix.sh BUILD_DIR [NAME...] | --keep BUILD_DIR NAME... | --end BUILD_DIR NAME..."
# shellcheck source=scripts/wine-loader.sh
. "$(dirname "$0")/wine-loader.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
unset DISPLAY WAYLAND_DISPLAY
if [[ "${1:-}" == --keep || "${1:-}" == --end ]]; then
  build=${2:?$usage}
  for name in "${@:3}"; do
    export WINEPREFIX=$build/wine/$name
    [[ -d "$WINEPREFIX" ]] || continue
    if [[ "$1" == --keep ]]; then
      keep_wine_running
    else
      wineserver -k 2>/dev/null || true
    fi
  done
  exit 0
fi
build=${1:?$usage}
shift
names=("$@")
[[ ${#names[@]} -gt 0 ]] || names=(plain session-1)
skip_unless_runs "$build/app/Quorvel.exe"
want_32bit_side=false
"$quorvel_scripts/runs-32bit.sh" >/dev/null && want_32bit_side=true

has_32bit_side() { [[ -f "$1/drive_c/windows/syswow64/kernel32.dll" ]]; }
ready() { [[ -f "$1/.quorvel-ready" ]] && { ! $want_32bit_side || has_32bit_side "$1"; }; }

# The settings of a prefix of that name, made before its first session.
settle() {
  local prefix=$1
  if [[ "${prefix##*/}" =~ ^dpi([0-9]+)$ ]]; then
    WINEPREFIX=$prefix run_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
      /d "${BASH_REMATCH[1]}" /f >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
  fi
  touch "$prefix/.quorvel-ready"
}

make_prefix() {
  export WINEPREFIX=$1
  if [[ -d "$WINEPREFIX" ]]; then
    echo "wine-prefix: $WINEPREFIX is not complete or has no 32-bit side; making it again"
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  echo "wine-prefix: creating $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  run_wine wineboot -i >/dev/null 2>&1
  run_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  if $want_32bit_side && ! has_32bit_side "$WINEPREFIX"; then
    echo "wine-prefix: $WINEPREFIX got no 32-bit side: is wine32 installed? (scripts/bootstrap.sh)" >&2
    return 1
  fi
  rm -f "$WINEPREFIX/.quorvel-ready"
}

copy_prefix() {  # copy_prefix FROM TO
  local from=$1 to=$2 file
  [[ -d "$to" ]] && { WINEPREFIX=$to wineserver -k 2>/dev/null || true; rm -rf "$to"; }
  echo "wine-prefix: creating $to (a copy of ${from##*/})"
  cp -al "$from" "$to"
  rm -f "$to/.quorvel-ready"
  # Only Wine's libraries stay shared: the registry, above all, is written in place.
  while IFS= read -r -d '' file; do
    cp -p "$from/${file#"$to"/}" "$file.copy" && mv -f "$file.copy" "$file"
  done < <(find "$to" -type f ! -path "$to/drive_c/windows/system32/*" ! -path "$to/drive_c/windows/syswow64/*" -print0)
}

first=$build/wine/${names[0]}
ready "$first" || { make_prefix "$first" && settle "$first"; }
jobs=()
for name in "${names[@]:1}"; do
  prefix=$build/wine/$name
  ready "$prefix" && continue
  { copy_prefix "$first" "$prefix" && settle "$prefix"; } &
  jobs+=($!)
done
status=0
for job in "${jobs[@]}"; do wait "$job" || status=1; done
exit $status
