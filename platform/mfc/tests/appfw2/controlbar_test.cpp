// Toolbars, the status bar and dialog bars in a frame: layout, painting, prompts, update handlers.
#include <afxext.h>

#include "mfc/ControlBar.h"
#include "res/resource.h"
#include "testkit/Image.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

namespace
{

using kel::testkit::UiTest;

class CBarFrame : public CFrameWnd
{
public:
    std::vector<UINT> commands;
    void OnGreen() { commands.push_back(ID_TOOL_GREEN); }
    void OnApply() { commands.push_back(IDC_BAR_APPLY); }
    void OnUpdateBlue(CCmdUI* pCmdUI) { pCmdUI->SetCheck(1); }
    void OnUpdateHead(CCmdUI* pCmdUI) { pCmdUI->SetText("Head: on line"); }
    void PostNcDestroy() override {} // lives on the test's stack

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBarFrame, CFrameWnd)
ON_COMMAND(ID_TOOL_GREEN, OnGreen)
ON_COMMAND(IDC_BAR_APPLY, OnApply)
ON_UPDATE_COMMAND_UI(ID_TOOL_BLUE, OnUpdateBlue)
ON_UPDATE_COMMAND_UI(ID_INDICATOR_HEAD, OnUpdateHead)
END_MESSAGE_MAP()

class ControlBarTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(frame.Create(nullptr, "Bars", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 420, 300)));
        ASSERT_TRUE(toolBar.CreateEx(&frame, TBSTYLE_FLAT,
                                     WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS |
                                         CBRS_FLYBY | CBRS_SIZE_DYNAMIC));
        ASSERT_TRUE(toolBar.LoadToolBar(IDR_MAINFRAME));
        ASSERT_TRUE(statusBar.Create(&frame));
        const UINT indicators[] = {ID_SEPARATOR, ID_INDICATOR_HEAD};
        ASSERT_TRUE(statusBar.SetIndicators(indicators, 2));
        frame.RecalcLayout();
        Pump();
    }
    void TearDown() override
    {
        toolBar.DestroyWindow();
        statusBar.DestroyWindow();
        frame.DestroyWindow();
        UiTest::TearDown();
    }
    CRect RectInFrame(CWnd& bar)
    {
        CRect r;
        bar.GetWindowRect(&r);
        frame.ScreenToClient(&r);
        return r;
    }
    // Where a toolbar item lies in the frame's client area.
    CRect ItemInFrame(int index)
    {
        CRect r;
        toolBar.GetItemRect(index, &r);
        r.OffsetRect(RectInFrame(toolBar).TopLeft());
        return r;
    }
    DWORD PixelAt(const kel::testkit::Image& image, CPoint ptFrameClient)
    {
        CPoint pt = ptFrameClient;
        frame.ClientToScreen(&pt);
        CRect window;
        frame.GetWindowRect(&window);
        return image.Pixel(pt.x - window.left, pt.y - window.top);
    }

    CBarFrame frame;
    CToolBar toolBar;
    CStatusBar statusBar;
};

