// The P-vs-T display offscreen: its page built in a document's view, samples fed as the P-vs-T scan
// feeds them, the time axis moving on, the history view, the data cursor, the total-pressure read-out
// and the display through the document file.
#include "displays/ChartHost.h"
#include "displays/PvsTDisplay.h"
#include "doc/KelDoc.h"
#include "scans/Table.h"
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

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace
{

class CTestView : public CView
{
public:
    void OnDraw(CDC*) override {}
};

// A display whose stored-sample buffers cannot be had.
class CNoMemoryPvsTDisplay : public CPvsTDisplay
{
public:
    using CPvsTDisplay::CPvsTDisplay;

protected:
    float* NewBuffer(size_t) override { return nullptr; }
};

std::vector<char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PvsTTest : public kel::testkit::UiTest
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

    // Three enabled channels, a sample a second, 301 points on the screen.
    CTable& ThreeChannels()
    {
        CTable& t = *m_doc->GetTable();
        const char* names[] = {"Nitrogen", "Oxygen", "Water"};
        const int masses[] = {28, 32, 18};
        for (int k = 0; k < 3; ++k)
        {
            CopyTextField(t.m_configured[k].m_szGasName, sizeof t.m_configured[k].m_szGasName, names[k]);
            t.m_configured[k].m_mass = masses[k];
            t.m_configured[k].m_enabled = 1;
        }
        t.CollectEnabledChannels();
        t.m_currentPeriod = 1.0f;
        return t;
    }

    CPvsTDisplay* NewDisplay(int position = 0)
    {
        auto* display = new CPvsTDisplay(m_doc->GetTable(), position, m_doc);
        m_doc->SetDisplayOfKind(display);
        m_doc->SetCurrentDisplay(display);
        m_doc->BindLoadedDisplay(display); // the document's mode follows its display
        return display;
    }

    static float Pressure(int k, int i)
    {
        const float base[] = {2e-7f, 5e-8f, 8e-8f};
        return base[k % 3] * (1.0f + 0.5f * std::sin(0.05f * static_cast<float>(i) + static_cast<float>(k)));
    }

    // Samples first..first+count-1 as the scan sends them: its counter set before each, then a record
    // of n times and n values.
    static void Feed(CPvsTDisplay* display, const CTable& t, int first, int count, float interval = 1.0f)
    {
        const int n = t.m_activeCount;
        std::vector<float> record(static_cast<size_t>(2 * n));
        for (int i = first; i < first + count; ++i)
        {
            display->m_nSampleCounter = i;
            for (int k = 0; k < n; ++k)
            {
                record[static_cast<size_t>(k)] = static_cast<float>(i) * interval;
                record[static_cast<size_t>(n + k)] = Pressure(k, i);
            }
            display->UpdateData(record.data(), 0);
        }
    }

    static void XRange(CPvsTDisplay* d, float* lo, float* hi)
    {
        float intercept = 0.0f;
        WGGetAxisRange(d->GetGraph(), d->m_xAxis, lo, hi, &intercept);
    }

    static void Keep(CPvsTDisplay* d, const char* name)
    {
        Pump();
        UpdateWindow(d->GetGraph()->window);
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(kel::testkit::CaptureWindow(d->GetGraph()->window),
                                  std::string(keep) + "/kelmon_" + name + ".png");
    }

    CWnd m_frame;
    CTestView* m_view = nullptr;
    CKelDoc* m_doc = nullptr;
};

} // namespace

