// Pressure units: the conversion of raw head currents in each unit and mode, the reference-peak
// measurement, the sensitivity fall-back, the archive order with its repairs and the units dialog.
#include "head/Head.h"
#include "res/resource.h"
#include "units/Units.h"

#include "testkit/ScriptedPrompts.h"
#include "testsupport/HeadAccess.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

// A head that answers from fields and records what the units ask of it.
class FakeHead : public kel::testkit::OpenHead
{
public:
    BOOL IsOnline() override { return online; }
    float GetSensitivity() override { return m_fPartialSensitivity; }
    BOOL SetHighVoltage(int on) override
    {
        calls.push_back(on ? "HV" + std::to_string(m_nCemVoltage) : std::string("HV0"));
        m_bHighVoltageOn = on;
        return TRUE;
    }
    BOOL ReadIntReply(int& value) override
    {
        value = 0;
        return TRUE;
    }
    BOOL CheckErrors() override
    {
        calls.push_back("check");
        return TRUE;
    }
    BOOL MeasureSingleMass(int mass, int noiseFloor, float& value) override
    {
        calls.push_back("MR" + std::to_string(mass) + "/" + std::to_string(noiseFloor) + "@" +
                        std::to_string(m_bHighVoltageOn ? m_nCemVoltage : 0));
        value = reading;
        return measureOk;
    }

    BOOL online = FALSE;
    BOOL measureOk = TRUE;
    float reading = 0;
    std::vector<std::string> calls;
};

class UnitsTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_head.m_fPartialSensitivity = 1e-4f;
        m_head.m_fTotalSensitivity = 1e-3f;
        m_head.m_nCemVoltage = 1200;
        m_head.m_fCemGain = 1e6f;
    }

    FakeHead m_head;
};

TEST_F(UnitsTest, ConvertsRawCurrentsInEachUnitAndMode)
{
    struct Case
    {
        const char* what;
        int unit, mode;
        float refTotal;
        float raw;     // 1e-16 A
        float partial; // shown
        const char* label;
    };
    // S = 1e-4 A/Torr: a raw 1000 (1e-13 A) is 1e-9 Torr.
    const Case cases[] = {
        {"Torr", CUnits::kTorr, 0, 1, 1000, 1e-9f, "Torr"},
        {"mTorr", CUnits::kMilliTorr, 0, 1, 1000, 1e-6f, "mTorr"},
        {"mbar", CUnits::kMillibar, 0, 1, 1000, 1.33322e-9f, "mbar"},
        {"Pa", CUnits::kPascal, 0, 1, 1000, 1.33322e-7f, "Pa"},
        {"Amps", CUnits::kAmps, 0, 1, 1000, 1e-13f, "Amps"},
        {"ppm of a fixed total of 1e-6 Torr", CUnits::kTorr, 1, 1e-6f, 1000, 1000.0f, "ppm"},
    };
    for (const Case& c : cases)
    {
        CUnits units(&m_head);
        units.SetDefaults();
        units.m_nUnit = c.unit;
        units.m_nMode = c.mode;
        units.m_fRefTotal = c.refTotal;
        units.Recompute();
        EXPECT_NEAR(units.PartialPressure(c.raw), c.partial, std::fabs(c.partial) * 1e-5) << c.what;
        EXPECT_STREQ(units.m_szLabel, c.label) << c.what;
    }

    // The total pressure goes through the head's total sensitivity, in the unit (not ppm).
    CUnits units(&m_head);
    units.SetDefaults();
    units.m_nUnit = CUnits::kMilliTorr;
    units.Recompute();
    EXPECT_NEAR(units.TotalPressure(1000), 1e-7f, 1e-12);
}

