// The document's graph and view commands through a real view in a stand-in main frame: which
// commands each display kind offers, what they hand to the display, and the ones that do more than
// forward (units, printing options, cursor properties, next item, the time stamp).
#include "ScanFakes.h"

#include "analysis/Library.h"
#include "app/ScanBar.h"
#include "displays/Display.h"
#include "displays/TableGraphPainter.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "doc/LeakData.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "res/resource.h"
#include "scans/AnalogScan.h"
#include "scans/Table.h"
#include "settings/AppSettings.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "units/Units.h"

#include <plotkit.h>
#include "view/KelView.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using kel::testkit::UiTest;

namespace
{

// A display of any kind that notes every operation the commands call.
class CGraphRecorder : public CDisplay
{
public:
    explicit CGraphRecorder(int kind) { m_nKind = kind; }

    void UpdateData(void*, int) override {}
    int ReadData(float*, int) override { return 0; }
    int BuildPage() override { return 1; }

    int SavePageMetafile() override { return Note("SavePageMetafile"); }
    int PrintPage() override
    {
        lockDuringPrint = document->m_bModeSwitchLock;
        return Note("PrintPage");
    }
    int PrinterSetup() override { return Note("PrinterSetup"); }
    int CopyPage() override { return Note("CopyPage"); }
    BOOL ClearData() override { return Note("ClearData"); }
    int Zoom(float f) override { return Note("Zoom " + std::to_string(f)); }
    int PanLeft(float f) override { return Note("PanLeft " + std::to_string(f)); }
    int PanRight(float f) override { return Note("PanRight " + std::to_string(f)); }
    int FullScale() override { return Note("FullScale"); }
    int AutoScale() override { return Note("AutoScale"); }
    BOOL IsAutoScale() override { return hasData; }
    int IsLogScale() override { return log; }
    int SetLogScale(int on) override
    {
        log = on;
        return Note("SetLogScale " + std::to_string(on));
    }
    void EditYAxis() override { Note("EditYAxis"); }
    void EditYAxisLabels() override { Note("EditYAxisLabels"); }
    void EditXAxis() override { Note("EditXAxis"); }
    void EditXAxisLabels() override { Note("EditXAxisLabels"); }
    void EditGraphTitle() override { Note("EditGraphTitle"); }
    void EditTraces() override { Note("EditTraces"); }
    void EditAlarmLines() override { Note("EditAlarmLines"); }
    void EditWindowBackground() override { Note("EditWindowBackground"); }
    void EditGraphBackground() override { Note("EditGraphBackground"); }
    void EditTitleText() override { Note("EditTitleText"); }
    BOOL Redraw() override { return Note("Redraw"); }
    void ToggleCursor() override { Note("ToggleCursor"); }
    void SetCursorProperties() override { Note("SetCursorProperties"); }
    int ResumeScrolling() override { return Note("ResumeScrolling"); }
    int ShowHistory(int a, int b) override
    {
        return Note("ShowHistory " + std::to_string(a) + std::to_string(b));
    }
    int IsHistoryShown() override { return historyShown; }
    int IsLegendShown() override { return legend; }
    void ToggleLegend(int how) override
    {
        legend = how;
        Note("ToggleLegend " + std::to_string(how));
    }
    int OnUnitsChanged(int flag) override { return Note("OnUnitsChanged " + std::to_string(flag)); }
    BOOL ShowInfoText(int show, LPCTSTR) override { return Note("ShowInfoText " + std::to_string(show)); }

    int Note(const std::string& call)
    {
        calls.push_back(call);
        return 1;
    }

