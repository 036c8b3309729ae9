// Sampling of decoded JPEG 2000 components and the row writers.
#include <cmath>

#include "saj2k_internal.h"

namespace {

// The source index of output position `i`: (i × scale + origin) / step,
// truncated toward zero, or -1 outside 0..count-1.
bool SourceIndices(uint32_t outCount, double origin, double scale, uint32_t step, uint32_t count,
                   std::vector<int32_t>* indices)
{
    indices->resize(outCount);
    for (uint32_t i = 0; i < outCount; ++i) {
        double d = (i * scale + origin) / step;
        (*indices)[i] = (d > -1.0 && d < count) ? static_cast<int32_t>(d) : -1;
    }
    return true;
}

inline int64_t Fetch(const SAJ2KPlane& plane, const int32_t* row, uint32_t x)
{
    int64_t v = 0;
    if (row) {
        int32_t column = plane.columns[x];
        if (column >= 0)
            v = row[column];
    }
    // Multiplying keeps the shift of negative samples well defined.
    v = plane.shiftLeft ? v * (int64_t(1) << plane.shiftLeft) : v >> plane.shiftRight;
    return v - plane.offset;
}

inline int32_t Clamp(int64_t v, int32_t maxValue)
{
    return v < 0 ? 0 : v > maxValue ? maxValue : static_cast<int32_t>(v);
}

inline void Sample(const SAJ2KSampler& s, const int32_t* const rowData[4], uint32_t x, int32_t out[4])
{
    int64_t v0;
    int64_t v1;
    int64_t v2;
    if (s.family == kSAJ2KFamilyGrey) {
        v0 = v1 = v2 = Fetch(s.planes[0], rowData[0], x);
    } else {
        v0 = Fetch(s.planes[0], rowData[0], x);
        v1 = Fetch(s.planes[1], rowData[1], x);
        v2 = Fetch(s.planes[2], rowData[2], x);
        if (s.family == kSAJ2KFamilyYCbCr) {
            const double y = static_cast<double>(v0);
            const double cb = static_cast<double>(v1);
            const double cr = static_cast<double>(v2);
            v0 = static_cast<int64_t>(y + 1.402 * cr);
            v1 = static_cast<int64_t>(y - 0.34413 * cb - 0.71414 * cr);
            v2 = static_cast<int64_t>(y + 1.772 * cb);
        }
    }
    out[0] = Clamp(v0, s.maxValue);
    out[1] = Clamp(v1, s.maxValue);
    out[2] = Clamp(v2, s.maxValue);
    out[3] = s.hasAlpha ? Clamp(Fetch(s.planes[3], rowData[3], x), s.maxValue) : s.maxValue;
}

template <typename T, uint32_t Channels, bool Dib>
int32_t WriteRows(const SAJ2KSampler& s, const SAJ2KThreadRecord& record, BYTE* pixels, uint32_t width,
                  uint32_t height, uint64_t rowBytes)
{
    const int32_t planeCount = s.family == kSAJ2KFamilyGrey ? 1 : 3;
    for (uint32_t y = 0; y < height; ++y) {
        T* dst = reinterpret_cast<T*>(pixels + (Dib ? height - 1 - y : y) * rowBytes);
        const int32_t* rowData[4] = {nullptr, nullptr, nullptr, nullptr};
        for (int32_t k = 0; k < 4; ++k) {
            const SAJ2KPlane& plane = s.planes[k];
            if ((k < planeCount || (k == 3 && s.hasAlpha)) && plane.rows[y] >= 0)
                rowData[k] = plane.data + static_cast<size_t>(plane.rows[y]) * plane.width;
        }
        int32_t v[4];
        for (uint32_t x = 0; x < width; ++x, dst += Channels) {
            Sample(s, rowData, x, v);
            if (Channels == 1) {
                dst[0] = static_cast<T>(v[0]);
                continue;
            }
            dst[0] = static_cast<T>(Dib ? v[2] : v[0]);
            dst[1] = static_cast<T>(v[1]);
            dst[2] = static_cast<T>(Dib ? v[0] : v[2]);
            if (Channels == 4)
                dst[3] = static_cast<T>(v[3]);
        }
        if (SAJ2KProgress(record, static_cast<int32_t>(y), static_cast<int32_t>(height)))
            return 14;
    }
    return 0;
}

}  // namespace

bool SAJ2KPreparePlane(const SAJ2KComponentInfo& component, uint32_t width, uint32_t height, double originX,
                       double originY, double scaleX, double scaleY, int32_t targetBits, SAJ2KPlane* plane)
{
    if (!component.data || component.precision < 1 || component.precision > 31 || component.width > INT32_MAX ||
        component.height > INT32_MAX)
        return false;
    plane->data = component.data;
    plane->width = component.width;
    const int32_t precision = static_cast<int32_t>(component.precision);
    plane->shiftLeft = precision < targetBits ? targetBits - precision : 0;
    plane->shiftRight = precision > targetBits ? precision - targetBits : 0;
    plane->offset = 0;
    return SourceIndices(width, originX, scaleX, component.dx, component.width, &plane->columns) &&
           SourceIndices(height, originY, scaleY, component.dy, component.height, &plane->rows);
}

void SAJ2KSamplePixel(const SAJ2KSampler& sampler, const int32_t* const rowData[4], uint32_t x, int32_t out[4])
{
    Sample(sampler, rowData, x, out);
}

int32_t SAJ2KWriteRows8(const SAJ2KSampler& sampler, const SAJ2KThreadRecord& record, BYTE* pixels, uint32_t width,
                        uint32_t height, uint64_t rowBytes, uint32_t channels, bool dib)
{
    switch (channels * 2 + (dib ? 1 : 0)) {
    case 2:
        return WriteRows<BYTE, 1, false>(sampler, record, pixels, width, height, rowBytes);
    case 3:
        return WriteRows<BYTE, 1, true>(sampler, record, pixels, width, height, rowBytes);
    case 6:
        return WriteRows<BYTE, 3, false>(sampler, record, pixels, width, height, rowBytes);
    case 7:
        return WriteRows<BYTE, 3, true>(sampler, record, pixels, width, height, rowBytes);
    case 8:
        return WriteRows<BYTE, 4, false>(sampler, record, pixels, width, height, rowBytes);
    default:
        return WriteRows<BYTE, 4, true>(sampler, record, pixels, width, height, rowBytes);
    }
}

int32_t SAJ2KWriteRows16(const SAJ2KSampler& sampler, const SAJ2KThreadRecord& record, BYTE* pixels, uint32_t width,
                         uint32_t height, uint64_t rowBytes, uint32_t channels)
{
    switch (channels) {
    case 1:
        return WriteRows<uint16_t, 1, false>(sampler, record, pixels, width, height, rowBytes);
    case 3:
        return WriteRows<uint16_t, 3, false>(sampler, record, pixels, width, height, rowBytes);
    default:
        return WriteRows<uint16_t, 4, false>(sampler, record, pixels, width, height, rowBytes);
    }
}
