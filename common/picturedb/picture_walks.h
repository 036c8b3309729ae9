// The picture database's functions over a file interface; `database` is the
// full path of "bilder.dat", and its work files lie in the same folder.
#pragma once

#include "common/picturedb/picture_file.h"
#include "common/picturedb/picture_record.h"

// 1 and the whole-record count, or 0 and 0 when the file cannot be opened.
int CountPictureRecordsIn(const PictureFileOps* ops, const char* database, int* count);
// 1 when record n was read whole; otherwise 0 and `record` untouched.
int ReadPictureRecordIn(const PictureFileOps* ops, const char* database, PictureRecord* record, int n);
// 1 when some record's picture equals `picture` (case-insensitive).
int FindPictureRecordIn(const PictureFileOps* ops, const char* database, const char* picture);
// Writes record n (n < 0: appends); 0 for n past the count or any failure.
int WritePictureRecordIn(const PictureFileOps* ops, const char* database, const PictureRecord* record, int n);

// The rewrites replace the database only once the complete new file is in
// place; on failure the database is unchanged and no work file is left.
int CreateDefaultPictureDatabaseIn(const PictureFileOps* ops, const char* database, int builtinCount);
// 1 when the database is in the current format afterwards (converted or already).
int ConvertPictureDatabaseIn(const PictureFileOps* ops, const char* database);
int RebuildPictureDatabaseIn(const PictureFileOps* ops, const char* database, int builtinCount);
int CompactPictureDatabaseIn(const PictureFileOps* ops, const char* database);
int BackupPictureDatabaseIn(const PictureFileOps* ops, const char* database, int* count);
int RestorePictureDatabaseIn(const PictureFileOps* ops, const char* database);

// A file beside `database` ("bilder.convert", ...); false when it does not fit.
bool PictureWorkPath(const char* database, const char* name, char out[PICTURE_PATH_SIZE]);
// Whether compaction may delete `thumbnail` of a removed record with `picture`:
// an absolute path inside `folder`, not the picture itself, no built-in name.
bool IsOwnThumbnail(const char* thumbnail, const char* picture, const char* folder);
