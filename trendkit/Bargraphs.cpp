// The bar displays. The dynamic bargraph shows each value of a data set as a bar from a base value to
// the value's level; a new sample invalidates only the strip of each bar between its old and new
// level, so the repaint touches what changed and nothing else. The scroll bargraph is a scroll graph
// that draws one bar per sample: it draws each new bar directly and, at the jump, invalidates the bars
// whose level changed.
#include "Bargraphs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trendkit
{
namespace
{

constexpr double kMaxPoints = 32701;

const AxisDesc* AxisOf(GrDesc* graph, int number)
{
    ObjDesc* o = number ? GetObjDesc(graph, number, nullptr) : nullptr;
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<const AxisDesc*>(o) : nullptr;
}

// Whether the value axis is logarithmic (as the value mapping treats it); `ascending` its sense.
bool LogValueAxis(GrDesc* graph, const RtRangedDesc* r, bool* ascending)
{
    const AxisDesc* axis = AxisOf(graph, r->direction == 1 ? r->rt.head.yAxis : r->rt.head.xAxis);
    if (axis == nullptr || axis->scale != 1)
        return false;
    const float low = r->direction == 1 ? axis->yMin : axis->xMin;
    const float high = r->direction == 1 ? axis->yMax : axis->xMax;
    if (!(low > 0 && high > 0))
        return false;
    *ascending = high > low;
    return true;
}

bool Snaps(GrDesc* graph, HDC dc)
{
    return dc != nullptr && dc != graph->metafileDc;
}

int CategoryExtent(GrDesc* graph, int direction)
{
    return direction == 1 ? graph->plot.right - graph->plot.left : graph->plot.bottom - graph->plot.top;
}

// The bar width and the coordinate bars grow from. `scroll`: the scroll bargraph, whose bars grow
// from 0 when the value range holds it and from the plot's low edge otherwise.
void ComputeBarGeometry(GrDesc* graph, RtRangedDesc* r, BarGeometry* g, float baseValue, bool scroll,
                        const INT* edges, int count, HDC dc)
{
    const RECT& plot = graph->plot;
    const bool along = r->direction == 1;
    g->barWidth = static_cast<int>(std::trunc(CategoryExtent(graph, r->direction) * g->widthFraction));
    if (!scroll && count > 1)
    {
        const int room = std::abs(edges[1] - edges[0]);
        if (std::abs(g->barWidth) > room)
            g->barWidth = g->barWidth < 0 ? -room : room;
    }
    bool ascending = true;
    if (LogValueAxis(graph, r, &ascending))
        g->base = along ? (ascending ? plot.bottom : plot.top) : (ascending ? plot.left : plot.right);
    else
    {
        const float low = along ? std::min(r->yLow, r->yHigh) : std::min(r->xLow, r->xHigh);
        const float high = along ? std::max(r->yLow, r->yHigh) : std::max(r->xLow, r->xHigh);
        float base = std::clamp(baseValue, low, high);
        bool mapped = true;
        if (scroll)
        {
            mapped = low <= 0 && 0 <= high;
            base = 0;
        }
        if (mapped)
            MapValuesToPixels(graph, r, &base, &g->base, 1);
        else
            g->base = along ? plot.bottom : plot.left;
    }
    if (Snaps(graph, dc))
    {
        int width = std::abs(g->barWidth);
        if (along)
        {
            WGExactPixel(dc, &width, nullptr);
            WGExactPixel(dc, nullptr, &g->base);
        }
        else
        {
            WGExactPixel(dc, nullptr, &width);
            WGExactPixel(dc, &g->base, nullptr);
        }
        g->barWidth = g->barWidth < 0 ? -width : width;
    }
    g->dirty = 0;
}

// The span of a bar across the category (or time) axis from its leading edge: [low, high).
void BarSpan(GrDesc* graph, int direction, int edge, int width, HDC dc, int* low, int* high)
{
    if (direction == 1)
    {
        const int px = graph->unitsPerPixelX;
        if (width > 0)
        {
            int a = edge + px / 2;
            if (Snaps(graph, dc))
                WGExactPixel(dc, &a, nullptr);
            *low = a;
            *high = a + width;
        }
        else
        {
            const int b = edge + px;
            *low = b + width;
            *high = b;
        }
        return;
    }
    const int py = graph->unitsPerPixelY;
    if (width > 0)
    {
        int a = edge - py / 2;
        if (Snaps(graph, dc))
            WGExactPixel(dc, nullptr, &a);
        *low = a - width;
        *high = a;
    }
    else
    {
        *low = edge;
        *high = edge - width;
    }
}

// The span along the value axis of a bar from `base` to `value` (the far end one pixel further), at
// least three pixels so that a bar on its base still shows two of them (a rectangle without a pen
// leaves out its last row).
void ValueSpan(GrDesc* graph, int direction, int base, int value, int* low, int* high)
{
    const int unit = direction == 1 ? graph->unitsPerPixelY : graph->unitsPerPixelX;
    *low = std::min(value, base);
    *high = std::max(value, base) + unit + 1;
    if (*high - *low < 3 * unit)
        *high = *low + 3 * unit;
}

bool IsThin(GrDesc* graph, int direction, int width)
{
    return std::abs(width) <= (direction == 1 ? graph->unitsPerPixelX : graph->unitsPerPixelY);
}

// The pen and brush of one bar, selected for its drawing and put back and deleted after it.
class BarTools
{
public:
    BarTools(HDC dc) : dc_(dc) {}
    ~BarTools() { Restore(); }
    BarTools(const BarTools&) = delete;
    BarTools& operator=(const BarTools&) = delete;

    // False when a pen or brush could not be made (reported; the bar is skipped).
    bool Select(const LineDesc* border, COLORREF fill, int hatch, bool thin, COLORREF plotBackground)
    {
        Restore();
        const bool bordered = border != nullptr && border->paletteIndex >= 0;
        HGDIOBJ pen = GetStockObject(NULL_PEN);
        if (bordered || thin)
        {
            LOGPEN lp = bordered ? PenOfLine(*border) : LOGPEN{PS_SOLID, {1, 0}, fill};
            if (!bordered)
                lp.lopnWidth.x = 0;
            pen_ = CreatePenIndirect(&lp);
            if (pen_ == nullptr)
            {
                RTErrHdlr(18, 0, nullptr);
                return false;
            }
            pen = pen_;
        }
        HGDIOBJ brush = GetStockObject(NULL_BRUSH);
        if (!thin && !(bordered && fill == plotBackground && hatch == -1))
        {
            brush_ = CreateBarBrush(dc_, hatch, fill);
            if (brush_ == nullptr)
            {
                DeleteObject(pen_);
                pen_ = nullptr;
                return false;
            }
            brush = brush_;
        }
        oldPen_ = SelectObject(dc_, pen);
        oldBrush_ = SelectObject(dc_, brush);
        return true;
    }

private:
    void Restore()
    {
        if (oldPen_)
            SelectObject(dc_, oldPen_);
        if (oldBrush_)
            SelectObject(dc_, oldBrush_);
        oldPen_ = oldBrush_ = nullptr;
        if (pen_)
            DeleteObject(pen_);
        if (brush_)
            DeleteObject(brush_);
        pen_ = nullptr;
        brush_ = nullptr;
    }

    HDC dc_;
    HPEN pen_ = nullptr;
    HBRUSH brush_ = nullptr;
    HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr;
};

// One bar: a filled rectangle, or a line along the value axis for a bar a pixel wide or less.
void DrawBar(HDC dc, int direction, bool thin, int catLow, int catHigh, int valLow, int valHigh)
{
    if (direction == 1)
    {
        if (thin)
        {
            MoveToEx(dc, catLow, valLow, nullptr);
            LineTo(dc, catLow, valHigh);
        }
        else
            Rectangle(dc, catLow, valLow, catHigh, valHigh);
        return;
    }
    if (thin)
    {
        MoveToEx(dc, valLow, catLow, nullptr);
        LineTo(dc, valHigh, catLow);
    }
    else
        Rectangle(dc, valLow, catLow, valHigh, catHigh);
}

// Invalidates the strip of a bar between two value coordinates (with the pixels the drawing adds at
// the far end), across the bar's width clipped to the plot.
void InvalidateBarChange(GrDesc* graph, int direction, int catLow, int catHigh, int before, int after,
                         bool bordered)
{
    if (graph->buildDc == nullptr || graph->window == nullptr)
        return;
    const RECT& plot = graph->plot;
    const int px = graph->unitsPerPixelX, py = graph->unitsPerPixelY;
    const int unit = direction == 1 ? py : px;
    const int cross = direction == 1 ? px : py;
    int low = std::min(before, after) - unit;
    int high = std::max(before, after) + 3 * unit + 1;
    catLow -= cross;
    catHigh += cross;
    RECT r{};
    if (direction == 1)
        r = RECT{std::max(catLow, static_cast<int>(plot.left)), low,
                 std::min(catHigh, static_cast<int>(plot.right)), high};
    else
        r = RECT{low, std::max(catLow, static_cast<int>(plot.top)), high,
                 std::min(catHigh, static_cast<int>(plot.bottom))};
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&r), 2);
    r = RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
             std::max(r.top, r.bottom)};
    GrowRect(&r, 1, 1);
    if (bordered)
        GrowRect(&r, 1, 1);
    InvalidateGraphRect(graph, &r);
}

