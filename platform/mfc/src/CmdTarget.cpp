#include "mfc/CmdTarget.h"
#include "mfc/Menu.h"
#include "mfc/Wnd.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    UINT nMsg = WM_COMMAND;
    UINT code = static_cast<UINT>(nCode);
    if (code != CN_UPDATE_COMMAND_UI && HIWORD(code) == WM_NOTIFY)
    {
        nMsg = WM_NOTIFY;
        code = LOWORD(code);
    }
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e)
        {
            if (e->nMessage != nMsg || nID < e->nID || nID > e->nLastID)
                continue;
            // Notification codes are kept as words; command codes compare whole, so that the
            // update request never meets a control code of 0xFFFF.
            if (nMsg == WM_NOTIFY ? LOWORD(e->nCode) != code : e->nCode != code)
                continue;
            if (pHandlerInfo != nullptr)
            {
                pHandlerInfo->pTarget = this;
                pHandlerInfo->pEntry = e;
                return TRUE;
            }
            AFX_MSGCALL call;
            call.message = nMsg;
            call.nID = nID;
            call.nCode = code;
            call.pExtra = pExtra;
            return e->pfn(this, call);
        }
    }
    return FALSE;
}

BOOL CCmdTarget::DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    AFX_MSGCALL call;
    call.message = message;
    call.wParam = wParam;
    call.lParam = lParam;
    if (!DispatchMsgCall(call))
        return FALSE;
    if (pResult != nullptr)
        *pResult = call.result;
    return TRUE;
}

BOOL CCmdTarget::DispatchMsgCall(AFX_MSGCALL& call)
{
    const bool matchCode =
        call.message == WM_REFLECT_BASE + WM_COMMAND || call.message == WM_REFLECT_BASE + WM_NOTIFY;
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn != nullptr; ++e)
        {
            if (e->nMessage == WM_COMMAND || e->nMessage == WM_NOTIFY)
                continue;
            const UINT msg = e->pnMessage != nullptr ? *e->pnMessage : e->nMessage;
            if (msg != call.message || msg == 0)
                continue;
            if (matchCode && LOWORD(e->nCode) != LOWORD(call.nCode))
                continue;
            return e->pfn(this, call);
        }
    }
    return FALSE;
}

void CCmdTarget::BeginWaitCursor()
{
    m_hPrevCursor = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    ++m_nWaitCursor;
}

void CCmdTarget::EndWaitCursor()
{
    if (m_nWaitCursor > 0 && --m_nWaitCursor == 0)
        ::SetCursor(m_hPrevCursor ? m_hPrevCursor : ::LoadCursor(nullptr, IDC_ARROW));
}

void CCmdTarget::RestoreWaitCursor()
{
    if (m_nWaitCursor > 0)
        ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
}

// ---- CCmdUI -------------------------------------------------------------------------------------------

void CCmdUI::Enable(BOOL bOn)
{
    if (m_pMenu != nullptr)
    {
        if (m_pSubMenu == nullptr)
            m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    }
    else if (m_pOther != nullptr)
    {
        // Never leave the focus on a control being disabled.
        if (!bOn && ::GetFocus() == m_pOther->m_hWnd)
        {
            CWnd* pParent = m_pOther->GetParent();
            if (pParent != nullptr)
                pParent->SendMessage(WM_NEXTDLGCTL, 0, FALSE);
        }
        m_pOther->EnableWindow(bOn);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck)
{
    if (m_pMenu != nullptr)
    {
        if (m_pSubMenu == nullptr)
            m_pMenu->CheckMenuItem(m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
    }
    else if (m_pOther != nullptr)
    {
        m_pOther->SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
    }
}

void CCmdUI::SetRadio(BOOL bOn)
{
    SetCheck(bOn ? 1 : 0);
}

void CCmdUI::SetText(LPCTSTR lpszText)
{
    if (lpszText == nullptr)
        lpszText = "";
    if (m_pMenu != nullptr)
    {
        if (m_pSubMenu != nullptr)
            return;
        const UINT state = m_pMenu->GetMenuState(m_nIndex, MF_BYPOSITION);
        if (state == static_cast<UINT>(-1))
            return;
        const UINT keep = state & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_MENUBREAK | MF_MENUBARBREAK);
        m_pMenu->ModifyMenu(m_nIndex, MF_BYPOSITION | MF_STRING | keep, m_nID, lpszText);
    }
    else if (m_pOther != nullptr)
    {
        CString current;
        m_pOther->GetWindowText(current);
        if (current != lpszText)
            m_pOther->SetWindowText(lpszText);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    if (m_nID == 0 || pTarget == nullptr)
        return TRUE; // separators and the like are not updated
    m_bEnableChanged = FALSE;
    BOOL bResult = pTarget->OnCmdMsg(m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), this, nullptr);
    if (bDisableIfNoHndler && !m_bEnableChanged)
    {
        AFX_CMDHANDLERINFO info;
        if (!pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info))
            Enable(FALSE);
    }
    return bResult;
}
