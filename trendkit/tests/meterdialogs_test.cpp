// The meter and meter background dialogs driven offscreen: what they show of needle, pie and arc
// meters, OK through the meter's change calls, colours per channel, the background's border and
// colour bar, and Cancel leaving the meter as it was.
#include "Meters.h"
#include "TrendkitFixture.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"
#include "testkit/Image.h"

#include <cstdlib>
#include <cstring>
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
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                              std::string(keep) + "/trendkit_" + name + ".png");
}

// Moves one bar of the colour bar to `value` as dragging its thumb would.
void DragBar(DialogDriver& d, int id, int value)
{
    SendMessage(d.Dialog(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, value),
                reinterpret_cast<LPARAM>(d.Item(id)));
}

int ComboCount(DialogDriver& d, int id)
{
    return static_cast<int>(SendMessage(d.Item(id), CB_GETCOUNT, 0, 0));
}

std::string ComboText(DialogDriver& d, int id, int index)
{
    char text[64] = {};
    SendMessage(d.Item(id), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

class MeterDialogsTest : public TrendkitTest
{
protected:
    int many = 0, flow = 0;
    WORD needle = 0, pie = 0, arc = 0;
    GrDesc* graph = nullptr;

    void SetUp() override
    {
        TrendkitTest::SetUp();
        many = DefineSet(7);
        flow = WRDefineDynDataSet("flow", 2, "l/s", "Inlet           Outlet          ", 0);
        WRSetAlarm(many, RT_ALARM_HIGH, 80, "High");
        graph = RangedGraph(
            [&](GrDesc* g)
            {
                const int colours[5] = {12, 9, 10, 11, 13};
                needle = WRSetMeter(g, many, -1, 0, 100, 0.25f, 0.3f, 0.4f, 0, 180, 2, colours, 0.05f, 20, 1,
                                    0, 4, 0, 1, 2, 1, 0, 1, 0, nullptr);
                pie = WRSetPieMeter(g, flow, 1, 0, 50, 10, 0.75f, 0.3f, 0.3f, 30, 150, 9, 7, 0.05f, 10, 0, 4,
                                    1, 1, 0, 0, nullptr);
                arc = WRSetArcMeter(g, flow, 0, -10, 10, 0, 0.5f, 0.75f, 0.3f, 225, 315, 10, -1, 0, 0.05f, 5,
                                    1, 3, 0, 1, 1, 1, 0, 0, 0, nullptr);
            });
        ASSERT_NE(needle, 0);
        ASSERT_NE(pie, 0);
        ASSERT_NE(arc, 0);
    }

    MeterDesc* Meter(WORD number) { return AsMeter(GetObjDesc(graph, number, nullptr)); }

    int Edit(WORD number, std::function<void(DialogDriver&)> drive, const char* innerTitle = nullptr,
             std::function<void(DialogDriver&)> inner = {})
    {
        WGSelObject(graph, number);
        ScriptedPrompts prompts;
        prompts.Expect("Meter Parameters").Drive(std::move(drive));
        if (inner)
            prompts.Expect(innerTitle).Drive(std::move(inner));
        return rtDefEditObject(graph);
    }
};

TEST_F(MeterDialogsTest, NeedleMeterShowsItsFieldsAndOkChangesTheMeter)
{
    EXPECT_EQ(Edit(
                  needle,
                  [this](DialogDriver& d)
                  {
                      EXPECT_EQ(d.GetText(IDC_MT_FROM), "0");
                      EXPECT_EQ(d.GetText(IDC_MT_TO), "100");
                      EXPECT_EQ(d.GetText(IDC_MT_CENTER_X), "25.0");
                      EXPECT_EQ(d.GetText(IDC_MT_CENTER_Y), "30.0");
                      EXPECT_EQ(d.GetText(IDC_MT_DIAMETER), "40.0");
                      EXPECT_EQ(d.GetText(IDC_MT_ANGLE_FROM), "0");
                      EXPECT_EQ(d.GetText(IDC_MT_ANGLE_TO), "180");
                      EXPECT_EQ(d.GetText(IDC_MT_STEP), "20");
                      EXPECT_EQ(d.GetText(IDC_MT_MINOR), "1");
                      EXPECT_EQ(d.GetText(IDC_MT_TICK_LENGTH), "0.050");
                      EXPECT_EQ(d.GetText(IDC_MT_READOUT_PRECISION), "2");
                      EXPECT_TRUE(d.IsChecked(IDC_MT_TICKS_INSIDE));
                      EXPECT_TRUE(d.IsChecked(IDC_MT_LABELS_OUTSIDE));
                      EXPECT_EQ(d.GetText(IDC_MT_COLOR), "Light Red");
                      // A needle meter has no reference and no background colour; without a border
                      // colour the background attributes are out of reach.
                      for (int id : {IDC_MT_REFERENCE, IDC_MT_REFERENCE_LABEL, IDC_MT_BACK_COLOR,
                                     IDC_MT_BACK_COLOR_LABEL, IDC_MT_BACKGROUND})
                          EXPECT_FALSE(IsWindowEnabled(d.Item(id))) << id;
                      EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_MT_LABELS_INSIDE)));
                      // Seven values, none labelled: five channels by number.
                      ASSERT_EQ(ComboCount(d, IDC_MT_CHANNEL), 5);
                      EXPECT_EQ(ComboText(d, IDC_MT_CHANNEL, 0), "Channel # 0");
                      EXPECT_EQ(ComboText(d, IDC_MT_CHANNEL, 4), "Channel # 4");
                      EXPECT_EQ(d.GetText(IDC_MT_CHANNEL), "Channel # 0");

                      d.SetText(IDC_MT_FROM, "-50");
                      d.SetText(IDC_MT_TO, "150");
                      d.SetText(IDC_MT_CENTER_X, "40");
                      d.SetText(IDC_MT_DIAMETER, "50");
                      d.SetText(IDC_MT_ANGLE_FROM, "-30");
                      d.SetText(IDC_MT_ANGLE_TO, "210");
                      d.SetText(IDC_MT_STEP, "25");
                      d.SetText(IDC_MT_MINOR, "4");
                      d.SetText(IDC_MT_TICK_LENGTH, "0.08");
                      d.Click(IDC_MT_TICKS_OUTSIDE);
                      d.Click(IDC_MT_LABELS_INSIDE);
                      d.SetText(IDC_MT_LABEL_PRECISION, "1");
                      d.SetText(IDC_MT_READOUT_PRECISION, "3");
                      d.Click(IDC_RT_ALARM_ATTRIBUTES);
                      Screenshot(d, "meter");
                      d.Click(IDOK);
                  },
                  "Alarm Attributes",
                  [](DialogDriver& d)
                  {
                      d.SetText(IDC_RT_LIMIT, "100");
                      d.Click(IDOK);
                  }),
              1);
    MeterDesc* m = Meter(needle);
    float minimum = 0, maximum = 0, cx = 0, cy = 0, diameter = 0, fraction = 0, step = 0;
    int start = 0, end = 0, minor = 0, position = 0;
    WRGetMeterRange(graph, needle, &minimum, &maximum, nullptr);
    EXPECT_FLOAT_EQ(minimum, -50);
    EXPECT_FLOAT_EQ(maximum, 150);
    WRGetMeterCenter(graph, needle, &cx, &cy, &diameter);
    EXPECT_FLOAT_EQ(cx, 0.4f);
    EXPECT_FLOAT_EQ(cy, 0.3f);
    EXPECT_FLOAT_EQ(diameter, 0.5f) << "a diameter of 50 % is rx 0.25, passed back doubled";
    EXPECT_FLOAT_EQ(m->rx, 0.25f);
    WRGetMeterAngles(graph, needle, &start, &end);
    EXPECT_EQ(start, -30);
    EXPECT_EQ(end, 210);
    WRGetMeterTicks(graph, needle, &fraction, &step, &minor, &position);
    EXPECT_FLOAT_EQ(fraction, 0.08f);
    EXPECT_FLOAT_EQ(step, 25);
    EXPECT_EQ(minor, 4);
    EXPECT_EQ(position, 4);
    EXPECT_EQ(m->labelPosition, 0);
    EXPECT_EQ(m->labelDecimals, 1);
    EXPECT_EQ(m->readoutDecimals, 3);
    // The new High limit (100) lies 50 units below the maximum: 60 degrees past the start.
    EXPECT_FLOAT_EQ(GetDynDataSet(many)->alarms[RT_ALARM_HIGH - 1].limit, 100);
    EXPECT_EQ(m->highAngle, -30 + 60);
    Repainted(graph);
}

