// Feeds arbitrary bytes, as they are, to the TLA dims entry and to the reader
// at 1, 3 and 4 bytes a pixel and as a packed DIB, each without a password
// and with "abc" (the seeds' password, so protected inputs get past the
// cipher).
#include <cstdint>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

struct ReadCase {
    uint32_t bytes;
    uint32_t flags;  // 2: packed DIB
};

const ReadCase kCases[] = {{1, 0}, {3, 0}, {4, 0}, {3, 2}};
const char* const kPasswords[] = {nullptr, "abc"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    for (const char* password : kPasswords) {
        uint32_t width = 0, height = 0, bits = 0;
        is5_Seek(source, 0, 0);
        is5_GetTLADims_(source, &width, &height, &bits, password, 0);
        for (const ReadCase& c : kCases) {
            is5_Seek(source, 0, 0);
            RGBQUAD palette[256];
            void* buffer = is5_ReadTLA(source, &width, &height, password, c.bytes, palette, c.flags);
            if (buffer)
                GlobalFree(buffer);
        }
    }
    is5_CloseSource(source);
    return 0;
}
