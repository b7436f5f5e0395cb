// CCmdTarget and its message maps. A map is a static table built by the ON_* macros between
// BEGIN_MESSAGE_MAP and END_MESSAGE_MAP; each entry holds a small thunk that calls the member with
// its real signature, so no member-function pointer is ever cast to a generic type.
#pragma once

#include "mfc/Object.h"
#include "mfc/String.h"
#include "win32/user.h"

class CCmdTarget;
class CCmdUI;
class CDC;
class CScrollBar;
class CMenu;
class CWnd;

// Command codes passed to OnCmdMsg besides the control notification codes.
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))
// Reflected messages come back to the control that sent them at WM_REFLECT_BASE + message.
#define WM_REFLECT_BASE 0xBC00

// One call through a message map: the message and, for commands, the id, code and extra data.
struct AFX_MSGCALL
{
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    UINT nID = 0;
    UINT nCode = 0;
    void* pExtra = nullptr;
    LRESULT result = 0;
};

// A thunk returns FALSE when the handler declined (the _EX forms), TRUE otherwise.
typedef BOOL (*AFX_PMSGTHUNK)(CCmdTarget* pTarget, AFX_MSGCALL& call);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;         // window message, WM_COMMAND or WM_NOTIFY; 0 ends the table
    UINT nCode;            // control or notification code
    UINT nID;              // control id, or the first id of a range
    UINT nLastID;          // last id of a range
    const UINT* pnMessage; // registered messages: the variable holding the id
    AFX_PMSGTHUNK pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// What OnCmdMsg reports when asked only whether a handler exists.
struct AFX_CMDHANDLERINFO
{
    CCmdTarget* pTarget = nullptr;
    const AFX_MSGMAP_ENTRY* pEntry = nullptr;
};

// The extra data of a WM_NOTIFY command.
struct AFX_NOTIFY
{
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

class CCmdTarget : public CObject
{
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Routes a command (nCode CN_COMMAND or a control code), an update request (CN_UPDATE_COMMAND_UI,
    // pExtra the CCmdUI) or a notification (nCode MAKELONG(code, WM_NOTIFY), pExtra an AFX_NOTIFY)
    // through this object's message map and its bases. With pHandlerInfo the handler is only looked
    // up and reported. TRUE when a handler took it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // Looks for a window-message entry (not commands or notifications) for message in this
    // object's map chain and calls it. TRUE with *pResult set when one handled it.
    BOOL DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // The same for a prepared call (reflected messages carry their code in call.nCode).
    BOOL DispatchMsgCall(AFX_MSGCALL& call);

    // Hourglass cursor for long operations.
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

private:
    int m_nWaitCursor = 0;
    HCURSOR m_hPrevCursor = nullptr;
};

// The user-interface state of one command (menu item, button) asked of ON_UPDATE_COMMAND_UI handlers.
class CCmdUI
{
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1); // 0 unchecked, 1 checked, 2 indeterminate
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(LPCTSTR lpszText);

    // Asks pTarget's handlers; without a handler the item is disabled when bDisableIfNoHndler and
    // there is no command handler either. TRUE when an update handler ran.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    UINT m_nID = 0;
    UINT m_nIndex = 0; // menu item position
    CMenu* m_pMenu = nullptr;
    CMenu* m_pSubMenu = nullptr;
    CWnd* m_pOther = nullptr; // a control (toolbar button, dialog item) instead of a menu item
    UINT m_nIndexMax = 0;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
    CMenu* m_pParentMenu = nullptr;
};

// ---- Map declaration ---------------------------------------------------------------------------

#define DECLARE_MESSAGE_MAP()                                                                                \
protected:                                                                                                   \
    static const AFX_MSGMAP* GetThisMessageMap();                                                            \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                                        \
    {                                                                                                        \
        return GetThisMessageMap();                                                                          \
    }                                                                                                        \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                          \
    {                                                                                                        \
        typedef theClass ThisClass;                                                                          \
        typedef baseClass TheBaseClass;                                                                      \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                                    \
    {                                                                                                        \
        0, 0, 0, 0, nullptr, nullptr                                                                         \
    }                                                                                                        \
    }                                                                                                        \
    ;                                                                                                        \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};            \
    return &messageMap;                                                                                      \
    }

