// Inside the JPEG 2000 reader: per-thread records, the decoder object, the
// output buffer and the sampler that the row writers share.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "imaging/is5.h"
#include "saj2k.h"
#include "saj2k_openjpeg.h"

// Everything the reader keeps per thread; created zeroed on first use and
// kept until the process ends.
struct SAJ2KThreadRecord {
    ISProgressCallback progress;
    void* progressUser;
    int32_t liveDecoders;
    ISExtHookTable hook;
    ISAllocCallback alloc;
    ISReallocCallback realloc;
    ISFreeCallback free;
    intptr_t allocUser;
};

// The calling thread's record; null when none can be had.
SAJ2KThreadRecord* SAJ2KGetThreadRecord();
// Whether the thread's table can feed a read (size, read, seek, tell, size).
bool SAJ2KHookUsable(const ISExtHookTable& hook);
// Hands `code` to the hook's error setter, when there is one.
void SAJ2KReport(const SAJ2KThreadRecord& record, int32_t code);
// TRUE when the progress function asks to stop; only the outermost decoder
// of a thread reports.
bool SAJ2KProgress(const SAJ2KThreadRecord& record, int32_t done, int32_t total);

// The format table that jas_init fills (bookkeeping only).
struct SAJ2KFormatEntry {
    int32_t id;
    const char* name;
    const char* description;
};
int32_t SAJ2KFormatCount();
bool SAJ2KGetFormat(int32_t index, SAJ2KFormatEntry* entry);

namespace SAJ2K {
// Thrown and caught only while a decoded image is turned into pixels.
class ISException : public std::exception {
public:
    ISException(const std::string& message, int32_t code) : m_code(code), m_message(message) {}
    int32_t Code() const { return m_code; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    int32_t m_code;
    std::string m_message;
};
}  // namespace SAJ2K

// The output buffer of one conversion: the thread's allocation function when
// set, else GlobalAlloc. Freed by the destructor unless released.
class SAJ2KOutBuf {
public:
    explicit SAJ2KOutBuf(const SAJ2KThreadRecord& record) : m_record(record) {}
    ~SAJ2KOutBuf() { Free(); }
    SAJ2KOutBuf(const SAJ2KOutBuf&) = delete;
    SAJ2KOutBuf& operator=(const SAJ2KOutBuf&) = delete;

    bool Alloc(uint64_t bytes);
    void Free();
    BYTE* Data() const { return static_cast<BYTE*>(m_data); }
    void* Release();

private:
    const SAJ2KThreadRecord& m_record;
    BYTE m_fromCallback = 0;
    HGLOBAL m_block = nullptr;
    void* m_data = nullptr;
};

// Colour-space families (the colour-space value shifted right by 8).
enum SAJ2KFamily { kSAJ2KFamilyNone = 0, kSAJ2KFamilyGrey = 3, kSAJ2KFamilyRGB = 4, kSAJ2KFamilyYCbCr = 5 };

// One decoded component as the sampler reads it.
struct SAJ2KPlane {
    const int32_t* data = nullptr;
    uint32_t width = 0;
    int32_t shiftLeft = 0;   // to the target width, for narrower samples
    int32_t shiftRight = 0;  // for wider samples (arithmetic)
    int32_t offset = 0;      // taken off after alignment (unsigned chroma)
    std::vector<int32_t> columns;  // source column of each output column, -1 outside
    std::vector<int32_t> rows;     // source row of each output row, -1 outside
};

// Planes 0-2 are the colour planes (grey uses plane 0 only); plane 3 is
// alpha when `hasAlpha`.
struct SAJ2KSampler {
    SAJ2KFamily family = kSAJ2KFamilyNone;
    SAJ2KPlane planes[4];
    bool hasAlpha = false;
    int32_t maxValue = 255;
};

// Builds a plane over `component` for output of `width` × `height` pixels,
// sampling at (x × scale + origin) / step, truncated toward zero.
bool SAJ2KPreparePlane(const SAJ2KComponentInfo& component, uint32_t width, uint32_t height, double originX,
                       double originY, double scaleX, double scaleY, int32_t targetBits, SAJ2KPlane* plane);

// The four samples (R, G, B, A or grey ×3, A) of output pixel x on the row
// whose plane rows are `rowData` (null where the row is outside the plane).
void SAJ2KSamplePixel(const SAJ2KSampler& sampler, const int32_t* const rowData[4], uint32_t x, int32_t out[4]);

// Row writers: 0, or 14 when the progress function cancelled.
int32_t SAJ2KWriteRows8(const SAJ2KSampler& sampler, const SAJ2KThreadRecord& record, BYTE* pixels, uint32_t width,
                        uint32_t height, uint64_t rowBytes, uint32_t channels, bool dib);
int32_t SAJ2KWriteRows16(const SAJ2KSampler& sampler, const SAJ2KThreadRecord& record, BYTE* pixels, uint32_t width,
                         uint32_t height, uint64_t rowBytes, uint32_t channels);

// The decoder: one per read, on the stack of SAJ2KReadImage.
class CSAJ2K {
public:
    explicit CSAJ2K(SAJ2KThreadRecord& record);
    virtual ~CSAJ2K();
    CSAJ2K(const CSAJ2K&) = delete;
    CSAJ2K& operator=(const CSAJ2K&) = delete;

    void* DecodeSource(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, double scale,
                       uint32_t flags);
    int32_t Status() const { return m_status; }

private:
    void FetchHostCallbacks();
    void* ConvertImage(int32_t originX, int32_t originY, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                       double scaleX, double scaleY, uint32_t flags);

    int32_t m_status = 0;
    CSAJ2KCodec m_codec;
    SAJ2KImageInfo m_image;
    bool m_decoded = false;
    SAJ2KThreadRecord& m_record;
};
