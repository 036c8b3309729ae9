// Feeds arbitrary bytes to the JPEG 2000 reader through the library's hook
// table. The last byte picks the depth, the DIB flags and the scale, so the
// fixtures seed it as they are; the rest is the file. Output buffers come
// from allocation callbacks that refuse more than a 64 MP picture needs, so
// a header claiming more takes the reader's own failed-allocation path.
#include <cstdint>
#include <cstdlib>

#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"

namespace {

constexpr intptr_t kMaxOutputBytes = intptr_t(64) << 20 << 3;  // 64 MP at 64 bits

void* CappedAlloc(intptr_t bytes, intptr_t)
{
    return bytes > 0 && bytes <= kMaxOutputBytes ? std::malloc(static_cast<size_t>(bytes)) : nullptr;
}

void* CappedRealloc(void* block, intptr_t bytes, intptr_t)
{
    return bytes > 0 && bytes <= kMaxOutputBytes ? std::realloc(block, static_cast<size_t>(bytes)) : nullptr;
}

BOOL CappedFree(void* block, intptr_t)
{
    std::free(block);
    return TRUE;
}

void CappedCallbacks(ISAllocCallback* alloc, ISReallocCallback* realloc, ISFreeCallback* free, intptr_t* user)
{
    *alloc = CappedAlloc;
    *realloc = CappedRealloc;
    *free = CappedFree;
    *user = 0;
}

bool InstallHook()
{
    ISExtHookTable* table = is5_GetExtHook(0);
    if (!table)
        return false;
    table->getAllocCallbacks = CappedCallbacks;
    int32_t ok = SAJ2KSetExtHook(table);
    GlobalFree(table);
    return ok == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > (1u << 20))
        return 0;
    static const bool installed = InstallHook();
    if (!installed)
        return 0;
    static const uint32_t kBits[8] = {8, 16, 24, 32, 48, 64, 24, 32};
    static const double kScale[4] = {1.0, 2.0, 0.5, 3.0};
    const uint32_t bits = kBits[data[size - 1] & 7];
    uint32_t flags = 0;
    if (data[size - 1] & 0x08)
        flags |= SAJ2K_FLAG_DIB;
    if (data[size - 1] & 0x10)
        flags |= SAJ2K_FLAG_NO_HEADER;
    const double scale = kScale[(data[size - 1] >> 5) & 3];
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size - 1));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0;
    void* pixels = SAJ2KReadImage(source, &width, &height, bits, scale, flags);
    std::free(pixels);
    is5_CloseSource(source);
    return 0;
}
