// The application offscreen: start-up with the settings in the test's folder, the maximised main
// frame with its bars and a new instrument window, shut-down in order; the head-lock password's
// stored form; the second start's block and its hand-over; the main frame's relays.
#include "analysis/Analyse.h"
#include "analysis/AnalysisDlg.h"
#include "analysis/Library.h"
#include "app/AboutDlg.h"
#include "app/IdleWatcher.h"
#include "app/KelApp.h"
#include "app/KelCMDIChildWnd.h"
#include "app/MainFrm.h"
#include "app/WindowActivationManager.h"
#include "dialogs/HeadLockDlg.h"
#include "dialogs/HeadPortLock.h"
#include "head/Head.h"
#include "doc/KelDoc.h"
#include "foundation/AppUiState.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "res/resource.h"
#include "settings/AppSettings.h"
#include "view/KelView.h"

#include "KelMessages.h"
#include "testkit/DialogDriver.h"
#include "testkit/Image.h"
#include "win32/instance.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScopedEnv.h"
#include "testkit/ScopedSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <cstring>
#include <optional>
#include <string>

extern char** environ;

namespace
{

using kel::testkit::ScopedEnv;
using kel::testkit::ScopedSettings;
using kel::testkit::ScriptedPrompts;
using kel::testkit::TempDir;
using kel::testkit::UiTest;

// The application with the documents it was asked to open recorded instead of opened.
class CRecordingApp : public CKelApp
{
public:
    CDocument* OpenDocumentFile(LPCTSTR lpszFileName) override
    {
        opened.push_back(lpszFileName ? lpszFileName : "");
        return nullptr;
    }
    std::vector<std::string> opened;
};

// A program start in the test's own settings and socket folders.
class KelAppTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        runtime.emplace("XDG_RUNTIME_DIR", runtimeDir.path().string());
        kel::ui::StopServingWindowClasses(); // served from this test's folder from now on
        prompts.emplace();
        prompts->Expect(IDD_SPLASH).Reply(1).AnyTimes(); // the start-up picture closes itself
        CPortList::Destroy();
    }
    void TearDown() override
    {
        if (started)
            Shutdown();
        prompts.reset();
        kel::ui::StopServingWindowClasses();
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
    CRecordingApp app;
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

    // What the head layer, the analysis and the gas library wait for is installed.
    EXPECT_NE(CHead::GetDialogs(), nullptr);
    const AnalysisViewFactory factory = SetAnalysisViewFactory(nullptr);
    EXPECT_EQ(factory, &CAnalysisDlg::New);
    SetAnalysisViewFactory(factory);
    const ActiveViewLookup lookup = SetAnalysisViewLookup(nullptr);
    ASSERT_NE(lookup, nullptr);
    EXPECT_EQ(lookup(), child->GetActiveView()->GetSafeHwnd());
    SetAnalysisViewLookup(lookup);
    CLibraryHost* host = CLibrary::SetHost(nullptr);
    ASSERT_NE(host, nullptr);
    EXPECT_FALSE(host->IsLibraryMode()); // a new document starts in analog mode
    EXPECT_FALSE(host->IsLibraryDisplayCurrent());
    CLibrary::SetHost(host);
    const HeadPortLockFinder finder = CHeadPortLock::SetFinder(nullptr);
    EXPECT_EQ(finder, &CHeadPortLock::FindInProgramPortList);
    CHeadPortLock::SetFinder(finder);

    // The cursors every display uses.
    EXPECT_NE(CAppUiState::GetInstance()->m_hCursor, nullptr);
    EXPECT_NE(CAppUiState::GetInstance()->m_hChartCursor, nullptr);

    // The background services run: the port monitor and the simulated instrument in the list.
    EXPECT_NE(CPortList::Instance().FindByName("SOFT0"), nullptr);
    EXPECT_NE(CPortList::Instance().GetPortLock("SOFT0"), nullptr);

    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
    {
        frame->SetWindowPos(nullptr, 0, 0, 1000, 640, SWP_NOZORDER);
        app.OnIdle(0); // the bars' buttons take their command state as at idle time
        UiTest::Pump(100);
        kel::testkit::SavePng(kel::testkit::CaptureWindow(frame->GetSafeHwnd()),
                              std::string(keep) + "/kelmon_main.png");
    }

    EXPECT_EQ(Shutdown(), 0);
    EXPECT_EQ(g_frameClassRegistered, 0);
    EXPECT_EQ(CLibrary::SetHost(nullptr), nullptr); // nothing left pointing at the program
    EXPECT_EQ(CHeadPortLock::SetFinder(nullptr), nullptr);
    EXPECT_EQ(CIdleWatcher::GetInstance()->GetTracker(), nullptr);
    CIdleWatcher::DestroyInstance();
}

