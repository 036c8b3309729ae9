// MPEG audio headers: the frame-header table, the ID3v2 skip, the search for
// the first frame, and the encoder's Info frame with its delay and padding.
#include "audio/mpeg_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "audio/audio_codes.h"

namespace {

TEST(MpegHeader, FieldsAndFrameSizesFollowTheTables)
{
    // Sizes by hand: layer 1 (12 * bitrate / rate + pad) * 4, layer 2 and
    // MPEG-1 layer 3 144 * bitrate / rate + pad, other layer 3 72 * ...
    struct Case {
        uint8_t b[4];
        int version, layer, bitrate, rate, channels, frameBytes, samples;
    } cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 10, 3, 128000, 44100, 2, 417, 1152},
        {{0xFF, 0xFB, 0x92, 0x64}, 10, 3, 128000, 44100, 2, 418, 1152},
        {{0xFF, 0xFA, 0x94, 0xC0}, 10, 3, 128000, 48000, 1, 384, 1152},
        {{0xFF, 0xF3, 0x48, 0xC4}, 20, 3, 32000, 16000, 1, 144, 576},
        {{0xFF, 0xE3, 0x18, 0xC4}, 25, 3, 8000, 8000, 1, 72, 576},
        {{0xFF, 0xFD, 0xA0, 0x04}, 10, 2, 192000, 44100, 2, 626, 1152},
        {{0xFF, 0xF5, 0x80, 0xC4}, 20, 2, 64000, 22050, 1, 417, 1152},
        {{0xFF, 0xFF, 0x90, 0x00}, 10, 1, 288000, 44100, 2, 312, 384},
    };
    for (const Case& c : cases) {
        MpegFrameHeader h;
        ASSERT_TRUE(ParseMpegFrameHeader(c.b, &h)) << std::hex << (int)c.b[1] << (int)c.b[2];
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.layer, c.layer);
        EXPECT_EQ(h.bitrate, c.bitrate);
        EXPECT_EQ(h.rate, c.rate);
        EXPECT_EQ(h.channels, c.channels);
        EXPECT_EQ(h.frameBytes, c.frameBytes) << std::hex << (int)c.b[1] << (int)c.b[2];
        EXPECT_EQ(h.samplesPerFrame, c.samples);
    }
}

TEST(MpegHeader, ReservedAndFreeFormatHeadersAreRefused)
{
    const uint8_t cases[][4] = {
        {0xFE, 0xFB, 0x90, 0x64},   // sync
        {0xFF, 0xEB, 0x90, 0x64},   // reserved version
        {0xFF, 0xF9, 0x90, 0x64},   // reserved layer
        {0xFF, 0xFB, 0x00, 0x64},   // free format
        {0xFF, 0xFB, 0xF0, 0x64},   // bitrate index 15
        {0xFF, 0xFB, 0x9C, 0x64},   // reserved rate
    };
    for (const auto& b : cases) {
        MpegFrameHeader h;
        EXPECT_FALSE(ParseMpegFrameHeader(b, &h)) << std::hex << (int)b[0] << " " << (int)b[1] << " " << (int)b[2];
    }
}

// Frames of 128 kbit/s at 44.1 kHz (417 bytes) with empty bodies.
void AddFrames(std::vector<uint8_t>& file, int count)
{
    for (int i = 0; i < count; i++) {
        size_t at = file.size();
        file.resize(at + 417);
        const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
        memcpy(&file[at], header, 4);
    }
}

std::vector<uint8_t> Id3(uint32_t bodySize, size_t actualBody)
{
    std::vector<uint8_t> tag = {'I', 'D', '3', 3, 0, 0, (uint8_t)((bodySize >> 21) & 0x7F),
                                (uint8_t)((bodySize >> 14) & 0x7F), (uint8_t)((bodySize >> 7) & 0x7F),
                                (uint8_t)(bodySize & 0x7F)};
    tag.resize(10 + actualBody, 0);
    return tag;
}

