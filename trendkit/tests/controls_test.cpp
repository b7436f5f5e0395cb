// Child-window controls driven as a user drives them: the mouse (mouse_event) and the keyboard on
// real child windows of the graph, with the host passing the graph window's control messages on.
#include "TrendkitFixture.h"

#include "testkit/FakeClock.h"
#include "testkit/Image.h"
#include "win32/uidriver.h"

#include <cstdlib>
#include <string>

namespace trendkit::test
{
namespace
{

struct Call
{
    WORD object;
    float now, before; // scrollbars
    int nowState, beforeState;
};
std::vector<Call> calls;
int accept = 1;

int WINAPI RecordScroll(GrDesc*, WORD object, INT_PTR now, INT_PTR before)
{
    calls.push_back({object, *reinterpret_cast<float*>(now), *reinterpret_cast<float*>(before), 0, 0});
    return accept;
}

int WINAPI RecordButton(GrDesc*, WORD object, INT_PTR now, INT_PTR before)
{
    calls.push_back({object, 0, 0, static_cast<int>(now), static_cast<int>(before)});
    return 1;
}

WNDPROC hostProc = nullptr;

// The host's graph window procedure passing its control messages on.
LRESULT CALLBACK ControlHost(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_DRAWITEM:
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
        return HXChildControlProc(window, message, wParam, lParam);
    default:
        return CallWindowProc(hostProc, window, message, wParam, lParam);
    }
}

class ControlsTest : public TrendkitTest
{
protected:
    void SetUp() override
    {
        TrendkitTest::SetUp();
        calls.clear();
        accept = 1;
    }

    // A graph whose objects `build` makes, shown, its window routing control messages.
    GrDesc* ControlGraph(std::function<void(GrDesc*)> build)
    {
        GrDesc* graph = RangedGraph(
            [this, build](GrDesc* g)
            {
                hostProc = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtr(g->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlHost)));
                build(g);
            });
        UpdateWindow(graph->window);
        Pump();
        return graph;
    }

    // A left click at the centre of a window, through the layer's mouse input.
    static void Click(HWND window, int dx = 0)
    {
        RECT r{};
        GetClientRect(window, &r);
        POINT p{(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2};
        ClientToScreen(window, &p);
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        const DWORD x = static_cast<DWORD>((p.x * 65536 + w / 2) / w), y = static_cast<DWORD>((p.y * 65536 + h / 2) / h);
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN, x, y, 0, 0);
        Pump();
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, x, y, 0, 0);
        Pump();
    }

    static void Space(HWND window)
    {
        kel::ui::PostInput(MSG{window, WM_KEYDOWN, VK_SPACE, 0x00390001, 0, {}}, ' ');
        Pump();
        kel::ui::PostInput(MSG{window, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0390001), 0, {}});
        Pump();
    }

    static void Keep(GrDesc* graph, const char* name)
    {
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(kel::testkit::CaptureWindow(graph->window),
                                  std::string(keep) + "/trendkit_" + name + ".png");
    }
};

