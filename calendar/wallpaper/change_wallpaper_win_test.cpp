// ChangeWallpaper over an injected clock, draws, pauses, screen, desktop call
// and renderer, against a private registry, application-data folder and
// picture database, so tests running side by side never meet.
#include "wallpaper/change_wallpaper.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <png.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/app.h"
#include "imaging/is5.h"
#include "picturedb/picturedb.h"
#include "settings/settings.h"
#include "tests/support/failing_sink.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"
#include "wallpaper/wallpaper.h"
#include "wallpaper/wallpaper_file.h"

namespace {

using vt::DeleteFolderTree;
using vt::TestName;
using vt::WindowsPath;

// "YYYY-MM-DD HH:MM" with its weekday.
SYSTEMTIME At(const char* when)
{
    SYSTEMTIME t{};
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    sscanf(when, "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi);
    t.wYear = (WORD)y;
    t.wMonth = (WORD)mo;
    t.wDay = (WORD)d;
    t.wHour = (WORD)h;
    t.wMinute = (WORD)mi;
    FILETIME ft;
    SystemTimeToFileTime(&t, &ft);
    FileTimeToSystemTime(&ft, &t);
    return t;
}


// A JPEG of a grey ramp written by the library.
bool WriteJpeg(const std::string& path, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> pixels((size_t)width * height * 3);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = (uint8_t)(i * 7);
    HISDEST dest = is5_OpenFileDest(path.c_str(), 0);
    if (!dest)
        return false;
    int32_t written = is5_WriteJPG(dest, pixels.data(), width, height, 24, width * 3, 90, nullptr, 0);
    is5_CloseDest(dest);
    return written != 0 && ISGetLastError() == 0;
}

// A JPEG whose frame header claims 7-bit samples, which no decoder accepts.
bool WriteCorruptJpeg(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!WriteJpeg(path, 64, 48) || !vt::ReadFileBytes(path, &bytes))
        return false;
    for (size_t i = 2; i + 4 < bytes.size(); i++)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC1 || bytes[i + 1] == 0xC2)) {
            bytes[i + 4] = 7;
            return vt::WriteFileBytes(path, bytes);
        }
    return false;
}

// A 640 x 480 JPEG cut at half its length: its upper half decodes, the rest
// comes out grey.
bool WriteHalfJpeg(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!WriteJpeg(path, 640, 480) || !vt::ReadFileBytes(path, &bytes))
        return false;
    bytes.resize(bytes.size() / 2);
    return vt::WriteFileBytes(path, bytes);
}

// A whole JPEG with three stray bytes before its scan's marker, which
// decoders pass over with a warning.
bool WriteJpegWithStrayBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!WriteJpeg(path, 64, 48) || !vt::ReadFileBytes(path, &bytes))
        return false;
    for (size_t i = 2; i + 1 < bytes.size(); i++)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            bytes.insert(bytes.begin() + (ptrdiff_t)i, {0x12, 0x34, 0x56});
            return vt::WriteFileBytes(path, bytes);
        }
    return false;
}

// A 64 x 48 RGB PNG, whole or only its first half.
bool WritePng(const std::string& path, bool half)
{
    std::vector<uint8_t> pixels(64 * 48 * 3);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = (uint8_t)(i * 13 + i / 7);
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = 64;
    image.height = 48;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, nullptr))
        return false;
    std::vector<uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr))
        return false;
    bytes.resize(half ? size / 2 : size);
    return vt::WriteFileBytes(path, bytes);
}

bool WriteTruncatedPng(const std::string& path)
{
    return WritePng(path, true);
}

struct RenderCall {
    std::string name, path;
    int width, height;
    bool builtin;
    PictureRecord record;
};

struct SpiCall {
    UINT action, param, flags;
    std::string path;
};

// What the seams saw and answer; one test at a time per process.
struct Fakes {
    SYSTEMTIME now;
    std::vector<int> draws;   // random numbers, repeated from the start when used up
    size_t drawsTaken = 0;
    DWORD slept = 0;
    std::vector<DWORD> pauses;
    std::vector<RenderCall> renders;
    std::vector<SpiCall> spi;
    int renderResult = 1;
    WallpaperRenderFn realBuiltin = nullptr, realFile = nullptr;   // when set, the real renderer runs
} gFakes;

