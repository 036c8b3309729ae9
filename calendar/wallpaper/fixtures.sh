#!/usr/bin/env bash
# Desktop picture fixtures (prefix wp_): a smooth 1753x1200 JPEG with
# ImageMagick's Catmull-Rom scaling of it cut at columns 106, 107 and 108, a
# portrait JPEG, a 1 x 20000 line, and small files of each type for the
# reader-type guess.
set -euo pipefail
out=$1
stamp=$out/wp_done
if [ -f "$stamp" ] && [ "$stamp" -nt fixtures.sh ]; then
  exit 0
fi
cd "$out"
q() { "$@" >/dev/null 2>&1 || { echo "fixtures.sh: $* failed" >&2; exit 1; }; }

# Gradients and large soft shapes, blown up from a small canvas.
q convert -size 120x176 gradient:'#2050a0-#e0b040' -rotate 90 \
  -fill '#c03020' -draw 'circle 60,50 60,85' -fill '#30a060' -draw 'circle 130,80 130,105' \
  -blur 0x5 -filter Gaussian -resize '1753x1200!' -depth 8 wp_smooth_src.ppm
cjpeg -quality 95 wp_smooth_src.ppm >wp_smooth.jpg
# The reference scales the decoded JPEG, so both start from the same pixels.
djpeg -pnm wp_smooth.jpg >wp_smooth_decoded.ppm
q convert wp_smooth_decoded.ppm -filter Catrom -resize '1495x1024!' -depth 8 wp_smooth_1495.ppm
for x in 106 107 108; do
  q convert wp_smooth_1495.ppm -crop "1280x1024+$x+0" +repage -depth 8 "wp_smooth_crop$x.ppm"
done
rm -f wp_smooth_src.ppm wp_smooth_1495.ppm

q convert -size 1500x1000 gradient:'#f0f0f0-#202020' -rotate 90 -depth 8 wp_portrait.ppm
cjpeg -quality 90 wp_portrait.ppm >wp_portrait.jpg
rm -f wp_portrait.ppm
# Beyond ImageMagick's size policy: written by hand.
perl -e 'print "P6\n1 20000\n255\n", "\x80" x 60000' >wp_line.ppm
cjpeg wp_line.ppm >wp_line.jpg
rm -f wp_line.ppm

# One small picture in each format.
q convert -size 48x32 gradient:red-blue -depth 8 wp_probe.ppm
q convert wp_probe.ppm wp_probe.jpg
q convert wp_probe.ppm BMP3:wp_probe.bmp
q convert wp_probe.ppm wp_probe.png
q convert wp_probe.ppm wp_probe.tif
q convert wp_probe.ppm wp_probe.gif
q convert wp_probe.ppm wp_probe.psd
q opj_compress -i wp_probe.ppm -o wp_probe.jp2
q opj_compress -i wp_probe.ppm -o wp_probe.j2k
mv wp_probe.j2k wp_probe.J2K
printf 'Hello, this is plain text.\n' >wp_probe.txt
touch "$stamp"
