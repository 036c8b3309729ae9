// The checks on metafile bytes before GDI sees them, and the size arithmetic.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "metafile_bytes.h"
#include "metafile_parse.h"

namespace {

struct ParseCase {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t code;
    ISMetafileKind kind;
};
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

std::vector<uint8_t> Patched16(std::vector<uint8_t> v, size_t at, uint32_t x)
{
    mt::Put16(v, at, x);
    return v;
}
std::vector<uint8_t> Patched32(std::vector<uint8_t> v, size_t at, uint32_t x)
{
    mt::Put32(v, at, x);
    return v;
}
std::vector<uint8_t> Text(const char* s) { return std::vector<uint8_t>(s, s + strlen(s)); }

class ParseMetafile : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseMetafile, AcceptsWholeMetafilesAndRejectsEverythingElseWith27)
{
    const ParseCase& c = GetParam();
    // Spare zero bytes after the data, as the reader keeps them.
    std::vector<uint8_t> buffer = c.bytes;
    buffer.resize(buffer.size() + 1024);
    ISMetafileInfo info;
    EXPECT_EQ(c.code, ISParseMetafile(buffer.data(), c.bytes.size(), &info));
    EXPECT_EQ(c.kind, info.kind);
}

const std::vector<uint8_t> kEmf = mt::Emf(2000, 1000, 1024, 768, 271, 203);

INSTANTIATE_TEST_SUITE_P(
    Table, ParseMetafile,
    ::testing::Values(
        ParseCase{"wmf", mt::Wmf(), 0, kISMetafileWindows},
        ParseCase{"wmfType2", Patched16(mt::Wmf(), 0, 2), 0, kISMetafileWindows},
        ParseCase{"placeable", mt::Placeable(0, 0, 1440, 1440, 1440), 0, kISMetafilePlaceable},
        ParseCase{"emf", kEmf, 0, kISMetafileEnhanced},
        ParseCase{"unitsPerInchZero", mt::Placeable(0, 0, 1440, 1440, 0), 27, kISMetafileNone},
        ParseCase{"invertedBox", mt::Placeable(1440, 0, 0, 1440, 1440), 27, kISMetafileNone},
        ParseCase{"emptyHeight", mt::Placeable(0, 5, 1440, 5, 1440), 27, kISMetafileNone},
        ParseCase{"placeableWithBrokenWmf", mt::Placeable(0, 0, 10, 10, 96, Patched16(mt::Wmf(), 2, 8)), 27,
                  kISMetafileNone},
        ParseCase{"placeableKeyOnly", std::vector<uint8_t>{0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                           0, 0, 0, 0, 0, 0, 0},
                  27, kISMetafileNone},
        ParseCase{"millimetresZero", mt::Emf(2000, 1000, 1024, 768, 0, 203), 27, kISMetafileNone},
        ParseCase{"millimetresNegative", mt::Emf(2000, 1000, 1024, 768, 271, -1), 27, kISMetafileNone},
        ParseCase{"emfBytesPastTheFile", Patched32(kEmf, 48, 112), 27, kISMetafileNone},
        ParseCase{"emfRecordPastTheEnd", Patched32(kEmf, 92, 24), 27, kISMetafileNone},
        ParseCase{"emfRecordUnaligned", Patched32(kEmf, 92, 18), 27, kISMetafileNone},
        ParseCase{"emfRecordTooSmall", Patched32(kEmf, 92, 4), 27, kISMetafileNone},
        ParseCase{"emfHeaderPastTheEnd", Patched32(kEmf, 4, 200), 27, kISMetafileNone},
        ParseCase{"emfDescriptionPastTheEnd", Patched32(Patched32(kEmf, 60, 40), 64, 80), 27, kISMetafileNone},
        ParseCase{"emfBadSignature", Patched32(kEmf, 40, 0x464D4521u), 27, kISMetafileNone},
        ParseCase{"wmfSizePastTheFile", Patched32(mt::Wmf(), 6, 20), 27, kISMetafileNone},
        ParseCase{"wmfRecordBelowThreeWords", Patched32(mt::Wmf(), 18, 2), 27, kISMetafileNone},
        ParseCase{"wmfRecordPastTheEnd", Patched32(mt::Wmf(), 18, 9), 27, kISMetafileNone},
        ParseCase{"wmfHeaderSize", Patched16(mt::Wmf(), 2, 10), 27, kISMetafileNone},
        ParseCase{"wmfType3", Patched16(mt::Wmf(), 0, 3), 27, kISMetafileNone},
        ParseCase{"tenBytes", std::vector<uint8_t>(10, 1), 27, kISMetafileNone},
        ParseCase{"empty", std::vector<uint8_t>(), 27, kISMetafileNone},
        ParseCase{"text", Text("Dies ist keine Bilddatei, nur ein wenig Text.\r\n"), 27, kISMetafileNone}));

