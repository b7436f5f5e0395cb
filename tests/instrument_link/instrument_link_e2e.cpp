// The instrument link end to end, headless: the simulated head is found and connected through the
// port list, and a queued sequence of reads runs on a port-monitor worker under the port's lock.
// Exits 0 when every read came back as expected, 1 otherwise.
#include "head/Head.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "testkit/TempDir.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

struct Sequence
{
    std::vector<std::pair<const char*, std::function<bool(CHead&, std::string&)>>> reads;
    size_t next = 0;
    std::vector<std::string> results;
    int failures = 0;
    int lockMissing = 0;
    HANDLE done = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    ~Sequence() { CloseHandle(done); }
};

// One read per run; asks to run again until the sequence is through.
class ReadTask : public CDocTask
{
public:
    ReadTask(std::shared_ptr<Sequence> seq, std::string connector)
        : CDocTask("read"), m_seq(std::move(seq)), m_connector(std::move(connector))
    {
    }
    HANDLE GetLock() override { return CPortList::Instance().GetPortLock(m_connector); }
    CDocTask* Clone() override { return new ReadTask(m_seq, m_connector); }
    int Run() override
    {
        Sequence& seq = *m_seq;
        // The worker holds the port's lock while it runs this: another thread cannot take it.
        HANDLE lock = GetLock();
        DWORD other = WAIT_FAILED;
        std::thread probe(
            [&]
            {
                other = WaitForSingleObject(lock, 0);
                if (other == WAIT_OBJECT_0)
                    ReleaseMutex(lock);
            });
        probe.join();
        if (!lock || other != WAIT_TIMEOUT)
            ++seq.lockMissing;
        std::shared_ptr<CPortEntry> entry = CPortList::Instance().HoldByName(m_connector);
        std::shared_ptr<CInstrumentDesc> desc = entry ? entry->GetDescriptor() : nullptr;
        CHead* head = desc ? desc->GetHead() : nullptr;
        if (!head)
        {
            ++seq.failures;
            SetEvent(seq.done);
            return 0;
        }
        auto& [name, read] = seq.reads[seq.next++];
        std::string value;
        if (!read(*head, value))
            ++seq.failures;
        seq.results.push_back(std::string(name) + " = " + value);
        if (seq.next < seq.reads.size())
            return 1;
        SetEvent(seq.done);
        return 0;
    }

private:
    std::shared_ptr<Sequence> m_seq;
    std::string m_connector;
};

int Fail(const char* what)
{
    std::printf("FAILED: %s\n", what);
    return 1;
}

} // namespace

int main()
{
    // Only the simulated head: the machine's own serial ports are left alone.
    const kel::testkit::TempDir noPorts("kel-e2e-noports-");
    kel::SetSerialClassDir(noPorts.path().string());

    CPortList& ports = CPortList::Instance();
    ports.Refresh();
    if (ports.ConnectByName("SOFT0") != 1)
        return Fail("SOFT0 does not connect");
    if (!CPortMonitor::Instance().Start())
        return Fail("the port monitor does not start");

    auto seq = std::make_shared<Sequence>();
    seq->reads = {
        {"ID",
         [](CHead& h, std::string& v)
         {
             CString id;
             const bool ok = h.QueryId(id);
             v = id.GetString();
             return ok && v == "ZOLKEL200VIRTUAL";
         }},
        {"initial mass",
         [](CHead& h, std::string& v)
         {
             int mass = 0;
             const bool ok = h.SetInitialMass(4) && h.QueryInitialMass(mass);
             v = std::to_string(mass);
             return ok && mass == 4;
         }},
        {"mass 28",
         [](CHead& h, std::string& v)
         {
             float value = 0;
             const bool ok = h.MeasureSingleMass(28, -1, value);
             v = std::to_string(value);
             return ok;
         }},
        {"total pressure",
         [](CHead& h, std::string& v)
         {
             float value = 0;
             const bool ok = h.MeasureTotalPressure(value);
             v = std::to_string(value);
             return ok;
         }},
    };
    CPortMonitor::Instance().Enqueue(new ReadTask(seq, "SOFT0"));
    const DWORD waited = WaitForSingleObject(seq->done, 20000);
    CPortMonitor::Instance().Stop();
    CPortMonitor::Destroy();
    ports.DisconnectByName("SOFT0");
    CPortList::Destroy();
    kel::SetSerialClassDir("");

    for (const std::string& line : seq->results)
        std::printf("%s\n", line.c_str());
    if (waited != WAIT_OBJECT_0)
        return Fail("the reads did not finish");
    if (seq->results.size() != seq->reads.size() || seq->failures)
        return Fail("a read failed");
    if (seq->lockMissing)
        return Fail("a read ran without the port's lock");
    std::printf("instrument link: OK\n");
    return 0;
}
