#!/usr/bin/env bash
# gdi_res.dll: a resource-only module with RT_BITMAP resources written by
# ImageMagick ("GDI_RGB", 24 bits; "GDI_PAL", 16 palette colours) and the
# pictures they hold as PPM references (gdi_rgb.ppm, gdi_pal.ppm). Needs the
# MinGW-w64 resource compiler and linker; skipped without them.
set -euo pipefail
out=$1
dll=$out/gdi_res.dll
command -v x86_64-w64-mingw32-windres >/dev/null || exit 0
if [ -f "$dll" ] && [ "$dll" -nt fixtures.sh ] && [ -f "$out/gdi_rgb.ppm" ] && [ -f "$out/gdi_pal.ppm" ]; then
  exit 0
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# 13 x 7: odd width, so the BMP rows carry padding.
perl -e '
  binmode STDOUT;
  my ($w, $h) = (13, 7);
  print "P6\n$w $h\n255\n";
  my $seed = 4242;
  for my $y (0 .. $h - 1) {
    for my $x (0 .. $w - 1) {
      $seed = ($seed * 1103515245 + 12345) % 2147483648;
      print chr(($x * 19) % 256), chr(($y * 37) % 256), chr(($seed >> 16) % 256);
    }
  }' >"$tmp/rgb.ppm"

convert "$tmp/rgb.ppm" -type TrueColor BMP3:"$tmp/rgb.bmp"
convert "$tmp/rgb.ppm" +dither -colors 16 -type Palette BMP3:"$tmp/pal.bmp"
convert "$tmp/rgb.bmp" -depth 8 "$tmp/gdi_rgb.ppm"
convert "$tmp/pal.bmp" -depth 8 "$tmp/gdi_pal.ppm"

printf 'GDI_RGB BITMAP "rgb.bmp"\nGDI_PAL BITMAP "pal.bmp"\n' >"$tmp/res.rc"
(cd "$tmp" && x86_64-w64-mingw32-windres res.rc -O coff -o res.o)
x86_64-w64-mingw32-gcc -shared -nostdlib -Wl,-e,0 -o "$tmp/gdi_res.dll" "$tmp/res.o"
mv "$tmp/gdi_rgb.ppm" "$tmp/gdi_pal.ppm" "$out/"
mv "$tmp/gdi_res.dll" "$dll"
