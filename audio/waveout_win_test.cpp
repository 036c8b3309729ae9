// The waveOut path: audiotool plays the fixtures through the DLL with Wine's
// ALSA driver switched on and ALSA's default device the null PCM. The null
// PCM is no clock, so only the plays' ends are checked, not their timing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

// Runs bin/audiotool.exe in a Wine process of its own, started from the
// host with Wine's ALSA driver allowed and ALSA's default device the null PCM
// (a Windows child would take this process's driver settings); its exit code
// and what it printed.
int RunAudioTool(const std::string& arguments, std::string* output)
{
    std::string base = vt::BuildPath("audio_tmp/audiotool_" + std::to_string(GetCurrentProcessId()));
    CreateDirectoryA(vt::WindowsPath(vt::BuildPath("audio_tmp")).c_str(), nullptr);
    std::string log = base + ".txt", status = base + ".rc";
    DeleteFileA(log.c_str());
    DeleteFileA(status.c_str());
    std::string script = base + ".sh";
    std::string text =
        "WINEDLLOVERRIDES=$(printf %s \"$WINEDLLOVERRIDES\" | sed 's/;winealsa.drv,/;/')\n"
        "ALSA_CONFIG_PATH='" + vt::UnixPath(vt::FixturePath("audio/alsa-null.conf")) + "'\n"
        "export WINEDLLOVERRIDES ALSA_CONFIG_PATH\n"
        "/usr/lib/wine/wine64 '" + vt::WindowsPath(vt::BuildPath("bin/audiotool.exe")) + "' " + arguments +
        " >'" + vt::UnixPath(log) + "' 2>&1\n"
        "echo $? >'" + vt::UnixPath(status) + ".part'\n"
        "mv '" + vt::UnixPath(status) + ".part' '" + vt::UnixPath(status) + "'\n";
    if (!vt::WriteFileBytes(script, std::vector<uint8_t>(text.begin(), text.end())) ||
        vt::RunHost("/bin/sh", {vt::UnixPath(script)}) != 0)
        return -1;
    std::string code;
    if (!vt::WaitFor([&] { return !(code = vt::ReadText(status)).empty(); }, 120000))
        return -1;
    *output = vt::ReadText(log);
    DeleteFileA(log.c_str());
    DeleteFileA(status.c_str());
    DeleteFileA(script.c_str());
    return atoi(code.c_str());
}

TEST(WaveOut, TheFixturesPlayToTheirEndOnAWaveOutDevice)
{
    std::string devices;
    ASSERT_EQ(RunAudioTool("devices", &devices), 0) << devices;
    if (devices.find("\n2: ") == std::string::npos)
        GTEST_SKIP() << "Wine shows no waveOut device with its ALSA driver and the null PCM:\n" << devices;
    std::string files;
    for (const char* name : {"sine44s.wav", "sine22m.wav", "sine44s.mp3", "sine22m.mp3", "sine44s.mp2", "sine22m.mp2"})
        files += " '" + vt::WindowsPath(vt::FixturePath(std::string("audio/") + name)) + "'";
    // The first waveOut device, and the default device, which is the wave mapper now.
    for (const char* device : {"2", "1"}) {
        std::string output;
        EXPECT_EQ(RunAudioTool(std::string("play --device ") + device + files, &output), 0) << output;
        size_t played = 0;
        for (size_t at = 0; (at = output.find(": played ", at)) != std::string::npos; at++)
            played++;
        EXPECT_EQ(played, 6u) << output;
    }
}

}  // namespace
