// The document's scan control through a real view in a stand-in main frame: Start runs the analog
// scan on the port monitor and every point reaches the display on the user-interface thread in
// order; Stop Now, Stop At End; the repeat timer paces triggered scans on the fake clock; the
// filament command and its update state; the connector list binds the document to SOFT0; and the
// same run over the virtual serial line ends cleanly when the head drops DSR.
#include "ScanFakes.h"

#include "HeadEmulator.h"
#include "KelMessages.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "doc/KelDocCommands.h"
#include "head/Head.h"
#include "ports/ConnectorBinding.h"
#include "ports/PortBindingRegistry.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "res/resource.h"
#include "scans/AnalogScan.h"
#include "scans/ScanScheduleDlg.h"
#include "testkit/FakeClock.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "testkit/VirtualSerial.h"
#include "units/Units.h"
#include "view/KelView.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <set>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using kel::testkit::UiTest;
using scantest::CRecordingDisplay;

namespace
{

constexpr int kPoints = 91; // masses 1..10 at ten points per amu

// The recording display, noting the thread of every point.
class CThreadDisplay : public CRecordingDisplay
{
public:
    explicit CThreadDisplay(CAnalogData* settings) : CRecordingDisplay(settings) {}
    void UpdateData(void* record, int arg) override
    {
        {
            std::lock_guard<std::mutex> guard(m_threadLock);
            m_threads.insert(::GetCurrentThreadId());
        }
        CRecordingDisplay::UpdateData(record, arg);
    }
    // The stored sweep shown again (null values).
    BOOL ShowScanData(const float* values) override
    {
        if (values == nullptr)
        {
            ++m_storedShows;
            return 1;
        }
        return CRecordingDisplay::ShowScanData(values);
    }
    std::atomic<int> m_storedShows{0};

    std::set<DWORD> Threads() const
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        return m_threads;
    }

private:
    mutable std::mutex m_threadLock;
    std::set<DWORD> m_threads;
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

// Prompts answered by the script, each noted with the thread that showed it.
class CThreadNotingPrompts : public kel::IPromptService
{
public:
    explicit CThreadNotingPrompts(kel::IPromptService& next) : m_next(next)
    {
        m_previous = kel::SetPromptService(this);
    }
    ~CThreadNotingPrompts() override { kel::SetPromptService(m_previous); }
    kel::PromptReply Prompt(const kel::PromptRequest& request) override
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_threads.push_back(::GetCurrentThreadId());
        }
        return m_next.Prompt(request);
    }
    std::vector<DWORD> Threads() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_threads;
    }

private:
    kel::IPromptService& m_next;
    kel::IPromptService* m_previous = nullptr;
    mutable std::mutex m_lock;
    std::vector<DWORD> m_threads;
};

class KelViewTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_uiThread = ::GetCurrentThreadId();
        m_frame = new CFrameWnd;
        ASSERT_TRUE(m_frame->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 700, 500)));
        m_app.m_pMainWnd = m_frame;
        m_doc = new CKelDoc;
        ASSERT_TRUE(m_doc->OnNewDocument());
        for (CScanLogSettings& log : m_doc->m_logSettings)
            log.m_enabled = 0;
        m_view = new CKelView;
        ASSERT_TRUE(m_view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 640, 400), m_frame,
                                   AFX_IDW_PANE_FIRST, nullptr));
        m_doc->AddView(m_view);
        m_frame->SetActiveView(m_view);
    }

    void TearDown() override
    {
        if (m_view == nullptr) // the test closed the window itself
        {
            CPortMonitor::Destroy();
            m_display.reset();
            m_frame->DestroyWindow();
            m_app.m_pMainWnd = nullptr;
            CPortList::Destroy();
            UiTest::TearDown();
            return;
        }
        if (m_doc->GetCurrentScan() && m_doc->GetCurrentScan()->IsRunning())
        {
            m_doc->OnScanStopNow();
            RunEnded();
        }
        UiTest::PumpUntil([] { return CPortMonitor::Instance().IsIdle(); });
        CPortMonitor::Destroy();
        m_doc->SetCurrentScan(nullptr);
        m_doc->SetCurrentDisplay(nullptr);
        m_display.reset();
        // The last view going closes its document.
        m_view->DestroyWindow();
        m_frame->DestroyWindow();
        m_app.m_pMainWnd = nullptr;
        CPortList::Destroy();
        UiTest::TearDown();
    }

    // Starts the port monitor on the program's port list.
    void StartMonitor() { ASSERT_TRUE(CPortMonitor::Instance().Start()); }

    // The document bound to SOFT0 through the connector list, with its filament on.
    void BindToSoft0()
    {
        StartMonitor();
        m_prompts.Expect(IDD_CONNECTOR_LIST)
            .Drive(
                [](DialogDriver& d)
                {
                    d.Click(IDC_CONNECTOR_CONNECT);
                    d.Click(IDOK);
                });
        m_doc->OnConnectorListSetup();
        ASSERT_NE(m_doc->m_pHead, nullptr);
        ASSERT_TRUE(m_doc->m_pHead->IsOnline());
        m_doc->m_pHead->FilamentOn();
    }

    // The analog scan of masses 1..10 on the document's head, shown by a recording display.
    void MakeAnalogScan(int mode, float triggerSeconds = 2.0f)
    {
        CAnalogData* settings = m_doc->GetAnalogSettings(0);
        settings->m_startMass = 1;
        settings->m_stopMass = 10;
        settings->m_pointsPerAmu = 10;
        settings->m_noiseFloor = 7; // points without delay on the simulated head
        settings->UpdateDerived();
        settings->m_scanMode = mode;
        settings->m_triggerPeriod = triggerSeconds;
        ASSERT_EQ(settings->m_pointCount, kPoints);
        m_display = std::make_unique<CThreadDisplay>(settings);
        auto* scan = new CAnalogScan(settings, m_doc->m_pHead, m_display.get());
        m_doc->SetCurrentScan(scan);
        m_doc->SetCurrentDisplay(m_display.get());
        ASSERT_TRUE(scan->AttachDocument(m_doc));
    }

    CScan* Scan() const { return m_doc->GetCurrentScan(); }
    // Pumps until n whole sweeps were shown and the series has ended.
    bool SweepsDone(int n)
    {
        return UiTest::PumpUntil(
            [&]
            {
                return Points() == n * kPoints && !Scan()->IsRunning() && !m_doc->m_bStepInProgress &&
                       CPortMonitor::Instance().IsIdle();
            });
    }
    int Points() const { return static_cast<int>(m_display->Points().size()); }

    // Pumps the user-interface thread until the run has ended and no task is left.
    bool RunEnded(int ms = 20000)
    {
        return UiTest::PumpUntil(
            [&]
            {
                return !Scan()->IsRunning() && !m_doc->m_bStepInProgress &&
                       CPortMonitor::Instance().IsIdle() && CPortMonitor::Instance().GetQueueLength() == 0;
            },
            ms);
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
    DWORD m_uiThread = 0;
    CFrameWnd* m_frame = nullptr;
    CKelDoc* m_doc = nullptr;
    CKelView* m_view = nullptr;
    std::unique_ptr<CThreadDisplay> m_display;
};

