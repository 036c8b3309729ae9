// The generic reader: guesses the type, probes the file with its reader's
// dims entry and reads it at the requested depth, converting where the
// format cannot deliver that depth itself.
#include <cstring>

#include "../convert/convert.h"
#include "../core/buffers.h"
#include "../core/callbacks_aside.h"
#include "../core/frame.h"
#include "../core/io.h"
#include "../tone/tone.h"
#include "file_type.h"
#include "reader_table.h"

namespace {

class CISGenericReadBase {
public:
    CISGenericReadBase() = default;
    virtual ~CISGenericReadBase() { Drop(); }
    CISGenericReadBase(const CISGenericReadBase&) = delete;
    CISGenericReadBase& operator=(const CISGenericReadBase&) = delete;

    void Read(HISSRC source, uint32_t mode);
    // Hands the buffer to the caller; the object forgets it.
    void* Take(uint32_t* width, uint32_t* height)
    {
        void* buffer = m_buffer;
        *width = buffer ? m_width : 0;
        *height = buffer ? m_height : 0;
        m_buffer = nullptr;
        return buffer;
    }

    int32_t m_status = 0;

private:
    int32_t Probe(HISSRC source, ISProbe* probe);
    bool Call(ISReadFn read, HISSRC source, const ISProbe& probe);
    void ReadRgb(HISSRC source, const ISProbe& probe);
    void ReadRgba(HISSRC source, const ISProbe& probe);
    void ReadOneBit(HISSRC source, const ISProbe& probe);
    void ReadDib(HISSRC source, const ISProbe& probe);
    void Replace(void* buffer, uint32_t bits);
    void Drop() { Replace(nullptr, 0); }
    bool Fail(int32_t code)
    {
        m_status = code;
        Drop();
        return false;
    }
    BYTE* NewBuffer(CISOutBufAllocator* out, uint64_t bytes);

