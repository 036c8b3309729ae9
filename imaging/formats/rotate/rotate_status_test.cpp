// What the turns return and leave in their status word when they refuse or
// are cancelled, and how often they report progress.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "imaging/core/buffers.h"
#include "imaging/core/frame.h"
#include "imaging/formats/rotate/rotate.h"
#include "imaging/formats/rotate/rotate_test_util.h"

namespace {

struct ProgressLog {
    std::vector<std::pair<int32_t, int32_t>> calls;
    bool cancel = false;
};

BOOL Record(int32_t done, int32_t total, void* user)
{
    ProgressLog* log = static_cast<ProgressLog*>(user);
    log->calls.emplace_back(done, total);
    return log->cancel ? FALSE : TRUE;
}

// A progress callback for one scope, at the call depth of an interface entry.
class ProgressScope {
public:
    explicit ProgressScope(ProgressLog* log) { is5_SetCallback(Record, log); }
    ~ProgressScope() { is5_SetCallback(nullptr, nullptr); }

private:
    ISCallGuard m_entry;
};

class MaxAllocScope {
public:
    explicit MaxAllocScope(uint64_t bytes) { ISSetMaxAlloc(bytes); }
    ~MaxAllocScope() { ISSetMaxAlloc(0); }
};

constexpr uint32_t kW = 9, kH = 7;
constexpr int32_t kUnchanged = 77;  // the status word's value before each call

struct Buffers {
    std::vector<BYTE> bytes = rt::RandomSamples<BYTE>(kW * kH * 4, 1);
    std::vector<BYTE> bytesOut = std::vector<BYTE>(kW * kH * 4);
    std::vector<uint16_t> samples = rt::RandomSamples<uint16_t>(kW * kH * 4, 2);
    std::vector<uint16_t> samplesOut = std::vector<uint16_t>(kW * kH * 4);
    std::vector<BYTE> bits = rt::RandomSamples<BYTE>(2 * (kH + 1), 3);  // up to 8 rows of 2 bytes
    std::vector<BYTE> bitsOut = std::vector<BYTE>(kW * 2);
};

TEST(RotateStatus, RefusedAndCancelledCallsReturnFalseWithTheirCode)
{
    struct Case {
        const char* call;
        int32_t status;
        bool cancel;        // the progress callback refuses: one call expected
        uint64_t maxAlloc;  // 0: the default limit
        std::function<BOOL(CISRotate&, Buffers&)> run;
    };
    using B = Buffers;
    using R = CISRotate;
    const Case cases[] = {
        {"Rotate8 same buffer", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 3, b.bytes.data(), kH * 3, 0, 3); }},
        {"Rotate8 null source", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(nullptr, kW, kH, kW * 3, b.bytesOut.data(), kH * 3, 0, 3); }},
        {"Rotate8 null target", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 3, nullptr, kH * 3, 0, 3); }},
        {"Rotate8 mode 3", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 3, b.bytesOut.data(), kH * 3, 3, 3); }},
        {"Rotate8 mode 8", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 3, b.bytesOut.data(), kH * 3, 8, 3); }},
        {"Rotate8 pixel size 0", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 3, b.bytesOut.data(), kH * 3, 0, 0); }},
        {"Rotate8 pixel size 2", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 2, b.bytesOut.data(), kH * 2, 0, 2); }},
        {"Rotate8 source stride short of a row", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 3 - 1, b.bytesOut.data(), kH * 3, 0, 3); }},
        {"Rotate8 target stride short of a turned row", 5, false, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 3, b.bytesOut.data(), kH * 3 - 1, 2, 3); }},
        {"Rotate16 same buffer", 5, false, 0,
         [](R& r, B& b) { return r.Rotate16(b.samples.data(), kW, kH, kW * 4, b.samples.data(), kH * 4, 0, 4); }},
        {"Rotate16 null source", 5, false, 0,
         [](R& r, B& b) { return r.Rotate16(nullptr, kW, kH, kW * 4, b.samplesOut.data(), kH * 4, 0, 4); }},
        {"Rotate16 null target", 5, false, 0,
         [](R& r, B& b) { return r.Rotate16(b.samples.data(), kW, kH, kW * 4, nullptr, kH * 4, 0, 4); }},
        {"Rotate16 mode 3", 5, false, 0,
         [](R& r, B& b) { return r.Rotate16(b.samples.data(), kW, kH, kW * 4, b.samplesOut.data(), kH * 4, 3, 4); }},
        {"Rotate16 pixel size 0", 5, false, 0,
         [](R& r, B& b) { return r.Rotate16(b.samples.data(), kW, kH, kW * 4, b.samplesOut.data(), kH * 4, 0, 0); }},
        {"Rotate1Bit same buffer", 5, false, 0,
         [](R& r, B& b) { return r.Rotate1Bit(b.bits.data(), b.bits.data(), kW, kH, 0, 2, 1); }},
        {"Rotate1Bit null source", 5, false, 0,
         [](R& r, B& b) { return r.Rotate1Bit(nullptr, b.bitsOut.data(), kW, kH, 0, 2, 1); }},
        {"Rotate1Bit null target", 5, false, 0,
         [](R& r, B& b) { return r.Rotate1Bit(b.bits.data(), nullptr, kW, kH, 0, 2, 1); }},
        {"Rotate1Bit target stride short of a turned row", 5, false, 0,
         [](R& r, B& b) { return r.Rotate1Bit(b.bits.data(), b.bitsOut.data(), kW, kH, 1, 2, 1); }},
        {"Rotate1Bit mode 3", kUnchanged, false, 0,
         [](R& r, B& b) { return r.Rotate1Bit(b.bits.data(), b.bitsOut.data(), kW, kH, 3, 2, 1); }},
        {"Rotate1Bit mode 11", kUnchanged, false, 0,
         [](R& r, B& b) { return r.Rotate1Bit(b.bits.data(), b.bitsOut.data(), kW, kH, 11, 2, 1); }},
        {"RotateInPlace8 null pixels", 5, false, 0,
         [](R& r, B&) { return r.RotateInPlace8(nullptr, kW, kH, 0, 3); }},
        {"RotateInPlace8 mode 3", 5, false, 0,
         [](R& r, B& b) { return r.RotateInPlace8(b.bytes.data(), kW, kH, 3, 3); }},
        {"RotateInPlace16 pixel size 0", 5, false, 0,
         [](R& r, B& b) { return r.RotateInPlace16(b.samples.data(), kW, kH, 1, 0); }},
        {"RotateInPlace8 mode 0 above the allocation limit", 1, false, kW * kH * 3 - 1,
         [](R& r, B& b) { return r.RotateInPlace8(b.bytes.data(), kW, kH, 0, 3); }},
        {"RotateInPlace16 mode 2 above the allocation limit", 1, false, kW * kH * 8 - 1,
         [](R& r, B& b) { return r.RotateInPlace16(b.samples.data(), kW, kH, 2, 4); }},
        {"Rotate1Bit mode 0 cancelled", 14, true, 0,
         [](R& r, B& b) { return r.Rotate1Bit(b.bits.data(), b.bitsOut.data(), kW, kH + 1, 0, 2, 1); }},
        {"Rotate1Bit mode 1 cancelled", 14, true, 0,
         [](R& r, B& b) { return r.Rotate1Bit(b.bits.data(), b.bitsOut.data(), kW, kH, 1, 2, 2); }},
        {"Rotate1Bit mode 10 cancelled", 14, true, 0,
         [](R& r, B& b) { return r.Rotate1Bit(b.bits.data(), b.bitsOut.data(), kW, kH + 1, 10, 2, 1); }},
        {"Rotate8 cancelled", 14, true, 0,
         [](R& r, B& b) { return r.Rotate8(b.bytes.data(), kW, kH, kW * 3, b.bytesOut.data(), kH * 3, 0, 3); }},
        {"Rotate16 cancelled", 14, true, 0,
         [](R& r, B& b) { return r.Rotate16(b.samples.data(), kW, kH, kW, b.samplesOut.data(), kW, 1, 1); }},
        {"RotateInPlace8 mode 2 cancelled", 14, true, 0,
         [](R& r, B& b) { return r.RotateInPlace8(b.bytes.data(), kW, kH, 2, 4); }},
        {"RotateInPlace16 mode 0 cancelled", 14, true, 0,
         [](R& r, B& b) { return r.RotateInPlace16(b.samples.data(), kW, kH, 0, 3); }},
    };
    for (const Case& c : cases) {
        Buffers b;
        const Buffers original;
        CISRotate op;
        op.m_status = kUnchanged;
        ProgressLog log;
        log.cancel = true;
        BOOL result;
        {
            MaxAllocScope limit(c.maxAlloc);
            ProgressScope progress(&log);
            result = c.run(op, b);
        }
        EXPECT_FALSE(result) << c.call;
        EXPECT_EQ(c.status, op.m_status) << c.call;
        EXPECT_EQ(c.cancel ? 1u : 0u, log.calls.size()) << c.call << ": it stops at the first refusal";
        // Turns in place work on a copy, so neither a refusal nor a cancel touches the pixels.
        EXPECT_EQ(original.bytes, b.bytes) << c.call;
        EXPECT_EQ(original.samples, b.samples) << c.call;
    }
}