TEST_F(KelViewTest, TheConnectorListBindsTheDocumentToSoft0)
{
    StartMonitor();
    EXPECT_EQ(Update(ID_HEAD_CONNECTOR_LIST).checked, 0);
    m_prompts.Expect(IDD_CONNECTOR_LIST)
        .Drive(
            [](DialogDriver& d)
            {
                d.Click(IDC_CONNECTOR_CONNECT);
                d.Click(IDOK);
            });
    // The view's own Connect command posts the document's command.
    m_view->SendMessage(WM_COMMAND, ID_VIEW_CONNECT, 0);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return m_prompts.Prompts().size() == 1; }));

    CPortEntry* soft0 = CPortList::Instance().FindByName("SOFT0");
    ASSERT_NE(soft0, nullptr);
    ASSERT_TRUE(soft0->GetDescriptor());
    EXPECT_EQ(m_doc->m_pHead, soft0->GetDescriptor()->GetHead());
    EXPECT_EQ(m_doc->GetUnits()->m_pHead, m_doc->m_pHead) << "the head reaches the document's models";
    EXPECT_EQ(m_doc->GetPortMutex(), soft0->GetPortLock());
    EXPECT_EQ(m_doc->m_bReleaseLock, 0);
    EXPECT_EQ(Update(ID_HEAD_CONNECTOR_LIST).checked, 1);
    CTestCmdUI viewConnect;
    viewConnect.m_nID = ID_VIEW_CONNECT;
    viewConnect.DoUpdate(m_view, FALSE);
    EXPECT_EQ(viewConnect.checked, 1);
    EXPECT_EQ(CPortBindingRegistry::GetInstance().Lookup(soft0), m_doc->GetPortDocument());
}

TEST_F(KelViewTest, StartRunsTheAnalogScanAndEveryPointReachesTheDisplayOnTheUiThreadInOrder)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_SINGLE);
    EXPECT_EQ(Update(ID_SCAN_START).enabled, 1);
    EXPECT_EQ(Update(ID_SCAN_STOPNOW).enabled, 0);

    Command(ID_SCAN_START);
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(m_doc->m_hViewWnd, m_view->GetSafeHwnd());

    const std::vector<AnalogPointRecord> points = m_display->Points();
    ASSERT_EQ(points.size(), size_t(kPoints));
    for (int i = 0; i < kPoints; ++i)
        EXPECT_FLOAT_EQ(points[i].mass, 1.0f + i / 10.0f) << i;
    EXPECT_EQ(m_display->Threads(), std::set<DWORD>{m_uiThread});
    EXPECT_TRUE(Scan()->m_bEndedNormally);
    EXPECT_TRUE(m_doc->IsModified());
    EXPECT_EQ(Update(ID_SCAN_START).enabled, 1) << "Start again once the run ended";
}

TEST_F(KelViewTest, StopNowEndsAContinuousRunAndNothingRunsAfterIt)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_CONTINUOUS);
    Command(ID_SCAN_START);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return Points() >= kPoints + 20; }));
    EXPECT_EQ(Update(ID_SCAN_STOPNOW).enabled, 1);
    EXPECT_EQ(Update(ID_SCAN_START).enabled, 0);

    Command(ID_SCAN_STOPNOW);
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(m_doc->m_bStopRequested, 1);
    const int points = Points();
    UiTest::Pump(100);
    EXPECT_EQ(Points(), points) << "no step ran after the stop";
    EXPECT_EQ(Update(ID_SCAN_STOPNOW).enabled, 0);
    EXPECT_EQ(m_display->Threads(), std::set<DWORD>{m_uiThread});
}

TEST_F(KelViewTest, ClosingTheWindowWhileTheScanRunsLetsItsTasksEndFirst)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_CONTINUOUS);
    Command(ID_SCAN_START);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return Points() >= kPoints + 5; }));
    ASSERT_GT(m_doc->m_nLiveTasks, 0);

    // The last view going closes the document; no task may run on it afterwards.
    m_view->DestroyWindow();
    m_view = nullptr;
    m_doc = nullptr;
    EXPECT_TRUE(CPortMonitor::Instance().IsIdle());
    const int points = Points();
    UiTest::Pump(50);
    EXPECT_EQ(Points(), points);
}

TEST_F(KelViewTest, StopAtEndFinishesTheSweepUnderWay)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_CONTINUOUS);
    Command(ID_SCAN_START);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return Points() >= kPoints + 10; }));
    EXPECT_EQ(Update(ID_SCAN_STOPATEND).enabled, 1);
    Command(ID_SCAN_STOPATEND);
    ASSERT_TRUE(RunEnded());
    EXPECT_EQ(Points() % kPoints, 0) << "whole sweeps only";
    EXPECT_GE(Points(), 2 * kPoints);
    EXPECT_EQ(Update(ID_SCAN_STOPATEND).enabled, 0);
}

