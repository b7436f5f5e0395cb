// The channel parameter dialog of the table, panel and pressure-versus-time scans, opened by its
// scan on a document with the gas library and driven offscreen: the rows filled from the table,
// gas names choosing masses, refused values with the focus on the field, Apply reaching the table
// and the scan through a stand-in main frame, what acts at once (show buttons, alarm set-up) and
// what waits for Apply (Clear All), the common speed and detector from the scan parameter dialog,
// greying, and the window's life.
#include "ChannelFakes.h"
#include "ScanFakes.h"
#include "StandInFrame.h"

#include "analysis/Library.h"
#include "doc/AnalogData.h"
#include "foundation/AppUiState.h"
#include "head/KELDummyHead.h"
#include "scans/ChannelParameterDlg.h"
#include "scans/ScanParameterDlg.h"
#include "scans/Table.h"
#include "scans/TableAlarmDlg.h"
#include "scans/TableScan.h"
#include "units/Units.h"

#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using scantest::CChannelDisplay;
using scantest::CFakeDocument;
using scantest::CStandInFrame;
using Dlg = CChannelParameterDlg;

namespace
{

class ChannelParameterDlgTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_frame = std::make_unique<CStandInFrame>();
        CBaseParameterDlg::s_placement = {};
        CAppUiState::GetInstance()->m_bParamDlgShown = 1;
        ASSERT_TRUE(m_library.ReadLibraryFile(KEL_GASLIB_DIR));
        m_table.SetDefaults();
        CTableData& ch3 = m_table.m_configured[2];
        ch3.m_enabled = 1;
        ch3.m_mass = 44;
        ch3.m_calFactor = 0.75f;
        ch3.m_cem = 1;
        ch3.m_noiseFloor = 5;
        std::strcpy(ch3.m_szGasName, "Carbon dioxide");
        m_doc = std::make_unique<CFakeDocument>(&m_head, &m_units, m_frame->m_hWnd, nullptr);
        m_doc->m_pLibrary = &m_library;
        m_doc->m_pTable = &m_table;
        m_scan.m_pDocument = m_doc.get();
        m_frame->m_pScan = &m_scan;
    }
    void TearDown() override
    {
        m_scan.DestroyParameterDialog();
        m_frame.reset();
        CParamMessageHub::Destroy();
        CAppUiState::DestroyInstance();
        UiTest::TearDown();
    }
    DialogDriver Open()
    {
        EXPECT_TRUE(m_scan.ShowParameterDialog());
        Pump();
        return DialogDriver(Channels()->m_hWnd);
    }
    Dlg* Channels() { return static_cast<Dlg*>(m_scan.m_pParameterDlg); }
    static int Sel(DialogDriver& d, int id)
    {
        return static_cast<int>(::SendMessage(d.Item(id), CB_GETCURSEL, 0, 0));
    }
    static bool Enabled(DialogDriver& d, int id) { return ::IsWindowEnabled(d.Item(id)); }
    int Notices(UINT message) const
    {
        int n = 0;
        for (UINT m : m_frame->m_notices)
            n += m == message;
        return n;
    }

    std::unique_ptr<CStandInFrame> m_frame;
    CKELDummyHead m_head;
    CUnits m_units;
    CAnalogData m_libraryRange;
    CLibrary m_library{&m_libraryRange};
    CTable m_table{&m_units, &m_head};
    CChannelDisplay m_display{&m_table};
    CTableScans m_scan{&m_table, nullptr, &m_display}; // the table's head gives the mass range
    std::unique_ptr<CFakeDocument> m_doc;
};

TEST_F(ChannelParameterDlgTest, RowsFilledFromTheTable)
{
    DialogDriver d = Open();
    EXPECT_GT(Channels()->GetGasNameCount(), 20) << "every library gas is offered";
    EXPECT_TRUE(d.IsChecked(Dlg::kEnableIds[0]));
    EXPECT_EQ(d.GetText(Dlg::kNameIds[0]), "Nitrogen");
    EXPECT_EQ(d.GetText(Dlg::kMassIds[0]), "28");
    EXPECT_TRUE(d.IsChecked(Dlg::kEnableIds[2]));
    EXPECT_EQ(d.GetText(Dlg::kNameIds[2]), "Carbon dioxide");
    EXPECT_EQ(d.GetText(Dlg::kMassIds[2]), "44");
    EXPECT_EQ(d.GetText(Dlg::kScaleIds[2]), "0.75");
    EXPECT_TRUE(d.IsChecked(Dlg::kCemIds[2]));
    EXPECT_EQ(Sel(d, Dlg::kSpeedIds[2]), 5);
    EXPECT_FALSE(d.IsChecked(Dlg::kEnableIds[1]));
    EXPECT_EQ(::SendMessage(d.Item(Dlg::kSpeedIds[9]), CB_GETCOUNT, 0, 0), kScanSpeeds);
    // Alarm and view buttons only for the channels that are on.
    EXPECT_TRUE(Enabled(d, Dlg::kAlarmIds[2]));
    EXPECT_FALSE(Enabled(d, Dlg::kAlarmIds[1]));
    EXPECT_TRUE(Enabled(d, Dlg::kViewIds[0]));
    EXPECT_FALSE(Enabled(d, Dlg::kViewIds[1]));
    EXPECT_EQ(Channels()->m_nHighestMass, m_head.GetMassRange());
    EXPECT_EQ(Channels()->GetToolTipCount(), Dlg::kRows) << "each view button says what it does";

    d.Check(Dlg::kEnableIds[1]);
    EXPECT_TRUE(Enabled(d, Dlg::kAlarmIds[1])) << "the alarm button follows the check at once";
    EXPECT_FALSE(Enabled(d, Dlg::kViewIds[1])) << "shown or hidden only once the channel is applied";
}

