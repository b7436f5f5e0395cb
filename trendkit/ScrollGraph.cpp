// The scroll graph (type 103, subtype 1) and what the scroll family shares: the record's buffers, the
// time coordinates of the positions, the conversion of samples to pixels, the incremental segment, the
// full repaint, the redraw at a jump, rescaling to a new time range and the scroll accessors.
//
// Drawing is incremental: each sample draws one segment per channel; only a jump (the screen is
// full) erases and redraws the trace, and only a paint draws it whole.
#include "ScrollGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trendkit
{
namespace
{

// Positions per screen accepted (range / interval): more would not fit the pixel coordinates.
constexpr double kMaxPoints = 32701;

// Keeps band coordinates valid for wild values before the conversion to int.
int ClampPixel(double p)
{
    if (!(p >= -20000.0))
        return -20000;
    return p > 32000.0 ? 32000 : static_cast<int>(p);
}

POINT At(const ScrollDesc* s, int time, int value)
{
    return s->r.direction == 1 ? POINT{time, value} : POINT{value, time};
}

int TimeOf(const ScrollDesc* s, int position)
{
    const POINT& p = s->coords[position];
    return s->r.direction == 1 ? p.x : p.y;
}

template <typename T> T* ZeroBlock(size_t n)
{
    return static_cast<T*>(std::calloc(n ? n : 1, sizeof(T)));
}

template <typename T> bool Regrow(T*& block, size_t oldN, size_t newN)
{
    void* grown = std::realloc(block, (newN ? newN : 1) * sizeof(T));
    if (grown == nullptr)
        return false;
    block = static_cast<T*>(grown);
    if (newN > oldN)
        std::memset(block + oldN, 0, (newN - oldN) * sizeof(T));
    return true;
}

// The floats one value-ring sample takes.
int SampleFloats(const ScrollDesc* s, const DynDataSetDesc* set)
{
    return IsLogic(s) ? 1 : set->valueCount;
}

void Release(GrDesc*, RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    FreeFrozenCopy(s);
    std::free(s->coords);
    std::free(s->values);
    std::free(s->pixels);
    std::free(s->xPixels);
    s->coords = nullptr;
    s->values = nullptr;
    s->pixels = nullptr;
    s->xPixels = nullptr;
}

template <typename T> bool Duplicate(T*& block, size_t n)
{
    if (block == nullptr)
        return true;
    T* copy = ZeroBlock<T>(n);
    if (copy == nullptr)
    {
        block = nullptr;
        return false;
    }
    std::memcpy(copy, block, n * sizeof(T));
    block = copy;
    return true;
}

BOOL Copy(GrDesc*, const RtObjDesc* source, RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    const size_t points = static_cast<size_t>(s->points);
    bool ok = Duplicate(s->coords, points);
    ok = Duplicate(s->values, points * s->valueFloats) && ok;
    ok = Duplicate(s->pixels, (points + 2) * s->channels) && ok;
    ok = Duplicate(s->xPixels, points * s->channels) && ok;
    if (s->frozenCopy)
    {
        // A frozen record shows its own copy of the set; the duplicate gets a copy of that copy.
        const DynDataSetDesc* frozen = reinterpret_cast<const ScrollDesc*>(source)->frozenCopy;
        auto* set = static_cast<DynDataSetDesc*>(std::malloc(sizeof(DynDataSetDesc)));
        if (set)
        {
            *set = *frozen;
            set->ringHandle = nullptr;
            if (frozen->ring)
            {
                const size_t floats = (static_cast<size_t>(frozen->capacity) + 1) * frozen->valueCount;
                set->ring = static_cast<float*>(std::malloc(floats * sizeof(float)));
                if (set->ring)
                    std::memcpy(set->ring, frozen->ring, floats * sizeof(float));
                else
                    ok = false;
            }
        }
        else
            ok = false;
        s->frozenCopy = set;
        if (s->r.rt.dataSet == frozen)
            s->r.rt.dataSet = set;
    }
    return ok ? TRUE : FALSE;
}

DynDataSetDesc* BoundSet(RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    return s->liveSet ? s->liveSet : s->r.rt.dataSet;
}

void Rect(GrDesc* graph, ScrollDesc* s)
{
    const RECT& plot = graph->plot;
    const int w = plot.right - plot.left, h = plot.bottom - plot.top;
    const int px = graph->unitsPerPixelX, py = graph->unitsPerPixelY;
    RECT& r = s->r.rt.head.extent;
    if (s->r.direction == 1)
        r = RECT{plot.left + 2 * px, plot.top + h / 4, plot.right - 2 * px, plot.bottom - h / 4};
    else
        r = RECT{plot.left + w / 4, plot.top + 2 * py, plot.right - w / 4, plot.bottom - 2 * py};
}

void Recalc(GrDesc* graph, HDC dc, RtObjDesc* object, float)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    if (!IsXY(s))
        ComputeTimePositions(graph, s, dc ? dc : graph->buildDc);
    PointsToPixels(graph, s);
}

bool CheckRange(RtObjDesc* object, float range)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    if (IsXY(s) || s->r.rt.head.subKind == SCROLL_VARIABLE)
        return true;
    if (!(s->interval > 0))
        return false;
    const double points = std::fabs(range) / s->interval;
    return points >= 1 && points < kMaxPoints;
}

