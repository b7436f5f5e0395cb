// The communications calls on a port handle, run against the in-process null modem.
#include <windows.h>

#include "testkit/VirtualSerial.h"
#include "win32/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

namespace
{

using kel::testkit::VirtualNullModem;

constexpr int kPort = 41;

class CommPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        modem.RegisterAs(kPort);
        port = Open();
        ASSERT_NE(port, INVALID_HANDLE_VALUE) << kel::LastCommErrorDetail();
    }

    void TearDown() override
    {
        if (port != INVALID_HANDLE_VALUE)
            CloseHandle(port);
        kel::UseRealClock();
    }

    static HANDLE Open()
    {
        return CreateFile("\\\\.\\COM41", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
    }

    void SetTimeouts(DWORD interval, DWORD multiplier, DWORD constant)
    {
        COMMTIMEOUTS t{interval, multiplier, constant, 0, 0};
        ASSERT_TRUE(SetCommTimeouts(port, &t));
    }

    std::string ReadNow(DWORD n)
    {
        std::string buffer(n, '\0');
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(port, buffer.data(), n, &got, nullptr));
        buffer.resize(got);
        return buffer;
    }

    // Runs fn on a thread under the fake clock and checks that it ends exactly when fake time
    // reaches ms: still running 1 ms before, done right after. ms 0: done without time moving.
    template <class Fn> void ExpectEndsAfter(uint64_t ms, Fn fn, const char* what)
    {
        kel::UseFakeClock();
        std::atomic<bool> started{false}, done{false};
        std::thread worker(
            [&]
            {
                started = true;
                fn();
                done = true;
            });
        auto settle = [&](int realMs)
        {
            for (int i = 0; i < realMs && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        while (!started)
            std::this_thread::yield();
        settle(30); // the worker reads the (standing) fake time for its deadline
        if (ms > 0)
        {
            EXPECT_FALSE(done) << what;
            kel::AdvanceFakeClock(ms - 1);
            settle(30);
            EXPECT_FALSE(done) << what << ": ended before its time-out";
            kel::AdvanceFakeClock(1);
        }
        settle(3000);
        EXPECT_TRUE(done) << what << ": still running after its time-out";
        while (!done)
            kel::AdvanceFakeClock(1000); // unstick it so the test can end
        worker.join();
        kel::UseRealClock();
    }

    VirtualNullModem modem;
    HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(CommPortTest, StateRoundTripsAndReachesTheLine)
{
    struct Case
    {
        DWORD baud;
        BYTE data, parity, stop;
        bool cts;
        const char* text;
    } cases[] = {
        {28800, 8, NOPARITY, ONESTOPBIT, true, "28800 8N1 RTS/CTS"},
        {9600, 7, EVENPARITY, TWOSTOPBITS, false, "9600 7E2"},
        {1200, 5, MARKPARITY, ONE5STOPBITS, false, "1200 5M1.5"},
        {115200, 6, SPACEPARITY, ONESTOPBIT, false, "115200 6S1"},
        {300, 8, ODDPARITY, ONESTOPBIT, false, "300 8O1"},
    };
    for (const Case& c : cases)
    {
        DCB dcb{};
        ASSERT_TRUE(GetCommState(port, &dcb));
        dcb.BaudRate = c.baud;
        dcb.ByteSize = c.data;
        dcb.Parity = c.parity;
        dcb.StopBits = c.stop;
        dcb.fOutxCtsFlow = c.cts;
        dcb.fRtsControl = c.cts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
        ASSERT_TRUE(SetCommState(port, &dcb)) << c.text;
        DCB back{};
        ASSERT_TRUE(GetCommState(port, &back));
        EXPECT_EQ(back.BaudRate, c.baud);
        EXPECT_EQ(back.ByteSize, c.data);
        EXPECT_EQ(back.Parity, c.parity);
        EXPECT_EQ(back.StopBits, c.stop);
        EXPECT_EQ(back.fOutxCtsFlow, c.cts ? 1u : 0u);
        EXPECT_EQ(modem.SettingsText(), c.text);
    }
}

TEST_F(CommPortTest, ImpossibleSettingsAreRefusedAndChangeNothing)
{
    DCB good{};
    ASSERT_TRUE(GetCommState(port, &good));
    good.BaudRate = 28800;
    ASSERT_TRUE(SetCommState(port, &good));
    struct Case
    {
        const char* what;
        void (*change)(DCB&);
    } cases[] = {{"baud 0", [](DCB& d) { d.BaudRate = 0; }},
                 {"4 data bits", [](DCB& d) { d.ByteSize = 4; }},
                 {"9 data bits", [](DCB& d) { d.ByteSize = 9; }},
                 {"parity 5", [](DCB& d) { d.Parity = 5; }},
                 {"stop code 3", [](DCB& d) { d.StopBits = 3; }},
                 {"1.5 stop bits with 8 data bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }},
                 {"2 stop bits with 5 data bits",
                  [](DCB& d)
                  {
                      d.ByteSize = 5;
                      d.StopBits = TWOSTOPBITS;
                  }},
                 // Refused even with XON/XOFF flow off: the driver takes both characters anyway.
                 {"XON equal to XOFF", [](DCB& d) { d.XoffChar = d.XonChar; }}};
    for (const Case& c : cases)
    {
        DCB bad = good;
        c.change(bad);
        SetLastError(0);
        EXPECT_FALSE(SetCommState(port, &bad)) << c.what;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER)) << c.what;
        EXPECT_EQ(modem.SettingsText(), "28800 8N1") << c.what;
    }
}

TEST_F(CommPortTest, GetCommStateReportsWhatTheLineTook)
{
    modem.SetMaxBaud(115200);
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 230400;
    ASSERT_TRUE(SetCommState(port, &dcb));
    DCB back{};
    ASSERT_TRUE(GetCommState(port, &back));
    EXPECT_EQ(back.BaudRate, 115200u);
    EXPECT_EQ(modem.SettingsText(), "115200 8N1");
}

TEST_F(CommPortTest, PropertiesTellAnyRateAndTheQueueSizes)
{
    ASSERT_TRUE(SetupComm(port, 2048, 1024));
    COMMPROP prop{};
    ASSERT_TRUE(GetCommProperties(port, &prop));
    EXPECT_EQ(prop.wPacketLength, sizeof(COMMPROP));
    EXPECT_EQ(prop.dwServiceMask, DWORD(SP_SERIALCOMM));
    EXPECT_EQ(prop.dwProvSubType, DWORD(PST_RS232));
    EXPECT_EQ(prop.dwMaxBaud, DWORD(BAUD_USER));
    EXPECT_TRUE(prop.dwSettableBaud & BAUD_USER);
    EXPECT_TRUE(prop.dwProvCapabilities & PCF_RTSCTS);
    EXPECT_TRUE(prop.dwProvCapabilities & PCF_XONXOFF);
    EXPECT_EQ(prop.wSettableData, WORD(DATABITS_5 | DATABITS_6 | DATABITS_7 | DATABITS_8));
    EXPECT_TRUE(prop.wSettableStopParity & STOPBITS_20);
    EXPECT_EQ(prop.dwCurrentRxQueue, 2048u);
    EXPECT_EQ(prop.dwCurrentTxQueue, 1024u);
    EXPECT_FALSE(GetCommProperties(port, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(CommPortTest, AWriteWithoutTimeoutsWaitsUntilEverythingIsQueued)
{
    // Zero write time-outs mean none is used: a write larger than the room in the transmit queue
    // finishes when the last byte is in, never with a part of it.
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.fOutxCtsFlow = 1;
    ASSERT_TRUE(SetCommState(port, &dcb));
    ASSERT_TRUE(SetupComm(port, 16, 16));
    COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(port, &t));
    const std::string data = "0123456789abcdefghijklmnopqrstuvwxyz";
    modem.SetRts(false); // the far end holds the line

    // Overlapped: pending while the queue is full.
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov{};
    ov.hEvent = event;
    DWORD n = 0;
    ASSERT_FALSE(WriteFile(port, data.data(), DWORD(data.size()), &n, &ov));
    ASSERT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
    EXPECT_EQ(WaitForSingleObject(event, 50), DWORD(WAIT_TIMEOUT));
    modem.SetRts(true);
    EXPECT_EQ(WaitForSingleObject(event, 5000), DWORD(WAIT_OBJECT_0)) << modem.ReadAvailable();
    ASSERT_TRUE(GetOverlappedResult(port, &ov, &n, TRUE));
    EXPECT_EQ(n, data.size());
    EXPECT_EQ(modem.Read(data.size(), 1000), data);

    // Without an OVERLAPPED the caller blocks until all is in.
    modem.SetRts(false);
    std::atomic<bool> done{false};
    DWORD written = 0;
    std::thread writer(
        [&]
        {
            WriteFile(port, data.data(), DWORD(data.size()), &written, nullptr);
            done = true;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done);
    modem.SetRts(true);
    writer.join();
    EXPECT_EQ(written, data.size());
    EXPECT_EQ(modem.Read(data.size(), 1000), data);
    CloseHandle(event);
}

TEST_F(CommPortTest, OneCommEventWaitAtATimeAndItCountsTheMaskSize)
{
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    HANDLE event2 = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov{}, ov2{};
    ov.hEvent = event;
    ov2.hEvent = event2;
    DWORD bits = 0, bits2 = 0, n = 0;
    ASSERT_FALSE(WaitCommEvent(port, &bits, &ov));
    ASSERT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
    EXPECT_FALSE(WaitCommEvent(port, &bits2, &ov2));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(WaitCommEvent(port, &bits2, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    modem.Write("x");
    ASSERT_TRUE(GetOverlappedResult(port, &ov, &n, TRUE));
    EXPECT_EQ(bits, DWORD(EV_RXCHAR));
    EXPECT_EQ(n, sizeof(DWORD));
    // The first wait is over: the next one is taken.
    ov2 = OVERLAPPED{};
    ov2.hEvent = event2;
    modem.Write("y");
    ASSERT_TRUE(WaitCommEvent(port, &bits2, &ov2));
    ASSERT_TRUE(GetOverlappedResult(port, &ov2, &n, TRUE));
    EXPECT_EQ(bits2, DWORD(EV_RXCHAR));
    EXPECT_EQ(n, sizeof(DWORD));
    CloseHandle(event);
    CloseHandle(event2);
}

TEST(CommDosNames, Com1ToCom9OpenWithoutTheDevicePrefix)
{
    VirtualNullModem modem;
    modem.RegisterAs(5);
    for (const char* name : {"COM5", "com5", "COM5:"})
    {
        HANDLE h = CreateFile(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name << ": " << kel::LastCommErrorDetail();
        EXPECT_TRUE(modem.IsOpen()) << name;
        DCB dcb{};
        EXPECT_TRUE(GetCommState(h, &dcb)) << name;
        CloseHandle(h);
    }
    // Two digits need the prefix: without it the name is an ordinary file name.
    HANDLE h = CreateFile("COM50", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(CommPortTest, BytesCrossBothWays)
{
    SetTimeouts(MAXDWORD, 0, 0);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(port, "HELLO\r\n", 7, &written, nullptr));
    EXPECT_EQ(written, 7u);
    EXPECT_EQ(modem.Read(7, 1000), "HELLO\r\n");

    EXPECT_EQ(ReadNow(10), ""); // nothing queued: returns at once
    modem.Write(std::string("ab\0c", 4));
    DWORD errors = 0;
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(stat.cbInQue, 4u);
    EXPECT_EQ(ReadNow(3), std::string("ab\0", 3));
    EXPECT_EQ(ReadNow(10), "c");
}

TEST_F(CommPortTest, OverlappedWriteAndReadCompleteThroughTheirEvents)
{
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov{};
    ov.hEvent = event;
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port, "xyz", 3, &n, &ov));
    EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_OBJECT_0));
    ASSERT_TRUE(GetOverlappedResult(port, &ov, &n, TRUE));
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(modem.ReadAvailable(), "xyz");

    SetTimeouts(0, 0, 0); // wait for the full count
    char buffer[4] = {};
    OVERLAPPED rov{};
    rov.hEvent = event;
    ASSERT_FALSE(ReadFile(port, buffer, 4, &n, &rov));
    ASSERT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
    EXPECT_FALSE(GetOverlappedResult(port, &rov, &n, FALSE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_IO_INCOMPLETE));
    modem.Write("12");
    modem.Write("34");
    ASSERT_TRUE(GetOverlappedResult(port, &rov, &n, TRUE));
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(std::string(buffer, 4), "1234");
    CloseHandle(event);
}

TEST_F(CommPortTest, ModemLinesFollowTheNullModemWiring)
{
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, DWORD(MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON));
    modem.SetDtr(false);
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, DWORD(MS_CTS_ON));
    modem.SetRts(false);
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, 0u);

    // Opening raised DTR and RTS; the escapes move them.
    EXPECT_TRUE(modem.PortDtr());
    EXPECT_TRUE(modem.PortRts());
    ASSERT_TRUE(EscapeCommFunction(port, CLRDTR));
    EXPECT_FALSE(modem.PortDtr());
    ASSERT_TRUE(EscapeCommFunction(port, CLRRTS));
    EXPECT_FALSE(modem.PortRts());
    ASSERT_TRUE(EscapeCommFunction(port, SETDTR));
    EXPECT_TRUE(modem.PortDtr());
    ASSERT_TRUE(SetCommBreak(port));
    EXPECT_TRUE(modem.PortBreak());
    ASSERT_TRUE(ClearCommBreak(port));
    EXPECT_FALSE(modem.PortBreak());
    EXPECT_FALSE(EscapeCommFunction(port, 7));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    // Closing drops both lines.
    ASSERT_TRUE(EscapeCommFunction(port, SETRTS));
    CloseHandle(port);
    port = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(modem.PortDtr());
    EXPECT_FALSE(modem.PortRts());
    EXPECT_FALSE(modem.IsOpen());
}

TEST_F(CommPortTest, BlockingWaitWakesOnReceivedCharAndOnDsrChange)
{
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_DSR | EV_CTS | EV_RLSD));
    struct Case
    {
        const char* what;
        std::function<void(VirtualNullModem&)> act;
        DWORD expected;
    } cases[] = {
        {"received char", [](VirtualNullModem& m) { m.Write("A"); }, EV_RXCHAR},
        {"DSR drop", [](VirtualNullModem& m) { m.SetDtr(false); }, EV_DSR | EV_RLSD},
        {"CTS drop", [](VirtualNullModem& m) { m.SetRts(false); }, EV_CTS},
    };
    for (const Case& c : cases)
    {
        DWORD bits = 0;
        BOOL ok = FALSE;
        std::thread waiter([&] { ok = WaitCommEvent(port, &bits, nullptr); });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        c.act(modem);
        waiter.join();
        EXPECT_TRUE(ok) << c.what;
        EXPECT_EQ(bits, c.expected) << c.what;
    }
    // An event that happened before the wait is reported at once; events outside the mask are not.
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    modem.SetDtr(true);
    modem.Write("B");
    DWORD bits = 0;
    ASSERT_TRUE(WaitCommEvent(port, &bits, nullptr));
    EXPECT_EQ(bits, DWORD(EV_RXCHAR));
}

