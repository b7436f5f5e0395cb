// The scroll family and the XY graphs fed sample by sample: after each stage what was drawn
// incrementally must equal a full repaint of the same state, pixel for pixel, and pixel probes check
// where the traces are. Also the history view, the creators' refusals and the host's calls.
#include "ScrollGraph.h"
#include "TrendkitFixture.h"
#include "testkit/Image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace trendkit::test
{
namespace
{

using kel::testkit::Image;

constexpr COLORREF kRed = RGB(0xFF, 0x00, 0x00);

ScrollDesc* Record(GrDesc* graph, WORD number)
{
    return AsScroll(GetObjDesc(graph, number, nullptr));
}

// Extent of the pixels of one colour (device columns and rows); left > right when there are none.
struct Extent
{
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN, count = 0;
};
Extent ExtentOf(const Image& image, COLORREF colour)
{
    Extent e;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
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

class GraphsTest : public TrendkitTest
{
protected:
    static void Feed(int slot, GrDesc* graph, int from, int to, float (*value)(int))
    {
        for (int i = from; i < to; ++i)
        {
            const float v = value(i);
            WRUpdateData(slot, &v, graph);
        }
    }
};

float Wave(int i)
{
    return 50 + 35 * static_cast<float>(std::sin(i * 0.31));
}

const int kRedIndex[] = {12, 9, 10}; // palette: Light Red, Light Blue, Light Green
const int kWidths[] = {0, 0, 0};
const int kStyles[] = {0, 0, 0};

TEST_F(GraphsTest, ScrollGraphDrawsSegmentsAndJumpsLikeARepaint)
{
    const int slot = DefineSet(1);
    WORD number = 0;
    // Range 100 over an interval of 100/60: 61 positions, half of them kept at a jump.
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        { number = WRSetScrollGraph(g, slot, 100.0f / 60, 0.5f, 1, 0, kStyles, kWidths, kRedIndex); });
    ASSERT_NE(number, 0);
    ScrollDesc* s = Record(graph, number);
    EXPECT_EQ(s->points, 61);
    EXPECT_EQ(s->kept, 30);
    EXPECT_EQ(s->pens[0].color, kRed);

    Feed(slot, graph, 0, 1, Wave);
    EXPECT_EQ(ExtentOf(ExpectLikeRepaint(graph, "scroll_first"), kRed).count, 0)
        << "one sample draws nothing";
    Feed(slot, graph, 1, 20, Wave);
    const Extent partial = ExtentOf(ExpectLikeRepaint(graph, "scroll_partial"), kRed);
    Feed(slot, graph, 20, 61, Wave);
    const Extent full = ExtentOf(ExpectLikeRepaint(graph, "scroll_full"), kRed);
    EXPECT_GT(partial.count, 0);
    EXPECT_EQ(partial.left, full.left);
    EXPECT_GT(full.right, partial.right + 100);
    EXPECT_EQ(s->position, 61);

    // The 62nd sample jumps: samples 31-61 go to positions 0-30 and the new one to position 31.
    Feed(slot, graph, 61, 62, Wave);
    EXPECT_EQ(s->scrolled, 1);
    EXPECT_EQ(s->position, 32);
    EXPECT_EQ(s->start, 30);
    EXPECT_FLOAT_EQ(s->values[s->start], Wave(30));
    const Extent jumped = ExtentOf(ExpectLikeRepaint(graph, "scroll_jump"), kRed);
    EXPECT_EQ(jumped.left, full.left);
    EXPECT_NEAR(jumped.right - jumped.left, (full.right - full.left) * 31 / 60, 4);

    Feed(slot, graph, 62, 150, Wave);
    ExpectLikeRepaint(graph, "scroll_second_jumps");
}

TEST_F(GraphsTest, ScrollGraphStepModesAndTimeAlongY)
{
    const int slot = DefineSet(2);
    WORD step = 0, down = 0;
    GrDesc* across = WhiteGraph(
        [&](GrDesc* g) { step = WRSetScrollGraph(g, slot, 4, 0.3f, 1, 2, kStyles, kWidths, kRedIndex); });
    GrDesc* along = WhiteGraph(
        [&](GrDesc* g) { down = WRSetScrollGraph(g, slot, 4, 0.3f, 0, 1, nullptr, nullptr, nullptr); });
    ASSERT_NE(step, 0);
    ASSERT_NE(down, 0);
    for (int i = 0; i < 60; ++i)
    {
        const float v[2] = {Wave(i), 100 - Wave(i)};
        WRUpdateData(slot, v, nullptr);
        if (i == 10 || i == 26 || i == 59)
        {
            ExpectLikeRepaint(across, "scroll_steps_" + std::to_string(i));
            ExpectLikeRepaint(along, "scroll_down_" + std::to_string(i));
        }
    }
    EXPECT_EQ(Record(across, step)->scrolled, 1);
    EXPECT_EQ(Record(along, down)->scrolled, 1);
}

TEST_F(GraphsTest, TracesArePickedNearTheirPoints)
{
    const int slot = DefineSet(2);
    WORD scroll = 0, xy = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            scroll = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, nullptr, nullptr, nullptr);
            xy = WRSetXYGraph(g, slot, 30, nullptr, nullptr, nullptr);
        });
    for (int i = 0; i < 10; ++i)
    {
        const float v[2] = {static_cast<float>(10 + 5 * i), 50};
        WRUpdateData(slot, v, graph);
    }
    const RtObjectType* kind = FindRtType(RT_TYPE_SCROLL);
    ASSERT_NE(kind->hitLine, nullptr);
    ScrollDesc* s = Record(graph, scroll);
    const POINT onTrace{s->coords[3].x, s->pixels[3 * 2 + 1]};
    EXPECT_TRUE(kind->hitLine(graph, &s->r.rt, onTrace, 2));
    EXPECT_FALSE(kind->hitLine(graph, &s->r.rt, POINT{onTrace.x, graph->plot.top}, 2));
    ScrollDesc* x = Record(graph, xy);
    const POINT onPair{x->xPixels[4], x->pixels[4]};
    EXPECT_TRUE(FindRtType(RT_TYPE_XY)->hitLine(graph, &x->r.rt, onPair, 2));
    EXPECT_FALSE(FindRtType(RT_TYPE_XY)->hitLine(graph, &x->r.rt, POINT{onPair.x, graph->plot.bottom}, 2));
}

