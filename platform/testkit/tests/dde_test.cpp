// DDE client calls against the test kit's server, and the transport's frame reader.
#include "testkit/DdeTestServer.h"
#include "testkit/FakeClock.h"
#include "testkit/ScopedEnv.h"
#include "testkit/TempDir.h"

#include "win32/dde.h"
#include "win32/ddewire.h"
#include "win32/uidriver.h"
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using kel::dde::DdeFrame;
using kel::dde::DdeFrameKind;
using kel::dde::DdeFrameReader;
using kel::testkit::DdeTestServer;

struct Seen
{
    UINT type;
    HCONV conv;
    std::string item;
    std::string data;
    bool hadData;
    DWORD thread;
};
std::vector<Seen> g_seen;
DWORD g_inst = 0;

HDDEDATA CALLBACK Record(UINT type, UINT, HCONV conv, HSZ, HSZ item, HDDEDATA data, ULONG_PTR, ULONG_PTR)
{
    Seen s{type, conv, {}, {}, data != nullptr, GetCurrentThreadId()};
    char name[64] = "";
    DdeQueryString(g_inst, item, name, sizeof name, CP_WINANSI);
    s.item = name;
    if (data)
    {
        DWORD size = 0;
        const BYTE* bytes = DdeAccessData(data, &size);
        s.data.assign(reinterpret_cast<const char*>(bytes), size);
        DdeUnaccessData(data);
    }
    g_seen.push_back(s);
    return reinterpret_cast<HDDEDATA>(static_cast<uintptr_t>(DDE_FACK));
}

class Dde : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kel::ui::Initialize());
        g_seen.clear();
        g_inst = 0;
        ASSERT_EQ(DdeInitialize(&g_inst, Record, APPCMD_CLIENTONLY, 0), static_cast<UINT>(DMLERR_NO_ERROR));
        m_server.AddTopic("Values");
        m_server.SetItem("Values", "Pressure", "1.5e-6");
        ASSERT_TRUE(m_server.Start());
    }
    void TearDown() override
    {
        DdeUninitialize(g_inst);
        m_server.Stop();
        kel::ui::Shutdown();
    }

    HSZ Str(const char* text) { return DdeCreateStringHandle(g_inst, text, CP_WINANSI); }
    HCONV Connect(const char* service = "KelDdeTest", const char* topic = "Values")
    {
        HSZ s = Str(service), t = Str(topic);
        HCONV conv = DdeConnect(g_inst, s, t, nullptr);
        DdeFreeStringHandle(g_inst, s);
        DdeFreeStringHandle(g_inst, t);
        return conv;
    }
    // Dispatches this thread's messages until `count` callbacks were seen, within a real-time bound.
    static bool PumpUntil(size_t count, int boundMs = 5000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
        MSG msg;
        while (g_seen.size() < count && std::chrono::steady_clock::now() < end)
        {
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessage(&msg);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return g_seen.size() >= count;
    }
    static std::string Text(HDDEDATA data)
    {
        char buffer[64] = "";
        DdeGetData(data, reinterpret_cast<LPBYTE>(buffer), sizeof buffer - 1, 0);
        return buffer;
    }

    kel::testkit::TempDir m_runtime;
    kel::testkit::ScopedEnv m_env{"XDG_RUNTIME_DIR", m_runtime.path().string()};
    DdeTestServer m_server{"KelDdeTest"};
};

TEST_F(Dde, StringHandlesAreOnePerTextWithoutRegardToCase)
{
    HSZ a = Str("Pressure"), b = Str("PRESSURE"), c = Str("Flow");
    EXPECT_EQ(DdeCmpStringHandles(a, b), 0);
    EXPECT_NE(DdeCmpStringHandles(a, c), 0);
    char text[5];
    EXPECT_EQ(DdeQueryString(g_inst, a, nullptr, 0, CP_WINANSI), 8u);
    EXPECT_EQ(DdeQueryString(g_inst, a, text, sizeof text, CP_WINANSI), 4u);
    EXPECT_STREQ(text, "Pres");
    // Two uses: the handle lives until both are freed.
    EXPECT_TRUE(DdeFreeStringHandle(g_inst, a));
    EXPECT_EQ(DdeQueryString(g_inst, b, nullptr, 0, CP_WINANSI), 8u);
    EXPECT_TRUE(DdeFreeStringHandle(g_inst, b));
    EXPECT_EQ(DdeQueryString(g_inst, b, nullptr, 0, CP_WINANSI), 0u);
    EXPECT_FALSE(DdeFreeStringHandle(g_inst, b));
    DdeFreeStringHandle(g_inst, c);
}

