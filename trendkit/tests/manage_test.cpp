// Deleting objects, graphs and pages with their use counts, values to pixels with their clamp, and
// finding the object under the mouse.
#include "TrendkitFixture.h"

#include "win32/clock.h"

#include <cstdlib>
#include <cstring>

namespace trendkit::test
{
namespace
{

using ManageTest = TrendkitTest;

TEST_F(ManageTest, DeletingAnObjectFreesItsSetAndItsPeriodicUpdate)
{
    const int slot = DefineSet(1);
    WORD lines = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g) { lines = WRSetAlarmLines(g, slot, 2, 1, nullptr, nullptr, nullptr, nullptr); });
    EXPECT_TRUE(Lib().updates[0].used);
    EXPECT_EQ(WRFreeDynDataSet(slot), 0);
    WRDeleteRTObject(graph, lines);
    EXPECT_EQ(GetObjDesc(graph, lines, nullptr), nullptr);
    EXPECT_FALSE(Lib().updates[0].used);
    EXPECT_EQ(WRFreeDynDataSet(slot), 1);
    WRDeleteRTObject(graph, lines); // nothing left: nothing happens
    WRDeleteRTObject(nullptr, 1);
}

// A stand-in for a type with buffers of its own (dynamic bars): a frozen copy of its set aside.
struct BarsObject
{
    RtRangedDesc r;
    float* bars;
    DynDataSetDesc* live; // set while showing a frozen copy
};
int releases = 0;

void ReleaseBars(GrDesc*, RtObjDesc* object)
{
    auto* bars = reinterpret_cast<BarsObject*>(object);
    if (bars->bars)
        ++releases;
    std::free(bars->bars);
    bars->bars = nullptr;
}

BOOL CopyBars(GrDesc*, const RtObjDesc* source, RtObjDesc* copy)
{
    auto* c = reinterpret_cast<BarsObject*>(copy);
    c->bars = static_cast<float*>(std::malloc(4 * sizeof(float)));
    std::memcpy(c->bars, reinterpret_cast<const BarsObject*>(source)->bars, 4 * sizeof(float));
    return TRUE;
}

DynDataSetDesc* BoundBars(RtObjDesc* object)
{
    auto* bars = reinterpret_cast<BarsObject*>(object);
    return bars->live ? bars->live : object->dataSet;
}

TEST_F(ManageTest, TypeBuffersAreFreedOnceAndTheLiveSetKeepsTheCount)
{
    RtObjectType type;
    type.type = RT_TYPE_DYN_BARS;
    type.size = sizeof(BarsObject);
    type.release = ReleaseBars;
    type.copy = CopyBars;
    type.boundSet = BoundBars;
    RegisterRtType(type);
    releases = 0;
    const int live = DefineSet(1), frozen = DefineSet(1);
    auto add = [&](GrDesc* g)
    {
        auto* bars = reinterpret_cast<BarsObject*>(AllocRTObject(g, RT_TYPE_DYN_BARS, 5));
        bars->bars = static_cast<float*>(std::calloc(4, sizeof(float)));
        bars->r.rt.dataSet = GetDynDataSet(frozen);
        bars->live = GetDynDataSet(live);
        CommitRTObject(g);
        ++GetDynDataSet(live)->useCount;
    };
    GrDesc* graph = RangedGraph(add);
    // The edit copy has buffers of its own: discarding it leaves the object's alone.
    ASSERT_EQ(WGDuplicateObject(graph, 3), PK_EDIT_COPY);
    WGDeleteObject(graph, PK_EDIT_COPY);
    EXPECT_EQ(releases, 1);
    EXPECT_NE(reinterpret_cast<BarsObject*>(GetObjDesc(graph, 3, nullptr))->bars, nullptr);
    WRDeleteRTObject(graph, 3);
    EXPECT_EQ(releases, 2);
    EXPECT_EQ(GetDynDataSet(live)->useCount, 0);
    EXPECT_EQ(GetDynDataSet(frozen)->useCount, 0);
    // A graph plotkit deletes on its own still frees the buffers.
    GrDesc* other = RangedGraph(add);
    WGDeleteGraph(other);
    EXPECT_EQ(releases, 3);
}

