// Writing JPEG files: quality, layouts, flags, markers, bad arguments and cancel.
#include "jpeg/jpeg_test_util.h"

#include <cstring>

using jt::Bytes;

namespace {

class JpegWrite : public ::testing::Test {
protected:
    void SetUp() override
    {
        ISTestResetJpegOptions();
        is5_SetCallback(nullptr, nullptr);
    }
    void TearDown() override
    {
        ISTestResetJpegOptions();
        is5_SetCallback(nullptr, nullptr);
    }
};

Bytes FlipRows(const Bytes& pixels, uint32_t rowBytes)
{
    Bytes flipped(pixels.size());
    size_t rows = pixels.size() / rowBytes;
    for (size_t y = 0; y < rows; ++y)
        std::memcpy(&flipped[y * rowBytes], &pixels[(rows - 1 - y) * rowBytes], rowBytes);
    return flipped;
}

uint32_t CodingFlags(const Bytes& file)
{
    HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    uint32_t w = 0, h = 0, coding = 99;
    EXPECT_TRUE(is5_GetJPGDims(source, &w, &h, nullptr, nullptr, &coding, nullptr, 0));
    is5_CloseSource(source);
    return coding;
}

TEST_F(JpegWrite, GradientAtQualityNinetyDecodesCloseToTheInput)
{
    Bytes pixels = jt::Gradient(64, 48, 3);
    int32_t error = -1;
    Bytes file = jt::WriteJpeg(pixels, 64, 48, 24, 90, 0, nullptr, &error);
    EXPECT_EQ(error, 0);
    vt::Pnm decoded = jt::DecodeWithDjpeg(file, "q90");
    ASSERT_EQ(decoded.width, 64);
    ASSERT_EQ(decoded.height, 48);
    ASSERT_EQ(decoded.channels, 3);
    EXPECT_GT(jt::Psnr(decoded.pixels, pixels), 35.0);
}

TEST_F(JpegWrite, ResultIsTheFileSizeAndWritesIntoOneSinkAddUp)
{
    Bytes pixels = jt::Gradient(64, 48, 3);
    std::string path = vt::BuildPath("jpeg_test_size.jpg");
    HISDEST file = is5_OpenFileDest(path.c_str(), 0);
    ASSERT_NE(file, nullptr);
    int32_t size = is5_WriteJPG(file, pixels.data(), 64, 48, 24, 64 * 3, 90, nullptr, 0);
    EXPECT_EQ(ISGetLastError(), 0);
    is5_CloseDest(file);
    Bytes written;
    ASSERT_TRUE(vt::ReadFileBytes(path, &written));
    EXPECT_EQ(size_t(size), written.size());
    EXPECT_GT(size, 0);

    jt::MemorySink sink(1 << 20);
    int32_t first = is5_WriteJPG(sink.Handle(), pixels.data(), 64, 48, 24, 64 * 3, 90, nullptr, 0);
    int32_t second = is5_WriteJPG(sink.Handle(), pixels.data(), 64, 48, 24, 64 * 3, 50, nullptr, 0);
    Bytes low = jt::WriteJpeg(pixels, 64, 48, 24, 50);
    EXPECT_EQ(first, size);
    EXPECT_EQ(second, size + static_cast<int32_t>(low.size()));
}

TEST_F(JpegWrite, EightBitsWritesAGreyscaleFile)
{
    Bytes grey = jt::Gradient(32, 16, 1);
    Bytes file = jt::WriteJpeg(grey, 32, 16, 8, 90);
    vt::Pnm decoded = jt::DecodeWithDjpeg(file, "grey");
    EXPECT_EQ(decoded.channels, 1);  // djpeg -pnm writes P5
    EXPECT_GT(jt::Psnr(decoded.pixels, grey), 35.0);
}

TEST_F(JpegWrite, NoJfifFlagLeavesOutTheApp0Marker)
{
    Bytes pixels = jt::Gradient(16, 16, 3);
    Bytes with = jt::WriteJpeg(pixels, 16, 16, 24, 90);
    Bytes without = jt::WriteJpeg(pixels, 16, 16, 24, 90, 0x20);
    ASSERT_GT(without.size(), 4u);
    EXPECT_TRUE(with[2] == 0xFF && with[3] == 0xE0);
    EXPECT_FALSE(without[2] == 0xFF && without[3] == 0xE0);
}

TEST_F(JpegWrite, ProgressiveFlagWritesAProgressiveFile)
{
    Bytes pixels = jt::Gradient(16, 16, 3);
    EXPECT_EQ(CodingFlags(jt::WriteJpeg(pixels, 16, 16, 24, 90)), 0u);
    EXPECT_EQ(CodingFlags(jt::WriteJpeg(pixels, 16, 16, 24, 90, 0x1)), 1u);
}

TEST_F(JpegWrite, BottomUpFlagWritesThePictureFlipped)
{
    Bytes pixels = jt::Gradient(64, 48, 3);
    Bytes file = jt::WriteJpeg(pixels, 64, 48, 24, 90, 0x4);
    vt::Pnm decoded = jt::DecodeWithDjpeg(file, "flipped");
    EXPECT_GT(jt::Psnr(decoded.pixels, FlipRows(pixels, 64 * 3)), 35.0);
}

TEST_F(JpegWrite, BgrInputGivesTheSameFileAsRgbInput)
{
    Bytes rgb = jt::Gradient(21, 11, 3);
    Bytes bgr = rgb;
    for (size_t i = 0; i < bgr.size(); i += 3)
        std::swap(bgr[i], bgr[i + 2]);
    EXPECT_EQ(jt::WriteJpeg(bgr, 21, 11, 24, 90, 0x8), jt::WriteJpeg(rgb, 21, 11, 24, 90));
    Bytes bgrCopy = bgr;
    jt::WriteJpeg(bgr, 21, 11, 24, 90, 0x8);
    EXPECT_EQ(bgr, bgrCopy);  // the caller's pixels stay as they are
}

TEST_F(JpegWrite, StrideLeavesRowPaddingOut)
{
    Bytes packed = jt::Gradient(21, 11, 3);
    Bytes strided(size_t(100) * 11, 0xEE);
    for (size_t y = 0; y < 11; ++y)
        std::memcpy(&strided[y * 100], &packed[y * 63], 63);
    jt::MemorySink sink(1 << 20);
    int32_t size = is5_WriteJPG(sink.Handle(), strided.data(), 21, 11, 24, 100, 90, nullptr, 0);
    EXPECT_EQ(ISGetLastError(), 0);
    EXPECT_EQ(sink.Written(), jt::WriteJpeg(packed, 21, 11, 24, 90));
    EXPECT_GT(size, 0);
}

// ---- the same settings as cjpeg give the same file ----

struct CjpegCase {
    const char* file;  // made by cjpeg from jpeg_src.ppm or jpeg_src.pgm
    bool grey;
    int32_t quality;
    uint32_t flags;
    int32_t dctMethod;
    int32_t smoothing;
    int32_t lumaH;  // sampling of the first component; 0 keeps libjpeg's
    int32_t lumaV;
};

class JpegWriteLikeCjpeg : public JpegWrite, public ::testing::WithParamInterface<CjpegCase> {};

TEST_P(JpegWriteLikeCjpeg, GivesCjpegsBytes)
{
    const CjpegCase& c = GetParam();
    vt::Pnm input = jt::Reference(c.grey ? "jpeg_src.pgm" : "jpeg_src.ppm");
    ISJpegOptions* options = ISTestJpegOptions();
    options->dctMethod = c.dctMethod;
    options->smoothing = c.smoothing;
    if (c.lumaH) {
        options->useSampling = 1;
        options->horizontalSampling[0] = c.lumaH;
        options->verticalSampling[0] = c.lumaV;
    }
    int32_t error = -1;
    Bytes file = jt::WriteJpeg(input.pixels, uint32_t(input.width), uint32_t(input.height), c.grey ? 8 : 24,
                               c.quality, c.flags, nullptr, &error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(file, jt::Fixture(c.file));
}

INSTANTIATE_TEST_SUITE_P(Settings, JpegWriteLikeCjpeg,
                         ::testing::Values(CjpegCase{"jpeg_w_q90.jpg", false, 90, 0, 0, 0, 0, 0},
                                           CjpegCase{"jpeg_w_q40prog.jpg", false, 40, 0x1, 0, 0, 0, 0},
                                           CjpegCase{"jpeg_w_s11.jpg", false, 90, 0, 0, 0, 1, 1},
                                           CjpegCase{"jpeg_w_s21.jpg", false, 90, 0, 0, 0, 2, 1},
                                           CjpegCase{"jpeg_w_fast.jpg", false, 75, 0, 2, 0, 0, 0},
                                           CjpegCase{"jpeg_w_smooth.jpg", false, 75, 0, 0, 30, 0, 0},
                                           CjpegCase{"jpeg_w_grey.jpg", true, 90, 0, 0, 0, 0, 0}));

// ---- markers ----

// ICC chunks of `file`: (sequence, count, size) in file order.
struct IccChunk {
    int sequence;
    int count;
    size_t size;
};

std::vector<IccChunk> IccChunks(const Bytes& file)
{
    std::vector<IccChunk> chunks;
    for (const jt::Marker& m : jt::Markers(file))
        if (m.code == 0xE2 && m.data.size() >= 14 && std::memcmp(m.data.data(), "ICC_PROFILE\0", 12) == 0)
            chunks.push_back({m.data[12], m.data[13], m.data.size() - 14});
    return chunks;
}

Bytes Profile(size_t size)
{
    Bytes profile(size);
    for (size_t i = 0; i < size; ++i)
        profile[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    return profile;
}

Bytes LibjpegIccProfile(const Bytes& file)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = ISJpegErrorManager(&err);
    jpeg_create_decompress(&cinfo);
    Bytes profile;
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    JOCTET* data = nullptr;
    unsigned int length = 0;
    if (jpeg_read_icc_profile(&cinfo, &data, &length)) {
        profile.assign(data, data + length);
        free(data);
    }
    jpeg_destroy_decompress(&cinfo);
    return profile;
}

struct IccCase {
    size_t size;
    std::vector<IccChunk> chunks;
};

class JpegIcc : public JpegWrite, public ::testing::WithParamInterface<IccCase> {};

TEST_P(JpegIcc, ProfileIsCutIntoApp2ChunksThatLibjpegReassembles)
{
    Bytes profile = Profile(GetParam().size);
    ASSERT_TRUE(ISTestSetIccProfile(profile.data(), static_cast<int32_t>(profile.size())));
    int32_t error = -1;
    Bytes file = jt::WriteJpeg(jt::Gradient(16, 16, 3), 16, 16, 24, 90, 0, nullptr, &error);
    EXPECT_EQ(error, 0);
    std::vector<IccChunk> chunks = IccChunks(file);
    ASSERT_EQ(chunks.size(), GetParam().chunks.size());
    for (size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].sequence, GetParam().chunks[i].sequence);
        EXPECT_EQ(chunks[i].count, GetParam().chunks[i].count);
        EXPECT_EQ(chunks[i].size, GetParam().chunks[i].size);
    }
    EXPECT_EQ(LibjpegIccProfile(file), profile);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegIcc,
                         ::testing::Values(IccCase{1, {{1, 1, 1}}}, IccCase{65519, {{1, 1, 65519}}},
                                           IccCase{65520, {{1, 2, 65519}, {2, 2, 1}}},
                                           IccCase{3 * 65519 + 5, {{1, 4, 65519}, {2, 4, 65519}, {3, 4, 65519},
                                                                   {4, 4, 5}}}));

