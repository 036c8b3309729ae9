// Program-wide state of the calendar program that other areas read or set.
#pragma once

#include <windows.h>

#include "common/win/module.h"

extern HINSTANCE gInstance;       // the program's module (dialogs, icons, resources)
extern HWND gMainWindow;          // main dialog 100 once WM_INITDIALOG ran
extern volatile int gShutdown;    // set when the main dialog has ended; threads end on it
extern int gSoundLoaded;          // result of LoadSoundLibrary at start-up

// gInstance, or the program file's module before WinMain set it (tests).
HMODULE ProgramModule();


#define MAIN_WINDOW_TITLE "KV840"
#define MAIN_MUTEX_NAME "Brantlow840Mutex"

// Private messages of the main dialog.
#define WM_APP_TRAYNOTIFY 0x844C
#define WM_APP_SHOWMAIN 0x844D
#define WM_APP_EXITMAIN 0x844E
#define WM_APP_SETTEXTS 0x8466
#define WM_APP_APPBAR 0x8834

// Timers of the main dialog.
#define IDT_MAINTICK 200
#define IDT_ICONCOLOR 201

// Global hotkey ids.
#define HK_NEWPICTURE 200
#define HK_ALARMS 201
#define HK_NOTES 202
#define HK_MONTHCALENDAR 203
#define HK_CALCULATOR 204
