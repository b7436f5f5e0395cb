// Events, mutexes, semaphores, the waits on them, critical sections, Sleep and Interlocked*.
//
// One kernel lock guards every object's state. A blocked wait registers a Waiter (a condition
// variable) with each object it waits on; a state change notifies the registered waiters, which
// re-check all their objects under the lock. That keeps wait-all atomic and simple.
#include "kinternal.h"
#include "win32/clock.h"
#include "kthread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <thread>
#include <unordered_map>

namespace kel
{

// ---- Objects ----------------------------------------------------------------------------------

class EventObject : public KernelObject
{
public:
    EventObject(bool manual, bool state) : m_manual(manual), m_state(state) {}
    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD) const override { return m_state; }
    DWORD Acquire(DWORD) override
    {
        if (!m_manual)
            m_state = false;
        return WAIT_OBJECT_0;
    }
    void Set()
    {
        m_state = true;
        NotifyWaiters();
    }
    void Reset() { m_state = false; }
    void Pulse()
    {
        // Hands the signal to the threads waiting right now (one for auto-reset) and stays reset.
        for (Waiter* w : Waiters())
        {
            w->pulsed.push_back(this);
            w->cv.notify_all();
            if (!m_manual)
                break;
        }
        m_state = false;
    }

private:
    bool m_manual;
    bool m_state;
};

class SemaphoreObject : public KernelObject
{
public:
    SemaphoreObject(LONG count, LONG max) : m_count(count), m_max(max) {}
    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD) const override { return m_count > 0; }
    DWORD Acquire(DWORD) override
    {
        --m_count;
        return WAIT_OBJECT_0;
    }
    BOOL Release(LONG n, LONG* previous)
    {
        if (n <= 0 || n > m_max - m_count)
            return Fail(n <= 0 ? ERROR_INVALID_PARAMETER : ERROR_TOO_MANY_POSTS);
        if (previous)
            *previous = m_count;
        m_count += n;
        NotifyWaiters();
        return TRUE;
    }

private:
    LONG m_count;
    LONG m_max;
};

bool MutexObject::IsSignaled(DWORD tid) const
{
    return m_owner == 0 || m_owner == tid;
}

DWORD MutexObject::Acquire(DWORD tid)
{
    if (m_owner == tid)
    {
        ++m_recursion;
        return WAIT_OBJECT_0;
    }
    m_owner = tid;
    m_recursion = 1;
    NoteMutexOwned(std::static_pointer_cast<MutexObject>(shared_from_this()));
    const bool abandoned = m_abandoned;
    m_abandoned = false;
    return abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
}

BOOL MutexObject::Release(DWORD tid)
{
    if (m_owner != tid)
        return Fail(ERROR_NOT_OWNER);
    if (--m_recursion == 0)
    {
        m_owner = 0;
        NotifyWaiters();
    }
    return TRUE;
}

void MutexObject::Abandon(DWORD tid)
{
    if (m_owner != tid)
        return;
    m_owner = 0;
    m_recursion = 0;
    m_abandoned = true;
    NotifyWaiters();
}

// ---- Waiter registration -----------------------------------------------------------------------

namespace
{
std::set<Waiter*>& AllWaiters()
{
    static std::set<Waiter*>* all = new std::set<Waiter*>;
    return *all;
}

struct ServiceState
{
    Waiter* waiting = nullptr;
    bool pending = false;
};

// Threads that have a wait service; guarded by KernelLock().
std::unordered_map<DWORD, ServiceState>& Services()
{
    static auto* services = new std::unordered_map<DWORD, ServiceState>;
    return *services;
}

thread_local std::function<void()> t_waitService;
} // namespace

// Registers a waiter with its objects for the lifetime of one wait; KernelLock() must be held
// at construction and destruction.
struct WaitRegistration
{
    WaitRegistration(Waiter& w, const std::vector<std::shared_ptr<KernelObject>>& objects)
        : m_w(w), m_objects(objects)
    {
        for (auto& o : m_objects)
            o->m_waiters.push_back(&m_w);
        AllWaiters().insert(&m_w);
    }
    ~WaitRegistration()
    {
        for (auto& o : m_objects)
        {
            auto& v = o->m_waiters;
            v.erase(std::find(v.begin(), v.end(), &m_w));
        }
        AllWaiters().erase(&m_w);
    }
    Waiter& m_w;
    const std::vector<std::shared_ptr<KernelObject>>& m_objects;
};

