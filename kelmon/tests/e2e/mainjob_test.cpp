// kelmon's main job through the real application and its menus, offscreen: a new instrument
// window, the connector list binds the simulated head, Filament On, Start of the analog scan, the
// live spectrum on the analog display, Stop Now, the document saved, closed and opened again.
#include "HeadEmulator.h"
#include "KelmonE2eTest.h"
#include "displays/AnalogDisplay.h"
#include "doc/AnalogData.h"
#include "ports/ConnectorBinding.h"
#include "ports/PortBindingRegistry.h"
#include "view/KelView.h"

#include "testkit/NoRealPorts.h"
#include "testkit/VirtualSerial.h"

#include <plotkit.h>

#include <cmath>
#include <mutex>

namespace
{

using kel::e2e::ReadBytes;
using kel::testkit::TempDir;
using kel::testkit::UiTest;

class MainJobTest : public kel::e2e::KelmonE2eTest
{
protected:
    CAnalogDisplay* Display(CKelDoc* doc) { return dynamic_cast<CAnalogDisplay*>(doc->GetCurrentDisplay()); }
    // The topmost trace pixel near a mass, in the graph window's picture; -1 when none.
    static int TraceTop(const kel::testkit::Image& image, CAnalogDisplay* display, float mass)
    {
        GrDesc* graph = display->GetGraph();
        float left = 0, top = 0, right = 0, bottom = 0, from = 0, to = 0, unused = 0;
        WGGetPlotPos(graph, &left, &top, &right, &bottom);
        WGGetAxisRange(graph, display->m_xAxis, &from, &to, &unused);
        const int x =
            static_cast<int>(left * image.width + (mass - from) / (to - from) * (right - left) * image.width);
        for (int row = 0; row < image.height; ++row)
            for (int column = x - 2; column <= x + 2; ++column)
                if (image.Pixel(column, row) == RGB(255, 0, 0)) // the first trace's colour
                    return row;
        return -1;
    }
    // Where a value lies on the pressure axis, in the same picture.
    static int RowOf(const kel::testkit::Image& image, CAnalogDisplay* display, float value)
    {
        GrDesc* graph = display->GetGraph();
        float left = 0, top = 0, right = 0, bottom = 0, low = 0, high = 0, unused = 0;
        WGGetPlotPos(graph, &left, &top, &right, &bottom);
        WGGetAxisRange(graph, display->m_yAxis, &low, &high, &unused);
        const float t = top * image.height, b = bottom * image.height;
        return static_cast<int>(b - std::log10(value / low) / std::log10(high / low) * (b - t));
    }
};

TEST_F(MainJobTest, ANewWindowBoundToSoft0ShowsTheLiveSpectrumAndComesBackFromItsFile)
{
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    // The new window runs the analog mode: its display and scan.
    CAnalogDisplay* display = Display(doc);
    ASSERT_NE(display, nullptr);
    ASSERT_NE(doc->GetCurrentScan(), nullptr);
    EXPECT_EQ(doc->GetCurrentScan()->GetScanKind(), SCAN_KIND_ANALOG);
    EXPECT_EQ(doc->m_nMode, 0);
    EXPECT_EQ(doc->m_nSecondMode, CKelDoc::kNoSplit);
    EXPECT_FALSE(doc->IsModified());
    // Choosing the mode in force builds nothing new.
    CScan* scan = doc->GetCurrentScan();
    Click(ID_MODE_ANALOG);
    EXPECT_EQ(doc->GetCurrentScan(), scan);

    // The connector list: connect SOFT0; Filament On.
    ConnectSoft0(doc);
    FilamentOn(doc);

    // The sweep as a user sets it up: quick points on the simulated head, scanning on.
    CAnalogData* s = doc->GetAnalogSettings(0);
    s->m_noiseFloor = 7;
    s->m_scanMode = SCAN_MODE_CONTINUOUS;
    // Whatever the run logs goes to the test's folder, not the current one.
    doc->GetLogSettings(SCAN_KIND_ANALOG).m_folder = files.path().string().c_str();
    Click(ID_SCAN_START);
    ASSERT_TRUE(
        UiTest::PumpUntil([&] { return display->GetPointsReceived() >= s->m_pointCount / 2; }, 20000));
    Click(ID_SCAN_STOPNOW);
    ASSERT_TRUE(Stopped(doc));
    EXPECT_FALSE(doc->GetCurrentScan()->IsRunning());
    ASSERT_TRUE(display->HasData());

    // The live spectrum is on the page: the trace where the received values put it.
    HWND graphWindow = display->GetGraph()->window;
    UpdateWindow(graphWindow);
    const kel::testkit::Image shown = kel::testkit::CaptureWindow(graphWindow);
    ASSERT_FALSE(shown.Empty());
    int checked = 0;
    for (int i = 5; i < display->GetPointsReceived() && checked < 3; i += 97)
    {
        const float mass = static_cast<float>(s->m_startMass) + static_cast<float>(i) / s->m_pointsPerAmu;
        const float value = display->Values()[i];
        if (value <= 0.0f)
            continue;
        float low = 0, high = 0, unused = 0;
        WGGetAxisRange(display->GetGraph(), display->m_yAxis, &low, &high, &unused);
        if (value < low || value > high)
            continue;
        const int row = TraceTop(shown, display, mass);
        // Neighbouring points may stand higher: the trace reaches at least this high near the mass.
        EXPECT_GE(row, 0) << "no trace near mass " << mass;
        EXPECT_LE(row, RowOf(shown, display, value) + 3) << "mass " << mass;
        ++checked;
    }
    EXPECT_GT(checked, 0);
    Screenshot("kelmon_e2e_live.png");

    // Save through the file dialog, close, open again.
    const int received = display->GetPointsReceived();
    const int start = s->m_startMass, stop = s->m_stopMass;
    const auto first = files / "job.kel";
    SaveAs(doc, first);
    CKelDoc* opened = CloseAndOpen(first);
    ASSERT_NE(opened, nullptr);
    CAnalogDisplay* back = Display(opened);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetPointsReceived(), received);
    EXPECT_EQ(opened->GetAnalogSettings(0)->m_startMass, start);
    EXPECT_EQ(opened->GetAnalogSettings(0)->m_stopMass, stop);
    EXPECT_EQ(opened->GetAnalogSettings(0)->m_noiseFloor, 7);
    EXPECT_EQ(opened->m_nMode, 0);

