// The diagnostic log and its system report.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "common/win/system_report.h"
#include "text/text.h"

namespace {

HANDLE gLogFile = INVALID_HANDLE_VALUE;
bool gLogOpen = false;

const char kSeparator[] = "----------------------------------------------------------------------";

void WriteRaw(const char* text)
{
    if (!gLogOpen)
        return;
    DWORD written = 0;
    WriteFile(gLogFile, text, (DWORD)strlen(text), &written, nullptr);
}

void WriteStamp()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[64];
    snprintf(stamp, sizeof(stamp), "%02d.%02d.%04d %02d:%02d.%02d  ", t.wDay, t.wMonth, t.wYear, t.wHour, t.wMinute,
             t.wSecond);
    WriteRaw(stamp);
}

void WriteLine(const char* format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line) - 2, format, args);
    va_end(args);
    strcat(line, "\r\n");
    WriteRaw(line);
}

}  // namespace

void LogLine(const char* format, ...)
{
    if (!gLogOpen)
        return;
    // Stamp and text in one write: the drawing threads log too.
    SYSTEMTIME t;
    GetLocalTime(&t);
    char line[1024];
    int used = snprintf(line, sizeof(line), "%02d.%02d.%04d %02d:%02d.%02d  ", t.wDay, t.wMonth, t.wYear, t.wHour,
                        t.wMinute, t.wSecond);
    va_list args;
    va_start(args, format);
    vsnprintf(line + used, sizeof(line) - 2 - used, format, args);
    va_end(args);
    strcat(line, "\r\n");
    WriteRaw(line);
}

void OpenLog(void*, const char* fileName)
{
    gLogFile = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_FLAG_WRITE_THROUGH | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (gLogFile == INVALID_HANDLE_VALUE) {
        gLogOpen = false;
        return;
    }
    gLogOpen = true;
    SetFilePointer(gLogFile, 0, nullptr, FILE_END);
    WriteRaw(kSeparator);
    WriteRaw("\r\n");
    WriteStamp();
    WriteRaw("START\r\n");
    LogOsVersion();
    WriteLine("%s Version %d.%d.%d.%d", "KV840", 3, 3, 0, 2706);
    LogProcessorInfo();
    LogMemoryStatus();
    LogDisplayInfo();
}

void CloseLog()
{
    if (!gLogOpen)
        return;
    WriteStamp();
    WriteRaw("NORMAL BEENDET\r\n");
    WriteRaw(kSeparator);
    WriteRaw("\r\n\r\n");
    CloseHandle(gLogFile);
    gLogFile = INVALID_HANDLE_VALUE;
    gLogOpen = false;
}

// Each report in one write, built by the report both programs share.
void LogOsVersion()
{
    if (!gLogOpen)
        return;
    char text[512] = "";
    AppendOsVersionReport(text, sizeof(text));
    WriteRaw(text);
}

void LogProcessorInfo()
{
    if (!gLogOpen)
        return;
    char text[2048] = "";
    AppendProcessorReport(text, sizeof(text));
    WriteRaw(text);
}

void LogDisplayInfo()
{
    if (!gLogOpen)
        return;
    char text[4096] = "";
    AppendDisplayReport(text, sizeof(text), 18);
    WriteRaw(text);
}

void LogMemoryStatus()
{
    if (!gLogOpen)
        return;
    char text[1024] = "";
    AppendMemoryReport(text, sizeof(text));
    WriteRaw(text);
}
