// What a stream plays from: the file's bytes and a decoder over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Bytes a decoder reads; the owner (a mapped file, a caller's block, a
// vector) lives as long as this object.
class AudioBytes {
public:
    virtual ~AudioBytes() = default;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

class VectorBytes : public AudioBytes {
public:
    explicit VectorBytes(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes))
    {
        data = m_bytes.data();
        size = m_bytes.size();
    }

private:
    std::vector<uint8_t> m_bytes;
};

// Samples of 1 or 2 channels, interleaved, as floats in -1..1.
class AudioDecoder {
public:
    virtual ~AudioDecoder() = default;
    virtual int Channels() const = 0;
    virtual int Rate() const = 0;
    // Bytes per frame of the stream's own format (positions are counted in them).
    virtual int FrameBytes() const = 0;
    // Up to `frames` frames; fewer only at the end. Never fails: damage ends the sound.
    virtual size_t Read(float* out, size_t frames) = 0;
    // Back to the first frame.
    virtual void Rewind() = 0;
};