TEST_F(ControlsTest, ScrollbarMapsPositionsToValuesAndAsksBeforeMovingTheThumb)
{
    WORD bar = 0;
    GrDesc* graph = ControlGraph([&](GrDesc* g)
                                 { bar = WRSetScrBarControl(g, RecordScroll, 0.1f, 0.9f, 0.8f, 0.05f, 0xC0C0C0, 0,
                                                            100, 1, 10, 95); });
    ASSERT_EQ(bar, 3);
    HWND window = GetDlgItem(graph->window, bar);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetScrollPos(window, SB_CTL), 95);
    float lo = 0, hi = 0, step = 0, page = 0;
    ASSERT_EQ(WRGetScrBar(graph, bar, &lo, &hi, &step, &page), 1);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 100);
    EXPECT_FLOAT_EQ(step, 1);
    EXPECT_FLOAT_EQ(page, 10);

    // A page down from 95 stops at the end.
    SendMessage(graph->window, WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), reinterpret_cast<LPARAM>(window));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].object, bar);
    EXPECT_FLOAT_EQ(calls[0].now, 100);
    EXPECT_FLOAT_EQ(calls[0].before, 95);
    EXPECT_EQ(GetScrollPos(window, SB_CTL), 100);
    SendMessage(graph->window, WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(window));
    EXPECT_EQ(calls.size(), 1u); // nothing moved, nothing told

    // The user clicks the left arrow; the host refuses, so the thumb stays where it was drawn.
    accept = 0;
    RECT r{};
    GetClientRect(window, &r);
    Click(window, -(r.right / 2) + 3);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FLOAT_EQ(calls[1].now, 99);
    EXPECT_EQ(GetScrollPos(window, SB_CTL), 100);
    float value = 0;
    WRGetScrollPos(graph, bar, &value);
    EXPECT_FLOAT_EQ(value, 99);

    // A wider range keeps the value shown.
    ASSERT_EQ(WRChangeScrBar(graph, bar, 0, 200, 1, 20), 1);
    WRGetScrollPos(graph, bar, &value);
    EXPECT_FLOAT_EQ(value, 99);
    EXPECT_EQ(GetScrollPos(window, SB_CTL), 99);
    ASSERT_EQ(WRSetScrollPos(graph, bar, 150), 1);
    EXPECT_EQ(GetScrollPos(window, SB_CTL), 150);
    Keep(graph, "scrollbar");
}

TEST_F(ControlsTest, ScrollRangesAndStepsOfZeroAreRefused)
{
    WORD bar = 0, flat = 1, still = 1, coarse = 0;
    GrDesc* graph = ControlGraph(
        [&](GrDesc* g)
        {
            flat = WRSetScrBarControl(g, RecordScroll, 0.1f, 0.1f, 0.8f, 0.05f, 0xC0C0C0, 5, 5, 1, 1, 5);
            EXPECT_EQ(WGGetLastError(), 30);
            still = WRSetScrBarControl(g, RecordScroll, 0.1f, 0.2f, 0.8f, 0.05f, 0xC0C0C0, 0, 10, 0, 1, 5);
            EXPECT_EQ(WRSetScrBarControl(g, nullptr, 0.1f, 0.2f, 0.8f, 0.05f, 0xC0C0C0, 0, 10, 1, 1, 5), 0);
            bar = WRSetScrBarControl(g, RecordScroll, 0.1f, 0.3f, 0.8f, 0.05f, 0xC0C0C0, 0, 10, 1, 1, 5);
            // A step wider than the range still has its two ends.
            coarse = WRSetScrBarControl(g, RecordScroll, 0.1f, 0.4f, 0.8f, 0.05f, 0xC0C0C0, 0, 1, 5, 1, 1);
        });
    EXPECT_EQ(flat, 0);
    EXPECT_EQ(still, 0);
    ASSERT_NE(bar, 0);
    EXPECT_EQ(WRChangeScrBar(graph, bar, 3, 3, 1, 1), 0);
    EXPECT_EQ(WRChangeScrBar(graph, bar, 0, 10, 0, 1), 0);
    float lo = -1, hi = -1, value = -1;
    WRGetScrBar(graph, bar, &lo, &hi, nullptr, nullptr);
    WRGetScrollPos(graph, bar, &value);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 10);
    EXPECT_EQ(value, 5);
    ASSERT_NE(coarse, 0);
    WRGetScrollPos(graph, coarse, &value);
    EXPECT_EQ(value, 1);
}

