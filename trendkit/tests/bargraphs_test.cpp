// The bar displays: the bar layout, what a full repaint shows (probed pixel by pixel), that an update
// repaints only the strips of the bars that changed and ends up equal to a full repaint, the scroll
// bargraph through its jumps, and the creators' refusals.
#include "Bargraphs.h"
#include "TrendkitFixture.h"
#include "testkit/Image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace trendkit::test
{
namespace
{

using kel::testkit::Image;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(0xFF, 0x00, 0x00);
constexpr COLORREF kGreen = RGB(0x00, 0xC0, 0x00);
constexpr COLORREF kMarker = RGB(0x12, 0x34, 0x56);

struct Extent
{
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN, count = 0;
    int Width() const { return count ? right - left + 1 : 0; }
    int Height() const { return count ? bottom - top + 1 : 0; }
};

Extent ExtentOf(const Image& image, COLORREF colour, int left = 0, int right = INT_MAX)
{
    Extent e;
    for (int y = 0; y < image.height; ++y)
        for (int x = std::max(left, 0); x < std::min(right, image.width); ++x)
            if (image.Pixel(x, y) == colour)
            {
                e.left = std::min(e.left, x);
                e.right = std::max(e.right, x);
                e.top = std::min(e.top, y);
                e.bottom = std::max(e.bottom, y);
                ++e.count;
            }
    return e;
}

// Column runs of a colour along one row: [first, last] of each run.
std::vector<std::pair<int, int>> RunsOnRow(const Image& image, COLORREF colour, int y)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < image.width; ++x)
        if (image.Pixel(x, y) == colour)
        {
            if (!runs.empty() && runs.back().second == x - 1)
                runs.back().second = x;
            else
                runs.push_back({x, x});
        }
    return runs;
}

class BargraphsTest : public TrendkitTest
{
protected:
    // A graph whose world runs xFrom..xTo and yFrom..yTo over a white plot from 10% to 90% of it.
    GrDesc* BarGraph(float xFrom, float xTo, float yFrom, float yTo, std::function<void(GrDesc*)> build,
                     int width = 640, int height = 480, int kind = 0)
    {
        static int pages = 0;
        const std::string name = "bars" + std::to_string(++pages);
        PgDesc* page = MakePage(name.c_str(), kind, width, height);
        GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                                  [=](GrDesc* g, HWND)
                                  {
                                      WGChangePlotPos(g, 0.1f, 0.1f, 0.9f, 0.9f);
                                      g->worldXFrom = xFrom;
                                      g->worldXTo = xTo;
                                      g->worldYFrom = yFrom;
                                      g->worldYTo = yTo;
                                      AddAxis(g, 1);
                                      AddAxis(g, 0);
                                      build(g);
                                  });
        WGChangePlotBackgnd(graph, kWhite);
        Repainted(graph);
        return graph;
    }

    // The plot area in device pixels of the graph window.
    static RECT PlotPixels(GrDesc* graph)
    {
        RECT r = graph->plot;
        LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    // Paints the plot with a marker colour straight onto the window, so that what a later repaint
    // leaves of it shows which pixels the repaint touched.
    static void MarkPlot(GrDesc* graph)
    {
        HBRUSH brush = CreateSolidBrush(kMarker);
        const RECT r = graph->plot;
        HGDIOBJ old = SelectObject(graph->buildDc, brush);
        HGDIOBJ oldPen = SelectObject(graph->buildDc, GetStockObject(NULL_PEN));
        Rectangle(graph->buildDc, r.left, r.top, r.right + graph->unitsPerPixelX,
                  r.bottom + graph->unitsPerPixelY);
        SelectObject(graph->buildDc, oldPen);
        SelectObject(graph->buildDc, old);
        DeleteObject(brush);
    }
};

const COLORREF kFills[4] = {kRed, kRed, kRed, kRed};

