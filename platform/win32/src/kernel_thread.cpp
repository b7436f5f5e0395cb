// Threads: CreateThread over detached std::threads; the handle is signalled when the thread ends.
#include "kthread.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

namespace kel
{
namespace
{
class ThreadObject : public KernelObject
{
public:
    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD) const override { return m_finished; }

    // KernelLock() guards these.
    DWORD m_tid = 0;
    bool m_started = false;
    bool m_finished = false;
    DWORD m_exitCode = STILL_ACTIVE;
    int m_priority = THREAD_PRIORITY_NORMAL;
    DWORD m_suspendCount = 0;
    std::condition_variable m_changed; // start and resume hand-shakes
};

// Thrown by ExitThread on a thread the layer started; caught at the thread's base.
struct ThreadExit
{
    DWORD code;
};

// What the layer knows about the calling thread. Its end abandons the mutexes it still owns
// (for threads the layer did not start, at thread exit through the thread_local destructor).
struct ThreadState
{
    DWORD tid = static_cast<DWORD>(::syscall(SYS_gettid));
    std::shared_ptr<ThreadObject> object;  // set for threads started by CreateThread
    int priority = THREAD_PRIORITY_NORMAL; // for the other threads
    std::vector<std::weak_ptr<MutexObject>> owned;

    void AbandonMutexes()
    {
        std::lock_guard<std::mutex> lk(KernelLock());
        for (auto& weak : owned)
            if (auto m = weak.lock())
                m->Abandon(tid);
        owned.clear();
    }
    ~ThreadState() { AbandonMutexes(); }
};

thread_local ThreadState t_state;

std::shared_ptr<ThreadObject> ThreadFromHandle(HANDLE h)
{
    if (h == GetCurrentThread())
    {
        if (t_state.object)
            return t_state.object;
        ::SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return LookupHandleAs<ThreadObject>(h);
}

void RunThread(std::shared_ptr<ThreadObject> self, LPTHREAD_START_ROUTINE start, LPVOID parameter)
{
    {
        std::unique_lock<std::mutex> lk(KernelLock());
        self->m_tid = t_state.tid;
        self->m_started = true;
        self->m_changed.notify_all();
        self->m_changed.wait(lk, [&] { return self->m_suspendCount == 0; });
    }
    t_state.object = self;
    DWORD code;
    try
    {
        code = start(parameter);
    }
    catch (const ThreadExit& e)
    {
        code = e.code;
    }
    t_state.AbandonMutexes();
    t_state.object.reset();
    std::lock_guard<std::mutex> lk(KernelLock());
    self->m_exitCode = code;
    self->m_finished = true;
    self->NotifyWaiters();
}
} // namespace

void NoteMutexOwned(std::shared_ptr<MutexObject> m)
{
    auto& owned = t_state.owned;
    owned.erase(std::remove_if(owned.begin(), owned.end(), [](auto& w) { return w.expired(); }), owned.end());
    // A mutex taken again and again (a port lock at every scan step) is noted once, or the list
    // would grow with every acquire and each acquire would walk all of it.
    for (const auto& weak : owned)
        if (weak.lock() == m)
            return;
    owned.push_back(std::move(m));
}

} // namespace kel

using kel::Fail;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, LPDWORD lpThreadId)
{
    if (!lpStartAddress)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread = std::make_shared<kel::ThreadObject>();
    thread->m_suspendCount = (dwCreationFlags & CREATE_SUSPENDED) ? 1 : 0;
    try
    {
        std::thread(kel::RunThread, thread, lpStartAddress, lpParameter).detach();
    }
    catch (const std::system_error&)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    DWORD tid;
    {
        std::unique_lock<std::mutex> lk(kel::KernelLock());
        thread->m_changed.wait(lk, [&] { return thread->m_started; });
        tid = thread->m_tid;
    }
    if (lpThreadId)
        *lpThreadId = tid;
    return kel::AddHandle(std::move(thread));
}

void ExitThread(DWORD dwExitCode)
{
    if (kel::t_state.object)
        throw kel::ThreadExit{dwExitCode};
    kel::t_state.AbandonMutexes();
    pthread_exit(nullptr);
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode)
{
    auto thread = kel::ThreadFromHandle(hThread);
    if (!thread || !lpExitCode)
        return thread ? Fail(ERROR_INVALID_PARAMETER) : FALSE;
    std::lock_guard<std::mutex> lk(kel::KernelLock());
    *lpExitCode = thread->m_exitCode;
    return TRUE;
}

DWORD ResumeThread(HANDLE hThread)
{
    auto thread = kel::ThreadFromHandle(hThread);
    if (!thread)
        return static_cast<DWORD>(-1);
    std::lock_guard<std::mutex> lk(kel::KernelLock());
    const DWORD previous = thread->m_suspendCount;
    if (previous > 0 && --thread->m_suspendCount == 0)
        thread->m_changed.notify_all();
    return previous;
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority)
{
    if (hThread == GetCurrentThread() && !kel::t_state.object)
    {
        kel::t_state.priority = nPriority;
        return TRUE;
    }
    auto thread = kel::ThreadFromHandle(hThread);
    if (!thread)
        return FALSE;
    std::lock_guard<std::mutex> lk(kel::KernelLock());
    thread->m_priority = nPriority;
    return TRUE;
}

int GetThreadPriority(HANDLE hThread)
{
    if (hThread == GetCurrentThread() && !kel::t_state.object)
        return kel::t_state.priority;
    auto thread = kel::ThreadFromHandle(hThread);
    if (!thread)
        return THREAD_PRIORITY_ERROR_RETURN;
    std::lock_guard<std::mutex> lk(kel::KernelLock());
    return thread->m_priority;
}

DWORD GetCurrentThreadId()
{
    return kel::t_state.tid;
}

HANDLE GetCurrentThread()
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));
}

DWORD GetCurrentProcessId()
{
    return static_cast<DWORD>(::getpid());
}

void FatalExit(int ExitCode)
{
    std::_Exit(ExitCode);
}

void ExitProcess(UINT uExitCode)
{
    std::exit(static_cast<int>(uExitCode));
}

DWORD GetVersion()
{
    return 0x00000105; // 5.1, NT family
}

DWORD GetThreadId(HANDLE hThread)
{
    if (hThread == GetCurrentThread())
        return GetCurrentThreadId();
    auto thread = kel::ThreadFromHandle(hThread);
    if (!thread)
        return 0;
    std::lock_guard<std::mutex> lk(kel::KernelLock());
    return thread->m_tid;
}
