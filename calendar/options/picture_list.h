// What the picture list page decides without windows: the walk past removed
// records, thumbnail names, the value labels, the record that Add makes and
// the paths of an open-file result. Portable, so the tests run natively too.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/picturedb/picture_record.h"

// Room for a path with its terminator, as MAX_PATH and the record's fields.
#define PICTURE_LIST_PATH_SIZE 260

enum PictureWalkResult { WALK_FOUND, WALK_NONE, WALK_READ_FAILED };

// Reads the state of record n; false when the read fails.
typedef bool (*RecordStateReader)(void* context, int n, int* state);

// From `*index` in `*direction`, the first record whose state is 2 or more.
// The walk turns when the index leaves 0..count - 1 and gives up after
// 2 x count steps. `*index` and `*direction` end where the walk stopped.
PictureWalkResult WalkToUsableRecord(int count, RecordStateReader read, void* context, int* index, int* direction);

typedef bool (*PathExists)(void* context, const char* path);

// The first free name among <folder>\<base>.JPG and <folder>\<base>_1.JPG,
// _2, ..., where base is the picture's file name without its extension; a
// name equal to the picture counts as taken. False when no name fits.
bool ChooseThumbnailName(const char* folder, const char* picture, PathExists exists, void* context,
                         char out[PICTURE_LIST_PATH_SIZE]);

enum PictureAdjustment { ADJUST_BRIGHTNESS, ADJUST_CONTRAST, ADJUST_SATURATION, ADJUST_SHARPNESS };

// The user-text key, its German default and the number it shows for a value.
struct AdjustmentLabel {
    const char* key;
    const char* def;
    int shown;
};
AdjustmentLabel GetAdjustmentLabel(PictureAdjustment which, int value);

typedef const char* (*LangTextLookup)(const char* section, const char* key, const char* def);
// The label of a trackbar: the text of its key in section "PICS" with the
// number put in. Only "%d" and "%%" are read from the text, so a language
// file cannot pass other conversions to a formatter.
void FormatAdjustmentLabel(PictureAdjustment which, int value, LangTextLookup lookup, char* out, size_t size);

// A record for a picture file that Add appends at position `number`.
void MakeAddedPictureRecord(const char* path, int number, PictureRecord* record);

// The paths of a multiple-selection open-file result: one full path, or a
// folder followed by names, each ended by a 0 and the list by a second 0.
// Paths longer than a record holds are left out; a result without its
// closing 0 within `size` gives none.
std::vector<std::string> OpenFileResultPaths(const char* buffer, size_t size);

// Whether `path` lies inside `folder` (both absolute; "." and ".." resolved).
bool IsPathInsideFolder(const char* path, const char* folder);