    std::vector<std::string> calls;
    CKelDoc* document = nullptr;
    int lockDuringPrint = -1;
    int log = 1;
    int hasData = 1;
    int historyShown = 1;
    int legend = 0;
};

// A scan that notes log stepping and export instead of touching files.
class CLogStepScan : public CAnalogScan
{
public:
    CLogStepScan(CAnalogData* settings, CDisplay* display) : CAnalogScan(settings, nullptr, display) {}
    void ViewLogScan(int direction) override { steps.push_back(direction); }
    BOOL ExportAscii() override
    {
        ++exports;
        return 1;
    }
    std::vector<int> steps;
    int exports = 0;
};

// The state an update handler leaves on a menu item.
class CTestCmdUI : public CCmdUI
{
public:
    void Enable(BOOL on) override
    {
        enabled = on ? 1 : 0;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int check) override { checked = check; }
    int enabled = -1; // -1: untouched
    int checked = -1;
};

class GraphCommandsTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_frame = new CFrameWnd;
        ASSERT_TRUE(m_frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 700, 500)));
        m_app.m_pMainWnd = m_frame;
        m_doc = new CKelDoc;
        ASSERT_TRUE(m_doc->OnNewDocument());
        m_view = new CKelView;
        ASSERT_TRUE(m_view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 640, 400), m_frame,
                                   AFX_IDW_PANE_FIRST, nullptr));
        m_doc->AddView(m_view);
        m_frame->SetActiveView(m_view);
    }

    void TearDown() override
    {
        if (m_monitorStarted)
        {
            UiTest::PumpUntil([] { return CPortMonitor::Instance().IsIdle(); });
            CPortMonitor::Destroy();
        }
        m_doc->SetCurrentScan(nullptr);
        m_doc->SetCurrentDisplay(nullptr);
        m_view->DestroyWindow(); // the last view closes the document and its displays
        m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        if (m_monitorStarted)
            CPortList::Destroy();
        UiTest::TearDown();
    }

    // Stopping a scan queues its tasks on the port monitor.
    void StartMonitor()
    {
        ASSERT_TRUE(CPortMonitor::Instance().Start());
        m_monitorStarted = true;
    }

    // A display of kind filed with the document as its current display, and a scan on it.
    CGraphRecorder* Show(int kind, bool withScan = true)
    {
        auto* display = new CGraphRecorder(kind);
        display->document = m_doc;
        m_doc->SetDisplayOfKind(display);
        m_doc->SetCurrentDisplay(display);
        m_doc->SetCurrentScan(withScan ? new CLogStepScan(m_doc->GetAnalogSettings(0), display) : nullptr);
        return display;
    }
    CLogStepScan* Scan() const { return static_cast<CLogStepScan*>(m_doc->GetCurrentScan()); }

    void Command(UINT id) { m_frame->SendMessage(WM_COMMAND, id, 0); }
    CTestCmdUI Update(UINT id)
    {
        CTestCmdUI ui;
        ui.m_nID = id;
        ui.DoUpdate(m_frame, FALSE);
        return ui;
    }

    CWinApp m_app{"kelmon"};
    ScriptedPrompts m_prompts;
    CFrameWnd* m_frame = nullptr;
    CKelDoc* m_doc = nullptr;
    CKelView* m_view = nullptr;
    bool m_monitorStarted = false;
};

// Kind codes: 1 analog, 2 leak, 3 table, 4 P-vs-T, 5 bar, 6 panel, 7 split, 8 library.
TEST_F(GraphCommandsTest, EachDisplayKindIsOfferedItsOwnEditors)
{
    struct Case
    {
        UINT id;
        const char* name;
        const char* enabledFor; // enabled state by kind 1..8
    };
    const Case cases[] = {
        {ID_GRAPH_YAXIS, "Y axis", "11011001"},
        {ID_GRAPH_XAXIS_LABELS, "X axis labels", "11011001"},
        {ID_GRAPH_TITLE_TEXT, "title text", "11011001"},
        {ID_GRAPH_TITLE, "graph title", "11111001"},
        {ID_GRAPH_TRACES, "traces", "11111001"},
        {ID_GRAPH_ALARM_LINES, "alarm lines", "01000000"},
        {ID_GRAPH_WINDOW_BKGND, "window background", "11111011"},
        {ID_GRAPH_GRAPH_BKGND, "graph background", "11011011"},
        {ID_GRAPH_LINEAR, "linear", "11011011"},
        {ID_GRAPH_TOGGLE_LOG, "toggle log", "11011011"},
        {ID_GRAPH_AUTOSCALE, "auto scale", "11011010"},
        {ID_VIEW_LEGENDS, "legends", "00010000"},
        {ID_GRAPH_TIME_STAMP, "time stamp", "10111010"},
        {ID_HISTORY_RESUME, "resume scrolling", "01010000"},
        {IDC_SCANBAR_SCROLL, "history scroll bar", "01010000"},
        {ID_EDIT_CLEAR_DATA, "clear data", "11111111"},
        {ID_VIEW_FULL_SCALE, "full scale", "11111111"},
    };
    for (int kind = 1; kind <= 8; ++kind)
    {
        Show(kind);
        for (const Case& c : cases)
            EXPECT_EQ(Update(c.id).enabled, c.enabledFor[kind - 1] - '0') << c.name << " on kind " << kind;
        // Zooming and showing the history are never disabled.
        EXPECT_EQ(Update(ID_VIEW_ZOOM_IN).enabled, -1) << kind;
        EXPECT_EQ(Update(ID_VIEW_ZOOM_OUT).enabled, -1) << kind;
        EXPECT_EQ(Update(ID_HISTORY_SHOW).enabled, -1) << kind;
    }
    // A table leaves the scale's check mark alone.
    Show(3);
    EXPECT_EQ(Update(ID_GRAPH_LOG).checked, -1);
}

