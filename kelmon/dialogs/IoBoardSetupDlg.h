// "I/O Board Setup": which digital I/O card the document uses, and whether its use is enabled and
// locked to this document. Modal, over the document's board.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CCbBoard;

class CIoBoardSetupDlg : public CDialog
{
    DECLARE_DYNAMIC(CIoBoardSetupDlg)
public:
    enum
    {
        IDD = IDD_IO_BOARD_SETUP
    };
    static constexpr int kNameChars = 100;
    static constexpr int kNumberChars = 10;

    explicit CIoBoardSetupDlg(CWnd* pParent = nullptr);

    // The I/O board command may open the dialog: the card's installation left its environment
    // variable, and no other document holds the program's board. Tells the user otherwise.
    static BOOL CanOpen(const CCbBoard& board);

    int m_bEnableLock = 0;
    CString m_strBoardName;
    CString m_strBoardNumber;
    CCbBoard* m_pBoard = nullptr; // not owned

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnScanForBoards();
    void OnEnableLockClicked();
    void ShowBoard();

    DECLARE_MESSAGE_MAP()
};
