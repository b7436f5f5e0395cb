// The document's scan, logging, analysis and output commands through a real view in a stand-in main
// frame, on a document bound to the simulated head: each command's update state for the displays
// and modes it serves, and what its dialog's OK and Cancel leave behind.
#include "ScanFakes.h"

#include "analysis/Library.h"
#include "dialogs/AudibleAlarmDlg.h"
#include "dialogs/BackgroundSetupDlg.h"
#include "dialogs/IoBoardSetupDlg.h"
#include "dialogs/LibrarySearchDlg.h"
#include "dialogs/PressureReductionDlg.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "doc/LeakData.h"
#include "head/Head.h"
#include "io/CbBoard.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "res/resource.h"
#include "scans/AnalogScan.h"
#include "scans/LeakScans.h"
#include "scans/ScanParameterDlg.h"
#include "scans/Table.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "units/Units.h"
#include "view/KelView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using kel::testkit::UiTest;
using scantest::CRecordingDisplay;

namespace
{

// The analog scan with its analysis window and background as the test sets them.
class CProbeScan : public CAnalogScan
{
public:
    using CAnalogScan::CAnalogScan;
    BOOL HasAnalysis() override { return m_analysis; }
    BOOL IsAnalysisVisible() override { return m_analysisVisible; }
    BOOL CloseAnalysis() override
    {
        m_analysis = 0;
        ++m_closed;
        return 1;
    }
    BOOL HasBackground() override { return m_background; }
    void DropBackground() override
    {
        m_background = 0;
        ++m_dropped;
    }
    void StopLogging() override
    {
        CAnalogScan::StopLogging();
        ++m_stopped;
    }
    BOOL AcquireBackground() override
    {
        m_background = 1;
        return 1;
    }
    BOOL RemoveBackground() override
    {
        m_background = 0;
        return 1;
    }
    void SetBackgroundMode(int mode) override { m_backgroundMode = mode; }
    BOOL IsRunning() override { return m_running || CAnalogScan::IsRunning(); }
    int m_analysis = 0;
    int m_analysisVisible = 0;
    int m_background = 0;
    int m_running = 0;
    int m_closed = 0;
    int m_dropped = 0;
    int m_stopped = 0;
    int m_backgroundMode = -1;
};

// A recording display of any kind.
class CKindDisplay : public CRecordingDisplay
{
public:
    using CRecordingDisplay::CRecordingDisplay;
    void SetKind(int kind) { m_nKind = kind; }
};

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

class ScanCommandsTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ::unsetenv("CBDIREC");
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

        ASSERT_TRUE(CPortMonitor::Instance().Start());
        m_prompts.Expect(IDD_CONNECTOR_LIST)
            .Drive(
                [](DialogDriver& d)
                {
                    d.Click(IDC_CONNECTOR_CONNECT);
                    d.Click(IDOK);
                });
        m_doc->OnConnectorListSetup();
        ASSERT_NE(m_doc->m_pHead, nullptr);

        CAnalogData* settings = m_doc->GetAnalogSettings(0);
        settings->m_startMass = 1;
        settings->m_stopMass = 10;
        settings->m_pointsPerAmu = 10;
        settings->UpdateDerived();
        m_display = std::make_unique<CKindDisplay>(settings);
        m_split = std::make_unique<CKindDisplay>(settings);
        m_split->SetKind(7);
        m_libraryHalf = std::make_unique<CKindDisplay>(m_doc->GetAnalogSettings(4));
        m_libraryHalf->SetKind(8);
        m_scan = new CProbeScan(settings, m_doc->m_pHead, m_display.get());
        m_doc->SetCurrentScan(m_scan);
        Show(1);
        ASSERT_TRUE(m_scan->AttachDocument(m_doc));
        m_doc->SetModifiedFlag(FALSE);
    }

    void TearDown() override
    {
        ::unsetenv("CBDIREC");
        CCbBoard::SetBoardLocked(FALSE);
        UiTest::PumpUntil([] { return CPortMonitor::Instance().IsIdle(); });
        CPortMonitor::Destroy();
        m_doc->SetCurrentScan(nullptr);
        m_doc->SetCurrentDisplay(nullptr);
        m_display.reset();
        m_split.reset();
        m_libraryHalf.reset();
        m_view->DestroyWindow();
        m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        CPortList::Destroy();
        UiTest::TearDown();
    }

    // The current display as a display of kind, in a layout of mode and second mode.
    void Show(int kind, int mode = 0, int second = CKelDoc::kNoSplit)
    {
        CKindDisplay* display = kind == 7 ? m_split.get() : m_display.get();
        display->SetKind(kind);
        m_doc->SetCurrentDisplay(display);
        m_doc->m_nMode = mode;
        m_doc->m_nSecondMode = second;
    }

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
    CProbeScan* m_scan = nullptr; // the document's
    std::unique_ptr<CKindDisplay> m_display;
    std::unique_ptr<CKindDisplay> m_split;
    std::unique_ptr<CKindDisplay> m_libraryHalf;
};

