// One sample appended to a scroll graph and to an XY graph, drawn incrementally into the graph
// window's backing image, at 2,000, 10,000 and 32,700 points per screen: the cost of a sample must not
// grow with the length of the screen. Also the scroll graph's jump when the screen fills, and
// WRShowHist on a history ring of 256,000 values. The reference, timed in the same run, is the bare
// drawing of one segment on the same window (a pen made and selected, MoveToEx, LineTo).
#include "trendkit.h"
#include "win32qt/QtBackend.h"

#include "ChartHost.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace
{

using namespace chartbench;

float Wave(int i)
{
    return 50 + 40 * static_cast<float>(std::sin(i * 0.01));
}

// The bare segment on the graph window, per call.
double SegmentMicros(GrDesc* graph)
{
    HDC dc = graph->buildDc;
    const int n = 200000;
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i)
    {
        LOGPEN pen{PS_SOLID, {0, 0}, RGB(255, 0, 0)};
        HPEN made = CreatePenIndirect(&pen);
        DeleteObject(SelectObject(dc, made));
        const int x = 1000 + i % 8000;
        MoveToEx(dc, x, 3000 + (i * 37) % 4000, nullptr);
        LineTo(dc, x + 1, 3000 + (i * 53) % 4000);
    }
    return Micros(Clock::now() - start) / n;
}

struct Costs
{
    double sample = 0;    // mean of the samples that only add a segment
    double big = 0;       // mean of the samples that jump or drop the oldest
    double amortised = 0; // over every sample
};

// Feeds `total` samples after the screen was filled once; times each call. With `kept` positions kept,
// the screen jumps (or drops its oldest samples) at the first sample past a full screen and then
// every points - kept - 1 samples.
Costs Feed(int slot, GrDesc* graph, int points, float keptFraction, int total, bool xy)
{
    int kept = static_cast<int>((points - 1) * keptFraction + 0.5f);
    if (kept >= points - 1)
        kept = points - 2;
    const int every = points - kept - 1;
    std::vector<float> v(2);
    auto value = [&](int i)
    {
        if (xy)
        {
            v[0] = static_cast<float>(i % points) * 100.0f / points;
            v[1] = Wave(i);
        }
        else
            v[0] = Wave(i);
    };
    for (int i = 0; i < points; ++i)
    {
        value(i);
        WRUpdateData(slot, v.data(), graph);
    }
    double small = 0, big = 0, all = 0;
    int smallCount = 0, bigCount = 0;
    for (int i = points; i < points + total; ++i)
    {
        value(i);
        const auto start = Clock::now();
        WRUpdateData(slot, v.data(), graph);
        const double us = Micros(Clock::now() - start);
        all += us;
        if ((i - points) % every == 0)
        {
            big += us;
            ++bigCount;
        }
        else
        {
            small += us;
            ++smallCount;
        }
    }
    return {smallCount ? small / smallCount : 0, bigCount ? big / bigCount : 0, all / total};
}

} // namespace

int main()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!kel::qt::StartUi())
    {
        std::printf("graphs_bench: the window system did not start\n");
        return 1;
    }
    g_top.realType = PK_REAL_TYPE;
    if (!InitTop(&g_top, PageProc, GraphProc, CS_DBLCLKS) || !InitRTDll(&g_top))
    {
        std::printf("graphs_bench: the libraries did not start\n");
        return 1;
    }
    GrDesc* plain = Graph({});
    const double segment = SegmentMicros(plain);
    std::printf("graphs_bench: one sample drawn into the window's backing image (800 x 600)\n");
    std::printf("  reference: one bare segment (pen, MoveToEx, LineTo): %.3f us\n", segment);
    std::fflush(stdout);
    bool met = true;
    for (int points : {2000, 10000, 32700})
    {
        const int set = WRDefineDynDataSet("scroll", 1, nullptr, nullptr, 0);
        WORD number = 0;
        GrDesc* graph = Graph(
            [&](GrDesc* g) {
                number =
                    WRSetScrollGraph(g, set, 100.0f / (points - 1), 0.5f, 1, 0, nullptr, nullptr, nullptr);
            });
        const Costs scroll = Feed(set, graph, points, 0.5f, 3 * points, false);
        const int pairs = WRDefineDynDataSet("xy", 2, nullptr, nullptr, 0);
        GrDesc* xyGraph =
            Graph([&](GrDesc* g) { WRSetXYGraph(g, pairs, points, nullptr, nullptr, nullptr); });
        const Costs xy = Feed(pairs, xyGraph, points, 0.999f, 3 * points, true);
        met = met && scroll.sample <= 5 && xy.sample <= 5;
        std::printf("  %5d points per screen:\n", points);
        std::printf(
            "    scroll graph: %.3f us per sample (%.1f x a segment); jump %.0f us; %.3f us over all\n",
            scroll.sample, scroll.sample / segment, scroll.big, scroll.amortised);
        std::printf(
            "    XY graph:     %.3f us per sample (%.1f x a segment); drop-off %.0f us; %.3f us over all\n",
            xy.sample, xy.sample / segment, xy.big, xy.amortised);
        std::printf("BENCH graphs/scroll/%d %.3f us %.2f figure<=5\n", points, scroll.sample,
                    scroll.sample / segment);
        std::printf("BENCH graphs/xy/%d %.3f us %.2f figure<=5\n", points, xy.sample, xy.sample / segment);
        (void)number;
    }
    // The history view of a ring of 256,000 values.
    {
        const int set = WRDefineDynDataSet("history", 1, nullptr, nullptr, 256000);
        WORD number = 0;
        GrDesc* graph =
            Graph([&](GrDesc* g)
                  { number = WRSetScrollGraph(g, set, 0.1f, 0.5f, 1, 0, nullptr, nullptr, nullptr); });
        std::vector<float> block(256000);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = Wave(static_cast<int>(i));
        WRUpdateBlockData(set, block.data(), static_cast<int>(block.size()), graph);
        const int n = 50;
        double show = 0;
        for (int i = 0; i < n; ++i)
        {
            float used = 0;
            const auto start = Clock::now();
            WRShowHist(graph, number, -static_cast<float>(i * 100), 0, &used);
            show += Micros(Clock::now() - start);
            WRResumeScroll(graph, number);
            Pump();
        }
        std::printf("  WRShowHist on 256,000 values: %.0f us per call (%.0f x a segment)\n", show / n,
                    show / n / segment);
        std::printf("BENCH graphs/showhist %.0f us %.0f -\n", show / n, show / n / segment);
    }
    std::printf("  goal of 5 us per sample %s\n", met ? "met" : "NOT met");
    std::fflush(stdout);
    for (int n = 1; n < PK_MAX_PAGES; ++n)
        if (PgDesc* page = GetPgDescPtr(n))
        {
            HWND window = page->window;
            for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
                if (GrDesc* graph = GetGrDescNum(page, slot))
                    WRDeleteRTGraph(graph);
            KillGraphPage(n);
            DestroyWindow(window);
        }
    RTCleanup(&g_top);
    Cleanup(&g_top, TRUE);
    kel::qt::EndQt();
    return 0;
}