TEST_F(KelAppTest, ExitStoresTheSettingsAndBadMaintenanceIndicesBecomeNever)
{
    CAppSettings* stored = CAppSettings::GetInstance();
    stored->m_filamentMaintenance = 9;
    stored->m_cemMaintenance = -1;
    stored->m_windowX = 12345;
    stored->Save();
    CAppSettings::DestroyInstance();

    ASSERT_TRUE(Start());
    EXPECT_EQ(CAppSettings::GetInstance()->m_filamentMaintenance, 0);
    EXPECT_EQ(CAppSettings::GetInstance()->m_cemMaintenance, 0);
    EXPECT_EQ(CIdleWatcher::GetInstance()->GetTracker(), nullptr); // both rules "Never"
    EXPECT_EQ(Shutdown(), 0);

    // The frame's rectangle went to the settings at exit.
    CAppSettings* reloaded = CAppSettings::GetInstance();
    reloaded->Load();
    EXPECT_NE(reloaded->m_windowX, 12345);
    EXPECT_GT(reloaded->m_windowCx, 0);
    CAppSettings::DestroyInstance();
    CIdleWatcher::DestroyInstance();
}

TEST_F(KelAppTest, AMaintenanceRuleArmsTheIdleWatcherAtStartAndTheScheduleDialogRearmsIt)
{
    CAppSettings::GetInstance()->m_cemMaintenance = 3; // 10 minutes
    CAppSettings::GetInstance()->Save();
    CAppSettings::DestroyInstance();
    ASSERT_TRUE(Start());
    CUserIdleTracker* tracker = CIdleWatcher::GetInstance()->GetTracker();
    ASSERT_NE(tracker, nullptr);
    EXPECT_EQ(tracker->GetThreshold(), 600000u);
    EXPECT_EQ(tracker->GetIdleCallback(), &CIdleWatcher::CemOff);

    // Cancel keeps the settings and re-arms with them.
    prompts->Expect(IDD_MAINTENANCE_SCHEDULE).Reply(IDCANCEL);
    Frame()->SendMessage(WM_COMMAND, ID_MAINTENANCE_SCHEDULE);
    EXPECT_EQ(CIdleWatcher::GetInstance()->GetTracker(), tracker);
    EXPECT_EQ(tracker->GetThreshold(), 600000u);

    // Choosing a filament rule puts the multiplier's back to "Never"; OK stores both.
    prompts->Expect(IDD_MAINTENANCE_SCHEDULE)
        .Drive(
            [](kel::testkit::DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_MAINT_CEM), "After 10 min");
                d.Select(IDC_MAINT_FILAMENT, "After 1 hour");
                EXPECT_EQ(d.GetText(IDC_MAINT_CEM), "Never");
                d.Click(IDOK);
            });
    Frame()->SendMessage(WM_COMMAND, ID_MAINTENANCE_SCHEDULE);
    EXPECT_EQ(CAppSettings::GetInstance()->m_filamentMaintenance, 7);
    EXPECT_EQ(CAppSettings::GetInstance()->m_cemMaintenance, 0);
    EXPECT_EQ(CIdleWatcher::GetInstance()->GetTracker(), tracker); // changed in place
    EXPECT_EQ(tracker->GetThreshold(), 3600000u);
    EXPECT_EQ(tracker->GetIdleCallback(), &CIdleWatcher::FilamentAndCemOff);

    // Both back to "Never" disarms.
    prompts->Expect(IDD_MAINTENANCE_SCHEDULE)
        .Drive(
            [](kel::testkit::DialogDriver& d)
            {
                d.Select(IDC_MAINT_FILAMENT, 0);
                d.Click(IDOK);
            });
    Frame()->SendMessage(WM_COMMAND, ID_MAINTENANCE_SCHEDULE);
    EXPECT_EQ(CIdleWatcher::GetInstance()->GetTracker(), nullptr);
    EXPECT_EQ(Shutdown(), 0);
    CIdleWatcher::DestroyInstance();
}

