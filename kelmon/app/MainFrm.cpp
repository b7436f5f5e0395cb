#include "app/MainFrm.h"

#include "KelMessages.h"
#include "app/IdleWatcher.h"
#include "app/KelApp.h"
#include "app/MaintenanceScheduleDlg.h"
#include "app/WindowActivationManager.h"
#include "dialogs/BaseParameterDlg.h"
#include "dialogs/CollapsibleDlg.h"
#include "displays/ChartHost.h"
#include "doc/KelDoc.h"
#include "foundation/AppUiState.h"
#include "res/resource.h"
#include "settings/AppSettings.h"
#include "view/KelView.h"

#include <htmlhelp.h>

#include <cstring>
#include <string>

namespace
{
const UINT kIndicators[] = {ID_SEPARATOR};

// An offset of a modeless dialog from the main window: 0 when it lies off the screen.
int OnScreen(int value, int metric)
{
    return value < 0 || value > ::GetSystemMetrics(metric) ? 0 : value;
}
} // namespace

bool OpenHelpFile()
{
    const std::string topic = std::string(static_cast<LPCTSTR>(HelpFilePath())) + "::/html/NewFeatures.htm";
    return ::HtmlHelp(::GetDesktopWindow(), topic.c_str(), HH_DISPLAY_TOPIC, 0) != nullptr;
}

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_COMMAND(ID_VIEW_TIME_AXIS_BAR, OnToggleTimeAxisBar)
ON_UPDATE_COMMAND_UI(ID_VIEW_TIME_AXIS_BAR, OnUpdateToggleTimeAxisBar)
ON_WM_CLOSE()
ON_COMMAND(ID_HELP_INDEX, OnHelpIndex)
ON_COMMAND(ID_DEFAULT_HELP, OnHelpIndex)
ON_COMMAND(ID_HELP, OnHelpIndex)
ON_COMMAND(ID_HELP_USING, CFrameWnd::OnHelpUsing)
ON_COMMAND(ID_CONTEXT_HELP, CFrameWnd::OnContextHelp)
ON_COMMAND(ID_VIEW_CONTROL_BAR, OnViewControlBar)
ON_UPDATE_COMMAND_UI(ID_VIEW_CONTROL_BAR, OnUpdateViewControlBar)
ON_COMMAND(ID_SCAN_PARAMETERS, OnScanParameters)
ON_UPDATE_COMMAND_UI(ID_SCAN_PARAMETERS, OnUpdateScanParameters)
ON_COMMAND(ID_SCAN_SCHEDULE, OnSchedule)
ON_UPDATE_COMMAND_UI(ID_SCAN_SCHEDULE, OnUpdateSchedule)
ON_COMMAND(ID_MAINTENANCE_SCHEDULE, OnMaintenanceSchedule)
ON_UPDATE_COMMAND_UI(ID_MAINTENANCE_SCHEDULE, OnUpdateMaintenanceSchedule)
ON_MESSAGE(WM_KEL_PARAMDLGCLOSED, OnParamDlgClosed)
ON_MESSAGE(WM_KEL_PARAMSCHANGED, OnParamsChanged)
ON_MESSAGE(WM_KEL_SCHEDDLGCLOSED, OnSchedDlgClosed)
ON_MESSAGE(WM_KEL_SCHEDULECHANGED, OnScheduleChanged)
ON_MESSAGE(WM_KEL_PARAMSAPPLIED, OnParamsApplied)
ON_WM_COPYDATA()
ON_MESSAGE(WM_NCACTIVATE, OnNcActivate)
ON_WM_ACTIVATEAPP()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.lpszClass = kMainFrameClass;
    if (!CMDIFrameWnd::PreCreateWindow(cs))
        return FALSE;
    const CAppSettings* settings = CAppSettings::GetInstance();
    const int x = settings->m_windowX, y = settings->m_windowY;
    const int cx = settings->m_windowCx, cy = settings->m_windowCy;
    const int screenX = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenY = ::GetSystemMetrics(SM_CYSCREEN);
    const bool refused = (x < 0 && x + cx < 0) || x > screenX - 5 || (y < 0 && y + cy < 0) ||
                         y > screenY - 5 || cx <= screenX / 12 || cy <= screenY / 12;
    if (!refused)
    {
        cs.x = x;
        cs.y = y;
        cs.cx = cx;
        cs.cy = cy;
    }
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CMDIFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT,
                               WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                                   CBRS_SIZE_DYNAMIC,
                               CRect(0, 0, 0, 0), AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, 1))
        return -1;
    if (!m_wndChartBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                                CRect(0, 0, 0, 0), AFX_IDW_TOOLBAR) ||
        !m_wndChartBar.LoadToolBar(IDR_CHARTBAR))
        return -1;
    m_wndChartBar.SetBarStyle(m_wndChartBar.GetBarStyle() | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                              CBRS_SIZE_DYNAMIC);
    ChartHostInitRT();
    WGEnableErrorMessages(1);
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    m_wndChartBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    DockControlBarLeftOf(&m_wndChartBar, &m_wndToolBar);
    RestoreDialogPlacement();
    // The modeless scan dialogs post their notices here and stand relative to this window.
    kel::basedlg::SetMainWindow(m_hWnd);
    return 0;
}

