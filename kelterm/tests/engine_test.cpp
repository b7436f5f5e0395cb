// The terminal's serial engine on the test kit's null modem: the line it sets up, bytes both ways,
// the status lines, the write requests, closing (also while the reader waits on the window), and
// the failures it reports.
#include "engine/TerminalEngine.h"
#include "engine/TerminalMessages.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"
#include "testkit/VirtualSerial.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace
{

using kel::testkit::ScriptedPrompts;
using kel::testkit::UiTest;
using kel::testkit::VirtualNullModem;

constexpr int kPort = 45;
const char kPortName[] = "COM45";

// A window that keeps what the reader hands it.
std::string g_received;

LRESULT CALLBACK ReceiverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEL_RECEIVEDTEXT)
    {
        g_received.append(reinterpret_cast<const char*>(lParam), wParam);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

class TerminalEngineTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        modem.RegisterAs(kPort);
        WNDCLASS wc{};
        wc.lpfnWndProc = ReceiverProc;
        wc.lpszClassName = "KelTermReceiver";
        RegisterClass(&wc);
        receiver = CreateWindow("KelTermReceiver", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        g_received.clear();
        engine = CTerminalEngine::GetInstance();
        engine->SetTerminalWindow(receiver);
    }

    void TearDown() override
    {
        CTerminalEngine::DestroyInstance();
        DestroyWindow(receiver);
        UiTest::TearDown();
    }

    // Whether a status line reports the line event by its name ("12:EVENT: DSR RLSD \r\n").
    bool EventSeen(const std::string& name)
    {
        for (const std::string& line : engine->GetStatusLines())
        {
            const size_t event = line.find("EVENT: ");
            if (event != std::string::npos && line.find(" " + name + " ", event) != std::string::npos)
                return true;
        }
        return false;
    }
    bool StatusHas(const std::string& text)
    {
        for (const std::string& line : engine->GetStatusLines())
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    VirtualNullModem modem;
    HWND receiver = nullptr;
    CTerminalEngine* engine = nullptr;
};

TEST_F(TerminalEngineTest, ConnectSetsUpTheLineAndBytesCrossBothWays)
{
    ScriptedPrompts prompts; // any error box fails the test
    ASSERT_TRUE(engine->Connect(kPortName));
    EXPECT_TRUE(engine->IsConnected());
    EXPECT_EQ(modem.SettingsText(), "28800 8N2");
    EXPECT_TRUE(modem.PortDtr());
    EXPECT_TRUE(modem.PortRts());

    for (char c : std::string("ID?\r"))
        ASSERT_TRUE(engine->SendChar(c));
    EXPECT_EQ(modem.Read(4, 3000), "ID?\r");

    modem.Write("ZOLKEL200\r");
    EXPECT_TRUE(UiTest::PumpUntil([] { return g_received == "ZOLKEL200\r"; })) << g_received;

    // The first status line is the engine's greeting.
    ASSERT_FALSE(engine->GetStatusLines().empty());
    const std::string first = engine->GetStatusLines().front();
    EXPECT_EQ(first.substr(first.find(':')), ":Status message go here:\r\n");

    ASSERT_TRUE(engine->ClosePort());
    EXPECT_FALSE(engine->IsConnected());
    EXPECT_FALSE(modem.PortDtr());
    EXPECT_FALSE(modem.IsOpen());
    // Closed twice: nothing to do, nothing shown.
    EXPECT_FALSE(engine->ClosePort());
    EXPECT_TRUE(engine->SendChar('x')); // not connected: nothing queued, no failure
}

TEST_F(TerminalEngineTest, TheDisconnectQuestionDecidesWhetherTheCloseGoesAhead)
{
    ScriptedPrompts prompts;
    EXPECT_TRUE(engine->CloseWithConfirmation()); // not connected: nothing asked
    ASSERT_TRUE(engine->Connect(kPortName));
    prompts.Expect("Disconnect from COM45?").Reply(IDNO);
    EXPECT_FALSE(engine->CloseWithConfirmation());
    EXPECT_TRUE(engine->IsConnected());
    EXPECT_TRUE(modem.IsOpen());
    prompts.Expect("Disconnect from COM45?").Reply(IDYES);
    EXPECT_TRUE(engine->CloseWithConfirmation());
    EXPECT_FALSE(engine->IsConnected());
    ASSERT_EQ(prompts.Prompts().size(), 2u);
    EXPECT_EQ(prompts.Prompts()[0].caption, "info");
}

TEST_F(TerminalEngineTest, AFlushDropsWhatIsQueuedBehindItAndSignalsTheTransfer)
{
    ScriptedPrompts prompts;
    engine->GetSettings().ctsOutFlow = true;
    ASSERT_TRUE(engine->Connect(kPortName));
    // Hold the writer in a write larger than the transmit queue while the requests pile up.
    modem.SetRts(false);
    const std::string big(1500, 'b');
    ASSERT_TRUE(
        engine->QueueWriteRequest(CTerminalEngine::kWriteBuffer, int(big.size()), 0, big.data(), nullptr));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (char c : std::string("xyz"))
        ASSERT_TRUE(engine->QueueWriteRequest(CTerminalEngine::kWriteChar, 0, c, nullptr, nullptr));
    ASSERT_TRUE(engine->QueueWriteRequest(CTerminalEngine::kFlush, 0, 0, nullptr, nullptr));
    for (char c : std::string("12"))
        ASSERT_TRUE(engine->QueueWriteRequest(CTerminalEngine::kWriteChar, 0, c, nullptr, nullptr));
    modem.SetRts(true);
    EXPECT_EQ(WaitForSingleObject(engine->GetTransferCompleteEvent(), 5000), DWORD(WAIT_OBJECT_0));
    EXPECT_EQ(modem.Read(big.size() + 3, 3000), big + "xyz");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(modem.ReadAvailable(), "");
    engine->GetSettings().ctsOutFlow = false;
}

TEST_F(TerminalEngineTest, LineEventsBecomeStatusLinesAndADsrDropDoesNotHang)
{
    ScriptedPrompts prompts;
    ASSERT_TRUE(engine->Connect(kPortName));
    // The head goes away: DSR and carrier drop. The reader thread applies the event mask when it
    // first runs, and a line change before that is no event (as on Windows), so on a loaded machine
    // the line is pulled again until the reader is there to see it. Events that come close together
    // share one status line, so each is looked for by name.
    bool dropSeen = false;
    for (int attempt = 0; attempt < 10 && !dropSeen; ++attempt)
    {
        modem.SetDtr(true);
        modem.SetDtr(false);
        dropSeen = UiTest::PumpUntil([&] { return EventSeen("DSR") && EventSeen("RLSD"); }, 500);
    }
    EXPECT_TRUE(dropSeen);
    modem.Ring();
    EXPECT_TRUE(UiTest::PumpUntil([&] { return EventSeen("RING"); }));
    // The line is still usable, and closing is prompt.
    ASSERT_TRUE(engine->SendChar('A'));
    EXPECT_EQ(modem.Read(1, 3000), "A");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(engine->ClosePort());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(TerminalEngineTest, ClosingWhileTheReaderWaitsOnTheWindowEndsPromptly)
{
    ScriptedPrompts prompts;
    ASSERT_TRUE(engine->Connect(kPortName));
    // This thread owns the window and does not pump: the reader blocks handing the block over.
    modem.Write("blocked");
    const auto handedOver = [] { return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0; };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!handedOver() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(handedOver()) << "the reader never handed the block over";
    EXPECT_EQ(g_received, "");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(engine->ClosePort());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(g_received, "blocked"); // delivered while closing waited
    EXPECT_FALSE(modem.IsOpen());
}

TEST_F(TerminalEngineTest, AFailingOpenNamesTheDeviceAndTheCause)
{
    ScriptedPrompts prompts;
    // A port that does not exist.
    prompts.Expect("COM199").Reply(IDOK);
    EXPECT_FALSE(engine->Connect("COM199"));
    EXPECT_FALSE(engine->IsConnected());
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_NE(prompts.Prompts()[0].text.find("Error 2: CreateFile COM199"), std::string::npos)
        << prompts.Prompts()[0].text;

    // A port another program holds: a pseudo-terminal locked by a child process.
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        close(release[1]);
        int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
        char c = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? '1' : '0';
        [[maybe_unused]] ssize_t n = write(ready[1], &c, 1);
        n = read(release[0], &c, 1); // until the parent is done
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, '1');
    setenv("KEL_COM_MAP", ("COM58=" + slave).c_str(), 1);
    prompts.Expect("in use by another program").Reply(IDOK);
    EXPECT_FALSE(engine->Connect("COM58"));
    EXPECT_FALSE(engine->IsConnected());
    ASSERT_EQ(prompts.Prompts().size(), 2u);
    EXPECT_NE(prompts.Prompts()[1].text.find("Error 5: CreateFile COM58 (" + slave + "): in use"),
              std::string::npos)
        << prompts.Prompts()[1].text;
    unsetenv("KEL_COM_MAP");
    close(release[1]);
    waitpid(child, nullptr, 0);
    for (int fd : {ready[0], ready[1], release[0], master})
        close(fd);
}

TEST(TerminalEngineReport, TheReportCarriesTheCodeTheCallAndTheSystemText)
{
    EXPECT_EQ(FormatCommError(ERROR_ACCESS_DENIED, "CreateFile"),
              "Error 5: CreateFile.\n\rAccess is denied.\r\n\r\n");
}

} // namespace
