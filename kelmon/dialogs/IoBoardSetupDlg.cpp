#include "dialogs/IoBoardSetupDlg.h"

#include "io/CbBoard.h"

IMPLEMENT_DYNAMIC(CIoBoardSetupDlg, CDialog)

BEGIN_MESSAGE_MAP(CIoBoardSetupDlg, CDialog)
ON_BN_CLICKED(IDC_IO_SCAN, OnScanForBoards)
ON_BN_CLICKED(IDC_IO_ENABLE_LOCK, OnEnableLockClicked)
END_MESSAGE_MAP()

CIoBoardSetupDlg::CIoBoardSetupDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_strBoardName(CCbBoard::kNotInstalled), m_strBoardNumber("-1")
{
}

BOOL CIoBoardSetupDlg::CanOpen(const CCbBoard& board)
{
    char value[4];
    if (::GetEnvironmentVariable("CBDIREC", value, sizeof value) == 0)
    {
        AfxMessageBox(IDS_IO_NO_INSTALLATION, MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (!board.GetEnableAndLock() && CCbBoard::IsBoardLocked())
    {
        AfxMessageBox(IDS_IO_LOCKED_ELSEWHERE, MB_ICONEXCLAMATION);
        return FALSE;
    }
    return TRUE;
}

void CIoBoardSetupDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_IO_ENABLE_LOCK, m_bEnableLock);
    // The board's name and number are shown, never taken back.
    if (!pDX->m_bSaveAndValidate)
    {
        DDX_Text(pDX, IDC_IO_BOARD_NAME, m_strBoardName);
        DDV_MaxChars(pDX, m_strBoardName, kNameChars);
        DDX_Text(pDX, IDC_IO_BOARD_NUMBER, m_strBoardNumber);
        DDV_MaxChars(pDX, m_strBoardNumber, kNumberChars);
    }
}

void CIoBoardSetupDlg::ShowBoard()
{
    if (!m_pBoard)
        return;
    m_strBoardName = m_pBoard->GetBoardName();
    m_strBoardNumber.Format("%d", m_pBoard->GetBoardNumber());
    m_bEnableLock = m_pBoard->GetEnableAndLock() ? 1 : 0;
}

BOOL CIoBoardSetupDlg::OnInitDialog()
{
    if (m_pBoard)
    {
        if (!m_pBoard->GetConfigured())
        {
            if (m_pBoard->IsDriverInstalled() && !m_pBoard->IsBoardPresent())
                m_pBoard->WriteProfile(CCbBoard::kNotInstalled, -1);
        }
        else
            m_pBoard->IsBoardPresent();
        ShowBoard();
    }
    return CDialog::OnInitDialog();
}

void CIoBoardSetupDlg::OnScanForBoards()
{
    if (!m_pBoard || AfxMessageBox(IDS_IO_SCAN_WARNING, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    if (m_pBoard->ConfigureBoard())
    {
        CCbBoard::SetBoardLocked(TRUE);
        m_pBoard->SetEnableAndLock(1);
    }
    m_pBoard->ListBoards();
    ShowBoard();
    UpdateData(FALSE);
}

void CIoBoardSetupDlg::OnEnableLockClicked()
{
    if (!m_pBoard)
        return;
    if (IsDlgButtonChecked(IDC_IO_ENABLE_LOCK) != BST_CHECKED)
    {
        CCbBoard::SetBoardLocked(FALSE);
        m_pBoard->SetEnableAndLock(0);
        return;
    }
    if (AfxMessageBox(IDS_IO_CONFIGURE_WARNING, MB_YESNO) != IDYES)
    {
        CCbBoard::SetBoardLocked(FALSE);
        m_pBoard->SetEnableAndLock(0);
        CheckDlgButton(IDC_IO_ENABLE_LOCK, BST_UNCHECKED);
        return;
    }
    if (m_pBoard->ConfigureBoard())
    {
        CCbBoard::SetBoardLocked(TRUE);
        m_pBoard->SetEnableAndLock(1);
    }
}
