// The imaging library's internal frame: per-thread state, error reporting,
// progress, call depth, exceptions and lookup tables. Everything inside the
// library and the format readers builds on this header; applications use is5.h.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "../platform/winshim.h"

// Progress callback: (rows done, row count, user data) -> FALSE to cancel.
typedef BOOL (*ISProgressCallback)(int32_t done, int32_t total, void* user);
typedef void (*ISErrorCallback)(int32_t code, const char* function, void* user);
typedef void* (*ISAllocCallback)(intptr_t bytes, intptr_t user);
typedef void* (*ISReallocCallback)(void* block, intptr_t bytes, intptr_t user);
typedef BOOL (*ISFreeCallback)(void* block, intptr_t user);

class ISException : public std::exception {
public:
    explicit ISException(const std::string& message, int32_t code = 0) : m_code(code), m_message(message) {}
    int32_t Code() const { return m_code; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    int32_t m_code;
    std::string m_message;
};

struct ISThreadState;

// The calling thread's state, created on first use; null when none can be had.
ISThreadState* ISGetThreadState();

// Reports `code` under `function` (null: "(unspecified function)"), with an
// optional detail text; code 0 only clears the last error.
void ISSetLastError(int32_t code, const char* function, const char* detail = nullptr);
int32_t ISGetLastError();
// Appends to the calling thread's error log; level 2 = warning, 3 = error.
void ISLogError(const char* message, int32_t code, int32_t level);

void ISEnterCall();
void ISLeaveCall();

// Holds one call-depth level for its lifetime, exceptions included.
class ISCallGuard {
public:
    ISCallGuard() { ISEnterCall(); }
    ~ISCallGuard() { ISLeaveCall(); }
    ISCallGuard(const ISCallGuard&) = delete;
    ISCallGuard& operator=(const ISCallGuard&) = delete;
};

// TRUE when the user asked to cancel (only the outermost call reports).
BOOL ISCallProgress(int32_t done, int32_t total);
BOOL ISHasProgressCallback();
void ISSetCallback(ISProgressCallback callback, void* user);

// Lookup tables, filled once before main and read-only afterwards.
extern BYTE g_isProduct[256][256];       // [a][b] = (int)(b * (a / 255.0))
extern RGBQUAD g_isGreyPalette[256];     // (i, i, i, 0)
extern const BYTE g_isBitMask[8];        // 0x80 >> i
extern const BYTE g_isSingleBit[8];      // 1 << i
extern const BYTE g_isSingleBitInv[8];   // ~(1 << i)
extern BYTE g_isBitReverse[256];
extern BYTE g_isBitReverseInv[256];
extern BYTE g_isPartialMask[8][8];       // (255 >> (7 - r)) & (255 << j)
extern BYTE g_isByteToPixels[256][8];    // bits of b, most significant first

const char* ISErrorText(int32_t code);   // null for codes without a text
