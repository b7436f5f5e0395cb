// Frames of document windows: drawn around the client area, their caption buttons, moving and
// sizing with the mouse, activation by a click, and the maximized window's buttons in the frame's
// menu bar.
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QToolButton>

#include "QtDriver.h"

#include "testkit/UiTest.h"
#include "win32/mdi.h"
#include "win32/uidriver.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <optional>

namespace
{

using kel::qt::SurfaceWidget;

const char kChildClass[] = "FrameTestChild";
const UINT kFirstId = 0xFF00;

int g_downs = 0;
int g_ups = 0;
int g_rdowns = 0;
int g_rups = 0;

LRESULT CALLBACK ChildProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_LBUTTONDOWN)
        ++g_downs;
    if (msg == WM_LBUTTONUP)
        ++g_ups;
    if (msg == WM_RBUTTONDOWN)
        ++g_rdowns;
    if (msg == WM_RBUTTONUP)
        ++g_rups;
    return DefMDIChildProc(hWnd, msg, wParam, lParam);
}

class ChildFrameTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_downs = g_ups = 0;
        WNDCLASS wc{};
        wc.lpfnWndProc = ChildProc;
        wc.lpszClassName = kChildClass;
        ASSERT_NE(::RegisterClass(&wc), 0);
        m_menu = ::CreateMenu();
        ::AppendMenu(m_menu, MF_STRING, 1, "&File");
        m_frame = ::CreateWindowEx(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, m_menu,
                                   nullptr, nullptr);
        ASSERT_NE(m_frame, nullptr);
        CLIENTCREATESTRUCT ccs{nullptr, kFirstId};
        m_client = ::CreateWindowEx(0, MDICLIENT_CLASS, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 600, 400,
                                    m_frame, nullptr, nullptr, &ccs);
        ASSERT_NE(m_client, nullptr);
        ::ShowWindow(m_frame, SW_SHOW);
    }
    void TearDown() override
    {
        ::DestroyWindow(m_frame);
        ::UnregisterClass(kChildClass, nullptr);
        UiTest::TearDown();
    }

    HWND NewChild(const char* title, int x = 10, int y = 10)
    {
        return CreateMDIWindow(kChildClass, title, WS_VISIBLE | WS_OVERLAPPEDWINDOW, x, y, 300, 200, m_client,
                               nullptr, 0);
    }
    HWND Active() const { return reinterpret_cast<HWND>(::SendMessage(m_client, WM_MDIGETACTIVE, 0, 0)); }
    static SurfaceWidget* Widget(HWND h) { return static_cast<SurfaceWidget*>(kel::ui::GetSurface(h)); }

    // The window's rectangle in the MDI client.
    RECT InClient(HWND h) const
    {
        RECT r{};
        ::GetWindowRect(h, &r);
        ::MapWindowPoints(nullptr, m_client, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    // A mouse event at `at` in the widget; `global` overrides where the pointer is on the screen.
    static void Mouse(QWidget* w, QEvent::Type type, QPoint at, std::optional<QPoint> global = {})
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent e(type, QPointF(at), QPointF(global.value_or(w->mapToGlobal(at))), button,
                      type == QEvent::MouseMove && !global ? Qt::NoButton : held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static void Click(QWidget* w, QPoint at)
    {
        Mouse(w, QEvent::MouseButtonPress, at);
        Mouse(w, QEvent::MouseButtonRelease, at);
    }
    // Presses at `from`, moves the pointer by `by` and lets go.
    static void Drag(QWidget* w, QPoint from, QPoint by)
    {
        const QPoint start = w->mapToGlobal(from);
        Mouse(w, QEvent::MouseButtonPress, from, start);
        Mouse(w, QEvent::MouseMove, from, start + by);
        Mouse(w, QEvent::MouseButtonRelease, from, start + by);
    }
    static QPoint Center(SurfaceWidget* w, int hit)
    {
        for (int y = 0; y < w->height(); ++y)
            for (int x = 0; x < w->width(); ++x)
                if (w->FrameHitTest(QPoint(x, y)) == hit)
                    return QPoint(x + 3, y + 3);
        ADD_FAILURE() << "no part " << hit;
        return QPoint();
    }

    HMENU m_menu = nullptr;
    HWND m_frame = nullptr;
    HWND m_client = nullptr;
};

TEST_F(ChildFrameTest, DocumentWindowsGetAFrameWithTheirClientAreaInsideIt)
{
    HWND a = NewChild("Alpha");
    HWND b = NewChild("Beta", 40, 40);
    ASSERT_TRUE(a && b);
    RECT window = InClient(b), client{};
    ::GetClientRect(b, &client);
    POINT origin{0, 0};
    ::MapWindowPoints(b, m_client, &origin, 1);
    EXPECT_EQ(origin.x - window.left, kel::qt::kChildSizingBorder);
    EXPECT_EQ(origin.y - window.top, kel::qt::kChildSizingBorder + kel::qt::kChildCaption);
    EXPECT_EQ(window.right - window.left - client.right, 2 * kel::qt::kChildSizingBorder);
    EXPECT_EQ(Widget(b)->geometry().size(), QSize(300, 200));

    // The active window's caption in the active colour, the other in the inactive one.
    const QPoint captionPoint(kel::qt::kChildSizingBorder + 2, kel::qt::kChildSizingBorder + 2);
    auto captionColor = [&](HWND h) { return Widget(h)->grab().toImage().pixelColor(captionPoint); };
    EXPECT_EQ(Active(), b);
    const COLORREF active = ::GetSysColor(COLOR_ACTIVECAPTION),
                   inactive = ::GetSysColor(COLOR_INACTIVECAPTION);
    EXPECT_EQ(captionColor(b), QColor(GetRValue(active), GetGValue(active), GetBValue(active)));
    EXPECT_EQ(captionColor(a), QColor(GetRValue(inactive), GetGValue(inactive), GetBValue(inactive)));

    // Children without a caption have no frame.
    HWND plain =
        ::CreateWindowEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 5, 5, 50, 20, b, nullptr, nullptr, nullptr);
    RECT pr{};
    ::GetClientRect(plain, &pr);
    EXPECT_EQ(pr.right, 50);
    EXPECT_EQ(Widget(plain)->ClientOffset(), QPoint());
}

TEST_F(ChildFrameTest, AClickOnAWindowOrItsCaptionActivatesIt)
{
    HWND a = NewChild("Alpha");
    HWND b = NewChild("Beta", 200, 150);
    ASSERT_EQ(Active(), b);
    Click(Widget(a), Widget(a)->ClientRect().center()); // in the client area
    Pump();
    EXPECT_EQ(Active(), a);
    Click(Widget(b), Center(Widget(b), HTCAPTION));
    Pump();
    EXPECT_EQ(Active(), b);
}

TEST_F(ChildFrameTest, CaptionButtonsMaximizeMinimizeRestoreAndClose)
{
    HWND a = NewChild("Alpha", 30, 20);
    const RECT normal = InClient(a);
    SurfaceWidget* w = Widget(a);

    Click(w, Center(w, HTMAXBUTTON));
    Pump();
    ASSERT_TRUE(::IsZoomed(a));
    RECT area{}, client{};
    ::GetClientRect(m_client, &area);
    ::GetClientRect(a, &client);
    EXPECT_EQ(client.right, area.right);
    EXPECT_EQ(client.bottom, area.bottom);
    // The frame's menu bar carries the window's buttons while it is maximized.
    QMenuBar* bar = Widget(m_frame)->menuBar;
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(bar->cornerWidget(Qt::TopRightCorner), nullptr);
    auto* restore = bar->cornerWidget(Qt::TopRightCorner)->findChild<QToolButton*>("Restore");
    ASSERT_NE(restore, nullptr);
    restore->click();
    Pump();
    EXPECT_FALSE(::IsZoomed(a));
    EXPECT_EQ(InClient(a).left, normal.left);
    EXPECT_EQ(InClient(a).bottom, normal.bottom);
    EXPECT_EQ(bar->cornerWidget(Qt::TopRightCorner), nullptr);

    // Minimized: a caption at the bottom of the client area; its button brings it back.
    Click(w, Center(w, HTMINBUTTON));
    Pump();
    ASSERT_TRUE(::IsIconic(a));
    EXPECT_EQ(InClient(a).bottom, area.bottom);
    EXPECT_LT(InClient(a).bottom - InClient(a).top, 40);
    Click(w, Center(w, HTMINBUTTON));
    Pump();
    EXPECT_FALSE(::IsIconic(a));
    EXPECT_EQ(InClient(a).top, normal.top);
    EXPECT_EQ(InClient(a).right, normal.right);

    Click(w, Center(w, HTCLOSE));
    Pump();
    EXPECT_FALSE(::IsWindow(a));
}

TEST_F(ChildFrameTest, TheCaptionMovesTheBorderSizesAndADoubleClickMaximizes)
{
    HWND a = NewChild("Alpha", 30, 20);
    SurfaceWidget* w = Widget(a);
    const RECT before = InClient(a);
    Drag(w, Center(w, HTCAPTION), QPoint(25, 15));
    RECT r = InClient(a);
    EXPECT_EQ(r.left, before.left + 25);
    EXPECT_EQ(r.top, before.top + 15);
    EXPECT_EQ(r.right - r.left, before.right - before.left);

    Drag(w, QPoint(w->width() - 1, w->height() - 1), QPoint(40, 30)); // the bottom right corner
    r = InClient(a);
    EXPECT_EQ(r.left, before.left + 25);
    EXPECT_EQ(r.right - r.left, before.right - before.left + 40);
    EXPECT_EQ(r.bottom - r.top, before.bottom - before.top + 30);
    RECT client{};
    ::GetClientRect(a, &client);
    EXPECT_EQ(client.right, r.right - r.left - 2 * kel::qt::kChildSizingBorder)
        << "the window heard the size";

    // Sizing stops at the smallest frame.
    Drag(w, QPoint(0, w->height() / 2), QPoint(1000, 0));
    EXPECT_GE(InClient(a).right - InClient(a).left, ::GetSystemMetrics(SM_CXMINTRACK));

    const QPoint caption = Center(w, HTCAPTION);
    Mouse(w, QEvent::MouseButtonPress, caption);
    Mouse(w, QEvent::MouseButtonRelease, caption);
    Mouse(w, QEvent::MouseButtonDblClick, caption);
    Mouse(w, QEvent::MouseButtonRelease, caption);
    Pump();
    EXPECT_TRUE(::IsZoomed(a));
}

TEST_F(ChildFrameTest, AReleaseGoesWhereItsPressWent)
{
    HWND a = NewChild("Alpha", 30, 20);
    SurfaceWidget* w = Widget(a);
    const QPoint inside = w->ClientRect().center();
    for (const QPoint away : {Center(w, HTCAPTION), QPoint(-30, -30)})
    {
        Mouse(w, QEvent::MouseButtonPress, inside);
        Mouse(w, QEvent::MouseButtonRelease, away);
    }
    Pump();
    EXPECT_EQ(g_downs, 2);
    EXPECT_EQ(g_ups, 2) << "a press in the client area is released there, wherever the pointer is";
}

TEST_F(ChildFrameTest, StatesHoldWhicheverWayTheyAreChanged)
{
    HWND a = NewChild("Alpha", 30, 20);
    HWND b = NewChild("Beta", 60, 50);
    const RECT normal = InClient(a);

    // Minimized by its button, restored by ShowWindow.
    ::SendMessage(m_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    ::SendMessage(a, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(::IsIconic(a));
    WINDOWPLACEMENT wp{};
    ::GetWindowPlacement(a, &wp);
    EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));

    // Another window maximized leaves the minimized active one minimized.
    const RECT icon = InClient(a);
    ::SendMessage(m_client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(b), 0);
    EXPECT_TRUE(::IsZoomed(b));
    EXPECT_TRUE(::IsIconic(a));
    EXPECT_EQ(InClient(a).top, icon.top);

    // Restored by ShowWindow while the other stays maximized.
    ::ShowWindow(a, SW_RESTORE);
    EXPECT_FALSE(::IsIconic(a));
    EXPECT_EQ(InClient(a).top, normal.top);
    EXPECT_EQ(InClient(a).right, normal.right);
    // Restoring a window that is neither minimized nor maximized leaves the maximized one be.
    ::SendMessage(m_client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(a), 0);
    BOOL maximized = FALSE;
    EXPECT_EQ(reinterpret_cast<HWND>(
                  ::SendMessage(m_client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized))),
              b);
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(::IsZoomed(b));
    ASSERT_NE(Widget(m_frame)->menuBar, nullptr);
    EXPECT_NE(Widget(m_frame)->menuBar->cornerWidget(Qt::TopRightCorner), nullptr);

    // The buttons come back with a menu bar set again.
    ::SetMenu(m_frame, nullptr);
    ::SetMenu(m_frame, m_menu);
    ASSERT_NE(Widget(m_frame)->menuBar, nullptr);
    EXPECT_NE(Widget(m_frame)->menuBar->cornerWidget(Qt::TopRightCorner), nullptr);

    // ShowWindow's maximize and minimize go through the client too.
    ::ShowWindow(a, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(::IsZoomed(a));
    EXPECT_EQ(Active(), a);
    RECT area{}, client{};
    ::GetClientRect(m_client, &area);
    ::GetClientRect(a, &client);
    EXPECT_EQ(client.right, area.right);
}

} // namespace

