// Dynamic data sets: definition and its limits, the history ring and its readers, the bit word,
// block updates, the fan-out to bound objects and the use counts.
#include "TrendkitFixture.h"

#include <cstring>

namespace trendkit::test
{
namespace
{

// A stand-in for the scroll-type graphs (type 103): records every update it gets and the value it saw.
struct Seen
{
    WORD number;
    float value;
};
std::vector<Seen> seen;

void RecordUpdate(GrDesc* graph, RtObjDesc* object)
{
    for (int n = 1; n <= graph->capacity; ++n)
        if (GetObjDesc(graph, n, nullptr) == &object->head)
            seen.push_back({static_cast<WORD>(n), object->dataSet ? object->dataSet->current[0] : 0});
}

class DataSetsTest : public TrendkitTest
{
protected:
    void SetUp() override
    {
        TrendkitTest::SetUp();
        RtObjectType scroll;
        scroll.type = RT_TYPE_SCROLL;
        scroll.size = sizeof(RtRangedDesc);
        RegisterRtType(scroll);
        seen.clear();
    }

    // A bound object of `type` as a creator makes it: counted, flagged, holding the set.
    static WORD AddBound(GrDesc* graph, int type, int subtype, int slot)
    {
        RtObjDesc* object = AllocRTObject(graph, type, static_cast<WORD>(subtype));
        object->update = RecordUpdate;
        object->dataSet = GetDynDataSet(slot);
        const WORD number = CommitRTObject(graph);
        ++graph->realTimeCount;
        graph->page->hasRealTimeObjects = 1;
        ++object->dataSet->useCount;
        return number;
    }
};

TEST_F(DataSetsTest, DefinitionNamesUnitsAndLabels)
{
    const char labels[] = "Nitrogen        Water vapour    CO2   ";
    const int slot = WRDefineDynDataSet(nullptr, 3, "mbar (abs.) long", labels, 0);
    ASSERT_EQ(slot, 1);
    DynDataSetDesc* set = GetDynDataSet(slot);
    EXPECT_STREQ(set->name, "Dynamic Data Set # 1");
    EXPECT_STREQ(set->units, "mbar (abs.");
    EXPECT_STREQ(set->labels[0], "Nitrogen");
    EXPECT_STREQ(set->labels[1], "Water vapour");
    EXPECT_STREQ(set->labels[2], "CO2");
    EXPECT_EQ(set->ring, nullptr);

    const std::string longName(60, 'n');
    const int second = WRDefineDynDataSet(longName.c_str(), 1, "", "", 4);
    EXPECT_EQ(std::string(GetDynDataSet(second)->name), longName.substr(0, 41));
    EXPECT_NE(GetDynDataSet(second)->ring, nullptr);

    // Value counts outside 1..32 are refused.
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal parameter for  - WRDefineDynDataSet").Reply(IDYES).Times(2);
    EXPECT_EQ(WRDefineDynDataSet("a", 0, nullptr, nullptr, 0), 0);
    EXPECT_EQ(WRDefineDynDataSet("a", 33, nullptr, nullptr, 0), 0);
}

TEST_F(DataSetsTest, SlotsRunOutAtOneHundredNinetyNine)
{
    for (int i = 1; i <= RT_MAX_DATASETS; ++i)
        ASSERT_EQ(DefineSet(1), i);
    EXPECT_EQ(DefineSet(1), 0);
    EXPECT_EQ(WRFreeDynDataSet(50), 1);
    EXPECT_EQ(DefineSet(1), 50);
    EXPECT_EQ(WRFreeDynDataSet(0), 0);
    EXPECT_EQ(WRFreeDynDataSet(200), 0);
}

TEST_F(DataSetsTest, ARingThatCannotBeMadeLeavesTheSlotFree)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Cannot allocate global memory").Reply(IDYES);
    EXPECT_EQ(WRDefineDynDataSet("huge", 32, nullptr, nullptr, 0xFFFFFFF0u), 0);
    EXPECT_EQ(GetDynDataSet(1), nullptr);
    EXPECT_EQ(DefineSet(1, 5), 1);
}

TEST_F(DataSetsTest, TheRingWrapsAndTheReadersFollowIt)
{
    const int slot = DefineSet(1, 5);
    for (float v = 1; v <= 7; ++v)
        WRUpdateData(slot, &v, nullptr);
    const DynDataSetDesc* set = GetDynDataSet(slot);
    EXPECT_EQ(set->wrapped, 1u);
    EXPECT_EQ(set->writeIndex, 2u);
    float current = 0, previous = 0;
    WRGetLastData(slot, &current, &previous);
    EXPECT_EQ(current, 7);
    EXPECT_EQ(previous, 6);

    struct Case
    {
        UINT back;
        int count;
        std::vector<float> out; // -1: left as it was
    } cases[] = {
        {5, 5, {3, 4, 5, 6, 7}},
        {2, 5, {6, 7, -1, -1, -1}},
        {1, 1, {7}},
        {0, 3, {-1, -1, -1}},
        // More asked than the ring holds: the samples end at the array's end.
        {9, 7, {-1, -1, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.back);
        std::vector<float> out(static_cast<size_t>(c.count), -1.0f);
        const int n = WRGetHistData(slot, 0, out.data(), c.back, c.count);
        EXPECT_EQ(n, static_cast<int>(std::min<UINT>(std::min<UINT>(c.back, 5), static_cast<UINT>(c.count))));
        EXPECT_EQ(out, c.out);
    }

    // An unwrapped ring gives what it has.
    const int fresh = DefineSet(1, 10);
    for (float v = 1; v <= 3; ++v)
        WRUpdateData(fresh, &v, nullptr);
    std::vector<float> out(10, -1.0f);
    EXPECT_EQ(WRGetHistData(fresh, 0, out.data(), 10, 10), 3);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 3), (std::vector<float>{1, 2, 3}));

