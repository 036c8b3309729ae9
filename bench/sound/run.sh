#!/bin/sh
# Sound benchmark under Wine (windows preset built first), with a 60 s MP3
# (two tones and some noise, 44.1 kHz stereo, lame -V 2):
#  1. the audio DLL plays it on its silent device; the mixer thread's CPU
#     time (GetThreadTimes) over the play. Target: under 2 % of one core.
#  2. the static library decodes it in-process (median of 5) against native
#     `mpg123 -w /dev/null` (median of 5) on the same machine. Target: within 3x.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
W=$ROOT/build/windows
OUT=$ROOT/build/bench-sound
mkdir -p "$OUT"
[ -f "$W/bin/audiotool.exe" ] && [ -f "$W/bin/veskoaudio.dll" ] || {
    echo "sound bench: build the windows preset first" >&2; exit 1; }
mp3=$OUT/sixty.mp3
if [ ! -f "$mp3" ]; then
    sox -D -n -r 44100 -c 2 -b 16 "$OUT/sixty.wav" synth 60 sine 440 sine 660 whitenoise vol 0.3
    lame --quiet -V 2 "$OUT/sixty.wav" "$mp3"
    rm -f "$OUT/sixty.wav"
fi
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
line=$("$W/wine-run" "$W/bin/audiotool.exe" bench "Z:$mp3" | tr -d '\r' | tr '\n' ' ')
echo "$line"
percent=$(echo "$line" | sed -n 's/.*mixer_percent=\([0-9.]*\).*/\1/p')
ours=$(echo "$line" | sed -n 's/.*decode_ms=\([0-9.]*\).*/\1/p')
[ -n "$percent" ] && [ -n "$ours" ] || { echo "sound bench: audiotool failed" >&2; exit 1; }
peer=$(for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    mpg123 -q -w /dev/null "$mp3"
    end=$(date +%s%N)
    echo $(( (end - start) / 1000 ))
done | sort -n | sed -n 3p | awk '{ printf "%.1f", $1 / 1000 }')
echo "mixer thread: $percent % of one core over the 60 s play (target under 2 %)"
echo "decode: $ours ms in-process, mpg123 -w /dev/null $peer ms, ratio $(echo "$ours $peer" | awk '{ printf "%.2f", $1 / $2 }') (target within 3x)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
