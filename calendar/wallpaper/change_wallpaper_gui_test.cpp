// The new-picture button end to end: the test build of the program in a
// 1280 x 1024 virtual desktop on an X display of its own (24 and 16 bits),
// checked on disk, in the registry and on the screen.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/app.h"
#include "settings/settings.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

using vt::UnixPath;
using vt::WindowsPath;

using vt::WaitFor;
using vt::ReadText;

// A 24-bit BMP as top-down RGB rows.
bool ReadBmp24(const std::string& path, vt::Pnm* image)
{
    std::vector<uint8_t> b;
    if (!vt::ReadFileBytes(path, &b) || b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return false;
    auto u32 = [&](size_t at) { return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 |
                                       (uint32_t)b[at + 3] << 24; };
    uint32_t offset = u32(10), width = u32(18);
    int32_t height = (int32_t)u32(22);
    if ((b[28] | b[29] << 8) != 24 || u32(30) != 0 || width == 0 || width > 10000 || height <= 0 || height > 10000)
        return false;
    size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    if (offset + stride * height > b.size())
        return false;
    image->width = (int)width;
    image->height = height;
    image->channels = 3;
    image->pixels.resize((size_t)width * height * 3);
    for (int32_t y = 0; y < height; y++) {
        const uint8_t* row = &b[offset + stride * (height - 1 - y)];
        uint8_t* out = &image->pixels[(size_t)y * width * 3];
        for (uint32_t x = 0; x < width; x++) {
            out[3 * x] = row[3 * x + 2];
            out[3 * x + 1] = row[3 * x + 1];
            out[3 * x + 2] = row[3 * x];
        }
    }
    return true;
}

struct ThreadCall {
    std::string desktop;
    std::function<void()> body;
};

DWORD WINAPI ThreadOnDesktop(void* parameter)
{
    ThreadCall* call = (ThreadCall*)parameter;
    HDESK desktop = OpenDesktopA(call->desktop.c_str(), 0, FALSE, GENERIC_ALL);
    if (desktop && SetThreadDesktop(desktop))
        call->body();
    if (desktop)
        CloseDesktop(desktop);
    return 0;
}

// Runs `body` on a thread of the named desktop, where the program's windows are.
void OnDesktop(const std::string& desktop, const std::function<void()>& body)
{
    ThreadCall call{desktop, body};
    HANDLE thread = CreateThread(nullptr, 0, ThreadOnDesktop, &call, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

class WallpaperDesktop : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        exe_ = WindowsPath(vt::BuildPath("bin/vesko_test.exe"));
        ASSERT_NE(GetFileAttributesA(exe_.c_str()), INVALID_FILE_ATTRIBUTES) << "no test build of the program";
        id_ = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetParam());
        work_ = WindowsPath(vt::BuildPath("change_wallpaper_desktop_" + id_));
        CreateDirectoryA(work_.c_str(), nullptr);
        callLog_ = work_ + "\\calls.txt";
        msgBox_ = work_ + "\\boxes.txt";
        DeleteFileA(callLog_.c_str());
        DeleteFileA(msgBox_.c_str());
        desktopName_ = "VeskoWallpaper" + std::to_string(GetParam());

        char appData[MAX_PATH];
        ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData), S_OK);
        wallpaper_ = std::string(appData) + "\\Brantlow\\Raridavezazezud\\wallpaper.bmp";
        DeleteFileA(wallpaper_.c_str());
        SetDesktopWallpaperValue("");

        RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
        SetDword("AutoStart", 0);
        SetDword("HGwechsel", 99);   // only the button changes the picture
        SetDword("KeinKalender", 1);
        SetDword("Uhr", 0);
        StartDisplay();
    }

    void TearDown() override
    {
        // A program still running on the display ends before the display does.
        if (!desktopName_.empty())
            OnDesktop(desktopName_, [] {
                HWND window = FindWindowA(nullptr, MAIN_WINDOW_TITLE);
                if (!window)
                    return;
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                    TerminateProcess(process, 99);
                    WaitForSingleObject(process, 5000);
                    CloseHandle(process);
                }
            });
        if (!xvfbPid_.empty())
            vt::RunHost("/bin/kill", {xvfbPid_});
        RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
        SetEnvironmentVariableA("DISPLAY", display_.empty() ? nullptr : savedDisplay_.c_str());
        for (const char* name : {"\\calls.txt", "\\boxes.txt", "\\xvfb.txt", "\\xvfb.sh", "\\start.sh"})
            DeleteFileA((work_ + name).c_str());
        RemoveDirectoryA(work_.c_str());
    }

    void SetDword(const char* name, DWORD value) { vt::SetDword(HKEY_CURRENT_USER, SETTINGS_KEY, name, value); }

    static std::string GetText(const char* keyName, const char* name)
    {
        char value[MAX_PATH] = "";
        DWORD size = sizeof(value);
        if (RegGetValueA(HKEY_CURRENT_USER, keyName, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            return "(none)";
        return value;
    }

    static DWORD GetDword(const char* name)
    {
        DWORD value = 0xDEADBEEF, size = sizeof(value);
        RegGetValueA(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }

    static void SetDesktopWallpaperValue(const char* path)
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Wallpaper", 0, REG_SZ, (const BYTE*)path, (DWORD)strlen(path) + 1);
            RegCloseKey(key);
        }
    }

    // An X display of 1280 x 1024 at the test's depth, for this test alone; it
    // ends by itself should the test never get to end it.
    void StartDisplay()
    {
        std::string script = work_ + "\\xvfb.sh", result = work_ + "\\xvfb.txt";
        DeleteFileA(result.c_str());
        std::string text =
            "out=\"$1\"; fifo=$(mktemp -u); mkfifo \"$fifo\"\n"
            "timeout 110 Xvfb -displayfd 5 -screen 0 1280x1024x" + std::to_string(GetParam()) +
            " -nolisten tcp 5>\"$fifo\" >/dev/null 2>&1 &\n"
            "pid=$!; read -r -t 20 num <\"$fifo\"; rm -f \"$fifo\"\n"
            "echo \"$num $pid\" >\"$out.part\"; mv -f \"$out.part\" \"$out\"\n";
        ASSERT_TRUE(vt::WriteFileBytes(script, std::vector<uint8_t>(text.begin(), text.end())));
        ASSERT_EQ(vt::RunHost("/bin/bash", {UnixPath(script), UnixPath(result)}), 0);
        std::string line;
        ASSERT_TRUE(WaitFor([&] { line = ReadText(result); return line.find('\n') != std::string::npos; }, 20000));
        char number[32] = "", pid[32] = "";
        ASSERT_EQ(sscanf(line.c_str(), "%31s %31s", number, pid), 2) << line;
        xvfbPid_ = pid;
        display_ = std::string(":") + number;
        char saved[256] = "";
        GetEnvironmentVariableA("DISPLAY", saved, sizeof(saved));
        savedDisplay_ = saved;
        // The program, its desktop and the screenshot tool inherit it.
        SetEnvironmentVariableA("DISPLAY", display_.c_str());
    }

    // Wine takes the display from the Unix environment a program starts in,
    // so the program's desktop is started from the host with the test's display.
    void StartProgram()
    {
        SetEnvironmentVariableA("VESKO_TEST_CLOCK", "2026-12-10 10:00:00");
        SetEnvironmentVariableA("VESKO_TEST_TIMESCALE", "0.2");
        SetEnvironmentVariableA("VESKO_TEST_MSGBOX", msgBox_.c_str());
        SetEnvironmentVariableA("VESKO_TEST_CALLLOG", callLog_.c_str());
        std::string script = work_ + "\\start.sh";
        std::string text = "export DISPLAY=\"$1\"\n"
                           "exec /usr/lib/wine/wine64 explorer.exe \"/desktop=$2,1280x1024\" \"$3\" </dev/null "
                           ">/dev/null 2>&1\n";
        ASSERT_TRUE(vt::WriteFileBytes(script, std::vector<uint8_t>(text.begin(), text.end())));
        ASSERT_EQ(vt::RunHost("/bin/bash", {UnixPath(script), display_, desktopName_, exe_}), 0);
    }

    std::string exe_, id_, work_, callLog_, msgBox_, desktopName_, wallpaper_, xvfbPid_, display_, savedDisplay_;
};