// A new point count for the time range: builds the new value ring and brings the record in line.
void Resample(GrDesc* graph, ScrollDesc* s, float span)
{
    const int newPoints = static_cast<int>(span / s->interval + 1.5);
    if (newPoints < 2)
        return;
    if (newPoints == s->points)
    {
        ApplyScrollRescale(graph, s, newPoints, span, 0);
        return;
    }
    DynDataSetDesc* set = s->r.rt.dataSet;
    float* fresh = ZeroBlock<float>(static_cast<size_t>(newPoints) * s->valueFloats);
    if (fresh == nullptr)
    {
        RTErrHdlr(53, 0, nullptr);
        return;
    }
    if (newPoints > s->points)
        s->scrolled = 0;
    const UINT capacity = set && set->ring && !IsLogic(s) ? set->capacity : 0;
    const int kase = ClassifyRescale(s->points, newPoints, s->position, capacity, s->ringFull);
    if (s->frozen)
        s->oldestShown += newPoints - s->points;
    float* old = s->values;
    s->values = fresh;
    RefillScrollValues(s, old, s->points, newPoints, kase);
    std::free(old);
    ApplyScrollRescale(graph, s, newPoints, span, kase);
    InvalidatePlot(graph, graph->buildDc);
}

void Rescale(GrDesc* graph, RtObjDesc* object, int axisDirection, float, float)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    if (IsXY(s))
        PointsToPixels(graph, s);
    else if (s->r.rt.head.subKind == SCROLL_VARIABLE)
    {
        s->jumpSpan = (1 - s->keptFraction) * TimeRange(s);
        RecomputeVarScroll(graph, s);
    }
    else if (s->r.rt.head.subKind != SCROLL_VARIABLE && axisDirection == (s->r.direction == 1 ? 1 : 0))
        Resample(graph, s, TimeRange(s));
    else
        PointsToPixels(graph, s);
    InvalidatePlot(graph, graph->buildDc);
}

void Reconnect(GrDesc* graph, RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    DynDataSetDesc* set = s->r.rt.dataSet;
    if (s->frozen)
    {
        // A graph that shows history goes back to live drawing on the new set.
        FreeFrozenCopy(s);
        s->r.rt.dataSet = set;
        FreezeAttachedLabels(graph, s, false);
    }
    if (s->r.rt.head.subKind == SCROLL_VARIABLE || IsLogic(s) || SampleFloats(s, set) != s->valueFloats)
    {
        // Another sample layout: the screen starts empty.
        s->position = s->start = 0;
        s->ringCount = 0;
        s->ringIndex = s->previous = -1;
        s->scrolled = 0;
        InvalidatePlot(graph, graph->buildDc);
        return;
    }
    if (set->ring == nullptr || (!set->wrapped && set->writeIndex < 2))
    {
        s->ringFull = 0;
        return;
    }
    const int n = CopyHistToGraph(s, 0, s->points - 1);
    s->ringCount = static_cast<UINT>(n);
    ApplyScrollRescale(graph, s, s->points, (s->points - 1) * s->interval, 4);
    s->ringFull = n >= s->points ? 1 : 0;
    InvalidatePlot(graph, graph->buildDc);
}

void ScrollGraphUpdate(GrDesc* graph, RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    HDC dc = DrawingDC(graph);
    if (s->frozen || dc == nullptr || s->coords == nullptr)
        return;
    SetPlotClip(graph, dc);
    AdvanceRing(s);
    StoreSample(s, s->ringIndex);
    if (s->position >= s->points)
    {
        // The screen is full: keep the newest part, move it back to the start and go on from there.
        s->scrolled = 1;
        const int oldStart = s->start;
        const int newStart = (s->points - s->kept - 1 + s->start) % s->points;
        s->position = s->kept + 1;
        RedrawScrollTrace(graph, s, dc, oldStart, s->points, newStart, s->position);
        s->start = newStart;
        for (WORD labels : s->timeLabels)
        {
            if (labels == 0)
                break;
            if (TimeLabels().shift)
                TimeLabels().shift(graph, labels, s->jumpSpan);
        }
    }
    SampleToPixels(graph, s, s->ringIndex);
    if (s->previous >= 0)
        DrawScrollSegment(graph, s, dc);
    ++s->position;
    SetGraphClip(graph, dc);
}

