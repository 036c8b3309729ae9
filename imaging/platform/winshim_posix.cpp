// Linux stand-ins for the Win32 calls declared in winshim.h.
#ifndef _WIN32
#include "winshim.h"

#include <pthread.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

void InitializeCriticalSection(CRITICAL_SECTION* cs) { cs->impl = new std::recursive_mutex; }
void EnterCriticalSection(CRITICAL_SECTION* cs) { static_cast<std::recursive_mutex*>(cs->impl)->lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* cs) { static_cast<std::recursive_mutex*>(cs->impl)->unlock(); }
void DeleteCriticalSection(CRITICAL_SECTION* cs)
{
    delete static_cast<std::recursive_mutex*>(cs->impl);
    cs->impl = nullptr;
}

DWORD TlsAlloc(void)
{
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) != 0)
        return TLS_OUT_OF_INDEXES;
    return static_cast<DWORD>(key);
}
void* TlsGetValue(DWORD index) { return pthread_getspecific(static_cast<pthread_key_t>(index)); }
BOOL TlsSetValue(DWORD index, void* value) { return pthread_setspecific(static_cast<pthread_key_t>(index), value) == 0; }
BOOL TlsFree(DWORD index) { return pthread_key_delete(static_cast<pthread_key_t>(index)) == 0; }

// Each block carries its size in front, aligned like malloc's own blocks.
namespace {
constexpr size_t kHeader = 16;
SIZE_T* HeaderOf(HGLOBAL block) { return reinterpret_cast<SIZE_T*>(static_cast<char*>(block) - kHeader); }

// Picture-sized blocks are fresh mappings, and a first write to each 4 KiB
// page costs a fault that the kernel must zero: at 24 MP that was a third of
// a JPEG decode. Asking for huge pages over the aligned inside of the block
// cuts the faults 512-fold; the block stays glibc's, zero-filled as before.
void PreferHugePages(char* raw, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    if (bytes < 2 * kHuge)
        return;
    uintptr_t begin = (reinterpret_cast<uintptr_t>(raw) + kHuge - 1) & ~(kHuge - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(raw) + bytes) & ~(kHuge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // only advice: failure is harmless
#else
    (void)raw;
    (void)bytes;
#endif
}
}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (bytes > SIZE_MAX - kHeader)
        return nullptr;
    char* raw = static_cast<char*>((flags & GMEM_ZEROINIT) ? std::calloc(1, bytes + kHeader) : std::malloc(bytes + kHeader));
    if (!raw)
        return nullptr;
    PreferHugePages(raw, bytes + kHeader);
    *reinterpret_cast<SIZE_T*>(raw) = bytes;
    return raw + kHeader;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags)
{
    if (!block || bytes > SIZE_MAX - kHeader)
        return nullptr;
    SIZE_T old = *HeaderOf(block);
    char* raw = static_cast<char*>(std::realloc(HeaderOf(block), bytes + kHeader));
    if (!raw)
        return nullptr;
    PreferHugePages(raw, bytes + kHeader);
    *reinterpret_cast<SIZE_T*>(raw) = bytes;
    if ((flags & GMEM_ZEROINIT) && bytes > old)
        std::memset(raw + kHeader + old, 0, bytes - old);
    return raw + kHeader;
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    if (block)
        std::free(HeaderOf(block));
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL block) { return block ? *HeaderOf(block) : 0; }
void* GlobalLock(HGLOBAL block) { return block; }
BOOL GlobalUnlock(HGLOBAL) { return TRUE; }

void GetLocalTime(SYSTEMTIME* st)
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t;
    localtime_r(&ts.tv_sec, &t);
    st->wYear = static_cast<WORD>(t.tm_year + 1900);
    st->wMonth = static_cast<WORD>(t.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(t.tm_wday);
    st->wDay = static_cast<WORD>(t.tm_mday);
    st->wHour = static_cast<WORD>(t.tm_hour);
    st->wMinute = static_cast<WORD>(t.tm_min);
    st->wSecond = static_cast<WORD>(t.tm_sec);
    st->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}

DWORD GetLastError(void) { return static_cast<DWORD>(errno); }
DWORD GetCurrentThreadId(void) { return static_cast<DWORD>(syscall(SYS_gettid)); }

void OutputDebugStringA(const char* text)
{
    if (text)
        fputs(text, stderr);
}
#endif