TEST_F(BargraphsTest, AutomaticWidthFollowsThePositionsOrTheWholePlot)
{
    const int four = DefineSet(4), one = DefineSet(1), other = DefineSet(4);
    WORD bars = 0, single = 0, given = 0;
    GrDesc* graph = BarGraph(0, 5, 0, 100,
                             [&](GrDesc* g)
                             {
                                 bars = WRSetBargraph(g, four, 0, 0, 1, 4, 0, kFills, nullptr, nullptr);
                                 single =
                                     WRSetBargraph(g, one, 0, 0, 2.5f, 2.5f, 0, nullptr, nullptr, nullptr);
                                 given = WRSetBargraph(g, other, 0, 0, 1, 4, 0.5f, nullptr, nullptr, nullptr);
                             });
    ASSERT_NE(bars, 0);
    ASSERT_NE(single, 0);
    ASSERT_NE(given, 0);
    BarsDesc* b = AsBars(GetObjDesc(graph, bars, nullptr));
    EXPECT_FLOAT_EQ(b->g.widthFraction, 0.96f / 5);
    EXPECT_FLOAT_EQ(AsBars(GetObjDesc(graph, single, nullptr))->g.widthFraction, 0.9f);
    EXPECT_FLOAT_EQ(AsBars(GetObjDesc(graph, given, nullptr))->g.widthFraction, 0.1f);
    EXPECT_EQ(b->count, 4);
    EXPECT_EQ(GetDynDataSet(four)->useCount, 1);

    // Drawn: four red bars, each 0.96/5 of the plot wide, centred on 1, 2, 3 and 4.
    const float v[4] = {20, 40, 60, 80};
    WRUpdateData(four, v, graph);
    const Image image = ExpectLikeRepaint(graph, "bars_four");
    const RECT plot = PlotPixels(graph);
    const double w = plot.right - plot.left;
    const auto runs = RunsOnRow(image, kRed, plot.bottom - 10);
    ASSERT_EQ(runs.size(), 4u);
    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_NEAR(runs[i].second - runs[i].first + 1, 0.96 / 5 * w, 2);
        EXPECT_NEAR((runs[i].first + runs[i].second) / 2.0, plot.left + (i + 1) / 5.0 * w, 2);
        // Bar i reaches (i + 1) x 20% of the plot's height.
        const Extent e = ExtentOf(image, kRed, runs[i].first, runs[i].second + 1);
        EXPECT_NEAR(e.top, plot.bottom - (i + 1) * 0.2 * (plot.bottom - plot.top), 2);
        EXPECT_NEAR(e.bottom, plot.bottom, 2);
    }
}

TEST_F(BargraphsTest, UpdatesRepaintOnlyTheChangedStripAndMatchAFullRepaint)
{
    const int slot = DefineSet(4);
    const int borders[4] = {1, 1, 1, 1};
    WORD number = 0;
    GrDesc* graph = BarGraph(0, 5, -50, 50,
                             [&](GrDesc* g)
                             { number = WRSetBargraph(g, slot, 0, 0, 1, 4, 0, kFills, nullptr, borders); });
    ASSERT_NE(number, 0);
    BarsDesc* b = AsBars(GetObjDesc(graph, number, nullptr));
    // Bars start empty, at the base (0: the middle of the plot).
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(b->values[i], b->g.base, graph->unitsPerPixelY);

    // Sweeps that move bars up, down, across the base and not at all.
    const float sweeps[][4] = {{10, 20, -30, 40}, {10, 45, -30, -40}, {-5, 45, 30, 0}, {0, 0, 0, 0}};
    int stage = 0;
    for (const auto& sweep : sweeps)
    {
        WRUpdateData(slot, sweep, graph);
        ExpectLikeRepaint(graph, "bars_sweep" + std::to_string(stage++));
    }

    // Only bar 2 changes: the repaint stays within its column and the strip between its levels.
    const float before[4] = {0, 0, 0, 0};
    WRUpdateData(slot, before, graph);
    Shown(graph);
    MarkPlot(graph);
    const float after[4] = {0, 0, 35, 0};
    WRUpdateData(slot, after, graph);
    const Image image = Shown(graph);
    Keep(image, "bars_strip");
    const RECT plot = PlotPixels(graph);
    Extent touched;
    for (int y = plot.top + 1; y < plot.bottom - 1; ++y)
        for (int x = plot.left + 1; x < plot.right - 1; ++x)
            if (image.Pixel(x, y) != kMarker)
            {
                touched.left = std::min(touched.left, x);
                touched.right = std::max(touched.right, x);
                touched.top = std::min(touched.top, y);
                touched.bottom = std::max(touched.bottom, y);
            }
    const double w = plot.right - plot.left, h = plot.bottom - plot.top;
    const double centre = plot.left + 3 / 5.0 * w, half = 0.96 / 10 * w;
    EXPECT_GE(touched.left, centre - half - 4);
    EXPECT_LE(touched.right, centre + half + 4);
    EXPECT_GE(touched.top, plot.bottom - 0.85 * h - 4);
    EXPECT_LE(touched.bottom, plot.top + 0.5 * h + 4);
    EXPECT_GT(ExtentOf(image, kRed).count, 0);
}

