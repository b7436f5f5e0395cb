// The scan dialogs' base classes on live windows: notices to the main window, placement,
// collapsing by the caption icon, closing, and a docked sub-dialog.
#include "KelMessages.h"
#include "dialogs/BaseParameterDlg.h"
#include "dialogs/BaseScheduleDlg.h"
#include "foundation/AppUiState.h"
#include "settings/AppSettings.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "win32/uidriver.h"
#include "win32/userdialog.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

constexpr UINT IDD_TEST_PARAM = 9001;
constexpr UINT IDD_TEST_SCHEDULE = 9002;
constexpr int IDC_TEST_VALUE = 9101;

std::vector<UINT> g_notices;

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg >= WM_KEL_STARTREPEATTIMER && msg <= WM_KEL_CHANNELSCHANGED)
    {
        g_notices.push_back(msg);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

// A parameter dialog following the derived dialogs' protocol, with one value in 1..10.
class CTestParamDlg : public CBaseParameterDlg
{
public:
    CTestParamDlg() : CBaseParameterDlg(IDD_TEST_PARAM) {}

    int m_value = 5;
    std::vector<std::vector<int32_t>> m_received;

    void OnParamMessage(CParamMessage* pMessage) override
    {
        const int32_t* w = pMessage->GetData();
        m_received.push_back(w ? std::vector<int32_t>(w, w + 4) : std::vector<int32_t>{});
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_TEST_VALUE, m_value);
        DDV_MinMaxInt(pDX, m_value, 1, 10);
    }
    void OnOK() override
    {
        if (!UpdateData(TRUE))
            return;
        m_params[0] = m_value;
        m_params[1] = 1;
        CParamMessageHub::Instance()->Notify(this);
        NotifyParametersChanged();
    }
    void OnClose()
    {
        SavePlacement();
        NotifyClosed();
        EnableControls(TRUE);
        CBaseParameterDlg::OnClose();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestParamDlg, CBaseParameterDlg)
ON_WM_CLOSE()
END_MESSAGE_MAP()

class CTestScheduleDlg : public CBaseScheduleDlg
{
public:
    CTestScheduleDlg() : CBaseScheduleDlg(IDD_TEST_SCHEDULE) {}
    void OnOK() override
    {
        if (UpdateData(TRUE))
            NotifyScheduleChanged();
    }
};

class BaseDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_notices.clear();
        kel::ui::SetSystemMetricForTests(SM_CXFULLSCREEN, 1000);
        kel::ui::SetSystemMetricForTests(SM_CYFULLSCREEN, 700);
        m_oldResources = AfxGetResourceHandle();
        AfxSetResourceHandle(GetModuleHandle("kelmontestdlg"));
        WNDCLASS wc{};
        wc.lpfnWndProc = MainProc;
        wc.lpszClassName = "KelTestMain";
        RegisterClass(&wc);
        m_main = CreateWindowEx(0, "KelTestMain", "Main", WS_OVERLAPPEDWINDOW, 100, 80, 600, 400, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(m_main, nullptr);
        kel::basedlg::SetMainWindow(m_main);
        CBaseParameterDlg::s_placement = {};
        CBaseScheduleDlg::s_placement = {};
    }
    void TearDown() override
    {
        kel::basedlg::SetMainWindow(nullptr);
        DestroyWindow(m_main);
        AfxSetResourceHandle(m_oldResources);
        CParamMessageHub::Destroy();
        CAppUiState::DestroyInstance();
        kel::ui::ResetSystemMetricsForTests();
        UiTest::TearDown();
    }

    static CRect WindowRect(const CWnd& wnd)
    {
        CRect rc;
        wnd.GetWindowRect(&rc);
        return rc;
    }
    // A modeless dialog with its window, parented to the main window as the owners create them.
    template <class Dlg> void Open(Dlg& dlg)
    {
        ASSERT_TRUE(dlg.Create(dlg.m_nTemplateId, nullptr));
        dlg.ShowWindow(SW_SHOW);
    }
    // A click at the middle of the caption's left or right half, as the caption reports it.
    static LPARAM CaptionPoint(const CWnd& wnd, bool left)
    {
        const CRect rc = WindowRect(wnd);
        const int x = left ? rc.left + 4 : rc.right - 4;
        return MAKELPARAM(x, rc.top + 2);
    }

    HWND m_main = nullptr;
    HINSTANCE m_oldResources = nullptr;
};

