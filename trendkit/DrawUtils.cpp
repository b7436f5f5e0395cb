// Drawing utilities shared by the real-time types: values to pixels, clipping to the plot area and
// back, invalidation, pens, the fixed colour tests and the bargraph builder's label codes.
#include "TrendkitInternal.h"

#include <algorithm>
#include <cmath>

namespace trendkit
{
namespace
{

constexpr double kPixelLow = -20000.0;
constexpr double kPixelHigh = 32000.0;

// Keeps GDI coordinates valid for wild values (and NaN) before the conversion to int.
int Clamped(double pixel)
{
    if (!(pixel >= kPixelLow))
        return static_cast<int>(kPixelLow);
    if (pixel > kPixelHigh)
        return static_cast<int>(kPixelHigh);
    return static_cast<int>(pixel);
}

const AxisDesc* Axis(GrDesc* graph, int number)
{
    ObjDesc* o = number ? GetObjDesc(graph, number, nullptr) : nullptr;
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<const AxisDesc*>(o) : nullptr;
}

// A log axis keeps its range as changed since in its log bounds; the axis's own bounds serve an
// axis that never had them.
struct LogRange
{
    float low, high;
};
LogRange LogRangeOf(const AxisDesc* axis, float low, float high)
{
    if (axis != nullptr && axis->logMin > 0 && axis->logMax > 0)
        return {axis->logMin, axis->logMax};
    return {low, high};
}

} // namespace

bool IsCopying(GrDesc* graph)
{
    return graph->metafileDc != nullptr || graph->printCopy != nullptr;
}

HDC DrawingDC(GrDesc* graph)
{
    if (graph->metafileDc)
        return graph->metafileDc;
    if (graph->printCopy)
        return graph->printCopy;
    return graph->buildDc;
}

void MapValuesToPixels(GrDesc* graph, RtRangedDesc* object, const float* values, int* pixels, int n)
{
    const RECT& plot = graph->plot;
    if (object->direction != 1)
    {
        const AxisDesc* axis = Axis(graph, object->rt.head.xAxis);
        const LogRange range = LogRangeOf(axis, axis ? axis->xMin : 0, axis ? axis->xMax : 0);
        const bool log = axis && axis->scale == 1 && range.low > 0 && range.high > 0;
        const double decades = log ? std::log10(static_cast<double>(range.high) / range.low) : 0.0;
        const double width = plot.right - plot.left;
        for (int i = 0; i < n; ++i)
        {
            const double v = values[i];
            double p = plot.left;
            if (log)
            {
                if (v <= 0)
                    p = plot.left - 2.0 * graph->unitsPerPixelX;
                else if (decades != 0)
                    p = std::trunc(std::log10(v / range.low) / decades * width + plot.left);
            }
            else if (object->xSpan != 0)
                p = std::trunc((v - object->xLow) * (width / object->xSpan)) + plot.left;
            pixels[i] = Clamped(p);
        }
        return;
    }
    const AxisDesc* axis = Axis(graph, object->rt.head.yAxis);
    const LogRange range = LogRangeOf(axis, axis ? axis->yMin : 0, axis ? axis->yMax : 0);
    const bool log = axis && axis->scale == 1 && range.low > 0 && range.high > 0;
    const double decades = log ? std::log10(static_cast<double>(range.high) / range.low) : 0.0;
    const double height = plot.bottom - plot.top;
    for (int i = 0; i < n; ++i)
    {
        const double v = values[i];
        double p = plot.bottom;
        if (log)
        {
            if (v <= 0)
                p = plot.bottom + 2.0 * graph->unitsPerPixelY;
            else if (decades != 0)
                p = std::trunc(plot.bottom - std::log10(v / range.low) / decades * height);
        }
        else if (object->ySpan != 0)
            p = plot.bottom - std::trunc((v - object->yLow) * (height / object->ySpan));
        pixels[i] = Clamped(p);
    }
}

void SetPlotClip(GrDesc* graph, HDC dc)
{
    RECT plot = graph->plot;
    if (!IsCopying(graph))
    {
        RECT box{};
        GetClipBox(dc, &box);
        if (box.left >= plot.left && box.top >= plot.top && box.right <= plot.right &&
            box.bottom <= plot.bottom)
            return;
        plot.left += graph->unitsPerPixelX;
    }
    TopDesc* top = Lib().top;
    if (top && top->clipRegion)
        SelectClipRgn(dc, top->clipRegion);
    IntersectClipRect(dc, plot.left, plot.top, plot.right, plot.bottom);
}

void SetGraphClip(GrDesc* graph, HDC dc)
{
    if (!IsCopying(graph))
    {
        RECT box{};
        GetClipBox(dc, &box);
        if (box.right - box.left < graph->logWidth)
            SelectClipRgn(dc, nullptr);
        return;
    }
    TopDesc* top = Lib().top;
    if (top && top->clipRegion)
        SelectClipRgn(dc, top->clipRegion);
    IntersectClipRect(dc, 0, 0, graph->logWidth, graph->logHeight);
}

void InvalidateGraphRect(GrDesc* graph, const RECT* rect)
{
    graph->layoutChanged = 0;
    InvalidateRect(graph->window, rect, FALSE);
}

void GrowRect(RECT* r, int dx, int dy)
{
    r->left -= dx;
    r->right += dx;
    r->top -= dy;
    r->bottom += dy;
}

bool PointInRect(const RECT& r, POINT p)
{
    const RECT o = {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                    std::max(r.top, r.bottom)};
    return p.x >= o.left && p.x < o.right && p.y >= o.top && p.y < o.bottom;
}

bool RectsMeet(const RECT& a, const RECT& b)
{
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

RECT UnitedRect(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

void CopyGraphRanges(GrDesc* graph, RtRangedDesc* object)
{
    object->xLow = graph->worldXFrom;
    object->xHigh = graph->worldXTo;
    object->yLow = graph->worldYFrom;
    object->yHigh = graph->worldYTo;
    object->xSpan = object->xHigh - object->xLow;
    object->ySpan = object->yHigh - object->yLow;
}

HPEN CreateSelectPen(HDC dc, const LOGPEN* pen)
{
    HPEN created = pen ? CreatePenIndirect(pen) : nullptr;
    if (created == nullptr)
    {
        RTErrHdlr(18, 0, nullptr);
        return nullptr;
    }
    if (HGDIOBJ old = SelectObject(dc, created))
        DeleteObject(old);
    return created;
}

bool IsStockColour(COLORREF colour)
{
    return colour == RGB(0xC0, 0xC0, 0xC0) || colour == RGB(0x80, 0x80, 0x80) ||
           colour == RGB(0xFF, 0xFF, 0xFF);
}

int BarLabelCode(int code)
{
    switch (code)
    {
    case 0:
        return 15;
    case 1:
    case 2:
        return 14;
    case 3:
        return 4;
    case 4:
        return 7;
    case 5:
        return 1;
    case 9:
        return 6;
    case 10:
    case 11:
        return 5;
    default:
        return 0;
    }
}

} // namespace trendkit
