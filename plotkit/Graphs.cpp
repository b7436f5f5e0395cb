// Graphs: creation in a page slot, lookup by handle, killing, placement, backgrounds, the border and
// the finishing step that ends a graph's building state.
#include "PlotkitInternal.h"

#include <cmath>

using namespace plotkit;

namespace
{

int Round(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

float Round3(float v)
{
    return static_cast<float>(std::floor(v * 1000.0 + 0.5) / 1000.0);
}

// Logical position and size of the graph in its page from its normalised placement, and the
// device rectangle from them.
void PlaceFromNormalised(GrDesc* graph)
{
    PgDesc* page = graph->page;
    graph->logX = Round(graph->normX * page->extentX);
    graph->logY = Round(graph->normY * page->extentY);
    graph->logWidth = Round(graph->normWidth * page->extentX);
    graph->logHeight = Round(graph->normHeight * page->extentY);
    HDC dc = GetDC(page->window);
    ApplyPageMapping(dc, page->mapMode, page->clientWidth, page->clientHeight, page->extentX, page->extentY);
    POINT p[2] = {{graph->logX, graph->logY},
                  {graph->logX + graph->logWidth, graph->logY + graph->logHeight}};
    LPtoDP(dc, p, 2);
    ReleaseDC(page->window, dc);
    graph->devX = p[0].x;
    graph->devY = p[0].y;
    graph->devWidth = p[1].x - p[0].x;
    graph->devHeight = p[1].y - p[0].y;
}

void SetPlotRect(GrDesc* graph)
{
    graph->plot.left = static_cast<LONG>(graph->logWidth * graph->plotNorm[0]);
    graph->plot.top = static_cast<LONG>(graph->logHeight * graph->plotNorm[1]);
    graph->plot.right = static_cast<LONG>(graph->logWidth * graph->plotNorm[2]);
    graph->plot.bottom = static_cast<LONG>(graph->logHeight * graph->plotNorm[3]);
}

bool IsPositional(int type)
{
    return type == 3 || type == 4 || type == 5 || (type >= 21 && type <= 25) || type == 27 || type == 107 ||
           type == 108 || type == 110;
}

} // namespace

namespace plotkit
{

HDC GetMappedDC(GrDesc* graph)
{
    HDC dc = GetDC(graph->window);
    MapGraph(graph, dc);
    return dc;
}

int LogicalX(HDC dc, int pixels)
{
    POINT p[2] = {{0, 0}, {pixels, 0}};
    DPtoLP(dc, p, 2);
    return std::abs(p[1].x - p[0].x);
}

int LogicalY(HDC dc, int pixels)
{
    POINT p[2] = {{0, 0}, {0, pixels}};
    DPtoLP(dc, p, 2);
    return std::abs(p[1].y - p[0].y);
}

void DrawGraphBorder(GrDesc* graph, HDC dc)
{
    if (!graph->borderOn)
        return;
    const LineDesc& line = graph->border;
    HPEN pen = CreatePen(line.style, line.widthX, line.color);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 0, 0, graph->logWidth, graph->logHeight);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void FinishGraph(GrDesc* graph, HDC dc)
{
    if (graph->finished)
        return;
    graph->finished = 1;
    graph->cursor = 0;
    graph->building = 0;
    ConnectAxes(graph);
    CleanGDI(dc);
    if (graph->buildDc)
    {
        ReleaseDC(graph->window, graph->buildDc);
        graph->buildDc = nullptr;
    }
    InvalidateRect(graph->window, nullptr, FALSE);
}

} // namespace plotkit

GrDesc* WINAPI InitGraph(TopDesc* top, PgDesc* page, float x, float y, float x2, float y2, int background,
                         int borderIndex, int borderWidth, LPARAM userValue)
{
    Library& lib = Lib();
    lib.top = top;
    if (!IsLivePage(page))
    {
        ErrHdlr(65, 0, nullptr);
        return nullptr;
    }
    int slot = 0;
    while (slot < PK_GRAPHS_PER_PAGE && page->graphs[slot])
        ++slot;
    if (slot == PK_GRAPHS_PER_PAGE)
    {
        ErrHdlr(52, 0, nullptr);
        return nullptr;
    }
    HGLOBAL block = GlobalAlloc(GPTR, sizeof(GrDesc));
    HGLOBAL table = GlobalAlloc(GPTR, kTableGrowth * sizeof(HGLOBAL));
    if (block == nullptr || table == nullptr)
    {
        GlobalFree(block);
        GlobalFree(table);
        ErrHdlr(53, 0, nullptr);
        return nullptr;
    }
    page->graphs[slot] = block;
    ++page->graphCount;
    auto* graph = static_cast<GrDesc*>(GlobalLock(block));
    graph->handle = static_cast<SHORT>(60 + 16 * page->number + slot);
    if (page->selectedGraph == 0)
        page->selectedGraph = graph->handle;
    graph->page = page;
    graph->background = WGGetRGBColor(background);
    graph->plotBackground = graph->background;
    graph->worldXFrom = graph->worldYFrom = 0;
    graph->worldXTo = graph->worldYTo = 1;
    graph->lastXFrom = graph->lastYFrom = 1;
    graph->lastXTo = graph->lastYTo = 10;
    graph->layoutChanged = 1;
    graph->capacity = kTableGrowth;
    graph->check = kGraphCheck;
    graph->mapMode = page->mapMode;
    graph->userValue = userValue;
    graph->currentLine.paletteIndex = 0;
    graph->backgroundOn = 1;

    HDC dc = GetDC(page->window);
    lib.dev.displayColors = static_cast<SHORT>(GetDeviceCaps(dc, NUMCOLORS));
    ApplyPageMapping(dc, page->mapMode, page->clientWidth, page->clientHeight, page->extentX, page->extentY);
    if (borderIndex >= 0)
    {
        graph->border.style = PS_INSIDEFRAME;
        graph->border.color = WGGetRGBColor(borderIndex);
        graph->border.paletteIndex = static_cast<SHORT>(borderIndex);
        graph->border.pixelWidth = static_cast<SHORT>(borderWidth);
        graph->border.widthX = LogicalX(dc, borderWidth);
        graph->border.widthY = LogicalY(dc, borderWidth);
        graph->borderOn = 1;
    }
    graph->devX = Round(page->clientWidth * x);
    graph->devY = Round(page->clientHeight * y);
    graph->devWidth = Round(page->clientWidth * (x2 - x));
    graph->devHeight = Round(page->clientHeight * (y2 - y));
    POINT p[2] = {{graph->devX, graph->devY},
                  {graph->devX + graph->devWidth, graph->devY + graph->devHeight}};
    DPtoLP(dc, p, 2);
    ReleaseDC(page->window, dc);
    graph->logX = p[0].x;
    graph->logY = p[0].y;
    graph->logWidth = p[1].x - p[0].x;
    graph->logHeight = p[1].y - p[0].y;
    if (page->extentX > 0 && page->extentY > 0)
    {
        graph->normX = static_cast<float>(graph->logX) / page->extentX;
        graph->normY = static_cast<float>(graph->logY) / page->extentY;
        graph->normWidth = Round3(static_cast<float>(graph->logWidth) / page->extentX);
        graph->normHeight = Round3(static_cast<float>(graph->logHeight) / page->extentY);
    }
    graph->createdNormWidth = graph->normWidth;
    graph->createdNormHeight = graph->normHeight;
    graph->unitsPerPixelX =
        graph->devWidth ? Round(static_cast<double>(graph->logWidth) / graph->devWidth) : 1;
    graph->unitsPerPixelY =
        graph->devHeight ? Round(static_cast<double>(graph->logHeight) / graph->devHeight) : 1;

    graph->building = 1;
    graph->finished = 0;
    graph->objectTable = table;
    graph->objects = static_cast<HGLOBAL*>(GlobalLock(table));

    graph->window = CreateWindowEx(WS_EX_NOPARENTNOTIFY, "GrWin", nullptr,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, graph->devX,
                                   graph->devY, graph->devWidth, graph->devHeight, page->window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(graph->handle)),
                                   lib.top ? lib.top->hostInstance : nullptr, graph);
    if (graph->window == nullptr)
    {
        ErrHdlr(50, 2, "GrWin");
        return graph;
    }
    graph->border.window = graph->window;
    graph->currentLine.window = graph->window;
    SetWindowLongPtr(graph->window, PK_GRAPH_WORD_DESC, reinterpret_cast<LONG_PTR>(graph));
    SetWindowLongPtr(graph->window, PK_GRAPH_WORD_TOP, reinterpret_cast<LONG_PTR>(lib.top));
    SetWindowLongPtr(graph->window, PK_GRAPH_WORD_PAGE, reinterpret_cast<LONG_PTR>(page));
    SetWindowLongPtr(graph->window, PK_GRAPH_WORD_TABLE, 0);
    ShowWindow(graph->window, SW_SHOW);
    SendMessage(graph->window, WM_PAINT, 0, 0);
    return graph;
}

