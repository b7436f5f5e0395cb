// The history view of scroll and XY graphs: freezing a graph on a copy of its data set and showing an
// older screenful of the set's history ring, moving that window, resuming live drawing, and emptying
// a graph. The live set goes on taking samples (ring, alarms) while the graph is frozen.
#include "ScrollGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trendkit
{
namespace
{

ScrollDesc* GetScrollObj(GrDesc* graph, WORD number, const char* caller)
{
    ObjDesc* object = graph && WGIsGraphDescValid(graph) ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (object == nullptr)
    {
        ErrHdlr(56, 2, caller);
        return nullptr;
    }
    ScrollDesc* s = AsScroll(object);
    if (s == nullptr)
        ErrHdlr(30, 2, caller);
    return s;
}

// Seconds per sample of the view: the graph's interval, or for an XY graph the one set at the show.
float ViewInterval(const ScrollDesc* s)
{
    const float interval = IsXY(s) ? s->historyInterval : s->interval;
    return interval > 0 ? interval : 1.0f;
}

int HeldSamples(const DynDataSetDesc* set)
{
    return static_cast<int>(set->wrapped ? set->capacity : set->writeIndex);
}

DynDataSetDesc* FrozenCopy(const DynDataSetDesc* live)
{
    auto* copy = static_cast<DynDataSetDesc*>(std::malloc(sizeof(DynDataSetDesc)));
    if (copy == nullptr)
        return nullptr;
    *copy = *live;
    copy->ringHandle = nullptr;
    copy->ddeLink = nullptr;
    const size_t floats = (static_cast<size_t>(live->capacity) + 1) * live->valueCount;
    copy->ring = static_cast<float*>(std::malloc(floats * sizeof(float)));
    if (copy->ring == nullptr)
    {
        std::free(copy);
        return nullptr;
    }
    std::memcpy(copy->ring, live->ring, floats * sizeof(float));
    return copy;
}

} // namespace
} // namespace trendkit

using namespace trendkit;

