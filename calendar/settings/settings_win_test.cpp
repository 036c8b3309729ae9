// Settings against a private registry: each test redirects HKEY_CURRENT_USER
// to a key of its own, with its own regional values and application-data
// folder, so tests running side by side in one prefix never meet.
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/test_call_log.h"
#include "sound/sound.h"
#include "picturedb/picturedb.h"
#include "common/settings/registry.h"
#include "tests/support/private_registry.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace {

using vt::DeleteFolderTree;
using vt::TestName;

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The calendar's call log starts empty in each test too.
class PrivateRegistry : public vt::PrivateRegistry {
protected:
    void SetUp() override
    {
        vt::PrivateRegistry::SetUp();
        ClearStandInLog();
    }
};

const char kMain[] = SETTINGS_KEY;

std::string ExePath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

TEST_F(PrivateRegistry, FreshStartWritesEveryDefaultTheRunEntryAndTheDataFolder)
{
    // As WinMain starts.
    LoadSettings();
    CheckPictureDatabase();
    SaveSettings();

    struct Expected {
        const char* name;
        DWORD value;
    };
    const Expected dwords[] = {
        {"x", 0},           {"y", 0},           {"xMonatPos", 10},        {"yMonatPos", 10},     {"wMonatPos", 550},
        {"hMonatPos", 630}, {"xTerminPos", 0},  {"yTerminPos", 0},        {"xNotizPos", 20},     {"yNotizPos", 20},
        {"wNotizPos", 450}, {"hNotizPos", 300}, {"xRechnerPos", 0},       {"yRechnerPos", 0},    {"HGwechsel", 2},
        {"AutoExit", 0},    {"AutoStart", 1},   {"Mondphasen", 0},        {"Feiertage", 0},      {"IconColor", 0xFFFFFF},
        {"FHeight", 0xFFFFFFC0}, {"FWeight", 600}, {"FItalic", 0},        {"SndDevice", 0xFFFFFFFF},
        {"SndVolume", 100}, {"NoteTop", 1},     {"NoteStartNew", 1},      {"AutoUpdate", 0},     {"AutoUpdateOP", 0},
        {"Snooze", 0},      {"TransparenzMonat", 80}, {"TransparenzNotiz", 90}, {"KeinKalender", 0},
        {"KalenderLayout", 1}, {"KalenderWTage", 0}, {"KalenderWoche", 0}, {"Kalender4Groesse", 1}, {"dbver", 4},
    };
    for (const Expected& e : dwords) {
        Value v = Get(kMain, e.name);
        EXPECT_EQ(v.type, (DWORD)REG_DWORD) << e.name;
        EXPECT_EQ(v.Dword(), e.value) << e.name;
    }
    std::string dataFolder = appData_ + "\\Brantlow\\Raridavezazezud\\KV840\\";
    EXPECT_EQ(Get(kMain, "FName").Text(), "Arial");
    EXPECT_EQ(Get(kMain, "Version").Text(), "3.3.0");
    EXPECT_EQ(Get(kMain, "AlarmFile").Text(), dataFolder + "alarm.kvk");
    EXPECT_EQ(Get(kMain, "NotePath").Text(), dataFolder);
    // The 40 values of SaveSettings, dbver and Version: nothing else.
    EXPECT_EQ(ValueNames(kMain).size(), 42u);

    EXPECT_EQ(Get(RUN_KEY, RUN_VALUE).Text(), "\"" + ExePath() + "\"");
    EXPECT_TRUE(Exists(dataFolder + "online\\thumbs"));
    EXPECT_STREQ(gSettings.DataFolder, dataFolder.c_str());
    EXPECT_STREQ(gSettings.PictureDbPath, (dataFolder + "bilder.dat").c_str());
    EXPECT_STREQ(gSettings.OnlineCatalogPath, (dataFolder + "onlinefotos.dat").c_str());
    EXPECT_STREQ(gSettings.OnlineThemesPath, (dataFolder + "onlinethemen.dat").c_str());
    EXPECT_STREQ(gSettings.sDate, ".");
    EXPECT_EQ(gSettings.iDate, 1);
}

