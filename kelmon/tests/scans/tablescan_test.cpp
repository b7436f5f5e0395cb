// The table and panel scans on the simulated head through the port monitor, with the channel
// display: the reading order, the total pressure at the start of a cycle, alarms crossing each of
// the four levels with their sound, the end of a run by count, by request and by a failed step,
// and the text log with nothing lost.
#include "ChannelTestSupport.h"

#include "sound/AlarmSound.h"
#include "testkit/Faults.h"

#include <filesystem>

using namespace scantest;

namespace
{

class TableScanTest : public ChannelScanFixture
{
protected:
    ~TableScanTest() override { CAlarmSound::Instance().StopAll(); }
};

TEST_F(TableScanTest, MultiplierChannelsAreReadFirst)
{
    const struct
    {
        const char* name;
        std::vector<ChannelSpec> channels;
        std::vector<int> order;
        int split;
    } cases[] = {
        {"mixed", {{2, 1}, {4, 0}, {16, 1}}, {0, 2, 1}, 2},
        {"all Faraday", {{2}, {4}, {16}}, {0, 1, 2}, -1},
        {"all multiplier", {{2, 1}, {4, 1}}, {0, 1}, -1},
        {"one", {{2, 1}}, {0}, -1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Build(SCAN_KIND_TABLE, c.channels);
        for (size_t i = 0; i < c.order.size(); ++i)
            EXPECT_EQ(m_scan->m_channelOrder[i], c.order[i]) << i;
        EXPECT_EQ(m_scan->m_nCemSplit, c.split);
        TearDown();
    }
}

TEST_F(TableScanTest, ASweepReadsEveryChannelInOrderWithItsFactors)
{
    Build(SCAN_KIND_TABLE, {{2, 0, 2.0f}, {4, 1}, {16, 0}});
    ASSERT_GT(m_head.GetCemGain(), 0.0f);
    Run(SCAN_MODE_SINGLE);
    const std::vector<CChannelDisplay::Reading> readings = m_display->Readings();
    ASSERT_EQ(readings.size(), 3u);
    // The multiplier channel first; each reading times its detector's factor and calibration.
    EXPECT_EQ(readings[0].channel, 1);
    EXPECT_FLOAT_EQ(readings[0].value, 400.0f * Factor() / m_head.GetCemGain());
    EXPECT_EQ(readings[1].channel, 0);
    EXPECT_FLOAT_EQ(readings[1].value, 200.0f * Factor() * 2.0f);
    EXPECT_EQ(readings[2].channel, 2);
    EXPECT_FLOAT_EQ(readings[2].value, 1600.0f * Factor());
    EXPECT_EQ(m_head.Starts(), (std::vector<int>{4, 2, 16}));
    EXPECT_EQ(m_head.totalPressures, 0) << "the table does not ask for the total pressure";
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    EXPECT_FALSE(m_head.GetHighVoltageState()) << "back on the total-pressure detector";
    EXPECT_EQ(m_document->m_paints, 1);
}

TEST_F(TableScanTest, TotalPressureStartsEachSweepWhenTheTableAsks)
{
    Build(SCAN_KIND_TABLE, {{2}, {4}});
    m_table->m_totalPressureFlag = 1;
    Run(SCAN_MODE_NSCANS, 3);
    EXPECT_EQ(m_head.totalPressures, 3);
    EXPECT_EQ(m_display->CallsStartingWith("ShowAlarmMessage").size(), 3u);
    EXPECT_FLOAT_EQ(m_display->LastPressure(), 500.0f * m_units->m_fTotalFactor);
    EXPECT_EQ(m_display->Readings().size(), 6u);
    EXPECT_EQ(m_scan->GetCycleCount(), 3u);
}

TEST_F(TableScanTest, UserUnitShowsItsFactorInsteadOfThePressure)
{
    Build(SCAN_KIND_TABLE, {{2}});
    m_units->m_nMode = CUnits::kPpmOfTotal;
    m_units->Recompute();
    m_table->m_totalPressureFlag = 1;
    Run(SCAN_MODE_SINGLE);
    EXPECT_EQ(m_head.totalPressures, 0);
    EXPECT_EQ(m_display->CallsStartingWith("UpdateAlarmMessage").size(), 1u);
    EXPECT_TRUE(m_scan->m_bEndedNormally);
}

TEST_F(TableScanTest, AlarmsCrossEachLevelAndSoundUntilTheChannelsAreNormal)
{
    SoundRecorder slot;
    // Four channels, each crossing a different level in the first sweep and normal in the second.
    Build(SCAN_KIND_TABLE, {{2}, {4}, {16}, {18}});
    const float f = Factor();
    for (int k = 0; k < 4; ++k)
    {
        CTableData& c = m_table->m_active[k];
        c.m_lowLowLevel = 50 * f;
        c.m_lowLevel = 100 * f;
        c.m_highLevel = 200 * f;
        c.m_highHighLevel = 300 * f;
    }
    m_table->m_active[2].m_highEnable = 0;
    m_table->m_active[3].m_lowEnable = 0;
    m_table->m_bSoundOn = 1;
    m_table->m_strSoundFile = "/sounds/Alarm.wav";
    const std::map<int, int32_t> alarmed = {{2, 250}, {4, 80}, {16, 350}, {18, 30}};
    m_head.reading = [&](int mass, int n) { return n == 0 ? alarmed.at(mass) : 150; };
    // Keep the configured channels as set: the attach collects them again.
    for (int k = 0; k < 4; ++k)
        m_table->m_configured[k].CopyFrom(m_table->m_active[k]);

    Run(SCAN_MODE_NSCANS, 2);
    const std::vector<CChannelDisplay::Reading> readings = m_display->Readings();
    ASSERT_EQ(readings.size(), 8u);
    const struct
    {
        int level;
        const char* message;
        int colour;
    } expected[] = {{CTable::kHigh, "HIGH", 4},
                    {CTable::kLow, "LOW      ", 1},
                    {CTable::kHighHigh, "EXTREME HIGH", 12},
                    {CTable::kLowLow, "EXTREME LOW", 9}};
    for (int k = 0; k < 4; ++k)
    {
        SCOPED_TRACE(k);
        const int level = m_table->ClassifyValue(readings[k].channel, readings[k].value);
        EXPECT_EQ(level, expected[k].level);
        EXPECT_STREQ(m_table->AlarmMessage(k, level), expected[k].message);
        EXPECT_EQ(m_table->AlarmColor(level), expected[k].colour);
        EXPECT_EQ(m_table->ClassifyValue(readings[4 + k].channel, readings[4 + k].value), CTable::kNormal);
    }
    // Started once at the first crossing, stopped when the last channel came back.
    EXPECT_EQ(slot.Calls(), (std::vector<std::string>{"play /sounds/Alarm.wav", "stop"}));
    EXPECT_FALSE(m_table->IsAlarmPlaying());
}

TEST_F(TableScanTest, ARunEndingByCountSilencesItsAlarm)
{
    SoundRecorder slot;
    Build(SCAN_KIND_TABLE, {{2}});
    m_table->m_configured[0].m_highLevel = 10 * Factor();
    m_table->m_bSoundOn = 1;
    Run(SCAN_MODE_SINGLE);
    EXPECT_EQ(slot.Calls().size(), 2u);
    EXPECT_EQ(slot.Calls().back(), "stop");
    EXPECT_EQ(m_table->GetAlarmState(0), 0);
}

TEST_F(TableScanTest, StopNowEndsTheRunAndTheLogKeepsEveryCompleteSweep)
{
    Build(SCAN_KIND_TABLE, {{2}, {4}});
    EnableTextLog();
    m_table->m_scanMode = SCAN_MODE_CONTINUOUS;
    m_document->Start();
    ASSERT_TRUE(Eventually([&] { return m_scan->GetCycleCount() >= 7; }));
    m_document->StopNow();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_FALSE(m_scan->IsTextLogOpen());
    const std::vector<std::vector<double>> rows = LogRows(std::string(m_scan->GetTextLogPath()));
    ASSERT_EQ(rows.size(), m_scan->GetCycleCount()) << "every complete sweep is in the log";
    for (const auto& row : rows)
    {
        ASSERT_EQ(row.size(), 3u) << "the time, then one value per channel";
        EXPECT_FLOAT_EQ(static_cast<float>(row[1]), 200.0f * Factor());
        EXPECT_FLOAT_EQ(static_cast<float>(row[2]), 400.0f * Factor());
    }
    const std::string text = ReadText(std::string(m_scan->GetTextLogPath()));
    EXPECT_NE(text.find("Table Scan Setup:\n\nActive channels in Scan, 2 \nUnits, Torr\n"),
              std::string::npos);
    EXPECT_NE(text.find("1,\t\t 2,  \t\t Gas1               ,\t1.00,\t\t 0,\t\t\tOFF\n"), std::string::npos);
}

TEST_F(TableScanTest, AFailingHeadEndsTheRunCleanlyWithTheLogWhole)
{
    Build(SCAN_KIND_TABLE, {{2}, {4}});
    EnableTextLog();
    m_head.failStartsAfter = 13; // six sweeps and one reading of the seventh
    m_table->m_scanMode = SCAN_MODE_CONTINUOUS;
    m_document->Start();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_document->m_finished, 1);
    EXPECT_EQ(m_scan->GetCycleCount(), 6u);
    EXPECT_EQ(LogRows(std::string(m_scan->GetTextLogPath())).size(), 6u);
    // The head answers again as usual: the throw flag did not stay set.
    m_head.failStartsAfter = -1;
    ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    Run(SCAN_MODE_SINGLE);
    EXPECT_TRUE(m_scan->m_bEndedNormally);
}

TEST_F(TableScanTest, AFullDiskClosesTheLogWithAMessageAndTheScanGoesOn)
{
    Build(SCAN_KIND_TABLE, {{2}, {4}});
    EnableTextLog();
    auto& warning = m_prompts.Expect("could not be written").Reply(IDOK);
    m_table->m_scanMode = SCAN_MODE_CONTINUOUS;
    uint32_t cyclesAtWarning = 0;
    {
        // Room for the header and a few dozen lines.
        kel::testkit::FileSizeLimit limit(2000);
        m_document->Start();
        ASSERT_TRUE(Eventually([&] { return warning.Calls() == 1; })) << "the user is told";
        cyclesAtWarning = m_scan->GetCycleCount();
        EXPECT_FALSE(m_scan->IsTextLogOpen());
    }
    ASSERT_TRUE(Eventually([&] { return m_scan->GetCycleCount() >= cyclesAtWarning + 3; }))
        << "the scan goes on without its log";
    m_document->StopNow();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_EQ(warning.Calls(), 1) << "said once";
    const std::string path(m_scan->GetTextLogPath());
    EXPECT_LE(std::filesystem::file_size(path), 2000u);
    const auto rows = LogRows(path);
    EXPECT_GT(rows.size(), 10u) << "the lines written before the disk filled stay";
    EXPECT_LT(rows.size(), cyclesAtWarning);
}

TEST_F(TableScanTest, AStepNeverAsksToRunAgainOnceTheRunIsOver)
{
    Build(SCAN_KIND_TABLE, {{2}});
    EXPECT_EQ(m_scan->Step(), 0) << "not acquiring";
    m_scan->m_bAcquiring = 1;
    m_scan->RequestStopNow();
    EXPECT_EQ(m_scan->Step(), 0) << "stop now";
    EXPECT_FALSE(m_scan->IsAcquiring());
    EXPECT_EQ(m_scan->Step(), 0);
}

TEST_F(TableScanTest, FinishWithoutAHeadRebindsAndEndsTheRun)
{
    Build(SCAN_KIND_TABLE, {{2}});
    m_scan->SetHead(nullptr);
    m_scan->m_bRunning = 1;
    m_scan->FinishScan();
    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_EQ(m_document->m_rebinds, 1);
}

class PanelScanTest : public ChannelScanFixture
{
};

TEST_F(PanelScanTest, ACycleIsTheTotalPressureThenEachChannel)
{
    Build(SCAN_KIND_PANEL, {{2}, {4, 1}, {16}});
    Run(SCAN_MODE_NSCANS, 3);
    EXPECT_EQ(m_head.totalPressures, 3) << "every cycle starts with the total pressure";
    EXPECT_EQ(m_display->Readings().size(), 9u);
    EXPECT_EQ(m_display->Readings()[0].channel, 1) << "the multiplier channel first";
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_scan->GetCycleCount(), 3u);
}

