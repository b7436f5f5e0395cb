// Connecting and disconnecting entries for documents as the connector list does: rows, a single
// instrument per document, running scans refusing, failed connects leaving the entry unbound.
#include "testkit/NoRealPorts.h"
#include "head/HeadBoxPolicy.h"
#include "ports/ConnectorBinding.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/VirtualSerial.h"

#include <gtest/gtest.h>

namespace
{

class RecordingDocument : public IPortDocument
{
public:
    explicit RecordingDocument(std::string t) : title(std::move(t)) {}
    BOOL IsScanning() override { return scanning; }
    std::string GetTitle() override { return title; }
    BOOL WarnIfScanRunning() override
    {
        warnings += scanning;
        return scanning;
    }
    void RefreshHead() override { ++refreshes; }
    void SetHead(std::shared_ptr<CInstrumentDesc> desc) override { head = std::move(desc); }
    void ShowHeadInfo() override {}

    std::string title;
    int scanning = 0;
    int warnings = 0;
    int refreshes = 0;
    std::shared_ptr<CInstrumentDesc> head;
};

class ConnectorBindingTest : public ::testing::Test
{
protected:
    ConnectorBindingTest()
    {
        modem.RegisterAs(75);
        modem.SetDtr(false); // no head on the cable
        ports = std::make_unique<CPortList>();
        ports->Refresh(); // COM75 has no head and drops out; SOFT0 becomes available
        soft = ports->HoldByName("SOFT0");
        CHeadBoxPolicy::Install(); // as the program: a connect the user asked for asks
    }
    ~ConnectorBindingTest() override { CHead::SetAskPolicy(nullptr); }

