// Reading TLA files: open, rows into plain buffers or packed DIBs, dims, and
// the is5_* entries.
#include <cstring>
#include <new>

#include "../../convert/convert.h"
#include "tla_reader.h"

namespace {

void PutLE32(BYTE* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}

}  // namespace

CISTLAReader::Holder::Holder(CISIO* io) : source(io), decoder(ISTLAStream{Read, Left, this}) {}

uint64_t CISTLAReader::Holder::Left(void* user)
{
    const Holder* holder = static_cast<const Holder*>(user);
    return holder->position < holder->size ? static_cast<uint64_t>(holder->size - holder->position) : 0;
}

bool CISTLAReader::Holder::Read(void* user, BYTE* destination, uint32_t count)
{
    Holder* holder = static_cast<Holder*>(user);
    if (count == 0)
        return true;
    if (count > Left(user))
        return false;
    const BOOL ok = destination ? holder->source->ReadExactly(destination, static_cast<int32_t>(count))
                                : holder->source->Seek(static_cast<int32_t>(count), 1);
    if (!ok)
        return false;
    holder->position += count;
    return true;
}

std::unique_ptr<CISTLAReader::Holder> CISTLAReader::Open(CISIO* source, const char* password, uint32_t* width,
                                                         uint32_t* height, uint32_t format, RGBQUAD* palette,
                                                         uint32_t* entries, bool headerOnly)
{
    if (format >= 5) {
        m_status = 5;
        return nullptr;
    }
    ISThreadState* state = ISGetThreadState();
    if (state)
        state->fileDataTags.clear();
    std::unique_ptr<Holder> holder(new (std::nothrow) Holder(source));
    if (!holder) {
        m_status = 1;
        return nullptr;
    }
    int32_t position = 0, size = 0;
    if (!source->Tell(&position) || !source->Size(&size)) {
        m_status = 3;
        return nullptr;
    }
    holder->position = position;
    holder->size = size;

    CISTLADecoder& decoder = holder->decoder;
    int32_t r = decoder.ReadMagic();
    if (r == kTlaOk) {
        // A plain file ignores any password.
        decoder.SetPassword(decoder.m_protected ? password : "");
        r = decoder.ReadHeader();
    }
    if (r == kTlaOk) {
        *width = decoder.m_width;
        *height = decoder.m_height;
        *entries = decoder.m_entries;
        if (state) {
            for (std::unique_ptr<CFileDataTag>& item : decoder.m_items)
                state->fileDataTags.push_back(std::move(item));
        }
        decoder.m_items.clear();
        if (format < 2 && palette)
            std::memcpy(palette, decoder.m_palette, sizeof decoder.m_palette);
        if (!headerOnly) {
            r = decoder.SetOutputFormat(format);
            if (r == kTlaOk)
                r = decoder.SkipCompression();
            if (r == kTlaOk)
                r = decoder.StartStrips();
        }
    }
    m_status = CISTLADecoder::MapCode(r);
    if (m_status != 0)
        return nullptr;
    return holder;
}

void CISTLAReader::Rows(Holder& holder, BYTE* first, int64_t step, bool swap)
{
    CISTLADecoder& decoder = holder.decoder;
    const uint32_t height = decoder.m_height;
    for (uint32_t y = 0; y < height; ++y) {
        BYTE* row = first + step * int64_t(y);
        if (int32_t r = decoder.NextRow(row)) {
            m_status = CISTLADecoder::MapCode(r);
            break;
        }
        ++holder.rowsDelivered;
        if (swap && decoder.m_format == 3)
            ISSwapRB24(row, decoder.m_width, 1);
        else if (swap && decoder.m_format == 4)
            ISSwapRB32(row, decoder.m_width, 1);
        if (ISCallProgress(static_cast<int32_t>(y), static_cast<int32_t>(height))) {
            m_status = 14;
            break;
        }
    }
    // Rows of a damaged strip were delivered, but the picture is not whole.
    if (m_status == 0 && decoder.m_damaged)
        m_status = 3;
}