    // Reset empties the ring and keeps the values.
    EXPECT_EQ(WRResetHistBuffer(slot), 1);
    EXPECT_EQ(WRGetHistData(slot, 0, out.data(), 5, 5), 0);
    WRGetLastData(slot, &current, nullptr);
    EXPECT_EQ(current, 7);
}

TEST_F(DataSetsTest, ReadersReportFreeSlotsMissingRingsAndBadIndexes)
{
    const int noRing = DefineSet(2);
    const int ring = DefineSet(2, 4);
    float out[4]{}, lo = 0, hi = 0;
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad data set handle").Reply(IDYES).Times(2);
    prompts.Expect("No history collection for data set ").Reply(IDYES).Times(3);
    prompts.Expect("Illegal parameter for  - WRGetHistData").Reply(IDYES).Times(2);
    EXPECT_EQ(WRGetHistData(99, 0, out, 1, 1), 0);
    EXPECT_EQ(WRGetMinMaxValues(99, 0, &lo, &hi), 0);
    EXPECT_EQ(WRGetHistData(noRing, 0, out, 1, 1), 0);
    EXPECT_EQ(WRGetMinMaxValues(noRing, 0, &lo, &hi), 0);
    EXPECT_EQ(WRGetMinMaxValues(ring, -1, &lo, &hi), 0); // no sample yet
    EXPECT_EQ(WRGetHistData(ring, 2, out, 1, 1), 0);
    EXPECT_EQ(WRGetHistData(ring, -1, out, 1, 1), 0);
}

TEST_F(DataSetsTest, MinimumAndMaximumOverOneOrAllValues)
{
    const int slot = DefineSet(2, 4);
    const float a[] = {1, 5}, b[] = {-2, 3};
    WRUpdateData(slot, a, nullptr);
    WRUpdateData(slot, b, nullptr);
    float lo = 0, hi = 0;
    EXPECT_EQ(WRGetMinMaxValues(slot, -1, &lo, &hi), 1);
    EXPECT_EQ(lo, -2);
    EXPECT_EQ(hi, 5);
    EXPECT_EQ(WRGetMinMaxValues(slot, 1, &lo, &hi), 1);
    EXPECT_EQ(lo, 3);
    EXPECT_EQ(hi, 5);
}

TEST_F(DataSetsTest, TheBitWordTakesEveryBitOfItsArgument)
{
    const int slot = DefineSet(1);
    WRSetBit(slot, 20, 1, nullptr);
    WRSetBit(slot, 3, 1, nullptr);
    EXPECT_EQ(WRGetBinData(slot), (1u << 20) | (1u << 3));
    WRSetBit(slot, 20, 0, nullptr);
    EXPECT_EQ(WRGetBinData(slot), 1u << 3);
    WRSetBitExclusive(slot, 31, nullptr);
    EXPECT_EQ(WRGetBinData(slot), 1u << 31);
    EXPECT_EQ(GetDynDataSet(slot)->previousBits, 1u << 3);
    WRSetBit(slot, 32, 1, nullptr);
    WRSetBit(slot, -1, 1, nullptr);
    WRSetBitExclusive(slot, 40, nullptr);
    EXPECT_EQ(WRGetBinData(slot), 1u << 31);
    // The 16-bit update takes 16 bits.
    WRUpdateBinaryData(slot, 0xFFFF, nullptr);
    EXPECT_EQ(WRGetBinData(slot), 0xFFFFu);
    EXPECT_EQ(WRGetBinData(77), 0u);
}

