/* The imaging library's application interface. Every entry records its own
   name with its result code; ISGetLastError gives the calling thread's last
   code (0 = success). Buffers the library returns come from GlobalAlloc (or
   the application's allocation callbacks) and are freed with GlobalFree. */
#pragma once

#include <stdint.h>

#include "platform/winshim.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque handles of data sources and sinks; both are the same kind of object. */
typedef struct ISIOHandle_* HISSRC;
typedef struct ISIOHandle_* HISDEST;

/* Resolution record; unit 0 = no absolute unit, 1 = absolute (per metre). */
typedef struct ISResolution {
    double x;
    double y;
    uint32_t unit;
} ISResolution;

/* The largest buffer the library hands out, in bytes. */
#define IS5_MAX_ALLOC 2147348478u

/* Flag of every read entry and of is5_WriteBMP: the picture as one packed DIB
   (BITMAPINFOHEADER, colour table, bottom-up rows padded to 4 bytes). */
#define IS5_DIB 0x2u

/* Progress callback: (rows done, row count, user data) -> FALSE to cancel. */
typedef BOOL (*ISProgressCallback)(int32_t done, int32_t total, void* user);
typedef void (*ISErrorCallback)(int32_t code, const char* function, void* user);
typedef void* (*ISAllocCallback)(intptr_t bytes, intptr_t user);
typedef void* (*ISReallocCallback)(void* block, intptr_t bytes, intptr_t user);
typedef BOOL (*ISFreeCallback)(void* block, intptr_t user);

/* Input, output, progress, allocation and error operations for extension
   modules. `size` is sizeof(ISExtHookTable); the handles are sources or sinks. */
typedef struct ISExtHookTable {
    int32_t size;
    int32_t value;
    int32_t (*read)(HISSRC source, void* buffer, int32_t n);
    BOOL (*write)(HISDEST sink, const void* buffer, int32_t n);
    BOOL (*seek)(HISSRC handle, int32_t offset, int32_t origin);
    BOOL (*tell)(HISSRC handle, int32_t* position);
    BOOL (*getSize)(HISSRC handle, int32_t* size);
    BOOL (*eof)(HISSRC handle);
    ISProgressCallback (*getCallback)(void** user);
    void (*getAllocCallbacks)(ISAllocCallback* alloc, ISReallocCallback* realloc, ISFreeCallback* free,
                              intptr_t* user);
    void (*setLastError)(int32_t code);
    void* reserved;
} ISExtHookTable;

/* Frame */
void is5_Initialize(const char* text);
void ISShutdown(void);
int32_t ISGetLastError(void);
void is5_SetLastErrorProxy(int32_t code);
ISProgressCallback is5_GetCallback(void** user);
void is5_SetCallback(ISProgressCallback callback, void* user);
ISExtHookTable* is5_GetExtHook(int32_t value);

/* Sources and sinks */
HISSRC is5_OpenFileSource(const char* path);
HISSRC is5_OpenMemorySource(const void* data, int32_t size);
BOOL is5_Seek(HISSRC source, int32_t offset, int32_t origin);
int32_t is5_CloseSource(HISSRC source);
HISDEST is5_OpenFileDest(const char* path, uint32_t append);
int32_t is5_CloseDest(HISDEST sink);

/* JPEG */
void* is5_ReadJPG(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, uint32_t flags);
BOOL is5_GetJPGDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel, uint32_t* colourSpace,
                    uint32_t* codingFlags, ISResolution* resolution, int32_t reserved);
int32_t is5_WriteJPG(HISDEST sink, const void* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                     uint32_t stride, int32_t quality, const ISResolution* resolution, uint32_t flags);

/* Generic reader */
void* is5_ReadImage(HISSRC source, uint32_t* width, uint32_t* height, uint32_t mode, int32_t reserved);
int32_t is5_GuessFileType(HISSRC source);

/* BMP and metafiles */
void* is5_ReadBMP(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, RGBQUAD* palette,
                  uint32_t flags);
BOOL is5_GetBMPDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                    ISResolution* resolution, int32_t reserved);
int32_t is5_WriteBMP(HISDEST sink, const void* pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                     uint32_t stride, uint32_t paletteColours, const RGBQUAD* palette, const ISResolution* resolution,
                     uint32_t flags);
