// The table scan on the real serial path: CHead and CComm on the test kit's virtual null modem,
// the head emulator on its far end. Single masses cross the line one by one; pulling the line ends
// the run with the line's message and keeps every sweep logged before it.
#include "ChannelTestSupport.h"

#include "HeadEmulator.h"
#include "head/Head.h"
#include "testkit/VirtualSerial.h"

using namespace scantest;

namespace
{

constexpr int kCom = 62;

class SerialTableTest : public ChannelScanFixture
{
protected:
    SerialTableTest() : m_emulator(m_modem)
    {
        m_modem.RegisterAs(kCom);
        m_emulator.SetNoiseModel(2);
        m_emulator.SetSetting("FL", "1.00");
        m_pHead = &m_serialHead;
        m_connector = "COM" + std::to_string(kCom);
    }
    void SetUp() override
    {
        ASSERT_TRUE(m_serialHead.Connect(kCom - 1));
        Build(SCAN_KIND_TABLE, {{2}, {18}, {28}});
    }
    void TearDown() override
    {
        ChannelScanFixture::TearDown();
        m_serialHead.Disconnect();
    }
    float Gain() const
    {
        return m_serialHead.IsCemPresent() && m_serialHead.GetHighVoltageState() &&
                       m_serialHead.GetCemGain() > 0
                   ? m_serialHead.GetCemGain()
                   : 1.0f;
    }

    kel::testkit::VirtualNullModem m_modem;
    kel::testkit::HeadEmulator m_emulator;
    CHead m_serialHead;
};

TEST_F(SerialTableTest, ASweepReadsEachMassOverTheLine)
{
    Run(SCAN_MODE_SINGLE);
    const auto readings = m_display->Readings();
    ASSERT_EQ(readings.size(), 3u);
    const int masses[] = {2, 18, 28};
    for (int k = 0; k < 3; ++k)
    {
        SCOPED_TRACE(k);
        EXPECT_EQ(readings[k].channel, k);
        EXPECT_FLOAT_EQ(readings[k].value,
                        kel::testkit::HeadEmulator::SpectrumPoint(masses[k]) * Factor() / Gain());
    }
    const std::vector<std::string> commands = m_emulator.Commands();
    for (const char* command : {"MR2", "MR18", "MR28"})
        EXPECT_NE(std::find(commands.begin(), commands.end(), command), commands.end()) << command;
    EXPECT_TRUE(m_scan->m_bEndedNormally);
}

TEST_F(SerialTableTest, PullingTheLineEndsTheRunWithEveryLoggedSweepOnDisk)
{
    EnableTextLog();
    m_prompts.Expect("Line is disconnected!").Reply(IDOK);
    m_prompts.Expect("").Reply(IDCANCEL).AnyTimes();
    m_table->m_scanMode = SCAN_MODE_CONTINUOUS;
    m_document->Start();
    ASSERT_TRUE(Eventually([&] { return m_scan->GetCycleCount() >= 8; }));
    ASSERT_TRUE(m_emulator.SetDsr(false));
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_document->m_finished, 1);
    EXPECT_TRUE(Eventually([&] { return !m_serialHead.IsOnline(); }));
    const auto rows = LogRows(std::string(m_scan->GetTextLogPath()));
    ASSERT_EQ(rows.size(), m_scan->GetCycleCount()) << "every complete sweep reached the file";
    for (const auto& row : rows)
    {
        ASSERT_EQ(row.size(), 4u);
        EXPECT_FLOAT_EQ(static_cast<float>(row[2]),
                        kel::testkit::HeadEmulator::SpectrumPoint(18) * Factor() / Gain());
    }
    m_emulator.SetDsr(true);
}

} // namespace
