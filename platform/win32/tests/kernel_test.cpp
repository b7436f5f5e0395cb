// Threads, synchronisation objects, waits and the layer clock.
#include <windows.h>
#include "win32/clock.h"
#include "win32/kobject.h"
#include "testkit/FakeClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace
{
using namespace std::chrono_literals;

// A thread running a lambda; joined (waited for) and closed on destruction.
class Worker
{
public:
    explicit Worker(std::function<DWORD()> body, DWORD flags = 0) : m_body(std::move(body))
    {
        m_handle = CreateThread(nullptr, 0, &Worker::Run, this, flags, &m_id);
    }
    ~Worker()
    {
        Join();
        CloseHandle(m_handle);
    }
    void Join() { WaitForRealTime(5000ms); }
    // Waits in real time, whatever the layer clock does.
    bool WaitForRealTime(std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (WaitForSingleObject(m_handle, 0) == WAIT_TIMEOUT)
        {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    bool Finished() { return WaitForSingleObject(m_handle, 0) == WAIT_OBJECT_0; }
    HANDLE Handle() const { return m_handle; }
    DWORD Id() const { return m_id; }

private:
    static DWORD WINAPI Run(LPVOID self) { return static_cast<Worker*>(self)->m_body(); }
    std::function<DWORD()> m_body;
    HANDLE m_handle = nullptr;
    DWORD m_id = 0;
};

struct Handle
{
    HANDLE h;
    ~Handle() { CloseHandle(h); }
    operator HANDLE() const { return h; }
};

TEST(Events, AutoResetReleasesExactlyOneWaiterPerSet)
{
    Handle event{CreateEvent(nullptr, FALSE, FALSE, nullptr)};
    std::atomic<int> released{0};
    auto waitOnce = [&]
    {
        EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
        ++released;
        return 0u;
    };
    Worker a(waitOnce), b(waitOnce);
    SetEvent(event);
    const HANDLE threads[] = {a.Handle(), b.Handle()};
    ASSERT_LT(WaitForMultipleObjects(2, threads, FALSE, 5000), WAIT_OBJECT_0 + 2);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "the release consumed the signal";
    SetEvent(event);
    a.Join();
    b.Join();
    EXPECT_EQ(released, 2);
}

TEST(Events, ManualResetStaysSignalledUntilReset)
{
    Handle event{CreateEvent(nullptr, TRUE, TRUE, nullptr)};
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
}

TEST(Events, SameNameGivesTheSameObject)
{
    Handle first{CreateEvent(nullptr, TRUE, FALSE, "kel-test-event")};
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    Handle second{CreateEvent(nullptr, TRUE, FALSE, "kel-test-event")};
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_NE(second.h, nullptr);
    EXPECT_NE(first.h, second.h);
    SetEvent(first);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);

    Handle mutex{CreateMutex(nullptr, FALSE, "kel-test-mutex")};
    EXPECT_EQ(CreateEvent(nullptr, TRUE, FALSE, "kel-test-mutex"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Waits, AnyReturnsTheLowestSignalledIndexAndConsumesOnlyIt)
{
    Handle e0{CreateEvent(nullptr, FALSE, FALSE, nullptr)};
    Handle e1{CreateEvent(nullptr, FALSE, TRUE, nullptr)};
    Handle e2{CreateEvent(nullptr, FALSE, TRUE, nullptr)};
    const HANDLE all[] = {e0, e1, e2};
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, all, FALSE, 0), WAIT_TIMEOUT);
}

TEST(Waits, AllAcquiresEverythingAtOnceOrNothing)
{
    Handle event{CreateEvent(nullptr, FALSE, TRUE, nullptr)};
    Handle semaphore{CreateSemaphore(nullptr, 0, 1, nullptr)};
    const HANDLE both[] = {event, semaphore};
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0) << "a failed wait-all must not consume";

    SetEvent(event);
    Worker releaser(
        [&]
        {
            ReleaseSemaphore(semaphore, 1, nullptr);
            return 0u;
        });
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT);
}

