// Group plots: grouped and stacked bars drawn offscreen and probed, the members' limit, too few
// values for an arrangement, a blinking group's colours, and the group's accessors.
#include "PlotkitFixture.h"

#include "testkit/Image.h"

#include <functional>
#include <vector>

namespace plotkit::test
{
namespace
{

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);

class GroupsTest : public PlotkitTest
{
protected:
    // A graph over the whole anisotropic page with the plot from 1000 to 11000 across and 1000 to
    // 9000 down (logical), the world 0..10 across and 0..100 up, on a white background.
    GrDesc* Plot(std::function<void(GrDesc*)> build)
    {
        PgDesc* page = MakePage("groups", 8);
        GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                                  [build](GrDesc* g, HWND)
                                  {
                                      AddObject(g, kFill, RECT{0, 0, g->logWidth, g->logHeight}, kWhite);
                                      g->plot = RECT{1000, 1000, 11000, 9000};
                                      g->worldXFrom = 0;
                                      g->worldXTo = 10;
                                      g->worldYFrom = 0;
                                      g->worldYTo = 100;
                                      build(g);
                                  });
        return graph;
    }

    kel::testkit::Image Shot(GrDesc* graph, const char* name)
    {
        InvalidateRect(graph->window, nullptr, TRUE);
        UpdateWindow(graph->window);
        Pump(20);
        kel::testkit::Image image = kel::testkit::CaptureWindow(graph->window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(image, std::string(keep) + "/" + name + ".png");
        return image;
    }

    // The pixel of a world point.
    static POINT Pixel(GrDesc* g, double x, double y)
    {
        const double lx = 1000 + x * 1000, ly = 9000 - y * 80;
        return POINT{static_cast<LONG>(lx * g->devWidth / g->logWidth),
                     static_cast<LONG>(ly * g->devHeight / g->logHeight)};
    }
    static COLORREF At(const kel::testkit::Image& image, GrDesc* g, double x, double y)
    {
        const POINT p = Pixel(g, x, y);
        return image.Pixel(p.x, p.y);
    }

    // Three points with two members each.
    float xs[3] = {2, 5, 8};
    float ys[6] = {20, 30, 10, 40, 30, 20};
    COLORREF colors[2] = {kRed, kBlue};
};

TEST_F(GroupsTest, GroupedBarsSideBySide)
{
    const int set = WGDefineGroupDataSetPtr("bars", xs, ys, 3, 2);
    int group = 0;
    GrDesc* graph =
        Plot([&](GrDesc* g)
             { group = WGGroupBargraph(g, g->buildDc, set, 0.8f, 3, 6, 0, colors, nullptr, nullptr); });
    ASSERT_NE(group, 0);
    EXPECT_EQ(WGGetDataSet(graph, group), set);
    EXPECT_EQ(DataSetAt(set)->curves, 1);
    const kel::testkit::Image image = Shot(graph, "plotkit_group_bars");
    ASSERT_GT(image.width, 0);
    // Centred on each point: member 0 just left of it, member 1 just right, both from 0 up.
    struct Probe
    {
        double x, y;
        COLORREF color;
    };
    const Probe probes[] = {
        {1.6, 10, kRed},  {1.6, 19, kRed},   {1.6, 22, kWhite}, {2.4, 28, kBlue}, {2.4, 32, kWhite},
        {4.6, 5, kRed},   {4.6, 12, kWhite}, {5.4, 38, kBlue},  {7.6, 28, kRed},  {8.4, 18, kBlue},
        {1.0, 5, kWhite}, {3.0, 5, kWhite},  {6.5, 5, kWhite},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(At(image, graph, p.x, p.y), p.color) << p.x << ", " << p.y;
}

TEST_F(GroupsTest, StackedBarsPileTheMembers)
{
    const int set = WGDefineGroupDataSetPtr("stacked", xs, ys, 3, 2);
    int group = 0;
    GrDesc* graph =
        Plot([&](GrDesc* g)
             { group = WGGroupBargraph(g, g->buildDc, set, 0.8f, 3, 6, 2, colors, nullptr, nullptr); });
    ASSERT_NE(group, 0);
    EXPECT_EQ(WGGetPlotType(graph, group), 2);
    const kel::testkit::Image image = Shot(graph, "plotkit_group_stacked");
    struct Probe
    {
        double x, y;
        COLORREF color;
    };
    // At x = 5 the red member reaches 10 and the blue one sits on it up to 50.
    const Probe probes[] = {
        {5, 5, kRed},  {5, 15, kBlue}, {5, 48, kBlue},  {5, 53, kWhite}, {4.7, 30, kBlue}, {4.5, 30, kWhite},
        {2, 15, kRed}, {2, 45, kBlue}, {2, 55, kWhite}, {8, 25, kRed},   {8, 45, kBlue},   {8, 52, kWhite},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(At(image, graph, p.x, p.y), p.color) << p.x << ", " << p.y;
}

TEST_F(GroupsTest, ABlinkingGroupDarkensEachChannelOnItsOwn)
{
    // Green 0x30 would borrow from red if the step were taken on the whole colour.
    float one[3] = {40, 40, 40};
    const int set = WGDefineGroupDataSetPtr("blink", xs, one, 3, 1);
    COLORREF color[1] = {RGB(0x80, 0x30, 0xFF)};
    int group = 0;
    GrDesc* graph =
        Plot([&](GrDesc* g)
             { group = WGGroupBargraph(g, g->buildDc, set, 0.8f, 3, 6, 0, color, nullptr, nullptr); });
    ASSERT_NE(group, 0);
    GetObjDesc(graph, group, nullptr)->flash = 1;
    const kel::testkit::Image image = Shot(graph, "plotkit_group_blink");
    // Drawn with the inverted pen over white: NOT (0x40, 0x00, 0xBF).
    EXPECT_EQ(At(image, graph, 5, 20), RGB(0xBF, 0xFF, 0x40));
}

TEST_F(GroupsTest, MembersAndValuesAGroupCannotShow)
{
    std::vector<float> wide(3 * 17, 1.0f);
    const int tooWide = WGDefineGroupDataSetPtr("wide", xs, wide.data(), 3, 17);
    const int single = WGDefineGroupDataSetPtr("single", xs, ys, 3, 1);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Incorrect data set dimension for plotting function").Reply(IDYES);
    prompts.Expect("Incorrect data set dimension for Floating Bars").Reply(IDYES);
    int refused = -1, floating = -1;
    GrDesc* graph = Plot(
        [&](GrDesc* g)
        {
            refused = WGGroupBargraph(g, g->buildDc, tooWide, 0.5f, 3, 6, 0, nullptr, nullptr, nullptr);
            floating = WGFloatingBars(g, g->buildDc, single, 0.5f, 3, 6, kRed, -1, -1);
        });
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(floating, 0);
    EXPECT_EQ(GetObjDesc(graph, 2, nullptr), nullptr); // only the background was added
    EXPECT_EQ(WGGetLastError(), 27);
}

TEST_F(GroupsTest, GroupAccessors)
{
    const int set = WGDefineGroupDataSetPtr("access", xs, ys, 3, 2);
    int group = 0;
    GrDesc* graph =
        Plot([&](GrDesc* g)
             { group = WGGroupBargraph(g, g->buildDc, set, 0.8f, 3, 6, 0, colors, nullptr, nullptr); });
    float width = 0;
    EXPECT_EQ(WGGetBarWidth(graph, group, &width), 1);
    EXPECT_FLOAT_EQ(width, 0.8f);
    EXPECT_EQ(WGChangeBarWidth(graph, group, 2), 1);
    WGGetBarWidth(graph, group, &width);
    EXPECT_FLOAT_EQ(width, 2);
    EXPECT_EQ(WGChangeHatchStyle(graph, group, 3, 1), 1);
    EXPECT_EQ(WGGetHatchStyle(graph, group, 1), 3);
    EXPECT_EQ(WGGetHatchStyle(graph, group, 0), 255);
    EXPECT_EQ(WGGetAreaColor(graph, group, 1), kBlue);
    EXPECT_EQ(WGChangePlotType(graph, group, 2), 1);
    EXPECT_EQ(WGGetPlotType(graph, group), 2);
    EXPECT_EQ(WGChangePlotType(graph, group, 4), 0);   // no such arrangement, no message
    EXPECT_EQ(WGChangeObjFill(graph, group, TRUE), 1); // bars: nothing to fill
    EXPECT_EQ(WGGetFillFlag(graph, group), 0);
    // Bars draw with each member's own outline.
    EXPECT_EQ(GetLineDesc(graph, group, 1), GetLineDesc(graph, group, 1));
    EXPECT_NE(GetLineDesc(graph, group, 1), GetLineDesc(graph, group, 0));
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal editing function for GROUP").Reply(IDYES);
    EXPECT_EQ(WGToggleSpline(graph, group, TRUE), 0);
}

TEST_F(GroupsTest, StackedAreasAndHighLowCloseInAPlotWithAxes)
{
    float x[11], areas[22], hlc[33];
    for (int i = 0; i <= 10; ++i)
    {
        x[i] = static_cast<float>(i);
        areas[2 * i] = 20;
        areas[2 * i + 1] = 30;
        hlc[3 * i] = 80;     // high
        hlc[3 * i + 1] = 60; // low
        hlc[3 * i + 2] = 70; // close
    }
    const int stacked = WGDefineGroupDataSetPtr("areas", x, areas, 11, 2);
    const int ticks = WGDefineGroupDataSetPtr("hlc", x, hlc, 11, 3);
    const INT colors[2] = {12, 9};
    int areaGroup = 0, hlcGroup = 0;
    PgDesc* page = MakePage("areas", 8);
    GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                              [&](GrDesc* g, HWND)
                              {
                                  HDC dc = g->buildDc;
                                  WGSetPlotArea(g, dc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
                                  WGScalePlotArea(g, 0, 0, 10, 100);
                                  WGDrawXAxis(g, dc, 1, 0, 0);
                                  WGDrawYAxis(g, dc, 10, 0, 1);
                                  areaGroup = WGStackedLines(g, dc, stacked, TRUE, nullptr, nullptr, colors);
                                  WGSetLineStyle(g, dc, 0, 2, 0);
                                  hlcGroup = WGHighLowClose(g, dc, ticks, 4, 4, 8, 0);
                              });
    ASSERT_NE(areaGroup, 0);
    ASSERT_NE(hlcGroup, 0);
    EXPECT_EQ(WGGetFillFlag(graph, areaGroup), 1);
    const kel::testkit::Image image = Shot(graph, "plotkit_group_areas");
    // The plot spans 64..576 across and 48..432 down.
    auto at = [&](double wx, double wy)
    { return image.Pixel(static_cast<int>(64 + wx * 51.2), static_cast<int>(432 - wy * 3.84)); };
    EXPECT_EQ(at(5.5, 10), RGB(255, 0, 0));     // member 0 from 0 to 20
    EXPECT_EQ(at(5.5, 35), RGB(0, 0, 255));     // member 1 on top of it, to 50
    EXPECT_EQ(at(5.5, 55), RGB(255, 251, 240)); // the plot background above
    EXPECT_EQ(at(5, 65), RGB(0, 0, 0));         // the high-low line at the point
    EXPECT_EQ(at(5.5, 65), RGB(255, 251, 240));
    EXPECT_EQ(at(5, 70), RGB(128, 0, 0)); // the close marker, a red box
}

} // namespace
} // namespace plotkit::test
