// The binding registry: status texts of connected and unconnected entries, rebinding, removal of
// equal pairs, entries kept alive while bound, and readers on another thread.
#include "testkit/NoRealPorts.h"
#include "ports/PortBindingRegistry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{

class FakeDocument : public IPortDocument
{
public:
    BOOL IsScanning() override { return scanning.load(); }
    std::string GetTitle() override { return "doc"; }
    BOOL WarnIfScanRunning() override { return scanning.load(); }
    void RefreshHead() override {}
    void SetHead(std::shared_ptr<CInstrumentDesc>) override {}
    void ShowHeadInfo() override {}

    std::atomic<int> scanning{0};
};

class PortBindingTest : public ::testing::Test
{
protected:
    PortBindingTest()
    {
        soft = ports.HoldByName("SOFT0");
        soft->SetAvailable(1);
    }

    CPortList ports;
    std::shared_ptr<CPortEntry> soft;
    CPortBindingRegistry registry;
    FakeDocument doc;
};

TEST_F(PortBindingTest, StatusTextFollowsConnectionBindingAndScan)
{
    EXPECT_EQ(registry.GetStatusText(nullptr), "None");
    registry.Add(soft.get(), &doc);
    EXPECT_EQ(registry.GetStatusText(soft.get()), "None") << "bound but not connected";
    doc.scanning = 1;
    EXPECT_EQ(registry.GetStatusText(soft.get()), "None");
    EXPECT_FALSE(registry.IsRunning(soft.get()));

    ASSERT_EQ(soft->Connect("SOFT0"), 1);
    EXPECT_EQ(registry.GetStatusText(soft.get()), "Running");
    EXPECT_TRUE(registry.IsRunning(soft.get()));
    doc.scanning = 0;
    EXPECT_EQ(registry.GetStatusText(soft.get()), "Idle");
    EXPECT_FALSE(registry.IsRunning(soft.get()));
    ASSERT_TRUE(registry.SetDocument(soft.get(), nullptr));
    EXPECT_EQ(registry.GetStatusText(soft.get()), "None") << "connected, no document";
    EXPECT_TRUE(registry.Contains(soft.get()));
}

TEST_F(PortBindingTest, SetDocumentOnAnUnregisteredEntryAddsNothing)
{
    EXPECT_FALSE(registry.SetDocument(soft.get(), &doc));
    EXPECT_FALSE(registry.Contains(soft.get()));
    EXPECT_EQ(registry.FindEntry(&doc), nullptr);
    EXPECT_EQ(registry.Lookup(soft.get()), nullptr);
}

TEST_F(PortBindingTest, RemovalTakesEveryPairEqualToTheFirstMatch)
{
    FakeDocument other;
    CPortEntry* e1 = soft.get();
    CPortEntry second;
    registry.Add(e1, &doc);
    registry.Add(&second, &doc);
    registry.Add(e1, &doc);
    registry.Add(e1, &other);

    ASSERT_TRUE(registry.RemoveEntry(e1));
    EXPECT_EQ(registry.Lookup(e1), &other) << "a pair with another document stays";
    EXPECT_EQ(registry.FindEntry(&doc), &second);
    ASSERT_TRUE(registry.RemoveDocument(&doc));
    EXPECT_FALSE(registry.Contains(&second));
    EXPECT_FALSE(registry.RemoveDocument(&doc));
    EXPECT_FALSE(registry.RemoveEntry(&second));
    EXPECT_EQ(registry.FindEntry(&other), e1);
}

TEST_F(PortBindingTest, ABoundEntryOutlivesItsList)
{
    auto list = std::make_unique<CPortList>();
    CPortEntry* entry = list->FindByName("SOFT0");
    registry.Add(entry, &doc);
    list.reset();
    EXPECT_EQ(registry.Lookup(entry), &doc);
    EXPECT_EQ(registry.GetStatusText(entry), "None");
    EXPECT_EQ(entry->GetConnector(), "SOFT0");
}

TEST_F(PortBindingTest, ReadersOnAnotherThreadSeeWholeAnswers)
{
    ASSERT_EQ(soft->Connect("SOFT0"), 1);
    doc.scanning = 1;
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::thread idle(
        [&]
        {
            while (!stop)
            {
                const std::string text = registry.GetStatusText(soft.get());
                if (text != "None" && text != "Running")
                    ++bad;
                registry.IsRunning(soft.get());
            }
        });
    FakeDocument other;
    for (int i = 0; i < 2000; ++i)
    {
        registry.Add(soft.get(), &doc);
        registry.Add(nullptr, &other);
        registry.SetDocument(soft.get(), i % 2 ? &doc : nullptr);
        registry.RemoveDocument(&other);
        registry.RemoveEntry(soft.get());
    }
    stop = true;
    idle.join();
    EXPECT_EQ(bad, 0);
}

} // namespace
