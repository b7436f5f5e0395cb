// The analog scan on the real serial path: CHead and CComm on the test kit's virtual null modem,
// the head emulator on its far end. A whole sweep crosses the line; pulling the line in mid-sweep
// ends the run with the line's message and keeps every sweep logged before it.
#include "ScanTestSupport.h"

#include "HeadEmulator.h"
#include "head/Head.h"
#include "testkit/FakeClock.h"
#include "testkit/VirtualSerial.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

using namespace scantest;

namespace
{

constexpr int kCom = 63;
constexpr int kPoints = 91;

class SerialScanTest : public ScanFixture
{
protected:
    SerialScanTest() : m_emulator(m_modem)
    {
        m_modem.RegisterAs(kCom);
        m_emulator.SetNoiseModel(2);
        m_emulator.SetSetting("FL", "1.00"); // the filament is on
        m_pHead = &m_serialHead;
        m_connector = "COM" + std::to_string(kCom);
    }
    void SetUp() override
    {
        ASSERT_TRUE(m_serialHead.Connect(kCom - 1));
        Build(SCAN_KIND_ANALOG);
    }
    void TearDown() override
    {
        ScanFixture::TearDown();
        m_serialHead.Disconnect();
    }

    // Polls (real time, bounded) until pred holds.
    template <class Pred> static bool Eventually(Pred pred, int ms = 10000)
    {
        for (int i = 0; i < ms / 2 && !pred(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return pred();
    }

    kel::testkit::VirtualNullModem m_modem;
    kel::testkit::HeadEmulator m_emulator;
    CHead m_serialHead;
};

TEST_F(SerialScanTest, AWholeSweepCrossesTheLine)
{
    Run(SCAN_MODE_SINGLE);
    const std::vector<AnalogPointRecord> points = m_display->Points();
    ASSERT_EQ(points.size(), size_t(kPoints));
    for (int i = 0; i < kPoints; ++i)
    {
        SCOPED_TRACE(i);
        const float mass = 1.0f + i / 10.0f;
        EXPECT_FLOAT_EQ(points[i].mass, mass);
        EXPECT_FLOAT_EQ(points[i].value, kel::testkit::HeadEmulator::SpectrumPoint(mass) * ValueFactor());
    }
    // 1023, the emulator's total-pressure word, has its low bits set: a pressure, not an error.
    EXPECT_EQ(m_display->CallsStartingWith("ShowAlarmMessage").size(), 1u);
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    const std::vector<std::string> commands = m_emulator.Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "SC1"), commands.end());
}

TEST_F(SerialScanTest, PullingTheLineMidSweepEndsTheRunAndKeepsTheLoggedSweeps)
{
    TempFolder folder;
    CScanLogSettings& log = m_document->GetLogSettings(SCAN_KIND_ANALOG);
    log.m_enabled = 1;
    log.m_folder = folder.Path().c_str();
    // Points at the head's pace (about 1.5 ms each at this noise floor), so the line can be pulled
    // while a sweep is under way.
    m_settings->m_noiseFloor = 7;
    ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    m_emulator.SetPointTiming(true);
    m_prompts.Expect("Line is disconnected!").Reply(IDOK);
    // The data wait may give up before the line is found gone.
    m_prompts.Expect("").Reply(IDCANCEL).AnyTimes();

    m_settings->m_scanMode = SCAN_MODE_CONTINUOUS;
    m_document->Start();
    ASSERT_TRUE(Eventually([&] { return m_view.DataMessages() >= 2 * kPoints + 30; }));
    ASSERT_TRUE(m_emulator.SetDsr(false));
    ASSERT_TRUE(m_document->WaitForRunEnd());

    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_document->m_finished, 1);
    EXPECT_TRUE(Eventually([&] { return !m_serialHead.IsOnline(); })) << "the line is found gone";
    const int sweeps = m_view.DataMessages() / kPoints;
    EXPECT_GE(sweeps, 2);
    EXPECT_LT(m_view.DataMessages() % kPoints, kPoints) << "the last sweep was cut short";

    // Every complete sweep is in the log, whole, and nothing of the cut one.
    std::ifstream in(std::string(m_scan->m_strLogPath), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    const size_t record = 50 + 4 * kPoints;
    ASSERT_EQ(bytes.size(), 52 + sweeps * record);
    for (int s = 0; s < sweeps; ++s)
    {
        float value;
        std::memcpy(&value, bytes.data() + 52 + s * record + 50 + 4 * 40, 4);
        EXPECT_FLOAT_EQ(value, kel::testkit::HeadEmulator::SpectrumPoint(5.0) * ValueFactor())
            << "sweep " << s;
    }
    m_emulator.SetDsr(true);
}

TEST_F(SerialScanTest, AHeadThatAnswersGarbageLateOrNotAtAllEndsTheRunAndTheNextRunIsWhole)
{
    // Waits for the head give up quickly; whatever the head layer asks the user is cancelled.
    kel::testkit::TimeoutScale fast(0.05);
    m_prompts.Expect("").Reply(IDCANCEL).AnyTimes();
    const struct
    {
        const char* name;
        std::function<void()> fault;
    } cases[] = {
        {"garbage before the points", [&] { m_emulator.Garble("SC", "\xff\x13garbage\r\n", 1); }},
        {"points late", [&] { m_emulator.Delay("SC", 5000, 1); }},
        {"no points", [&] { m_emulator.Silence("SC", 1); }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        c.fault();
        m_settings->m_scanMode = SCAN_MODE_SINGLE;
        m_document->Start();
        ASSERT_TRUE(m_document->WaitForRunEnd(20000)) << "no hang";
        EXPECT_FALSE(m_scan->IsRunning());

        // The head answers properly again: a new run starts from a clean line and is whole.
        m_emulator.ClearSilences();
        if (!m_scan->AttachDocument(m_document.get()))
        {
            ASSERT_TRUE(m_serialHead.Reconnect()) << "the head can be reached again";
        }
        ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
        const size_t before = m_display->Points().size();
        Run(SCAN_MODE_SINGLE);
        EXPECT_TRUE(m_scan->m_bEndedNormally);
        const std::vector<AnalogPointRecord> points = m_display->Points();
        ASSERT_EQ(points.size(), before + kPoints);
        EXPECT_FLOAT_EQ(points[before + 40].value,
                        kel::testkit::HeadEmulator::SpectrumPoint(5.0f) * ValueFactor());
    }
}

} // namespace
