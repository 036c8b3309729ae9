// Bad PCX headers, cut pixel data and oversized pictures.
#include <algorithm>

#include "pcx_test_util.h"

namespace {

using pcxt::Bytes;
using pcxt::Fixture;
using pcxt::Header;
using pcxt::ReadPcx;
using pcxt::Result;

struct HeaderCase {
    const char* label;
    Bytes (*make)();
};

Bytes WithPixels(Bytes header)
{
    header.resize(header.size() + 4096, 0x01);
    return header;
}

const HeaderCase kBadHeaders[] = {
    {"Short",
     [] {
         Bytes b = Fixture("pcx_t16.pcx");
         b.resize(127);
         return b;
     }},
    {"Manufacturer11",
     [] {
         Bytes b = Fixture("pcx_t16.pcx");
         b[0] = 11;
         return b;
     }},
    {"Version4",
     [] {
         Bytes b = Fixture("pcx_e200.pcx");
         b[1] = 4;
         return b;
     }},
    {"ZeroBits", [] { return WithPixels(Header(8, 8, 0, 1, 8)); }},
    {"ThirtyThreeBits", [] { return WithPixels(Header(8, 8, 33, 1, 8)); }},
    {"XmaxBelowXmin",
     [] {
         Bytes b = WithPixels(Header(8, 8, 8, 1, 8));
         pcxt::Put16(b, 4, 9);
         return b;
     }},
    {"YmaxBelowYmin",
     [] {
         Bytes b = WithPixels(Header(8, 8, 8, 1, 8));
         pcxt::Put16(b, 6, 9);
         return b;
     }},
    {"ShortBytesPerLine", [] { return WithPixels(Header(9, 8, 1, 1, 1)); }},
    {"OnePlaneOf24Bits", [] { return WithPixels(Header(8, 8, 24, 1, 24)); }},
    {"FourPlanesOf8Bits", [] { return WithPixels(Header(8, 8, 8, 4, 8)); }},
    {"TwoPlanesOf2Bits", [] { return WithPixels(Header(8, 8, 2, 2, 2)); }},
};

class PcxBadHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(PcxBadHeader, ProbeAndReadGive22)
{
    const Bytes file = GetParam().make();
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    uint32_t w = 0, h = 0, bits = 0;
    EXPECT_FALSE(is5_GetPCXDims(source, &w, &h, &bits, nullptr, 0));
    EXPECT_EQ(22, ISGetLastError());
    is5_CloseSource(source);
    for (uint32_t depth : {1u, 8u, 24u}) {
        const Result r = ReadPcx(file, depth, 0);
        EXPECT_EQ(nullptr, r.buffer) << depth;
        EXPECT_EQ(22, r.status) << depth;
    }
    const Result dib = ReadPcx(file, 24, 2);
    EXPECT_EQ(22, dib.status);
    const Result fromFile = pcxt::ReadPcxFile(file, std::string("pcx_bad_") + GetParam().label + ".pcx", 8);
    EXPECT_EQ(nullptr, fromFile.buffer);
    EXPECT_EQ(22, fromFile.status);
}

INSTANTIATE_TEST_SUITE_P(Cases, PcxBadHeader, ::testing::ValuesIn(kBadHeaders),
                         [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.label); });

TEST(PcxCut, EveryCutInsideThePixelsGivesTheBufferAnd3)
{
    for (const char* name : {"pcx_t16.pcx", "pcx_d16.pcx", "pcx_p4.pcx"}) {
        const Bytes file = Fixture(name);
        const Result whole = ReadPcx(file, 24, 0);
        ASSERT_EQ(0, whole.status) << name;
        for (size_t n = 128; n < file.size(); ++n) {
            const Bytes cut(file.begin(), file.begin() + n);
            const Result r = n % 97 == 0 ? pcxt::ReadPcxFile(cut, "pcx_cut.pcx", 24) : ReadPcx(cut, 24, 0);
            ASSERT_NE(nullptr, r.buffer) << name << " cut at " << n;
            ASSERT_EQ(3, r.status) << name << " cut at " << n;
            // The lines read are the file's, those after them zero, and the
            // last is never complete.
            const size_t row = 37 * 3;
            size_t y = 0;
            while (y < 23 && std::equal(whole.bytes.begin() + y * row, whole.bytes.begin() + (y + 1) * row,
                                        r.bytes.begin() + y * row))
                ++y;
            ASSERT_LT(y, 23u) << name << " cut at " << n;
            ASSERT_EQ(Bytes((23 - y) * row, 0), Bytes(r.bytes.begin() + y * row, r.bytes.begin() + 23 * row))
                << name << " cut at " << n;
        }
    }
}

TEST(PcxHuge, OversizedPictureIsRefusedBeforeAllocating)
{
    Bytes file = Header(60000, 60000, 8, 3, 60000);
    file.resize(1024, 0);
    for (const Result& r : {ReadPcx(file, 24, 0), pcxt::ReadPcxFile(file, "pcx_huge.pcx", 24)}) {
        EXPECT_EQ(nullptr, r.buffer);
        EXPECT_EQ(1, r.status);
    }
}

}  // namespace
