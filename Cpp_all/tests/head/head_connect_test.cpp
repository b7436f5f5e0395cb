// Bringing a head on line and keeping it there: identification, connect and disconnect, the
// status thread on a dropped line, the error-status checks, the RF check and the wait boxes.
#include "head_test_fixture.h"

#include "mfc/WinAppCore.h"
#include "testkit/ScopedSettings.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>

using headtest::Commands;
using headtest::HeadTest;
using kel::testkit::OpenHead;
using kel::testkit::TimeoutScale;

namespace
{

class HeadConnectTest : public HeadTest
{
};

// ---------------------------------------------------------------------------------------------
// Identification

TEST_F(HeadConnectTest, IdentificationTakesFamilyModelAndMassRangeFromTheIdReply)
{
    struct Case
    {
        const char* id;
        int family;
        int massRange;
        const char* model;
        float firmware;
        int serial;
    } cases[] = {
        {"ZOLKEL200VER1.02SN12345", HEAD_FAMILY_KEL, 200, "KEL200", 1.02f, 12345},
        {"ZOLKEL100VER2.50SN00042", HEAD_FAMILY_KEL, 100, "KEL100", 2.5f, 42},
        {"ZOLKEL150VER1.00SN1", HEAD_FAMILY_KEL, 150, "KEL150", 1.0f, 1},
        {"ZOLJOV300VER3.10SN77777", HEAD_FAMILY_JOV, 300, "JOV300", 3.1f, 77777},
        {"ZOLDUX006VER0.90SN00007", HEAD_FAMILY_DUX, 6, "DUX006", 0.9f, 7},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.id);
        OpenHead h;
        h.m_nFamily = HEAD_FAMILY_UNKNOWN;
        emu.SetId(c.id);
        ASSERT_TRUE(h.Connect(kPort));
        EXPECT_TRUE(h.IsOnline());
        EXPECT_EQ(h.GetHeadFamily(), c.family);
        EXPECT_EQ(h.m_nMassRange, c.massRange);
        CString model;
        ASSERT_TRUE(h.GetModelString(model));
        EXPECT_STREQ(model, c.model);
        float firmware = 0;
        ASSERT_TRUE(h.GetFirmwareVersion(firmware));
        EXPECT_FLOAT_EQ(firmware, c.firmware);
        int serial = 0;
        ASSERT_TRUE(h.GetSerialNumber(serial));
        EXPECT_EQ(serial, c.serial);
        EXPECT_EQ(h.m_nPresetIndex, c.family == HEAD_FAMILY_DUX ? 0 : 4);
        h.Disconnect();
        EXPECT_FALSE(h.GetModelString(model));
    }
}

TEST_F(HeadConnectTest, AnUnknownIdIsRefusedWithItsTextAndLeavesNoLine)
{
    struct Case
    {
        const char* id;
        const char* shown;
    } cases[] = {
        {"ZOLKEL250VER1.02SN12345", "Incorrect ID received: KEL250\n"},
        {"ACMEKL200VER1.02SN12345", "Incorrect ID received: ACMEKL\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.id);
        emu.SetId(c.id);
        prompts.Expect(c.shown).Reply(IDOK);
        EXPECT_FALSE(head.Connect(kPort));
        EXPECT_FALSE(head.IsConnected());
        EXPECT_FALSE(head.IsOnline());
        EXPECT_FALSE(modem.IsOpen());
    }
    // The same head object connects once a known head answers.
    emu.SetId("ZOLKEL200VER1.02SN12345");
    EXPECT_TRUE(head.Connect(kPort));

    // Heads made for the port list ask nothing.
    CHead quiet;
    quiet.SetQuiet(1);
    emu.SetId("ZOLKEL250VER1.02SN12345");
    head.Disconnect();
    EXPECT_FALSE(quiet.Connect(kPort));
}

TEST_F(HeadConnectTest, ADuxHeadForAKelDocumentSaysSoOnceAndTakesTheFirstPreset)
{
    head.m_nFamily = HEAD_FAMILY_KEL;
    head.m_nPresetIndex = 2;
    emu.SetId("ZOLDUX100VER1.02SN12345");
    prompts.Expect("DUX head").Reply(IDOK);
    ASSERT_TRUE(head.Connect(kPort));
    EXPECT_EQ(head.m_nPresetIndex, 0);
    // Preset 0 ("DUX 70") is applied through the wait-box setters, and the current follows it.
    Commands sent = emu.Commands();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "EE70"), sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), "VF50"), sent.end());
    EXPECT_FLOAT_EQ(head.m_fEmission, 0.05f);
    ASSERT_TRUE(head.Reconnect()); // now a DUX document: no second box
}

