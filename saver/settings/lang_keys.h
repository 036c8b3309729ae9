// Every user text the screen saver looks up, with its German default. The
// language files carry each of them.
#pragma once

struct LangKey {
    const char* section;
    const char* key;
    const char* def;
};

extern const LangKey kLangKeys[];
extern const int kLangKeyCount;
