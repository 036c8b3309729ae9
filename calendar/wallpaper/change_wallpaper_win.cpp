// The daily desktop picture: whether a new one is due, the draw among the
// picture database's records, and setting the rendered file on the desktop.
#include "wallpaper/change_wallpaper.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/app.h"
#include "base/seams.h"
#include "picturedb/picturedb.h"
#include "settings/settings.h"
#include "common/picturedb/picture_usable.h"
#include "wallpaper/wallpaper.h"
#include "wallpaper/wallpaper_due.h"

namespace {

const int kAttempts = 16;
const int kDraws = 30;

int gStartPending = 1;
PictureRecord gMainRecord;

int DefaultRandom()
{
    return rand();
}

void DefaultScreenSize(int* width, int* height)
{
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
}

bool FolderExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const char* path)
{
    return CreateDirectoryA(path, nullptr) || FolderExists(path);
}

bool AppDataWallpaperPath(char* path, int size)
{
    char appData[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData) != S_OK || !appData[0])
        return false;
    size_t length = strlen(appData);
    const char* separator = appData[length - 1] == '\\' ? "" : "\\";
    char folder[MAX_PATH];
    int n = snprintf(folder, sizeof(folder), "%s%sBrantlow", appData, separator);
    if (n <= 0 || n >= (int)sizeof(folder) || !MakeFolder(folder))
        return false;
    n = snprintf(folder, sizeof(folder), "%s%sBrantlow\\Raridavezazezud", appData, separator);
    if (n <= 0 || n >= (int)sizeof(folder) || !MakeFolder(folder))
        return false;
    n = snprintf(path, size, "%s\\wallpaper.bmp", folder);
    return n > 0 && n < size;
}

// The record of `name` in the database, whatever its state; a failed read
// ends the search as not found.
bool FindRecordByName(HWND window, const char* name, PictureRecord* record)
{
    if (!name[0])
        return false;
    int count = 0;
    CountPictureRecords(&count);
    for (int n = 0; n < count; n++) {
        if (!ReadPictureRecord(window, record, n))
            return false;
        if (PictureNamesEqual(record->picture, name))
            return true;
    }
    return false;
}

// A picture without a record of its own: cover, colours unchanged.
void NeutralRecord(const char* name, PictureRecord* record)
{
    memset(record, 0, sizeof(*record));
    record->state = 2;
    record->weekdayMask = 127;
    record->hourTo = 24;
    record->monthFrom = 1;
    record->monthTo = 12;
    record->cropToFill = 1;
    record->saturationStep = 5;
    lstrcpynA(record->picture, name, sizeof(record->picture));
}

// Up to kDraws random records; true with the first usable one in `record`.
bool DrawRecord(HWND window, int count, const SYSTEMTIME& now, PictureRecord* record)
{
    for (int draw = 0; draw < kDraws; draw++) {
        int position = (int)((unsigned)gWallpaperSeams.random() % (unsigned)count);
        bool read = ReadPictureRecord(window, record, position) != 0;
        gWallpaperSeams.sleep(10);
        if (read && record->picture[0] && IsRecordUsable(*record, now.wDayOfWeek, now.wHour, now.wMonth))
            return true;
    }
    return false;
}

}  // namespace

WallpaperSeams gWallpaperSeams = {GetClockTime,           DefaultRandom,      AppSleep, DefaultScreenSize,
                                  SystemParametersInfoA, RenderBuiltinWallpaper, RenderFileWallpaper};

void ResetWallpaperSeams()
{
    gWallpaperSeams = {GetClockTime,           DefaultRandom,      AppSleep, DefaultScreenSize,
                       SystemParametersInfoA, RenderBuiltinWallpaper, RenderFileWallpaper};
}

void SetWallpaperStartPending(int pending)
{
    gStartPending = pending;
}

void GetWallpaperPath(char* path, int size)
{
    if (AppDataWallpaperPath(path, size))
        return;
    snprintf(path, size, "%swallpaper.bmp", GetModuleDirectory());
}

PictureRecord* GetMainPictureRecord()
{
    return &gMainRecord;
}

int ChangeWallpaper(HWND window, HINSTANCE, int force, int keep, int manual, PictureRecord* record)
{
    if (WallpaperCallIgnored(gSettings.HGwechsel, force, keep, manual))
        return 1;
    PictureRecord scratch;
    if (!record)
        record = &scratch;

    SYSTEMTIME now;
    gWallpaperSeams.getTime(&now);

    // The current picture and its own record, which it keeps when it is shown again.
    char oldName[PICTURE_PATH_SIZE];
    lstrcpynA(oldName, gSettings.OldPic, sizeof(oldName));
    PictureRecord oldRecord;
    bool oldFound = FindRecordByName(window, oldName, &oldRecord);
    if (!oldFound)
        NeutralRecord(oldName, &oldRecord);
    bool oldUsable = oldFound && IsRecordUsable(oldRecord, now.wDayOfWeek, now.wHour, now.wMonth);

    const WallpaperMoment moment = {now.wHour, now.wDay, now.wMonth};
    const WallpaperMoment last = {gSettings.OldHour, gSettings.OldDay, gSettings.OldMonth};
    bool needNew = WallpaperNeedsNew(gSettings.HGwechsel, oldUsable, gStartPending != 0, force, manual, moment, last);
    gStartPending = 0;
    gSettings.OldHour = now.wHour;
    gSettings.OldDay = now.wDay;
    gSettings.OldMonth = now.wMonth;
    if (!needNew && !force)
        return 1;

    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    int count = 0;
    CountPictureRecords(&count);
    int result = 0;
    for (int attempt = 0; attempt < kAttempts; attempt++) {
        bool drawn = needNew && !keep && count > 0 && DrawRecord(window, count, now, record);
        if (!drawn)
            *record = oldRecord;
        char name[PICTURE_PATH_SIZE];
        lstrcpynA(name, drawn ? record->picture : oldName, sizeof(name));

        char path[MAX_PATH];
        GetWallpaperPath(path, sizeof(path));
        int width = 0, height = 0;
        gWallpaperSeams.screenSize(&width, &height);
        // Built-in or file by the name itself, whichever road chose it.
        WallpaperRenderFn render = IsBuiltinPicture(name) ? gWallpaperSeams.renderBuiltin : gWallpaperSeams.renderFile;
        result = name[0] ? render(name, path, width, height, 1, record) : 0;
        if (result) {
            gWallpaperSeams.systemParametersInfo(SPI_SETDESKWALLPAPER, 0, path,
                                                 SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
            lstrcpynA(gSettings.OldPic, name, sizeof(gSettings.OldPic));
            SaveLastPicture();
            break;
        }
        gWallpaperSeams.sleep(25);
    }
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    return result ? 1 : 0;
}
