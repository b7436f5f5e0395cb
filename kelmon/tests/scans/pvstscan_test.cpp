// The pressure-versus-time scan on the simulated head: one whole sample per trigger with its time,
// the reference modes with their degenerate cases, the bounded re-wait, the end of the buffer and
// of the tick range, and the text log with nothing lost on stop and on a failed step.
#include "ChannelTestSupport.h"

#include <afxwin.h>

#include <cmath>

using namespace scantest;

namespace
{

class PvsTScanTest : public ChannelScanFixture
{
protected:
    CPvsTScans& Scan() { return static_cast<CPvsTScans&>(*m_scan); }

    // A running trend: started as the document starts it, one step task per trigger.
    void StartTrend()
    {
        m_scan->OpenScanLog();
        ASSERT_TRUE(m_scan->StartContinuous());
    }
    void Trigger(int samples = 1)
    {
        for (int i = 0; i < samples; ++i)
        {
            m_document->QueueStep();
            ASSERT_TRUE(WaitForIdle());
        }
    }
};

TEST_F(PvsTScanTest, EachTriggerTakesOneWholeSample)
{
    Build(SCAN_KIND_PVST, {{2}, {4, 1}, {16}});
    m_table->m_totalPressureFlag = 1;
    StartTrend();
    Trigger(3);
    const auto samples = m_display->Samples();
    ASSERT_EQ(samples.size(), 3u);
    for (const auto& s : samples)
    {
        ASSERT_EQ(s.size(), 6u) << "three times, then three values";
        EXPECT_EQ(s[0], s[1]);
        EXPECT_EQ(s[1], s[2]);
        EXPECT_FLOAT_EQ(s[3], 200.0f * Factor());
        EXPECT_FLOAT_EQ(s[4], 400.0f * Factor() / m_head.GetCemGain());
        EXPECT_FLOAT_EQ(s[5], 1600.0f * Factor());
    }
    EXPECT_EQ(samples[0][0], 0.0f) << "the first sample is the time origin";
    EXPECT_EQ(m_head.totalPressures, 3);
    EXPECT_EQ(Scan().GetSampleIndex(), 3);
    EXPECT_EQ(m_display->m_nSampleCounter, 2);
    EXPECT_EQ(m_head.Starts(), (std::vector<int>{4, 2, 16, 4, 2, 16, 4, 2, 16}));
    EXPECT_TRUE(m_scan->IsAcquiring());
}

TEST_F(PvsTScanTest, ReferenceModesRelateEachValueToItsReference)
{
    Build(SCAN_KIND_PVST, {{2}});
    m_scan->m_bBackgroundOn = 1;
    m_scan->m_pBackground.reset(new float[CChannelScan::kChannels]());
    m_scan->m_nBackgroundLength = 1;
    const struct
    {
        const char* name;
        int mode;
        float ref, value, expected;
    } cases[] = {
        {"difference", 0, 2.0f, 5.0f, 3.0f},
        {"inverse", 1, 2.0f, 5.0f, -3.0f},
        {"percent", 2, 2.0f, 5.0f, 150.0f},
        {"ratio", 3, 2.0f, 5.0f, 2.5f},
        {"log ratio", 4, 2.0f, 5.0f, std::log10(2.5f)},
        {"percent of a zero reference", 2, 0.0f, 5.0f, 0.0f},
        {"ratio to a zero reference", 3, 0.0f, 5.0f, 0.0f},
        {"log ratio to a zero reference", 4, 0.0f, 5.0f, 0.0f},
        {"log ratio of a negative reading", 4, 2.0f, -5.0f, 0.0f},
        {"log ratio of a zero reading", 4, 2.0f, 0.0f, 0.0f},
        {"no relation: the plain background once", 7, 2.0f, 5.0f, 3.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_scan->m_nReferenceMode = c.mode;
        m_scan->m_referenceTaken[0] = 1;
        m_scan->m_pBackground[0] = c.ref;
        EXPECT_FLOAT_EQ(Scan().ApplyReference(0, c.value), c.expected);
    }
    m_table->m_backgroundSign = 0;
    m_scan->m_nReferenceMode = 0;
    EXPECT_FLOAT_EQ(Scan().ApplyReference(0, 5.0f), 3.0f) << "a reference mode is applied once, unsigned";
}

TEST_F(PvsTScanTest, AReferenceTakenWithoutDataIsTheFirstReadingAfterIt)
{
    Build(SCAN_KIND_PVST, {{2}, {4}});
    m_head.reading = [](int mass, int n) { return 100 * mass * (n + 1); };
    ASSERT_TRUE(m_scan->AcquireBackground());
    m_scan->m_nReferenceMode = CPvsTScans::kRefRatio;
    StartTrend();
    Trigger(3);
    const auto samples = m_display->Samples();
    ASSERT_EQ(samples.size(), 3u);
    for (int s = 0; s < 3; ++s)
    {
        EXPECT_FLOAT_EQ(samples[s][2], float(s + 1)) << s;
        EXPECT_FLOAT_EQ(samples[s][3], float(s + 1)) << s;
    }
    // Taken again after it was removed, with data on the display: the display's latest values.
    m_scan->RemoveBackground();
    ASSERT_TRUE(m_scan->AcquireBackground());
    EXPECT_EQ(m_scan->m_referenceTaken[0], 1);
    EXPECT_FLOAT_EQ(m_scan->m_pBackground[1], 3.0f) << "the last shown value of channel 2";
    // Taken while one is in force: the display is cleared.
    ASSERT_TRUE(m_scan->AcquireBackground());
    EXPECT_EQ(m_display->CallsStartingWith("ClearData").size(), 1u);
}

TEST_F(PvsTScanTest, AReadingCutShortIsAskedAgainWithThePortFreeAndOnlyAFewTimes)
{
    Build(SCAN_KIND_PVST, {{2}});
    StartTrend();
    m_head.shortReplies = 1;
    Trigger();
    EXPECT_EQ(m_display->Samples().size(), 1u) << "the second try came whole";
    EXPECT_EQ(m_head.Starts().size(), 2u);

    m_head.shortReplies = 100;
    Trigger();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_EQ(m_head.Starts().size(), 2u + 1 + CPvsTScans::kMaxRestarts);
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_display->Samples().size(), 1u);
}

TEST_F(PvsTScanTest, AReplyThatNeverComesEndsTheRunWithoutABox)
{
    Build(SCAN_KIND_PVST, {{2}});
    StartTrend();
    m_head.failWaits = true;
    Trigger();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_TRUE(m_display->Samples().empty());
}

TEST_F(PvsTScanTest, FullBufferAndOutlivedTicksEndTheRunWithTheirMessages)
{
    const struct
    {
        const char* name;
        const char* message;
        std::function<void(CPvsTScans&)> arrange;
    } cases[] = {
        {"buffer full", "All 256000 points in the buffer have been filled",
         [](CPvsTScans& s) { s.m_nSampleIndex = CPvsTScans::kBufferLength - 1; }},
        {"ticks outlived", "Windows timer wrapped after 49 days",
         [](CPvsTScans& s) { s.m_originTick64 = GetTickCount64() - 0x100000000ull - 10; }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Build(SCAN_KIND_PVST, {{2}});
        StartTrend();
        Trigger();
        c.arrange(Scan());
        m_prompts.Expect(c.message).Reply(IDOK);
        Trigger();
        ASSERT_TRUE(m_document->WaitForRunEnd());
        EXPECT_TRUE(m_scan->m_bEndedNormally);
        EXPECT_EQ(m_document->m_finished, 1);
        TearDown();
    }
}

TEST_F(PvsTScanTest, TextLogKeepsEverySampleOnStopAndOnAFailedStep)
{
    for (bool fail : {false, true})
    {
        SCOPED_TRACE(fail ? "failed step" : "stop");
        Build(SCAN_KIND_PVST, {{2}, {4}});
        EnableTextLog();
        m_scan->StampStartTime();
        StartTrend();
        ASSERT_TRUE(m_scan->IsTextLogOpen());
        Trigger(7);
        if (fail)
        {
            m_head.failStartsAfter = static_cast<int>(m_head.Starts().size()) + 1;
            Trigger();
            EXPECT_EQ(m_document->m_finished, 1);
        }
        else
            m_document->StopNow();
        ASSERT_TRUE(m_document->WaitForRunEnd());
        EXPECT_FALSE(m_scan->IsTextLogOpen());
        const auto rows = LogRows(std::string(m_scan->GetTextLogPath()));
        ASSERT_EQ(rows.size(), 7u);
        EXPECT_EQ(rows[0][0], 0.0) << "times from the first sample";
        EXPECT_FLOAT_EQ(static_cast<float>(rows[6][2]), 400.0f * Factor());
        const std::string text = ReadText(std::string(m_scan->GetTextLogPath()));
        EXPECT_NE(text.find("Pressure vs Time Scan Setup:"), std::string::npos);
        EXPECT_NE(text.find("Start time, "), std::string::npos);
        TearDown();
    }
}

TEST_F(PvsTScanTest, ExportWritesTheHistoryInBothLayouts)
{
    Build(SCAN_KIND_PVST, {{2}, {4}});
    StartTrend();
    Trigger(3);
    CWinApp app("kelmon");
    app.SetRegistryKey("Test PvsT Export");
    for (int old : {1, 0})
    {
        SCOPED_TRACE(old);
        app.WriteProfileInt("Version", "OldAscii", old);
        const std::string path = m_folder.Path("trend" + std::to_string(old) + ".txt");
        ASSERT_TRUE(m_scan->WriteAsciiFile(path.c_str()));
        const std::string text = ReadText(path);
        char line[128];
        if (old)
            std::snprintf(line, sizeof line, "\n2,  % 1.2E,  % 1.2E,  \r\n", 200.0 * Factor(), 400.0 * Factor());
        else
            std::snprintf(line, sizeof line, "\n0.000,  % 1.2E,  % 1.2E,  \r\n", 200.0 * Factor(), 400.0 * Factor());
        EXPECT_NE(text.find(line), std::string::npos) << text;
    }
}

} // namespace
