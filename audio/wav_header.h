// The RIFF/WAVE header of a PCM sound file.
#pragma once

#include <cstddef>
#include <cstdint>

struct WavFormat {
    int channels = 0;        // 1 or 2
    int rate = 0;            // 8000 to 48000
    int bits = 0;            // 8 (unsigned) or 16 (signed)
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0;  // whole frames inside the file
};

// Whether the bytes start like a RIFF/WAVE file.
bool IsWavFile(const uint8_t* data, size_t size);

// Finds the "fmt " and "data" chunks. Sizes that run past the end of the
// file (0xFFFFFFFF from writers that never knew the length) end with it.
// AUDIO_OK, or AUDIO_ERROR_FILE_FORMAT / AUDIO_ERROR_SAMPLE_FORMAT.
int ParseWavHeader(const uint8_t* data, size_t size, WavFormat* format);
