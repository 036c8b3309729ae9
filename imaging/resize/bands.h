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

// Runs `core(op, band)` over the whole destination of width x height: on the
// pool in bands of columns (or rows) when the flags and the extent allow it,
// each band on a resampler of its own (Op built on the worker), otherwise on
// `op` itself over one band. Returns the status.
template <class Op, class Core>
int32_t ISResizeInBands(Op& op, int32_t flags, bool byColumns, uint32_t width, uint32_t height, bool progress,
                        Core core)
{
    struct Record : ISResizeTaskRecord {
        const Core* core = nullptr;
        int32_t RunBand() override
        {
            Op local;
            return (*core)(local, band);
        }
    };
    const int32_t bands = ISResizeBandCount(flags, byColumns ? width : height);
    if (!bands) {
        RECT all = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
        return core(op, all);
    }
    return ISResizeSplit<Record>(bands, byColumns, static_cast<int32_t>(width), static_cast<int32_t>(height), progress,
                                 [&](Record& r) { r.core = &core; });
}
