#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, only when missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libglx-mesa0
  libgtest-dev libx11-dev libxtst-dev
  g++-mingw-w64-x86-64-posix wine wine64
  xvfb xauth x11-utils xfonts-base xdotool imagemagick faketime
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
