// Single instance across processes, dropped files, help and shell, idle time.
#include <afxwin.h>
#include <htmlhelp.h>
#include <shellapi.h>

#include "testkit/FakeClock.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "widgetlib/Hyperlink.h"
#include "win32/instance.h"
#include "win32/shell.h"
#include "win32/uidriver.h"
#include "win32qt/QtBackend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

using kel::testkit::UiTest;
namespace fs = std::filesystem;

constexpr char kPeerClassVar[] = "KEL_APPFW_PEER_CLASS";
// A cp1252 byte (e-acute) travels unchanged.
const std::string kHandedOver = "/data/scans/run \xE9 1.ana";

struct Received
{
    std::vector<std::pair<ULONG_PTR, std::string>> copies;
    std::vector<std::string> dropped;
    std::vector<UINT> sizes;
    std::string truncated;
    POINT dropPoint{};
    BOOL dropInClient = FALSE;
    UINT afterFinish = 99;
};
Received g_received;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COPYDATA)
    {
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        g_received.copies.emplace_back(cds->dwData,
                                       std::string(static_cast<const char*>(cds->lpData), cds->cbData));
        return TRUE;
    }
    if (msg == WM_DROPFILES)
    {
        HDROP drop = reinterpret_cast<HDROP>(wParam);
        const UINT count = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i)
        {
            char name[MAX_PATH] = {};
            DragQueryFile(drop, i, name, sizeof name);
            g_received.dropped.push_back(name);
            g_received.sizes.push_back(DragQueryFile(drop, i, nullptr, 0));
        }
        char small[5] = {};
        DragQueryFile(drop, 0, small, sizeof small);
        g_received.truncated = small;
        g_received.dropInClient = DragQueryPoint(drop, &g_received.dropPoint);
        DragFinish(drop);
        g_received.afterFinish = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

HWND MakeWindow(const std::string& cls, const char* title, DWORD style, HWND parent = nullptr, int x = 40,
                int y = 40, int cx = 300, int cy = 200)
{
    WNDCLASS wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = cls.c_str();
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClass(&wc);
    return CreateWindowEx(0, cls.c_str(), title, style, x, y, cx, cy, parent, nullptr, nullptr, nullptr);
}

class ServicesTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_received = Received{};
    }
};

// ---- Single instance ---------------------------------------------------------------------------------

// Run by the test below as a second process; skipped when run on its own.
TEST_F(ServicesTest, PeerHandsItsFileToTheRunningInstance)
{
    const char* cls = std::getenv(kPeerClassVar);
    if (!cls)
        GTEST_SKIP() << "runs only as the second instance";
    EXPECT_EQ(nullptr, FindWindow(cls, "another title"));
    HWND other = FindWindow(cls, "First instance");
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(other, FindWindow(cls, nullptr)); // the same stand-in
    char title[64] = {};
    GetWindowText(other, title, sizeof title);
    EXPECT_STREQ("First instance", title);
    SetForegroundWindow(other);
    ShowWindow(other, SW_RESTORE);
    COPYDATASTRUCT cds{7, static_cast<DWORD>(kHandedOver.size()), const_cast<char*>(kHandedOver.data())};
    EXPECT_EQ(TRUE, SendMessage(other, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)));
}

TEST_F(ServicesTest, SecondProcessHandsItsFileToTheFirstThroughTheLocalSocket)
{
    const std::string cls = "KelAppfwFrame" + std::to_string(getpid());
    HWND frame = MakeWindow(cls, "First instance", WS_OVERLAPPEDWINDOW);
    ASSERT_NE(nullptr, frame);
    ShowWindow(frame, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(frame));

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.push_back(std::string(kPeerClassVar) + "=" + cls);
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=ServicesTest.PeerHandsItsFileToTheRunningInstance";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(0, posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()));

    int status = -1;
    const bool ended = PumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 60000);
    if (!ended)
    {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    ASSERT_TRUE(ended);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second instance's checks failed";
    ASSERT_EQ(1u, g_received.copies.size());
    EXPECT_EQ(7u, g_received.copies[0].first);
    EXPECT_EQ(kHandedOver, g_received.copies[0].second);
    // Brought forward by the second instance.
    EXPECT_FALSE(IsIconic(frame));
    EXPECT_EQ(frame, GetActiveWindow());
}

TEST_F(ServicesTest, FindWindowOfAClassNobodyServesFindsNothing)
{
    EXPECT_EQ(nullptr, FindWindow("KelNobodyServesThis", nullptr));
    EXPECT_EQ(nullptr, FindWindow(MAKEINTRESOURCE(0xC123), nullptr));
}