TEST_F(KelViewTest, TheRepeatTimerPacesTriggeredSweepsAndStopAtEndKillsIt)
{
    struct Case
    {
        float seconds;
        UINT interval;
    };
    // Half a second stays half a second: it never becomes a 0 ms timer.
    BindToSoft0();
    for (const Case& c : {Case{2.0f, 2000}, Case{0.5f, 500}})
    {
        SCOPED_TRACE(c.seconds);
        kel::testkit::FakeClock clock(1000000);
        MakeAnalogScan(SCAN_MODE_TRIGGERED, c.seconds);
        Command(ID_SCAN_START);
        ASSERT_TRUE(SweepsDone(1));
        EXPECT_EQ(m_doc->m_bRepeatTimer, 1);
        EXPECT_NE(m_view->m_nTimerId, 0u);
        EXPECT_EQ(m_view->m_nTimerInterval, c.interval);
        EXPECT_EQ(Update(ID_SCAN_START).enabled, 0) << "the repeat timer runs";
        EXPECT_EQ(Update(ID_SCAN_STOPATEND).enabled, 1);

        clock.Advance(c.interval - 1);
        UiTest::Pump(50);
        EXPECT_EQ(Points(), kPoints) << "no sweep before the period is up";
        clock.Advance(1);
        ASSERT_TRUE(SweepsDone(2));
        clock.Advance(c.interval);
        ASSERT_TRUE(SweepsDone(3)) << Points() << " overruns " << m_doc->m_nOverrunCount << " running "
                                   << Scan()->IsRunning() << " timer " << m_doc->m_bRepeatTimer << " "
                                   << m_view->m_nTimerId << " counter " << m_view->m_nCyclesCounter << " now "
                                   << clock.Now();
        EXPECT_EQ(m_doc->m_nOverrunCount, 0);

        Command(ID_SCAN_STOPATEND);
        EXPECT_EQ(m_doc->m_bRepeatTimer, 0);
        EXPECT_EQ(m_view->m_nTimerId, 0u);
        clock.Advance(3 * c.interval);
        UiTest::Pump(50);
        EXPECT_EQ(Points(), 3 * kPoints) << "no sweep once the timer is gone";
        EXPECT_EQ(m_display->Threads(), std::set<DWORD>{m_uiThread});
        ASSERT_TRUE(RunEnded());
    }
}

TEST_F(KelViewTest, ATickWhileTheSeriesRunsIsCountedAsAnOverrun)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_TRIGGERED);
    m_doc->m_bRepeatTimer = 1;
    Scan()->m_bRunning = 1;
    EXPECT_EQ(m_doc->OnRepeatTimer(), 1);
    EXPECT_EQ(m_doc->m_bOverrun, 1);
    EXPECT_EQ(m_doc->m_nOverrunCount, 1);
    EXPECT_TRUE(CPortMonitor::Instance().IsIdle()) << "nothing started";
    Scan()->m_bRunning = 0;
    m_doc->m_bRepeatTimer = 0;
    EXPECT_EQ(m_doc->OnRepeatTimer(), 1) << "timer off: nothing";
    m_doc->SetCurrentDisplay(nullptr);
    EXPECT_EQ(m_doc->OnRepeatTimer(), 0) << "no display";
}

