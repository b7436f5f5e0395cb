// The histogram and gas library displays on the offscreen backend: built in a document's view, fed
// bar by bar as the histogram scan feeds them and gas by gas as the library does, zoomed, scaled and
// stored in the document file.
#include "analysis/Library.h"
#include "displays/BarDisplay.h"
#include "displays/ChartHost.h"
#include "displays/LibDisplay.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "res/resource.h"
#include "testkit/DialogDriver.h"
#include "testkit/Image.h"
#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"

#include <afxwin.h>
#include <plotkit.h>
#include <trendkit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace
{

class CTestView : public CView
{
public:
    void OnDraw(CDC*) override {}
};

std::vector<char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A residual-gas histogram: water, nitrogen, oxygen and argon over a floor.
float Height(int mass)
{
    switch (mass)
    {
    case 2:
        return 3e-8f;
    case 17:
        return 8e-8f;
    case 18:
        return 4e-7f;
    case 28:
        return 2e-7f;
    case 32:
        return 5e-8f;
    case 40:
        return 6e-9f;
    case 44:
        return 1e-8f;
    default:
        return 2e-10f;
    }
}

class BarDisplayTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_frame.CreateEx(0, AfxRegisterWndClass(0), "Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 560,
                         NULL, NULL);
        m_view = new CTestView;
        RECT r{0, 0, 800, 520};
        ASSERT_TRUE(m_view->Create(nullptr, "View", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r, &m_frame, 1));
        m_doc = new CKelDoc;
        m_doc->m_bAutoDelete = FALSE;
        ASSERT_TRUE(m_doc->OnNewDocument());
        m_doc->AddView(m_view);
    }
    void TearDown() override
    {
        m_doc->RemoveView(m_view);
        m_doc->OnCloseDocument();
        delete m_doc;
        m_view->DestroyWindow();
        m_frame.DestroyWindow();
        ChartHostCleanup(TRUE);
        UnregisterClass("PgWin", ChartHostTop()->hostInstance);
        UnregisterClass("GrWin", ChartHostTop()->hostInstance);
        UiTest::TearDown();
    }

    // The histogram settings over first..last, linear unless told.
    CAnalogData& Histogram(int first, int last, bool log = false)
    {
        CAnalogData& s = *m_doc->GetAnalogSettings(2);
        s.m_startMass = first;
        s.m_stopMass = last;
        s.m_logScale = log ? 1 : 0;
        s.m_pressureBottom = 0.0f;
        s.m_pressureTop = 5e-7f;
        s.m_barColour = static_cast<int32_t>(RGB(40, 90, 200));
        s.UpdateDerived();
        return s;
    }
    template <class D> D* Show(D* display)
    {
        m_doc->SetDisplayOfKind(display);
        m_doc->SetCurrentDisplay(display);
        m_doc->BindLoadedDisplay(display); // the document's mode follows its display
        return display;
    }
    CBarDisplay* NewBar(CAnalogData& s, int position = 0)
    {
        return Show(new CBarDisplay(&s, position, m_doc));
    }
    static void Feed(CBarDisplay* display, const CAnalogData& s, int bars)
    {
        for (int i = 0; i < bars; ++i)
        {
            float value = Height(s.m_startMass + display->CurrentBar());
            display->UpdateData(&value, 0);
        }
    }
    static std::pair<float, float> XRange(CBarChartDisplay* display)
    {
        float lo = 0, hi = 0, intercept = 0;
        WGGetAxisRange(display->GetGraph(), display->m_xAxis, &lo, &hi, &intercept);
        return {lo, hi};
    }
    static std::pair<float, float> YRange(CBarChartDisplay* display)
    {
        float lo = 0, hi = 0, intercept = 0;
        WGGetAxisRange(display->GetGraph(), display->m_yAxis, &lo, &hi, &intercept);
        return {lo, hi};
    }
    static kel::testkit::Image Shot(CDisplay* display, const char* name)
    {
        HWND window = display->GetGraph()->window;
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        kel::testkit::Image image = kel::testkit::CaptureWindow(window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(image, std::string(keep) + "/kelmon_" + name + ".png");
        return image;
    }

    CWnd m_frame;
    CTestView* m_view = nullptr;
    CKelDoc* m_doc = nullptr;
};

