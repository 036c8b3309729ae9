// Small metafiles built byte by byte, for the parse tests and the fuzz seeds.
#pragma once

#include <cstdint>
#include <vector>

namespace mt {

inline void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
inline void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    Put16(v, at, x & 0xFFFF);
    Put16(v, at + 2, x >> 16);
}

// A WMF: 18-byte header, one rectangle record (7 words), the end record.
inline std::vector<uint8_t> Wmf()
{
    std::vector<uint8_t> v(18 + 14 + 6);
    Put16(v, 0, 1);
    Put16(v, 2, 9);
    Put16(v, 4, 0x300);
    Put32(v, 6, uint32_t(v.size() / 2));
    Put32(v, 12, 7);
    Put32(v, 18, 7);
    Put16(v, 22, 0x041B);  // META_RECTANGLE bottom, right, top, left
    Put16(v, 24, 100);
    Put16(v, 26, 100);
    Put16(v, 28, 10);
    Put16(v, 30, 10);
    Put32(v, 32, 3);
    Put16(v, 36, 0);
    return v;
}

// The 22-byte placeable header (checksum over its first ten words), then a WMF.
inline std::vector<uint8_t> Placeable(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t unitsPerInch,
                                      const std::vector<uint8_t>& wmf = Wmf())
{
    std::vector<uint8_t> v(22 + wmf.size());
    for (size_t i = 0; i < wmf.size(); ++i)
        v[22 + i] = wmf[i];
    Put32(v, 0, 0x9AC6CDD7u);
    Put16(v, 6, uint16_t(left));
    Put16(v, 8, uint16_t(top));
    Put16(v, 10, uint16_t(right));
    Put16(v, 12, uint16_t(bottom));
    Put16(v, 14, unitsPerInch);
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= uint16_t(v[2 * i] | (v[2 * i + 1] << 8));
    Put16(v, 20, sum);
    return v;
}

// An EMF: the 88-byte header record, then the end record.
inline std::vector<uint8_t> Emf(int32_t frameRight, int32_t frameBottom, int32_t deviceCx, int32_t deviceCy,
                                int32_t mmCx, int32_t mmCy)
{
    std::vector<uint8_t> v(88 + 20);
    Put32(v, 0, 1);
    Put32(v, 4, 88);
    Put32(v, 32, uint32_t(frameRight));
    Put32(v, 36, uint32_t(frameBottom));
    Put32(v, 40, 0x464D4520u);
    Put32(v, 44, 0x10000);
    Put32(v, 48, uint32_t(v.size()));
    Put32(v, 52, 2);
    Put16(v, 56, 1);
    Put32(v, 72, uint32_t(deviceCx));
    Put32(v, 76, uint32_t(deviceCy));
    Put32(v, 80, uint32_t(mmCx));
    Put32(v, 84, uint32_t(mmCy));
    Put32(v, 88, 14);  // EMR_EOF
    Put32(v, 92, 20);
    Put32(v, 100, 16);
    Put32(v, 104, 20);
    return v;
}

}  // namespace mt
