// Decoding through the static library: the WAV gives its samples exactly
// (against sox's reading of it); each MP3 and MP2 gives the length of
// mpg123's decode, within one frame pair, and the sine's amplitude of the WAV.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/audio_codes.h"
#include "audio/mpeg_decoder.h"
#include "audio/wav_decoder.h"
#include "audio/wav_header.h"
#include "tests/support/test_support.h"

namespace {

struct Decoded {
    int channels = 0;
    int rate = 0;
    std::vector<float> samples;
    size_t Frames() const { return samples.size() / (size_t)channels; }
};

bool Decode(const std::string& path, Decoded* out)
{
    std::vector<uint8_t> bytes;
    if (!vt::ReadFileBytes(path, &bytes))
        return false;
    std::unique_ptr<AudioDecoder> decoder;
    std::unique_ptr<AudioBytes> owned(new VectorBytes(bytes));
    int status = IsWavFile(bytes.data(), bytes.size()) ? OpenWavDecoder(std::move(owned), &decoder)
                                                       : OpenMpegDecoder(std::move(owned), &decoder);
    if (status != AUDIO_OK)
        return false;
    out->channels = decoder->Channels();
    out->rate = decoder->Rate();
    std::vector<float> block(1000 * (size_t)out->channels);
    for (size_t n; (n = decoder->Read(block.data(), 1000)) > 0;)
        out->samples.insert(out->samples.end(), block.begin(), block.begin() + n * (size_t)out->channels);
    return true;
}

// The amplitude of the 1 kHz part of the first channel, over the middle
// second (Goertzel).
double Amplitude1k(const Decoded& d)
{
    size_t from = (size_t)d.rate / 2, n = (size_t)d.rate;
    double coeff = 2 * cos(2 * 3.14159265358979323846 * 1000.0 / d.rate);
    double s1 = 0, s2 = 0;
    for (size_t i = 0; i < n; i++) {
        double s = d.samples[(from + i) * (size_t)d.channels] + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2 * sqrt(power) / (double)n;
}

const char* const kNames[] = {"sine44s", "sine22m"};

TEST(Decode, TheWavGivesItsSamplesExactly)
{
    for (const char* name : kNames) {
        Decoded d;
        ASSERT_TRUE(Decode(vt::FixturePath(std::string("audio/") + name + ".wav"), &d)) << name;
        std::vector<uint8_t> raw;
        ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath(std::string("audio/") + name + ".raw"), &raw));
        ASSERT_EQ(d.samples.size() * 2, raw.size()) << name;
        for (size_t i = 0; i < d.samples.size(); i++) {
            int16_t expected = (int16_t)(raw[2 * i] | raw[2 * i + 1] << 8);
            ASSERT_EQ(d.samples[i] * 32768.0f, (float)expected) << name << " sample " << i;
        }
    }
}

TEST(Decode, MpegFilesGiveTheLengthOfMpg123sDecodeAndTheSinesAmplitude)
{
    for (const char* name : kNames) {
        Decoded wav;
        ASSERT_TRUE(Decode(vt::FixturePath(std::string("audio/") + name + ".wav"), &wav));
        double reference = Amplitude1k(wav);
        EXPECT_NEAR(reference, 0.5, 0.01) << name;
        for (const char* ext : {"mp3", "mp2"}) {
            std::string what = std::string(name) + "." + ext;
            Decoded d;
            ASSERT_TRUE(Decode(vt::FixturePath("audio/" + what), &d)) << what;
            EXPECT_EQ(d.channels, wav.channels) << what;
            EXPECT_EQ(d.rate, wav.rate) << what;
            std::vector<uint8_t> ref;
            ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath("audio/" + std::string(name) + "_" + ext + ".ref.wav"), &ref));
            WavFormat format;
            ASSERT_EQ(ParseWavHeader(ref.data(), ref.size(), &format), AUDIO_OK) << what;
            size_t refFrames = (size_t)(format.dataBytes / (uint64_t)(format.channels * 2));
            EXPECT_LE(std::abs((long)d.Frames() - (long)refFrames), 2304) << what << ": " << d.Frames() << " frames, mpg123 "
                                                                          << refFrames;
            EXPECT_NEAR(Amplitude1k(d), reference, 0.05 * reference) << what;
            printf("%s: %zu frames (mpg123 %zu), amplitude %.4f\n", what.c_str(), d.Frames(), refFrames, Amplitude1k(d));
        }
    }
}

}  // namespace