// ---- Dynamic bargraph ----------------------------------------------------------------------------

const LineDesc* BorderOf(const BarsDesc* b, int i)
{
    return b->borders && i < b->count && b->borders[i].paletteIndex >= 0 ? &b->borders[i] : nullptr;
}

void ComputeBarPositions(GrDesc* graph, BarsDesc* b, HDC dc)
{
    const RECT& plot = graph->plot;
    const int n = b->count;
    const float f = b->g.widthFraction;
    const double between = n > 1 ? static_cast<double>(b->last - b->first) / (n - 1) : 0.0;
    if (b->r.direction == 1)
    {
        const int px = graph->unitsPerPixelX;
        const double w = plot.right - plot.left;
        const double span = b->r.xSpan;
        if (span == 0)
        {
            std::fill(b->edges, b->edges + RT_MAX_VALUES, static_cast<INT>(plot.left));
            return;
        }
        int x0 = 0;
        if (span > 0)
            x0 = plot.left + static_cast<int>(std::trunc(w * ((b->first - b->r.xLow) / span - f / 2) + px));
        else
        {
            x0 = plot.right + static_cast<int>(std::trunc(w * ((b->first - b->r.xHigh) / span - f / 2)));
            if (plot.right - x0 < px)
                x0 -= px;
        }
        const double step = (w - px) / span * between;
        for (int i = 0; i < n; ++i)
            b->edges[i] = x0 + static_cast<int>(std::trunc(i * step));
        return;
    }
    const int py = graph->unitsPerPixelY;
    const double h = plot.bottom - plot.top;
    const double span = b->r.ySpan;
    if (span == 0)
    {
        std::fill(b->edges, b->edges + RT_MAX_VALUES, static_cast<INT>(plot.bottom));
        return;
    }
    int y0 = 0;
    if (span > 0)
        y0 = plot.bottom - static_cast<int>(std::trunc(h * ((b->first - b->r.yLow) / span - f / 2) - py));
    else
        y0 = plot.top - static_cast<int>(std::trunc(h * ((b->first - b->r.yHigh) / span - f / 2)));
    y0 = std::max(y0, static_cast<int>(plot.top + 2 * py + 1));
    if (Snaps(graph, dc))
        WGExactPixel(dc, nullptr, &y0);
    const double step = (h - py) / span * between;
    for (int i = 0; i < n; ++i)
        b->edges[i] = y0 - static_cast<int>(std::trunc(i * step));
}

