// The leak test's alarm dialogs offscreen: levels, enables, messages and colours from the leak
// settings and back, reached from the set-up dialog; the alarm lines with their attributes; and
// the audible alarm applied to the table and the leak test.
#include "StandInFrame.h"

#include "dialogs/AlarmLinesDlg.h"
#include "dialogs/AudibleAlarmDlg.h"
#include "dialogs/LeakAlarmAttributesDlg.h"
#include "dialogs/LeakTestSetupDlg.h"
#include "doc/LeakData.h"
#include "foundation/AppUiState.h"
#include "head/KELDummyHead.h"
#include "scans/LeakScans.h"
#include "scans/Table.h"
#include "sound/AlarmSound.h"
#include "units/Units.h"

#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

// Writes screenshots/<name>.png in the folder the test runs in, to look at.
void Picture(DialogDriver& d, const char* name)
{
    std::filesystem::create_directories("screenshots");
    d.Pump();
    EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                      std::string("screenshots/") + name + ".png"));
}

class AlarmDialogTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        units.SetDefaults();
        settings.SetDefaults();
    }
    INT_PTR RunAttributes(std::function<void(DialogDriver&)> script)
    {
        prompts.Expect(IDD_LEAK_ALARM_ATTRIBUTES).Drive(std::move(script));
        CLeakAlarmAttributesDlg dlg;
        dlg.m_pSettings = &settings;
        for (int i = 0; i < CLeakAlarmAttributesDlg::kColours; ++i)
            dlg.m_colour[i] = settings.m_alarmColour[i];
        const INT_PTR result = dlg.DoModal();
        for (int i = 0; i < CLeakAlarmAttributesDlg::kColours; ++i)
            colours[i] = dlg.m_colour[i];
        return result;
    }

    ScriptedPrompts prompts;
    CKELDummyHead head;
    CUnits units{&head};
    CLeakData settings{&units, &head};
    int colours[CLeakAlarmAttributesDlg::kColours] = {};
};

