#include "io/CbBoard.h"

#include <afxwin.h>

IMPLEMENT_SERIAL(CCbBoard, CObject, 1)

namespace
{
constexpr const char* kProfileSection = "CB I/O Setup";
// Ports of the ten channel outputs and of the total-pressure output.
constexpr int32_t kDefaultOutputPorts[CCbBoard::kOutputPorts] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 20, 21};
} // namespace

CCbBoard::CCbBoard(CTable* table) : m_pTable(table)
{
    for (int i = 0; i < kOutputPorts; ++i)
        m_outputPorts[i] = kDefaultOutputPorts[i];
    for (int i = 0; i < kLines; ++i)
        m_linePorts[i] = 10 + i;
}

void CCbBoard::Serialize(CArchive&) {}

BOOL CCbBoard::ListBoards()
{
    // A driver would name the boards it finds; without one the list is thrown away.
    CStringArray names;
    names.SetSize(10);
    return 1;
}

BOOL CCbBoard::IsBoardPresent()
{
    return 1;
}

BOOL CCbBoard::OutputChannelValue(int, float)
{
    return 1;
}

BOOL CCbBoard::OutputTotalPressure(float)
{
    return 1;
}

BOOL CCbBoard::SetChannelLevel(int, int)
{
    return 1;
}

BOOL CCbBoard::SetLineLevel(int, int)
{
    return 1;
}

BOOL CCbBoard::ConfigureBoard()
{
    return 1;
}

BOOL CCbBoard::IsDriverInstalled()
{
    return 1;
}

BOOL CCbBoard::ResetOutputs(int)
{
    return 1;
}

void CCbBoard::WriteProfile(LPCTSTR name, int number)
{
    if (CWinApp* app = AfxGetApp())
    {
        app->WriteProfileInt(kProfileSection, "Board #", number);
        app->WriteProfileString(kProfileSection, "Board Name", name);
    }
}

int CCbBoard::GetChannelState(int index) const
{
    return index >= 0 && index < kStates ? m_channelStates[index] : 0;
}

int CCbBoard::GetLineState(int index) const
{
    return index >= 0 && index < kStates ? m_lineStates[index] : 0;
}
