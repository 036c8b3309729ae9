// The calling thread's choice of how bitmaps are made from RGB buffers.
#include "../core/frame.h"

void is5_SetHBITMAPCreateMethod(int32_t method)
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return;
    ISSetLastError(0, "is5_SetHBITMAPCreateMethod");
    // Only 1 asks for DIB sections; any other value is the default.
    state->hbitmapCreateMethod = method == 1 ? 1 : 0;
}
