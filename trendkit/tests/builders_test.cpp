// The one-call builders: text size and colours from the graph window, the default alarm limits and
// colours, the auto bargraph in both orientations and the auto scroll graph of each kind, built,
// rendered and probed; and what they refuse.
#include "AutoGraph.h"
#include "Bargraphs.h"
#include "TrendkitFixture.h"
#include "testkit/Image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace trendkit::test
{
namespace
{

using kel::testkit::Image;

class BuildersTest : public TrendkitTest
{
protected:
    // A graph filling a page of the given size; `build` runs while it is built, on `background`.
    GrDesc* Built(std::function<void(GrDesc*)> build, int width = 640, int height = 480,
                  COLORREF background = RGB(255, 255, 255))
    {
        static int pages = 0;
        const std::string name = "auto" + std::to_string(++pages);
        PgDesc* page = MakePage(name.c_str(), 0, width, height);
        GrDesc* graph = MakeGraph(page, 0, 0, 1, 1,
                                  [=](GrDesc* g, HWND)
                                  {
                                      g->background = background;
                                      build(g);
                                  });
        Shown(graph);
        return graph;
    }

    Image Shown(GrDesc* graph, const std::string& name = {})
    {
        InvalidateRect(graph->window, nullptr, TRUE);
        UpdateWindow(graph->window);
        Image image = kel::testkit::CaptureWindow(graph->window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"); keep && !name.empty())
            kel::testkit::SavePng(image, std::string(keep) + "/trendkit_" + name + ".png");
        return image;
    }

    static int Labelled(int count, const char* name, const char* units)
    {
        // Blank-padded fields of 16 characters.
        std::string labels;
        for (int i = 0; i < count; ++i)
        {
            std::string label = "Gas " + std::to_string(i + 1);
            label.resize(16, ' ');
            labels += label;
        }
        const int slot = WRDefineDynDataSet(name, count, units, labels.c_str(), 100);
        if (name == nullptr && slot)
            GetDynDataSet(slot)->name[0] = '\0'; // a set without a name (the library gives one)
        return slot;
    }

    static int ObjectType(GrDesc* graph, WORD number)
    {
        ObjDesc* o = number ? GetObjDesc(graph, number, nullptr) : nullptr;
        return o ? o->type : 0;
    }

    static int Count(const Image& image, COLORREF colour)
    {
        return image.CountColor(colour, 0, 0, image.width, image.height);
    }
};

TEST_F(BuildersTest, StyleFollowsTheWindowAndTheBackground)
{
    DevDesc* dev = GetDevDesc();
    const int dpi = dev->screenDpiY;
    dev->screenDpiY = 96;
    AutoStyle white, black, small;
    Built([&](GrDesc* g) { white = AutoGraphStyle(g, g->buildDc, true); }, 600, 400);
    GrDesc* dark =
        Built([&](GrDesc* g) { black = AutoGraphStyle(g, g->buildDc, true); }, 600, 400, RGB(0, 0, 0));
    Built([&](GrDesc* g) { small = AutoGraphStyle(g, g->buildDc, false); }, 200, 100);
    dev->screenDpiY = dpi;
    // 600 x 400: min(20, 24) = 20 pixels, 15 points, at most 13; 200 x 100: 5 pixels, 3 points, at least 4.
    EXPECT_EQ(white.points, 13);
    EXPECT_EQ(small.points, 4);
    EXPECT_GT(white.widthUnit, 0);
    EXPECT_NEAR(white.widthUnit / white.heightUnit, 400.0 / 600.0, 0.02);
    EXPECT_EQ(white.background, 15);
    EXPECT_EQ(white.text, 0);
    EXPECT_EQ(white.title, 1);
    EXPECT_EQ(white.line, 0);
    // A black background: white texts, light green titles, light gray lines.
    EXPECT_EQ(black.background, 0);
    EXPECT_EQ(black.text, 15);
    EXPECT_EQ(black.title, 10);
    EXPECT_EQ(black.line, 7);
    EXPECT_EQ(dark->currentLine.color, WGGetRGBColor(7));
}

TEST_F(BuildersTest, AlarmDefaultsKeepWhatTheSetHas)
{
    struct Case
    {
        int background, high, low, normal;
    };
    for (const Case c : {Case{15, 4, 1, 2}, Case{4, 14, 1, 2}, Case{12, 14, 1, 2}, Case{0, 4, 9, 2},
                         Case{1, 4, 11, 2}, Case{2, 4, 1, 1}, Case{10, 4, 1, 1}})
    {
        SCOPED_TRACE(c.background);
        const int slot = DefineSet(1);
        int alarms[7] = {9, 9, 9, 9, 9, 9, 9}, marks[3] = {};
        AutoAlarmLimits(slot, GetDynDataSet(slot), c.background, 80, 20, 50, "Hot", "Cold", alarms, marks);
        EXPECT_EQ(alarms[0], c.high);
        EXPECT_EQ(alarms[1], c.low);
        EXPECT_EQ(alarms[2] + alarms[3] + alarms[4] + alarms[5] + alarms[6], 0);
        EXPECT_EQ(marks[0], c.normal);
        EXPECT_EQ(marks[1], c.high);
        EXPECT_EQ(marks[2], c.low);
        WRFreeDynDataSet(slot);
    }
    // A set with its own limits, hysteresis and setpoint keeps them.
    const int slot = DefineSet(1);
    WRSetAlarm(slot, RT_ALARM_HIGH, 90, "Mine");
    WRSetAlarmHyst(slot, 2, 0);
    WRSetSetpoint(slot, 33);
    int alarms[7], marks[3];
    AutoAlarmLimits(slot, GetDynDataSet(slot), 15, 80, 20, 50, "Hot", "Cold", alarms, marks);
    const DynDataSetDesc* set = GetDynDataSet(slot);
    EXPECT_FLOAT_EQ(set->alarms[0].limit, 90);
    EXPECT_STREQ(set->alarms[0].message, "Mine");
    EXPECT_FLOAT_EQ(set->alarms[1].limit, 20);
    EXPECT_STREQ(set->alarms[1].message, "Cold");
    EXPECT_FLOAT_EQ(set->hysteresis, 2);
    EXPECT_FLOAT_EQ(set->setpoint, 33);
    // A fresh set: hysteresis 1% of the band, the setpoint given.
    const int fresh = DefineSet(1);
    AutoAlarmLimits(fresh, GetDynDataSet(fresh), 15, 80, 20, 50, "Hot", "Cold", alarms, marks);
    EXPECT_FLOAT_EQ(GetDynDataSet(fresh)->hysteresis, 0.6f);
    EXPECT_FLOAT_EQ(GetDynDataSet(fresh)->setpoint, 50);
}

TEST_F(BuildersTest, LabelDigitsCountSignAndDecimals)
{
    EXPECT_EQ(LabelDigits(-50, 50, GetPrec(20)), static_cast<int>(std::log(50.0)) + 2 + GetPrec(20) + 1);
    EXPECT_EQ(LabelDigits(0, 1000, 0), 6 + 2);
    EXPECT_EQ(LabelDigits(0, 0.001f, 3), 5) << "small values keep their leading digit";
    EXPECT_EQ(LabelDigits(0, 0, 0), 2);
}

TEST_F(BuildersTest, AutoBargraphBuildsVerticalBarsWithAlarms)
{
    const int slot = Labelled(4, "Partial pressures", "mbar");
    const COLORREF fills[4] = {RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255), RGB(255, 128, 0)};
    WORD out[11];
    std::fill(out, out + 11, 0xFFFF);
    WORD number = 0;
    GrDesc* graph = Built(
        [&](GrDesc* g)
        { number = WRSetAutoBargraph(g, slot, 0, 100, 0, 0, 0, 50, 80, 20, "High", "Low", fills, out); });
    ASSERT_NE(number, 0);
    EXPECT_EQ(out[4], number);
    EXPECT_EQ(ObjectType(graph, out[0]), PK_TYPE_TEXT);
    EXPECT_EQ(ObjectType(graph, out[1]), PK_TYPE_AXIS);
    EXPECT_EQ(ObjectType(graph, out[2]), PK_TYPE_LABELS);
    EXPECT_EQ(ObjectType(graph, out[3]), PK_TYPE_TEXT);
    EXPECT_EQ(ObjectType(graph, out[5]), PK_TYPE_AXIS);
    EXPECT_EQ(ObjectType(graph, out[9]), RT_TYPE_ALARM_MARKS);
    EXPECT_EQ(ObjectType(graph, out[10]), RT_TYPE_DYN_TEXT);
    EXPECT_EQ(ObjectType(graph, out[8]), RT_TYPE_DYN_TEXT) << "the values under the bars";
    EXPECT_EQ(ObjectType(graph, out[7]), PK_TYPE_LEGEND) << "the value labels";
    EXPECT_EQ(out[6], 0);
    BarsDesc* bars = AsBars(GetObjDesc(graph, number, nullptr));
    ASSERT_NE(bars, nullptr);
    EXPECT_EQ(bars->r.direction, 1);
    EXPECT_EQ(bars->count, 4);
    EXPECT_STREQ(GetDynDataSet(slot)->alarms[0].message, "High");

    const float v[4] = {10, 40, 70, 95};
    WRUpdateData(slot, v, graph);
    const Image image = Shown(graph, "autobars_vertical");
    // Each bar shows in its colour, the taller the more pixels.
    int previous = 0;
    for (int i = 0; i < 4; ++i)
    {
        const int count = Count(image, fills[i]);
        EXPECT_GT(count, previous) << i;
        previous = count;
    }
    // The bars fill the plot's width side by side.
    RECT plot = graph->plot;
    LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&plot), 2);
    const int y = plot.bottom - 5;
    EXPECT_EQ(image.Pixel(plot.left + 3, y), fills[0]);
    EXPECT_EQ(image.Pixel(plot.right - 3, y), fills[3]);
}