void FakeTime(SYSTEMTIME* now)
{
    *now = gFakes.now;
}

int FakeRandom()
{
    if (gFakes.draws.empty())
        return 0;
    return gFakes.draws[gFakes.drawsTaken++ % gFakes.draws.size()];
}

void FakeSleep(DWORD ms)
{
    gFakes.slept += ms;
    gFakes.pauses.push_back(ms);
}

void FakeScreen(int* width, int* height)
{
    *width = 1280;
    *height = 1024;
}

BOOL WINAPI FakeSpi(UINT action, UINT param, PVOID value, UINT flags)
{
    gFakes.spi.push_back({action, param, flags, value ? (const char*)value : ""});
    return TRUE;
}

int Render(bool builtin, const char* name, const char* path, int width, int height, int unused,
           const PictureRecord* record)
{
    gFakes.renders.push_back({name, path, width, height, builtin, *record});
    WallpaperRenderFn real = builtin ? gFakes.realBuiltin : gFakes.realFile;
    if (real)
        return real(name, path, width, height, unused, record);
    return gFakes.renderResult;
}

int FakeBuiltin(const char* name, const char* path, int width, int height, int unused, const PictureRecord* record)
{
    return Render(true, name, path, width, height, unused, record);
}

int FakeFile(const char* name, const char* path, int width, int height, int unused, const PictureRecord* record)
{
    return Render(false, name, path, width, height, unused, record);
}

class ChangeWallpaperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = TestName() + "_" + std::to_string(GetCurrentProcessId());
        rootPath_ = "Software\\VeskoTests\\" + name;
        RegDeleteTreeA(HKEY_CURRENT_USER, rootPath_.c_str());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, rootPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root_,
                                  nullptr),
                  ERROR_SUCCESS);
        folder_ = WindowsPath(vt::BuildPath("change_wallpaper_tmp/" + name));
        DeleteFolderTree(folder_);
        appData_ = folder_ + "\\AppData";
        ASSERT_EQ(SHCreateDirectoryExA(nullptr, appData_.c_str(), nullptr), ERROR_SUCCESS);
        HKEY folders;
        ASSERT_EQ(RegCreateKeyExA(root_, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                  0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &folders, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(folders, "AppData", 0, REG_EXPAND_SZ, (const BYTE*)appData_.c_str(),
                       (DWORD)appData_.size() + 1);
        RegCloseKey(folders);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, root_), ERROR_SUCCESS);
        wallpaper_ = appData_ + "\\Brantlow\\Raridavezazezud\\wallpaper.bmp";

        gSettings = AppSettings();
        gSettings.BuiltinPictureCount = 12;
        snprintf(gSettings.PictureDbPath, sizeof(gSettings.PictureDbPath), "%s\\bilder.dat", folder_.c_str());
        gSettings.HGwechsel = 2;

        gFakes = Fakes();
        gFakes.now = At("2026-12-10 09:00");
        gWallpaperSeams.getTime = FakeTime;
        gWallpaperSeams.random = FakeRandom;
        gWallpaperSeams.sleep = FakeSleep;
        gWallpaperSeams.screenSize = FakeScreen;
        gWallpaperSeams.systemParametersInfo = FakeSpi;
        gWallpaperSeams.renderBuiltin = FakeBuiltin;
        gWallpaperSeams.renderFile = FakeFile;
        SetWallpaperStartPending(1);
    }

    void TearDown() override
    {
        ResetWallpaperSeams();
        SetWallpaperStartPending(1);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (root_)
            RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, rootPath_.c_str());
        DeleteFolderTree(folder_);
    }

    // The twelve built-in records.
    void DefaultDatabase() { ASSERT_EQ(CreateDefaultPictureDatabase(), 1); }

    void Append(const PictureRecord& record) { ASSERT_EQ(WritePictureRecord(nullptr, &record, -1), 1); }

    static PictureRecord FileRecord(const char* path)
    {
        PictureRecord record;
        MakeBuiltinPictureRecord(1, &record);
        lstrcpynA(record.picture, path, sizeof(record.picture));
        lstrcpynA(record.thumbnail, "", sizeof(record.thumbnail));
        return record;
    }

    void SetOld(const char* name, const char* when)
    {
        lstrcpynA(gSettings.OldPic, name, sizeof(gSettings.OldPic));
        SYSTEMTIME t = At(when);
        gSettings.OldHour = t.wHour;
        gSettings.OldDay = t.wDay;
        gSettings.OldMonth = t.wMonth;
    }

    // The program's values as stored, name -> type and bytes.
    std::map<std::string, std::vector<BYTE>> StoredValues()
    {
        std::map<std::string, std::vector<BYTE>> values;
        HKEY key;
        if (RegOpenKeyExA(root_, SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return values;
        for (DWORD i = 0;; i++) {
            char name[256];
            BYTE data[1024];
            DWORD nameSize = sizeof(name), dataSize = sizeof(data), type = 0;
            if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
                break;
            std::vector<BYTE> bytes(data, data + dataSize);
            bytes.push_back((BYTE)type);
            values[name] = bytes;
        }
        RegCloseKey(key);
        return values;
    }

    std::string StoredText(const char* name)
    {
        auto values = StoredValues();
        auto it = values.find(name);
        if (it == values.end() || it->second.size() < 2)
            return "(none)";
        return std::string((const char*)it->second.data());
    }

    DWORD StoredDword(const char* name)
    {
        auto values = StoredValues();
        auto it = values.find(name);
        if (it == values.end() || it->second.size() != 5)
            return 0xDEADBEEF;
        DWORD v;
        memcpy(&v, it->second.data(), 4);
        return v;
    }

    // A current desktop file and stored picture "C05X" that a failed change
    // must leave as they are; the file's bytes.
    std::vector<uint8_t> PlaceOldWallpaper()
    {
        char wallpaper[MAX_PATH];
        GetWallpaperPath(wallpaper, sizeof(wallpaper));
        EXPECT_EQ(wallpaper, wallpaper_);
        std::vector<uint8_t> old(54 + 4 * 4 * 3, 0x5A);
        old[0] = 'B';
        old[1] = 'M';
        EXPECT_TRUE(vt::WriteFileBytes(wallpaper_, old));
        SetOld("C05X", "2026-12-09 09:00");
        SaveLastPicture();
        return old;
    }

    // Nothing set on the desktop, the file and the stored values unchanged,
    // nothing half-written left beside the file.
    void ExpectOldWallpaperKept(const std::vector<uint8_t>& old,
                                const std::map<std::string, std::vector<BYTE>>& stored)
    {
        EXPECT_TRUE(gFakes.spi.empty());
        EXPECT_EQ(gSettings.OldPic, std::string("C05X"));
        EXPECT_EQ(StoredValues(), stored);
        std::vector<uint8_t> now;
        EXPECT_TRUE(vt::ReadFileBytes(wallpaper_, &now));
        EXPECT_EQ(now, old);
        EXPECT_EQ(FilesBesideWallpaper(), std::vector<std::string>{"wallpaper.bmp"});
    }

    // Names of the files in the wallpaper's folder.
    std::vector<std::string> FilesBesideWallpaper()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        std::string pattern = appData_ + "\\Brantlow\\Raridavezazezud\\*";
        HANDLE find = FindFirstFileA(pattern.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileA(find, &found));
        FindClose(find);
        return names;
    }

    // A record of `path` as the only one: drawn, rendered by the real
    // renderer and set as the screen-sized wallpaper.
    void ExpectTheOnlyRecordBecomesTheWallpaper(const std::string& path)
    {
        PictureRecord record = FileRecord(path.c_str());
        record.cropToFill = 1;
        Append(record);
        SetOld("C05X", "2026-12-09 09:00");
        gFakes.realFile = RenderFileWallpaper;
        gFakes.draws = {0};
        EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 1, 0, 1, GetMainPictureRecord()), 1);
        ASSERT_EQ(gFakes.renders.size(), 1u);
        EXPECT_EQ(gFakes.renders[0].name, path);
        ASSERT_EQ(gFakes.spi.size(), 1u);
        EXPECT_EQ(gFakes.spi[0].path, wallpaper_);
        EXPECT_EQ(gSettings.OldPic, path);
        EXPECT_EQ(StoredText("OldPic"), path);
        std::vector<uint8_t> bmp;
        ASSERT_TRUE(vt::ReadFileBytes(wallpaper_, &bmp));
        EXPECT_EQ(bmp.size(), 54u + 1280u * 1024u * 3u);
    }

    std::string rootPath_, folder_, appData_, wallpaper_;
    HKEY root_ = nullptr;
};

