// PID faceplate and parameter dialog: the faceplate's objects bound to the loop's sets and following
// its steps; the dialog filled from the loop, field ranges, OK and Enter writing back without output
// jumps, and Cancel leaving the loop as it was.
#include "TrendkitFixture.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"
#include "testkit/ScriptedPrompts.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace trendkit::test
{
namespace
{

using kel::testkit::DialogDriver;
using kel::testkit::Image;
using kel::testkit::ScriptedPrompts;

class PidDialogTest : public TrendkitTest
{
protected:
    int pvSet = 0, outSet = 0, loop = 0;

    void SetUp() override
    {
        TrendkitTest::SetUp();
        pvSet = WRDefineDynDataSet("pv", 2, "mbar", nullptr, 0);
        outSet = WRDefineDynDataSet("out", 1, "%", nullptr, 0);
        // Process 0-100, output 0-100, limits 10-90, gain 2, integral 0.5, derivative 0.2, bias 30.
        loop = WRDefinePID(pvSet, outSet, "Inlet valve", 50, 2, 0.5f, 0.2f, 30, 100, 0, 0, 100, 90, 10, 0, 1,
                           0, 0);
        ASSERT_NE(loop, 0);
    }

    PidLoopDesc* Loop() { return GetPidLoop(loop); }

    int Edit(std::function<void(DialogDriver&)> drive)
    {
        ScriptedPrompts prompts;
        prompts.Expect("PID Parameters").Drive(std::move(drive));
        return WREditPIDDlg(loop);
    }

    GrDesc* Faceplate(const char* autoText, WORD* out, COLORREF background = RGB(255, 255, 255))
    {
        static int pages = 0;
        const std::string name = "pid" + std::to_string(++pages);
        PgDesc* page = MakePage(name.c_str(), 0, 400, 400);
        const COLORREF colours[3] = {RGB(0, 0, 255), RGB(0, 160, 0), RGB(255, 0, 0)};
        return MakeGraph(page, 0, 0, 1, 1,
                         [=, this](GrDesc* g, HWND)
                         {
                             g->background = background;
                             WRSetPIDBargraph(g, loop, 0, 0, 1, 0, "OK", autoText, "MANUAL", colours, out);
                         });
    }

    static int ObjectType(GrDesc* graph, WORD number)
    {
        ObjDesc* o = number ? GetObjDesc(graph, number, nullptr) : nullptr;
        return o ? o->type : 0;
    }
};

TEST_F(PidDialogTest, FaceplateIsBoundToTheLoopsSets)
{
    WORD out[16];
    std::fill(out, out + 16, 0xFFFF);
    GrDesc* graph = Faceplate("AUTO", out);
    ASSERT_TRUE(graph->finished);
    EXPECT_NE(out[5], 0);
    const int pk[] = {0, 1, 2, 3, 5, 6, 7};
    const int types[] = {PK_TYPE_TEXT, PK_TYPE_AXIS,   PK_TYPE_LABELS, PK_TYPE_TEXT,
                         PK_TYPE_AXIS, PK_TYPE_LABELS, PK_TYPE_TEXT};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(ObjectType(graph, out[pk[i]]), types[i]) << "entry " << pk[i];
    EXPECT_EQ(ObjectType(graph, out[4]), RT_TYPE_DYN_BARS);
    EXPECT_EQ(ObjectType(graph, out[8]), RT_TYPE_DYN_BARS);
    EXPECT_EQ(ObjectType(graph, out[9]), RT_TYPE_MESSAGE);
    for (int i : {10, 12, 13, 15})
        EXPECT_EQ(ObjectType(graph, out[i]), RT_TYPE_DYN_TEXT) << "entry " << i;
    for (int i : {11, 14})
        EXPECT_EQ(ObjectType(graph, out[i]), PK_TYPE_LEGEND) << "entry " << i;

    // Steps of the loop move the bars: a low process value drives the output up to its limit.
    float u = 0;
    for (int i = 0; i < 5; ++i)
        WRCalcPID(loop, 20, &u);
    EXPECT_FLOAT_EQ(u, 90);
    InvalidateRect(graph->window, nullptr, TRUE);
    const Image image = Shown(graph);
    Keep(image, "pid_faceplate");
    const int red = image.CountColor(RGB(255, 0, 0), 0, 0, image.width, image.height);
    const int blue = image.CountColor(RGB(0, 0, 255), 0, 0, image.width, image.height);
    const int green = image.CountColor(RGB(0, 160, 0), 0, 0, image.width, image.height);
    EXPECT_GT(blue, 0);
    EXPECT_GT(green, blue) << "setpoint 50 above a process value of 20";
    EXPECT_GT(red, green) << "output at 90 of 100";
}

TEST_F(PidDialogTest, FaceplateWithoutIndicatorOrLoop)
{
    WORD out[16];
    GrDesc* graph = Faceplate(nullptr, out);
    EXPECT_NE(out[5], 0);
    EXPECT_EQ(out[9], 0) << "no automatic text, no indicator";
    // The plot reaches further down without the indicator's row.
    WORD with[16];
    GrDesc* withIndicator = Faceplate("AUTO", with);
    EXPECT_GT(graph->plot.bottom - graph->plot.top, withIndicator->plot.bottom - withIndicator->plot.top);

    // A free slot or a loop without an output set builds nothing.
    const int bare = WRDefinePID(pvSet, 0, "bare", 50, 1, 0, 0, 0, 100, 0, 0, 100, 100, 0, 0, 1, 0, 0);
    PgDesc* page = MakePage("pidnone", 0, 300, 300);
    GrDesc* empty = MakeGraph(
        page, 0, 0, 1, 1,
        [&](GrDesc* g, HWND)
        {
            WORD none[16];
            std::fill(none, none + 16, 0xFFFF);
            EXPECT_EQ(WRSetPIDBargraph(g, 0, 0, 0, 1, 0, "OK", nullptr, nullptr, nullptr, none), 0);
            EXPECT_EQ(WRSetPIDBargraph(g, bare, 0, 0, 1, 0, "OK", nullptr, nullptr, nullptr, none), 0);
            EXPECT_EQ(none[0], 0);
            EXPECT_EQ(none[15], 0);
        });
    EXPECT_EQ(GetObjDesc(empty, 1, nullptr), nullptr);
}

TEST_F(PidDialogTest, OpensFilledFromTheLoop)
{
    EXPECT_EQ(Edit(
                  [](DialogDriver& d)
                  {
                      EXPECT_EQ(d.GetText(IDC_PID_RANGE_HIGH), "100");
                      EXPECT_EQ(d.GetText(IDC_PID_LIMIT_LOW), "10");
                      EXPECT_EQ(d.GetText(IDC_PID_GAIN), "2");
                      EXPECT_EQ(d.GetText(IDC_PID_INTEGRAL), "0.5");
                      EXPECT_EQ(d.GetText(IDC_PID_DERIVATIVE), "0.2");
                      EXPECT_EQ(d.GetText(IDC_PID_BIAS), "30");
                      EXPECT_EQ(d.GetText(IDC_PID_SETPOINT), "50");
                      EXPECT_EQ(d.GetText(IDC_PID_OUTPUT), "");
                      EXPECT_TRUE(d.IsChecked(IDC_PID_AUTO));
                      EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_PID_OUTPUT)));
                      EXPECT_EQ(d.FocusedId(), IDOK);
                      if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
                          kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                                std::string(keep) + "/trendkit_pid_dialog.png");
                      d.Click(IDOK);
                  }),
              1);
    EXPECT_EQ(WREditPIDDlg(0), 0);
}

