#include "scans/WorkerThread.h"

CWorkerThread::~CWorkerThread()
{
    StopThread();
}

void CWorkerThread::Start()
{
    if (!m_bEnabled || m_hThread)
        return;
    m_bQuit = 0;
    m_hGo = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    m_hDone = CreateEvent(nullptr, TRUE, TRUE, nullptr);
    m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

void CWorkerThread::WriteLine(const std::string& text)
{
    if (m_bEnabled && m_pStream)
        *m_pStream << text;
}

BOOL CWorkerThread::IsIdle()
{
    return !m_hDone || WaitForSingleObject(m_hDone, 0) == WAIT_OBJECT_0;
}

void CWorkerThread::WaitUntilIdle()
{
    if (m_hDone)
        WaitForSingleObject(m_hDone, INFINITE);
}

void CWorkerThread::Kick()
{
    ResetEvent(m_hDone);
    SetEvent(m_hGo);
}

void CWorkerThread::Stop()
{
    if (!m_bEnabled)
        return;
    StopThread();
}

void CWorkerThread::StopThread()
{
    if (!m_hThread)
        return;
    // One last cycle writes what was handed over, then the thread is told to end.
    WaitUntilIdle();
    Kick();
    WaitUntilIdle();
    m_bQuit = 1;
    SetEvent(m_hGo);
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    CloseHandle(m_hGo);
    CloseHandle(m_hDone);
    m_hThread = m_hGo = m_hDone = nullptr;
}

DWORD WINAPI CWorkerThread::ThreadProc(LPVOID param)
{
    auto* self = static_cast<CWorkerThread*>(param);
    while (!self->m_bQuit)
    {
        WaitForSingleObject(self->m_hGo, INFINITE);
        if (self->m_bQuit)
            break;
        self->DoWork();
        SetEvent(self->m_hDone);
    }
    return 0;
}
