// Object activation: an object moved and resized with simulated mouse input, the frame with its
// handles, the end of an activation by a click elsewhere and the right click sent on again.
#include "ShapeScene.h"

#include "win32/uidriver.h"

#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

using kel::testkit::Image;

std::vector<std::string> hostLog; // button messages that reached the host's procedure

// Stands in front of the reference host's graph procedure and notes the button presses it gets.
LRESULT CALLBACK LoggingGraphProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)
        hostLog.push_back(std::string(message == WM_LBUTTONDOWN ? "ldown " : "rdown ") +
                          std::to_string(GET_X_LPARAM(lParam)) + "," + std::to_string(GET_Y_LPARAM(lParam)));
    return ChartGraphWndProc(window, message, wParam, lParam);
}

class ActivateTest : public ShapePageTest
{
protected:
    void SetUp() override
    {
        ShapePageTest::SetUp();
        hostLog.clear();
    }

    // A red rectangle from (0.2, 0.2) to (0.4, 0.4) of a graph covering a 640 x 480 page, activation
    // enabled; the logging procedure in front of the host's.
    GrDesc* Scene()
    {
        GrDesc* graph = PaintedGraph(
            [this](GrDesc* g, HWND)
            {
                WGChangeGraphBackgnd(g, kSceneBackground);
                rect = WGRectangleNorm(g, g->buildDc, 0.2f, 0.2f, 0.4f, 0.4f, kFrameBlue, 1, 1, kRectFill);
            },
            "activate");
        EXPECT_NE(rect, 0);
        WGEnableObjActivation(graph, rect, TRUE);
        SetWindowLongPtr(graph->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LoggingGraphProc));
        return graph;
    }

    // A mouse message at a normalised point of the graph, through whatever procedure it has now.
    static void Mouse(GrDesc* graph, UINT message, float x, float y, WPARAM keys = 0)
    {
        const POINT p = At(x, y);
        SendMessage(graph->window, message, keys, MAKELPARAM(p.x, p.y));
    }

    static void Drag(GrDesc* graph, float x1, float y1, float x2, float y2)
    {
        Mouse(graph, WM_LBUTTONDOWN, x1, y1, MK_LBUTTON);
        Mouse(graph, WM_MOUSEMOVE, (x1 + x2) / 2, (y1 + y2) / 2, MK_LBUTTON);
        Mouse(graph, WM_MOUSEMOVE, x2, y2, MK_LBUTTON);
        Mouse(graph, WM_LBUTTONUP, x2, y2);
    }

    void ExpectPlace(GrDesc* graph, float x1, float y1, float x2, float y2)
    {
        float v[4] = {};
        ASSERT_NE(WGGetObjectCoordNorm(graph, rect, &v[0], &v[1], &v[2], &v[3]), 0);
        const float expected[4] = {x1, y1, x2, y2};
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(v[i], expected[i], 0.004f) << "value " << i;
    }

    int rect = 0;
};

