#!/bin/sh
# Resize benchmark: is5_ResizeImage against ImageMagick 6 (Q16) and libvips
# at 1 and 4 threads, on a 24 MP photo-like image, to 1920x1080 and 3840x2160.
# Prints milliseconds per resize and the ratios ours/peer (below 1: faster).
# RUNS (default 10) sets the runs per figure, SIZES the target sizes, NAMES
# the operations (mode17, kernel0 .. kernel13).
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$ROOT/build/bench-resize
RUNS=${RUNS:-10}
SIZES=${SIZES:-"1920x1080 3840x2160"}
IM=convert-im6.q16
mkdir -p "$OUT"

# A release tree without sanitizers.
cmake -S "$ROOT" -B "$OUT/tree" -G Ninja -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$OUT/tree" --target is5 -j4 >/dev/null
g++ -O2 -ffp-contract=off -std=c++17 -I"$ROOT" -I"$ROOT/imaging" $(pkg-config --cflags vips) \
    "$ROOT/bench/resize/resize_bench.cpp" "$OUT/tree/libis5.a" \
    $(pkg-config --libs vips) -ljpeg -lpng -ltiff -lopenjp2 -lz -lpthread -o "$OUT/resize_bench"

cd "$OUT"
if [ ! -f src.ppm ]; then
    $IM -seed 7 -size 1632x918 plasma:fractal -blur 0x2 -resize 6528x3672! -attenuate 0.3 +noise Gaussian \
        -depth 8 src.ppm
fi
[ -f src.mpc ] || $IM src.ppm src.mpc

# ImageMagick's milliseconds per run at 1 and 4 threads, from one -bench
# (which runs every thread count) of the operation.
im_ms() { # operation...
    $IM src.mpc -bench "$RUNS" "$@" null: 2>&1 | awk '
        /Performance\[[14]\]/ { for (i = 1; i <= NF; i++) if ($i ~ /ips$/) { sub(/ips/, "", $i); printf "%s ", 1000 / $i } }'
}

names=${NAMES:-"mode17 kernel1 kernel8 kernel9 kernel13 kernel0 kernel2 kernel3 kernel4 kernel5 kernel6 kernel7 kernel10 kernel11 kernel12"}
im_op() { # name, WxH
    case $1 in
    mode17) echo "-interpolate Catrom -interpolative-resize $2!" ;;
    kernel0) echo "-filter Box -resize $2!" ;;
    kernel1) echo "-filter Triangle -resize $2!" ;;
    kernel2) echo "-filter Hamming -resize $2!" ;;
    kernel3) echo "-filter Gaussian -resize $2!" ;;
    kernel4) echo "-filter Quadratic -resize $2!" ;;
    kernel5 | kernel7) echo "-filter Cubic -resize $2!" ;;
    kernel6 | kernel11) echo "-filter Hermite -resize $2!" ;;
    kernel8) echo "-filter Lanczos -resize $2!" ;;
    kernel9) echo "-filter Mitchell -resize $2!" ;;
    kernel10) echo "-filter Sinc -resize $2!" ;;
    kernel12) echo "-filter Hanning -resize $2!" ;;
    kernel13) echo "-filter Catrom -resize $2!" ;;
    esac
}

row() { # size name threads ours im vips
    awk -v s="$1" -v n="$2" -v t="$3" -v o="$4" -v i="$5" -v v="$6" 'BEGIN {
        ri = i > 0 ? sprintf("%.2f", o / i) : "-"
        rv = v > 0 ? sprintf("%.2f", o / v) : "-"
        printf "%-9s %-16s %3d %9.1f %9.1f %9s %8s %8s\n", s, n, t, o, i, (v > 0 ? sprintf("%.1f", v) : "-"), ri, rv }'
}

printf '%-9s %-16s %3s %9s %9s %9s %8s %8s\n' size name thr ours_ms im_ms vips_ms ours/im ours/vips
for size in $SIZES; do
    w=${size%x*}
    h=${size#*x}
    # Ours and libvips first, then ImageMagick alone on the machine.
    for t in 1 4; do
        ./resize_bench src.ppm "$w" "$h" "$t" "$RUNS" $names >"ours-$t.txt"
    done
    set -- $(im_ms)
    base1=$1 base4=$2
    : >"im-$size.txt"
    for name in $names; do
        # shellcheck disable=SC2046
        set -- $(im_ms $(im_op "$name" "$size"))
        echo "$name $(awk -v a="$1" -v b="$base1" 'BEGIN { print a - b }') $(awk -v a="$2" -v b="$base4" 'BEGIN { print a - b }')" >>"im-$size.txt"
    done
    for name in $names; do
        for t in 1 4; do
            ours=$(awk -v n="$name" '$1 == n { print $2 }' "ours-$t.txt")
            vips=$(awk -v n="$name" '$1 == n { print $3 }' "ours-$t.txt")
            im=$(awk -v n="$name" -v t="$t" '$1 == n { print (t == 1 ? $2 : $3) }' "im-$size.txt")
            row "$size" "$name" "$t" "$ours" "$im" "$vips"
        done
    done
    # The bicubic mode against the peers of the Catmull-Rom kernel.
    for t in 1 4; do
        ours=$(awk '$1 == "mode17" { print $2 }' "ours-$t.txt")
        vips=$(awk '$1 == "kernel13" { print $3 }' "ours-$t.txt")
        im=$(awk -v t="$t" '$1 == "kernel13" { print (t == 1 ? $2 : $3) }' "im-$size.txt")
        row "$size" "mode17/kernel13" "$t" "$ours" "$im" "$vips"
    done
done