namespace
{
bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
} // namespace

TEST_F(ChildFrameTest, APlacementKeepsTheNormalRectangleOfAMinimizedOrMaximizedDocumentWindow)
{
    HWND a = NewChild("Alpha", 30, 20);
    NewChild("Beta", 60, 50);
    const RECT normal = InClient(a);
    for (const int cmd : {SW_SHOWMAXIMIZED, SW_SHOWMINIMIZED})
    {
        SCOPED_TRACE(cmd);
        ::ShowWindow(a, cmd);
        WINDOWPLACEMENT wp{};
        ASSERT_TRUE(::GetWindowPlacement(a, &wp));
        EXPECT_EQ(wp.showCmd, static_cast<UINT>(cmd));
        EXPECT_TRUE(SameRect(wp.rcNormalPosition, normal))
            << wp.rcNormalPosition.left << "," << wp.rcNormalPosition.top << " " << wp.rcNormalPosition.right
            << "," << wp.rcNormalPosition.bottom;
        ::ShowWindow(a, SW_RESTORE);
        EXPECT_TRUE(SameRect(InClient(a), normal));
    }

    // A placement with a new normal rectangle, applied to the maximized window, restores it there.
    ::ShowWindow(a, SW_SHOWMAXIMIZED);
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    wp.showCmd = SW_SHOWNORMAL;
    wp.rcNormalPosition = RECT{5, 6, 205, 156};
    ASSERT_TRUE(::SetWindowPlacement(a, &wp));
    EXPECT_FALSE(::IsZoomed(a));
    EXPECT_TRUE(SameRect(InClient(a), wp.rcNormalPosition));
}

TEST_F(ChildFrameTest, AClientPressOfOneButtonIsReleasedThereWhileAnotherWasPressedOnTheFrame)
{
    HWND a = NewChild("Alpha", 30, 20);
    SurfaceWidget* w = Widget(a);
    g_rdowns = g_rups = 0;
    const QPoint caption = Center(w, HTCAPTION);
    const QPoint inside = w->ClientRect().center();
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    // Left down on the caption, right down and up in the client area, left up.
    send(QEvent::MouseButtonPress, caption, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonPress, inside, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    send(QEvent::MouseButtonRelease, inside, Qt::RightButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, caption, Qt::LeftButton, Qt::NoButton);
    Pump();
    EXPECT_EQ(g_rdowns, 1);
    EXPECT_EQ(g_rups, g_rdowns) << "the client's right button went down there and must come up there";
}
