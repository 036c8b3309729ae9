#!/usr/bin/env bash
# Fake audio DLLs for the binding's tests, built with MinGW like tray_res.dll:
#   fake_audio.dll          records each call and its arguments, one line each,
#                           in the file that VESKO_FAKE_AUDIO_LOG names; version
#                           0x0204; devices "No sound", "Default", "Speakers",
#                           "ab" (too short), a disabled one and "Headset"; a
#                           path holding "missing" makes no stream, and while
#                           VESKO_FAKE_AUDIO_NOPLAY is set no stream plays
#   fake_audio_0203.dll     the same at version 0x0203
#   fake_audio_noslide.dll  the same without BASS_ChannelSlideAttribute
set -euo pipefail
out=$1
command -v x86_64-w64-mingw32-gcc >/dev/null || exit 0
[ -f "$out/fake_audio_noslide.dll" ] && [ "$out/fake_audio_noslide.dll" -nt "$0" ] && exit 0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cat >"$tmp/fake_audio.c" <<'C'
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#define EXPORT __declspec(dllexport)

typedef struct {
    const char* name;
    const char* driver;
    DWORD flags;
} DeviceInfo;

static const DeviceInfo kDevices[] = {
    {"No sound", "", 1}, {"Default", "", 1}, {"Speakers", "w0", 1}, {"ab", "w1", 1}, {"Off", "w2", 0},
    {"Headset", "w3", 1},
};
static DWORD gNextStream = 100;

static void Record(const char* format, ...)
{
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("VESKO_FAKE_AUDIO_LOG", path, MAX_PATH))
        return;
    FILE* f = fopen(path, "ab");
    if (!f)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(f, format, args);
    va_end(args);
    fputc('\n', f);
    fclose(f);
}

EXPORT DWORD WINAPI BASS_GetVersion(void) { Record("GetVersion"); return FAKE_VERSION; }
EXPORT int WINAPI BASS_ErrorGetCode(void) { return 0; }
EXPORT BOOL WINAPI BASS_GetDeviceInfo(DWORD device, DeviceInfo* info)
{
    if (device >= sizeof(kDevices) / sizeof(kDevices[0]))
        return FALSE;
    *info = kDevices[device];
    return TRUE;
}
EXPORT BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND window, const void* clsid)
{
    Record("Init(%d, %lu, %lu, %p, %p)", device, freq, flags, (void*)window, clsid);
    return TRUE;
}
EXPORT BOOL WINAPI BASS_Start(void) { Record("Start"); return TRUE; }
EXPORT BOOL WINAPI BASS_Stop(void) { Record("Stop"); return TRUE; }
EXPORT BOOL WINAPI BASS_Free(void) { Record("Free"); return TRUE; }
EXPORT DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, unsigned long long offset,
                                          unsigned long long length, DWORD flags)
{
    Record("StreamCreateFile(%d, %s, %llu, %llu, 0x%lX)", mem, (const char*)file, offset, length, flags);
    return strstr((const char*)file, "missing") ? 0 : ++gNextStream;
}
EXPORT BOOL WINAPI BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    Record("ChannelPlay(%lu, %d)", handle, restart);
    return !GetEnvironmentVariableA("VESKO_FAKE_AUDIO_NOPLAY", NULL, 0);
}
EXPORT BOOL WINAPI BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value)
{
    Record("ChannelSetAttribute(%lu, %lu, %.2f)", handle, attrib, value);
    return TRUE;
}
#ifndef NO_SLIDE
EXPORT BOOL WINAPI BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD ms)
{
    Record("ChannelSlideAttribute(%lu, %lu, %.2f, %lu)", handle, attrib, value, ms);
    return TRUE;
}
#endif
EXPORT BOOL WINAPI BASS_StreamFree(DWORD handle) { Record("StreamFree(%lu)", handle); return TRUE; }
C
build() {  # name defines...
  local name=$1; shift
  x86_64-w64-mingw32-gcc -shared -O2 -static-libgcc "$@" -o "$tmp/$name" "$tmp/fake_audio.c"
}
build fake_audio.dll -DFAKE_VERSION=0x02040000
build fake_audio_0203.dll -DFAKE_VERSION=0x02030000
build fake_audio_noslide.dll -DFAKE_VERSION=0x02040000 -DNO_SLIDE
mv "$tmp"/fake_audio*.dll "$out/"