TEST_F(ControlBarTest, BarsTakeTheFramesTopAndBottomAndButtonsFollowTheResource)
{
    CRect client;
    frame.GetClientRect(&client);
    const CRect tb = RectInFrame(toolBar), sb = RectInFrame(statusBar);
    EXPECT_EQ(CRect(0, 0, client.right, 26), tb); // 15 + 7 high buttons, two pixels above and below
    EXPECT_EQ(client.bottom, sb.bottom);
    EXPECT_EQ(0, sb.left);
    EXPECT_GT(sb.Height(), 14);

    // Gripper and border, then the buttons; the separator is narrower.
    struct
    {
        int index;
        CRect rect;
        UINT id;
    } const items[] = {{0, CRect(10, 2, 33, 24), ID_TOOL_RED},
                       {1, CRect(33, 2, 41, 24), ID_SEPARATOR},
                       {2, CRect(41, 2, 64, 24), ID_TOOL_GREEN},
                       {3, CRect(64, 2, 87, 24), ID_TOOL_BLUE}};
    ASSERT_EQ(4, toolBar.GetCount());
    for (const auto& item : items)
    {
        CRect r;
        toolBar.GetItemRect(item.index, &r);
        EXPECT_EQ(item.rect, r) << item.index;
        EXPECT_EQ(item.id, toolBar.GetItemID(item.index));
        EXPECT_EQ(item.id == ID_SEPARATOR ? -1 : item.index, item.id ? toolBar.CommandToIndex(item.id) : -1);
    }
    EXPECT_EQ(TBBS_SEPARATOR, toolBar.GetButtonStyle(1));
    EXPECT_EQ(-1, toolBar.CommandToIndex(12345));
    EXPECT_EQ("Green", toolBar.GetButtonTipText(2));
    ASSERT_NE(nullptr, toolBar.GetToolTips());
    EXPECT_EQ(3, toolBar.GetToolTips()->GetToolCount());

    // The status bar: a stretching message pane, then the indicator as wide as its text.
    EXPECT_EQ(1, statusBar.CommandToIndex(ID_INDICATOR_HEAD));
    EXPECT_EQ("Head: off line", statusBar.GetPaneText(1));
    CRect pane0, pane1;
    statusBar.GetItemRect(0, &pane0);
    statusBar.GetItemRect(1, &pane1);
    EXPECT_LT(pane0.right, pane1.left);
    EXPECT_GT(pane0.Width(), pane1.Width());
    EXPECT_GE(pane1.right, sb.Width() - 6);
}

TEST_F(ControlBarTest, ButtonsShowTheirImagesAndADisabledOneIsGrey)
{
    toolBar.SetButtonStyle(3, toolBar.GetButtonStyle(3) | TBBS_DISABLED);
    Pump();
    const kel::testkit::Image image = kel::testkit::CaptureWindow(frame.m_hWnd);
    ASSERT_FALSE(image.Empty());
    const DWORD red = PixelAt(image, ItemInFrame(0).CenterPoint());
    const DWORD green = PixelAt(image, ItemInFrame(2).CenterPoint());
    const DWORD blue = PixelAt(image, ItemInFrame(3).CenterPoint());
    EXPECT_EQ(RGB(220, 0, 0), red);
    EXPECT_EQ(RGB(0, 160, 0), green);
    EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), blue);
    // The image strip's grey is see-through: the corner of a button shows the bar's face.
    const CRect item0 = ItemInFrame(0);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), PixelAt(image, CPoint(item0.left + 5, item0.top + 5)));

    // The indicator's text is drawn inside its pane.
    CRect pane;
    statusBar.GetItemRect(1, &pane);
    CPoint origin = RectInFrame(statusBar).TopLeft();
    int dark = 0;
    for (int y = pane.top; y < pane.bottom; ++y)
        for (int x = pane.left + 3; x < pane.right - 3; ++x)
        {
            const DWORD c = PixelAt(image, CPoint(origin.x + x, origin.y + y));
            dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128; // text, smoothed or not
        }
    EXPECT_GT(dark, 20);
}

TEST_F(ControlBarTest, ThePromptOfTheButtonUnderTheMouseShowsInTheMessagePane)
{
    auto moveTo = [&](CPoint pt) { toolBar.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y)); };
    CRect r;
    toolBar.GetItemRect(2, &r);
    moveTo(r.CenterPoint());
    EXPECT_EQ("Paints it green", statusBar.GetPaneText(0));
    EXPECT_EQ(2, toolBar.GetHotItem());
    toolBar.GetItemRect(1, &r); // the separator has no prompt
    moveTo(r.CenterPoint());
    EXPECT_EQ("Ready", statusBar.GetPaneText(0));
    toolBar.GetItemRect(0, &r);
    moveTo(r.CenterPoint());
    EXPECT_EQ("Paints it red", statusBar.GetPaneText(0));
    toolBar.SendMessage(WM_MOUSELEAVE);
    EXPECT_EQ("Ready", statusBar.GetPaneText(0));
    EXPECT_EQ(-1, toolBar.GetHotItem());
}

