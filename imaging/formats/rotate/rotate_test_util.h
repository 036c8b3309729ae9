// The three turns pixel by pixel, straight from their mappings, for the
// rotation tests and the benchmark's reference loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace rt {

struct Point {
    uint32_t x;
    uint32_t y;
};

// Where source pixel (x, y) of a width x height image lands; only the two
// low bits of the mode count.
inline Point Turned(uint32_t mode, uint32_t width, uint32_t height, uint32_t x, uint32_t y)
{
    switch (mode & 3) {
    case 0:
        return {height - 1 - y, x};
    case 1:
        return {width - 1 - x, height - 1 - y};
    default:
        return {y, width - 1 - x};
    }
}

inline uint32_t TurnedWidth(uint32_t mode, uint32_t width, uint32_t height)
{
    return (mode & 3) == 1 ? width : height;
}
inline uint32_t TurnedHeight(uint32_t mode, uint32_t width, uint32_t height)
{
    return (mode & 3) == 1 ? height : width;
}

inline bool Bit(const uint8_t* row, uint32_t x) { return (row[x / 8] >> (7 - x % 8)) & 1; }

// Without a branch on the pixel, so that a timed loop does not depend on the content.
inline void SetBit(uint8_t* row, uint32_t x, bool on)
{
    const uint8_t mask = uint8_t(0x80 >> (x % 8));
    row[x / 8] = uint8_t((row[x / 8] & ~mask) | (uint8_t(-int(on)) & mask));
}

inline void ReferenceRotate1Bit(const uint8_t* source, size_t sourceStride, uint32_t width, uint32_t height,
                                uint32_t mode, uint8_t* target, size_t targetStride)
{
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const Point p = Turned(mode, width, height, x, y);
            SetBit(target + p.y * targetStride, p.x, Bit(source + y * sourceStride, x));
        }
}

// Pixels of `size` samples; strides in samples.
template <typename T>
void ReferenceRotatePixels(const T* source, size_t sourceStride, uint32_t width, uint32_t height, uint32_t mode,
                           uint32_t size, T* target, size_t targetStride)
{
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const Point p = Turned(mode, width, height, x, y);
            for (uint32_t k = 0; k < size; ++k)
                target[p.y * targetStride + p.x * size + k] = source[y * sourceStride + x * size + k];
        }
}

template <typename T>
std::vector<T> RandomSamples(size_t count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<T> v(count);
    for (T& s : v)
        s = T(random());
    return v;
}

}  // namespace rt
