// Fuzz target: the metafile checks and the size arithmetic over any bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "metafile_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader keeps 1,024 zero bytes after the file; so does this.
    std::vector<BYTE> buffer(size + 1024, 0);
    if (size)
        memcpy(buffer.data(), data, size);
    ISMetafileInfo info;
    if (ISParseMetafile(buffer.data(), size, &info) != 0)
        return 0;
    const uint32_t sizes[] = {0, 1, 99, 100, 250, 0x7FFFFFFFu, 0xFFFFFFFFu};
    for (uint32_t flags = 0; flags < 8; ++flags)
        for (uint32_t a : sizes) {
            int32_t w = 0, h = 0;
            ISMetafileOutputSize(info, info.emf, flags, a, sizes[(a + flags) % 7], 96, 120, &w, &h);
        }
    return 0;
}
