#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/frame.h"
#include "core/io.h"
#include "tests/support/test_support.h"

namespace {

const char kTen[] = "ABCDEFGHIJ";

std::string TempFile(const std::string& name) { return vt::BuildPath("core_io_" + name); }

void WriteText(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(vt::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end())));
}

std::string ReadText(const std::string& path)
{
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(vt::ReadFileBytes(path, &bytes));
    return std::string(bytes.begin(), bytes.end());
}

// One step over a source and what it gives for a file and for memory.
struct Step {
    enum Kind { Read, Seek, AtEnd, Tell } kind;
    int32_t a;
    int32_t b;
    int32_t file;
    int32_t memory;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
    int32_t closeFile;  // what is5_CloseSource gives afterwards
    int32_t closeMemory;
};

const Scenario kScenarios[] = {
    {"ReadAllThenNothingMore",
     {{Step::Read, 10, 0, 10, 10}, {Step::Read, 1, 0, 0, 0}, {Step::Read, 2, 0, 0, 0}, {Step::Read, 0, 0, 0, 0},
      {Step::Read, -5, 0, 0, 0}},
     10, 10},
    {"ShortReadAtTheEndGivesWhatIsLeft", {{Step::Seek, 9, 0, 1, 1}, {Step::Read, 2, 0, 1, 1}, {Step::Read, 1, 0, 0, 0}}, 10, 10},
    {"EndTestIsExactlyAtTheLength",
     {{Step::AtEnd, 0, 0, 0, 0}, {Step::Seek, 9, 0, 1, 1}, {Step::AtEnd, 0, 0, 0, 0}, {Step::Seek, 10, 0, 1, 1},
      {Step::AtEnd, 0, 0, 1, 1}},
     10, 10},
    {"SeekBounds",
     {{Step::Seek, 10, 0, 1, 1}, {Step::Seek, -1, 0, 0, 0}, {Step::Tell, 0, 0, 10, 10}, {Step::Seek, -3, 2, 1, 1},
      {Step::Tell, 0, 0, 7, 7}, {Step::Seek, 2, 1, 1, 1}, {Step::Seek, -10, 1, 0, 0}, {Step::Tell, 0, 0, 9, 9},
      {Step::Seek, 1, 2, 1, 0},  // a file may seek past its end, memory may not
      {Step::Seek, 11, 0, 1, 0}, {Step::Seek, 0, 7, 0, 0}},
     11, 9},
    {"CloseGivesThePosition", {{Step::Read, 4, 0, 4, 4}}, 4, 4},
};

class SourceScenario : public ::testing::TestWithParam<std::tuple<Scenario, bool>> {};

TEST_P(SourceScenario, FileAndMemoryAgree)
{
    const Scenario& scenario = std::get<0>(GetParam());
    bool memory = std::get<1>(GetParam());
    HISSRC source;
    if (memory) {
        source = is5_OpenMemorySource(kTen, 10);
    } else {
        std::string path = TempFile(std::string("src_") + scenario.name);
        WriteText(path, kTen);
        source = is5_OpenFileSource(path.c_str());
    }
    ASSERT_NE(source, nullptr);
    CISIO* io = ISFromHandle(source);
    size_t index = 0;
    for (const Step& step : scenario.steps) {
        int32_t expected = memory ? step.memory : step.file;
        int32_t got = 0;
        char buffer[16];
        switch (step.kind) {
        case Step::Read: {
            std::memset(buffer, 0x55, sizeof buffer);
            int32_t at = 0;
            io->Tell(&at);
            got = io->ReadUpTo(buffer, step.a);
            if (got > 0) {
                EXPECT_EQ(std::memcmp(buffer, kTen + at, size_t(got)), 0);
            }
            if (got >= 0 && got < 16) {
                EXPECT_EQ(buffer[got], 0x55) << "wrote past what it read";
            }
            EXPECT_EQ(io->ReadExactly(buffer, 0), TRUE);
            break;
        }
        case Step::Seek: got = is5_Seek(source, step.a, step.b); break;
        case Step::AtEnd: got = io->AtEnd(); break;
        case Step::Tell: {
            int32_t position = -2;
            got = io->Tell(&position) ? position : -2;
            break;
        }
        }
        EXPECT_EQ(got, expected) << "step " << index;
        ++index;
    }
    EXPECT_EQ(is5_CloseSource(source), memory ? scenario.closeMemory : scenario.closeFile);
    EXPECT_EQ(ISGetLastError(), 0);
}

