// Edit dialogs of the scroll family and the bar displays driven offscreen. Each opens on a copy;
// OK writes back only the fields the dialog edits, Cancel leaves the record as it was.
#include "Bargraphs.h"
#include "TrendkitFixture.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"
#include "testkit/Image.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace trendkit::test
{
namespace
{

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr int kLineColor = 1050; // the line dialog's colour list

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

std::string Caption(DialogDriver& d)
{
    char text[64] = {};
    GetWindowText(d.Dialog(), text, sizeof text);
    return text;
}

bool Enabled(DialogDriver& d, int id)
{
    return IsWindowEnabled(d.Item(id)) != FALSE;
}

// A user moving one of the colour bar's scroll bars to `value`.
void ScrollTo(DialogDriver& d, int bar, int value)
{
    SendMessage(d.Dialog(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, value),
                reinterpret_cast<LPARAM>(d.Item(bar)));
}

// Pixels of colour `color` that control `id` shows, and the control's area.
std::pair<int, int> Shows(DialogDriver& d, int id, COLORREF color)
{
    d.Pump();
    RECT r{};
    GetWindowRect(d.Item(id), &r);
    POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    ScreenToClient(d.Dialog(), &corners[0]);
    ScreenToClient(d.Dialog(), &corners[1]);
    const kel::testkit::Image image = kel::testkit::CaptureWindow(d.Dialog());
    return {image.CountColor(color, corners[0].x, corners[0].y, corners[1].x, corners[1].y),
            (corners[1].x - corners[0].x) * (corners[1].y - corners[0].y)};
}

// The channel (0 red, 1 green, 2 blue) that control `id` shows most of.
int Tint(DialogDriver& d, int id)
{
    d.Pump();
    RECT r{};
    GetWindowRect(d.Item(id), &r);
    POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    ScreenToClient(d.Dialog(), &corners[0]);
    ScreenToClient(d.Dialog(), &corners[1]);
    const kel::testkit::Image image = kel::testkit::CaptureWindow(d.Dialog());
    long sums[3] = {};
    for (int y = corners[0].y; y < corners[1].y; ++y)
        for (int x = corners[0].x; x < corners[1].x; ++x)
        {
            const DWORD c = image.Pixel(x, y);
            sums[0] += GetRValue(c);
            sums[1] += GetGValue(c);
            sums[2] += GetBValue(c);
        }
    return sums[0] > sums[1] && sums[0] > sums[2] ? 0 : sums[1] > sums[2] ? 1 : 2;
}

std::vector<std::string> Entries(DialogDriver& d, int id)
{
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendDlgItemMessage(d.Dialog(), id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        char text[64] = {};
        SendDlgItemMessage(d.Dialog(), id, CB_GETLBTEXT, static_cast<WPARAM>(i),
                           reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

class ScrollDialogsTest : public TrendkitTest
{
protected:
    int slot = 0, bitsSlot = 0;
    WORD scroll = 0, sweep = 0, variable = 0, stacked = 0, logic = 0, xy = 0, scrollBars = 0, bars = 0;
    GrDesc* graph = nullptr;

    void SetUp() override
    {
        TrendkitTest::SetUp();
        slot = DefineSet(4, 500, "gases");
        const char* labels[] = {"N2", "H2O", "", "Ar"};
        for (int i = 0; i < 4; ++i)
            std::strcpy(GetDynDataSet(slot)->labels[i], labels[i]);
        bitsSlot = DefineSet(1);
        const COLORREF fills[4] = {RGB(255, 0, 0), kGreen, RGB(0, 0, 255), RGB(128, 128, 0)};
        graph = RangedGraph(
            [&](GrDesc* g)
            {
                scroll = WRSetScrollGraph(g, slot, 1, 0.5f, 1, 0, nullptr, nullptr, nullptr);
                sweep = WRSetSweepGraph(g, slot, 1, 1, 1, 3, nullptr, nullptr, nullptr);
                variable = WRSetVarScroll(g, slot, 0.5f, 1, 2, nullptr, nullptr, nullptr);
                stacked = WRSetStackedGraph(g, slot, 1, 0.5f, 1, 0, 1, nullptr, nullptr, nullptr);
                logic = WRSetLogicGraph(g, bitsSlot, 1, 0.5f, 1, 3, 1, nullptr, nullptr, nullptr);
                xy = WRSetXYGraph(g, slot, 30, nullptr, nullptr, nullptr);
                scrollBars = WRSetScrollBargraph(g, slot, 1, 5, 0.5f, 1, 3, kGreen, 1);
                bars = WRSetBargraph(g, slot, 0, 0, 10, 70, 8, fills, nullptr, nullptr);
            });
        for (WORD number : {scroll, sweep, variable, stacked, logic, xy, scrollBars, bars})
            ASSERT_NE(number, 0);
    }

    ScrollDesc* Scroll(WORD number) { return AsScroll(GetObjDesc(graph, number, nullptr)); }
    BarsDesc* Bars() { return AsBars(GetObjDesc(graph, bars, nullptr)); }
    void Feed(int samples)
    {
        for (int i = 0; i < samples; ++i)
        {
            const float v[4] = {float(i % 90), 20, 30, 40};
            WRUpdateData(slot, v, graph);
        }
    }

    int Edit(WORD number, const char* title, std::function<void(DialogDriver&)> drive,
             const char* innerTitle = nullptr, std::function<void(DialogDriver&)> inner = {})
    {
        WGSelObject(graph, number);
        ScriptedPrompts prompts;
        prompts.Expect(title).Drive(std::move(drive));
        if (inner)
            prompts.Expect(innerTitle).Drive(std::move(inner));
        return rtDefEditObject(graph);
    }
};

void PickRed(DialogDriver& d)
{
    d.Select(kLineColor, "Red");
    d.Click(IDOK);
}

TEST_F(ScrollDialogsTest, ScrollGraphOkWritesItsFieldsOverLiveUpdates)
{
    ScrollDesc* s = Scroll(scroll);
    const LineDesc firstPen = s->pens[0];
    EXPECT_EQ(Edit(
                  scroll, "Scrolling Graph",
                  [&](DialogDriver& d)
                  {
                      EXPECT_EQ(d.GetText(IDC_SG_INTERVAL), "1");
                      EXPECT_EQ(d.GetText(IDC_SG_RESET), "0.5");
                      EXPECT_TRUE(d.IsChecked(IDC_SG_NO_STEP));
                      EXPECT_EQ(Entries(d, IDC_SG_TRACES),
                                (std::vector<std::string>{"N2", "H2O", "Trace # 3", "Ar"}));
                      EXPECT_EQ(d.GetText(IDC_SG_TRACES), "N2") << "the bar value is selected";
                      d.SetText(IDC_SG_INTERVAL, "2");
                      d.SetText(IDC_SG_RESET, "0,25");
                      d.Click(IDC_SG_STEP_END);
                      d.Select(IDC_SG_TRACES, "H2O");
                      Screenshot(d, "scrollgraph");
                      d.Click(IDC_SG_ATTRIBUTES);
                      // Samples keep coming while the dialog is open.
                      Feed(7);
                      d.Click(IDOK);
                  },
                  "Line Parameters", PickRed),
              1);
    EXPECT_EQ(s->pens[1].paletteIndex, 4) << "the chosen trace's pen";
    EXPECT_EQ(s->pens[0].paletteIndex, firstPen.paletteIndex);
    EXPECT_EQ(s->barValue, 1);
    float interval = 0, kept = 0;
    int lineMode = -1;
    ASSERT_EQ(WRGetScrollGraphParams(graph, scroll, &interval, &kept, &lineMode), 1);
    EXPECT_FLOAT_EQ(interval, 2);
    EXPECT_FLOAT_EQ(kept, 0.25f);
    EXPECT_EQ(lineMode, 2);
    EXPECT_EQ(GetDynDataSet(slot)->current[0], 6) << "the live set kept what was fed meanwhile";
    EXPECT_GE(s->ringIndex, 0) << "the record was not put back as it was at opening";
}

TEST_F(ScrollDialogsTest, EachGraphKindShowsAndWritesItsOwnFields)
{
    struct Case
    {
        WORD* number;
        const char* prompt;   // the template's caption
        const char* title;    // the caption shown
        bool interval, reset; // enabled fields
        float typedInterval, typedReset;
        float interval2, reset2; // after OK
        int lineMode;            // after OK (-1: as it was)
    } cases[] = {
        // The sweep keeps its kept fraction; the variable scroll has no interval of its own.
        {&sweep, "Scrolling Graph", "Sweep Graph", true, false, 3, 0.9f, 3, 0, 1},
        {&variable, "Scrolling Graph", "Scrolling Graph", false, true, 3, 0.8f, 0, 0.8f, 2},
        {&stacked, "Logic Graph Parameters", "Stacked Graph", true, true, 2, 0.1f, 2, 0.1f, 0},
        {&logic, "Logic Graph Parameters", "Logic Graph Parameters", true, true, 4, 0.2f, 4, 0.2f, -1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.title);
        ScrollDesc* s = Scroll(*c.number);
        const float keptBefore = s->keptFraction, intervalBefore = s->interval;
        const int lineModeBefore = s->lineMode;
        EXPECT_EQ(Edit(*c.number, c.prompt,
                       [&](DialogDriver& d)
                       {
                           EXPECT_EQ(Caption(d), c.title);
                           EXPECT_EQ(Enabled(d, IDC_SG_INTERVAL), c.interval);
                           EXPECT_EQ(Enabled(d, IDC_SG_RESET), c.reset);
                           EXPECT_EQ(Enabled(d, IDC_SG_RESET_LABEL), c.reset);
                           if (c.interval)
                               d.SetText(IDC_SG_INTERVAL, ftoa(c.typedInterval, 7, 4));
                           if (c.reset)
                               d.SetText(IDC_SG_RESET, ftoa(c.typedReset, 7, 4));
                           if (c.number == &stacked)
                               Screenshot(d, "logicgraph");
                           d.Click(IDOK);
                       }),
                  1);
        EXPECT_FLOAT_EQ(s->interval, c.interval ? c.interval2 : intervalBefore);
        EXPECT_FLOAT_EQ(s->keptFraction, c.reset ? c.reset2 : keptBefore);
        EXPECT_EQ(s->lineMode, c.lineMode >= 0 ? c.lineMode : lineModeBefore);
    }
    // The style radios show the record's line mode.
    EXPECT_EQ(Edit(variable, "Scrolling Graph",
                   [](DialogDriver& d)
                   {
                       EXPECT_TRUE(d.IsChecked(IDC_SG_STEP_END));
                       d.Click(IDC_SG_STEP_START);
                       d.Click(IDOK);
                   }),
              1);
    EXPECT_EQ(Scroll(variable)->lineMode, 1);
}

TEST_F(ScrollDialogsTest, XYGraphWritesPensAndTraceOnly)
{
    ScrollDesc* s = Scroll(xy);
    s->lineMode = 2; // not the dialog's to change
    const float kept = s->keptFraction;
    const INT keptPoints = s->kept;
    EXPECT_EQ(Edit(
                  xy, "XY Plot Parameters",
                  [](DialogDriver& d)
                  {
                      EXPECT_EQ(Entries(d, IDC_SG_TRACES), (std::vector<std::string>{"N2", "H2O"}));
                      d.Select(IDC_SG_TRACES, 1);
                      Screenshot(d, "xygraph");
                      d.Click(IDC_SG_ATTRIBUTES);
                      d.Click(IDOK);
                  },
                  "Line Parameters", PickRed),
              1);
    EXPECT_EQ(s->pens[1].paletteIndex, 4);
    EXPECT_EQ(s->barValue, 1);
    EXPECT_EQ(s->lineMode, 2);
    EXPECT_FLOAT_EQ(s->keptFraction, kept);
    EXPECT_EQ(s->kept, keptPoints);
}

TEST_F(ScrollDialogsTest, CancelLeavesEveryObjectAsItWas)
{
    struct Case
    {
        WORD* number;
        const char* title;
        int lineButton; // opens the line dialog (0: none)
        size_t size;
    } cases[] = {
        {&scroll, "Scrolling Graph", IDC_SG_ATTRIBUTES, sizeof(ScrollDesc)},
        {&logic, "Logic Graph Parameters", IDC_SG_ATTRIBUTES, sizeof(ScrollDesc)},
        {&xy, "XY Plot Parameters", IDC_SG_ATTRIBUTES, sizeof(ScrollDesc)},
        {&scrollBars, "Scrolling Bars", IDC_SG_ATTRIBUTES, sizeof(ScrollDesc)},
        {&bars, "Dynamic Bar Graphs", 0, sizeof(BarsDesc)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.title);
        const std::vector<BYTE> before = Bytes(GetObjDesc(graph, *c.number, nullptr), c.size);
        EXPECT_EQ(Edit(
                      *c.number, c.title,
                      [&](DialogDriver& d)
                      {
                          if (GetDlgItem(d.Dialog(), IDC_SG_INTERVAL))
                              d.SetText(IDC_SG_INTERVAL, "7");
                          if (GetDlgItem(d.Dialog(), IDC_SG_RED))
                              ScrollTo(d, IDC_SG_RED, 9);
                          if (GetDlgItem(d.Dialog(), IDC_SG_HATCH))
                              d.Select(IDC_SG_HATCH, 3);
                          if (c.lineButton)
                              d.Click(c.lineButton);
                          d.Click(IDCANCEL);
                      },
                      "Line Parameters", c.lineButton ? PickRed : std::function<void(DialogDriver&)>{}),
                  2);
        EXPECT_TRUE(Bytes(GetObjDesc(graph, *c.number, nullptr), c.size) == before);
    }
}

TEST_F(ScrollDialogsTest, ScrollBargraphOk)
{
    ScrollDesc* s = Scroll(scrollBars);
    ASSERT_EQ(WRChangeScrollGraph(graph, scrollBars, 5, 0.5f, 1), 1);
    EXPECT_EQ(Edit(
                  scrollBars, "Scrolling Bars",
                  [&](DialogDriver& d)
                  {
                      EXPECT_EQ(d.GetText(IDC_SG_INTERVAL), "5");
                      EXPECT_EQ(d.GetText(IDC_SG_RESET), "0.5");
                      EXPECT_EQ(d.GetText(IDC_SG_BAR_WIDTH), "3");
                      EXPECT_TRUE(d.IsChecked(IDC_SG_BAR_BORDER));
                      EXPECT_EQ(d.GetText(IDC_SG_GREEN_VALUE), "160");
                      EXPECT_EQ(GetScrollPos(d.Item(IDC_SG_GREEN), SB_CTL), 160);
                      Screenshot(d, "scrollbars");
                      d.Click(IDC_SG_ATTRIBUTES); // border pen: red
                      ScrollTo(d, IDC_SG_RED, 200);
                      EXPECT_EQ(d.GetText(IDC_SG_RED_VALUE), "200");
                      // The sample shows the colour; each bar is painted in its own.
                      const auto [sample, area] = Shows(d, IDC_SG_SAMPLE, RGB(200, 160, 0));
                      EXPECT_GT(sample, area / 2);
                      for (int i = 0; i < 3; ++i)
                          EXPECT_EQ(Tint(d, IDC_SG_RED + i), i);
                      d.SetText(IDC_SG_INTERVAL, "2");
                      d.SetText(IDC_SG_BAR_WIDTH, "1,5");
                      d.Click(IDOK);
                  },
                  "Line Parameters", PickRed),
              1);
    EXPECT_EQ(s->barFill, RGB(200, 160, 0));
    EXPECT_EQ(s->barBorder, 1);
    EXPECT_EQ(s->pens[0].paletteIndex, 4);
    EXPECT_EQ(s->barValue, 1) << "still the value it shows";
    EXPECT_FLOAT_EQ(s->interval, 2);
    EXPECT_EQ(s->lineMode, 0) << "always straight";
    EXPECT_FLOAT_EQ(s->barWidthFraction, 0.015f);

    // Border off: its button is disabled and the pen carries the bar colour.
    EXPECT_EQ(Edit(scrollBars, "Scrolling Bars",
                   [](DialogDriver& d)
                   {
                       d.Check(IDC_SG_BAR_BORDER, false);
                       EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_SG_ATTRIBUTES)));
                       d.Click(IDOK);
                   }),
              1);
    EXPECT_EQ(s->barBorder, 0);
    EXPECT_EQ(s->pens[0].color, s->barFill);
}

TEST_F(ScrollDialogsTest, BarWidthFieldsAsTyped)
{
    struct Case
    {
        const char* text;
        float fraction; // after OK, from 0.03 (scroll bargraph) and 0.08 (dynamic bars)
        float barsFraction;
    } cases[] = {
        {"5", 0.05f, 0.05f}, {"", 0.03f, 0.08f},                              // empty: unchanged
        {"0", 0, 0},         {"2,5", 0.025f, 0.025f}, {"1e60", 0.03f, 0.08f}, // no finite number: unchanged
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        Scroll(scrollBars)->barWidthFraction = 0.03f;
        Bars()->g.widthFraction = 0.08f;
        Edit(scrollBars, "Scrolling Bars",
             [&](DialogDriver& d)
             {
                 d.SetText(IDC_SG_BAR_WIDTH, c.text);
                 d.Click(IDOK);
             });
        Edit(bars, "Dynamic Bar Graphs",
             [&](DialogDriver& d)
             {
                 EXPECT_EQ(d.GetText(IDC_SG_BARS_WIDTH), "8");
                 d.SetText(IDC_SG_BARS_WIDTH, c.text);
                 d.Click(IDOK);
             });
        EXPECT_FLOAT_EQ(Scroll(scrollBars)->barWidthFraction, c.fraction);
        EXPECT_FLOAT_EQ(Bars()->g.widthFraction, c.barsFraction);
    }
}

TEST_F(ScrollDialogsTest, DynamicBarsEditTheCurrentBar)
{
    BarsDesc* b = Bars();
    b->current = 2;
    const COLORREF otherFill = b->fills[1];
    EXPECT_EQ(Edit(bars, "Dynamic Bar Graphs",
                   [&](DialogDriver& d)
                   {
                       EXPECT_EQ(d.GetText(IDC_SG_HATCH), "None");
                       EXPECT_EQ(d.GetText(IDC_SG_BLUE_VALUE), "255");
                       d.Select(IDC_SG_HATCH, "////");
                       ScrollTo(d, IDC_SG_GREEN, 128);
                       // A hatched sample: the colour crossed by the hatch lines.
                       const auto [sample, area] = Shows(d, IDC_SG_SAMPLE, RGB(0, 128, 255));
                       EXPECT_GT(sample, area / 2);
                       EXPECT_LT(sample, area * 95 / 100);
                       Screenshot(d, "dynbars");
                       Feed(3);
                       d.Click(IDOK);
                   }),
              1);
    EXPECT_EQ(b->hatches[2], 3);
    EXPECT_EQ(b->fills[2], RGB(0, 128, 255));
    EXPECT_EQ(b->fills[1], otherFill);
    EXPECT_EQ(b->hatches[1], -1);
    EXPECT_EQ(b->current, 2);
    EXPECT_NE(b->values[1], b->g.base) << "the bar levels fed meanwhile stay";
}

TEST_F(ScrollDialogsTest, AlarmAttributesEditTheLiveSetOfAFrozenGraph)
{
    Feed(150);
    float used = 0;
    ASSERT_EQ(WRShowHist(graph, scroll, -30, 0, &used), 1);
    ASSERT_NE(Scroll(scroll)->r.rt.dataSet, GetDynDataSet(slot)) << "the graph shows a frozen copy";
    EXPECT_EQ(Edit(
                  scroll, "Scrolling Graph",
                  [](DialogDriver& d)
                  {
                      d.Click(IDC_RT_ALARM_ATTRIBUTES);
                      d.Click(IDCANCEL);
                  },
                  "Alarm Attributes",
                  [](DialogDriver& d)
                  {
                      d.SetText(IDC_RT_LIMIT, "77");
                      d.Click(IDOK);
                  }),
              2);
    // The alarm settings confirmed in the sub-dialog stay, and survive the end of the history view.
    ASSERT_EQ(WRResumeScroll(graph, scroll), 1);
    EXPECT_FLOAT_EQ(GetDynDataSet(slot)->alarms[0].limit, 77);
}

TEST_F(ScrollDialogsTest, ASecondOpeningEndsAtOnce)
{
    WGSelObject(graph, scroll);
    ScriptedPrompts prompts;
    prompts.Expect("Scrolling Graph")
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(rtDisplayDialogBoxParam(ScrollGraphDlgProc, "XYG", d.Dialog(),
                                                  reinterpret_cast<LPARAM>(graph)),
                          2);
                d.SetText(IDC_SG_INTERVAL, "4");
                d.Click(IDOK);
            });
    prompts.Expect("XY Plot Parameters").Run();
    EXPECT_EQ(rtDefEditObject(graph), 1);
    EXPECT_FLOAT_EQ(Scroll(scroll)->interval, 4) << "the first dialog is unaffected";
}

} // namespace
} // namespace trendkit::test
