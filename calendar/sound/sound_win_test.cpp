// The binding to the audio DLL, in-process: with fake DLLs that record each
// call (calendar/sound/fixtures.sh), and with the real DLL read out of
// vesko.exe's resource. Each test has a private registry and data folder.
#include "sound/sound.h"
#include "sound/sound_binding.h"

#include <windows.h>

#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/audio_api.h"
#include "base/app.h"
#include "settings/settings.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

using vt::ReadText;
using vt::WindowsPath;

double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class Sound : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = vt::TestName() + "_" + std::to_string(GetCurrentProcessId());
        keyPath_ = "Software\\VeskoTests\\" + name;
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, root_), ERROR_SUCCESS);
        folder_ = WindowsPath(vt::BuildPath("sound_tmp/" + name)) + "\\";
        vt::DeleteFolderTree(folder_.substr(0, folder_.size() - 1));
        ASSERT_EQ(SHCreateDirectoryExA(nullptr, folder_.c_str(), nullptr), ERROR_SUCCESS);
        lstrcpynA(gSettings.DataFolder, folder_.c_str(), MAX_PATH);
        written_ = folder_ + "~D3.m";
        log_ = folder_ + "calls.txt";
        SetEnvironmentVariableA("VESKO_FAKE_AUDIO_LOG", log_.c_str());
        SetEnvironmentVariableA("VESKO_FAKE_AUDIO_NOPLAY", nullptr);
    }

    void TearDown() override
    {
        CloseSound();
        if (gInstance) {
            FreeLibrary(gInstance);
            gInstance = nullptr;
        }
        SetEnvironmentVariableA("VESKO_FAKE_AUDIO_LOG", nullptr);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath_.c_str());
        vt::DeleteFolderTree(folder_.substr(0, folder_.size() - 1));
    }

    void Store(const char* name, DWORD value) { vt::SetDword(root_, SETTINGS_KEY, name, value); }

    DWORD Stored(const char* name)
    {
        DWORD value = 0, size = sizeof(value);
        RegGetValueA(root_, SETTINGS_KEY, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }

    int LoadFake(const char* dll)
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath(dll), &bytes)) << dll;
        return LoadSoundLibraryFromBytes(bytes.data(), (DWORD)bytes.size());
    }

    // The calls the fake recorded since the last look.
    std::vector<std::string> Calls()
    {
        std::vector<std::string> lines = Lines(ReadText(log_));
        DeleteFileA(log_.c_str());
        return lines;
    }

    // The program file as its resources' module, as at run time.
    void UseProgramResources()
    {
        gInstance = LoadLibraryExA(WindowsPath(vt::BuildPath("bin/vesko.exe")).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(gInstance, nullptr) << "bin/vesko.exe";
    }

    template <typename T>
    T Export(const char* name)
    {
        return (T)(void*)GetProcAddress(GetSoundModule(), name);
    }

    HKEY root_ = nullptr;
    std::string keyPath_, folder_, written_, log_;
};

TEST_F(Sound, ALibraryOfAnotherVersionOrWithoutACalledFunctionLeavesTheProgramSilent)
{
    for (const char* dll : {"fake_audio_0203.dll", "fake_audio_noslide.dll"}) {
        EXPECT_EQ(LoadFake(dll), 0) << dll;
        EXPECT_EQ(GetSoundModule(), nullptr) << dll;
        EXPECT_FALSE(Exists(written_)) << dll << " left " << written_;
        for (const std::string& call : Calls())
            EXPECT_EQ(call.find("Init"), std::string::npos) << dll << ": " << call;
    }
}

TEST_F(Sound, AWrittenOutFileHeldOpenByAnotherIsNeitherLoadedNorTouched)
{
    const std::string planted = "planted by someone else";
    ASSERT_TRUE(vt::WriteFileBytes(written_, std::vector<uint8_t>(planted.begin(), planted.end())));
    HANDLE held = CreateFileA(written_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LoadFake("fake_audio.dll"), 0);
    EXPECT_EQ(GetSoundModule(), nullptr);
    CloseHandle(held);
    EXPECT_EQ(ReadText(written_), planted);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Sound, TheStoredDeviceIsUsedWhileItExistsAndIsKeptWhenItDoesNot)
{
    // The fake has four usable devices: "No sound", "Default", "Speakers", "Headset".
    struct Case {
        int stored;
        int init;
    } cases[] = {{0, -1}, {99, -1}, {1, 1}, {3, 3}, {4, -1}, {-7, -1}};
    for (const Case& c : cases) {
        Store("SndDevice", (DWORD)c.stored);
        Store("SndVolume", 40);
        ASSERT_NE(LoadFake("fake_audio.dll"), 0) << c.stored;
        std::vector<std::string> calls = Calls();
        char init[64];
        snprintf(init, sizeof(init), "Init(%d, 44100, 0, ", c.init);
        ASSERT_EQ(calls.size(), 3u) << c.stored;
        EXPECT_EQ(calls[0], "GetVersion");
        EXPECT_EQ(calls[1].rfind(init, 0), 0u) << c.stored << ": " << calls[1];
        EXPECT_EQ(calls[1].find("0000000000000001"), std::string::npos) << "window and clsid are NULL";
        EXPECT_EQ(calls[2], "Start");
        // The setting stays as it was stored, so a device missing at one start is used again later.
        EXPECT_EQ(gSettings.SndDevice, c.stored);
        EXPECT_EQ(gSettings.SndVolume, 40);
        SaveSettings();
        EXPECT_EQ(Stored("SndDevice"), (DWORD)c.stored);
        EXPECT_EQ(Stored("SndVolume"), 40u);
        UnloadSoundLibrary();
        EXPECT_EQ(Calls(), (std::vector<std::string>{"Stop", "Free"}));
        EXPECT_FALSE(Exists(written_));
    }
}

