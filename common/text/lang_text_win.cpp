#include "common/text/lang_text.h"

#include <windows.h>

#include <shlwapi.h>

#include "common/text/line_breaks.h"

const char* LookUpLangText(const char* folder, const char* file, const char* section, const char* key,
                           const char* def)
{
    // Per thread: drawing threads look texts up too.
    static thread_local char buffer[4000];
    if (!def)
        def = "";
    if (!file) {
        lstrcpynA(buffer, def, sizeof(buffer));
    } else {
        char path[MAX_PATH];
        if (!PathCombineA(path, folder, file))
            lstrcpynA(path, file, MAX_PATH);
        // Wine gives 0 characters for an empty value even with a default.
        if (GetPrivateProfileStringA(section, key, def, buffer, sizeof(buffer), path) == 0)
            buffer[0] = 0;
    }
    ReplaceLineBreakPairs(buffer);
    return buffer;
}
