// The file-type guess: signatures, extensions, the TGA footer and the Photo
// CD marker, on file and memory sources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/frame.h"
#include "core/io.h"
#include "is5.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// `head` at `offset` in 48 bytes of filler that starts no signature.
Bytes Header(const Bytes& head, size_t offset = 0, size_t size = 48)
{
    Bytes bytes(size, 'x');
    std::copy(head.begin(), head.end(), bytes.begin() + offset);
    return bytes;
}

Bytes WithFooter(Bytes bytes)
{
    static const char kFooter[18] = "TRUEVISION-XFILE.";  // and its terminating 0
    bytes.insert(bytes.end(), kFooter, kFooter + 18);
    return bytes;
}

int32_t GuessMemory(const Bytes& bytes)
{
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_NE(nullptr, source);
    int32_t type = is5_GuessFileType(source);
    is5_CloseSource(source);
    return type;
}

int32_t GuessFile(const std::string& name, const Bytes& bytes)
{
    std::string path = vt::BuildPath("reader_guess_" + name);
    EXPECT_TRUE(vt::WriteFileBytes(path, bytes));
    HISSRC source = is5_OpenFileSource(path.c_str());
    EXPECT_NE(nullptr, source) << path;
    if (!source)
        return -1;
    int32_t type = is5_GuessFileType(source);
    is5_CloseSource(source);
    return type;
}

struct SignatureCase {
    const char* label;
    Bytes head;
    size_t offset;
    int32_t type;
};

class GuessBySignature : public ::testing::TestWithParam<SignatureCase> {};