TEST(RotateStatus, EmptyImagesAreDoneAtOnce)
{
    BYTE byte = 0x12, out = 0x34;
    uint16_t sample = 0x1234, sampleOut = 0x5678;
    for (uint32_t mode = 0; mode < 3; ++mode)
        for (const auto& size : {std::pair<uint32_t, uint32_t>{0, 5}, {5, 0}}) {
            CISRotate op;
            EXPECT_TRUE(op.Rotate1Bit(&byte, &out, size.first, size.second, mode, 0, 0));
            EXPECT_TRUE(op.Rotate8(&byte, size.first, size.second, 0, &out, 0, mode, 3));
            EXPECT_TRUE(op.Rotate16(&sample, size.first, size.second, 0, &sampleOut, 0, mode, 1));
            EXPECT_TRUE(op.RotateInPlace8(&byte, size.first, size.second, mode, 4));
            EXPECT_TRUE(op.RotateInPlace16(&sample, size.first, size.second, mode, 3));
            EXPECT_EQ(0, op.m_status);
        }
    EXPECT_EQ(0x12, byte);
    EXPECT_EQ(0x34, out);
    EXPECT_EQ(0x1234, sample);
    EXPECT_EQ(0x5678, sampleOut);
}

TEST(RotateStatus, ProgressComesPerBandForQuarterTurnsOfBitsAndPerRowOtherwise)
{
    const uint32_t width = 40, height = 37;
    const std::vector<BYTE> bits = rt::RandomSamples<BYTE>(5 * height, 4);
    std::vector<BYTE> bitsOut(5 * width);
    const std::vector<BYTE> pixels = rt::RandomSamples<BYTE>(width * height * 3, 5);
    std::vector<BYTE> pixelsOut(pixels.size());

    std::vector<std::pair<int32_t, int32_t>> bands, rows;
    for (int32_t band = 1; band <= 4; ++band)
        bands.emplace_back(8 * band, 37);
    for (int32_t row = 1; row <= 37; ++row)
        rows.emplace_back(row, 37);

    struct Case {
        const char* call;
        const std::vector<std::pair<int32_t, int32_t>>& expected;
        std::function<BOOL(CISRotate&)> run;
    };
    const Case cases[] = {
        {"Rotate1Bit mode 0", bands,
         [&](CISRotate& r) { return r.Rotate1Bit(bits.data(), bitsOut.data(), width, height, 0, 5, 5); }},
        {"Rotate1Bit mode 2", bands,
         [&](CISRotate& r) { return r.Rotate1Bit(bits.data(), bitsOut.data(), width, height, 2, 5, 5); }},
        {"Rotate1Bit mode 1", rows,
         [&](CISRotate& r) { return r.Rotate1Bit(bits.data(), bitsOut.data(), width, height, 1, 5, 5); }},
        {"Rotate8 mode 0", rows,
         [&](CISRotate& r) {
             return r.Rotate8(pixels.data(), width, height, width * 3, pixelsOut.data(), height * 3, 0, 3);
         }},
        {"Rotate8 mode 1", rows,
         [&](CISRotate& r) {
             return r.Rotate8(pixels.data(), width, height, width * 3, pixelsOut.data(), width * 3, 1, 3);
         }},
    };
    for (const Case& c : cases) {
        ProgressLog log;
        CISRotate op;
        {
            ProgressScope progress(&log);
            ASSERT_TRUE(c.run(op)) << c.call;
        }
        EXPECT_EQ(c.expected, log.calls) << c.call;
    }
}

}  // namespace