void ScrollGraphPaint(GrDesc* graph, HDC dc)
{
    auto* s = reinterpret_cast<ScrollDesc*>(graph->currentObject);
    if (s == nullptr || graph->outsidePlotRepaint == 1 || s->coords == nullptr)
        return;
    SetPlotClip(graph, dc);
    ComputeTimePositions(graph, s, dc);
    DrawScrollTraces(graph, s, dc, s->start, s->position, false);
    SetGraphClip(graph, dc);
}

// Several channels are drawn sample by sample, as the updates drew them, so that where traces cross
// the later channel lies on top exactly as it did on screen.
void DrawInterleaved(const ScrollDesc* s, HDC dc, int firstSlot, int count)
{
    HPEN pens[RT_MAX_VALUES] = {};
    for (int c = 0; c < s->channels; ++c)
    {
        const LOGPEN pen = PenOfLine(s->pens[c]);
        pens[c] = CreatePenIndirect(&pen);
        if (pens[c] == nullptr)
            RTErrHdlr(18, 0, nullptr);
    }
    HGDIOBJ original = GetCurrentObject(dc, OBJ_PEN);
    for (int i = 1; i < count; ++i)
    {
        const INT* before = s->pixels + static_cast<size_t>((firstSlot + i - 1) % s->points) * s->channels;
        const INT* now = s->pixels + static_cast<size_t>((firstSlot + i) % s->points) * s->channels;
        const int t0 = TimeOf(s, i - 1), t1 = TimeOf(s, i);
        for (int c = 0; c < s->channels; ++c)
        {
            if (pens[c])
                SelectObject(dc, pens[c]);
            SetBkMode(dc, s->pens[c].style == 0 ? OPAQUE : TRANSPARENT);
            POINT p = At(s, t0, before[c]);
            MoveToEx(dc, p.x, p.y, nullptr);
            if (s->lineMode == 1)
            {
                p = At(s, t0, now[c]);
                LineTo(dc, p.x, p.y);
            }
            else if (s->lineMode == 2)
            {
                p = At(s, t1, before[c]);
                LineTo(dc, p.x, p.y);
            }
            p = At(s, t1, now[c]);
            LineTo(dc, p.x, p.y);
        }
    }
    if (original)
        SelectObject(dc, original);
    for (HPEN pen : pens)
        if (pen)
            DeleteObject(pen);
}

// Picking: a drawn point of any trace near the mouse (p and tolerance in graph logical units).
bool HitTrace(GrDesc* graph, RtObjDesc* object, POINT p, int tolerance)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    if (s->pixels == nullptr || s->points <= 0)
        return false;
    const bool xy = IsXY(s);
    const bool sweep = !xy && s->r.rt.head.subKind == SCROLL_SWEEP;
    const int extent = s->r.direction == 1 || xy ? graph->plot.right - graph->plot.left
                                                 : graph->plot.bottom - graph->plot.top;
    const int reach = std::max(tolerance, (extent / s->points + 1) / 2);
    const int shown = sweep && s->scrolled ? s->points : std::min(s->position, s->points);
    for (int i = 0; i < shown; ++i)
    {
        const int slot = sweep ? i : (s->start + i) % s->points;
        for (int c = 0; c < s->channels; ++c)
        {
            const size_t at = static_cast<size_t>(slot) * s->channels + c;
            const POINT q = xy ? POINT{s->xPixels[at], s->pixels[at]} : At(s, TimeOf(s, i), s->pixels[at]);
            if (std::abs(q.x - p.x) <= reach && std::abs(q.y - p.y) <= reach)
                return true;
        }
    }
    return false;
}

} // namespace

TimeLabelHooks& TimeLabels()
{
    static TimeLabelHooks hooks;
    return hooks;
}

ScrollDesc* AsScroll(ObjDesc* object)
{
    if (object == nullptr || (object->type != RT_TYPE_SCROLL && object->type != RT_TYPE_XY))
        return nullptr;
    return reinterpret_cast<ScrollDesc*>(object);
}

LineDesc* TracePen(ObjDesc* object, int member)
{
    ScrollDesc* s = AsScroll(object);
    if (s == nullptr || member < 0 || member >= s->channels || member >= RT_MAX_VALUES)
        return nullptr;
    return &s->pens[member];
}

bool IsLogic(const ScrollDesc* s)
{
    return s->r.rt.head.type == RT_TYPE_SCROLL && s->r.rt.head.subKind == SCROLL_LOGIC;
}

bool IsXY(const ScrollDesc* s)
{
    return s->r.rt.head.type == RT_TYPE_XY;
}

float TimeRange(const ScrollDesc* s)
{
    return std::fabs(s->r.direction == 1 ? s->r.xHigh - s->r.xLow : s->r.yHigh - s->r.yLow);
}

LOGPEN PenOfLine(const LineDesc& line)
{
    LOGPEN pen{};
    pen.lopnStyle = static_cast<UINT>(line.style);
    pen.lopnWidth.x = line.widthX;
    pen.lopnColor = line.color;
    return pen;
}

