// The chart host and the analog display on the offscreen backend: pages built through the host with
// their painters on the first paint, a live sweep fed as the analog scan feeds it, the cursor, zoom
// and scales, calls from a worker thread, and the display through the document file.
#include "displays/AnalogDisplay.h"
#include "displays/ChartHost.h"
#include "displays/GraphBuilder.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "scans/AnalogScan.h"
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
#include <fstream>
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

struct CountingPainter : CGraphPainter
{
    int calls = 0;
    int text = 0;
    void BuildObjects(GrDesc* graph, HDC dc) override
    {
        ++calls;
        WGSetPlotArea(graph, dc, 0.1f, 0.1f, 0.9f, 0.9f, 15);
        text = WGTextNorm(graph, dc, "hello", 0.5f, 0.5f, 0, 0);
    }
};

struct CountingBuilder : CSingleGraphBuilder
{
    using CSingleGraphBuilder::CSingleGraphBuilder;
    int calls = 0;
    void CreateGraphs(PgDesc* page) override
    {
        ++calls;
        CSingleGraphBuilder::CreateGraphs(page);
    }
};

std::vector<char> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ChartTest : public kel::testkit::UiTest
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
    }
    void TearDown() override
    {
        if (m_doc != nullptr)
        {
            m_doc->RemoveView(m_view);
            m_doc->OnCloseDocument();
            delete m_doc;
        }
        m_view->DestroyWindow();
        m_frame.DestroyWindow();
        ChartHostCleanup(TRUE);
        // Each test starts the libraries anew.
        UnregisterClass("PgWin", ChartHostTop()->hostInstance);
        UnregisterClass("GrWin", ChartHostTop()->hostInstance);
        UiTest::TearDown();
    }

    CKelDoc* NewDoc()
    {
        m_doc = new CKelDoc;
        m_doc->m_bAutoDelete = FALSE;
        EXPECT_TRUE(m_doc->OnNewDocument());
        m_doc->AddView(m_view);
        return m_doc;
    }

    // The display of the document's first analog record, built in the test view.
    CAnalogDisplay* NewDisplay()
    {
        CKelDoc* doc = m_doc != nullptr ? m_doc : NewDoc();
        auto* display = new CAnalogDisplay(doc->GetAnalogSettings(0), 0, doc);
        doc->SetDisplayOfKind(display);
        doc->SetCurrentDisplay(display);
        return display;
    }

    // A sweep as the analog scan sends it, point by point: a few gas peaks over a noise floor.
    static void FeedSweep(CDisplay* display, const CAnalogData& s, int points = -1)
    {
        const int count = points < 0 ? s.m_pointCount : points;
        for (int i = 0; i < count; ++i)
        {
            AnalogPointRecord record{
                s.m_startMass + static_cast<float>(i % s.m_pointCount) / s.m_pointsPerAmu,
                Spectrum(s.m_startMass + static_cast<float>(i % s.m_pointCount) / s.m_pointsPerAmu)};
            display->UpdateData(&record, 0);
        }
    }
    static float Spectrum(float mass)
    {
        float value = 2e-10f;
        const struct
        {
            float mass, height;
        } peaks[] = {{2, 3e-8f},  {18, 4e-7f}, {28, 2e-7f}, {32, 5e-8f},
                     {44, 1e-8f}, {17, 8e-8f}, {40, 6e-9f}};
        for (auto p : peaks)
            value += p.height * std::exp(-(mass - p.mass) * (mass - p.mass) / 0.03f);
        return value;
    }
    // The topmost trace pixel near a mass lies where the value puts it on the axes as they are now.
    static void ExpectTraceAt(const kel::testkit::Image& image, CAnalogDisplay* display, float mass,
                              float value)
    {
        GrDesc* graph = display->GetGraph();
        float left = 0, top = 0, right = 0, bottom = 0, from = 0, to = 0, low = 0, high = 0, unused = 0;
        WGGetPlotPos(graph, &left, &top, &right, &bottom);
        WGGetAxisRange(graph, display->m_xAxis, &from, &to, &unused);
        WGGetAxisRange(graph, display->m_yAxis, &low, &high, &unused);
        left *= image.width, right *= image.width, top *= image.height, bottom *= image.height;
        const int x = static_cast<int>(left + (mass - from) / (to - from) * (right - left));
        const int y =
            static_cast<int>(bottom - std::log10(value / low) / std::log10(high / low) * (bottom - top));
        const DWORD colour = RGB(255, 0, 0); // the first trace's colour in new settings
        int found = -1;
        for (int row = 0; row < image.height && found < 0; ++row)
            for (int column = x - 2; column <= x + 2; ++column)
                if (image.Pixel(column, row) == colour)
                {
                    found = row;
                    break;
                }
        EXPECT_NEAR(found, y, 4) << "mass " << mass << " at column " << x;
    }
    static void Keep(const kel::testkit::Image& image, const char* name)
    {
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(image, std::string(keep) + "/kelmon_" + name + ".png");
    }

    CWnd m_frame;
    CTestView* m_view = nullptr;
    CKelDoc* m_doc = nullptr;
};

