#include "resamplers.h"

template <typename T>
BOOL CISSimpleResize<T>::Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t /*flags*/)
{
    const uint64_t ch = src.channels;
    if (!src.width || !src.height || !dst.width || !dst.height || !ch || !src.pixels || !dst.pixels ||
        src.stride < src.width * ch * sizeof(T) || dst.stride < dst.width * ch * sizeof(T))
        return this->Fail(5);
    if (ISResizeCopyIfSame(src, dst))
        return TRUE;

    // x × sw and y × sh may pass 32 bits.
    ISArray<int64_t> columns;
    ISArray<int64_t> rows;
    if (!columns.Resize(static_cast<int32_t>(dst.width)) || !rows.Resize(static_cast<int32_t>(dst.height)))
        return this->Fail(1);
    for (uint64_t x = 0; x < dst.width; ++x)
        columns[x] = static_cast<int64_t>(x * src.width / dst.width * ch);
    for (uint64_t y = 0; y < dst.height; ++y)
        rows[y] = static_cast<int64_t>(y * src.height / dst.height);

    for (uint32_t k = 0; k < ch; ++k) {
        for (uint32_t y = 0; y < dst.height; ++y) {
            const T* in = ISRow(src, rows[y]) + k;
            T* out = ISRow(dst, y) + k;
            for (uint32_t x = 0; x < dst.width; ++x)
                out[static_cast<size_t>(x) * ch] = in[columns[x]];
        }
        if (this->Cancelled(static_cast<int32_t>(k), static_cast<int32_t>(ch)))
            return this->Fail(14);
    }
    this->m_status = 0;
    return TRUE;
}

template class CISSimpleResize<BYTE>;
template class CISSimpleResize<uint16_t>;
