// The split display offscreen: what it hands on to which pane (over recording panes), a missing
// pane, real panes built in the two halves of a document's view, the Split commands' layouts, and
// a split layout through the document file.
#include "analysis/Library.h"
#include "displays/AnalogDisplay.h"
#include "displays/BarDisplay.h"
#include "displays/ChartHost.h"
#include "displays/SplitDisplay.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "res/resource.h"
#include "scans/SplitScan.h"
#include "scans/Table.h"
#include "testkit/DialogDriver.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "win32/uidriver.h"

#include <afxwin.h>
#include <plotkit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

class CTestView : public CView
{
public:
    void OnDraw(CDC*) override {}
};

using Log = std::vector<std::string>;

// A pane that notes every operation it is asked for and answers `answer`.
class CRecordingPane : public CDisplay
{
public:
    CRecordingPane(const char* name, int kind, Log& log, int answer = 1)
        : m_name(name), m_log(log), m_answer(answer)
    {
        m_nKind = kind;
    }

    void UpdateData(void*, int) override { Note("UpdateData"); }
    int ReadData(float*, int) override { return Note("ReadData"); }
    int BuildPage() override { return Note("BuildPage"); }
    int ResizePage(int, int) override { return Note("ResizePage"); }
    int PrintPage() override { return Note("PrintPage"); }
    int CopyPage() override { return Note("CopyPage"); }
    int SavePageMetafile() override { return Note("SavePageMetafile"); }
    BOOL IsAutoScale() override { return Note("IsAutoScale"); }
    int IsLogScale() override { return Note("IsLogScale"); }
    BOOL ClearData() override { return Note("ClearData"); }
    BOOL Redraw() override { return Note("Redraw"); }
    int EditTextObject(GrDesc*, int) override { return Note("EditTextObject"); }
    int EditAxis(GrDesc*, int) override { return Note("EditAxis"); }
    void EditTitleText() override { Note("EditTitleText"); }
    int IsAvailable() override { return Note("IsAvailable"); }
    int GetHistoryCount() override { return Note("GetHistoryCount"); }
    int ShowHistory(int, int) override { return Note("ShowHistory"); }
    int TrackMouseCursor(GrDesc*, int, int) override { return Note("TrackMouseCursor"); }
    int Show(int) override { return Note("Show"); }
    int SavePlacement() override { return Note("SavePlacement"); }
    int RestorePlacement() override { return Note("RestorePlacement"); }
    int OnChartKeyDown(int, int, int) override { return Note("OnChartKeyDown"); }
    int ClosePage() override { return Note("ClosePage"); }

private:
    int Note(const char* op)
    {
        m_log.push_back(m_name + "." + op);
        return m_answer;
    }
    std::string m_name;
    Log& m_log;
    int m_answer;
};

// A split display over two recording panes (kind 0: no pane there).
struct RecordingSplit
{
    RecordingSplit(int topKind, int topAnswer, int bottomKind, int bottomAnswer)
    {
        if (topKind != 0)
            split.m_pTopDisplay = new CRecordingPane("top", topKind, log, topAnswer);
        if (bottomKind != 0)
            split.m_pBottomDisplay = new CRecordingPane("bottom", bottomKind, log, bottomAnswer);
    }
    Log log;
    CSplitDisplay split;
};

constexpr int kAnalog = 1, kTable = 3, kPvsT = 4, kBar = 5, kLibrary = 8;

class SplitTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_frame.CreateEx(0, AfxRegisterWndClass(0), "Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 560,
                         NULL, NULL);
        m_view = new CTestView;
        RECT r{0, 0, 800, 520};
        ASSERT_TRUE(m_view->Create(nullptr, "View", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r, &m_frame, 1));
        m_doc = NewDocument();
        m_doc->AddView(m_view);
    }
    void TearDown() override
    {
        m_doc->RemoveView(m_view);
        m_doc->OnCloseDocument();
        delete m_doc;
        m_view->DestroyWindow();
        m_frame.DestroyWindow();
        ChartHostCleanup(TRUE);
        UnregisterClass("PgWin", ChartHostTop()->hostInstance);
        UnregisterClass("GrWin", ChartHostTop()->hostInstance);
        UiTest::TearDown();
    }

    static CKelDoc* NewDocument()
    {
        auto* doc = new CKelDoc;
        doc->m_bAutoDelete = FALSE;
        EXPECT_TRUE(doc->OnNewDocument());
        return doc;
    }

    // The document shows a stand-in display of kind (the display a Split command starts from).
    void ShowKind(int kind)
    {
        auto* shown = new CRecordingPane("shown", kind, m_shownLog);
        m_doc->SetDisplayOfKind(shown);
        m_doc->SetCurrentDisplay(shown);
    }

    static RECT PaneRect(CDisplay* pane)
    {
        RECT r{};
        HWND window = WGGetPageWindow(pane->GetPage());
        ::GetWindowRect(window, &r);
        ::MapWindowPoints(NULL, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    CWnd m_frame;
    CTestView* m_view = nullptr;
    CKelDoc* m_doc = nullptr;
    Log m_shownLog;
};

} // namespace