TEST_F(ChannelParameterDlgTest, TabWalksARowThenTheNext)
{
    DialogDriver d = Open();
    // Row 3 is on, so its view and alarm buttons take the focus too; row 4's are greyed.
    const int order[] = {Dlg::kEnableIds[2], Dlg::kViewIds[2], Dlg::kNameIds[2],  Dlg::kMassIds[2],
                         Dlg::kScaleIds[2],  Dlg::kCemIds[2],  Dlg::kSpeedIds[2], Dlg::kAlarmIds[2],
                         Dlg::kEnableIds[3], Dlg::kNameIds[3], Dlg::kMassIds[3]};
    d.Focus(order[0]);
    for (size_t i = 1; i < std::size(order); ++i)
    {
        d.Press(VK_TAB);
        EXPECT_EQ(d.FocusedId(), order[i]) << i;
    }
}

TEST_F(ChannelParameterDlgTest, ChoosingAGasNameTakesItsMass)
{
    DialogDriver d = Open();
    d.SetText(Dlg::kNameIds[3], "Met");
    EXPECT_EQ(d.GetText(Dlg::kNameIds[3]), "Methane");
    EXPECT_EQ(d.GetText(Dlg::kMassIds[3]), "16");

    d.Click(IDC_CHAN_AUTOCOMPLETE); // off
    d.SetText(Dlg::kNameIds[4], "Wat");
    EXPECT_EQ(d.GetText(Dlg::kNameIds[4]), "Wat");
    EXPECT_EQ(d.GetText(Dlg::kMassIds[4]), "1");
}

TEST_F(ChannelParameterDlgTest, RefusedValuesKeepTheTableAndTheFocusOnTheField)
{
    const std::string longName(CTableData::kNameSize, 'x'); // one more than the record keeps
    const struct
    {
        int field;
        std::string text;
        std::string message;
    } cases[] = {{Dlg::kMassIds[0], "201", "Please enter an integer between 1 and 200."},
                 {Dlg::kMassIds[9], "0", "Please enter an integer between 1 and 200."},
                 {Dlg::kScaleIds[4], "0", "Please enter a number between 0.01 and 100."},
                 {Dlg::kScaleIds[2], "101", "Please enter a number between 0.01 and 100."},
                 {Dlg::kNameIds[5], longName, "Enter no more than 31 characters."}};
    DialogDriver d = Open();
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        const std::string before = d.GetText(c.field);
        d.SetText(c.field, c.text);
        d.Check(Dlg::kEnableIds[6]);
        ScriptedPrompts prompts;
        prompts.Expect(c.message).Reply(IDOK);
        d.Click(IDOK);
        Pump();
        EXPECT_EQ(d.FocusedId(), c.field);
        EXPECT_EQ(Notices(WM_KEL_PARAMSCHANGED), 0);
        EXPECT_EQ(m_table.m_configured[6].m_enabled, 0) << "nothing of the rows is written";
        EXPECT_EQ(m_table.m_configured[0].m_mass, 28);
        d.SetText(c.field, before);
    }
    // A name of exactly 31 characters fits.
    d.SetText(Dlg::kNameIds[5], std::string(CTableData::kNameSize - 1, 'y'));
    d.Click(IDOK);
    Pump();
    EXPECT_EQ(std::string(m_table.m_configured[5].m_szGasName), std::string(CTableData::kNameSize - 1, 'y'));
}

