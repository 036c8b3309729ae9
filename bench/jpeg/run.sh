#!/bin/sh
# JPEG peers benchmark: is5_ReadJPG and is5_WriteJPG against tjbench and djpeg, all
# on Debian's libjpeg-turbo 2.1.5, data in memory, on a 24 MP photo-like
# picture. Prints MP/s (medians of RUNS runs, default 7; tjbench's own mean
# over its bench time) and the time ratio ours / peer (target: at most 1.10
# against tjbench). WINE=1 also times the Windows build under Wine.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=$ROOT/build/bench-jpeg
RUNS=${RUNS:-7}
IM=convert-im6.q16
mkdir -p "$OUT"

# A release tree without sanitizers.
cmake -S "$ROOT" -B "$OUT/tree" -G Ninja -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$OUT/tree" --target is5 -j4 >/dev/null
g++ -O2 -ffp-contract=off -std=c++17 -I"$ROOT" -I"$ROOT/imaging" "$ROOT/bench/jpeg/jpeg_peers.cpp" \
    "$OUT/tree/libis5.a" -ljpeg -lpthread -o "$OUT/jpeg_peers"

cd "$OUT"
if [ ! -f src.ppm ]; then
    $IM -seed 5 -size 1500x1000 plasma:fractal -blur 0x2 -resize 6000x4000! -attenuate 0.3 +noise Gaussian \
        -depth 8 src.ppm
fi
[ -f q90.jpg ] || cjpeg -quality 90 src.ppm >q90.jpg
[ -f q90_444.jpg ] || cjpeg -quality 90 -sample 1x1 src.ppm >q90_444.jpg
[ -f q90_prog.jpg ] || cjpeg -quality 90 -progressive src.ppm >q90_prog.jpg
[ -f q90_grey.jpg ] || cjpeg -quality 90 -grayscale src.ppm >q90_grey.jpg

mp=$(awk 'NR == 2 { print $1 * $2 / 1e6; exit }' src.ppm)

# tjbench's decompression or compression figure (MP/s) from its -quiet table.
tj_decomp() { tjbench "$1" -rgb -quiet -nowrite -benchtime 3 -warmup 1 | awk 'NF >= 8 && $1 == "RGB" { print $NF }'; }
tj_comp() { tjbench src.ppm "$1" -subsamp 420 -rgb -quiet -nowrite -benchtime 3 -warmup 1 |
    awk 'NF >= 8 && $1 == "RGB" { print $7 }'; }
# djpeg's MP/s: median wall time of RUNS runs writing to /dev/null.
djpeg_rate() {
    i=0
    while [ $i -lt "$RUNS" ]; do
        s=$(date +%s.%N); djpeg -ppm "$1" >/dev/null; e=$(date +%s.%N)
        echo "$s $e" | awk '{ print $2 - $1 }'
        i=$((i + 1))
    done | sort -g | awk -v mp="$mp" '{ t[NR] = $1 } END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.1f", mp / m }'
}
row() { # label ours peer-name peer
    printf '%-30s %8s MP/s   %-8s %8s MP/s   time ratio %s\n' "$1" "$2" "$3" "$4" \
        "$(awk -v a="$2" -v b="$4" 'BEGIN { printf "%.2f", b / a }')"
}
# A read's two figures: the whole call, and without the fresh buffer's cost.
read_rows() { # label file bits flags peer-name peer
    set -- "$1" "$($OUT/jpeg_peers read "$2" "$3" "$4" "$RUNS")" "$5" "$6"
    row "$1" "${2% *}" "$3" "$4"
    row "$1 (no buffer cost)" "${2#* }" "$3" "$4"
}

echo "native, $(nproc) cores, picture ${mp} MP"
for f in q90 q90_444 q90_prog; do
    read_rows "read 24-bit $f" $f.jpg 24 0 tjbench "$(tj_decomp $f.jpg)"
    read_rows "read 24-bit $f" $f.jpg 24 0 djpeg "$(djpeg_rate $f.jpg)"
done
read_rows "read DIB q90" q90.jpg 24 0x2 tjbench "$(tj_decomp q90.jpg)"
read_rows "read grey to 24-bit" q90_grey.jpg 24 0 djpeg "$(djpeg_rate q90_grey.jpg)"
for q in 90 40; do
    ours=$("$OUT/jpeg_peers" write src.ppm $q "$RUNS")
    row "write q$q 4:2:0" "$ours" tjbench "$(tj_comp $q)"
done

if [ "${WINE:-0}" = 1 ]; then
    # The same program cross-built, under Wine; no peer, no target.
    WIN=$ROOT/build/windows
    [ -f "$WIN/libis5.a" ] || { echo "build the windows preset first"; exit 0; }
    x86_64-w64-mingw32-g++-posix -O2 -ffp-contract=off -std=c++17 -I"$ROOT" -I"$ROOT/imaging" \
        -I"$(cat "$HOME/.cache/vesko/deps-current")/include" "$ROOT/bench/jpeg/jpeg_peers.cpp" "$WIN/libis5.a" \
        -L"$(cat "$HOME/.cache/vesko/deps-current")/lib" -ljpeg -static -o "$OUT/jpeg_peers.exe"
    echo "wine64"
    for f in q90 q90_444 q90_prog; do
        echo "read 24-bit $f (whole call, no buffer cost): $("$WIN/wine-run" "$OUT/jpeg_peers.exe" read "Z:$OUT/$f.jpg" 24 0 "$RUNS") MP/s"
    done
    echo "write q90: $("$WIN/wine-run" "$OUT/jpeg_peers.exe" write "Z:$OUT/src.ppm" 90 "$RUNS") MP/s"
fi
