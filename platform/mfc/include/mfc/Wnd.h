// CWnd: a C++ object attached to a window handle. Windows created through CWnd, subclassed with
// SubclassWindow/SubclassDlgItem, or made by CDialog are "permanent": their messages run through
// AfxWndProc -> WindowProc -> OnWndMsg -> the message map -> DefWindowProc (the original window
// procedure for subclassed controls). FromHandle gives temporary objects for other handles; they
// live until DeleteTempMap (called on idle).
#pragma once

#include "mfc/CmdTarget.h"
#include "mfc/Geometry.h"

class CDataExchange;
class CFrameWnd;
class CMenu;
class CScrollBar;
class CFont;
DECLARE_HANDLE(HDROP);

// The window procedure of every permanent CWnd.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls pWnd's WindowProc for one message, keeping the message for Default().
LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// The framework's window class name for plain windows (registered on first use): "AfxWnd".
LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr,
                            HICON hIcon = nullptr);
// Registers a window class of the program's own. A class on DefWindowProc is registered on the
// framework's procedure instead (windows without an object still get DefWindowProc), so a CWnd
// created on it is attached from its first message. TRUE when it is registered now or already
// was; FALSE when it cannot be.
BOOL AfxRegisterClass(WNDCLASS* lpWndClass);

class CWnd : public CCmdTarget
{
    DECLARE_DYNCREATE(CWnd)
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // ---- Handle maps
    // The permanent object of hWnd, else a temporary CWnd (kept until DeleteTempMap); NULL for NULL.
    static CWnd* FromHandle(HWND hWnd);
    // The permanent object of hWnd (this thread's), NULL when there is none.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Deletes the temporary objects FromHandle made on this thread.
    static void DeleteTempMap();
    // Makes this the permanent object of hWndNew (no subclassing). FALSE when hWndNew is NULL or
    // this object already has a window.
    BOOL Attach(HWND hWndNew);
    // Forgets the window without destroying it; returns it.
    HWND Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    BOOL operator==(const CWnd& wnd) const { return m_hWnd == wnd.m_hWnd; }
    BOOL operator!=(const CWnd& wnd) const { return m_hWnd != wnd.m_hWnd; }

