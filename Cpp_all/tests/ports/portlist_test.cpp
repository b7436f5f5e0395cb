// The port list against head emulators on virtual null modems: what a refresh keeps, drops and
// appends, connecting entries, descriptors that outlive their entry, and refreshes that run
// beside tasks holding a port.
#include "HeadEmulator.h"
#include "head/HeadBoxPolicy.h"
#include "head/KELDummyHead.h"
#include "ports/PortList.h"
#include "testkit/FakeClock.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/VirtualSerial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

namespace
{

using kel::testkit::HeadEmulator;
using kel::testkit::VirtualNullModem;

// A virtual port with a head (or nothing) on its far end.
struct Port
{
    explicit Port(int n, bool withHead = true) : number(n)
    {
        modem.RegisterAs(n);
        if (withHead)
            emu = std::make_unique<HeadEmulator>(modem);
        else
            modem.SetDtr(false); // nothing powered on the cable
    }
    std::string Connector() const { return "COM" + std::to_string(number); }

    int number;
    VirtualNullModem modem;
    std::unique_ptr<HeadEmulator> emu;
};

std::vector<std::string> Connectors(CPortList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCount(); ++i)
        out.push_back(list.GetAt(i)->GetConnector());
    return out;
}

bool Has(const std::vector<std::string>& v, const std::string& s)
{
    return std::find(v.begin(), v.end(), s) != v.end();
}

TEST(PortNames, OnlyComNamesWithAPortNumberCount)
{
    const char names[] = "COM3\0com10\0COM\0LPT1\0COM0\0CoM7\0\0";
    EXPECT_EQ(CPortList::ParsePortNames(names, sizeof names), (std::vector<int>{3, 10, 7}));
    EXPECT_TRUE(CPortList::ParsePortNames("\0", 1).empty());
}

TEST(InstrumentDesc, ConnectorsWithAWrongPrefixOrNumberAreRefusedWithoutTouchingAPort)
{
    kel::testkit::ScriptedPrompts prompts; // no box may come
    struct Case
    {
        int type;
        const char* connector;
    } cases[] = {{1, "LPT1"},  {1, "COM0"}, {1, "COM"},  {1, "COM10001"}, {1, "COM3x"},
                 {1, "SOFT0"}, {1, "com3"}, {2, "COM1"}, {2, "SOFT"},     {2, "SOFT-1"}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.connector);
        auto desc = CreateInstrumentDesc(c.type);
        ASSERT_TRUE(desc);
        EXPECT_EQ(desc->Connect(c.connector), 0);
        EXPECT_EQ(desc->GetConnector(), "");
        EXPECT_FALSE(desc->GetHead()->IsConnected());
    }
    EXPECT_FALSE(CreateInstrumentDesc(0));
    EXPECT_FALSE(CreateInstrumentDesc(3));
}

TEST(InstrumentDesc, SerialDescriptorConnectsTheZeroBasedPortAndGivesThePrintableId)
{
    Port com(53);
    com.emu->SetId("ZOLKEL200VER1.02\x01SN12345");
    auto desc = CreateInstrumentDesc(1);
    CHead* head = desc->GetHead();
    EXPECT_EQ(head->GetOwner(), desc.get());
    ASSERT_EQ(desc->Connect("COM53"), 1);
    EXPECT_EQ(head->GetPort(), 52);
    EXPECT_EQ(desc->GetStateText(), "connected");
    std::string id;
    EXPECT_EQ(desc->GetIdString(id), 1);
    EXPECT_EQ(id, "ZOLKEL200VER1.02SN12345");
    desc->Disconnect();
    EXPECT_EQ(desc->GetStateText(), "disconnected");
    EXPECT_FALSE(com.modem.IsOpen());
}

TEST(InstrumentDesc, AttachingAHeadDropsTheOneItMade)
{
    auto desc = CreateInstrumentDesc(2);
    ASSERT_EQ(desc->Connect("SOFT0"), 1);
    CKELDummyHead outside;
    EXPECT_EQ(desc->AttachHead(&outside), &outside);
    EXPECT_EQ(desc->GetHead(), &outside);
    EXPECT_EQ(outside.GetOwner(), desc.get());
    EXPECT_EQ(desc->CreateHead(), desc->CreateHead()) << "a second call gives the same head";
}

