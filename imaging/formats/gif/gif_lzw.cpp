// GIF LZW decoding: table, output stack and the sub-block bit stream.
#include "gif_lzw.h"

#include <cstring>

namespace {
constexpr uint32_t kTableSize = 4096;
constexpr uint32_t kStackSize = 8192;
}  // namespace

CISGifLzw::CISGifLzw(CISByteReader* in, uint32_t codeSize)
    : m_in(in), m_codeSize(codeSize), m_clear(1u << codeSize), m_endCode((1u << codeSize) + 1)
{
    std::memset(m_prefix, 0, sizeof(m_prefix));
    std::memset(m_suffix, 0, sizeof(m_suffix));
    Reset();
}

void CISGifLzw::Reset()
{
    m_width = m_codeSize + 1;
    m_limit = 1u << m_width;
    m_next = m_clear + 2;
    for (uint32_t i = 0; i < m_clear; ++i) {
        m_prefix[i] = 0;
        m_suffix[i] = static_cast<BYTE>(i);
    }
    m_top = 0;
}

bool CISGifLzw::NextSubBlock()
{
    if (m_terminated) {
        m_result = kEnd;
        return false;
    }
    BYTE length = 0;
    if (!m_in->Byte(&length)) {
        m_result = kShort;
        return false;
    }
    if (length == 0) {
        m_terminated = true;
        m_result = kEnd;
        return false;
    }
    if (!m_in->Read(m_block, length)) {
        m_result = kShort;
        return false;
    }
    m_blockPos = 0;
    m_blockLen = length;
    return true;
}

int32_t CISGifLzw::ReadCode()
{
    while (m_count < m_width) {
        if (m_blockPos == m_blockLen && !NextSubBlock())
            return -1;
        m_bits |= uint32_t(m_block[m_blockPos++]) << m_count;
        m_count += 8;
    }
    const int32_t code = static_cast<int32_t>(m_bits & ((1u << m_width) - 1));
    m_bits >>= m_width;
    m_count -= m_width;
    return code;
}

CISGifLzw::Result CISGifLzw::Next(BYTE* pixel)
{
    if (m_top > 0) {
        *pixel = m_stack[--m_top];
        return kPixel;
    }
    // The width holds the next free code, which may come next; this also
    // covers code size 1, whose first free code needs a wider code at once.
    while (m_started && m_next >= m_limit && m_limit < kTableSize) {
        m_limit <<= 1;
        ++m_width;
    }
    int32_t code = ReadCode();
    if (code < 0)
        return m_result;
    if (!m_started || uint32_t(code) == m_clear) {
        // Leading clear codes, or a clear inside the data: the next code
        // starts afresh and must be a pixel.
        while (uint32_t(code) == m_clear) {
            Reset();
            code = ReadCode();
            if (code < 0)
                return m_result;
        }
        if (uint32_t(code) == m_endCode)
            return kEnd;
        if (uint32_t(code) > m_clear)
            return kBroken;
        m_started = true;
        m_previous = code;
        m_first = static_cast<BYTE>(code);
        *pixel = m_first;
        return kPixel;
    }
    if (uint32_t(code) == m_endCode)
        return kEnd;

    uint32_t current = static_cast<uint32_t>(code);
    if (current >= m_next) {
        // The code being defined: its string is the previous one plus its
        // own first pixel.
        m_stack[m_top++] = m_first;
        current = static_cast<uint32_t>(m_previous);
    }
    while (current >= m_clear) {
        if (m_top >= kStackSize || m_prefix[current] == current)
            return kBroken;
        m_stack[m_top++] = m_suffix[current];
        current = m_prefix[current];
    }
    m_first = m_suffix[current];
    if (m_next >= kTableSize)
        return kBroken;
    m_stack[m_top++] = m_first;
    m_prefix[m_next] = static_cast<uint16_t>(m_previous);
    m_suffix[m_next] = m_first;
    ++m_next;
    m_previous = code;
    *pixel = m_stack[--m_top];
    return kPixel;
}