TEST_F(ChannelParameterDlgTest, ApplyWritesTheRowsAndTheScanCollectsTheChannels)
{
    DialogDriver d = Open();
    d.Check(Dlg::kEnableIds[9]);
    d.SetText(Dlg::kNameIds[9], "Argon");
    d.SetText(Dlg::kMassIds[9], "40");
    d.SetText(Dlg::kScaleIds[9], "2");
    d.Check(Dlg::kCemIds[9]);
    d.Select(Dlg::kSpeedIds[9], 1);
    d.Check(Dlg::kEnableIds[0], false);
    d.Click(IDC_CHAN_AUTOCOMPLETE);
    d.Click(IDOK);
    ASSERT_TRUE(PumpUntil([&] { return Notices(WM_KEL_PARAMSCHANGED) == 1; }));
    EXPECT_EQ(CAppUiState::GetInstance()->m_nChannelOption, 0) << "the auto-complete choice is remembered";

    const CTableData& ch10 = m_table.m_configured[9];
    EXPECT_EQ(ch10.m_enabled, 1);
    EXPECT_STREQ(ch10.m_szGasName, "Argon");
    EXPECT_EQ(ch10.m_mass, 40);
    EXPECT_FLOAT_EQ(ch10.m_calFactor, 2.0f);
    EXPECT_EQ(ch10.m_cem, 1);
    EXPECT_EQ(ch10.m_noiseFloor, 1);
    EXPECT_EQ(m_table.m_configured[0].m_enabled, 0);
    EXPECT_EQ(m_frame->m_nParameterApplies, 1);
    ASSERT_EQ(m_table.m_activeCount, 2) << "the scan re-collected channels 3 and 10";
    EXPECT_EQ(m_table.m_active[0].m_number, 3);
    EXPECT_EQ(m_table.m_active[1].m_number, 10);
    EXPECT_TRUE(Enabled(d, Dlg::kViewIds[9]));
    EXPECT_FALSE(Enabled(d, Dlg::kViewIds[0]));
}