// One call of a sequence and what it must do: '-' nothing rendered, 'N' a
// newly drawn picture, 'O' the current picture again.
struct Call {
    const char* when;
    int force, keep, manual;
    char renders;
};

struct DueCase {
    const char* what;
    int mode;
    const char* oldPic;       // OldPic at the start
    const char* oldWhen;      // OldHour/OldDay/OldMonth at the start
    int oldState;             // state written into OldPic's record; -1 leaves the database as it is
    std::vector<Call> calls;
};

const DueCase kDueCases[] = {
    {"daily: two timer calls on one day render once, the next day again, force renders", 2, "C03X",
     "2026-12-09 20:00", -1,
     {{"2026-12-10 09:00", 0, 0, 0, 'N'},
      {"2026-12-10 09:00", 0, 0, 0, '-'},
      {"2026-12-10 17:30", 0, 0, 0, '-'},
      {"2026-12-11 00:10", 0, 0, 0, 'N'},
      {"2026-12-11 08:00", 1, 0, 0, 'O'},
      {"2026-12-11 08:01", 1, 0, 1, 'O'}}},
    {"daily: the same day number in another month is a new day", 2, "C03X", "2026-11-10 09:00", -1,
     {{"2026-12-10 09:00", 0, 0, 0, 'N'}}},
    {"hourly: a new hour renders", 1, "C03X", "2026-12-10 08:00", -1,
     {{"2026-12-10 09:00", 0, 0, 0, 'N'},
      {"2026-12-10 09:59", 0, 0, 0, '-'},
      {"2026-12-10 10:00", 0, 0, 0, 'N'}}},
    {"each start: the first call after start renders, a second one only with force", 0, "C03X", "2026-12-10 09:00",
     -1,
     {{"2026-12-10 09:00", 0, 0, 0, 'N'},
      {"2026-12-11 09:00", 0, 0, 0, '-'},
      {"2026-12-11 09:05", 1, 0, 0, 'N'}}},
    {"on request: timer calls do nothing, manual with force renders", 99, "C03X", "2026-12-01 09:00", -1,
     {{"2026-12-10 09:00", 0, 0, 0, '-'},
      {"2026-12-10 09:00", 1, 0, 0, '-'},
      {"2026-12-10 09:00", 0, 0, 1, '-'},
      {"2026-12-10 09:00", 1, 0, 1, 'N'},
      {"2026-12-10 09:00", 1, 1, 0, 'O'}}},
    {"keep with force shows the current picture again, even when a new one is due", 2, "C03X", "2026-12-09 08:00", -1,
     {{"2026-12-10 09:00", 1, 1, 1, 'O'}}},
    {"no current picture yet", 2, "", "2026-12-10 09:00", -1, {{"2026-12-10 09:00", 0, 0, 0, 'N'}}},
    {"current picture missing from the database", 2, "D:\\gone\\away.jpg", "2026-12-10 09:00", -1,
     {{"2026-12-10 09:00", 0, 0, 0, 'N'}}},
    {"current picture removed", 2, "C03X", "2026-12-10 09:00", 0, {{"2026-12-10 09:00", 0, 0, 0, 'N'}}},
    {"current picture in state 1", 2, "C03X", "2026-12-10 09:00", 1, {{"2026-12-10 09:00", 0, 0, 0, 'N'}}},
    {"on request: a removed current picture is replaced at the next manual call", 99, "C03X", "2026-12-10 09:00", 0,
     {{"2026-12-10 09:00", 0, 0, 0, '-'}, {"2026-12-10 09:00", 0, 0, 1, 'N'}}},
};

class ChangeWallpaperDue : public ChangeWallpaperTest, public ::testing::WithParamInterface<DueCase> {};