// ---- Update states

struct UpdateCase
{
    UINT id;
    int kind, mode, second;
    int busy;
    int enabled; // -1: left untouched
};

TEST_F(ScanCommandsTest, EachCommandIsEnabledForTheDisplaysAndModesItServes)
{
    constexpr int N = CKelDoc::kNoSplit;
    const UpdateCase cases[] = {
        {ID_SCAN_ANALOG_PARAMS, 1, 0, N, 0, 1},
        {ID_SCAN_ANALOG_PARAMS, 1, 0, N, 1, 0},
        {ID_SCAN_ANALOG_PARAMS, 7, 0, 7, 0, 1},
        {ID_SCAN_ANALOG_PARAMS, 7, 1, 0, 0, 0},
        {ID_SCAN_ANALOG_PARAMS, 5, 1, N, 0, 0},
        {ID_SCAN_HIST_PARAMS, 5, 1, N, 0, 1},
        {ID_SCAN_HIST_PARAMS, 7, 1, 7, 0, 1},
        {ID_SCAN_HIST_PARAMS, 1, 0, N, 0, 0},
        {ID_SCAN_TABLE_PARAMS, 3, 2, N, 0, 1},
        {ID_SCAN_TABLE_PARAMS, 6, 5, N, 0, 1},
        {ID_SCAN_TABLE_PARAMS, 7, 0, 3, 0, 1},
        {ID_SCAN_TABLE_PARAMS, 1, 0, N, 0, 0},
        {ID_SCAN_TABLE_PARAMS, 3, 2, N, 1, 0},
        {ID_SCAN_LEAK_PARAMS, 2, 4, N, 0, 1},
        {ID_SCAN_LEAK_PARAMS, 2, 4, N, 1, 0},
        {ID_SCAN_LEAK_PARAMS, 1, 0, N, 0, 0},
        {ID_SCAN_LIB_PARAMS, 8, 7, N, 1, 1},
        {ID_SCAN_LIB_PARAMS, 7, 3, 7, 0, 1},
        {ID_SCAN_LIB_PARAMS, 1, 0, N, 0, 0},
        {ID_FILE_OPEN_SCAN_LOGS, 1, 0, N, 0, 1},
        {ID_FILE_OPEN_SCAN_LOGS, 7, 0, 7, 0, 1},
        {ID_FILE_OPEN_SCAN_LOGS, 7, 3, 7, 0, 0},
        {ID_FILE_OPEN_SCAN_LOGS, 4, 3, N, 0, 0},
        {ID_FILE_OPEN_SCAN_LOGS, 2, 4, N, 0, 0},
        {ID_FILE_OPEN_SCAN_LOGS, 1, 0, N, 1, 0},
        {ID_FILE_SAVE_SCAN_LOGS, 1, 0, N, 0, 0}, // not viewing a log
        {ID_UTIL_TOGGLE_AVERAGING, 1, 0, N, 0, 1},
        {ID_UTIL_TOGGLE_AVERAGING, 5, 1, N, 0, 1},
        {ID_UTIL_TOGGLE_AVERAGING, 3, 2, N, 0, 0},
        {ID_UTIL_TOGGLE_AVERAGING, 1, 0, N, 1, 0},
        {ID_UTIL_AVERAGE_SETUP, 1, 0, N, 0, 1},
        {ID_UTIL_AVERAGE_SETUP, 1, 0, N, 1, 0},
        {ID_UTIL_NULL, 1, 0, N, 0, 0}, // only the leak test takes a zero
        {ID_UTIL_REMOVE_NULL, 1, 0, N, 0, 0},
        {ID_UTIL_ANALYZE, 1, 0, N, 0, 1},
        {ID_UTIL_ANALYZE, 7, 1, 3, 0, 1},
        {ID_UTIL_ANALYZE, 3, 2, N, 0, 0},
        {ID_UTIL_ANALYZE_SETTINGS, 5, 1, N, 0, 1},
        {ID_UTIL_LEAK_AUDIO, 2, 4, N, 0, 1},
        {ID_UTIL_LEAK_AUDIO, 2, 4, N, 1, 0},
        {ID_UTIL_LEAK_AUDIO, 1, 0, N, 0, 0},
        {ID_UTIL_TOTAL_PRESSURE, 1, 0, N, 1, 1},
        {ID_UTIL_TOTAL_PRESSURE, 6, 5, N, 0, 0},
        {ID_UTIL_TOTAL_PRESSURE, 8, 7, N, 0, 0},
        {ID_UTIL_BACKGROUND, 1, 0, N, 0, 1},
        {ID_UTIL_BACKGROUND, 1, 0, N, 1, 0},
        {ID_UTIL_BACKGROUND, 2, 4, N, 0, 0},
        {ID_UTIL_BACKGROUND, 6, 5, N, 0, 0},
        {ID_FILE_SCAN_LOGGING, 1, 0, N, 1, -1},
        {ID_UTIL_AUDIBLE_ALARM, 2, 4, N, 1, -1},
        {ID_UTIL_OUTPUT_CHANNELS, 1, 0, N, 0, 0}, // no board yet
        {ID_UTIL_MANUAL_OUTPUT, 1, 0, N, 0, 0},
        {ID_SCAN_PRESENT, 1, 0, N, 1, 1},
        {ID_SCAN_GOTO, 1, 0, N, 0, -1},
    };
    for (const UpdateCase& c : cases)
    {
        Show(c.kind, c.mode, c.second);
        m_doc->m_bRepeatTimer = c.busy;
        EXPECT_EQ(Update(c.id).enabled, c.enabled) << "command " << c.id << " kind " << c.kind << " modes "
                                                   << c.mode << "/" << c.second << " busy " << c.busy;
    }
    m_doc->m_bRepeatTimer = 0;

    // The leak test takes a zero: Null and Remove Null come on.
    Show(2, 4);
    m_doc->SetCurrentScan(new CLeakScans(m_doc->GetLeakData(), m_doc->m_pHead, m_display.get()));
    m_scan = nullptr;
    EXPECT_EQ(Update(ID_UTIL_NULL).enabled, 1);
    EXPECT_EQ(Update(ID_UTIL_REMOVE_NULL).enabled, 1);

    // Without a head the table editor is off; without a scan the scan's commands are.
    Show(3, 2);
    CHead* head = m_doc->m_pHead;
    m_doc->m_pHead = nullptr;
    EXPECT_EQ(Update(ID_SCAN_TABLE_PARAMS).enabled, 0);
    m_doc->m_pHead = head;
    Show(1);
    m_doc->SetCurrentScan(nullptr);
    for (UINT id : {ID_SCAN_ANALOG_PARAMS, ID_UTIL_AVERAGE_SETUP, ID_UTIL_AVERAGE_RESET,
                    ID_UTIL_TOGGLE_AVERAGING, ID_UTIL_ANALYZE, ID_UTIL_BACKGROUND, ID_SCAN_PRESENT})
        EXPECT_EQ(Update(id).enabled, 0) << id;
    EXPECT_EQ(Update(ID_UTIL_NULL).enabled, -1);
    EXPECT_EQ(Update(ID_FILE_SCAN_LOGGING).checked, 0);
}

