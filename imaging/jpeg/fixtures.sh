#!/usr/bin/env bash
# JPEG fixtures: files made by cjpeg from small synthetic pictures, with djpeg's
# decodes as the references the reader must match.
set -euo pipefail
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A photo-like picture: smooth gradients, an edge and some deterministic noise.
# Odd sizes so that partial MCUs and row padding are exercised.
picture() { # width height channels
  perl -e '
    my ($w, $h, $c) = @ARGV;
    binmode STDOUT;
    print(($c == 3 ? "P6" : "P5") . "\n$w $h\n255\n");
    my $seed = 12345;
    for my $y (0 .. $h - 1) {
      for my $x (0 .. $w - 1) {
        $seed = ($seed * 1103515245 + 12345) % 2147483648;
        my $n = ($seed >> 16) % 17 - 8;
        my @v = (255 * $x / ($w - 1), 255 * $y / ($h - 1), 128 + 100 * sin(($x + 2 * $y) / 5));
        $v[2] = 255 - $v[2] if $x > $w / 2;
        for my $i (0 .. $c - 1) {
          my $s = int($v[$i] + $n);
          $s = 0 if $s < 0;
          $s = 255 if $s > 255;
          print chr($s);
        }
      }
    }' "$@"
}

picture 61 47 3 >"$tmp/src.ppm"
picture 5 3 3 >"$tmp/small.ppm"
# Inputs for the writer, whose files must equal cjpeg's with the same settings.
picture 61 47 3 >"$out/jpeg_src.ppm"
picture 61 47 1 >"$out/jpeg_src.pgm"

make() { # name cjpeg-options... (input last)
  local name=$1
  shift
  cjpeg "$@" >"$out/$name.jpg"
}

make jpeg_base -quality 85 "$tmp/src.ppm"
make jpeg_s11 -quality 85 -sample 1x1 "$tmp/src.ppm"
make jpeg_prog -quality 85 -progressive "$tmp/src.ppm"
make jpeg_rst -quality 85 -restart 1 "$tmp/src.ppm"
make jpeg_arith -quality 85 -arithmetic "$tmp/src.ppm"
make jpeg_progarith -quality 85 -progressive -arithmetic "$tmp/src.ppm"
make jpeg_rgb -quality 85 -rgb "$tmp/src.ppm"
make jpeg_grey -quality 85 -grayscale "$tmp/src.ppm"
make jpeg_rgb5x3 -quality 95 -rgb "$tmp/small.ppm"
make jpeg_grey5x3 -quality 95 -grayscale "$tmp/small.ppm"
make jpeg_ycc5x3 -quality 95 "$tmp/small.ppm"

for f in jpeg_base jpeg_s11 jpeg_prog jpeg_rst jpeg_arith jpeg_progarith jpeg_rgb jpeg_rgb5x3 jpeg_ycc5x3; do
  djpeg -ppm "$out/$f.jpg" >"$out/$f.ppm"
done
for f in jpeg_grey jpeg_grey5x3; do
  djpeg -pnm "$out/$f.jpg" >"$out/$f.pgm"
done
# The luma plane of the YCbCr files.
for f in jpeg_base jpeg_s11 jpeg_prog jpeg_rst jpeg_arith; do
  djpeg -grayscale -pnm "$out/$f.jpg" >"$out/${f}_luma.pgm"
done

# Scaled decodes.
djpeg -scale 1/2 -ppm "$out/jpeg_base.jpg" >"$out/jpeg_base_half.ppm"
djpeg -scale 3/8 -ppm "$out/jpeg_prog.jpg" >"$out/jpeg_prog_3of8.ppm"

# cjpeg's files for the writer's settings.
cjpeg -quality 90 "$out/jpeg_src.ppm" >"$out/jpeg_w_q90.jpg"
cjpeg -quality 40 -progressive "$out/jpeg_src.ppm" >"$out/jpeg_w_q40prog.jpg"
cjpeg -quality 90 -sample 1x1 "$out/jpeg_src.ppm" >"$out/jpeg_w_s11.jpg"
cjpeg -quality 90 -sample 2x1 "$out/jpeg_src.ppm" >"$out/jpeg_w_s21.jpg"
cjpeg -quality 75 -dct fast "$out/jpeg_src.ppm" >"$out/jpeg_w_fast.jpg"
cjpeg -quality 75 -smooth 30 "$out/jpeg_src.ppm" >"$out/jpeg_w_smooth.jpg"
cjpeg -quality 90 "$out/jpeg_src.pgm" >"$out/jpeg_w_grey.jpg"