TEST_F(Dde, RequestPokeAndAdviseCarryValuesBothWays)
{
    HCONV conv = Connect();
    ASSERT_NE(conv, nullptr);
    HSZ item = Str("pressure");

    HDDEDATA data = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 3000, nullptr);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(DdeGetData(data, nullptr, 0, 0), 7u) << "the text with its terminator";
    EXPECT_EQ(Text(data), "1.5e-6");
    EXPECT_TRUE(DdeFreeDataHandle(data));
    EXPECT_FALSE(DdeFreeDataHandle(data));

    // Poke, from bytes and from a data handle.
    BYTE poked[] = "42";
    EXPECT_NE(DdeClientTransaction(poked, sizeof poked, conv, item, CF_TEXT, XTYP_POKE, 3000, nullptr),
              nullptr);
    EXPECT_EQ(m_server.ItemText("Values", "Pressure"), "42");
    HDDEDATA handle = DdeCreateDataHandle(g_inst, reinterpret_cast<LPBYTE>(const_cast<char*>("7.25")), 5, 0,
                                          item, CF_TEXT, 0);
    EXPECT_NE(DdeClientTransaction(reinterpret_cast<LPBYTE>(handle), static_cast<DWORD>(-1), conv, item,
                                   CF_TEXT, XTYP_POKE, 3000, nullptr),
              nullptr);
    EXPECT_EQ(m_server.ItemText("Values", "Pressure"), "7.25");
    EXPECT_FALSE(DdeFreeDataHandle(handle)) << "a poked handle that the caller did not keep is gone";

    // Advise: each change arrives through the message loop, on this thread.
    DWORD result = 0;
    EXPECT_NE(DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_ADVSTART, 3000, &result), nullptr);
    EXPECT_EQ(result, static_cast<DWORD>(DDE_FACK));
    EXPECT_EQ(m_server.Advises("Values", "Pressure"), 1);
    m_server.SetItem("Values", "Pressure", "3 4");
    EXPECT_TRUE(g_seen.empty()) << "nothing is delivered outside the message loop";
    ASSERT_TRUE(PumpUntil(1));
    EXPECT_EQ(g_seen[0].type, static_cast<UINT>(XTYP_ADVDATA));
    EXPECT_EQ(g_seen[0].conv, conv);
    EXPECT_EQ(g_seen[0].item, "pressure");
    EXPECT_EQ(g_seen[0].data, std::string("3 4", 4));
    EXPECT_EQ(g_seen[0].thread, GetCurrentThreadId());

    EXPECT_NE(DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_ADVSTOP, 3000, nullptr), nullptr);
    EXPECT_EQ(m_server.Advises("Values", "Pressure"), 0);
    DdeFreeStringHandle(g_inst, item);
    EXPECT_TRUE(DdeDisconnect(conv));
    EXPECT_FALSE(DdeDisconnect(conv));
}

