// Plot area, scaling and curve plots: lines, filled lines, markers and bars drawn offscreen and
// probed by pixel, the caller's errors, and the per-column thinning of dense curves on the screen.
#include "PlotkitFixture.h"

#include "testkit/Image.h"
#include "testkit/RecordingDevice.h"

#include <cmath>
#include <cstdlib>
#include <random>
#include <sstream>
#include <vector>

namespace plotkit::test
{
namespace
{

using kel::testkit::Image;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);  // palette 9
constexpr COLORREF kRed = RGB(255, 0, 0);   // palette 12
constexpr COLORREF kCream = RGB(255, 251, 240); // palette 19, the plot background

struct Series
{
    std::vector<float> x, y;
    int number = 0;
};

class PlotsTest : public PlotkitTest
{
protected:
    // A graph over the whole 640 x 480 anisotropic page whose plot runs from pixel 64 to 576 across
    // and 48 to 432 down, x 0..8 and y 0..4 unless given, with both axes; `plots` adds the curves.
    GrDesc* Graph(std::function<void(GrDesc*, HDC)> plots, float y0 = 0, float y1 = 4, const char* name = "plots")
    {
        PgDesc* page = MakePage(name, 8);
        return MakeGraph(page, 0, 0, 1, 1,
                         [=](GrDesc* g, HWND)
                         {
                             HDC dc = g->buildDc;
                             WGSetPlotArea(g, dc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
                             WGScalePlotArea(g, 0, y0, 8, y1);
                             WGSetXYIntercepts(g, 0, y0);
                             WGDrawXAxis(g, dc, 1, 0, 0);
                             WGDrawYAxis(g, dc, 1, 0, 1);
                             plots(g, dc);
                         });
    }

    int Define(Series& s)
    {
        s.number = WGDefineDataSetPtr(nullptr, s.x.data(), s.y.data(), static_cast<int>(s.x.size()));
        return s.number;
    }

    Image Show(GrDesc* graph, const char* suffix = "")
    {
        InvalidateRect(graph->window, nullptr, TRUE);
        UpdateWindow(graph->window);
        Image image = kel::testkit::CaptureWindow(graph->page->window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(image, std::string(keep) + "/plotkit_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                             suffix + ".png");
        return image;
    }
};

// x 0..8 in steps of 1, y rising to 4 and falling back: a tent over the plot.
Series Tent()
{
    Series s;
    for (int i = 0; i <= 8; ++i)
    {
        s.x.push_back(static_cast<float>(i));
        s.y.push_back(static_cast<float>(4 - std::abs(4 - i)));
    }
    return s;
}

TEST_F(PlotsTest, LineCurveJoinsGoodPointsUnderTheAxes)
{
    Series tent = Tent();
    ASSERT_NE(Define(tent), 0);
    WGMarkDataPoint(tent.number, 6, TRUE); // the segments 5-6 and 6-7 are left out
    int curve = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            WGSetLineStyle(g, dc, 0, 1, 12);
            curve = WGLinePlot(g, dc, tent.number, FALSE, FALSE);
        });
    ASSERT_EQ(curve, 3);
    EXPECT_EQ(WGGetPlotType(graph, curve), 3);
    EXPECT_EQ(WGGetDataSet(graph, curve), tent.number);
    const Image image = Show(graph);
    // Rising from (64, 432) to the top at (320, 48), one pixel down 96 for every 64 across.
    EXPECT_EQ(image.Pixel(96, 384), kRed);
    EXPECT_EQ(image.Pixel(288, 96), kRed);
    EXPECT_EQ(image.Pixel(352, 96), kRed); // 4 to 5
    // No line across the bad point 6; point 7 starts afresh.
    EXPECT_EQ(image.Pixel(416, 192), kCream);
    EXPECT_EQ(image.Pixel(480, 288), kCream);
    EXPECT_EQ(image.Pixel(512, 336), kRed);
    EXPECT_EQ(image.Pixel(544, 384), kRed);
    // The axes lie on top of the data where they meet it.
    EXPECT_EQ(image.Pixel(64, 432), kBlack);
    EXPECT_EQ(image.Pixel(70, 423), kRed);
}

TEST_F(PlotsTest, FilledLinesKeepTheirKindWhateverTheirSize)
{
    Series tent = Tent();
    Series dense;
    for (int i = 0; i < 20000; ++i)
    {
        dense.x.push_back(8.0f * i / 19999);
        dense.y.push_back(1);
    }
    Define(tent);
    Define(dense);
    int small = 0, big = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            WGSetLineStyle(g, dc, 0, 1, 9);
            big = WGLinePlot(g, dc, dense.number, TRUE, FALSE);
            WGSetLineStyle(g, dc, 0, 1, 12);
            small = WGLinePlot(g, dc, tent.number, TRUE, FALSE);
        });
    ASSERT_NE(small, 0);
    ASSERT_NE(big, 0);
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        const Image image = Show(graph);
        // The tent is one red polygon down to the X axis; the dense line a blue band below 1.
        EXPECT_EQ(image.Pixel(320, 100), kRed);
        EXPECT_EQ(image.Pixel(200, 350), kRed);
        EXPECT_EQ(image.Pixel(80, 420), kRed);
        EXPECT_EQ(image.Pixel(72, 400), kBlue);
        EXPECT_EQ(image.Pixel(560, 400), kBlue);
        EXPECT_EQ(image.Pixel(560, 300), kCream);
        EXPECT_EQ(image.Pixel(100, 200), kCream);
        // Drawn as bars this time, it is still a filled line.
        EXPECT_EQ(WGGetPlotType(graph, big), 3);
        EXPECT_EQ(WGGetFillFlag(graph, big), 1);
    }
}

