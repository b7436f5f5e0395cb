// The text-log writer: the line format, batches handed over only while the writer is idle, and a
// close that writes everything handed over, so nothing is lost when a run stops or fails.
#include "scans/DataQueue.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

namespace
{

using Row = CDataQueue::Row;
using Batch = CDataQueue::Batch;

Row MakeRow(float time, std::initializer_list<float> values)
{
    Row row;
    for (float v : values)
        row.emplace_back(time, v);
    return row;
}

// A stream whose writes wait until the test opens the gate, so the writer stays busy meanwhile.
class GatedBuffer : public std::stringbuf
{
public:
    void Open()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    bool WaitUntilWriting()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [this] { return m_writing; });
    }

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_writing = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_open; });
        }
        return std::stringbuf::xsputn(s, n);
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_writing = false;
};

// A stream that fails every write while told to.
class FailingBuffer : public std::stringbuf
{
public:
    bool failing = true;

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        return failing ? 0 : std::stringbuf::xsputn(s, n);
    }
    int overflow(int c) override { return failing ? traits_type::eof() : std::stringbuf::overflow(c); }
};

TEST(TextLogWriter, EachRowIsOneLineOfTimeAndValuesEachFollowedByABlank)
{
    std::ostringstream out;
    CDataQueue queue;
    queue.SetStream(&out);
    queue.Start();
    queue.WriteLine("header\n");
    queue.Push({MakeRow(1.5f, {10, 20, 30}), MakeRow(2.5f, {0.125f, 1e-7f, 123456789.0f}), Row{},
                MakeRow(3.5f, {-4})});
    queue.Stop();
    EXPECT_EQ(out.str(), "header\n"
                         "1.5 10 20 30 \n"
                         "2.5 0.125 1e-07 1.23457e+08 \n"
                         "\n"
                         "3.5 -4 \n");
    EXPECT_FALSE(queue.IsStarted());
}

TEST(TextLogWriter, DisabledWriterDoesNothing)
{
    std::ostringstream out;
    CDataQueue queue;
    queue.SetStream(&out);
    queue.SetEnabled(FALSE);
    queue.Start();
    EXPECT_FALSE(queue.IsStarted());
    queue.WriteLine("header\n");
    queue.Push({MakeRow(1, {1})});
    queue.Stop();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(queue.GetQueuedRows(), 0u);
}

TEST(TextLogWriter, BatchesGoOverInFivesWhileTheWriterIsIdleAndGrowWhileItIsBusy)
{
    GatedBuffer buffer;
    std::ostream out(&buffer);
    CDataQueue queue;
    queue.SetStream(&out);
    queue.Start();
    Batch pending;
    for (int cycle = 1; cycle <= 4; ++cycle)
    {
        pending.push_back(MakeRow(float(cycle), {float(cycle)}));
        EXPECT_FALSE(queue.HandOff(pending)) << "only " << cycle << " rows";
    }
    pending.push_back(MakeRow(5, {5}));
    EXPECT_TRUE(queue.HandOff(pending));
    EXPECT_TRUE(pending.empty());
    // The writer is stuck on the disk: the step goes on collecting rows.
    ASSERT_TRUE(buffer.WaitUntilWriting());
    for (int cycle = 6; cycle <= 12; ++cycle)
    {
        pending.push_back(MakeRow(float(cycle), {float(cycle)}));
        EXPECT_FALSE(queue.HandOff(pending));
    }
    EXPECT_EQ(pending.size(), 7u);
    buffer.Open();
    queue.WaitUntilIdle();
    EXPECT_TRUE(queue.HandOff(pending));
    queue.Finish(pending);
    std::string expected;
    for (int cycle = 1; cycle <= 12; ++cycle)
        expected += std::to_string(cycle) + " " + std::to_string(cycle) + " \n";
    EXPECT_EQ(buffer.str(), expected);
}

TEST(TextLogWriter, FinishWritesWhatIsPendingAndWhatWasHandedOver)
{
    std::ostringstream out;
    CDataQueue queue;
    queue.SetStream(&out);
    queue.Start();
    queue.Push({MakeRow(1, {1}), MakeRow(2, {2}), MakeRow(3, {3}), MakeRow(4, {4}), MakeRow(5, {5})});
    Batch pending{MakeRow(6, {6}), MakeRow(7, {7})};
    queue.Finish(pending);
    EXPECT_EQ(out.str(), "1 1 \n2 2 \n3 3 \n4 4 \n5 5 \n6 6 \n7 7 \n");
    EXPECT_FALSE(queue.IsStarted());
}

TEST(TextLogWriter, AFailedWriteLosesItsCycleOnlyAndTheWriterGoesOn)
{
    FailingBuffer buffer;
    std::ostream out(&buffer);
    out.exceptions(std::ios::badbit);
    CDataQueue queue;
    queue.SetStream(&out);
    queue.Start();
    queue.Push({MakeRow(1, {1})});
    queue.WaitUntilIdle();
    EXPECT_EQ(queue.GetQueuedRows(), 0u) << "the failed cycle's rows are dropped";
    buffer.failing = false;
    out.clear();
    queue.Push({MakeRow(2, {2})});
    queue.Stop();
    EXPECT_EQ(buffer.str(), "2 2 \n");
}

TEST(TextLogWriter, RowsPushedBeforeTheStartAreWrittenByTheFirstCycle)
{
    std::ostringstream out;
    CDataQueue queue;
    queue.SetStream(&out);
    queue.Push({MakeRow(1, {1})});
    queue.Start();
    queue.Stop();
    EXPECT_EQ(out.str(), "1 1 \n");
}

} // namespace