WORD InitScrollObj(GrDesc* graph, ScrollDesc* s, float keptFraction, int valueCount, const int* styles,
                   const int* widths, const int* colours, DynDataSetDesc* set)
{
    CopyGraphRanges(graph, &s->r);
    LinkAxes(graph, &s->r);
    Rect(graph, s);
    const bool xy = IsXY(s);
    int channels = valueCount;
    if (xy)
        channels = valueCount / 2;
    else if (s->r.rt.head.subKind == SCROLL_VARIABLE)
        channels = valueCount - 1;
    channels = std::clamp(channels, 1, static_cast<int>(RT_MAX_VALUES));
    s->channels = static_cast<SHORT>(channels);
    s->keptFraction = keptFraction;
    s->jumpSpan = (1 - keptFraction) * TimeRange(s);
    s->position = 0;
    s->kept = static_cast<int>((s->points - 1) * keptFraction + 0.5f);
    if (s->kept >= s->points - 1)
        s->kept = std::max(s->points - 2, 0);
    s->valueFloats = SampleFloats(s, set);
    const size_t points = static_cast<size_t>(s->points);
    s->coords = ZeroBlock<POINT>(points);
    s->pixels = ZeroBlock<INT>((points + 2) * channels);
    s->values = ZeroBlock<float>(points * s->valueFloats);
    s->xPixels = xy ? ZeroBlock<INT>(points * channels) : nullptr;
    if (!s->coords || !s->pixels || !s->values || (xy && !s->xPixels))
    {
        Release(graph, &s->r.rt);
        RTErrHdlr(53, 0, nullptr);
        return 0;
    }
    s->scrolled = 0;
    s->start = 0;
    s->ringCount = 0;
    s->ringIndex = -1;
    s->previous = -1;
    HDC dc = graph->buildDc;
    for (int i = 0; i < channels; ++i)
    {
        SetLine(graph, dc, &s->pens[i], styles ? styles[i] : 0, colours ? (colours[i] & 0xFFFF) : 0, 0,
                widths ? widths[i] : 0);
        s->pens[i].window = graph->window;
    }
    s->r.rt.dataSet = set;
    const WORD number = CommitRTObject(graph);
    if (number == 0)
    {
        Release(graph, &s->r.rt);
        return 0;
    }
    ++set->useCount;
    ++graph->realTimeCount;
    if (graph->page)
        graph->page->hasRealTimeObjects = 1;
    // A set that already holds history fills the screen with its newest samples.
    if (!IsLogic(s) && s->r.rt.head.subKind != SCROLL_VARIABLE &&
        !(s->r.rt.head.type == RT_TYPE_SCROLL && s->r.rt.head.subKind == SCROLL_SWEEP) && set->ring &&
        (set->wrapped || set->writeIndex > 1))
    {
        if (!xy)
            ComputeTimePositions(graph, s, dc);
        const int n = CopyHistToGraph(s, 0, s->points - 1);
        s->ringCount = static_cast<UINT>(n);
        ApplyScrollRescale(graph, s, s->points, TimeRange(s), 4);
        s->ringFull = n >= s->points ? 1 : 0;
        InvalidatePlot(graph, dc);
    }
    return number;
}

void ComputeTimePositions(GrDesc* graph, ScrollDesc* s, HDC dc)
{
    const RECT& plot = graph->plot;
    if (s->coords == nullptr)
        return;
    if (s->r.direction == 1)
    {
        const int px = graph->unitsPerPixelX;
        const double span = std::fabs(s->r.xSpan);
        const double step =
            span > 0 ? (plot.right - plot.left - px) * static_cast<double>(s->interval) / span : 0;
        const bool ascending = s->r.xHigh > s->r.xLow;
        const int first = ascending ? plot.left + px : plot.right - px;
        for (int i = 0; i < s->points; ++i)
        {
            int x = first;
            if (i > 0)
            {
                x = ascending ? first + static_cast<int>(i * step) : plot.right - static_cast<int>(i * step);
                if (dc)
                    WGExactPixel(dc, &x, nullptr);
            }
            s->coords[i].x = x;
        }
        return;
    }
    const int py = graph->unitsPerPixelY;
    const double span = std::fabs(s->r.ySpan);
    const double step =
        span > 0 ? (plot.bottom - plot.top - py) * static_cast<double>(s->interval) / span : 0;
    const bool ascending = s->r.yHigh > s->r.yLow;
    for (int i = 0; i < s->points; ++i)
    {
        int y =
            ascending ? plot.bottom - static_cast<int>(i * step) : plot.top + py + static_cast<int>(i * step);
        if (i > 0 && dc)
            WGExactPixel(dc, nullptr, &y);
        s->coords[i].y = y;
    }
}