TEST(BarRows, TenMassesARowTheLastRowHoldingTheRest)
{
    const struct
    {
        int count, first, last;
        int rows, lastSize;
        float lastRowFirst;
    } cases[] = {
        {5, 3, 7, 1, 5, 3},     {10, 1, 10, 1, 10, 1},     {11, 1, 11, 2, 1, 11}, {300, 1, 300, 30, 0, 291},
        {25, 20, 44, 3, 5, 40}, {400, 1, 400, 30, 0, 291}, // more than the display holds: the first 300
                                                           // masses
    };
    for (const auto& c : cases)
    {
        BarRowList rows;
        rows.Layout(c.count, c.first, c.last);
        SCOPED_TRACE(c.count);
        EXPECT_EQ(rows.rowCount, c.rows);
        EXPECT_EQ(rows.lastRowSize, c.lastSize);
        EXPECT_EQ(rows.first[0], static_cast<float>(c.first));
        EXPECT_EQ(rows.first[rows.rowCount - 1], c.lastRowFirst);
        EXPECT_EQ(rows.ValuesInRow(rows.rowCount - 1), c.lastSize != 0 ? c.lastSize : 10);
        for (int i = 1; i < rows.rowCount; ++i)
            EXPECT_EQ(rows.first[i], rows.last[i - 1] + 1.0f);
        // The last row ends at the last mass that has a bar.
        EXPECT_EQ(rows.last[rows.rowCount - 1], static_cast<float>(std::min(c.last, c.first + 299)));
    }
}

TEST_F(BarDisplayTest, ASweepLongerThanTheBarsKeepsTheFirstBarsAndEndsWithTheSweep)
{
    // 0..300 is 301 masses: one more than the display holds.
    CAnalogData& s = Histogram(0, 300);
    ASSERT_EQ(s.m_pointCount, 301);
    CBarDisplay* display = NewBar(s);
    ASSERT_NE(display->GetGraph(), nullptr);
    EXPECT_EQ(display->RowCount(), 30);
    std::vector<float> sweep(301);
    for (int i = 0; i < 301; ++i)
        sweep[i] = 1e-9f * static_cast<float>(i + 1);
    for (int i = 0; i < 300; ++i)
        display->UpdateData(&sweep[i], 0);
    EXPECT_EQ(display->CurrentBar(), 300) << "the sweep is not over yet";
    EXPECT_FLOAT_EQ(display->ProgressX(), 299.0f) << "the marker stays on the last bar";
    display->UpdateData(&sweep[300], 0);
    EXPECT_EQ(display->CurrentBar(), 0);
    float mass = 0, previous = 0;
    WRGetLastData(display->m_nMassIndexSet, &mass, &previous);
    EXPECT_FLOAT_EQ(mass, 300.0f);
    // No value ran past the bars onto the first ones.
    EXPECT_EQ(std::vector<float>(display->Values(), display->Values() + 300),
              std::vector<float>(sweep.begin(), sweep.begin() + 300));
    float row[10] = {}, before[10] = {};
    WRGetLastData(display->m_rowSets[29], row, before);
    EXPECT_FLOAT_EQ(row[9], sweep[299]);
    // The next sweep starts again at the first bar.
    display->UpdateData(&sweep[0], 0);
    EXPECT_EQ(display->CurrentBar(), 1);
}

