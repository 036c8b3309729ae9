#include "app/main_tick.h"

void PlanMainTick(MainState* s, const SYSTEMTIME& now, const MainTickInputs& in, MainTickPlan* plan)
{
    *plan = MainTickPlan();
    const bool first = s->firstTick != 0;
    if (first) {
        plan->killTimer = true;
        plan->colorsBox = !in.highColor;
        plan->placeAndHide = true;
    }
    if (first || now.wDay != s->lastDay || now.wMonth != s->lastMonth) {
        s->lastDay = now.wDay;
        s->lastMonth = now.wMonth;
        s->newDay = 1;
        plan->refreshDay = true;
        s->firstTick = 0;
    }
    if (s->newDay && !s->modalOpen)
        s->mainVisible = 0;
    if (!s->mainVisible && !s->modalOpen && !in.monthCalendarVisible) {
        plan->pass = true;
        plan->killTimer = true;
        if (now.wDay != s->lastCheckDay) {
            s->lastCheckDay = now.wDay;
            plan->updateCatalog = in.autoUpdateOP != 0;
            plan->checkVersion = in.autoUpdate != 0;
        }
        plan->passForce = s->newDay;
        plan->setTimerMs = 30000;
    } else if (first) {
        // The first tick killed the timer: without a new period it would
        // never tick again and no alarm would be checked.
        plan->setTimerMs = 5000;
    }
    plan->checkAlarms = true;
}

bool FinishMainTick(MainState* s, const MainTickPlan& plan, int wallpaperResult, int autoExit, int dialogVisible)
{
    if (plan.pass) {
        s->wallpaperSet = wallpaperResult;
        s->newDay = 0;
        s->mainVisible = 0;
    }
    if (s->wallpaperSet && autoExit && !dialogVisible) {
        s->autoExitTicks++;
        if (s->autoExitTicks > 5)
            return true;
    }
    return false;
}

bool CountTrayTick(MainState* s)
{
    if (s->trayTicks > 1000) {
        s->trayTicks = 0;
        return true;
    }
    s->trayTicks++;
    return false;
}

bool OnAppBarNotice(MainState* s, uintptr_t wParam, intptr_t lParam)
{
    const uintptr_t kFullScreenApp = 2;   // ABN_FULLSCREENAPP
    if (wParam != kFullScreenApp)
        return false;
    int state = lParam != 0;
    if (state == s->fullScreenSeen)
        return false;
    s->fullScreenSeen = state;
    return state == 0;
}

bool OnPowerNotice(uintptr_t event)
{
    // PBT_APMRESUMECRITICAL, PBT_APMRESUMESUSPEND, PBT_APMRESUMEAUTOMATIC
    return event == 6 || event == 7 || event == 0x12;
}

void PlaceMainDialog(int x, int y, int clientWidth, int clientHeight, const RECT& workArea, int frameExtra, int* outX,
                     int* outY)
{
    if ((x >= 1 || y >= 1) && x + clientWidth <= workArea.right && y + clientHeight <= workArea.bottom) {
        *outX = x;
        *outY = y;
        return;
    }
    *outX = workArea.right - clientWidth - 50;
    *outY = workArea.bottom - frameExtra - clientHeight;
}