TEST(MpegStreamSearch, AnId3v2TagIsSkippedAndATrailingId3v1TagLeftOut)
{
    std::vector<uint8_t> file = Id3(300, 300);
    AddFrames(file, 3);
    std::vector<uint8_t> v1(128, 0);
    memcpy(v1.data(), "TAG", 3);
    file.insert(file.end(), v1.begin(), v1.end());
    MpegStream s;
    ASSERT_EQ(FindMpegStream(file.data(), file.size(), &s), AUDIO_OK);
    EXPECT_EQ(s.audioOffset, 310u);
    EXPECT_EQ(s.audioEnd, 310u + 3 * 417);
    EXPECT_EQ(s.frames, 3u);
    EXPECT_FALSE(s.infoFrame);
    EXPECT_EQ(s.startTrim + s.endTrim, 0u);
}

TEST(MpegStreamSearch, AnId3v2SizePastTheEndIsRefused)
{
    std::vector<uint8_t> file = Id3(5000, 100);
    AddFrames(file, 2);
    MpegStream s;
    EXPECT_EQ(FindMpegStream(file.data(), file.size(), &s), AUDIO_ERROR_FILE_FORMAT);
    size_t offset;
    EXPECT_FALSE(SkipId3v2(file.data(), file.size(), &offset));
}

TEST(MpegStreamSearch, ASyncWithoutAnAgreeingSuccessorIsPassedOver)
{
    // A lone header in leading junk, then the real frames.
    std::vector<uint8_t> file(50, 0x11);
    const uint8_t stray[4] = {0xFF, 0xFB, 0x90, 0x64};
    memcpy(&file[10], stray, 4);
    AddFrames(file, 2);
    MpegStream s;
    ASSERT_EQ(FindMpegStream(file.data(), file.size(), &s), AUDIO_OK);
    EXPECT_EQ(s.audioOffset, 50u);
    EXPECT_EQ(s.frames, 2u);
}

TEST(MpegStreamSearch, FilesWithoutAFrameAreRefused)
{
    std::vector<uint8_t> empty;
    std::vector<uint8_t> junk(5000, 0xFF);   // all sync bits, but reserved fields
    std::vector<uint8_t> badSync;
    AddFrames(badSync, 3);
    for (size_t at = 0; at < badSync.size(); at += 417)
        badSync[at + 1] = 0x7B;
    std::vector<uint8_t> cut;
    AddFrames(cut, 1);
    cut.resize(300);
    for (const auto* file : {&empty, &junk, &badSync, &cut}) {
        MpegStream s;
        EXPECT_EQ(FindMpegStream(file->data(), file->size(), &s), AUDIO_ERROR_FILE_FORMAT) << file->size();
    }
}

TEST(MpegStreamSearch, TheEncodersInfoFrameIsSkippedAndItsDelayAndPaddingCut)
{
    std::vector<uint8_t> file;
    AddFrames(file, 4);
    // "Info" after MPEG-1 stereo side information (4 + 32 bytes), flags 0xF
    // (frames, bytes, table, quality), then "LAME3.100", 12 bytes, and the
    // 12-bit delay 576 and padding 1080.
    uint8_t* info = &file[36];
    memcpy(info, "Info", 4);
    info[7] = 0x0F;
    uint8_t* lame = info + 8 + 4 + 4 + 100 + 4;
    memcpy(lame, "LAME3.100", 9);
    lame[21] = 576 >> 4;
    lame[22] = (uint8_t)((576 & 15) << 4 | 1080 >> 8);
    lame[23] = 1080 & 0xFF;
    MpegStream s;
    ASSERT_EQ(FindMpegStream(file.data(), file.size(), &s), AUDIO_OK);
    EXPECT_TRUE(s.infoFrame);
    EXPECT_EQ(s.audioOffset, 417u);
    EXPECT_EQ(s.frames, 3u);
    // The decoder's own 529 samples come off the start and out of the padding.
    EXPECT_EQ(s.startTrim, 576u + 529u);
    EXPECT_EQ(s.endTrim, 1080u - 529u);

    // Without the LAME part the frame is still skipped, and nothing is cut.
    memset(lame, 0, 4);
    ASSERT_EQ(FindMpegStream(file.data(), file.size(), &s), AUDIO_OK);
    EXPECT_TRUE(s.infoFrame);
    EXPECT_EQ(s.startTrim + s.endTrim, 0u);
}

}  // namespace
