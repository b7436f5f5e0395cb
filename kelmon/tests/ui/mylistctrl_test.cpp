// The sortable pair list: rows from pairs and the sort toggled by header clicks.
#include "dialogs/MyListCtrl.h"

#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

class MyListCtrlTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(
            m_parent.CreateEx(0, nullptr, "Parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
        ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 280, 180), &m_parent, 100));
        m_list.InsertColumn(0, "Mass", LVCFMT_LEFT, 80);
        m_list.InsertColumn(1, "Value", LVCFMT_LEFT, 120);
    }
    void TearDown() override
    {
        m_list.DestroyWindow();
        m_parent.DestroyWindow();
        UiTest::TearDown();
    }
    // The header's item-click notification as the header sends it to the list.
    void ClickHeader(int column)
    {
        NMHEADER nm{};
        nm.hdr.hwndFrom = reinterpret_cast<HWND>(m_list.SendMessage(LVM_GETHEADER));
        nm.hdr.idFrom = 0;
        nm.hdr.code = HDN_ITEMCLICK;
        nm.iItem = column;
        m_list.SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    }
    std::vector<std::string> Column(int col)
    {
        std::vector<std::string> out;
        for (int row = 0; row < m_list.GetItemCount(); ++row)
            out.emplace_back(static_cast<LPCTSTR>(m_list.GetItemText(row, col)));
        return out;
    }

    CWnd m_parent;
    CMyListCtrl m_list;
};

TEST_F(MyListCtrlTest, ShowPairsAppendsFromTheLastPairInStreamForm)
{
    m_list.ShowPairs({{2, 0.50}, {18, 1.25e-9}, {44, 100.0}});
    EXPECT_EQ(Column(0), (std::vector<std::string>{"44", "18", "2"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"100", "1.25e-09", "0.5"}));
    EXPECT_EQ(m_list.GetItemData(2), 2u);
    m_list.ShowPairs({{1, 1.0}}); // no clearing
    EXPECT_EQ(m_list.GetItemCount(), 4);
}

TEST_F(MyListCtrlTest, HeaderClicksToggleTheSortDirection)
{
    m_list.ShowPairs({{28, 3.0}, {2, 7.5}, {44, 0.25}});
    struct Step
    {
        int column;
        std::vector<std::string> masses;
    } steps[] = {
        {0, {"2", "28", "44"}}, // first click: increasing
        {0, {"44", "28", "2"}}, // second: decreasing
        {1, {"44", "28", "2"}}, // by value, increasing: 0.25, 3, 7.5
        {1, {"2", "28", "44"}},
    };
    for (const Step& s : steps)
    {
        ClickHeader(s.column);
        EXPECT_EQ(Column(0), s.masses) << "column " << s.column;
    }
    EXPECT_EQ(m_list.m_bSortFlag, 0);
}

TEST_F(MyListCtrlTest, EmptyListOnlyFlipsAndBadTextReadsAsZero)
{
    ClickHeader(0);
    EXPECT_EQ(m_list.GetItemCount(), 0);
    EXPECT_EQ(m_list.m_bSortFlag, 1);

    m_list.InsertItem(0, "abc");
    m_list.SetItemText(0, 1, "x");
    m_list.ShowPairs({{5, 0.50}});
    ClickHeader(0); // flag back to 0: sorted increasing, shown reversed
    EXPECT_EQ(Column(0), (std::vector<std::string>{"5", "0"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"0.5", "0"}));
    EXPECT_EQ(m_list.m_bSortFlag, 0);
}

} // namespace