struct SizeCase {
    const char* name;
    std::vector<uint8_t> bytes;
    uint32_t flags, a, b;
    int32_t code, width, height;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }
class MetafileSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(MetafileSize, FollowsTheFlagsTheHeaderAndTheScreen)
{
    const SizeCase& c = GetParam();
    std::vector<uint8_t> buffer = c.bytes;
    buffer.resize(buffer.size() + 1024);
    ISMetafileInfo info;
    ASSERT_EQ(0, ISParseMetafile(buffer.data(), c.bytes.size(), &info));
    int32_t w = -1, h = -1;
    EXPECT_EQ(c.code, ISMetafileOutputSize(info, info.emf, c.flags, c.a, c.b, 96, 96, &w, &h));
    EXPECT_EQ(c.width, w);
    EXPECT_EQ(c.height, h);
}

// 1440 x 2540 / 1440 / 2540.1 x 96 = 95.996; EMF 2000 x 1024 / 27100 = 75.6 and 1000 x 768 / 20300 = 37.8.
INSTANTIATE_TEST_SUITE_P(
    Table, MetafileSize,
    ::testing::Values(
        SizeCase{"placeableAt96Dpi", mt::Placeable(0, 0, 1440, 1440, 1440), 0, 0, 0, 0, 95, 95},
        SizeCase{"placeableOffset", mt::Placeable(-720, 100, 720, 820, 1440), 0, 0, 0, 0, 95, 47},
        SizeCase{"givenSize", mt::Placeable(0, 0, 1440, 1440, 1440), 1, 200, 100, 0, 200, 100},
        SizeCase{"twiceItsSize", mt::Placeable(0, 0, 1440, 1440, 1440), 4, 250, 250, 0, 190, 190},
        SizeCase{"factorOneAt150", mt::Placeable(0, 0, 1440, 1440, 1440), 4, 150, 199, 0, 95, 95},
        SizeCase{"factorZeroBelow100", mt::Placeable(0, 0, 1440, 1440, 1440), 4, 99, 100, 27, 0, 0},
        SizeCase{"givenZeroWidth", mt::Placeable(0, 0, 1440, 1440, 1440), 1, 0, 100, 5, 0, 0},
        SizeCase{"givenNegativeHeight", mt::Wmf(), 1, 10, 0xFFFFFFFFu, 5, 0, 0},
        SizeCase{"givenAndScaled", mt::Wmf(), 5, 300, 200, 0, 900, 400},
        SizeCase{"tooSmallForAPixel", mt::Placeable(0, 0, 1, 1, 1440), 0, 0, 0, 27, 0, 0},
        SizeCase{"emfFrame", kEmf, 0, 0, 0, 0, 75, 37},
        SizeCase{"emfEmptyFrame", mt::Emf(0, 0, 1024, 768, 271, 203), 0, 0, 0, 27, 0, 0},
        SizeCase{"emfHugeFrame", mt::Emf(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 1, 1), 0, 0, 0, 1, 0, 0},
        SizeCase{"emfHugeScaled", kEmf, 4, 0xFFFFFFFFu, 0xFFFFFFFFu, 1, 0, 0},
        SizeCase{"atTheAllocationLimit", mt::Wmf(), 1, 715782826, 1, 0, 715782826, 1},
        SizeCase{"pastTheAllocationLimit", mt::Wmf(), 1, 26755, 26754, 1, 0, 0}));

#ifndef _WIN32
TEST(ReadMetafileNative, ReportsUnsupportedWithoutGdi)
{
    uint32_t w = 7, h = 7;
    EXPECT_EQ(nullptr, is5_ReadMetafile("any.wmf", &w, &h, 10, 10, 0, 1));
    EXPECT_EQ(45, ISGetLastError());
    EXPECT_EQ(0u, w + h);
}
#endif

}  // namespace
