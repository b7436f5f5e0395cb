#include "scans/ScanScheduleDlg.h"

#include "dialogs/PeriodMinutes.h"
#include "scans/Scan.h"

#include <cmath>

IMPLEMENT_DYNAMIC(CScanScheduleDlg, CBaseScheduleDlg)

BEGIN_MESSAGE_MAP(CScanScheduleDlg, CBaseScheduleDlg)
ON_BN_CLICKED(IDC_SCHEDULE_SINGLE, OnModeClicked)
ON_BN_CLICKED(IDC_SCHEDULE_CONTINUOUS, OnModeClicked)
ON_BN_CLICKED(IDC_SCHEDULE_TRIGGERED, OnModeClicked)
ON_BN_CLICKED(IDC_SCHEDULE_NSCANS, OnModeClicked)
ON_BN_CLICKED(IDC_SCHEDULE_SECONDS, OnSeconds)
ON_BN_CLICKED(IDC_SCHEDULE_MINUTES, OnMinutes)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CScanScheduleDlg::CScanScheduleDlg(CWnd* pParent) : CBaseScheduleDlg(IDD, pParent) {}

void CScanScheduleDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseScheduleDlg::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_SCHEDULE_COUNT, m_nScans);
    DDV_MinMaxUInt(pDX, m_nScans, 2, 1000);
    DDX_Text(pDX, IDC_SCHEDULE_PERIOD, m_nTriggerPeriod);
    DDV_MinMaxInt(pDX, m_nTriggerPeriod, m_nPeriodLower, m_nPeriodUpper);
}

void CScanScheduleDlg::LoadFromScan()
{
    if (!m_pScan)
        return;
    int seconds = 0;
    m_pScan->EstimateSweepTime(seconds);
    m_nMinSeconds = seconds;
    m_nMinMinutes = kel::period::MinutesCovering(m_nMinSeconds);
    m_nTriggerPeriod = static_cast<int>(m_pScan->GetTriggerPeriod());
    if (m_nTriggerPeriod < m_nMinSeconds)
        m_nTriggerPeriod = m_nMinSeconds;
    m_nLoadedSeconds = m_nTriggerPeriod;
    m_nPeriodUnits = m_pScan->GetPeriodUnits() == 1 ? 1 : 0;
    if (m_nPeriodUnits == 0)
        m_nPeriodLower = m_nMinSeconds;
    else
    {
        m_nPeriodLower = m_nMinMinutes;
        m_nTriggerPeriod = kel::period::ShownMinutes(m_nTriggerPeriod);
        if (m_nTriggerPeriod < m_nMinMinutes)
            m_nTriggerPeriod = m_nMinMinutes;
    }
    int mode = m_pScan->GetScanMode();
    if (m_nKindValue == kKindWithoutNScans && mode == SCAN_MODE_NSCANS)
    {
        m_pScan->SetScanMode(SCAN_MODE_SINGLE);
        mode = SCAN_MODE_SINGLE;
    }
    m_bSingle = mode == SCAN_MODE_SINGLE;
    m_bContinuous = mode == SCAN_MODE_CONTINUOUS;
    m_bTriggered = mode == SCAN_MODE_TRIGGERED;
    m_bNScans = mode == SCAN_MODE_NSCANS;
    const int scans = m_pScan->GetNumberOfScans();
    m_nScans = scans > 0 ? static_cast<UINT>(scans) : 2;
}

void CScanScheduleDlg::ShowValues()
{
    if (!m_hWnd)
        return;
    CheckDlgButton(IDC_SCHEDULE_SINGLE, m_bSingle ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_SCHEDULE_CONTINUOUS, m_bContinuous ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_SCHEDULE_TRIGGERED, m_bTriggered ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_SCHEDULE_NSCANS, m_bNScans ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_SCHEDULE_SECONDS, m_nPeriodUnits == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_SCHEDULE_MINUTES, m_nPeriodUnits == 1 ? BST_CHECKED : BST_UNCHECKED);
    UpdateData(FALSE);
    UpdateModeStates();
}

