#!/bin/sh
# What the Windows zip holds (the .exe, the screensaver and the read-me, in one folder) and the
# resources they carry: the icon, the version and the manifest that declares them aware of each
# monitor's scale; the screensaver's name too. Neither imports a call newer than Windows 7: those
# of the scale are looked up when the program runs, so that it still starts there.
# Usage: check_zip.sh package.zip windres version objdump
set -u
zip=$1 windres=$2 version=$3 objdump=$4 folder=waggler-$3-windows
listing=$(cmake -E tar tf "$zip") || exit 1
listing=$(echo "$listing" | grep -v '/$')  # folders apart
expected=$(printf '%s\n' "$folder/README.txt" "$folder/waggler.exe" "$folder/waggler.scr")
if [ "$(echo "$listing" | sort)" != "$expected" ]; then
  printf 'the zip should hold exactly\n%s\nbut holds\n%s\n' "$expected" "$listing"
  exit 1
fi
scratch=$(mktemp -d) && trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && cmake -E tar xf "$zip") || exit 1
resources=$("$windres" -J coff -O rc -i "$scratch/$folder/waggler.exe") || exit 1
status=0
for pattern in "3 /\* RT_ICON \*/" "1 14 /\* RT_GROUP_ICON \*/" "1 VERSIONINFO" \
    "VALUE \"FileVersion\", \"$version\"" "1 24 /\* RT_MANIFEST \*/" \
    "Microsoft.Windows.Common-Controls\"\" version=\"\"6.0.0.0" "supportedOS" \
    ">true</dpiAware>" ">PerMonitorV2</dpiAwareness>"; do
  echo "$resources" | grep -q "$pattern" || { echo "no resource matching: $pattern"; status=1; }
done
saver=$("$windres" -J coff -O rc -i "$scratch/$folder/waggler.scr") || exit 1
for pattern in "1, \"Waggler\"" "RT_GROUP_ICON" "VALUE \"OriginalFilename\", \"waggler.scr\"" \
    "VALUE \"FileVersion\", \"$version\"" "1 24 /\* RT_MANIFEST \*/" "PerMonitorV2" "DIALOGEX"; do
  echo "$saver" | grep -q "$pattern" || { echo "no screensaver resource matching: $pattern"; status=1; }
done
newer='GetDpiFor|DpiAwareness|ForDpi|NonClientDpiScaling|SetProcessDpiAware|shcore'
for program in waggler.exe waggler.scr; do
  imports=$("$objdump" -p "$scratch/$folder/$program") || exit 1
  found=$(echo "$imports" | grep -iE "$newer")
  [ -z "$found" ] || { printf '%s imports calls newer than Windows 7:\n%s\n' "$program" "$found"; status=1; }
done
[ $status -eq 0 ] && echo "the zip holds the .exe, the .scr and README.txt; each has its icon, version $version and manifest"
exit $status
