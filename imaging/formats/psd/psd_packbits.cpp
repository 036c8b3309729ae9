// PackBits rows and the table of their byte counts that precedes them.
#include <cstring>

#include "psd_reader.h"

bool CISPSDReader::UnpackBitsRow(BYTE* dest, uint32_t pixels, uint32_t step, uint32_t channel, const BYTE* source,
                                 uint32_t length)
{
    BYTE* out = dest + channel;
    uint32_t done = 0;
    uint32_t at = 0;
    while (done < pixels) {
        if (at >= length)
            return false;
        const int32_t n = static_cast<int8_t>(source[at++]);
        if (n == -128)
            continue;
        // A run that goes past the row's end is cut there.
        const uint32_t count = n >= 0 ? uint32_t(n) + 1 : uint32_t(1 - n);
        const uint32_t take = count < pixels - done ? count : pixels - done;
        if (n >= 0) {
            if (length - at < take)
                return false;
            if (step == 1) {
                std::memcpy(out, source + at, take);
            } else {
                for (uint32_t i = 0; i < take; ++i)
                    out[size_t(i) * step] = source[at + i];
            }
            at += count < length - at ? count : length - at;
        } else {
            if (at >= length)
                return false;
            const BYTE value = source[at++];
            if (step == 1) {
                std::memset(out, value, take);
            } else {
                for (uint32_t i = 0; i < take; ++i)
                    out[size_t(i) * step] = value;
            }
        }
        out += size_t(take) * step;
        done += take;
    }
    return true;
}

bool CISPSDReader::ReadCounts(uint32_t planes)
{
    const ISPsdHeader& h = m_header;
    uint64_t left = 0;
    if (!BytesLeft(&left))
        return false;
    const uint64_t tableBytes = uint64_t(h.channels) * h.height * 2;
    if (tableBytes > left)
        return Fail(3);
    // Fits: the table lies inside a source of at most 2 GB.
    const uint64_t wanted = uint64_t(planes) * h.height;
    if (!m_counts.Resize(static_cast<int32_t>(wanted)))
        return Fail(1);
    BYTE* raw = reinterpret_cast<BYTE*>(m_counts.GetData());
    if (!m_io->ReadExactly(raw, static_cast<int32_t>(wanted * 2)))
        return Fail(3);
    uint32_t largest = 0;
    for (uint64_t i = 0; i < wanted; ++i) {
        const uint16_t count = static_cast<uint16_t>((raw[2 * i] << 8) | raw[2 * i + 1]);
        m_counts[i] = count;
        largest = count > largest ? count : largest;
    }
    if (tableBytes > wanted * 2 && !m_io->Seek(static_cast<int32_t>(tableBytes - wanted * 2), 1))
        return Fail(3);
    if (!m_packed.Resize(static_cast<int32_t>(largest)))
        return Fail(1);
    return true;
}