TEST_F(MeterDialogsTest, EachChannelKeepsItsColourAndOkAppliesThemAll)
{
    EXPECT_EQ(Edit(needle,
                   [](DialogDriver& d)
                   {
                       EXPECT_EQ(ComboCount(d, IDC_MT_COLOR), 20) << "the whole palette";
                       d.Select(IDC_MT_CHANNEL, 2);
                       EXPECT_EQ(d.GetText(IDC_MT_COLOR), "Light Green");
                       d.Select(IDC_MT_COLOR, "Yellow");
                       d.Select(IDC_MT_CHANNEL, 3);
                       EXPECT_EQ(d.GetText(IDC_MT_COLOR), "Light Cyan");
                       d.Select(IDC_MT_COLOR, "Blue");
                       d.Select(IDC_MT_CHANNEL, 2);
                       EXPECT_EQ(d.GetText(IDC_MT_COLOR), "Yellow") << "the first choice is kept";
                       d.Click(IDOK);
                   }),
              1);
    MeterDesc* m = Meter(needle);
    const int expected[5] = {12, 9, 14, 1, 13};
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(m->needles[i].colourIndex, expected[i]) << i;
        EXPECT_EQ(m->needles[i].colour, WGGetRGBColor(expected[i])) << i;
    }
}

TEST_F(MeterDialogsTest, PieAndArcMetersEditTheirReferenceAndBothColours)
{
    struct Case
    {
        WORD* number;
        const char* reference; // shown
        const char* backLabel; // label 1912
        const char* channel;   // the one channel listed
        const char* backShown; // background colour shown
    } cases[] = {
        {&pie, "10", "Pie Background Color", "Outlet", "Light Gray"},
        {&arc, "0", "Arc Background Color", "Inlet", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.backLabel);
        EXPECT_EQ(Edit(*c.number,
                       [&](DialogDriver& d)
                       {
                           EXPECT_EQ(d.GetText(IDC_MT_REFERENCE), c.reference);
                           EXPECT_EQ(d.GetText(IDC_MT_BACK_COLOR_LABEL), c.backLabel);
                           EXPECT_EQ(d.GetText(IDC_MT_BACK_COLOR), c.backShown);
                           EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_MT_LABELS_INSIDE)));
                           EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_MT_REFERENCE)));
                           ASSERT_EQ(ComboCount(d, IDC_MT_CHANNEL), 1);
                           EXPECT_EQ(d.GetText(IDC_MT_CHANNEL), c.channel);
                           d.SetText(IDC_MT_REFERENCE, "5");
                           d.Select(IDC_MT_COLOR, "Red");
                           d.Select(IDC_MT_BACK_COLOR, "Pale Blue");
                           if (*c.number == pie)
                               Screenshot(d, "meter_pie");
                           d.Click(IDOK);
                       }),
                  1);
        MeterDesc* m = Meter(*c.number);
        float reference = 0;
        WRGetMeterRange(graph, *c.number, nullptr, nullptr, &reference);
        EXPECT_FLOAT_EQ(reference, 5);
        EXPECT_EQ(m->needles[0].colourIndex, 4);
        EXPECT_EQ(m->needles[0].colour, WGGetRGBColor(4));
        EXPECT_EQ(m->needles[1].colourIndex, 16);
        EXPECT_EQ(m->needles[1].colour, WGGetRGBColor(16));
    }
    Repainted(graph);
}

