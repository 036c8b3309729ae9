// The WAV header parser: good files, sizes that lie, and headers cut or bent
// in every field it reads.
#include "audio/wav_header.h"

#include <gtest/gtest.h>

#include "audio/audio_codes.h"
#include "audio/test_bytes.h"

namespace {

using audiotest::Put32;
using audiotest::Wav;

std::vector<uint8_t> Samples(size_t n)
{
    std::vector<uint8_t> s(n);
    for (size_t i = 0; i < n; i++)
        s[i] = (uint8_t)i;
    return s;
}

TEST(WavHeader, ReadsTheFormatAndTheDataOfEachKindItPlays)
{
    struct Case {
        int channels, rate, bits;
    } cases[] = {{1, 8000, 8}, {2, 8000, 8}, {1, 22050, 16}, {2, 44100, 16}, {2, 48000, 16}};
    for (const Case& c : cases) {
        std::vector<uint8_t> file = Wav(c.channels, c.rate, c.bits, Samples(400));
        WavFormat f;
        ASSERT_EQ(ParseWavHeader(file.data(), file.size(), &f), AUDIO_OK) << c.channels << " " << c.rate;
        EXPECT_EQ(f.channels, c.channels);
        EXPECT_EQ(f.rate, c.rate);
        EXPECT_EQ(f.bits, c.bits);
        EXPECT_EQ(f.dataOffset, 44u);
        EXPECT_EQ(f.dataBytes, 400u);
    }
}

TEST(WavHeader, AHeaderCutAtEveryByteOfItsFirst64IsRefusedOrPlaysWhatIsThere)
{
    std::vector<uint8_t> file = Wav(2, 44100, 16, Samples(64));
    for (size_t n = 0; n <= 64; n++) {
        WavFormat f;
        int status = ParseWavHeader(file.data(), n, &f);
        if (n < 44) {
            EXPECT_EQ(status, AUDIO_ERROR_FILE_FORMAT) << n;
        } else {
            ASSERT_EQ(status, AUDIO_OK) << n;
            // Whole frames of 4 bytes only.
            EXPECT_EQ(f.dataBytes, (n - 44) / 4 * 4) << n;
        }
    }
}

TEST(WavHeader, SizesThatRunPastTheEndEndWithTheFile)
{
    std::vector<uint8_t> file = Wav(1, 22050, 16, Samples(100));
    file[4] = file[5] = file[6] = file[7] = 0xFF;       // RIFF size
    file[40] = file[41] = file[42] = file[43] = 0xFF;   // data size
    WavFormat f;
    ASSERT_EQ(ParseWavHeader(file.data(), file.size(), &f), AUDIO_OK);
    EXPECT_EQ(f.dataBytes, 100u);
}

TEST(WavHeader, BentFieldsAreRefusedWithTheirCode)
{
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
        int expected;
    } cases[] = {
        {"0 channels", 22, 0, AUDIO_ERROR_SAMPLE_FORMAT},
        {"9 channels", 22, 9, AUDIO_ERROR_SAMPLE_FORMAT},
        {"rate 0", 24, 0, AUDIO_ERROR_SAMPLE_FORMAT},
        {"24-bit samples", 34, 24, AUDIO_ERROR_SAMPLE_FORMAT},
        {"a compressed format", 20, 2, AUDIO_ERROR_SAMPLE_FORMAT},
        {"fmt chunk past the end", 16, 0xF0, AUDIO_ERROR_FILE_FORMAT},
        {"fmt chunk too short", 16, 12, AUDIO_ERROR_FILE_FORMAT},
        {"not WAVE", 8, 'X', AUDIO_ERROR_FILE_FORMAT},
        {"no data chunk", 36, 'x', AUDIO_ERROR_FILE_FORMAT},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = Wav(2, 44100, 16, Samples(16));
        if (c.at == 24)
            file[24] = file[25] = file[26] = file[27] = 0;
        else
            file[c.at] = c.value;
        WavFormat f;
        EXPECT_EQ(ParseWavHeader(file.data(), file.size(), &f), c.expected) << c.what;
    }
}

TEST(WavHeader, OtherChunksAreSkippedWithTheirPadByte)
{
    std::vector<uint8_t> base = Wav(1, 8000, 8, Samples(10));
    // "LIST" of 3 bytes and its pad byte between "fmt " and "data".
    std::vector<uint8_t> file(base.begin(), base.begin() + 36);
    audiotest::PutText(file, "LIST");
    Put32(file, 3);
    file.insert(file.end(), {1, 2, 3, 0});
    file.insert(file.end(), base.begin() + 36, base.end());
    WavFormat f;
    ASSERT_EQ(ParseWavHeader(file.data(), file.size(), &f), AUDIO_OK);
    EXPECT_EQ(f.dataOffset, 56u);
    EXPECT_EQ(f.dataBytes, 10u);
    EXPECT_EQ(file[f.dataOffset], 0);
    EXPECT_EQ(file[f.dataOffset + 9], 9);
}

TEST(WavHeader, ExtensibleHeadersOfPcmAreRead)
{
    std::vector<uint8_t> base = Wav(2, 48000, 16, Samples(8));
    std::vector<uint8_t> file(base.begin(), base.begin() + 16);
    Put32(file, 40);
    file.insert(file.end(), base.begin() + 20, base.begin() + 36);
    file[20] = 0xFE;
    file[21] = 0xFF;
    const uint8_t extension[] = {22, 0, 16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    file.insert(file.end(), extension, extension + sizeof(extension));
    file.insert(file.end(), base.begin() + 36, base.end());
    WavFormat f;
    ASSERT_EQ(ParseWavHeader(file.data(), file.size(), &f), AUDIO_OK);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.dataBytes, 8u);
    file[20 + 26] = 2;   // not the PCM sub-format
    EXPECT_EQ(ParseWavHeader(file.data(), file.size(), &f), AUDIO_ERROR_SAMPLE_FORMAT);
}

}  // namespace
