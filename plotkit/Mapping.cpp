// Coordinate mapping: a graph's logical space on the screen and on the printer, points, pixels,
// logical and world units, the mouse position and the object coordinate calls.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace plotkit
{
namespace
{

constexpr int kClamp = 32000;

int Clamp(double v)
{
    if (!(v > -kClamp)) // also NaN
        return v > 0 ? kClamp : -kClamp;
    if (v > kClamp)
        return kClamp;
    return static_cast<int>(v);
}

struct Placement
{
    int x = 0, y = 0, width = 0, height = 0;
    double factorX = 1, factorY = 1;
};

// Where a print copy of the graph lands on the printer page.
Placement PrintPlacement(const GrDesc* graph, const TopDesc* top)
{
    const DevDesc& dev = Lib().dev;
    const PgDesc* page = graph->page;
    Placement p;
    const int W = dev.printerWidth, H = dev.printerHeight;
    const int pdx = std::max(1, dev.printerDpiX), pdy = std::max(1, dev.printerDpiY);
    const int mx = static_cast<int>(W * top->printLeftOffset);
    const int my = static_cast<int>(H * top->printTopOffset);
    switch (top->printStyle)
    {
    case 2:
        p.width = graph->devWidth * pdx / std::max(1, dev.screenDpiX) - 2;
        p.height = graph->devHeight * pdy / std::max(1, dev.screenDpiY) - 2;
        p.x = dev.printOriginX +
              static_cast<int>(W * top->printLeftOffset + graph->devX * pdx / std::max(1, dev.screenDpiX));
        p.y = dev.printOriginY +
              static_cast<int>(H * top->printTopOffset + graph->devY * pdy / std::max(1, dev.screenDpiY));
        const_cast<TopDesc*>(top)->lineWidthScaling = 0;
        return p;
    case 1:
    {
        const int areaW = W - mx, areaH = H - my;
        const double pageRatio = static_cast<double>(areaW / pdx) / std::max(1, areaH / pdy);
        const double ratio = static_cast<double>(page->clientWidth) / std::max(1, page->clientHeight);
        const double dpiRatio = static_cast<double>(pdx) / pdy;
        int w, h;
        if (!top->maintainAspect)
        {
            w = areaW - 2;
            h = areaH - 2;
        }
        else if (pageRatio < ratio)
        {
            w = areaW - 2;
            h = static_cast<int>(w / ratio / dpiRatio);
        }
        else
        {
            h = areaH - 2;
            w = static_cast<int>(dpiRatio * ratio * h);
        }
        const int ox = dev.printOriginX + mx + (areaW - w) / 2;
        const int oy = dev.printOriginY + my + (areaH - h) / 2;
        const int cw = std::max(1, page->clientWidth), ch = std::max(1, page->clientHeight);
        p.width = w * graph->devWidth / cw;
        p.height = h * graph->devHeight / ch;
        p.x = ox + graph->devX * w / cw;
        p.y = oy + graph->devY * h / ch;
        p.factorX = static_cast<double>(w) / std::max(1, W);
        p.factorY = static_cast<double>(h) / std::max(1, H);
        const_cast<TopDesc*>(top)->lineWidthScaling = 0;
        return p;
    }
    default:
    {
        const double pageRatio = static_cast<double>(W / pdx) / std::max(1, H / pdy);
        const double ratio = static_cast<double>(graph->devWidth) / std::max(1, graph->devHeight);
        const double dpiRatio = static_cast<double>(pdx) / pdy;
        if (!top->maintainAspect)
        {
            p.width = W - 2;
            p.height = H - 3;
        }
        else if (pageRatio < ratio)
        {
            p.width = W - 2;
            p.height = static_cast<int>(p.width / ratio / dpiRatio);
            p.factorY = static_cast<double>(p.height) / std::max(1, H);
        }
        else
        {
            p.height = H - 3;
            p.width = static_cast<int>(dpiRatio * ratio * p.height);
            p.factorX = static_cast<double>(p.width) / std::max(1, W);
        }
        p.x = dev.printOriginX;
        p.y = dev.printOriginY;
        const_cast<TopDesc*>(top)->lineWidthScaling = 1;
        return p;
    }
    }
}

const AxisDesc* Axis(const GrDesc* graph, int number)
{
    ObjDesc* o = ObjectAt(graph, number);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<const AxisDesc*>(o) : nullptr;
}

double Ratio(double v, double from, double to, bool log, double logFrom, double logTo)
{
    if (log)
        return (v > 0 && logFrom > 0 && logTo > 0 && logTo != logFrom)
                   ? std::log10(v / logFrom) / std::log10(logTo / logFrom)
                   : -1e9; // not shown: clamped below
    return to != from ? (v - from) / (to - from) : 0;
}

bool IsWorldPositional(int type)
{
    return type == PK_TYPE_LINE || type == PK_TYPE_ARROW || type == PK_TYPE_METAFILE ||
           type == PK_TYPE_ELLIPSE || type == PK_TYPE_BITMAP || type == PK_TYPE_RECT;
}

void MouseToLogical(GrDesc* graph, POINT* p)
{
    HDC dc = GetMappedDC(graph);
    p->x = Lib().dev.mouseX;
    p->y = Lib().dev.mouseY;
    DPtoLP(dc, p, 1);
    ReleaseDC(graph->window, dc);
}

} // namespace

void WorldToLog(GrDesc* graph, int xAxis, int yAxis, double x, double y, int* lx, int* ly)
{
    const RECT& r = graph->plot;
    if (const AxisDesc* a = xAxis ? Axis(graph, xAxis) : nullptr; a && lx)
        *lx = Clamp(r.left +
                    Ratio(x, a->xMin, a->xMax, a->scale == 1, a->logMin, a->logMax) * (r.right - r.left));
    if (const AxisDesc* a = yAxis ? Axis(graph, yAxis) : nullptr; a && ly)
        *ly = Clamp(r.bottom -
                    Ratio(y, a->yMin, a->yMax, a->scale == 1, a->logMin, a->logMax) * (r.bottom - r.top));
}

void LogToWorld(GrDesc* graph, int xAxis, int yAxis, int lx, int ly, float* x, float* y)
{
    const RECT& r = graph->plot;
    auto toWorld = [](const AxisDesc* a, double from, double to, double t)
    {
        if (a->scale == 1 && a->logMin > 0 && a->logMax > 0)
            return std::pow(10.0, std::log10(a->logMin) +
                                      std::log10(static_cast<double>(a->logMax) / a->logMin) * t);
        return from + (to - from) * t;
    };
    if (const AxisDesc* a = xAxis ? Axis(graph, xAxis) : nullptr; a && x && r.right != r.left)
        *x = static_cast<float>(
            toWorld(a, a->xMin, a->xMax, static_cast<double>(lx - r.left) / (r.right - r.left)));
    if (const AxisDesc* a = yAxis ? Axis(graph, yAxis) : nullptr; a && y && r.bottom != r.top)
        *y = static_cast<float>(
            toWorld(a, a->yMin, a->yMax, static_cast<double>(r.bottom - ly) / (r.bottom - r.top)));
}

RECT Ordered(RECT r)
{
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    return r;
}

} // namespace plotkit

