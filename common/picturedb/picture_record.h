// One record of the picture database "bilder.dat" and of its older format,
// with the codec for their little-endian file layout. Portable, so the tests,
// the fuzz target and the screen saver can share it.
#pragma once

#include <cstdint>

#define PICTURE_RECORD_SIZE 622
#define PICTURE_RECORD_V3_SIZE 596
#define PICTURE_RECORD_VERSION 4
#define PICTURE_PATH_SIZE 260
#define PICTURE_FACE_SIZE 32
// Built-in names "C%02dX" stay four characters long up to picture 99.
#define PICTURE_BUILTIN_MAX 99

// Decoded record. Text fields always hold a terminator within their size.
struct PictureRecord {
    uint8_t magic[2];          // 'M', 0
    int32_t version;
    int32_t number;
    uint16_t state;            // 0 removed; usable when > 1
    uint16_t weekdayMask;      // bit 0 Sunday .. bit 6 Saturday
    uint16_t hourFrom;
    uint16_t hourTo;           // 24: to the end of the day
    uint16_t monthFrom;
    uint16_t monthTo;
    uint16_t spare1, spare2, spare3;
    int32_t fontHeight, fontWeight, fontItalic;
    char fontFace[PICTURE_FACE_SIZE];
    uint16_t cropToFill;       // 1 cover and crop, 0 fit inside on background
    uint32_t background;       // COLORREF
    uint32_t fontColor;        // COLORREF
    int32_t sharpness;         // -3..3
    int32_t brightness;        // percent
    int32_t contrast;          // percent
    int32_t spare4;
    int32_t saturationStep;    // 0..10, 5 unchanged
    char picture[PICTURE_PATH_SIZE];
    char thumbnail[PICTURE_PATH_SIZE];
};

// Field offsets in the 622-byte file record.
enum PictureRecordOffset {
    PRO_MAGIC = 0, PRO_VERSION = 2, PRO_NUMBER = 6, PRO_STATE = 10, PRO_WEEKDAYS = 12, PRO_HOUR_FROM = 14,
    PRO_HOUR_TO = 16, PRO_MONTH_FROM = 18, PRO_MONTH_TO = 20, PRO_SPARE1 = 22, PRO_SPARE2 = 24, PRO_SPARE3 = 26,
    PRO_FONT_HEIGHT = 28, PRO_FONT_WEIGHT = 32, PRO_FONT_ITALIC = 36, PRO_FONT_FACE = 40, PRO_CROP = 72,
    PRO_BACKGROUND = 74, PRO_FONT_COLOR = 78, PRO_SHARPNESS = 82, PRO_BRIGHTNESS = 86, PRO_CONTRAST = 90,
    PRO_SPARE4 = 94, PRO_SATURATION = 98, PRO_PICTURE = 102, PRO_THUMBNAIL = 362
};

void EncodePictureRecord(const PictureRecord* record, uint8_t bytes[PICTURE_RECORD_SIZE]);
void DecodePictureRecord(const uint8_t bytes[PICTURE_RECORD_SIZE], PictureRecord* record);

// The older 596-byte record turned into a version 4 record with `number`.
void DecodePictureRecordV3(const uint8_t bytes[PICTURE_RECORD_V3_SIZE], int32_t number, PictureRecord* record);

// Sets the magic, version and number of an encoded record, leaving all else.
void StampPictureRecord(uint8_t bytes[PICTURE_RECORD_SIZE], int32_t number);

// The cleared record of built-in picture `number` with its defaults.
void MakeBuiltinPictureRecord(int number, PictureRecord* record);
// "C%02dX" of `number` into a buffer of at least 8 characters.
void BuiltinPictureName(int number, char* name);

// 4 characters or fewer and neither "." nor ":" (bounded to the field).
bool IsBuiltinPicture(const char* picture);
// Longer than 4 characters and holding "." or ":".
bool IsUserPicture(const char* picture);
// Whether the bounded `picture` field of an encoded record is a user picture.
bool IsUserPictureBytes(const uint8_t bytes[PICTURE_RECORD_SIZE]);
// Case-insensitive equality of two picture names (lstrcmpiA on Windows).
bool PictureNamesEqual(const char* a, const char* b);
