#include "imaging/pool/pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

using Clock = std::chrono::steady_clock;

void StartPool() { is5_Initialize(""); }

// Waits until `pred` holds or `seconds` pass; true when it held.
template <typename Pred>
bool WaitFor(Pred pred, double seconds)
{
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!pred()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A record whose task does what the test asks and notes where it ran.
struct TestRecord : CISThreadData {
    std::thread::id ranOn;
    int32_t failWith = 0;
    bool throwOther = false;
    bool throwLibrary = false;
    BOOL splitInside = TRUE;
    std::atomic<int>* started = nullptr;
    int waitForStarted = 0;      // hold until this many tasks have started
    int progressSteps = 0;       // steps of 10 ms, each reported to ISTaskProgress
    std::atomic<bool> ended{false};
};

int TestTask(CISThreadData* data)
{
    TestRecord* r = static_cast<TestRecord*>(data);
    r->ranOn = std::this_thread::get_id();
    r->splitInside = ISShouldSplit(0);
    if (r->started) {
        ++*r->started;
        WaitFor([r] { return r->started->load() >= r->waitForStarted; }, 10.0);
    }
    for (int i = 0; i < r->progressSteps; ++i) {
        if (!ISTaskProgress(i + 1, r->progressSteps, r)) {
            r->status = 14;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    r->ended = true;
    if (r->throwOther)
        throw std::runtime_error("not a library error");
    if (r->throwLibrary)
        throw ISException("library error", 3);
    if (r->failWith)
        r->status = r->failWith;
    return 0;
}

int32_t RunRecords(std::vector<TestRecord>& records)
{
    std::vector<CISThreadData*> pointers;
    for (TestRecord& r : records)
        pointers.push_back(&r);
    return ISRunTasks(TestTask, pointers.data(), static_cast<int32_t>(pointers.size()));
}

// --- Before is5_Initialize: checked in a fresh process, whatever ran before.

TEST(PoolBeforeInitialize, WorkStaysOnTheCallerAndRunReports89)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::vector<TestRecord> records(4);
            const bool ok = !ISShouldSplit(0) && RunRecords(records) == 89;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// --- The split rule.

struct SplitCase {
    const char* name;
    uint32_t flags;
    int32_t rows;
    bool split;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class PoolSplitRule : public ::testing::TestWithParam<SplitCase> {};

TEST_P(PoolSplitRule, DecidesByFlagsAndRowCount)
{
    StartPool();
    const SplitCase& c = GetParam();
    EXPECT_EQ(c.split, ISShouldSplit(c.flags) && ISSplitWorthwhile(c.rows));
}

INSTANTIATE_TEST_SUITE_P(Cases, PoolSplitRule,
                         ::testing::Values(SplitCase{"rows20", 0, 20, false}, SplitCase{"rows21", 0, 21, true},
                                           SplitCase{"rows480", 0, 480, true},
                                           SplitCase{"noSplitFlag", 0x100000, 480, false},
                                           SplitCase{"otherFlags", 0xFFEFFFFF, 480, true}),
                         [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

TEST(PoolBands, TwentyOneRowsGiveFiveFiveFiveSix)
{
    EXPECT_EQ(4, ISGetSplitCount());
    RECT bands[4];
    ISSplitRows(bands, 7, 21, 4);
    const LONG expected[4][2] = {{0, 5}, {5, 10}, {10, 15}, {15, 21}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(0, bands[i].left);
        EXPECT_EQ(7, bands[i].right);
        EXPECT_EQ(expected[i][0], bands[i].top) << i;
        EXPECT_EQ(expected[i][1], bands[i].bottom) << i;
    }
    ISSplitColumns(bands, 21, 7, 4);
    EXPECT_EQ(15, bands[3].left);
    EXPECT_EQ(21, bands[3].right);
    EXPECT_EQ(7, bands[3].bottom);
}

TEST(PoolRun, TasksRunOnFourDistinctWorkersThatNeverSplitAgain)
{
    StartPool();
    std::atomic<int> started{0};
    std::vector<TestRecord> records(4);
    for (TestRecord& r : records) {
        r.started = &started;
        r.waitForStarted = 4;
    }
    ASSERT_EQ(0, RunRecords(records));
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(static_cast<int32_t>(i), records[i].taskIndex);
        EXPECT_NE(std::this_thread::get_id(), records[i].ranOn);
        EXPECT_FALSE(records[i].splitInside) << "a task must not queue tasks of its own";
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(records[j].ranOn, records[i].ranOn);
    }
}

struct FailureCase {
    const char* name;
    int32_t fail[4];
    int throwOtherAt;
    int throwLibraryAt;
    int32_t expected;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class PoolFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(PoolFailure, FirstFailureInIndexOrderWins)
{
    StartPool();
    const FailureCase& c = GetParam();
    std::vector<TestRecord> records(4);
    for (int i = 0; i < 4; ++i) {
        records[i].failWith = c.fail[i];
        records[i].throwOther = i == c.throwOtherAt;
        records[i].throwLibrary = i == c.throwLibraryAt;
    }
    EXPECT_EQ(c.expected, RunRecords(records));
    for (const TestRecord& r : records)
        EXPECT_TRUE(r.ended);
}

INSTANTIATE_TEST_SUITE_P(Cases, PoolFailure,
                         ::testing::Values(FailureCase{"allGood", {0, 0, 0, 0}, -1, -1, 0},
                                           FailureCase{"band2Gives5Band0Gives1", {1, 0, 5, 0}, -1, -1, 1},
                                           FailureCase{"otherExceptionIs17", {0, 0, 0, 0}, 2, -1, 17},
                                           FailureCase{"libraryExceptionKeepsItsCode", {0, 0, 0, 0}, -1, 1, 3}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(PoolTaskProgress, StoresPercentAndReportsCancel)
{
    TestRecord r;
    EXPECT_TRUE(ISTaskProgress(1, 0, &r));
    EXPECT_EQ(100.0, r.percent.load());
    EXPECT_TRUE(ISTaskProgress(1, 3, &r));
    EXPECT_EQ(33.0, r.percent.load());
    EXPECT_TRUE(ISTaskProgress(5, -2, &r));
    EXPECT_EQ(100.0, r.percent.load());
    EXPECT_TRUE(ISTaskProgress(1, 2, nullptr));
    r.cancel = true;
    EXPECT_FALSE(ISTaskProgress(1, 2, &r));
}

// --- Progress, cancel and time-out while tasks run about a second each.

struct ProgressLog {
    std::mutex lock;
    std::vector<std::pair<int32_t, int32_t>> calls;
    bool answer = true;
};

BOOL RecordProgress(int32_t done, int32_t total, void* user)
{
    ProgressLog* log = static_cast<ProgressLog*>(user);
    std::lock_guard<std::mutex> hold(log->lock);
    log->calls.emplace_back(done, total);
    return log->answer ? TRUE : FALSE;
}

class PoolProgress : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartPool();
        for (TestRecord& r : records)
            r.progressSteps = 100;
    }
    void TearDown() override
    {
        ISSetCallback(nullptr, nullptr);
        ISSetPoolWaitTimeout(INFINITE);
    }
    void ExpectAllEnded()
    {
        for (const TestRecord& r : records)
            EXPECT_TRUE(r.ended) << "a task outlived its Run";
    }
    std::vector<TestRecord> records = std::vector<TestRecord>(4);
};

TEST_F(PoolProgress, CallerSeesTheMeanPercentOutOf100)
{
    ProgressLog log;
    ISCallGuard outermost;
    ISSetCallback(RecordProgress, &log);
    EXPECT_EQ(0, RunRecords(records));
    ASSERT_GE(log.calls.size(), 3u);
    int32_t last = 0;
    for (const auto& call : log.calls) {
        EXPECT_EQ(100, call.second);
        EXPECT_GE(call.first, last);
        EXPECT_LE(call.first, 100);
        last = call.first;
    }
}

TEST_F(PoolProgress, CallbackFalseCancelsWith14AfterEveryTaskEnded)
{
    ProgressLog log;
    log.answer = false;
    ISCallGuard outermost;
    ISSetCallback(RecordProgress, &log);
    EXPECT_EQ(14, RunRecords(records));
    ExpectAllEnded();
    EXPECT_EQ(1u, log.calls.size());
}

TEST_F(PoolProgress, TimeOutWithoutCallbackGives84AfterEveryTaskEnded)
{
    ISSetPoolWaitTimeout(100);
    EXPECT_EQ(84, RunRecords(records));
    ExpectAllEnded();
}

TEST_F(PoolProgress, NestedCallNeverCallsTheCallback)
{
    ProgressLog log;
    ISCallGuard outer;
    ISCallGuard inner;
    ISSetCallback(RecordProgress, &log);
    for (TestRecord& r : records)
        r.progressSteps = 30;
    EXPECT_EQ(0, RunRecords(records));
    EXPECT_TRUE(log.calls.empty());
}

// --- Many callers at once (also the ThreadSanitizer workload).

TEST(PoolConcurrency, ThreeCallersRun200TimesEach)
{
    StartPool();
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 3; ++t) {
        callers.emplace_back([&failures, t] {
            for (int i = 0; i < 200; ++i) {
                std::vector<TestRecord> records(4);
                records[(i + t) % 4].failWith = (i % 7 == 0) ? 5 : 0;
                const int32_t expected = (i % 7 == 0) ? 5 : 0;
                if (RunRecords(records) != expected)
                    ++failures;
                for (const TestRecord& r : records)
                    if (!r.ended)
                        ++failures;
            }
        });
    }
    for (std::thread& c : callers)
        c.join();
    EXPECT_EQ(0, failures.load());
}

// --- Shut-down with every worker busy and tasks still queued.

// Runs in a child process: exits 0 when everything behaved.
[[noreturn]] void ShutdownScenario()
{
    is5_Initialize("");
    std::atomic<int> started{0};
    std::vector<TestRecord> busy(8);
    for (TestRecord& r : busy)
        r.progressSteps = 100000;  // until cancelled
    std::vector<TestRecord> queued(4);
    for (TestRecord& r : busy)
        r.started = &started, r.waitForStarted = 0;
    int32_t busyResult = -1;
    int32_t queuedResult = -1;
    std::thread first([&] { busyResult = RunRecords(busy); });
    if (!WaitFor([&] { return started.load() == 8; }, 10.0))
        std::exit(2);
    std::thread second([&] { queuedResult = RunRecords(queued); });
    if (!WaitFor([] { return ISPoolQueuedTasks() == 4; }, 10.0))
        std::exit(3);
    ISShutdown();
    second.join();
    first.join();
    if (queuedResult != 89)
        std::exit(4);
    for (const TestRecord& r : busy)
        if (!r.ended)
            std::exit(5);
    if (ISShouldSplit(0))
        std::exit(6);
    std::vector<TestRecord> late(2);
    if (RunRecords(late) != 89)
        std::exit(7);
    std::exit(0);
}

TEST(PoolShutdown, EndsQueuedTasksWith89AndExitsCleanlyEveryTime)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int run = 0; run < 20; ++run) {
        const auto start = Clock::now();
        EXPECT_EXIT(ShutdownScenario(), ::testing::ExitedWithCode(0), "") << "run " << run;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_LT(seconds, 5.0) << "run " << run << " hung at exit";
    }
}

}  // namespace
