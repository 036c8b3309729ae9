// The library's worker pool: eight threads take band tasks from one queue;
// the caller waits for its own tasks and relays their progress.
#include "pool.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "../core/frame.h"

namespace {


constexpr int32_t kCodeOutOfMemory = 1;
constexpr int32_t kCodeCancelled = 14;
constexpr int32_t kCodeUnexpected = 17;
constexpr int32_t kCodeTimeOut = 84;
constexpr int32_t kCodeNotStarted = 89;

thread_local bool t_onPoolWorker = false;

// The tasks of one Run call; lives on the caller's stack and is touched only
// under the pool's lock.
struct ISRunGroup {
    int32_t pending = 0;
    bool dropped = false;  // the pool stopped before some task ran
    std::condition_variable done;
};

struct ISThreadTask {
    ISTaskFunction function = nullptr;
    CISThreadData* data = nullptr;
    ISRunGroup* group = nullptr;
    int32_t index = -1;
};

class CISThreadPool;

struct CISThreadWorker {
    std::thread thread;
    CISThreadData* current = nullptr;  // the task in hand, under the pool's lock
};

class CISThreadPool {
public:
    BOOL Start();
    int32_t Run(ISTaskFunction function, CISThreadData* const* records, int32_t count);
    void Shutdown();
    bool Ready() const { return m_ready.load(std::memory_order_acquire); }
    void SetWaitTimeout(DWORD ms) { m_waitTimeout.store(ms, std::memory_order_relaxed); }
    int32_t QueuedTasks();

private:
    void WorkerLoop(CISThreadWorker* worker);
    static void RunTask(const ISThreadTask& task);
    void WaitAll(std::unique_lock<std::mutex>& lock, ISRunGroup& group);

    std::mutex m_lock;
    std::condition_variable m_work;
    std::deque<ISThreadTask> m_queue;
    std::vector<CISThreadWorker*> m_workers;
    bool m_started = false;
    bool m_quit = false;
    std::atomic<bool> m_ready{false};
    std::atomic<DWORD> m_waitTimeout{INFINITE};
    DWORD m_pollInterval = 200;
};

// Created once and never destroyed, so a thread still inside the library at
// process exit never meets a torn-down pool.
CISThreadPool& Pool()
{
    static CISThreadPool* pool = new CISThreadPool;
    return *pool;
}

BOOL CISThreadPool::Start()
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_started)
        return FALSE;
    m_started = true;
    const ISGlobalSettings& settings = ISSettings();
    m_waitTimeout.store(settings.waitTimeout, std::memory_order_relaxed);
    m_pollInterval = settings.pollInterval;
    BOOL all = TRUE;
    for (int32_t i = 0; i < settings.workerCount; ++i) {
        CISThreadWorker* worker = new (std::nothrow) CISThreadWorker;
        if (!worker) {
            all = FALSE;
            break;
        }
        try {
            worker->thread = std::thread(&CISThreadPool::WorkerLoop, this, worker);
        } catch (...) {
            delete worker;
            all = FALSE;
            break;
        }
        m_workers.push_back(worker);
    }
    m_ready.store(!m_workers.empty(), std::memory_order_release);
    return all;
}

void CISThreadPool::RunTask(const ISThreadTask& task)
{
    try {
        task.function(task.data);
    } catch (const ISException& e) {
        task.data->status = e.Code() ? e.Code() : kCodeUnexpected;
    } catch (...) {
        task.data->status = kCodeUnexpected;
    }
    // A task that threw mid-band may have left its progress hook behind.
    ISSetCallback(nullptr, nullptr);
}

void CISThreadPool::WorkerLoop(CISThreadWorker* worker)
{
    t_onPoolWorker = true;
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_work.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_quit)
            break;
        ISThreadTask task = m_queue.front();
        m_queue.pop_front();
        worker->current = task.data;
        lock.unlock();
        RunTask(task);
        lock.lock();
        worker->current = nullptr;
        // Notify under the lock: the group lives on its caller's stack and
        // may be gone as soon as the lock is released.
        if (--task.group->pending == 0)
            task.group->done.notify_all();
    }
}

void CISThreadPool::WaitAll(std::unique_lock<std::mutex>& lock, ISRunGroup& group)
{
    group.done.wait(lock, [&group] { return group.pending == 0; });
}