TEST_F(SplitTest, OperationsGoToThePanesTheirRuleNames)
{
    struct Case
    {
        const char* what;
        int topKind, topAnswer, bottomKind, bottomAnswer;
        std::function<int(CDisplay&)> op;
        Log expected;
        int result;
    };
    const std::vector<Case> cases = {
        {"print: both pages, the lower's result",
         kAnalog,
         1,
         kBar,
         0,
         [](CDisplay& d) { return d.PrintPage(); },
         {"top.PrintPage", "bottom.PrintPage"},
         0},
        {"an edit the upper pane takes stays there",
         kAnalog,
         1,
         kBar,
         1,
         [](CDisplay& d) { return d.EditTextObject(nullptr, 3); },
         {"top.EditTextObject"},
         1},
        {"an edit the upper pane refuses goes below",
         kAnalog,
         0,
         kBar,
         1,
         [](CDisplay& d) { return d.EditAxis(nullptr, 3); },
         {"top.EditAxis", "bottom.EditAxis"},
         1},
        {"an edit neither pane takes",
         kAnalog,
         0,
         kBar,
         0,
         [](CDisplay& d) { return d.EditAxis(nullptr, 3); },
         {"top.EditAxis", "bottom.EditAxis"},
         0},
        {"log scale below a table pane",
         kTable,
         0,
         kPvsT,
         1,
         [](CDisplay& d) { return d.IsLogScale(); },
         {"bottom.IsLogScale"},
         1},
        {"log scale of a spectrum pane",
         kAnalog,
         0,
         kPvsT,
         1,
         [](CDisplay& d) { return d.IsLogScale(); },
         {"top.IsLogScale"},
         0},
        {"clearing adds both results",
         kAnalog,
         1,
         kBar,
         1,
         [](CDisplay& d) { return d.ClearData(); },
         {"top.ClearData", "bottom.ClearData"},
         2},
        {"clearing keeps the library's gas",
         kAnalog,
         1,
         kLibrary,
         1,
         [](CDisplay& d) { return d.ClearData(); },
         {"top.ClearData"},
         1},
        {"auto scale: the lower pane when the upper has none",
         kAnalog,
         0,
         kBar,
         1,
         [](CDisplay& d) { return d.IsAutoScale(); },
         {"top.IsAutoScale", "bottom.IsAutoScale"},
         1},
        {"history: the P-vs-T pane only",
         kAnalog,
         1,
         kPvsT,
         7,
         [](CDisplay& d) { return d.GetHistoryCount(); },
         {"bottom.GetHistoryCount"},
         7},
        {"history without a P-vs-T pane",
         kAnalog,
         1,
         kBar,
         1,
         [](CDisplay& d) { return d.ShowHistory(1, 2); },
         {},
         0},
        {"the cursor moves in the lower pane first",
         kAnalog,
         1,
         kBar,
         1,
         [](CDisplay& d) { return d.TrackMouseCursor(nullptr, 1, 0); },
         {"bottom.TrackMouseCursor", "top.TrackMouseCursor"},
         1},
        {"the title is the upper pane's",
         kAnalog,
         1,
         kBar,
         1,
         [](CDisplay& d)
         {
             d.EditTitleText();
             return 1;
         },
         {"top.EditTitleText"},
         1},
        {"data of a scan never reach the split display",
         kAnalog,
         1,
         kBar,
         1,
         [](CDisplay& d)
         {
             float point[2] = {1.0f, 2.0f};
             d.UpdateData(point, 0);
             return d.ReadData(point, 2);
         },
         {},
         0},
        {"a rebuild: each pane rebuilt plainly, then the upper redrawn",
         kAnalog,
         1,
         kBar,
         1,
         [](CDisplay& d) { return d.Rebuild(); },
         {"top.SavePlacement", "top.ClosePage", "top.BuildPage", "top.RestorePlacement",
          "bottom.SavePlacement", "bottom.ClosePage", "bottom.BuildPage", "bottom.RestorePlacement",
          "top.Redraw"},
         1},
        {"the page is the panes'", kAnalog, 1, kBar, 1, [](CDisplay& d) { return d.ClosePage(); }, {}, 1},
    };
    for (const Case& c : cases)
    {
        RecordingSplit s(c.topKind, c.topAnswer, c.bottomKind, c.bottomAnswer);
        EXPECT_EQ(c.op(s.split), c.result) << c.what;
        EXPECT_EQ(s.log, c.expected) << c.what;
    }
}

