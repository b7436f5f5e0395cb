#include "UiFixture.h"

#include <vector>

using mfctest::FakeLog;
using mfctest::UiFixture;

namespace
{

// Watches what reaches the object while its window is made and destroyed.
class CWatchedWnd : public CWnd
{
public:
    std::vector<UINT> seen;
    bool attachedInCreate = false;
    int createResult = 0;
    int* pPostNcDestroyCount = nullptr;
    bool deleteSelf = false;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back(message);
        return CWnd::WindowProc(message, wParam, lParam);
    }

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct)
    {
        attachedInCreate = m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this;
        if (createResult != 0)
            return createResult;
        return CWnd::OnCreate(lpCreateStruct);
    }
    void PostNcDestroy() override
    {
        if (pPostNcDestroyCount != nullptr)
            ++*pPostNcDestroyCount;
        if (deleteSelf)
            delete this;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CWatchedWnd, CWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

class WndTest : public UiFixture
{
};

TEST_F(WndTest, ObjectIsAttachedBeforeTheFirstCreationMessage)
{
    CWatchedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "w", WS_OVERLAPPEDWINDOW, 0, 0, 100, 80, nullptr, nullptr));
    EXPECT_TRUE(wnd.attachedInCreate);
    ASSERT_FALSE(wnd.seen.empty());
    // Nothing before WM_NCCREATE escaped the object (a top-level may get WM_GETMINMAXINFO first).
    auto ncCreate = std::find(wnd.seen.begin(), wnd.seen.end(), static_cast<UINT>(WM_NCCREATE));
    ASSERT_NE(ncCreate, wnd.seen.end());
    EXPECT_TRUE(ncCreate == wnd.seen.begin() || wnd.seen.front() == WM_GETMINMAXINFO);
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
}

TEST_F(WndTest, AProgramClassWithTheDefaultProcedureStillReachesTheObject)
{
    WNDCLASS wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = "WndTestOwnClass";
    ASSERT_TRUE(AfxRegisterClass(&wc));
    EXPECT_TRUE(AfxRegisterClass(&wc)); // already there: still TRUE
    WNDCLASS none{};
    EXPECT_FALSE(AfxRegisterClass(&none));

    CWatchedWnd wnd;
    ASSERT_TRUE(
        wnd.CreateEx(0, "WndTestOwnClass", "w", WS_OVERLAPPEDWINDOW, 0, 0, 100, 80, nullptr, nullptr));
    EXPECT_TRUE(wnd.attachedInCreate);
    char name[64] = "";
    ::GetClassName(wnd.m_hWnd, name, sizeof name);
    EXPECT_STREQ(name, "WndTestOwnClass");
    wnd.DestroyWindow();
    EXPECT_TRUE(::UnregisterClass("WndTestOwnClass", AfxGetInstanceHandle()));
}

TEST_F(WndTest, RefusedCreationLeavesTheObjectEmpty)
{
    int postNcDestroys = 0;
    CWatchedWnd wnd;
    wnd.createResult = -1;
    wnd.pPostNcDestroyCount = &postNcDestroys;
    EXPECT_FALSE(wnd.CreateEx(0, nullptr, "w", WS_OVERLAPPEDWINDOW, 0, 0, 100, 80, nullptr, nullptr));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(postNcDestroys, 1);
}

