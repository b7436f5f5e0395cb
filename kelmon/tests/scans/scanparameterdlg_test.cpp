// The spectrum scans' parameter dialog and the pressure-versus-time scan's period dialog, driven
// offscreen as a user would: filled from the scan's record, refused values with their message and
// the focus left on the field, Apply reaching the scan through the hub and a stand-in main frame,
// closing leaving the record as it was, and the modeless window's life with its scan.
#include "ScanFakes.h"
#include "StandInFrame.h"

#include "dialogs/PeriodMinutes.h"
#include "doc/AnalogData.h"
#include "foundation/AppUiState.h"
#include "head/KELDummyHead.h"
#include "scans/AnalogScan.h"
#include "scans/DualScanParameterDlg.h"
#include "scans/HistogramScan.h"
#include "scans/PvsTScan.h"
#include "scans/ScanParameterDlg.h"
#include "scans/ScanPeriodDlg.h"
#include "scans/Table.h"
#include "units/Units.h"

#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <functional>
#include <memory>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using scantest::CRecordingDisplay;
using scantest::CStandInFrame;

namespace
{

// A scan whose sweep takes a set time and that records what its dialogs pass it.
template <class Base> class CTimed : public Base
{
public:
    template <class... Args> explicit CTimed(int seconds, Args... args) : Base(args...), m_seconds(seconds) {}
    BOOL EstimateSweepTime(int& seconds) override
    {
        seconds = m_seconds;
        return 1;
    }
    void SetKindValue(int value) override { m_kindValues.push_back(value); }
    int m_seconds;
    std::vector<int> m_kindValues;
};

// A sink standing for a dialog docked under the parameter dialog.
class CRecordingSink : public CParamMessageSink
{
public:
    void OnParamMessage(CParamMessage* pMessage) override
    {
        const int32_t* w = pMessage->GetData();
        m_received.emplace_back(w, w + 4);
    }
    std::vector<std::vector<int32_t>> m_received;
};

class ScanParameterDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_frame = std::make_unique<CStandInFrame>();
        CBaseParameterDlg::s_placement = {};
        CAppUiState::GetInstance()->m_bParamDlgShown = 1;
        m_settings.m_startMass = 1;
        m_settings.m_stopMass = 50;
        m_settings.m_pointsPerAmu = 10;
        m_settings.m_pointCount = 491;
        m_settings.m_scaleFactor = 2.5f;
        m_settings.m_noiseFloor = 4;
        m_settings.m_triggerPeriod = 5.0f;
    }
    void TearDown() override
    {
        m_scan.reset();
        m_frame.reset();
        CParamMessageHub::Destroy();
        CAppUiState::DestroyInstance();
        UiTest::TearDown();
    }
    // Shows the parameter dialog of an analog (or histogram) scan whose sweep takes seconds.
    DialogDriver Open(int seconds = 3, bool histogram = false)
    {
        m_settings.m_mode = histogram ? CAnalogData::kModeHistogram : CAnalogData::kModeAnalog;
        if (histogram)
            m_scan = std::make_unique<CTimed<CHistogramScan>>(seconds, &m_settings, &m_head, &m_display);
        else
            m_scan = std::make_unique<CTimed<CAnalogScan>>(seconds, &m_settings, &m_head, &m_display);
        m_frame->m_pScan = m_scan.get();
        EXPECT_TRUE(m_scan->ShowParameterDialog());
        Pump();
        return DialogDriver(Dlg()->m_hWnd);
    }
    CScanParameterDlg* Dlg() { return static_cast<CScanParameterDlg*>(m_scan->m_pParameterDlg); }
    std::vector<int>& KindValues() { return static_cast<CTimed<CAnalogScan>*>(m_scan.get())->m_kindValues; }
    bool Enabled(DialogDriver& d, int id) { return ::IsWindowEnabled(d.Item(id)); }

    std::unique_ptr<CStandInFrame> m_frame;
    CKELDummyHead m_head;
    CUnits m_units;
    CAnalogData m_settings{CAnalogData::kModeAnalog, &m_units, nullptr};
    CRecordingDisplay m_display{&m_settings};
    std::unique_ptr<CSpectrumScan> m_scan;
};

