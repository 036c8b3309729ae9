// The cross-built third-party decoders give the same pixels as Debian's own tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>
#include <tiffio.h>

#include "tests/support/test_support.h"

namespace {

bool DecodeJpeg(const std::vector<uint8_t>& file, vt::Pnm* out)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    jpeg_start_decompress(&cinfo);
    out->width = cinfo.output_width;
    out->height = cinfo.output_height;
    out->channels = cinfo.output_components;
    out->pixels.resize(size_t(out->width) * out->height * out->channels);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->pixels.data() + size_t(cinfo.output_scanline) * out->width * out->channels;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool DecodePng(const std::vector<uint8_t>& file, vt::Pnm* out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return false;
    image.format = PNG_FORMAT_RGB;
    out->width = image.width;
    out->height = image.height;
    out->channels = 3;
    out->pixels.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, out->pixels.data(), 0, nullptr) != 0;
}

bool DecodeTiff(const std::string& path, vt::Pnm* out)
{
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    std::vector<uint32_t> rgba(size_t(w) * h);
    bool ok = TIFFReadRGBAImageOriented(tif, w, h, rgba.data(), ORIENTATION_TOPLEFT, 0) != 0;
    TIFFClose(tif);
    out->width = w;
    out->height = h;
    out->channels = 3;
    out->pixels.clear();
    for (uint32_t px : rgba) {
        out->pixels.push_back(static_cast<uint8_t>(TIFFGetR(px)));
        out->pixels.push_back(static_cast<uint8_t>(TIFFGetG(px)));
        out->pixels.push_back(static_cast<uint8_t>(TIFFGetB(px)));
    }
    return ok;
}

bool DecodeJp2(const std::string& path, vt::Pnm* out)
{
    opj_stream_t* stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_TRUE);
    if (!stream)
        return false;
    opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_JP2);
    opj_dparameters_t params;
    opj_set_default_decoder_parameters(&params);
    opj_image_t* image = nullptr;
    bool ok = opj_setup_decoder(codec, &params) && opj_read_header(stream, codec, &image) &&
              opj_decode(codec, stream, image) && opj_end_decompress(codec, stream);
    if (ok && image->numcomps >= 3) {
        out->width = image->comps[0].w;
        out->height = image->comps[0].h;
        out->channels = 3;
        out->pixels.clear();
        for (size_t i = 0; i < size_t(out->width) * out->height; ++i)
            for (int c = 0; c < 3; ++c)
                out->pixels.push_back(static_cast<uint8_t>(image->comps[c].data[i]));
    } else {
        ok = false;
    }
    opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    return ok;
}

struct CodecCase {
    const char* file;
    const char* reference;
};

class ThirdPartyDecoder : public testing::TestWithParam<CodecCase> {};

TEST_P(ThirdPartyDecoder, MatchesDebianToolsByteForByte)
{
    const CodecCase& c = GetParam();
    std::string path = vt::FixturePath(c.file);
    vt::Pnm ref, got;
    ASSERT_TRUE(vt::ReadPnm(vt::FixturePath(c.reference), &ref)) << c.reference;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(path, &bytes)) << path;
    std::string name = c.file;
    bool ok = false;
    if (name.find(".jpg") != std::string::npos)
        ok = DecodeJpeg(bytes, &got);
    else if (name.find(".png") != std::string::npos)
        ok = DecodePng(bytes, &got);
    else if (name.find(".tif") != std::string::npos)
        ok = DecodeTiff(path, &got);
    else
        ok = DecodeJp2(path, &got);
    ASSERT_TRUE(ok);
    EXPECT_EQ(got.width, ref.width);
    EXPECT_EQ(got.height, ref.height);
    EXPECT_EQ(got.channels, ref.channels);
    EXPECT_TRUE(got.pixels == ref.pixels);
}

INSTANTIATE_TEST_SUITE_P(Formats, ThirdPartyDecoder,
                         testing::Values(CodecCase{"tc.jpg", "tc_jpg_ref.ppm"}, CodecCase{"tc.png", "tc_png_ref.ppm"},
                                         CodecCase{"tc.tif", "tc_tif_ref.ppm"}, CodecCase{"tc.jp2", "tc_j2k_ref.ppm"}),
                         [](const testing::TestParamInfo<CodecCase>& info) {
                             std::string n = info.param.file;
                             return n.substr(n.find('.') + 1);
                         });

TEST(Toolchain, LibjpegHasTheSixBInterface) { EXPECT_EQ(JPEG_LIB_VERSION, 62); }

}  // namespace
