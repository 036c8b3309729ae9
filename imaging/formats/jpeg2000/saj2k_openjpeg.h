// The JPEG 2000 reader's binding to OpenJPEG: an input stream over the hook
// table, quiet message handlers, and one decode from header to samples.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/is5.h"

struct opj_image;

// The colour spaces the reader tells apart.
enum SAJ2KColourSpace {
    kSAJ2KColourUnspecified = 0,  // raw code stream
    kSAJ2KColourSRGB,
    kSAJ2KColourGrey,
    kSAJ2KColourSYCC,
    kSAJ2KColourUnknown,          // JP2 without an enumerated colour space (ICC or none)
    kSAJ2KColourOther             // e-YCC, CMYK and the rest
};

struct SAJ2KComponentInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t dx = 1;
    uint32_t dy = 1;
    uint32_t precision = 0;
    bool isSigned = false;
    bool isAlpha = false;
    const int32_t* data = nullptr;  // width × height samples, once decoded
};

struct SAJ2KImageInfo {
    std::vector<SAJ2KComponentInfo> components;
    SAJ2KColourSpace colourSpace = kSAJ2KColourUnspecified;
    const uint8_t* icc = nullptr;
    uint32_t iccLength = 0;
};

enum SAJ2KCodeFormat { kSAJ2KFormatJP2 = 0, kSAJ2KFormatJ2K = 1 };

// One decode: stream, codec and image live as long as the object.
class CSAJ2KCodec {
public:
    CSAJ2KCodec() = default;
    ~CSAJ2KCodec();
    CSAJ2KCodec(const CSAJ2KCodec&) = delete;
    CSAJ2KCodec& operator=(const CSAJ2KCodec&) = delete;

    // Opens the stream over `source` from its start: 0, 1 (no memory) or
    // 3 (tell or size failed). The table must outlive the object.
    int32_t OpenStream(const ISExtHookTable* hook, HISSRC source);
    // Main header (and JP2 boxes before the code stream); false when bad.
    bool ReadHeader(SAJ2KCodeFormat format);
    // Every sample, strictly: a truncated stream fails.
    bool Decode();
    // Sizes, colour space and (after Decode) sample arrays.
    void Describe(SAJ2KImageInfo* info) const;
    void Close();

    // What OpenJPEG's stream callbacks see.
    struct HookStream {
        const ISExtHookTable* hook;
        HISSRC source;
    };

private:
    HookStream m_hookStream = {nullptr, nullptr};
    void** m_stream = nullptr;  // opj_stream_t*
    void** m_codec = nullptr;   // opj_codec_t*
    opj_image* m_image = nullptr;
};
