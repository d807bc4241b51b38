#!/usr/bin/env bash
# Installs the Debian packages of one group, only those missing: `run` is what building and
# running the Linux program needs; `all` (the default) adds the tests, the fuzzers, the Windows
# cross-build and the packaging tools; `fuzz` is `run` and the fuzzers' clang with its libFuzzer
# and sanitizer runtimes; `bench` adds to `all` what `make bench` alone needs: the profiler and
# the two clocks the program is compared with.
set -euo pipefail

group=${1:-all}
run=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0 libx11-dev libxft-dev libpng-dev
)
rest=(
  clang-format libegl-dev libegl-mesa0 libgtest-dev libxtst-dev
  g++-mingw-w64-x86-64-posix wine wine64
  xvfb xauth x11-utils x11-xkb-utils x11-xserver-utils xfonts-base xdotool imagemagick faketime
  lintian desktop-file-utils appstream libxml2-utils nsis
  tzdata locales
)
# Debian's default clang (14 in Debian 12, 19 in 13); its runtimes, libFuzzer's among them, are
# only recommended by it.
fuzz=(clang libclang-rt-dev)
# The tests run once more elsewhere: in these locales (and time zones, from tzdata).
test_locales=(de_DE fr_FR)
bench=(linux-perf xscreensaver-gl xdaliclock)
case "$group" in
  run) packages=("${run[@]}") ;;
  fuzz) packages=("${run[@]}" "${fuzz[@]}") ;;
  all) packages=("${run[@]}" "${rest[@]}" "${fuzz[@]}") ;;
  bench) packages=("${run[@]}" "${rest[@]}" "${fuzz[@]}" "${bench[@]}") ;;
  *) echo "usage: $0 [run|fuzz|all|bench]" >&2; exit 2 ;;
esac

# One query for all of them: a package dpkg has never heard of is simply not listed.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null |
  awk '$2 == "installed" { print $1 }' || true)
missing=()
for p in "${packages[@]}"; do
  grep -qx "$p" <<<"$installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ "$group" != run ]; then
  for l in "${test_locales[@]}"; do
    # locale -a spells them de_DE.utf8.
    if ! locale -a | grep -qx "$l.utf8"; then
      echo "Generating the locale $l.UTF-8"
      $sudo localedef -i "$l" -c -f UTF-8 "$l.UTF-8"
    fi
  done
fi