TEST_P(ChangeWallpaperDue, RendersWhenTheSettingSaysSo)
{
    const DueCase& c = GetParam();
    DefaultDatabase();
    if (c.oldState >= 0) {
        PictureRecord record;
        ASSERT_EQ(ReadPictureRecord(nullptr, &record, 2), 1);
        record.state = (uint16_t)c.oldState;
        ASSERT_EQ(WritePictureRecord(nullptr, &record, 2), 1);
    }
    gSettings.HGwechsel = c.mode;
    SetOld(c.oldPic, c.oldWhen);
    gFakes.draws = {7, 4, 10, 0, 5};
    for (size_t i = 0; i < c.calls.size(); i++) {
        const Call& call = c.calls[i];
        SCOPED_TRACE(std::string(c.what) + ", call " + std::to_string(i + 1) + " at " + call.when);
        gFakes.now = At(call.when);
        std::string before = gSettings.OldPic;
        size_t rendered = gFakes.renders.size(), drawn = gFakes.drawsTaken;
        EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, call.force, call.keep, call.manual, GetMainPictureRecord()), 1);
        if (call.renders == '-') {
            EXPECT_EQ(gFakes.renders.size(), rendered);
            EXPECT_EQ(gSettings.OldPic, before);
            continue;
        }
        ASSERT_EQ(gFakes.renders.size(), rendered + 1);
        const RenderCall& r = gFakes.renders.back();
        if (call.renders == 'N') {
            ASSERT_EQ(gFakes.drawsTaken, drawn + 1);
            char expected[8];
            BuiltinPictureName(gFakes.draws[drawn % gFakes.draws.size()] + 1, expected);
            EXPECT_EQ(r.name, expected);
        } else {
            EXPECT_EQ(gFakes.drawsTaken, drawn);
            EXPECT_EQ(r.name, before);
        }
        EXPECT_TRUE(r.builtin);
        EXPECT_EQ(r.path, wallpaper_);
        EXPECT_EQ(r.width, 1280);
        EXPECT_EQ(r.height, 1024);
        EXPECT_EQ(gSettings.OldPic, r.name);
        EXPECT_EQ(StoredText("OldPic"), r.name);
        EXPECT_EQ(StoredDword("OldHour"), gFakes.now.wHour);
        EXPECT_EQ(StoredDword("OldDay"), gFakes.now.wDay);
        EXPECT_EQ(StoredDword("OldMonth"), gFakes.now.wMonth);
    }
    EXPECT_EQ(gFakes.spi.size(), gFakes.renders.size());
    for (const SpiCall& s : gFakes.spi) {
        EXPECT_EQ(s.action, (UINT)SPI_SETDESKWALLPAPER);
        EXPECT_EQ(s.param, 0u);
        EXPECT_EQ(s.path, wallpaper_);
        EXPECT_EQ(s.flags, (UINT)(SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ChangeWallpaperDue, ::testing::ValuesIn(kDueCases));

TEST_F(ChangeWallpaperTest, ADrawSkipsUnusableRecordsAndRendersWithTheDrawnRecord)
{
    PictureRecord night;
    MakeBuiltinPictureRecord(1, &night);
    night.hourFrom = 22;
    night.hourTo = 6;
    Append(night);
    PictureRecord removed;
    MakeBuiltinPictureRecord(2, &removed);
    removed.state = 0;
    Append(removed);
    PictureRecord sunday;
    MakeBuiltinPictureRecord(3, &sunday);
    sunday.weekdayMask = 1;   // 2026-12-10 is a Thursday
    Append(sunday);
    PictureRecord mine = FileRecord("C:\\Bilder\\see.jpg");
    mine.cropToFill = 0;
    mine.background = 0x336699;
    mine.brightness = 20;
    mine.saturationStep = 8;
    Append(mine);
    gFakes.draws = {0, 1, 2, 3};
    EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 1, 0, 1, GetMainPictureRecord()), 1);
    ASSERT_EQ(gFakes.renders.size(), 1u);
    const RenderCall& r = gFakes.renders[0];
    EXPECT_FALSE(r.builtin);
    EXPECT_EQ(r.name, "C:\\Bilder\\see.jpg");
    EXPECT_EQ(r.record.cropToFill, 0);
    EXPECT_EQ(r.record.background, 0x336699u);
    EXPECT_EQ(r.record.brightness, 20);
    EXPECT_EQ(r.record.saturationStep, 8);
    EXPECT_EQ(gFakes.drawsTaken, 4u);
    EXPECT_EQ(gFakes.pauses, (std::vector<DWORD>{10, 10, 10, 10}));
    EXPECT_STREQ(GetMainPictureRecord()->picture, "C:\\Bilder\\see.jpg");
}

