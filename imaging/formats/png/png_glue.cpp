// libpng's read and message hooks. Errors leave libpng by exception, never by
// longjmp: the unwind tables carry it through libpng's frames.
#include "png_glue.h"

#include <climits>

#include "../../core/frame.h"

void ISPngReadCallback(png_structp png, png_bytep data, size_t count)
{
    CISIO* source = static_cast<CISIO*>(png_get_io_ptr(png));
    if (!source || count > static_cast<size_t>(INT32_MAX) ||
        !source->ReadExactly(data, static_cast<int32_t>(count)))
        png_error(png, "read Error");
}

void ISPngOnError(png_structp, png_const_charp text)
{
    const char* message = text ? text : "libpng error";
    ISLogError(message, 15, 3);
    throw ISException(message, 15);
}

void ISPngOnWarning(png_structp, png_const_charp text)
{
    ISLogError(text ? text : "libpng warning", 15, 2);
}
