#include "filter_contrib.h"

#include <cmath>

namespace {

struct Range {
    double centre;
    double width;
    int64_t left;
    int64_t right;
};

Range ContributionRange(int64_t i, double scale, double support)
{
    Range r;
    r.centre = static_cast<double>(i) / scale;
    r.width = scale < 1.0 ? support / scale : support;
    const double left = std::ceil(r.centre - r.width);
    const double right = std::floor(r.centre + r.width);
    // Beyond 2^62 nothing can be allocated anyway; keep the conversion defined.
    const double limit = 4611686018427387904.0;
    r.left = static_cast<int64_t>(std::fmax(std::fmin(left, limit), -limit));
    r.right = static_cast<int64_t>(std::fmax(std::fmin(right, limit), -limit));
    return r;
}

}  // namespace

int64_t ISContributionCount(int64_t i, double scale, double support)
{
    const Range r = ContributionRange(i, scale, support);
    const int64_t count = r.right - r.left + 1;
    if (count < 1 || count > 0x7fffffff)
        return -1;
    return count;
}

int32_t ISBuildContributions(int64_t i, double scale, const ISKernel& kernel, int32_t n, int32_t channels,
                             ISContribution* out)
{
    const Range r = ContributionRange(i, scale, kernel.support);
    const bool shrinking = scale < 1.0;
    int32_t count = 0;
    double sum = 0.0;
    for (int64_t j = r.left; j <= r.right; ++j) {
        const double d = r.centre - static_cast<double>(j);
        const double weight = shrinking ? kernel.function(d * scale) * scale : kernel.function(d);
        int64_t k = j;
        if (k < 0)
            k = -k;
        else if (k >= n)
            k = 2 * static_cast<int64_t>(n) - k - 1;
        if (k < 0)
            k = 0;
        else if (k >= n)
            k = n - 1;
        out[count].index = static_cast<int32_t>(k);
        out[count].offset = static_cast<int32_t>(k * channels);
        out[count].weight = weight;
        sum += weight;
        ++count;
    }
    if (sum != 0.0) {
        for (int32_t e = 0; e < count; ++e)
            out[e].weight /= sum;
    }
    return count;
}