std::vector<Waiter*> KernelObject::Waiters() const
{
    return m_waiters;
}

void WakeAllWaiters()
{
    std::lock_guard<std::mutex> lk(KernelLock());
    for (Waiter* w : AllWaiters())
        w->cv.notify_all();
}

void SetWaitService(std::function<void()> serve)
{
    const DWORD tid = GetCurrentThreadId();
    std::lock_guard<std::mutex> lk(KernelLock());
    if (serve)
        Services()[tid];
    else
        Services().erase(tid);
    t_waitService = std::move(serve);
}

void WakeThreadWaits(DWORD tid)
{
    std::lock_guard<std::mutex> lk(KernelLock());
    auto it = Services().find(tid);
    if (it == Services().end())
        return;
    it->second.pending = true;
    if (it->second.waiting)
        it->second.waiting->cv.notify_all();
}

// ---- The wait ------------------------------------------------------------------------------------

namespace
{
// deadline: layer time in ns at which the wait times out; < 0 for none.
DWORD Wait(std::vector<std::shared_ptr<KernelObject>> objects, bool all, int64_t deadline)
{
    const DWORD tid = GetCurrentThreadId();
    const bool finite = deadline >= 0;
    const size_t n = objects.size();

    std::unique_lock<std::mutex> lk(KernelLock());
    Waiter w;
    WaitRegistration registration(w, objects);
    // The service may be removed or replaced while it runs, and may wait itself: look the thread's
    // entry up afresh each time and hand the wake-ups back to an outer wait of this thread at the end.
    const auto serviceState = [tid]() -> ServiceState*
    {
        auto it = Services().find(tid);
        return it == Services().end() ? nullptr : &it->second;
    };
    struct ServiceRegistration
    {
        ServiceRegistration(decltype(serviceState)& state, Waiter* waiter) : m_state(state)
        {
            if (ServiceState* s = m_state())
            {
                m_outer = s->waiting;
                s->waiting = waiter;
            }
        }
        ~ServiceRegistration()
        {
            if (ServiceState* s = m_state())
                s->waiting = m_outer;
        }
        decltype(serviceState)& m_state;
        Waiter* m_outer = nullptr;
    } serviceRegistration(serviceState, &w);

    auto pulsed = [&](size_t i)
    { return std::find(w.pulsed.begin(), w.pulsed.end(), objects[i].get()) != w.pulsed.end(); };
    auto ready = [&](size_t i) { return objects[i]->IsSignaled(tid) || pulsed(i); };

    for (;;)
    {
        if (!all)
        {
            for (size_t i = 0; i < n; ++i)
                if (ready(i))
                    return (pulsed(i) ? WAIT_OBJECT_0 : objects[i]->Acquire(tid)) + static_cast<DWORD>(i);
        }
        else if (std::all_of(objects.begin(), objects.end(), [&](auto& o) { return o->IsSignaled(tid); }))
        {
            DWORD result = WAIT_OBJECT_0;
            for (size_t i = 0; i < n; ++i)
                if (objects[i]->Acquire(tid) == WAIT_ABANDONED_0 && result == WAIT_OBJECT_0)
                    result = WAIT_ABANDONED_0 + static_cast<DWORD>(i);
            return result;
        }
        w.pulsed.clear();

        if (ServiceState* s = serviceState(); s && s->pending)
        {
            s->pending = false;
            const std::function<void()> serve = t_waitService; // it may replace itself
            lk.unlock();
            if (serve)
                serve();
            lk.lock();
            if (ServiceState* again = serviceState())
                again->waiting = &w; // a wait inside the service took the wake-ups over
            continue;
        }

        int64_t slice = INT64_C(100000000);
        if (finite)
        {
            const int64_t now = ClockNowNs();
            if (now >= deadline)
                return WAIT_TIMEOUT;
            slice = std::min(ClockRealWaitNs(deadline - now), INT64_C(250000000));
        }
        w.cv.wait_for(lk, std::chrono::nanoseconds(std::max<int64_t>(slice, 1000)));
    }
}

// Objects behind the handles, or an empty vector (last error set) when one is bad.
std::vector<std::shared_ptr<KernelObject>> Resolve(DWORD n, const HANDLE* handles)
{
    std::vector<std::shared_ptr<KernelObject>> objects;
    if (n == 0 || n > MAXIMUM_WAIT_OBJECTS || !handles)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return objects;
    }
    for (DWORD i = 0; i < n; ++i)
    {
        auto o = handles[i] == GetCurrentThread() ? nullptr : LookupHandle(handles[i]);
        if (!o || !o->Waitable())
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return {};
        }
        objects.push_back(std::move(o));
    }
    return objects;
}

