// The fixed tables of the desktop picture and the loaders: a record's
// adjustments as imaging library arguments, and reader types. Portable.
#pragma once

#include <cstdint>

// Factor for is5_ModifyImageSaturation; step 5 and steps outside 0..10 give 1.0.
double SaturationFactor(int32_t step);

// is5_UnsharpMaskImage threshold and amount for a sharpness above 0.
void SharpenParameters(int32_t sharpness, int32_t* threshold, double* amount);

// is5_BlurImage size for a sharpness below 0.
int32_t BlurSize(int32_t sharpness);

// The calendar's reader type for a file-type code of is5_GuessFileType.
int32_t ReaderTypeOfFileType(int32_t fileType);

// Whether the path's extension is ".jp2" or ".j2k" (any case): such files go
// straight to the JPEG 2000 reader.
bool HasJpeg2000Extension(const char* path);
