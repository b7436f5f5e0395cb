// Runs instrument work off the user-interface thread: tasks leave one queue strictly in order and
// run on five workers, each holding the mutex of the port its task names, so two tasks for one
// port never run at once. A locked task that asks to run again goes to the back of the queue (with
// nothing queued, it runs again at once on its worker).
#pragma once

#include "ports/DocTask.h"

class CPortList;

#include <windows.h>

#include <atomic>
#include <deque>
#include <vector>

class CPortMonitor
{
public:
    static constexpr int kWorkerCount = 5;

    // The process-wide monitor, created on first use.
    static CPortMonitor& Instance();
    // Deletes the monitor (stopping it first when it runs).
    static void Destroy();

    // Gives every entry of the port list its lock (the entries own and close them), then starts
    // the workers and the dispatcher. Once only; FALSE when it already runs or a thread or handle
    // cannot be created (nothing is left running then). The list must outlive the monitor's run.
    BOOL Start(CPortList& ports);
    // The same on the process-wide port list.
    BOOL Start();
    // Queues a task; the monitor owns it from now on.
    void Enqueue(CDocTask* task);
    BOOL IsIdle();
    int GetQueueLength();
    // Runs what is queued, then ends the threads; returns 1. Tasks that ask to run again once
    // stopping has begun are not queued again, so Stop returns even while one keeps asking.
    BOOL Stop();

    ~CPortMonitor();

private:
    CPortMonitor();
    CPortMonitor(const CPortMonitor&) = delete;
    CPortMonitor& operator=(const CPortMonitor&) = delete;

    static DWORD WINAPI WorkerProc(LPVOID param);
    static DWORD WINAPI DispatcherProc(LPVOID param);
    void WorkerLoop();
    void DispatcherLoop();
    CDocTask* Front();
    void PopFront();
    void CloseHandles();

    HANDLE m_hDispatcher = nullptr;
    HANDLE m_hGate = nullptr;
    HANDLE m_queuedEvent = nullptr;  // set after every push
    HANDLE m_goEvent = nullptr;      // releases one waiting worker
    HANDLE m_requestEvent = nullptr; // a push, or a worker that found the queue empty
    std::vector<HANDLE> m_workers;
    std::deque<CDocTask*> m_queue;
    int m_nWorkers = kWorkerCount;
    CRITICAL_SECTION m_queueLock;
    std::atomic<int> m_bQuit{0};
    int m_bStarted = 0;
};