TEST_F(KelViewTest, TheViewsMessagesReachTheDocumentAndTheDisplay)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_SINGLE);
    m_display->ClearCalls();

    // An opened document shows the display it was stored with.
    m_doc->m_bOpenedFromFile = 1;
    m_view->SendMessage(WM_KEL_VIEW_INITIALDISPLAY, 0, 0);
    EXPECT_EQ(m_display->m_storedShows, 1);
    EXPECT_EQ(m_display->m_pDocument, m_doc);

    m_view->SendMessage(WM_KEL_NEWSWEEP, 0, 0);
    EXPECT_EQ(m_display->CallsStartingWith("Redraw").size(), 1u);

    // A display asks for an averaging reset by posting to the view.
    Scan()->m_bResetRequest = 0;
    m_view->PostMessage(WM_KEL_VIEW_RESETAVERAGING, 0, 0);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return Scan()->m_bResetRequest == 1; }));

    // A point record goes to the display the message names.
    AnalogPointRecord point{4.5f, 1e-9f};
    CThreadDisplay other(m_doc->GetAnalogSettings(0));
    m_view->SendMessage(WM_KEL_SCANDATA, reinterpret_cast<WPARAM>(&point), reinterpret_cast<LPARAM>(&other));
    ASSERT_EQ(other.Points().size(), 1u);
    EXPECT_FLOAT_EQ(other.Points()[0].mass, 4.5f);
    EXPECT_TRUE(m_display->Points().empty());

    // Nine or more open documents leave the display unbuilt.
    std::vector<std::unique_ptr<CKelDoc>> more;
    m_prompts.Expect("Maximum number of KEL windows reached").Reply(IDOK);
    while (CKelDoc::GetOpenDocumentCount() <= CKelDoc::kMaxDocuments)
    {
        more.push_back(std::make_unique<CKelDoc>());
        more.back()->OnNewDocument();
    }
    m_view->SendMessage(WM_KEL_VIEW_INITIALDISPLAY, 0, 0);
    EXPECT_EQ(m_display->m_storedShows, 1);
}

TEST_F(KelViewTest, StartAndStopAtEndFollowTheHeadAndTheDisplay)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_CONTINUOUS);
    m_doc->m_pHead->Disconnect();
    EXPECT_EQ(Update(ID_SCAN_START).enabled, 0) << "head offline";
    EXPECT_EQ(Update(ID_SCAN_STOPNOW).enabled, 0);
    EXPECT_EQ(Update(ID_SCAN_STOPATEND).enabled, 0);
    ASSERT_TRUE(m_doc->m_pHead->Connect(0));

    // Stop At End is never offered on a leak or P-vs-T display, even while a scan repeats.
    m_doc->m_bRepeatTimer = 1;
    struct KindDisplay : CThreadDisplay
    {
        KindDisplay(CAnalogData* settings, int kind) : CThreadDisplay(settings) { m_nKind = kind; }
    };
    for (int kind : {1, 2, 4, 5})
    {
        KindDisplay display(m_doc->GetAnalogSettings(0), kind);
        m_doc->SetCurrentDisplay(&display);
        EXPECT_EQ(Update(ID_SCAN_STOPATEND).enabled, kind == 2 || kind == 4 ? 0 : 1) << kind;
    }
    m_doc->SetCurrentDisplay(m_display.get());
    m_doc->m_bRepeatTimer = 0;
}

TEST_F(KelViewTest, TheAcquisitionFrequencyDialogRebuildsTheDisplayOnOk)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_SINGLE);
    EXPECT_EQ(Update(ID_SCAN_FREQUENCY).enabled, 1);
    m_doc->SetModifiedFlag(FALSE);
    m_display->ClearCalls();

    m_prompts.Expect(CScanScheduleDlg::IDD).Reply(IDCANCEL);
    Command(ID_SCAN_FREQUENCY);
    EXPECT_TRUE(m_display->CallsStartingWith("Rebuild").empty());
    EXPECT_FALSE(m_doc->IsModified());

    m_prompts.Expect(CScanScheduleDlg::IDD).Reply(IDOK);
    Command(ID_SCAN_FREQUENCY);
    EXPECT_EQ(m_display->CallsStartingWith("Rebuild").size(), 1u);
    EXPECT_TRUE(m_doc->IsModified());

    m_prompts.Expect("You must exit the Peak Tuning").Reply(IDOK);
    m_doc->m_bPeakTuning = 1;
    Command(ID_SCAN_FREQUENCY);
    m_doc->m_bPeakTuning = 0;

    m_doc->m_bRepeatTimer = 1;
    EXPECT_EQ(Update(ID_SCAN_FREQUENCY).enabled, 0);
    m_doc->m_bRepeatTimer = 0;
}

