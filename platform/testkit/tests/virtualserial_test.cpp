// The virtual null-modem pair as tests use it: registration, flow control, queue sizes.
#include "testkit/VirtualSerial.h"

#include "win32/clock.h"

#include <gtest/gtest.h>

#include <cstring>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{

using kel::testkit::VirtualNullModem;

HANDLE OpenCom(int n)
{
    std::string name = "\\\\.\\COM" + std::to_string(n);
    return CreateFile(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(VirtualNullModem, RegistrationLastsAsLongAsTheObject)
{
    {
        VirtualNullModem modem;
        modem.RegisterAs(33);
        EXPECT_EQ(kel::ComDevicePath(33), "virtual null modem");
        HANDLE port = OpenCom(33);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(modem.IsOpen());
        CloseHandle(port);
        EXPECT_FALSE(modem.IsOpen());
    }
    EXPECT_EQ(kel::ComDevicePath(33), "");
}

TEST(VirtualNullModem, PortOutlivingThePairKeepsWorking)
{
    HANDLE port;
    {
        VirtualNullModem modem;
        modem.RegisterAs(34);
        port = OpenCom(34);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
    }
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(port, "lost", 4, &n, nullptr));
    DWORD status = 0;
    EXPECT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_TRUE(CloseHandle(port));
}

class VirtualPairTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        modem.RegisterAs(35);
        port = OpenCom(35);
        ASSERT_NE(port, INVALID_HANDLE_VALUE);
    }
    void TearDown() override
    {
        CloseHandle(port);
        kel::UseRealClock();
    }

    void SetCtsFlow(bool on)
    {
        DCB dcb{};
        ASSERT_TRUE(GetCommState(port, &dcb));
        dcb.fOutxCtsFlow = on;
        ASSERT_TRUE(SetCommState(port, &dcb));
    }

    COMSTAT Status()
    {
        COMSTAT stat{};
        DWORD errors = 0;
        EXPECT_TRUE(ClearCommError(port, &errors, &stat));
        return stat;
    }

    VirtualNullModem modem;
    HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(VirtualPairTest, CtsFlowControlHoldsWritesUntilTheFarEndRaisesRts)
{
    SetCtsFlow(true);
    modem.SetRts(false);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port, "held", 4, &n, nullptr));
    EXPECT_EQ(n, 4u);
    COMSTAT stat = Status();
    EXPECT_EQ(stat.fCtsHold, 1u);
    EXPECT_EQ(stat.cbOutQue, 4u);
    EXPECT_EQ(modem.ReadAvailable(), "");

    ASSERT_TRUE(SetCommMask(port, EV_TXEMPTY));
    modem.SetRts(true);
    EXPECT_EQ(modem.ReadAvailable(), "held");
    stat = Status();
    EXPECT_EQ(stat.fCtsHold, 0u);
    EXPECT_EQ(stat.cbOutQue, 0u);
    DWORD bits = 0;
    ASSERT_TRUE(WaitCommEvent(port, &bits, nullptr));
    EXPECT_EQ(bits, DWORD(EV_TXEMPTY));

    // Without flow control a low CTS holds nothing.
    SetCtsFlow(false);
    modem.SetRts(false);
    ASSERT_TRUE(WriteFile(port, "free", 4, &n, nullptr));
    EXPECT_EQ(modem.ReadAvailable(), "free");
}

TEST_F(VirtualPairTest, AFullTransmitQueueTakesWhatFits)
{
    ASSERT_TRUE(SetupComm(port, 1000, 8));
    SetCtsFlow(true);
    modem.SetRts(false);
    // With a write time-out a full queue takes what fits once the time is up (layer time).
    COMMTIMEOUTS t{0, 0, 0, 0, 500};
    ASSERT_TRUE(SetCommTimeouts(port, &t));
    kel::UseFakeClock();
    DWORD n = 0;
    const struct
    {
        const char* text;
        DWORD taken;
    } writes[] = {{"0123456789", 8}, {"ab", 0}};
    for (const auto& [text, taken] : writes)
    {
        std::atomic<bool> ended{false};
        std::thread partial(
            [&]
            {
                WriteFile(port, text, DWORD(std::strlen(text)), &n, nullptr);
                ended = true;
            });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(ended) << text;
        kel::AdvanceFakeClock(500);
        partial.join();
        EXPECT_EQ(n, taken) << text;
    }
    EXPECT_EQ(Status().cbOutQue, 8u);

    // With a write time-out the call waits (layer time) for room before giving up.
    std::atomic<bool> done{false};
    std::thread writer(
        [&]
        {
            WriteFile(port, "XY", 2, &n, nullptr);
            done = true;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(done);
    modem.SetRts(true); // drains the queue: both bytes fit now
    writer.join();
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(modem.ReadAvailable(), "01234567XY");
}

TEST_F(VirtualPairTest, FarEndReadWaitsOnTheLayerClock)
{
    kel::UseFakeClock();
    std::string got;
    std::atomic<bool> done{false};
    uint64_t took = 0;
    std::thread reader(
        [&]
        {
            uint64_t start = kel::ClockNowMs();
            got = modem.Read(4, 3000);
            took = kel::ClockNowMs() - start;
            done = true;
        });
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port, "ab", 2, &n, nullptr));
    while (!done)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        kel::AdvanceFakeClock(50);
    }
    reader.join();
    EXPECT_EQ(got, "ab");
    EXPECT_GE(took, 3000u);
    EXPECT_LT(took, 3500u);
}

TEST_F(VirtualPairTest, SettingsAreObservable)
{
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 28800;
    dcb.fOutxCtsFlow = 1;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    ASSERT_TRUE(SetCommState(port, &dcb));
    VirtualNullModem::LineSettings s = modem.Settings();
    EXPECT_EQ(s.baud, 28800u);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.parity, NOPARITY);
    EXPECT_EQ(s.stopBits, ONESTOPBIT);
    EXPECT_TRUE(s.ctsFlow);
    EXPECT_EQ(s.rtsControl, RTS_CONTROL_HANDSHAKE);
    EXPECT_EQ(modem.SettingsText(), "28800 8N1 RTS/CTS");
    EXPECT_TRUE(modem.PortDtr());
    EXPECT_TRUE(modem.PortRts());

    dcb.fOutxCtsFlow = 0;
    dcb.fOutX = dcb.fInX = 1;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    ASSERT_TRUE(SetCommState(port, &dcb));
    EXPECT_EQ(modem.SettingsText(), "28800 8N1 XON/XOFF");
    EXPECT_FALSE(modem.PortDtr());
    EXPECT_FALSE(modem.PortRts());
}

TEST_F(VirtualPairTest, RingAndXoffHold)
{
    ASSERT_TRUE(SetCommMask(port, EV_RING));
    modem.Ring();
    DWORD bits = 0;
    ASSERT_TRUE(WaitCommEvent(port, &bits, nullptr));
    EXPECT_EQ(bits, DWORD(EV_RING));

    ASSERT_TRUE(EscapeCommFunction(port, SETXOFF));
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port, "zz", 2, &n, nullptr));
    EXPECT_EQ(Status().fXoffHold, 1u);
    EXPECT_EQ(modem.ReadAvailable(), "");
    ASSERT_TRUE(EscapeCommFunction(port, SETXON));
    EXPECT_EQ(modem.ReadAvailable(), "zz");
}

} // namespace
