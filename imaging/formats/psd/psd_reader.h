// The PSD reader: the flattened picture of a Photoshop file, one object per
// is5_ReadPSD or is5_GetPSDDims call; and the parser of the file's
// image-resource block ("8BIM" records).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../../core/frame.h"
#include "../../core/io.h"
#include "../reader_entry.h"

// Flags of is5_ReadPSD beside IS5_DIB.
constexpr uint32_t kPsdReadCmyk = 0x4;    // CMYK files give their four stored channels
constexpr uint32_t kPsdReadKeep16 = 0x8;  // 16-bit files keep 16-bit (big-endian) samples

constexpr uint32_t kPsdHeaderBytes = 26;
constexpr int32_t kPsdResolutionId = 1005;

enum : uint32_t {
    kPsdBitmap = 0,
    kPsdGrey = 1,
    kPsdIndexed = 2,
    kPsdRgb = 3,
    kPsdCmyk = 4,
    kPsdDuotone = 8,
};

struct ISPsdHeader {
    BYTE signature[4] = {};
    uint32_t version = 0;
    uint32_t channels = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint32_t depth = 0;  // bits per channel
    uint32_t mode = 0;
};

void ISPsdParseHeader(const BYTE* bytes, ISPsdHeader* header);

// One record of an image-resource block.
struct ISPhotoshopResource {
    int32_t id = 0;
    int32_t offset = -1;  // of the data within `bytes`
    ISArray<BYTE> bytes;  // from the signature through the (padded) data
    std::string name;     // an even-length name keeps its pad byte
    uint32_t dataSize = 0;  // as declared, without the pad byte

    const BYTE* Data() const { return bytes.GetData() + offset; }
};

// Parses a block of "8BIM" records; with a wanted list, keeps only those ids.
class CISPhotoshopResources {
public:
    int32_t m_status = 0;
    std::vector<int32_t> m_wanted;  // empty: keep every record
    ISPtrVector<ISPhotoshopResource> m_resources;

    // TRUE when at least one record was parsed and the block ended cleanly,
    // in trailing bytes without a signature, or in a record whose data runs
    // past it; otherwise status 67 (5 for no block).
    BOOL ISParse8BIMResources(const BYTE* block, uint32_t length, bool keep);
    const ISPhotoshopResource* Find(int32_t id) const;
};

class CISPSDReader {
public:
    int32_t m_status = 0;

    // Header values and, when asked, the resolution of resource 1005 (an
    // unparsable resource block leaves status 67 with TRUE).
    BOOL ReadHeader(CISIO* io, uint32_t* width, uint32_t* height, uint32_t* depth, uint32_t* mode,
                    ISResolution* resolution);
    // One byte a pixel: bitmap files 0 (white) and 1 (black), the others
    // their first channel; the palette comes back through `palette`.
    void Read8(CISReadCall& call, RGBQUAD* palette, uint32_t* width, uint32_t* height);
    // R,G,B (R,G,B,255 at 32 bits), CMYK's four channels at 32 bits or with
    // kPsdReadCmyk, and the 16-bit layouts with kPsdReadKeep16.
    void ReadColor(CISReadCall& call, uint32_t depth, uint32_t flags, uint32_t* width, uint32_t* height);
    // A packed DIB: 8 bits with 256 colours for bitmap, grey, indexed and
    // duotone files, 24 bits for RGB and CMYK (32 with kPsdReadCmyk).
    void ReadDIB(CISReadCall& call, uint32_t flags, uint32_t* width, uint32_t* height);

    // Unpacks one PackBits row into `pixels` samples, each `step` bytes after
    // the last, starting at dest[channel]. False when the source runs out
    // before the row is full; a run past the row's end is cut there.
    static bool UnpackBitsRow(BYTE* dest, uint32_t pixels, uint32_t step, uint32_t channel, const BYTE* source,
                              uint32_t length);

private:
    bool Fail(int32_t code)
    {
        m_status = code;
        return false;
    }
    bool ReadFileHeader();
    bool CheckForRead(bool eightBit);
    bool BytesLeft(uint64_t* left);
    bool SectionLength(uint32_t* length);
    bool SkipSection();
    bool ReadColorModeData(RGBQUAD* palette);
    bool ReadResources(ISResolution* resolution);
    bool ReadSections(RGBQUAD* palette);
    bool ReadCounts(uint32_t planes);
    // The row buffer and, for PackBits, the byte counts of `planes` planes:
    // all checked against the file before the picture's buffer is made.
    bool BeginPixels(uint32_t planes);
    bool FirstChannelPackBitsAllowed();
    void StoreSize(uint32_t* width, uint32_t* height) const;
    template <typename Direct, typename Take>
    bool ReadPlanes(uint32_t planes, Direct&& direct, Take&& take);
    template <typename Target, typename Row>
    bool ReadIndexRows(Target&& target, Row&& row);

    CISIO* m_io = nullptr;
    ISPsdHeader m_header;
    RGBQUAD m_palette[256] = {};
    ISArray<BYTE> m_resources;
    uint32_t m_compression = 0;
    uint32_t m_rowBytes = 0;     // one plane's row as stored, unpacked
    ISArray<uint16_t> m_counts;  // PackBits byte counts of the rows read
    ISArray<BYTE> m_packed;      // one row as stored
    ISArray<BYTE> m_row;         // one row unpacked
    ISArray<BYTE> m_indices;     // one row of palette indices
};
