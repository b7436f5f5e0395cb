#include "dialogs/CollapsibleDlg.h"

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

} // namespace kel::basedlg

using namespace kel::basedlg;

namespace
{

HICON LoadStateIcon(UINT id)
{
    return ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(id));
}

// What a WM_SYSCOMMAND means to a collapsible dialog.
enum class SysCommandAction
{
    Toggle,           // a click on the caption icon: collapse or expand
    ValidateAndClose, // a close: validate first, then default processing
    Default
};

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

} // namespace

IMPLEMENT_DYNAMIC(CCollapsibleDlg, CDialog)

BEGIN_MESSAGE_MAP(CCollapsibleDlg, CDialog)
ON_MESSAGE(WM_NCACTIVATE, OnNcActivate)
ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

CCollapsibleDlg::CCollapsibleDlg(UINT nIDTemplate, CWnd* pParent, CDlgPlacement& placement,
                                 UINT closedMessage, BOOL bEnabled)
    : CDialog(nIDTemplate, pParent), m_nTemplateId(nIDTemplate), m_bEnabled(bEnabled),
      m_hIconCollapsed(LoadStateIcon(kIconCollapsed)), m_hIconExpanded(LoadStateIcon(kIconExpanded)),
      m_placement(placement), m_closedMessage(closedMessage)
{
}

void CCollapsibleDlg::EnableControls(BOOL bEnable)
{
    m_bEnabled = bEnable;
}

void CCollapsibleDlg::RefreshControls()
{
    UpdateData(FALSE);
}

BOOL CCollapsibleDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    m_nFullHeight = window.Height();
    m_nWidth = window.Width();
    m_nCollapsedHeight = m_nFullHeight - client.Height(); // caption and borders alone
    return TRUE;
}

void CCollapsibleDlg::UpdateStateIcon()
{
    SendMessage(WM_SETICON, ICON_BIG,
                reinterpret_cast<LPARAM>(m_bExpanded ? m_hIconExpanded : m_hIconCollapsed));
}

void CCollapsibleDlg::ApplyExpandState()
{
    CRect rc;
    GetWindowRect(&rc);
    SetWindowPos(nullptr, 0, 0, rc.Width(), m_bExpanded ? m_nFullHeight : m_nCollapsedHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CCollapsibleDlg::SavePlacement()
{
    if (!m_hWnd)
        return;
    RECT dlg, main{0, 0, 0, 0};
    ::GetWindowRect(m_hWnd, &dlg);
    if (HWND hMain = MainWindow())
        ::GetWindowRect(hMain, &main);
    m_placement.x = dlg.left - main.left;
    m_placement.y = dlg.top - main.top;
    m_placement.expanded = m_bExpanded ? 1 : 0;
}

void CCollapsibleDlg::RestorePosition()
{
    CWnd* pParent = GetParent();
    const HWND hParent = pParent ? pParent->GetSafeHwnd() : MainWindow();
    RECT parent{0, 0, 0, 0};
    if (hParent)
        ::GetWindowRect(hParent, &parent);
    int left = parent.left + m_placement.x;
    int top = parent.top + m_placement.y;
    if (left < 0 || left > GetSystemMetrics(SM_CXFULLSCREEN))
        left = parent.left;
    if (top < 0 || top > GetSystemMetrics(SM_CYFULLSCREEN))
        top = parent.top;
    CRect rc;
    GetWindowRect(&rc);
    MoveWindow(left, top, rc.Width(), rc.Height(), TRUE);
    m_bExpanded = m_placement.expanded ? TRUE : FALSE;
    UpdateStateIcon();
}

void CCollapsibleDlg::RestorePlacement()
{
    RestorePosition();
    ApplyExpandState();
}

void CCollapsibleDlg::NotifyClosed()
{
    PostToMainWindow(m_closedMessage);
}

LRESULT CCollapsibleDlg::OnNcActivate(WPARAM wParam, LPARAM lParam)
{
    // A floating dialog keeps its caption active while the user works in the main window;
    // lParam -1 asks for the given state.
    return DefWindowProc(WM_NCACTIVATE, lParam == -1 ? wParam : TRUE, lParam);
}

void CCollapsibleDlg::OnSysCommand(UINT nID, LPARAM lParam)
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
