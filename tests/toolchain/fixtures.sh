#!/usr/bin/env bash
# One picture in each third-party format, with the native decoders' pixels as references.
set -euo pipefail
out=$1
cd "$out"
[ -f tc_done ] && exit 0
python3 - <<'PY'
w, h = 61, 37
rows = bytearray()
for y in range(h):
    for x in range(w):
        rows += bytes(((x * 255) // (w - 1), (y * 255) // (h - 1), (x * y * 7 + 13) % 256))
open("tc_src.ppm", "wb").write(b"P6\n%d %d\n255\n" % (w, h) + rows)
PY
cjpeg -quality 90 tc_src.ppm > tc.jpg
djpeg -ppm tc.jpg > tc_jpg_ref.ppm
convert tc_src.ppm tc.png
convert tc.png -depth 8 ppm:tc_png_ref.ppm
convert tc_src.ppm -compress none tc_plain.tif
tiffcp -c lzw tc_plain.tif tc.tif
convert tc.tif -depth 8 ppm:tc_tif_ref.ppm
opj_compress -i tc_src.ppm -o tc.jp2 -r 20 >/dev/null
opj_decompress -i tc.jp2 -o tc_j2k_ref.ppm >/dev/null
touch tc_done
