// Rubber-band zoom: a rectangle dragged with simulated mouse input zooms the axes or is handed to the
// host, whichever way it is dragged; clicks, other buttons and thin rectangles.
#include "PlotkitFixture.h"

#include "testkit/Image.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

using kel::testkit::Image;

std::vector<std::string> hostLog; // button releases that reached the host's procedure

LRESULT CALLBACK LoggingGraphProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONUP || message == WM_RBUTTONUP)
        hostLog.push_back(message == WM_LBUTTONUP ? "lup" : "rup");
    return ChartGraphWndProc(window, message, wParam, lParam);
}

class ZoomTest : public PlotkitTest
{
protected:
    void SetUp() override
    {
        PlotkitTest::SetUp();
        WGEnableErrorMessages(FALSE);
        hostLog.clear();
    }

    // A graph over a 640 x 480 page whose plot runs from pixel 64 to 576 across and 48 to 432
    // down, scaled x0..x1 and y0..y1, with both axes crossing at the low ends.
    GrDesc* Graph(float x0 = 0, float x1 = 8, float y0 = 0, float y1 = 4)
    {
        from = {x0, y0};
        to = {x1, y1};
        PgDesc* page = MakePage("zoom", 8);
        GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                                  [=](GrDesc* g, HWND)
                                  {
                                      HDC dc = g->buildDc;
                                      WGSetPlotArea(g, dc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
                                      WGSetAxesScale(g, 0, 0);
                                      WGScalePlotArea(g, x0, y0, x1, y1);
                                      WGSetXYIntercepts(g, x0, y0);
                                      WGDrawXAxis(g, dc, 0, 0, 0);
                                      WGDrawYAxis(g, dc, 0, 0, 1);
                                  });
        InvalidateRect(graph->window, nullptr, TRUE);
        UpdateWindow(graph->window);
        SetWindowLongPtr(graph->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LoggingGraphProc));
        return graph;
    }

    // Device pixel of a world point.
    POINT Pixel(float x, float y) const
    {
        return POINT{static_cast<LONG>(64 + (x - from.x) / (to.x - from.x) * 512 + 0.5f),
                     static_cast<LONG>(432 - (y - from.y) / (to.y - from.y) * 384 + 0.5f)};
    }

    static void Send(GrDesc* graph, UINT message, POINT p, WPARAM keys = 0)
    {
        SendMessage(graph->window, message, keys, MAKELPARAM(p.x, p.y));
    }

    // Press (the host starting the zoom), moves and release of a button.
    void Drag(GrDesc* graph, POINT a, POINT b, BOOL apply, UINT down = WM_LBUTTONDOWN)
    {
        Send(graph, down, a);
        ASSERT_EQ(WGStartZoom(graph->window, 0, 0, down, apply), 1);
        Send(graph, WM_MOUSEMOVE, POINT{(a.x + b.x) / 2, (a.y + b.y) / 2});
        Send(graph, WM_MOUSEMOVE, b);
        Send(graph, down + 1, b);
    }

    struct World
    {
        float x, y;
    };
    World from{}, to{};
};

TEST_F(ZoomTest, ADraggedRectangleZoomsTheAxesAndTheirCrossingsFollow)
{
    GrDesc* graph = Graph();
    const POINT a = Pixel(2.1f, 1.1f), b = Pixel(5.9f, 2.9f);
    Send(graph, WM_LBUTTONDOWN, a);
    ASSERT_EQ(WGStartZoom(graph->window, 0, 0, WM_LBUTTONDOWN, TRUE), 1);
    EXPECT_EQ(GetCapture(), graph->window);
    Send(graph, WM_MOUSEMOVE, POINT{300, 300});
    Send(graph, WM_MOUSEMOVE, b);
    // The band shows while the button is held: the plot's cream inverted on its edges.
    const Image band = kel::testkit::CaptureWindow(graph->page->window);
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(band, std::string(keep) + "/plotkit_zoom_band.png");
    EXPECT_EQ(band.Pixel(a.x, (a.y + b.y) / 2), RGB(0, 4, 15));
    EXPECT_EQ(band.Pixel((a.x + b.x) / 2, b.y), RGB(0, 4, 15));
    EXPECT_EQ(band.Pixel((a.x + b.x) / 2, (a.y + b.y) / 2), RGB(255, 251, 240));

    Send(graph, WM_LBUTTONUP, b);
    EXPECT_TRUE(hostLog.empty()); // the release was the zoom's
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetWindowLongPtr(graph->window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(LoggingGraphProc));
    float min = 0, max = 0, crossing = 0;
    ASSERT_TRUE(WGGetAxisRange(graph, graph->defaultXAxis, &min, &max, &crossing));
    // Rounded outwards round 2.1 .. 5.9, narrower than before.
    EXPECT_LE(min, 2.1f);
    EXPECT_GE(min, 1.0f);
    EXPECT_GE(max, 5.9f);
    EXPECT_LE(max, 7.0f);
    float yMin = 0, yMax = 0, yCrossing = 0;
    ASSERT_TRUE(WGGetAxisRange(graph, graph->defaultYAxis, &yMin, &yMax, &yCrossing));
    EXPECT_LE(yMin, 1.1f);
    EXPECT_GE(yMin, 0.5f);
    EXPECT_GE(yMax, 2.9f);
    EXPECT_LE(yMax, 3.5f);
    // The axes crossed at the low ends and still do.
    EXPECT_EQ(crossing, yMin);
    EXPECT_EQ(yCrossing, min);
    EXPECT_EQ(WGGetZoom(nullptr, nullptr, nullptr, nullptr), 0); // applied: nothing kept

    InvalidateRect(graph->window, nullptr, TRUE);
    UpdateWindow(graph->window);
    const Image zoomed = kel::testkit::CaptureWindow(graph->page->window);
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(zoomed, std::string(keep) + "/plotkit_zoomed.png");
    EXPECT_EQ(zoomed.Pixel(320, 240), RGB(255, 251, 240)); // the band is gone
}

