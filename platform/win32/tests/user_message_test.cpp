// Message queues across threads, timers under the fake clock, and prompts of worker threads.
#include <windows.h>
#include "win32/uidriver.h"
#include "testkit/FakeClock.h"
#include "testkit/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

std::mutex g_lock;
std::vector<std::string> g_events;
HWND g_peer = nullptr; // the other thread's window, for replies back

void Note(const std::string& s)
{
    std::lock_guard<std::mutex> lk(g_lock);
    g_events.push_back(s);
}

std::vector<std::string> Events()
{
    std::lock_guard<std::mutex> lk(g_lock);
    return g_events;
}

constexpr UINT kPing = WM_APP + 1;     // returns wParam * 2
constexpr UINT kCallBack = WM_APP + 2; // sends kPing back to g_peer first
constexpr UINT kSlow = WM_APP + 3;     // replies early, then carries on

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    switch (m)
    {
    case kPing:
        Note("ping " + std::to_string(w) + (InSendMessage() ? " sent" : " direct"));
        return static_cast<LRESULT>(w * 2);
    case kCallBack:
        Note("callback in");
        return SendMessage(g_peer, kPing, w, 0) + 1;
    case kSlow:
        ReplyMessage(42);
        Note("after reply");
        return 0;
    case WM_USER:
        Note("posted " + std::to_string(w));
        return 0;
    case WM_TIMER:
        Note("timer " + std::to_string(w));
        return 0;
    }
    return DefWindowProc(h, m, w, l);
}

// A worker thread with its own window and message loop.
class Worker
{
public:
    Worker()
    {
        m_thread = std::thread(
            [this]
            {
                HWND h = CreateWindow("KelTestMsg", "worker", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                      nullptr);
                m_tid = GetCurrentThreadId();
                m_hwnd.store(h);
                MSG msg;
                while (GetMessage(&msg, nullptr, 0, 0) > 0)
                    DispatchMessage(&msg);
                DestroyWindow(h);
            });
        while (!m_hwnd.load())
            std::this_thread::yield();
    }
    ~Worker()
    {
        PostThreadMessage(m_tid, WM_QUIT, 0, 0);
        m_thread.join();
    }
    HWND Window() const { return m_hwnd.load(); }

private:
    std::thread m_thread;
    std::atomic<HWND> m_hwnd{nullptr};
    DWORD m_tid = 0;
};

class UiMessages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kel::ui::Initialize());
        WNDCLASS wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "KelTestMsg";
        RegisterClass(&wc);
        m_main = CreateWindow("KelTestMsg", "main", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        g_peer = m_main;
        std::lock_guard<std::mutex> lk(g_lock);
        g_events.clear();
    }
    void TearDown() override
    {
        kel::ui::Shutdown();
        UnregisterClass("KelTestMsg", nullptr);
    }
    static void Pump()
    {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
    }
    HWND m_main = nullptr;
};

TEST_F(UiMessages, SendToAnotherThreadBlocksAndReturnsItsResult)
{
    Worker worker;
    EXPECT_EQ(SendMessage(worker.Window(), kPing, 21, 0), 42);
    EXPECT_EQ(SendMessage(m_main, kPing, 1, 0), 2);
    EXPECT_EQ(Events(), (std::vector<std::string>{"ping 21 sent", "ping 1 direct"}));
}

TEST_F(UiMessages, BlockedSenderServesASendBackToItsOwnThread)
{
    // main -> worker -> main: the main thread answers the inner send while it waits.
    Worker worker;
    EXPECT_EQ(SendMessage(worker.Window(), kCallBack, 5, 0), 11);
    EXPECT_EQ(Events(), (std::vector<std::string>{"callback in", "ping 5 sent"}));
}

TEST_F(UiMessages, ManySendsFromSeveralThreadsAllComplete)
{
    std::atomic<int> sum{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 25; ++i)
                    sum += static_cast<int>(SendMessage(m_main, kPing, static_cast<WPARAM>(t), 0));
            });
    // The main thread serves them in its loop.
    while (Events().size() < 100)
    {
        MSG m;
        if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(sum.load(), 2 * 25 * (0 + 1 + 2 + 3));
}

TEST_F(UiMessages, ReplyMessageReleasesTheSenderEarly)
{
    Worker worker;
    EXPECT_EQ(SendMessage(worker.Window(), kSlow, 0, 0), 42);
}

