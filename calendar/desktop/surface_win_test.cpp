// The step machine of the desktop windows over a platform that counts what
// it hands out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "desktop/grid.h"
#include "desktop/surface.h"

namespace {

struct FakeWorld {
    int liveScreenDCs = 0, liveMemoryDCs = 0, liveBitmaps = 0;
    int maxScreenDCs = 0;
    int nextHandle = 0x1000;
    bool frameFails = false;
    int presents = 0, blits = 0, shows = 0, hides = 0, bottoms = 0;
    int lastX = 0, lastY = 0;
    POINT cursor = {0, 0};
    std::map<HBITMAP, std::vector<BYTE>> frames;
} gWorld;

void* NewHandle()
{
    return (void*)(intptr_t)(gWorld.nextHandle += 4);
}

HDC FakeGetDC(HWND)
{
    gWorld.liveScreenDCs++;
    if (gWorld.liveScreenDCs > gWorld.maxScreenDCs)
        gWorld.maxScreenDCs = gWorld.liveScreenDCs;
    return (HDC)NewHandle();
}
int FakeReleaseDC(HWND, HDC)
{
    gWorld.liveScreenDCs--;
    return 1;
}
HDC FakeCreateMemoryDC(HDC)
{
    gWorld.liveMemoryDCs++;
    return (HDC)NewHandle();
}
BOOL FakeDeleteDC(HDC)
{
    gWorld.liveMemoryDCs--;
    return TRUE;
}
HBITMAP FakeCreateFrame(HDC, int width, int height, BYTE** bits)
{
    if (gWorld.frameFails) {
        *bits = nullptr;
        return nullptr;
    }
    HBITMAP b = (HBITMAP)NewHandle();
    gWorld.frames[b].assign((size_t)width * height * 4, 0);
    *bits = gWorld.frames[b].data();
    gWorld.liveBitmaps++;
    return b;
}
HBITMAP FakePictureToBitmap(const BYTE*, int, int, HDC)
{
    gWorld.liveBitmaps++;
    return (HBITMAP)NewHandle();
}
HGDIOBJ FakeSelectObject(HDC, HGDIOBJ)
{
    return NewHandle();   // the DC's own stock bitmap
}
BOOL FakeDeleteObject(HGDIOBJ object)
{
    gWorld.frames.erase((HBITMAP)object);
    gWorld.liveBitmaps--;
    return TRUE;
}
BOOL FakeBlit(HDC, HBITMAP, int, int)
{
    gWorld.blits++;
    return TRUE;
}
BOOL FakeUpdateLayered(HWND, HDC, int x, int y, int, int, HDC, COLORREF)
{
    gWorld.presents++;
    gWorld.lastX = x;
    gWorld.lastY = y;
    return TRUE;
}
void FakeShowWindow(HWND, int command)
{
    (command == SW_HIDE ? gWorld.hides : gWorld.shows)++;
}
void FakeSetWindowPos(HWND, HWND after, int, int, UINT)
{
    if (after == HWND_BOTTOM)
        gWorld.bottoms++;
}
BOOL FakeGetCursorPos(POINT* p)
{
    *p = gWorld.cursor;
    return TRUE;
}
void FakeGetWorkArea(RECT* work)
{
    SetRect(work, 0, 0, 1024, 738);
}

const DesktopPlatform kFake = {
    FakeGetDC,    FakeReleaseDC,    FakeCreateMemoryDC, FakeDeleteDC,     FakeCreateFrame,
    FakePictureToBitmap, FakeSelectObject, FakeDeleteObject, FakeBlit, FakeUpdateLayered,
    FakeShowWindow, FakeSetWindowPos, FakeGetCursorPos, FakeGetWorkArea,
};

// A calendar of 200 x 100 that keeps its stored position in plain ints.
volatile int gRebuild = 0;
volatile LONG gRepresent = 0;
DragFlags gDrag;
int gX = -1, gY = -1, gCentred = 1, gBuilds = 0, gSaves = 0, gSavedX = 0, gSavedY = 0;
bool gBuildFails = false;

bool TestBuild(BYTE** buffer, int* width, int* height, COLORREF* key)
{
    if (gBuildFails)
        return false;
    gBuilds++;
    *width = 200;
    *height = 100;
    *buffer = (BYTE*)calloc(200 * 100 * 3, 1);
    *key = CALENDAR_KEY_GREY;
    return *buffer != nullptr;
}
void TestPlace(int w, int h, int* x, int* y)
{
    RECT work;
    FakeGetWorkArea(&work);
    PlaceCalendar(x, y, gCentred, w, h, 1024, &work);
}
void TestClamp(const LayeredSurface* s, int* x, int* y)
{
    ClampCalendarPosition(x, y, gCentred, s->placedX, s->picture.right, s->picture.bottom, &s->work);
}
void TestSave(int x, int y)
{
    gSaves++;
    gSavedX = x;
    gSavedY = y;
    gCentred = 0;
}
void TestGet(int* x, int* y)
{
    *x = gX;
    *y = gY;
}
void TestSet(int x, int y)
{
    gX = x;
    gY = y;
}

const SurfaceKind kTestKind = {TestBuild, TestPlace, TestClamp, TestSave, TestGet, TestSet,
                               &gRebuild, &gRepresent, &gDrag, 1};

class Surface : public ::testing::Test {
protected:
    void SetUp() override
    {
        gWorld = FakeWorld();
        gDesktopPlatform = kFake;
        gRebuild = 0;
        gRepresent = 0;
        memset(&gDrag, 0, sizeof(gDrag));
        gX = gY = -1;
        gCentred = 1;
        gBuilds = gSaves = 0;
        gBuildFails = false;
        memset(&s_, 0, sizeof(s_));
    }
    void TearDown() override
    {
        gDesktopPlatform = kWindowsDesktopPlatform;
    }
    void Steps(int n)
    {
        for (int i = 0; i < n; i++)
            StepSurface(&s_, &kTestKind);
    }
    void ExpectNothingHeld()
    {
        EXPECT_EQ(gWorld.liveScreenDCs, 0);
        EXPECT_EQ(gWorld.liveMemoryDCs, 0);
        EXPECT_EQ(gWorld.liveBitmaps, 0);
    }
    LayeredSurface s_;
};

TEST_F(Surface, FailingFrameRetriesWithoutLeakingDCs)
{
    gWorld.frameFails = true;
    Steps(1000);
    EXPECT_EQ(s_.state, SURFACE_INIT);
    EXPECT_EQ(gWorld.maxScreenDCs, 1);
    EXPECT_LE(gWorld.liveMemoryDCs, 1);
    FreeSurface(&s_);
    ExpectNothingHeld();
}

TEST_F(Surface, FailingBuildsAndRebuildsReleaseEverything)
{
    Steps(2);
    ASSERT_EQ(s_.state, SURFACE_REFRESH);
    for (int i = 0; i < 300; i++) {
        gRebuild = 1;
        gBuildFails = i % 3 == 0;
        Steps(3);
    }
    EXPECT_LE(gWorld.liveBitmaps, 2);
    FreeSurface(&s_);
    ExpectNothingHeld();
}

TEST_F(Surface, FirstBuildCentresAboveTheWorkAreaAndShows)
{
    Steps(2);
    EXPECT_EQ(gBuilds, 1);
    EXPECT_EQ(s_.state, SURFACE_REFRESH);
    EXPECT_EQ(gX, (1024 - 200) / 2);
    EXPECT_EQ(gY, 738 - 100 - 10);
    EXPECT_EQ(gWorld.lastX, gX);
    EXPECT_EQ(gWorld.lastY, gY);
    EXPECT_EQ(gWorld.shows, 1);
    EXPECT_EQ(gWorld.liveBitmaps, 2);   // frame and picture
    // Every alpha byte of the frame is opaque.
    const std::vector<BYTE>& frame = gWorld.frames[s_.frame];
    for (size_t i = 3; i < frame.size(); i += 4)
        ASSERT_EQ(frame[i], 0xFF) << i;
    FreeSurface(&s_);
    ExpectNothingHeld();
}

TEST_F(Surface, RefreshWithNothingChangedOnlyPushesToTheBottom)
{
    Steps(2);
    int presents = gWorld.presents, blits = gWorld.blits, bottoms = gWorld.bottoms;
    Steps(50);
    EXPECT_EQ(gWorld.presents, presents);
    EXPECT_EQ(gWorld.blits, blits);
    EXPECT_EQ(gWorld.bottoms, bottoms + 50);
    gRepresent = 1;
    Steps(1);
    EXPECT_EQ(gWorld.presents, presents + 1);
    EXPECT_EQ(gWorld.blits, blits + 1);
    FreeSurface(&s_);
}

TEST_F(Surface, RebuildRequestBuildsByTheNextStep)
{
    Steps(5);
    ASSERT_EQ(gBuilds, 1);
    // A new day as the drawing thread sees it.
    int remembered = 10;
    if (TakeChange(11, &remembered))
        gRebuild = 1;
    Steps(1);
    Steps(1);
    EXPECT_EQ(gBuilds, 2);
    EXPECT_EQ(gRebuild, 0);
    Steps(5);
    EXPECT_EQ(gBuilds, 2);
    FreeSurface(&s_);
}

TEST_F(Surface, DragFollowsTheCursorWithinClampsAndSavesOnDrop)
{
    gCentred = 0;
    gX = 100;
    gY = 200;
    Steps(2);
    ASSERT_EQ(gX, 100);
    // Pressed at (10, 20) in the window, so the cursor is at (110, 220).
    gLastMouseX = 10;
    gLastMouseY = 20;
    gDrag.dragging = 1;
    Steps(1);
    EXPECT_EQ(s_.state, SURFACE_DRAG_START);
    gWorld.cursor = {170, 170};
    Steps(1);
    EXPECT_EQ(gX, 160);
    EXPECT_EQ(gY, 150);
    EXPECT_EQ(gWorld.lastX, 160);
    gWorld.cursor = {5000, 5000};
    Steps(1);
    EXPECT_EQ(gX, 1024 - 200 + 40);
    EXPECT_EQ(gY, 738 - 100 + 100);
    EXPECT_EQ(gSaves, 0);
    gDrag.dragging = 0;
    Steps(2);
    EXPECT_EQ(gSaves, 1);
    EXPECT_EQ(gSavedX, 864);
    EXPECT_EQ(gSavedY, 738);
    EXPECT_EQ(s_.state, SURFACE_REFRESH);
    FreeSurface(&s_);
}

TEST_F(Surface, CentredCalendarMovesOnlyVertically)
{
    Steps(2);
    int x0 = gX, y0 = gY;
    gLastMouseX = 10;
    gLastMouseY = 20;
    gDrag.dragging = 1;
    Steps(1);
    gWorld.cursor = {x0 + 10 + 60, y0 + 20 - 50};
    Steps(1);
    gDrag.dragging = 0;
    Steps(2);
    EXPECT_EQ(gSaves, 1);
    EXPECT_EQ(gSavedX, x0);
    EXPECT_EQ(gSavedY, y0 - 50);
    FreeSurface(&s_);
}

}  // namespace
