#!/usr/bin/env bash
# Installs what building and testing need and is missing; does nothing when all is there.
# Debian/Ubuntu only. Where the kernel runs 32-bit x86 programs (scripts/runs-32bit.sh --kernel),
# the i386 architecture is enabled and 32-bit Wine installed, so that the i686 build is tested too.
# Ends with one line that says which builds' tests will run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  make cmake binutils
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64
  xvfb x11-utils
  # Real key presses and clicks through the X server, which reach the window system's own loops.
  xdotool
  pulseaudio pulseaudio-utils sox
  # The sound server of most Linux desktops, run by the tests beside PulseAudio.
  pipewire pipewire-pulse wireplumber dbus-daemon
  imagemagick
  # Liberation Sans: the font that Wine's own package recommends and most users' Wine draws the
  # dialogs in. DejaVu Sans: the one without it. The link test draws in both.
  fonts-liberation fonts-dejavu-core
  # Chinese and Japanese characters, which Wine draws as boxes without a font that has them.
  fonts-wqy-microhei
  # The locales of other code pages, in which Wine runs programs as on Russian, Japanese and
  # Chinese systems (made below).
  locales
  googletest
  zip unzip
  # Roots of other Debian releases to test in (scripts/root.sh).
  debootstrap
)

installed() { [[ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)" == "install ok installed" ]]; }
as_root() {
  if [[ $(id -u) -eq 0 ]]; then
    "$@"
  else
    command -v sudo >/dev/null || { echo "bootstrap: need root or sudo for: $*" >&2; exit 1; }
    sudo "$@"
  fi
}
# A mirror in the middle of a sync can fail one index (seen: the i386 security index with the
# wrong size); the others are still good, so a failed update is tried again, then only reported,
# and the installs say whether what they need was there. Once per run, unless the lists change.
lists_fresh=false
update() {
  local attempt
  $lists_fresh && return 0
  lists_fresh=true
  for attempt in 1 2 3; do
    echo "bootstrap: apt-get update"
    as_root apt-get update -q && return 0
    [[ $attempt -lt 3 ]] && sleep 10
  done
  echo "bootstrap: apt-get update failed three times; installing from the package lists there are" >&2
}
install() {  # install PACKAGE...
  echo "bootstrap: installing $*"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" || return
  # In a root of the build folder the downloaded archives serve nobody: 0.8 GB of disk back.
  [[ -z "${QUORVEL_ROOT:-}" ]] || apt-get clean
}

# The probe assembles and links its test programs with binutils.
if ! command -v as >/dev/null || ! command -v ld >/dev/null; then
  update
  install binutils
fi

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
want_wine32=false
if "$here/runs-32bit.sh" --kernel >/dev/null; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "bootstrap: dpkg --add-architecture i386"
    as_root dpkg --add-architecture i386
    lists_fresh=false  # its package lists come with the update below
  fi
  installed wine32:i386 || want_wine32=true
fi

if [[ ${#missing[@]} -eq 0 ]] && ! $want_wine32; then
  echo "bootstrap: all packages present"
else
  update
  # What the x86_64 build and every test need: without it nothing can go on.
  [[ ${#missing[@]} -eq 0 ]] || install "${missing[@]}"
  # 32-bit Wine only adds the i686 tests: where it cannot be installed they are skipped, and say why.
  if $want_wine32 && ! install wine32:i386; then
    echo "bootstrap: wine32:i386 could not be installed (see above)" >&2
  fi
  echo "bootstrap: done"
fi

# Wine takes a program's ANSI code page from its locale: 1251, 932 and 936 for these.
for locale in ru_RU ja_JP zh_CN; do
  if ! locale -a 2>/dev/null | grep -qix "$locale.utf-\?8"; then
    echo "bootstrap: localedef $locale.UTF-8"
    as_root localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  fi
done

if why_not=$("$here/runs-32bit.sh"); then
  echo "bootstrap: tests will run for both builds, x86_64 and i686 (this kernel runs 32-bit x86 programs)"
else
  echo "bootstrap: tests will run for the x86_64 build only; the i686 tests will be skipped ($why_not)"
fi