using namespace plotkit;

void WINAPI MapGraph(GrDesc* graph, HDC dc)
{
    if (graph == nullptr || dc == nullptr)
        return;
    int width = graph->devWidth, height = graph->devHeight;
    TopDesc* top = graph->page ? graph->page->top : nullptr;
    Placement placement;
    if (graph->printCopy && top)
    {
        placement = PrintPlacement(graph, top);
        SetViewportOrgEx(dc, placement.x, placement.y, nullptr);
        width = placement.width;
        height = placement.height;
    }
    SetMapMode(dc, graph->page ? graph->page->mapMode : MM_ANISOTROPIC);
    SetWindowExtEx(dc, graph->logWidth, graph->logHeight, nullptr);
    SetViewportExtEx(dc, width, height, nullptr);
    // A print copy fitted to the paper shrinks its text with the placement.
    if (graph->printCopy && top && !top->maintainAspect && top->printStyle != 2)
    {
        const double factor = std::min(placement.factorX, placement.factorY);
        for (int n = 1; n <= graph->capacity; ++n)
            if (ObjDesc* o = ObjectAt(graph, n); o && o->type < 100)
                if (FontDesc* font = FontBlock(o))
                {
                    font->logFont.lfHeight = static_cast<LONG>(font->logFont.lfHeight * factor);
                    if (o->type == PK_TYPE_TEXT)
                        reinterpret_cast<TextDesc*>(o)->reposition = 1;
                }
    }
}

void WINAPI RestoreSize(GrDesc* graph)
{
    TopDesc* top = graph && graph->page ? graph->page->top : nullptr;
    if (!CheckGraph(graph) || top == nullptr || top->maintainAspect || top->printStyle == 2)
        return;
    // Text heights back to the screen's size of their points.
    HDC dc = GetMappedDC(graph);
    for (int n = 1; n <= graph->capacity; ++n)
        if (ObjDesc* o = ObjectAt(graph, n); o && o->type < 100)
            if (FontDesc* font = FontBlock(o))
            {
                font->logFont.lfHeight = -PointsToLogSize(graph, dc, font->currentSize);
                if (o->type == PK_TYPE_TEXT)
                    reinterpret_cast<TextDesc*>(o)->reposition = 1;
            }
    ReleaseDC(graph->window, dc);
}