void SampleToPixels(GrDesc* graph, ScrollDesc* s, int slot)
{
    if (slot < 0 || slot >= s->points)
        return;
    const float* v = s->values + static_cast<size_t>(slot) * s->valueFloats;
    INT* out = s->pixels + static_cast<size_t>(slot) * s->channels;
    const int n = s->channels;
    const RECT& plot = graph->plot;
    const int subtype = s->r.rt.head.subKind;
    if (IsXY(s))
    {
        RtRangedDesc across = s->r;
        across.direction = 0;
        MapValuesToPixels(graph, &across, v, s->xPixels + static_cast<size_t>(slot) * n, n);
        across.direction = 1;
        MapValuesToPixels(graph, &across, v + n, out, n);
        return;
    }
    if (s->r.rt.head.type == RT_TYPE_SCROLL && (subtype == SCROLL_STACKED || subtype == SCROLL_LOGIC))
    {
        const int band = s->bandSize;
        const int a = static_cast<int>(band * 0.8);
        const int margin = band / 10;
        UINT bits = 0;
        if (subtype == SCROLL_LOGIC)
            std::memcpy(&bits, v, sizeof bits);
        for (int i = 0; i < n; ++i)
        {
            double lift = subtype == SCROLL_LOGIC ? ((bits >> i) & 1u ? a : 0)
                                                  : std::trunc(a * static_cast<double>(v[i]));
            if (s->r.direction == 1)
            {
                const double y = plot.bottom - static_cast<double>(n - 1 - i) * band - margin - lift;
                out[i] = subtype == SCROLL_LOGIC ? static_cast<int>(y) : ClampPixel(y);
            }
            else
            {
                const double x = plot.left + static_cast<double>(i) * band + margin + lift;
                out[i] = subtype == SCROLL_LOGIC ? static_cast<int>(x) : ClampPixel(x);
            }
        }
        return;
    }
    // The scroll bargraph shows one chosen value of each sample.
    if (s->r.rt.head.type == RT_TYPE_SCROLL && subtype == SCROLL_BARGRAPH)
    {
        MapValuesToPixels(graph, &s->r, v + (s->barValue < s->valueFloats ? s->barValue : 0), out, 1);
        return;
    }
    MapValuesToPixels(graph, &s->r, v, out, n);
}

void PointsToPixels(GrDesc* graph, ScrollDesc* s)
{
    if (s->values == nullptr)
        return;
    for (int slot = 0; slot < s->points; ++slot)
        SampleToPixels(graph, s, slot);
}

int CopyHistToGraph(ScrollDesc* s, int from, int to, int limit)
{
    const DynDataSetDesc* set = s->r.rt.dataSet;
    if (set == nullptr || set->ring == nullptr || set->capacity == 0 || s->values == nullptr || IsLogic(s))
        return 0;
    const int valid = static_cast<int>(set->wrapped ? set->capacity : set->writeIndex);
    from = std::max(from, 0);
    to = std::min({to, valid - 1, from + (limit > 0 ? limit : s->points) - 1});
    if (to < from)
        return 0;
    const int n = to - from + 1;
    const int floats = std::min(s->valueFloats, static_cast<int>(set->valueCount));
    for (int k = 0; k < n; ++k)
    {
        const int back = to - k;
        const size_t at = (static_cast<size_t>(set->writeIndex) + set->capacity - 1 - back) % set->capacity;
        std::memcpy(s->values + static_cast<size_t>(k) * s->valueFloats, set->ring + at * set->valueCount,
                    floats * sizeof(float));
    }
    return n;
}

void ShiftAttachedLabels(GrDesc* graph, ScrollDesc* s, float delta)
{
    if (TimeLabels().shift == nullptr)
        return;
    bool any = false;
    for (WORD labels : s->timeLabels)
        if (labels)
        {
            TimeLabels().shift(graph, labels, delta);
            any = true;
        }
    if (!any && TimeLabels().find)
        if (WORD labels =
                TimeLabels().find(graph, s->r.direction == 1 ? s->r.rt.head.xAxis : s->r.rt.head.yAxis))
            TimeLabels().shift(graph, labels, delta);
}

void FreezeAttachedLabels(GrDesc* graph, ScrollDesc* s, bool frozen)
{
    if (TimeLabels().freeze == nullptr)
        return;
    bool any = false;
    for (WORD labels : s->timeLabels)
        if (labels)
        {
            TimeLabels().freeze(graph, labels, frozen);
            any = true;
        }
    if (!any && TimeLabels().find)
        if (WORD labels =
                TimeLabels().find(graph, s->r.direction == 1 ? s->r.rt.head.xAxis : s->r.rt.head.yAxis))
            TimeLabels().freeze(graph, labels, frozen);
}

void AdvanceRing(ScrollDesc* s)
{
    s->previous = s->ringIndex;
    if (++s->ringIndex >= s->points)
        s->ringIndex = 0;
    if (++s->ringCount >= static_cast<UINT>(s->points))
    {
        s->ringCount = 0;
        s->ringFull = 1;
    }
}

