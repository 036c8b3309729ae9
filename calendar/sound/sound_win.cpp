// The binding to the audio DLL: written out of the program's resource, loaded,
// its functions taken by name, the device chosen from the settings.
#include "sound/sound.h"
#include "sound/sound_binding.h"

#include <cstring>

#include "audio/audio_api.h"
#include "base/app.h"
#include "base/test_call_log.h"
#include "settings/settings.h"

namespace {

const int kVolumeAttribute = 2;
const DWORD kAutoFree = 0x40000;
const DWORD kFadeMs = 500;

HMODULE gSoundModule = nullptr;
char gWrittenPath[MAX_PATH];
DWORD gCurrentStream = 0;

struct SoundFunctions {
    BASS_Init_t Init;
    BASS_Free_t Free;
    BASS_Start_t Start;
    BASS_Stop_t Stop;
    BASS_GetVersion_t GetVersion;
    BASS_ErrorGetCode_t ErrorGetCode;
    BASS_PluginLoad_t PluginLoad;
    BASS_PluginFree_t PluginFree;
    BASS_StreamCreateFile_t StreamCreateFile;
    BASS_StreamCreateURL_t StreamCreateURL;
    BASS_ChannelPlay_t ChannelPlay;
    BASS_StreamFree_t StreamFree;
    BASS_SetVolume_t SetVolume;
    BASS_SampleGetChannel_t SampleGetChannel;
    BASS_ChannelIsActive_t ChannelIsActive;
    BASS_ChannelSetAttribute_t ChannelSetAttribute;
    BASS_ChannelSlideAttribute_t ChannelSlideAttribute;
    BASS_ChannelStop_t ChannelStop;
    BASS_ChannelFlags_t ChannelFlags;
    BASS_ChannelIsSliding_t ChannelIsSliding;
    BASS_ChannelGetPosition_t ChannelGetPosition;
    BASS_ChannelGetLevel_t ChannelGetLevel;
    BASS_ChannelSetSync_t ChannelSetSync;
    BASS_SampleLoad_t SampleLoad;
    BASS_SetConfig_t SetConfig;
    BASS_GetDeviceInfo_t GetDeviceInfo;
};
SoundFunctions gSound;

template <typename T>
void Take(HMODULE module, const char* name, T* slot)
{
    *slot = (T)(void*)GetProcAddress(module, name);
}

void TakeFunctions(HMODULE module)
{
    Take(module, "BASS_Init", &gSound.Init);
    Take(module, "BASS_Free", &gSound.Free);
    Take(module, "BASS_Start", &gSound.Start);
    Take(module, "BASS_Stop", &gSound.Stop);
    Take(module, "BASS_GetVersion", &gSound.GetVersion);
    Take(module, "BASS_ErrorGetCode", &gSound.ErrorGetCode);
    Take(module, "BASS_PluginLoad", &gSound.PluginLoad);
    Take(module, "BASS_PluginFree", &gSound.PluginFree);
    Take(module, "BASS_StreamCreateFile", &gSound.StreamCreateFile);
    Take(module, "BASS_StreamCreateURL", &gSound.StreamCreateURL);
    Take(module, "BASS_ChannelPlay", &gSound.ChannelPlay);
    Take(module, "BASS_StreamFree", &gSound.StreamFree);
    Take(module, "BASS_SetVolume", &gSound.SetVolume);
    Take(module, "BASS_SampleGetChannel", &gSound.SampleGetChannel);
    Take(module, "BASS_ChannelIsActive", &gSound.ChannelIsActive);
    Take(module, "BASS_ChannelSetAttribute", &gSound.ChannelSetAttribute);
    Take(module, "BASS_ChannelSlideAttribute", &gSound.ChannelSlideAttribute);
    Take(module, "BASS_ChannelStop", &gSound.ChannelStop);
    Take(module, "BASS_ChannelFlags", &gSound.ChannelFlags);
    Take(module, "BASS_ChannelIsSliding", &gSound.ChannelIsSliding);
    Take(module, "BASS_ChannelGetPosition", &gSound.ChannelGetPosition);
    Take(module, "BASS_ChannelGetLevel", &gSound.ChannelGetLevel);
    Take(module, "BASS_ChannelSetSync", &gSound.ChannelSetSync);
    Take(module, "BASS_SampleLoad", &gSound.SampleLoad);
    Take(module, "BASS_SetConfig", &gSound.SetConfig);
    Take(module, "BASS_GetDeviceInfo", &gSound.GetDeviceInfo);
}

// The functions the program calls; without any of them it stays silent.
bool CalledFunctionsBound()
{
    return gSound.Init && gSound.Free && gSound.Start && gSound.Stop && gSound.GetVersion && gSound.GetDeviceInfo &&
           gSound.StreamCreateFile && gSound.ChannelPlay && gSound.ChannelSetAttribute && gSound.ChannelSlideAttribute;
}

// Writes the whole DLL to `path`; a file that was opened but not written
// whole is deleted. A file held by someone else stays untouched.
bool WriteLibraryFile(const char* path, const void* dll, DWORD size)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, dll, size, &written, nullptr) && written == size;
    ok = CloseHandle(file) && ok;
    if (!ok)
        DeleteFileA(path);
    return ok != FALSE;
}

