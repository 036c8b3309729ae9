// The audio DLL's interface as its callers see it: the 26 functions, bound by
// name at run time, their types, and the device record. The DLL's own export
// layer is checked against these types.
#pragma once

#include <windows.h>

#include <cstdint>

#include "audio/audio_codes.h"

typedef uint64_t AudioQword;

// One output device; the texts live while the DLL is loaded.
struct AudioDeviceInfo {
    const char* name;
    const char* driver;
    DWORD flags;   // AUDIO_DEVICE_*
};

// Called by the program.
typedef DWORD(WINAPI* BASS_GetVersion_t)();
typedef BOOL(WINAPI* BASS_GetDeviceInfo_t)(DWORD device, AudioDeviceInfo* info);
// device: a number from BASS_GetDeviceInfo, or -1 for the default device.
typedef BOOL(WINAPI* BASS_Init_t)(int device, DWORD freq, DWORD flags, HWND window, const void* clsid);
typedef BOOL(WINAPI* BASS_Start_t)();
typedef BOOL(WINAPI* BASS_Stop_t)();
typedef BOOL(WINAPI* BASS_Free_t)();
// mem FALSE: `file` is a path, `offset` and `length` (0: to the end) a part of
// the file; mem TRUE: `file` points at `length` bytes that outlive the stream.
typedef DWORD(WINAPI* BASS_StreamCreateFile_t)(BOOL mem, const void* file, AudioQword offset, AudioQword length,
                                               DWORD flags);
typedef BOOL(WINAPI* BASS_ChannelPlay_t)(DWORD handle, BOOL restart);
typedef BOOL(WINAPI* BASS_ChannelSetAttribute_t)(DWORD handle, DWORD attrib, float value);
typedef BOOL(WINAPI* BASS_ChannelSlideAttribute_t)(DWORD handle, DWORD attrib, float value, DWORD ms);

// Not called by the program; these work all the same.
typedef int(WINAPI* BASS_ErrorGetCode_t)();
typedef BOOL(WINAPI* BASS_StreamFree_t)(DWORD handle);
typedef BOOL(WINAPI* BASS_SetVolume_t)(float volume);
typedef DWORD(WINAPI* BASS_ChannelIsActive_t)(DWORD handle);
typedef BOOL(WINAPI* BASS_ChannelStop_t)(DWORD handle);
// Sets the flags under `mask` to those of `flags`; the new flags, or (DWORD)-1.
typedef DWORD(WINAPI* BASS_ChannelFlags_t)(DWORD handle, DWORD flags, DWORD mask);
typedef BOOL(WINAPI* BASS_ChannelIsSliding_t)(DWORD handle, DWORD attrib);
// (AudioQword)-1 on failure.
typedef AudioQword(WINAPI* BASS_ChannelGetPosition_t)(DWORD handle, DWORD mode);
// Peak of the last block after the volume: left in the low word, right in the
// high word, 0 to 32768 each; (DWORD)-1 on failure.
typedef DWORD(WINAPI* BASS_ChannelGetLevel_t)(DWORD handle);
typedef BOOL(WINAPI* BASS_SetConfig_t)(DWORD option, DWORD value);

// Present for callers that look them up; each fails with AUDIO_ERROR_NOT_AVAILABLE.
typedef DWORD(WINAPI* BASS_PluginLoad_t)(const char* file, DWORD flags);
typedef BOOL(WINAPI* BASS_PluginFree_t)(DWORD plugin);
typedef DWORD(WINAPI* BASS_StreamCreateURL_t)(const char* url, DWORD offset, DWORD flags, void* proc, void* user);
typedef DWORD(WINAPI* BASS_SampleGetChannel_t)(DWORD sample, BOOL onlyNew);
typedef DWORD(WINAPI* BASS_ChannelSetSync_t)(DWORD handle, DWORD type, AudioQword param, void* proc, void* user);
typedef DWORD(WINAPI* BASS_SampleLoad_t)(BOOL mem, const void* file, AudioQword offset, DWORD length, DWORD max,
                                         DWORD flags);

// The names in the order callers take them.
#define AUDIO_EXPORT_COUNT 26
static const char* const kAudioExportNames[AUDIO_EXPORT_COUNT] = {
    "BASS_Init",           "BASS_Free",
    "BASS_Start",          "BASS_Stop",
    "BASS_GetVersion",     "BASS_ErrorGetCode",
    "BASS_PluginLoad",     "BASS_PluginFree",
    "BASS_StreamCreateFile", "BASS_StreamCreateURL",
    "BASS_ChannelPlay",    "BASS_StreamFree",
    "BASS_SetVolume",      "BASS_SampleGetChannel",
    "BASS_ChannelIsActive", "BASS_ChannelSetAttribute",
    "BASS_ChannelSlideAttribute", "BASS_ChannelStop",
    "BASS_ChannelFlags",   "BASS_ChannelIsSliding",
    "BASS_ChannelGetPosition", "BASS_ChannelGetLevel",
    "BASS_ChannelSetSync", "BASS_SampleLoad",
    "BASS_SetConfig",      "BASS_GetDeviceInfo",
};
