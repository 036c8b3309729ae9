#!/usr/bin/env bash
# TIFF fixtures: pictures from ImageMagick and netpbm, variants by tiffcp and
# tiffset, the rest from make_tiffs.py; references decoded by tifftopnm and
# ImageMagick.
set -euo pipefail
out=$1
here=$(pwd)
cd "$out"
im=convert-im6.q16
q() { "$@" >/dev/null 2>&1 || { echo "fixtures.sh: $* failed" >&2; exit 1; }; }

# 37x23 picture through every compression and layout.
q $im -seed 3 -size 37x23 plasma:fractal -depth 8 tif_base.ppm
q $im tif_base.ppm -compress none tif_base.tif
for c in none lzw zip packbits; do q tiffcp -c $c tif_base.tif tif_c_$c.tif; done
# JPEG as RGB for tifftopnm; as YCbCr for ImageMagick.
q tiffcp -c jpeg:r tif_base.tif tif_c_jpeg.tif
q tiffcp -c jpeg tif_base.tif tif_c_jpeg_ycc.tif
q $im tif_c_jpeg_ycc.tif -depth 8 tif_c_jpeg_ycc.ppm
q tiffcp -c none -r 1 tif_base.tif tif_r1.tif
q tiffcp -c none -r 16 tif_base.tif tif_r16.tif
q $im tif_base.ppm -rotate 90 -compress none tif_tall.tif
q tiffcp -c none -r 16 tif_tall.tif tif_r16_tall.tif
q tiffcp -c lzw -t -w 16 -l 16 tif_base.tif tif_tiles.tif
q tiffcp -c none -p separate tif_base.tif tif_separate.tif
for f in tif_c_none tif_c_lzw tif_c_zip tif_c_packbits tif_c_jpeg tif_r1 tif_r16 tif_tiles tif_separate; do
  tifftopnm $f.tif > $f.ppm 2>/dev/null
done
# Three pages.
q $im -size 37x23 xc:red -depth 8 tif_p1.ppm
q $im -size 37x23 xc:lime -depth 8 tif_p2.ppm
q $im -seed 9 -size 37x23 plasma:fractal -depth 8 tif_p3.ppm
for p in 1 2 3; do q $im tif_p$p.ppm -compress none tif_p$p.tif; done
q tiffcp tif_p1.tif tif_p2.tif tif_p3.tif tif_pages.tif
# 16-bit RGB and grey (tifftopnm keeps only 8 bits of such samples).
q $im -seed 5 -size 37x23 plasma:fractal -depth 16 -compress none tif_rgb16.tif
q $im tif_rgb16.tif -depth 16 tif_rgb16.ppm
q $im tif_rgb16.tif -colorspace Gray -depth 16 -compress none tif_grey16.tif
q $im tif_grey16.tif -depth 16 tif_grey16.pgm

# 13x7 asymmetric picture in four kinds, at every orientation.
q $im -size 13x7 gradient:red-blue \( -size 13x7 gradient:lime-black -rotate 90 -resize 13x7\! \) \
  -compose plus -composite -fill white -draw 'point 0,0 point 1,0 point 0,1' -depth 8 tif_o.ppm
q $im tif_o.ppm -compress none tif_o_rgb.tif
q $im tif_o.ppm -colorspace Gray -depth 8 -compress none tif_o_grey.tif
q $im tif_o.ppm -colorspace Gray -threshold 50% tif_o_bilevel.pbm
pnmtotiff -miniswhite -none tif_o_bilevel.pbm > tif_o_bilevel.tif 2>/dev/null
q $im tif_o.ppm -depth 16 -compress none tif_o_rgb16.tif
for k in rgb grey bilevel rgb16; do
  case $k in rgb|rgb16) ext=ppm ;; grey) ext=pgm ;; bilevel) ext=pbm ;; esac
  for n in 1 2 3 4 5 6 7 8; do
    cp tif_o_$k.tif tif_o_${k}_$n.tif
    q tiffset -s 274 $n tif_o_${k}_$n.tif
    q $im tif_o_${k}_$n.tif -auto-orient tif_o_${k}_${n}_auto.$ext
    tifftopnm -orientraw tif_o_${k}_$n.tif > tif_o_${k}_${n}_raw.$ext 2>/dev/null
  done
done

# Bilevel: min-is-black, min-is-white, G3, and G4 with Photometric renumbered.
q $im -seed 4 -size 37x23 plasma:fractal -colorspace Gray -threshold 50% tif_bw.pbm
pnmtotiff -minisblack -none tif_bw.pbm > tif_bw_black.tif 2>/dev/null
pnmtotiff -miniswhite -none tif_bw.pbm > tif_bw_white.tif 2>/dev/null
q tiffcp -c g3 tif_bw_white.tif tif_bw_g3.tif
pnmtotiff -g4 tif_bw.pbm > tif_bw_g4.tif 2>/dev/null
q tiffset -s 262 263 tif_bw_g4.tif
# Strips of 1 and 16 rows and 16 x 16 tiles at the depths read without the
# RGBA interface: 8-bit grey, bilevel, 16-bit RGB.
q $im tif_base.ppm -colorspace Gray -depth 8 -compress none tif_lay_grey.tif
tifftopnm tif_lay_grey.tif > tif_lay_grey.pgm 2>/dev/null
for k in grey bw rgb16; do
  case $k in grey) src=tif_lay_grey.tif ;; bw) src=tif_bw_white.tif ;; rgb16) src=tif_rgb16.tif ;; esac
  q tiffcp -c none -r 1 $src tif_lay_${k}_r1.tif
  q tiffcp -c none -r 16 $src tif_lay_${k}_r16.tif
  q tiffcp -c zip -t -w 16 -l 16 $src tif_lay_${k}_tiles.tif
done
# 4-bit palette; 2- and 4-bit grey.
q $im -seed 6 -size 37x23 plasma:fractal -colors 16 -depth 8 tif_pal4.ppm
pnmtotiff -indexbits 1,2,4 -none tif_pal4.ppm > tif_pal4.tif 2>/dev/null
for b in 2 4; do
  max=$(( (1 << b) - 1 ))
  q $im -size 37x23 gradient:black-white -depth 8 -evaluate divide $(( 256 / (max + 1) )) \
    -depth 8 tif_g$b.tmp.pgm
  pamdepth $max tif_g$b.tmp.pgm > tif_g$b.pgm 2>/dev/null
  pnmtotiff -minisblack -none tif_g$b.pgm > tif_g$b.tif 2>/dev/null
  tifftopnm tif_g$b.tif > tif_g${b}_ref.pgm 2>/dev/null
done

# 72 dpi RGB of width 5.
q $im -size 5x3 xc:orange -depth 8 -density 72 -units PixelsPerInch -compress none tif_dpi72.tif
# Unassociated RGBA (R 200, A 64); grey plus an unspecified extra sample.
q $im -size 13x7 xc:'rgba(200,100,50,0.2509804)' -depth 8 -define tiff:alpha=unassociated -compress none \
  tif_rgba_unassoc.tif
q $im -size 13x7 xc:'graya(50%,0.2509804)' -depth 8 -compress none tif_grey_alpha.tif
q tiffset -s 338 1 0 tif_grey_alpha.tif

q $im tif_p1.ppm tif_not.png
/usr/bin/python3 "$here/make_tiffs.py" "$out"
