// The generic reader: modes 0 to 3 on JPEG files against djpeg and the JPEG
// entry, sources, allocation callbacks, progress and bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/frame.h"
#include "core/io.h"
#include "is5.h"
#include "reader/reader_table.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Fixture(const std::string& name)
{
    Bytes bytes;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath(name), &bytes)) << name;
    return bytes;
}

vt::Pnm Reference(const std::string& name)
{
    vt::Pnm pnm;
    EXPECT_TRUE(vt::ReadPnm(vt::FixturePath(name), &pnm)) << name;
    return pnm;
}

// A result of the library, freed with GlobalFree.
struct Result {
    BYTE* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t error = -1;

    Result() = default;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    Result(Result&& o) noexcept : data(o.data), width(o.width), height(o.height), error(o.error) { o.data = nullptr; }
    ~Result()
    {
        if (data)
            GlobalFree(data);
    }
    Bytes Take(size_t n) const { return data ? Bytes(data, data + n) : Bytes(); }
};

Result ReadSource(HISSRC source, uint32_t mode)
{
    Result r;
    r.data = static_cast<BYTE*>(is5_ReadImage(source, &r.width, &r.height, mode, 0));
    r.error = ISGetLastError();
    return r;
}

Result ReadMemory(const Bytes& bytes, uint32_t mode)
{
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_NE(nullptr, source);
    Result r = ReadSource(source, mode);
    is5_CloseSource(source);
    return r;
}

Result ReadFile(const std::string& name, const Bytes& bytes, uint32_t mode)
{
    std::string path = vt::BuildPath("reader_read_" + name);
    EXPECT_TRUE(vt::WriteFileBytes(path, bytes));
    HISSRC source = is5_OpenFileSource(path.c_str());
    EXPECT_NE(nullptr, source) << path;
    Result r = ReadSource(source, mode);
    is5_CloseSource(source);
    return r;
}

Result ReadJpegEntry(const Bytes& bytes, uint32_t bits, uint32_t flags)
{
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    Result r;
    r.data = static_cast<BYTE*>(is5_ReadJPG(source, &r.width, &r.height, bits, flags));
    r.error = ISGetLastError();
    is5_CloseSource(source);
    return r;
}

