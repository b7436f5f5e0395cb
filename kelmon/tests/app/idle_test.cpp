// The idle watcher: the tracker's rule on the fake clock (idle time, busy ports, input), the
// watcher's arming, and the switch-off of a head on its port's lock with no box from its thread.
#include "app/IdleWatcher.h"
#include "dialogs/HeadDialogs.h"
#include "head/Head.h"
#include "ports/InstrumentDesc.h"
#include "ports/PortList.h"

#include "testkit/FakeClock.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>
#include <thread>

namespace
{

std::atomic<int> g_passes{0};
std::atomic<bool> g_busy{false};
std::atomic<DWORD> g_lastInput{0};
std::mutex g_firedLock;
std::vector<DWORD> g_fired; // the tick of each idle callback

BOOL CountingBusyTest()
{
    ++g_passes;
    return g_busy ? TRUE : FALSE;
}
void RecordingIdle()
{
    std::lock_guard<std::mutex> lock(g_firedLock);
    g_fired.push_back(::GetTickCount());
}
BOOL TestLastInput(DWORD* tick)
{
    *tick = g_lastInput;
    return TRUE;
}

class IdleTrackerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_passes = 0;
        g_busy = false;
        g_lastInput = 0;
        g_fired.clear();
        tracker.SetLastInputFunction(TestLastInput);
    }
    void TearDown() override { tracker.Stop(); }
    // Moves fake time on poll by poll for ms, giving the tracker's thread the time for its pass
    // after each (a poll that moved time while the thread was between passes just costs one more).
    void Run(DWORD ms)
    {
        for (DWORD moved = 0; moved < ms; moved += CUserIdleTracker::kPollMs)
        {
            const int before = g_passes;
            clock.Advance(CUserIdleTracker::kPollMs);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
            while (g_passes == before && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    std::vector<DWORD> Fired()
    {
        std::lock_guard<std::mutex> lock(g_firedLock);
        return g_fired;
    }

    kel::testkit::FakeClock clock{1000000};
    CUserIdleTracker tracker;
    static constexpr DWORD kSlack = 3 * CUserIdleTracker::kPollMs; // the polls' granularity
};

TEST_F(IdleTrackerTest, TheCallbackRunsOnceAfterTheIdleTimeThenTheTimeStartsAgain)
{
    const DWORD start = static_cast<DWORD>(clock.Now());
    tracker.SetCallbacks(5, CountingBusyTest, RecordingIdle); // 300,000 ms
    ASSERT_EQ(tracker.Start(), 1);
    Run(290000);
    EXPECT_TRUE(Fired().empty());
    Run(330000);
    const std::vector<DWORD> fired = Fired();
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_GT(fired[0] - start, 300000u);
    EXPECT_LE(fired[0] - start, 300000u + kSlack);
    EXPECT_GT(fired[1] - fired[0], 300000u); // the idle time started again
    EXPECT_LE(fired[1] - fired[0], 300000u + kSlack);
    tracker.Stop();
    EXPECT_FALSE(tracker.IsRunning());
}

TEST_F(IdleTrackerTest, InputAndBusyPortsKeepResettingTheIdleTime)
{
    tracker.SetCallbacks(1, CountingBusyTest, RecordingIdle); // 60,000 ms
    ASSERT_EQ(tracker.Start(), 1);
    Run(40000);
    const DWORD input = static_cast<DWORD>(clock.Now());
    g_lastInput = input; // the user did something
    Run(70000);
    std::vector<DWORD> fired = Fired();
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_GT(fired[0] - input, 60000u);
    EXPECT_LE(fired[0] - input, 60000u + kSlack);

    g_busy = true; // a logging job runs on some port
    Run(200000);
    EXPECT_EQ(Fired().size(), 1u);
    const DWORD free = static_cast<DWORD>(clock.Now());
    g_busy = false;
    Run(70000);
    fired = Fired();
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_GT(fired[1] - free, 60000u - kSlack);

    // A new rule takes effect without a restart.
    tracker.SetCallbacks(10, CountingBusyTest, RecordingIdle);
    Run(400000);
    EXPECT_EQ(Fired().size(), 2u);
}

TEST(IdleWatcher, DelaysAndArming)
{
    const int minutes[] = {0, 1, 5, 10, 20, 30, 45, 60};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(MaintenanceDelayMinutes(i), minutes[i]);
    EXPECT_EQ(MaintenanceDelayMinutes(-1), 0);
    EXPECT_EQ(MaintenanceDelayMinutes(8), 0);

    CIdleWatcher* watcher = CIdleWatcher::GetInstance();
    watcher->Arm(); // both 0: no thread
    EXPECT_EQ(watcher->GetTracker(), nullptr);
    watcher->m_nFilamentDelay = 5;
    watcher->m_nCemDelay = 10;
    watcher->Arm(); // the filament rule wins
    ASSERT_NE(watcher->GetTracker(), nullptr);
    EXPECT_TRUE(watcher->GetTracker()->IsRunning());
    EXPECT_EQ(watcher->GetTracker()->GetThreshold(), 300000u);
    EXPECT_EQ(watcher->GetTracker()->GetIdleCallback(), &CIdleWatcher::FilamentAndCemOff);
    watcher->m_nFilamentDelay = 0;
    watcher->Arm();
    EXPECT_EQ(watcher->GetTracker()->GetThreshold(), 600000u);
    EXPECT_EQ(watcher->GetTracker()->GetIdleCallback(), &CIdleWatcher::CemOff);
    watcher->m_nCemDelay = 0;
    watcher->Arm();
    EXPECT_EQ(watcher->GetTracker(), nullptr);
    CIdleWatcher::DestroyInstance();
}

// ---- Switching the heads off -------------------------------------------------------------------

class IdleSwitchOffTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        CHeadDialogs::Install(); // the program's boxes: none may come from the idle thread
        CPortList::Destroy();
        CPortList::Instance().Refresh(); // the simulated instrument answers
        ASSERT_EQ(CPortList::Instance().ConnectByName("SOFT0"), 1);
        CPortList::Instance().CreatePortLocks();
        entry = CPortList::Instance().HoldByName("SOFT0");
        ASSERT_TRUE(entry && entry->GetDescriptor());
        head = entry->GetDescriptor()->GetHead();
        ASSERT_NE(head, nullptr);
    }
    void TearDown() override
    {
        entry.reset();
        CPortList::Destroy();
        CHead::SetDialogs(nullptr);
        CHead::SetAskPolicy(nullptr);
        UiTest::TearDown();
    }
    int FilamentOn()
    {
        int on = 0;
        head->IsFilamentOn(on);
        return on;
    }

    kel::testkit::ScriptedPrompts prompts; // any box fails the test
    std::shared_ptr<CPortEntry> entry;
    CHead* head = nullptr;
};

TEST_F(IdleSwitchOffTest, TheFilamentGoesOffQuietlyOnceThePortIsFree)
{
    ASSERT_TRUE(head->FilamentOn());
    ASSERT_EQ(FilamentOn(), 1);

    // A task holds the port: the idle thread waits for it before it touches the head.
    std::atomic<bool> locked{false}, onWhileLocked{false};
    std::thread task(
        [&]
        {
            ::WaitForSingleObject(entry->GetPortLock(), INFINITE);
            locked = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            onWhileLocked = FilamentOn() == 1;
            ::ReleaseMutex(entry->GetPortLock());
        });
    while (!locked)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // The user-interface thread waits as the layer's waits do: a box the idle thread asked for
    // would be shown (and fail the test) meanwhile.
    HANDLE idle = ::CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD
        {
            CIdleWatcher::FilamentAndCemOff();
            return 0;
        },
        nullptr, 0, nullptr);
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(::WaitForSingleObject(idle, 20000), WAIT_OBJECT_0);
    ::CloseHandle(idle);
    task.join();
    EXPECT_TRUE(onWhileLocked);
    EXPECT_EQ(FilamentOn(), 0);
    EXPECT_EQ(head->IsQuiet(), 0); // the head speaks again afterwards
}
} // namespace
