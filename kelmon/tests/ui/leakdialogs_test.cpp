// The leak test's dialogs, driven offscreen as a user would: the set-up dialog filled from the leak
// settings, its field checks, Apply reaching the settings, the hub and the scan through a stand-in
// main frame, the last-value units switching at once even while greyed, and its window's life; the
// schedule dialog's periods in seconds and minutes; the audio set-up dialog; and a picture.
#include "StandInFrame.h"

#include "KelMessages.h"
#include "dialogs/LeakAudioSetupDlg.h"
#include "dialogs/LeakTestScheduleDlg.h"
#include "dialogs/LeakTestSetupDlg.h"
#include "dialogs/PeriodMinutes.h"
#include "displays/Display.h"
#include "doc/LeakData.h"
#include "foundation/AppUiState.h"
#include "head/KELDummyHead.h"
#include "scans/LeakScans.h"
#include "units/Units.h"

#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using kel::testkit::StandInFrame;

namespace
{

class CReadoutDisplay : public CDisplay
{
public:
    int RefreshReadout() override { return ++refreshes; }
    void UpdateData(void*, int) override {}
    int ReadData(float*, int) override { return 0; }
    int BuildPage() override { return 1; }
    BOOL Rebuild() override
    {
        ++rebuilds;
        return 1;
    }
    int refreshes = 0;
    int rebuilds = 0;
};

// A leak scan whose one reading takes a chosen number of whole seconds; the settings' own
// derivation of the sample period still runs.
class CTimedLeakScan : public CLeakScans
{
public:
    using CLeakScans::CLeakScans;
    BOOL EstimateSweepTime(int& seconds) override
    {
        CLeakScans::EstimateSweepTime(seconds);
        seconds = sweepSeconds;
        return 1;
    }
    void ApplyParameters() override { ++parameterApplies; }
    void ApplySchedule() override { ++scheduleApplies; }
    int sweepSeconds = 1;
    int parameterApplies = 0;
    int scheduleApplies = 0;
};

class CRecordingSink : public CParamMessageSink
{
public:
    void OnParamMessage(CParamMessage* message) override
    {
        const int32_t* words = message->GetData();
        received.assign(words, words + 4);
    }
    std::vector<int32_t> received;
};

class LeakDialogTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        frame = std::make_unique<StandInFrame>();
        // The frame passes each apply on to the scan, and a refresh to its schedule dialog.
        frame->onNotice = [this](UINT msg)
        {
            if (msg == WM_KEL_PARAMSCHANGED)
                scan.ApplyParameters();
            else if (msg == WM_KEL_SCHEDULECHANGED)
                scan.ApplySchedule();
            else if (msg == WM_KEL_REFRESHSCHEDULE && scan.m_pScheduleDlg)
                scan.m_pScheduleDlg->ReloadSchedule();
        };
        units.SetDefaults();
        settings.SetDefaults();
        settings.m_pHead = nullptr; // the time per reading stays as the test sets it
        CAppUiState::GetInstance()->m_bParamDlgShown = 1;
        CAppUiState::GetInstance()->m_bScheduleDlgShown = 1;
    }
    void TearDown() override
    {
        scan.DestroyParameterDialog();
        scan.DestroyScheduleDialog();
        frame.reset();
        CAppUiState::GetInstance()->m_bParamDlgShown = 0;
        CAppUiState::GetInstance()->m_bScheduleDlgShown = 0;
        UiTest::TearDown();
    }
    CLeakTestSetupDlg* SetupDlg() { return static_cast<CLeakTestSetupDlg*>(scan.m_pParameterDlg); }
    CLeakTestScheduleDlg* ScheduleDlg() { return static_cast<CLeakTestScheduleDlg*>(scan.m_pScheduleDlg); }
    DialogDriver OpenSetup()
    {
        EXPECT_TRUE(scan.ShowParameterDialog());
        Pump();
        return DialogDriver(SetupDlg()->m_hWnd);
    }
    DialogDriver OpenSchedule()
    {
        EXPECT_TRUE(scan.ShowScheduleDialog(nullptr));
        Pump();
        return DialogDriver(ScheduleDlg()->m_hWnd);
    }

    std::unique_ptr<StandInFrame> frame;
    CKELDummyHead head; // mass range 200
    CUnits units{&head};
    CLeakData settings{&units, &head};
    CReadoutDisplay display;
    CTimedLeakScan scan{&settings, &head, &display};
};

