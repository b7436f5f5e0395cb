// The Qt backend end to end: surfaces, input encodings, the paint cycle, the merged event loop,
// popup menus, cursors and capture.
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>

#include "KeyMap.h"
#include "QtDriver.h"

#include "testkit/Image.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "win32/uidriver.h"
#include "windows.h"

#include <atomic>
#include <thread>
#include <vector>

using kel::testkit::UiTest;

namespace
{

struct Seen
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;
COLORREF g_paintColor = RGB(255, 0, 0);
RECT g_lastPaint{};
int g_activates = 0;

bool Recorded(UINT message)
{
    return message == WM_ERASEBKGND || message == WM_PAINT ||
           (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) || message == WM_INITMENUPOPUP ||
           message == WM_SIZE || message == WM_CLOSE || message == WM_MOUSELEAVE || message >= WM_APP;
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Recorded(message))
        g_seen.push_back({hwnd, message, wParam, lParam});
    if (message == WM_ACTIVATE)
        ++g_activates;
    if (message == WM_PAINT)
    {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        g_lastPaint = ps.rcPaint;
        HBRUSH brush = CreateSolidBrush(g_paintColor);
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(hdc, &client, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_CLOSE)
        return 0; // the test decides
    return DefWindowProc(hwnd, message, wParam, lParam);
}

const Seen* Find(UINT message, HWND hwnd = nullptr)
{
    for (const Seen& s : g_seen)
        if (s.message == message && (!hwnd || s.hwnd == hwnd))
            return &s;
    return nullptr;
}

class QtWindowTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_seen.clear();
        g_paintColor = RGB(255, 0, 0);
        Register("KelTestPlain", 0);
        Register("KelTestDbl", CS_DBLCLKS);
        top = CreateWindowEx(0, "KelTestPlain", "Top", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 100, 200,
                             150, nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
        ASSERT_NE(top, nullptr);
        child = CreateWindowEx(0, "KelTestPlain", "", WS_CHILD | WS_VISIBLE, 10, 20, 80, 60, top, (HMENU)7,
                               GetModuleHandle(nullptr), nullptr);
        ASSERT_NE(child, nullptr);
        ShowWindow(top, SW_SHOW);
        UpdateWindow(top);
        g_seen.clear();
    }
    void TearDown() override
    {
        if (IsWindow(top))
            DestroyWindow(top);
        UiTest::TearDown();
    }
    static void Register(const char* name, UINT style)
    {
        WNDCLASS wc{};
        wc.style = style;
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandle(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = name;
        RegisterClass(&wc);
    }
    static QWidget* WidgetOf(HWND hwnd) { return static_cast<QWidget*>(kel::ui::GetSurface(hwnd)); }

    HWND top = nullptr;
    HWND child = nullptr;
};

TEST_F(QtWindowTest, WindowsGetWidgetsInTheirParentsWithTheirGeometry)
{
    QWidget* topWidget = WidgetOf(top);
    QWidget* childWidget = WidgetOf(child);
    ASSERT_NE(topWidget, nullptr);
    ASSERT_NE(childWidget, nullptr);
    EXPECT_TRUE(topWidget->isWindow());
    EXPECT_EQ(childWidget->parentWidget(), topWidget);
    EXPECT_EQ(childWidget->geometry(), QRect(10, 20, 80, 60));
    EXPECT_TRUE(childWidget->isVisible());
    EXPECT_EQ(topWidget->windowTitle(), QStringLiteral("Top"));

    SetWindowText(top, "Caf\xe9");
    EXPECT_EQ(topWidget->windowTitle(), QString::fromUtf8("Caf\xc3\xa9"));
    MoveWindow(child, 5, 6, 40, 30, TRUE);
    EXPECT_EQ(childWidget->geometry(), QRect(5, 6, 40, 30));
    EnableWindow(child, FALSE);
    EXPECT_FALSE(childWidget->isEnabled());
    ShowWindow(child, SW_HIDE);
    EXPECT_FALSE(childWidget->isVisible());
}

TEST_F(QtWindowTest, MouseEventsArriveWithClientCoordinatesAndKeyFlags)
{
    QWidget* w = WidgetOf(child);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(12, 7), w->mapToGlobal(QPointF(12, 7)),
                      Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-3, 70000), w->mapToGlobal(QPointF(-3, 5)),
                        Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
    QApplication::sendEvent(w, &release);
    QWheelEvent wheel(QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
    ASSERT_TRUE(UiTest::PumpUntil([] { return Find(WM_MOUSEWHEEL) || Find(WM_MOUSEWHEEL, nullptr); }));

    const Seen* down = Find(WM_LBUTTONDOWN, child);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->wParam, static_cast<WPARAM>(MK_LBUTTON | MK_SHIFT));
    EXPECT_EQ(GET_X_LPARAM(down->lParam), 12);
    EXPECT_EQ(GET_Y_LPARAM(down->lParam), 7);
    const Seen* up = Find(WM_LBUTTONUP, child);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->wParam, static_cast<WPARAM>(MK_CONTROL));
    EXPECT_EQ(GET_X_LPARAM(up->lParam), -3); // signed 16-bit fields
    EXPECT_EQ(GET_Y_LPARAM(up->lParam), static_cast<short>(70000));
    const Seen* wheelMsg = Find(WM_MOUSEWHEEL);
    ASSERT_NE(wheelMsg, nullptr);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheelMsg->wParam), -240);
    const QPoint global = w->mapToGlobal(QPoint(5, 5));
    EXPECT_EQ(GET_X_LPARAM(wheelMsg->lParam), global.x()); // screen coordinates
    EXPECT_EQ(GET_Y_LPARAM(wheelMsg->lParam), global.y());

    // A window tracking the pointer hears when it leaves the top-level window, not a child of it.
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, child, 0};
    ASSERT_TRUE(TrackMouseEvent(&tme));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
    Pump();
    EXPECT_EQ(Find(WM_MOUSELEAVE), nullptr);
    QApplication::sendEvent(WidgetOf(top), &leave);
    ASSERT_TRUE(UiTest::PumpUntil([this] { return Find(WM_MOUSELEAVE, child) != nullptr; }));
}

