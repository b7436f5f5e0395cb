// The data table window: one open at a time, its header and scrolling, in-place editing of the data
// set, the copy as clipboard text and the number format dialog.
#include "PlotkitFixture.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"
#include "testkit/Image.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<busy>";
    if (HANDLE data = GetClipboardData(CF_TEXT))
    {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class DataTableTest : public PlotkitTest
{
protected:
    std::vector<float> x{0, 1, 2, 3};
    std::vector<float> y{0, 2.5f, 10, -1};
    std::vector<float> gx{1, 2};
    std::vector<float> gy{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    int set = 0, groupSet = 0, curve = 0, twin = 0, group = 0;
    GrDesc* graph = nullptr;
    GrDesc* other = nullptr;

    void SetUp() override
    {
        PlotkitTest::SetUp();
        set = WGDefineDataSetPtr("Partial pressures", x.data(), y.data(), 4);
        groupSet = WGDefineGroupDataSetPtr("Five masses", gx.data(), gy.data(), 2, 5);
        PgDesc* page = MakePage("table", 8);
        auto build = [this](GrDesc* g, int* number, int* groupNumber)
        {
            HDC dc = g->buildDc;
            WGSetPlotArea(g, dc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
            WGScalePlotArea(g, 0, -2, 4, 12);
            WGDrawXAxis(g, dc, 1, 0, 0);
            WGDrawYAxis(g, dc, 2, 0, 1);
            *number = WGLinePlot(g, dc, set, FALSE, FALSE);
            if (groupNumber)
                *groupNumber = WGGroupBargraph(g, dc, groupSet, 0.5f, 3, 6, 0, nullptr, nullptr, nullptr);
        };
        graph = MakeGraph(page, 0, 0, 0.5f, 1, [this, build](GrDesc* g, HWND) { build(g, &curve, &group); });
        other = MakeGraph(page, 0.5f, 0, 1, 1, [this, build](GrDesc* g, HWND) { build(g, &twin, nullptr); });
        UpdateWindow(page->window);
        UpdateWindow(graph->window);
        UpdateWindow(other->window);
        ASSERT_NE(curve, 0);
        ASSERT_NE(twin, 0);
        ASSERT_NE(group, 0);
    }

    void TearDown() override
    {
        if (HWND table = Table())
            DestroyWindow(table);
        PlotkitTest::TearDown();
    }

    HWND Table() const { return reinterpret_cast<HWND>(GetWindowLongPtr(graph->window, PK_GRAPH_WORD_TABLE)); }

    // Clicks a cell: column 0 X, k member k (as shown from the first column), row = point index.
    HWND ClickCell(HWND table, int column, int row)
    {
        HDC dc = GetDC(table);
        TEXTMETRIC tm{};
        GetTextMetrics(dc, &tm);
        ReleaseDC(table, dc);
        const int rowHeight = tm.tmHeight + tm.tmExternalLeading + 2;
        const int columnWidth = 11 * tm.tmAveCharWidth;
        const int px = 8 * tm.tmAveCharWidth + column * columnWidth + columnWidth / 2;
        const int py = rowHeight * (row + 1) + rowHeight / 2;
        SendMessage(table, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(px, py));
        return GetDlgItem(table, 1);
    }

    static std::string Text(HWND window)
    {
        char text[64] = {};
        GetWindowText(window, text, sizeof text);
        return text;
    }

    void Save(HWND window, const char* name)
    {
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(kel::testkit::CaptureWindow(window), std::string(keep) + "/plotkit_" + name + ".png");
    }
};

TEST_F(DataTableTest, OneTableOpensBesideTheGraphAndClosesCleanly)
{
    WGShowData(graph, curve);
    HWND table = Table();
    ASSERT_NE(table, nullptr);
    char name[32] = {};
    GetClassName(table, name, sizeof name);
    EXPECT_STREQ(name, "DataTab");
    EXPECT_EQ(Text(table), "Partial pressures");
    EXPECT_TRUE(IsWindowVisible(table));
    EXPECT_NE(GetMenu(table), nullptr);
    Save(table, "data_table");

    WGShowData(other, twin);
    WGShowData(graph, group);
    EXPECT_EQ(Table(), table) << "a second table does not open";
    EXPECT_EQ(GetWindowLongPtr(other->window, PK_GRAPH_WORD_TABLE), 0);

    DestroyWindow(table);
    EXPECT_EQ(Table(), nullptr);
    WGShowData(graph, group);
    ASSERT_NE(Table(), nullptr) << "closed, a new one opens";
    EXPECT_EQ(Text(Table()), "Five masses");
}

TEST_F(DataTableTest, CopyPutsTheWholeDataSetOnTheClipboardAsText)
{
    WGShowData(graph, curve);
    SendMessage(Table(), WM_COMMAND, IDM_DATA_COPY, 0);
    EXPECT_EQ(ClipboardText(), "        0\t        0\r\n"
                               "        1\t      2.5\r\n"
                               "        2\t       10\r\n"
                               "        3\t       -1\r\n");
    DestroyWindow(Table());

    WGShowData(graph, group);
    SendMessage(Table(), WM_COMMAND, IDM_DATA_COPY, 0);
    EXPECT_EQ(ClipboardText(), "        1\t        1\t        2\t        3\t        4\t        5\r\n"
                               "        2\t        6\t        7\t        8\t        9\t       10\r\n");
}

TEST_F(DataTableTest, TheFormatDialogCapsWidthAndPrecision)
{
    WGShowData(graph, curve);
    struct Case
    {
        const char* width;
        const char* precision;
        int expectedWidth, expectedPrecision;
    } cases[] = {{"30", "3", 25, 3}, {"4", "40", 4, 25}, {"0", "", 1, 25}};
    for (const Case& c : cases)
    {
        ScriptedPrompts prompts;
        prompts.Expect("Data Format").Drive(
            [&](DialogDriver& d)
            {
                d.SetText(IDC_FORMAT_WIDTH, c.width);
                d.SetText(IDC_FORMAT_PRECISION, c.precision);
                d.Click(IDOK);
            });
        SendMessage(Table(), WM_COMMAND, IDM_DATA_FORMAT, 0);
        int width = 0, precision = 0;
        ASSERT_TRUE(GetDataFormat(ObjectAt(graph, curve), &width, &precision));
        EXPECT_EQ(width, c.expectedWidth) << c.width;
        EXPECT_EQ(precision, c.expectedPrecision) << c.precision;
    }
    // Width 3, precision 25: each copied value is cut to its column.
    WGSetDataFormat(graph, curve, 3, 3);
    SendMessage(Table(), WM_COMMAND, IDM_DATA_COPY, 0);
    EXPECT_EQ(ClipboardText(), "  0\t  0\r\n  1\t2.5\r\n  2\t 10\r\n  3\t -1\r\n");
}

TEST_F(DataTableTest, EditingACellChangesTheDataSetAndEveryCurveOfIt)
{
    WGShowData(graph, curve);
    HWND table = Table();
    HWND edit = ClickCell(table, 1, 1);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Text(edit), "2.5");
    Save(table, "data_table_edit");
    SetWindowText(edit, "3.75");
    auto* twinCurve = reinterpret_cast<CurveDesc*>(ObjectAt(other, twin));
    ASSERT_NE(twinCurve->points, nullptr);
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FLOAT_EQ(y[1], 3.75f);
    EXPECT_EQ(GetDlgItem(table, 1), nullptr) << "Enter ends the edit";
    EXPECT_EQ(twinCurve->points, nullptr) << "the other curve of the data set computes again";

    // Refused: far outside the axis range, not a number; Escape leaves the value.
    struct Case
    {
        const char* typed;
        UINT key;
        float expected;
    } cases[] = {{"1e9", VK_RETURN, 3.75f}, {"leak", VK_RETURN, 3.75f}, {"5", VK_ESCAPE, 3.75f},
                 {"-20", VK_RETURN, -20.0f}};
    for (const Case& c : cases)
    {
        edit = ClickCell(table, 1, 1);
        ASSERT_NE(edit, nullptr);
        SetWindowText(edit, c.typed);
        SendMessage(edit, WM_KEYDOWN, c.key, 0);
        EXPECT_FLOAT_EQ(y[1], c.expected) << c.typed;
    }

    // The X column, and moving the cell: Down in the last row keeps it there, Right to the values.
    edit = ClickCell(table, 0, 3);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Text(edit), "3");
    SendMessage(edit, WM_KEYDOWN, VK_DOWN, 0);
    edit = GetDlgItem(table, 1);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Text(edit), "3") << "still the last row";
    SendMessage(edit, WM_KEYDOWN, VK_RIGHT, 0);
    edit = GetDlgItem(table, 1);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Text(edit), "-1");
    SetWindowText(edit, "11");
    SendMessage(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FLOAT_EQ(y[3], 11.0f) << "Enter in the last row commits";
}

