// Time axes with their labels on a fed scroll graph, the labels' clock texts and repaint rule, their
// attachment to scroll objects, the value-axis rescaling, and the dynamic grid moving with the scroll.
#include "ScrollGraph.h"
#include "TimeAxis.h"
#include "TrendkitFixture.h"
#include "testkit/Image.h"
#include "win32/clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace trendkit::test
{
namespace
{

using kel::testkit::Image;

class TimeAxisTest : public TrendkitTest
{
protected:
    static TimeLabelsDesc* Labels(GrDesc* graph, WORD number)
    {
        return reinterpret_cast<TimeLabelsDesc*>(GetObjDesc(graph, number, nullptr));
    }

    static bool Pending(GrDesc* graph)
    {
        RECT r{};
        return GetUpdateRect(graph->window, &r, FALSE) != FALSE;
    }
};

TEST(ClockTime, FormatsCutTheSameClock)
{
    struct Case
    {
        long long t;
        int format;
        const char* text;
    };
    const Case cases[] = {
        {3725, 1, "01:02:05"}, {3725, 2, "01:02"}, {3725, 4, "02:05"}, {90000, 1, "01:00:00"},
        {0, 1, "00:00:00"},    {3725, 3, ""},      {3725, 0, ""},      {-1, 1, "23:59:59"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.t);
        EXPECT_EQ(FormatClockTime(c.t, c.format), c.text);
    }
}

TEST_F(TimeAxisTest, LabelsMoveOnWithTheScrollGraphLikeARepaint)
{
    const int slot = DefineSet(1, 500);
    const int pens[] = {12};
    WORD axis = 0, labels = 0, scroll = 0, yAxis = 0, values = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            axis = static_cast<WORD>(WRDrawTimeAxis(g, 20, 1, 0, 1, 0));
            yAxis = static_cast<WORD>(WGDrawYAxis(g, g->buildDc, 25, 0, 1));
            labels = WRLabelTimeAxis(g, axis, 3, 1, -1, 34, 59, 30, 0, 2, "now");
            values = WRLabelTimeAxis(g, yAxis, 3, 0, 1, 0, 0, 0, 0.5f, 0, nullptr);
            scroll = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, nullptr, nullptr, pens);
            EXPECT_EQ(WRStartTimeLabelsUpdate(g, labels, scroll), 1);
        });
    ASSERT_TRUE(axis && labels && scroll && values);
    TimeLabelsDesc* l = Labels(graph, labels);
    EXPECT_EQ(l->position, 0) << "automatic below an X axis";
    EXPECT_EQ(Labels(graph, values)->position, 1) << "automatic left of a Y axis";
    EXPECT_EQ(l->startHours, 10u) << "hours taken modulo 24";
    EXPECT_FLOAT_EQ(l->liveStart, 10 * 3600 + 59 * 60 + 30);
    EXPECT_GT(l->widest, 0) << "measured while the graph was built";
    INT start = 0;
    EXPECT_EQ(WRGetStartSec(graph, axis, &start), 1);
    EXPECT_EQ(start, 39570);

    ScrollDesc* s = AsScroll(GetObjDesc(graph, scroll, nullptr));
    const float jump = s->jumpSpan;
    ASSERT_GT(jump, 0);
    int fed = 0;
    auto feed = [&](int n)
    {
        for (int i = 0; i < n; ++i, ++fed)
        {
            const float v = static_cast<float>(fed % 40) * 2;
            WRUpdateData(slot, &v, graph);
        }
    };
    feed(30);
    ExpectLikeRepaint(graph, "timelabels_filling");
    feed(30);
    EXPECT_FLOAT_EQ(l->liveStart, 39570 + jump) << "one jump";
    ExpectLikeRepaint(graph, "timelabels_jumped");
    EXPECT_EQ(WRGetStartSec(graph, axis, &start), 1);
    EXPECT_EQ(start, static_cast<INT>(39570 + jump));

    // The history view shows, and shifts, its own start; resuming moves the live one on.
    float used = 0;
    ASSERT_EQ(WRShowHist(graph, scroll, -40, 0, &used), 1);
    EXPECT_EQ(l->frozen, 1);
    EXPECT_FLOAT_EQ(l->liveStart, 39570 + jump);
    EXPECT_LT(l->historyStart, l->liveStart);
    ExpectLikeRepaint(graph, "timelabels_history");
    feed(40);
    ASSERT_EQ(WRResumeScroll(graph, scroll), 1);
    EXPECT_EQ(l->frozen, 0);
    EXPECT_GT(l->liveStart, 39570 + jump);
    ExpectLikeRepaint(graph, "timelabels_resumed");
}

