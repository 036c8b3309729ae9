// Feeds arbitrary bytes, as they are, to the PCX probe and to the reader at
// every depth, padded and as a packed DIB.
#include <cstdint>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

struct ReadCase {
    uint32_t depth;
    uint32_t flags;  // 2: packed DIB, 8: padded rows
};

const ReadCase kCases[] = {{1, 0}, {8, 0}, {24, 0}, {24, 8}, {8, 8}, {24, 2}};

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
    is5_GetPCXDims(source, &width, &height, &bits, &resolution, 0);
    for (const ReadCase& c : kCases) {
        is5_Seek(source, 0, 0);
        RGBQUAD palette[256];
        void* buffer = is5_ReadPCX(source, &width, &height, c.depth, palette, c.flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
