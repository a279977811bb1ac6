#!/usr/bin/env bash
# Runs the test suites of the given builds, one after the other: each has its own display and
# sound servers, never used at once. Used by make test.
#   test-suites.sh BUILD_DIR BUILD...     (BUILD: x86_64, i686)
# Where the kernel runs 32-bit programs but 32-bit Wine could not be installed here (a mirror
# whose i386 packages do not match their amd64 twins), the i686 suite runs in a root of this
# machine's own Debian release instead (scripts/root.sh), so that it is still tested.
set -uo pipefail
usage="usage: test-suites.sh BUILD_DIR BUILD..."
top=${1:?$usage}
shift
[[ $# -gt 0 ]] || { echo "$usage" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)

# The release of this machine when a root of it can be made here, else nothing.
own_release() {
  [[ -z "${QUORVEL_ROOT:-}" && -r /etc/os-release ]] || return 0
  (. /etc/os-release && [[ "${ID:-}" == debian && -n "${VERSION_CODENAME:-}" ]] && echo "$VERSION_CODENAME")
}

status=0
for build in "$@"; do
  start=$SECONDS
  echo "make test: $top/$build"
  if [[ "$build" == i686 ]] && ! "$here/runs-32bit.sh" >/dev/null && "$here/runs-32bit.sh" --kernel >/dev/null &&
    release=$(own_release) && [[ -n "$release" ]]; then
    echo "make test: 32-bit Wine is missing here; the i686 suite runs in a Debian $release root"
    "$here/root.sh" test "$release" i686 || status=1
  else
    (cd "$top/$build" && ctest --output-on-failure --label-exclude stress) || status=1
  fi
  echo "make test: $top/$build took $((SECONDS - start)) s"
done
if [[ " $* " == *" i686 "* ]] && ! why_not=$("$here/runs-32bit.sh"); then
  "$here/runs-32bit.sh" --kernel >/dev/null && [[ -n "$(own_release)" ]] ||
    echo "make test: the i686 tests were skipped: $why_not"
fi
exit $status
