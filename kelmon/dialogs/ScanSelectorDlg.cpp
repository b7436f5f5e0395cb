#include "dialogs/ScanSelectorDlg.h"

IMPLEMENT_DYNAMIC(CScanSelectorDlg, CDialog)

BEGIN_MESSAGE_MAP(CScanSelectorDlg, CDialog)
ON_BN_CLICKED(IDC_GOTO_GO, OnGo)
END_MESSAGE_MAP()

CScanSelectorDlg::CScanSelectorDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CScanSelectorDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_GOTO_SCAN, m_nScan);
}

void CScanSelectorDlg::OnGo()
{
    OnOK();
}