// Positions in the error log of the first line with each text, or -1.
int LogIndex(const std::string& text)
{
    std::vector<ISErrorLogEntry> log = ISTestErrorLog();
    for (size_t i = log.size(); i-- > 0;)
        if (log[i].message.find(text) != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

TEST(ReadImageJpeg, Mode0EqualsTheJpegEntryAndDjpeg)
{
    Bytes file = Fixture("reader_photo.jpg");
    vt::Pnm reference = Reference("reader_photo.ppm");
    Result rgb = ReadMemory(file, 0);
    ASSERT_NE(nullptr, rgb.data);
    EXPECT_EQ(0, rgb.error);
    ASSERT_EQ(61u, rgb.width);
    ASSERT_EQ(47u, rgb.height);
    EXPECT_EQ(reference.pixels, rgb.Take(61 * 47 * 3));
    Result direct = ReadJpegEntry(file, 24, 0);
    EXPECT_EQ(direct.Take(61 * 47 * 3), rgb.Take(61 * 47 * 3));
    // The caller's buffer is a GlobalAlloc block of the picture's size.
    EXPECT_GE(GlobalSize(rgb.data), SIZE_T(61 * 47 * 3));
}

TEST(ReadImageJpeg, Mode1AddsOpaqueAlpha)
{
    Bytes file = Fixture("reader_photo.jpg");
    vt::Pnm reference = Reference("reader_photo.ppm");
    Result rgba = ReadMemory(file, 1);
    ASSERT_NE(nullptr, rgba.data);
    EXPECT_EQ(0, rgba.error);
    ASSERT_EQ(61u, rgba.width);
    ASSERT_EQ(47u, rgba.height);
    Bytes expected;
    for (size_t i = 0; i < reference.pixels.size(); i += 3) {
        expected.insert(expected.end(), reference.pixels.begin() + i, reference.pixels.begin() + i + 3);
        expected.push_back(255);
    }
    EXPECT_EQ(expected, rgba.Take(61 * 47 * 4));
}

TEST(ReadImageJpeg, Mode2IsTheReadersDibWithItsSize)
{
    Bytes file = Fixture("reader_photo.jpg");
    Result dib = ReadMemory(file, 2);
    ASSERT_NE(nullptr, dib.data);
    EXPECT_EQ(0, dib.error);
    Result direct = ReadJpegEntry(file, 24, 2);
    ASSERT_NE(nullptr, direct.data);
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data, sizeof header);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(uint32_t(header.biWidth), dib.width);
    EXPECT_EQ(uint32_t(header.biHeight), dib.height);
    EXPECT_EQ(61u, dib.width);
    EXPECT_EQ(47u, dib.height);
    size_t size = 40 + size_t((61 * 3 + 3) / 4 * 4) * 47;
    EXPECT_EQ(direct.Take(size), dib.Take(size));
}

TEST(ReadImageJpeg, Mode3ThresholdsAPhotograph)
{
    Result bits = ReadMemory(Fixture("reader_halves.jpg"), 3);
    ASSERT_NE(nullptr, bits.data);
    EXPECT_EQ(0, bits.error);
    ASSERT_EQ(64u, bits.width);
    ASSERT_EQ(64u, bits.height);
    Bytes row = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    for (uint32_t y = 0; y < 64; ++y)
        EXPECT_EQ(row, Bytes(bits.data + y * 8, bits.data + y * 8 + 8)) << "row " << y;
}

TEST(ReadImageJpeg, GreyMode0RepeatsTheGreyAndMode2IsAn8BitDib)
{
    Bytes file = Fixture("reader_grey.jpg");
    vt::Pnm reference = Reference("reader_grey.pgm");
    ASSERT_EQ(1, reference.channels);
    Result rgb = ReadMemory(file, 0);
    ASSERT_NE(nullptr, rgb.data);
    ASSERT_EQ(64u, rgb.width);
    Bytes expected;
    for (uint8_t v : reference.pixels)
        expected.insert(expected.end(), {v, v, v});
    EXPECT_EQ(expected, rgb.Take(64 * 64 * 3));

    Result dib = ReadMemory(file, 2);
    ASSERT_NE(nullptr, dib.data);
    EXPECT_EQ(0, dib.error);
    EXPECT_GE(GlobalSize(dib.data), SIZE_T(40 + 1024 + 64 * 64));
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data, sizeof header);
    EXPECT_EQ(8, header.biBitCount);
    EXPECT_EQ(64u * 64u, header.biSizeImage);
    EXPECT_EQ(64u, dib.width);
    EXPECT_EQ(64u, dib.height);
}

TEST(ReadImageBmp, ModesGiveTheBitmapsPixels)
{
    Bytes file = Fixture("reader_photo24.bmp");
    vt::Pnm source = Reference("reader_photo_src.ppm");
    Result rgb = ReadMemory(file, 0);
    ASSERT_NE(nullptr, rgb.data);
    EXPECT_EQ(0, rgb.error);
    ASSERT_EQ(61u, rgb.width);
    ASSERT_EQ(47u, rgb.height);
    EXPECT_EQ(source.pixels, rgb.Take(61 * 47 * 3));

    Result rgba = ReadMemory(file, 1);
    ASSERT_NE(nullptr, rgba.data);
    EXPECT_EQ(0, rgba.error);
    Bytes colours;
    for (size_t i = 0; i < size_t(61) * 47; ++i)
        colours.insert(colours.end(), rgba.data + 4 * i, rgba.data + 4 * i + 3);
    EXPECT_EQ(source.pixels, colours);

    Result dib = ReadMemory(file, 2);
    ASSERT_NE(nullptr, dib.data);
    EXPECT_EQ(0, dib.error);
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data, sizeof header);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(61u, dib.width);
    EXPECT_EQ(47u, dib.height);
}

