// Whole analog runs on the simulated head through the port monitor, with the view on a thread of
// its own and the recording display: what reaches the view and in which order, how runs end,
// averaging, background subtraction and the end-of-sweep word.
#include "ScanTestSupport.h"

#include "scans/AveragingWeight.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace scantest;

namespace
{

// Words the head sends per sweep of the fixture's range: 91 points and the end-of-sweep word.
constexpr int kPoints = 91;
constexpr int kWords = kPoints + 1;

class AnalogRunTest : public ScanFixture
{
protected:
    void SetUp() override { Build(SCAN_KIND_ANALOG); }

    // "data" x points, then for each further sweep "newsweep" and "data" x points.
    static std::vector<std::string> ExpectedMessages(int sweeps, int lastSweepPoints = kPoints)
    {
        std::vector<std::string> expected;
        for (int s = 0; s < sweeps; ++s)
        {
            if (s > 0)
                expected.push_back("newsweep");
            expected.insert(expected.end(), s + 1 == sweeps ? lastSweepPoints : kPoints, "data");
        }
        return expected;
    }

    // Starts a continuous run and lets action run on the stepping thread once word `at` was read.
    void RunContinuous(int at, std::function<void()> action)
    {
        m_head.onRead = [=](int read)
        {
            if (read == at)
                action();
        };
        Run(SCAN_MODE_CONTINUOUS);
    }

    // The total pressure a word shows: the units' total factor over the multiplier gain.
    float PressureOf(int32_t word) const
    {
        return static_cast<float>(word) * m_units->m_fTotalFactor / Gain();
    }
};

TEST_F(AnalogRunTest, SingleSweepSendsEveryPointWithItsMassThenEnds)
{
    Run(SCAN_MODE_SINGLE);
    EXPECT_EQ(m_view.Messages(), ExpectedMessages(1));
    const std::vector<AnalogPointRecord> points = m_display->Points();
    ASSERT_EQ(points.size(), size_t(kPoints));
    for (int i = 0; i < kPoints; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(points[i].mass, 1.0f + i / 10.0f);
        EXPECT_FLOAT_EQ(points[i].value, (100 + i) * ValueFactor());
    }
    EXPECT_FLOAT_EQ(m_display->LastPressure(), PressureOf(1000));
    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_FALSE(m_scan->IsAcquiring());
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_document->m_finished, 0);
    EXPECT_EQ(m_document->m_paints, 1) << "the active view is repainted at the end of the run";
    EXPECT_EQ(m_head.starts, (std::vector<int>{1}));
    EXPECT_EQ(m_scan->Step(), 0) << "an ended run asks for no further step";
}

TEST_F(AnalogRunTest, NScansRunsExactlyThatManySweepsAnnouncingEachNewOne)
{
    Run(SCAN_MODE_NSCANS, 3);
    EXPECT_EQ(m_view.Messages(), ExpectedMessages(3));
    EXPECT_EQ(m_head.sweeps, 3);
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    // Every sweep stamps its start and resets the labels of averaging and logging (both off).
    EXPECT_EQ(m_display->CallsStartingWith("ShowLogStatus").size(), 3u);
    EXPECT_EQ(m_display->CallsStartingWith("ShowLogStatus 0 0 0").size(), 3u);
    EXPECT_EQ(m_display->CallsStartingWith("ShowLogProgress 0 0 0 0").size(), 3u);
}

TEST_F(AnalogRunTest, ContinuousRunGoesOnUntilStopNowAndNeverCountsDown)
{
    // Stop Now lands in the middle of the third sweep.
    RunContinuous(2 * kWords + 40, [this] { m_document->StopNow(); });
    EXPECT_EQ(m_view.Messages(), ExpectedMessages(3, 40));
    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_FALSE(m_scan->m_bEndedNormally) << "a run stopped now did not end by itself";
    EXPECT_TRUE(m_scan->m_bContinuous);
    EXPECT_EQ(m_document->m_finished, 0);
    EXPECT_EQ(WaitForSingleObject(m_document->m_hScanEvent, 0), WAIT_OBJECT_0);
    // Nothing more arrives once the run has ended.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(m_view.DataMessages(), 2 * kPoints + 40);
}

