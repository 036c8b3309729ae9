// The "8BIM" resource parser on hand-written blocks, and PackBits rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "psd_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Record(uint16_t id, const std::string& name, const Bytes& data)
{
    Bytes r = {'8', 'B', 'I', 'M', uint8_t(id >> 8), uint8_t(id), uint8_t(name.size())};
    for (char ch : name)
        r.push_back(uint8_t(ch));
    if (r.size() % 2)
        r.push_back(0);
    const uint32_t n = uint32_t(data.size());
    r.insert(r.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    r.insert(r.end(), data.begin(), data.end());
    if (n % 2)
        r.push_back(0);
    return r;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kResolution = {0, 72, 0, 0, 0, 1, 0, 1, 0, 72, 0, 0, 0, 1, 0, 1};
const Bytes kOdd = {1, 2, 3};

TEST(PsdResources, RecordsAreKeptWithTheirDataNamesAndIds)
{
    const Bytes block = Record(1005, "", kResolution) + Record(1036, "ab", kOdd) + Record(1039, "abc", {9, 9});
    CISPhotoshopResources parser;
    ASSERT_TRUE(parser.ISParse8BIMResources(block.data(), uint32_t(block.size()), true));
    EXPECT_EQ(parser.m_status, 0);
    ASSERT_EQ(parser.m_resources.size(), 3u);
    const ISPhotoshopResource* res = parser.Find(1005);
    const ISPhotoshopResource* thumb = parser.Find(1036);
    ASSERT_TRUE(res && thumb);
    EXPECT_EQ(Bytes(res->Data(), res->Data() + res->dataSize), kResolution);
    EXPECT_EQ(Bytes(thumb->Data(), thumb->Data() + thumb->dataSize), kOdd);
    EXPECT_EQ(res->offset, 12);
    EXPECT_EQ(thumb->offset, 14);
    // The stored bytes run from the signature through the padded data.
    EXPECT_EQ(Bytes(thumb->bytes.GetData(), thumb->bytes.GetData() + thumb->bytes.Count()), Record(1036, "ab", kOdd));
    // An even-length name keeps its pad byte; an odd one has none.
    EXPECT_EQ(res->name, std::string(1, '\0'));
    EXPECT_EQ(thumb->name, std::string("ab\0", 3));
    EXPECT_EQ(parser.Find(1039)->name, "abc");
    EXPECT_EQ(parser.Find(1234), nullptr);

    CISPhotoshopResources only;
    only.m_wanted = {1005};
    ASSERT_TRUE(only.ISParse8BIMResources(block.data(), uint32_t(block.size()), true));
    ASSERT_EQ(only.m_resources.size(), 1u);
    EXPECT_EQ(only.m_resources[0]->id, 1005);

    // Without keeping, the block is only checked.
    CISPhotoshopResources check;
    EXPECT_TRUE(check.ISParse8BIMResources(block.data(), uint32_t(block.size()), false));
    EXPECT_TRUE(check.m_resources.empty());
}

TEST(PsdResources, StrayBytesAndEndings)
{
    const Bytes good = Record(1005, "", kResolution);
    struct Case {
        const char* what;
        Bytes block;
        BOOL ok;
        int32_t status;
        size_t records;
    } cases[] = {
        {"garbage before the signature", Bytes{'x', '8', 'B', 'I', 0, 7} + good, TRUE, 0, 1},
        {"trailing bytes without a signature", good + Bytes{1, 2, 3, 4, 5, 6, 7}, TRUE, 0, 1},
        {"data past the block after a good record", good + Bytes{'8', 'B', 'I', 'M', 3, 0xED, 0, 0, 0, 0, 0, 20, 1}, TRUE, 0,
         1},
        {"data past the block alone", Bytes{'8', 'B', 'I', 'M', 3, 0xED, 0, 0, 0, 0, 0, 20, 1, 2}, FALSE, 67, 0},
        {"name running past the block", Bytes{'8', 'B', 'I', 'M', 3, 0xED, 9, 'a', 'b'}, FALSE, 67, 0},
        {"name running past after a good record", good + Bytes{'8', 'B', 'I', 'M', 3, 0xED, 9, 'a', 'b'}, FALSE, 67, 1},
        {"size cut short", Bytes{'8', 'B', 'I', 'M', 3, 0xED, 0, 0, 0, 0}, FALSE, 67, 0},
        {"12 garbage bytes", Bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'}, FALSE, 67, 0},
        {"four bytes", Bytes{'8', 'B', 'I', 'M'}, FALSE, 67, 0},
        {"odd size without its pad byte at the end", Bytes{'8', 'B', 'I', 'M', 0, 1, 0, 0, 0, 0, 0, 1, 42}, TRUE, 0, 1},
    };
    for (const Case& c : cases) {
        CISPhotoshopResources parser;
        // A copy of its own, so that a read past the block shows under ASan.
        std::vector<uint8_t> block(c.block);
        EXPECT_EQ(parser.ISParse8BIMResources(block.data(), uint32_t(block.size()), true), c.ok) << c.what;
        EXPECT_EQ(parser.m_status, c.status) << c.what;
        EXPECT_EQ(parser.m_resources.size(), c.records) << c.what;
    }
    CISPhotoshopResources parser;
    EXPECT_FALSE(parser.ISParse8BIMResources(nullptr, 10, true));
    EXPECT_EQ(parser.m_status, 5);
    EXPECT_FALSE(parser.ISParse8BIMResources(good.data(), 0, true));
    EXPECT_EQ(parser.m_status, 67);
}

struct Unpack {
    const char* what;
    Bytes source;
    uint32_t pixels, step, channel;
    bool ok;
    Bytes out;  // the destination after the call (filled with 0xEE before)
};

void PrintTo(const Unpack& c, std::ostream* os) { *os << c.what; }

const Unpack kUnpacks[] = {
    {"literal and run", {2, 1, 2, 3, 0xFE, 9}, 6, 1, 0, true, {1, 2, 3, 9, 9, 9}},
    {"no-op byte", {0x80, 1, 7, 8}, 2, 1, 0, true, {7, 8}},
    {"every third byte from channel 1", {0xFF, 5, 0, 6}, 3, 3, 1, true, {0xEE, 5, 0xEE, 0xEE, 5, 0xEE, 0xEE, 6, 0xEE}},
    {"run cut at the row's end", {0xF9, 4}, 3, 1, 0, true, {4, 4, 4, 0xEE, 0xEE}},
    {"literal cut at the row's end", {5, 1, 2, 3, 4, 5, 6}, 2, 1, 0, true, {1, 2, 0xEE}},
    {"bytes left after the row", {0, 1, 0, 2, 0, 3}, 2, 1, 0, true, {1, 2, 0xEE}},
    {"literal longer than the source", {4, 1, 2}, 4, 1, 0, false, {1, 2, 0xEE, 0xEE}},
    {"run without its value", {0xFE}, 2, 1, 0, false, {0xEE, 0xEE}},
    {"source ends before the row", {0, 1}, 3, 1, 0, false, {1, 0xEE, 0xEE}},
    {"empty source", {}, 1, 1, 0, false, {0xEE}},
};

class PsdUnpackBits : public ::testing::TestWithParam<Unpack> {};

TEST_P(PsdUnpackBits, FillsTheRowAndNothingPastIt)
{
    const Unpack& c = GetParam();
    Bytes out(c.out.size(), 0xEE);
    // A source of its own, so that a read past its length shows under ASan.
    std::vector<uint8_t> source(c.source);
    EXPECT_EQ(CISPSDReader::UnpackBitsRow(out.data(), c.pixels, c.step, c.channel, source.data(),
                                          uint32_t(source.size())),
              c.ok);
    if (c.ok)
        EXPECT_EQ(out, c.out);
    else
        EXPECT_EQ(out.size(), c.out.size());
}

INSTANTIATE_TEST_SUITE_P(Rows, PsdUnpackBits, ::testing::ValuesIn(kUnpacks));

}  // namespace