TEST_F(QtWindowTest, DoubleClicksOnlyForClassesThatAskForThem)
{
    HWND dbl = CreateWindowEx(0, "KelTestDbl", "", WS_CHILD | WS_VISIBLE, 100, 20, 50, 50, top, nullptr,
                              GetModuleHandle(nullptr), nullptr);
    struct Case
    {
        HWND hwnd;
        UINT expected;
    } cases[] = {{child, WM_LBUTTONDOWN}, {dbl, WM_LBUTTONDBLCLK}};
    for (const Case& c : cases)
    {
        g_seen.clear();
        QWidget* w = WidgetOf(c.hwnd);
        QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(3, 4), w->mapToGlobal(QPointF(3, 4)),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &second);
        ASSERT_TRUE(UiTest::PumpUntil([] { return !g_seen.empty(); }));
        EXPECT_EQ(g_seen.front().message, c.expected);
        EXPECT_EQ(g_seen.front().hwnd, c.hwnd);
    }
}

TEST_F(QtWindowTest, KeysArriveAsVirtualKeysAndTranslateToCharacters)
{
    SetFocus(child);
    QWidget* w = WidgetOf(child);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    QApplication::sendEvent(w, &release);
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_E, Qt::NoModifier, QString::fromUtf8("\xe2\x82\xac"));
    QApplication::sendEvent(w, &euro);
    QKeyEvent altF(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, QString());
    QApplication::sendEvent(w, &altF);
    ASSERT_TRUE(UiTest::PumpUntil([] { return Find(WM_SYSKEYDOWN) != nullptr; }));
    UiTest::Pump(20);

    const Seen* down = Find(WM_KEYDOWN, child);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(down->lParam & 0xFFFF, 1);            // repeat count
    EXPECT_EQ((down->lParam >> 16) & 0xFF, 0x1E);   // scan code
    EXPECT_EQ(down->lParam & (LPARAM(1) << 31), 0); // pressed
    const Seen* up = Find(WM_KEYUP, child);
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(static_cast<DWORD>(up->lParam) >> 30, 3u); // previous state and transition set
    std::vector<WPARAM> chars;
    for (const Seen& s : g_seen)
        if (s.message == WM_CHAR)
            chars.push_back(s.wParam);
    EXPECT_EQ(chars, (std::vector<WPARAM>{'A', 0x80})); // the euro sign in cp1252
    const Seen* sys = Find(WM_SYSKEYDOWN, child);
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(sys->wParam, static_cast<WPARAM>('F'));
    EXPECT_NE(sys->lParam & (LPARAM(1) << 29), 0); // Alt held
}

