#include "dialogs/PressureReductionDlg.h"

#include "units/Units.h"

IMPLEMENT_DYNAMIC(CPressureReductionDlg, CControlHelpDlg)

CPressureReductionDlg::CPressureReductionDlg(CWnd* pParent) : CControlHelpDlg(IDD, pParent)
{
    m_dwHelpContext = 0x10000 + ID_UTIL_PRESSURE_REDUCTION;
}

INT_PTR CPressureReductionDlg::EditUnits(CUnits& units, CWnd* pParent)
{
    CPressureReductionDlg dlg(pParent);
    dlg.m_fFactor = units.m_fReductionFactor;
    dlg.m_bEnabled = units.m_bReductionEnabled;
    const INT_PTR result = dlg.DoModal();
    if (result == IDOK)
    {
        units.m_fReductionFactor = dlg.m_fFactor;
        units.m_bReductionEnabled = dlg.m_bEnabled;
    }
    return result;
}

void CPressureReductionDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_REDUCTION_ENABLE, m_enableCheck);
    DDX_Text(pDX, IDC_REDUCTION_FACTOR, m_fFactor);
    DDV_MinMaxFloat(pDX, m_fFactor, 1.0f, m_fMaxFactor);
}

BOOL CPressureReductionDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_enableCheck.SetCheck(m_bEnabled ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CPressureReductionDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_bEnabled = m_enableCheck.GetCheck() == BST_CHECKED ? 1 : 0;
    EndDialog(IDOK);
}
