// The leak display offscreen: its page built in a document's view, readings fed as the leak scan
// feeds them, the trend and its time axis, the read-outs, the alarm lines, the history view, the
// data cursor, Clear, the scale switch and the display through the document file.
#include "displays/ChartHost.h"
#include "displays/LeakDisplay.h"
#include "displays/LeakGraphPainters.h"
#include "doc/KelDoc.h"
#include "doc/LeakData.h"
#include "res/resource.h"
#include "scans/LeakScans.h"
#include "settings/AppSettings.h"
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
#include <fstream>
#include <iterator>
#include <string>
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

void WriteBytes(const std::filesystem::path& path, const std::vector<char>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class LeakDisplayTest : public kel::testkit::UiTest
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
        // A reading a second, 600 on a screen: triggered readings keep the period they were given
        // when the head reads faster.
        Leak().m_nScanMode = 2;
        Leak().m_fTriggerPeriod = 1.0f;
        Leak().m_fSamplePeriod = 1.0f;
        CAppSettings::GetInstance()->m_leakFactor = 2.0f;
    }
    void TearDown() override
    {
        m_doc->RemoveView(m_view);
        m_doc->OnCloseDocument();
        delete m_doc;
        m_view->DestroyWindow();
        m_frame.DestroyWindow();
        ChartHostCleanup(TRUE);
        UiTest::TearDown();
    }

    CLeakData& Leak() { return *m_doc->GetLeakData(); }

    CLeakDisplay* NewDisplay()
    {
        auto* display = new CLeakDisplay(&Leak(), m_doc);
        m_doc->SetDisplayOfKind(display);
        m_doc->SetCurrentDisplay(display);
        m_doc->BindLoadedDisplay(display);
        return display;
    }

    static float Value(int i) { return 2e-7f * (1.0f + 0.5f * std::sin(0.05f * static_cast<float>(i))); }

    // Readings first..first+count-1 as the scan sends them: the reading number, then the pair.
    static void Feed(CLeakDisplay* d, int first, int count, float interval = 1.0f)
    {
        for (int i = first; i < first + count; ++i)
        {
            d->m_nSampleCounter = i;
            LeakPointRecord r{static_cast<float>(i) * interval, Value(i)};
            d->UpdateData(&r, 0);
        }
    }

    static void XRange(CLeakDisplay* d, float* lo, float* hi)
    {
        float intercept = 0.0f;
        WGGetAxisRange(d->GetGraph(), d->m_xAxis, lo, hi, &intercept);
    }

    // Where the value axis and the right axis cross the time axis.
    static void Crossings(CLeakDisplay* d, float* left, float* right)
    {
        float lo = 0.0f, hi = 0.0f;
        WGGetAxisRange(d->GetGraph(), d->m_yAxis, &lo, &hi, left);
        WGGetAxisRange(d->GetGraph(), d->m_rightAxis, &lo, &hi, right);
    }

    static std::string Message(CLeakDisplay* d)
    {
        char* text = nullptr;
        WRGetMessageParams(d->GetGraph(), d->m_message, &text, nullptr, d->GetBlinkState());
        return text != nullptr ? text : "";
    }

    static void Keep(CLeakDisplay* d, const char* name)
    {
        Pump();
        if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
            kel::testkit::SavePng(kel::testkit::CaptureWindow(WGGetPageWindow(d->GetPage())),
                                  std::string(keep) + "/kelmon_" + name + ".png");
    }

    CWnd m_frame;
    CTestView* m_view = nullptr;
    CKelDoc* m_doc = nullptr;
};

} // namespace

