// Feeds arbitrary bytes, as they are, to the GIF reader as plain rows, a
// packed DIB and padded rows.
#include <cstdint>
#include <initializer_list>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    for (uint32_t flags : {0u, 2u, 8u}) {
        is5_Seek(source, 0, 0);
        uint32_t width = 0, height = 0;
        int32_t transparent = 0;
        RGBQUAD palette[256];
        void* buffer = is5_ReadGIF(source, &width, &height, &transparent, palette, flags);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
