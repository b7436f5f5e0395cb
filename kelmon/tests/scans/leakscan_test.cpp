// The leak scan on the simulated head: readings scaled, zeroed and stamped with the time since the
// first, handed to the display; the tone or the alarm levels driven by each reading; the ends of a
// run (stop, count, point limit, a head that goes quiet) and the leak file they leave.
#include "ScanTestSupport.h"

#include "doc/LeakData.h"
#include "scans/LeakScans.h"
#include "sound/AlarmSound.h"
#include "sound/Audio.h"
#include "testkit/FakeClock.h"
#include "testkit/RecordingWaveSink.h"
#include "testkit/SoundRecorder.h"

#include <cmath>
#include <fstream>
#include <sstream>

using namespace scantest;

namespace
{

// The leak display as the scan sees it: it keeps every (seconds, value) point it is handed and the
// sample counter in force at each.
class CLeakTestDisplay : public CDisplay
{
public:
    void UpdateData(void* record, int) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_points.push_back(*static_cast<LeakPointRecord*>(record));
        m_counters.push_back(m_nSampleCounter);
    }
    int ReadData(float*, int) override { return 0; }
    BOOL Rebuild() override { return 1; }
    int BuildPage() override { return 1; }
    int GetValueCount() override { return static_cast<int>(Points().size()); }
    float GetValueAt(int i) override { return Points()[static_cast<size_t>(i)].value; }
    float GetSecondValueAt(int i) override { return Points()[static_cast<size_t>(i)].seconds; }

    std::vector<LeakPointRecord> Points() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_points;
    }
    std::vector<int> Counters() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_counters;
    }

private:
    mutable std::mutex m_lock;
    std::vector<LeakPointRecord> m_points;
    std::vector<int> m_counters;
};

// The simulated head with the readings the test chooses: reading i is value(i) (raw units), at no
// cost in time; the wait for a reading fails once failAfter readings were taken.
class CLeakHead : public CKELDummyHead
{
public:
    CLeakHead() { std::fill(std::begin(m_nPointTime), std::end(m_nPointTime), 0); }
    BOOL StartSingleMass(int mass, int noiseFloor) override
    {
        masses.push_back(mass);
        if (!CKELDummyHead::StartSingleMass(mass, noiseFloor))
            return 0;
        m_queue.clear();
        m_queue.push_back(value(readings));
        return 1;
    }
    BOOL WaitForBytes(int count, DWORD timeoutMs) override
    {
        if (failAfter >= 0 && readings >= failAfter)
            return 0;
        return CKELDummyHead::WaitForBytes(count, timeoutMs);
    }
    BOOL ReadDataPoint(float& v) override
    {
        ++readings;
        return CKELDummyHead::ReadDataPoint(v);
    }

    std::function<int32_t(int)> value = [](int i) { return 1000 + 100 * i; };
    // How long a reading takes (layer time), as the head's speed would make it.
    void SetReadingTime(int ms) { std::fill(std::begin(m_nPointTime), std::end(m_nPointTime), ms); }
    std::atomic<int> readings{0};
    int failAfter = -1;
    std::vector<int> masses;
};

class CLeakDocument : public CFakeDocument
{
public:
    using CFakeDocument::CFakeDocument;
    CLeakData* GetLeakData() override { return m_pLeakData; }
    CLeakData* m_pLeakData = nullptr;
};

// What reaches the one sound slot; every owner silenced afterwards.
class SoundSlot : public kel::testkit::SoundRecorder
{
public:
    ~SoundSlot() { CAlarmSound::Instance().StopAll(); }
};

// A text file's lines as written (CR LF, as the program always wrote them), with LF only.
std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream stream;
    stream << in.rdbuf();
    std::string text = stream.str();
    EXPECT_NE(text.find("\r\n"), std::string::npos) << path;
    std::string lines;
    for (char c : text)
        if (c != '\r')
            lines += c;
    return lines;
}

