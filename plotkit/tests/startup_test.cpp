// Library start: the top control block after InitTop, the device descriptor's screen metrics, the
// end calls and the version calls.
#include "PlotkitFixture.h"

#include <cstring>

namespace plotkit::test
{
namespace
{

using StartupTest = PlotkitTest;

TEST_F(StartupTest, InitTopFillsTheTopBlockAndRegistersTheClasses)
{
    EXPECT_EQ(top.initialised, 1);
    EXPECT_EQ(top.errorBoxesOn, 1);
    EXPECT_EQ(top.lineWidthScaling, 1);
    EXPECT_EQ(top.maintainAspect, 1); // default print options
    EXPECT_NE(top.clipRegion, nullptr);
    EXPECT_EQ(top.defaultFont.currentSize, 10);
    EXPECT_EQ(top.defaultFont.logFont.lfPitchAndFamily, 32);
    EXPECT_EQ(top.graphCursor, nullptr); // the test host has no "chartcur"
    EXPECT_EQ(Lib().top, &top);
    WNDCLASS wc{};
    EXPECT_TRUE(GetClassInfo(nullptr, "PgWin", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW));
    EXPECT_TRUE(GetClassInfo(nullptr, "GrWin", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_DBLCLKS));
}

TEST_F(StartupTest, ScreenMetricsFollowTheDescriptorRule)
{
    const DevDesc* dev = GetDevDesc();
    EXPECT_EQ(dev->screenWidth, 1024);
    EXPECT_EQ(dev->screenHeight, 768);
    EXPECT_EQ(dev->screenDpiX, 153); // 1024 x 96 / 640
    EXPECT_EQ(dev->screenDpiY, 153); // 768 x 96 / 480
    EXPECT_EQ(dev->libraryModule, GetModuleHandle(PLOTKIT_MODULE_NAME));

    DevDesc small{};
    SetScreenMetrics(small, 800, 599, 96, 96); // below 600 pixels high: the screen's own dpi
    EXPECT_EQ(small.screenDpiX, 96);
    EXPECT_EQ(small.screenDpiY, 96);
}

TEST_F(StartupTest, WrongRealTypeStopsTheStartWithACriticalMessage)
{
    TopDesc other{};
    other.realType = 8;
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Library with wrong realtype FLOAT").Reply(IDOK);
    EXPECT_EQ(InitTop(&other, ChartPageWndProc, ChartGraphWndProc, 0), 0);
    EXPECT_EQ(other.initialised, 0);
    ASSERT_EQ(exits.size(), 1u); // a host built for another float type cannot go on
    EXPECT_EQ(exits[0], 69);
    EXPECT_EQ(prompts.Prompts()[0].caption, "CRITICAL ERROR");
}

TEST_F(StartupTest, CleanupRunsOnceAndVersionCallsAnswer)
{
    Cleanup(&top, TRUE);
    EXPECT_EQ(top.initialised, 0);
    EXPECT_EQ(top.clipRegion, nullptr);
    Cleanup(&top, TRUE); // nothing left to do
    EXPECT_EQ(top.initialised, 0);

    int minor = 0;
    EXPECT_EQ(WGGetVersion(&minor), 2);
    EXPECT_EQ(minor, 53);
    EXPECT_STREQ(WGGetDate(), "Mar  1 2005");
    RemoteRecalcProc hook = [](GrDesc*, HDC, ObjDesc*, float) {};
    EXPECT_EQ(SetRemoteRecalc(hook), hook);
    EXPECT_EQ(InitDll(&top), &top);
}

} // namespace
} // namespace plotkit::test
