// Header and row parsing of PBM, PGM and PPM.
#include "netpbm.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "../../core/buffers.h"

namespace isnetpbm {

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The next byte, a comment read as the newline that ends it. The end of the
// data inside a comment or where a byte is needed is an error.
int GetcSkippingComment(ISNetpbmIO* stream)
{
    int c = stream->getc(stream->user);
    if (c == '#') {
        do
            c = stream->getc(stream->user);
        while (c != '\n' && c != '\r' && c != -1);
    }
    if (c == -1)
        pm_error(stream, "Unexpected end of file in PNM data.");
    return c;
}

// An unsigned decimal after whitespace and comments. The end of the data
// may end the number itself: a plain file needs no final separator.
unsigned int GetUint(ISNetpbmIO* stream)
{
    int c;
    do
        c = GetcSkippingComment(stream);
    while (IsSpace(c));
    if (c < '0' || c > '9')
        pm_error(stream, "Junk in PNM data where an unsigned number should be.");
    uint64_t value = 0;
    while (c >= '0' && c <= '9') {
        value = value * 10 + unsigned(c - '0');
        if (value > INT32_MAX)
            pm_error(stream, "Number too large in PNM data.");
        c = stream->getc(stream->user);
    }
    // The byte after the number is consumed, as the one separator before
    // raw data; a comment there runs to its line end.
    if (c == '#') {
        do
            c = stream->getc(stream->user);
        while (c != '\n' && c != '\r' && c != -1);
    }
    return static_cast<unsigned int>(value);
}

void ReadSize(ISNetpbmIO* stream, int* cols, int* rows)
{
    const unsigned int w = GetUint(stream);
    const unsigned int h = GetUint(stream);
    if (w == 0)
        pm_error(stream, "PNM image width is zero.");
    if (h == 0)
        pm_error(stream, "PNM image height is zero.");
    *cols = static_cast<int>(w);
    *rows = static_cast<int>(h);
}

gray ReadMaxval(ISNetpbmIO* stream)
{
    const unsigned int maxval = GetUint(stream);
    if (maxval == 0)
        pm_error(stream, "PNM maxval is zero.");
    if (maxval > PNM_OVERALLMAXVAL)
        pm_error(stream, "PNM maxval %u is above 65535.", maxval);
    return maxval;
}

// One raw row of `count` samples into `row`, with a single read: the bytes
// land at the front of the row and are widened from the back, so no sample
// is overwritten before it is read.
void ReadRawSamples(ISNetpbmIO* stream, gray* row, size_t count, gray maxval)
{
    const size_t sampleBytes = maxval > 255 ? 2 : 1;
    const uint64_t bytes = uint64_t(count) * sampleBytes;
    if (bytes > INT32_MAX)
        pm_error(stream, "PNM row too long.");
    unsigned char* raw = reinterpret_cast<unsigned char*>(row);
    if (stream->read(stream->user, raw, static_cast<int32_t>(bytes)) != static_cast<int32_t>(bytes))
        pm_error(stream, "Unexpected end of file in PNM raster.");
    if (sampleBytes == 2) {
        for (size_t i = count; i-- > 0;)
            row[i] = (gray(raw[2 * i]) << 8) | raw[2 * i + 1];
    } else {
        for (size_t i = count; i-- > 0;)
            row[i] = raw[i];
    }
}

void ReadPlainSamples(ISNetpbmIO* stream, gray* row, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        row[i] = GetUint(stream);
}

}  // namespace

void pm_error(ISNetpbmIO* stream, const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    stream->error(stream, text, 0);
    std::abort();  // the sink throws; reaching here is a broken table
}

void pm_init(const char*, unsigned int) {}

int pm_readmagicnumber(ISNetpbmIO* stream)
{
    const int first = stream->getc(stream->user);
    const int second = first == -1 ? -1 : stream->getc(stream->user);
    if (first == -1 || second == -1)
        pm_error(stream,
                 "Error reading magic number from Netpbm image stream.  Most often, this means your input file is "
                 "empty.");
    return (first << 8) | second;
}

void pbm_readpbminitrest(ISNetpbmIO* stream, int* cols, int* rows) { ReadSize(stream, cols, rows); }

void pgm_readpgminitrest(ISNetpbmIO* stream, int* cols, int* rows, gray* maxval)
{
    ReadSize(stream, cols, rows);
    *maxval = ReadMaxval(stream);
}

void ppm_readppminitrest(ISNetpbmIO* stream, int* cols, int* rows, gray* maxval)
{
    ReadSize(stream, cols, rows);
    *maxval = ReadMaxval(stream);
}

void pbm_readpbmrow(ISNetpbmIO* stream, bit* row, int cols, int format)
{
    const size_t n = static_cast<size_t>(cols);
    if (format == RPBM_FORMAT) {
        const size_t bytes = (n + 7) / 8;
        if (bytes > INT32_MAX || stream->read(stream->user, row, static_cast<int32_t>(bytes)) != int32_t(bytes))
            pm_error(stream, "Unexpected end of file in PBM raster.");
        // Widened from the back: packed byte i / 8 is read before byte i is written.
        for (size_t i = n; i-- > 0;)
            row[i] = (row[i >> 3] >> (7 - (i & 7))) & 1;
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        int c;
        do
            c = GetcSkippingComment(stream);
        while (IsSpace(c));
        if (c != '0' && c != '1')
            pm_error(stream, "Junk in PBM data where a 0 or 1 should be.");
        row[i] = static_cast<bit>(c - '0');
    }
}

void pgm_readpgmrow(ISNetpbmIO* stream, gray* row, int cols, gray maxval, int format)
{
    if (format == RPGM_FORMAT)
        ReadRawSamples(stream, row, static_cast<size_t>(cols), maxval);
    else
        ReadPlainSamples(stream, row, static_cast<size_t>(cols));
}

void ppm_readppmrow(ISNetpbmIO* stream, pixel* row, int cols, gray maxval, int format)
{
    static_assert(sizeof(pixel) == 3 * sizeof(gray), "pixels are three packed samples");
    gray* samples = reinterpret_cast<gray*>(row);
    if (format == RPPM_FORMAT)
        ReadRawSamples(stream, samples, static_cast<size_t>(cols) * 3, maxval);
    else
        ReadPlainSamples(stream, samples, static_cast<size_t>(cols) * 3);
}

void* pm_allocrow(int cols, size_t size)
{
    if (cols <= 0 || size == 0 || uint64_t(cols) * size > ISMaxAlloc())
        return nullptr;
    return std::malloc(size_t(cols) * size);
}

void pm_freerow(void* row) { std::free(row); }

}  // namespace isnetpbm