TEST(KelViewTimer, LongPeriodsRunAsEqualCyclesOfAtMostAMinute)
{
    struct Case
    {
        int period;
        int cycles;
        UINT interval;
    };
    const Case cases[] = {{30000, 0, 30000},  {59999, 0, 59999},  {60000, 1, 60000},
                          {90000, 2, 45000},  {120000, 2, 60000}, {120001, 2, 60000},
                          {180001, 3, 60000}, {500, 0, 500},      {0, 0, USER_TIMER_MINIMUM}};
    for (const Case& c : cases)
    {
        int cycles = -1;
        UINT interval = 0;
        CKelView::SplitPeriod(c.period, cycles, interval);
        EXPECT_EQ(cycles, c.cycles) << c.period;
        EXPECT_EQ(interval, c.interval) << c.period;
    }
    // Whole seconds of a trigger period; below a second its milliseconds, never 0.
    EXPECT_EQ(CKelDoc::RepeatPeriodMs(2.7f), 2000u);
    EXPECT_EQ(CKelDoc::RepeatPeriodMs(1.0f), 1000u);
    EXPECT_EQ(CKelDoc::RepeatPeriodMs(0.5f), 500u);
    EXPECT_EQ(CKelDoc::RepeatPeriodMs(0.0f), UINT(USER_TIMER_MINIMUM));
}

TEST_F(KelViewTest, EveryNthTickOfALongPeriodRepeatsTheScan)
{
    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_TRIGGERED);
    kel::testkit::FakeClock clock(5000);
    m_doc->m_hViewWnd = m_view->GetSafeHwnd();
    ASSERT_TRUE(m_view->StartRepeatTimer(180001));
    EXPECT_EQ(m_view->m_nCyclesReload, 3);
    m_doc->m_bRepeatTimer = 1;
    for (int tick = 1; tick <= 2; ++tick)
    {
        clock.Advance(60000);
        UiTest::Pump(30);
        EXPECT_EQ(m_view->m_nCyclesCounter, 3 - tick);
        EXPECT_TRUE(CPortMonitor::Instance().IsIdle());
    }
    clock.Advance(60000);
    ASSERT_TRUE(SweepsDone(1));
    EXPECT_EQ(m_view->m_nCyclesCounter, 3);
    EXPECT_TRUE(m_view->StopRepeatTimer());
    m_doc->m_bRepeatTimer = 0;
    ASSERT_TRUE(RunEnded());
}

TEST_F(KelViewTest, TheFilamentCommandTogglesTheFilamentAndOffersToStopARunningScan)
{
    // Without a head the command is disabled.
    CHead* head = m_doc->m_pHead;
    m_doc->m_pHead = nullptr;
    EXPECT_EQ(Update(ID_HEAD_FILAMENT).enabled, 0);
    m_doc->m_pHead = head;

    BindToSoft0();
    MakeAnalogScan(SCAN_MODE_TRIGGERED);
    int on = -1;
    {
        ScriptedPrompts progress; // the head's progress boxes
        progress.Expect("").Reply(IDOK).AnyTimes();
        CTestCmdUI ui = Update(ID_HEAD_FILAMENT);
        EXPECT_EQ(ui.enabled, 1);
        EXPECT_EQ(ui.checked, 1);

        Command(ID_HEAD_FILAMENT);
        ASSERT_TRUE(m_doc->m_pHead->IsFilamentOn(on));
        EXPECT_EQ(on, 0);
        EXPECT_EQ(Update(ID_HEAD_FILAMENT).checked, 0);
        Command(ID_HEAD_FILAMENT);
        ASSERT_TRUE(m_doc->m_pHead->IsFilamentOn(on));
        EXPECT_EQ(on, 1);
        EXPECT_EQ(Update(ID_HEAD_FILAMENT).checked, 1);
    }

    // While an analog scan repeats the command stays enabled and asks to stop the scan first.
    m_doc->m_bRepeatTimer = 1;
    EXPECT_EQ(Update(ID_HEAD_FILAMENT).enabled, 1);
    m_prompts.Expect("The scan must be stopped first").Reply(IDNO);
    Command(ID_HEAD_FILAMENT);
    EXPECT_EQ(m_doc->m_bStopRequested, 0);
    ASSERT_TRUE(m_doc->m_pHead->IsFilamentOn(on));
    EXPECT_EQ(on, 1) << "No changes nothing";
    m_prompts.Expect("The scan must be stopped first").Reply(IDYES);
    Command(ID_HEAD_FILAMENT);
    EXPECT_EQ(m_doc->m_bStopRequested, 1) << "Yes stops the scan";
    ASSERT_TRUE(UiTest::PumpUntil([] { return CPortMonitor::Instance().IsIdle(); }));
    EXPECT_EQ(m_doc->m_bRepeatTimer, 0);
    ASSERT_TRUE(m_doc->m_pHead->IsFilamentOn(on));
    EXPECT_EQ(on, 1) << "the filament itself waits for the user to repeat the command";
}