TEST_F(TimeAxisTest, LabelsRepaintOnlyWhenTheirTextChanges)
{
    WORD axis = 0, labels = 0, seconds = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            axis = static_cast<WORD>(WRDrawTimeAxis(g, 20, 0, 0, 1, 0));
            labels = WRLabelTimeAxis(g, axis, 3, 2, -1, 8, 0, 0, 0, 0, nullptr);
            seconds = WRLabelTimeAxis(g, axis, 7, 1, -1, 8, 0, 0, 0, 1, nullptr);
        });
    ASSERT_TRUE(labels && seconds);
    UpdateWindow(graph->window);
    WRUpdateTimeLabels(graph, labels, 10);
    EXPECT_FALSE(Pending(graph)) << "08:00 still";
    WRUpdateTimeLabels(graph, labels, 45);
    EXPECT_FLOAT_EQ(Labels(graph, labels)->liveStart, 8 * 3600 + 55);
    EXPECT_FALSE(Pending(graph));
    WRUpdateTimeLabels(graph, labels, 10);
    EXPECT_TRUE(Pending(graph)) << "08:01";
    ExpectLikeRepaint(graph, "timelabels_minutes");

    WRResetTimeLabels(graph, labels, 3600);
    EXPECT_FLOAT_EQ(Labels(graph, labels)->liveStart, 3600);
    INT start = -1;
    EXPECT_EQ(WRGetStartSec(graph, axis, &start), 1);
    EXPECT_EQ(start, 3600);
    EXPECT_EQ(WRChangeTimeLabelsFormat(graph, labels, 0), 1);
    EXPECT_EQ(Labels(graph, labels)->precision, 0);
    ExpectLikeRepaint(graph, "timelabels_formats");

    // An axis squeezed to no range and no step places no labels and divides by nothing.
    auto* a = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, axis, nullptr));
    a->tickStep = 0;
    Repainted(graph);
    a->xMax = a->xMin;
    Repainted(graph);

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal parameter for  - WRResetTimeLabels").Reply(IDYES);
    prompts.Expect("Illegal parameter for  - WRChangeTimeLAbelsFormat").Reply(IDYES);
    prompts.Expect("Illegal parameter for  - WRUpdateTimeLabels").Reply(IDYES);
    WRResetTimeLabels(graph, axis, 0);
    EXPECT_EQ(WRChangeTimeLabelsFormat(graph, 99, 1), 0);
    WRUpdateTimeLabels(graph, 0, 1);
    EXPECT_EQ(WRGetStartSec(graph, 1, &start), 0) << "an axis without time labels";
    EXPECT_EQ(start, 0);
    EXPECT_TRUE(exits.empty());
}

