#include "displays/ChartHost.h"

#include "displays/Display.h"
#include "displays/GraphBuilder.h"
#include "doc/KelDoc.h"

#include <trendkit.h>

#include <algorithm>

namespace
{
TopDesc g_top;               // zero at load; InitTop marks it started
DevDesc* g_device = nullptr; // plotkit's device block, taken at the first start
bool g_leftButtonDown = false;

// The graph class: redrawn whole on size changes, double clicks, a DC of its own.
constexpr UINT kGraphClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC | CS_BYTEALIGNWINDOW;
// The graph selector buttons of a page.
constexpr int kFirstSelector = 900;
constexpr int kLastSelector = 916;
// A call sent to the page window's thread (lParam: the std::function to run).
constexpr UINT kRunOnPageThread = WM_APP + 0x100;

CDisplay* ActiveDisplay()
{
    CKelDoc* doc = GetActiveKelDoc();
    return doc != nullptr ? doc->GetCurrentDisplay() : nullptr;
}

void StoreMouse(int x, int y)
{
    if (g_device == nullptr)
        g_device = GetDevDesc();
    g_device->mouseX = x;
    g_device->mouseY = y;
}

LRESULT PaintPage(HWND window, PgDesc* page)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!page->built)
    {
        page->built = 1;
        if (auto* builder = reinterpret_cast<CGraphBuilder*>(page->userValue))
            builder->CreateGraphs(page);
        if (g_top.abortFlag)
        {
            EndPaint(window, &ps);
            return 0;
        }
        if (page->selectorsShown)
        {
            ShowGraphSelectors(page, dc, 1);
            page->selectorsMade = 1;
        }
    }
    else if (page->selectorsShown)
    {
        ShowGraphSelectors(page, dc, page->selectorsMade ? 2 : 1);
        page->selectorsMade = 1;
    }
    RECT clip{};
    GetClipBox(dc, &clip);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, page->background);
    ExtTextOut(dc, 0, 0, ETO_OPAQUE, &clip, nullptr, 0, nullptr);
    if (page->highlightOn)
        HighlightGraph(page, page->selectedGraph);
    EndPaint(window, &ps);
    return 0;
}

// Whether the update rectangle (window pixels) misses the graph's plot area.
bool MissesPlotArea(HWND window, GrDesc* graph, const RECT& update)
{
    RECT client{};
    GetClientRect(window, &client);
    const float w = static_cast<float>(client.right), h = static_cast<float>(client.bottom);
    const float* p = graph->plotNorm;
    const LONG left = static_cast<LONG>(std::min(p[0], p[2]) * w),
               right = static_cast<LONG>(std::max(p[0], p[2]) * w);
    const LONG top = static_cast<LONG>(std::min(p[1], p[3]) * h),
               bottom = static_cast<LONG>(std::max(p[1], p[3]) * h);
    if (right <= left || bottom <= top)
        return false;
    return update.right <= left || update.left >= right || update.bottom <= top || update.top >= bottom;
}

LRESULT PaintGraph(HWND window, GrDesc* graph)
{
    HDC own = graph->buildDc;
    MapGraph(graph, own);
    RECT update{};
    if (graph->finished && !GetUpdateRect(window, &update, FALSE))
        return 0;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    // The class keeps a DC of its own; a paint DC that is not that one takes the same mapping.
    if (dc != own)
        MapGraph(graph, dc);
    if (graph->finished && MissesPlotArea(window, graph, ps.rcPaint))
        graph->outsidePlotRepaint = 1;
    PgDesc* page = graph->page;
    const bool hidden = page != nullptr && page->blownUp && page->selectedGraph != graph->handle;
    if (!hidden)
    {
        graph->cursor = 0;
        if (!graph->finished)
        {
            graph->finished = 1;
            if (auto* painter = reinterpret_cast<CGraphPainter*>(graph->userValue))
                painter->BuildObjects(graph, dc);
            if (GetWindowLongPtr(window, PK_GRAPH_WORD_PAGE) == 0)
            {
                EndPaint(window, &ps);
                ErrHdlr(65, 0, nullptr);
                return 0;
            }
            graph->cursor = 0;
            graph->building = 0;
            ConnectAxes(graph);
        }
        if (!graph->building)
            ObjectInterpreter(graph, dc);
        if (g_top.abortFlag)
            ExitApplication();
    }
    if (!g_top.abortFlag)
    {
        graph->layoutChanged = 1;
        graph->outsidePlotRepaint = 0;
    }
    EndPaint(window, &ps);
    return 0;
}
} // namespace