void MapCurrentValues(GrDesc* graph, BarsDesc* b)
{
    const DynDataSetDesc* set = b->r.rt.dataSet;
    if (set == nullptr)
        return;
    MapValuesToPixels(graph, &b->r, set->current, b->values, std::min<int>(b->count, set->valueCount));
}

void BargraphPaint(GrDesc* graph, HDC dc)
{
    BarsDesc* b = AsBars(graph->currentObject);
    if (b == nullptr || graph->outsidePlotRepaint == 1)
        return;
    SetPlotClip(graph, dc);
    if (graph->layoutChanged || b->g.dirty)
        RecalcBargraph(graph, b, dc);
    const int direction = b->r.direction;
    const bool thin = IsThin(graph, direction, b->g.barWidth);
    BarTools tools(dc);
    for (int i = 0; i < b->count; ++i)
    {
        if (!tools.Select(BorderOf(b, i), b->fills[i], b->hatches[i], thin, graph->plotBackground))
            continue;
        int catLow = 0, catHigh = 0, valLow = 0, valHigh = 0;
        BarSpan(graph, direction, b->edges[i], b->g.barWidth, dc, &catLow, &catHigh);
        ValueSpan(graph, direction, b->g.base, b->values[i], &valLow, &valHigh);
        DrawBar(dc, direction, thin, catLow, catHigh, valLow, valHigh);
    }
    SetGraphClip(graph, dc);
}