int WINAPI PointsToLogSize(GrDesc* graph, HDC dc, int points)
{
    const DevDesc& dev = Lib().dev;
    int pixels = points * dev.screenDpiY / 72;
    TopDesc* top = graph && graph->page ? graph->page->top : nullptr;
    if (graph && graph->printCopy && top && top->printStyle == 0)
    {
        SIZE viewport{};
        GetViewportExtEx(dc, &viewport);
        if (viewport.cx == dev.printerWidth && graph->devWidth)
            pixels = (dev.screenWidth - 10) * pixels / graph->devWidth;
        else if (graph->devHeight)
            pixels = (dev.screenHeight - 10) * pixels / graph->devHeight;
    }
    return LogicalY(dc, pixels);
}

void WINAPI GetAbsPix(GrDesc* graph, int* x, int* y)
{
    if (graph == nullptr)
        return;
    const DevDesc& dev = Lib().dev;
    int ux = graph->unitsPerPixelX, uy = graph->unitsPerPixelY;
    if (graph->printCopy && dev.printerWidth > 0 && dev.printerHeight > 0)
    {
        ux = static_cast<int>(static_cast<double>(graph->logWidth) / dev.printerWidth + 0.5);
        uy = static_cast<int>(static_cast<double>(graph->logHeight) / dev.printerHeight + 0.5);
    }
    if (x)
        *x = ux;
    if (y)
        *y = uy;
}

void WINAPI WGExactPixel(HDC dc, int* x, int* y)
{
    POINT p[2] = {{0, 0}, {x ? *x : 0, y ? *y : 0}};
    LPtoDP(dc, p, 2);
    DPtoLP(dc, p, 2);
    if (x)
        *x = p[1].x - p[0].x;
    if (y)
        *y = p[1].y - p[0].y;
}

int WINAPI OddPixel(HDC dc, int* length, int* half, int direction)
{
    if (length == nullptr)
        return 0;
    POINT p[2] = {{0, 0}, {direction == 1 ? *length : 0, direction == 1 ? 0 : *length}};
    LPtoDP(dc, p, 2);
    int device = std::abs(direction == 1 ? p[1].x - p[0].x : p[1].y - p[0].y);
    if (device % 2 == 0)
        ++device;
    *length = direction == 1 ? LogicalX(dc, device) : LogicalY(dc, device);
    if (half)
        *half = direction == 1 ? LogicalX(dc, device / 2) : LogicalY(dc, device / 2);
    return device;
}

int WINAPI WGGetMousePos(GrDesc* graph, int xAxis, int yAxis, float* x, float* y)
{
    if (!WGIsGraphDescValid(graph))
    {
        ErrHdlr(65, 0, nullptr);
        return 0;
    }
    if (xAxis > graph->capacity)
    {
        ErrHdlr(56, 0, nullptr);
        return 0;
    }
    POINT p{};
    MouseToLogical(graph, &p);
    LogToWorld(graph, xAxis, yAxis, p.x, p.y, x, y);
    return yAxis ? 1 : (xAxis ? 1 : 0);
}

void WINAPI WGGetMousePosNorm(GrDesc* graph, float* x, float* y)
{
    if (!CheckGraph(graph))
        return;
    POINT p{};
    MouseToLogical(graph, &p);
    if (x && graph->logWidth)
        *x = static_cast<float>(p.x) / graph->logWidth;
    if (y && graph->logHeight)
        *y = static_cast<float>(p.y) / graph->logHeight;
}

void WINAPI WGShowMouseCoord(HWND window, int mode, BOOL toggle)
{
    static bool on = false;
    static char saved[81];
    GrDesc* graph = WGGetGraphDesc(window);
    PgDesc* page = graph ? graph->page : WGGetPageDesc(window);
    if (page == nullptr)
        return;
    HWND titled = (GetWindowLong(page->window, GWL_STYLE) & WS_CHILD) && GetParent(page->window)
                      ? GetParent(page->window)
                      : page->window;
    if (toggle)
    {
        if (!on)
        {
            GetWindowText(titled, saved, sizeof(saved));
            SetCapture(window);
            on = true;
        }
        else
        {
            ReleaseCapture();
            SetWindowText(titled, saved);
            on = false;
        }
        return;
    }
    if (!on)
        return;
    const DevDesc& dev = Lib().dev;
    char text[128];
    if (graph == nullptr || mode == 3)
        std::snprintf(text, sizeof(text), "Device = (%d,%d)", dev.mouseX, dev.mouseY);
    else if (mode == 0)
    {
        POINT p{};
        MouseToLogical(graph, &p);
        std::snprintf(text, sizeof(text), "Device = (%d,%d), Logical = (%d,%d)", dev.mouseX, dev.mouseY,
                      static_cast<int>(p.x), static_cast<int>(p.y));
    }
    else
    {
        float x = 0, y = 0;
        if (mode == 1)
            WGGetMousePos(graph, graph->defaultXAxis, graph->defaultYAxis, &x, &y);
        else
            WGGetMousePosNorm(graph, &x, &y);
        std::snprintf(text, sizeof(text), "%.4g %.4g", x, y);
    }
    SetWindowText(titled, text);
}