TEST(ReadImageBmp, OneBitFileKeepsItsBitsInMode3)
{
    Bytes file = Fixture("reader_bilevel.bmp");
    Result bits = ReadMemory(file, 3);
    ASSERT_NE(nullptr, bits.data);
    EXPECT_EQ(0, bits.error);
    ASSERT_EQ(20u, bits.width);
    ASSERT_EQ(3u, bits.height);
    // The file's own rows: palette index 0 black, 1 white.
    Bytes row = {0x00, 0x3F, 0xF0};
    for (uint32_t y = 0; y < 3; ++y)
        EXPECT_EQ(row, Bytes(bits.data + 3 * y, bits.data + 3 * y + 3)) << "row " << y;
    Result rgb = ReadMemory(file, 0);
    ASSERT_NE(nullptr, rgb.data);
    EXPECT_EQ(Bytes(3, 0), Bytes(rgb.data, rgb.data + 3));
    EXPECT_EQ(Bytes(3, 255), Bytes(rgb.data + 57, rgb.data + 60));
}

TEST(ReadImageSource, ReadsFromTheStartWhereverTheSourceStands)
{
    Bytes file = Fixture("reader_photo.jpg");
    HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    ASSERT_TRUE(is5_Seek(source, 0, 2));
    Result first = ReadSource(source, 0);
    EXPECT_NE(nullptr, first.data);
    EXPECT_EQ(0, first.error);
    // A second reader on the same source, as the programs do.
    Result second = ReadSource(source, 0);
    EXPECT_NE(nullptr, second.data);
    EXPECT_EQ(first.Take(61 * 47 * 3), second.Take(61 * 47 * 3));
    is5_CloseSource(source);
}

int g_allocCalls = 0;
void* CountingAlloc(intptr_t bytes, intptr_t) { ++g_allocCalls; return std::malloc(size_t(bytes)); }
void* CountingRealloc(void* block, intptr_t bytes, intptr_t) { ++g_allocCalls; return std::realloc(block, size_t(bytes)); }
BOOL CountingFree(void* block, intptr_t) { ++g_allocCalls; std::free(block); return TRUE; }

TEST(ReadImageSource, AllocationCallbacksAreSetAsideAndRestored)
{
    ISThreadState* state = ISGetThreadState();
    state->allocCallback = CountingAlloc;
    state->reallocCallback = CountingRealloc;
    state->freeCallback = CountingFree;
    state->allocUser = 1234;
    g_allocCalls = 0;
    Bytes file = Fixture("reader_photo.jpg");
    for (uint32_t mode = 0; mode < 4; ++mode) {
        Result r = ReadMemory(file, mode);
        EXPECT_NE(nullptr, r.data) << mode;
        EXPECT_GE(GlobalSize(r.data), SIZE_T(1)) << mode;  // a GlobalAlloc block, not the callback's
    }
    Result bad = ReadMemory(Bytes(50, 'x'), 0);
    EXPECT_EQ(nullptr, bad.data);
    EXPECT_EQ(0, g_allocCalls);
    EXPECT_EQ(CountingAlloc, state->allocCallback);
    EXPECT_EQ(CountingRealloc, state->reallocCallback);
    EXPECT_EQ(CountingFree, state->freeCallback);
    EXPECT_EQ(1234, state->allocUser);
    state->allocCallback = nullptr;
    state->reallocCallback = nullptr;
    state->freeCallback = nullptr;
    state->allocUser = 0;
}

struct ProgressLog {
    int calls = 0;
    int stopAt = -1;  // FALSE at this call
};

BOOL CountProgress(int32_t, int32_t, void* user)
{
    ProgressLog* log = static_cast<ProgressLog*>(user);
    return log->calls++ == log->stopAt ? FALSE : TRUE;
}

