#include "mfc/Frame.h"

#include "afxres.h"
#include "mfc/DocTemplate.h"
#include "mfc/Document.h"
#include "mfc/Menu.h"
#include "mfc/ModuleState.h"
#include "mfc/View.h"
#include "mfc/WinApp.h"
#include "win32/resources.h"
#include "win32/shell.h"

#include <cstring>
#include <string>

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

namespace
{

// The creation context a frame's WM_CREATE carries: directly, or inside the MDICREATESTRUCT of a
// document window.
CCreateContext* ContextOf(const CREATESTRUCT* lpcs)
{
    if (lpcs == nullptr || lpcs->lpCreateParams == nullptr)
        return nullptr;
    if (lpcs->dwExStyle & WS_EX_MDICHILD)
        return reinterpret_cast<CCreateContext*>(
            static_cast<const MDICREATESTRUCT*>(lpcs->lpCreateParams)->lParam);
    return static_cast<CCreateContext*>(lpcs->lpCreateParams);
}

HICON FrameIcon(UINT nIDResource)
{
    LPCTSTR name = MAKEINTRESOURCE(nIDResource);
    return ::LoadIcon(AfxFindResourceHandle(name, RT_GROUP_ICON), name);
}

void SetIcons(HWND hWnd, HICON hIcon)
{
    if (hIcon == nullptr)
        return;
    ::SendMessage(hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    ::SendMessage(hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
}

void SetTextIfChanged(CWnd* pWnd, const CString& text)
{
    CString old;
    pWnd->GetWindowText(old);
    if (old != text)
        pWnd->SetWindowText(text);
}

} // namespace

// ---- CFrameWnd -------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_CLOSE()
ON_WM_DESTROY()
ON_WM_NCDESTROY()
ON_WM_SIZE()
ON_WM_SETFOCUS()
ON_WM_ACTIVATE()
ON_WM_INITMENUPOPUP()
ON_WM_MENUSELECT()
ON_WM_DROPFILES()
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUIMsg)
ON_MESSAGE(WM_SETMESSAGESTRING, OnSetMessageString)
END_MESSAGE_MAP()

CFrameWnd::CFrameWnd() = default;
CFrameWnd::~CFrameWnd() = default;

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == nullptr)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_3DFACE + 1)));
    // A single-document frame reads "Doc - App".
    if ((cs.style & FWS_ADDTOTITLE) && !(cs.style & WS_CHILD))
        cs.style |= FWS_PREFIXTITLE;
    return TRUE;
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext)
{
    HMENU hMenu = nullptr;
    if (lpszMenuName != nullptr)
        hMenu = ::LoadMenu(AfxFindResourceHandle(lpszMenuName, RT_MENU), lpszMenuName);
    m_strTitle = lpszWindowName ? lpszWindowName : "";
    int x = rect.left, y = rect.top, cx = rect.right - rect.left, cy = rect.bottom - rect.top;
    if (rect.left == CW_USEDEFAULT)
        x = y = cx = cy = CW_USEDEFAULT;
    // A failed creation may already have deleted this object (PostNcDestroy).
    if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, cx, cy,
                  pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr, hMenu, pContext))
    {
        if (hMenu != nullptr && ::IsMenu(hMenu))
            ::DestroyMenu(hMenu);
        return FALSE;
    }
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext)
{
    m_nIDHelp = nIDResource;
    CString strFull;
    if (strFull.LoadString(nIDResource))
        AfxExtractSubString(m_strTitle, strFull, 0, '\n');
    const CString title = m_strTitle;
    HICON hIcon = FrameIcon(nIDResource);
    LPCTSTR name = MAKEINTRESOURCE(nIDResource);
    // A frame without a MENU resource of its id simply has no menu bar.
    if (!Create(nullptr, title, dwDefaultStyle, rectDefault, pParentWnd, name, 0, pContext))
        return FALSE;
    m_hMenuDefault = ::GetMenu(m_hWnd);
    m_hAccelTable = ::LoadAccelerators(AfxFindResourceHandle(name, RT_ACCELERATOR), name);
    SetIcons(m_hWnd, hIcon);
    if (pContext == nullptr)
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs)
{
    if (CWnd::OnCreate(lpcs) == -1)
        return -1;
    if (!OnCreateClient(lpcs, ContextOf(lpcs)))
        return -1;
    RecalcLayout();
    // The status bar, made after this by the derived frame, starts with the idle text.
    PostMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext)
{
    (void)lpcs;
    if (pContext != nullptr && pContext->m_pNewViewClass != nullptr)
        return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID)
{
    if (pContext == nullptr || pContext->m_pNewViewClass == nullptr)
        return nullptr;
    CObject* pObject = pContext->m_pNewViewClass->CreateObject();
    auto* pView = dynamic_cast<CWnd*>(pObject);
    if (pView == nullptr)
    {
        delete pObject;
        return nullptr;
    }
    // The view deletes itself if its window fails after creation started.
    if (!pView->CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), this, nID, pContext))
        return nullptr;
    return pView;
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify)
{
    CView* pViewOld = m_pViewActive;
    if (pViewNew == pViewOld)
        return;
    m_pViewActive = nullptr; // no active view while the old one hears it is no longer
    if (pViewOld != nullptr && bNotify)
        pViewOld->OnActivateView(FALSE, pViewNew, pViewOld);
    m_pViewActive = pViewNew;
    if (pViewNew != nullptr && bNotify)
        pViewNew->OnActivateView(TRUE, pViewNew, pViewOld);
}

