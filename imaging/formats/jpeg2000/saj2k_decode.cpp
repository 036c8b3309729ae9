// The JPEG 2000 decoder object: format detection, decoding over OpenJPEG and
// the conversion of the decoded components into the output buffer.
#include <cmath>
#include <cstring>

#include "../../core/buffers.h"
#include "saj2k_internal.h"

namespace {

// The library's largest block; also the cap on what a header may make
// OpenJPEG allocate for the decoded samples.
uint64_t SAJ2KMaxBytes() { return ISMaxAlloc(); }

constexpr int32_t kSAJ2KBadData = 1000;

// JP2 starts with its signature box, a raw code stream with SOC and SIZ.
int32_t DetectFormat(const ISExtHookTable& hook, HISSRC source, SAJ2KCodeFormat* format)
{
    static const BYTE kJP2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    static const BYTE kJ2KStart[4] = {0xFF, 0x4F, 0xFF, 0x51};
    BYTE head[12] = {};
    if (!hook.seek(source, 0, 0))
        return 3;
    int32_t got = hook.read(source, head, sizeof(head));
    if (!hook.seek(source, 0, 0))
        return 3;
    if (got >= 12 && std::memcmp(head, kJP2Signature, 12) == 0)
        *format = kSAJ2KFormatJP2;
    else if (got >= 4 && std::memcmp(head, kJ2KStart, 4) == 0)
        *format = kSAJ2KFormatJ2K;
    else
        return kSAJ2KBadData;
    return 0;
}

uint32_t BE32(const BYTE* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

bool ReadAt(const ISExtHookTable& hook, HISSRC source, uint64_t offset, BYTE* buffer, int32_t n)
{
    return offset <= INT32_MAX && hook.seek(source, static_cast<int32_t>(offset), 0) && hook.read(source, buffer, n) == n;
}

// The columns of a JP2 palette box: OpenJPEG expands the palette into that
// many full-size components, which the header's sizes do not show. 0 when
// there is none or the boxes cannot be walked (OpenJPEG then judges them).
uint32_t PaletteColumns(const ISExtHookTable& hook, HISSRC source, uint64_t end)
{
    uint64_t pos = 0;
    uint64_t limit = end;
    for (int32_t boxes = 0; boxes < 256 && pos + 8 <= limit; ++boxes) {
        BYTE h[16];
        if (!ReadAt(hook, source, pos, h, 8))
            return 0;
        uint64_t length = BE32(h);
        uint64_t header = 8;
        if (length == 1) {
            if (!ReadAt(hook, source, pos + 8, h + 8, 8))
                return 0;
            length = uint64_t(BE32(h + 8)) << 32 | BE32(h + 12);
            header = 16;
        } else if (length == 0) {
            length = limit - pos;
        }
        if (length < header || length > limit - pos)
            return 0;
        const uint32_t type = BE32(h + 4);
        if (type == 0x6A703268) {  // "jp2h": walk its boxes instead
            limit = pos + length;
            pos += header;
            continue;
        }
        if (type == 0x70636C72) {  // "pclr": NE (2 bytes), NPC (1 byte)
            BYTE p[3];
            return length >= header + 3 && ReadAt(hook, source, pos + header, p, 3) ? p[2] : 0;
        }
        if (type == 0x6A703263)  // "jp2c": no header boxes follow
            return 0;
        pos += length;
    }
    return 0;
}

// The family from the colour space; an ICC profile names it at byte 16.
SAJ2KFamily FamilyOf(const SAJ2KImageInfo& image)
{
    switch (image.colourSpace) {
    case kSAJ2KColourSRGB:
        return kSAJ2KFamilyRGB;
    case kSAJ2KColourGrey:
        return kSAJ2KFamilyGrey;
    case kSAJ2KColourSYCC:
        return kSAJ2KFamilyYCbCr;
    case kSAJ2KColourUnspecified:
        return image.components.size() >= 3 ? kSAJ2KFamilyRGB : kSAJ2KFamilyGrey;
    case kSAJ2KColourUnknown:
        if (image.icc && image.iccLength >= 20) {
            const uint8_t* s = image.icc + 16;
            if (std::memcmp(s, "RGB ", 4) == 0)
                return kSAJ2KFamilyRGB;
            if (std::memcmp(s, "GRAY", 4) == 0)
                return kSAJ2KFamilyGrey;
            if (std::memcmp(s, "YCbr", 4) == 0)
                return kSAJ2KFamilyYCbCr;
        }
        return kSAJ2KFamilyNone;
    default:
        return kSAJ2KFamilyNone;
    }
}

bool IsValidDepth(uint32_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 8:
    case 16:
    case 24:
    case 32:
    case 48:
    case 64:
        return true;
    default:
        return false;
    }
}

struct OutputLayout {
    uint32_t channels = 0;
    uint32_t bytesPerSample = 0;
    uint64_t rowBytes = 0;     // as stored, DIB rows padded to 4 bytes
    uint64_t headerBytes = 0;  // DIB header and palette
    uint64_t totalBytes = 0;   // 0 when above the limit
};

OutputLayout LayoutOf(uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint32_t flags)
{
    OutputLayout layout;
    layout.channels = (bitsPerPixel == 8 || bitsPerPixel == 16) ? 1 : (bitsPerPixel == 32 || bitsPerPixel == 64) ? 4 : 3;
    layout.bytesPerSample = bitsPerPixel >= 48 || bitsPerPixel == 16 ? 2 : 1;
    bool dib = (flags & SAJ2K_FLAG_DIB) != 0;
    uint64_t row = uint64_t(width) * layout.channels * layout.bytesPerSample;
    if (dib) {
        row = (row * 8 + 31) / 32 * 4;
        if (!(flags & SAJ2K_FLAG_NO_HEADER))
            layout.headerBytes = layout.channels == 1 ? 40 + 256 * 4 : 40;
    }
    layout.rowBytes = row;
    // width and height are below 2^31 and row below 2^34, so this cannot wrap.
    if (height != 0 && row > (SAJ2KMaxBytes() - layout.headerBytes) / height)
        layout.totalBytes = 0;
    else
        layout.totalBytes = row * height + layout.headerBytes;
    return layout;
}

void PutLE16(BYTE* p, uint32_t v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}

void PutLE32(BYTE* p, uint32_t v)
{
    PutLE16(p, v);
    PutLE16(p + 2, v >> 16);
}

void WriteDIBHeader(BYTE* p, uint32_t width, uint32_t height, const OutputLayout& layout)
{
    PutLE32(p + 0, 40);
    PutLE32(p + 4, width);
    PutLE32(p + 8, height);
    PutLE16(p + 12, 1);
    PutLE16(p + 14, layout.channels * 8);
    PutLE32(p + 16, 0);
    PutLE32(p + 20, static_cast<uint32_t>(layout.rowBytes * height));
    PutLE32(p + 24, 0);
    PutLE32(p + 28, 0);
    PutLE32(p + 32, layout.channels == 1 ? 256 : 0);
    PutLE32(p + 36, 0);
    if (layout.channels == 1) {
        BYTE* palette = p + 40;
        for (uint32_t i = 0; i < 256; ++i) {
            palette[i * 4 + 0] = static_cast<BYTE>(i);
            palette[i * 4 + 1] = static_cast<BYTE>(i);
            palette[i * 4 + 2] = static_cast<BYTE>(i);
            palette[i * 4 + 3] = 255;
        }
    }
}

}  // namespace