GrDesc* WINAPI GetGrDescNum(PgDesc* page, int slot)
{
    if (!IsLivePage(page) || slot < 0 || slot >= PK_GRAPHS_PER_PAGE || page->graphs[slot] == nullptr)
        return nullptr;
    return static_cast<GrDesc*>(GlobalLock(page->graphs[slot]));
}

GrDesc* WINAPI GetGrDescPtr(int handle)
{
    const WORD h = static_cast<WORD>(handle);
    GrDesc* graph = h >= 60 ? GetGrDescNum(GetPgDescPtr((h - 60) / 16), (h - 60) % 16) : nullptr;
    if (graph == nullptr)
        ErrHdlr(65, 0, nullptr);
    return graph;
}

GrDesc* WINAPI WGGetGraphDesc(HWND window)
{
    if (window == nullptr)
        return nullptr;
    auto* graph = reinterpret_cast<GrDesc*>(GetWindowLongPtr(window, PK_GRAPH_WORD_DESC));
    return IsLiveGraph(graph) && graph->window == window ? graph : nullptr;
}

HWND WINAPI WGGetGraphWindow(GrDesc* graph)
{
    return graph ? graph->window : nullptr;
}

BOOL WINAPI WGIsGraphDescValid(const GrDesc* graph)
{
    return IsLiveGraph(graph) && graph->page && graph->check == kGraphCheck;
}

