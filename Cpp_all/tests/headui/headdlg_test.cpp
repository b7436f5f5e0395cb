// The head's dialogs on live windows: the wait box's texts, blinking, no-response warning and
// self-close; the filament warning's answers; the ionizer dialogs' ranges, radios and defaults;
// the RF-check box and the information dialog. Against a scripted head, and against the head
// emulator over the virtual null modem for the head's own calls.
#include "scripted_head.h"

#include "HeadEmulator.h"
#include "dialogs/HeadDialogs.h"
#include "dialogs/HeadWaitDlg.h"
#include "dialogs/CemDlg.h"
#include "dialogs/CemGainAdjustDlg.h"
#include "dialogs/FilamentWarning.h"
#include "dialogs/IonizerDlg.h"
#include "dialogs/RfCheckDlg.h"
#include "dialogs/HeadInfoDlg.h"

#include "testkit/FakeClock.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "testkit/VirtualSerial.h"
#include "win32/prompt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using headui::ScriptedHead;
using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

constexpr int kLine1 = 1099;
constexpr int kLine2 = 1100;
constexpr int kWaitButton = 1090;
constexpr int kWaitIcon = 1091;

HICON IconOf(DialogDriver& d)
{
    return reinterpret_cast<HICON>(::SendMessage(d.Item(kWaitIcon), STM_GETICON, 0, 0));
}

bool IsShown(DialogDriver& d, int id)
{
    return (::GetWindowLongPtr(d.Item(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

class HeadDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_previousBeep = kel::SetBeepHandler([this](UINT type) { beeps.push_back(type); });
    }
    void TearDown() override
    {
        kel::SetBeepHandler(m_previousBeep);
        UiTest::TearDown();
    }

    ScriptedPrompts prompts;
    ScriptedHead head;
    std::vector<UINT> beeps;

private:
    kel::BeepHandler m_previousBeep;
};

} // namespace

TEST_F(HeadDlgTest, WaitBoxShowsItsLinesAndClosesAtTheFirstTickTheHeadAnswers)
{
    kel::testkit::FakeClock clock;
    head.answerAtPoll = 3;
    int ticksSeen = 0;
    prompts.Expect(CHeadWaitDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(kLine1), "Calibrating the KEL head");
                EXPECT_EQ(d.GetText(kLine2), "Please Wait...");
                EXPECT_FALSE(IsShown(d, kWaitButton)); // mode 1
                while (d.IsOpen() && ticksSeen < 10)
                {
                    clock.Advance(CHeadWaitDlg::kTickMs);
                    d.Pump();
                    ++ticksSeen;
                }
            });
    EXPECT_EQ(CHeadDialogs::Instance().RunWaitBox(head, 20, 1, 99, ""), 1);
    EXPECT_EQ(ticksSeen, 3);
    EXPECT_EQ(head.polls, 3);
    EXPECT_TRUE(beeps.empty());
}

TEST_F(HeadDlgTest, WaitBoxTextGivenByTheCallerWinsAndModeZeroShowsTheButton)
{
    prompts.Expect(CHeadWaitDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(kLine1), "Degassing the ionizer");
                EXPECT_TRUE(IsShown(d, kWaitButton));
                d.Click(kWaitButton);
            });
    EXPECT_EQ(CHeadDialogs::Instance().RunWaitBox(head, 400, 0, 99, "Degassing the ionizer"), IDCANCEL);
}

