// Frame windows: CFrameWnd (a top-level window with a menu, accelerators, control bars and a view
// or other pane filling the rest), CMDIFrameWnd (the main window of a many-document program, its
// pane the MDI client) and CMDIChildWnd (a document's frame inside the MDI client).
//
// Layout: RecalcLayout sends WM_SIZEPARENT (lParam an AFX_SIZEPARENTPARAMS) to every child of the
// frame but the pane (AFX_IDW_PANE_FIRST). A control bar answers by taking its strip off
// params.rect (and moving itself there); the pane gets what is left. Idle: the frame and its
// descendants get WM_IDLEUPDATECMDUI (wParam TRUE: disable items without a handler); a bar updates
// its buttons then with CCmdUI through the frame's OnCmdMsg.
#pragma once

#include "afxres.h"
#include "mfc/DocTemplate.h"
#include "mfc/Wnd.h"
#include "win32/mdi.h"

class CControlBar;
class CDocument;
class CMDIChildWnd;
class CView;

// Frame styles kept in the window style's low word.
#define FWS_ADDTOTITLE 0x00008000L
#define FWS_PREFIXTITLE 0x00004000L
#define FWS_SNAPTOBARS 0x00002000L

// The first window-list command of an MDI frame's Window menu.
#define AFX_IDM_FIRST_MDICHILD 0xFF00

// The layout a frame hands its control bars (WM_SIZEPARENT).
struct AFX_SIZEPARENTPARAMS
{
    void* hDWP = nullptr; // unused: bars move themselves
    RECT rect{};          // what is still free, in the frame's client coordinates
    SIZE sizeTotal{};     // the space the bars took
    BOOL bStretch = TRUE; // bars stretch across the free width/height
};

class CFrameWnd : public CWnd
{
    DECLARE_DYNCREATE(CFrameWnd)
public:
    static const CRect rectDefault; // CW_USEDEFAULT everywhere

    CFrameWnd();
    ~CFrameWnd() override;

    // Creates the frame. lpszMenuName: a MENU resource for the menu bar. FALSE on failure.
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
                const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCTSTR lpszMenuName = nullptr,
                DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
    // Creates the frame from one resource id: its menu, accelerators, icon and title (the first
    // "\n" part of the string). FALSE on failure.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);

    // ---- Views and documents
    CView* GetActiveView() const { return m_pViewActive; }
    // Makes pViewNew the active view (its OnActivateView, the old one's too, when bNotify).
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual CDocument* GetActiveDocument();
    // The frame commands go to: the active MDI child of an MDI frame, else this frame.
    virtual CFrameWnd* GetActiveFrame();
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
    virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    // Shows (nCmdShow -1: as it is, or normally when hidden), raises and activates the frame.
    virtual void ActivateFrame(int nCmdShow = -1);

    // ---- Layout, title, menu
    // Positions the control bars, then the pane in what is left.
    virtual void RecalcLayout(BOOL bNotify = TRUE);
    // Lays out the children between nIDFirst and nIDLast (the bars) and gives the rest to the
    // child nIDLeftOver (0: none). lpRectClient: the area to use (NULL: the client area).
    void RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, LPCRECT lpRectClient = nullptr);
    // Layout and title updates wait for the next idle time.
    void DelayRecalcLayout(BOOL bNotify = TRUE);
    void DelayUpdateFrameTitle();
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
    // "Doc - App" (FWS_PREFIXTITLE) or "App - Doc", with ":n" for the n-th window of a document.
    void UpdateFrameTitleForDocument(LPCTSTR lpszDocName);
    void SetTitle(LPCTSTR lpszTitle) { m_strTitle = lpszTitle ? lpszTitle : ""; }
    CString GetTitle() const { return m_strTitle; }
    virtual void OnUpdateFrameMenu(HMENU hMenuAlt);
    // The status-bar text of a command: the first "\n" part of its string.
    virtual void GetMessageString(UINT nID, CString& rMessage) const;
    // Shows a text (or string nID) in the message pane of the status bar (child AFX_IDW_STATUS_BAR).
    void SetMessageText(LPCTSTR lpszText);
    void SetMessageText(UINT nID);
    // The frame's idle work: delayed title and layout, then the bars' command state.
    void OnIdleUpdateCmdUI();

    // ---- Docked bars
    // Gives the frame dock bars on the edges of dwDockStyle (CBRS_ALIGN_*: TOP and LEFT make the
    // top dock bar, BOTTOM and RIGHT the bottom one).
    void EnableDocking(DWORD dwDockStyle);
    // Docks pBar on the dock bar nDockBarID (AFX_IDW_DOCKBAR_*; LEFT means TOP and RIGHT
    // BOTTOM), or with 0 on the first edge, top before bottom, that both the bar and the frame
    // allow. lpRect (screen coordinates, may be NULL) picks the row: see CDockBar::Dock. Nothing
    // happens when no such dock bar exists.
    void DockControlBar(CControlBar* pBar, UINT nDockBarID = 0, LPCRECT lpRect = nullptr);
    // Shows or hides pBar; the frame lays out again now, or at the next idle time with bDelay.
    void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay);
    // The bar with the id among the frame's children and in its dock bars; NULL when none.
    CControlBar* GetControlBar(UINT nID);

    // ---- Help commands (for the application's or frame's message map)
    // ID_HELP: help on the active popup or frame (its m_nIDHelp), else the contents.
    void OnHelp();
    // ID_HELP_INDEX, ID_DEFAULT_HELP: the help file's contents.
    void OnHelpIndex();
    // ID_HELP_FINDER: the help file's contents with its search.
    void OnHelpFinder();
    // ID_HELP_USING: help on using help.
    void OnHelpUsing();
    // ID_CONTEXT_HELP: help on the active frame's topic.
    void OnContextHelp();

    // ---- Routing
    // Active view (which asks its document), this frame, then the application.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    // The frame's accelerators for key messages.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    // Frames delete themselves with their window.
    void PostNcDestroy() override;
    CFrameWnd* GetFrameWndPtr() override { return this; }
    BOOL IsFrameWnd() const override { return TRUE; }
    // The application's main window when this is it.
    BOOL IsMainFrame() const;

    // ---- Message handlers
    int OnCreate(LPCREATESTRUCT lpcs);
    void OnClose();
    void OnDestroy();
    void OnNcDestroy();
    void OnSize(UINT nType, int cx, int cy);
    void OnSetFocus(CWnd* pOldWnd);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    // Runs the update handlers of a popup's items; items without a handler are disabled when
    // m_bAutoMenuEnable.
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    // The status bar shows the prompt of the menu item under the mouse, and the idle text once
    // the menu closes.
    void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    // Each dropped file opens through the application's OpenDocumentFile.
    void OnDropFiles(HDROP hDropInfo);
    LRESULT OnIdleUpdateCmdUIMsg(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetMessageString(WPARAM wParam, LPARAM lParam);

    BOOL m_bAutoMenuEnable = TRUE;
    HACCEL m_hAccelTable = nullptr;
    HMENU m_hMenuDefault = nullptr; // the menu of LoadFrame
    UINT m_nIDHelp = 0;
    CString m_strTitle;
    int m_nWindow = -1; // the document's window number, -1 when it has one window
    CView* m_pViewActive = nullptr;
    UINT m_nIdleFlags = 0;
    enum IdleFlags
    {
        idleMenu = 1,
        idleTitle = 2,
        idleNotify = 4,
        idleLayout = 8
    };

protected:
    // The frame's own menu, loaded by LoadFrame and destroyed with the frame.
    bool m_bOwnMenu = false;
    bool m_bInRecalcLayout = false;

    DECLARE_MESSAGE_MAP()
};