TEST_F(CommPortTest, SetCommMaskEndsAPendingWaitWithNoEvents)
{
    ASSERT_TRUE(SetCommMask(port, EV_DSR));
    DWORD bits = 0xffff;
    BOOL ok = FALSE;
    std::atomic<bool> done{false};
    std::thread waiter(
        [&]
        {
            ok = WaitCommEvent(port, &bits, nullptr);
            done = true;
        });
    // A mask set before the wait starts does not end it, so keep setting it until it has.
    while (!done)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(SetCommMask(port, EV_DSR | EV_RXCHAR));
    }
    waiter.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(bits, 0u);

    ASSERT_TRUE(SetCommMask(port, 0));
    EXPECT_FALSE(WaitCommEvent(port, &bits, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(CommPortTest, OverlappedWaitCompletesWithTheEventBits)
{
    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR | EV_RXFLAG));
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.EvtChar = '\r';
    ASSERT_TRUE(SetCommState(port, &dcb));
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov{};
    ov.hEvent = event;
    DWORD bits = 0, n = 0;
    ASSERT_FALSE(WaitCommEvent(port, &bits, &ov));
    ASSERT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
    EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_TIMEOUT));
    // CancelIo ends only its own thread's operations: a reader giving up on its read leaves the
    // status thread's wait running.
    std::thread([&] { EXPECT_TRUE(CancelIo(port)); }).join();
    modem.Write("OK\r");
    EXPECT_EQ(WaitForSingleObject(event, 5000), DWORD(WAIT_OBJECT_0));
    ASSERT_TRUE(GetOverlappedResult(port, &ov, &n, TRUE));
    EXPECT_EQ(bits, DWORD(EV_RXCHAR | EV_RXFLAG));
    CloseHandle(event);
}

