#include "common/picturedb/picture_file.h"

#include <windows.h>

namespace {

HANDLE Win(PictureFile file)
{
    return static_cast<HANDLE>(file);
}

PictureFile Open(void*, const char* path, PictureOpenMode mode)
{
    DWORD access = GENERIC_READ, share = 0, disposition = OPEN_EXISTING, flags = FILE_FLAG_RANDOM_ACCESS;
    switch (mode) {
    case PDB_READ_SHARED: share = FILE_SHARE_READ; break;
    case PDB_READ_EXCLUSIVE: break;
    case PDB_WRITE_RECORD: access = GENERIC_WRITE; disposition = OPEN_ALWAYS; break;
    case PDB_CREATE:
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        flags |= FILE_FLAG_WRITE_THROUGH;
        break;
    }
    HANDLE h = CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool Size(void*, PictureFile file, int64_t* size)
{
    LARGE_INTEGER value;
    if (!GetFileSizeEx(Win(file), &value))
        return false;
    *size = value.QuadPart;
    return true;
}

bool Seek(PictureFile file, int64_t offset)
{
    LARGE_INTEGER to;
    to.QuadPart = offset;
    return SetFilePointerEx(Win(file), to, nullptr, FILE_BEGIN) != 0;
}

bool ReadAt(void*, PictureFile file, int64_t offset, void* buffer, uint32_t bytes, uint32_t* done)
{
    DWORD got = 0;
    bool ok = Seek(file, offset) && ReadFile(Win(file), buffer, bytes, &got, nullptr);
    *done = ok ? got : 0;
    return ok;
}

bool WriteAt(void*, PictureFile file, int64_t offset, const void* data, uint32_t bytes, uint32_t* done)
{
    DWORD put = 0;
    bool ok = Seek(file, offset) && WriteFile(Win(file), data, bytes, &put, nullptr);
    *done = ok ? put : 0;
    return ok;
}

bool Lock(void*, PictureFile file, int64_t offset, uint32_t bytes)
{
    return LockFile(Win(file), (DWORD)offset, (DWORD)((uint64_t)offset >> 32), bytes, 0) != 0;
}

void Unlock(void*, PictureFile file, int64_t offset, uint32_t bytes)
{
    UnlockFile(Win(file), (DWORD)offset, (DWORD)((uint64_t)offset >> 32), bytes, 0);
}

bool Flush(void*, PictureFile file)
{
    return FlushFileBuffers(Win(file)) != 0;
}

void Close(void*, PictureFile file)
{
    CloseHandle(Win(file));
}

bool Exists(void*, const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Copy(void*, const char* from, const char* to)
{
    return CopyFileA(from, to, FALSE) != 0;
}

bool Replace(void*, const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Remove(void*, const char* path)
{
    return DeleteFileA(path) != 0;
}

const PictureFileOps kWin32Ops = {nullptr, Open, Size, ReadAt, WriteAt, Lock, Unlock, Flush, Close, Exists, Copy,
                                  Replace, Remove};

}  // namespace

const PictureFileOps* Win32PictureFileOps()
{
    return &kWin32Ops;
}