TEST_F(ScanParameterDlgTest, FilledFromTheRecordWithTheHeadsLimits)
{
    DialogDriver d = Open();
    EXPECT_EQ(d.GetText(IDC_SCANPARAM_START), "1");
    EXPECT_EQ(d.GetText(IDC_SCANPARAM_STOP), "50");
    EXPECT_EQ(d.GetText(IDC_SCANPARAM_PPA), "10");
    EXPECT_EQ(d.GetText(IDC_SCANPARAM_SCALE), "2.5");
    EXPECT_EQ(::SendMessage(d.Item(IDC_SCANPARAM_SPEED), CB_GETCURSEL, 0, 0), 4);
    EXPECT_EQ(::SendMessage(d.Item(IDC_SCANPARAM_SPEED), CB_GETCOUNT, 0, 0), kScanSpeeds);
    EXPECT_EQ(Dlg()->m_nMaxMass, m_head.GetMassRange());
    EXPECT_TRUE(Enabled(d, IDC_SCANPARAM_PPA));
    EXPECT_TRUE(::IsWindowVisible(d.Dialog()));

    // Default: 10 points per AMU, the head's default range, scaling 1, speed 2; nothing written.
    d.Click(IDC_SCANPARAM_DEFAULT);
    EXPECT_EQ(d.GetText(IDC_SCANPARAM_START), "1");
    EXPECT_EQ(d.GetText(IDC_SCANPARAM_STOP), "65");
    EXPECT_EQ(d.GetText(IDC_SCANPARAM_SCALE), "1");
    EXPECT_EQ(::SendMessage(d.Item(IDC_SCANPARAM_SPEED), CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(m_settings.m_stopMass, 50);
}

TEST_F(ScanParameterDlgTest, RefusedValuesKeepTheRecordAndTheFocusOnTheField)
{
    const struct
    {
        int field;
        const char* text;
        const char* message;
        int focus;
    } cases[] = {
        {IDC_SCANPARAM_START, "0", "Please enter an integer between 1 and 199.", IDC_SCANPARAM_START},
        {IDC_SCANPARAM_START, "200", "Please enter an integer between 1 and 199.", IDC_SCANPARAM_START},
        {IDC_SCANPARAM_STOP, "1", "Please enter an integer between 2 and 200.", IDC_SCANPARAM_STOP},
        {IDC_SCANPARAM_STOP, "201", "Please enter an integer between 2 and 200.", IDC_SCANPARAM_STOP},
        {IDC_SCANPARAM_PPA, "0", "Please enter an integer between 1 and 25.", IDC_SCANPARAM_PPA},
        {IDC_SCANPARAM_PPA, "26", "Please enter an integer between 1 and 25.", IDC_SCANPARAM_PPA},
        {IDC_SCANPARAM_SCALE, "0", "Please enter a number between 0.01 and 100.", IDC_SCANPARAM_SCALE},
        {IDC_SCANPARAM_SCALE, "100.5", "Please enter a number between 0.01 and 100.", IDC_SCANPARAM_SCALE},
        {IDC_SCANPARAM_SCALE, "abc", "Please enter a number.", IDC_SCANPARAM_SCALE},
        // Start 50 and stop 50: the stop must lie above the start.
        {IDC_SCANPARAM_START, "50", "The stop mass must be greater than the start mass", IDC_SCANPARAM_STOP},
    };
    DialogDriver d = Open();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        d.SetText(IDC_SCANPARAM_START, "1");
        d.SetText(IDC_SCANPARAM_STOP, "50");
        d.SetText(IDC_SCANPARAM_PPA, "10");
        d.SetText(IDC_SCANPARAM_SCALE, "2.5");
        d.SetText(c.field, c.text);
        ScriptedPrompts prompts;
        prompts.Expect(c.message).Reply(IDOK);
        d.Click(IDOK);
        Pump();
        EXPECT_EQ(d.FocusedId(), c.focus);
        EXPECT_TRUE(m_frame->m_notices.empty());
        EXPECT_EQ(m_settings.m_startMass, 1);
        EXPECT_EQ(m_settings.m_stopMass, 50);
        EXPECT_FLOAT_EQ(m_settings.m_scaleFactor, 2.5f);
        EXPECT_EQ(m_settings.m_pointCount, 491);
    }
}

TEST_F(ScanParameterDlgTest, ApplyWritesTheRecordPublishesAndReachesTheScan)
{
    m_head.SetHighVoltage(1);
    m_settings.m_scanMode = SCAN_MODE_TRIGGERED;
    DialogDriver d = Open(/*sweep*/ 12);
    CRecordingSink sink;
    CParamMessageHub::Instance()->Register(Dlg(), &sink);

    d.SetText(IDC_SCANPARAM_START, "10");
    d.SetText(IDC_SCANPARAM_STOP, "60");
    d.SetText(IDC_SCANPARAM_PPA, "5");
    d.SetText(IDC_SCANPARAM_SCALE, "0.5");
    d.Select(IDC_SCANPARAM_SPEED, 6);
    d.Click(IDOK);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->m_notices.size() >= 2; }));

    EXPECT_EQ(m_settings.m_startMass, 10);
    EXPECT_EQ(m_settings.m_stopMass, 60);
    EXPECT_EQ(m_settings.m_pointsPerAmu, 5);
    EXPECT_EQ(m_settings.m_pointCount, 251) << "(60 - 10) x 5 + 1";
    EXPECT_FLOAT_EQ(m_settings.m_scaleFactor, 0.5f);
    EXPECT_EQ(m_settings.m_noiseFloor, 6);
    EXPECT_FLOAT_EQ(m_settings.m_triggerPeriod, 12.0f) << "raised to the sweep time";
    EXPECT_EQ(KindValues(), std::vector<int>{12}) << "a triggered scan takes the sweep time";
    ASSERT_EQ(sink.m_received.size(), 1u);
    EXPECT_EQ(sink.m_received[0], (std::vector<int32_t>{6, 1, 1, 1}))
        << "speed and the head's multiplier state";
    EXPECT_EQ(m_frame->m_notices, (std::vector<UINT>{WM_KEL_PARAMSCHANGED, WM_KEL_REFRESHSCHEDULE}));
    EXPECT_EQ(m_frame->m_nParameterApplies, 1);
    EXPECT_EQ(m_display.CallsStartingWith("Rebuild").size(), 1u) << "the scan took the new parameters";
    EXPECT_TRUE(::IsWindowVisible(d.Dialog())) << "Apply leaves the dialog open";
}