void StoreSample(ScrollDesc* s, int slot)
{
    const DynDataSetDesc* set = s->r.rt.dataSet;
    float* to = s->values + static_cast<size_t>(slot) * s->valueFloats;
    if (IsLogic(s))
        std::memcpy(to, &set->bits, sizeof(UINT));
    else
        std::memcpy(to, set->current,
                    std::min(s->valueFloats, static_cast<int>(set->valueCount)) * sizeof(float));
}

void DrawScrollSegment(GrDesc* graph, ScrollDesc* s, HDC dc)
{
    const int t0 = TimeOf(s, s->position - 1), t1 = TimeOf(s, s->position);
    const INT* before = s->pixels + static_cast<size_t>(s->previous) * s->channels;
    const INT* now = s->pixels + static_cast<size_t>(s->ringIndex) * s->channels;
    for (int c = 0; c < s->channels; ++c)
    {
        const LineDesc& line = s->pens[c];
        SetBkMode(dc, line.style == 0 ? OPAQUE : TRANSPARENT);
        const LOGPEN pen = PenOfLine(line);
        HPEN made = CreateSelectPen(dc, &pen);
        POINT p = At(s, t0, before[c]);
        MoveToEx(dc, p.x, p.y, nullptr);
        if (s->lineMode == 1)
        {
            p = At(s, t0, now[c]);
            LineTo(dc, p.x, p.y);
        }
        else if (s->lineMode == 2)
        {
            p = At(s, t1, before[c]);
            LineTo(dc, p.x, p.y);
        }
        p = At(s, t1, now[c]);
        LineTo(dc, p.x, p.y);
        if (made && dc == graph->metafileDc)
        {
            SelectObject(dc, GetStockObject(BLACK_PEN));
            DeleteObject(made);
        }
    }
}

void DrawScrollTraces(GrDesc* graph, ScrollDesc* s, HDC dc, int firstSlot, int count, bool erase)
{
    count = std::min(count, s->points);
    if (count <= 0 || s->points <= 0)
        return;
    if (!erase && s->channels > 1)
    {
        DrawInterleaved(s, dc, firstSlot, count);
        return;
    }
    const size_t most = 2 * static_cast<size_t>(count);
    POINT* line = ZeroBlock<POINT>(most);
    if (line == nullptr)
        return;
    int lastWidth = -1;
    HPEN erasePen = nullptr;
    for (int c = 0; c < s->channels; ++c)
    {
        const LineDesc& desc = s->pens[c];
        HPEN pen = nullptr;
        if (erase)
        {
            // The old trace is painted over in the plot's background colour.
            const int width = desc.style == 0 ? desc.widthX : 2 * graph->unitsPerPixelX;
            if (width != lastWidth)
            {
                LOGPEN background{PS_SOLID, {width, 0}, graph->plotBackground};
                erasePen = CreateSelectPen(dc, &background);
                lastWidth = width;
            }
            SetBkMode(dc, OPAQUE);
            SetBkColor(dc, desc.color);
        }
        else
        {
            const LOGPEN logPen = PenOfLine(desc);
            pen = SelectPenIndirect(graph, dc, &logPen);
            SetBkMode(dc, desc.style == 0 ? OPAQUE : TRANSPARENT);
        }
        size_t n = 0;
        int lastValue = 0;
        for (int i = 0; i < count; ++i)
        {
            const int slot = (firstSlot + i) % s->points;
            const int value = s->pixels[static_cast<size_t>(slot) * s->channels + c];
            const int time = TimeOf(s, i);
            if (i > 0 && s->lineMode == 1)
                line[n++] = At(s, TimeOf(s, i - 1), value);
            else if (i > 0 && s->lineMode == 2)
                line[n++] = At(s, time, lastValue);
            line[n++] = At(s, time, value);
            lastValue = value;
        }
        if (n >= 2)
            Polyline(dc, line, static_cast<int>(n));
        if (pen && dc == graph->metafileDc)
        {
            SelectObject(dc, GetStockObject(BLACK_PEN));
            DeleteObject(pen);
        }
    }
    if (erasePen && dc == graph->metafileDc)
    {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(erasePen);
    }
    std::free(line);
}

void RedrawScrollTrace(GrDesc* graph, ScrollDesc* s, HDC dc, int oldStart, int oldCount, int newStart,
                       int newCount)
{
    DrawScrollTraces(graph, s, dc, oldStart, oldCount, true);
    DrawScrollTraces(graph, s, dc, newStart, newCount, false);
}

int ClassifyRescale(int oldPoints, int newPoints, int position, UINT historyCapacity, int ringFull)
{
    if (oldPoints < newPoints)
    {
        if (!ringFull)
            return 1;
        if (historyCapacity == 0)
            return 2;
        return historyCapacity < static_cast<UINT>(newPoints) ? 3 : 4;
    }
    if (!ringFull)
        return position < newPoints ? 1 : 5;
    return 6;
}