TEST_F(ScanCommandsTest, BackgroundIsOffWhileAnAnalysisWindowExistsButStillShowsItsCheck)
{
    m_scan->m_analysis = 1;
    m_scan->m_analysisVisible = 0;
    m_scan->m_background = 1;
    CTestCmdUI ui = Update(ID_UTIL_BACKGROUND);
    EXPECT_EQ(ui.enabled, 0);
    EXPECT_EQ(ui.checked, 1);

    // A visible analysis window keeps Analyze off; a hidden one is closed and Analyze comes back.
    m_scan->m_analysisVisible = 1;
    EXPECT_EQ(Update(ID_UTIL_ANALYZE).enabled, 0);
    EXPECT_EQ(m_scan->m_closed, 0);
    m_scan->m_analysisVisible = 0;
    EXPECT_EQ(Update(ID_UTIL_ANALYZE).enabled, 1);
    EXPECT_EQ(m_scan->m_closed, 1);
    EXPECT_EQ(Update(ID_UTIL_BACKGROUND).enabled, 1);
}

TEST_F(ScanCommandsTest, BackgroundSetupTakesOrDropsTheBackgroundOnOk)
{
    m_prompts.Expect(IDD_BACKGROUND_SETUP).Reply(IDCANCEL);
    Command(ID_UTIL_BACKGROUND);
    EXPECT_FALSE(m_doc->IsModified());

    m_prompts.Expect(IDD_BACKGROUND_SETUP)
        .Drive(
            [](DialogDriver& d)
            {
                d.Click(IDC_BKG_ENABLE);
                d.Click(IDOK);
            });
    Command(ID_UTIL_BACKGROUND);
    EXPECT_EQ(m_scan->m_background, 1);
    EXPECT_EQ(m_scan->m_backgroundMode, 1);
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(Update(ID_UTIL_BACKGROUND).checked, 1);

    m_prompts.Expect(IDD_BACKGROUND_SETUP)
        .Drive(
            [](DialogDriver& d)
            {
                d.Click(IDC_BKG_ENABLE);
                d.Click(IDOK);
            });
    Command(ID_UTIL_BACKGROUND);
    EXPECT_EQ(m_scan->m_background, 0);
}

