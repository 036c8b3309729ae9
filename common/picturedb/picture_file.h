// The small file interface under the picture database: Win32 files in the
// program, in-memory files in tests and fuzzing, where any step can fail.
#pragma once

#include <cstdint>

enum PictureOpenMode {
    PDB_READ_SHARED,      // read, others may read, file must exist
    PDB_READ_EXCLUSIVE,   // read, unshared, file must exist
    PDB_WRITE_RECORD,     // write, unshared, opened or created
    PDB_CREATE,           // write, unshared, made empty, written through
};

typedef void* PictureFile;

struct PictureFileOps {
    void* context;
    PictureFile (*open)(void* context, const char* path, PictureOpenMode mode);   // NULL on failure
    bool (*size)(void* context, PictureFile file, int64_t* size);
    bool (*readAt)(void* context, PictureFile file, int64_t offset, void* buffer, uint32_t bytes, uint32_t* done);
    bool (*writeAt)(void* context, PictureFile file, int64_t offset, const void* data, uint32_t bytes,
                    uint32_t* done);
    bool (*lock)(void* context, PictureFile file, int64_t offset, uint32_t bytes);
    void (*unlock)(void* context, PictureFile file, int64_t offset, uint32_t bytes);
    bool (*flush)(void* context, PictureFile file);
    void (*close)(void* context, PictureFile file);
    bool (*exists)(void* context, const char* path);
    bool (*copy)(void* context, const char* from, const char* to);      // overwrites `to`
    bool (*replace)(void* context, const char* from, const char* to);   // one atomic rename over `to`
    bool (*remove)(void* context, const char* path);
};

// Win32 files (CreateFileA, LockFile, MoveFileExA with write-through).
#ifdef _WIN32
const PictureFileOps* Win32PictureFileOps();
#endif
