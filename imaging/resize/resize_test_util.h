// Helpers shared by the resize tests.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/is5.h"

namespace rt {

// Deterministic noise, the same on every platform.
inline std::vector<uint8_t> Noise8(size_t n, uint32_t seed)
{
    std::vector<uint8_t> v(n);
    uint32_t s = seed * 2654435761u + 12345u;
    for (auto& b : v) {
        s = s * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(s >> 24);
    }
    return v;
}

inline std::vector<uint16_t> Noise16(size_t n, uint32_t seed)
{
    std::vector<uint16_t> v(n);
    uint32_t s = seed * 2654435761u + 777u;
    for (auto& w : v) {
        s = s * 1664525u + 1013904223u;
        w = static_cast<uint16_t>(s >> 16);
    }
    return v;
}

struct Result {
    BOOL ok;
    int32_t error;
};

// One call on packed buffers (strides = width × channels).
inline Result Resize8(const std::vector<uint8_t>& src, int sw, int sh, std::vector<uint8_t>* dst, int dw, int dh,
                      int ch, int mode, int flags = 0)
{
    BOOL ok = is5_ResizeImage(src.data(), sw, sh, sw * ch, dst->data(), dw, dh, dw * ch, ch, mode, flags);
    return {ok, ISGetLastError()};
}

inline Result Resize16(const std::vector<uint16_t>& src, int sw, int sh, std::vector<uint16_t>* dst, int dw, int dh,
                       int ch, int mode, int flags = 0)
{
    BOOL ok = is5_ResizeImage(src.data(), sw, sh, sw * ch, dst->data(), dw, dh, dw * ch, ch, mode, flags | 1);
    return {ok, ISGetLastError()};
}

}  // namespace rt
