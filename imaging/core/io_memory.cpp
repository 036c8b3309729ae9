// Sources and sinks over memory blocks; the block always stays the caller's.
#include <cstring>

#include "io.h"

BOOL CISIO_Memory::OpenRead(const void* data, int32_t size)
{
    if (!data || size <= 0)
        return FALSE;
    m_data = static_cast<BYTE*>(const_cast<void*>(data));
    m_size = size;
    m_position = 0;
    m_written = 0;
    m_writable = 0;
    m_append = 0;
    m_kind = kMemory;
    return TRUE;
}

BOOL CISIO_Memory::AttachWrite(void* block, int32_t capacity, BOOL flag)
{
    if (!block || capacity <= 0)
        return FALSE;
    m_data = static_cast<BYTE*>(block);
    m_size = capacity;
    m_position = 0;
    m_written = 0;
    m_writable = 1;
    m_append = flag ? 1 : 0;
    m_kind = kMemory;
    return TRUE;
}

int32_t CISIO_Memory::ReadUpTo(void* buffer, int32_t n)
{
    if (!m_data || !buffer || n <= 0)
        return 0;
    int64_t available = int64_t(ReadableLength()) - m_position;
    if (available <= 0)
        return 0;
    int32_t take = n < available ? n : static_cast<int32_t>(available);
    std::memcpy(buffer, m_data + m_position, static_cast<size_t>(take));
    m_position += take;
    return take;
}

BOOL CISIO_Memory::Seek(int32_t offset, int32_t origin)
{
    if (!m_data)
        return FALSE;
    int64_t base;
    switch (origin) {
    case 0: base = 0; break;
    case 1: base = m_position; break;
    case 2: base = ReadableLength(); break;
    default: return FALSE;
    }
    int64_t target = base + offset;
    // Both ends included: a source moves within its data, a sink within its capacity.
    if (target < 0 || target > m_size)
        return FALSE;
    m_position = static_cast<int32_t>(target);
    if (m_writable && origin != 2 && m_position > m_written)
        m_written = m_position;
    return TRUE;
}

BOOL CISIO_Memory::Size(int32_t* size)
{
    if (!size)
        return FALSE;
    *size = ReadableLength();
    return TRUE;
}

BOOL CISIO_Memory::Tell(int32_t* position)
{
    if (!position)
        return FALSE;
    *position = m_position;
    return TRUE;
}

BOOL CISIO_Memory::AtEnd() { return m_position >= ReadableLength() ? TRUE : FALSE; }

BOOL CISIO_Memory::Write(const void* buffer, int32_t elementSize, int32_t count)
{
    // A source's block may be read-only (a resource), so only sinks write.
    if (!m_data || !m_writable || elementSize < 0 || count < 0)
        return FALSE;
    int64_t bytes = int64_t(elementSize) * count;
    if (bytes == 0)
        return TRUE;
    if (!buffer || m_position + bytes > m_size)
        return FALSE;
    std::memcpy(m_data + m_position, buffer, static_cast<size_t>(bytes));
    m_position += static_cast<int32_t>(bytes);
    if (m_position > m_written)
        m_written = m_position;
    return TRUE;
}