TEST_F(ControlBarTest, ClicksSendCommandsAndUpdateHandlersSetButtonsAndPanes)
{
    CRect r;
    toolBar.GetItemRect(2, &r);
    toolBar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.CenterPoint().x, r.CenterPoint().y));
    toolBar.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(r.CenterPoint().x, r.CenterPoint().y));
    // Released outside: no command.
    toolBar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.CenterPoint().x, r.CenterPoint().y));
    toolBar.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(300, 5));
    ASSERT_TRUE(PumpUntil([&] { return !frame.commands.empty(); }));
    Pump();
    EXPECT_EQ(std::vector<UINT>{ID_TOOL_GREEN}, frame.commands);

    frame.SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
    EXPECT_TRUE(toolBar.GetButtonStyle(0) & TBBS_DISABLED); // nothing handles it
    EXPECT_FALSE(toolBar.GetButtonStyle(2) & TBBS_DISABLED);
    EXPECT_TRUE(toolBar.GetButtonStyle(3) & TBBS_CHECKED);
    EXPECT_EQ("Head: on line", statusBar.GetPaneText(1));

    // A disabled button sends nothing.
    frame.commands.clear();
    toolBar.GetItemRect(0, &r);
    toolBar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.CenterPoint().x, r.CenterPoint().y));
    toolBar.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(r.CenterPoint().x, r.CenterPoint().y));
    Pump();
    EXPECT_TRUE(frame.commands.empty());
}