TEST_F(HeadDlgTest, SilentHeadGetsTheNoResponseTextsAfterTheLimitAndOneBeep)
{
    kel::testkit::FakeClock clock;
    prompts.Expect(CHeadWaitDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                const HICON start = IconOf(d);
                ASSERT_NE(start, nullptr);
                HICON warning1 = nullptr;
                for (int tick = 1; tick <= 21; ++tick)
                {
                    clock.Advance(CHeadWaitDlg::kTickMs);
                    d.Pump();
                    ASSERT_TRUE(d.IsOpen()) << tick;
                    EXPECT_EQ(d.GetText(kLine1), "Initializing the KEL head") << tick;
                    // The icon blinks between the first warning and the box's own picture.
                    if (tick % 2 == 1)
                    {
                        EXPECT_NE(IconOf(d), start) << tick;
                        warning1 = IconOf(d);
                    }
                    else
                        EXPECT_EQ(IconOf(d), start) << tick;
                }
                EXPECT_FALSE(IsShown(d, kWaitButton));
                EXPECT_TRUE(beeps.empty());

                clock.Advance(CHeadWaitDlg::kTickMs);
                d.Pump();
                EXPECT_EQ(d.GetText(kLine1), "No Response from KEL Head!");
                EXPECT_EQ(d.GetText(kLine2), "Check all connections and try again");
                EXPECT_TRUE(IsShown(d, kWaitButton));
                EXPECT_EQ(beeps, (std::vector<UINT>{0xFFFFFFFF}));
                const HICON warning2 = IconOf(d);
                EXPECT_NE(warning2, start);
                EXPECT_NE(warning2, warning1);

                // From now on it blinks between the two warnings; texts and beep stay as they are.
                for (int tick = 23; tick <= 40; ++tick)
                {
                    clock.Advance(CHeadWaitDlg::kTickMs);
                    d.Pump();
                    EXPECT_EQ(IconOf(d), tick % 2 == 1 ? warning1 : warning2) << tick;
                }
                EXPECT_EQ(d.GetText(kLine1), "No Response from KEL Head!");
                EXPECT_EQ(beeps.size(), 1u);
                d.Click(kWaitButton);
                EXPECT_EQ(IconOf(d), start); // the box's own picture is put back
            });
    EXPECT_EQ(CHeadDialogs::Instance().RunWaitBox(head, 20, 1, 109, ""), IDCANCEL);
    EXPECT_EQ(head.polls, 40);
}

TEST_F(HeadDlgTest, FilamentWarningAnswers)
{
    const struct
    {
        int button;
        bool tick;
        int result;
        int checkBox;
    } cases[] = {
        {IDOK, false, IDOK, 0},
        {IDOK, true, IDOK, 1},
        {1001, true, CFilamentWarning::kContinueWithoutFilament, 1},
        {1001, false, CFilamentWarning::kContinueWithoutFilament, 0},
        {IDCANCEL, true, IDCANCEL, 0},
    };
    for (const auto& c : cases)
    {
        ScriptedPrompts local;
        local.Expect(CFilamentWarning::IDD)
            .Drive(
                [&](DialogDriver& d)
                {
                    EXPECT_FALSE(d.IsChecked(1002));
                    d.Check(1002, c.tick);
                    d.Click(c.button);
                });
        const HINSTANCE before = AfxGetResourceHandle();
        int checkBox = -1;
        EXPECT_EQ(CHeadDialogs::Instance().RunFilamentWarning(checkBox), c.result) << c.button << c.tick;
        EXPECT_EQ(checkBox, c.checkBox) << c.button << c.tick;
        EXPECT_EQ(AfxGetResourceHandle(), before); // dlgpack was in force only while it ran
    }
}

// Every range of the two ionizer dialogs: a value just outside is refused with the dialog kept
// open, the limit itself is taken.
TEST_F(HeadDlgTest, IonizerDialogsRefuseValuesOutsideTheirRanges)
{
    const struct
    {
        int id;
        const char* outside;
        const char* limit;
    } cases[] = {
        {1098, "24", "25"},     {1098, "106", "105"}, {1033, "-0.01", "0"},
        {1033, "3.76", "3.75"}, {1032, "-1", "0"},    {1032, "151", "150"},
    };
    for (UINT templateId : {UINT(CIonizerDlg::IDD), UINT(CDuxIonizerDlg::IDD)})
        for (const auto& c : cases)
        {
            SCOPED_TRACE(std::to_string(templateId) + " control " + std::to_string(c.id) + " " + c.outside);
            ScriptedPrompts local;
            local.Expect("Please enter").Reply(IDOK);
            local.Expect(templateId)
                .Drive(
                    [&](DialogDriver& d)
                    {
                        d.SetText(c.id, c.outside);
                        d.Click(IDOK);
                        EXPECT_TRUE(d.IsOpen());
                        EXPECT_EQ(d.FocusedId(), c.id);
                        d.SetText(c.id, c.limit);
                        d.Click(IDOK);
                    });
            int result = 0;
            if (templateId == CIonizerDlg::IDD)
            {
                HeadIonizerSettings s;
                s.electronEnergy = 70;
                s.emission = 1.0f;
                s.focusVoltage = 90;
                result = CHeadDialogs::Instance().RunIonizerDialog(head, s);
                const double taken = c.id == 1098   ? s.electronEnergy
                                     : c.id == 1033 ? s.emission
                                                    : s.focusVoltage;
                EXPECT_DOUBLE_EQ(taken, std::stod(c.limit));
            }
            else
            {
                HeadDuxIonizerSettings s;
                s.electronEnergy = 70;
                s.emission = 0.05f;
                s.focusVoltage = 90;
                result = CHeadDialogs::Instance().RunDuxIonizerDialog(head, s);
                const double taken = c.id == 1098   ? s.electronEnergy
                                     : c.id == 1033 ? s.emission
                                                    : s.focusVoltage;
                EXPECT_NEAR(taken, std::stod(c.limit), 1e-6);
            }
            EXPECT_EQ(result, IDOK);
        }
}

