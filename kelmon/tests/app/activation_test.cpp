// Caption activation of the instrument windows' groups: which frame's group is active, what the
// views are told, which captions grey; and the child frame that keeps its caption active when the
// focus goes to one of the program's dialogs.
#include "KelMessages.h"
#include "app/KelCMDIChildWnd.h"
#include "app/WindowActivationManager.h"

#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> g_log;

// A window that writes the group and caption messages it gets into the log.
class CRecorder : public CWnd
{
public:
    explicit CRecorder(std::string name) : m_name(std::move(name)) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_KEL_GROUPACTIVATE)
            g_log.push_back(m_name + " group " + std::to_string(wParam));
        else if (message == WM_NCACTIVATE && lParam == CWindowActivationManager::kFromManager)
            g_log.push_back(m_name + " grey");
        return CWnd::WindowProc(message, wParam, lParam);
    }

private:
    std::string m_name;
};

class ActivationTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_log.clear();
        Make(frameA, viewA, 0);
        Make(frameB, viewB, 300);
        manager.Register(frameA.m_hWnd);
        manager.Register(frameB.m_hWnd);
    }
    void TearDown() override
    {
        frameA.DestroyWindow();
        frameB.DestroyWindow();
        UiTest::TearDown();
    }
    static void Make(CRecorder& frame, CRecorder& view, int x)
    {
        ASSERT_TRUE(frame.CreateEx(0, AfxRegisterWndClass(0), "frame", WS_POPUP | WS_CAPTION, x, 0, 200, 100,
                                   nullptr, nullptr));
        ASSERT_TRUE(view.CreateEx(0, AfxRegisterWndClass(0), "view", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50,
                                  frame.m_hWnd, nullptr));
    }
    std::vector<std::string> Take()
    {
        std::vector<std::string> log;
        log.swap(g_log);
        return log;
    }

    CWindowActivationManager manager;
    CRecorder frameA{"A"}, viewA{"viewA"}, frameB{"B"}, viewB{"viewB"};
};

using Log = std::vector<std::string>;

TEST_F(ActivationTest, ActivatingAFrameMakesItsGroupTheActiveOneOnce)
{
    manager.OnNcActivate(frameA.m_hWnd, TRUE);
    EXPECT_EQ(Take(), (Log{"viewB group 0", "B grey", "viewA group 1"}));
    EXPECT_EQ(manager.GetFlag(frameA.m_hWnd), 1);
    EXPECT_EQ(manager.GetFlag(frameB.m_hWnd), 0);

    manager.OnNcActivate(frameB.m_hWnd, TRUE);
    EXPECT_EQ(Take(), (Log{"viewA group 0", "A grey", "viewB group 1"}));
    // Again, and deactivations (the focus went to a dialog): nothing.
    manager.OnNcActivate(frameB.m_hWnd, TRUE);
    manager.OnNcActivate(frameB.m_hWnd, FALSE);
    manager.OnNcActivate(frameA.m_hWnd, FALSE);
    EXPECT_EQ(Take(), Log{});
    EXPECT_EQ(manager.GetFlag(frameB.m_hWnd), 1);
}

TEST_F(ActivationTest, LeavingTheApplicationGreysEveryFrameAndUnknownFramesAreIgnored)
{
    manager.OnNcActivate(frameA.m_hWnd, TRUE);
    Take();
    manager.OnActivateApp(FALSE);
    Log log = Take();
    std::sort(log.begin(), log.end()); // map order follows the handles
    EXPECT_EQ(log, (Log{"A grey", "B grey"}));
    manager.OnActivateApp(TRUE); // only the active group's dialogs come back: no caption message
    EXPECT_EQ(Take(), Log{});

    EXPECT_EQ(manager.Unregister(frameB.m_hWnd), 1);
    EXPECT_EQ(manager.Unregister(frameB.m_hWnd), 0);
    EXPECT_EQ(manager.GetFlag(frameB.m_hWnd), -1);
    manager.OnNcActivate(frameB.m_hWnd, TRUE); // no longer known
    EXPECT_EQ(Take(), Log{});
    EXPECT_EQ(manager.Register(frameA.m_hWnd), 1); // known already: keeps its flag
    EXPECT_EQ(manager.GetFlag(frameA.m_hWnd), 1);
}
} // namespace
