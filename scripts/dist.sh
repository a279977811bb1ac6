#!/usr/bin/env bash
# Packs the two Windows builds for download:  dist.sh BUILD_DIR OUT_DIR
# OUT_DIR/Quorvel-<version>-win32.zip and -win64.zip, each with Quorvel.exe (stripped of debug
# information; version resource, icon and manifest stay), README.txt and LICENSE, and
# OUT_DIR/SHA256SUMS of both. The same commit packs to the same bytes whenever and wherever it is
# packed: every time stamp is the commit's (SOURCE_DATE_EPOCH, where it is set, stands for it).
set -euo pipefail
usage="usage: dist.sh BUILD_DIR OUT_DIR"
build=$(cd "${1:?$usage}" && pwd)
out=${2:?$usage}
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/x86_64/CMakeCache.txt")
[[ -n "$version" ]] || { echo "dist: no version in $build/x86_64/CMakeCache.txt (build first)" >&2; exit 1; }
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
  # The checkout may be another user's, as in a root run of make test-trixie.
  SOURCE_DATE_EPOCH=$(git -c safe.directory="$top" -C "$top" log -1 --format=%ct) ||
    { echo "dist: $top is no git checkout; set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
# strip writes it into the PE header (else it writes the time of stripping).
export SOURCE_DATE_EPOCH
# A zip holds local times: in UTC they are the commit's wherever one packs.
export TZ=UTC0

pack() {  # pack BUILD_SUBDIR TRIPLE SUFFIX
  local exe=$build/$1/app/Quorvel.exe
  [[ -f "$exe" ]] || { echo "dist: $exe missing (build first)" >&2; exit 1; }
  local staging
  staging=$(mktemp -d)
  local folder=Quorvel-$version
  mkdir -p "$staging/$folder"
  "$2-strip" -o "$staging/$folder/Quorvel.exe" "$exe"
  # For Notepad: CRLF line ends, and a byte order mark so that it reads the German texts as UTF-8.
  { printf '\xEF\xBB\xBF'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$top/res/README.txt"; } \
    >"$staging/$folder/README.txt"
  cp "$top/LICENSE" "$staging/$folder/"
  local names=("$folder/Quorvel.exe" "$folder/README.txt" "$folder/LICENSE")
  (cd "$staging" && chmod 644 "${names[@]}" && touch -d "@$SOURCE_DATE_EPOCH" "${names[@]}")
  local zipfile=$out/Quorvel-$version-$3.zip
  rm -f "$zipfile"
  # The files named one by one keep their order; -X leaves out owners and the extra time fields.
  (cd "$staging" && zip -q -X "$zipfile" "${names[@]}")
  rm -rf "$staging"
  echo "dist: $zipfile"
}

pack i686 i686-w64-mingw32 win32
pack x86_64 x86_64-w64-mingw32 win64
(cd "$out" && sha256sum "Quorvel-$version-win32.zip" "Quorvel-$version-win64.zip" >SHA256SUMS)
echo "dist: $out/SHA256SUMS"
cat "$out/SHA256SUMS"
