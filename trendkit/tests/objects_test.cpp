// The object core: creation only while a graph builds, table growth, record sizes, updates of hidden
// or missing objects, following an axis change, and editing with nothing selected.
#include "TrendkitFixture.h"

#include "win32/clock.h"

namespace trendkit::test
{
namespace
{

int updates = 0;
void CountUpdate(GrDesc*, RtObjDesc*)
{
    ++updates;
}

// A scroll graph stand-in that can show at most 50 units of time along X.
bool Within50(RtObjDesc*, float range)
{
    return range < 50;
}

using ObjectsTest = TrendkitTest;

TEST_F(ObjectsTest, ObjectsAreMadeOnlyWhileTheGraphBuilds)
{
    const int slot = DefineSet(1);
    GrDesc* graph = RangedGraph();
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Attempt to add a graphical object after the graph was created!").Reply(IDYES);
    EXPECT_EQ(WRSetAlarmLines(graph, slot, 0, 1, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(WGGetObjectType(graph, 3), 0);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 0);
}

TEST_F(ObjectsTest, WhileTheAbortFlagIsSetCreatorsFailSilently)
{
    const int slot = DefineSet(1);
    kel::testkit::ScriptedPrompts prompts;
    RangedGraph(
        [&](GrDesc* g)
        {
            top.abortFlag = 1;
            EXPECT_EQ(WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr), 0);
            top.abortFlag = 0;
        });
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(ObjectsTest, TheTwentyFirstObjectGrowsTheTable)
{
    const int slot = DefineSet(1);
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            for (int n = 3; n <= 21; ++n)
                EXPECT_EQ(WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr), n);
        });
    EXPECT_EQ(graph->capacity, 40);
    EXPECT_EQ(WGGetObjectType(graph, 21), RT_TYPE_ALARM_LINES);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 19);
}

TEST_F(ObjectsTest, RecordSizesByType)
{
    EXPECT_EQ(WRGetDynTypeSize(RT_TYPE_ALARM_LINES), sizeof(AlarmLinesDesc));
    EXPECT_EQ(WRGetDynTypeSize(RT_TYPE_ALARM_MARKS), sizeof(AlarmMarksDesc));
    EXPECT_EQ(WRGetDynTypeSize(RT_TYPE_DYN_TEXT), sizeof(DynTextDesc));
    EXPECT_EQ(WRGetDynTypeSize(PK_TYPE_AXIS), WGGetObjTypeSize(PK_TYPE_AXIS));
    EXPECT_EQ(WRGetDynTypeSize(PK_TYPE_TEXT), WGGetObjTypeSize(PK_TYPE_TEXT));
}

TEST_F(ObjectsTest, UpdatesSkipHiddenAndMissingObjects)
{
    const int slot = DefineSet(1);
    WORD number = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g) { number = WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr); });
    auto* object = reinterpret_cast<RtObjDesc*>(GetObjDesc(graph, number, nullptr));
    object->update = CountUpdate;
    updates = 0;
    WRUpdateObj(graph, number);
    EXPECT_EQ(updates, 1);
    object->head.visible = 0;
    WRUpdateObj(graph, number);
    WRUpdateObj(graph, 17);
    WRUpdateObj(graph, 1); // an axis: not a real-time object
    WRUpdateObj(nullptr, number);
    EXPECT_EQ(updates, 1);
}

TEST_F(ObjectsTest, LinesFollowTheirAxisAndARangeTooLargeIsTakenBack)
{
    RtObjectType scroll;
    scroll.type = RT_TYPE_SCROLL;
    scroll.size = sizeof(RtRangedDesc);
    scroll.checkRange = Within50;
    RegisterRtType(scroll);
    const int slot = DefineSet(1);
    WRSetAlarm(slot, RT_ALARM_HIGH, 50, "H");
    WORD lines = 0, chart = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            g->worldXTo = 40; // the chart shows 40 s of time along X
            EXPECT_EQ(AddAxis(g, 1), 3);
            g->worldXTo = 100;
            lines = WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr);
            g->worldXTo = 40;
            auto* r = reinterpret_cast<RtRangedDesc*>(AllocRTObject(g, RT_TYPE_SCROLL, 1));
            CopyGraphRanges(g, r);
            r->direction = 1;
            LinkAxes(g, r);
            chart = CommitRTObject(g);
        });
    auto* alarm = reinterpret_cast<AlarmLinesDesc*>(GetObjDesc(graph, lines, nullptr));
    auto* yAxis = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, 2, nullptr));
    const int before = alarm->lines[1].position;
    yAxis->yMax = 200;
    ForceLinesUpdate(graph, 1);
    EXPECT_EQ(alarm->r.yHigh, 200);
    EXPECT_EQ(alarm->r.ySpan, 200);
    EXPECT_GT(alarm->lines[1].position, before); // 50 is now lower on the plot

    auto* time = reinterpret_cast<AxisDesc*>(GetObjDesc(graph, 3, nullptr));
    auto* r = reinterpret_cast<RtRangedDesc*>(GetObjDesc(graph, chart, nullptr));
    time->xMax = 60;
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Range is too large").Reply(IDYES);
    ForceLinesUpdate(graph, 2);
    EXPECT_EQ(time->xMax, 40);
    EXPECT_EQ(r->xHigh, 40);
    time->xMax = 45;
    ForceLinesUpdate(graph, 2);
    EXPECT_EQ(r->xHigh, 45);
    EXPECT_EQ(r->xSpan, 45);
}

TEST_F(ObjectsTest, EditingWithNothingSelectedShowsTheQuestionAndCancels)
{
    GrDesc* graph = RangedGraph();
    kel::UseFakeClock();
    const DWORD start = GetTickCount();
    EXPECT_EQ(rtDefEditObject(graph), 2);
    EXPECT_GE(GetTickCount() - start, 300u);
    kel::UseRealClock();
    EXPECT_EQ(rtDefEditObject(nullptr), 2);
}

} // namespace
} // namespace trendkit::test
