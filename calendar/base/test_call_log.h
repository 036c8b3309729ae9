// Record of calls into stand-ins for areas that are not built yet, one line each: the tests wait for these lines.
#pragma once

void LogStandInCall(const char* format, ...);
// Also append each line to this file (empty: none).
void SetStandInLogFile(const char* path);
// Everything logged so far in this process.
const char* GetStandInLog();
void ClearStandInLog();
