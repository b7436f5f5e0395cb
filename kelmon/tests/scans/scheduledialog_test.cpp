// The scan schedule dialog, driven offscreen as a user would: loaded from its scan (units, bounds,
// mode), the controls each mode allows, the ranges of its fields, Apply writing the scan and telling
// the main window, the kind without the n-scans choice, greying, and a picture of it.
#include "ChannelFakes.h"

#include "KelMessages.h"
#include "scans/ScanScheduleDlg.h"
#include "scans/Table.h"
#include "scans/TableScan.h"
#include "units/Units.h"

#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

std::vector<UINT> g_notices;

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEL_SCHEDULECHANGED || msg == WM_KEL_SCHEDDLGCLOSED)
        g_notices.push_back(msg);
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

// A table scan whose sweep takes a set time.
class CTimedScan : public CTableScans
{
public:
    CTimedScan(CTable* table, int seconds) : CTableScans(table, nullptr, nullptr), m_seconds(seconds) {}
    BOOL EstimateSweepTime(int& seconds) override
    {
        seconds = m_seconds;
        return 1;
    }
    int m_seconds;
};

class ScheduleDialogTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_notices.clear();
        WNDCLASS wc{};
        wc.lpfnWndProc = MainProc;
        wc.lpszClassName = "KelScheduleTestMain";
        RegisterClass(&wc);
        m_main = CreateWindowEx(0, "KelScheduleTestMain", "Main", WS_OVERLAPPEDWINDOW, 100, 80, 600, 400, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(m_main, nullptr);
        kel::basedlg::SetMainWindow(m_main);
        m_table.SetDefaults();
    }
    void TearDown() override
    {
        m_scan.reset();
        kel::basedlg::SetMainWindow(nullptr);
        DestroyWindow(m_main);
        UiTest::TearDown();
    }
    // Shows the dialog of a scan whose sweep takes seconds, owned by it with the kind value.
    DialogDriver Open(int seconds, int kindValue = 0)
    {
        m_scan = std::make_unique<CTimedScan>(&m_table, seconds);
        m_scan->EditSchedule(nullptr);
        Dlg()->m_nKindValue = kindValue;
        EXPECT_TRUE(m_scan->ShowScheduleDialog(nullptr));
        Pump();
        return DialogDriver(Dlg()->m_hWnd);
    }
    CScanScheduleDlg* Dlg() { return static_cast<CScanScheduleDlg*>(m_scan->m_pScheduleDlg); }
    bool Enabled(DialogDriver& d, int id) { return ::IsWindowEnabled(d.Item(id)); }

    HWND m_main = nullptr;
    CUnits m_units;
    CTable m_table{&m_units, nullptr};
    std::unique_ptr<CTimedScan> m_scan;
};

TEST_F(ScheduleDialogTest, LoadsThePeriodInItsUnitsAndTheMode)
{
    m_table.m_triggerPeriod = 90.0f;
    m_table.m_periodUnits = 1;
    m_table.m_scanMode = SCAN_MODE_TRIGGERED;
    m_table.m_numberOfScans = 12;
    DialogDriver d = Open(10);
    EXPECT_EQ(d.GetText(IDC_SCHEDULE_PERIOD), "2") << "90 s in minutes, to the nearest minute";
    EXPECT_TRUE(d.IsChecked(IDC_SCHEDULE_MINUTES));
    EXPECT_TRUE(d.IsChecked(IDC_SCHEDULE_TRIGGERED));
    EXPECT_EQ(d.GetText(IDC_SCHEDULE_COUNT), "12");
    EXPECT_EQ(Dlg()->m_nMinSeconds, 10);
    EXPECT_EQ(Dlg()->m_nMinMinutes, 1);
    EXPECT_EQ(Dlg()->m_nPeriodLower, 1);
    EXPECT_TRUE(Enabled(d, IDC_SCHEDULE_PERIOD));
    EXPECT_TRUE(Enabled(d, IDC_SCHEDULE_SECONDS));
    EXPECT_FALSE(Enabled(d, IDC_SCHEDULE_COUNT));
}

TEST_F(ScheduleDialogTest, AnUntouchedPeriodInMinutesKeepsItsSeconds)
{
    const struct
    {
        float period;
        const char* shown;
        const char* typed; // nullptr: applied as shown
        float applied;
    } cases[] = {{90.0f, "2", nullptr, 90.0f},
                 {89.0f, "1", nullptr, 89.0f},
                 {90.0f, "2", "3", 180.0f},
                 {20.0f, "1", nullptr, 60.0f}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.period);
        m_table.m_triggerPeriod = c.period;
        m_table.m_periodUnits = 1;
        m_table.m_scanMode = SCAN_MODE_TRIGGERED;
        DialogDriver d = Open(10);
        EXPECT_EQ(d.GetText(IDC_SCHEDULE_PERIOD), c.shown);
        if (c.typed)
            d.SetText(IDC_SCHEDULE_PERIOD, c.typed);
        d.Click(IDOK);
        Pump();
        EXPECT_FLOAT_EQ(m_table.m_triggerPeriod, c.applied);
        m_scan.reset();
    }
}