TEST_F(HeadConnectTest, ASilentIdIsTriedAgainAndDoesNotLatchTheHeadOffline)
{
    TimeoutScale fast(0.05);
    emu.Silence("ID?", 2);
    ASSERT_TRUE(head.Connect(kPort));
    const Commands sent = emu.Commands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "ID?"), 3);

    // A head that never answers: three tries, then the DSR box; the same object connects later.
    head.Disconnect();
    ClearLog();
    emu.SetSilent(true);
    prompts.Expect("No KEL Head was detected at RS232 Port (DSR Low).").Reply(IDCANCEL);
    EXPECT_FALSE(head.Connect(kPort));
    emu.WaitForCommands(4);
    const Commands tried = emu.Commands();
    EXPECT_EQ(std::count(tried.begin(), tried.end(), "ID?"), 3) << ::testing::PrintToString(tried);
    emu.SetSilent(false);
    EXPECT_TRUE(head.Connect(kPort));
    int v = 0;
    EXPECT_TRUE(head.QueryDI(v));
}

TEST_F(HeadConnectTest, DsrLowAsksBeforeAnyCommand)
{
    emu.SetDsr(false);
    prompts.Expect("(DSR Low)").Reply(IDRETRY);
    prompts.Expect("(DSR Low)").Reply(IDCANCEL);
    EXPECT_FALSE(head.Connect(kPort));
    EXPECT_TRUE(emu.Commands().empty());

    // A quiet head only reports it.
    CHead quiet;
    quiet.SetQuiet(1);
    EXPECT_FALSE(quiet.Connect(kPort));
    emu.SetDsr(true);
    ASSERT_TRUE(quiet.Connect(kPort));
    EXPECT_TRUE(quiet.CheckHeadPresent());
}

// ---------------------------------------------------------------------------------------------
// Connect, disconnect, lost line

TEST_F(HeadConnectTest, ConnectDisconnectAndReconnect)
{
    ConnectHead();
    EXPECT_TRUE(head.IsConnected());
    EXPECT_TRUE(head.IsOnline());
    EXPECT_TRUE(modem.IsOpen());
    EXPECT_NE(head.m_hStatusThread, nullptr);
    EXPECT_EQ(head.m_nPort, kPort);
    // Identification, the sensitivities, the filament, then the CEM this head has.
    EXPECT_EQ(emu.Commands(), (Commands{"MR0", "ID?", "SP?", "ST?", "FL?", "MO?", "MG?", "MV?"}));
    EXPECT_TRUE(head.m_bCemPresent);

    ClearLog();
    EXPECT_TRUE(head.Disconnect());
    EXPECT_FALSE(head.IsConnected());
    EXPECT_FALSE(head.IsOnline());
    EXPECT_EQ(head.m_hStatusThread, nullptr);
    EXPECT_FALSE(modem.IsOpen());
    // The status thread was woken by traffic on the line.
    emu.WaitForCommands(1);
    EXPECT_EQ(emu.Commands(), Commands{"ER?"});

    head.m_nPort = kPort;
    EXPECT_TRUE(head.Reconnect());
    EXPECT_TRUE(head.IsOnline());
    EXPECT_TRUE(modem.IsOpen());
    EXPECT_TRUE(head.Reconnect());
    EXPECT_TRUE(head.IsOnline());
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(HeadConnectTest, ConnectOnAPortThatDoesNotOpenLeavesNoLine)
{
    prompts.Expect("Error Opening Com Port").Reply(IDOK);
    EXPECT_FALSE(head.Connect(kPort + 1));
    EXPECT_FALSE(head.IsConnected());
}

TEST_F(HeadConnectTest, ADroppedLineEndsTheStatusThreadAndLeavesTheHeadOffline)
{
    ConnectHead();
    prompts.Expect("Line is disconnected!").Reply(IDOK);
    // Once the status thread waits on the line's events.
    ASSERT_TRUE(Eventually(
        [&]
        {
            DWORD mask = 0;
            head.GetComm()->GetPort()->GetEventMask(mask);
            return (mask & 0x3B) == 0x3B;
        }));
    ASSERT_TRUE(emu.SetDsr(false));
    ASSERT_TRUE(Eventually([&] { return !head.IsOnline(); }));
    EXPECT_FALSE(head.IsConnected());
    EXPECT_EQ(head.GetComm(), nullptr);

    ClearLog();
    int v = 0;
    float f = 0;
    EXPECT_FALSE(head.QueryDI(v));
    EXPECT_FALSE(head.MeasureTotalPressure(f));
    EXPECT_FALSE(head.CheckErrors());
    EXPECT_EQ(emu.Received(), "");

    // Disconnect after the thread ended only clears the flags.
    EXPECT_TRUE(head.Disconnect());
    EXPECT_EQ(emu.Received(), "");
    EXPECT_FALSE(modem.IsOpen());

    emu.SetDsr(true);
    ConnectHead();
    EXPECT_TRUE(head.QueryDI(v));
}

// Holds the status thread's "Line is disconnected!" box open until the test lets it go, the way a
// user who has not clicked it yet does.
class HeldLineBox : public kel::IPromptService
{
public:
    HeldLineBox() : m_previous(kel::SetPromptService(this)) {}
    ~HeldLineBox() override
    {
        Release();
        kel::SetPromptService(m_previous);
    }

    kel::PromptReply Prompt(const kel::PromptRequest& request) override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        kel::PromptReply reply;
        reply.result = IDCANCEL;
        if (request.text.find("Line is disconnected!") == std::string::npos)
        {
            ADD_FAILURE() << "unexpected prompt: " << request.text;
            return reply;
        }
        m_shown = true;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_released; });
        reply.result = IDOK;
        return reply;
    }
    bool WaitShown()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_shown; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    kel::IPromptService* m_previous;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_shown = false;
    bool m_released = false;
};

