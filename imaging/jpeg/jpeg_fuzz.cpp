// Feeds arbitrary bytes, as they are, to the JPEG probe and to the reader at
// every depth and with every read flag (the progressive display with a
// callback that takes each pass).
#include <cstdint>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

BOOL TakePass(void*, uint32_t, uint32_t, uint32_t, int32_t, void*) { return TRUE; }

struct ReadCase {
    uint32_t bits;
    uint32_t flags;
};

// 0x1 CMYK as stored, 0x2 packed DIB, 0x4 YCbCr kept, 0x8 padded rows,
// 0x10 source left after the data, 0x20 progressive display.
const ReadCase kCases[] = {{24, 0}, {8, 0}, {32, 0x1}, {8, 0x2}, {24, 0x4 | 0x8}, {24, 0x10 | 0x20}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    if (ISThreadState* state = ISGetThreadState())
        state->jpeg.progressive = TakePass;
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, depth = 0, space = 0, coding = 0;
    ISResolution resolution;
    is5_GetJPGDims(source, &width, &height, &depth, &space, &coding, &resolution, 0);
    for (const ReadCase& c : kCases) {
        is5_Seek(source, 0, 0);
        void* buffer = is5_ReadJPG(source, &width, &height, c.bits, c.flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
