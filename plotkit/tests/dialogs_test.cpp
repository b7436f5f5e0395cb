// Object parameter dialogs driven offscreen: each opens from the object editor on a copy, OK writes
// the copy back, Cancel leaves the object as it was, fields keep to their ranges, and a dialog that
// is open already cannot open a second time.
#include "PlotkitFixture.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"
#include "testkit/Image.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

std::vector<BYTE> Bytes(GrDesc* graph, int number)
{
    ObjDesc* o = ObjectAt(graph, number);
    const auto* p = reinterpret_cast<const BYTE*>(o);
    return std::vector<BYTE>(p, p + GlobalSize(GlobalHandle(o)));
}

void Screenshot(DialogDriver& d, const char* name)
{
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), std::string(keep) + "/plotkit_" + name + ".png");
}

class DialogsTest : public PlotkitTest
{
protected:
    std::vector<float> x{0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<float> y{0, 1, 2, 3, 4, 3, 2, 1, 0};
    std::vector<float> x3{1, 3, 5, 7};
    std::vector<float> y3{1, 2, 1.5f, 2, 3, 2.5f, 1, 2.5f, 2, 0.5f, 1, 0.8f};
    int set = 0, groupSet = 0;
    int xAxis = 0, yAxis = 0, line = 0, bars = 0, group = 0, hiLo = 0, labels = 0, arrow = 0, segment = 0;
    GrDesc* graph = nullptr;

    void SetUp() override
    {
        PlotkitTest::SetUp();
        set = WGDefineDataSetPtr("tent", x.data(), y.data(), 9);
        groupSet = WGDefineGroupDataSetPtr("triples", x3.data(), y3.data(), 4, 3);
        PgDesc* page = MakePage("dialogs", 8);
        graph = MakeGraph(page, 0, 0, 1, 1,
                          [this](GrDesc* g, HWND)
                          {
                              HDC dc = g->buildDc;
                              WGSetPlotArea(g, dc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
                              WGScalePlotArea(g, 0, 0, 8, 4);
                              WGSetXYIntercepts(g, 0, 0);
                              xAxis = WGDrawXAxis(g, dc, 1, 0, 0);
                              yAxis = WGDrawYAxis(g, dc, 1, 0, 1);
                              labels = WGLabelAxis(g, dc, xAxis, 0, 0, 1, 0, nullptr);
                              WGSetLineStyle(g, dc, 0, 2, 12);
                              line = WGLinePlot(g, dc, set, FALSE, FALSE);
                              bars = WGBargraph(g, dc, set, 0.5f, 3, 6, RGB(250, 0, 0), 255, 0);
                              group = WGGroupBargraph(g, dc, groupSet, 0.5f, 3, 6, 0, nullptr, nullptr, nullptr);
                              hiLo = WGHighLowClose(g, dc, groupSet, 4, 12, 4, 0);
                              arrow = WGArrowNorm(g, dc, 0.2f, 0.2f, 0.5f, 0.5f, 6, 10, 0, 1, 1);
                              segment = WGLineNorm(g, dc, 0.2f, 0.8f, 0.6f, 0.8f);
                          });
        UpdateWindow(graph->window);
        ASSERT_TRUE(graph->finished);
        ASSERT_NE(arrow, 0);
        ASSERT_NE(hiLo, 0);
    }

    // Opens the object editor on an object with one scripted dialog.
    int Edit(int number, const char* title, std::function<void(DialogDriver&)> drive)
    {
        WGSelObject(graph, number);
        ScriptedPrompts prompts;
        prompts.Expect(title).Drive(std::move(drive));
        return DefEditObject(graph);
    }

    // Cancel in the dialog of an object leaves its record as it was.
    void ExpectCancelKeeps(int number, const char* title, std::function<void(DialogDriver&)> edit)
    {
        const std::vector<BYTE> before = Bytes(graph, number);
        EXPECT_EQ(Edit(number, title,
                       [&](DialogDriver& d)
                       {
                           edit(d);
                           d.Click(IDCANCEL);
                       }),
                  2);
        EXPECT_TRUE(Bytes(graph, number) == before) << title;
        EXPECT_EQ(ObjectAt(graph, PK_EDIT_COPY), nullptr) << "no edit copy is left behind";
    }

    AxisDesc* Axis(int n) { return reinterpret_cast<AxisDesc*>(ObjectAt(graph, n)); }
    CurveDesc* Curve(int n) { return reinterpret_cast<CurveDesc*>(ObjectAt(graph, n)); }
};

TEST(CheckRealTest, ReadsTheNumberOfATypedText)
{
    struct Case
    {
        const char* text;
        int length;
        float value;
    } cases[] = {
        {"2,5", 16, 2.5f},        // a decimal comma
        {"-1,25e2 mbar", 16, -125.0f},
        {"1e3 V", 16, 1000.0f},   // the unit is left out
        {"12345", 3, 123.0f},     // ended at the length
        {"torr", 16, 0.0f},
        {"", 16, 0.0f},
    };
    for (const Case& c : cases)
    {
        char text[32] = {};
        std::strncpy(text, c.text, sizeof text - 1);
        EXPECT_FLOAT_EQ(CheckReal(text, c.length), c.value) << c.text;
    }
}

TEST_F(DialogsTest, TheLineDialogWritesColourWidthAndStyleOnOkOnly)
{
    LineDesc pen = graph->border;
    pen.style = 0;
    pen.paletteIndex = 12;
    pen.color = WGGetRGBColor(12);
    pen.pixelWidth = 1;
    {
        ScriptedPrompts prompts;
        prompts.Expect("Line Parameters").Drive(
            [](DialogDriver& d)
            {
                EXPECT_EQ(d.FocusedId(), IDOK);
                Screenshot(d, "linepar_dialog");
                EXPECT_EQ(SendMessage(d.Item(IDC_LINEPAR_WIDTH), CB_GETCOUNT, 0, 0), 5) << "0 to 4";
                EXPECT_EQ(SendMessage(d.Item(IDC_DLG_COLOR), CB_GETCOUNT, 0, 0), 20);
                d.Select(IDC_DLG_COLOR, "Light Green");
                d.SetText(IDC_LINEPAR_WIDTH, "3");
                d.Select(IDC_LINEPAR_STYLE, 0);
                d.Click(IDOK);
            });
        EXPECT_EQ(DialogBoxParam(Module(), "LINEPAR", nullptr, WGLineParDlgProc, reinterpret_cast<LPARAM>(&pen)), 1);
    }
    EXPECT_EQ(pen.paletteIndex, 10);
    EXPECT_EQ(pen.color, WGGetRGBColor(10));
    EXPECT_EQ(pen.pixelWidth, 3);
    EXPECT_GT(pen.widthX, 0) << "a solid wide pen has a logical width";

    // Widths typed out of range keep to 0..99; a dashed pen is one pixel wide.
    struct Case
    {
        const char* typed;
        int style;
        int pixels;
        bool logical;
    } cases[] = {{"150", 0, 99, true}, {"0", 0, 0, false}, {"2", 1, 2, false}, {"", 0, 3, true}};
    for (const Case& c : cases)
    {
        ScriptedPrompts prompts;
        prompts.Expect("Line Parameters").Drive(
            [&](DialogDriver& d)
            {
                d.SetText(IDC_LINEPAR_WIDTH, c.typed);
                d.Select(IDC_LINEPAR_STYLE, c.style);
                d.Click(IDOK);
            });
        pen.pixelWidth = 3;
        DialogBoxParam(Module(), "LINEPAR", nullptr, WGLineParDlgProc, reinterpret_cast<LPARAM>(&pen));
        EXPECT_EQ(pen.pixelWidth, c.pixels) << c.typed;
        EXPECT_EQ(pen.widthX > 0, c.logical) << c.typed;
    }

    const LineDesc kept = pen;
    pen.style = 5; // beyond the list: the style stays untouchable
    const LineDesc odd = pen;
    {
        ScriptedPrompts prompts;
        prompts.Expect("Line Parameters").Drive(
            [](DialogDriver& d)
            {
                EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_LINEPAR_STYLE)));
                d.Select(IDC_DLG_COLOR, 1);
                d.Click(IDCANCEL);
            });
        EXPECT_EQ(DialogBoxParam(Module(), "LINEPAR", nullptr, WGLineParDlgProc, reinterpret_cast<LPARAM>(&pen)), 2);
    }
    EXPECT_EQ(std::memcmp(&pen, &odd, sizeof pen), 0);
    (void)kept;
}