CDocument* CFrameWnd::GetActiveDocument()
{
    CFrameWnd* pFrame = GetActiveFrame();
    CView* pView = pFrame != nullptr ? pFrame->GetActiveView() : nullptr;
    return pView != nullptr ? pView->GetDocument() : nullptr;
}

CFrameWnd* CFrameWnd::GetActiveFrame()
{
    return this;
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible)
{
    CView* pView = GetActiveView();
    if (pView == nullptr)
    {
        pView = dynamic_cast<CView*>(CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST)));
        if (pView != nullptr)
            SetActiveView(pView, FALSE);
    }
    if (bMakeVisible)
    {
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
        if (pView != nullptr)
            pView->OnActivateFrame(WA_INACTIVE, this);
        ActivateFrame();
        if (pView != nullptr)
            pView->OnActivateView(TRUE, pView, pView);
    }
    if (pDoc != nullptr)
        pDoc->UpdateFrameCounts();
    OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::ActivateFrame(int nCmdShow)
{
    if (nCmdShow == -1)
    {
        if (!IsWindowVisible())
            nCmdShow = SW_SHOWNORMAL;
        else if (IsIconic())
            nCmdShow = SW_RESTORE;
    }
    if (nCmdShow != -1)
        ShowWindow(nCmdShow);
    BringWindowToTop();
}

BOOL CFrameWnd::IsMainFrame() const
{
    CWinThread* pThread = AfxGetThread();
    return pThread != nullptr && pThread->m_pMainWnd == this;
}

// ---- Layout

void CFrameWnd::RecalcLayout(BOOL bNotify)
{
    (void)bNotify;
    if (m_bInRecalcLayout || m_hWnd == nullptr)
        return;
    m_bInRecalcLayout = true;
    m_nIdleFlags &= ~static_cast<UINT>(idleLayout);
    RepositionBars(0, 0xFFFF, AFX_IDW_PANE_FIRST);
    m_bInRecalcLayout = false;
}

void CFrameWnd::RepositionBars(UINT nIDFirst, UINT nIDLast, UINT nIDLeftOver, LPCRECT lpRectClient)
{
    AFX_SIZEPARENTPARAMS layout;
    if (lpRectClient != nullptr)
        layout.rect = *lpRectClient;
    else
        GetClientRect(&layout.rect);
    HWND hLeftOver = nullptr;
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT))
    {
        const UINT nID = static_cast<UINT>(::GetDlgCtrlID(hChild));
        if (nID == nIDLeftOver && nIDLeftOver != 0)
            hLeftOver = hChild;
        else if (nID >= nIDFirst && nID <= nIDLast)
            ::SendMessage(hChild, WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&layout));
    }
    if (hLeftOver != nullptr)
    {
        const RECT& r = layout.rect;
        ::MoveWindow(hLeftOver, r.left, r.top, std::max<LONG>(0, r.right - r.left),
                     std::max<LONG>(0, r.bottom - r.top), TRUE);
    }
}

void CFrameWnd::DelayRecalcLayout(BOOL bNotify)
{
    m_nIdleFlags |= idleLayout | (bNotify ? idleNotify : 0);
}

void CFrameWnd::DelayUpdateFrameTitle()
{
    m_nIdleFlags |= idleTitle;
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy)
{
    (void)cx, (void)cy;
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

// ---- Title and menu

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle)
{
    if (!(GetStyle() & FWS_ADDTOTITLE))
        return;
    CDocument* pDocument = GetActiveDocument();
    UpdateFrameTitleForDocument(bAddToTitle && pDocument != nullptr ? pDocument->GetTitle().GetString()
                                                                    : nullptr);
}

