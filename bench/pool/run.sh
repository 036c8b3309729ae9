#!/bin/sh
# Grey conversion benchmark: ISRGBToGrey on a 24 MP picture in memory, on one
# band (flag 0x100000) and on the pool, against Pillow's Image.convert("L") on
# the same pixels. Prints MP/s (medians of RUNS runs, default 7, at least 5)
# and the ratios. Targets: one band within 1.5x of Pillow's time; the pool at
# least 2.5x faster than one band. WINE=1 also times the Windows build under
# Wine (pool dispatch included), with no target.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$ROOT/build/bench-pool
RUNS=${RUNS:-7}
IM=convert-im6.q16
PY=/usr/bin/python3
mkdir -p "$OUT"

# A release tree without sanitizers.
cmake -S "$ROOT" -B "$OUT/tree" -G Ninja -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$OUT/tree" --target is5 -j4 >/dev/null
g++ -O2 -ffp-contract=off -std=c++17 -I"$ROOT" -I"$ROOT/imaging" "$ROOT/bench/pool/grey_peers.cpp" \
    "$OUT/tree/libis5.a" -lpthread -o "$OUT/grey_peers"

cd "$OUT"
[ -f src.ppm ] || $IM -seed 5 -size 1500x1000 plasma:fractal -resize 6000x4000! -depth 8 src.ppm

pillow=$($PY - src.ppm "$RUNS" <<'PY'
import statistics, sys, time
from PIL import Image
img = Image.open(sys.argv[1]); img.load()
runs = max(5, int(sys.argv[2]))
img.convert("L")  # warm-up
times = []
for _ in range(runs):
    t = time.perf_counter(); img.convert("L"); times.append(time.perf_counter() - t)
print("%.1f" % (img.width * img.height / 1e6 / statistics.median(times)))
PY
)
set -- $("$OUT/grey_peers" src.ppm "$RUNS")
single=$1 pooled=$2
echo "native, $(nproc) cores, 6000x4000"
printf 'one band   %8s MP/s   Pillow %8s MP/s   time ratio ours/Pillow %s (target <= 1.5)\n' "$single" "$pillow" \
    "$(awk -v a="$single" -v b="$pillow" 'BEGIN { printf "%.2f", b / a }')"
printf 'pool       %8s MP/s   speed-up over one band %s (target >= 2.5)\n' "$pooled" \
    "$(awk -v a="$single" -v b="$pooled" 'BEGIN { printf "%.2f", b / a }')"

if [ "${WINE:-0}" = 1 ]; then
    WIN=$ROOT/build/windows
    [ -f "$WIN/libis5.a" ] || { echo "build the windows preset first"; exit 0; }
    x86_64-w64-mingw32-g++-posix -O2 -ffp-contract=off -std=c++17 -I"$ROOT" -I"$ROOT/imaging" \
        "$ROOT/bench/pool/grey_peers.cpp" "$WIN/libis5.a" -static -o "$OUT/grey_peers.exe"
    set -- $("$WIN/wine-run" "$OUT/grey_peers.exe" "Z:$OUT/src.ppm" "$RUNS")
    echo "wine64: one band $1 MP/s, pool $2 MP/s (no target)"
fi