TEST_F(DialogsTest, ADialogOpenAlreadyDoesNotOpenASecondTime)
{
    LineDesc pen = graph->border;
    ScriptedPrompts prompts;
    int nested = -1;
    prompts.Expect("Line Parameters").Drive(
        [&](DialogDriver& d)
        {
            LineDesc other = pen;
            nested = static_cast<int>(
                DialogBoxParam(Module(), "LINEPAR", d.Dialog(), WGLineParDlgProc, reinterpret_cast<LPARAM>(&other)));
            d.Click(IDOK);
        });
    prompts.Expect("Line Parameters").Run();
    EXPECT_EQ(DialogBoxParam(Module(), "LINEPAR", nullptr, WGLineParDlgProc, reinterpret_cast<LPARAM>(&pen)), 1);
    EXPECT_EQ(nested, 2);
}

TEST_F(DialogsTest, TheAxisDialogEditsTheAxisThroughTheEditCopy)
{
    EXPECT_EQ(Edit(xAxis, "Horizontal Axis",
                   [&](DialogDriver& d)
                   {
                       Screenshot(d, "axis_dialog");
                       EXPECT_EQ(d.FocusedId(), IDOK);
                       EXPECT_EQ(d.GetText(IDC_AXIS_FROM), "0");
                       EXPECT_EQ(d.GetText(IDC_AXIS_TO), "8");
                       EXPECT_TRUE(d.IsChecked(IDC_DLG_POS_1040));
                       EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_AXIS_MAJOR_STYLE)));
                       EXPECT_NE(ObjectAt(graph, PK_EDIT_COPY), nullptr);
                       d.SetText(IDC_AXIS_FROM, "2,5");
                       d.SetText(IDC_AXIS_TO, "10");
                       d.SetText(IDC_AXIS_STEP, "0,5");
                       d.SetText(IDC_AXIS_MINOR_TICKS, "4");
                       d.Click(IDC_DLG_POS_1041);
                       d.Check(IDC_AXIS_MAJOR_GRID);
                       EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_AXIS_MAJOR_STYLE)));
                       EXPECT_FLOAT_EQ(Axis(xAxis)->xMin, 0) << "the axis waits for OK";
                       d.Click(IDOK);
                   }),
              1);
    AxisDesc* a = Axis(xAxis);
    EXPECT_FLOAT_EQ(a->xMin, 2.5f);
    EXPECT_FLOAT_EQ(a->xMax, 10);
    EXPECT_FLOAT_EQ(a->tickStep, 0.5f);
    EXPECT_EQ(a->minorTicks, 4);
    EXPECT_EQ(a->tickStyle, 4) << "above an X axis";
    EXPECT_EQ(a->majorGrid, 1);
    EXPECT_EQ(ObjectAt(graph, PK_EDIT_COPY), nullptr);

    ExpectCancelKeeps(xAxis, "Horizontal Axis",
                      [](DialogDriver& d)
                      {
                          d.SetText(IDC_AXIS_FROM, "-4");
                          d.Check(IDC_AXIS_LOG);
                          d.Check(IDC_AXIS_MINOR_GRID);
                      });
}