TEST_F(PrivateRegistry, StoredSoundDeviceAndVolumeSurviveEverySave)
{
    SetDword(kMain, "SndDevice", 3);
    SetDword(kMain, "SndVolume", 40);
    LoadSettings();
    EXPECT_EQ(gSettings.SndDevice, 3);
    EXPECT_EQ(gSettings.SndVolume, 40);
    // With two usable devices this run plays on the default one; with four on the third.
    EXPECT_EQ(SoundDeviceForRun(gSettings.SndDevice, 2), -1);
    EXPECT_EQ(SoundDeviceForRun(gSettings.SndDevice, 4), 3);
    EXPECT_EQ(SoundDeviceForRun(0, 4), -1);
    EXPECT_EQ(SoundDeviceForRun(-1, 4), -1);
    SaveSettings();
    EXPECT_EQ(Get(kMain, "SndDevice").Dword(), 3u);
    EXPECT_EQ(Get(kMain, "SndVolume").Dword(), 40u);
}

TEST_F(PrivateRegistry, AnOlderDataFolderNamedByTheMakerIsUsedAsItIs)
{
    std::string old = appData_ + "\\Brantlow\\Raridavezazezud\\840 by Brantlow";
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, old.c_str(), nullptr), ERROR_SUCCESS);
    LoadSettings();
    EXPECT_STREQ(gSettings.DataFolder, (old + "\\").c_str());
    EXPECT_FALSE(Exists(appData_ + "\\Brantlow\\Raridavezazezud\\KV840"));
    EXPECT_TRUE(Exists(old + "\\online\\thumbs"));
}

struct LoadCase {
    const char* name;
    const char* key;        // sub-key of the main key, or "" for the main key
    const char* value;
    DWORD type;
    DWORD number;           // REG_DWORD data
    std::string text;       // REG_SZ data
    std::function<void()> load;
    std::function<std::string()> result;
    std::string expected;
};

std::string Int(long v)
{
    return std::to_string(v);
}