TEST_F(BarDisplayTest, AHistogramSweepFillsTheBarsOneByOneAndStartsAgain)
{
    CAnalogData& s = Histogram(1, 50);
    ASSERT_EQ(s.m_pointCount, 50);
    CBarDisplay* display = NewBar(s);
    ASSERT_NE(display->GetGraph(), nullptr);
    EXPECT_EQ(display->GetKind(), 5);
    EXPECT_EQ(display->RowCount(), 5);
    const std::string page = display->GetPageName();
    EXPECT_EQ(page.substr(page.size() - 3), "Bar");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(WGGetObjectType(display->GetGraph(), display->m_barObjects[i]),
                  WGGetObjectType(display->GetGraph(), display->m_barObjects[0]));

    Feed(display, s, 18);
    EXPECT_EQ(display->CurrentBar(), 18);
    EXPECT_FLOAT_EQ(display->Values()[17], 4e-7f);
    // The read-out shows the mass just written, the marker stands on its bar.
    float mass = 0, previous = 0;
    WRGetLastData(display->m_nMassIndexSet, &mass, &previous);
    EXPECT_FLOAT_EQ(mass, 18.0f);
    EXPECT_FLOAT_EQ(display->ProgressX(), 18.0f);
    // The second row's set holds bars 11..20 as they arrive.
    float row[10] = {}, before[10] = {};
    WRGetLastData(display->m_rowSets[1], row, before);
    EXPECT_FLOAT_EQ(row[6], 8e-8f);
    EXPECT_FLOAT_EQ(row[9], 0.0f);

    Feed(display, s, 32); // the sweep's end
    EXPECT_EQ(display->CurrentBar(), 0);
    EXPECT_FLOAT_EQ(display->ProgressX(), 0.0f);
    std::vector<float> back(50);
    EXPECT_EQ(display->ReadData(back.data(), 50), 0);
    EXPECT_FLOAT_EQ(back[27], 2e-7f);

    display->ShowLogStatus(1, 3, 10);
    display->ShowLogProgress(2, 4, 20, 1);
    display->ShowScanCounter(1, 2, 9);
    EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_logStatusText, 0), "<LIN> 3/10");
    EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_logProgressText, 0), "Log every 2 scan 4/20");
    EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_scanCounterText, 0), "Scan 3/9");
    display->ShowScanCounter(0, 0, 0);
    EXPECT_EQ(display->AutoScale(), 1);
    EXPECT_FLOAT_EQ(s.m_pressureBottom, 2e-10f);
    EXPECT_FLOAT_EQ(s.m_pressureTop, 4.2e-7f);
    Feed(display, s, 20);
    EXPECT_FALSE(Shot(display, "bar_histogram").Empty());

    // A scan starting above mass 1: the marker stays on the mass of the bar just written.
    CAnalogData& high = Histogram(20, 44);
    display->Rebuild();
    display->ClearData();
    Feed(display, high, 9);
    EXPECT_FLOAT_EQ(display->ProgressX(), 28.0f);
}

TEST_F(BarDisplayTest, ZoomPanAndTheCursorKeepToWholeMasses)
{
    CAnalogData& s = Histogram(1, 10);
    CBarDisplay* display = NewBar(s);
    ASSERT_NE(display->GetGraph(), nullptr);
    Feed(display, s, 10);
    using R = std::pair<float, float>;
    EXPECT_EQ(XRange(display), (R{1, 10}));
    const R zooms[] = {{3, 8}, {4, 7}, {5, 6}, {5, 6}};
    for (const R& expected : zooms)
    {
        display->Zoom(0.5f);
        EXPECT_EQ(XRange(display), expected);
    }
    display->FullScale();
    display->Zoom(0.5f);
    EXPECT_EQ(display->PanLeft(1.0f), 1);
    EXPECT_EQ(XRange(display), (R{1, 6}));
    EXPECT_EQ(display->PanRight(5.0f), 1);
    EXPECT_EQ(XRange(display), (R{5, 10}));
    EXPECT_EQ(display->SetMassRange(4.4f, 4.2f), 0);

    // The cursor snaps to a bar and stays inside the visible range.
    display->ToggleCursor();
    display->ToggleCursor();
    display->TrackMouseCursor(display->GetGraph(), 0, 0);
    EXPECT_FLOAT_EQ(display->CursorX(), 5.0f);
    for (int i = 0; i < 8; ++i)
        display->OnChartKeyDown(VK_RIGHT, 0, 0);
    EXPECT_FLOAT_EQ(display->CursorX(), 10.0f);
    EXPECT_FLOAT_EQ(display->CursorY(), 2e-10f);
    EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_cursorReadout, 0), "X = 10.0 Y = 2.00e-10");
    EXPECT_EQ(display->TrackMouseCursor(nullptr, 0, 0), 0);
    // The read-out stays inside the page, right of the title: no ink in the page's last columns
    // on its row, nor between the title and the read-out.
    const kel::testkit::Image shown = Shot(display, "bar_cursor");
    ASSERT_FALSE(shown.Empty());
    const COLORREF page = shown.Pixel(shown.width - 1, shown.height / 2);
    const int row = static_cast<int>(0.065f * static_cast<float>(shown.height));
    for (int y = row - 6; y <= row + 6; ++y)
        for (int x = shown.width - 12; x < shown.width; ++x)
            ASSERT_EQ(shown.Pixel(x, y), page) << "read-out ink at " << x << "," << y;
}