TEST(QtKeyMap, QtKeysMapToWindowsVirtualKeys)
{
    struct Case
    {
        int key;
        bool keypad;
        UINT vk;
        UINT scan;
        bool extended;
    } cases[] = {
        {Qt::Key_Z, false, 'Z', 0x2C, false},
        {Qt::Key_7, false, '7', 0x08, false},
        {Qt::Key_7, true, VK_NUMPAD7, 0x47, false},
        {Qt::Key_F1, false, VK_F1, 0x3B, false},
        {Qt::Key_F12, false, VK_F12, 0x58, false},
        {Qt::Key_Left, false, VK_LEFT, 0x4B, true},
        {Qt::Key_Home, false, VK_HOME, 0x47, true},
        {Qt::Key_PageDown, false, VK_NEXT, 0x51, true},
        {Qt::Key_Delete, false, VK_DELETE, 0x53, true},
        {Qt::Key_Insert, false, VK_INSERT, 0x52, true},
        {Qt::Key_Return, false, VK_RETURN, 0x1C, false},
        {Qt::Key_Enter, true, VK_RETURN, 0x1C, true},
        {Qt::Key_Escape, false, VK_ESCAPE, 0x01, false},
        {Qt::Key_Backspace, false, VK_BACK, 0x0E, false},
        {Qt::Key_Tab, false, VK_TAB, 0x0F, false},
        {Qt::Key_Backtab, false, VK_TAB, 0x0F, false},
        {Qt::Key_Shift, false, VK_SHIFT, 0x2A, false},
        {Qt::Key_Control, false, VK_CONTROL, 0x1D, false},
        {Qt::Key_Alt, false, VK_MENU, 0x38, false},
        {Qt::Key_Plus, true, VK_ADD, 0x4E, false},
        {Qt::Key_Slash, true, VK_DIVIDE, 0x35, true},
        {Qt::Key_Exclam, false, '1', 0x02, false},
        {Qt::Key_Comma, false, VK_OEM_COMMA, 0x33, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.key);
        const UINT vk = kel::qt::VirtualKeyFromQt(c.key, c.keypad);
        EXPECT_EQ(vk, c.vk);
        bool extended = false;
        EXPECT_EQ(kel::qt::ScanCodeOfVirtualKey(vk, c.keypad, &extended), c.scan);
        EXPECT_EQ(extended, c.extended);
    }
    // Repeats: count in the low word, previous state in bit 30.
    const auto lp = static_cast<DWORD>(kel::qt::KeyMessageLParam(VK_DOWN, false, 3, false, true, false));
    EXPECT_EQ(lp, 3u | (0x50u << 16) | (1u << 24) | (1u << 30));
}

