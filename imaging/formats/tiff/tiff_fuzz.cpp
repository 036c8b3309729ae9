// Feeds arbitrary bytes, as they are, to the TIFF probe and to the reader at
// every depth and flag case, pages 0 and 1.
#include <cstdint>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

struct ReadCase {
    uint32_t depth;
    uint32_t flags;  // 1 no orientation, 2 DIB, 4 keep alpha, 8 other row order, 0x10/0x20/0x40
};

const ReadCase kCases[] = {{24, 0}, {32, 0},    {32, 4},    {24, 2},  {1, 0},    {1, 8}, {8, 0},
                           {8, 0x20}, {16, 0x10}, {48, 0x40}, {64, 0}, {24, 0x41}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, bits = 0;
    ISResolution resolution;
    is5_GetTIFFDims(source, 0, &width, &height, &bits, &resolution, 0);
    for (int32_t page = 0; page < 2; ++page) {
        for (const ReadCase& c : kCases) {
            RGBQUAD palette[256];
            void* buffer = is5_ReadTIFF(source, &width, &height, c.depth, palette, page, c.flags);
            if (buffer)
                GlobalFree(buffer);
        }
    }
    is5_CloseSource(source);
    return 0;
}
