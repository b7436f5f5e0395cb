// The split scan on the simulated head: an analog sweep followed by a table sweep (coupling mode 0)
// or by table values taken from the analog sweep (mode 1), the phases and the messages the view
// receives, stop at end, and the forwarding rules that combine the children's answers.
#include "ChannelTestSupport.h"

#include "scans/SplitScan.h"

#include <cmath>

using namespace scantest;

namespace
{

class SplitScanTest : public ChannelScanFixture
{
protected:
    // An analog first child over masses 1..10 and a table second child of channels.
    void BuildSplit(int couplingMode, const std::vector<ChannelSpec>& channels)
    {
        Build(SCAN_KIND_TABLE, channels);
        m_tableScan = std::move(m_scan);
        m_settings = std::make_unique<CAnalogData>(CAnalogData::kModeAnalog, m_units.get(), m_pHead);
        m_settings->m_startMass = 1;
        m_settings->m_stopMass = 10;
        m_settings->m_noiseFloor = 0;
        m_settings->m_pointCount = m_settings->ExpectedPointCount();
        m_analogDisplay = std::make_unique<CRecordingDisplay>(m_settings.get());
        CDisplay* parts[2] = {m_analogDisplay.get(), m_display.get()};
        CObject* settings[2] = {m_settings.get(), m_table.get()};
        const int32_t kinds[2] = {CSplitScan::kChildAnalog, CSplitScan::kChildTable};
        m_split = std::make_unique<CSplitScan>(m_pHead, parts, settings, kinds, couplingMode);
        m_document->m_pScan = m_split.get();
        ASSERT_TRUE(m_split->AttachDocument(m_document.get()));
    }
    void TearDown() override
    {
        CPortMonitor::Destroy();
        m_split.reset();
        ChannelScanFixture::TearDown();
    }
    void RunSplit(int mode)
    {
        m_settings->m_scanMode = mode;
        m_document->Start();
        ASSERT_TRUE(m_document->WaitForRunEnd()) << "the run did not end";
    }

    std::unique_ptr<CChannelScan> m_tableScan;
    std::unique_ptr<CAnalogData> m_settings;
    std::unique_ptr<CRecordingDisplay> m_analogDisplay;
    std::unique_ptr<CSplitScan> m_split;
};

TEST_F(SplitScanTest, ModeZeroRunsASweepOfEachChildInTurn)
{
    BuildSplit(0, {{2}, {4}});
    RunSplit(SCAN_MODE_SINGLE);
    const int points = m_settings->m_pointCount;
    const std::vector<std::string> messages = m_view.Messages();
    ASSERT_EQ(messages.size(), size_t(points + 2));
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "data"), points + 2)
        << "the analog sweep's points, then the table's two readings";
    EXPECT_EQ(m_analogDisplay->PointsReceived(), points);
    ASSERT_EQ(m_display->Readings().size(), 2u);
    EXPECT_FLOAT_EQ(m_display->Readings()[1].value, 400.0f * Factor());
    EXPECT_EQ(m_split->GetPhase(), 0);
    EXPECT_TRUE(m_split->m_bEndedNormally);
    EXPECT_FALSE(m_split->IsRunning());
    EXPECT_FALSE(m_split->GetChild(0)->IsRunning());
    EXPECT_FALSE(m_split->GetChild(1)->IsRunning());
}

TEST_F(SplitScanTest, ModeOneTakesTheTableFromTheAnalogSweepInsideItsRange)
{
    BuildSplit(1, {{1}, {5, 0, 2.0f}, {10}, {12}});
    RunSplit(SCAN_MODE_SINGLE);
    const std::vector<float> sweep = m_analogDisplay->Sweep();
    ASSERT_EQ(sweep.size(), 91u);
    const std::vector<CChannelDisplay::Reading> readings = m_display->Readings();
    ASSERT_EQ(readings.size(), 4u);
    EXPECT_FLOAT_EQ(readings[0].value, sweep[4]) << "the start mass: half a window from the start";
    EXPECT_FLOAT_EQ(readings[1].value, sweep[44] * 2.0f) << "inside: a window centred on the mass";
    EXPECT_FLOAT_EQ(readings[2].value, sweep[90]) << "the stop mass: half a window ending there";
    EXPECT_FLOAT_EQ(readings[3].value, 0.0f) << "outside the sweep";
    EXPECT_TRUE(m_head.Starts().empty()) << "no single mass was read";
    EXPECT_TRUE(m_split->m_bEndedNormally);
}

TEST_F(SplitScanTest, StopAtEndDuringTheFirstChildStillEndsTheRound)
{
    BuildSplit(0, {{2}});
    m_settings->m_scanMode = SCAN_MODE_CONTINUOUS;
    m_head.onRead = [&](int read)
    {
        if (read == 20)
            m_split->RequestStopAtEnd();
    };
    m_document->Start();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_EQ(m_analogDisplay->PointsReceived(), m_settings->m_pointCount);
    EXPECT_EQ(m_display->Readings().size(), 1u) << "the second child's sweep ends the round";
    EXPECT_TRUE(m_split->m_bEndedNormally);
}

// A table child whose sweep takes a set time.
class CTimedTableScan : public CTableScans
{
public:
    explicit CTimedTableScan(int seconds) : m_seconds(seconds) {}
    BOOL EstimateSweepTime(int& seconds) override
    {
        seconds = m_seconds;
        return 1;
    }
    BOOL CheckMassRange() override { return m_massRangeOk; }
    int m_seconds;
    BOOL m_massRangeOk = 1;
};

TEST(SplitForwardingTest, ChildrenAnswersCombineByTheRules)
{
    CSplitScan split;
    auto* first = new CTimedTableScan(4);
    auto* second = new CTimedTableScan(6);
    split.m_pFirst = first;
    split.m_pSecond = second;
    const int expected[] = {11, 5, 5, 4};
    for (int mode = 0; mode < 4; ++mode)
    {
        split.m_nCouplingMode = mode;
        int seconds = 0;
        split.EstimateSweepTime(seconds);
        EXPECT_EQ(seconds, expected[mode]) << "mode " << mode;
    }

    CUnits units;
    CTable table(&units, nullptr);
    first->SetSettings(&table);
    second->SetSettings(&table);
    table.m_numberOfScans = 7;
    EXPECT_EQ(split.GetNumberOfScans(), 7);
    split.m_nSecondKind = CSplitScan::kChildPvsT;
    EXPECT_EQ(split.GetNumberOfScans(), 0) << "a pressure-versus-time child has no count";
    split.SetNumberOfScans(3);
    EXPECT_EQ(table.m_numberOfScans, 7) << "and takes none";

    first->m_massRangeOk = 0;
    EXPECT_FALSE(split.CheckMassRange());
    first->m_massRangeOk = 1;
    second->m_massRangeOk = 0;
    EXPECT_FALSE(split.CheckMassRange());

    second->m_bViewingLog = 1;
    EXPECT_TRUE(split.IsViewingLog()) << "either child";
    EXPECT_EQ(split.GetScanKind(), SCAN_KIND_SPLIT);
}

} // namespace
