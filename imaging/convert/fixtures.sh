#!/usr/bin/env bash
# Reference HSL values from Python's colorsys for 10,000 random colours:
# "r g b hue lightness saturation rb gb bb", hue in 0..1, back-converted bytes.
set -euo pipefail
out=$1/pool_hsl.txt
[ -s "$out" ] && exit 0
python3 - "$out.tmp" <<'PY'
import colorsys, random, sys
random.seed(20240611)
with open(sys.argv[1], "w") as f:
    for _ in range(10000):
        r, g, b = (random.randrange(256) for _ in range(3))
        h, l, s = colorsys.rgb_to_hls(r / 255, g / 255, b / 255)
        rb, gb, bb = (min(255, max(0, int(c * 255))) for c in colorsys.hls_to_rgb(h, l, s))
        f.write("%d %d %d %.17g %.17g %.17g %d %d %d\n" % (r, g, b, h, l, s, rb, gb, bb))
PY
mv "$out.tmp" "$out"
