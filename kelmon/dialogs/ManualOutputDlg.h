// "Manual Output Control": the ten manual TTL lines of the I/O card, each set high or low at once.
// Modal, over the document's board.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CCbBoard;

class CManualOutputDlg : public CDialog
{
    DECLARE_DYNAMIC(CManualOutputDlg)
public:
    enum
    {
        IDD = IDD_MANUAL_OUTPUT
    };
    static constexpr int kLines = 10;
    // High and Low buttons of each line.
    static const int kHighIds[kLines];
    static const int kLowIds[kLines];

    explicit CManualOutputDlg(CWnd* pParent = nullptr);

    CCbBoard* m_pBoard = nullptr; // not owned

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};
