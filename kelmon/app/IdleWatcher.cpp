#include "app/IdleWatcher.h"

#include "head/Head.h"
#include "ports/InstrumentDesc.h"
#include "ports/PortBindingRegistry.h"
#include "ports/PortList.h"

namespace
{
constexpr int kDelayMinutes[] = {0, 1, 5, 10, 20, 30, 45, 60};
constexpr DWORD kMsPerMinute = 60000;
// How long the idle thread waits for a port that a task is using before it passes over it.
constexpr DWORD kPortLockWaitMs = 10000;

BOOL WindowSystemLastInput(DWORD* tick)
{
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    if (!::GetLastInputInfo(&info))
        return FALSE;
    *tick = info.dwTime;
    return TRUE;
}

// Switches one descriptor's head off, quietly: a box asked for here would come from the idle
// thread.
void SwitchOff(CInstrumentDesc& desc, BOOL filament)
{
    CHead* head = desc.GetHead();
    if (!head)
        return;
    CHead::QuietScope quiet(*head);
    if (filament)
        desc.FilamentOffIfOn();
    else
        desc.CemOffIfOn();
}
} // namespace

int MaintenanceDelayMinutes(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(kDelayMinutes)))
        return 0;
    return kDelayMinutes[index];
}

// ---- CUserIdleTracker ------------------------------------------------------------------------

CUserIdleTracker::CUserIdleTracker() : m_lastInput(WindowSystemLastInput) {}

CUserIdleTracker::~CUserIdleTracker()
{
    Stop();
}

void CUserIdleTracker::SetCallbacks(int minutes, BusyTestCallback busyTest, IdleCallback idleCallback)
{
    m_threshold = static_cast<DWORD>(minutes < 0 ? 0 : minutes) * kMsPerMinute;
    m_busyTest = busyTest;
    m_idleCallback = idleCallback;
}

int CUserIdleTracker::Start()
{
    if (m_hThread)
        return 1;
    if (!m_lastInput)
        return 0;
    m_hStopEvent = ::CreateEvent(nullptr, FALSE, FALSE, nullptr);
    if (!m_hStopEvent)
        return 0;
    m_lastActivity = ::GetTickCount();
    m_hThread = ::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (!m_hThread)
    {
        ::CloseHandle(m_hStopEvent);
        m_hStopEvent = nullptr;
        return 0;
    }
    ::SetThreadPriority(m_hThread, THREAD_PRIORITY_BELOW_NORMAL);
    return 1;
}

void CUserIdleTracker::Stop()
{
    if (m_hThread)
    {
        ::SetEvent(m_hStopEvent);
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    if (m_hStopEvent)
    {
        ::CloseHandle(m_hStopEvent);
        m_hStopEvent = nullptr;
    }
}

DWORD WINAPI CUserIdleTracker::ThreadProc(LPVOID param)
{
    static_cast<CUserIdleTracker*>(param)->Run();
    return 0;
}

void CUserIdleTracker::Run()
{
    // Between passes the thread waits on the stop event, so Stop never waits out a whole poll.
    for (DWORD wait = 0; ::WaitForSingleObject(m_hStopEvent, wait) != WAIT_OBJECT_0; wait = kPollMs)
    {
        const DWORD now = ::GetTickCount();
        const BusyTestCallback busy = m_busyTest.load();
        DWORD input = 0;
        if (busy && busy())
            m_lastActivity = now;
        else if (m_lastInput(&input) && static_cast<int32_t>(input - m_lastActivity) > 0)
            m_lastActivity = input;
        const IdleCallback callback = m_idleCallback.load();
        if (static_cast<int32_t>(now - m_lastActivity) > static_cast<int32_t>(m_threshold.load()))
        {
            if (callback)
                callback();
            m_lastActivity = ::GetTickCount();
        }
    }
}

// ---- CIdleWatcher ----------------------------------------------------------------------------

CIdleWatcher* CIdleWatcher::s_instance = nullptr;

CIdleWatcher* CIdleWatcher::GetInstance()
{
    if (!s_instance)
        s_instance = new CIdleWatcher;
    return s_instance;
}

void CIdleWatcher::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}

CIdleWatcher::~CIdleWatcher()
{
    m_pTracker.reset();
}

void CIdleWatcher::Arm()
{
    if (m_nCemDelay == 0 && m_nFilamentDelay == 0)
    {
        m_pTracker.reset();
        return;
    }
    const bool create = !m_pTracker;
    if (create)
        m_pTracker = std::make_unique<CUserIdleTracker>();
    if (m_nFilamentDelay != 0)
        m_pTracker->SetCallbacks(m_nFilamentDelay, IsAnyPortBusy, FilamentAndCemOff);
    else
        m_pTracker->SetCallbacks(m_nCemDelay, IsAnyPortBusy, CemOff);
    if (create)
        m_pTracker->Start();
}

BOOL CIdleWatcher::IsAnyPortBusy()
{
    CPortList& ports = CPortList::Instance();
    CPortBindingRegistry& bindings = CPortBindingRegistry::GetInstance();
    const int count = ports.GetCount();
    for (int i = 0; i < count; ++i)
    {
        const std::shared_ptr<CPortEntry> entry = ports.HoldAt(i);
        if (entry && bindings.IsRunning(entry.get()))
            return TRUE;
    }
    return FALSE;
}

void CIdleWatcher::FilamentAndCemOff()
{
    SwitchOffHeads(CPortList::Instance(), TRUE);
}

void CIdleWatcher::CemOff()
{
    SwitchOffHeads(CPortList::Instance(), FALSE);
}

void CIdleWatcher::SwitchOffHeads(CPortList& ports, BOOL filament)
{
    // By index and held: the list may be refreshed meanwhile.
    const int count = ports.GetCount();
    for (int i = 0; i < count; ++i)
    {
        const std::shared_ptr<CPortEntry> entry = ports.HoldAt(i);
        if (!entry)
            continue;
        const int state = entry->GetInstrumentState();
        if (state != CPortEntry::KIND_SERIAL && state != CPortEntry::KIND_SIMULATED)
            continue;
        // The port's lock first, so no task of the port monitor talks to this head meanwhile.
        const HANDLE lock = entry->GetPortLock();
        if (lock)
        {
            const DWORD got = ::WaitForSingleObject(lock, kPortLockWaitMs);
            if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED)
                continue;
        }
        const std::string connector = entry->GetConnector();
        if (std::shared_ptr<CInstrumentDesc> desc = entry->GetDescriptor())
        {
            if (desc->IsConnected())
                SwitchOff(*desc, filament);
            else if (desc->Connect(connector))
            {
                SwitchOff(*desc, filament);
                desc->Disconnect();
            }
        }
        else if (std::shared_ptr<CInstrumentDesc> temporary = CreateInstrumentDesc(state))
        {
            if (temporary->Connect(connector))
                SwitchOff(*temporary, filament);
            temporary->Disconnect();
        }
        if (lock)
            ::ReleaseMutex(lock);
    }
}
