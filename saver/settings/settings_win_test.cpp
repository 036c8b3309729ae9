// The screen saver's settings over a private registry.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/settings/registry.h"
#include "settings/settings_cases.h"
#include "tests/support/private_registry.h"

namespace {

const std::string kMain = SETTINGS_KEY;
const std::string kScr = kMain + "\\SCR";
const char kInternational[] = "Control Panel\\International";

bool FolderExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ExeFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    *strrchr(path, '\\') = 0;
    return path;
}

int LoadedValue(const std::string& name)
{
    const SaverSettings& s = gSaverSettings;
    if (name == "SpeedAnimation")
        return s.SpeedAnimation;
    if (name == "Pause")
        return s.Pause;
    if (name == "Rows")
        return s.Rows;
    if (name == "Columns")
        return s.Columns;
    if (name == "FHeight")
        return s.font.lfHeight;
    if (name == "Feiertage")
        return gHolidayRegion;
    if (name == "iFirstDayOfWeek")
        return gFirstDayOfWeek;
    ADD_FAILURE() << "no field for " << name;
    return 0;
}

class SaverSettingsTest : public vt::PrivateRegistry {
protected:
    void SetBytes(const std::string& key, const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY k;
        ASSERT_EQ(RegCreateKeyExA(root_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(k, name, 0, type, (const BYTE*)data, size);
        RegCloseKey(k);
    }
};

class StoredValue : public SaverSettingsTest, public ::testing::WithParamInterface<StoredValueCase> {};

TEST_P(StoredValue, LoadsClampedOrIgnored)
{
    const StoredValueCase& c = GetParam();
    SetDword(kScr, "Calendar", 0);
    SetDword(kScr, c.value, c.stored);
    LoadSettings();
    EXPECT_EQ(LoadedValue(c.value), c.loaded);
}

INSTANTIATE_TEST_SUITE_P(Scr, StoredValue, ::testing::ValuesIn(kStoredValueCases));

class OtherValue : public SaverSettingsTest, public ::testing::WithParamInterface<OtherValueCase> {};

TEST_P(OtherValue, LoadsWithinItsRange)
{
    const OtherValueCase& c = GetParam();
    if (c.storedText)
        SetText(kInternational, c.value, c.storedText);
    else
        SetDword(kMain, c.value, c.stored);
    LoadSettings();
    EXPECT_EQ(LoadedValue(c.value), c.loaded);
}

INSTANTIATE_TEST_SUITE_P(MainKeyAndRegion, OtherValue, ::testing::ValuesIn(kOtherValueCases));

// Values whose type or size is not what the saver expects.
struct OddValueCase {
    const char* name;
    const char* value;
    DWORD type;
    std::vector<BYTE> data;
    std::function<std::string()> loaded;
    std::string expected;
};

std::vector<BYTE> Bytes(const std::string& text)
{
    return std::vector<BYTE>(text.begin(), text.end());
}

std::vector<BYTE> Dword(DWORD value)
{
    return std::vector<BYTE>((const BYTE*)&value, (const BYTE*)&value + 4);
}

std::vector<OddValueCase> OddValueCases()
{
    auto face = [] { return std::string(gSaverSettings.font.lfFaceName); };
    auto debugOn = [] { return std::to_string(gSaverSettings.DebugOn); };
    return {
        {"face_of_40_characters_cut_to_31", "FName", REG_SZ, Bytes(std::string(40, 'G') + '\0'), face,
         std::string(31, 'G')},
        {"face_as_dword_ignored", "FName", REG_DWORD, Dword(7), face, "Times New Roman"},
        {"face_without_nul_read_safely", "FName", REG_SZ, Bytes("Verdana"), face, "Verdana"},
        {"face_of_260_bytes_without_nul_ignored", "FName", REG_SZ, Bytes(std::string(260, 'J')), face,
         "Times New Roman"},
        {"face_of_256_characters_ignored", "FName", REG_SZ, Bytes(std::string(256, 'H') + '\0'), face,
         "Times New Roman"},
        {"debug_on_as_text_ignored", "DebugOn", REG_SZ, Bytes("1"), debugOn, "0"},
        {"debug_on_of_two_bytes_ignored", "DebugOn", REG_DWORD, {1, 0}, debugOn, "0"},
        {"debug_on_taken", "DebugOn", REG_DWORD, Dword(1), debugOn, "1"},
        {"debug_file_taken", "DebugFileName", REG_SZ, Bytes("D:\\saver.log"),
         [] { return std::string(gSaverSettings.DebugFileName); }, "D:\\saver.log"},
        {"close_on_activate_taken", "CloseOnActivate", REG_DWORD, Dword(1),
         [] { return std::to_string(gSaverSettings.CloseOnActivate); }, "1"},
        {"italic_low_byte", "FItalic", REG_DWORD, Dword(0x101),
         [] { return std::to_string(gSaverSettings.font.lfItalic); }, "1"},
    };
}

class OddValue : public SaverSettingsTest, public ::testing::WithParamInterface<OddValueCase> {};

TEST_P(OddValue, LoadsOnlyWithTheRightTypeAndSize)
{
    const OddValueCase& c = GetParam();
    SetBytes(kScr, c.value, c.type, c.data.data(), (DWORD)c.data.size());
    LoadSettings();
    EXPECT_EQ(c.loaded(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Scr, OddValue, ::testing::ValuesIn(OddValueCases()),
                         [](const ::testing::TestParamInfo<OddValueCase>& info) { return std::string(info.param.name); });

TEST_F(SaverSettingsTest, AnEmptyRegistryGivesTheSaversDefaults)
{
    LoadSettings();
    const SaverSettings& s = gSaverSettings;
    EXPECT_EQ(s.SpeedAnimation, 70);
    EXPECT_EQ(s.Pause, 160);
    EXPECT_EQ(s.Calendar, 1);
    EXPECT_EQ(s.Rows, 6);
    EXPECT_EQ(s.Columns, 7);
    EXPECT_EQ(s.RowsRandom, 0);
    EXPECT_EQ(s.ColumnsRandom, 0);
    EXPECT_EQ(s.CloseOnActivate, 0);
    EXPECT_EQ(s.DebugOn, 0);
    EXPECT_STREQ(s.DebugFileName, "C:\\840SCR.LOG");
    EXPECT_EQ(s.font.lfHeight, -40);
    EXPECT_EQ(s.font.lfWidth, 0);
    EXPECT_EQ(s.font.lfEscapement, 0);
    EXPECT_EQ(s.font.lfOrientation, 0);
    EXPECT_EQ(s.font.lfWeight, 700);
    EXPECT_EQ(s.font.lfItalic, 0);
    EXPECT_EQ(s.font.lfUnderline, 0);
    EXPECT_EQ(s.font.lfStrikeOut, 0);
    EXPECT_EQ(s.font.lfCharSet, 0);
    EXPECT_EQ(s.font.lfOutPrecision, OUT_TT_PRECIS);
    EXPECT_EQ(s.font.lfClipPrecision, 0);
    EXPECT_STREQ(s.font.lfFaceName, "Times New Roman");
    EXPECT_EQ(gLanguage, 0);
    EXPECT_EQ(gHolidayRegion, 0);
    EXPECT_EQ(gFirstDayOfWeek, 0);
    // Reading writes nothing.
    EXPECT_EQ(Get(kScr, "Rows").type, (DWORD)REG_NONE);
}

TEST_F(SaverSettingsTest, TheCalendarMeansASixBySevenGridWithoutChance)
{
    SetDword(kScr, "Calendar", 1);
    SetDword(kScr, "Rows", 3);
    SetDword(kScr, "Columns", 2);
    SetDword(kScr, "RowsRandom", 1);
    SetDword(kScr, "ColumnsRandom", 1);
    LoadSettings();
    EXPECT_EQ(gSaverSettings.Rows, 6);
    EXPECT_EQ(gSaverSettings.Columns, 7);
    EXPECT_EQ(gSaverSettings.RowsRandom, 0);
    EXPECT_EQ(gSaverSettings.ColumnsRandom, 0);
    EXPECT_EQ(Get(kScr, "Rows").Dword(), 3u);
    EXPECT_EQ(Get(kScr, "Columns").Dword(), 2u);
    EXPECT_EQ(Get(kScr, "RowsRandom").Dword(), 1u);
    EXPECT_EQ(ValueNames(kScr).size(), 5u);

    SetDword(kScr, "Calendar", 0);
    LoadSettings();
    EXPECT_EQ(gSaverSettings.Rows, 3);
    EXPECT_EQ(gSaverSettings.Columns, 2);
    EXPECT_EQ(gSaverSettings.RowsRandom, 1);
}

TEST_F(SaverSettingsTest, SavingMakesTheKeyWithTheSharedValuesOnly)
{
    SetDword(kScr, "DebugOn", 1);
    SetText(kScr, "DebugFileName", "D:\\saver.log");
    LoadSettings();
    ASSERT_EQ(gSaverSettings.DebugOn, 1);
    ASSERT_EQ(RegDeleteTreeA(root_, kScr.c_str()), ERROR_SUCCESS);

    SaveSaverSettings();

    const std::vector<std::string> dwords = {"Calendar", "CloseOnActivate", "ColumnsRandom", "Columns", "FHeight",
                                             "FItalic", "FWeight", "Pause", "Rows", "RowsRandom", "SpeedAnimation"};
    std::vector<std::string> expected = dwords;
    expected.push_back("FName");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ValueNames(kScr), expected);
    for (const std::string& name : dwords) {
        Value v = Get(kScr, name.c_str());
        EXPECT_EQ(v.type, (DWORD)REG_DWORD) << name;
        EXPECT_EQ(v.data.size(), 4u) << name;
    }
    Value face = Get(kScr, "FName");
    EXPECT_EQ(face.type, (DWORD)REG_SZ);
    EXPECT_EQ(face.data, Bytes(std::string("Times New Roman") + '\0'));
    EXPECT_EQ(Get(kScr, "SpeedAnimation").Dword(), 70u);
    EXPECT_EQ(Get(kScr, "FHeight").Dword(), (DWORD)-40);
}

std::vector<int> SharedValues(const SaverSettings& s)
{
    return {s.SpeedAnimation, s.Pause, s.Calendar, s.Rows, s.Columns, s.RowsRandom, s.ColumnsRandom,
            (int)s.font.lfHeight, (int)s.font.lfWeight, s.font.lfItalic};
}

TEST_F(SaverSettingsTest, WhatTheSaverSavesBothProgramsLoadAgain)
{
    SetDword(kScr, "SpeedAnimation", 5);
    SetDword(kScr, "Pause", 4000);
    SetDword(kScr, "Calendar", 0);
    SetDword(kScr, "Rows", 5);
    SetDword(kScr, "Columns", 30);
    SetDword(kScr, "RowsRandom", 1);
    SetDword(kScr, "FHeight", (DWORD)-60);
    SetDword(kScr, "FWeight", 400);
    SetDword(kScr, "FItalic", 1);
    SetDword(kScr, "CloseOnActivate", 1);
    SetText(kScr, "FName", "Verdana");
    LoadSettings();
    const SaverSettings first = gSaverSettings;
    EXPECT_EQ(SharedValues(first), (std::vector<int>{10, 3000, 0, 5, 24, 1, 0, -60, 400, 1}));

    SaveSaverSettings();
    LoadSettings();
    EXPECT_EQ(SharedValues(gSaverSettings), SharedValues(first));
    EXPECT_STREQ(gSaverSettings.font.lfFaceName, "Verdana");
    EXPECT_EQ(gSaverSettings.CloseOnActivate, 1);

    // The calendar program's reading of the same key.
    SaverSettings calendar;
    ReadSaverSettings(kCalendarSaverRules, &calendar);
    EXPECT_EQ(SharedValues(calendar), SharedValues(first));
    EXPECT_STREQ(calendar.font.lfFaceName, "Verdana");
}

TEST_F(SaverSettingsTest, AnOlderDataFolderHoldsTheDatabaseAndNothingIsMade)
{
    std::string old = appData_ + "\\Brantlow\\Raridavezazezud\\840 by Brantlow";
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, old.c_str(), nullptr), ERROR_SUCCESS);
    LoadSettings();
    EXPECT_STREQ(gPictureDbPath, (old + "\\bilder.dat").c_str());
    EXPECT_FALSE(FolderExists(appData_ + "\\Brantlow\\Raridavezazezud\\KV840"));
    EXPECT_FALSE(FolderExists(old + "\\online"));
}

TEST_F(SaverSettingsTest, WithoutTheOlderFolderTheKv840ChainIsMadeAndNoOnlineFolder)
{
    LoadSettings();
    std::string data = appData_ + "\\Brantlow\\Raridavezazezud\\KV840";
    EXPECT_STREQ(gPictureDbPath, (data + "\\bilder.dat").c_str());
    EXPECT_TRUE(FolderExists(data));
    EXPECT_FALSE(FolderExists(data + "\\online"));
    EXPECT_FALSE(FolderExists(appData_ + "\\Brantlow\\Raridavezazezud\\840 by Brantlow"));
}

TEST_F(SaverSettingsTest, APathShorterThanThreeCharactersMeansTheSaversOwnFolder)
{
    for (const char* path : {"", "C:"}) {
        SetText(kMain, "Path", path);
        LoadSettings();
        EXPECT_EQ(std::string(gLangFolder), ExeFolder()) << "Path \"" << path << "\"";
        EXPECT_EQ(std::string(gProgramFolder), ExeFolder()) << "Path \"" << path << "\"";
    }
    SetText(kMain, "Path", "D:\\Programme\\KV840");
    LoadSettings();
    EXPECT_STREQ(gLangFolder, "D:\\Programme\\KV840");
    EXPECT_STREQ(gProgramFolder, "D:\\Programme\\KV840");
}

}  // namespace
