// The picture database "bilder.dat" in the data folder (gSettings.PictureDbPath).
#pragma once

#include <windows.h>

#include "common/picturedb/picture_record.h"

// 1 and the record count, or 0 and 0 when the file cannot be opened.
int CountPictureRecords(int* count);
// 1 when record n was read whole; 0 for n at or past the count, `record` untouched.
int ReadPictureRecord(HWND window, PictureRecord* record, int n);
// 1 when some record's picture equals `path` (case-insensitive).
int FindPictureRecord(const char* path);
// 1 when record n (n < 0: a new one at the end) was written whole.
int WritePictureRecord(HWND window, const PictureRecord* record, int n);

// Each rewrite replaces "bilder.dat" whole or leaves it as it was; 0 on failure.
int CreateDefaultPictureDatabase();
int ConvertPictureDatabase();
int RebuildPictureDatabase();
int CompactPictureDatabase();
// Copy to "bilder.temp" when the picture page opens; put back when it is cancelled.
int BackupPictureDatabase(int* count);
int RestorePictureDatabase();

// At start, after LoadSettings: a missing database comes from "bilder.def" or is made
// new; an older one is converted or rebuilt.
void CheckPictureDatabase();
