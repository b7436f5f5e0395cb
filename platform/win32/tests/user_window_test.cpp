// Window manager without a window system: creation and destruction order, subclassing, paint
// cycle, focus and capture, menus and accelerators.
#include <windows.h>
#include "win32/uidriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace
{

std::mutex g_logLock;
std::vector<std::string> g_log;

void Log(const std::string& s)
{
    std::lock_guard<std::mutex> lk(g_logLock);
    g_log.push_back(s);
}

std::string Name(HWND h)
{
    char buf[64] = {};
    GetWindowText(h, buf, sizeof buf);
    return buf;
}

// Also records activation, style and mode messages (tests of those rules turn it on).
bool g_more = false;
// Style bits WM_STYLECHANGING adds to the new style.
DWORD g_amend = 0;

// Records the messages the tests care about, by window text.
LRESULT CALLBACK RecordProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    std::string who;
    {
        // Text may not be set yet during WM_NCCREATE.
        char buf[64] = {};
        DefWindowProc(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
        who = buf;
    }
    if (g_more)
        switch (m)
        {
        case WM_ACTIVATE:
            Log(who + (LOWORD(w) == WA_INACTIVE ? ":deactivate" : ":activate"));
            break;
        case WM_STYLECHANGING:
            reinterpret_cast<STYLESTRUCT*>(l)->styleNew |= g_amend;
            Log(who + (w == static_cast<WPARAM>(GWL_STYLE) ? ":stylechanging" : ":exstylechanging"));
            break;
        case WM_STYLECHANGED:
            Log(who + (w == static_cast<WPARAM>(GWL_STYLE) ? ":stylechanged" : ":exstylechanged"));
            break;
        case WM_CANCELMODE:
            Log(who + ":cancelmode");
            break;
        case WM_ENABLE:
            Log(who + ":enable " + std::to_string(w));
            break;
        }
    switch (m)
    {
    case WM_GETMINMAXINFO:
        Log(who + ":minmax");
        break;
    case WM_NCCREATE:
    {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(l);
        Log(std::string(cs->lpszName) + ":nccreate");
        break;
    }
    case WM_NCCALCSIZE:
        Log(who + ":nccalcsize");
        break;
    case WM_CREATE:
        Log(who + ":create");
        if (who == "fail")
            return -1;
        break;
    case WM_SIZE:
        Log(who + ":size " + std::to_string(LOWORD(l)) + "x" + std::to_string(HIWORD(l)));
        break;
    case WM_MOVE:
        Log(who + ":move");
        break;
    case WM_SHOWWINDOW:
        Log(who + ":show " + std::to_string(w));
        break;
    case WM_PARENTNOTIFY:
        Log(who + ":parentnotify " + (LOWORD(w) == WM_CREATE ? "create" : "destroy"));
        break;
    case WM_DESTROY:
        Log(who + ":destroy");
        break;
    case WM_NCDESTROY:
        Log(who + ":ncdestroy");
        break;
    case WM_ERASEBKGND:
        Log(who + ":erase");
        return 1;
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        const RECT& r = ps.rcPaint;
        Log(who + ":paint " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
            std::to_string(r.right) + "," + std::to_string(r.bottom));
        EndPaint(h, &ps);
        return 0;
    }
    case WM_SETFOCUS:
        Log(who + ":setfocus from " + (w ? Name(reinterpret_cast<HWND>(w)) : "none"));
        break;
    case WM_KILLFOCUS:
        Log(who + ":killfocus to " + (w ? Name(reinterpret_cast<HWND>(w)) : "none"));
        break;
    case WM_CAPTURECHANGED:
        Log(who + ":capturechanged");
        break;
    case WM_MOUSELEAVE:
        Log(who + ":mouseleave");
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        Log(who + (m == WM_LBUTTONDOWN ? ":ldown " : m == WM_RBUTTONDOWN ? ":rdown " : ":rup ") +
            std::to_string(GET_X_LPARAM(l)) + "," + std::to_string(GET_Y_LPARAM(l)) + " mk " + std::to_string(w));
        break;
    case WM_COMMAND:
        Log(who + ":command " + std::to_string(LOWORD(w)) + "/" + std::to_string(HIWORD(w)));
        break;
    }
    return DefWindowProc(h, m, w, l);
}

class UiWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kel::ui::Initialize());
        WNDCLASS wc{};
        wc.lpfnWndProc = RecordProc;
        wc.lpszClassName = "KelTestRecord";
        RegisterClass(&wc);
        g_log.clear();
        g_more = false;
        g_amend = 0;
    }
    void TearDown() override
    {
        kel::ui::Shutdown();
        UnregisterClass("KelTestRecord", nullptr);
    }

    static HWND Make(const char* text, DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr, int id = 0)
    {
        return CreateWindowEx(0, "KelTestRecord", text, style, 10, 20, 200, 100, parent,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    }

    static std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> lk(g_logLock);
        auto out = g_log;
        g_log.clear();
        return out;
    }

    static void Pump()
    {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
    }
};

TEST_F(UiWindows, CreationSendsMessagesInWindowsOrder)
{
    HWND top = Make("top");
    ASSERT_TRUE(top);
    // A top-level window hears of its size and place when it is first shown.
    EXPECT_EQ(Take(), (std::vector<std::string>{":minmax", "top:nccreate", "top:nccalcsize", "top:create"}));

    HWND child = Make("child", WS_CHILD | WS_VISIBLE, top, 7);
    ASSERT_TRUE(child);
    EXPECT_EQ(Take(), (std::vector<std::string>{"child:nccreate", "child:nccalcsize", "child:create",
                                                "child:size 200x100", "child:move", "top:parentnotify create",
                                                "child:show 1"}));
    EXPECT_EQ(GetDlgCtrlID(child), 7);
    EXPECT_EQ(GetParent(child), top);
    EXPECT_TRUE(IsChild(top, child));
}

TEST_F(UiWindows, CreateReturningMinusOneFailsAndDestroys)
{
    EXPECT_EQ(Make("fail"), nullptr);
    auto log = Take();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "fail:destroy");
    EXPECT_EQ(log.back(), "fail:ncdestroy");
}

TEST_F(UiWindows, DestroyGoesParentFirstThenNcDestroyChildrenFirst)
{
    HWND top = Make("top");
    HWND a = Make("a", WS_CHILD, top, 1);
    Make("b", WS_CHILD | WS_EX_NOPARENTNOTIFY * 0, a, 2);
    Take();
    SetTimer(a, 5, 100, nullptr);
    PostMessage(a, WM_USER, 0, 0);
    ASSERT_TRUE(DestroyWindow(top));
    EXPECT_EQ(Take(), (std::vector<std::string>{"top:destroy", "a:destroy", "b:destroy", "b:ncdestroy",
                                                "a:ncdestroy", "top:ncdestroy"}));
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(a));
    MSG m{};
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
        << m.message; // the posted message and timer went too
    EXPECT_FALSE(KillTimer(a, 5));
    // Handles are never reused.
    HWND again = Make("again");
    EXPECT_NE(again, top);
    EXPECT_NE(again, a);
}

LRESULT CALLBACK Outer(HWND h, UINT m, WPARAM w, LPARAM l);
WNDPROC g_inner = nullptr;
LRESULT CALLBACK Outer(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_USER + 1)
        return 10 + CallWindowProc(g_inner, h, m, w, l);
    return CallWindowProc(g_inner, h, m, w, l);
}
LRESULT CALLBACK Base(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_USER + 1)
        return 1;
    return DefWindowProc(h, m, w, l);
}

TEST_F(UiWindows, SubclassChainCallsThroughToTheOriginalProcedure)
{
    WNDCLASS wc{};
    wc.lpfnWndProc = Base;
    wc.lpszClassName = "KelTestBase";
    wc.cbWndExtra = 16;
    ASSERT_TRUE(RegisterClass(&wc));
    HWND h = CreateWindow("KelTestBase", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(h);
    g_inner = reinterpret_cast<WNDPROC>(SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Outer)));
    EXPECT_EQ(g_inner, Base);
    EXPECT_EQ(SendMessage(h, WM_USER + 1, 0, 0), 11);
    EXPECT_EQ(GetWindowLongPtr(h, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Outer));

    // Extra bytes, user data, bad indexes.
    EXPECT_EQ(SetWindowLongPtr(h, 8, 1234), 0);
    EXPECT_EQ(GetWindowLongPtr(h, 8), 1234);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtr(h, 12), 0); // 12 + 8 > 16
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    EXPECT_EQ(GetWindowLong(h, GWL_WNDPROC), 0); // a LONG cannot hold it
    SetWindowLongPtr(h, GWLP_USERDATA, 99);
    EXPECT_EQ(GetWindowLongPtr(h, GWLP_USERDATA), 99);

    DestroyWindow(h);
    EXPECT_FALSE(UnregisterClass("KelTestNope", nullptr));
    EXPECT_TRUE(UnregisterClass("KelTestBase", nullptr));
}

