// What the scan tests share: a simulated head whose sweeps the test writes, and a fixture with the
// port monitor, the view on its own thread, the document and one analog or histogram scan.
#pragma once

#include "ScanFakes.h"

#include "doc/AnalogData.h"
#include "head/KELDummyHead.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "scans/AnalogScan.h"
#include "scans/HistogramScan.h"
#include "testkit/NoRealPorts.h"
#include "testkit/ScriptedPrompts.h"
#include "units/Units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scantest
{

// The simulated head with sweeps the test writes: point i of sweep s is value(s, i), and the word
// after the last point is endWord(s). Every start command (with 1 or the bare form) queues the
// next sweep; no per-point wait.
class CSequenceHead : public CKELDummyHead
{
public:
    // Set up by the tests directly: what the head reported at identification and its filament.
    using CKELDummyHead::m_bFilamentWarning;
    using CKELDummyHead::m_fFirmware;

    CSequenceHead()
    {
        std::fill(std::begin(m_nPointTime), std::end(m_nPointTime), 0);
        SetNoise(2);
    }
    BOOL StartAnalogScan(int n) override { return Queue(n); }
    BOOL StartHistogramScan(int n) override { return Queue(n); }
    // The wait fails (the point never comes) once this many points were read; -1 never.
    BOOL WaitForBytes(int count, DWORD timeoutMs) override
    {
        (void)count;
        (void)timeoutMs;
        // The next point always comes; `waiting` only says whether it is there already.
        return failAfterPoints < 0 || pointsRead < failAfterPoints;
    }
    // Bytes the head reports waiting on the line: 4, the next point is already there.
    int GetBytesWaiting() override { return waiting; }
    BOOL ReadDataPoint(float& value) override
    {
        ++pointsRead;
        // A word cut short on the line: the read fails.
        if (pointsRead == failReadAt)
            return 0;
        const BOOL read = CKELDummyHead::ReadDataPoint(value);
        if (onRead)
            onRead(pointsRead);
        return read;
    }

    std::function<int32_t(int sweep, int index)> value = [](int, int i) { return 100 + i; };
    std::function<int32_t(int sweep)> endWord = [](int) { return 1000; };
    int waiting = 4;
    int sweeps = 0; // sweeps queued so far
    int pointsRead = 0;
    int failAfterPoints = -1;
    int failReadAt = -1;  // the read of this word (1 the first) fails; -1 none
    int failStartAt = -1; // this start command (1 the first) is refused; -1 none
    // Called on the stepping thread after every word read, with the count read so far.
    std::function<void(int)> onRead;
    std::vector<int> starts; // the n of every start command

private:
    BOOL Queue(int n)
    {
        starts.push_back(n);
        if (static_cast<int>(starts.size()) == failStartAt)
            return 0;
        m_queue.clear();
        if (n != 1 && n != -1)
            return 1;
        int points = 0;
        if (m_nScanKind == 0)
            QueryAP(points);
        else
            QueryHP(points);
        for (int i = 0; i < points; ++i)
            m_queue.push_back(value(sweeps, i));
        m_queue.push_back(endWord(sweeps));
        ++sweeps;
        return 1;
    }

public:
    int m_nScanKind = 0; // 0 analog, 1 histogram: which point count a sweep has
};

// Port monitor, view, head, units, settings, display, document and one scan, ready to run.
class ScanFixture : public ::testing::Test
{
protected:
    // kind: SCAN_KIND_ANALOG or SCAN_KIND_HISTOGRAM. The scan talks to m_pHead (the sequence
    // head unless a test puts a connected head there) through the port of m_connector.
    void Build(int kind, int startMass = 1, int stopMass = 10)
    {
        const bool histogram = kind == SCAN_KIND_HISTOGRAM;
        // The list is made here, so it holds the ports a test registered before.
        m_ports = std::make_unique<CPortList>();
        ASSERT_TRUE(CPortMonitor::Instance().Start(*m_ports));
        if (m_pHead == &m_head)
        {
            m_head.m_nScanKind = histogram ? 1 : 0;
            ASSERT_TRUE(m_head.Connect(0));
            m_head.FilamentOn();
            m_head.SetHighVoltage(1);
        }
        m_units = std::make_unique<CUnits>(m_pHead);
        m_units->SetDefaults();
        m_settings = std::make_unique<CAnalogData>(
            histogram ? CAnalogData::kModeHistogram : CAnalogData::kModeAnalog, m_units.get(), m_pHead);
        m_settings->m_startMass = startMass;
        m_settings->m_stopMass = stopMass;
        m_settings->m_noiseFloor = 0;
        m_settings->m_pointCount = m_settings->ExpectedPointCount();
        m_display = std::make_unique<CRecordingDisplay>(m_settings.get());
        m_document = std::make_unique<CFakeDocument>(m_pHead, m_units.get(), m_view.GetWindow(),
                                                     m_ports->GetPortLock(m_connector));
        ASSERT_NE(m_document->m_hPortLock, nullptr) << "no port " << m_connector;
        if (histogram)
            m_scan = std::make_unique<CHistogramScan>(m_settings.get(), m_pHead, m_display.get());
        else
            m_scan = std::make_unique<CAnalogScan>(m_settings.get(), m_pHead, m_display.get());
        m_document->m_pScan = m_scan.get();
        // Automatic logs only where a test asks for them, in a folder of its own.
        for (CScanLogSettings& log : m_document->m_logSettings)
            log.m_enabled = 0;
        m_active = std::make_unique<ActiveDocumentScope>(m_document.get());
        ASSERT_TRUE(m_scan->AttachDocument(m_document.get()));
    }

    void TearDown() override
    {
        if (m_document)
        {
            EXPECT_EQ(m_document->m_againAfterEnd, 0) << "a step asked to run again after its run had ended";
        }
        CPortMonitor::Destroy();
        m_active.reset();
    }

    // Starts a run in mode and waits until it has ended.
    void Run(int mode, int scans = 1)
    {
        m_settings->m_scanMode = mode;
        m_settings->m_numberOfScans = scans;
        m_document->Start();
        ASSERT_TRUE(m_document->WaitForRunEnd()) << "the run did not end";
    }

    // The multiplier's gain while its high voltage is on, else 1.
    float Gain() const
    {
        return m_pHead->IsCemPresent() && m_pHead->GetHighVoltageState() ? m_pHead->GetCemGain() : 1.0f;
    }
    // The factor that turns a raw point into the value shown (units, multiplier gain, scale).
    float ValueFactor() const { return m_units->m_fPartialFactor / Gain() * m_settings->m_scaleFactor; }
    int Points() const { return m_settings->m_pointCount; }

    kel::testkit::ScriptedPrompts m_prompts;
    std::unique_ptr<CPortList> m_ports;
    CViewThread m_view;
    CSequenceHead m_head;
    CHead* m_pHead = &m_head;
    std::string m_connector = "SOFT0";
    std::unique_ptr<CUnits> m_units;
    std::unique_ptr<CAnalogData> m_settings;
    std::unique_ptr<CRecordingDisplay> m_display;
    std::unique_ptr<CFakeDocument> m_document;
    std::unique_ptr<CSpectrumScan> m_scan;
    std::unique_ptr<ActiveDocumentScope> m_active;
};

// A folder of its own for the files a test writes, removed afterwards.
class TempFolder
{
public:
    TempFolder()
    {
        m_path = std::filesystem::temp_directory_path() /
                 ("kel-scan-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++s_count));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    // The folder (without a trailing separator), or a file in it.
    std::string Path(const std::string& name = "") const
    {
        return name.empty() ? m_path.string() : (m_path / name).string();
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_path;
    static inline int s_count = 0;
};

} // namespace scantest
