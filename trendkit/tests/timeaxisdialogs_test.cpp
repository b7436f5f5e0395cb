// The time axis and time labels edit dialogs driven offscreen: each opens on a copy, OK writes it
// back, Cancel leaves the object as it was.
#include "TrendkitFixture.h"
#include "ScrollGraph.h"
#include "TimeAxis.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"
#include "testkit/Image.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace trendkit::test
{
namespace
{

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

std::vector<BYTE> Bytes(const void* record, size_t size)
{
    const auto* p = static_cast<const BYTE*>(record);
    return std::vector<BYTE>(p, p + size);
}

void Screenshot(DialogDriver& d, const char* name)
{
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), std::string(keep) + "/trendkit_" + name + ".png");
}

bool Enabled(DialogDriver& d, int id)
{
    return IsWindowEnabled(d.Item(id)) != FALSE;
}

class TimeAxisDialogsTest : public TrendkitTest
{
protected:
    WORD xAxis = 0, yAxis = 0, xLabels = 0, yLabels = 0;
    GrDesc* graph = nullptr;

    void SetUp() override
    {
        TrendkitTest::SetUp();
        graph = RangedGraph(
            [&](GrDesc* g)
            {
                xAxis = static_cast<WORD>(WRDrawTimeAxis(g, 20, 1, 0, 1, 0));
                yAxis = static_cast<WORD>(WRDrawTimeAxis(g, 25, 0, 1, 0, 0));
                xLabels = WRLabelTimeAxis(g, xAxis, 0, 1, -1, 10, 20, 30, 0, 2, "now");
                yLabels = WRLabelTimeAxis(g, yAxis, 1, 0, 2, 0, 0, 0, 0.5f, 0, nullptr);
            });
        ASSERT_TRUE(xAxis && yAxis && xLabels && yLabels);
    }

    AxisDesc* Axis(WORD n) { return reinterpret_cast<AxisDesc*>(GetObjDesc(graph, n, nullptr)); }
    TimeLabelsDesc* Labels(WORD n) { return reinterpret_cast<TimeLabelsDesc*>(GetObjDesc(graph, n, nullptr)); }
    float Span(WORD n)
    {
        float lo = 0, hi = 0, intercept = 0;
        WGGetAxisRange(graph, n, &lo, &hi, &intercept);
        return hi - lo;
    }
    void Ticks(WORD n, float* step, int* minor, int* style) { WGGetAxisTicks(graph, n, step, minor, style); }

    int Edit(WORD number, const char* title, std::function<void(DialogDriver&)> drive)
    {
        WGSelObject(graph, number);
        ScriptedPrompts prompts;
        prompts.Expect(title).Drive(std::move(drive));
        return rtDefEditObject(graph);
    }
};

TEST_F(TimeAxisDialogsTest, TimeAxisOkWritesTheCopyBack)
{
    const float before = Span(xAxis);
    EXPECT_EQ(Edit(xAxis, "Time Axis",
                   [&](DialogDriver& d)
                   {
                       EXPECT_EQ(d.GetText(IDC_TA_BELOW), "&Below");
                       EXPECT_TRUE(d.IsChecked(IDC_TA_BELOW));
                       EXPECT_EQ(d.GetText(IDC_TA_UNIT), "seconds");
                       EXPECT_FALSE(Enabled(d, IDC_TA_START)) << "labels not frozen";
                       EXPECT_FALSE(Enabled(d, IDC_TA_HOURS));
                       d.SetText(IDC_TA_RANGE, "40");
                       d.SetText(IDC_TA_STEP, "5");
                       d.SetText(IDC_TA_MINOR, "3");
                       d.Click(IDC_TA_ABOVE);
                       d.Check(IDC_TA_GRID_MAJOR);
                       EXPECT_TRUE(Enabled(d, IDC_TA_MAJOR_STYLE));
                       EXPECT_FLOAT_EQ(Span(xAxis), before) << "the live axis waits for OK";
                       Screenshot(d, "time_axis");
                       d.Click(IDOK);
                   }),
              1);
    float step = 0;
    int minor = 0, style = 0;
    Ticks(xAxis, &step, &minor, &style);
    EXPECT_FLOAT_EQ(Span(xAxis), 40);
    EXPECT_FLOAT_EQ(step, 5);
    EXPECT_EQ(minor, 3);
    EXPECT_EQ(style, 4);
    int majorOn = 0, minorOn = 0;
    LineDesc *major = nullptr, *minorLine = nullptr;
    WGGetGrid(graph, xAxis, &majorOn, &minorOn, &major, &minorLine);
    EXPECT_EQ(majorOn, 1);
}

