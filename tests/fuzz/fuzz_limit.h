// What a fuzz harness lets a header claim: the library's own allocation
// limit, lowered once for the process to a 16-megapixel picture at 24 bits.
// Larger claims then fail in the readers' size checks like any too-large
// picture does; nothing is skipped by the harness. (At 64 MP one input took
// seconds under the sanitizers and the fuzzers spent their time on them.)
#pragma once

#include <cstdint>

#include "imaging/core/buffers.h"

constexpr uint64_t kFuzzMaxBytes = uint64_t(16) * 1024 * 1024 * 3;

inline void FuzzCapClaims()
{
    static const bool capped = (ISSetMaxAlloc(kFuzzMaxBytes), true);
    (void)capped;
}