void BargraphUpdate(GrDesc* graph, RtObjDesc* object)
{
    auto* b = reinterpret_cast<BarsDesc*>(object);
    if (graph->printCopy)
        return;
    std::memcpy(b->previous, b->values, sizeof b->values);
    MapCurrentValues(graph, b);
    if (b->g.dirty)
    {
        // The layout is out of date (the graph was re-sized): the bars are laid out again and the
        // plot repainted.
        if (graph->buildDc)
            InvalidatePlot(graph, graph->buildDc);
        return;
    }
    HDC dc = graph->buildDc;
    for (int i = 0; i < b->count; ++i)
    {
        if (b->previous[i] == b->values[i])
            continue;
        int catLow = 0, catHigh = 0;
        BarSpan(graph, b->r.direction, b->edges[i], b->g.barWidth, dc, &catLow, &catHigh);
        InvalidateBarChange(graph, b->r.direction, catLow, catHigh, b->previous[i], b->values[i],
                            BorderOf(b, i) != nullptr);
    }
}

void ReleaseBars(GrDesc*, RtObjDesc* object)
{
    auto* b = reinterpret_cast<BarsDesc*>(object);
    std::free(b->borders);
    b->borders = nullptr;
}

BOOL CopyBars(GrDesc*, const RtObjDesc* source, RtObjDesc* copy)
{
    const auto* from = reinterpret_cast<const BarsDesc*>(source);
    auto* to = reinterpret_cast<BarsDesc*>(copy);
    to->borders = nullptr;
    if (from->borders == nullptr)
        return TRUE;
    const size_t bytes = sizeof(LineDesc) * RT_MAX_VALUES;
    to->borders = static_cast<LineDesc*>(std::malloc(bytes));
    if (to->borders == nullptr)
        return FALSE;
    std::memcpy(to->borders, from->borders, bytes);
    return TRUE;
}

void RecalcBars(GrDesc*, HDC, RtObjDesc* object, float)
{
    reinterpret_cast<BarsDesc*>(object)->g.dirty = 1;
}

void RescaleBars(GrDesc* graph, RtObjDesc* object, int, float, float)
{
    RecalcBargraph(graph, reinterpret_cast<BarsDesc*>(object), graph->buildDc);
}

void ReconnectBars(GrDesc* graph, RtObjDesc* object)
{
    auto* b = reinterpret_cast<BarsDesc*>(object);
    if (const DynDataSetDesc* set = b->r.rt.dataSet)
        b->count = std::clamp<SHORT>(set->valueCount, 1, RT_MAX_VALUES);
    b->g.dirty = 1;
    if (graph->buildDc)
        InvalidatePlot(graph, graph->buildDc);
}

DynDataSetDesc* BoundBars(RtObjDesc* object)
{
    return object->dataSet;
}

bool BarColour(RtObjDesc* object, int i, COLORREF* colour)
{
    auto* b = reinterpret_cast<BarsDesc*>(object);
    if (i < 0 || i >= b->count)
        return false;
    *colour = b->fills[i];
    return true;
}