TEST_P(WallpaperDesktop, NewPictureButtonSetsAMonthPictureOnTheDesktop)
{
    const int depth = GetParam();
    StartProgram();
    // Until the first tick has run the dialog may still be busy starting up.
    ASSERT_TRUE(WaitFor([&] { return ReadText(callLog_).find("CheckAlarmsDue") != std::string::npos; }, 40000))
        << ReadText(callLog_);
    EXPECT_EQ(GetFileAttributesA(wallpaper_.c_str()), INVALID_FILE_ATTRIBUTES) << "changed before the button";

    HWND window = nullptr;
    OnDesktop(desktopName_, [&] {
        window = FindWindowA(nullptr, MAIN_WINDOW_TITLE);
        if (window)
            PostMessageA(window, WM_COMMAND, 1024, 0);   // the new-picture button
    });
    ASSERT_NE(window, nullptr);

    std::string oldPic;
    ASSERT_TRUE(WaitFor([&] { oldPic = GetText(SETTINGS_KEY, "OldPic"); return oldPic != "(none)"; }, 40000));
    int month = 0;
    char x = 0;
    EXPECT_EQ(sscanf(oldPic.c_str(), "C%2d%c", &month, &x), 2) << oldPic;
    EXPECT_EQ(x, 'X');
    EXPECT_EQ(oldPic.size(), 4u);
    EXPECT_TRUE(month >= 1 && month <= 12) << oldPic;
    EXPECT_EQ(GetDword("OldMonth"), 12u);
    EXPECT_EQ(GetDword("OldDay"), 10u);
    EXPECT_EQ(GetDword("OldHour"), 10u);
    EXPECT_EQ(lstrcmpiA(GetText("Control Panel\\Desktop", "Wallpaper").c_str(), wallpaper_.c_str()), 0);

    vt::Pnm bmp;
    ASSERT_TRUE(ReadBmp24(wallpaper_, &bmp));
    ASSERT_EQ(bmp.width, 1280);
    ASSERT_EQ(bmp.height, 1024);
    if (depth <= 16) {
        // Reduced to five bits a channel, all but the last three bytes.
        size_t kept = 0;
        for (size_t i = 0; i + 3 < bmp.pixels.size(); i++)
            kept += (bmp.pixels[i] & 7) != 0;
        EXPECT_EQ(kept, 0u);
    }

    if (depth > 16) {
        // The desktop shows the file: its centre pixel at the screen's centre.
        // (Wine shows a 16-bit screen beside its session's 24-bit one in
        // wrong colours, so there only the file is checked.)
        const uint8_t* centre = &bmp.pixels[((size_t)512 * 1280 + 640) * 3];
        vt::Pnm shot;
        const uint8_t* p = nullptr;
        bool same = WaitFor(
            [&] {
                if (!vt::TakeScreenshot(vt::BuildPath("screenshots/wallpaper_desktop.png"), &shot) ||
                    shot.width != 1280 || shot.height != 1024)
                    return false;
                p = &shot.pixels[((size_t)512 * 1280 + 640) * 3];
                return p[0] == centre[0] && p[1] == centre[1] && p[2] == centre[2];
            },
            15000);
        ASSERT_NE(p, nullptr) << "no screenshot of 1280 x 1024";
        EXPECT_TRUE(same) << "screen " << (int)p[0] << "," << (int)p[1] << "," << (int)p[2] << " picture "
                          << (int)centre[0] << "," << (int)centre[1] << "," << (int)centre[2];
    }

    bool ended = false;
    OnDesktop(desktopName_, [&] {
        PostMessageA(window, WM_COMMAND, 1005, 0);
        ended = WaitFor([&] { return !IsWindow(window); }, 15000);
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(ReadText(msgBox_), "");
}

INSTANTIATE_TEST_SUITE_P(Depth, WallpaperDesktop, ::testing::Values(24, 16));

}  // namespace