// A thunk calling into ThisClass: `p_` is the object, `m_` the AFX_MSGCALL.
#define AFX_THUNK(...)                                                                                       \
    [](CCmdTarget* pTarget_, AFX_MSGCALL& m_) -> BOOL                                                        \
    {                                                                                                        \
        ThisClass* p_ = static_cast<ThisClass*>(pTarget_);                                                   \
        (void)p_;                                                                                            \
        (void)m_;                                                                                            \
        __VA_ARGS__;                                                                                         \
        return TRUE;                                                                                         \
    }
// A thunk whose handler returns whether it took the message.
#define AFX_THUNK_EX(...)                                                                                    \
    [](CCmdTarget* pTarget_, AFX_MSGCALL& m_) -> BOOL                                                        \
    {                                                                                                        \
        ThisClass* p_ = static_cast<ThisClass*>(pTarget_);                                                   \
        (void)m_;                                                                                            \
        return (__VA_ARGS__) ? TRUE : FALSE;                                                                 \
    }
#define AFX_WM_ENTRY(msg, ...) {msg, 0, 0, 0, nullptr, AFX_THUNK(__VA_ARGS__)},

// Handles and points the framework hands to handlers are converted in these helpers so that the
// classes they need are only required where a map uses them.
#define AFX_PT(lp) CPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp))
#define AFX_WND(h) CWnd::FromHandle(reinterpret_cast<HWND>(h))
#define AFX_DC(h) kel::mfc::DCFromHandle<>(reinterpret_cast<HDC>(h))

// ---- Window messages --------------------------------------------------------------------------------

#define ON_WM_CREATE()                                                                                       \
    AFX_WM_ENTRY(WM_CREATE, m_.result = p_->OnCreate(reinterpret_cast<LPCREATESTRUCT>(m_.lParam)))
#define ON_WM_DESTROY() AFX_WM_ENTRY(WM_DESTROY, p_->OnDestroy())
#define ON_WM_NCDESTROY() AFX_WM_ENTRY(WM_NCDESTROY, p_->OnNcDestroy())
#define ON_WM_CLOSE() AFX_WM_ENTRY(WM_CLOSE, p_->OnClose())
#define ON_WM_PAINT() AFX_WM_ENTRY(WM_PAINT, p_->OnPaint())
#define ON_WM_ERASEBKGND() AFX_WM_ENTRY(WM_ERASEBKGND, m_.result = p_->OnEraseBkgnd(AFX_DC(m_.wParam)))
#define ON_WM_SIZE()                                                                                         \
    AFX_WM_ENTRY(WM_SIZE, p_->OnSize(static_cast<UINT>(m_.wParam), LOWORD(m_.lParam), HIWORD(m_.lParam)))
#define ON_WM_MOVE() AFX_WM_ENTRY(WM_MOVE, p_->OnMove(GET_X_LPARAM(m_.lParam), GET_Y_LPARAM(m_.lParam)))
#define ON_WM_TIMER() AFX_WM_ENTRY(WM_TIMER, p_->OnTimer(static_cast<UINT_PTR>(m_.wParam)))
#define AFX_MOUSE_ENTRY(msg, fn) AFX_WM_ENTRY(msg, p_->fn(static_cast<UINT>(m_.wParam), AFX_PT(m_.lParam)))
#define ON_WM_LBUTTONDOWN() AFX_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_MOUSE_ENTRY(WM_RBUTTONDBLCLK, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_MOUSE_ENTRY(WM_MBUTTONDOWN, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_MOUSE_ENTRY(WM_MBUTTONUP, OnMButtonUp)
#define ON_WM_MOUSEMOVE() AFX_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_MOUSEWHEEL()                                                                                   \
    AFX_WM_ENTRY(WM_MOUSEWHEEL,                                                                              \
                 m_.result = p_->OnMouseWheel(GET_KEYSTATE_WPARAM(m_.wParam),                                \
                                              GET_WHEEL_DELTA_WPARAM(m_.wParam), AFX_PT(m_.lParam)))
