// The month pictures' licences travel with the program: every picture of the
// assets has its line in LIZENZEN.txt beside vesko.exe and on the help page
// that the help file's contents lead to.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

using vt::UnixPath;

std::string AssetsFolder()
{
    std::string here = __FILE__;
    return vt::HostPath(here.substr(0, here.find_last_of("/\\")) + "/../wallpaper/assets");
}

std::string ReadText(const std::string& path)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(vt::ReadFileBytes(path, &bytes)) << path;
    return std::string(bytes.begin(), bytes.end());
}

// "key: value" blocks of CREDITS, by month.
std::map<int, std::map<std::string, std::string>> Credits()
{
    std::map<int, std::map<std::string, std::string>> entries;
    std::istringstream text(ReadText(AssetsFolder() + "/CREDITS"));
    std::string line;
    int month = 0;
    while (std::getline(text, line)) {
        size_t colon = line.find(": ");
        if (colon == std::string::npos || line.find(' ') < colon)
            continue;
        std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        if (key == "month")
            month = std::atoi(value.c_str());
        else if (month)
            entries[month][key] = value;
    }
    return entries;
}

std::vector<std::string> Pictures()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((AssetsFolder() + "/*.jpg").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// The one line of `text` that names `picture`, or "" when none or several do.
std::string LineOf(const std::string& text, const std::string& picture)
{
    std::istringstream lines(text);
    std::string line, hit;
    int hits = 0;
    while (std::getline(lines, line))
        if (line.find(picture) != std::string::npos) {
            hit = line;
            hits++;
        }
    return hits == 1 ? hit : "";
}

// The help file's files, unpacked by extract_chmLib (libchm-bin) into a folder.
std::string UnpackHelp(const std::string& chm)
{
    std::string folder = vt::BuildPath("licences_chm_" + std::to_string(GetCurrentProcessId()));
    // Wine does not wait for Unix children: the folder appears whole, by a rename.
    std::string script = "rm -rf '" + UnixPath(folder) + "'* && extract_chmLib '" + UnixPath(chm) + "' '" +
                         UnixPath(folder) + ".tmp' >/dev/null && mv '" + UnixPath(folder) + ".tmp' '" +
                         UnixPath(folder) + "'";
    EXPECT_EQ(vt::RunHost("/bin/sh", {"-c", "\"" + script + "\""}), 0);
    for (int i = 0; i < 200 && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES; i++)
        Sleep(50);
    return folder;
}

TEST(MonthPictureLicences, EveryPictureHasItsLineBesideTheProgramAndInTheHelp)
{
    auto credits = Credits();
    std::vector<std::string> pictures = Pictures();
    ASSERT_FALSE(pictures.empty()) << AssetsFolder();
    const std::string licences = ReadText(vt::BuildPath("bin/LIZENZEN.txt"));
    const std::string help = UnpackHelp(vt::BuildPath("bin/840D.chm"));
    const std::string page = ReadText(help + "/html/de/lizenzen.html");
    // The page is reached from the help's contents.
    EXPECT_NE(ReadText(help + "/840D.hhc").find("\"html/de/lizenzen.html\""), std::string::npos);

    bool gpl = false;
    for (const std::string& picture : pictures) {
        SCOPED_TRACE(picture);
        // c01x.jpg .. c12x.jpg and their previews p01x.jpg .. p12x.jpg.
        int month = std::atoi(picture.substr(1, 2).c_str());
        ASSERT_EQ(credits.count(month), 1u) << "no credits";
        auto& entry = credits[month];
        gpl = gpl || entry["licence"].rfind("GPL", 0) == 0;
        for (const std::string* text : {&licences, &page}) {
            std::string line = LineOf(*text, picture);
            ASSERT_FALSE(line.empty()) << (text == &page ? "help page" : "LIZENZEN.txt");
            for (const char* key : {"title", "author", "licence", "package"}) {
                ASSERT_FALSE(entry[key].empty()) << key;
                EXPECT_NE(line.find(entry[key]), std::string::npos) << key << " in: " << line;
            }
        }
    }
    // A GPL picture ships with the licence's own text.
    if (gpl)
        EXPECT_NE(licences.find("GNU GENERAL PUBLIC LICENSE\r\n                       Version 2, June 1991"),
                  std::string::npos);
    EXPECT_EQ(licences.find("\n\n"), std::string::npos) << "lines not ended with CR LF";
    vt::RunHost("/bin/rm", {"-rf", UnixPath(help)});
}

}  // namespace
