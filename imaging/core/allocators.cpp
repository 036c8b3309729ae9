// Output and internal allocators.
#include <atomic>

#include "buffers.h"
#include "frame.h"

namespace {
std::atomic<uint64_t> gMaxAlloc{kISMaxAlloc};

bool WithinLimit(uint64_t bytes) { return bytes != 0 && bytes <= ISMaxAlloc(); }
}  // namespace

uint64_t ISMaxAlloc() { return gMaxAlloc.load(std::memory_order_relaxed); }

void ISSetMaxAlloc(uint64_t bytes)
{
    gMaxAlloc.store(bytes == 0 || bytes > kISMaxAlloc ? kISMaxAlloc : bytes, std::memory_order_relaxed);
}

BOOL CISOutBufAllocator::Alloc(uint64_t bytes)
{
    // Forget, not free: a previous buffer may already belong to a caller.
    m_callbackOwned = 0;
    m_block = nullptr;
    m_data = nullptr;
    if (!WithinLimit(bytes))
        return FALSE;
    ISThreadState* state = ISGetThreadState();
    if (state && state->allocCallback) {
        m_data = state->allocCallback(static_cast<intptr_t>(bytes), state->allocUser);
        m_callbackOwned = m_data ? 1 : 0;
        return m_data ? TRUE : FALSE;
    }
    m_block = GlobalAlloc(GPTR, static_cast<SIZE_T>(bytes));
    m_data = m_block;
    return m_data ? TRUE : FALSE;
}

BOOL CISOutBufAllocator::Realloc(uint64_t bytes)
{
    if (!m_data)
        return Alloc(bytes);
    if (!WithinLimit(bytes))
        return FALSE;
    if (m_callbackOwned) {
        ISThreadState* state = ISGetThreadState();
        if (!state || !state->reallocCallback)
            return FALSE;
        void* grown = state->reallocCallback(m_data, static_cast<intptr_t>(bytes), state->allocUser);
        if (!grown)
            return FALSE;
        m_data = grown;
        return TRUE;
    }
    HGLOBAL grown = GlobalReAlloc(m_block, static_cast<SIZE_T>(bytes), GMEM_MOVEABLE);
    if (!grown)
        return FALSE;
    m_block = grown;
    m_data = grown;
    return TRUE;
}

BOOL CISOutBufAllocator::Free()
{
    BOOL result = TRUE;
    if (m_callbackOwned) {
        ISThreadState* state = ISGetThreadState();
        result = state && state->freeCallback && state->freeCallback(m_data, state->allocUser) == 1 ? TRUE : FALSE;
    } else if (m_block) {
        GlobalFree(m_block);
    }
    m_callbackOwned = 0;
    m_block = nullptr;
    m_data = nullptr;
    return result;
}

void CISOutBufAllocator::TakeOver(CISOutBufAllocator& other)
{
    if (&other == this || other.m_data == m_data)
        return;
    Free();
    m_callbackOwned = other.m_callbackOwned;
    m_block = other.m_block;
    m_data = other.m_data;
    other.m_callbackOwned = 0;
    other.m_block = nullptr;
    other.m_data = nullptr;
}

void* CISOutBufAllocator::GetBuffer() const { return m_callbackOwned ? m_data : m_block; }

void* CISOutBufAllocator::Release()
{
    void* buffer = GetBuffer();
    m_callbackOwned = 0;
    m_block = nullptr;
    m_data = nullptr;
    return buffer;
}

BOOL CISInternalAllocator::Alloc(uint64_t bytes)
{
    Free();
    if (!WithinLimit(bytes))
        return FALSE;
    m_block = GlobalAlloc(GPTR, static_cast<SIZE_T>(bytes));
    m_data = m_block;
    return m_data ? TRUE : FALSE;
}

BOOL CISInternalAllocator::Realloc(uint64_t bytes)
{
    if (!m_block)
        return Alloc(bytes);
    if (!WithinLimit(bytes))
        return FALSE;
    HGLOBAL grown = GlobalReAlloc(m_block, static_cast<SIZE_T>(bytes), GMEM_MOVEABLE);
    if (!grown)
        return FALSE;
    m_block = grown;
    m_data = grown;
    return TRUE;
}

BOOL CISInternalAllocator::Free()
{
    if (m_block)
        GlobalFree(m_block);
    m_callbackOwned = 0;
    m_block = nullptr;
    m_data = nullptr;
    return TRUE;
}