bool SAJ2KOutBuf::Alloc(uint64_t bytes)
{
    Free();
    if (bytes == 0 || bytes > SAJ2KMaxBytes())
        return false;
    if (m_record.alloc) {
        m_data = m_record.alloc(static_cast<intptr_t>(bytes), m_record.allocUser);
        if (!m_data)
            return false;
        m_fromCallback = 1;
        // Rows a cancel leaves unwritten read as zero, as with GlobalAlloc.
        std::memset(m_data, 0, static_cast<size_t>(bytes));
        return true;
    }
    m_block = GlobalAlloc(GMEM_ZEROINIT, static_cast<SIZE_T>(bytes));
    if (!m_block)
        return false;
    m_data = GlobalLock(m_block);
    if (!m_data) {
        GlobalFree(m_block);
        m_block = nullptr;
        return false;
    }
    return true;
}

void SAJ2KOutBuf::Free()
{
    if (m_fromCallback) {
        if (m_data && m_record.free)
            m_record.free(m_data, m_record.allocUser);
    } else if (m_block) {
        GlobalUnlock(m_block);
        GlobalFree(m_block);
    }
    m_fromCallback = 0;
    m_block = nullptr;
    m_data = nullptr;
}

void* SAJ2KOutBuf::Release()
{
    void* data = m_data;
    if (m_block)
        GlobalUnlock(m_block);
    m_fromCallback = 0;
    m_block = nullptr;
    m_data = nullptr;
    return data;
}

