#include "audio/mpeg_decoder.h"

#include <windows.h>

#include <mmreg.h>
#include <msacm.h>

#include <cstring>
#include <vector>

#include "audio/audio_codes.h"
#include "audio/mpeg_header.h"
#include "audio/mix.h"

namespace {

// Source bytes per conversion; the output buffer holds what the densest
// stream (8 kbit/s of 8 kHz stereo) decodes from them, with room to spare.
const size_t kChunk = 4096;
const size_t kOutBytes = kChunk * 40 + 65536;

union MpegWaveFormat {
    WAVEFORMATEX wave;
    MPEGLAYER3WAVEFORMAT layer3;
    MPEG1WAVEFORMAT layer12;
};

void DescribeSource(const MpegFrameHeader& h, MpegWaveFormat* f)
{
    memset(f, 0, sizeof(*f));
    if (h.layer == 3) {
        f->layer3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
        f->layer3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
        f->layer3.wID = MPEGLAYER3_ID_MPEG;
        f->layer3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
        f->layer3.nBlockSize = (WORD)h.frameBytes;
        f->layer3.nFramesPerBlock = 1;
    } else {
        f->layer12.wfx.wFormatTag = WAVE_FORMAT_MPEG;
        f->layer12.wfx.cbSize = sizeof(MPEG1WAVEFORMAT) - sizeof(WAVEFORMATEX);
        f->layer12.fwHeadLayer = h.layer == 1 ? ACM_MPEG_LAYER1 : ACM_MPEG_LAYER2;
        f->layer12.dwHeadBitrate = (DWORD)h.bitrate;
        static const WORD kModes[4] = {ACM_MPEG_STEREO, ACM_MPEG_JOINTSTEREO, ACM_MPEG_DUALCHANNEL,
                                       ACM_MPEG_SINGLECHANNEL};
        f->layer12.fwHeadMode = kModes[h.mode];
        f->layer12.fwHeadModeExt = (WORD)(1 << h.modeExtension);
        f->layer12.wHeadEmphasis = (WORD)(h.emphasis + 1);
        f->layer12.fwHeadFlags = (WORD)((h.version == 10 ? ACM_MPEG_ID_MPEG1 : 0) | (h.crc ? ACM_MPEG_PROTECTIONBIT : 0));
    }
    f->wave.nChannels = (WORD)h.channels;
    f->wave.nSamplesPerSec = (DWORD)h.rate;
    f->wave.nAvgBytesPerSec = (DWORD)(h.bitrate / 8);
    f->wave.nBlockAlign = 1;
}

class MpegDecoder : public AudioDecoder {
public:
    MpegDecoder(std::unique_ptr<AudioBytes> bytes, const MpegStream& stream)
        : m_bytes(std::move(bytes)), m_stream(stream), m_source(kChunk), m_out(kOutBytes / 2)
    {
    }

    ~MpegDecoder() override { Close(); }

