// Bitmap file headers to and from bytes; no struct is laid over file data.
#include "bmp.h"

void ISBmpParseFileHeader(const BYTE bytes[kBmpFileHeaderBytes], ISBmpFileHeader* header)
{
    header->type = ISGetLE16(bytes);
    header->fileSize = ISGetLE32(bytes + 2);
    header->offBits = ISGetLE32(bytes + 10);
}

void ISBmpParseInfoHeader(const BYTE bytes[kBmpInfoHeaderBytes], ISBmpInfo* info)
{
    info->headerSize = ISGetLE32(bytes);
    info->width = static_cast<int32_t>(ISGetLE32(bytes + 4));
    info->height = static_cast<int32_t>(ISGetLE32(bytes + 8));
    info->planes = ISGetLE16(bytes + 12);
    info->bitCount = ISGetLE16(bytes + 14);
    info->compression = ISGetLE32(bytes + 16);
    info->imageSize = ISGetLE32(bytes + 20);
    info->xPelsPerMeter = static_cast<int32_t>(ISGetLE32(bytes + 24));
    info->yPelsPerMeter = static_cast<int32_t>(ISGetLE32(bytes + 28));
    info->colorsUsed = ISGetLE32(bytes + 32);
    info->colorsImportant = ISGetLE32(bytes + 36);
}

void ISBmpParseCoreHeader(const BYTE bytes[kBmpCoreHeaderBytes], ISBmpInfo* info)
{
    *info = ISBmpInfo();
    info->headerSize = ISGetLE32(bytes);
    info->width = ISGetLE16(bytes + 4);
    info->height = ISGetLE16(bytes + 6);
    info->planes = ISGetLE16(bytes + 8);
    info->bitCount = ISGetLE16(bytes + 10);
}

void ISBmpPutFileHeader(const ISBmpFileHeader& header, BYTE bytes[kBmpFileHeaderBytes])
{
    ISPutLE16(bytes, header.type);
    ISPutLE32(bytes + 2, header.fileSize);
    ISPutLE32(bytes + 6, 0);
    ISPutLE32(bytes + 10, header.offBits);
}

void ISBmpPutInfoHeader(const ISBmpInfo& info, BYTE bytes[kBmpInfoHeaderBytes])
{
    ISPutLE32(bytes, info.headerSize);
    ISPutLE32(bytes + 4, static_cast<uint32_t>(info.width));
    ISPutLE32(bytes + 8, static_cast<uint32_t>(info.height));
    ISPutLE16(bytes + 12, info.planes);
    ISPutLE16(bytes + 14, info.bitCount);
    ISPutLE32(bytes + 16, info.compression);
    ISPutLE32(bytes + 20, info.imageSize);
    ISPutLE32(bytes + 24, static_cast<uint32_t>(info.xPelsPerMeter));
    ISPutLE32(bytes + 28, static_cast<uint32_t>(info.yPelsPerMeter));
    ISPutLE32(bytes + 32, info.colorsUsed);
    ISPutLE32(bytes + 36, info.colorsImportant);
}
