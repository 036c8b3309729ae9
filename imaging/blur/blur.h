// Box blur, Gaussian blur (direct kernel and recursive filter) and unsharp
// mask over interleaved 8- or 16-bit samples. Strides count samples. Every
// routine runs on the calling thread and returns TRUE on success, leaving its
// library code (0, 1, 5 or 14) in its status.
#pragma once

#include <cstdint>

#include "../core/buffers.h"
#include "../is5.h"
#include "../platform/winshim.h"

// Flags shared by the blur entries; bits 0-7 are the channel mask.
enum : uint32_t {
    kISBlurChannelMask = IS5_BLUR_CHANNEL_MASK,
    kISBlurDirectKernel = 0x100u,  // unsharp mask: always use the direct Gaussian kernel
    kISBlur16Bit = IS5_BLUR_16BIT,
    kISBlurTruncate = 0x400u,      // direct kernel: truncate instead of rounding
};

// The image geometry every blur routine takes; strides in samples.
struct ISBlurGeometry {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;
    size_t srcStride = 0;
    size_t dstStride = 0;
};

// TRUE when the geometry is one the routines accept: sizes at least 1,
// channels 1-8, strides at least width x channels.
BOOL ISBlurGeometryValid(const ISBlurGeometry& g);

// Box blur mixed with the source: dst = trunc(box * mix + src * (1 - mix)).
// Even sizes are raised to the next odd one; mix is clamped to [0, 1].
BOOL ISBoxBlur8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, int32_t size, double mix, uint32_t flags,
                int32_t* status);
BOOL ISBoxBlur16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, int32_t size, double mix,
                 uint32_t flags, int32_t* status);

// Odd-length kernel of single-precision weights summing to 1; sigma <= 0
// gives the one-tap identity kernel. Taps farther than maxRadius are never
// built (no image line can reach them). FALSE when it cannot be allocated.
BOOL ISMakeGaussianKernel(double sigma, int32_t maxRadius, ISArray<float>* kernel);

// The Gaussian operation: direct separable kernel or recursive filter.
class CISGaussian {
public:
    CISGaussian();
    int32_t m_status = 0;

    // sigma < 1 or flag 0x100: the direct kernel; otherwise recursive.
    BOOL ISGaussianBlur8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, double sigma, uint32_t flags);
    BOOL ISGaussianBlur16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, double sigma,
                          uint32_t flags);
    BOOL ISGaussianKernel8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, double sigma, uint32_t flags);
    BOOL ISGaussianKernel16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, double sigma,
                            uint32_t flags);
    BOOL ISRecursiveGaussian8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, double sigma, uint32_t flags);
    BOOL ISRecursiveGaussian16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, double sigma,
                               uint32_t flags);

private:
    template <typename T>
    BOOL Kernel(const T* src, T* dst, const ISBlurGeometry& g, double sigma, uint32_t flags, uint32_t maximum);
    template <typename T, typename Inter>
    BOOL Recursive(const T* src, T* dst, const ISBlurGeometry& g, double sigma, uint32_t flags, uint32_t maximum);
    BOOL Fail(int32_t code)
    {
        m_status = code;
        return FALSE;
    }

    BYTE m_hasProgress = 0;
};

// The coefficients of the fourth-order recursive Gaussian, in double or
// single precision.
template <typename Real>
struct ISDericheCoefficients {
    Real F[5] = {};   // causal numerators
    Real M[5] = {};   // anticausal numerators
    Real D[5] = {};   // denominators
    Real DA[5] = {};  // denominators, anticausal copy
    Real BC[5] = {};  // causal border terms
    Real BA[5] = {};  // anticausal border terms
    Real Gc = 0;      // causal steady-state gain
    Real Ga = 0;      // anticausal steady-state gain

    void Compute(Real sigma);
    // Filters one line of n >= 1 values; the borders repeat the end samples.
    // causal and anticausal hold n values each. The blur itself runs many
    // lines at once with these operations in this order, so this scalar
    // version is the reference it must match exactly.
    void FilterLine(const Real* x, int32_t n, Real* causal, Real* anticausal) const;
};

// Unsharp mask: dst first receives the Gaussian blur of src, then
// o + trunc((o - b) * amount) where |o - b| > threshold (as unsigned).
BOOL ISUnsharpMask8(const BYTE* src, BYTE* dst, const ISBlurGeometry& g, int32_t threshold, double amount,
                    double sigma, uint32_t flags, int32_t* status);
BOOL ISUnsharpMask16(const uint16_t* src, uint16_t* dst, const ISBlurGeometry& g, int32_t threshold, double amount,
                     double sigma, uint32_t flags, int32_t* status);
