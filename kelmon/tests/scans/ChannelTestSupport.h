// What the channel-scan tests share: a simulated head whose single-mass readings the test writes,
// a recorder of the sound slot, and a fixture with the port monitor, the view on its own thread,
// the document with its table and one table, panel or pressure-versus-time scan.
#pragma once

#include "ChannelFakes.h"
#include "ScanTestSupport.h"

#include "scans/PanelScan.h"
#include "scans/PvsTScan.h"
#include "scans/Table.h"
#include "scans/TableScan.h"
#include "win32/sound.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

namespace scantest
{

// The sequence head with single-mass readings: the reading of mass m the n-th time it is started
// (from 0) is reading(m, n); the total pressure reads totalPressure.
class CChannelHead : public CSequenceHead
{
public:
    BOOL StartSingleMass(int mass, int noiseFloor) override
    {
        if (!m_pComm)
            return 0;
        std::lock_guard<std::mutex> guard(m_mutex);
        if (failStartsAfter >= 0 && static_cast<int>(massStarts.size()) >= failStartsAfter)
            return 0;
        SetNoiseFloor(noiseFloor);
        const int n = startsOf[mass]++;
        massStarts.push_back(mass);
        m_queue.clear();
        m_queue.push_back(reading(mass, n));
        return 1;
    }
    BOOL MeasureTotalPressure(float& value) override
    {
        ++totalPressures;
        value = totalPressure;
        return m_pComm ? 1 : 0;
    }
    int GetBytesWaiting() override { return shortReplies > 0 ? (--shortReplies, 2) : 4; }
    BOOL WaitForBytes(int count, DWORD timeoutMs) override
    {
        (void)count;
        (void)timeoutMs;
        return !failWaits && m_pComm ? 1 : 0;
    }
    std::vector<int> Starts() const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return massStarts;
    }

    std::function<int32_t(int mass, int n)> reading = [](int mass, int) { return 100 * mass; };
    float totalPressure = 500.0f;
    int failStartsAfter = -1; // single-mass starts fail once this many were made; -1 never
    int shortReplies = 0;     // the next this many byte counts read short
    bool failWaits = false;
    std::atomic<int> totalPressures{0};

private:
    mutable std::mutex m_mutex;
    std::map<int, int> startsOf;
    std::vector<int> massStarts;
};

// Records what reaches the sound slot: "play <file>" or "stop". Requests come from the stepping
// threads.
class SoundRecorder
{
public:
    SoundRecorder()
    {
        m_previous = kel::SetSoundHandler(
            [this](const kel::SoundRequest& r)
            {
                std::lock_guard<std::mutex> guard(m_mutex);
                m_calls.push_back(r.name.empty() ? "stop" : "play " + r.name);
                return TRUE;
            });
    }
    ~SoundRecorder() { kel::SetSoundHandler(m_previous); }
    std::vector<std::string> Calls() const
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_calls;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
    kel::SoundHandler m_previous;
};

// A channel: mass, CEM flag, calibration factor, enabled.
struct ChannelSpec
{
    int mass;
    int cem = 0;
    float cal = 1.0f;
};

