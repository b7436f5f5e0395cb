// The electron-multiplier dialog on a live window against a scripted head: what it shows, its
// ranges, switching the high voltage (one switch at a time), and the automatic gain adjustment it
// starts: the filament and calibration questions, results sent to the head on success, and the
// head's state kept after a cancelled run.
#include "scripted_head.h"

#include "dialogs/CemDlg.h"
#include "dialogs/CemGainAdjustDlg.h"
#include "dialogs/HeadDialogs.h"
#include "dialogs/HeadWaitDlg.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "win32/prompt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using headui::ScriptedHead;
using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

constexpr int kOff = 1004;
constexpr int kOn = 1005;
constexpr int kGain = 1031;
constexpr int kVoltage = 1093;
constexpr int kAdjust = 1194;
constexpr int kMass = 1258;

class CemDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_previousBeep = kel::SetBeepHandler([this](UINT type) { beeps.push_back(type); });
        head.m_nMassRange = 200;
        head.m_nGainMass = 40;
        head.m_nCemVoltage = 1500;
    }
    void TearDown() override
    {
        kel::SetBeepHandler(m_previousBeep);
        UiTest::TearDown();
    }

    // Runs the dialog on the head with script driving it.
    int Run(std::function<void(DialogDriver&)> script)
    {
        prompts.Expect(CCemDlg::IDD).Drive(std::move(script));
        return CHeadDialogs::Instance().RunCemDialog(head);
    }

    ScriptedPrompts prompts;
    ScriptedHead head;
    std::vector<UINT> beeps;

private:
    kel::BeepHandler m_previousBeep;
};

} // namespace

TEST_F(CemDlgTest, ShowsTheHeadsMultiplierAndKeepsTheMassOnOk)
{
    head.highVoltageOn = 1;
    Run(
        [](DialogDriver& d)
        {
            EXPECT_EQ(d.GetText(1300), "KEL200");
            EXPECT_EQ(d.GetText(1301), "12345");
            EXPECT_TRUE(d.IsChecked(kOn));
            EXPECT_FALSE(d.IsChecked(kOff));
            EXPECT_EQ(d.GetText(kVoltage), "1500");
            EXPECT_EQ(d.GetText(kGain), "2000");
            EXPECT_EQ(d.GetText(kMass), "40");
            d.SetText(kMass, "44");
            d.Click(IDOK);
        });
    EXPECT_EQ(head.m_nGainMass, 44);
}

TEST_F(CemDlgTest, RefusesValuesOutsideTheRanges)
{
    const struct
    {
        int id;
        const char* outside;
        const char* limit;
    } cases[] = {
        {kVoltage, "-2", "-1"}, {kVoltage, "2491", "2490"},
        {kGain, "99", "100"},   {kGain, "1000001", "1000000"},
        {kMass, "0", "1"},      {kMass, "201", "200"}, // the head's mass range
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.id) + " " + c.outside);
        ScriptedPrompts local;
        local.Expect("Please enter").Reply(IDOK);
        local.Expect(CCemDlg::IDD)
            .Drive(
                [&](DialogDriver& d)
                {
                    d.SetText(c.id, c.outside);
                    d.Click(IDOK);
                    EXPECT_TRUE(d.IsOpen());
                    d.SetText(c.id, c.limit);
                    d.Click(IDOK);
                });
        EXPECT_EQ(CHeadDialogs::Instance().RunCemDialog(head), IDOK);
    }
}

TEST_F(CemDlgTest, SwitchingOnSendsTheDialogsVoltageAndWarnsWhenTheFilamentIsOff)
{
    head.filamentOn = 0;
    prompts.Expect("The filament is off.  Turn on before acquiring data.").Reply(IDOK);
    prompts.Expect(CHeadWaitDlg::IDD).Reply(1);
    Run(
        [&](DialogDriver& d)
        {
            d.SetText(kVoltage, "1700");
            d.Click(kOn);
            EXPECT_TRUE(d.IsChecked(kOn));
            d.Click(IDOK);
        });
    EXPECT_EQ(head.Logged("HV"), (std::vector<std::string>{"HV1 1700"}));
    EXPECT_EQ(head.m_nCemVoltage, 1700);
}

