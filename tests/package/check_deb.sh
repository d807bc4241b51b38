#!/bin/sh
# What the Debian package holds, as dpkg-deb lists it: the program, its menu entry, icons,
# metadata, manual page and documents; the xscreensaver hack with its config file and manual
# page; the run-time dependencies it declares; and programs that are not the GL-checking variant.
# Usage: check_deb.sh package.deb app-id
set -u
deb=$1 id=$2
listing=$(dpkg-deb -c "$deb") || exit 1
status=0
paths="usr/bin/waggler usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml
  usr/share/man/man1/waggler.1.gz usr/share/doc/waggler/copyright usr/share/doc/waggler/changelog.gz
  usr/libexec/xscreensaver/wagglersaver usr/share/xscreensaver/config/wagglersaver.xml
  usr/share/man/man6/wagglersaver.6.gz"
for size in 16 24 32 48 64 128 256 512; do
  paths="$paths usr/share/icons/hicolor/${size}x$size/apps/waggler.png"
done
for path in $paths; do
  echo "$listing" | grep -q " \./$path\$" || { echo "not in the package: /$path"; status=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libsdl2-2.0-0 libfreetype6 libfontconfig1 fonts-dejavu-core libgl1 libglx-mesa0 \
    libgl1-mesa-dri libglu1-mesa; do
  echo ", $depends," | grep -Eq ", $package[ ,]" || { echo "Depends lacks $package"; status=1; }
done
scratch=$(mktemp -d) && trap 'rm -rf "$scratch"' EXIT
for program in usr/bin/waggler usr/libexec/xscreensaver/wagglersaver; do
  dpkg-deb --fsys-tarfile "$deb" | tar -xOf - "./$program" >"$scratch/program" || exit 1
  # The GL-checking variant reports after every drawing routine; the font set-up's one query,
  # which mends empty glyphs where a driver dropped them, is in every build.
  if grep -aq 'GL error 0x%04X after' "$scratch/program"; then
    echo "the packaged /$program reports GL errors: it must be the release build"
    status=1
  fi
done
[ $status -eq 0 ] && echo "the package holds $(echo "$paths" | wc -w) files checked; Depends: $depends"
exit $status
