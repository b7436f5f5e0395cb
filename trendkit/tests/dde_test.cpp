// The DDE client: data sets fed by items of the test kit's DDE server.
#include "TrendkitFixture.h"

#include "testkit/DdeTestServer.h"
#include "testkit/ScopedEnv.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trendkit::test
{
namespace
{

using kel::testkit::DdeTestServer;

class DdeTest : public TrendkitTest
{
protected:
    void SetUp() override
    {
        TrendkitTest::SetUp();
        m_server.AddTopic("Chamber");
        m_server.SetItem("Chamber", "Pressures", "1.5 2.5 3");
        m_server.SetItem("Chamber", "Total", "7");
        ASSERT_TRUE(m_server.Start());
    }

    static std::vector<float> Current(int slot, int n)
    {
        const DynDataSetDesc* set = GetDynDataSet(slot);
        return std::vector<float>(set->current, set->current + n);
    }
    static std::vector<float> Previous(int slot, int n)
    {
        const DynDataSetDesc* set = GetDynDataSet(slot);
        return std::vector<float>(set->previous, set->previous + n);
    }
    static bool Failed(int slot)
    {
        const DynDataSetDesc* set = GetDynDataSet(slot);
        for (int i = 0; i < set->valueCount; ++i)
            if (!(set->currentAlarm[i] & 0x40))
                return false;
        return true;
    }

    kel::testkit::TempDir m_runtime;
    kel::testkit::ScopedEnv m_env{"XDG_RUNTIME_DIR", m_runtime.path().string()};
    DdeTestServer m_server{"KelData"};
};

TEST_F(DdeTest, ServerItemsFeedTheirSetsOverOneSharedConversation)
{
    const int three = DefineSet(3), one = DefineSet(1);
    WRConnectDDE(three, nullptr, "KelData", "Chamber", "Pressures", 1);
    WRConnectDDE(one, nullptr, "kELdATA", "chamber", "Total", 1);
    EXPECT_EQ(Current(three, 3), (std::vector<float>{1.5f, 2.5f, 3}));
    EXPECT_EQ(Current(one, 1), (std::vector<float>{7}));
    EXPECT_EQ(DdeConversationUses(0), 2);
    EXPECT_EQ(DdeConversationUses(1), -1);
    EXPECT_EQ(m_server.Connections(), 1);
    EXPECT_FALSE(Failed(three));

    // Each advise moves the values along; the host's own values no longer count.
    m_server.SetItem("Chamber", "Pressures", "4;5, -6e1");
    ASSERT_TRUE(PumpUntil([&] { return Current(three, 1)[0] == 4; }));
    EXPECT_EQ(Current(three, 3), (std::vector<float>{4, 5, -60}));
    EXPECT_EQ(Previous(three, 3), (std::vector<float>{1.5f, 2.5f, 3}));
    const float host[3] = {9, 9, 9};
    WRUpdateData(three, host, nullptr);
    EXPECT_EQ(Current(three, 3), (std::vector<float>{4, 5, -60}));

    // An item that gave one value keeps updating value 0 only.
    m_server.SetItem("Chamber", "Total", "8 9");
    ASSERT_TRUE(PumpUntil([&] { return Current(one, 1)[0] == 8; }));
    EXPECT_EQ(GetDynDataSet(one)->current[1], 0);
    EXPECT_EQ(Previous(one, 1), (std::vector<float>{7}));

    // Freeing a set drops its item and one use; the last use ends the conversation.
    EXPECT_EQ(WRFreeDynDataSet(three), 1);
    EXPECT_EQ(DdeConversationUses(0), 1);
    EXPECT_TRUE(m_server.WaitFor([&] { return m_server.Advises("Chamber", "Pressures") == 0; }));
    m_server.SetItem("Chamber", "Pressures", "1 1 1"); // nobody listens
    EXPECT_EQ(WRFreeDynDataSet(one), 1);
    EXPECT_EQ(DdeConversationUses(0), -1);
    EXPECT_TRUE(m_server.WaitFor([&] { return m_server.Connections() == 0; }));
    Pump(20);
}

TEST_F(DdeTest, AServerThatGoesAwayFailsEverySetAtOnceAndALaterConnectRecovers)
{
    WRSetAlarmProc(RecordAlarm);
    const int a = DefineSet(2), b = DefineSet(1);
    WREnableAlarmCheck(a, 1);
    WREnableAlarmCheck(b, 1);
    WRConnectDDE(a, nullptr, "KelData", "Chamber", "Pressures", 1);
    WRConnectDDE(b, nullptr, "KelData", "Chamber", "Total", 1);
    EXPECT_STREQ(GetDynDataSet(a)->alarms[RT_ALARM_FAIL - 1].message, "FAIL");
    AlarmCalls().clear();

    m_server.Stop();
    ASSERT_TRUE(PumpUntil([] { return !AlarmCalls().empty(); }));
    EXPECT_EQ(AlarmCalls(), (std::vector<AlarmCall>{{a, 0, RT_ALARM_FAIL, 1.5f, 1},
                                                    {a, 1, RT_ALARM_FAIL, 2.5f, 1},
                                                    {b, 0, RT_ALARM_FAIL, 7, 1}}));
    // The whole conversation is gone, not just one of its two uses.
    EXPECT_EQ(DdeConversationUses(0), -1);

    ASSERT_TRUE(m_server.Start());
    m_server.SetItem("Chamber", "Pressures", "10 20");
    AlarmCalls().clear();
    WRConnectDDE(a, nullptr, "KelData", "Chamber", "Pressures", 1);
    EXPECT_FALSE(Failed(a));
    EXPECT_EQ(Current(a, 2), (std::vector<float>{10, 20}));
    EXPECT_EQ(AlarmCalls(),
              (std::vector<AlarmCall>{{a, 0, RT_ALARM_FAIL, 10, 0}, {a, 1, RT_ALARM_FAIL, 20, 0}}));
    EXPECT_TRUE(Failed(b)) << "b has not reconnected";
    EXPECT_EQ(DdeConversationUses(0), 1);
}

TEST_F(DdeTest, LinksThatCannotBeMadeReportAndLeaveTheSetToTheHost)
{
    const int slot = DefineSet(1);
    struct Case
    {
        const char* what;
        const char* service;
        const char* topic;
        const char* item;
        const char* text;
    };
    const Case cases[] = {
        {"no server", "NoServer", "Chamber", "Total", "No conversation established with NoServer"},
        {"topic refused", "KelData", "Attic", "Total", "No conversation established with KelData"},
        {"no such item", "KelData", "Chamber", "Missing", "Not processed"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("DDE Error").Reply(IDYES);
        WRConnectDDE(slot, nullptr, c.service, c.topic, c.item, 1);
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].text, std::string(c.text) + "\nWould you like to continue ?");
        EXPECT_TRUE(Failed(slot));
        EXPECT_EQ(GetDynDataSet(slot)->ddeLink, nullptr) << "no link without the server's yes";
        EXPECT_EQ(DdeConversationUses(0), -1) << "the failed item's use was dropped";
        GetDynDataSet(slot)->currentAlarm[0] = 0;
    }
    EXPECT_TRUE(m_server.WaitFor([&] { return m_server.Connections() == 0; }));
    const float host = 3;
    WRUpdateData(slot, &host, nullptr);
    EXPECT_EQ(Current(slot, 1), (std::vector<float>{3}));

    // A server that will not advise still gives the item once; the link stands.
    m_server.RefuseAdvise(true);
    WRConnectDDE(slot, nullptr, "KelData", "Chamber", "Total", 0);
    EXPECT_NE(GetDynDataSet(slot)->ddeLink, nullptr);
    EXPECT_EQ(Current(slot, 1), (std::vector<float>{7}));
    EXPECT_EQ(DdeConversationUses(0), 1);
}

TEST_F(DdeTest, TablesOfConversationsAndItemsHaveTheirLimits)
{
    for (int t = 1; t <= 6; ++t)
    {
        m_server.AddTopic("T" + std::to_string(t));
        m_server.SetItem("T" + std::to_string(t), "V", "1");
    }
    for (int t = 1; t <= 5; ++t)
        WRConnectDDE(DefineSet(1), nullptr, "KelData", ("T" + std::to_string(t)).c_str(), "V", 0);
    const int sixth = DefineSet(1);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Too many conversations").Reply(IDYES);
        WRConnectDDE(sixth, nullptr, "KelData", "T6", "V", 0);
    }
    EXPECT_TRUE(Failed(sixth));

    // 16 items on one conversation; the 17th is refused and leaves the set's values alone.
    for (int i = 0; i < 15; ++i)
        WRConnectDDE(DefineSet(1), nullptr, "KelData", "T1", "V", 0);
    EXPECT_EQ(DdeConversationUses(0), 16);
    const int extra = DefineSet(1);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Too many items").Reply(IDYES);
        WRConnectDDE(extra, nullptr, "KelData", "T1", "V", 0);
    }
    EXPECT_FALSE(Failed(extra));
    EXPECT_EQ(DdeConversationUses(0), 16);
}

