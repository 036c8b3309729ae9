#include "common/picturedb/picture_record.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

uint16_t Get16(const uint8_t* p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// A text field keeps its bytes; the last one is forced to 0 so that no reader
// runs past the field.
void GetText(const uint8_t* p, size_t size, char* out)
{
    memcpy(out, p, size);
    out[size - 1] = 0;
}

size_t BoundedLength(const char* text, size_t size)
{
    const void* end = memchr(text, 0, size);
    return end ? (size_t)((const char*)end - text) : size;
}

bool HasDotOrColon(const char* text, size_t length)
{
    return memchr(text, '.', length) || memchr(text, ':', length);
}

}  // namespace

void EncodePictureRecord(const PictureRecord* r, uint8_t b[PICTURE_RECORD_SIZE])
{
    memset(b, 0, PICTURE_RECORD_SIZE);
    b[PRO_MAGIC] = r->magic[0];
    b[PRO_MAGIC + 1] = r->magic[1];
    Put32(b + PRO_VERSION, (uint32_t)r->version);
    Put32(b + PRO_NUMBER, (uint32_t)r->number);
    Put16(b + PRO_STATE, r->state);
    Put16(b + PRO_WEEKDAYS, r->weekdayMask);
    Put16(b + PRO_HOUR_FROM, r->hourFrom);
    Put16(b + PRO_HOUR_TO, r->hourTo);
    Put16(b + PRO_MONTH_FROM, r->monthFrom);
    Put16(b + PRO_MONTH_TO, r->monthTo);
    Put16(b + PRO_SPARE1, r->spare1);
    Put16(b + PRO_SPARE2, r->spare2);
    Put16(b + PRO_SPARE3, r->spare3);
    Put32(b + PRO_FONT_HEIGHT, (uint32_t)r->fontHeight);
    Put32(b + PRO_FONT_WEIGHT, (uint32_t)r->fontWeight);
    Put32(b + PRO_FONT_ITALIC, (uint32_t)r->fontItalic);
    memcpy(b + PRO_FONT_FACE, r->fontFace, PICTURE_FACE_SIZE);
    Put16(b + PRO_CROP, r->cropToFill);
    Put32(b + PRO_BACKGROUND, r->background);
    Put32(b + PRO_FONT_COLOR, r->fontColor);
    Put32(b + PRO_SHARPNESS, (uint32_t)r->sharpness);
    Put32(b + PRO_BRIGHTNESS, (uint32_t)r->brightness);
    Put32(b + PRO_CONTRAST, (uint32_t)r->contrast);
    Put32(b + PRO_SPARE4, (uint32_t)r->spare4);
    Put32(b + PRO_SATURATION, (uint32_t)r->saturationStep);
    memcpy(b + PRO_PICTURE, r->picture, PICTURE_PATH_SIZE);
    memcpy(b + PRO_THUMBNAIL, r->thumbnail, PICTURE_PATH_SIZE);
}

void DecodePictureRecord(const uint8_t b[PICTURE_RECORD_SIZE], PictureRecord* r)
{
    memset(r, 0, sizeof(*r));
    r->magic[0] = b[PRO_MAGIC];
    r->magic[1] = b[PRO_MAGIC + 1];
    r->version = (int32_t)Get32(b + PRO_VERSION);
    r->number = (int32_t)Get32(b + PRO_NUMBER);
    r->state = Get16(b + PRO_STATE);
    r->weekdayMask = Get16(b + PRO_WEEKDAYS);
    r->hourFrom = Get16(b + PRO_HOUR_FROM);
    r->hourTo = Get16(b + PRO_HOUR_TO);
    r->monthFrom = Get16(b + PRO_MONTH_FROM);
    r->monthTo = Get16(b + PRO_MONTH_TO);
    r->spare1 = Get16(b + PRO_SPARE1);
    r->spare2 = Get16(b + PRO_SPARE2);
    r->spare3 = Get16(b + PRO_SPARE3);
    r->fontHeight = (int32_t)Get32(b + PRO_FONT_HEIGHT);
    r->fontWeight = (int32_t)Get32(b + PRO_FONT_WEIGHT);
    r->fontItalic = (int32_t)Get32(b + PRO_FONT_ITALIC);
    GetText(b + PRO_FONT_FACE, PICTURE_FACE_SIZE, r->fontFace);
    r->cropToFill = Get16(b + PRO_CROP);
    r->background = Get32(b + PRO_BACKGROUND);
    r->fontColor = Get32(b + PRO_FONT_COLOR);
    r->sharpness = (int32_t)Get32(b + PRO_SHARPNESS);
    r->brightness = (int32_t)Get32(b + PRO_BRIGHTNESS);
    r->contrast = (int32_t)Get32(b + PRO_CONTRAST);
    r->spare4 = (int32_t)Get32(b + PRO_SPARE4);
    r->saturationStep = (int32_t)Get32(b + PRO_SATURATION);
    GetText(b + PRO_PICTURE, PICTURE_PATH_SIZE, r->picture);
    GetText(b + PRO_THUMBNAIL, PICTURE_PATH_SIZE, r->thumbnail);
}