void CMainFrame::DockControlBarLeftOf(CControlBar* bar, CControlBar* leftBar)
{
    CRect frame;
    GetWindowRect(&frame);
    RecalcLayout(TRUE);
    CRect rect;
    leftBar->GetWindowRect(&rect);
    rect.OffsetRect(frame.Width(), 0);
    rect.bottom += 1;
    const DWORD style = leftBar->GetBarStyle();
    UINT dockBar = 0;
    if (style & CBRS_ALIGN_TOP)
        dockBar = AFX_IDW_DOCKBAR_TOP;
    else if (style & CBRS_ALIGN_BOTTOM)
        dockBar = AFX_IDW_DOCKBAR_BOTTOM;
    else if (style & CBRS_ALIGN_LEFT)
        dockBar = AFX_IDW_DOCKBAR_LEFT;
    else if (style & CBRS_ALIGN_RIGHT)
        dockBar = AFX_IDW_DOCKBAR_RIGHT;
    DockControlBar(bar, dockBar, &rect);
}

void CMainFrame::RestoreDialogPlacement()
{
    const CAppSettings* settings = CAppSettings::GetInstance();
    LoadDialogPlacements(*settings);
    m_nParamDlgTop = OnScreen(settings->m_paramDlgTop, SM_CYFULLSCREEN);
    m_nScheduleDlgLeft = OnScreen(settings->m_scheduleDlgLeft, SM_CXFULLSCREEN);
    m_nScheduleDlgTop = OnScreen(settings->m_scheduleDlgTop, SM_CYFULLSCREEN);
}

void CMainFrame::SaveDialogPlacement()
{
    StoreDialogPlacements(*CAppSettings::GetInstance());
}

void CMainFrame::SaveWindowRect()
{
    CRect rect;
    if (IsIconic())
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(&placement);
        rect = placement.rcNormalPosition;
    }
    else
        GetWindowRect(&rect);
    CAppSettings* settings = CAppSettings::GetInstance();
    settings->m_windowX = rect.left;
    settings->m_windowY = rect.top;
    settings->m_windowCx = rect.Width();
    settings->m_windowCy = rect.Height();
}

BOOL CMainFrame::OnCopyData(CWnd* /*pWnd*/, COPYDATASTRUCT* pCopyDataStruct)
{
    CString path;
    if (ReadSecondInstanceData(pCopyDataStruct, path))
        AfxGetApp()->OpenDocumentFile(path);
    return FALSE;
}

LRESULT CMainFrame::OnNcActivate(WPARAM wParam, LPARAM lParam)
{
    // Losing the activation to one of our own modeless dialogs leaves the caption active.
    if (wParam)
        CMDIFrameWnd::DefWindowProc(WM_NCACTIVATE, wParam, lParam);
    return TRUE;
}

void CMainFrame::OnActivateApp(BOOL bActive, DWORD /*dwThreadID*/)
{
    Default();
    CMDIFrameWnd::DefWindowProc(WM_NCACTIVATE, bActive, 0);
    CWindowActivationManager::Instance()->OnActivateApp(bActive);
}

void CMainFrame::OnClose()
{
    CWinApp* app = AfxGetApp();
    for (POSITION tpos = app->GetFirstDocTemplatePosition(); tpos != nullptr;)
    {
        CDocTemplate* docTemplate = app->GetNextDocTemplate(tpos);
        for (POSITION dpos = docTemplate->GetFirstDocPosition(); dpos != nullptr;)
        {
            CDocument* doc = docTemplate->GetNextDoc(dpos);
            if (doc && doc->IsKindOf(RUNTIME_CLASS(CKelDoc)) &&
                static_cast<CKelDoc*>(doc)->WarnIfScanRunning())
                return;
        }
    }
    SaveWindowRect();
    SaveDialogPlacement();
    CMDIFrameWnd::OnClose(); // may destroy this frame
    ChartHostCleanup(1);
}

void CMainFrame::OnDestroy()
{
    SaveDialogPlacement();
    SaveWindowRect();
    kel::basedlg::SetMainWindow(NULL);
    CMDIFrameWnd::OnDestroy();
    ChartHostCleanup(1);
}