// ---- The same over the virtual serial line, against the head emulator

constexpr int kCom = 61;

class KelViewSerialTest : public KelViewTest
{
protected:
    KelViewSerialTest() : m_emulator(m_modem)
    {
        m_modem.RegisterAs(kCom);
        m_emulator.SetNoiseModel(2);
        m_emulator.SetSetting("FL", "1.00"); // the filament is on
    }
    void TearDown() override
    {
        KelViewTest::TearDown();
        m_emulator.SetDsr(true);
    }

    kel::testkit::VirtualNullModem m_modem;
    kel::testkit::HeadEmulator m_emulator;
};

TEST_F(KelViewSerialTest, ALineDroppedMidSweepStopsTheRunAndKeepsTheLoggedSweeps)
{
    StartMonitor();
    const std::string connector = "COM" + std::to_string(kCom);
    CPortList::Instance().Refresh();
    std::shared_ptr<CPortEntry> entry = CPortList::Instance().HoldByName(connector);
    ASSERT_TRUE(entry) << "no entry " << connector;
    ASSERT_EQ(ToggleConnector(*entry, m_doc->GetPortDocument(), CPortList::Instance(),
                              CPortBindingRegistry::GetInstance()),
              ToggleResult::Connected);
    ASSERT_TRUE(m_doc->m_pHead->IsOnline());
    EXPECT_EQ(m_doc->GetPortMutex(), entry->GetPortLock());
    // The head's replies to the connection are taken off the line before the scan asks its own.
    UiTest::Pump(100);
    MakeAnalogScan(SCAN_MODE_CONTINUOUS);
    m_doc->GetAnalogSettings(0)->m_noiseFloor = 7;

    kel::testkit::TempDir folder("kel-view-log-");
    CScanLogSettings& log = m_doc->GetLogSettings(SCAN_KIND_ANALOG);
    log.m_enabled = 1;
    log.m_folder = folder.path().string().c_str();
    m_emulator.SetPointTiming(true);
    CThreadNotingPrompts threads(m_prompts);
    // The line's message, unless the scan's own step found the head gone and let go of the line
    // first; and the data wait may give up before either.
    m_prompts.Expect("Line is disconnected!").Reply(IDOK).AnyTimes();
    m_prompts.Expect("").Reply(IDCANCEL).AnyTimes();

    Command(ID_SCAN_START);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return Points() >= 2 * kPoints + 30; }, 20000));
    ASSERT_TRUE(m_emulator.SetDsr(false));
    ASSERT_TRUE(RunEnded());

    EXPECT_FALSE(Scan()->IsRunning());
    EXPECT_FALSE(Scan()->m_bEndedNormally);
    UiTest::Pump(100);
    for (DWORD thread : threads.Threads())
        EXPECT_EQ(thread, m_uiThread) << "every message on the user-interface thread";
    EXPECT_EQ(m_display->Threads(), std::set<DWORD>{m_uiThread});

    // Every complete sweep is in the log, whole, and nothing of the cut one.
    const int sweeps = Points() / kPoints;
    EXPECT_GE(sweeps, 2);
    std::ifstream in(std::string(Scan()->m_strLogPath), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    const size_t record = 50 + 4 * kPoints;
    EXPECT_EQ(bytes.size(), 52 + sweeps * record);
}

} // namespace
