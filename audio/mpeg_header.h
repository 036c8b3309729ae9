// MPEG audio (layers 1 to 3) as far as the decoder needs it before it starts:
// a leading ID3v2 tag, the frame headers, and the encoder's Info frame with
// the delay and padding to cut.
#pragma once

#include <cstddef>
#include <cstdint>

struct MpegFrameHeader {
    int version = 0;          // 10: MPEG-1, 20: MPEG-2, 25: MPEG-2.5
    int layer = 0;            // 1 to 3
    int bitrate = 0;          // bits per second
    int rate = 0;             // samples per second
    int mode = 0;             // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int modeExtension = 0;
    int channels = 0;
    bool padding = false;
    bool crc = false;
    int emphasis = 0;
    int frameBytes = 0;       // with the 4 header bytes
    int samplesPerFrame = 0;
};

// Reads the 4 header bytes at `p`; false for a bad sync, a reserved field or
// a free-format bitrate.
bool ParseMpegFrameHeader(const uint8_t* p, MpegFrameHeader* header);

// The offset after a leading ID3v2 tag (0 without one); false when the tag's
// size runs past the end of the file.
bool SkipId3v2(const uint8_t* data, size_t size, size_t* offset);

struct MpegStream {
    MpegFrameHeader first;        // of the first frame with sound
    size_t audioOffset = 0;       // that frame
    size_t audioEnd = 0;          // before a trailing ID3v1 tag
    uint64_t frames = 0;          // frames with sound, counted while their headers hold
    bool infoFrame = false;       // an encoder's Info/Xing frame came first and is skipped
    uint32_t startTrim = 0;       // decoded samples per channel to drop at the start ...
    uint32_t endTrim = 0;         // ... and at the end (encoder delay and padding)
};

// Finds the first frame whose successor agrees with it (or that ends the
// file), within 64 KiB after the tag. AUDIO_OK, or AUDIO_ERROR_FILE_FORMAT.
int FindMpegStream(const uint8_t* data, size_t size, MpegStream* stream);
