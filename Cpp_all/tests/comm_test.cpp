// The serial port library and the head line on the test kit's virtual null modem: the test plays
// the head on the far end of the cable.
#include "comm/Comm.h"
#include "mfc/WinAppCore.h"
#include "testkit/FakeClock.h"
#include "testkit/ScopedSettings.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/VirtualSerial.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using kel::testkit::ScopedSettings;
using kel::testkit::ScriptedPrompts;
using kel::testkit::TimeoutScale;
using kel::testkit::VirtualNullModem;

namespace
{

constexpr int kCom = 41;        // COM41 on the cable
constexpr int kPort = kCom - 1; // 0-based

// A cable with the far end powered (DTR, RTS up) and every prompt scripted.
class HeadLineTest : public ::testing::Test
{
protected:
    HeadLineTest() { modem.RegisterAs(kCom); }

    // Opens comm on the cable; no box is expected.
    void OpenLine(CComm& c) { ASSERT_EQ(c.Open(kPort), 0); }

    // Polls (real time, bounded) until pred holds.
    template <class Pred> static bool Eventually(Pred pred)
    {
        for (int i = 0; i < 400; ++i)
        {
            if (pred())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return pred();
    }

    ScriptedPrompts prompts;
    VirtualNullModem modem;
    CComm comm;
};

// Runs OnCommEvent rounds on its own thread, as the head's status thread does.
class StatusThread
{
public:
    explicit StatusThread(CComm& comm) : m_comm(comm)
    {
        m_thread = std::thread(
            [this]
            {
                while (!m_stop)
                {
                    ++m_rounds;
                    int r = m_comm.OnCommEvent();
                    if (r != 0)
                    {
                        m_result = r;
                        break;
                    }
                }
                m_done = true;
            });
    }
    ~StatusThread() { Stop(); }

    // True once the thread sits in its wait with the status events armed.
    bool Armed()
    {
        DWORD mask = 0;
        m_comm.GetPort()->GetEventMask(mask);
        return (mask & 0x3B) == 0x3B;
    }
    // Ends the thread: a new event mask ends a pending wait.
    void Stop()
    {
        m_stop = true;
        while (!m_done)
        {
            if (m_comm.GetPort())
                m_comm.GetPort()->SetEventMask(0x3B);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (m_thread.joinable())
            m_thread.join();
    }
    bool Done() const { return m_done; }
    int Result() const { return m_result; }

private:
    CComm& m_comm;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::atomic<int> m_result{0};
    std::atomic<int> m_rounds{0};
};

// ---------------------------------------------------------------------------------------------
// Opening

TEST_F(HeadLineTest, OpenAppliesHeadLineSettings)
{
    OpenLine(comm);
    EXPECT_TRUE(modem.IsOpen());
    EXPECT_EQ(modem.SettingsText(), "28800 8N1 RTS/CTS");
    const VirtualNullModem::LineSettings s = modem.Settings();
    EXPECT_EQ(s.baud, 28800u);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.parity, NOPARITY);
    EXPECT_EQ(s.stopBits, ONESTOPBIT);
    EXPECT_TRUE(s.ctsFlow);
    EXPECT_FALSE(s.dsrFlow);
    EXPECT_FALSE(s.xonXoff);
    EXPECT_EQ(s.rtsControl, RTS_CONTROL_HANDSHAKE);
    EXPECT_EQ(s.dtrControl, DTR_CONTROL_ENABLE);
    EXPECT_TRUE(modem.PortDtr());
    EXPECT_TRUE(modem.PortRts());
    EXPECT_EQ(comm.GetBaudRate(), 28800);
    EXPECT_EQ(CSerialPortBase::OpenCount(kPort), 1);