TEST_F(ControlsTest, ToggleButtonFollowsClicksAndTheSpaceBar)
{
    WORD toggle = 0, other = 0;
    GrDesc* graph = ControlGraph(
        [&](GrDesc* g)
        {
            toggle = WRSetButtonControl(g, RecordButton, 1, 1, 0.1f, 0.1f, 0.3f, 0.15f, 0xC0C0C0, "Pump", 0);
            other = WRSetButtonControl(g, RecordButton, 1, 3, 0.5f, 0.1f, 0.3f, 0.15f, 0xFFFF80, "Valve", 0);
            EXPECT_EQ(WRSetButtonControl(g, nullptr, 1, 1, 0.1f, 0.5f, 0.3f, 0.1f, 0xC0C0C0, "x", 0), 0);
        });
    ASSERT_NE(toggle, 0);
    HWND window = GetDlgItem(graph->window, toggle);
    ASSERT_NE(window, nullptr);
    Click(window);
    EXPECT_EQ(WRGetButtonState(graph, toggle), 1);
    Click(window);
    EXPECT_EQ(WRGetButtonState(graph, toggle), 0);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].object, toggle);
    EXPECT_EQ(calls[0].nowState, 1);
    EXPECT_EQ(calls[0].beforeState, 0);
    EXPECT_EQ(calls[1].nowState, 0);
    EXPECT_EQ(calls[1].beforeState, 1);

    // The buttons take the keyboard focus like any control.
    HWND valve = GetDlgItem(graph->window, other);
    SetFocus(valve);
    EXPECT_EQ(GetFocus(), valve);
    Space(valve);
    EXPECT_EQ(WRGetButtonState(graph, other), 1);
    EXPECT_EQ(WRGetButtonState(graph, toggle), 0);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].object, other);

    // Changed by the program: the state flips, no callback.
    EXPECT_EQ(WRChangeButtonState(graph, toggle, 0), 0);
    EXPECT_EQ(WRGetButtonState(graph, toggle), 1);
    EXPECT_EQ(calls.size(), 3u);
    InvalidateRect(graph->window, nullptr, TRUE);
    UpdateWindow(graph->window);
    Pump();
    Keep(graph, "toggles");
}

TEST_F(ControlsTest, ButtonGroupSelectsOneButton)
{
    WORD group = 0;
    char captions[3 * 16] = {};
    std::strcpy(captions, "Off");
    std::strcpy(captions + 16, "Manual");
    std::memcpy(captions + 32, "AutomaticControlX", 16); // no terminator in its field
    GrDesc* graph = ControlGraph(
        [&](GrDesc* g)
        {
            group = WRSetButtonGroup(g, RecordButton, 2, 0.1f, 0.1f, 0.4f, 0.5f, 0xC0C0C0, 3, 0, captions, 0);
            EXPECT_EQ(WRSetButtonGroup(g, RecordButton, 0, 0.6f, 0.1f, 0.3f, 0.3f, 0xC0C0C0, 1, 0, captions, 0), 0);
            EXPECT_EQ(WGGetLastError(), 30);
            // More buttons than a group's identifiers hold would reach the next group's.
            std::vector<char> many(21 * 16, 'a');
            EXPECT_EQ(WRSetButtonGroup(g, RecordButton, 0, 0.6f, 0.1f, 0.3f, 0.3f, 0xC0C0C0, 21, 0, many.data(), 0),
                      0);
        });
    ASSERT_EQ(group, 3);
    HWND manual = GetDlgItem(graph->window, 30000 + 20 * group + 1);
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(WRGetButtonWindow(graph, group, 1), manual);
    EXPECT_EQ(WRGetButtonWindow(graph, group, 3), nullptr);
    EXPECT_EQ(WRGetButtonWindow(graph, 1, 0), nullptr); // the X axis
    EXPECT_EQ(WGGetLastError(), 29);
    char text[32] = {};
    GetWindowTextA(GetDlgItem(graph->window, 30000 + 20 * group + 2), text, sizeof text);
    EXPECT_STREQ(text, "AutomaticContro");
    Click(manual);
    EXPECT_EQ(WRGetButtonState(graph, group), 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].nowState, 1);
    EXPECT_EQ(calls[0].beforeState, 0);

    // Selecting the selected button does nothing.
    EXPECT_EQ(WRChangeButtonState(graph, group, 1), 0);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(WRChangeButtonState(graph, group, 2), 1);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].nowState, 2);
    EXPECT_EQ(calls[1].beforeState, 1);
    EXPECT_EQ(WRChangeButtonState(graph, group, 7), 0);
    EXPECT_EQ(WRGetButtonState(graph, group), 2);

    // The control colour answers the colour messages with a stock brush.
    HDC dc = GetDC(manual);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessage(graph->window, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(manual))),
              GetStockObject(LTGRAY_BRUSH));
    ReleaseDC(manual, dc);
    WRChangeButtonColor(graph, group, RGB(255, 255, 0), 0);
    EXPECT_EQ(WRGetButtonColor(graph, group, 2), RGB(255, 255, 0)); // style 2: one colour for all
    UpdateWindow(graph->window);
    Pump();
    Keep(graph, "group");
}

