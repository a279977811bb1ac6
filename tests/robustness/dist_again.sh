#!/usr/bin/env bash
# The same commit packs to the same bytes wherever and whenever it is packed: the zips of this
# build, as make dist packs them, against those of a second build of the program, for both
# architectures as make build does, from the sources copied to another folder, packed in another
# time zone and with another umask. Any time, path or file mode that reaches a zip shows here.
# It runs alone in its suite (tests/CMakeLists.txt), and its build at low priority.
#   dist_again.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=${1:?usage: dist_again.sh SOURCE_DIR BUILD_DIR} build=${2:?usage: dist_again.sh SOURCE_DIR BUILD_DIR}
top_build=$(cd "$build/.." && pwd)
work=$build/distagain
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
# The checkout may be another user's, as in a root run of make test-trixie.
git_source() { git -c safe.directory="$source_dir" -C "$source_dir" "$@"; }
commit_time=$(git_source log -1 --format=%ct)

unset SOURCE_DATE_EPOCH
"$source_dir/scripts/dist.sh" "$top_build" "$work/zips" >/dev/null
start=$SECONDS
elsewhere=$work/elsewhere/another-place
mkdir -p "$elsewhere/source"
git_source ls-files -z --cached --others --exclude-standard |
  (cd "$source_dir" && tar --null --ignore-failed-read -T - -cf -) | tar -xf - -C "$elsewhere/source"
for arch in x86_64 i686; do
  nice -n 15 cmake -S "$elsewhere/source" -B "$elsewhere/build/$arch" -DQUORVEL_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$elsewhere/source/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
  nice -n 15 cmake --build "$elsewhere/build/$arch" --target Quorvel -j "$(nproc)" >/dev/null
done
(umask 077 && TZ=QRV-5:45 SOURCE_DATE_EPOCH=$commit_time "$elsewhere/source/scripts/dist.sh" "$elsewhere/build" "$work/again" >/dev/null)
for name in "Quorvel-$version-win32.zip" "Quorvel-$version-win64.zip" SHA256SUMS; do
  cmp "$work/zips/$name" "$work/again/$name" || fail "$name differs when built and packed elsewhere"
done
echo "ok (built and packed again elsewhere in $((SECONDS - start)) s: the same bytes)"
