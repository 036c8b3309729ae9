// Feeds arbitrary bytes to the bitmap probe and reader. The first byte picks
// the depth and flags; the rest is the file.
#include <cstdint>

#include "imaging/is5.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 20))
        return 0;
    static const uint32_t kDepths[4] = {1, 8, 24, 32};
    const uint32_t depth = kDepths[data[0] & 3];
    // Flag 2 (packed DIB) and flag 8 (padded rows, file order).
    const uint32_t flags = ((data[0] & 4) ? 2u : 0u) | ((data[0] & 8) ? 8u : 0u);
    HISSRC source = is5_OpenMemorySource(data + 1, static_cast<int32_t>(size - 1));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, bits = 0;
    ISResolution resolution;
    BOOL ok = is5_GetBMPDims(source, &width, &height, &bits, &resolution, 0);
    // Pictures beyond 4 MP are legal (the size limit is tested apart); they
    // only slow the fuzzer down.
    const int64_t h = static_cast<int32_t>(height);
    const uint64_t rows = static_cast<uint64_t>(h < 0 ? -h : h);
    if (!ok || uint64_t(width) * rows <= (1u << 22)) {
        is5_Seek(source, 0, 0);
        RGBQUAD palette[256];
        void* buffer = is5_ReadBMP(source, &width, &height, depth, palette, flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
