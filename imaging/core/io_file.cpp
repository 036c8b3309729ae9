// Sources and sinks over files. Positions and lengths are 64-bit inside; a
// value that does not fit the 32-bit interface makes tell and size fail.
#include <sys/stat.h>

#include <climits>
#include <cstdio>

#include "io.h"

#ifdef _WIN32
#include <io.h>
#endif

namespace {

int64_t FileTell(FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return ftello(file);
#endif
}

bool FileSeek(FILE* file, int64_t offset, int whence)
{
#ifdef _WIN32
    return _fseeki64(file, offset, whence) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), whence) == 0;
#endif
}

bool FileExists(const char* path)
{
    FILE* probe = std::fopen(path, "rb");
    if (!probe)
        return false;
    std::fclose(probe);
    return true;
}

}  // namespace

CISIO_File::~CISIO_File()
{
    if (m_file)
        std::fclose(m_file);
}

BOOL CISIO_File::OpenRead(const char* path)
{
    if (!path || !*path)
        return FALSE;
    if (m_file)
        Close();
    m_file = std::fopen(path, "rb");
    if (!m_file)
        return FALSE;
    m_kind = kFile;
    m_writable = 0;
    m_append = 0;
    m_path = path;
    return TRUE;
}

BOOL CISIO_File::OpenWrite(const char* path, bool append)
{
    if (!path || !*path)
        return FALSE;
    if (m_file)
        Close();
    if (append && !FileExists(path)) {
        FILE* created = std::fopen(path, "w");
        if (!created)
            return FALSE;
        std::fclose(created);
    }
    m_file = std::fopen(path, append ? "rb+" : "wb+");
    if (!m_file)
        return FALSE;
    m_kind = kFile;
    m_writable = 1;
    m_append = append ? 1 : 0;
    m_path = path;
    return TRUE;
}

int32_t CISIO_File::ReadUpTo(void* buffer, int32_t n)
{
    if (!m_file || !buffer || n <= 0)
        return 0;
    return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(n), m_file));
}

BOOL CISIO_File::Seek(int32_t offset, int32_t origin)
{
    if (!m_file)
        return FALSE;
    int whence;
    switch (origin) {
    case 0: whence = SEEK_SET; break;
    case 1: whence = SEEK_CUR; break;
    case 2: whence = SEEK_END; break;
    default: return FALSE;
    }
    return FileSeek(m_file, offset, whence) ? TRUE : FALSE;
}

int64_t CISIO_File::Length()
{
    if (!m_file)
        return -1;
    if (m_writable)
        std::fflush(m_file);
#ifdef _WIN32
    return _filelengthi64(_fileno(m_file));
#else
    struct stat info;
    if (fstat(fileno(m_file), &info) != 0)
        return -1;
    return static_cast<int64_t>(info.st_size);
#endif
}

BOOL CISIO_File::Size(int32_t* size)
{
    if (size)
        *size = 0;
    int64_t length = Length();
    if (!size || length < 0 || length > INT32_MAX)
        return FALSE;
    *size = static_cast<int32_t>(length);
    return TRUE;
}

BOOL CISIO_File::Tell(int32_t* position)
{
    if (position)
        *position = 0;
    if (!m_file || !position)
        return FALSE;
    int64_t at = FileTell(m_file);
    if (at < 0 || at > INT32_MAX)
        return FALSE;
    *position = static_cast<int32_t>(at);
    return TRUE;
}

BOOL CISIO_File::AtEnd()
{
    if (!m_file)
        return TRUE;
    int64_t length = Length();
    int64_t at = FileTell(m_file);
    if (length < 0 || at < 0)
        return TRUE;
    return at >= length ? TRUE : FALSE;
}

BOOL CISIO_File::Write(const void* buffer, int32_t elementSize, int32_t count)
{
    if (!m_file || !m_writable || elementSize < 0 || count < 0)
        return FALSE;
    if (elementSize == 0 || count == 0)
        return TRUE;
    if (!buffer)
        return FALSE;
    size_t written = std::fwrite(buffer, static_cast<size_t>(elementSize), static_cast<size_t>(count), m_file);
    return written == static_cast<size_t>(count) ? TRUE : FALSE;
}

BOOL CISIO_File::Close()
{
    CISIO::Close();
    if (!m_file)
        return FALSE;
    int result = std::fclose(m_file);
    m_file = nullptr;
    return result == 0 ? TRUE : FALSE;
}
