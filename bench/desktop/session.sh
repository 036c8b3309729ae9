# Sourced by the desktop scripts: a private 1024x768 Xvfb and the windows
# build's Wine server in its virtual-desktop prefix, both ended on exit. Needs
# W (the windows build folder); gives winpath.
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r num <"$fifo" || true
rm -f "$fifo"
[ -n "${num:-}" ] || { echo "desktop: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$num VESKO_GUI_DISPLAY=:$num VESKO_GUI=1 VESKO_DESKTOP=1024x768
export VESKO_WINEPREFIX=$W/wineprefix
trap '"$W/wine-run" --server-stop; kill $xvfb 2>/dev/null || true' EXIT
"$W/wine-run" --server-start

winpath() { "$W/wine-run" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