class ChannelScanFixture : public ::testing::Test
{
protected:
    // Makes the table with channels (configured 1..n, enabled) and a scan of kind (table, panel
    // or pressure versus time) on m_pHead, attached to the document.
    void Build(int kind, const std::vector<ChannelSpec>& channels)
    {
        m_ports = std::make_unique<CPortList>();
        ASSERT_TRUE(CPortMonitor::Instance().Start(*m_ports));
        if (m_pHead == &m_head)
        {
            ASSERT_TRUE(m_head.Connect(0));
            m_head.FilamentOn();
            m_head.SetHighVoltage(0);
        }
        m_units = std::make_unique<CUnits>(m_pHead);
        m_units->SetDefaults();
        m_table = std::make_unique<CTable>(m_units.get(), m_pHead);
        m_table->SetDefaults();
        m_table->m_strSoundFile = "Alarm.wav";
        for (int k = 0; k < CTable::kChannels; ++k)
            m_table->m_configured[k].m_enabled = 0;
        for (size_t k = 0; k < channels.size(); ++k)
        {
            CTableData& c = m_table->m_configured[k];
            c.m_mass = channels[k].mass;
            c.m_cem = channels[k].cem;
            c.m_calFactor = channels[k].cal;
            c.m_noiseFloor = 0;
            c.m_enabled = 1;
            CopyTextField(c.m_szGasName, sizeof c.m_szGasName, ("Gas" + std::to_string(k + 1)).c_str());
        }
        m_table->CollectEnabledChannels();
        m_display = std::make_unique<CChannelDisplay>(m_table.get(), kind == SCAN_KIND_PVST);
        m_document = std::make_unique<CFakeDocument>(m_pHead, m_units.get(), m_view.GetWindow(),
                                                     m_ports->GetPortLock(m_connector));
        ASSERT_NE(m_document->m_hPortLock, nullptr);
        m_document->m_pTable = m_table.get();
        if (kind == SCAN_KIND_TABLE)
            m_scan = std::make_unique<CTableScans>(m_table.get(), m_pHead, m_display.get());
        else if (kind == SCAN_KIND_PANEL)
            m_scan = std::make_unique<CPanelScans>(m_table.get(), m_pHead, m_display.get());
        else
            m_scan = std::make_unique<CPvsTScans>(m_table.get(), m_pHead, m_display.get());
        m_document->m_pScan = m_scan.get();
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
        m_scan.reset();
        m_active.reset();
    }

    // Logs of the scan's kind go to the test's folder.
    void EnableTextLog()
    {
        CScanLogSettings& log = m_document->GetLogSettings(m_scan->GetScanKind());
        log.m_enabled = 1;
        log.m_folder = m_folder.Path().c_str();
    }

    // Starts a run in mode (scans of the n-scans mode) and waits until it has ended.
    void Run(int mode, int scans = 1)
    {
        m_table->m_scanMode = mode;
        m_table->m_numberOfScans = scans;
        m_document->Start();
        ASSERT_TRUE(m_document->WaitForRunEnd()) << "the run did not end";
    }

    // Waits (real time, bounded) until the port monitor has nothing left to run.
    bool WaitForIdle(int ms = 10000)
    {
        for (int i = 0; i < ms / 2; ++i)
        {
            if (!m_document->m_busy && CFakeDocument::IsSettled())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    template <class Pred> static bool Eventually(Pred pred, int ms = 10000)
    {
        for (int i = 0; i < ms / 2 && !pred(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return pred();
    }

    // The plain factor of a reading (Faraday, no reduction).
    float Factor() const { return m_units->m_fPartialFactor; }

    static std::string ReadText(const std::string& path)
    {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The rows of a text log: the lines after the header (no commas), each split in numbers.
    static std::vector<std::vector<double>> LogRows(const std::string& path)
    {
        std::vector<std::vector<double>> rows;
        std::istringstream in(ReadText(path));
        std::string line;
        while (std::getline(in, line))
        {
            if (line.empty() || line.find(',') != std::string::npos || !(isdigit(line[0]) || line[0] == '-'))
                continue;
            std::istringstream fields(line);
            std::vector<double> row;
            double v;
            while (fields >> v)
                row.push_back(v);
            rows.push_back(row);
        }
        return rows;
    }

    kel::testkit::ScriptedPrompts m_prompts;
    std::unique_ptr<CPortList> m_ports;
    CViewThread m_view;
    CChannelHead m_head;
    CHead* m_pHead = &m_head;
    std::string m_connector = "SOFT0";
    std::unique_ptr<CUnits> m_units;
    std::unique_ptr<CTable> m_table;
    std::unique_ptr<CChannelDisplay> m_display;
    std::unique_ptr<CFakeDocument> m_document;
    std::unique_ptr<CChannelScan> m_scan;
    std::unique_ptr<ActiveDocumentScope> m_active;
    TempFolder m_folder;
};

} // namespace scantest