TEST_F(GraphsTest, KeptFractionIsCappedAndZeroKeepsNothing)
{
    const int slot = DefineSet(1);
    WORD capped = 0, none = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            capped = WRSetScrollGraph(g, slot, 100.0f / 60, 1.0f, 1, 0, nullptr, nullptr, nullptr);
            none = WRSetScrollGraph(g, slot, 100.0f / 60, 0.0f, 1, 0, nullptr, nullptr, nullptr);
        });
    EXPECT_EQ(Record(graph, capped)->kept, 59) << "each jump moves by one sample";
    EXPECT_EQ(Record(graph, none)->kept, 0);
    Feed(slot, graph, 0, 62, Wave);
    // At the jump the capped graph keeps 59 positions and adds the new sample after them; the other
    // keeps only the newest sample before the new one.
    EXPECT_EQ(Record(graph, capped)->position, 61);
    EXPECT_EQ(Record(graph, capped)->start, 1);
    EXPECT_EQ(Record(graph, none)->position, 2);
}

TEST_F(GraphsTest, CreatorsRefuseWhatCannotMakeAScreen)
{
    const int one = DefineSet(1), pair = DefineSet(2);
    RangedGraph(
        [&](GrDesc* g)
        {
            const int before = g->cursor;
            EXPECT_EQ(WRSetScrollGraph(g, one, 0, 0.5f, 1, 0, nullptr, nullptr, nullptr), 0) << "interval 0";
            EXPECT_EQ(WRSetScrollGraph(g, one, -1, 0.5f, 1, 0, nullptr, nullptr, nullptr), 0);
            EXPECT_EQ(WRSetScrollGraph(g, one, 0.001f, 0.5f, 1, 0, nullptr, nullptr, nullptr), 0)
                << "too many points";
            EXPECT_EQ(WRSetSweepGraph(g, one, 0, 1, 0, 3, nullptr, nullptr, nullptr), 0);
            EXPECT_EQ(WRSetStackedGraph(g, one, 0, 0.5f, 1, 0, 1, nullptr, nullptr, nullptr), 0);
            EXPECT_EQ(WRSetXYGraph(g, one, 100, nullptr, nullptr, nullptr), 0) << "no pair in the set";
            EXPECT_EQ(WRSetXYGraph(g, pair, 1, nullptr, nullptr, nullptr), 0) << "one point";
            EXPECT_EQ(WRSetScrollGraph(g, 77, 1, 0.5f, 1, 0, nullptr, nullptr, nullptr), 0) << "free slot";
            EXPECT_EQ(g->cursor, before) << "nothing half-made stays";
            EXPECT_EQ(GetDynDataSet(one)->useCount, 0);
        });
}

