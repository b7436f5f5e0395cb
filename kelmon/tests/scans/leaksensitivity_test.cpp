// Leak-rate tuning against the simulated head: the partial pressure measured at the chosen mass,
// the factor Q/P rounded as shown, and what happens when the pressure cannot be had.
#include "dialogs/LeakSensitivityDlg.h"
#include "head/KELDummyHead.h"
#include "res/resource.h"
#include "units/Units.h"

#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "testsupport/HeadAccess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

// The simulated head with a chosen reading (raw units) at every measurement.
class LeakHead : public kel::testkit::OpenDummyHead
{
public:
    BOOL MeasureSingleMass(int mass, int noiseFloor, float& value) override
    {
        EXPECT_EQ(noiseFloor, -1) << "the head's noise floor is kept";
        masses.push_back(mass);
        value = reading;
        return ++readings != failAt;
    }
    BOOL EnsureFilamentOn() override { return filamentOn; }

    float reading = 2000.0f;
    int readings = 0;
    int failAt = -1; // this reading fails
    BOOL filamentOn = TRUE;
    std::vector<int> masses;
};

class LeakRateTuning : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(head.Connect(1));
        units.SetDefaults();
        // 1e-12 Torr per raw unit: a reading of 2000 is 2e-9 Torr.
        units.m_fPartialFactor = 1e-12f;
        units.m_fInverseScale = 1.0f;
    }

    // Runs the dialog as the document's command does (Q, mass and factor preset), driven by script.
    INT_PTR Run(std::function<void(DialogDriver&)> script)
    {
        prompts.Expect(IDD_LEAK_SENSITIVITY).Drive(std::move(script));
        dlg.m_fLeakRate = 1e-8f;
        dlg.m_nMass = 4;
        dlg.m_fFactor = 2.5f;
        dlg.m_pHead = &head;
        dlg.m_pUnits = &units;
        return dlg.DoModal();
    }

    ScriptedPrompts prompts;
    LeakHead head;
    CUnits units{&head};
    CLeakSensitivityDlg dlg;
};

TEST_F(LeakRateTuning, MeasuresTheFactorOfTheReferenceLeak)
{
    const INT_PTR result = Run(
        [&](DialogDriver& d)
        {
            EXPECT_EQ(d.GetText(IDC_LEAK_PRESSURE), "");
            EXPECT_EQ(d.GetText(IDC_LEAK_FACTOR), "2.5");
            d.SetText(IDC_LEAK_MASS, "3");
            d.Click(IDC_LEAK_MEASURE);
            EXPECT_EQ(head.readings, CLeakSensitivityDlg::kReadings);
            EXPECT_EQ(head.masses.back(), 3);
            EXPECT_EQ(d.GetText(IDC_LEAK_PRESSURE), "2.00e-09");
            EXPECT_EQ(d.GetText(IDC_LEAK_FACTOR), "5");
            // screenshots/leak_rate_tuning.png in the folder the test runs in, to look at.
            std::filesystem::create_directories("screenshots");
            d.Pump();
            EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                              "screenshots/leak_rate_tuning.png"));
            d.Click(IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_FLOAT_EQ(dlg.m_fFactor, 5.0f);
    EXPECT_EQ(dlg.m_nMass, 3);
    EXPECT_FLOAT_EQ(dlg.m_fPressure, 2e-9f);
}

TEST_F(LeakRateTuning, ATypedFactorIsKeptAsShownToThreeDigits)
{
    Run(
        [&](DialogDriver& d)
        {
            d.SetText(IDC_LEAK_FACTOR, "1.23456e-3");
            d.Click(IDOK);
        });
    EXPECT_FLOAT_EQ(dlg.m_fFactor, 1.23e-3f);
    EXPECT_FLOAT_EQ(CLeakSensitivityDlg::RoundToShown(5.0049f), 5.0f);
}

TEST_F(LeakRateTuning, TheMultiplierGainAndThePressureReductionEnterThePressure)
{
    head.m_bCemPresent = 1;
    head.m_bHighVoltageOn = 1;
    head.m_fCemGain = 1000.0f;
    units.m_bReductionEnabled = 1;
    units.m_fReductionFactor = 10.0f;
    head.reading = 200000.0f; // x 1e-12 x 10 / 1000 = 2e-9 Torr
    Run(
        [&](DialogDriver& d)
        {
            d.Click(IDC_LEAK_MEASURE);
            EXPECT_EQ(d.GetText(IDC_LEAK_PRESSURE), "2.00e-09");
            d.Click(IDOK);
        });
    EXPECT_FLOAT_EQ(dlg.m_fFactor, 5.0f);
}

TEST_F(LeakRateTuning, NoPressureGivesNoFactor)
{
    struct Case
    {
        const char* what;
        const char* rate; // Q typed before Measure
        float reading;
        int failAt;
        BOOL filament;
        int readings;        // readings taken
        const char* message; // the message shown, if any
    } cases[] = {
        {"a pressure of 0 would give an infinite factor", "1e-8", 0.0f, -1, TRUE, 10,
         "Pressure is not measured correctly"},
        {"a factor past the largest float", "1e30", 2000.0f, -1, TRUE, 10,
         "Pressure is not measured correctly"},
        {"a reading that fails ends the measurement", "1e-8", 2000.0f, 4, TRUE, 4,
         "Pressure is not measured correctly"},
        {"the filament not switched on: no reading", "1e-8", 2000.0f, -1, FALSE, 0, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        head.reading = c.reading;
        head.failAt = c.failAt;
        head.filamentOn = c.filament;
        head.readings = 0;
        if (c.message)
            prompts.Expect(c.message).Reply(IDOK);
        Run(
            [&](DialogDriver& d)
            {
                d.SetText(IDC_LEAK_REFERENCE_RATE, c.rate);
                d.Click(IDC_LEAK_MEASURE);
                EXPECT_EQ(head.readings, c.readings);
                EXPECT_EQ(d.GetText(IDC_LEAK_FACTOR), "2.5") << "the factor shown before stays";
                d.Click(IDCANCEL);
            });
        EXPECT_TRUE(std::isfinite(dlg.m_fFactor));
    }
}

TEST_F(LeakRateTuning, AMassOutsideTwoTo300IsRefusedBeforeAnyReading)
{
    for (const char* mass : {"1", "301"})
    {
        prompts.Expect("Please enter an integer between 2 and 300.").Reply(IDOK);
        Run(
            [&](DialogDriver& d)
            {
                d.SetText(IDC_LEAK_MASS, mass);
                d.Click(IDC_LEAK_MEASURE);
                EXPECT_EQ(head.readings, 0) << mass;
                d.Click(IDCANCEL);
            });
    }
}

} // namespace
