// CDialog over the dialog manager: the object is attached before WM_INITDIALOG, OnOK exchanges
// and validates, a failed validation keeps the dialog open on its field, and DoModal returns what
// EndDialog was given. The dialogs run for real, driven by the scripted responder.
#include "UiFixture.h"

#include "afxdlgs.h"
#include "testkit/DialogDriver.h"
#include "testkit/ScriptedPrompts.h"
#include "win32/rcdata.h"
#include "win32/resources.h"

#include <iterator>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using mfctest::UiFixture;

namespace
{

constexpr UINT IDD_COUNT = 300;
constexpr int IDC_COUNT = 1001;
constexpr int IDC_STOP = 1002; // ends the dialog with a value of its own

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

const kel::rc::Control kControls[] = {
    {"KelDlgFake", {"", 0}, IDC_COUNT, kChild | WS_GROUP, 0, 7, 7, 60, 12, 0},
    {"KelDlgFake", {"Stop", 0}, IDC_STOP, kChild, 0, 7, 24, 50, 14, 0},
    {"KelDlgFake", {"OK", 0}, IDOK, kChild, 0, 70, 7, 50, 14, 0},
    {"KelDlgFake", {"Cancel", 0}, IDCANCEL, kChild, 0, 70, 24, 50, 14, 0},
};

const kel::rc::Dialog kDialogs[] = {{
    {nullptr, IDD_COUNT},
    DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    0,
    10,
    10,
    130,
    45,
    "Count",
    true,
    {8, "MS Shell Dlg", 400, 0, 1},
    {"", 0},
    {"", 0},
    0,
    false,
    kControls,
    std::size(kControls),
}};

const kel::rc::Module kModule = {
    "mfcdialogtest", false, kDialogs, std::size(kDialogs), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
    nullptr,         0};

// A dialog exchanging one bounded number; records what it saw of its own window.
class CCountDlg : public CDialog
{
public:
    CCountDlg() : CDialog(IDD_COUNT) {}

    int m_count = 5;
    bool m_attachedAtInit = false;
    bool m_fontBeforeInit = false; // WM_SETFONT came through the map before WM_INITDIALOG
    bool m_initDone = false;
    bool* m_deleted = nullptr; // modeless: set when PostNcDestroy deleted the object

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_COUNT, m_count);
        DDV_MinMaxInt(pDX, m_count, 1, 10);
    }

    BOOL OnInitDialog() override
    {
        m_attachedAtInit = m_hWnd != nullptr && CWnd::FromHandlePermanent(m_hWnd) == this;
        m_initDone = true;
        return CDialog::OnInitDialog();
    }

    LRESULT OnSetFont(WPARAM, LPARAM)
    {
        if (!m_initDone)
            m_fontBeforeInit = true;
        return Default();
    }

    void OnStop() { EndDialog(4711); }

    void PostNcDestroy() override
    {
        if (m_deleted != nullptr)
        {
            *m_deleted = true;
            delete this;
        }
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCountDlg, CDialog)
ON_MESSAGE(WM_SETFONT, OnSetFont)
ON_BN_CLICKED(IDC_STOP, OnStop)
END_MESSAGE_MAP()

class DialogClassTest : public UiFixture
{
protected:
    void SetUp() override
    {
        UiFixture::SetUp();
        // The fake control, visible to the dialog module's windows too.
        WNDCLASS wc{};
        ASSERT_TRUE(::GetClassInfo(nullptr, mfctest::kFakeClass, &wc));
        wc.style |= CS_GLOBALCLASS;
        wc.lpszClassName = "KelDlgFake";
        ASSERT_NE(::RegisterClass(&wc), 0);
        ASSERT_TRUE(kel::rc::RegisterModule(&kModule));
        m_previous = AfxGetResourceHandle();
        AfxSetResourceHandle(::GetModuleHandle("mfcdialogtest"));
        ASSERT_NE(AfxGetResourceHandle(), nullptr);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(m_previous);
        kel::rc::UnregisterModule(&kModule);
        UiFixture::TearDown();
        ::UnregisterClass("KelDlgFake", nullptr);
    }