void RefillScrollValues(ScrollDesc* s, const float* old, int oldPoints, int newPoints, int kase)
{
    const size_t m = static_cast<size_t>(s->valueFloats);
    const int k = static_cast<int>(s->ringCount);
    auto copy = [&](int to, int from, int n)
    {
        if (n > 0)
            std::memcpy(s->values + to * m, old + from * m, static_cast<size_t>(n) * m * sizeof(float));
    };
    switch (kase)
    {
    case 1:
        copy(0, 0, std::min(k, newPoints));
        break;
    case 2:
        copy(0, k, oldPoints - k);
        copy(oldPoints - k, 0, k);
        s->ringFull = 0;
        break;
    case 3:
    case 4:
    {
        int from = 0, to = newPoints - 1;
        if (s->frozen && s->oldestShown >= newPoints)
        {
            from = s->oldestShown - newPoints + 1;
            to = s->oldestShown;
        }
        s->ringCount = static_cast<UINT>(CopyHistToGraph(s, from, to, newPoints));
        s->ringFull = kase == 4 ? 1 : 0;
        break;
    }
    case 5:
        copy(0, std::max(k - newPoints, 0), std::min(newPoints, k));
        s->ringFull = 1;
        break;
    case 6:
    {
        int first = s->frozen ? k : k + oldPoints - newPoints;
        if (first >= oldPoints)
            first -= oldPoints;
        const int head = std::min(newPoints, oldPoints - first);
        copy(0, first, head);
        copy(head, 0, newPoints - head);
        s->ringFull = 1;
        break;
    }
    default:
        break;
    }
}

bool ApplyScrollRescale(GrDesc* graph, ScrollDesc* s, int newPoints, float range, int kase)
{
    if (s->r.rt.head.subKind != SCROLL_SWEEP || IsXY(s))
    {
        s->kept = static_cast<int>((newPoints - 1) * s->keptFraction + 0.5f);
        if (!IsXY(s))
            s->jumpSpan = (1 - s->keptFraction) * range;
        if (s->kept >= newPoints - 1)
            s->kept = newPoints - 2 > 0 ? newPoints - 2 : 0;
    }
    if (kase != 0)
        s->start = 0;
    float shift = 0;
    switch (kase)
    {
    case 2:
        shift = (s->position - s->points) * s->interval;
        s->ringCount = static_cast<UINT>(s->points);
        s->position = s->points;
        s->ringIndex = s->position - 1;
        break;
    case 3:
    case 4:
        shift = (s->position - static_cast<int>(s->ringCount)) * s->interval;
        s->position = static_cast<int>(s->ringCount);
        s->ringIndex = s->position - 1;
        break;
    case 5:
    case 6:
        shift = (s->position - newPoints) * s->interval;
        s->position = newPoints;
        s->ringCount = 0;
        s->ringIndex = newPoints - 1;
        break;
    case 7:
    {
        // The copied window may hold less than a screen when the ring is shorter than the screen.
        const int copied = std::min(static_cast<int>(s->ringCount), newPoints);
        shift = (s->position - copied) * s->interval;
        s->position = copied;
        s->ringIndex = copied - 1;
        s->ringCount = copied >= newPoints ? 0 : static_cast<UINT>(copied);
        break;
    }
    default:
        break;
    }
    if (shift != 0 && kase != 7)
        ShiftAttachedLabels(graph, s, shift);
    s->previous = s->ringIndex - 1;
    if (s->ringCount >= static_cast<UINT>(newPoints))
        s->ringCount = 0;
    if (newPoints != s->points)
    {
        const size_t oldN = static_cast<size_t>(s->points), newN = static_cast<size_t>(newPoints);
        if (!Regrow(s->coords, oldN, newN) ||
            !Regrow(s->pixels, (oldN + 2) * s->channels, (newN + 2) * s->channels) ||
            (s->xPixels && !Regrow(s->xPixels, oldN * s->channels, newN * s->channels)))
        {
            RTErrHdlr(53, 0, nullptr);
            return false;
        }
        s->points = newPoints;
        if (!IsXY(s))
            ComputeTimePositions(graph, s, graph->buildDc);
    }
    PointsToPixels(graph, s);
    return true;
}

void FreeFrozenCopy(ScrollDesc* s)
{
    if (DynDataSetDesc* copy = s->frozenCopy)
    {
        std::free(copy->ring);
        std::free(copy);
    }
    // The record shows the live set again (unless it was bound to another set meanwhile).
    if (s->liveSet && (s->r.rt.dataSet == s->frozenCopy || s->r.rt.dataSet == nullptr))
        s->r.rt.dataSet = s->liveSet;
    s->frozenCopy = nullptr;
    s->liveSet = nullptr;
    s->frozen = 0;
}

