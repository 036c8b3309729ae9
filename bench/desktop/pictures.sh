#!/bin/sh
# The desktop calendar's pictures over a table of inputs (every layout, the
# clock's effects, fonts, sizes, regions, fitting), drawn by layouttool under
# Wine as bench/desktop/run.sh draws them, into DIR with their SHA-256 sums in
# DIR/sha256.txt. Two builds draw the same pixels when their lists are equal:
#   bench/desktop/pictures.sh DIR [LAYOUTTOOL.exe]
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
W=$ROOT/build/windows
[ $# -ge 1 ] || { echo "usage: pictures.sh DIR [LAYOUTTOOL.exe]" >&2; exit 2; }
mkdir -p "$1"
DIR=$(cd "$1" && pwd)
TOOL=${2:-$W/bin/layouttool.exe}
[ -f "$TOOL" ] || { echo "pictures: $TOOL missing; build the windows preset first" >&2; exit 1; }

. "$ROOT/bench/desktop/session.sh"

# name, then layouttool's options
cases() {
    cat <<'LIST'
l1-default      --layout 1 --date 2026-12-10 --region 2
l1-feb          --layout 1 --date 2026-02-01 --region 0 --first-day 6
l1-leap-today   --layout 1 --date 2024-02-29 --region 9
l1-christmas    --layout 1 --date 2026-12-24 --region 2 --font-height -30
l1-huge-fits    --layout 1 --date 2026-01-31 --font-height -200 --screen 800x600
l1-times        --layout 1 --date 2026-05-01 --region 5 --font "Times New Roman"
l1-tahoma       --layout 1 --date 2026-07-19 --font Tahoma --font-height -18
l2-default      --layout 2 --date 2026-12-10 --region 2
l2-week-names   --layout 2 --date 2026-12-10 --region 2 --week 1 --weekdays 1
l2-sunday       --layout 2 --date 2026-03-01 --region 18 --first-day 6 --weekdays 1
l2-feb-monday   --layout 2 --date 2027-02-01 --week 1
l2-small        --layout 2 --date 2026-10-03 --region 1 --font-height -20 --weekdays 1
l2-shrinks      --layout 2 --date 2026-08-15 --region 3 --font-height -120 --screen 640x480
l2-times        --layout 2 --date 2026-11-01 --region 4 --font "Times New Roman" --week 1
l3-default      --layout 3 --date 2026-12-10 --region 2
l3-january      --layout 3 --date 2027-01-06 --region 2 --week 1 --weekdays 1
l3-sunday       --layout 3 --date 2026-06-30 --region 7 --first-day 6 --font Tahoma --font-height -40
l3-small        --layout 3 --date 2026-04-05 --region 12 --font-height -16 --week 1
l4-form0        --layout 4 --date 2026-12-10 --form 0 --weekdays 1
l4-form1        --layout 4 --date 2026-12-10 --form 1 --weekdays 1 --region 2
l4-form2        --layout 4 --date 2026-12-25 --form 2 --weekdays 1 --region 2
l4-form3        --layout 4 --date 2026-12-26 --form 3 --weekdays 0 --region 2
l4-plain        --layout 4 --date 2026-01-06 --form 1 --weekdays 0 --region 0
l4-holiday-fit  --layout 4 --date 2026-10-03 --form 3 --weekdays 1 --region 1 --screen 320x240
l4-times        --layout 4 --date 2026-05-14 --form 2 --weekdays 1 --region 5 --font "Times New Roman"
l5-form0        --layout 5 --date 2026-12-10 --region 2 --form 0 --week 1 --weekdays 1
l5-sunday       --layout 5 --date 2026-12-27 --region 2 --form 1 --weekdays 1
l5-form2        --layout 5 --date 2026-12-10 --form 2 --week 1
l5-eve          --layout 5 --date 2023-12-24 --region 5 --form 3 --week 1 --weekdays 1 --font Tahoma
clock-default   --layout clock --time 12:34:56
clock-plain     --layout clock --time 00:00:00 --effect 0 --seconds 1
clock-shadow    --layout clock --time 23:59:59 --effect 1 --seconds 1 --itime 0
clock-highlight --layout clock --time 09:05:07 --effect 2 --colour 0x0000FF
clock-key       --layout clock --time 18:20:00 --effect 2 --colour 0x808080 --seconds 1
clock-small     --layout clock --time 07:08:09 --font-height -24 --seconds 1 --font Arial
clock-huge      --layout clock --time 10:10:10 --font-height -300 --screen 800x600
LIST
}

rm -f "$DIR"/*.bmp "$DIR/sha256.txt"
cases | while read -r name options; do
    eval "set -- $options"
    "$W/wine-run" "$TOOL" --screen 1024x768 "$@" "$(winpath "$DIR/$name.bmp")" >/dev/null </dev/null ||
        echo "pictures: $name could not be drawn" >&2
done
(cd "$DIR" && sha256sum -- *.bmp >sha256.txt)
echo "pictures: $(wc -l <"$DIR/sha256.txt") in $DIR/sha256.txt"
