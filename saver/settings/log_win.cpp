#include "settings/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/dates/dates.h"
#include "common/text/append_format.h"
#include "common/win/system_report.h"
#include "settings/settings.h"
#include "settings/timestamp.h"

namespace {

// The UI thread and the action thread both log; the lock also keeps a line
// from meeting a closing handle.
SRWLOCK gLogLock = SRWLOCK_INIT;
HANDLE gLogFile = INVALID_HANDLE_VALUE;

const char kSeparator[] = "----------------------------------------------------------------------";

// One write per line or block, so that lines of two threads never mix.
void WriteText(const char* text)
{
    AcquireSRWLockExclusive(&gLogLock);
    if (gLogFile != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(gLogFile, text, (DWORD)strlen(text), &written, nullptr);
    }
    ReleaseSRWLockExclusive(&gLogLock);
}

}  // namespace

void FormatTimestamp(char* buffer, int size)
{
    int day, month, year, hour, minute, second, weekday;
    GetLocalTimeFields(&day, &month, &year, &hour, &minute, &second, &weekday);
    FormatTimestampFields(day, month, year, hour, minute, second, buffer, size);
}

void LogOsVersion(char* block, size_t size)
{
    AppendOsVersionReport(block, size);
}

void LogMemoryStatus(char* block, size_t size)
{
    AppendMemoryReport(block, size);
}

void LogProcessorInfo(char* block, size_t size)
{
    AppendProcessorReport(block, size);
}

void LogDisplayInfo(char* block, size_t size)
{
    AppendDisplayReport(block, size, 14);
}

void OpenLog(HWND, const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        gSaverSettings.DebugOn = 0;
        return;
    }
    SetFilePointer(file, 0, nullptr, FILE_END);
    AcquireSRWLockExclusive(&gLogLock);
    HANDLE old = gLogFile;
    gLogFile = file;
    ReleaseSRWLockExclusive(&gLogLock);
    if (old != INVALID_HANDLE_VALUE)
        CloseHandle(old);

    char block[8000] = "";
    char stamp[64];
    FormatTimestamp(stamp, sizeof(stamp));
    AppendFormat(block, sizeof(block), "%s\r\n%s START\r\n", kSeparator, stamp);
    AppendFormat(block, sizeof(block), "%s V%d.%d.%d.%d\r\n", "KV840", 3, 3, 0, 473);
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        module[0] = 0;
    AppendFormat(block, sizeof(block), "%s\r\n", module);
    LogOsVersion(block, sizeof(block));
    LogMemoryStatus(block, sizeof(block));
    LogProcessorInfo(block, sizeof(block));
    LogDisplayInfo(block, sizeof(block));
    AppendFormat(block, sizeof(block), "Speed-Animation: %3d\r\n", gSaverSettings.SpeedAnimation);
    AppendFormat(block, sizeof(block), "Pause-Animation: %3d\r\n", gSaverSettings.Pause);
    WriteText(block);
}

void WriteLog(const char* format, ...)
{
    if (!gSaverSettings.DebugOn)
        return;
    char stamp[64];
    FormatTimestamp(stamp, sizeof(stamp));
    char text[1025];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    char line[sizeof(stamp) + 1 + sizeof(text) + 2];
    snprintf(line, sizeof(line), "%s %s\r\n", stamp, text);
    WriteText(line);
}

void CloseLog()
{
    AcquireSRWLockExclusive(&gLogLock);
    HANDLE file = gLogFile;
    if (file != INVALID_HANDLE_VALUE) {
        char stamp[64];
        FormatTimestamp(stamp, sizeof(stamp));
        char block[256];
        snprintf(block, sizeof(block), "%s SCR NORMAL BEENDET\r\n%s\r\n\r\n", stamp, kSeparator);
        DWORD written = 0;
        WriteFile(file, block, (DWORD)strlen(block), &written, nullptr);
        CloseHandle(file);
        gLogFile = INVALID_HANDLE_VALUE;
    }
    ReleaseSRWLockExclusive(&gLogLock);
}