void CFrameWnd::UpdateFrameTitleForDocument(LPCTSTR lpszDocName)
{
    CString title;
    CString doc = lpszDocName ? lpszDocName : "";
    if (!doc.IsEmpty() && m_nWindow > 0)
        doc.AppendFormat(":%d", m_nWindow);
    if (doc.IsEmpty())
        title = m_strTitle;
    else if (GetStyle() & FWS_PREFIXTITLE)
        title = m_strTitle.IsEmpty() ? doc : doc + " - " + m_strTitle;
    else
        title = m_strTitle.IsEmpty() ? doc : m_strTitle + " - " + doc;
    SetTextIfChanged(this, title);
}

void CFrameWnd::OnUpdateFrameMenu(HMENU hMenuAlt)
{
    if (hMenuAlt == nullptr)
        hMenuAlt = m_hMenuDefault;
    if (hMenuAlt != nullptr && ::GetMenu(m_hWnd) != hMenuAlt)
        ::SetMenu(m_hWnd, hMenuAlt);
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const
{
    CString full;
    rMessage.Empty();
    if (full.LoadString(nID))
        AfxExtractSubString(rMessage, full, 0, '\n');
}

void CFrameWnd::SetMessageText(LPCTSTR lpszText)
{
    SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(lpszText));
}

void CFrameWnd::SetMessageText(UINT nID)
{
    SendMessage(WM_SETMESSAGESTRING, nID, 0);
}

LRESULT CFrameWnd::OnSetMessageString(WPARAM wParam, LPARAM lParam)
{
    // The status bar (when there is one) shows it in its first pane.
    HWND hBar = ::GetDlgItem(m_hWnd, AFX_IDW_STATUS_BAR);
    if (hBar == nullptr)
        return 0;
    CString text;
    if (lParam != 0)
        text = reinterpret_cast<LPCTSTR>(lParam);
    else if (wParam != 0)
        GetMessageString(static_cast<UINT>(wParam), text);
    ::SetWindowText(hBar, text);
    return 0;
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu)
{
    if (nFlags == 0xFFFF && hSysMenu == nullptr)
        SetMessageText(AFX_IDS_IDLEMESSAGE); // the menus closed
    else if (nItemID != 0 && !(nFlags & (MF_POPUP | MF_SEPARATOR)))
        SetMessageText(nItemID);
    else
        SetMessageText("");
}

void CFrameWnd::OnDropFiles(HDROP hDropInfo)
{
    SetActiveWindow();
    CWinApp* pApp = AfxGetApp();
    const UINT count = ::DragQueryFile(hDropInfo, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count && pApp != nullptr; ++i)
    {
        std::string name(::DragQueryFile(hDropInfo, i, nullptr, 0) + 1, '\0');
        if (::DragQueryFile(hDropInfo, i, name.data(), static_cast<UINT>(name.size())) == 0)
            continue;
        name.resize(std::strlen(name.c_str()));
        pApp->OpenDocumentFile(name.c_str());
    }
    ::DragFinish(hDropInfo);
}

// ---- Help

void CFrameWnd::OnHelp()
{
    // The active frame's topic when it has one, else the contents.
    CFrameWnd* pFrame = GetActiveFrame();
    const UINT nIDHelp = pFrame != nullptr && pFrame->m_nIDHelp != 0 ? pFrame->m_nIDHelp : m_nIDHelp;
    if (CWinApp* pApp = AfxGetApp())
    {
        if (nIDHelp != 0)
            pApp->WinHelp(HID_BASE_RESOURCE + nIDHelp, HELP_CONTEXT);
        else
            pApp->WinHelp(0, HELP_CONTENTS);
    }
}

void CFrameWnd::OnHelpIndex()
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->WinHelp(0, HELP_CONTENTS);
}

void CFrameWnd::OnHelpFinder()
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->WinHelp(0, HELP_FINDER);
}

void CFrameWnd::OnHelpUsing()
{
    if (CWinApp* pApp = AfxGetApp())
        pApp->WinHelp(0, HELP_HELPONHELP);
}

void CFrameWnd::OnContextHelp()
{
    OnHelp();
}

// ---- Idle and menus