TEST_F(DialogsTest, AnAxisMadeFlatOrGivenAStepBeyondItsRange)
{
    const std::vector<BYTE> before = Bytes(graph, yAxis);
    EXPECT_EQ(Edit(yAxis, "Horizontal Axis",
                   [](DialogDriver& d)
                   {
                       char title[64] = {};
                       GetWindowText(d.Dialog(), title, sizeof title);
                       EXPECT_STREQ(title, "Vertical Axis");
                       EXPECT_EQ(d.GetText(IDC_DLG_POS_1040), "Left");
                       EXPECT_EQ(d.GetText(IDC_DLG_POS_1041), "Right");
                       d.SetText(IDC_AXIS_TO, "0");
                       d.Click(IDOK);
                   }),
              2);
    EXPECT_TRUE(Bytes(graph, yAxis) == before) << "equal ends leave the axis unchanged";

    // Step edits: a step not above 0 is not applied; one wider than the new range becomes it.
    struct Case
    {
        const char* step;
        const char* to;
        float expected;
    } cases[] = {{"-1", "4", 1.0f}, {"", "4", 1.0f}, {"3", "2", 2.0f}};
    for (const Case& c : cases)
    {
        Edit(yAxis, "Horizontal Axis",
             [&](DialogDriver& d)
             {
                 d.SetText(IDC_AXIS_STEP, c.step);
                 d.SetText(IDC_AXIS_TO, c.to);
                 d.Click(IDOK);
             });
        EXPECT_FLOAT_EQ(Axis(yAxis)->tickStep, c.expected) << c.step << " to " << c.to;
        Axis(yAxis)->tickStep = 1;
    }
}

