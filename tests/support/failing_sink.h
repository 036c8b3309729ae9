// A library destination over a file that takes only its first bytes and then
// refuses every write, as a disk that fills up part way does.
#pragma once

#include <cstdint>
#include <new>

#include "imaging/core/io.h"
#include "imaging/is5.h"

namespace vt {

class FailingFileSink : public CISIO_File {
public:
    explicit FailingFileSink(int64_t budget) : m_left(budget) {}

    BOOL Write(const void* buffer, int32_t elementSize, int32_t count) override
    {
        int64_t bytes = int64_t(elementSize) * count;
        if (elementSize < 0 || count < 0 || bytes > m_left) {
            m_left = 0;
            return FALSE;
        }
        m_left -= bytes;
        return CISIO_File::Write(buffer, elementSize, count);
    }

private:
    int64_t m_left;
};

// A sink in place of is5_OpenFileDest(path, 0); is5_CloseDest closes and frees it.
inline HISDEST OpenFailingFileSink(const char* path, int64_t budget)
{
    FailingFileSink* sink = new (std::nothrow) FailingFileSink(budget);
    if (!sink)
        return nullptr;
    if (!sink->OpenWrite(path, false)) {
        delete sink;
        return nullptr;
    }
    return reinterpret_cast<HISDEST>(static_cast<CISIO*>(sink));
}

}  // namespace vt
