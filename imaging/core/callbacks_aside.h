// Sets the calling thread's allocation callbacks aside for the object's
// lifetime, so that every output buffer comes from GlobalAlloc, and puts them
// back on every way out (readers that build a result from an intermediate
// picture, and the generic reader).
#pragma once

#include "frame.h"

class CISAllocCallbacksAside {
public:
    CISAllocCallbacksAside()
    {
        if ((m_state = ISGetThreadState()) != nullptr) {
            m_alloc = m_state->allocCallback;
            m_realloc = m_state->reallocCallback;
            m_free = m_state->freeCallback;
            m_user = m_state->allocUser;
            m_state->allocCallback = nullptr;
            m_state->reallocCallback = nullptr;
            m_state->freeCallback = nullptr;
            m_state->allocUser = 0;
        }
    }
    ~CISAllocCallbacksAside()
    {
        if (m_state) {
            m_state->allocCallback = m_alloc;
            m_state->reallocCallback = m_realloc;
            m_state->freeCallback = m_free;
            m_state->allocUser = m_user;
        }
    }
    CISAllocCallbacksAside(const CISAllocCallbacksAside&) = delete;
    CISAllocCallbacksAside& operator=(const CISAllocCallbacksAside&) = delete;

private:
    ISThreadState* m_state = nullptr;
    ISAllocCallback m_alloc = nullptr;
    ISReallocCallback m_realloc = nullptr;
    ISFreeCallback m_free = nullptr;
    intptr_t m_user = 0;
};