TEST_F(ChangeWallpaperTest, BuiltInOrFileFollowsTheNameNotThePosition)
{
    // A user picture among the first twelve positions, a built-in name after them.
    Append(FileRecord("C:\\Bilder\\berg.png"));
    PictureRecord builtin;
    MakeBuiltinPictureRecord(2, &builtin);
    for (int i = 1; i < 13; i++)
        Append(FileRecord(("C:\\Bilder\\" + std::to_string(i) + ".jpg").c_str()));
    Append(builtin);
    gFakes.draws = {0, 13};
    // As the button does it: the stored day reset, then a manual forced call.
    for (int i = 0; i < 2; i++) {
        gSettings.OldMonth = gSettings.OldDay = gSettings.OldHour = -1;
        EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 1, 0, 1, GetMainPictureRecord()), 1);
    }
    ASSERT_EQ(gFakes.renders.size(), 2u);
    EXPECT_EQ(gFakes.renders[0].name, "C:\\Bilder\\berg.png");
    EXPECT_FALSE(gFakes.renders[0].builtin);
    EXPECT_EQ(gFakes.renders[1].name, "C02X");
    EXPECT_TRUE(gFakes.renders[1].builtin);

    // Shown again without a draw, each by its name as well.
    for (const char* old : {"C02X", "C:\\Bilder\\berg.png"}) {
        SetOld(old, "2026-12-10 09:00");
        EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 1, 1, 0, GetMainPictureRecord()), 1);
        EXPECT_EQ(gFakes.renders.back().name, old);
        EXPECT_EQ(gFakes.renders.back().builtin, std::string(old) == "C02X");
    }
}

TEST_F(ChangeWallpaperTest, WithoutAUsableRecordTheCurrentPictureKeepsItsOwnFitAndBackground)
{
    // Thirty draws find only night pictures; the current one is among them.
    for (int i = 1; i <= 3; i++) {
        PictureRecord night;
        MakeBuiltinPictureRecord(i, &night);
        night.hourFrom = 22;
        night.hourTo = 5;
        if (i == 2) {
            night.cropToFill = 0;
            night.background = 0x00FF8040;
            night.sharpness = -2;
        }
        Append(night);
    }
    SetOld("c02x", "2026-12-09 09:00");
    gFakes.draws = {0, 2};
    EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 0, 0, 0, GetMainPictureRecord()), 1);
    EXPECT_EQ(gFakes.drawsTaken, 30u);
    EXPECT_EQ(gFakes.slept, 300u);
    ASSERT_EQ(gFakes.renders.size(), 1u);
    const RenderCall& r = gFakes.renders[0];
    EXPECT_EQ(r.name, "c02x");
    EXPECT_TRUE(r.builtin);
    EXPECT_EQ(r.record.cropToFill, 0);
    EXPECT_EQ(r.record.background, 0x00FF8040u);
    EXPECT_EQ(r.record.sharpness, -2);
}

TEST_F(ChangeWallpaperTest, AnEmptyDatabaseRendersTheCurrentPictureWithNeutralSettings)
{
    for (bool emptyFile : {false, true}) {
        SCOPED_TRACE(emptyFile ? "empty file" : "no file");
        if (emptyFile) {
            ASSERT_TRUE(vt::WriteFileBytes(gSettings.PictureDbPath, {}));
        }
        SetOld("D:\\Bilder\\alt.jpg", "2026-12-09 09:00");
        gFakes = Fakes();
        gFakes.now = At("2026-12-10 09:00");
        gFakes.draws = {3};
        EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 0, 0, 0, GetMainPictureRecord()), 1);
        EXPECT_EQ(gFakes.drawsTaken, 0u);
        ASSERT_EQ(gFakes.renders.size(), 1u);
        const RenderCall& r = gFakes.renders[0];
        EXPECT_EQ(r.name, "D:\\Bilder\\alt.jpg");
        EXPECT_FALSE(r.builtin);
        EXPECT_EQ(r.record.cropToFill, 1);
        EXPECT_EQ(r.record.saturationStep, 5);
        EXPECT_EQ(r.record.sharpness, 0);
        EXPECT_EQ(r.record.brightness, 0);
        EXPECT_EQ(r.record.contrast, 0);
        EXPECT_EQ(gSettings.OldPic, std::string("D:\\Bilder\\alt.jpg"));
    }
}

