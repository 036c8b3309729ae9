#!/bin/sh
# Makes the twelve month pictures c01x.jpg..c12x.jpg (1200 high, 1280 to 1753
# wide, cut from the middle) and their 150x112 previews p01x.jpg..p12x.jpg in
# this folder from photographs of Debian's wallpaper packages. Run by hand
# after installing the packages named in CREDITS; the results are committed.
# Needs djpeg, cjpeg and the netpbm tools.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
B=/usr/share/backgrounds
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# month  source file
PICTURES="
01 $B/Kleiber_by_Lukas_Baubkus.jpg
02 $B/Bridge_by_Sander_Klootwijk.jpg
03 $B/picosdeeuropa_by_Aitzol_Berasategi.jpg
04 $B/Dragonfly_by_Bolly.jpg
05 $B/seeding_by_Clements_Engelhardt.jpg
06 $B/life_by_Aitzol_Berasategi.jpg
07 $B/sunset_by_Aitzol_Berasategi.jpg
08 $B/mate/nature/Dune.jpg
09 $B/Picture_0B_by_freespace.jpg
10 $B/aitzgorri_by_Aitzol_Berasategi.jpg
11 $B/mate/nature/Storm.jpg
12 $B/Infinite-Sea_by_Aury88.jpg
"

# Scales $1 (PPM) to cover $2 x $3 and cuts the middle out into $4.
cover() {
    set -- "$1" "$2" "$3" "$4" $(pnmfile -size "$1")
    # $5 $6: source width and height
    if [ $(( $5 * $3 )) -ge $(( $6 * $2 )) ]; then
        pamscale -filter sinc -height "$3" "$1" > "$TMP/s.ppm"
    else
        pamscale -filter sinc -width "$2" "$1" > "$TMP/s.ppm"
    fi
    set -- "$1" "$2" "$3" "$4" $(pnmfile -size "$TMP/s.ppm")
    pamcut -left $(( ($5 - $2) / 2 )) -top $(( ($6 - $3) / 2 )) -width "$2" -height "$3" "$TMP/s.ppm" > "$4"
}

echo "$PICTURES" | while read -r month src; do
    [ -n "$month" ] || continue
    djpeg -ppm "$src" > "$TMP/full.ppm"
    set -- $(pnmfile -size "$TMP/full.ppm")
    # 1200 high; the width follows the photograph's shape within 1280..1753.
    width=$(( (1200 * $1 + $2 / 2) / $2 ))
    [ "$width" -lt 1280 ] && width=1280
    [ "$width" -gt 1753 ] && width=1753
    cover "$TMP/full.ppm" "$width" 1200 "$TMP/month.ppm"
    cjpeg -quality 88 -optimize "$TMP/month.ppm" > "$HERE/c${month}x.jpg"
    cover "$TMP/month.ppm" 150 112 "$TMP/preview.ppm"
    cjpeg -quality 90 -optimize "$TMP/preview.ppm" > "$HERE/p${month}x.jpg"
done