class LeakScan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ports = std::make_unique<CPortList>();
        ASSERT_TRUE(CPortMonitor::Instance().Start(*m_ports));
        ASSERT_TRUE(m_head.Connect(0));
        m_head.FilamentOn();
        m_units = std::make_unique<CUnits>(&m_head);
        m_units->SetDefaults();
        m_leak = std::make_unique<CLeakData>(m_units.get(), &m_head);
        m_leak->SetDefaults();
        m_document = std::make_unique<CLeakDocument>(&m_head, m_units.get(), m_view.GetWindow(),
                                                     m_ports->GetPortLock("SOFT0"));
        m_document->m_pLeakData = m_leak.get();
        m_scan = std::make_unique<CLeakScans>(m_leak.get(), &m_head, &m_display);
        m_document->m_pScan = m_scan.get();
        for (CScanLogSettings& log : m_document->m_logSettings)
            log.m_enabled = 0;
        m_active = std::make_unique<ActiveDocumentScope>(m_document.get());
        ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    }
    void TearDown() override
    {
        CPortMonitor::Destroy();
        m_active.reset();
    }

    // The leak scan's real-time log goes to the folder (given without a trailing separator).
    void LogTo(const TempFolder& folder, int fileType = 0)
    {
        CScanLogSettings& log = m_document->GetLogSettings(SCAN_KIND_LEAK);
        log.m_enabled = 1;
        log.m_folder = folder.Path().c_str();
        log.m_fileType = fileType;
    }

    // What a raw reading shows as (units, multiplier gain).
    float Shown(int32_t raw) const
    {
        const float gain = m_head.IsCemPresent() && m_head.GetHighVoltageState() ? m_head.GetCemGain() : 1.0f;
        return static_cast<float>(raw) * (m_units->m_fPartialFactor / gain);
    }

    // Starts a continuous run through the document's tasks, lets n readings arrive, stops it.
    void RunContinuous(int n)
    {
        m_leak->m_nScanMode = SCAN_MODE_CONTINUOUS;
        m_document->Start();
        for (int i = 0; i < 2000 && m_head.readings < n; ++i)
            Sleep(2);
        m_document->StopNow();
        ASSERT_TRUE(m_document->WaitForRunEnd());
    }

    kel::testkit::ScriptedPrompts m_prompts;
    std::unique_ptr<CPortList> m_ports;
    CViewThread m_view{false};
    CLeakHead m_head;
    std::unique_ptr<CUnits> m_units;
    std::unique_ptr<CLeakData> m_leak;
    CLeakTestDisplay m_display;
    std::unique_ptr<CLeakDocument> m_document;
    std::unique_ptr<CLeakScans> m_scan;
    std::unique_ptr<ActiveDocumentScope> m_active;
};

TEST_F(LeakScan, ContinuousRunStoppedByTheUserWritesItsLeakFile)
{
    TempFolder folder;
    LogTo(folder);
    RunContinuous(5);

    const auto points = m_display.Points();
    ASSERT_GE(points.size(), 5u);
    for (size_t i = 0; i < points.size(); ++i)
    {
        EXPECT_FLOAT_EQ(points[i].value, Shown(1000 + 100 * static_cast<int>(i))) << i;
        EXPECT_GE(points[i].seconds, i ? points[i - 1].seconds : 0.0f) << i;
        EXPECT_EQ(m_display.Counters()[i], static_cast<int>(i)) << "sample counter before point " << i;
    }
    EXPECT_FLOAT_EQ(points[0].seconds, 0.0f);
    EXPECT_EQ(m_head.masses.front(), 4) << "the tracer mass";
    EXPECT_FALSE(m_scan->IsRunning());
    EXPECT_FALSE(m_scan->IsAcquiring());
    EXPECT_GE(m_document->m_finished.load(), 1);
    EXPECT_FLOAT_EQ(m_leak->m_fTriggerPeriod, 0.25f);

    // One file, in the folder with one separator, named after the document and the run's start.
    const auto files = folder.Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::string(m_scan->GetLogFilePath()), folder.Path(files[0]));
    EXPECT_EQ(files[0].rfind("Doc1_", 0), 0u);
    EXPECT_EQ(files[0].substr(files[0].size() - 4), ".txt");
    const std::string text = ReadText(folder.Path(files[0]));
    EXPECT_NE(text.find("\nKEL Monitor \nKEL Software Version, 3.00\n\nLeak Test Scan Setup:\n\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Mass, 4 \nName, Helium \nUnits, Torr \nNoise Floor, 3\nCEM Status, OFF\n"
                        "\t\t\t\t   Calibration Factor, 1.00 \nSample Period, 0.10, sec\n"),
              std::string::npos)
        << text;
    const size_t table = text.find("Time(s)    Data\n");
    ASSERT_NE(table, std::string::npos);
    std::istringstream lines(text.substr(table + 16));
    std::string line;
    size_t rows = 0;
    for (; std::getline(lines, line); ++rows)
    {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%4.3f,   %1.2E ", static_cast<double>(points[rows].seconds),
                      static_cast<double>(points[rows].value));
        EXPECT_EQ(line, expected) << rows;
    }
    EXPECT_EQ(rows, points.size());
}

