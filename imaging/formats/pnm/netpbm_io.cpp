// The stream table over a CISIO source and the C stream shims.
#include "netpbm_io.h"

#include <cstdarg>
#include <cstdio>

#include "../../core/frame.h"

namespace {

CISIO* Io(void* source) { return static_cast<CISIO*>(source); }

int TableGetc(void* source)
{
    BYTE b = 0;
    if (!source || !Io(source)->ReadExactly(&b, 1))
        return -1;
    return b;
}

int TablePutc(void* source, int byte)
{
    const BYTE b = static_cast<BYTE>(byte);
    return source && Io(source)->WriteBytes(&b, 1) ? b : -1;
}

int32_t TableWrite(void* source, const void* buffer, int32_t count)
{
    return source && Io(source)->WriteBytes(buffer, count) ? count : 0;
}

int32_t TableRead(void* source, void* buffer, int32_t count)
{
    return source ? Io(source)->ReadUpTo(buffer, count) : 0;
}

int32_t TableTell(void* source)
{
    int32_t position = 0;
    return source && Io(source)->Tell(&position) ? position : -1;
}

BOOL TableSeek(void* source, int32_t offset, int32_t origin)
{
    return source && Io(source)->Seek(offset, origin) ? TRUE : FALSE;
}

BOOL TableEof(void* source) { return source && Io(source)->AtEnd() ? TRUE : FALSE; }

int32_t TableSize(void* source)
{
    int32_t size = 0;
    return source && Io(source)->Size(&size) ? size : -1;
}

[[noreturn]] void TableError(ISNetpbmIO*, const char* message, int)
{
    ISLogError(message, 78, 3);
    throw ISException(message, 78);
}

}  // namespace

void ISNetpbmIOInit(ISNetpbmIO* table, CISIO* source)
{
    table->getc = TableGetc;
    table->putc = TablePutc;
    table->write = TableWrite;
    table->read = TableRead;
    table->tell = TableTell;
    table->seek = TableSeek;
    table->eof = TableEof;
    table->size = TableSize;
    table->error = TableError;
    table->user = source;
}

namespace isnetpbm {

int pm_fprintf(ISNetpbmIO* stream, const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0)
        return n;
    const int count = n < int(sizeof text) ? n : int(sizeof text) - 1;
    for (int i = 0; i < count; ++i)
        stream->putc(stream->user, static_cast<unsigned char>(text[i]));
    return count;
}

int pm_putc(int c, ISNetpbmIO* stream)
{
    stream->putc(stream->user, c & 0xFF);
    return 0;
}

int32_t pm_fwrite(const void* buffer, int32_t n, ISNetpbmIO* stream) { return stream->write(stream->user, buffer, n); }
int32_t pm_fread(void* buffer, int32_t n, ISNetpbmIO* stream) { return stream->read(stream->user, buffer, n); }
int pm_getc_raw(ISNetpbmIO* stream) { return stream->getc(stream->user); }
int32_t pm_filesize(ISNetpbmIO* stream) { return stream->size(stream->user); }
BOOL pm_feof(ISNetpbmIO* stream) { return stream->eof(stream->user); }
int32_t pm_ftell(ISNetpbmIO* stream) { return stream->tell(stream->user); }
BOOL pm_fseek(ISNetpbmIO* stream, int32_t offset, int32_t origin) { return stream->seek(stream->user, offset, origin); }

int pm_ungetc(int, ISNetpbmIO* stream)
{
    stream->seek(stream->user, -1, 1);
    return 0;
}

}  // namespace isnetpbm