TopDesc* ChartHostTop()
{
    return &g_top;
}

DevDesc* ChartHostDevice()
{
    return g_device;
}

void ChartHostInitRT()
{
    InitRTDll(&g_top);
}

PgDesc* ChartHostInit(const char* name, HWND parent, HINSTANCE instance, const char* caption, LPARAM builder,
                      const char* menu, int background, int kind, DWORD style, int placement, int x, int y,
                      int width, int height)
{
    InitRTDll(&g_top);
    if (!g_top.initialised)
    {
        const DWORD version = GetVersion();
        const int major = LOBYTE(LOWORD(version)), minor = HIBYTE(LOWORD(version));
        if (major < 3 || (major == 3 && minor < 10))
        {
            ErrHdlr(66, 0, nullptr);
            return nullptr;
        }
        g_device = GetDevDesc();
        g_top.hostInstance = instance;
        g_top.realType = PK_REAL_TYPE;
        if (InitTop(&g_top, ChartPageWndProc, ChartGraphWndProc, kGraphClassStyle) == 0)
        {
            ExitApplication();
            return nullptr;
        }
        // Trendkit binds itself to a started block.
        InitRTDll(&g_top);
    }
    (void)parent;
    return InitPage(name, parent, caption, menu, background, kind, style, placement, x, y, width, height,
                    builder);
}

GrDesc* ChartInitGraph(PgDesc* page, LPARAM painter, float left, float top, float right, float bottom,
                       int background, int borderIndex, int borderWidth)
{
    return InitGraph(&g_top, page, left, top, right, bottom, background, borderIndex, borderWidth, painter);
}

void ChartHostEditObject(HWND graphWindow)
{
    GrDesc* graph = WGGetGraphDesc(graphWindow);
    if (graph == nullptr)
        return;
    HighlightObj(graph);
    HWND pageWindow = GetParent(graphWindow);
    EnableWindow(graphWindow, FALSE);
    if (pageWindow != NULL)
        EnableWindow(pageWindow, FALSE);
    InitRTDll(&g_top);
    ChartObjectEditDispatch(graph);
    EnableWindow(graphWindow, TRUE);
    if (pageWindow != NULL)
        EnableWindow(pageWindow, TRUE);
}

void ChartHostCleanup(BOOL freeArrays)
{
    // The real-time block goes first; a second call finds nothing left to end.
    RTCleanup(&g_top);
    if (!g_top.initialised)
        return;
    Cleanup(&g_top, freeArrays);
    g_top.initialised = 0;
    // The page and graph classes go with the block: a later start in this process registers them anew.
    UnregisterClass("PgWin", g_top.hostInstance);
    UnregisterClass("GrWin", g_top.hostInstance);
}

