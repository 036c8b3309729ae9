#include "common/win/system_report.h"

#include <windows.h>

#include "common/text/append_format.h"

void AppendOsVersionReport(char* buffer, size_t size)
{
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
    case VER_PLATFORM_WIN32s: AppendFormat(line, sizeof(line), "Win32s "); break;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (info.dwMajorVersion == 4 && info.dwMinorVersion == 0) {
            AppendFormat(line, sizeof(line), "Windows 95 ");
            if (info.szCSDVersion[1] == 'C')
                AppendFormat(line, sizeof(line), "OSR2 ");
        } else if (info.dwMajorVersion == 4 && info.dwMinorVersion == 10) {
            AppendFormat(line, sizeof(line), "Windows 98 ");
            if (info.szCSDVersion[1] == 'A')
                AppendFormat(line, sizeof(line), "SE ");
        } else if (info.dwMajorVersion == 4 && info.dwMinorVersion == 90) {
            AppendFormat(line, sizeof(line), "Windows ME ");
        }
        break;
    case VER_PLATFORM_WIN32_NT:
        if (info.dwMajorVersion <= 4)
            AppendFormat(line, sizeof(line), "Windows NT ");
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0)
            AppendFormat(line, sizeof(line), "Windows 2000 ");
        else if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1)
            AppendFormat(line, sizeof(line), "Windows XP ");
        if (!extended) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", 0,
                              KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
                char type[80] = "";
                DWORD typeSize = sizeof(type) - 1;
                RegQueryValueExA(key, "ProductType", nullptr, nullptr, (BYTE*)type, &typeSize);
                RegCloseKey(key);
                if (lstrcmpiA(type, "WINNT") == 0)
                    AppendFormat(line, sizeof(line), "Workstation ");
                else if (lstrcmpiA(type, "SERVERNT") == 0)
                    AppendFormat(line, sizeof(line), "Server ");
            }
        } else if (info.wProductType == VER_NT_WORKSTATION) {
            AppendFormat(line, sizeof(line), (info.wSuiteMask & VER_SUITE_PERSONAL) ? "Personal " : "Professional ");
        } else if (info.wProductType == VER_NT_SERVER) {
            if (info.wSuiteMask & VER_SUITE_DATACENTER)
                AppendFormat(line, sizeof(line), "DataCenter Server ");
            else if (info.wSuiteMask & VER_SUITE_ENTERPRISE)
                AppendFormat(line, sizeof(line), "Advanced Server ");
            else
                AppendFormat(line, sizeof(line), "Server ");
        }
        if (info.dwMajorVersion > 4)
            AppendFormat(line, sizeof(line), "%s (Build %d)", info.szCSDVersion, (int)(info.dwBuildNumber & 0xFFFF));
        else
            AppendFormat(line, sizeof(line), "version %d.%d %s (Build %d)", (int)info.dwMajorVersion,
                         (int)info.dwMinorVersion, info.szCSDVersion, (int)(info.dwBuildNumber & 0xFFFF));
        break;
    }
    AppendFormat(buffer, size, "%s\r\n", line);
}

void AppendProcessorReport(char* buffer, size_t size)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    switch (info.dwProcessorType) {
    case PROCESSOR_INTEL_386: AppendFormat(buffer, size, "Processor Type: 80386 \r\n"); break;
    case PROCESSOR_INTEL_486: AppendFormat(buffer, size, "Processor Type: 80486 \r\n"); break;
    case PROCESSOR_INTEL_PENTIUM: AppendFormat(buffer, size, "Processor Type: Pentium \r\n"); break;
    default: AppendFormat(buffer, size, "Processor Type: ? \r\n"); break;
    }
    AppendFormat(buffer, size, "Number of Processors: %u \r\n", (unsigned)info.dwNumberOfProcessors);
    if (GetEnvironmentVariableA("PROCESSOR_IDENTIFIER", nullptr, 0) > 0) {
        char expanded[1024];
        if (ExpandEnvironmentStringsA("PROCESSOR_IDENTIFIER: %PROCESSOR_IDENTIFIER%", expanded, sizeof(expanded)))
            AppendFormat(buffer, size, "%s\r\n", expanded);
    }
}

void AppendDisplayReport(char* buffer, size_t size, int labelWidth)
{
    int monitors = GetSystemMetrics(SM_CMONITORS);
    AppendFormat(buffer, size, "Number of Monitors: %u \r\n", (unsigned)monitors);
    for (int i = 0; i < monitors; i++) {
        DISPLAY_DEVICEA device{};
        device.cb = sizeof(device);
        if (EnumDisplayDevicesA(nullptr, i, &device, 0))
            AppendFormat(buffer, size, "%-*s%s \r\n", labelWidth, "DeviceString:", device.DeviceString);
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
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "HORZRES:", GetDeviceCaps(screen, HORZRES));
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "VERTRES:", GetDeviceCaps(screen, VERTRES));
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "BITSPIXEL:", bits);
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "PLANES:", planes);
        AppendFormat(buffer, size, "%-*s%lld \r\n", labelWidth, "NUMCOLORS:", colours);
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "SIZEPALETTE:", GetDeviceCaps(screen, SIZEPALETTE));
        int caps = GetDeviceCaps(screen, RASTERCAPS);
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "RC_BITBLT:", caps & 1);
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "RC_BITMAP64:", (caps >> 3) & 1);
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "RC_DI_BITMAP:", (caps >> 7) & 1);
        AppendFormat(buffer, size, "%-*s%d \r\n", labelWidth, "BLTALIGNMENT:", GetDeviceCaps(screen, BLTALIGNMENT));
        ReleaseDC(nullptr, screen);
    }
}

void AppendMemoryReport(char* buffer, size_t size)
{
    // The extended call: the plain one stops counting at 4 GiB.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status))
        return;
    const unsigned long long kb = 1024, mb = 1048576;
    AppendFormat(buffer, size, "%s %lu\r\n", "Relative memory load [0-100]: ", (unsigned long)status.dwMemoryLoad);
    AppendFormat(buffer, size, "%s %lluKB\r\n", "Total physical memory: ", status.ullTotalPhys / kb);
    AppendFormat(buffer, size, "%s %lluKB\r\n", "Available physical memory: ", status.ullAvailPhys / kb);
    AppendFormat(buffer, size, "%s %lluMB\r\n", "Maximum pagefile space: ", status.ullTotalPageFile / mb);
    AppendFormat(buffer, size, "%s %lluMB\r\n", "Available pagefile space: ", status.ullAvailPageFile / mb);
}