// With the programs' box-showing ask policy: a head the user connects asks, a probe never does.
class PortListTest : public ::testing::Test
{
protected:
    PortListTest() { CHeadBoxPolicy::Install(); }
    ~PortListTest() override { CHead::SetAskPolicy(nullptr); }

    kel::testkit::ScriptedPrompts prompts;
};

TEST_F(PortListTest, BuildListsThePortsAndSoft0ThatOnlyARefreshMakesAvailable)
{
    Port withHead(51);
    Port empty(52, false);
    CPortList list;
    const auto built = Connectors(list);
    EXPECT_TRUE(Has(built, "COM51"));
    EXPECT_TRUE(Has(built, "COM52"));
    EXPECT_EQ(built.back(), "SOFT0");
    CPortEntry* soft = list.FindByName("SOFT0");
    ASSERT_NE(soft, nullptr);
    EXPECT_EQ(soft->GetKind(), CPortEntry::KIND_SIMULATED);
    EXPECT_EQ(soft->GetInstrument(), "ZOLKEL100_DUMMY");
    EXPECT_EQ(list.FindByName("COM51")->GetStatus(), "Unknown");

    // Unknown connectors are answered, never followed.
    EXPECT_EQ(list.FindByName("COM99"), nullptr);
    EXPECT_EQ(list.FindByName("soft0"), nullptr);
    EXPECT_EQ(list.IsConnected("COM99"), 0);
    EXPECT_EQ(list.ConnectByName("COM99"), 0);
    EXPECT_EQ(list.DisconnectByName("COM99"), 1);
    list.MarkConnected(CreateInstrumentDesc(1), "COM99");
    list.MarkDisconnected("COM99");
    EXPECT_EQ(list.GetPortLock("COM99"), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);
    EXPECT_EQ(list.GetAt(list.GetCount()), nullptr);

    EXPECT_EQ(list.ConnectByName("SOFT0"), 0) << "not available before a refresh";
    // A serial entry whose descriptor type is still 0 gets no descriptor.
    CPortEntry* com51 = list.FindByName("COM51");
    com51->SetAvailable(1);
    EXPECT_EQ(com51->Connect("COM51"), 0);
    EXPECT_EQ(com51->GetStatus(), "Unknown");
    EXPECT_FALSE(com51->GetDescriptor());
}

TEST_F(PortListTest, RefreshKeepsPortsWithAHeadAndSoft0AndDropsTheRest)
{
    Port withHead(51);
    Port empty(52, false);
    withHead.emu->SetId("ZOLKEL200VER1.02SN12345\x02");
    CPortList list;
    list.Refresh();

    const auto after = Connectors(list);
    EXPECT_TRUE(Has(after, "COM51"));
    EXPECT_FALSE(Has(after, "COM52"));
    EXPECT_EQ(after.back(), "SOFT0");
    CPortEntry* com51 = list.FindByName("COM51");
    EXPECT_EQ(com51->GetName(), "KEL");
    EXPECT_EQ(com51->GetInstrument(), "ZOLKEL200VER1.02SN12345");
    EXPECT_EQ(com51->GetDescType(), 1);
    EXPECT_EQ(com51->GetStatus(), "disconnected");
    EXPECT_EQ(com51->GetAvailable(), 1);
    EXPECT_FALSE(withHead.modem.IsOpen()) << "the probe closes the port again";
    CPortEntry* soft = list.FindByName("SOFT0");
    EXPECT_EQ(soft->GetInstrument(), "ZOLKEL200VIRTUAL");
    EXPECT_EQ(soft->GetInstrumentState(), 2);
    EXPECT_EQ(list.IsSerialFree("COM51"), 1);
    EXPECT_EQ(list.IsSerialFree("SOFT0"), 0);
    std::string free;
    EXPECT_EQ(list.FindFreeSerial(free), 1);

    std::ostringstream dump;
    list.Dump(dump);
    EXPECT_NE(dump.str().find("Name= KEL Disconnected  deviceName=COM51 Available \n"), std::string::npos);

    // Connecting: the entry makes its serial descriptor; a refresh then leaves it alone.
    ASSERT_EQ(list.ConnectByName("COM51"), 1);
    EXPECT_EQ(com51->GetStatus(), "connected");
    EXPECT_EQ(list.IsSerialFree("COM51"), 0);
    EXPECT_EQ(list.ConnectByName("COM51"), 1);
    withHead.emu->ClearLog();
    list.Refresh();
    EXPECT_EQ(list.FindByName("COM51"), com51);
    EXPECT_EQ(com51->GetStatus(), "connected");
    const auto sent = withHead.emu->Commands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "ID?"), 0) << "no probe on a connected head";
    EXPECT_EQ(list.DisconnectByName("COM51"), 1);
    EXPECT_EQ(com51->GetStatus(), "disconnected");
    EXPECT_FALSE(com51->GetDescriptor());
    EXPECT_EQ(list.DisconnectByName("COM51"), 1) << "not connected: nothing to do";
}