TEST_F(CommPortTest, LineErrorsAreGatheredUntilCleared)
{
    ASSERT_TRUE(SetCommMask(port, EV_ERR | EV_BREAK));
    modem.InjectError(CE_FRAME | CE_OVERRUN);
    DWORD bits = 0;
    ASSERT_TRUE(WaitCommEvent(port, &bits, nullptr));
    EXPECT_EQ(bits, DWORD(EV_ERR));
    modem.SendBreak();
    ASSERT_TRUE(WaitCommEvent(port, &bits, nullptr));
    EXPECT_EQ(bits, DWORD(EV_BREAK));

    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(port, &errors, nullptr));
    EXPECT_EQ(errors, DWORD(CE_FRAME | CE_OVERRUN | CE_BREAK));
    ASSERT_TRUE(ClearCommError(port, &errors, nullptr));
    EXPECT_EQ(errors, 0u);

    // A full receive queue keeps what fits and reports the loss.
    ASSERT_TRUE(SetupComm(port, 16, 16));
    modem.Write(std::string(20, 'x'));
    COMSTAT stat{};
    ASSERT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(errors, DWORD(CE_RXOVER));
    EXPECT_EQ(stat.cbInQue, 16u);
    ASSERT_TRUE(PurgeComm(port, PURGE_RXCLEAR));
    ASSERT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(stat.cbInQue, 0u);
}