TEST_F(TimeAxisTest, LabelsAreCheckedAndTakeThreePlacesOfAScrollObject)
{
    const int slot = DefineSet(1);
    WORD axis = 0, scroll = 0;
    WORD labels[4]{};
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            axis = static_cast<WORD>(WRDrawTimeAxis(g, 20, 0, 0, 1, 1));
            for (WORD& l : labels)
                l = WRLabelTimeAxis(g, axis, 6, 1, -1, 0, 0, 0, 0, 0, nullptr);
            scroll = WRSetScrollGraph(g, slot, 1, 0.5f, 1, 0, nullptr, nullptr, nullptr);
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect("Axes not defined").Reply(IDYES);
            prompts.Expect("Illegal parameter for  - WRLabelTimeAxis").Reply(IDYES).Times(2);
            EXPECT_EQ(WRLabelTimeAxis(g, 999, 3, 1, -1, 0, 0, 0, 0, 0, nullptr), 0);
            EXPECT_EQ(WRLabelTimeAxis(g, labels[0], 3, 1, -1, 0, 0, 0, 0, 0, nullptr), 0);
            EXPECT_EQ(WRLabelTimeAxis(g, axis, 1, 1, -1, 0, 0, 0, 0, 0, nullptr), 0) << "left of an X axis";
        });
    ASSERT_TRUE(axis && scroll && labels[3]);
    ScrollDesc* s = AsScroll(GetObjDesc(graph, scroll, nullptr));
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(WRStartTimeLabelsUpdate(graph, labels[k], scroll), 1);
    EXPECT_EQ(WRStartTimeLabelsUpdate(graph, labels[3], scroll), 0) << "three places only";
    EXPECT_EQ(WRStopTimeLabelsUpdate(graph, labels[0], scroll), 1);
    EXPECT_EQ(s->timeLabels[0], labels[1]);
    EXPECT_EQ(s->timeLabels[1], labels[2]);
    EXPECT_EQ(s->timeLabels[2], 0);
    EXPECT_EQ(WRStopTimeLabelsUpdate(graph, labels[0], scroll), 0);

    // A minutes axis moves its clock by 60 seconds per axis unit.
    const float before = Labels(graph, labels[1])->liveStart;
    ShiftTimeLabels(graph, labels[1], 2);
    EXPECT_FLOAT_EQ(Labels(graph, labels[1])->liveStart, before + 120);

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad object handle").Reply(IDYES).Times(2);
    EXPECT_EQ(WRStartTimeLabelsUpdate(graph, labels[3], 200), 0);
    EXPECT_EQ(WRStopTimeLabelsUpdate(graph, 200, scroll), 0);
    EXPECT_TRUE(exits.empty());
}

TEST_F(TimeAxisTest, AutoRescaleRoundsTheHeldRange)
{
    const int slot = DefineSet(2, 100);
    const int empty = DefineSet(1, 100);
    WORD timeAxis = 0, yAxis = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            timeAxis = static_cast<WORD>(WRDrawTimeAxis(g, 20, 0, 0, 1, 0));
            yAxis = static_cast<WORD>(WGDrawYAxis(g, g->buildDc, 20, 0, 1));
        });
    for (int i = 0; i <= 20; ++i)
    {
        const float v[2] = {3.0f + i, 10.0f + i * 3};
        WRUpdateData(slot, v, graph);
    }
    float min = 0, max = 0;
    EXPECT_EQ(WRAutoRescale(graph, timeAxis, slot, -1, &min, &max, 0), 0) << "a time axis keeps its range";
    EXPECT_EQ(WRAutoRescale(graph, yAxis, empty, -1, &min, &max, 0), 0) << "nothing held";
    ASSERT_EQ(WRAutoRescale(graph, yAxis, slot, 0, &min, &max, 0), 1);
    EXPECT_LE(min, 3.0f);
    EXPECT_GE(max, 23.0f);
    EXPECT_LT(max - min, 40.0f);
    auto* axis = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, yAxis, nullptr));
    const float step = axis->tickStep;
    EXPECT_FLOAT_EQ(axis->yMax, 100) << "not applied";
    // 0..100 to about 0..80: within a third and three times, the tick step stays.
    ASSERT_EQ(WRAutoRescale(graph, yAxis, slot, -1, nullptr, &max, 1), 1);
    EXPECT_FLOAT_EQ(axis->yMax, max);
    EXPECT_FLOAT_EQ(axis->tickStep, step);
    EXPECT_GE(axis->yIntercept, axis->yMin);
}

int GridEntries(GrDesc* graph, WORD number)
{
    int n = 0;
    for (const UpdateEntry& e : Lib().updates)
        if (e.used && e.graph == graph->handle && e.object == number)
            ++n;
    return n;
}

int CountColour(const Image& image, COLORREF colour)
{
    int n = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            n += image.Pixel(x, y) == colour;
    return n;
}

