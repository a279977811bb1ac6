#!/usr/bin/env bash
# Starts the meter under Wine:  run.sh BUILD_DIR
# - With a display, the window appears there until you close it; without one, the meter runs on a
#   private Xvfb for a few seconds, in a Wine desktop window that draws the windows' frames (there
#   is no window manager to draw them), in a Wine prefix of its own (BUILD_DIR/wine/run). Two
#   pictures go to BUILD_DIR/run: quorvel-info.png, the info dialog over the meter, and
#   quorvel.png, the meter, each cropped to the windows with their frames. Then the readouts are
#   printed and the window is closed.
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

# Without a display, a prefix of its own: it gets a font that the tests' prefixes do not have.
prefix=session-1
$have_display || prefix=run
"$here/wine-prefix.sh" "$build" "$prefix" >/dev/null
export WINEPREFIX=$build/wine/$prefix
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
# Wine draws the caption buttons in its Marlett font, one of Wine's own fonts (Debian's
# fonts-wine). That package is not installed: it also brings Wine's Tahoma, which Wine would then
# take for the dialogs in place of the fonts they are tested in. So this prefix alone gets Marlett,
# taken from the package once; without it the buttons show letters.
caption_font() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts work=$build/run/fonts-wine
  [[ -f /usr/share/wine/fonts/marlett.ttf || -f $fonts/marlett.ttf ]] && return 0
  rm -rf "$work"
  mkdir -p "$work" "$fonts"
  if (cd "$work" && apt-get download -q fonts-wine >/dev/null 2>&1) &&
    dpkg-deb -x "$(echo "$work"/fonts-wine_*.deb)" "$work/files" &&
    cp "$work/files/usr/share/wine/fonts/marlett.ttf" "$fonts/"; then
    echo "run: Wine's Marlett font (from the package fonts-wine) is in $fonts"
  else
    echo "run: could not get Wine's Marlett font (apt-get download fonts-wine): the caption buttons show letters" >&2
  fi
  rm -rf "$work"
}
mkdir -p "$build/run"
caption_font
desktop=Quorvel size=1024x768
run_wine explorer "/desktop=$desktop,$size" "$exe" &
meter=$!
probe() { run_wine "$probe" desktop "$desktop" "$@" | tr -d '\r'; }
fail() { echo "run: $*" >&2; exit 1; }
probe wait 30 || fail "the meter window did not appear"
# The desktop is one X window; the windows' coordinates are relative to it.
read -r desktop_x desktop_y < <(xwininfo -root -tree |
  sed -n "s/.*(\"explorer.exe\" \"explorer.exe\") *$size+\([0-9-]*\)+\([0-9-]*\).*/\1 \2/p")
[[ -n "${desktop_y:-}" ]] || fail "no Wine desktop of $size on the display"
picture() {  # FILE, with "LEFT TOP WIDTH HEIGHT" on standard input
  local x y width height
  read -r x y width height
  import -window root -crop "${width}x${height}+$((desktop_x + x))+$((desktop_y + y))" +repage "$1"
  echo "run: picture in $1"
}
sleep 5
# The info dialog first: at its start on Wine's desktop the meter is activated before it becomes
# the foreground window, and Wine draws its caption as inactive until it is activated again, as
# it is when the dialog closes.
both=$(probe info 10) || fail "the info dialog did not open"
sleep 1
picture "$build/run/quorvel-info.png" <<<"$both"
probe close-info 10 || fail "the info dialog did not close"
sleep 1
meter_rect=$(probe rect) || fail "the meter window is gone"
picture "$build/run/quorvel.png" <<<"$meter_rect"
probe readouts | sed 's/^/run:   /'
probe close
probe gone 10 || echo "run: the window did not close" >&2
wait "$meter" || true