// ---- Leak Test Setup --------------------------------------------------------------------------

TEST_F(LeakDialogTest, SetupShowsTheSettingsAndApplyReachesSettingsHubAndScan)
{
    settings.m_nSpeed = 5;
    settings.m_fScalingFactor = 2.5f;
    settings.m_nLastValueUnits = 0; // leak rate
    settings.m_bAutoscale = 1;
    settings.m_bAutoTimeAxis = 0;
    DialogDriver d = OpenSetup();
    EXPECT_EQ(SetupDlg()->m_nHighestMass, 200) << "from the head's mass range";
    EXPECT_EQ(d.GetText(IDC_LEAK_GAS_NAME), "Helium");
    EXPECT_EQ(d.GetText(IDC_LEAK_GAS_MASS), "4");
    EXPECT_EQ(d.GetText(IDC_LEAK_SPEED), "6");
    EXPECT_EQ(d.GetText(IDC_LEAK_SCALING), "2.5");
    EXPECT_TRUE(d.IsChecked(IDC_LEAK_UNITS_RATE));
    EXPECT_FALSE(d.IsChecked(IDC_LEAK_UNITS_PRESSURE));
    EXPECT_TRUE(d.IsChecked(IDC_LEAK_AUTOSCALE));
    EXPECT_FALSE(d.IsChecked(IDC_LEAK_AUTO_TIME));

    CRecordingSink sink;
    CParamMessageHub::Instance()->Register(SetupDlg(), &sink);
    d.SetText(IDC_LEAK_GAS_NAME, "Argon");
    d.SetText(IDC_LEAK_GAS_MASS, "40");
    d.Select(IDC_LEAK_SPEED, 1);
    d.SetText(IDC_LEAK_SCALING, "0.5");
    d.Check(IDC_LEAK_AUTO_TIME);
    d.Click(IDOK);
    ASSERT_TRUE(frame->WaitForNotices(2));
    EXPECT_EQ(frame->notices[0], static_cast<UINT>(WM_KEL_PARAMSCHANGED));
    EXPECT_EQ(frame->notices[1], static_cast<UINT>(WM_KEL_REFRESHSCHEDULE));
    EXPECT_EQ(scan.parameterApplies, 1);
    EXPECT_TRUE(d.IsOpen()) << "Apply keeps the dialog open";
    EXPECT_STREQ(settings.m_szGasName, "Argon");
    EXPECT_EQ(settings.m_nMass, 40);
    EXPECT_EQ(settings.m_nSpeed, 1);
    EXPECT_FLOAT_EQ(settings.m_fScalingFactor, 0.5f);
    EXPECT_EQ(settings.m_bAutoTimeAxis, 1);
    EXPECT_STREQ(settings.m_szCaption, "Argon (40)");
    EXPECT_EQ(sink.received, (std::vector<int32_t>{40, 1, 1, 1})) << "mass and speed published";
    CParamMessageHub::Instance()->RemoveAll(nullptr, &sink);
}

TEST_F(LeakDialogTest, SetupRefusesBadFieldsWithTheFocusOnTheFieldAndChangesNothing)
{
    struct Case
    {
        int field;
        const char* text;
        const char* message; // nullptr: accepted
    } cases[] = {
        {IDC_LEAK_SCALING, "0.009", "Please enter a number between 0.01 and 100."},
        {IDC_LEAK_SCALING, "100.5", "Please enter a number between 0.01 and 100."},
        {IDC_LEAK_SCALING, "abc", "Please enter a number."},
        {IDC_LEAK_GAS_MASS, "0", "Please enter an integer between 1 and 200."},
        {IDC_LEAK_GAS_MASS, "201", "Please enter an integer between 1 and 200."},
        {IDC_LEAK_SCALING, "0.01", nullptr},
        {IDC_LEAK_SCALING, "100", nullptr},
        {IDC_LEAK_GAS_MASS, "200", nullptr},
        {IDC_LEAK_GAS_NAME, "Carbon dioxide1", nullptr}, // 15 characters
    };
    DialogDriver d = OpenSetup();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        d.SetText(IDC_LEAK_GAS_NAME, "Helium");
        d.SetText(IDC_LEAK_GAS_MASS, "4");
        d.SetText(IDC_LEAK_SCALING, "1");
        d.SetText(c.field, c.text);
        const size_t before = frame->notices.size();
        ScriptedPrompts prompts;
        if (c.message)
            prompts.Expect(c.message).Reply(IDOK);
        d.Click(IDOK);
        Pump();
        if (c.message)
        {
            EXPECT_EQ(d.FocusedId(), c.field);
            EXPECT_EQ(frame->notices.size(), before) << "nothing applied";
            EXPECT_EQ(settings.m_nMass, 4);
            EXPECT_FLOAT_EQ(settings.m_fScalingFactor, 1.0f);
        }
        else
            EXPECT_GT(frame->notices.size(), before);
    }
    EXPECT_STREQ(settings.m_szGasName, "Carbon dioxide1");
}

