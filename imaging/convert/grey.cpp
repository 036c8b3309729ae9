// RGB to grey, split into bands over the thread pool for large images.
#include "convert.h"

#include "../core/frame.h"

namespace {

// The arguments of one band of the grey conversion.
struct graySingleStruct : CISThreadData {
    const BYTE* source = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pixelStep = 3;
    size_t sourceStride = 0;
    size_t targetStride = 0;
    uint32_t flags = 0;
    BYTE* target = nullptr;
    uint32_t firstRow = 0;
    uint32_t endRow = 0;
};

// Fixed step and channel order let the compiler vectorise the row.
template <uint32_t Step, bool Bgr>
void GreyRow(const BYTE* in, BYTE* out, uint32_t width)
{
    constexpr uint32_t r = Bgr ? 2 : 0;
    constexpr uint32_t b = Bgr ? 0 : 2;
    for (uint32_t x = 0; x < width; ++x, in += Step)
        out[x] = static_cast<BYTE>((306u * in[r] + 601u * in[1] + 117u * in[b]) >> 10);
}

// Converts rows [first, end) and returns the status; the caller holds the call depth.
int32_t GreyBand(const graySingleStruct& band)
{
    const bool bgr = (band.flags & 1) != 0;
    void (*row)(const BYTE*, BYTE*, uint32_t) = band.pixelStep == 4 ? (bgr ? GreyRow<4, true> : GreyRow<4, false>)
                                                                     : (bgr ? GreyRow<3, true> : GreyRow<3, false>);
    const uint32_t rows = band.endRow - band.firstRow;
    for (uint32_t y = band.firstRow; y < band.endRow; ++y) {
        row(band.source + y * band.sourceStride, band.target + y * band.targetStride, band.width);
        if (ISCallProgress(static_cast<int32_t>(y - band.firstRow + 1), static_cast<int32_t>(rows)))
            return 14;
    }
    return 0;
}

int GreyTask(CISThreadData* data)
{
    graySingleStruct* band = static_cast<graySingleStruct*>(data);
    ISCallGuard depth;
    ISTaskProgressScope progress(band);
    band->status = GreyBand(*band);
    return 0;
}

}  // namespace

BOOL CISImgUtil::ISRGBToGrey(const BYTE* source, uint32_t width, uint32_t height, uint32_t pixelStep,
                             size_t sourceStride, size_t targetStride, uint32_t flags, BYTE* target)
{
    if (!source || !target || (pixelStep != 3 && pixelStep != 4))
        return Fail(5);
    ISCallGuard depth;
    graySingleStruct whole;
    whole.source = source;
    whole.width = width;
    whole.height = height;
    whole.pixelStep = pixelStep;
    whole.sourceStride = sourceStride;
    whole.targetStride = targetStride;
    whole.flags = flags;
    whole.target = target;
    whole.endRow = height;

    const int32_t count = ISGetSplitCount();
    if (!ISShouldSplit(flags) || !ISSplitWorthwhile(height) || height > INT32_MAX || count < 2) {
        m_status = GreyBand(whole);
        return m_status == 0;
    }

    RECT rects[16];
    graySingleStruct bands[16];
    CISThreadData* records[16];
    const int32_t n = count < 16 ? count : 16;
    ISSplitRows(rects, static_cast<int32_t>(width), static_cast<int32_t>(height), n);
    const BYTE hasProgress = ISHasProgressCallback() ? 1 : 0;
    for (int32_t i = 0; i < n; ++i) {
        graySingleStruct& band = bands[i];
        band.source = source;
        band.width = width;
        band.height = height;
        band.pixelStep = pixelStep;
        band.sourceStride = sourceStride;
        band.targetStride = targetStride;
        band.flags = flags;
        band.target = target;
        band.firstRow = static_cast<uint32_t>(rects[i].top);
        band.endRow = static_cast<uint32_t>(rects[i].bottom);
        band.hasProgress = hasProgress;
        records[i] = &band;
    }
    m_status = ISRunTasks(GreyTask, records, n);
    return m_status == 0;
}
