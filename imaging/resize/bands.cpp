#include "bands.h"

#include <new>

#include "../core/frame.h"

namespace {

int ResizeTask(CISThreadData* data)
{
    ISResizeTaskRecord* record = static_cast<ISResizeTaskRecord*>(data);
    if (record->hasProgress)
        ISSetCallback(ISTaskProgress, record);
    int32_t status;
    try {
        status = record->RunBand();
    } catch (const ISException& e) {
        status = e.Code() ? e.Code() : 1;
    } catch (const std::bad_alloc&) {
        status = 1;
    } catch (...) {
        status = 1;
    }
    record->status = status;
    if (record->hasProgress)
        ISSetCallback(nullptr, nullptr);
    return status;
}

}  // namespace

int32_t ISResizeBandCount(int32_t flags, int64_t extent)
{
    if (!ISShouldSplit(static_cast<uint32_t>(flags)))
        return 0;
    const int32_t n = ISGetSplitCount();
    if (n < 2 || extent <= 5 * static_cast<int64_t>(n))
        return 0;
    return n;
}

int32_t ISResizeRunBands(ISResizeTaskRecord* const* records, int32_t count)
{
    CISThreadData* tasks[64];
    if (count < 1 || count > 64)
        return 5;
    for (int32_t i = 0; i < count; ++i)
        tasks[i] = records[i];
    return ISRunTasks(ResizeTask, tasks, count);
}
