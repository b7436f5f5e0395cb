// kelterm's frame and panes offscreen: the anchor rules, the instrument list over virtual ports with
// the head emulator and the simulated instrument, connecting rows, the raw terminal end to end,
// failures, closing, and a screenshot of the whole window.
#include "dialogs/HeadDialogs.h"
#include "engine/TerminalEngine.h"
#include "ports/PortList.h"
#include "res/resource.h"
#include "shell/ControlAnchor.h"
#include "shell/MainFrm.h"
#include "shell/TerminalApp.h"
#include "shell/TerminalEdit.h"

#include "HeadEmulator.h"
#include "testkit/Image.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "testkit/VirtualSerial.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace
{

using kel::testkit::HeadEmulator;
using kel::testkit::ScriptedPrompts;
using kel::testkit::UiTest;
using kel::testkit::VirtualNullModem;

// ---- The anchor rules on a window of known pixel geometry ---------------------------------------

class ControlAnchorTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        parent.CreateEx(0, AfxRegisterWndClass(0), "anchor", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100),
                        nullptr, 0);
        // The instrument list's layout in pixels: a list under two buttons either side of the centre.
        Child(1004, CRect(10, 30, 190, 90));
        Child(1002, CRect(40, 5, 90, 25));
        Child(1006, CRect(110, 5, 160, 25));
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        UiTest::TearDown();
    }
    void Child(int id, const CRect& rect)
    {
        CreateWindow("STATIC", "", WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.Width(), rect.Height(),
                     parent.GetSafeHwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                     nullptr);
    }
    CRect RectOf(int id)
    {
        CRect rect;
        parent.GetDlgItem(id)->GetWindowRect(&rect);
        parent.ScreenToClient(&rect);
        return rect;
    }

    CWnd parent;
};

TEST_F(ControlAnchorTest, ThePaneRulesStretchTheListAndKeepTheButtonsAtTheCentre)
{
    CControlAnchor anchor;
    anchor.Init(&parent, nullptr, CLeftPaneDlg::s_rules, 3);
    struct Case
    {
        int cx, cy;
        CRect list, connect, update;
    } cases[] = {
        {200, 100, {10, 30, 190, 90}, {40, 5, 90, 25}, {110, 5, 160, 25}},
        {400, 300, {10, 30, 390, 290}, {140, 5, 190, 25}, {210, 5, 260, 25}},
        {301, 150, {10, 30, 291, 140}, {90, 5, 140, 25}, {160, 5, 210, 25}},
        {120, 60, {10, 30, 110, 50}, {0, 5, 50, 25}, {70, 5, 120, 25}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.cx) + "x" + std::to_string(c.cy));
        parent.SetWindowPos(nullptr, 0, 0, c.cx, c.cy, SWP_NOZORDER | SWP_NOMOVE);
        anchor.Resize();
        EXPECT_EQ(RectOf(1004), c.list);
        EXPECT_EQ(RectOf(1002), c.connect);
        EXPECT_EQ(RectOf(1006), c.update);
    }
}

TEST_F(ControlAnchorTest, ScaledEdgesAndOverlapsFollowTheirRules)
{
    // The list's right edge scales with the width; the second button keeps the first one's
    // distance; a third control laid over the list is shrunk to nothing.
    Child(1008, CRect(20, 40, 60, 60));
    static const CControlAnchor::Rule rules[] = {
        {1004, {1, 0, 1}, {1, 0, 2}, {2, 0, 3}, {1, 0, 4}},
        {1002, {1, 0, 1}, {1, 0, 2}, {3, 0, 0}, {4, 0, 0}},
        {1006, {1, 1002, 3}, {1, 1002, 2}, {3, 0, 0}, {4, 0, 0}},
        {1008, {1, 0, 1}, {1, 0, 2}, {3, 0, 0}, {4, 0, 0}},
        {1009, {7, 0, 1}, {1, 0, 9}, {3, 0, 0}, {4, 0, 0}}, // unknown type and edge code: 0
    };
    CControlAnchor anchor;
    anchor.Init(&parent, nullptr, rules, 5);
    parent.SetWindowPos(nullptr, 0, 0, 400, 100, SWP_NOZORDER | SWP_NOMOVE);
    anchor.Resize();
    // right: 400 + 400 * (190 - 200) / 200 = 380
    EXPECT_EQ(RectOf(1004), CRect(10, 30, 380, 90));
    EXPECT_EQ(RectOf(1002), CRect(40, 5, 90, 25));
    EXPECT_EQ(RectOf(1006), CRect(110, 5, 160, 25));
    EXPECT_TRUE(anchor.GetResults()[3].overlap);
    EXPECT_EQ(RectOf(1008), CRect(0, 0, 0, 0));
    EXPECT_FALSE(anchor.GetResults()[0].overlap);
    EXPECT_EQ(anchor.GetResults()[4].rect, CRect(0, 0, 0, 0));
}