    HINSTANCE m_previous = nullptr;
};

TEST_F(DialogClassTest, AttachedBeforeInitDialogAndOkReturnsTheValues)
{
    ScriptedPrompts prompts;
    std::string shown;
    int focused = 0;
    prompts.Expect(IDD_COUNT).Drive(
        [&](DialogDriver& d)
        {
            shown = d.GetText(IDC_COUNT);
            focused = d.FocusedId();
            d.SetText(IDC_COUNT, "7");
            d.Click(IDOK);
        });
    CCountDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(dlg.m_attachedAtInit);
    EXPECT_TRUE(dlg.m_fontBeforeInit) << "the map sees the messages that come before WM_INITDIALOG";
    EXPECT_EQ(shown, "5") << "OnInitDialog loads the members into the controls";
    EXPECT_EQ(focused, IDC_COUNT);
    EXPECT_EQ(dlg.m_count, 7);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(prompts.Prompts().size(), 1u);
}

TEST_F(DialogClassTest, FailedValidationKeepsTheDialogOpenOnTheField)
{
    ScriptedPrompts prompts;
    auto& box = prompts.Expect("Please enter an integer between 1 and 10.", kel::PromptKind::MessageBox);
    bool openAfterFailure = false;
    int focusAfterFailure = 0;
    prompts.Expect(IDD_COUNT).Drive(
        [&](DialogDriver& d)
        {
            d.SetText(IDC_COUNT, "42");
            d.Click(IDOK);
            openAfterFailure = d.IsOpen();
            focusAfterFailure = d.FocusedId();
            d.SetText(IDC_COUNT, "3");
            d.Click(IDOK);
        });
    CCountDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(box.Calls(), 1);
    EXPECT_TRUE(openAfterFailure);
    EXPECT_EQ(focusAfterFailure, IDC_COUNT);
    EXPECT_EQ(mfctest::FakeLastSel(), std::make_pair(WPARAM(0), LPARAM(-1))) << "the bad text is selected";
    EXPECT_EQ(dlg.m_count, 3);
}

TEST_F(DialogClassTest, DoModalReturnsWhatEndDialogWasGiven)
{
    struct Case
    {
        const char* name;
        void (*act)(DialogDriver&);
        INT_PTR result;
        int count; // the member after the dialog: only OK stores
    };
    const Case cases[] = {
        {"cancel", [](DialogDriver& d) { d.Click(IDCANCEL); }, IDCANCEL, 5},
        {"escape", [](DialogDriver& d) { d.Press(VK_ESCAPE); }, IDCANCEL, 5},
        {"own button", [](DialogDriver& d) { d.Click(IDC_STOP); }, 4711, 5},
        {"enter", [](DialogDriver& d) { d.Press(VK_RETURN); }, IDOK, 9},
    };
    CCountDlg dlg; // one object, run again and again
    for (const Case& c : cases)
    {
        ScriptedPrompts prompts;
        prompts.Expect(IDD_COUNT).Drive(
            [&](DialogDriver& d)
            {
                d.SetText(IDC_COUNT, "9");
                c.act(d);
            });
        dlg.m_count = 5;
        EXPECT_EQ(dlg.DoModal(), c.result) << c.name;
        EXPECT_EQ(dlg.m_count, c.count) << c.name;
        EXPECT_EQ(dlg.m_hWnd, nullptr) << c.name;
    }
}

TEST_F(DialogClassTest, ModelessDialogMayDeleteItselfAfterItsWindow)
{
    bool deleted = false;
    auto* dlg = new CCountDlg;
    dlg->m_deleted = &deleted;
    ASSERT_TRUE(dlg->Create(IDD_COUNT));
    EXPECT_TRUE(dlg->m_attachedAtInit);
    HWND hWnd = dlg->m_hWnd;
    ASSERT_TRUE(::IsWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), dlg);
    ::DestroyWindow(hWnd); // the object goes in PostNcDestroy; nothing may touch it after
    EXPECT_TRUE(deleted);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

} // namespace
