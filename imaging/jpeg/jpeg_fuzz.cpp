// Feeds arbitrary bytes to the JPEG probe and reader. The first byte picks
// the depth and read flags; the rest is the file.
#include <cstdint>

#include "imaging/is5.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 20))
        return 0;
    static const uint32_t kBits[4] = {8, 24, 32, 24};
    uint32_t bits = kBits[data[0] & 3];
    uint32_t flags = (data[0] >> 2) & 0x1F;  // 0x1 to 0x10; 0x20 needs a callback
    HISSRC source = is5_OpenMemorySource(data + 1, static_cast<int32_t>(size - 1));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, depth = 0, space = 0, coding = 0;
    ISResolution resolution;
    BOOL ok = is5_GetJPGDims(source, &width, &height, &depth, &space, &coding, &resolution, 0);
    // Large pictures are legal; they only slow the fuzzer down.
    if (ok && uint64_t(width) * height <= (1u << 22)) {
        is5_Seek(source, 0, 0);
        void* buffer = is5_ReadJPG(source, &width, &height, bits, flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