TEST_F(SplitTest, CopyAlternatesBetweenThePanes)
{
    RecordingSplit s(kAnalog, 1, kBar, 1);
    for (int i = 0; i < 3; ++i)
        s.split.CopyPage();
    EXPECT_EQ(s.log, (Log{"top.CopyPage", "bottom.CopyPage", "top.CopyPage"}));
}

TEST_F(SplitTest, ShiftOrCapsLockAloneSendKeysToTheLowerPane)
{
    struct Case
    {
        bool shift, caps;
        const char* pane;
    } cases[] = {
        {false, false, "top"}, {true, false, "bottom"}, {false, true, "bottom"}, {true, true, "top"}};
    auto key = [](int vk, bool down)
    {
        kel::ui::PostInput(
            MSG{NULL, static_cast<UINT>(down ? WM_KEYDOWN : WM_KEYUP), static_cast<WPARAM>(vk), 0, 0, {}});
    };
    for (const Case& c : cases)
    {
        // Caps Lock toggles on a press; Shift counts while it is held.
        if (((::GetKeyState(VK_CAPITAL) & 1) != 0) != c.caps)
        {
            key(VK_CAPITAL, true);
            key(VK_CAPITAL, false);
        }
        key(VK_SHIFT, c.shift);
        RecordingSplit s(kAnalog, 1, kBar, 1);
        s.split.OnChartKeyDown(VK_RIGHT, 1, 0);
        EXPECT_EQ(s.log, Log{std::string(c.pane) + ".OnChartKeyDown"}) << c.shift << c.caps;
    }
    key(VK_SHIFT, false);
    if (::GetKeyState(VK_CAPITAL) & 1)
    {
        key(VK_CAPITAL, true);
        key(VK_CAPITAL, false);
    }
}

TEST_F(SplitTest, AMissingPaneLeavesEveryOperationToTheOther)
{
    for (const bool lowerOnly : {true, false})
    {
        RecordingSplit s(0, 1, lowerOnly ? kPvsT : 0, 1);
        CDisplay& d = s.split;
        float values[4] = {};
        int length = 0;
        d.RefreshReadout();
        d.OnUnitsChanged(1);
        d.ResizePage(800, 500);
        d.PrintPage();
        d.CopyPage();
        d.CopyPage();
        d.SavePageMetafile();
        d.IsAutoScale();
        d.IsLogScale();
        d.SetLogScale(0);
        d.AutoScale();
        d.FullScale();
        d.ClearData();
        d.Redraw();
        d.EditTextObject(nullptr, 1);
        d.EditObject(nullptr);
        d.EditMessageObject(nullptr, 1);
        d.EditBarsObject(nullptr, 1);
        d.EditLegend(nullptr, 1);
        d.OnTraceEdited(0);
        d.EditAxis(nullptr, 1);
        d.EditAxisLabels(nullptr, 1);
        d.EditTitleText();
        d.EditTimeLabels(nullptr, 1);
        d.EditDynamicText(nullptr, 1);
        d.ShowScanData(nullptr);
        d.IsAvailable();
        d.GetHistoryCount();
        d.BuildPage();
        d.Rebuild();
        d.EditScrollObject(nullptr, 1);
        d.ToggleCursor();
        d.IsCursorShown();
        d.TrackMouseCursor(nullptr, 0, 1);
        d.SetCursorProperties();
        d.ShowHistory(0, 0);
        d.IsHistoryShown();
        d.ResumeScrolling();
        d.CanChangeHistoryLength(1, &length);
        d.Zoom(0.5f);
        d.PanLeft(0.5f);
        d.PanRight(0.5f);
        d.Show(1);
        d.EditTotalPressure();
        d.SavePlacement();
        d.RestorePlacement();
        d.FinishZoom(NULL, 0, 0);
        d.OnChartKeyDown(VK_LEFT, 1, 0);
        d.UpdateXStep();
        d.ReadData(values, 4);
        if (lowerOnly)
        {
            // The lower pane had every call meant for it, Copy included, and the key went up to no
            // pane; the history is the P-vs-T pane's.
            EXPECT_EQ(std::count(s.log.begin(), s.log.end(), "bottom.CopyPage"), 1);
            EXPECT_EQ(std::count(s.log.begin(), s.log.end(), "bottom.OnChartKeyDown"), 0);
            EXPECT_EQ(d.GetHistoryCount(), 1);
            EXPECT_EQ(d.IsLogScale(), 1);
        }
        else
        {
            EXPECT_TRUE(s.log.empty());
            EXPECT_EQ(d.GetHistoryCount(), 0);
            EXPECT_EQ(d.ClearData(), 0);
            EXPECT_EQ(d.PrintPage(), 0);
        }
    }
}