void* is5_ReadMetafile(const char* path, uint32_t* width, uint32_t* height, uint32_t boxWidth, uint32_t boxHeight,
                       COLORREF background, uint32_t flags);

/* Pixel operations */

/* Flag of the operations that use the thread pool: stay on the calling thread. */
#define IS5_NO_SPLIT 0x100000u

/* is5_ResizeImage modes: 0 to 13 filter kernels (8-bit samples only), then
   the resamplers without a kernel table. */
#define IS5_RESIZE_BOX 0
#define IS5_RESIZE_TRIANGLE 1
#define IS5_RESIZE_HAMMING 2
#define IS5_RESIZE_GAUSSIAN 3
#define IS5_RESIZE_BELL 4
#define IS5_RESIZE_BSPLINE 5
#define IS5_RESIZE_HERMITE 6
#define IS5_RESIZE_BSPLINE_ALT 7 /* the kernel of mode 5 */
#define IS5_RESIZE_LANCZOS3 8
#define IS5_RESIZE_MITCHELL 9
#define IS5_RESIZE_SINC 10
#define IS5_RESIZE_HERMITE_ALT 11 /* the kernel of mode 6 */
#define IS5_RESIZE_HANNING 12
#define IS5_RESIZE_CATMULL_ROM 13
#define IS5_RESIZE_DECIMATE 14    /* block average over whole ratios */
#define IS5_RESIZE_DECIMATE_EX 15 /* area average over any ratio */
#define IS5_RESIZE_BILINEAR 16
#define IS5_RESIZE_BICUBIC 17
#define IS5_RESIZE_NEAREST 18
/* is5_ResizeImage flag: 16-bit samples, strides in samples. */
#define IS5_RESIZE_16BIT 0x1
BOOL is5_ResizeImage(const void* source, int32_t width, int32_t height, int32_t stride, void* target,
                     int32_t targetWidth, int32_t targetHeight, int32_t targetStride, int32_t channels, int32_t mode,
                     int32_t flags);
/* Flags of is5_BlurImage and is5_UnsharpMaskImage: the low eight bits pick the
   channels to process (bit i: sample i of a pixel). */
#define IS5_BLUR_CHANNEL_MASK 0xFFu
#define IS5_BLUR_RGB 0x7u
#define IS5_BLUR_16BIT 0x200u /* 16-bit samples, strides in samples */
BOOL is5_BlurImage(const void* source, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride,
                   void* target, uint32_t targetStride, int32_t size, double mix, uint32_t flags);
BOOL is5_UnsharpMaskImage(const void* source, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride,
                          void* target, uint32_t targetStride, int32_t threshold, double amount, double sigma,
                          uint32_t flags);
/* Strides of the overlay count samples. Blend mode 1 at opacity 1 copies the
   overlay; below 1 it cross-fades. */
#define IS5_OVERLAY_COPY 1
#define IS5_OVERLAY_16BIT 0x1 /* 16-bit samples */
BOOL is5_OverlayImage(void* target, int32_t width, int32_t height, int32_t channels, int32_t stride,
                      const void* overlay, int32_t overlayWidth, int32_t overlayHeight, int32_t overlayStride,
                      int32_t x, int32_t y, double opacity, double value, int32_t blendMode, uint32_t flags);
BOOL is5_ModifyImageSaturation(void* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                               double amount);
/* Flags of is5_AdjustBrightnessContrast; the curve has five points unless one
   of the point flags says otherwise. */
#define IS5_TONE_KEEP_ALPHA 0x1 /* four channels: the fourth stays */
#define IS5_TONE_THREE_POINTS 0x2
#define IS5_TONE_SEVEN_POINTS 0x4
#define IS5_TONE_GREY_OFFSET 0x100
#define IS5_TONE_LIGHTNESS 0x200
BOOL is5_AdjustBrightnessContrast(void* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                                  double brightness, double contrast, uint32_t flags);
BOOL is5_RGBToRGBA(const void* source, uint32_t width, uint32_t height, uint32_t stride, void* target,
                   uint32_t targetStride, uint32_t alpha);
BOOL is5_CropImage(const void* source, uint32_t width, uint32_t height, uint32_t stride, void* target,
                   uint32_t targetStride, const RECT* rect, uint32_t bytesPerPixel);
