#include "scans/ScanParameterDlg.h"

#include "doc/AnalogData.h"
#include "foundation/AppUiState.h"
#include "head/Head.h"
#include "scans/ScanSite.h"
#include "scans/SpectrumScan.h"

void FillScanSpeedList(CWnd* combo)
{
    if (!combo || !combo->m_hWnd)
        return;
    static const char* const kNames[kScanSpeeds] = {"0 (slowest)", "1", "2", "3",
                                                    "4",           "5", "6", "7 (fastest)"};
    combo->SendMessage(CB_RESETCONTENT);
    for (const char* name : kNames)
        combo->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

IMPLEMENT_DYNAMIC(CScanParameterDlg, CBaseParameterDlg)

BEGIN_MESSAGE_MAP(CScanParameterDlg, CBaseParameterDlg)
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_SCANPARAM_DEFAULT, OnDefault)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CScanParameterDlg::CScanParameterDlg(CWnd* pParent) : CBaseParameterDlg(IDD, pParent) {}

void CScanParameterDlg::SetLimits(int maxMass, BOOL notJov, int ppaDefault, int ppaMax, int defaultStop,
                                  int defaultStart)
{
    m_bNotJov = notJov;
    m_nMaxMass = maxMass > 2 ? maxMass : 100;
    m_nPpaDefault = ppaDefault > 0 ? ppaDefault : 10;
    m_nPpaMax = ppaMax >= m_nPpaDefault ? ppaMax : 25;
    m_nDefaultStart = defaultStart;
    m_nMinStart = defaultStart < 1 ? defaultStart : 1;
    m_nDefaultStop = defaultStop > m_nDefaultStart && defaultStop <= m_nMaxMass ? defaultStop : m_nMaxMass;
}

void CScanParameterDlg::SetScan(CScan* pScan, CAnalogData* pSettings, int mode)
{
    m_pScan = pScan;
    m_pSettings = pSettings;
    m_nMode = mode;
    LoadFromSettings();
}

void CScanParameterDlg::LoadFromSettings()
{
    if (!m_pSettings)
        return;
    m_fScale = m_pSettings->m_scaleFactor;
    m_nStartMass = m_pSettings->m_startMass;
    m_nStopMass = m_pSettings->m_stopMass;
    m_nPointsPerAmu = m_pSettings->m_pointsPerAmu;
    m_nSpeed = m_pSettings->m_noiseFloor >= 0 && m_pSettings->m_noiseFloor < kScanSpeeds
                   ? m_pSettings->m_noiseFloor
                   : 2;
}

void CScanParameterDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseParameterDlg::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SCANPARAM_START, m_nStartMass);
    DDV_MinMaxInt(pDX, m_nStartMass, m_nMinStart, m_nMaxMass - 1);
    DDX_Text(pDX, IDC_SCANPARAM_STOP, m_nStopMass);
    DDV_MinMaxInt(pDX, m_nStopMass, 2, m_nMaxMass);
    DDX_Text(pDX, IDC_SCANPARAM_PPA, m_nPointsPerAmu);
    DDV_MinMaxInt(pDX, m_nPointsPerAmu, 1, m_nPpaMax);
    DDX_Text(pDX, IDC_SCANPARAM_SCALE, m_fScale);
    DDV_MinMaxFloat(pDX, m_fScale, kMinScale, kMaxScale);
    DDX_CBIndex(pDX, IDC_SCANPARAM_SPEED, m_nSpeed);
}

BOOL CScanParameterDlg::OnInitDialog()
{
    LoadFromSettings();
    FillScanSpeedList(GetDlgItem(IDC_SCANPARAM_SPEED));
    CBaseParameterDlg::OnInitDialog();
    UpdateResolutionState();
    return TRUE;
}

void CScanParameterDlg::RefreshControls()
{
    LoadFromSettings();
    CBaseParameterDlg::RefreshControls();
}

void CScanParameterDlg::UpdateResolutionState()
{
    if (CWnd* ppa = m_hWnd ? GetDlgItem(IDC_SCANPARAM_PPA) : nullptr)
        ppa->EnableWindow(m_bEnabled && m_nMode != CAnalogData::kModeHistogram);
}

void CScanParameterDlg::EnableControls(BOOL bEnable)
{
    CBaseParameterDlg::EnableControls(bEnable);
    if (!m_hWnd)
        return;
    for (int id : {IDC_SCANPARAM_SPEED, IDC_SCANPARAM_START, IDC_SCANPARAM_STOP, IDC_SCANPARAM_SCALE, IDOK,
                   IDC_SCANPARAM_DEFAULT})
        GetDlgItem(id)->EnableWindow(bEnable);
    UpdateResolutionState();
}