TEST_F(UiWindows, PaintCycleErasesThenPaintsTheUpdateBounds)
{
    HWND h = Make("w", WS_POPUP);
    Take();
    RECT r1{10, 10, 20, 20}, r2{30, 5, 40, 15};
    InvalidateRect(h, &r1, FALSE);
    InvalidateRect(h, &r2, TRUE);
    RECT u;
    ASSERT_TRUE(GetUpdateRect(h, &u, FALSE));
    EXPECT_EQ(u.left, 10);
    EXPECT_EQ(u.top, 5);
    EXPECT_EQ(u.right, 40);
    EXPECT_EQ(u.bottom, 20);
    UpdateWindow(h);
    EXPECT_EQ(Take(), (std::vector<std::string>{"w:erase", "w:paint 10,5,40,20"}));
    EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
    UpdateWindow(h); // nothing left to paint
    EXPECT_TRUE(Take().empty());

    // Rectangles outside the client area are clipped; without erase no WM_ERASEBKGND.
    RECT big{-50, -50, 500, 500};
    InvalidateRect(h, &big, FALSE);
    Pump();
    EXPECT_EQ(Take(), (std::vector<std::string>{"w:paint 0,0,200,100"}));
}

TEST_F(UiWindows, PaintAndTimerComeAfterPostedMessages)
{
    HWND h = Make("w", WS_POPUP);
    Take();
    InvalidateRect(h, nullptr, FALSE);
    PostMessage(h, WM_USER + 1, 0, 0);
    PostMessage(h, WM_USER + 2, 0, 0);
    std::vector<UINT> got;
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
    {
        got.push_back(m.message);
        DispatchMessage(&m);
    }
    EXPECT_EQ(got, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_PAINT}));
}

TEST_F(UiWindows, FocusAndCaptureSendPairedMessages)
{
    HWND top = Make("top", WS_POPUP);
    HWND a = Make("a", WS_CHILD, top, 1);
    HWND b = Make("b", WS_CHILD, top, 2);
    SetFocus(a);
    Take();
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(Take(), (std::vector<std::string>{"a:killfocus to b", "b:setfocus from a"}));
    EXPECT_EQ(GetFocus(), b);

    SetCapture(a);
    SetCapture(b);
    EXPECT_EQ(Take(), (std::vector<std::string>{"a:capturechanged"}));
    EXPECT_EQ(GetCapture(), b);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Take(), (std::vector<std::string>{"b:capturechanged"}));

    // Destroying the focus window leaves no dangling focus: its parent has it.
    DestroyWindow(b);
    EXPECT_EQ(GetFocus(), top);
}

TEST_F(UiWindows, CoordinatesFollowTheParentChain)
{
    HWND top = Make("top", WS_POPUP); // at 10,20
    HWND child =
        CreateWindowEx(0, "KelTestRecord", "c", WS_CHILD, 5, 6, 50, 40, top, nullptr, nullptr, nullptr);
    RECT wr;
    GetWindowRect(child, &wr);
    EXPECT_EQ(wr.left, 15);
    EXPECT_EQ(wr.top, 26);
    POINT p{1, 2};
    ClientToScreen(child, &p);
    EXPECT_EQ(p.x, 16);
    EXPECT_EQ(p.y, 28);
    ScreenToClient(top, &p);
    EXPECT_EQ(p.x, 6);
    EXPECT_EQ(p.y, 8);
    RECT r{0, 0, 10, 10};
    MapWindowPoints(child, top, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.bottom, 16);
    MoveWindow(child, 0, 0, 30, 30, TRUE);
    GetClientRect(child, &r);
    EXPECT_EQ(r.right, 30);
}

