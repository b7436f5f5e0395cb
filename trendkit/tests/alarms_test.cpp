// Alarms: each kind coming on and going off with the alarm procedure's calls, the settings and
// their accessors, and the alarm lines, marks and text that show them.
#include "TrendkitFixture.h"

#include "testkit/Image.h"

#include <cstdlib>

namespace trendkit::test
{
namespace
{

using AlarmsTest = TrendkitTest;

struct Sequence
{
    const char* what;
    int kind;
    float limit;
    float hysteresis;
    float setpoint;
    std::vector<float> samples;
    std::vector<AlarmCall> calls; // slot 1, value 0
};

TEST_F(AlarmsTest, EachKindComesOnAndGoesOffWithItsDeadBand)
{
    const Sequence sequences[] = {
        {"high", RT_ALARM_HIGH, 10, 1, 0, {9, 10, 9.5f, 8.9f}, {{1, 0, 1, 10, 1}, {1, 0, 1, 8.9f, 0}}},
        {"low", RT_ALARM_LOW, 0, 0.5f, 0, {0, 0.4f, 0.6f}, {{1, 0, 2, 0, 1}, {1, 0, 2, 0.6f, 0}}},
        {"highhigh", RT_ALARM_HIGHHIGH, 20, 0, 0, {25, 19}, {{1, 0, 3, 25, 1}, {1, 0, 3, 19, 0}}},
        {"lowlow", RT_ALARM_LOWLOW, -5, 1, 0, {-6, -4.5f, -3.9f}, {{1, 0, 4, -6, 1}, {1, 0, 4, -3.9f, 0}}},
        // Rate: against the previous sample, no dead band.
        {"rate", RT_ALARM_RATE, 5, 3, 0, {0, 5, 6}, {{1, 0, 5, 5, 1}, {1, 0, 5, 6, 0}}},
        // Deviation from the setpoint with its own dead band (2 here).
        {"deviation", RT_ALARM_DEVIATION, 10, 0, 50, {61, 58, 57}, {{1, 0, 6, 61, 1}, {1, 0, 6, 57, 0}}},
    };
    WRSetAlarmProc(RecordAlarm);
    for (const Sequence& s : sequences)
    {
        SCOPED_TRACE(s.what);
        AlarmCalls().clear();
        const int slot = DefineSet(1);
        ASSERT_EQ(slot, 1);
        WRSetAlarmHyst(slot, s.hysteresis, 2);
        WRSetSetpoint(slot, s.setpoint);
        EXPECT_EQ(WRSetAlarm(slot, s.kind, s.limit, "alarm"), 1);
        for (float v : s.samples)
            WRUpdateData(slot, &v, nullptr);
        EXPECT_EQ(AlarmCalls(), s.calls);
        WRFreeDynDataSet(slot);
    }
}

TEST_F(AlarmsTest, HighAndHighHighAreIndependentAndHighComesFirst)
{
    WRSetAlarmProc(RecordAlarm);
    const int slot = DefineSet(2);
    WRSetAlarm(slot, RT_ALARM_HIGHHIGH, 20, "HH");
    WRSetAlarm(slot, RT_ALARM_HIGH, 10, "H");
    const float v[] = {0, 25};
    WRUpdateData(slot, v, nullptr);
    EXPECT_EQ(AlarmCalls(), (std::vector<AlarmCall>{{slot, 1, 1, 25, 1}, {slot, 1, 3, 25, 1}}));
    EXPECT_EQ(GetDynDataSet(slot)->currentAlarm[1], 0x05);
    EXPECT_EQ(GetDynDataSet(slot)->currentAlarm[0], 0);
}

TEST_F(AlarmsTest, SwitchingAKindOffEndsItsAlarmQuietly)
{
    WRSetAlarmProc(RecordAlarm);
    const int slot = DefineSet(1);
    WRSetAlarm(slot, RT_ALARM_HIGH, 10, "H");
    const float v = 12;
    WRUpdateData(slot, &v, nullptr);
    ASSERT_EQ(AlarmCalls().size(), 1u);
    EXPECT_EQ(WRChangeAlarm(slot, RT_ALARM_HIGH, 10, 0, "H"), 1);
    EXPECT_EQ(GetDynDataSet(slot)->currentAlarm[0], 0);
    WRUpdateData(slot, &v, nullptr);
    EXPECT_EQ(AlarmCalls().size(), 1u);
    float limit = 0;
    int enabled = -1;
    char* message = nullptr;
    EXPECT_EQ(WRGetAlarm(slot, RT_ALARM_HIGH, &limit, &enabled, &message), 1);
    EXPECT_EQ(limit, 10);
    EXPECT_EQ(enabled, 0);
    EXPECT_STREQ(message, "H");

    // Switching the check off and on calls nothing; a standing alarm is reported again when due.
    WRChangeAlarm(slot, RT_ALARM_HIGH, 10, 1, nullptr);
    WRUpdateData(slot, &v, nullptr);
    ASSERT_EQ(AlarmCalls().size(), 2u);
    WREnableAlarmCheck(slot, 0);
    EXPECT_EQ(GetDynDataSet(slot)->currentAlarm[0], 0);
    EXPECT_EQ(GetDynDataSet(slot)->previousAlarm[0], 1);
    WREnableAlarmCheck(slot, 1);
    EXPECT_EQ(AlarmCalls().size(), 2u);
    WRUpdateData(slot, &v, nullptr);
    EXPECT_EQ(AlarmCalls().size(), 3u);
}

TEST_F(AlarmsTest, SettingsAreCheckedAndTextsCut)
{
    const int slot = DefineSet(1);
    const std::string normal = "Everything fine, thanks.";
    EXPECT_EQ(WRSetAlarm(slot, 0, 0, normal.c_str()), 1);
    EXPECT_EQ(std::string(GetDynDataSet(slot)->normalMessage), normal.substr(0, 11));
    EXPECT_EQ(GetDynDataSet(slot)->alarmCheckOn, 0u); // kind 0 does not switch the check on
    const std::string long32(40, 'm');
    EXPECT_EQ(WRSetAlarm(slot, RT_ALARM_LOW, 1, long32.c_str()), 1);
    EXPECT_EQ(std::string(GetDynDataSet(slot)->alarms[1].message), long32.substr(0, 31));
    EXPECT_EQ(GetDynDataSet(slot)->alarmCheckOn, 1u);
    for (int kind : {-1, 8, -100})
    {
        EXPECT_EQ(WRSetAlarm(slot, kind, 1, "x"), 0) << kind;
        EXPECT_EQ(WRChangeAlarm(slot, kind, 1, 1, "x"), 0) << kind;
        EXPECT_EQ(WRGetAlarm(slot, kind, nullptr, nullptr, nullptr), 0) << kind;
    }
    EXPECT_EQ(WRSetAlarm(42, 1, 1, "x"), 0);
    EXPECT_EQ(WRSetSetpoint(42, 1), 0);
    char* message = nullptr;
    EXPECT_EQ(WRGetAlarm(slot, 0, nullptr, nullptr, &message), 1);
    EXPECT_EQ(std::string(message), normal.substr(0, 11));
}

TEST_F(AlarmsTest, LinesWithoutArraysShowTheSetpointAndTheEnabledLimits)
{
    const int slot = DefineSet(1);
    WRSetSetpoint(slot, 50);
    WRSetAlarm(slot, RT_ALARM_HIGH, 75, "High");
    WORD number = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g) { number = WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr); });
    ASSERT_EQ(number, 3);
    auto* lines = reinterpret_cast<AlarmLinesDesc*>(GetObjDesc(graph, number, nullptr));
    EXPECT_EQ(lines->lines[0].shown, 1);
    EXPECT_EQ(lines->lines[1].shown, 1);
    EXPECT_EQ(lines->lines[2].shown, 0); // Low is not enabled
    EXPECT_EQ(lines->lines[3].shown, 0);
    EXPECT_EQ(lines->lines[1].line.color, WGGetRGBColor(4));
    EXPECT_EQ(lines->r.rt.head.xAxis, 1);
    EXPECT_EQ(lines->r.rt.head.yAxis, 2);
    const RECT& plot = graph->plot;
    const int height = plot.bottom - plot.top;
    EXPECT_EQ(lines->lines[0].position, plot.bottom - static_cast<int>(50 * (height / 100.0f)));
    EXPECT_EQ(lines->lines[1].position, plot.bottom - static_cast<int>(75 * (height / 100.0f)));
    // The rectangle spans the shown limit lines, one pixel more on each side.
    EXPECT_EQ(lines->r.rt.head.extent.top, lines->lines[1].position - graph->unitsPerPixelY);
    EXPECT_EQ(lines->r.rt.head.extent.bottom, lines->lines[1].position + graph->unitsPerPixelY);

    // New limits move the lines.
    WRSetAlarm(slot, RT_ALARM_HIGH, 25, "High");
    EXPECT_EQ(lines->lines[1].position, plot.bottom - static_cast<int>(25 * (height / 100.0f)));
}