TEST_F(GraphsTest, XYGraphDropsTheOldestLikeARepaint)
{
    const int slot = DefineSet(2, 1000);
    WORD number = 0;
    GrDesc* graph =
        WhiteGraph([&](GrDesc* g) { number = WRSetXYGraph(g, slot, 100, kRedIndex, kStyles, kWidths); });
    ASSERT_NE(number, 0);
    ScrollDesc* s = Record(graph, number);
    EXPECT_EQ(s->kept, 98);
    EXPECT_EQ(GetDynDataSet(slot)->xyPairs, 1u);
    auto sample = [&](int i)
    {
        const float v[2] = {static_cast<float>(5 + (i * 7) % 90), Wave(i)};
        WRUpdateData(slot, v, graph);
    };
    for (int i = 0; i < 250; ++i)
    {
        sample(i);
        if (i == 1 || i == 50 || i == 99 || i == 100 || i == 101 || i == 249)
            ExpectLikeRepaint(graph, "xy_" + std::to_string(i));
    }
    // Past 100 samples the screen shows 99 or 100 of them, the oldest dropping off.
    EXPECT_EQ(s->scrolled, 1);
    EXPECT_GE(s->position, 99);
    EXPECT_LE(s->position, 100);
}

TEST_F(GraphsTest, AscendingXYGraphLeavesNoLineBackAcrossThePlot)
{
    const int slot = DefineSet(2);
    WORD ascending = 0;
    GrDesc* graph = WhiteGraph([&](GrDesc* g)
                               { ascending = WRSetAscendXYGraph(g, slot, 60, kRedIndex, kStyles, kWidths); });
    ASSERT_NE(ascending, 0);
    // Two sweeps of x, the second one lower: a joined trace would run back from x 90 to x 10.
    for (int i = 0; i < 80; ++i)
    {
        const float v[2] = {static_cast<float>(10 + (i % 40) * 2), i < 40 ? 80.0f : 20.0f};
        WRUpdateData(slot, v, graph);
    }
    const Image image = ExpectLikeRepaint(graph, "xy_ascending");
    const Extent trace = ExtentOf(image, kRed);
    ASSERT_GT(trace.count, 0);
    // Only the two horizontal runs: no red between their rows.
    const int middle = (trace.top + trace.bottom) / 2;
    EXPECT_EQ(image.CountColor(kRed, trace.left, middle - 20, trace.right + 1, middle + 20), 0);
}

TEST_F(GraphsTest, AnXYGraphFollowsItsAxesWhenTheyAreRescaled)
{
    const int slot = DefineSet(2);
    WORD number = 0;
    GrDesc* graph =
        WhiteGraph([&](GrDesc* g) { number = WRSetAscendXYGraph(g, slot, 60, kRedIndex, kStyles, kWidths); });
    ASSERT_NE(number, 0);
    // A log pressure-like axis: its range lives in its log bounds.
    auto* y = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, 2, nullptr));
    y->scale = 1;
    y->logMin = 1;
    y->logMax = 100;
    for (int i = 0; i < 41; ++i)
    {
        const float v[2] = {10.0f + 2.0f * i, 100.0f};
        WRUpdateData(slot, v, graph);
    }
    // Zoomed out along x, and the pressure range widened to four decades.
    ASSERT_EQ(WGChangeAxisRange(graph, 1, 0, 200, FALSE), 1);
    ASSERT_EQ(WGChangeAxisRange(graph, 2, 1, 10000, FALSE), 1);
    const Image image = Repainted(graph);
    const Extent trace = ExtentOf(image, kRed);
    ASSERT_GT(trace.count, 0);
    // The plot spans 0.1..0.9 of the graph: x 10..90 of 0..200 and 100 half-way up four decades.
    EXPECT_NEAR(trace.left, image.width * (0.1 + 0.8 * 0.05), 3);
    EXPECT_NEAR(trace.right, image.width * (0.1 + 0.8 * 0.45), 3);
    EXPECT_NEAR(trace.top, image.height * 0.5, 3);
}

