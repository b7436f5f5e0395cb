#include "mfc/WinThread.h"

#include "mfc/Menu.h"
#include "mfc/WinApp.h"
#include "win32/kernel.h"

#include <vector>
#include "mfc/Wnd.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

namespace
{
thread_local CWinThread* t_pThread = nullptr;

std::vector<void (*)()>& IdleCleanups()
{
    static std::vector<void (*)()> cleanups;
    return cleanups;
}
} // namespace

namespace kel::mfc
{
void AddIdleCleanup(void (*pfn)())
{
    IdleCleanups().push_back(pfn);
}
} // namespace kel::mfc

CWinThread* AfxGetThread()
{
    if (t_pThread != nullptr)
        return t_pThread;
    // The application object serves the user-interface thread.
    return AfxGetApp();
}

CWnd* AfxGetMainWnd()
{
    CWinThread* pThread = AfxGetThread();
    return pThread != nullptr ? pThread->GetMainWnd() : nullptr;
}

CWinThread::CWinThread()
{
    m_nThreadID = ::GetCurrentThreadId();
}

CWinThread::~CWinThread()
{
    if (t_pThread == this)
        t_pThread = nullptr;
}

BOOL CWinThread::InitInstance()
{
    return TRUE;
}

int CWinThread::ExitInstance()
{
    return m_nExitCode;
}

CWnd* CWinThread::GetMainWnd()
{
    return m_pActiveWnd != nullptr ? m_pActiveWnd : m_pMainWnd;
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg)
{
    // Mouse moves that did not move and the caret's timer tick would keep the idle work running
    // for nothing.
    if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE)
    {
        if (pMsg->message == m_nMsgLast && pMsg->pt.x == m_ptCursorLast.x && pMsg->pt.y == m_ptCursorLast.y)
            return FALSE;
        m_ptCursorLast = pMsg->pt;
        m_nMsgLast = pMsg->message;
        return TRUE;
    }
    m_nMsgLast = pMsg->message;
    return pMsg->message != WM_PAINT && pMsg->message != 0x0118 /* WM_SYSTIMER */;
}

BOOL CWinThread::PumpMessage()
{
    if (!::GetMessage(&m_msgCur, nullptr, 0, 0))
    {
        m_nExitCode = static_cast<int>(m_msgCur.wParam);
        return FALSE;
    }
    if (!PreTranslateMessage(&m_msgCur))
    {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessage(&m_msgCur);
    }
    return TRUE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->hwnd == nullptr)
        return FALSE;
    // The window and its parents, innermost first, up to the top-level window.
    CWnd* pMainWnd = GetMainWnd();
    for (HWND hWnd = pMsg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd))
    {
        if (CWnd* pWnd = CWnd::FromHandlePermanent(hWnd))
        {
            if (pWnd->PreTranslateMessage(pMsg))
                return TRUE;
            if (pMainWnd != nullptr && hWnd == pMainWnd->m_hWnd)
                return FALSE;
        }
        if (!(::GetWindowLong(hWnd, GWL_STYLE) & WS_CHILD))
            break;
    }
    // A message of another top-level window (a modeless dialog's owner chain ends elsewhere)
    // still gets the main window's accelerators when the main window is its owner.
    if (pMainWnd != nullptr && pMainWnd->m_hWnd != nullptr)
    {
        HWND hTop = pMsg->hwnd;
        while (::GetWindowLong(hTop, GWL_STYLE) & WS_CHILD)
            hTop = ::GetParent(hTop);
        if (hTop != pMainWnd->m_hWnd && ::GetWindow(hTop, GW_OWNER) == pMainWnd->m_hWnd)
            return pMainWnd->PreTranslateMessage(pMsg);
    }
    return FALSE;
}

BOOL CWinThread::OnIdle(LONG lCount)
{
    if (lCount <= 0)
    {
        // Command state of the main window's bars and its descendants.
        CWnd* pMainWnd = m_pMainWnd;
        if (pMainWnd != nullptr && pMainWnd->m_hWnd != nullptr && pMainWnd->IsWindowVisible())
        {
            AfxCallWndProc(pMainWnd, pMainWnd->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
            pMainWnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
        }
        return TRUE;
    }
    if (lCount == 1)
    {
        // Temporary objects made while handling messages.
        CWnd::DeleteTempMap();
        CMenu::DeleteTempMap();
        for (void (*pfn)() : IdleCleanups())
            pfn();
    }
    return FALSE;
}

int CWinThread::Run()
{
    t_pThread = this;
    BOOL bIdle = TRUE;
    LONG lIdleCount = 0;
    for (;;)
    {
        // Idle work while the queue is empty, until OnIdle has nothing more to do.
        while (bIdle && !::PeekMessage(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE))
        {
            if (!OnIdle(lIdleCount++))
                bIdle = FALSE;
        }
        do
        {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(&m_msgCur))
            {
                bIdle = TRUE;
                lIdleCount = 0;
            }
        } while (::PeekMessage(&m_msgCur, nullptr, 0, 0, PM_NOREMOVE));
    }
}
