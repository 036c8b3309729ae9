// Splitting a resize over the thread pool: one task record per band.
#pragma once

#include <cstdint>

#include "../pool/pool.h"

// A band of destination pixels that one task fills; RunBand builds a local
// operation object on the worker thread and runs it over the band.
struct ISResizeTaskRecord : CISThreadData {
    RECT band{};
    virtual int32_t RunBand() = 0;
};

// The number of bands to use, or 0 to stay on the calling thread.
int32_t ISResizeBandCount(int32_t flags, int64_t extent);

// Runs the records' bands on the pool and waits; returns the pool's result.
int32_t ISResizeRunBands(ISResizeTaskRecord* const* records, int32_t count);

// Builds `count` records of type Record over row bands (or column bands),
// lets `setup` fill each one's shared fields and runs them.
template <class Record, class Setup>
int32_t ISResizeSplit(int32_t count, bool byColumns, int32_t width, int32_t height, bool progress, Setup setup)
{
    RECT bands[64];
    if (count < 1 || count > 64)
        return 5;
    if (byColumns)
        ISSplitColumns(bands, width, height, count);
    else
        ISSplitRows(bands, width, height, count);
    Record records[64];
    ISResizeTaskRecord* pointers[64];
    for (int32_t i = 0; i < count; ++i) {
        records[i].band = bands[i];
        records[i].hasProgress = progress ? 1 : 0;
        setup(records[i]);
        pointers[i] = &records[i];
    }
    return ISResizeRunBands(pointers, count);
}
