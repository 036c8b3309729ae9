// Error reporting: last error, error callback and the per-thread error log.
#include <cstdio>

#include "frame.h"

void ISLogError(const char* message, int32_t code, int32_t level)
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return;
    try {
        // Drops while above 50 before the append, so the log holds at most 51.
        while (state->errorLog.size() > 50)
            state->errorLog.pop_front();
        ISErrorLogEntry entry;
        entry.message = message ? message : "";
        entry.code = code;
        entry.level = level;
        state->errorLog.push_back(std::move(entry));
    } catch (...) {
        // Out of memory: the entry is lost, the caller goes on.
    }
}

void ISSetLastError(int32_t code, const char* function, const char* detail)
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return;
    if (code == 0) {
        state->lastError = 0;
        return;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u", unsigned(now.wHour) % 100u, unsigned(now.wMinute) % 100u,
                  unsigned(now.wSecond) % 100u);
    const char* name = function ? function : "(unspecified function)";
    char message[1000];
    if (detail)
        std::snprintf(message, sizeof message, "Error %d in %s (%s) [%s]", int(code), name, stamp, detail);
    else
        std::snprintf(message, sizeof message, "Error %d in %s (%s)", int(code), name, stamp);
    // The callback runs before the code is stored, so it sees the previous one.
    if (state->errorCallback)
        state->errorCallback(code, name, state->errorUser);
    ISLogError(message, code, 3);
    state->lastError = code;
}

int32_t ISGetLastError(void)
{
    ISThreadState* state = ISGetThreadState();
    return state ? state->lastError : 0;
}

void is5_SetLastErrorProxy(int32_t code) { ISSetLastError(code, "is5_SetLastErrorProxy", nullptr); }

std::vector<ISErrorLogEntry> ISTestErrorLog()
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return {};
    return std::vector<ISErrorLogEntry>(state->errorLog.begin(), state->errorLog.end());
}