TEST_F(JpegWrite, ProfileNeedingMoreThan255ChunksIsRefused)
{
    Bytes profile = Profile(size_t(256) * 65519);
    ASSERT_TRUE(ISTestSetIccProfile(profile.data(), static_cast<int32_t>(profile.size())));
    Bytes pixels = jt::Gradient(8, 8, 3);
    jt::MemorySink sink(1 << 16);
    EXPECT_EQ(is5_WriteJPG(sink.Handle(), pixels.data(), 8, 8, 24, 24, 90, nullptr, 0), 0);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_TRUE(sink.Written().empty());
}

TEST_F(JpegWrite, CommentAndCustomMarkersAreWrittenAfterTheHeader)
{
    ISTestAddJpegComment("Kalender 2024");
    ISTestAddJpegComment("");  // empty comments are skipped
    const BYTE app5[] = {1, 2, 3, 0xFF, 0};
    ISTestAddJpegMarker(0xE5, app5, sizeof(app5));
    Bytes file = jt::WriteJpeg(jt::Gradient(16, 16, 3), 16, 16, 24, 90);
    int comments = 0, app5s = 0;
    for (const jt::Marker& m : jt::Markers(file)) {
        if (m.code == 0xFE) {
            ++comments;
            EXPECT_EQ(std::string(m.data.begin(), m.data.end()), "Kalender 2024");
        }
        if (m.code == 0xE5) {
            ++app5s;
            EXPECT_EQ(m.data, Bytes(app5, app5 + sizeof(app5)));
        }
    }
    EXPECT_EQ(comments, 1);
    EXPECT_EQ(app5s, 1);
}