CSAJ2K::CSAJ2K(SAJ2KThreadRecord& record) : m_record(record) { ++m_record.liveDecoders; }

CSAJ2K::~CSAJ2K() { --m_record.liveDecoders; }

void CSAJ2K::FetchHostCallbacks()
{
    if (m_record.hook.getCallback)
        m_record.progress = m_record.hook.getCallback(&m_record.progressUser);
    if (m_record.hook.getAllocCallbacks)
        m_record.hook.getAllocCallbacks(&m_record.alloc, &m_record.realloc, &m_record.free, &m_record.allocUser);
}

void* CSAJ2K::DecodeSource(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, double scale,
                           uint32_t flags)
{
    m_status = 0;
    m_decoded = false;
    FetchHostCallbacks();
    const ISExtHookTable& hook = m_record.hook;

    SAJ2KCodeFormat format = kSAJ2KFormatJP2;
    m_status = DetectFormat(hook, source, &format);
    if (m_status != 0)
        return nullptr;
    uint32_t paletteColumns = 0;
    if (format == kSAJ2KFormatJP2) {
        int32_t size = 0;
        if (!hook.getSize(source, &size) || size < 0) {
            m_status = 3;
            return nullptr;
        }
        paletteColumns = PaletteColumns(hook, source, static_cast<uint64_t>(size));
        if (!hook.seek(source, 0, 0)) {
            m_status = 3;
            return nullptr;
        }
    }
    m_status = m_codec.OpenStream(&hook, source);
    if (m_status != 0)
        return nullptr;
    if (!m_codec.ReadHeader(format)) {
        m_status = kSAJ2KBadData;
        return nullptr;
    }
    m_codec.Describe(&m_image);
    if (m_image.components.empty()) {
        m_status = kSAJ2KBadData;
        return nullptr;
    }

    // Sizes and arguments are settled before decoding, so that a header
    // claiming a huge picture never makes OpenJPEG allocate for it.
    const double s = scale == 0.0 ? 1.0 : scale;
    auto outputSize = [&](uint32_t* w, uint32_t* h) {
        double dw = std::trunc(m_image.components[0].width / s);
        double dh = std::trunc(m_image.components[0].height / s);
        if (!(dw <= INT32_MAX) || !(dh <= INT32_MAX))
            return false;
        *w = static_cast<uint32_t>(dw);
        *h = static_cast<uint32_t>(dh);
        return true;
    };
    uint32_t outWidth = 0;
    uint32_t outHeight = 0;
    if (!outputSize(&outWidth, &outHeight)) {
        m_status = 1;
        return nullptr;
    }
    auto fail = [&](int32_t code) -> void* {
        *width = outWidth;
        *height = outHeight;
        m_status = code;
        return nullptr;
    };
    if (outWidth == 0 || outHeight == 0 || !IsValidDepth(bitsPerPixel))
        return fail(5);
    if ((flags & SAJ2K_FLAG_DIB) && (bitsPerPixel == 16 || bitsPerPixel >= 48))
        return fail(5);
    if (m_image.components.size() > 4)
        return fail(kSAJ2KBadData);
    uint64_t sampleBytes = 0;
    for (size_t i = 0; i < m_image.components.size() + paletteColumns; ++i) {
        const SAJ2KComponentInfo& c = m_image.components[i < m_image.components.size() ? i : 0];
        uint64_t samples = uint64_t(c.width) * c.height;
        const uint64_t limit = SAJ2KMaxBytes();
        if (samples > limit / 4 || sampleBytes + samples * 4 > limit)
            return fail(1);
        sampleBytes += samples * 4;
    }
    if (LayoutOf(outWidth, outHeight, bitsPerPixel, flags).totalBytes == 0)
        return fail(1);

    if (!m_codec.Decode()) {
        m_status = kSAJ2KBadData;
        return nullptr;
    }
    m_codec.Describe(&m_image);
    m_decoded = true;
    // Palettes and channel definitions may have changed the components.
    if (m_image.components.empty() || !outputSize(&outWidth, &outHeight) || outWidth == 0 || outHeight == 0)
        return fail(kSAJ2KBadData);
    void* pixels = ConvertImage(0, 0, outWidth, outHeight, bitsPerPixel, s, s, flags);
    *width = outWidth;
    *height = outHeight;
    m_codec.Close();
    return pixels;
}

