// The debug log as a file: its blocks, its lines from two threads, its limits.
#include "settings/log.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

const std::string kStamp = "\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d\\.\\d\\d";
const std::string kHyphens(70, '-');

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

class DebugLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = vt::WindowsPath(vt::BuildPath("saver_log_tmp_" + vt::TestName() + "_" +
                                                std::to_string(GetCurrentProcessId())));
        vt::DeleteFolderTree(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        path_ = folder_ + "\\840SCR.LOG";
        gSaverSettings.SpeedAnimation = 70;
        gSaverSettings.Pause = 160;
        gSaverSettings.DebugOn = 1;
    }

    void TearDown() override
    {
        CloseLog();
        vt::DeleteFolderTree(folder_);
    }

    std::string folder_;
    std::string path_;
};

TEST_F(DebugLog, EachRunAppendsAStartBlockStampedLinesAndAClosingBlock)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    for (int run = 0; run < 2; run++) {
        OpenLog(nullptr, path_.c_str());
        // A picture's name is an argument: its percent signs stay as they are.
        WriteLog("Bild %s geladen", "Sommer%s%d.jpg");
        WriteLog("Schritt %d", run);
        CloseLog();
    }
    std::vector<std::string> lines = Lines(vt::ReadText(path_));
    const std::regex start("^" + kStamp + " START$");
    size_t i = 0;
    for (int run = 0; run < 2; run++) {
        ASSERT_LT(i + 4, lines.size());
        EXPECT_EQ(lines[i++], kHyphens);
        EXPECT_TRUE(std::regex_match(lines[i++], start)) << lines[i - 1];
        EXPECT_EQ(lines[i++], "KV840 V3.3.0.473");
        EXPECT_EQ(lines[i++], exe);
        std::vector<std::string> report;
        while (i < lines.size() && lines[i].rfind("Speed-Animation:", 0) != 0)
            report.push_back(lines[i++]);
        auto has = [&](const std::string& head) {
            for (const std::string& line : report)
                if (line.rfind(head, 0) == 0)
                    return true;
            return false;
        };
        EXPECT_TRUE(has("Total physical memory:  ")) << "memory";
        EXPECT_TRUE(has("Number of Processors: ")) << "processor";
        EXPECT_TRUE(has("Number of Monitors: ")) << "display";
        for (const char* label : {"HORZRES:      ", "VERTRES:      ", "BITSPIXEL:    ", "PLANES:       ",
                                  "NUMCOLORS:    ", "SIZEPALETTE:  ", "RC_BITBLT:    ", "RC_BITMAP64:  ",
                                  "RC_DI_BITMAP: ", "BLTALIGNMENT: "}) {
            std::regex padded(std::string("^") + label + "-?\\d+ $");
            bool found = false;
            for (const std::string& line : report)
                found = found || std::regex_match(line, padded);
            EXPECT_TRUE(found) << "no line \"" << label << "<value> \"";
        }
        ASSERT_LT(i + 6, lines.size());
        EXPECT_EQ(lines[i++], "Speed-Animation:  70");
        EXPECT_EQ(lines[i++], "Pause-Animation: 160");
        EXPECT_TRUE(std::regex_match(lines[i++], std::regex("^" + kStamp + " Bild Sommer%s%d\\.jpg geladen$")));
        EXPECT_TRUE(std::regex_match(lines[i++], std::regex("^" + kStamp + " Schritt " + std::to_string(run) + "$")));
        EXPECT_TRUE(std::regex_match(lines[i++], std::regex("^" + kStamp + " SCR NORMAL BEENDET$")));
        EXPECT_EQ(lines[i++], kHyphens);
        EXPECT_EQ(lines[i++], "");
    }
    EXPECT_EQ(i, lines.size());
}

TEST_F(DebugLog, LinesOfTwoThreadsStayWhole)
{
    OpenLog(nullptr, path_.c_str());
    vt::Meeting meeting;
    auto writer = [&](char name) {
        meeting.Arrive();
        for (int n = 0; n < 1000; n++)
            WriteLog("Thread %c Zeile %04d mit etwas Text, damit die Zeilen lang genug sind", name, n);
    };
    std::thread a(writer, 'A');
    std::thread b(writer, 'B');
    a.join();
    b.join();
    CloseLog();

    const std::regex line("^" + kStamp +
                          " Thread ([AB]) Zeile (\\d{4}) mit etwas Text, damit die Zeilen lang genug sind$");
    std::set<std::string> seen;
    int whole = 0;
    for (const std::string& l : Lines(vt::ReadText(path_))) {
        std::smatch m;
        if (std::regex_match(l, m, line)) {
            seen.insert(m[1].str() + m[2].str());
            whole++;
        } else {
            EXPECT_EQ(l.find("Thread"), std::string::npos) << "a broken line: " << l;
        }
    }
    EXPECT_EQ(whole, 2000);
    EXPECT_EQ(seen.size(), 2000u);
}

TEST_F(DebugLog, ATextLongerThan1024CharactersIsCut)
{
    OpenLog(nullptr, path_.c_str());
    WriteLog("%s", std::string(5000, 'x').c_str());
    CloseLog();
    bool found = false;
    for (const std::string& l : Lines(vt::ReadText(path_)))
        if (l.find("xxxxxxxx") != std::string::npos) {
            EXPECT_TRUE(std::regex_match(l.substr(0, 20), std::regex("^" + kStamp + " $"))) << l.substr(0, 20);
            EXPECT_EQ(l.substr(20), std::string(1024, 'x'));
            found = true;
        }
    EXPECT_TRUE(found);
}

TEST_F(DebugLog, AFolderAsTheLogFileSwitchesTheLogOff)
{
    OpenLog(nullptr, path_.c_str());
    CloseLog();
    const std::string before = vt::ReadText(path_);

    std::string folder = folder_ + "\\folder.log";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    OpenLog(nullptr, folder.c_str());
    EXPECT_EQ(gSaverSettings.DebugOn, 0);
    WriteLog("nach dem Fehler");
    CloseLog();
    DWORD attributes = GetFileAttributesA(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(PathIsDirectoryEmptyA(folder.c_str()));
    EXPECT_EQ(vt::ReadText(path_), before);
}

TEST_F(DebugLog, WithDebugOffNoLineIsWritten)
{
    OpenLog(nullptr, path_.c_str());
    gSaverSettings.DebugOn = 0;
    WriteLog("nicht geschrieben");
    gSaverSettings.DebugOn = 1;
    CloseLog();
    EXPECT_EQ(vt::ReadText(path_).find("nicht geschrieben"), std::string::npos);
}

}  // namespace