TEST_F(PvsTTest, ThePageIsBuiltWithItsTracesLegendAndReadout)
{
    ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    ASSERT_NE(d->GetGraph(), nullptr);
    EXPECT_EQ(d->GetKind(), 4);
    EXPECT_NE(std::string(d->GetPageName()).find("PvsT"), std::string::npos);
    EXPECT_EQ(std::string(d->m_szGraphName), std::string(d->GetPageName()) + ".PvsT#1");
    EXPECT_NE(d->m_trace, 0);
    EXPECT_NE(d->m_legend, 0);
    EXPECT_NE(d->m_xAxis, 0);
    EXPECT_NE(d->m_yAxis, 0);
    EXPECT_NE(d->m_nDataSet, 0);
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_pressureCaption, 0), "Total Pressure");
    EXPECT_EQ(d->IsLegendShown(), 1);
    // One legend line per channel under the title.
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_legend, 2), "Oxygen");
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_legend, 3), "Water");

    // Without channels the page still builds.
    CTable& t = *m_doc->GetTable();
    t.m_activeCount = 0;
    ASSERT_TRUE(d->Rebuild());
    EXPECT_NE(d->GetGraph(), nullptr);
    EXPECT_EQ(d->AutoScale(), 1);
    EXPECT_EQ(d->m_legend, 0);
}

TEST_F(PvsTTest, SamplesDrawTracesTheAxisMovesOnAndTheScaleFollows)
{
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    float lo = 0.0f, hi = 0.0f;
    XRange(d, &lo, &hi);
    EXPECT_FLOAT_EQ(hi, 301.0f);

    Feed(d, t, 0, 250);
    EXPECT_EQ(d->GetHistoryCount(), 250);
    ASSERT_EQ(d->ChannelValues().size(), 3u);
    EXPECT_EQ(d->XValues().size(), 250u);
    EXPECT_FLOAT_EQ(d->ChannelValues()[1][100], Pressure(1, 100));
    // The scale takes in every value seen, with a margin.
    EXPECT_GE(t.m_axisTop, 3e-7f);
    EXPECT_LT(t.m_axisTop, 3.5e-7f);
    EXPECT_LE(t.m_axisBottom, 2.5e-8f);
    Keep(d, "pvst_live");

    // At the end of the axis the window moves on by half of it.
    Feed(d, t, 250, 60);
    XRange(d, &lo, &hi);
    EXPECT_FLOAT_EQ(lo, 150.0f);
    EXPECT_FLOAT_EQ(hi, 451.0f);
    EXPECT_FLOAT_EQ(t.m_timeSpan, 451.0f);

    // The sample count stops at the history's capacity while the lists go on.
    t.m_displayWords[CTable::kWordHistory] = 320;
    Feed(d, t, 310, 20);
    EXPECT_EQ(d->GetHistoryCount(), 320);
    EXPECT_EQ(d->XValues().size(), 330u);

    // A new run starts fresh lists.
    Feed(d, t, 0, 3);
    EXPECT_EQ(d->XValues().size(), 3u);

    // What the scan reads back: the newest values of each channel, channel after channel.
    float latest[4 * CTable::kChannels] = {};
    d->GetLastData(latest);
    EXPECT_FLOAT_EQ(latest[3 + 2], Pressure(2, 2));
}

TEST_F(PvsTTest, ASampleIntervalBelowASecondScalesWithoutDividingByZero)
{
    CTable& t = ThreeChannels();
    t.m_currentPeriod = 0.25f;
    CPvsTDisplay* d = NewDisplay();
    Feed(d, t, 0, 200, 0.25f);
    EXPECT_EQ(d->AutoScale(), 1);
    EXPECT_TRUE(std::isfinite(t.m_axisTop));
    EXPECT_GE(t.m_axisTop, 2.9e-7f);
    // After a clear the step follows the new window.
    d->ClearData();
    d->UpdateXStep();
    EXPECT_FLOAT_EQ(d->GetXStep(), 301.0f / 300.0f);
    t.m_timePoints = 1;
    d->UpdateXStep();
    EXPECT_TRUE(std::isfinite(d->GetXStep()));
}

