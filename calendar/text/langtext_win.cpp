#include <windows.h>

#include <shlwapi.h>

#include "settings/settings.h"
#include "text/text.h"

char gLangFileName[MAX_PATH];

const char* GetLangText(const char* section, const char* key, const char* def)
{
    // Per thread: the drawing threads look texts up too.
    static thread_local char buffer[4000];
    if (!def)
        def = "";
    if (!gLangFileName[0]) {
        lstrcpynA(buffer, def, sizeof(buffer));
    } else {
        char file[MAX_PATH];
        if (!PathCombineA(file, gSettings.langFolder, gLangFileName))
            lstrcpynA(file, gLangFileName, MAX_PATH);
        if (GetPrivateProfileStringA(section, key, def, buffer, sizeof(buffer), file) == 0)
            buffer[0] = 0;
    }
    for (char* p = buffer; p[0] && p[1]; p++) {
        if (p[0] == '\\' && p[1] == 'n') {
            p[0] = '\r';
            p[1] = '\n';
            p++;
        }
    }
    return buffer;
}

// A user text used as a format for one int: anything but a single %d falls
// back to the default, so a language file cannot break the formatting.
const char* IntFormat(const char* section, const char* key, const char* def)
{
    const char* text = GetLangText(section, key, def);
    int conversions = 0;
    for (const char* p = text; *p; p++) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            p++;
        } else if (p[1] == 'd') {
            conversions++;
            p++;
        } else {
            return def;
        }
    }
    return conversions == 1 ? text : def;
}