TEST_F(DialogsTest, ThePlotDialogEditsACurveAndSwitchesToTheBarDialog)
{
    EXPECT_EQ(Edit(line, "Plot Parameters",
                   [&](DialogDriver& d)
                   {
                       Screenshot(d, "line_dialog_line");
                       EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_PLOT_SHAPE))) << "no markers on a line";
                       d.Select(IDC_PLOT_TYPE, "Line+Symbol");
                       EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_PLOT_SHAPE)));
                       Screenshot(d, "line_dialog");
                       d.Select(IDC_PLOT_SHAPE, "Diamond");
                       d.SetText(IDC_PLOT_SIZE, "0");
                       d.Select(IDC_DLG_COLOR, "Red");
                       d.Click(IDC_PLOT_EMPTY);
                       d.Check(IDC_PLOT_FILL);
                       d.Click(IDOK);
                   }),
              3);
    CurveDesc* c = Curve(line);
    EXPECT_EQ(c->head.subKind, 4);
    EXPECT_EQ(c->markerType, 7);
    EXPECT_EQ(c->markerHeight, 1) << "a size below 1 becomes 1";
    EXPECT_EQ(c->markerColor, 4);
    EXPECT_EQ(c->markerStyle, 1);
    EXPECT_EQ(c->fillArea, 1);

    // Spline alone: result 7, shown by the editor as a repaint.
    WGSelObject(graph, line);
    {
        ScriptedPrompts prompts;
        int result = 0;
        prompts.Expect("Plot Parameters").Drive(
            [&](DialogDriver& d)
            {
                d.Check(IDC_PLOT_SPLINE);
                d.Click(IDOK);
            });
        result = DialogBoxParam(Module(), "LINE", nullptr, PlotDlgProc,
                                reinterpret_cast<LPARAM>(GlobalHandle(ObjectAt(graph, line))));
        EXPECT_EQ(result, 7);
    }
    EXPECT_EQ(Curve(line)->spline, 1);

    // "Vert. Bars" continues in the bar dialog; "Line" there comes back.
    {
        WGSelObject(graph, line);
        ScriptedPrompts prompts;
        prompts.Expect("Plot Parameters").Drive([](DialogDriver& d) { d.Select(IDC_PLOT_TYPE, "Vert. Bars"); });
        prompts.Expect("Bar Graph Parameters").Drive([](DialogDriver& d) { d.Select(IDC_PLOT_TYPE, "Line"); });
        prompts.Expect("Plot Parameters").Drive([](DialogDriver& d) { d.Click(IDOK); });
        EXPECT_EQ(DefEditObject(graph), 3);
    }
    EXPECT_EQ(Curve(line)->head.subKind, 3);

    ExpectCancelKeeps(line, "Plot Parameters",
                      [](DialogDriver& d)
                      {
                          d.Check(IDC_PLOT_DROP_LINE);
                          d.Select(IDC_PLOT_TYPE, "Scattered");
                          EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_DLG_LINE_ATTRIBUTES)));
                      });
}