void* CSAJ2K::ConvertImage(int32_t originX, int32_t originY, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                           double scaleX, double scaleY, uint32_t flags)
{
    if (!m_decoded) {
        m_status = kSAJ2KBadData;
        return nullptr;
    }
    if (!IsValidDepth(bitsPerPixel) || ((flags & SAJ2K_FLAG_DIB) && (bitsPerPixel == 16 || bitsPerPixel >= 48))) {
        m_status = 5;
        return nullptr;
    }
    if (m_image.components.size() > 4) {
        m_status = kSAJ2KBadData;
        return nullptr;
    }
    const SAJ2KFamily family = FamilyOf(m_image);
    const bool grey = bitsPerPixel == 8 || bitsPerPixel == 16;
    if (grey && (family == kSAJ2KFamilyRGB || family == kSAJ2KFamilyYCbCr)) {
        m_status = 5;
        return nullptr;
    }
    const bool dib = (flags & SAJ2K_FLAG_DIB) != 0;
    const OutputLayout layout = LayoutOf(width, height, bitsPerPixel, flags);
    SAJ2KOutBuf out(m_record);
    if (layout.totalBytes == 0 || !out.Alloc(layout.totalBytes)) {
        m_status = 1;
        return nullptr;
    }
    if (dib && layout.headerBytes)
        WriteDIBHeader(out.Data(), width, height, layout);

    try {
        SAJ2KSampler sampler;
        sampler.family = family;
        const int32_t targetBits = layout.bytesPerSample == 2 ? 16 : 8;
        sampler.maxValue = (1 << targetBits) - 1;
        if (family == kSAJ2KFamilyNone)
            throw SAJ2K::ISException("Invalid colorspace", kSAJ2KBadData);
        // OpenJPEG has applied the palette and the channel definitions, so
        // the colour planes are the first components not marked alpha.
        const size_t wanted = family == kSAJ2KFamilyGrey ? 1 : 3;
        size_t found = 0;
        int32_t alphaIndex = -1;
        int32_t index[3] = {-1, -1, -1};
        for (size_t i = 0; i < m_image.components.size(); ++i) {
            if (m_image.components[i].isAlpha) {
                if (alphaIndex < 0)
                    alphaIndex = static_cast<int32_t>(i);
            } else if (found < wanted) {
                index[found++] = static_cast<int32_t>(i);
            }
        }
        if (found < wanted)
            throw SAJ2K::ISException("Invalid component specificiations", kSAJ2KBadData);
        if (alphaIndex < 0 && m_image.components.size() >= 4)
            alphaIndex = 3;
        for (size_t k = 0; k < wanted; ++k) {
            if (!SAJ2KPreparePlane(m_image.components[index[k]], width, height, originX, originY, scaleX, scaleY,
                                   targetBits, &sampler.planes[k]))
                throw SAJ2K::ISException("Unable to read component matrix", kSAJ2KBadData);
            // Unsigned chroma is centred on half the range; the formula wants it around 0.
            if (family == kSAJ2KFamilyYCbCr && k > 0 && !m_image.components[index[k]].isSigned)
                sampler.planes[k].offset = 1 << (targetBits - 1);
        }
        if (layout.channels == 4 && alphaIndex >= 0) {
            if (!SAJ2KPreparePlane(m_image.components[alphaIndex], width, height, originX, originY, scaleX, scaleY,
                                   targetBits, &sampler.planes[3]))
                throw SAJ2K::ISException("Unable to read component matrix", kSAJ2KBadData);
            sampler.hasAlpha = true;
        }
        BYTE* pixels = out.Data() + layout.headerBytes;
        m_status = layout.bytesPerSample == 2
                       ? SAJ2KWriteRows16(sampler, m_record, pixels, width, height, layout.rowBytes, layout.channels)
                       : SAJ2KWriteRows8(sampler, m_record, pixels, width, height, layout.rowBytes, layout.channels,
                                         dib);
    } catch (const SAJ2K::ISException& e) {
        m_status = e.Code();
        return nullptr;
    } catch (const std::bad_alloc&) {
        m_status = 1;
        return nullptr;
    }
    return out.Release();
}
