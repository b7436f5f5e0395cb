// The X and Y axis dialogs offscreen: ranges refused on the field, the time text of a time axis,
// the step rules applied on OK, grid and automatic switches, and the line attributes kept in
// working copies until OK.
#include "DialogPicture.h"

#include "dialogs/XAxisDlg.h"
#include "dialogs/YAxisDlg.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <string>

using kel::testkit::DialogDriver;
using kel::testkit::KeepPicture;
using kel::testkit::ScriptedPrompts;

namespace
{

class AxisDialogTest : public kel::testkit::UiTest
{
protected:
    template <typename Dlg> INT_PTR Run(Dlg& dlg, std::function<void(DialogDriver&)> script)
    {
        prompts.Expect(Dlg::IDD).Drive(std::move(script));
        return dlg.DoModal();
    }
    static bool Enabled(DialogDriver& d, int id) { return ::IsWindowEnabled(d.Item(id)) != FALSE; }
    static bool Shown(DialogDriver& d, int id)
    {
        return (::GetWindowLong(d.Item(id), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    static void Ok(DialogDriver& d) { d.Click(IDOK); }

    ScriptedPrompts prompts;
};

// ---- X axis ----------------------------------------------------------------------------------

void MassAxis(CXAxisDlg& dlg)
{
    dlg.m_fLowest = 1.0f;
    dlg.m_fHighest = 100.0f;
    dlg.m_nFrom = 1;
    dlg.m_nTo = 50;
    dlg.m_nStep = 5;
    dlg.m_nMinorTicks = 4;
}

TEST_F(AxisDialogTest, XAxisShowsTheFieldsAndOkReadsThemBack)
{
    CXAxisDlg dlg;
    MassAxis(dlg);
    dlg.m_bMajorGrid = 1;
    dlg.m_nPosition = 3;
    dlg.m_axisLine = {3, 1, 2};
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "x_axis");
                      EXPECT_EQ(d.GetText(IDC_AXIS_FROM), "1");
                      EXPECT_EQ(d.GetText(IDC_AXIS_TO), "50");
                      EXPECT_EQ(d.GetText(IDC_XAXIS_STEP), "5");
                      EXPECT_EQ(d.GetText(IDC_AXIS_LIMITS_GROUP), "Axis limits");
                      EXPECT_EQ(d.GetText(IDC_AXIS_FROM_HMS), "");
                      EXPECT_TRUE(d.IsChecked(IDC_AXIS_MIDDLE));
                      EXPECT_TRUE(Enabled(d, IDC_XAXIS_MAJOR_STYLES));
                      EXPECT_FALSE(Enabled(d, IDC_XAXIS_MINOR_STYLES));
                      EXPECT_TRUE(Enabled(d, IDC_XAXIS_STEP));
                      d.Check(IDC_XAXIS_MINOR_GRID);
                      EXPECT_TRUE(Enabled(d, IDC_XAXIS_MINOR_STYLES));
                      d.Check(IDC_XAXIS_MAJOR_GRID, false);
                      EXPECT_FALSE(Enabled(d, IDC_XAXIS_MAJOR_STYLES));
                      d.Check(IDC_XAXIS_ABOVE);
                      d.SetText(IDC_AXIS_FROM, "10");
                      d.SetText(IDC_AXIS_TO, "100");
                      d.SetText(IDC_XAXIS_STEP, "10");
                      prompts.Expect(IDD_LINE_PARAMETERS)
                          .Drive(
                              [](DialogDriver& p)
                              {
                                  EXPECT_EQ(::SendMessage(p.Item(IDC_LINE_COLOR), CB_GETCURSEL, 0, 0), 0);
                                  p.Select(IDC_LINE_COLOR, 9);
                                  p.Click(IDOK);
                              });
                      d.Click(IDC_XAXIS_MINOR_STYLES);
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_nFrom, 10);
    EXPECT_EQ(dlg.m_nTo, 100);
    EXPECT_EQ(dlg.m_nStep, 10);
    EXPECT_EQ(dlg.m_nPosition, 4);
    EXPECT_EQ(dlg.m_bMinorGrid, 1);
    EXPECT_EQ(dlg.m_bMajorGrid, 0);
    EXPECT_EQ(dlg.m_minorGridLine.nColour, 9);
    EXPECT_EQ(dlg.m_axisLine.nColour, 3);
    EXPECT_EQ(dlg.m_axisLine.nWidth, 2);
}

TEST_F(AxisDialogTest, XAxisCancelLeavesTheFieldsAndTheLines)
{
    CXAxisDlg dlg;
    MassAxis(dlg);
    prompts.Expect(IDD_LINE_PARAMETERS)
        .Drive(
            [](DialogDriver& p)
            {
                p.Select(IDC_LINE_COLOR, 9);
                p.Click(IDOK);
            });
    Run(dlg,
        [&](DialogDriver& d)
        {
            d.Click(IDC_XAXIS_LINE_ATTR);
            d.SetText(IDC_AXIS_TO, "60");
            d.Check(IDC_XAXIS_AUTOMATIC);
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(dlg.m_axisLine.nColour, 0);
    EXPECT_EQ(dlg.m_nTo, 50);
    EXPECT_EQ(dlg.m_bAutomatic, 0);
}

TEST_F(AxisDialogTest, XAxisRangesAreRefusedOnTheField)
{
    struct Case
    {
        int field;
        const char* text;
        const char* message;
    } cases[] = {
        {IDC_XAXIS_STEP, "0", "between 1 and 50"},   {IDC_XAXIS_STEP, "51", "between 1 and 50"},
        {IDC_XAXIS_MINOR, "16", "between 0 and 15"}, {IDC_AXIS_FROM, "0", "between 1 and 99"},
        {IDC_AXIS_FROM, "100", "between 1 and 99"},  {IDC_AXIS_TO, "101", "between 2 and 100"},
        {IDC_AXIS_TO, "1", "between 2 and 100"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.field) + " " + c.text);
        CXAxisDlg dlg;
        MassAxis(dlg);
        prompts.Expect(c.message).Reply(IDOK);
        Run(dlg,
            [&](DialogDriver& d)
            {
                d.SetText(c.field, c.text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), c.field);
                d.Click(IDCANCEL);
            });
    }
}

TEST_F(AxisDialogTest, XAxisStepRulesOnOk)
{
    struct Case
    {
        float lowest, highest;
        int automatic, step, minor;
        int wantStep, wantMinor;
    } cases[] = {
        {1, 29, 1, 7, 2, 1, 2},     // automatic, span under 30
        {1, 100, 1, 7, 2, 5, 2},    // automatic: 5 % of the span
        {1, 200, 0, 1, 2, 4, 3},    // manual, too many steps: 2 % of the span
        {1, 200, 0, 4, 2, 4, 2},    // manual, 50 steps: kept
        {0, 999, 0, 10, 9, 20, 19}, // manual, 100 steps
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.highest) + (c.automatic ? " automatic" : " manual"));
        CXAxisDlg dlg;
        dlg.m_fLowest = c.lowest;
        dlg.m_fHighest = c.highest;
        dlg.m_nFrom = static_cast<int>(c.lowest);
        dlg.m_nTo = static_cast<int>(c.highest);
        dlg.m_bAutomatic = c.automatic;
        dlg.m_nStep = c.step;
        dlg.m_nMinorTicks = c.minor;
        EXPECT_EQ(Run(dlg,
                      [&](DialogDriver& d)
                      {
                          EXPECT_EQ(Enabled(d, IDC_XAXIS_STEP), c.automatic == 0);
                          d.Click(IDOK);
                      }),
                  IDOK);
        EXPECT_EQ(dlg.m_nStep, c.wantStep);
        EXPECT_EQ(dlg.m_nMinorTicks, c.wantMinor);
    }

