#include "dialogs/LeakSensitivityDlg.h"

#include "head/Head.h"
#include "units/Units.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

IMPLEMENT_DYNAMIC(CLeakSensitivityDlg, CDialog)

BEGIN_MESSAGE_MAP(CLeakSensitivityDlg, CDialog)
ON_BN_CLICKED(IDC_LEAK_MEASURE, OnMeasure)
END_MESSAGE_MAP()

CLeakSensitivityDlg::CLeakSensitivityDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

float CLeakSensitivityDlg::RoundToShown(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%1.2e", static_cast<double>(value));
    return static_cast<float>(std::atof(text));
}

void CLeakSensitivityDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_LEAK_REFERENCE_RATE, m_fLeakRate);
    DDV_MinMaxFloat(pDX, m_fLeakRate, 0.0f, 1e30f);
    DDX_Text(pDX, IDC_LEAK_MASS, m_nMass);
    DDV_MinMaxInt(pDX, m_nMass, 2, 300);
    if (m_fPressure != 0.0f)
        m_strPressure.Format("%1.2e", static_cast<double>(m_fPressure));
    if (pDX->m_bSaveAndValidate)
        DDX_Text(pDX, IDC_LEAK_FACTOR, m_fFactor);
    m_fFactor = RoundToShown(m_fFactor);
    DDX_Text(pDX, IDC_LEAK_PRESSURE, m_strPressure);
    if (!pDX->m_bSaveAndValidate)
        DDX_Text(pDX, IDC_LEAK_FACTOR, m_fFactor);
}

void CLeakSensitivityDlg::OnMeasure()
{
    Measure();
}

BOOL CLeakSensitivityDlg::Measure()
{
    if (!UpdateData(TRUE) || !m_pHead || !m_pHead->EnsureFilamentOn())
        return FALSE;
    float k = 1.0f;
    if (m_pUnits)
    {
        // Raw readings to Torr, through the pressure-reduction inlet when it is in use.
        k = m_pUnits->m_fPartialFactor * m_pUnits->m_fInverseScale;
        if (m_pUnits->m_bReductionEnabled)
            k *= m_pUnits->m_fReductionFactor;
    }
    if (m_pHead->IsCemPresent() && m_pHead->GetHighVoltageState() && m_pHead->GetCemGain() != 0.0f)
        k /= m_pHead->GetCemGain();

    BeginWaitCursor();
    double sum = 0.0;
    for (int i = 0; i < kReadings; ++i)
    {
        float value = 0.0f;
        if (!m_pHead->MeasureSingleMass(m_nMass, -1, value))
        {
            EndWaitCursor();
            AfxMessageBox(IDS_PRESSURE_NOT_MEASURED);
            return FALSE;
        }
        sum += value;
    }
    m_fPressure = static_cast<float>(sum * 0.1 * k);
    BOOL computed = FALSE;
    const double factor = static_cast<double>(m_fLeakRate) / m_fPressure;
    // A pressure of 0 (or one so small that the factor overflows) gives no factor: the one shown
    // stays rather than becoming infinite.
    if (m_fPressure == 0.0f || !std::isfinite(static_cast<float>(factor)))
        AfxMessageBox(IDS_PRESSURE_NOT_MEASURED);
    else
    {
        m_fFactor = static_cast<float>(factor);
        computed = TRUE;
    }
    EndWaitCursor();
    UpdateData(FALSE);
    return computed;
}
