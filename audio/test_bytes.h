// Small sound files written byte by byte for the tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace audiotest {

inline void Put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}

inline void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

inline void PutText(std::vector<uint8_t>& b, const char* text)
{
    b.insert(b.end(), text, text + 4);
}

// A canonical 44-byte header ("RIFF", "fmt " of 16 bytes, "data") and the samples.
inline std::vector<uint8_t> Wav(int channels, int rate, int bits, const std::vector<uint8_t>& samples)
{
    std::vector<uint8_t> b;
    PutText(b, "RIFF");
    Put32(b, (uint32_t)(36 + samples.size()));
    PutText(b, "WAVE");
    PutText(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, (uint32_t)channels);
    Put32(b, (uint32_t)rate);
    Put32(b, (uint32_t)(rate * channels * bits / 8));
    Put16(b, (uint32_t)(channels * bits / 8));
    Put16(b, (uint32_t)bits);
    PutText(b, "data");
    Put32(b, (uint32_t)samples.size());
    b.insert(b.end(), samples.begin(), samples.end());
    return b;
}

// 16-bit samples of a sine of `hz`, `amplitude` of full scale, interleaved
// into every channel.
inline std::vector<uint8_t> Sine16(int rate, int channels, int frames, double hz, double amplitude)
{
    std::vector<uint8_t> b;
    for (int i = 0; i < frames; i++) {
        int v = (int)lround(amplitude * 32767 * sin(2 * 3.14159265358979323846 * hz * i / rate));
        for (int c = 0; c < channels; c++)
            Put16(b, (uint32_t)(uint16_t)(int16_t)v);
    }
    return b;
}

}  // namespace audiotest