TEST_F(WndTest, DestroyDetachesAndSelfDeletingObjectsGoCleanly)
{
    int postNcDestroys = 0;
    CWatchedWnd kept;
    kept.pPostNcDestroyCount = &postNcDestroys;
    CreateTop(kept);
    HWND hWnd = kept.m_hWnd;
    EXPECT_TRUE(kept.DestroyWindow());
    EXPECT_EQ(kept.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    EXPECT_EQ(postNcDestroys, 1);

    // An object deleting itself in PostNcDestroy (checked by the address sanitizer).
    auto* pSelf = new CWatchedWnd;
    pSelf->deleteSelf = true;
    pSelf->pPostNcDestroyCount = &postNcDestroys;
    CreateTop(*pSelf);
    hWnd = pSelf->m_hWnd;
    ::DestroyWindow(hWnd);
    EXPECT_EQ(postNcDestroys, 2);
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST_F(WndTest, DestroyingTheObjectDestroysItsWindow)
{
    HWND hWnd = nullptr;
    {
        CWnd wnd;
        CreateTop(wnd);
        hWnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST_F(WndTest, TemporaryObjectsComeAndGoWithoutTouchingTheWindow)
{
    CWnd parent;
    CreateTop(parent);
    HWND hChild = CreateFake(parent.m_hWnd, 5);
    CWnd* pTemp = CWnd::FromHandle(hChild);
    ASSERT_NE(pTemp, nullptr);
    EXPECT_EQ(pTemp->m_hWnd, hChild);
    EXPECT_EQ(CWnd::FromHandle(hChild), pTemp);
    EXPECT_EQ(CWnd::FromHandlePermanent(hChild), nullptr);
    EXPECT_EQ(parent.GetDlgItem(5), pTemp);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    CWnd::DeleteTempMap();
    EXPECT_TRUE(::IsWindow(hChild));

    // Attaching makes the object the permanent one; detaching gives the handle back.
    CWnd owner;
    ASSERT_TRUE(owner.Attach(hChild));
    EXPECT_EQ(CWnd::FromHandle(hChild), &owner);
    EXPECT_FALSE(CWnd().Attach(hChild)) << "a window has one permanent object";
    EXPECT_EQ(owner.Detach(), hChild);
    EXPECT_TRUE(::IsWindow(hChild));
}

// Handles one message itself, lets the control's own procedure answer the rest.
class CSubclassed : public CWnd
{
protected:
    LRESULT OnApp6(WPARAM, LPARAM) { return 6; }
    LRESULT OnApp5(WPARAM wParam, LPARAM lParam) { return 100 + DefWindowProc(WM_APP + 5, wParam, lParam); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSubclassed, CWnd)
ON_MESSAGE(WM_APP + 6, OnApp6)
ON_MESSAGE(WM_APP + 5, OnApp5)
END_MESSAGE_MAP()

TEST_F(WndTest, SubclassChainRunsTheMapThenTheOriginalProcedure)
{
    CWnd parent;
    CreateTop(parent);
    HWND hChild = CreateFake(parent.m_hWnd, 11);
    CSubclassed sub;
    EXPECT_FALSE(sub.SubclassDlgItem(12, &parent)) << "no such child";
    ASSERT_TRUE(sub.SubclassDlgItem(11, &parent));
    EXPECT_EQ(sub.m_hWnd, hChild);

    FakeLog().clear();
    EXPECT_EQ(::SendMessage(hChild, WM_APP + 6, 0, 0), 6);
    EXPECT_EQ(::SendMessage(hChild, WM_APP + 5, 0, 0), 142);
    EXPECT_EQ(FakeLog(), std::vector<UINT>{WM_APP + 5}) << "the original saw only what the map passed on";

    EXPECT_EQ(sub.UnsubclassWindow(), hChild);
    EXPECT_EQ(::SendMessage(hChild, WM_APP + 5, 0, 0), 42);
    EXPECT_EQ(::SendMessage(hChild, WM_APP + 6, 0, 0), 0);
}

TEST_F(WndTest, WrappersReachTheWindow)
{
    CWnd parent;
    CreateTop(parent);
    CreateFake(parent.m_hWnd, 20, BS_AUTORADIOBUTTON | WS_GROUP);
    CreateFake(parent.m_hWnd, 21, BS_AUTORADIOBUTTON);
    CreateFake(parent.m_hWnd, 22, BS_AUTORADIOBUTTON);

    parent.SetDlgItemText(20, "Alpha");
    CString text;
    EXPECT_EQ(parent.GetDlgItemText(20, text), 5);
    EXPECT_STREQ(text, "Alpha");
    parent.SetWindowText("Caption");
    parent.GetWindowText(text);
    EXPECT_STREQ(text, "Caption");
    EXPECT_EQ(parent.GetWindowTextLength(), 7);

    parent.CheckRadioButton(20, 22, 21);
    EXPECT_EQ(parent.GetCheckedRadioButton(20, 22), 21);
    EXPECT_EQ(parent.IsDlgButtonChecked(20), 0u);
    parent.CheckDlgButton(21, BST_UNCHECKED);
    EXPECT_EQ(parent.GetCheckedRadioButton(20, 22), 0);

    CWnd* pItem = parent.GetDlgItem(21);
    EXPECT_EQ(pItem->GetDlgCtrlID(), 21);
    EXPECT_EQ(pItem->GetParent(), &parent);
    EXPECT_EQ(pItem->GetTopLevelParent(), &parent);
    EXPECT_EQ(pItem->GetParentFrame(), nullptr);

    EXPECT_TRUE(parent.ModifyStyle(0, WS_DISABLED));
    EXPECT_FALSE(parent.ModifyStyle(0, WS_DISABLED)) << "nothing changed";
    EXPECT_NE(parent.GetStyle() & WS_DISABLED, 0u);

    parent.MoveWindow(10, 20, 200, 100);
    CRect rc;
    parent.GetClientRect(&rc);
    EXPECT_EQ(rc.Width(), 200);
    pItem->MoveWindow(5, 6, 30, 10);
    CRect rcItem;
    pItem->GetWindowRect(&rcItem);
    parent.ScreenToClient(&rcItem);
    EXPECT_EQ(rcItem, CRect(5, 6, 35, 16));
}

} // namespace