TEST_F(BargraphsTest, BarsFollowAResizedPageAndTheHistoryView)
{
    const int slot = DefineSet(4, 500);
    WORD bars = 0;
    GrDesc* graph = BarGraph(
        0, 5, 0, 100,
        [&](GrDesc* g) { bars = WRSetBargraph(g, slot, 0, 0, 1, 4, 0, kFills, nullptr, nullptr); }, 640, 480,
        8);
    ASSERT_NE(bars, 0);
    const float v[4] = {20, 40, 60, 80};
    WRUpdateData(slot, v, graph);
    ExpectLikeRepaint(graph, "bars_before_resize");
    // A smaller page: the bars are laid out again, and updates after it still match a repaint.
    SetWindowPos(graph->page->window, nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
    ResizePage(graph->page->window, 320, 240);
    const float w[4] = {80, 60, 40, 20};
    WRUpdateData(slot, w, graph);
    const Image image = ExpectLikeRepaint(graph, "bars_resized");
    EXPECT_EQ(image.width, 320);
    const RECT plot = PlotPixels(graph);
    const auto runs = RunsOnRow(image, kRed, plot.bottom - 5);
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_NEAR(runs[0].second - runs[0].first + 1, 0.96 / 5 * (plot.right - plot.left), 2);
    WRUpdateData(slot, v, graph);
    ExpectLikeRepaint(graph, "bars_resized_update");
}

TEST_F(BargraphsTest, ScrollBargraphHistoryViewAndResume)
{
    const int slot = DefineSet(1, 500);
    WORD number = 0;
    GrDesc* graph =
        BarGraph(0, 100, 0, 100,
                 [&](GrDesc* g) { number = WRSetScrollBargraph(g, slot, 0, 5, 0.5f, 1, 3, kGreen, 1); });
    ASSERT_NE(number, 0);
    for (int i = 0; i < 120; ++i)
    {
        const float v = static_cast<float>(10 + (i * 13) % 80);
        WRUpdateData(slot, &v, graph);
    }
    const Image live = ExpectLikeRepaint(graph, "scrollbars_live");
    float used = 0;
    ASSERT_EQ(WRShowHist(graph, number, -30, 0, &used), 1);
    const Image history = ExpectLikeRepaint(graph, "scrollbars_history");
    EXPECT_GT(kel::testkit::CountDifferences(live, history, 0), 0) << "older bars shown";
    float moved = 0;
    WRMoveHistScroll(graph, number, 5, &moved);
    ExpectLikeRepaint(graph, "scrollbars_history_moved");
    ASSERT_EQ(WRResumeScroll(graph, number), 1);
    const float v = 50;
    WRUpdateData(slot, &v, graph);
    ExpectLikeRepaint(graph, "scrollbars_resumed");
    // Bordered bars: the border in blue around the green.
    EXPECT_GT(ExtentOf(Shown(graph), WGGetRGBColor(1)).count, 0);
}

TEST_F(BargraphsTest, BordersHatchesThinAndEmptyBars)
{
    const int slot = DefineSet(3), many = DefineSet(2);
    const COLORREF fills[3] = {kWhite, kRed, kRed};
    const int hatches[3] = {-1, -1, HS_CROSS};
    const int borders[3] = {1, -1, -1};
    WORD number = 0, thin = 0;
    GrDesc* graph =
        BarGraph(0, 4, 0, 100,
                 [&](GrDesc* g)
                 {
                     number = WRSetBargraph(g, slot, 10, 0, 1, 3, 0, fills, hatches, borders);
                     thin = WRSetBargraph(g, many, 0, 0, 0.2f, 3.8f, 0.001f, kFills, nullptr, nullptr);
                 });
    ASSERT_NE(number, 0);
    ASSERT_NE(thin, 0);
    const float v[3] = {50, 10, 50};
    WRUpdateData(slot, v, graph);
    const float t[2] = {70, 70};
    WRUpdateData(many, t, graph);
    const Image image = ExpectLikeRepaint(graph, "bars_kinds");
    const RECT plot = PlotPixels(graph);
    const double w = plot.right - plot.left, h = plot.bottom - plot.top;
    const COLORREF blue = WGGetRGBColor(1);
    // Bar 0: a hollow outline in blue (white fill on a white plot).
    const int x0 = static_cast<int>(plot.left + 0.25 * w);
    const Extent outline = ExtentOf(image, blue, x0 - 40, x0 + 40);
    EXPECT_NEAR(outline.top, plot.bottom - 0.5 * h, 2);
    EXPECT_EQ(image.Pixel(x0, static_cast<int>(plot.bottom - 0.25 * h)), kWhite) << "hollow";
    // Bar 1 equals its base (10): still a red rectangle two pixels high at least.
    const int x1 = static_cast<int>(plot.left + 0.5 * w);
    const Extent flat = ExtentOf(image, kRed, x1 - 20, x1 + 20);
    EXPECT_GE(flat.Height(), 2);
    EXPECT_LE(flat.Height(), 4);
    EXPECT_NEAR(flat.top, plot.bottom - 0.1 * h, 2);
    // Bar 2 is hatched: black lines on red.
    const int x2 = static_cast<int>(plot.left + 0.75 * w);
    const Extent hatched = ExtentOf(image, kRed, x2 - 30, x2 + 30);
    const int area = hatched.Width() * hatched.Height();
    EXPECT_GT(hatched.count, 0);
    EXPECT_LT(hatched.count, area * 9 / 10);
    EXPECT_GT(hatched.count, area / 2);
    EXPECT_GT(ExtentOf(image, RGB(0, 0, 0), hatched.left, hatched.right + 1).count, area / 10);
    // The thin bars are one-pixel lines at 0.2 and 3.8 of 4.
    for (const double at : {0.05, 0.95})
    {
        const int x = static_cast<int>(plot.left + at * w);
        const Extent line = ExtentOf(image, kRed, x - 3, x + 4);
        EXPECT_EQ(line.Width(), 1) << at;
        EXPECT_NEAR(line.top, plot.bottom - 0.7 * h, 2) << at;
        EXPECT_NEAR(line.bottom, plot.bottom, 2) << at;
    }
}

TEST_F(BargraphsTest, HorizontalBarsGrowAlongX)
{
    const int slot = DefineSet(2);
    WORD number = 0;
    GrDesc* graph = BarGraph(0, 100, 0, 3,
                             [&](GrDesc* g)
                             { number = WRSetBargraph(g, slot, 0, 1, 1, 2, 0, kFills, nullptr, nullptr); });
    ASSERT_NE(number, 0);
    EXPECT_EQ(AsBars(GetObjDesc(graph, number, nullptr))->r.direction, 0);
    const float v[2] = {25, 75};
    WRUpdateData(slot, v, graph);
    const Image image = ExpectLikeRepaint(graph, "bars_horizontal");
    const RECT plot = PlotPixels(graph);
    const double w = plot.right - plot.left, h = plot.bottom - plot.top;
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        const int y = static_cast<int>(plot.bottom - (i + 1) / 3.0 * h);
        const auto runs = RunsOnRow(image, kRed, y);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_NEAR(runs[0].first, plot.left, 2);
        EXPECT_NEAR(runs[0].second, plot.left + v[i] / 100 * w, 2);
        // The bar is centred on its position: 0.96/3 of the plot's height.
        int top = y, bottom = y;
        while (image.Pixel(runs[0].first + 3, top - 1) == kRed)
            --top;
        while (image.Pixel(runs[0].first + 3, bottom + 1) == kRed)
            ++bottom;
        EXPECT_NEAR(bottom - top + 1, 0.96 / 3 * h, 2);
        EXPECT_NEAR((top + bottom) / 2.0, y, 2);
    }
}

