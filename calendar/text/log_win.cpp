// The diagnostic log and its system report.
#include <cstdarg>
#include <cstdio>
#include <cstring>

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

// snprintf onto the end of a bounded buffer.
void Append(char* buffer, size_t size, const char* format, ...)
{
    size_t used = strlen(buffer);
    if (used + 1 >= size)
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(buffer + used, size - used, format, args);
    va_end(args);
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

void LogOsVersion()
{
    if (!gLogOpen)
        return;
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    bool extended = GetVersionExA((OSVERSIONINFOA*)&info);
    if (!extended) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA((OSVERSIONINFOA*)&info))
            return;
    }
    char line[512] = "";
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s: Append(line, sizeof(line), "Win32s "); break;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (info.dwMajorVersion == 4 && info.dwMinorVersion == 0) {
            Append(line, sizeof(line), "Windows 95 ");
            if (info.szCSDVersion[1] == 'C')
                Append(line, sizeof(line), "OSR2 ");
        } else if (info.dwMajorVersion == 4 && info.dwMinorVersion == 10) {
            Append(line, sizeof(line), "Windows 98 ");
            if (info.szCSDVersion[1] == 'A')
                Append(line, sizeof(line), "SE ");
        } else if (info.dwMajorVersion == 4 && info.dwMinorVersion == 90) {
            Append(line, sizeof(line), "Windows ME ");
        }
        break;
    case VER_PLATFORM_WIN32_NT:
        if (info.dwMajorVersion <= 4)
            Append(line, sizeof(line), "Windows NT ");
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0)
            Append(line, sizeof(line), "Windows 2000 ");
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1)
            Append(line, sizeof(line), "Windows XP ");
        if (!extended) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0, KEY_QUERY_VALUE,
                              &key) == ERROR_SUCCESS) {
                char type[80] = "";
                DWORD size = sizeof(type) - 1;
                RegQueryValueExA(key, "ProductType", nullptr, nullptr, (BYTE*)type, &size);
                RegCloseKey(key);
                if (lstrcmpiA(type, "WINNT") == 0)
                    Append(line, sizeof(line), "Workstation ");
                else if (lstrcmpiA(type, "SERVERNT") == 0)
                    Append(line, sizeof(line), "Server ");
            }
        } else if (info.wProductType == VER_NT_WORKSTATION) {
            Append(line, sizeof(line), (info.wSuiteMask & VER_SUITE_PERSONAL) ? "Personal " : "Professional ");
        } else if (info.wProductType == VER_NT_SERVER) {
            if (info.wSuiteMask & VER_SUITE_DATACENTER)
                Append(line, sizeof(line), "DataCenter Server ");
            else if (info.wSuiteMask & VER_SUITE_ENTERPRISE)
                Append(line, sizeof(line), "Advanced Server ");
            else
                Append(line, sizeof(line), "Server ");
        }
        if (info.dwMajorVersion > 4)
            Append(line, sizeof(line), "%s (Build %d)", info.szCSDVersion, (int)(info.dwBuildNumber & 0xFFFF));
        else
            Append(line, sizeof(line), "version %d.%d %s (Build %d)", (int)info.dwMajorVersion, (int)info.dwMinorVersion,
                   info.szCSDVersion, (int)(info.dwBuildNumber & 0xFFFF));
        break;
    }
    WriteLine("%s", line);
}

void LogProcessorInfo()
{
    if (!gLogOpen)
        return;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    char text[2048] = "";
    switch (info.dwProcessorType) {
    case PROCESSOR_INTEL_386: Append(text, sizeof(text), "Processor Type: 80386 \r\n"); break;
    case PROCESSOR_INTEL_486: Append(text, sizeof(text), "Processor Type: 80486 \r\n"); break;
    case PROCESSOR_INTEL_PENTIUM: Append(text, sizeof(text), "Processor Type: Pentium \r\n"); break;
    default: Append(text, sizeof(text), "Processor Type: ? \r\n"); break;
    }
    Append(text, sizeof(text), "Number of Processors: %u \r\n", (unsigned)info.dwNumberOfProcessors);
    if (GetEnvironmentVariableA("PROCESSOR_IDENTIFIER", nullptr, 0) > 0) {
        char expanded[1024];
        if (ExpandEnvironmentStringsA("PROCESSOR_IDENTIFIER: %PROCESSOR_IDENTIFIER%", expanded, sizeof(expanded)))
            Append(text, sizeof(text), "%s\r\n", expanded);
    }
    WriteRaw(text);
}

void LogDisplayInfo()
{
    if (!gLogOpen)
        return;
    char text[4096] = "";
    int monitors = GetSystemMetrics(SM_CMONITORS);
    Append(text, sizeof(text), "Number of Monitors: %u \r\n", (unsigned)monitors);
    for (int i = 0; i < monitors; i++) {
        DISPLAY_DEVICEA device{};
        device.cb = sizeof(device);
        if (EnumDisplayDevicesA(nullptr, i, &device, 0))
            Append(text, sizeof(text), "DeviceString:     %s \r\n", device.DeviceString);
    }
    HDC screen = GetDC(nullptr);
    if (screen) {
        int planes = GetDeviceCaps(screen, PLANES);
        int bits = GetDeviceCaps(screen, BITSPIXEL);
        long long colours = GetDeviceCaps(screen, NUMCOLORS);
        if (colours < 0) {
            int shift = planes * bits;
            colours = shift >= 0 && shift < 63 ? (1LL << shift) : 0;
        }
        Append(text, sizeof(text), "HORZRES:          %d \r\n", GetDeviceCaps(screen, HORZRES));
        Append(text, sizeof(text), "VERTRES:          %d \r\n", GetDeviceCaps(screen, VERTRES));
        Append(text, sizeof(text), "BITSPIXEL:        %d \r\n", bits);
        Append(text, sizeof(text), "PLANES:           %d \r\n", planes);
        Append(text, sizeof(text), "NUMCOLORS:        %lld \r\n", colours);
        Append(text, sizeof(text), "SIZEPALETTE:      %d \r\n", GetDeviceCaps(screen, SIZEPALETTE));
        int caps = GetDeviceCaps(screen, RASTERCAPS);
        Append(text, sizeof(text), "RC_BITBLT:        %d \r\n", caps & 1);
        Append(text, sizeof(text), "RC_BITMAP64:      %d \r\n", (caps >> 3) & 1);
        Append(text, sizeof(text), "RC_DI_BITMAP:     %d \r\n", (caps >> 7) & 1);
        Append(text, sizeof(text), "BLTALIGNMENT:     %d \r\n", GetDeviceCaps(screen, BLTALIGNMENT));
        ReleaseDC(nullptr, screen);
    }
    WriteRaw(text);
}

void LogMemoryStatus()
{
    if (!gLogOpen)
        return;
    // The extended call: the plain one stops counting at 4 GiB.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return;
    WriteLine("%s %lu", "Relative memory load [0-100]: ", (unsigned long)status.dwMemoryLoad);
    WriteLine("%s %lluKB", "Total physical memory: ", (unsigned long long)(status.ullTotalPhys / 1024));
    WriteLine("%s %lluKB", "Available physical memory: ", (unsigned long long)(status.ullAvailPhys / 1024));
    WriteLine("%s %lluMB", "Maximum pagefile space: ", (unsigned long long)(status.ullTotalPageFile / 1048576));
    WriteLine("%s %lluMB", "Available pagefile space: ", (unsigned long long)(status.ullAvailPageFile / 1048576));
}
