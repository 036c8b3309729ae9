// Bindings of libpng to the library's sources, error log and exceptions.
// png.h is reached only through this header.
#pragma once

#include "../../core/io.h"

#include <png.h>

// libpng's read function over the CISIO given to png_set_read_fn.
void ISPngReadCallback(png_structp png, png_bytep data, size_t count);
// Logs the text (code 15, level 3) and throws ISException; never returns.
[[noreturn]] void ISPngOnError(png_structp png, png_const_charp text);
// Logs the text (code 15, level 2); the read goes on.
void ISPngOnWarning(png_structp png, png_const_charp text);