void CISTLAReader::Read(CISReadCall& call, uint32_t* width, uint32_t* height, const char* password,
                        uint32_t bytesPerPixel, RGBQUAD* palette, uint32_t flags)
{
    uint32_t entries = 0;
    std::unique_ptr<Holder> holder = Open(call.Source(), password, width, height, bytesPerPixel, palette, &entries,
                                          false);
    if (!holder)
        return;
    uint64_t rowBytes = uint64_t(*width) * bytesPerPixel;
    if (flags & kTlaReadPadded)
        rowBytes = (rowBytes + 3) / 4 * 4;
    const uint64_t total = rowBytes * *height;
    if (total > ISMaxAlloc()) {
        m_status = 1;
        return;
    }
    BYTE* out = call.Allocate(total);
    Rows(*holder, out, static_cast<int64_t>(rowBytes), false);
}

void CISTLAReader::ReadDIB(CISReadCall& call, uint32_t* width, uint32_t* height, const char* password)
{
    uint32_t entries = 0;
    RGBQUAD palette[256];
    std::unique_ptr<Holder> holder = Open(call.Source(), password, width, height, 0, palette, &entries, true);
    if (!holder)
        return;
    CISTLADecoder& decoder = holder->decoder;
    const uint32_t c = decoder.m_bytesPerPixel == 2 ? 4 : decoder.m_bytesPerPixel;
    if (decoder.SetOutputFormat(c) != kTlaOk || decoder.SkipCompression() != kTlaOk) {
        m_status = 52;
        return;
    }
    if (int32_t r = decoder.StartStrips()) {
        m_status = CISTLADecoder::MapCode(r);
        return;
    }
    const uint64_t rowBytes = (uint64_t(c) * *width * 8 + 31) / 32 * 4;
    const uint64_t headerBytes = c == 1 ? 40 + 1024 : 40;
    const uint64_t total = headerBytes + rowBytes * *height;
    if (total > ISMaxAlloc()) {
        m_status = 1;
        return;
    }
    BYTE* out = call.Allocate(total);
    PutLE32(out, 40);
    PutLE32(out + 4, *width);
    PutLE32(out + 8, *height);
    out[12] = 1;
    out[14] = static_cast<BYTE>(8 * c);
    PutLE32(out + 20, static_cast<uint32_t>(rowBytes * *height));
    PutLE32(out + 32, c == 1 ? 256 : 0);
    if (c == 1)
        std::memcpy(out + 40, palette, sizeof palette);
    BYTE* last = out + headerBytes + rowBytes * (*height - 1);
    Rows(*holder, last, -static_cast<int64_t>(rowBytes), true);
}

BOOL CISTLAReader::GetDims(CISIO* source, const char* password, uint32_t* width, uint32_t* height,
                           uint32_t* bitsPerPixel)
{
    uint32_t w = 0, h = 0, entries = 0;
    std::unique_ptr<Holder> holder = Open(source, password, &w, &h, 0, nullptr, &entries, true);
    if (!holder)
        return FALSE;
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (bitsPerPixel)
        *bitsPerPixel = holder->decoder.m_bytesPerPixel * 8;
    return TRUE;
}

extern "C" void* is5_ReadTLA(HISSRC source, uint32_t* width, uint32_t* height, const char* password,
                             uint32_t bytesPerPixel, RGBQUAD* palette, uint32_t flags)
{
    static const char kName[] = "is5_ReadTLA";
    uint32_t w = 0, h = 0;
    uint32_t* outW = width ? width : &w;
    uint32_t* outH = height ? height : &h;
    return ISReadEntry(kName, source, true, bytesPerPixel, flags, {1, 3, 4}, [&](CISReadCall& call) {
        CISTLAReader reader;
        if (call.Dib())
            reader.ReadDIB(call, outW, outH, password);
        else
            reader.Read(call, outW, outH, password, bytesPerPixel, palette, flags);
        call.m_status = reader.m_status;
    });
}

extern "C" BOOL is5_GetTLADims_(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                                const char* password, int32_t /*reserved*/)
{
    static const char kName[] = "is5_GetTLADims_";
    return ISDimsEntry(kName, source, true, [&](CISEntryCall& call) {
        CISTLAReader reader;
        BOOL ok = reader.GetDims(call.Source(), password, width, height, bitsPerPixel);
        call.m_status = reader.m_status;
        return ok;
    });
}
