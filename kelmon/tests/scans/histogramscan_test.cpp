// Whole histogram runs: one value per mass and no mass in the record, no sweep announcement, the
// background taken from a complete sweep, the bare restart command after an error report.
#include "ScanTestSupport.h"

using namespace scantest;

namespace
{

constexpr int kPoints = 10; // masses 1..10
constexpr int kWords = kPoints + 1;

class HistogramRunTest : public ScanFixture
{
protected:
    void SetUp() override { Build(SCAN_KIND_HISTOGRAM); }
};

TEST_F(HistogramRunTest, EachMassSendsItsValueAloneAndNoSweepIsAnnounced)
{
    Run(SCAN_MODE_NSCANS, 3);
    EXPECT_EQ(m_view.Messages(), std::vector<std::string>(3 * kPoints, "data"));
    const std::vector<AnalogPointRecord> points = m_display->Points();
    ASSERT_EQ(points.size(), size_t(3 * kPoints));
    for (int i = 0; i < kPoints; ++i)
        EXPECT_FLOAT_EQ(points[2 * kPoints + i].value, (100 + i) * ValueFactor()) << "mass " << i + 1;
    EXPECT_EQ(m_head.sweeps, 3);
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    // A run that did not end normally before clears and redraws the display as it starts.
    const std::vector<std::string> calls = m_display->Calls();
    const auto clear = std::find(calls.begin(), calls.end(), "ClearData");
    ASSERT_NE(clear, calls.end());
    ASSERT_NE(clear + 1, calls.end());
    EXPECT_EQ(clear[1], "Redraw");
}

TEST_F(HistogramRunTest, StopNowEndsAContinuousRunInMidSweep)
{
    m_head.onRead = [this](int read)
    {
        if (read == kWords + 4)
            m_document->StopNow();
    };
    Run(SCAN_MODE_CONTINUOUS);
    EXPECT_EQ(m_view.DataMessages(), kPoints + 4);
    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_document->m_finished, 0);
    EXPECT_EQ(WaitForSingleObject(m_document->m_hScanEvent, 0), WAIT_OBJECT_0);
}

TEST_F(HistogramRunTest, AStartKeepsTheAverageSoSuccessiveRunsAddToIt)
{
    m_head.value = [](int s, int i) { return 100 * (s + 1) + i; };
    m_scan->SetAveraging(1); // linear
    Run(SCAN_MODE_SINGLE);
    Run(SCAN_MODE_SINGLE);
    EXPECT_EQ(m_scan->m_nSweepsAveraged, 2);
    const std::vector<float> sweep = m_display->Sweep();
    ASSERT_EQ(sweep.size(), size_t(kPoints));
    for (int i : {0, 9})
        EXPECT_FLOAT_EQ(sweep[i], (150 + i) * ValueFactor()) << "the mean of both runs at " << i;
}

TEST_F(HistogramRunTest, BackgroundIsTakenFromACompleteSweepOnly)
{
    m_prompts.Expect("Scan must completed for background mode").Reply(IDOK);
    EXPECT_FALSE(m_scan->AcquireBackground()) << "nothing displayed yet";
    EXPECT_FALSE(m_scan->HasBackground());

    Run(SCAN_MODE_SINGLE);
    EXPECT_TRUE(m_scan->AcquireBackground()) << "a complete sweep is a background";
    EXPECT_TRUE(m_scan->HasBackground());
    m_head.value = [](int, int i) { return 100 + 3 * i; };
    Run(SCAN_MODE_SINGLE);
    const float expected = 2 * 4 * ValueFactor();
    EXPECT_NEAR(m_display->Sweep()[4], expected, 1e-5f * expected);
}

TEST_F(HistogramRunTest, ErrorReportRestartsWithTheBareCommand)
{
    m_head.m_fFirmware = 1.02f;
    ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    m_head.endWord = [](int s) { return s == 0 ? 0x08 : 0; };
    m_head.onRead = [this](int read)
    {
        if (read == kWords + 1)
            m_scan->RequestStopAtEnd();
    };
    Run(SCAN_MODE_CONTINUOUS);
    EXPECT_EQ(m_head.starts, (std::vector<int>{1, -1}));
    EXPECT_EQ(m_view.DataMessages(), 2 * kPoints);
}

TEST_F(HistogramRunTest, AStartThatFailedLeavesTheScanUnreadyUntilAttachedAgain)
{
    m_head.FilamentOff();
    m_head.m_bFilamentWarning = 1;
    EXPECT_FALSE(m_scan->StartSeries());
    m_head.FilamentOn();
    EXPECT_TRUE(m_scan->StartSeries()) << "not ready: nothing is done and nothing fails";
    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_TRUE(m_head.starts.empty());
    ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    Run(SCAN_MODE_SINGLE);
    EXPECT_EQ(m_view.DataMessages(), kPoints);
}

} // namespace