TEST_F(HeadDlgTest, IonizerDialogShowsAndReturnsTheRadiosCheckBoxAndDefaults)
{
    HeadIonizerSettings s;
    s.defaultElectronEnergy = 70;
    s.defaultEmission = 1.0f;
    s.defaultFocusVoltage = 90;
    s.defaultIonEnergy = 1;
    s.electronEnergy = 40;
    s.emission = 2.5f;
    s.focusVoltage = 20;
    s.ionEnergy = 0;
    s.filamentOn = 0;
    s.filamentWarning = 1;
    prompts.Expect(CIonizerDlg::IDD)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(1098), "40");
                EXPECT_EQ(d.GetText(1033), "2.5");
                EXPECT_EQ(d.GetText(1032), "20");
                EXPECT_TRUE(d.IsChecked(1182)); // low ion energy
                EXPECT_TRUE(d.IsChecked(1185)); // filament off
                EXPECT_TRUE(d.IsChecked(1003));
                d.Click(1193); // the head's defaults
                EXPECT_EQ(d.GetText(1098), "70");
                EXPECT_EQ(d.GetText(1033), "1");
                EXPECT_EQ(d.GetText(1032), "90");
                EXPECT_TRUE(d.IsChecked(1183));
                EXPECT_FALSE(d.IsChecked(1182));
                d.Click(1184); // filament on
                d.Check(1003, false);
                d.Click(IDOK);
            });
    ASSERT_EQ(CHeadDialogs::Instance().RunIonizerDialog(head, s), IDOK);
    EXPECT_EQ(s.electronEnergy, 70);
    EXPECT_EQ(s.emission, 1.0f);
    EXPECT_EQ(s.focusVoltage, 90);
    EXPECT_EQ(s.ionEnergy, 1);
    EXPECT_EQ(s.filamentOn, 1);
    EXPECT_EQ(s.filamentWarning, 0);
}

TEST_F(HeadDlgTest, DuxIonizerDialogShowsThePresetsAndKeepsTheChosenRadiosOverDefault)
{
    HeadDuxIonizerSettings s;
    s.presetText[0] = "Electron energy 70 eV\nFocus voltage 90 V\nEmission current 0.050 mA";
    s.presetText[1] = "Electron energy 35 eV\nFocus voltage 90 V\nEmission current 0.050 mA";
    s.presetText[2] = "Electron energy 70 eV\nFocus voltage 40 V\nEmission current 0.100 mA";
    s.ionEnergy = 1;
    s.electronEnergy = 60;
    s.focusVoltage = 80;
    s.emission = 0.2f;
    s.presetIndex = 1;
    s.filament = 0;
    prompts.Expect(CDuxIonizerDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(1414), std::string(s.presetText[0]));
                EXPECT_EQ(d.GetText(1412), std::string(s.presetText[1]));
                EXPECT_EQ(d.GetText(1413), std::string(s.presetText[2]));
                EXPECT_TRUE(d.IsChecked(1409));
                EXPECT_TRUE(d.IsChecked(1184));
                EXPECT_TRUE(d.IsChecked(1183));
                d.Click(1411); // custom
                d.Click(1185); // filament off
                d.SetText(1098, "45");
                d.Click(1193); // back to the custom preset's values; the radios stay
                EXPECT_EQ(d.GetText(1098), "60");
                EXPECT_TRUE(d.IsChecked(1411));
                EXPECT_TRUE(d.IsChecked(1185));
                d.Click(1182);
                d.Click(IDOK);
            });
    ASSERT_EQ(CHeadDialogs::Instance().RunDuxIonizerDialog(head, s), IDOK);
    EXPECT_EQ(s.presetIndex, 3);
    EXPECT_EQ(s.filament, 1);
    EXPECT_EQ(s.ionEnergy, 0);
    EXPECT_EQ(s.electronEnergy, 60);
}