TEST_F(BuildersTest, AutoBargraphHorizontalAndWithoutAlarms)
{
    const int slot = Labelled(3, nullptr, "A");
    const COLORREF fills[3] = {RGB(255, 0, 0), RGB(0, 160, 0), RGB(0, 0, 255)};
    WORD out[11];
    WORD number = 0;
    GrDesc* graph = Built(
        [&](GrDesc* g)
        { number = WRSetAutoBargraph(g, slot, -10, 10, 0, 1, 1, 0, 5, 5, nullptr, nullptr, fills, out); });
    ASSERT_NE(number, 0);
    EXPECT_EQ(out[0], 0) << "no name, no title";
    EXPECT_EQ(out[9], 0) << "alarm high equal to low: no marks";
    EXPECT_EQ(out[10], 0);
    EXPECT_EQ(ObjectType(graph, out[1]), PK_TYPE_AXIS);
    EXPECT_EQ(ObjectType(graph, out[8]), RT_TYPE_DYN_TEXT);
    EXPECT_EQ(ObjectType(graph, out[7]), PK_TYPE_LEGEND);
    BarsDesc* bars = AsBars(GetObjDesc(graph, number, nullptr));
    ASSERT_NE(bars, nullptr);
    EXPECT_EQ(bars->r.direction, 0);
    const float v[3] = {-8, 4, 9};
    WRUpdateData(slot, v, graph);
    const Image image = Shown(graph, "autobars_horizontal");
    RECT plot = graph->plot;
    LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&plot), 2);
    const int zero = (plot.left + plot.right) / 2;
    // Bar 0 (the top one) reaches left of 0, the others right of it.
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(i);
        const int y = static_cast<int>(plot.top + (i + 0.5) * (plot.bottom - plot.top) / 3.0);
        const int x = static_cast<int>(zero + v[i] / 20 * (plot.right - plot.left) * 0.9);
        EXPECT_EQ(image.Pixel(x, y), fills[i]);
    }
}

