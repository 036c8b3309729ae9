// Images and references shared by the blur tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace bt {

// Random samples below `limit`, reproducible by seed.
template <typename T>
std::vector<T> RandomSamples(size_t count, uint32_t limit, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<T> v(count);
    for (T& s : v)
        s = T(random() % limit);
    return v;
}

inline int Clamp(int64_t i, int64_t n) { return int(i < 0 ? 0 : (i >= n ? n - 1 : i)); }

}  // namespace bt