TEST_F(ServicesTest, ServingAClassReplacesASocketLeftByAProcessThatDied)
{
    const std::string cls = "KelStaleFrame" + std::to_string(getpid());
    const std::string path = kel::ui::WindowClassSocketPath(cls);
    ASSERT_FALSE(path.empty());
    {
        // A socket file nobody listens on any more.
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr));
        close(fd);
    }
    EXPECT_TRUE(kel::ui::ServeWindowClass(cls));
    EXPECT_TRUE(kel::ui::ServeWindowClass(cls)); // idempotent
    kel::ui::StopServingWindowClasses();
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(ServicesTest, SocketNamesFollowTheClassCaseInsensitivelyAndFitAnAddress)
{
    EXPECT_EQ(kel::ui::WindowClassSocketPath("ZolFrame"), kel::ui::WindowClassSocketPath("zolframe"));
    EXPECT_NE(kel::ui::WindowClassSocketPath("A/B"), kel::ui::WindowClassSocketPath("A_B"));
    EXPECT_EQ(std::string::npos, kel::ui::WindowClassSocketPath("A/B").find("A/B"));
    const std::string longA = kel::ui::WindowClassSocketPath(std::string(200, 'A'));
    const std::string longB = kel::ui::WindowClassSocketPath(std::string(199, 'A') + "B");
    EXPECT_LT(longA.size(), sizeof(sockaddr_un::sun_path));
    EXPECT_NE(longA, longB);
    EXPECT_EQ("", kel::ui::WindowClassSocketPath(""));
}

// ---- Dropped files --------------------------------------------------------------------------------------