TEST_F(QtWindowTest, PaintCycleErasesThenPaintsIntoTheBackingImage)
{
    // Let the first paints after showing settle, then repaint a part in another colour.
    UiTest::Pump(100);
    g_seen.clear();
    g_paintColor = RGB(0, 0, 255);
    RECT part{5, 5, 30, 25};
    InvalidateRect(child, &part, TRUE);
    ASSERT_TRUE(UiTest::PumpUntil([] { return Find(WM_PAINT) != nullptr; }));
    // WM_PAINT comes from the queue; its BeginPaint sends WM_ERASEBKGND before anything is drawn.
    ASSERT_GE(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].message, WM_PAINT);
    EXPECT_EQ(g_seen[0].hwnd, child);
    EXPECT_EQ(g_seen[1].message, WM_ERASEBKGND);
    EXPECT_EQ(g_lastPaint.left, 5);
    EXPECT_EQ(g_lastPaint.bottom, 25);

    // The paint DC is clipped to the update region: only the invalid part turned blue.
    HDC hdc = GetDC(child);
    ASSERT_NE(hdc, nullptr);
    EXPECT_EQ(GetPixel(hdc, 5, 5), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(hdc, 29, 24), RGB(0, 0, 255));
    EXPECT_NE(GetPixel(hdc, 30, 24), RGB(0, 0, 255));
    EXPECT_NE(GetPixel(hdc, 4, 5), RGB(0, 0, 255));
    ReleaseDC(child, hdc);

    // The widget shows the image: capture what is on screen and keep a screenshot.
    ASSERT_TRUE(UiTest::PumpUntil(
        [&] { return kel::testkit::CaptureWindow(top).Pixel(10 + 6, 20 + 6) == RGB(0, 0, 255); }));
    const kel::testkit::Image shot = kel::testkit::CaptureWindow(top);
    EXPECT_EQ(shot.width, 200);
    const kel::testkit::TempDir dir("kel-window-");
    const std::string path = (dir / "window.png").string();
    ASSERT_TRUE(kel::testkit::SavePng(shot, path));
    const kel::testkit::Image back = kel::testkit::LoadPng(path);
    EXPECT_EQ(kel::testkit::CountDifferences(shot, back, 0), 0);
}

TEST_F(QtWindowTest, DrawingOutsidePaintShowsAfterReleaseDC)
{
    UiTest::Pump(30);
    HDC hdc = GetDC(child);
    HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
    RECT r{0, 0, 10, 10};
    FillRect(hdc, &r, green);
    ReleaseDC(child, hdc);
    DeleteObject(green);
    EXPECT_TRUE(
        UiTest::PumpUntil([&] { return kel::testkit::CaptureWindow(child).Pixel(9, 9) == RGB(0, 200, 0); }));
}

TEST_F(QtWindowTest, GetMessageReturnsAWorkersPostWhileQtEventsFlow)
{
    std::atomic<int> ticks{0};
    QTimer busy;
    QObject::connect(&busy, &QTimer::timeout, [&] { ++ticks; });
    busy.start(1);
    std::thread worker(
        [&]
        {
            while (ticks < 3)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            PostMessage(top, WM_APP + 5, 11, 22);
        });
    MSG msg{};
    BOOL got = FALSE;
    while ((got = GetMessage(&msg, nullptr, 0, 0)) > 0)
    {
        if (msg.message == WM_APP + 5)
            break;
        DispatchMessage(&msg);
    }
    worker.join();
    EXPECT_GT(got, 0);
    EXPECT_EQ(msg.hwnd, top);
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_GE(ticks.load(), 3);
}

