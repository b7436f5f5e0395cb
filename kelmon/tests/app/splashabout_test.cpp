// The small pieces around the main window: the start-up picture closes itself, the About box and
// its link, the help file beside the program, the help topics the dialogs ask for (Help button
// and F1) and how shared topics fold, and the scan bar's history scroll bar.
#include "app/AboutDlg.h"
#include "app/KelApp.h"
#include "app/MainFrm.h"
#include "app/ScanBar.h"
#include "app/SplashDlg.h"
#include "dialogs/AxisLabelsDlg.h"
#include "dialogs/HeadLockDlg.h"
#include "dialogs/PressureReductionDlg.h"
#include "displays/Display.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"
#include "testkit/FakeClock.h"
#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "win32/shell.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;
using kel::testkit::UiTest;

namespace
{

// The application with the help requests recorded as they reach it.
class CHelpRecordingApp : public CKelApp
{
public:
    void WinHelp(DWORD_PTR dwData, UINT nCmd) override
    {
        asked.push_back(dwData);
        (void)nCmd;
    }
    std::vector<DWORD_PTR> asked;
};

// Records the addresses the shell is asked to open.
struct OpenedUrls
{
    OpenedUrls()
    {
        previous = kel::SetUrlOpener(
            [this](const std::string& url)
            {
                urls.push_back(url);
                return TRUE;
            });
    }
    ~OpenedUrls() { kel::SetUrlOpener(previous); }
    std::vector<std::string> urls;
    kel::UrlOpener previous;
};

std::string ProgramFolder()
{
    char program[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileName(nullptr, program, sizeof program);
    return std::filesystem::path(std::string(program, n)).parent_path().string();
}

TEST(HelpContext, SharedTopicsFoldAndOthersPassUnchanged)
{
    const struct
    {
        DWORD_PTR in, out;
    } cases[] = {
        {0x1E110, 0x1E110}, {0x1E115, 0x1E110}, {0x1E11F, 0x1E110}, {0x1E120, 0x1E120}, {0x1E10F, 0x1E10F},
        {0x40004, 0x40004}, {0x1EF00, 0x40004}, {0x4000A, 0x40004}, {0x40010, 0x40004}, {0x40012, 0x40004},
        {0x40013, 0x40013}, {0x40008, 0x40008}, {0x1EF02, 0x40008}, {0x40009, 0x40009}, {0x1EF03, 0x40009},
        {0x1EF01, 0x1EF01}, {0x20077, 0x18020}, {0x20078, 0x1803E}, {0x20079, 0x1803E}, {0x20081, 0x1805F},
        {0x20096, 0x18053}, {0x200A1, 0x18063}, {0x200A2, 0x18064}, {0x200A3, 0x18068}, {0x200B3, 0x18069},
        {0x20608, 0x1806A}, {0x200B2, 0x1806B}, {0x18040, 0x18040}, {0x200B4, 0x200B4}, {0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FoldHelpContext(c.in), c.out) << std::hex << c.in;
}

class HelpTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        char cwd[4096] = {};
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
        oldCwd = cwd;
        ASSERT_EQ(::chdir(elsewhere.path().c_str()), 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(::chdir(oldCwd.c_str()), 0);
        UiTest::TearDown();
    }
    kel::testkit::TempDir elsewhere{"kelmon-cwd-"};
    std::string oldCwd;
};

TEST_F(HelpTest, TheHelpFileIsTheOneBesideTheProgramNotInTheCurrentFolder)
{
    // A help file in the current folder is not the program's.
    std::ofstream(elsewhere.path() / "kelHlp3_0.chm") << "decoy";
    const std::string expected = ProgramFolder() + "/kelHlp3_0.chm";
    EXPECT_EQ(std::string(static_cast<LPCTSTR>(HelpFilePath())), expected);

    // Without the program's help file the user is told which file is missing.
    {
        ScriptedPrompts prompts;
        prompts.Expect(expected).Reply(IDOK);
        OpenedUrls opened;
        EXPECT_FALSE(OpenHelpFile());
        EXPECT_TRUE(opened.urls.empty());
    }

    // With it, the help opens from beside the program even though the current folder differs.
    ASSERT_FALSE(std::filesystem::exists(expected)) << "a help file is installed beside the tests";
    std::ofstream(expected) << "help";
    OpenedUrls opened;
    const bool shown = OpenHelpFile();
    std::filesystem::remove(expected);
    EXPECT_TRUE(shown);
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0], expected);
}

TEST_F(HelpTest, TheApplicationsHelpOpensTheProgramsHelpFileAndNamesItWhenMissing)
{
    CKelApp app;
    char arg0[] = "kelmon";
    char* argv[] = {arg0};
    app.SetCommandLine(1, argv);
    ScriptedPrompts prompts;
    prompts.Expect("kelHlp3_0.chm").Reply(IDOK);
    // InitInstance sets the help file; the test sets it as the start does.
    const CString file = HelpFilePath();
    app.m_pszHelpFilePath = file;
    app.WinHelp(0x40010);
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_NE(prompts.Prompts()[0].text.find(ProgramFolder()), std::string::npos);
}

