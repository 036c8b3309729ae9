// What a fuzz harness lets a header claim: the library's own allocation
// limit, lowered once for the process to a 64-megapixel picture at 24 bits.
// Larger claims then fail in the readers' size checks like any too-large
// picture does; nothing is skipped by the harness.
#pragma once

#include <cstdint>

#include "imaging/core/buffers.h"

constexpr uint64_t kFuzzMaxBytes = uint64_t(64) * 1024 * 1024 * 3;

inline void FuzzCapClaims()
{
    static const bool capped = (ISSetMaxAlloc(kFuzzMaxBytes), true);
    (void)capped;
}