TEST_F(MeterDialogsTest, AColourThePaletteDoesNotNameIsKeptWhenNoneIsChosen)
{
    MeterDesc* m = Meter(arc);
    m->needles[0].colourIndex = 25;
    m->needles[0].colour = WGGetRGBColor(25);
    EXPECT_EQ(Edit(arc,
                   [](DialogDriver& d)
                   {
                       EXPECT_EQ(d.GetText(IDC_MT_COLOR), "");
                       EXPECT_EQ(d.GetText(IDC_MT_BACK_COLOR), "") << "no background band";
                       d.Click(IDOK);
                   }),
              1);
    EXPECT_EQ(m->needles[0].colourIndex, 25);
    EXPECT_EQ(m->needles[0].colour, WGGetRGBColor(25));
    EXPECT_EQ(m->needles[1].colourIndex, -1);
}

TEST_F(MeterDialogsTest, AHostOpeningTheDialogForAMeterNotSelectedChangesThatMeter)
{
    WGSelObject(graph, needle);
    HGLOBAL handle = nullptr;
    ASSERT_NE(GetObjDesc(graph, pie, &handle), nullptr);
    ScriptedPrompts prompts;
    prompts.Expect("Meter Parameters")
        .Drive(
            [](DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_MT_TO), "50") << "the pie's range";
                d.SetText(IDC_MT_TO, "80");
                d.Click(IDOK);
            });
    EXPECT_EQ(RunObjectEditDialog(graph, MeterDlgProc, "METER", handle), 1);
    float maximum = 0;
    WRGetMeterRange(graph, pie, nullptr, &maximum, nullptr);
    EXPECT_FLOAT_EQ(maximum, 80);
    WRGetMeterRange(graph, needle, nullptr, &maximum, nullptr);
    EXPECT_FLOAT_EQ(maximum, 100) << "the selected meter is left alone";
}