TEST_F(GraphCommandsTest, WithoutADisplayTheDisplayCommandsAreOffThoughZoomAndCursorAreLeftAlone)
{
    for (UINT id : {ID_FILE_SAVE_ASCII, ID_FILE_SAVE_METAFILE, ID_EDIT_CLEAR_DATA, ID_VIEW_FULL_SCALE,
                    ID_VIEW_NEXT_ITEM, ID_VIEW_PREV_ITEM, ID_GRAPH_AUTOSCALE, ID_GRAPH_UNITS, ID_GRAPH_LOG,
                    ID_GRAPH_YAXIS, ID_GRAPH_TITLE, ID_GRAPH_REDRAW, ID_GRAPH_TIME_STAMP, ID_HISTORY_RESUME})
        EXPECT_EQ(Update(id).enabled, 0) << id;
    for (UINT id : {ID_VIEW_ZOOM_IN, ID_UTIL_CURSOR, ID_UTIL_CURSOR_PROPS})
        EXPECT_EQ(Update(id).enabled, -1) << id;
}

TEST_F(GraphCommandsTest, CommandsReachTheCurrentDisplayAndChartChangesMarkTheDocument)
{
    struct Case
    {
        UINT id;
        std::string call;
        bool modifies;
    };
    const Case cases[] = {
        {ID_FILE_SAVE_METAFILE, "SavePageMetafile", false},
        {ID_FILE_PRINT_SETUP, "PrinterSetup", false},
        {ID_EDIT_COPY_GRAPH, "CopyPage", false},
        {ID_EDIT_CLEAR_DATA, "ClearData", true},
        {ID_VIEW_ZOOM_IN, "Zoom 0.500000", true},
        {ID_VIEW_ZOOM_OUT, "Zoom 2.000000", true},
        {ID_VIEW_PAN_LEFT, "PanLeft 0.500000", false},
        {ID_VIEW_PAN_RIGHT, "PanRight 0.500000", false},
        {ID_VIEW_FULL_SCALE, "FullScale", false},
        {ID_GRAPH_AUTOSCALE, "AutoScale", false},
        {ID_GRAPH_LINEAR, "SetLogScale 0", true},
        {ID_GRAPH_LOG, "SetLogScale 1", true},
        {ID_GRAPH_YAXIS, "EditYAxis", false},
        {ID_GRAPH_YAXIS_LABELS, "EditYAxisLabels", false},
        {ID_GRAPH_XAXIS, "EditXAxis", false},
        {ID_GRAPH_XAXIS_LABELS, "EditXAxisLabels", false},
        {ID_GRAPH_TITLE, "EditGraphTitle", false},
        {ID_GRAPH_TRACES, "EditTraces", false},
        {ID_GRAPH_ALARM_LINES, "EditAlarmLines", false},
        {ID_GRAPH_WINDOW_BKGND, "EditWindowBackground", false},
        {ID_GRAPH_GRAPH_BKGND, "EditGraphBackground", false},
        {ID_GRAPH_REDRAW, "Redraw", false},
        {ID_GRAPH_TITLE_TEXT, "EditTitleText", false},
        {ID_UTIL_CURSOR, "ToggleCursor", false},
        {ID_HISTORY_RESUME, "ResumeScrolling", false},
        {IDC_SCANBAR_RESUME, "ResumeScrolling", false},
        {ID_HISTORY_SHOW, "ShowHistory 00", false},
        {IDC_SCANBAR_HISTORY, "ShowHistory 00", false},
    };
    CGraphRecorder* display = Show(1);
    for (const Case& c : cases)
    {
        display->calls.clear();
        m_doc->SetModifiedFlag(FALSE);
        // Straight to the document's map: some of these are off for an analog display.
        m_doc->OnCmdMsg(c.id, CN_COMMAND, nullptr, nullptr);
        EXPECT_EQ(display->calls, std::vector<std::string>{c.call}) << c.id;
        EXPECT_EQ(m_doc->IsModified() != 0, c.modifies) << c.call;
    }

    // The toolbar's log switch flips the scale; Linear and Log show it.
    display->log = 1;
    Command(ID_GRAPH_TOGGLE_LOG);
    EXPECT_EQ(display->log, 0);
    EXPECT_EQ(Update(ID_GRAPH_LINEAR).checked, 1);
    EXPECT_EQ(Update(ID_GRAPH_LOG).checked, 0);
    Command(ID_GRAPH_TOGGLE_LOG);
    EXPECT_EQ(display->log, 1);
    EXPECT_EQ(Update(ID_GRAPH_TOGGLE_LOG).checked, 1);

    // Printing holds the mode commands off while the page prints.
    Command(ID_FILE_PRINT_GRAPH);
    EXPECT_EQ(display->lockDuringPrint, 1);
    EXPECT_EQ(m_doc->m_bModeSwitchLock, 0);

    Command(ID_FILE_SAVE_ASCII);
    EXPECT_EQ(Scan()->exports, 1);
}

