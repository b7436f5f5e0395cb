// kelterm's frame: toolbar, status bar, the empty client window and the two panes side by side,
// the instrument list taking 38 % of the width.
#pragma once

#include <afxext.h>

#include "shell/ClientWnd.h"
#include "shell/LeftPaneDlg.h"
#include "shell/RightPaneDlg.h"

class CMainFrame : public CFrameWnd
{
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    // Commands go to the client window first, then to the frame.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    CLeftPaneDlg& GetLeftPane() { return m_wndLeftPane; }
    CRightPaneDlg& GetRightPane() { return m_wndRightPane; }
    CToolBar& GetToolBar() { return m_wndToolBar; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnClose();
    void OnDestroy();
    void OnSetFocus(CWnd* pOldWnd);
    void OnClearTerminal();
    void OnInfo();

protected:
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CClientWnd m_wndClient;
    CLeftPaneDlg m_wndLeftPane;
    CRightPaneDlg m_wndRightPane;
    int m_nToolBarHeight = 0;
    int m_nStatusBarHeight = 0;
    // Kept at creation; nothing reads them.
    CSize m_leftPaneSize;
    int m_nBaseUnitHeight = 0, m_cyMenu = 0, m_cyCaption = 0, m_cyFrame = 0;

    DECLARE_MESSAGE_MAP()
};