TEST(LeakValueTicks, TheStepFollowsTheSeriesWithItsMinorTicks)
{
    const struct
    {
        float span, step;
        int minor;
    } cases[] = {{5.0f, 1.0f, 5}, {7.0f, 1.25f, 4}, {12.0f, 2.0f, 3}, {1e-6f, 2e-7f, 3}, {37.5f, 7.5f, 2}};
    for (const auto& c : cases)
    {
        float step = 0.0f;
        int minor = 0;
        ASSERT_TRUE(CLeakDisplay::ComputeValueTicks(c.span, &step, &minor)) << c.span;
        EXPECT_NEAR(step, c.step, c.step * 1e-4f) << c.span;
        EXPECT_EQ(minor, c.minor) << c.span;
    }
    float step = 0.0f;
    int minor = 0;
    EXPECT_FALSE(CLeakDisplay::ComputeValueTicks(1e-21f, &step, &minor));
}

TEST_F(LeakDisplayTest, ThePageHasBothGraphsAndTheCaptionFollowsTheRawPressureFlag)
{
    CLeakDisplay* d = NewDisplay();
    ASSERT_NE(d->GetGraph(), nullptr);
    ASSERT_NE(d->GetBarGraph(), nullptr);
    EXPECT_EQ(d->GetKind(), 2);
    EXPECT_EQ(m_doc->m_nMode, CKelDoc::kModeLeakTest);
    EXPECT_EQ(std::string(d->m_szGraphName), std::string(d->GetPageName()) + ".Leak#1");
    for (int object : {d->m_trace, d->m_xAxis, d->m_yAxis, d->m_rightAxis, d->m_alarmLines, d->m_alarmMarks,
                       d->m_alarmText, d->m_message, d->m_caption, d->m_dataCursor, d->m_readout, d->m_bars})
        EXPECT_NE(object, 0);
    EXPECT_NE(d->m_nDataSet, 0);
    EXPECT_NE(d->m_nBarSet, 0);
    float lo = 0.0f, hi = 0.0f;
    XRange(d, &lo, &hi);
    EXPECT_FLOAT_EQ(lo, 0.0f);
    EXPECT_FLOAT_EQ(hi, 600.0f);

    // Raw pressure: the bare caption and the reading as it came.
    Leak().m_nLastValueUnits = 1;
    d->RefreshReadout();
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_caption, 0), "Helium (4)");
    Feed(d, 0, 1);
    d->m_nSampleCounter = 1;
    LeakPointRecord r{1.0f, 1.234e-7f};
    d->UpdateData(&r, 0);
    EXPECT_EQ(Message(d), " 1.2E-07");
    // A leak rate: the unit in the caption and the reading times the leak factor.
    Leak().m_nLastValueUnits = 0;
    d->RefreshReadout();
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_caption, 0), "Helium (4) (Torr*L/s)");
    EXPECT_EQ(Message(d), " 2.5E-07");
}

TEST_F(LeakDisplayTest, ReadingsGrowTheTrendAndTheWindowMovesOnByHalf)
{
    CLeakDisplay* d = NewDisplay();
    Feed(d, 0, 500);
    EXPECT_EQ(d->GetValueCount(), 500);
    EXPECT_EQ(d->Times().size(), 500u);
    EXPECT_EQ(d->GetHistoryCount(), 500);
    EXPECT_FLOAT_EQ(d->GetValueAt(123), Value(123));
    EXPECT_FLOAT_EQ(d->GetSecondValueAt(123), 123.0f);
    // The blinking value alternates its message with each reading.
    const int blink = d->GetBlinkState();
    Feed(d, 500, 1);
    EXPECT_NE(d->GetBlinkState(), blink);
    // The scale takes in what is shown, with a margin.
    EXPECT_GE(Leak().m_fScaleTop, 3e-7f);
    EXPECT_LT(Leak().m_fScaleTop, 3.3e-7f);
    // The value axis stands at the window's start, the right axis at its end.
    float left = 0.0f, right = 0.0f;
    Crossings(d, &left, &right);
    EXPECT_FLOAT_EQ(left, 0.0f);
    EXPECT_FLOAT_EQ(right, 600.0f);
    Keep(d, "leak_trend");

    // At the end of the axis the window moves on by half of it, never by a whole window.
    Feed(d, 501, 150);
    float lo = 0.0f, hi = 0.0f;
    XRange(d, &lo, &hi);
    EXPECT_FLOAT_EQ(lo, 300.0f);
    EXPECT_FLOAT_EQ(hi, 900.0f);
    EXPECT_FLOAT_EQ(LeakLayout::XMaximum(Leak()), 900.0f);
    Crossings(d, &left, &right);
    EXPECT_FLOAT_EQ(left, 300.0f);
    EXPECT_FLOAT_EQ(right, 900.0f);

    // The stored count stops at the point limit while the arrays go on.
    Leak().m_nMaxPoints = 700;
    Feed(d, 651, 100);
    EXPECT_EQ(d->GetHistoryCount(), 700);
    EXPECT_EQ(d->GetValueCount(), 751);

    // A new run (reading number 0) starts from empty arrays.
    Feed(d, 0, 3);
    EXPECT_EQ(d->GetValueCount(), 3);
    EXPECT_EQ(d->Times().size(), 3u);
    EXPECT_EQ(d->GetHistoryCount(), 3);
}