TEST_F(Dde, RefusalsAndMissingServersGiveTheirErrors)
{
    EXPECT_EQ(Connect("NoSuchService"), nullptr);
    EXPECT_EQ(DdeGetLastError(g_inst), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));
    EXPECT_EQ(DdeGetLastError(g_inst), static_cast<UINT>(DMLERR_NO_ERROR)) << "reading the error clears it";
    EXPECT_EQ(Connect("KelDdeTest", "Unknown"), nullptr);
    EXPECT_EQ(DdeGetLastError(g_inst), static_cast<UINT>(DMLERR_NO_CONV_ESTABLISHED));

    HCONV conv = Connect("KELDDETEST"); // service names ignore case
    ASSERT_NE(conv, nullptr);
    HSZ missing = Str("Missing");
    EXPECT_EQ(DdeClientTransaction(nullptr, 0, conv, missing, CF_TEXT, XTYP_REQUEST, 3000, nullptr), nullptr);
    EXPECT_EQ(DdeGetLastError(g_inst), static_cast<UINT>(DMLERR_NOTPROCESSED));
    m_server.RefuseAdvise(true);
    EXPECT_EQ(DdeClientTransaction(nullptr, 0, conv, missing, CF_TEXT, XTYP_ADVSTART, 3000, nullptr),
              nullptr);
    EXPECT_EQ(DdeGetLastError(g_inst), static_cast<UINT>(DMLERR_NOTPROCESSED));
    EXPECT_EQ(DdeClientTransaction(nullptr, 0, conv, missing, CF_TEXT, XTYP_EXECUTE, 3000, nullptr), nullptr);
    EXPECT_EQ(DdeGetLastError(g_inst), static_cast<UINT>(DMLERR_INVALIDPARAMETER));
    DdeFreeStringHandle(g_inst, missing);

    CONVINFO info{};
    info.cb = sizeof info;
    EXPECT_EQ(DdeQueryConvInfo(conv, 1, &info), 0u);
    EXPECT_TRUE(DdeSetUserHandle(conv, QID_SYNC, 77));
    ASSERT_EQ(DdeQueryConvInfo(conv, QID_SYNC, &info), sizeof info);
    EXPECT_EQ(info.hUser, 77u);
    EXPECT_TRUE(info.wStatus & ST_CONNECTED);
}

TEST_F(Dde, AServerThatGoesAwayEndsTheConversationAndCanComeBack)
{
    HCONV conv = Connect();
    ASSERT_NE(conv, nullptr);
    ASSERT_TRUE(m_server.WaitFor([&] { return m_server.Connections() == 1; }));
    m_server.Stop();
    ASSERT_TRUE(PumpUntil(1));
    EXPECT_EQ(g_seen[0].type, static_cast<UINT>(XTYP_DISCONNECT));
    EXPECT_EQ(g_seen[0].conv, conv);
    CONVINFO info{};
    info.cb = sizeof info;
    EXPECT_EQ(DdeQueryConvInfo(conv, QID_SYNC, &info), 0u) << "freed after its disconnect callback";
    EXPECT_EQ(Connect(), nullptr);

    ASSERT_TRUE(m_server.Start());
    HCONV again = Connect();
    ASSERT_NE(again, nullptr);
    HSZ item = Str("Pressure");
    HDDEDATA data = DdeClientTransaction(nullptr, 0, again, item, CF_TEXT, XTYP_REQUEST, 3000, nullptr);
    EXPECT_EQ(Text(data), "1.5e-6");
    DdeFreeDataHandle(data);
    DdeFreeStringHandle(g_inst, item);

    // Our own disconnect calls no callback.
    EXPECT_TRUE(DdeDisconnect(again));
    ASSERT_TRUE(m_server.WaitFor([&] { return m_server.Connections() == 0; }));
    EXPECT_FALSE(PumpUntil(2, 200));
}

TEST_F(Dde, ASilentServerTimesOutOnTheLayerClockAndItsLateReplyIsDropped)
{
    kel::testkit::FakeClock clock;
    HCONV conv = Connect();
    ASSERT_NE(conv, nullptr);
    HSZ item = Str("Pressure");
    m_server.Mute(true);
    // Layer time moves only once the server holds the transaction.
    auto expire = [&](int received)
    {
        return std::thread(
            [&, received]
            {
                m_server.WaitFor([&] { return m_server.Received() >= received; });
                clock.Advance(3000);
            });
    };
    const int before = m_server.Received();
    std::thread t = expire(before + 1);
    EXPECT_EQ(DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 3000, nullptr), nullptr);
    t.join();
    EXPECT_EQ(DdeGetLastError(g_inst), static_cast<UINT>(DMLERR_DATAACKTIMEOUT));
    t = expire(before + 2);
    EXPECT_EQ(DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_ADVSTART, 3000, nullptr), nullptr);
    t.join();
    EXPECT_EQ(DdeGetLastError(g_inst), static_cast<UINT>(DMLERR_ADVACKTIMEOUT));

    // The held replies arrive late and answer nothing; the next request gets its own.
    m_server.SetItem("Values", "Pressure", "2e-6");
    m_server.Mute(false);
    HDDEDATA data = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 3000, nullptr);
    EXPECT_EQ(Text(data), "2e-6");
    DdeFreeDataHandle(data);
    DdeFreeStringHandle(g_inst, item);
}

