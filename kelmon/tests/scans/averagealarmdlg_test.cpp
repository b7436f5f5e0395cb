// The two modal set-up dialogs of the scans, run as a user would through scripted prompts: the
// averaging set-up against a scan's averaging operations, and the alarm set-up of one table
// channel. Each is filled from its model, refuses bad values with the focus on the field, writes
// its model on OK and leaves it alone on Cancel.
#include "doc/AnalogData.h"
#include "scans/AnalogScan.h"
#include "scans/AverageSetupDlg.h"
#include "scans/AveragingWeight.h"
#include "scans/TableAlarmDlg.h"
#include "scans/TableData.h"

#include "plotkit.h"
#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

// Keeps a picture of a dialog as it stands, for a look at its layout.
void SavePicture(DialogDriver& d, const char* name)
{
    std::filesystem::create_directories("screenshots");
    EXPECT_TRUE(
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), std::string("screenshots/") + name));
}

class AverageSetupDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_scan.SetAveragingLimit(40);
        m_scan.SetAveragingDepth(9);
        m_scan.SetAveragingMode(2);
        m_scan.SetAveragingLimitAction(1);
    }
    CAnalogData m_settings{CAnalogData::kModeAnalog, nullptr, nullptr};
    CAnalogScan m_scan{&m_settings, nullptr, nullptr};
};

TEST_F(AverageSetupDlgTest, FilledFromTheScanAndOkWritesItBack)
{
    ScriptedPrompts prompts;
    prompts.Expect(IDD_AVERAGE_SETUP)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_FALSE(d.IsChecked(IDC_AVERAGE_ENABLED));
                EXPECT_EQ(d.GetText(IDC_AVERAGE_LIMIT), "40");
                EXPECT_EQ(d.GetText(IDC_AVERAGE_DEPTH), "9");
                EXPECT_TRUE(d.IsChecked(IDC_AVERAGE_EXPONENTIAL));
                EXPECT_TRUE(d.IsChecked(IDC_AVERAGE_STOP));
                SavePicture(d, "average_setup.png");
                d.Check(IDC_AVERAGE_ENABLED);
                d.Click(IDC_AVERAGE_LINEAR);
                d.Click(IDC_AVERAGE_RESET);
                d.SetText(IDC_AVERAGE_LIMIT, "32000");
                d.SetText(IDC_AVERAGE_DEPTH, "5");
                d.Click(IDOK);
            });
    EXPECT_EQ(CAverageSetupDlg::EditScan(m_scan), IDOK);
    EXPECT_EQ(m_scan.m_bAveragingOn, 1);
    EXPECT_EQ(m_scan.m_nAveragingLimit, 32000);
    EXPECT_EQ(m_scan.m_nAveragingDepth, 5);
    EXPECT_EQ(m_scan.m_nAveragingMode, 1);
    EXPECT_EQ(m_scan.m_nLimitAction, 2);
    EXPECT_NEAR(m_scan.m_fExponentialWeight, InverseAveragingWeight(0.95f, 5), 1e-6f)
        << "the analog scan takes the depth's weight";
}

TEST_F(AverageSetupDlgTest, RefusedValuesKeepTheDialogOpenOnTheField)
{
    const struct
    {
        int field;
        const char* text;
        const char* message;
    } cases[] = {{IDC_AVERAGE_DEPTH, "1", "Please enter an integer between 2 and 1000."},
                 {IDC_AVERAGE_DEPTH, "1001", "Please enter an integer between 2 and 1000."},
                 {IDC_AVERAGE_LIMIT, "1", "Please enter an integer between 2 and 32000."},
                 {IDC_AVERAGE_LIMIT, "32001", "Please enter an integer between 2 and 32000."},
                 {IDC_AVERAGE_LIMIT, "", "Please enter an integer."}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        ScriptedPrompts prompts;
        prompts.Expect(c.message).Reply(IDOK);
        prompts.Expect(IDD_AVERAGE_SETUP)
            .Drive(
                [&](DialogDriver& d)
                {
                    d.SetText(c.field, c.text);
                    d.Click(IDOK);
                    EXPECT_TRUE(d.IsOpen());
                    EXPECT_EQ(d.FocusedId(), c.field);
                    d.Click(IDCANCEL);
                });
        EXPECT_EQ(CAverageSetupDlg::EditScan(m_scan), IDCANCEL);
        EXPECT_EQ(m_scan.m_nAveragingLimit, 40);
        EXPECT_EQ(m_scan.m_nAveragingDepth, 9);
        EXPECT_EQ(m_scan.m_nAveragingMode, 2);
    }
}

// ---- Table alarm set-up --------------------------------------------------------------------------

class TableAlarmDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_record.SetDefaults();
        m_record.m_number = 4;
        m_record.m_lowEnable = 0;
    }
    // Runs the dialog on the record as the channel dialog does, driven by script.
    // A message the script's OK should bring up is expected too.
    int Run(const std::function<void(DialogDriver&)>& script, const char* message = nullptr)
    {
        ScriptedPrompts prompts;
        if (message)
            prompts.Expect(message).Reply(IDOK);
        prompts.Expect(IDD_TABLE_ALARM).Drive(script);
        m_dlg = std::make_unique<CTableAlarmDlg>();
        m_dlg->m_pRecord = &m_record;
        m_dlg->m_fValueBound = 1e12f;
        m_dlg->m_strUnits = "mbar";
        const int32_t colors[] = {0, 4, 1, 12, 9};
        std::memcpy(m_dlg->m_colors, colors, sizeof colors);
        return static_cast<int>(m_dlg->DoModal());
    }
    static int Sel(DialogDriver& d, int id)
    {
        return static_cast<int>(::SendMessage(d.Item(id), CB_GETCURSEL, 0, 0));
    }

    CTableData m_record;
    std::unique_ptr<CTableAlarmDlg> m_dlg;
};

