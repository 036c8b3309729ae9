// MPEG audio layers 1 to 3 through the system's ACM decoders.
#pragma once

#include <memory>

#include "audio/decoder.h"

// AUDIO_OK and a decoder; AUDIO_ERROR_FILE_FORMAT without a frame to start
// from; AUDIO_ERROR_CODEC when the system has no decoder for the layer.
int OpenMpegDecoder(std::unique_ptr<AudioBytes> bytes, std::unique_ptr<AudioDecoder>* decoder);