TEST_F(HeadConnectTest, DisconnectThatGivesUpOnTheStatusThreadLeavesItTheLine)
{
    ConnectHead();
    ASSERT_TRUE(Eventually(
        [&]
        {
            DWORD mask = 0;
            head.GetComm()->GetPort()->GetEventMask(mask);
            return (mask & 0x3B) == 0x3B;
        }));
    HeldLineBox box;
    ASSERT_TRUE(emu.SetDsr(false));
    ASSERT_TRUE(box.WaitShown());

    {
        // The thread sits in its box past the whole wait.
        TimeoutScale fast(0.01);
        EXPECT_TRUE(head.Disconnect());
    }
    EXPECT_FALSE(head.IsConnected());
    EXPECT_EQ(head.m_hStatusThread, nullptr);
    EXPECT_TRUE(modem.IsOpen()) << "the line was closed under the status thread";

    // The box is answered: the thread still has a line to drop, and closes it.
    box.Release();
    bool closed = false;
    for (int i = 0; i < 1000 && !closed; ++i)
    {
        closed = !modem.IsOpen();
        if (!closed)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(closed) << "the status thread never dropped its line";

    emu.SetDsr(true);
    ConnectHead();
    int v = 0;
    EXPECT_TRUE(head.QueryDI(v));
}

TEST_F(HeadConnectTest, ALineThatDroppedBeforeTheStatusThreadWaitedIsNoticedToo)
{
    prompts.Expect("Line is disconnected!").Reply(IDOK);
    emu.Silence("ST?", 1); // hold Connect before it starts the status thread while the line drops
    TimeoutScale fast(0.05);
    std::thread drop(
        [&]
        {
            emu.WaitForCommands(4);
            emu.SetDsr(false);
        });
    prompts.Expect("timed out during a status query").Reply(IDCANCEL).AnyTimes();
    head.Connect(kPort);
    drop.join();
    EXPECT_TRUE(Eventually([&] { return !head.IsConnected(); }));
}

TEST_F(HeadConnectTest, PollStatusReportsAnAnswerAndChecksANonZeroStatus)
{
    ConnectHead();
    int pending = -1;
    EXPECT_TRUE(head.PollStatus(pending));
    EXPECT_EQ(pending, 0);

    ASSERT_TRUE(head.Initialize());
    ASSERT_TRUE(head.WaitForBytes(2, 3000));
    ClearLog();
    EXPECT_TRUE(head.PollStatus(pending));
    EXPECT_EQ(pending, 1);
    EXPECT_TRUE(emu.Commands().empty()); // a status of 0 needs no check
}

// ---------------------------------------------------------------------------------------------
// Error status

struct ErrorCase
{
    const char* name;
    const char* group;
    int bits;
    std::vector<std::pair<const char*, int>> boxes; // text, answer, in order
    BOOL result;
    Commands sent;
    std::function<void(CHead&)> check;
};

TEST_F(HeadConnectTest, CheckErrorsShowsEachSetBitInOrder)
{
    ConnectHead();
    const ErrorCase cases[] = {
        {"no error", nullptr, 0, {}, 1, {"ER?"}, nullptr},
        {"ED 7 and 5: Retry then Ignore",
         "ED?",
         0xA0,
         {{"Error Code: DET7", IDIGNORE},
          {"Error Code: DET5", IDRETRY},
          {"Error Code: DET7", IDIGNORE},
          {"Error Code: DET5", IDIGNORE}},
         1,
         {"ER?", "ED?", "ED?"},
         nullptr},
        {"EP 7 Abort",
         "EP?",
         0xC0,
         {{"Error Code: PS7", IDABORT}},
         0,
         {"ER?", "EP?"},
         [](CHead& h)
         {
             EXPECT_TRUE(h.GetAbortFlag());
             EXPECT_FALSE(h.IsCemPresent());
         }},
        {"EM 6 keeps the CEM",
         "EM?",
         0x40,
         {{"Error Code: EM6", IDIGNORE}},
         1,
         {"ER?", "EM?"},
         [](CHead& h) { EXPECT_TRUE(h.IsCemPresent()); }},
        {"EM 7 has no CEM",
         "EM?",
         0x80,
         {{"Error Code: EM7", IDIGNORE}},
         1,
         {"ER?", "EM?"},
         [](CHead& h) { EXPECT_FALSE(h.IsCemPresent()); }},
        {"EQ 6 and 4",
         "EQ?",
         0x50,
         {{"Error Code: RF6", IDIGNORE}, {"Error Code: RF4", IDIGNORE}},
         1,
         {"ER?", "EQ?"},
         nullptr},
        {"EF 0 sets the filament flag",
         "EF?",
         0x01,
         {{"Error Code: FL0", IDIGNORE}},
         1,
         {"ER?", "EF?"},
         [](CHead& h)
         {
             EXPECT_TRUE(h.GetFilamentErrorFlag());
             EXPECT_FALSE(h.GetAbortFlag());
         }},
    };
    for (const ErrorCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        kel::testkit::ScriptedPrompts local;
        for (const auto& [text, answer] : c.boxes)
            local.Expect(text).Reply(answer);
        for (const char* g : {"EP?", "ED?", "EQ?", "EM?", "EF?"})
            emu.SetErrorStatus(g, c.group && std::string(g) == c.group ? c.bits : 0);
        head.m_bCemPresent = 1;
        ClearLog();
        EXPECT_EQ(head.CheckErrors(), c.result);
        EXPECT_EQ(emu.Commands(), c.sent);
        const std::vector<kel::PromptRequest> shown = local.Prompts();
        ASSERT_EQ(shown.size(), c.boxes.size());
        for (size_t i = 0; i < shown.size(); ++i)
        {
            EXPECT_NE(shown[i].text.find(c.boxes[i].first), std::string::npos) << shown[i].text;
            EXPECT_EQ(shown[i].flags, UINT(MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_DEFBUTTON2));
        }
        if (c.check)
            c.check(head);
    }
    for (const char* g : {"EP?", "ED?", "EQ?", "EM?", "EF?"})
        emu.SetErrorStatus(g, 0);
}

TEST_F(HeadConnectTest, CheckErrorsGroupsRunInTheirOrderAndAbortEndsTheCheck)
{
    ConnectHead();
    emu.SetErrorStatus("EF?", 0x40);
    emu.SetErrorStatus("EP?", 0x40);
    emu.SetErrorStatus("ED?", 0x08);
    prompts.Expect("Error Code: PS6").Reply(IDIGNORE);
    prompts.Expect("Error Code: DET3").Reply(IDABORT);
    ClearLog();
    EXPECT_FALSE(head.CheckErrors());
    EXPECT_EQ(emu.Commands(), (Commands{"ER?", "EP?", "ED?"}));
    EXPECT_TRUE(head.GetAbortFlag());

    // The next check starts clean.
    for (const char* g : {"EP?", "ED?", "EF?"})
        emu.SetErrorStatus(g, 0);
    EXPECT_TRUE(head.CheckErrors());
    EXPECT_FALSE(head.GetAbortFlag());
}

TEST_F(HeadConnectTest, CheckErrorsTimeOutSetsTheFlagAndRetryAsksAgain)
{
    ConnectHead();
    TimeoutScale fast(0.02);
    emu.Silence("ER?", 1);
    prompts.Expect("timed out during a status query").Reply(IDRETRY);
    EXPECT_TRUE(head.CheckErrors());
    EXPECT_TRUE(head.GetStatusTimedOut());

    emu.Silence("ER?", 1);
    prompts.Expect("timed out during a status query").Reply(IDABORT);
    EXPECT_FALSE(head.CheckErrors());
    EXPECT_TRUE(head.GetAbortFlag());

    emu.Silence("ER?", 1);
    prompts.Expect("timed out during a status query").Reply(IDIGNORE);
    ClearLog();
    EXPECT_TRUE(head.CheckErrors());
    EXPECT_EQ(emu.Commands(), Commands{"ER?"});
}

TEST_F(HeadConnectTest, CommunicationGroupBitsMarkATimeOut)
{
    ConnectHead();
    emu.SetErrorStatus("EC?", 0x48); // bits 6 and 3
    prompts.Expect("Error Code: EC6").Reply(IDIGNORE);
    prompts.Expect("Error Code: EC3").Reply(IDIGNORE);
    EXPECT_TRUE(head.HandleEC(0));
    EXPECT_TRUE(head.GetStatusTimedOut());
    emu.SetErrorStatus("EC?", 0);
}

TEST_F(HeadConnectTest, AnRfGroupBit7RunsTheRfCheckInsteadOfABox)
{
    ConnectHead();
    emu.SetErrorStatus("EQ?", 0x80);
    ClearLog();
    EXPECT_TRUE(head.CheckErrors());
    const Commands sent = emu.Commands();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[2], "MF?");
    EXPECT_EQ(sent[3], "ML200");
    EXPECT_TRUE(prompts.Prompts().empty());
    emu.SetErrorStatus("EQ?", 0);
}