BOOL is5_8BitToRGB(const void* indices, uint32_t width, uint32_t height, uint32_t stride, void* target,
                   uint32_t targetStride, int32_t unused, const RGBQUAD* palette, uint32_t flags);
BOOL is5_AdjustGamma(void* pixels, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride, double gamma,
                     uint32_t flags);

/* DIBs and drawing */
BOOL is5_DIBWidth(const BITMAPINFOHEADER* dib, uint32_t* width);
BOOL is5_DIBHeight(const BITMAPINFOHEADER* dib, uint32_t* height);
BOOL is5_FillSolidRect(void* pixels, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride,
                       const RECT* rect, COLORREF colour, uint32_t flags);
void is5_SetHBITMAPCreateMethod(int32_t method);
#ifdef _WIN32
BOOL is5_HBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, void* target);
HBITMAP is5_RGBToHBITMAP(const void* pixels, uint32_t width, uint32_t height, uint32_t stride, HPALETTE palette,
                         HDC dc);
HBITMAP is5_LoadResourceBitmap(HMODULE module, const char* name, HPALETTE palette);
BOOL is5_GetTextLineSize2(const void* text, const LOGFONTA* font, const RECT* box, uint32_t format, uint32_t flags,
                          uint32_t* width, uint32_t* height);
BOOL is5_DrawSmoothTextOnRGB2(void* pixels, uint32_t width, uint32_t height, uint32_t stride, const void* text,
                              const LOGFONTA* font, uint32_t factor, const RECT* box, uint32_t format,
                              uint32_t flags, COLORREF colour);
BOOL is5_DCToRGB(HDC dc, int32_t x, int32_t y, uint32_t width, uint32_t height, void* target);
BOOL is5_DrawRGB(HDC dc, const void* pixels, uint32_t width, uint32_t height, uint32_t stride, int32_t x, int32_t y,
                 HPALETTE palette);
#endif

/* Format readers */
void* is5_ReadTGA(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, RGBQUAD* palette,
                  uint32_t flags);
BOOL is5_GetTGADims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel, int32_t reserved);
void* is5_ReadWBMP(HISSRC source, uint32_t* width, uint32_t* height, RGBQUAD* palette, uint32_t bitsPerPixel,
                   uint32_t flags);
BOOL is5_GetWBMPDims(HISSRC source, uint32_t* width, uint32_t* height, int32_t reserved);
void* is5_ReadPSD(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, RGBQUAD* palette,
                  uint32_t flags);
BOOL is5_GetPSDDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitDepth, uint32_t* colourMode,
                    ISResolution* resolution, int32_t reserved);
void* is5_ReadTLA(HISSRC source, uint32_t* width, uint32_t* height, const char* password, uint32_t bytesPerPixel,
                  RGBQUAD* palette, uint32_t flags);
BOOL is5_GetTLADims_(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel, const char* password,
                     int32_t reserved);
void* is5_ReadPNM(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, uint32_t flags);
BOOL is5_GetPNMDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* maxValue, uint32_t* magic,
                    int32_t reserved);
void* is5_ReadTIFF(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, RGBQUAD* palette,
                   int32_t page, uint32_t flags);
BOOL is5_GetTIFFDims(HISSRC source, int32_t page, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                     ISResolution* resolution, int32_t reserved);
void* is5_ReadGIF(HISSRC source, uint32_t* width, uint32_t* height, int32_t* transparentIndex, RGBQUAD* palette,
                  uint32_t flags);
void* is5_ReadPCX(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, RGBQUAD* palette,
                  uint32_t flags);
BOOL is5_GetPCXDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                    ISResolution* resolution, int32_t reserved);
void* is5_ReadPNG(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, RGBQUAD* palette,
                  uint32_t flags);
BOOL is5_GetPNGDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitDepth, uint32_t* colourType,
                    uint32_t* interlace, int32_t* optional, int32_t* transRed, int32_t* transGreen, int32_t* transBlue,
                    int32_t* transGrey, ISResolution* resolution, int32_t reserved);
void* is5_ReadPCD(HISSRC source, uint32_t* width, uint32_t* height, int32_t resolutionIndex, uint32_t flags);

#ifdef __cplusplus
}
#endif