TEST_F(ControlBarTest, HidingABarGivesItsStripToTheNextAndADialogBarForwardsItsCommands)
{
    CDialogBar dialogBar;
    ASSERT_TRUE(dialogBar.Create(&frame, IDD_BAR, CBRS_TOP | WS_VISIBLE, AFX_IDW_CONTROLBAR_FIRST + 5));
    frame.RecalcLayout();
    const CRect below = RectInFrame(dialogBar);
    EXPECT_EQ(RectInFrame(toolBar).bottom, below.top);
    EXPECT_EQ(dialogBar.m_sizeDefault.cy, below.Height());

    toolBar.ShowWindow(SW_HIDE);
    EXPECT_FALSE(toolBar.IsVisible());
    EXPECT_EQ(0, RectInFrame(dialogBar).top);
    toolBar.ShowWindow(SW_SHOWNA);
    EXPECT_EQ(below, RectInFrame(dialogBar));

    frame.EnableDocking(CBRS_ALIGN_BOTTOM);
    frame.DockControlBar(&dialogBar, AFX_IDW_DOCKBAR_RIGHT); // right docks at the bottom
    EXPECT_EQ(RectInFrame(statusBar).top, RectInFrame(dialogBar).bottom);
    EXPECT_TRUE(dialogBar.GetBarStyle() & CBRS_ALIGN_BOTTOM);

    ::SendMessage(::GetDlgItem(dialogBar.m_hWnd, IDC_BAR_APPLY), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(std::vector<UINT>{IDC_BAR_APPLY}, frame.commands);
    dialogBar.DestroyWindow();
}

TEST_F(ControlBarTest, StylesAddedAfterCreationBringAGripperAndTooltips)
{
    CToolBar chart;
    ASSERT_TRUE(chart.CreateEx(&frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                               CRect(0, 0, 0, 0), AFX_IDW_TOOLBAR + 1));
    ASSERT_TRUE(chart.LoadToolBar(IDR_MAINFRAME));
    CRect before;
    chart.GetItemRect(0, &before);
    EXPECT_EQ(nullptr, chart.GetToolTips());
    chart.SetBarStyle(chart.GetBarStyle() | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);
    CRect after;
    chart.GetItemRect(0, &after);
    EXPECT_EQ(before.left + 6, after.left);
    ASSERT_NE(nullptr, chart.GetToolTips());
    EXPECT_EQ(3, chart.GetToolTips()->GetToolCount());
    // Below the first toolbar, once the frame lays out again.
    frame.RecalcLayout();
    EXPECT_EQ(RectInFrame(toolBar).bottom, RectInFrame(chart).top);
    chart.DestroyWindow();
}

TEST_F(ControlBarTest, DockedBarsShareARowAndHidingOneClosesTheGap)
{
    CToolBar chart;
    ASSERT_TRUE(chart.CreateEx(&frame, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                               CRect(0, 0, 0, 0), AFX_IDW_CONTROLBAR_FIRST + 0x20));
    ASSERT_TRUE(chart.LoadToolBar(IDR_MAINFRAME));
    toolBar.EnableDocking(CBRS_ALIGN_ANY);
    chart.EnableDocking(CBRS_ALIGN_ANY);
    frame.EnableDocking(CBRS_ALIGN_ANY);
    frame.DockControlBar(&toolBar);
    ASSERT_NE(nullptr, toolBar.GetDockBar());
    EXPECT_EQ(static_cast<int>(AFX_IDW_DOCKBAR_TOP), toolBar.GetDockBar()->GetDlgCtrlID());

    // Docked where a rectangle right of the first bar, on its row, says: the same row, after it.
    CRect frameRect, left;
    frame.GetWindowRect(&frameRect);
    frame.RecalcLayout();
    toolBar.GetWindowRect(&left);
    left.OffsetRect(frameRect.Width(), 0);
    left.bottom += 1;
    frame.DockControlBar(&chart, AFX_IDW_DOCKBAR_TOP, &left);
    ASSERT_EQ(1u, toolBar.GetDockBar()->Rows().size());
    const CRect first = RectInFrame(toolBar), second = RectInFrame(chart);
    EXPECT_EQ(0, first.top);
    EXPECT_EQ(first.top, second.top);
    EXPECT_EQ(first.right, second.left);
    EXPECT_EQ(&chart, frame.GetControlBar(AFX_IDW_CONTROLBAR_FIRST + 0x20));
    EXPECT_EQ(&statusBar, frame.GetControlBar(AFX_IDW_STATUS_BAR));

    // A rectangle below the rows starts a row of its own; hiding its only bar gives the room back.
    CRect below = first;
    frame.ClientToScreen(&below);
    below.OffsetRect(0, 100);
    frame.DockControlBar(&chart, AFX_IDW_DOCKBAR_TOP, &below);
    ASSERT_EQ(2u, toolBar.GetDockBar()->Rows().size());
    EXPECT_EQ(first.bottom, RectInFrame(chart).top);
    frame.ShowControlBar(&chart, FALSE, FALSE);
    EXPECT_FALSE(chart.IsVisible());
    CRect dock;
    toolBar.GetDockBar()->GetWindowRect(&dock);
    EXPECT_EQ(first.Height() + 1, dock.Height()); // and the line below the rows
    frame.ShowControlBar(&chart, TRUE, TRUE); // delayed: the idle time lays out
    frame.OnIdleUpdateCmdUI();
    toolBar.GetDockBar()->GetWindowRect(&dock);
    EXPECT_EQ(first.Height() * 2 + 1, dock.Height());

    // A docked bar that goes first leaves its dock bar; the frame's end takes the rest.
    chart.DestroyWindow();
    EXPECT_EQ(1u, toolBar.GetDockBar()->Rows().size());
}

TEST_F(ControlBarTest, MenuItemsShowTheirPromptAndClosingTheMenuShowsTheIdleText)
{
    const HMENU popup = ::CreatePopupMenu();
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_TOOL_GREEN, MF_HILITE | MF_MOUSESELECT),
                      reinterpret_cast<LPARAM>(popup));
    EXPECT_EQ("Paints it green", statusBar.GetPaneText(0));
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE), reinterpret_cast<LPARAM>(popup));
    EXPECT_EQ("", statusBar.GetPaneText(0));
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ("Ready", statusBar.GetPaneText(0));
    ::DestroyMenu(popup);
}

TEST(ControlBarResources, AMissingToolbarResourceFailsAndKeepsTheButtons)
{
    CToolBar bar;
    const UINT ids[] = {ID_TOOL_RED, ID_TOOL_GREEN};
    bar.SetButtons(ids, 2);
    EXPECT_FALSE(bar.LoadToolBar(4242));
    EXPECT_EQ(2, bar.GetCount());
    CStatusBar status;
    const UINT missing[] = {ID_SEPARATOR, 4243};
    EXPECT_FALSE(status.SetIndicators(missing, 2));
    EXPECT_EQ(0, status.GetCount());
}

} // namespace