TEST_F(KelAppTest, TheFrameRelaysTheScanDialogsNoticesOnlyWithAnInstrumentWindow)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    CAppUiState* ui = CAppUiState::GetInstance();
    EXPECT_EQ(frame->SendMessage(WM_KEL_PARAMSCHANGED), 1);
    EXPECT_EQ(frame->SendMessage(WM_KEL_SCHEDULECHANGED), 1);
    EXPECT_EQ(frame->SendMessage(WM_KEL_PARAMSAPPLIED), 1);
    frame->SendMessage(WM_COMMAND, ID_SCAN_PARAMETERS);
    frame->SendMessage(WM_COMMAND, ID_SCAN_SCHEDULE);
    EXPECT_EQ(ui->m_bParamDlgShown, 1);
    EXPECT_EQ(ui->m_bScheduleDlgShown, 1);
    EXPECT_EQ(frame->SendMessage(WM_KEL_PARAMDLGCLOSED), 0);
    EXPECT_EQ(frame->SendMessage(WM_KEL_SCHEDDLGCLOSED), 0);
    EXPECT_EQ(ui->m_bParamDlgShown, 0);
    EXPECT_EQ(ui->m_bScheduleDlgShown, 0);

    // The zoom toolbar comes and goes with its command.
    frame->SendMessage(WM_COMMAND, ID_VIEW_CONTROL_BAR);
    EXPECT_FALSE(frame->GetChartToolBar().IsWindowVisible());
    frame->SendMessage(WM_COMMAND, ID_VIEW_CONTROL_BAR);
    EXPECT_TRUE(frame->GetChartToolBar().IsWindowVisible());
    // No scan bar window: the time-axis bar command does nothing.
    frame->SendMessage(WM_COMMAND, ID_VIEW_TIME_AXIS_BAR);
    EXPECT_EQ(frame->IsTimeAxisBarShown(), 0);

    // With no instrument window the notices go nowhere. The new window's analog scan took the
    // applied parameters: its document asks to be saved.
    prompts->Expect("Save changes").Reply(IDNO);
    frame->MDIGetActive()->SendMessage(WM_CLOSE);
    UiTest::Pump(20);
    ASSERT_EQ(frame->MDIGetActive(), nullptr);
    EXPECT_EQ(frame->SendMessage(WM_KEL_PARAMSCHANGED), 0);
    EXPECT_EQ(frame->SendMessage(WM_KEL_SCHEDULECHANGED), 0);
    EXPECT_EQ(frame->SendMessage(WM_KEL_PARAMSAPPLIED), 0);
    EXPECT_EQ(Shutdown(), 0);
    CIdleWatcher::DestroyInstance();
}

