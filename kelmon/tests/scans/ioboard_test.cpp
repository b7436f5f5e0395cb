// The I/O board model: what a new board reports, the flag that no operation sets, the card
// operations that accept everything, and the profile record of the chosen board.
#include "io/CbBoard.h"

#include <afxwin.h>
#include <gtest/gtest.h>

namespace
{

TEST(IoBoard, NewBoardIsNotInstalledAndNotEnabled)
{
    CCbBoard board(nullptr);
    EXPECT_EQ(std::string(board.GetBoardName()), "Not Installed");
    EXPECT_EQ(board.GetBoardNumber(), 0);
    EXPECT_FALSE(board.IsEnabled());
    EXPECT_EQ(board.m_outputPorts[0], 1);
    EXPECT_EQ(board.m_outputPorts[9], 20);
    EXPECT_EQ(board.m_outputPorts[10], 21);
    EXPECT_EQ(board.m_linePorts[0], 10);
    EXPECT_EQ(board.m_linePorts[9], 19);
    EXPECT_EQ(board.GetChannelState(-1), 0);
    EXPECT_EQ(board.GetLineState(CCbBoard::kStates), 0);
}

TEST(IoBoard, EnablingAndLockingIsNotEnoughWithoutAConfiguredBoard)
{
    CCbBoard board(nullptr);
    board.SetEnableAndLock(1);
    EXPECT_FALSE(board.IsEnabled()) << "no operation sets the configured flag";
    board.m_configured = 1;
    EXPECT_TRUE(board.IsEnabled());
}

TEST(IoBoard, CardOperationsAcceptTheirArgumentsAndChangeNothing)
{
    CCbBoard board(nullptr);
    EXPECT_TRUE(board.ListBoards());
    EXPECT_TRUE(board.IsBoardPresent());
    EXPECT_TRUE(board.OutputChannelValue(3, 1e-6f));
    EXPECT_TRUE(board.OutputTotalPressure(2e-7f));
    EXPECT_TRUE(board.SetChannelLevel(10, 1));
    EXPECT_TRUE(board.SetLineLevel(9, 1));
    EXPECT_TRUE(board.ConfigureBoard());
    EXPECT_TRUE(board.IsDriverInstalled());
    EXPECT_TRUE(board.ResetOutputs(0));
    EXPECT_EQ(board.GetLineState(9), 0);
    EXPECT_EQ(board.GetChannelState(10), 0);
    EXPECT_FALSE(board.IsEnabled());
}

TEST(IoBoard, ProfileKeepsTheChosenBoard)
{
    CWinApp app("kelmon");
    app.SetRegistryKey("Test I/O Board");
    CCbBoard board(nullptr);
    board.WriteProfile("Not Installed", -1);
    EXPECT_EQ(static_cast<int>(app.GetProfileInt("CB I/O Setup", "Board #", 0)), -1);
    EXPECT_EQ(std::string(app.GetProfileString("CB I/O Setup", "Board Name")), "Not Installed");
}

TEST(IoBoard, LockedFlagIsProgramWide)
{
    EXPECT_FALSE(CCbBoard::IsBoardLocked());
    CCbBoard::SetBoardLocked(TRUE);
    EXPECT_TRUE(CCbBoard::IsBoardLocked());
    CCbBoard::SetBoardLocked(FALSE);
}

} // namespace