TEST(Waits, BadHandlesFailWithoutCrashing)
{
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(event));
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(0x12345)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));

    Handle mutex{CreateMutex(nullptr, FALSE, nullptr)};
    EXPECT_FALSE(SetEvent(mutex)) << "a mutex is no event";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Mutexes, RecursiveOwnershipAndReleaseByOwnerOnly)
{
    Handle mutex{CreateMutex(nullptr, TRUE, nullptr)};
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    Worker other(
        [&]
        {
            EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT);
            EXPECT_FALSE(ReleaseMutex(mutex));
            EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
            return 0u;
        });
    other.Join();
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex)) << "released once per acquisition";
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
}

TEST(Mutexes, OwnerEndingAbandonsTheMutex)
{
    Handle mutex{CreateMutex(nullptr, FALSE, nullptr)};
    {
        Worker owner([&] { return WaitForSingleObject(mutex, 0); });
        owner.Join();
    }
    EXPECT_EQ(WaitForSingleObject(mutex, 5000), WAIT_ABANDONED_0);
    Worker other([&] { return WaitForSingleObject(mutex, 0); });
    other.Join();
    DWORD code = 0;
    GetExitCodeThread(other.Handle(), &code);
    EXPECT_EQ(code, static_cast<DWORD>(WAIT_TIMEOUT)) << "the abandoned mutex now belongs to the waiter";
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "abandonment is reported once";
    ReleaseMutex(mutex);
}

TEST(Semaphores, CountsAndMaximum)
{
    Handle semaphore{CreateSemaphore(nullptr, 1, 2, nullptr)};
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, &previous));
    EXPECT_EQ(previous, 1);
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, &previous));
    EXPECT_EQ(GetLastError(), ERROR_TOO_MANY_POSTS);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT);
    EXPECT_EQ(CreateSemaphore(nullptr, 3, 2, nullptr), nullptr);
}