TEST_F(GraphCommandsTest, UpdateStatesFollowTheDisplayAndTheScan)
{
    CGraphRecorder* display = Show(1);
    // Auto Scale needs data on the display.
    display->hasData = 0;
    EXPECT_EQ(Update(ID_GRAPH_AUTOSCALE).enabled, 0);
    display->hasData = 1;
    EXPECT_EQ(Update(ID_GRAPH_AUTOSCALE).enabled, 1);

    // Clear Data and Units wait for the scan to stop.
    m_doc->m_bRepeatTimer = 1;
    EXPECT_EQ(Update(ID_EDIT_CLEAR_DATA).enabled, 0);
    EXPECT_EQ(Update(ID_GRAPH_UNITS).enabled, 0);
    m_doc->m_bRepeatTimer = 0;
    EXPECT_EQ(Update(ID_GRAPH_UNITS).enabled, 1);

    // The cursor by mode, checked from the last toggled display.
    CDisplay::s_bCursorShownGlobal = 1;
    for (int mode : {0, 1, 3, 4, 7})
    {
        m_doc->m_nMode = mode;
        EXPECT_EQ(Update(ID_UTIL_CURSOR).enabled, 1) << mode;
        EXPECT_EQ(Update(ID_UTIL_CURSOR_PROPS).enabled, 1) << mode;
    }
    EXPECT_EQ(Update(ID_UTIL_CURSOR).checked, 1);
    CDisplay::s_bCursorShownGlobal = 0;
    EXPECT_EQ(Update(ID_UTIL_CURSOR).checked, 0);
    for (int mode : {2, 5})
    {
        m_doc->m_nMode = mode;
        EXPECT_EQ(Update(ID_UTIL_CURSOR).enabled, 0) << mode;
        EXPECT_EQ(Update(ID_UTIL_CURSOR_PROPS).enabled, 0) << mode;
    }

    // History: an analog pane beside a P-vs-T one follows the history it shows.
    m_doc->m_nMode = 0;
    m_doc->m_nSecondMode = 3;
    display->historyShown = 0;
    EXPECT_EQ(Update(ID_HISTORY_RESUME).enabled, 0);
    display->historyShown = 1;
    EXPECT_EQ(Update(ID_HISTORY_RESUME).enabled, 1);
    m_doc->m_nSecondMode = CKelDoc::kNoSplit;
    EXPECT_EQ(Update(ID_HISTORY_RESUME).enabled, 0);
}

