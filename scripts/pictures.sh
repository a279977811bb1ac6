#!/usr/bin/env bash
# Makes the README's two pictures anew from a build (make build first):
#   pictures.sh [BUILD_DIR]   BUILD_DIR defaults to build/x86_64
# They are the pictures of `make run` without a display (scripts/run.sh: a private Xvfb and
# PulseAudio, a Wine desktop that draws the windows' frames), whatever display this shell has:
# screenshot.png (the meter) and screenshot-info.png (the info dialog over it), at the top of the
# repository.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/x86_64}
env -u DISPLAY -u WAYLAND_DISPLAY "$top/scripts/run.sh" "$build"
cp "$build/run/quorvel.png" "$top/screenshot.png"
cp "$build/run/quorvel-info.png" "$top/screenshot-info.png"
echo "pictures: $top/screenshot.png and $top/screenshot-info.png"
