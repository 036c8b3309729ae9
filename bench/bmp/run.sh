#!/bin/sh
# Bitmap peers benchmark: 24-bit is5_WriteBMP (the wallpaper path) and
# is5_ReadBMP between memory and a memory sink or source, against ImageMagick 6
# at one thread (its Performance[1] line, files on a tmpfs, minus a read-only
# baseline for the write), for 1920x1080 and 24 MP photo-like pictures. Prints
# ms per picture, the time ratio ours / ImageMagick (target: below 1) and
# ours / memcpy of the file's bytes (the memory-bandwidth floor; aim: at most 3).
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$ROOT/build/bench-bmp
RUNS=${RUNS:-9}
IM=convert-im6.q16
SHM=${SHM:-/dev/shm}/vesko-bench-bmp-$$
mkdir -p "$OUT" "$SHM"
trap 'rm -rf "$SHM"' EXIT

# A release tree without sanitizers.
cmake -S "$ROOT" -B "$OUT/tree" -G Ninja -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$OUT/tree" --target is5 -j4 >/dev/null
g++ -O2 -ffp-contract=off -std=c++17 -I"$ROOT" -I"$ROOT/imaging" "$ROOT/bench/bmp/bmp_peers.cpp" \
    "$OUT/tree/libis5.a" -lpthread -o "$OUT/bmp_peers"

cd "$OUT"
for size in 1920x1080 6000x4000; do
    [ -f "src_$size.ppm" ] || $IM -seed 5 -size 1500x1000 plasma:fractal -blur 0x2 -resize "$size!" \
        -attenuate 0.3 +noise Gaussian -depth 8 "src_$size.ppm"
    [ -f "src_$size.mpc" ] || $IM "src_$size.ppm" "src_$size.mpc"
done

# Seconds per iteration of ImageMagick at one thread.
im_time() { # args...
    MAGICK_THREAD_LIMIT=1 $IM "$@" 2>&1 | awk '/Performance\[1\]/ { sub("ips", "", $3); print 1 / $3; exit }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
ms() { awk -v s="$1" 'BEGIN { printf "%.2f", s * 1000 }'; }

echo "native, $(nproc) cores, $RUNS runs each, ImageMagick at 1 thread"
printf '%-26s %10s %10s %10s %8s %8s\n' case "ours ms" "IM ms" "memcpy ms" "vs IM" "vs copy"
for size in 1920x1080 6000x4000; do
    $IM "src_$size.ppm" BMP3:"$SHM/x.bmp"
    base=$(im_time "src_$size.mpc" -bench "$RUNS" null:)
    imw=$(im_time "src_$size.mpc" -bench "$RUNS" BMP3:"$SHM/w.bmp")
    imw=$(awk -v a="$imw" -v b="$base" 'BEGIN { print a - b }')
    imr=$(im_time "$SHM/x.bmp" -bench "$RUNS" null:)
    copy=$("$OUT/bmp_peers" copy "$SHM/x.bmp" "$RUNS")
    ow=$("$OUT/bmp_peers" write "src_$size.ppm" "$RUNS")
    or=$("$OUT/bmp_peers" read "$SHM/x.bmp" "$RUNS")
    printf '%-26s %10s %10s %10s %8s %8s\n' "write 24-bit $size" "$(ms "$ow")" "$(ms "$imw")" "$(ms "$copy")" \
        "$(ratio "$ow" "$imw")" "$(ratio "$ow" "$copy")"
    printf '%-26s %10s %10s %10s %8s %8s\n' "read 24-bit $size" "$(ms "$or")" "$(ms "$imr")" "$(ms "$copy")" \
        "$(ratio "$or" "$imr")" "$(ratio "$or" "$copy")"
done
