#!/usr/bin/env bash
# PCX fixtures: one picture at several colour counts through ppmtopcx's forms
# and ImageMagick; references decoded with pcxtoppm.
set -euo pipefail
out=$1
cd "$out"
q() { "$@" >/dev/null 2>&1 || { echo "fixtures.sh: $* failed" >&2; exit 1; }; }

q convert -seed 28 -size 37x23 plasma:fractal -depth 8 pcx_base.ppm
q convert pcx_base.ppm -colorspace gray -threshold 50% -type truecolor -depth 8 pcx_c2.ppm
for n in 4 8 16 200; do
  q convert pcx_base.ppm -colors $n -depth 8 pcx_c$n.ppm
done
for n in 2 4 8 16 200; do
  ppmtopcx pcx_c$n.ppm > pcx_d$n.pcx 2>/dev/null
  ppmtopcx -packed pcx_c$n.ppm > pcx_p$n.pcx 2>/dev/null
  ppmtopcx -8bit pcx_c$n.ppm > pcx_e$n.pcx 2>/dev/null
  ppmtopcx -24bit pcx_c$n.ppm > pcx_t$n.pcx 2>/dev/null
  q convert pcx_c$n.ppm pcx:pcx_m$n.pcx
done
for f in pcx_[dpetm]*.pcx; do
  pcxtoppm "$f" > "${f%.pcx}.ppm" 2>/dev/null
done
