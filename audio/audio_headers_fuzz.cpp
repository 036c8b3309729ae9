// Feeds arbitrary bytes to the WAV and MPEG header parsers, and plays what
// the WAV parser takes through the WAV decoder and a channel.
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/audio_codes.h"
#include "audio/channel.h"
#include "audio/mpeg_header.h"
#include "audio/wav_decoder.h"
#include "audio/wav_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    MpegStream stream;
    FindMpegStream(data, size, &stream);
    WavFormat format;
    if (ParseWavHeader(data, size, &format) != AUDIO_OK)
        return 0;
    std::unique_ptr<AudioDecoder> decoder;
    std::vector<uint8_t> copy(data, data + size);
    if (OpenWavDecoder(std::unique_ptr<AudioBytes>(new VectorBytes(copy)), &decoder) != AUDIO_OK)
        return 0;
    Channel channel(std::move(decoder), 44100, 0);
    channel.Play(false);
    std::vector<float> mix(2 * 882);
    for (int i = 0; i < 8 && channel.MixInto(mix.data(), 882); i++) {
    }
    return 0;
}