TEST_F(PvsTTest, TheHistoryViewMovesAndResumes)
{
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    Feed(d, t, 0, 800);
    ASSERT_EQ(d->IsHistoryShown(), 0);
    const int used = d->ShowHistory(200, 0);
    EXPECT_NE(d->IsHistoryShown(), 0);
    EXPECT_GT(used, 0);
    Keep(d, "pvst_history");
    // Moved toward newer samples, then on past the newest: clamped, nothing lost.
    EXPECT_GT(d->ShowHistory(50, 0), 0);
    d->ShowHistory(100000, 0);
    EXPECT_NE(d->IsHistoryShown(), 0);
    // Samples taken meanwhile are there after resuming.
    Feed(d, t, 800, 10);
    EXPECT_EQ(d->ResumeScrolling(), 1);
    EXPECT_EQ(d->IsHistoryShown(), 0);
    float latest[4 * CTable::kChannels] = {};
    d->GetLastData(latest);
    EXPECT_FLOAT_EQ(latest[3], Pressure(0, 809));
    Keep(d, "pvst_resumed");
}

TEST_F(PvsTTest, TheCursorReadsTheSampleUnderItInTheLegend)
{
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    Feed(d, t, 0, 100);
    ASSERT_EQ(d->IsCursorShown(), 1);
    struct Case
    {
        float at;
        int result;
        float cursor;
        float value;
        const char* title;
    } cases[] = {
        {42.2f, 1, 42.0f, Pressure(0, 42), "Time:00:00:42"},
        {250.0f, 1, 250.0f, 0.0f, "Time:00:04:10"}, // inside the axis, past the samples: reads 0
        {302.0f, 0, 0.0f, 0.0f, nullptr},           // more than half a second past the axis
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.at);
        d->SetCursorX(c.at);
        EXPECT_EQ(d->TrackMouseCursor(d->GetGraph(), 0, 0), c.result);
        EXPECT_EQ(d->TrackMouseCursor(nullptr, 0, 0), 0);
        if (c.result == 0)
            continue;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%1.2e %s", static_cast<double>(c.value), "Nitrogen");
        EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_legend, 1), expected); // 0 is the title
        EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_legend, 0), c.title);
        EXPECT_FLOAT_EQ(d->GetCursorX(), c.cursor);
    }
    Keep(d, "pvst_cursor");
    // Hiding the cursor gives the legend its channel names back.
    d->ToggleCursor();
    EXPECT_EQ(d->IsCursorShown(), 0);
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_legend, 2), "Oxygen");
}

TEST_F(PvsTTest, TheTotalPressureReadoutAlternatesAndAsksBeforeItIsHidden)
{
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    float value = 2.5e-7f;
    bool done = false;
    std::thread worker(
        [&]
        {
            d->ShowAlarmMessage(&value);
            d->UpdateAlarmMessage(&value, " Torr");
            done = true;
        });
    EXPECT_TRUE(PumpUntil([&] { return done; }, 5000));
    worker.join();
    EXPECT_EQ(d->GetMessageState(), 0);
    char* text = nullptr;
    ASSERT_EQ(WRGetMessageParams(d->GetGraph(), d->m_alarmMessage, &text, nullptr, 1), 1);
    EXPECT_STREQ(text, "2.5E-7  ");
    ASSERT_EQ(WRGetMessageParams(d->GetGraph(), d->m_alarmMessage, &text, nullptr, 0), 1);
    EXPECT_STREQ(text, "2.5E-7   Torr");

    // The caption toggles the read-out after asking; No changes nothing.
    EXPECT_EQ(d->HasTotalPressure(), 0);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Toggle Total Pressure visibility?").Reply(IDNO);
        prompts.Expect("Toggle Total Pressure visibility?").Reply(IDYES);
        d->EditTotalPressure();
        EXPECT_EQ(d->HasTotalPressure(), 0);
        EXPECT_EQ(d->EditMessageObject(d->GetGraph(), d->m_alarmMessage), 1);
        EXPECT_EQ(d->HasTotalPressure(), 1);
    }
    EXPECT_EQ(d->EditMessageObject(nullptr, d->m_alarmMessage), 0);

    // The lower pane of a split leaves the read-out to the upper one.
    CPvsTDisplay lower(&t, 2, m_doc);
    lower.ShowAlarmMessage(&value);
    EXPECT_EQ(lower.GetMessageState(), 0);
}