#define AFX_KEY_ENTRY(msg, fn)                                                                               \
    AFX_WM_ENTRY(msg, p_->fn(static_cast<UINT>(m_.wParam), LOWORD(m_.lParam), HIWORD(m_.lParam)))
#define ON_WM_KEYDOWN() AFX_KEY_ENTRY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() AFX_KEY_ENTRY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() AFX_KEY_ENTRY(WM_CHAR, OnChar)
#define ON_WM_SYSKEYDOWN() AFX_KEY_ENTRY(WM_SYSKEYDOWN, OnSysKeyDown)
#define ON_WM_SYSKEYUP() AFX_KEY_ENTRY(WM_SYSKEYUP, OnSysKeyUp)
#define ON_WM_SYSCHAR() AFX_KEY_ENTRY(WM_SYSCHAR, OnSysChar)
#define ON_WM_SETFOCUS() AFX_WM_ENTRY(WM_SETFOCUS, p_->OnSetFocus(AFX_WND(m_.wParam)))
#define ON_WM_KILLFOCUS() AFX_WM_ENTRY(WM_KILLFOCUS, p_->OnKillFocus(AFX_WND(m_.wParam)))
#define AFX_SCROLL_ENTRY(msg, fn)                                                                            \
    AFX_WM_ENTRY(msg, p_->fn(LOWORD(m_.wParam), static_cast<short>(HIWORD(m_.wParam)),                       \
                             kel::mfc::ScrollBarFromHandle(reinterpret_cast<HWND>(m_.lParam))))
#define ON_WM_HSCROLL() AFX_SCROLL_ENTRY(WM_HSCROLL, OnHScroll)
#define ON_WM_VSCROLL() AFX_SCROLL_ENTRY(WM_VSCROLL, OnVScroll)
#define ON_WM_CTLCOLOR()                                                                                     \
    AFX_WM_ENTRY(WM_CTLCOLOR, m_.result = reinterpret_cast<LRESULT>(p_->OnCtlColor(                          \
                                  AFX_DC(m_.wParam), AFX_WND(m_.lParam), static_cast<UINT>(m_.nCode))))
#define ON_WM_DRAWITEM()                                                                                     \
    AFX_WM_ENTRY(WM_DRAWITEM,                                                                                \
                 p_->OnDrawItem(static_cast<int>(m_.wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(m_.lParam)); \
                 m_.result = TRUE)
#define ON_WM_MEASUREITEM()                                                                                  \
    AFX_WM_ENTRY(WM_MEASUREITEM, p_->OnMeasureItem(static_cast<int>(m_.wParam),                              \
                                                   reinterpret_cast<LPMEASUREITEMSTRUCT>(m_.lParam));        \
                 m_.result = TRUE)
#define ON_WM_COMPAREITEM()                                                                                  \
    AFX_WM_ENTRY(WM_COMPAREITEM,                                                                             \
                 m_.result = p_->OnCompareItem(static_cast<int>(m_.wParam),                                  \
                                               reinterpret_cast<LPCOMPAREITEMSTRUCT>(m_.lParam)))
#define ON_WM_DELETEITEM()                                                                                   \
    AFX_WM_ENTRY(WM_DELETEITEM, p_->OnDeleteItem(static_cast<int>(m_.wParam),                                \
                                                 reinterpret_cast<LPDELETEITEMSTRUCT>(m_.lParam));           \
                 m_.result = TRUE)
#define ON_WM_SETCURSOR()                                                                                    \
    AFX_WM_ENTRY(WM_SETCURSOR,                                                                               \
                 m_.result = p_->OnSetCursor(AFX_WND(m_.wParam), LOWORD(m_.lParam), HIWORD(m_.lParam)))
#define ON_WM_SHOWWINDOW()                                                                                   \
    AFX_WM_ENTRY(WM_SHOWWINDOW, p_->OnShowWindow(static_cast<BOOL>(m_.wParam), static_cast<UINT>(m_.lParam)))
#define ON_WM_SYSCOMMAND()                                                                                   \
    AFX_WM_ENTRY(WM_SYSCOMMAND, p_->OnSysCommand(static_cast<UINT>(m_.wParam), m_.lParam))
#define ON_WM_GETMINMAXINFO()                                                                                \
    AFX_WM_ENTRY(WM_GETMINMAXINFO, p_->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(m_.lParam)))