TEST_F(ChartTest, APageBuiltThroughTheHostRunsItsBuilderAndPainterOnceBeforeItReturns)
{
    CountingPainter painter;
    CountingBuilder builder(&painter, RGB(200, 200, 200), 4);
    PgDesc* page = ChartHostInit("HostPage", m_view->GetSafeHwnd(), AfxGetInstanceHandle(), "HostPage",
                                 reinterpret_cast<LPARAM>(&builder), nullptr, 1, 8,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, 0);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(builder.calls, 1);
    EXPECT_EQ(painter.calls, 1);
    ASSERT_NE(builder.m_pGraph, nullptr);
    EXPECT_EQ(WGGetObjectType(builder.m_pGraph, painter.text), PK_TYPE_TEXT);
    EXPECT_EQ(WGGetGraphBackgnd(builder.m_pGraph), RGB(200, 200, 200));

    // Later paints only draw.
    InvalidateRect(page->window, nullptr, TRUE);
    UpdateWindow(page->window);
    InvalidateRect(builder.m_pGraph->window, nullptr, TRUE);
    UpdateWindow(builder.m_pGraph->window);
    EXPECT_EQ(builder.calls, 1);
    EXPECT_EQ(painter.calls, 1);

    // The page's sweep back: a second page is built the same way and each page paints its own.
    CountingPainter second;
    CountingBuilder secondBuilder(&second, RGB(0, 0, 0), 4);
    ASSERT_NE(ChartHostInit("Second", m_view->GetSafeHwnd(), AfxGetInstanceHandle(), "Second",
                            reinterpret_cast<LPARAM>(&secondBuilder), nullptr, 1, 8, WS_CHILD | WS_VISIBLE, 0,
                            0, 0, 0, 0),
              nullptr);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(painter.calls, 1);

    // Shutting down twice (the frame's close and destroy) is harmless.
    WGClosePage(page);
    ChartHostCleanup(TRUE);
    ChartHostCleanup(TRUE);
}

TEST_F(ChartTest, AWorkerCallReachesTheChartsOnThePageThread)
{
    CAnalogDisplay* display = NewDisplay();
    ASSERT_NE(display->GetGraph(), nullptr);
    const DWORD ui = GetCurrentThreadId();
    DWORD ranOn = 0;
    bool done = false;
    std::thread worker(
        [&]
        {
            ChartHostCallOnPageThread(display->GetPage(), [&] { ranOn = GetCurrentThreadId(); });
            float pressure = 2.5e-7f;
            display->ShowAlarmMessage(&pressure);
            display->ShowLogStatus(1, 3, 10);
            display->ClearData();
            done = true;
        });
    EXPECT_TRUE(PumpUntil([&] { return done; }, 5000));
    worker.join();
    EXPECT_EQ(ranOn, ui);
    char* text = nullptr;
    ASSERT_EQ(WRGetMessageParams(display->GetGraph(), display->m_alarmMessage, &text, nullptr, 1), 1);
    EXPECT_STREQ(text, "2.5E-7  ");
    EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_averagingText, 0), "<LIN> 3/10");
}