TEST_F(KelAppTest, ClosingWhileOneDocumentScansWarnsOnceAndKeepsEverythingOpen)
{
    ASSERT_TRUE(Start());
    app.OnFileNew();
    UiTest::Pump(20);
    ASSERT_EQ(CKelDoc::GetOpenDocumentCount(), 2);
    CKelDoc* scanning = GetActiveKelDoc();
    ASSERT_NE(scanning, nullptr);
    scanning->m_bRepeatTimer = 1; // the repeat timer runs: a scan is under way

    auto& warning = prompts->Expect("Stop the running scan first!").Reply(IDOK);
    Frame()->SendMessage(WM_CLOSE);
    EXPECT_EQ(warning.Calls(), 1);
    ASSERT_TRUE(::IsWindow(Frame()->GetSafeHwnd()));
    EXPECT_EQ(CKelDoc::GetOpenDocumentCount(), 2);

    // File > Exit closes the frame with both documents once no scan runs.
    scanning->m_bRepeatTimer = 0;
    const HWND main = Frame()->GetSafeHwnd();
    ::SendMessage(main, WM_COMMAND, ID_APP_EXIT, 0);
    UiTest::Pump(20);
    EXPECT_FALSE(::IsWindow(main));
    EXPECT_EQ(Shutdown(), 0);
    EXPECT_EQ(CKelDoc::GetOpenDocumentCount(), 0);
    CIdleWatcher::DestroyInstance();
}

// ---- The frame's stored rectangle ------------------------------------------------------------

TEST_F(KelAppTest, AStoredFrameRectangleIsTakenOnlyWhenItLiesOnTheScreenAndIsLargeEnough)
{
    const int sx = ::GetSystemMetrics(SM_CXSCREEN), sy = ::GetSystemMetrics(SM_CYSCREEN);
    struct Case
    {
        int x, y, cx, cy;
        bool taken;
    } cases[] = {
        {10, 20, 400, 300, true},
        {10, 20, sx / 12, 300, false},    // exactly a twelfth of the width:
                                          // too small
        {10, 20, sx / 12 + 1, 300, true}, // one pixel more
        {10, 20, 400, sy / 12, false},
        {-500, 20, 400, 300, false}, // wholly left of the screen
        {-100, 20, 400, 300, true},  // partly on it
        {sx - 4, 20, 400, 300, false},
        {sx - 5, 20, 400, 300, true},
        {10, sy - 4, 400, 300, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " " + std::to_string(c.cx) + "x" +
                     std::to_string(c.cy));
        CAppSettings* s = CAppSettings::GetInstance();
        s->m_windowX = c.x;
        s->m_windowY = c.y;
        s->m_windowCx = c.cx;
        s->m_windowCy = c.cy;
        CMainFrame frame;
        CREATESTRUCT cs{};
        cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
        ASSERT_TRUE(frame.PreCreateWindow(cs));
        EXPECT_STREQ(cs.lpszClass, "ZolKel3_0Class");
        if (c.taken)
            EXPECT_EQ((std::vector<int>{cs.x, cs.y, cs.cx, cs.cy}), (std::vector<int>{c.x, c.y, c.cx, c.cy}));
        else
            EXPECT_EQ(cs.cx, static_cast<int>(CW_USEDEFAULT));
    }
    CAppSettings::DestroyInstance();
}

// ---- Head-lock password ------------------------------------------------------------------------

class HeadLockPasswordTest : public UiTest
{
protected:
    void TearDown() override
    {
        CHeadLockDlg::SetLockState(0, CString());
        CAppSettings::DestroyInstance();
        UiTest::TearDown();
    }
    std::string& Stored() { return CAppSettings::GetInstance()->m_headProtection; }
    ScopedSettings settings;
    ScriptedPrompts prompts;
};