TEST_F(ActivateTest, DraggingTheBodyMovesTheObjectAndTheFrameShowsItsHandles)
{
    GrDesc* graph = Scene();
    // The host starts the activation from its button-down with the user already dragging.
    Mouse(graph, WM_LBUTTONDOWN, 0.3f, 0.3f, MK_LBUTTON);
    ASSERT_EQ(WGStartActivateObject(graph->window, rect, TRUE), 1);
    EXPECT_EQ(WGStartActivateObject(graph->window, rect, FALSE), 1); // already active: nothing changes
    EXPECT_EQ(WGGetActiveObject(graph), rect);
    EXPECT_EQ(GetCapture(), graph->window);
    Mouse(graph, WM_MOUSEMOVE, 0.4f, 0.35f, MK_LBUTTON);
    Mouse(graph, WM_MOUSEMOVE, 0.5f, 0.4f, MK_LBUTTON);
    Mouse(graph, WM_LBUTTONUP, 0.5f, 0.4f);
    ExpectPlace(graph, 0.4f, 0.3f, 0.6f, 0.5f);
    EXPECT_TRUE(WGIsActiveObjPosChanged(graph, rect));
    EXPECT_EQ(WGGetActiveObject(graph), rect); // a move keeps the object active

    Paint(graph);
    const Image image = Shot("plotkit_activated");
    struct Probe
    {
        const char* what;
        float x, y;
        COLORREF color;
    };
    // The handles are inverted blocks in the middles of the edges (red turns cyan).
    const Probe probes[] = {
        {"moved body", 0.45f, 0.35f, kRectFill},          {"old place", 0.25f, 0.25f, kSceneBackground},
        {"top handle", 0.5f, 0.305f, RGB(0, 255, 255)},   {"left handle", 0.405f, 0.4f, RGB(0, 255, 255)},
        {"right handle", 0.595f, 0.4f, RGB(0, 255, 255)}, {"bottom handle", 0.5f, 0.495f, RGB(0, 255, 255)},
    };
    for (const Probe& p : probes)
    {
        const POINT d = At(p.x, p.y);
        EXPECT_EQ(image.Pixel(d.x, d.y), p.color) << p.what << " at " << d.x << "," << d.y;
    }

    // A left click off the object ends the activation and reaches the host.
    hostLog.clear();
    Mouse(graph, WM_LBUTTONDOWN, 0.9f, 0.9f, MK_LBUTTON);
    EXPECT_EQ(WGGetActiveObject(graph), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetWindowLongPtr(graph->window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(LoggingGraphProc));
    const POINT off = At(0.9f, 0.9f);
    EXPECT_EQ(hostLog,
              std::vector<std::string>{"ldown " + std::to_string(off.x) + "," + std::to_string(off.y)});
    EXPECT_EQ(WGStopActivateObject(graph->window, rect), 0);
    Paint(graph);
    const POINT handle = At(0.5f, 0.305f);
    EXPECT_EQ(Shot("plotkit_deactivated").Pixel(handle.x, handle.y), kRectFill);
}

TEST_F(ActivateTest, TheBandStaysInsideTheGraphAndKeepsItsSize)
{
    GrDesc* graph = Scene();
    ASSERT_EQ(WGStartActivateObject(graph->window, rect, FALSE), 1);
    // Past the left and the top edge: stops at 0 with its width and height.
    Drag(graph, 0.3f, 0.3f, 0.02f, 0.05f);
    ExpectPlace(graph, 0.0f, 0.0f, 0.2f, 0.2f);
    // Past the right and the bottom edge likewise.
    Drag(graph, 0.1f, 0.1f, 0.99f, 0.99f);
    ExpectPlace(graph, 0.8f, 0.8f, 1.0f, 1.0f);
    // A click on the body without a drag leaves it where it is, not marked moved.
    WGResetActiveObjPosStatus(graph, rect);
    Drag(graph, 0.9f, 0.9f, 0.9f, 0.9f);
    ExpectPlace(graph, 0.8f, 0.8f, 1.0f, 1.0f);
    EXPECT_FALSE(WGIsActiveObjPosChanged(graph, rect));
    EXPECT_EQ(WGStopActivateObject(graph->window, rect), 1);
}

TEST_F(ActivateTest, HandlesResizeAndASliverKeepsTwentyPixels)
{
    struct Case
    {
        const char* what;
        float fromX, fromY, toX, toY; // the handle and where it is dragged
        float x1, y1, x2, y2;         // where the rectangle ends
    };
    const float min = 20.0f / 640, minY = 20.0f / 480;
    const Case cases[] = {
        {"right handle out", 0.399f, 0.3f, 0.6f, 0.3f, 0.2f, 0.2f, 0.6f, 0.4f},
        {"bottom handle up", 0.3f, 0.399f, 0.3f, 0.3f, 0.2f, 0.2f, 0.4f, 0.3f},
        {"top handle down", 0.3f, 0.201f, 0.3f, 0.25f, 0.2f, 0.25f, 0.4f, 0.4f},
        {"right handle to a sliver", 0.399f, 0.3f, 0.205f, 0.3f, 0.2f, 0.2f, 0.2f + min, 0.4f},
        {"left handle to a sliver", 0.201f, 0.3f, 0.395f, 0.3f, 0.395f, 0.2f, 0.395f + min, 0.4f},
        {"bottom handle to a sliver", 0.3f, 0.399f, 0.3f, 0.205f, 0.2f, 0.2f, 0.4f, 0.2f + minY},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        GrDesc* graph = Scene();
        ASSERT_EQ(WGStartActivateObject(graph->window, rect, FALSE), 1);
        Mouse(graph, WM_MOUSEMOVE, c.fromX, c.fromY); // hover: the handle offers a resize
        Drag(graph, c.fromX, c.fromY, c.toX, c.toY);
        ExpectPlace(graph, c.x1, c.y1, c.x2, c.y2);
        EXPECT_TRUE(WGIsActiveObjPosChanged(graph, rect));
        EXPECT_EQ(WGGetActiveObject(graph), rect); // active again, with a fresh frame
        EXPECT_EQ(GetCapture(), graph->window);
        EXPECT_EQ(WGStopActivateObject(graph->window, rect), 1);
        HWND window = page->window;
        KillGraphPage(page->number);
        DestroyWindow(window);
    }
}

TEST_F(ActivateTest, AResizedSliverAtTheFarEdgeGrowsBackInside)
{
    GrDesc* graph = Scene();
    ASSERT_EQ(WGStartActivateObject(graph->window, rect, FALSE), 1);
    Drag(graph, 0.3f, 0.3f, 0.9f, 0.3f); // move to 0.8 .. 1.0
    ExpectPlace(graph, 0.8f, 0.2f, 1.0f, 0.4f);
    Mouse(graph, WM_MOUSEMOVE, 0.801f, 0.3f); // left handle
    Drag(graph, 0.801f, 0.3f, 0.999f, 0.3f);
    const float min = 20.0f / 640;
    ExpectPlace(graph, 1.0f - min, 0.2f, 1.0f, 0.4f);
}

TEST_F(ActivateTest, ARightClickOffTheObjectEndsItAndIsPressedAgainWhereItWas)
{
    // A screen that is not 1024 x 768: the press comes again at the same place all the same.
    kel::ui::SetSystemMetricForTests(SM_CXSCREEN, 1600);
    kel::ui::SetSystemMetricForTests(SM_CYSCREEN, 900);
    GrDesc* graph = Scene();
    ASSERT_EQ(WGStartActivateObject(graph->window, rect, FALSE), 1);
    Mouse(graph, WM_RBUTTONDOWN, 0.3f, 0.3f, MK_RBUTTON); // on the object: stays active
    EXPECT_EQ(WGGetActiveObject(graph), rect);
    hostLog.clear();
    Mouse(graph, WM_RBUTTONDOWN, 0.8f, 0.7f, MK_RBUTTON);
    EXPECT_EQ(WGGetActiveObject(graph), 0);
    ASSERT_TRUE(PumpUntil([] { return hostLog.size() >= 2; }));
    const POINT p = At(0.8f, 0.7f);
    const std::string press = "rdown " + std::to_string(p.x) + "," + std::to_string(p.y);
    EXPECT_EQ(hostLog, (std::vector<std::string>{press, press}));
}

TEST_F(ActivateTest, AGraphDestroyedWhileActiveLeavesNoActivationBehind)
{
    Scene();
    ASSERT_EQ(WGStartActivateObject(WGGetGraphWindow(GetGrDescNum(page, 0)), rect, FALSE), 1);
    HWND window = page->window;
    KillGraphPage(page->number);
    DestroyWindow(window);
    EXPECT_EQ(GetCapture(), nullptr);
    GrDesc* again = Scene();
    ASSERT_EQ(WGStartActivateObject(again->window, rect, FALSE), 1);
    EXPECT_EQ(WGGetActiveObject(again), rect);
    EXPECT_EQ(GetCapture(), again->window);
    EXPECT_EQ(WGStopActivateObject(again->window, rect), 1);
}

TEST_F(ActivateTest, BadCallsChangeNothing)
{
    GrDesc* graph = Scene();
    kel::testkit::ScriptedPrompts prompts;
    EXPECT_EQ(WGStartActivateObject(page->window, rect, FALSE), 0); // a page is no graph
    EXPECT_EQ(WGGetLastError(), 30);
    EXPECT_EQ(WGStopActivateObject(graph->window, rect), 0); // not active
    EXPECT_EQ(GetCapture(), nullptr);

    const RECT line{100, 200, 100, 400}; // no width: one pixel more on each side with a graph
    EXPECT_FALSE(IsInsideRect(&line, 100 + graph->unitsPerPixelX, 300, nullptr));
    EXPECT_TRUE(IsInsideRect(&line, 100 + graph->unitsPerPixelX, 300, graph));
    const RECT reversed{400, 400, 100, 100};
    EXPECT_TRUE(IsInsideRect(&reversed, 250, 250, nullptr));
    EXPECT_FALSE(IsInsideRect(&reversed, 401, 250, nullptr));
}

} // namespace
} // namespace plotkit::test
