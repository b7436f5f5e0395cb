// Menu bars of top-level windows and the beep hook the Qt backend installs.
#include <QtGui/QImage>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>

#include "testkit/UiTest.h"
#include "win32/uidriver.h"
#include "windows.h"

#include <vector>

using kel::testkit::UiTest;

namespace
{

struct Seen
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;

constexpr UINT kOpen = 201;
constexpr UINT kRecent = 202;
constexpr UINT kGrayed = 203;
constexpr UINT kAbout = 301;

LRESULT CALLBACK MenuProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITMENUPOPUP || message == WM_COMMAND || message == WM_SIZE ||
        message == WM_LBUTTONDOWN || message == WM_MENUSELECT)
        g_seen.push_back({message, wParam, lParam});
    if (message == WM_INITMENUPOPUP)
        // An update handler: the item shows checked in the rebuilt submenu.
        CheckMenuItem(reinterpret_cast<HMENU>(wParam), kOpen, MF_BYCOMMAND | MF_CHECKED);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class QtMenuBarTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        g_seen.clear();
        WNDCLASS wc{};
        wc.lpfnWndProc = MenuProc;
        wc.hInstance = GetModuleHandle(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = "KelMenuBarTest";
        RegisterClass(&wc);
        top = CreateWindowEx(0, "KelMenuBarTest", "Bar", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200, nullptr,
                             nullptr, GetModuleHandle(nullptr), nullptr);
        ASSERT_NE(top, nullptr);
        ShowWindow(top, SW_SHOW);
        file = CreatePopupMenu();
        AppendMenu(file, MF_STRING, kOpen, "&Open...\tCtrl+O");
        AppendMenu(file, MF_SEPARATOR, 0, nullptr);
        AppendMenu(file, MF_STRING, kRecent, "&Recent");
        AppendMenu(file, MF_STRING | MF_GRAYED, kGrayed, "&Grayed");
        bar = CreateMenu();
        AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        AppendMenu(bar, MF_STRING, kAbout, "&About");
    }
    void TearDown() override
    {
        if (IsWindow(top))
            DestroyWindow(top);
        DestroyMenu(bar);
        UiTest::TearDown();
    }
    QMenuBar* BarWidget() const
    {
        auto* widget = static_cast<QWidget*>(kel::ui::GetSurface(top));
        return widget ? widget->findChild<QMenuBar*>() : nullptr;
    }

    HWND top = nullptr;
    HMENU file = nullptr;
    HMENU bar = nullptr;
};

TEST_F(QtMenuBarTest, BarTakesItsHeightFromTheClientAreaUntilRemoved)
{
    RECT before{}, window{};
    GetClientRect(top, &before);
    GetWindowRect(top, &window);
    ASSERT_TRUE(SetMenu(top, bar));
    EXPECT_EQ(GetMenu(top), bar);
    QMenuBar* qbar = BarWidget();
    ASSERT_NE(qbar, nullptr);
    EXPECT_FALSE(qbar->isNativeMenuBar());
    RECT after{};
    GetClientRect(top, &after);
    ASSERT_GT(qbar->height(), 0);
    EXPECT_EQ(after.bottom, before.bottom - qbar->height());
    EXPECT_EQ(after.right, before.right);
    RECT windowAfter{};
    GetWindowRect(top, &windowAfter);
    EXPECT_EQ(windowAfter.bottom - windowAfter.top, window.bottom - window.top);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen.back().message, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(HIWORD(g_seen.back().lParam), after.bottom);
    // Client coordinates start below the bar.
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    EXPECT_EQ(origin.y, windowAfter.top + qbar->height());

    ASSERT_TRUE(SetMenu(top, nullptr));
    EXPECT_EQ(GetMenu(top), nullptr);
    EXPECT_EQ(BarWidget(), nullptr);
    GetClientRect(top, &after);
    EXPECT_EQ(after.bottom, before.bottom);
}

