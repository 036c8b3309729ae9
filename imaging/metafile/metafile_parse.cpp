// Bytewise metafile headers, record walks and the output size arithmetic.
#include "metafile_parse.h"

#include <cmath>

#include "../core/buffers.h"

namespace {

uint16_t U16(const BYTE* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const BYTE* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
int32_t I32(const BYTE* p) { return int32_t(U32(p)); }

constexpr size_t kWmfHeaderBytes = 18;
constexpr size_t kEmfHeaderBytes = 88;
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmfSignature = 0x464D4520u;  // " EMF"

// A Windows metafile: 18-byte header, then records of rdSize words (at least
// 3) up to mtSize words or the end record.
bool ValidWmf(const BYTE* data, size_t size)
{
    if (size < kWmfHeaderBytes)
        return false;
    const uint16_t type = U16(data), headerWords = U16(data + 2);
    const uint64_t total = uint64_t(U32(data + 6)) * 2;
    if ((type != 1 && type != 2) || headerWords != 9 || total > size || total < kWmfHeaderBytes)
        return false;
    uint64_t at = kWmfHeaderBytes;
    while (at < total) {
        if (total - at < 6)
            return false;
        const uint64_t bytes = uint64_t(U32(data + at)) * 2;
        const uint16_t function = U16(data + at + 4);
        if (bytes < 6 || bytes > total - at)
            return false;
        at += bytes;
        if (function == 0)
            break;
    }
    return true;
}

// An enhanced metafile: the header record, then records of nSize bytes (at
// least 8, a multiple of 4) tiling the first nBytes.
bool ValidEmf(const BYTE* data, size_t size, ISEmfFrame* frame)
{
    if (size < kEmfHeaderBytes || U32(data) != kEmrHeader || U32(data + 40) != kEmfSignature)
        return false;
    const uint64_t total = U32(data + 48);
    const uint64_t headerBytes = U32(data + 4);
    if (total > size || headerBytes < kEmfHeaderBytes || headerBytes > total)
        return false;
    for (int i = 0; i < 4; ++i)
        frame->frame[i] = I32(data + 24 + 4 * i);
    frame->devicePixels[0] = I32(data + 72);
    frame->devicePixels[1] = I32(data + 76);
    frame->deviceMillimetres[0] = I32(data + 80);
    frame->deviceMillimetres[1] = I32(data + 84);
    if (frame->deviceMillimetres[0] <= 0 || frame->deviceMillimetres[1] <= 0)
        return false;
    const uint64_t descriptionChars = U32(data + 60), descriptionAt = U32(data + 64);
    if (descriptionChars && (descriptionAt > total || descriptionChars * 2 > total - descriptionAt))
        return false;
    uint64_t at = 0;
    while (at < total) {
        if (total - at < 8)
            return false;
        const uint64_t bytes = U32(data + at + 4);
        if (bytes < 8 || bytes % 4 || bytes > total - at)
            return false;
        at += bytes;
    }
    return true;
}

// A double size truncated toward zero, kept in a range that cannot overflow.
int64_t TruncSize(double v)
{
    if (!(v > -1e15))
        return -1;
    if (v > 1e15)
        return int64_t(1e15);
    return int64_t(v);
}

}  // namespace

ISPlaceableHeader ISParsePlaceableHeader(const BYTE* data)
{
    ISPlaceableHeader h;
    h.key = U32(data);
    h.handle = U16(data + 4);
    h.left = int16_t(U16(data + 6));
    h.top = int16_t(U16(data + 8));
    h.right = int16_t(U16(data + 10));
    h.bottom = int16_t(U16(data + 12));
    h.unitsPerInch = U16(data + 14);
    h.reserved = U32(data + 16);
    h.checksum = U16(data + 20);
    return h;
}

int32_t ISParseMetafile(const BYTE* data, size_t size, ISMetafileInfo* info)
{
    *info = ISMetafileInfo();
    if (!data)
        return 27;
    if (size >= kISPlaceableHeaderBytes && U32(data) == kISPlaceableKey) {
        const ISPlaceableHeader h = ISParsePlaceableHeader(data);
        if (h.unitsPerInch == 0 || h.right <= h.left || h.bottom <= h.top)
            return 27;
        if (!ValidWmf(data + kISPlaceableHeaderBytes, size - kISPlaceableHeaderBytes))
            return 27;
        info->kind = kISMetafilePlaceable;
        info->placeable = h;
        info->bitsOffset = kISPlaceableHeaderBytes;
        info->bitsSize = size - kISPlaceableHeaderBytes;
        return 0;
    }
    if (ValidEmf(data, size, &info->emf)) {
        info->kind = kISMetafileEnhanced;
        info->bitsSize = U32(data + 48);
        return 0;
    }
    info->emf = ISEmfFrame();
    if (ValidWmf(data, size)) {
        info->kind = kISMetafileWindows;
        info->bitsSize = size;
        return 0;
    }
    return 27;
}

void ISPlaceableExtents(const ISPlaceableHeader& h, uint32_t* xExt, uint32_t* yExt)
{
    const uint32_t units = h.unitsPerInch ? h.unitsPerInch : 1;
    *xExt = uint32_t(int32_t(h.right) - h.left) * 2540u / units;
    *yExt = uint32_t(int32_t(h.bottom) - h.top) * 2540u / units;
}

int32_t ISMetafileOutputSize(const ISMetafileInfo& info, const ISEmfFrame& emf, uint32_t flags, uint32_t a,
                             uint32_t b, int32_t logPixelsX, int32_t logPixelsY, int32_t* width, int32_t* height)
{
    *width = 0;
    *height = 0;
    int64_t w = 0, h = 0;
    if (flags & kISMetafileGivenSize) {
        if (int32_t(a) <= 0 || int32_t(b) <= 0)
            return 5;
        w = int32_t(a);
        h = int32_t(b);
    } else if (info.kind == kISMetafilePlaceable) {
        const ISPlaceableHeader& p = info.placeable;
        if (p.unitsPerInch == 0)
            return 27;
        w = TruncSize((int32_t(p.right) - p.left) * 2540.0 / p.unitsPerInch / 2540.1 * logPixelsX);
        h = TruncSize((int32_t(p.bottom) - p.top) * 2540.0 / p.unitsPerInch / 2540.1 * logPixelsY);
    } else {
        const int64_t mx = int64_t(emf.deviceMillimetres[0]) * 100, my = int64_t(emf.deviceMillimetres[1]) * 100;
        if (mx <= 0 || my <= 0)
            return 27;
        const int64_t cx = emf.devicePixels[0], cy = emf.devicePixels[1];
        w = int64_t(emf.frame[2]) * cx / mx - int64_t(emf.frame[0]) * cx / mx;
        h = int64_t(emf.frame[3]) * cy / my - int64_t(emf.frame[1]) * cy / my;
    }
    if (w <= 0 || h <= 0)
        return 27;
    const int64_t limit = int64_t(kISMaxAlloc / 3);
    if (flags & kISMetafileScale) {
        // Clamped first so that the products stay in 64 bits.
        w = (w > limit ? limit + 1 : w) * int64_t(a / 100);
        h = (h > limit ? limit + 1 : h) * int64_t(b / 100);
        if (w <= 0 || h <= 0)
            return 27;
    }
    if (w > limit || h > limit || w * h > limit)
        return 1;
    *width = int32_t(w);
    *height = int32_t(h);
    return 0;
}
