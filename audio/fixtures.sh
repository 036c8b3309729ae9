#!/usr/bin/env bash
# Sound fixtures in audio/ of the fixtures folder: 2 s of a 1 kHz sine at half
# scale as WAV (sox), MP3 (lame) and MP2 (twolame), each at 44.1 kHz stereo
# ("sine44s") and 22.05 kHz mono ("sine22m"); mpg123's decode of each MP3 and
# MP2 as the reference ("<name>_<ext>.ref.wav"); the WAV's samples as sox
# reads them (".raw"); and an ALSA configuration whose default PCM is the null
# device, for the waveOut test.
set -euo pipefail
out=$1/audio
mkdir -p "$out"
for tool in sox lame twolame mpg123; do
  command -v $tool >/dev/null || { echo "audio fixtures: $tool is missing (tools/setup installs it)" >&2; exit 1; }
done
[ -f "$out/.complete" ] && [ "$out/.complete" -nt "$0" ] && exit 0
rm -f "$out/.complete"
for fixture in "sine44s 44100 2" "sine22m 22050 1"; do
  set -- $fixture
  name=$1 rate=$2 channels=$3
  sox -D -n -r "$rate" -c "$channels" -b 16 "$out/$name.wav" synth 2 sine 1000 vol 0.5
  sox "$out/$name.wav" -t raw -e signed -b 16 -L "$out/$name.raw"
  # Variable bitrate at its best: at fixed rates lame gives a pure tone 5 % less amplitude.
  lame --quiet -V 0 "$out/$name.wav" "$out/$name.mp3"
  mode=s; [ "$channels" = 1 ] && mode=m
  twolame --quiet --mode $mode "$out/$name.wav" "$out/$name.mp2"
  for ext in mp3 mp2; do
    mpg123 -q -w "$out/${name}_$ext.ref.wav" "$out/$name.$ext"
  done
done
printf 'pcm.!default { type null }\n' >"$out/alsa-null.conf"
touch "$out/.complete"