TEST_F(AlarmsTest, ChangedLimitsReachLinesOnEveryPageInUse)
{
    const int slot = DefineSet(1);
    WRSetAlarm(slot, RT_ALARM_HIGH, 75, "High");
    auto add = [slot](GrDesc* g) { WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr); };
    RangedGraph(add);
    GrDesc* middle = RangedGraph(add);
    GrDesc* last = RangedGraph(add);
    ASSERT_EQ(last->page->number, 3);
    HWND window = middle->page->window;
    KillRTPage(middle->page->number);
    DestroyWindow(window);
    auto* lines = reinterpret_cast<AlarmLinesDesc*>(GetObjDesc(last, 3, nullptr));
    const int before = lines->lines[1].position;
    WRSetAlarm(slot, RT_ALARM_HIGH, 20, "High");
    EXPECT_NE(lines->lines[1].position, before);
}

TEST_F(AlarmsTest, MarksTakeTheirLabelsAndSitBesideTheirAxis)
{
    const int slot = DefineSet(1);
    WRSetAlarm(slot, RT_ALARM_LOW, 30, "Low");
    WORD number = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            number = WRSetAlarmMarks(g, slot, 2, 2, 8, nullptr, 1, nullptr,
                                     "Set         High        Lower limit!");
            EXPECT_EQ(WRSetAlarmMarks(g, slot, 7, 2, 8, nullptr, 1, nullptr, nullptr), 0); // no such axis
        });
    ASSERT_NE(number, 0);
    auto* marks = reinterpret_cast<AlarmMarksDesc*>(GetObjDesc(graph, number, nullptr));
    EXPECT_EQ(marks->r.direction, 1);
    EXPECT_STREQ(marks->marks[0].label, "Set");
    EXPECT_STREQ(marks->marks[1].label, "High");
    EXPECT_STREQ(marks->marks[2].label, "Lower limit");
    EXPECT_STREQ(marks->marks[3].label, "");
    EXPECT_EQ(marks->marks[2].shown, 1);
    EXPECT_EQ(marks->enlargedSize, 14);
    EXPECT_EQ(marks->axis, 2);

    // plotkit's re-scale after a size change reaches the marks' label font through trendkit's hook.
    RTRemoteRecalc(graph, graph->buildDc, &marks->r.rt.head, 2.0f);
    EXPECT_EQ(marks->enlargedSize, 28);
    EXPECT_EQ(marks->pointSize, 16);
    EXPECT_EQ(marks->font.logFont.lfHeight, -PointsToLogSize(graph, graph->buildDc, 28));
    RTRemoteRecalc(graph, graph->buildDc, &marks->r.rt.head, 0.01f);
    EXPECT_EQ(marks->enlargedSize, 1);
    EXPECT_EQ(marks->pointSize, 1);
}

