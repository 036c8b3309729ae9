// Numbers of the audio DLL's interface that its callers and its own portable
// code share: version, flags, attributes, states and error codes.
#pragma once

// The interface generation callers check in the high word; the low word is
// this DLL's own revision.
#define AUDIO_VERSION 0x02040001u
#define AUDIO_VERSION_MAJOR(v) ((v) >> 16)

// Device record flags.
#define AUDIO_DEVICE_ENABLED 0x1u

// Stream flags: the stream frees itself when it has played to its end (or is stopped).
#define AUDIO_STREAM_AUTOFREE 0x40000u

// Channel attributes.
#define AUDIO_ATTRIB_ANY 0u
#define AUDIO_ATTRIB_VOLUME 2u

// Channel states.
#define AUDIO_ACTIVE_STOPPED 0u
#define AUDIO_ACTIVE_PLAYING 1u
#define AUDIO_ACTIVE_PAUSED 3u

// Position modes.
#define AUDIO_POS_BYTES 0u

// Options of the set-config call: milliseconds of sound queued on a waveOut
// device (40 to 2000, used from the next initialisation).
#define AUDIO_CONFIG_BUFFER 1u

// Error codes, per calling thread.
enum AudioError {
    AUDIO_OK = 0,
    AUDIO_ERROR_MEMORY = 1,
    AUDIO_ERROR_FILE_OPEN = 2,      // the file cannot be opened or mapped
    AUDIO_ERROR_FILE_FORMAT = 3,    // neither a WAV nor an MPEG audio file, or a damaged header
    AUDIO_ERROR_SAMPLE_FORMAT = 4,  // a WAV or MPEG file of a kind this library does not play
    AUDIO_ERROR_CODEC = 5,          // the system has no decoder for it
    AUDIO_ERROR_HANDLE = 6,         // no such stream (never made, or freed)
    AUDIO_ERROR_NOT_INIT = 7,
    AUDIO_ERROR_ALREADY = 8,
    AUDIO_ERROR_DEVICE = 9,         // no such device number
    AUDIO_ERROR_DRIVER = 10,        // the device would not open
    AUDIO_ERROR_PARAMETER = 11,
    AUDIO_ERROR_NOT_AVAILABLE = 12,
};