void CFrameWnd::OnIdleUpdateCmdUI()
{
    const UINT flags = m_nIdleFlags;
    m_nIdleFlags = 0;
    if (flags & idleMenu)
        OnUpdateFrameMenu(nullptr);
    if (flags & idleTitle)
        OnUpdateFrameTitle(TRUE);
    if (flags & idleLayout)
        RecalcLayout(flags & idleNotify);
}

LRESULT CFrameWnd::OnIdleUpdateCmdUIMsg(WPARAM wParam, LPARAM lParam)
{
    (void)wParam, (void)lParam;
    OnIdleUpdateCmdUI();
    return 0;
}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu)
{
    (void)nIndex;
    if (bSysMenu || pPopupMenu == nullptr)
        return;
    CCmdUI state;
    state.m_pMenu = pPopupMenu;
    state.m_nIndexMax = pPopupMenu->GetMenuItemCount();
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex)
    {
        state.m_nID = pPopupMenu->GetMenuItemID(static_cast<int>(state.m_nIndex));
        // Separators, submenus and the system's and the window list's ids are not ours to update.
        if (state.m_nID == 0 || state.m_nID == static_cast<UINT>(-1))
            continue;
        state.m_pSubMenu = nullptr;
        const BOOL bAuto = m_bAutoMenuEnable && state.m_nID < 0xF000;
        state.DoUpdate(this, bAuto);
        // Nothing touched it and a handler exists: an item grayed while nothing handled it comes
        // back.
        if (bAuto && !state.m_bEnableChanged)
            state.Enable(TRUE);
        // A handler may have added or removed items (the recent-file list).
        const UINT nCount = pPopupMenu->GetMenuItemCount();
        if (nCount < state.m_nIndexMax)
        {
            const UINT removed = state.m_nIndexMax - nCount;
            state.m_nIndex = state.m_nIndex >= removed ? state.m_nIndex - removed : 0;
            while (state.m_nIndex < nCount &&
                   pPopupMenu->GetMenuItemID(static_cast<int>(state.m_nIndex)) == state.m_nID)
                ++state.m_nIndex;
        }
        state.m_nIndexMax = nCount;
    }
}

// ---- Routing

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // The active view first; it asks its document.
    CView* pView = GetActiveView();
    if (pView != nullptr && pView->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    // A document window leaves the application to its main frame, which asks it after itself.
    if (GetStyle() & WS_CHILD)
        return FALSE;
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable != nullptr &&
        ::TranslateAccelerator(m_hWnd, m_hAccelTable, pMsg))
        return TRUE;
    return CWnd::PreTranslateMessage(pMsg);
}

// ---- Closing

void CFrameWnd::OnClose()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr && pApp->m_pMainWnd == this)
    {
        // The main window: every modified document is asked about first.
        if (!pApp->SaveAllModified())
            return;
        HWND hWnd = m_hWnd;
        pApp->CloseAllDocuments(FALSE);
        if (!::IsWindow(hWnd))
            return;
        DestroyWindow();
        return;
    }
    CDocument* pDocument = GetActiveDocument();
    if (pDocument != nullptr)
    {
        if (!pDocument->CanCloseFrame(this))
            return;
        // The document's last frame takes the document along.
        bool bOtherFrame = false;
        for (POSITION pos = pDocument->GetFirstViewPosition(); pos != nullptr;)
        {
            CView* pView = pDocument->GetNextView(pos);
            if (pView != nullptr && pView->GetParentFrame() != this)
                bOtherFrame = true;
        }
        if (!bOtherFrame && pDocument->m_bAutoDelete)
        {
            pDocument->OnCloseDocument();
            return;
        }
        pDocument->PreCloseFrame(this);
    }
    DestroyWindow();
}

void CFrameWnd::OnDestroy()
{
    // The window destroys the menu it holds: give it back its own, so a template's shared menu
    // survives.
    if (m_hMenuDefault != nullptr && !(GetStyle() & WS_CHILD) && ::GetMenu(m_hWnd) != m_hMenuDefault)
        ::SetMenu(m_hWnd, m_hMenuDefault);
    CWnd::OnDestroy();
}