#define ON_WM_CONTEXTMENU()                                                                                  \
    AFX_WM_ENTRY(WM_CONTEXTMENU, p_->OnContextMenu(AFX_WND(m_.wParam), AFX_PT(m_.lParam)))
#define ON_WM_INITMENUPOPUP()                                                                                \
    AFX_WM_ENTRY(WM_INITMENUPOPUP,                                                                           \
                 p_->OnInitMenuPopup(CMenu::FromHandle(reinterpret_cast<HMENU>(m_.wParam)),                  \
                                     LOWORD(m_.lParam), static_cast<BOOL>(HIWORD(m_.lParam))))
#define ON_WM_ACTIVATE()                                                                                     \
    AFX_WM_ENTRY(WM_ACTIVATE, p_->OnActivate(LOWORD(m_.wParam), AFX_WND(m_.lParam),                          \
                                             static_cast<BOOL>(HIWORD(m_.wParam))))
#define ON_WM_WINDOWPOSCHANGED()                                                                             \
    AFX_WM_ENTRY(WM_WINDOWPOSCHANGED, p_->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(m_.lParam)))
#define ON_WM_WINDOWPOSCHANGING()                                                                            \
    AFX_WM_ENTRY(WM_WINDOWPOSCHANGING, p_->OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(m_.lParam)))
#define ON_WM_MENUSELECT()                                                                                   \
    AFX_WM_ENTRY(WM_MENUSELECT,                                                                              \
                 p_->OnMenuSelect(LOWORD(m_.wParam), HIWORD(m_.wParam), reinterpret_cast<HMENU>(m_.lParam)))
#define ON_WM_DROPFILES() AFX_WM_ENTRY(WM_DROPFILES, p_->OnDropFiles(reinterpret_cast<HDROP>(m_.wParam)))
#define ON_WM_COPYDATA()                                                                                     \
    AFX_WM_ENTRY(WM_COPYDATA, m_.result = p_->OnCopyData(AFX_WND(m_.wParam),                                 \
                                                         reinterpret_cast<COPYDATASTRUCT*>(m_.lParam)))
#define ON_WM_NCHITTEST() AFX_WM_ENTRY(WM_NCHITTEST, m_.result = p_->OnNcHitTest(AFX_PT(m_.lParam)))
#define ON_WM_CAPTURECHANGED() AFX_WM_ENTRY(WM_CAPTURECHANGED, p_->OnCaptureChanged(AFX_WND(m_.lParam)))
#define ON_WM_GETDLGCODE() AFX_WM_ENTRY(WM_GETDLGCODE, m_.result = p_->OnGetDlgCode())
#define ON_WM_ENABLE() AFX_WM_ENTRY(WM_ENABLE, p_->OnEnable(static_cast<BOOL>(m_.wParam)))
#define ON_WM_SIZING()                                                                                       \
    AFX_WM_ENTRY(WM_SIZING, p_->OnSizing(static_cast<UINT>(m_.wParam), reinterpret_cast<LPRECT>(m_.lParam)); \
                 m_.result = TRUE)
#define ON_WM_MOUSEACTIVATE()                                                                                \
    AFX_WM_ENTRY(WM_MOUSEACTIVATE,                                                                           \
                 m_.result = p_->OnMouseActivate(AFX_WND(m_.wParam), LOWORD(m_.lParam), HIWORD(m_.lParam)))