TEST_F(CommPortTest, ReadTimeoutsFollowTheLayerClock)
{
    struct Case
    {
        const char* what;
        COMMTIMEOUTS timeouts;
        const char* arriving; // bytes queued before the read
        DWORD asked;
        const char* expected;
        uint64_t ms; // fake time the read takes
    } cases[] = {
        {"total time-out, partial data", {0, 0, 5000, 0, 0}, "ab", 4, "ab", 5000},
        {"total with multiplier", {0, 100, 1000, 0, 0}, "", 10, "", 2000},
        {"first byte wait, none comes", {MAXDWORD, MAXDWORD, 3000, 0, 0}, "", 4, "", 3000},
        {"first byte wait, data queued", {MAXDWORD, MAXDWORD, 3000, 0, 0}, "xy", 4, "xy", 0},
        {"interval after the first byte", {200, 0, 0, 0, 0}, "q", 8, "q", 200},
        {"full count queued", {0, 0, 5000, 0, 0}, "abcd", 4, "abcd", 0},
    };
    for (const Case& c : cases)
    {
        COMMTIMEOUTS t = c.timeouts;
        ASSERT_TRUE(SetCommTimeouts(port, &t));
        modem.Write(c.arriving);
        std::string got;
        ExpectEndsAfter(
            c.ms, [&] { got = ReadNow(c.asked); }, c.what);
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST_F(CommPortTest, PendingOperationsEndWhenCancelledOrClosed)
{
    SetTimeouts(0, 0, 0);
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    char buffer[8];
    DWORD n = 0;
    struct Case
    {
        const char* what;
        std::function<void()> end;
    } cases[] = {
        {"CancelIo", [&] { CancelIo(port); }},
        {"PurgeComm RX abort", [&] { PurgeComm(port, PURGE_RXABORT); }},
        {"CloseHandle",
         [&]
         {
             CloseHandle(port);
             port = INVALID_HANDLE_VALUE;
         }},
    };
    for (const Case& c : cases)
    {
        OVERLAPPED ov{};
        ov.hEvent = event;
        ASSERT_FALSE(ReadFile(port, buffer, sizeof buffer, &n, &ov)) << c.what;
        ASSERT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING)) << c.what;
        HANDLE handle = port;
        c.end();
        EXPECT_EQ(WaitForSingleObject(event, 5000), DWORD(WAIT_OBJECT_0)) << c.what;
        EXPECT_EQ(ov.Internal, ULONG_PTR(ERROR_OPERATION_ABORTED)) << c.what;
        if (port != INVALID_HANDLE_VALUE)
        {
            EXPECT_FALSE(GetOverlappedResult(handle, &ov, &n, TRUE)) << c.what;
            EXPECT_EQ(GetLastError(), DWORD(ERROR_OPERATION_ABORTED)) << c.what;
        }
    }
    CloseHandle(event);
    // The port is free again once closed.
    port = Open();
    EXPECT_NE(port, INVALID_HANDLE_VALUE);
}