TEST_F(ScanCommandsTest, AnalogParametersWaitForPeakTuningAndResyncOnOk)
{
    m_doc->m_bPeakTuning = 1;
    m_prompts.Expect("You must exit the Peak Tuning").Reply(IDOK);
    Command(ID_SCAN_ANALOG_PARAMS); // no parameter dialog: the script would fail on it
    m_doc->m_bPeakTuning = 0;

    m_prompts.Expect(IDD_SCAN_PARAMETERS).Reply(IDCANCEL);
    Command(ID_SCAN_ANALOG_PARAMS);
    EXPECT_TRUE(m_display->CallsStartingWith("Rebuild").empty());
    EXPECT_FALSE(m_doc->IsModified());

    m_scan->m_background = 1;
    m_prompts.Expect(IDD_SCAN_PARAMETERS)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_SCANPARAM_STOP, "20");
                d.Click(IDOK);
            });
    Command(ID_SCAN_ANALOG_PARAMS);
    EXPECT_EQ(m_doc->GetAnalogSettings(0)->m_stopMass, 20);
    EXPECT_EQ(m_display->CallsStartingWith("Rebuild").size(), 1u);
    EXPECT_EQ(m_scan->m_background, 0);
    EXPECT_GE(m_scan->m_stopped, 1);
    EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(ScanCommandsTest, OverALibraryHalfTheAnalogEditorCountsOnePointPerMassAndAttachesTheLibrary)
{
    Show(7, 0, 7);
    m_split->m_pBottomDisplay = m_libraryHalf.get();
    m_doc->m_bItemNavigation = 1;
    ASSERT_TRUE(m_doc->CreateGasLibrary());
    m_prompts.Expect(IDD_SCAN_PARAMETERS)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_SCANPARAM_START, "2");
                d.SetText(IDC_SCANPARAM_STOP, "30");
                d.Click(IDOK);
            });
    Command(ID_SCAN_ANALOG_PARAMS);
    const CAnalogData* analog = m_doc->GetAnalogSettings(0);
    const CAnalogData* library = m_doc->GetAnalogSettings(4);
    EXPECT_EQ(analog->m_pointCount, 28 * analog->m_pointsPerAmu + 1);
    EXPECT_EQ(library->m_startMass, 2);
    EXPECT_EQ(library->m_stopMass, 30);
    EXPECT_EQ(library->m_pointCount, 29);
    EXPECT_EQ(m_split->CallsStartingWith("Rebuild").size(), 1u);
    EXPECT_TRUE(m_doc->IsModified());
    m_split->m_pBottomDisplay = nullptr;
}