bool ChooseWrittenPath()
{
    if (strlen(gSettings.DataFolder) > 2) {
        if (strlen(gSettings.DataFolder) + strlen("~D3.m") >= MAX_PATH)
            return false;
        strcpy(gWrittenPath, gSettings.DataFolder);
        strcat(gWrittenPath, "~D3.m");
        return true;
    }
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    return n > 0 && n < MAX_PATH && GetTempFileNameA(temp, "~KV", 0, gWrittenPath) != 0;
}

// Walks the devices: the name of the n-th enabled one (n >= 0), or, with
// n < 0, the count of the usable ones (enabled, a name of 3 or more characters).
int WalkDevices(int n, const char** name)
{
    int enabled = 0, usable = 0;
    AudioDeviceInfo info;
    for (DWORD device = 0; gSound.GetDeviceInfo(device, &info); device++) {
        if (!(info.flags & AUDIO_DEVICE_ENABLED))
            continue;
        const char* text = info.name ? info.name : "";
        if (n >= 0 && enabled == n) {
            *name = text;
            return 1;
        }
        enabled++;
        if (strlen(text) > 2)
            usable++;
    }
    return n >= 0 ? 0 : usable;
}

}  // namespace

int LoadSoundLibrary()
{
    LogStandInCall("LoadSoundLibrary");
    HMODULE program = ProgramModule();
    HRSRC resource = FindResourceA(program, MAKEINTRESOURCEA(3), "DATA");
    DWORD size = resource ? SizeofResource(program, resource) : 0;
    HGLOBAL loaded = size ? LoadResource(program, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return 0;
    return LoadSoundLibraryFromBytes(bytes, size);
}

int LoadSoundLibraryFromBytes(const void* dll, DWORD size)
{
    UnloadSoundLibrary();
    if (!ChooseWrittenPath())
        return 0;
    if (!WriteLibraryFile(gWrittenPath, dll, size)) {
        // The temporary name is a file of our own; a held "~D3.m" is not.
        if (strlen(gSettings.DataFolder) <= 2)
            DeleteFileA(gWrittenPath);
        gWrittenPath[0] = 0;
        return 0;
    }
    gSoundModule = LoadLibraryA(gWrittenPath);
    if (!gSoundModule) {
        DeleteFileA(gWrittenPath);
        gWrittenPath[0] = 0;
        return 0;
    }
    TakeFunctions(gSoundModule);
    if (!CalledFunctionsBound() || AUDIO_VERSION_MAJOR(gSound.GetVersion()) != 0x0204) {
        UnloadSoundLibrary();
        return 0;
    }

    LoadSoundSettings();
    int device = SoundDeviceForRun(gSettings.SndDevice, WalkDevices(-1, nullptr));
    if (!gSound.Init(device, 44100, 0, nullptr, nullptr))
        return 0;
    return gSound.Start();
}

void UnloadSoundLibrary()
{
    if (gSoundModule) {
        gSound.Stop();
        gSound.Free();
        FreeLibrary(gSoundModule);
        gSoundModule = nullptr;
    }
    memset(&gSound, 0, sizeof(gSound));
    gCurrentStream = 0;
    if (gWrittenPath[0]) {
        DeleteFileA(gWrittenPath);
        gWrittenPath[0] = 0;
    }
}

void CloseSound()
{
    UnloadSoundLibrary();
}

void FadeOutSound()
{
    if (gSoundModule && gCurrentStream)
        gSound.ChannelSlideAttribute(gCurrentStream, kVolumeAttribute, 0.0f, kFadeMs);
}

void PlaySoundFile(const char* path)
{
    if (!gSoundModule)
        return;
    FadeOutSound();
    Sleep(5);
    DWORD stream = gSound.StreamCreateFile(FALSE, path, 0, 0, kAutoFree);
    if (!stream)
        return;
    // The volume first, so that no block plays at full volume.
    gSound.ChannelSetAttribute(stream, kVolumeAttribute, gSettings.SndVolume / 100.0f);
    if (gSound.ChannelPlay(stream, FALSE)) {
        gCurrentStream = stream;
    } else if (gSound.StreamFree) {
        // A stream that frees itself at its end but never plays would stay.
        gSound.StreamFree(stream);
    }
}

int GetSoundDeviceName(char* buffer, int size, int n)
{
    if (!gSoundModule || !buffer || size <= 0 || n < 0)
        return 0;
    const char* name = nullptr;
    if (!WalkDevices(n, &name))
        return 0;
    lstrcpynA(buffer, name, size);
    return strlen(name) > 2;
}

HMODULE GetSoundModule()
{
    return gSoundModule;
}

DWORD GetCurrentSoundStream()
{
    return gCurrentStream;
}
