#include "text/text.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>

#include "base/seams.h"
#include "settings/settings.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

std::string TempFolder(const char* name)
{
    std::string folder = vt::BuildPath(std::string("calendar_text_tmp_") + name + "_" +
                                       std::to_string(GetCurrentProcessId()));
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

struct DefaultCase {
    const char* section;
    const char* key;
    const char* def;
    const char* expected;
};

class LangTextWithoutFile : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(LangTextWithoutFile, ReturnsTheDefaultWithLineBreaks)
{
    gLangFileName[0] = 0;
    const DefaultCase& c = GetParam();
    const char* text = GetLangText(c.section, c.key, c.def);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Defaults, LangTextWithoutFile,
                         ::testing::Values(DefaultCase{"MAIN", "NEWPIC", "&Bildwechsel", "&Bildwechsel"},
                                           DefaultCase{"ERR", "NOHELPFOUND", "Hilfedatei nicht gefunden!",
                                                       "Hilfedatei nicht gefunden!"},
                                           DefaultCase{"CONFIG", "X", "eins\\nzwei\\n", "eins\r\nzwei\r\n"},
                                           DefaultCase{"MAIN", "EMPTY", "", ""},
                                           DefaultCase{"MAIN", "NULL", nullptr, ""}));

TEST(LangText, ReadsTheLanguageFileAndTurnsBackslashNIntoLineBreaks)
{
    std::string folder = TempFolder("lang");
    ASSERT_TRUE(vt::WriteFileBytes(folder + "\\test.lng",
                                   std::vector<uint8_t>(std::begin("[S]\r\nA=x\\ny\r\nB=\r\n"),
                                                        std::end("[S]\r\nA=x\\ny\r\nB=\r\n") - 1)));
    lstrcpynA(gSettings.langFolder, folder.c_str(), MAX_PATH);
    lstrcpyA(gLangFileName, "test.lng");
    EXPECT_STREQ(GetLangText("S", "A", "default"), "x\r\ny");
    const char* empty = GetLangText("S", "B", "");
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    EXPECT_STREQ(GetLangText("S", "C", "fallback"), "fallback");
    gLangFileName[0] = 0;
    DeleteFileA((folder + "\\test.lng").c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(LangText, EachThreadHasItsOwnBuffer)
{
    gLangFileName[0] = 0;
    const char* mine = GetLangText("S", "K", "main thread");
    std::string other;
    std::thread t([&] {
        const char* theirs = GetLangText("S", "K", "drawing thread");
        other = theirs;
        EXPECT_NE(theirs, mine);
    });
    t.join();
    EXPECT_STREQ(mine, "main thread");
    EXPECT_EQ(other, "drawing thread");
}

struct HelpCase {
    int topic;
    const char* page;
};

class HelpPath : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpPath, EndsInTheTopicsPage)
{
    gLangFileName[0] = 0;
    lstrcpyA(gSettings.helpFolder, "C:\\Programme\\KV840");
    char path[MAX_PATH];
    BuildHelpPath(GetParam().topic, path, MAX_PATH);
    EXPECT_EQ(std::string(path), std::string("C:\\Programme\\KV840\\840D.chm") + GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(
    Topics, HelpPath,
    ::testing::Values(HelpCase{1, "::html/de/index.html>main"}, HelpCase{2, "::html/de/optionen-allgemein.html>main"},
                      HelpCase{3, "::html/de/optionen-desktop.html>main"},
                      HelpCase{4, "::html/de/optionen-notiz.html>main"},
                      HelpCase{5, "::html/de/alarm-optionen.html>main"},
                      HelpCase{6, "::html/de/optionen-hotkeys.html>main"}, HelpCase{7, "::html/de/notiz.html>main"},
                      HelpCase{10, "::html/de/optionen-bilder.html>main"}, HelpCase{12, "::html/de/alarm.html>main"},
                      HelpCase{13, "::html/de/screensaver.html>main"},
                      HelpCase{14, "::html/de/optionen-bilder-online.html>main"},
                      HelpCase{99, "::html/de/erste_schritte.html>main"}, HelpCase{0, "::html/de/index.html>main"},
                      HelpCase{9, "::html/de/index.html>main"}, HelpCase{11, "::html/de/index.html>main"},
                      HelpCase{50, "::html/de/index.html>main"}));

TEST(HelpPath, StaysWithinThePathBufferForALongFolder)
{
    std::string folder(250, 'a');
    lstrcpynA(gSettings.helpFolder, ("C:\\" + folder).c_str(), MAX_PATH);
    char path[MAX_PATH + 16];
    memset(path, 'X', sizeof(path));
    BuildHelpPath(12, path, MAX_PATH);
    EXPECT_LT(strlen(path), (size_t)MAX_PATH);
    gSettings.helpFolder[0] = 0;
}

using vt::ReadText;

TEST(Log, EachRunAddsAFramedBlockWithTheSystemReport)
{
    std::string folder = TempFolder("log");
    std::string path = folder + "\\vesko.log";
    DeleteFileA(path.c_str());
    for (int run = 0; run < 2; run++) {
        OpenLog(nullptr, path.c_str());
        CloseLog();
    }
    std::string log = ReadText(path);
    const std::string hyphens(70, '-');
    const std::regex block(hyphens + "\r\n\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d\\.\\d\\d  START\r\n"
                                     "((?:[^\r]*\r\n)*?)"
                                     "\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d\\.\\d\\d  NORMAL BEENDET\r\n" +
                           hyphens + "\r\n\r\n");
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    const std::string total = "Total physical memory:  " + std::to_string(status.ullTotalPhys / 1024) + "KB\r\n";

    int blocks = 0;
    std::string rest = log;
    std::smatch m;
    while (std::regex_search(rest, m, block)) {
        EXPECT_EQ(m.position(0), 0) << "text between blocks";
        std::string body = m[1];
        EXPECT_NE(body.find("KV840 Version 3.3.0.2706\r\n"), std::string::npos);
        EXPECT_NE(body.find(total), std::string::npos) << body;
        EXPECT_NE(body.find("Number of Processors: "), std::string::npos);
        EXPECT_NE(body.find("BITSPIXEL:        "), std::string::npos);
        rest = m.suffix();
        blocks++;
    }
    EXPECT_EQ(blocks, 2) << log;
    EXPECT_EQ(rest, "");
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(Log, AFolderAsLogFileSwitchesTheLogOff)
{
    std::string folder = TempFolder("logdir");
    OpenLog(nullptr, folder.c_str());
    LogMemoryStatus();
    LogOsVersion();
    CloseLog();
    DWORD attributes = GetFileAttributesA(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
