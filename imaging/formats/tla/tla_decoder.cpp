// The TLA container: magic, key, chunks, header values, palette and metadata.
#include <cstring>
#include <new>

#include "tla_decoder.h"

namespace {

uint32_t Le16(const BYTE* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t Le32(const BYTE* p) { return Le16(p) | (Le16(p + 2) << 16); }

}  // namespace

int32_t CISTLADecoder::ReadMagic()
{
    BYTE magic[4];
    if (!m_stream.read(m_stream.user, magic, 4))
        return kTlaRead;
    if (std::memcmp(magic, "TLA\x01", 4) == 0)
        m_protected = true;
    else if (std::memcmp(magic, "TLAU", 4) == 0)
        m_protected = false;
    else
        return kTlaBad;
    return kTlaOk;
}

void CISTLADecoder::SetPassword(const char* text)
{
    m_hasKey = text && *text;
    m_stripCipher.reset();
    if (!m_hasKey)
        return;
    CISSapphire hash;
    hash.HashInit();
    hash.HashUpdate(reinterpret_cast<const BYTE*>(text), std::strlen(text));
    hash.HashFinal(m_key, sizeof m_key);
    m_keyed.SetKey(m_key, sizeof m_key);
    m_stripCipher.reset(new (std::nothrow) CISSapphire(m_keyed));
}

int32_t CISTLADecoder::ReadDeciphered(BYTE* destination, uint32_t count)
{
    if (count == 0)
        return kTlaOk;
    if (!m_stream.read(m_stream.user, destination, count))
        return kTlaRead;
    if (destination && m_hasKey) {
        CISSapphire state(m_keyed);
        state.Decipher(destination, count);
        state.Clear();
    }
    return kTlaOk;
}

int32_t CISTLADecoder::ReadChunkHead(uint16_t type, uint32_t* length)
{
    BYTE head[7];
    if (int32_t r = ReadDeciphered(head, sizeof head))
        return r;
    if (Le16(head + 1) != type)
        return kTlaBad;
    *length = Le32(head + 3);
    return kTlaOk;
}

int32_t CISTLADecoder::ReadChunk(uint32_t length, uint16_t type, BYTE* destination)
{
    uint32_t stored = 0;
    if (int32_t r = ReadChunkHead(type, &stored))
        return r;
    if (stored != length)
        return kTlaBad;
    return ReadDeciphered(destination, length);
}

int32_t CISTLADecoder::ReadHeader()
{
    BYTE version[2];
    if (int32_t r = ReadChunk(2, kTlaChunkVersion, version))
        return r;
    if (Le16(version) != 1)
        return kTlaVersion;

    BYTE header[8];
    if (int32_t r = ReadChunk(8, kTlaChunkHeader, header))
        return r;
    m_width = Le16(header);
    m_height = Le16(header + 2);
    m_bytesPerPixel = Le16(header + 4);
    m_entries = Le16(header + 6);
    if (m_bytesPerPixel == 0 || m_bytesPerPixel > 4 || m_width == 0 || m_height == 0)
        return kTlaBad;
    // The palette holds 256 entries; a larger count would write past it.
    if (m_bytesPerPixel == 1 && m_entries > 256)
        return kTlaBad;

    uint32_t length = 0;
    if (int32_t r = ReadChunkHead(kTlaChunkPalette, &length))
        return r;
    if (m_bytesPerPixel == 1) {
        const uint32_t table = m_entries * 4;
        if (length < table)
            return kTlaBad;
        if (int32_t r = ReadDeciphered(m_palette, table))
            return r;
        length -= table;
    }
    if (int32_t r = Skip(length))
        return r;

    BYTE count[2];
    if (int32_t r = ReadChunk(2, kTlaChunkMetadata, count))
        return r;
    m_items.clear();
    for (uint32_t i = 0, n = Le16(count); i < n; ++i) {
        BYTE head[7];
        if (int32_t r = ReadDeciphered(head, sizeof head))
            return r;
        const uint32_t bytes = Le32(head + 3);
        // A length past the end of the file is a cut or damaged file, not a
        // reason to allocate.
        if (bytes > m_stream.left(m_stream.user))
            return kTlaRead;
        if (bytes > ISMaxAlloc())
            return kTlaMemory;
        std::unique_ptr<CFileDataTag> item(new (std::nothrow) CFileDataTag);
        if (!item || !item->data.Resize(static_cast<int32_t>(bytes)))
            return kTlaMemory;
        if (int32_t r = ReadDeciphered(item->data.GetData(), bytes))
            return r;
        m_items.push_back(std::move(item));
    }
    return kTlaOk;
}

int32_t CISTLADecoder::SetOutputFormat(uint32_t format)
{
    if (format == 0 || format == 2 || format > 4 || (format == 1 && m_bytesPerPixel != 1))
        return kTlaNoFormat;
    m_format = format;
    return kTlaOk;
}

int32_t CISTLADecoder::SkipCompression()
{
    if (m_stream.left(m_stream.user) == 0)
        return kTlaOk;
    uint32_t length = 0;
    if (int32_t r = ReadChunkHead(kTlaChunkCompression, &length))
        return r;
    return Skip(length);
}

int32_t CISTLADecoder::StartStrips()
{
    m_inflater.reset(new (std::nothrow) CISTLAInflater);
    if (!m_inflater || (m_hasKey && !m_stripCipher))
        return kTlaMemory;
    if (!m_inflater->Init()) {
        m_inflater.reset();
        return kTlaInit;
    }
    return kTlaOk;
}

int32_t CISTLADecoder::MapCode(int32_t result)
{
    switch (result) {
    case 0: return 0;
    case 1: return 5;
    case 2: return 2;
    case 3: return 52;
    case 4: return 3;
    case 5: return 4;
    case 6: return 48;
    case 7: return 49;
    case 8: return 51;
    case 9: return 50;
    case 10: return 17;
    case 11: return 52;
    case 12: return 52;
    case 13: return 24;
    case 14: return 1;
    default: return 0;
    }
}