TEST_F(ChannelParameterDlgTest, ViewButtonsActAtOnceClearAllWaitsForApply)
{
    DialogDriver d = Open();
    d.Click(Dlg::kViewIds[0]);
    EXPECT_EQ(m_table.m_flags[0], 0) << "hidden without Apply";
    ASSERT_TRUE(PumpUntil([&] { return Notices(WM_KEL_CHANNELSCHANGED) == 1; }));
    d.Click(Dlg::kViewIds[0]);
    EXPECT_EQ(m_table.m_flags[0], 1);

    d.Click(IDC_CHAN_CLEAR_ALL);
    EXPECT_FALSE(d.IsChecked(Dlg::kEnableIds[2]));
    EXPECT_FALSE(d.IsChecked(Dlg::kCemIds[2]));
    EXPECT_EQ(d.GetText(Dlg::kMassIds[2]), "1");
    EXPECT_EQ(d.GetText(Dlg::kScaleIds[2]), "1");
    EXPECT_EQ(Sel(d, Dlg::kSpeedIds[2]), Dlg::kClearedSpeed);
    EXPECT_EQ(Sel(d, IDC_CHAN_ALL_SPEED), Dlg::kClearedSpeed);
    EXPECT_EQ(d.GetText(Dlg::kNameIds[2]), "Carbon dioxide") << "names stay";

    HWND hwnd = d.Dialog();
    ::SendMessage(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_EQ(Notices(WM_KEL_PARAMDLGCLOSED), 1);
    EXPECT_EQ(m_table.m_configured[2].m_enabled, 1) << "closing without Apply leaves the table";
    EXPECT_EQ(m_table.m_configured[2].m_mass, 44);
    EXPECT_FLOAT_EQ(m_table.m_configured[2].m_calFactor, 0.75f);
}

TEST_F(ChannelParameterDlgTest, SetAllAndTheScanParameterDialogsCommonValues)
{
    DialogDriver d = Open();
    d.Select(IDC_CHAN_ALL_SPEED, 6);
    d.Click(IDC_CHAN_ALL_SPEED_SET);
    d.Check(IDC_CHAN_ALL_CEM);
    d.Click(IDC_CHAN_ALL_CEM_SET);
    for (int k = 0; k < Dlg::kRows; ++k)
    {
        EXPECT_EQ(Sel(d, Dlg::kSpeedIds[k]), 6) << k;
        EXPECT_TRUE(d.IsChecked(Dlg::kCemIds[k])) << k;
    }

    // An applied scan parameter dialog docked above hands over its speed and detector state.
    CAnalogData settings{CAnalogData::kModeAnalog, &m_units, nullptr};
    CScanParameterDlg upper;
    upper.SetScan(nullptr, &settings, CAnalogData::kModeAnalog);
    ASSERT_TRUE(upper.Create(CScanParameterDlg::IDD, nullptr));
    CParamMessageHub::Instance()->Register(&upper, Channels());
    DialogDriver u(upper.m_hWnd);
    u.Select(IDC_SCANPARAM_SPEED, 3);
    u.Click(IDOK);
    for (int k = 0; k < Dlg::kRows; ++k)
    {
        EXPECT_EQ(Sel(d, Dlg::kSpeedIds[k]), 3) << k;
        EXPECT_FALSE(d.IsChecked(Dlg::kCemIds[k])) << k;
    }
    EXPECT_EQ(m_table.m_moreWords[1], 3) << "the table's common speed";
    EXPECT_EQ(m_table.m_moreWords[0], 0) << "the table's common detector";

    // A message whose flags are both clear changes nothing.
    const int32_t words[4] = {5, 0, 1, 0};
    CScanMessage message(words);
    Channels()->OnParamMessage(&message);
    EXPECT_EQ(Sel(d, Dlg::kSpeedIds[0]), 3);
    EXPECT_FALSE(d.IsChecked(Dlg::kCemIds[0]));
    upper.DestroyWindow();
}

TEST_F(ChannelParameterDlgTest, AlarmButtonEditsTheChannelAndItsColours)
{
    DialogDriver d = Open();
    {
        ScriptedPrompts prompts;
        prompts.Expect(IDD_TABLE_ALARM)
            .Drive(
                [](DialogDriver& a)
                {
                    EXPECT_EQ(a.GetText(IDC_TALARM_CHANNEL), "3");
                    a.SetText(IDC_TALARM_HIGH_VALUE, "0.001");
                    a.Select(IDC_TALARM_HIGH_COLOR, 15);
                    a.Click(IDOK);
                });
        d.Click(Dlg::kAlarmIds[2]);
    }
    EXPECT_FLOAT_EQ(m_table.m_configured[2].m_highLevel, 0.001f) << "the alarm set-up acts at once";
    EXPECT_EQ(m_table.m_alarmColors[1], 15);
    {
        ScriptedPrompts prompts;
        prompts.Expect(IDD_TABLE_ALARM)
            .Drive(
                [](DialogDriver& a)
                {
                    a.SetText(IDC_TALARM_HIGH_VALUE, "0.5");
                    a.Select(IDC_TALARM_HIGH_COLOR, 2);
                    a.Click(IDCANCEL);
                });
        d.Click(Dlg::kAlarmIds[2]);
    }
    EXPECT_FLOAT_EQ(m_table.m_configured[2].m_highLevel, 0.001f);
    EXPECT_EQ(m_table.m_alarmColors[1], 15);
}

TEST_F(ChannelParameterDlgTest, GreyedWhileRunningButTheShownChannelsStayAtHand)
{
    DialogDriver d = Open();
    Channels()->EnableControls(FALSE);
    for (int id : {Dlg::kMassIds[0], Dlg::kEnableIds[0], Dlg::kAlarmIds[0], int(IDOK),
                   int(IDC_CHAN_CLEAR_ALL), int(IDC_CHAN_ALL_SPEED_SET)})
        EXPECT_FALSE(Enabled(d, id)) << id;
    EXPECT_TRUE(Enabled(d, ID_HELP));
    EXPECT_TRUE(Enabled(d, IDC_CHAN_VIEW_LABEL));
    EXPECT_TRUE(Enabled(d, Dlg::kViewIds[0])) << "a channel that is on can be shown or hidden during a run";
    EXPECT_FALSE(Enabled(d, Dlg::kViewIds[1]));

    // Closed while greyed it stays greyed; the end of the run enables it.
    HWND hwnd = d.Dialog();
    ::SendMessage(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hwnd); }));
    EXPECT_FALSE(Channels()->m_bEnabled);
    m_scan.EnableParameterDialog(1);
    EXPECT_TRUE(Enabled(d, Dlg::kMassIds[0]));
    EXPECT_TRUE(Enabled(d, Dlg::kAlarmIds[0]));
    EXPECT_FALSE(Enabled(d, Dlg::kAlarmIds[1]));

    ASSERT_TRUE(m_scan.ShowParameterDialog());
    EXPECT_EQ(Channels()->m_hWnd, hwnd) << "one window, made once";
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(m_scan.DestroyParameterDialog());
    EXPECT_FALSE(::IsWindow(hwnd));

    // Made again (the document's windows came back): a whole dialog again.
    ASSERT_TRUE(m_scan.ShowParameterDialog());
    d = DialogDriver(Channels()->m_hWnd);
    EXPECT_EQ(Channels()->GetToolTipCount(), Dlg::kRows);
    d.SetText(Dlg::kNameIds[3], "Wat");
    EXPECT_EQ(d.GetText(Dlg::kNameIds[3]), "Water");
    EXPECT_EQ(d.GetText(Dlg::kMassIds[3]), "18");
}

TEST_F(ChannelParameterDlgTest, Screenshot)
{
    DialogDriver d = Open();
    Pump(100);
    std::filesystem::create_directories("screenshots");
    EXPECT_TRUE(
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), "screenshots/channel_parameters.png"));
}

} // namespace
