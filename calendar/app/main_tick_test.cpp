#include "app/main_tick.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

SYSTEMTIME At(int day, int month, int year = 2010, int hour = 12)
{
    SYSTEMTIME t{};
    t.wYear = (WORD)year;
    t.wMonth = (WORD)month;
    t.wDay = (WORD)day;
    t.wHour = (WORD)hour;
    return t;
}

// One tick as the dialog runs it: plan, then the pass reports `result`.
MainTickPlan Tick(MainState* s, const SYSTEMTIME& now, const MainTickInputs& in = MainTickInputs(), int result = 1,
                  bool* end = nullptr, int autoExit = 0, int visible = 0)
{
    MainTickPlan plan;
    PlanMainTick(s, now, in, &plan);
    bool e = FinishMainTick(s, plan, plan.pass ? result : 0, autoExit, visible);
    if (end)
        *end = e;
    return plan;
}

TEST(MainTick, FirstTickPlacesHidesAndRunsAForcedPassThenTicksEvery30s)
{
    MainState s;
    MainTickPlan p = Tick(&s, At(7, 6));
    EXPECT_TRUE(p.killTimer);
    EXPECT_TRUE(p.placeAndHide);
    EXPECT_TRUE(p.refreshDay);
    EXPECT_TRUE(p.pass);
    EXPECT_EQ(p.passForce, 1);
    EXPECT_EQ(p.setTimerMs, 30000);
    EXPECT_TRUE(p.checkAlarms);
    EXPECT_FALSE(p.colorsBox);

    // Same day: an unforced pass, no placing, no new day icons.
    p = Tick(&s, At(7, 6, 2010, 13));
    EXPECT_FALSE(p.placeAndHide);
    EXPECT_FALSE(p.refreshDay);
    EXPECT_TRUE(p.pass);
    EXPECT_EQ(p.passForce, 0);
    EXPECT_EQ(p.setTimerMs, 30000);
}

TEST(MainTick, ColoursWarningOnlyOnTheFirstTick)
{
    MainState s;
    MainTickInputs lowColour;
    lowColour.highColor = 0;
    EXPECT_TRUE(Tick(&s, At(7, 6), lowColour).colorsBox);
    for (int i = 0; i < 3; i++)
        EXPECT_FALSE(Tick(&s, At(7, 6), lowColour).colorsBox);
}

TEST(MainTick, FirstTickWhileModalKeepsTheTimerAliveAndPassesAfterTheModalCloses)
{
    MainState s;
    s.modalOpen = 1;
    MainTickPlan p = Tick(&s, At(7, 6));
    EXPECT_TRUE(p.killTimer);
    EXPECT_FALSE(p.pass);
    EXPECT_TRUE(p.checkAlarms);
    EXPECT_EQ(p.setTimerMs, 5000);

    p = Tick(&s, At(7, 6));
    EXPECT_FALSE(p.pass);
    EXPECT_FALSE(p.killTimer);
    EXPECT_TRUE(p.checkAlarms);
    EXPECT_EQ(p.setTimerMs, 0);   // keeps ticking at 5000

    s.modalOpen = 0;
    p = Tick(&s, At(7, 6));
    EXPECT_TRUE(p.pass);
    EXPECT_EQ(p.passForce, 1);    // the day seen at the first tick is still new
    EXPECT_EQ(p.setTimerMs, 30000);
}

TEST(MainTick, DayChangeWhileModalKeepsTheDialogShownAndWaits)
{
    MainState s;
    Tick(&s, At(7, 6));
    s.mainVisible = 1;
    s.modalOpen = 1;
    MainTickPlan p = Tick(&s, At(8, 6));
    EXPECT_TRUE(p.refreshDay);
    EXPECT_FALSE(p.pass);
    EXPECT_EQ(s.mainVisible, 1);

    // Without the modal window a new day hides the dialog and forces a pass.
    s.modalOpen = 0;
    p = Tick(&s, At(8, 6));
    EXPECT_TRUE(p.pass);
    EXPECT_EQ(p.passForce, 1);
    EXPECT_EQ(s.mainVisible, 0);
}

TEST(MainTick, VisibleDialogOrMonthCalendarSkipsThePassButNotTheAlarms)
{
    MainState s;
    Tick(&s, At(7, 6));
    s.mainVisible = 1;
    MainTickPlan p = Tick(&s, At(7, 6));
    EXPECT_FALSE(p.pass);
    EXPECT_TRUE(p.checkAlarms);
    s.mainVisible = 0;
    MainTickInputs in;
    in.monthCalendarVisible = 1;
    p = Tick(&s, At(7, 6), in);
    EXPECT_FALSE(p.pass);
    EXPECT_TRUE(p.checkAlarms);
}

