#include "audio/channel.h"

#include <cmath>
#include <cstring>

#include "audio/audio_codes.h"

namespace {

const size_t kBufferFrames = 4096;

}  // namespace

Channel::Channel(std::unique_ptr<AudioDecoder> decoder, int outRate, uint32_t streamFlags)
    : flags(streamFlags),
      m_decoder(std::move(decoder)),
      m_inRate(m_decoder->Rate()),
      m_outRate(outRate),
      m_channels(m_decoder->Channels()),
      m_buffer(kBufferFrames * (size_t)m_channels)
{
}

void Channel::Play(bool restart)
{
    if (restart) {
        m_decoder->Rewind();
        m_bufferFrames = m_index = 0;
        m_phase = 0;
        m_decoderDone = false;
        m_consumed = 0;
    }
    m_playing = true;
}

void Channel::Stop()
{
    m_playing = false;
    m_level = 0;
}

uint64_t Channel::PositionBytes() const
{
    return m_consumed * (uint64_t)m_decoder->FrameBytes();
}

// Keeps the frames from the read point on and decodes behind them; false
// when nothing new came.
bool Channel::Refill()
{
    if (m_decoderDone)
        return false;
    size_t keep = m_bufferFrames - m_index;
    memmove(m_buffer.data(), m_buffer.data() + m_index * (size_t)m_channels, keep * (size_t)m_channels * sizeof(float));
    m_bufferFrames = keep;
    m_index = 0;
    size_t want = kBufferFrames - keep;
    size_t got = m_decoder->Read(m_buffer.data() + keep * (size_t)m_channels, want);
    m_bufferFrames += got;
    if (got < want)
        m_decoderDone = true;
    return got > 0;
}

bool Channel::MixInto(float* mix, size_t frames)
{
    if (!m_playing)
        return true;
    float peakL = 0, peakR = 0;
    const float step = 1.0f / (float)m_outRate;
    bool ended = false;
    for (size_t i = 0; i < frames; i++) {
        if (m_index + 1 >= m_bufferFrames)
            Refill();
        if (m_index >= m_bufferFrames) {
            ended = true;
            break;
        }
        const float* a = m_buffer.data() + m_index * (size_t)m_channels;
        const float* b = m_index + 1 < m_bufferFrames ? a + m_channels : a;
        float t = (float)m_phase * step;
        float l = a[0] + (b[0] - a[0]) * t;
        float r = m_channels == 2 ? a[1] + (b[1] - a[1]) * t : l;
        float v = m_volume.Next();
        l *= v;
        r *= v;
        mix[2 * i] += l;
        mix[2 * i + 1] += r;
        peakL = fmaxf(peakL, fabsf(l));
        peakR = fmaxf(peakR, fabsf(r));
        m_phase += (uint32_t)m_inRate;
        while (m_phase >= (uint32_t)m_outRate) {
            m_phase -= (uint32_t)m_outRate;
            m_index++;
            m_consumed++;
        }
    }
    m_level = LevelFromPeak(peakL) | LevelFromPeak(peakR) << 16;
    if (ended) {
        m_playing = false;
        return false;
    }
    return true;
}