// A small module with a menu and an accelerator table.
const kel::rc::MenuItem kFileItems[] = {{"&Open", 101, 0, 0, nullptr, 0},
                                        {nullptr, 0, MF_SEPARATOR, 0, nullptr, 0},
                                        {"E&xit", 102, MF_GRAYED | MF_END, 0, nullptr, 0}};
const kel::rc::MenuItem kBarItems[] = {{"&File", 0, MF_POPUP | MF_END, 0, kFileItems, 3}};
const kel::rc::Menu kMenus[] = {{{nullptr, 200}, false, kBarItems, 1}};
const kel::rc::Accel kAccels[] = {{FVIRTKEY | FCONTROL, 'O', 101}, {FVIRTKEY, VK_F5, 103}};
const kel::rc::AccelTable kAccelTables[] = {{{nullptr, 300}, kAccels, 2}};
const kel::rc::Module kModule = {"usertest", false,        nullptr, 0,       nullptr, 0,       kMenus,
                                 1,          kAccelTables, 1,       nullptr, 0,       nullptr, 0};

TEST_F(UiWindows, MenusLoadFromResourceTables)
{
    ASSERT_TRUE(kel::rc::RegisterModule(&kModule));
    HINSTANCE mod = GetModuleHandle("usertest");
    HMENU bar = LoadMenu(mod, MAKEINTRESOURCE(200));
    ASSERT_TRUE(bar);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetMenuItemID(file, 0), 101u);
    char text[32];
    GetMenuString(bar, 102, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "E&xit");
    EXPECT_TRUE(GetMenuState(bar, 102, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(CheckMenuItem(bar, 101, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_TRUE(GetMenuState(bar, 101, MF_BYCOMMAND) & MF_CHECKED);
    EnableMenuItem(bar, 102, MF_ENABLED);
    EXPECT_FALSE(GetMenuState(bar, 102, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(GetMenuState(bar, 999, MF_BYCOMMAND), static_cast<UINT>(-1));

    // A window owns its menu bar; popup menus go through the driver.
    HWND h = Make("w", WS_OVERLAPPEDWINDOW);
    SetMenu(h, bar);
    EXPECT_EQ(GetMenu(h), bar);
    kel::ui::NullDriver driver;
    kel::ui::Shutdown();
    ASSERT_TRUE(kel::ui::Initialize(&driver));
    HWND w2 = Make("w2", WS_POPUP);
    HMENU popup = CreatePopupMenu();
    AppendMenu(popup, MF_STRING, 101, "&Open");
    file = popup;
    driver.popupChoice = 101;
    Take();
    EXPECT_EQ(TrackPopupMenu(file, TPM_RETURNCMD, 0, 0, 0, w2, nullptr), 101);
    EXPECT_TRUE(TrackPopupMenu(file, 0, 0, 0, 0, w2, nullptr));
    Pump();
    EXPECT_EQ(Take().back(), "w2:command 101/0");
    EXPECT_EQ(driver.lastPopup, file);
    DestroyWindow(w2);
    kel::ui::Shutdown();
    ASSERT_TRUE(kel::ui::Initialize());
    EXPECT_FALSE(IsMenu(bar)); // went with its window
    kel::rc::UnregisterModule(&kModule);
}

TEST_F(UiWindows, AcceleratorsBecomeCommandsWithHighWordOne)
{
    ASSERT_TRUE(kel::rc::RegisterModule(&kModule));
    HACCEL acc = LoadAccelerators(GetModuleHandle("usertest"), MAKEINTRESOURCE(300));
    ASSERT_TRUE(acc);
    HWND h = Make("w", WS_POPUP);
    Take();
    struct Case
    {
        std::vector<int> held;
        UINT message;
        WPARAM key;
        bool translated;
    } cases[] = {
        {{VK_CONTROL}, WM_KEYDOWN, 'O', true}, {{}, WM_KEYDOWN, 'O', false},           // Ctrl missing
        {{}, WM_KEYDOWN, VK_F5, true},         {{VK_SHIFT}, WM_KEYDOWN, VK_F5, false}, // extra Shift
        {{}, WM_KEYUP, VK_F5, false},
    };
    for (const Case& c : cases)
    {
        for (int vk : c.held)
            kel::ui::PostInput(MSG{h, WM_KEYDOWN, static_cast<WPARAM>(vk), 0, 0, {0, 0}}, 0);
        Pump();
        MSG m{h, c.message, c.key, 0, 0, {0, 0}};
        EXPECT_EQ(TranslateAccelerator(h, acc, &m) != 0, c.translated) << c.key;
        for (int vk : c.held)
            kel::ui::PostInput(MSG{h, WM_KEYUP, static_cast<WPARAM>(vk), 0, 0, {0, 0}}, 0);
        Pump();
    }
    EXPECT_EQ(Take(), (std::vector<std::string>{"w:command 101/1", "w:command 103/1"}));
    DestroyAcceleratorTable(acc);
    kel::rc::UnregisterModule(&kModule);
}

TEST_F(UiWindows, TrackedWindowHearsOnceWhenThePointerMovesOff)
{
    HWND top = Make("top", WS_POPUP | WS_VISIBLE);
    HWND button = Make("button", WS_CHILD | WS_VISIBLE, top, 5);
    auto move = [](HWND over)
    {
        kel::ui::PostInput(MSG{over, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2), 0, {0, 0}}, 0);
        Pump();
    };
    // Only the leave notices matter here (painting comes and goes).
    auto leaves = []
    {
        std::vector<std::string> out;
        for (const std::string& e : Take())
            if (e.find(":mouseleave") != std::string::npos)
                out.push_back(e);
        return out;
    };
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, button, 0};
    ASSERT_TRUE(TrackMouseEvent(&tme));
    TRACKMOUSEEVENT query{sizeof query, TME_QUERY, nullptr, 0};
    ASSERT_TRUE(TrackMouseEvent(&query));
    EXPECT_EQ(query.hwndTrack, button);

    move(button); // still over it: nothing
    EXPECT_TRUE(leaves().empty());
    move(top);
    move(top); // the tracking ended with the first notice
    EXPECT_EQ(leaves(), std::vector<std::string>{"button:mouseleave"});

    // A cancelled tracking sends nothing.
    ASSERT_TRUE(TrackMouseEvent(&tme));
    TRACKMOUSEEVENT cancel{sizeof cancel, TME_LEAVE | TME_CANCEL, button, 0};
    ASSERT_TRUE(TrackMouseEvent(&cancel));
    move(top);
    EXPECT_TRUE(leaves().empty());

    // The pointer leaving the top-level window for no window of ours: the tracker inside hears of
    // it once; a top-level the tracker is not in says nothing.
    HWND other = Make("other", WS_POPUP | WS_VISIBLE);
    auto leftTopLevel = [](HWND window)
    {
        kel::ui::PostInput(MSG{window, WM_MOUSELEAVE, 0, 0, 0, {0, 0}}, 0);
        Pump();
    };
    ASSERT_TRUE(TrackMouseEvent(&tme));
    leftTopLevel(other);
    EXPECT_TRUE(leaves().empty());
    leftTopLevel(top);
    leftTopLevel(top);
    EXPECT_EQ(leaves(), std::vector<std::string>{"button:mouseleave"});
    DestroyWindow(other);
}

TEST_F(UiWindows, SystemMetricsCanBePinnedForTests)
{
    kel::ui::SetSystemMetricForTests(SM_CXSCREEN, 800);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CXMAXIMIZED), 800); // derived values follow
    kel::ui::ResetSystemMetricsForTests();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
}

TEST_F(UiWindows, SynthesizedMouseInputReachesTheWindowUnderThePointer)
{
    // A screen that is not 1024 x 768: the normalised range spans the real screen.
    kel::ui::SetSystemMetricForTests(SM_CXSCREEN, 1600);
    kel::ui::SetSystemMetricForTests(SM_CYSCREEN, 900);
    HWND top = Make("top", WS_POPUP | WS_VISIBLE); // at (10, 20), 200 x 100
    HWND child = CreateWindowEx(0, "KelTestRecord", "child", WS_CHILD | WS_VISIBLE, 100, 50, 50, 30, top,
                                nullptr, nullptr, nullptr);
    Pump();
    Take();
    auto buttons = []
    {
        std::vector<std::string> out;
        for (const std::string& e : Take())
            if (e.find("down ") != std::string::npos || e.find("up ") != std::string::npos)
                out.push_back(e);
        return out;
    };
    // Screen (130, 80) lies in the child at (20, 10); (60, 40) in the parent at (50, 20).
    auto at = [](int v, int size) { return static_cast<DWORD>((v * 65536 + size - 1) / size); };
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN, at(130, 1600), at(80, 900), 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTUP, at(130, 1600), at(80, 900), 0, 0);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, at(60, 1600), at(40, 900), 0, 0);
    Pump();
    EXPECT_EQ(buttons(), (std::vector<std::string>{"child:rdown 20,10 mk 2", "child:rup 20,10 mk 0",
                                                   "top:ldown 50,20 mk 1"}));
    POINT p{};
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 60);
    EXPECT_EQ(p.y, 40);

    // Relative moves from there; the capture window takes the press wherever the pointer is.
    SetCapture(child);
    mouse_event(MOUSEEVENTF_RIGHTDOWN, static_cast<DWORD>(-50), static_cast<DWORD>(-30), 0, 0);
    Pump();
    EXPECT_EQ(buttons(), std::vector<std::string>{"child:rdown -100,-60 mk 3"});
    mouse_event(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
    Pump();
    EXPECT_EQ(buttons(), std::vector<std::string>{"child:rup -100,-60 mk 0"});
    ReleaseCapture();
    // Off every window only the pointer moves.
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_RIGHTDOWN, 65535, 65535, 0, 0);
    Pump();
    EXPECT_TRUE(buttons().empty());
    kel::ui::ResetSystemMetricsForTests();
}

