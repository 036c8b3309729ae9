// PCM samples of a WAV file, straight from its bytes.
#pragma once

#include <memory>

#include "audio/decoder.h"

// AUDIO_OK and a decoder, or an error code and none.
int OpenWavDecoder(std::unique_ptr<AudioBytes> bytes, std::unique_ptr<AudioDecoder>* decoder);
