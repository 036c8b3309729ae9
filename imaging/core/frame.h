// The imaging library's internal frame: per-thread state, error reporting,
// progress, call depth, exceptions and lookup tables. Everything inside the
// library and the format readers builds on this header; applications use is5.h.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "../is5.h"
#include "../platform/winshim.h"
#include "buffers.h"

class ISException : public std::exception {
public:
    explicit ISException(const std::string& message, int32_t code = 0) : m_code(code), m_message(message) {}
    int32_t Code() const { return m_code; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    int32_t m_code;
    std::string m_message;
};

// An owning list of heap records.
template <typename T>
using ISPtrVector = std::vector<std::unique_ptr<T>>;

struct CFileDataTag {
    int32_t id = 0;
    std::string name;
    ISArray<BYTE> data;
};

// Objects a thread state owns and deletes through their destructor.
class ISOwnedObject {
public:
    virtual ~ISOwnedObject() = default;
};

struct ISErrorLogEntry {
    std::string message;
    int32_t code = 0;
    int32_t level = 0;  // 2 = warning, 3 = error
};

// A PNG colour record: palette index, then red, green, blue and grey.
struct ISPngColour {
    BYTE index = 0;
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;
    uint16_t grey = 0;
};

struct ISPngOptions {
    double screenGamma = 2.9;
    ISPngColour defaultBackground;  // used when the file has none
    ISPngColour fileBackground;     // the last file's bKGD
    ISPngColour reserved;
};

typedef BOOL (*ISJpegProgressiveCallback)(void* buffer, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                                          int32_t pass, void* user);

struct ISJpegOptions {
    ISJpegProgressiveCallback progressive = nullptr;
    void* progressiveUser = nullptr;
    int32_t dctMethod = 0;  // 0 libjpeg's default, 1 ISLOW, 2 IFAST, 3 FLOAT
    int32_t smoothing = 0;
    int32_t verticalSampling[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int32_t horizontalSampling[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int32_t useSampling = 0;
    int32_t samplingCount = 10;
    int32_t scaleNum = 1;
    int32_t scaleDenom = 1;
    ISPtrVector<CFileDataTag> unused1;
    ISPtrVector<CFileDataTag> comments;  // written as COM markers
    ISPtrVector<CFileDataTag> unused2;
    ISPtrVector<CFileDataTag> markers;   // id = marker code
};

struct ISTiffOptions {
    std::string text;
    int32_t words[8] = {-1, 75, 1, 0, 0, 0, 0, 0};
    int32_t defaultAlphaKind = -1;  // for one unspecified extra sample; -1 = none chosen
};

// One per thread that has called into the library; kept until process exit.
struct ISThreadState {
    ISThreadState();
    ~ISThreadState();
    ISThreadState(const ISThreadState&) = delete;
    ISThreadState& operator=(const ISThreadState&) = delete;

    ISProgressCallback progress = nullptr;
    int32_t callDepth = 0;
    void* progressUser = nullptr;
    ISErrorCallback errorCallback = nullptr;
    void* errorUser = nullptr;
    ISAllocCallback allocCallback = nullptr;
    ISReallocCallback reallocCallback = nullptr;
    ISFreeCallback freeCallback = nullptr;
    intptr_t allocUser = 0;

    ISPngOptions png;
    ISJpegOptions jpeg;
    ISTiffOptions tiff;
    std::string writerTexts[4] = {"", "", "", "IS 5.0.1.2"};
    ISPtrVector<CFileDataTag> fileDataTags;

    int32_t hbitmapCreateMethod = 0;  // 1 = DIB sections directly
    double textOpacity = 1.0;
    COLORREF metafileBackground = 0;
    uint32_t metafileWidth = 100;
    uint32_t metafileHeight = 100;
    ISArray<BYTE> iccProfile;
    ISPtrVector<ISOwnedObject> ownedObjects;

    int32_t lastError = 0;
    std::deque<ISErrorLogEntry> errorLog;  // oldest first
    CRITICAL_SECTION lock;
};

// The calling thread's state, created on first use; null when none can be had.
ISThreadState* ISGetThreadState();
ISThreadState* ISGetThreadStateThunk();

// Reports `code` under `function` (null: "(unspecified function)"), with an
// optional detail text; code 0 only clears the last error.
void ISSetLastError(int32_t code, const char* function, const char* detail = nullptr);
// Appends to the calling thread's error log; level 2 = warning, 3 = error.
void ISLogError(const char* message, int32_t code, int32_t level);

void ISEnterCall();
void ISLeaveCall();

// Holds one call-depth level for its lifetime, exceptions included.
class ISCallGuard {
public:
    ISCallGuard() { ISEnterCall(); }
    ~ISCallGuard() { ISLeaveCall(); }
    ISCallGuard(const ISCallGuard&) = delete;
    ISCallGuard& operator=(const ISCallGuard&) = delete;
};

// TRUE when the user asked to cancel (only the outermost call reports).
BOOL ISCallProgress(int32_t done, int32_t total);
BOOL ISHasProgressCallback();
void ISSetCallback(ISProgressCallback callback, void* user);

// Operations of ISExtHookTable; the handle is a source or sink.
int32_t ISHookRead(HISSRC source, void* buffer, int32_t n);
BOOL ISHookWrite(HISDEST sink, const void* buffer, int32_t n);
BOOL ISHookSeek(HISSRC handle, int32_t offset, int32_t origin);
BOOL ISHookTell(HISSRC handle, int32_t* position);
BOOL ISHookSize(HISSRC handle, int32_t* size);
BOOL ISHookEOF(HISSRC handle);
ISProgressCallback ISGetCallbackThunk(void** user);
void ISGetAllocCallbacks(ISAllocCallback* alloc, ISReallocCallback* realloc, ISFreeCallback* free, intptr_t* user);

// Process-wide settings, created once and never destroyed.
struct ISGlobalSettings {
    int32_t workerCount = 8;
    int32_t splitCount = 4;
    DWORD waitTimeout = INFINITE;
    DWORD pollInterval = 200;  // ms
    void* (*copy)(void*, const void*, size_t) = nullptr;
};
ISGlobalSettings& ISSettings();

// Lookup tables, filled once before main and read-only afterwards.
extern BYTE g_isProduct[256][256];       // [a][b] = (int)(b * (a / 255.0))
extern RGBQUAD g_isGreyPalette[256];     // (i, i, i, 0)
extern const BYTE g_isBitMask[8];        // 0x80 >> i
extern const BYTE g_isSingleBit[8];      // 1 << i
extern const BYTE g_isSingleBitInv[8];   // ~(1 << i)
extern BYTE g_isBitReverse[256];
extern BYTE g_isBitReverseInv[256];
extern BYTE g_isPartialMask[8][8];       // (255 >> (7 - r)) & (255 << j)
extern BYTE g_isByteToPixels[256][8];    // bits of b, most significant first
extern BYTE g_isByteToPixels2[256][8];   // the same again
void ISInitTables();

const char* ISErrorText(int32_t code);   // null for codes without a text

// Small utilities.
inline uint16_t ISMax16(uint16_t a, uint16_t b) { return a > b ? a : b; }
inline uint16_t ISMin16(uint16_t a, uint16_t b) { return a < b ? a : b; }
inline void ISSwap16(uint16_t* v) { *v = static_cast<uint16_t>((*v << 8) | (*v >> 8)); }
inline int32_t ISClamp(int32_t v, int32_t low, int32_t high)
{
    int32_t t = v > low ? v : low;
    return t < high ? t : high;
}

// For tests only: a copy of the calling thread's error log, and how many
// thread states the process has created.
std::vector<ISErrorLogEntry> ISTestErrorLog();
int32_t ISTestStateCount();