TEST_F(DataSetsTest, UpdatesReachTheBoundObjectsOfEveryPage)
{
    const int a = DefineSet(1), b = DefineSet(1);
    GrDesc* first = RangedGraph([&](GrDesc* g) { AddBound(g, RT_TYPE_SCROLL, 1, a); });
    GrDesc* second = RangedGraph(
        [&](GrDesc* g)
        {
            AddBound(g, RT_TYPE_SCROLL, 1, b);
            AddBound(g, RT_TYPE_SCROLL, 1, a);
        });
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const float v = 4;
    WRUpdateData(a, &v, nullptr);
    ASSERT_EQ(seen.size(), 2u); // object 3 of each graph (1 and 2 are the axes)
    EXPECT_EQ(seen[0].number, 3);
    EXPECT_EQ(seen[1].number, 4);
    seen.clear();
    WRUpdateData(a, &v, first);
    EXPECT_EQ(seen.size(), 1u);

    // A hidden object is left alone.
    seen.clear();
    GetObjDesc(second, 4, nullptr)->visible = 0;
    WRUpdateData(a, &v, nullptr);
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(DataSetsTest, BitWordsAdvanceOnlyTheLogicGraphsOfTheirSet)
{
    const int a = DefineSet(1), b = DefineSet(1);
    RangedGraph(
        [&](GrDesc* g)
        {
            EXPECT_EQ(AddBound(g, RT_TYPE_SCROLL, 4, a), 3);
            EXPECT_EQ(AddBound(g, RT_TYPE_SCROLL, 4, b), 4);
            EXPECT_EQ(AddBound(g, RT_TYPE_SCROLL, 1, a), 5); // not a logic graph
        });
    WRSetBit(a, 2, 1, nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].number, 3);
}

TEST_F(DataSetsTest, ABlockFeedsEverySampleAndLeavesTheSetOnItsLast)
{
    const int slot = DefineSet(1, 8);
    WRSetAlarmProc(RecordAlarm);
    WRSetAlarm(slot, RT_ALARM_HIGH, 10, "High");
    RangedGraph([&](GrDesc* g) { AddBound(g, RT_TYPE_SCROLL, 1, slot); });
    const float block[] = {1, 2, 11};
    WRUpdateBlockData(slot, block, 3, nullptr);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].value, 11);
    float current = 0, previous = 0;
    WRGetLastData(slot, &current, &previous);
    EXPECT_EQ(current, 11);
    EXPECT_EQ(previous, 2);
    // The alarm check judged the block's last sample.
    EXPECT_EQ(AlarmCalls(), (std::vector<AlarmCall>{{slot, 0, RT_ALARM_HIGH, 11, 1}}));
    std::vector<float> out(3);
    EXPECT_EQ(WRGetHistData(slot, 0, out.data(), 3, 3), 3);
    EXPECT_EQ(out, (std::vector<float>{1, 2, 11}));

    // Empty and negative blocks are refused.
    WRUpdateBlockData(slot, block, 0, nullptr);
    WRUpdateBlockData(slot, block, -4, nullptr);
    EXPECT_EQ(GetDynDataSet(slot)->writeIndex, 3u);
}

TEST_F(DataSetsTest, BlocksOfPairsNeverRunPastTheSetsValues)
{
    const int slot = DefineSet(20, 4);
    DynDataSetDesc* set = GetDynDataSet(slot);
    set->xyPairs = 1;
    RangedGraph([&](GrDesc* g) { AddBound(g, RT_TYPE_SCROLL, 1, slot); });
    // Three samples of 20 (x, y) pairs, read with a stride of 20 floats: 80 floats in all.
    std::vector<float> samples(80);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(i);
    WRUpdateBlockData(slot, samples.data(), 3, nullptr);
    EXPECT_EQ(set->current[0], 40);
    EXPECT_EQ(set->current[31], 71);
    // The previous values hold sample 1, not the overhang of the current ones.
    EXPECT_EQ(set->previous[0], 20);
    EXPECT_EQ(set->previous[31], 51);
}

TEST_F(DataSetsTest, UseCountsFollowBindingReconnectingAndDeleting)
{
    const int a = DefineSet(1), b = DefineSet(1);
    WORD lines = 0;
    GrDesc* graph = RangedGraph([&](GrDesc* g)
                                { lines = WRSetAlarmLines(g, a, 0, 1, nullptr, nullptr, nullptr, nullptr); });
    ASSERT_NE(lines, 0);
    EXPECT_EQ(GetDynDataSet(a)->useCount, 1);
    EXPECT_EQ(WRFreeDynDataSet(a), 0);

    WRReconnectDynDataSet(graph, lines, b);
    EXPECT_EQ(GetDynDataSet(a)->useCount, 0);
    EXPECT_EQ(GetDynDataSet(b)->useCount, 1);
    WRReconnectDynDataSet(graph, lines, b); // the same set: nothing changes
    EXPECT_EQ(GetDynDataSet(b)->useCount, 1);
    EXPECT_EQ(WRFreeDynDataSet(a), 1);

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad data set handle - WRReconnectDynDataSet").Reply(IDYES);
    prompts.Expect("Bad object handle - WRReconnectDynDataSet").Reply(IDYES);
    prompts.Expect("Illegal editing function for  - WRReconnectDynDataSet").Reply(IDYES);
    WRReconnectDynDataSet(graph, lines, a);
    WRReconnectDynDataSet(graph, 9, b);
    WRReconnectDynDataSet(graph, 1, b); // an axis

    WRDeleteRTObject(graph, lines);
    EXPECT_EQ(GetDynDataSet(b)->useCount, 0);
    EXPECT_EQ(WRFreeDynDataSet(b), 1);
}

} // namespace
} // namespace trendkit::test