bool HitBars(GrDesc* graph, RtObjDesc* object, POINT p)
{
    auto* b = reinterpret_cast<BarsDesc*>(object);
    for (int i = 0; i < b->count; ++i)
    {
        int catLow = 0, catHigh = 0, valLow = 0, valHigh = 0;
        BarSpan(graph, b->r.direction, b->edges[i], b->g.barWidth, nullptr, &catLow, &catHigh);
        ValueSpan(graph, b->r.direction, b->g.base, b->values[i], &valLow, &valHigh);
        const RECT r = b->r.direction == 1 ? RECT{catLow, valLow, catHigh, valHigh}
                                           : RECT{valLow, catLow, valHigh, catHigh};
        if (PointInRect(r, p))
            return true;
    }
    return false;
}

// ---- Scroll bargraph -----------------------------------------------------------------------------

int TimeAt(const ScrollDesc* s, int position)
{
    return s->r.direction == 1 ? s->coords[position].x : s->coords[position].y;
}

int PixelOf(const ScrollDesc* s, int slot)
{
    return s->pixels[static_cast<size_t>(slot) * s->channels];
}

bool ScrollBorder(const ScrollDesc* s)
{
    return s->barBorder != 0;
}

// The time span of the bar at a time coordinate: from t to t + width, or t + width to t.
void TimeSpan(const ScrollDesc* s, int t, int* low, int* high)
{
    *low = std::min(t, t + s->barWidth);
    *high = std::max(t, t + s->barWidth);
}

void DrawScrollBar(GrDesc* graph, ScrollDesc* s, HDC dc, BarTools& tools, bool thin, int position, int slot)
{
    if (!tools.Select(ScrollBorder(s) ? &s->pens[0] : nullptr, s->barFill, -1, thin, graph->plotBackground))
        return;
    int catLow = 0, catHigh = 0, valLow = 0, valHigh = 0;
    TimeSpan(s, TimeAt(s, position), &catLow, &catHigh);
    ValueSpan(graph, s->r.direction, s->barBase, PixelOf(s, slot), &valLow, &valHigh);
    DrawBar(dc, s->r.direction, thin, catLow, catHigh, valLow, valHigh);
}

void ScrollBargraphUpdate(GrDesc* graph, RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    HDC dc = DrawingDC(graph);
    if (s->frozen || dc == nullptr || s->coords == nullptr)
        return;
    AdvanceRing(s);
    if (s->position >= s->points)
    {
        // The jump: positions 0..kept take the newest kept samples and position kept + 1 the new one;
        // each bar whose level changes is invalidated, those beyond go back to the base.
        s->scrolled = 1;
        const int oldStart = s->start;
        const int newStart = (s->points - s->kept - 1 + s->start) % s->points;
        const int oldFirst = PixelOf(s, oldStart); // the new sample takes the oldest slot
        StoreSample(s, s->ringIndex);
        SampleToPixels(graph, s, s->ringIndex);
        const int shown = s->kept + 2;
        for (int i = 0; i < s->points; ++i)
        {
            const int before = i == 0 ? oldFirst : PixelOf(s, (oldStart + i) % s->points);
            const int after = i < shown ? PixelOf(s, (newStart + i) % s->points) : s->barBase;
            if (before == after)
                continue;
            int catLow = 0, catHigh = 0;
            TimeSpan(s, TimeAt(s, i), &catLow, &catHigh);
            if (static_cast<long long>(before - s->barBase) * (after - s->barBase) >= 0)
                InvalidateBarChange(graph, s->r.direction, catLow, catHigh, before, after, ScrollBorder(s));
            else
            {
                // The bar crosses its base: both sides change.
                InvalidateBarChange(graph, s->r.direction, catLow, catHigh, before, s->barBase,
                                    ScrollBorder(s));
                InvalidateBarChange(graph, s->r.direction, catLow, catHigh, s->barBase, after,
                                    ScrollBorder(s));
            }
        }
        s->start = newStart;
        ShiftAttachedLabels(graph, s, s->jumpSpan);
        s->position = shown;
        return;
    }
    StoreSample(s, s->ringIndex);
    SampleToPixels(graph, s, s->ringIndex);
    SetPlotClip(graph, dc);
    {
        BarTools tools(dc);
        DrawScrollBar(graph, s, dc, tools, IsThin(graph, s->r.direction, s->barWidth), s->position,
                      s->ringIndex);
    }
    ++s->position;
    SetGraphClip(graph, dc);
}