TEST_F(PlotsTest, ScatterMarkersAndBars)
{
    Series tent = Tent();
    Series bars{{1, 3, 5, 7}, {5, -5, 10, -10}};
    Define(tent);
    Define(bars);
    int scatter = 0;
    GrDesc* markers = Graph([&](GrDesc* g, HDC dc)
                            { scatter = WGScatterPlot(g, dc, tent.number, 4, 9, 6, 0, FALSE); });
    ASSERT_NE(scatter, 0);
    Image image = Show(markers, "_markers");
    // Filled boxes about 12 pixels wide around each point (6 points on a 153 dpi screen).
    for (auto [x, y] : {std::pair{128, 336}, std::pair{256, 144}, std::pair{448, 240}})
    {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        EXPECT_EQ(image.Pixel(x, y), kBlue);
        EXPECT_EQ(image.Pixel(x - 4, y + 4), kBlue);
        EXPECT_EQ(image.Pixel(x + 4, y - 4), kBlue);
        EXPECT_EQ(image.Pixel(x + 10, y), kCream);
    }
    EXPECT_EQ(image.Pixel(96, 384), kCream); // no line between markers
    int type = 0, fill = -1, size = 0;
    EXPECT_EQ(WGGetMarkerType(markers, scatter, &type, &fill, &size), 1);
    EXPECT_EQ(type, 4);
    EXPECT_EQ(size, 6);

    // Vertical bars on Y -10..10 stand on the middle of the plot (y 240), half a unit wide.
    int barPlot = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc) { barPlot = WGBargraph(g, dc, bars.number, 0.5f, 3, 6, RGB(255, 0, 0), 9, -1); },
        -10, 10, "bars");
    ASSERT_NE(barPlot, 0);
    float width = 0;
    EXPECT_EQ(WGGetBarWidth(graph, barPlot, &width), 1);
    EXPECT_FLOAT_EQ(width, 0.5f);
    EXPECT_EQ(WGGetHatchStyle(graph, barPlot, 0), 255); // a hatch above 5 is solid
    image = Show(graph, "_bars");
    EXPECT_EQ(image.Pixel(128, 200), kRed); // 5 above the middle at x 1
    EXPECT_EQ(image.Pixel(128, 250), kCream);
    EXPECT_EQ(image.Pixel(140, 200), kRed);  // 16 pixels either side of x 1
    EXPECT_EQ(image.Pixel(150, 200), kCream);
    EXPECT_EQ(image.Pixel(256, 280), kRed); // -5 below it at x 3
    EXPECT_EQ(image.Pixel(256, 200), kCream);
    EXPECT_EQ(image.Pixel(512, 430), kRed); // -10 reaches the bottom at x 7
}

