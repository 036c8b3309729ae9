// What the filter engine's two-lane (SSE2) and four-lane (AVX2) loops share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../platform/winshim.h"
#include "filter_contrib.h"

// Windows builds keep the two-lane loops: 32-byte registers spilled to its
// 16-byte aligned stack are not safe there.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define IS_FILTER_AVX2 1
#else
#define IS_FILTER_AVX2 0
#endif

// Source rows staged and summed together in the horizontal pass.
constexpr int32_t kISFilterStrip = 8;

// One destination column of a block: its list's entries, their offsets into
// the stage, and the flat bound; `exact` lists check every result.
struct ISColumnTaps {
    int32_t count;
    const int32_t* offsets;
    const ISContribution* entries;
    double bound;
    bool exact;
};

#if IS_FILTER_AVX2
bool ISFilterHasAvx2();
// Horizontal results of the staged rows for every column of a block, into
// the strip's rows of the ring.
void ISHorizontalStagedAvx2(const double* stage, const ISColumnTaps* taps, int32_t nb, int32_t ch,
                            double* const* out);
// One destination row: `count` samples from the list's rows of the ring.
void ISVerticalRowAvx2(const double* const* rows, const ISContribution* e, int32_t n, double flatBound, bool exact,
                       int32_t count, BYTE* out);
#endif
