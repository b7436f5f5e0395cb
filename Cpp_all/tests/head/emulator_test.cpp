// The head emulator spoken to through the real head line (CComm), on the virtual null modem and on
// a pseudo-terminal: what the head layer's tests stand on.
#include "HeadEmulator.h"
#include "comm/Comm.h"
#include "testkit/FakeClock.h"
#include "testkit/ScopedEnv.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/VirtualSerial.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using kel::testkit::HeadEmulator;
using kel::testkit::ScopedEnv;
using kel::testkit::ScriptedPrompts;
using kel::testkit::TimeoutScale;
using kel::testkit::VirtualNullModem;

namespace
{

constexpr int kCom = 61;

// Polls (real time, bounded) until the emulator has received exactly `bytes`; a reply can come
// before the terminator's last byte has been read.
::testing::AssertionResult ReceivedBecomes(const HeadEmulator& head, const std::string& bytes)
{
    for (int i = 0; i < 400 && head.Received().size() < bytes.size(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (head.Received() == bytes)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "received \"" << head.Received() << "\"";
}

// One line to the emulator over the virtual null modem; any message box fails the test.
class EmulatorTest : public ::testing::Test
{
protected:
    EmulatorTest() : head(modem) { modem.RegisterAs(kCom); }
    void SetUp() override { ASSERT_EQ(comm.Open(kCom - 1), 0); }

    // Sends a command and returns the reply line without its CR ("" on time-out).
    std::string Ask(const char* command)
    {
        EXPECT_EQ(comm.Send(command), 1);
        char line[101] = {};
        int n = comm.ReadLine(line, 2000);
        if (n <= 0 || line[n - 1] != '\r')
            return "";
        return std::string(line, size_t(n - 1));
    }

    // Reads count data points.
    std::vector<LONG> Points(size_t count)
    {
        std::vector<LONG> out;
        for (size_t i = 0; i < count; ++i)
        {
            LONG v = 0;
            if (!comm.ReadLong(&v))
                break;
            out.push_back(v);
        }
        return out;
    }

    // Waits (real time, bounded) until the port has nothing more coming after the last command.
    bool QuietAfter(size_t commands)
    {
        if (!head.WaitForCommands(commands))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return true;
    }

    ScriptedPrompts prompts;
    VirtualNullModem modem;
    HeadEmulator head;
    CComm comm;
};

TEST_F(EmulatorTest, SetThenQueryRoundTripsAndTheLogKeepsTheExactBytes)
{
    ASSERT_EQ(comm.Send("MI5"), 1);
    EXPECT_EQ(Ask("MI?"), "5");
    EXPECT_EQ(Ask("RS?"), "128.00");
    ASSERT_EQ(comm.Send("RS256.00"), 1);
    EXPECT_EQ(Ask("RS?"), "256.00");
    EXPECT_EQ(head.Setting("MI"), "5");
    EXPECT_TRUE(ReceivedBecomes(head, "MI5\r\nMI?\r\nRS?\r\nRS256.00\r\nRS?\r\n"));
    EXPECT_EQ(head.Commands(), (std::vector<std::string>{"MI5", "MI?", "RS?", "RS256.00", "RS?"}));

    // A setting the test stores is what the head answers.
    head.SetSetting("NF", "7");
    EXPECT_EQ(Ask("NF?"), "7");
    head.ClearLog();
    EXPECT_EQ(head.Received(), "");
}

TEST_F(EmulatorTest, DefaultFormStoresTheHeadsDefault)
{
    head.SetDefault("DI", "33");
    struct Case
    {
        const char* set;
        const char* query;
        const char* answer;
    };
    const Case cases[] = {
        {"MI*", "MI?", "1"},    {"MF*", "MF?", "200"}, // the model's mass range
        {"SA*", "SA?", "10"},   {"NF*", "NF?", "4"},    {"RS*", "RS?", "128.00"},
        {"RI*", "RI?", "0.00"}, {"DS*", "DS?", "0.00"}, {"DI*", "DI?", "33"},
    };
    for (const Case& c : cases)
    {
        // Move away from the default first so the echo shows that "*" stored it.
        std::string other = std::string(c.set, 2) + "99";
        ASSERT_EQ(comm.Send(other.c_str()), 1);
        ASSERT_EQ(comm.Send(c.set), 1);
        EXPECT_EQ(Ask(c.query), c.answer) << c.set;
    }
    // A setting that answers the status byte when done.
    EXPECT_EQ(Ask("EE35"), "0");
    EXPECT_EQ(Ask("EE*"), "0");
    EXPECT_EQ(Ask("EE?"), "70");

    head.SetId("ZOLKEL100VER1.02SN00001");
    ASSERT_EQ(comm.Send("MF*"), 1);
    EXPECT_EQ(Ask("MF?"), "100");
}

TEST_F(EmulatorTest, IdentificationStatusAndErrorBytes)
{
    EXPECT_EQ(Ask("ID?"), "ZOLKEL200VER1.02SN12345");
    EXPECT_EQ(Ask("ER?"), "0");

    head.SetErrorStatus("ED?", 0xA0);
    head.SetErrorStatus("EF?", 0x01);
    EXPECT_EQ(Ask("ER?"), std::to_string(0x20 | 0x02));
    EXPECT_EQ(Ask("ED?"), "160");
    EXPECT_EQ(Ask("EF?"), "1");
    EXPECT_EQ(Ask("EP?"), "0");
    head.SetErrorStatus("ER?", 0x80); // a bit no group owns
    EXPECT_EQ(Ask("ER?"), std::to_string(0x80 | 0x20 | 0x02));

    // Commands that take time answer the status byte when done; plain settings answer nothing.
    head.SetErrorStatus("ER?", 0);
    head.SetErrorStatus("EF?", 0);
    for (const char* command : {"IN0", "CL", "DG*", "FL1.00", "HV1200", "IE0", "EE35", "VF50"})
        EXPECT_EQ(Ask(command), "32") << command;
    ASSERT_EQ(comm.Send("MI3"), 1);
    ASSERT_TRUE(QuietAfter(head.Commands().size()));
    DWORD waiting = 99;
    ASSERT_EQ(comm.GetBytesWaiting(&waiting), 1);
    EXPECT_EQ(waiting, 0u);
    EXPECT_EQ(head.Setting("HV"), "1200");
}

// As the head layer reads them: a command that takes the head time answers its status byte once
// done; a setter the layer confirms by its echo, or not at all, answers nothing.
TEST_F(EmulatorTest, OnlyCommandsThatTakeTimeAnswerWithTheStatusByte)
{
    head.SetErrorStatus("ED?", 0x80); // "ER?" reports 0x20
    for (const char* c :
         {"IN0", "CL", "DG*", "FL1.00", "FL0.0", "HV1200", "HV0", "IE0", "IE*", "EE70", "VF90"})
        EXPECT_EQ(Ask(c), "32") << c;
    head.SetErrorStatus("ED?", 0);

    head.SetSetting("ZS", "4711");
    for (const char* c : {"MI5", "NF*", "MV1200", "MG2.0000", "ST20.0000", "SP100.0000", "RS128.00", "XA2",
                          "XV5.5000", "ML100", "TP1", "FW1"})
    {
        ASSERT_EQ(comm.Send(c), 1);
        EXPECT_EQ(Ask("ZS?"), "4711") << c;
    }
}

TEST_F(EmulatorTest, RfReadingsFollowTheLimit)
{
    head.SetRfLimit(150);
    // RF level 6 x AD0 - 5 x AD1 against the 2.2 threshold.
    auto level = [&](const char* ml)
    {
        comm.Send(ml);
        return 6 * std::atof(Ask("AD0").c_str()) - 5 * std::atof(Ask("AD1").c_str());
    };
    EXPECT_GE(level("ML150"), 2.2);
    EXPECT_LT(level("ML151"), 2.2);
    EXPECT_GE(level("ML10"), 2.2);
}

TEST_F(EmulatorTest, AnalogAndHistogramSweepsAreFramedAsPointsThenTheTotalPressureWord)
{
    head.SetNoiseModel(2); // no noise: points equal the spectrum
    head.SetTotalPressureWord(0x12345677);
    for (const char* c : {"MI1", "MF3", "SA10"})
        ASSERT_EQ(comm.Send(c), 1);
    EXPECT_EQ(Ask("AP?"), "21");
    EXPECT_EQ(Ask("HP?"), "3");

    ASSERT_EQ(comm.Send("SC1"), 1);
    std::vector<LONG> sweep = Points(22);
    ASSERT_EQ(sweep.size(), 22u);
    for (int j = 0; j < 21; ++j)
        EXPECT_EQ(sweep[size_t(j)], HeadEmulator::SpectrumPoint(1.0 + j * 0.1)) << j;
    EXPECT_EQ(sweep[21], 0x12345677);

    // Two histogram sweeps: one point per amu, each sweep closed by the word.
    ASSERT_EQ(comm.Send("HS2"), 1);
    std::vector<LONG> hist = Points(8);
    ASSERT_EQ(hist.size(), 8u);
    const std::vector<LONG> want = {HeadEmulator::SpectrumPoint(1), HeadEmulator::SpectrumPoint(2),
                                    HeadEmulator::SpectrumPoint(3), 0x12345677};
    EXPECT_EQ(std::vector<LONG>(hist.begin(), hist.begin() + 4), want);
    EXPECT_EQ(std::vector<LONG>(hist.begin() + 4, hist.end()), want);

    // A single mass, and the words of the binary queries.
    head.SetIonCurrentWord(-5);
    ASSERT_EQ(comm.Send("MR28"), 1);
    ASSERT_EQ(comm.Send("IB?"), 1);
    ASSERT_EQ(comm.Send("TP?"), 1);
    EXPECT_EQ(Points(3), (std::vector<LONG>{HeadEmulator::SpectrumPoint(28), -5, 0x12345677}));

    // Nothing follows the last sweep.
    ASSERT_TRUE(QuietAfter(head.Commands().size()));
    DWORD waiting = 99;
    ASSERT_EQ(comm.GetBytesWaiting(&waiting), 1);
    EXPECT_EQ(waiting, 0u);
}

TEST_F(EmulatorTest, SpectrumHasItsPeaksAndAFloorOutsideTheTable)
{
    EXPECT_GT(HeadEmulator::SpectrumPoint(28.1), 7000);
    EXPECT_GT(HeadEmulator::SpectrumPoint(32.0), 1500);
    EXPECT_GT(HeadEmulator::SpectrumPoint(2.3), 1500);
    EXPECT_LT(HeadEmulator::SpectrumPoint(70.0), 100);
    EXPECT_EQ(HeadEmulator::SpectrumPoint(0.5), HeadEmulator::SpectrumPoint(1.0));
    EXPECT_EQ(HeadEmulator::SpectrumPoint(150.0), HeadEmulator::SpectrumPoint(100.0));
    EXPECT_EQ(HeadEmulator::SpectrumPoint(28.05), HeadEmulator::SpectrumPoint(28.0)); // tie: lower row
}

TEST_F(EmulatorTest, NoisyPointsScatterAroundTheSpectrumAndRepeatWithTheSeed)
{
    for (const char* c : {"MI27", "MF29", "SA10"})
        ASSERT_EQ(comm.Send(c), 1);
    auto sweep = [&]
    {
        comm.Send("SC1");
        return Points(22);
    };
    head.SetNoiseModel(1, -1);
    std::vector<LONG> a = sweep();
    head.SetNoiseModel(1, -1);
    std::vector<LONG> b = sweep();
    ASSERT_EQ(a.size(), 22u);
    EXPECT_EQ(a, b);
    int differ = 0;
    for (int j = 0; j < 21; ++j)
    {
        const LONG clean = HeadEmulator::SpectrumPoint(27.0 + j * 0.1);
        differ += a[size_t(j)] != clean;
        // A CEM with its high voltage off: noise x 100, a Gaussian draw stays within 6 sigma.
        EXPECT_NEAR(a[size_t(j)], clean, 600) << j;
    }
    EXPECT_GT(differ, 10);
}

TEST_F(EmulatorTest, LongScanIsHeldBackInsteadOfOverflowingTheReceiveQueue)
{
    head.SetNoiseModel(2);
    // 4901 points and the word: twice the port's receive queue.
    for (const char* c : {"MI1", "MF50", "SA100"})
        ASSERT_EQ(comm.Send(c), 1);
    ASSERT_EQ(comm.Send("SC1"), 1);
    std::vector<LONG> points = Points(4902);
    ASSERT_EQ(points.size(), 4902u);
    EXPECT_EQ(points[4900], HeadEmulator::SpectrumPoint(50.0));
    EXPECT_EQ(points[4901], 1023);
    EXPECT_EQ(comm.CheckStatus(), 1); // no overrun recorded
}

TEST_F(EmulatorTest, AnyCommandEndsAScan)
{
    ASSERT_EQ(comm.Send("SC1000"), 1);
    LONG first = 0;
    ASSERT_EQ(comm.ReadLong(&first), 1);
    ASSERT_EQ(comm.Send("MR0"), 1);
    ASSERT_TRUE(head.WaitForCommands(2));
    comm.Purge();
    EXPECT_EQ(Ask("ID?"), "ZOLKEL200VER1.02SN12345");
}

TEST_F(EmulatorTest, SilenceSwallowsRepliesButTheHeadStillListens)
{
    // A reply that should not come: the line's 2 s time-out passes in 20 ms. A reply that came
    // anyway would also show up as the answer to the next question.
    auto unanswered = [&](const char* command)
    {
        TimeoutScale fast(0.01);
        return Ask(command).empty();
    };
    head.SetSilent(true);
    EXPECT_TRUE(unanswered("MI?"));
    ASSERT_EQ(comm.Send("MI9"), 1);
    ASSERT_TRUE(head.WaitForCommands(2)); // taken while silent, however slow the machine
    head.SetSilent(false);
    EXPECT_EQ(Ask("MI?"), "9");

    // One command, once.
    head.Silence("ID?", 1);
    EXPECT_TRUE(unanswered("ID?"));
    EXPECT_EQ(Ask("ID?"), "ZOLKEL200VER1.02SN12345");

    // Two letters silence every command of that name until cleared; others still answer.
    head.Silence("MF");
    EXPECT_TRUE(unanswered("MF?"));
    EXPECT_EQ(Ask("SA?"), "10");
    EXPECT_TRUE(unanswered("MF?"));
    ASSERT_TRUE(head.WaitForCommands(8));
    head.ClearSilences();
    EXPECT_EQ(Ask("MF?"), "100");
    EXPECT_EQ(head.Commands().size(), 9u);
}

TEST_F(EmulatorTest, EchoFaultAnswersAWrongValueToTheVerify)
{
    head.SetEchoFault("MF", "77", 2);
    ASSERT_EQ(comm.Send("MF50"), 1);
    EXPECT_EQ(Ask("MF?"), "77");
    ASSERT_EQ(comm.Send("MF50"), 1);
    EXPECT_EQ(Ask("MF?"), "77");
    ASSERT_EQ(comm.Send("MF50"), 1);
    EXPECT_EQ(Ask("MF?"), "50"); // the fault is used up; the setting was stored all along
}

TEST_F(EmulatorTest, DsrDropIsSeenByTheLine)
{
    EXPECT_EQ(comm.IsDsrHigh(), 1);
    prompts.Expect("Line is disconnected!").Reply(IDOK);
    int result = 0;
    std::thread status([&] { result = comm.OnCommEvent(); });
    // Drop only once the round waits with the line events armed.
    for (int i = 0; i < 400; ++i)
    {
        DWORD mask = 0;
        comm.GetPort()->GetEventMask(mask);
        if ((mask & 0x3B) == 0x3B)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(head.SetDsr(false));
    status.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(comm.IsDsrHigh(), 0);
    EXPECT_TRUE(head.SetDsr(true));
    EXPECT_EQ(comm.IsDsrHigh(), 1);
}

TEST_F(EmulatorTest, PointsComeAtTheHeadsPaceOnTheLayerClock)
{
    kel::testkit::FakeClock clock;
    head.SetPointTiming(true);
    // Bytes queued at the port: once at least `expected` came (real time, bounded), and the
    // emulator had 20 ms more to send anything beyond them.
    auto settled = [&](DWORD expected)
    {
        DWORD waiting = 0;
        for (int i = 0; i < 400 && comm.GetBytesWaiting(&waiting) && waiting < expected; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        comm.GetBytesWaiting(&waiting);
        return waiting;
    };

    // Noise floor 4 (85/675 s), 10 steps per amu: (8.5 + 0.5) / 675 s = 13.33 ms a point.
    for (const char* c : {"NF4", "MI1", "MF2", "SA10", "SC1"})
        ASSERT_EQ(comm.Send(c), 1);
    ASSERT_TRUE(head.WaitForCommands(5));
    EXPECT_EQ(settled(0), 0u);
    clock.Advance(14);
    EXPECT_EQ(settled(4), 4u);
    clock.Advance(13);
    EXPECT_EQ(settled(8), 8u);
    clock.Advance(1000); // the other 9 points and the total-pressure word
    EXPECT_EQ(settled(48), 48u);
    comm.Purge();

    // A single mass at noise floor 0: 7 x (200 + 0.5) + 1000 + 1 in 1/675 s, plus 4 ms: 2410.7 ms.
    for (const char* c : {"NF0", "MR28"})
        ASSERT_EQ(comm.Send(c), 1);
    ASSERT_TRUE(head.WaitForCommands(7));
    clock.Advance(2410);
    EXPECT_EQ(settled(0), 0u);
    clock.Advance(1);
    EXPECT_EQ(settled(4), 4u);
}

TEST_F(EmulatorTest, KeepsAnsweringUnderAFakeClock)
{
    kel::testkit::FakeClock clock;
    EXPECT_EQ(Ask("ID?"), "ZOLKEL200VER1.02SN12345");
}

// ---- Pseudo-terminal ----

TEST(EmulatorPtyTest, AnswersOverAPseudoTerminal)
{
    HeadEmulator head;
    ASSERT_TRUE(head.IsRunning());
    ASSERT_FALSE(head.DevicePath().empty());
    const int com = 218;
    ScopedEnv mapping("KEL_COM_MAP", "COM" + std::to_string(com) + "=" + head.DevicePath());
    ScriptedPrompts prompts;
    CComm comm;
    ASSERT_EQ(comm.Open(com - 1), 0);

    ASSERT_EQ(comm.Send("SA5"), 1);
    ASSERT_EQ(comm.Send("SA?"), 1);
    char line[101] = {};
    EXPECT_EQ(comm.ReadLine(line, 2000), 2);
    EXPECT_STREQ(line, "5\r");
    ASSERT_EQ(comm.Send("SA*"), 1);
    ASSERT_EQ(comm.Send("SA?"), 1);
    EXPECT_EQ(comm.ReadLine(line, 2000), 3);
    EXPECT_STREQ(line, "10\r");

    head.SetNoiseModel(2);
    for (const char* c : {"MI2", "MF4", "HS1"})
        ASSERT_EQ(comm.Send(c), 1);
    std::vector<LONG> points;
    for (int i = 0; i < 4; ++i)
    {
        LONG v = 0;
        ASSERT_EQ(comm.ReadLong(&v), 1) << i;
        points.push_back(v);
    }
    EXPECT_EQ(points, (std::vector<LONG>{HeadEmulator::SpectrumPoint(2), HeadEmulator::SpectrumPoint(3),
                                         HeadEmulator::SpectrumPoint(4), 1023}));
    EXPECT_TRUE(ReceivedBecomes(head, "SA5\r\nSA?\r\nSA*\r\nSA?\r\nMI2\r\nMF4\r\nHS1\r\n"));
    EXPECT_FALSE(head.SetDsr(false)); // no modem lines on a pseudo-terminal
}

} // namespace