TEST_F(UnitsTest, ReferencePeakIsMeasuredWithTheDetectorAndTheHeadRestored)
{
    CUnits units(&m_head);
    units.SetDefaults();
    units.m_nMode = CUnits::kPpmOfPeak;
    units.m_nRefMass = 28;

    // Offline: the reference is 1e-5 and K = C / R.
    units.Recompute();
    EXPECT_FLOAT_EQ(units.m_fReference, 1e-5f);
    EXPECT_FLOAT_EQ(units.m_fScale, 1e6f / 1e-5f);
    EXPECT_STREQ(units.m_szLabel, "ppm");

    // Online, detector option at 1500 V while the head's multiplier is off: switched on for the
    // measurement, off again after, the head's own voltage setting untouched; the reading is
    // divided by the gain.
    m_head.online = TRUE;
    m_head.m_bHighVoltageOn = 0;
    m_head.reading = 2e9f;
    units.SetScanRange(1, 1500, 3);
    units.Apply(1);
    const std::vector<std::string> expected = {"HV1500", "check", "MR28/3@1500", "HV0", "check"};
    EXPECT_EQ(m_head.calls, expected);
    EXPECT_EQ(m_head.m_nCemVoltage, 1200);
    EXPECT_EQ(m_head.m_bHighVoltageOn, 0);
    EXPECT_FLOAT_EQ(units.m_fReference, 2e9f / 1e-4f * 1e-16f / 1e6f);

    // Without the option the head's noise floor and voltage are kept; a reading of 0 keeps the
    // offline reference instead of an infinite scale; tracking re-measures on every update.
    m_head.calls.clear();
    units.SetScanRange(0, 0, 3);
    EXPECT_EQ(units.m_nNoiseFloor, -1);
    m_head.reading = 0;
    units.Apply(1);
    EXPECT_EQ(m_head.calls, std::vector<std::string>{"MR28/-1@0"});
    EXPECT_FLOAT_EQ(units.m_fReference, 1e-5f);
    EXPECT_TRUE(std::isfinite(units.m_fScale));

    m_head.calls.clear();
    units.Apply(0);
    EXPECT_TRUE(m_head.calls.empty()) << "no measurement without force or tracking";
    units.m_bTracking = 1;
    units.Recompute();
    EXPECT_STREQ(units.m_szLabel, "ppm*");
    EXPECT_TRUE(units.IsAmpsWithHead());
}

TEST_F(UnitsTest, ZeroSensitivityWarnsAndFallsBackToTheDefault)
{
    m_head.m_fPartialSensitivity = 0;
    m_head.m_fTotalSensitivity = 0;
    CUnits units(&m_head);
    ScriptedPrompts prompts;
    prompts.Expect("The Partial Pressure Sensitivity Factor received  from\nthe KEL head was 0.0000")
        .Reply(IDOK);
    units.SetDefaults();
    EXPECT_FLOAT_EQ(units.m_fPartialSensitivity, CUnits::kDefaultPartialSensitivity);
    EXPECT_FLOAT_EQ(units.PartialPressure(1000), 1000 * 1e-16f / 0.1f);
    EXPECT_FLOAT_EQ(units.m_fTotalSensitivity, CUnits::kDefaultTotalSensitivity);
    EXPECT_EQ(units.TotalPressure(1000), 0.0f);
}

TEST_F(UnitsTest, ConcentrationText)
{
    const std::pair<const char*, float> cases[] = {{"50%", 500000.0f},   {"100%", 1000000.0f},
                                                   {"  250.5", 250.5f},  {"abc", 1000000.0f},
                                                   {"abc%", 1000000.0f}, {"", 1000000.0f}};
    for (const auto& [text, ppm] : cases)
        EXPECT_FLOAT_EQ(CUnits::ParseConcentration(text), ppm) << text;
}