TEST_F(ManageTest, GraphsAndPagesGoWithTheirObjects)
{
    const int slot = DefineSet(1);
    auto add = [slot](GrDesc* g) { WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr); };
    GrDesc* graph = RangedGraph(add);
    GrDesc* other = RangedGraph(add);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 2);
    WRDeleteRTGraph(graph);
    EXPECT_FALSE(WGIsGraphDescValid(graph));
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 1);

    const int pages = top.pageCount;
    EXPECT_EQ(KillRTPage(61), 0);
    EXPECT_EQ(KillRTPage(0), 0);
    EXPECT_EQ(top.pageCount, pages);
    HWND window = other->page->window;
    EXPECT_EQ(KillRTPage(other->page->number), 1);
    EXPECT_EQ(top.pageCount, pages - 1);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 0);
    EXPECT_TRUE(IsWindow(window)); // the page window stays the host's
    DestroyWindow(window);
}

TEST_F(ManageTest, ValuesToPixelsClampAndNeverDivideByZero)
{
    GrDesc* graph = RangedGraph();
    RtRangedDesc object{};
    object.rt.head.yAxis = 2;
    object.yLow = 0;
    object.yHigh = 100;
    object.ySpan = 100;
    object.direction = 1;
    const float values[] = {0, 100, 1e30f, -1e30f, 50};
    int pixels[5];
    MapValuesToPixels(graph, &object, values, pixels, 5);
    const RECT& plot = graph->plot;
    EXPECT_EQ(pixels[0], plot.bottom);
    EXPECT_EQ(pixels[1], plot.top);
    EXPECT_EQ(pixels[2], -20000);
    EXPECT_EQ(pixels[3], 32000);
    EXPECT_EQ(pixels[4], plot.bottom - static_cast<int>(50 * ((plot.bottom - plot.top) / 100.0f)));

    // Along X on a logarithmic axis: 0 lies two pixels left of the plot, a decade in the middle.
    auto* xAxis = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, 1, nullptr));
    xAxis->scale = 1;
    xAxis->xMin = 1;
    xAxis->xMax = 100;
    object.rt.head.xAxis = 1;
    object.direction = 0;
    const float logValues[] = {0, 10, 1e30f};
    MapValuesToPixels(graph, &object, logValues, pixels, 3);
    EXPECT_EQ(pixels[0], plot.left - 2 * graph->unitsPerPixelX);
    EXPECT_EQ(pixels[1], plot.left + (plot.right - plot.left) / 2);
    EXPECT_EQ(pixels[2], 32000);

    // A span of 0 puts every value at the plot's edge.
    xAxis->scale = 0;
    object.xSpan = 0;
    MapValuesToPixels(graph, &object, logValues, pixels, 3);
    EXPECT_EQ(pixels[0], plot.left);
    EXPECT_EQ(pixels[2], plot.left);
}

TEST_F(ManageTest, AClickNearAnAlarmLinePicksItBeforeWhatLiesUnder)
{
    const int slot = DefineSet(1);
    WRSetSetpoint(slot, 50);
    WORD lines = 0, box = 0, text = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            box = static_cast<WORD>(AddObject(g, plotkit::test::kBox, g->plot));
            lines = WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr);
            text = WRSetAlarmText(g, slot, 0, 0.05f, 0.02f, 0.4f, 0.08f, -1, 0, -1, nullptr, nullptr, 0, 0);
        });
    auto* alarm = reinterpret_cast<AlarmLinesDesc*>(GetObjDesc(graph, lines, nullptr));
    kel::UseFakeClock();
    auto clickAt = [&](int lx, int ly)
    {
        POINT p{lx, ly};
        LPtoDP(graph->buildDc, &p, 1);
        GetDevDesc()->mouseX = p.x;
        GetDevDesc()->mouseY = p.y;
        return rtObjFind(graph->window);
    };
    const int x = (graph->plot.left + graph->plot.right) / 2;
    EXPECT_EQ(clickAt(x, alarm->lines[0].position + graph->unitsPerPixelY), lines);
    EXPECT_EQ(graph->selectedObject, lines);
    EXPECT_EQ(clickAt(x, alarm->lines[0].position + 12 * graph->unitsPerPixelY), box);
    const RECT& r = reinterpret_cast<RtObjDesc*>(GetObjDesc(graph, text, nullptr))->head.extent;
    EXPECT_EQ(clickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2), text);
    kel::UseRealClock();
    EXPECT_EQ(rtObjFind(nullptr), 0);
}

} // namespace
} // namespace trendkit::test
