// A library destination over a block of its own, for tests that write to memory.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/core/io.h"
#include "imaging/is5.h"

namespace vt {

class MemorySink {
public:
    explicit MemorySink(int32_t capacity) : m_block(static_cast<size_t>(capacity))
    {
        m_io.AttachWrite(m_block.data(), capacity, FALSE);
    }
    HISDEST Handle() { return reinterpret_cast<HISDEST>(static_cast<CISIO*>(&m_io)); }
    std::vector<uint8_t> Written()
    {
        int32_t size = 0;
        m_io.Size(&size);
        return std::vector<uint8_t>(m_block.begin(), m_block.begin() + size);
    }

private:
    std::vector<uint8_t> m_block;
    CISIO_Memory m_io;
};

}  // namespace vt
