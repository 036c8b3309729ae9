// Record of calls into stand-ins for areas that are not built yet, one line
// each: the tests wait for these lines. Only the test build records; in the
// program LogStandInCall does nothing.
#pragma once

void LogStandInCall(const char* format, ...);
// Starts recording; each line also goes to this file unless it is empty or NULL.
void RecordStandInCalls(const char* path);
// Everything recorded so far in this process.
const char* GetStandInLog();
void ClearStandInLog();
