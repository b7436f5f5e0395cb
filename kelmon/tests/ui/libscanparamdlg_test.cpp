// The library's scan parameter dialog: opened with the library display's mass range, Apply checking
// the fields and telling the main window, the library taking the new range, greying, hiding and
// destroying.
#include "KelMessages.h"
#include "analysis/Library.h"
#include "analysis/LibScanParameterDlg.h"
#include "doc/AnalogData.h"
#include "foundation/AppUiState.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>
#include "windows.h"

#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

std::vector<UINT> g_notices;

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEL_PARAMSCHANGED)
        g_notices.push_back(msg);
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

class LibScanParameterDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_notices.clear();
        WNDCLASS wc{};
        wc.lpfnWndProc = MainProc;
        wc.lpszClassName = "KelLibTestMain";
        RegisterClass(&wc);
        m_main = CreateWindowEx(0, "KelLibTestMain", "Main", WS_OVERLAPPEDWINDOW, 100, 80, 600, 400, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(m_main, nullptr);
        kel::basedlg::SetMainWindow(m_main);
        m_range.m_startMass = 1;
        m_range.m_stopMass = 50;
        m_range.m_pointCount = 50;
        CAppUiState::GetInstance()->m_bParamDlgShown = 1;
    }
    void TearDown() override
    {
        m_library.DestroyParameterDlg();
        kel::basedlg::SetMainWindow(nullptr);
        DestroyWindow(m_main);
        CAppUiState::GetInstance()->m_bParamDlgShown = 0;
        UiTest::TearDown();
    }
    CLibScanParameterDlg* Dlg() const
    {
        return static_cast<CLibScanParameterDlg*>(m_library.GetParameterDlg());
    }

    HWND m_main = nullptr;
    CAnalogData m_range;
    CLibrary m_library{&m_range};
};

TEST_F(LibScanParameterDlgTest, OpensWithTheDisplaysRangeAndApplyHandsTheLibraryANewOne)
{
    m_library.OpenParameterDlg();
    ASSERT_NE(Dlg(), nullptr);
    ASSERT_TRUE(::IsWindow(Dlg()->m_hWnd));
    EXPECT_TRUE(::IsWindowVisible(Dlg()->m_hWnd));
    DialogDriver d(Dlg()->m_hWnd);
    EXPECT_EQ(d.GetText(IDC_LIB_START_MASS), "1");
    EXPECT_EQ(d.GetText(IDC_LIB_STOP_MASS), "50");

    // Out of 1..300: refused on the field, nothing changes.
    ScriptedPrompts prompts;
    prompts.Expect("Please enter an integer between 1 and 300.").Reply(IDOK);
    d.SetText(IDC_LIB_STOP_MASS, "301");
    d.Click(IDOK);
    Pump();
    EXPECT_TRUE(g_notices.empty());
    EXPECT_EQ(m_range.m_stopMass, 50);

    // The whole library: the 300 bar values exactly.
    d.SetText(IDC_LIB_STOP_MASS, "300");
    d.Click(IDOK);
    EXPECT_TRUE(PumpUntil([] { return !g_notices.empty(); }));
    EXPECT_TRUE(m_library.ApplyScanParameters());
    EXPECT_EQ(m_range.m_startMass, 1);
    EXPECT_EQ(m_range.m_stopMass, 300);
    EXPECT_EQ(m_range.m_pointCount, 300);
}

TEST_F(LibScanParameterDlgTest, GreyingHidingShowingAndDestroying)
{
    CAppUiState::GetInstance()->m_bParamDlgShown = 0;
    m_library.OpenParameterDlg();
    ASSERT_NE(Dlg(), nullptr);
    HWND hwnd = Dlg()->m_hWnd;
    EXPECT_FALSE(::IsWindowVisible(hwnd)) << "parameter dialogs are hidden in the program";
    m_library.ActivateParameterDlg(SW_SHOW);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(Dlg()->m_hWnd, hwnd) << "one window, made once";

    Dlg()->EnableControls(FALSE);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hwnd, IDC_LIB_START_MASS)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hwnd, IDOK)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(hwnd, ID_HELP)));
    Dlg()->EnableControls(TRUE);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(hwnd, IDC_LIB_START_MASS)));

    RECT main{};
    ::GetWindowRect(m_main, &main);
    ::SetWindowPos(hwnd, nullptr, main.left + 60, main.top + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    m_library.HideParameterDlg();
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_EQ(CBaseParameterDlg::s_placement.x, 60) << "the placement is kept from the main window";
    m_library.ShowParameterDlg(SW_SHOW);
    EXPECT_TRUE(::IsWindowVisible(hwnd));

    m_library.DestroyParameterDlg();
    EXPECT_EQ(Dlg(), nullptr);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_FALSE(m_library.ApplyScanParameters()) << "no dialog, nothing to take";
    m_library.ShowParameterDlg(SW_SHOW); // nothing to show
}

} // namespace
