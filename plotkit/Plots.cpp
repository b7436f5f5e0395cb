// Plot area, scaling and curve plots: the rectangle inside a graph where data are drawn and its
// backgrounds, the world scaling, scale types and intercepts that new axes copy, the graph's current
// line, and the creators of line, scatter, line-and-marker and bar curves.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cmath>

namespace plotkit
{
namespace
{

int Truncated(double v)
{
    return static_cast<int>(v);
}

// The paint of the plot area: the graph background around it, then the plot background.
void PaintBackgrounds(GrDesc* graph, HDC dc)
{
    TopDesc* top = graph->page->top;
    const bool printing = graph->printCopy != nullptr;
    const bool printGraph = top && top->printGraphBackground;
    const bool printPlot = top && top->printPlotBackground;
    const RECT whole{0, 0, graph->logWidth, graph->logHeight};
    ClipToGraph(graph, dc);
    if (!printing || printGraph)
    {
        HBRUSH brush = CreateSolidBrush(graph->background);
        if (!printing)
        {
            if (graph->backgroundOn)
            {
                // Around the plot only: the plot paints its own background below.
                if (graph->plot.right != graph->plot.left && graph->plot.bottom != graph->plot.top)
                {
                    const RECT p = Ordered(graph->plot);
                    ExcludeClipRect(dc, p.left, p.top, p.right, p.bottom);
                }
                FillRect(dc, &whole, brush);
                ClipToGraph(graph, dc);
            }
            if (graph->raise)
                RaisedRect(graph, dc, &whole, graph->background, 1);
        }
        else if (graph->raise)
            RaisedRect(graph, dc, &whole, graph->background, 1);
        else
            FillRect(dc, &whole, brush);
        DeleteObject(brush);
    }
    if (graph->plot.right == graph->plot.left || graph->plot.bottom == graph->plot.top)
        return;
    if (printing && !printGraph && !printPlot)
        return;
    const COLORREF color = printing && printGraph && !printPlot ? RGB(255, 255, 255) : graph->plotBackground;
    // Without a pen the rectangle stops a pixel short: one device pixel more each way.
    int px = 1, py = 1;
    GetAbsPix(graph, &px, &py);
    px = std::max(1, px);
    py = std::max(1, py);
    WGExactPixel(dc, &px, &py);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    HBRUSH brush = CreateSolidBrush(color);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    const RECT p = Ordered(graph->plot);
    Rectangle(dc, p.left, p.top, p.right + px, p.bottom + py);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
}

// A new curve of the graph being built with the defaults every plot kind shares.
CurveDesc* NewCurve(GrDesc* graph, int subKind)
{
    auto* c = reinterpret_cast<CurveDesc*>(NewObjDesc(graph, PK_TYPE_CURVE, subKind));
    if (c == nullptr)
        return nullptr;
    c->xMin = graph->worldXFrom;
    c->xMax = graph->worldXTo;
    c->yMin = graph->worldYFrom;
    c->yMax = graph->worldYTo;
    c->dataWidth = 9;
    c->dataPrecision = 6;
    c->barPosition = 3;
    c->hatch = 255;
    c->markerType = 5;
    c->markerWidth = c->markerHeight = 6;
    c->markerColor = c->head.line.paletteIndex >= 0 ? c->head.line.paletteIndex : 0;
    return c;
}

int Bounded(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

bool RecordsMetafile(const GrDesc* graph)
{
    return graph && graph->metafileDc;
}

void ClipToGraph(GrDesc* graph, HDC dc)
{
    TopDesc* top = graph->page ? graph->page->top : nullptr;
    SelectClipRgn(dc, top ? top->clipRegion : nullptr);
    IntersectClipRect(dc, 0, 0, graph->logWidth, graph->logHeight);
}

void ClipToPlot(GrDesc* graph, HDC dc)
{
    TopDesc* top = graph->page ? graph->page->top : nullptr;
    int px = 1, py = 1;
    GetAbsPix(graph, &px, &py);
    const RECT p = Ordered(graph->plot);
    SelectClipRgn(dc, top ? top->clipRegion : nullptr);
    IntersectClipRect(dc, p.left, p.top, p.right + std::max(1, px), p.bottom + std::max(1, py));
}

} // namespace plotkit

using namespace plotkit;

int WINAPI WGSetPlotArea(GrDesc* graph, HDC dc, float left, float top, float right, float bottom, int background)
{
    if (!CheckGraph(graph) || dc == nullptr)
        return 0;
    if (!graph->building)
    {
        PaintBackgrounds(graph, dc);
        return 1;
    }
    // Fractions outside the graph would put the plot where nothing can be seen or clipped.
    auto fraction = [](float v) { return std::isfinite(v) ? std::fmin(1.0f, std::fmax(0.0f, v)) : 0.0f; };
    graph->plotNorm[0] = fraction(left);
    graph->plotNorm[1] = fraction(top);
    graph->plotNorm[2] = fraction(right);
    graph->plotNorm[3] = fraction(bottom);
    if (background >= 0 && background < 20)
        graph->plotBackground = WGGetRGBColor(background);
    graph->border.style = PS_INSIDEFRAME;
    if (!graph->borderOn)
        graph->border.paletteIndex = 0;
    const float* n = graph->plotNorm;
    graph->plot = RECT{Truncated(graph->devWidth * n[0] + 0.5), Truncated(graph->devHeight * n[1] + 0.5),
                       Truncated(graph->devWidth * n[2] + 0.5), Truncated(graph->devHeight * n[3] + 0.5)};
    if (!RecordsMetafile(graph))
    {
        graph->plot = RECT{Truncated(graph->logWidth * n[0] + 0.5), Truncated(graph->logHeight * n[1] + 0.5),
                           Truncated(graph->logWidth * n[2] + 0.5), Truncated(graph->logHeight * n[3] + 0.5)};
        MapGraph(graph, dc);
        int px = 1, py = 1;
        GetAbsPix(graph, &px, &py);
        graph->border.widthX = px * graph->border.pixelWidth;
        graph->border.widthY = py * graph->border.pixelWidth;
    }
    return 1;
}

void WINAPI WGSetAxesScale(GrDesc* graph, SHORT xScale, SHORT yScale)
{
    if (!CheckGraph(graph))
        return;
    graph->scaleX = xScale ? 1 : 0;
    graph->scaleY = yScale ? 1 : 0;
}

int WINAPI WGScalePlotArea(GrDesc* graph, float xMin, float yMin, float xMax, float yMax)
{
    if (!CheckGraph(graph))
        return 0;
    const bool finite = std::isfinite(xMin) && std::isfinite(xMax) && std::isfinite(yMin) && std::isfinite(yMax);
    if (!finite || xMin == xMax || yMin == yMax)
    {
        ErrHdlr(68, 0, nullptr);
        return 0;
    }
    graph->worldXFrom = xMin;
    graph->worldXTo = xMax;
    graph->worldYFrom = yMin;
    graph->worldYTo = yMax;
    graph->lastXFrom = xMin;
    graph->lastXTo = xMax;
    graph->lastYFrom = yMin;
    graph->lastYTo = yMax;
    ScaleLog(&graph->lastXFrom, &graph->lastXTo);
    ScaleLog(&graph->lastYFrom, &graph->lastYTo);
    return 1;
}

void WINAPI WGSetXYIntercepts(GrDesc* graph, float x, float y)
{
    if (!CheckGraph(graph))
        return;
    graph->xIntercept = x;
    graph->yIntercept = y;
}

void WINAPI WGSetLineStyle(GrDesc* graph, HDC dc, int style, int width, COLORREF color)
{
    if (!CheckGraph(graph))
        return;
    SetLine(graph, dc, &graph->currentLine, style, color < 20 ? static_cast<int>(color) : -2, color, width);
}

void WINAPI WGSetDataFormat(GrDesc* graph, int number, int width, int precision)
{
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr || o->type != PK_TYPE_CURVE)
        return;
    auto* c = reinterpret_cast<CurveDesc*>(o);
    c->dataWidth = static_cast<SHORT>(Bounded(width, 1, 99));
    c->dataPrecision = static_cast<SHORT>(Bounded(precision, 0, 99));
}

int WINAPI WGLinePlot(GrDesc* graph, HDC dc, int dataSet, BOOL fill, BOOL spline)
{
    if (!CheckGraph(graph))
        return 0;
    CurveDesc* c = NewCurve(graph, 3);
    if (c == nullptr)
        return 0;
    c->markerStyle = 0;
    c->fillArea = fill ? 1 : 0;
    c->spline = spline ? 1 : 0;
    return BuildCurve(graph, dc, dataSet);
}

int WINAPI WGScatterPlot(GrDesc* graph, HDC dc, int dataSet, int markerType, int color, int markerSize,
                         int markerStyle, BOOL dropLines)
{
    if (!CheckGraph(graph))
        return 0;
    CurveDesc* c = NewCurve(graph, 5);
    if (c == nullptr)
        return 0;
    const int index = Bounded(color, 0, 19);
    SetLine(graph, dc, &c->head.line, PS_SOLID, index, WGGetRGBColor(index), 1);
    c->markerColor = static_cast<SHORT>(index);
    c->markerType = static_cast<SHORT>(Bounded(markerType, 0, 11));
    c->markerWidth = c->markerHeight = static_cast<SHORT>(Bounded(markerSize, 0, 200));
    c->markerStyle = markerStyle;
    c->dropLine = dropLines ? 1 : 0;
    return BuildCurve(graph, dc, dataSet);
}

int WINAPI WGLineMarkerPlot(GrDesc* graph, HDC dc, int dataSet, int markerType, int markerColor, int markerSize,
                            int markerStyle)
{
    if (!CheckGraph(graph))
        return 0;
    CurveDesc* c = NewCurve(graph, 4);
    if (c == nullptr)
        return 0;
    c->markerColor = static_cast<SHORT>(Bounded(markerColor, 0, 19));
    c->markerType = static_cast<SHORT>(Bounded(markerType, 0, 11));
    c->markerWidth = c->markerHeight = static_cast<SHORT>(Bounded(markerSize, 0, 200));
    c->markerStyle = markerStyle;
    return BuildCurve(graph, dc, dataSet);
}

int WINAPI WGBargraph(GrDesc* graph, HDC dc, int dataSet, float barWidth, int position, int subKind,
                      COLORREF color, int hatch, int border)
{
    if (!CheckGraph(graph))
        return 0;
    if (subKind < 6 || subKind > 9)
    {
        ErrHdlr(30, 2, "WGBargraph");
        return 0;
    }
    CurveDesc* c = NewCurve(graph, subKind);
    if (c == nullptr)
        return 0;
    if (border < 0)
    {
        c->markerStyle = 0;
        c->head.line.paletteIndex = static_cast<SHORT>(WGGetPureColor(color));
        c->head.line.color = WGGetRGBColor(c->head.line.paletteIndex);
    }
    else
    {
        c->markerStyle = 2;
        SetLine(graph, dc, &c->head.line, PS_SOLID, Bounded(border, 0, 19), 0, 0);
    }
    c->markerColor = static_cast<SHORT>(WGGetPureColor(color));
    c->barColor = color;
    c->hatch = hatch >= 0 && hatch <= 5 ? static_cast<BYTE>(hatch) : 255;
    c->barPosition = static_cast<BYTE>(position);
    const bool vertical = subKind == 6 || subKind == 8;
    const float span = vertical ? c->xMax - c->xMin : c->yMax - c->yMin;
    c->barWidth = span != 0 ? std::fabs(barWidth / span) : 0;
    return BuildCurve(graph, dc, dataSet);
}
