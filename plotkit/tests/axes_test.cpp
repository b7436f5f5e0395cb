// Axes and grids: nice ranges, ticks and grid lines at their pixels on linear and logarithmic
// scales, the accessors and the caller's errors.
#include "PlotkitFixture.h"

#include "testkit/Image.h"

#include <cstdlib>

namespace plotkit::test
{
namespace
{

using kel::testkit::Image;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGray = RGB(128, 128, 128);
constexpr COLORREF kPlotCream = RGB(255, 251, 240); // palette 19
constexpr COLORREF kWhite = RGB(255, 255, 255);

class AxesTest : public PlotkitTest
{
protected:
    // A graph over the whole 640 x 480 anisotropic page (13000 x 9750 logical units) whose plot runs
    // from pixel 64 to 576 across and 48 to 432 down, scaled x from..to and y from..to.
    GrDesc* Graph(std::function<void(GrDesc*, HDC)> axes, float x0 = 0, float x1 = 8, float y0 = 0, float y1 = 4,
                  SHORT xScale = 0, SHORT yScale = 0)
    {
        PgDesc* page = MakePage("axes", 8);
        return MakeGraph(page, 0, 0, 1, 1,
                         [=](GrDesc* g, HWND)
                         {
                             HDC dc = g->buildDc;
                             WGSetPlotArea(g, dc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
                             WGSetAxesScale(g, xScale, yScale);
                             WGScalePlotArea(g, x0, y0, x1, y1);
                             WGSetXYIntercepts(g, x0, y0);
                             axes(g, dc);
                         });
    }

    Image Show(GrDesc* graph)
    {
        InvalidateRect(graph->window, nullptr, TRUE);
        UpdateWindow(graph->window);
        Image image = kel::testkit::CaptureWindow(graph->page->window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(image, std::string(keep) + "/plotkit_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                             ".png");
        return image;
    }

    // Columns of row y between x0 and x1 (exclusive) that have the colour.
    static std::vector<int> Columns(const Image& image, int y, int x0, int x1, COLORREF color)
    {
        std::vector<int> found;
        for (int x = x0; x < x1; ++x)
            if (image.Pixel(x, y) == color)
                found.push_back(x);
        return found;
    }
    static std::vector<int> Rows(const Image& image, int x, int y0, int y1, COLORREF color)
    {
        std::vector<int> found;
        for (int y = y0; y < y1; ++y)
            if (image.Pixel(x, y) == color)
                found.push_back(y);
        return found;
    }
};

TEST_F(AxesTest, RoundAxisGivesNiceRanges)
{
    struct Case
    {
        int mode, pixels;
        float min, max;
        int xFlag;
        float newMin, newMax, step;
    } cases[] = {
        {1, 300, 0, 7.3f, 1, 0, 8, 1},        // 37 pixels a step keeps the step of 10 units
        {1, 100, 0, 7.3f, 1, 0, 10, 5},       // crowded on a short axis
        {1, 300, 0.5f, 7.3f, 1, 0, 8, 1},     // a positive range never goes below zero
        {1, 300, -7.3f, 0, 1, -8, 0, 2},      // ending at zero: never above it
        {1, 300, -7.3f, -0.5f, 1, -8, 0, 1},  // entirely below zero: rounded as its mirror image
        {1, 300, -3, 5, 0, -3, 6, 1},         // across zero, a Y axis
        {1, 300, 10, 73, 1, 10, 80, 10},
        {2, 300, 10, 73, 1, 0, 80, 10},       // mode 2 widens the range before rounding
        {1, 400, 120, 480, 0, 100, 500, 100},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.min << ".." << c.max << " px " << c.pixels);
        float min = c.min, max = c.max, step = 0;
        RoundAxis(c.mode, c.pixels, &min, &max, &step, c.xFlag);
        EXPECT_NEAR(min, c.newMin, 1e-4);
        EXPECT_NEAR(max, c.newMax, 1e-4);
        EXPECT_NEAR(step, c.step, 1e-5);
    }
    // Nothing to round: left alone.
    float min = 3, max = 3, step = 1;
    RoundAxis(1, 300, &min, &max, &step, 1);
    EXPECT_EQ(min, 3);
    EXPECT_EQ(max, 3);
    EXPECT_EQ(step, 0);
}

TEST_F(AxesTest, LinearTicksAndGridsSitOnTheirPixels)
{
    int xAxis = 0, yAxis = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            xAxis = WGDrawXAxis(g, dc, 1, 1, 0);
            yAxis = WGDrawYAxis(g, dc, 1, 0, 1);
            WGSetLineStyle(g, dc, 0, 1, 8);
            WGDrawGrid(g, xAxis, 0);
            WGDrawGrid(g, yAxis, 0);
        });
    ASSERT_NE(graph, nullptr);
    ASSERT_EQ(xAxis, 1);
    ASSERT_EQ(yAxis, 2);
    EXPECT_EQ(graph->defaultXAxis, 1);
    EXPECT_EQ(graph->defaultYAxis, 2);
    const Image image = Show(graph);