#define ON_WM_PARENTNOTIFY()                                                                                 \
    AFX_WM_ENTRY(WM_PARENTNOTIFY, p_->OnParentNotify(static_cast<UINT>(m_.wParam), m_.lParam))
#define ON_WM_HELPINFO()                                                                                     \
    AFX_WM_ENTRY(WM_HELP, m_.result = p_->OnHelpInfo(reinterpret_cast<HELPINFO*>(m_.lParam)))
#define ON_WM_QUERYENDSESSION() AFX_WM_ENTRY(WM_QUERYENDSESSION, m_.result = p_->OnQueryEndSession())
#define ON_WM_ENDSESSION() AFX_WM_ENTRY(WM_ENDSESSION, p_->OnEndSession(static_cast<BOOL>(m_.wParam)))
#define ON_WM_ACTIVATEAPP()                                                                                  \
    AFX_WM_ENTRY(WM_ACTIVATEAPP,                                                                             \
                 p_->OnActivateApp(static_cast<BOOL>(m_.wParam), static_cast<DWORD>(m_.lParam)))

// ON_MESSAGE(WM_APP + 1, OnSomething) with LRESULT OnSomething(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) AFX_WM_ENTRY(message, m_.result = p_->memberFxn(m_.wParam, m_.lParam))
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn)                                                   \
    {0xC000, 0, 0, 0, &nMessageVariable, AFX_THUNK(m_.result = p_->memberFxn(m_.wParam, m_.lParam))},
#define ON_THREAD_MESSAGE(message, memberFxn) AFX_WM_ENTRY(message, p_->memberFxn(m_.wParam, m_.lParam))

// ---- Commands --------------------------------------------------------------------------------------

#define ON_COMMAND(id, memberFxn)                                                                            \
    {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), nullptr, AFX_THUNK(p_->memberFxn())},
#define ON_COMMAND_EX(id, memberFxn)                                                                         \
    {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(id), nullptr, AFX_THUNK_EX(p_->memberFxn(m_.nID))},
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                              \
    {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), nullptr, AFX_THUNK(p_->memberFxn(m_.nID))},
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn)                                                           \
    {WM_COMMAND, CN_COMMAND, (UINT)(id), (UINT)(idLast), nullptr, AFX_THUNK_EX(p_->memberFxn(m_.nID))},
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                                  \
    {WM_COMMAND, CN_UPDATE_COMMAND_UI,                                                                       \
     (UINT)(id), (UINT)(id),                                                                                 \
     nullptr,    AFX_THUNK(p_->memberFxn(static_cast<CCmdUI*>(m_.pExtra)))},
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                                                    \
    {WM_COMMAND, CN_UPDATE_COMMAND_UI,                                                                       \
     (UINT)(id), (UINT)(idLast),                                                                             \
     nullptr,    AFX_THUNK(p_->memberFxn(static_cast<CCmdUI*>(m_.pExtra)))},

// Control notifications through WM_COMMAND.
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                               \
    {WM_COMMAND, (UINT)(WORD)(wNotifyCode), (UINT)(id), (UINT)(id), nullptr, AFX_THUNK(p_->memberFxn())},
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn)                                                 \
    {WM_COMMAND, (UINT)(WORD)(wNotifyCode),       (UINT)(id), (UINT)(idLast),                                \
     nullptr,    AFX_THUNK(p_->memberFxn(m_.nID))},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_EN_HSCROLL(id, memberFxn) ON_CONTROL(EN_HSCROLL, id, memberFxn)
#define ON_EN_VSCROLL(id, memberFxn) ON_CONTROL(EN_VSCROLL, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SELCANCEL(id, memberFxn) ON_CONTROL(LBN_SELCANCEL, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DBLCLK(id, memberFxn) ON_CONTROL(CBN_DBLCLK, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn) ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_EDITUPDATE(id, memberFxn) ON_CONTROL(CBN_EDITUPDATE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_SELENDCANCEL(id, memberFxn) ON_CONTROL(CBN_SELENDCANCEL, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn) ON_CONTROL(STN_DBLCLK, id, memberFxn)

