// The built audio DLL, loaded as the program loads it, on its silent device:
// timing, level, volume and slide for each fixture; hostile files; the life
// cycle of the device; the device list, flags, handles and error codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_dll_test.h"
#include "audio/test_bytes.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

using audiotest::AudioDll;
using audiotest::Now;
using audiotest::SleepUntil;

const DWORD kSilent = 0;

class Dll : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(audiotest::BindAudioDll(&dll_)) << "bin/veskoaudio.dll"; }
    void TearDown() override { dll_.Free(); }

    AudioDll dll_;
};

struct Fixture {
    const char* file;
    int rate;
    int frameBytes;
};

class SilentDevice : public Dll, public ::testing::WithParamInterface<Fixture> {};

uint32_t Left(DWORD level)
{
    return level & 0xFFFF;
}

uint32_t Right(DWORD level)
{
    return level >> 16;
}

TEST_P(SilentDevice, PlaysInRealTimeWithItsLevelVolumeAndSlide)
{
    const Fixture& f = GetParam();
    std::string path = vt::FixturePath(std::string("audio/") + f.file);
    ASSERT_TRUE(dll_.Init(kSilent, 44100, 0, nullptr, nullptr));
    DWORD a = dll_.StreamCreateFile(FALSE, path.c_str(), 0, 0, AUDIO_STREAM_AUTOFREE);
    DWORD b = dll_.StreamCreateFile(FALSE, path.c_str(), 0, 0, AUDIO_STREAM_AUTOFREE);
    ASSERT_NE(a, 0u) << dll_.ErrorGetCode();
    ASSERT_NE(b, 0u);
    ASSERT_TRUE(dll_.ChannelSlideAttribute(b, AUDIO_ATTRIB_VOLUME, 0.0f, 500));
    ASSERT_TRUE(dll_.ChannelPlay(a, FALSE));
    ASSERT_TRUE(dll_.ChannelPlay(b, FALSE));
    double start = Now();

    SleepUntil(start, 0.15);
    DWORD full = dll_.ChannelGetLevel(a);
    EXPECT_NEAR(Left(full), 16384, 1638) << f.file;
    EXPECT_NEAR(Right(full), 16384, 1638) << f.file;

    SleepUntil(start, 0.25);
    double asked = Now() - start;
    BOOL sliding = dll_.ChannelIsSliding(b, AUDIO_ATTRIB_VOLUME);
    if (asked < 0.45) {
        EXPECT_TRUE(sliding) << "at " << asked << " s";
    }
    SleepUntil(start, 0.7);
    EXPECT_FALSE(dll_.ChannelIsSliding(b, AUDIO_ATTRIB_VOLUME));
    EXPECT_EQ(dll_.ChannelGetLevel(b), 0u) << "silent after the slide";
    EXPECT_EQ(dll_.ChannelIsActive(b), AUDIO_ACTIVE_PLAYING) << "it plays on, silent";

    SleepUntil(start, 1.0);
    double before = Now() - start;
    AudioQword bytes = dll_.ChannelGetPosition(a, AUDIO_POS_BYTES);
    double after = Now() - start;
    EXPECT_EQ(dll_.ChannelIsActive(a), AUDIO_ACTIVE_PLAYING);
    double played = (double)bytes / (f.rate * f.frameBytes);
    EXPECT_GE(played, before * 0.75) << f.file;
    EXPECT_LE(played, after * 1.25) << f.file;

    ASSERT_TRUE(dll_.ChannelSetAttribute(a, AUDIO_ATTRIB_VOLUME, 0.5f));
    Sleep(80);
    DWORD half = dll_.ChannelGetLevel(a);
    EXPECT_NEAR(Left(half), Left(full) / 2.0, Left(full) * 0.05) << f.file;
    EXPECT_NEAR(Right(half), Right(full) / 2.0, Right(full) * 0.05) << f.file;

    SleepUntil(start, 2.6);
    EXPECT_EQ(dll_.ChannelIsActive(a), 0u) << "ended and freed by 2.6 s";
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_HANDLE);
    EXPECT_FALSE(dll_.ChannelPlay(a, FALSE));
    EXPECT_FALSE(dll_.ChannelPlay(b, FALSE));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SilentDevice,
                         ::testing::Values(Fixture{"sine44s.wav", 44100, 4}, Fixture{"sine22m.wav", 22050, 2},
                                           Fixture{"sine44s.mp3", 44100, 4}, Fixture{"sine22m.mp3", 22050, 2},
                                           Fixture{"sine44s.mp2", 44100, 4}, Fixture{"sine22m.mp2", 22050, 2}),
                         [](const ::testing::TestParamInfo<Fixture>& info) {
                             std::string name = info.param.file;
                             name[name.find('.')] = '_';
                             return name;
                         });