void DecodePictureRecordV3(const uint8_t b[PICTURE_RECORD_V3_SIZE], int32_t number, PictureRecord* r)
{
    memset(r, 0, sizeof(*r));
    r->magic[0] = 'M';
    r->version = PICTURE_RECORD_VERSION;
    r->number = number;
    uint16_t* words[] = {&r->state,   &r->weekdayMask, &r->hourFrom, &r->hourTo, &r->monthFrom,
                         &r->monthTo, &r->spare1,      &r->spare2,   &r->spare3};
    for (int i = 0; i < 9; i++)
        *words[i] = Get16(b + 4 + 2 * i);
    r->fontHeight = (int32_t)Get32(b + 22);
    r->fontWeight = (int32_t)Get32(b + 26);
    r->fontItalic = (int32_t)Get32(b + 30);
    GetText(b + 34, PICTURE_FACE_SIZE, r->fontFace);
    r->cropToFill = Get16(b + 66);
    r->background = Get32(b + 68);
    r->fontColor = Get32(b + 72);
    r->saturationStep = 5;
    GetText(b + 76, PICTURE_PATH_SIZE, r->picture);
    GetText(b + 336, PICTURE_PATH_SIZE, r->thumbnail);
}

void StampPictureRecord(uint8_t b[PICTURE_RECORD_SIZE], int32_t number)
{
    b[PRO_MAGIC] = 'M';
    b[PRO_MAGIC + 1] = 0;
    Put32(b + PRO_VERSION, PICTURE_RECORD_VERSION);
    Put32(b + PRO_NUMBER, (uint32_t)number);
}

void BuiltinPictureName(int number, char* name)
{
    snprintf(name, 8, "C%02dX", number);
}

void MakeBuiltinPictureRecord(int number, PictureRecord* r)
{
    memset(r, 0, sizeof(*r));
    r->magic[0] = 'M';
    r->version = PICTURE_RECORD_VERSION;
    r->number = number;
    r->state = 2;
    r->weekdayMask = 127;
    r->hourFrom = 0;
    r->hourTo = 24;
    r->monthFrom = 1;
    r->monthTo = 12;
    r->spare1 = 1;
    r->fontHeight = 24;
    r->fontWeight = 600;
    memcpy(r->fontFace, "Courier New", sizeof("Courier New"));
    r->cropToFill = 1;
    r->fontColor = 0x808080;
    r->saturationStep = 5;
    BuiltinPictureName(number, r->picture);
    BuiltinPictureName(number, r->thumbnail);
}

bool IsBuiltinPicture(const char* picture)
{
    size_t length = BoundedLength(picture, PICTURE_PATH_SIZE);
    return length <= 4 && !HasDotOrColon(picture, length);
}

bool IsUserPicture(const char* picture)
{
    size_t length = BoundedLength(picture, PICTURE_PATH_SIZE);
    return length > 4 && HasDotOrColon(picture, length);
}

bool IsUserPictureBytes(const uint8_t b[PICTURE_RECORD_SIZE])
{
    char picture[PICTURE_PATH_SIZE];
    GetText(b + PRO_PICTURE, PICTURE_PATH_SIZE, picture);
    return IsUserPicture(picture);
}

bool PictureNamesEqual(const char* a, const char* b)
{
#ifdef _WIN32
    return lstrcmpiA(a, b) == 0;
#else
    for (;; a++, b++) {
        unsigned char x = (unsigned char)*a, y = (unsigned char)*b;
        if (x >= 'A' && x <= 'Z')
            x = (unsigned char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = (unsigned char)(y - 'A' + 'a');
        if (x != y)
            return false;
        if (!x)
            return true;
    }
#endif
}