TEST_F(BuildersTest, LegendTextsAreSetAndReadWithinTheirItems)
{
    int legend = 0;
    GrDesc* graph = Built(
        [&](GrDesc* g)
        {
            const int n = AddAxis(g, 1);
            EXPECT_NE(n, 0);
            legend = InitLeg(g, g->buildDc, 0, 0.1f, 0.1f, 0.5f, 0.5f, 2, 0, 1, 0, -1, 0, nullptr, FALSE)
                         ? g->cursor
                         : 0;
        });
    ASSERT_NE(legend, 0);
    ASSERT_EQ(GetObjDesc(graph, legend, nullptr)->type, PK_TYPE_LEGEND);
    const WORD number = static_cast<WORD>(legend);
    const std::string longText(60, 'x');
    EXPECT_EQ(WRSetLegendText(graph, number, 1, "Nitrogen"), 1);
    EXPECT_EQ(WRSetLegendText(graph, number, 2, longText.c_str()), 1);
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(WRGetLegendText(graph, number, 1, buffer), 1);
    EXPECT_STREQ(buffer, "Nitrogen");
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(WRGetLegendText(graph, number, 2, buffer), 1);
    EXPECT_EQ(std::string(buffer), std::string(42, 'x')) << "at most 42 characters, terminated";
    EXPECT_EQ(buffer[43], '#') << "nothing written past the terminator";
    // Refused: null text or buffer, an item past the count, a negative item, no legend there.
    EXPECT_EQ(WRSetLegendText(graph, number, 1, nullptr), 0);
    EXPECT_EQ(WRGetLegendText(graph, number, 1, nullptr), 0);
    EXPECT_EQ(WRSetLegendText(graph, number, 3, "Argon"), 0);
    EXPECT_EQ(WRGetLegendText(graph, number, -1, buffer), 0);
    EXPECT_EQ(WRSetLegendText(graph, 1, 0, "Argon"), 0) << "object 1 is an axis";
    EXPECT_EQ(WRGetLegendText(graph, 99, 0, buffer), 0);
}