TEST_F(TableAlarmDlgTest, FilledFromTheRecordAndOkWritesItInPlace)
{
    const int result = Run(
        [](DialogDriver& d)
        {
            EXPECT_EQ(d.GetText(IDC_TALARM_CHANNEL), "4");
            EXPECT_EQ(d.GetText(IDC_TALARM_UNITS), "mbar");
            EXPECT_TRUE(d.IsChecked(IDC_TALARM_HIGH_ENABLE));
            EXPECT_FALSE(d.IsChecked(IDC_TALARM_LOW_ENABLE));
            EXPECT_EQ(d.GetText(IDC_TALARM_HIGHHIGH_MESSAGE), "EXTREME HIGH");
            EXPECT_EQ(d.GetText(IDC_TALARM_HIGH_VALUE), "0.00025");
            EXPECT_EQ(d.GetText(IDC_TALARM_LOW_VALUE), "1e-05");
            EXPECT_EQ(::SendMessage(d.Item(IDC_TALARM_NORMAL_COLOR), CB_GETCOUNT, 0, 0),
                      CTableAlarmDlg::kPaletteColors);
            EXPECT_EQ(::SendMessage(d.Item(IDC_TALARM_NORMAL_COLOR), CB_GETITEMDATA, 5, 0),
                      static_cast<LRESULT>(WGGetRGBColor(5)));
            EXPECT_EQ(Sel(d, IDC_TALARM_HIGH_COLOR), 4);
            EXPECT_EQ(Sel(d, IDC_TALARM_HIGHHIGH_COLOR), 12);
            EXPECT_EQ(Sel(d, IDC_TALARM_LOWLOW_COLOR), 9);
            SavePicture(d, "table_alarm.png");

            d.Check(IDC_TALARM_LOW_ENABLE);
            d.Check(IDC_TALARM_HIGHHIGH_ENABLE, false);
            d.SetText(IDC_TALARM_HIGH_VALUE, "2e-6");
            d.SetText(IDC_TALARM_LOWLOW_VALUE, "1e12");
            d.SetText(IDC_TALARM_LOW_MESSAGE, "TWELVE CHARS"); // 12 characters, kept whole
            d.SetText(IDC_TALARM_NORMAL_MESSAGE, "OK");
            d.Select(IDC_TALARM_HIGH_COLOR, 19);
            d.Click(IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(m_record.m_lowEnable, 1);
    EXPECT_EQ(m_record.m_highHighEnable, 0);
    EXPECT_FLOAT_EQ(m_record.m_highLevel, 2e-6f);
    EXPECT_FLOAT_EQ(m_record.m_lowLowLevel, 1e12f);
    EXPECT_STREQ(m_record.m_szLowMessage, "TWELVE CHARS");
    EXPECT_STREQ(m_record.m_szNormalMessage, "OK");
    EXPECT_EQ(m_dlg->m_colors[CTableAlarmDlg::kHigh], 19);
    EXPECT_EQ(m_dlg->m_colors[CTableAlarmDlg::kNormal], 0);
}

TEST_F(TableAlarmDlgTest, RefusedValuesAndLongMessagesKeepTheRecord)
{
    const struct
    {
        int field;
        const char* text;
        const char* message;
    } cases[] = {{IDC_TALARM_HIGH_VALUE, "-1e-9", "Please enter a number between 0 and 1e+12."},
                 {IDC_TALARM_HIGHHIGH_VALUE, "2e12", "Please enter a number between 0 and 1e+12."},
                 {IDC_TALARM_LOW_VALUE, "low", "Please enter a number."},
                 {IDC_TALARM_HIGH_MESSAGE, "THIRTEEN CHRS", "Enter no more than 12 characters."},
                 {IDC_TALARM_NORMAL_MESSAGE, "ALL IS WELL HERE", "Enter no more than 12 characters."}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        const int result = Run(
            [&](DialogDriver& d)
            {
                d.SetText(c.field, c.text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), c.field);
                d.Click(IDCANCEL);
            },
            c.message);
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_FLOAT_EQ(m_record.m_highLevel, 2.5e-4f);
        EXPECT_FLOAT_EQ(m_record.m_highHighLevel, 3.8e-4f);
        EXPECT_STREQ(m_record.m_szHighMessage, "HIGH");
        EXPECT_EQ(std::string(m_record.m_szNormalMessage).rfind("NORMAL", 0), 0u);
    }
}

TEST_F(TableAlarmDlgTest, CancelLeavesTheRecordAndTheColours)
{
    const int result = Run(
        [](DialogDriver& d)
        {
            d.SetText(IDC_TALARM_HIGH_VALUE, "0.5");
            d.Check(IDC_TALARM_HIGH_ENABLE, false);
            d.Select(IDC_TALARM_NORMAL_COLOR, 3);
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FLOAT_EQ(m_record.m_highLevel, 2.5e-4f);
    EXPECT_EQ(m_record.m_highEnable, 1);
    EXPECT_EQ(m_dlg->m_colors[CTableAlarmDlg::kNormal], 0);
}

} // namespace