TEST_F(LeakScan, ZeroRequestsMakeReadingsRelative)
{
    ASSERT_TRUE(m_scan->StartContinuous());
    ASSERT_EQ(m_scan->Step(), 1); // 1000
    m_scan->RequestTakeZero();
    ASSERT_EQ(m_scan->Step(), 1); // 1100 becomes the zero
    ASSERT_EQ(m_scan->Step(), 1); // 1200
    m_scan->RequestClearZero();
    ASSERT_EQ(m_scan->Step(), 1); // 1300, absolute again
    m_scan->RequestTakeZero();
    m_scan->RequestClearZero();
    ASSERT_EQ(m_scan->Step(), 1); // both in one step: the offset ends at 0
    const auto points = m_display.Points();
    ASSERT_EQ(points.size(), 5u);
    EXPECT_FLOAT_EQ(points[0].value, Shown(1000));
    EXPECT_FLOAT_EQ(points[1].value, 0.0f);
    EXPECT_FLOAT_EQ(points[2].value, Shown(1200) - Shown(1100));
    EXPECT_FLOAT_EQ(points[3].value, Shown(1300));
    EXPECT_FLOAT_EQ(points[4].value, Shown(1400));
    EXPECT_FLOAT_EQ(m_scan->GetZeroOffset(), 0.0f);
    m_scan->RequestStopNow();
    EXPECT_EQ(m_scan->Step(), 0);
}

TEST_F(LeakScan, SingleAndTriggeredReadingsEndByCountWithoutAFile)
{
    TempFolder folder;
    LogTo(folder);
    kel::testkit::FakeClock clock(5000);
    for (int mode : {SCAN_MODE_SINGLE, SCAN_MODE_TRIGGERED})
    {
        m_leak->m_nScanMode = mode;
        for (int trigger = 0; trigger < 3; ++trigger)
        {
            SCOPED_TRACE(mode * 10 + trigger);
            if (mode == SCAN_MODE_SINGLE || trigger == 0)
            {
                ASSERT_TRUE(m_scan->CheckMassRange()); // the document's start resets the time base
                ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
            }
            ASSERT_TRUE(m_scan->StartSeries());
            EXPECT_EQ(m_scan->Step(), 0) << "one reading per start";
            EXPECT_FALSE(m_scan->IsRunning());
            EXPECT_TRUE(m_scan->m_bEndedNormally);
            clock.Advance(1500);
        }
    }
    const auto points = m_display.Points();
    ASSERT_EQ(points.size(), 6u);
    // Single starts each begin the time base again; triggers go on from the first reading.
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(points[static_cast<size_t>(i)].seconds, 0.0f) << i;
    EXPECT_FLOAT_EQ(points[3].seconds, 0.0f);
    EXPECT_FLOAT_EQ(points[4].seconds, 1.5f);
    EXPECT_FLOAT_EQ(points[5].seconds, 3.0f);
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_EQ(m_document->m_finished.load(), 0);
}

