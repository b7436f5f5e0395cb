// Kernel objects behind HANDLE values: one handle table for threads, events, mutexes,
// semaphores, files, find searches and device handles added by later modules (serial ports).
// CloseHandle, ReadFile, WriteFile and the waits dispatch through KernelObject.
#pragma once

#include "win32/types.h"
#include "win32/kernel.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct _OVERLAPPED;

namespace kel
{

struct Waiter;

// Base of every object a kernel HANDLE refers to. Subclasses override what they support;
// the defaults fail with ERROR_INVALID_HANDLE (I/O) or report "not waitable".
class KernelObject : public std::enable_shared_from_this<KernelObject>
{
public:
    virtual ~KernelObject();

    // Called by CloseHandle for each handle closed; the object itself lives while any handle or
    // running user holds it. Returns FALSE with the last error set to refuse.
    virtual BOOL OnCloseHandle() { return TRUE; }

    // I/O, as ReadFile/WriteFile see it. Set the last error and return FALSE on failure.
    virtual BOOL Read(void* buffer, DWORD toRead, DWORD* read, _OVERLAPPED* ov);
    virtual BOOL Write(const void* buffer, DWORD toWrite, DWORD* written, _OVERLAPPED* ov);
    // GetOverlappedResult. The default reads the OVERLAPPED itself: Internal is STATUS_PENDING
    // while the operation runs, else the Win32 error code of its result; InternalHigh the bytes
    // moved; completion sets hEvent. With `wait` it waits on hEvent.
    virtual BOOL GetOverlappedResult(_OVERLAPPED* ov, DWORD* transferred, BOOL wait);
    // CancelIo: ends the caller's pending operations on the object. Nothing to do by default.
    virtual BOOL CancelIo() { return TRUE; }

    // Waitable interface. All three are called with KernelLock() held.
    // Waitable: whether WaitFor* accepts the object at all.
    virtual bool Waitable() const { return false; }
    // IsSignaled: whether a wait by thread `tid` would be satisfied now.
    virtual bool IsSignaled(DWORD tid) const;
    // Acquire: consume the signal for thread `tid` (auto-reset, count, ownership). Returns
    // WAIT_OBJECT_0, or WAIT_ABANDONED_0 for an abandoned mutex.
    virtual DWORD Acquire(DWORD tid);

    // Wakes every thread waiting on this object so it re-checks. Call with KernelLock() held after
    // a state change that may signal the object.
    void NotifyWaiters();

protected:
    // The waits currently blocked on this object (KernelLock() held).
    std::vector<Waiter*> Waiters() const;

private:
    friend struct WaitRegistration;
    std::vector<Waiter*> m_waiters; // guarded by KernelLock()
};

// The lock that guards the state of every waitable object.
std::mutex& KernelLock();

// Puts an object into the handle table and returns its new handle (never NULL, never
// INVALID_HANDLE_VALUE). Handle values are not reused while the process runs.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or nullptr (last error ERROR_INVALID_HANDLE) for a bad or closed one.
std::shared_ptr<KernelObject> LookupHandle(HANDLE h);

// The object behind a handle if it is of kind T; nullptr with ERROR_INVALID_HANDLE otherwise.
template <class T> std::shared_ptr<T> LookupHandleAs(HANDLE h)
{
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(h));
    if (!object)
        ::SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

// Opens a device named after "\\.\" (for example "COM3"). Returns a handle from AddHandle, or
// INVALID_HANDLE_VALUE with the last error set.
using DeviceOpener =
    std::function<HANDLE(const std::string& name, DWORD access, DWORD share, DWORD creation, DWORD flags)>;

// The Win32 error code for an errno value (ENOENT -> ERROR_FILE_NOT_FOUND, EACCES ->
// ERROR_ACCESS_DENIED, ENOSPC -> ERROR_DISK_FULL, ...); ERROR_GEN_FAILURE for ones without a match.
DWORD ErrorFromErrno(int err);

// Lets the calling thread's waits serve requests from other threads: while it blocks in a
// WaitFor* call, `serve` runs (without any layer lock held) each time WakeThreadWaits is called
// for this thread. Used so the user-interface thread keeps showing a worker's prompts while it
// waits for that worker. An empty function removes the service.
void SetWaitService(std::function<void()> serve);
// Asks thread `tid` to run its wait service: at once if it is waiting, else at its next wait.
void WakeThreadWaits(DWORD tid);

// Registers the opener CreateFile uses for device names. A later registration replaces an
// earlier one; an empty function removes it. Returns the opener it replaced.
DeviceOpener SetDeviceOpener(DeviceOpener opener);

} // namespace kel
