// The sweep graph (type 103, subtype 3): like an oscilloscope it writes each sample at the next
// position and starts again at the left edge when it reaches the right one, erasing the previous
// sweep's trace just ahead of a sweep line as it goes. The trace never moves, so each sample costs
// the same: one old segment erased, the new one drawn, the sweep line moved on.
#include "ScrollGraph.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace trendkit
{
namespace
{

constexpr double kMaxPoints = 32701;

int TimeAt(const ScrollDesc* s, int position)
{
    return s->r.direction == 1 ? s->coords[position].x : s->coords[position].y;
}

POINT At(const ScrollDesc* s, int time, int value)
{
    return s->r.direction == 1 ? POINT{time, value} : POINT{value, time};
}

INT* Spare(ScrollDesc* s)
{
    return s->pixels + static_cast<size_t>(s->points) * s->channels;
}

INT* Slot(ScrollDesc* s, int slot)
{
    return s->pixels + static_cast<size_t>(slot) * s->channels;
}

// One segment of channel c between two positions in the current pen, in the graph's line mode.
void Segment(const ScrollDesc* s, HDC dc, int t0, int v0, int t1, int v1)
{
    POINT p = At(s, t0, v0);
    MoveToEx(dc, p.x, p.y, nullptr);
    if (s->lineMode == 1)
    {
        p = At(s, t0, v1);
        LineTo(dc, p.x, p.y);
    }
    else if (s->lineMode == 2)
    {
        p = At(s, t1, v0);
        LineTo(dc, p.x, p.y);
    }
    p = At(s, t1, v1);
    LineTo(dc, p.x, p.y);
}

void ChannelPen(GrDesc* graph, const ScrollDesc* s, HDC dc, int c)
{
    const LineDesc& line = s->pens[c];
    SetBkMode(dc, line.style == 0 ? OPAQUE : TRANSPARENT);
    const LOGPEN pen = PenOfLine(line);
    HPEN made = CreateSelectPen(dc, &pen);
    if (made && dc == graph->metafileDc)
        SelectObject(dc, made); // deleted by the next selection
}

void BackgroundPen(GrDesc* graph, HDC dc, int width)
{
    LOGPEN pen{PS_SOLID, {width, 0}, graph->plotBackground};
    CreateSelectPen(dc, &pen);
    SetBkMode(dc, OPAQUE);
}

bool SweepLineShown(const ScrollDesc* s)
{
    return s->r.rt.head.line.style >= 0;
}

void SweepLine(GrDesc* graph, const ScrollDesc* s, HDC dc, int time)
{
    const RECT& plot = graph->plot;
    if (s->r.direction == 1)
    {
        MoveToEx(dc, time, plot.top + graph->unitsPerPixelY, nullptr);
        LineTo(dc, time, plot.bottom - 2 * graph->unitsPerPixelY);
    }
    else
    {
        MoveToEx(dc, plot.left + graph->unitsPerPixelX, time, nullptr);
        LineTo(dc, plot.right - 2 * graph->unitsPerPixelX, time);
    }
}

void DrawSweepLine(GrDesc* graph, const ScrollDesc* s, HDC dc, int time)
{
    const LOGPEN pen = PenOfLine(s->r.rt.head.line);
    CreateSelectPen(dc, &pen);
    SetBkMode(dc, OPAQUE);
    SweepLine(graph, s, dc, time);
}

void SweepGraphUpdate(GrDesc* graph, RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    HDC dc = DrawingDC(graph);
    if (s->frozen || dc == nullptr || s->coords == nullptr)
        return;
    SetPlotClip(graph, dc);
    if (s->position >= s->points)
    {
        s->scrolled = 1;
        s->position = 0;
        for (WORD labels : s->timeLabels)
        {
            if (labels == 0)
                break;
            if (TimeLabels().shift)
                TimeLabels().shift(graph, labels, s->jumpSpan);
        }
    }
    const int p = s->position;
    // The sweep writes position p into slot p.
    s->previous = p > 0 ? p - 1 : -1;
    s->ringIndex = p;
    if (++s->ringCount >= static_cast<UINT>(s->points))
    {
        s->ringCount = 0;
        s->ringFull = 1;
    }
    StoreSample(s, p);
    const int n = s->channels;
    if (s->scrolled)
    {
        // The previous sweep's segment that ends here goes; its pixels at p are kept in the spare row
        // as the start of what is left of it.
        if (p > 0)
            for (int c = 0; c < n; ++c)
            {
                const LineDesc& line = s->pens[c];
                BackgroundPen(graph, dc, line.style == 0 ? line.widthX : 2 * graph->unitsPerPixelX);
                Segment(s, dc, TimeAt(s, p - 1), Spare(s)[c], TimeAt(s, p), Slot(s, p)[c]);
            }
        std::memcpy(Spare(s), Slot(s, p), n * sizeof(INT));
    }
    SampleToPixels(graph, s, p);
    if (!s->scrolled && p == 0)
        std::memcpy(Spare(s), Slot(s, p), n * sizeof(INT));
    if (p > 0)
    {
        if (SweepLineShown(s) && TimeAt(s, p - 1) != TimeAt(s, p))
        {
            const int width = std::max(s->r.rt.head.line.widthX, s->pens[0].widthX);
            BackgroundPen(graph, dc, width);
            SweepLine(graph, s, dc, TimeAt(s, p - 1));
        }
        for (int c = 0; c < n; ++c)
        {
            ChannelPen(graph, s, dc, c);
            if (p > 1)
                Segment(s, dc, TimeAt(s, p - 2), Slot(s, p - 2)[c], TimeAt(s, p - 1), Slot(s, p - 1)[c]);
            Segment(s, dc, TimeAt(s, p - 1), Slot(s, p - 1)[c], TimeAt(s, p), Slot(s, p)[c]);
        }
    }
    // What is left of the previous sweep begins at p: its first segment may have been touched.
    if (s->scrolled && p + 1 < s->points)
        for (int c = 0; c < n; ++c)
        {
            ChannelPen(graph, s, dc, c);
            Segment(s, dc, TimeAt(s, p), Spare(s)[c], TimeAt(s, p + 1), Slot(s, p + 1)[c]);
        }
    if (p < s->points - 1 && SweepLineShown(s))
        DrawSweepLine(graph, s, dc, TimeAt(s, p));
    s->position = p + 1;
    SetGraphClip(graph, dc);
}

void SweepGraphPaint(GrDesc* graph, HDC dc)
{
    auto* s = reinterpret_cast<ScrollDesc*>(graph->currentObject);
    if (s == nullptr || graph->outsidePlotRepaint == 1 || s->coords == nullptr)
        return;
    const int along =
        s->r.direction == 1 ? graph->plot.right - graph->plot.left : graph->plot.bottom - graph->plot.top;
    const int pixel = s->r.direction == 1 ? graph->unitsPerPixelX : graph->unitsPerPixelY;
    s->samplesPerPixel = along > 0 ? std::max(1, s->points * std::max(pixel, 1) / along) : 1;
    if (s->position == 0)
        return;
    SetPlotClip(graph, dc);
    ComputeTimePositions(graph, s, dc);
    const int p = s->position;
    for (int c = 0; c < s->channels; ++c)
    {
        ChannelPen(graph, s, dc, c);
        for (int i = 1; i < p; ++i)
            Segment(s, dc, TimeAt(s, i - 1), Slot(s, i - 1)[c], TimeAt(s, i), Slot(s, i)[c]);
        if (s->scrolled && p < s->points)
        {
            Segment(s, dc, TimeAt(s, p - 1), Spare(s)[c], TimeAt(s, p), Slot(s, p)[c]);
            for (int i = p + 1; i < s->points; ++i)
                Segment(s, dc, TimeAt(s, i - 1), Slot(s, i - 1)[c], TimeAt(s, i), Slot(s, i)[c]);
        }
    }
    if (p < s->points && SweepLineShown(s))
        DrawSweepLine(graph, s, dc, TimeAt(s, p - 1));
    SetGraphClip(graph, dc);
}

} // namespace
} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetSweepGraph(GrDesc* graph, UINT slot, float interval, int direction, WORD lineMode,
                            int sweepColour, const int* styles, const int* widths, const int* colours)
{
    static const char kName[] = " - WRSetSweepGraph";
    DynDataSetDesc* set = GetDynDataSet(static_cast<int>(slot));
    if (set == nullptr)
    {
        if (Lib().top == nullptr || !Lib().top->abortFlag)
            ErrHdlr(55, 2, kName);
        return 0;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    direction = direction == 1 ? 1 : 0;
    const double range = direction == 1 ? std::fabs(graph->worldXTo - graph->worldXFrom)
                                        : std::fabs(graph->worldYTo - graph->worldYFrom);
    if (!(interval > 0) || !(range > 0) || range / interval >= kMaxPoints)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    auto* s = reinterpret_cast<ScrollDesc*>(AllocRTObject(graph, RT_TYPE_SCROLL, SCROLL_SWEEP));
    if (s == nullptr)
        return 0;
    s->r.direction = direction;
    s->r.rt.head.draw = SweepGraphPaint;
    s->r.rt.update = SweepGraphUpdate;
    s->lineMode = static_cast<SHORT>(lineMode <= 2 ? lineMode : 0);
    s->interval = interval;
    // A colour index below 0 hides the sweep line.
    SetLine(graph, graph->buildDc, &s->r.rt.head.line, 0, std::max(sweepColour, 0), 0, 1);
    if (sweepColour < 0)
        s->r.rt.head.line.style = -1;
    s->points = std::max(static_cast<int>(range / interval + 1.5), 2);
    // The sweep keeps nothing at the edge: its jump is the whole range.
    const WORD number = InitScrollObj(graph, s, 0, set->valueCount, styles, widths, colours, set);
    if (number == 0)
    {
        AbandonRTObject(graph);
        return 0;
    }
    // A sweep starts at the left edge; history does not pre-fill it.
    s->position = 0;
    s->start = 0;
    s->ringCount = 0;
    s->ringIndex = s->previous = -1;
    s->ringFull = 0;
    ComputeTimePositions(graph, s, graph->buildDc);
    return number;
}

// ---- Variable scroll graph ------------------------------------------------------------------------
// The set's last value is the time since the previous sample, so samples need not be evenly spaced;
// each value-ring sample keeps the channel values and, behind them, its time in time-axis units. The
// screen starts with 31 positions and grows by 10 whenever it fills; the trace jumps by whole jump
// spans of time.

namespace trendkit
{
namespace
{

float& TimeOfSlot(ScrollDesc* s, int slot)
{
    return s->values[static_cast<size_t>(slot) * s->valueFloats + s->channels];
}

void TimeRangeOf(const ScrollDesc* s, float* from, float* to)
{
    const float low = s->r.direction == 1 ? s->r.xLow : s->r.yLow;
    const float high = s->r.direction == 1 ? s->r.xHigh : s->r.yHigh;
    *from = std::min(low, high);
    *to = std::max(low, high);
}

// The coordinate of time t along the time axis.
int MapTime(GrDesc* graph, const ScrollDesc* s, float t)
{
    RtRangedDesc along = s->r;
    along.direction = s->r.direction == 1 ? 0 : 1;
    int out = 0;
    MapValuesToPixels(graph, &along, &t, &out, 1);
    return out;
}

void SetTimeCoord(ScrollDesc* s, int position, int coordinate)
{
    if (s->r.direction == 1)
        s->coords[position].x = coordinate;
    else
        s->coords[position].y = coordinate;
}

// The screen grows by 10 positions; false (the buffers unchanged) when memory runs out.
bool Grow(ScrollDesc* s)
{
    const size_t oldN = static_cast<size_t>(s->points), newN = oldN + 10;
    const size_t m = static_cast<size_t>(s->valueFloats), c = static_cast<size_t>(s->channels);
    auto* coords = static_cast<POINT*>(std::calloc(newN, sizeof(POINT)));
    auto* values = static_cast<float*>(std::calloc(newN * m, sizeof(float)));
    auto* pixels = static_cast<INT*>(std::calloc((newN + 2) * c, sizeof(INT)));
    if (!coords || !values || !pixels)
    {
        std::free(coords);
        std::free(values);
        std::free(pixels);
        return false;
    }
    std::memcpy(coords, s->coords, oldN * sizeof(POINT));
    // Ring slots from start to the old end move up by 10, leaving room after the newest sample.
    // (With start 0 the ring is in order and the room is at its end.)
    const size_t start = s->start != 0 ? static_cast<size_t>(s->start) : oldN;
    std::memcpy(values, s->values, start * m * sizeof(float));
    if (start < oldN)
        std::memcpy(values + (start + 10) * m, s->values + start * m, (oldN - start) * m * sizeof(float));
    std::memcpy(pixels, s->pixels, start * c * sizeof(INT));
    if (start < oldN)
        std::memcpy(pixels + (start + 10) * c, s->pixels + start * c, (oldN - start) * c * sizeof(INT));
    std::free(s->coords);
    std::free(s->values);
    std::free(s->pixels);
    s->coords = coords;
    s->values = values;
    s->pixels = pixels;
    if (s->start != 0)
        s->start += 10;
    s->points = static_cast<int>(newN);
    return true;
}

// A jump by `shift`: the samples that stay move back by it, the one before the new edge is brought
// to the edge, and the trace is drawn again.
void VarJump(GrDesc* graph, ScrollDesc* s, HDC dc, float shift, float from)
{
    DrawScrollTraces(graph, s, dc, s->start, s->position, true);
    const int held = s->position; // samples on screen before the new one
    int first = held;             // first position whose time stays on screen
    for (int i = 0; i < held; ++i)
        if (TimeOfSlot(s, (s->start + i) % s->points) - shift >= from)
        {
            first = i;
            break;
        }
    const int keepFrom = first > 0 ? first - 1 : 0;
    const int newStart = (s->start + keepFrom) % s->points;
    // Everything from the new start (and the new sample after it) moves back by the shift.
    const int moved = held - keepFrom + 1;
    for (int i = 0; i < moved; ++i)
        TimeOfSlot(s, (newStart + i) % s->points) -= shift;
    if (first > 0 && first <= held)
    {
        // The sample before the edge is brought to it.
        const int a = newStart, b = (newStart + 1) % s->points;
        const float ta = TimeOfSlot(s, a), tb = TimeOfSlot(s, b);
        if (s->lineMode == 0 && tb > ta)
        {
            const float k = (from - ta) / (tb - ta);
            float* va = s->values + static_cast<size_t>(a) * s->valueFloats;
            const float* vb = s->values + static_cast<size_t>(b) * s->valueFloats;
            for (int c = 0; c < s->channels; ++c)
                va[c] += (vb[c] - va[c]) * k;
            SampleToPixels(graph, s, a);
        }
        TimeOfSlot(s, a) = from;
    }
    s->start = newStart;
    s->position = held - keepFrom;
    for (int i = 0; i < s->position; ++i)
        SetTimeCoord(s, i, MapTime(graph, s, TimeOfSlot(s, (s->start + i) % s->points)));
    DrawScrollTraces(graph, s, dc, s->start, s->position, false);
    s->scrolled = 1;
}

void VarScrollUpdate(GrDesc* graph, RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    HDC dc = DrawingDC(graph);
    if (s->frozen || dc == nullptr || s->coords == nullptr)
        return;
    SetPlotClip(graph, dc);
    const bool first = s->ringIndex < 0 || s->position == 0;
    AdvanceRing(s);
    float from = 0, to = 0;
    TimeRangeOf(s, &from, &to);
    float step = s->r.rt.dataSet->current[s->channels];
    if (!(step >= 0) || !std::isfinite(step))
        step = 0; // a step back in time (or no number) draws at the previous time
    float t = first ? from : TimeOfSlot(s, s->previous) + step;
    float shift = 0;
    int jumps = 0;
    // A screen that could not grow is full: it jumps whatever the time.
    if (t > to || s->position >= s->points)
    {
        s->ringFull = 1;
        const double over = std::max(static_cast<double>(t) - to, 0.0);
        const double n = std::floor(over / s->jumpSpan) + 1;
        jumps = static_cast<int>(std::min(n, 1e6));
        shift = static_cast<float>(jumps * static_cast<double>(s->jumpSpan));
    }
    StoreSample(s, s->ringIndex);
    TimeOfSlot(s, s->ringIndex) = t;
    if (jumps > 0)
    {
        VarJump(graph, s, dc, shift, from);
        t -= shift;
        for (WORD labels : s->timeLabels)
        {
            if (labels == 0)
                break;
            if (TimeLabels().shift)
                TimeLabels().shift(graph, labels, shift);
        }
    }
    SampleToPixels(graph, s, s->ringIndex);
    int coordinate = MapTime(graph, s, t);
    if (first || s->position == 0)
    {
        // The first sample sits one pixel inside the edge and draws nothing.
        const bool ascending = s->r.direction == 1 ? s->r.xHigh > s->r.xLow : s->r.yHigh > s->r.yLow;
        const int pixel = s->r.direction == 1 ? graph->unitsPerPixelX : -graph->unitsPerPixelY;
        coordinate += ascending ? pixel : -pixel;
        SetTimeCoord(s, s->position, coordinate);
        s->previous = -1;
    }
    else
    {
        SetTimeCoord(s, s->position, coordinate);
        DrawScrollSegment(graph, s, dc);
    }
    ++s->position;
    if (s->position >= s->points)
        Grow(s);
    SetGraphClip(graph, dc);
}

void VarScrollPaint(GrDesc* graph, HDC dc)
{
    auto* s = reinterpret_cast<ScrollDesc*>(graph->currentObject);
    if (s == nullptr || graph->outsidePlotRepaint == 1 || s->coords == nullptr)
        return;
    SetPlotClip(graph, dc);
    DrawScrollTraces(graph, s, dc, s->start, s->position, false);
    SetGraphClip(graph, dc);
}

} // namespace

void RecomputeVarScroll(GrDesc* graph, ScrollDesc* s)
{
    for (int i = 0; i < s->position; ++i)
        SetTimeCoord(s, i, MapTime(graph, s, TimeOfSlot(s, (s->start + i) % s->points)));
    PointsToPixels(graph, s);
}

} // namespace trendkit

WORD WINAPI WRSetVarScroll(GrDesc* graph, UINT slot, float keptFraction, int direction, WORD lineMode,
                           const int* styles, const int* widths, const int* colours)
{
    static const char kName[] = " - WRSetVarScroll";
    DynDataSetDesc* set = GetDynDataSet(static_cast<int>(slot));
    if (set == nullptr)
    {
        if (Lib().top == nullptr || !Lib().top->abortFlag)
            ErrHdlr(55, 2, kName);
        return 0;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    direction = direction == 1 ? 1 : 0;
    const double range = direction == 1 ? std::fabs(graph->worldXTo - graph->worldXFrom)
                                        : std::fabs(graph->worldYTo - graph->worldYFrom);
    // A channel and the time step at least, and a time range to scroll over.
    if (set->valueCount < 2 || !(range > 0))
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    auto* s = reinterpret_cast<ScrollDesc*>(AllocRTObject(graph, RT_TYPE_SCROLL, SCROLL_VARIABLE));
    if (s == nullptr)
        return 0;
    s->r.direction = direction;
    s->r.rt.head.draw = VarScrollPaint;
    s->r.rt.update = VarScrollUpdate;
    s->lineMode = static_cast<SHORT>(lineMode <= 2 ? lineMode : 0);
    s->interval = static_cast<float>(range / 30);
    s->points = 31;
    // Each jump moves by at least a thirtieth of the range: a kept fraction of 1 would never move.
    keptFraction = std::clamp(std::isfinite(keptFraction) ? keptFraction : 0.0f, 0.0f, 29.0f / 30);
    const WORD number = InitScrollObj(graph, s, keptFraction, set->valueCount, styles, widths, colours, set);
    if (number == 0)
        AbandonRTObject(graph);
    return number;
}