TEST_F(LeakDisplayTest, AlarmLinesFollowTheirDialogAndTheAlarmsTheirEnables)
{
    // Levels High and High-high enabled, Low and Low-low not.
    Leak().m_alarmFlag[CLeakData::kLowEnabled] = 0;
    Leak().m_alarmFlag[CLeakData::kLowLowEnabled] = 0;
    CLeakDisplay* d = NewDisplay();
    const struct
    {
        int kind;
        int enabled;
        float limit;
    } alarms[] = {{1, 1, 5e-6f}, {2, 0, 0.0f}, {3, 1, 8e-6f}, {4, 0, 0.0f}};
    for (const auto& a : alarms)
    {
        float limit = 0.0f;
        int enabled = -1;
        char* message = nullptr;
        ASSERT_EQ(WRGetAlarm(d->m_nDataSet, a.kind, &limit, &enabled, &message), 1) << a.kind;
        EXPECT_EQ(enabled != 0, a.enabled != 0) << a.kind;
        if (a.enabled)
        {
            EXPECT_FLOAT_EQ(limit, a.limit) << a.kind;
        }
    }
    for (int line = 0; line < 5; ++line)
        EXPECT_EQ(WRGetAlarmLineState(d->GetGraph(), d->m_alarmLines, line), 0) << "hidden by default";

    Feed(d, 0, 50);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect(IDD_ALARM_LINES)
            .Drive(
                [](kel::testkit::DialogDriver& dlg)
                {
                    dlg.Check(IDC_LINE_SHOW_HIGH);
                    dlg.Check(IDC_LINE_SHOW_REFERENCE);
                    dlg.Click(IDOK);
                });
        d->EditAlarmLines();
    }
    EXPECT_EQ(Leak().m_alarmLineShown[1], 1);
    EXPECT_EQ(WRGetAlarmLineState(d->GetGraph(), d->m_alarmLines, 0), 1);
    EXPECT_EQ(WRGetAlarmLineState(d->GetGraph(), d->m_alarmLines, 1), 1);
    EXPECT_EQ(WRGetAlarmLineState(d->GetGraph(), d->m_alarmLines, 2), 0);
    EXPECT_TRUE(m_doc->IsModified());
    // The page made again keeps the run.
    EXPECT_EQ(d->GetHistoryCount(), 50);
    float latest[2] = {}, previous[2] = {};
    WRGetLastData(d->m_nDataSet, latest, previous);
    EXPECT_FLOAT_EQ(latest[1], Value(49));
    Keep(d, "leak_alarmlines");

    // Cancel changes nothing.
    m_doc->SetModifiedFlag(FALSE);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect(IDD_ALARM_LINES).Reply(IDCANCEL);
        d->EditAlarmLines();
    }
    EXPECT_FALSE(m_doc->IsModified());
}