std::vector<LoadCase> LoadCases()
{
    auto calendarHeight = [] { return Int(gSettings.calendarFont.lfHeight); };
    auto clockHeight = [] { return Int(gSettings.clockFont.lfHeight); };
    auto saverHeight = [] { return Int(gSaverSettings.font.lfHeight); };
    auto calendarPlace = [] {
        return Int(gSettings.KalenderX) + "," + Int(gSettings.KalenderY) + "," + Int(gSettings.KalenderCentered);
    };
    auto clockPlace = [] {
        return Int(gSettings.UhrX) + "," + Int(gSettings.UhrY) + "," + Int(gSettings.UhrEffect) + "," +
               Int(gSettings.UhrSeconds);
    };
    auto speed = [] { return Int(gSaverSettings.SpeedAnimation); };
    auto pause = [] { return Int(gSaverSettings.Pause); };
    auto face = [] { return std::string(gSettings.calendarFont.lfFaceName); };
    auto main = [] { LoadSettings(); };
    auto clock = [] { LoadClockSettings(); };
    auto saver = [] { LoadSaverSettings(); };
    std::string longFace(300, 'F');
    return {
        {"calendar_height_7_ignored", "", "FHeight", REG_DWORD, (DWORD)-7, "", main, calendarHeight, "-64"},
        {"calendar_height_8_taken", "", "FHeight", REG_DWORD, (DWORD)-8, "", main, calendarHeight, "-8"},
        {"clock_height_10_ignored", "", "UhrFHeight", REG_DWORD, (DWORD)-10, "", clock, clockHeight, "-96"},
        {"clock_height_11_taken", "", "UhrFHeight", REG_DWORD, (DWORD)-11, "", clock, clockHeight, "-11"},
        {"saver_height_10_ignored", "SCR", "FHeight", REG_DWORD, (DWORD)-10, "", saver, saverHeight, "-20"},
        {"saver_height_11_taken", "SCR", "FHeight", REG_DWORD, (DWORD)-11, "", saver, saverHeight, "-11"},
        {"weight_999_ignored", "", "FWeight", REG_DWORD, 999, "", main,
         [] { return Int(gSettings.calendarFont.lfWeight); }, "600"},
        {"calendar_place_sum_0_ignored", "", "KalenderXY", REG_SZ, 0, "0, 0, 1", main, calendarPlace, "-1,-1,1"},
        {"calendar_place_taken", "", "KalenderXY", REG_SZ, 0, "5, 0, 0", main, calendarPlace, "5,0,0"},
        {"clock_place_too_short_ignored", "", "UhrXY", REG_SZ, 0, "1,2", clock,
         [] { return Int(gSettings.UhrEffect) + "," + Int(gSettings.UhrSeconds); }, "1,0"},
        {"clock_place_taken", "", "UhrXY", REG_SZ, 0, "1, 2", clock, clockPlace, "1,2,0,0"},
        {"speed_negative_is_80", "SCR", "SpeedAnimation", REG_DWORD, (DWORD)-1, "", saver, speed, "80"},
        {"speed_5_is_10", "SCR", "SpeedAnimation", REG_DWORD, 5, "", saver, speed, "10"},
        {"pause_50_is_80", "SCR", "Pause", REG_DWORD, 50, "", saver, pause, "80"},
        {"pause_5000_is_3000", "SCR", "Pause", REG_DWORD, 5000, "", saver, pause, "3000"},
        {"rows_30_is_24", "SCR", "Rows", REG_DWORD, 30, "", saver, [] { return Int(gSaverSettings.Rows); }, "24"},
        {"note_path_gets_backslash", "", "NotePath", REG_SZ, 0, "D:\\N", main,
         [] { return std::string(gSettings.NotePath); }, "D:\\N\\"},
        {"note_path_keeps_backslash", "", "NotePath", REG_SZ, 0, "D:\\N\\", main,
         [] { return std::string(gSettings.NotePath); }, "D:\\N\\"},
        {"holiday_region_25_is_0", "", "Feiertage", REG_DWORD, 25, "", main,
         [] { return Int(gSettings.Feiertage); }, "0"},
        {"holiday_region_18_taken", "", "Feiertage", REG_DWORD, 18, "", main,
         [] { return Int(gSettings.Feiertage); }, "18"},
        {"face_as_dword_ignored", "", "FName", REG_DWORD, 7, "", main, face, "Arial"},
        {"face_of_300_characters_ignored", "", "FName", REG_SZ, 0, longFace, main, face, "Arial"},
        {"face_of_40_characters_cut_to_field", "", "FName", REG_SZ, 0, std::string(40, 'G'), main, face,
         std::string(31, 'G')},
        {"dword_stored_as_text_ignored", "", "HGwechsel", REG_SZ, 0, "99", main,
         [] { return Int(gSettings.HGwechsel); }, "2"},
    };
}