TEST_F(BaseDlgTest, ApplyPostsParametersChangedThenRefreshSchedule)
{
    CTestParamDlg dlg;
    Open(dlg);
    dlg.SendMessage(WM_COMMAND, IDOK);
    ASSERT_TRUE(PumpUntil([] { return g_notices.size() >= 2; }));
    Pump();
    EXPECT_EQ(g_notices, (std::vector<UINT>{WM_APP + 16, WM_APP + 20}));

    CTestScheduleDlg sched;
    Open(sched);
    g_notices.clear();
    sched.SendMessage(WM_COMMAND, IDOK);
    ASSERT_TRUE(PumpUntil([] { return !g_notices.empty(); }));
    EXPECT_EQ(g_notices, (std::vector<UINT>{WM_APP + 18}));
}

TEST_F(BaseDlgTest, NoMainWindowPostsNothing)
{
    CTestParamDlg dlg;
    Open(dlg);
    kel::basedlg::SetMainWindow(nullptr);
    dlg.SendMessage(WM_COMMAND, IDOK);
    dlg.NotifyClosed();
    Pump(50);
    EXPECT_TRUE(g_notices.empty());
}

TEST_F(BaseDlgTest, RestorePlacementFallsBackToTheParentEdgePerAxis)
{
    // Main window at (100, 80); full screen 1000 x 700.
    struct Case
    {
        int32_t x, y;
        int left, top;
    } cases[] = {
        {30, 40, 130, 120},   // on screen
        {-150, 40, 100, 120}, // left below 0
        {950, 40, 100, 120},  // left beyond the full-screen width
        {30, -100, 130, 80},  // top below 0
        {30, 650, 130, 80},   // top beyond the full-screen height
        {-150, 650, 100, 80}, // both
    };
    CTestParamDlg dlg;
    Open(dlg);
    for (const Case& c : cases)
    {
        CBaseParameterDlg::s_placement = {c.x, c.y, 1};
        dlg.RestorePlacement();
        const CRect rc = WindowRect(dlg);
        EXPECT_EQ(rc.left, c.left) << c.x << "," << c.y;
        EXPECT_EQ(rc.top, c.top) << c.x << "," << c.y;
    }
}

TEST_F(BaseDlgTest, SavePlacementRecordsOffsetAndStatePerKind)
{
    CTestParamDlg dlg;
    Open(dlg);
    dlg.MoveWindow(160, 110, WindowRect(dlg).Width(), WindowRect(dlg).Height());
    dlg.m_bExpanded = FALSE;
    dlg.SavePlacement();
    EXPECT_EQ(CBaseParameterDlg::s_placement.x, 60);
    EXPECT_EQ(CBaseParameterDlg::s_placement.y, 30);
    EXPECT_EQ(CBaseParameterDlg::s_placement.expanded, 0);
    EXPECT_EQ(CBaseScheduleDlg::s_placement.x, 0) << "the schedule record is separate";

    // The next dialog of the kind opens where the last one was saved, collapsed.
    CTestParamDlg next;
    Open(next);
    next.RestorePlacement();
    EXPECT_EQ(WindowRect(next).TopLeft(), CPoint(160, 110));
    EXPECT_FALSE(next.m_bExpanded);
    EXPECT_EQ(WindowRect(next).Height(), next.m_nCollapsedHeight);
}