TEST_F(AlarmDialogTest, AttributesShowTheSettingsAndOkStoresThem)
{
    const INT_PTR result = RunAttributes(
        [&](DialogDriver& d)
        {
            EXPECT_EQ(d.GetText(IDC_ALARM_MASS), "4");
            Picture(d, "leak_alarm_attributes");
            EXPECT_EQ(d.GetText(IDC_ALARM_UNITS), units.m_szUnitName);
            EXPECT_EQ(d.GetText(IDC_ALARM_VALUE_HIGH), "5e-06");
            EXPECT_EQ(d.GetText(IDC_ALARM_VALUE_HIGHHIGH), "8e-06");
            EXPECT_EQ(d.GetText(IDC_ALARM_VALUE_LOW), "5e-07");
            EXPECT_EQ(d.GetText(IDC_ALARM_VALUE_LOWLOW), "0");
            EXPECT_EQ(d.GetText(IDC_ALARM_REFERENCE), "1e-07");
            EXPECT_EQ(d.GetText(IDC_ALARM_MSG_LOW), "LOW");
            EXPECT_EQ(d.GetText(IDC_ALARM_MSG_LOWLOW), "EXTREME LOW");
            EXPECT_EQ(d.GetText(IDC_ALARM_MSG_NORMAL), "NORMAL");
            EXPECT_TRUE(d.IsChecked(IDC_ALARM_ENABLE_HIGH));
            EXPECT_TRUE(d.IsChecked(IDC_ALARM_ENABLE_LOWLOW));
            EXPECT_EQ(::SendMessage(d.Item(IDC_ALARM_COLOR_HIGHHIGH), CB_GETCURSEL, 0, 0), 12);
            EXPECT_EQ(::SendMessage(d.Item(IDC_ALARM_COLOR_HIGH), CB_GETCOUNT, 0, 0), 20);

            d.SetText(IDC_ALARM_VALUE_HIGH, "2e-6");
            d.Check(IDC_ALARM_ENABLE_LOW, false);
            d.SetText(IDC_ALARM_MSG_HIGH, "TWELVE CHARS"); // 12: taken whole
            d.SetText(IDC_ALARM_REFERENCE, "-0.001");
            d.Select(IDC_ALARM_COLOR_NORMAL, 7);
            d.Click(IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_FLOAT_EQ(settings.m_alarmLevel[CLeakData::kHigh], 2e-6f);
    EXPECT_FLOAT_EQ(settings.m_alarmLevel[CLeakData::kReference], -0.001f);
    EXPECT_EQ(settings.m_alarmFlag[CLeakData::kLowEnabled], 0);
    EXPECT_EQ(settings.m_alarmFlag[CLeakData::kHighEnabled], 1);
    EXPECT_STREQ(settings.m_alarmMessage[CLeakData::kMessageHigh], "TWELVE CHARS");
    EXPECT_EQ(settings.m_alarmMessage[CLeakData::kMessageHigh][12], '\0');
    EXPECT_EQ(colours[CLeakAlarmAttributesDlg::kNormal], 7);
    EXPECT_EQ(colours[CLeakAlarmAttributesDlg::kHighHigh], 12);
}

TEST_F(AlarmDialogTest, AttributesRefuseBadValuesAndLongMessagesOnTheField)
{
    struct Case
    {
        int field;
        const char* text;
        const char* message;
    } cases[] = {
        {IDC_ALARM_VALUE_HIGH, "2e12", "Please enter a number between 0 and 1e+12."},
        {IDC_ALARM_VALUE_LOWLOW, "-1e-12", "Please enter a number between 0 and 1e+12."},
        {IDC_ALARM_VALUE_HIGHHIGH, "high", "Please enter a number."},
        {IDC_ALARM_REFERENCE, "-0.002", "Please enter a number between -0.001 and 1e+12."},
        {IDC_ALARM_MSG_LOW, "THIRTEEN CHRS", "Enter no more than 12 characters."},
        {IDC_ALARM_MSG_NORMAL, "ALL IS WELL TODAY", "Enter no more than 12 characters."},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        prompts.Expect(c.message).Reply(IDOK);
        RunAttributes(
            [&](DialogDriver& d)
            {
                // Set as a program would: the edit's limit holds for typing only.
                ::SetWindowText(d.Item(c.field), c.text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), c.field);
                d.Click(IDCANCEL);
            });
    }
    EXPECT_FLOAT_EQ(settings.m_alarmLevel[CLeakData::kHigh], 5e-6f);
    EXPECT_STREQ(settings.m_alarmMessage[CLeakData::kMessageLow], "LOW");
    EXPECT_STREQ(settings.m_alarmMessage[CLeakData::kMessageNormal], "NORMAL");

    // A message typed past the field stops at its twelve characters.
    RunAttributes(
        [&](DialogDriver& d)
        {
            d.SetText(IDC_ALARM_MSG_LOW, "THIRTEEN CHRS");
            EXPECT_EQ(d.GetText(IDC_ALARM_MSG_LOW), "THIRTEEN CHR");
            d.Click(IDCANCEL);
        });
}

TEST_F(AlarmDialogTest, TheSetupDialogsAlarmsButtonCarriesTheColours)
{
    kel::testkit::StandInFrame frame;
    CAppUiState::GetInstance()->m_bParamDlgShown = 1;
    CLeakScans scan(&settings, &head, nullptr);
    ASSERT_TRUE(scan.ShowParameterDialog());
    DialogDriver setup(scan.m_pParameterDlg->m_hWnd);

    prompts.Expect(IDD_LEAK_ALARM_ATTRIBUTES)
        .Drive(
            [](DialogDriver& d)
            {
                d.Select(IDC_ALARM_COLOR_LOWLOW, 3);
                d.Click(IDCANCEL);
            });
    setup.Click(IDC_LEAK_ALARMS);
    EXPECT_EQ(settings.m_alarmColour[4], 9) << "Cancel keeps the colours";

    prompts.Expect(IDD_LEAK_ALARM_ATTRIBUTES)
        .Drive(
            [](DialogDriver& d)
            {
                d.Select(IDC_ALARM_COLOR_LOWLOW, 3);
                d.Click(IDOK);
            });
    setup.Click(IDC_LEAK_ALARMS);
    EXPECT_EQ(settings.m_alarmColour[4], 3);
    scan.DestroyParameterDialog();
    CAppUiState::GetInstance()->m_bParamDlgShown = 0;
}

TEST_F(AlarmDialogTest, AlarmLinesEditAWorkingCopyUntilOk)
{
    settings.m_alarmLineShown[1] = 1; // High
    settings.m_alarmLineColour[1] = 4;
    auto run = [&](std::function<void(DialogDriver&)> script)
    {
        prompts.Expect(IDD_ALARM_LINES).Drive(std::move(script));
        CAlarmLinesDlg dlg;
        dlg.m_pSettings = &settings;
        return dlg.DoModal();
    };
    run(
        [&](DialogDriver& d)
        {
            EXPECT_TRUE(d.IsChecked(IDC_LINE_SHOW_HIGH));
            EXPECT_TRUE(::IsWindowEnabled(d.Item(IDC_LINE_ATTR_HIGH)));
            EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_LINE_ATTR_LOW)));
            d.Check(IDC_LINE_SHOW_LOW);
            EXPECT_TRUE(::IsWindowEnabled(d.Item(IDC_LINE_ATTR_LOW)));
            prompts.Expect(IDD_LINE_PARAMETERS)
                .Drive(
                    [](DialogDriver& p)
                    {
                        p.Select(IDC_LINE_COLOR, 5);
                        p.Click(IDOK);
                    });
            d.Click(IDC_LINE_ATTR_LOW);
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(settings.m_alarmLineShown[2], 0) << "Cancel leaves the settings";
    EXPECT_EQ(settings.m_alarmLineColour[2], 1);

    EXPECT_EQ(run(
                  [&](DialogDriver& d)
                  {
                      prompts.Expect(IDD_LINE_PARAMETERS)
                          .Drive(
                              [](DialogDriver& p)
                              {
                                  EXPECT_EQ(::SendMessage(p.Item(IDC_LINE_COLOR), CB_GETCURSEL, 0, 0), 4);
                                  EXPECT_EQ(p.GetText(IDC_LINE_STYLE), "solid");
                                  p.Select(IDC_LINE_COLOR, 11);
                                  p.Select(IDC_LINE_STYLE, 2);
                                  p.Select(IDC_LINE_WIDTH, "3");
                                  p.Click(IDOK);
                              });
                      d.Click(IDC_LINE_ATTR_HIGH);
                      d.Check(IDC_LINE_SHOW_HIGH, false);
                      EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_LINE_ATTR_HIGH))) << "disabled at once";
                      d.Check(IDC_LINE_SHOW_REFERENCE);
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(settings.m_alarmLineShown[1], 0);
    EXPECT_EQ(settings.m_alarmLineColour[1], 11) << "not shown, but its attributes are kept";
    EXPECT_EQ(settings.m_alarmLineStyle[1], 2);
    EXPECT_EQ(settings.m_alarmLineWidth[1], 3);
    EXPECT_EQ(settings.m_alarmLineShown[0], 1);
}

TEST_F(AlarmDialogTest, AudibleAlarmOffStopsTheSoundAndReachesTableAndLeakTest)
{
    CTable table(&units, nullptr);
    table.SetDefaults();
    settings.m_bAudibleAlarm = 1;
    int owner = 0;
    CAlarmSound::Instance().Start(&owner, "/tmp/Alarm.wav");
    ASSERT_TRUE(CAlarmSound::Instance().IsSounding(&owner));

    prompts.Expect("", kel::PromptKind::FileOpen).ReplyPath("/sounds/Siren.wav");
    prompts.Expect(IDD_AUDIBLE_ALARM)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_TRUE(d.IsChecked(IDC_AUDIBLE_ENABLE));
                d.Click(IDC_AUDIBLE_SELECT);
                d.Click(IDC_AUDIBLE_ENABLE);
                d.Click(IDOK);
            });
    CAudibleAlarmDlg dlg;
    dlg.m_bEnabled = 1;
    dlg.m_strWaveFile = "/tmp/Alarm.wav";
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(CAlarmSound::Instance().IsSounding(&owner)) << "switched off: the sound stops at OK";
    ApplyAudibleAlarm(dlg, &table, &settings);
    EXPECT_EQ(table.m_bSoundOn, 0);
    EXPECT_EQ(table.m_strSoundFile, "/sounds/Siren.wav");
    EXPECT_EQ(settings.m_bAudibleAlarm, 0);
    EXPECT_EQ(settings.m_strAlarmWave, "/sounds/Siren.wav");
    EXPECT_FALSE(settings.IsAlarmPlaying());
}

} // namespace
