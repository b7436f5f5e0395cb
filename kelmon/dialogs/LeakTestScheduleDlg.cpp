#include "dialogs/LeakTestScheduleDlg.h"

#include "dialogs/PeriodMinutes.h"
#include "scans/Scan.h"

#include <cmath>

IMPLEMENT_DYNAMIC(CLeakTestScheduleDlg, CBaseScheduleDlg)

BEGIN_MESSAGE_MAP(CLeakTestScheduleDlg, CBaseScheduleDlg)
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_LEAKSCHED_CONTINUOUS, OnModeClicked)
ON_BN_CLICKED(IDC_LEAKSCHED_TRIGGERED, OnModeClicked)
ON_BN_CLICKED(IDC_LEAKSCHED_SECONDS, OnSeconds)
ON_BN_CLICKED(IDC_LEAKSCHED_MINUTES, OnMinutes)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

namespace
{
const char kSeconds[] = "Seconds";
const char kMinutes[] = "Minutes";
} // namespace

CLeakTestScheduleDlg::CLeakTestScheduleDlg(CWnd* pParent) : CBaseScheduleDlg(IDD, pParent)
{
    m_strUnits = kSeconds;
}

void CLeakTestScheduleDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseScheduleDlg::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_LEAKSCHED_UNITS, m_strUnits);
    DDX_Text(pDX, IDC_LEAKSCHED_PERIOD, m_nPeriod);
    DDV_MinMaxInt(pDX, m_nPeriod, m_nMinimum, kLongestPeriod);
}

void CLeakTestScheduleDlg::LoadFromScan()
{
    if (!m_pScan)
        return;
    int sweep = 0;
    m_pScan->EstimateSweepTime(sweep);
    m_nSmallestSeconds = sweep < 1 ? 1 : sweep;
    m_nSmallestMinutes = kel::period::MinutesCovering(m_nSmallestSeconds);
    float seconds = m_pScan->GetTriggerPeriod();
    if (!std::isfinite(seconds) || seconds < static_cast<float>(m_nSmallestSeconds))
        seconds = static_cast<float>(m_nSmallestSeconds);
    m_fLoadedSeconds = seconds;
    m_nPeriodUnits = m_pScan->GetPeriodUnits() == 1 ? 1 : 0;
    m_bContinuous = m_pScan->GetScanMode() == SCAN_MODE_CONTINUOUS;
    const int whole = seconds > 1e6f ? 1000000 : static_cast<int>(seconds);
    if (m_nPeriodUnits == 0)
    {
        m_strUnits = kSeconds;
        m_nMinimum = m_nSmallestSeconds;
        m_nPeriod = whole;
    }
    else
    {
        m_strUnits = kMinutes;
        m_nMinimum = m_nSmallestMinutes;
        m_nPeriod = kel::period::ShownMinutes(whole);
        if (m_nPeriod < m_nMinimum)
            m_nPeriod = m_nMinimum;
    }
    m_nLoadedPeriod = m_nPeriod;
    m_nLoadedUnits = m_nPeriodUnits;
}

