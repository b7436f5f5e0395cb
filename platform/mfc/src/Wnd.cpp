#include "mfc/Wnd.h"
#include "mfc/Controls.h"
#include "mfc/Exception.h"
#include "mfc/Menu.h"
#include "mfc/ModuleState.h"
#include "mfc/WinAppCore.h"
#include "win32/prompt.h"
#include "win32/shell.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

namespace
{

// Handle maps are per thread, as windows belong to the thread that made them.
struct HandleMaps
{
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;

    ~HandleMaps() { ClearTemporary(); }
    void ClearTemporary()
    {
        // A temporary object never owns its window.
        for (auto& [hWnd, pWnd] : temporary)
            pWnd->m_hWnd = nullptr;
        temporary.clear();
    }
};

thread_local HandleMaps t_maps;
thread_local CWnd* t_pWndInit = nullptr; // the window being created on this thread
thread_local MSG t_lastMsg{};            // the message being handled, for Default()

// Where a message a child sent to its parent came from, for reflection; NULL when it has none.
HWND ReflectSource(HWND hWndParent, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_DRAWITEM:
    {
        const auto* p = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return p != nullptr && p->CtlType != ODT_MENU ? p->hwndItem : nullptr;
    }
    case WM_MEASUREITEM:
    {
        const auto* p = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        return p != nullptr && p->CtlType != ODT_MENU ? ::GetDlgItem(hWndParent, static_cast<int>(p->CtlID))
                                                      : nullptr;
    }
    case WM_COMPAREITEM:
    {
        const auto* p = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam);
        return p != nullptr ? p->hwndItem : nullptr;
    }
    case WM_DELETEITEM:
    {
        const auto* p = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam);
        return p != nullptr ? p->hwndItem : nullptr;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
        return reinterpret_cast<HWND>(lParam);
    default:
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
            return reinterpret_cast<HWND>(lParam);
        return nullptr;
    }
    (void)wParam;
}

} // namespace

namespace kel::mfc
{

void HookWindowCreate(CWnd* pWnd)
{
    t_pWndInit = pWnd;
}

bool UnhookWindowCreate()
{
    const bool taken = t_pWndInit == nullptr;
    t_pWndInit = nullptr;
    return taken;
}

CWnd* TakeHookedWindow(HWND hWnd)
{
    CWnd* pWnd = t_pWndInit;
    if (pWnd == nullptr || pWnd->m_hWnd != nullptr)
        return nullptr;
    t_pWndInit = nullptr;
    pWnd->SubclassWindow(hWnd);
    return pWnd;
}

CScrollBar* ScrollBarFromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    // A permanent slider or spin is handed over as the framework always did: the same object,
    // so handlers can compare it with their member controls.
    if (CWnd* pWnd = CWnd::FromHandlePermanent(hWnd))
        return reinterpret_cast<CScrollBar*>(pWnd);
    auto& temp = t_maps.temporary[hWnd];
    if (!temp)
    {
        temp = std::make_unique<CScrollBar>();
        temp->m_hWnd = hWnd;
    }
    return reinterpret_cast<CScrollBar*>(temp.get());
}

} // namespace kel::mfc

// ---- Window procedure ----------------------------------------------------------------------------------

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr)
        pWnd = kel::mfc::TakeHookedWindow(hWnd);
    if (pWnd == nullptr)
        return ::DefWindowProc(hWnd, message, wParam, lParam);
    return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const MSG saved = t_lastMsg;
    t_lastMsg.hwnd = hWnd;
    t_lastMsg.message = message;
    t_lastMsg.wParam = wParam;
    t_lastMsg.lParam = lParam;
    LRESULT lResult = 0;
    TRY
    {
        lResult = pWnd->WindowProc(message, wParam, lParam);
    }
    CATCH_ALL(e)
    {
        // A handler's failure is told to the user; the window goes on.
        e->ReportError();
        lResult = message == WM_CREATE ? -1 : 0;
    }
    END_CATCH_ALL
    // The object may have deleted itself in PostNcDestroy: look it up instead of touching it.
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd)
        pWnd->FinishNcDestroy();
    t_lastMsg = saved;
    return lResult;
}

LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    static std::mutex mutex;
    static std::set<std::string> names;
    char name[96];
    std::snprintf(name, sizeof name, "Afx:%x:%p:%p:%p", nClassStyle, static_cast<void*>(hCursor),
                  static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    std::lock_guard lock(mutex);
    auto [it, inserted] = names.insert(name);
    WNDCLASS wc{};
    if (!::GetClassInfo(AfxGetInstanceHandle(), it->c_str(), &wc))
    {
        wc.style = nClassStyle;
        wc.lpfnWndProc = AfxWndProc;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.hIcon = hIcon;
        wc.lpszClassName = it->c_str();
        ::RegisterClass(&wc);
    }
    (void)inserted;
    return it->c_str();
}

BOOL AfxRegisterClass(WNDCLASS* lpWndClass)
{
    if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr)
        return FALSE;
    WNDCLASS existing{};
    if (::GetClassInfo(lpWndClass->hInstance, lpWndClass->lpszClassName, &existing))
        return TRUE;
    // A class on the default procedure gets the framework's, which hands a window without an
    // object straight to DefWindowProc: so a CWnd created on it is attached from its first message.
    WNDCLASS wc = *lpWndClass;
    if (wc.lpfnWndProc == nullptr || wc.lpfnWndProc == ::DefWindowProc)
        wc.lpfnWndProc = AfxWndProc;
    return ::RegisterClass(&wc) != 0;
}

// ---- Handle maps ---------------------------------------------------------------------------------------

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this)
    {
        // Destroying the object takes its window along; as the object is half gone, only the
        // base class sees the last messages.
        DestroyWindow();
    }
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this)
        Detach();
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (hWnd == nullptr)
        return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    auto& temp = t_maps.temporary[hWnd];
    if (!temp)
    {
        temp = std::make_unique<CWnd>();
        temp->m_hWnd = hWnd;
    }
    return temp.get();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    auto it = t_maps.permanent.find(hWnd);
    return it == t_maps.permanent.end() ? nullptr : it->second;
}

void CWnd::DeleteTempMap()
{
    t_maps.ClearTemporary();
}

BOOL CWnd::Attach(HWND hWndNew)
{
    if (hWndNew == nullptr || m_hWnd != nullptr || FromHandlePermanent(hWndNew) != nullptr)
        return FALSE;
    // A temporary object of the same handle goes: the permanent one takes over.
    auto it = t_maps.temporary.find(hWndNew);
    if (it != t_maps.temporary.end())
    {
        it->second->m_hWnd = nullptr;
        t_maps.temporary.erase(it);
    }
    t_maps.permanent[hWndNew] = this;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr)
    {
        auto it = t_maps.permanent.find(hWnd);
        if (it != t_maps.permanent.end() && it->second == this)
            t_maps.permanent.erase(it);
    }
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    return hWnd;
}

// ---- Creation ------------------------------------------------------------------------------------------

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, void* pContext)
{
    (void)pContext;
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), nullptr);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x,
                    int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    if (m_hWnd != nullptr)
        return FALSE;
    CREATESTRUCT cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs))
    {
        PostNcDestroy();
        return FALSE;
    }
    kel::mfc::HookWindowCreate(this);
    HWND hWnd =
        ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                         cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    kel::mfc::UnhookWindowCreate();
    if (hWnd == nullptr)
        return FALSE; // the object may be gone (PostNcDestroy) if the window saw WM_NCDESTROY
    // A window of another procedure (a control) never met the hook: take it over now.
    if (m_hWnd == nullptr)
        SubclassWindow(hWnd);
    return m_hWnd == hWnd;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == nullptr)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd == nullptr)
        return FALSE;
    const bool permanent = FromHandlePermanent(hWnd) == this;
    const BOOL bResult = ::DestroyWindow(hWnd);
    // Still in the map: the window never saw WM_NCDESTROY here (gone already, or failed).
    if (permanent && FromHandlePermanent(hWnd) == this && !::IsWindow(hWnd))
        Detach();
    return bResult;
}

