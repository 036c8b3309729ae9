// Entries not built yet: each reports code 45 under its own name and returns
// 0 / NULL. Building an entry removes its line here.
#include "frame.h"

namespace {
int ISUnsupported(const char* name)
{
    if (ISGetThreadState())
        ISSetLastError(45, name);
    return 0;
}
}  // namespace

#define IS_STUB(name) ISUnsupported(#name)


void* is5_ReadPCD(HISSRC, uint32_t*, uint32_t*, int32_t, uint32_t) { IS_STUB(is5_ReadPCD); return nullptr; }