TEST_F(BargraphsTest, ScrollBargraphGrowsFromZeroOrTheBottomAndJumpsLikeARepaint)
{
    struct Case
    {
        float low, high;
        const char* name;
    };
    for (const Case c : {Case{10, 20, "scrollbars_bottom"}, Case{-5, 5, "scrollbars_zero"}})
    {
        SCOPED_TRACE(c.name);
        const int slot = DefineSet(2);
        WORD number = 0;
        // 21 positions over 0..100 at an interval of 5; half of them kept at a jump.
        GrDesc* graph =
            BarGraph(0, 100, c.low, c.high,
                     [&](GrDesc* g) { number = WRSetScrollBargraph(g, slot, 1, 5, 0.5f, 1, 3, kGreen, -1); });
        ASSERT_NE(number, 0);
        auto* s = AsScroll(GetObjDesc(graph, number, nullptr));
        EXPECT_EQ(s->points, 21);
        EXPECT_EQ(s->barValue, 1);
        const RECT plot = PlotPixels(graph);
        const double h = plot.bottom - plot.top;
        const double zero = c.low < 0 ? plot.bottom - h / 2 : plot.bottom;
        auto feed = [&](int from, int to)
        {
            for (int i = from; i < to; ++i)
            {
                const float v[2] = {-1000, c.low + (c.high - c.low) * (0.2f + 0.6f * ((i * 7) % 10) / 10)};
                WRUpdateData(slot, v, graph);
            }
        };
        feed(0, 10);
        Image image = ExpectLikeRepaint(graph, std::string(c.name) + "_partial");
        // Ten bars resting on the base: the value 0 when the range holds it, else the plot's bottom.
        int runs = 0;
        bool inBar = false;
        for (int x = 0; x < image.width; ++x)
        {
            bool green = false;
            for (int y = static_cast<int>(zero) - 2; y <= static_cast<int>(zero) + 2; ++y)
                green = green || image.Pixel(x, y) == kGreen;
            runs += green && !inBar ? 1 : 0;
            inBar = green;
        }
        EXPECT_EQ(runs, 10);
        const Extent e = ExtentOf(image, kGreen);
        if (c.low > 0)
        {
            EXPECT_NEAR(e.bottom, zero, 2);
        }
        else
        {
            EXPECT_LT(e.top, zero - 20);
            EXPECT_GT(e.bottom, zero + 20);
        }
        feed(10, 21);
        ExpectLikeRepaint(graph, std::string(c.name) + "_full");
        feed(21, 22);
        EXPECT_EQ(s->scrolled, 1);
        EXPECT_EQ(s->position, s->kept + 2);
        ExpectLikeRepaint(graph, std::string(c.name) + "_jump");
        feed(22, 60);
        ExpectLikeRepaint(graph, std::string(c.name) + "_jumps");
    }
}

