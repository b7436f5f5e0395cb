#include "ports/PortMonitor.h"

#include "ports/PortList.h"

namespace
{
CPortMonitor* g_instance = nullptr;
CRITICAL_SECTION* InstanceLock()
{
    static CRITICAL_SECTION lock = []
    {
        CRITICAL_SECTION cs;
        InitializeCriticalSection(&cs);
        return cs;
    }();
    return &lock;
}
} // namespace

CPortMonitor& CPortMonitor::Instance()
{
    EnterCriticalSection(InstanceLock());
    if (!g_instance)
        g_instance = new CPortMonitor();
    CPortMonitor& monitor = *g_instance;
    LeaveCriticalSection(InstanceLock());
    return monitor;
}

void CPortMonitor::Destroy()
{
    EnterCriticalSection(InstanceLock());
    CPortMonitor* monitor = g_instance;
    g_instance = nullptr;
    LeaveCriticalSection(InstanceLock());
    delete monitor;
}

CPortMonitor::CPortMonitor()
{
    InitializeCriticalSection(&m_queueLock);
}

CPortMonitor::~CPortMonitor()
{
    if (m_bStarted)
        Stop();
    CloseHandles();
    for (CDocTask* task : m_queue)
        delete task;
    DeleteCriticalSection(&m_queueLock);
}

void CPortMonitor::CloseHandles()
{
    for (HANDLE* h : {&m_hGate, &m_queuedEvent, &m_goEvent, &m_requestEvent})
    {
        if (*h)
            CloseHandle(*h);
        *h = nullptr;
    }
}

BOOL CPortMonitor::Start()
{
    return Start(CPortList::Instance());
}

BOOL CPortMonitor::Start(CPortList& ports)
{
    if (m_bStarted)
        return FALSE;
    EnterCriticalSection(&m_queueLock);
    for (CDocTask* task : m_queue)
        delete task;
    m_queue.clear();
    LeaveCriticalSection(&m_queueLock);
    m_bQuit = 0;

    ports.CreatePortLocks();
    m_queuedEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    m_requestEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    m_goEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    m_hGate = CreateMutex(nullptr, FALSE, nullptr);
    if (!m_queuedEvent || !m_requestEvent || !m_goEvent || !m_hGate)
    {
        CloseHandles();
        return FALSE;
    }

    m_workers.assign(m_nWorkers, nullptr);
    bool failed = false;
    for (HANDLE& worker : m_workers)
        failed |= !(worker = CreateThread(nullptr, 0, WorkerProc, this, 0, nullptr));
    if (!failed)
        failed = !(m_hDispatcher = CreateThread(nullptr, 0, DispatcherProc, this, 0, nullptr));
    m_bStarted = 1;
    if (failed)
    {
        // Whatever started ends through the normal stop path.
        Stop();
        return FALSE;
    }
    return TRUE;
}

void CPortMonitor::Enqueue(CDocTask* task)
{
    EnterCriticalSection(&m_queueLock);
    SetEvent(m_requestEvent);
    m_queue.push_back(task);
    SetEvent(m_queuedEvent);
    LeaveCriticalSection(&m_queueLock);
}

BOOL CPortMonitor::IsIdle()
{
    return GetQueueLength() == 0;
}

int CPortMonitor::GetQueueLength()
{
    EnterCriticalSection(&m_queueLock);
    const int count = static_cast<int>(m_queue.size());
    LeaveCriticalSection(&m_queueLock);
    return count;
}

CDocTask* CPortMonitor::Front()
{
    EnterCriticalSection(&m_queueLock);
    CDocTask* task = m_queue.empty() ? nullptr : m_queue.front();
    LeaveCriticalSection(&m_queueLock);
    return task;
}

void CPortMonitor::PopFront()
{
    EnterCriticalSection(&m_queueLock);
    if (!m_queue.empty())
        m_queue.pop_front();
    LeaveCriticalSection(&m_queueLock);
}

