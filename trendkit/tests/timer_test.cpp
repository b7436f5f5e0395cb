// The periodic update timer on the fake clock: first tick and period, one entry per object, the
// timer running only while the table holds an entry, a full table, and entries whose graph is gone.
#include "TrendkitFixture.h"

#include "win32/clock.h"

namespace trendkit::test
{
namespace
{

std::vector<DWORD> ticks; // the fake second of each update

void RecordTick(GrDesc*, RtObjDesc*)
{
    ticks.push_back(GetTickCount() / 1000);
}

class TimerTest : public TrendkitTest
{
protected:
    void SetUp() override
    {
        TrendkitTest::SetUp();
        kel::UseFakeClock();
        kel::SetFakeClock(100000);
        ticks.clear();
    }
    void TearDown() override
    {
        TrendkitTest::TearDown();
        kel::UseRealClock();
    }

    // A graph with `count` alarm lines objects (numbers 3 on), each updating into `ticks`.
    GrDesc* LinesGraph(int count)
    {
        const int slot = DefineSet(1);
        GrDesc* graph = RangedGraph(
            [&](GrDesc* g)
            {
                for (int i = 0; i < count; ++i)
                    WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr);
            });
        for (int n = 3; n < 3 + count; ++n)
            reinterpret_cast<RtObjDesc*>(GetObjDesc(graph, n, nullptr))->update = RecordTick;
        return graph;
    }

    // Moves fake time on one second at a time and lets the timer run.
    static void Seconds(int n)
    {
        for (int i = 0; i < n; ++i)
        {
            kel::AdvanceFakeClock(1000);
            Pump(5);
        }
    }

    static int Entries()
    {
        int n = 0;
        while (n < RT_UPDATE_ENTRIES && Lib().updates[n].used)
            ++n;
        return n;
    }
};

TEST_F(TimerTest, AnObjectIsUpdatedAtTheFirstTickAndThenEachPeriod)
{
    GrDesc* graph = LinesGraph(1);
    EXPECT_EQ(SetObjTimeUpdate(graph, 3, 5), 0);
    EXPECT_NE(Lib().timer, 0u);
    Seconds(11);
    EXPECT_EQ(ticks, (std::vector<DWORD>{101, 106, 111}));
}

TEST_F(TimerTest, OneEntryPerObjectAndTheTimerRunsOnlyWhileThereAreEntries)
{
    GrDesc* graph = LinesGraph(2);
    SetObjTimeUpdate(graph, 3, 1);
    SetObjTimeUpdate(graph, 3, 1);
    SetObjTimeUpdate(graph, 4, 1);
    EXPECT_EQ(Entries(), 2);
    WRStopObjTimeUpdate(graph, 3);
    EXPECT_EQ(Entries(), 1);
    EXPECT_EQ(Lib().updates[0].object, 4);
    EXPECT_NE(Lib().timer, 0u);
    WRStopObjTimeUpdate(graph, 4);
    EXPECT_EQ(Lib().timer, 0u);
    Seconds(2);
    EXPECT_TRUE(ticks.empty());
    SetObjTimeUpdate(graph, 4, 1);
    EXPECT_NE(Lib().timer, 0u);
    Seconds(1);
    EXPECT_EQ(ticks.size(), 1u);
}

TEST_F(TimerTest, AFullTableIgnoresMoreAndRemovingKeepsItPacked)
{
    GrDesc* graph = LinesGraph(201);
    for (int n = 3; n < 3 + 201; ++n)
        SetObjTimeUpdate(graph, static_cast<WORD>(n), 1);
    EXPECT_EQ(Entries(), 200);
    EXPECT_EQ(Lib().updates[199].object, 202);
    WRStopObjTimeUpdate(graph, 50);
    EXPECT_EQ(Entries(), 199);
    EXPECT_EQ(Lib().updates[198].object, 202);
    EXPECT_EQ(Lib().updates[47].object, 51);
}

TEST_F(TimerTest, OnlyAlarmLinesAndGridsAreServed)
{
    const int slot = DefineSet(1);
    WORD text = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        { text = WRSetAlarmText(g, slot, 0, 0.1f, 0.1f, 0.5f, 0.2f, -1, 0, -1, nullptr, nullptr, 0, 0); });
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal editing function for DYNAMIC TEXT").Reply(IDYES);
    prompts.Expect("Bad object handle").Reply(IDYES);
    SetObjTimeUpdate(graph, text, 1);
    SetObjTimeUpdate(graph, 30, 1);
    EXPECT_EQ(Entries(), 0);
    EXPECT_EQ(Lib().timer, 0u);
}

TEST_F(TimerTest, AnEntryWhoseGraphWentIsDroppedAtTheNextTick)
{
    GrDesc* graph = LinesGraph(1);
    SetObjTimeUpdate(graph, 3, 1);
    // The host deletes the graph through plotkit alone; the tick drops the entry without a word.
    WGDeleteGraph(graph);
    kel::testkit::ScriptedPrompts prompts;
    Seconds(1);
    EXPECT_TRUE(ticks.empty());
    EXPECT_EQ(Entries(), 0);
    EXPECT_EQ(Lib().timer, 0u);
}

TEST_F(TimerTest, DeletingObjectsAndCleanUpStopTheTimer)
{
    GrDesc* graph = LinesGraph(2);
    SetObjTimeUpdate(graph, 3, 1);
    WRDeleteRTObject(graph, 3);
    EXPECT_EQ(Lib().timer, 0u);
    SetObjTimeUpdate(graph, 4, 1);
    RTCleanup(&top);
    EXPECT_EQ(Lib().timer, 0u);
    EXPECT_EQ(Entries(), 0);
    Seconds(1);
    EXPECT_TRUE(ticks.empty());
}

} // namespace
} // namespace trendkit::test