class SettingsLoadRule : public PrivateRegistry, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(SettingsLoadRule, StoredValueLoadsByItsRule)
{
    const LoadCase& c = GetParam();
    std::string key = std::string(kMain) + (c.key[0] ? std::string("\\") + c.key : "");
    if (c.type == REG_DWORD)
        SetDword(key, c.value, c.number);
    else
        SetText(key, c.value, c.text);
    c.load();
    EXPECT_EQ(c.result(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, SettingsLoadRule, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

struct DatabaseCase {
    const char* name;
    bool databaseExists;
    bool defaultsFile;
    int dbver;               // -1: not stored
    const char* version;     // nullptr: not stored
    const char* expectedCall;   // the database function that does work, or nullptr
};

class DatabaseAtStart : public PrivateRegistry, public ::testing::WithParamInterface<DatabaseCase> {};

TEST_P(DatabaseAtStart, MakesConvertsOrRebuildsThePictureDatabaseAsNeeded)
{
    const DatabaseCase& c = GetParam();
    // An installer's program folder holding "bilder.def".
    std::string program = appData_ + "\\program";
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, program.c_str(), nullptr), ERROR_SUCCESS);
    SetText(kMain, "Path", program);
    std::vector<uint8_t> defaults;
    for (int i = 0; i < 622 * 2; i++)
        defaults.push_back((uint8_t)(i * 7));
    if (c.defaultsFile) {
        ASSERT_TRUE(vt::WriteFileBytes(program + "\\bilder.def", defaults));
    }
    std::string data = appData_ + "\\Brantlow\\Raridavezazezud\\KV840";
    std::vector<uint8_t> existing(622, 0x4D);
    if (c.dbver == 3 && !c.expectedCall) {
        // Already in the current format: magic 'M', 0 and version 4.
        const uint8_t head[6] = {'M', 0, 4, 0, 0, 0};
        std::copy(head, head + 6, existing.begin());
    }
    if (c.databaseExists) {
        ASSERT_EQ(SHCreateDirectoryExA(nullptr, data.c_str(), nullptr), ERROR_SUCCESS);
        ASSERT_TRUE(vt::WriteFileBytes(data + "\\bilder.dat", existing));
    }
    if (c.dbver >= 0)
        SetDword(kMain, "dbver", (DWORD)c.dbver);
    if (c.version)
        SetText(kMain, "Version", c.version);

    LoadSettings();
    CheckPictureDatabase();

    // The test build has no month pictures, so a new database holds no records.
    std::string work = c.expectedCall ? c.expectedCall : "";
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(data + "\\bilder.dat", &bytes));
    EXPECT_EQ(Exists(data + "\\bilder.V3"), work == "ConvertPictureDatabase");
    EXPECT_EQ(Exists(data + "\\bilder.bak"), work == "RebuildPictureDatabase");
    EXPECT_FALSE(Exists(data + "\\bilder.convert"));
    if (work == "CreateDefaultPictureDatabase") {
        EXPECT_TRUE(bytes.empty());
    } else if (work == "ConvertPictureDatabase") {
        // 622 bytes of 'M' are one older record and the start of a second.
        std::vector<uint8_t> old;
        ASSERT_TRUE(vt::ReadFileBytes(data + "\\bilder.V3", &old));
        EXPECT_EQ(old, existing);
        ASSERT_EQ(bytes.size(), 622u);
        const uint8_t head[10] = {'M', 0, 4, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_TRUE(std::equal(head, head + 10, bytes.begin()));
    } else if (work == "RebuildPictureDatabase") {
        std::vector<uint8_t> old;
        ASSERT_TRUE(vt::ReadFileBytes(data + "\\bilder.bak", &old));
        EXPECT_EQ(old, existing);
        ASSERT_EQ(bytes.size(), 622u);
        EXPECT_TRUE(std::equal(existing.begin() + 10, existing.end(), bytes.begin() + 10));
    } else if (c.databaseExists) {
        EXPECT_EQ(bytes, existing);
    } else {
        EXPECT_EQ(bytes, defaults);
    }
    if (!c.databaseExists || work.size() || c.dbver == 3) {
        EXPECT_EQ(Get(kMain, "dbver").Dword(), 4u);
        EXPECT_EQ(Get(kMain, "Version").Text(), "3.3.0");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Start, DatabaseAtStart,
    ::testing::Values(DatabaseCase{"missing_copied_from_defaults", false, true, -1, nullptr, nullptr},
                      DatabaseCase{"missing_without_defaults_made", false, false, -1, nullptr,
                                   "CreateDefaultPictureDatabase"},
                      DatabaseCase{"version_3_converted", true, false, 3, "3.3.0", "ConvertPictureDatabase"},
                      DatabaseCase{"older_program_rebuilt", true, false, 4, "3.2.9", "RebuildPictureDatabase"},
                      DatabaseCase{"no_program_version_rebuilt", true, false, 4, "", "RebuildPictureDatabase"},
                      DatabaseCase{"current_format_with_old_dbver_kept", true, false, 3, "3.3.0", nullptr},
                      DatabaseCase{"current_kept", true, false, 4, "3.3.0", nullptr},
                      DatabaseCase{"newer_kept", true, false, 4, "3.3.1", nullptr}),
    [](const ::testing::TestParamInfo<DatabaseCase>& info) { return std::string(info.param.name); });

TEST_F(PrivateRegistry, ResetDeletesExactlyTheResettableValues)
{
    const char* mainValues[] = {"x", "y", "xMonatPos", "yMonatPos", "wMonatPos", "hMonatPos", "xTerminPos",
                                "yTerminPos", "xNotizPos", "yNotizPos", "wNotizPos", "hNotizPos", "xRechnerPos",
                                "yRechnerPos", "HGwechsel", "AutoExit", "Mondphasen", "Feiertage", "IconColor",
                                "BildSch\xE4rfen", "FHeight", "FWeight", "FItalic", "FName", "Snooze"};
    const char* keptValues[] = {"AutoStart", "OldPic", "dbver", "Version", "KalenderLayout", "UhrXY"};
    for (const char* name : mainValues)
        SetDword(kMain, name, 1);
    for (const char* name : keptValues)
        SetDword(kMain, name, 1);
    std::string notes = std::string(kMain) + "\\Notiz";
    std::string hotkeys = std::string(kMain) + "\\Hotkeys";
    std::string saver = std::string(kMain) + "\\SCR";
    for (const char* name : {"FHeight", "FWeight", "FItalic", "FName"})
        SetDword(notes, name, 1);
    SetDword(notes, "Other", 1);
    for (int i = 0; i < 5; i++)
        for (char kind : {'m', 'v', 'a'}) {
            char name[16];
            snprintf(name, sizeof(name), "hk%02d%c", i, kind);
            SetDword(hotkeys, name, 1);
        }
    SetDword(hotkeys, "hk05m", 1);
    SetDword(saver, "Pause", 500);

    ResetSettings();

    std::vector<std::string> kept(std::begin(keptValues), std::end(keptValues));
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(ValueNames(kMain), kept);
    EXPECT_EQ(ValueNames(notes), std::vector<std::string>{"Other"});
    EXPECT_EQ(ValueNames(hotkeys), std::vector<std::string>{"hk05m"});
    EXPECT_EQ(Get(saver, "Pause").Dword(), 500u);
}

TEST_F(PrivateRegistry, AutoStartOffRemovesTheRunEntry)
{
    SetAutoStart(1);
    EXPECT_EQ(Get(RUN_KEY, RUN_VALUE).Text(), "\"" + ExePath() + "\"");
    SetAutoStart(0);
    EXPECT_EQ(Get(RUN_KEY, RUN_VALUE).type, (DWORD)REG_NONE);
}

TEST_F(PrivateRegistry, HotkeysNotesFontAndSaverValuesRoundTrip)
{
    LoadHotkeys();
    gHotkeys[1] = {201, 3, 17, 5};
    SaveHotkeys();
    gHotkeys[1] = {0, 0, 0, 0};
    EXPECT_EQ(LoadHotkeys(), ERROR_SUCCESS);
    EXPECT_EQ(gHotkeys[1].modifier, 3);
    EXPECT_EQ(gHotkeys[1].key, 17);
    EXPECT_EQ(gHotkeys[1].enabled, 1);
    EXPECT_EQ(gHotkeys[4].id, 204);

    LoadSaverSettings();
    gSaverSettings.Rows = 7;
    lstrcpyA(gSaverSettings.font.lfFaceName, "Verdana");
    SaveSaverSettings();
    LoadSaverSettings();
    EXPECT_EQ(gSaverSettings.Rows, 7);
    EXPECT_STREQ(gSaverSettings.font.lfFaceName, "Verdana");

    LoadNoteFont();
    EXPECT_STREQ(gSettings.noteFont.lfFaceName, "Courier New");
    EXPECT_EQ(gSettings.noteFont.lfPitchAndFamily, 0x31);
    gSettings.noteFont.lfHeight = -20;
    SaveNoteFont();
    LoadNoteFont();
    EXPECT_EQ(gSettings.noteFont.lfHeight, -20);
}

}  // namespace
