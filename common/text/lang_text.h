// User texts from a language file: an INI file whose sections hold the texts by key.
#pragma once

// The text of key in section of the language file `file` in `folder`, else
// def, with each backslash-n pair turned into CR LF. With file NULL the
// default itself, without asking the profile function. Lives in a per-thread
// buffer of 4000 characters until the thread's next call; never NULL.
const char* LookUpLangText(const char* folder, const char* file, const char* section, const char* key,
                           const char* def);