void CWnd::PostNcDestroy() {}

void CWnd::FinishNcDestroy()
{
    Detach();
    PostNcDestroy();
}

BOOL CWnd::PreTranslateMessage(MSG* pMsg)
{
    (void)pMsg;
    return FALSE;
}

// ---- Subclassing ---------------------------------------------------------------------------------------

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!::IsWindow(hWnd) || !Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    auto oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    if (oldProc != &AfxWndProc)
        m_pfnSuper = oldProc;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    if (pParent == nullptr)
        return FALSE;
    HWND hWndControl = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return hWndControl != nullptr && SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_hWnd == nullptr)
        return nullptr;
    if (m_pfnSuper != nullptr)
        ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    return Detach();
}

void CWnd::PreSubclassWindow() {}

// ---- Message handling ----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT lResult = 0;
    if (message == WM_COMMAND)
    {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        lResult = 1;
    }
    else if (message == WM_NOTIFY)
    {
        const auto* pNMHDR = reinterpret_cast<const NMHDR*>(lParam);
        if (pNMHDR == nullptr || pNMHDR->hwndFrom == nullptr || !OnNotify(wParam, lParam, &lResult))
            return FALSE;
    }
    else
    {
        AFX_MSGCALL call;
        call.message = message;
        call.wParam = wParam;
        call.lParam = lParam;
        if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC)
        {
            call.message = WM_CTLCOLOR;
            call.nCode = message - WM_CTLCOLORMSGBOX;
        }
        if (DispatchMsgCall(call))
        {
            lResult = call.result;
        }
        else
        {
            // Owner-draw, colour and scroll messages nobody here took go back to the control.
            HWND hWndChild = ReflectSource(m_hWnd, message, wParam, lParam);
            if (hWndChild == nullptr || !ReflectLastMsg(hWndChild, &lResult))
                return FALSE;
        }
    }
    if (pResult != nullptr)
        *pResult = lResult;
    return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != nullptr)
        return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(t_lastMsg.message, t_lastMsg.wParam, t_lastMsg.lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (hWndCtrl == nullptr)
    {
        // Menus and accelerators: a command whose update handler disabled it is not run.
        struct Probe : CCmdUI
        {
            BOOL enabled = TRUE;
            void Enable(BOOL bOn) override
            {
                enabled = bOn;
                m_bEnableChanged = TRUE;
            }
            void SetCheck(int) override {}
            void SetText(LPCTSTR) override {}
        } probe;
        probe.m_nID = nID;
        if (OnCmdMsg(nID, static_cast<int>(CN_UPDATE_COMMAND_UI), &probe, nullptr) && !probe.enabled)
            return TRUE;
        nCode = CN_COMMAND;
    }
    else
    {
        CWnd* pChild = FromHandlePermanent(hWndCtrl);
        if (pChild != nullptr && pChild->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr))
            return TRUE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    auto* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    CWnd* pChild = FromHandlePermanent(pNMHDR->hwndFrom);
    if (pChild != nullptr && pChild->OnChildNotify(WM_NOTIFY, wParam, lParam, pResult))
        return TRUE;
    AFX_NOTIFY notify{pResult, pNMHDR};
    const UINT nID = static_cast<UINT>(pNMHDR->idFrom);
    return OnCmdMsg(nID, static_cast<int>(MAKELONG(LOWORD(pNMHDR->code), WM_NOTIFY)), &notify, nullptr);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    AFX_MSGCALL call;
    call.message = WM_REFLECT_BASE + message;
    call.wParam = wParam;
    call.lParam = lParam;
    LRESULT notifyResult = 0;
    switch (message)
    {
    case WM_COMMAND:
        call.nCode = HIWORD(wParam);
        break;
    case WM_NOTIFY:
        call.nCode = reinterpret_cast<const NMHDR*>(lParam)->code;
        call.pExtra = pResult != nullptr ? pResult : &notifyResult;
        if (!DispatchMsgCall(call))
            return FALSE;
        return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        break;
    default:
        if (message < WM_CTLCOLORMSGBOX || message > WM_CTLCOLORSTATIC)
            return FALSE;
        call.message = WM_REFLECT_BASE + WM_CTLCOLOR;
        call.nCode = message - WM_CTLCOLORMSGBOX;
        break;
    }
    if (!DispatchMsgCall(call))
        return FALSE;
    if (pResult != nullptr)
        *pResult = message == WM_COMMAND ? 1 : call.result;
    return TRUE;
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* pWnd = FromHandlePermanent(hWndChild);
    if (pWnd == nullptr)
        return FALSE;
    return pWnd->OnChildNotify(t_lastMsg.message, t_lastMsg.wParam, t_lastMsg.lParam, pResult);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep, BOOL bOnlyPerm)
{
    for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT))
    {
        if (CWnd* pWnd = FromHandlePermanent(hChild))
            AfxCallWndProc(pWnd, hChild, message, wParam, lParam);
        else if (!bOnlyPerm)
            ::SendMessage(hChild, message, wParam, lParam);
        if (bDeep && ::GetWindow(hChild, GW_CHILD) != nullptr)
            FromHandle(hChild)->SendMessageToDescendants(message, wParam, lParam, bDeep, bOnlyPerm);
    }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendDlgItemMessage(m_hWnd, nID, message, wParam, lParam);
}