// Each dialog's Help button and F1 ask the application for the dialog's topic.
class DialogHelpTest : public UiTest
{
protected:
    template <typename Dlg> std::vector<DWORD_PTR> AskHelp(int helpButton)
    {
        std::vector<DWORD_PTR> asked;
        {
            CHelpRecordingApp app;
            ScriptedPrompts prompts;
            prompts.Expect(Dlg::IDD).Drive(
                [&](DialogDriver& d)
                {
                    d.Click(helpButton);
                    d.Focus(IDCANCEL);
                    d.Press(VK_F1);
                    d.Click(IDCANCEL);
                });
            Dlg dlg;
            dlg.DoModal();
            asked = app.asked;
        }
        return asked;
    }
};

TEST_F(DialogHelpTest, HelpButtonAndF1GiveTheDialogsTopic)
{
    using Topics = std::vector<DWORD_PTR>;
    // A dialog opened by a menu command: the command's topic, from its own handler.
    EXPECT_EQ(AskHelp<CAxisLabelsDlg>(ID_HELP), Topics(2, 0x10000 + 32838));
    // A dialog a menu command opens: that command's topic, for IDHELP as for ID_HELP.
    EXPECT_EQ(AskHelp<CPressureReductionDlg>(IDHELP), Topics(2, 0x10000 + ID_UTIL_PRESSURE_REDUCTION));
    // The lock dialog answers with the lock command's topic.
    EXPECT_EQ(AskHelp<CHeadLockDlg>(IDHELP), Topics(2, 0x18040));
}

class SplashTest : public UiTest
{
};

TEST_F(SplashTest, ClosesItselfAfterThreeAndAHalfSecondsAndNotOnAClick)
{
    kel::testkit::FakeClock clock{5000};
    ScriptedPrompts prompts;
    bool openBefore = false, openAfterClick = false;
    CRect picture, box;
    prompts.Expect(IDD_SPLASH)
        .Drive(
            [&](DialogDriver& d)
            {
                ::GetWindowRect(d.Item(IDC_SPLASH_PICTURE), &picture);
                ::GetWindowRect(d.Dialog(), &box);
                d.Pump();
                if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
                    kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                          std::string(keep) + "/kelmon_splash.png");
                d.Click(IDC_SPLASH_PICTURE);
                openAfterClick = d.IsOpen();
                clock.Advance(CSplashDlg::kShowMs - 1);
                d.Pump();
                openBefore = d.IsOpen();
                clock.Advance(1);
                UiTest::PumpUntil([&] { return !d.IsOpen(); }, 2000);
            });
    CSplashDlg splash;
    EXPECT_EQ(splash.DoModal(), 1);
    EXPECT_TRUE(openAfterClick);
    EXPECT_TRUE(openBefore);
    // The box is the picture's size, centred in the work area.
    EXPECT_EQ(box, picture);
    EXPECT_EQ(box.Width(), 360);
    EXPECT_EQ(box.Height(), 200);
    EXPECT_NEAR(box.left, (::GetSystemMetrics(SM_CXFULLSCREEN) - 360) / 2, 1);
    EXPECT_NEAR(box.top, (::GetSystemMetrics(SM_CYFULLSCREEN) - 200) / 2, 1);
}

TEST(AboutTest, TheLinkSitsInItsFrameAndOpensTheMakersSite)
{
    UiTest::Pump(1);
    ScriptedPrompts prompts;
    OpenedUrls opened;
    prompts.Expect(IDD_ABOUTBOX)
        .Drive(
            [&](DialogDriver& d)
            {
                CWnd* wnd = CWnd::FromHandle(d.Item(IDC_ABOUT_LINK));
                ASSERT_NE(wnd, nullptr);
                auto* link = dynamic_cast<CHyperlink*>(CWnd::FromHandlePermanent(d.Item(IDC_ABOUT_LINK)));
                ASSERT_NE(link, nullptr);
                CString text;
                link->GetWindowText(text);
                EXPECT_STREQ(text, "ZOL website");
                EXPECT_EQ(link->GetLinkColour(), static_cast<COLORREF>(0x00FF0C00));
                EXPECT_EQ(link->GetActiveColour(), static_cast<COLORREF>(0x00F0700A));
                EXPECT_TRUE(link->IsWindowVisible());
                // One pixel inside the frame the template keeps for it.
                CRect frame, inside;
                ::GetWindowRect(d.Item(IDC_ABOUT_LINK_FRAME), &frame);
                link->GetWindowRect(&inside);
                frame.DeflateRect(1, 1);
                EXPECT_EQ(inside, frame);
                // A click opens the maker's site.
                CRect client;
                link->GetClientRect(&client);
                link->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
                link->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
                if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
                    kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                          std::string(keep) + "/kelmon_about.png");
                d.Click(IDOK);
            });
    CKelApp app;
    app.OnAppAbout();
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0], kMakerWebAddress);
}