TEST_F(DialogsTest, TheBarDialogEditsColourHatchPositionAndWidth)
{
    EXPECT_EQ(Edit(bars, "Bar Graph Parameters",
                   [&](DialogDriver& d)
                   {
                       Screenshot(d, "bars_dialog");
                       const kel::testkit::Image sample = kel::testkit::CaptureWindow(d.Item(IDC_BAR_SAMPLE));
                       EXPECT_EQ(sample.Pixel(sample.width / 2, sample.height / 2), RGB(250, 0, 0))
                           << "the sample shows the bar colour";
                       EXPECT_EQ(d.GetText(IDC_BAR_RED_VALUE), "250");
                       EXPECT_EQ(d.GetText(IDC_BAR_WIDTH), "0.5");
                       EXPECT_EQ(SendMessage(d.Item(IDC_BAR_HATCH), CB_GETCOUNT, 0, 0), 7);
                       EXPECT_EQ(d.GetText(IDC_BAR_HATCH), "None");
                       // Scroll steps of the red bar from 250: page right stops at 255.
                       SendMessage(d.Dialog(), WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(d.Item(IDC_BAR_RED)));
                       EXPECT_EQ(d.GetText(IDC_BAR_RED_VALUE), "255");
                       SendMessage(d.Dialog(), WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(d.Item(IDC_BAR_GREEN)));
                       SendMessage(d.Dialog(), WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(d.Item(IDC_BAR_GREEN)));
                       SendMessage(d.Dialog(), WM_HSCROLL, SB_RIGHT, reinterpret_cast<LPARAM>(d.Item(IDC_BAR_BLUE)));
                       SendMessage(d.Dialog(), WM_HSCROLL, SB_LINELEFT, reinterpret_cast<LPARAM>(d.Item(IDC_BAR_BLUE)));
                       d.Select(IDC_BAR_HATCH, "++++");
                       d.Click(IDC_DLG_POS_1040);
                       d.SetText(IDC_BAR_WIDTH, "0,25");
                       d.Check(IDC_BAR_BORDER);
                       EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_DLG_LINE_ATTRIBUTES)));
                       d.Click(IDOK);
                   }),
              3);
    CurveDesc* c = Curve(bars);
    EXPECT_EQ(c->barColor, RGB(255, 21, 254));
    EXPECT_EQ(c->hatch, 4);
    EXPECT_EQ(c->barPosition, 1) << "left of a vertical bar's point";
    EXPECT_NEAR(c->barWidth * 8, 0.25f, 1e-5);
    EXPECT_EQ(c->markerStyle, 2) << "bordered";

    // Horizontal bars name their position buttons after the vertical direction.
    EXPECT_EQ(Edit(bars, "Bar Graph Parameters",
                   [](DialogDriver& d)
                   {
                       d.Select(IDC_PLOT_TYPE, "Horz. Bars");
                       EXPECT_EQ(d.GetText(IDC_DLG_POS_1041), "Above");
                       EXPECT_EQ(d.GetText(IDC_DLG_POS_1040), "Below");
                       d.Click(IDC_DLG_POS_1041);
                       d.Click(IDOK);
                   }),
              3);
    EXPECT_EQ(Curve(bars)->head.subKind, 7);
    EXPECT_EQ(Curve(bars)->barPosition, 4);

    ExpectCancelKeeps(bars, "Bar Graph Parameters",
                      [](DialogDriver& d)
                      {
                          d.Select(IDC_BAR_HATCH, "XXXX");
                          d.SetText(IDC_BAR_WIDTH, "3");
                          SendMessage(d.Dialog(), WM_HSCROLL, SB_LEFT, reinterpret_cast<LPARAM>(d.Item(IDC_BAR_RED)));
                      });
}