TEST_F(ScanCommandsTest, LibraryParametersStoreTheRangeWithoutMarkingTheDocument)
{
    Show(7, 3, 7);
    m_split->m_pBottomDisplay = m_libraryHalf.get();
    m_doc->m_bItemNavigation = 1;
    ASSERT_TRUE(m_doc->CreateGasLibrary());
    m_prompts.Expect(IDD_LIB_SCAN_PARAMETERS)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_LIB_START_MASS, "5");
                d.SetText(IDC_LIB_STOP_MASS, "44");
                d.Click(IDOK);
            });
    Command(ID_SCAN_LIB_PARAMS);
    const CAnalogData* library = m_doc->GetAnalogSettings(4);
    EXPECT_EQ(library->m_startMass, 5);
    EXPECT_EQ(library->m_stopMass, 44);
    EXPECT_EQ(library->m_pointCount, 40);
    EXPECT_EQ(m_libraryHalf->CallsStartingWith("Rebuild").size(), 1u);
    EXPECT_FALSE(m_doc->IsModified());
    m_split->m_pBottomDisplay = nullptr;
}

TEST_F(ScanCommandsTest, AveragingToggleAndSetupFollowTheScan)
{
    Command(ID_UTIL_TOGGLE_AVERAGING);
    EXPECT_EQ(m_scan->m_bAveragingOn, 1);
    EXPECT_EQ(Update(ID_UTIL_TOGGLE_AVERAGING).checked, 1);
    EXPECT_EQ(Update(ID_UTIL_AVERAGE_SETUP).checked, 1);
    EXPECT_EQ(Update(ID_UTIL_AVERAGE_RESET).enabled, 0) << "nothing averaged yet";
    Command(ID_UTIL_TOGGLE_AVERAGING);
    EXPECT_EQ(m_scan->m_bAveragingOn, 0);

    m_prompts.Expect(IDD_AVERAGE_SETUP).Reply(IDCANCEL);
    Command(ID_UTIL_AVERAGE_SETUP);
    EXPECT_EQ(m_scan->m_bAveragingOn, 0);
}

TEST_F(ScanCommandsTest, PressureReductionOffersToStopARunningScanElseStoresTheFactor)
{
    m_scan->m_running = 1;
    m_prompts.Expect("The scan must be stopped first").Reply(IDNO);
    Command(ID_UTIL_PRESSURE_REDUCTION);
    EXPECT_EQ(m_doc->m_bStopRequested, 0);
    m_scan->m_running = 0;

    m_scan->m_background = 1;
    m_prompts.Expect(IDD_PRESSURE_REDUCTION)
        .Drive(
            [](DialogDriver& d)
            {
                d.Click(IDC_REDUCTION_ENABLE);
                d.SetText(IDC_REDUCTION_FACTOR, "2.5");
                d.Click(IDOK);
            });
    Command(ID_UTIL_PRESSURE_REDUCTION);
    EXPECT_EQ(m_doc->GetUnits()->m_bReductionEnabled, 1);
    EXPECT_FLOAT_EQ(m_doc->GetUnits()->m_fReductionFactor, 2.5f);
    EXPECT_EQ(m_scan->m_background, 0);
    EXPECT_EQ(m_display->CallsStartingWith("ClearData").size(), 1u);
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(Update(ID_UTIL_PRESSURE_REDUCTION).checked, 1);
}