TEST_F(UiWindows, FindWindowMatchesClassAndTitle)
{
    HWND h = Make("Main Frame", WS_POPUP);
    EXPECT_EQ(FindWindow("keltestrecord", nullptr), h);
    EXPECT_EQ(FindWindow(nullptr, "Main Frame"), h);
    EXPECT_EQ(FindWindow("KelTestRecord", "Other"), nullptr);
}

// ---- Rules dialog and MFC-style code depends on --------------------------------------------------------

TEST_F(UiWindows, TopLevelGetsItsFirstSizeAndMoveWhenFirstShown)
{
    HWND top = Make("top");
    Take();
    ShowWindow(top, SW_SHOW);
    auto log = Take();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "top:show 1");
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
              (std::vector<std::string>{"top:size 200x100", "top:move"}));
    ShowWindow(top, SW_HIDE);
    Take();
    ShowWindow(top, SW_SHOW); // once only
    for (const std::string& e : Take())
        EXPECT_TRUE(e.find(":size") == std::string::npos && e.find(":move") == std::string::npos) << e;

    // Sized before it is shown: that WM_SIZE was the first.
    HWND other = Make("other");
    Take();
    SetWindowPos(other, nullptr, 0, 0, 120, 80, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Take(), (std::vector<std::string>{"other:nccalcsize", "other:size 120x80"}));
    ShowWindow(other, SW_SHOW);
    for (const std::string& e : Take())
        EXPECT_TRUE(e.find(":size") == std::string::npos) << e;
}

