#!/usr/bin/env bash
# PSD fixtures: ImageMagick's files of a 40x30 plasma in every mode, depth
# and compression it writes, with its own composites as references; the
# hand-made files of psd_make.py.
set -euo pipefail
out=$1/psd
mkdir -p "$out"
im=convert-im6.q16
python3 ./psd_make.py "$out"

cd "$out"
q() { "$@" >/dev/null 2>&1 || { echo "psd fixtures.sh: $* failed" >&2; exit 1; }; }
q $im -seed 11 -size 40x30 plasma:fractal -depth 8 plasma.ppm
q $im plasma.ppm -compress None rgb8.psd
q $im plasma.ppm -compress RLE rgb8_rle.psd
# 16 bits from the 8-bit picture: every sample v x 257.
q $im plasma.ppm -depth 16 -compress None rgb16.psd
q $im plasma.ppm -depth 16 -compress RLE rgb16_rle.psd
q $im plasma.ppm -colorspace CMYK -compress None cmyk8.psd
q $im plasma.ppm -colorspace CMYK -depth 16 -compress None cmyk16.psd
q $im plasma.ppm -colorspace Gray -compress None grey.psd
q $im plasma.ppm -type bilevel -depth 1 -compress None bitmap.psd
q $im plasma.ppm -colors 16 -type Palette -write indexed.ref.ppm -compress None indexed.psd
q $im plasma.ppm -density 72 -units PixelsPerInch d72.psd
q $im plasma.ppm -density 28 -units PixelsPerCentimeter d28.psd

# ImageMagick's composites (the first image of the file).
# (It refuses its own indexed files: indexed.ref.ppm is their reference.)
for f in rgb8 rgb8_rle rgb16 cmyk8 cmyk16 grey bitmap; do
  q $im "$f.psd[0]" -depth 8 "rgb:$f.rgb"
done
q $im "grey.psd[0]" -depth 8 "gray:grey.gray"
# 16-bit CMYK to RGB at 16 bits, big-endian samples.
q $im "cmyk16.psd[0]" -depth 16 -endian MSB "rgb:cmyk16.rgb16"
