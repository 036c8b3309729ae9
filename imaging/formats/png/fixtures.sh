#!/usr/bin/env bash
# PNG fixtures: exact files from png_make.py, files of pnmtopng and of
# ImageMagick, and pngtopam's decodes of each as the references.
set -euo pipefail
out=$1/png
mkdir -p "$out"
im=convert-im6.q16
python3 ./png_make.py "$out"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# A peer's files: pnmtopng RGB with a transparent colour, ImageMagick RGB.
printf 'P3\n4 3\n255\n' >"$tmp/src.ppm"
for i in $(seq 0 11); do echo "$((i * 20)) $((255 - i * 20)) $((i * 7))" >>"$tmp/src.ppm"; done
pnmtopng -force -transparent 'rgb:14/EB/07' "$tmp/src.ppm" >"$out/nm_rgb_trns.png"
$im "$tmp/src.ppm" -define png:exclude-chunks=gAMA,cHRM,sRGB,bKGD "$out/im_rgb.png"

for f in "$out"/*.png; do
  b=${f%.png}
  pngtopam "$f" >"$b.ref.pnm" 2>/dev/null || { rm -f "$b.ref.pnm"; continue; }
  pngtopam -alphapam "$f" >"$b.ref.pam" 2>/dev/null || rm -f "$b.ref.pam"
  # Grey below 8 bits: the references at 8 bits a sample.
  case $(basename "$b") in g[124] | g[124]i)
    for r in "$b.ref.pnm" "$b.ref.pam"; do pamdepth 255 "$r" 2>/dev/null >"$tmp/d" && mv "$tmp/d" "$r"; done ;;
  esac
done
