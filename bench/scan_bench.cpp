// Analog sweeps on the simulated head with no per-point wait, the points sent across threads (in
// batches, as the head has them ready at once) to a view that draws nothing: how many points per
// second the scan engine carries, against the serial line's limit (28800 baud, 4 bytes a point:
// 720 points/s). Timed in the same run: the document's step tasks through the port monitor; as
// references the same steps called in a plain loop on one worker (the ratio between them is what
// the monitor's queue costs), the steps without a view (the scan's and the head's own work), the
// points sent to the view alone one by one, and a round trip between two bare threads (the
// machine's floor for a hand-over that waits for the other thread).
#include "ScanFakes.h"

#include "KelMessages.h"
#include "doc/AnalogData.h"
#include "head/KELDummyHead.h"
#include "ports/PortList.h"
#include "ports/PortMonitor.h"
#include "scans/AnalogScan.h"
#include "units/Units.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
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
    int BuildPage() override { return 1; }

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

// Seconds for count round trips between two bare threads through a condition variable: this
// machine's floor for a hand-over that waits for the other thread, as every sent point does.
double PingPong(int count)
{
    std::mutex lock;
    std::condition_variable changed;
    int turn = 0; // 1: the other thread's
    bool quit = false;
    std::thread other(
        [&]
        {
            std::unique_lock<std::mutex> guard(lock);
            for (;;)
            {
                changed.wait(guard, [&] { return turn == 1 || quit; });
                if (quit)
                    return;
                turn = 0;
                changed.notify_all();
            }
        });
    const auto start = std::chrono::steady_clock::now();
    {
        std::unique_lock<std::mutex> guard(lock);
        for (int i = 0; i < count; ++i)
        {
            turn = 1;
            changed.notify_all();
            changed.wait(guard, [&] { return turn == 0; });
        }
        quit = true;
        changed.notify_all();
    }
    other.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

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

    // Seconds for the same run stepped in a loop on one thread; without a view the points go
    // nowhere, which leaves the scan's and the head's own work.
    double Direct(bool withView = true)
    {
        document->m_hView = withView ? view.GetWindow() : nullptr;
        const auto start = std::chrono::steady_clock::now();
        scan->StartSeries();
        while (scan->Step())
        {
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        document->m_hView = view.GetWindow();
        return seconds;
    }

    // Seconds for count points sent to the view and nothing else: the hand-over between the two
    // threads that every point makes.
    double SendOnly(int count)
    {
        AnalogPointRecord record{1.0f, 1.0f};
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i)
            SendMessage(view.GetWindow(), WM_KEL_SCANDATA, reinterpret_cast<WPARAM>(&record),
                        reinterpret_cast<LPARAM>(display.get()));
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
    const double scanOnly = bench.Direct(false);
    const double sendOnly = bench.SendOnly(static_cast<int>(points));
    const double floor = PingPong(static_cast<int>(points));
    const double rate = points / monitored;
    const double us = 1e6 / points;
    std::printf("scan_bench: %d sweeps of %d points through the port monitor to a view thread\n", kSweeps,
                bench.settings.m_pointCount);
    std::printf("  through the monitor: %.0f points/s = %.1f x the line's limit of %.0f points/s\n", rate,
                rate / kLinePointsPerSecond, kLinePointsPerSecond);
    std::printf("  stepped in a loop:   %.0f points/s; monitor / loop time ratio %.2f\n", points / direct,
                monitored / direct);
    std::printf("  per point: %.2f us in all = %.2f us scan and head (no view) + %.2f us sending to the view"
                " alone; send share %.0f %%\n",
                monitored * us, scanOnly * us, sendOnly * us, 100.0 * sendOnly / monitored);
    std::printf("  two bare threads' round trip: %.2f us; sending a point / round trip %.2f\n", floor * us,
                sendOnly / floor);
    // Summary line: the engine must carry at least what the serial line can deliver.
    std::printf("BENCH scan %.0f points/s %.2f ratio>=1\n", rate, rate / kLinePointsPerSecond);
    return 0;
}