TEST_F(SplitTest, PanesAreBuiltInTheTwoHalvesOfTheView)
{
    CAnalogData* analog = m_doc->GetAnalogSettings(0);
    CAnalogData* histogram = m_doc->GetAnalogSettings(2);
    CObject* settings[2] = {analog, histogram};
    const int32_t codes[2] = {CSplitDisplay::kPaneAnalog, CSplitDisplay::kPaneHistogram};
    auto owned = std::make_unique<CSplitDisplay>(settings, codes, m_doc);
    CSplitDisplay& split = *owned;
    EXPECT_EQ(split.GetKind(), 7);
    auto* top = dynamic_cast<CAnalogDisplay*>(split.GetPane(0));
    auto* bottom = dynamic_cast<CBarDisplay*>(split.GetPane(1));
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(split.GetPaneCode(0), 0);
    EXPECT_EQ(split.GetPaneCode(1), 1);
    EXPECT_EQ(std::string(top->GetPageName()).rfind("TpPge", 0), 0u);
    EXPECT_EQ(std::string(bottom->GetPageName()).rfind("BtmPge", 0), 0u);

    split.ResizePage(800, 520);
    const RECT upper = PaneRect(top), lower = PaneRect(bottom);
    EXPECT_EQ(upper.top, 0);
    EXPECT_EQ(upper.bottom - upper.top, 260);
    EXPECT_EQ(lower.top, 260);
    EXPECT_EQ(lower.bottom - lower.top, 260);

    // A histogram pane has no history; a pane code without a display leaves the half empty.
    EXPECT_EQ(split.GetHistoryCount(), 0);
    owned.reset();
    const int32_t leak[2] = {CSplitDisplay::kPaneAnalog, 4};
    CSplitDisplay half(settings, leak, m_doc);
    EXPECT_NE(half.GetPane(0), nullptr);
    EXPECT_EQ(half.GetPane(1), nullptr);
    half.ResizePage(800, 520);
    EXPECT_EQ(PaneRect(half.GetPane(0)).bottom, 260);
}