TEST_F(PvsTTest, TheDisplayGoesThroughTheDocumentFileAndComesBackTheSame)
{
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    Feed(d, t, 0, 120);
    kel::testkit::TempDir dir{"pvst-"};
    const auto first = dir / "first.kel";
    ASSERT_TRUE(m_doc->OnSaveDocument(first.c_str()));

    auto* loaded = new CKelDoc;
    loaded->m_bAutoDelete = FALSE;
    ASSERT_TRUE(loaded->OnNewDocument());
    ASSERT_TRUE(loaded->OnOpenDocument(first.c_str()));
    auto* back = dynamic_cast<CPvsTDisplay*>(loaded->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetTable(), loaded->GetTable());
    EXPECT_EQ(back->GetHistoryCount(), 120);
    ASSERT_EQ(back->ChannelValues().size(), 3u);
    EXPECT_FLOAT_EQ(back->ChannelValues()[2][77], Pressure(2, 77));
    EXPECT_FLOAT_EQ(back->XValues()[77], 77.0f);
    // Stored again before it is shown: the same bytes.
    const auto second = dir / "second.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(second.c_str()));
    // Shown in a view, the stored samples are replayed into the trace and stored the same again.
    m_doc->RemoveView(m_view);
    loaded->AddView(m_view);
    ASSERT_TRUE(back->BuildPage());
    EXPECT_EQ(back->ShowScanData(nullptr), 1);
    EXPECT_EQ(back->GetHistoryCount(), 120);
    float latest[4 * CTable::kChannels] = {};
    back->GetLastData(latest);
    EXPECT_FLOAT_EQ(latest[3 + 1], Pressure(1, 119));
    Keep(back, "pvst_loaded");
    const auto third = dir / "third.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(third.c_str()));
    loaded->RemoveView(m_view);
    m_doc->AddView(m_view);
    loaded->OnCloseDocument();
    delete loaded;

    const auto a = ReadBytes(first);
    ASSERT_GT(a.size(), 120u * 4 * 4);
    for (const auto& other : {second, third})
    {
        const auto b = ReadBytes(other);
        ASSERT_EQ(a.size(), b.size()) << other;
        const auto where = std::mismatch(a.begin(), a.end(), b.begin());
        EXPECT_EQ(where.first, a.end()) << other << " differs at byte " << (where.first - a.begin());
    }

    // A stored count beyond the history is refused.
    auto damaged = a;
    const char name[] = "CPvsTDisplay";
    auto at = std::search(damaged.begin(), damaged.end(), name, name + sizeof name - 1);
    ASSERT_NE(at, damaged.end());
    auto count = at + (sizeof name - 1) + 2;
    int32_t stored = 0;
    std::memcpy(&stored, &*count, 4);
    ASSERT_EQ(stored, 120);
    const int32_t tooMany = 300000;
    std::memcpy(&*count, &tooMany, 4);
    const auto bad = dir / "bad.kel";
    {
        std::ofstream out(bad, std::ios::binary);
        out.write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
    }
    auto* refused = new CKelDoc;
    refused->m_bAutoDelete = FALSE;
    ASSERT_TRUE(refused->OnNewDocument());
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("").Reply(IDOK);
        EXPECT_FALSE(refused->OnOpenDocument(bad.c_str()));
    }
    refused->OnCloseDocument();
    delete refused;
}

