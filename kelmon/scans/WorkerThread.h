// A small event-driven thread: each signal of its go event runs one cycle of DoWork, and its done
// event is signalled while no cycle is in progress. The text logs of the panel, pressure-versus-
// time and table scans write through one (CDataQueue), so the stepping worker never waits for
// the disk.
//
// Threads: the owner (a scan's stepping thread) calls Start, WriteLine, Push and Stop; the writer
// thread runs DoWork between go and done. The done event is the hand-over token: the owner touches
// the work only while the writer is idle.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>

class CWorkerThread
{
public:
    CWorkerThread() = default;
    // Stops a thread that still runs (without the derived class's work, which is gone by now).
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // When enabled: creates the events and the thread. A thread already running is kept (one
    // thread per object).
    virtual void Start();
    // When enabled: writes text to the stream as it stands, on the caller's thread. Only before the
    // first hand-over (the log's header).
    virtual void WriteLine(const std::string& text);
    // When enabled and started: runs one last cycle, which writes whatever is handed over, then
    // ends the thread and closes its handles. A later Start makes fresh ones.
    virtual void Stop();
    // One cycle of work, on the writer thread. Nothing here.
    virtual void DoWork() {}

    // No cycle in progress (also before Start).
    BOOL IsIdle();
    // Waits until no cycle is in progress.
    void WaitUntilIdle();

    // The stream the work writes to; not owned. Set before Start.
    void SetStream(std::ostream* stream) { m_pStream = stream; }
    std::ostream* GetStream() const { return m_pStream; }
    void SetEnabled(BOOL enabled) { m_bEnabled = enabled ? 1 : 0; }
    BOOL IsEnabled() const { return m_bEnabled; }
    BOOL IsStarted() const { return m_hThread != nullptr; }

    static DWORD WINAPI ThreadProc(LPVOID param);

protected:
    // Signals go for one cycle (the done event is reset first).
    void Kick();
    void StopThread();

    HANDLE m_hGo = nullptr;   // auto-reset: run one cycle
    HANDLE m_hDone = nullptr; // manual-reset: signalled while idle
    std::atomic<int32_t> m_bQuit{0};
    HANDLE m_hThread = nullptr;
    std::ostream* m_pStream = nullptr;
    int32_t m_bEnabled = 0;
};
