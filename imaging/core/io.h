// Data sources and sinks over files and memory blocks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "../is5.h"
#include "../platform/winshim.h"

class CISIO {
public:
    enum Kind { kClosed = 0, kFile = 1, kMemory = 2 };
    virtual ~CISIO() = default;

    // TRUE only when all n bytes came.
    BOOL ReadExactly(void* buffer, int32_t n) { return n >= 0 && ReadUpTo(buffer, n) == n; }
    // The bytes actually read; 0 at the end or for n <= 0.
    virtual int32_t ReadUpTo(void* buffer, int32_t n) = 0;
    // origin 0 = start, 1 = current, 2 = end.
    virtual BOOL Seek(int32_t offset, int32_t origin) = 0;
    BOOL Rewind() { return Seek(0, 0); }
    virtual BOOL Size(int32_t* size) = 0;
    virtual BOOL Tell(int32_t* position) = 0;
    // TRUE exactly when the position is at or past the readable length.
    virtual BOOL AtEnd() = 0;
    virtual BOOL Write(const void* buffer, int32_t elementSize, int32_t count) = 0;
    BOOL WriteBytes(const void* buffer, int32_t n) { return Write(buffer, 1, n); }
    virtual BOOL Close()
    {
        m_kind = kClosed;
        return TRUE;
    }
    virtual const char* Name() const = 0;
    virtual BOOL IsValid() const { return m_kind != kClosed; }

    int32_t Kind() const { return m_kind; }
    bool IsWritable() const { return m_writable != 0; }

protected:
    int32_t m_kind = kClosed;
    BYTE m_writable = 0;
    BYTE m_append = 0;
};

class CISIO_File : public CISIO {
public:
    ~CISIO_File() override;
    BOOL OpenRead(const char* path);
    // Without append the file is created or truncated; with it an existing
    // file keeps its bytes and writing starts at offset 0.
    BOOL OpenWrite(const char* path, bool append);

    int32_t ReadUpTo(void* buffer, int32_t n) override;
    BOOL Seek(int32_t offset, int32_t origin) override;
    BOOL Size(int32_t* size) override;
    BOOL Tell(int32_t* position) override;
    BOOL AtEnd() override;
    BOOL Write(const void* buffer, int32_t elementSize, int32_t count) override;
    BOOL Close() override;
    const char* Name() const override { return m_path.c_str(); }
    BOOL IsValid() const override { return m_kind != kClosed && m_file != nullptr; }

private:
    int64_t Length();

    FILE* m_file = nullptr;
    std::string m_path;
};

class CISIO_Memory : public CISIO {
public:
    BOOL OpenRead(const void* data, int32_t size);
    BOOL AttachWrite(void* block, int32_t capacity, BOOL flag);

    int32_t ReadUpTo(void* buffer, int32_t n) override;
    BOOL Seek(int32_t offset, int32_t origin) override;
    BOOL Size(int32_t* size) override;
    BOOL Tell(int32_t* position) override;
    BOOL AtEnd() override;
    BOOL Write(const void* buffer, int32_t elementSize, int32_t count) override;
    const char* Name() const override { return "[Memory]"; }
    BOOL IsValid() const override { return m_kind == kMemory && m_data != nullptr && m_size != 0; }

private:
    int32_t ReadableLength() const { return m_writable ? m_written : m_size; }

    BYTE* m_data = nullptr;
    int32_t m_size = 0;  // a source's length, a sink's capacity
    int32_t m_position = 0;
    int32_t m_written = 0;
};

// The public handles are CISIO objects.
inline CISIO* ISFromHandle(HISSRC handle) { return reinterpret_cast<CISIO*>(handle); }
inline HISSRC ISToHandle(CISIO* io) { return reinterpret_cast<HISSRC>(io); }

// The checks every entry on a source or sink begins with: reports 0 under
// `name`, then 5 for a null handle or a missing required argument, 38 for a
// closed one. Null when a check failed (already reported) or the thread has
// no state (nothing reported).
CISIO* ISBeginEntry(const char* name, HISSRC handle, bool requiredGiven);
