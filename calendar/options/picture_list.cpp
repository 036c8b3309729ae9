#include "options/picture_list.h"

#include <cstdio>
#include <cstring>

#include "common/picturedb/picture_walks.h"

namespace {

// Enough for any real folder; a folder that full of one base name gets no thumbnail.
const int kMaxThumbnailSuffix = 9999;

bool Fits(const std::string& path)
{
    return path.size() < PICTURE_LIST_PATH_SIZE;
}

}  // namespace

PictureWalkResult WalkToUsableRecord(int count, RecordStateReader read, void* context, int* index, int* direction)
{
    if (count <= 0)
        return WALK_NONE;
    int i = *index;
    int dir = *direction < 0 ? -1 : 1;
    if (i < 0) {
        i = 0;
        dir = 1;
    } else if (i >= count) {
        i = count - 1;
        dir = -1;
    }
    PictureWalkResult result = WALK_NONE;
    for (int steps = 0;; steps++) {
        int state = 0;
        if (!read(context, i, &state)) {
            result = WALK_READ_FAILED;
            break;
        }
        if (state >= 2) {
            result = WALK_FOUND;
            break;
        }
        if (steps >= 2 * count)
            break;
        i += dir;
        if (i < 0 || i >= count) {
            dir = -dir;
            i += dir;
        }
    }
    *index = i;
    *direction = dir;
    return result;
}

bool ChooseThumbnailName(const char* folder, const char* picture, PathExists exists, void* context,
                         char out[PICTURE_LIST_PATH_SIZE])
{
    std::string name(picture, strnlen(picture, PICTURE_PATH_SIZE));
    size_t slash = name.find_last_of("\\/:");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/')
        base += '\\';
    base += name;
    for (int n = 0; n <= kMaxThumbnailSuffix; n++) {
        std::string candidate = base;
        if (n > 0)
            candidate += "_" + std::to_string(n);
        candidate += ".JPG";
        if (!Fits(candidate))
            return false;
        if (PictureNamesEqual(candidate.c_str(), picture) || exists(context, candidate.c_str()))
            continue;
        memcpy(out, candidate.c_str(), candidate.size() + 1);
        return true;
    }
    return false;
}

AdjustmentLabel GetAdjustmentLabel(PictureAdjustment which, int value)
{
    struct Texts {
        int normal;
        const char* key[3];   // below, normal, above
        const char* def[3];
    };
    static const Texts kTexts[] = {
        {0, {"HELLIGKEIT", "HELLIGKEIT_N", "HELLIGKEIT_P"},
         {"Helligkeit (%d%%):", "Helligkeit (normal):", "Helligkeit (+%d%%):"}},
        {0, {"KONTRAST", "KONTRAST_N", "KONTRAST_P"},
         {"Kontrast (%d%%):", "Kontrast (normal):", "Kontrast (+%d%%):"}},
        {5, {"SATURATION", "SATURATION_N", "SATURATION_P"},
         {"S\xE4ttigung (%d):", "S\xE4ttigung (normal):", "S\xE4ttigung (+%d):"}},
        {0, {"SHARPNESS", "SHARPNESS_N", "SHARPNESS_P"},
         {"Sch\xE4rfe (%d):", "Sch\xE4rfe (normal):", "Sch\xE4rfe (+%d):"}},
    };
    const Texts& t = kTexts[which];
    int shown = value - t.normal;
    int row = shown < 0 ? 0 : shown == 0 ? 1 : 2;
    return {t.key[row], t.def[row], shown};
}

void FormatAdjustmentLabel(PictureAdjustment which, int value, LangTextLookup lookup, char* out, size_t size)
{
    if (!size)
        return;
    AdjustmentLabel label = GetAdjustmentLabel(which, value);
    const char* format = lookup ? lookup("PICS", label.key, label.def) : label.def;
    std::string text;
    for (const char* p = format; *p; p++) {
        if (p[0] == '%' && p[1] == '%') {
            text += '%';
            p++;
        } else if (p[0] == '%' && p[1] == 'd') {
            text += std::to_string(label.shown);
            p++;
        } else {
            text += *p;
        }
    }
    snprintf(out, size, "%s", text.c_str());
}

void MakeAddedPictureRecord(const char* path, int number, PictureRecord* record)
{
    memset(record, 0, sizeof(*record));
    record->number = number;
    record->state = 2;
    record->weekdayMask = 127;
    record->hourFrom = 0;
    record->hourTo = 24;
    record->monthFrom = 1;
    record->monthTo = 12;
    record->cropToFill = 1;
    record->saturationStep = 5;
    snprintf(record->picture, sizeof(record->picture), "%s", path);
    snprintf(record->thumbnail, sizeof(record->thumbnail), "%s", path);
}

std::vector<std::string> OpenFileResultPaths(const char* buffer, size_t size)
{
    std::vector<std::string> parts;
    size_t at = 0;
    for (;;) {
        const void* end = at < size ? memchr(buffer + at, 0, size - at) : nullptr;
        if (!end)
            return {};   // cut short: the selection did not fit
        size_t length = (size_t)((const char*)end - (buffer + at));
        if (length == 0)
            break;
        parts.emplace_back(buffer + at, length);
        at += length + 1;
        if (parts.size() == 1 && at < size && buffer[at] == 0)
            break;   // one full path
    }
    std::vector<std::string> paths;
    if (parts.empty())
        return paths;
    if (parts.size() == 1) {
        if (Fits(parts[0]))
            paths.push_back(parts[0]);
        return paths;
    }
    std::string folder = parts[0];
    if (folder.back() != '\\')
        folder += '\\';
    for (size_t k = 1; k < parts.size(); k++) {
        std::string path = folder + parts[k];
        if (Fits(path))
            paths.push_back(path);
    }
    return paths;
}

bool IsPathInsideFolder(const char* path, const char* folder)
{
    // The thumbnail guard with no picture to stay clear of is exactly this test.
    return IsOwnThumbnail(path, "", folder);
}
