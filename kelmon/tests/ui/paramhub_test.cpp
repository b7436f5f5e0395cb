// The parameter-message hub: delivery order, no double registration, removal, and handlers that
// change the registrations while a message is delivered.
#include "dialogs/ParamMessage.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> g_log;

class RecordingSink : public CParamMessageSink
{
public:
    explicit RecordingSink(std::string name) : m_name(std::move(name)) {}
    void OnParamMessage(CParamMessage* pMessage) override
    {
        const int32_t* w = pMessage->GetData();
        g_log.push_back(m_name + ":" + (w ? std::to_string(w[0]) : "-"));
        if (m_onMessage)
            m_onMessage();
    }
    std::string m_name;
    std::function<void()> m_onMessage;
};

class ParamHubTest : public ::testing::Test
{
protected:
    void SetUp() override { g_log.clear(); }
    void TearDown() override { CParamMessageHub::Destroy(); }
    CParamMessageHub& Hub() { return *CParamMessageHub::Instance(); }
};

TEST_F(ParamHubTest, NotifyReachesTheSinksOfThatMessageInRegistrationOrder)
{
    const int32_t a[4] = {7, 1, 0, 0};
    const int32_t b[4] = {9, 1, 0, 0};
    CScanMessage first(a), second(b);
    RecordingSink s1("s1"), s2("s2"), s3("s3");
    EXPECT_TRUE(Hub().Register(&first, &s2));
    EXPECT_TRUE(Hub().Register(&first, &s1));
    EXPECT_TRUE(Hub().Register(&second, &s3));
    Hub().Notify(&first);
    EXPECT_EQ(g_log, (std::vector<std::string>{"s2:7", "s1:7"}));

    CParamMessage empty;
    Hub().Notify(&empty); // nobody registered: nothing happens
    EXPECT_EQ(g_log.size(), 2u);
}

TEST_F(ParamHubTest, ARepeatedPairIsRegisteredOnce)
{
    CParamMessage msg;
    RecordingSink sink("s");
    EXPECT_TRUE(Hub().Register(&msg, &sink));
    EXPECT_FALSE(Hub().Register(&msg, &sink));
    EXPECT_FALSE(Hub().Register(&msg, nullptr));
    EXPECT_FALSE(Hub().Register(nullptr, &sink));
    EXPECT_EQ(Hub().GetSinkCount(&msg), 1);
    Hub().Notify(&msg);
    EXPECT_EQ(g_log, (std::vector<std::string>{"s:-"}));
}

TEST_F(ParamHubTest, RemovalDropsEveryPairNamingTheMessageOrTheSink)
{
    CParamMessage m1, m2;
    RecordingSink s1("s1"), s2("s2");
    Hub().Register(&m1, &s1);
    Hub().Register(&m1, &s2);
    Hub().Register(&m2, &s1);
    EXPECT_TRUE(Hub().Unregister(&m1, &s2));
    EXPECT_FALSE(Hub().Unregister(&m1, &s2));
    Hub().RemoveAll(nullptr, &s1);
    EXPECT_EQ(Hub().GetSinkCount(&m1), 0);
    EXPECT_EQ(Hub().GetSinkCount(&m2), 0);

    Hub().Register(&m1, &s1);
    Hub().Register(&m2, &s2);
    Hub().RemoveAll(&m1, nullptr);
    EXPECT_FALSE(Hub().IsRegistered(&m1, &s1));
    EXPECT_TRUE(Hub().IsRegistered(&m2, &s2));
}

TEST_F(ParamHubTest, ASinkRemovedByAnEarlierHandlerIsNotCalled)
{
    CParamMessage msg;
    RecordingSink s1("s1"), s2("s2"), s3("s3");
    Hub().Register(&msg, &s1);
    Hub().Register(&msg, &s2);
    s1.m_onMessage = [&]
    {
        Hub().RemoveAll(nullptr, &s2);
        Hub().Register(&msg, &s3); // joins for the next message only
    };
    Hub().Notify(&msg);
    EXPECT_EQ(g_log, (std::vector<std::string>{"s1:-"}));
    g_log.clear();
    s1.m_onMessage = nullptr;
    Hub().Notify(&msg);
    EXPECT_EQ(g_log, (std::vector<std::string>{"s1:-", "s3:-"}));
}

TEST_F(ParamHubTest, PeekNeverCreatesAndDestroyForgets)
{
    CParamMessageHub::Destroy();
    EXPECT_EQ(CParamMessageHub::Peek(), nullptr);
    CParamMessageHub* hub = CParamMessageHub::Instance();
    EXPECT_EQ(CParamMessageHub::Peek(), hub);
    EXPECT_EQ(CParamMessageHub::Instance(), hub);
}

} // namespace