    // ---- Creation and destruction
    // Creates a child window (dwStyle gets WS_CHILD). lpszClassName NULL: the framework's class.
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, void* pContext = nullptr);
    // Creates any window. The object is attached before WM_NCCREATE reaches it for windows of the
    // framework's classes; for other classes (controls) right after creation, then subclassed.
    // FALSE on failure (the object stays empty).
    virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                          int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                          LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    virtual BOOL DestroyWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    // Called after WM_NCDESTROY, when the object has let go of its window. Objects that delete
    // themselves do it here.
    virtual void PostNcDestroy();
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // ---- Subclassing
    // Attaches and routes the window's messages through AfxWndProc, keeping its procedure for
    // DefWindowProc. FALSE for a bad handle or when already attached to a window.
    BOOL SubclassWindow(HWND hWnd);
    // SubclassWindow for the child nID of pParent. FALSE when there is no such child.
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Puts the original procedure back and detaches; returns the window.
    HWND UnsubclassWindow();
    virtual void PreSubclassWindow();

    // ---- Message handling
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message map dispatch: TRUE with *pResult when a handler took the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled.
    LRESULT Default();
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A message a child sent its parent, offered back to the child (reflection). TRUE when the
    // child handled it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Offers the message to the permanent object of hWndChild. TRUE when it handled it.
    static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Runs a message through every descendant's window procedure (bDeep: grandchildren too).
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE,
                                  BOOL bOnlyPerm = FALSE);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // ---- Dialog data
    // Loads controls from members (FALSE) or checks and stores them (TRUE). FALSE when a
    // validation failed: the user was told and the focus is on the failing control.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    // ---- Children and dialog items
    CWnd* GetDlgItem(int nID) const;
    void GetDlgItem(int nID, HWND* phWnd) const;
    void SetDlgItemText(int nID, LPCTSTR lpszString);
    int GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const;
    int GetDlgItemText(int nID, CString& rString) const;
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE);
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const;
    void CheckDlgButton(int nIDButton, UINT nCheck);
    UINT IsDlgButtonChecked(int nIDButton) const;
    void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton);
    // Id of the checked button among the ids, 0 when none is.
    int GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton) const;
    int GetDlgCtrlID() const;
    int SetDlgCtrlID(int nID);
    CWnd* GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;
    CWnd* GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious = FALSE) const;

    // ---- Tree
    CWnd* GetParent() const;
    CWnd* SetParent(CWnd* pWndNewParent);
    CWnd* GetOwner() const;
    void SetOwner(CWnd* pOwnerWnd);
    CWnd* GetTopLevelParent() const;
    CWnd* GetTopLevelOwner() const;
    // The nearest enclosing frame window; NULL when there is none.
    CFrameWnd* GetParentFrame() const;
    CFrameWnd* GetTopLevelFrame() const;
    CWnd* GetWindow(UINT nCmd) const;
    CWnd* GetTopWindow() const;
    CWnd* GetNextWindow(UINT nFlag = GW_HWNDNEXT) const;
    BOOL IsChild(const CWnd* pWnd) const;
    static CWnd* GetActiveWindow();
    CWnd* SetActiveWindow();
    static CWnd* GetForegroundWindow();
    BOOL SetForegroundWindow();
    static CWnd* GetDesktopWindow();
    static CWnd* FindWindow(LPCTSTR lpszClassName, LPCTSTR lpszWindowName);
    static CWnd* WindowFromPoint(POINT point);
    CWnd* ChildWindowFromPoint(POINT point) const;
    // The frame override returns itself; everything else is not a frame.
    virtual CFrameWnd* GetFrameWndPtr() { return nullptr; }
    virtual BOOL IsFrameWnd() const { return FALSE; }

    // ---- State and styles
    BOOL IsWindowEnabled() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowVisible() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL IsIconic() const;
    BOOL IsZoomed() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    // Removes then adds style bits; nFlags nonzero also calls SetWindowPos with them (plus
    // SWP_NOSIZE|SWP_NOMOVE|SWP_NOZORDER|SWP_NOACTIVATE). FALSE when nothing changed.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    static BOOL ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);
    static BOOL ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags);
    // Lets the window receive WM_DROPFILES for files dropped on it (or stops it).
    void DragAcceptFiles(BOOL bAccept = TRUE);
    BOOL m_bAcceptFiles = FALSE;

    // ---- Geometry
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    void MapWindowPoints(CWnd* pwndTo, LPPOINT lpPoint, UINT nCount) const;
    void MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const;
    // Centres on pAlternateOwner, else the owner/parent, else the screen.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    void BringWindowToTop();
    BOOL GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const;
    BOOL SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl);

    // ---- Painting
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void ValidateRect(LPCRECT lpRect);
    void UpdateWindow();
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, HRGN hrgnUpdate = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    void SetRedraw(BOOL bRedraw = TRUE);
    BOOL GetUpdateRect(LPRECT lpRect, BOOL bErase = FALSE);

    // ---- Text and font
    void SetWindowText(LPCTSTR lpszString);
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;
    // The font is passed through as a handle (WM_SETFONT/WM_GETFONT).
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE);
    template <class F, class = decltype(&F::GetSafeHandle)> void SetFont(F* pFont, BOOL bRedraw = TRUE)
    {
        SetFont(pFont ? static_cast<HFONT>(pFont->GetSafeHandle()) : nullptr, bRedraw);
    }
    template <class F = CFont> F* GetFont() const { return F::FromHandle(GetFontHandle()); }
    HFONT GetFontHandle() const;

    // ---- Timers, focus, capture
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);
    CWnd* SetFocus();
    static CWnd* GetFocus();
    CWnd* SetCapture();
    static CWnd* GetCapture();

    // ---- Menus and scroll bars
    CMenu* GetMenu() const;
    BOOL SetMenu(CMenu* pMenu);
    void DrawMenuBar();
    CMenu* GetSystemMenu(BOOL bRevert) const;
    int GetScrollPos(int nBar) const;
    int SetScrollPos(int nBar, int nPos, BOOL bRedraw = TRUE);
    void GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const;
    void SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
    BOOL GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL);
    BOOL SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
    void ShowScrollBar(UINT nBar, BOOL bShow = TRUE);

    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    int MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption = nullptr, UINT nType = MB_OK);

    // ---- Default handlers (called by maps that name them; each does the default processing)
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnNcDestroy();
    void OnClose();
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnSize(UINT nType, int cx, int cy);
    void OnMove(int x, int y);
    void OnTimer(UINT_PTR nIDEvent);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnRButtonDown(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    void OnRButtonDblClk(UINT nFlags, CPoint point);
    void OnMButtonDown(UINT nFlags, CPoint point);
    void OnMButtonUp(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSysKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSysKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSysChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    int OnCompareItem(int nIDCtl, LPCOMPAREITEMSTRUCT lpCompareItemStruct);
    void OnDeleteItem(int nIDCtl, LPDELETEITEMSTRUCT lpDeleteItemStruct);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    void OnContextMenu(CWnd* pWnd, CPoint pos);
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    void OnWindowPosChanged(WINDOWPOS* lpwndpos);
    void OnWindowPosChanging(WINDOWPOS* lpwndpos);
    void OnDropFiles(HDROP hDropInfo);
    BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
    LRESULT OnNcHitTest(CPoint point);
    void OnCaptureChanged(CWnd* pWnd);
    UINT OnGetDlgCode();
    void OnEnable(BOOL bEnable);
    void OnSizing(UINT fwSide, LPRECT pRect);
    int OnMouseActivate(CWnd* pDesktopWnd, UINT nHitTest, UINT message);
    void OnParentNotify(UINT message, LPARAM lParam);
    BOOL OnHelpInfo(HELPINFO* pHelpInfo);
    BOOL OnQueryEndSession();
    void OnEndSession(BOOL bEnding);
    void OnActivateApp(BOOL bActive, DWORD dwThreadID);

protected:
    WNDPROC m_pfnSuper = nullptr; // the original procedure of a subclassed window
    friend LRESULT AfxCallWndProc(CWnd*, HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend class CDialog;
    friend class CDataExchange;

    DECLARE_MESSAGE_MAP()

private:
    // Cleans up after WM_NCDESTROY if the map's handler did not.
    void FinishNcDestroy();
};

namespace kel::mfc
{
// Window creation hook: the next window created on this thread through a framework procedure
// (AfxWndProc or the dialog procedure) is attached to pWnd on its first message.
void HookWindowCreate(CWnd* pWnd);
// Ends the hook; returns FALSE when no window took it.
bool UnhookWindowCreate();
// Takes the pending window of this thread for hWnd (attaching and subclassing it); NULL when none.
CWnd* TakeHookedWindow(HWND hWnd);
} // namespace kel::mfc
