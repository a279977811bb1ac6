#!/usr/bin/env bash
# Installs what building and testing need and is missing; does nothing when all is there.
# Debian/Ubuntu only. Where the kernel runs 32-bit x86 programs (scripts/runs-32bit.sh), the
# i386 architecture is enabled and 32-bit Wine installed, so that the i686 build is tested too.
# Ends with one line that says which builds' tests will run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  make cmake binutils
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64
  xvfb x11-utils
  pulseaudio pulseaudio-utils sox
  imagemagick
  # Liberation Sans: the font that Wine's own package recommends and most users' Wine draws the
  # dialogs in. DejaVu Sans: the one without it. The link test draws in both.
  fonts-liberation fonts-dejavu-core
  googletest
  zip unzip file
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
install() {  # install PACKAGE...: apt-get update, then install them
  echo "bootstrap: installing $*"
  echo "bootstrap: apt-get update"
  as_root apt-get update -q
  echo "bootstrap: apt-get install"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"
}

# The probe assembles and links its test programs with binutils.
command -v as >/dev/null && command -v ld >/dev/null || install binutils

missing=()
if why_not=$("$here/runs-32bit.sh"); then
  runs_32bit=true
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "bootstrap: dpkg --add-architecture i386"
    as_root dpkg --add-architecture i386  # its package lists come with the update below
  fi
  installed wine32:i386 || missing+=(wine32:i386)
else
  runs_32bit=false
fi
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "bootstrap: all packages present"
else
  install "${missing[@]}"
  echo "bootstrap: done"
fi

if $runs_32bit; then
  echo "bootstrap: tests will run for both builds, x86_64 and i686 (this kernel runs 32-bit x86 programs)"
else
  echo "bootstrap: tests will run for the x86_64 build only; the i686 tests will be skipped ($why_not)"
fi