// A display that keeps a history of `count` points with `screen` points on the screen.
class CHistoryDisplay : public CDisplay
{
public:
    void UpdateData(void*, int) override {}
    int ReadData(float*, int) override { return 0; }
    BOOL Rebuild() override { return 1; }
    int BuildPage() override { return 1; }
    int ShowHistory(int first, int) override
    {
        moves.push_back(first);
        return 1;
    }
    int IsHistoryShown() override { return shown; }
    int GetHistoryCount() override { return count; }
    int CanChangeHistoryLength(int, int* current) override
    {
        if (current)
            *current = screen;
        return 1;
    }
    std::vector<int> moves;
    int shown = 1;
    int count = 5000;
    int screen = 500;
};

class CTestScanBar : public CScanBar
{
public:
    CDisplay* GetHistoryDisplay() override { return display; }
    CDisplay* display = nullptr;
};

class ScanBarTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        frame = new CFrameWnd;
        ASSERT_TRUE(frame->Create(nullptr, "scan bar", WS_OVERLAPPEDWINDOW, CRect(0, 0, 700, 200)));
        ASSERT_TRUE(bar.Create(frame, IDD_SCAN_BAR, CBRS_TOP, IDW_SCAN_BAR));
        bar.display = &display;
    }
    void TearDown() override
    {
        frame->DestroyWindow();
        UiTest::TearDown();
    }
    int ThumbPos() { return ::GetScrollPos(bar.GetDlgItem(IDC_SCANBAR_SCROLL)->GetSafeHwnd(), SB_CTL); }
    void Scroll(UINT code, UINT pos = 0)
    {
        bar.OnHScroll(code, pos, nullptr); // the bar's own scroll bar
    }

    CFrameWnd* frame = nullptr;
    CTestScanBar bar;
    CHistoryDisplay display;
};

TEST_F(ScanBarTest, StartsAtTheLatestDataWithItsPictureButtons)
{
    EXPECT_EQ(bar.GetCurrentPos(), 1000);
    EXPECT_EQ(ThumbPos(), 1000);
    int lo = -1, hi = -1;
    ::GetScrollRange(bar.GetDlgItem(IDC_SCANBAR_SCROLL)->GetSafeHwnd(), SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 1000);
    for (CBitmapButton* button : {&bar.m_zoomIn, &bar.m_zoomOut, &bar.m_scroll, &bar.m_history})
    {
        ASSERT_NE(button->GetSafeHwnd(), nullptr);
        CRect rect;
        button->GetWindowRect(&rect);
        EXPECT_EQ(rect.Size(), CSize(20, 20));
        EXPECT_NE(button->GetBitmap(), nullptr);
    }
}

TEST_F(ScanBarTest, ScrollingMovesTheDisplayBackThroughItsHistoryWithinTheRange)
{
    bar.SetupHistoryScroll();
    EXPECT_EQ(bar.GetPageStep(), 100); // 500 of 5000 points on the screen
    // 5000 points over 1000 steps: five points a step.
    const struct
    {
        UINT code;
        UINT pos;
        int thumb;
        int move; // 0: the display is not asked
    } steps[] = {
        {SB_LINERIGHT, 0, 1000, 0}, // already at the latest data
        {SB_LINELEFT, 0, 999, -5},
        {SB_PAGELEFT, 0, 899, -500},
        {SB_THUMBTRACK, 400, 400, -2495},
        {SB_PAGERIGHT, 0, 500, 500},
        {SB_LEFT, 0, 0, -2500},
        {SB_LINELEFT, 0, 0, 0},
        {SB_THUMBPOSITION, 2000, 1000, 5000},
        {SB_ENDSCROLL, 0, 1000, 0},
    };
    for (const auto& s : steps)
    {
        display.moves.clear();
        Scroll(s.code, s.pos);
        EXPECT_EQ(bar.GetCurrentPos(), s.thumb) << s.code;
        EXPECT_EQ(ThumbPos(), s.thumb) << s.code;
        EXPECT_EQ(display.moves, s.move ? std::vector<int>{s.move} : std::vector<int>{}) << s.code;
    }

    // A display that does not show its history is not moved, and the thumb stays.
    display.shown = 0;
    display.moves.clear();
    Scroll(SB_PAGELEFT);
    EXPECT_EQ(bar.GetCurrentPos(), 1000);
    EXPECT_EQ(ThumbPos(), 1000);
    EXPECT_TRUE(display.moves.empty());
    // Nor without a display.
    bar.display = nullptr;
    Scroll(SB_LINELEFT);
    EXPECT_EQ(bar.GetCurrentPos(), 1000);
}

TEST_F(ScanBarTest, ShortHistoriesStepOnePointAndKeepAPageStep)
{
    display.count = 300;
    display.screen = 0;
    bar.SetupHistoryScroll();
    EXPECT_EQ(bar.GetPageStep(), 10);
    Scroll(SB_PAGELEFT);
    EXPECT_EQ(display.moves, std::vector<int>{-10});
}

} // namespace