TEST_F(LeakDialogTest, ALongerNameFromTheDocumentIsRefusedNotCut)
{
    // A document may carry a name longer than the dialog takes; Apply says so rather than
    // storing part of it.
    std::strcpy(settings.m_szGasName, "Sulphur hexafluoride");
    DialogDriver d = OpenSetup();
    EXPECT_EQ(d.GetText(IDC_LEAK_GAS_NAME), "Sulphur hexafluoride");
    ScriptedPrompts prompts;
    prompts.Expect("Enter no more than 15 characters.").Reply(IDOK);
    d.Click(IDOK);
    Pump();
    EXPECT_EQ(d.FocusedId(), IDC_LEAK_GAS_NAME);
    EXPECT_STREQ(settings.m_szGasName, "Sulphur hexafluoride");
    EXPECT_TRUE(frame->notices.empty());
}

TEST_F(LeakDialogTest, TheLastValueUnitsSwitchAtOnceEvenWhileGreyed)
{
    DialogDriver d = OpenSetup();
    EXPECT_TRUE(d.IsChecked(IDC_LEAK_UNITS_PRESSURE));
    SetupDlg()->EnableControls(FALSE); // a scan runs
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_LEAK_GAS_MASS)));
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDOK)));
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_LEAK_ALARMS)));
    for (int id : {ID_HELP, IDC_LEAK_UNITS_PRESSURE, IDC_LEAK_UNITS_RATE, IDC_LEAK_UNITS_GROUP})
        EXPECT_TRUE(::IsWindowEnabled(d.Item(id))) << id;
    d.Click(IDC_LEAK_UNITS_RATE);
    EXPECT_EQ(settings.m_nLastValueUnits, 0);
    EXPECT_EQ(display.refreshes, 1);
    d.Click(IDC_LEAK_UNITS_PRESSURE);
    EXPECT_EQ(settings.m_nLastValueUnits, 1);
    EXPECT_EQ(display.refreshes, 2);
    EXPECT_TRUE(frame->notices.empty()) << "no Apply needed";
    SetupDlg()->EnableControls(TRUE);
    EXPECT_TRUE(::IsWindowEnabled(d.Item(IDC_LEAK_GAS_MASS)));
}