TEST_F(TimeAxisDialogsTest, TimeAxisCancelLeavesTheAxis)
{
    const std::vector<BYTE> axis = Bytes(Axis(xAxis), sizeof(AxisDesc));
    const std::vector<BYTE> labels = Bytes(Labels(xLabels), sizeof(TimeLabelsDesc));
    EXPECT_EQ(Edit(xAxis, "Time Axis",
                   [](DialogDriver& d)
                   {
                       d.SetText(IDC_TA_RANGE, "7");
                       d.SetText(IDC_TA_STEP, "1");
                       d.Click(IDC_TA_MIDDLE);
                       d.Click(IDCANCEL);
                   }),
              2);
    EXPECT_TRUE(Bytes(Axis(xAxis), sizeof(AxisDesc)) == axis);
    EXPECT_TRUE(Bytes(Labels(xLabels), sizeof(TimeLabelsDesc)) == labels);
    EXPECT_EQ(GetObjDesc(graph, 32001, nullptr), nullptr) << "the edit copy is discarded";
}

TEST_F(TimeAxisDialogsTest, TimeAxisTickSideByDirection)
{
    struct Case
    {
        bool vertical;
        int radio;
        const char* shown;
        int style;
    } cases[] = {
        {false, IDC_TA_BELOW, "&Below", 0}, {false, IDC_TA_ABOVE, "&Above", 4}, {false, IDC_TA_MIDDLE, "&Middle", 3},
        {true, IDC_TA_BELOW, "Left", 1},    {true, IDC_TA_ABOVE, "Right", 2},   {true, IDC_TA_MIDDLE, "&Middle", 3},
    };
    for (const Case& c : cases)
    {
        const WORD n = c.vertical ? yAxis : xAxis;
        EXPECT_EQ(Edit(n, "Time Axis",
                       [&](DialogDriver& d)
                       {
                           EXPECT_EQ(d.GetText(c.radio), c.shown);
                           d.Click(c.radio);
                           d.Click(IDOK);
                       }),
                  1);
        float step = 0;
        int minor = 0, style = 0;
        Ticks(n, &step, &minor, &style);
        EXPECT_EQ(style, c.style) << c.shown << (c.vertical ? " vertical" : " horizontal");
    }
}

TEST_F(TimeAxisDialogsTest, TimeAxisRangeAndStepAsTyped)
{
    struct Case
    {
        const char* range;
        const char* step;
        float span;      // after OK
        float finalStep; // after OK
    } cases[] = {
        {"30", "10", 30, 10},
        {"0", "10", -1, 10},   // a span of 0 is not applied: the previous span stays
        {"", "10", -1, 10},    // empty keeps the span
        {"abc", "10", -1, 10}, // no number keeps the span
        {"4", "10", 4, 4},     // a step beyond the span is cut to it
        {"1e60", "10", -1, 10},
    };
    for (const Case& c : cases)
    {
        const float before = Span(xAxis);
        EXPECT_EQ(Edit(xAxis, "Time Axis",
                       [&](DialogDriver& d)
                       {
                           d.SetText(IDC_TA_RANGE, c.range);
                           d.SetText(IDC_TA_STEP, c.step);
                           d.Click(IDOK);
                       }),
                  1);
        float step = 0;
        int minor = 0, style = 0;
        Ticks(xAxis, &step, &minor, &style);
        EXPECT_FLOAT_EQ(Span(xAxis), c.span < 0 ? before : c.span) << "range " << c.range;
        EXPECT_FLOAT_EQ(step, c.finalStep) << "range " << c.range;
        // back to a known span for the next case
        float lo = 0, hi = 0, intercept = 0;
        WGGetAxisRange(graph, xAxis, &lo, &hi, &intercept);
        WGChangeAxisRange(graph, xAxis, lo, lo + 100, FALSE);
    }
}

TEST_F(TimeAxisDialogsTest, TimeAxisFrozenLabelsTakeTheStart)
{
    ASSERT_TRUE(TimeLabels().freeze);
    TimeLabels().freeze(graph, xLabels, true);
    TimeLabels().freeze(graph, yLabels, true);
    EXPECT_EQ(Edit(xAxis, "Time Axis",
                   [&](DialogDriver& d)
                   {
                       EXPECT_FALSE(Enabled(d, IDC_TA_START)) << "clock format";
                       EXPECT_EQ(d.GetText(IDC_TA_HOURS), "10");
                       EXPECT_EQ(d.GetText(IDC_TA_SECONDS), "30");
                       d.SetText(IDC_TA_HOURS, "1");
                       d.SetText(IDC_TA_MINUTES, "2");
                       d.SetText(IDC_TA_SECONDS, "3");
                       d.Click(IDOK);
                   }),
              1);
    TimeLabelsDesc* l = Labels(xLabels);
    EXPECT_EQ(l->startHours, 1u);
    EXPECT_EQ(l->startMinutes, 2);
    EXPECT_EQ(l->startSeconds, 3);
    EXPECT_FLOAT_EQ(l->historyCopy, 3723);

    EXPECT_EQ(Edit(yAxis, "Time Axis",
                   [&](DialogDriver& d)
                   {
                       EXPECT_TRUE(Enabled(d, IDC_TA_START)) << "number format";
                       EXPECT_FALSE(Enabled(d, IDC_TA_HOURS));
                       d.SetText(IDC_TA_START, "12.5");
                       d.Click(IDOK);
                   }),
              1);
    EXPECT_FLOAT_EQ(Labels(yLabels)->liveStart, 12.5f);
    EXPECT_FLOAT_EQ(Labels(yLabels)->historyCopy, 12.5f);
}