TEST_F(SplitTest, SplitCommandsMakeTheLayoutOfTheModeInForce)
{
    struct Case
    {
        UINT command;
        int fromKind;
        int mode, secondMode, pairing, coupled;
    };
    // Coupling: 0 none, 1 the flag, 2 full (the spectrum settings triggered as well).
    const Case cases[] = {
        {ID_SPLIT_ANALOG, kAnalog, 0, 0, 0, 0},   {ID_SPLIT_ANALOG, kTable, 0, 2, 1, 1},
        {ID_SPLIT_ANALOG, kPvsT, 0, 3, 1, 2},     {ID_SPLIT_HISTOGRAM, kBar, 1, 1, 0, 0},
        {ID_SPLIT_HISTOGRAM, kTable, 1, 2, 2, 1}, {ID_SPLIT_HISTOGRAM, kPvsT, 1, 3, 2, 2},
        {ID_SPLIT_TABLE, kAnalog, 0, 2, 1, 1},    {ID_SPLIT_TABLE, kBar, 1, 2, 2, 1},
        {ID_SPLIT_TABLE, kPvsT, 3, 2, 3, 0},      {ID_SPLIT_PVST, kAnalog, 0, 3, 1, 2},
        {ID_SPLIT_PVST, kBar, 1, 3, 2, 2},        {ID_SPLIT_PVST, kTable, 3, 2, 3, 0},
    };
    for (const Case& c : cases)
    {
        const std::string what = std::to_string(c.command) + " from kind " + std::to_string(c.fromKind);
        CKelDoc* doc = m_doc;
        ShowKind(c.fromKind);
        CTable* table = doc->GetTable();
        table->m_displayWords[5] = 0;
        CAnalogData* spectrum = doc->GetAnalogSettings(c.mode == 1 ? 2 : 0);
        spectrum->m_scanMode = 0;
        spectrum->m_noiseFloor = 5;
        {
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect("Not Enough Memory").Reply(IDOK).AnyTimes();
            doc->OnCmdMsg(c.command, CN_COMMAND, nullptr, nullptr);
        }
        EXPECT_EQ(doc->m_nMode, c.mode) << what;
        EXPECT_EQ(doc->m_nSecondMode, c.secondMode) << what;
        EXPECT_EQ(table->m_displayWords[5], c.coupled != 0 ? 1u : 0u) << what;
        if (c.coupled != 0)
        {
            EXPECT_EQ(table->m_displayWords[6], 5u) << what; // the spectrum's scan speed
        }
        // Full coupling triggers the spectrum's sweeps.
        EXPECT_EQ(spectrum->m_scanMode, c.coupled == 2 ? 2 : 0) << what;
        CDisplay* split = doc->GetCurrentDisplay();
        ASSERT_NE(split, nullptr) << what;
        ASSERT_EQ(split->GetKind(), 7) << what;
        EXPECT_EQ(split->GetPaneCode(0), c.mode) << what;
        EXPECT_EQ(split->GetPaneCode(1), c.secondMode) << what;
        auto* scan = dynamic_cast<CSplitScan*>(doc->GetCurrentScan());
        EXPECT_EQ(doc->IsModified(), scan != nullptr) << what;
        ASSERT_NE(scan, nullptr) << what;
        EXPECT_EQ(scan->GetCouplingMode(), c.pairing) << what;
        EXPECT_EQ(scan->GetChild(0)->m_pDisplay, split->m_pTopDisplay) << what;
        EXPECT_EQ(scan->GetChild(1)->m_pDisplay, split->m_pBottomDisplay) << what;
        // Both panes on one kind of settings work on one copy; Split P vs T on the document's own.
        const bool shared = (c.mode == 2 || c.mode == 3) && (c.secondMode == 2 || c.secondMode == 3);
        EXPECT_NE(doc->m_pSplitSettings[0], nullptr) << what;
        EXPECT_EQ(doc->m_pSplitSettings[0] == doc->m_pSplitSettings[1], shared) << what;
        if (c.command == ID_SPLIT_PVST)
        {
            ASSERT_NE(split->m_pBottomDisplay, nullptr) << what;
            EXPECT_EQ(split->m_pBottomDisplay->m_pSettings, doc->GetTable()) << what;
        }
        else if (split->m_pTopDisplay != nullptr)
        {
            EXPECT_EQ(split->m_pTopDisplay->m_pSettings, doc->m_pSplitSettings[0]) << what;
        }
        // Leaving the layout takes the split display and the copies with it.
        doc->SetCurrentScan(nullptr);
        doc->LeaveSplitLayout();
        EXPECT_EQ(doc->GetDisplayOfKind(7), nullptr) << what;
        EXPECT_EQ(doc->m_pSplitSettings[0], nullptr) << what;
        EXPECT_EQ(doc->m_pSplitSettings[1], nullptr) << what;
        doc->SetModifiedFlag(FALSE);
    }

    // From a display the command offers no layout for, and while a switch is locked, nothing.
    ShowKind(kLibrary);
    m_doc->OnSplitAnalog();
    EXPECT_EQ(m_doc->GetCurrentDisplay()->GetKind(), kLibrary);
    ShowKind(kAnalog);
    m_doc->m_bModeSwitchLock = 1;
    m_doc->OnSplitHistogram();
    m_doc->OnSplitAnalog();
    EXPECT_EQ(m_doc->GetCurrentDisplay()->GetKind(), kAnalog);
    m_doc->m_bModeSwitchLock = 0;
}