TEST_F(ChangeWallpaperTest, EveryAttemptFailingLeavesTheCurrentPictureAndStoredValues)
{
    DefaultDatabase();
    SetOld("C05X", "2026-12-09 09:00");
    SaveLastPicture();
    auto stored = StoredValues();
    ASSERT_EQ(StoredText("OldPic"), "C05X");
    gFakes.renderResult = 0;
    gFakes.draws = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 0, 0, 0, GetMainPictureRecord()), 0);
    ASSERT_EQ(gFakes.renders.size(), 16u);
    // A new draw for each attempt, a pause after each failure.
    for (int i = 0; i < 16; i++) {
        char expected[8];
        BuiltinPictureName(i % 12 + 1, expected);
        EXPECT_EQ(gFakes.renders[i].name, expected) << "attempt " << i;
    }
    EXPECT_EQ(gFakes.drawsTaken, 16u);
    EXPECT_EQ(gFakes.slept, 16u * 10 + 16u * 25);
    EXPECT_TRUE(gFakes.spi.empty());
    EXPECT_EQ(gSettings.OldPic, std::string("C05X"));
    EXPECT_EQ(StoredValues(), stored);

    // Nothing to show at all: no current picture and no records.
    DeleteFileA(gSettings.PictureDbPath);
    SetOld("", "2026-12-09 09:00");
    gFakes = Fakes();
    gFakes.now = At("2026-12-10 09:00");
    EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 0, 0, 0, GetMainPictureRecord()), 0);
    EXPECT_TRUE(gFakes.renders.empty());
    EXPECT_TRUE(gFakes.spi.empty());
    EXPECT_EQ(StoredValues(), stored);
}

TEST_F(ChangeWallpaperTest, BrokenPictureFilesFailEveryAttemptAndChangeNothing)
{
    const std::string empty = folder_ + "\\leer.jpg", corrupt = folder_ + "\\kaputt.jpg",
                      truncated = folder_ + "\\halb.png", thin = folder_ + "\\duenn.jpg",
                      cut = folder_ + "\\halb.jpg";
    ASSERT_TRUE(vt::WriteFileBytes(empty, {}));
    ASSERT_TRUE(WriteCorruptJpeg(corrupt));
    ASSERT_TRUE(WriteTruncatedPng(truncated));
    ASSERT_TRUE(WriteJpeg(thin, 1, 20000));
    ASSERT_TRUE(WriteHalfJpeg(cut));
    for (const std::string* path : {&empty, &corrupt, &truncated, &thin, &cut}) {
        PictureRecord record = FileRecord(path->c_str());
        record.cropToFill = 1;
        Append(record);
    }
    std::vector<uint8_t> old = PlaceOldWallpaper();
    auto stored = StoredValues();

    gFakes.realBuiltin = RenderBuiltinWallpaper;
    gFakes.realFile = RenderFileWallpaper;
    gFakes.draws = {0, 1, 2, 3, 4};
    EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 1, 0, 1, GetMainPictureRecord()), 0);
    ASSERT_EQ(gFakes.renders.size(), 16u);
    for (size_t i = 0; i < 16; i++)
        EXPECT_FALSE(gFakes.renders[i].builtin) << gFakes.renders[i].name;
    EXPECT_EQ(gFakes.renders[4].name, cut);
    ExpectOldWallpaperKept(old, stored);
}

// What keeps a new picture from reaching the desktop's file.
enum class Blocker { kSinkFailsHalfway, kWallpaperHeldOpen };

int64_t gSinkBudget = 0;

HISDEST OpenHalfSink(const char* path)
{
    return vt::OpenFailingFileSink(path, gSinkBudget);
}

class BlockedWallpaperFile : public ChangeWallpaperTest, public ::testing::WithParamInterface<Blocker> {
protected:
    void TearDown() override
    {
        gOpenWallpaperSink = saved_;
        ChangeWallpaperTest::TearDown();
    }
    WallpaperSinkOpener saved_ = gOpenWallpaperSink;
};

