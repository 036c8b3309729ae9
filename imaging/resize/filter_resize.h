// The filtered resampling engine (modes 0 to 13, 8-bit samples).
#pragma once

#include <cstdint>

#include "filter_contrib.h"
#include "resize.h"

// One working record per running column band.
class CISFilterResize {
public:
    CISFilterResize() = default;
    CISFilterResize(const CISFilterResize&) = delete;
    CISFilterResize& operator=(const CISFilterResize&) = delete;

    BOOL Run(const BYTE* src, int32_t sw, int32_t sh, BYTE* dst, int32_t dw, int32_t dh, int32_t channels,
             int32_t kind, int32_t srcStride, int32_t dstStride, int32_t flags, bool progress);

    // Resamples destination columns [first, end), all rows; returns the status.
    int32_t ColumnLoop(int32_t first, int32_t end, const ISKernel& kernel, const ISContributionList* rows,
                       bool progress);

    int32_t m_status = 0;

    const BYTE* m_src = nullptr;
    int32_t m_sw = 0;
    int32_t m_sh = 0;
    BYTE* m_dst = nullptr;
    int32_t m_dw = 0;
    int32_t m_dh = 0;
    int32_t m_channels = 0;
    int32_t m_srcStride = 0;
    int32_t m_dstStride = 0;
    int32_t m_flags = 0;

private:
    ISCallGuard m_guard;
};

class CISImgFilterResizeT : public CISResizeBaseT<BYTE> {
public:
    explicit CISImgFilterResizeT(int32_t kind) : CISResizeBaseT<BYTE>(false), m_kind(kind) {}
    BOOL Resize(const CISImgView<const BYTE>& src, const CISImgView<BYTE>& dst, int32_t flags) override;

private:
    int32_t m_kind;
};
