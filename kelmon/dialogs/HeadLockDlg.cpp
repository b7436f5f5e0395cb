#include "dialogs/HeadLockDlg.h"

namespace
{
int g_bLocked = 0;
CString g_strPassword;
} // namespace

IMPLEMENT_DYNAMIC(CHeadLockDlg, CDialog)

BEGIN_MESSAGE_MAP(CHeadLockDlg, CDialog)
ON_MESSAGE(WM_COMMANDHELP, OnCommandHelp)
END_MESSAGE_MAP()

CHeadLockDlg::CHeadLockDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

LRESULT CHeadLockDlg::OnCommandHelp(WPARAM wParam, LPARAM lParam)
{
    return CDialog::OnCommandHelp(wParam, lParam ? lParam : static_cast<LPARAM>(kHelpContext));
}

int CHeadLockDlg::IsLocked()
{
    return g_bLocked;
}

CString CHeadLockDlg::GetPassword()
{
    return g_strPassword;
}

void CHeadLockDlg::SetLockState(int locked, const CString& password)
{
    g_bLocked = locked ? 1 : 0;
    g_strPassword = password;
}

void CHeadLockDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_LOCK_PASSWORD, m_strPassword);
    DDV_MaxChars(pDX, m_strPassword, kMaxPasswordChars);
    DDX_Text(pDX, IDC_LOCK_CONFIRM, m_strConfirm);
    DDV_MaxChars(pDX, m_strConfirm, kMaxPasswordChars);
    DDX_Text(pDX, IDC_LOCK_CONFIRM_LABEL, m_strConfirmLabel);
    DDX_Text(pDX, IDC_LOCK_PASSWORD_LABEL, m_strPasswordLabel);
}

BOOL CHeadLockDlg::OnInitDialog()
{
    if (g_bLocked)
    {
        m_strConfirmLabel.Empty();
        m_strPasswordLabel = "Enter Password:";
    }
    else
    {
        m_strConfirmLabel = "Confirm Password:";
        m_strPasswordLabel = "New Password:";
    }
    CDialog::OnInitDialog(); // shows the labels
    if (g_bLocked)
    {
        if (CWnd* confirm = GetDlgItem(IDC_LOCK_CONFIRM))
            confirm->ShowWindow(SW_HIDE);
        SetDlgItemText(IDOK, "Unlock");
    }
    if (CWnd* password = GetDlgItem(IDC_LOCK_PASSWORD))
        GotoDlgCtrl(password);
    return FALSE; // the focus is set
}

void CHeadLockDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (g_bLocked)
    {
        if (m_strPassword != g_strPassword)
        {
            AfxMessageBox(IDS_PASSWORD_MISMATCH, MB_ICONEXCLAMATION);
            return;
        }
        g_bLocked = 0;
    }
    else
    {
        if (m_strPassword != m_strConfirm)
        {
            AfxMessageBox(IDS_PASSWORD_MISMATCH, MB_ICONEXCLAMATION);
            return;
        }
        if (m_strPassword.GetLength() < kMinPasswordChars)
        {
            AfxMessageBox(IDS_PASSWORD_TOO_SHORT, MB_ICONEXCLAMATION);
            return;
        }
        g_strPassword = m_strPassword;
        g_bLocked = 1;
    }
    EndDialog(IDOK);
}
