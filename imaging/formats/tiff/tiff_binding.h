// The reader's binding to libtiff: client procedures over a library source,
// warning and error handlers that feed the error log, the tag extender for
// nine extra fields, and a banded RGBA read with progress, cancel and alpha
// choices carried in the handle's client data.
#pragma once

#include <cstdint>

#include <tiffio.h>

#include "../../core/io.h"

typedef int (*ISTiffProgressProc)(int row, int rows, void* user);

// Client data of every handle ISTiffOpen makes.
struct ISTiffClient {
    CISIO* source = nullptr;
    ISTiffProgressProc progress = nullptr;  // nonzero return cancels
    void* progressUser = nullptr;
    int cancelCode = 0;                     // 14 once the progress function cancelled
    int defaultAlphaKind = -1;              // for one unspecified extra sample; -1 = libtiff's rule
    int keepUnassociatedAlpha = 0;          // 8-bit RGBA delivered without premultiplying
};

// Opens a handle over `source` from its current state; NULL when libtiff
// refuses it (the reason is in the error log) or memory runs out.
TIFF* ISTiffOpen(CISIO* source, const char* mode);
void ISTiffClose(TIFF* tif);
ISTiffClient* ISTiffClientOf(TIFF* tif);

// Installs the tag extender and the handlers, once per process.
void ISTiffInstall();
void ISTiffTagExtender(TIFF* tif);
void ISTiffWarningHandler(const char* module, const char* format, va_list args);
void ISTiffErrorHandler(const char* module, const char* format, va_list args);

tmsize_t ISTiffReadProc(thandle_t handle, void* buffer, tmsize_t size);
tmsize_t ISTiffWriteProc(thandle_t handle, void* buffer, tmsize_t size);
toff_t ISTiffSeekProc(thandle_t handle, toff_t offset, int whence);
toff_t ISTiffSizeProc(thandle_t handle);

// Where a banded RGBA read puts its rows: Band gives room for the stored rows
// [row, row + rows) as ABGR words (R in the low byte), `width` words a row;
// Filled follows once they are there.
class CISTiffBands {
public:
    virtual uint32_t* Band(uint32_t row, uint32_t rows) = 0;
    virtual void Filled(uint32_t, uint32_t) {}

protected:
    ~CISTiffBands() = default;
};

// Rows a band of the current directory holds: RowsPerStrip, or TileLength.
uint32_t ISTiffBandRows(TIFF* tif, uint32_t height);

// The current directory band by band through the RGBA interface; each band's
// rows run in the stored order (`topDown`) or reversed. 1 on success; 0 on
// failure (the client's cancel code is 14 when the progress function
// cancelled).
int ISTiffReadRGBA(TIFF* tif, uint32_t width, uint32_t height, bool topDown, CISTiffBands* bands, int stopOnError);
// The whole picture into `raster`: the stored rows from the top (`topDown`) or
// from the bottom.
int ISTiffReadRGBA(TIFF* tif, uint32_t width, uint32_t height, bool topDown, uint32_t* raster, int stopOnError);
