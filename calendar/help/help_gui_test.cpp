// The help file opens in HTML Help's window; a missing one gives one error box.
#include <windows.h>

#include <htmlhelp.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/seams.h"
#include "settings/settings.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"
#include "text/text.h"

namespace {

struct Box {
    std::string caption, text;
    UINT flags;
};
std::vector<Box> gBoxes;

int RecordBox(HWND, const char* text, const char* caption, UINT flags)
{
    gBoxes.push_back({caption ? caption : "", text ? text : "", flags});
    return IDOK;
}

using vt::WindowsPath;

HWND WaitForWindow(const char* title, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (HWND w = FindWindowA(nullptr, title))
            return w;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(100);
    }
    return nullptr;
}

TEST(Help, OpensTheMainWindowOfTheHelpFile)
{
    std::string folder = WindowsPath(vt::FixturePath("calendar_help"));
    ASSERT_NE(GetFileAttributesA((folder + "\\840D.chm").c_str()), INVALID_FILE_ATTRIBUTES);
    lstrcpynA(gSettings.helpFolder, folder.c_str(), MAX_PATH);
    gBoxes.clear();
    gMessageBoxSink = RecordBox;
    ShowHelp(nullptr, nullptr, 1);
    HWND help = WaitForWindow("KV840 Hilfe", 10000);
    EXPECT_NE(help, nullptr) << "no window titled with the help file's caption";
    EXPECT_TRUE(gBoxes.empty());
    vt::Pnm shot;
    EXPECT_TRUE(vt::TakeScreenshot(vt::BuildPath("screenshots/calendar_help.png"), &shot));
    CallHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
    gMessageBoxSink = nullptr;
}

TEST(Help, AMissingHelpFileGivesOneErrorBox)
{
    std::string folder = WindowsPath(vt::BuildPath("calendar_help_missing_" + std::to_string(GetCurrentProcessId())));
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string chm = WindowsPath(vt::FixturePath("calendar_help")) + "\\840D.chm";
    ASSERT_TRUE(CopyFileA(chm.c_str(), (folder + "\\840D.chm").c_str(), FALSE));
    ASSERT_TRUE(MoveFileA((folder + "\\840D.chm").c_str(), (folder + "\\840D.chm.old").c_str()));
    lstrcpynA(gSettings.helpFolder, folder.c_str(), MAX_PATH);
    gBoxes.clear();
    gMessageBoxSink = RecordBox;
    ShowHelp(nullptr, nullptr, 1);
    gMessageBoxSink = nullptr;
    ASSERT_EQ(gBoxes.size(), 1u);
    EXPECT_EQ(gBoxes[0].text, "Hilfedatei nicht gefunden!");
    EXPECT_EQ(gBoxes[0].caption, "");
    EXPECT_EQ(gBoxes[0].flags, (UINT)MB_ICONERROR);
    EXPECT_EQ(FindWindowA(nullptr, "KV840 Hilfe"), nullptr);
    DeleteFileA((folder + "\\840D.chm.old").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(Help, TheCompiledFileHoldsEveryPageAndTheWindowDefinition)
{
    std::string listing = vt::BuildPath("calendar_help_listing_" + std::to_string(GetCurrentProcessId()) + ".txt");
    std::string hostListing = listing.rfind("Z:", 0) == 0 ? listing.substr(2) : listing;
    std::string chm = vt::FixturePath("calendar_help/840D.chm");
    std::string hostChm = chm.rfind("Z:", 0) == 0 ? chm.substr(2) : chm;
    DeleteFileA(listing.c_str());
    // Wine does not wait for Unix children: the listing appears whole, by a rename.
    ASSERT_EQ(vt::RunHost("/bin/sh", {"-c", "\"enum_chmLib " + hostChm + " > " + hostListing + ".tmp && mv " +
                                                hostListing + ".tmp " + hostListing + "\""}),
              0);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 200 && !vt::ReadFileBytes(listing, &bytes); i++)
        Sleep(50);
    ASSERT_FALSE(bytes.empty()) << "enum_chmLib (libchm-bin) gave no listing";
    DeleteFileA(listing.c_str());
    std::string text(bytes.begin(), bytes.end());
    for (const char* page : {"index", "optionen-allgemein", "optionen-desktop", "optionen-notiz", "alarm-optionen",
                             "optionen-hotkeys", "notiz", "optionen-bilder", "alarm", "screensaver",
                             "optionen-bilder-online", "erste_schritte"})
        EXPECT_NE(text.find(std::string("/html/de/") + page + ".html\n"), std::string::npos) << page;
    EXPECT_NE(text.find("/#WINDOWS\n"), std::string::npos);
}

}  // namespace