void CLeakTestScheduleDlg::ShowValues()
{
    if (!m_hWnd)
        return;
    CheckDlgButton(IDC_LEAKSCHED_CONTINUOUS, m_bContinuous ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_LEAKSCHED_TRIGGERED, m_bContinuous ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(IDC_LEAKSCHED_SECONDS, m_nPeriodUnits == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_LEAKSCHED_MINUTES, m_nPeriodUnits == 1 ? BST_CHECKED : BST_UNCHECKED);
    UpdateData(FALSE);
    UpdateModeStates();
}

void CLeakTestScheduleDlg::UpdateModeStates()
{
    if (!m_hWnd || m_bGreyed)
        return;
    const BOOL triggered = IsDlgButtonChecked(IDC_LEAKSCHED_TRIGGERED) == BST_CHECKED;
    for (int id : {IDC_LEAKSCHED_SECONDS, IDC_LEAKSCHED_MINUTES, IDC_LEAKSCHED_PERIOD})
        GetDlgItem(id)->EnableWindow(triggered);
}

BOOL CLeakTestScheduleDlg::OnInitDialog()
{
    LoadFromScan();
    CBaseScheduleDlg::OnInitDialog();
    ShowValues();
    return TRUE;
}

void CLeakTestScheduleDlg::ReloadSchedule()
{
    LoadFromScan();
    ShowValues();
}

void CLeakTestScheduleDlg::OnModeClicked()
{
    UpdateModeStates();
}

void CLeakTestScheduleDlg::OnSeconds()
{
    m_strUnits = kSeconds;
    SetDlgItemText(IDC_LEAKSCHED_UNITS, m_strUnits);
    m_nMinimum = m_nSmallestSeconds;
    BOOL ok = FALSE;
    const int typed = static_cast<int>(GetDlgItemInt(IDC_LEAKSCHED_PERIOD, &ok, TRUE));
    if (!ok || typed < m_nMinimum)
        SetDlgItemInt(IDC_LEAKSCHED_PERIOD, static_cast<UINT>(m_nMinimum), TRUE);
}

void CLeakTestScheduleDlg::OnMinutes()
{
    m_strUnits = kMinutes;
    SetDlgItemText(IDC_LEAKSCHED_UNITS, m_strUnits);
    m_nMinimum = m_nSmallestMinutes;
}

void CLeakTestScheduleDlg::OnOK()
{
    if (!UpdateData(TRUE) || !m_pScan)
        return;
    m_nPeriodUnits = IsDlgButtonChecked(IDC_LEAKSCHED_SECONDS) == BST_CHECKED ? 0 : 1;
    m_bContinuous = IsDlgButtonChecked(IDC_LEAKSCHED_CONTINUOUS) == BST_CHECKED;
    float seconds = static_cast<float>(m_nPeriodUnits == 1 ? m_nPeriod * 60 : m_nPeriod);
    if (m_nPeriod == m_nLoadedPeriod && m_nPeriodUnits == m_nLoadedUnits)
        seconds = m_fLoadedSeconds;
    m_pScan->SetPeriodUnits(m_nPeriodUnits);
    m_pScan->SetTriggerPeriod(seconds);
    if (!m_bContinuous)
    {
        const int whole = static_cast<int>(seconds);
        m_pScan->SetSweepTime(whole);
        m_pScan->SetKindValue(whole);
        m_pScan->SetScanMode(SCAN_MODE_TRIGGERED);
    }
    else
    {
        // The time per reading stays as the head gave it (writing it back through the whole
        // seconds of the sweep-time slot would make a 0.1 s reading 0 s); the scan derives its
        // sample period from it again.
        m_pScan->SetScanMode(SCAN_MODE_CONTINUOUS);
        int sweep = 0;
        m_pScan->EstimateSweepTime(sweep);
    }
    m_fLoadedSeconds = seconds;
    m_nLoadedPeriod = m_nPeriod;
    m_nLoadedUnits = m_nPeriodUnits;
    NotifyScheduleChanged();
}

void CLeakTestScheduleDlg::OnClose()
{
    SavePlacement();
    NotifyClosed();
    EnableControls(TRUE);
    m_bClosePending = TRUE;
    Default();
}

void CLeakTestScheduleDlg::OnCancel()
{
    if (m_bClosePending)
        m_bClosePending = FALSE;
    else
    {
        SavePlacement();
        NotifyClosed();
        EnableControls(TRUE);
    }
    CBaseScheduleDlg::OnCancel();
}

void CLeakTestScheduleDlg::OnDestroy()
{
    SavePlacement();
    CBaseScheduleDlg::OnDestroy();
}

void CLeakTestScheduleDlg::EnableControls(BOOL bEnable)
{
    CBaseScheduleDlg::EnableControls(bEnable);
    m_bGreyed = !bEnable;
    if (!m_hWnd)
        return;
    for (CWnd* child = GetWindow(GW_CHILD); child; child = child->GetWindow(GW_HWNDNEXT))
        child->EnableWindow(bEnable);
    if (CWnd* help = GetDlgItem(ID_HELP))
        help->EnableWindow(TRUE);
    if (bEnable)
        UpdateModeStates();
}

void CLeakTestScheduleDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(kHelpContext);
}