TEST_F(UiMessages, SendMessageTimeoutExpiresOnLayerTime)
{
    kel::testkit::FakeClock clock;
    // A thread that owns a window but does not serve its queue until told. It says when the
    // message has arrived: the sender took its deadline before queuing it, so layer time may move.
    HANDLE go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    HANDLE arrived = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> hwnd{nullptr};
    std::thread t(
        [&]
        {
            hwnd =
                CreateWindow("KelTestMsg", "idle", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_SENDMESSAGE);
            SetEvent(arrived);
            WaitForSingleObject(go, INFINITE);
            Pump();
            DestroyWindow(hwnd);
        });
    while (!hwnd.load())
        std::this_thread::yield();

    std::atomic<bool> done{false};
    LRESULT ok = 1;
    DWORD err = 0;
    std::thread sender(
        [&]
        {
            DWORD_PTR result = 0;
            ok = SendMessageTimeout(hwnd, kPing, 1, 0, SMTO_NORMAL, 1000, &result);
            err = GetLastError();
            done = true;
        });
    ASSERT_EQ(WaitForSingleObject(arrived, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
    clock.Advance(999);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(done.load());
    clock.Advance(1);
    sender.join();
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(err, static_cast<DWORD>(ERROR_TIMEOUT));
    SetEvent(go);
    t.join();
    CloseHandle(go);
    CloseHandle(arrived);
    EXPECT_TRUE(Events().empty()); // the abandoned message was not delivered late
}

std::atomic<int> g_callbacks{0};
std::atomic<LRESULT> g_callbackSum{0};
void CALLBACK CountReply(HWND, UINT msg, ULONG_PTR data, LRESULT result)
{
    if (msg == kPing && data == 77)
    {
        g_callbackSum += result;
        ++g_callbacks;
    }
}

// The receiver may take a message the moment it is queued; its callback must not be lost then.
TEST_F(UiMessages, SendMessageCallbackAlwaysReportsBack)
{
    Worker worker;
    g_callbacks = 0;
    g_callbackSum = 0;
    constexpr int kSends = 200;
    for (int i = 0; i < kSends; ++i)
        ASSERT_TRUE(SendMessageCallback(worker.Window(), kPing, 1, 0, CountReply, 77));
    // The callbacks come back to this thread's loop; a sync send flushes the worker's queue first.
    SendMessage(worker.Window(), kPing, 0, 0);
    for (int spins = 0; g_callbacks.load() < kSends && spins < 1000; ++spins)
    {
        Pump();
        if (g_callbacks.load() < kSends)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    EXPECT_EQ(g_callbacks.load(), kSends);
    EXPECT_EQ(g_callbackSum.load(), 2 * kSends);
}

// A driver that notes on which thread the backend's focus and capture were touched.
struct ThreadNotingDriver : kel::ui::NullDriver
{
    std::atomic<int> foreignCalls{0};
    DWORD uiTid = GetCurrentThreadId();
    void FocusSurface(kel::ui::NativeSurface) override { Note(); }
    void CaptureMouse(kel::ui::NativeSurface) override { Note(); }
    void Note()
    {
        if (GetCurrentThreadId() != uiTid)
            ++foreignCalls;
    }
};

// A worker's focus and capture are its own; the backend is only ever touched by the
// user-interface thread.
TEST(UiThreads, WorkerFocusAndCaptureLeaveTheBackendAlone)
{
    ThreadNotingDriver driver;
    ASSERT_TRUE(kel::ui::Initialize(&driver));
    WNDCLASS wc{};
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "KelTestFocus";
    RegisterClass(&wc);
    std::thread worker(
        [&]
        {
            HWND h =
                CreateWindow("KelTestFocus", "w", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
            SetFocus(h);
            EXPECT_EQ(GetFocus(), h);
            SetCapture(h);
            ReleaseCapture();
            SetFocus(nullptr);
            SetFocus(h);
            DestroyWindow(h); // takes the focus along
        });
    worker.join();
    EXPECT_EQ(driver.foreignCalls.load(), 0);
    kel::ui::Shutdown();
    UnregisterClass("KelTestFocus", nullptr);
}

TEST_F(UiMessages, SendToAWindowDestroyedMeanwhileReturnsZero)
{
    EXPECT_EQ(SendMessage(reinterpret_cast<HWND>(0x12345), kPing, 1, 0), 0);
    HWND gone = CreateWindow("KelTestMsg", "gone", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_EQ(SendMessage(gone, kPing, 1, 0), 0);
    EXPECT_FALSE(PostMessage(gone, WM_USER, 0, 0));
}

TEST_F(UiMessages, PostedMessagesKeepTheirOrderAndQuitComesLast)
{
    for (int i = 0; i < 5; ++i)
        PostMessage(m_main, WM_USER, static_cast<WPARAM>(i), 0);
    PostQuitMessage(3);
    PostMessage(m_main, WM_USER, 5, 0);
    MSG m;
    while (GetMessage(&m, nullptr, 0, 0))
        DispatchMessage(&m);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(Events(), (std::vector<std::string>{"posted 0", "posted 1", "posted 2", "posted 3", "posted 4",
                                                  "posted 5"}));
}

TEST_F(UiMessages, PeekFiltersAndNoRemove)
{
    PostMessage(m_main, WM_USER, 1, 0);
    PostMessage(m_main, WM_APP + 9, 2, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_APP, WM_APP + 100, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_APP + 9u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_APP, WM_APP + 100, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(UiMessages, TimersFollowTheFakeClockAndCoalesce)
{
    kel::testkit::FakeClock clock;
    SetTimer(m_main, 7, 100, nullptr);
    Pump();
    EXPECT_TRUE(Events().empty());
    clock.Advance(100);
    Pump();
    EXPECT_EQ(Events(), (std::vector<std::string>{"timer 7"}));
    // Five periods pass without the loop running: one WM_TIMER, not five.
    clock.Advance(500);
    Pump();
    EXPECT_EQ(Events().size(), 2u);
    // Posted messages go first.
    clock.Advance(100);
    PostMessage(m_main, WM_USER, 9, 0);
    Pump();
    EXPECT_EQ(Events(), (std::vector<std::string>{"timer 7", "timer 7", "posted 9", "timer 7"}));
    EXPECT_TRUE(KillTimer(m_main, 7));
    clock.Advance(1000);
    Pump();
    EXPECT_EQ(Events().size(), 4u);
}

// A window asked to paint without an update region gets one WM_PAINT, and then the queue has
// nothing left to paint even when the window did not validate anything.
TEST_F(UiMessages, InternalPaintIsDeliveredOnce)
{
    Pump();
    ASSERT_TRUE(RedrawWindow(m_main, nullptr, nullptr, RDW_INTERNALPAINT));
    EXPECT_NE(HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT, 0u);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    DispatchMessage(&m);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT, 0u);
    DWORD r = MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_PAINT, MWMO_INPUTAVAILABLE);
    EXPECT_EQ(r, static_cast<DWORD>(WAIT_TIMEOUT)) << "no paint is pending any more";
}

std::atomic<int> g_procCalls{0};
void CALLBACK TimerFn(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_procCalls;
}

TEST_F(UiMessages, TimerWithoutWindowCallsItsProcedureFromTheLoop)
{
    kel::testkit::FakeClock clock;
    g_procCalls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 50, TimerFn);
    ASSERT_NE(id, 0u);
    UINT_PTR other = SetTimer(nullptr, 0, 50, TimerFn);
    EXPECT_NE(other, id); // each call without a window gets its own id
    KillTimer(nullptr, id);
    clock.Advance(50);
    // A blocked GetMessage wakes when the timer comes due.
    std::thread mover(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            clock.Advance(50);
        });
    MSG m;
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(m.hwnd, nullptr);
    DispatchMessage(&m);
    mover.join();
    EXPECT_EQ(g_procCalls.load(), 1);
    // Thread timers outlive the window manager's shutdown: leave none for later tests.
    EXPECT_TRUE(KillTimer(nullptr, other));
}

TEST_F(UiMessages, KilledTimersProcedureIsNotCalledAndShutdownLeavesNothingQueued)
{
    kel::testkit::FakeClock clock;
    g_procCalls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 50, TimerFn);
    ASSERT_NE(id, 0u);
    clock.Advance(50);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_TRUE(KillTimer(nullptr, id));
    DispatchMessage(&m);
    EXPECT_EQ(g_procCalls.load(), 0) << "the timer was killed after its message was taken";

    // A thread timer, a thread message and the quit flag do not survive a restart.
    ASSERT_NE(SetTimer(nullptr, 0, 50, TimerFn), 0u);
    PostThreadMessage(GetCurrentThreadId(), WM_APP + 5, 0, 0);
    PostQuitMessage(3);
    kel::ui::Shutdown();
    ASSERT_TRUE(kel::ui::Initialize());
    clock.Advance(100);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) << "left over: " << m.message;
}

DWORD WINAPI AskThenExit(LPVOID)
{
    return static_cast<DWORD>(MessageBox(nullptr, "Overwrite the file?", "Save", MB_YESNO));
}

TEST_F(UiMessages, WorkersMessageBoxIsAnsweredWhileTheUiThreadWaitsForIt)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Overwrite").Reply(IDNO);
    HANDLE worker = CreateThread(nullptr, 0, AskThenExit, nullptr, 0, nullptr);
    ASSERT_TRUE(worker);
    // A plain wait on the user-interface thread: the box is shown here, so no deadlock.
    ASSERT_EQ(WaitForSingleObject(worker, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 0;
    GetExitCodeThread(worker, &code);
    CloseHandle(worker);
    EXPECT_EQ(code, static_cast<DWORD>(IDNO));
}

TEST_F(UiMessages, MsgWaitReturnsForObjectsAndInput)
{
    Pump(); // input counts when it came after the last look at the queue
    HANDLE ev = CreateEvent(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &ev, FALSE, 0, QS_ALLINPUT), static_cast<DWORD>(WAIT_OBJECT_0));
    ResetEvent(ev);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &ev, FALSE, 0, QS_ALLINPUT), static_cast<DWORD>(WAIT_TIMEOUT));
    PostMessage(m_main, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &ev, FALSE, 1000, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_OBJECT_0 + 1));
    CloseHandle(ev);
}

} // namespace