void ScrollBargraphPaint(GrDesc* graph, HDC dc)
{
    auto* s = reinterpret_cast<ScrollDesc*>(graph->currentObject);
    if (s == nullptr || graph->outsidePlotRepaint == 1 || s->coords == nullptr)
        return;
    SetPlotClip(graph, dc);
    ComputeTimePositions(graph, s, dc);
    ScrollBarGeometry(graph, s, dc);
    {
        BarTools tools(dc);
        const bool thin = IsThin(graph, s->r.direction, s->barWidth);
        for (int i = 0; i < s->position && i < s->points; ++i)
            DrawScrollBar(graph, s, dc, tools, thin, i, (s->start + i) % s->points);
    }
    SetGraphClip(graph, dc);
}

} // namespace

BarsDesc* AsBars(ObjDesc* object)
{
    return object && object->type == RT_TYPE_DYN_BARS ? reinterpret_cast<BarsDesc*>(object) : nullptr;
}

void RecalcBargraph(GrDesc* graph, BarsDesc* bars, HDC dc)
{
    ComputeBarPositions(graph, bars, dc);
    ComputeBarGeometry(graph, &bars->r, &bars->g, bars->baseValue, false, bars->edges, bars->count, dc);
    MapCurrentValues(graph, bars);
}

void ScrollBarGeometry(GrDesc* graph, ScrollDesc* s, HDC dc)
{
    BarGeometry g{s->barWidthFraction, 0, 0, 0};
    ComputeBarGeometry(graph, &s->r, &g, 0, true, nullptr, 0, dc);
    s->barWidth = g.barWidth;
    s->barBase = g.base;
}

void RegisterBarTypes()
{
    RtObjectType kind;
    kind.type = RT_TYPE_DYN_BARS;
    kind.size = sizeof(BarsDesc);
    kind.release = ReleaseBars;
    kind.copy = CopyBars;
    kind.recalc = RecalcBars;
    kind.rescale = RescaleBars;
    kind.reconnect = ReconnectBars;
    kind.boundSet = BoundBars;
    kind.hitBox = HitBars;
    kind.valueColour = BarColour;
    kind.edit = EditDynBars;
    RegisterRtType(kind);
}