TEST_F(CemDlgTest, SecondClickWhileASwitchRunsOnlyBeeps)
{
    prompts.Expect(CHeadWaitDlg::IDD)
        .Drive(
            [&](DialogDriver& wait)
            {
                wait.Pump(); // the second click, queued behind the first, arrives now
                wait.Press(VK_ESCAPE);
            });
    Run(
        [&](DialogDriver& d)
        {
            // Two quick clicks: the second waits in the queue while the first switch runs.
            ::PostMessage(d.Dialog(), WM_COMMAND, MAKEWPARAM(kOff, BN_CLICKED),
                          reinterpret_cast<LPARAM>(d.Item(kOff)));
            d.Click(kOn);
            // The head reports the multiplier on: the radio follows the head, not the late click.
            EXPECT_TRUE(d.IsChecked(kOn));
            d.Click(IDOK);
        });
    EXPECT_EQ(beeps, (std::vector<UINT>{0}));
    EXPECT_EQ(head.Logged("HV"), (std::vector<std::string>{"HV1 1500"}));
    EXPECT_EQ(CCemDlg::s_bSwitching.load(), 0);
}

TEST_F(CemDlgTest, AdjustmentNeedsTheFilament)
{
    head.filamentOn = 0;
    head.highVoltageOn = 1;
    prompts.Expect("The KEL filament must be turned ON \nto automatically adjust the gain.").Reply(IDOK);
    Run(
        [](DialogDriver& d)
        {
            d.Click(kAdjust);
            EXPECT_TRUE(d.IsChecked(kOff));
            d.Click(IDCANCEL);
        });
    EXPECT_TRUE(head.triedVoltages.empty());
}

TEST_F(CemDlgTest, SuccessfulAdjustmentSendsVoltageAndGainAndAsksToCalibrateOnlyOnce)
{
    const float reached = head.faradayReading * 2000.5f; // reads as gain 2000
    head.multipliedReading = [reached](int) { return reached; };
    prompts.Expect("The detector should be calibrated before this procedure.").Reply(IDYES);
    prompts.Expect(CHeadWaitDlg::IDD).Reply(1); // the calibration's wait box
    prompts.Expect(CCemGainAdjustDlg::IDD).Run().Times(2);
    Run(
        [](DialogDriver& d)
        {
            d.SetText(kMass, "32");
            d.Click(kAdjust);
            EXPECT_EQ(d.GetText(kVoltage), "1097"); // 800 + trunc(125 log10(200)) + 10
            EXPECT_EQ(d.GetText(kGain), "2000");
            d.Click(kAdjust); // no second question
            d.Click(IDOK);
        });
    EXPECT_EQ(head.Logged("Calibrate").size(), 1u);
    EXPECT_EQ(head.Logged("SetVoltage"), (std::vector<std::string>{"SetVoltage 1097", "SetVoltage 1097"}));
    EXPECT_EQ(head.Logged("SetGain"), (std::vector<std::string>{"SetGain 2000", "SetGain 2000"}));
    EXPECT_EQ(head.m_nCemVoltage, 1097);
    EXPECT_EQ(head.m_nGainMass, 32);
    EXPECT_EQ(head.Logged("MS 32 1").size(), 20u); // single-mass mode on the dialog's mass
}

TEST_F(CemDlgTest, CancelledAdjustmentLeavesVoltageGainAndMultiplierAsTheyWere)
{
    head.multipliedReading = [](int) { return 1.0f; };
    HWND adjust = nullptr;
    head.onMeasure = [&](int n)
    {
        if (n == 13) // ten Faraday readings, then the third voltage
            ::PostMessage(adjust, WM_COMMAND, IDCANCEL, 0);
    };
    prompts.Expect("The detector should be calibrated").Reply(IDNO);
    prompts.Expect(CCemGainAdjustDlg::IDD)
        .Drive(
            [&](DialogDriver& d)
            {
                adjust = d.Dialog();
                EXPECT_TRUE(UiTest::PumpUntil(
                    [&]
                    {
                        d.Pump();
                        return !d.IsOpen();
                    }));
            });
    Run(
        [](DialogDriver& d)
        {
            d.Click(kAdjust);
            EXPECT_EQ(d.GetText(kVoltage), "1500");
            EXPECT_EQ(d.GetText(kGain), "2000");
            EXPECT_TRUE(d.IsChecked(kOff));
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(head.triedVoltages.size(), 3u);
    EXPECT_EQ(head.highVoltageOn, 0);
    EXPECT_EQ(head.m_nCemVoltage, 1500);
    EXPECT_TRUE(head.Logged("SetVoltage").empty());
    EXPECT_TRUE(head.Logged("SetGain").empty());
    // The scan settings are put back by sending another noise floor and then the head's own.
    EXPECT_EQ(head.Logged("NoiseFloor"), (std::vector<std::string>{"NoiseFloor 8", "NoiseFloor 5"}));
}