TEST_F(LeakDisplayTest, ANewTraceColourIsKeptAndTheRunDrawnAgainInIt)
{
    CLeakDisplay* d = NewDisplay();
    Feed(d, 0, 80);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect(IDD_TRACE_COLOR)
            .Drive(
                [](kel::testkit::DialogDriver& dlg)
                {
                    dlg.Select(IDC_TRACE_COLOR, 9);
                    dlg.Click(IDOK);
                });
        EXPECT_EQ(d->EditMessageObject(d->GetGraph(), d->m_message), 1);
    }
    EXPECT_EQ(LeakLayout::TraceColour(Leak()), 9);
    EXPECT_TRUE(m_doc->IsModified());
    int colour = -1;
    ASSERT_EQ(WRGetMessageParams(d->GetGraph(), d->m_message, nullptr, &colour, d->GetBlinkState()), 1);
    EXPECT_EQ(colour, 9);
    EXPECT_EQ(d->GetHistoryCount(), 80);
    float buffer[100] = {};
    ASSERT_EQ(d->ReadData(buffer, 100), 80);
    EXPECT_FLOAT_EQ(buffer[79], Value(79));
    // Another graph's object is not the display's to edit.
    EXPECT_EQ(d->EditMessageObject(nullptr, d->m_message), 0);
}

TEST_F(LeakDisplayTest, TheHistoryViewMovesResumesAndItsLengthIsBounded)
{
    CLeakDisplay* d = NewDisplay();
    Feed(d, 0, 1400);
    ASSERT_EQ(d->IsHistoryShown(), 0);
    EXPECT_LT(d->ShowHistory(300, 0), 0);
    EXPECT_NE(d->IsHistoryShown(), 0);
    Keep(d, "leak_history");
    EXPECT_GT(d->ShowHistory(100, 0), 0);
    Feed(d, 1400, 5);
    EXPECT_EQ(d->ResumeScrolling(), 1);
    EXPECT_EQ(d->IsHistoryShown(), 0);
    EXPECT_EQ(d->GetValueCount(), 1405) << "readings taken meanwhile are kept";

    const struct
    {
        int length;
        int direction;
        int allowed;
    } cases[] = {{50, 0, 0}, {51, 0, 1}, {2000, 1, 0}, {1405, 1, 1}, {1406, 1, 0}, {600, 7, 1}};
    for (const auto& c : cases)
    {
        Leak().m_nTimeAxisPoints = c.length;
        int current = 0;
        EXPECT_EQ(d->CanChangeHistoryLength(c.direction, &current), c.allowed)
            << c.length << "/" << c.direction;
        EXPECT_EQ(current, c.length);
    }
}

TEST_F(LeakDisplayTest, TheCursorSnapsToReadingsAndReadsTheirTime)
{
    Leak().m_nTimeAxisPoints = 4000;
    CLeakDisplay* d = NewDisplay();
    Feed(d, 0, 3800);
    const struct
    {
        float at;
        int step;
        BOOL found;
        float time;
        float value;
    } cases[] = {
        {3725.4f, 0, TRUE, 3726.0f, Value(3726)}, // the later neighbour, within a second
        {3725.0f, 0, TRUE, 3725.0f, Value(3725)}, // on a reading
        {100.2f, 2, TRUE, 103.0f, Value(103)},    // moved on by two readings
        {3900.0f, 1, TRUE, 3901.0f, 0.0f},        // past the readings: reads 0
        {4100.0f, 0, FALSE, 0.0f, 0.0f},          // beyond the axis
    };
    for (const auto& c : cases)
    {
        float time = 0.0f, value = 0.0f;
        EXPECT_EQ(d->FindNearestPoint(c.at, c.step, &time, &value), c.found) << c.at;
        if (!c.found)
            continue;
        EXPECT_FLOAT_EQ(time, c.time) << c.at;
        EXPECT_FLOAT_EQ(value, c.value) << c.at;
    }
    // The read-out: hours, minutes and seconds of the reading under the cursor.
    const float times[] = {3720.0f, 3725.4f, 3731.0f};
    for (int i = 0; i < 3; ++i)
    {
        d->m_nSampleCounter = i;
        LeakPointRecord r{times[i], 1e-7f * static_cast<float>(i + 1)};
        d->UpdateData(&r, 0);
    }
    ASSERT_EQ(d->IsCursorShown(), 1);
    d->SetCursorTime(3725.4f);
    EXPECT_EQ(d->TrackMouseCursor(d->GetGraph(), 0, 0), 1);
    EXPECT_STREQ(WGGetString(d->GetGraph(), d->m_readout, 0), "Time:01:02:05 Y = 2.00e-07");
    EXPECT_EQ(d->TrackMouseCursor(nullptr, 0, 0), 0);
    // Hidden, the read-out goes with it.
    d->ToggleCursor();
    EXPECT_EQ(d->IsCursorShown(), 0);
    EXPECT_FALSE(WGIsObjectVisible(d->GetGraph(), d->m_readout));
}