void CScanScheduleDlg::UpdateModeStates()
{
    if (!m_hWnd || m_bGreyed)
        return;
    const bool triggered = IsDlgButtonChecked(IDC_SCHEDULE_TRIGGERED) == BST_CHECKED;
    const bool nScans = IsDlgButtonChecked(IDC_SCHEDULE_NSCANS) == BST_CHECKED;
    const bool countAllowed = m_nKindValue != kKindWithoutNScans;
    GetDlgItem(IDC_SCHEDULE_SECONDS)->EnableWindow(triggered);
    GetDlgItem(IDC_SCHEDULE_MINUTES)->EnableWindow(triggered);
    GetDlgItem(IDC_SCHEDULE_PERIOD)->EnableWindow(triggered);
    GetDlgItem(IDC_SCHEDULE_COUNT)->EnableWindow(nScans && countAllowed);
    GetDlgItem(IDC_SCHEDULE_NSCANS)->EnableWindow(countAllowed);
}

BOOL CScanScheduleDlg::OnInitDialog()
{
    LoadFromScan();
    CBaseScheduleDlg::OnInitDialog();
    ShowValues();
    return TRUE;
}

void CScanScheduleDlg::ReloadSchedule()
{
    LoadFromScan();
    ShowValues();
}

void CScanScheduleDlg::EnableControls(BOOL bEnable)
{
    CBaseScheduleDlg::EnableControls(bEnable);
    m_bGreyed = !bEnable;
    if (!m_hWnd)
        return;
    for (CWnd* child = GetWindow(GW_CHILD); child; child = child->GetWindow(GW_HWNDNEXT))
        if (child->GetDlgCtrlID() != ID_HELP)
            child->EnableWindow(bEnable);
    if (bEnable)
        UpdateModeStates();
}

void CScanScheduleDlg::OnModeClicked()
{
    UpdateModeStates();
}

void CScanScheduleDlg::OnMinutes()
{
    m_nPeriodLower = m_nMinMinutes;
}

void CScanScheduleDlg::OnSeconds()
{
    // The field as it stands; a value the old bounds refuse is taken up to the new minimum.
    m_nTriggerPeriod = static_cast<int>(GetDlgItemInt(IDC_SCHEDULE_PERIOD, nullptr, TRUE));
    m_nPeriodLower = m_nMinSeconds;
    if (m_nTriggerPeriod < m_nPeriodLower)
        m_nTriggerPeriod = m_nPeriodLower;
    SetDlgItemInt(IDC_SCHEDULE_PERIOD, static_cast<UINT>(m_nTriggerPeriod), TRUE);
}

void CScanScheduleDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (!m_pScan)
        return;
    m_nPeriodUnits = IsDlgButtonChecked(IDC_SCHEDULE_SECONDS) == BST_CHECKED ? 0
                     : IsDlgButtonChecked(IDC_SCHEDULE_MINUTES) == BST_CHECKED ? 1
                                                                               : 0;
    m_pScan->SetPeriodUnits(m_nPeriodUnits);
    const int seconds = m_nPeriodUnits == 1
                            ? kel::period::MinutesToSeconds(m_nTriggerPeriod, m_nLoadedSeconds)
                            : m_nTriggerPeriod;
    m_pScan->SetTriggerPeriod(static_cast<float>(seconds));
    m_nLoadedSeconds = seconds;
    m_bSingle = IsDlgButtonChecked(IDC_SCHEDULE_SINGLE) == BST_CHECKED;
    m_bContinuous = IsDlgButtonChecked(IDC_SCHEDULE_CONTINUOUS) == BST_CHECKED;
    m_bTriggered = IsDlgButtonChecked(IDC_SCHEDULE_TRIGGERED) == BST_CHECKED;
    m_bNScans = IsDlgButtonChecked(IDC_SCHEDULE_NSCANS) == BST_CHECKED;
    if (m_bSingle)
        m_pScan->SetScanMode(SCAN_MODE_SINGLE);
    else if (m_bContinuous)
        m_pScan->SetScanMode(SCAN_MODE_CONTINUOUS);
    else if (m_bTriggered)
        m_pScan->SetScanMode(SCAN_MODE_TRIGGERED);
    else if (m_bNScans)
        m_pScan->SetScanMode(m_nKindValue == kKindWithoutNScans ? SCAN_MODE_CONTINUOUS : SCAN_MODE_NSCANS);
    m_pScan->SetNumberOfScans(static_cast<int>(m_nScans));
    NotifyScheduleChanged();
}

void CScanScheduleDlg::OnCancel()
{
    SavePlacement();
    NotifyClosed();
    EnableControls(TRUE);
    DestroyWindow();
}

void CScanScheduleDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(0x20000 + IDD_SCAN_SCHEDULE);
}
