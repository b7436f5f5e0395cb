// The port monitor: tasks leave the queue strictly in order, one task at a time per port, locked
// tasks that ask to run again cycle at the back, and Stop drains the queue and always returns.
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "testkit/VirtualSerial.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

struct Journal
{
    std::mutex lock;
    std::vector<int> taken;   // task ids in the order the workers took them off the queue
    std::vector<int> started; // ids in the order their runs began
    std::vector<int> finished;
    std::atomic<int> running[4] = {};
    std::atomic<int> overlap{0}; // a second task ran on a busy port
    std::atomic<int> runs{0};
};

class RecordingTask : public CDocTask
{
public:
    RecordingTask(Journal& journal, int id, HANDLE lock, int again = 0, std::atomic<int>* stop = nullptr,
                  int port = 0, int workMs = 0)
        : CDocTask("record"), m_journal(journal), m_id(id), m_lock(lock), m_again(again), m_stop(stop),
          m_port(port), m_workMs(workMs)
    {
    }
    int Run() override
    {
        {
            std::lock_guard<std::mutex> guard(m_journal.lock);
            m_journal.started.push_back(m_id);
        }
        if (m_lock && m_journal.running[m_port].fetch_add(1) != 0)
            m_journal.overlap++;
        if (m_workMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_workMs));
        if (m_lock)
            m_journal.running[m_port].fetch_sub(1);
        m_journal.runs++;
        std::lock_guard<std::mutex> guard(m_journal.lock);
        m_journal.finished.push_back(m_id);
        if (m_stop)
            return m_stop->load() ? 0 : 1;
        return m_again;
    }
    HANDLE GetLock() override { return m_lock; }
    CDocTask* Clone() override
    {
        std::lock_guard<std::mutex> guard(m_journal.lock);
        m_journal.taken.push_back(m_id);
        return new RecordingTask(*this);
    }

private:
    RecordingTask(const RecordingTask&) = default;

    Journal& m_journal;
    int m_id;
    HANDLE m_lock;
    int m_again;
    std::atomic<int>* m_stop;
    int m_port;
    int m_workMs;
};

class PortMonitorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Three ports in the list; the monitor gives each its lock.
        for (int i = 0; i < 3; ++i)
            m_modems[i].RegisterAs(71 + i);
        m_ports = std::make_unique<CPortList>();
        ASSERT_TRUE(CPortMonitor::Instance().Start(*m_ports));
        for (int i = 0; i < 3; ++i)
            m_locks.push_back(m_ports->GetPortLock("COM" + std::to_string(71 + i)));
        for (HANDLE lock : m_locks)
            ASSERT_NE(lock, nullptr);
    }
    void TearDown() override
    {
        CPortMonitor::Destroy();
        m_ports.reset();
    }

    void WaitForRuns(Journal& journal, int runs)
    {
        for (int i = 0; i < 5000 && journal.runs < runs; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    kel::testkit::VirtualNullModem m_modems[3];
    std::unique_ptr<CPortList> m_ports;
    std::vector<HANDLE> m_locks;
};

// Workers may first run after Destroy has already let go of the instance; they must still end
// with the monitor that started them, so destroying it never hangs.
TEST_F(PortMonitorTest, DestroyedAtOnceAfterStartEveryWorkerEnds)
{
    CPortMonitor::Destroy();
    for (int round = 0; round < 200; ++round)
    {
        ASSERT_TRUE(CPortMonitor::Instance().Start(*m_ports));
        CPortMonitor::Destroy();
    }
    ASSERT_TRUE(CPortMonitor::Instance().Start(*m_ports));
}

TEST_F(PortMonitorTest, StrictOrderAndOneTaskPerPortUnderLoad)
{
    Journal journal;
    std::vector<int> expected;
    for (int id = 0; id < 300; ++id)
    {
        const int port = id % 3;
        CPortMonitor::Instance().Enqueue(
            new RecordingTask(journal, id, m_locks[port], 0, nullptr, port, id % 7 == 0 ? 1 : 0));
        expected.push_back(id);
    }
    // Tasks without a lock mixed in run too, their result ignored.
    for (int id = 300; id < 310; ++id)
    {
        CPortMonitor::Instance().Enqueue(new RecordingTask(journal, id, nullptr, 1));
        expected.push_back(id);
    }
    EXPECT_TRUE(CPortMonitor::Instance().Stop());
    EXPECT_EQ(journal.taken, expected);
    EXPECT_EQ(journal.runs, 310) << "a task without a lock asking to run again is not queued again";
    EXPECT_EQ(journal.overlap, 0);
    EXPECT_TRUE(CPortMonitor::Instance().IsIdle());
}

TEST_F(PortMonitorTest, BusyPortHoldsUpTheTasksBehindIt)
{
    Journal journal;
    CPortMonitor& monitor = CPortMonitor::Instance();
    // Port 0 is busy (the test holds its mutex): its task waits, and the task for port 1 behind
    // it waits too, because the waiting worker holds the gate.
    ASSERT_EQ(WaitForSingleObject(m_locks[0], 0), WAIT_OBJECT_0);
    monitor.Enqueue(new RecordingTask(journal, 1, m_locks[0]));
    monitor.Enqueue(new RecordingTask(journal, 2, m_locks[0]));
    monitor.Enqueue(new RecordingTask(journal, 3, m_locks[1], 0, nullptr, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(journal.runs, 0);
    EXPECT_EQ(monitor.GetQueueLength(), 3);
    ReleaseMutex(m_locks[0]);
    EXPECT_TRUE(monitor.Stop());
    EXPECT_EQ(journal.finished.front(), 1);
    EXPECT_EQ(journal.taken, (std::vector<int>{1, 2, 3}));
}

TEST_F(PortMonitorTest, LockedTaskCyclesAtTheBackUntilToldToStop)
{
    Journal journal;
    std::atomic<int> stop{0};
    CPortMonitor& monitor = CPortMonitor::Instance();
    monitor.Enqueue(new RecordingTask(journal, 7, m_locks[2], 0, &stop, 2));
    WaitForRuns(journal, 20);
    EXPECT_GE(journal.runs, 20);
    // Another task queued meanwhile runs between two of its rounds.
    monitor.Enqueue(new RecordingTask(journal, 8, m_locks[2], 0, nullptr, 2));
    const int before = journal.runs;
    WaitForRuns(journal, before + 5);
    stop = 1;
    EXPECT_TRUE(monitor.Stop());
    EXPECT_TRUE(monitor.IsIdle());
    std::lock_guard<std::mutex> guard(journal.lock);
    EXPECT_EQ(std::count(journal.finished.begin(), journal.finished.end(), 8), 1);
}

TEST_F(PortMonitorTest, StopRunsWhatIsQueuedAndReturnsEvenWhileATaskKeepsAskingAgain)
{
    Journal journal;
    std::atomic<int> never{0};
    CPortMonitor& monitor = CPortMonitor::Instance();
    monitor.Enqueue(new RecordingTask(journal, 1, m_locks[0], 0, &never, 0)); // always asks again
    for (int id = 2; id <= 4; ++id)
        monitor.Enqueue(new RecordingTask(journal, id, m_locks[1], 0, nullptr, 1, 2));
    EXPECT_TRUE(monitor.Stop());
    std::lock_guard<std::mutex> guard(journal.lock);
    for (int id = 2; id <= 4; ++id)
        EXPECT_EQ(std::count(journal.finished.begin(), journal.finished.end(), id), 1) << id;
    EXPECT_TRUE(monitor.IsIdle());
}

} // namespace