TEST_F(ChartTest, TheLiveSpectrumFillsASweepPointByPointAndWrapsToTheNext)
{
    CAnalogDisplay* display = NewDisplay();
    const CAnalogData& s = *m_doc->GetAnalogSettings(0);
    ASSERT_EQ(s.m_pointCount, 641); // masses 1..65 at 10 points per mass
    ASSERT_NE(display->GetGraph(), nullptr);
    ASSERT_NE(display->m_trace, 0);
    EXPECT_EQ(WGGetObjectType(display->GetGraph(), display->m_trace), 104) << WGGetLastError();
    const std::string name = display->GetPageName();
    EXPECT_EQ(name.rfind("FulPge", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 6), "Analog");

    FeedSweep(display, s, 640);
    EXPECT_EQ(display->GetPointsReceived(), 640);
    EXPECT_EQ(display->GetWriteIndex(), 640);
    FeedSweep(display, s, 1);
    // The 641st point ends the sweep; the next one starts a new sweep.
    EXPECT_EQ(display->GetWriteIndex(), 0);
    EXPECT_EQ(display->GetPointsReceived(), 641);
    FeedSweep(display, s, 1);
    EXPECT_EQ(display->GetWriteIndex(), 1);
    EXPECT_EQ(display->GetPointsReceived(), 1);
    display->ClearData();
    FeedSweep(display, s);
    EXPECT_EQ(display->GetPointsReceived(), 641);
    EXPECT_EQ(display->GetWriteIndex(), 0);
    EXPECT_FLOAT_EQ(display->Values()[170], Spectrum(18.0f));

    // The sweep went into the real-time set the trace draws.
    float last[4] = {};
    EXPECT_EQ(WRGetHistData(display->m_nDataSet, 1, last, 4, 4), 4);
    EXPECT_FLOAT_EQ(last[3], Spectrum(65.0f));
    std::vector<float> back(641);
    EXPECT_EQ(display->ReadData(back.data(), 641), 641);
    EXPECT_EQ(back, display->Values());

    EXPECT_EQ(display->AutoScale(), 1);
    float bottom = 0, top = 0, intercept = 0;
    WGGetAxisRange(display->GetGraph(), display->m_yAxis, &bottom, &top, &intercept);
    EXPECT_FLOAT_EQ(bottom, 1e-10f);
    EXPECT_FLOAT_EQ(top, 1e-6f);

    display->ShowLogStatus(2, 4, 0);
    display->ShowLogProgress(1, 2, 20, 1);
    float total = 6.3e-7f;
    display->ShowAlarmMessage(&total);
    display->ToggleCursor();
    display->ToggleCursor();
    for (int i = 0; i < 170; ++i)
        display->OnChartKeyDown(VK_RIGHT, 0, 0);
    EXPECT_FLOAT_EQ(display->GetCursorX(), 18.0f);
    EXPECT_STREQ(WGGetString(display->GetGraph(), display->m_cursorText, 0), "X = 18.0 Y = 4.00e-07");

    UpdateWindow(display->GetGraph()->window);
    const kel::testkit::Image shown = kel::testkit::CaptureWindow(display->GetGraph()->window);
    InvalidateRect(display->GetGraph()->window, nullptr, TRUE);
    UpdateWindow(display->GetGraph()->window);
    const kel::testkit::Image full = kel::testkit::CaptureWindow(display->GetGraph()->window);
    Keep(full, "analog_live_full");
    ASSERT_FALSE(shown.Empty());
    Keep(shown, "analog_live");
    // The trace is drawn where the values put it, on the scale the auto-scale chose; the peaks
    // stand out of the noise floor (the one at 18 lies under the cursor).
    for (const kel::testkit::Image* image : {&shown, &full})
    {
        ExpectTraceAt(*image, display, 44.0f, Spectrum(44.0f));
        ExpectTraceAt(*image, display, 28.0f, Spectrum(28.0f));
        ExpectTraceAt(*image, display, 2.0f, Spectrum(2.0f));
    }
}