TEST_F(DataTableTest, AGroupShowsAColumnAMemberAndScrollsAcross)
{
    WGShowData(graph, group);
    HWND table = Table();
    ASSERT_NE(table, nullptr);
    RECT r{};
    GetWindowRect(table, &r);
    MoveWindow(table, r.left, r.top, 260, 200, TRUE);
    UpdateWindow(table);
    Save(table, "data_table_group");
    int low = 0, high = 0;
    GetScrollRange(table, SB_HORZ, &low, &high);
    EXPECT_GT(high, 1) << "five members do not fit";
    SendMessage(table, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(GetScrollPos(table, SB_HORZ), 2);
    HWND edit = ClickCell(table, 1, 0);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(Text(edit), "2") << "the first column shown is member 2";
    SendMessage(table, WM_HSCROLL, SB_LEFT, 0);
    EXPECT_EQ(GetScrollPos(table, SB_HORZ), 1);
    EXPECT_EQ(GetDlgItem(table, 1), nullptr) << "scrolling across ends the edit";
}

TEST_F(DataTableTest, ThePlotDialogsDataButtonOpensTheTable)
{
    WGSelObject(graph, curve);
    {
        ScriptedPrompts prompts;
        prompts.Expect("Plot Parameters").Drive([](DialogDriver& d) { d.Click(IDC_PLOT_DATA); });
        EXPECT_EQ(DefEditObject(graph), 4);
    }
    ASSERT_NE(Table(), nullptr);
    EXPECT_EQ(Text(Table()), "Partial pressures");
    {
        ScriptedPrompts prompts;
        prompts.Expect("Plot Parameters").Drive(
            [](DialogDriver& d)
            {
                EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_PLOT_DATA))) << "a table is open already";
                d.Click(IDCANCEL);
            });
        EXPECT_EQ(DefEditObject(graph), 2);
    }
}

TEST_F(DataTableTest, DeletingTheObjectClosesItsTable)
{
    WGShowData(graph, curve);
    HWND table = Table();
    ASSERT_NE(table, nullptr);
    WGDeleteObject(graph, curve);
    SendMessage(table, WM_COMMAND, IDM_DATA_COPY, 0);
    EXPECT_FALSE(IsWindow(table));
    EXPECT_FALSE(DataTableOpen());
}

} // namespace
} // namespace plotkit::test