// Notifications through WM_NOTIFY: void memberFxn(NMHDR*, LRESULT*).
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                                                \
    {WM_NOTIFY,                                                                                              \
     (UINT)(WORD)(wNotifyCode),                                                                              \
     (UINT)(id),                                                                                             \
     (UINT)(id),                                                                                             \
     nullptr,                                                                                                \
     AFX_THUNK(p_->memberFxn(static_cast<AFX_NOTIFY*>(m_.pExtra)->pNMHDR,                                    \
                             static_cast<AFX_NOTIFY*>(m_.pExtra)->pResult))},
// BOOL memberFxn(UINT id, NMHDR*, LRESULT*): FALSE lets the notification route on.
#define ON_NOTIFY_EX(wNotifyCode, id, memberFxn)                                                             \
    {WM_NOTIFY,                                                                                              \
     (UINT)(WORD)(wNotifyCode),                                                                              \
     (UINT)(id),                                                                                             \
     (UINT)(id),                                                                                             \
     nullptr,                                                                                                \
     AFX_THUNK_EX(p_->memberFxn(m_.nID, static_cast<AFX_NOTIFY*>(m_.pExtra)->pNMHDR,                         \
                                static_cast<AFX_NOTIFY*>(m_.pExtra)->pResult))},
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn)                                                  \
    {WM_NOTIFY,                                                                                              \
     (UINT)(WORD)(wNotifyCode),                                                                              \
     (UINT)(id),                                                                                             \
     (UINT)(idLast),                                                                                         \
     nullptr,                                                                                                \
     AFX_THUNK(p_->memberFxn(m_.nID, static_cast<AFX_NOTIFY*>(m_.pExtra)->pNMHDR,                            \
                             static_cast<AFX_NOTIFY*>(m_.pExtra)->pResult))},
#define ON_NOTIFY_EX_RANGE(wNotifyCode, id, idLast, memberFxn)                                               \
    {WM_NOTIFY,                                                                                              \
     (UINT)(WORD)(wNotifyCode),                                                                              \
     (UINT)(id),                                                                                             \
     (UINT)(idLast),                                                                                         \
     nullptr,                                                                                                \
     AFX_THUNK_EX(p_->memberFxn(m_.nID, static_cast<AFX_NOTIFY*>(m_.pExtra)->pNMHDR,                         \
                                static_cast<AFX_NOTIFY*>(m_.pExtra)->pResult))},

// ---- Reflected to the control that sent them ---------------------------------------------------------

#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn)                                                           \
    {WM_REFLECT_BASE + WM_COMMAND, (UINT)(WORD)(wNotifyCode), 0, 0, nullptr, AFX_THUNK(p_->memberFxn())},
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn)                                                        \
    {WM_REFLECT_BASE + WM_COMMAND, (UINT)(WORD)(wNotifyCode), 0, 0, nullptr, AFX_THUNK_EX(p_->memberFxn())},
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn)                                                            \
    {WM_REFLECT_BASE + WM_NOTIFY,                                                                            \
     (UINT)(WORD)(wNotifyCode),                                                                              \
     0,                                                                                                      \
     0,                                                                                                      \
     nullptr,                                                                                                \
     AFX_THUNK(p_->memberFxn(reinterpret_cast<NMHDR*>(m_.lParam), reinterpret_cast<LRESULT*>(m_.pExtra)))},
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn)                                                         \
    {WM_REFLECT_BASE + WM_NOTIFY,                                                                            \
     (UINT)(WORD)(wNotifyCode),                                                                              \
     0,                                                                                                      \
     0,                                                                                                      \
     nullptr,                                                                                                \
     AFX_THUNK_EX(                                                                                           \
         p_->memberFxn(reinterpret_cast<NMHDR*>(m_.lParam), reinterpret_cast<LRESULT*>(m_.pExtra)))},
