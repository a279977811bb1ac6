#!/usr/bin/env bash
# Starts the meter under Wine:  run.sh BUILD_DIR
# - With a display, the window appears there until you close it; without one, the meter runs on a
#   private Xvfb for a few seconds, a screenshot goes to BUILD_DIR/run/quorvel.png, the readouts
#   are printed and the window is closed.
# - With a reachable sound server, the meter measures its default capture device; without one,
#   a private PulseAudio plays a demo signal into the default capture device.
set -euo pipefail
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
exe=$build/app/Quorvel.exe
probe=$build/tests/meter_probe.exe
session=$build/run/session
# shellcheck source=scripts/wine-loader.sh
. "$here/wine-loader.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"

have_display=false
[[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1 && have_display=true
have_sound=false
pactl info >/dev/null 2>&1 && have_sound=true

if $have_display && $have_sound; then
  echo "run: on your display, measuring your default capture device; close the window to end."
  export WINEPREFIX=$build/wine/desktop
  exec "$(wine_loader "$exe")" "$exe"
fi

"$here/wine-prefix.sh" "$build" >/dev/null
export WINEPREFIX=$build/wine/session
cleanup() {
  [[ -n "${player:-}" ]] && kill "$player" 2>/dev/null
  "$here/testenv.sh" stop "$session" >/dev/null 2>&1 || true
}
trap cleanup EXIT
if $have_display; then
  keep_display=$DISPLAY
  "$here/testenv.sh" start "$session" --no-display >/dev/null
else
  "$here/testenv.sh" start "$session" >/dev/null
fi
# shellcheck disable=SC1091
. "$session/env.sh"
[[ -n "${keep_display:-}" ]] && export DISPLAY=$keep_display
"$here/demo-signal.sh" 600 | pacat --raw --rate=44100 --channels=2 --format=s16le --device="$QUORVEL_SINK" &
player=$!
echo "run: no sound server here; a private one plays a demo signal into the default capture device."

if $have_display; then
  echo "run: on your display; close the window to end."
  run_wine "$exe"
  exit 0
fi

echo "run: no display here; the meter runs on a private one for 5 seconds."
mkdir -p "$build/run"
run_wine "$exe" &
meter=$!
run_wine "$probe" wait 30 || { echo "run: the meter window did not appear" >&2; exit 1; }
sleep 5
read -r x y width height < <(run_wine "$probe" rect | tr -d '\r')
import -window root -crop "${width}x${height}+${x}+${y}" +repage "$build/run/quorvel.png"
echo "run: screenshot in $build/run/quorvel.png"
run_wine "$probe" readouts | tr -d '\r' | sed 's/^/run:   /'
run_wine "$probe" close
run_wine "$probe" gone 10 || echo "run: the window did not close" >&2
wait "$meter" || true
