// The debug log: a start block with a system report, one stamped line per
// event, a closing block. Written through at once, so it survives a crash.
#pragma once

#include <windows.h>

#include <cstddef>

// Opens (or makes) the file, appends the start block. A file that cannot be
// opened switches `DebugOn` off for the run.
void OpenLog(HWND window, const char* path);
// One line: stamp, blank, text of at most 1024 characters, CR LF; only while
// the log is open and `DebugOn` is on. Safe from any thread.
#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 1, 2)))
#endif
void WriteLog(const char* format, ...);
// The closing block, then the file is closed.
void CloseLog();

// The local time as FormatTimestampFields writes it.
void FormatTimestamp(char* buffer, int size);

// The system report's parts, appended to a block being built; the display
// labels are padded to 14 characters.
void LogOsVersion(char* block, size_t size);
void LogMemoryStatus(char* block, size_t size);
void LogProcessorInfo(char* block, size_t size);
void LogDisplayInfo(char* block, size_t size);
