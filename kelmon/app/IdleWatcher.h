// Spares the head's filament and electron multiplier while the user leaves the program alone: the
// tracker polls the time of the last input on a thread of its own and calls the watcher back once
// the user has been idle longer than the chosen delay and no port is busy scanning; the watcher
// then switches the filament and multiplier (or the multiplier only) off on every head it can reach.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

class CPortList;

// Minutes of maintenance index 0..7 (0 means never); an index outside that range gives 0.
int MaintenanceDelayMinutes(int index);

class CUserIdleTracker
{
public:
    using IdleCallback = void (*)();
    using BusyTestCallback = BOOL (*)();
    // The tick of the last user input; FALSE when it cannot be told.
    using LastInputFunction = BOOL (*)(DWORD* tick);

    static constexpr DWORD kPollMs = 2000;

    CUserIdleTracker();
    ~CUserIdleTracker();
    CUserIdleTracker(const CUserIdleTracker&) = delete;
    CUserIdleTracker& operator=(const CUserIdleTracker&) = delete;

    // Threshold := minutes x 60,000 ms; both callbacks are kept. May be called while the thread
    // runs: the thread picks the new rule up at its next pass.
    void SetCallbacks(int minutes, BusyTestCallback busyTest, IdleCallback idleCallback);
    // Starts the polling thread; 1 when it runs, 0 when there is no source of input times or the
    // thread cannot be made.
    int Start();
    // Ends the thread and waits for it: an idle callback that is switching a head off finishes
    // first, so nothing it uses goes away under it.
    void Stop();
    BOOL IsRunning() const { return m_hThread != nullptr; }

    // The source of input times (the window system's by default); tests give their own.
    void SetLastInputFunction(LastInputFunction function) { m_lastInput = function; }
    DWORD GetThreshold() const { return m_threshold.load(); }
    IdleCallback GetIdleCallback() const { return m_idleCallback.load(); }

private:
    static DWORD WINAPI ThreadProc(LPVOID param);
    void Run();

    HANDLE m_hStopEvent = nullptr;
    HANDLE m_hThread = nullptr;
    std::atomic<IdleCallback> m_idleCallback{nullptr};
    std::atomic<BusyTestCallback> m_busyTest{nullptr};
    std::atomic<DWORD> m_threshold{0};
    DWORD m_lastActivity = 0;
    LastInputFunction m_lastInput;
};

class CIdleWatcher
{
public:
    // The process-wide watcher (delays 0, disarmed at creation).
    static CIdleWatcher* GetInstance();
    // Deletes it at exit; its tracker stops first.
    static void DestroyInstance();

    virtual ~CIdleWatcher();

    // Applies the two delays: both 0 disarms; otherwise the filament rule when its delay is set,
    // else the multiplier rule, on a tracker started once and changed in place afterwards.
    void Arm();
    CUserIdleTracker* GetTracker() const { return m_pTracker.get(); }

    // True as soon as one port of the program's list is bound to a scanning document.
    static BOOL IsAnyPortBusy();
    // The idle callbacks: every head of the program's port list, switched off.
    static void FilamentAndCemOff();
    static void CemOff();
    // What both do, on one list: filament (and multiplier) off, or the multiplier only. Each
    // head is used with its port's lock held and asks nobody (no box from this thread).
    static void SwitchOffHeads(CPortList& ports, BOOL filament);

    int m_nCemDelay = 0;      // minutes
    int m_nFilamentDelay = 0; // minutes

private:
    CIdleWatcher() = default;
    static CIdleWatcher* s_instance;

    std::unique_ptr<CUserIdleTracker> m_pTracker;
};
