#!/usr/bin/env bash
# Pictures for the web server to hand out: a thumbnail, a preview and a full picture within
# the download limits, a BMP and the head of an EMF.
set -euo pipefail
out=$1
cd "$out"
[ -f web_done ] && exit 0
convert -size 150x112 gradient:'#204080-#f0c060' -swirl 90 ppm:- | cjpeg -quality 90 >web_150x112.jpg
convert -seed 3 -size 640x480 plasma:fractal -blur 0x2 ppm:- | cjpeg -quality 85 >web_640x480.jpg
# Noise keeps the full picture large: above a megabyte, below the 2,000,000-byte limit.
convert -seed 7 -size 1920x1080 xc:gray50 +noise Gaussian ppm:- | cjpeg -quality 95 >web_1920x1080.jpg
convert -size 64x48 gradient:red-blue BMP3:web_64x48.bmp
# The first 64 bytes of a 128-byte EMF: header record (type 1, 108 bytes), " EMF" at 40.
python3 - <<'PY'
import struct
head = struct.pack("<II4i4i", 1, 108, 0, 0, 99, 99, 0, 0, 2645, 2645)
head += b" EMF" + struct.pack("<IIIHHI", 0x10000, 128, 2, 1, 0, 0)
assert len(head) == 64
open("web_head.emf", "wb").write(head)
PY
within() {  # file, least, most
  local size
  size=$(stat -c %s "$1")
  if [ "$size" -lt "$2" ] || [ "$size" -gt "$3" ]; then
    echo "fixtures: $1 has $size bytes, not $2 to $3" >&2
    exit 1
  fi
}
within web_150x112.jpg 1 31999
within web_640x480.jpg 1 63999
within web_1920x1080.jpg 1000000 2000000
[ "$(identify -format %wx%h web_1920x1080.jpg)" = 1920x1080 ]
[ "$(identify -format %wx%h web_640x480.jpg)" = 640x480 ]
[ "$(identify -format %wx%h web_150x112.jpg)" = 150x112 ]
touch web_done