TEST_F(GraphsTest, StackedAndLogicGraphsDrawInTheirBands)
{
    const int values = DefineSet(3), bits = DefineSet(1);
    WORD stacked = 0, logic = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        { stacked = WRSetStackedGraph(g, values, 2, 0.5f, 1, 0, 0.5f, kStyles, kWidths, kRedIndex); });
    GrDesc* lanes =
        WhiteGraph([&](GrDesc* g)
                   { logic = WRSetLogicGraph(g, bits, 2, 0.5f, 1, 2, 2.0f, kStyles, kWidths, kRedIndex); });
    ASSERT_NE(stacked, 0);
    ASSERT_NE(logic, 0);
    EXPECT_EQ(Record(graph, stacked)->bandFraction, 0.5f);
    EXPECT_EQ(Record(lanes, logic)->bandFraction, 1.0f) << "outside (0, 1] the bands share the whole plot";
    EXPECT_EQ(Record(lanes, logic)->lineMode, 2);
    for (int i = 0; i < 70; ++i)
    {
        const float v[3] = {0.5f, Wave(i) / 100, 1.0f};
        WRUpdateData(values, v, graph);
        WRUpdateBinaryData(bits, static_cast<WORD>((i / 3) & 3), lanes);
        if (i == 5 || i == 50 || i == 51 || i == 69)
        {
            ExpectLikeRepaint(graph, "stacked_" + std::to_string(i));
            ExpectLikeRepaint(lanes, "logic_" + std::to_string(i));
        }
    }
    // Channel 0 (red) lies in the top band of the stacked graph, channel 1 (blue) below it.
    ScrollDesc* s = Record(graph, stacked);
    const int band = s->bandSize;
    EXPECT_EQ(s->pixels[s->ringIndex * 3 + 0],
              graph->plot.bottom - 2 * band - band / 10 - static_cast<int>(band * 0.8) / 2);
    EXPECT_EQ(s->pixels[s->ringIndex * 3 + 2], graph->plot.bottom - band / 10 - static_cast<int>(band * 0.8));
    // Logic lanes: a set bit lifts its lane by 80% of the band.
    ScrollDesc* l = Record(lanes, logic);
    UINT word = 0;
    std::memcpy(&word, l->values + l->ringIndex, sizeof word);
    const int lane = l->bandSize;
    EXPECT_EQ(l->pixels[l->ringIndex * 2 + 1],
              lanes->plot.bottom - lane / 10 - ((word & 2) ? static_cast<int>(lane * 0.8) : 0));
}

TEST_F(GraphsTest, UpdatingBitsAdvancesOnlyTheLogicGraphsOfThatSet)
{
    const int a = DefineSet(1), b = DefineSet(1);
    WORD logicA = 0, logicB = 0, scrollA = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            logicA = WRSetLogicGraph(g, a, 2, 0.5f, 1, 4, 1, nullptr, nullptr, nullptr);
            logicB = WRSetLogicGraph(g, b, 2, 0.5f, 1, 4, 1, nullptr, nullptr, nullptr);
            scrollA = WRSetScrollGraph(g, a, 2, 0.5f, 1, 0, nullptr, nullptr, nullptr);
        });
    WRUpdateBinaryData(a, 5, graph);
    WRSetBit(a, 1, 1, graph);
    EXPECT_EQ(Record(graph, logicA)->position, 2);
    EXPECT_EQ(Record(graph, logicB)->position, 0);
    EXPECT_EQ(Record(graph, scrollA)->position, 0);
}