    bool Open()
    {
        MpegWaveFormat source;
        DescribeSource(m_stream.first, &source);
        WAVEFORMATEX pcm{};
        pcm.wFormatTag = WAVE_FORMAT_PCM;
        pcm.nChannels = (WORD)m_stream.first.channels;
        pcm.nSamplesPerSec = (DWORD)m_stream.first.rate;
        pcm.wBitsPerSample = 16;
        pcm.nBlockAlign = (WORD)(2 * pcm.nChannels);
        pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
        if (acmStreamOpen(&m_acm, nullptr, &source.wave, &pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0) {
            m_acm = nullptr;
            return false;
        }
        m_next = m_stream.audioOffset;
        m_outFrames = m_outIndex = 0;
        m_skip = m_stream.startTrim;
        m_left = UINT64_MAX;
        if (m_stream.startTrim || m_stream.endTrim) {
            uint64_t total = m_stream.frames * (uint64_t)m_stream.first.samplesPerFrame;
            uint64_t cut = (uint64_t)m_stream.startTrim + m_stream.endTrim;
            m_left = total > cut ? total - cut : 0;
        }
        m_flushed = false;
        return true;
    }

    int Channels() const override { return m_stream.first.channels; }
    int Rate() const override { return m_stream.first.rate; }
    int FrameBytes() const override { return 2 * m_stream.first.channels; }

    size_t Read(float* out, size_t frames) override
    {
        size_t done = 0;
        int channels = m_stream.first.channels;
        while (done < frames && m_left > 0) {
            if (m_outIndex == m_outFrames && !Decode())
                break;
            size_t n = m_outFrames - m_outIndex;
            if (m_skip > 0) {
                size_t s = n < m_skip ? n : (size_t)m_skip;
                m_outIndex += s;
                m_skip -= s;
                continue;
            }
            if (n > frames - done)
                n = frames - done;
            if (n > m_left)
                n = (size_t)m_left;
            const int16_t* pcm = m_out.data() + m_outIndex * (size_t)channels;
            PcmToFloat((const uint8_t*)pcm, 16, n * (size_t)channels, out + done * (size_t)channels);
            m_outIndex += n;
            m_left -= n;
            done += n;
        }
        return done;
    }

    void Rewind() override
    {
        Close();
        Open();
    }

private:
    void Close()
    {
        if (m_acm)
            acmStreamClose(m_acm, 0);
        m_acm = nullptr;
    }

    // One conversion into the output buffer; false at the end (or when the
    // decoder gives up, which ends the sound too).
    bool Decode()
    {
        m_outFrames = m_outIndex = 0;
        if (!m_acm)
            return false;
        for (;;) {
            size_t avail = m_stream.audioEnd - m_next;
            if (avail == 0 && m_flushed)
                return false;
            size_t n = avail < kChunk ? avail : kChunk;
            memcpy(m_source.data(), m_bytes->data + m_next, n);
            ACMSTREAMHEADER header{};
            header.cbStruct = sizeof(header);
            header.pbSrc = m_source.data();
            header.cbSrcLength = (DWORD)n;
            header.pbDst = (LPBYTE)m_out.data();
            header.cbDstLength = (DWORD)(m_out.size() * sizeof(int16_t));
            if (acmStreamPrepareHeader(m_acm, &header, 0) != 0)
                return false;
            DWORD how = n == 0 ? ACM_STREAMCONVERTF_END : 0;
            MMRESULT result = acmStreamConvert(m_acm, &header, how);
            acmStreamUnprepareHeader(m_acm, &header, 0);
            if (result != 0)
                return false;
            m_next += header.cbSrcLengthUsed <= n ? header.cbSrcLengthUsed : n;
            if (n == 0)
                m_flushed = header.cbDstLengthUsed == 0;
            else if (header.cbSrcLengthUsed == 0 && header.cbDstLengthUsed == 0)
                m_next = m_stream.audioEnd;   // stuck on damaged data
            m_outFrames = header.cbDstLengthUsed / (2 * (size_t)m_stream.first.channels);
            if (m_outFrames > 0)
                return true;
        }
    }

    std::unique_ptr<AudioBytes> m_bytes;
    MpegStream m_stream;
    HACMSTREAM m_acm = nullptr;
    std::vector<uint8_t> m_source;
    std::vector<int16_t> m_out;
    size_t m_next = 0;
    size_t m_outFrames = 0;
    size_t m_outIndex = 0;
    uint64_t m_skip = 0;
    uint64_t m_left = 0;
    bool m_flushed = false;
};

}  // namespace

int OpenMpegDecoder(std::unique_ptr<AudioBytes> bytes, std::unique_ptr<AudioDecoder>* decoder)
{
    MpegStream stream;
    int status = FindMpegStream(bytes->data, bytes->size, &stream);
    if (status != AUDIO_OK)
        return status;
    std::unique_ptr<MpegDecoder> mpeg(new MpegDecoder(std::move(bytes), stream));
    if (!mpeg->Open())
        return AUDIO_ERROR_CODEC;
    *decoder = std::move(mpeg);
    return AUDIO_OK;
}