class CMDIFrameWnd : public CFrameWnd
{
    DECLARE_DYNCREATE(CMDIFrameWnd)
public:
    CMDIFrameWnd();

    BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                   CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
    // Creates the MDI client with the Window popup of the menu for its window list.
    virtual BOOL CreateClient(LPCREATESTRUCT lpCreateStruct, CMenu* pWindowMenu);
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
    // The popup holding the Window commands in a menu bar; NULL when there is none.
    virtual HMENU GetWindowMenuPopup(HMENU hMenuBar);

    void MDIActivate(CWnd* pWndActivate);
    // The active child, NULL when none; *pbMaximized tells whether it is maximized.
    CMDIChildWnd* MDIGetActive(BOOL* pbMaximized = nullptr) const;
    void MDIIconArrange();
    void MDIMaximize(CWnd* pWnd);
    void MDINext();
    void MDIPrev();
    void MDIRestore(CWnd* pWnd);
    // Puts pFrameMenu on the bar and moves the window list to pWindowMenu; returns the old bar.
    CMenu* MDISetMenu(CMenu* pFrameMenu, CMenu* pWindowMenu);
    void MDITile();
    void MDITile(int nType);
    void MDICascade();
    void MDICascade(int nType);

    CFrameWnd* GetActiveFrame() override;
    // The active child first, then this frame.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    // The active child's accelerators, then the frame's.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // "App - [Doc]" while a child is active, "App" otherwise.
    void OnUpdateFrameTitle(BOOL bAddToTitle) override;
    // The default menu when no child is active.
    void OnUpdateFrameMenu(HMENU hMenuAlt) override;
    void RecalcLayout(BOOL bNotify = TRUE) override;

    BOOL OnMDIWindowCmd(UINT nID);
    void OnUpdateMDIWindowCmd(CCmdUI* pCmdUI);
    void OnWindowNew();
    void OnDestroy();

    HWND m_hWndMDIClient = nullptr;

protected:
    DECLARE_MESSAGE_MAP()
};

class CMDIChildWnd : public CFrameWnd
{
    DECLARE_DYNCREATE(CMDIChildWnd)
public:
    CMDIChildWnd();

    // Creates the child in pParentWnd's MDI client (NULL: the main window's).
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName,
                        DWORD dwStyle = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW,
                        const RECT& rect = rectDefault, CMDIFrameWnd* pParentWnd = nullptr,
                        CCreateContext* pContext = nullptr);
    // The child's title from the resource, the template's shared menu and accelerators.
    BOOL LoadFrame(UINT nIDResource,
                   DWORD dwDefaultStyle = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                   CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
    CMDIFrameWnd* GetMDIFrame() const;

    void MDIDestroy();
    void MDIActivate();
    void MDIMaximize();
    void MDIRestore();

    // Goes through the MDI client so the window list and the active child stay right.
    BOOL DestroyWindow() override;
    void ActivateFrame(int nCmdShow = -1) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnUpdateFrameTitle(BOOL bAddToTitle) override;
    // Puts the template's menu on the main frame when the child becomes active (bActive).
    virtual void OnUpdateFrameMenu(BOOL bActive, CWnd* pActivateWnd, HMENU hMenuAlt);

    void OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd* pDeactivateWnd);
    LRESULT OnMDIActivateMsg(WPARAM wParam, LPARAM lParam);

    HMENU m_hMenuShared = nullptr; // the template's menu, not owned

protected:
    DECLARE_MESSAGE_MAP()
};
