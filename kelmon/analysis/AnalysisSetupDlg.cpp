#include "analysis/AnalysisSetupDlg.h"

IMPLEMENT_DYNAMIC(CAnalysisSetupDlg, CDialog)

BEGIN_MESSAGE_MAP(CAnalysisSetupDlg, CDialog)
ON_BN_CLICKED(IDC_ANALYSIS_PERCENT, OnPercentage)
ON_BN_CLICKED(IDC_ANALYSIS_PRESSURE, OnPressure)
END_MESSAGE_MAP()

CAnalysisSetupDlg::CAnalysisSetupDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CAnalysisSetupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (int i = 0; i < kGases; ++i)
    {
        if (m_pGasNames && i < m_pGasNames->GetSize())
            SetDlgItemText(IDC_ANALYSIS_GAS0 + i, (*m_pGasNames)[i]);
        CheckDlgButton(IDC_ANALYSIS_GAS0 + i,
                       (m_pSelection && m_pSelection[i]) ? BST_CHECKED : BST_UNCHECKED);
    }
    const int mode = m_pUnitsMode ? *m_pUnitsMode : 0;
    CheckRadioButton(IDC_ANALYSIS_PERCENT, IDC_ANALYSIS_PRESSURE,
                     mode == 1 ? IDC_ANALYSIS_PRESSURE : IDC_ANALYSIS_PERCENT);
    return TRUE;
}

void CAnalysisSetupDlg::OnPercentage()
{
    if (m_pUnitsMode)
        *m_pUnitsMode = 0;
}

void CAnalysisSetupDlg::OnPressure()
{
    if (m_pUnitsMode)
        *m_pUnitsMode = 1;
}

void CAnalysisSetupDlg::OnOK()
{
    int checked = 0;
    for (int i = 0; i < kGases; ++i)
        checked += IsDlgButtonChecked(IDC_ANALYSIS_GAS0 + i) == BST_CHECKED;
    if (checked < 2)
    {
        AfxMessageBox(IDS_TWO_GASES_NEEDED, MB_ICONINFORMATION);
        return;
    }
    if (m_pSelection)
        for (int i = 0; i < kGases; ++i)
            m_pSelection[i] = IsDlgButtonChecked(IDC_ANALYSIS_GAS0 + i) == BST_CHECKED ? 1 : 0;
    CDialog::OnOK();
}
