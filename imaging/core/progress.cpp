// Call depth and progress: only the outermost library call reaches the
// application's progress callback.
#include "frame.h"

void ISEnterCall()
{
    if (ISThreadState* state = ISGetThreadState())
        ++state->callDepth;
}

void ISLeaveCall()
{
    ISThreadState* state = ISGetThreadState();
    if (state && state->callDepth > 0)
        --state->callDepth;
}

BOOL ISCallProgress(int32_t done, int32_t total)
{
    ISThreadState* state = ISGetThreadState();
    if (!state || state->callDepth != 1 || !state->progress)
        return FALSE;
    return state->progress(done, total, state->progressUser) ? FALSE : TRUE;
}

BOOL ISHasProgressCallback()
{
    ISThreadState* state = ISGetThreadState();
    return state && state->progress ? TRUE : FALSE;
}

void ISSetCallback(ISProgressCallback callback, void* user)
{
    if (ISThreadState* state = ISGetThreadState()) {
        state->progress = callback;
        state->progressUser = user;
    }
}

void is5_SetCallback(ISProgressCallback callback, void* user)
{
    if (!ISGetThreadState())
        return;
    ISSetLastError(0, "is5_SetCallback");
    ISSetCallback(callback, user);
}

ISProgressCallback is5_GetCallback(void** user)
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return nullptr;
    ISSetLastError(0, "is5_GetCallback");
    if (user)
        *user = state->progressUser;
    return state->progress;
}

ISProgressCallback ISGetCallbackThunk(void** user) { return is5_GetCallback(user); }

void ISGetAllocCallbacks(ISAllocCallback* alloc, ISReallocCallback* realloc, ISFreeCallback* free, intptr_t* user)
{
    ISThreadState* state = ISGetThreadState();
    if (alloc)
        *alloc = state ? state->allocCallback : nullptr;
    if (realloc)
        *realloc = state ? state->reallocCallback : nullptr;
    if (free)
        *free = state ? state->freeCallback : nullptr;
    if (user)
        *user = state ? state->allocUser : 0;
}