TEST_F(GraphCommandsTest, LegendsAndTimeStampToggleAndShowTheirState)
{
    CGraphRecorder* pvst = Show(4);
    EXPECT_EQ(Update(ID_VIEW_LEGENDS).checked, 0);
    Command(ID_VIEW_LEGENDS);
    EXPECT_EQ(pvst->calls.back(), "ToggleLegend 1");
    EXPECT_EQ(Update(ID_VIEW_LEGENDS).checked, 1);
    Command(ID_VIEW_LEGENDS);
    EXPECT_EQ(pvst->calls.back(), "ToggleLegend 0");

    // A split display never offers the legend, whatever its halves are.
    Show(7);
    CTestCmdUI legends = Update(ID_VIEW_LEGENDS);
    EXPECT_EQ(legends.enabled, 0);
    EXPECT_EQ(legends.checked, 0);

    CGraphRecorder* analog = Show(1);
    Scan()->m_bCaptionShown = 0;
    EXPECT_EQ(Update(ID_GRAPH_TIME_STAMP).checked, 0);
    Command(ID_GRAPH_TIME_STAMP); // no stamp yet: the start time is taken and shown
    EXPECT_EQ(Scan()->m_bCaptionShown, 1);
    EXPECT_FALSE(Scan()->m_strCaption.IsEmpty());
    EXPECT_EQ(analog->calls.back(), "ShowInfoText 1");
    EXPECT_EQ(Update(ID_GRAPH_TIME_STAMP).checked, 1);
    Command(ID_GRAPH_TIME_STAMP);
    EXPECT_EQ(analog->calls.back(), "ShowInfoText 0");
    EXPECT_EQ(Update(ID_GRAPH_TIME_STAMP).checked, 0);

    Show(2); // leak: no stamp
    CTestCmdUI stamp = Update(ID_GRAPH_TIME_STAMP);
    EXPECT_EQ(stamp.enabled, 0);
    EXPECT_EQ(stamp.checked, 0);
}

TEST_F(GraphCommandsTest, NextAndPreviousStepTheViewedLogOrTheGasLibrary)
{
    Show(1);
    EXPECT_EQ(Update(ID_VIEW_NEXT_ITEM).enabled, 0);
    Scan()->m_bViewingLog = 1;
    EXPECT_EQ(Update(ID_VIEW_NEXT_ITEM).enabled, 1);
    EXPECT_EQ(Update(ID_VIEW_PREV_ITEM).enabled, 1);
    Command(ID_VIEW_NEXT_ITEM);
    Command(ID_VIEW_PREV_ITEM);
    EXPECT_EQ(Scan()->steps, (std::vector<int>{1, 2}));

    // A library display with the gas library read steps through the gases; elsewhere the flag
    // goes back to the log.
    ASSERT_TRUE(m_doc->GetLibrary() != nullptr && m_doc->GetLibrary()->IsLoaded());
    Show(8);
    Scan()->m_bViewingLog = 0;
    EXPECT_EQ(Update(ID_VIEW_PREV_ITEM).enabled, 1);
    EXPECT_EQ(m_doc->m_bItemNavigation, 0) << "Previous leaves the flag alone";
    EXPECT_EQ(Update(ID_VIEW_NEXT_ITEM).enabled, 1);
    EXPECT_EQ(m_doc->m_bItemNavigation, 1);
    Show(1);
    Scan()->m_bViewingLog = 0;
    EXPECT_EQ(Update(ID_VIEW_NEXT_ITEM).enabled, 0);
    EXPECT_EQ(m_doc->m_bItemNavigation, 0);
}

