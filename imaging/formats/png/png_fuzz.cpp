// Feeds arbitrary bytes, as they are, to the PNG header questions and to the
// reader at every depth and flag case.
#include <cstdint>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

struct ReadCase {
    uint32_t depth;
    uint32_t flags;  // 1 gamma, 2 packed DIB, 4 16-bit grey, 8 padded BGR rows
};

const ReadCase kCases[] = {{1, 0},  {8, 0},  {8, 8},  {16, 0}, {16, 4}, {24, 0}, {24, 1},
                           {24, 8}, {32, 0}, {32, 8}, {48, 0}, {64, 0}, {24, 2}, {8, 2 | 8}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, depth = 0, type = 0, interlace = 0;
    int32_t optional = 0, red = 0, green = 0, blue = 0, grey = 0;
    ISResolution resolution;
    is5_GetPNGDims(source, &width, &height, &depth, &type, &interlace, &optional, &red, &green, &blue, &grey,
                   &resolution, 0);
    for (const ReadCase& c : kCases) {
        is5_Seek(source, 0, 0);
        RGBQUAD palette[256];
        void* buffer = is5_ReadPNG(source, &width, &height, c.depth, palette, c.flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
