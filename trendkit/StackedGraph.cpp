// Stacked graphs (type 103, subtype 7: each value of a set in a band of its own) and logic graphs
// (subtype 4: each bit of the set's bit word as a two-level trace in a lane of its own). Both are
// scroll graphs; only the conversion of a sample to pixels differs (SampleToPixels).
#include "ScrollGraph.h"

#include <algorithm>
#include <cmath>

namespace trendkit
{
namespace
{

constexpr double kMaxPoints = 32701;

WORD MakeBandGraph(GrDesc* graph, DynDataSetDesc* set, int subtype, float interval, float keptFraction,
                   int direction, int lineMode, int bands, float bandFraction, const int* styles,
                   const int* widths, const int* colours, const char* name)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    direction = direction == 1 ? 1 : 0;
    const double range = direction == 1 ? std::fabs(graph->worldXTo - graph->worldXFrom)
                                        : std::fabs(graph->worldYTo - graph->worldYFrom);
    if (!(interval > 0) || !(range > 0) || range / interval >= kMaxPoints)
    {
        ErrHdlr(30, 2, name);
        return 0;
    }
    auto* s = reinterpret_cast<ScrollDesc*>(AllocRTObject(graph, RT_TYPE_SCROLL, static_cast<WORD>(subtype)));
    if (s == nullptr)
        return 0;
    InstallScrollCallbacks(s);
    s->r.direction = direction;
    s->interval = interval;
    s->lineMode = static_cast<SHORT>(lineMode >= 0 && lineMode <= 2 ? lineMode : 0);
    const float given = bandFraction;
    s->bandFraction = bandFraction > 0 && bandFraction <= 1 ? bandFraction : 1.0f;
    s->bands = bands;
    const RECT& plot = graph->plot;
    const int across = direction == 1 ? plot.bottom - plot.top : plot.right - plot.left;
    s->bandSize = static_cast<int>(across * s->bandFraction / bands);
    s->points = std::max(static_cast<int>(range / interval + 1.5), 2);
    const float cap = static_cast<float>(1 - interval / range);
    keptFraction = std::clamp(keptFraction, 0.0f, std::max(cap, 0.0f));
    const WORD number = InitScrollObj(graph, s, keptFraction, bands, styles, widths, colours, set);
    if (number == 0)
    {
        AbandonRTObject(graph);
        return 0;
    }
    // The bands' rectangle; a fraction outside (0, 1] covers the whole plot, as the bands do.
    const float shown = given > 0 && given <= 1 ? given : 1.0f;
    const int px = graph->unitsPerPixelX, py = graph->unitsPerPixelY;
    RECT& r = s->r.rt.head.extent;
    if (direction == 1)
    {
        r.bottom = plot.bottom - 2 * py;
        r.top = std::max(plot.top + 2 * py, plot.bottom - static_cast<int>((plot.bottom - plot.top) * shown));
    }
    else
    {
        r.left = plot.left + 2 * px;
        r.right = plot.left + static_cast<int>((plot.right - plot.left) * shown);
    }
    if (s->position == 0)
        ComputeTimePositions(graph, s, graph->buildDc);
    return number;
}

} // namespace
} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetStackedGraph(GrDesc* graph, UINT slot, float interval, float keptFraction, int direction,
                              WORD lineMode, float bandFraction, const int* styles, const int* widths,
                              const int* colours)
{
    DynDataSetDesc* set = GetDynDataSet(static_cast<int>(slot));
    if (set == nullptr)
        return 0;
    return MakeBandGraph(graph, set, SCROLL_STACKED, interval, keptFraction, direction, lineMode,
                         set->valueCount, bandFraction, styles, widths, colours, " - WRSetStackedGraph");
}

WORD WINAPI WRSetLogicGraph(GrDesc* graph, UINT slot, float interval, float keptFraction, int direction,
                            int bits, float bandFraction, const int* styles, const int* widths,
                            const int* colours)
{
    DynDataSetDesc* set = GetDynDataSet(static_cast<int>(slot));
    if (set == nullptr)
        return 0;
    return MakeBandGraph(graph, set, SCROLL_LOGIC, interval, keptFraction, direction, 2,
                         std::clamp(bits, 1, 16), bandFraction, styles, widths, colours,
                         " - WRSetLogicGraph");
}