TEST_F(BarDisplayTest, ScalesLeaveZeroAndFlatDataAloneAndALogAxisNeverStartsAtZero)
{
    CAnalogData& s = Histogram(1, 20);
    CBarDisplay* display = NewBar(s);
    ASSERT_NE(display->GetGraph(), nullptr);
    const auto before = YRange(display);
    display->ShowScanData(std::vector<float>(20, 0.0f).data());
    EXPECT_EQ(display->AutoScale(), 1);
    EXPECT_EQ(YRange(display), before);
    display->ShowScanData(std::vector<float>(20, 3e-9f).data());
    EXPECT_EQ(display->AutoScale(), 1);
    EXPECT_EQ(YRange(display), before);

    // Log switch from 0 .. 1e-6.
    s.m_pressureBottom = 0.0f;
    s.m_pressureTop = 1e-6f;
    EXPECT_EQ(display->SetLogScale(1), 1);
    EXPECT_FLOAT_EQ(s.m_pressureBottom, 1e-12f);
    EXPECT_FLOAT_EQ(s.m_pressureTop, 1e-6f);
    EXPECT_EQ(WGGetAxisScale(display->GetGraph(), display->m_yAxis), 1);

    std::vector<float> values(20, 2e-10f);
    values[17] = 4e-7f;
    display->ShowScanData(values.data());
    EXPECT_EQ(display->AutoScale(), 1);
    EXPECT_GT(s.m_pressureBottom, 0.0f);
    EXPECT_FLOAT_EQ(s.m_pressureBottom, 1e-10f);
    EXPECT_FLOAT_EQ(s.m_pressureTop, 1e-6f);
    display->ClearData();
    EXPECT_EQ(display->HasData(), 0);
    EXPECT_FLOAT_EQ(display->Values()[17], 0.0f);
}

TEST_F(BarDisplayTest, TheTotalPressureShowsOnTheUpperPaneAndTogglesOnAsk)
{
    CAnalogData& s = Histogram(1, 30);
    s.m_alarmMessageShown = 1;
    CBarDisplay* display = NewBar(s);
    ASSERT_NE(display->GetGraph(), nullptr);
    float total = 2.5e-7f;
    display->ShowAlarmMessage(&total);
    display->ShowAlarmMessage(&total);
    EXPECT_EQ(display->m_nMessageSlot, 0); // the slot alternates, so the same text still redraws
    char* text = nullptr;
    ASSERT_EQ(WRGetMessageParams(display->GetGraph(), display->m_pressureMessage, &text, nullptr, 0), 1);
    EXPECT_STREQ(text, "2.5E-7  ");
    EXPECT_TRUE(WGIsObjectVisible(display->GetGraph(), display->m_pressureMessage));
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Toggle Total Pressure visibility?").Reply(IDYES);
        prompts.Expect("Toggle Total Pressure visibility?").Reply(IDNO);
        EXPECT_EQ(display->EditTextObject(display->GetGraph(), display->m_pressureTitle), 1);
        EXPECT_EQ(display->EditMessageObject(display->GetGraph(), display->m_pressureMessage), 1);
    }
    EXPECT_EQ(s.m_alarmMessageShown, 0);
    EXPECT_FALSE(WGIsObjectVisible(display->GetGraph(), display->m_pressureMessage));
    EXPECT_EQ(display->EditTextObject(nullptr, display->m_pressureTitle), 0);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("The X-Axis mass index displays the mass").Reply(IDOK);
        EXPECT_EQ(display->EditDynamicText(display->GetGraph(), display->m_massIndexText), 1);
    }

    // The lower pane of a split page never shows it.
    s.m_alarmMessageShown = 1;
    auto* lower = NewBar(s, 2);
    ASSERT_NE(lower->GetGraph(), nullptr);
    lower->ShowAlarmMessage(&total);
    EXPECT_FALSE(WGIsObjectVisible(lower->GetGraph(), lower->m_pressureMessage));
    EXPECT_FALSE(WGIsObjectVisible(lower->GetGraph(), lower->m_pressureTitle));
    EXPECT_EQ(lower->m_nMessageSlot, 0);
}

