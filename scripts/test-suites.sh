#!/usr/bin/env bash
# Runs the test suites of the given builds, one after the other: each has its own displays and
# sound servers, never used at once; within a suite the tests run side by side, each in a private
# session of its own (tests/CMakeLists.txt). Used by make test.
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

# Tests side by side: as many as the PulseAudio sessions of the build (sessions.json), the other
# two (PipeWire, 144 dpi) and the tests without a session allow, less one: on two cores more
# meters at once now and then held a capture back for seconds.
suite_jobs() { echo $(($(grep -o '"id"' "$1/sessions.json" | wc -l) + 2)); }

# The release in whose root the i686 suite has to run here, or nothing.
root_release=$("$here/root.sh" i686-release)

status=0
for build in "$@"; do
  start=$SECONDS
  echo "make test: $top/$build"
  if [[ "$build" == i686 && -n "$root_release" ]]; then
    echo "make test: 32-bit Wine is missing here; the i686 suite runs in a Debian $root_release root"
    "$here/root.sh" test "$root_release" i686 || status=1
  else
    (cd "$top/$build" && ctest --output-on-failure --label-exclude stress -j "$(suite_jobs .)" \
      --resource-spec-file "$PWD/sessions.json") || status=1
  fi
  echo "make test: $top/$build took $((SECONDS - start)) s"
done
if [[ " $* " == *" i686 "* && -z "$root_release" ]] && ! why_not=$("$here/runs-32bit.sh"); then
  echo "make test: the i686 tests were skipped: $why_not"
fi
exit $status
