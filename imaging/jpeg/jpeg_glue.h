// Bindings of libjpeg to the library's sources, sinks, error log and exceptions.
// jpeglib.h is reached only through this header, after the platform header, so
// every file that uses libjpeg sees the jconfig.h of the library it links.
#pragma once

#include <cstddef>
#include <cstdio>

#include "../core/io.h"

#include <jpeglib.h>

#include <jerror.h>

// Size of the source and destination managers' buffers.
constexpr size_t kISJpegBufferSize = 4096;

// Fills `err` with libjpeg's standard error manager, except that fatal errors
// are logged (code 9, level 3) and thrown as ISException, and warnings are
// logged at level 2 instead of being printed. Returns `err`.
jpeg_error_mgr* ISJpegErrorManager(jpeg_error_mgr* err);

// Attaches a source manager reading from `source`. With `giveBack` the source
// is sought back over the bytes libjpeg read ahead but did not use, so that it
// ends just after the JPEG data.
void ISJpegAttachSource(j_decompress_ptr cinfo, CISIO* source, bool giveBack);

// Attaches a destination manager writing to `sink`.
void ISJpegAttachDest(j_compress_ptr cinfo, CISIO* sink);
