#include "UiFixture.h"

#include <vector>

using mfctest::UiFixture;

namespace
{

UINT g_registered = ::RegisterWindowMessage("KelMsgMapTest");

class CBaseWnd : public CWnd
{
public:
    std::vector<std::string> calls;

protected:
    LRESULT OnApp1(WPARAM wParam, LPARAM lParam)
    {
        calls.push_back("base app1");
        return static_cast<LRESULT>(wParam + lParam);
    }
    void OnCmd100() { calls.push_back("base 100"); }
    void OnCmd101() { calls.push_back("base 101"); }
    void OnRange(UINT nID) { calls.push_back("range " + std::to_string(nID)); }
    void OnUpdate100(CCmdUI* pCmdUI) { pCmdUI->Enable(m_enable100); }
    void OnTimer(UINT_PTR nIDEvent) { calls.push_back("timer " + std::to_string(nIDEvent)); }

public:
    BOOL m_enable100 = TRUE;

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_MESSAGE(WM_APP + 1, OnApp1)
ON_COMMAND(100, OnCmd100)
ON_COMMAND(101, OnCmd101)
ON_COMMAND_RANGE(200, 205, OnRange)
ON_UPDATE_COMMAND_UI(100, OnUpdate100)
ON_WM_TIMER()
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd
{
protected:
    void OnCmd100Derived() { calls.push_back("derived 100"); }
    BOOL OnCmdEx(UINT nID)
    {
        calls.push_back("ex " + std::to_string(nID));
        return nID == 300;
    }
    LRESULT OnRegistered(WPARAM, LPARAM) { return 7; }
    void OnNotifyClick(NMHDR* pNMHDR, LRESULT* pResult)
    {
        calls.push_back("click from " + std::to_string(pNMHDR->idFrom));
        *pResult = 99;
    }
    void OnUpdateRange(CCmdUI* pCmdUI) { pCmdUI->SetCheck(pCmdUI->m_nID == 202); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_COMMAND(100, OnCmd100Derived)
ON_COMMAND_EX(300, OnCmdEx)
ON_COMMAND_EX(301, OnCmdEx)
ON_REGISTERED_MESSAGE(g_registered, OnRegistered)
ON_NOTIFY(NM_CLICK, 7, OnNotifyClick)
ON_UPDATE_COMMAND_UI_RANGE(200, 205, OnUpdateRange)
END_MESSAGE_MAP()

// Records what an update handler asked for.
class CRecordingCmdUI : public CCmdUI
{
public:
    int enabled = -1;
    int checked = -1;
    void Enable(BOOL bOn) override
    {
        enabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int nCheck) override { checked = nCheck; }
};

class MsgMapTest : public UiFixture
{
};

TEST_F(MsgMapTest, WindowMessagesReachTheNearestHandlerUpTheChain)
{
    CDerivedWnd wnd;
    CreateTop(wnd);
    EXPECT_EQ(::SendMessage(wnd.m_hWnd, WM_APP + 1, 2, 3), 5);
    EXPECT_EQ(::SendMessage(wnd.m_hWnd, g_registered, 0, 0), 7);
    ::SendMessage(wnd.m_hWnd, WM_TIMER, 12, 0);
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"base app1", "timer 12"}));
}

TEST_F(MsgMapTest, CommandsRouteByIdWithDerivedEntriesFirst)
{
    CDerivedWnd wnd;
    CreateTop(wnd);
    struct Case
    {
        UINT id;
        const char* expected; // nullptr: nobody handles it
    };
    const Case cases[] = {{100, "derived 100"}, {101, "base 101"}, {200, "range 200"},
                          {205, "range 205"},   {206, nullptr},    {99, nullptr}};
    for (const Case& c : cases)
    {
        wnd.calls.clear();
        ::SendMessage(wnd.m_hWnd, WM_COMMAND, MAKEWPARAM(c.id, 0), 0);
        if (c.expected == nullptr)
            EXPECT_TRUE(wnd.calls.empty()) << c.id;
        else
            EXPECT_EQ(wnd.calls, std::vector<std::string>{c.expected}) << c.id;
    }
}

TEST_F(MsgMapTest, CommandExReportsWhetherItTookTheCommand)
{
    CDerivedWnd wnd;
    EXPECT_TRUE(wnd.OnCmdMsg(300, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(wnd.OnCmdMsg(301, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"ex 300", "ex 301"}));

    AFX_CMDHANDLERINFO info;
    EXPECT_TRUE(wnd.OnCmdMsg(101, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &wnd);
    EXPECT_EQ(wnd.calls.size(), 2u) << "a handler lookup must not run the handler";
}

TEST_F(MsgMapTest, UpdateHandlersAndTheDisableRule)
{
    CDerivedWnd wnd;
    CRecordingCmdUI ui;
    ui.m_nID = 100;
    wnd.m_enable100 = FALSE;
    EXPECT_TRUE(ui.DoUpdate(&wnd, TRUE));
    EXPECT_EQ(ui.enabled, FALSE);

    // A range handler sees which id it serves.
    CRecordingCmdUI ranged;
    ranged.m_nID = 202;
    EXPECT_TRUE(ranged.DoUpdate(&wnd, TRUE));
    EXPECT_EQ(ranged.checked, 1);
    // It did not touch the enable state, but a command handler exists: stays enabled.
    EXPECT_EQ(ranged.enabled, -1);

    // No update handler and no command handler: disabled when asked to.
    CRecordingCmdUI orphan;
    orphan.m_nID = 555;
    EXPECT_FALSE(orphan.DoUpdate(&wnd, TRUE));
    EXPECT_EQ(orphan.enabled, FALSE);
    CRecordingCmdUI kept;
    kept.m_nID = 555;
    kept.DoUpdate(&wnd, FALSE);
    EXPECT_EQ(kept.enabled, -1);
}

TEST_F(MsgMapTest, DisabledMenuCommandIsNotRun)
{
    CDerivedWnd wnd;
    CreateTop(wnd);
    wnd.m_enable100 = FALSE;
    ::SendMessage(wnd.m_hWnd, WM_COMMAND, MAKEWPARAM(100, 0), 0);
    EXPECT_TRUE(wnd.calls.empty());
    wnd.m_enable100 = TRUE;
    ::SendMessage(wnd.m_hWnd, WM_COMMAND, MAKEWPARAM(100, 0), 0);
    EXPECT_EQ(wnd.calls, std::vector<std::string>{"derived 100"});
}

TEST_F(MsgMapTest, NotificationsCarryTheirHeaderAndResult)
{
    CDerivedWnd wnd;
    CreateTop(wnd);
    HWND hChild = CreateFake(wnd.m_hWnd, 7);
    NMHDR hdr{hChild, 7, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(::SendMessage(wnd.m_hWnd, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&hdr)), 99);
    hdr.code = static_cast<UINT>(NM_DBLCLK);
    EXPECT_EQ(::SendMessage(wnd.m_hWnd, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&hdr)), 0);
    EXPECT_EQ(wnd.calls, std::vector<std::string>{"click from 7"});
}

// A control that handles its own notifications first; the _EX form lets the parent see it too.
class CReflectingButton : public CButton
{
public:
    int clicked = 0;
    int changed = 0;

protected:
    void OnClicked() { ++clicked; }
    BOOL OnChanged()
    {
        ++changed;
        return FALSE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CButton)
ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
ON_CONTROL_REFLECT_EX(EN_CHANGE, OnChanged)
END_MESSAGE_MAP()

class CParentWnd : public CWnd
{
public:
    int clicked = 0;
    int changed = 0;

protected:
    void OnClicked() { ++clicked; }
    void OnChanged() { ++changed; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentWnd, CWnd)
ON_BN_CLICKED(8, OnClicked)
ON_EN_CHANGE(8, OnChanged)
END_MESSAGE_MAP()

TEST_F(MsgMapTest, ReflectedNotificationsGoToTheControlFirst)
{
    CParentWnd parent;
    CreateTop(parent);
    CReflectingButton button;
    ASSERT_TRUE(button.SubclassWindow(CreateFake(parent.m_hWnd, 8)));
    ::SendMessage(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(8, BN_CLICKED),
                  reinterpret_cast<LPARAM>(button.m_hWnd));
    ::SendMessage(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(8, EN_CHANGE),
                  reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_EQ(button.clicked, 1);
    EXPECT_EQ(parent.clicked, 0);
    EXPECT_EQ(button.changed, 1);
    EXPECT_EQ(parent.changed, 1);
}

// Owner-draw requests reach the control's DrawItem even when the parent has no handler.
class COwnerDrawButton : public CButton
{
public:
    UINT drawnId = 0;
    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override { drawnId = lpDIS->CtlID; }
};

TEST_F(MsgMapTest, DrawItemIsReflectedToTheControl)
{
    CWnd parent;
    CreateTop(parent);
    COwnerDrawButton button;
    ASSERT_TRUE(button.SubclassWindow(CreateFake(parent.m_hWnd, 9, BS_OWNERDRAW)));
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = 9;
    dis.hwndItem = button.m_hWnd;
    EXPECT_EQ(::SendMessage(parent.m_hWnd, WM_DRAWITEM, 9, reinterpret_cast<LPARAM>(&dis)), TRUE);
    EXPECT_EQ(button.drawnId, 9u);
}

} // namespace