TEST_F(PvsTTest, ASaveThatCannotStoreTheSamplesIsReportedAsFailed)
{
    CTable& t = ThreeChannels();
    auto* d = new CNoMemoryPvsTDisplay(&t, 0, m_doc);
    m_doc->SetDisplayOfKind(d);
    m_doc->SetCurrentDisplay(d);
    Feed(d, t, 0, 20);
    kel::testkit::TempDir dir{"pvst-"};
    const auto path = dir / "half.kel";
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Problem allocating PvsT buffers").Reply(IDOK);
    prompts.Expect("").Reply(IDOK).AnyTimes();
    EXPECT_FALSE(m_doc->OnSaveDocument(path.c_str()));
}

TEST_F(PvsTTest, TheWindowColourIsChosenAndKeptInTheTable)
{
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("").ReplyColor(RGB(10, 20, 30));
        d->EditWindowBackground();
    }
    EXPECT_EQ(static_cast<COLORREF>(t.m_colorB1), RGB(10, 20, 30));
    EXPECT_EQ(WGGetGraphBackgnd(d->GetGraph()), RGB(10, 20, 30));
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("").Reply(IDCANCEL);
        d->EditWindowBackground();
    }
    EXPECT_EQ(static_cast<COLORREF>(t.m_colorB1), RGB(10, 20, 30));
}

TEST_F(PvsTTest, ZoomPanAndLogScaleKeepTheWindowInsideTheTrend)
{
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    Feed(d, t, 0, 100);
    struct Case
    {
        const char* step;
        int (*apply)(CPvsTDisplay*);
        int result;
        float lo, hi;
    } cases[] = {
        {"zoom in", [](CPvsTDisplay* x) { return x->Zoom(0.5f); }, 1, 75.0f, 226.0f},
        {"pan left", [](CPvsTDisplay* x) { return x->PanLeft(0.5f); }, 1, 37.0f, 188.0f},
        {"pan left to the start", [](CPvsTDisplay* x) { return x->PanLeft(4.0f); }, 1, 0.0f, 151.0f},
        {"pan right to the end", [](CPvsTDisplay* x) { return x->PanRight(4.0f); }, 1, 150.0f, 301.0f},
        {"zoom out, clamped", [](CPvsTDisplay* x) { return x->Zoom(2.0f); }, 1, 75.0f, 301.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.step);
        EXPECT_EQ(c.apply(d), c.result);
        float lo = 0.0f, hi = 0.0f;
        XRange(d, &lo, &hi);
        EXPECT_FLOAT_EQ(lo, c.lo);
        EXPECT_FLOAT_EQ(hi, c.hi);
    }
    // Zooming in ends at a window too narrow to halve.
    int steps = 0;
    while (d->Zoom(0.5f) && steps < 20)
        ++steps;
    EXPECT_LT(steps, 20);
    float lo = 0.0f, hi = 0.0f;
    XRange(d, &lo, &hi);
    EXPECT_GE(hi - lo, 1.0f);
    // The history length: zoom in refused below 6 points, zoom out while fewer samples are held.
    int points = 0;
    EXPECT_EQ(d->CanChangeHistoryLength(0, &points), 1);
    EXPECT_EQ(points, 301);
    EXPECT_EQ(d->CanChangeHistoryLength(1, &points), 0);

    // Log scale: a bottom at 0 becomes 1e-12; back to linear keeps the range.
    t.m_axisBottom = 0.0f;
    t.m_axisTop = 1e-6f;
    EXPECT_EQ(d->SetLogScale(1), 1);
    EXPECT_EQ(d->IsLogScale(), 1);
    EXPECT_FLOAT_EQ(t.m_axisBottom, 1e-12f);
    EXPECT_EQ(WGGetAxisScale(d->GetGraph(), d->m_yAxis), 1);
    t.m_axisTop = -1.0f;
    t.m_axisBottom = -2.0f;
    d->SetLogScale(1);
    EXPECT_FLOAT_EQ(t.m_axisTop, 1e-5f);
    EXPECT_FLOAT_EQ(t.m_axisBottom, 1e-12f);
    EXPECT_EQ(d->SetLogScale(0), 1);
    EXPECT_EQ(d->IsLogScale(), 0);
    EXPECT_EQ(WGGetAxisScale(d->GetGraph(), d->m_yAxis), 0);
}

