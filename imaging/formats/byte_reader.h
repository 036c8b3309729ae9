// Buffered reads from a source for decoders that take a byte or a short
// block at a time: one source call per few kilobytes, not per byte.
#pragma once

#include <cstdint>
#include <cstring>

#include "../core/io.h"

class CISByteReader {
public:
    explicit CISByteReader(CISIO* io) : m_io(io) {}

    // False at the end of the source.
    bool Byte(BYTE* out)
    {
        if (m_pos == m_end && !Fill())
            return false;
        *out = m_buffer[m_pos++];
        return true;
    }

    // False when fewer than n bytes remain (what came is in out).
    bool Read(BYTE* out, uint32_t n)
    {
        while (n > 0) {
            if (m_pos == m_end && !Fill())
                return false;
            const uint32_t take = n < m_end - m_pos ? n : m_end - m_pos;
            std::memcpy(out, m_buffer + m_pos, take);
            m_pos += take;
            out += take;
            n -= take;
        }
        return true;
    }

private:
    bool Fill()
    {
        if (m_eof)
            return false;
        const int32_t got = m_io->ReadUpTo(m_buffer, sizeof(m_buffer));
        m_pos = 0;
        m_end = got > 0 ? static_cast<uint32_t>(got) : 0;
        if (m_end == 0)
            m_eof = true;
        return m_end != 0;
    }

    CISIO* m_io;
    BYTE m_buffer[8192];
    uint32_t m_pos = 0;
    uint32_t m_end = 0;
    bool m_eof = false;
};