// ---- Named objects -------------------------------------------------------------------------------

std::mutex& NamesLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::map<std::string, std::weak_ptr<KernelObject>>& Names()
{
    static auto* names = new std::map<std::string, std::weak_ptr<KernelObject>>;
    return *names;
}

// Returns a handle to the object named `name` if it exists (ERROR_ALREADY_EXISTS, or NULL with
// ERROR_INVALID_HANDLE when it is of another kind); else makes one with `make`.
template <class T, class Make> HANDLE CreateNamed(LPCSTR name, Make make, bool* created = nullptr)
{
    if (created)
        *created = true;
    if (!name || !*name)
    {
        SetLastError(ERROR_SUCCESS);
        return AddHandle(make());
    }
    std::lock_guard<std::mutex> lk(NamesLock());
    auto& names = Names();
    if (auto existing = names[name].lock())
    {
        if (!std::dynamic_pointer_cast<T>(existing))
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (created)
            *created = false;
        HANDLE h = AddHandle(std::move(existing));
        SetLastError(ERROR_ALREADY_EXISTS);
        return h;
    }
    std::shared_ptr<KernelObject> object = make();
    names[name] = object;
    SetLastError(ERROR_SUCCESS);
    return AddHandle(std::move(object));
}

template <class T> HANDLE OpenNamed(LPCSTR name)
{
    std::lock_guard<std::mutex> lk(NamesLock());
    auto it = name ? Names().find(name) : Names().end();
    std::shared_ptr<KernelObject> existing = it != Names().end() ? it->second.lock() : nullptr;
    if (!existing || !std::dynamic_pointer_cast<T>(existing))
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return AddHandle(std::move(existing));
}
} // namespace

DWORD WaitUntil(DWORD n, const HANDLE* handles, int64_t deadlineNs)
{
    auto objects = Resolve(n, handles);
    if (objects.empty())
        return WAIT_FAILED;
    return Wait(std::move(objects), false, deadlineNs);
}

} // namespace kel

using kel::Fail;

DWORD WaitForMultipleObjectsEx(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds,
                               BOOL)
{
    auto objects = kel::Resolve(nCount, lpHandles);
    if (objects.empty())
        return WAIT_FAILED;
    const int64_t deadline =
        dwMilliseconds == INFINITE ? -1 : kel::ClockNowNs() + static_cast<int64_t>(dwMilliseconds) * 1000000;
    return kel::Wait(std::move(objects), bWaitAll != FALSE, deadline);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds)
{
    return WaitForMultipleObjectsEx(nCount, lpHandles, bWaitAll, dwMilliseconds, FALSE);
}

DWORD WaitForSingleObjectEx(HANDLE hHandle, DWORD dwMilliseconds, BOOL bAlertable)
{
    return WaitForMultipleObjectsEx(1, &hHandle, FALSE, dwMilliseconds, bAlertable);
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    return WaitForMultipleObjectsEx(1, &hHandle, FALSE, dwMilliseconds, FALSE);
}