TEST_F(PanelScanTest, TextLogHandsOverFiveRowsAtATimeAndClosingWritesTheRest)
{
    Build(SCAN_KIND_PANEL, {{2}});
    EnableTextLog();
    m_table->m_scanMode = SCAN_MODE_CONTINUOUS;
    m_document->Start();
    ASSERT_TRUE(Eventually([&] { return m_scan->GetCycleCount() >= 4; }));
    m_document->StopNow();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    const std::vector<std::vector<double>> rows = LogRows(std::string(m_scan->GetTextLogPath()));
    EXPECT_EQ(rows.size(), m_scan->GetCycleCount());
    const std::string text = ReadText(std::string(m_scan->GetTextLogPath()));
    EXPECT_NE(text.find("\nKEL Monitor \nKEL Software Version, 3.00\n\nPanel Scan Setup:"),
              std::string::npos);
}

TEST_F(PanelScanTest, ExportListsTheDisplayedValues)
{
    Build(SCAN_KIND_PANEL, {{2}, {4}});
    Run(SCAN_MODE_SINGLE);
    const std::string path = m_folder.Path("panel.txt");
    ASSERT_TRUE(m_scan->WriteAsciiFile(path.c_str()));
    const std::string text = ReadText(path);
    EXPECT_NE(text.find("Annunciator Scan Setup:"), std::string::npos);
    char line[128];
    std::snprintf(line, sizeof line, "2,\t\t 4,  \t\t Gas2               , % 1.2E,", 400.0 * Factor());
    EXPECT_NE(text.find(line), std::string::npos) << text;
}

} // namespace