TEST_F(BargraphsTest, CreatorsRefuseBadArgumentsAndLeaveNothingHalfMade)
{
    const int slot = DefineSet(2);
    BarGraph(0, 100, 0, 100,
             [&](GrDesc* g)
             {
                 const int before = g->cursor;
                 EXPECT_EQ(WRSetBargraph(g, 77, 0, 0, 1, 2, 0, nullptr, nullptr, nullptr), 0);
                 EXPECT_EQ(WGGetLastError(), 55);
                 EXPECT_EQ(WRSetScrollBargraph(g, 77, 0, 1, 0.5f, 1, 1, kRed, -1), 0);
                 EXPECT_EQ(WGGetLastError(), 55);
                 EXPECT_EQ(WRSetScrollBargraph(g, slot, 2, 1, 0.5f, 1, 1, kRed, -1), 0) << "no third value";
                 EXPECT_EQ(WGGetLastError(), 30);
                 EXPECT_EQ(WRSetScrollBargraph(g, slot, 0, 0, 0.5f, 1, 1, kRed, -1), 0) << "interval 0";
                 EXPECT_EQ(WRSetScrollBargraph(g, slot, 0, 0.001f, 0.5f, 1, 1, kRed, -1), 0) << "too many";
                 EXPECT_EQ(g->cursor, before);
                 EXPECT_EQ(GetDynDataSet(slot)->useCount, 0);
                 // A negative value index shows value 0.
                 const WORD number = WRSetScrollBargraph(g, slot, -3, 1, 0.5f, 1, 1, kRed, -1);
                 ASSERT_NE(number, 0);
                 EXPECT_EQ(AsScroll(GetObjDesc(g, number, nullptr))->barValue, 0);
             });
    // A category axis of no extent: the bars are laid out without dividing by it.
    GrDesc* flat =
        BarGraph(0, 100, 0, 100,
                 [&](GrDesc* g)
                 {
                     g->worldXTo = g->worldXFrom;
                     EXPECT_NE(WRSetBargraph(g, slot, 0, 0, 1, 2, 0, nullptr, nullptr, nullptr), 0);
                 });
    Repainted(flat);
}

} // namespace
} // namespace trendkit::test