void CWnd::DoDataExchange(CDataExchange* pDX)
{
    (void)pDX;
}

// ---- Dialog items --------------------------------------------------------------------------------------

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::GetDlgItem(int nID, HWND* phWnd) const
{
    *phWnd = ::GetDlgItem(m_hWnd, nID);
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString)
{
    ::SetDlgItemText(m_hWnd, nID, lpszString);
}

int CWnd::GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const
{
    return static_cast<int>(::GetDlgItemText(m_hWnd, nID, lpStr, nMaxCount));
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    rString.Empty();
    HWND hWnd = ::GetDlgItem(m_hWnd, nID);
    if (hWnd != nullptr)
        FromHandle(hWnd)->GetWindowText(rString);
    return rString.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned)
{
    ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const
{
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck)
{
    ::CheckDlgButton(m_hWnd, nIDButton, nCheck);
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const
{
    return ::IsDlgButtonChecked(m_hWnd, nIDButton);
}

void CWnd::CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
{
    ::CheckRadioButton(m_hWnd, nIDFirstButton, nIDLastButton, nIDCheckButton);
}

int CWnd::GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton) const
{
    for (int nID = nIDFirstButton; nID <= nIDLastButton; ++nID)
    {
        if (::IsDlgButtonChecked(m_hWnd, nID) == BST_CHECKED)
            return nID;
    }
    return 0;
}

int CWnd::GetDlgCtrlID() const
{
    return ::GetDlgCtrlID(m_hWnd);
}

int CWnd::SetDlgCtrlID(int nID)
{
    return static_cast<int>(::SetWindowLong(m_hWnd, GWL_ID, nID));
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* pWndCtl, BOOL bPrevious) const
{
    return FromHandle(::GetNextDlgTabItem(m_hWnd, pWndCtl ? pWndCtl->m_hWnd : nullptr, bPrevious));
}

CWnd* CWnd::GetNextDlgGroupItem(CWnd* pWndCtl, BOOL bPrevious) const
{
    return FromHandle(::GetNextDlgGroupItem(m_hWnd, pWndCtl ? pWndCtl->m_hWnd : nullptr, bPrevious));
}

// ---- Tree ----------------------------------------------------------------------------------------------

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::SetParent(CWnd* pWndNewParent)
{
    return FromHandle(::SetParent(m_hWnd, pWndNewParent ? pWndNewParent->m_hWnd : nullptr));
}

CWnd* CWnd::GetOwner() const
{
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    return FromHandle(hOwner != nullptr ? hOwner : ::GetParent(m_hWnd));
}

void CWnd::SetOwner(CWnd* pOwnerWnd)
{
    ::SetWindowLongPtr(m_hWnd, GWLP_HWNDPARENT,
                       reinterpret_cast<LONG_PTR>(pOwnerWnd ? pOwnerWnd->m_hWnd : nullptr));
}

CWnd* CWnd::GetTopLevelParent() const
{
    if (m_hWnd == nullptr)
        return nullptr;
    HWND hWnd = m_hWnd;
    while ((::GetWindowLong(hWnd, GWL_STYLE) & WS_CHILD) != 0)
    {
        HWND hParent = ::GetParent(hWnd);
        if (hParent == nullptr)
            break;
        hWnd = hParent;
    }
    return FromHandle(hWnd);
}

CWnd* CWnd::GetTopLevelOwner() const
{
    if (m_hWnd == nullptr)
        return nullptr;
    HWND hWnd = m_hWnd;
    for (HWND hOwner; (hOwner = ::GetParent(hWnd)) != nullptr;)
        hWnd = hOwner;
    return FromHandle(hWnd);
}

CFrameWnd* CWnd::GetParentFrame() const
{
    for (HWND hWnd = ::GetParent(m_hWnd); hWnd != nullptr; hWnd = ::GetParent(hWnd))
    {
        if (CWnd* pWnd = FromHandlePermanent(hWnd))
        {
            if (CFrameWnd* pFrame = pWnd->GetFrameWndPtr())
                return pFrame;
        }
    }
    return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const
{
    CFrameWnd* pTop = nullptr;
    for (HWND hWnd = m_hWnd; hWnd != nullptr; hWnd = ::GetParent(hWnd))
    {
        if (CWnd* pWnd = FromHandlePermanent(hWnd))
        {
            if (CFrameWnd* pFrame = pWnd->GetFrameWndPtr())
                pTop = pFrame;
        }
    }
    return pTop;
}

CWnd* CWnd::GetWindow(UINT nCmd) const
{
    return FromHandle(::GetWindow(m_hWnd, nCmd));
}

CWnd* CWnd::GetTopWindow() const
{
    return FromHandle(::GetTopWindow(m_hWnd));
}

CWnd* CWnd::GetNextWindow(UINT nFlag) const
{
    return FromHandle(::GetWindow(m_hWnd, nFlag));
}

BOOL CWnd::IsChild(const CWnd* pWnd) const
{
    return pWnd != nullptr && ::IsChild(m_hWnd, pWnd->m_hWnd);
}

CWnd* CWnd::GetActiveWindow()
{
    return FromHandle(::GetActiveWindow());
}

CWnd* CWnd::SetActiveWindow()
{
    return FromHandle(::SetActiveWindow(m_hWnd));
}

CWnd* CWnd::GetForegroundWindow()
{
    return FromHandle(::GetForegroundWindow());
}

BOOL CWnd::SetForegroundWindow()
{
    return ::SetForegroundWindow(m_hWnd);
}

CWnd* CWnd::GetDesktopWindow()
{
    return FromHandle(::GetDesktopWindow());
}

CWnd* CWnd::FindWindow(LPCTSTR lpszClassName, LPCTSTR lpszWindowName)
{
    return FromHandle(::FindWindow(lpszClassName, lpszWindowName));
}

CWnd* CWnd::WindowFromPoint(POINT point)
{
    return FromHandle(::WindowFromPoint(point));
}

CWnd* CWnd::ChildWindowFromPoint(POINT point) const
{
    return FromHandle(::ChildWindowFromPoint(m_hWnd, point));
}

// ---- State and styles ----------------------------------------------------------------------------------

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

BOOL CWnd::IsZoomed() const
{
    return ::IsZoomed(m_hWnd);
}

DWORD CWnd::GetStyle() const
{
    return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const
{
    return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE));
}

static BOOL ModifyStyleImpl(HWND hWnd, int nStyleOffset, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD dwStyle = static_cast<DWORD>(::GetWindowLong(hWnd, nStyleOffset));
    const DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle)
        return FALSE;
    ::SetWindowLong(hWnd, nStyleOffset, static_cast<LONG>(dwNewStyle));
    if (nFlags != 0)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyle(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleImpl(hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(HWND hWnd, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleImpl(hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyle(m_hWnd, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyStyleEx(m_hWnd, dwRemove, dwAdd, nFlags);
}

void CWnd::DragAcceptFiles(BOOL bAccept)
{
    m_bAcceptFiles = bAccept;
    ::DragAcceptFiles(m_hWnd, bAccept);
}

// ---- Geometry ------------------------------------------------------------------------------------------

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
               bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const
{
    ::ClientToScreen(m_hWnd, lpPoint);
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const
{
    ::ScreenToClient(m_hWnd, lpPoint);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::MapWindowPoints(CWnd* pwndTo, LPPOINT lpPoint, UINT nCount) const
{
    ::MapWindowPoints(m_hWnd, pwndTo ? pwndTo->m_hWnd : nullptr, lpPoint, nCount);
}

void CWnd::MapWindowPoints(CWnd* pwndTo, LPRECT lpRect) const
{
    ::MapWindowPoints(m_hWnd, pwndTo ? pwndTo->m_hWnd : nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    const bool child = (GetStyle() & WS_CHILD) != 0;
    RECT rcArea{};
    RECT rcCenter{};
    HWND hWndCenter = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetParent(m_hWnd);
    if (child)
    {
        ::GetClientRect(hWndCenter, &rcArea);
        rcCenter = rcArea;
    }
    else
    {
        rcArea = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        if (hWndCenter != nullptr && ::IsWindowVisible(hWndCenter) && !::IsIconic(hWndCenter))
            ::GetWindowRect(hWndCenter, &rcCenter);
        else
            rcCenter = rcArea;
    }
    RECT rcWindow{};
    ::GetWindowRect(m_hWnd, &rcWindow);
    const int width = rcWindow.right - rcWindow.left;
    const int height = rcWindow.bottom - rcWindow.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - width / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - height / 2;
    // Keep a top-level window on the screen.
    if (!child)
    {
        if (x + width > rcArea.right)
            x = rcArea.right - width;
        if (x < rcArea.left)
            x = rcArea.left;
        if (y + height > rcArea.bottom)
            y = rcArea.bottom - height;
        if (y < rcArea.top)
            y = rcArea.top;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWnd::BringWindowToTop()
{
    ::BringWindowToTop(m_hWnd);
}

BOOL CWnd::GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const
{
    return ::GetWindowPlacement(m_hWnd, lpwndpl);
}

BOOL CWnd::SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl)
{
    return ::SetWindowPlacement(m_hWnd, lpwndpl);
}

// ---- Painting ------------------------------------------------------------------------------------------

void CWnd::Invalidate(BOOL bErase)
{
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase)
{
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}

void CWnd::ValidateRect(LPCRECT lpRect)
{
    ::ValidateRect(m_hWnd, lpRect);
}

void CWnd::UpdateWindow()
{
    ::UpdateWindow(m_hWnd);
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, HRGN hrgnUpdate, UINT flags)
{
    return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, flags);
}

void CWnd::SetRedraw(BOOL bRedraw)
{
    ::SendMessage(m_hWnd, WM_SETREDRAW, static_cast<WPARAM>(bRedraw), 0);
}

BOOL CWnd::GetUpdateRect(LPRECT lpRect, BOOL bErase)
{
    return ::GetUpdateRect(m_hWnd, lpRect, bErase);
}

// ---- Text and font -------------------------------------------------------------------------------------

void CWnd::SetWindowText(LPCTSTR lpszString)
{
    ::SetWindowText(m_hWnd, lpszString);
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
{
    return ::GetWindowText(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const
{
    const int nLen = ::GetWindowTextLength(m_hWnd);
    if (nLen <= 0)
    {
        rString.Empty();
        return;
    }
    const int nCopied = ::GetWindowText(m_hWnd, rString.GetBufferSetLength(nLen), nLen + 1);
    rString.ReleaseBuffer(nCopied < 0 ? 0 : nCopied);
}

int CWnd::GetWindowTextLength() const
{
    return ::GetWindowTextLength(m_hWnd);
}

void CWnd::SetFont(HFONT hFont, BOOL bRedraw)
{
    ::SendMessage(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw);
}

HFONT CWnd::GetFontHandle() const
{
    return reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0));
}

// ---- Timers, focus, capture ----------------------------------------------------------------------------

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer)
{
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    return ::KillTimer(m_hWnd, nIDEvent);
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetFocus()
{
    return FromHandle(::GetFocus());
}

CWnd* CWnd::SetCapture()
{
    return FromHandle(::SetCapture(m_hWnd));
}

CWnd* CWnd::GetCapture()
{
    return FromHandle(::GetCapture());
}

// ---- Menus and scroll bars -----------------------------------------------------------------------------

CMenu* CWnd::GetMenu() const
{
    return CMenu::FromHandle(::GetMenu(m_hWnd));
}

BOOL CWnd::SetMenu(CMenu* pMenu)
{
    return ::SetMenu(m_hWnd, pMenu ? pMenu->m_hMenu : nullptr);
}

void CWnd::DrawMenuBar()
{
    ::DrawMenuBar(m_hWnd);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

int CWnd::GetScrollPos(int nBar) const
{
    return ::GetScrollPos(m_hWnd, nBar);
}

int CWnd::SetScrollPos(int nBar, int nPos, BOOL bRedraw)
{
    return ::SetScrollPos(m_hWnd, nBar, nPos, bRedraw);
}

void CWnd::GetScrollRange(int nBar, LPINT lpMinPos, LPINT lpMaxPos) const
{
    ::GetScrollRange(m_hWnd, nBar, lpMinPos, lpMaxPos);
}

void CWnd::SetScrollRange(int nBar, int nMinPos, int nMaxPos, BOOL bRedraw)
{
    ::SetScrollRange(m_hWnd, nBar, nMinPos, nMaxPos, bRedraw);
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask)
{
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, nBar, lpScrollInfo);
}

BOOL CWnd::SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw)
{
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    ::SetScrollInfo(m_hWnd, nBar, lpScrollInfo, bRedraw);
    return TRUE;
}

void CWnd::ShowScrollBar(UINT nBar, BOOL bShow)
{
    ::ShowScrollBar(m_hWnd, static_cast<int>(nBar), bShow);
}

int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType)
{
    if (lpszCaption == nullptr)
    {
        CWinApp* pApp = AfxGetApp();
        lpszCaption = pApp != nullptr && pApp->m_pszAppName != nullptr ? pApp->m_pszAppName : "";
    }
    return ::MessageBox(m_hWnd, lpszText, lpszCaption, nType);
}

// ---- Default handlers ----------------------------------------------------------------------------------
// Each runs the default processing of the message being handled; the owner-draw, colour and
// scroll ones first offer it back to the control that sent it.

int CWnd::OnCreate(LPCREATESTRUCT)
{
    return static_cast<int>(Default());
}
void CWnd::OnDestroy()
{
    Default();
}
void CWnd::OnNcDestroy()
{
    Default();
    FinishNcDestroy();
}
void CWnd::OnClose()
{
    Default();
}
void CWnd::OnPaint()
{
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnSize(UINT, int, int)
{
    Default();
}
void CWnd::OnMove(int, int)
{
    Default();
}
void CWnd::OnTimer(UINT_PTR)
{
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint)
{
    Default();
}
void CWnd::OnRButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnRButtonUp(UINT, CPoint)
{
    Default();
}
void CWnd::OnRButtonDblClk(UINT, CPoint)
{
    Default();
}
void CWnd::OnMButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnMButtonUp(UINT, CPoint)
{
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint)
{
    Default();
}
BOOL CWnd::OnMouseWheel(UINT, short, CPoint)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnKeyDown(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnKeyUp(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnSysKeyDown(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnSysKeyUp(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnSysChar(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnSetFocus(CWnd*)
{
    Default();
}
void CWnd::OnKillFocus(CWnd*)
{
    Default();
}
void CWnd::OnHScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (pScrollBar == nullptr || !ReflectLastMsg(reinterpret_cast<CWnd*>(pScrollBar)->m_hWnd))
        Default();
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar* pScrollBar)
{
    if (pScrollBar == nullptr || !ReflectLastMsg(reinterpret_cast<CWnd*>(pScrollBar)->m_hWnd))
        Default();
}
HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT)
{
    LRESULT lResult = 0;
    if (pWnd != nullptr && ReflectLastMsg(pWnd->m_hWnd, &lResult))
        return reinterpret_cast<HBRUSH>(lResult);
    return reinterpret_cast<HBRUSH>(Default());
}
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (lpDrawItemStruct == nullptr || lpDrawItemStruct->CtlType == ODT_MENU ||
        !ReflectLastMsg(lpDrawItemStruct->hwndItem))
        Default();
}
void CWnd::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (lpMeasureItemStruct == nullptr || lpMeasureItemStruct->CtlType == ODT_MENU ||
        !ReflectLastMsg(::GetDlgItem(m_hWnd, nIDCtl)))
        Default();
}
int CWnd::OnCompareItem(int, LPCOMPAREITEMSTRUCT lpCompareItemStruct)
{
    LRESULT lResult = 0;
    if (lpCompareItemStruct != nullptr && ReflectLastMsg(lpCompareItemStruct->hwndItem, &lResult))
        return static_cast<int>(lResult);
    return static_cast<int>(Default());
}
void CWnd::OnDeleteItem(int, LPDELETEITEMSTRUCT lpDeleteItemStruct)
{
    if (lpDeleteItemStruct == nullptr || !ReflectLastMsg(lpDeleteItemStruct->hwndItem))
        Default();
}
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnShowWindow(BOOL, UINT)
{
    Default();
}
void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}
void CWnd::OnGetMinMaxInfo(MINMAXINFO*)
{
    Default();
}
void CWnd::OnContextMenu(CWnd*, CPoint)
{
    Default();
}
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL)
{
    Default();
}
void CWnd::OnActivate(UINT, CWnd*, BOOL)
{
    Default();
}
void CWnd::OnWindowPosChanged(WINDOWPOS*)
{
    Default();
}
void CWnd::OnWindowPosChanging(WINDOWPOS*)
{
    Default();
}
void CWnd::OnMenuSelect(UINT, UINT, HMENU)
{
    Default();
}
void CWnd::OnDropFiles(HDROP)
{
    Default();
}
BOOL CWnd::OnCopyData(CWnd*, COPYDATASTRUCT*)
{
    return static_cast<BOOL>(Default());
}
LRESULT CWnd::OnNcHitTest(CPoint)
{
    return Default();
}
void CWnd::OnCaptureChanged(CWnd*)
{
    Default();
}
UINT CWnd::OnGetDlgCode()
{
    return static_cast<UINT>(Default());
}
void CWnd::OnEnable(BOOL)
{
    Default();
}
void CWnd::OnSizing(UINT, LPRECT)
{
    Default();
}
int CWnd::OnMouseActivate(CWnd*, UINT, UINT)
{
    return static_cast<int>(Default());
}
void CWnd::OnParentNotify(UINT, LPARAM)
{
    Default();
}
BOOL CWnd::OnHelpInfo(HELPINFO*)
{
    return static_cast<BOOL>(Default());
}
BOOL CWnd::OnQueryEndSession()
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnEndSession(BOOL)
{
    Default();
}
void CWnd::OnActivateApp(BOOL, DWORD)
{
    Default();
}