TEST_F(QtMenuBarTest, OpeningASubmenuAsksTheWindowThenChoosingPostsTheCommand)
{
    ASSERT_TRUE(SetMenu(top, bar));
    QMenuBar* qbar = BarWidget();
    ASSERT_NE(qbar, nullptr);
    const QList<QAction*> entries = qbar->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&File"));
    EXPECT_EQ(entries[1]->text(), QStringLiteral("&About"));
    QMenu* fileMenu = entries[0]->menu();
    ASSERT_NE(fileMenu, nullptr);

    g_seen.clear();
    emit fileMenu->aboutToShow();
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].message, static_cast<UINT>(WM_INITMENUPOPUP));
    EXPECT_EQ(g_seen[0].wParam, reinterpret_cast<WPARAM>(file));
    EXPECT_EQ(LOWORD(g_seen[0].lParam), 0);

    // The submenu was rebuilt after the handler checked an item.
    QString texts;
    QAction* recent = nullptr;
    for (QAction* a : fileMenu->actions())
    {
        texts += a->text() + QLatin1Char('|');
        if (a->data().toUInt() == kOpen)
        {
            EXPECT_TRUE(a->isChecked());
        }
        if (a->data().toUInt() == kGrayed)
        {
            EXPECT_FALSE(a->isEnabled());
        }
        if (a->data().toUInt() == kRecent)
            recent = a;
    }
    EXPECT_EQ(texts, QStringLiteral("&Open...\tCtrl+O||&Recent|&Grayed|"));
    ASSERT_NE(recent, nullptr);

    // The item under the mouse, then the menu closing, go to the window as WM_MENUSELECT.
    g_seen.clear();
    QAction* grayed = fileMenu->actions().back();
    emit fileMenu->hovered(recent);
    emit fileMenu->hovered(grayed);
    emit fileMenu->aboutToHide();
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[0].message, static_cast<UINT>(WM_MENUSELECT));
    EXPECT_EQ(g_seen[0].wParam, MAKEWPARAM(kRecent, MF_HILITE | MF_MOUSESELECT));
    EXPECT_EQ(g_seen[0].lParam, reinterpret_cast<LPARAM>(file));
    EXPECT_EQ(g_seen[1].wParam, MAKEWPARAM(kGrayed, MF_HILITE | MF_MOUSESELECT | MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(g_seen[2].wParam, MAKEWPARAM(0, 0xFFFF));
    EXPECT_EQ(g_seen[2].lParam, 0);

    g_seen.clear();
    recent->trigger();
    entries[1]->trigger(); // an item right on the bar
    ASSERT_TRUE(UiTest::PumpUntil([] { return g_seen.size() >= 2; }));
    EXPECT_EQ(g_seen[0].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(g_seen[0].wParam, MAKEWPARAM(kRecent, 0));
    EXPECT_EQ(g_seen[0].lParam, 0);
    EXPECT_EQ(g_seen[1].wParam, MAKEWPARAM(kAbout, 0));

    // DrawMenuBar shows changes to the menu.
    ModifyMenu(bar, 1, MF_BYPOSITION | MF_STRING, kAbout, "&Help");
    DrawMenuBar(top);
    ASSERT_EQ(qbar->actions().size(), 2);
    EXPECT_EQ(qbar->actions()[1]->text(), QStringLiteral("&Help"));
}

TEST_F(QtMenuBarTest, ClientCoordinatesStartBelowTheBar)
{
    HWND child = CreateWindowEx(0, "KelMenuBarTest", "", WS_CHILD | WS_VISIBLE, 10, 20, 50, 40, top,
                                reinterpret_cast<HMENU>(5), GetModuleHandle(nullptr), nullptr);
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(SetMenu(top, bar));
    const int barHeight = BarWidget()->height();
    auto* topWidget = static_cast<QWidget*>(kel::ui::GetSurface(top));
    auto* childWidget = static_cast<QWidget*>(kel::ui::GetSurface(child));
    EXPECT_EQ(childWidget->geometry(), QRect(10, 20 + barHeight, 50, 40));
    MoveWindow(child, 30, 5, 50, 40, TRUE);
    EXPECT_EQ(childWidget->pos(), QPoint(30, 5 + barHeight));
    RECT childRect{};
    GetWindowRect(child, &childRect);
    POINT origin{0, 0};
    ClientToScreen(top, &origin);
    EXPECT_EQ(childRect.top, origin.y + 5);

    g_seen.clear();
    const QPointF at(70, barHeight + 7);
    QMouseEvent press(QEvent::MouseButtonPress, at, topWidget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(topWidget, &press);
    ASSERT_TRUE(UiTest::PumpUntil([] { return !g_seen.empty(); }));
    EXPECT_EQ(g_seen[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(GET_X_LPARAM(g_seen[0].lParam), 70);
    EXPECT_EQ(GET_Y_LPARAM(g_seen[0].lParam), 7);

    // The window's drawing shows below the bar, not under it.
    UpdateWindow(top);
    UiTest::Pump();
    const QImage shown = topWidget->grab().toImage();
    EXPECT_EQ(shown.pixelColor(150, barHeight + 60), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(150, shown.height() - 2), QColor(Qt::black)); // the last client row
    EXPECT_NE(shown.pixelColor(150, barHeight / 2), QColor(Qt::black));

    ASSERT_TRUE(SetMenu(top, nullptr));
    EXPECT_EQ(childWidget->pos(), QPoint(30, 5));
}

TEST_F(QtMenuBarTest, AMenuGivenAtCreationShowsAtOnce)
{
    HWND other = CreateWindowEx(0, "KelMenuBarTest", "Other", WS_OVERLAPPEDWINDOW, 60, 60, 300, 200, nullptr,
                                bar, GetModuleHandle(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(GetMenu(other), bar);
    auto* widget = static_cast<QWidget*>(kel::ui::GetSurface(other));
    QMenuBar* qbar = widget->findChild<QMenuBar*>();
    ASSERT_NE(qbar, nullptr);
    RECT client{}, window{};
    GetClientRect(other, &client);
    GetWindowRect(other, &window);
    EXPECT_EQ(client.bottom, window.bottom - window.top - qbar->height());
    SetMenu(other, nullptr); // the fixture destroys `bar`
    DestroyWindow(other);
}

TEST_F(QtMenuBarTest, AltWithAMnemonicOrF10OpensTheMenuBarFromTheKeyboard)
{
    ASSERT_TRUE(SetMenu(top, bar));
    QMenuBar* qbar = BarWidget();
    ASSERT_NE(qbar, nullptr);
    QMenu* fileMenu = qbar->actions()[0]->menu();
    std::vector<UINT> beeps;
    kel::BeepHandler installed = kel::SetBeepHandler([&](UINT type) { beeps.push_back(type); });
    // The keys as the window gets them: a system key-down with Alt held, its character, a key-up.
    auto press = [&](UINT vk, char character, bool alt)
    {
        const LPARAM altBit = alt ? (static_cast<LPARAM>(KF_ALTDOWN) << 16) : 0;
        MSG down{top, WM_SYSKEYDOWN, vk, 1 | altBit, 0, {0, 0}};
        kel::ui::PostInput(down, character);
        MSG up{top, WM_SYSKEYUP, vk, static_cast<LPARAM>(0xC0000001) | altBit, 0, {0, 0}};
        kel::ui::PostInput(up);
        UiTest::Pump();
    };
    struct Case
    {
        UINT vk;
        char character;
        bool alt;
        bool fileOpens;
        bool about;
        bool beeps;
    } const cases[] = {
        {'F', 'f', true, true, false, false},   // Alt+F: the File menu
        {'A', 'A', true, false, true, false},   // Alt+A: the bar's own command runs
        {'Z', 'z', true, false, false, true},   // no entry marked Z
        {VK_F10, 0, false, true, false, false}, // F10: the first entry
    };
    for (const Case& c : cases)
    {
        g_seen.clear();
        beeps.clear();
        press(c.vk, c.character, c.alt);
        if (c.about)
            UiTest::PumpUntil([] { return !g_seen.empty(); });
        EXPECT_EQ(fileMenu->isVisible(), c.fileOpens) << c.vk;
        bool about = false;
        for (const Seen& s : g_seen)
            about = about || (s.message == WM_COMMAND && LOWORD(s.wParam) == kAbout);
        EXPECT_EQ(about, c.about) << c.vk;
        EXPECT_EQ(!beeps.empty(), c.beeps) << c.vk;
        fileMenu->hide();
        UiTest::Pump();
    }
    kel::SetBeepHandler(installed);
}

TEST_F(QtMenuBarTest, MessageBeepReachesTheBackendWhileItRuns)
{
    // The backend's handler is installed; swap in a recorder to see the type pass through.
    std::vector<UINT> heard;
    kel::BeepHandler installed = kel::SetBeepHandler([&](UINT type) { heard.push_back(type); });
    EXPECT_TRUE(static_cast<bool>(installed));
    MessageBeep(MB_ICONHAND);
    kel::SetBeepHandler(installed);
    EXPECT_EQ(heard, std::vector<UINT>{MB_ICONHAND});
    MessageBeep(MB_OK); // the real one; offscreen it plays nothing
    UiTest::Pump(5);
}

} // namespace