    // Stored again unchanged: the same bytes. (The first file may differ in the head's high-voltage
    // word: the live head's state is stored as it is at each save.)
    const auto second = files / "again.kel", third = files / "third.kel";
    ASSERT_TRUE(opened->OnSaveDocument(second.c_str()));
    ASSERT_TRUE(opened->OnSaveDocument(third.c_str()));
    EXPECT_EQ(ReadBytes(second), ReadBytes(third));
    EXPECT_EQ(ReadBytes(first).size(), ReadBytes(second).size());
}

// ---- The same job on a head on a serial line that drops DSR mid-sweep

constexpr int kCom = 62;

// Prompts answered by the script, each noted with the thread that showed it.
class CThreadNotingPrompts : public kel::IPromptService
{
public:
    explicit CThreadNotingPrompts(kel::IPromptService& next) : m_next(next)
    {
        m_previous = kel::SetPromptService(this);
    }
    ~CThreadNotingPrompts() override { kel::SetPromptService(m_previous); }
    kel::PromptReply Prompt(const kel::PromptRequest& request) override
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_threads.push_back(::GetCurrentThreadId());
        }
        return m_next.Prompt(request);
    }
    std::vector<DWORD> Threads() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_threads;
    }

private:
    kel::IPromptService& m_next;
    kel::IPromptService* m_previous = nullptr;
    mutable std::mutex m_lock;
    std::vector<DWORD> m_threads;
};

class MainJobSerialTest : public MainJobTest
{
protected:
    MainJobSerialTest() : emulator(modem)
    {
        modem.RegisterAs(kCom);
        emulator.SetNoiseModel(2);
        emulator.SetSetting("FL", "1.00"); // the filament is on
    }
    void TearDown() override
    {
        MainJobTest::TearDown();
        emulator.SetDsr(true);
    }
    kel::testkit::VirtualNullModem modem;
    kel::testkit::HeadEmulator emulator;
};

TEST_F(MainJobSerialTest, ALineDroppedMidSweepStopsTheScanTellsTheUserAndKeepsTheLoggedSweeps)
{
    Start();
    CKelDoc* doc = GetActiveKelDoc();
    ASSERT_NE(doc, nullptr);
    CAnalogDisplay* display = Display(doc);
    ASSERT_NE(display, nullptr);
    // The connector list's Connect on the serial port's entry.
    CPortList::Instance().Refresh();
    std::shared_ptr<CPortEntry> entry = CPortList::Instance().HoldByName("COM" + std::to_string(kCom));
    ASSERT_TRUE(entry);
    ASSERT_EQ(ToggleConnector(*entry, doc->GetPortDocument(), CPortList::Instance(),
                              CPortBindingRegistry::GetInstance()),
              ToggleResult::Connected);
    ASSERT_TRUE(doc->m_pHead->IsOnline());
    UiTest::Pump(100);

    CAnalogData* s = doc->GetAnalogSettings(0);
    s->m_startMass = 1;
    s->m_stopMass = 10;
    s->m_pointsPerAmu = 10;
    s->m_noiseFloor = 7;
    s->m_scanMode = SCAN_MODE_CONTINUOUS;
    s->UpdateDerived();
    const int points = s->m_pointCount;
    TempDir folder("kelmon-e2e-log-");
    CScanLogSettings& log = doc->GetLogSettings(SCAN_KIND_ANALOG);
    log.m_enabled = 1;
    log.m_folder = folder.path().string().c_str();
    emulator.SetPointTiming(true);
    const DWORD ui = ::GetCurrentThreadId();
    CThreadNotingPrompts threads(*prompts);
    prompts->Expect("").Reply(IDOK).AnyTimes();

    Click(ID_SCAN_START);
    ASSERT_TRUE(UiTest::PumpUntil([&] { return doc->GetCurrentScan()->IsRunning(); }, 5000));
    int sweeps = 0;
    // Count whole sweeps as the display wraps.
    int last = 0;
    ASSERT_TRUE(UiTest::PumpUntil(
        [&]
        {
            const int now = display->GetPointsReceived();
            if (now < last)
                ++sweeps;
            last = now;
            return sweeps >= 2 && now > points / 3;
        },
        20000));
    ASSERT_TRUE(emulator.SetDsr(false));
    ASSERT_TRUE(Stopped(doc));
    EXPECT_FALSE(doc->GetCurrentScan()->m_bEndedNormally);
    UiTest::Pump(100);
    EXPECT_FALSE(threads.Threads().empty()) << "the user is told";
    for (DWORD thread : threads.Threads())
        EXPECT_EQ(thread, ui) << "every message on the user-interface thread";

    // Every whole sweep is in the log, and nothing of the cut one.
    std::ifstream in(std::string(doc->GetCurrentScan()->m_strLogPath), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    const size_t record = 50 + 4 * static_cast<size_t>(points);
    ASSERT_GT(bytes.size(), 52u);
    EXPECT_EQ((bytes.size() - 52) % record, 0u);
    EXPECT_GE((bytes.size() - 52) / record, 2u);
}

} // namespace