TEST_F(PlotsTest, CallerErrorsReportAndFail)
{
    WGEnableErrorMessages(FALSE);
    float x[3] = {0, 1, 2}, y[6] = {0, 0, 1, 1, 2, 2};
    const int group = WGDefineGroupDataSetPtr("group", x, y, 3, 2);
    struct
    {
        int onGroup = -1, onFree = -1, badKind = -1, lastError[3] = {};
    } r;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            r.onGroup = WGLinePlot(g, dc, group, FALSE, FALSE);
            r.lastError[0] = WGGetLastError();
            r.onFree = WGScatterPlot(g, dc, 1234, 1, 0, 5, 0, FALSE);
            r.lastError[1] = WGGetLastError();
            r.badKind = WGBargraph(g, dc, group, 1, 3, 2, RGB(0, 0, 0), 0, -1);
            r.lastError[2] = WGGetLastError();
        });
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(r.onGroup, 0);
    EXPECT_EQ(r.lastError[0], 27);
    EXPECT_EQ(r.onFree, 0);
    EXPECT_EQ(r.lastError[1], 55);
    EXPECT_EQ(r.badKind, 0);
    EXPECT_EQ(r.lastError[2], 30);
    // Only the two axes are in the table; nothing half-made is drawn.
    for (int n = 3; n <= graph->capacity; ++n)
        EXPECT_EQ(ObjectAt(graph, n), nullptr) << n;
    (void)Show(graph);
    EXPECT_TRUE(exits.empty());
    EXPECT_EQ(top.abortFlag, 0);
}

// A noisy random walk of `n` points across the plot: many points in every pixel column.
Series Walk(int n)
{
    Series s;
    std::mt19937 random(7);
    std::normal_distribution<float> step(0, 0.05f);
    float y = 2;
    for (int i = 0; i < n; ++i)
    {
        y = std::fmin(3.9f, std::fmax(0.1f, y + step(random)));
        s.x.push_back(8.0f * i / (n - 1));
        s.y.push_back(y);
    }
    return s;
}

TEST_F(PlotsTest, DenseCurvesDrawTheSamePixelsThinnedPerColumn)
{
    Series walk = Walk(100000);
    Define(walk);
    int curve = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            WGSetLineStyle(g, dc, 0, 1, 12);
            curve = WGLinePlot(g, dc, walk.number, FALSE, FALSE);
        });
    ASSERT_NE(curve, 0);
    const Image thinned = Show(graph, "_thinned");

    // The same points as one plain polyline through the layer, every point drawn.
    auto* c = reinterpret_cast<CurveDesc*>(ObjectAt(graph, curve));
    ASSERT_EQ(c->pointsValid, 100000);
    HDC dc = GetMappedDC(graph);
    HBRUSH background = CreateSolidBrush(kCream);
    const RECT plot = graph->plot;
    FillRect(dc, &plot, background);
    DeleteObject(background);
    ClipToPlot(graph, dc);
    HPEN pen = CreatePen(PS_SOLID, 0, kRed);
    HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, static_cast<POINT*>(GlobalLock(c->points)), c->pointsValid);
    SelectObject(dc, old);
    DeleteObject(pen);
    ClipToGraph(graph, dc);
    DrawAxesOver(graph, dc);
    ReleaseDC(graph->window, dc);
    const Image full = kel::testkit::CaptureWindow(graph->page->window);

    const int curvePixels = full.CountColor(kRed, 0, 0, full.width, full.height);
    EXPECT_GT(curvePixels, 20000); // the walk covers much of the plot
    const int differing = kel::testkit::CountDifferences(thinned, full, 0);
    EXPECT_LE(differing, full.width * full.height / 1000);
}

TEST_F(PlotsTest, PrintersAndMetafilesGetEveryPoint)
{
    Series walk = Walk(3000);
    Define(walk);
    int curve = 0;
    GrDesc* graph = Graph(
        [&](GrDesc* g, HDC dc)
        {
            WGSetLineStyle(g, dc, 0, 1, 12);
            curve = WGLinePlot(g, dc, walk.number, FALSE, FALSE);
        });
    ASSERT_NE(curve, 0);
    auto polylinePoints = [](const std::vector<std::string>& lines)
    {
        std::vector<int> counts;
        for (const std::string& line : lines)
            if (line.rfind("polyline pen solid 1 #ff0000", 0) == 0)
            {
                std::istringstream words(line);
                std::string word;
                int points = 0;
                while (words >> word)
                    points += word.find(',') != std::string::npos && word.find('/') == std::string::npos;
                counts.push_back(points);
            }
        return counts;
    };
    kel::testkit::RecordingDevices recording;
    HDC dc = CreateCompatibleDC(nullptr);
    graph->metafileDc = dc; // as while the graph records a metafile
    MapGraph(graph, dc);
    ObjectInterpreter(graph, dc);
    graph->metafileDc = nullptr;
    DeleteDC(dc);
    // Runs of at most 1025 points, each starting where the one before ended.
    EXPECT_EQ(polylinePoints(recording.Lines()), (std::vector<int>{1025, 1025, 952}));
}

} // namespace
} // namespace plotkit::test
