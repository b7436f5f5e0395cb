// A whole curve plot through plotkit against one raw polyline of the same points: a graph of
// 1000 x 700 pixels with its plot area, two axes with grids and labels and a line curve of 100,000
// (and 1,000,000) points, drawn into a memory bitmap with its points computed afresh each time; the
// reference draws the curve's device points as one plain Qt polyline into an image of the same size,
// as the drawing layer's own benchmark measures its reference. Prints each time and the ratio
// (library / raw polyline). Qt appears here only for the reference.

#include "plotkit.h"
#include "win32qt/QtBackend.h"
#include "win32qt/ReferenceDrawing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr int kWidth = 1000;
constexpr int kHeight = 700;

struct Host
{
    int dataSet = 0;
    int curve = 0;
};

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE)
    {
        ResizePage(window, LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    if (message == WM_PAINT)
    {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        if (PgDesc* page = WGGetPageDesc(window))
            page->built = 1;
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

// The graph builds its objects on its first paint, as a host's graph window does.
LRESULT CALLBACK GraphProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
        static_cast<GrDesc*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams)->buildDc =
            GetDC(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
    {
        GrDesc* graph = WGGetGraphDesc(window);
        if (graph == nullptr)
            break;
        MapGraph(graph, graph->buildDc);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        MapGraph(graph, dc);
        if (!graph->finished)
        {
            graph->finished = 1;
            graph->cursor = 0;
            auto* host = reinterpret_cast<Host*>(graph->userValue);
            HDC b = graph->buildDc;
            WGSetPlotArea(graph, b, 0.1f, 0.05f, 0.97f, 0.9f, 15);
            WGScalePlotArea(graph, 0, -1.5f, 1, 1.5f);
            WGSetXYIntercepts(graph, 0, -1.5f);
            const int x = WGDrawXAxis(graph, b, 0.1f, 1, 0);
            const int y = WGDrawYAxis(graph, b, 0.5f, 4, 1);
            WGLabelAxis(graph, b, x, 0, 0, -1, 0, nullptr);
            WGLabelAxis(graph, b, y, 1, 0, -1, 0, nullptr);
            WGSetLineStyle(graph, b, 0, 1, 7);
            WGDrawGrid(graph, x, 0);
            WGDrawGrid(graph, y, 0);
            WGSetLineStyle(graph, b, 0, 1, 1);
            host->curve = WGLinePlot(graph, b, host->dataSet, FALSE, FALSE);
            graph->cursor = 0;
            graph->building = 0;
            ConnectAxes(graph);
        }
        EndPaint(window, &ps);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

double Seconds(const std::function<void()>& run, int rounds)
{
    double best = 1e9;
    for (int round = 0; round < rounds; ++round)
    {
        const auto start = std::chrono::steady_clock::now();
        run();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void Measure(TopDesc* top, PgDesc* page, int points, int rounds)
{
    // A noisy sine across the plot, many points in every pixel column.
    std::vector<float> xs(points), ys(points);
    std::mt19937 random(42);
    std::normal_distribution<float> noise(0, 0.15f);
    for (int i = 0; i < points; ++i)
    {
        xs[i] = static_cast<float>(i) / (points - 1);
        ys[i] = static_cast<float>(std::sin(xs[i] * 12.566)) + noise(random);
    }
    Host host;
    host.dataSet = WGDefineDataSetPtr("bench", xs.data(), ys.data(), points);
    GrDesc* graph = InitGraph(top, page, 0, 0, 1, 1, 15, -1, 0, reinterpret_cast<LPARAM>(&host));
    if (graph == nullptr || host.curve == 0)
    {
        std::printf("plot_bench: the graph was not built\n");
        return;
    }

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    auto library = [&]
    {
        WGRedrawGraph(graph, TRUE); // the points are computed again from the data
        MapGraph(graph, dc);
        ObjectInterpreter(graph, dc);
    };
    const double plotted = Seconds(library, rounds);

    // The reference: the curve's own device points as one polyline, every point drawn.
    library();
    // KEL_KEEP_SCREENSHOTS=<folder> keeps the library's picture for a look.
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
    {
        SelectObject(dc, old);
        std::vector<uint32_t> shot(static_cast<size_t>(kWidth) * kHeight);
        GetBitmapBits(bitmap, kWidth * kHeight * 4, shot.data());
        kel::qt::SavePixelsAsPng(shot.data(), kWidth, kHeight,
                                 std::string(keep) + "/plot_bench_" + std::to_string(points) + ".png");
        SelectObject(dc, bitmap);
    }
    std::vector<POINT> device(points);
    float* x = nullptr;
    float* y = nullptr;
    int count = 0;
    WGGetDataSetArraysPtr(host.dataSet, &x, &y, &count, nullptr);
    const RECT plot = graph->plot;
    for (int i = 0; i < count; ++i)
        device[i] = POINT{static_cast<LONG>(plot.left + x[i] * (plot.right - plot.left)),
                          static_cast<LONG>(plot.bottom - (y[i] + 1.5) / 3 * (plot.bottom - plot.top))};
    LPtoDP(dc, device.data(), count);
    auto raw = [&] { kel::qt::DrawReferencePolyline(device.data(), count, kWidth, kHeight, RGB(0, 0, 128)); };
    const double reference = Seconds(raw, rounds);
    std::printf("plot_bench %7d points: library %8.2f ms, raw polyline %8.2f ms, ratio %.2f\n", points,
                plotted * 1000, reference * 1000, plotted / reference);
    std::printf("BENCH plot/%d %.2f ms %.2f -\n", points, plotted * 1000, plotted / reference);
    std::fflush(stdout);

    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    WGDeleteGraph(graph);
    WGFreeDataSet(host.dataSet, FALSE);
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0); // unless the caller chose a platform
    if (!kel::qt::StartUi(argc, argv))
        return 1;
    static TopDesc top{};
    top.realType = PK_REAL_TYPE;
    if (InitTop(&top, PageProc, GraphProc, CS_DBLCLKS) == 0)
        return 1;
    WGEnableErrorMessages(FALSE);
    PgDesc* page =
        InitPage("bench", nullptr, "plot_bench", nullptr, 15, 8, WS_POPUP, 2, 0, 0, kWidth, kHeight, 0);
    if (page == nullptr)
        return 1;
    // A count given on the command line measures that many points only.
    const int only = argc > 1 ? std::atoi(argv[1]) : 0;
    if (only > 1)
        Measure(&top, page, only, 10);
    else
    {
        Measure(&top, page, 100000, 10);
        Measure(&top, page, 1000000, 5);
    }
    KillGraphPage(page->number);
    Cleanup(&top, TRUE);
    kel::qt::EndQt();
    return 0;
}