TEST_F(ServicesTest, FilesDroppedOnAChildOfAnAcceptingWindowArriveAsWmDropFiles)
{
    HWND frame = MakeWindow("KelDropFrame", "Drop", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND child = MakeWindow("KelDropChild", "", WS_CHILD | WS_VISIBLE, frame, 20, 30, 100, 80);
    ASSERT_TRUE(frame && child);
    DragAcceptFiles(frame, TRUE);
    EXPECT_TRUE(GetWindowLong(frame, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    ASSERT_TRUE(kel::qt::SimulateFileDrop(child, POINT{5, 6}, {"/tmp/a.ana", "/tmp/b \xC3\xA9.ana"}));
    ASSERT_TRUE(PumpUntil([] { return !g_received.dropped.empty(); }));
    EXPECT_EQ((std::vector<std::string>{"/tmp/a.ana", "/tmp/b \xE9.ana"}), g_received.dropped);
    EXPECT_EQ((std::vector<UINT>{10, 12}), g_received.sizes);
    EXPECT_EQ("/tmp", g_received.truncated);
    EXPECT_TRUE(g_received.dropInClient);
    EXPECT_EQ(25, g_received.dropPoint.x); // in the frame's client coordinates
    EXPECT_EQ(36, g_received.dropPoint.y);
    EXPECT_EQ(0u, g_received.afterFinish); // the handle is gone
}

TEST_F(ServicesTest, DropsAreRefusedWhereNoWindowAcceptsThemOrNoNameFits)
{
    HWND frame = MakeWindow("KelDropFrame", "Drop", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(nullptr, frame);
    CWnd wnd;
    wnd.Attach(frame);
    wnd.DragAcceptFiles(TRUE);
    // A name cp1252 cannot hold is left out rather than mangled.
    EXPECT_FALSE(kel::qt::SimulateFileDrop(frame, POINT{5, 5}, {"/tmp/\xE6\x97\xA5.ana"}));
    wnd.DragAcceptFiles(FALSE);
    EXPECT_FALSE(GetWindowLong(frame, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_FALSE(kel::qt::SimulateFileDrop(frame, POINT{5, 5}, {"/tmp/a.ana"}));
    wnd.Detach();
    Pump();
    EXPECT_TRUE(g_received.dropped.empty());
    EXPECT_EQ(0u, DragQueryFile(reinterpret_cast<HDROP>(0x1234), 0xFFFFFFFF, nullptr, 0));
    EXPECT_FALSE(DragQueryPoint(nullptr, nullptr));
}

// ---- Help and shell ---------------------------------------------------------------------------------

class HelpTest : public ServicesTest
{
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        fs::create_directories(dir_ / "unpacked.chm" / "html");
        std::ofstream(dir_ / "kelHlp.chm") << "help";
        std::ofstream(dir_ / "unpacked.chm" / "html" / "NewFeatures.htm") << "<html></html>";
        previous_ = kel::SetUrlOpener(
            [this](const std::string& url)
            {
                opened_.push_back(url);
                return opens_;
            });
    }
    void TearDown() override
    {
        kel::SetUrlOpener(previous_);
        ServicesTest::TearDown();
    }
    kel::testkit::TempDir dir_{"kel-help-"};
    std::vector<std::string> opened_;
    BOOL opens_ = TRUE;
    kel::UrlOpener previous_;
};

TEST_F(HelpTest, HelpFilesOpenWithTheDesktopsHandler)
{
    const std::string chm = (dir_ / "kelHlp.chm").string();
    // Built the way a Windows program glues a folder and a name.
    const std::string backslashed = dir_.path().string() + "\\kelHlp.chm::/html/NewFeatures.htm";
    EXPECT_EQ(GetDesktopWindow(),
              HtmlHelp(nullptr, (chm + "::/html/NewFeatures.htm").c_str(), HH_DISPLAY_TOPIC, 0));
    EXPECT_NE(nullptr, HtmlHelp(nullptr, backslashed.c_str(), HH_HELP_CONTEXT, 0x40004));
    EXPECT_TRUE(WinHelp(nullptr, chm.c_str(), HELP_CONTEXT, 0x40004));
    // An unpacked help file shows the topic itself.
    const std::string folder = (dir_ / "unpacked.chm").string();
    EXPECT_NE(nullptr,
              HtmlHelp(nullptr, (folder + "::/html/NewFeatures.htm>main").c_str(), HH_DISPLAY_TOPIC, 0));
    EXPECT_EQ((std::vector<std::string>{chm, chm, chm, folder + "/html/NewFeatures.htm"}), opened_);
    // Nothing to open or close.
    EXPECT_EQ(nullptr, HtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0));
    EXPECT_TRUE(WinHelp(nullptr, chm.c_str(), HELP_QUIT, 0));
    EXPECT_EQ(4u, opened_.size());
}

TEST_F(HelpTest, AMissingHelpFileIsNamedInAMessage)
{
    kel::testkit::ScriptedPrompts prompts;
    const std::string missing = (dir_ / "missing.chm").string();
    prompts.Expect("\"" + missing + "\"").Reply(IDOK).Times(2);
    EXPECT_EQ(nullptr, HtmlHelp(nullptr, (missing + "::/html/NewFeatures.htm").c_str(), HH_DISPLAY_TOPIC, 0));
    EXPECT_FALSE(WinHelp(nullptr, missing.c_str(), HELP_FINDER, 0));
    EXPECT_TRUE(opened_.empty());
}

TEST_F(HelpTest, ShellExecuteOpensFilesThroughTheOpener)
{
    const std::string file = (dir_ / "kelHlp.chm").string();
    SHELLEXECUTEINFO sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS;
    sei.lpVerb = "open";
    sei.lpFile = file.c_str();
    sei.nShow = SW_SHOWNORMAL;
    EXPECT_TRUE(ShellExecuteEx(&sei));
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(sei.hInstApp), 32u);
    EXPECT_GT(reinterpret_cast<ULONG_PTR>(
                  ShellExecute(nullptr, nullptr, "https://example.org/", nullptr, nullptr, SW_SHOW)),
              32u);
    EXPECT_EQ((std::vector<std::string>{file, "https://example.org/"}), opened_);

    // Another verb, or a handler that fails, is reported as a failure.
    EXPECT_LE(
        reinterpret_cast<ULONG_PTR>(ShellExecute(nullptr, "print", file.c_str(), nullptr, nullptr, SW_SHOW)),
        32u);
    opens_ = FALSE;
    EXPECT_FALSE(ShellExecuteEx(&sei));
    EXPECT_EQ(static_cast<ULONG_PTR>(SE_ERR_NOASSOC), reinterpret_cast<ULONG_PTR>(sei.hInstApp));
    EXPECT_EQ(3u, opened_.size());
}

// ---- Idle time --------------------------------------------------------------------------------------

TEST_F(ServicesTest, LastInputTimeMovesWithInputOnly)
{
    kel::testkit::FakeClock clock(100000);
    HWND frame = MakeWindow("KelInputFrame", "Input", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(nullptr, frame);
    kel::ui::PostInput(MSG{frame, WM_MOUSEMOVE, 0, MAKELPARAM(3, 4), 0, {}});
    LASTINPUTINFO lii{sizeof lii, 0};
    ASSERT_TRUE(GetLastInputInfo(&lii));
    EXPECT_EQ(GetTickCount(), lii.dwTime);

    const DWORD before = lii.dwTime;
    clock.Advance(5000);
    PostMessage(frame, WM_TIMER, 1, 0); // not input
    SendMessage(frame, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x"));
    ASSERT_TRUE(GetLastInputInfo(&lii));
    EXPECT_EQ(before, lii.dwTime);

    kel::ui::PostInput(MSG{frame, WM_KEYDOWN, VK_SPACE, 1, 0, {}});
    ASSERT_TRUE(GetLastInputInfo(&lii));
    EXPECT_EQ(before + 5000, lii.dwTime);
    EXPECT_FALSE(GetLastInputInfo(nullptr));
}

} // namespace
