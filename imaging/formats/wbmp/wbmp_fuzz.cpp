// Feeds arbitrary bytes, as they are, to the WBMP probe and to the reader at
// 1 and 8 bits, plain, as padded rows and as a packed DIB.
#include <cstdint>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

struct ReadCase {
    uint32_t depth;
    uint32_t flags;  // 2: packed DIB, 8: padded rows
};

const ReadCase kCases[] = {{1, 0}, {8, 0}, {1, 8}, {8, 8}, {1, 2}, {8, 2}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0;
    is5_GetWBMPDims(source, &width, &height, 0);
    for (const ReadCase& c : kCases) {
        is5_Seek(source, 0, 0);
        RGBQUAD palette[256];
        void* buffer = is5_ReadWBMP(source, &width, &height, palette, c.depth, c.flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