TEST_F(BuildersTest, AutoBargraphRefusals)
{
    const int slot = DefineSet(2);
    Built(
        [&](GrDesc* g)
        {
            WORD out[11];
            std::fill(out, out + 11, 7);
            EXPECT_EQ(WRSetAutoBargraph(g, 99, 0, 1, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, out), 0);
            EXPECT_EQ(out[4], 0) << "zeroed first";
            EXPECT_EQ(WRSetAutoBargraph(g, slot, 5, 5, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, out), 0)
                << "a range of 0";
            EXPECT_EQ(g->cursor, 0) << "nothing made";
        });
}

TEST_F(BuildersTest, AutoScrollGraphOfEachKind)
{
    const int slot = Labelled(1, "Total pressure", "mbar");
    struct Case
    {
        int kind;
        int subtype;
        const char* name;
    };
    const int colours[1] = {12};
    for (const Case c :
         {Case{1, 1, "autoscroll_line"}, Case{2, 2, "autoscroll_bars"}, Case{3, 3, "autoscroll_sweep"}})
    {
        SCOPED_TRACE(c.name);
        WORD out[11];
        WORD number = 0;
        GrDesc* graph = Built(
            [&](GrDesc* g)
            {
                number = WRSetAutoScrollGraph(g, slot, 1, 0.5f, -50, 50, 60, c.kind, 1, 0, 40, -40,
                                              "Time (s)", 15, colours, c.kind == 1 ? 1 : 0, out);
            });
        ASSERT_NE(number, 0);
        EXPECT_EQ(out[7], number);
        EXPECT_EQ(ObjectType(graph, out[0]), PK_TYPE_TEXT);
        EXPECT_EQ(ObjectType(graph, out[1]), PK_TYPE_AXIS);
        EXPECT_EQ(ObjectType(graph, out[2]), PK_TYPE_LABELS);
        EXPECT_EQ(ObjectType(graph, out[3]), PK_TYPE_TEXT);
        EXPECT_EQ(ObjectType(graph, out[4]), PK_TYPE_AXIS);
        EXPECT_EQ(ObjectType(graph, out[5]), PK_TYPE_LABELS);
        EXPECT_EQ(ObjectType(graph, out[6]), PK_TYPE_TEXT);
        EXPECT_EQ(ObjectType(graph, out[10]), RT_TYPE_ALARM_LINES);
        // With the legend flag: the value text right of the plot.
        EXPECT_EQ(ObjectType(graph, out[9]), c.kind == 1 ? RT_TYPE_DYN_TEXT : 0);
        EXPECT_EQ(ObjectType(graph, out[8]), c.kind == 1 ? PK_TYPE_LEGEND : 0);
        EXPECT_LT(graph->plotNorm[2], c.kind == 1 ? 0.9f : 0.93f);
        ObjDesc* chart = GetObjDesc(graph, number, nullptr);
        EXPECT_EQ(chart->type, RT_TYPE_SCROLL);
        EXPECT_EQ(chart->subKind, c.subtype);
        // The plot's left edge leaves room for labels of -50 .. 50 (one decimal).
        const AutoStyle style = AutoGraphStyle(graph, graph->buildDc, false);
        const int digits = static_cast<int>(std::log(50.0)) + 2 + GetPrec(20) + 1;
        EXPECT_NEAR(graph->plotNorm[0], (digits * 0.7f + 2) * style.widthUnit + 0.01f, 0.002);
        for (int i = 0; i < 90; ++i)
        {
            const float v = 45 * static_cast<float>(std::sin(i * 0.2));
            WRUpdateData(slot, &v, graph);
        }
        const Image image = Shown(graph, c.name);
        EXPECT_GT(Count(image, WGGetRGBColor(12)), 50);
        EXPECT_GT(Count(image, WGGetRGBColor(4)), 20) << "the High line in red";
    }
}