TEST_F(LeakDialogTest, TheModelessWindowsAreMadeOnceHiddenShownClosedAndDestroyed)
{
    CAppUiState::GetInstance()->m_bParamDlgShown = 0;
    ASSERT_TRUE(scan.ShowParameterDialog());
    HWND setup = SetupDlg()->m_hWnd;
    EXPECT_FALSE(::IsWindowVisible(setup)) << "shown as the application state says";
    scan.ShowParameterWindow(SW_SHOW);
    EXPECT_TRUE(::IsWindowVisible(setup));
    ASSERT_TRUE(scan.ShowParameterDialog());
    EXPECT_EQ(SetupDlg()->m_hWnd, setup) << "one window, made once";

    OpenSchedule();
    HWND schedule = ScheduleDlg()->m_hWnd;
    scan.HideDialogs();
    EXPECT_FALSE(::IsWindowVisible(setup));
    EXPECT_FALSE(::IsWindowVisible(schedule));
    scan.ShowParameterWindow(SW_SHOW);
    scan.ShowScheduleWindow(SW_SHOW);

    // Closing from the caption or with Escape: the frame is told once, the dialog stays for its
    // next showing.
    auto closedNotices = [&](UINT msg)
    { return std::count(frame->notices.begin(), frame->notices.end(), msg); };
    ::SendMessage(setup, WM_CLOSE, 0, 0);
    ::SendMessage(schedule, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(closedNotices(WM_KEL_PARAMDLGCLOSED), 1);
    EXPECT_EQ(closedNotices(WM_KEL_SCHEDDLGCLOSED), 1);
    EXPECT_FALSE(::IsWindowVisible(setup));
    EXPECT_FALSE(::IsWindowVisible(schedule));
    EXPECT_TRUE(::IsWindow(setup));
    scan.ShowParameterWindow(SW_SHOW);
    scan.ShowScheduleWindow(SW_SHOW);
    DialogDriver(setup).Press(VK_ESCAPE);
    DialogDriver(schedule).Press(VK_ESCAPE);
    Pump();
    EXPECT_EQ(closedNotices(WM_KEL_PARAMDLGCLOSED), 2);
    EXPECT_EQ(closedNotices(WM_KEL_SCHEDDLGCLOSED), 2);
    EXPECT_FALSE(::IsWindowVisible(setup));
    EXPECT_FALSE(::IsWindowVisible(schedule));

    EXPECT_TRUE(scan.DestroyParameterDialog());
    EXPECT_TRUE(scan.DestroyScheduleDialog());
    EXPECT_FALSE(::IsWindow(setup));
    EXPECT_FALSE(::IsWindow(schedule));
    ASSERT_TRUE(scan.ShowParameterDialog()) << "made again after it was destroyed";
    EXPECT_TRUE(::IsWindow(SetupDlg()->m_hWnd));
}

TEST_F(LeakDialogTest, PictureOfTheSetupDialog)
{
    DialogDriver d = OpenSetup();
    std::filesystem::create_directories("screenshots");
    d.Pump();
    EXPECT_TRUE(
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), "screenshots/leak_test_setup.png"));
    DialogDriver s = OpenSchedule();
    s.Pump();
    EXPECT_TRUE(
        kel::testkit::SavePng(kel::testkit::CaptureWindow(s.Dialog()), "screenshots/leak_test_schedule.png"));
}

// ---- Leak Test Schedule -----------------------------------------------------------------------

TEST_F(LeakDialogTest, MinutesRoundToTheNearestAndAnUntouchedPeriodIsKeptOnApply)
{
    using kel::period::ShownMinutes;
    EXPECT_EQ(ShownMinutes(89), 1);
    EXPECT_EQ(ShownMinutes(90), 2) << "half a minute goes up";
    EXPECT_EQ(ShownMinutes(120), 2);
    EXPECT_EQ(ShownMinutes(149), 2);
    EXPECT_EQ(kel::period::MinutesCovering(61), 2) << "a bound covers the sweep";
    EXPECT_EQ(kel::period::MinutesCovering(0), 1);

    settings.m_fTriggerPeriod = 90.0f;
    settings.m_nPeriodUnits = 1;
    settings.m_nScanMode = SCAN_MODE_TRIGGERED;
    DialogDriver d = OpenSchedule();
    EXPECT_EQ(d.GetText(IDC_LEAKSCHED_PERIOD), "2");
    EXPECT_EQ(d.GetText(IDC_LEAKSCHED_UNITS), "Minutes");
    EXPECT_TRUE(d.IsChecked(IDC_LEAKSCHED_MINUTES));
    d.Click(IDOK);
    ASSERT_TRUE(frame->WaitForNotices(1));
    EXPECT_EQ(frame->notices[0], static_cast<UINT>(WM_KEL_SCHEDULECHANGED));
    EXPECT_EQ(scan.scheduleApplies, 1);
    EXPECT_FLOAT_EQ(settings.m_fTriggerPeriod, 90.0f) << "Apply leaves a 90 s schedule at 90 s";
    EXPECT_FLOAT_EQ(settings.m_fSamplePeriod, 90.0f);
    EXPECT_EQ(settings.m_nScanMode, SCAN_MODE_TRIGGERED);

    // Switching the units back and forth without touching the period changes nothing either.
    d.Click(IDC_LEAKSCHED_SECONDS);
    d.Click(IDC_LEAKSCHED_MINUTES);
    d.Click(IDOK);
    EXPECT_FLOAT_EQ(settings.m_fTriggerPeriod, 90.0f);

    // A period the user types is taken as typed.
    d.SetText(IDC_LEAKSCHED_PERIOD, "3");
    d.Click(IDOK);
    EXPECT_FLOAT_EQ(settings.m_fTriggerPeriod, 180.0f);
    d.Click(IDC_LEAKSCHED_SECONDS);
    EXPECT_EQ(d.GetText(IDC_LEAKSCHED_UNITS), "Seconds");
    d.SetText(IDC_LEAKSCHED_PERIOD, "45");
    d.Click(IDOK);
    EXPECT_FLOAT_EQ(settings.m_fTriggerPeriod, 45.0f);
    EXPECT_EQ(settings.m_nPeriodUnits, 0);
    EXPECT_FLOAT_EQ(settings.m_fTimePerReading, 45.0f);
}

