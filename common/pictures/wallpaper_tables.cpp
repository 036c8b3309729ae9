#include "common/pictures/wallpaper_tables.h"

#include <cctype>
#include <cstring>

double SaturationFactor(int32_t step)
{
    // Step 0 is slightly below zero: the library turns the picture grey there.
    static const double kFactors[11] = {-0.0001, 0.1, 0.4, 0.7, 0.9, 1.0, 1.1, 1.3, 1.6, 2.4, 4.0};
    return step >= 0 && step <= 10 ? kFactors[step] : 1.0;
}

void SharpenParameters(int32_t sharpness, int32_t* threshold, double* amount)
{
    if (sharpness == 2) {
        *threshold = 150;
        *amount = 0.4;
    } else if (sharpness == 3) {
        *threshold = 50;
        *amount = 1.0;
    } else {
        *threshold = 200;
        *amount = 0.2;
    }
}

int32_t BlurSize(int32_t sharpness)
{
    if (sharpness == -3)
        return 100;
    if (sharpness == -2)
        return 60;
    return 20;
}

int32_t ReaderTypeOfFileType(int32_t fileType)
{
    switch (fileType) {
    case 1: return 6;     // BMP
    case 2: return 15;    // GIF
    case 3: return 1;     // JPEG
    case 4: return 3;     // PNG
    case 5: return 9;     // PCX
    case 6: return 12;    // TIFF
    case 7: return 19;    // WMF
    case 8: return 23;    // EMF
    case 10: return 20;   // PSD
    case 13: return 24;   // WBMP
    case 14: return 16;   // TGA
    case 17: return 25;   // JPEG 2000
    default: return 0;
    }
}

bool HasJpeg2000Extension(const char* path)
{
    if (!path)
        return false;
    const char* dot = nullptr;
    for (const char* p = path; *p; p++) {
        if (*p == '.')
            dot = p;
        else if (*p == '\\' || *p == '/')
            dot = nullptr;
    }
    if (!dot || std::strlen(dot) != 4)
        return false;
    char ext[4];
    for (int i = 0; i < 3; i++)
        ext[i] = (char)std::tolower((unsigned char)dot[1 + i]);
    ext[3] = 0;
    return std::strcmp(ext, "jp2") == 0 || std::strcmp(ext, "j2k") == 0;
}
