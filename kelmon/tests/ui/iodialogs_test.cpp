// The I/O board dialogs offscreen: when the board command may open them, assigning and locking the
// board, the channel outputs read from and written to the table, and the manual lines.
#include "dialogs/ChannelOutputDlg.h"
#include "dialogs/IoBoardSetupDlg.h"
#include "dialogs/ManualOutputDlg.h"
#include "io/CbBoard.h"
#include "scans/Table.h"
#include "units/Units.h"

#include "testkit/Image.h"
#include "testkit/ScopedEnv.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using kel::testkit::DialogDriver;
using kel::testkit::ScopedEnv;
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

class IoDialogTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        table.SetDefaults();
        CCbBoard::SetBoardLocked(FALSE);
    }
    void TearDown() override
    {
        CCbBoard::SetBoardLocked(FALSE);
        UiTest::TearDown();
    }
    INT_PTR RunSetup(std::function<void(DialogDriver&)> script)
    {
        prompts.Expect(IDD_IO_BOARD_SETUP).Drive(std::move(script));
        CIoBoardSetupDlg dlg;
        dlg.m_pBoard = &board;
        return dlg.DoModal();
    }

    ScriptedPrompts prompts;
    CUnits units;
    CTable table{&units, nullptr};
    CCbBoard board{&table};
};

TEST_F(IoDialogTest, TheBoardCommandNeedsTheInstallationAndAFreeBoard)
{
    {
        ScopedEnv env("CBDIREC", nullptr);
        prompts
            .Expect(
                "You need to run the I/O board installation software first.\n\nError: CBDIREC environment "
                "variable not found.")
            .Reply(IDOK);
        EXPECT_FALSE(CIoBoardSetupDlg::CanOpen(board));
    }
    ScopedEnv env("CBDIREC", "/opt/cb");
    EXPECT_TRUE(CIoBoardSetupDlg::CanOpen(board));
    CCbBoard::SetBoardLocked(TRUE); // another document's
    prompts.Expect("I/O board is locked and being used by another KEL window.").Reply(IDOK);
    EXPECT_FALSE(CIoBoardSetupDlg::CanOpen(board));
    board.SetEnableAndLock(1); // its own
    EXPECT_TRUE(CIoBoardSetupDlg::CanOpen(board));
}

TEST_F(IoDialogTest, EnablingAndLockingAsksFirstAndUntickingFreesTheBoard)
{
    prompts.Expect("KEL needs to configure the I/O board.").Reply(IDNO);
    prompts.Expect("KEL needs to configure the I/O board.").Reply(IDYES);
    prompts.Expect("Scanning for an I/O board").Reply(IDNO);
    prompts.Expect("Scanning for an I/O board").Reply(IDYES);
    RunSetup(
        [&](DialogDriver& d)
        {
            EXPECT_EQ(d.GetText(IDC_IO_BOARD_NAME), "Not Installed");
            EXPECT_EQ(d.GetText(IDC_IO_BOARD_NUMBER), "0");
            EXPECT_FALSE(d.IsChecked(IDC_IO_ENABLE_LOCK));

            d.Click(IDC_IO_ENABLE_LOCK); // No
            EXPECT_FALSE(d.IsChecked(IDC_IO_ENABLE_LOCK));
            EXPECT_EQ(board.GetEnableAndLock(), 0);
            d.Click(IDC_IO_ENABLE_LOCK); // Yes
            EXPECT_EQ(board.GetEnableAndLock(), 1);
            EXPECT_TRUE(CCbBoard::IsBoardLocked());
            d.Click(IDC_IO_ENABLE_LOCK); // unticked: another document may take it
            EXPECT_EQ(board.GetEnableAndLock(), 0);
            EXPECT_FALSE(CCbBoard::IsBoardLocked());

            d.Click(IDC_IO_SCAN); // No
            EXPECT_EQ(board.GetEnableAndLock(), 0);
            d.Click(IDC_IO_SCAN); // Yes
            EXPECT_EQ(board.GetEnableAndLock(), 1);
            EXPECT_TRUE(CCbBoard::IsBoardLocked());
            EXPECT_TRUE(d.IsChecked(IDC_IO_ENABLE_LOCK));
            d.Click(IDOK);
        });
    EXPECT_FALSE(board.IsEnabled()) << "still not configured";
}

