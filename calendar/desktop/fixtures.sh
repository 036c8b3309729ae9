#!/usr/bin/env bash
# The picture calendar's sheets as netpbm decodes them (kalender04_NNN.ppm),
# an independent reading of the committed PNGs for the layout tests; and bad
# stand-ins for a sheet: empty, a PNG of the wrong size, a PNG cut in half and
# a text file.
set -euo pipefail
out=$1
for png in res/kalender04_*.png; do
  ppm=$out/$(basename "$png" .png).ppm
  [ -f "$ppm" ] && [ "$ppm" -nt "$png" ] && continue
  pngtopnm "$png" >"$ppm.tmp"
  mv "$ppm.tmp" "$ppm"
done
: >"$out/sheet_empty.png"
[ -f "$out/sheet_100x100.png" ] || convert -size 100x100 xc:'#F8F6F0' -strip "PNG24:$out/sheet_100x100.png"
size=$(stat -c %s res/kalender04_250.png)
head -c $((size / 2)) res/kalender04_250.png >"$out/sheet_cut.png"
printf 'Dies ist kein Bild.\r\n' >"$out/sheet_text.png"
