// Feeds arbitrary bytes, as they are, to the PNM probe and to the reader at
// every depth it offers, plain, as a DIB, raw and with padded rows.
#include <cstdint>

#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

const uint32_t kDepths[] = {1, 8, 16, 24, 48};
const uint32_t kFlags[] = {0, 0x2, 0x8, 0x80000000u};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0, value = 0, magic = 0;
    is5_GetPNMDims(source, &width, &height, &value, &magic, 0);
    for (uint32_t depth : kDepths) {
        for (uint32_t flags : kFlags) {
            is5_Seek(source, 0, 0);
            void* buffer = is5_ReadPNM(source, &width, &height, depth, flags);
            if (buffer)
                GlobalFree(buffer);
        }
    }
    is5_CloseSource(source);
    return 0;
}
