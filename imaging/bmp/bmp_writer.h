// The bitmap writer: one object per is5_WriteBMP call.
#pragma once

#include <cstdint>

#include "../core/frame.h"
#include "../core/io.h"
#include "../formats/reader_entry.h"
#include "bmp.h"

// Flags of is5_WriteBMP beside IS5_DIB (the pixels are a packed DIB).
constexpr uint32_t kBmpWriteRle8 = 0x1;
constexpr uint32_t kBmpWriteBottomUp = 0x4;       // source rows are stored bottom row first
constexpr uint32_t kBmpWriteKeepOrder = 0x8;      // 24- and 32-bit pixels are already B,G,R
constexpr uint32_t kBmpWriteRoundStride = 0x80000000u;

struct ISBmpImage {
    const BYTE* pixels = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits = 0;
    uint64_t stride = 0;
    uint32_t colours = 0;
    const RGBQUAD* palette = nullptr;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t flags = 0;
};

class CISBmpWriter {
public:
    int32_t m_status = 0;

    int32_t Write(CISIO* sink, const ISBmpImage& image);
    int32_t WriteDib(CISIO* sink, const BYTE* dib);
    int32_t WriteRle8(CISIO* sink, const ISBmpImage& image);

    // The source row that is stored as file row i (file rows run bottom-up).
    static const BYTE* SourceRow(const ISBmpImage& image, uint32_t i)
    {
        const uint32_t y = (image.flags & kBmpWriteBottomUp) ? i : image.height - 1 - i;
        return image.pixels + y * image.stride;
    }

private:
    bool Fail(int32_t code)
    {
        m_status = code;
        return false;
    }
    bool Put(CISIO* sink, const void* bytes, uint64_t n);
    bool PutHeaders(CISIO* sink, const ISBmpImage& image, uint32_t compression, uint32_t fileSize,
                    uint32_t imageSize);
    int32_t SinkSize(CISIO* sink);
};
