#!/bin/sh
# Draws the icons afresh and compares them with those committed in resources/icons: they must
# come from the current clock (remake them with `make icons`). A few pixels may round apart
# where another CPU runs the software renderer.
# Usage: icons_match.sh make_icons committed-folder scratch-folder
set -u
tool=$1 committed=$2 fresh=$3
rm -rf "$fresh" && mkdir -p "$fresh" && "$tool" "$fresh" || exit 1
status=0
for path in "$committed"/*.png "$committed"/waggler.ico; do
  name=$(basename "$path")
  frames=$(identify -format '%p ' "$path") || exit 1
  for i in $frames; do
    size=$(identify -format '%w' "$path[$i]")
    # Differing pixels, by more than 3% in some channel; at most 1% of them may.
    differ=$(compare -metric AE -fuzz 3% "$path[$i]" "$fresh/$name[$i]" null: 2>&1)
    if [ "$(echo "$differ" | tr -cd 0-9)" != "$differ" ] || [ "$differ" -gt $((size * size / 100)) ]; then
      echo "$name ($size x $size) differs from a fresh drawing: $differ"
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "the committed icons match a fresh drawing"
exit $status
