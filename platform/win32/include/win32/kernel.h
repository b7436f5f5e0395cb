// Threads, synchronisation objects, waits, time, last error and message texts, environment.
// Every time-out and tick reads the layer clock (win32/clock.h), so tests can fake or scale it.
#pragma once

#include "win32/types.h"

#include <cstdarg>

// ---- Handles -------------------------------------------------------------------------------

#define DUPLICATE_CLOSE_SOURCE 0x00000001
#define DUPLICATE_SAME_ACCESS 0x00000002

// Closes a kernel handle (thread, event, mutex, semaphore, file, device). FALSE and
// ERROR_INVALID_HANDLE for a bad or already closed handle.
BOOL CloseHandle(HANDLE hObject);

// Pseudo handle of the calling process (accepted where a process handle is asked for).
HANDLE GetCurrentProcess();

// A second handle to the same object (source and target process must be the current one).
BOOL DuplicateHandle(HANDLE hSourceProcess, HANDLE hSource, HANDLE hTargetProcess, LPHANDLE lpTarget,
                     DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions);

// ---- Last error and message texts ------------------------------------------------------------

// Last error of the calling thread.
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

#define ERROR_ENVVAR_NOT_FOUND 203L
#define ERROR_MR_MID_NOT_FOUND 317L
#define ERROR_INVALID_FLAGS 1004L

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

// Formats a message: the English text of a system error code (FORMAT_MESSAGE_FROM_SYSTEM, ending
// in "\r\n") or lpSource (FORMAT_MESSAGE_FROM_STRING). Inserts %1..%99 (optionally %n!fmt!) come
// from a va_list, or from an array of DWORD_PTR with FORMAT_MESSAGE_ARGUMENT_ARRAY; %n gives
// "\r\n", %% a percent sign, %0 ends the text. With FORMAT_MESSAGE_ALLOCATE_BUFFER lpBuffer is
// really a LPSTR* that receives a LocalAlloc'd text (free it with LocalFree). Returns the number of
// characters stored without the terminator, 0 on failure (ERROR_MR_MID_NOT_FOUND for an unknown
// code, ERROR_INSUFFICIENT_BUFFER when nSize is too small).
DWORD FormatMessage(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                    DWORD nSize, va_list* Arguments);
#define FormatMessageA FormatMessage

// ---- Threads -----------------------------------------------------------------------------------

typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

#define CREATE_SUSPENDED 0x00000004
#define STILL_ACTIVE 259L
#define STATUS_PENDING 0x00000103L

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7fffffff

// Starts a thread running lpStartAddress(lpParameter); with CREATE_SUSPENDED it waits for
// ResumeThread. The handle is signalled when the thread ends. Returns NULL on failure.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                    LPDWORD lpThreadId);

// Ends the calling thread with an exit code. Destructors of the thread's stack frames run.
[[noreturn]] void ExitThread(DWORD dwExitCode);

// Exit code of a thread, STILL_ACTIVE while it runs.
BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);

// Decrements the suspend count; the thread starts when it reaches 0. Returns the previous count,
// (DWORD)-1 on failure.
DWORD ResumeThread(HANDLE hThread);

// Priorities are remembered and reported back; they do not change scheduling.
BOOL SetThreadPriority(HANDLE hThread, int nPriority);
int GetThreadPriority(HANDLE hThread);

// Id of the calling thread (unique in the system while it runs).
DWORD GetCurrentThreadId();
// Pseudo handle meaning "the calling thread".
HANDLE GetCurrentThread();
DWORD GetCurrentProcessId();
// Ends the process at once with the exit code: no static destructors, no flushing of the program's
// own state (what a library does when its own state is broken beyond use).
[[noreturn]] void FatalExit(int ExitCode);
// Ends the process with the exit code, running the exit handlers.
[[noreturn]] void ExitProcess(UINT uExitCode);
// The system version word: major version in the low byte, minor in the next, the high bit clear
// (the NT family). Reports 5.1.
DWORD GetVersion();
// Id of the thread behind a thread handle, 0 on failure.
DWORD GetThreadId(HANDLE hThread);

// ---- Waitable objects --------------------------------------------------------------------------

#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_IO_COMPLETION 0x000000C0L
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

#define SYNCHRONIZE 0x00100000L
#define EVENT_ALL_ACCESS 0x001F0003L
#define EVENT_MODIFY_STATE 0x0002
#define MUTEX_ALL_ACCESS 0x001F0001L
#define SEMAPHORE_ALL_ACCESS 0x001F0003L