TEST_F(AlarmsTest, AlarmTextIsCheckedAndNamesTheStandingAlarm)
{
    const int slot = DefineSet(2);
    WRSetAlarm(slot, RT_ALARM_HIGH, 10, "Too high");
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Bad data set handle - WRSetAlarmText").Reply(IDYES);
        prompts.Expect("Illegal parameter for  - WRSetAlarmText").Reply(IDYES).Times(2);
        RangedGraph(
            [&](GrDesc* g)
            {
                EXPECT_EQ(WRSetAlarmText(g, 9, 0, 0, 0, 0, 0, -1, 0, -1, nullptr, nullptr, 0, 0), 0);
                EXPECT_EQ(WRSetAlarmText(g, slot, 2, 0, 0, 0, 0, -1, 0, -1, nullptr, nullptr, 0, 0), 0);
                EXPECT_EQ(WRSetAlarmText(g, slot, -2, 0, 0, 0, 0, -1, 0, -1, nullptr, nullptr, 0, 0), 0);
            });
    }
    WORD number = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g) {
            number = WRSetAlarmText(g, slot, -1, 0.1f, 0.1f, 0.9f, 0.3f, 0, 1, 15, "All good", nullptr, 0, 1);
        });
    ASSERT_EQ(number, 3);
    auto* text = reinterpret_cast<DynTextDesc*>(GetObjDesc(graph, number, nullptr));
    EXPECT_STREQ(GetDynDataSet(slot)->normalMessage, "All good");
    EXPECT_EQ(text->shown, -1);
    EXPECT_EQ(text->colors[0], 0);
    EXPECT_EQ(text->colors[1], 12);
    EXPECT_GT(text->widest, 0);
    EXPECT_EQ(graph->realTimeCount, 1);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 1);
}