TEST_F(LeakScan, ThePointLimitStopsTheRunAndKeepsItsPoints)
{
    TempFolder folder;
    LogTo(folder, 1); // the document format
    m_document->m_serialize = [this](CArchive& ar) { ar.WriteObject(m_leak.get()); };
    m_leak->m_nMaxPoints = 3;
    m_prompts.Expect("All 256000 points in the buffer have been filled.  Scan has been stopped.").Reply(IDOK);
    m_leak->m_nScanMode = SCAN_MODE_CONTINUOUS;
    m_document->Start();
    ASSERT_TRUE(m_document->WaitForRunEnd());
    EXPECT_EQ(m_display.Points().size(), 3u);
    EXPECT_TRUE(m_scan->m_bEndedNormally);
    const auto files = folder.Files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].substr(files[0].size() - 4), ".kel");

    // With Stop At End pending, the limit also starts the point count again.
    m_prompts.Expect("All 256000 points").Reply(IDOK);
    ASSERT_TRUE(m_scan->StartContinuous());
    m_scan->RequestStopAtEnd();
    EXPECT_EQ(m_scan->Step(), 1);
    EXPECT_EQ(m_scan->Step(), 1);
    EXPECT_EQ(m_scan->Step(), 0);
    EXPECT_EQ(m_scan->m_nPointIndex, 0);
    EXPECT_FALSE(m_scan->IsRunning());
}

TEST_F(LeakScan, AHeadThatGoesQuietEndsTheRunCleanly)
{
    TempFolder folder;
    LogTo(folder);
    m_head.failAfter = 2;
    m_leak->m_nScanMode = SCAN_MODE_CONTINUOUS;
    m_document->Start();
    ASSERT_TRUE(m_document->WaitForRunEnd()) << "a short read must not leave the run marked as running";
    EXPECT_EQ(m_display.Points().size(), 2u);
    EXPECT_FALSE(m_scan->IsAcquiring());
    EXPECT_FALSE(m_scan->m_bEndedNormally);
    EXPECT_EQ(m_document->m_finished.load(), 1);
    EXPECT_EQ(folder.Files().size(), 1u) << "the points of a failed run are kept";

    // A step that finds the scan not acquiring asks for nothing more.
    EXPECT_EQ(m_scan->Step(), 0);
}

TEST_F(LeakScan, EachReadingDrivesTheToneOrElseTheAlarmLevels)
{
    SoundSlot slot;
    kel::testkit::RecordingWaveSink wave;
    m_leak->m_bAudibleAlarm = 1;
    m_leak->m_strAlarmWave = "leak.wav";
    // Readings far above High: the alarm would sound. Each takes 25 ms, so the tone plays on.
    m_leak->m_alarmLevel[CLeakData::kHigh] = 1e-12f;
    m_head.value = [](int) { return 1000000000; };
    m_head.SetReadingTime(25);

    // The tone in use: no alarm check. The run goes through the port monitor's workers, so the
    // tone hears its readings from a worker thread.
    m_scan->ApplyAudioSettings(1, 2, 1e-9f, 1e-3f);
    ASSERT_NE(m_scan->GetTone(), nullptr);
    EXPECT_TRUE(m_scan->GetTone()->IsOpen());
    EXPECT_EQ(m_document->m_modified.load(), 1);
    RunContinuous(8);
    EXPECT_GE(wave.BufferCount(), 4u) << "two from the start, then about two a reading";
    EXPECT_TRUE(slot.Calls().empty());
    EXPECT_EQ(m_scan->GetTone()->GetFrequency(), m_scan->GetTone()->FrequencyOf(Shown(1000000000)));

    // Audio switched off: the tone goes and the levels are checked.
    m_scan->ApplyAudioSettings(0, 2, 1e-9f, 1e-3f);
    EXPECT_EQ(m_scan->GetTone(), nullptr);
    ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    RunContinuous(3);
    EXPECT_EQ(slot.Calls(), (std::vector<std::string>{"play leak.wav"}));
}