TEST_F(TimeAxisTest, DynamicGridStaysOverTheScrollingTrace)
{
    kel::UseFakeClock();
    kel::SetFakeClock(500000);
    const int slot = DefineSet(1);
    const int pens[] = {12};
    WORD scroll = 0, xAxis = 0, yAxis = 0, xGrid = 0, yGrid = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            scroll = WRSetScrollGraph(g, slot, 1, 0.5f, 1, 0, nullptr, nullptr, pens);
            xAxis = static_cast<WORD>(WRDrawTimeAxis(g, 20, 3, 0, 1, 0));
            yAxis = static_cast<WORD>(WGDrawYAxis(g, g->buildDc, 25, 1, 1));
            WGSetLineStyle(g, g->buildDc, PS_SOLID, 1, RGB(0, 0, 255));
            xGrid = WRDynGrid(g, xAxis, 2, 1);
            WGSetLineStyle(g, g->buildDc, PS_SOLID, 1, RGB(0, 160, 0));
            yGrid = WRDynGrid(g, yAxis, 0, 1);
        });
    ASSERT_TRUE(scroll && xGrid && yGrid);
    auto* axis = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, xAxis, nullptr));
    EXPECT_EQ(axis->gridSuppressed, 1);
    EXPECT_EQ(axis->majorGrid, 1);
    EXPECT_EQ(axis->minorGrid, 1);
    EXPECT_EQ(axis->majorGridLine.color, axis->minorGridLine.color) << "both from the current line";
    EXPECT_EQ(GridEntries(graph, xGrid), 1);

    const Image empty = Repainted(graph);
    const int blue = CountColour(empty, RGB(0, 0, 255)), green = CountColour(empty, RGB(0, 160, 0));
    EXPECT_GT(blue, 0);
    EXPECT_GT(green, 0);
    for (int i = 0; i < 150; ++i)
    {
        const float v = 50 + 45 * static_cast<float>(std::sin(i * 0.4));
        WRUpdateData(slot, &v, graph);
        if (i == 70 || i == 149)
        {
            // The trace and the jumps paint over the grid; the next tick puts it back on top.
            kel::AdvanceFakeClock(1000);
            Pump(5);
            ExpectLikeRepaint(graph, "dyngrid_" + std::to_string(i));
        }
    }
    kel::UseRealClock();
}

TEST_F(TimeAxisTest, DynamicGridSurvivesDegenerateSteps)
{
    WORD axis = 0, grid = 0, zero = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            axis = static_cast<WORD>(WGDrawXAxis(g, g->buildDc, 0.001f, 0, 0));
            WGSetLineStyle(g, g->buildDc, PS_SOLID, 1, RGB(0, 0, 255));
            grid = WRDynGrid(g, axis, 0, 0);
            zero = static_cast<WORD>(WGDrawYAxis(g, g->buildDc, 10, 4, 1));
            const WORD negative = WRDynGrid(g, zero, 1, -5);
            EXPECT_NE(negative, 0);
            EXPECT_EQ(GridEntries(g, negative), 0) << "no period, no timer";
            EXPECT_NE(WRDynGrid(g, zero, 7, 0), 0) << "an unknown kind switches nothing on";
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect("Axes not defined").Reply(IDYES).Times(2);
            EXPECT_EQ(WRDynGrid(g, 9999, 0, 0), 0);
            EXPECT_EQ(WRDynGrid(g, 0, 0, 0), 0);
        });
    ASSERT_TRUE(grid && zero);
    // A step far below a logical unit: major lines two device pixels apart.
    const Image image = Repainted(graph);
    RECT plot = graph->plot;
    LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&plot), 2);
    const int row = (plot.top + plot.bottom) / 2;
    int lines = 0;
    for (int x = plot.left + 1; x < plot.right - 1; ++x)
        lines += image.Pixel(x, row) == RGB(0, 0, 255);
    EXPECT_NEAR(lines, (plot.right - plot.left) / 2, (plot.right - plot.left) / 40);
    // A zero tick step and a zero range draw nothing and end.
    auto* y = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, zero, nullptr));
    y->tickStep = 0;
    Repainted(graph);
    y->yMax = y->yMin;
    Repainted(graph);
    EXPECT_TRUE(exits.empty());
}

} // namespace
} // namespace trendkit::test
