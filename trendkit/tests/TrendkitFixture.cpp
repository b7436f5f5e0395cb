#include "TrendkitFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace trendkit::test
{
namespace
{
std::vector<AlarmCall> calls;
} // namespace

std::vector<AlarmCall>& AlarmCalls()
{
    return calls;
}

void WINAPI RecordAlarm(int slot, int index, int kind, float value, int state)
{
    calls.push_back({slot, index, kind, value, state});
}

void TrendkitTest::SetUp()
{
    PlotkitTest::SetUp();
    if (HasFatalFailure())
        return;
    Library& lib = Lib();
    StopUpdateTimer();
    lib.top = nullptr;
    lib.boxOpen = false;
    lib.blocks.clear();
    AttachLibrary();
    calls.clear();
    // Axes as plotkit makes them, for as long as plotkit's own axis type is not there.
    if (plotkit::FindObjectType(PK_TYPE_AXIS) == nullptr)
    {
        PlotObjectType axisType{};
        axisType.type = PK_TYPE_AXIS;
        axisType.size = sizeof(AxisDesc);
        plotkit::RegisterOwnObjectType(axisType);
    }
    ASSERT_EQ(InitRTDll(&top), 1);
}

void TrendkitTest::TearDown()
{
    RTCleanup(&top);
    StopUpdateTimer();
    DetachLibrary();
    PlotkitTest::TearDown();
}

WORD TrendkitTest::AddAxis(GrDesc* graph, int direction)
{
    auto* axis = reinterpret_cast<AxisDesc*>(NewObjDesc(graph, PK_TYPE_AXIS, 0));
    axis->direction = static_cast<SHORT>(direction);
    axis->xMin = graph->worldXFrom;
    axis->xMax = graph->worldXTo;
    axis->yMin = graph->worldYFrom;
    axis->yMax = graph->worldYTo;
    // Along the plot's edge: an X axis at the bottom, a Y axis at the left.
    axis->head.extent =
        direction ? RECT{graph->plot.left, graph->plot.bottom, graph->plot.right, graph->plot.bottom}
                  : RECT{graph->plot.left, graph->plot.top, graph->plot.left, graph->plot.bottom};
    return CommitObjDesc(graph);
}

GrDesc* TrendkitTest::RangedGraph(std::function<void(GrDesc*)> build)
{
    static int pages = 0;
    const std::string name = "rt" + std::to_string(++pages); // page names are unique
    PgDesc* page = MakePage(name.c_str());
    return MakeGraph(page, 0, 0, 1, 1,
                     [build](GrDesc* g, HWND)
                     {
                         WGChangePlotPos(g, 0.1f, 0.1f, 0.9f, 0.9f);
                         g->worldXFrom = g->worldYFrom = 0;
                         g->worldXTo = g->worldYTo = 100;
                         EXPECT_EQ(AddAxis(g, 1), 1);
                         EXPECT_EQ(AddAxis(g, 0), 2);
                         if (build)
                             build(g);
                     });
}

int TrendkitTest::DefineSet(int count, UINT capacity, const char* name)
{
    return WRDefineDynDataSet(name, count, nullptr, nullptr, capacity);
}

kel::testkit::Image TrendkitTest::Shown(GrDesc* graph)
{
    UpdateWindow(graph->window);
    return kel::testkit::CaptureWindow(graph->window);
}

kel::testkit::Image TrendkitTest::Repainted(GrDesc* graph)
{
    InvalidateRect(graph->window, nullptr, TRUE);
    UpdateWindow(graph->window);
    return kel::testkit::CaptureWindow(graph->window);
}

void TrendkitTest::Keep(const kel::testkit::Image& image, const std::string& name)
{
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(image, std::string(keep) + "/trendkit_" + name + ".png");
}

kel::testkit::Image TrendkitTest::ExpectLikeRepaint(GrDesc* graph, const std::string& stage)
{
    SCOPED_TRACE(stage);
    const kel::testkit::Image incremental = Shown(graph);
    const kel::testkit::Image full = Repainted(graph);
    EXPECT_FALSE(incremental.Empty());
    EXPECT_EQ(kel::testkit::CountDifferences(incremental, full, 0), 0);
    Keep(incremental, stage);
    Keep(full, stage + "_full");
    return incremental;
}

GrDesc* TrendkitTest::WhiteGraph(std::function<void(GrDesc*)> build)
{
    GrDesc* graph = RangedGraph(std::move(build));
    WGChangePlotBackgnd(graph, RGB(255, 255, 255));
    Repainted(graph);
    return graph;
}

} // namespace trendkit::test