TEST_F(BarDisplayTest, AxisAndTitleDialogsApplyOnOkOnly)
{
    using kel::testkit::DialogDriver;
    CAnalogData& s = Histogram(1, 50);
    CBarDisplay* display = NewBar(s);
    ASSERT_NE(display->GetGraph(), nullptr);
    const struct
    {
        const char* what;
        int dialog;
        std::function<void(CBarDisplay*)> open;
        std::function<void(DialogDriver&)> fill;
        std::function<void()> check;
    } cases[] = {
        {"x axis", IDD_X_AXIS, [](CBarDisplay* d) { d->EditXAxis(); },
         [](DialogDriver& d)
         {
             d.SetText(IDC_AXIS_FROM, "5");
             d.SetText(IDC_AXIS_TO, "20");
         },
         [&] {
             EXPECT_EQ(XRange(display), (std::pair<float, float>{5, 20}));
         }},
        {"y axis", IDD_Y_AXIS, [](CBarDisplay* d) { d->EditYAxis(); },
         [](DialogDriver& d)
         {
             d.SetText(IDC_AXIS_FROM, "0");
             d.SetText(IDC_AXIS_TO, "2e-6");
         },
         [&]
         {
             EXPECT_FLOAT_EQ(s.m_pressureTop, 2e-6f);
             EXPECT_FLOAT_EQ(YRange(display).second, 2e-6f);
         }},
        {"x title", IDD_TEXT_PARAMETERS, [](CBarDisplay* d) { d->EditTitleText(); },
         [](DialogDriver& d) { d.SetText(IDC_TEXT_STRING, "Mass (amu)"); },
         [&]
         {
             EXPECT_STREQ(s.m_xAxisTitle, "Mass (amu)");
             EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_xTitle, 0), "Mass (amu)");
         }},
        {"graph title", IDD_TEXT_PARAMETERS, [](CBarDisplay* d) { d->EditGraphTitle(); },
         [](DialogDriver& d) { d.SetText(IDC_TEXT_STRING, "Chamber B"); },
         [&] { EXPECT_STREQ(s.m_graphTitle, "Chamber B"); }},
        {"y labels", IDD_AXIS_LABELS, [](CBarDisplay* d) { d->EditYAxisLabels(); },
         [](DialogDriver& d) { d.SetText(IDC_LABELS_PLACES, "3"); },
         [&] { EXPECT_EQ(s.m_labelPrecision, 3); }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::vector<char> before(reinterpret_cast<const char*>(&s.m_pressureTop),
                                       reinterpret_cast<const char*>(&s.m_pressureTop) + sizeof(float));
        const std::string title = s.m_xAxisTitle;
        {
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect(c.dialog).Drive([](DialogDriver& d) { d.Click(IDCANCEL); });
            c.open(display);
        }
        EXPECT_EQ(std::string(s.m_xAxisTitle), title); // Cancel changes nothing
        EXPECT_EQ(std::memcmp(before.data(), &s.m_pressureTop, sizeof(float)), 0);
        {
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect(c.dialog).Drive(
                [&](DialogDriver& d)
                {
                    c.fill(d);
                    d.Click(IDOK);
                });
            c.open(display);
        }
        c.check();
    }
}

