// Dynamic legends: entries bound to a live object's channels, drawn in its present colours.
#include "ScrollGraph.h"
#include "TrendkitFixture.h"

#include "Legend.h"
#include "testkit/Image.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace trendkit::test
{
namespace
{

using kel::testkit::Image;

int CountColour(const Image& image, DWORD colour, RECT box)
{
    int n = 0;
    for (int y = std::max<int>(box.top, 0); y < std::min<int>(box.bottom, image.height); ++y)
        for (int x = std::max<int>(box.left, 0); x < std::min<int>(box.right, image.width); ++x)
            if ((image.Pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                ++n;
    return n;
}

class DynLegendTest : public TrendkitTest
{
protected:
    Image Repainted(GrDesc* graph, const char* name)
    {
        InvalidateRect(graph->window, nullptr, TRUE);
        UpdateWindow(graph->window);
        Image image = kel::testkit::CaptureWindow(graph->window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(image, std::string(keep) + "/trendkit_" + name + ".png");
        return image;
    }
    // The legend's box in window pixels (the left half of the graph's lower part).
    static RECT LegendPixels(const Image& image) { return RECT{0, image.height * 3 / 5, image.width / 2, image.height}; }
};

TEST_F(DynLegendTest, EntriesFollowTheColoursOfTheirScrollGraph)
{
    const int slot = DefineSet(3, 0, "Pressures");
    std::strcpy(GetDynDataSet(slot)->labels[0], "Chamber");
    std::strcpy(GetDynDataSet(slot)->labels[1], "Foreline");
    std::strcpy(GetDynDataSet(slot)->labels[2], "Load lock");
    const int colours[3] = {4, 2, 1}; // red, green, blue
    const int widths[3] = {3, 3, 3};
    WORD scroll = 0, legend = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            scroll = WRSetScrollGraph(g, slot, 1, 0.5f, 1, 0, nullptr, widths, colours);
            legend = WRDynLegendPtr(g, 0.05f, 0.65f, 0.45f, 0.95f, 0, 1, -1, 15, 0, nullptr, scroll, 0);
        });
    ASSERT_NE(scroll, 0);
    ASSERT_NE(legend, 0);
    auto* l = reinterpret_cast<plotkit::LegendDesc*>(GetObjDesc(graph, legend, nullptr));
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->itemCount, 4); // the heading and three channels
    EXPECT_STREQ(l->items[2].text, "Foreline");

    Image image = Repainted(graph, "dynlegend");
    const RECT box = LegendPixels(image);
    EXPECT_GT(CountColour(image, WGGetRGBColor(4), box), 0);
    EXPECT_GT(CountColour(image, WGGetRGBColor(2), box), 0);
    const int magentaBefore = CountColour(image, WGGetRGBColor(5), box);

    // The first channel turns magenta: the legend shows it at the next repaint.
    auto* s = reinterpret_cast<ScrollDesc*>(GetObjDesc(graph, scroll, nullptr));
    s->pens[0].color = WGGetRGBColor(5);
    image = Repainted(graph, "dynlegend_recoloured");
    EXPECT_GT(CountColour(image, WGGetRGBColor(5), box), magentaBefore);
    EXPECT_EQ(CountColour(image, WGGetRGBColor(4), box), 0);

    // Item positions: a column of equal rows; a negative index or one past the items is refused.
    int x = -7, y = -7;
    TextItemCoords(graph, &l->head, 0, 0, &x, &y);
    int x1 = 0, y1 = 0;
    TextItemCoords(graph, &l->head, 1, 0, &x1, &y1);
    EXPECT_EQ(x1, x);
    EXPECT_GT(y1, y);
    int nx = -7, ny = -7;
    TextItemCoords(graph, &l->head, -1, 0, &nx, &ny);
    TextItemCoords(graph, &l->head, 3, 0, &nx, &ny);
    EXPECT_EQ(nx, -7);
    EXPECT_EQ(ny, -7);
}

TEST_F(DynLegendTest, BindingAndTextsAreChecked)
{
    const int slot = DefineSet(4);
    WORD scroll = 0, unknown = 1, empty = 1, plain = 0, shortTexts = 0, fromHandle = 0;
    const std::string rows = std::string(42, 'A') + "Second";
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, rows.size());
    std::memcpy(GlobalLock(handle), rows.data(), rows.size());
    GlobalUnlock(handle);
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            scroll = WRSetScrollGraph(g, slot, 1, 0.5f, 1, 0, nullptr, nullptr, nullptr);
            unknown = WRDynLegendPtr(g, 0.1f, 0.1f, 0.4f, 0.4f, 0, 1, -1, -1, 0, "a", 77, 0);
            empty = WRDynLegendPtr(g, 0.1f, 0.1f, 0.4f, 0.4f, 0, 1, -1, -1, 0, "", 0, 0);
            EXPECT_EQ(WRDynLegend(g, 0.1f, 0.1f, 0.4f, 0.4f, 0, 1, -1, -1, 0, nullptr, 0, 0), 0);
            plain = WRDynLegendPtr(g, 0.5f, 0.1f, 0.9f, 0.4f, 0, 1, -1, -1, 0, "X axis", 0, 0);
            // A caller's text shorter than the entries: the rows past it are empty, never read.
            shortTexts = WRDynLegendPtr(g, 0.1f, 0.5f, 0.4f, 0.9f, 0, 1, -1, -1, 1, "Only", scroll, 1);
            fromHandle = WRDynLegend(g, 0.5f, 0.5f, 0.9f, 0.9f, 0, 1, -1, -1, 0, handle, scroll, 0);
        });
    GlobalFree(handle);
    EXPECT_EQ(unknown, 0);
    EXPECT_EQ(empty, 0);
    EXPECT_NE(plain, 0);
    ASSERT_NE(shortTexts, 0);
    auto* l = reinterpret_cast<plotkit::LegendDesc*>(GetObjDesc(graph, shortTexts, nullptr));
    ASSERT_EQ(l->itemCount, 5);
    EXPECT_STREQ(l->items[1].text, "Only");
    EXPECT_STREQ(l->items[4].text, "");
    EXPECT_EQ(l->shortSamples, 1);

    // Rows from a handle are read no further than its block, each ended after 41 characters.
    ASSERT_NE(fromHandle, 0);
    auto* h = reinterpret_cast<plotkit::LegendDesc*>(GetObjDesc(graph, fromHandle, nullptr));
    EXPECT_EQ(std::string(h->items[1].text), std::string(41, 'A'));
    EXPECT_STREQ(h->items[2].text, "Second");
    EXPECT_STREQ(h->items[3].text, "");
    Repainted(graph, "dynlegend_rows");
}