void WINAPI WGDeleteGraph(GrDesc* graph)
{
    if (!IsLiveGraph(graph))
        return;
    PgDesc* page = graph->page;
    if (page->blownUp && page->selectedGraph == graph->handle)
        WGBlowupGraph(graph, FALSE);
    for (int n = 1; n <= graph->capacity; ++n)
        if (graph->objects[n - 1])
            WGDeleteObject(graph, n);
    WGDeleteObject(graph, PK_EDIT_COPY);
    if (page->selectedGraph == graph->handle)
    {
        if (page->highlightOn)
            HighlightGraph(page, graph->handle);
        page->selectedGraph = 0;
    }
    if (graph->buildDc)
        ReleaseDC(graph->window, graph->buildDc);
    if (graph->window)
        DestroyWindow(graph->window);
    --page->graphCount;
    const int slot = (graph->handle - 60) % 16;
    HGLOBAL block = page->graphs[slot];
    page->graphs[slot] = nullptr;
    GlobalFree(graph->objectTable);
    graph->handle = 0;
    graph->page = nullptr;
    GlobalFree(block);
    if (page->selectorsShown)
    {
        HDC dc = GetDC(page->window);
        ShowGraphSelectors(page, dc, 0);
        ShowGraphSelectors(page, dc, 1);
        ReleaseDC(page->window, dc);
    }
}

void WINAPI WGChangeGraphPos(GrDesc* graph, float x, float y, float x2, float y2)
{
    if (!CheckGraph(graph))
        return;
    const GrDesc old = *graph;
    graph->normX = x;
    graph->normY = y;
    graph->normWidth = x2 - x;
    graph->normHeight = y2 - y;
    if (graph->normX == old.normX && graph->normY == old.normY && graph->normWidth == old.normWidth &&
        graph->normHeight == old.normHeight)
        return;
    PlaceFromNormalised(graph);
    SetPlotRect(graph);
    for (int n = 1; n <= graph->capacity; ++n)
        if (ObjDesc* o = ObjectAt(graph, n); o && o->type == PK_TYPE_AXIS)
            ForceLinesUpdate(graph, n - 1);
    if (graph->logWidth != old.logWidth || graph->logHeight != old.logHeight)
    {
        for (int n = 1; n <= graph->capacity; ++n)
        {
            ObjDesc* o = ObjectAt(graph, n);
            if (o == nullptr || !IsPositional(o->type) || old.logWidth == 0 || old.logHeight == 0)
                continue;
            const double fx = static_cast<double>(graph->logWidth) / old.logWidth;
            const double fy = static_cast<double>(graph->logHeight) / old.logHeight;
            o->extent.left = static_cast<LONG>(o->extent.left * fx);
            o->extent.right = static_cast<LONG>(o->extent.right * fx);
            o->extent.top = static_cast<LONG>(o->extent.top * fy);
            o->extent.bottom = static_cast<LONG>(o->extent.bottom * fy);
        }
    }
    MoveWindow(graph->window, graph->devX, graph->devY, graph->devWidth, graph->devHeight, TRUE);
    if (graph->page->selectorsShown)
    {
        HDC dc = GetDC(graph->page->window);
        ShowGraphSelectors(graph->page, dc, 2);
        ReleaseDC(graph->page->window, dc);
    }
    if (graph->page->mapMode == MM_ANISOTROPIC)
    {
        HDC dc = GetMappedDC(graph);
        RescaleObjects(graph, dc);
        ReleaseDC(graph->window, dc);
    }
    InvalidateRect(graph->window, nullptr, TRUE);
}