TEST_F(SplitTest, TheSplitCommandsAreOfferedFromTheDisplaysTheyStartFrom)
{
    struct Probe : CCmdUI
    {
        BOOL enabled = -1;
        void Enable(BOOL on) override { enabled = on ? 1 : 0; }
    };
    const UINT commands[] = {ID_SPLIT_ANALOG, ID_SPLIT_HISTOGRAM, ID_SPLIT_TABLE, ID_SPLIT_PVST,
                             ID_SPLIT_LIBRARY};
    // Rows: the shown kind; columns: the commands above.
    const struct
    {
        int kind;
        BOOL enabled[5];
    } rows[] = {{kAnalog, {1, 0, 1, 1, 1}}, {kBar, {0, 1, 1, 1, 1}},     {kTable, {1, 1, 0, 1, 1}},
                {kPvsT, {1, 1, 1, 0, 1}},   {kLibrary, {0, 0, 0, 0, 0}}, {7, {0, 0, 0, 0, 0}}};
    for (const auto& row : rows)
    {
        ShowKind(row.kind);
        for (int i = 0; i < 5; ++i)
        {
            Probe probe;
            probe.m_nID = commands[i];
            probe.DoUpdate(m_doc, FALSE);
            EXPECT_EQ(probe.enabled, row.enabled[i]) << "kind " << row.kind << " command " << commands[i];
        }
    }
}

TEST_F(SplitTest, TheParameterDialogEditsTheSettingsThePanesShow)
{
    ShowKind(kAnalog);
    m_doc->OnSplitAnalog();
    auto* split = dynamic_cast<CSplitDisplay*>(m_doc->GetCurrentDisplay());
    ASSERT_NE(split, nullptr);
    ASSERT_NE(m_doc->GetCurrentScan(), nullptr);
    auto* upper = static_cast<CAnalogData*>(split->GetPane(0)->m_pSettings);
    auto* lower = static_cast<CAnalogData*>(split->GetPane(1)->m_pSettings);
    ASSERT_NE(upper, m_doc->GetAnalogSettings(0));
    const int ownStart = m_doc->GetAnalogSettings(0)->m_startMass;
    const int ownStop = m_doc->GetAnalogSettings(1)->m_stopMass;
    const int start = upper->m_startMass + 1, stop = lower->m_stopMass - 1;
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect(IDD_DUAL_SCAN_PARAMETERS)
            .Drive(
                [&](kel::testkit::DialogDriver& d)
                {
                    d.SetText(IDC_SCANPARAM_START, std::to_string(start));
                    d.SetText(IDC_SCANPARAM_BOTTOM_STOP, std::to_string(stop));
                    d.Click(IDOK);
                });
        prompts.Expect("").Reply(IDOK).AnyTimes();
        m_doc->OnAnalogParameters();
    }
    // The panes (and the halves of the split scan that sweep by their records) take the change.
    EXPECT_EQ(upper->m_startMass, start);
    EXPECT_EQ(lower->m_stopMass, stop);
    EXPECT_EQ(m_doc->GetAnalogSettings(0)->m_startMass, ownStart);
    EXPECT_EQ(m_doc->GetAnalogSettings(1)->m_stopMass, ownStop);
}