TEST_F(DynLegendTest, LogicTagsStandBesideTheLanesWhereTimeStarts)
{
    const int slot = DefineSet(3);
    std::strcpy(GetDynDataSet(slot)->labels[0], "Gate valve");
    std::strcpy(GetDynDataSet(slot)->labels[1], "Roughing");
    std::strcpy(GetDynDataSet(slot)->labels[2], "Ion gauge");
    WORD logic = 0, tags = 0, named = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            WGChangePlotPos(g, 0.3f, 0.1f, 0.9f, 0.9f);
            logic = WRSetLogicGraph(g, slot, 1, 0.5f, 1, 3, 0.6f, nullptr, nullptr, nullptr);
            tags = WRLogicTagsPtr(g, -1, 0, -1, -1, nullptr, logic);
            named = WRLogicTagsPtr(g, -1, 0, 0, -1, "First", logic);
            EXPECT_EQ(WRLogicTags(g, -1, 0, -1, -1, nullptr, 99), 0);
            EXPECT_EQ(WGGetLastError(), 56);
        });
    ASSERT_NE(logic, 0);
    ASSERT_NE(tags, 0);
    auto* l = reinterpret_cast<plotkit::LegendDesc*>(GetObjDesc(graph, tags, nullptr));
    EXPECT_EQ(l->itemCount, 4);
    EXPECT_STREQ(l->items[1].text, "Gate valve");
    EXPECT_STREQ(l->items[3].text, "Ion gauge");
    // Time runs left to right: the column ends left of the plot and spans 60% of its height from the
    // bottom.
    EXPECT_LT(l->head.extent.right, graph->plot.left);
    EXPECT_NEAR(l->head.extent.bottom, graph->plot.bottom, 2 * graph->unitsPerPixelY + 1);
    EXPECT_NEAR(l->head.extent.bottom - l->head.extent.top, 0.6 * (graph->plot.bottom - graph->plot.top),
                0.02 * graph->logHeight);
    auto* n = reinterpret_cast<plotkit::LegendDesc*>(GetObjDesc(graph, named, nullptr));
    EXPECT_STREQ(n->items[1].text, "First");
    EXPECT_STREQ(n->items[2].text, "");
    Repainted(graph, "logic_tags");
}

} // namespace
} // namespace trendkit::test
