#!/bin/sh
# Desktop picture benchmark under Wine (windows preset built first): the build
# of the desktop picture from a 24 MP JPEG (decode, bicubic cover, cut,
# sharpness 2, 24-bit BMP) at 1920x1080 and 3840x2160, timed in-process by
# wallpapertool on a private Xvfb of depth 24, against ImageMagick's
#   convert big.jpg -filter Catrom -resize WxH^ -gravity center -extent WxH
#           -unsharp 0x2+0.4 -type TrueColor BMP3:out.bmp
# timed as the command's wall time less that of a 1x1 convert. Both with 8
# threads, warm cache, median of RUNS (default 10). Prints ours / ImageMagick.
# Target: a ratio below 1.0 at both sizes.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
W=$ROOT/build/windows
OUT=$ROOT/build/bench-wallpaper
RUNS=${RUNS:-10}
IM=convert-im6.q16
export MAGICK_THREAD_LIMIT=8
mkdir -p "$OUT"
[ -f "$W/bin/wallpapertool.exe" ] || { echo "wallpaper bench: build the windows preset first" >&2; exit 1; }

# 6000x4000, quality 92, from a month photograph with noise so that it
# decodes like a photograph.
big=$OUT/big.jpg
if [ ! -f "$big" ]; then
    $IM "$ROOT/calendar/wallpaper/assets/c06x.jpg" -filter Catrom -resize '6000x4000!' -seed 92 \
        -attenuate 0.4 +noise Gaussian -quality 92 "$big"
fi

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r num <"$fifo" || true
rm -f "$fifo"
[ -n "${num:-}" ] || { echo "wallpaper bench: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$num VESKO_GUI_DISPLAY=:$num VESKO_GUI=1
export VESKO_WINEPREFIX=$W/wineprefix
trap '"$W/wine-run" --server-stop; kill $xvfb 2>/dev/null || true' EXIT
"$W/wine-run" --server-start
winpath() { "$W/wine-run" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Wall milliseconds of one command.
wall_ms() {
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo "$start $end" | awk '{ printf "%.2f\n", ($2 - $1) / 1e6 }'
}

im_runs() { # label, command...
    label=$1
    shift
    "$@" >/dev/null 2>&1   # warm the cache
    i=0
    while [ $i -lt "$RUNS" ]; do
        wall_ms "$@"
        i=$((i + 1))
    done | median
}

$IM -size 1x1 xc:gray "$OUT/one.png"
base=$(im_runs start $IM "$OUT/one.png" -type TrueColor BMP3:"$OUT/one.bmp")
echo "ImageMagick start-up (1x1 convert): $base ms (median of $RUNS)"
nproc_now=$(nproc)
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $nproc_now cores"

for size in 1920x1080 3840x2160; do
    w=${size%x*}
    h=${size#*x}
    ours=$("$W/wine-run" "$W/bin/wallpapertool.exe" "$(winpath "$big")" "$(winpath "$OUT/ours-$size.bmp")" "$w" "$h" \
        "$RUNS" | tr -d '\r' | sed -n 's/^median_ms //p')
    [ -n "$ours" ] || { echo "wallpaper bench: wallpapertool failed at $size" >&2; exit 1; }
    wall=$(im_runs "$size" $IM "$big" -filter Catrom -resize "${size}^" -gravity center -extent "$size" \
        -unsharp 0x2+0.4 -type TrueColor BMP3:"$OUT/im-$size.bmp")
    echo "$size: ours $ours ms, ImageMagick $wall - $base ms, ratio ours / ImageMagick $(echo "$ours $wall $base" |
        awk '{ printf "%.2f", $1 / ($2 - $3) }') (median of $RUNS)"
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