INSTANTIATE_TEST_SUITE_P(All, SourceScenario, ::testing::Combine(::testing::ValuesIn(kScenarios), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<SourceScenario::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_Memory" : "_File");
                         });

TEST(Sources, ReadExactlyOnlyWhenAllBytesCame)
{
    HISSRC source = is5_OpenMemorySource(kTen, 10);
    CISIO* io = ISFromHandle(source);
    char buffer[16];
    EXPECT_TRUE(io->ReadExactly(buffer, 8));
    EXPECT_FALSE(io->ReadExactly(buffer, 3));
    EXPECT_FALSE(io->ReadExactly(buffer, -1));
    EXPECT_EQ(is5_CloseSource(source), 10);
}

// Bad arguments: the result and the last error.
struct BadCall {
    const char* name;
    int32_t (*call)();
    int32_t result;
    int32_t code;
};

const BadCall kBadCalls[] = {
    {"EmptyPath", [] { return int32_t(is5_OpenFileSource("") != nullptr); }, 0, 2},
    {"NullPath", [] { return int32_t(is5_OpenFileSource(nullptr) != nullptr); }, 0, 2},
    {"MissingFile",
     [] { return int32_t(is5_OpenFileSource(TempFile("does_not_exist").c_str()) != nullptr); }, 0, 2},
    {"MemorySizeZero", [] { return int32_t(is5_OpenMemorySource(kTen, 0) != nullptr); }, 0, 5},
    {"MemorySizeNegative", [] { return int32_t(is5_OpenMemorySource(kTen, -1) != nullptr); }, 0, 5},
    {"MemoryNullData", [] { return int32_t(is5_OpenMemorySource(nullptr, 10) != nullptr); }, 0, 5},
    {"CloseNullSource", [] { return is5_CloseSource(nullptr); }, 0, 5},
    {"CloseNullSink", [] { return is5_CloseDest(nullptr); }, 0, 5},
    {"SeekNull", [] { return int32_t(is5_Seek(nullptr, 0, 0)); }, 0, 5},
    {"SeekUnopenedMemory",
     [] {
         CISIO_Memory unopened;
         return int32_t(is5_Seek(ISToHandle(&unopened), 0, 0));
     },
     0, 38},
    {"SinkEmptyPath", [] { return int32_t(is5_OpenFileDest("", 0) != nullptr); }, 0, 2},
};

class BadInput : public ::testing::TestWithParam<BadCall> {};