// HBRUSH CtlColor(CDC*, UINT nCtlColor); a NULL brush lets the parent decide.
#define ON_WM_CTLCOLOR_REFLECT()                                                                             \
    {WM_REFLECT_BASE + WM_CTLCOLOR,                                                                          \
     0,                                                                                                      \
     0,                                                                                                      \
     0,                                                                                                      \
     nullptr,                                                                                                \
     AFX_THUNK_EX(m_.result = reinterpret_cast<LRESULT>(                                                     \
                      p_->CtlColor(AFX_DC(m_.wParam), static_cast<UINT>(m_.nCode))))},
#define ON_WM_HSCROLL_REFLECT()                                                                              \
    AFX_WM_ENTRY(WM_REFLECT_BASE + WM_HSCROLL,                                                               \
                 p_->HScroll(LOWORD(m_.wParam), static_cast<short>(HIWORD(m_.wParam))))
#define ON_WM_VSCROLL_REFLECT()                                                                              \
    AFX_WM_ENTRY(WM_REFLECT_BASE + WM_VSCROLL,                                                               \
                 p_->VScroll(LOWORD(m_.wParam), static_cast<short>(HIWORD(m_.wParam))))
#define ON_WM_DRAWITEM_REFLECT()                                                                             \
    AFX_WM_ENTRY(WM_REFLECT_BASE + WM_DRAWITEM, p_->DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(m_.lParam)); \
                 m_.result = TRUE)
#define ON_WM_MEASUREITEM_REFLECT()                                                                          \
    AFX_WM_ENTRY(WM_REFLECT_BASE + WM_MEASUREITEM,                                                           \
                 p_->MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(m_.lParam));                          \
                 m_.result = TRUE)

// List-view, header and common notifications.
#define ON_NM_CLICK(id, memberFxn) ON_NOTIFY(NM_CLICK, id, memberFxn)
#define ON_NM_DBLCLK(id, memberFxn) ON_NOTIFY(NM_DBLCLK, id, memberFxn)
#define ON_NM_RCLICK(id, memberFxn) ON_NOTIFY(NM_RCLICK, id, memberFxn)
#define ON_NM_CUSTOMDRAW(id, memberFxn) ON_NOTIFY(NM_CUSTOMDRAW, id, memberFxn)
#define ON_LVN_ITEMCHANGED(id, memberFxn) ON_NOTIFY(LVN_ITEMCHANGED, id, memberFxn)
#define ON_LVN_COLUMNCLICK(id, memberFxn) ON_NOTIFY(LVN_COLUMNCLICK, id, memberFxn)
#define ON_LVN_KEYDOWN(id, memberFxn) ON_NOTIFY(LVN_KEYDOWN, id, memberFxn)
#define ON_LVN_ENDLABELEDIT(id, memberFxn) ON_NOTIFY(LVN_ENDLABELEDIT, id, memberFxn)
#define ON_LVN_BEGINLABELEDIT(id, memberFxn) ON_NOTIFY(LVN_BEGINLABELEDIT, id, memberFxn)
#define ON_LVN_GETDISPINFO(id, memberFxn) ON_NOTIFY(LVN_GETDISPINFO, id, memberFxn)
#define ON_HDN_ITEMCHANGED(id, memberFxn) ON_NOTIFY(HDN_ITEMCHANGED, id, memberFxn)
#define ON_HDN_ENDTRACK(id, memberFxn) ON_NOTIFY(HDN_ENDTRACK, id, memberFxn)
#define ON_UDN_DELTAPOS(id, memberFxn) ON_NOTIFY(UDN_DELTAPOS, id, memberFxn)

namespace kel::mfc
{
// A CDC for a device context; the drawing classes supply CDC, and only maps that hand a DC to a
// handler need it.
template <class DC = CDC> DC* DCFromHandle(HDC hDC)
{
    return DC::FromHandle(hDC);
}
// The scroll bar (or slider) of a WM_H/VSCROLL: its permanent object, else a temporary CScrollBar;
// NULL for a window's own scroll bars.
CScrollBar* ScrollBarFromHandle(HWND hWnd);
} // namespace kel::mfc
