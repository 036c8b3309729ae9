#!/usr/bin/env bash
# Compiles the help file: build-chm.sh OUTDIR writes OUTDIR/840D.chm.
set -euo pipefail
out=${1:?usage: build-chm.sh OUTDIR}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/840D.hhp" "$here/840D.hhc" "$here/html" "$work/"
# The month pictures' credits page is made from their CREDITS.
python3 "$here/licences.py" html "$here/../wallpaper/assets/CREDITS" "$work/html/de/lizenzen.html"
(cd "$work" && chmcmd 840D.hhp >"$work/log" 2>&1) || { cat "$work/log" >&2; exit 1; }
mkdir -p "$out"
mv "$work/840D.chm" "$out/840D.chm.tmp"
mv "$out/840D.chm.tmp" "$out/840D.chm"