TEST_F(DialogsTest, GroupsOpenTheirOwnDialogs)
{
    EXPECT_EQ(Edit(group, "Bar Graph Parameters",
                   [](DialogDriver& d)
                   {
                       EXPECT_EQ(SendMessage(d.Item(IDC_PLOT_TYPE), CB_GETCOUNT, 0, 0), 3);
                       EXPECT_EQ(d.GetText(IDC_PLOT_TYPE), "Group Bars");
                       d.Select(IDC_PLOT_TYPE, "Stacked Bars");
                       d.Click(IDOK);
                   }),
              3);
    PropertyValue v{};
    FindPropertyOps(PK_TYPE_GROUP)->property(graph, ObjectAt(graph, group), kPropPlotType, 0, false, v);
    EXPECT_EQ(v.value, 2);

    EXPECT_EQ(Edit(hiLo, "High-Low-Close Parameters",
                   [](DialogDriver& d)
                   {
                       Screenshot(d, "hilo_dialog");
                       d.Select(IDC_PLOT_SHAPE, "Circle");
                       d.SetText(IDC_PLOT_SIZE, "500");
                       d.Click(IDOK);
                   }),
              3);
    FindPropertyOps(PK_TYPE_GROUP)->property(graph, ObjectAt(graph, hiLo), kPropMarkerType, 0, false, v);
    EXPECT_EQ(v.value, 8);
    EXPECT_EQ(v.size, 200) << "sizes keep to 1..200 points";

    ExpectCancelKeeps(hiLo, "High-Low-Close Parameters",
                      [](DialogDriver& d) { d.Select(IDC_PLOT_SHAPE, "Box"); });
    ExpectCancelKeeps(group, "Bar Graph Parameters", [](DialogDriver& d) { d.Select(IDC_BAR_HATCH, "////"); });
}

TEST_F(DialogsTest, TheLabelsDialogEditsPositionFormatAndLastLabel)
{
    EXPECT_EQ(Edit(labels, "Axis Labels",
                   [](DialogDriver& d)
                   {
                       Screenshot(d, "labels_dialog");
                       EXPECT_TRUE(d.IsChecked(IDC_DLG_POS_1040));
                       EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_LABELS_TEXT)));
                       d.Click(IDC_DLG_POS_1043);
                       d.Click(IDC_LABELS_SCIENTIFIC);
                       d.Check(IDC_LABELS_FIXED);
                       d.SetText(IDC_LABELS_PLACES, "3");
                       d.Click(IDC_LABELS_LAST_TEXT);
                       EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_LABELS_TEXT)));
                       d.SetText(IDC_LABELS_TEXT, "mbar x 1000");
                       EXPECT_EQ(d.GetText(IDC_LABELS_TEXT), "mbar x 10") << "9 characters at most";
                       d.Click(IDOK);
                   }),
              3);
    auto* l = reinterpret_cast<LabelsDesc*>(ObjectAt(graph, labels));
    EXPECT_EQ(l->position, 7);
    EXPECT_EQ(l->format, 1);
    EXPECT_EQ(l->precisionFixed, 1);
    EXPECT_EQ(l->precision, 3);
    EXPECT_EQ(l->lastLabel, 2);
    EXPECT_STREQ(l->lastText, "mbar x 10");

    // Nothing changed: 1, the labels drawn over themselves.
    EXPECT_EQ(Edit(labels, "Axis Labels", [](DialogDriver& d) { d.Click(IDOK); }), 1);
    ExpectCancelKeeps(labels, "Axis Labels",
                      [](DialogDriver& d)
                      {
                          d.Click(IDC_DLG_POS_1044);
                          d.Click(IDC_LABELS_LAST_OFF);
                      });
}