TEST_F(PvsTTest, TheChartEditorsApplyOnOkAndKeepTheirChoicesInTheTable)
{
    using kel::testkit::DialogDriver;
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    Feed(d, t, 0, 200);
    GrDesc* graph = d->GetGraph();
    const struct
    {
        const char* what;
        int dialog;
        std::function<void()> open;
        std::function<void(DialogDriver&)> fill;
        std::function<void(kel::testkit::ScriptedPrompts&)> inner; // a dialog the first one opens
        std::function<void()> check;
    } cases[] = {
        {"time axis", IDD_X_AXIS, [&] { d->EditXAxis(); },
         [](DialogDriver& x)
         {
             x.SetText(IDC_AXIS_FROM, "00:00:30");
             x.SetText(IDC_AXIS_TO, "00:02:00");
         },
         nullptr,
         [&]
         {
             float lo = 0.0f, hi = 0.0f;
             XRange(d, &lo, &hi);
             EXPECT_FLOAT_EQ(lo, 30.0f);
             EXPECT_FLOAT_EQ(hi, 120.0f);
         }},
        {"pressure axis", IDD_Y_AXIS, [&] { d->EditYAxis(); },
         [](DialogDriver& x)
         {
             x.SetText(IDC_AXIS_FROM, "0");
             x.SetText(IDC_AXIS_TO, "2e-6");
         },
         nullptr,
         [&]
         {
             EXPECT_FLOAT_EQ(t.m_axisTop, 2e-6f);
             float lo = 0.0f, hi = 0.0f, intercept = 0.0f;
             WGGetAxisRange(graph, d->m_yAxis, &lo, &hi, &intercept);
             EXPECT_FLOAT_EQ(hi, 2e-6f);
         }},
        {"time title", IDD_TEXT_PARAMETERS, [&] { d->EditTitleText(); },
         [](DialogDriver& x) { x.SetText(IDC_TEXT_STRING, "Elapsed"); }, nullptr,
         [&]
         {
             EXPECT_STREQ(t.m_szTimeTitle, "Elapsed");
             EXPECT_STREQ(WGGetString(graph, d->m_titleText, 0), "Elapsed");
         }},
        {"graph title", IDD_TEXT_PARAMETERS, [&] { d->EditTextObject(graph, d->m_graphTitle); },
         [](DialogDriver& x) { x.SetText(IDC_TEXT_STRING, "Chamber B"); }, nullptr,
         [&]
         {
             EXPECT_STREQ(t.m_szPvsTTitle, "Chamber B");
             EXPECT_STREQ(WGGetString(graph, d->m_graphTitle, 0), "Chamber B");
         }},
        {"pressure labels", IDD_AXIS_LABELS, [&] { d->EditYAxisLabels(); },
         [](DialogDriver& x) { x.SetText(IDC_LABELS_PLACES, "3"); }, nullptr,
         [&]
         {
             EXPECT_EQ(PvsTWords::YLabelPrecision(t), 3);
             EXPECT_EQ(WGGetLabelsPrec(graph, d->m_yLabels), 3);
         }},
        {"trace colours from the legend", IDD_TRACE_COLOR, [&] { d->EditLegend(graph, d->m_legend); },
         [](DialogDriver& x) { x.Select(IDC_TRACE_COLOR, 12); }, nullptr,
         [&]
         {
             EXPECT_EQ(t.m_channelColors[0], 12);
             d->EditObject(graph); // what the chart host does after the legend's editor
             EXPECT_EQ(WGGetLineColorRGB(graph, d->m_trace, 0), WGGetRGBColor(12));
         }},
        {"trace lines", IDD_TRACE_LINE_PROPERTIES, [&] { d->EditTraces(); },
         [](DialogDriver& x) { x.Click(IDC_TLP_ATTRIBUTES); },
         [](kel::testkit::ScriptedPrompts& prompts)
         {
             prompts.Expect(IDD_LINE_PARAMETERS)
                 .Drive(
                     [](DialogDriver& line)
                     {
                         line.Select(IDC_LINE_COLOR, 15);
                         line.Select(IDC_LINE_WIDTH, "4");
                         line.Click(IDOK);
                     });
         },
         [&]
         {
             EXPECT_EQ(t.m_channelColors[0], 15);
             EXPECT_EQ(t.m_channelWords1[0], 4);
             EXPECT_EQ(WGGetLineWidth(graph, d->m_trace, 0), 4);
         }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_doc->SetModifiedFlag(FALSE);
        const float top = t.m_axisTop;
        const std::string title = t.m_szPvsTTitle;
        const int colour = t.m_channelColors[0];
        {
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect(c.dialog).Drive([](DialogDriver& x) { x.Click(IDCANCEL); });
            c.open();
        }
        EXPECT_FLOAT_EQ(t.m_axisTop, top); // Cancel changes nothing
        EXPECT_EQ(std::string(t.m_szPvsTTitle), title);
        EXPECT_EQ(t.m_channelColors[0], colour);
        EXPECT_FALSE(m_doc->IsModified());
        {
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect(c.dialog).Drive(
                [&](DialogDriver& x)
                {
                    c.fill(x);
                    x.Click(IDOK);
                });
            if (c.inner)
                c.inner(prompts);
            c.open();
        }
        c.check();
        EXPECT_TRUE(m_doc->IsModified());
    }
    // The pressure labels' choices are the painter's on the next page.
    ASSERT_TRUE(d->Rebuild());
    EXPECT_EQ(WGGetLabelsPrec(d->GetGraph(), d->m_yLabels), 3);
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_graphTitle, 0), "Chamber B");
}

