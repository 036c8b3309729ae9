#include "audio/library.h"

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/channel.h"
#include "audio/mpeg_decoder.h"
#include "audio/output_win.h"
#include "audio/wav_decoder.h"
#include "audio/wav_header.h"

namespace {

struct Device {
    std::string name;
    std::string driver;
    int waveId;   // Output::kSilent, WAVE_MAPPER or a waveOut device
};

// A file mapped whole; the stream reads the part it was given.
class MappedFile : public AudioBytes {
public:
    ~MappedFile() override
    {
        if (m_view)
            UnmapViewOfFile(m_view);
        if (m_mapping)
            CloseHandle(m_mapping);
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
    }

    int Open(const char* path, AudioQword offset, AudioQword length)
    {
        // Nobody writes or truncates the file under the mapping while it plays.
        m_file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (m_file == INVALID_HANDLE_VALUE)
            return AUDIO_ERROR_FILE_OPEN;
        LARGE_INTEGER fileSize;
        if (!GetFileSizeEx(m_file, &fileSize))
            return AUDIO_ERROR_FILE_OPEN;
        uint64_t total = (uint64_t)fileSize.QuadPart;
        if (offset >= total)
            return AUDIO_ERROR_FILE_FORMAT;
        if (length == 0 || length > total - offset)
            length = total - offset;
        if (total > SIZE_MAX)
            return AUDIO_ERROR_FILE_OPEN;
        m_mapping = CreateFileMappingA(m_file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        m_view = m_mapping ? MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
        if (!m_view)
            return AUDIO_ERROR_FILE_OPEN;
        data = (const uint8_t*)m_view + offset;
        size = (size_t)length;
        return AUDIO_OK;
    }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    HANDLE m_mapping = nullptr;
    void* m_view = nullptr;
};

// A caller's block, which outlives the stream.
class BorrowedBytes : public AudioBytes {
public:
    BorrowedBytes(const void* block, size_t bytes)
    {
        data = (const uint8_t*)block;
        size = bytes;
    }
};

INIT_ONCE gOnce = INIT_ONCE_STATIC_INIT;
CRITICAL_SECTION gLock;
DWORD gErrorSlot = TLS_OUT_OF_INDEXES;

// Built at the first look and kept, so the names live while the DLL is loaded.
std::vector<Device>* gDevices;
bool gDevicesKnown = false;

bool gInitialised = false;
int gRate = 44100;
float gMaster = 1.0f;
DWORD gBufferMs = 100;
Output gOutput;
std::map<DWORD, std::unique_ptr<Channel>>* gChannels;
DWORD gLastHandle = 0;   // handles are never used twice while the DLL is loaded

BOOL CALLBACK SetUp(INIT_ONCE*, void*, void**)
{
    InitializeCriticalSection(&gLock);
    gErrorSlot = TlsAlloc();
    gDevices = new std::vector<Device>();
    gChannels = new std::map<DWORD, std::unique_ptr<Channel>>();
    return TRUE;
}

void Ready()
{
    InitOnceExecuteOnce(&gOnce, SetUp, nullptr, nullptr);
}

// Sets the calling thread's error code and passes `result` through.
template <typename T>
T Fail(int code, T result)
{
    if (gErrorSlot != TLS_OUT_OF_INDEXES)
        TlsSetValue(gErrorSlot, (void*)(intptr_t)code);
    return result;
}

template <typename T>
T Succeed(T result)
{
    return Fail(AUDIO_OK, result);
}

class Locked {
public:
    Locked()
    {
        Ready();
        EnterCriticalSection(&gLock);
    }
    ~Locked() { LeaveCriticalSection(&gLock); }
};

void KnowDevices()
{
    if (gDevicesKnown)
        return;
    gDevicesKnown = true;
    UINT count = waveOutGetNumDevs();
    gDevices->push_back({"No sound", "", Output::kSilent});
    gDevices->push_back({"Default", "", count > 0 ? (int)WAVE_MAPPER : Output::kSilent});
    for (UINT i = 0; i < count; i++) {
        WAVEOUTCAPSA caps{};
        if (waveOutGetDevCapsA(i, &caps, sizeof(caps)) != MMSYSERR_NOERROR)
            continue;
        caps.szPname[sizeof(caps.szPname) - 1] = 0;
        gDevices->push_back({caps.szPname, "waveOut " + std::to_string(i), (int)i});
    }
}

Channel* Find(DWORD handle)
{
    auto it = gChannels->find(handle);
    return it == gChannels->end() ? nullptr : it->second.get();
}

// The mixer thread's block: every playing channel adds itself; channels
// that free themselves at their end go.
float Render(float* mix, size_t frames)
{
    Locked lock;
    for (auto it = gChannels->begin(); it != gChannels->end();) {
        Channel& channel = *it->second;
        if (!channel.MixInto(mix, frames) && (channel.flags & AUDIO_STREAM_AUTOFREE))
            it = gChannels->erase(it);
        else
            ++it;
    }
    return gMaster;
}

bool ValidVolume(float v)
{
    return std::isfinite(v) && v >= 0.0f;
}

}  // namespace

void AudioAttach()
{
    Ready();
}

void AudioDetach()
{
    if (gErrorSlot != TLS_OUT_OF_INDEXES)
        TlsFree(gErrorSlot);
    gErrorSlot = TLS_OUT_OF_INDEXES;
}

DWORD AudioGetVersion()
{
    Ready();
    return Succeed<DWORD>(AUDIO_VERSION);
}

int AudioErrorGetCode()
{
    Ready();
    return gErrorSlot == TLS_OUT_OF_INDEXES ? AUDIO_OK : (int)(intptr_t)TlsGetValue(gErrorSlot);
}

BOOL AudioGetDeviceInfo(DWORD device, AudioDeviceInfo* info)
{
    Locked lock;
    KnowDevices();
    if (!info)
        return Fail(AUDIO_ERROR_PARAMETER, FALSE);
    if (device >= gDevices->size())
        return Fail(AUDIO_ERROR_DEVICE, FALSE);
    const Device& d = (*gDevices)[device];
    info->name = d.name.c_str();
    info->driver = d.driver.c_str();
    info->flags = AUDIO_DEVICE_ENABLED;
    return Succeed(TRUE);
}

BOOL AudioInit(int device, DWORD freq, DWORD, HWND, const void*)
{
    Locked lock;
    KnowDevices();
    if (gInitialised)
        return Fail(AUDIO_ERROR_ALREADY, FALSE);
    if (device == -1)
        device = 1;
    if (device < 0 || (size_t)device >= gDevices->size())
        return Fail(AUDIO_ERROR_DEVICE, FALSE);
    if (freq == 0)
        freq = 44100;
    if (freq < 8000 || freq > 192000)
        return Fail(AUDIO_ERROR_PARAMETER, FALSE);
    gRate = (int)freq;
    gMaster = 1.0f;
    int status = gOutput.Open((*gDevices)[(size_t)device].waveId, gRate, (int)gBufferMs, Render);
    if (status != AUDIO_OK)
        return Fail(status, FALSE);
    gInitialised = true;
    return Succeed(TRUE);
}

BOOL AudioStart()
{
    Locked lock;
    if (!gInitialised)
        return Fail(AUDIO_ERROR_NOT_INIT, FALSE);
    gOutput.SetRunning(true);
    return Succeed(TRUE);
}

BOOL AudioStop()
{
    Locked lock;
    if (!gInitialised)
        return Fail(AUDIO_ERROR_NOT_INIT, FALSE);
    gOutput.SetRunning(false);
    return Succeed(TRUE);
}

BOOL AudioFree()
{
    Ready();
    EnterCriticalSection(&gLock);
    if (!gInitialised) {
        LeaveCriticalSection(&gLock);
        return Fail(AUDIO_ERROR_NOT_INIT, FALSE);
    }
    gInitialised = false;
    LeaveCriticalSection(&gLock);
    // The mixer thread takes the lock for each block: join it outside.
    gOutput.Close();
    Locked lock;
    gChannels->clear();
    return Succeed(TRUE);
}

BOOL AudioSetVolume(float volume)
{
    Locked lock;
    if (!ValidVolume(volume))
        return Fail(AUDIO_ERROR_PARAMETER, FALSE);
    gMaster = volume > 1.0f ? 1.0f : volume;
    return Succeed(TRUE);
}

BOOL AudioSetConfig(DWORD option, DWORD value)
{
    Locked lock;
    if (option != AUDIO_CONFIG_BUFFER || value < 40 || value > 2000)
        return Fail(AUDIO_ERROR_PARAMETER, FALSE);
    gBufferMs = value;
    return Succeed(TRUE);
}

DWORD AudioStreamCreateFile(BOOL mem, const void* file, AudioQword offset, AudioQword length, DWORD flags)
{
    {
        Locked lock;
        if (!gInitialised)
            return Fail(AUDIO_ERROR_NOT_INIT, 0ul);
    }
    if (!file)
        return Fail(AUDIO_ERROR_PARAMETER, 0ul);
    std::unique_ptr<AudioBytes> bytes;
    if (mem) {
        if (length == 0 || length > SIZE_MAX)
            return Fail(AUDIO_ERROR_PARAMETER, 0ul);
        bytes.reset(new BorrowedBytes(file, (size_t)length));
    } else {
        std::unique_ptr<MappedFile> mapped(new MappedFile());
        int status = mapped->Open((const char*)file, offset, length);
        if (status != AUDIO_OK)
            return Fail(status, 0ul);
        bytes = std::move(mapped);
    }
    std::unique_ptr<AudioDecoder> decoder;
    int status = IsWavFile(bytes->data, bytes->size) ? OpenWavDecoder(std::move(bytes), &decoder)
                                                     : OpenMpegDecoder(std::move(bytes), &decoder);
    if (status != AUDIO_OK)
        return Fail(status, 0ul);
    Locked lock;
    if (!gInitialised)
        return Fail(AUDIO_ERROR_NOT_INIT, 0ul);
    DWORD handle = ++gLastHandle;
    (*gChannels)[handle].reset(new Channel(std::move(decoder), gRate, flags & AUDIO_STREAM_AUTOFREE));
    return Succeed(handle);
}

BOOL AudioStreamFree(DWORD handle)
{
    Locked lock;
    if (!gChannels->erase(handle))
        return Fail(AUDIO_ERROR_HANDLE, FALSE);
    return Succeed(TRUE);
}

BOOL AudioChannelPlay(DWORD handle, BOOL restart)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, FALSE);
    channel->Play(restart != FALSE);
    return Succeed(TRUE);
}