TEST_F(HeadDlgTest, RfCheckBoxShowsTheMassAndStoresItsCheckBox)
{
    for (int start : {0, 1})
    {
        ScriptedPrompts local;
        local.Expect(CRfCheckDlg::IDD)
            .Drive(
                [&](DialogDriver& d)
                {
                    EXPECT_EQ(d.GetText(1397), "87 AMU");
                    EXPECT_EQ(d.IsChecked(1398), start == 1);
                    d.Check(1398, start == 0);
                    d.Click(IDOK);
                });
        int notice = start;
        EXPECT_EQ(CHeadDialogs::Instance().RunRfCheckBox("87 AMU", notice), IDOK);
        EXPECT_EQ(notice, start == 0 ? 1 : 0);
    }
}

TEST_F(HeadDlgTest, RfProgressBoxIsModelessAndFollowsTheSearch)
{
    CHeadDialogs& dialogs = CHeadDialogs::Instance();
    dialogs.ShowRfProgress("200 AMU");
    // The box is the top-level window with the mass text.
    HWND box = NULL;
    ::EnumWindows(
        [](HWND hwnd, LPARAM out) -> BOOL
        {
            char text[32] = {};
            if (::GetDlgItemText(hwnd, 1397, text, sizeof text) > 0)
            {
                *reinterpret_cast<HWND*>(out) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    ASSERT_NE(box, HWND(NULL));
    EXPECT_TRUE(::IsWindowVisible(box));
    char text[32] = {};
    ::GetDlgItemText(box, 1397, text, sizeof text);
    EXPECT_STREQ(text, "200 AMU");

    dialogs.ShowRfProgress("12345678901 AMU");
    ::GetDlgItemText(box, 1397, text, sizeof text);
    EXPECT_STREQ(text, "1234567890") << "the same box, the text cut to ten characters";

    dialogs.CloseRfProgress();
    EXPECT_FALSE(::IsWindow(box));
    dialogs.CloseRfProgress(); // nothing left to close
}

TEST_F(HeadDlgTest, InfoDialogShowsEveryTextAndCutsTooLongOnesSoOkStillCloses)
{
    HeadInfoTexts t;
    t.model = "KEL200";
    t.serialNumber = "1234567890123"; // 9 characters fit
    t.partialSensitivity = "Partial: 1.00e-04 Amp/Torr";
    t.di = "7";
    prompts.Expect(CHeadInfoDlg::IDD)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(1165), "KEL200");
                EXPECT_EQ(d.GetText(1166), "123456789");
                EXPECT_EQ(d.GetText(1164), "Partial: 1.00e-04 Amp/Torr");
                EXPECT_EQ(d.GetText(1031), "7");
                d.Click(IDOK);
                EXPECT_FALSE(d.IsOpen());
            });
    EXPECT_EQ(CHeadDialogs::Instance().RunInfoDialog(t), IDOK);
}

// ---- The head's own calls over the serial line ----

namespace
{
class HeadOnLineTest : public HeadDlgTest
{
protected:
    static constexpr int kCom = 53;

    HeadOnLineTest() : emu(modem) { modem.RegisterAs(kCom); }
    void SetUp() override
    {
        HeadDlgTest::SetUp();
        CHeadDialogs::Install();
        ASSERT_TRUE(line.Connect(kCom - 1));
    }
    void TearDown() override
    {
        line.Disconnect();
        CHead::SetDialogs(nullptr);
        CHead::SetAskPolicy(nullptr);
        HeadDlgTest::TearDown();
    }

    kel::testkit::VirtualNullModem modem;
    kel::testkit::HeadEmulator emu;
    kel::testkit::OpenHead line;
};
} // namespace

TEST_F(HeadOnLineTest, CalibrationWaitBoxClosesItselfWhenTheHeadReportsDone)
{
    kel::testkit::TimeoutScale fast(0.02);
    std::string line1;
    prompts.Expect(CHeadWaitDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                line1 = d.GetText(kLine1);
                EXPECT_TRUE(UiTest::PumpUntil(
                    [&]
                    {
                        d.Pump();
                        return !d.IsOpen();
                    }));
            });
    EXPECT_TRUE(line.CalibrateWithProgress());
    EXPECT_EQ(line1, "Calibrating the KEL head");
    const std::vector<std::string> commands = emu.Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "CL"), commands.end());
}

