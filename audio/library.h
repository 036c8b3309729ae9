// The audio library behind the DLL's exports: devices, the one output with
// its mixer thread, the streams and the per-thread error code. Each function
// is the export of the same name without its prefix (audio_api.h).
#pragma once

#include <windows.h>

#include "audio/audio_api.h"

void AudioAttach();
// On FreeLibrary; the caller has freed the output first.
void AudioDetach();

DWORD AudioGetVersion();
int AudioErrorGetCode();
BOOL AudioGetDeviceInfo(DWORD device, AudioDeviceInfo* info);
BOOL AudioInit(int device, DWORD freq, DWORD flags, HWND window, const void* clsid);
BOOL AudioStart();
BOOL AudioStop();
BOOL AudioFree();
BOOL AudioSetVolume(float volume);
BOOL AudioSetConfig(DWORD option, DWORD value);
DWORD AudioStreamCreateFile(BOOL mem, const void* file, AudioQword offset, AudioQword length, DWORD flags);
BOOL AudioStreamFree(DWORD handle);
BOOL AudioChannelPlay(DWORD handle, BOOL restart);
BOOL AudioChannelStop(DWORD handle);
DWORD AudioChannelIsActive(DWORD handle);
DWORD AudioChannelFlags(DWORD handle, DWORD flags, DWORD mask);
BOOL AudioChannelSetAttribute(DWORD handle, DWORD attrib, float value);
BOOL AudioChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD ms);
BOOL AudioChannelIsSliding(DWORD handle, DWORD attrib);
AudioQword AudioChannelGetPosition(DWORD handle, DWORD mode);
DWORD AudioChannelGetLevel(DWORD handle);
// What the library does not offer: fails with AUDIO_ERROR_NOT_AVAILABLE.
DWORD AudioNotAvailable();

// The mixer thread's id while a device is open (0 otherwise), for measurements.
DWORD AudioMixerThreadId();
