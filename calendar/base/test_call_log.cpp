#include "base/test_call_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

bool gRecording = false;
std::string gStandInLog;
std::string gStandInLogFile;

}  // namespace

void LogStandInCall(const char* format, ...)
{
    if (!gRecording)
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    // Keep the record bounded: the program calls some stand-ins on every tick.
    if (gStandInLog.size() > (1u << 20))
        gStandInLog.erase(0, gStandInLog.size() / 2);
    gStandInLog += line;
    gStandInLog += '\n';
    if (!gStandInLogFile.empty()) {
        FILE* f = fopen(gStandInLogFile.c_str(), "ab");
        if (f) {
            fprintf(f, "%s\n", line);
            fclose(f);
        }
    }
}

void RecordStandInCalls(const char* path)
{
    gRecording = true;
    gStandInLogFile = path ? path : "";
}

const char* GetStandInLog()
{
    return gStandInLog.c_str();
}

void ClearStandInLog()
{
    gStandInLog.clear();
}
