#!/usr/bin/env bash
# Packs the two Windows builds for download:  dist.sh BUILD_DIR OUT_DIR
# OUT_DIR/Quorvel-<version>-win32.zip and -win64.zip, each with Quorvel.exe (stripped of debug
# information; version resource, icon and manifest stay), README.md and LICENSE.
set -euo pipefail
build=$(cd "${1:?usage: dist.sh BUILD_DIR OUT_DIR}" && pwd)
out=${2:?usage: dist.sh BUILD_DIR OUT_DIR}
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/x86_64/CMakeCache.txt")
[[ -n "$version" ]] || { echo "dist: no version in $build/x86_64/CMakeCache.txt (build first)" >&2; exit 1; }

pack() {  # pack BUILD_SUBDIR TRIPLE SUFFIX
  local exe=$build/$1/app/Quorvel.exe
  [[ -f "$exe" ]] || { echo "dist: $exe missing (build first)" >&2; exit 1; }
  local staging
  staging=$(mktemp -d)
  local folder=$staging/Quorvel-$version
  mkdir -p "$folder"
  "$2-strip" -o "$folder/Quorvel.exe" "$exe"
  cp "$top/README.md" "$top/LICENSE" "$folder/"
  local zipfile=$out/Quorvel-$version-$3.zip
  rm -f "$zipfile"
  (cd "$staging" && zip -q -r -X "$zipfile" "Quorvel-$version")
  rm -rf "$staging"
  echo "dist: $zipfile"
}

pack i686 i686-w64-mingw32 win32
pack x86_64 x86_64-w64-mingw32 win64
