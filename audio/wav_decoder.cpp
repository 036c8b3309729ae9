#include "audio/wav_decoder.h"

#include "audio/audio_codes.h"
#include "audio/mix.h"
#include "audio/wav_header.h"

namespace {

class WavDecoder : public AudioDecoder {
public:
    WavDecoder(std::unique_ptr<AudioBytes> bytes, const WavFormat& format)
        : m_bytes(std::move(bytes)), m_format(format), m_frameBytes(format.channels * format.bits / 8)
    {
    }

    int Channels() const override { return m_format.channels; }
    int Rate() const override { return m_format.rate; }
    int FrameBytes() const override { return m_frameBytes; }

    size_t Read(float* out, size_t frames) override
    {
        uint64_t left = (m_format.dataBytes - m_done) / (uint64_t)m_frameBytes;
        size_t n = frames < left ? frames : (size_t)left;
        PcmToFloat(m_bytes->data + m_format.dataOffset + m_done, m_format.bits, n * (size_t)m_format.channels, out);
        m_done += (uint64_t)n * (uint64_t)m_frameBytes;
        return n;
    }

    void Rewind() override { m_done = 0; }

private:
    std::unique_ptr<AudioBytes> m_bytes;
    WavFormat m_format;
    int m_frameBytes;
    uint64_t m_done = 0;
};

}  // namespace

int OpenWavDecoder(std::unique_ptr<AudioBytes> bytes, std::unique_ptr<AudioDecoder>* decoder)
{
    WavFormat format;
    int status = ParseWavHeader(bytes->data, bytes->size, &format);
    if (status != AUDIO_OK)
        return status;
    decoder->reset(new WavDecoder(std::move(bytes), format));
    return AUDIO_OK;
}
