#!/usr/bin/env bash
# TGA fixtures: ImageMagick 6's files of every type the reader takes and
# pamtotga's, with ImageMagick's own decodes (-depth 8 rgb:, rgba: for the
# alpha file) as references; tgatoppm's 5-bit samples for the 16-bit file.
# ImageMagick hands out a bottom-up file's rows in file order unless told to
# orient them (its decode then equals tgatoppm's).
set -euo pipefail
out=$1
im=convert-im6.q16
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

w=37 h=23
# Gradients, a wave and deterministic noise; with "rgba" a varying alpha
# channel follows each pixel (raw RGBA instead of a PPM).
picture() { # width height kind
  perl -e '
    my ($w, $h, $kind) = @ARGV;
    binmode STDOUT;
    print "P6\n$w $h\n255\n" if $kind ne "rgba";
    my $seed = 4711;
    for my $y (0 .. $h - 1) {
      for my $x (0 .. $w - 1) {
        $seed = ($seed * 1103515245 + 12345) % 2147483648;
        my $n = ($seed >> 16) % 9 - 4;
        my @v = (255 * $x / ($w - 1), 255 * $y / ($h - 1), 128 + 100 * sin(($x + 2 * $y) / 4));
        for my $i (0 .. 2) {
          my $s = int($v[$i] + $n);
          $s = 0 if $s < 0;
          $s = 255 if $s > 255;
          print chr($s);
        }
        print chr((37 * $x + 11 * $y) % 256) if $kind eq "rgba";
      }
    }' "$@"
}

picture $w $h rgb >"$tmp/src.ppm"
picture $w $h rgba >"$tmp/src.rgba"

$im "$tmp/src.ppm" -type Palette -compress None TGA:"$out/tga_im1.tga"
$im "$tmp/src.ppm" -type TrueColor -compress None TGA:"$out/tga_im2.tga"
$im "$tmp/src.ppm" -type Grayscale -compress None TGA:"$out/tga_im3.tga"
$im "$tmp/src.ppm" -type Palette -compress RLE TGA:"$out/tga_im9.tga"
$im "$tmp/src.ppm" -type TrueColor -compress RLE TGA:"$out/tga_im10.tga"
$im "$tmp/src.ppm" -type Grayscale -compress RLE TGA:"$out/tga_im11.tga"
$im "$tmp/src.ppm" -depth 5 -type TrueColor -compress None TGA:"$out/tga_im16.tga"
$im -size ${w}x$h -depth 8 rgba:"$tmp/src.rgba" -compress None TGA:"$out/tga_im32.tga"
$im "$tmp/src.ppm" -orient TopLeft -compress None TGA:"$out/tga_imtopleft.tga"
pamtotga -norle "$tmp/src.ppm" >"$out/tga_pam.tga" 2>/dev/null
pamtotga "$tmp/src.ppm" >"$out/tga_pamrle.tga" 2>/dev/null

for f in tga_im1 tga_im2 tga_im3 tga_im9 tga_im10 tga_im11 tga_imtopleft tga_pam tga_pamrle; do
  $im "$out/$f.tga" -auto-orient -depth 8 rgb:"$out/$f.rgb"
done
$im "$out/tga_im32.tga" -auto-orient -depth 8 rgba:"$out/tga_im32.rgba"
# 5-bit samples as they are (maxval 31); the test scales them by 8.
tgatoppm "$out/tga_im16.tga" 2>/dev/null | pamtopnm -plain | tr -s ' \n' '\n\n' | tail -n +5 \
  | perl -ne 'chomp; print chr($_) if length' >"$out/tga_im16.rgb5"
