// audiotool: plays sound files through the audio DLL beside it.
//   audiotool devices                      lists the devices, one "N: name" a line
//   audiotool play [--device N] FILE...   plays each to its end; one line per
//                                          file; exit 1 when one does not play
//   audiotool bench FILE                   plays it on the silent device and
//                                          reports the mixer thread's CPU time,
//                                          then decodes it in-process and times that
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "audio/audio_api.h"
#include "audio/mpeg_decoder.h"

namespace {

struct Api {
    BASS_Init_t Init;
    BASS_Free_t Free;
    BASS_ErrorGetCode_t ErrorGetCode;
    BASS_StreamCreateFile_t StreamCreateFile;
    BASS_ChannelPlay_t ChannelPlay;
    BASS_ChannelIsActive_t ChannelIsActive;
    BASS_ChannelGetPosition_t ChannelGetPosition;
    BASS_StreamFree_t StreamFree;
    BASS_GetDeviceInfo_t GetDeviceInfo;
};

template <typename T>
bool Take(HMODULE module, const char* name, T* slot)
{
    *slot = (T)(void*)GetProcAddress(module, name);
    return *slot != nullptr;
}

bool LoadApi(Api* api)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    char* slash = strrchr(path, '\\');
    strcpy(slash ? slash + 1 : path, "veskoaudio.dll");
    HMODULE module = LoadLibraryA(path);
    return module && Take(module, "BASS_Init", &api->Init) && Take(module, "BASS_Free", &api->Free) &&
           Take(module, "BASS_ErrorGetCode", &api->ErrorGetCode) &&
           Take(module, "BASS_StreamCreateFile", &api->StreamCreateFile) &&
           Take(module, "BASS_ChannelPlay", &api->ChannelPlay) &&
           Take(module, "BASS_ChannelIsActive", &api->ChannelIsActive) &&
           Take(module, "BASS_ChannelGetPosition", &api->ChannelGetPosition) &&
           Take(module, "BASS_StreamFree", &api->StreamFree) && Take(module, "BASS_GetDeviceInfo", &api->GetDeviceInfo);
}

double Seconds()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

std::set<DWORD> OwnThreads()
{
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ids.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

double ThreadCpuSeconds(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](const FILETIME& t) { return ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime; };
    return (double)(ticks(kernel) + ticks(user)) / 1e7;
}

// Plays one stream to its end; the seconds it took, or -1.
double PlayToEnd(const Api& api, const char* file, AudioQword* bytes)
{
    DWORD stream = api.StreamCreateFile(FALSE, file, 0, 0, 0);
    if (!stream) {
        printf("%s: not played, error %d\n", file, api.ErrorGetCode());
        return -1;
    }
    double start = Seconds();
    api.ChannelPlay(stream, FALSE);
    while (api.ChannelIsActive(stream) == AUDIO_ACTIVE_PLAYING && Seconds() - start < 600)
        Sleep(10);
    double took = Seconds() - start;
    *bytes = api.ChannelGetPosition(stream, AUDIO_POS_BYTES);
    bool ended = api.ChannelIsActive(stream) == AUDIO_ACTIVE_STOPPED;
    api.StreamFree(stream);
    return ended ? took : -1;
}

int Play(const Api& api, int device, int count, char** files)
{
    AudioDeviceInfo info{};
    if (device >= 0 && api.GetDeviceInfo((DWORD)device, &info))
        printf("device %d: %s\n", device, info.name);
    if (!api.Init(device, 44100, 0, nullptr, nullptr)) {
        printf("device %d does not open, error %d\n", device, api.ErrorGetCode());
        return 2;
    }
    int failed = 0;
    for (int i = 0; i < count; i++) {
        AudioQword bytes = 0;
        double took = PlayToEnd(api, files[i], &bytes);
        if (took < 0 || bytes == 0) {
            printf("%s: did not play to its end\n", files[i]);
            failed = 1;
        } else {
            printf("%s: played %llu bytes in %.0f ms\n", files[i], (unsigned long long)bytes, took * 1000);
        }
    }
    api.Free();
    return failed;
}

int Bench(const Api& api, const char* file)
{
    std::set<DWORD> before = OwnThreads();
    if (!api.Init(0, 44100, 0, nullptr, nullptr)) {
        printf("the silent device does not open, error %d\n", api.ErrorGetCode());
        return 2;
    }
    HANDLE mixer = nullptr;
    for (DWORD id : OwnThreads())
        if (!before.count(id))
            mixer = OpenThread(THREAD_QUERY_INFORMATION, FALSE, id);
    if (!mixer) {
        printf("no mixer thread found\n");
        return 2;
    }
    double cpu0 = ThreadCpuSeconds(mixer);
    AudioQword bytes = 0;
    double played = PlayToEnd(api, file, &bytes);
    double cpu = ThreadCpuSeconds(mixer) - cpu0;
    CloseHandle(mixer);
    api.Free();
    if (played < 0) {
        printf("%s did not play to its end\n", file);
        return 1;
    }
    printf("mixer_cpu_s=%.3f played_s=%.3f mixer_percent=%.3f\n", cpu, played, 100 * cpu / played);

    std::vector<uint8_t> bytesOfFile;
    if (FILE* f = fopen(file, "rb")) {
        char chunk[65536];
        size_t n;
        while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0)
            bytesOfFile.insert(bytesOfFile.end(), chunk, chunk + n);
        fclose(f);
    }
    // The median of five decodes of the whole file.
    std::vector<double> times;
    uint64_t frames = 0;
    for (int run = 0; run < 5; run++) {
        double start = Seconds();
        std::unique_ptr<AudioDecoder> decoder;
        if (OpenMpegDecoder(std::unique_ptr<AudioBytes>(new VectorBytes(bytesOfFile)), &decoder) != AUDIO_OK) {
            printf("%s does not decode\n", file);
            return 1;
        }
        std::vector<float> out(8192 * 2);
        frames = 0;
        for (size_t n; (n = decoder->Read(out.data(), 8192)) > 0;)
            frames += n;
        times.push_back((Seconds() - start) * 1000);
    }
    std::sort(times.begin(), times.end());
    printf("decode_ms=%.1f decoded_frames=%llu\n", times[2], (unsigned long long)frames);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Api api{};
    if (!LoadApi(&api)) {
        printf("veskoaudio.dll is missing or incomplete\n");
        return 2;
    }
    if (argc >= 3 && strcmp(argv[1], "play") == 0) {
        int first = 2, device = -1;
        if (argc >= 5 && strcmp(argv[2], "--device") == 0) {
            device = atoi(argv[3]);
            first = 4;
        }
        return Play(api, device, argc - first, argv + first);
    }
    if (argc == 2 && strcmp(argv[1], "devices") == 0) {
        AudioDeviceInfo info{};
        for (DWORD device = 0; api.GetDeviceInfo(device, &info); device++)
            printf("%lu: %s\n", device, info.name);
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "bench") == 0)
        return Bench(api, argv[2]);
    printf("usage: audiotool devices | audiotool play [--device N] FILE... | audiotool bench FILE\n");
    return 2;
}