TEST_F(SplitTest, ASplitLayoutGoesThroughTheDocumentFile)
{
    ShowKind(kAnalog);
    m_doc->OnSplitAnalog();
    auto* split = dynamic_cast<CSplitDisplay*>(m_doc->GetCurrentDisplay());
    ASSERT_NE(split, nullptr);
    auto* top = dynamic_cast<CAnalogDisplay*>(split->GetPane(0));
    auto* bottom = dynamic_cast<CAnalogDisplay*>(split->GetPane(1));
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    // Two panes on two separate copies of the first and second analog settings.
    ASSERT_NE(m_doc->m_pSplitSettings[0], m_doc->m_pSplitSettings[1]);
    EXPECT_EQ(top->m_pSettings, m_doc->m_pSplitSettings[0]);
    EXPECT_EQ(bottom->m_pSettings, m_doc->m_pSplitSettings[1]);
    auto* upperCopy = static_cast<CAnalogData*>(m_doc->m_pSplitSettings[0]);
    upperCopy->m_stopMass = 40;
    upperCopy->m_pointCount = upperCopy->ExpectedPointCount();
    ASSERT_TRUE(split->Rebuild());
    // A sweep reaches the upper pane as the analog child scan sends it.
    for (int i = 0; i < upperCopy->m_pointCount; ++i)
    {
        const float point[2] = {1.0f + 0.1f * static_cast<float>(i), 1e-8f * static_cast<float>(i + 1)};
        top->UpdateData(const_cast<float*>(point), 0);
    }

    kel::testkit::TempDir dir{"split-"};
    const auto path = dir / "split.kel";
    ASSERT_TRUE(m_doc->OnSaveDocument(path.c_str()));

    CKelDoc* loaded = NewDocument();
    ASSERT_TRUE(loaded->OnOpenDocument(path.c_str()));
    EXPECT_EQ(loaded->m_nMode, 0);
    EXPECT_EQ(loaded->m_nSecondMode, 0);
    auto* back = dynamic_cast<CSplitDisplay*>(loaded->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetPaneCode(0), 0);
    EXPECT_EQ(back->GetPaneCode(1), 0);
    auto* backTop = dynamic_cast<CAnalogDisplay*>(back->GetPane(0));
    ASSERT_NE(backTop, nullptr);
    ASSERT_NE(back->GetPane(1), nullptr);
    // The panes show the document's copies again, and the split scan's children feed the panes.
    EXPECT_EQ(backTop->m_pSettings, loaded->m_pSplitSettings[0]);
    EXPECT_EQ(back->GetPane(1)->m_pSettings, loaded->m_pSplitSettings[1]);
    EXPECT_EQ(static_cast<CAnalogData*>(loaded->m_pSplitSettings[0])->m_stopMass, 40);
    auto* scan = dynamic_cast<CSplitScan*>(loaded->GetCurrentScan());
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->GetChild(0)->m_pDisplay, backTop);
    EXPECT_EQ(scan->GetChild(1)->m_pDisplay, back->GetPane(1));

    // Shown in a view, the stored sweep comes back in the upper pane.
    m_doc->RemoveView(m_view);
    loaded->AddView(m_view);
    loaded->m_bOpenedFromFile = 1;
    loaded->ShowInitialDisplay();
    ASSERT_NE(backTop->GetPage(), nullptr);
    ASSERT_NE(back->GetPane(1)->GetPage(), nullptr);
    std::vector<float> values(static_cast<size_t>(upperCopy->m_pointCount));
    ASSERT_EQ(backTop->ReadData(values.data(), static_cast<int>(values.size())), upperCopy->m_pointCount);
    EXPECT_FLOAT_EQ(values[5], 6e-8f);
    loaded->RemoveView(m_view);
    m_doc->AddView(m_view);
    loaded->OnCloseDocument();
    delete loaded;
}

