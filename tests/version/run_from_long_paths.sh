#!/usr/bin/env bash
# Starts the path limit tests from copies of PROGRAM whose full Windows paths are 259 and 260
# characters long, with a copy of DECOY (another program, with another version resource) at the
# 260-character path cut to 259 characters.
#   run_from_long_paths.sh SOURCE_DIR BUILD_DIR PROGRAM DECOY WORK_DIR
set -euo pipefail
source_dir=${1:?} build=${2:?} program=${3:?} decoy=${4:?} work=${5:?}
# shellcheck source=scripts/wine-loader.sh
. "$source_dir/scripts/wine-loader.sh"
skip_unless_runs "$program"

rm -rf "$work"
mkdir -p "$work"
# The Windows name of the work folder, as the program will see its own path.
windows_work=$("$source_dir/scripts/wine-run.sh" "$build" winepath -w "$work" 2>/dev/null | tr -d '\r')
[[ "$windows_work" == ?:\\* ]] || { echo "no Windows path for $work: '$windows_work'" >&2; exit 1; }

# Nests folders of 60 characters until a file name of the remaining length completes the path.
place_copy() {
  local length=$1 unix=$work/$1 windows=$windows_work\\$1
  mkdir -p "$unix"
  while (( length - ${#windows} - 1 > 100 )); do
    local folder
    folder=$(printf 'f%.0s' {1..60})
    unix=$unix/$folder windows=$windows\\$folder
    mkdir -p "$unix"
  done
  local name_length=$(( length - ${#windows} - 1 ))
  (( name_length >= 5 )) || { echo "work folder too deep for a $length character path" >&2; exit 1; }
  local name
  name=$(printf 'v%.0s' $(seq 1 $(( name_length - 4 )))).exe
  cp "$program" "$unix/$name"
  echo "$unix/$name"
}

fits=$(place_copy 259)
fills=$(place_copy 260)
cp "$decoy" "${fills%?}"  # the same path without its last character: "...vvv.ex"

status=0
"$source_dir/scripts/wine-run.sh" "$build" "$fits" --gtest_filter=VersionInfoPathLimit.LongestPathThatFitsIsRead || status=1
"$source_dir/scripts/wine-run.sh" "$build" "$fills" --gtest_filter=VersionInfoPathLimit.PathFillingTheBufferIsNotRead || status=1
exit $status