// ---- bad writes ----

struct BadWriteCase {
    const char* what;
    uint32_t width;
    uint32_t bits;
    uint32_t stride;
    bool nullPixels;
};

class JpegBadWrite : public JpegWrite, public ::testing::WithParamInterface<BadWriteCase> {};

TEST_P(JpegBadWrite, IsRefusedWithCodeFive)
{
    const BadWriteCase& c = GetParam();
    Bytes pixels(1024, 0x80);
    jt::MemorySink sink(1 << 16);
    EXPECT_EQ(is5_WriteJPG(sink.Handle(), c.nullPixels ? nullptr : pixels.data(), c.width, 4, c.bits, c.stride, 90,
                           nullptr, 0),
              0);
    EXPECT_EQ(ISGetLastError(), 5);
    EXPECT_TRUE(sink.Written().empty());
}

INSTANTIATE_TEST_SUITE_P(Arguments, JpegBadWrite,
                         ::testing::Values(BadWriteCase{"depth16", 4, 16, 8, false},
                                           BadWriteCase{"width0", 0, 24, 12, false},
                                           BadWriteCase{"shortStride", 4, 24, 11, false},
                                           BadWriteCase{"shortStride32", 4, 32, 15, false},
                                           BadWriteCase{"nullPixels", 4, 24, 12, true}),
                         [](const ::testing::TestParamInfo<BadWriteCase>& info) { return std::string(info.param.what); });

