// The application offscreen: start-up with the settings in the test's folder, the maximised main
// frame with its bars and a new instrument window, shut-down in order; the head-lock password's
// stored form; the second start's block and its hand-over; the main frame's relays.
#include "app/IdleWatcher.h"
#include "app/KelApp.h"
#include "app/KelCMDIChildWnd.h"
#include "app/MainFrm.h"
#include "app/WindowActivationManager.h"
#include "dialogs/HeadLockDlg.h"
#include "doc/KelDoc.h"
#include "foundation/AppUiState.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "res/resource.h"
#include "settings/AppSettings.h"
#include "view/KelView.h"

#include "testkit/Image.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScopedEnv.h"
#include "testkit/ScopedSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace
{

using kel::testkit::ScopedEnv;
using kel::testkit::ScopedSettings;
using kel::testkit::ScriptedPrompts;
using kel::testkit::TempDir;
using kel::testkit::UiTest;

// A program start in the test's own settings and socket folders.
class KelAppTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        runtime.emplace("XDG_RUNTIME_DIR", runtimeDir.path().string());
        prompts.emplace();
        CPortList::Destroy();
    }
    void TearDown() override
    {
        if (started)
            Shutdown();
        prompts.reset();
        runtime.reset();
        UiTest::TearDown();
    }

    BOOL Start(std::vector<std::string> args = {})
    {
        argv.assign({"kelmon"});
        argv.insert(argv.end(), args.begin(), args.end());
        ptrs.clear();
        for (std::string& a : argv)
            ptrs.push_back(a.data());
        app.SetCommandLine(static_cast<int>(ptrs.size()), ptrs.data());
        started = true;
        const BOOL ok = app.InitInstance();
        UiTest::Pump(50);
        return ok;
    }
    // The user closes the main window; then the application ends as the message loop would.
    int Shutdown()
    {
        started = false;
        if (CWnd* main = app.m_pMainWnd; main && ::IsWindow(main->GetSafeHwnd()))
            main->SendMessage(WM_CLOSE);
        UiTest::Pump(20);
        return app.ExitInstance();
    }
    CMainFrame* Frame() { return dynamic_cast<CMainFrame*>(app.m_pMainWnd); }

    ScopedSettings settings;
    TempDir runtimeDir{"kelmon-rt-"};
    std::optional<ScopedEnv> runtime; // XDG_RUNTIME_DIR: the single-instance socket
    std::optional<ScriptedPrompts> prompts;
    CKelApp app;
    bool started = false;
    std::vector<std::string> argv;
    std::vector<char*> ptrs;
};

TEST_F(KelAppTest, StartShowsTheMaximisedFrameWithItsBarsAndANewInstrumentWindow)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->IsWindowVisible());
    EXPECT_TRUE(frame->IsZoomed());
    char cls[64] = "";
    ::GetClassName(frame->GetSafeHwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "ZolKel3_0Class");
    EXPECT_EQ(g_frameClassRegistered, 1);

    // Both toolbars with their buttons, docked on one row, and the status bar.
    EXPECT_EQ(frame->GetMainToolBar().GetCount(), 36);
    EXPECT_EQ(frame->GetMainToolBar().GetItemID(35), static_cast<UINT>(ID_HELP));
    EXPECT_EQ(frame->GetChartToolBar().GetCount(), 6);
    EXPECT_EQ(frame->GetChartToolBar().GetItemID(0), static_cast<UINT>(ID_GRAPH_AUTOSCALE));
    EXPECT_TRUE(frame->GetChartToolBar().IsWindowVisible());
    CRect mainBar, chartBar;
    frame->GetMainToolBar().GetWindowRect(&mainBar);
    frame->GetChartToolBar().GetWindowRect(&chartBar);
    EXPECT_EQ(mainBar.top, chartBar.top);
    EXPECT_GE(chartBar.left, mainBar.right);
    EXPECT_TRUE(frame->GetStatusBar().IsWindowVisible());

    // The new document's window: our child frame with the view.
    BOOL maximized = FALSE;
    CMDIChildWnd* child = frame->MDIGetActive(&maximized);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->IsKindOf(RUNTIME_CLASS(CKelCMDIChildWnd)));
    ASSERT_NE(child->GetActiveView(), nullptr);
    EXPECT_TRUE(child->GetActiveView()->IsKindOf(RUNTIME_CLASS(CKelView)));
    EXPECT_EQ(GetActiveMDIView(), child->GetActiveView());
    EXPECT_NE(GetActiveKelDoc(), nullptr);
    EXPECT_EQ(CWindowActivationManager::Instance()->GetFlag(child->GetSafeHwnd()), 1);

    // The background services run: the port monitor and the simulated instrument in the list.
    EXPECT_NE(CPortList::Instance().FindByName("SOFT0"), nullptr);
    EXPECT_NE(CPortList::Instance().GetPortLock("SOFT0"), nullptr);

    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
    {
        frame->SetWindowPos(nullptr, 0, 0, 1000, 640, SWP_NOZORDER);
        UiTest::Pump(100);
        kel::testkit::SavePng(kel::testkit::CaptureWindow(frame->GetSafeHwnd()),
                              std::string(keep) + "/kelmon_main.png");
    }

    EXPECT_EQ(Shutdown(), 0);
    EXPECT_EQ(g_frameClassRegistered, 0);
    EXPECT_EQ(CIdleWatcher::GetInstance()->GetTracker(), nullptr);
    CIdleWatcher::DestroyInstance();
}
} // namespace
