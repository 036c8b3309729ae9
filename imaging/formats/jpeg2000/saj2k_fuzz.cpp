// Feeds arbitrary bytes, as they are, to the JPEG 2000 reader through the
// library's hook table. Output buffers come from the application's
// allocation callbacks; the library's capped limit makes a header claiming
// more than a 16 MP picture fail in the reader's own size checks before
// OpenJPEG allocates for it.
#include <cstdint>
#include <cstdlib>

#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"
#include "tests/fuzz/fuzz_limit.h"

namespace {

void* MallocAlloc(intptr_t bytes, intptr_t)
{
    return bytes > 0 ? std::calloc(1, static_cast<size_t>(bytes)) : nullptr;
}

void* MallocRealloc(void* block, intptr_t bytes, intptr_t)
{
    return bytes > 0 ? std::realloc(block, static_cast<size_t>(bytes)) : nullptr;
}

BOOL MallocFree(void* block, intptr_t)
{
    std::free(block);
    return TRUE;
}

void MallocCallbacks(ISAllocCallback* alloc, ISReallocCallback* realloc, ISFreeCallback* free, intptr_t* user)
{
    *alloc = MallocAlloc;
    *realloc = MallocRealloc;
    *free = MallocFree;
    *user = 0;
}

bool InstallHook()
{
    ISExtHookTable* table = is5_GetExtHook(0);
    if (!table)
        return false;
    table->getAllocCallbacks = MallocCallbacks;
    int32_t ok = SAJ2KSetExtHook(table);
    GlobalFree(table);
    return ok == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzCapClaims();
    static const bool installed = InstallHook();
    if (!installed)
        return 0;
    // Every read decodes the whole file, so one call per input: a hash of the
    // input picks the depth, the DIB flags and the scale, and the file stays
    // as it is.
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    static const uint32_t kBits[8] = {8, 16, 24, 32, 48, 64, 24, 32};
    static const double kScale[4] = {1.0, 2.0, 0.5, 3.0};
    const uint32_t bits = kBits[hash & 7];
    uint32_t flags = 0;
    if (hash & 0x08)
        flags |= SAJ2K_FLAG_DIB;
    if (hash & 0x10)
        flags |= SAJ2K_FLAG_NO_HEADER;
    const double scale = kScale[(hash >> 5) & 3];
    HISSRC source = is5_OpenMemorySource(data, static_cast<int32_t>(size));
    if (!source)
        return 0;
    uint32_t width = 0, height = 0;
    void* pixels = SAJ2KReadImage(source, &width, &height, bits, scale, flags);
    std::free(pixels);
    is5_CloseSource(source);
    return 0;
}
