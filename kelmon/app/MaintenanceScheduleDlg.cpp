#include "app/MaintenanceScheduleDlg.h"

namespace
{
const char* const kDelayTexts[] = {"Never",        "After 1 min",  "After 5 min",  "After 10 min",
                                   "After 20 min", "After 30 min", "After 45 min", "After 1 hour"};
constexpr int kDelayCount = static_cast<int>(std::size(kDelayTexts));

int Clamped(int index)
{
    return index < 0 || index >= kDelayCount ? 0 : index;
}
} // namespace

BEGIN_MESSAGE_MAP(CMaintenanceScheduleDlg, CDialog)
ON_CBN_SELCHANGE(IDC_MAINT_FILAMENT, OnFilamentChange)
ON_CBN_SELCHANGE(IDC_MAINT_CEM, OnCemChange)
END_MESSAGE_MAP()

CMaintenanceScheduleDlg::CMaintenanceScheduleDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CMaintenanceScheduleDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MAINT_FILAMENT, m_filamentCombo);
    DDX_Control(pDX, IDC_MAINT_CEM, m_cemCombo);
}

BOOL CMaintenanceScheduleDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (const char* text : kDelayTexts)
    {
        m_filamentCombo.AddString(text);
        m_cemCombo.AddString(text);
    }
    m_filamentCombo.SetCurSel(Clamped(m_nFilamentIndex));
    m_cemCombo.SetCurSel(Clamped(m_nCemIndex));
    return TRUE;
}

void CMaintenanceScheduleDlg::OnFilamentChange()
{
    if (m_filamentCombo.GetCurSel() > 0)
        m_cemCombo.SetCurSel(0);
}

void CMaintenanceScheduleDlg::OnCemChange()
{
    if (m_cemCombo.GetCurSel() > 0)
        m_filamentCombo.SetCurSel(0);
}

void CMaintenanceScheduleDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_nFilamentIndex = Clamped(m_filamentCombo.GetCurSel());
    m_nCemIndex = Clamped(m_cemCombo.GetCurSel());
    CDialog::OnOK();
}