// ---------------------------------------------------------------------------------------------
// Asking the user

// Without the programs' policy (a worker, a test) nobody is asked: the head gives up at once.
TEST_F(HeadConnectTest, WithoutAnAskPolicyTheHeadAsksNobodyAndGivesUp)
{
    ConnectHead();
    CHead::SetAskPolicy(nullptr);
    TimeoutScale fast(0.02);
    int v = 0;
    float f = 0;
    const struct
    {
        const char* name;
        std::function<void()> arrange;
        std::function<BOOL()> act;
        bool aborts; // a status check that ends as Abort does
    } cases[] = {
        // Headless, the box's default (Retry) would ask the silent head again for ever.
        {"status time-out", [&] { emu.Silence("ER?", 1); }, [&] { return head.CheckErrors(); }, true},
        {"error bit", [&] { emu.SetErrorStatus("EF?", 0x01); }, [&] { return head.CheckErrors(); }, true},
        {"unconfirmed setting", [&] { emu.SetEchoFault("NF", "2", 1); },
         [&] { return head.SetNoiseFloor(3); }, false},
        {"value out of range", [] {}, [&] { return head.SetXV(1, 0.0f); }, false},
        {"data time-out", [&] { emu.Silence("TP?", 1); }, [&] { return head.MeasureTotalPressure(f); },
         false},
        {"query time-out", [&] { emu.Silence("DI?", 1); }, [&] { return head.QueryDI(v); }, false},
        {"low DSR",
         [&]
         {
             head.Disconnect();
             emu.SetDsr(false);
         },
         [&] { return head.Connect(kPort); }, false},
        {"unknown head",
         [&]
         {
             emu.SetDsr(true);
             emu.SetId("ZOLKEL250VER1.02SN12345");
         },
         [&] { return head.Connect(kPort); }, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        c.arrange();
        EXPECT_FALSE(c.act());
        if (c.aborts)
        {
            EXPECT_TRUE(head.GetAbortFlag());
        }
        emu.SetErrorStatus("EF?", 0);
    }
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(HeadConnectTest, AQuietHeadAsksNobodyWhateverPolicyIsInstalled)
{
    ConnectHead();
    TimeoutScale fast(0.02);
    int v = 0;
    {
        CHead::QuietScope quiet(head);
        EXPECT_TRUE(head.IsQuiet());
        emu.Silence("DI?", 1);
        EXPECT_FALSE(head.QueryDI(v));
    }
    EXPECT_FALSE(head.IsQuiet());
    EXPECT_TRUE(prompts.Prompts().empty());
}

// ---------------------------------------------------------------------------------------------
// RF supply

std::vector<int> MlMasses(const Commands& sent)
{
    std::vector<int> masses;
    for (const std::string& c : sent)
        if (c.rfind("ML", 0) == 0)
            masses.push_back(std::atoi(c.c_str() + 2));
    return masses;
}

TEST_F(HeadConnectTest, RfCheckOnAHealthySupplyOnlyMovesUp)
{
    ConnectHead();
    ClearLog();
    EXPECT_TRUE(head.CheckRfSupply());
    const std::vector<int> masses = MlMasses(emu.Commands());
    EXPECT_EQ(masses, (std::vector<int>{200, 300, 350, 383}));
    EXPECT_TRUE(dialogs.rfTexts.empty());
    // The progress box shows each mass as it is tried and goes down at the end.
    EXPECT_EQ(dialogs.rfProgress,
              (std::vector<std::string>{"200 AMU", "300 AMU", "350 AMU", "383 AMU", "closed"}));
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(HeadConnectTest, RfCheckBelowTheRangeShowsTheMassOnceUntilTheNextConnect)
{
    ConnectHead();
    emu.SetSetting("MF", "200");
    emu.SetRfLimit(150);
    dialogs.rfCheck = 1; // the user asks not to be told again
    EXPECT_TRUE(head.CheckRfSupply());
    ASSERT_EQ(dialogs.rfTexts.size(), 1u);
    ASSERT_FALSE(dialogs.rfProgress.empty());
    EXPECT_EQ(dialogs.rfProgress.back(), "closed") << "down before the result box";
    const int mass = std::atoi(dialogs.rfTexts[0].c_str());
    EXPECT_EQ(dialogs.rfTexts[0], std::to_string(mass) + " AMU");
    EXPECT_NEAR(mass, 150, 10);
    EXPECT_TRUE(head.m_bRfNotice);

    EXPECT_TRUE(head.CheckRfSupply());
    EXPECT_EQ(dialogs.rfTexts.size(), 1u);

    ASSERT_TRUE(head.Reconnect());
    EXPECT_FALSE(head.m_bRfNotice);
}

TEST_F(HeadConnectTest, RfCheckEndsForEveryLimit)
{
    ConnectHead();
    for (int limit : {1000, 199, 151, 60, 26, 12, 11, 10, 3, 0})
    {
        SCOPED_TRACE(limit);
        kel::testkit::ScriptedPrompts local;
        local.Expect("A serious RF error has been detected.").Reply(IDOK).AnyTimes();
        emu.SetRfLimit(limit);
        emu.SetSetting("MF", "300");
        ClearLog();
        const BOOL ok = head.CheckRfSupply();
        const size_t rounds = MlMasses(emu.Commands()).size();
        EXPECT_LT(rounds, 60u);
        EXPECT_EQ(ok, local.Prompts().empty());
    }
}

// ---------------------------------------------------------------------------------------------
// Wait boxes and the filament warning

TEST_F(HeadConnectTest, WaitBoxesNameTheirOperation)
{
    ConnectHead();
    struct Case
    {
        const char* name;
        std::function<BOOL(CHead&)> run;
        int limit, mode;
        UINT textId;
        const char* text;
    } cases[] = {
        {"initialize", [](CHead& h) { return h.InitializeWithProgress(); }, 20, 1, 109, ""},
        {"calibrate", [](CHead& h) { return h.CalibrateWithProgress(); }, 120, 1, 99, ""},
        {"CEM on", [](CHead& h) { return h.HighVoltageOnWithProgress(); }, 80, 1, 100, ""},
        {"CEM off", [](CHead& h) { return h.HighVoltageOffWithProgress(); }, 80, 1, 203, ""},
        {"degas", [](CHead& h) { return h.DegasWithProgress(); }, 400, 0, 0, "Degassing"},
        {"filament on", [](CHead& h) { return h.SwitchFilamentWithProgress(1); }, 80, 1, 0, "filament on"},
        {"filament off", [](CHead& h) { return h.SwitchFilamentWithProgress(0); }, 10, 1, 0, "filament off"},
        {"ion energy", [](CHead& h) { return h.SetIonEnergyWithProgress(0); }, 10, 1, 0, "ion energy"},
        {"electron energy", [](CHead& h) { return h.SetElectronEnergyWithProgress(35); }, 10, 1, 0,
         "Setting the electron impact\nionization energy"},
        {"focus", [](CHead& h) { return h.SetFocusVoltageWithProgress(80); }, 2, 1, 0,
         "Setting the plate focus voltage"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        dialogs.waitBoxes.clear();
        EXPECT_TRUE(c.run(head));
        ASSERT_EQ(dialogs.waitBoxes.size(), 1u);
        const auto& box = dialogs.waitBoxes[0];
        EXPECT_EQ(box.limit, c.limit);
        EXPECT_EQ(box.mode, c.mode);
        EXPECT_EQ(box.textId, c.textId);
        EXPECT_NE(box.text.find(c.text), std::string::npos) << box.text;
        Sync();
    }
    EXPECT_EQ(head.m_nIonEnergy, 0);
    EXPECT_EQ(head.m_nElectronEnergy, 35);
    EXPECT_EQ(head.m_nFocusVoltage, 80);
}

TEST_F(HeadConnectTest, FilamentWarningAnswers)
{
    ConnectHead();
    // Go on without the filament once, and stop warning.
    dialogs.filamentWarningResult = 100;
    dialogs.filamentWarningCheck = 1;
    EXPECT_TRUE(head.EnsureFilamentOn());
    EXPECT_EQ(dialogs.filamentWarnings, 1);
    EXPECT_TRUE(head.m_bSkipOnce);
    EXPECT_FALSE(head.m_bFilamentWarning);
    EXPECT_TRUE(head.EnsureFilamentOn()); // the skip is used up
    EXPECT_FALSE(head.m_bSkipOnce);
    EXPECT_TRUE(head.EnsureFilamentOn()); // warnings are off
    EXPECT_EQ(dialogs.filamentWarnings, 1);

    // Refused: fails; OK: the filament goes on.
    head.m_bFilamentWarning = 1;
    dialogs.filamentWarningResult = IDCANCEL;
    dialogs.filamentWarningCheck = 0;
    EXPECT_FALSE(head.EnsureFilamentOn());
    dialogs.filamentWarningResult = IDOK;
    ClearLog();
    EXPECT_TRUE(head.EnsureFilamentOn());
    const Commands sent = emu.Commands();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "FL1.00"), sent.end());
    EXPECT_TRUE(head.m_bFilamentWarning);
    Sync();
    int on = 0;
    EXPECT_TRUE(head.IsFilamentOn(on));
    EXPECT_TRUE(on);
    EXPECT_TRUE(head.EnsureFilamentOn());
    EXPECT_EQ(dialogs.filamentWarnings, 3);
}

TEST_F(HeadConnectTest, IonizerDialogShowsTheHeadsValuesAndAppliesTheChoice)
{
    ConnectHead();
    emu.SetSetting("VF", "85");
    emu.SetSetting("EE", "65");
    emu.SetSetting("IE", "1");
    HeadIonizerSettings shown;
    dialogs.ionizer = [&](HeadIonizerSettings& s)
    {
        shown = s;
        s.ionEnergy = 0;
        s.electronEnergy = 40;
        s.focusVoltage = 80;
        s.emission = 2.0f;
        s.filamentOn = 1;
        s.filamentWarning = 0;
        return IDOK;
    };
    ClearLog();
    ASSERT_TRUE(head.RunIonizerDialog());
    EXPECT_EQ(shown.focusVoltage, 85);
    EXPECT_EQ(shown.electronEnergy, 65);
    EXPECT_EQ(shown.ionEnergy, 1);
    EXPECT_EQ(shown.defaultElectronEnergy, 70);
    EXPECT_FLOAT_EQ(shown.defaultEmission, 1.0f);
    EXPECT_EQ(shown.filamentWarning, 1);
    EXPECT_EQ(emu.Commands(), (Commands{"MR0", "FL?", "VF?", "EE?", "IE?", "IE0", "EE40", "VF80", "FL2.00",
                                        "HV?", "ST?", "SP?"}));
    EXPECT_FLOAT_EQ(head.m_fEmission, 2.0f);
    EXPECT_FALSE(head.m_bFilamentWarning);
    EXPECT_EQ(head.m_nFocusVoltage, 80);

    // Cancel changes nothing on the head.
    dialogs.ionizer = [](HeadIonizerSettings&) { return IDCANCEL; };
    ClearLog();
    EXPECT_FALSE(head.RunIonizerDialog());
    EXPECT_EQ(emu.Commands(), (Commands{"MR0", "FL?", "VF?", "EE?", "IE?"}));
}

TEST_F(HeadConnectTest, DuxIonizerDialogAppliesTheChosenPreset)
{
    emu.SetId("ZOLDUX100VER1.02SN12345");
    ConnectHead();
    HeadDuxIonizerSettings shown;
    dialogs.duxIonizer = [&](HeadDuxIonizerSettings& s)
    {
        shown = s;
        s.presetIndex = 3;
        s.ionEnergy = 1;
        s.electronEnergy = 55;
        s.focusVoltage = 60;
        s.emission = 0.125f;
        s.filament = 1; // off
        return IDOK;
    };
    ClearLog();
    ASSERT_TRUE(head.RunIonizerDialog());
    EXPECT_STREQ(shown.presetText[1], "Electron energy 35 eV\nFocus voltage 50 V\nEmission current 0.050 mA");
    EXPECT_EQ(shown.presetIndex, 0);
    EXPECT_EQ(shown.electronEnergy, 70); // the custom preset's defaults
    EXPECT_EQ(head.m_nPresetIndex, 3);
    EXPECT_FLOAT_EQ(head.m_fEmission, 0.125f);
    const Commands sent = emu.Commands();
    for (const char* c : {"IE1", "EE55", "VF60", "FL0.0", "XA4", "XV?"})
        EXPECT_NE(std::find(sent.begin(), sent.end(), c), sent.end()) << c;
}

TEST_F(HeadConnectTest, InfoDialogIsFilledFromTheHead)
{
    ConnectHead();
    head.ShowInfoDialog();
    ASSERT_EQ(dialogs.infoDialogs, 1);
    EXPECT_STREQ(dialogs.info.model, "KEL200");
    EXPECT_STREQ(dialogs.info.firmware, "1.02");
    EXPECT_STREQ(dialogs.info.serialNumber, "12345");
    EXPECT_EQ(std::string(dialogs.info.partialSensitivity).rfind("Partial: ", 0), 0u);
    EXPECT_EQ(std::string(dialogs.info.totalSensitivity).rfind("Total: ", 0), 0u);
    EXPECT_STREQ(dialogs.info.emission, "0.00");
    EXPECT_STREQ(dialogs.info.rs, "1.0000");
    EXPECT_FALSE(dialogs.info.di.IsEmpty());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Profile

// Points the settings store at a fresh folder and makes an application with a profile.
class HeadProfileTest : public HeadTest
{
protected:
    HeadProfileTest() { app.SetRegistryKey("Test Head"); }

    kel::testkit::ScopedSettings m_settings;
    CWinApp app{"kelmon"};
};

TEST_F(HeadProfileTest, ProfileGivesJovScaleAndDuxPresetsAndKeepsTheLastPort)
{
    ASSERT_TRUE(app.WriteProfileInt("Debug", "JOVS", 10));
    ASSERT_TRUE(app.WriteProfileInt("Debug", "JOVI", 0)); // 0 keeps the default offset
    ASSERT_TRUE(app.WriteProfileInt("DUX 35", "Focus", 40));
    ASSERT_TRUE(app.WriteProfileString("DUX 35", "Emission", "0.25"));

    OpenHead jov;
    EXPECT_EQ(jov.m_nJovS, 10);
    EXPECT_EQ(jov.m_nJovI, 1);
    EXPECT_EQ(jov.m_nPresetFocus[1], 40);
    EXPECT_FLOAT_EQ(jov.m_fPresetEmission[1], 0.25f);
    EXPECT_EQ(jov.m_nPresetElectron[1], 35);
    EXPECT_EQ(jov.m_nPresetFocus[0], 50);
    EXPECT_FLOAT_EQ(jov.m_fPresetEmission[2], 0.5f);

    emu.SetId("ZOLJOV100VER1.02SN12345");
    ASSERT_TRUE(jov.Connect(kPort));
    ClearLog();
    EXPECT_TRUE(jov.SetInitialMass(4));
    EXPECT_EQ(emu.Commands().front(), "MI41");
    EXPECT_EQ(app.GetProfileInt("Last Port Used", "Com Port", -1), UINT(kPort));
}