TEST_F(ScanCommandsTest, AudibleAlarmGoesToTheTableAndTheLeakTest)
{
    EXPECT_EQ(Update(ID_UTIL_AUDIBLE_ALARM).checked, 0);
    m_doc->GetTable()->m_strSoundFile = "/tmp/alarm.wav";
    m_prompts.Expect(IDD_AUDIBLE_ALARM)
        .Drive(
            [](DialogDriver& d)
            {
                d.Click(IDC_AUDIBLE_ENABLE);
                d.Click(IDOK);
            });
    Command(ID_UTIL_AUDIBLE_ALARM);
    EXPECT_EQ(m_doc->GetTable()->m_bSoundOn, 1);
    EXPECT_EQ(m_doc->GetTable()->m_strSoundFile, "/tmp/alarm.wav");
    EXPECT_EQ(m_doc->GetLeakData()->m_bAudibleAlarm, 1);
    EXPECT_EQ(m_doc->GetLeakData()->m_strAlarmWave, "/tmp/alarm.wav");
    EXPECT_EQ(Update(ID_UTIL_AUDIBLE_ALARM).checked, 1);
}

TEST_F(ScanCommandsTest, OutputCardNeedsTheInstallationEvenWhileAScanRuns)
{
    m_scan->m_running = 1;
    m_prompts.Expect("You need to run the I/O board installation software first").Reply(IDOK);
    Command(ID_UTIL_OUTPUT_CARD);
    EXPECT_EQ(m_doc->GetIoBoard(), nullptr);

    ::setenv("CBDIREC", "/opt/cb", 1);
    m_prompts.Expect("The scan must be stopped first").Reply(IDNO);
    Command(ID_UTIL_OUTPUT_CARD);
    EXPECT_EQ(m_doc->GetIoBoard(), nullptr);
    m_scan->m_running = 0;

    // Another window holds the board: the board is made and handed over, but not set up here.
    CCbBoard::SetBoardLocked(TRUE);
    m_prompts.Expect("I/O board is locked").Reply(IDOK);
    Command(ID_UTIL_OUTPUT_CARD);
    ASSERT_NE(m_doc->GetIoBoard(), nullptr);
    CCbBoard::SetBoardLocked(FALSE);

    m_prompts.Expect(IDD_IO_BOARD_SETUP).Reply(IDCANCEL);
    Command(ID_UTIL_OUTPUT_CARD);
    EXPECT_EQ(Update(ID_UTIL_OUTPUT_CARD).checked, 0);

    // A located board in use and locked opens the output dialogs.
    m_doc->GetIoBoard()->m_configured = 1;
    m_doc->GetIoBoard()->SetEnableAndLock(1);
    EXPECT_EQ(Update(ID_UTIL_OUTPUT_CARD).checked, 1);
    EXPECT_EQ(Update(ID_UTIL_OUTPUT_CHANNELS).enabled, 1);
    EXPECT_EQ(Update(ID_UTIL_MANUAL_OUTPUT).enabled, 1);
    m_prompts.Expect(IDD_CHANNEL_OUTPUT).Reply(IDOK);
    Command(ID_UTIL_OUTPUT_CHANNELS);
    EXPECT_TRUE(m_doc->IsModified());
    m_prompts.Expect(IDD_MANUAL_OUTPUT).Reply(IDCANCEL);
    Command(ID_UTIL_MANUAL_OUTPUT);
}

TEST_F(ScanCommandsTest, LibrarySearchOpensOnceAndIsForgottenWhenHidden)
{
    EXPECT_EQ(Update(ID_UTIL_LIBRARY_SEARCH).enabled, 1);
    Command(ID_UTIL_LIBRARY_SEARCH);
    ASSERT_NE(m_doc->m_pLibrarySearchDlg, nullptr);
    CLibrarySearchDlg* first = m_doc->m_pLibrarySearchDlg.get();
    EXPECT_TRUE(::IsWindowVisible(first->GetSafeHwnd()));
    EXPECT_EQ(Update(ID_UTIL_LIBRARY_SEARCH).enabled, 0);
    Command(ID_UTIL_LIBRARY_SEARCH);
    EXPECT_EQ(m_doc->m_pLibrarySearchDlg.get(), first) << "a second command opens no second window";

    first->ShowWindow(SW_HIDE);
    EXPECT_EQ(Update(ID_UTIL_LIBRARY_SEARCH).enabled, 1);
    EXPECT_EQ(m_doc->m_pLibrarySearchDlg, nullptr);

    // A window left open closes with the document, before its library goes.
    Command(ID_UTIL_LIBRARY_SEARCH);
    ASSERT_NE(m_doc->m_pLibrarySearchDlg, nullptr);
}

} // namespace