    // Automatic on: a step the user cannot edit does not block OK.
    CXAxisDlg dlg;
    MassAxis(dlg);
    dlg.m_nStep = 0;
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      d.Click(IDC_XAXIS_AUTOMATIC);
                      EXPECT_FALSE(Enabled(d, IDC_XAXIS_STEP));
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_bAutomatic, 1);
    EXPECT_EQ(dlg.m_nStep, 5);
}

void TimeAxis(CXAxisDlg& dlg)
{
    dlg.m_bTimeAxis = 1;
    dlg.m_nTimeFrom = 0;
    dlg.m_nTimeTo = 3723;
    dlg.m_nStep = 99; // not used on a time axis
    dlg.m_bAutomatic = 1;
}

TEST_F(AxisDialogTest, XAxisTimeModeShowsAndReadsHhMmSs)
{
    CXAxisDlg dlg;
    TimeAxis(dlg);
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "x_axis_time");
                      EXPECT_EQ(d.GetText(IDC_AXIS_FROM), "00:00:00");
                      EXPECT_EQ(d.GetText(IDC_AXIS_TO), "01:02:03");
                      EXPECT_EQ(d.GetText(IDC_AXIS_FROM_HMS), "hh:mm:ss");
                      EXPECT_FALSE(Enabled(d, IDC_XAXIS_AUTOMATIC));
                      EXPECT_FALSE(Shown(d, IDC_XAXIS_STEP));
                      EXPECT_FALSE(Shown(d, IDC_XAXIS_STEPS_LABEL));
                      d.SetText(IDC_AXIS_FROM, "1:2:3");
                      d.SetText(IDC_AXIS_TO, "138:53:20");
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_nTimeFrom, 3723);
    EXPECT_EQ(dlg.m_nTimeTo, 500000);
    EXPECT_EQ(dlg.m_nStep, 99) << "no step rule on a time axis";
}