TEST_F(GraphsTest, SweepGraphRestartsAtTheEdgeLikeARepaint)
{
    const int slot = DefineSet(1);
    WORD hidden = 0, shown = 0;
    GrDesc* plain = WhiteGraph(
        [&](GrDesc* g)
        { hidden = WRSetSweepGraph(g, slot, 100.0f / 60, 1, 0, -1, kStyles, kWidths, kRedIndex); });
    GrDesc* lined = WhiteGraph(
        [&](GrDesc* g)
        { shown = WRSetSweepGraph(g, slot, 100.0f / 40, 1, 2, 0, kStyles, kWidths, kRedIndex + 1); });
    ASSERT_NE(hidden, 0);
    ASSERT_NE(shown, 0);
    ScrollDesc* s = Record(plain, hidden);
    EXPECT_EQ(s->points, 61);
    for (int i = 0; i < 150; ++i)
    {
        const float v = Wave(i);
        WRUpdateData(slot, &v, nullptr);
        if (i == 30 || i == 60 || i == 61 || i == 90 || i == 149)
        {
            ExpectLikeRepaint(plain, "sweep_" + std::to_string(i));
            ExpectLikeRepaint(lined, "sweep_line_" + std::to_string(i));
        }
    }
    // 150 samples over 61 positions: the third sweep has written 28.
    EXPECT_EQ(s->scrolled, 1);
    EXPECT_EQ(s->position, 150 - 122);
    EXPECT_FLOAT_EQ(s->values[27], Wave(149));
    // The sweep line (black) stands at the newest position of the second graph.
    const Image image = Shown(lined);
    EXPECT_GT(ExtentOf(image, RGB(0, 0, 0)).count, 100);
}

TEST_F(GraphsTest, VariableScrollGraphTakesItsTimeStepsFromTheData)
{
    const int slot = DefineSet(2);
    WORD number = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { number = WRSetVarScroll(g, slot, 1.0f, 1, 0, kStyles, kWidths, kRedIndex); });
    ASSERT_NE(number, 0);
    ScrollDesc* s = Record(graph, number);
    EXPECT_EQ(s->points, 31);
    EXPECT_GT(s->jumpSpan, 0) << "a kept fraction of 1 is capped";
    // 40 samples 1 unit apart fit the range of 100: the screen grows instead of jumping.
    for (int i = 0; i < 40; ++i)
    {
        const float v[2] = {Wave(i), 1};
        WRUpdateData(slot, v, graph);
    }
    EXPECT_EQ(s->points, 41);
    EXPECT_EQ(s->position, 40);
    EXPECT_EQ(s->scrolled, 0);
    ExpectLikeRepaint(graph, "variable_grown");
    // A step far past the end jumps by whole jump spans and keeps the newest sample on screen.
    const float late[2] = {80, 250};
    WRUpdateData(slot, late, graph);
    EXPECT_EQ(s->scrolled, 1);
    const float newest = s->values[s->ringIndex * 2 + 1];
    EXPECT_GE(newest, 0);
    EXPECT_LE(newest, 100);
    ExpectLikeRepaint(graph, "variable_jump");
    for (int i = 0; i < 120; ++i)
    {
        const float v[2] = {Wave(i), 0.5f + (i % 5)};
        WRUpdateData(slot, v, graph);
    }
    ExpectLikeRepaint(graph, "variable_more");
    float used = 0;
    EXPECT_EQ(WRShowHist(graph, number, -10, 0, &used), 0) << "no history view";
}

// ---- History view ---------------------------------------------------------------------------------

float Index(int i)
{
    return static_cast<float>(i);
}

float Quarter(int i)
{
    return i * 0.25f;
}