TEST_F(SplitTest, TheLibraryLayoutKeepsTheScanAboveTheGasLibraryAndGoesThroughTheFile)
{
    // The program tells the library that its display is shown (a pane of the split display).
    struct Host : CLibraryHost
    {
        BOOL IsLibraryMode() override { return TRUE; }
        void EnterLibraryMode() override {}
        BOOL IsLibraryDisplayCurrent() override { return TRUE; }
    } host;
    struct HostScope
    {
        explicit HostScope(CLibraryHost* host) : previous(CLibrary::SetHost(host)) {}
        ~HostScope() { CLibrary::SetHost(previous); }
        CLibraryHost* previous;
    } scope(&host);
    m_doc->OnModeAnalog();
    CScan* scan = m_doc->GetCurrentScan();
    ASSERT_NE(scan, nullptr);
    ASSERT_NE(m_doc->GetLibrary(), nullptr) << "the gas library is read from the program's folder";
    CAnalogData* analog = m_doc->GetAnalogSettings(0);
    analog->m_startMass = 2;
    analog->m_stopMass = 44;
    analog->m_pointCount = analog->ExpectedPointCount();
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("").Reply(IDOK).AnyTimes(); // the parameter dialogs, where they show
        m_doc->OnSplitLibrary();
    }
    auto* split = dynamic_cast<CSplitDisplay*>(m_doc->GetCurrentDisplay());
    ASSERT_NE(split, nullptr);
    EXPECT_EQ(m_doc->GetCurrentScan(), scan); // the scan in force stays
    EXPECT_EQ(m_doc->m_nMode, 0);
    EXPECT_EQ(m_doc->m_nSecondMode, 7);
    EXPECT_EQ(scan->m_pDisplay, split->GetPane(0));
    EXPECT_EQ(m_doc->GetLibrary()->GetDisplay(), split->GetPane(1));
    EXPECT_EQ(m_doc->GetLibrary()->GetRangeSettings(), m_doc->m_pSplitSettings[1]);
    // The library's bars take the analog range, one per mass.
    const CAnalogData* library = m_doc->GetAnalogSettings(4);
    EXPECT_EQ(library->m_startMass, 2);
    EXPECT_EQ(library->m_stopMass, 44);
    EXPECT_EQ(library->m_pointCount, 43);
    EXPECT_EQ(m_doc->m_bLibraryDlgOpen, 1);

    kel::testkit::TempDir dir{"split-lib-"};
    const auto path = dir / "library.kel";
    ASSERT_TRUE(m_doc->OnSaveDocument(path.c_str()));
    CKelDoc* loaded = NewDocument();
    ASSERT_TRUE(loaded->OnOpenDocument(path.c_str()));
    auto* back = dynamic_cast<CSplitDisplay*>(loaded->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetPaneCode(0), 0);
    EXPECT_EQ(back->GetPaneCode(1), 7);
    EXPECT_EQ(loaded->GetLibrary()->GetDisplay(), back->GetPane(1));
    EXPECT_EQ(loaded->GetLibrary()->GetRangeSettings(), back->GetPane(1)->m_pSettings);
    EXPECT_EQ(loaded->GetCurrentScan()->m_pDisplay, back->GetPane(0));
    EXPECT_EQ(loaded->GetCurrentScan()->m_pDisplay->m_pSettings, loaded->m_pSplitSettings[0]);
    loaded->OnCloseDocument();
    delete loaded;

    // A mode switch away from the layout gives the library its own settings back.
    m_doc->OnModeAnalog();
    EXPECT_EQ(m_doc->GetDisplayOfKind(7), nullptr);
    EXPECT_EQ(m_doc->GetLibrary()->GetRangeSettings(), m_doc->GetAnalogSettings(4));
    EXPECT_EQ(m_doc->GetLibrary()->GetDisplay(), nullptr);
}

TEST_F(SplitTest, DamagedSplitDocumentsAreRefusedWithoutHarm)
{
    // A split layout with the library below: the most cross-referenced document there is.
    struct Host : CLibraryHost
    {
        BOOL IsLibraryMode() override { return TRUE; }
        void EnterLibraryMode() override {}
        BOOL IsLibraryDisplayCurrent() override { return TRUE; }
    } host;
    CLibraryHost* previous = CLibrary::SetHost(&host);
    m_doc->OnModeAnalog();
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("").Reply(IDOK).AnyTimes();
        m_doc->OnSplitLibrary();
    }
    kel::testkit::TempDir dir{"split-bad-"};
    const auto good = dir / "good.kel";
    ASSERT_TRUE(m_doc->OnSaveDocument(good.c_str()));
    CLibrary::SetHost(previous);
    std::ifstream in(good, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const char tag[] = "CSplitDisplay";
    const auto at = std::search(bytes.begin(), bytes.end(), tag, tag + sizeof tag - 1);
    ASSERT_NE(at, bytes.end());

    // Bytes of the library record on, changed one at a time, and the file cut short: each one
    // loads or is refused; nothing is freed twice or left behind (the sanitizers watch).
    CKelDoc* doc = NewDocument();
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("").Reply(IDOK).AnyTimes();
    const auto bad = dir / "bad.kel";
    const size_t from = static_cast<size_t>(at - bytes.begin()) - 600;
    int refused = 0;
    for (size_t i = from; i < bytes.size(); i += 5)
    {
        for (const char value : {'\0', '\xff', '\x01'})
        {
            std::vector<char> damaged = bytes;
            damaged[i] = value;
            if (value == '\x01')
                damaged.resize(i);
            std::ofstream(bad, std::ios::binary)
                .write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
            refused += doc->OnOpenDocument(bad.c_str()) ? 0 : 1;
        }
    }
    EXPECT_GT(refused, 0);
    doc->OnCloseDocument();
    delete doc;
}