TEST_F(UiWindows, FramesAndScrollBarsTakeTheirRoomFromTheClientArea)
{
    HWND top = Make("top", WS_POPUP);
    struct Case
    {
        DWORD style, exStyle;
        LONG cx, cy;
    } cases[] = {
        {0, 0, 50, 40},
        {WS_BORDER, 0, 48, 38},
        {0, WS_EX_CLIENTEDGE, 46, 36},
        {WS_BORDER, WS_EX_CLIENTEDGE, 44, 34},
        {WS_DLGFRAME, 0, 44, 34},
        {0, WS_EX_STATICEDGE, 48, 38},
        {WS_VSCROLL, 0, 33, 40},
        {WS_BORDER | WS_HSCROLL | WS_VSCROLL, 0, 31, 21},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << std::hex << c.style << "/" << c.exStyle);
        HWND h = CreateWindowEx(c.exStyle, "KelTestRecord", "c", WS_CHILD | c.style, 5, 5, 50, 40, top,
                                nullptr, nullptr, nullptr);
        RECT r;
        GetClientRect(h, &r);
        EXPECT_EQ(r.right, c.cx);
        EXPECT_EQ(r.bottom, c.cy);
        // AdjustWindowRectEx gives back the window for a client area (scroll bars not counted).
        if (!(c.style & (WS_HSCROLL | WS_VSCROLL)))
        {
            RECT a{0, 0, c.cx, c.cy};
            AdjustWindowRectEx(&a, WS_CHILD | c.style, FALSE, c.exStyle);
            EXPECT_EQ(a.right - a.left, 50);
            EXPECT_EQ(a.bottom - a.top, 40);
        }
        // The client origin lies inside the frame.
        POINT p{0, 0};
        ClientToScreen(h, &p);
        RECT w;
        GetWindowRect(h, &w);
        EXPECT_EQ(p.x - w.left, (50 - c.cx - ((c.style & WS_VSCROLL) ? 17 : 0)) / 2);
        DestroyWindow(h);
    }
}