    // The X axis along the plot's bottom row, ticks below it: majors every 64 pixels, a minor between.
    EXPECT_EQ(image.Pixel(300, 432), kBlack);
    EXPECT_EQ(Columns(image, 436, 40, 600, kBlack), (std::vector<int>{64, 128, 192, 256, 320, 384, 448, 512, 576}));
    EXPECT_EQ(Columns(image, 434, 40, 600, kBlack).size(), 17u);
    // The Y axis at the plot's left, ticks to its left every 96 pixels.
    EXPECT_EQ(image.Pixel(64, 200), kBlack);
    EXPECT_EQ(Rows(image, 61, 20, 460, kBlack), (std::vector<int>{48, 144, 240, 336, 432}));
    // Grid lines across the plot in the grid's colour, none over the axes themselves.
    EXPECT_EQ(Columns(image, 300, 66, 600, kGray), (std::vector<int>{128, 192, 256, 320, 384, 448, 512, 576}));
    EXPECT_EQ(Rows(image, 100, 40, 430, kGray), (std::vector<int>{48, 144, 240, 336}));
    // Backgrounds: the plot's own colour inside, the graph's outside.
    EXPECT_EQ(image.Pixel(100, 300), kPlotCream);
    EXPECT_EQ(image.Pixel(20, 20), kWhite);
    EXPECT_EQ(image.Pixel(620, 300), kWhite);

    float step = 0;
    int minor = 0, style = 0;
    EXPECT_EQ(WGGetAxisTicks(graph, xAxis, &step, &minor, &style), 1);
    EXPECT_EQ(step, 1);
    EXPECT_EQ(minor, 1);
    EXPECT_EQ(style, 0);
    int majorOn = 0, minorOn = 1;
    LineDesc* major = nullptr;
    WGGetGrid(graph, xAxis, &majorOn, &minorOn, &major, nullptr);
    EXPECT_EQ(majorOn, 1);
    EXPECT_EQ(minorOn, 0);
    ASSERT_NE(major, nullptr);
    EXPECT_EQ(major->color, kGray);
    EXPECT_EQ(WGGetAxisDir(graph, xAxis), 1);
    EXPECT_EQ(WGGetAxisDir(graph, yAxis), 0);
    EXPECT_EQ(WGGetAxisScale(graph, yAxis), 0);
}

TEST_F(AxesTest, LogarithmicAxisDrawsDecadesAndEightMinorTicksEach)
{
    int yAxis = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            WGDrawXAxis(g, dc, 1, 0, 0);
            yAxis = WGDrawYAxis(g, dc, 0, 0, 1);
        },
        0, 8, 1, 10000, 0, 1);
    ASSERT_NE(yAxis, 0);
    EXPECT_EQ(WGGetAxisScale(graph, yAxis), 1);
    float min = 0, max = 0;
    WGGetAxisRange(graph, yAxis, &min, &max, nullptr);
    EXPECT_EQ(min, 1);
    EXPECT_EQ(max, 10000);
    const Image image = Show(graph);
    // Four decades of 96 pixels: majors at every decade, from the bottom up.
    const std::vector<int> majors = Rows(image, 61, 20, 460, kBlack);
    EXPECT_EQ(majors, (std::vector<int>{48, 144, 240, 336, 432}));
    // Minor ticks (shorter) between them: eight per decade.
    const std::vector<int> all = Rows(image, 63, 46, 434, kBlack);
    EXPECT_EQ(all.size(), 5u + 4 * 8);
    // The 2 of the lowest decade sits log10(2) of a decade above 1.
    EXPECT_NEAR(std::find_if(all.rbegin(), all.rend(), [](int y) { return y < 432; })[0], 432 - 0.301 * 96, 1.5);
}

TEST_F(AxesTest, TicksStartInsideTheRangeAndBadStepsEnd)
{
    int outside = 0, zero = 0, negative = 0, tiny = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            // The X axis would stand at y = -3.5, below the range: the Y axis's ticks stay anchored
            // on it (0.5, 1.5, ...).
            WGSetXYIntercepts(g, 0, -3.5f);
            outside = WGDrawYAxis(g, dc, 1, 0, 1);
            WGSetXYIntercepts(g, 0, 0);
            zero = WGDrawXAxis(g, dc, 0, 0, 0);
            negative = WGDrawXAxis(g, dc, -2, 0, 0);
            tiny = WGDrawXAxis(g, dc, 1e-9f, 4, 0);
        });
    ASSERT_NE(tiny, 0);
    (void)Show(graph); // finishes: no walk runs forever
    auto axis = [&](int n) { return reinterpret_cast<AxisDesc*>(ObjectAt(graph, n)); };
    auto* x = axis(zero);
    EXPECT_FLOAT_EQ(x->tickStep, 8.0f / 5); // a zero step is a fifth of the range
    EXPECT_EQ(x->tickCount, 5);
    EXPECT_FLOAT_EQ(axis(negative)->firstTick, 0);
    EXPECT_EQ(axis(negative)->tickCount, 4); // a step of 2 over 0..8
    EXPECT_FLOAT_EQ(axis(tiny)->firstTick, 0);
    EXPECT_FLOAT_EQ(axis(outside)->firstTick, 0.5f);
    EXPECT_EQ(axis(outside)->tickCount, 3);

    // A step larger than the range is ignored; minor ticks and style still change.
    EXPECT_EQ(WGChangeAxisTicks(graph, zero, 20, 3, 4), 1);
    float step = 0;
    int minor = 0, style = 0;
    WGGetAxisTicks(graph, zero, &step, &minor, &style);
    EXPECT_FLOAT_EQ(step, 8.0f / 5);
    EXPECT_EQ(minor, 3);
    EXPECT_EQ(style, 4);
}

