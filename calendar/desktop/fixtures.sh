#!/usr/bin/env bash
# The picture calendar's sheets as netpbm decodes them (kalender04_NNN.ppm),
# an independent reading of the committed PNGs for the layout tests.
set -euo pipefail
out=$1
for png in res/kalender04_*.png; do
  ppm=$out/$(basename "$png" .png).ppm
  [ -f "$ppm" ] && [ "$ppm" -nt "$png" ] && continue
  pngtopnm "$png" >"$ppm.tmp"
  mv "$ppm.tmp" "$ppm"
done
