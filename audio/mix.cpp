#include "audio/mix.h"

#include <cmath>

void PcmToFloat(const uint8_t* in, int bits, size_t samples, float* out)
{
    if (bits == 8) {
        for (size_t i = 0; i < samples; i++)
            out[i] = ((int)in[i] - 128) / 128.0f;
    } else {
        for (size_t i = 0; i < samples; i++)
            out[i] = (int16_t)(in[2 * i] | (in[2 * i + 1] << 8)) / 32768.0f;
    }
}

void FloatToPcm16(const float* in, size_t samples, int16_t* out)
{
    for (size_t i = 0; i < samples; i++) {
        float v = in[i] * 32768.0f;
        v = v < -32768.0f ? -32768.0f : v > 32767.0f ? 32767.0f : v;
        out[i] = (int16_t)lrintf(v);
    }
}

uint32_t LevelFromPeak(float peak)
{
    float v = peak * 32768.0f + 0.5f;
    return v >= 32768.0f ? 32768u : v <= 0.0f ? 0u : (uint32_t)v;
}

void VolumeSlide::Set(float value)
{
    m_value = m_from = m_target = value;
    m_frames = m_left = 0;
}

void VolumeSlide::Start(float target, uint32_t frames)
{
    if (frames == 0) {
        Set(target);
        return;
    }
    m_from = m_value;
    m_target = target;
    m_frames = m_left = frames;
}
