#!/bin/sh
# The installer's version resource names the same product, publisher and version as the .exe
# and the .scr it installs (those of the unpacked zip). Wine here runs 64-bit programs only, so
# the tests that run it show that it is one.
# Usage: check_installer.sh installer.exe zip-folder windres
set -u
installer=$1 folder=$2 windres=$3
names() {
  "$windres" -J coff -O rc -i "$1" | grep -E 'VALUE "(ProductName|CompanyName|ProductVersion)"' |
    sed 's/^ *//' | sort
}
expected=$(names "$installer")
if [ "$(echo "$expected" | grep -c VALUE)" -ne 3 ]; then
  printf 'the installer should name its product, publisher and version, but has\n%s\n' "$expected"
  exit 1
fi
status=0
for program in "$folder/waggler.exe" "$folder/waggler.scr"; do
  found=$(names "$program")
  [ "$found" = "$expected" ] ||
    { printf '%s names\n%s\nbut the installer\n%s\n' "$program" "$found" "$expected"; status=1; }
done
[ $status -eq 0 ] && printf 'the installer, the .exe and the .scr all name\n%s\n' "$expected"
exit $status