TEST_F(AxesTest, RangeScaleAndRoundingThroughTheAccessors)
{
    int xAxis = 0, yAxis = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            xAxis = WGDrawXAxis(g, dc, 1, 0, 0);
            yAxis = WGDrawYAxis(g, dc, 1, 0, 1);
        });
    ASSERT_NE(yAxis, 0);
    WGEnableErrorMessages(FALSE);
    EXPECT_EQ(WGChangeAxisRange(graph, xAxis, 2, 2, FALSE), 0);
    EXPECT_EQ(WGGetLastError(), 30);
    EXPECT_EQ(WGChangeAxisRange(graph, xAxis, 0, 20, FALSE), 1);
    float min = 0, max = 0, intercept = -1;
    EXPECT_EQ(WGGetAxisRange(graph, xAxis, &min, &max, &intercept), 1);
    EXPECT_EQ(max, 20);
    EXPECT_EQ(intercept, 0);
    // The crossing Y axis follows the new X range.
    EXPECT_EQ(reinterpret_cast<AxisDesc*>(ObjectAt(graph, yAxis))->xMax, 20);

    EXPECT_EQ(WGChangeAxisScale(graph, yAxis, 1, FALSE), 1);
    WGGetAxisRange(graph, yAxis, &min, &max, nullptr);
    EXPECT_FLOAT_EQ(min, 0.001f); // 0 is no log end: the high end / 999.9, down to its decade
    EXPECT_FLOAT_EQ(max, 10);
    EXPECT_EQ(WGChangeAxisScale(graph, yAxis, 0, FALSE), 1);

    float lo = 0, hi = 7.3f, step = 0;
    EXPECT_EQ(WGRoundAxis(graph, xAxis, &lo, &hi, &step, TRUE), 1);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 8);
    EXPECT_EQ(step, 1);
    WGGetAxisRange(graph, xAxis, &min, &max, nullptr);
    EXPECT_EQ(max, 8);
    lo = hi = 4;
    EXPECT_EQ(WGRoundAxis(graph, xAxis, &lo, &hi, &step, FALSE), 0);
    EXPECT_EQ(WGGetLastError(), 30);
    EXPECT_TRUE(exits.empty());
}

TEST_F(AxesTest, CallerErrorsReportAndFail)
{
    WGEnableErrorMessages(FALSE);
    struct Result
    {
        int noPlotArea = -1, gridBeyond = 0, gridOnCurve = 0, badScale = -1, axis = 0;
        int missing = 0, wrongType = 0, scaleOfMissing = 0;
    } r;
    PgDesc* page = MakePage("errors", 8);
    GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                              [&](GrDesc* g, HWND)
                              {
                                  HDC dc = g->buildDc;
                                  // An axis before the plot area: refused, nothing added.
                                  r.noPlotArea = WGDrawXAxis(g, dc, 1, 0, 0);
                                  r.noPlotArea = r.noPlotArea * 100 + WGGetLastError();
                                  WGSetPlotArea(g, dc, 0.1f, 0.1f, 0.9f, 0.9f, 15);
                                  r.badScale = WGScalePlotArea(g, 0, 1, 5, 1) * 100 + WGGetLastError();
                                  r.axis = WGDrawXAxis(g, dc, 1, 0, 0);
                                  WGDrawGrid(g, 40, 0);
                                  r.gridBeyond = WGGetLastError();
                                  AddObject(g, kBox, RECT{0, 0, 10, 10});
                                  WGDrawGrid(g, 2, 2);
                                  r.gridOnCurve = WGGetLastError();
                              });
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(r.noPlotArea, 67);
    EXPECT_EQ(r.badScale, 68);
    EXPECT_EQ(r.axis, 1);
    EXPECT_EQ(r.gridBeyond, 54);
    EXPECT_EQ(r.gridOnCurve, 29);
    EXPECT_EQ(WGGetObjectType(graph, 1), PK_TYPE_AXIS);
    EXPECT_EQ(graph->worldXTo, 1); // the refused scaling stored nothing
    // Accessors on a missing object and on another type.
    EXPECT_EQ(WGGetAxisTicks(graph, 9, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(WGGetLastError(), 56);
    EXPECT_EQ(WGChangeAxisTicks(graph, 2, 1, 0, 0), 0);
    EXPECT_EQ(WGGetLastError(), 29);
    EXPECT_EQ(WGGetAxisScale(graph, 9), -1);
    EXPECT_EQ(WGGetAxisDir(graph, 2), -1);
    EXPECT_TRUE(exits.empty());
    EXPECT_EQ(top.abortFlag, 0);
}

} // namespace
} // namespace plotkit::test