void RegisterScrollTypes()
{
    for (int type : {static_cast<int>(RT_TYPE_SCROLL), static_cast<int>(RT_TYPE_XY)})
    {
        RtObjectType kind;
        kind.type = type;
        kind.size = sizeof(ScrollDesc);
        kind.release = Release;
        kind.copy = Copy;
        kind.recalc = Recalc;
        kind.rescale = Rescale;
        kind.checkRange = CheckRange;
        kind.reconnect = Reconnect;
        kind.boundSet = BoundSet;
        kind.hitLine = HitTrace;
        kind.edit = EditScrollGraph;
        RegisterRtType(kind);
    }
}

// The plain scroll graph's callbacks, shared by stacked and logic graphs.
void InstallScrollCallbacks(ScrollDesc* s)
{
    s->r.rt.head.draw = ScrollGraphPaint;
    s->r.rt.update = ScrollGraphUpdate;
}

} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetScrollGraph(GrDesc* graph, UINT slot, float interval, float keptFraction, int direction,
                             WORD lineMode, const int* styles, const int* widths, const int* colours)
{
    static const char kName[] = " - WRSetScrollGraph";
    DynDataSetDesc* set = GetDynDataSet(static_cast<int>(slot));
    if (set == nullptr)
    {
        if (Lib().top == nullptr || !Lib().top->abortFlag)
            ErrHdlr(55, 2, kName);
        return 0;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    const double range = direction == 1 ? std::fabs(graph->worldXTo - graph->worldXFrom)
                                        : std::fabs(graph->worldYTo - graph->worldYFrom);
    // An interval or range of 0 (or one that gives more positions than a screen can take) is refused.
    if (!(interval > 0) || !(range > 0) || range / interval >= kMaxPoints)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    auto* s = reinterpret_cast<ScrollDesc*>(AllocRTObject(graph, RT_TYPE_SCROLL, SCROLL_PLAIN));
    if (s == nullptr)
        return 0;
    s->r.direction = direction == 1 ? 1 : 0;
    InstallScrollCallbacks(s);
    s->lineMode = static_cast<SHORT>(lineMode <= 2 ? lineMode : 0);
    s->interval = interval;
    const float cap = static_cast<float>(1 - interval / range);
    if (!(keptFraction <= cap))
        keptFraction = cap;
    keptFraction = std::max(keptFraction, 0.0f);
    s->points = std::max(static_cast<int>(range / interval + 1.5), 2);
    const WORD number = InitScrollObj(graph, s, keptFraction, set->valueCount, styles, widths, colours, set);
    if (number == 0)
    {
        AbandonRTObject(graph);
        return 0;
    }
    if (s->position == 0)
        ComputeTimePositions(graph, s, graph->buildDc);
    return number;
}

int WINAPI WRGetScrollGraphParams(GrDesc* graph, WORD number, float* interval, float* keptFraction,
                                  int* lineMode)
{
    ScrollDesc* s =
        graph && WGIsGraphDescValid(graph) ? AsScroll(GetObjDesc(graph, number, nullptr)) : nullptr;
    if (s == nullptr)
    {
        ErrHdlr(56, 2, " - WRGetScrollGraph");
        return 0;
    }
    if (interval && s->r.rt.head.subKind != SCROLL_VARIABLE)
        *interval = s->interval;
    if (keptFraction)
        *keptFraction = s->keptFraction;
    if (lineMode)
        *lineMode = s->lineMode;
    return 1;
}

int WINAPI WRChangeScrollGraph(GrDesc* graph, WORD number, float interval, float keptFraction, int lineMode)
{
    static const char kName[] = " - WRChangeScrollGraph";
    ScrollDesc* s =
        graph && WGIsGraphDescValid(graph) ? AsScroll(GetObjDesc(graph, number, nullptr)) : nullptr;
    if (s == nullptr)
    {
        ErrHdlr(56, 2, kName);
        return 0;
    }
    const bool timed = !IsXY(s) && s->r.rt.head.subKind != SCROLL_VARIABLE;
    const float span = TimeRange(s);
    if (timed && interval != s->interval && !(interval > 0 && span / interval < kMaxPoints))
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    if (s->r.rt.head.subKind != SCROLL_SWEEP || IsXY(s))
    {
        keptFraction = std::clamp(keptFraction, 0.0f, 1.0f);
        s->keptFraction = keptFraction;
        if (!IsXY(s))
            s->jumpSpan = (1 - keptFraction) * span;
        s->kept = static_cast<int>((s->points - 1) * keptFraction + 0.5f);
        if (s->kept >= s->points - 1)
            s->kept = std::max(s->points - 2, 0);
    }
    s->lineMode = static_cast<SHORT>(lineMode >= 0 && lineMode <= 2 ? lineMode : 0);
    if (timed && interval != s->interval)
    {
        s->interval = interval;
        Resample(graph, s, span);
    }
    return 1;
}
