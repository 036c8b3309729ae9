#!/usr/bin/env bash
# A planted hhctrl.ocx for the help loader's test: $1/common_win/hhctrl.ocx,
# a DLL whose HtmlHelpA answers 0x7E57, which the real one never does.
set -euo pipefail
out=$1/common_win
[ -f "$out/hhctrl.ocx" ] && [ "$out/hhctrl.ocx" -nt "$0" ] && exit 0
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cat >"$tmp/planted.c" <<'C'
#include <windows.h>
__declspec(dllexport) HWND WINAPI HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    (void)caller, (void)file, (void)command, (void)data;
    return (HWND)(ULONG_PTR)0x7E57;
}
C
x86_64-w64-mingw32-gcc -shared -o "$tmp/hhctrl.ocx" "$tmp/planted.c"
mv "$tmp/hhctrl.ocx" "$out/hhctrl.ocx"
