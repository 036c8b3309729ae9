#include "common/win/html_help.h"

#include <cstring>

namespace {

typedef HWND(WINAPI* HtmlHelpFn)(HWND, LPCSTR, UINT, DWORD_PTR);

// A DLL of the system folder only: loaded by its bare name, a file planted
// beside the program would come first.
HMODULE LoadSystemLibrary(const char* name)
{
    if (HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    // Systems without the flag refuse it; the full path serves there.
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + strlen(name) >= MAX_PATH)
        return nullptr;
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

HWND CallHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data)
{
    static HtmlHelpFn htmlHelp = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (HMODULE module = LoadSystemLibrary("hhctrl.ocx"))
            htmlHelp = (HtmlHelpFn)(void*)GetProcAddress(module, "HtmlHelpA");
    }
    return htmlHelp ? htmlHelp(caller, file, command, data) : nullptr;
}
