#!/usr/bin/env bash
# Installs what building and testing need and is missing; does nothing when all is there.
# Debian/Ubuntu only. Only 64-bit Wine is installed: tests run the x86_64 build.
set -euo pipefail

packages=(
  make cmake
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64
  xvfb x11-utils
  pulseaudio pulseaudio-utils sox
  imagemagick
  googletest
  zip unzip
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "bootstrap: all packages present"
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "bootstrap: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi

echo "bootstrap: installing ${missing[*]}"
echo "bootstrap: apt-get update"
"${sudo[@]}" apt-get update -q
echo "bootstrap: apt-get install"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "bootstrap: done"
