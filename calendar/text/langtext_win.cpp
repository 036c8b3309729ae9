#include "common/text/lang_text.h"
#include "settings/settings.h"
#include "text/text.h"

char gLangFileName[MAX_PATH];

const char* GetLangText(const char* section, const char* key, const char* def)
{
    return LookUpLangText(gSettings.langFolder, gLangFileName[0] ? gLangFileName : nullptr, section, key, def);
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