TEST_F(LeakDialogTest, ScheduleBoundsModesAndContinuousApply)
{
    struct Case
    {
        int sweep;        // seconds per reading
        int units;        // 0 seconds, 1 minutes
        const char* text; // typed period
        const char* message;
    } cases[] = {
        {0, 0, "0", "Please enter an integer between 1 and 500."}, // a sweep of 0 s still needs 1 s
        {0, 1, "0", "Please enter an integer between 1 and 500."},
        {12, 0, "11", "Please enter an integer between 12 and 500."},
        {12, 0, "501", "Please enter an integer between 12 and 500."},
        {61, 1, "1", "Please enter an integer between 2 and 500."},
        {12, 0, "12", nullptr},
        {61, 1, "500", nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        scan.sweepSeconds = c.sweep;
        settings.m_nPeriodUnits = c.units;
        settings.m_nScanMode = SCAN_MODE_TRIGGERED;
        settings.m_fTriggerPeriod = 200.0f;
        DialogDriver d = OpenSchedule();
        ScheduleDlg()->ReloadSchedule();
        d.SetText(IDC_LEAKSCHED_PERIOD, c.text);
        ScriptedPrompts prompts;
        if (c.message)
            prompts.Expect(c.message).Reply(IDOK);
        d.Click(IDOK);
        Pump();
        if (c.message)
        {
            EXPECT_EQ(d.FocusedId(), IDC_LEAKSCHED_PERIOD);
            EXPECT_FLOAT_EQ(settings.m_fTriggerPeriod, 200.0f);
        }
        else
            EXPECT_FLOAT_EQ(settings.m_fTriggerPeriod,
                            c.units ? std::atoi(c.text) * 60.0f : std::atof(c.text));
    }

    // Continuous: the period controls are off, and Apply keeps the head's time per reading.
    scan.sweepSeconds = 1;
    settings.m_nPeriodUnits = 0;
    settings.m_fTriggerPeriod = 5.0f;
    settings.m_nScanMode = SCAN_MODE_CONTINUOUS;
    settings.m_fTimePerReading = 0.1f;
    ScheduleDlg()->ReloadSchedule();
    DialogDriver d(ScheduleDlg()->m_hWnd);
    EXPECT_TRUE(d.IsChecked(IDC_LEAKSCHED_CONTINUOUS));
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_LEAKSCHED_PERIOD)));
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_LEAKSCHED_MINUTES)));
    d.Click(IDC_LEAKSCHED_TRIGGERED);
    EXPECT_TRUE(::IsWindowEnabled(d.Item(IDC_LEAKSCHED_PERIOD)));
    d.Click(IDC_LEAKSCHED_CONTINUOUS);
    d.Click(IDOK);
    EXPECT_EQ(settings.m_nScanMode, SCAN_MODE_CONTINUOUS);
    EXPECT_FLOAT_EQ(settings.m_fTimePerReading, 0.1f) << "not cut to whole seconds";
    EXPECT_FLOAT_EQ(settings.m_fSamplePeriod, 0.1f);

    ScheduleDlg()->EnableControls(FALSE);
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDOK)));
    EXPECT_TRUE(::IsWindowEnabled(d.Item(ID_HELP)));
    ScheduleDlg()->EnableControls(TRUE);
    EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_LEAKSCHED_PERIOD))) << "still continuous";
}