BOOL AudioChannelStop(DWORD handle)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, FALSE);
    // A stream that frees itself at its end would otherwise never go.
    if (channel->flags & AUDIO_STREAM_AUTOFREE)
        gChannels->erase(handle);
    else
        channel->Stop();
    return Succeed(TRUE);
}

DWORD AudioChannelIsActive(DWORD handle)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, (DWORD)AUDIO_ACTIVE_STOPPED);
    if (!channel->Playing())
        return Succeed((DWORD)AUDIO_ACTIVE_STOPPED);
    return Succeed((DWORD)(gOutput.Running() ? AUDIO_ACTIVE_PLAYING : AUDIO_ACTIVE_PAUSED));
}

DWORD AudioChannelFlags(DWORD handle, DWORD flags, DWORD mask)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, (DWORD)-1);
    mask &= AUDIO_STREAM_AUTOFREE;
    channel->flags = (channel->flags & ~mask) | (flags & mask);
    return Succeed((DWORD)channel->flags);
}

BOOL AudioChannelSetAttribute(DWORD handle, DWORD attrib, float value)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, FALSE);
    if (attrib != AUDIO_ATTRIB_VOLUME || !ValidVolume(value))
        return Fail(AUDIO_ERROR_PARAMETER, FALSE);
    channel->Volume().Set(value > 1.0f ? 1.0f : value);
    return Succeed(TRUE);
}