TEST_F(HeadLockPasswordTest, APasswordGoesOutScrambledAndComesBack)
{
    for (const char* password : {"abc", "Secret12", "a b!c?d#e$f%"})
    {
        SCOPED_TRACE(password);
        CHeadLockDlg::SetLockState(1, password);
        StoreHeadLockPassword();
        EXPECT_EQ(Stored().size(), 2 * std::strlen(password));
        EXPECT_EQ(Stored().find(password), std::string::npos); // not in the clear
        for (char c : Stored())
            EXPECT_TRUE(c >= 32 && c <= 126) << int(c);
        CHeadLockDlg::SetLockState(0, CString());
        LoadHeadLockPassword();
        EXPECT_EQ(CHeadLockDlg::IsLocked(), 1);
        EXPECT_EQ(std::string(CHeadLockDlg::GetPassword()), password);
    }
    // '~' would come back as a space, and characters beyond ASCII as others, by the plain rule.
    for (const char* password : {"~~~~~~~~~~~~", "a ~b", "caf\xe9\xff"})
    {
        SCOPED_TRACE(password);
        CHeadLockDlg::SetLockState(1, password);
        StoreHeadLockPassword();
        CHeadLockDlg::SetLockState(0, CString());
        LoadHeadLockPassword();
        EXPECT_EQ(CHeadLockDlg::IsLocked(), 1);
        EXPECT_EQ(std::string(CHeadLockDlg::GetPassword()), password);
    }
    // Unlocked: nothing is stored.
    CHeadLockDlg::SetLockState(0, CString());
    StoreHeadLockPassword();
    EXPECT_EQ(Stored(), "");
    LoadHeadLockPassword();
    EXPECT_EQ(CHeadLockDlg::IsLocked(), 0);
}

TEST_F(HeadLockPasswordTest, LengthLimitsAndAnAlteredMaskLeaveTheHeadUnlocked)
{
    // 25 characters of password make 50 stored ones: still read.
    CHeadLockDlg::SetLockState(1, "abcdefghijklmnopqrstuvwxy");
    StoreHeadLockPassword();
    ASSERT_EQ(Stored().size(), 50u);
    const std::string fifty = Stored();
    CHeadLockDlg::SetLockState(0, CString());
    LoadHeadLockPassword();
    EXPECT_EQ(CHeadLockDlg::IsLocked(), 1);

    // 51 characters are passed over without a word.
    CHeadLockDlg::SetLockState(0, CString());
    Stored() = fifty + "x";
    LoadHeadLockPassword();
    EXPECT_EQ(CHeadLockDlg::IsLocked(), 0);

    // One mask character altered: message 224 and the head stays unlocked.
    Stored() = fifty;
    Stored()[2] = Stored()[2] == 'A' ? 'B' : 'A';
    auto& corrupted = prompts.Expect("The password has been corrupted").Reply(IDOK);
    LoadHeadLockPassword();
    EXPECT_EQ(corrupted.Calls(), 1);
    EXPECT_EQ(CHeadLockDlg::IsLocked(), 0);

    // One stored character holds no password: not a lock with an empty one (which would be
    // stored again as no lock at all).
    Stored() = std::string(1, '\0');
    auto& empty = prompts.Expect("The password has been corrupted").Reply(IDOK);
    LoadHeadLockPassword();
    EXPECT_EQ(empty.Calls(), 1);
    EXPECT_EQ(CHeadLockDlg::IsLocked(), 0);
}

// ---- The second start's block ------------------------------------------------------------------

TEST(SecondInstanceBlock, PathsAreCutAt260CharactersAndTheTagIsChecked)
{
    const std::string longPath = "/" + std::string(299, 'p');
    SecondInstanceData data = MakeSecondInstanceData(longPath.c_str());
    EXPECT_EQ(std::memcmp(data.tag, "SecondInstance", 15), 0);
    for (char c : data.reserved)
        EXPECT_EQ(c, 0);
    COPYDATASTRUCT cds{0, sizeof data, &data};
    CString path;
    ASSERT_TRUE(ReadSecondInstanceData(&cds, path));
    EXPECT_EQ(std::string(path), longPath.substr(0, 260));

    // Exactly 260 characters: no terminator in the field, still read whole.
    const std::string exact(260, 'e');
    data = MakeSecondInstanceData(exact.c_str());
    EXPECT_EQ(data.path[259], 'e');
    ASSERT_TRUE(ReadSecondInstanceData(&cds, path));
    EXPECT_EQ(std::string(path), exact);

    // Another tag, or a block too short to hold one, is ignored.
    data.tag[3] = 'X';
    EXPECT_FALSE(ReadSecondInstanceData(&cds, path));
    data = MakeSecondInstanceData("/a.kel");
    COPYDATASTRUCT shortBlock{0, 270, &data};
    EXPECT_FALSE(ReadSecondInstanceData(&shortBlock, path));
    EXPECT_FALSE(ReadSecondInstanceData(nullptr, path));
}