TEST_F(PortListTest, AProbeAsksNothingWhenItsHeadStopsAnsweringAfterTheIdentification)
{
    Port com(57);
    com.emu->Silence("SP?");
    kel::testkit::TimeoutScale fast(0.02);
    CPortList list;
    list.Refresh();
    CPortEntry* entry = list.FindByName("COM57");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetInstrument(), "ZOLKEL200VER1.02SN12345");
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(PortListTest, APortThatAppearsLaterIsAppendedOnce)
{
    CPortList list;
    list.Refresh();
    Port later(54);
    list.Refresh();
    auto after = Connectors(list);
    EXPECT_EQ(after.back(), "COM54");
    HANDLE lock = list.GetPortLock("COM54");
    EXPECT_NE(lock, nullptr) << "an appended entry gets its lock at once";
    list.Refresh();
    after = Connectors(list);
    EXPECT_EQ(std::count(after.begin(), after.end(), "COM54"), 1);
    EXPECT_EQ(list.GetPortLock("COM54"), lock);
}

TEST_F(PortListTest, WithoutSimulatedEntriesAnEntryWhoseProbeFailsIsDropped)
{
    CPortList list;
    list.SetSimulatedEntries(0);
    list.Refresh();
    EXPECT_EQ(list.FindByName("SOFT0"), nullptr);
}

TEST_F(PortListTest, SoftConnectCreatesTheSimulatedHeadOnPortZero)
{
    CPortList list;
    list.Refresh();
    ASSERT_EQ(list.ConnectByName("SOFT0"), 1);
    CPortEntry* soft = list.FindByName("SOFT0");
    EXPECT_EQ(soft->GetStatus(), "connected");
    auto desc = soft->GetDescriptor();
    ASSERT_TRUE(desc);
    EXPECT_NE(dynamic_cast<CKELDummyHead*>(desc->GetHead()), nullptr);
    EXPECT_EQ(desc->GetHead()->GetPort(), 0);
    EXPECT_EQ(list.IsConnected("SOFT0"), 1);
}

TEST_F(PortListTest, AFailedConnectIsReportedAndLeavesNoDescriptor)
{
    Port com(55);
    CPortList list;
    list.Refresh();
    CPortEntry* entry = list.FindByName("COM55");
    ASSERT_NE(entry, nullptr);

    // The head is gone when the user connects: the head layer asks, the entry reports failure.
    prompts.Expect("Line is disconnected!").AnyTimes();
    com.emu->SetDsr(false);
    prompts.Expect("(DSR Low)").Reply(IDCANCEL);
    EXPECT_EQ(entry->Connect("COM55"), 0);
    EXPECT_EQ(entry->GetConnected(), 0);
    EXPECT_EQ(entry->GetStatus(), "disconnected");
    EXPECT_FALSE(entry->GetDescriptor());

    // A descriptor that is there but whose head does not connect again is no success either.
    com.emu->SetDsr(true);
    ASSERT_EQ(entry->Connect("COM55"), 1);
    com.emu->SetDsr(false);
    prompts.Expect("(DSR Low)").Reply(IDCANCEL);
    EXPECT_EQ(entry->Connect("COM55"), 0);
    EXPECT_EQ(entry->GetConnected(), 0);
    EXPECT_EQ(entry->GetStatus(), "disconnected");
}

