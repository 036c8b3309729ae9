// Checks and buffers of the shared reader-entry frame.
#include "reader_entry.h"

BYTE* CISReadCall::Allocate(uint64_t bytes)
{
    m_out.Free();
    if (bytes > ISMaxAlloc())
        throw ISException("Image too large", 1);
    if (!m_out.Alloc(bytes))
        throw ISException("Out of memory", 1);
    return m_out.GetData();
}

bool ISDepthOffered(uint32_t depth, std::initializer_list<uint32_t> depths)
{
    for (uint32_t offered : depths)
        if (offered == depth)
            return true;
    return false;
}
