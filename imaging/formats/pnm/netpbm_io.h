// The stream table the netpbm subset reads through, over a CISIO source, and
// the shims that stand where netpbm calls the C stream functions.
#pragma once

#include <cstdint>

#include "../../core/io.h"

struct ISNetpbmIO {
    int (*getc)(void* source);  // 0..255, or -1 at the end or without a source
    int (*putc)(void* source, int byte);
    int32_t (*write)(void* source, const void* buffer, int32_t count);  // count, or 0
    int32_t (*read)(void* source, void* buffer, int32_t count);         // bytes read
    int32_t (*tell)(void* source);
    BOOL (*seek)(void* source, int32_t offset, int32_t origin);
    BOOL (*eof)(void* source);
    int32_t (*size)(void* source);
    // Logs the message (code 78, level 3) and throws ISException; never returns.
    void (*error)(ISNetpbmIO* table, const char* message, int reserved);
    void* user;  // the CISIO source
};

void ISNetpbmIOInit(ISNetpbmIO* table, CISIO* source);

namespace isnetpbm {

int pm_fprintf(ISNetpbmIO* stream, const char* format, ...);
int pm_putc(int c, ISNetpbmIO* stream);
int32_t pm_fwrite(const void* buffer, int32_t n, ISNetpbmIO* stream);
int32_t pm_fread(void* buffer, int32_t n, ISNetpbmIO* stream);
int pm_getc_raw(ISNetpbmIO* stream);
int32_t pm_filesize(ISNetpbmIO* stream);
BOOL pm_feof(ISNetpbmIO* stream);
int32_t pm_ftell(ISNetpbmIO* stream);
BOOL pm_fseek(ISNetpbmIO* stream, int32_t offset, int32_t origin);
int pm_ungetc(int c, ISNetpbmIO* stream);

}  // namespace isnetpbm