TEST(TerminalEditText, LineFeedCarriageReturnPairsAreTurned)
{
    struct Case
    {
        std::string in, out;
    } cases[] = {
        {"A\n\rB", "A\r\nB"},
        {"\n\r\n\r", "\r\n\r\n"},
        {"\n\n\r", "\n\r\n"},
        {"ID\r", "ID\r"},
        {std::string("a\0\n\rb", 5), std::string("a\0\r\nb", 5)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CTerminalEdit::TurnLineEnds(c.in.data(), c.in.size()), c.out);
}

// ---- The whole frame over virtual ports ---------------------------------------------------------

constexpr int kHeadPort = 46;   // a head answers here
constexpr int kSilentPort = 47; // nothing on the line

class KeltermFrameTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        headModem.RegisterAs(kHeadPort);
        silentModem.RegisterAs(kSilentPort);
        silentModem.SetDtr(false);
        head.emplace(headModem);
        CPortList::Destroy();
        CPortList::SetBuildWithSimulated(1);
        CHeadDialogs::Install(); // as the program's start does
        prompts.emplace();
        frame = new CMainFrame;
        app.m_pMainWnd = frame;
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE));
        frame->SetWindowPos(nullptr, 0, 0, 900, 520, SWP_NOZORDER);
        frame->ShowWindow(SW_SHOW);
        UiTest::Pump(50);
    }

    void TearDown() override
    {
        if (CTerminalEngine* engine = CTerminalEngine::PeekInstance(); engine && engine->IsConnected())
            engine->ClosePort();
        if (frame && IsWindow(frame->GetSafeHwnd()))
            frame->DestroyWindow();
        app.m_pMainWnd = nullptr;
        prompts.reset();
        head.reset();
        UiTest::TearDown();
    }

    CLeftPaneDlg& Left() { return frame->GetLeftPane(); }
    CGenListCtrl& List() { return Left().GetList(); }
    CTerminalEdit& Terminal() { return frame->GetRightPane().GetTerminal(); }
    CTerminalEngine& Engine() { return *CTerminalEngine::GetInstance(); }

    int Image(int row)
    {
        LVITEM item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        List().GetItem(&item);
        return item.iImage;
    }
    std::string Text(int row, int column) { return std::string(List().GetItemText(row, column)); }
    std::string ButtonText()
    {
        CString text;
        Left().GetConnectButton().GetWindowText(text);
        return std::string(text);
    }
    void Select(int row)
    {
        for (int other = 0; other < List().GetItemCount(); ++other)
            List().SetItemState(other, 0, LVIS_SELECTED | LVIS_FOCUSED);
        List().SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        UiTest::Pump(10);
    }
    void ClickConnect()
    {
        Left().SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CONNECT, BN_CLICKED),
                           reinterpret_cast<LPARAM>(Left().GetConnectButton().GetSafeHwnd()));
        UiTest::Pump(20);
    }
    void Type(const std::string& text)
    {
        Terminal().SetFocus();
        for (char c : text)
            Terminal().SendMessage(WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    std::string TerminalText()
    {
        CString text;
        Terminal().GetWindowText(text);
        return std::string(text);
    }

    CTerminalApp app;
    VirtualNullModem headModem, silentModem;
    std::optional<HeadEmulator> head;
    std::optional<ScriptedPrompts> prompts;
    CMainFrame* frame = nullptr;
};

TEST_F(KeltermFrameTest, TheListShowsThePortsWithAHeadAndTheSimulatedInstrument)
{
    ASSERT_EQ(List().GetItemCount(), 2); // the silent port has no instrument and is left out
    EXPECT_EQ(Text(0, 0), "COM46");
    EXPECT_EQ(Text(0, 1), "KEL");
    EXPECT_EQ(Text(0, 2), "ZOLKEL200VER1.02SN12345");
    EXPECT_EQ(Text(1, 0), "SOFT0");
    EXPECT_EQ(Text(1, 1), "KEL");
    EXPECT_EQ(Image(0), 1);
    EXPECT_EQ(Image(1), 1);
    CImageList* images = List().GetImageList(LVSIL_SMALL);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->GetImageCount(), 2);
    EXPECT_EQ(Left().GetSelectedRow(), 0);
    EXPECT_EQ(ButtonText(), "Connect");
    EXPECT_TRUE(Left().GetConnectButton().IsWindowEnabled());
    // The headings.
    HDITEM column{};
    char name[32] = "";
    column.mask = HDI_TEXT;
    column.pszText = name;
    column.cchTextMax = sizeof name;
    List().GetHeaderCtrl()->GetItem(2, &column);
    EXPECT_STREQ(name, "ID");
}