// With the cursor on the first mass every live point refreshes the read-out: it follows the first
// point of each new sweep and reads the same for the points after it.
TEST_F(ChartTest, ReadOutOnTheFirstMassFollowsEachSweep)
{
    CAnalogDisplay* display = NewDisplay();
    const CAnalogData& s = *m_doc->GetAnalogSettings(0);
    display->ToggleCursor();
    display->ToggleCursor();
    ASSERT_TRUE(display->IsCursorShown());
    auto feed = [&](int index, float value)
    {
        AnalogPointRecord record{s.m_startMass + static_cast<float>(index) / s.m_pointsPerAmu, value};
        display->UpdateData(&record, 0);
    };
    auto readOut = [&] { return std::string(WGGetString(display->GetGraph(), display->m_cursorText, 0)); };
    for (int i = 0; i < s.m_pointCount; ++i)
        feed(i, i == 0 ? 2e-9f : 5e-8f);
    EXPECT_FLOAT_EQ(display->GetCursorX(), static_cast<float>(s.m_startMass));
    EXPECT_EQ(readOut(), "X = 1.0 Y = 2.00e-09");
    feed(0, 3e-9f);
    EXPECT_EQ(readOut(), "X = 1.0 Y = 3.00e-09");
    feed(1, 7e-8f);
    EXPECT_EQ(readOut(), "X = 1.0 Y = 3.00e-09");
    EXPECT_FLOAT_EQ(display->GetCursorY(), 3e-9f);
}

TEST_F(ChartTest, WholeSweepsCursorZoomAndScales)
{
    CAnalogDisplay* display = NewDisplay();
    CAnalogData& s = *m_doc->GetAnalogSettings(0);
    std::vector<float> sweep(s.m_pointCount);
    for (int i = 0; i < s.m_pointCount; ++i)
        sweep[i] = 3e-9f + (4e-7f - 3e-9f) * i / (s.m_pointCount - 1);
    EXPECT_EQ(display->ShowScanData(sweep.data()), 1);
    EXPECT_EQ(display->GetPointsReceived(), s.m_pointCount);
    EXPECT_EQ(display->AutoScale(), 1);
    EXPECT_FLOAT_EQ(s.m_pressureBottom, 1e-9f);
    EXPECT_FLOAT_EQ(s.m_pressureTop, 1e-6f);

    // The cursor stepped past the last point stays on it.
    display->ToggleCursor();
    display->ToggleCursor();
    display->TrackMouseCursor(display->GetGraph(), 0, 0);
    for (int i = 0; i < 700; ++i)
        display->OnChartKeyDown(VK_RIGHT, 0, 0);
    EXPECT_FLOAT_EQ(display->GetCursorX(), 65.0f);
    EXPECT_FLOAT_EQ(display->GetCursorY(), 4e-7f);
    display->OnChartKeyDown(VK_LEFT, 0, 0);
    EXPECT_FLOAT_EQ(display->GetCursorX(), 64.9f);

    float from = 0, to = 0, intercept = 0;
    auto range = [&]
    {
        WGGetAxisRange(display->GetGraph(), display->m_xAxis, &from, &to, &intercept);
        return std::pair{from, to};
    };
    EXPECT_EQ(display->Zoom(0.5f), 1);
    EXPECT_EQ(range(), (std::pair{17.0f, 49.0f}));
    EXPECT_EQ(display->PanLeft(1.0f), 1);
    EXPECT_EQ(range(), (std::pair{1.0f, 33.0f}));
    EXPECT_EQ(display->Zoom(2.0f), 1);
    EXPECT_EQ(range(), (std::pair{1.0f, 49.0f}));
    EXPECT_EQ(display->FullScale(), 1);
    EXPECT_EQ(range(), (std::pair{1.0f, 65.0f}));
    EXPECT_EQ(display->SetMassRange(10.4f, 10.2f), 0);

    EXPECT_EQ(display->SetLogScale(0), 1);
    EXPECT_EQ(display->IsLogScale(), 0);
    EXPECT_EQ(WGGetAxisScale(display->GetGraph(), display->m_yAxis), 0);
    EXPECT_EQ(display->SetLogScale(1), 1);
    EXPECT_EQ(WGGetAxisScale(display->GetGraph(), display->m_yAxis), 1);

    display->ClearData();
    EXPECT_EQ(display->HasData(), 0);
    EXPECT_EQ(display->AutoScale(), 0);
    EXPECT_EQ(display->ShowScanData(nullptr), 1); // nothing stored: still no data
    EXPECT_EQ(display->HasData(), 0);

    float spacing = 0;
    int minor = 0;
    EXPECT_TRUE(CAnalogDisplay::ComputePressureRange(0.0f, 1e-6f, &spacing, &minor));
    EXPECT_FLOAT_EQ(spacing, 2e-7f);
    EXPECT_EQ(minor, 3);
    EXPECT_FALSE(CAnalogDisplay::ComputePressureRange(1.0f, 1.0f, &spacing, &minor));
}