TEST_F(IoDialogTest, ChannelOutputsComeFromTheTableAndGoBackOnOk)
{
    table.m_configured[0].m_output.triggerValue = 1.23456e-7f;
    table.m_configured[0].m_output.enable = 1;
    table.m_configured[0].m_output.triggerLevel = 1;
    table.m_configured[3].m_mass = 44;
    table.m_totalOutput.hysteresis = 25;
    struct Case
    {
        int field;
        const char* text;
        const char* message; // nullptr: accepted
    } cases[] = {
        {1359, "101", "Please enter an integer between 0 and 100."},
        {1392, "-1", "Please enter an integer between 0 and 100."},
        {1350, "2e12", "Please enter a number between -1e+12 and 1e+12."},
        {1391, "x", "Please enter a number."},
        {1350, "-1e12", nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        if (c.message)
            prompts.Expect(c.message).Reply(IDOK);
        prompts.Expect(IDD_CHANNEL_OUTPUT)
            .Drive(
                [&](DialogDriver& d)
                {
                    EXPECT_EQ(d.GetText(1349), "1.23e-07");
                    Picture(d, "channel_output");
                    EXPECT_TRUE(d.IsChecked(1011));
                    EXPECT_EQ(d.GetText(1393), "Below");
                    EXPECT_EQ(d.GetText(1342), "44");
                    EXPECT_EQ(d.GetText(1392), "25");
                    d.Click(1370); // Hi on channel 1: at once, the dialog stays
                    d.SetText(c.field, c.text);
                    d.Click(IDOK);
                    if (c.message)
                    {
                        EXPECT_TRUE(d.IsOpen());
                        EXPECT_EQ(d.FocusedId(), c.field);
                        d.Click(IDCANCEL);
                    }
                });
        CChannelOutputDlg dlg;
        dlg.m_pTable = &table;
        dlg.m_pBoard = &board;
        dlg.DoModal();
        EXPECT_FLOAT_EQ(table.m_configured[1].m_output.triggerValue, c.message ? 1e-6f : -1e12f);
    }
    EXPECT_FLOAT_EQ(table.m_configured[0].m_output.triggerValue, 1.23e-7f) << "written back as shown";
    EXPECT_EQ(table.m_configured[0].m_output.triggerLevel, 1);

    prompts.Expect(IDD_CHANNEL_OUTPUT)
        .Drive(
            [&](DialogDriver& d)
            {
                d.Check(1011, false);
                d.Check(1021);
                d.SetText(1392, "100");
                d.Select(1403, "Below");
                d.Click(IDOK);
            });
    CChannelOutputDlg dlg;
    dlg.m_pTable = &table;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(table.m_configured[0].m_output.enable, 0);
    EXPECT_EQ(table.m_totalOutput.enable, 1);
    EXPECT_EQ(table.m_totalOutput.hysteresis, 100);
    EXPECT_EQ(table.m_totalOutput.triggerLevel, 1);
}

TEST_F(IoDialogTest, ManualLinesShowTheBoardsStates)
{
    board.m_lineStates[3] = 1;
    prompts.Expect(IDD_MANUAL_OUTPUT)
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_TRUE(d.IsChecked(1324)) << "line 3 high";
                EXPECT_TRUE(d.IsChecked(1316)) << "line 0 low";
                EXPECT_FALSE(d.IsChecked(1315));
                d.Click(1315); // line 0 high, at once
                EXPECT_TRUE(d.IsChecked(1315));
                EXPECT_FALSE(d.IsChecked(1316));
                d.Click(IDOK);
            });
    CManualOutputDlg dlg;
    dlg.m_pBoard = &board;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(board.GetLineState(0), 0) << "the card's stub keeps no state";
}

} // namespace