TEST_P(GuessBySignature, GivesTheRowsType)
{
    const SignatureCase& c = GetParam();
    EXPECT_EQ(c.type, GuessMemory(Header(c.head, c.offset)));
    EXPECT_EQ(0, ISGetLastError());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GuessBySignature,
    ::testing::Values(
        SignatureCase{"Bmp", {'B', 'M'}, 0, 1}, SignatureCase{"Pax", {'P', 'A', 'X'}, 0, 9},
        SignatureCase{"Gif89a", {'G', 'I', 'F', '8', '9', 'a'}, 0, 2},
        SignatureCase{"Gif87a", {'G', 'I', 'F', '8', '7', 'a'}, 0, 2},
        SignatureCase{"Jfif", {0xFF, 0xD8, 0xFF, 0xE0}, 0, 3}, SignatureCase{"Exif", {0xFF, 0xD8, 0xFF, 0xE1}, 0, 3},
        SignatureCase{"Pcx0", {0x0A, 0x00}, 0, 5}, SignatureCase{"Pcx2", {0x0A, 0x02}, 0, 5},
        SignatureCase{"Pcx3", {0x0A, 0x03}, 0, 5}, SignatureCase{"Pcx5", {0x0A, 0x05}, 0, 5},
        SignatureCase{"TiffMM", {'M', 'M'}, 0, 6}, SignatureCase{"TiffII", {'I', 'I'}, 0, 6},
        SignatureCase{"Png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, 0, 4},
        SignatureCase{"Wmf", {0x01, 0x00, 0x09, 0x00, 0x00}, 0, 7},
        SignatureCase{"PlaceableWmf", {0xD7, 0xCD, 0xC6, 0x9A}, 0, 7},
        SignatureCase{"Emf", {' ', 'E', 'M', 'F'}, 40, 8}, SignatureCase{"Psd", {'8', 'B', 'P', 'S'}, 0, 10},
        SignatureCase{"TlaProtected", {'T', 'L', 'A', 0x01}, 0, 11},
        SignatureCase{"Tla", {'T', 'L', 'A', 'U'}, 0, 12},
        SignatureCase{"PcdOverview", {'P', 'C', 'D', '_', 'O', 'P', 'A'}, 0, 15},
        SignatureCase{"Jp2", {0x6A, 0x50, 0x20, 0x20, 0x0D}, 4, 17}, SignatureCase{"Codestream", {0xFF, 0x4F}, 0, 17},
        SignatureCase{"PrefixedCodestream", {0xFF, 0x4F}, 4, 18},
        SignatureCase{"Compound", {0xD0, 0xCF, 0x11, 0xE0}, 0, 19}, SignatureCase{"P1", {'P', '1'}, 0, 20},
        SignatureCase{"P4", {'P', '4'}, 0, 20}, SignatureCase{"P2", {'P', '2'}, 0, 21},
        SignatureCase{"P5", {'P', '5'}, 0, 21}, SignatureCase{"P3", {'P', '3'}, 0, 22},
        SignatureCase{"P6", {'P', '6'}, 0, 22}, SignatureCase{"Icon", {0, 0, 1, 0, 1, 0}, 0, 24},
        SignatureCase{"Cursor", {0, 0, 2, 0, 1, 0}, 0, 24},
        // A true-colour TGA header begins like a cursor but counts no images.
        SignatureCase{"TgaIsNoCursor", {0, 0, 2, 0, 0, 0}, 0, 0}),
    [](const ::testing::TestParamInfo<SignatureCase>& info) { return std::string(info.param.label); });

struct FileCase {
    const char* label;
    const char* name;
    Bytes bytes;
    int32_t type;
};

class GuessFromFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(GuessFromFile, UsesSignatureThenExtensionThenMarkers)
{
    const FileCase& c = GetParam();
    EXPECT_EQ(c.type, GuessFile(c.name, c.bytes));
    EXPECT_EQ(0, ISGetLastError());
}

Bytes PcdAt2048(size_t size)
{
    Bytes bytes(size, 'x');
    for (size_t i = 0; i < 3 && 2048 + i < size; ++i)
        bytes[2048 + i] = "PCD"[i];
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, GuessFromFile,
    ::testing::Values(FileCase{"SignatureBeatsExtension", "x.png", Header({'B', 'M'}), 1},
                      FileCase{"TgaNamedTga", "a.tga", Header({0, 0, 2, 0, 0, 0}), 14},
                      FileCase{"NoSignatureNamedTga", "b.tga", Header({}), 14},
                      FileCase{"WbmpByExtensionAnyCase", "a.WBM", Header({0, 0, 4, 4}), 13},
                      FileCase{"WbmpLongExtension", "a.wbmp", Header({}), 13},
                      FileCase{"FooterWithoutExtension", "footer", WithFooter(Header({})), 14},
                      FileCase{"FooterIgnoredForIco", "a.ico", WithFooter(Header({})), 0},
                      FileCase{"PhotoCdMarker", "image", PcdAt2048(4096), 16},
                      FileCase{"PhotoCdMarkerCut", "cut", PcdAt2048(2049), 0},
                      FileCase{"Empty", "empty", Bytes(), 0},
                      FileCase{"ThreeBytes", "three", Bytes{'a', 'b', 'c'}, 0},
                      FileCase{"SeventeenBytes", "seventeen", Bytes(17, 'y'), 0}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.label); });

TEST(GuessFileType, MemorySourceHasNoExtensionButItsFooterCounts)
{
    Bytes tga = Header({0, 0, 2, 0, 0, 0});
    EXPECT_EQ(0, GuessMemory(tga));
    EXPECT_EQ(14, GuessMemory(WithFooter(tga)));
}

TEST(GuessFileType, GuessesFromTheCurrentPosition)
{
    Bytes bytes(200, 'x');
    bytes[100] = 'G';
    bytes[101] = 'I';
    bytes[102] = 'F';
    bytes[103] = '8';
    bytes[104] = '9';
    bytes[105] = 'a';
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_TRUE(is5_Seek(source, 100, 0));
    EXPECT_EQ(2, is5_GuessFileType(source));
    is5_CloseSource(source);
}

TEST(GuessFileType, BadSourcesAre5And38)
{
    EXPECT_EQ(0, is5_GuessFileType(nullptr));
    EXPECT_EQ(5, ISGetLastError());
    CISIO_Memory closed;
    EXPECT_EQ(0, is5_GuessFileType(ISToHandle(&closed)));
    EXPECT_EQ(38, ISGetLastError());
}

}  // namespace