TEST_F(GraphCommandsTest, UnitsWaitForTheScanAndForTheViewedLog)
{
    StartMonitor();
    CGraphRecorder* display = Show(1);
    m_doc->m_bRepeatTimer = 1;
    // The menu item is off meanwhile; the handler itself still guards.
    m_prompts.Expect("The scan must be stopped first").Reply(IDNO);
    m_doc->OnGraphUnits();
    EXPECT_EQ(m_doc->m_bStopRequested, 0);
    m_prompts.Expect("The scan must be stopped first").Reply(IDYES);
    m_doc->OnGraphUnits();
    EXPECT_EQ(m_doc->m_bStopRequested, 1) << "Yes stops the scan";
    EXPECT_TRUE(display->calls.empty()) << "and the command ends there";
    m_doc->m_bRepeatTimer = 0;

    Scan()->m_bViewingLog = 1;
    m_prompts.Expect("You may not change units while\nviewing scan logs.").Reply(IDOK);
    Command(ID_GRAPH_UNITS);
    EXPECT_TRUE(display->calls.empty());
    EXPECT_FALSE(m_doc->IsModified());
    EXPECT_EQ(m_prompts.Prompts().size(), 3u) << "no units dialog";
}

TEST_F(GraphCommandsTest, NewUnitsReachTheCurrentDisplayAndWaitOnTheHiddenOnes)
{
    auto* hidden = new CGraphRecorder(5);
    m_doc->SetDisplayOfKind(hidden);
    auto* table = new CGraphRecorder(3);
    m_doc->SetDisplayOfKind(table);
    CGraphRecorder* display = Show(1);

    m_prompts.Expect(IDD_GLOBAL_UNITS).Reply(IDCANCEL);
    Command(ID_GRAPH_UNITS);
    EXPECT_TRUE(display->calls.empty());
    EXPECT_EQ(hidden->m_bUnitsPending, 0) << "Cancel changes nothing";

    m_prompts.Expect(IDD_GLOBAL_UNITS).Reply(IDOK);
    Command(ID_GRAPH_UNITS);
    EXPECT_EQ(display->calls, std::vector<std::string>{"OnUnitsChanged 1"});
    EXPECT_EQ(display->m_bUnitsPending, 0);
    EXPECT_EQ(hidden->m_bUnitsPending, 1);
    EXPECT_EQ(table->m_bUnitsPending, 0) << "the table's values were converted in place";
    EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(GraphCommandsTest, PrintingOptionsAreShownInPercentAndKeptAsFractions)
{
    Show(1);
    m_doc->m_nPrintingStyle = 2;
    m_doc->m_fPrintLeft = 0.25f;
    m_doc->m_fPrintTop = 0.1f;
    m_doc->m_printFlags[1] = 1;
    std::string left, top;
    bool plot = false;
    m_prompts.Expect(IDD_PRINTING_OPTIONS)
        .Drive(
            [&](DialogDriver& d)
            {
                left = d.GetText(IDC_PRINT_LEFT);
                top = d.GetText(IDC_PRINT_TOP);
                plot = d.IsChecked(IDC_PRINT_PLOT_BKG);
                d.SetText(IDC_PRINT_LEFT, "40");
                d.Check(IDC_PRINT_BORDERS);
                d.Click(IDOK);
            });
    Command(ID_FILE_PRINT_OPTIONS);
    EXPECT_EQ(std::stod(left), 25.0);
    EXPECT_NEAR(std::stod(top), 10.0, 1e-4);
    EXPECT_TRUE(plot);
    EXPECT_FLOAT_EQ(m_doc->m_fPrintLeft, 0.4f);
    EXPECT_EQ(m_doc->m_nPrintingStyle, 2);
    EXPECT_EQ(m_doc->m_printFlags[2], 1);
    EXPECT_TRUE(m_doc->IsModified());

    m_doc->SetModifiedFlag(FALSE);
    m_prompts.Expect(IDD_PRINTING_OPTIONS).Reply(IDCANCEL);
    Command(ID_FILE_PRINT_OPTIONS);
    EXPECT_FLOAT_EQ(m_doc->m_fPrintLeft, 0.4f);
    EXPECT_FALSE(m_doc->IsModified());
}

TEST_F(GraphCommandsTest, CursorPropertiesAreTheDocumentsAndReachTheDisplayOnOk)
{
    CGraphRecorder* display = Show(1);
    m_doc->m_nCursorColor = 3;
    m_doc->m_nCursorType = 1;
    m_doc->m_nCursorWidth = 2;
    int shownStyle = -1;
    m_prompts.Expect(IDD_LINE_PARAMETERS)
        .Drive(
            [&](DialogDriver& d)
            {
                shownStyle = static_cast<int>(::SendMessage(d.Item(IDC_LINE_STYLE), CB_GETCURSEL, 0, 0));
                d.Select(IDC_LINE_STYLE, 4);
                d.Select(IDC_LINE_WIDTH, 0);
                d.Click(IDOK);
            });
    Command(ID_UTIL_CURSOR_PROPS);
    EXPECT_EQ(shownStyle, 1);
    EXPECT_EQ(m_doc->m_nCursorColor, 3);
    EXPECT_EQ(m_doc->m_nCursorType, 4);
    EXPECT_EQ(m_doc->m_nCursorWidth, 0);
    EXPECT_EQ(display->calls, std::vector<std::string>{"SetCursorProperties"});
    EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(GraphCommandsTest, TheViewsPrintCommandsPrintTheDisplaysChartPage)
{
    CGraphRecorder* display = Show(1);
    for (UINT id : {ID_FILE_PRINT, ID_FILE_PRINT_DIRECT})
    {
        display->calls.clear();
        display->lockDuringPrint = -1;
        Command(id);
        EXPECT_EQ(display->calls, std::vector<std::string>{"PrintPage"}) << id;
        EXPECT_EQ(display->lockDuringPrint, 1) << id;
        EXPECT_EQ(m_doc->m_bModeSwitchLock, 0) << id;
    }
}

// A scan bar whose history display is the test's.
class CTestScanBar : public CScanBar
{
public:
    CDisplay* GetHistoryDisplay() override { return display; }
    CDisplay* display = nullptr;
};

TEST_F(GraphCommandsTest, ShowingTheHistoryPutsTheScanBarBackAtTheLatestData)
{
    CGraphRecorder* display = Show(4);
    // Without a scan bar window the command only asks the display.
    Command(ID_HISTORY_SHOW);
    EXPECT_EQ(display->calls, std::vector<std::string>{"ShowHistory 00"});

    CTestScanBar bar;
    ASSERT_TRUE(bar.Create(m_frame, IDD_SCAN_BAR, CBRS_TOP, IDW_SCAN_BAR));
    bar.display = display;
    bar.OnHScroll(SB_PAGELEFT, 0, nullptr);
    ASSERT_LT(bar.GetCurrentPos(), CScanBar::kScrollMax);
    display->calls.clear();
    Command(IDC_SCANBAR_HISTORY);
    EXPECT_EQ(display->calls, std::vector<std::string>{"ShowHistory 00"});
    EXPECT_EQ(bar.GetCurrentPos(), CScanBar::kScrollMax);
    EXPECT_EQ(::GetScrollPos(bar.GetDlgItem(IDC_SCANBAR_SCROLL)->GetSafeHwnd(), SB_CTL),
              CScanBar::kScrollMax);
    bar.DestroyWindow();
}

TEST_F(GraphCommandsTest, DefaultLayoutKeepsTheColoursAndCursorThatNewDocumentsStartWith)
{
    CAppSettings::DestroyInstance();
    CAppSettings& settings = *CAppSettings::GetInstance();
    // Nothing stored yet: a new document keeps its records' own colours.
    {
        CKelDoc fresh;
        fresh.m_bAutoDelete = FALSE;
        ASSERT_TRUE(fresh.OnNewDocument());
        EXPECT_EQ(fresh.GetAnalogSettings(0)->m_windowBackground, 0x588D63);
        EXPECT_EQ(fresh.GetTable()->m_colorB1, 0x588D63);
        EXPECT_EQ(fresh.GetLeakData()->m_paletteColour, WGGetRGBColor(7));
        fresh.OnCloseDocument();
    }

    Show(1);
    m_doc->GetAnalogSettings(0)->m_plotBackground = RGB(1, 2, 3);
    m_doc->GetAnalogSettings(0)->m_windowBackground = RGB(4, 5, 6);
    m_doc->GetAnalogSettings(2)->m_plotBackground = RGB(7, 8, 9);
    m_doc->GetAnalogSettings(4)->m_windowBackground = RGB(10, 11, 12);
    m_doc->GetLeakData()->m_paletteColour = RGB(13, 14, 15);
    m_doc->GetLeakData()->m_lineColour = RGB(16, 17, 18);
    m_doc->GetTable()->m_colorB1 = RGB(19, 20, 21);
    m_doc->GetTable()->m_colorB2 = 3; // palette indexes
    TableWords::SetWindowColour(*m_doc->GetTable(), WGGetRGBColor(12));
    m_doc->m_nCursorColor = 5;
    m_doc->m_nCursorWidth = 3;
    m_doc->m_nCursorType = 2;
    Command(ID_FILE_DEFAULT_LAYOUT);

    EXPECT_EQ(settings.m_analogPlotColor, RGB(1, 2, 3));
    EXPECT_EQ(settings.m_analogBkgndColor, RGB(4, 5, 6));
    EXPECT_EQ(settings.m_histPlotColor, RGB(7, 8, 9));
    EXPECT_EQ(settings.m_libBkgndColor, RGB(10, 11, 12));
    EXPECT_EQ(settings.m_leakPlotColor, RGB(13, 14, 15));
    EXPECT_EQ(settings.m_leakBkgndColor, RGB(16, 17, 18));
    EXPECT_EQ(settings.m_tableBkgndColor, RGB(19, 20, 21));
    EXPECT_EQ(settings.m_tablePlotColor, WGGetRGBColor(3));
    EXPECT_EQ(settings.m_tableTableBkgndColor, WGGetRGBColor(12));
    EXPECT_EQ(settings.m_cursorColor, 5);
    EXPECT_EQ(settings.m_cursorWidth, 3);
    EXPECT_EQ(settings.m_cursorType, 2);
    // The frame's rectangle in its parent's client area.
    CRect frame;
    m_frame->GetWindowRect(&frame);
    EXPECT_EQ(settings.m_graphRight - settings.m_graphLeft, frame.Width());
    EXPECT_EQ(settings.m_graphBottom - settings.m_graphTop, frame.Height());

    // The next new document starts with them.
    CKelDoc next;
    next.m_bAutoDelete = FALSE;
    ASSERT_TRUE(next.OnNewDocument());
    EXPECT_EQ(next.GetAnalogSettings(0)->m_plotBackground, static_cast<int32_t>(RGB(1, 2, 3)));
    EXPECT_EQ(next.GetAnalogSettings(0)->m_windowBackground, static_cast<int32_t>(RGB(4, 5, 6)));
    EXPECT_EQ(next.GetAnalogSettings(2)->m_plotBackground, static_cast<int32_t>(RGB(7, 8, 9)));
    EXPECT_EQ(next.GetAnalogSettings(4)->m_windowBackground, static_cast<int32_t>(RGB(10, 11, 12)));
    EXPECT_EQ(next.GetLeakData()->m_paletteColour, RGB(13, 14, 15));
    EXPECT_EQ(next.GetLeakData()->m_lineColour, RGB(16, 17, 18));
    EXPECT_EQ(next.GetTable()->m_colorB1, static_cast<int32_t>(RGB(19, 20, 21)));
    EXPECT_EQ(next.GetTable()->m_colorB2, 3);
    EXPECT_EQ(TableWords::WindowColour(*next.GetTable()), WGGetRGBColor(12));
    EXPECT_EQ(next.m_nCursorColor, 5);
    EXPECT_EQ(next.m_nCursorWidth, 3);
    EXPECT_EQ(next.m_nCursorType, 2);
    next.OnCloseDocument();
    CAppSettings::DestroyInstance();
}

} // namespace