TEST_F(KelAppTest, TheFrameOpensThePathOfATaggedBlockOnly)
{
    ASSERT_TRUE(Start());
    SecondInstanceData data = MakeSecondInstanceData("/data/run7.kel");
    COPYDATASTRUCT cds{0, sizeof data, &data};
    EXPECT_EQ(Frame()->SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 0);
    data.tag[0] = 's';
    EXPECT_EQ(Frame()->SendMessage(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 0);
    EXPECT_EQ(app.opened, std::vector<std::string>{"/data/run7.kel"});
    EXPECT_EQ(Shutdown(), 0);
    CIdleWatcher::DestroyInstance();
}

TEST_F(KelAppTest, TwoInstrumentWindowsTakeTurnsAsTheActiveGroup)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    CMDIChildWnd* first = frame->MDIGetActive();
    app.OnFileNew();
    UiTest::Pump(20);
    CMDIChildWnd* second = frame->MDIGetActive();
    ASSERT_NE(second, first);
    CWindowActivationManager* manager = CWindowActivationManager::Instance();
    EXPECT_EQ(manager->GetFlag(second->GetSafeHwnd()), 1);
    EXPECT_EQ(manager->GetFlag(first->GetSafeHwnd()), 0);
    frame->MDIActivate(first);
    UiTest::Pump(20);
    EXPECT_EQ(manager->GetFlag(first->GetSafeHwnd()), 1);
    EXPECT_EQ(manager->GetFlag(second->GetSafeHwnd()), 0);
    // A closed window leaves the groups.
    const HWND gone = second->GetSafeHwnd();
    second->SendMessage(WM_CLOSE);
    UiTest::Pump(20);
    EXPECT_EQ(manager->GetFlag(gone), -1);
    EXPECT_EQ(Shutdown(), 0);
    CIdleWatcher::DestroyInstance();
}

// ---- The program itself ------------------------------------------------------------------------

// Runs the kelmon executable offscreen with the given arguments and environment additions;
// the test's user-interface thread keeps serving messages meanwhile (a second start talks to it).
struct ProgramRun
{
    int status = -1;
    std::string log;
};