TEST_F(BaseDlgTest, CaptionIconTogglesCollapsedAndExpanded)
{
    CTestParamDlg dlg;
    Open(dlg);
    ASSERT_GT(dlg.m_nFullHeight, 0);
    const int width = WindowRect(dlg).Width();

    dlg.SendMessage(WM_SYSCOMMAND, SC_MOUSEMENU, CaptionPoint(dlg, true));
    EXPECT_FALSE(dlg.m_bExpanded);
    EXPECT_EQ(WindowRect(dlg).Height(), dlg.m_nCollapsedHeight);
    EXPECT_EQ(WindowRect(dlg).Width(), width);
    EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_GETICON, ICON_BIG)), dlg.m_hIconCollapsed);
    EXPECT_TRUE(dlg.IsWindowVisible()) << "a click on the icon never closes";

    dlg.SendMessage(WM_SYSCOMMAND, SC_MOUSEMENU | 2, CaptionPoint(dlg, true)); // low bits are ignored
    EXPECT_TRUE(dlg.m_bExpanded);
    EXPECT_EQ(WindowRect(dlg).Height(), dlg.m_nFullHeight);
    EXPECT_EQ(reinterpret_cast<HICON>(dlg.SendMessage(WM_GETICON, ICON_BIG)), dlg.m_hIconExpanded);

    CTestScheduleDlg sched;
    Open(sched);
    sched.SendMessage(WM_SYSCOMMAND, SC_DEFAULT, CaptionPoint(sched, true));
    EXPECT_FALSE(sched.m_bExpanded);
    EXPECT_EQ(WindowRect(sched).Height(), sched.m_nCollapsedHeight);
}

TEST_F(BaseDlgTest, CloseFromKeyboardOrCloseBoxClosesInsteadOfCollapsing)
{
    // lParam 0 (keyboard, system menu, the layer's close box) and a point in the right half.
    for (bool keyboard : {true, false})
    {
        CTestParamDlg dlg;
        Open(dlg);
        ASSERT_TRUE(dlg.IsWindowVisible());
        g_notices.clear();
        dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, keyboard ? 0 : CaptionPoint(dlg, false));
        EXPECT_TRUE(dlg.m_bExpanded) << keyboard;
        ASSERT_TRUE(PumpUntil([] { return !g_notices.empty(); }));
        EXPECT_EQ(g_notices.front(), static_cast<UINT>(WM_KEL_PARAMDLGCLOSED));
        // Ended like a modeless dialog ends: hidden, its window kept for the owner to destroy.
        EXPECT_TRUE(PumpUntil([&] { return !dlg.IsWindowVisible(); })) << keyboard;
        EXPECT_TRUE(::IsWindow(dlg.GetSafeHwnd())) << keyboard;
    }
}

TEST_F(BaseDlgTest, CloseWithAnInvalidEntryStaysOpen)
{
    kel::testkit::ScriptedPrompts prompts;
    auto& box = prompts.Expect("between").Reply(IDOK);
    CTestParamDlg dlg;
    Open(dlg);
    dlg.SetDlgItemText(IDC_TEST_VALUE, "42");
    dlg.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(box.Calls(), 1);
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_TRUE(dlg.m_bExpanded);
    Pump();
    EXPECT_TRUE(g_notices.empty());
}

TEST_F(BaseDlgTest, CaptionSuffixIsAppendedInParentheses)
{
    CTestParamDlg dlg;
    dlg.m_strCaptionSuffix = "Analog";
    Open(dlg);
    CString caption;
    dlg.GetWindowText(caption);
    EXPECT_STREQ(caption, "Test Parameters(Analog)");
}

