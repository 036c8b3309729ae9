// The part of netpbm the PNM readers need, reading through an ISNetpbmIO
// table instead of a C stream. It keeps no state of its own: reads on
// different threads share nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "netpbm_io.h"

namespace isnetpbm {

using bit = unsigned char;  // 1 = black
using gray = unsigned int;
struct pixel {
    gray r, g, b;
};

constexpr int PBM_FORMAT = ('P' << 8) | '1';
constexpr int PGM_FORMAT = ('P' << 8) | '2';
constexpr int PPM_FORMAT = ('P' << 8) | '3';
constexpr int RPBM_FORMAT = ('P' << 8) | '4';
constexpr int RPGM_FORMAT = ('P' << 8) | '5';
constexpr int RPPM_FORMAT = ('P' << 8) | '6';
constexpr gray PNM_OVERALLMAXVAL = 65535;

[[noreturn]] void pm_error(ISNetpbmIO* stream, const char* format, ...);

void pm_init(const char* programName, unsigned int flags);
int pm_readmagicnumber(ISNetpbmIO* stream);
void pbm_readpbminitrest(ISNetpbmIO* stream, int* cols, int* rows);
void pgm_readpgminitrest(ISNetpbmIO* stream, int* cols, int* rows, gray* maxval);
void ppm_readppminitrest(ISNetpbmIO* stream, int* cols, int* rows, gray* maxval);
void pbm_readpbmrow(ISNetpbmIO* stream, bit* row, int cols, int format);
void pgm_readpgmrow(ISNetpbmIO* stream, gray* row, int cols, gray maxval, int format);
void ppm_readppmrow(ISNetpbmIO* stream, pixel* row, int cols, gray maxval, int format);
// Null when the row would not fit the allocation limit or memory is short.
void* pm_allocrow(int cols, size_t size);
void pm_freerow(void* row);

}  // namespace isnetpbm