TEST_F(MeterDialogsTest, FieldsReadAsTyped)
{
    enum Quantity
    {
        kMinimum,
        kCentreX,
        kDiameter,
        kStart,
        kMinor,
        kLabels
    };
    struct Case
    {
        int id;
        const char* text;
        Quantity quantity;
        float expected;
    } cases[] = {
        {IDC_MT_FROM, "2,5", kMinimum, 2.5f}, // a comma is a decimal point
        {IDC_MT_FROM, "-7abc", kMinimum, -7}, // letters after the number are dropped
        {IDC_MT_FROM, "", kMinimum, 0},       // empty keeps the value
        {IDC_MT_FROM, " 5", kMinimum, 0},     // a leading blank reads as 0
        {IDC_MT_CENTER_X, "12.5", kCentreX, 0.125f},
        {IDC_MT_CENTER_X, "", kCentreX, 0.25f},
        {IDC_MT_DIAMETER, "30", kDiameter, 0.3f},
        {IDC_MT_ANGLE_FROM, "-45", kStart, -45}, // signed
        {IDC_MT_MINOR, "3", kMinor, 3},
        {IDC_MT_MINOR, "x", kMinor, 0},
        {IDC_MT_LABEL_PRECISION, "258", kLabels, 2}, // cut to a byte
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.text) + " in " + std::to_string(c.id));
        WRChangeMeterRange(graph, needle, 0, 100, 0, 0);
        WRChangeMeterCenter(graph, needle, 0.25f, 0.3f, 0.4f, 0);
        WRChangeMeterAngles(graph, needle, 0, 180, 0);
        WRChangeMeterTicks(graph, needle, 0.05f, 20, 1, 0, 0);
        Meter(needle)->labelDecimals = 0;
        Edit(needle,
             [&](DialogDriver& d)
             {
                 d.SetText(c.id, c.text);
                 d.Click(IDOK);
             });
        float minimum = 0, cx = 0, cy = 0, diameter = 0;
        int start = 0, end = 0, minor = 0;
        WRGetMeterRange(graph, needle, &minimum, nullptr, nullptr);
        WRGetMeterCenter(graph, needle, &cx, &cy, &diameter);
        WRGetMeterAngles(graph, needle, &start, &end);
        WRGetMeterTicks(graph, needle, nullptr, nullptr, &minor, nullptr);
        const float actual[] = {minimum,
                                cx,
                                diameter,
                                static_cast<float>(start),
                                static_cast<float>(minor),
                                static_cast<float>(Meter(needle)->labelDecimals)};
        EXPECT_FLOAT_EQ(actual[c.quantity], c.expected);
    }
}