void ChartHostCallOnPageThread(PgDesc* page, const std::function<void()>& call)
{
    HWND window = page != nullptr && WGIsPageDescValid(page) ? page->window : NULL;
    if (window == NULL || GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
    {
        call();
        return;
    }
    SendMessage(window, kRunOnPageThread, 0, reinterpret_cast<LPARAM>(&call));
}

LRESULT CALLBACK ChartPageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    InitRTDll(&g_top);
    switch (message)
    {
    case WM_CREATE:
        if (auto* page = static_cast<PgDesc*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams))
            page->window = window;
        return ChartPageCommand(window, message, wParam, lParam);
    case WM_DESTROY:
        if (PgDesc* page = WGGetPageDesc(window); page != nullptr && WGIsPageDescValid(page))
            KillRTPage(page->number);
        return ChartPageCommand(window, message, wParam, lParam);
    case WM_SIZE:
        ResizePage(window, LOWORD(lParam), HIWORD(lParam));
        return ChartPageCommand(window, message, wParam, lParam);
    case WM_PAINT:
    {
        PgDesc* page = WGGetPageDesc(window);
        if (page == nullptr || !WGIsPageDescValid(page))
            return 0;
        return PaintPage(window, page);
    }
    case WM_ERASEBKGND:
        return 1;
    case kRunOnPageThread:
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    case WM_COMMAND:
    {
        const int id = LOWORD(wParam);
        if (id >= kFirstSelector && id <= kLastSelector && HIWORD(wParam) == 0)
        {
            PgDesc* page = WGGetPageDesc(window);
            if (page == nullptr)
                return 0;
            const SHORT before = page->selectedGraph;
            const int handle = 60 + 16 * page->number + (id - kFirstSelector);
            if (GrDesc* graph = GetGrDescPtr(handle))
                WGSelectGraph(graph);
            if (page->selectedGraph == before)
                WGEditGraphDlg(page);
            return 0;
        }
        return ChartPageCommand(window, message, wParam, lParam);
    }
    default:
        return ChartPageCommand(window, message, wParam, lParam);
    }
}

LRESULT ChartPageCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
        if ((GetWindowLong(window, GWL_STYLE) & WS_CHILD) == 0 && GetMenu(window) != NULL)
        {
            if (PgDesc* page = WGGetPageDesc(window))
                WGToggleSelectors(page, TRUE);
            if (HMENU sub = GetSubMenu(GetMenu(window), 3))
                CheckMenuItem(sub, 60, MF_BYCOMMAND | MF_CHECKED);
        }
        return 0;
    case WM_SIZE:
        return 0;
    case WM_COMMAND:
    {
        PgDesc* page = WGGetPageDesc(window);
        if (page == nullptr)
            return 0;
        GrDesc* selected = WGGetSelectedGraph(page);
        switch (LOWORD(wParam))
        {
        case 15:
            WGSavePageMeta(page, 1, nullptr);
            break;
        case 24:
            if (selected != nullptr)
            {
                WGToggleSelectors(page, FALSE);
                WRDeleteRTGraph(selected);
                WGToggleSelectors(page, TRUE);
            }
            break;
        case 50:
            if (selected != nullptr)
                WGCopyGraph(selected);
            break;
        case 51:
            WGCopyPage(page);
            break;
        case 60:
            WGToggleSelectors(page, WGMenuCheck(page, static_cast<UINT>(wParam), 3));
            break;
        case 61:
            WGToggleHigh(page, WGMenuCheck(page, static_cast<UINT>(wParam), 3));
            break;
        case 70:
            WGEditGraphDlg(page);
            break;
        case 71:
            if (selected != nullptr)
                WGBlowupGraph(selected, WGMenuCheck(page, static_cast<UINT>(wParam), 2));
            break;
        case 400:
            WGPrintPage(page);
            break;
        case 401:
            if (selected != nullptr)
                WGPrintGraph(selected);
            break;
        case 402:
            WGPrinterSetup(window);
            break;
        case 403:
            WGPrintOptionsDlg();
            break;
        default:
            break;
        }
        return 0;
    }
    default:
        return DefWindowProc(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK ChartGraphWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
        if (auto* graph = static_cast<GrDesc*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams))
            graph->buildDc = GetDC(window);
        return DefWindowProc(window, message, wParam, lParam);
    case WM_PAINT:
    {
        GrDesc* graph = WGGetGraphDesc(window);
        if (graph == nullptr)
            return 0;
        return PaintGraph(window, graph);
    }
    case WM_ERASEBKGND:
        if (GrDesc* graph = WGGetGraphDesc(window))
            graph->layoutChanged = 1;
        return 1;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    {
        const int x = LOWORD(lParam), y = HIWORD(lParam);
        StoreMouse(x, y);
        ChartMouseCallback(window, message, x, y);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        ChartKeyCallback(window, message, LOWORD(wParam), lParam);
        return 0;
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return HXChildControlProc(window, message, wParam, lParam);
    default:
        return DefWindowProc(window, message, wParam, lParam);
    }
}

// ---- Chart input