TEST_F(ScanParameterDlgTest, HistogramCountsOnePointPerMassAndGreysPointsPerAmu)
{
    m_settings.m_pointsPerAmu = 1;
    DialogDriver d = Open(3, /*histogram*/ true);
    EXPECT_FALSE(Enabled(d, IDC_SCANPARAM_PPA));
    d.SetText(IDC_SCANPARAM_STOP, "50");
    d.Click(IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->m_notices.empty(); }));
    EXPECT_EQ(m_settings.m_pointCount, 50);
    EXPECT_FLOAT_EQ(m_settings.m_triggerPeriod, 5.0f) << "already longer than the sweep";

    Dlg()->EnableControls(FALSE);
    for (int id :
         {IDC_SCANPARAM_START, IDC_SCANPARAM_SPEED, IDC_SCANPARAM_SCALE, IDOK, IDC_SCANPARAM_DEFAULT})
        EXPECT_FALSE(Enabled(d, id)) << id;
    EXPECT_TRUE(Enabled(d, ID_HELP));
    Dlg()->EnableControls(TRUE);
    EXPECT_TRUE(Enabled(d, IDC_SCANPARAM_STOP));
    EXPECT_FALSE(Enabled(d, IDC_SCANPARAM_PPA)) << "one point per mass, whatever the greying";
}