TEST_F(LeakDisplayTest, ClearLeavesTheZeroReadingAndAnEmptyRun)
{
    CLeakDisplay* d = NewDisplay();
    Leak().m_nLastValueUnits = 1;
    Feed(d, 0, 700);
    ASSERT_TRUE(d->ClearData());
    EXPECT_EQ(Message(d), " 0.0E+00");
    EXPECT_EQ(d->GetValueCount(), 0);
    EXPECT_TRUE(d->Times().empty());
    EXPECT_EQ(d->GetHistoryCount(), 0);
    EXPECT_FALSE(d->IsAutoScale());
    float buffer[16] = {};
    EXPECT_EQ(d->ReadData(buffer, 16), 0) << "the history is empty";
    float lo = 0.0f, hi = 0.0f;
    XRange(d, &lo, &hi);
    EXPECT_FLOAT_EQ(lo, 0.0f);
    EXPECT_FLOAT_EQ(hi, 600.0f);
    EXPECT_FLOAT_EQ(LeakLayout::XMaximum(Leak()), 600.0f);
    Keep(d, "leak_cleared");
}

TEST_F(LeakDisplayTest, LogScaleKeepsTheRangeAboveZero)
{
    CLeakDisplay* d = NewDisplay();
    const struct
    {
        float bottom, top;
        float expectBottom, expectTop;
    } cases[] = {
        {0.0f, 1e-5f, 1e-12f, 1e-5f},   // a bottom at or below zero
        {1e-25f, 1e-5f, 1e-20f, 1e-5f}, // a bottom below 1e-20
        {1e-4f, 1e-6f, 1e-12f, 1e-5f},  // an upside-down range falls back on the saved top
    };
    for (const auto& c : cases)
    {
        Leak().m_fScaleBottom = c.bottom;
        Leak().m_fScaleTop = c.top;
        ASSERT_EQ(d->SetLogScale(1), 1);
        EXPECT_FLOAT_EQ(Leak().m_fScaleBottom, c.expectBottom) << c.bottom;
        EXPECT_FLOAT_EQ(Leak().m_fScaleTop, c.expectTop) << c.bottom;
        EXPECT_EQ(WGGetAxisScale(d->GetGraph(), d->m_yAxis), 1);
        EXPECT_EQ(WGGetAxisScale(d->GetBarGraph(), d->m_barYAxis), 1);
    }
    EXPECT_EQ(d->IsLogScale(), 1);
    Feed(d, 0, 100);
    Keep(d, "leak_log");
    ASSERT_EQ(d->SetLogScale(0), 1);
    EXPECT_EQ(d->IsLogScale(), 0);
    EXPECT_EQ(WGGetAxisScale(d->GetGraph(), d->m_rightAxis), 0);
}