TEST_F(GraphsTest, HistoryViewShowsMovesAndResumes)
{
    const int slot = DefineSet(1, 500);
    WORD number = 0;
    // 51 positions, 2 s per sample; sample i has the value i % 100 so that windows can be told apart.
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { number = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, kStyles, kWidths, kRedIndex); });
    ScrollDesc* s = Record(graph, number);
    float used = -1;
    EXPECT_EQ(WRShowHist(graph, number, -10, 0, &used), 0) << "the screen was never full";
    auto value = [](int i) { return static_cast<float>(i % 100); };
    for (int i = 0; i < 200; ++i)
    {
        const float v = value(i);
        WRUpdateData(slot, &v, graph);
    }
    const int live = s->position;

    // 30 s back = 15 samples: the newest shown is sample 199 - 15.
    ASSERT_EQ(WRShowHist(graph, number, -30, 100, &used), 1);
    EXPECT_FLOAT_EQ(used, 30);
    EXPECT_EQ(s->frozen, 1);
    EXPECT_EQ(s->position, 51);
    EXPECT_FLOAT_EQ(s->values[50], value(184));
    EXPECT_FLOAT_EQ(s->values[0], value(134));
    ExpectLikeRepaint(graph, "history_shown");

    // Live samples go on into the set but are not drawn.
    for (int i = 200; i < 210; ++i)
    {
        const float v = value(i);
        WRUpdateData(slot, &v, graph);
    }
    EXPECT_FLOAT_EQ(s->values[50], value(184));
    EXPECT_EQ(GetDynDataSet(slot)->writeIndex, 210u);

    float moved = -1;
    EXPECT_EQ(WRMoveHistScroll(graph, number, 0.9f, &moved), 0) << "less than half a sample";
    EXPECT_EQ(moved, 0);
    ASSERT_EQ(WRMoveHistScroll(graph, number, -2, &moved), 1) << "one sample older, in place";
    EXPECT_FLOAT_EQ(moved, -2);
    EXPECT_FLOAT_EQ(s->values[50], value(183));
    ExpectLikeRepaint(graph, "history_step");
    ASSERT_EQ(WRMoveHistScroll(graph, number, 20, &moved), 1);
    EXPECT_FLOAT_EQ(moved, 20);
    EXPECT_FLOAT_EQ(s->values[50], value(193));
    // Far toward newer: clamped to the newest window of the frozen copy.
    ASSERT_EQ(WRMoveHistScroll(graph, number, 60, &moved), 1);
    EXPECT_FLOAT_EQ(s->values[50], value(199));
    EXPECT_EQ(s->oldestShown, 50);
    // Far toward older: clamped to the oldest samples held.
    ASSERT_EQ(WRMoveHistScroll(graph, number, -10000, &moved), 1);
    EXPECT_FLOAT_EQ(s->values[0], value(0));
    ExpectLikeRepaint(graph, "history_oldest");

    ASSERT_EQ(WRResumeScroll(graph, number), 1);
    EXPECT_EQ(s->frozen, 0);
    EXPECT_EQ(s->r.rt.dataSet, GetDynDataSet(slot));
    EXPECT_FLOAT_EQ(s->values[s->ringIndex], value(209)) << "nothing lost while frozen";
    EXPECT_EQ(WRResumeScroll(graph, number), 0);
    ExpectLikeRepaint(graph, "history_resumed");
    const float v = 42;
    WRUpdateData(slot, &v, graph);
    EXPECT_FLOAT_EQ(s->values[s->ringIndex], 42);
    ExpectLikeRepaint(graph, "history_live_again");
    (void)live;
}

// What the scroll graphs asked of the time labels.
std::vector<std::string> labelCalls;

TEST_F(GraphsTest, TimeLabelsFollowJumpsAndTheHistoryView)
{
    labelCalls.clear();
    TimeLabels().shift = [](GrDesc*, WORD labels, float delta) {
        labelCalls.push_back("shift " + std::to_string(labels) + " " +
                             std::to_string(static_cast<int>(delta)));
    };
    TimeLabels().freeze = [](GrDesc*, WORD labels, bool frozen)
    { labelCalls.push_back("freeze " + std::to_string(labels) + " " + std::to_string(frozen)); };
    const int slot = DefineSet(1, 300);
    WORD number = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { number = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, nullptr, nullptr, nullptr); });
    ScrollDesc* s = Record(graph, number);
    s->timeLabels[0] = 7; // as the time axis attaches its labels
    Feed(slot, graph, 0, 60, Index);
    EXPECT_EQ(labelCalls, (std::vector<std::string>{"shift 7 50"})) << "one jump of 50 s";
    EXPECT_EQ(s->position, 35);
    labelCalls.clear();
    float used = 0;
    ASSERT_EQ(WRShowHist(graph, number, -10, 0, &used), 1);
    // Back by the blank part of the screen (16 positions) and the 10 s asked for.
    EXPECT_EQ(labelCalls, (std::vector<std::string>{"freeze 7 1", "shift 7 -42"}));
    labelCalls.clear();
    Feed(slot, graph, 60, 65, Index);
    ASSERT_EQ(WRResumeScroll(graph, number), 1);
    // 5 samples missed, less the 16 positions that were still blank at the freeze.
    EXPECT_EQ(labelCalls, (std::vector<std::string>{"freeze 7 0", "shift 7 -22"}));
    TimeLabels() = TimeLabelHooks{};
}