void CFrameWnd::OnNcDestroy()
{
    // The main window going ends the thread's message loop.
    CWinThread* pThread = AfxGetThread();
    if (pThread != nullptr && pThread->m_pMainWnd == this)
    {
        pThread->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    CWnd::OnNcDestroy();
}

void CFrameWnd::PostNcDestroy()
{
    delete this;
}

void CFrameWnd::OnSetFocus(CWnd* pOldWnd)
{
    if (m_pViewActive != nullptr && m_pViewActive->m_hWnd != nullptr)
        m_pViewActive->SetFocus();
    else
        CWnd::OnSetFocus(pOldWnd);
}

void CFrameWnd::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized)
{
    CWnd::OnActivate(nState, pWndOther, bMinimized);
    if (nState == WA_INACTIVE || bMinimized)
        return;
    CFrameWnd* pFrame = GetActiveFrame();
    CView* pView = pFrame != nullptr ? pFrame->GetActiveView() : nullptr;
    if (pView != nullptr && pView->m_hWnd != nullptr)
        pView->SetFocus();
}

// ---- CMDIFrameWnd -----------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
ON_WM_DESTROY()
ON_COMMAND_EX(ID_WINDOW_ARRANGE, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_CASCADE, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_TILE_HORZ, OnMDIWindowCmd)
ON_COMMAND_EX(ID_WINDOW_TILE_VERT, OnMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_ARRANGE, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_CASCADE, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_HORZ, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_TILE_VERT, OnUpdateMDIWindowCmd)
ON_UPDATE_COMMAND_UI(ID_WINDOW_NEW, OnUpdateMDIWindowCmd)
ON_COMMAND(ID_WINDOW_NEW, OnWindowNew)
END_MESSAGE_MAP()

CMDIFrameWnd::CMDIFrameWnd() = default;

BOOL CMDIFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                             CCreateContext* pContext)
{
    return CFrameWnd::LoadFrame(nIDResource, dwDefaultStyle, pParentWnd, pContext);
}

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext)
{
    (void)pContext;
    HMENU hWindowMenu = GetWindowMenuPopup(::GetMenu(m_hWnd));
    return CreateClient(lpcs, hWindowMenu != nullptr ? CMenu::FromHandle(hWindowMenu) : nullptr);
}

BOOL CMDIFrameWnd::CreateClient(LPCREATESTRUCT lpCreateStruct, CMenu* pWindowMenu)
{
    (void)lpCreateStruct;
    kel::ui::RegisterMdiClientClass();
    CLIENTCREATESTRUCT ccs{pWindowMenu != nullptr ? pWindowMenu->m_hMenu : nullptr, AFX_IDM_FIRST_MDICHILD};
    RECT rc{};
    GetClientRect(&rc);
    m_hWndMDIClient = ::CreateWindowEx(
        0, MDICLIENT_CLASS, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | MDIS_ALLCHILDSTYLES, 0, 0,
        rc.right, rc.bottom, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)),
        AfxGetInstanceHandle(), &ccs);
    return m_hWndMDIClient != nullptr;
}

HMENU CMDIFrameWnd::GetWindowMenuPopup(HMENU hMenuBar)
{
    if (hMenuBar == nullptr)
        return nullptr;
    // The last popup holding one of the Window commands.
    for (int i = ::GetMenuItemCount(hMenuBar) - 1; i >= 0; --i)
    {
        HMENU hPopup = ::GetSubMenu(hMenuBar, i);
        if (hPopup == nullptr)
            continue;
        for (int j = 0, n = ::GetMenuItemCount(hPopup); j < n; ++j)
        {
            const UINT id = ::GetMenuItemID(hPopup, j);
            if (id >= ID_WINDOW_NEW && id <= ID_WINDOW_SPLIT)
                return hPopup;
        }
    }
    return nullptr;
}

void CMDIFrameWnd::MDIActivate(CWnd* pWndActivate)
{
    if (pWndActivate != nullptr)
        ::SendMessage(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(pWndActivate->m_hWnd), 0);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* pbMaximized) const
{
    if (m_hWndMDIClient == nullptr)
    {
        if (pbMaximized != nullptr)
            *pbMaximized = FALSE;
        return nullptr;
    }
    HWND hWnd = reinterpret_cast<HWND>(
        ::SendMessage(m_hWndMDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(pbMaximized)));
    return dynamic_cast<CMDIChildWnd*>(CWnd::FromHandlePermanent(hWnd));
}

void CMDIFrameWnd::MDIIconArrange()
{
    ::SendMessage(m_hWndMDIClient, WM_MDIICONARRANGE, 0, 0);
}

void CMDIFrameWnd::MDIMaximize(CWnd* pWnd)
{
    if (pWnd != nullptr)
        ::SendMessage(m_hWndMDIClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(pWnd->m_hWnd), 0);
}

void CMDIFrameWnd::MDINext()
{
    ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 0);
}

