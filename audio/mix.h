// Mixing maths: sample conversions, the linear volume slide and the peak level.
#pragma once

#include <cstddef>
#include <cstdint>

// 8-bit samples are unsigned around 128, 16-bit ones signed little-endian.
void PcmToFloat(const uint8_t* in, int bits, size_t samples, float* out);
// Rounded and clamped to -32768..32767.
void FloatToPcm16(const float* in, size_t samples, int16_t* out);
// A peak (1.0 = full scale) as a level of 0..32768.
uint32_t LevelFromPeak(float peak);

// A volume that moves in a straight line to a target over a number of frames.
class VolumeSlide {
public:
    // Sets the volume at once and ends a slide.
    void Set(float value);
    void Start(float target, uint32_t frames);
    // The volume for the next frame.
    float Next()
    {
        if (m_left == 0)
            return m_value;
        m_left--;
        m_value = m_left == 0 ? m_target : m_from + (m_target - m_from) * (float)(m_frames - m_left) / (float)m_frames;
        return m_value;
    }
    bool Sliding() const { return m_left > 0; }
    float Value() const { return m_value; }

private:
    float m_value = 1.0f;
    float m_from = 1.0f;
    float m_target = 1.0f;
    uint32_t m_frames = 0;
    uint32_t m_left = 0;
};