TEST_F(AlarmsTest, AChartWithLinesMarksAndText)
{
    const int slot = DefineSet(2);
    WRSetSetpoint(slot, 50);
    WRSetAlarm(slot, RT_ALARM_HIGH, 80, "Too high");
    WRSetAlarm(slot, RT_ALARM_LOW, 20, "Too low");
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr);
            WRSetAlarmMarks(g, slot, 2, 0, 8, nullptr, 1, nullptr, nullptr);
            WRSetAlarmText(g, slot, -1, 0.3f, 0.05f, 0.9f, 0.15f, 0, 1, 15, nullptr, nullptr, 6, 1);
        });
    WGChangePlotBackgnd(graph, RGB(255, 255, 255));
    const float values[] = {90, 40};
    WRUpdateData(slot, values, nullptr);
    InvalidateRect(graph->window, nullptr, TRUE);
    UpdateWindow(graph->window);
    Pump(50);
    const kel::testkit::Image image = kel::testkit::CaptureWindow(graph->window);
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(image, std::string(keep) + "/trendkit_alarms.png");
    ASSERT_FALSE(image.Empty());
    // The setpoint line (green) and the High line (red) cross the plot at their values.
    POINT p[3] = {{graph->plot.left + (graph->plot.right - graph->plot.left) / 2, 0}, {0, 0}, {0, 0}};
    auto* lines = reinterpret_cast<AlarmLinesDesc*>(GetObjDesc(graph, 3, nullptr));
    p[1] = {p[0].x, lines->lines[0].position};
    p[2] = {p[0].x, lines->lines[1].position};
    LPtoDP(graph->buildDc, p, 3);
    EXPECT_EQ(image.Pixel(p[1].x, p[1].y), WGGetRGBColor(2));
    EXPECT_EQ(image.Pixel(p[2].x, p[2].y), WGGetRGBColor(4));
    // The first value's cell names its High alarm in the High colour; the second cell is normal.
    auto* text = reinterpret_cast<DynTextDesc*>(GetObjDesc(graph, 5, nullptr));
    POINT cells[2] = {{text->rt.head.extent.left, text->rt.head.extent.top},
                      {text->rt.head.extent.right, text->rt.head.extent.bottom}};
    LPtoDP(graph->buildDc, cells, 2);
    const int middle = (cells[0].x + cells[1].x) / 2;
    EXPECT_GT(image.CountColor(WGGetRGBColor(12), cells[0].x, cells[0].y, middle, cells[1].y), 20);
    EXPECT_EQ(image.CountColor(WGGetRGBColor(12), middle, cells[0].y, cells[1].x, cells[1].y), 0);
    EXPECT_GT(image.CountColor(RGB(0, 0, 0), middle + 2, cells[0].y + 2, cells[1].x - 2, cells[1].y - 2), 20);
}

TEST_F(AlarmsTest, ASetFedByALinkKeepsItsValuesAndReportsTheLinksFailure)
{
    WRSetAlarmProc(RecordAlarm);
    const int slot = DefineSet(1);
    WRSetAlarm(slot, RT_ALARM_HIGH, 4, "H");
    DynDataSetDesc* set = GetDynDataSet(slot);
    alignas(8) static char link[8];
    set->ddeLink = reinterpret_cast<DdeLink*>(link); // what a DDE conversation leaves in the set
    set->current[0] = 5;
    const float offered = 1;
    WRUpdateData(slot, &offered, nullptr);
    EXPECT_EQ(set->current[0], 5);
    EXPECT_EQ(AlarmCalls(), (std::vector<AlarmCall>{{slot, 0, RT_ALARM_HIGH, 5, 1}}));

    // The conversation ends: one Fail call, and that sample's limit checks are skipped.
    AlarmCalls().clear();
    set->current[0] = 0;
    set->currentAlarm[0] |= 0x40;
    WRUpdateData(slot, &offered, nullptr);
    EXPECT_EQ(AlarmCalls(), (std::vector<AlarmCall>{{slot, 0, RT_ALARM_FAIL, 0, 1}}));
    WRUpdateData(slot, &offered, nullptr);
    EXPECT_EQ(AlarmCalls().back(), (AlarmCall{slot, 0, RT_ALARM_HIGH, 0, 0}));
    // A new conversation clears Fail; the next check reports it off.
    AlarmCalls().clear();
    set->currentAlarm[0] &= static_cast<BYTE>(~0x40);
    WRUpdateData(slot, &offered, nullptr);
    EXPECT_EQ(AlarmCalls(), (std::vector<AlarmCall>{{slot, 0, RT_ALARM_FAIL, 0, 0}}));
    set->ddeLink = nullptr;
}

} // namespace
} // namespace trendkit::test