TEST_F(UiWindows, StyleChangesAreAnnouncedAndFrameChangesRecomputeTheClientArea)
{
    g_more = true;
    HWND top = Make("top", WS_POPUP);
    HWND c = CreateWindowEx(0, "KelTestRecord", "c", WS_CHILD, 5, 5, 50, 40, top, nullptr, nullptr, nullptr);
    Take();
    g_amend = WS_TABSTOP; // WM_STYLECHANGING may amend the new style
    EXPECT_EQ(SetWindowLong(c, GWL_STYLE, WS_CHILD | WS_BORDER), static_cast<LONG>(WS_CHILD));
    EXPECT_EQ(GetWindowLong(c, GWL_STYLE), static_cast<LONG>(WS_CHILD | WS_BORDER | WS_TABSTOP));
    EXPECT_EQ(Take(), (std::vector<std::string>{"c:stylechanging", "c:stylechanged"}));
    g_amend = 0;
    RECT r;
    GetClientRect(c, &r);
    EXPECT_EQ(r.right, 50) << "the frame stays until SWP_FRAMECHANGED";
    SetWindowPos(c, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    GetClientRect(c, &r);
    EXPECT_EQ(r.right, 48);
    EXPECT_EQ(r.bottom, 38);
    EXPECT_EQ(Take(), (std::vector<std::string>{"c:nccalcsize", "c:move", "c:size 48x38"}));

    SetWindowLong(c, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    EXPECT_EQ(Take(), (std::vector<std::string>{"c:exstylechanging", "c:exstylechanged"}));
    // Every resize asks again.
    MoveWindow(c, 5, 5, 60, 50, TRUE);
    GetClientRect(c, &r);
    EXPECT_EQ(r.right, 54);
    EXPECT_EQ(r.bottom, 44);
    EXPECT_EQ(Take(), (std::vector<std::string>{"c:nccalcsize", "c:move", "c:size 54x44"}));
}

TEST_F(UiWindows, ScrollBarsComeWhenNeededAndGoWhenThePageCoversTheRange)
{
    HWND top = Make("top", WS_POPUP);
    HWND c = CreateWindowEx(0, "KelTestRecord", "c", WS_CHILD, 5, 5, 50, 40, top, nullptr, nullptr, nullptr);
    Take();
    struct Case
    {
        UINT mask;
        int max;
        UINT page;
        bool shown;
        LONG cx;
    } cases[] = {
        {SIF_RANGE | SIF_PAGE, 99, 10, true, 33},
        {SIF_POS, 0, 0, true, 33},
        {SIF_PAGE, 0, 100, false, 50},
        {SIF_PAGE | SIF_DISABLENOSCROLL, 0, 100, true, 33},
        {SIF_RANGE | SIF_PAGE, 0, 0, false, 50},
    };
    for (const Case& k : cases)
    {
        SCOPED_TRACE(testing::Message() << k.mask << " " << k.max << " " << k.page);
        SCROLLINFO si{sizeof si, k.mask, 0, k.max, k.page, 5, 0};
        SetScrollInfo(c, SB_VERT, &si, TRUE);
        EXPECT_EQ((GetWindowLong(c, GWL_STYLE) & WS_VSCROLL) != 0, k.shown);
        RECT r;
        GetClientRect(c, &r);
        EXPECT_EQ(r.right, k.cx);
    }
    // The window heard each change of its client area.
    std::vector<std::string> sizes;
    for (const std::string& e : Take())
        if (e.find(":size") != std::string::npos)
            sizes.push_back(e);
    EXPECT_EQ(sizes,
              (std::vector<std::string>{"c:size 33x40", "c:size 50x40", "c:size 33x40", "c:size 50x40"}));
}

TEST_F(UiWindows, DestroyingTheFocusedChildGivesTheFocusToItsParentFirst)
{
    HWND top = Make("top", WS_POPUP | WS_VISIBLE);
    HWND a = Make("a", WS_CHILD | WS_VISIBLE, top, 1);
    SetFocus(a);
    Take();
    DestroyWindow(a);
    EXPECT_EQ(Take(), (std::vector<std::string>{"top:parentnotify destroy", "a:killfocus to top",
                                                "top:setfocus from a", "a:destroy", "a:ncdestroy"}));
    EXPECT_EQ(GetFocus(), top);
}

TEST_F(UiWindows, HidingOrDestroyingTheActiveWindowActivatesAnother)
{
    g_more = true;
    HWND main = Make("main", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND tool = CreateWindowEx(0, "KelTestRecord", "tool", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, main, nullptr,
                               nullptr, nullptr);
    HWND field = Make("field", WS_CHILD | WS_VISIBLE, tool, 3);
    SetFocus(field);
    ASSERT_EQ(GetActiveWindow(), tool);
    Take();
    // Hidden: its owner is active again and has the focus; nothing stays on the hidden window.
    ShowWindow(tool, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(GetFocus(), main);
    auto log = Take();
    EXPECT_NE(std::find(log.begin(), log.end(), "field:killfocus to main"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "main:activate"), log.end());

    // Destroyed while active: the same.
    ShowWindow(tool, SW_SHOW);
    SetFocus(field);
    DestroyWindow(tool);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(GetFocus(), main);

    // Hiding a focused child gives the focus to its parent.
    HWND child = Make("child", WS_CHILD | WS_VISIBLE, main, 4);
    SetFocus(child);
    ShowWindow(child, SW_HIDE);
    EXPECT_EQ(GetFocus(), main);

    // With no other window to activate, nothing keeps the focus.
    ShowWindow(main, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(UiWindows, DisablingEndsMouseModesAndDisabledWindowsTakeNoFocus)
{
    g_more = true;
    HWND top = Make("top", WS_POPUP | WS_VISIBLE);
    HWND a = Make("a", WS_CHILD | WS_VISIBLE, top, 1);
    HWND b = Make("b", WS_CHILD | WS_VISIBLE, a, 2);
    SetCapture(b);
    Take();
    EnableWindow(a, FALSE);
    EXPECT_EQ(Take(),
              (std::vector<std::string>{"a:cancelmode", "b:cancelmode", "b:capturechanged", "a:enable 0"}));
    EXPECT_EQ(GetCapture(), nullptr);

    SetFocus(top);
    EXPECT_EQ(SetFocus(a), nullptr);
    EXPECT_EQ(SetFocus(b), nullptr) << "inside a disabled window";
    EXPECT_EQ(GetFocus(), top);
    EnableWindow(a, TRUE);
    EXPECT_EQ(SetFocus(b), top);
    EXPECT_EQ(GetFocus(), b);
}

TEST_F(UiWindows, WindowEdgeGoesWithDialogAndSizingFrames)
{
    struct Case
    {
        DWORD style, exStyle;
        bool edge;
    } cases[] = {
        {WS_OVERLAPPEDWINDOW, 0, true},
        {WS_POPUP, WS_EX_WINDOWEDGE, false},
        {WS_POPUP, WS_EX_DLGMODALFRAME, true},
        {WS_POPUP | WS_THICKFRAME, 0, true},
    };
    for (const Case& c : cases)
    {
        HWND h = CreateWindowEx(c.exStyle, "KelTestRecord", "w", c.style, 0, 0, 50, 50, nullptr, nullptr,
                                nullptr, nullptr);
        EXPECT_EQ((GetWindowLong(h, GWL_EXSTYLE) & WS_EX_WINDOWEDGE) != 0, c.edge) << std::hex << c.style;
        DestroyWindow(h);
    }
}

} // namespace
