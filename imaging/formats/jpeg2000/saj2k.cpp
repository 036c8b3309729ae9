// Entries of the JPEG 2000 reader, its per-thread records and its format table.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "saj2k_internal.h"

namespace {

// Made once before main and never destroyed, so a thread still reading at
// exit never meets a freed record.
struct SAJ2KSettings {
    DWORD tlsIndex;
    std::vector<SAJ2KThreadRecord*> records;
    CRITICAL_SECTION lock;

    SAJ2KSettings()
    {
        tlsIndex = TlsAlloc();
        InitializeCriticalSection(&lock);
    }
};

SAJ2KSettings& Settings()
{
    static SAJ2KSettings* const settings = new SAJ2KSettings();
    return *settings;
}
// Made before main like the library's own owner, not at the first read.
SAJ2KSettings& g_saj2kSettingsAtStart = Settings();

const SAJ2KFormatEntry kSAJ2KFormats[] = {
    {0, "jp2", "JPEG-2000 JP2 File Format Syntax (ISO/IEC 15444-1)"},
    {1, "jpc", "JPEG-2000 Code Stream Syntax (ISO/IEC 15444-1)"},
};
int32_t g_saj2kFormatCount = 0;
bool g_saj2kExitCleanup = false;

void ClearFormatsAtExit() { SAJ2KCleanup(); }

}  // namespace

SAJ2KThreadRecord* SAJ2KGetThreadRecord()
{
    SAJ2KSettings* settings = &Settings();
    if (settings->tlsIndex == TLS_OUT_OF_INDEXES)
        return nullptr;
    SAJ2KThreadRecord* record = static_cast<SAJ2KThreadRecord*>(TlsGetValue(settings->tlsIndex));
    if (record)
        return record;
    record = static_cast<SAJ2KThreadRecord*>(std::calloc(1, sizeof(SAJ2KThreadRecord)));
    if (!record)
        return nullptr;
    if (!TlsSetValue(settings->tlsIndex, record)) {
        std::free(record);
        return nullptr;
    }
    EnterCriticalSection(&settings->lock);
    try {
        settings->records.push_back(record);
    } catch (...) {
        // The record still serves its thread; it is only not listed.
    }
    LeaveCriticalSection(&settings->lock);
    return record;
}

bool SAJ2KHookUsable(const ISExtHookTable& hook)
{
    return hook.size == static_cast<int32_t>(sizeof(ISExtHookTable)) && hook.read && hook.seek && hook.tell &&
           hook.getSize;
}

void SAJ2KReport(const SAJ2KThreadRecord& record, int32_t code)
{
    if (record.hook.setLastError)
        record.hook.setLastError(code);
}

bool SAJ2KProgress(const SAJ2KThreadRecord& record, int32_t done, int32_t total)
{
    if (record.liveDecoders != 1 || !record.progress)
        return false;
    return record.progress(done, total, record.progressUser) == 0;
}

int32_t SAJ2KFormatCount()
{
    EnterCriticalSection(&Settings().lock);
    int32_t count = g_saj2kFormatCount;
    LeaveCriticalSection(&Settings().lock);
    return count;
}

bool SAJ2KGetFormat(int32_t index, SAJ2KFormatEntry* entry)
{
    if (index < 0 || index >= SAJ2KFormatCount() || !entry)
        return false;
    *entry = kSAJ2KFormats[index];
    return true;
}

extern "C" {

void* SAJ2KReadImage(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, double scale,
                     uint32_t flags)
{
    SAJ2KThreadRecord* record = SAJ2KGetThreadRecord();
    if (!record)
        return nullptr;
    if (!SAJ2KHookUsable(record->hook) || !source || !width || !height || !std::isfinite(scale) || scale < 0) {
        SAJ2KReport(*record, 5);
        return nullptr;
    }
    void* pixels = nullptr;
    int32_t status;
    {
        CSAJ2K decoder(*record);
        pixels = decoder.DecodeSource(source, width, height, bitsPerPixel, scale, flags);
        status = decoder.Status();
    }
    SAJ2KReport(*record, status);
    return pixels;
}

int32_t SAJ2KSetExtHook(const ISExtHookTable* table)
{
    SAJ2KThreadRecord* record = SAJ2KGetThreadRecord();
    if (!record)
        return 0;
    if (!table || table->size != static_cast<int32_t>(sizeof(ISExtHookTable))) {
        SAJ2KReport(*record, 5);
        return 0;
    }
    std::memcpy(&record->hook, table, sizeof(ISExtHookTable));
    return 1;
}

void SAJ2KCleanup(void)
{
    EnterCriticalSection(&Settings().lock);
    g_saj2kFormatCount = 0;
    LeaveCriticalSection(&Settings().lock);
}

int32_t jas_init(void)
{
    EnterCriticalSection(&Settings().lock);
    g_saj2kFormatCount = static_cast<int32_t>(sizeof(kSAJ2KFormats) / sizeof(kSAJ2KFormats[0]));
    bool registerExit = !g_saj2kExitCleanup;
    g_saj2kExitCleanup = true;
    LeaveCriticalSection(&Settings().lock);
    if (registerExit)
        std::atexit(ClearFormatsAtExit);
    return 0;
}

}  // extern "C"
