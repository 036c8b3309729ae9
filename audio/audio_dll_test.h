// The built audio DLL as its callers bind it, for the tests.
#pragma once

#include <windows.h>

#include <string>

#include "audio/audio_api.h"
#include "tests/support/test_support.h"

namespace audiotest {

struct AudioDll {
    HMODULE module = nullptr;
    BASS_GetVersion_t GetVersion;
    BASS_ErrorGetCode_t ErrorGetCode;
    BASS_GetDeviceInfo_t GetDeviceInfo;
    BASS_Init_t Init;
    BASS_Start_t Start;
    BASS_Stop_t Stop;
    BASS_Free_t Free;
    BASS_SetVolume_t SetVolume;
    BASS_SetConfig_t SetConfig;
    BASS_StreamCreateFile_t StreamCreateFile;
    BASS_StreamFree_t StreamFree;
    BASS_ChannelPlay_t ChannelPlay;
    BASS_ChannelStop_t ChannelStop;
    BASS_ChannelIsActive_t ChannelIsActive;
    BASS_ChannelFlags_t ChannelFlags;
    BASS_ChannelSetAttribute_t ChannelSetAttribute;
    BASS_ChannelSlideAttribute_t ChannelSlideAttribute;
    BASS_ChannelIsSliding_t ChannelIsSliding;
    BASS_ChannelGetPosition_t ChannelGetPosition;
    BASS_ChannelGetLevel_t ChannelGetLevel;
};

template <typename T>
void TakeExport(HMODULE module, const char* name, T* slot)
{
    *slot = (T)(void*)GetProcAddress(module, name);
}

// The functions of a loaded module (the DLL in bin/ when `module` is NULL).
inline bool BindAudioDll(AudioDll* dll, HMODULE module = nullptr)
{
    if (!module)
        module = LoadLibraryA(vt::BuildPath("bin/veskoaudio.dll").c_str());
    dll->module = module;
    if (!module)
        return false;
#define AUDIO_TAKE(name) TakeExport(module, "BASS_" #name, &dll->name)
    AUDIO_TAKE(GetVersion);
    AUDIO_TAKE(ErrorGetCode);
    AUDIO_TAKE(GetDeviceInfo);
    AUDIO_TAKE(Init);
    AUDIO_TAKE(Start);
    AUDIO_TAKE(Stop);
    AUDIO_TAKE(Free);
    AUDIO_TAKE(SetVolume);
    AUDIO_TAKE(SetConfig);
    AUDIO_TAKE(StreamCreateFile);
    AUDIO_TAKE(StreamFree);
    AUDIO_TAKE(ChannelPlay);
    AUDIO_TAKE(ChannelStop);
    AUDIO_TAKE(ChannelIsActive);
    AUDIO_TAKE(ChannelFlags);
    AUDIO_TAKE(ChannelSetAttribute);
    AUDIO_TAKE(ChannelSlideAttribute);
    AUDIO_TAKE(ChannelIsSliding);
    AUDIO_TAKE(ChannelGetPosition);
    AUDIO_TAKE(ChannelGetLevel);
#undef AUDIO_TAKE
    return dll->GetVersion && dll->ChannelGetLevel && dll->ChannelSlideAttribute;
}

// Seconds since some start, from the performance counter.
inline double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

// Sleeps until `seconds` after `start`.
inline void SleepUntil(double start, double seconds)
{
    double left = start + seconds - Now();
    if (left > 0)
        Sleep((DWORD)(left * 1000));
}

}  // namespace audiotest
