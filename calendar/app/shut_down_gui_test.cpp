// The program's end: the drawing threads finish before the imaging library
// they draw with shuts down, also when a step is still running.
#include "app/shut_down.h"

#include <gtest/gtest.h>

#include "base/app.h"
#include "base/seams.h"
#include "desktop/desktop.h"
#include "desktop/surface.h"

namespace {

HANDLE gStepHeld = nullptr, gStepGoesOn = nullptr;
volatile LONG gHolding = 0;
volatile LONG gReleased = 0;
int gShutdowns = 0, gShutdownsUnderAStep = 0, gShutdownsBeforeRelease = 0;

// The first screen DC of the calendar's first step waits for the test.
HDC HoldingGetDC(HWND window)
{
    if (InterlockedExchange(&gHolding, 0)) {
        SetEvent(gStepHeld);
        WaitForSingleObject(gStepGoesOn, INFINITE);
    }
    return kWindowsDesktopPlatform.getDC(window);
}

void RecordImagingShutdown()
{
    gShutdowns++;
    if (gCalendarBusy)
        gShutdownsUnderAStep++;
    if (!gReleased)
        gShutdownsBeforeRelease++;
}

DWORD WINAPI ReleaseLater(void*)
{
    // Longer than any fixed wait for the threads.
    Sleep(4000);
    InterlockedExchange(&gReleased, 1);
    SetEvent(gStepGoesOn);
    return 0;
}

class ShutDown : public ::testing::Test {
protected:
    void SetUp() override
    {
        gInstance = GetModuleHandleA(nullptr);
        gTimeScale = 0.01;
        SetShutdown(0);
        gShutDownImaging = RecordImagingShutdown;
    }
    void TearDown() override
    {
        gShutDownImaging = ISShutdownOfTheLibrary;
        gDesktopPlatform = kWindowsDesktopPlatform;
        gTimeScale = 1.0;
    }
    void (*ISShutdownOfTheLibrary)() = gShutDownImaging;
};

TEST_F(ShutDown, NeverShutsTheImagingLibraryDownUnderARunningDrawingStep)
{
    gStepHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    gStepGoesOn = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    gHolding = 1;
    gDesktopPlatform.getDC = HoldingGetDC;
    ASSERT_EQ(CreateCalendarWindow(), 1);
    ASSERT_EQ(WaitForSingleObject(gStepHeld, 10000), WAIT_OBJECT_0) << "the calendar's step never began";
    ASSERT_EQ(gCalendarBusy, 1);

    HANDLE releaser = CreateThread(nullptr, 0, ReleaseLater, nullptr, 0, nullptr);
    ASSERT_NE(releaser, nullptr);
    ShutDownProgram(1, 0);
    WaitForSingleObject(releaser, INFINITE);
    CloseHandle(releaser);

    EXPECT_EQ(gShutdowns, 1);
    EXPECT_EQ(gShutdownsBeforeRelease, 0);
    EXPECT_EQ(gShutdownsUnderAStep, 0);
    EXPECT_EQ(gCalendarBusy, 0);
}

TEST_F(ShutDown, DrawingThreadsWakeFromTheirPauseAtOnce)
{
    ASSERT_EQ(CreateCalendarWindow(), 1);
    // Long pauses between the steps from now on: a minute for the calendar's 75 ms.
    gTimeScale = 800;
    Sleep(500);
    DWORD start = GetTickCount();
    ShutDownProgram(1, 0);
    DWORD took = GetTickCount() - start;
    EXPECT_LT(took, 1000u) << "waited for the pause to run out";
    EXPECT_EQ(gShutdowns, 1);
    EXPECT_EQ(gShutdownsUnderAStep, 0);
}

}  // namespace
