// The host side of the chart benchmarks: a page of one graph that builds its objects on its first
// paint, as a host's graph window does, then lets plotkit draw it; message pumping and timing.
#pragma once

#include "trendkit.h"

#include <chrono>
#include <cstdio>
#include <functional>

namespace chartbench
{

using Clock = std::chrono::steady_clock;

inline std::function<void(GrDesc*)> g_build;

inline double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

inline void Pump()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

inline LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
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

// The host's graph window: builds the graph on its first paint, then lets plotkit draw it.
inline LRESULT CALLBACK GraphProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
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
            WGChangePlotPos(graph, 0.1f, 0.1f, 0.9f, 0.9f);
            graph->worldXFrom = graph->worldYFrom = 0;
            graph->worldXTo = graph->worldYTo = 100;
            if (g_build)
                g_build(graph);
            graph->cursor = 0;
            graph->building = 0;
            ConnectAxes(graph);
        }
        if (!graph->building)
            ObjectInterpreter(graph, dc);
        graph->outsidePlotRepaint = 0;
        EndPaint(window, &ps);
        return 0;
    }
    }
    return DefWindowProc(window, message, wParam, lParam);
}

inline TopDesc g_top{};
inline int g_pages = 0;

inline GrDesc* Graph(std::function<void(GrDesc*)> build)
{
    char name[16];
    std::snprintf(name, sizeof name, "bench%d", ++g_pages);
    PgDesc* page =
        InitPage(name, nullptr, nullptr, nullptr, 15, 0, WS_POPUP | WS_VISIBLE, 2, 0, 0, 800, 600, 0);
    g_build = std::move(build);
    GrDesc* graph = InitGraph(&g_top, page, 0, 0, 1, 1, 15, -1, 0, 0);
    UpdateWindow(page->window);
    UpdateWindow(graph->window);
    Pump();
    g_build = nullptr;
    return graph;
}

} // namespace chartbench