void CMDIFrameWnd::MDIPrev()
{
    ::SendMessage(m_hWndMDIClient, WM_MDINEXT, 0, 1);
}

void CMDIFrameWnd::MDIRestore(CWnd* pWnd)
{
    if (pWnd != nullptr)
        ::SendMessage(m_hWndMDIClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(pWnd->m_hWnd), 0);
}

CMenu* CMDIFrameWnd::MDISetMenu(CMenu* pFrameMenu, CMenu* pWindowMenu)
{
    HMENU hOld = reinterpret_cast<HMENU>(::SendMessage(
        m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(pFrameMenu ? pFrameMenu->m_hMenu : nullptr),
        reinterpret_cast<LPARAM>(pWindowMenu ? pWindowMenu->m_hMenu : nullptr)));
    return CMenu::FromHandle(hOld);
}

void CMDIFrameWnd::MDITile()
{
    ::SendMessage(m_hWndMDIClient, WM_MDITILE, 0, 0);
}

void CMDIFrameWnd::MDITile(int nType)
{
    ::SendMessage(m_hWndMDIClient, WM_MDITILE, static_cast<WPARAM>(nType), 0);
}

void CMDIFrameWnd::MDICascade()
{
    ::SendMessage(m_hWndMDIClient, WM_MDICASCADE, 0, 0);
}