TEST_F(GraphsTest, HistoryOfARingShorterThanTheScreenNeverGoesNegative)
{
    const int slot = DefineSet(1, 20);
    WORD number = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { number = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, nullptr, nullptr, nullptr); });
    ScrollDesc* s = Record(graph, number);
    Feed(slot, graph, 0, 60, Index);
    float used = -1;
    ASSERT_EQ(WRShowHist(graph, number, -1000, 0, &used), 1);
    EXPECT_EQ(used, 0);
    EXPECT_EQ(s->position, 20);
    EXPECT_FLOAT_EQ(s->values[0], 40);
    EXPECT_FLOAT_EQ(s->values[19], 59);
    float moved = -1;
    EXPECT_EQ(WRMoveHistScroll(graph, number, -10, &moved), 0);
    EXPECT_EQ(WRMoveHistScroll(graph, number, 10, &moved), 0);
    ExpectLikeRepaint(graph, "history_short_ring");
    EXPECT_EQ(WRResumeScroll(graph, number), 1);
}

TEST_F(GraphsTest, HistoryCallsReportBadObjectsAndSetsWithoutHistory)
{
    const int slot = DefineSet(1);
    WORD number = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { number = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, nullptr, nullptr, nullptr); });
    Feed(slot, graph, 0, 60, Index);
    float used = 0;
    EXPECT_EQ(WRShowHist(graph, number, -10, 0, &used), 0) << "no history ring";
    EXPECT_EQ(WRShowHist(graph, 1, -10, 0, &used), 0) << "an axis";
    EXPECT_EQ(WRShowHist(graph, 99, -10, 0, &used), 0);
    EXPECT_EQ(WRResetScroll(graph, 1), 0);
    EXPECT_EQ(WRMoveHistScroll(graph, number, 1, nullptr), 0) << "not frozen";
    ASSERT_EQ(WRResetScroll(graph, number), 1);
    EXPECT_EQ(Record(graph, number)->position, 0);
    ExpectLikeRepaint(graph, "reset");
}

TEST_F(GraphsTest, DeletingAFrozenGraphReleasesTheLiveSet)
{
    const int slot = DefineSet(1, 300);
    WORD number = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { number = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, nullptr, nullptr, nullptr); });
    Feed(slot, graph, 0, 120, Index);
    float used = 0;
    ASSERT_EQ(WRShowHist(graph, number, -20, 0, &used), 1);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 1);
    WRDeleteRTObject(graph, number);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 0);
    EXPECT_EQ(WRFreeDynDataSet(slot), 1);
}

TEST_F(GraphsTest, ReconnectingAFrozenGraphReturnsItToLiveDrawing)
{
    const int first = DefineSet(1, 300), second = DefineSet(1, 300);
    WORD number = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { number = WRSetScrollGraph(g, first, 2, 0.5f, 1, 0, kStyles, kWidths, kRedIndex); });
    Feed(first, graph, 0, 120, Index);
    Feed(second, nullptr, 0, 80, Quarter);
    float used = 0;
    ASSERT_EQ(WRShowHist(graph, number, -20, 0, &used), 1);
    WRReconnectDynDataSet(graph, number, second);
    ScrollDesc* s = Record(graph, number);
    EXPECT_EQ(s->frozen, 0);
    EXPECT_EQ(s->r.rt.dataSet, GetDynDataSet(second));
    EXPECT_EQ(GetDynDataSet(first)->useCount, 0);
    EXPECT_EQ(GetDynDataSet(second)->useCount, 1);
    EXPECT_FLOAT_EQ(s->values[s->ringIndex], Quarter(79)) << "redrawn from the new set's history";
    ExpectLikeRepaint(graph, "reconnected");
}