TEST(MainTick, OnlineChecksRunOnceADayWhenSwitchedOn)
{
    MainState s;
    MainTickInputs in;
    in.autoUpdate = 1;
    in.autoUpdateOP = 1;
    MainTickPlan p = Tick(&s, At(7, 6), in);
    EXPECT_TRUE(p.updateCatalog);
    EXPECT_TRUE(p.checkVersion);
    p = Tick(&s, At(7, 6, 2010, 18), in);
    EXPECT_TRUE(p.pass);
    EXPECT_FALSE(p.updateCatalog);
    EXPECT_FALSE(p.checkVersion);
    p = Tick(&s, At(8, 6), in);
    EXPECT_TRUE(p.updateCatalog);
    EXPECT_TRUE(p.checkVersion);

    MainState off;
    p = Tick(&off, At(7, 6));
    EXPECT_FALSE(p.updateCatalog);
    EXPECT_FALSE(p.checkVersion);
}

TEST(MainTick, AutoExitEndsOnTheSixthHiddenTickAfterASetPicture)
{
    MainState s;
    bool end = false;
    for (int tick = 1; tick <= 5; tick++) {
        Tick(&s, At(7, 6), MainTickInputs(), 1, &end, 1, 0);
        EXPECT_FALSE(end) << "tick " << tick;
    }
    Tick(&s, At(7, 6), MainTickInputs(), 1, &end, 1, 0);
    EXPECT_TRUE(end);

    // A visible dialog does not count; nor does a pass that set no picture.
    MainState shown;
    for (int tick = 1; tick <= 10; tick++) {
        Tick(&shown, At(7, 6), MainTickInputs(), 1, &end, 1, 1);
        EXPECT_FALSE(end);
    }
    MainState failed;
    for (int tick = 1; tick <= 10; tick++) {
        Tick(&failed, At(7, 6), MainTickInputs(), 0, &end, 1, 0);
        EXPECT_FALSE(end);
    }
}

TEST(MainTick, TrayRefreshOnEvery1002ndIconTick)
{
    MainState s;
    std::vector<int> refreshes;
    for (int tick = 1; tick <= 2 * 1002; tick++)
        if (CountTrayTick(&s))
            refreshes.push_back(tick);
    EXPECT_EQ(refreshes, (std::vector<int>{1002, 2004}));
}

struct NoticeCase {
    const char* name;
    std::vector<std::pair<uintptr_t, intptr_t>> appBar;   // (wParam, lParam) in order
    int power;                                            // WM_POWERBROADCAST event, -1 none
    bool redraw;                                          // after the last notice
};

class DesktopRedrawNotice : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(DesktopRedrawNotice, RedrawsOnlyWhenAFullScreenProgramGoesOrTheSystemResumes)
{
    const NoticeCase& c = GetParam();
    MainState s;
    bool redraw = false;
    for (auto& n : c.appBar)
        redraw = OnAppBarNotice(&s, n.first, n.second);
    if (c.power >= 0)
        redraw = OnPowerNotice((uintptr_t)c.power);
    EXPECT_EQ(redraw, c.redraw);
}

INSTANTIATE_TEST_SUITE_P(
    Notices, DesktopRedrawNotice,
    ::testing::Values(NoticeCase{"fullscreen_then_gone", {{2, 1}, {2, 0}}, -1, true},
                      NoticeCase{"fullscreen_only", {{2, 1}}, -1, false},
                      NoticeCase{"gone_without_fullscreen", {{2, 0}}, -1, false},
                      NoticeCase{"other_notice", {{2, 1}, {1, 0}}, -1, false},
                      NoticeCase{"resume_automatic", {}, 0x12, true}, NoticeCase{"resume_critical", {}, 6, true},
                      NoticeCase{"resume_suspend", {}, 7, true}, NoticeCase{"suspend", {}, 4, false},
                      NoticeCase{"power_status", {}, 0xA, false}),
    [](const ::testing::TestParamInfo<NoticeCase>& info) { return std::string(info.param.name); });

struct PlaceCase {
    const char* name;
    int x, y;
    int outX, outY;
};

class MainDialogPlacement : public ::testing::TestWithParam<PlaceCase> {};

// Work area 0,0-1024,738, client 300 x 200, caption and frames 30.
TEST_P(MainDialogPlacement, KeepsAFittingStoredPlaceElseGoesNearTheBottomRight)
{
    const PlaceCase& c = GetParam();
    RECT work = {0, 0, 1024, 738};
    int x = 0, y = 0;
    PlaceMainDialog(c.x, c.y, 300, 200, work, 30, &x, &y);
    EXPECT_EQ(x, c.outX);
    EXPECT_EQ(y, c.outY);
}

INSTANTIATE_TEST_SUITE_P(Places, MainDialogPlacement,
                         ::testing::Values(PlaceCase{"inside", 100, 200, 100, 200},
                                           PlaceCase{"touching_edges", 724, 538, 724, 538},
                                           PlaceCase{"past_right", 725, 200, 674, 508},
                                           PlaceCase{"past_bottom", 100, 539, 674, 508},
                                           PlaceCase{"zero_zero", 0, 0, 674, 508},
                                           PlaceCase{"negative_x_y_set", -40, 1, -40, 1}),
                         [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

}  // namespace