void CScanParameterDlg::OnDefault()
{
    m_nPointsPerAmu = m_nPpaDefault;
    m_nStopMass = m_nDefaultStop;
    m_nStartMass = m_nDefaultStart;
    m_fScale = 1.0f;
    m_nSpeed = 2;
    UpdateData(FALSE);
}

void CScanParameterDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_nStopMass <= m_nStartMass)
    {
        AfxMessageBox(IDS_STOP_NOT_ABOVE_START, MB_ICONEXCLAMATION);
        GotoDlgCtrl(GetDlgItem(IDC_SCANPARAM_STOP));
        return;
    }
    if (!m_pSettings)
        return;
    m_pSettings->m_scaleFactor = m_fScale;
    m_pSettings->m_startMass = m_nStartMass;
    m_pSettings->m_stopMass = m_nStopMass;
    m_pSettings->m_noiseFloor = m_nSpeed;
    if (m_nMode == CAnalogData::kModeHistogram)
        m_pSettings->m_pointCount = m_nStopMass - m_nStartMass + 1;
    else
    {
        m_pSettings->m_pointsPerAmu = m_nPointsPerAmu;
        m_pSettings->m_pointCount = (m_nStopMass - m_nStartMass) * m_nPointsPerAmu + 1;
    }

    int cem = m_pSettings->m_cemFlag;
    if (m_pScan)
    {
        int seconds = 0;
        m_pScan->EstimateSweepTime(seconds);
        if (m_pScan->GetTriggerPeriod() < static_cast<float>(seconds))
            m_pScan->SetTriggerPeriod(static_cast<float>(seconds));
        if (m_pScan->GetScanMode() == SCAN_MODE_TRIGGERED || m_bTriggered)
            m_pScan->SetKindValue(seconds);
        if (m_pScan->m_pHead)
            cem = m_pScan->m_pHead->GetHighVoltageState();
    }

    // The channel dialog docked below takes the common speed and multiplier state.
    m_params[0] = m_nSpeed;
    m_params[1] = 1;
    m_params[2] = cem ? 1 : 0;
    m_params[3] = 1;
    CParamMessageHub::Instance()->Notify(this);
    NotifyParametersChanged();
}

void CScanParameterDlg::OnClose()
{
    SavePlacement();
    NotifyClosed();
    EnableControls(TRUE);
    m_bClosing = TRUE;
    CBaseParameterDlg::OnClose();
}

void CScanParameterDlg::OnDestroy()
{
    SavePlacement();
    CBaseParameterDlg::OnDestroy();
}

void CScanParameterDlg::OnCancel()
{
    if (!m_bClosing)
    {
        // Escape: the same close as the caption's button, which comes back here to hide.
        SendMessage(WM_CLOSE);
        return;
    }
    m_bClosing = FALSE;
    CBaseParameterDlg::OnCancel();
}

void CScanParameterDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(0x20000 + IDD_SCAN_PARAMETERS);
}

// ---- The spectrum scans' side ------------------------------------------------------------------

void CSpectrumScan::EditParameters()
{
    if (!m_pParameterDlg)
        m_pParameterDlg = new CScanParameterDlg();
    auto* dlg = static_cast<CScanParameterDlg*>(m_pParameterDlg);
    if (CScanSite* site = GetSite())
        SetParameterCaptionSuffix(dlg, site->GetTitle());
    if (m_pHead)
    {
        const BOOL notJov = m_pHead->IsNotJovFamily();
        dlg->SetLimits(m_pHead->GetMassRange(), notJov, m_pHead->GetScaled10(), m_pHead->GetScaled25(),
                       notJov ? 65 : 6, notJov ? 1 : 0);
    }
    dlg->SetScan(this, m_pSettings, IsHistogram() ? CAnalogData::kModeHistogram : CAnalogData::kModeAnalog);
}

BOOL CSpectrumScan::ShowParameterDialog()
{
    EditParameters();
    if (!::IsWindow(m_pParameterDlg->GetSafeHwnd()) && !m_pParameterDlg->Create(IDD_SCAN_PARAMETERS, nullptr))
        return FALSE;
    m_pParameterDlg->RestorePlacement();
    m_pParameterDlg->ShowWindow(CAppUiState::GetInstance()->m_bParamDlgShown ? SW_SHOW : SW_HIDE);
    return TRUE;
}
