// Feeds arbitrary bytes to the file-type guess and the generic reader on a
// memory source. The first byte picks the mode; the rest is the file.
#include <cstdint>

#include "imaging/is5.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 20))
        return 0;
    uint32_t mode = data[0] & 3;
    HISSRC source = is5_OpenMemorySource(data + 1, static_cast<int32_t>(size - 1));
    if (!source)
        return 0;
    is5_GuessFileType(source);
    uint32_t width = 0, height = 0;
    // From wherever the guess left the source: the reader starts over itself.
    void* buffer = is5_ReadImage(source, &width, &height, mode, 0);
    if (buffer)
        GlobalFree(buffer);
    is5_CloseSource(source);
    return 0;
}