TEST_F(BarDisplayTest, AScanWorkersCallsReachTheChartsOnThePageThreadAndBarColoursApplyToEveryRow)
{
    CAnalogData& s = Histogram(1, 25);
    CBarDisplay* display = NewBar(s);
    ASSERT_NE(display->GetGraph(), nullptr);
    bool done = false;
    std::thread worker(
        [&]
        {
            display->ShowScanData(std::vector<float>(25, 1e-9f).data());
            display->ShowLogStatus(2, 7, 0);
            display->ShowInfoText(1, "12:00:00");
            done = true;
        });
    EXPECT_TRUE(PumpUntil([&] { return done; }, 5000));
    worker.join();
    EXPECT_FLOAT_EQ(display->Values()[24], 1e-9f);
    EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_logStatusText, 0), "<EXP> 7");
    EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_infoText, 0), "12:00:00");

    // A bar colour chosen on one row goes to all bars of all rows.
    EXPECT_EQ(display->EditBarsObject(display->GetGraph(), display->m_xAxis), 0);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("", kel::PromptKind::Color).ReplyColor(RGB(10, 200, 30));
        EXPECT_EQ(display->EditBarsObject(display->GetGraph(), display->m_barObjects[1]), 1);
    }
    EXPECT_EQ(static_cast<COLORREF>(s.m_barColour), RGB(10, 200, 30));
    EXPECT_EQ(display->Rows().colours[4], RGB(10, 200, 30));

    EXPECT_EQ(display->HasData(), 1);
    float row[10] = {}, before[10] = {};
    WRGetLastData(display->m_rowSets[2], row, before);
    EXPECT_FLOAT_EQ(row[4], 1e-9f); // the bars keep their heights
}

TEST_F(BarDisplayTest, TheLibraryShowsAGasAndScalesToItsTallestBar)
{
    CAnalogData& s = *m_doc->GetAnalogSettings(4);
    s.m_startMass = 1;
    s.m_stopMass = 50;
    s.m_logScale = 0;
    s.m_pressureBottom = 0.0f;
    s.m_pressureTop = 100.0f;
    s.m_barColour = static_cast<int32_t>(RGB(200, 60, 40));
    s.UpdateDerived();
    auto* display = Show(new CLibDisplay(&s, 0, m_doc));
    ASSERT_NE(display->GetGraph(), nullptr);
    EXPECT_EQ(display->GetKind(), 8);
    EXPECT_EQ(display->RowCount(), 5);

    float bars[300] = {};
    bars[27] = 100.0f;
    bars[13] = 7.2f;
    bars[27 - 13] = 14.0f;
    LibraryBarRecord gas{};
    std::memset(gas.name, 'N', 31); // the longest name the record holds
    gas.bars = bars;
    display->UpdateData(&gas, 0);
    EXPECT_EQ(std::string(WGGetString(display->GetGraph(), display->m_gasNameText, 0)), std::string(31, 'N'));
    EXPECT_EQ(std::string(s.m_comment), std::string(31, 'N'));
    std::snprintf(gas.name, sizeof gas.name, "Nitrogen");
    display->UpdateData(&gas, 0);
    EXPECT_FLOAT_EQ(display->Values()[27], 100.0f);

    for (int log : {0, 1})
    {
        SCOPED_TRACE(log);
        display->SetLogScale(log);
        EXPECT_EQ(display->AutoScale(), 1);
        EXPECT_FLOAT_EQ(s.m_pressureTop, 105.0f);
        if (log)
            EXPECT_GT(s.m_pressureBottom, 0.0f);
        else
        {
            EXPECT_FLOAT_EQ(YRange(display).first, 0.0f);
            EXPECT_FLOAT_EQ(YRange(display).second, 105.0f);
        }
    }
    display->SetLogScale(0);
    display->AutoScale();
    EXPECT_FALSE(Shot(display, "bar_library").Empty());

    // A gas outside the range: every bar 0, the Y axis as it was.
    const auto before = YRange(display);
    float none[300] = {};
    gas.bars = none;
    display->UpdateData(&gas, 0);
    EXPECT_EQ(display->AutoScale(), 1);
    EXPECT_EQ(YRange(display), before);

    // Zoom boxes: wholly below the axis nothing; reaching below it cut at 0.
    EXPECT_EQ(display->SetMassRange(10.0f, 30.0f), 1);
    display->FullScale();
    EXPECT_EQ(XRange(display), (std::pair<float, float>{1, 50}));
    display->ToggleCursor();
    display->ToggleCursor();
    EXPECT_EQ(display->EditTextObject(display->GetGraph(), 0), 0);
}