    void* m_buffer = nullptr;
    uint32_t m_bits = 0;
    uint32_t m_height = 0;
    uint32_t m_width = 0;
    RGBQUAD m_palette[256] = {};
    // Every buffer of a generic read comes from GlobalAlloc: the thread's
    // allocation callbacks are put aside for the object's lifetime.
    CISAllocCallbacksAside m_callbacks;
};

void CISGenericReadBase::Replace(void* buffer, uint32_t bits)
{
    if (m_buffer && m_buffer != buffer)
        GlobalFree(m_buffer);
    m_buffer = buffer;
    m_bits = bits;
}

// A new buffer for a conversion; code 1 when it cannot be had.
BYTE* CISGenericReadBase::NewBuffer(CISOutBufAllocator* out, uint64_t bytes)
{
    if (bytes > ISMaxAlloc() || !out->Alloc(bytes)) {
        Fail(1);
        return nullptr;
    }
    return out->GetData();
}

int32_t CISGenericReadBase::Probe(HISSRC source, ISProbe* probe)
{
    CISIO* io = ISFromHandle(source);
    // From the start, wherever an earlier reader left the source.
    if (!io->Rewind())
        return 3;
    int32_t guessStatus = 0;
    int32_t type = ISGuessFileType(io, &guessStatus);
    probe->reader = ISReaderForType(type, ISSourceExtension(io));
    if (probe->reader == kISReaderNone)
        return 2;
    if (probe->reader == kISReaderTlaProtected)
        return 52;  // no password here
    const ISReaderRow& row = ISReaderRowOf(probe->reader);
    probe->naturalDepth = row.depth;
    int32_t status = 0;
    if (row.probe && io->Rewind())
        status = row.probe(source, probe);
    io->Rewind();
    return status;
}

// One read entry of the table; false when it gave no buffer.
bool CISGenericReadBase::Call(ISReadFn read, HISSRC source, const ISProbe& probe)
{
    ISFromHandle(source)->Rewind();
    ISPathOut out;
    read(source, probe, &out);
    Replace(out.buffer, out.bits);
    m_width = out.width;
    m_height = out.height;
    std::memcpy(m_palette, out.palette, sizeof m_palette);
    m_status = out.status;
    if (!m_buffer) {
        if (m_status == 0)
            m_status = 17;
        return false;
    }
    return true;
}

void CISGenericReadBase::ReadRgb(HISSRC source, const ISProbe& probe)
{
    if (!Call(ISReaderRowOf(probe.reader).read24, source, probe) || m_bits == 24)
        return;
    // Palette rows (GIF, WBMP, PGM, PBM) to R,G,B; the reader's code stands
    // unless the expansion itself fails.
    ISCallGuard quiet;
    CISOutBufAllocator out;
    BYTE* target = NewBuffer(&out, uint64_t(m_width) * m_height * 3);
    if (!target)
        return;
    int32_t code = 0;
    if (!ISPaletteRowsToRGB(m_buffer, m_bits, m_width, m_height, m_palette, target, &code)) {
        out.Free();
        Fail(code);
        return;
    }
    Replace(out.Release(), 24);
}

void CISGenericReadBase::ReadRgba(HISSRC source, const ISProbe& probe)
{
    if (ISReadFn read = ISReaderRowOf(probe.reader).read32) {
        Call(read, source, probe);
        return;
    }
    ReadRgb(source, probe);
    if (!m_buffer)
        return;
    ISCallGuard quiet;
    CISOutBufAllocator out;
    BYTE* target = NewBuffer(&out, uint64_t(m_width) * m_height * 4);
    if (!target)
        return;
    if (!is5_RGBToRGBA(m_buffer, m_width, m_height, m_width * 3, target, m_width * 4, 255)) {
        int32_t code = ISGetLastError();
        out.Free();
        Fail(code ? code : 17);
        return;
    }
    Replace(out.Release(), 32);
}

void CISGenericReadBase::ReadOneBit(HISSRC source, const ISProbe& probe)
{
    ISReadFn read = ISReaderRowOf(probe.reader).read1;
    if (read && probe.oneBit) {
        Call(read, source, probe);
        return;
    }
    ReadRgb(source, probe);
    if (!m_buffer)
        return;
    ISCallGuard quiet;
    uint64_t pixels = uint64_t(m_width) * m_height;
    ISArray<BYTE> grey;
    if (pixels > ISMaxAlloc() || !grey.Resize(static_cast<int32_t>(pixels))) {
        Fail(1);
        return;
    }
    CISImgUtil util;
    if (!util.ISRGBToGrey(static_cast<const BYTE*>(m_buffer), m_width, m_height, 3, size_t(m_width) * 3, m_width, 0,
                          grey.GetData())) {
        Fail(util.m_status ? util.m_status : 17);
        return;
    }
    uint64_t rowBytes = (uint64_t(m_width) + 7) / 8;
    CISOutBufAllocator out;
    BYTE* target = NewBuffer(&out, rowBytes * m_height);
    if (!target)
        return;
    int32_t cut = 0, code = 0;
    if (!ISAutoThreshold(grey.GetData(), target, static_cast<int32_t>(m_width), static_cast<int32_t>(m_height),
                         static_cast<int32_t>(m_width), static_cast<int32_t>(rowBytes), 4, 0, FALSE, &cut, &code)) {
        out.Free();
        Fail(code ? code : 17);
        return;
    }
    Replace(out.Release(), 1);
}

void CISGenericReadBase::ReadDib(HISSRC source, const ISProbe& probe)
{
    if (!Call(ISReaderRowOf(probe.reader).readDib, source, probe))
        return;
    // The size the caller gets is the DIB's own.
    BITMAPINFOHEADER header;
    if (GlobalSize(m_buffer) < sizeof header) {
        Fail(17);
        return;
    }
    std::memcpy(&header, m_buffer, sizeof header);
    m_width = header.biWidth < 0 ? 0u - uint32_t(header.biWidth) : uint32_t(header.biWidth);
    m_height = header.biHeight < 0 ? 0u - uint32_t(header.biHeight) : uint32_t(header.biHeight);
}

void CISGenericReadBase::Read(HISSRC source, uint32_t mode)
{
    Drop();
    ISProbe probe;
    if (int32_t status = Probe(source, &probe)) {
        m_status = status;
        return;
    }
    switch (mode) {
    case 1: ReadRgba(source, probe); break;
    case 2: ReadDib(source, probe); break;
    case 3: ReadOneBit(source, probe); break;
    default: ReadRgb(source, probe); break;
    }
    if (!m_buffer && m_status == 0)
        m_status = 17;
}

}  // namespace

BOOL ISPaletteRowsToRGB(const void* rows, uint32_t bits, uint32_t width, uint32_t height, const RGBQUAD* palette,
                        BYTE* target, int32_t* status)
{
    BOOL ok = FALSE;
    int32_t code = 5;
    if (bits == 8) {
        ok = is5_8BitToRGB(rows, width, height, width, target, width * 3, 0, palette, 0);
        code = ISGetLastError();
    } else if (bits == 1) {
        CISImgUtil util;
        ok = util.ISMonoToRGB(static_cast<const BYTE*>(rows), width, height, (size_t(width) + 7) / 8, palette, target,
                              size_t(width) * 3);
        code = util.m_status;
    }
    *status = ok ? 0 : code != 0 ? code : 17;
    return ok;
}

extern "C" void* is5_ReadImage(HISSRC source, uint32_t* width, uint32_t* height, uint32_t mode, int32_t /*reserved*/)
{
    static const char kName[] = "is5_ReadImage";
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (!ISBeginEntry(kName, source, true))
        return nullptr;
    void* buffer = nullptr;
    uint32_t w = 0, h = 0;
    int32_t status = 0;
    {
        CISGenericReadBase reader;
        reader.Read(source, mode);
        buffer = reader.Take(&w, &h);
        status = reader.m_status;
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
    ISSetLastError(status, kName);
    return buffer;
}