TEST_F(CommPortTest, ACancelledReadIsOverOnceItsResultIsTaken)
{
    // Cancel, take the result at once and reuse the record, as a caller does when its wait for
    // an overlapped read ran out: the result is final and the old read no longer touches the
    // record, its event or the buffer.
    SetTimeouts(0, 0, 0);
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov{};
    char buffer[4] = {};
    DWORD n = 0;
    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE(round);
        ov = OVERLAPPED{};
        ov.hEvent = event;
        ResetEvent(event);
        ASSERT_FALSE(ReadFile(port, buffer, sizeof buffer, &n, &ov));
        ASSERT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));
        ASSERT_TRUE(CancelIo(port));
        EXPECT_FALSE(GetOverlappedResult(port, &ov, &n, TRUE));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_OPERATION_ABORTED));
        EXPECT_EQ(n, 0u);
        ResetEvent(event);
        EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_TIMEOUT));
    }
    ov = OVERLAPPED{};
    ov.hEvent = event;
    ASSERT_FALSE(ReadFile(port, buffer, sizeof buffer, &n, &ov));
    modem.Write("wxyz");
    ASSERT_TRUE(GetOverlappedResult(port, &ov, &n, TRUE));
    EXPECT_EQ(std::string(buffer, n), "wxyz");
    CloseHandle(event);
}