TEST_F(Dde, AMalformedFrameEndsTheConversationWithoutHarm)
{
    HCONV conv = Connect();
    ASSERT_NE(conv, nullptr);
    ASSERT_TRUE(m_server.WaitFor([&] { return m_server.Connections() == 1; }));
    m_server.SendRaw({0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3});
    ASSERT_TRUE(PumpUntil(1));
    EXPECT_EQ(g_seen[0].type, static_cast<UINT>(XTYP_DISCONNECT));
    HSZ item = Str("Pressure");
    EXPECT_EQ(DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 3000, nullptr), nullptr);
    DdeFreeStringHandle(g_inst, item);
}

TEST(DdeFrames, RoundTripAndMalformedInput)
{
    DdeFrame f;
    f.kind = DdeFrameKind::AdviseData;
    f.sequence = 9;
    f.format = CF_TEXT;
    f.flags = XTYPF_NODATA;
    f.name = "Item";
    f.data = {'1', ' ', '2', 0};
    const std::vector<uint8_t> bytes = kel::dde::EncodeFrame(f);

    // Fed a byte at a time, twice over: two frames, equal to the one sent.
    DdeFrameReader reader;
    int frames = 0;
    for (int round = 0; round < 2; ++round)
        for (uint8_t b : bytes)
        {
            reader.Feed(&b, 1);
            DdeFrame out;
            const DdeFrameReader::Result r = reader.Next(&out);
            if (r == DdeFrameReader::Result::Frame)
            {
                EXPECT_EQ(out, f);
                ++frames;
            }
            else
                EXPECT_EQ(r, DdeFrameReader::Result::NeedMore);
        }
    EXPECT_EQ(frames, 2);

    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    auto edited = [&](size_t at, uint8_t value)
    {
        std::vector<uint8_t> b = bytes;
        b[at] = value;
        return b;
    };
    std::vector<uint8_t> extra = bytes;
    extra[0] += 1;
    extra.push_back(0);
    const Case cases[] = {
        {"zero length", {0, 0, 0, 0}},
        {"length beyond the limit", {0xFF, 0xFF, 0xFF, 0xFF}},
        {"unknown kind", edited(4, 99)},
        {"name longer than the body", edited(17, 200)},
        {"name beyond the limit", edited(18, 2)},
        {"data length past the body", edited(4 + 15 + 4, 200)},
        {"bytes left over", extra},
        {"body too short", {3, 0, 0, 0, 1, 0, 0}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        DdeFrameReader bad;
        bad.Feed(c.bytes.data(), c.bytes.size());
        DdeFrame out;
        EXPECT_EQ(bad.Next(&out), DdeFrameReader::Result::Bad);
        bad.Feed(bytes.data(), bytes.size());
        EXPECT_EQ(bad.Next(&out), DdeFrameReader::Result::Bad) << "a bad stream stays bad";
    }

    DdeFrame tooLong;
    tooLong.name.assign(256, 'x');
    EXPECT_TRUE(kel::dde::EncodeFrame(tooLong).empty());
}

TEST(DdeSockets, PathsComeFromTheServiceName)
{
    kel::testkit::ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
    EXPECT_EQ(kel::dde::DdeSocketPath("Kel Monitor/1"), "/run/user/1000/kel-dde/kel%20monitor%2F1.sock");
    EXPECT_EQ(kel::dde::DdeSocketPath(".."), "/run/user/1000/kel-dde/%2E..sock");
    EXPECT_EQ(kel::dde::DdeSocketPath(""), "");
    EXPECT_EQ(kel::dde::DdeSocketPath(std::string(200, 'a')), "") << "does not fit a socket address";
    kel::testkit::ScopedEnv none("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(kel::dde::DdeSocketPath("x"), "/tmp/kel-dde-" + std::to_string(getuid()) + "/x.sock");
}

} // namespace