TEST_F(PortListTest, ARemovedEntryAndItsHeadStayUsableByTheirHolder)
{
    Port com(56);
    CPortList list;
    list.Refresh();
    ASSERT_EQ(list.ConnectByName("COM56"), 1);
    list.CreatePortLocks();
    const HANDLE lock = list.GetPortLock("COM56");
    ASSERT_NE(lock, nullptr);
    // A document holds the entry and the descriptor with its head.
    std::shared_ptr<CPortEntry> held = list.HoldByName("COM56");
    std::shared_ptr<CInstrumentDesc> desc = held->GetDescriptor();
    CHead* head = desc->GetHead();

    // The head's line goes quiet while the port stays open: the refresh asks nothing, disconnects
    // the entry and drops it (the head's own status thread may report the drop).
    prompts.Expect("Line is disconnected!").AnyTimes();
    com.emu->SetDsr(false);
    list.Refresh();
    EXPECT_EQ(list.FindByName("COM56"), nullptr);
    EXPECT_EQ(held->GetConnector(), "COM56");
    EXPECT_EQ(held->GetStatus(), "Unknown");
    EXPECT_EQ(desc->GetHead(), head);
    EXPECT_FALSE(head->IsConnected());
    EXPECT_EQ(WaitForSingleObject(lock, 0), WAIT_OBJECT_0) << "the lock outlives its entry";
    ReleaseMutex(lock);

    // The head answers again: the port comes back with the lock it had.
    com.emu->SetDsr(true);
    list.Refresh();
    EXPECT_EQ(list.GetPortLock("COM56"), lock);
}

TEST_F(PortListTest, RefreshLeavesAnEntryAloneWhileATaskHoldsItsPort)
{
    CPortList list;
    list.Refresh();
    list.CreatePortLocks();
    ASSERT_EQ(list.ConnectByName("SOFT0"), 1);
    std::shared_ptr<CPortEntry> soft = list.HoldByName("SOFT0");
    auto desc = soft->GetDescriptor();
    // The head drops its line while a worker holds the port: the refresh must not take the
    // descriptor away under the worker.
    desc->GetHead()->Disconnect();
    std::atomic<int> state{0};
    std::thread worker(
        [&]
        {
            WaitForSingleObject(soft->GetPortLock(), INFINITE);
            state = 1;
            while (state != 2)
                std::this_thread::yield();
            ReleaseMutex(soft->GetPortLock());
        });
    while (state != 1)
        std::this_thread::yield();
    list.Refresh();
    EXPECT_EQ(soft->GetDescriptor(), desc);
    EXPECT_EQ(list.FindByName("SOFT0"), soft.get());
    state = 2;
    worker.join();
    // Free again: now it is examined, found unconnected and probed afresh.
    list.Refresh();
    EXPECT_FALSE(soft->GetDescriptor());
    EXPECT_EQ(list.FindByName("SOFT0"), soft.get());
}

TEST_F(PortListTest, RefreshesRunBesideTasksThatUseTheHead)
{
    CPortList list;
    list.Refresh();
    list.CreatePortLocks();
    ASSERT_EQ(list.ConnectByName("SOFT0"), 1);
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::thread worker(
        [&]
        {
            while (!stop)
            {
                HANDLE lock = list.GetPortLock("SOFT0");
                std::shared_ptr<CPortEntry> entry = list.HoldByName("SOFT0");
                if (!lock || !entry)
                    continue;
                WaitForSingleObject(lock, INFINITE);
                if (auto desc = entry->GetDescriptor())
                {
                    CString id;
                    if (desc->GetHead()->QueryId(id))
                        ++reads;
                }
                ReleaseMutex(lock);
            }
        });
    for (int i = 0; i < 50; ++i)
    {
        list.Refresh();
        ASSERT_NE(list.FindByName("SOFT0"), nullptr);
    }
    while (reads < 10)
        std::this_thread::yield();
    stop = true;
    worker.join();
    EXPECT_EQ(list.IsConnected("SOFT0"), 1);
}

} // namespace
