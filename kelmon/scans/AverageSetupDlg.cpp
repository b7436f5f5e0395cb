#include "scans/AverageSetupDlg.h"

#include "scans/Scan.h"

IMPLEMENT_DYNAMIC(CAverageSetupDlg, CDialog)

BEGIN_MESSAGE_MAP(CAverageSetupDlg, CDialog)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CAverageSetupDlg::CAverageSetupDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CAverageSetupDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_AVERAGE_STOP, m_nLimitAction);
    DDX_Radio(pDX, IDC_AVERAGE_LINEAR, m_nMode);
    DDX_Check(pDX, IDC_AVERAGE_ENABLED, m_bEnabled);
    DDX_Text(pDX, IDC_AVERAGE_LIMIT, m_nLimit);
    DDV_MinMaxInt(pDX, m_nLimit, 2, 32000);
    DDX_Text(pDX, IDC_AVERAGE_DEPTH, m_nDepth);
    DDV_MinMaxInt(pDX, m_nDepth, 2, 1000);
}

INT_PTR CAverageSetupDlg::EditScan(CScan& scan, CWnd* pParent)
{
    CAverageSetupDlg dlg(pParent);
    dlg.m_bEnabled = scan.m_bAveragingOn ? 1 : 0;
    dlg.m_nLimit = scan.m_nAveragingLimit;
    dlg.m_nDepth = scan.m_nAveragingDepth;
    dlg.m_nMode = scan.m_nAveragingMode == 1 ? 0 : 1;
    dlg.m_nLimitAction = scan.m_nLimitAction == 1 ? 0 : 1;
    const INT_PTR result = dlg.DoModal();
    if (result != IDOK)
        return result;
    scan.SetAveraging(dlg.m_bEnabled);
    scan.SetAveragingLimit(dlg.m_nLimit);
    scan.SetAveragingDepth(dlg.m_nDepth);
    scan.SetAveragingMode(dlg.m_nMode != 0 ? 2 : 1);
    scan.SetAveragingLimitAction(dlg.m_nLimitAction != 0 ? 2 : 1);
    return result;
}

void CAverageSetupDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(0x10000 + IDD_AVERAGE_SETUP);
}
