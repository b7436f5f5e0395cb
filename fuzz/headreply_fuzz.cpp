// Fuzz target: whatever a head answers on its serial line. The input is a list of replies, each a
// length byte and that many bytes (text lines, binary points and garbage alike). The far end of a
// virtual null modem answers every command line the head sends with the next reply, and drops DSR
// once the list is used up. The head connects, is identified and queried, measures, runs a short
// analog and histogram scan and disconnects; nothing it reads may crash, hang or leak.
#include "FuzzSupport.h"
#include "comm/Comm.h"
#include "head/Head.h"

#include "testkit/FakeClock.h"
#include "testkit/VirtualSerial.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace
{

constexpr int kCom = 53;

// Answers each command line (ended by LF) with the next reply; DSR goes low when none is left.
class Responder
{
public:
    Responder(kel::testkit::VirtualNullModem& modem, std::vector<std::string> replies)
        : m_modem(modem), m_replies(std::move(replies)), m_thread([this] { Run(); })
    {
    }
    ~Responder()
    {
        m_stop = true;
        m_thread.join();
    }
    bool Exhausted() const { return m_exhausted; }

private:
    void Run()
    {
        size_t next = 0;
        while (!m_stop)
        {
            const std::string sent = m_modem.ReadAvailable();
            for (char c : sent)
            {
                if (c != '\n')
                    continue;
                if (next < m_replies.size())
                    m_modem.Write(m_replies[next++]);
                if (next == m_replies.size() && !m_exhausted)
                {
                    m_exhausted = true;
                    m_modem.SetDtr(false);
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }

    kel::testkit::VirtualNullModem& m_modem;
    std::vector<std::string> m_replies;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_exhausted{false};
    std::thread m_thread;
};

std::vector<std::string> SplitReplies(const uint8_t* data, size_t size)
{
    std::vector<std::string> replies;
    size_t at = 0;
    while (at < size)
    {
        const size_t length = data[at++];
        const size_t take = length <= size - at ? length : size - at;
        replies.emplace_back(reinterpret_cast<const char*>(data + at), take);
        at += take;
    }
    return replies;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    // The head's waits (up to 10 s for a reply) pass in a thousandth of their time.
    static kel::testkit::TimeoutScale quick(0.001);

    kel::testkit::VirtualNullModem modem;
    modem.RegisterAs(kCom);
    Responder responder(modem, SplitReplies(data, size));
    CHead head;
    if (head.Connect(kCom - 1))
    {
        CString text;
        int i = 0;
        float f = 0.0f;
        // Each step reads replies; once they are used up the line is down and the rest is quick.
        head.IdentifyHead();
        head.QueryId(text);
        head.GetModelString(text);
        head.GetFirmwareVersion(f);
        head.GetSerialNumber(i);
        head.FormatSettingsReport(text);
        head.IsFilamentOn(i);
        head.QueryEmissionCurrent(f);
        head.QueryMultiplierVoltage(i);
        head.QueryMultiplierGain(f);
        head.QueryStatusByte(i);
        head.CheckErrors();
        head.MeasureTotalPressure(f);
        head.MeasureSingleMass(28, 2, f);
        if (head.StartAnalogScan(8))
            for (int p = 0; p < 8 && head.ReadDataPoint(f); ++p)
            {
            }
        head.StopScan();
        if (head.StartHistogramScan(4))
            for (int p = 0; p < 4 && head.ReadDataPoint(f); ++p)
            {
            }
        head.GetLastDataPoint(i);
        head.Disconnect();
    }
    return 0;
}
