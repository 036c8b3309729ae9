// The mixer's arithmetic on one channel: samples through unchanged at the
// output rate, the step up from a lower rate, volume and the linear slide,
// the peak level after the volume, positions and the end.
#include "audio/channel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/audio_codes.h"
#include "audio/mix.h"
#include "audio/test_bytes.h"
#include "audio/wav_decoder.h"

namespace {

std::unique_ptr<Channel> ChannelOf(const std::vector<uint8_t>& wav, int outRate = 44100, uint32_t flags = 0)
{
    std::unique_ptr<AudioDecoder> decoder;
    EXPECT_EQ(OpenWavDecoder(std::unique_ptr<AudioBytes>(new VectorBytes(wav)), &decoder), AUDIO_OK);
    return std::unique_ptr<Channel>(new Channel(std::move(decoder), outRate, flags));
}

// Mixes blocks of `frames` until the channel ends or `limit` blocks went by.
std::vector<float> MixAll(Channel& channel, size_t frames, int limit, int* blocks)
{
    std::vector<float> all;
    for (*blocks = 0; *blocks < limit;) {
        std::vector<float> mix(2 * frames, 0.0f);
        bool more = channel.MixInto(mix.data(), frames);
        ++*blocks;
        all.insert(all.end(), mix.begin(), mix.end());
        if (!more)
            break;
    }
    return all;
}

TEST(Channel, SamplesAtTheOutputRatePassUnchangedAndMonoGoesToBothSides)
{
    struct Case {
        int channels, bits;
    } cases[] = {{2, 16}, {1, 16}, {1, 8}, {2, 8}};
    for (const Case& c : cases) {
        std::vector<uint8_t> samples;
        for (int i = 0; i < 1000 * c.channels; i++)
            c.bits == 16 ? audiotest::Put16(samples, (uint32_t)(uint16_t)(int16_t)(i * 37 - 20000))
                         : samples.push_back((uint8_t)(i * 7));
        std::unique_ptr<Channel> channel = ChannelOf(audiotest::Wav(c.channels, 44100, c.bits, samples));
        channel->Play(false);
        int blocks;
        std::vector<float> out = MixAll(*channel, 300, 10, &blocks);
        EXPECT_EQ(blocks, 4);   // 3 full blocks and the one in which it ends
        EXPECT_FALSE(channel->Playing());
        std::vector<float> in(1000 * (size_t)c.channels);
        PcmToFloat(samples.data(), c.bits, in.size(), in.data());
        for (int i = 0; i < 1000; i++) {
            ASSERT_EQ(out[2 * i], in[(size_t)(i * c.channels)]) << i;
            ASSERT_EQ(out[2 * i + 1], in[(size_t)(i * c.channels + c.channels - 1)]) << i;
        }
        EXPECT_EQ(out[2 * 1000], 0.0f);
        EXPECT_EQ(channel->PositionBytes(), 1000u * c.channels * c.bits / 8);
    }
}

TEST(Channel, ALowerRateIsSteppedUpByLinearInterpolation)
{
    // 22050 Hz to 44100 Hz: every second output frame is an input frame, the
    // others lie half-way between their neighbours.
    std::vector<uint8_t> samples;
    for (int i = 0; i < 500; i++)
        audiotest::Put16(samples, (uint32_t)(uint16_t)(int16_t)((i % 7) * 1000 - 3000));
    std::unique_ptr<Channel> channel = ChannelOf(audiotest::Wav(1, 22050, 16, samples));
    channel->Play(false);
    int blocks;
    std::vector<float> out = MixAll(*channel, 256, 20, &blocks);
    std::vector<float> in(500);
    PcmToFloat(samples.data(), 16, 500, in.data());
    for (int i = 0; i < 499; i++) {
        ASSERT_FLOAT_EQ(out[4 * i], in[i]) << i;
        ASSERT_FLOAT_EQ(out[4 * i + 2], (in[i] + in[i + 1]) / 2) << i;
    }
    // 500 input frames make 1000 output frames, then silence.
    EXPECT_EQ(out[2 * 1000], 0.0f);
    EXPECT_EQ(channel->PositionBytes(), 1000u);
}

TEST(Channel, TheLevelIsThePeakAfterTheVolume)
{
    std::vector<uint8_t> sine = audiotest::Sine16(44100, 2, 4410, 1000, 0.5);
    std::unique_ptr<Channel> channel = ChannelOf(audiotest::Wav(2, 44100, 16, sine));
    EXPECT_EQ(channel->Level(), 0u);   // not playing yet
    channel->Play(false);
    std::vector<float> mix(2 * 882, 0.0f);
    channel->MixInto(mix.data(), 882);
    uint32_t half = LevelFromPeak(16383 / 32768.0f);
    EXPECT_EQ(channel->Level(), half | half << 16);
    channel->Volume().Set(0.5f);
    channel->MixInto(mix.data(), 882);
    EXPECT_NEAR(channel->Level() & 0xFFFF, half / 2, 1u);
    EXPECT_EQ(channel->Level() >> 16, channel->Level() & 0xFFFF);
}

TEST(Channel, AVolumeSlideIsLinearAndEndsAtItsTarget)
{
    VolumeSlide slide;
    slide.Set(0.8f);
    slide.Start(0.0f, 100);
    std::vector<float> values;
    while (slide.Sliding())
        values.push_back(slide.Next());
    ASSERT_EQ(values.size(), 100u);
    for (size_t i = 0; i < values.size(); i++)
        EXPECT_NEAR(values[i], 0.8f * (1.0f - (i + 1) / 100.0f), 1e-6f) << i;
    EXPECT_EQ(slide.Next(), 0.0f);
    slide.Start(0.3f, 0);   // no time: at once
    EXPECT_FALSE(slide.Sliding());
    EXPECT_EQ(slide.Value(), 0.3f);
}

TEST(Channel, AHalfSecondFadeIsHalfWayAt250MsAndSilentAfter500Ms)
{
    std::vector<uint8_t> sine = audiotest::Sine16(22050, 1, 22050, 1000, 0.5);
    std::unique_ptr<Channel> channel = ChannelOf(audiotest::Wav(1, 22050, 16, sine));
    channel->Play(false);
    channel->Volume().Start(0.0f, 44100 / 2);
    std::vector<float> mix(2 * 882);
    for (int block = 1; block <= 30; block++) {
        channel->MixInto(mix.data(), 882);
        if (block == 12) {   // 240 ms
            EXPECT_TRUE(channel->Volume().Sliding());
            EXPECT_NEAR(channel->Volume().Value(), 0.52f, 0.01f);
        }
    }
    EXPECT_FALSE(channel->Volume().Sliding());
    EXPECT_EQ(channel->Level(), 0u);
    EXPECT_TRUE(channel->Playing());   // it plays on, silent, to its end
}

TEST(Channel, PlayWithRestartStartsOverAndStopHoldsThePosition)
{
    std::vector<uint8_t> samples(4000, 128);
    std::unique_ptr<Channel> channel = ChannelOf(audiotest::Wav(1, 44100, 8, samples));
    channel->Play(false);
    std::vector<float> mix(2 * 1000);
    channel->MixInto(mix.data(), 1000);
    EXPECT_EQ(channel->PositionBytes(), 1000u);
    channel->Stop();
    EXPECT_TRUE(channel->MixInto(mix.data(), 1000));
    EXPECT_EQ(channel->PositionBytes(), 1000u);
    channel->Play(false);
    channel->MixInto(mix.data(), 1000);
    EXPECT_EQ(channel->PositionBytes(), 2000u);
    channel->Play(true);
    EXPECT_EQ(channel->PositionBytes(), 0u);
}

TEST(Mix, FloatsBecome16BitSamplesRoundedAndClamped)
{
    const float in[] = {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 2.0f, -2.0f, 1.0f / 65536, -1.5f / 32768};
    const int16_t expected[] = {0, 16384, -16384, 32767, -32768, 32767, -32768, 0, -2};
    int16_t out[9];
    FloatToPcm16(in, 9, out);
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(out[i], expected[i]) << i;
    EXPECT_EQ(LevelFromPeak(0.5f), 16384u);
    EXPECT_EQ(LevelFromPeak(1.5f), 32768u);
    EXPECT_EQ(LevelFromPeak(0.0f), 0u);
}

}  // namespace