int WINAPI WRShowHist(GrDesc* graph, WORD number, float secondsBack, float windowSeconds, float* secondsUsed)
{
    ScrollDesc* s = GetScrollObj(graph, number, " - WRShowHist");
    if (s == nullptr || (!IsXY(s) && s->r.rt.head.subKind == SCROLL_VARIABLE) || !s->ringFull)
        return 0;
    if (s->frozen)
        FreeFrozenCopy(s); // a new window replaces the one shown
    DynDataSetDesc* live = s->r.rt.dataSet;
    if (live == nullptr || live->ring == nullptr || live->capacity == 0)
    {
        RTErrHdlr(134, 2, live ? live->name : "");
        return 0;
    }
    if (IsXY(s))
        s->historyInterval = windowSeconds > 0 ? windowSeconds / s->points : 1.0f;
    const float interval = ViewInterval(s);
    s->positionAtFreeze = s->position;
    DynDataSetDesc* copy = FrozenCopy(live);
    if (copy == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    const float blank = (s->points - s->position) * interval;
    s->liveSet = live;
    s->frozenCopy = copy;
    s->r.rt.dataSet = copy;
    // Either sign counts back from the newest sample (the host passes it negative).
    const float seconds = std::isfinite(secondsBack) ? std::fabs(secondsBack) : 0.0f;
    const double requestedNewest = std::min(std::trunc(seconds / interval + 0.5), 1e9);
    int newest = static_cast<int>(requestedNewest);
    int oldest = newest + s->points - 1;
    const int held = HeldSamples(copy);
    float used = seconds;
    if (oldest >= held)
    {
        oldest = held - 1;
        newest = std::max(oldest - s->points + 1, 0);
        used = newest * interval;
    }
    s->frozen = 1;
    const int copied = CopyHistToGraph(s, newest, oldest);
    if (copied == 0)
    {
        WRResumeScroll(graph, number);
        return 0;
    }
    s->ringCount = static_cast<UINT>(copied);
    ApplyScrollRescale(graph, s, s->points, TimeRange(s), 7);
    s->oldestShown = oldest;
    InvalidatePlot(graph, graph->buildDc);
    FreezeAttachedLabels(graph, s, true);
    ShiftAttachedLabels(graph, s, -(blank + used));
    if (secondsUsed)
        *secondsUsed = used;
    return 1;
}

int WINAPI WRMoveHistScroll(GrDesc* graph, WORD number, float seconds, float* secondsMoved)
{
    if (secondsMoved)
        *secondsMoved = 0;
    ScrollDesc* s = GetScrollObj(graph, number, " - WRMoveHistScroll");
    if (s == nullptr || (!IsXY(s) && s->r.rt.head.subKind == SCROLL_VARIABLE) || !s->frozen ||
        !std::isfinite(seconds))
        return 0;
    const float interval = ViewInterval(s);
    const double step = seconds / interval;
    const double shift = std::trunc(step + (step < 0 ? -0.5 : 0.5));
    const double wanted = s->oldestShown - shift;
    if (wanted < 1)
        return 0;
    const int held = HeldSamples(s->r.rt.dataSet);
    int oldest = static_cast<int>(std::min(wanted, 1e9));
    int newest = oldest - s->points + 1;
    if (newest < 0)
    {
        newest = 0;
        oldest = std::min(s->points, held) - 1;
    }
    else if (oldest >= held)
    {
        oldest = held - 1;
        newest = std::max(oldest - s->points + 1, 0);
    }
    if (oldest == s->oldestShown)
        return 0;
    const int delta = s->oldestShown - oldest; // positive: toward newer samples
    const float moved = delta * interval;
    HDC dc = DrawingDC(graph);
    const bool inPlace = !IsXY(s) && s->r.rt.head.subKind != SCROLL_BARGRAPH && dc && s->position == s->points && std::abs(delta) == 1;
    if (inPlace)
    {
        // One sample: the trace is erased and drawn again in place, without a repaint.
        SetPlotClip(graph, dc);
        DrawScrollTraces(graph, s, dc, s->start, s->position, true);
    }
    const int copied = CopyHistToGraph(s, newest, oldest);
    s->start = 0;
    s->position = copied;
    s->ringIndex = copied - 1;
    s->ringCount = copied >= s->points ? 0 : static_cast<UINT>(copied);
    s->previous = s->ringIndex - 1;
    PointsToPixels(graph, s);
    if (inPlace)
    {
        DrawScrollTraces(graph, s, dc, s->start, s->position, false);
        SetGraphClip(graph, dc);
    }
    else
        InvalidatePlot(graph, graph->buildDc);
    s->oldestShown = oldest;
    ShiftAttachedLabels(graph, s, moved);
    if (secondsMoved)
        *secondsMoved = moved;
    return 1;
}

int WINAPI WRResumeScroll(GrDesc* graph, WORD number)
{
    ScrollDesc* s = GetScrollObj(graph, number, " - WRResumeScroll");
    if (s == nullptr || (!IsXY(s) && s->r.rt.head.subKind == SCROLL_VARIABLE) || !s->frozen ||
        s->liveSet == nullptr)
        return 0;
    const DynDataSetDesc* frozen = s->r.rt.dataSet;
    const DynDataSetDesc* live = s->liveSet;
    int missed = static_cast<int>(live->writeIndex) - static_cast<int>(frozen->writeIndex);
    if (missed < 0)
        missed += static_cast<int>(live->capacity);
    missed -= s->points - s->positionAtFreeze;
    const float interval = ViewInterval(s);
    FreeFrozenCopy(s);
    const int copied = CopyHistToGraph(s, 0, s->points - 1);
    s->ringCount = static_cast<UINT>(copied);
    ApplyScrollRescale(graph, s, s->points, TimeRange(s), 7);
    s->frozen = 0;
    FreezeAttachedLabels(graph, s, false);
    ShiftAttachedLabels(graph, s, missed * interval);
    InvalidateRect(graph->window, nullptr, FALSE);
    return 1;
}

int WINAPI WRResetScroll(GrDesc* graph, WORD number)
{
    static const char kName[] = " - WRResetScroll";
    ObjDesc* object = graph && WGIsGraphDescValid(graph) ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (object == nullptr)
    {
        ErrHdlr(56, 2, kName);
        return 0;
    }
    ScrollDesc* s = AsScroll(object);
    if (s == nullptr)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    if (s->frozen)
    {
        // Emptying a graph that shows history returns it to live drawing first.
        FreeFrozenCopy(s);
        FreezeAttachedLabels(graph, s, false);
    }
    s->position = 0;
    s->scrolled = 0;
    s->start = 0;
    s->ringCount = 0;
    s->ringIndex = -1;
    WGRedrawObject(graph, number, FALSE);
    InvalidatePlot(graph, graph->buildDc);
    return 1;
}
