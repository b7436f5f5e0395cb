#include "scans/ScanPeriodDlg.h"

#include "dialogs/PeriodMinutes.h"
#include "scans/PvsTScan.h"
#include "scans/ScanSite.h"

IMPLEMENT_DYNAMIC(CScanPeriodDlg, CBaseScheduleDlg)

BEGIN_MESSAGE_MAP(CScanPeriodDlg, CBaseScheduleDlg)
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_PERIOD_SECONDS, OnSeconds)
ON_BN_CLICKED(IDC_PERIOD_MINUTES, OnMinutes)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CScanPeriodDlg::CScanPeriodDlg(CWnd* pParent) : CBaseScheduleDlg(IDD, pParent) {}

void CScanPeriodDlg::DoDataExchange(CDataExchange* pDX)
{
    CBaseScheduleDlg::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_PERIOD_VALUE, m_nPeriod);
    // A sweep longer than the usual ceiling still leaves its own length to choose.
    DDV_MinMaxInt(pDX, m_nPeriod, m_nMinimum, m_nMinimum > kMaxPeriod ? m_nMinimum : kMaxPeriod);
}

void CScanPeriodDlg::LoadFromScan()
{
    if (!m_pScan)
        return;
    m_pScan->SetScanMode(SCAN_MODE_TRIGGERED);
    int sweep = 0;
    m_pScan->EstimateSweepTime(sweep);
    m_nMinSeconds = sweep < 1 ? 1 : sweep;
    m_nMinMinutes = kel::period::MinutesCovering(sweep);
    const float period = m_pScan->GetTriggerPeriod();
    m_nLoadedSeconds = period > 0.0f ? static_cast<int>(period) : 0;
    if (m_nLoadedSeconds < m_nMinSeconds)
        m_nLoadedSeconds = m_nMinSeconds;
    m_nUnits = m_pScan->GetPeriodUnits() == 1 ? 1 : 0;
    if (m_nUnits == 0)
    {
        m_nPeriod = m_nLoadedSeconds;
        m_strUnits = "Seconds";
        m_nMinimum = m_nMinSeconds;
    }
    else
    {
        m_nPeriod = kel::period::ShownMinutes(m_nLoadedSeconds);
        if (m_nPeriod < m_nMinMinutes)
            m_nPeriod = m_nMinMinutes;
        m_strUnits = "Minutes";
        m_nMinimum = m_nMinMinutes;
    }
}

void CScanPeriodDlg::ShowValues()
{
    if (!m_hWnd)
        return;
    CheckDlgButton(IDC_PERIOD_SECONDS, m_nUnits == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_PERIOD_MINUTES, m_nUnits == 1 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_PERIOD_UNITS, m_strUnits);
    UpdateData(FALSE);
}

BOOL CScanPeriodDlg::OnInitDialog()
{
    LoadFromScan();
    CBaseScheduleDlg::OnInitDialog();
    ShowValues();
    return TRUE;
}

void CScanPeriodDlg::ReloadSchedule()
{
    LoadFromScan();
    ShowValues();
}

void CScanPeriodDlg::EnableControls(BOOL bEnable)
{
    CBaseScheduleDlg::EnableControls(bEnable);
    if (!m_hWnd)
        return;
    for (CWnd* child = GetWindow(GW_CHILD); child; child = child->GetWindow(GW_HWNDNEXT))
        if (child->GetDlgCtrlID() != ID_HELP)
            child->EnableWindow(bEnable);
}

void CScanPeriodDlg::OnSeconds()
{
    m_strUnits = "Seconds";
    SetDlgItemText(IDC_PERIOD_UNITS, m_strUnits);
    m_nMinimum = m_nMinSeconds;
    // The field as it stands; a value below the new minimum is taken up to it.
    BOOL ok = FALSE;
    const int shown = static_cast<int>(GetDlgItemInt(IDC_PERIOD_VALUE, &ok, TRUE));
    if (ok && shown >= m_nMinimum)
        return;
    m_nPeriod = m_nMinimum;
    SetDlgItemInt(IDC_PERIOD_VALUE, static_cast<UINT>(m_nPeriod), TRUE);
}

void CScanPeriodDlg::OnMinutes()
{
    m_nMinimum = m_nMinMinutes;
    m_strUnits = "Minutes";
    SetDlgItemText(IDC_PERIOD_UNITS, m_strUnits);
}

void CScanPeriodDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (!m_pScan)
        return;
    m_nUnits = IsDlgButtonChecked(IDC_PERIOD_SECONDS) == BST_CHECKED ? 0 : 1;
    const int seconds =
        m_nUnits == 0 ? m_nPeriod : kel::period::MinutesToSeconds(m_nPeriod, m_nLoadedSeconds);
    m_pScan->SetPeriodUnits(m_nUnits);
    m_pScan->SetTriggerPeriod(static_cast<float>(seconds));
    m_pScan->SetKindValue(seconds);
    m_pScan->SetScanMode(SCAN_MODE_TRIGGERED);
    m_nLoadedSeconds = seconds;
    NotifyScheduleChanged();
}

void CScanPeriodDlg::OnClose()
{
    SavePlacement();
    NotifyClosed();
    EnableControls(TRUE);
    m_bClosing = TRUE;
    Default();
}

void CScanPeriodDlg::OnDestroy()
{
    SavePlacement();
    CBaseScheduleDlg::OnDestroy();
}

void CScanPeriodDlg::OnCancel()
{
    if (!m_bClosing)
    {
        // Escape: the same close as the caption's button, which comes back here to hide.
        SendMessage(WM_CLOSE);
        return;
    }
    m_bClosing = FALSE;
    CBaseScheduleDlg::OnCancel();
}

void CScanPeriodDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(0x20000 + IDD_SCAN_PERIOD);
}

// ---- The pressure-versus-time scan's side -------------------------------------------------------

void CPvsTScans::EditSchedule(CScan* owner)
{
    if (!m_pScheduleDlg)
        m_pScheduleDlg = new CScanPeriodDlg();
    static_cast<CScanPeriodDlg*>(m_pScheduleDlg)->m_pScan = owner ? owner : this;
}

BOOL CPvsTScans::ShowScheduleDialog(CScan* owner)
{
    EditSchedule(owner);
    if (!::IsWindow(m_pScheduleDlg->GetSafeHwnd()) && !m_pScheduleDlg->Create(IDD_SCAN_PERIOD, nullptr))
        return FALSE;
    m_pScheduleDlg->RestorePlacement();
    m_pScheduleDlg->ShowWindow(SW_SHOW);
    return TRUE;
}
