// Text measuring and anti-aliased text drawing over GDI. Windows only:
// include from *_win.cpp files.
#pragma once

#include <cstdint>

#include "../core/buffers.h"
#include "../platform/winshim.h"

// Text flag: the text is UTF-16 (wchar_t), not 8-bit characters.
constexpr uint32_t kISTextWide = 0x4;
// Smoothed-text flag: the image rows are stored bottom-up.
constexpr uint32_t kISTextBottomUp = 0x2;

// True for a null or empty string of either width.
bool ISTextEmpty(const void* text, uint32_t flags);

// Measures `text` with DrawTextEx and DT_CALCRECT in a copy of `box`; the
// computed box goes to `out`, and with `spaceWidth` the width of one space in
// the same font. Empty text gives an empty box. Returns the status: 0, 10
// memory DC, 18 font, 37 selecting the font.
int32_t ISTextExtent(const void* text, const LOGFONTA& font, const RECT& box, uint32_t format, uint32_t flags,
                     RECT* out, int32_t* spaceWidth);

// The text drawn white on black into a (maskWidth x maskHeight) 1-bit mask
// inside `box`, one row of (maskWidth + 7) / 8 bytes after another, the top
// row first (bottomUp: the bottom row first). Returns the status: 0, 1, 10,
// 18, 23 bitmap, 37, 90 brush.
int32_t ISDrawTextMask(const void* text, const LOGFONTA& font, const RECT& box, uint32_t format, uint32_t flags,
                       int32_t maskWidth, int32_t maskHeight, bool bottomUp, ISArray<BYTE>* mask);

// Blends `text` in `colour` into 3-byte pixels through a mask drawn at
// `factor` times the size and shrunk by decimation. Returns the status.
int32_t ISDrawSmoothTextMono(BYTE* pixels, uint32_t width, uint32_t height, uint32_t stride, const void* text,
                             const LOGFONTA* font, uint32_t factor, const RECT* box, uint32_t format, uint32_t flags,
                             COLORREF colour);
