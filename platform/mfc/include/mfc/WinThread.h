// CWinThread: a thread with a message loop. The application object is one (the user-interface
// thread); Run pumps messages, calls OnIdle while the queue is empty and ends on WM_QUIT.
#pragma once

#include "mfc/CmdTarget.h"

class CWnd;

class CWinThread : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    ~CWinThread() override;

    // Set-up of the thread; FALSE ends it at once (ExitInstance still runs).
    virtual BOOL InitInstance();
    // Clean-up; returns the thread's exit code (WM_QUIT's code after Run).
    virtual int ExitInstance();
    // The message loop: PumpMessage until WM_QUIT, with OnIdle(0), OnIdle(1), ... after the queue
    // empties until OnIdle returns FALSE or a message arrives. Returns ExitInstance().
    virtual int Run();
    // Background work while idle. lCount counts the calls since the last message; returns TRUE
    // to be called again. The base deletes the temporary window and menu objects (lCount 0) and
    // returns FALSE from lCount 1 on.
    virtual BOOL OnIdle(LONG lCount);
    // Offered every message before it is translated and dispatched; TRUE swallows it. The base
    // lets the window and its parents, then the main window, see it.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Gets and dispatches one message; FALSE on WM_QUIT.
    virtual BOOL PumpMessage();
    // Whether a message restarts the idle count (mouse moves that did not move, timer ticks
    // of the cursor blink and WM_PAINT do not).
    virtual BOOL IsIdleMessage(MSG* pMsg);
    virtual CWnd* GetMainWnd();

    CWnd* m_pMainWnd = nullptr;   // the window whose closing ends the thread
    CWnd* m_pActiveWnd = nullptr; // the main window of an in-place frame; unused here
    BOOL m_bAutoDelete = FALSE;
    DWORD m_nThreadID = 0;
    HANDLE m_hThread = nullptr;
    MSG m_msgCur{}; // the message being handled

protected:
    // The message code of the last WM_QUIT, for ExitInstance.
    int m_nExitCode = 0;

private:
    POINT m_ptCursorLast{-1, -1};
    UINT m_nMsgLast = 0;
};

// The application's main window (the current thread's main window for worker threads with
// one), NULL when there is none.
CWnd* AfxGetMainWnd();
// The CWinThread of the calling thread: the application object on the user-interface thread.
CWinThread* AfxGetThread();

namespace kel::mfc
{
// Adds a clean-up of temporary objects run by OnIdle (the drawing classes register theirs, so the
// message loop does not tie every program to them). Called during static initialisation.
void AddIdleCleanup(void (*pfn)());
} // namespace kel::mfc
