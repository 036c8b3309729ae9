#include "common/win/resource_source.h"

HISSRC OpenResourceSource(HMODULE module, const char* name, const char* type)
{
    if (!name || !type)
        return nullptr;
    HRSRC found = FindResourceA(module, name, type);
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(module, found);
    if (!data || size == 0 || size > 0x7FFFFFFF)
        return nullptr;
    return is5_OpenMemorySource(data, (int32_t)size);
}
