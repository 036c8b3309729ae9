// The TLA container: magic, typed chunks (version, header, palette, metadata,
// compression, strips), the cipher of protected files, and rows out of
// zlib-compressed, filtered strips.
#pragma once

#include <cstdint>
#include <memory>

#include "../../core/buffers.h"
#include "../../core/frame.h"
#include "tla_inflate.h"
#include "tla_sapphire.h"

// Results of the decoder's steps; MapCode gives the library's code.
enum ISTLAResult : int32_t {
    kTlaOk = 0,
    kTlaNoFormat = 1,    // output format not possible
    kTlaBad = 3,         // bad magic, chunk type or length, header values
    kTlaRead = 4,        // read failure, or a length past the end of the source
    kTlaNoStrips = 6,    // opened for the header only, or a strip of zero rows
    kTlaInit = 8,        // zlib could not be set up
    kTlaRawDepth = 10,   // raw output from a file of more than 1 byte a pixel
    kTlaVersion = 11,    // version not 1
    kTlaMemory = 14,
};

enum : uint16_t {
    kTlaChunkVersion = 100,
    kTlaChunkHeader = 101,
    kTlaChunkMetadata = 102,
    kTlaChunkCompression = 103,
    kTlaChunkPalette = 104,
    kTlaChunkStrip = 106,
};

// Filter flags of a strip.
enum : uint32_t { kTlaFilterSub = 1, kTlaFilterUp = 2, kTlaFilterPaeth = 4 };

// Where the decoder's bytes come from. `read` fills `destination` with
// exactly `count` bytes, or skips them when it is null; `left` gives the
// bytes after the position.
struct ISTLAStream {
    bool (*read)(void* user, BYTE* destination, uint32_t count);
    uint64_t (*left)(void* user);
    void* user;
};

class CISTLADecoder {
public:
    explicit CISTLADecoder(const ISTLAStream& stream) : m_stream(stream) {}
    CISTLADecoder(const CISTLADecoder&) = delete;
    CISTLADecoder& operator=(const CISTLADecoder&) = delete;

    // The 4 plain bytes that tell a plain file from a protected one.
    int32_t ReadMagic();
    // The key is the hash of the text; none for NULL or "".
    void SetPassword(const char* text);
    // The 7-byte head of a chunk that must be of type `type`.
    int32_t ReadChunkHead(uint16_t type, uint32_t* length);
    // A chunk of exactly `length` bytes of type `type` into `destination`.
    int32_t ReadChunk(uint32_t length, uint16_t type, BYTE* destination);
    // `count` bytes (skipped when `destination` is null), each read deciphered
    // by itself with a fresh state under the key.
    int32_t ReadDeciphered(BYTE* destination, uint32_t count);
    // Version, header, palette and metadata chunks with their items.
    int32_t ReadHeader();
    // What rows become: 1 raw, 3 R,G,B, 4 R,G,B,A.
    int32_t SetOutputFormat(uint32_t format);
    // Skips the compression chunk (absent when the source ends before it).
    int32_t SkipCompression();
    // The inflate stream; from then on rows can be read.
    int32_t StartStrips();
    // The next row of the picture, converted by the output format.
    int32_t NextRow(BYTE* destination);
    // Undoes the filters of the current strip: Paeth, then Up, then Sub.
    void Unfilter(uint32_t flags);

    static int32_t MapCode(int32_t result);

    uint32_t m_bytesPerPixel = 0;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    uint32_t m_entries = 0;
    BYTE m_palette[1024] = {};  // blue, green, red, alpha
    uint32_t m_format = 0;
    bool m_protected = false;
    // A strip's stream was cut short or corrupt; its rows came unfiltered.
    bool m_damaged = false;
    // The metadata items in file order, until the reader hands them on.
    ISPtrVector<CFileDataTag> m_items;

private:
    int32_t Skip(uint32_t count) { return count == 0 || m_stream.read(m_stream.user, nullptr, count) ? kTlaOk : kTlaRead; }
    int32_t ReadStrip();
    void ConvertRow(const BYTE* row, BYTE* destination) const;

    ISTLAStream m_stream;
    bool m_hasKey = false;
    BYTE m_key[32] = {};
    CISSapphire m_keyed;  // a state keyed with m_key, copied for every read
    std::unique_ptr<CISSapphire> m_stripCipher;
    std::unique_ptr<CISTLAInflater> m_inflater;
    ISArray<BYTE> m_compressed;
    ISArray<BYTE> m_strip;
    uint32_t m_rowsLeft = 0;
    uint32_t m_stripRows = 0;  // of the current strip, those the picture needs
    uint32_t m_rowsOut = 0;    // rows of the picture handed out
};
