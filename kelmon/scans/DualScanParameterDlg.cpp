#include "scans/DualScanParameterDlg.h"

#include "doc/AnalogData.h"
#include "scans/ScanParameterDlg.h"

namespace
{
// Writes one part's fields into its record with the point count of its range.
void WriteRecord(CAnalogData& record, float scale, int start, int stop, int pointsPerAmu, int speed,
                 bool histogram)
{
    record.m_scaleFactor = scale;
    record.m_startMass = start;
    record.m_stopMass = stop;
    if (speed >= 0)
        record.m_noiseFloor = speed;
    if (histogram)
        record.m_pointCount = stop - start + 1;
    else
    {
        record.m_pointsPerAmu = pointsPerAmu;
        record.m_pointCount = (stop - start) * pointsPerAmu + 1;
    }
}
} // namespace

IMPLEMENT_DYNAMIC(CDualScanParameterDlg, CDialog)

BEGIN_MESSAGE_MAP(CDualScanParameterDlg, CDialog)
ON_BN_CLICKED(IDC_SCANPARAM_DEFAULT, OnDefault)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CDualScanParameterDlg::CDualScanParameterDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CDualScanParameterDlg::SetRecords(CAnalogData* pTop, CAnalogData* pBottom, int mode)
{
    m_pTop = pTop;
    m_pBottom = pBottom;
    m_nMode = mode;
    if (pTop)
    {
        m_fTopScale = pTop->m_scaleFactor;
        m_nTopStart = pTop->m_startMass;
        m_nTopStop = pTop->m_stopMass;
        m_nPointsPerAmu = pTop->m_pointsPerAmu;
        m_nTopSpeed = pTop->m_noiseFloor;
    }
    if (pBottom)
    {
        m_fBottomScale = pBottom->m_scaleFactor;
        m_nBottomStart = pBottom->m_startMass;
        m_nBottomStop = pBottom->m_stopMass;
        m_nBottomSpeed = pBottom->m_noiseFloor;
    }
}

void CDualScanParameterDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SCANPARAM_START, m_nTopStart);
    DDV_MinMaxInt(pDX, m_nTopStart, 1, m_nMaxMass - 1);
    DDX_Text(pDX, IDC_SCANPARAM_STOP, m_nTopStop);
    DDV_MinMaxInt(pDX, m_nTopStop, 2, m_nMaxMass);
    DDX_Text(pDX, IDC_SCANPARAM_SCALE, m_fTopScale);
    DDV_MinMaxFloat(pDX, m_fTopScale, CScanParameterDlg::kMinScale, CScanParameterDlg::kMaxScale);
    DDX_CBIndex(pDX, IDC_SCANPARAM_SPEED, m_nTopSpeed);
    DDX_Text(pDX, IDC_SCANPARAM_BOTTOM_START, m_nBottomStart);
    DDV_MinMaxInt(pDX, m_nBottomStart, 1, m_nMaxMass - 1);
    DDX_Text(pDX, IDC_SCANPARAM_BOTTOM_STOP, m_nBottomStop);
    DDV_MinMaxInt(pDX, m_nBottomStop, 2, m_nMaxMass);
    DDX_Text(pDX, IDC_SCANPARAM_BOTTOM_SCALE, m_fBottomScale);
    DDV_MinMaxFloat(pDX, m_fBottomScale, CScanParameterDlg::kMinScale, CScanParameterDlg::kMaxScale);
    DDX_CBIndex(pDX, IDC_SCANPARAM_BOTTOM_SPEED, m_nBottomSpeed);
    DDX_Text(pDX, IDC_SCANPARAM_PPA, m_nPointsPerAmu);
    // Histograms keep one point per mass: the greyed field is not checked against the analog range.
    if (m_nMode != CAnalogData::kModeHistogram)
        DDV_MinMaxInt(pDX, m_nPointsPerAmu, kMinPointsPerAmu, kMaxPointsPerAmu);
}

BOOL CDualScanParameterDlg::OnInitDialog()
{
    FillScanSpeedList(GetDlgItem(IDC_SCANPARAM_SPEED));
    FillScanSpeedList(GetDlgItem(IDC_SCANPARAM_BOTTOM_SPEED));
    CDialog::OnInitDialog();
    if (m_nMode == CAnalogData::kModeHistogram)
        GetDlgItem(IDC_SCANPARAM_PPA)->EnableWindow(FALSE);
    return TRUE;
}

void CDualScanParameterDlg::OnDefault()
{
    m_nTopStart = m_nBottomStart = 1;
    m_nTopStop = m_nBottomStop = 50;
    m_fTopScale = m_fBottomScale = 1.0f;
    if (m_nMode != CAnalogData::kModeHistogram)
        m_nPointsPerAmu = 10;
    m_nTopSpeed = m_nBottomSpeed = kDefaultSpeed;
    UpdateData(FALSE);
}

void CDualScanParameterDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    const bool topOk = m_nTopStop > m_nTopStart;
    if (!topOk || m_nBottomStop <= m_nBottomStart)
    {
        AfxMessageBox(IDS_STOP_NOT_ABOVE_START, MB_ICONEXCLAMATION);
        GotoDlgCtrl(GetDlgItem(topOk ? IDC_SCANPARAM_BOTTOM_STOP : IDC_SCANPARAM_STOP));
        return;
    }
    const bool histogram = m_nMode == CAnalogData::kModeHistogram;
    if (m_pTop)
        WriteRecord(*m_pTop, m_fTopScale, m_nTopStart, m_nTopStop, m_nPointsPerAmu, m_nTopSpeed, histogram);
    if (m_pBottom)
        WriteRecord(*m_pBottom, m_fBottomScale, m_nBottomStart, m_nBottomStop, m_nPointsPerAmu,
                    m_nBottomSpeed, histogram);
    EndDialog(IDOK);
}

void CDualScanParameterDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(0x20000 + IDD_DUAL_SCAN_PARAMETERS);
}
