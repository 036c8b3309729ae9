#!/usr/bin/env bash
# GIF fixtures: ImageMagick and netpbm files and gif_writer.py's hand-made
# streams; references decoded with giftopnm.
set -euo pipefail
here=$(pwd)
out=$1
cd "$out"
q() { "$@" >/dev/null 2>&1 || { echo "fixtures.sh: $* failed" >&2; exit 1; }; }

q convert -seed 28 -size 37x23 plasma:fractal -depth 8 gif_base.ppm
for n in 2 16 256; do
  q convert gif_base.ppm -colors $n GIF87:gif87_$n.gif
  q convert gif_base.ppm -colors $n gif:gif89_$n.gif
done
for h in 1 2 3 4 5 6 7 8 9 37; do
  q convert gif_base.ppm -resize "37x$h!" -colors 16 -interlace GIF gif:gif_il_$h.gif
  convert gif_base.ppm -resize "23x$h!" -colors 16 ppm:- 2>/dev/null | pamtogif -interlace > gif_ilnp_$h.gif 2>/dev/null
done
# Transparency: the colour of the top left pixel.
q convert gif_base.ppm -colors 8 gif_t8.ppm
colour=$(convert gif_t8.ppm -format '#%[hex:p{0,0}]' info: | cut -c1-7)
pamtogif -transparent="$colour" gif_t8.ppm > gif_pamtrans.gif 2>/dev/null
echo "$colour" > gif_pamtrans.colour
python3 "$here/gif_writer.py" "$out"

for f in gif87_*.gif gif89_*.gif gif_il_*.gif gif_ilnp_*.gif gif_pamtrans.gif gifw_local.gif gifw_local_global.gif \
         gifw_transparent.gif gifw_nogce.gif gifw_noise.gif; do
  giftopnm "$f" > "${f%.gif}.ppm" 2>/dev/null
done
