// The program file's resources, read as another program (the screen saver)
// reads them: vesko.exe loaded as a data file.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "base/app.h"
#include "app/resource.h"
#include "tests/support/test_support.h"

namespace {

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExA(vt::BuildPath("bin/vesko.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
    }

    std::vector<uint8_t> Resource(const char* name, const char* type)
    {
        HRSRC res = FindResourceA(module_, name, type);
        if (!res)
            return {};
        const uint8_t* data = (const uint8_t*)LockResource(LoadResource(module_, res));
        return std::vector<uint8_t>(data, data + SizeofResource(module_, res));
    }

    HMODULE module_ = nullptr;
};

uint16_t U16(const std::vector<uint8_t>& b, size_t at)
{
    return at + 2 <= b.size() ? (uint16_t)(b[at] | (b[at + 1] << 8)) : 0;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return (uint32_t)U16(b, at) | ((uint32_t)U16(b, at + 2) << 16);
}

// Skips a name-or-ordinal field of a dialog template.
size_t SkipSzOrOrd(const std::vector<uint8_t>& b, size_t at)
{
    if (U16(b, at) == 0xFFFF)
        return at + 4;
    while (at + 2 <= b.size() && U16(b, at) != 0)
        at += 2;
    return at + 2;
}

// Control ids of an extended dialog template.
std::vector<int> DialogControlIds(const std::vector<uint8_t>& b)
{
    std::vector<int> ids;
    if (U16(b, 0) != 1 || U16(b, 2) != 0xFFFF)
        return ids;
    uint32_t style = U32(b, 12);
    int count = U16(b, 16);
    size_t at = 26;
    at = SkipSzOrOrd(b, at);   // menu
    at = SkipSzOrOrd(b, at);   // class
    at = SkipSzOrOrd(b, at);   // title
    if (style & DS_SETFONT)
        at = SkipSzOrOrd(b, at + 6);
    for (int i = 0; i < count && at < b.size(); i++) {
        at = (at + 3) & ~(size_t)3;
        ids.push_back((int)U32(b, at + 20));
        at = SkipSzOrOrd(b, at + 24);   // class
        at = SkipSzOrOrd(b, at);        // title
        at += 2 + U16(b, at);           // creation data
    }
    return ids;
}

TEST_F(ProgramResources, MainDialogHasEveryControl)
{
    std::vector<int> ids = DialogControlIds(Resource(MAKEINTRESOURCEA(IDD_MAIN), (const char*)RT_DIALOG));
    std::sort(ids.begin(), ids.end());
    std::vector<int> expected = {1005, 1006, 1008, 1016, 1018, 1019, 1020, 1021, 1023, 1024, 1025, 1044, 1045, 1046};
    EXPECT_EQ(ids, expected);
}

TEST_F(ProgramResources, MonthPictureTableCountsTwelvePictures)
{
    std::vector<uint8_t> table = Resource("C00X", "KALENDER");
    ASSERT_EQ(table.size(), 512u);
    EXPECT_EQ(U32(table, 0), 12u);
    EXPECT_TRUE(std::all_of(table.begin() + 4, table.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(ProgramResources, TitlePictureIsAJpegThatDjpegDecodes)
{
    std::vector<uint8_t> jpeg = Resource("TITEL", "BITMAPI");
    ASSERT_GT(jpeg.size(), 2u);
    std::string base = vt::BuildPath("calendar_titel_" + std::to_string(GetCurrentProcessId()));
    ASSERT_TRUE(vt::WriteFileBytes(base + ".jpg", jpeg));
    auto host = [](const std::string& p) { return p.rfind("Z:", 0) == 0 ? p.substr(2) : p; };
    // Wine does not wait for Unix children: the picture appears whole, by a rename.
    vt::RunHost("/bin/sh", {"-c", "\"djpeg -pnm " + host(base) + ".jpg > " + host(base) + ".tmp && mv " + host(base) +
                                      ".tmp " + host(base) + ".ppm\""});
    vt::Pnm picture;
    bool decoded = false;
    for (int i = 0; i < 200 && !(decoded = vt::ReadPnm(base + ".ppm", &picture)); i++)
        Sleep(50);
    EXPECT_TRUE(decoded);
    EXPECT_EQ(picture.width, 400);
    EXPECT_EQ(picture.height, 80);
    DeleteFileA((base + ".jpg").c_str());
    DeleteFileA((base + ".ppm").c_str());
}

TEST_F(ProgramResources, MoonAndProgramIconsComeIn16And32Pixels)
{
    for (const char* name : {"MOND0", "MOND1", "MOND2", "MOND3", "MOND4", "MOND5", "MOND6", "MOND7", "APP_ICON"}) {
        std::vector<uint8_t> group = Resource(name, (const char*)RT_GROUP_ICON);
        ASSERT_GE(group.size(), 6u) << name;
        std::set<int> sizes;
        for (int i = 0; i < U16(group, 4); i++)
            sizes.insert(group[6 + 14 * i]);
        EXPECT_EQ(sizes, (std::set<int>{16, 32})) << name;
    }
}


TEST(GetDllVersion, ReadsCommonControlsAndGivesZeroWithoutAnAnswer)
{
    EXPECT_GE(GetDllVersion("comctl32.dll"), 0x50050u);
    EXPECT_EQ(GetDllVersion("kernel32.dll"), 0u);
    EXPECT_EQ(GetDllVersion("no_such_library_840.dll"), 0u);
}

}  // namespace
