// Analog sweeps on the simulated head with no per-point wait, each point sent across threads to a
// view that draws nothing: how many points per second the scan engine carries, against the serial
// line's limit (28800 baud, 4 bytes a point: 720 points/s). Timed twice in the same run: the
// document's step tasks through the port monitor, and as a reference the same steps called in a
// plain loop on one worker, so the ratio between them is what the monitor's queue costs.
#include "ScanFakes.h"

#include "doc/AnalogData.h"
#include "head/KELDummyHead.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "scans/AnalogScan.h"
#include "units/Units.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace scantest;

namespace
{
constexpr double kLinePointsPerSecond = 28800.0 / 10.0 / 4.0; // 10 bits a byte on the line

// Keeps the sweep as a display must (ReadData at the end of each sweep) and draws nothing.
class NullDisplay : public CDisplay
{
public:
    explicit NullDisplay(int points) : m_sweep(static_cast<size_t>(points)) {}
    void UpdateData(void* record, int) override
    {
        if (m_received >= m_sweep.size())
            m_received = 0;
        m_sweep[m_received++] = static_cast<AnalogPointRecord*>(record)->value;
    }
    int ReadData(float* values, int capacity) override
    {
        const int n = std::min(static_cast<int>(m_received), capacity);
        std::copy(m_sweep.begin(), m_sweep.begin() + n, values);
        return n;
    }
    BOOL Rebuild() override { return TRUE; }

private:
    std::vector<float> m_sweep;
    size_t m_received = 0;
};

// The simulated head with its per-point wait set to zero, so the bench measures the road a point
// takes, not the head's pace.
class FastHead : public CKELDummyHead
{
public:
    FastHead() { std::fill(std::begin(m_nPointTime), std::end(m_nPointTime), 0); }
};

struct Bench
{
    Bench(int sweeps) : units(&head), settings(CAnalogData::kModeAnalog, &units, &head)
    {
        head.Connect(0);
        head.FilamentOn();
        head.SetNoise(2);
        units.SetDefaults();
        settings.m_startMass = 1;
        settings.m_stopMass = 200;
        settings.m_pointsPerAmu = 10;
        settings.m_pointCount = settings.ExpectedPointCount();
        settings.m_scanMode = SCAN_MODE_NSCANS;
        settings.m_numberOfScans = sweeps;
        display = std::make_unique<NullDisplay>(settings.m_pointCount);
        CPortMonitor::Instance().Start(ports);
        document =
            std::make_unique<CFakeDocument>(&head, &units, view.GetWindow(), ports.GetPortLock("SOFT0"));
        for (CScanLogSettings& log : document->m_logSettings)
            log.m_enabled = 0;
        scan = std::make_unique<CAnalogScan>(&settings, &head, display.get());
        document->m_pScan = scan.get();
        scan->AttachDocument(document.get());
    }
    ~Bench() { CPortMonitor::Destroy(); }

    // Seconds for a run of the set sweeps through the document's tasks on the monitor.
    double ThroughMonitor()
    {
        const auto start = std::chrono::steady_clock::now();
        document->Start();
        document->WaitForRunEnd(600000);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    // Seconds for the same run stepped in a loop on one thread.
    double Direct()
    {
        const auto start = std::chrono::steady_clock::now();
        scan->StartSeries();
        while (scan->Step())
        {
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    CPortList ports;
    CViewThread view{false};
    FastHead head;
    CUnits units;
    CAnalogData settings;
    std::unique_ptr<NullDisplay> display;
    std::unique_ptr<CFakeDocument> document;
    std::unique_ptr<CAnalogScan> scan;
};
} // namespace

int main()
{
    constexpr int kSweeps = 100;
    Bench bench(kSweeps);
    const double points = double(kSweeps) * bench.settings.m_pointCount;
    bench.Direct(); // warm up
    const double direct = bench.Direct();
    const double monitored = bench.ThroughMonitor();
    const double rate = points / monitored;
    std::printf("scan_bench: %d sweeps of %d points through the port monitor to a view thread\n", kSweeps,
                bench.settings.m_pointCount);
    std::printf("  through the monitor: %.0f points/s = %.1f x the line's limit of %.0f points/s\n", rate,
                rate / kLinePointsPerSecond, kLinePointsPerSecond);
    std::printf("  stepped in a loop:   %.0f points/s; monitor / loop time ratio %.2f\n", points / direct,
                monitored / direct);
    return 0;
}
