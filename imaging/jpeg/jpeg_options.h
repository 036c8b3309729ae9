// Test-only setters for the JPEG options and the ICC profile bytes of the
// calling thread's state. Applications have no way to change them.
#pragma once

#include <cstdint>

#include "../core/frame.h"

// The calling thread's JPEG options; null without a thread state.
ISJpegOptions* ISTestJpegOptions();
// Back to the defaults, with no comments, markers or ICC bytes.
void ISTestResetJpegOptions();
void ISTestAddJpegComment(const char* text);
void ISTestAddJpegMarker(int32_t code, const BYTE* data, int32_t size);
bool ISTestSetIccProfile(const BYTE* data, int32_t size);