// Events: manual-reset stay signalled until ResetEvent; auto-reset release one waiter and reset.
// A name already in use returns a handle to the existing object and sets ERROR_ALREADY_EXISTS.
HANDLE CreateEvent(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                   LPCSTR lpName);
HANDLE OpenEvent(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
// Releases the current waiters (all for manual reset, one for auto reset) and leaves it reset.
BOOL PulseEvent(HANDLE hEvent);
#define CreateEventA CreateEvent

// Mutexes: owned by a thread, recursive; a mutex whose owner ends is abandoned and the next
// waiter gets WAIT_ABANDONED_0 and the ownership.
HANDLE CreateMutex(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName);
HANDLE OpenMutex(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
// FALSE with ERROR_NOT_OWNER when the caller does not own the mutex.
BOOL ReleaseMutex(HANDLE hMutex);
#define CreateMutexA CreateMutex

// Semaphores with a count between 0 and lMaximumCount.
HANDLE CreateSemaphore(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount, LONG lMaximumCount,
                       LPCSTR lpName);
// Adds lReleaseCount; FALSE with ERROR_TOO_MANY_POSTS if that passes the maximum.
BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount);
#define CreateSemaphoreA CreateSemaphore
#define ERROR_TOO_MANY_POSTS 298L

// Waits until the object is signalled or dwMilliseconds (layer clock) pass. Returns
// WAIT_OBJECT_0, WAIT_ABANDONED_0, WAIT_TIMEOUT, or WAIT_FAILED (bad handle).
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
DWORD WaitForSingleObjectEx(HANDLE hHandle, DWORD dwMilliseconds, BOOL bAlertable);
// Wait-any returns WAIT_OBJECT_0 + i of the lowest signalled index; wait-all acquires all objects
// at once. WAIT_ABANDONED_0 + i for an abandoned mutex.
DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds);
DWORD WaitForMultipleObjectsEx(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds,
                               BOOL bAlertable);

// Suspends the calling thread for dwMilliseconds of layer time (0 yields).
void Sleep(DWORD dwMilliseconds);
DWORD SleepEx(DWORD dwMilliseconds, BOOL bAlertable);

// ---- Critical sections ---------------------------------------------------------------------------

// Recursive lock of one process. The struct only holds a pointer to the real lock.
typedef struct _CRITICAL_SECTION
{
    void* impl;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
} CRITICAL_SECTION, *LPCRITICAL_SECTION, *PCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount);
void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
// TRUE when the lock was taken (or is already held by the caller).
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// ---- Interlocked ---------------------------------------------------------------------------------

// Atomic operations on 32-bit values; each returns what Windows returns (the new value for
// Increment/Decrement, the old value for the others).
LONG InterlockedIncrement(volatile LONG* Addend);
LONG InterlockedDecrement(volatile LONG* Addend);
LONG InterlockedExchange(volatile LONG* Target, LONG Value);
LONG InterlockedCompareExchange(volatile LONG* Destination, LONG Exchange, LONG Comparand);
LONG InterlockedExchangeAdd(volatile LONG* Addend, LONG Value);
PVOID InterlockedExchangePointer(PVOID volatile* Target, PVOID Value);
PVOID InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange, PVOID Comparand);

// ---- Time --------------------------------------------------------------------------------------

// Milliseconds of layer time; 32 bits, wraps after 49.7 days (compute differences unsigned).
DWORD GetTickCount();
ULONGLONG GetTickCount64();
// Layer time in microseconds; the frequency is 1000000.
BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);

// Wall-clock time (follows the layer clock's rate while a test clock is installed).
void GetLocalTime(LPSYSTEMTIME lpSystemTime);
void GetSystemTime(LPSYSTEMTIME lpSystemTime);
void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
// FILETIME counts 100 ns since 1601-01-01 UTC. Conversions fail (FALSE, ERROR_INVALID_PARAMETER)
// for fields out of range.
BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime);
// -1, 0, +1 as the first time is earlier, equal, later.
LONG CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2);

// ---- Environment ---------------------------------------------------------------------------------

// Copies a variable's value; returns its length without the terminator, or the size needed
// (with terminator) when nSize is too small; 0 with ERROR_ENVVAR_NOT_FOUND when unset.
DWORD GetEnvironmentVariable(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize);
// Sets a variable, or removes it when lpValue is NULL.
BOOL SetEnvironmentVariable(LPCSTR lpName, LPCSTR lpValue);
#define GetEnvironmentVariableA GetEnvironmentVariable
#define SetEnvironmentVariableA SetEnvironmentVariable

// ---- Processes -----------------------------------------------------------------------------------

// Starts a program: the command line's first word (quotes keep blanks together) is the program,
// found through PATH when it names no folder; the other words are its arguments. The program runs
// on its own; uCmdShow is not used. Returns a value above 31 when it started, else
// ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_BAD_FORMAT or 0.
UINT WinExec(LPCSTR lpCmdLine, UINT uCmdShow);
#ifndef ERROR_BAD_FORMAT
#define ERROR_BAD_FORMAT 11L
#endif
