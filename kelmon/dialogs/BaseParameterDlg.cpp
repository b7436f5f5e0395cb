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

HICON LoadStateIcon(UINT id)
{
    return ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(id));
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

namespace kel::basedlg
{

namespace
{
HWND g_hMainWnd = nullptr;
}

void SetMainWindow(HWND hMain)
{
    g_hMainWnd = hMain;
}

HWND MainWindow()
{
    return ::IsWindow(g_hMainWnd) ? g_hMainWnd : nullptr;
}

void PostToMainWindow(UINT message)
{
    if (HWND hMain = MainWindow())
        ::PostMessage(hMain, message, 0, 0);
}

SysCommandAction ClassifySysCommand(HWND hDlg, UINT nID, LPARAM lParam)
{
    const UINT command = nID & 0xFFF0;
    const UINT x = LOWORD(lParam);
    RECT rc;
    ::GetWindowRect(hDlg, &rc);
    const int mid = (rc.left + rc.right) / 2;
    const bool leftHalf = x <= static_cast<UINT>(mid);

    switch (command)
    {
    case SC_MOUSEMENU:
    case SC_DEFAULT:
        // Only a mouse click on the caption icon sends these.
        return leftHalf ? SysCommandAction::Toggle : SysCommandAction::Default;
    case SC_CLOSE:
    {
        // A close from the keyboard, the system menu or the close box carries no point on the
        // caption: it closes. Only a click on the caption bar's left half toggles.
        POINT client{0, 0};
        ::ClientToScreen(hDlg, &client);
        const int y = GET_Y_LPARAM(lParam);
        const bool onCaption =
            lParam != 0 && lParam != -1 && y >= rc.top && y < client.y && GET_X_LPARAM(lParam) >= rc.left;
        return (onCaption && leftHalf) ? SysCommandAction::Toggle : SysCommandAction::ValidateAndClose;
    }
    default:
        return SysCommandAction::Default;
    }
}

void MeasureHeights(HWND hDlg, int* fullHeight, int* width, int* collapsedHeight)
{
    RECT window, client;
    ::GetWindowRect(hDlg, &window);
    ::GetClientRect(hDlg, &client);
    *fullHeight = window.bottom - window.top;
    *width = window.right - window.left;
    *collapsedHeight = *fullHeight - (client.bottom - client.top);
}

void ResizeForState(HWND hDlg, BOOL expanded, int fullHeight, int collapsedHeight)
{
    RECT rc;
    ::GetWindowRect(hDlg, &rc);
    ::SetWindowPos(hDlg, nullptr, 0, 0, rc.right - rc.left, expanded ? fullHeight : collapsedHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetStateIcon(HWND hDlg, BOOL expanded, HICON hCollapsed, HICON hExpanded)
{
    ::SendMessage(hDlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(expanded ? hExpanded : hCollapsed));
}

void SavePlacementTo(HWND hDlg, BOOL expanded, CDlgPlacement* record)
{
    RECT dlg, main{0, 0, 0, 0};
    ::GetWindowRect(hDlg, &dlg);
    if (HWND hMain = MainWindow())
        ::GetWindowRect(hMain, &main);
    record->x = dlg.left - main.left;
    record->y = dlg.top - main.top;
    record->expanded = expanded ? 1 : 0;
}

void MoveToPlacement(HWND hDlg, HWND hParent, const CDlgPlacement& record)
{
    RECT parent{0, 0, 0, 0};
    if (hParent)
        ::GetWindowRect(hParent, &parent);
    int left = parent.left + record.x;
    int top = parent.top + record.y;
    if (left < 0 || left > GetSystemMetrics(SM_CXFULLSCREEN))
        left = parent.left;
    if (top < 0 || top > GetSystemMetrics(SM_CYFULLSCREEN))
        top = parent.top;
    RECT rc;
    ::GetWindowRect(hDlg, &rc);
    ::MoveWindow(hDlg, left, top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
}

} // namespace kel::basedlg

using namespace kel::basedlg;

// ---- CBaseParameterDlg ---------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CBaseParameterDlg, CDialog)

BEGIN_MESSAGE_MAP(CBaseParameterDlg, CDialog)
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_MOVE()
ON_MESSAGE(WM_NCACTIVATE, OnNcActivate)
ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

CBaseParameterDlg::CBaseParameterDlg(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_nTemplateId(nIDTemplate),
      m_hIconCollapsed(LoadStateIcon(kIconCollapsed)), m_hIconExpanded(LoadStateIcon(kIconExpanded))
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

void CBaseParameterDlg::EnableControls(BOOL bEnable)
{
    m_bEnabled = bEnable;
}

void CBaseParameterDlg::RefreshControls()
{
    if (m_pSubDlg)
        m_pSubDlg->RefreshControls();
    UpdateData(FALSE);
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
    CDialog::OnInitDialog();
    if (!m_strCaptionSuffix.IsEmpty())
    {
        CString caption;
        GetWindowText(caption);
        SetWindowText(caption + "(" + m_strCaptionSuffix + ")");
    }
    MeasureHeights(m_hWnd, &m_nFullHeight, &m_nWidth, &m_nCollapsedHeight);
    return TRUE;
}

void CBaseParameterDlg::UpdateStateIcon()
{
    SetStateIcon(m_hWnd, m_bExpanded, m_hIconCollapsed, m_hIconExpanded);
}

void CBaseParameterDlg::ApplyExpandState()
{
    ResizeForState(m_hWnd, m_bExpanded, m_nFullHeight, m_nCollapsedHeight);
    if (m_pSubDlg && m_pSubDlg->m_hWnd)
    {
        m_pSubDlg->ShowWindow(m_bExpanded ? SW_SHOW : SW_HIDE);
        m_pSubDlg->m_bExpanded = m_bExpanded;
    }
}

void CBaseParameterDlg::SavePlacement()
{
    if (m_pOwnerDlg || !m_hWnd)
        return;
    SavePlacementTo(m_hWnd, m_bExpanded, &s_placement);
}

void CBaseParameterDlg::RestorePlacement()
{
    CWnd* pParent = GetParent();
    MoveToPlacement(m_hWnd, pParent ? pParent->GetSafeHwnd() : MainWindow(), s_placement);
    m_bExpanded = s_placement.expanded ? TRUE : FALSE;
    UpdateStateIcon();
    if (!m_pSubDlg)
        ApplyExpandState();
}

void CBaseParameterDlg::NotifyClosed()
{
    PostToMainWindow(WM_KEL_PARAMDLGCLOSED);
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
    CDialog::OnDestroy();
}

void CBaseParameterDlg::OnMove(int x, int y)
{
    CDialog::OnMove(x, y);
    if (m_pSubDlg && m_pSubDlg->m_hWnd)
    {
        CRect upper, lower;
        GetWindowRect(&upper);
        m_pSubDlg->GetWindowRect(&lower);
        m_pSubDlg->MoveWindow(upper.left, upper.top + m_nFullHeight, lower.Width(), lower.Height(), TRUE);
    }
}

LRESULT CBaseParameterDlg::OnNcActivate(WPARAM wParam, LPARAM lParam)
{
    // A floating dialog keeps its caption active while the user works in the main window;
    // lParam -1 asks for the given state.
    return DefWindowProc(WM_NCACTIVATE, lParam == -1 ? wParam : TRUE, lParam);
}

void CBaseParameterDlg::OnSysCommand(UINT nID, LPARAM lParam)
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