TEST_F(PvsTTest, TheLegendStaysInsideThePlotAndHiddenChannelsDrawNoLine)
{
    CTable& t = ThreeChannels();
    CPvsTDisplay* d = NewDisplay();
    Feed(d, t, 0, 60);
    GrDesc* graph = d->GetGraph();
    float plotLeft = 0.0f, plotTop = 0.0f, plotRight = 0.0f, plotBottom = 0.0f;
    WGGetPlotPos(graph, &plotLeft, &plotTop, &plotRight, &plotBottom);
    const auto inside = [&]
    {
        float x1 = 0.0f, y1 = 0.0f, x2 = 0.0f, y2 = 0.0f;
        WGGetObjectCoordNorm(graph, d->m_legend, &x1, &y1, &x2, &y2);
        EXPECT_GE(x1, plotLeft);
        EXPECT_LE(x2, plotRight + 1e-4f);
        EXPECT_GE(y1, plotTop);
        EXPECT_LE(y2, plotBottom + 1e-4f);
        EXPECT_GT(x2 - x1, 0.02f);
    };
    ASSERT_TRUE(WGIsObjectVisible(graph, d->m_legend));
    inside();
    // The cursor's read-out widens the lines: the legend stays inside.
    d->SetCursorX(30.0f);
    ASSERT_EQ(d->TrackMouseCursor(graph, 0, 0), 1);
    inside();
    Keep(d, "pvst_legend");

    // The legend toggled off and on.
    d->ToggleLegend(0);
    EXPECT_FALSE(WGIsObjectVisible(graph, d->m_legend));
    d->ToggleLegend(1);
    EXPECT_TRUE(WGIsObjectVisible(graph, d->m_legend));
    inside();

    // A channel whose trace is hidden keeps its legend line unmarked and draws with no line.
    t.m_flags[1] = 0;
    d->RefreshReadout();
    LineDesc* line = GetLineDesc(graph, d->m_trace, 1);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->style, 5);
    t.m_flags[1] = 1;
    d->RefreshReadout();
    EXPECT_NE(GetLineDesc(graph, d->m_trace, 1)->style, 5);
}
