// Quarter and half turns of raster images, for the readers that bring a page
// or a picture upright: packed 1-bit rows, pixels of 8-bit samples and pixels
// of 16-bit samples, into a second buffer or in place.
//
// Modes, for a source W pixels wide and H high:
//   0  a quarter turn clockwise: (x, y) goes to (H-1-y, x) of an H-wide, W-high result
//   1  a half turn: (x, y) goes to (W-1-x, H-1-y)
//   2  a quarter turn counter-clockwise: (x, y) goes to (y, W-1-x)
//
// Every operation returns TRUE on success and leaves its library code in
// m_status: 5 for a null or shared buffer, an unknown mode, a pixel size other
// than 1, 3 or 4, or a stride too small for its row; 1 when the temporary of an
// in-place turn is above ISMaxAlloc() or cannot be had; 14 when the progress
// callback cancels (the destination then holds the rows done so far).
//
// The operations hold no call level of their own: run inside a reader's entry
// (one ISCallGuard) they report progress to the application.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../../platform/winshim.h"

class CISRotate {
public:
    int32_t m_status = 0;
    void ISClearStatus() { m_status = 0; }

    // Packed 1-bit rows, leftmost pixel in the most significant bit; strides
    // in bytes. Only the two low bits of the mode count (8, 9 and 10 act as
    // 0, 1 and 2); low bits 3 return FALSE and leave m_status alone. Bits past
    // the last pixel of each destination row come out 0; stride bytes beyond
    // the row are not touched. Progress per band of 8 source rows for the
    // quarter turns, per row for the half turn.
    BOOL Rotate1Bit(const BYTE* source, BYTE* target, uint32_t width, uint32_t height, uint32_t mode,
                    size_t sourceStride, size_t targetStride);

    // Pixels of 1, 3 or 4 bytes; strides in bytes. Only pixel bytes are
    // written, stride padding keeps its bytes. Progress per source row.
    BOOL Rotate8(const BYTE* source, uint32_t width, uint32_t height, size_t sourceStride, BYTE* target,
                 size_t targetStride, uint32_t mode, uint32_t pixelBytes);
    // Pixels of 1, 3 or 4 samples; strides in samples.
    BOOL Rotate16(const uint16_t* source, uint32_t width, uint32_t height, size_t sourceStride, uint16_t* target,
                  size_t targetStride, uint32_t mode, uint32_t samplesPerPixel);

    // A packed buffer (stride W x pixel size) turned in the same buffer and
    // left packed (stride H x pixel size after modes 0 and 2). Modes 0 and 2
    // go through a temporary of W x H pixels, so a failure or a cancel leaves
    // the pixels as they were; mode 1 flips the rows, then each row.
    BOOL RotateInPlace8(BYTE* pixels, uint32_t width, uint32_t height, uint32_t mode, uint32_t pixelBytes);
    BOOL RotateInPlace16(uint16_t* pixels, uint32_t width, uint32_t height, uint32_t mode, uint32_t samplesPerPixel);

private:
    BOOL Fail(int32_t code)
    {
        m_status = code;
        return FALSE;
    }
    template <typename T>
    BOOL RotateSamples(const T* source, uint32_t width, uint32_t height, size_t sourceStride, T* target,
                       size_t targetStride, uint32_t mode, uint32_t pixelSize);
    template <typename T>
    BOOL RotateInPlace(T* pixels, uint32_t width, uint32_t height, uint32_t mode, uint32_t pixelSize);
};