TEST_F(UnitsTest, ArchiveKeepsEveryFieldAndRepairsDamagedOnes)
{
    CUnits units(&m_head);
    units.SetDefaults();
    units.m_nUnit = CUnits::kUser;
    units.m_strUserLabel = "Furl";
    units.m_fUserFactor = 2.5f;
    units.m_nMode = CUnits::kPpmOfTotal;
    units.m_fRefTotal = 1e-6f;
    units.Recompute();
    units.m_bReductionEnabled = 1;
    units.m_fReductionFactor = 40.0f;
    units.m_nFurther = 7;
    units.m_strFurther[2] = "kept";

    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << &units;
    }
    auto load = [&](CMemFile& from)
    {
        from.SeekToBegin();
        CArchive ar(&from, CArchive::load);
        CUnits* loaded = nullptr;
        ar >> loaded;
        return std::unique_ptr<CUnits>(loaded);
    };
    auto loaded = load(file);
    ASSERT_TRUE(loaded);
    std::unique_ptr<CHead> loadedHead(loaded->m_pHead);
    EXPECT_STREQ(loaded->m_szLabel, "ppm");
    EXPECT_STREQ(loaded->m_szUnitName, "Furl");
    EXPECT_EQ(loaded->m_nUnit, CUnits::kUser);
    EXPECT_EQ(loaded->m_nMode, CUnits::kPpmOfTotal);
    EXPECT_FLOAT_EQ(loaded->m_fScale, units.m_fScale);
    EXPECT_FLOAT_EQ(loaded->m_fPartialFactor, units.m_fPartialFactor);
    EXPECT_EQ(loaded->m_bReductionEnabled, 1);
    EXPECT_FLOAT_EQ(loaded->m_fReductionFactor, 40.0f);
    EXPECT_EQ(loaded->m_nFurther, 7);
    EXPECT_EQ(std::string(loaded->m_strFurther[2]), "kept");
    EXPECT_EQ(std::string(loaded->m_strUserLabel), "Furl");

    // Damaged values: reduction flag 5, factor 0.5, scale -3 come back repaired.
    units.m_bReductionEnabled = 5;
    units.m_fReductionFactor = 0.5f;
    units.m_fScale = -3.0f;
    CMemFile damaged;
    {
        CArchive ar(&damaged, CArchive::store);
        ar << &units;
    }
    loaded = load(damaged);
    std::unique_ptr<CHead> damagedHead(loaded->m_pHead);
    EXPECT_EQ(loaded->m_bReductionEnabled, 0);
    EXPECT_FLOAT_EQ(loaded->m_fReductionFactor, 1.0f);
    EXPECT_FLOAT_EQ(loaded->m_fScale, 1.0f);
}

TEST_F(UnitsTest, DialogEditsTheUnitsAndChecksItsRanges)
{
    CUnits units(&m_head);
    units.SetDefaults();
    ScriptedPrompts prompts;
    prompts.Expect("300").Reply(IDOK); // the mass range message
    prompts.Expect(IDD_GLOBAL_UNITS)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_TRUE(d.IsChecked(IDC_UNITS_TORR));
                EXPECT_TRUE(d.IsChecked(IDC_UNITS_MODE_TOTAL));
                EXPECT_EQ(d.GetText(IDC_UNITS_CONCENTRATION), "1000000.0");
                d.Check(IDC_UNITS_MTORR);
                d.Check(IDC_UNITS_MODE_PPM_PEAK);
                d.SetText(IDC_UNITS_REF_MASS, "301");
                d.Click(IDOK); // refused: the mass is out of range
                EXPECT_TRUE(d.IsOpen());
                d.SetText(IDC_UNITS_REF_MASS, "44");
                d.SetText(IDC_UNITS_CONCENTRATION, "50%");
                d.Click(IDOK);
            });
    EXPECT_EQ(units.EditGlobalUnits(), 1);
    EXPECT_EQ(units.m_nUnit, CUnits::kMilliTorr);
    EXPECT_EQ(units.m_nMode, CUnits::kPpmOfPeak);
    EXPECT_EQ(units.m_nRefMass, 44);
    EXPECT_FLOAT_EQ(units.m_fConcentration, 500000.0f);
    EXPECT_STREQ(units.m_szLabel, "ppm");

    prompts.Expect(IDD_GLOBAL_UNITS).Reply(IDCANCEL);
    EXPECT_EQ(units.EditGlobalUnits(), 0);
    EXPECT_EQ(units.m_nUnit, CUnits::kMilliTorr);
}

} // namespace
