// The Gaussian dispatcher: the direct kernel for small sigma or on request,
// the recursive filter otherwise.
#include <cmath>

#include "../core/frame.h"
#include "blur.h"

CISGaussian::CISGaussian() : m_hasProgress(ISHasProgressCallback() ? 1 : 0) {}

BOOL CISGaussian::ISGaussianBlur8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, double sigma, uint32_t flags)
{
    if (std::isnan(sigma))
        return Fail(5);
    if (sigma < 1.0 || (flags & kISBlurDirectKernel))
        return ISGaussianKernel8(src, dst, g, sigma, flags);
    return ISRecursiveGaussian8(src, dst, g, sigma, flags);
}

BOOL CISGaussian::ISGaussianBlur16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, double sigma,
                                   uint32_t flags)
{
    if (std::isnan(sigma))
        return Fail(5);
    if (sigma < 1.0 || (flags & kISBlurDirectKernel))
        return ISGaussianKernel16(src, dst, g, sigma, flags);
    return ISRecursiveGaussian16(src, dst, g, sigma, flags);
}