TEST_F(QtWindowTest, PopupMenuReturnsTheChosenCommand)
{
    HMENU menu = CreatePopupMenu();
    AppendMenu(menu, MF_STRING, 101, "&Open\tCtrl+O");
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING | MF_GRAYED, 102, "&Gray");
    AppendMenu(menu, MF_STRING | MF_CHECKED, 103, "&Checked");
    QString seenTexts;
    bool grayDisabled = false;
    QTimer::singleShot(0,
                       [&]
                       {
                           auto* qmenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                           ASSERT_NE(qmenu, nullptr);
                           QAction* target = nullptr;
                           for (QAction* a : qmenu->actions())
                           {
                               seenTexts += a->text() + QLatin1Char('|');
                               if (a->data().toUInt() == 102)
                                   grayDisabled = !a->isEnabled();
                               if (a->data().toUInt() == 103)
                                   target = a;
                           }
                           ASSERT_NE(target, nullptr);
                           EXPECT_TRUE(target->isChecked());
                           qmenu->setActiveAction(target);
                           QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                           QApplication::sendEvent(qmenu, &enter);
                       });
    const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, 150, 150, 0, top, nullptr);
    EXPECT_EQ(chosen, 103);
    EXPECT_EQ(seenTexts, QStringLiteral("&Open\tCtrl+O||&Gray|&Checked|"));
    EXPECT_TRUE(grayDisabled);
    EXPECT_NE(Find(WM_INITMENUPOPUP, top), nullptr);
    DestroyMenu(menu);
}

TEST_F(QtWindowTest, CaptureGrabsTheMouseAndCursorsTakeTheirShapes)
{
    SetCapture(child);
    EXPECT_EQ(QWidget::mouseGrabber(), WidgetOf(child));
    ReleaseCapture();
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    auto& driver = static_cast<kel::qt::QtDriver&>(kel::ui::GetDriver());
    struct Case
    {
        LPCSTR id;
        Qt::CursorShape shape;
    } cases[] = {{IDC_WAIT, Qt::WaitCursor},         {IDC_CROSS, Qt::CrossCursor},
                 {IDC_IBEAM, Qt::IBeamCursor},       {IDC_SIZEWE, Qt::SizeHorCursor},
                 {IDC_HAND, Qt::PointingHandCursor}, {IDC_NO, Qt::ForbiddenCursor},
                 {IDC_ARROW, Qt::ArrowCursor}};
    for (const Case& c : cases)
    {
        HCURSOR cursor = LoadCursor(nullptr, c.id);
        ASSERT_NE(cursor, nullptr);
        SetCursor(cursor);
        EXPECT_EQ(driver.CurrentCursorShape(), c.shape);
    }
}

TEST_F(QtWindowTest, UserResizeAndCloseBoxReachTheWindow)
{
    QWidget* w = WidgetOf(top);
    w->resize(260, 180);
    ASSERT_TRUE(UiTest::PumpUntil([] { return Find(WM_SIZE) != nullptr; }));
    RECT client;
    GetClientRect(top, &client);
    EXPECT_EQ(client.right, 260);
    EXPECT_EQ(client.bottom, 180);
    const Seen* size = Find(WM_SIZE, top);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->lParam, MAKELPARAM(260, 180));

    w->close();
    EXPECT_NE(Find(WM_CLOSE, top), nullptr);
    EXPECT_TRUE(IsWindow(top)); // the window said no
}

TEST_F(QtWindowTest, ActivationBetweenTwoTopLevelsSettles)
{
    HWND second = CreateWindowEx(0, "KelTestPlain", "Second", WS_OVERLAPPEDWINDOW, 320, 100, 200, 150,
                                 nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
    ASSERT_NE(second, nullptr);
    ShowWindow(second, SW_SHOW);
    // Activated by the program, then by the window system (a closing Qt prompt hands activation back
    // that way): either way both sides agree and the messages stop.
    const struct
    {
        const char* how;
        HWND target;
        bool byQt;
    } cases[] = {{"SetActiveWindow", top, false},
                 {"Qt", second, true},
                 {"SetActiveWindow", second, false},
                 {"Qt", top, true}};
    for (const auto& c : cases)
    {
        if (c.byQt)
            WidgetOf(c.target)->activateWindow();
        else
            SetActiveWindow(c.target);
        Pump(100);
        const int settled = g_activates;
        Pump(200);
        EXPECT_EQ(g_activates, settled) << c.how << ": activation keeps trading between the windows";
        EXPECT_EQ(GetActiveWindow(), c.target) << c.how;
        EXPECT_EQ(QApplication::activeWindow(), WidgetOf(c.target)) << c.how;
    }
    DestroyWindow(second);
}

} // namespace