// Installs the scroll bargraph's callbacks (the scroll family's type keeps its other procedures).
void InstallScrollBarCallbacks(ScrollDesc* s)
{
    s->r.rt.head.draw = ScrollBargraphPaint;
    s->r.rt.update = ScrollBargraphUpdate;
}

} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetBargraph(GrDesc* graph, int slot, float baseValue, int orientation, float first, float last,
                          float barWidth, const COLORREF* colours, const int* hatches, const int* borders)
{
    static const char kName[] = " - WRSetBargraph";
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        if (Lib().top == nullptr || !Lib().top->abortFlag)
            ErrHdlr(55, 2, kName);
        return 0;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    auto* b = reinterpret_cast<BarsDesc*>(AllocRTObject(graph, RT_TYPE_DYN_BARS, 5));
    if (b == nullptr)
        return 0;
    const int n = std::clamp<int>(set->valueCount, 1, RT_MAX_VALUES);
    b->r.direction = orientation == 1 ? 0 : 1;
    b->r.rt.head.draw = BargraphPaint;
    b->r.rt.update = BargraphUpdate;
    b->baseValue = baseValue;
    b->first = first;
    b->last = last;
    CopyGraphRanges(graph, &b->r);
    const float range =
        b->r.direction == 1 ? graph->worldXTo - graph->worldXFrom : graph->worldYTo - graph->worldYFrom;
    const float span = b->r.direction == 1 ? b->r.xSpan : b->r.ySpan;
    float fraction = 0;
    if (range == 0)
        fraction = 0; // no scale along the category axis: nothing divides by it
    else if (barWidth != 0)
        fraction = barWidth / range;
    else if (n > 1)
        fraction = 0.96f * (last - first) / (n - 1) / range;
    else
        fraction = span <= 0 ? -0.9f : 0.9f;
    if (range == 0 && barWidth == 0 && n == 1)
        fraction = -0.9f;
    b->g.widthFraction = fraction;
    b->count = static_cast<SHORT>(n);
    if (borders)
    {
        b->borders = static_cast<LineDesc*>(std::calloc(RT_MAX_VALUES, sizeof(LineDesc)));
        if (b->borders == nullptr)
        {
            // Nothing half-made stays behind: the record goes and the creation fails.
            RTErrHdlr(53, 0, nullptr);
            AbandonRTObject(graph);
            return 0;
        }
        for (int i = 0; i < RT_MAX_VALUES; ++i)
            b->borders[i].paletteIndex = -1;
    }
    for (int i = 0; i < RT_MAX_VALUES; ++i)
    {
        b->fills[i] = colours && i < n ? colours[i] : graph->plotBackground;
        b->hatches[i] = hatches && i < n ? static_cast<signed char>(hatches[i] & 0xFF) : -1;
        if (borders && i < n)
        {
            LineDesc& line = b->borders[i];
            line.style = PS_SOLID;
            line.widthX = line.widthY = 0;
            line.pixelWidth = 0;
            line.paletteIndex = static_cast<SHORT>(borders[i] >= 0 ? borders[i] : -1);
            line.color = borders[i] >= 0 ? WGGetRGBColor(borders[i]) : 0;
            line.window = graph->window;
        }
    }
    LinkAxes(graph, &b->r);
    b->r.rt.dataSet = set;
    const WORD number = CommitRTObject(graph);
    if (number == 0)
    {
        ReleaseBars(graph, &b->r.rt);
        AbandonRTObject(graph);
        return 0;
    }
    ++set->useCount;
    ++graph->realTimeCount;
    if (graph->page)
        graph->page->hasRealTimeObjects = 1;
    RecalcBargraph(graph, b, graph->buildDc);
    // The bars start empty, at the base.
    for (int i = 0; i < RT_MAX_VALUES; ++i)
        b->values[i] = b->previous[i] = b->g.base;
    if (graph->buildDc)
        InvalidatePlot(graph, graph->buildDc);
    return number;
}

WORD WINAPI WRSetScrollBargraph(GrDesc* graph, int slot, int index, float interval, float keptFraction,
                                int direction, float barWidth, COLORREF fill, int border)
{
    static const char kName[] = " - WRSetScrollBargraph";
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        if (Lib().top == nullptr || !Lib().top->abortFlag)
            ErrHdlr(55, 2, kName);
        return 0;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    index = std::max(index, 0);
    const double range = direction == 1 ? std::fabs(graph->worldXTo - graph->worldXFrom)
                                        : std::fabs(graph->worldYTo - graph->worldYFrom);
    // A value the set does not have, an interval or range of 0, or more positions than a screen can
    // take are refused.
    if (index >= set->valueCount || !(interval > 0) || !(range > 0) || range / interval >= kMaxPoints)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    auto* s = reinterpret_cast<ScrollDesc*>(AllocRTObject(graph, RT_TYPE_SCROLL, SCROLL_BARGRAPH));
    if (s == nullptr)
        return 0;
    s->barValue = index;
    s->r.direction = direction == 1 ? 1 : 0;
    InstallScrollBarCallbacks(s);
    s->interval = interval;
    s->barWidthFraction = static_cast<float>(barWidth / range);
    s->points = std::max(static_cast<int>(range / interval + 1.5), 2);
    keptFraction = std::clamp(keptFraction, 0.0f, 1.0f);
    const int colour = border >= 0 ? border : 0;
    const WORD number = InitScrollObj(graph, s, keptFraction, 1, nullptr, nullptr, &colour, set);
    if (number == 0)
    {
        AbandonRTObject(graph);
        return 0;
    }
    s->barBorder = border >= 0 ? 1 : 0;
    s->barFill = fill;
    // Without a border the channel's pen carries the bar colour, for what shows the trace colours.
    if (!s->barBorder)
        s->pens[0].color = fill;
    ComputeTimePositions(graph, s, graph->buildDc);
    ScrollBarGeometry(graph, s, graph->buildDc);
    return number;
}
