#!/usr/bin/env bash
# Generic reader fixtures: small JPEG files from cjpeg, with djpeg's decodes
# as the references.
set -euo pipefail
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A photo-like picture of odd size: gradients and a wave.
perl -e '
  my ($w, $h) = (61, 47);
  binmode STDOUT;
  print "P6\n$w $h\n255\n";
  for my $y (0 .. $h - 1) {
    for my $x (0 .. $w - 1) {
      print chr(int(255 * $x / ($w - 1))), chr(int(255 * $y / ($h - 1))), chr(int(128 + 100 * sin(($x + 2 * $y) / 5)));
    }
  }' >"$tmp/photo.ppm"
# 64x64 colour: left half black, right half white.
perl -e '
  binmode STDOUT;
  print "P6\n64 64\n255\n";
  for my $y (0 .. 63) { print((chr(0) x 96) . (chr(255) x 96)); }' >"$tmp/halves.ppm"
# 64x64 grey ramp.
perl -e '
  binmode STDOUT;
  print "P5\n64 64\n255\n";
  for my $y (0 .. 63) { for my $x (0 .. 63) { print chr(($x * 3 + $y) % 256); } }' >"$tmp/ramp.pgm"

cjpeg -quality 90 "$tmp/photo.ppm" >"$out/reader_photo.jpg"
djpeg -ppm "$out/reader_photo.jpg" >"$out/reader_photo.ppm"
cjpeg -quality 95 "$tmp/halves.ppm" >"$out/reader_halves.jpg"
cjpeg -quality 90 -grayscale "$tmp/ramp.pgm" >"$out/reader_grey.jpg"
djpeg -pnm "$out/reader_grey.jpg" >"$out/reader_grey.pgm"

# Bitmaps from ImageMagick: the photo at 24 bits, and a 1-bit picture of odd
# width (left 10 columns black, right 10 white, 3 rows).
im=convert-im6.q16
cp "$tmp/photo.ppm" "$out/reader_photo_src.ppm"
$im "$tmp/photo.ppm" BMP3:"$out/reader_photo24.bmp"
perl -e '
  binmode STDOUT;
  print "P5\n20 3\n255\n";
  for my $y (0 .. 2) { print((chr(0) x 10) . (chr(255) x 10)); }' >"$tmp/bilevel.pgm"
$im "$tmp/bilevel.pgm" -monochrome BMP3:"$out/reader_bilevel.bmp"