TEST_F(PidDialogTest, FieldsKeepToTheirRanges)
{
    struct Case
    {
        int id;
        const char* text;
        float PidLoopDesc::*field;
        float expected;
    } cases[] = {
        {IDC_PID_LIMIT_HIGH, "80", &PidLoopDesc::limitHigh, 80},
        {IDC_PID_LIMIT_HIGH, "120", &PidLoopDesc::limitHigh, 90}, // above the range
        {IDC_PID_LIMIT_HIGH, "5", &PidLoopDesc::limitHigh, 90},   // not above the limit low
        {IDC_PID_LIMIT_LOW, "0", &PidLoopDesc::limitLow, 0},
        {IDC_PID_LIMIT_LOW, "-1", &PidLoopDesc::limitLow, 10}, // below the range
        {IDC_PID_LIMIT_LOW, "95", &PidLoopDesc::limitLow, 10}, // not below the limit high
        {IDC_PID_BIAS, "40", &PidLoopDesc::bias, 40},
        {IDC_PID_BIAS, "95", &PidLoopDesc::bias, 30},  // outside the limits
        {IDC_PID_GAIN, "3,5", &PidLoopDesc::kc, 3.5f}, // a decimal comma
        {IDC_PID_GAIN, "-1", &PidLoopDesc::kc, 2},
        {IDC_PID_DERIVATIVE, "1", &PidLoopDesc::kd, 2}, // Kd = time x gain / dt
        {IDC_PID_FILTER, "0.25", &PidLoopDesc::alpha, 0.25f},
        {IDC_PID_RATE, "7", &PidLoopDesc::rateLimit, 7},
        {IDC_PID_SETPOINT, "60", &PidLoopDesc::setpoint, 60},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        const PidLoopDesc before = *Loop();
        EXPECT_EQ(Edit(
                      [&](DialogDriver& d)
                      {
                          d.Focus(c.id);
                          d.SetText(c.id, c.text);
                          d.Focus(IDC_PID_SETPOINT == c.id ? IDC_PID_GAIN : IDC_PID_SETPOINT);
                          d.Click(IDOK);
                      }),
                  1);
        EXPECT_FLOAT_EQ(Loop()->*c.field, c.expected);
        *Loop() = before;
    }
}

