#include "dialogs/RfCheckDlg.h"

#include "../../dlgpack/resource.h"

IMPLEMENT_DYNAMIC(CRfCheckDlg, CDialog)

CRfCheckDlg::CRfCheckDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CRfCheckDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_RF_MASS, m_strMass);
    DDV_MaxChars(pDX, m_strMass, 10);
}

BOOL CRfCheckDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_RF_NOMORE, m_nResult ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CRfCheckDlg::OnOK()
{
    m_nResult = IsDlgButtonChecked(IDC_RF_NOMORE) == BST_CHECKED;
    EndDialog(IDOK);
}