TEST_F(LeakDisplayTest, TheRunGoesThroughTheDocumentFileFromTheDisplaysOwnArrays)
{
    // A history of 100 readings that has wrapped: the run of 150 readings still pairs its times
    // with its values.
    Leak().m_nMaxPoints = 100;
    CLeakDisplay* d = NewDisplay();
    Feed(d, 0, 150);
    Leak().m_nScanMode = 1;
    kel::testkit::TempDir dir{"leak-"};
    const auto first = dir / "first.kel";
    ASSERT_TRUE(m_doc->OnSaveDocument(first.c_str()));

    auto* loaded = new CKelDoc;
    loaded->m_bAutoDelete = FALSE;
    ASSERT_TRUE(loaded->OnNewDocument());
    ASSERT_TRUE(loaded->OnOpenDocument(first.c_str()));
    auto* back = dynamic_cast<CLeakDisplay*>(loaded->GetCurrentDisplay());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Settings(), loaded->GetLeakData());
    EXPECT_EQ(loaded->m_nMode, CKelDoc::kModeLeakTest);
    ASSERT_EQ(back->GetValueCount(), 100);
    // The newest 100 readings; a continuous run's times are counted by the time per reading.
    EXPECT_FLOAT_EQ(back->GetValueAt(0), Value(50));
    EXPECT_FLOAT_EQ(back->GetValueAt(99), Value(149));
    EXPECT_FLOAT_EQ(back->GetSecondValueAt(7), 7.0f);
    const auto second = dir / "second.kel";
    ASSERT_TRUE(loaded->OnSaveDocument(second.c_str()));
    // Shown in a view, the run is drawn again.
    m_doc->RemoveView(m_view);
    loaded->AddView(m_view);
    ASSERT_TRUE(back->BuildPage());
    EXPECT_EQ(back->ShowScanData(nullptr), 1);
    EXPECT_EQ(back->GetHistoryCount(), 100);
    char last[32];
    FormatShortValue(last, sizeof last, Value(149));
    EXPECT_EQ(Message(back), last) << "the last reading as stored";
    EXPECT_EQ(back->FullScale(), TRUE);
    Keep(back, "leak_loaded");
    loaded->RemoveView(m_view);
    m_doc->AddView(m_view);
    loaded->OnCloseDocument();
    delete loaded;
    EXPECT_EQ(ReadBytes(first).size(), ReadBytes(second).size());

    // A triggered run keeps its own times.
    Leak().m_nScanMode = 2;
    const auto triggered = dir / "triggered.kel";
    ASSERT_TRUE(m_doc->OnSaveDocument(triggered.c_str()));
    auto* timed = new CKelDoc;
    timed->m_bAutoDelete = FALSE;
    ASSERT_TRUE(timed->OnNewDocument());
    ASSERT_TRUE(timed->OnOpenDocument(triggered.c_str()));
    auto* kept = dynamic_cast<CLeakDisplay*>(timed->GetCurrentDisplay());
    ASSERT_NE(kept, nullptr);
    EXPECT_FLOAT_EQ(kept->GetSecondValueAt(7), 57.0f);
    timed->OnCloseDocument();
    delete timed;

    // A stored count past the point limit is refused, and so is a negative one.
    const auto bytes = ReadBytes(first);
    const char name[] = "CLeakDisplay";
    const auto at = std::search(bytes.begin(), bytes.end(), name, name + sizeof name - 1);
    ASSERT_NE(at, bytes.end());
    const size_t count = static_cast<size_t>(at - bytes.begin()) + (sizeof name - 1) + 2;
    int32_t stored = 0;
    std::memcpy(&stored, &bytes[count], 4);
    ASSERT_EQ(stored, 100);
    for (int32_t bad : {101, 300000, -1})
    {
        auto damaged = bytes;
        std::memcpy(&damaged[count], &bad, 4);
        const auto path = dir / "bad.kel";
        WriteBytes(path, damaged);
        auto* refused = new CKelDoc;
        refused->m_bAutoDelete = FALSE;
        ASSERT_TRUE(refused->OnNewDocument());
        {
            kel::testkit::ScriptedPrompts prompts;
            prompts.Expect("").Reply(IDOK);
            EXPECT_FALSE(refused->OnOpenDocument(path.c_str())) << bad;
        }
        refused->OnCloseDocument();
        delete refused;
    }
}
