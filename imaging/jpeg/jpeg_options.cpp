// Test-only setters for the JPEG options of the thread state.
#include "jpeg_options.h"

#include <memory>

ISJpegOptions* ISTestJpegOptions()
{
    ISThreadState* state = ISGetThreadState();
    return state ? &state->jpeg : nullptr;
}

void ISTestResetJpegOptions()
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return;
    state->jpeg = ISJpegOptions();
    state->iccProfile.Clear();
}

void ISTestAddJpegComment(const char* text)
{
    ISThreadState* state = ISGetThreadState();
    if (!state || !text)
        return;
    std::unique_ptr<CFileDataTag> tag(new CFileDataTag);
    tag->name = text;
    state->jpeg.comments.push_back(std::move(tag));
}

void ISTestAddJpegMarker(int32_t code, const BYTE* data, int32_t size)
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return;
    std::unique_ptr<CFileDataTag> tag(new CFileDataTag);
    tag->id = code;
    if (size > 0 && data)
        tag->data.Assign(data, size);
    state->jpeg.markers.push_back(std::move(tag));
}

bool ISTestSetIccProfile(const BYTE* data, int32_t size)
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return false;
    if (size <= 0 || !data) {
        state->iccProfile.Clear();
        return true;
    }
    return state->iccProfile.Assign(data, size);
}
