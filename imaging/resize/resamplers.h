// The resamplers without a kernel table: modes 14 to 18.
#pragma once

#include <cstdint>

#include "resize.h"

// Mode 14: the mean of b × b blocks, b the smaller whole ratio.
template <typename T>
class CISImgDecimateT : public CISResizeBaseT<T> {
public:
    BOOL Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags) override;
    int32_t Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band);
};

struct ISDecimateColumn {
    int32_t first;
    int32_t end;  // exclusive
    double firstWeight;
    double lastWeight;
    double total;
};

// Mode 15: the exact area average over non-integer ratios.
template <typename T>
class CISImgDecimateExT : public CISResizeBaseT<T> {
public:
    BOOL Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags) override;
    int32_t Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band,
                 const ISDecimateColumn* columns);
};

struct ISBilinearColumn {
    int32_t left;   // source column × channels
    int32_t right;  // its right neighbour × channels
    double fraction;
};

// Mode 16.
template <typename T>
class CISImgResizeBilinearT : public CISResizeBaseT<T> {
public:
    ~CISImgResizeBilinearT() override = default;
    BOOL Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags) override;
    int32_t Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band,
                 const ISBilinearColumn* columns);
};

struct ISBicubicColumn {
    int32_t offset[4];  // source column × channels
    double weight[4];
};

// Mode 17: cubic convolution (a = -1) over 4 × 4 neighbours.
template <typename T>
class CISBicubicResizeT : public CISResizeBaseT<T> {
public:
    BOOL Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags) override;
    int32_t Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band,
                 const ISBicubicColumn* columns);
};

// Mode 18: nearest sample, one channel plane at a time.
template <typename T>
class CISSimpleResize : public CISResizeBaseT<T> {
public:
    BOOL Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags) override;
};

// Neighbour k (0..3) of position p along an axis of s samples, and the weights.
void ISBicubicTaps(double p, int32_t s, int32_t index[4], double weight[4]);
