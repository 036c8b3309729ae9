// Feeds arbitrary bytes, as they are, to the bitmap probe and to the reader
// at every depth, as top-down rows, padded rows in file order and a packed
// DIB.
#include <cstdint>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

struct ReadCase {
    uint32_t depth;
    uint32_t flags;  // 2: packed DIB, 8: padded rows in file order
};

const ReadCase kCases[] = {{24, 0}, {32, 0}, {8, 8}, {1, 0}, {24, 2}, {8, 2 | 8}};

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
    is5_GetBMPDims(source, &width, &height, &bits, &resolution, 0);
    for (const ReadCase& c : kCases) {
        is5_Seek(source, 0, 0);
        RGBQUAD palette[256];
        void* buffer = is5_ReadBMP(source, &width, &height, c.depth, palette, c.flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
