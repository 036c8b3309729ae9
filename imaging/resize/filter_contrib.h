// Contribution lists of the filtered resampling: which source samples feed one
// destination sample, and with what weight.
#pragma once

#include <cstdint>

#include "filter_kernels.h"

struct ISContribution {
    int32_t offset;  // source index × channels
    int32_t index;   // source index, inside 0..n-1
    double weight;
};

struct ISContributionList {
    int32_t count = 0;
    ISContribution* entries = nullptr;
};

// The number of entries that destination index i gets at scale s (destination
// extent / source extent); -1 when it would not fit an int.
int64_t ISContributionCount(int64_t i, double scale, double support);

// Fills `out` (room for ISContributionCount entries) for destination index i
// over a source extent n and returns the count. Indices past the edges are
// mirrored, then clamped for sources smaller than the kernel's reach; weights
// are normalised unless they sum to exactly 0.
int32_t ISBuildContributions(int64_t i, double scale, const ISKernel& kernel, int32_t n, int32_t channels,
                             ISContribution* out);