TEST_F(ScheduleDialogTest, EachModeEnablesWhatItUses)
{
    DialogDriver d = Open(5);
    const struct
    {
        int radio;
        bool period, count;
    } cases[] = {{IDC_SCHEDULE_SINGLE, false, false},
                 {IDC_SCHEDULE_CONTINUOUS, false, false},
                 {IDC_SCHEDULE_TRIGGERED, true, false},
                 {IDC_SCHEDULE_NSCANS, false, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.radio);
        d.Click(c.radio);
        Pump();
        EXPECT_EQ(Enabled(d, IDC_SCHEDULE_PERIOD), c.period);
        EXPECT_EQ(Enabled(d, IDC_SCHEDULE_MINUTES), c.period);
        EXPECT_EQ(Enabled(d, IDC_SCHEDULE_COUNT), c.count);
    }
}

TEST_F(ScheduleDialogTest, ApplyWritesTheScanAndTellsTheMainWindow)
{
    DialogDriver d = Open(5);
    d.Click(IDC_SCHEDULE_TRIGGERED);
    d.Click(IDC_SCHEDULE_MINUTES);
    d.SetText(IDC_SCHEDULE_PERIOD, "3");
    d.SetText(IDC_SCHEDULE_COUNT, "40");
    d.Click(IDOK);
    ASSERT_TRUE(PumpUntil([] { return !g_notices.empty(); }));
    EXPECT_EQ(g_notices[0], UINT(WM_KEL_SCHEDULECHANGED));
    EXPECT_EQ(m_table.m_scanMode, SCAN_MODE_TRIGGERED);
    EXPECT_EQ(m_table.m_periodUnits, 1);
    EXPECT_FLOAT_EQ(m_table.m_triggerPeriod, 180.0f);
    EXPECT_EQ(m_table.m_numberOfScans, 40);
}

TEST_F(ScheduleDialogTest, OutOfRangeFieldsAreRefusedAndNothingIsWritten)
{
    const struct
    {
        int field;
        const char* text;
        const char* message;
    } cases[] = {{IDC_SCHEDULE_COUNT, "1001", "between 2 and 1000"},
                 {IDC_SCHEDULE_COUNT, "1", "between 2 and 1000"},
                 {IDC_SCHEDULE_PERIOD, "4", "between 5 and 999"},
                 {IDC_SCHEDULE_PERIOD, "1000", "between 5 and 999"}};
    DialogDriver d = Open(5);
    d.Click(IDC_SCHEDULE_TRIGGERED);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        d.SetText(IDC_SCHEDULE_COUNT, "2");
        d.SetText(IDC_SCHEDULE_PERIOD, "5");
        d.SetText(c.field, c.text);
        ScriptedPrompts prompts;
        prompts.Expect(c.message).Reply(IDOK);
        d.Click(IDOK);
        Pump();
        EXPECT_TRUE(g_notices.empty());
        EXPECT_EQ(m_table.m_scanMode, 1) << "the scan keeps its schedule";
    }
}

TEST_F(ScheduleDialogTest, SecondsAfterMinutesRaiseThePeriodToTheSweepTime)
{
    m_table.m_periodUnits = 1;
    m_table.m_triggerPeriod = 60.0f;
    m_table.m_scanMode = SCAN_MODE_TRIGGERED;
    DialogDriver d = Open(30);
    EXPECT_EQ(d.GetText(IDC_SCHEDULE_PERIOD), "1");
    d.Click(IDC_SCHEDULE_SECONDS);
    Pump();
    EXPECT_EQ(d.GetText(IDC_SCHEDULE_PERIOD), "30");
    EXPECT_EQ(Dlg()->m_nPeriodLower, 30);
}

TEST_F(ScheduleDialogTest, KindWithoutNScansSwitchesSuchAScanToSingle)
{
    m_table.m_scanMode = SCAN_MODE_NSCANS;
    DialogDriver d = Open(5, CScanScheduleDlg::kKindWithoutNScans);
    Dlg()->ReloadSchedule();
    EXPECT_EQ(m_table.m_scanMode, SCAN_MODE_SINGLE);
    EXPECT_TRUE(d.IsChecked(IDC_SCHEDULE_SINGLE));
    EXPECT_FALSE(Enabled(d, IDC_SCHEDULE_NSCANS));
    EXPECT_FALSE(Enabled(d, IDC_SCHEDULE_COUNT));
}

TEST_F(ScheduleDialogTest, GreyedWhileARunGoesOnAndRestoredAfter)
{
    m_table.m_scanMode = SCAN_MODE_SINGLE;
    DialogDriver d = Open(5);
    std::filesystem::create_directories("screenshots");
    Pump(100);
    EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), "screenshots/scan_schedule_open.png"));
    m_scan->EnableScheduleDialog(0);
    for (int id : {IDC_SCHEDULE_SINGLE, IDC_SCHEDULE_TRIGGERED, IDC_SCHEDULE_COUNT, IDOK})
        EXPECT_FALSE(Enabled(d, id)) << id;
    EXPECT_TRUE(Enabled(d, ID_HELP));
    m_scan->EnableScheduleDialog(1);
    EXPECT_TRUE(Enabled(d, IDC_SCHEDULE_SINGLE));
    EXPECT_FALSE(Enabled(d, IDC_SCHEDULE_PERIOD)) << "the single mode still has no period";

    Pump(100);
    EXPECT_FALSE(Enabled(d, IDC_SCHEDULE_SECONDS));
    EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), "screenshots/scan_schedule.png"));

    ::SendMessage(d.Dialog(), WM_COMMAND, IDCANCEL, 0); // Escape or the close box
    ASSERT_TRUE(PumpUntil([] { return !g_notices.empty(); }));
    EXPECT_EQ(g_notices[0], UINT(WM_KEL_SCHEDDLGCLOSED));
    EXPECT_FALSE(::IsWindow(d.Dialog()));
}

} // namespace
