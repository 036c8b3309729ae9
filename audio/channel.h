// One stream as the mixer plays it: its decoder, the step from its own rate
// to the output rate (linear interpolation), its volume and slide, its
// position and the peak level of the last block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/decoder.h"
#include "audio/mix.h"

class Channel {
public:
    Channel(std::unique_ptr<AudioDecoder> decoder, int outRate, uint32_t flags);

    uint32_t flags;   // AUDIO_STREAM_*

    void Play(bool restart);
    void Stop();
    bool Playing() const { return m_playing; }
    VolumeSlide& Volume() { return m_volume; }
    // Bytes of the stream's own format played so far.
    uint64_t PositionBytes() const;
    // Left in the low word, right in the high word; 0 while not playing.
    uint32_t Level() const { return m_playing ? m_level : 0; }

    // Adds the next `frames` frames, times the volume, to the stereo `mix`.
    // False once the sound has ended; the channel has stopped then.
    bool MixInto(float* mix, size_t frames);

private:
    bool Refill();

    std::unique_ptr<AudioDecoder> m_decoder;
    int m_inRate;
    int m_outRate;
    int m_channels;
    bool m_playing = false;
    VolumeSlide m_volume;
    uint32_t m_level = 0;

    std::vector<float> m_buffer;   // decoded frames
    size_t m_bufferFrames = 0;
    size_t m_index = 0;            // the frame under the read point
    uint32_t m_phase = 0;          // between it and the next, in 1/outRate steps
    bool m_decoderDone = false;
    uint64_t m_consumed = 0;       // frames behind the read point
};
