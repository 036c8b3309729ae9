// The audio DLL: its exports, each the library function of the same name, and
// checked against the types its callers bind them with.
#include <windows.h>

#include <type_traits>

#include "audio/audio_api.h"
#include "audio/library.h"

#define AUDIO_EXPORT(name, type) \
    static_assert(std::is_same<decltype(&name), type>::value, #name " differs from its type in audio_api.h");

extern "C" {

DWORD WINAPI BASS_GetVersion() { return AudioGetVersion(); }
int WINAPI BASS_ErrorGetCode() { return AudioErrorGetCode(); }
BOOL WINAPI BASS_GetDeviceInfo(DWORD device, AudioDeviceInfo* info) { return AudioGetDeviceInfo(device, info); }
BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND window, const void* clsid)
{
    return AudioInit(device, freq, flags, window, clsid);
}
BOOL WINAPI BASS_Start() { return AudioStart(); }
BOOL WINAPI BASS_Stop() { return AudioStop(); }
BOOL WINAPI BASS_Free() { return AudioFree(); }
BOOL WINAPI BASS_SetVolume(float volume) { return AudioSetVolume(volume); }
BOOL WINAPI BASS_SetConfig(DWORD option, DWORD value) { return AudioSetConfig(option, value); }
DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, AudioQword offset, AudioQword length, DWORD flags)
{
    return AudioStreamCreateFile(mem, file, offset, length, flags);
}
BOOL WINAPI BASS_StreamFree(DWORD handle) { return AudioStreamFree(handle); }
BOOL WINAPI BASS_ChannelPlay(DWORD handle, BOOL restart) { return AudioChannelPlay(handle, restart); }
BOOL WINAPI BASS_ChannelStop(DWORD handle) { return AudioChannelStop(handle); }
DWORD WINAPI BASS_ChannelIsActive(DWORD handle) { return AudioChannelIsActive(handle); }
DWORD WINAPI BASS_ChannelFlags(DWORD handle, DWORD flags, DWORD mask) { return AudioChannelFlags(handle, flags, mask); }
BOOL WINAPI BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value)
{
    return AudioChannelSetAttribute(handle, attrib, value);
}
BOOL WINAPI BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD ms)
{
    return AudioChannelSlideAttribute(handle, attrib, value, ms);
}
BOOL WINAPI BASS_ChannelIsSliding(DWORD handle, DWORD attrib) { return AudioChannelIsSliding(handle, attrib); }
AudioQword WINAPI BASS_ChannelGetPosition(DWORD handle, DWORD mode) { return AudioChannelGetPosition(handle, mode); }
DWORD WINAPI BASS_ChannelGetLevel(DWORD handle) { return AudioChannelGetLevel(handle); }

DWORD WINAPI BASS_PluginLoad(const char*, DWORD) { return AudioNotAvailable(); }
BOOL WINAPI BASS_PluginFree(DWORD) { return (BOOL)AudioNotAvailable(); }
DWORD WINAPI BASS_StreamCreateURL(const char*, DWORD, DWORD, void*, void*) { return AudioNotAvailable(); }
DWORD WINAPI BASS_SampleGetChannel(DWORD, BOOL) { return AudioNotAvailable(); }
DWORD WINAPI BASS_ChannelSetSync(DWORD, DWORD, AudioQword, void*, void*) { return AudioNotAvailable(); }
DWORD WINAPI BASS_SampleLoad(BOOL, const void*, AudioQword, DWORD, DWORD, DWORD) { return AudioNotAvailable(); }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        AudioAttach();
    else if (reason == DLL_PROCESS_DETACH && !reserved)
        AudioDetach();
    return TRUE;
}

}  // extern "C"

AUDIO_EXPORT(BASS_GetVersion, BASS_GetVersion_t)
AUDIO_EXPORT(BASS_ErrorGetCode, BASS_ErrorGetCode_t)
AUDIO_EXPORT(BASS_GetDeviceInfo, BASS_GetDeviceInfo_t)
AUDIO_EXPORT(BASS_Init, BASS_Init_t)
AUDIO_EXPORT(BASS_Start, BASS_Start_t)
AUDIO_EXPORT(BASS_Stop, BASS_Stop_t)
AUDIO_EXPORT(BASS_Free, BASS_Free_t)
AUDIO_EXPORT(BASS_SetVolume, BASS_SetVolume_t)
AUDIO_EXPORT(BASS_SetConfig, BASS_SetConfig_t)
AUDIO_EXPORT(BASS_StreamCreateFile, BASS_StreamCreateFile_t)
AUDIO_EXPORT(BASS_StreamFree, BASS_StreamFree_t)
AUDIO_EXPORT(BASS_ChannelPlay, BASS_ChannelPlay_t)
AUDIO_EXPORT(BASS_ChannelStop, BASS_ChannelStop_t)
AUDIO_EXPORT(BASS_ChannelIsActive, BASS_ChannelIsActive_t)
AUDIO_EXPORT(BASS_ChannelFlags, BASS_ChannelFlags_t)
AUDIO_EXPORT(BASS_ChannelSetAttribute, BASS_ChannelSetAttribute_t)
AUDIO_EXPORT(BASS_ChannelSlideAttribute, BASS_ChannelSlideAttribute_t)
AUDIO_EXPORT(BASS_ChannelIsSliding, BASS_ChannelIsSliding_t)
AUDIO_EXPORT(BASS_ChannelGetPosition, BASS_ChannelGetPosition_t)
AUDIO_EXPORT(BASS_ChannelGetLevel, BASS_ChannelGetLevel_t)
AUDIO_EXPORT(BASS_PluginLoad, BASS_PluginLoad_t)
AUDIO_EXPORT(BASS_PluginFree, BASS_PluginFree_t)
AUDIO_EXPORT(BASS_StreamCreateURL, BASS_StreamCreateURL_t)
AUDIO_EXPORT(BASS_SampleGetChannel, BASS_SampleGetChannel_t)
AUDIO_EXPORT(BASS_ChannelSetSync, BASS_ChannelSetSync_t)
AUDIO_EXPORT(BASS_SampleLoad, BASS_SampleLoad_t)
