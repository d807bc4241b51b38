#!/bin/sh
# The installer is a 64-bit Windows program, and its version resource names the same product,
# publisher and version as the .exe and the .scr it installs (taken from the unpacked zip).
# Usage: check_installer.sh installer.exe zip-folder windres
set -u
installer=$1 folder=$2 windres=$3 objdump=${3%windres}objdump
if ! "$objdump" -f "$installer" | grep -q 'file format pei-x86-64'; then
  echo "$installer is no 64-bit Windows program"
  exit 1
fi
names() {
  "$windres" -J coff -O rc -i "$1" | grep -E 'VALUE "(ProductName|CompanyName|ProductVersion)"' |
    sed 's/^ *//' | sort
}
installerNames=$(names "$installer")
if [ "$(echo "$installerNames" | grep -c VALUE)" -ne 3 ]; then
  printf 'the installer should name its product, publisher and version, but has\n%s\n' \
    "$installerNames"
  exit 1
fi
status=0
for program in "$folder/waggler.exe" "$folder/waggler.scr"; do
  programNames=$(names "$program")
  if [ "$programNames" != "$installerNames" ]; then
    printf '%s names\n%s\nbut the installer\n%s\n' "$program" "$programNames" "$installerNames"
    status=1
  fi
done
[ $status -eq 0 ] && echo "the installer, the .exe and the .scr all name" && echo "$installerNames"
exit $status