TEST_F(KeltermFrameTest, ARowConnectsTheTerminalAndTypedTextReachesTheHead)
{
    Select(0);
    ClickConnect();
    ASSERT_TRUE(Engine().IsConnected());
    EXPECT_EQ(Engine().GetPortName(), "COM46");
    EXPECT_EQ(Image(0), 0);
    EXPECT_EQ(ButtonText(), "Disconnect");

    head->ClearLog();
    Type("ID?\r");
    ASSERT_TRUE(head->WaitForCommands(1));
    EXPECT_EQ(head->Received(), "ID?\r");
    EXPECT_TRUE(UiTest::PumpUntil(
        [&] { return TerminalText().find("ZOLKEL200VER1.02SN12345") != std::string::npos; }))
        << TerminalText();
    // What was typed shows too, ahead of the reply (anything the head said on connecting may come
    // first).
    const std::string text = TerminalText();
    EXPECT_LT(text.find("ID?\r\n"), text.find("ZOLKEL200VER1.02SN12345")) << text;

    // Clear empties the terminal.
    frame->SendMessage(WM_COMMAND, ID_CLEAR_TERMINAL);
    EXPECT_EQ(TerminalText(), "");

    ClickConnect(); // now Disconnect
    EXPECT_FALSE(Engine().IsConnected());
    EXPECT_EQ(Image(0), 1);
    EXPECT_EQ(ButtonText(), "Connect");
    EXPECT_FALSE(headModem.IsOpen());
}

TEST_F(KeltermFrameTest, TheRowMenuFollowsTheRowsState)
{
    auto menuState = [&](int row, bool connect)
    {
        CMenu menu;
        EXPECT_TRUE(menu.LoadMenu(IDR_LIST_MENU));
        CMenu* popup = menu.GetSubMenu(0);
        Left().SetUpContextMenu(*popup, row);
        CString text;
        popup->GetMenuString(ID_LIST_CONNECT, text, MF_BYCOMMAND);
        const UINT state = popup->GetMenuState(connect ? ID_LIST_CONNECT : ID_LIST_PROPERTIES, MF_BYCOMMAND);
        menu.DestroyMenu();
        return std::string(text) + ((state & MF_GRAYED) ? " grayed" : "");
    };
    EXPECT_EQ(menuState(0, true), "Connect");
    EXPECT_EQ(menuState(0, false), "Connect grayed"); // Properties only when connected
    Select(0);
    ClickConnect();
    EXPECT_EQ(menuState(0, true), "Disconnect");
    EXPECT_EQ(menuState(0, false), "Disconnect");
}