TEST_F(ScanParameterDlgTest, ClosingLeavesTheRecordAndKeepsTheWindowForTheNextShowing)
{
    DialogDriver d = Open();
    HWND hwnd = d.Dialog();
    d.SetText(IDC_SCANPARAM_STOP, "80");
    Dlg()->EnableControls(FALSE);
    ::SendMessage(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_EQ(m_settings.m_stopMass, 50) << "only Apply writes";
    EXPECT_EQ(m_frame->m_notices, std::vector<UINT>{WM_KEL_PARAMDLGCLOSED});
    EXPECT_TRUE(Dlg()->m_bEnabled) << "a closed dialog comes back enabled";

    // Shown again: the same window, placed where it was, reloaded from the record.
    RECT main{};
    ::GetWindowRect(m_frame->m_hWnd, &main);
    ::SetWindowPos(hwnd, nullptr, main.left + 30, main.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    m_scan->HideDialogs();
    EXPECT_EQ(CBaseParameterDlg::s_placement.x, 0) << "a hidden dialog keeps the placement it closed with";
    ASSERT_TRUE(m_scan->ShowParameterDialog());
    EXPECT_EQ(Dlg()->m_hWnd, hwnd);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    Dlg()->RefreshControls();
    EXPECT_EQ(d.GetText(IDC_SCANPARAM_STOP), "50");

    // Escape closes the same way.
    m_frame->m_notices.clear();
    ::SetFocus(d.Item(IDC_SCANPARAM_START));
    d.Press(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_EQ(m_frame->m_notices, std::vector<UINT>{WM_KEL_PARAMDLGCLOSED});

    EXPECT_TRUE(m_scan->DestroyParameterDialog());
    EXPECT_FALSE(::IsWindow(hwnd));
    m_scan.reset(); // the scan owns the dialog object
}

TEST_F(ScanParameterDlgTest, TabWalksTheFieldsInReadingOrder)
{
    DialogDriver d = Open();
    const int order[] = {IDC_SCANPARAM_START,   IDC_SCANPARAM_STOP,
                         IDC_SCANPARAM_PPA,     IDC_SCANPARAM_SCALE,
                         IDC_SCANPARAM_SPEED,   IDOK,
                         IDC_SCANPARAM_DEFAULT, ID_HELP,
                         IDC_SCANPARAM_START};
    d.Focus(order[0]);
    for (size_t i = 1; i < std::size(order); ++i)
    {
        d.Press(VK_TAB);
        EXPECT_EQ(d.FocusedId(), order[i]) << i;
    }
    d.PressMnemonic('t');
    EXPECT_EQ(d.FocusedId(), IDC_SCANPARAM_STOP) << "a label's mnemonic reaches its field";
}

TEST_F(ScanParameterDlgTest, Screenshot)
{
    DialogDriver d = Open();
    Pump(100);
    std::filesystem::create_directories("screenshots");
    EXPECT_TRUE(
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), "screenshots/scan_parameters.png"));
}

// ---- The split display's dual dialog --------------------------------------------------------------

class DualScanParameterDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_top.m_startMass = 1;
        m_top.m_stopMass = 50;
        m_top.m_pointsPerAmu = 10;
        m_top.m_noiseFloor = 3;
        m_bottom.m_startMass = 20;
        m_bottom.m_stopMass = 40;
        m_bottom.m_noiseFloor = 5;
    }
    int Run(int mode, const std::function<void(DialogDriver&)>& script, const char* message = nullptr)
    {
        ScriptedPrompts prompts;
        if (message)
            prompts.Expect(message).Reply(IDOK);
        prompts.Expect(IDD_DUAL_SCAN_PARAMETERS).Drive(script);
        CDualScanParameterDlg dlg;
        dlg.SetRecords(&m_top, &m_bottom, mode);
        return static_cast<int>(dlg.DoModal());
    }
    CAnalogData m_top{CAnalogData::kModeAnalog, nullptr, nullptr};
    CAnalogData m_bottom{CAnalogData::kModeAnalog, nullptr, nullptr};
};

TEST_F(DualScanParameterDlgTest, OkWritesBothPartsWhenBothRangesHold)
{
    const int result =
        Run(CAnalogData::kModeAnalog,
            [](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_SCANPARAM_BOTTOM_START), "20");
                EXPECT_EQ(::SendMessage(d.Item(IDC_SCANPARAM_BOTTOM_SPEED), CB_GETCURSEL, 0, 0), 5);
                std::filesystem::create_directories("screenshots");
                EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                                  "screenshots/dual_scan_parameters.png"));
                d.SetText(IDC_SCANPARAM_STOP, "60");
                d.SetText(IDC_SCANPARAM_BOTTOM_SCALE, "3");
                d.SetText(IDC_SCANPARAM_PPA, "20");
                d.Click(IDOK);
            });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(m_top.m_stopMass, 60);
    EXPECT_EQ(m_top.m_pointCount, 59 * 20 + 1);
    EXPECT_EQ(m_bottom.m_pointsPerAmu, 20) << "one resolution for both";
    EXPECT_EQ(m_bottom.m_pointCount, 20 * 20 + 1);
    EXPECT_FLOAT_EQ(m_bottom.m_scaleFactor, 3.0f);
    EXPECT_EQ(m_bottom.m_noiseFloor, 5);
}

