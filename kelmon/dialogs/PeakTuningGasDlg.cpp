#include "dialogs/PeakTuningGasDlg.h"

IMPLEMENT_DYNAMIC(CPeakTuningGasDlg, CDialog)

BEGIN_MESSAGE_MAP(CPeakTuningGasDlg, CDialog)
ON_BN_CLICKED(ID_TUNEGAS_TUNE, OnTune)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CPeakTuningGasDlg::CPeakTuningGasDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CPeakTuningGasDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_TUNEGAS_LOW_NAME, m_strLowName);
    DDV_MaxChars(pDX, m_strLowName, kNameChars);
    DDX_Text(pDX, IDC_TUNEGAS_LOW_MASS, m_nLowMass);
    DDV_MinMaxInt(pDX, m_nLowMass, 1, m_nMaxMass - 1);
    DDX_Text(pDX, IDC_TUNEGAS_HIGH_NAME, m_strHighName);
    DDV_MaxChars(pDX, m_strHighName, kNameChars);
    DDX_Text(pDX, IDC_TUNEGAS_HIGH_MASS, m_nHighMass);
    DDV_MinMaxInt(pDX, m_nHighMass, 2, m_nMaxMass);
}

BOOL CPeakTuningGasDlg::OnInitDialog()
{
    if (m_pLow)
    {
        m_strLowName = m_pLow->name;
        m_nLowMass = m_pLow->mass;
    }
    if (m_pHigh)
    {
        m_strHighName = m_pHigh->name;
        m_nHighMass = m_pHigh->mass;
    }
    return CDialog::OnInitDialog();
}

BOOL CPeakTuningGasDlg::Store()
{
    if (!UpdateData(TRUE))
        return FALSE;
    if (m_pLow)
    {
        m_pLow->name = m_strLowName;
        m_pLow->mass = m_nLowMass;
    }
    if (m_pHigh)
    {
        m_pHigh->name = m_strHighName;
        m_pHigh->mass = m_nHighMass;
    }
    return TRUE;
}

void CPeakTuningGasDlg::OnOK()
{
    if (Store())
        EndDialog(IDOK);
}

void CPeakTuningGasDlg::OnTune()
{
    if (!Store())
        return;
    m_bTuneRequested = 1;
    EndDialog(IDOK);
}

void CPeakTuningGasDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(kHelpContext);
}