void Sleep(DWORD dwMilliseconds)
{
    switch (kel::GetClockMode())
    {
    case kel::ClockMode::Fake:
        // Polling loops in the code under test must see time pass.
        kel::AdvanceFakeClock(dwMilliseconds);
        std::this_thread::yield();
        return;
    case kel::ClockMode::Scaled:
        std::this_thread::sleep_for(
            std::chrono::nanoseconds(kel::ClockRealWaitNs(static_cast<int64_t>(dwMilliseconds) * 1000000)));
        return;
    case kel::ClockMode::Real:
        if (dwMilliseconds == 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
        return;
    }
}

DWORD SleepEx(DWORD dwMilliseconds, BOOL)
{
    Sleep(dwMilliseconds);
    return 0;
}

// ---- Events, mutexes, semaphores -----------------------------------------------------------------

HANDLE CreateEvent(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName)
{
    return kel::CreateNamed<kel::EventObject>(
        lpName,
        [&] { return std::make_shared<kel::EventObject>(bManualReset != FALSE, bInitialState != FALSE); });
}

HANDLE OpenEvent(DWORD, BOOL, LPCSTR lpName)
{
    return kel::OpenNamed<kel::EventObject>(lpName);
}

namespace
{
template <class F> BOOL WithEvent(HANDLE h, F f)
{
    auto e = kel::LookupHandleAs<kel::EventObject>(h);
    if (!e)
        return FALSE;
    std::lock_guard<std::mutex> lk(kel::KernelLock());
    f(*e);
    return TRUE;
}
} // namespace

BOOL SetEvent(HANDLE hEvent)
{
    return WithEvent(hEvent, [](kel::EventObject& e) { e.Set(); });
}

BOOL ResetEvent(HANDLE hEvent)
{
    return WithEvent(hEvent, [](kel::EventObject& e) { e.Reset(); });
}

BOOL PulseEvent(HANDLE hEvent)
{
    return WithEvent(hEvent, [](kel::EventObject& e) { e.Pulse(); });
}

HANDLE CreateMutex(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName)
{
    bool created = false;
    HANDLE h = kel::CreateNamed<kel::MutexObject>(
        lpName, [] { return std::make_shared<kel::MutexObject>(); }, &created);
    if (h && created && bInitialOwner)
    {
        const DWORD error = GetLastError();
        WaitForSingleObject(h, 0);
        SetLastError(error);
    }
    return h;
}

HANDLE OpenMutex(DWORD, BOOL, LPCSTR lpName)
{
    return kel::OpenNamed<kel::MutexObject>(lpName);
}

BOOL ReleaseMutex(HANDLE hMutex)
{
    auto m = kel::LookupHandleAs<kel::MutexObject>(hMutex);
    if (!m)
        return FALSE;
    std::lock_guard<std::mutex> lk(kel::KernelLock());
    return m->Release(GetCurrentThreadId());
}

HANDLE CreateSemaphore(LPSECURITY_ATTRIBUTES, LONG lInitialCount, LONG lMaximumCount, LPCSTR lpName)
{
    if (lMaximumCount <= 0 || lInitialCount < 0 || lInitialCount > lMaximumCount)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return kel::CreateNamed<kel::SemaphoreObject>(
        lpName, [&] { return std::make_shared<kel::SemaphoreObject>(lInitialCount, lMaximumCount); });
}

BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount)
{
    auto s = kel::LookupHandleAs<kel::SemaphoreObject>(hSemaphore);
    if (!s)
        return FALSE;
    std::lock_guard<std::mutex> lk(kel::KernelLock());
    return s->Release(lReleaseCount, lpPreviousCount);
}

// ---- Critical sections ---------------------------------------------------------------------------

namespace
{
std::recursive_mutex* Impl(LPCRITICAL_SECTION cs)
{
    return static_cast<std::recursive_mutex*>(cs->impl);
}

void Entered(LPCRITICAL_SECTION cs)
{
    if (++cs->RecursionCount == 1)
        cs->OwningThread = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GetCurrentThreadId()));
}
} // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    lpCriticalSection->impl = new std::recursive_mutex;
    lpCriticalSection->LockCount = -1;
    lpCriticalSection->RecursionCount = 0;
    lpCriticalSection->OwningThread = nullptr;
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD)
{
    InitializeCriticalSection(lpCriticalSection);
    return TRUE;
}

void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    Impl(lpCriticalSection)->lock();
    Entered(lpCriticalSection);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    if (!Impl(lpCriticalSection)->try_lock())
        return FALSE;
    Entered(lpCriticalSection);
    return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    if (--lpCriticalSection->RecursionCount == 0)
        lpCriticalSection->OwningThread = nullptr;
    Impl(lpCriticalSection)->unlock();
}

void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    delete Impl(lpCriticalSection);
    lpCriticalSection->impl = nullptr;
}

// ---- Interlocked ---------------------------------------------------------------------------------

// The Windows signatures take volatile LONG*; the GCC builtins give the full barriers Windows has.
LONG InterlockedIncrement(volatile LONG* Addend)
{
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(volatile LONG* Addend)
{
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedExchange(volatile LONG* Target, LONG Value)
{
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

LONG InterlockedCompareExchange(volatile LONG* Destination, LONG Exchange, LONG Comparand)
{
    __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return Comparand;
}

LONG InterlockedExchangeAdd(volatile LONG* Addend, LONG Value)
{
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

PVOID InterlockedExchangePointer(PVOID volatile* Target, PVOID Value)
{
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

PVOID InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange, PVOID Comparand)
{
    __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
    return Comparand;
}
