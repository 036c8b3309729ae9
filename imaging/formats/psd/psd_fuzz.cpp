// Feeds arbitrary bytes, as they are, to the PSD header questions (with the
// resolution record, so the resource block is parsed) and to the reader at
// every depth, with the CMYK, 16-bit and DIB flags.
#include <cstdint>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

struct ReadCase {
    uint32_t depth;
    uint32_t flags;  // 2 packed DIB, 4 CMYK's four channels, 8 16-bit samples
};

const ReadCase kCases[] = {{8, 0}, {24, 0}, {32, 0}, {24, 4}, {24, 8}, {32, 8}, {24, 4 | 8}, {24, 2}, {24, 2 | 4}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, depth = 0, mode = 0;
    ISResolution resolution;
    is5_GetPSDDims(source, &width, &height, &depth, &mode, &resolution, 0);
    for (const ReadCase& c : kCases) {
        is5_Seek(source, 0, 0);
        RGBQUAD palette[256];
        void* buffer = is5_ReadPSD(source, &width, &height, c.depth, palette, c.flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