void CMainFrame::OnToggleTimeAxisBar()
{
    CWnd* bar = GetDlgItem(IDW_SCAN_BAR);
    if (!bar)
        return;
    bar->ShowWindow(bar->IsWindowVisible() ? SW_HIDE : SW_SHOW);
    m_bTimeAxisBar = !m_bTimeAxisBar;
    RecalcLayout();
}

void CMainFrame::OnUpdateToggleTimeAxisBar(CCmdUI* pCmdUI)
{
    if (CWnd* bar = GetDlgItem(IDW_SCAN_BAR))
        pCmdUI->SetCheck(bar->IsWindowVisible() ? 1 : 0);
}

void CMainFrame::OnHelpIndex()
{
    OpenHelpFile();
}

void CMainFrame::OnViewControlBar()
{
    ShowControlBar(&m_wndChartBar, !m_wndChartBar.IsWindowVisible(), FALSE);
}

void CMainFrame::OnUpdateViewControlBar(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_wndChartBar.IsWindowVisible() ? 1 : 0);
}

CKelView* CMainFrame::GetActiveKelViewOfChild()
{
    CMDIChildWnd* child = MDIGetActive();
    if (!child)
        return nullptr;
    // The notices go to the active view whatever its class, as they always did.
    return static_cast<CKelView*>(child->GetActiveView());
}

void CMainFrame::OnScanParameters()
{
    CAppUiState* state = CAppUiState::GetInstance();
    state->m_bParamDlgShown = !state->m_bParamDlgShown;
    if (CKelView* view = GetActiveKelViewOfChild())
        view->ShowParameterDialog(state->m_bParamDlgShown);
}

void CMainFrame::OnUpdateScanParameters(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(CAppUiState::GetInstance()->m_bParamDlgShown ? 1 : 0);
}

void CMainFrame::OnSchedule()
{
    CAppUiState* state = CAppUiState::GetInstance();
    state->m_bScheduleDlgShown = !state->m_bScheduleDlgShown;
    if (CKelView* view = GetActiveKelViewOfChild())
        view->ShowScheduleDialog(state->m_bScheduleDlgShown);
}

void CMainFrame::OnUpdateSchedule(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(CAppUiState::GetInstance()->m_bScheduleDlgShown ? 1 : 0);
}

void CMainFrame::OnMaintenanceSchedule()
{
    CAppSettings* settings = CAppSettings::GetInstance();
    CMaintenanceScheduleDlg dialog(this);
    dialog.m_nFilamentIndex = settings->m_filamentMaintenance;
    dialog.m_nCemIndex = settings->m_cemMaintenance;
    if (dialog.DoModal() == IDOK)
    {
        settings->m_filamentMaintenance = dialog.m_nFilamentIndex;
        settings->m_cemMaintenance = dialog.m_nCemIndex;
    }
    CIdleWatcher* watcher = CIdleWatcher::GetInstance();
    watcher->m_nCemDelay = MaintenanceDelayMinutes(settings->m_cemMaintenance);
    watcher->m_nFilamentDelay = MaintenanceDelayMinutes(settings->m_filamentMaintenance);
    watcher->Arm();
}

void CMainFrame::OnUpdateMaintenanceSchedule(CCmdUI* pCmdUI)
{
    const CAppSettings* settings = CAppSettings::GetInstance();
    pCmdUI->Enable(TRUE);
    pCmdUI->SetCheck(settings->m_filamentMaintenance != 0 || settings->m_cemMaintenance != 0 ? 1 : 0);
}

LRESULT CMainFrame::OnParamDlgClosed(WPARAM, LPARAM)
{
    CAppUiState::GetInstance()->m_bParamDlgShown = 0;
    return 0;
}

LRESULT CMainFrame::OnParamsChanged(WPARAM, LPARAM)
{
    CKelView* view = GetActiveKelViewOfChild();
    if (!view)
        return 0;
    view->OnParamsChanged();
    return 1;
}

LRESULT CMainFrame::OnSchedDlgClosed(WPARAM, LPARAM)
{
    CAppUiState::GetInstance()->m_bScheduleDlgShown = 0;
    return 0;
}

LRESULT CMainFrame::OnScheduleChanged(WPARAM, LPARAM)
{
    CKelView* view = GetActiveKelViewOfChild();
    if (!view)
        return 0;
    view->OnScheduleChanged();
    return 1;
}

LRESULT CMainFrame::OnParamsApplied(WPARAM, LPARAM)
{
    CKelView* view = GetActiveKelViewOfChild();
    if (!view)
        return 0;
    view->OnParamsApplied();
    return 1;
}
