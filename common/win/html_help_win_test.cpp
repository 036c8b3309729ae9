// HTML Help comes from the system folder, never from a file of the same name
// planted beside the program.
#include "common/win/html_help.h"

#include <htmlhelp.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

const char kChildVariable[] = "VESKO_PLANTED_HELP_CHILD";
const HWND kPlantedAnswer = HWND(0x7E57);

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

// Runs in the copy of this program beside the planted file.
void CheckTheLoadedHelp()
{
    DWORD_PTR cookie = 0;
    EXPECT_NE(CallHtmlHelp(nullptr, nullptr, HH_INITIALIZE, (DWORD_PTR)&cookie), kPlantedAnswer)
        << "the planted hhctrl.ocx answered";
    HMODULE module = GetModuleHandleA("hhctrl.ocx");
    ASSERT_NE(module, nullptr) << "no hhctrl.ocx loaded";
    char path[MAX_PATH], system[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(module, path, MAX_PATH), 0u);
    ASSERT_NE(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_EQ(lstrcmpiA(FolderOf(path).c_str(), system), 0) << path;
}

// The copy's exit code when its check ran and passed.
const int kChildPassed = 7;

TEST(HelpLibrary, IsLoadedFromTheSystemFolderNotFromBesideTheProgram)
{
    char value[8];
    if (GetEnvironmentVariableA(kChildVariable, value, sizeof value)) {
        CheckTheLoadedHelp();
        std::exit(::testing::Test::HasFailure() ? 1 : kChildPassed);
    }
    // A folder with a copy of this program and a planted hhctrl.ocx beside it.
    char self[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const std::string folder = vt::BuildPath("html_help_planted_" + std::to_string(GetCurrentProcessId()));
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copy = folder + "\\help_test.exe", planted = folder + "\\hhctrl.ocx";
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(vt::FixturePath("common_win/hhctrl.ocx").c_str(), planted.c_str(), FALSE));

    SetEnvironmentVariableA(kChildVariable, "1");
    // Wine would prefer its own DLL anyway; Windows takes the program's folder first.
    SetEnvironmentVariableA("WINEDLLOVERRIDES", "hhctrl.ocx=n,b");
    std::string line = "\"" + copy + "\" --gtest_filter=HelpLibrary.*";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessA(copy.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                  &si, &pi);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", nullptr);
    ASSERT_TRUE(started);
    DWORD code = 99;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(code, (DWORD)kChildPassed) << "the copy beside the planted file failed its check";
    DeleteFileA(copy.c_str());
    DeleteFileA(planted.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