TEST_F(CommPortTest, ASecondOpenIsRefusedAsBusy)
{
    HANDLE second = Open();
    EXPECT_EQ(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_NE(kel::LastCommErrorDetail().find("COM41"), std::string::npos) << kel::LastCommErrorDetail();
    EXPECT_NE(kel::LastCommErrorDetail().find("in use"), std::string::npos) << kel::LastCommErrorDetail();
}

TEST_F(CommPortTest, CallsOnABadHandleFail)
{
    HANDLE bad = reinterpret_cast<HANDLE>(0x7777);
    DCB dcb{};
    COMMTIMEOUTS t{};
    DWORD value = 0;
    struct Case
    {
        const char* what;
        std::function<BOOL()> call;
    } cases[] = {
        {"GetCommState", [&] { return GetCommState(bad, &dcb); }},
        {"SetCommState", [&] { return SetCommState(bad, &dcb); }},
        {"GetCommTimeouts", [&] { return GetCommTimeouts(bad, &t); }},
        {"SetupComm", [&] { return SetupComm(bad, 1, 1); }},
        {"PurgeComm", [&] { return PurgeComm(bad, PURGE_RXCLEAR); }},
        {"ClearCommError", [&] { return ClearCommError(bad, &value, nullptr); }},
        {"EscapeCommFunction", [&] { return EscapeCommFunction(bad, SETDTR); }},
        {"GetCommModemStatus", [&] { return GetCommModemStatus(bad, &value); }},
        {"SetCommMask", [&] { return SetCommMask(bad, EV_RXCHAR); }},
        {"WaitCommEvent", [&] { return WaitCommEvent(bad, &value, nullptr); }},
        {"TransmitCommChar", [&] { return TransmitCommChar(bad, 'x'); }},
    };
    for (const Case& c : cases)
    {
        SetLastError(0);
        EXPECT_FALSE(c.call()) << c.what;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE)) << c.what;
    }
}