TEST_F(DdeTest, BadDataFromTheServerIsReadSafely)
{
    const int slot = DefineSet(4);
    WRConnectDDE(slot, nullptr, "KelData", "Chamber", "Pressures", 1);
    ASSERT_EQ(Current(slot, 3), (std::vector<float>{1.5f, 2.5f, 3}));

    // No number at all: the values stand.
    m_server.SetItem("Chamber", "Pressures", "n/a");
    m_server.SetItem("Chamber", "Pressures", "5 6 7 8");
    ASSERT_TRUE(PumpUntil([&] { return Current(slot, 1)[0] == 5; }));
    EXPECT_EQ(Previous(slot, 3), (std::vector<float>{1.5f, 2.5f, 3}))
        << "the text without numbers changed nothing";

    // Far more than the buffer, without a terminator: read up to the buffer's end, 32 values at most.
    std::vector<uint8_t> flood;
    while (flood.size() < 3000)
        for (char ch : std::string("2 "))
            flood.push_back(static_cast<uint8_t>(ch));
    m_server.SetItemBytes("Chamber", "Pressures", flood);
    ASSERT_TRUE(PumpUntil([&] { return Current(slot, 1)[0] == 2; }));
    EXPECT_EQ(Current(slot, 4), (std::vector<float>{2, 2, 2, 2}));
    EXPECT_FALSE(Failed(slot));

    // A frame that breaks the protocol ends the conversation like a server that left.
    m_server.SendRaw({0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_TRUE(PumpUntil([&] { return Failed(slot); }));
    EXPECT_EQ(DdeConversationUses(0), -1);
}

TEST_F(DdeTest, ACommandLineStartsTheServerNamedAfterItsProgram)
{
    const int slot = DefineSet(1);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("DDE Error").Reply(IDYES);
        WRConnectDDE(slot, "kel-no-such-program -x", nullptr, "Chamber", "V", 1);
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].text,
                  "No conversation established with kel-no-such-program -x\nWould you like to continue ?");
    }
    WRConnectDDE(slot, KEL_DDE_DEMO_SERVER, nullptr, "Chamber", "V", 1);
    EXPECT_EQ(Current(slot, 1), (std::vector<float>{42}));
    EXPECT_FALSE(Failed(slot));
    EXPECT_EQ(DdeConversationUses(0), 1);
}

} // namespace
} // namespace trendkit::test
