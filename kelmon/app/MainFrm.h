// kelmon's main window: the frame of the instrument windows, with the main and zoom toolbars and
// the status bar. It remembers its own rectangle and the modeless scan dialogs' places, receives
// the document path of a second start, hands the scan dialogs' notices to the active view, opens
// the maintenance schedule and starts and ends the charting libraries.
#pragma once

#include <afxext.h>
#include <afxwin.h>

#include "app/ScanBar.h"

class CKelView;

// The window class of the main frame, by which a second start finds the running one.
constexpr const char* kMainFrameClass = "ZolKel3_0Class";

// Opens the help file's start page (the file next to the program); true when the help window came up.
bool OpenHelpFile();

class CMainFrame : public CMDIFrameWnd
{
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

    // Docks bar on the row of leftBar, to its right.
    void DockControlBarLeftOf(CControlBar* bar, CControlBar* leftBar);
    // The modeless dialogs' places from the settings into the dialogs' records, and back.
    void RestoreDialogPlacement();
    void SaveDialogPlacement();
    // The frame's rectangle into the settings (the normal one while minimised).
    void SaveWindowRect();

    CToolBar& GetMainToolBar() { return m_wndToolBar; }
    CToolBar& GetChartToolBar() { return m_wndChartBar; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }
    int IsTimeAxisBarShown() const { return m_bTimeAxisBar; }

    // Handlers (public so the program's tests can drive them as the messages would).
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnClose();
    void OnDestroy();
    BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
    void OnActivateApp(BOOL bActive, DWORD dwThreadID);
    LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);
    void OnToggleTimeAxisBar();
    void OnUpdateToggleTimeAxisBar(CCmdUI* pCmdUI);
    void OnHelpIndex();
    void OnViewControlBar();
    void OnUpdateViewControlBar(CCmdUI* pCmdUI);
    void OnScanParameters();
    void OnUpdateScanParameters(CCmdUI* pCmdUI);
    void OnSchedule();
    void OnUpdateSchedule(CCmdUI* pCmdUI);
    void OnMaintenanceSchedule();
    void OnUpdateMaintenanceSchedule(CCmdUI* pCmdUI);
    LRESULT OnParamDlgClosed(WPARAM wParam, LPARAM lParam);
    LRESULT OnParamsChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnSchedDlgClosed(WPARAM wParam, LPARAM lParam);
    LRESULT OnScheduleChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnParamsApplied(WPARAM wParam, LPARAM lParam);

protected:
    // The active instrument window's view (any view class), or null.
    CKelView* GetActiveKelViewOfChild();

    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    // Kept for the time-axis and history commands; no window is made for it, so they find none.
    CScanBar m_wndScanBar;
    CToolBar m_wndChartBar;
    int m_nParamDlgTop = 0;
    int m_nScheduleDlgLeft = 0;
    int m_nScheduleDlgTop = 0;
    int m_bTimeAxisBar = 0;

    DECLARE_MESSAGE_MAP()
};
