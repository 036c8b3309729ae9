// User texts, help and the diagnostic log.
#pragma once

#include <windows.h>

#include "common/win/html_help.h"

// Name of the language file in the language folder; the calendar program
// leaves it empty and so shows its German defaults.
extern char gLangFileName[MAX_PATH];

// The text of key in section, else the default, with each "\n" turned into a
// line break. Lives in a per-thread buffer until the thread's next call; never NULL.
const char* GetLangText(const char* section, const char* key, const char* def);
// A user text used as a format for one int: anything but a single %d gives
// the default, so a language file cannot break the formatting. The text lives
// as long as GetLangText's.
const char* IntFormat(const char* section, const char* key, const char* def);
// gDayNames and gMonthNames from the language file, German by default.
void LoadDayMonthNames();

// Help file path with the page of the topic appended.
void BuildHelpPath(int topic, char* path, int size);
void ShowHelp(HWND window, void* reserved, int topic);

#define LOG_FILE_NAME "C:\\vesko.log"
void OpenLog(void* reserved, const char* fileName);
void CloseLog();
// One stamped line, when the log is open.
void LogLine(const char* format, ...);
void LogOsVersion();
void LogProcessorInfo();
void LogDisplayInfo();
void LogMemoryStatus();
