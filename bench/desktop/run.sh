#!/bin/sh
# Desktop calendar benchmark under Wine (windows preset built first):
#  1. Idle cost: the test build of the program in a 1024x768 virtual desktop
#     on a private Xvfb, layout 2 and the clock, IDLE seconds (default 60)
#     without input after the first build; CPU seconds of the two drawing
#     threads (from the dump folder) and of the whole process (/proc/PID/stat),
#     with the clock's seconds off and on. Target: under 2 % of one core for
#     the two threads with seconds off.
#  2. Build time per layout and per clock picture with the defaults (median of
#     RUNS, default 10) against ImageMagick -annotate of one text in the same
#     font and size; layout 5 at each of its four sizes (`Kalender4Groesse`
#     0..3) with weekday names and week numbers, all its lines fitted. Targets:
#     under 150 ms a layout (layout 3, the largest, 60 ms), 20 ms a clock
#     picture.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
W=$ROOT/build/windows
OUT=$ROOT/build/bench-desktop
IDLE=${IDLE:-60}
RUNS=${RUNS:-10}
IM=convert-im6.q16
mkdir -p "$OUT"
[ -f "$W/bin/vesko_test.exe" ] && [ -f "$W/bin/layouttool.exe" ] || {
    echo "desktop bench: build the windows preset first" >&2; exit 1; }

. "$ROOT/bench/desktop/session.sh"

key='HKCU\Software\Brantlow\Desktop\840'
idle_run() { # seconds shown (0/1)
    dump=$OUT/dump-$1
    rm -rf "$dump"
    mkdir -p "$dump"
    "$W/wine-run" reg delete "$key" /f >/dev/null 2>&1 || true
    "$W/wine-run" reg add "$key" /v AutoStart /t REG_DWORD /d 0 /f >/dev/null
    "$W/wine-run" reg add "$key" /v HGwechsel /t REG_DWORD /d 99 /f >/dev/null
    "$W/wine-run" reg add "$key" /v KalenderLayout /t REG_DWORD /d 2 /f >/dev/null
    "$W/wine-run" reg add "$key" /v UhrXY /t REG_SZ /d "20, 20, 1, $1" /f >/dev/null
    VESKO_TEST_DUMP=$(winpath "$dump") "$W/wine-run" "$W/bin/vesko_test.exe" &
    program=$!
    for _ in $(seq 1 120); do
        [ -n "$(ls "$dump" 2>/dev/null | grep calendar- || true)" ] && break
        sleep 0.5
    done
    pid=$(pgrep -n -f 'vesko_test\.exe$' || pgrep -n -f 'vesko_test\.exe' || true)
    t0=$(awk '{ print $14 + $15 }' /proc/"$pid"/stat 2>/dev/null || echo 0)
    sleep "$IDLE"
    t1=$(awk '{ print $14 + $15 }' /proc/"$pid"/stat 2>/dev/null || echo 0)
    "$W/wine-run" "$W/bin/vesko_test.exe" EXIT || true
    wait "$program" || true
    hz=$(getconf CLK_TCK)
    awk -v s="$1" -v idle="$IDLE" -v p0="$t0" -v p1="$t1" -v hz="$hz" '
        { t[$1] = $2 }
        END {
            both = t["calendar"] + t["clock"]
            printf "idle, seconds %s: calendar %.3f s, clock %.3f s, both %.3f s = %.2f %% of a core over %d s (whole run); process %.2f s in the idle %d s\n",
                   s, t["calendar"], t["clock"], both, 100 * both / idle, idle, (p1 - p0) / hz, idle
        }' "$dump/cputime.txt"
}

idle_run 0
idle_run 1

# Build times against ImageMagick's one text in the same font and size.
font=$(fc-match -f '%{file}' 'Liberation Sans:bold')
im_ms() {
    start=$(date +%s%N)
    for _ in $(seq 1 "$RUNS"); do
        $IM -size 846x631 xc:'#808080' -font "$font" -pointsize 64 -fill white -annotate +10+64 'Dezember 2026' \
            bmp:/dev/null
    done
    end=$(date +%s%N)
    echo "$start $end $RUNS" | awk '{ printf "%.2f", ($2 - $1) / 1e6 / $3 }'
}
peer=$(im_ms)
for layout in 1 2 3 4 clock; do
    line=$("$W/wine-run" "$W/bin/layouttool.exe" --layout $layout --date 2026-12-10 --region 2 --repeat "$RUNS" \
        "$(winpath "$OUT/layout-$layout.bmp")" | tr -d '\r' | tr '\n' ' ')
    ms=$(echo "$line" | sed -n 's/.*median_ms=\([0-9.]*\).*/\1/p')
    echo "build $layout: $ms ms (median of $RUNS), ImageMagick -annotate $peer ms, ratio $(echo "$ms $peer" | awk '{ printf "%.1f", $1 / $2 }')"
done
for form in 0 1 2 3; do
    line=$("$W/wine-run" "$W/bin/layouttool.exe" --layout 5 --form $form --date 2026-12-10 --region 2 --week 1 \
        --weekdays 1 --repeat "$RUNS" "$(winpath "$OUT/layout-5-$form.bmp")" | tr -d '\r' | tr '\n' ' ')
    ms=$(echo "$line" | sed -n 's/.*median_ms=\([0-9.]*\).*/\1/p')
    size=$(echo "$line" | sed -n 's/.*width=\([0-9]*\) height=\([0-9]*\).*/\1x\2/p')
    echo "build 5 ($size): $ms ms (median of $RUNS), ImageMagick -annotate $peer ms, ratio $(echo "$ms $peer" | awk '{ printf "%.1f", $1 / $2 }')"
done