TEST_F(LeakScan, AToneReadBackFromTheDocumentOpensAtTheNextAttach)
{
    kel::testkit::RecordingWaveSink wave;
    m_scan->ApplyAudioSettings(1, 1, 1e-7f, 1e-4f);
    ASSERT_NE(m_scan->GetTone(), nullptr);
    m_scan->SetDisplay(nullptr); // the test's display has no place in a document file

    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(m_leak.get());
        ar.WriteObject(m_scan.get());
        ar.Close();
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    std::unique_ptr<CLeakData> leak(static_cast<CLeakData*>(ar.ReadObject(RUNTIME_CLASS(CLeakData))));
    std::unique_ptr<CLeakScans> scan(static_cast<CLeakScans*>(ar.ReadObject(RUNTIME_CLASS(CScan))));
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->GetLeakData(), leak.get());
    ASSERT_NE(scan->GetTone(), nullptr);
    EXPECT_FALSE(scan->GetTone()->IsOpen()) << "an archive carries only the tone's class";
    EXPECT_EQ(scan->GetScanKind(), SCAN_KIND_LEAK);

    // Bound to this document's head again, the scan opens its tone.
    CHead* storedHead = scan->m_pHead;
    scan->SetHead(&m_head);
    ASSERT_TRUE(scan->AttachDocument(m_document.get()));
    EXPECT_TRUE(scan->GetTone()->IsOpen());
    scan.reset();
    EXPECT_EQ(storedHead, leak->m_pHead) << "one head, referred to twice";
    delete leak->m_pUnits;
    delete leak->m_pHead;
}

TEST_F(LeakScan, SettingsAndRefusals)
{
    // A tracer mass past the head's range is refused with its gas named.
    m_leak->m_nMass = m_head.GetMassRange() + 1;
    m_prompts
        .Expect("The value of mass (" + std::to_string(m_leak->m_nMass) + ") for gas:Helium is out of range")
        .Reply(IDOK);
    EXPECT_FALSE(m_scan->CheckMassRange());
    m_leak->m_nMass = 4;
    EXPECT_TRUE(m_scan->CheckMassRange());

    // The schedule words are the leak settings'.
    m_scan->SetTriggerPeriod(90.0f);
    m_scan->SetPeriodUnits(1);
    m_scan->SetScanMode(SCAN_MODE_TRIGGERED);
    m_scan->SetOptionWord(7);
    m_scan->SetKindValue(2);
    EXPECT_FLOAT_EQ(m_leak->m_fTriggerPeriod, 90.0f);
    EXPECT_EQ(m_leak->m_nPeriodUnits, 1);
    EXPECT_EQ(m_leak->m_nScanMode, SCAN_MODE_TRIGGERED);
    EXPECT_EQ(m_leak->m_nScheduleWord, 7);
    EXPECT_FLOAT_EQ(m_leak->m_fSamplePeriod, 2.0f);
    int seconds = -1;
    EXPECT_TRUE(m_scan->EstimateSweepTime(seconds));
    EXPECT_EQ(seconds, static_cast<int>(std::ceil(m_leak->m_fTimePerReading)));
    EXPECT_EQ(m_scan->GetSettings(), m_leak.get());

    // A file that cannot be opened: the cause's number, nothing written.
    m_prompts.Expect("Could not open file").Reply(IDOK);
    EXPECT_FALSE(m_scan->WriteAsciiFile("/nonexistent-folder/leak.txt"));

    // An empty display writes the header and the column line only.
    TempFolder folder;
    ASSERT_TRUE(m_scan->WriteAsciiFile(folder.Path("empty.txt").c_str()));
    const std::string text = ReadText(folder.Path("empty.txt"));
    EXPECT_EQ(text.substr(text.size() - 16), "Time(s)    Data\n");
}

} // namespace