int ChartObjectEditDispatch(GrDesc* graph)
{
    CDisplay* display = ActiveDisplay();
    if (graph == nullptr)
        return 0;
    const int object = WGGetSelObject(graph, nullptr, nullptr);
    if (display == nullptr)
        return rtDefEditObject(graph);
    auto editOrDefault = [&](int handled)
    {
        if (handled)
            return display->EditObject(graph);
        return rtDefEditObject(graph);
    };
    switch (WGGetObjectType(graph, object))
    {
    case PK_TYPE_LEGEND:
        return editOrDefault(display->EditLegend(graph, object));
    case PK_TYPE_AXIS:
        return display->EditAxis(graph, object);
    case PK_TYPE_LABELS:
        return display->EditAxisLabels(graph, object);
    case PK_TYPE_TEXT:
        return editOrDefault(display->EditTextObject(graph, object));
    case 100:
    case 101:
        display->EditAlarmLines();
        return 1;
    case 103:
        display->EditScrollObject(graph, object);
        return display->OnTraceEdited(object);
    case 105:
        return display->EditTimeLabels(graph, object);
    case 106:
        return display->EditBarsObject(graph, object) ? 1 : rtDefEditObject(graph);
    case 107:
        return display->EditDynamicText(graph, object) ? 1 : rtDefEditObject(graph);
    case 108:
        return editOrDefault(display->EditMessageObject(graph, object));
    default:
        return rtDefEditObject(graph);
    }
}

void ChartMouseCallback(HWND window, UINT message, int x, int y)
{
    GrDesc* graph = WGGetGraphDesc(window);
    CDisplay* display = ActiveDisplay();
    switch (message)
    {
    case WM_MOUSEMOVE:
        if (g_leftButtonDown && display != nullptr && display->IsCursorShown())
            display->TrackMouseCursor(graph, 1, 0);
        break;
    case WM_LBUTTONDOWN:
        g_leftButtonDown = true;
        if (display != nullptr && display->IsCursorShown())
            display->TrackMouseCursor(graph, 1, 0);
        ChartMouseDownActivate(window, 0, x, y);
        if (display != nullptr)
            display->OnChartLButtonDown(graph, x, y);
        break;
    case WM_LBUTTONUP:
        g_leftButtonDown = false;
        if (display != nullptr)
            display->OnChartLButtonUp(graph, x, y);
        break;
    case WM_LBUTTONDBLCLK:
    {
        if (graph == nullptr)
            break;
        HighlightObj(graph);
        HWND pageWindow = GetParent(window);
        if (pageWindow != NULL)
            EnableWindow(pageWindow, FALSE);
        InitRTDll(&g_top);
        const int active = WGGetActiveObject(graph);
        const int selected = WGGetSelObject(graph, nullptr, nullptr);
        if (selected != 0)
        {
            const bool activation = active != 0 && WGIsObjActivationEnabled(graph, active);
            if (activation)
                WGStopActivateObject(window, active);
            ChartObjectEditDispatch(graph);
            if (activation && WGIsObjActivationEnabled(graph, active))
                WGStartActivateObject(window, active, FALSE);
        }
        if (pageWindow != NULL)
            EnableWindow(pageWindow, TRUE);
        break;
    }
    case WM_RBUTTONDOWN:
        if (display != nullptr)
            display->StartZoom(window, x, y);
        break;
    case WM_RBUTTONUP:
        if (display != nullptr)
            display->FinishZoom(window, x, y);
        break;
    default:
        break;
    }
}

void ChartKeyCallback(HWND /*window*/, UINT message, int key, LPARAM lParam)
{
    if (message != WM_KEYDOWN)
        return;
    if (CDisplay* display = ActiveDisplay())
        display->OnChartKeyDown(key, HIWORD(lParam), LOWORD(lParam));
}

int ChartMouseDownActivate(HWND window, int /*unused*/, int x, int y)
{
    StoreMouse(x, y);
    InitRTDll(&g_top);
    const WORD object = rtObjFind(window);
    if (object == 0)
        return 0;
    GrDesc* graph = WGGetGraphDesc(window);
    if (graph != nullptr && WGIsObjActivationEnabled(graph, object))
        WGStartActivateObject(window, object, TRUE);
    return 1;
}
