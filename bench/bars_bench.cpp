// A page of bargraphs showing 300 bars (ten bargraphs of 30 values on one graph) fed a whole new sweep
// at a time: the update invalidates only the strips of the bars whose level changed, and the repaint
// that follows draws only those. The cost per sweep (updates and the repaint they cause) is printed
// against a full repaint of the same graph in the same state, measured in the same run, for sweeps in
// which a tenth of the bars change and sweeps in which every bar changes.
#include "trendkit.h"
#include "win32qt/QtBackend.h"

#include "ChartHost.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace
{

using namespace chartbench;

constexpr int kGraphs = 10;
constexpr int kBars = 30;

struct Bars
{
    GrDesc* graph = nullptr;
    int slots[kGraphs] = {};
    std::vector<float> sweep = std::vector<float>(kGraphs * kBars);
};

Bars MakeBars()
{
    Bars bars;
    for (int& slot : bars.slots)
        slot = WRDefineDynDataSet("bars", kBars, nullptr, nullptr, 0);
    bars.graph = Graph(
        [&](GrDesc* g)
        {
            std::vector<COLORREF> fills(kBars, RGB(0, 160, 0));
            for (int k = 0; k < kGraphs; ++k)
            {
                // Each bargraph takes a tenth of the X range.
                const float first = k * 10.0f + 10.0f / (2 * kBars),
                            last = (k + 1) * 10.0f - 10.0f / (2 * kBars);
                WRSetBargraph(g, bars.slots[k], 0, 0, first, last, 0, fills.data(), nullptr, nullptr);
            }
        });
    return bars;
}

// Sends the sweep to the bargraphs and lets the repaint run.
void Send(Bars& bars)
{
    for (int k = 0; k < kGraphs; ++k)
        WRUpdateData(bars.slots[k], bars.sweep.data() + k * kBars, bars.graph);
    UpdateWindow(bars.graph->window);
    Pump();
}

double FullRepaintMicros(Bars& bars, int n)
{
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i)
    {
        InvalidateRect(bars.graph->window, nullptr, TRUE);
        UpdateWindow(bars.graph->window);
        Pump();
    }
    return Micros(Clock::now() - start) / n;
}

// Sweeps in which every `every`-th bar (rotating) takes a new level.
double SweepMicros(Bars& bars, int n, int every)
{
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i)
    {
        for (size_t b = (i % every); b < bars.sweep.size(); b += every)
            bars.sweep[b] = 50 + 45 * static_cast<float>(std::sin(0.37 * (b + 1) * (i + 1)));
        Send(bars);
    }
    return Micros(Clock::now() - start) / n;
}

} // namespace

int main()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!kel::qt::StartUi())
    {
        std::printf("bars_bench: the window system did not start\n");
        return 1;
    }
    g_top.realType = PK_REAL_TYPE;
    if (!InitTop(&g_top, PageProc, GraphProc, CS_DBLCLKS) || !InitRTDll(&g_top))
    {
        std::printf("bars_bench: the libraries did not start\n");
        return 1;
    }
    Bars bars = MakeBars();
    for (size_t b = 0; b < bars.sweep.size(); ++b)
        bars.sweep[b] = 50;
    Send(bars);
    const int n = 300;
    const double full = FullRepaintMicros(bars, n);
    const double tenth = SweepMicros(bars, n, 10);
    const double all = SweepMicros(bars, n, 1);
    const double fullAgain = FullRepaintMicros(bars, n);
    std::printf("bars_bench: 300 bars (10 bargraphs x 30 values) on an 800 x 600 graph, per sweep\n");
    std::printf("  reference: full repaint of the graph: %.1f us (again after the sweeps: %.1f us)\n", full,
                fullAgain);
    std::printf("  a tenth of the bars changed: %.1f us (%.2f x a full repaint)\n", tenth, tenth / full);
    std::printf("  every bar changed:           %.1f us (%.2f x a full repaint)\n", all, all / full);
    // Summary lines (name, figure, unit, ratio, goal): a sweep that changes a tenth of the bars
    // must cost less than repainting the graph.
    std::printf("BENCH bars/tenth %.1f us %.3f ratio<1\n", tenth, tenth / full);
    std::printf("BENCH bars/all %.1f us %.3f -\n", all, all / full);
    std::fflush(stdout);
    for (int p = 1; p < PK_MAX_PAGES; ++p)
        if (PgDesc* page = GetPgDescPtr(p))
        {
            HWND window = page->window;
            for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
                if (GrDesc* graph = GetGrDescNum(page, slot))
                    WRDeleteRTGraph(graph);
            KillGraphPage(p);
            DestroyWindow(window);
        }
    RTCleanup(&g_top);
    Cleanup(&g_top, TRUE);
    kel::qt::StopUi();
    // Leave without the static destructors: the loader detaches the libraries.
    std::_Exit(0);
}