TEST_F(ZoomTest, EitherDiagonalGivesTheSameRectangle)
{
    GrDesc* graph = Graph();
    const POINT a = Pixel(2, 1), b = Pixel(6, 3);
    float first[4] = {}, second[4] = {};
    Drag(graph, a, b, FALSE);
    EXPECT_EQ(hostLog, std::vector<std::string>{"lup"}); // the host asks for the rectangle
    ASSERT_EQ(WGGetZoom(&first[0], &first[1], &first[2], &first[3]), 1);
    Drag(graph, b, a, FALSE);
    ASSERT_EQ(WGGetZoom(&second[0], &second[1], &second[2], &second[3]), 1);
    const float expected[4] = {2, 1, 6, 3};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(first[i], second[i]) << i;
        EXPECT_NEAR(first[i], expected[i], 0.02f) << i;
    }
    EXPECT_EQ(WGGetZoom(&first[0], &first[1], &first[2], &first[3]), 0); // forgotten once asked
    // The axes are untouched.
    float min = 0, max = 0;
    WGGetAxisRange(graph, graph->defaultXAxis, &min, &max, nullptr);
    EXPECT_EQ(min, 0.0f);
    EXPECT_EQ(max, 8.0f);
}

TEST_F(ZoomTest, AClickZoomsNothing)
{
    GrDesc* graph = Graph();
    const POINT a = Pixel(4, 2);
    Drag(graph, a, a, TRUE);
    float min = 0, max = 0;
    WGGetAxisRange(graph, graph->defaultXAxis, &min, &max, nullptr);
    EXPECT_EQ(min, 0.0f);
    EXPECT_EQ(max, 8.0f);
    Drag(graph, a, a, FALSE);
    float v[4] = {};
    EXPECT_EQ(WGGetZoom(&v[0], &v[1], &v[2], &v[3]), 0);
}

TEST_F(ZoomTest, ARightButtonZoomEndsOnlyWithTheRightButton)
{
    GrDesc* graph = Graph();
    const POINT a = Pixel(2, 1), b = Pixel(6, 3);
    Send(graph, WM_RBUTTONDOWN, a);
    ASSERT_EQ(WGStartZoom(graph->window, 0, 0, WM_RBUTTONDOWN, FALSE), 1);
    // A second start during the zoom changes nothing.
    EXPECT_EQ(WGStartZoom(graph->window, 99, 99, WM_LBUTTONDOWN, TRUE), 1);
    Send(graph, WM_MOUSEMOVE, b);
    Send(graph, WM_LBUTTONUP, b);
    EXPECT_EQ(GetCapture(), graph->window); // still zooming
    EXPECT_EQ(WGGetZoom(nullptr, nullptr, nullptr, nullptr), 0);
    Send(graph, WM_RBUTTONUP, b);
    EXPECT_EQ(hostLog, (std::vector<std::string>{"lup", "rup"}));
    float v[4] = {};
    ASSERT_EQ(WGGetZoom(&v[0], &v[1], &v[2], &v[3]), 1);
    EXPECT_NEAR(v[0], 2, 0.02f);
    EXPECT_NEAR(v[2], 6, 0.02f);
}

TEST_F(ZoomTest, AThinRectangleKeepsASpanTheAxisCanShow)
{
    GrDesc* graph = Graph(999.9f, 1000.1f, 0, 4);
    const POINT a = Pixel(1000, 1), b{a.x + 1, Pixel(1000, 3).y};
    Drag(graph, a, b, FALSE);
    float v[4] = {};
    ASSERT_EQ(WGGetZoom(&v[0], &v[1], &v[2], &v[3]), 1);
    EXPECT_NEAR(v[2] - v[0], 0.1f, 0.001f);
    Drag(graph, a, b, TRUE);
    float min = 0, max = 0;
    WGGetAxisRange(graph, graph->defaultXAxis, &min, &max, nullptr);
    EXPECT_GE(max - min, 0.099f);
}

TEST_F(ZoomTest, BadStartsAreRefused)
{
    GrDesc* graph = Graph();
    EXPECT_EQ(WGStartZoom(graph->window, 0, 0, WM_MOUSEMOVE, TRUE), 0);
    EXPECT_EQ(WGGetLastError(), 30);
    EXPECT_EQ(WGStartZoom(graph->page->window, 0, 0, WM_LBUTTONDOWN, TRUE), 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

} // namespace
} // namespace plotkit::test