TEST_F(AxisDialogTest, XAxisTimeTextsThatAreNotTimesAreRefused)
{
    for (const char* text : {"12:00", "190:00:00", "1:60:00", "1:00:60", "a:b:c", "1:2:3:4", "-1:00:00", "",
                             "0000000000000001:2:3"})
    {
        SCOPED_TRACE(text);
        CXAxisDlg dlg;
        TimeAxis(dlg);
        prompts.Expect("Invalid time format (Use hh:mm:ss)").Reply(IDOK);
        Run(dlg,
            [&](DialogDriver& d)
            {
                d.SetText(IDC_AXIS_FROM, text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), IDC_AXIS_FROM);
                d.Click(IDCANCEL);
            });
        EXPECT_EQ(dlg.m_nTimeFrom, 0);
    }
    // The end must follow the start and stay within 500000 s.
    for (const char* text : {"00:00:00", "138:53:21"})
    {
        SCOPED_TRACE(text);
        CXAxisDlg dlg;
        TimeAxis(dlg);
        prompts.Expect("between 1 and 500000").Reply(IDOK);
        Run(dlg,
            [&](DialogDriver& d)
            {
                d.SetText(IDC_AXIS_TO, text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                d.Click(IDCANCEL);
            });
    }
}

// ---- Y axis ----------------------------------------------------------------------------------

void PressureAxis(CYAxisDlg& dlg, int logarithmic)
{
    dlg.m_bLogarithmic = logarithmic;
    dlg.m_fLowest = 0.0f;
    dlg.m_fHighest = 1e-3f;
    dlg.m_fFrom = logarithmic ? 1e-10f : 0.0f;
    dlg.m_fTo = 1e-4f;
    dlg.m_fStep = 1e-5f;
    dlg.m_nMinorTicks = 4;
}

TEST_F(AxisDialogTest, YAxisShowsTheFieldsAndTheSwitches)
{
    CYAxisDlg dlg;
    PressureAxis(dlg, 0);
    dlg.m_nPosition = 2;
    dlg.m_bMinorGrid = 1;
    dlg.m_minorGridLine = {5, 2, 1};
    EXPECT_EQ(Run(dlg,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "y_axis");
                      EXPECT_EQ(d.GetText(IDC_AXIS_TO), "0.0001");
                      EXPECT_TRUE(d.IsChecked(IDC_YAXIS_RIGHT));
                      EXPECT_TRUE(Enabled(d, IDC_YAXIS_STEP));
                      EXPECT_TRUE(Enabled(d, IDC_YAXIS_MINOR_STYLES));
                      EXPECT_FALSE(Enabled(d, IDC_YAXIS_MAJOR_STYLES));
                      d.Click(IDC_YAXIS_AUTOMATIC);
                      EXPECT_FALSE(Enabled(d, IDC_YAXIS_STEP));
                      d.Click(IDC_YAXIS_AUTOMATIC);
                      EXPECT_TRUE(Enabled(d, IDC_YAXIS_STEP));
                      d.Check(IDC_YAXIS_LEFT);
                      d.Check(IDC_YAXIS_MAJOR_GRID);
                      prompts.Expect(IDD_LINE_PARAMETERS)
                          .Drive(
                              [](DialogDriver& p)
                              {
                                  EXPECT_EQ(::SendMessage(p.Item(IDC_LINE_COLOR), CB_GETCURSEL, 0, 0), 5);
                                  p.Select(IDC_LINE_WIDTH, "3");
                                  p.Click(IDOK);
                              });
                      d.Click(IDC_YAXIS_MINOR_STYLES);
                      d.SetText(IDC_YAXIS_MINOR, "10");
                      d.Click(IDOK);
                  }),
              IDOK);
    EXPECT_EQ(dlg.m_nPosition, 1);
    EXPECT_EQ(dlg.m_bMajorGrid, 1);
    EXPECT_EQ(dlg.m_nMinorTicks, 10);
    EXPECT_EQ(dlg.m_minorGridLine.nColour, 5);
    EXPECT_EQ(dlg.m_minorGridLine.nWidth, 3);

    // Logarithmic: the step, the minor ticks and Automatic are not the user's.
    CYAxisDlg log;
    PressureAxis(log, 1);
    log.m_fStep = 0.0f;     // out of range, but not editable here
    log.m_nMinorTicks = 99; // likewise
    EXPECT_EQ(Run(log,
                  [&](DialogDriver& d)
                  {
                      KeepPicture(d, "y_axis_log");
                      for (int id : {IDC_YAXIS_STEP, IDC_YAXIS_MINOR, IDC_YAXIS_AUTOMATIC})
                          EXPECT_FALSE(Enabled(d, id)) << id;
                      d.Click(IDOK);
                  }),
              IDOK);
}

