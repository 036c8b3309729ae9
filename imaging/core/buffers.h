// Output allocators, temporary arrays and image views.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "../is5.h"
#include "../platform/winshim.h"

// The largest block the allocators ask for.
constexpr uint64_t kISMaxAlloc = IS5_MAX_ALLOC;

// The limit in force for every block of an image: kISMaxAlloc unless the
// process lowered it (fuzz harnesses cap what a header may claim with it).
// Readers check sizes against it before they or their codecs allocate.
uint64_t ISMaxAlloc();
// Lowers the limit for the whole process; 0 or anything above kISMaxAlloc
// restores kISMaxAlloc.
void ISSetMaxAlloc(uint64_t bytes);

// Buffers that outlive the operation: GlobalAlloc (zero-filled) or the
// application's allocation callbacks. The destructor does not free: the
// buffer belongs to whoever took it.
class CISOutBufAllocator {
public:
    virtual ~CISOutBufAllocator() = default;
    virtual BOOL Alloc(uint64_t bytes);
    virtual BOOL Realloc(uint64_t bytes);
    virtual BOOL Free();
    void TakeOver(CISOutBufAllocator& other);
    void* GetBuffer() const;
    BYTE* GetData() const { return static_cast<BYTE*>(m_data); }
    // Hands the buffer to the caller; the allocator forgets it.
    void* Release();

protected:
    BYTE m_callbackOwned = 0;
    HGLOBAL m_block = nullptr;
    void* m_data = nullptr;
};

// Buffers the library frees itself.
class CISInternalAllocator : public CISOutBufAllocator {
public:
    ~CISInternalAllocator() override { Free(); }
    BOOL Alloc(uint64_t bytes) override;
    BOOL Realloc(uint64_t bytes) override;
    BOOL Free() override;
};

// A temporary array; Resize(n) with n equal to the count keeps the contents,
// otherwise the contents are lost. A failed Resize leaves the array empty.
template <typename T>
class ISArray {
public:
    ISArray() = default;
    explicit ISArray(int32_t n) { Resize(n); }
    ~ISArray() { delete[] m_data; }
    ISArray(const ISArray&) = delete;
    ISArray& operator=(const ISArray&) = delete;

    bool Resize(int32_t n)
    {
        if (n == m_count && m_data)
            return true;
        Clear();
        if (n <= 0)
            return n == 0;
        if (static_cast<uint64_t>(n) * sizeof(T) >= (uint64_t(1) << 32))
            return false;
        m_data = new (std::nothrow) T[static_cast<size_t>(n)];
        if (!m_data)
            return false;
        m_count = n;
        return true;
    }
    void Clear()
    {
        delete[] m_data;
        m_data = nullptr;
        m_count = 0;
    }
    void Fill(const T& value)
    {
        for (int32_t i = 0; i < m_count; ++i)
            m_data[i] = value;
    }
    bool Assign(const T* values, int32_t n)
    {
        if (!Resize(n))
            return false;
        for (int32_t i = 0; i < n; ++i)
            m_data[i] = values[i];
        return true;
    }
    T* GetData() { return m_data; }
    const T* GetData() const { return m_data; }
    int32_t Count() const { return m_count; }
    T& operator[](size_t i) { return m_data[i]; }
    const T& operator[](size_t i) const { return m_data[i]; }

private:
    int32_t m_count = 0;
    T* m_data = nullptr;
};

// A view over the caller's pixels; nothing is copied. Stride in bytes.
template <typename T>
struct CISImgView {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;
    size_t stride = 0;
    T* pixels = nullptr;

    T* Row(uint32_t y) const { return reinterpret_cast<T*>(reinterpret_cast<uintptr_t>(pixels) + y * stride); }
};
