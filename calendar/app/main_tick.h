// Decisions of the main dialog's timers and notices, as plain functions of a
// state record, the time and the message, so they run without windows.
#pragma once

#include "imaging/platform/winshim.h"

struct MainState {
    int mainVisible = 0;
    int modalOpen = 0;
    int firstTick = 1;
    int newDay = 0;
    int lastDay = 0, lastMonth = 0;
    int lastCheckDay = 0;
    int wallpaperSet = 0;
    int autoExitTicks = 0;
    int trayTicks = 0;
    int fullScreenSeen = 0;
};

// What else the tick sees besides the state.
struct MainTickInputs {
    int highColor = 1;            // IsHighColorDisplay
    int monthCalendarVisible = 0;
    int autoUpdate = 0;           // settings AutoUpdate and AutoUpdateOP
    int autoUpdateOP = 0;
};

// What one tick of timer 200 does, in this order.
struct MainTickPlan {
    bool killTimer = false;       // before anything else
    bool colorsBox = false;       // the 256-colour warning
    bool placeAndHide = false;    // move to the placement and hide
    bool refreshDay = false;      // day icon, moon icon and the two texts
    bool pass = false;            // hide, busy tray, online checks, ChangeWallpaper
    bool updateCatalog = false;   // inside the pass
    bool checkVersion = false;    // inside the pass
    int passForce = 0;            // force argument of ChangeWallpaper
    int setTimerMs = 0;           // 0: leave timer 200 as it is
    bool checkAlarms = true;
};

// Steps up to the desktop-picture pass; the caller runs the plan, then calls
// FinishMainTick with the pass's ChangeWallpaper result (if it ran).
void PlanMainTick(MainState* state, const SYSTEMTIME& now, const MainTickInputs& inputs, MainTickPlan* plan);
// After the pass: records its result. Then counts the AutoExit tick: true when
// the program is to save its settings and end.
bool FinishMainTick(MainState* state, const MainTickPlan& plan, int wallpaperResult, int autoExit, int dialogVisible);

// Timer 201: true when the tray icon is to be refreshed now.
bool CountTrayTick(MainState* state);

// Application-bar notice (wParam, lParam); true when the desktop windows are
// to be redrawn (a full-screen program has gone).
bool OnAppBarNotice(MainState* state, uintptr_t wParam, intptr_t lParam);
// WM_POWERBROADCAST: true for the resume events.
bool OnPowerNotice(uintptr_t event);

// The dialog's place: the stored corner when it fits the work area, else the
// default place near the bottom right corner.
void PlaceMainDialog(int x, int y, int clientWidth, int clientHeight, const RECT& workArea, int frameExtra, int* outX,
                     int* outY);
