#!/usr/bin/env bash
# Picture list page fixtures (prefix pics_): a colourful 320x240 JPEG made by
# cjpeg, for pictures the tests add, show and render.
set -euo pipefail
out=$1
stamp=$out/pics_done
if [ -f "$stamp" ] && [ "$stamp" -nt fixtures.sh ]; then
  exit 0
fi
cd "$out"
q() { "$@" >/dev/null 2>&1 || { echo "fixtures.sh: $* failed" >&2; exit 1; }; }

# Strong hues in large shapes, so a grey preview is plain to see.
q convert -size 320x240 gradient:'#ffd000-#d02000' \
  -fill '#2060ff' -draw 'circle 90,120 90,190' -fill '#20c040' -draw 'rectangle 200,40 300,200' -depth 8 pics_sonne.ppm
cjpeg -quality 90 pics_sonne.ppm >pics_sonne.jpg
rm -f pics_sonne.ppm
touch "$stamp"