TEST_F(DualScanParameterDlgTest, RefusedRangesKeepBothRecords)
{
    const struct
    {
        int field;
        const char* text;
        const char* message;
        int focus;
    } cases[] = {
        {IDC_SCANPARAM_START, "50", "The stop mass must be greater", IDC_SCANPARAM_STOP},
        {IDC_SCANPARAM_BOTTOM_STOP, "20", "The stop mass must be greater", IDC_SCANPARAM_BOTTOM_STOP},
        {IDC_SCANPARAM_BOTTOM_START, "100", "between 1 and 99", IDC_SCANPARAM_BOTTOM_START},
        {IDC_SCANPARAM_PPA, "9", "between 10 and 25", IDC_SCANPARAM_PPA}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        const int result = Run(
            CAnalogData::kModeAnalog,
            [&](DialogDriver& d)
            {
                d.SetText(IDC_SCANPARAM_START, "2");
                d.SetText(c.field, c.text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), c.focus);
                d.Click(IDCANCEL);
            },
            c.message);
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_EQ(m_top.m_startMass, 1);
        EXPECT_EQ(m_bottom.m_stopMass, 40);
    }
}

TEST_F(DualScanParameterDlgTest, HistogramsKeepOnePointPerMass)
{
    m_top.m_pointsPerAmu = 1;
    const int result = Run(CAnalogData::kModeHistogram,
                           [](DialogDriver& d)
                           {
                               EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_SCANPARAM_PPA)));
                               d.Click(IDC_SCANPARAM_DEFAULT);
                               EXPECT_EQ(::SendMessage(d.Item(IDC_SCANPARAM_SPEED), CB_GETCURSEL, 0, 0), 7);
                               d.Click(IDOK);
                           });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(m_top.m_pointCount, 50);
    EXPECT_EQ(m_bottom.m_startMass, 1);
    EXPECT_EQ(m_bottom.m_pointCount, 50);
    EXPECT_EQ(m_bottom.m_noiseFloor, 7);
}

// ---- The period dialog --------------------------------------------------------------------------

class ScanPeriodDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_frame = std::make_unique<CStandInFrame>();
        CBaseScheduleDlg::s_placement = {};
        m_table.SetDefaults();
    }
    void TearDown() override
    {
        m_scan.reset();
        m_frame.reset();
        UiTest::TearDown();
    }
    DialogDriver Open(int sweepSeconds)
    {
        m_scan = std::make_unique<CTimed<CPvsTScans>>(sweepSeconds, &m_table, nullptr, &m_display);
        m_frame->m_pScan = m_scan.get();
        EXPECT_TRUE(m_scan->ShowScheduleDialog(nullptr));
        Pump();
        return DialogDriver(Dlg()->m_hWnd);
    }
    CScanPeriodDlg* Dlg() { return static_cast<CScanPeriodDlg*>(m_scan->m_pScheduleDlg); }

    std::unique_ptr<CStandInFrame> m_frame;
    CUnits m_units;
    CTable m_table{&m_units, nullptr};
    CRecordingDisplay m_display;
    std::unique_ptr<CTimed<CPvsTScans>> m_scan;
};

TEST_F(ScanPeriodDlgTest, MinimaFollowTheSweepTime)
{
    const struct
    {
        int sweep, seconds, minutes;
    } cases[] = {{0, 1, 1}, {1, 1, 1}, {59, 59, 1}, {60, 60, 1}, {61, 61, 2}, {95, 95, 2}, {600, 600, 10}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.sweep);
        m_table.m_scanMode = SCAN_MODE_SINGLE;
        Open(c.sweep);
        EXPECT_EQ(Dlg()->m_nMinSeconds, c.seconds);
        EXPECT_EQ(Dlg()->m_nMinMinutes, c.minutes) << "whole minutes that hold the sweep";
        EXPECT_EQ(m_table.m_scanMode, SCAN_MODE_TRIGGERED) << "the dialog puts the scan in triggered mode";
        m_scan.reset();
    }
}

TEST_F(ScanPeriodDlgTest, MinutesRoundToTheNearestAndAnUntouchedPeriodKeepsItsSeconds)
{
    const struct
    {
        float period;
        const char* shown;
        float applied;
    } cases[] = {{90.0f, "2", 90.0f},
                 {89.0f, "1", 89.0f},
                 {150.0f, "3", 150.0f},
                 {20.0f, "1", 60.0f},
                 {600.0f, "10", 600.0f}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.period);
        m_table.m_triggerPeriod = c.period;
        m_table.m_periodUnits = 1;
        DialogDriver d = Open(5);
        EXPECT_EQ(d.GetText(IDC_PERIOD_VALUE), c.shown);
        EXPECT_TRUE(d.IsChecked(IDC_PERIOD_MINUTES));
        EXPECT_EQ(d.GetText(IDC_PERIOD_UNITS), "Minutes");
        d.Click(IDOK);
        Pump();
        EXPECT_FLOAT_EQ(m_table.m_triggerPeriod, c.applied);
        EXPECT_EQ(m_table.m_periodUnits, 1);
        m_scan.reset();
    }
    EXPECT_EQ(kel::period::ShownMinutes(90), 2);
    EXPECT_EQ(kel::period::MinutesToSeconds(2, 90), 90);
    EXPECT_EQ(kel::period::MinutesToSeconds(3, 90), 180);
}