// A file of hostile bytes: refused with a code, or played to a quick end.
struct Hostile {
    std::string what;
    std::vector<uint8_t> bytes;
    int code;   // the expected error, or -1 when a short play is fine too
};

std::vector<Hostile> HostileFiles()
{
    std::vector<Hostile> files;
    std::vector<uint8_t> wav = audiotest::Wav(2, 44100, 16, audiotest::Sine16(44100, 2, 100, 1000, 0.5));
    files.push_back({"empty", {}, AUDIO_ERROR_FILE_FORMAT});
    for (uint32_t seed = 1; seed <= 8; seed++)
        files.push_back({"random " + std::to_string(seed), vt::RandomBytes(seed * 997, seed), -1});
    for (size_t n = 0; n < 64; n++)
        files.push_back({"WAV cut at " + std::to_string(n), std::vector<uint8_t>(wav.begin(), wav.begin() + n),
                         n < 44 ? AUDIO_ERROR_FILE_FORMAT : -1});
    std::vector<uint8_t> sizes = wav;
    for (size_t at : {4, 5, 6, 7, 40, 41, 42, 43})
        sizes[at] = 0xFF;
    files.push_back({"RIFF and data sizes 0xFFFFFFFF", sizes, -1});
    std::vector<uint8_t> fmtPast(wav.begin(), wav.begin() + 30);
    files.push_back({"fmt chunk past the end", fmtPast, AUDIO_ERROR_FILE_FORMAT});
    for (uint8_t channels : {0, 9}) {
        std::vector<uint8_t> bent = wav;
        bent[22] = channels;
        files.push_back({std::to_string(channels) + " channels", bent, AUDIO_ERROR_SAMPLE_FORMAT});
    }
    std::vector<uint8_t> rate0 = wav;
    rate0[24] = rate0[25] = rate0[26] = rate0[27] = 0;
    files.push_back({"rate 0", rate0, AUDIO_ERROR_SAMPLE_FORMAT});
    std::vector<uint8_t> mp3;
    vt::ReadFileBytes(vt::FixturePath("audio/sine44s.mp3"), &mp3);
    std::vector<uint8_t> id3 = {'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F};
    id3.insert(id3.end(), mp3.begin(), mp3.end());
    files.push_back({"ID3v2 size past the end", id3, AUDIO_ERROR_FILE_FORMAT});
    std::vector<uint8_t> badSync = mp3;
    for (size_t i = 0; i + 1 < badSync.size(); i++)
        if (badSync[i] == 0xFF)
            badSync[i] = 0x7F;
    files.push_back({"bad frame sync", badSync, AUDIO_ERROR_FILE_FORMAT});
    return files;
}

TEST_F(Dll, HostileFilesAreRefusedWithACodeOrPlayAShortCleanEnd)
{
    ASSERT_TRUE(dll_.Init(kSilent, 44100, 0, nullptr, nullptr));
    std::string folder = vt::BuildPath("audio_tmp");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string path = folder + "/hostile_" + std::to_string(GetCurrentProcessId());
    std::vector<DWORD> playing;
    for (const Hostile& h : HostileFiles()) {
        ASSERT_TRUE(vt::WriteFileBytes(path, h.bytes));
        for (BOOL mem : {FALSE, TRUE}) {
            if (mem && h.bytes.empty())
                continue;
            DWORD stream = mem ? dll_.StreamCreateFile(TRUE, h.bytes.data(), 0, h.bytes.size(), 0)
                               : dll_.StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
            int code = dll_.ErrorGetCode();
            if (h.code >= 0) {
                EXPECT_EQ(stream, 0u) << h.what;
                EXPECT_EQ(code, h.code) << h.what;
            } else if (stream == 0) {
                EXPECT_NE(code, AUDIO_OK) << h.what;
            } else {
                ASSERT_TRUE(dll_.ChannelPlay(stream, FALSE)) << h.what;
                bool ended = vt::WaitFor([&] { return dll_.ChannelIsActive(stream) == AUDIO_ACTIVE_STOPPED; }, 3000);
                EXPECT_TRUE(ended) << h.what;
                EXPECT_TRUE(dll_.StreamFree(stream)) << h.what;
            }
        }
    }
    DeleteFileA(path.c_str());
}

TEST_F(Dll, ASecondInitFailsUntilFreeAndThenWorksAgain)
{
    ASSERT_TRUE(dll_.Init(kSilent, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(dll_.Init(kSilent, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_ALREADY);
    EXPECT_FALSE(dll_.Init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_TRUE(dll_.Free());
    EXPECT_FALSE(dll_.Free());
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_NOT_INIT);
    EXPECT_EQ(dll_.StreamCreateFile(FALSE, vt::FixturePath("audio/sine22m.wav").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_NOT_INIT);
    ASSERT_TRUE(dll_.Init(-1, 44100, 0, nullptr, nullptr));
    DWORD stream = dll_.StreamCreateFile(FALSE, vt::FixturePath("audio/sine22m.wav").c_str(), 0, 0, 0);
    EXPECT_NE(stream, 0u);
    EXPECT_TRUE(dll_.ChannelPlay(stream, FALSE));
    EXPECT_TRUE(dll_.Stop());
    EXPECT_EQ(dll_.ChannelIsActive(stream), AUDIO_ACTIVE_PAUSED);
    EXPECT_TRUE(dll_.Start());
    EXPECT_EQ(dll_.ChannelIsActive(stream), AUDIO_ACTIVE_PLAYING);
    // Free ends the streams with the device.
    EXPECT_TRUE(dll_.Free());
    EXPECT_FALSE(dll_.ChannelPlay(stream, FALSE));
}

TEST_F(Dll, TheDeviceListIsNoSoundThenDefaultThenEachWaveOutDevice)
{
    AudioDeviceInfo info{};
    ASSERT_TRUE(dll_.GetDeviceInfo(0, &info));
    EXPECT_STREQ(info.name, "No sound");
    EXPECT_EQ(info.flags & AUDIO_DEVICE_ENABLED, AUDIO_DEVICE_ENABLED);
    ASSERT_TRUE(dll_.GetDeviceInfo(1, &info));
    EXPECT_STREQ(info.name, "Default");
    EXPECT_EQ(info.flags & AUDIO_DEVICE_ENABLED, AUDIO_DEVICE_ENABLED);
    // Under the test runner Wine has no sound driver, so there is no waveOut device.
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
    EXPECT_FALSE(dll_.GetDeviceInfo(2, &info));
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_DEVICE);
    EXPECT_FALSE(dll_.Init(2, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_DEVICE);
    EXPECT_EQ(dll_.GetVersion() >> 16, 0x0204u);
}

TEST_F(Dll, StreamsKeepTheirHandlesFlagsAndEnds)
{
    ASSERT_TRUE(dll_.Init(kSilent, 44100, 0, nullptr, nullptr));
    std::vector<uint8_t> wav = audiotest::Wav(1, 8000, 8, std::vector<uint8_t>(400, 200));   // 50 ms
    DWORD first = dll_.StreamCreateFile(TRUE, wav.data(), 0, wav.size(), 0);
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(dll_.StreamFree(first));
    EXPECT_FALSE(dll_.StreamFree(first));
    DWORD second = dll_.StreamCreateFile(TRUE, wav.data(), 0, wav.size(), 0);
    EXPECT_NE(second, first) << "handles are never used twice";

    // Without the auto-free flag an ended stream stays, stopped at its end.
    ASSERT_TRUE(dll_.ChannelPlay(second, FALSE));
    ASSERT_TRUE(vt::WaitFor([&] { return dll_.ChannelIsActive(second) == AUDIO_ACTIVE_STOPPED; }, 2000));
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_OK);
    EXPECT_EQ(dll_.ChannelGetPosition(second, AUDIO_POS_BYTES), 400u);
    EXPECT_EQ(dll_.ChannelGetLevel(second), 0u);
    // Played again with a restart, and set to free itself, it goes at its end.
    EXPECT_EQ(dll_.ChannelFlags(second, AUDIO_STREAM_AUTOFREE, AUDIO_STREAM_AUTOFREE), AUDIO_STREAM_AUTOFREE);
    ASSERT_TRUE(dll_.ChannelPlay(second, TRUE));
    EXPECT_TRUE(vt::WaitFor([&] { return !dll_.ChannelPlay(second, FALSE); }, 2000));
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_HANDLE);

    // Stopping an auto-free stream frees it: it would never reach its end.
    DWORD third = dll_.StreamCreateFile(TRUE, wav.data(), 0, wav.size(), AUDIO_STREAM_AUTOFREE);
    EXPECT_TRUE(dll_.ChannelStop(third));
    EXPECT_FALSE(dll_.StreamFree(third));
}

TEST_F(Dll, BadArgumentsAndMissingFunctionsGiveTheirCodes)
{
    ASSERT_TRUE(dll_.Init(kSilent, 44100, 0, nullptr, nullptr));
    std::vector<uint8_t> wav = audiotest::Wav(1, 8000, 8, std::vector<uint8_t>(400, 128));
    DWORD stream = dll_.StreamCreateFile(TRUE, wav.data(), 0, wav.size(), 0);
    ASSERT_NE(stream, 0u);
    std::string wavPath = vt::FixturePath("audio/sine22m.wav");
    struct Case {
        const char* what;
        std::function<bool()> call;   // true when the call succeeded
        int code;
    } cases[] = {
        {"volume -1", [&] { return dll_.ChannelSetAttribute(stream, AUDIO_ATTRIB_VOLUME, -1.0f) != 0; },
         AUDIO_ERROR_PARAMETER},
        {"volume NaN", [&] { return dll_.ChannelSetAttribute(stream, AUDIO_ATTRIB_VOLUME, NAN) != 0; },
         AUDIO_ERROR_PARAMETER},
        {"attribute 7", [&] { return dll_.ChannelSlideAttribute(stream, 7, 0.0f, 10) != 0; }, AUDIO_ERROR_PARAMETER},
        {"master volume -0.5", [&] { return dll_.SetVolume(-0.5f) != 0; }, AUDIO_ERROR_PARAMETER},
        {"buffer of 10 ms", [&] { return dll_.SetConfig(AUDIO_CONFIG_BUFFER, 10) != 0; }, AUDIO_ERROR_PARAMETER},
        {"option 99", [&] { return dll_.SetConfig(99, 100) != 0; }, AUDIO_ERROR_PARAMETER},
        {"position mode 5", [&] { return dll_.ChannelGetPosition(stream, 5) != (AudioQword)-1; },
         AUDIO_ERROR_PARAMETER},
        {"a missing file", [&] { return dll_.StreamCreateFile(FALSE, "Z:\\no\\such\\file.wav", 0, 0, 0) != 0; },
         AUDIO_ERROR_FILE_OPEN},
        {"offset past the end", [&] { return dll_.StreamCreateFile(FALSE, wavPath.c_str(), 1u << 30, 0, 0) != 0; },
         AUDIO_ERROR_FILE_FORMAT},
        {"a stream of no handle", [&] { return dll_.ChannelGetLevel(77) != (DWORD)-1; }, AUDIO_ERROR_HANDLE},
        {"buffer of 200 ms", [&] { return dll_.SetConfig(AUDIO_CONFIG_BUFFER, 200) != 0; }, AUDIO_OK},
        {"master volume 0.5", [&] { return dll_.SetVolume(0.5f) != 0; }, AUDIO_OK},
        {"a slide of 10 ms", [&] { return dll_.ChannelSlideAttribute(stream, AUDIO_ATTRIB_VOLUME, 0.2f, 10) != 0; },
         AUDIO_OK},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), c.code == AUDIO_OK) << c.what;
        EXPECT_EQ(dll_.ErrorGetCode(), c.code) << c.what;
    }

    struct Missing {
        const char* name;
    } missing[] = {{"BASS_PluginLoad"}, {"BASS_PluginFree"},       {"BASS_StreamCreateURL"},
                   {"BASS_SampleGetChannel"}, {"BASS_ChannelSetSync"}, {"BASS_SampleLoad"}};
    for (const Missing& m : missing) {
        FARPROC f = GetProcAddress(dll_.module, m.name);
        ASSERT_NE(f, nullptr) << m.name;
        // Each takes at most six arguments; zeros are safe for all of them.
        typedef DWORD(WINAPI * Six)(DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR);
        EXPECT_EQ(((Six)(void*)f)(0, 0, 0, 0, 0, 0), 0u) << m.name;
        EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_NOT_AVAILABLE) << m.name;
    }
}

TEST_F(Dll, EachThreadHasItsOwnErrorCode)
{
    EXPECT_FALSE(dll_.StreamFree(12345));
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_HANDLE);
    int other = -1;
    std::thread([&] {
        other = dll_.ErrorGetCode();
        dll_.Free();
    }).join();
    EXPECT_EQ(other, AUDIO_OK);
    EXPECT_EQ(dll_.ErrorGetCode(), AUDIO_ERROR_HANDLE) << "the other thread's failure is its own";
}

}  // namespace