TEST_F(AnalogRunTest, PointsAlreadyWaitingReachTheViewTogetherInOrder)
{
    Run(SCAN_MODE_NSCANS, 2);
    EXPECT_EQ(m_view.Messages(), ExpectedMessages(2));
    EXPECT_EQ(m_display->Points().size(), size_t(2 * kPoints));
    // At most 64 points a batch and the last point of a sweep at once: two or more a sweep, far
    // fewer than one a point.
    EXPECT_GE(m_view.BatchMessages(), 4);
    EXPECT_LT(m_view.BatchMessages(), kPoints);
}

TEST_F(AnalogRunTest, APointWithNoneWaitingBehindItIsNotHeldBack)
{
    m_head.waiting = 0;
    std::atomic<int> late{0};
    // Each word is read only once every point before it has reached the view.
    m_head.onRead = [&](int read)
    {
        if (m_view.DataMessages() != std::min(read - 1, kPoints))
            ++late;
    };
    Run(SCAN_MODE_SINGLE);
    EXPECT_EQ(late.load(), 0);
    EXPECT_EQ(m_view.Messages(), ExpectedMessages(1));
}

TEST_F(AnalogRunTest, StopAtEndFinishesTheSweepUnderWay)
{
    RunContinuous(kWords + 10, [this] { m_scan->RequestStopAtEnd(); });
    EXPECT_EQ(m_view.Messages(), ExpectedMessages(2));
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_head.sweeps, 2);
}

struct AveragingCase
{
    const char* name;
    int mode;   // 1 linear, 2 exponential
    int limit;  // at N scans
    int action; // 1 stop, 2 reset and continue
    int sweeps; // sweeps in the run (the run is continuous; it is stopped at the end of this one)
    int expectedSweeps;
    // The value of point i in the last sweep, in raw counts (sweep s sends 100 (s + 1) + i).
    std::function<double(int i, double w)> expected;
};

class AnalogAveragingTest : public AnalogRunTest, public ::testing::WithParamInterface<AveragingCase>
{
};