TEST_F(AxisDialogTest, YAxisCancelLeavesTheFields)
{
    CYAxisDlg dlg;
    PressureAxis(dlg, 0);
    prompts.Expect(IDD_LINE_PARAMETERS)
        .Drive(
            [](DialogDriver& p)
            {
                p.Select(IDC_LINE_STYLE, 2);
                p.Click(IDOK);
            });
    Run(dlg,
        [&](DialogDriver& d)
        {
            d.Click(IDC_YAXIS_LINE_ATTR);
            d.SetText(IDC_AXIS_TO, "5e-4");
            d.Check(IDC_AXIS_MIDDLE);
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(dlg.m_axisLine.nStyle, 0);
    EXPECT_FLOAT_EQ(dlg.m_fTo, 1e-4f);
    EXPECT_EQ(dlg.m_nPosition, 1);
}

TEST_F(AxisDialogTest, YAxisRangesAreRefusedOnTheField)
{
    struct Case
    {
        int field;
        const char* text;
        const char* message;
    } cases[] = {
        {IDC_AXIS_FROM, "-2e12", "between -1e+12 and 1e+12"},
        {IDC_AXIS_TO, "2e12", "between -1e+12 and 1e+12"},
        {IDC_YAXIS_MINOR, "11", "between 0 and 10"},
        {IDC_YAXIS_STEP, "0", "between 1e-20 and 1e+11"},
        {IDC_YAXIS_STEP, "2e11", "between 1e-20 and 1e+11"},
        {IDC_AXIS_TO, "high", "Please enter a number"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        CYAxisDlg dlg;
        PressureAxis(dlg, 0);
        prompts.Expect(c.message).Reply(IDOK);
        Run(dlg,
            [&](DialogDriver& d)
            {
                d.SetText(c.field, c.text);
                d.Click(IDOK);
                EXPECT_TRUE(d.IsOpen());
                EXPECT_EQ(d.FocusedId(), c.field);
                d.Click(IDCANCEL);
            });
    }
}

TEST_F(AxisDialogTest, YAxisRangeAndStepRulesOnOk)
{
    struct Case
    {
        const char* what;
        int logarithmic, automatic;
        float lowest, highest, from, to, step;
        float wantFrom, wantTo, wantStep;
    } cases[] = {
        {"log, From 0", 1, 0, 0, 1e-3f, 0, 1e-6f, 1e-7f, 1e-12f, 1e-6f, 1e-7f},
        {"From equals To, linear", 0, 0, 0, 100, 5, 5, 10, 0, 100, 10},
        {"From equals To, log", 1, 0, 0, 100, 5, 5, 10, 1e-12f, 100, 10},
        {"step above the range", 0, 0, 0, 100, 0, 5, 10, 0, 5, 5},
        {"too many steps", 0, 0, 0, 100, 0, 100, 1, 0, 100, 5},
        {"steps kept", 0, 0, 0, 100, 0, 100, 10, 0, 100, 10},
        {"automatic", 0, 1, 0, 100, 20, 70, 3, 20, 70, 5},
        {"To above the highest", 0, 0, 0, 100, 10, 200, 10, 0, 100, 10},
        {"From below the lowest", 0, 0, 10, 100, 5, 50, 10, 0, 100, 10},
        {"log, From below 1e-20", 1, 0, 0, 1, 1e-25f, 1e-3f, 1e-4f, 1e-20f, 1e-3f, 1e-4f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CYAxisDlg dlg;
        dlg.m_bLogarithmic = c.logarithmic;
        dlg.m_bAutomatic = c.automatic;
        dlg.m_fLowest = c.lowest;
        dlg.m_fHighest = c.highest;
        dlg.m_fFrom = c.from;
        dlg.m_fTo = c.to;
        dlg.m_fStep = c.step;
        EXPECT_EQ(Run(dlg, Ok), IDOK);
        EXPECT_FLOAT_EQ(dlg.m_fFrom, c.wantFrom);
        EXPECT_FLOAT_EQ(dlg.m_fTo, c.wantTo);
        EXPECT_FLOAT_EQ(dlg.m_fStep, c.wantStep);
    }
}

} // namespace
