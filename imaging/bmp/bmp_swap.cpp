// Red and blue exchanged while rows are copied between the caller's order
// (R,G,B) and the file's (B,G,R); the hot loop of 24-bit reads and writes.
#include <cstring>

#include "bmp.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <tmmintrin.h>
#define IS_BMP_SSSE3 1
#endif

namespace {

// Eight pixels as three 64-bit words: in byte j of the group, j % 3 == 0
// takes byte j + 2 and j % 3 == 2 byte j - 2.
size_t Swap24Words(const BYTE* source, BYTE* target, size_t count)
{
    size_t i = 0;
    for (; i + 8 <= count; i += 8, source += 24, target += 24) {
        uint64_t w0, w1, w2;
        std::memcpy(&w0, source, 8);
        std::memcpy(&w1, source + 8, 8);
        std::memcpy(&w2, source + 16, 8);
        const uint64_t o0 = (w0 & 0xFF0000FF0000FF00ull) | ((w0 >> 16) & 0xFF0000FFull) |
                            ((w1 << 48) & 0xFF000000000000ull) | ((w0 << 16) & 0xFF0000FF0000ull);
        const uint64_t o1 = (w1 & 0xFF0000FF0000ull) | ((w1 >> 16) & 0xFF0000FF00ull) |
                            ((w2 << 48) & 0xFF00000000000000ull) | ((w1 << 16) & 0xFF0000FF000000ull) |
                            ((w0 >> 48) & 0xFFull);
        const uint64_t o2 = (w2 & 0xFF0000FF0000FFull) | ((w2 >> 16) & 0xFF0000FF0000ull) |
                            ((w2 << 16) & 0xFF0000FF00000000ull) | ((w1 >> 48) & 0xFF00ull);
        std::memcpy(target, &o0, 8);
        std::memcpy(target + 8, &o1, 8);
        std::memcpy(target + 16, &o2, 8);
    }
    return i;
}

#ifdef IS_BMP_SSSE3
// Four pixels per 16-byte load; the store's last four bytes are the next
// group's source bytes as they are (the same bytes when working in place),
// rewritten by the next step, so the loop keeps 16 bytes inside the row.
__attribute__((target("ssse3"))) size_t Swap24Ssse3(const BYTE* source, BYTE* target, size_t count)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
    size_t i = 0;
    for (; 3 * i + 16 <= 3 * count; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 3 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 3 * i), _mm_shuffle_epi8(v, order));
    }
    return i;
}

bool HasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

void ISBmpCopySwap24(const BYTE* source, BYTE* target, size_t count)
{
    size_t i;
#ifdef IS_BMP_SSSE3
    if (HasSsse3())
        i = Swap24Ssse3(source, target, count);
    else
#endif
        i = Swap24Words(source, target, count);
    source += 3 * i;
    target += 3 * i;
    for (; i < count; ++i, source += 3, target += 3) {
        const BYTE first = source[0], middle = source[1], last = source[2];
        target[0] = last;
        target[1] = middle;
        target[2] = first;
    }
}

void ISBmpCopySwap32(const BYTE* source, BYTE* target, size_t count)
{
    for (size_t i = 0; i < count; ++i, source += 4, target += 4) {
        uint32_t p;
        std::memcpy(&p, source, 4);
        p = (p & 0xFF00FF00u) | ((p >> 16) & 0xFF) | ((p & 0xFF) << 16);
        std::memcpy(target, &p, 4);
    }
}
