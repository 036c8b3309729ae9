#include "audio/wav_header.h"

#include <cstring>

#include "audio/audio_codes.h"

namespace {

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
}

uint16_t Le16(const uint8_t* p)
{
    return (uint16_t)(p[0] | (p[1] << 8));
}

const uint16_t kTagPcm = 1;
const uint16_t kTagExtensible = 0xFFFE;
// The rest of the PCM sub-format identifier after its first two bytes.
const uint8_t kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

int ParseFmt(const uint8_t* p, uint64_t size, WavFormat* format)
{
    if (size < 16)
        return AUDIO_ERROR_FILE_FORMAT;
    uint16_t tag = Le16(p);
    if (tag == kTagExtensible) {
        // cbSize (2), valid bits (2), channel mask (4), sub-format (16)
        if (size < 40 || Le16(p + 16) < 22)
            return AUDIO_ERROR_FILE_FORMAT;
        tag = Le16(p + 24);
        if (memcmp(p + 26, kPcmGuidTail, sizeof(kPcmGuidTail)) != 0)
            return AUDIO_ERROR_SAMPLE_FORMAT;
    }
    if (tag != kTagPcm)
        return AUDIO_ERROR_SAMPLE_FORMAT;
    int channels = Le16(p + 2);
    uint32_t rate = Le32(p + 4);
    int bits = Le16(p + 14);
    if (channels < 1 || channels > 2 || rate < 8000 || rate > 48000 || (bits != 8 && bits != 16))
        return AUDIO_ERROR_SAMPLE_FORMAT;
    format->channels = channels;
    format->rate = (int)rate;
    format->bits = bits;
    return AUDIO_OK;
}

}  // namespace

bool IsWavFile(const uint8_t* data, size_t size)
{
    return size >= 12 && memcmp(data, "RIFF", 4) == 0 && memcmp(data + 8, "WAVE", 4) == 0;
}

int ParseWavHeader(const uint8_t* data, size_t size, WavFormat* format)
{
    *format = WavFormat();
    if (!IsWavFile(data, size))
        return AUDIO_ERROR_FILE_FORMAT;
    bool haveFmt = false;
    uint64_t pos = 12;
    while (pos + 8 <= size) {
        const uint8_t* chunk = data + pos;
        uint64_t chunkSize = Le32(chunk + 4);
        uint64_t body = pos + 8;
        if (memcmp(chunk, "fmt ", 4) == 0) {
            if (body + chunkSize > size)
                return AUDIO_ERROR_FILE_FORMAT;
            int status = ParseFmt(data + body, chunkSize, format);
            if (status != AUDIO_OK)
                return status;
            haveFmt = true;
        } else if (memcmp(chunk, "data", 4) == 0) {
            if (!haveFmt)
                return AUDIO_ERROR_FILE_FORMAT;
            uint64_t available = size - body;
            uint64_t bytes = chunkSize < available ? chunkSize : available;
            uint64_t frame = (uint64_t)format->channels * (format->bits / 8);
            format->dataOffset = body;
            format->dataBytes = bytes - bytes % frame;
            return AUDIO_OK;
        }
        pos = body + chunkSize + (chunkSize & 1);
    }
    return AUDIO_ERROR_FILE_FORMAT;
}