BOOL CPortMonitor::Stop()
{
    if (!m_bStarted)
        return TRUE;
    m_bQuit = 1;
    if (m_requestEvent)
        Enqueue(new CDocTask());
    // The dispatcher may already have seen the quit flag with the queue still empty and left, with
    // every worker waiting for its go: wake one here. Each worker that ends wakes the next.
    if (m_goEvent)
        SetEvent(m_goEvent);
    std::vector<HANDLE> running;
    for (HANDLE worker : m_workers)
        if (worker)
            running.push_back(worker);
    if (!running.empty())
        WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), TRUE, INFINITE);
    if (m_hDispatcher)
    {
        // A dispatcher that waits for a push after the last worker left is woken here.
        SetEvent(m_requestEvent);
        SetEvent(m_queuedEvent);
        WaitForSingleObject(m_hDispatcher, INFINITE);
    }
    for (HANDLE worker : running)
        CloseHandle(worker);
    m_workers.clear();
    if (m_hDispatcher)
        CloseHandle(m_hDispatcher);
    m_hDispatcher = nullptr;
    m_bStarted = 0;
    return TRUE;
}

// A worker works for the monitor that started it. Looking the monitor up by Instance() instead
// would let a worker the scheduler starts late, after Destroy has let go of the instance, make a
// new idle monitor and spin on its missing handles while Stop waits for it.
DWORD WINAPI CPortMonitor::WorkerProc(LPVOID param)
{
    static_cast<CPortMonitor*>(param)->WorkerLoop();
    return 0;
}

DWORD WINAPI CPortMonitor::DispatcherProc(LPVOID param)
{
    static_cast<CPortMonitor*>(param)->DispatcherLoop();
    return 0;
}

void CPortMonitor::WorkerLoop()
{
    for (;;)
    {
        WaitForSingleObject(m_hGate, INFINITE);
        if (m_bQuit && IsIdle())
            break;
        if (IsIdle())
        {
            ReleaseMutex(m_hGate);
            SetEvent(m_requestEvent);
            WaitForSingleObject(m_goEvent, INFINITE);
            WaitForSingleObject(m_hGate, INFINITE);
        }
        CDocTask* front = Front();
        if (!front)
        {
            ReleaseMutex(m_hGate);
            continue;
        }
        // Holding the gate while waiting for the port keeps the queue's order: nothing behind
        // this task leaves the queue before it.
        if (HANDLE lock = front->GetLock())
            WaitForSingleObject(lock, INFINITE);
        CDocTask* task = front->Clone();
        PopFront();
        delete front;
        HANDLE lock = task->GetLock();
        ReleaseMutex(m_hGate);

        int again = task->Run();
        // A locked task that asks to run again with nothing queued behind it would be queued and
        // taken straight back: it runs again here instead, still holding its port, which spares
        // every step of a scan a round through the queue's events. Anything queued meanwhile
        // (another document's step, a stop) sends it to the back as usual.
        while (lock && again && !m_bQuit && IsIdle())
            again = task->Run();
        if (lock)
        {
            // Once stopping has begun a task is not queued again, or a task that always asks
            // to run again would keep Stop from ever returning.
            if (again && !m_bQuit)
                Enqueue(task);
            else
                delete task;
            ReleaseMutex(lock);
        }
        else
            delete task;
    }
    SetEvent(m_requestEvent);
    SetEvent(m_goEvent);
    ReleaseMutex(m_hGate);
}

void CPortMonitor::DispatcherLoop()
{
    for (;;)
    {
        if (m_bQuit && IsIdle())
            break;
        WaitForSingleObject(m_requestEvent, INFINITE);
        if (IsIdle())
        {
            if (m_bQuit)
                break;
            WaitForSingleObject(m_queuedEvent, INFINITE);
        }
        SetEvent(m_goEvent);
    }
}