TEST_P(BlockedWallpaperFile, LeavesTheOldFileAndTheStoredPicture)
{
    const std::string picture = folder_ + "\\neu.jpg";
    ASSERT_TRUE(WriteJpeg(picture, 640, 480));
    Append(FileRecord(picture.c_str()));
    std::vector<uint8_t> old = PlaceOldWallpaper();
    auto stored = StoredValues();

    HANDLE held = INVALID_HANDLE_VALUE;
    if (GetParam() == Blocker::kSinkFailsHalfway) {
        // The header and half of the 1280 x 1024 rows, then a full disk.
        gSinkBudget = 54 + 1280 * 3 * 512;
        gOpenWallpaperSink = OpenHalfSink;
    } else {
        held = CreateFileA(wallpaper_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    gFakes.realFile = RenderFileWallpaper;
    gFakes.draws = {0};
    EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 1, 0, 1, GetMainPictureRecord()), 0);
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);

    EXPECT_EQ(gFakes.renders.size(), 16u);
    ExpectOldWallpaperKept(old, stored);

    // Once nothing is in the way, the same picture is set.
    gOpenWallpaperSink = saved_;
    gFakes = Fakes();
    gFakes.now = At("2026-12-10 09:00");
    gFakes.realFile = RenderFileWallpaper;
    gFakes.draws = {0};
    EXPECT_EQ(ChangeWallpaper(nullptr, nullptr, 1, 0, 1, GetMainPictureRecord()), 1);
    EXPECT_EQ(gSettings.OldPic, picture);
    std::vector<uint8_t> now;
    ASSERT_TRUE(vt::ReadFileBytes(wallpaper_, &now));
    EXPECT_EQ(now.size(), 54u + 1280u * 1024u * 3u);
    EXPECT_EQ(FilesBesideWallpaper(), std::vector<std::string>{"wallpaper.bmp"});
}

INSTANTIATE_TEST_SUITE_P(Blockers, BlockedWallpaperFile,
                         ::testing::Values(Blocker::kSinkFailsHalfway, Blocker::kWallpaperHeldOpen));

TEST_F(ChangeWallpaperTest, AJpegWithStrayBytesBeforeAMarkerStillBecomesTheWallpaper)
{
    const std::string stray = folder_ + "\\streu.jpg";
    ASSERT_TRUE(WriteJpegWithStrayBytes(stray));
    ExpectTheOnlyRecordBecomesTheWallpaper(stray);
}

TEST_F(ChangeWallpaperTest, AnIntactPngPictureBecomesTheWallpaper)
{
    // The whole file of which the broken-picture test takes the first half.
    const std::string whole = folder_ + "\\ganz.png";
    ASSERT_TRUE(WritePng(whole, false));
    ExpectTheOnlyRecordBecomesTheWallpaper(whole);
}

TEST_F(ChangeWallpaperTest, TheWallpaperFolderIsMadeUnderApplicationData)
{
    char path[MAX_PATH];
    GetWallpaperPath(path, sizeof(path));
    EXPECT_EQ(path, wallpaper_);
    DWORD attributes = GetFileAttributesA((appData_ + "\\Brantlow\\Raridavezazezud").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(ChangeWallpaperTest, WithoutApplicationDataTheFileGoesBesideTheProgram)
{
    // The application-data folder lies under a file, so nothing can be made there.
    std::string blocker = folder_ + "\\kein-ordner";
    ASSERT_TRUE(vt::WriteFileBytes(blocker, {1}));
    std::string appData = blocker + "\\AppData";
    HKEY folders;
    ASSERT_EQ(RegOpenKeyExA(root_, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", 0,
                            KEY_SET_VALUE, &folders),
              ERROR_SUCCESS);
    RegSetValueExA(folders, "AppData", 0, REG_EXPAND_SZ, (const BYTE*)appData.c_str(), (DWORD)appData.size() + 1);
    RegCloseKey(folders);
    char path[MAX_PATH];
    GetWallpaperPath(path, sizeof(path));
    EXPECT_EQ(path, std::string(GetModuleDirectory()) + "wallpaper.bmp");
}

}  // namespace
