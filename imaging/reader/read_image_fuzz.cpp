// Feeds arbitrary bytes, as they are, to the file-type guess and to the
// generic reader on a memory source in every output mode.
#include <cstdint>

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
    is5_GuessFileType(source);
    for (uint32_t mode = 0; mode < 4; ++mode) {
        uint32_t width = 0, height = 0;
        // From wherever the last call left the source: the reader starts over itself.
        void* buffer = is5_ReadImage(source, &width, &height, mode, 0);
        if (buffer)
            GlobalFree(buffer);
    }
    is5_CloseSource(source);
    return 0;
}
