// Accessors of alarm lines, alarm marks and text colours, with their checks.
#include "TrendkitFixture.h"

namespace trendkit::test
{
namespace
{

class AccessorsTest : public TrendkitTest
{
protected:
    void SetUp() override
    {
        TrendkitTest::SetUp();
        slot = DefineSet(1);
        WRSetAlarm(slot, RT_ALARM_HIGH, 10, "H");
        graph = RangedGraph(
            [&](GrDesc* g)
            {
                lines = WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr);
                marks = WRSetAlarmMarks(g, slot, 2, 2, 8, nullptr, 1, nullptr, nullptr);
                text = WRSetAlarmText(g, slot, 0, 0.1f, 0.1f, 0.5f, 0.2f, -1, 0, -1, nullptr, nullptr, 0, 0);
            });
    }

    int slot = 0;
    GrDesc* graph = nullptr;
    WORD lines = 0, marks = 0, text = 0;
};

TEST_F(AccessorsTest, AlarmLinesAndMarksAreShownAndHidden)
{
    EXPECT_EQ(WRGetAlarmLineState(graph, lines, 1), 1);
    EXPECT_EQ(WRGetAlarmLineState(graph, lines, 3), 0);
    EXPECT_EQ(WREnableAlarmLine(graph, lines, 3, 1), 1);
    EXPECT_EQ(WRGetAlarmLineState(graph, lines, 3), 1);
    EXPECT_EQ(WREnableAlarmLine(graph, marks, 0, 0), 1);
    EXPECT_EQ(WRGetAlarmLineState(graph, marks, 0), 0);
    // Another type has no lines: 0 without a message.
    EXPECT_EQ(WREnableAlarmLine(graph, text, 1, 1), 0);

    const std::string label(20, 'L');
    EXPECT_EQ(WRChangeAlarmMarks(graph, marks, label.c_str(), 4, 1), 1);
    char* got = nullptr;
    EXPECT_EQ(WRGetAlarmMarks(graph, marks, &got, 4), 1);
    EXPECT_EQ(std::string(got), label.substr(0, 11));
    EXPECT_EQ(WRChangeAlarmMarks(graph, marks, nullptr, 4, 0), 1);
    EXPECT_EQ(WRGetAlarmMarks(graph, marks, &got, 4), 0);
    EXPECT_EQ(std::string(got), label.substr(0, 11));
    EXPECT_EQ(WRChangeAlarmMarks(graph, lines, "x", 1, 1), 0); // lines have no labels
}

TEST_F(AccessorsTest, IndexesAndObjectsAreChecked)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal parameter for  - WRGetAlmLineState").Reply(IDYES).Times(2);
    prompts.Expect("Bad object handle - WRGetAlmLineState").Reply(IDYES);
    prompts.Expect("Illegal parameter for  - WREnableAlmLine").Reply(IDYES);
    prompts.Expect("Illegal parameter for  - WRGetAlmMarks").Reply(IDYES);
    prompts.Expect("Bad object handle - WRChangeAlmMarks").Reply(IDYES);
    EXPECT_EQ(WRGetAlarmLineState(graph, lines, 5), 0);
    EXPECT_EQ(WRGetAlarmLineState(graph, lines, -1), 0);
    EXPECT_EQ(WRGetAlarmLineState(graph, 19, 0), 0);
    EXPECT_EQ(WREnableAlarmLine(graph, lines, 7, 1), 0);
    EXPECT_EQ(WRGetAlarmMarks(graph, marks, nullptr, -3), 0);
    EXPECT_EQ(WRChangeAlarmMarks(graph, 19, "x", 0, 1), 0);
}

TEST_F(AccessorsTest, TextColoursByEntry)
{
    EXPECT_EQ(WRGetDynTextColor(graph, text, 1), 12);
    EXPECT_EQ(WRChangeDynTextColor(graph, text, 3, 1), 1);
    EXPECT_EQ(WRGetDynTextColor(graph, text, 1), 3);
    EXPECT_EQ(WRGetDynTextColor(nullptr, text, 1), 0);

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal editing function for ALARM LINES").Reply(IDYES);
    prompts.Expect("Bad object handle").Reply(IDYES);
    prompts.Expect("Illegal parameter for  - WRChangeDynTextColor").Reply(IDYES);
    prompts.Expect("Illegal parameter for  - WRGetDynTextColor").Reply(IDYES);
    EXPECT_EQ(WRGetDynTextColor(graph, lines, 0), 0);
    EXPECT_EQ(WRChangeDynTextColor(graph, 19, 1, 0), 0);
    EXPECT_EQ(WRChangeDynTextColor(graph, text, 1, 8), 0);
    EXPECT_EQ(WRGetDynTextColor(graph, text, -1), 0);
}

} // namespace
} // namespace trendkit::test
