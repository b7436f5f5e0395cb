// Dynamic grid (type 102): takes over the grid lines of one axis and draws them again on every full
// paint and, with a period, every so many seconds, so that live traces and bars never bury them.
#include "TrendkitInternal.h"

#include <algorithm>
#include <cmath>

namespace trendkit
{
namespace
{

// The record: the object head and the axis whose grid it draws.
struct DynGridDesc
{
    RtObjDesc rt;
    WORD axis; // object number of the axis
};

bool busy = false; // a timed grid drawing is running

AxisDesc* GridAxis(GrDesc* graph, const DynGridDesc* grid)
{
    ObjDesc* o = GetObjDesc(graph, grid->axis, nullptr);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<AxisDesc*>(o) : nullptr;
}

// Lines across the plot at one coordinate along the axis.
struct GridPainter
{
    HDC dc;
    RECT plot;
    bool vertical; // lines along Y (an X axis's grid)
    HPEN major, minor;
    HPEN selected = nullptr;

    void Line(int at, HPEN pen)
    {
        if (pen == nullptr)
            return;
        if (pen != selected)
        {
            SelectObject(dc, pen);
            selected = pen;
        }
        if (vertical)
        {
            MoveToEx(dc, at, plot.top, nullptr);
            LineTo(dc, at, plot.bottom);
        }
        else
        {
            MoveToEx(dc, plot.left, at, nullptr);
            LineTo(dc, plot.right, at);
        }
    }
};

int Snap(GrDesc* graph, HDC dc, int at, bool x)
{
    if (graph->metafileDc)
        return at;
    int v = at;
    if (x)
        WGExactPixel(dc, &v, nullptr);
    else
        WGExactPixel(dc, nullptr, &v);
    return v;
}

void DrawDynGrid(GrDesc* graph, HDC dc, AxisDesc* a)
{
    if (dc == nullptr || a == nullptr || (!a->majorGrid && !a->minorGrid))
        return;
    const RECT P = graph->plot;
    int px = 1, py = 1;
    GetAbsPix(graph, &px, &py);
    px = std::max(px, 1);
    py = std::max(py, 1);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HPEN major = nullptr, minor = nullptr;
    if (a->majorGrid)
    {
        const LOGPEN lp{
            static_cast<UINT>(a->majorGridLine.style), {a->majorGridLine.widthX, 0}, a->majorGridLine.color};
        major = CreatePenIndirect(&lp);
    }
    if (a->minorGrid)
    {
        const LOGPEN lp{
            static_cast<UINT>(a->minorGridLine.style), {a->minorGridLine.widthX, 0}, a->minorGridLine.color};
        minor = CreatePenIndirect(&lp);
    }
    if ((a->majorGrid && major == nullptr) || (a->minorGrid && minor == nullptr))
    {
        ErrHdlr(18, 0, nullptr);
        if (major)
            DeleteObject(major);
        if (minor)
            DeleteObject(minor);
        SetBkMode(dc, oldMode);
        return;
    }
    HGDIOBJ oldPen = SelectObject(dc, major ? major : minor);
    const bool xAxis = a->direction == 1;
    GridPainter painter{dc, P, xAxis, major, minor, major ? major : minor};

    // Where the axis lines of both directions lie (a log scale crosses at a plot edge).
    const float xRange = a->xMax - a->xMin, yRange = a->yMax - a->yMin;
    int crossX = P.left, crossY = P.bottom;
    const bool xLog = xAxis ? a->scale == 1 : a->otherScale == 1;
    const bool yLog = xAxis ? a->otherScale == 1 : a->scale == 1;
    if (xLog)
        crossX = xRange != 0 && (a->xIntercept - a->xMin) / xRange > 0.5f ? P.right : P.left;
    else if (xRange != 0)
        crossX = static_cast<int>(P.left + (a->xIntercept - a->xMin) / xRange * (P.right - P.left) + 0.5f);
    if (yLog)
        crossY = yRange != 0 && (a->yIntercept - a->yMin) / yRange > 0.5f ? P.top : P.bottom;
    else if (yRange != 0)
        crossY = static_cast<int>(P.bottom - (a->yIntercept - a->yMin) / yRange * (P.bottom - P.top) + 0.5f);
    crossX = Snap(graph, dc, crossX, true);
    crossY = Snap(graph, dc, crossY, false);
    const int axisLine = xAxis ? crossX : crossY;

    // Positions along the axis: from `low` (the plot edge of the range's start) by `scale` per unit.
    const int extent = xAxis ? P.right - P.left : P.bottom - P.top;
    const int edgeLow = xAxis ? P.left : P.bottom, edgeHigh = xAxis ? P.right : P.top;
    const int sign = xAxis ? 1 : -1;
    const int lo = std::min(edgeLow, edgeHigh), hi = std::max(edgeLow, edgeHigh);
    const int tolerance = xAxis ? px : py;
    auto inside = [&](int at) { return at >= lo - tolerance && at <= hi + tolerance; };

    if (a->scale == 1)
    {
        const float start = a->logMin, end = a->logMax;
        const int decades =
            start > 0 && end > 0 ? static_cast<int>(std::lround(std::fabs(std::log10(end / start)))) : 0;
        if (decades > 0)
        {
            const double size = static_cast<double>(extent) / decades;
            for (int n = 0; n <= decades; ++n)
            {
                const int at = Snap(graph, dc, edgeLow + sign * static_cast<int>(n * size + 0.5), xAxis);
                if (major && at != axisLine)
                    painter.Line(at, major);
                if (minor && n < decades)
                    for (int k = 2; k <= 9; ++k)
                        painter.Line(Snap(graph, dc,
                                          edgeLow + sign * static_cast<int>((n + std::log10(k)) * size + 0.5),
                                          xAxis),
                                     minor);
            }
        }
    }
    else
    {
        const float low = xAxis ? a->xMin : a->yMin, high = xAxis ? a->xMax : a->yMax;
        const float range = high - low;
        if (range != 0 && extent != 0)
        {
            const double scale = extent / static_cast<double>(range); // logical units per axis unit
            const int per = std::max<int>(a->minorTicks, 0) + 1;
            // A major step below one logical unit (or none at all) puts major lines two pixels apart.
            double majorStep = std::fabs(static_cast<double>(a->tickStep));
            if (static_cast<long long>(std::fabs(scale * majorStep)) == 0)
                majorStep = 2.0 * tolerance / std::fabs(scale);
            const double minorStep = majorStep / per;
            const float crossing = xAxis ? a->xIntercept : a->yIntercept;
            const bool crossingInside = (crossing - low) * (crossing - high) <= 0;
            const double origin = crossingInside ? crossing : a->firstTick;
            auto position = [&](double value)
            { return edgeLow + sign * static_cast<int>(std::lround((value - low) * scale)); };
            // No more lines than fit into the plot at one per logical unit, in either direction.
            const long long limit = std::min<long long>(static_cast<long long>(extent) + 2, 40000);
            for (int direction : {-1, 1})
            {
                for (long long i = direction < 0 ? 0 : 1; i <= limit; ++i)
                {
                    const bool isMajor = i % per == 0;
                    const double value = isMajor ? origin + direction * (i / per) * majorStep
                                                 : origin + direction * i * minorStep;
                    const int at = Snap(graph, dc, position(value), xAxis);
                    if (!inside(at) || std::abs(at) >= 32500)
                        break;
                    if (isMajor)
                    {
                        if (at != axisLine)
                            painter.Line(at, major ? major : nullptr);
                    }
                    else
                        painter.Line(at, minor);
                }
            }
        }
    }
    SelectObject(dc, oldPen);
    if (major)
        DeleteObject(major);
    if (minor)
        DeleteObject(minor);
    SetBkMode(dc, oldMode);
}

void DynGridPaint(GrDesc* graph, HDC dc)
{
    auto* grid = reinterpret_cast<DynGridDesc*>(graph->currentObject);
    if (grid == nullptr || grid->rt.head.type != RT_TYPE_DYN_GRID || graph->outsidePlotRepaint == 1)
        return;
    DrawDynGrid(graph, dc, GridAxis(graph, grid));
}

void DynGridUpdate(GrDesc* graph, RtObjDesc* object)
{
    if (busy)
        return;
    busy = true;
    if (HDC dc = graph->buildDc)
    {
        SetPlotClip(graph, dc);
        DrawDynGrid(graph, dc, GridAxis(graph, reinterpret_cast<DynGridDesc*>(object)));
        SetGraphClip(graph, dc);
    }
    busy = false;
}

} // namespace

void RegisterDynGridType()
{
    RtObjectType grid;
    grid.type = RT_TYPE_DYN_GRID;
    grid.size = sizeof(DynGridDesc);
    RegisterRtType(grid);
}

} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRDynGrid(GrDesc* graph, int axisNumber, int kind, int period)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    if (axisNumber < 1 || axisNumber > graph->capacity)
    {
        RTErrHdlr(54, 0, nullptr);
        return 0;
    }
    ObjDesc* o = GetObjDesc(graph, axisNumber, nullptr);
    if (o == nullptr || o->type != PK_TYPE_AXIS)
    {
        ErrHdlr(54, 0, nullptr);
        return 0;
    }
    auto* axis = reinterpret_cast<AxisDesc*>(o);
    axis->gridSuppressed = 1;
    auto* grid = reinterpret_cast<DynGridDesc*>(AllocRTObject(graph, RT_TYPE_DYN_GRID, 0));
    if (grid == nullptr)
        return 0;
    grid->axis = static_cast<WORD>(axisNumber);
    LineDesc line = graph->currentLine;
    line.window = graph->window;
    if (kind == 0 || kind == 2)
    {
        axis->majorGrid = 1;
        axis->majorGridLine = line;
    }
    if (kind == 1 || kind == 2)
    {
        axis->minorGrid = 1;
        axis->minorGridLine = line;
    }
    grid->rt.head.draw = DynGridPaint;
    grid->rt.update = DynGridUpdate;
    grid->rt.head.extent = graph->plot;
    const WORD number = CommitRTObject(graph);
    if (number == 0)
        return 0;
    ++graph->realTimeCount;
    if (graph->page)
        graph->page->hasRealTimeObjects = 1;
    if (period > 0)
        SetObjTimeUpdate(graph, number, static_cast<WORD>(std::min(period, 0xFFFF)));
    return number;
}
