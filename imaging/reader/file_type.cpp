// The file-type guess: signatures in the first 44 bytes, then the name's
// extension, the TGA footer and the Photo CD marker.
#include "file_type.h"

#include <cstring>

#include "../core/frame.h"

namespace {

constexpr int32_t kHeadBytes = 44;

struct Signature {
    int32_t type;
    uint8_t offset;
    uint8_t length;  // 0: the row never matches
    uint8_t bytes[8];
    bool needsImageCount;  // icon headers: bytes 4-5 (little-endian count) must not be 0
};

// Tried in order; the first match wins.
const Signature kSignatures[] = {
    {kISTypeBmp, 0, 2, {0x42, 0x4D}, false},
    {kISTypePax, 0, 3, {0x50, 0x41, 0x58}, false},
    {kISTypeGif, 0, 6, {0x47, 0x49, 0x46, 0x38, 0x39, 0x61}, false},
    {kISTypeGif, 0, 6, {0x47, 0x49, 0x46, 0x38, 0x37, 0x61}, false},
    {kISTypeJpeg, 0, 4, {0xFF, 0xD8, 0xFF, 0xE0}, false},
    {kISTypeJpeg, 0, 3, {0xFF, 0xD8, 0xFF}, false},
    {kISTypePcx, 0, 2, {0x0A, 0x00}, false},
    {kISTypePcx, 0, 2, {0x0A, 0x02}, false},
    {kISTypePcx, 0, 2, {0x0A, 0x03}, false},
    {kISTypePcx, 0, 2, {0x0A, 0x05}, false},
    {kISTypeTiff, 0, 2, {0x4D, 0x4D}, false},
    {kISTypeTiff, 0, 2, {0x49, 0x49}, false},
    {kISTypePng, 0, 8, {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}, false},
    {kISTypeWmf, 0, 5, {0x01, 0x00, 0x09, 0x00, 0x00}, false},
    {kISTypeWmf, 0, 4, {0xD7, 0xCD, 0xC6, 0x9A}, false},
    {kISTypeEmf, 40, 4, {0x20, 0x45, 0x4D, 0x46}, false},
    {kISTypePsd, 0, 4, {0x38, 0x42, 0x50, 0x53}, false},
    {kISTypeTlaProtected, 0, 4, {0x54, 0x4C, 0x41, 0x01}, false},
    {kISTypeTla, 0, 4, {0x54, 0x4C, 0x41, 0x55}, false},
    {kISTypePcdOverview, 0, 7, {0x50, 0x43, 0x44, 0x5F, 0x4F, 0x50, 0x41}, false},
    {kISTypeJp2, 4, 5, {0x6A, 0x50, 0x20, 0x20, 0x0D}, false},
    {kISTypeJp2, 0, 2, {0xFF, 0x4F}, false},
    {kISTypeJ2kStream, 4, 2, {0xFF, 0x4F}, false},
    {kISTypeTga, 0, 0, {0}, false},
    {kISTypeCompound, 0, 4, {0xD0, 0xCF, 0x11, 0xE0}, false},
    {kISTypePbm, 0, 2, {0x50, 0x31}, false},
    {kISTypePbm, 0, 2, {0x50, 0x34}, false},
    {kISTypePgm, 0, 2, {0x50, 0x32}, false},
    {kISTypePgm, 0, 2, {0x50, 0x35}, false},
    {kISTypePpm, 0, 2, {0x50, 0x33}, false},
    {kISTypePpm, 0, 2, {0x50, 0x36}, false},
    {kISTypeIcon, 0, 4, {0x00, 0x00, 0x01, 0x00}, true},
    {kISTypeIcon, 0, 4, {0x00, 0x00, 0x02, 0x00}, true},
};
static_assert(sizeof kSignatures / sizeof kSignatures[0] == 33, "33 signature rows");

struct ExtensionReader {
    const char* extension;
    int32_t reader;
};

const ExtensionReader kExtensions[] = {
    {".bmp", kISReaderBmp},   {".wbmp", kISReaderWbmp}, {".wbm", kISReaderWbmp}, {".pcd", kISReaderPcd},
    {".gif", kISReaderGif},   {".tga", kISReaderTga},   {".jpeg", kISReaderJpeg}, {".jpg", kISReaderJpeg},
    {".tif", kISReaderTiff},  {".tiff", kISReaderTiff}, {".pcx", kISReaderPcx},  {".psd", kISReaderPsd},
    {".tla", kISReaderTla},   {".png", kISReaderPng},   {".wmf", kISReaderWmf},  {".emf", kISReaderEmf},
    {".pbm", kISReaderPbm},   {".pgm", kISReaderPgm},   {".ppm", kISReaderPpm},
};

// File type to reader; kISReaderNone: the extension decides.
const int32_t kTypeReaders[25] = {
    kISReaderNone, kISReaderBmp,  kISReaderGif,  kISReaderJpeg,         kISReaderPng,  kISReaderPcx,
    kISReaderTiff, kISReaderWmf,  kISReaderEmf,  kISReaderNone,         kISReaderPsd,  kISReaderTlaProtected,
    kISReaderTla,  kISReaderWbmp, kISReaderTga,  kISReaderNone,         kISReaderPcd,  kISReaderNone,
    kISReaderNone, kISReaderNone, kISReaderPbm,  kISReaderPgm,          kISReaderPpm,  kISReaderNone,
    kISReaderNone,
};

bool SameText(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

int32_t MatchSignature(const uint8_t* head, int32_t count)
{
    for (const Signature& row : kSignatures) {
        if (row.length == 0 || count < row.offset + row.length)
            continue;
        if (std::memcmp(head + row.offset, row.bytes, row.length) != 0)
            continue;
        // Uncompressed true-colour TGA files begin like an icon but count no images.
        if (row.needsImageCount && (count < 6 || (head[4] | head[5]) == 0))
            continue;
        return row.type;
    }
    return kISTypeUnknown;
}

}  // namespace

const char* ISSourceExtension(CISIO* source)
{
    if (!source || source->Kind() != CISIO::kFile)
        return "";
    const char* name = source->Name();
    if (!name)
        return "";
    const char* dot = nullptr;
    for (const char* p = name; *p; ++p) {
        if (*p == '/' || *p == '\\' || *p == ':')
            dot = nullptr;  // a dot in a folder name is no extension
        else if (*p == '.')
            dot = p;
    }
    return dot ? dot : "";
}

int32_t ISReaderForType(int32_t type, const char* extension)
{
    if (type >= 0 && type < 25 && kTypeReaders[type] != kISReaderNone)
        return kTypeReaders[type];
    if (!extension)
        return kISReaderNone;
    for (const ExtensionReader& row : kExtensions)
        if (SameText(extension, row.extension))
            return row.reader;
    return kISReaderNone;
}

int32_t ISGuessFileType(CISIO* source, int32_t* status)
{
    *status = 0;
    uint8_t head[kHeadBytes] = {0};
    int32_t count = source->ReadUpTo(head, kHeadBytes);
    if (count <= 0) {
        *status = 3;
        return kISTypeUnknown;
    }
    int32_t type = MatchSignature(head, count);
    if (type != kISTypeUnknown)
        return type;

    const char* extension = ISSourceExtension(source);
    if (SameText(extension, ".wbmp") || SameText(extension, ".wbm"))
        return kISTypeWbmp;
    if (SameText(extension, ".tga"))
        return kISTypeTga;
    if (!SameText(extension, ".cals") && !SameText(extension, ".cal") && !SameText(extension, ".ico")) {
        uint8_t footer[18];
        if (!source->Seek(-18, 2) || !source->ReadExactly(footer, 18)) {
            *status = 3;
            return kISTypeUnknown;
        }
        if (std::memcmp(footer, "TRUEVISION-XFILE.", 17) == 0)
            return kISTypeTga;
    }

    if (!source->Seek(2048, 0))
        return kISTypeUnknown;
    uint8_t marker[3];
    if (!source->ReadExactly(marker, 3)) {
        *status = 3;
        return kISTypeUnknown;
    }
    return std::memcmp(marker, "PCD", 3) == 0 ? kISTypePcd : kISTypeUnknown;
}

extern "C" int32_t is5_GuessFileType(HISSRC source)
{
    CISIO* io = ISBeginEntry("is5_GuessFileType", source, true);
    if (!io)
        return 0;
    // The guess's own status (3 when nothing could be read) is not an error
    // of this call: "unknown" already says it.
    int32_t status = 0;
    return ISGuessFileType(io, &status);
}