TEST_F(ControlsTest, MomentaryButtonIsReleasedByItsTimerWhichEndsWithTheControl)
{
    kel::testkit::FakeClock clock(1000);
    WORD push = 0;
    GrDesc* graph = ControlGraph(
        [&](GrDesc* g)
        { push = WRSetButtonControl(g, RecordButton, 0, 0, 0.1f, 0.1f, 0.3f, 0.2f, 0xC0C0C0, "Vent", 0); });
    HWND window = GetDlgItem(graph->window, push);
    ASSERT_NE(window, nullptr);
    Click(window);
    ASSERT_EQ(calls.size(), 2u); // held, released
    EXPECT_EQ(calls[0].nowState, 1);
    EXPECT_EQ(calls[1].nowState, 0);
    EXPECT_EQ(calls[1].beforeState, 1);

    EXPECT_EQ(WRChangeButtonState(graph, push, 0), 1);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].nowState, 0);
    EXPECT_EQ(calls[2].beforeState, 1);
    EXPECT_EQ(PressedControlWindow(), window);
    clock.Advance(200);
    EXPECT_TRUE(PumpUntil([] { return PressedControlWindow() == nullptr; })); // released again

    // Pressed again, then deleted before the timer ends: its window goes and the timer stops.
    WRChangeButtonState(graph, push, 0);
    EXPECT_EQ(PressedControlWindow(), window);
    WRDeleteRTObject(graph, push);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(PressedControlWindow(), nullptr);
    clock.Advance(200);
    Pump();
    EXPECT_EQ(WRGetButtonState(graph, push), 0);
    EXPECT_EQ(WGGetLastError(), 56);
}

TEST_F(ControlsTest, LedShowsItsStateAndWrongObjectsAreReported)
{
    WORD led = 0;
    GrDesc* graph = ControlGraph([&](GrDesc* g) { led = WRSetLEDControl(g, 0.5f, 0.5f, 0.2f, 0xC0C0C0, 10, 2); });
    ASSERT_NE(led, 0);
    HWND window = GetDlgItem(graph->window, led);
    ASSERT_NE(window, nullptr);
    RECT r{};
    GetClientRect(window, &r);
    EXPECT_NEAR(r.right, r.bottom, 1); // round on screen
    auto centre = [&]
    {
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        Pump();
        const kel::testkit::Image image = kel::testkit::CaptureWindow(window);
        return image.Pixel(r.right / 2 + r.right / 8, r.bottom / 2 + r.bottom / 8);
    };
    const DWORD off = centre();
    EXPECT_EQ(WRChangeButtonState(graph, led, 0), 0);
    EXPECT_EQ(WRGetButtonState(graph, led), 1);
    const DWORD on = centre();
    EXPECT_NE(on, off);
    EXPECT_EQ(on & 0xFFFFFF, WGGetRGBColor(10) & 0xFFFFFF);
    Keep(graph, "led");

    EXPECT_EQ(WRGetButtonState(graph, 99), 0);
    EXPECT_EQ(WGGetLastError(), 56);
    EXPECT_EQ(WRSetScrollPos(graph, 1, 5), 0); // the X axis
    EXPECT_EQ(WGGetLastError(), 30);
}

TEST_F(ControlsTest, GroupIdentifiersNeverPassSixteenBits)
{
    WORD group = 1, single = 0;
    const char captions[32] = "a";
    ControlGraph(
        [&](GrDesc* g)
        {
            while (g->cursor < 1800)
                AddObject(g, plotkit::test::kBox, RECT{0, 0, 1, 1});
            group = WRSetButtonGroup(g, RecordButton, 0, 0.1f, 0.1f, 0.3f, 0.3f, 0xC0C0C0, 2, 0, captions, 0);
            single = WRSetButtonControl(g, RecordButton, 1, 0, 0.5f, 0.1f, 0.3f, 0.1f, 0xC0C0C0, "b", 0);
        });
    EXPECT_EQ(group, 0);
    EXPECT_EQ(single, 1801);
}

} // namespace
} // namespace trendkit::test
