#!/usr/bin/env bash
# JPEG 2000 fixtures: pictures from ImageMagick and small perl generators,
# encoded with opj_compress; references decoded with opj_decompress.
set -euo pipefail
out=$1
cd "$out"
q() { "$@" >/dev/null 2>&1 || { echo "fixtures.sh: $* failed" >&2; exit 1; }; }

# Base pictures.
q convert -seed 7 -size 101x75 plasma:fractal -depth 8 j2k_rgb.ppm
q convert j2k_rgb.ppm -colorspace Gray -depth 8 j2k_grey.pgm
q convert -seed 11 -size 101x75 plasma:fractal -depth 16 j2k_rgb16.ppm
q convert j2k_rgb.ppm j2k_rgb.bmp
q convert j2k_rgb.ppm j2k_rgb.png
# No gamma chunks: opj_compress would apply them to the samples.
q convert j2k_rgb.ppm \( -size 101x75 gradient:white-black \) -alpha off -compose copy_opacity -composite \
  -define png:exclude-chunks=gAMA,cHRM,sRGB,bKGD PNG32:j2k_rgba.png
q convert j2k_rgba.png -alpha extract -depth 8 j2k_rgba_alpha.pgm
q convert j2k_rgba.png -alpha off -depth 8 j2k_rgba_rgb.ppm

# 12-bit and 4-bit grey, big-endian raw samples.
perl -e 'for $y (0..74) { for $x (0..100) { print pack("n", ($x * 41 + $y * 67 + ($x * $y) % 13 * 300) & 0xFFF) } }' \
  > j2k_grey12.raw
perl -e 'for $y (0..74) { for $x (0..100) { print pack("C", ($x + 3 * $y) & 0xF) } }' > j2k_grey4.raw
# The same values as 8-bit samples: palette indices.
cp j2k_grey4.raw j2k_grey8idx.raw
# Signed 12-bit samples -100, 0, 100, 2047.
perl -e 'print pack("n*", 0xFF9C, 0, 100, 2047)' > j2k_signed.raw
# 4:2:0 sYCC from the plasma (64x48: opj_compress lays out odd chroma planes
# differently), and a copy whose chroma is neutral.
q convert -seed 7 -size 64x48 plasma:fractal -depth 8 j2k_sycc_src.ppm
perl -e '
  open(F, "<", "j2k_sycc_src.ppm") or die; binmode F; local $/; $d = <F>;
  $d =~ s/^P6\s+(\d+)\s+(\d+)\s+\d+\s//s or die; ($w, $h) = ($1, $2); @p = unpack("C*", $d);
  sub px { my ($x, $y) = @_; @p[3 * ($y * $w + $x) .. 3 * ($y * $w + $x) + 2] }
  sub cl { my $v = int($_[0] + 0.5); $v < 0 ? 0 : $v > 255 ? 255 : $v }
  for $y (0 .. $h - 1) { for $x (0 .. $w - 1) { ($r, $g, $b) = px($x, $y); push @Y, cl(0.299 * $r + 0.587 * $g + 0.114 * $b) } }
  for $y (0 .. $h / 2 - 1) { for $x (0 .. $w / 2 - 1) { ($r, $g, $b) = px(2 * $x, 2 * $y);
    push @Cb, cl(128 - 0.168736 * $r - 0.331264 * $g + 0.5 * $b); push @Cr, cl(128 + 0.5 * $r - 0.418688 * $g - 0.081312 * $b) } }
  open(O, ">", "j2k_sycc.raw"); binmode O; print O pack("C*", @Y, @Cb, @Cr); close O;
  open(O, ">", "j2k_sycc_neutral.raw"); binmode O; print O pack("C*", @Y, (128) x (2 * @Cb)); close O;'
# Five components, and a 3x2 RGB picture.
perl -e 'print pack("C*", map { ($_ * 7) & 0xFF } 0 .. 16 * 16 * 5 - 1)' > j2k_five.raw
{ printf 'P6\n3 2\n255\n'; perl -e 'print pack("C*", map { ($_ * 29 + 5) & 0xFF } 0 .. 17)'; } > j2k_w3.ppm

# Code streams and JP2 files.
q opj_compress -i j2k_rgb.ppm -o j2k_rgb.jp2
q opj_compress -i j2k_rgb.ppm -o j2k_rgb.j2k
q opj_compress -i j2k_rgb.ppm -o j2k_rgb_97.jp2 -I -r 20
q opj_compress -i j2k_rgb.ppm -o j2k_rgb_tiled.j2k -t 32,32 -n 3
q opj_compress -i j2k_rgb.ppm -o j2k_rgb_offset.j2k -d 5,3
q opj_compress -i j2k_grey.pgm -o j2k_grey.jp2
q opj_compress -i j2k_grey.pgm -o j2k_grey_97.j2k -I -r 10
q opj_compress -i j2k_rgb16.ppm -o j2k_rgb16.jp2
q opj_compress -i j2k_grey12.raw -o j2k_grey12.j2k -F 101,75,1,12,u
q opj_compress -i j2k_grey4.raw -o j2k_grey4.j2k -F 101,75,1,4,u
q opj_compress -i j2k_grey8idx.raw -o j2k_grey8idx.j2k -F 101,75,1,8,u
q opj_compress -i j2k_signed.raw -o j2k_signed.j2k -F 4,1,1,12,s -n 1
q opj_compress -i j2k_sycc.raw -o j2k_sycc.jp2 -F 64,48,3,8,u@1x1:2x2:2x2
q opj_compress -i j2k_sycc_neutral.raw -o j2k_sycc_neutral.jp2 -F 64,48,3,8,u@1x1:2x2:2x2
q opj_compress -i j2k_rgba.png -o j2k_rgba.jp2
q opj_compress -i j2k_five.raw -o j2k_five.j2k -F 16,16,5,8,u -n 3
q opj_compress -i j2k_w3.ppm -o j2k_w3.j2k -n 1

# References.
for f in j2k_rgb.jp2 j2k_rgb.j2k j2k_rgb_97.jp2 j2k_rgb_tiled.j2k j2k_rgb_offset.j2k j2k_rgb16.jp2 j2k_sycc.jp2; do
  q opj_decompress -i "$f" -o "$f.ref.ppm"
done
for f in j2k_grey.jp2 j2k_grey_97.j2k j2k_grey12.j2k j2k_grey4.j2k; do
  q opj_decompress -i "$f" -o "$f.ref.pgm"
done
