// File types of the generic reader, the guess from a source's bytes and name,
// and the maps from type and extension to the reader that reads it.
#pragma once

#include <cstdint>

#include "../core/io.h"

enum : int32_t {
    kISTypeUnknown = 0,
    kISTypeBmp = 1,
    kISTypeGif = 2,
    kISTypeJpeg = 3,
    kISTypePng = 4,
    kISTypePcx = 5,
    kISTypeTiff = 6,
    kISTypeWmf = 7,
    kISTypeEmf = 8,
    kISTypePax = 9,
    kISTypePsd = 10,
    kISTypeTlaProtected = 11,
    kISTypeTla = 12,
    kISTypeWbmp = 13,
    kISTypeTga = 14,
    kISTypePcdOverview = 15,
    kISTypePcd = 16,
    kISTypeJp2 = 17,
    kISTypeJ2kStream = 18,
    kISTypeCompound = 19,
    kISTypePbm = 20,
    kISTypePgm = 21,
    kISTypePpm = 22,
    kISTypeCals = 23,
    kISTypeIcon = 24,
};

// Reader codes: the generic reader's numbering of the readers it calls.
enum : int32_t {
    kISReaderJpeg = 0,
    kISReaderBmp = 1,
    kISReaderGif = 2,
    kISReaderPcx = 3,
    kISReaderPng = 4,
    kISReaderTiff = 5,
    kISReaderTga = 6,
    kISReaderWmf = 7,
    kISReaderEmf = 8,
    kISReaderPsd = 9,
    kISReaderWbmp = 10,
    kISReaderTla = 11,
    kISReaderTlaProtected = 12,
    kISReaderPcd = 13,
    kISReaderPbm = 14,
    kISReaderPgm = 15,
    kISReaderPpm = 16,
    kISReaderNone = 17,
};

// Guesses from the source's current position; *status is 0, or 3 when the
// bytes it needed could not be read. The position afterwards is unspecified.
int32_t ISGuessFileType(CISIO* source, int32_t* status);

// The extension of a source's name: from the last '.' of its file part, or
// "" without one. Memory sources have none.
const char* ISSourceExtension(CISIO* source);

// The reader of a file type; types that name none go by the extension.
int32_t ISReaderForType(int32_t type, const char* extension);
