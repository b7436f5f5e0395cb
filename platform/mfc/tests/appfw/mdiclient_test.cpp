// The window layer's MDI client on its own: document windows, their activation order, the window
// list in the Window popup, and what destroying the active one does.
#include "testkit/UiTest.h"
#include "win32/mdi.h"
#include "win32/uidriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

const UINT kFirstId = 0xFF00;
const char kChildClass[] = "MdiTestChild";

std::vector<std::pair<HWND, HWND>>& Activations()
{
    static std::vector<std::pair<HWND, HWND>> log;
    return log;
}

LRESULT CALLBACK ChildProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_MDIACTIVATE && reinterpret_cast<HWND>(lParam) == hWnd)
        Activations().emplace_back(reinterpret_cast<HWND>(wParam), hWnd);
    return DefMDIChildProc(hWnd, msg, wParam, lParam);
}

class MdiClientTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        Activations().clear();
        WNDCLASS wc{};
        wc.lpfnWndProc = ChildProc;
        wc.lpszClassName = kChildClass;
        ASSERT_NE(::RegisterClass(&wc), 0);
        m_frame = ::CreateWindowEx(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                                   nullptr, nullptr, nullptr);
        ASSERT_NE(m_frame, nullptr);
        m_window = ::CreatePopupMenu();
        ::AppendMenu(m_window, MF_STRING, 1, "&Cascade");
        CLIENTCREATESTRUCT ccs{m_window, kFirstId};
        m_client = ::CreateWindowEx(0, MDICLIENT_CLASS, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 600, 400,
                                    m_frame, nullptr, nullptr, &ccs);
        ASSERT_NE(m_client, nullptr);
    }
    void TearDown() override
    {
        ::DestroyWindow(m_frame);
        ::DestroyMenu(m_window);
        ::UnregisterClass(kChildClass, nullptr);
        UiTest::TearDown();
    }

    HWND NewChild(const char* title)
    {
        return CreateMDIWindow(kChildClass, title, WS_VISIBLE | WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_client, nullptr, 0);
    }
    HWND Active() const { return reinterpret_cast<HWND>(::SendMessage(m_client, WM_MDIGETACTIVE, 0, 0)); }

    // The window list: the texts after the popup's own items.
    std::vector<std::string> List() const
    {
        std::vector<std::string> out;
        for (int i = 0, n = ::GetMenuItemCount(m_window); i < n; ++i)
        {
            const UINT id = ::GetMenuItemID(m_window, i);
            if (id < kFirstId)
                continue;
            char text[64] = {};
            ::GetMenuString(m_window, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            const bool checked =
                (::GetMenuState(m_window, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0;
            out.push_back(std::string(text) + (checked ? " *" : ""));
        }
        return out;
    }

    HWND m_frame = nullptr;
    HWND m_client = nullptr;
    HMENU m_window = nullptr;
};

TEST_F(MdiClientTest, NewWindowsBecomeActiveAndAreListed)
{
    HWND a = NewChild("A");
    HWND b = NewChild("B&C");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(::GetParent(a), m_client);
    EXPECT_EQ(Active(), b);
    EXPECT_EQ(Activations(), (std::vector<std::pair<HWND, HWND>>{{nullptr, a}, {a, b}}));
    EXPECT_EQ(List(), (std::vector<std::string>{"&1 A", "&2 B&&C *"}));
    // A separator sets the list apart from the popup's own items.
    EXPECT_NE(::GetMenuState(m_window, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);

    // Renaming a window renames its entry.
    ::SetWindowText(a, "Alpha");
    EXPECT_EQ(List(), (std::vector<std::string>{"&1 Alpha", "&2 B&&C *"}));
}

TEST_F(MdiClientTest, NextCyclesThroughEveryWindow)
{
    HWND a = NewChild("A");
    HWND b = NewChild("B");
    HWND c = NewChild("C");
    std::vector<HWND> seen;
    for (int i = 0; i < 3; ++i)
    {
        ::SendMessage(m_client, WM_MDINEXT, 0, 0);
        seen.push_back(Active());
    }
    EXPECT_EQ(seen, (std::vector<HWND>{b, a, c}));
    ::SendMessage(m_client, WM_MDINEXT, 0, 1); // backwards
    EXPECT_EQ(Active(), a);
}

TEST_F(MdiClientTest, DestroyingTheActiveWindowActivatesThePreviousOne)
{
    HWND a = NewChild("A");
    HWND b = NewChild("B");
    HWND c = NewChild("C");
    ::SendMessage(m_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    ::SendMessage(m_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(c), 0);
    ::SendMessage(m_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(c), 0);
    EXPECT_FALSE(::IsWindow(c));
    EXPECT_EQ(Active(), a) << "the one active before";
    // The list closes up and the ids follow.
    EXPECT_EQ(List(), (std::vector<std::string>{"&1 A *", "&2 B"}));
    EXPECT_EQ(::GetDlgCtrlID(b), static_cast<int>(kFirstId + 1));

    // Closing one the normal way goes through the client too.
    ::SendMessage(a, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(a));
    EXPECT_EQ(Active(), b);
    ::DestroyWindow(b); // not through the client: it still forgets the window
    EXPECT_EQ(Active(), nullptr);
    EXPECT_TRUE(List().empty());
    EXPECT_EQ(::GetMenuItemCount(m_window), 1) << "the separator went with the list";
}

TEST_F(MdiClientTest, FrameCommandsOfTheListActivateAndMaximizedStaysMaximized)
{
    HWND a = NewChild("A");
    HWND b = NewChild("B");
    EXPECT_EQ(DefFrameProc(m_frame, m_client, WM_COMMAND, kFirstId, 0), 0);
    EXPECT_EQ(Active(), a);

    ::SendMessage(m_client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(a), 0);
    BOOL maximized = FALSE;
    ::SendMessage(m_client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized));
    EXPECT_TRUE(maximized);
    // Its client area fills the MDI client's, its frame lies outside.
    RECT area{}, r{};
    ::GetClientRect(m_client, &area);
    ::GetClientRect(a, &r);
    EXPECT_EQ(r.right - r.left, area.right - area.left);
    POINT origin{0, 0};
    ::MapWindowPoints(a, m_client, &origin, 1);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_TRUE(::IsZoomed(a));
    // Another window activated takes over the maximized state; the first gets its size back.
    RECT before{};
    ::SendMessage(m_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(b), 0);
    ::GetClientRect(b, &r);
    EXPECT_EQ(r.bottom - r.top, area.bottom - area.top);
    ::GetWindowRect(a, &before);
    EXPECT_LT(before.right - before.left, area.right - area.left);
    EXPECT_NE(::GetWindowLong(b, GWL_STYLE) & WS_MAXIMIZE, 0);
    EXPECT_EQ(::GetWindowLong(a, GWL_STYLE) & WS_MAXIMIZE, 0);
}

TEST_F(MdiClientTest, ControlF4AndControlF6WorkOnTheActiveWindow)
{
    HWND a = NewChild("A");
    HWND b = NewChild("B");
    MSG msg{};
    msg.message = WM_KEYDOWN;
    msg.hwnd = b;
    msg.wParam = VK_F6;
    EXPECT_FALSE(TranslateMDISysAccel(m_client, &msg)) << "without Ctrl";
    MSG ctrl{b, WM_KEYDOWN, VK_CONTROL, 0, 0, {}};
    kel::ui::PostInput(ctrl);
    Pump();
    ASSERT_LT(::GetKeyState(VK_CONTROL), 0);
    EXPECT_TRUE(TranslateMDISysAccel(m_client, &msg));
    EXPECT_EQ(Active(), a);
    msg.wParam = VK_F4;
    EXPECT_TRUE(TranslateMDISysAccel(m_client, &msg));
    Pump();
    EXPECT_FALSE(::IsWindow(a));
    EXPECT_EQ(Active(), b);
    MSG up{b, WM_KEYUP, VK_CONTROL, 0, 0, {}};
    kel::ui::PostInput(up);
    Pump();
}

} // namespace