TEST(ReadImageProgress, Modes0And1ReportEachRowOnce)
{
    Bytes file = Fixture("reader_photo.jpg");
    for (uint32_t mode : {0u, 1u}) {
        ProgressLog log;
        is5_SetCallback(CountProgress, &log);
        Result r = ReadMemory(file, mode);
        is5_SetCallback(nullptr, nullptr);
        EXPECT_NE(nullptr, r.data);
        EXPECT_EQ(47, log.calls) << "mode " << mode;
    }
}

TEST(ReadImageProgress, CancelKeepsThePartialBufferWithTheReadersCode)
{
    Bytes file = Fixture("reader_photo.jpg");
    for (uint32_t mode : {0u, 1u}) {
        ProgressLog log;
        log.stopAt = 0;
        is5_SetCallback(CountProgress, &log);
        Result r = ReadMemory(file, mode);
        is5_SetCallback(nullptr, nullptr);
        EXPECT_NE(nullptr, r.data) << "mode " << mode;
        EXPECT_EQ(3, r.error) << "mode " << mode;
        int reader = LogIndex("Error 3 in is5_ReadJPG");
        int generic = LogIndex("Error 3 in is5_ReadImage");
        EXPECT_GE(reader, 0);
        EXPECT_EQ(reader + 1, generic) << "mode " << mode;
    }
}

Bytes Padded(const Bytes& head, size_t size = 64)
{
    Bytes bytes = head;
    bytes.resize(size, 'x');
    return bytes;
}

struct BadCase {
    const char* label;
    const char* fileName;  // null: a memory source
    Bytes bytes;
    int32_t code;
};

class ReadImageBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReadImageBadInput, GivesNullWithTheCode)
{
    const BadCase& c = GetParam();
    for (uint32_t mode = 0; mode < 4; ++mode) {
        Result r = c.fileName ? ReadFile(c.fileName, c.bytes, mode) : ReadMemory(c.bytes, mode);
        EXPECT_EQ(nullptr, r.data) << "mode " << mode;
        EXPECT_EQ(c.code, r.error) << "mode " << mode;
        EXPECT_EQ(0u, r.width);
    }
}

Bytes CutAfterSof(const Bytes& jpeg)
{
    for (size_t i = 2; i + 4 <= jpeg.size();) {
        size_t length = size_t(jpeg[i + 2]) << 8 | jpeg[i + 3];
        if (jpeg[i + 1] == 0xC0)
            return Bytes(jpeg.begin(), jpeg.begin() + i + 2 + length);
        i += 2 + length;
    }
    return jpeg;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadImageBadInput,
    ::testing::Values(BadCase{"UnknownData", "x.dat", Padded({'h', 'e', 'l', 'l', 'o'}), 2},
                      BadCase{"ProtectedTla", nullptr, Padded({'T', 'L', 'A', 0x01}), 52},
                      BadCase{"MetafileFromMemory", nullptr, Padded({0x01, 0x00, 0x09, 0x00, 0x00}), 2},
                      BadCase{"GifCutBeforeImage", nullptr, Padded({'G', 'I', 'F', '8', '9', 'a'}), 3},
                      BadCase{"JpegCutAfterSof", nullptr, CutAfterSof(Fixture("reader_photo.jpg")), 9}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.label); });

TEST(ReadImageBadInput, NullAndClosedSources)
{
    uint32_t w = 7, h = 7;
    EXPECT_EQ(nullptr, is5_ReadImage(nullptr, &w, &h, 0, 0));
    EXPECT_EQ(5, ISGetLastError());
    CISIO_Memory closed;
    EXPECT_EQ(nullptr, is5_ReadImage(ISToHandle(&closed), &w, &h, 0, 0));
    EXPECT_EQ(38, ISGetLastError());
}

