#!/usr/bin/env bash
# The DLL exports exactly the names of audio_api.h's list, undecorated.
# check_exports.sh DLL AUDIO_API_H
set -euo pipefail
dll=$1 header=$2
got=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort)
want=$(grep -o '"BASS_[A-Za-z]*"' "$header" | tr -d '"' | sort)
[ "$(printf '%s\n' "$want" | wc -l)" = 26 ] || { echo "audio_api.h does not list 26 names"; exit 1; }
if [ "$got" != "$want" ]; then
  echo "exports differ from audio_api.h:"
  diff <(printf '%s\n' "$want") <(printf '%s\n' "$got") || true
  exit 1
fi
echo "26 exports, undecorated"
