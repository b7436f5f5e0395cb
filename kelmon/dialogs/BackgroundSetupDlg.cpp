#include "dialogs/BackgroundSetupDlg.h"

#include "dialogs/ChartDlgSupport.h"

IMPLEMENT_DYNAMIC(CBackgroundSetupDlg, CDialog)

BEGIN_MESSAGE_MAP(CBackgroundSetupDlg, CDialog)
ON_BN_CLICKED(IDC_BKG_ENABLE, OnEnableClicked)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CBackgroundSetupDlg::CBackgroundSetupDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CBackgroundSetupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckRadioButton(IDC_BKG_SCAN_MINUS_BKG, IDC_BKG_BKG_MINUS_SCAN,
                     m_nDirection == 1 ? IDC_BKG_SCAN_MINUS_BKG : IDC_BKG_BKG_MINUS_SCAN);
    CheckDlgButton(IDC_BKG_ENABLE, m_bEnabled ? BST_CHECKED : BST_UNCHECKED);
    EnableDirection(m_bEnabled ? TRUE : FALSE);
    return TRUE;
}

void CBackgroundSetupDlg::EnableDirection(BOOL bEnable)
{
    for (int id : {IDC_BKG_SCAN_MINUS_BKG, IDC_BKG_BKG_MINUS_SCAN})
        GetDlgItem(id)->EnableWindow(bEnable);
}

void CBackgroundSetupDlg::OnEnableClicked()
{
    EnableDirection(IsDlgButtonChecked(IDC_BKG_ENABLE) == BST_CHECKED);
}

void CBackgroundSetupDlg::OnOK()
{
    m_nDirection = IsDlgButtonChecked(IDC_BKG_SCAN_MINUS_BKG) == BST_CHECKED ? 1 : 0;
    m_bEnabled = IsDlgButtonChecked(IDC_BKG_ENABLE) == BST_CHECKED ? 1 : 0;
    EndDialog(IDOK);
}

void CBackgroundSetupDlg::OnHelp()
{
    ShowDialogHelp(kHelpContext);
}