TEST_F(CommPortTest, TransmitCommCharGoesAheadOfTheQueue)
{
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.fOutxCtsFlow = 1;
    ASSERT_TRUE(SetCommState(port, &dcb));
    modem.SetRts(false); // hold the queue
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port, "data", 4, &n, nullptr));
    ASSERT_TRUE(TransmitCommChar(port, '!'));
    modem.SetRts(true);
    EXPECT_EQ(modem.Read(5, 1000), "!data");
}

TEST(CommBuildDcb, ParsesBothTextForms)
{
    struct Case
    {
        const char* text;
        bool ok;
        DWORD baud;
        BYTE parity, data, stop;
    } cases[] = {
        {"28800,n,8,1", true, 28800, NOPARITY, 8, ONESTOPBIT},
        {"COM2:9600,E,7,2", true, 9600, EVENPARITY, 7, TWOSTOPBITS},
        {"96,n,8,1", true, 9600, NOPARITY, 8, ONESTOPBIT},
        {"19,o,7", true, 19200, ODDPARITY, 7, ONESTOPBIT},
        {"11,n,8", true, 110, NOPARITY, 8, TWOSTOPBITS}, // 110 baud: two stop bits unless told
        {"baud=1200 parity=M data=5 stop=1.5", true, 1200, MARKPARITY, 5, ONE5STOPBITS},
        {"baud=96 parity=n data=8 stop=1", true, 9600, NOPARITY, 8, ONESTOPBIT},
        {"9600,x,8,1", false, 0, 0, 0, 0},
        {"9600,n,9,1", false, 0, 0, 0, 0},
        {"9600,n,8,1,q", false, 0, 0, 0, 0},
        {"9600,n,8,1,x,7", false, 0, 0, 0, 0},
        {"baud=", false, 0, 0, 0, 0},
        {"baud=9600 xon=maybe", false, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        DCB dcb{};
        dcb.BaudRate = 1;
        dcb.StopBits = ONESTOPBIT;
        EXPECT_EQ(BuildCommDCB(c.text, &dcb) != FALSE, c.ok) << c.text;
        if (c.ok)
        {
            EXPECT_EQ(dcb.BaudRate, c.baud) << c.text;
            EXPECT_EQ(dcb.Parity, c.parity) << c.text;
            EXPECT_EQ(dcb.ByteSize, c.data) << c.text;
            EXPECT_EQ(dcb.StopBits, c.stop) << c.text;
        }
        else
            EXPECT_EQ(dcb.BaudRate, 1u) << c.text;
    }
}

TEST(CommBuildDcb, FlowControlIsResetUnlessTheTextAsksForIt)
{
    struct Flow
    {
        DWORD outX, inX, cts, dsr, dtr, rts;
    };
    struct Case
    {
        const char* text;
        Flow expected;
    } cases[] = {
        {"9600,n,8,1", {0, 0, 0, 0, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE}},
        {"9600,n,8,1,x", {1, 1, 0, 0, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE}},
        {"9600,n,8,1,p", {0, 0, 1, 1, DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE}},
        {"baud=9600 xon=on", {1, 1, 0, 0, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE}},
        {"baud=9600 octs=on rts=hs dtr=off", {0, 0, 1, 0, DTR_CONTROL_DISABLE, RTS_CONTROL_HANDSHAKE}},
    };
    for (const Case& c : cases)
    {
        // Start from a DCB with every kind of flow control on.
        DCB dcb{};
        dcb.fOutX = dcb.fInX = 1;
        dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = 1;
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
        dcb.fRtsControl = RTS_CONTROL_TOGGLE;
        ASSERT_TRUE(BuildCommDCB(c.text, &dcb)) << c.text;
        EXPECT_EQ(dcb.fOutX, c.expected.outX) << c.text;
        EXPECT_EQ(dcb.fInX, c.expected.inX) << c.text;
        EXPECT_EQ(dcb.fOutxCtsFlow, c.expected.cts) << c.text;
        EXPECT_EQ(dcb.fOutxDsrFlow, c.expected.dsr) << c.text;
        EXPECT_EQ(dcb.fDtrControl, c.expected.dtr) << c.text;
        EXPECT_EQ(dcb.fRtsControl, c.expected.rts) << c.text;
    }
}

} // namespace
