#!/usr/bin/env bash
# tray_res.dll: a resource-only module for the tray tests with the program's
# day-icon pictures (tray.rc) and plain stand-in "MOND0".."MOND7" and
# "APP_ICON" icons. Needs the MinGW-w64 resource compiler; skipped without it.
set -euo pipefail
out=$1
dll=$out/tray_res.dll
command -v x86_64-w64-mingw32-windres >/dev/null || exit 0
if [ -f "$dll" ] && [ "$dll" -nt tray.rc ] && [ "$dll" -nt res/icon_kal.bmp ] && [ "$dll" -nt res/icon_msk.bmp ] \
   && [ "$dll" -nt fixtures.sh ]; then
  exit 0
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for i in 0 1 2 3 4 5 6 7; do
  convert -size 16x16 "xc:rgb($((i * 30)),40,90)" "$tmp/mond$i.ico"
  echo "MOND$i ICON \"mond$i.ico\"" >>"$tmp/icons.rc"
done
convert -size 16x16 xc:orange "$tmp/app.ico"
echo 'APP_ICON ICON "app.ico"' >>"$tmp/icons.rc"
x86_64-w64-mingw32-windres "$tmp/icons.rc" -O coff -o "$tmp/icons.o"
x86_64-w64-mingw32-windres tray.rc -O coff -o "$tmp/tray.o"
x86_64-w64-mingw32-gcc -shared -nostdlib -Wl,-e,0 -o "$tmp/tray_res.dll" "$tmp/icons.o" "$tmp/tray.o"
mv "$tmp/tray_res.dll" "$dll"