TEST_F(KeltermFrameTest, ConnectingAnotherRowDisconnectsTheFirst)
{
    Select(0);
    ClickConnect();
    ASSERT_TRUE(Engine().IsConnected());
    Select(1);
    ClickConnect();
    EXPECT_FALSE(Engine().IsConnected());
    EXPECT_FALSE(headModem.IsOpen());
    EXPECT_EQ(Image(0), 1);
    EXPECT_EQ(Image(1), 0);
    EXPECT_EQ(ButtonText(), "Disconnect");
    EXPECT_TRUE(CPortList::Instance().HoldAt(1)->GetConnected());
}

TEST_F(KeltermFrameTest, ABusyPortLeavesTheRowDisconnectedAndSaysWhy)
{
    HANDLE other =
        CreateFile("\\\\.\\COM46", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    prompts->Expect("COM46 (virtual port): in use by another program").Reply(IDOK);
    Select(0);
    ClickConnect();
    EXPECT_FALSE(Engine().IsConnected());
    EXPECT_FALSE(CPortList::Instance().HoldAt(0)->GetConnected());
    EXPECT_EQ(Image(0), 1);
    EXPECT_EQ(ButtonText(), "Connect");
    CloseHandle(other);
}

TEST_F(KeltermFrameTest, AHeadThatGoesAwayIsShownAsDisconnectedOnUpdate)
{
    Select(0);
    ClickConnect();
    ASSERT_TRUE(Engine().IsConnected());
    headModem.SetDtr(false); // the cable is pulled
    EXPECT_TRUE(UiTest::PumpUntil(
        [&]
        {
            for (const std::string& line : Engine().GetStatusLines())
                if (line.find("EVENT: DSR") != std::string::npos)
                    return true;
            return false;
        }));
    Left().SendMessage(WM_COMMAND, MAKEWPARAM(IDC_UPDATE_LIST, BN_CLICKED), 0);
    UiTest::Pump(20);
    // The terminal lets the port go with its row.
    EXPECT_FALSE(Engine().IsConnected());
    for (int row = 0; row < List().GetItemCount(); ++row)
        EXPECT_EQ(Image(row), 1) << row;
}

TEST_F(KeltermFrameTest, ThePanesShareTheFrameThirtyEightToSixtyTwo)
{
    for (int width : {900, 1200, 640})
    {
        SCOPED_TRACE(width);
        frame->SetWindowPos(nullptr, 0, 0, width, 520, SWP_NOZORDER | SWP_NOMOVE);
        UiTest::Pump(10);
        CRect client, left, right, toolbar, status;
        frame->GetClientRect(&client);
        frame->GetLeftPane().GetWindowRect(&left);
        frame->GetRightPane().GetWindowRect(&right);
        frame->GetToolBar().GetWindowRect(&toolbar);
        frame->GetStatusBar().GetWindowRect(&status);
        frame->ScreenToClient(&left);
        frame->ScreenToClient(&right);
        const int w = static_cast<int>(client.Width() * 0.38);
        EXPECT_GT(toolbar.Height(), 0);
        EXPECT_GT(status.Height(), 0);
        auto text = [](const CRect& r)
        {
            return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
                   "," + std::to_string(r.bottom);
        };
        EXPECT_EQ(text(left), text(CRect(0, toolbar.Height(), w, client.Height() - status.Height())));
        EXPECT_EQ(text(right),
                  text(CRect(w, toolbar.Height(), client.Width(), client.Height() - status.Height())));
        // The list keeps its margins to the pane's edges at every width.
        CRect list, pane;
        List().GetWindowRect(&list);
        Left().ScreenToClient(&list);
        Left().GetClientRect(&pane);
        EXPECT_EQ(pane.right - list.right, list.left);
    }
}

TEST_F(KeltermFrameTest, ClosingWhileConnectedAsksAndNoKeepsTheWindow)
{
    Select(0);
    ClickConnect();
    ASSERT_TRUE(Engine().IsConnected());
    prompts->Expect("Disconnect from COM46?").Reply(IDNO);
    frame->SendMessage(WM_CLOSE);
    EXPECT_TRUE(IsWindow(frame->GetSafeHwnd()));
    EXPECT_TRUE(Engine().IsConnected());
    prompts->Expect("Disconnect from COM46?").Reply(IDYES);
    HWND hwnd = frame->GetSafeHwnd();
    frame->SendMessage(WM_CLOSE);
    UiTest::Pump(20);
    EXPECT_FALSE(IsWindow(hwnd));
    frame = nullptr;
    EXPECT_FALSE(headModem.IsOpen());
    EXPECT_EQ(CTerminalEngine::PeekInstance(), nullptr); // deleted with the frame, threads ended
}

TEST_F(KeltermFrameTest, DestroyingTheFrameWhileConnectedEndsTheThreadsFirst)
{
    // A destroy that comes without a close cannot be refused: nothing is asked, the port is closed
    // and the engine goes only after its threads.
    Select(0);
    ClickConnect();
    ASSERT_TRUE(Engine().IsConnected());
    headModem.Write("late text"); // the reader may be handing this over right now
    frame->DestroyWindow();
    frame = nullptr;
    EXPECT_FALSE(headModem.IsOpen());
    EXPECT_EQ(CTerminalEngine::PeekInstance(), nullptr);
    EXPECT_TRUE(prompts->Prompts().empty());
}

TEST_F(KeltermFrameTest, PropertiesLendThePortToTheHeadLayerAndTakeItBack)
{
    Select(0);
    ClickConnect();
    ASSERT_TRUE(Engine().IsConnected());
    prompts->Expect(228u).Reply(IDOK); // the head's information dialog
    Left().SendMessage(WM_COMMAND, ID_LIST_PROPERTIES);
    EXPECT_TRUE(Engine().IsConnected());
    EXPECT_TRUE(CPortList::Instance().HoldAt(0)->GetConnected());
    EXPECT_EQ(Image(0), 0);
    head->ClearLog();
    Type("ID?\r");
    EXPECT_TRUE(head->WaitForCommands(1));
}

TEST_F(KeltermFrameTest, InfoAndAboutBoxesOpenFromTheToolbarCommands)
{
    prompts->Expect(IDD_INFO).Drive(
        [](kel::testkit::DialogDriver& d)
        {
            EXPECT_EQ(d.GetText(IDOK), "OK");
            const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelterm-screens";
            std::filesystem::create_directories(dir);
            EXPECT_TRUE(
                kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), (dir / "info.png").string()));
            d.Click(IDOK);
        });
    frame->SendMessage(WM_COMMAND, ID_INFO);
    prompts->Expect(IDD_ABOUTBOX)
        .Drive(
            [](kel::testkit::DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_ABOUT_TEXT), "kelterm Version 3.0");
                const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelterm-screens";
                EXPECT_TRUE(kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                                  (dir / "about.png").string()));
                d.Click(IDOK);
            });
    frame->SendMessage(WM_COMMAND, ID_APP_ABOUT);
}

TEST_F(KeltermFrameTest, Screenshot)
{
    Select(0);
    ClickConnect();
    ASSERT_TRUE(Engine().IsConnected());
    Type("ID?\r");
    ASSERT_TRUE(UiTest::PumpUntil([&] { return TerminalText().find("SN12345") != std::string::npos; }));
    Type("EE?\r");
    UiTest::Pump(200);
    kel::testkit::Image image = kel::testkit::CaptureWindow(frame->GetSafeHwnd());
    ASSERT_FALSE(image.Empty());

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelterm-screens";
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(kel::testkit::SavePng(image, (dir / "kelterm.png").string()));
    std::printf("screenshot: %s\n", (dir / "kelterm.png").c_str());
}

} // namespace
