#include <windows.h>

#include <htmlhelp.h>
#include <shlwapi.h>

#include <cstring>

#include "base/seams.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

struct HelpTopic {
    int topic;
    const char* key;
    const char* page;
};

const HelpTopic kHelpTopics[] = {
    {1, "HLP_START", "::html/de/index.html>main"},
    {2, "HLP_CONFIG", "::html/de/optionen-allgemein.html>main"},
    {3, "HLP_OPTDESKTOP", "::html/de/optionen-desktop.html>main"},
    {4, "HLP_OPTNOTE", "::html/de/optionen-notiz.html>main"},
    {5, "HLP_OPTTERMIN", "::html/de/alarm-optionen.html>main"},
    {6, "HLP_HOTKEYS", "::html/de/optionen-hotkeys.html>main"},
    {7, "HLP_NOTE", "::html/de/notiz.html>main"},
    {10, "HLP_OPTBILDER", "::html/de/optionen-bilder.html>main"},
    {12, "HLP_ALARM", "::html/de/alarm.html>main"},
    {13, "HLP_CONFIGSCR", "::html/de/screensaver.html>main"},
    {14, "HLP_ONLINEBILDER", "::html/de/optionen-bilder-online.html>main"},
    {99, "HLP_ERSTESCHRITTE", "::html/de/erste_schritte.html>main"},
};

const HelpTopic kMainTopic = {0, "HLP_MAIN", "::html/de/index.html>main"};

}  // namespace

void BuildHelpPath(int topic, char* path, int size)
{
    char name[MAX_PATH];
    lstrcpynA(name, GetLangText("HELP", "FILENAME", "840D.chm"), MAX_PATH);
    char joined[MAX_PATH];
    if (!PathCombineA(joined, gSettings.helpFolder, name))
        lstrcpynA(joined, name, MAX_PATH);
    const HelpTopic* entry = &kMainTopic;
    for (const HelpTopic& t : kHelpTopics)
        if (t.topic == topic)
            entry = &t;
    char full[MAX_PATH];
    lstrcpynA(full, joined, MAX_PATH);
    size_t used = strlen(full);
    lstrcpynA(full + used, GetLangText("HELP", entry->key, entry->page), (int)(MAX_PATH - used));
    lstrcpynA(path, full, size);
}

void ShowHelp(HWND window, void*, int topic)
{
    char path[MAX_PATH];
    BuildHelpPath(topic, path, MAX_PATH);
    if (!CallHtmlHelp(GetDesktopWindow(), path, HH_DISPLAY_TOPIC, 0))
        AppMessageBox(window, GetLangText("ERR", "NOHELPFOUND", "Hilfedatei nicht gefunden!"), "", MB_ICONERROR);
}
