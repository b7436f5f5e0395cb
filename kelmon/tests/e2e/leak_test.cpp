// The leak test end to end through the application and its menus, offscreen: Mode > Leak Test on the
// simulated head, the leak scan's readings on the leak display, the leak tone switched on and its
// pitch following the reading (and falling when the reading is nulled), Stop, the document saved,
// closed and opened again in the leak test mode.
#include "KelmonE2eTest.h"
#include "displays/LeakDisplay.h"
#include "doc/LeakData.h"
#include "scans/LeakScans.h"
#include "sound/Audio.h"

#include "testkit/RecordingWaveSink.h"

#include <plotkit.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace
{

using kel::testkit::RecordingWaveSink;
using kel::testkit::UiTest;

// The frequency of a stretch of 8-bit samples from its rising crossings of the mean; 0 when it holds
// fewer than two.
double Frequency(const std::vector<BYTE>& samples)
{
    if (samples.size() < 3)
        return 0.0;
    double mean = 0.0;
    for (BYTE s : samples)
        mean += s;
    mean /= static_cast<double>(samples.size());
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t n = 1; n < samples.size(); ++n)
    {
        const double a = samples[n - 1], b = samples[n];
        if (a < mean && b >= mean)
        {
            const double at = static_cast<double>(n - 1) + (mean - a) / (b - a);
            if (crossings == 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) / (last - first) * CAudio::kSampleRate;
}

// The middle pitch of the buffers recorded from `from` on (each buffer measured on its own).
double MedianPitch(const RecordingWaveSink& sink, size_t from)
{
    std::vector<double> pitches;
    const auto buffers = sink.Buffers();
    for (size_t i = from; i < buffers.size(); ++i)
        if (const double f = Frequency(buffers[i].samples); f > 0.0)
            pitches.push_back(f);
    if (pitches.empty())
        return 0.0;
    std::nth_element(pitches.begin(), pitches.begin() + static_cast<long>(pitches.size() / 2), pitches.end());
    return pitches[pitches.size() / 2];
}

class LeakJobTest : public kel::e2e::KelmonE2eTest
{
protected:
    CLeakDisplay* Display(CKelDoc* doc) { return dynamic_cast<CLeakDisplay*>(doc->GetCurrentDisplay()); }
    // Scan > Start, then readings until the display holds count of them.
    void RunUntil(CLeakDisplay* display, int count)
    {
        Click(ID_SCAN_START);
        ASSERT_TRUE(UiTest::PumpUntil([&] { return display->GetValueCount() >= count; }, 20000));
    }
    // The mean of the readings held from index from on.
    static float Mean(CLeakDisplay* display, size_t from = 0)
    {
        const auto& v = display->Values();
        if (v.size() <= from)
            return 0.0f;
        return std::accumulate(v.begin() + static_cast<long>(from), v.end(), 0.0f) /
               static_cast<float>(v.size() - from);
    }
};

TEST_F(LeakJobTest, TheLeakTestRunsWithItsToneAndComesBackFromItsFile)
{
    RecordingWaveSink wave; // the tone's device records instead of sounding
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    ConnectSoft0(doc);
    FilamentOn(doc);

    // Mode > Leak Test: the leak display and the leak scan.
    Click(ID_MODE_LEAKTEST, 200);
    CLeakDisplay* display = Display(doc);
    ASSERT_NE(display, nullptr);
    ASSERT_NE(doc->GetCurrentScan(), nullptr);
    EXPECT_EQ(doc->GetCurrentScan()->GetScanKind(), SCAN_KIND_LEAK);
    EXPECT_EQ(doc->m_nMode, CKelDoc::kModeLeakTest);
    ASSERT_TRUE(display->GetPage() != nullptr);

    // Quick readings of the tracer, the run's file in the test's folder.
    CLeakData* leak = doc->GetLeakData();
    leak->m_nSpeed = 5;
    doc->GetLogSettings(SCAN_KIND_LEAK).m_folder = files.path().string().c_str();

    // A first run shows where the tracer's reading lies.
    RunUntil(display, 20);
    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    const float level = Mean(display);
    ASSERT_GT(level, 0.0f);
    EXPECT_EQ(display->GetValueCount(), static_cast<int>(display->Times().size()));
    EXPECT_GE(display->GetHistoryCount(), 20);
    for (size_t i = 1; i < display->Times().size(); ++i)
        ASSERT_GT(display->Times()[i], display->Times()[i - 1]) << "reading " << i;

    // Utilities > Leak Audio: the tone on, its pitches over 0..twice the reading.
    char maximum[32], minimum[32];
    std::snprintf(maximum, sizeof maximum, "%g", static_cast<double>(2.0f * level));
    std::snprintf(minimum, sizeof minimum, "%g", static_cast<double>(level / 100.0f));
    prompts.emplace();
    prompts->Expect(IDD_LEAK_AUDIO_SETUP)
        .Drive(
            [&](kel::testkit::DialogDriver& d)
            {
                d.Check(IDC_AUDIO_ENABLE);
                d.SetText(IDC_AUDIO_MAX, maximum);
                d.SetText(IDC_AUDIO_MIN, minimum);
                d.Click(IDC_AUDIO_MEDIUM);
                d.Click(IDOK);
            });
    Click(ID_UTIL_LEAK_AUDIO, 200);
    ASSERT_EQ(leak->m_bAudioEnabled, 1);
    auto* scan = dynamic_cast<CLeakScans*>(doc->GetCurrentScan());
    ASSERT_NE(scan, nullptr);
    ASSERT_NE(scan->GetTone(), nullptr);

    // The run with the tone: its pitch is the reading's.
    wave.Clear();
    RunUntil(display, 40);
    const int expected = scan->GetTone()->FrequencyOf(Mean(display));
    EXPECT_GT(expected, scan->GetTone()->GetLowFrequency() + 200);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return wave.BufferCount() >= 20; }, 10000));
    const double live = MedianPitch(wave, 4);
    EXPECT_NEAR(live, expected, 120.0) << "the tone sounds the reading";

    // Null: the readings fall to about zero and the pitch with them.
    const size_t before = wave.BufferCount();
    const int held = display->GetValueCount();
    Click(ID_UTIL_NULL);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return display->GetValueCount() >= held + 30; }, 20000));
    ASSERT_TRUE(UiTest::PumpUntil([&] { return wave.BufferCount() >= before + 20; }, 10000));
    EXPECT_LT(std::fabs(Mean(display, static_cast<size_t>(held + 5))), level / 5.0f);
    const double nulled = MedianPitch(wave, before + 6);
    EXPECT_LT(nulled, live - 250.0) << "the pitch follows the reading down";

    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    ASSERT_TRUE(display->IsAutoScale());
    UpdateWindow(WGGetPageWindow(display->GetPage()));
    Screenshot("kelmon_leak.png");

    // Save, close, open: the leak test mode with its run and settings.
    const int count = display->GetValueCount();
    const auto path = files / "leak.kel";
    SaveAs(doc, path);
    CKelDoc* opened = CloseAndOpen(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->m_nMode, CKelDoc::kModeLeakTest);
    CLeakDisplay* back = Display(opened);
    ASSERT_NE(back, nullptr);
    EXPECT_NE(back->GetPage(), nullptr);
    EXPECT_EQ(back->GetValueCount(), count);
    EXPECT_EQ(back->GetHistoryCount(), count);
    EXPECT_EQ(opened->GetLeakData()->m_nSpeed, 5);
    EXPECT_EQ(opened->GetLeakData()->m_bAudioEnabled, 1);
    ASSERT_NE(opened->GetCurrentScan(), nullptr);
    EXPECT_EQ(opened->GetCurrentScan()->GetScanKind(), SCAN_KIND_LEAK);
    // Continuous readings come back counted by the time per reading: evenly from 0.
    EXPECT_FLOAT_EQ(back->GetSecondValueAt(0), 0.0f);
    EXPECT_GT(back->GetSecondValueAt(1), 0.0f);
    EXPECT_FLOAT_EQ(back->GetSecondValueAt(5), 5.0f * back->GetSecondValueAt(1));
}

} // namespace
