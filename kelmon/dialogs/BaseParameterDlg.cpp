#include "dialogs/BaseParameterDlg.h"
#include "dialogs/BaseScheduleDlg.h"

#include "KelMessages.h"
#include "foundation/AppUiState.h"
#include "settings/AppSettings.h"

CDlgPlacement CBaseParameterDlg::s_placement;

namespace
{
// An offset that would put a dialog off the full screen starts it at the main window's edge.
int32_t OnScreenOffset(int32_t offset, int metric)
{
    return (offset < 0 || offset > GetSystemMetrics(metric)) ? 0 : offset;
}
} // namespace

void LoadDialogPlacements(const CAppSettings& s)
{
    CBaseParameterDlg::s_placement = {OnScreenOffset(s.m_paramDlgLeft, SM_CXFULLSCREEN),
                                      OnScreenOffset(s.m_paramDlgTop, SM_CYFULLSCREEN), s.m_paramDlgState};
    CBaseScheduleDlg::s_placement = {OnScreenOffset(s.m_scheduleDlgLeft, SM_CXFULLSCREEN),
                                     OnScreenOffset(s.m_scheduleDlgTop, SM_CYFULLSCREEN),
                                     s.m_scheduleDlgState};
}

void StoreDialogPlacements(CAppSettings& s)
{
    s.m_paramDlgLeft = CBaseParameterDlg::s_placement.x;
    s.m_paramDlgTop = CBaseParameterDlg::s_placement.y;
    s.m_paramDlgState = CBaseParameterDlg::s_placement.expanded;
    s.m_scheduleDlgLeft = CBaseScheduleDlg::s_placement.x;
    s.m_scheduleDlgTop = CBaseScheduleDlg::s_placement.y;
    s.m_scheduleDlgState = CBaseScheduleDlg::s_placement.expanded;
}

using namespace kel::basedlg;

// ---- CBaseParameterDlg ---------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CBaseParameterDlg, CCollapsibleDlg)

BEGIN_MESSAGE_MAP(CBaseParameterDlg, CCollapsibleDlg)
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_MOVE()
END_MESSAGE_MAP()

CBaseParameterDlg::CBaseParameterDlg(UINT nIDTemplate, CWnd* pParent)
    : CCollapsibleDlg(nIDTemplate, pParent, s_placement, WM_KEL_PARAMDLGCLOSED, TRUE)
{
}

CBaseParameterDlg::~CBaseParameterDlg()
{
    // Neither this dialog's message nor its sink may outlive it in the hub, nor may the dialogs
    // linked with it keep pointing here.
    if (CParamMessageHub* hub = CParamMessageHub::Peek())
        hub->RemoveAll(this, this);
    if (m_pSubDlg && m_pSubDlg->m_pOwnerDlg == this)
        m_pSubDlg->m_pOwnerDlg = nullptr;
    if (m_pOwnerDlg && m_pOwnerDlg->m_pSubDlg == this)
        m_pOwnerDlg->m_pSubDlg = nullptr;
    if (m_hWnd)
        DestroyWindow();
}

void CBaseParameterDlg::RefreshControls()
{
    if (m_pSubDlg)
        m_pSubDlg->RefreshControls();
    CCollapsibleDlg::RefreshControls();
}

CBaseParameterDlg* CBaseParameterDlg::LinkSubDialog(CBaseParameterDlg* pSub)
{
    m_pSubDlg = pSub;
    if (pSub)
        pSub->m_pOwnerDlg = this;
    return pSub;
}

void CBaseParameterDlg::DockSubDialog(CBaseParameterDlg* pUpper, CBaseParameterDlg* pLower)
{
    if (!pUpper || !pLower)
        return;
    if (!pUpper->m_hWnd && !pUpper->Create(pUpper->m_nTemplateId, nullptr))
        return;
    if (!pLower->m_hWnd && !pLower->Create(pLower->m_nTemplateId, nullptr))
        return;
    pUpper->LinkSubDialog(pLower);
    pLower->ModifyStyle(WS_CAPTION | WS_SYSMENU, 0, SWP_FRAMECHANGED);
    pUpper->RestorePlacement();

    CRect upper, lower;
    pUpper->GetWindowRect(&upper);
    pLower->GetWindowRect(&lower);
    pLower->MoveWindow(upper.left, upper.top + upper.Height(), lower.Width(), lower.Height(), TRUE);

    const BOOL shown = CAppUiState::GetInstance()->m_bParamDlgShown;
    pUpper->ShowWindow(shown ? SW_SHOW : SW_HIDE);
    pLower->ShowWindow(shown ? SW_SHOW : SW_HIDE);
    if (shown)
    {
        pUpper->UpdateStateIcon();
        pUpper->ApplyExpandState();
    }
    CParamMessageHub::Instance()->Register(pUpper, pLower);
}

BOOL CBaseParameterDlg::OnInitDialog()
{
    CCollapsibleDlg::OnInitDialog();
    if (!m_strCaptionSuffix.IsEmpty())
    {
        CString caption;
        GetWindowText(caption);
        SetWindowText(caption + "(" + m_strCaptionSuffix + ")");
    }
    return TRUE;
}

void CBaseParameterDlg::ApplyExpandState()
{
    CCollapsibleDlg::ApplyExpandState();
    if (m_pSubDlg && m_pSubDlg->m_hWnd)
    {
        m_pSubDlg->ShowWindow(m_bExpanded ? SW_SHOW : SW_HIDE);
        m_pSubDlg->m_bExpanded = m_bExpanded;
    }
}

void CBaseParameterDlg::SavePlacement()
{
    if (!m_pOwnerDlg)
        CCollapsibleDlg::SavePlacement();
}

void CBaseParameterDlg::RestorePlacement()
{
    RestorePosition();
    if (!m_pSubDlg)
        ApplyExpandState();
}

void CBaseParameterDlg::NotifyParametersChanged()
{
    PostToMainWindow(WM_KEL_PARAMSCHANGED);
    PostToMainWindow(WM_KEL_REFRESHSCHEDULE);
}

void CBaseParameterDlg::CloseStep()
{
    if (m_pSubDlg && m_pSubDlg->m_hWnd)
        m_pSubDlg->CloseStep();
    DefWindowProc(WM_CLOSE, 0, 0);
}

void CBaseParameterDlg::DestroyStep()
{
    if (m_pSubDlg && m_pSubDlg->m_hWnd)
        m_pSubDlg->DestroyStep();
    if (CParamMessageHub* hub = CParamMessageHub::Peek())
        hub->RemoveAll(this, this);
}

void CBaseParameterDlg::OnClose()
{
    CloseStep();
}

void CBaseParameterDlg::OnDestroy()
{
    DestroyStep();
    CCollapsibleDlg::OnDestroy();
}

void CBaseParameterDlg::OnMove(int x, int y)
{
    CCollapsibleDlg::OnMove(x, y);
    if (m_pSubDlg && m_pSubDlg->m_hWnd)
    {
        CRect upper, lower;
        GetWindowRect(&upper);
        m_pSubDlg->GetWindowRect(&lower);
        m_pSubDlg->MoveWindow(upper.left, upper.top + m_nFullHeight, lower.Width(), lower.Height(), TRUE);
    }
}
