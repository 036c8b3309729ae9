// Interface entries that open, seek and close sources and sinks.
#include <new>

#include "frame.h"
#include "io.h"

HISSRC is5_OpenFileSource(const char* path)
{
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, "is5_OpenFileSource");
    CISIO_File* file = new (std::nothrow) CISIO_File;
    if (!file) {
        ISSetLastError(1, "is5_OpenFileSource");
        return nullptr;
    }
    if (!file->OpenRead(path)) {
        delete file;
        ISSetLastError(2, "is5_OpenFileSource");
        return nullptr;
    }
    return ISToHandle(file);
}

HISSRC is5_OpenMemorySource(const void* data, int32_t size)
{
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, "is5_OpenMemorySource");
    if (!data || size <= 0) {
        ISSetLastError(5, "is5_OpenMemorySource");
        return nullptr;
    }
    CISIO_Memory* memory = new (std::nothrow) CISIO_Memory;
    if (!memory) {
        ISSetLastError(1, "is5_OpenMemorySource");
        return nullptr;
    }
    memory->OpenRead(data, size);
    return ISToHandle(memory);
}

CISIO* ISBeginEntry(const char* name, HISSRC handle, bool requiredGiven)
{
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, name);
    if (!handle || !requiredGiven) {
        ISSetLastError(5, name);
        return nullptr;
    }
    CISIO* io = ISFromHandle(handle);
    if (!io->IsValid()) {
        ISSetLastError(38, name);
        return nullptr;
    }
    return io;
}

BOOL is5_Seek(HISSRC source, int32_t offset, int32_t origin)
{
    CISIO* io = ISBeginEntry("is5_Seek", source, true);
    return io ? io->Seek(offset, origin) : FALSE;
}

int32_t is5_CloseSource(HISSRC source)
{
    if (!ISGetThreadState())
        return 0;
    ISSetLastError(0, "is5_CloseSource");
    CISIO* io = ISFromHandle(source);
    if (!io) {
        ISSetLastError(5, "is5_CloseSource");
        return 0;
    }
    int32_t position = 0;
    io->Tell(&position);
    io->Close();
    delete io;
    return position;
}

HISDEST is5_OpenFileDest(const char* path, uint32_t append)
{
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, "is5_OpenFileDest");
    CISIO_File* file = new (std::nothrow) CISIO_File;
    if (!file) {
        ISSetLastError(1, "is5_OpenFileDest");
        return nullptr;
    }
    if (!file->OpenWrite(path, append != 0)) {
        delete file;
        ISSetLastError(2, "is5_OpenFileDest");
        return nullptr;
    }
    return ISToHandle(file);
}

int32_t is5_CloseDest(HISDEST sink)
{
    if (!ISGetThreadState())
        return 0;
    ISSetLastError(0, "is5_CloseDest");
    CISIO* io = ISFromHandle(sink);
    if (!io) {
        ISSetLastError(5, "is5_CloseDest");
        return 0;
    }
    int32_t size = 0;
    io->Size(&size);
    io->Close();
    delete io;
    return size;
}