TEST_F(TimeAxisDialogsTest, TimeLabelsOkWritesTheWorkingCopy)
{
    EXPECT_EQ(Edit(xLabels, "Time Labels",
                   [&](DialogDriver& d)
                   {
                       EXPECT_TRUE(d.IsChecked(IDC_TL_BELOW_AXIS));
                       EXPECT_FALSE(Enabled(d, IDC_TL_PRECISION_SET)) << "clock format";
                       EXPECT_FALSE(Enabled(d, IDC_TL_PLACES));
                       EXPECT_TRUE(d.IsChecked(IDC_TL_LAST_TEXT));
                       EXPECT_EQ(d.GetText(IDC_TL_TEXT), "now");
                       d.SetText(IDC_TL_TEXT, "twelve chars");
                       d.Click(IDC_TL_ABOVE_PLOT);
                       Screenshot(d, "time_labels");
                       d.Click(IDOK);
                   }),
              1);
    TimeLabelsDesc* l = Labels(xLabels);
    EXPECT_EQ(l->position, 7);
    EXPECT_STREQ(l->lastText, "twelve ch") << "cut to 9 characters";
}

TEST_F(TimeAxisDialogsTest, TimeLabelsCancelLeavesTheRecord)
{
    const std::vector<BYTE> before = Bytes(Labels(yLabels), sizeof(TimeLabelsDesc));
    EXPECT_EQ(Edit(yLabels, "Time Labels",
                   [](DialogDriver& d)
                   {
                       d.Click(IDC_TL_BELOW_PLOT);
                       d.Click(IDC_TL_LAST_OFF);
                       d.Click(IDCANCEL);
                   }),
              2);
    EXPECT_TRUE(Bytes(Labels(yLabels), sizeof(TimeLabelsDesc)) == before);
}

TEST_F(TimeAxisDialogsTest, TimeLabelsFieldsByCase)
{
    struct Case
    {
        bool vertical;
        int radio;
        const char* shown;
        SHORT position;
        const char* places; // typed into "# Places" after setting precision (number format only)
        int precision;
        int lastRadio;
        SHORT lastMode;
    } cases[] = {
        {false, IDC_TL_ABOVE_AXIS, "&Above Axis", 4, nullptr, -1, IDC_TL_LAST_ON, 0},
        {false, IDC_TL_BELOW_PLOT, "B&elow Plot", 6, nullptr, -1, IDC_TL_LAST_OFF, 1},
        {true, IDC_TL_ABOVE_PLOT, "Right of Plot", 9, "3", 3, IDC_TL_LAST_ON, 0},
        {true, IDC_TL_BELOW_PLOT, "Left of Plot", 8, "300", 44, IDC_TL_LAST_OFF, 1}, // cut to a byte
        {true, IDC_TL_ABOVE_AXIS, "Right of Axis", 2, "0", 0, IDC_TL_LAST_TEXT, 2},
        {true, IDC_TL_BELOW_AXIS, "Left of Axis", 1, "", 0, IDC_TL_LAST_ON, 0},
    };
    for (const Case& c : cases)
    {
        const WORD n = c.vertical ? yLabels : xLabels;
        const signed char precisionBefore = Labels(n)->precision;
        EXPECT_EQ(Edit(n, "Time Labels",
                       [&](DialogDriver& d)
                       {
                           EXPECT_EQ(d.GetText(c.radio), c.shown);
                           d.Click(c.radio);
                           if (c.places)
                           {
                               d.Check(IDC_TL_PRECISION_SET);
                               EXPECT_TRUE(Enabled(d, IDC_TL_PLACES));
                               d.SetText(IDC_TL_PLACES, c.places);
                           }
                           d.Click(c.lastRadio);
                           EXPECT_EQ(Enabled(d, IDC_TL_TEXT), c.lastMode == 2);
                           d.Click(IDOK);
                       }),
                  1);
        const TimeLabelsDesc* l = Labels(n);
        EXPECT_EQ(l->position, c.position) << c.shown;
        EXPECT_EQ(l->lastMode, c.lastMode) << c.shown;
        EXPECT_EQ(l->precision, c.places ? c.precision : precisionBefore) << c.shown;
        if (c.places)
        {
            EXPECT_EQ(l->precisionSet, 1);
        }
    }
}

} // namespace
} // namespace trendkit::test