ProgramRun RunKelmon(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                     const std::filesystem::path& logPath, int timeoutMs = 60000)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
    {
        const std::string var = *e;
        bool replaced = false;
        for (const std::string& extra : extraEnv)
            if (var.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0)
                replaced = true;
        if (!replaced && var.rfind("QT_QPA_PLATFORM=", 0) != 0 && var.rfind("KEL_UI_SCRIPT=", 0) != 0)
            env.push_back(var);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (std::string& var : env)
        envp.push_back(var.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings{KELMON_PATH};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    ProgramRun run;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    const bool ended = UiTest::PumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    if (!ended)
    {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    else if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    std::ifstream in(logPath);
    std::stringstream text;
    text << in.rdbuf();
    run.log = text.str();
    return run;
}

TEST_F(KelAppTest, ASecondStartHandsItsDocumentToTheRunningOneAndEnds)
{
    ASSERT_TRUE(Start());
    TempDir secondSettings("kelmon-second-");
    const std::vector<std::string> env{"XDG_CONFIG_HOME=" + secondSettings.path().string(),
                                       "XDG_RUNTIME_DIR=" + runtimeDir.path().string()};
    const std::string longPath = "/data/" + std::string(294, 'k') + ".kel"; // 304 characters

    ProgramRun run = RunKelmon({"/data/run7.kel"}, env, secondSettings / "first.txt");
    EXPECT_EQ(run.status, 0) << run.log;
    run = RunKelmon({longPath}, env, secondSettings / "second.txt");
    EXPECT_EQ(run.status, 0) << run.log;
    run = RunKelmon({}, env, secondSettings / "third.txt"); // no document: only brought to the front
    EXPECT_EQ(run.status, 0) << run.log;
    UiTest::Pump(50);
    EXPECT_EQ(app.opened, (std::vector<std::string>{"/data/run7.kel", longPath.substr(0, 260)}));
    // A start that ended at the hand-over never writes the settings.
    EXPECT_FALSE(std::filesystem::exists(secondSettings / "kel" / "registry.reg"));
    EXPECT_EQ(Shutdown(), 0);
    CIdleWatcher::DestroyInstance();
}

TEST(KelmonProgram, StartsOffscreenWithANewDocumentAndEndsOnAScriptedClose)
{
    TempDir dir("kelmon-run-");
    std::filesystem::create_directories(dir / "no-ports");
    std::filesystem::create_directories(dir / "runtime");
    std::filesystem::permissions(dir / "runtime", std::filesystem::perms::owner_all);
    const std::filesystem::path script = dir / "session.txt";
    std::ofstream(script) << "# the start-up picture, the new instrument window, then close\n"
                             "answer 1 KEL start-up\n"
                             "wait 300\n"
                             "close\n";
    ProgramRun run = RunKelmon(
        {},
        {"XDG_CONFIG_HOME=" + (dir / "config").string(), "XDG_RUNTIME_DIR=" + (dir / "runtime").string(),
         "KEL_SERIAL_CLASS_DIR=" + (dir / "no-ports").string(), "KEL_UI_SCRIPT=" + script.string()},
        dir / "stderr.txt");
    EXPECT_EQ(run.status, 0) << run.log;
    EXPECT_EQ(run.log.find("Sanitizer"), std::string::npos) << run.log;
    EXPECT_EQ(run.log.find("unexpected prompt"), std::string::npos) << run.log;
    // The settings were stored at exit.
    std::ifstream store(dir / "config" / "kel" / "registry.reg");
    std::stringstream text;
    text << store.rdbuf();
    EXPECT_NE(text.str().find("Software\\ZOL\\KEL3_0\\Window"), std::string::npos);
}
} // namespace

namespace
{
// Pastes `top` onto `bottom` with its top-left corner at (x, y).
kel::testkit::Image Overlay(kel::testkit::Image bottom, const kel::testkit::Image& top, int x, int y)
{
    for (int row = 0; row < top.height; ++row)
        for (int col = 0; col < top.width; ++col)
            if (x + col >= 0 && x + col < bottom.width && y + row >= 0 && y + row < bottom.height)
                bottom.pixels[(y + row) * bottom.width + x + col] = top.pixels[row * top.width + col];
    return bottom;
}
} // namespace

TEST_F(KelAppTest, AboutOpensOverTheMainWindow)
{
    ASSERT_TRUE(Start());
    CMainFrame* frame = Frame();
    ASSERT_NE(frame, nullptr);
    frame->SetWindowPos(nullptr, 0, 0, 1000, 640, SWP_NOZORDER);
    UiTest::Pump(50);
    bool shown = false;
    prompts->Expect(IDD_ABOUTBOX)
        .Drive(
            [&](kel::testkit::DialogDriver& d)
            {
                shown = true;
                EXPECT_TRUE(::IsWindowVisible(d.Dialog()));
                EXPECT_NE(d.Item(IDC_ABOUT_LINK), nullptr);
                if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
                {
                    UiTest::Pump(50);
                    CRect box;
                    ::GetWindowRect(d.Dialog(), &box);
                    CPoint corner = box.TopLeft();
                    ::ScreenToClient(frame->GetSafeHwnd(), &corner);
                    const auto picture = Overlay(kel::testkit::CaptureWindow(frame->GetSafeHwnd()),
                                                 kel::testkit::CaptureWindow(d.Dialog()), corner.x, corner.y);
                    kel::testkit::SavePng(picture, std::string(keep) + "/kelmon_about.png");
                }
                d.Click(IDOK);
            });
    // The menu command reaches the application's handler.
    frame->SendMessage(WM_COMMAND, ID_APP_ABOUT);
    EXPECT_TRUE(shown);
}