TEST_F(ChartTest, TheValuesFollowAPointCountChangedUnderTheDisplay)
{
    CAnalogDisplay* display = NewDisplay();
    CAnalogData& s = *m_doc->GetAnalogSettings(0);
    FeedSweep(display, s, 300);
    s.m_stopMass = 200;
    s.m_pointsPerAmu = 20;
    s.UpdateDerived();
    FeedSweep(display, s); // more points than the display was built for
    EXPECT_EQ(display->Values().size(), static_cast<size_t>(s.m_pointCount));
    EXPECT_EQ(display->GetPointsReceived(), 300); // the sweep went on from point 300 and wrapped
    s.m_stopMass = 10;
    s.UpdateDerived();
    std::vector<float> back(s.m_pointCount);
    EXPECT_LE(display->ReadData(back.data(), s.m_pointCount), s.m_pointCount);
    EXPECT_EQ(display->Values().size(), static_cast<size_t>(s.m_pointCount));
}

TEST_F(ChartTest, TheDisplayGoesThroughTheDocumentFileAndComesBackTheSame)
{
    CKelDoc* doc = NewDoc();
    CAnalogDisplay* display = NewDisplay();
    FeedSweep(display, *doc->GetAnalogSettings(0), 200);
    kel::testkit::TempDir dir{"analog-"};
    const auto first = dir / "first.kel";
    ASSERT_TRUE(doc->OnSaveDocument(first.c_str()));

    auto* loaded = new CKelDoc;
    loaded->m_bAutoDelete = FALSE;
    ASSERT_TRUE(loaded->OnNewDocument());
    ASSERT_TRUE(loaded->OnOpenDocument(first.c_str()));
    auto* back = dynamic_cast<CAnalogDisplay*>(loaded->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetKind(), 1);
    EXPECT_EQ(back->m_pSettings, loaded->GetAnalogSettings(0));
    EXPECT_EQ(back->GetPointsReceived(), 200);
    EXPECT_FLOAT_EQ(back->Values()[170], Spectrum(18.0f));
    const auto second = dir / "second.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(second.c_str()));
    // The stored sweep is shown again after the load.
    EXPECT_EQ(back->ShowScanData(nullptr), 1);
    EXPECT_EQ(back->HasData(), 1);
    loaded->OnCloseDocument();
    delete loaded;

    const auto a = ReadBytes(first), b = ReadBytes(second);
    ASSERT_GT(a.size(), 641u * 4);
    EXPECT_EQ(a, b);

    // A stored count beyond the settings' point count is refused.
    auto damaged = a;
    CAnalogDisplay probe;
    EXPECT_EQ(probe.GetKind(), 1);
    const char name[] = "CAnalogDisplay";
    auto at = std::search(damaged.begin(), damaged.end(), name, name + sizeof name - 1);
    ASSERT_NE(at, damaged.end());
    // After the class name: the settings reference (a 2-byte index), then the count.
    auto count = at + (sizeof name - 1) + 2;
    int32_t stored = 0;
    std::memcpy(&stored, &*count, 4);
    ASSERT_EQ(stored, 200);
    const int32_t tooMany = 5000;
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

} // namespace
