#include "dialogs/BaseScheduleDlg.h"

#include "KelMessages.h"

using namespace kel::basedlg;

CDlgPlacement CBaseScheduleDlg::s_placement;

IMPLEMENT_DYNAMIC(CBaseScheduleDlg, CDialog)

BEGIN_MESSAGE_MAP(CBaseScheduleDlg, CDialog)
ON_MESSAGE(WM_NCACTIVATE, OnNcActivate)
ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

CBaseScheduleDlg::CBaseScheduleDlg(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_nTemplateId(nIDTemplate),
      m_hIconCollapsed(::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(kIconCollapsed))),
      m_hIconExpanded(::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(kIconExpanded)))
{
}

void CBaseScheduleDlg::RefreshControls()
{
    UpdateData(FALSE);
}

void CBaseScheduleDlg::EnableControls(BOOL bEnable)
{
    m_bEnabled = bEnable;
}

BOOL CBaseScheduleDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    MeasureHeights(m_hWnd, &m_nFullHeight, &m_nWidth, &m_nCollapsedHeight);
    return TRUE;
}

void CBaseScheduleDlg::UpdateStateIcon()
{
    SetStateIcon(m_hWnd, m_bExpanded, m_hIconCollapsed, m_hIconExpanded);
}

void CBaseScheduleDlg::ApplyExpandState()
{
    ResizeForState(m_hWnd, m_bExpanded, m_nFullHeight, m_nCollapsedHeight);
}

void CBaseScheduleDlg::SavePlacement()
{
    if (m_hWnd)
        SavePlacementTo(m_hWnd, m_bExpanded, &s_placement);
}

void CBaseScheduleDlg::RestorePlacement()
{
    CWnd* pParent = GetParent();
    MoveToPlacement(m_hWnd, pParent ? pParent->GetSafeHwnd() : MainWindow(), s_placement);
    m_bExpanded = s_placement.expanded ? TRUE : FALSE;
    UpdateStateIcon();
    ApplyExpandState();
}

void CBaseScheduleDlg::NotifyClosed()
{
    PostToMainWindow(WM_KEL_SCHEDDLGCLOSED);
}

void CBaseScheduleDlg::NotifyScheduleChanged()
{
    PostToMainWindow(WM_KEL_SCHEDULECHANGED);
}

LRESULT CBaseScheduleDlg::OnNcActivate(WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(WM_NCACTIVATE, lParam == -1 ? wParam : TRUE, lParam);
}

void CBaseScheduleDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    switch (ClassifySysCommand(m_hWnd, nID, lParam))
    {
    case SysCommandAction::Toggle:
        m_bExpanded = !m_bExpanded;
        UpdateStateIcon();
        ApplyExpandState();
        return;
    case SysCommandAction::ValidateAndClose:
        if (!UpdateData(TRUE))
            return;
        break;
    case SysCommandAction::Default:
        break;
    }
    Default();
}
