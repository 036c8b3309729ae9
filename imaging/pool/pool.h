// The thread pool that pixel operations split their bands over.
#pragma once

#include <atomic>
#include <cstdint>

#include "../is5.h"
#include "../platform/winshim.h"

// Base of every operation's per-band record.
struct CISThreadData {
    virtual ~CISThreadData() = default;
    BYTE hasProgress = 0;             // the caller had a progress callback when built
    std::atomic<bool> cancel{false};  // set by the pool to stop the task
    std::atomic<double> percent{0.0}; // 0..100
    int32_t taskIndex = -1;
    int32_t status = 0;               // 0 = success, else the operation's code
};

typedef int (*ISTaskFunction)(CISThreadData* data);

// Flag that keeps an operation on the calling thread.
constexpr uint32_t kISNoSplit = IS5_NO_SPLIT;

// Whether an operation may use the pool: started, not on a worker, no 0x100000.
// The operation still checks its own row (or column) count with ISSplitWorthwhile.
BOOL ISShouldSplit(uint32_t flags);
inline bool ISSplitWorthwhile(int64_t rows) { return rows > 20; }
int32_t ISGetSplitCount();

// Runs one task per record and waits for all; returns the first non-zero
// status in index order, or 1, 14, 84, 89. While it waits, a caller with a
// progress callback sees the tasks' mean percent (total 100) every 200 ms.
// ISShutdown (is5.h) ends queued tasks with 89 and cancels running ones.
// Never call it from inside a task: the task would wait for its own workers.
int32_t ISRunTasks(ISTaskFunction function, CISThreadData* const* records, int32_t count);

// The progress function a task calls for its band: FALSE when cancelled.
BOOL ISTaskProgress(int32_t done, int32_t total, void* record);

// Held by a task for the length of its band: installs ISTaskProgress as the
// worker's progress callback when the caller had one, and clears it again.
class ISTaskProgressScope {
public:
    explicit ISTaskProgressScope(CISThreadData* record);
    ~ISTaskProgressScope();
    ISTaskProgressScope(const ISTaskProgressScope&) = delete;
    ISTaskProgressScope& operator=(const ISTaskProgressScope&) = delete;

private:
    bool m_installed;
};

// Band i of n over `rows` rows: full width, top = floor(rows/n)*i, the last
// band ends at `rows`.
void ISSplitRows(RECT* bands, int32_t width, int32_t rows, int32_t count);
void ISSplitColumns(RECT* bands, int32_t columns, int32_t height, int32_t count);

// Starts the pool (from is5_Initialize); TRUE when all workers run, FALSE
// when it was started before or a worker could not be made.
BOOL ISStartPool();

// TRUE on one of the pool's own worker threads.
BOOL ISOnPoolWorker();

// How long Run waits without a progress callback before it cancels and
// returns 84; INFINITE by default. For tests.
void ISSetPoolWaitTimeout(DWORD milliseconds);
// Tasks queued and not yet taken by a worker. For tests.
int32_t ISPoolQueuedTasks();