TEST_F(DialogsTest, TheArrowDialogKeepsHeadSizesInRange)
{
    struct Case
    {
        const char* width;
        const char* length;
        int expectedWidth, expectedLength;
    } cases[] = {{"8", "12", 8, 12}, {"999", "0", 200, 1}, {"", "5", 200, 5}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(Edit(arrow, "Arrow Parameters",
                       [&](DialogDriver& d)
                       {
                           Screenshot(d, "arrow_dialog");
                           d.SetText(IDC_ARROW_WIDTH, c.width);
                           d.SetText(IDC_ARROW_LENGTH, c.length);
                           d.Check(IDC_ARROW_BEGIN);
                           d.Check(IDC_PLOT_FILL, false);
                           d.Click(IDOK);
                       }),
                  3);
        EXPECT_EQ(WGGetArrowWidth(graph, arrow), c.expectedWidth) << c.width;
        EXPECT_EQ(WGGetArrowLength(graph, arrow), c.expectedLength) << c.length;
        EXPECT_EQ(WGGetArrowPos(graph, arrow), 3);
        EXPECT_EQ(WGGetArrowFill(graph, arrow), 0);
    }
    ExpectCancelKeeps(arrow, "Arrow Parameters",
                      [](DialogDriver& d)
                      {
                          d.SetText(IDC_ARROW_WIDTH, "20");
                          d.Check(IDC_ARROW_END, false);
                      });
    // A line segment opens the line dialog; every OK repaints.
    EXPECT_EQ(Edit(segment, "Line Parameters", [](DialogDriver& d) { d.Click(IDOK); }), 3);
}

TEST_F(DialogsTest, TheGraphDialogEditsTheSelectedGraphsLayout)
{
    PgDesc* page = graph->page;
    WGSelectGraph(graph);
    {
        ScriptedPrompts prompts;
        prompts.Expect("Graph Parameters").Drive(
            [](DialogDriver& d)
            {
                Screenshot(d, "graph_dialog");
                EXPECT_EQ(d.GetText(IDC_GRAPH_WIDTH), "100");
                EXPECT_EQ(d.GetText(IDC_PLOTAREA_LEFT), "10");
                d.SetText(IDC_GRAPH_LEFT, "10");
                d.SetText(IDC_GRAPH_WIDTH, "80");
                d.SetText(IDC_GRAPH_TOP, "0,05"); // within 0.0009 of 0: no change
                d.SetText(IDC_PLOTAREA_LEFT, "20"); // moves the plot, its width stays
                d.SetText(IDC_PLOTAREA_HEIGHT, "150"); // at most the whole graph
                d.Select(IDC_PLOTAREA_COLOR, "Yellow");
                d.Click(IDOK);
            });
        EXPECT_EQ(WGEditGraphDlg(page), 1);
    }
    float x = 0, y = 0, x2 = 0, y2 = 0;
    WGGetGraphPos(graph, &x, &y, &x2, &y2);
    EXPECT_FLOAT_EQ(x, 0.1f);
    EXPECT_FLOAT_EQ(y, 0.0f);
    EXPECT_FLOAT_EQ(x2, 0.9f);
    WGGetPlotPos(graph, &x, &y, &x2, &y2);
    EXPECT_FLOAT_EQ(x, 0.2f);
    EXPECT_FLOAT_EQ(x2, 1.0f);
    EXPECT_FLOAT_EQ(y2, 1.0f) << "the plot ends inside the graph";
    EXPECT_EQ(graph->plotBackground, WGGetRGBColor(14));

    const GrDesc kept = *graph;
    {
        ScriptedPrompts prompts;
        prompts.Expect("Graph Parameters").Drive(
            [](DialogDriver& d)
            {
                d.SetText(IDC_GRAPH_LEFT, "50");
                d.Check(IDC_GRAPH_BORDER, true);
                d.Select(IDC_GRAPH_COLOR, "Black");
                d.Click(IDCANCEL);
            });
        EXPECT_EQ(WGEditGraphDlg(page), 0);
    }
    EXPECT_EQ(std::memcmp(&kept, graph, sizeof kept), 0);
}

} // namespace
} // namespace plotkit::test
