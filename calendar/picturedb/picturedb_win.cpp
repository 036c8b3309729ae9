#include "picturedb/picturedb.h"

#include <io.h>
#include <shlwapi.h>

#include <cstring>

#include "common/picturedb/picture_walks.h"
#include "settings/settings.h"

int CountPictureRecords(int* count)
{
    return CountPictureRecordsIn(Win32PictureFileOps(), gSettings.PictureDbPath, count);
}

int ReadPictureRecord(HWND, PictureRecord* record, int n)
{
    return ReadPictureRecordIn(Win32PictureFileOps(), gSettings.PictureDbPath, record, n);
}

int FindPictureRecord(const char* path)
{
    return FindPictureRecordIn(Win32PictureFileOps(), gSettings.PictureDbPath, path);
}

int WritePictureRecord(HWND, const PictureRecord* record, int n)
{
    return WritePictureRecordIn(Win32PictureFileOps(), gSettings.PictureDbPath, record, n);
}

int CreateDefaultPictureDatabase()
{
    return CreateDefaultPictureDatabaseIn(Win32PictureFileOps(), gSettings.PictureDbPath,
                                          gSettings.BuiltinPictureCount);
}

int ConvertPictureDatabase()
{
    if (gSettings.dbver >= DB_VERSION)
        return 1;
    if (!ConvertPictureDatabaseIn(Win32PictureFileOps(), gSettings.PictureDbPath))
        return 0;
    SaveDatabaseVersion();
    return 1;
}

int RebuildPictureDatabase()
{
    if (!RebuildPictureDatabaseIn(Win32PictureFileOps(), gSettings.PictureDbPath, gSettings.BuiltinPictureCount))
        return 0;
    SaveDatabaseVersion();
    return 1;
}

int CompactPictureDatabase()
{
    return CompactPictureDatabaseIn(Win32PictureFileOps(), gSettings.PictureDbPath);
}

int BackupPictureDatabase(int* count)
{
    return BackupPictureDatabaseIn(Win32PictureFileOps(), gSettings.PictureDbPath, count);
}

int RestorePictureDatabase()
{
    return RestorePictureDatabaseIn(Win32PictureFileOps(), gSettings.PictureDbPath);
}

void CheckPictureDatabase()
{
    // Without a data folder there is no database to look at.
    if (!gSettings.PictureDbPath[0])
        return;
    if (_access(gSettings.PictureDbPath, 0) != 0) {
        char defaults[MAX_PATH];
        if (!PathCombineA(defaults, gSettings.defFolder, "bilder.def"))
            defaults[0] = 0;
        if (_access(defaults, 0) == 0)
            CopyFileA(defaults, gSettings.PictureDbPath, FALSE);
        else
            CreateDefaultPictureDatabase();
        SaveDatabaseVersion();
    } else if (gSettings.dbver < DB_VERSION) {
        ConvertPictureDatabase();
    } else if (strlen(gSettings.Version) < 3 || lstrcmpiA(gSettings.Version, DB_VERSION_TEXT) < 0) {
        RebuildPictureDatabase();
    }
}
