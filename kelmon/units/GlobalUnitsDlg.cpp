#include "units/GlobalUnitsDlg.h"

#include "units/Units.h"

IMPLEMENT_DYNAMIC(CGlobalUnitsDlg, CDialog)

BEGIN_MESSAGE_MAP(CGlobalUnitsDlg, CDialog)
ON_MESSAGE(WM_COMMANDHELP, OnCommandHelp)
END_MESSAGE_MAP()

CGlobalUnitsDlg::CGlobalUnitsDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

LRESULT CGlobalUnitsDlg::OnCommandHelp(WPARAM wParam, LPARAM lParam)
{
    return CDialog::OnCommandHelp(wParam, lParam ? lParam : static_cast<LPARAM>(kHelpContext));
}

void CGlobalUnitsDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_UNITS_TORR, m_nUnit);
    DDX_Text(pDX, IDC_UNITS_USER_LABEL, m_strUserLabel);
    DDV_MaxChars(pDX, m_strUserLabel, 7);
    DDX_Text(pDX, IDC_UNITS_USER_FACTOR, m_fUserFactor);
    DDX_Radio(pDX, IDC_UNITS_MODE_TOTAL, m_nMode);
    DDX_Text(pDX, IDC_UNITS_REF_TOTAL, m_fRefTotal);
    DDV_MinMaxFloat(pDX, m_fRefTotal, 0.0f, 1000.0f);
    DDX_Text(pDX, IDC_UNITS_REF_MASS, m_nRefMass);
    DDV_MinMaxInt(pDX, m_nRefMass, 1, 300);
    DDX_Text(pDX, IDC_UNITS_CONCENTRATION, m_strConcentration);
    DDV_MaxChars(pDX, m_strConcentration, 20);
    DDX_Check(pDX, IDC_UNITS_TRACKING, m_bTracking);
    if (pDX->m_bSaveAndValidate)
        m_fConcentration = CUnits::ParseConcentration(m_strConcentration);
}