TEST_F(ScanPeriodDlgTest, RangeFromTheMinimumTo600InEitherUnit)
{
    const struct
    {
        bool minutes;
        const char* text;
        const char* message; // nullptr: accepted
        float seconds;
    } cases[] = {{false, "600", nullptr, 600.0f},        {false, "601", "between 30 and 600", 0},
                 {false, "29", "between 30 and 600", 0}, {false, "x", "Please enter an integer.", 0},
                 {true, "600", nullptr, 36000.0f},       {true, "601", "between 1 and 600", 0},
                 {true, "0", "between 1 and 600", 0},    {true, "7", nullptr, 420.0f}};
    m_table.m_triggerPeriod = 45.0f;
    DialogDriver d = Open(30);
    EXPECT_EQ(d.GetText(IDC_PERIOD_VALUE), "45");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        d.Click(c.minutes ? IDC_PERIOD_MINUTES : IDC_PERIOD_SECONDS);
        m_frame->m_notices.clear();
        m_table.m_triggerPeriod = 45.0f;
        d.SetText(IDC_PERIOD_VALUE, c.text);
        ScriptedPrompts prompts;
        if (c.message)
            prompts.Expect(c.message).Reply(IDOK);
        d.Click(IDOK);
        Pump();
        if (c.message)
        {
            EXPECT_EQ(d.FocusedId(), IDC_PERIOD_VALUE);
            EXPECT_TRUE(m_frame->m_notices.empty());
            EXPECT_FLOAT_EQ(m_table.m_triggerPeriod, 45.0f);
        }
        else
        {
            EXPECT_FLOAT_EQ(m_table.m_triggerPeriod, c.seconds);
            EXPECT_EQ(m_table.m_periodUnits, c.minutes ? 1 : 0);
            EXPECT_EQ(m_frame->m_notices, std::vector<UINT>{WM_KEL_SCHEDULECHANGED});
            EXPECT_EQ(m_frame->m_nScheduleApplies, 1);
            EXPECT_EQ(m_scan->m_kindValues.back(), static_cast<int>(c.seconds));
            m_frame->m_nScheduleApplies = 0;
        }
    }
}

TEST_F(ScanPeriodDlgTest, SecondsRaiseThePeriodToTheSweepAndCloseHidesTheWindow)
{
    m_table.m_periodUnits = 1;
    m_table.m_triggerPeriod = 120.0f;
    DialogDriver d = Open(30);
    EXPECT_EQ(d.GetText(IDC_PERIOD_VALUE), "2");
    d.Click(IDC_PERIOD_SECONDS);
    EXPECT_EQ(d.GetText(IDC_PERIOD_VALUE), "30");
    EXPECT_EQ(d.GetText(IDC_PERIOD_UNITS), "Seconds");
    Pump(100);
    std::filesystem::create_directories("screenshots");
    EXPECT_TRUE(
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), "screenshots/scan_period.png"));

    Dlg()->EnableControls(FALSE);
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_PERIOD_VALUE)));
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDOK)));
    EXPECT_TRUE(::IsWindowEnabled(d.Item(ID_HELP)));

    HWND hwnd = d.Dialog();
    ::SendMessage(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_TRUE(::IsWindow(hwnd));
    EXPECT_TRUE(::IsWindowEnabled(d.Item(IDOK))) << "closing enables the controls again";
    EXPECT_FLOAT_EQ(m_table.m_triggerPeriod, 120.0f);
    EXPECT_EQ(m_table.m_periodUnits, 1);
    EXPECT_EQ(m_frame->m_notices, std::vector<UINT>{WM_KEL_SCHEDDLGCLOSED});

    ASSERT_TRUE(m_scan->ShowScheduleDialog(nullptr));
    EXPECT_EQ(Dlg()->m_hWnd, hwnd);
    EXPECT_TRUE(m_scan->DestroyScheduleDialog());
    EXPECT_FALSE(::IsWindow(hwnd));
}

} // namespace
