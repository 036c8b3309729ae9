#!/usr/bin/env bash
# The compiled help file for the help tests: $1/calendar_help/840D.chm.
set -euo pipefail
out=$1/calendar_help
here=$(cd "$(dirname "$0")" && pwd)
credits=$here/../wallpaper/assets/CREDITS
if [ -f "$out/840D.chm" ] && [ -z "$(find "$here" "$credits" -newer "$out/840D.chm" -type f | head -1)" ]; then
    exit 0
fi
"$here/build-chm.sh" "$out"