TEST_F(JpegWrite, NullOrInvalidSinkIsRefused)
{
    Bytes pixels = jt::Gradient(4, 4, 3);
    EXPECT_EQ(is5_WriteJPG(nullptr, pixels.data(), 4, 4, 24, 12, 90, nullptr, 0), 0);
    EXPECT_EQ(ISGetLastError(), 5);
    CISIO_Memory closed;
    EXPECT_EQ(is5_WriteJPG(reinterpret_cast<HISDEST>(static_cast<CISIO*>(&closed)), pixels.data(), 4, 4, 24, 12, 90,
                           nullptr, 0),
              0);
    EXPECT_EQ(ISGetLastError(), 38);
}

TEST_F(JpegWrite, SinkTooSmallFailsWithCodeFourWithoutOverflow)
{
    Bytes pixels = jt::Gradient(64, 48, 3);
    jt::MemorySink sink(100);
    int32_t size = is5_WriteJPG(sink.Handle(), pixels.data(), 64, 48, 24, 64 * 3, 90, nullptr, 0);
    EXPECT_EQ(ISGetLastError(), 4);
    EXPECT_LE(size, 100);
}

BOOL StopAtFirstRow(int32_t, int32_t, void*) { return FALSE; }

TEST_F(JpegWrite, CancelledWriteEndsWithCodeFour)
{
    Bytes pixels = jt::Gradient(64, 48, 3);
    jt::MemorySink sink(1 << 20);
    is5_SetCallback(StopAtFirstRow, nullptr);
    is5_WriteJPG(sink.Handle(), pixels.data(), 64, 48, 24, 64 * 3, 90, nullptr, 0);
    int32_t error = ISGetLastError();
    is5_SetCallback(nullptr, nullptr);
    EXPECT_EQ(error, 4);
}

}  // namespace
