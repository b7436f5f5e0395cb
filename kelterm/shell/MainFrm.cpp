#include "shell/MainFrm.h"

#include "ResourceDll.h"
#include "engine/TerminalEngine.h"
#include "ports/PortList.h"
#include "shell/InfoDialog.h"

namespace
{
constexpr UINT kClientId = 10;
constexpr double kLeftShare = 0.38;
const UINT kIndicators[] = {ID_SEPARATOR};
} // namespace

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_SETFOCUS()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_SIZE()
ON_COMMAND(ID_CLEAR_TERMINAL, OnClearTerminal)
ON_COMMAND(ID_INFO, OnInfo)
END_MESSAGE_MAP()

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame()
{
    CResourceDll::Instance()->RestoreHandle();
    CTerminalEngine::DestroyInstance();
    CPortList::Destroy();
    CResourceDll::Unload();
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
    cs.lpszClass = AfxRegisterWndClass(0);
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!m_wndClient.Create(this, kClientId))
        return -1;
    if (!m_wndLeftPane.Create(IDD_LEFT_PANE, this) || !m_wndRightPane.Create(IDD_RIGHT_PANE, this))
        return -1;
    CRect pane;
    m_wndLeftPane.GetClientRect(&pane);
    m_leftPaneSize = pane.Size();
    m_nBaseUnitHeight = HIWORD(GetDialogBaseUnits());
    m_cyMenu = GetSystemMetrics(SM_CYMENU);
    m_cyCaption = GetSystemMetrics(SM_CYCAPTION);
    m_cyFrame = GetSystemMetrics(SM_CYFRAME);
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT,
                               WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                                   CBRS_SIZE_DYNAMIC) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, 1))
        return -1;
    CTerminalEngine::GetInstance();
    return 0;
}

BOOL CMainFrame::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (m_wndClient.GetSafeHwnd() && m_wndClient.OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CMainFrame::OnSize(UINT nType, int cx, int cy)
{
    CFrameWnd::OnSize(nType, cx, cy);
    if (!m_wndLeftPane.GetSafeHwnd() || !m_wndRightPane.GetSafeHwnd())
        return;
    // The bars as the frame's layout has just placed them (the frame itself may not be shown yet).
    CRect rect;
    m_nToolBarHeight = 0;
    m_nStatusBarHeight = 0;
    if (m_wndToolBar.GetSafeHwnd() && (m_wndToolBar.GetStyle() & WS_VISIBLE))
    {
        m_wndToolBar.GetWindowRect(&rect);
        m_nToolBarHeight = rect.Height();
    }
    if (m_wndStatusBar.GetSafeHwnd() && (m_wndStatusBar.GetStyle() & WS_VISIBLE))
    {
        m_wndStatusBar.GetWindowRect(&rect);
        m_nStatusBarHeight = rect.Height();
    }
    CRect client;
    GetClientRect(&client);
    const int width = static_cast<int>(client.Width() * kLeftShare);
    const int height = cy - (m_nToolBarHeight + m_nStatusBarHeight);
    m_wndLeftPane.MoveWindow(0, m_nToolBarHeight, width, height, TRUE);
    m_wndRightPane.MoveWindow(width, m_nToolBarHeight, cx - width, height, TRUE);
}

void CMainFrame::OnClose()
{
    if (CTerminalEngine::GetInstance()->CloseWithConfirmation())
        CFrameWnd::OnClose();
}

void CMainFrame::OnDestroy()
{
    // The window is going whatever anyone answers now: the port is closed (threads ended) before
    // the engine is deleted with the frame.
    if (CTerminalEngine* engine = CTerminalEngine::PeekInstance())
        engine->ClosePort();
    CFrameWnd::OnDestroy();
}

void CMainFrame::OnSetFocus(CWnd*)
{
    if (m_wndClient.GetSafeHwnd())
        m_wndClient.SetFocus();
}

void CMainFrame::OnClearTerminal()
{
    m_wndRightPane.OnClear();
}

void CMainFrame::OnInfo()
{
    CInfoDialog dialog(this);
    dialog.DoModal();
}
