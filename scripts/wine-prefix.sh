#!/usr/bin/env bash
# Creates Wine prefixes of a build once, set up for unattended runs: a crash prints a backtrace
# instead of opening a dialog that would wait for a user.
#   wine-prefix.sh BUILD_DIR [NAME...]   BUILD_DIR/wine/NAME; by default plain and session
#                                        (see wine-run.sh)
# A prefix named dpiN starts its Windows desktop at N dots per inch (96 is 100 %): the setting is
# made before the prefix's first session, as a user's is, since Wine takes it when a session starts.
# Where 32-bit programs run, a prefix has a 32-bit side; one made before 32-bit Wine was
# installed has none and is made again. The prefixes of a 32-bit build on a machine that cannot
# run 32-bit programs are not made (the reason is printed, the exit code is the skip code).
set -euo pipefail
build=${1:?usage: wine-prefix.sh BUILD_DIR [NAME...]}
shift
names=("$@")
[[ ${#names[@]} -gt 0 ]] || names=(plain session)
# shellcheck source=scripts/wine-loader.sh
. "$(dirname "$0")/wine-loader.sh"
skip_unless_runs "$build/app/Quorvel.exe"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
unset DISPLAY WAYLAND_DISPLAY
want_32bit_side=false
"$quorvel_scripts/runs-32bit.sh" >/dev/null && want_32bit_side=true

has_32bit_side() { [[ -f "$1/drive_c/windows/syswow64/kernel32.dll" ]]; }

init_prefix() {
  export WINEPREFIX=$1
  if [[ -f "$WINEPREFIX/.quorvel-ready" ]]; then
    if ! $want_32bit_side || has_32bit_side "$WINEPREFIX"; then return 0; fi
    echo "wine-prefix: $WINEPREFIX has no 32-bit side; making it again"
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  echo "wine-prefix: creating $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  run_wine wineboot -i >/dev/null 2>&1
  run_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  if [[ "${WINEPREFIX##*/}" =~ ^dpi([0-9]+)$ ]]; then
    run_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${BASH_REMATCH[1]}" /f >/dev/null 2>&1
  fi
  wineserver -w
  if $want_32bit_side && ! has_32bit_side "$WINEPREFIX"; then
    echo "wine-prefix: $WINEPREFIX got no 32-bit side: is wine32 installed? (scripts/bootstrap.sh)" >&2
    return 1
  fi
  touch "$WINEPREFIX/.quorvel-ready"
}

jobs=()
for name in "${names[@]}"; do
  init_prefix "$build/wine/$name" &
  jobs+=($!)
done
status=0
for job in "${jobs[@]}"; do wait "$job" || status=1; done
exit $status