void WINAPI WGGetGraphPos(GrDesc* graph, float* x, float* y, float* x2, float* y2)
{
    if (!CheckGraph(graph))
        return;
    if (x)
        *x = graph->normX;
    if (y)
        *y = graph->normY;
    if (x2)
        *x2 = graph->normX + graph->normWidth;
    if (y2)
        *y2 = graph->normY + graph->normHeight;
}

void WINAPI WGChangePlotPos(GrDesc* graph, float xFrom, float yFrom, float xTo, float yTo)
{
    if (!CheckGraph(graph))
        return;
    graph->plotNorm[0] = xFrom;
    graph->plotNorm[1] = yFrom;
    graph->plotNorm[2] = xTo;
    graph->plotNorm[3] = yTo;
    SetPlotRect(graph);
    for (int n = 1; n <= graph->capacity; ++n)
        if (ObjDesc* o = ObjectAt(graph, n); o && o->type == PK_TYPE_AXIS)
            ForceLinesUpdate(graph, n - 1);
    InvalidateRect(graph->window, nullptr, TRUE);
}

void WINAPI WGGetPlotPos(GrDesc* graph, float* xFrom, float* yFrom, float* xTo, float* yTo)
{
    if (!CheckGraph(graph))
        return;
    float* out[4] = {xFrom, yFrom, xTo, yTo};
    for (int i = 0; i < 4; ++i)
        if (out[i])
            *out[i] = graph->plotNorm[i];
}

void WINAPI WGChangeGraphBackgnd(GrDesc* graph, COLORREF color)
{
    if (!CheckGraph(graph))
        return;
    graph->background = color;
    InvalidateRect(graph->window, nullptr, TRUE);
}

COLORREF WINAPI WGGetGraphBackgnd(GrDesc* graph)
{
    return CheckGraph(graph) ? graph->background : 0;
}

void WINAPI WGChangePlotBackgnd(GrDesc* graph, COLORREF color)
{
    if (!CheckGraph(graph))
        return;
    graph->plotBackground = color;
    InvalidateRect(graph->window, nullptr, TRUE);
}

COLORREF WINAPI WGGetPlotBackgnd(GrDesc* graph)
{
    return CheckGraph(graph) ? graph->plotBackground : 0;
}

void WINAPI WGSetGraphBorder(GrDesc* graph, BOOL on, int index, int width)
{
    if (!CheckGraph(graph) || (graph->borderOn != 0) == (on != 0))
        return;
    graph->borderOn = on ? 1 : 0;
    if (!on)
    {
        InvalidateRect(graph->window, nullptr, TRUE);
        return;
    }
    HDC dc = GetMappedDC(graph);
    SetLine(graph, dc, &graph->border, PS_INSIDEFRAME, index, WGGetRGBColor(index), width);
    DrawGraphBorder(graph, dc);
    ReleaseDC(graph->window, dc);
}

int WINAPI WGRaiseGraph(GrDesc* graph, int value)
{
    if (!CheckGraph(graph))
        return 0;
    graph->raise = static_cast<BYTE>(value);
    return value;
}

void WINAPI WGRedrawGraph(GrDesc* graph, BOOL recompute)
{
    if (!CheckGraph(graph))
        return;
    if (recompute)
        for (int n = 1; n <= graph->capacity; ++n)
            if (ObjDesc* o = ObjectAt(graph, n); o && (o->type == PK_TYPE_CURVE || o->type == PK_TYPE_GROUP))
                if (const PlotObjectType* t = FindObjectType(o->type); t && t->recompute)
                    t->recompute(graph, o);
    InvalidateRect(graph->window, nullptr, TRUE);
}

void WINAPI SetpGCO(GrDesc* graph, LPARAM value)
{
    if (graph)
        graph->context = value;
}

LPARAM WINAPI GetpGCO(GrDesc* graph)
{
    return graph ? graph->context : 0;
}
