// XY graphs (type 104): the newest N samples of a data set drawn as traces of (x, y) pairs, value i
// and value channels + i of each sample. Each sample adds one segment per trace; once N samples are
// on screen the oldest ones drop off. The ascending kind breaks a trace where its x falls back.
#include "ScrollGraph.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace trendkit
{
namespace
{

constexpr int kMaxXYPoints = 1 << 20;

struct TracePoint
{
    int x, y;
};

TracePoint PointOf(const ScrollDesc* s, int slot, int trace)
{
    const size_t at = static_cast<size_t>(slot) * s->channels + trace;
    return {s->xPixels[at], s->pixels[at]};
}

// Whether the segment from `a` to `b` is drawn (the ascending kind leaves out steps back in x).
bool Joined(const ScrollDesc* s, TracePoint a, TracePoint b)
{
    return !s->ascending || a.x <= b.x;
}

void SelectTracePen(GrDesc* graph, ScrollDesc* s, HDC dc, int trace, HPEN* made)
{
    const LineDesc& line = s->pens[trace];
    SetBkMode(dc, line.style == 0 ? OPAQUE : TRANSPARENT);
    const LOGPEN pen = PenOfLine(line);
    *made = SelectPenIndirect(graph, dc, &pen);
}

void DropPen(GrDesc* graph, HDC dc, HPEN pen)
{
    if (pen && dc == graph->metafileDc)
    {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
}

// Draws positions [from, to) of a trace from ring slot `start`, one Polyline per joined run.
void DrawTraceRuns(ScrollDesc* s, HDC dc, int trace, int from, int to, POINT* line)
{
    int n = 0;
    TracePoint last{};
    for (int i = from; i < to; ++i)
    {
        const TracePoint p = PointOf(s, (s->start + i) % s->points, trace);
        if (n > 0 && !Joined(s, last, p))
        {
            if (n >= 2)
                Polyline(dc, line, n);
            n = 0;
        }
        line[n++] = POINT{p.x, p.y};
        last = p;
    }
    if (n >= 2)
        Polyline(dc, line, n);
}

bool Meets(const RECT& box, TracePoint a, TracePoint b)
{
    return std::max(a.x, b.x) >= box.left && std::min(a.x, b.x) <= box.right &&
           std::max(a.y, b.y) >= box.top && std::min(a.y, b.y) <= box.bottom;
}

// The oldest samples drop off: their segments are painted over in the plot background, and the
// segments left on screen that the erased area touched are drawn again, so the cost stays with the
// samples that leave, not with the length of the screen.
void DropOldest(GrDesc* graph, ScrollDesc* s, HDC dc, int oldStart, int dropped)
{
    const int px = std::max(graph->unitsPerPixelX, 1), py = std::max(graph->unitsPerPixelY, 1);
    for (int c = 0; c < s->channels; ++c)
    {
        const LineDesc& line = s->pens[c];
        const int width = line.style == 0 ? line.widthX : 2 * line.widthX;
        LOGPEN background{PS_SOLID, {width, 0}, graph->plotBackground};
        HPEN erase = CreateSelectPen(dc, &background);
        SetBkMode(dc, OPAQUE);
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int i = 0; i < dropped; ++i)
        {
            const TracePoint a = PointOf(s, (oldStart + i) % s->points, c);
            const TracePoint b = PointOf(s, (oldStart + i + 1) % s->points, c);
            if (!Joined(s, a, b))
                continue;
            MoveToEx(dc, a.x, a.y, nullptr);
            LineTo(dc, b.x, b.y);
            box = RECT{std::min({box.left, a.x, b.x}), std::min({box.top, a.y, b.y}),
                       std::max({box.right, a.x, b.x}), std::max({box.bottom, a.y, b.y})};
        }
        DropPen(graph, dc, erase);
        if (box.left > box.right)
            continue;
        const int grow = std::max(width, 1) + 1;
        GrowRect(&box, grow * px, grow * py);
        // Every trace may cross the erased area.
        for (int t = 0; t < s->channels; ++t)
        {
            HPEN pen = nullptr;
            bool selected = false;
            const int first = (oldStart + dropped) % s->points;
            for (int i = 0; i + 1 < s->position - dropped; ++i)
            {
                const TracePoint a = PointOf(s, (first + i) % s->points, t);
                const TracePoint b = PointOf(s, (first + i + 1) % s->points, t);
                if (!Joined(s, a, b) || !Meets(box, a, b))
                    continue;
                if (!selected)
                {
                    SelectTracePen(graph, s, dc, t, &pen);
                    selected = true;
                }
                MoveToEx(dc, a.x, a.y, nullptr);
                LineTo(dc, b.x, b.y);
            }
            DropPen(graph, dc, pen);
        }
    }
}

const AxisDesc* AxisOf(GrDesc* graph, int number)
{
    ObjDesc* o = number > 0 ? GetObjDesc(graph, static_cast<WORD>(number), nullptr) : nullptr;
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<const AxisDesc*>(o) : nullptr;
}

// Zooms and rescales change the axes, not the graph's world: the samples are mapped with the
// ranges of the axes the trace is drawn against, as they are now.
void FollowAxes(GrDesc* graph, ScrollDesc* s)
{
    if (const AxisDesc* x = AxisOf(graph, s->r.rt.head.xAxis); x && x->xMax != x->xMin)
    {
        s->r.xLow = x->xMin;
        s->r.xHigh = x->xMax;
        s->r.xSpan = x->xMax - x->xMin;
    }
    if (const AxisDesc* y = AxisOf(graph, s->r.rt.head.yAxis); y && y->yMax != y->yMin)
    {
        s->r.yLow = y->yMin;
        s->r.yHigh = y->yMax;
        s->r.ySpan = y->yMax - y->yMin;
    }
}

void XYGraphUpdate(GrDesc* graph, RtObjDesc* object)
{
    auto* s = reinterpret_cast<ScrollDesc*>(object);
    HDC dc = DrawingDC(graph);
    if (s->frozen || dc == nullptr || s->xPixels == nullptr)
        return;
    SetPlotClip(graph, dc);
    FollowAxes(graph, s);
    AdvanceRing(s);
    StoreSample(s, s->ringIndex);
    if (s->position >= s->points)
    {
        s->scrolled = 1;
        const int oldStart = s->start;
        const int dropped = s->points - s->kept - 1;
        DropOldest(graph, s, dc, oldStart, dropped);
        s->start = (oldStart + dropped) % s->points;
        s->position = s->kept + 1;
    }
    SampleToPixels(graph, s, s->ringIndex);
    if (s->previous >= 0 && s->position > 0)
    {
        for (int c = 0; c < s->channels; ++c)
        {
            const TracePoint a = PointOf(s, s->previous, c), b = PointOf(s, s->ringIndex, c);
            if (!Joined(s, a, b))
                continue;
            const LineDesc& line = s->pens[c];
            SetBkMode(dc, line.style == 0 ? OPAQUE : TRANSPARENT);
            const LOGPEN pen = PenOfLine(line);
            HPEN made = CreateSelectPen(dc, &pen);
            MoveToEx(dc, a.x, a.y, nullptr);
            LineTo(dc, b.x, b.y);
            DropPen(graph, dc, made);
        }
    }
    ++s->position;
    SetGraphClip(graph, dc);
}

void XYGraphPaint(GrDesc* graph, HDC dc)
{
    auto* s = reinterpret_cast<ScrollDesc*>(graph->currentObject);
    if (s == nullptr || graph->outsidePlotRepaint == 1 || s->xPixels == nullptr || s->position <= 0)
        return;
    POINT* line = static_cast<POINT*>(std::calloc(static_cast<size_t>(s->position), sizeof(POINT)));
    if (line == nullptr)
        return;
    // The axes may have changed since the samples were mapped.
    FollowAxes(graph, s);
    PointsToPixels(graph, s);
    SetPlotClip(graph, dc);
    for (int c = 0; c < s->channels; ++c)
    {
        HPEN pen = nullptr;
        SelectTracePen(graph, s, dc, c, &pen);
        DrawTraceRuns(s, dc, c, 0, s->position, line);
        DropPen(graph, dc, pen);
    }
    SetGraphClip(graph, dc);
    std::free(line);
}

WORD MakeXYGraph(GrDesc* graph, UINT slot, int count, const int* colours, const int* styles,
                 const int* widths, bool ascending, const char* name)
{
    DynDataSetDesc* set = GetDynDataSet(static_cast<int>(slot));
    if (set == nullptr)
    {
        if (Lib().top == nullptr || !Lib().top->abortFlag)
            ErrHdlr(55, 2, name);
        return 0;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    // A trace needs a pair of values, and a screen at least two points.
    if (set->valueCount < 2 || count < 2 || count > kMaxXYPoints)
    {
        ErrHdlr(30, 2, name);
        return 0;
    }
    auto* s = reinterpret_cast<ScrollDesc*>(AllocRTObject(graph, RT_TYPE_XY, XY_SUBTYPE));
    if (s == nullptr)
        return 0;
    set->xyPairs = 1;
    s->r.direction = 1;
    s->r.rt.head.draw = XYGraphPaint;
    s->r.rt.update = XYGraphUpdate;
    s->ascending = ascending ? 1 : 0;
    s->interval = 1;
    s->points = count;
    const WORD number = InitScrollObj(graph, s, 0.999f, set->valueCount, styles, widths, colours, set);
    if (number == 0)
        AbandonRTObject(graph);
    return number;
}

} // namespace
} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetXYGraph(GrDesc* graph, UINT slot, int count, const int* colours, const int* styles,
                         const int* widths)
{
    return MakeXYGraph(graph, slot, count, colours, styles, widths, false, " - WRSetXYGraph");
}

WORD WINAPI WRSetAscendXYGraph(GrDesc* graph, UINT slot, int count, const int* colours, const int* styles,
                               const int* widths)
{
    return MakeXYGraph(graph, slot, count, colours, styles, widths, true, " - WRSetAscendXYGraph");
}