int WINAPI WGGetObjectCoord(GrDesc* graph, int number, float* x1, float* y1, float* x2, float* y2)
{
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr)
        return 0;
    auto* pos = reinterpret_cast<PosObjDesc*>(o);
    if (IsWorldPositional(o->type))
    {
        if (!graph->defaultXAxis)
            return 0;
        const RECT& e = o->extent;
        LogToWorld(graph, graph->defaultXAxis, graph->defaultYAxis, e.left, e.top, x1, y1);
        LogToWorld(graph, graph->defaultXAxis, graph->defaultYAxis, e.right, e.bottom, x2, y2);
        return 1;
    }
    if (o->type == PK_TYPE_DATACURSOR)
    {
        if (x1)
            *x1 = pos->x1;
        if (y1)
            *y1 = pos->y1;
        return 0;
    }
    ReportIllFunc(o);
    return 0;
}

int WINAPI WGGetObjectCoordNorm(GrDesc* graph, int number, float* x1, float* y1, float* x2, float* y2)
{
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr || graph->logWidth == 0 || graph->logHeight == 0)
        return 0;
    const RECT& e = o->extent;
    if (x1)
        *x1 = static_cast<float>(e.left) / graph->logWidth;
    if (y1)
        *y1 = static_cast<float>(e.top) / graph->logHeight;
    if (x2)
        *x2 = static_cast<float>(e.right) / graph->logWidth;
    if (y2)
        *y2 = static_cast<float>(e.bottom) / graph->logHeight;
    return 1;
}

namespace
{

// Lines and arrows keep their corners unordered for the segment test and grow their extent by their
// pen (and an arrow by half its head).
void SetPositionalExtent(GrDesc* graph, ObjDesc* o, RECT r)
{
    o->extent = r;
    if (o->type != PK_TYPE_LINE && o->type != PK_TYPE_ARROW)
    {
        o->extent = Ordered(r);
        return;
    }
    RECT grown = Ordered(r);
    const int gx = o->line.pixelWidth > 0 ? o->line.pixelWidth * graph->unitsPerPixelX : 0;
    const int gy = o->line.pixelWidth > 0 ? o->line.pixelWidth * graph->unitsPerPixelY : 0;
    grown.left -= gx;
    grown.right += gx;
    grown.top -= gy;
    grown.bottom += gy;
    o->extent = grown;
}

} // namespace

int WINAPI WGChangeObjectCoord(GrDesc* graph, int number, float x1, float y1, float x2, float y2, BOOL redraw)
{
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr)
        return 0;
    if (!IsWorldPositional(o->type) && o->type != PK_TYPE_DATACURSOR)
    {
        ReportIllFunc(o);
        return 0;
    }
    if (redraw)
        InvalidateObject(graph, o);
    auto* pos = reinterpret_cast<PosObjDesc*>(o);
    pos->x1 = x1;
    pos->y1 = y1;
    pos->x2 = x2;
    pos->y2 = y2;
    int l = 0, t = 0, r = 0, b = 0;
    WorldToLog(graph, o->xAxis, o->yAxis, x1, y1, &l, &t);
    WorldToLog(graph, o->xAxis, o->yAxis, x2, y2, &r, &b);
    SetPositionalExtent(graph, o, RECT{l, t, r, b});
    if (redraw)
        WGRedrawObject(graph, number, FALSE);
    return 1;
}

int WINAPI WGChangeObjectCoordNorm(GrDesc* graph, int number, float x1, float y1, float x2, float y2)
{
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr)
        return 0;
    const int t = o->type;
    if (!(t == 3 || t == 4 || t == 5 || (t >= 21 && t <= 23) || t == 25 || t == 107 || t == 108 || t == 110))
    {
        ReportIllFunc(o);
        return 0;
    }
    SetPositionalExtent(
        graph, o,
        RECT{static_cast<LONG>(x1 * graph->logWidth), static_cast<LONG>(y1 * graph->logHeight),
             static_cast<LONG>(x2 * graph->logWidth), static_cast<LONG>(y2 * graph->logHeight)});
    return 1;
}