TEST_F(BaseDlgTest, DockedSubDialogMovesCollapsesAndReceivesAppliesOnce)
{
    CAppUiState::GetInstance()->m_bParamDlgShown = 1;
    CBaseParameterDlg::s_placement = {20, 30, 1};
    CTestParamDlg upper;
    auto lower = std::make_unique<CTestParamDlg>();
    CBaseParameterDlg::DockSubDialog(&upper, lower.get());
    CBaseParameterDlg::DockSubDialog(&upper, lower.get()); // docking again registers nothing new
    ASSERT_TRUE(upper.GetSafeHwnd() && lower->GetSafeHwnd());

    EXPECT_EQ(lower->GetOwningDialog(), &upper);
    EXPECT_EQ(lower->GetStyle() & (WS_CAPTION | WS_SYSMENU), 0u);
    EXPECT_EQ(WindowRect(upper).TopLeft(), CPoint(120, 110));
    EXPECT_EQ(WindowRect(*lower).TopLeft(), CPoint(120, 110 + upper.m_nFullHeight));
    EXPECT_TRUE(lower->IsWindowVisible());
    EXPECT_EQ(CParamMessageHub::Instance()->GetSinkCount(&upper), 1);

    // Applying the upper dialog reaches the lower one, once.
    upper.SetDlgItemText(IDC_TEST_VALUE, "7");
    upper.SendMessage(WM_COMMAND, IDOK);
    ASSERT_EQ(lower->m_received.size(), 1u);
    EXPECT_EQ(lower->m_received[0], (std::vector<int32_t>{7, 1, 0, 0}));

    // Moving the upper dialog drags the lower one; collapsing hides it.
    upper.MoveWindow(200, 150, WindowRect(upper).Width(), WindowRect(upper).Height());
    EXPECT_EQ(WindowRect(*lower).TopLeft(), CPoint(200, 150 + upper.m_nFullHeight));
    upper.SendMessage(WM_SYSCOMMAND, SC_MOUSEMENU, CaptionPoint(upper, true));
    EXPECT_FALSE(lower->IsWindowVisible());
    EXPECT_FALSE(lower->m_bExpanded);

    // The docked dialog never writes the placement record.
    const CDlgPlacement before = CBaseParameterDlg::s_placement;
    lower->SavePlacement();
    EXPECT_EQ(CBaseParameterDlg::s_placement.x, before.x);
    EXPECT_EQ(CBaseParameterDlg::s_placement.y, before.y);

    // A lower dialog that goes leaves no sink behind and no pointer in the upper one.
    lower.reset();
    EXPECT_EQ(CParamMessageHub::Instance()->GetSinkCount(&upper), 0);
    EXPECT_EQ(upper.GetSubDialog(), nullptr);
    upper.SendMessage(WM_COMMAND, IDOK);
}

TEST_F(BaseDlgTest, DestroyingTheUpperWindowDropsItsPairs)
{
    CAppUiState::GetInstance()->m_bParamDlgShown = 0;
    CTestParamDlg upper, lower;
    CBaseParameterDlg::DockSubDialog(&upper, &lower);
    EXPECT_FALSE(upper.IsWindowVisible());
    EXPECT_EQ(CParamMessageHub::Instance()->GetSinkCount(&upper), 1);
    upper.DestroyWindow();
    EXPECT_EQ(CParamMessageHub::Instance()->GetSinkCount(&upper), 0);
}

TEST_F(BaseDlgTest, SettingsPlacementsAreBroughtOnScreen)
{
    CAppSettings& s = *CAppSettings::GetInstance();
    s.m_paramDlgLeft = -5;
    s.m_paramDlgTop = 300;
    s.m_paramDlgState = 0;
    s.m_scheduleDlgLeft = 400;
    s.m_scheduleDlgTop = 701;
    s.m_scheduleDlgState = 1;
    LoadDialogPlacements(s);
    EXPECT_EQ(CBaseParameterDlg::s_placement.x, 0);
    EXPECT_EQ(CBaseParameterDlg::s_placement.y, 300);
    EXPECT_EQ(CBaseParameterDlg::s_placement.expanded, 0);
    EXPECT_EQ(CBaseScheduleDlg::s_placement.x, 400);
    EXPECT_EQ(CBaseScheduleDlg::s_placement.y, 0);

    CBaseScheduleDlg::s_placement = {11, 22, 0};
    StoreDialogPlacements(s);
    EXPECT_EQ(s.m_scheduleDlgLeft, 11);
    EXPECT_EQ(s.m_scheduleDlgTop, 22);
    EXPECT_EQ(s.m_scheduleDlgState, 0);
    EXPECT_EQ(s.m_paramDlgLeft, 0);
    CAppSettings::DestroyInstance();
}

} // namespace