TEST_F(HeadOnLineTest, IonEnergyWaitBoxNamesTheIonEnergy)
{
    kel::testkit::TimeoutScale fast(0.02);
    std::string line1;
    prompts.Expect(CHeadWaitDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                line1 = d.GetText(kLine1);
                EXPECT_TRUE(UiTest::PumpUntil(
                    [&]
                    {
                        d.Pump();
                        return !d.IsOpen();
                    }));
            });
    EXPECT_TRUE(line.SetIonEnergyWithProgress(0));
    EXPECT_NE(line1.find("ion energy"), std::string::npos) << line1;
    EXPECT_EQ(line1.find("Electron"), std::string::npos) << line1;
}

TEST_F(HeadOnLineTest, FilamentWarningContinueGoesOnWithTheFilamentOff)
{
    emu.SetSetting("FL", "0.00");
    line.m_bFilamentWarning = 1;
    prompts.Expect(CFilamentWarning::IDD)
        .Drive(
            [](DialogDriver& d)
            {
                d.Check(1002);
                d.Click(1001);
            });
    EXPECT_TRUE(line.EnsureFilamentOn());
    EXPECT_EQ(line.m_bSkipOnce, 1);
    EXPECT_EQ(line.m_bFilamentWarning, 0); // the box was ticked
    for (const std::string& c : emu.Commands())
        EXPECT_TRUE(c.rfind("FL", 0) != 0 || c == "FL?") << c;
}

TEST_F(HeadOnLineTest, CemDialogSwitchesTheHighVoltageOnTheHead)
{
    kel::testkit::TimeoutScale fast(0.02);
    emu.SetSetting("MO", "1");
    emu.SetSetting("FL", "1.00");
    emu.SetSetting("MV", "1234");
    emu.SetSetting("MG", "2.5");
    prompts.Expect(CHeadWaitDlg::IDD).Run().Times(2); // each closes itself on the head's status
    std::string highVoltageWhileOn;
    prompts.Expect(CCemDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(1093), "1234");
                EXPECT_EQ(d.GetText(1031), "2500");
                EXPECT_TRUE(d.IsChecked(1004));
                d.SetText(1093, "1300");
                d.Click(1005);
                EXPECT_TRUE(d.IsChecked(1005));
                highVoltageWhileOn = emu.Setting("HV");
                d.Click(1004);
                EXPECT_TRUE(d.IsChecked(1004));
                d.Click(IDOK);
            });
    EXPECT_TRUE(line.RunCemDialog());
    EXPECT_EQ(highVoltageWhileOn, "1300");
    EXPECT_EQ(emu.Setting("HV"), "0");
}

// A head whose current does not grow with the voltage: the adjustment climbs to its limit, and the
// multiplier must not stay on at the last voltage tried.
TEST_F(HeadOnLineTest, FailedGainAdjustmentLeavesTheHeadsMultiplierOffAtItsOwnVoltage)
{
    kel::testkit::TimeoutScale fast(0.02);
    emu.SetSetting("MO", "1");
    emu.SetSetting("FL", "1.00");
    emu.SetSetting("MV", "1234");
    emu.SetSetting("MG", "1.0");
    prompts.Expect("The detector should be calibrated").Reply(IDNO);
    prompts.Expect(CCemGainAdjustDlg::IDD).Run();
    prompts.Expect("CEM voltage has reached maximum value").Reply(IDOK);
    prompts.Expect(CCemDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                d.Click(1194);
                EXPECT_TRUE(d.IsChecked(1004));
                EXPECT_EQ(d.GetText(1093), "1234");
                d.Click(IDCANCEL);
            });
    EXPECT_TRUE(line.RunCemDialog());
    EXPECT_EQ(emu.Setting("HV"), "0");
    EXPECT_EQ(line.m_nCemVoltage, 1234);
    const std::vector<std::string> commands = emu.Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "HV2435"), commands.end()); // 1060 + k x 125
    EXPECT_EQ(std::find(commands.begin(), commands.end(), "HV2560"), commands.end());
}
