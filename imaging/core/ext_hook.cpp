// The table of source, sink, progress, allocation and error operations that
// extension modules (the JPEG 2000 reader) take from is5_GetExtHook.
#include "frame.h"
#include "io.h"

int32_t ISHookRead(HISSRC source, void* buffer, int32_t n)
{
    CISIO* io = ISFromHandle(source);
    return io ? io->ReadUpTo(buffer, n) : 0;
}

BOOL ISHookWrite(HISDEST sink, const void* buffer, int32_t n)
{
    CISIO* io = ISFromHandle(sink);
    return io ? io->Write(buffer, n, 1) : FALSE;
}

BOOL ISHookSeek(HISSRC handle, int32_t offset, int32_t origin)
{
    CISIO* io = ISFromHandle(handle);
    return io ? io->Seek(offset, origin) : FALSE;
}

BOOL ISHookTell(HISSRC handle, int32_t* position)
{
    CISIO* io = ISFromHandle(handle);
    return io ? io->Tell(position) : FALSE;
}

BOOL ISHookSize(HISSRC handle, int32_t* size)
{
    CISIO* io = ISFromHandle(handle);
    return io ? io->Size(size) : FALSE;
}

BOOL ISHookEOF(HISSRC handle)
{
    CISIO* io = ISFromHandle(handle);
    return io ? io->AtEnd() : TRUE;
}

ISExtHookTable* is5_GetExtHook(int32_t value)
{
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, "is5_GetExtHook");
    ISExtHookTable* table = static_cast<ISExtHookTable*>(GlobalAlloc(GPTR, sizeof(ISExtHookTable)));
    if (!table) {
        ISSetLastError(1, "is5_GetExtHook");
        return nullptr;
    }
    table->size = static_cast<int32_t>(sizeof(ISExtHookTable));
    table->value = value;
    table->read = ISHookRead;
    table->write = ISHookWrite;
    table->seek = ISHookSeek;
    table->tell = ISHookTell;
    table->getSize = ISHookSize;
    table->eof = ISHookEOF;
    table->getCallback = ISGetCallbackThunk;
    table->getAllocCallbacks = ISGetAllocCallbacks;
    table->setLastError = is5_SetLastErrorProxy;
    table->reserved = nullptr;
    return table;
}