TEST_F(MeterDialogsTest, BackgroundBorderAndColourReachTheMeterOnlyThroughOk)
{
    WRSetMeterBorder(graph, needle, 0.25f, 0.3f, 0.45f, 0.45f, RGB(255, 255, 255), 3, 0, 2);
    MeterDesc* m = Meter(needle);
    const LineDesc border = m->borderLine;
    auto background = [](DialogDriver& d)
    {
        // A rounded rectangle shows as a border; off and on again it is a rectangle.
        EXPECT_TRUE(d.IsChecked(IDC_MT_BORDER));
        d.Click(IDC_MT_BORDER);
        EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_MT_BORDER_ATTRIB)));
        d.Click(IDC_MT_BORDER);
        EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_MT_BORDER_ATTRIB)));
        EXPECT_EQ(d.GetText(IDC_MT_BAR_RED_VALUE), "255");
        DragBar(d, IDC_MT_BAR_RED, 200);
        DragBar(d, IDC_MT_BAR_GREEN, 120);
        SendMessage(d.Dialog(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0),
                    reinterpret_cast<LPARAM>(d.Item(IDC_MT_BAR_GREEN)));
        DragBar(d, IDC_MT_BAR_BLUE, 40);
        EXPECT_EQ(d.GetText(IDC_MT_BAR_GREEN_VALUE), "121");
        // The sample shows the colour as it is now.
        const kel::testkit::Image sample = kel::testkit::CaptureWindow(d.Item(IDC_MT_BAR_SAMPLE));
        EXPECT_EQ(sample.Pixel(sample.width / 2, sample.height / 2), RGB(200, 121, 40));
        Screenshot(d, "meter_background");
        d.Click(IDOK);
    };

    // Cancel in the meter dialog drops what the background dialog confirmed.
    const std::vector<BYTE> before = Bytes(m, sizeof(MeterDesc));
    EXPECT_EQ(Edit(
                  needle,
                  [](DialogDriver& d)
                  {
                      EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_MT_BACKGROUND)));
                      d.Click(IDC_MT_BACKGROUND);
                      d.Click(IDCANCEL);
                  },
                  "Meter Background", background),
              2);
    EXPECT_TRUE(Bytes(m, sizeof(MeterDesc)) == before);

    EXPECT_EQ(Edit(
                  needle,
                  [](DialogDriver& d)
                  {
                      d.Click(IDC_MT_BACKGROUND);
                      d.Click(IDOK);
                  },
                  "Meter Background", background),
              1);
    EXPECT_EQ(m->borderKind, 1);
    EXPECT_EQ(m->face, RGB(200, 121, 40));
    EXPECT_EQ(std::memcmp(&m->borderLine, &border, sizeof border), 0);
    Repainted(graph);
}

TEST_F(MeterDialogsTest, TextParametersSetTheSizeAtThePageScale)
{
    constexpr int kTextSize = 1101, kTextText = 1102; // of plotkit's text dialog
    graph->page->scaleX = 2;
    const SHORT colours = GetDevDesc()->displayColors;
    GetDevDesc()->displayColors = 16;
    EXPECT_EQ(Edit(
                  needle,
                  [](DialogDriver& d)
                  {
                      EXPECT_EQ(ComboCount(d, IDC_MT_COLOR), 16) << "a smaller palette";
                      d.Click(IDC_MT_TEXT);
                      d.Click(IDOK);
                  },
                  "Text",
                  [](DialogDriver& d)
                  {
                      EXPECT_FALSE(IsWindowVisible(d.Item(kTextText)) && IsWindowEnabled(d.Item(kTextText)))
                          << "the meter's texts are not edited here";
                      d.SetText(kTextSize, "24");
                      d.Click(IDOK);
                  }),
              1);
    GetDevDesc()->displayColors = colours;
    graph->page->scaleX = 1;
    const FontDesc& font = Meter(needle)->font;
    EXPECT_EQ(font.currentSize, 24);
    EXPECT_EQ(font.baseSize, 12) << "the size at the page's scale 2";
    EXPECT_EQ(font.text, nullptr);
}

TEST_F(MeterDialogsTest, CancelLeavesEachMeterAsItWas)
{
    for (WORD* number : {&needle, &pie, &arc})
    {
        const std::vector<BYTE> before = Bytes(Meter(*number), sizeof(MeterDesc));
        EXPECT_EQ(Edit(
                      *number,
                      [](DialogDriver& d)
                      {
                          d.SetText(IDC_MT_FROM, "-1000");
                          d.SetText(IDC_MT_DIAMETER, "10");
                          d.SetText(IDC_MT_ANGLE_TO, "90");
                          d.Click(IDC_MT_TICKS_MIDDLE);
                          d.Select(IDC_MT_COLOR, 3);
                          d.SetText(IDC_MT_LABEL_PRECISION, "5");
                          // The same dialog cannot open a second time while it is open.
                          EXPECT_EQ(rtDisplayDialogBoxParam(MeterDlgProc, "METER", d.Dialog(), 0), 2);
                          d.Click(IDCANCEL);
                      },
                      "Meter Parameters",
                      [](DialogDriver& d) { EXPECT_FALSE(d.IsOpen()) << "ends at once"; }),
                  2);
        EXPECT_TRUE(Bytes(Meter(*number), sizeof(MeterDesc)) == before) << *number;
    }
}

} // namespace
} // namespace trendkit::test
