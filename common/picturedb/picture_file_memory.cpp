#include "common/picturedb/picture_file_memory.h"

#include <algorithm>
#include <cstring>

namespace {

MemoryPictureFiles* Files(void* context)
{
    return static_cast<MemoryPictureFiles*>(context);
}

MemoryPictureHandle* Handle(PictureFile file)
{
    return static_cast<MemoryPictureHandle*>(file);
}

// Counts a failable step; false when it is the one chosen to fail.
bool Step(MemoryPictureFiles* files)
{
    return ++files->steps != files->failAt;
}

// Whether an open handle keeps others out: only shared readers admit others.
bool InUse(MemoryPictureFiles* files, const std::string& path, bool byReaderOnly)
{
    for (MemoryPictureHandle* h : files->handles)
        if (h->path == path && (!byReaderOnly || h->mode != PDB_READ_SHARED))
            return true;
    return false;
}

PictureFile Open(void* context, const char* path, PictureOpenMode mode)
{
    MemoryPictureFiles* files = Files(context);
    if (!Step(files))
        return nullptr;
    bool exists = files->files.count(path) != 0;
    if ((mode == PDB_READ_SHARED || mode == PDB_READ_EXCLUSIVE) && !exists)
        return nullptr;
    if (InUse(files, path, mode == PDB_READ_SHARED))
        return nullptr;
    if (mode == PDB_CREATE || !exists)
        files->files[path].clear();
    MemoryPictureHandle* h = new MemoryPictureHandle{path, mode};
    files->handles.push_back(h);
    return h;
}

bool Size(void* context, PictureFile file, int64_t* size)
{
    MemoryPictureFiles* files = Files(context);
    if (!Step(files))
        return false;
    *size = (int64_t)files->files[Handle(file)->path].size();
    return true;
}

bool ReadAt(void* context, PictureFile file, int64_t offset, void* buffer, uint32_t bytes, uint32_t* done)
{
    MemoryPictureFiles* files = Files(context);
    *done = 0;
    MemoryPictureHandle* h = Handle(file);
    if (h->mode != PDB_READ_SHARED && h->mode != PDB_READ_EXCLUSIVE)
        return false;
    const std::vector<uint8_t>& data = files->files[h->path];
    uint32_t n = 0;
    if (offset >= 0 && (uint64_t)offset < data.size())
        n = (uint32_t)std::min<uint64_t>(bytes, data.size() - (uint64_t)offset);
    if (!Step(files)) {
        // A failing read may still have filled part of the buffer.
        if (n / 2)
            memcpy(buffer, data.data() + offset, n / 2);
        return false;
    }
    if (n)
        memcpy(buffer, data.data() + offset, n);
    *done = n;
    return true;
}

bool WriteAt(void* context, PictureFile file, int64_t offset, const void* data, uint32_t bytes, uint32_t* done)
{
    MemoryPictureFiles* files = Files(context);
    *done = 0;
    MemoryPictureHandle* h = Handle(file);
    if ((h->mode != PDB_WRITE_RECORD && h->mode != PDB_CREATE) || offset < 0 || offset > (1 << 30))
        return false;
    std::vector<uint8_t>& target = files->files[h->path];
    // A failing write may still have written its first half.
    uint32_t n = Step(files) ? bytes : bytes / 2;
    if (target.size() < (uint64_t)offset + n)
        target.resize((size_t)offset + n);
    if (n)
        memcpy(target.data() + offset, data, n);
    *done = n;
    return n == bytes;
}

bool Lock(void* context, PictureFile, int64_t, uint32_t)
{
    return Step(Files(context));
}

void Unlock(void*, PictureFile, int64_t, uint32_t) {}

bool Flush(void* context, PictureFile)
{
    return Step(Files(context));
}

void Close(void* context, PictureFile file)
{
    MemoryPictureFiles* files = Files(context);
    auto at = std::find(files->handles.begin(), files->handles.end(), Handle(file));
    if (at != files->handles.end()) {
        delete *at;
        files->handles.erase(at);
    }
}

bool Exists(void* context, const char* path)
{
    return Files(context)->files.count(path) != 0;
}

bool Copy(void* context, const char* from, const char* to)
{
    MemoryPictureFiles* files = Files(context);
    if (!Step(files) || !files->files.count(from) || InUse(files, from, true) || InUse(files, to, false))
        return false;
    files->files[to] = files->files[from];
    return true;
}

bool Replace(void* context, const char* from, const char* to)
{
    MemoryPictureFiles* files = Files(context);
    if (!Step(files) || !files->files.count(from) || InUse(files, from, false) || InUse(files, to, false))
        return false;
    std::vector<uint8_t> data = files->files[from];
    files->files.erase(from);
    files->files[to] = data;
    return true;
}

bool Remove(void* context, const char* path)
{
    MemoryPictureFiles* files = Files(context);
    if (InUse(files, path, false))
        return false;
    return files->files.erase(path) != 0;
}

}  // namespace

void InitMemoryPictureFiles(MemoryPictureFiles* files)
{
    files->ops = PictureFileOps{files, Open, Size, ReadAt, WriteAt, Lock, Unlock, Flush, Close, Exists, Copy,
                                Replace, Remove};
}

void FreeMemoryPictureFiles(MemoryPictureFiles* files)
{
    for (MemoryPictureHandle* h : files->handles)
        delete h;
    files->handles.clear();
}