TEST(Threads, ExitCodesSuspensionAndIds)
{
    std::atomic<bool> ran{false};
    std::atomic<DWORD> idInside{0};
    Worker worker(
        [&]
        {
            ran = true;
            idInside = GetCurrentThreadId();
            return 42u;
        },
        CREATE_SUSPENDED);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(ran) << "a suspended thread waits for ResumeThread";
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(worker.Handle(), &code));
    EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(SetThreadPriority(worker.Handle(), THREAD_PRIORITY_ABOVE_NORMAL));
    EXPECT_EQ(GetThreadPriority(worker.Handle()), THREAD_PRIORITY_ABOVE_NORMAL);

    EXPECT_EQ(ResumeThread(worker.Handle()), 1u);
    EXPECT_EQ(WaitForSingleObject(worker.Handle(), 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(worker.Handle(), &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(idInside, worker.Id());
    EXPECT_NE(worker.Id(), GetCurrentThreadId());
}

TEST(Threads, ExitThreadUnwindsAndSetsTheCode)
{
    std::atomic<bool> destroyed{false};
    struct Guard
    {
        std::atomic<bool>& flag;
        ~Guard() { flag = true; }
    };
    Worker worker(
        [&]() -> DWORD
        {
            Guard guard{destroyed};
            ExitThread(7);
        });
    worker.Join();
    DWORD code = 0;
    GetExitCodeThread(worker.Handle(), &code);
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(destroyed);
}

TEST(CriticalSections, RecursiveAndExclusive)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(TryEnterCriticalSection(&cs));
    Worker other([&] { return static_cast<DWORD>(TryEnterCriticalSection(&cs)); });
    other.Join();
    DWORD code = 1;
    GetExitCodeThread(other.Handle(), &code);
    EXPECT_EQ(code, 0u);
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    Worker later(
        [&]
        {
            EnterCriticalSection(&cs);
            LeaveCriticalSection(&cs);
            return 0u;
        });
    EXPECT_TRUE(later.WaitForRealTime(5000ms));
    DeleteCriticalSection(&cs);
}

TEST(Interlocked, CountsFromManyThreads)
{
    volatile LONG counter = 0;
    {
        std::vector<std::unique_ptr<Worker>> workers;
        for (int t = 0; t < 4; ++t)
            workers.push_back(std::make_unique<Worker>(
                [&]
                {
                    for (int i = 0; i < 10000; ++i)
                        InterlockedIncrement(&counter);
                    return 0u;
                }));
    }
    EXPECT_EQ(counter, 40000);
    EXPECT_EQ(InterlockedCompareExchange(&counter, 5, 1), 40000) << "no exchange when unequal";
    EXPECT_EQ(InterlockedCompareExchange(&counter, 5, 40000), 40000);
    EXPECT_EQ(InterlockedExchangeAdd(&counter, 3), 5);
    EXPECT_EQ(InterlockedDecrement(&counter), 7);
}

TEST(WaitService, RunsWhileTheThreadWaits)
{
    Handle ready{CreateEvent(nullptr, TRUE, FALSE, nullptr)};
    Handle done{CreateEvent(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> served{0};
    Worker waiter(
        [&]
        {
            kel::SetWaitService(
                [&]
                {
                    ++served;
                    SetEvent(done);
                });
            SetEvent(ready);
            const DWORD r = WaitForSingleObject(done, INFINITE);
            kel::SetWaitService({});
            return r;
        });
    ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
    kel::WakeThreadWaits(waiter.Id());
    ASSERT_TRUE(waiter.WaitForRealTime(5000ms));
    EXPECT_EQ(served, 1);
}

TEST(WaitService, MayRemoveItselfWhileServing)
{
    Handle ready{CreateEvent(nullptr, TRUE, FALSE, nullptr)};
    Handle done{CreateEvent(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<int> served{0};
    Worker waiter(
        [&]
        {
            std::string big(100, 'x'); // a capture too large for the function's own storage
            kel::SetWaitService(
                [&, big]
                {
                    kel::SetWaitService({}); // the user-interface thread shutting its service down
                    served += static_cast<int>(big.size());
                    SetEvent(done);
                });
            SetEvent(ready);
            return WaitForSingleObject(done, INFINITE);
        });
    ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
    kel::WakeThreadWaits(waiter.Id());
    ASSERT_TRUE(waiter.WaitForRealTime(5000ms));
    EXPECT_EQ(served, 100);
}

// ---- The layer clock -------------------------------------------------------------------------

TEST(FakeClock, TimeOutsEndWhenFakeTimeReachesTheDeadline)
{
    kel::testkit::FakeClock clock(1000);
    EXPECT_EQ(GetTickCount(), 1000u);
    Handle never{CreateEvent(nullptr, TRUE, FALSE, nullptr)};
    Handle started{CreateEvent(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<DWORD> begin{0}, end{0};
    Worker waiter(
        [&]
        {
            begin = GetTickCount();
            SetEvent(started);
            const DWORD r = WaitForSingleObject(never, 10000);
            end = GetTickCount();
            return r;
        });
    while (WaitForSingleObject(started, 0) != WAIT_OBJECT_0)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(waiter.Finished()) << "fake time stands still";
    // Fake time moves only here, so the ticks the waiter sees do not depend on how fast it runs.
    clock.Advance(9999);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(waiter.Finished()) << "one millisecond before the deadline";
    clock.Advance(1);
    ASSERT_TRUE(waiter.WaitForRealTime(5000ms));
    DWORD code = 0;
    GetExitCodeThread(waiter.Handle(), &code);
    EXPECT_EQ(code, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(end - begin, 10000u);
}

TEST(FakeClock, SleepMovesFakeTimeSoPollingEnds)
{
    kel::testkit::FakeClock clock;
    const DWORD start = GetTickCount();
    int polls = 0;
    while (GetTickCount() - start < 3000)
    {
        Sleep(100);
        ++polls;
    }
    EXPECT_EQ(polls, 30);
    EXPECT_EQ(clock.Now() - start, 3000u);
}

TEST(FakeClock, TickDifferencesSurviveTheWrap)
{
    kel::testkit::FakeClock clock(0xFFFFFFFFull - 99);
    const DWORD before = GetTickCount();
    EXPECT_EQ(before, 0xFFFFFF9Cu);
    Sleep(250);
    const DWORD after = GetTickCount();
    EXPECT_LT(after, before) << "the 32-bit count wrapped";
    EXPECT_EQ(static_cast<DWORD>(after - before), 250u);
    EXPECT_EQ(GetTickCount64() - (0xFFFFFFFFull - 99), 250u);
}

TEST(TimeoutScale, LongTimeOutPassesQuicklyWithConsistentTicks)
{
    kel::testkit::TimeoutScale scale(0.01);
    Handle never{CreateEvent(nullptr, TRUE, FALSE, nullptr)};
    const auto realStart = std::chrono::steady_clock::now();
    const DWORD tickStart = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(never, 10000), static_cast<DWORD>(WAIT_TIMEOUT));
    const DWORD ticks = GetTickCount() - tickStart;
    const auto real = std::chrono::steady_clock::now() - realStart;
    EXPECT_GE(ticks, 10000u);
    EXPECT_LT(ticks, 40000u);
    EXPECT_LT(real, 1s);
}

TEST(Clock, RealModeComesBackAfterATestClock)
{
    {
        kel::testkit::FakeClock clock(5);
    }
    EXPECT_EQ(kel::GetClockMode(), kel::ClockMode::Real);
    const DWORD start = GetTickCount();
    Sleep(20);
    EXPECT_GE(GetTickCount() - start, 19u);
}

TEST(Clock, TicksNeverRunBackwardsWhenATestClockEnds)
{
    ULONGLONG before = 0;
    {
        kel::testkit::FakeClock clock;
        clock.Advance(3600 * 1000); // an hour of fake time in no real time
        before = GetTickCount64();
    }
    EXPECT_GE(GetTickCount64(), before);
    {
        kel::testkit::TimeoutScale scale(0.001);
        Sleep(5000); // five seconds of layer time in five milliseconds
        before = GetTickCount64();
    }
    EXPECT_GE(GetTickCount64(), before);
}

// ---- Time ------------------------------------------------------------------------------------

TEST(Time, SystemTimeAndFileTimeConvertBothWays)
{
    struct Case
    {
        SYSTEMTIME st;
        ULONGLONG fileTime;
    };
    const Case cases[] = {
        {{1601, 1, 1, 1, 0, 0, 0, 0}, 0},
        {{1970, 1, 4, 1, 0, 0, 0, 0}, 116444736000000000ull},
        {{2000, 2, 2, 29, 12, 34, 56, 789}, 125963012967890000ull},
        {{2024, 12, 2, 31, 23, 59, 59, 999}, 133801631999990000ull},
    };
    for (const Case& c : cases)
    {
        FILETIME ft{};
        ASSERT_TRUE(SystemTimeToFileTime(&c.st, &ft));
        EXPECT_EQ((ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime, c.fileTime) << c.st.wYear;
        SYSTEMTIME back{};
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
        EXPECT_EQ(memcmp(&back, &c.st, sizeof back), 0) << c.st.wYear;
    }
    const SYSTEMTIME february30{2023, 2, 0, 30, 0, 0, 0, 0};
    FILETIME ft;
    EXPECT_FALSE(SystemTimeToFileTime(&february30, &ft));
}

TEST(Time, SystemTimeMatchesTheWallClock)
{
    SYSTEMTIME st;
    GetSystemTime(&st);
    const time_t now = time(nullptr);
    tm utc{};
    gmtime_r(&now, &utc);
    EXPECT_EQ(st.wYear, utc.tm_year + 1900);
    EXPECT_EQ(st.wDayOfWeek, utc.tm_wday);
}

// ---- Last error and message texts ------------------------------------------------------------

TEST(FormatMessage, SystemTextsEndInCrLf)
{
    char text[256];
    const DWORD n = FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  ERROR_FILE_NOT_FOUND, 0, text, sizeof text, nullptr);
    EXPECT_STREQ(text, "The system cannot find the file specified.\r\n");
    EXPECT_EQ(n, strlen(text));

    char* allocated = nullptr;
    ASSERT_GT(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                            ERROR_ACCESS_DENIED, 0, reinterpret_cast<LPSTR>(&allocated), 0, nullptr),
              0u);
    EXPECT_STREQ(allocated, "Access is denied.\r\n");
    EXPECT_EQ(LocalFree(allocated), nullptr);

    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0, text, sizeof text, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, text, 10, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

DWORD FormatWithVaList(char* out, DWORD size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const DWORD n = FormatMessage(FORMAT_MESSAGE_FROM_STRING, format, 0, 0, out, size, &args);
    va_end(args);
    return n;
}

TEST(FormatMessage, InsertsFromVaListAndArray)
{
    char text[256];
    FormatWithVaList(text, sizeof text, "Could not open file \"%1\"\n%2", "a.dat", "Access is denied.");
    EXPECT_STREQ(text, "Could not open file \"a.dat\"\nAccess is denied.");

    FormatWithVaList(text, sizeof text, "%2 before %1: %3!d! items%n100%% done%0 ignored", "one", "two", 12);
    EXPECT_STREQ(text, "two before one: 12 items\r\n100% done");

    // "l" is 32 bits as on Windows; only ll and I64 take 64-bit arguments.
    FormatWithVaList(text, sizeof text, "%1!ld! %2!lu! %3!lx! %4!I64d! %5!lld!", LONG(-5), ULONG(4000000000u),
                     ULONG(0xABCD), LONGLONG(-9000000000), LONGLONG(1) << 40);
    EXPECT_STREQ(text, "-5 4000000000 abcd -9000000000 1099511627776");

    DWORD_PTR array[] = {reinterpret_cast<DWORD_PTR>("x"), 255};
    FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, "%1=%2!04X!", 0, 0, text,
                  sizeof text, reinterpret_cast<va_list*>(array));
    EXPECT_STREQ(text, "x=00FF");

    FormatMessage(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "keep %1 as is", 0, 0, text,
                  sizeof text, nullptr);
    EXPECT_STREQ(text, "keep %1 as is");
}

TEST(LastError, IsPerThread)
{
    SetLastError(ERROR_ACCESS_DENIED);
    Worker other(
        []
        {
            SetLastError(ERROR_DISK_FULL);
            return GetLastError();
        });
    other.Join();
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Environment, GetSetAndSizeRules)
{
    ASSERT_TRUE(SetEnvironmentVariable("KEL_TEST_VAR", "value"));
    char small[3], big[16];
    EXPECT_EQ(GetEnvironmentVariable("KEL_TEST_VAR", small, sizeof small), 6u) << "size needed";
    EXPECT_EQ(GetEnvironmentVariable("KEL_TEST_VAR", big, sizeof big), 5u);
    EXPECT_STREQ(big, "value");
    ASSERT_TRUE(SetEnvironmentVariable("KEL_TEST_VAR", nullptr));
    EXPECT_EQ(GetEnvironmentVariable("KEL_TEST_VAR", big, sizeof big), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}

TEST(Processes, WinExecStartsAProgramWithItsArguments)
{
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("kel-winexec-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::remove(out);
    const std::string line = "sh -c \"echo 'two  words' > '" + out.string() + "'\"";
    EXPECT_GT(WinExec(line.c_str(), SW_SHOWNORMAL), 31u);
    const auto end = std::chrono::steady_clock::now() + 5s;
    std::string text;
    while (text.empty() && std::chrono::steady_clock::now() < end)
    {
        std::this_thread::sleep_for(5ms);
        std::ifstream in(out);
        std::getline(in, text);
    }
    EXPECT_EQ(text, "two  words");
    std::filesystem::remove(out);

    EXPECT_EQ(WinExec("kel-no-such-program --x", SW_SHOWNORMAL), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(WinExec("/kel/no/such/program", SW_SHOWNORMAL), static_cast<UINT>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(WinExec("", SW_SHOWNORMAL), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
}

} // namespace