int32_t CISThreadPool::Run(ISTaskFunction function, CISThreadData* const* records, int32_t count)
{
    if (!Ready())
        return kCodeNotStarted;
    if (count <= 0 || !function || !records)
        return 0;

    ISRunGroup group;
    const bool relay = ISHasProgressCallback() != FALSE;
    {
        std::unique_lock<std::mutex> lock(m_lock);
        if (!Ready())
            return kCodeNotStarted;
        try {
            for (int32_t i = 0; i < count; ++i) {
                records[i]->taskIndex = i;
                m_queue.push_back(ISThreadTask{function, records[i], &group, i});
                ++group.pending;
            }
        } catch (const std::bad_alloc&) {
            // Take back what was queued; none of it can have started while we hold the lock.
            while (group.pending > 0) {
                m_queue.pop_back();
                --group.pending;
            }
            return kCodeOutOfMemory;
        }
    }
    m_work.notify_all();

    int32_t result = 0;
    std::unique_lock<std::mutex> lock(m_lock);
    auto allDone = [&group] { return group.pending == 0; };
    auto cancelAll = [&] {
        for (int32_t i = 0; i < count; ++i)
            records[i]->cancel.store(true, std::memory_order_relaxed);
    };
    if (!relay) {
        const DWORD timeout = m_waitTimeout.load(std::memory_order_relaxed);
        if (timeout == INFINITE) {
            WaitAll(lock, group);
        } else if (!group.done.wait_for(lock, std::chrono::milliseconds(timeout), allDone)) {
            // No task may outlive its caller's records: cancel, then still wait.
            cancelAll();
            WaitAll(lock, group);
            result = kCodeTimeOut;
        }
    } else {
        while (!group.done.wait_for(lock, std::chrono::milliseconds(m_pollInterval), allDone)) {
            lock.unlock();
            double sum = 0.0;
            for (int32_t i = 0; i < count; ++i)
                sum += records[i]->percent.load(std::memory_order_relaxed);
            const bool stop = ISCallProgress(static_cast<int32_t>(sum / count), 100) != FALSE;
            if (stop)
                cancelAll();
            lock.lock();
            if (stop) {
                WaitAll(lock, group);
                result = kCodeCancelled;
                break;
            }
        }
    }
    if (group.dropped)
        return kCodeNotStarted;
    if (result)
        return result;
    for (int32_t i = 0; i < count; ++i)
        if (records[i]->status != 0)
            return records[i]->status;
    return 0;
}

void CISThreadPool::Shutdown()
{
    std::vector<CISThreadWorker*> workers;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_ready.store(false, std::memory_order_release);
        for (ISThreadTask& task : m_queue) {
            task.data->status = kCodeNotStarted;
            task.group->dropped = true;
            if (--task.group->pending == 0)
                task.group->done.notify_all();
        }
        m_queue.clear();
        for (CISThreadWorker* worker : m_workers)
            if (worker->current)
                worker->current->cancel.store(true, std::memory_order_relaxed);
        m_quit = true;
        m_started = true;  // a later Start must not revive it
        workers.swap(m_workers);
    }
    m_work.notify_all();
    for (CISThreadWorker* worker : workers) {
        // A task that shuts the library down cannot wait for its own thread.
        if (worker->thread.get_id() == std::this_thread::get_id()) {
            worker->thread.detach();
            continue;
        }
        if (worker->thread.joinable())
            worker->thread.join();
        delete worker;
    }
}

int32_t CISThreadPool::QueuedTasks()
{
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<int32_t>(m_queue.size());
}

void SplitRange(RECT* bands, int32_t extent, int32_t across, int32_t count, bool rows)
{
    if (!bands || count <= 0)
        return;
    const int32_t step = extent / count;
    for (int32_t i = 0; i < count; ++i) {
        const LONG from = step * i;
        const LONG to = i == count - 1 ? extent : step * (i + 1);
        if (rows)
            bands[i] = RECT{0, from, across, to};
        else
            bands[i] = RECT{from, 0, to, across};
    }
}

}  // namespace

BOOL ISStartPool() { return Pool().Start(); }

// Queued tasks end with 89, running ones are told to cancel, every worker is joined.
void ISShutdown(void) { Pool().Shutdown(); }

BOOL ISShouldSplit(uint32_t flags)
{
    if (flags & kISNoSplit)
        return FALSE;
    if (ISGetSplitCount() < 2 || t_onPoolWorker)
        return FALSE;
    return Pool().Ready() ? TRUE : FALSE;
}

int32_t ISGetSplitCount() { return ISSettings().splitCount; }

int32_t ISRunTasks(ISTaskFunction function, CISThreadData* const* records, int32_t count)
{
    return Pool().Run(function, records, count);
}

BOOL ISTaskProgress(int32_t done, int32_t total, void* record)
{
    CISThreadData* data = static_cast<CISThreadData*>(record);
    if (!data)
        return TRUE;
    double percent = 100.0;
    if (total > 0) {
        const uint64_t rows = done < 0 ? 0 : static_cast<uint64_t>(done);
        percent = static_cast<double>(rows * 100u / static_cast<uint64_t>(total));
        if (percent > 100.0)
            percent = 100.0;
    }
    data->percent.store(percent, std::memory_order_relaxed);
    return data->cancel.load(std::memory_order_relaxed) ? FALSE : TRUE;
}

ISTaskProgressScope::ISTaskProgressScope(CISThreadData* record) : m_installed(record && record->hasProgress)
{
    if (m_installed)
        ISSetCallback(ISTaskProgress, record);
}

ISTaskProgressScope::~ISTaskProgressScope()
{
    if (m_installed)
        ISSetCallback(nullptr, nullptr);
}

void ISSplitRows(RECT* bands, int32_t width, int32_t rows, int32_t count)
{
    SplitRange(bands, rows, width, count, true);
}

void ISSplitColumns(RECT* bands, int32_t columns, int32_t height, int32_t count)
{
    SplitRange(bands, columns, height, count, false);
}

BOOL ISOnPoolWorker() { return t_onPoolWorker ? TRUE : FALSE; }

void ISSetPoolWaitTimeout(DWORD milliseconds) { Pool().SetWaitTimeout(milliseconds); }

int32_t ISPoolQueuedTasks() { return Pool().QueuedTasks(); }
