// The per-row blend of an overlay onto a destination: 31 modes, opacity
// tables, and a four-bytes-at-a-time path for the bitwise modes.
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "../core/frame.h"
#include "overlay.h"

namespace {

// Everything a row blend needs besides the samples.
template <typename T>
struct ModeContext {
    const T* b0 = nullptr;        // (1 - a) * i, truncated
    const T* b1 = nullptr;        // a * i, truncated
    const double* w0 = nullptr;   // (1 - a) * i
    const double* w1 = nullptr;   // a * i
    bool full = true;             // a == 1: no tables
    int64_t threshold = 0;        // the second value truncated
    double second = 0.0;          // the second value as given (mode 13)
};

template <typename T>
constexpr int64_t kMax = std::numeric_limits<T>::max();
template <typename T>
constexpr int64_t kHalf = (kMax<T> + 1) / 2;

inline int64_t Clamp(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The mode value v for destination d and overlay o.
template <typename T, int Mode>
inline int64_t ModeValue(int64_t d, int64_t o, const ModeContext<T>& c)
{
    constexpr int64_t M = kMax<T>;
    constexpr int64_t H = kHalf<T>;
    if constexpr (Mode == 0 || Mode == 1 || Mode == 9 || Mode == 10) {
        return o;
    } else if constexpr (Mode == 2) {
        return d & o;
    } else if constexpr (Mode == 3) {
        return d | o;
    } else if constexpr (Mode == 4) {
        return d ^ o;
    } else if constexpr (Mode == 5) {
        return d > o ? d : o;
    } else if constexpr (Mode == 6) {
        return d < o ? d : o;
    } else if constexpr (Mode == 7) {
        return d + o < M ? d + o : M;
    } else if constexpr (Mode == 8) {
        return d > o ? d - o : 0;
    } else if constexpr (Mode == 11) {
        return d > o ? d - o : o - d;
    } else if constexpr (Mode == 12) {
        return d * o / M;
    } else if constexpr (Mode == 13) {
        double r = (static_cast<double>(d) / static_cast<double>(M)) * (static_cast<double>(o) * c.second);
        if (!(r > 0.0))
            return 0;
        return r < static_cast<double>(M) ? static_cast<int64_t>(r) : M;
    } else if constexpr (Mode == 14) {
        return M - (M - o) * (M - d) / M;
    } else if constexpr (Mode == 15) {
        return Clamp(o + d - c.threshold, 0, M);
    } else if constexpr (Mode == 16) {
        return Clamp(c.threshold + d - o, 0, M);
    } else if constexpr (Mode == 17) {
        return M & ~(d & o);
    } else if constexpr (Mode == 18) {
        return M & ~(d | o);
    } else if constexpr (Mode == 19) {
        return M & ~(d ^ o);
    } else if constexpr (Mode == 20) {
        if (o == M)
            return M;
        int64_t r = d * M / (M - o);
        return r < M ? r : M;
    } else if constexpr (Mode == 21) {
        if (o == 0)
            return 0;
        int64_t k = (M - d) * M / o;
        return k < M ? M - k : 0;
    } else if constexpr (Mode == 22 || Mode == 23) {
        if constexpr (Mode == 23)
            std::swap(d, o);
        if (o + d > M) {
            int64_t r = M - (M - o) * H / d;
            return r > 0 ? r : 0;
        }
        if (o != M) {
            int64_t r = d * H / (M - o);
            return r < M ? r : M;
        }
        return M;
    } else if constexpr (Mode == 24) {
        return d < H ? d * o / H : M - (M - d) * (M - o) / H;
    } else if constexpr (Mode == 25) {
        int64_t m = d * o / M;
        int64_t s = (M - d) * (M - o);
        return d * (M - s / M - m) / M + m;
    } else if constexpr (Mode == 26) {
        return o < H ? d * o / H : M - (M - d) * (M - o) / H;
    } else if constexpr (Mode == 27) {
        if (o == M)
            return M;
        int64_t r = d * d / (M - o);
        return r < M ? r : M;
    } else if constexpr (Mode == 28) {
        if (d == M)
            return M;
        int64_t r = o * o / (M - d);
        return r < M ? r : M;
    } else if constexpr (Mode == 29) {
        if (o == 0)
            return 0;
        int64_t r = M - (M - d) * (M - d) / o;
        return r > 0 ? r : 0;
    } else if constexpr (Mode == 30) {
        if (d == 0)
            return 0;
        int64_t r = M - (M - o) * (M - o) / d;
        return r > 0 ? r : 0;
    } else {
        static_assert(Mode >= 0 && Mode <= 30, "no such mode");
        return d;
    }
}

constexpr bool IsBitwise(int mode) { return mode == 2 || mode == 3 || mode == 4 || mode == 17 || mode == 18 || mode == 19; }

template <int Mode>
inline uint32_t BitwiseWord(uint32_t d, uint32_t o)
{
    if constexpr (Mode == 2)
        return d & o;
    else if constexpr (Mode == 3)
        return d | o;
    else if constexpr (Mode == 4)
        return d ^ o;
    else if constexpr (Mode == 17)
        return ~(d & o);
    else if constexpr (Mode == 18)
        return ~(d | o);
    else
        return ~(d ^ o);
}

// One row of `count` samples.
template <typename T, int Mode>
void BlendRow(T* dst, const T* ovl, size_t count, const ModeContext<T>& c)
{
    if constexpr (IsBitwise(Mode)) {
        if (c.full) {
            // Four bytes a step; the loads and stores go through memcpy so
            // that rows need no alignment, and the tail is done byte by byte.
            BYTE* db = reinterpret_cast<BYTE*>(dst);
            const BYTE* ob = reinterpret_cast<const BYTE*>(ovl);
            size_t bytes = count * sizeof(T);
            size_t i = 0;
            for (; i + 4 <= bytes; i += 4) {
                uint32_t dw, ow;
                std::memcpy(&dw, db + i, 4);
                std::memcpy(&ow, ob + i, 4);
                dw = BitwiseWord<Mode>(dw, ow);
                std::memcpy(db + i, &dw, 4);
            }
            for (; i < bytes; ++i)
                db[i] = static_cast<BYTE>(BitwiseWord<Mode>(db[i], ob[i]));
            return;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        int64_t d = dst[i];
        int64_t o = ovl[i];
        if constexpr (Mode == 9) {
            if (!(o > c.threshold))
                continue;
        } else if constexpr (Mode == 10) {
            if (!(o < c.threshold))
                continue;
        }
        if constexpr (Mode == 1) {
            if (!c.full) {
                dst[i] = static_cast<T>(c.w0[d] + c.w1[o]);
                continue;
            }
        }
        int64_t v = ModeValue<T, Mode>(d, o, c);
        dst[i] = c.full ? static_cast<T>(v) : static_cast<T>(c.b0[d] + c.b1[v]);
    }
}

template <typename T>
using RowFunction = void (*)(T*, const T*, size_t, const ModeContext<T>&);

template <typename T, size_t... Modes>
constexpr auto MakeRowTable(std::index_sequence<Modes...>)
{
    return std::array<RowFunction<T>, sizeof...(Modes)>{&BlendRow<T, static_cast<int>(Modes)>...};
}

template <typename T>
RowFunction<T> RowFunctionFor(int32_t mode)
{
    static constexpr auto table = MakeRowTable<T>(std::make_index_sequence<kISOverlayModeCount>());
    if (static_cast<uint32_t>(mode) >= table.size())
        return nullptr;
    return table[static_cast<size_t>(mode)];
}

// NaN gives 0; anything else is clamped into 32 bits before it is truncated.
int64_t SecondToThreshold(double second)
{
    if (std::isnan(second))
        return 0;
    if (second <= -2147483648.0)
        return INT32_MIN;
    if (second >= 2147483647.0)
        return INT32_MAX;
    return static_cast<int64_t>(second);
}

template <typename T>
T* Row(T* pixels, int32_t stride, int64_t row)
{
    return pixels + static_cast<ptrdiff_t>(row) * stride;
}

template <typename T>
int32_t OverlayCore(const ISOverlayImage<T>& dst, const ISOverlayImage<const T>& ovl, int32_t x, int32_t y,
                    double opacity, double second, int32_t mode, uint32_t flags, const RECT& rect)
{
    ISCallGuard guard;
    BOOL progress = ISHasProgressCallback();
    if (!dst.pixels || !ovl.pixels ||
        static_cast<const void*>(dst.pixels) == static_cast<const void*>(ovl.pixels))
        return 5;
    if (rect.left < 0 || rect.top < 0 || rect.right > dst.width || rect.bottom > dst.height ||
        rect.right <= rect.left || rect.bottom <= rect.top)
        return 5;
    if (opacity == 0.0 && (mode == 0 || mode == 1))
        return 0;

    double alpha = opacity > 0.0 ? (opacity < 1.0 ? opacity : 1.0) : 0.0;
    const int32_t rows = rect.bottom - rect.top;
    const size_t count = static_cast<size_t>(rect.right - rect.left) * static_cast<size_t>(dst.channels);
    const int64_t ovlColumn = static_cast<int64_t>(rect.left) - x;
    const bool bottomUp = (flags & kISOverlayBottomUp) != 0;
    auto ovlRowOf = [&](int64_t row) {
        int64_t r = row - y;
        return bottomUp ? ovl.height - 1 - r : r;
    };
    auto ovlRowPtr = [&](int64_t row) {
        return Row(ovl.pixels, ovl.stride, ovlRowOf(row)) + ovlColumn * ovl.channels;
    };

    if (alpha == 1.0 && (mode == 0 || mode == 1)) {
        for (int32_t i = 0; i < rows; ++i) {
            int64_t row = rect.top + i;
            std::memmove(Row(dst.pixels, dst.stride, row) + static_cast<ptrdiff_t>(rect.left) * dst.channels,
                        ovlRowPtr(row), count * sizeof(T));
            if (progress && ISCallProgress(i, rows))
                return 14;
        }
        return 0;
    }

    constexpr size_t kEntries = static_cast<size_t>(kMax<T>) + 1;
    ModeContext<T> c;
    c.full = alpha == 1.0;
    c.threshold = SecondToThreshold(second);
    c.second = second;
    std::unique_ptr<T[]> ints;
    std::unique_ptr<double[]> reals;
    if (!c.full) {
        ints.reset(new (std::nothrow) T[2 * kEntries]);
        reals.reset(new (std::nothrow) double[2 * kEntries]);
        if (!ints || !reals)
            return 1;
        double* w0 = reals.get();
        double* w1 = w0 + kEntries;
        T* b0 = ints.get();
        T* b1 = b0 + kEntries;
        for (size_t i = 0; i < kEntries; ++i) {
            w1[i] = alpha * static_cast<double>(i);
            w0[i] = (1.0 - alpha) * static_cast<double>(i);
            b1[i] = static_cast<T>(w1[i]);
            b0[i] = static_cast<T>(w0[i]);
        }
        c.w0 = w0;
        c.w1 = w1;
        c.b0 = b0;
        c.b1 = b1;
    }

    RowFunction<T> blend = RowFunctionFor<T>(mode);
    for (int32_t i = 0; i < rows; ++i) {
        if (!blend)
            return 5;
        int64_t row = rect.top + i;
        blend(Row(dst.pixels, dst.stride, row) + static_cast<ptrdiff_t>(rect.left) * dst.channels, ovlRowPtr(row),
              count, c);
        if (progress && ISCallProgress(i, rows))
            return 14;
    }
    return 0;
}

}  // namespace

int32_t ISOverlayCore8(const ISOverlayImage<BYTE>& dst, const ISOverlayImage<const BYTE>& ovl, int32_t x, int32_t y,
                       double opacity, double second, int32_t mode, uint32_t flags, const RECT& rect)
{
    return OverlayCore<BYTE>(dst, ovl, x, y, opacity, second, mode, flags, rect);
}

int32_t ISOverlayCore16(const ISOverlayImage<uint16_t>& dst, const ISOverlayImage<const uint16_t>& ovl, int32_t x,
                        int32_t y, double opacity, double second, int32_t mode, uint32_t flags, const RECT& rect)
{
    return OverlayCore<uint16_t>(dst, ovl, x, y, opacity, second, mode, flags, rect);
}