TEST_F(Sound, ASecondSoundFadesTheFirstAndPlaysAtTheStoredVolumeSetBeforePlay)
{
    Store("SndVolume", 40);
    ASSERT_NE(LoadFake("fake_audio.dll"), 0);
    Calls();
    PlaySoundFile("C:\\sounds\\first.wav");
    PlaySoundFile("C:\\sounds\\second.mp3");
    FadeOutSound();
    EXPECT_EQ(Calls(), (std::vector<std::string>{
                           "StreamCreateFile(0, C:\\sounds\\first.wav, 0, 0, 0x40000)",
                           "ChannelSetAttribute(101, 2, 0.40)",
                           "ChannelPlay(101, 0)",
                           "ChannelSlideAttribute(101, 2, 0.00, 500)",
                           "StreamCreateFile(0, C:\\sounds\\second.mp3, 0, 0, 0x40000)",
                           "ChannelSetAttribute(102, 2, 0.40)",
                           "ChannelPlay(102, 0)",
                           "ChannelSlideAttribute(102, 2, 0.00, 500)",
                       }));
    EXPECT_EQ(GetCurrentSoundStream(), 102u);
}

TEST_F(Sound, AFileThatDoesNotOpenIsIgnoredAndAStreamThatDoesNotPlayIsFreed)
{
    ASSERT_NE(LoadFake("fake_audio.dll"), 0);
    Calls();
    PlaySoundFile("C:\\sounds\\missing.wav");
    EXPECT_EQ(Calls(), (std::vector<std::string>{"StreamCreateFile(0, C:\\sounds\\missing.wav, 0, 0, 0x40000)"}));
    EXPECT_EQ(GetCurrentSoundStream(), 0u);
    SetEnvironmentVariableA("VESKO_FAKE_AUDIO_NOPLAY", "1");
    PlaySoundFile("C:\\sounds\\broken.wav");
    std::vector<std::string> calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[2], "ChannelPlay(101, 0)");
    EXPECT_EQ(calls[3], "StreamFree(101)");
    EXPECT_EQ(GetCurrentSoundStream(), 0u);
    FadeOutSound();
    EXPECT_TRUE(Calls().empty()) << "no stream to fade";
}

TEST_F(Sound, DeviceNamesCountTheEnabledDevicesAndWantThreeCharacters)
{
    char name[64] = "unchanged";
    EXPECT_EQ(GetSoundDeviceName(name, sizeof(name), 0), 0) << "nothing loaded";
    ASSERT_NE(LoadFake("fake_audio.dll"), 0);
    struct Case {
        int n;
        int result;
        const char* name;
    } cases[] = {{0, 1, "No sound"}, {1, 1, "Default"}, {2, 1, "Speakers"}, {3, 0, "ab"}, {4, 1, "Headset"},
                 {5, 0, "ab"}, {-1, 0, "ab"}};
    for (const Case& c : cases) {
        lstrcpyA(name, "ab");
        EXPECT_EQ(GetSoundDeviceName(name, sizeof(name), c.n), c.result) << c.n;
        EXPECT_STREQ(name, c.name) << c.n;
    }
    EXPECT_EQ(GetSoundDeviceName(name, 4, 2), 1);
    EXPECT_STREQ(name, "Spe");
}

TEST_F(Sound, AShortDataFolderWritesTheLibraryToATemporaryFile)
{
    lstrcpyA(gSettings.DataFolder, "C:");
    ASSERT_NE(LoadFake("fake_audio.dll"), 0);
    char path[MAX_PATH], temp[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(GetSoundModule(), path, MAX_PATH), 0u);
    GetTempPathA(MAX_PATH, temp);
    char longTemp[MAX_PATH], longPath[MAX_PATH];
    GetLongPathNameA(temp, longTemp, MAX_PATH);
    GetLongPathNameA(path, longPath, MAX_PATH);
    std::string file = longPath;
    EXPECT_EQ(file.rfind(longTemp, 0), 0u) << file << " in " << longTemp;
    EXPECT_EQ(file.find("~KV", strlen(longTemp)), strlen(longTemp)) << file;
    EXPECT_FALSE(Exists(written_));
    CloseSound();
    EXPECT_FALSE(Exists(file)) << file;
}