void CMDIFrameWnd::MDICascade(int nType)
{
    ::SendMessage(m_hWndMDIClient, WM_MDICASCADE, static_cast<WPARAM>(nType), 0);
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame()
{
    CMDIChildWnd* pChild = MDIGetActive();
    return pChild != nullptr ? static_cast<CFrameWnd*>(pChild) : this;
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // The active document window (its view, its document, itself) first.
    CMDIChildWnd* pChild = MDIGetActive();
    if (pChild != nullptr && pChild->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return CFrameWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
    {
        // The active document's accelerators, in the frame's name.
        CMDIChildWnd* pChild = MDIGetActive();
        if (pChild != nullptr && pChild->m_hAccelTable != nullptr &&
            ::TranslateAccelerator(m_hWnd, pChild->m_hAccelTable, pMsg))
            return TRUE;
        if (m_hAccelTable != nullptr && ::TranslateAccelerator(m_hWnd, m_hAccelTable, pMsg))
            return TRUE;
        if (m_hWndMDIClient != nullptr && ::TranslateMDISysAccel(m_hWndMDIClient, pMsg))
            return TRUE;
    }
    return CWnd::PreTranslateMessage(pMsg);
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefFrameProc(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

void CMDIFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle)
{
    if (!(GetStyle() & FWS_ADDTOTITLE))
        return;
    CMDIChildWnd* pChild = MDIGetActive();
    CDocument* pDocument = pChild != nullptr ? pChild->GetActiveDocument() : nullptr;
    CString title = m_strTitle;
    if (bAddToTitle && pDocument != nullptr)
    {
        CString doc = pDocument->GetTitle();
        if (pChild->m_nWindow > 0)
            doc.AppendFormat(":%d", pChild->m_nWindow);
        title = m_strTitle.IsEmpty() ? doc : m_strTitle + " - [" + doc + "]";
    }
    SetTextIfChanged(this, title);
}

void CMDIFrameWnd::OnUpdateFrameMenu(HMENU hMenuAlt)
{
    CMDIChildWnd* pChild = MDIGetActive();
    if (pChild != nullptr)
    {
        pChild->OnUpdateFrameMenu(TRUE, pChild, hMenuAlt);
        return;
    }
    HMENU hMenu = hMenuAlt != nullptr ? hMenuAlt : m_hMenuDefault;
    if (hMenu == nullptr)
        return;
    MDISetMenu(CMenu::FromHandle(hMenu), CMenu::FromHandle(GetWindowMenuPopup(hMenu)));
    DrawMenuBar();
}

void CMDIFrameWnd::RecalcLayout(BOOL bNotify)
{
    CFrameWnd::RecalcLayout(bNotify);
}

BOOL CMDIFrameWnd::OnMDIWindowCmd(UINT nID)
{
    switch (nID)
    {
    case ID_WINDOW_ARRANGE:
        MDIIconArrange();
        return TRUE;
    case ID_WINDOW_CASCADE:
        MDICascade();
        return TRUE;
    case ID_WINDOW_TILE_HORZ:
        MDITile(MDITILE_HORIZONTAL);
        return TRUE;
    case ID_WINDOW_TILE_VERT:
        MDITile(MDITILE_VERTICAL);
        return TRUE;
    default:
        return FALSE;
    }
}

void CMDIFrameWnd::OnUpdateMDIWindowCmd(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(MDIGetActive() != nullptr);
}

void CMDIFrameWnd::OnWindowNew()
{
    // Another frame on the active document.
    CMDIChildWnd* pActive = MDIGetActive();
    CDocument* pDocument = pActive != nullptr ? pActive->GetActiveDocument() : nullptr;
    CDocTemplate* pTemplate = pDocument != nullptr ? pDocument->GetDocTemplate() : nullptr;
    if (pTemplate == nullptr)
        return;
    CFrameWnd* pFrame = pTemplate->CreateNewFrame(pDocument, pActive);
    if (pFrame == nullptr)
        return;
    pTemplate->InitialUpdateFrame(pFrame, pDocument);
}

void CMDIFrameWnd::OnDestroy()
{
    CFrameWnd::OnDestroy();
}

// ---- CMDIChildWnd ----------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
ON_MESSAGE(WM_MDIACTIVATE, OnMDIActivateMsg)
END_MESSAGE_MAP()

CMDIChildWnd::CMDIChildWnd() = default;

BOOL CMDIChildWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    cs.style = (cs.style | WS_CHILD) & ~WS_POPUP;
    cs.dwExStyle |= WS_EX_MDICHILD;
    return CFrameWnd::PreCreateWindow(cs);
}

BOOL CMDIChildWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                          CMDIFrameWnd* pParentWnd, CCreateContext* pContext)
{
    if (pParentWnd == nullptr)
        pParentWnd = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
    if (pParentWnd == nullptr || pParentWnd->m_hWndMDIClient == nullptr)
    {
        // As for any other failure: the caller takes the frame for gone.
        PostNcDestroy();
        return FALSE;
    }
    m_strTitle = lpszWindowName ? lpszWindowName : "";
    CREATESTRUCT cs{};
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    if (rect.left != CW_USEDEFAULT)
    {
        cs.x = rect.left;
        cs.y = rect.top;
        cs.cx = rect.right - rect.left;
        cs.cy = rect.bottom - rect.top;
    }
    cs.hwndParent = pParentWnd->m_hWndMDIClient;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = pContext;
    if (!PreCreateWindow(cs))
    {
        PostNcDestroy();
        return FALSE;
    }
    // Shown by ActivateFrame once the view is ready.
    MDICREATESTRUCT mcs{cs.lpszClass,
                        cs.lpszName,
                        cs.hInstance,
                        cs.x,
                        cs.y,
                        cs.cx,
                        cs.cy,
                        static_cast<DWORD>(cs.style & ~static_cast<LONG>(WS_MAXIMIZE | WS_VISIBLE)),
                        reinterpret_cast<LPARAM>(cs.lpCreateParams)};
    kel::mfc::HookWindowCreate(this);
    HWND hWnd = reinterpret_cast<HWND>(
        ::SendMessage(pParentWnd->m_hWndMDIClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    kel::mfc::UnhookWindowCreate();
    if (hWnd == nullptr)
        return FALSE; // the object may be gone already (PostNcDestroy)
    if (cs.style & WS_VISIBLE)
        ActivateFrame();
    return TRUE;
}

BOOL CMDIChildWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                             CCreateContext* pContext)
{
    m_nIDHelp = nIDResource;
    CString strFull;
    if (strFull.LoadString(nIDResource))
        AfxExtractSubString(m_strTitle, strFull, 0, '\n');
    // The template's menu and accelerators, known before the first activation.
    auto* pTemplate =
        pContext != nullptr ? dynamic_cast<CMultiDocTemplate*>(pContext->m_pNewDocTemplate) : nullptr;
    if (pTemplate != nullptr)
    {
        m_hMenuShared = pTemplate->m_hMenuShared;
        m_hAccelTable = pTemplate->m_hAccelTable;
    }
    HICON hIcon = FrameIcon(nIDResource);
    const CString title = m_strTitle;
    if (!Create(nullptr, title, dwDefaultStyle, rectDefault, dynamic_cast<CMDIFrameWnd*>(pParentWnd),
                pContext))
        return FALSE;
    SetIcons(m_hWnd, hIcon);
    if (pContext == nullptr)
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    return TRUE;
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const
{
    HWND hClient = ::GetParent(m_hWnd);
    HWND hFrame = hClient != nullptr ? ::GetParent(hClient) : nullptr;
    return dynamic_cast<CMDIFrameWnd*>(CWnd::FromHandlePermanent(hFrame));
}

void CMDIChildWnd::MDIDestroy()
{
    ::SendMessage(::GetParent(m_hWnd), WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::MDIActivate()
{
    ::SendMessage(::GetParent(m_hWnd), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::MDIMaximize()
{
    ::SendMessage(::GetParent(m_hWnd), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::MDIRestore()
{
    ::SendMessage(::GetParent(m_hWnd), WM_MDIRESTORE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CMDIChildWnd::DestroyWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr)
        return FALSE;
    MDIDestroy();
    // A window the client did not know still goes.
    if (::IsWindow(hWnd))
        return CWnd::DestroyWindow();
    return TRUE;
}

void CMDIChildWnd::ActivateFrame(int nCmdShow)
{
    CMDIFrameWnd* pFrame = GetMDIFrame();
    if (nCmdShow == -1)
    {
        BOOL bMaximized = FALSE;
        if (pFrame != nullptr)
            pFrame->MDIGetActive(&bMaximized);
        if (!IsWindowVisible())
            nCmdShow = SW_SHOWNORMAL;
        else if (IsIconic())
            nCmdShow = SW_RESTORE;
        if (bMaximized && nCmdShow != -1)
            nCmdShow = SW_SHOWMAXIMIZED;
    }
    if (nCmdShow == SW_SHOWMAXIMIZED || nCmdShow == SW_MAXIMIZE)
    {
        ShowWindow(SW_SHOWNORMAL);
        MDIMaximize();
    }
    else if (nCmdShow != -1)
        ShowWindow(nCmdShow);
    MDIActivate();
    if (pFrame != nullptr)
        pFrame->ActivateFrame(-1);
}

BOOL CMDIChildWnd::PreTranslateMessage(MSG* pMsg)
{
    // Accelerators are the main frame's business (it knows the active child's table).
    return CWnd::PreTranslateMessage(pMsg);
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefMDIChildProc(m_hWnd, message, wParam, lParam);
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL bAddToTitle)
{
    if (GetStyle() & FWS_ADDTOTITLE)
    {
        CDocument* pDocument = GetActiveDocument();
        CString title = bAddToTitle && pDocument != nullptr ? pDocument->GetTitle() : m_strTitle;
        if (m_nWindow > 0)
            title.AppendFormat(":%d", m_nWindow);
        SetTextIfChanged(this, title);
    }
    if (CMDIFrameWnd* pFrame = GetMDIFrame())
        pFrame->OnUpdateFrameTitle(TRUE);
}

void CMDIChildWnd::OnUpdateFrameMenu(BOOL bActive, CWnd* pActivateWnd, HMENU hMenuAlt)
{
    CMDIFrameWnd* pFrame = GetMDIFrame();
    if (pFrame == nullptr)
        return;
    HMENU hMenu = nullptr;
    if (bActive)
        hMenu = hMenuAlt != nullptr ? hMenuAlt
                                    : (m_hMenuShared != nullptr ? m_hMenuShared : pFrame->m_hMenuDefault);
    else if (pActivateWnd == nullptr)
        hMenu = pFrame->m_hMenuDefault; // the last document window went: back to the frame's menu
    if (hMenu == nullptr)
        return;
    pFrame->MDISetMenu(CMenu::FromHandle(hMenu), CMenu::FromHandle(pFrame->GetWindowMenuPopup(hMenu)));
    pFrame->DrawMenuBar();
}

void CMDIChildWnd::OnMDIActivate(BOOL bActivate, CWnd* pActivateWnd, CWnd* pDeactivateWnd)
{
    (void)pDeactivateWnd;
    CView* pView = GetActiveView();
    if (!bActivate && pView != nullptr)
        pView->OnActivateView(FALSE, pView, pView);
    OnUpdateFrameMenu(bActivate, pActivateWnd, nullptr);
    if (bActivate && pView != nullptr)
        pView->OnActivateView(TRUE, pView, pView);
    if (CMDIFrameWnd* pFrame = GetMDIFrame())
        pFrame->OnUpdateFrameTitle(TRUE);
}

LRESULT CMDIChildWnd::OnMDIActivateMsg(WPARAM wParam, LPARAM lParam)
{
    HWND hDeactivate = reinterpret_cast<HWND>(wParam);
    HWND hActivate = reinterpret_cast<HWND>(lParam);
    OnMDIActivate(hActivate == m_hWnd, CWnd::FromHandle(hActivate), CWnd::FromHandle(hDeactivate));
    return 0;
}