TEST_F(LeakDialogTest, SwitchingToSecondsRaisesAPeriodBelowTheSmallest)
{
    scan.sweepSeconds = 30;
    settings.m_nPeriodUnits = 1;
    settings.m_nScanMode = SCAN_MODE_TRIGGERED;
    settings.m_fTriggerPeriod = 60.0f;
    DialogDriver d = OpenSchedule();
    EXPECT_EQ(d.GetText(IDC_LEAKSCHED_PERIOD), "1");
    d.Click(IDC_LEAKSCHED_SECONDS);
    EXPECT_EQ(d.GetText(IDC_LEAKSCHED_PERIOD), "30");
    d.Click(IDOK);
    EXPECT_FLOAT_EQ(settings.m_fTriggerPeriod, 30.0f);
}

// ---- Leak Test Audio Setup --------------------------------------------------------------------

TEST_F(LeakDialogTest, AudioSetupChecksItsRangeAndTheScanAppliesIt)
{
    settings.m_bAudioEnabled = 0;
    settings.m_fAudioMaximum = 1e-4f;
    settings.m_fAudioMinimum = 1e-7f;
    settings.m_nPitchMode = 1;
    struct Case
    {
        const char* max;
        const char* min;
        const char* message;
        int focus;
    } bad[] = {
        {"1e-13", "1e-13", "Please enter a number between 1e-12 and 1e+12.", IDC_AUDIO_MAX},
        {"2e12", "1e-7", "Please enter a number between 1e-12 and 1e+12.", IDC_AUDIO_MAX},
        {"1e-4", "1e-14", "Please enter a number between 1e-13 and 1e+12.", IDC_AUDIO_MIN},
        {"1e-6", "1e-6", "The Max value must be greater than the Min value.", IDC_AUDIO_MAX},
        {"1e-6", "1e-5", "The Max value must be greater than the Min value.", IDC_AUDIO_MAX},
    };
    ScriptedPrompts prompts;
    for (const Case& c : bad)
        prompts.Expect(c.message).Reply(IDOK);
    prompts.Expect(IDD_LEAK_AUDIO_SETUP)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_FALSE(d.IsChecked(IDC_AUDIO_ENABLE));
                EXPECT_TRUE(d.IsChecked(IDC_AUDIO_MEDIUM));
                for (int id : {IDC_AUDIO_LOW, IDC_AUDIO_MEDIUM, IDC_AUDIO_HIGH, IDC_AUDIO_MIN, IDC_AUDIO_MAX})
                    EXPECT_FALSE(::IsWindowEnabled(d.Item(id))) << id;
                d.Click(IDC_AUDIO_ENABLE);
                EXPECT_TRUE(::IsWindowEnabled(d.Item(IDC_AUDIO_MAX)));
                for (const Case& c : bad)
                {
                    SCOPED_TRACE(c.message);
                    d.SetText(IDC_AUDIO_MAX, c.max);
                    d.SetText(IDC_AUDIO_MIN, c.min);
                    d.Click(IDOK);
                    EXPECT_TRUE(d.IsOpen());
                    EXPECT_EQ(d.FocusedId(), c.focus);
                }
                d.SetText(IDC_AUDIO_MAX, "1e-5");
                d.SetText(IDC_AUDIO_MIN, "1e-9");
                d.Click(IDC_AUDIO_HIGH);
                d.Click(IDOK);
            });
    scan.EditAudio();
    EXPECT_EQ(settings.m_bAudioEnabled, 1);
    EXPECT_EQ(settings.m_nPitchMode, 2);
    EXPECT_FLOAT_EQ(settings.m_fAudioMaximum, 1e-5f);
    EXPECT_FLOAT_EQ(settings.m_fAudioMinimum, 1e-9f);
    scan.ApplyAudioSettings(0, 1, 1e-7f, 1e-4f); // drop the tone again

    // Cancel changes nothing.
    prompts.Expect(IDD_LEAK_AUDIO_SETUP)
        .Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_AUDIO_MAX, "1e-3");
                d.Click(IDCANCEL);
            });
    scan.EditAudio();
    EXPECT_FLOAT_EQ(settings.m_fAudioMaximum, 1e-4f);
}

} // namespace