TEST_F(Sound, TheProgramCarriesTheBuiltLibraryAndWritesItOutWhileLoaded)
{
    UseProgramResources();
    ASSERT_NE(LoadSoundLibrary(), 0);
    std::vector<uint8_t> written, built;
    ASSERT_TRUE(vt::ReadFileBytes(written_, &written));
    ASSERT_TRUE(vt::ReadFileBytes(vt::BuildPath("bin/veskoaudio.dll"), &built));
    EXPECT_TRUE(written == built) << "~D3.m differs from bin/veskoaudio.dll";
    char loaded[MAX_PATH];
    GetModuleFileNameA(GetSoundModule(), loaded, MAX_PATH);
    EXPECT_EQ(lstrcmpiA(loaded, written_.c_str()), 0) << loaded;

    char name[64];
    EXPECT_EQ(GetSoundDeviceName(name, sizeof(name), 0), 1);
    EXPECT_STREQ(name, "No sound");
    EXPECT_EQ(GetSoundDeviceName(name, sizeof(name), 1), 1);
    EXPECT_STREQ(name, "Default");
    EXPECT_EQ(GetSoundDeviceName(name, sizeof(name), 2), 0) << "no waveOut device under the test runner";

    CloseSound();
    EXPECT_EQ(GetSoundModule(), nullptr);
    EXPECT_FALSE(Exists(written_));
}

TEST_F(Sound, ASecondSoundFadesTheFirstToSilenceWithinAHalfSecondWhileItPlays)
{
    UseProgramResources();
    ASSERT_NE(LoadSoundLibrary(), 0);
    auto level = Export<BASS_ChannelGetLevel_t>("BASS_ChannelGetLevel");
    auto active = Export<BASS_ChannelIsActive_t>("BASS_ChannelIsActive");
    PlaySoundFile(vt::FixturePath("audio/sine44s.wav").c_str());
    DWORD first = GetCurrentSoundStream();
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(vt::WaitFor([&] { return level(first) > 0; }, 1000));
    PlaySoundFile(vt::FixturePath("audio/sine22m.mp3").c_str());
    double start = Now();
    DWORD second = GetCurrentSoundStream();
    ASSERT_NE(second, first);
    while (level(first) != 0 && Now() - start < 2)
        Sleep(5);
    double silent = Now() - start;
    EXPECT_LE(silent, 0.7);
    EXPECT_GE(silent, 0.4) << "faded over half a second, not cut";
    EXPECT_EQ(active(second), AUDIO_ACTIVE_PLAYING);
    EXPECT_NEAR(level(second) & 0xFFFF, 16384, 1638);
}

TEST_F(Sound, AtVolume50TheFirstBlockPlaysAtHalfLevel)
{
    UseProgramResources();
    ASSERT_NE(LoadSoundLibrary(), 0);
    auto level = Export<BASS_ChannelGetLevel_t>("BASS_ChannelGetLevel");
    DWORD first[2];
    int volumes[2] = {100, 50};
    for (int i = 0; i < 2; i++) {
        gSettings.SndVolume = volumes[i];
        PlaySoundFile(vt::FixturePath("audio/sine44s.wav").c_str());
        DWORD stream = GetCurrentSoundStream();
        double start = Now();
        while ((first[i] = level(stream)) == 0 && Now() - start < 1)
            Sleep(1);
        ASSERT_NE(first[i], 0u) << volumes[i];
    }
    EXPECT_NEAR(first[0] & 0xFFFF, 16384, 1638);
    EXPECT_LE(first[1] & 0xFFFF, (first[0] & 0xFFFF) / 2 * 1.05);
    EXPECT_LE(first[1] >> 16, (first[0] >> 16) / 2 * 1.05);
}

size_t ThreadCount()
{
    size_t n = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
        n += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return n;
}

TEST_F(Sound, LoadPlayUnloadCyclesLeaveNoThreadAndNoFile)
{
    UseProgramResources();
    std::string wav = vt::FixturePath("audio/sine22m.wav");
    auto cycle = [&] {
        ASSERT_NE(LoadSoundLibrary(), 0);
        PlaySoundFile(wav.c_str());
        Sleep(30);
        CloseSound();
    };
    cycle();   // the system's own first-use threads come here
    size_t before = ThreadCount();
    for (int i = 0; i < 20; i++)
        cycle();
    EXPECT_EQ(ThreadCount(), before);
    EXPECT_FALSE(Exists(written_));
    EXPECT_EQ(GetSoundModule(), nullptr);
}

}  // namespace
