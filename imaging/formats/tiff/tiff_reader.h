// The TIFF reader: one page of a TIFF file at 1, 8, 16, 24, 32, 48 or 64
// bits or as a packed DIB, turned upright by its Orientation tag.
#pragma once

#include <cstdint>

#include "../../core/io.h"
#include "../reader_entry.h"
#include "tiff_binding.h"

// Read flags.
enum : uint32_t {
    kTiffIgnoreOrientation = 0x1,
    kTiffDib = 0x2,
    kTiffKeepUnassociated = 0x4,
    kTiffOtherRowOrder = 0x8,
    kTiff16BottomUp = 0x10,
    kTiffPadRows = 0x20,
    kTiffSwapRB = 0x40,
};

class CISTIFFReader {
public:
    int32_t m_status = 0;

    ~CISTIFFReader() { ClosePage(); }

    void Read(CISReadCall& call, uint32_t* width, uint32_t* height, int32_t page, RGBQUAD* palette);
    BOOL GetDims(CISIO* source, int32_t page, uint32_t* width, uint32_t* height, uint32_t* bits,
                 ISResolution* resolution);

private:
    bool OpenPage(CISIO* source, int32_t page);
    void ClosePage();
    bool CheckBilevel();
    void Dispatch(CISReadCall& call, uint32_t* width, uint32_t* height, RGBQUAD* palette);
    void ReadViaRGBA(CISReadCall& call, uint32_t depth, uint32_t* width, uint32_t* height);
    void Read1Bit(CISReadCall& call, uint32_t* width, uint32_t* height, RGBQUAD* palette);
    void Read8Bit(CISReadCall& call, uint32_t* width, uint32_t* height, RGBQUAD* palette);
    void Read16Bit(CISReadCall& call, uint32_t depth, uint32_t* width, uint32_t* height);
    bool BuildPalette(uint16_t photometric, uint16_t bits, RGBQUAD* entries);
    uint16_t Orientation(uint32_t flags) const;
    void DibResolution(BITMAPINFOHEADER* header);
    // Every strip or tile's rows through `put` (source row, first column,
    // pixels, stored row); failures leave rows zero and set 20.
    template <typename Put>
    bool ReadBlocks(uint32_t width, uint32_t height, Put&& put);

    TIFF* m_tif = nullptr;
    uint32_t m_flags = 0;
};

// Turns a bottom-up raster upright (top-down, or bottom-up for `bottomUp`)
// by the orientation tag. `kind` is 1 (packed bits), 8 (bytes of
// `pixelSize`) or 16 (samples of `pixelSize`). A rotation writes into
// `target` (stride `targetStride`, width and height swapped) and returns it;
// otherwise the pixels change in place. *status gets the failure code.
bool ISTiffOrient(BYTE* pixels, uint32_t width, uint32_t height, size_t stride, uint32_t kind, uint32_t pixelSize,
                  uint16_t orientation, bool bottomUp, BYTE* target, size_t targetStride, int32_t* status);
bool ISTiffOrientationRotates(uint16_t orientation);
// What an orientation without rotation asks of the result (top-down, or
// bottom-up for `bottomUp`): its rows in the stored order (else reversed),
// and mirrored.
void ISTiffPlainSteps(uint16_t orientation, bool bottomUp, bool* storedOrder, bool* mirror);