TEST_F(BuildersTest, AutoScrollGraphRefusesWhatCannotFit)
{
    const int slot = Labelled(1, nullptr, "mbar");
    WORD out[11];
    Built(
        [&](GrDesc* g)
        {
            EXPECT_EQ(WRSetAutoScrollGraph(g, slot, 1, 0.5f, -1e6f, 1e6f, 60, 1, 6, 0, 0, 0, nullptr, 15,
                                           nullptr, 1, out),
                      0);
            EXPECT_EQ(WGGetLastError(), 136);
            EXPECT_EQ(g->cursor, 0) << "refused before anything is drawn";
            EXPECT_EQ(
                WRSetAutoScrollGraph(g, slot, 1, 0.5f, 0, 0, 60, 1, 0, 0, 0, 0, nullptr, 15, nullptr, 0, out),
                0);
            EXPECT_EQ(
                WRSetAutoScrollGraph(g, slot, 1, 0.5f, 0, 1, 60, 4, 0, 0, 0, 0, nullptr, 15, nullptr, 0, out),
                0);
            EXPECT_EQ(
                WRSetAutoScrollGraph(g, 150, 1, 0.5f, 0, 1, 60, 1, 0, 0, 0, 0, nullptr, 15, nullptr, 0, out),
                0);
            EXPECT_EQ(g->cursor, 0);
            // No title text: neither axis gets a title.
            const WORD number = WRSetAutoScrollGraph(g, slot, 1, 0.5f, 0, 10, 60, 1, 0, 0, 0, 0, nullptr, 15,
                                                     nullptr, 0, out);
            EXPECT_NE(number, 0);
            EXPECT_EQ(out[0], 0) << "no name";
            EXPECT_EQ(out[3], 0);
            EXPECT_EQ(out[6], 0);
            EXPECT_EQ(out[10], 0) << "no alarm band";
        },
        160, 120);
}

} // namespace
} // namespace trendkit::test
