// Shared internals of the kernel part of the layer.
#pragma once

#include "win32/kobject.h"

#include <condition_variable>
#include <cstdint>
#include <string>
#include <vector>

namespace kel
{

// One blocked WaitFor* call. Lives on the waiting thread's stack; guarded by KernelLock().
struct Waiter
{
    std::condition_variable cv;
    std::vector<const KernelObject*> pulsed; // events pulsed while this waiter was registered
    bool serviceRequested = false;
};

// Wakes every blocked wait so it re-reads the clock (fake time moved, clock mode changed).
void WakeAllWaiters();

// WaitForMultipleObjects (any one of them) until an absolute layer time in ns (< 0: no limit). A
// caller that holds a deadline waits with it: a time-out worked out from it beforehand would run
// from a clock that may have moved since.
DWORD WaitUntil(DWORD n, const HANDLE* handles, int64_t deadlineNs);

// Real time to block for `virtualNs` of layer time (in fake mode: a polling slice).
int64_t ClockRealWaitNs(int64_t virtualNs);
// Wall-clock time in 100 ns units since 1601-01-01 UTC, moving at the layer clock's rate.
uint64_t ClockWallFileTime();

// Sets the last error from errno and returns FALSE.
BOOL FailErrno(int err);
inline BOOL Fail(DWORD error)
{
    ::SetLastError(error);
    return FALSE;
}

// A caller's path made ready for the system: '\\' becomes '/'. FALSE with
// ERROR_FILENAME_EXCED_RANGE when it is MAX_PATH characters or longer, ERROR_INVALID_PARAMETER /
// ERROR_PATH_NOT_FOUND for NULL or empty.
bool TranslatePath(const char* path, std::string& out);

// The error for a failed access to `path`: ENOENT is told apart into file and path not found.
DWORD ErrorForPath(int err, const std::string& path);

} // namespace kel