TEST_F(GraphsTest, ChangingTheIntervalResamplesTheScreen)
{
    const int slot = DefineSet(1, 400);
    WORD number = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { number = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, kStyles, kWidths, kRedIndex); });
    ScrollDesc* s = Record(graph, number);
    Feed(slot, graph, 0, 200, Quarter);
    // Growing a full screen with enough history refills it from the history ring.
    ASSERT_EQ(WRChangeScrollGraph(graph, number, 1, 0.5f, 0), 1);
    EXPECT_EQ(s->points, 101);
    EXPECT_EQ(s->ringFull, 1);
    EXPECT_EQ(s->position, 101);
    EXPECT_FLOAT_EQ(s->values[100], Quarter(199));
    EXPECT_FLOAT_EQ(s->values[0], Quarter(99));
    ExpectLikeRepaint(graph, "resampled");
    // Shrinking keeps the newest samples in order.
    ASSERT_EQ(WRChangeScrollGraph(graph, number, 4, 0.5f, 0), 1);
    EXPECT_EQ(s->points, 26);
    EXPECT_FLOAT_EQ(s->values[25], Quarter(199));
    EXPECT_FLOAT_EQ(s->values[0], Quarter(174));
    ExpectLikeRepaint(graph, "resampled_shrunk");
    EXPECT_EQ(WRChangeScrollGraph(graph, number, 0, 0.5f, 0), 0) << "interval 0";
    float interval = 0, kept = 0;
    int mode = -1;
    ASSERT_EQ(WRGetScrollGraphParams(graph, number, &interval, &kept, &mode), 1);
    EXPECT_EQ(interval, 4);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(ClassifyRescale(10, 20, 5, 0, 0), 1);
    EXPECT_EQ(ClassifyRescale(10, 20, 10, 0, 1), 2);
    EXPECT_EQ(ClassifyRescale(10, 20, 10, 15, 1), 3);
    EXPECT_EQ(ClassifyRescale(10, 20, 10, 20, 1), 4);
    EXPECT_EQ(ClassifyRescale(20, 10, 15, 0, 0), 5);
    EXPECT_EQ(ClassifyRescale(20, 10, 5, 0, 1), 6);
}

// ---- The host's calls -----------------------------------------------------------------------------

// The leak display's trace: an ascending XY graph of (time, reading) pairs, its tables given as
// colours, styles and widths, scrolled back with minus seconds and the screen's length in seconds.
TEST_F(GraphsTest, HostTraceScrollsBackInHistory)
{
    const int pointsPerScreen = 600;
    const float secondsPerPoint = 0.5f;
    const int set = WRDefineDynDataSet("Leak", 2, "mbar l/s", nullptr, 5000);
    const int colours[] = {12}, styles[] = {0}, widths[] = {2};
    WORD trace = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g) { trace = WRSetAscendXYGraph(g, set, pointsPerScreen, colours, styles, widths); });
    ASSERT_NE(trace, 0);
    ScrollDesc* s = Record(graph, trace);
    EXPECT_EQ(s->pens[0].color, kRed);
    EXPECT_EQ(s->pens[0].style, 0);
    for (int i = 0; i < 1500; ++i)
    {
        const float reading[2] = {static_cast<float>(i % 100), i * 0.05f};
        WRUpdateData(set, reading, nullptr);
    }
    // ShowHistory(100 points): seconds back passed negative, then the window in seconds.
    float used = 0;
    const float seconds = 100 * secondsPerPoint;
    ASSERT_EQ(WRShowHist(graph, trace, -seconds, pointsPerScreen * secondsPerPoint, &used), 1);
    EXPECT_EQ(static_cast<int>(-(used / secondsPerPoint)), -100);
    EXPECT_FLOAT_EQ(s->values[(s->position - 1) * 2 + 1], 1399 * 0.05f);
    ExpectLikeRepaint(graph, "host_history");
    ASSERT_EQ(WRMoveHistScroll(graph, trace, -seconds, &used), 1);
    EXPECT_EQ(static_cast<int>(used / secondsPerPoint), -100);
    EXPECT_FLOAT_EQ(s->values[(s->position - 1) * 2 + 1], 1299 * 0.05f);
    ASSERT_EQ(WRResumeScroll(graph, trace), 1);
    EXPECT_FLOAT_EQ(s->values[(s->position - 1) * 2 + 1], 1499 * 0.05f);
    ExpectLikeRepaint(graph, "host_resumed");
    ASSERT_EQ(WRResetScroll(graph, trace), 1);
    EXPECT_EQ(WRResetHistBuffer(set), 1);
    EXPECT_EQ(s->position, 0);
}

} // namespace
} // namespace trendkit::test