TEST_P(BadInput, FailsWithItsCode)
{
    is5_SetLastErrorProxy(77);
    EXPECT_EQ(GetParam().call(), GetParam().result);
    EXPECT_EQ(ISGetLastError(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(All, BadInput, ::testing::ValuesIn(kBadCalls),
                         [](const ::testing::TestParamInfo<BadCall>& info) { return std::string(info.param.name); });

TEST(Sinks, MemorySinkStopsAtItsCapacity)
{
    std::vector<BYTE> block(100, 0);
    std::vector<BYTE> bytes(100, 0xAB);
    CISIO_Memory sink;
    ASSERT_TRUE(sink.AttachWrite(block.data(), 100, FALSE));
    EXPECT_TRUE(sink.Write(bytes.data(), 1, 60));
    EXPECT_TRUE(sink.Write(bytes.data(), 4, 10));
    EXPECT_FALSE(sink.Write(bytes.data(), 1, 1));
    int32_t size = 0;
    EXPECT_TRUE(sink.Size(&size));
    EXPECT_EQ(size, 100);
    EXPECT_EQ(block[99], 0xAB);
}

TEST(Sinks, MemorySinkSizeIsTheHighWaterMark)
{
    std::vector<BYTE> block(100, 0);
    CISIO_Memory sink;
    ASSERT_TRUE(sink.AttachWrite(block.data(), 100, FALSE));
    EXPECT_TRUE(sink.WriteBytes("abc", 3));
    EXPECT_TRUE(sink.Seek(100, 0));  // a sink may move up to its capacity
    EXPECT_FALSE(sink.Seek(101, 0));
    EXPECT_TRUE(sink.Seek(20, 0));
    int32_t size = 0;
    sink.Size(&size);
    EXPECT_EQ(size, 100);
    EXPECT_TRUE(sink.Seek(-10, 2));
    int32_t at = 0;
    sink.Tell(&at);
    EXPECT_EQ(at, 90);
}

TEST(Sinks, HugeWriteFailsWithoutOverflow)
{
    std::vector<BYTE> block(100, 0);
    CISIO_Memory sink;
    ASSERT_TRUE(sink.AttachWrite(block.data(), 100, FALSE));
    // 0x10000 * 0x10001 wraps to 0x10000 in 32 bits.
    EXPECT_FALSE(sink.Write(block.data(), 0x10001, 0x10000));
    EXPECT_FALSE(sink.Write(block.data(), 0x10000, 0x10001));
    EXPECT_FALSE(sink.Write(block.data(), -1, 1));
    int32_t size = 0;
    sink.Size(&size);
    EXPECT_EQ(size, 0);
}

TEST(Sinks, MemorySourceRefusesWrites)
{
    char data[10];
    std::memcpy(data, kTen, 10);
    CISIO_Memory source;
    ASSERT_TRUE(source.OpenRead(data, 10));
    EXPECT_FALSE(source.WriteBytes("zz", 2));
    EXPECT_EQ(std::memcmp(data, kTen, 10), 0);
}

TEST(Sinks, FileSinkTruncatesOrKeepsTheTail)
{
    std::string path = TempFile("dest_truncate");
    WriteText(path, "abcdef");
    HISDEST sink = is5_OpenFileDest(path.c_str(), 0);
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(ISFromHandle(sink)->WriteBytes("XY", 2));
    EXPECT_EQ(is5_CloseDest(sink), 2);
    EXPECT_EQ(ReadText(path), "XY");

    WriteText(path, "abcdef");
    sink = is5_OpenFileDest(path.c_str(), 1);
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(ISFromHandle(sink)->WriteBytes("XY", 2));
    EXPECT_EQ(is5_CloseDest(sink), 6);
    EXPECT_EQ(ReadText(path), "XYcdef");
    EXPECT_EQ(ISGetLastError(), 0);
}

TEST(Sinks, AppendCreatesAMissingFile)
{
    std::string path = TempFile("dest_created");
    std::remove(path.c_str());
    HISDEST sink = is5_OpenFileDest(path.c_str(), 1);
    ASSERT_NE(sink, nullptr);
    CISIO* io = ISFromHandle(sink);
    EXPECT_TRUE(io->Write("0123456789", 5, 2));
    EXPECT_EQ(is5_CloseDest(sink), 10);
    EXPECT_EQ(ReadText(path), "0123456789");
}

TEST(Sinks, SourceIsNotWritable)
{
    std::string path = TempFile("src_readonly");
    WriteText(path, kTen);
    HISSRC source = is5_OpenFileSource(path.c_str());
    ASSERT_NE(source, nullptr);
    EXPECT_FALSE(ISFromHandle(source)->WriteBytes("x", 1));
    EXPECT_STREQ(ISFromHandle(source)->Name(), path.c_str());
    is5_CloseSource(source);
    EXPECT_EQ(ReadText(path), kTen);
}

}  // namespace