BOOL AudioChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD ms)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, FALSE);
    if (attrib != AUDIO_ATTRIB_VOLUME || !ValidVolume(value))
        return Fail(AUDIO_ERROR_PARAMETER, FALSE);
    uint64_t frames = (uint64_t)ms * (uint64_t)gRate / 1000;
    channel->Volume().Start(value > 1.0f ? 1.0f : value, frames > UINT32_MAX ? UINT32_MAX : (uint32_t)frames);
    return Succeed(TRUE);
}

BOOL AudioChannelIsSliding(DWORD handle, DWORD attrib)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, FALSE);
    if (attrib != AUDIO_ATTRIB_ANY && attrib != AUDIO_ATTRIB_VOLUME)
        return Fail(AUDIO_ERROR_PARAMETER, FALSE);
    return Succeed((BOOL)channel->Volume().Sliding());
}

AudioQword AudioChannelGetPosition(DWORD handle, DWORD mode)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, (AudioQword)-1);
    if (mode != AUDIO_POS_BYTES)
        return Fail(AUDIO_ERROR_PARAMETER, (AudioQword)-1);
    return Succeed((AudioQword)channel->PositionBytes());
}

DWORD AudioChannelGetLevel(DWORD handle)
{
    Locked lock;
    Channel* channel = Find(handle);
    if (!channel)
        return Fail(AUDIO_ERROR_HANDLE, (DWORD)-1);
    return Succeed((DWORD)channel->Level());
}

DWORD AudioNotAvailable()
{
    Ready();
    return Fail(AUDIO_ERROR_NOT_AVAILABLE, 0ul);
}

DWORD AudioMixerThreadId()
{
    Locked lock;
    return gInitialised ? gOutput.ThreadId() : 0;
}