// Hostile and truncated inputs: never a picture without a code, never a crash.
TEST(ReadImageBadInput, TinyAndTextInputsNeverSucceed)
{
    std::vector<Bytes> inputs = {
        {'B', 'M'}, {'P', 'A', 'X'}, {'G', 'I', 'F', '8', '9', 'a'}, {0xFF, 0xD8, 0xFF, 0xE0}, {0xFF, 0xD8, 0xFF},
        {0x0A, 0x00}, {'M', 'M'}, {'I', 'I'}, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A},
        {0x01, 0x00, 0x09, 0x00, 0x00}, {0xD7, 0xCD, 0xC6, 0x9A}, {'8', 'B', 'P', 'S'}, {'T', 'L', 'A', 0x01},
        {'T', 'L', 'A', 'U'}, {'P', 'C', 'D', '_', 'O', 'P', 'A'}, {0xFF, 0x4F}, {0xD0, 0xCF, 0x11, 0xE0},
        {'P', '1'}, {'P', '4'}, {'P', '2'}, {'P', '5'}, {'P', '3'}, {'P', '6'}, {0, 0, 1, 0, 1, 0}, {0},
        Padded({'B', 'M', ' ', 't', 'e', 'x', 't'}), Padded({'I', 'I', ' ', 't', 'e', 'x', 't'}),
        Padded({'P', '1', ' ', 't', 'e', 'x', 't'})};
    for (const Bytes& input : inputs)
        for (uint32_t mode = 0; mode < 4; ++mode) {
            Result r = ReadMemory(input, mode);
            EXPECT_EQ(nullptr, r.data);
            EXPECT_NE(0, r.error);
        }
    Result empty = ReadFile("empty.jpg", Bytes(), 0);
    EXPECT_EQ(nullptr, empty.data);
    EXPECT_NE(0, empty.error);
}

TEST(ReadImageConversion, PbmRowsShowSetBitsBlack)
{
    const BYTE row[1] = {0x80};
    BYTE rgb[6] = {1, 1, 1, 1, 1, 1};
    int32_t status = -1;
    ASSERT_TRUE(ISPaletteRowsToRGB(row, 1, 2, 1, g_isPbmPalette, rgb, &status));
    EXPECT_EQ(0, status);
    EXPECT_EQ((Bytes{0, 0, 0, 255, 255, 255}), Bytes(rgb, rgb + 6));
}

}  // namespace

namespace {

Result ReadPngEntry(const Bytes& bytes, uint32_t bits)
{
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    Result r;
    RGBQUAD palette[256];
    r.data = static_cast<BYTE*>(is5_ReadPNG(source, &r.width, &r.height, bits, palette, 0));
    r.error = ISGetLastError();
    is5_CloseSource(source);
    return r;
}

TEST(ReadImagePng, OneBitPaletteKeepsItsBitsAndRgbaEqualsTheEntry)
{
    const Bytes mono = Fixture("png/p1.png");
    Result bits = ReadMemory(mono, 3);
    Result entry = ReadPngEntry(mono, 1);
    ASSERT_NE(nullptr, bits.data);
    ASSERT_NE(nullptr, entry.data);
    EXPECT_EQ(0, bits.error);
    ASSERT_EQ(entry.width, bits.width);
    ASSERT_EQ(entry.height, bits.height);
    const size_t size = size_t(entry.height) * ((entry.width + 7) / 8);
    EXPECT_EQ(entry.Take(size), bits.Take(size));

    const Bytes rgbaFile = Fixture("png/rgba8.png");
    Result rgba = ReadMemory(rgbaFile, 1);
    Result at32 = ReadPngEntry(rgbaFile, 32);
    ASSERT_NE(nullptr, rgba.data);
    ASSERT_NE(nullptr, at32.data);
    EXPECT_EQ(0, rgba.error);
    const size_t n = size_t(at32.width) * at32.height * 4;
    EXPECT_EQ(at32.Take(n), rgba.Take(n));
}

}  // namespace