    kel::testkit::ScriptedPrompts prompts;
    kel::testkit::VirtualNullModem modem;
    std::unique_ptr<CPortList> ports;
    std::shared_ptr<CPortEntry> soft;
    CPortBindingRegistry registry;
    RecordingDocument docA{"Spectrum1"};
    RecordingDocument docB{"Spectrum2"};
};

TEST_F(ConnectorBindingTest, ConnectBindsAndDisconnectUnbinds)
{
    ASSERT_NE(soft, nullptr);
    EXPECT_EQ(ports->FindByName("COM75"), nullptr);
    ConnectorRow row = DescribeConnector(*soft, registry);
    EXPECT_EQ(row.connector, "SOFT0");
    EXPECT_EQ(row.instrument, "KEL");
    EXPECT_EQ(row.id, "ZOLKEL200VIRTUAL");
    EXPECT_EQ(row.activity, "None");
    EXPECT_EQ(row.bindTo, "");
    EXPECT_EQ(row.image, 1);

    ASSERT_EQ(ToggleConnector(*soft, &docA, *ports, registry), ToggleResult::Connected);
    row = DescribeConnector(*soft, registry);
    EXPECT_EQ(row.status, "connected");
    EXPECT_EQ(row.activity, "Idle");
    EXPECT_EQ(row.bindTo, "Spectrum1");
    EXPECT_EQ(row.image, 0);
    EXPECT_EQ(docA.head, soft->GetDescriptor());
    docA.scanning = 1;
    EXPECT_EQ(DescribeConnector(*soft, registry).activity, "Running");
    docA.scanning = 0;

    // Another document's dialog disconnects it: the bound document lets go of its head.
    ASSERT_EQ(ToggleConnector(*soft, &docB, *ports, registry), ToggleResult::Disconnected);
    EXPECT_EQ(docA.refreshes, 1);
    row = DescribeConnector(*soft, registry);
    EXPECT_EQ(row.status, "disconnected");
    EXPECT_EQ(row.bindTo, "");
    EXPECT_EQ(row.activity, "None");
    EXPECT_TRUE(registry.Contains(soft.get()));
}

TEST_F(ConnectorBindingTest, ARunningScanBlocksToggle)
{
    ASSERT_EQ(ToggleConnector(*soft, &docA, *ports, registry), ToggleResult::Connected);
    docA.scanning = 1;
    EXPECT_EQ(ToggleConnector(*soft, &docB, *ports, registry), ToggleResult::Refused);
    EXPECT_EQ(docA.warnings, 1);
    EXPECT_EQ(soft->GetConnected(), 1);
    EXPECT_EQ(registry.Lookup(soft.get()), &docA);

    // A running document cannot take an instrument either.
    ASSERT_EQ(ToggleConnector(*soft, nullptr, *ports, registry), ToggleResult::Refused);
    docA.scanning = 0;
    ASSERT_EQ(ToggleConnector(*soft, nullptr, *ports, registry), ToggleResult::Disconnected);
    docB.scanning = 1;
    EXPECT_EQ(ToggleConnector(*soft, &docB, *ports, registry), ToggleResult::Refused);
    EXPECT_EQ(soft->GetConnected(), 0);
}

TEST_F(ConnectorBindingTest, ADocumentKeepsASingleInstrument)
{
    // A serial entry connected for docA (made by hand: no head on this line).
    CPortList withCom;
    std::shared_ptr<CPortEntry> com = withCom.HoldByName("COM75");
    ASSERT_NE(com, nullptr);
    withCom.MarkConnected(CreateInstrumentDesc(2), "COM75");
    registry.Add(com.get(), &docA);
    std::shared_ptr<CPortEntry> soft2 = withCom.HoldByName("SOFT0");
    soft2->SetAvailable(1);

    ASSERT_EQ(ToggleConnector(*soft2, &docA, withCom, registry), ToggleResult::Connected);
    EXPECT_EQ(com->GetConnected(), 0);
    EXPECT_EQ(DescribeConnector(*com, registry).bindTo, "");
    EXPECT_EQ(DescribeConnector(*soft2, registry).bindTo, "Spectrum1");
    EXPECT_EQ(docA.refreshes, 1);
    EXPECT_EQ(registry.FindEntry(&docA), soft2.get());
}

TEST_F(ConnectorBindingTest, NoInstrumentOrAFailedConnectLeavesTheEntryUnbound)
{
    CPortList withCom;
    std::shared_ptr<CPortEntry> com = withCom.HoldByName("COM75");
    ASSERT_NE(com, nullptr);
    com->SetAvailable(1);
    EXPECT_EQ(ToggleConnector(*com, &docA, withCom, registry), ToggleResult::Refused) << "instrument state 0";
    EXPECT_FALSE(registry.Contains(com.get()));

    // A head was found once, but it does not answer now.
    com->SetDescType(1);
    prompts.Expect("(DSR Low)").Reply(IDCANCEL);
    EXPECT_EQ(ToggleConnector(*com, &docA, withCom, registry), ToggleResult::ConnectFailed);
    EXPECT_EQ(registry.Lookup(com.get()), nullptr);
    EXPECT_EQ(com->GetStatus(), "disconnected");
    EXPECT_EQ(docA.head, nullptr);
}

TEST_F(ConnectorBindingTest, ADocumentWithoutABoundEntryLetsGoOfItsHead)
{
    ASSERT_EQ(ToggleConnector(*soft, &docA, *ports, registry), ToggleResult::Connected);
    EXPECT_FALSE(ReleaseUnboundDocument(&docA, *ports, registry));
    EXPECT_EQ(docA.refreshes, 0);
    // The list forgets the entry (as a refresh that dropped it would).
    ports = std::make_unique<CPortList>();
    EXPECT_TRUE(ReleaseUnboundDocument(&docA, *ports, registry));
    EXPECT_EQ(docA.refreshes, 1);
    EXPECT_EQ(registry.FindEntry(&docA), nullptr);
    // The dropped entry's descriptor is still the document's to use.
    EXPECT_NE(docA.head->GetHead(), nullptr);
}

} // namespace