TEST_F(PidDialogTest, CancelLeavesTheLoopAsItWas)
{
    float u = 0;
    WRCalcPID(loop, 40, &u);
    std::vector<char> before(sizeof(PidLoopDesc));
    std::memcpy(before.data(), Loop(), sizeof(PidLoopDesc));
    EXPECT_EQ(Edit(
                  [](DialogDriver& d)
                  {
                      d.SetText(IDC_PID_GAIN, "9");
                      d.SetText(IDC_PID_BIAS, "50");
                      d.Click(IDC_PID_AUTO);
                      d.Click(IDCANCEL);
                  }),
              0);
    EXPECT_EQ(std::memcmp(before.data(), Loop(), sizeof(PidLoopDesc)), 0);
    // A dialog that changes nothing leaves the loop as it was too, rounding of the shown texts aside.
    WRChangePIDConstants(loop, 1.0f / 3, 0.7f, 0.1f);
    std::memcpy(before.data(), Loop(), sizeof(PidLoopDesc));
    EXPECT_EQ(Edit([](DialogDriver& d) { d.Click(IDOK); }), 1);
    EXPECT_EQ(std::memcmp(before.data(), Loop(), sizeof(PidLoopDesc)), 0);
}

TEST_F(PidDialogTest, EnterAppliesAndStaysOpenWithoutAnOutputJump)
{
    float u = 0;
    for (int i = 0; i < 3; ++i)
        WRCalcPID(loop, 45, &u);
    const float sum = Loop()->integralSum;
    ASSERT_NE(sum, 0);
    EXPECT_EQ(Edit(
                  [&](DialogDriver& d)
                  {
                      d.SetText(IDC_PID_INTEGRAL, "1.0");
                      d.Click(IDC_PID_ENTER);
                      EXPECT_TRUE(d.IsOpen());
                      EXPECT_FLOAT_EQ(Loop()->ki, 2.0f);
                      d.Click(IDCANCEL);
                  }),
              0);
    // The integral term keeps its value: the sum halves with Ki doubled.
    EXPECT_FLOAT_EQ(Loop()->ki * Loop()->integralSum, 1.0f * sum);

    // Manual: the typed output is taken and kept by the next step.
    EXPECT_EQ(Edit(
                  [](DialogDriver& d)
                  {
                      d.Click(IDC_PID_AUTO);
                      EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_PID_OUTPUT)));
                      d.SetText(IDC_PID_OUTPUT, "70");
                      d.Click(IDOK);
                  }),
              1);
    EXPECT_EQ(WRGetPIDAutoState(loop), 0);
    WRCalcPID(loop, 45, &u);
    EXPECT_FLOAT_EQ(u, 70);
}

TEST_F(PidDialogTest, OneDialogAtATime)
{
    ScriptedPrompts prompts;
    int nested = -1;
    prompts.Expect("PID Parameters")
        .Drive(
            [&](DialogDriver& d)
            {
                nested = WREditPIDDlg(loop);
                EXPECT_TRUE(d.IsOpen());
                d.Click(IDOK);
            });
    prompts.Expect("PID Parameters").Run();
    EXPECT_EQ(WREditPIDDlg(loop), 1);
    EXPECT_EQ(nested, 0);
    // The flag is cleared at the end: the dialog opens again.
    prompts.Expect("PID Parameters").Drive([](DialogDriver& d) { d.Click(IDOK); });
    EXPECT_EQ(WREditPIDDlg(loop), 1);
}

} // namespace
} // namespace trendkit::test