TEST_F(BarDisplayTest, BothDisplaysGoThroughTheDocumentFileAndComeBackTheSame)
{
    kel::testkit::TempDir dir{"bars-"};
    const struct
    {
        int kind;
        const char* name;
    } kinds[] = {{5, "histogram"}, {8, "library"}};
    for (const auto& k : kinds)
    {
        SCOPED_TRACE(k.name);
        CDisplay* display = nullptr;
        if (k.kind == 5)
        {
            CAnalogData& s = Histogram(1, 40);
            auto* bar = NewBar(s);
            Feed(bar, s, 40);
            display = bar;
        }
        else
        {
            CAnalogData& s = *m_doc->GetAnalogSettings(4);
            auto* lib = Show(new CLibDisplay(&s, 0, m_doc));
            float bars[300] = {};
            bars[13] = 100.0f;
            LibraryBarRecord gas{"Nitrogen", bars};
            lib->UpdateData(&gas, 0);
            display = lib;
        }
        const auto first = dir / (std::string(k.name) + "1.kel");
        ASSERT_TRUE(m_doc->OnSaveDocument(first.c_str()));
        if (const char* keep = std::getenv("KEL_KEEP_SEEDS"))
            std::filesystem::copy_file(first, std::string(keep) + "/" + k.name + "_display.kel",
                                       std::filesystem::copy_options::overwrite_existing);

        auto* loaded = new CKelDoc;
        loaded->m_bAutoDelete = FALSE;
        ASSERT_TRUE(loaded->OnNewDocument());
        ASSERT_TRUE(loaded->OnOpenDocument(first.c_str()));
        auto* back = dynamic_cast<CBarChartDisplay*>(loaded->GetCurrentDisplay());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->GetKind(), k.kind);
        const auto* original = static_cast<CBarChartDisplay*>(display);
        EXPECT_EQ(std::vector<float>(back->Values(), back->Values() + 300),
                  std::vector<float>(original->Values(), original->Values() + 300));
        const auto second = dir / (std::string(k.name) + "2.kel");
        ASSERT_TRUE(loaded->OnSaveDocument(second.c_str()));
        loaded->OnCloseDocument();
        delete loaded;
        const auto a = ReadBytes(first), b = ReadBytes(second);
        ASSERT_EQ(a.size(), b.size());
        const auto at = std::mismatch(a.begin(), a.end(), b.begin());
        EXPECT_EQ(at.first, a.end()) << "first difference at " << (at.first - a.begin());

        // A file cut inside the display's bar heights is refused and changes nothing.
        const std::string name = k.kind == 5 ? "CBarDisplay" : "CLibDisplay";
        const auto where = std::search(a.begin(), a.end(), name.begin(), name.end());
        ASSERT_NE(where, a.end());
        const auto cut = dir / (std::string(k.name) + "-cut.kel");
        {
            std::ofstream out(cut, std::ios::binary);
            out.write(a.data(), (where - a.begin()) + static_cast<std::streamsize>(name.size()) + 40);
        }
        auto* refused = new CKelDoc;
        refused->m_bAutoDelete = FALSE;
        ASSERT_TRUE(refused->OnNewDocument());
        {
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect("").Reply(IDOK);
            EXPECT_FALSE(refused->OnOpenDocument(cut.c_str()));
        }
        EXPECT_EQ(refused->GetCurrentDisplay(), nullptr);
        refused->OnCloseDocument();
        delete refused;
        m_doc->SetCurrentDisplay(nullptr);
    }
}

} // namespace