TEST_P(AnalogAveragingTest, LastSweepShowsTheAverage)
{
    const AveragingCase& c = GetParam();
    m_head.value = [](int s, int i) { return 100 * (s + 1) + i; };
    m_scan->SetAveragingMode(c.mode);
    m_scan->SetAveragingLimit(c.limit);
    m_scan->SetAveragingLimitAction(c.action);
    m_scan->SetAveragingDepth(5);
    m_scan->SetAveraging(1);
    RunContinuous((c.sweeps - 1) * kWords + 1, [this] { m_scan->RequestStopAtEnd(); });
    EXPECT_EQ(m_head.sweeps, c.expectedSweeps);
    const std::vector<float> sweep = m_display->Sweep();
    ASSERT_EQ(sweep.size(), size_t(kPoints));
    const double w = InverseAveragingWeight(0.95f, 5);
    for (int i : {0, 45, 90})
        EXPECT_NEAR(sweep[i], c.expected(i, w) * ValueFactor(), 1e-5 * std::fabs(sweep[i])) << "point " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnalogAveragingTest,
    ::testing::Values(
        // Linear with limit 3 and "stop": the run stops at the end of the third averaged sweep.
        AveragingCase{"LinearStopsAtTheLimit", 1, 3, 1, 5, 3, [](int i, double) { return 200.0 + i; }},
        // "Reset and continue": the fourth sweep starts a new average, the fifth is its mean with it.
        AveragingCase{"LinearResetsAtTheLimit", 1, 3, 2, 5, 5, [](int i, double) { return 450.0 + i; }},
        // Exponential: the first sweep after a reset is weighted by w alone, then w x + (1 - w) A.
        AveragingCase{"ExponentialFirstSweep", 2, 3, 1, 1, 1, [](int i, double w) { return w * (100 + i); }},
        AveragingCase{"ExponentialTwoSweeps", 2, 3, 1, 2, 2,
                      [](int i, double w) { return w * (200 + i) + (1 - w) * w * (100 + i); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AnalogRunTest, BackgroundIsSubtractedWithItsSign)
{
    m_head.value = [](int s, int i) { return 100 + (s + 1) * i; };
    Run(SCAN_MODE_SINGLE);
    ASSERT_TRUE(m_scan->AcquireBackground());
    EXPECT_TRUE(m_scan->HasBackground());
    EXPECT_TRUE(m_display->Sweep().empty()) << "taking the background clears the display";

    Run(SCAN_MODE_SINGLE);
    std::vector<float> sweep = m_display->Sweep();
    ASSERT_EQ(sweep.size(), size_t(kPoints));
    for (int i : {0, 7, 90})
        EXPECT_FLOAT_EQ(sweep[i], i * ValueFactor()) << "data minus background at " << i;

    m_scan->SetBackgroundMode(0);
    Run(SCAN_MODE_SINGLE);
    sweep = m_display->Sweep();
    EXPECT_FLOAT_EQ(sweep[7], -2 * 7 * ValueFactor()) << "background minus data";
    m_head.value = [](int, int) { return 100; };
    Run(SCAN_MODE_SINGLE);
    sweep = m_display->Sweep();
    EXPECT_EQ(sweep[0], 0.0f);
    EXPECT_TRUE(std::signbit(sweep[0])) << "a point equal to its background gives -0.0";
    EXPECT_GT(sweep[1], 0.0f) << "a point below its background gives a positive value";

    // Removing it shows the stored background again.
    m_display->ClearCalls();
    EXPECT_TRUE(m_scan->RemoveBackground());
    EXPECT_FALSE(m_scan->HasBackground());
    EXPECT_EQ(m_display->Calls(), (std::vector<std::string>{"ClearData", "ShowScanData"}));
    EXPECT_FLOAT_EQ(m_display->Sweep()[7], (100 + 7) * ValueFactor());
}

TEST_F(AnalogRunTest, BackgroundIsRefusedUntilASweepIsComplete)
{
    m_prompts.Expect("Scan must completed for background mode").Reply(IDOK);
    EXPECT_FALSE(m_scan->AcquireBackground());
    EXPECT_FALSE(m_scan->HasBackground());
}

struct EndWordCase
{
    const char* name;
    float firmware;
    int32_t word;
    bool shown; // shown as total pressure; else taken as an error report
};

class AnalogEndWordTest : public AnalogRunTest, public ::testing::WithParamInterface<EndWordCase>
{
};

TEST_P(AnalogEndWordTest, SingleSweep)
{
    const EndWordCase& c = GetParam();
    m_head.m_fFirmware = c.firmware;
    ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    m_head.endWord = [&](int) { return c.word; };
    Run(SCAN_MODE_SINGLE);
    EXPECT_EQ(m_display->CallsStartingWith("ShowAlarmMessage").size(), c.shown ? 1u : 0u);
    if (c.shown)
    {
        EXPECT_FLOAT_EQ(m_display->LastPressure(), PressureOf(c.word));
    }
    else
    {
        EXPECT_EQ(m_display->CallsStartingWith("ClearData").size(), 2u)
            << "the error report clears the display";
    }
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_document->m_paints, 1);
    EXPECT_EQ(m_view.DataMessages(), kPoints);
}

INSTANTIATE_TEST_SUITE_P(Cases, AnalogEndWordTest,
                         ::testing::Values(EndWordCase{"OldFirmwareShowsAnyWord", 0.20f, 0x08, true},
                                           EndWordCase{"LowBitsSetIsPressure", 0.21f, 0x0F, true},
                                           EndWordCase{"ZeroIsPressure", 1.02f, 0, true},
                                           EndWordCase{"OtherWordIsAnErrorReport", 0.21f, 0x08, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AnalogRunTest, ErrorReportRestartsAContinuousRun)
{
    m_head.m_fFirmware = 1.02f;
    ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    m_head.endWord = [](int s) { return s == 0 ? 0x08 : 0x0F; };
    RunContinuous(kWords + 5, [this] { m_scan->RequestStopAtEnd(); });
    EXPECT_EQ(m_head.starts, (std::vector<int>{1, -1})) << "the head's scan restarts with the bare command";
    EXPECT_EQ(m_view.DataMessages(), 2 * kPoints);
    EXPECT_TRUE(m_scan->m_bEndedNormally);
}

TEST_F(AnalogRunTest, UserUnitShowsItsFactorWithTheUnitName)
{
    m_units->m_nMode = CUnits::kPpmOfTotal;
    m_units->m_fRefTotal = 1e-6f;
    m_units->Recompute();
    Run(SCAN_MODE_SINGLE);
    EXPECT_EQ(m_display->CallsStartingWith("UpdateAlarmMessage"),
              (std::vector<std::string>{"UpdateAlarmMessage Torr"}));
    EXPECT_FLOAT_EQ(m_display->LastPressure(), m_units->GetFactor());
}

// A run that cannot go on ends there: no step asks to run again, nothing stays marked as running,
// and the document cleans up after the failure.
enum class Failure
{
    PointNeverComes,
    PointCutShort,
    HeadGoneMidSweep,
    ErrorReportWithDisplayThatCannotClear,
    RestartAfterErrorReportRefused,
    NextSweepCannotStart,
};

class AnalogFailureTest : public AnalogRunTest, public ::testing::WithParamInterface<Failure>
{
};

TEST_P(AnalogFailureTest, EndsTheRun)
{
    int rebinds = 0;
    switch (GetParam())
    {
    case Failure::PointNeverComes:
        m_head.failAfterPoints = kWords + 30;
        break;
    case Failure::PointCutShort:
        m_head.failReadAt = kWords + 30;
        break;
    case Failure::HeadGoneMidSweep:
        m_head.onRead = [this](int read)
        {
            if (read == 50)
                m_head.Disconnect();
        };
        rebinds = 1; // a head that is gone cannot be told to stop
        break;
    case Failure::ErrorReportWithDisplayThatCannotClear:
        m_head.m_fFirmware = 1.02f;
        ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
        m_head.endWord = [](int) { return 0x08; };
        m_head.onRead = [this](int read)
        {
            if (read == kWords - 1)
                m_display->m_bFailClear = TRUE;
        };
        break;
    case Failure::RestartAfterErrorReportRefused:
        m_head.m_fFirmware = 1.02f;
        ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
        m_head.endWord = [](int) { return 0x08; };
        m_head.failStartAt = 2; // the bare restart
        break;
    case Failure::NextSweepCannotStart:
        m_head.onRead = [this](int read)
        {
            // The filament goes off, and nobody is there to switch it on.
            if (read == kWords - 1)
            {
                m_head.FilamentOff();
                m_head.m_bFilamentWarning = 1;
            }
        };
        break;
    }
    m_settings->m_scanMode = SCAN_MODE_CONTINUOUS;
    m_document->Start();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_FALSE(m_scan->IsAcquiring());
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_document->m_finished, 1);
    EXPECT_EQ(m_document->m_rebinds, rebinds);
    EXPECT_EQ(WaitForSingleObject(m_document->m_hScanEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(m_scan->Step(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, AnalogFailureTest,
                         ::testing::Values(Failure::PointNeverComes, Failure::PointCutShort,
                                           Failure::HeadGoneMidSweep,
                                           Failure::ErrorReportWithDisplayThatCannotClear,
                                           Failure::RestartAfterErrorReportRefused,
                                           Failure::NextSweepCannotStart));

} // namespace
