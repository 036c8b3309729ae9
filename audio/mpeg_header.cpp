#include "audio/mpeg_header.h"

#include <cstring>

#include "audio/audio_codes.h"

namespace {

// kbit/s by [MPEG-1 or not][layer - 1][index]; index 0 (free format) and 15 are refused.
const int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
const int kRates[3] = {44100, 48000, 32000};

// Decoders put out this many samples before the first one the encoder read.
const uint32_t kDecoderDelay = 529;
const size_t kSyncSearch = 64 * 1024;

bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b)
{
    return a.version == b.version && a.layer == b.layer && a.rate == b.rate && a.channels == b.channels;
}

// The Info/Xing frame an encoder writes first; reads the delay and padding
// of its LAME extension when there is one.
bool ReadInfoFrame(const uint8_t* frame, const MpegFrameHeader& h, uint32_t* delay, uint32_t* padding)
{
    if (h.layer != 3)
        return false;
    size_t side = h.version == 10 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    size_t at = 4 + (h.crc ? 2 : 0) + side;
    size_t end = (size_t)h.frameBytes;
    if (at + 8 > end || (memcmp(frame + at, "Xing", 4) != 0 && memcmp(frame + at, "Info", 4) != 0))
        return false;
    uint32_t flags = (uint32_t)frame[at + 7] | (frame[at + 6] << 8);
    size_t lame = at + 8 + (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
    *delay = *padding = 0;
    // "LAME" and its version (9 bytes), then 12 bytes to the 12-bit delay and padding.
    if (lame + 24 <= end && memcmp(frame + lame, "LAME", 4) == 0) {
        const uint8_t* d = frame + lame + 21;
        *delay = (uint32_t)(d[0] << 4) | (d[1] >> 4);
        *padding = (uint32_t)((d[1] & 15) << 8) | d[2];
    }
    return true;
}

}  // namespace

bool ParseMpegFrameHeader(const uint8_t* p, MpegFrameHeader* header)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    int versionBits = (p[1] >> 3) & 3;
    int layerBits = (p[1] >> 1) & 3;
    int bitrateIndex = p[2] >> 4;
    int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    MpegFrameHeader h;
    h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    h.layer = 4 - layerBits;
    h.crc = (p[1] & 1) == 0;
    h.bitrate = kBitrates[h.version == 10 ? 0 : 1][h.layer - 1][bitrateIndex] * 1000;
    h.rate = kRates[rateIndex] / (h.version == 10 ? 1 : h.version == 20 ? 2 : 4);
    h.padding = (p[2] >> 1) & 1;
    h.mode = p[3] >> 6;
    h.modeExtension = (p[3] >> 4) & 3;
    h.emphasis = p[3] & 3;
    h.channels = h.mode == 3 ? 1 : 2;
    if (h.layer == 1) {
        h.frameBytes = (12 * h.bitrate / h.rate + h.padding) * 4;
        h.samplesPerFrame = 384;
    } else if (h.layer == 2 || h.version == 10) {
        h.frameBytes = 144 * h.bitrate / h.rate + h.padding;
        h.samplesPerFrame = 1152;
    } else {
        h.frameBytes = 72 * h.bitrate / h.rate + h.padding;
        h.samplesPerFrame = 576;
    }
    if (h.frameBytes < 4)
        return false;
    *header = h;
    return true;
}

bool SkipId3v2(const uint8_t* data, size_t size, size_t* offset)
{
    *offset = 0;
    if (size < 10 || memcmp(data, "ID3", 3) != 0)
        return true;
    // The size is 28 bits in four 7-bit bytes; a footer adds 10 bytes.
    uint64_t tag = 10 + ((uint64_t)(data[6] & 0x7F) << 21 | (data[7] & 0x7F) << 14 | (data[8] & 0x7F) << 7 |
                         (data[9] & 0x7F));
    if (data[5] & 0x10)
        tag += 10;
    if (tag > size)
        return false;
    *offset = (size_t)tag;
    return true;
}

int FindMpegStream(const uint8_t* data, size_t size, MpegStream* stream)
{
    *stream = MpegStream();
    size_t start;
    if (!SkipId3v2(data, size, &start))
        return AUDIO_ERROR_FILE_FORMAT;
    size_t end = size;
    if (end - start >= 128 && memcmp(data + end - 128, "TAG", 3) == 0)
        end -= 128;

    size_t limit = end - start > kSyncSearch ? start + kSyncSearch : end;
    size_t pos = start;
    MpegFrameHeader h;
    for (;; pos++) {
        if (pos + 4 > limit)
            return AUDIO_ERROR_FILE_FORMAT;
        if (!ParseMpegFrameHeader(data + pos, &h) || pos + (size_t)h.frameBytes > end)
            continue;
        size_t next = pos + (size_t)h.frameBytes;
        MpegFrameHeader n;
        if (next == end || (next + 4 <= end && ParseMpegFrameHeader(data + next, &n) && SameStream(h, n)))
            break;
    }

    uint32_t delay = 0, padding = 0;
    if (ReadInfoFrame(data + pos, h, &delay, &padding)) {
        stream->infoFrame = true;
        pos += (size_t)h.frameBytes;
        if (pos + 4 > end || !ParseMpegFrameHeader(data + pos, &h))
            return AUDIO_ERROR_FILE_FORMAT;
        if (delay || padding) {
            stream->startTrim = delay + kDecoderDelay;
            stream->endTrim = padding > kDecoderDelay ? padding - kDecoderDelay : 0;
        }
    }
    stream->first = h;
    stream->audioOffset = pos;
    stream->audioEnd = end;
    for (size_t at = pos; at + 4 <= end; stream->frames++) {
        MpegFrameHeader f;
        if (!ParseMpegFrameHeader(data + at, &f) || !SameStream(f, h) || at + (size_t)f.frameBytes > end)
            break;
        at += (size_t)f.frameBytes;
    }
    return AUDIO_OK;
}