    std::vector<std::string> lines;
    comm.GetStream()->Dump([&](const char* line) { lines.emplace_back(line); });
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Port type: MS Win32  BaudRate: 28800   ByteSize: 8  Parity: 0");
    EXPECT_EQ(lines[2], "Parity: 0  OutCtsFlow: 1  OutDsrFlow: 0  DtrControl: 1  OutX: 0  InX: 0");
    EXPECT_EQ(lines[3], "Null: 0  XonChar: 11  XoffChar: 13");
    EXPECT_EQ(lines[4], "XonLim: 2500  XoffLim: 128   EofChr: 00  EvtChr: 00");
    EXPECT_EQ(lines[5], "RX sz/ct: 10000/0      TX sz/ct:   256/0      BLOCK SENT:0  BLOCK RECEIVED:0");
    EXPECT_EQ(lines[6], "Old Port - Baud:  19200    Parity: N    Data: 8    Stop: 1    ");
    EXPECT_EQ(lines[7], "New Port - Baud:  28800    Parity: N    Data: 8    Stop: 1    ");
    EXPECT_EQ(lines[8], "Old Flow IN: NONE     OUT: NONE      New Flow IN: RTS      OUT: CTS       ");
}

TEST_F(HeadLineTest, QueueSizesAreThoseOfTheHeadLine)
{
    OpenLine(comm);
    // Receive queue 10000: more is lost and reported as an overflow.
    modem.Write(std::string(10050, 'x'));
    ASSERT_TRUE(Eventually([&] { return comm.GetStream()->BytesWaiting() == 10000; }));
    BYTE flags[2];
    EXPECT_EQ(comm.GetStream()->GetStatus(flags), 0);
    EXPECT_EQ(flags[0], 4);

    // Transmit queue 256: with CTS held nothing leaves it.
    modem.SetRts(false);
    ASSERT_TRUE(Eventually([&] { return comm.IsCtsOn() == 0; }));
    std::string big(300, 'y');
    EXPECT_EQ(comm.GetPort()->Write(big.data(), 300), 256);
    EXPECT_EQ(comm.GetPort()->TakeLastError(), COMM_BUFFER_FULL);
}

TEST_F(HeadLineTest, SecondOpenFailsWithoutDisturbingTheFirst)
{
    OpenLine(comm);
    {
        CComm second;
        prompts.Expect("Error Opening Com Port!\nComm link is already open").Reply(IDOK);
        EXPECT_EQ(second.Open(kPort), COMM_ALREADY_OPEN);
    } // must neither close the device nor give back the first line's count
    EXPECT_EQ(CSerialPortBase::OpenCount(kPort), 1);
    EXPECT_TRUE(modem.IsOpen());
    EXPECT_EQ(modem.SettingsText(), "28800 8N1 RTS/CTS"); // the failed stream changed nothing
    EXPECT_EQ(comm.Send("AB"), 1);
    EXPECT_EQ(modem.Read(4, 2000), "AB\r\n");
}

TEST_F(HeadLineTest, ClosingGivesThePortBack)
{
    {
        CComm first;
        OpenLine(first);
    }
    EXPECT_EQ(CSerialPortBase::OpenCount(kPort), 0);
    EXPECT_FALSE(modem.IsOpen());
    OpenLine(comm);
}

TEST_F(HeadLineTest, BaudRateTheLineCannotTakeFailsTheOpen)
{
    EXPECT_EQ(comm.SetBaudRate(0), 0); // not open yet: only remembered
    prompts.Expect("Could not Set baud rate! ").Reply(IDOK);
    EXPECT_EQ(comm.Open(kPort), COMM_GENERAL_ERROR);

    prompts.Expect("Could not Set baud rate! ").Reply(IDOK);
    EXPECT_EQ(comm.SetBaudRate(0), COMM_GENERAL_ERROR);
    EXPECT_EQ(comm.GetBaudRate(), 9600); // the line kept the speed it had
    EXPECT_EQ(comm.SetBaudRate(57600), 0);
    EXPECT_EQ(comm.GetBaudRate(), 57600);
    EXPECT_EQ(modem.Settings().baud, 57600u);
    const std::vector<kel::PromptRequest> boxes = prompts.Prompts();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Could not Set baud rate! ");
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, UINT(MB_ICONSTOP));
}

TEST_F(HeadLineTest, CopiesShareTheDeviceAndTheLastOneClosesIt)
{
    auto first = std::make_unique<CWin32Port>(kPort, 1000, 100);
    ASSERT_TRUE(first->IsOpen());
    auto copy = std::make_unique<CWin32Port>(*first);
    EXPECT_EQ(CSerialPortBase::OpenCount(kPort), 2);
    first.reset();
    EXPECT_EQ(CSerialPortBase::OpenCount(kPort), 1);
    EXPECT_TRUE(modem.IsOpen());
    EXPECT_EQ(copy->Write("hi", 2), 2);
    EXPECT_EQ(modem.Read(2, 1000), "hi");
    copy.reset();
    EXPECT_EQ(CSerialPortBase::OpenCount(kPort), 0);
    EXPECT_FALSE(modem.IsOpen());

    // A copy of a port that never opened holds nothing either.
    CWin32Port missing(kCommMaxPort - 2, 1000, 100);
    CWin32Port missingCopy(missing);
    EXPECT_FALSE(missingCopy.IsOpen());
    EXPECT_EQ(CSerialPortBase::OpenCount(kCommMaxPort - 2), 0);
}

TEST_F(HeadLineTest, MissingPortShowsTheLibraryText)
{
    prompts.Expect("Error Opening Com Port!\nGeneral system error").Reply(IDOK);
    EXPECT_EQ(comm.Open(kCommMaxPort - 2), COMM_GENERAL_ERROR);
    // On Linux the box also names the device and the cause.
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_NE(prompts.Prompts()[0].text.find("COM9999"), std::string::npos) << prompts.Prompts()[0].text;
    // Every later operation reports the line as unusable instead of touching it.
    prompts.Expect("Comm link couldn't be opened").Reply(IDOK);
    EXPECT_EQ(comm.Send("X"), 0);
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST_F(HeadLineTest, ReadLineStopsAtTheCarriageReturn)
{
    OpenLine(comm);
    modem.Write("ABC\rDE");
    ASSERT_TRUE(Eventually([&] { return comm.GetStream()->BytesWaiting() == 6; }));
    char line[101];
    EXPECT_EQ(comm.ReadLine(line, 1000), 4);
    EXPECT_STREQ(line, "ABC\r");
    EXPECT_EQ(comm.GetStream()->BytesWaiting(), 2); // the rest stays for the next read
}

TEST_F(HeadLineTest, ReadLineTakesAtMostAHundredBytes)
{
    OpenLine(comm);
    modem.Write(std::string(150, 'z'));
    ASSERT_TRUE(Eventually([&] { return comm.GetStream()->BytesWaiting() == 150; }));
    char line[101];
    EXPECT_EQ(comm.ReadLine(line, 1000), 100);
    EXPECT_EQ(std::string(line), std::string(100, 'z'));
}

TEST_F(HeadLineTest, SilentLineTimesOut)
{
    OpenLine(comm);
    TimeoutScale fast(0.01);
    char line[101] = "stale";
    DWORD start = GetTickCount();
    EXPECT_EQ(comm.ReadLine(line, 2000), 0);
    EXPECT_GE(GetTickCount() - start, 2000u);
    EXPECT_STREQ(line, "");
}

TEST_F(HeadLineTest, WaitingForASilentHeadCostsNoProcessorTime)
{
    OpenLine(comm);
    char line[101];
    const struct
    {
        const char* what;
        std::function<void()> wait;
    } cases[] = {
        {"ReadLine", [&] { EXPECT_EQ(comm.ReadLine(line, 1000), 0); }},
        {"DrainInput", [&] { EXPECT_EQ(comm.DrainInput(10), 1); }},
    };
    for (const auto& c : cases)
    {
        const std::clock_t cpuBefore = std::clock();
        const DWORD start = GetTickCount();
        c.wait();
        EXPECT_GE(GetTickCount() - start, 1000u) << c.what;
        const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
        EXPECT_LT(cpuSeconds, 0.1) << c.what << " waited on the processor";
    }
}

TEST_F(HeadLineTest, ReadLongIsLittleEndianSigned)
{
    OpenLine(comm);
    modem.Write(std::string("\x01\x00\x00\x80", 4));
    LONG value = 0;
    EXPECT_EQ(comm.ReadLong(&value), 1);
    EXPECT_EQ(value, -2147483647);

    EXPECT_EQ(comm.WriteLong(-2), 1);
    EXPECT_EQ(modem.Read(4, 2000), std::string("\xFE\xFF\xFF\xFF", 4));
}

TEST_F(HeadLineTest, ShortDataPointTimesOutAfterThreeSeconds)
{
    OpenLine(comm);
    TimeoutScale fast(0.01);
    modem.Write("abc");
    ASSERT_TRUE(Eventually([&] { return comm.GetStream()->BytesWaiting() == 3; }));
    char bytes[5];
    DWORD start = GetTickCount();
    EXPECT_EQ(comm.GetStream()->ReadBytes(bytes, 4, 3000), 3);
    EXPECT_GE(GetTickCount() - start, 3000u);
    EXPECT_STREQ(bytes, "abc");

    modem.Write("abc");
    LONG value = 99;
    EXPECT_EQ(comm.ReadLong(&value), 0);
    EXPECT_EQ(value, 0);
}

// ---------------------------------------------------------------------------------------------
// Writing

TEST_F(HeadLineTest, WriteStringTerminators)
{
    OpenLine(comm);
    struct Case
    {
        int code;
        int result;
        std::string wire;
    };
    const Case cases[] = {
        {-3, 3, "X\r\n"}, {-2, 2, "X\n"},    {-1, 1, "X"}, {0, 2, std::string("X\0", 2)},
        {65, 2, "XA"},    {255, 2, "X\xFF"}, {256, 0, ""}, {-4, 0, ""},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(comm.GetStream()->WriteString("X", c.code), c.result) << "code " << c.code;
        EXPECT_EQ(modem.Read(c.wire.size(), 1000), c.wire) << "code " << c.code;
        EXPECT_EQ(modem.ReadAvailable(), "") << "code " << c.code;
    }
    EXPECT_EQ(comm.GetStream()->WriteString(nullptr, -3), 0);
}

TEST_F(HeadLineTest, HeldLineFillsTheQueueAndNeverHangs)
{
    OpenLine(comm);
    modem.SetRts(false); // the head holds our CTS low
    ASSERT_TRUE(Eventually([&] { return comm.IsCtsOn() == 0; }));

    std::string chunk(200, 'c');
    EXPECT_EQ(comm.GetPort()->Write(chunk.data(), 200), 200);
    EXPECT_EQ(comm.GetPort()->Write(chunk.data(), 200), 56); // only the room left
    EXPECT_EQ(comm.GetPort()->TakeLastError(), COMM_BUFFER_FULL);

    // A command that cannot go out whole is a failure, reported once with its text.
    prompts.Expect("Buffer is full").Reply(IDOK);
    EXPECT_EQ(comm.Send("RDA"), 0);
    EXPECT_EQ(comm.CheckStatus(), 1);

    // Released, the queue drains to the head.
    modem.SetRts(true);
    EXPECT_EQ(modem.Read(256, 2000).size(), 256u);
    EXPECT_EQ(comm.WaitTransmitDone(), 1);
}

TEST_F(HeadLineTest, DrainInputWaitsTenthsOfASecond)
{
    OpenLine(comm);
    TimeoutScale fast(0.01);
    DWORD start = GetTickCount();
    EXPECT_EQ(comm.DrainInput(5), 1);
    EXPECT_GE(GetTickCount() - start, 500u);
}

TEST_F(HeadLineTest, WaitTransmitDoneGivesUpOnAStuckQueue)
{
    OpenLine(comm);
    modem.SetRts(false);
    ASSERT_TRUE(Eventually([&] { return comm.IsCtsOn() == 0; }));
    EXPECT_EQ(comm.Send("RDA"), 1);
    TimeoutScale fast(0.01);
    EXPECT_EQ(comm.WaitTransmitDone(), 0);
}

// ---------------------------------------------------------------------------------------------
// Port operations

TEST_F(HeadLineTest, ParamsAreCheckedAndFiveDataBitsTakeOneAndAHalfStopBits)
{
    OpenLine(comm);
    CSerialPortBase* port = comm.GetPort();
    EXPECT_EQ(port->SetParams(9600, 'E', 5, 2), 0);
    EXPECT_EQ(modem.Settings().stopBits, ONE5STOPBITS);
    EXPECT_EQ(modem.Settings().parity, EVENPARITY);
    LONG baud = 0;
    char parity = 0;
    int data = 0, stop = 0;
    port->GetParams(baud, parity, data, stop);
    EXPECT_EQ(baud, 9600);
    EXPECT_EQ(parity, 'E');
    EXPECT_EQ(data, 5);
    EXPECT_EQ(stop, 1); // one and a half reads back as 1

    struct Case
    {
        char parity;
        int data;
        int stop;
        int code;
    };
    const Case bad[] = {{'X', 8, 1, COMM_BAD_PARITY},
                        {'N', 3, 1, COMM_BAD_DATA_BITS},
                        {'N', 9, 1, COMM_BAD_DATA_BITS},
                        {'N', 8, 0, COMM_BAD_STOP_BITS},
                        {'N', 8, 3, COMM_BAD_STOP_BITS}};
    for (const Case& c : bad)
    {
        EXPECT_EQ(port->SetParams(28800, c.parity, c.data, c.stop), c.code) << c.parity << c.data << c.stop;
        EXPECT_EQ(port->TakeLastError(), c.code);
    }
    EXPECT_EQ(modem.Settings().baud, 9600u); // nothing applied by a refused call
}

TEST_F(HeadLineTest, StreamSettersPutTheOldValueBackOnFailure)
{
    OpenLine(comm);
    CSerialStream* stream = comm.GetStream();
    EXPECT_EQ(stream->SetParity('Q'), -1);
    EXPECT_EQ(stream->SetDataBits(9), COMM_GENERAL_ERROR);
    EXPECT_EQ(stream->SetStopBits(3), COMM_GENERAL_ERROR);
    CPortSettings* s = stream->GetSettings();
    EXPECT_EQ(s->m_parity, 'N');
    EXPECT_EQ(s->m_dataBits, 8);
    EXPECT_EQ(s->m_stopBits, 1);
    EXPECT_EQ(stream->SetParity('O'), 0);
    EXPECT_EQ(modem.SettingsText(), "28800 8O1 RTS/CTS");
}

TEST_F(HeadLineTest, HandshakeCodes)
{
    OpenLine(comm);
    CSerialPortBase* port = comm.GetPort();
    struct Case
    {
        int in;
        int out;
        int result;
        int recorded;
    };
    const Case cases[] = {
        {2, 0, COMM_GENERAL_ERROR, COMM_BAD_HANDSHAKE},  {14, 0, COMM_GENERAL_ERROR, COMM_BAD_HANDSHAKE},
        {12, 0, COMM_GENERAL_ERROR, COMM_BAD_HANDSHAKE}, {13, 0, COMM_NOT_SUPPORTED, COMM_NOT_SUPPORTED},
        {0, 3, COMM_BAD_ARGUMENT, COMM_BAD_ARGUMENT},    {0, 4, COMM_BAD_ARGUMENT, COMM_BAD_ARGUMENT},
        {0, 16, COMM_BAD_ARGUMENT, COMM_BAD_ARGUMENT},   {0, 15, COMM_NOT_SUPPORTED, COMM_NOT_SUPPORTED},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(port->SetHandshake(c.in, c.out), c.result) << c.in << "/" << c.out;
        EXPECT_EQ(port->TakeLastError(), c.recorded) << c.in << "/" << c.out;
    }
    int in = -1, out = -1;
    port->GetHandshake(in, out);
    EXPECT_EQ(in, COMM_HS_RTS); // refused codes leave the line as it was
    EXPECT_EQ(out, COMM_HS_CTS);
    EXPECT_EQ(modem.SettingsText(), "28800 8N1 RTS/CTS");

    EXPECT_EQ(port->SetHandshake(COMM_HS_XONXOFF, COMM_HS_XONXOFF), 0);
    EXPECT_TRUE(modem.Settings().xonXoff);
    EXPECT_FALSE(modem.Settings().ctsFlow);
    EXPECT_EQ(modem.Settings().rtsControl, RTS_CONTROL_ENABLE); // handshake control back to enable
}

TEST_F(HeadLineTest, PurgeReadsAtMostTheGivenCount)
{
    OpenLine(comm);
    CSerialPortBase* port = comm.GetPort();
    modem.Write("0123456789");
    ASSERT_TRUE(Eventually([&] { return comm.GetStream()->BytesWaiting() == 10; }));
    EXPECT_EQ(port->Purge(0, 3), COMM_GENERAL_ERROR);
    EXPECT_EQ(comm.GetStream()->BytesWaiting(), 7);
    EXPECT_EQ(port->Purge(0, 20), 0); // ran empty first
    EXPECT_EQ(comm.GetStream()->BytesWaiting(), 0);

    modem.Write("0123456789");
    ASSERT_TRUE(Eventually([&] { return comm.GetStream()->BytesWaiting() == 10; }));
    EXPECT_EQ(port->Purge(0, 0), 0);
    EXPECT_EQ(comm.GetStream()->BytesWaiting(), 0);
}

TEST_F(HeadLineTest, LineErrorsAndBreakReachGetStatus)
{
    OpenLine(comm);
    struct Case
    {
        DWORD inject; // 0: a break from the far end
        BYTE flags;
        int lineCode;
    };
    const Case cases[] = {
        {CE_RXPARITY, 1, COMM_LINE_PARITY},    {CE_FRAME, 2, COMM_LINE_FRAMING},
        {CE_RXOVER, 4, COMM_LINE_RX_OVERFLOW}, {CE_OVERRUN, 8, COMM_LINE_OVERRUN},
        {0, 16, COMM_LINE_BREAK_DETECT},
    };
    CSerialPortBase* port = comm.GetPort();
    for (const Case& c : cases)
    {
        if (c.inject)
            modem.InjectError(c.inject);
        else
            modem.SendBreak();
        port->ReadModemStatus(); // gathers the device's error word
        EXPECT_EQ(port->LineControl(c.lineCode, -1), 1) << c.lineCode;
        BYTE flags[2] = {0xFF, 0xFF};
        EXPECT_EQ(comm.GetStream()->GetStatus(flags), 0);
        EXPECT_EQ(flags[0], c.flags) << c.lineCode;
        EXPECT_EQ(flags[1], 0);
        EXPECT_EQ(comm.GetStream()->GetStatus(flags), 0);
        EXPECT_EQ(flags[0], 0) << "reported once";
    }
}

TEST_F(HeadLineTest, RecordedErrorIsShownOnceByTheNextOperation)
{
    OpenLine(comm);
    comm.GetPort()->RecordError(COMM_TIMEOUT);
    prompts.Expect("Timeout error").Reply(IDOK);
    EXPECT_EQ(comm.Send("X"), 0);
    EXPECT_EQ(comm.Send("Y"), 1);
    EXPECT_EQ(modem.Read(3, 1000), "Y\r\n");
}

// ---------------------------------------------------------------------------------------------
// Status thread and DSR

TEST_F(HeadLineTest, WaitForBytesIsWokenByTheStatusThread)
{
    OpenLine(comm);
    StatusThread status(comm);
    ASSERT_TRUE(Eventually([&] { return status.Armed(); }));
    modem.Write("a");
    std::thread late(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            modem.Write("bc");
        });
    DWORD available = 0;
    EXPECT_EQ(comm.WaitForBytes(3, &available, 5000), 1);
    EXPECT_EQ(available, 3u);
    late.join();
    EXPECT_NE(comm.GetLastEventBits() & EV_RXCHAR, 0u);
}

TEST_F(HeadLineTest, WaitForBytesFailsOnTimeoutLineErrorBreakAndCarrierChange)
{
    OpenLine(comm);
    // The status round keeps what the mask held and adds its own events.
    comm.GetPort()->SetEventMask(EV_ERR | EV_BREAK);
    StatusThread status(comm);
    ASSERT_TRUE(Eventually([&] { return status.Armed(); }));
    DWORD available = 99;
    {
        TimeoutScale fast(0.01);
        EXPECT_EQ(comm.WaitForBytes(1, &available, 1000), 0);
        EXPECT_EQ(available, 0u);
    }
    modem.InjectError(CE_FRAME);
    EXPECT_EQ(comm.WaitForBytes(1, &available, 5000), 0);
    EXPECT_NE(comm.GetLastEventBits() & EV_ERR, 0u);

    modem.SendBreak();
    EXPECT_EQ(comm.WaitForBytes(1, &available, 5000), 0);
    EXPECT_NE(comm.GetLastEventBits() & EV_BREAK, 0u);

    prompts.Expect("Line is disconnected!").Reply(IDOK);
    modem.SetDtr(false); // carrier and DSR drop together on the cable
    EXPECT_EQ(comm.WaitForBytes(1, &available, 5000), 0);
    EXPECT_NE(comm.GetLastEventBits() & EV_RLSD, 0u);
    ASSERT_TRUE(Eventually([&] { return status.Done(); }));
}

TEST_F(HeadLineTest, DsrDropAfterAWaitThatBeganWithDsrOnDisconnects)
{
    OpenLine(comm);
    ASSERT_EQ(comm.IsDsrHigh(), 1);
    prompts.Expect("Line is disconnected!").Reply(IDOK);
    StatusThread status(comm);
    ASSERT_TRUE(Eventually([&] { return status.Armed(); }));
    modem.SetDtr(false);
    ASSERT_TRUE(Eventually([&] { return status.Done(); }));
    EXPECT_EQ(status.Result(), -1);
    EXPECT_EQ(comm.IsDsrHigh(), 0);
}

// Runs action on a helper thread as soon as a status round has armed its events.
std::thread WhenArmed(CComm& comm, std::function<void()> action)
{
    comm.GetPort()->SetEventMask(0);
    return std::thread(
        [&comm, action]
        {
            for (int i = 0; i < 400; ++i)
            {
                DWORD mask = 0;
                comm.GetPort()->GetEventMask(mask);
                if (mask & EV_DSR)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            action();
        });
}

// Ends a status wait that the test runs on its own thread if nothing else does within a few
// seconds, so a lost event fails the test instead of hanging it.
class WaitWatchdog
{
public:
    explicit WaitWatchdog(CComm& comm)
        : m_thread(
              [this, &comm]
              {
                  std::unique_lock lock(m_mutex);
                  if (m_cv.wait_for(lock, std::chrono::seconds(5), [this] { return m_dismissed; }))
                      return;
                  ADD_FAILURE() << "status wait never ended";
                  while (!m_dismissed)
                  {
                      lock.unlock();
                      comm.GetPort()->SetEventMask(0x3B);
                      std::this_thread::sleep_for(std::chrono::milliseconds(10));
                      lock.lock();
                  }
              })
    {
    }
    ~WaitWatchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_dismissed = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_dismissed = false;
    std::thread m_thread;
};

TEST_F(HeadLineTest, LineChangesWhileDsrWasOffAreNoDisconnection)
{
    modem.SetDtr(false);
    OpenLine(comm);
    ASSERT_EQ(comm.IsDsrHigh(), 0);
    WaitWatchdog watchdog(comm);

    std::thread cts = WhenArmed(comm, [&] { modem.SetRts(false); });
    EXPECT_EQ(comm.OnCommEvent(), 0); // DSR still off, but it was off before
    cts.join();
    EXPECT_NE(comm.GetLastEventBits() & EV_CTS, 0u);

    std::thread dsr = WhenArmed(comm, [&] { modem.SetDtr(true); });
    EXPECT_EQ(comm.OnCommEvent(), 0);
    dsr.join();
    EXPECT_NE(comm.GetLastEventBits() & EV_DSR, 0u);
}

TEST_F(HeadLineTest, DisableDsrIgnoresAMissingDsr)
{
    ScopedSettings settings;
    CWinApp app("kelmon");
    app.SetRegistryKey("Test Serial");
    ASSERT_TRUE(app.WriteProfileInt("Dangerous", "Disable DSR", 1));

    modem.SetDtr(false); // a cable without DSR
    OpenLine(comm);
    EXPECT_EQ(comm.IsDsrHigh(), 1);

    modem.SetDtr(true);
    StatusThread status(comm);
    ASSERT_TRUE(Eventually([&] { return status.Armed(); }));
    modem.SetDtr(false);
    modem.SetDtr(true);
    modem.SetDtr(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(status.Done()); // no disconnection, no box
    status.Stop();
    EXPECT_EQ(status.Result(), 0);
}

TEST_F(HeadLineTest, DisableDsrZeroKeepsWatchingDsr)
{
    ScopedSettings settings;
    CWinApp app("kelmon");
    app.SetRegistryKey("Test Serial");
    ASSERT_TRUE(app.WriteProfileInt("Dangerous", "Disable DSR", 0));
    modem.SetDtr(false);
    OpenLine(comm);
    EXPECT_EQ(comm.IsDsrHigh(), 0);
}

TEST(HeadLineClosedTest, OperationsWithoutOpenShowMessage57)
{
    ScriptedPrompts prompts;
    prompts.Expect("RS232 Error:\n Com port has not been opened.").Reply(IDOK).Times(4);
    CComm comm;
    char line[101];
    EXPECT_EQ(comm.Send("X"), 0);
    EXPECT_EQ(comm.ReadLine(line, 10), 0);
    DWORD n = 0;
    EXPECT_EQ(comm.GetBytesWaiting(&n), 0);
    EXPECT_EQ(comm.WaitForBytes(1, &n, 10), 0);
    EXPECT_EQ(comm.GetBaudRate(), 28800);
    EXPECT_EQ(comm.OnCommEvent(), -1);
}

TEST(HeadLineClosedTest, CreatedByItsClassFactory)
{
    std::unique_ptr<CObject> object(RUNTIME_CLASS(CComm)->CreateObject());
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CComm)));
    EXPECT_TRUE(object->IsSerializable());
    EXPECT_STREQ(object->GetRuntimeClass()->m_lpszClassName, "CComm");
}

} // namespace
