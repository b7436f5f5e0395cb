// The list control with cell editors and a header that locks columns.
#include "controls/GenListCtrl.h"

#include "testkit/UiTest.h"
#include "win32/uidriver.h"

#include <gtest/gtest.h>

namespace
{

class GenListCtrlTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        kel::ui::SetSystemMetricForTests(SM_CXCURSOR, 32);
        ASSERT_TRUE(
            m_parent.CreateEx(0, nullptr, "Parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr));
        ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 380, 260), &m_parent, 100));
        m_list.InsertColumn(0, "Port", LVCFMT_LEFT, 100);
        m_list.InsertColumn(1, "Head", LVCFMT_LEFT, 80);
        m_list.InsertColumn(2, "State", LVCFMT_LEFT, 120);
        for (int i = 0; i < 3; ++i)
            m_list.InsertItem(i, "row");
    }
    void TearDown() override
    {
        m_list.DestroyWindow();
        m_parent.DestroyWindow();
        kel::ui::ResetSystemMetricsForTests();
        UiTest::TearDown();
    }

    CWnd m_parent;
    CGenListCtrl m_list;
};

TEST_F(GenListCtrlTest, HeaderIsSubclassedOnCreation)
{
    ASSERT_NE(m_list.m_header.GetSafeHwnd(), nullptr);
    EXPECT_EQ(m_list.m_header.GetSafeHwnd(), reinterpret_cast<HWND>(m_list.SendMessage(LVM_GETHEADER)));
}

TEST_F(GenListCtrlTest, OnlyALockedColumnsDividerRefusesTracking)
{
    CGenHeaderCtrl& header = m_list.m_header;
    CRect first;
    header.GetItemRect(0, &first);
    EXPECT_FALSE(header.IsOverLockedDivider(first.right)) << "no locks: a plain header";

    m_list.SetColumnLock(0, TRUE);
    struct Case
    {
        int dx;
        BOOL locked;
    } cases[] = {{0, TRUE}, {15, TRUE}, {-15, TRUE}, {16, FALSE}, {-16, FALSE}, {-60, FALSE}};
    for (const Case& c : cases)
        EXPECT_EQ(header.IsOverLockedDivider(first.right + c.dx), c.locked) << c.dx;

    // The begin-track notification, reflected from the list to its header.
    auto track = [&](int column)
    {
        NMHEADER nm{};
        nm.hdr.hwndFrom = header.GetSafeHwnd();
        nm.hdr.code = HDN_BEGINTRACK;
        nm.iItem = column;
        return m_list.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    };
    header.m_bNotOnLockedDivider = 1;
    EXPECT_EQ(track(0), TRUE);
    EXPECT_EQ(track(1), FALSE);
    header.m_bNotOnLockedDivider = 0;
    EXPECT_EQ(track(1), TRUE);
}

TEST_F(GenListCtrlTest, EditorsSitOnTheirCellsAndAReplacedOneGoes)
{
    CWnd* edit = m_list.AddEditor(1, 2, CGenListCtrl::kEditorNumber);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->GetDlgCtrlID(), 500);
    EXPECT_TRUE(edit->GetStyle() & ES_NUMBER);
    // The parent stays hidden, so only the editor's own visibility can be asked for.
    EXPECT_TRUE(edit->GetStyle() & WS_VISIBLE);
    CRect cell, placed;
    m_list.GetSubItemRect(1, 2, LVIR_LABEL, cell);
    edit->GetWindowRect(&placed);
    m_list.ScreenToClient(&placed);
    EXPECT_EQ(placed, cell);

    HWND old = edit->GetSafeHwnd();
    CWnd* list = m_list.AddEditor(1, 2, CGenListCtrl::kEditorList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetDlgCtrlID(), 502);
    EXPECT_FALSE(::IsWindow(old));
    EXPECT_EQ(m_list.GetEditorCount(), 1);

    EXPECT_EQ(m_list.AddEditor(0, 0, 9), nullptr) << "an unknown kind makes none";
    EXPECT_NE(m_list.AddEditor(0, 1, CGenListCtrl::kEditorButton), nullptr);
    m_list.ShowEditors(SW_HIDE);
    EXPECT_FALSE(m_list.GetEditor(0, 1)->GetStyle() & WS_VISIBLE);
    EXPECT_TRUE(m_list.RemoveEditor(0, 1));
    EXPECT_FALSE(m_list.RemoveEditor(0, 1));
    EXPECT_EQ(m_list.GetEditorCount(), 1);
}

TEST_F(GenListCtrlTest, RightClickPositionIsKept)
{
    m_list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(37, 21));
    EXPECT_EQ(m_list.GetLastRightClick(), CPoint(37, 21));
}

} // namespace
