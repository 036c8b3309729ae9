#!/usr/bin/env bash
# Writes the Desktop page's layout previews klayout01.bmp .. klayout05.bmp
# (24-bit, 160 x 120) through layouttool's --preview under Wine, with the
# committed sheet for layout 5 and the fonts of the build's Wine prefix. Build
# the windows preset first; run once, the output is committed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
# Wine's drive Z: is the root folder.
winpath() { echo "Z:$1"; }
for n in 1 2 3 4 5; do
    "$root/tools/layouttool" --preview "$n" --sheet "$(winpath "$here/kalender04_250.png")" \
        "$(winpath "$here/klayout0$n.bmp")"
done
