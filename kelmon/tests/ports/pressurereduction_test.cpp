// The pressure reduction dialog on a document's units: the factor's range and the enable flag.
#include "dialogs/PressureReductionDlg.h"
#include "res/resource.h"
#include "units/Units.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

class PressureReductionTest : public kel::testkit::UiTest
{
protected:
    ScriptedPrompts prompts;
    CUnits units;
};

TEST_F(PressureReductionTest, EditsTheUnitsFactorWithinOneToTheMaximum)
{
    units.m_bReductionEnabled = 0;
    units.m_fReductionFactor = 40.0f;
    prompts.Expect(IDD_PRESSURE_REDUCTION)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_FALSE(d.IsChecked(IDC_REDUCTION_ENABLE));
                EXPECT_EQ(d.GetText(IDC_REDUCTION_FACTOR), "40");
                d.Check(IDC_REDUCTION_ENABLE);
                for (const char* refused : {"0.5", "2e12"})
                {
                    prompts.Expect("Please enter a number between").Reply(IDOK);
                    d.SetText(IDC_REDUCTION_FACTOR, refused);
                    d.Click(IDOK);
                    EXPECT_TRUE(d.IsOpen()) << refused;
                }
                d.SetText(IDC_REDUCTION_FACTOR, "1");
                d.Click(IDOK);
            });
    EXPECT_EQ(CPressureReductionDlg::EditUnits(units), IDOK);
    EXPECT_EQ(units.m_bReductionEnabled, 1);
    EXPECT_FLOAT_EQ(units.m_fReductionFactor, 1.0f);

    // Opened again it shows what it stored; Cancel leaves the units alone.
    prompts.Expect(IDD_PRESSURE_REDUCTION)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_TRUE(d.IsChecked(IDC_REDUCTION_ENABLE));
                d.Check(IDC_REDUCTION_ENABLE, false);
                d.SetText(IDC_REDUCTION_FACTOR, "1e12");
                d.Click(IDCANCEL);
            });
    EXPECT_EQ(CPressureReductionDlg::EditUnits(units), IDCANCEL);
    EXPECT_EQ(units.m_bReductionEnabled, 1);
    EXPECT_FLOAT_EQ(units.m_fReductionFactor, 1.0f);
}

} // namespace
