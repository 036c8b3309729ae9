#include "common/text/lang_text.h"
#include "settings/settings.h"
#include "text/text.h"

char gLangFileName[MAX_PATH];

const char* GetLangText(const char* section, const char* key, const char* def)
{
    return LookUpLangText(gSettings.langFolder, gLangFileName[0] ? gLangFileName : nullptr, section, key, def);
}
