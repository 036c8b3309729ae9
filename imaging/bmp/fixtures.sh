#!/usr/bin/env bash
# Bitmap fixtures: ImageMagick 6's files of every kind the reader takes, with
# ImageMagick's own decodes (-depth 8 rgb:, and rgba: for the alpha file) as
# the references.
set -euo pipefail
out=$1
im=convert-im6.q16
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

w=37 h=23
# A photo-like picture with gradients, a wave and deterministic noise; odd
# width so that every depth pads its rows. With a fourth argument it adds a
# varying alpha channel (raw RGBA instead of a PPM).
picture() { # width height kind
  perl -e '
    my ($w, $h, $kind) = @ARGV;
    binmode STDOUT;
    print "P6\n$w $h\n255\n" if $kind ne "rgba";
    my $seed = 4711;
    my @pal = ([255,0,0],[0,255,0],[0,0,255],[255,255,0],[0,255,255],[255,0,255],
               [0,0,0],[255,255,255],[128,64,32],[32,128,64],[64,32,128],[200,100,50]);
    for my $y (0 .. $h - 1) {
      for my $x (0 .. $w - 1) {
        if ($kind eq "pal12") { print pack("C3", @{$pal[($x + 2 * $y + int($x / 5)) % 12]}); next; }
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
picture $w $h pal12 >"$tmp/pal12.ppm"
picture $w $h rgba >"$tmp/src.rgba"

$im "$tmp/src.ppm" BMP3:"$out/bmp_im24.bmp"
$im -size ${w}x$h -depth 8 rgba:"$tmp/src.rgba" -define bmp3:alpha=true BMP3:"$out/bmp_im32.bmp"
$im "$tmp/src.ppm" -type Palette -compress None BMP3:"$out/bmp_im8.bmp"
$im "$tmp/pal12.ppm" -type Palette -compress None BMP3:"$out/bmp_im4.bmp"
$im "$tmp/src.ppm" -monochrome BMP3:"$out/bmp_im1.bmp"
$im "$tmp/src.ppm" -type Palette -compress RLE BMP3:"$out/bmp_imrle8.bmp"
$im "$tmp/pal12.ppm" -type Palette -compress RLE BMP3:"$out/bmp_imrle8pal12.bmp"
$im "$tmp/src.ppm" -monochrome BMP2:"$out/bmp_core1.bmp"
$im "$tmp/pal12.ppm" -type Palette BMP2:"$out/bmp_core4.bmp"
$im "$tmp/src.ppm" BMP2:"$out/bmp_core24.bmp"
$im "$tmp/src.ppm" BMP:"$out/bmp_imv5.bmp"

for f in bmp_im24 bmp_im32 bmp_im8 bmp_im4 bmp_im1 bmp_imrle8 bmp_imrle8pal12 bmp_core1 bmp_core4 bmp_core24; do
  $im "$out/$f.bmp" -depth 8 rgb:"$out/$f.rgb"
done
$im "$out/bmp_im32.bmp" -depth 8 rgba:"$out/bmp_im32.rgba"
