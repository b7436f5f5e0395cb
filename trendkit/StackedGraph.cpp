// Stacked graphs (type 103, subtype 7: each value of a set in a band of its own) and logic graphs
// (subtype 4: each bit of the set's bit word as a two-level trace in a lane of its own). Both are
// scroll graphs; only the conversion of a sample to pixels differs (SampleToPixels).
#include "ScrollGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// Tags beside the lanes of a stacked or logic graph: a dynamic legend of one row per lane, on the
// side where time starts.
WORD WINAPI WRLogicTagsPtr(GrDesc* graph, int frameColour, int frameWidth, int textColour, int areaColour,
                           const char* tags, WORD number)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    ObjDesc* o = GetObjDesc(graph, number, nullptr);
    if (o == nullptr)
    {
        ErrHdlr(56, 2, " - WRLogicTags");
        return 0;
    }
    if (o->type != RT_TYPE_SCROLL)
        return 0;
    auto* s = reinterpret_cast<ScrollDesc*>(o);
    DynDataSetDesc* set = GetObjDataSet(&s->r.rt);
    if (set == nullptr)
        return 0;
    const int lanes = std::max<int>(s->channels, 1);
    constexpr int kRow = 42;
    // The rows: the caller's text cut into 42-character fields, or the set's value labels.
    std::vector<char> rows(static_cast<size_t>(lanes) * kRow + 1, '\0');
    if (tags && tags[0])
    {
        std::memcpy(rows.data(), tags, std::min(std::strlen(tags), rows.size() - 1));
        SplitString(rows.data(), kRow);
    }
    else
        for (int i = 0; i < lanes && i < set->valueCount; ++i)
            std::memcpy(rows.data() + static_cast<size_t>(i) * kRow, set->labels[i],
                        strnlen(set->labels[i], RT_LABEL_MAX));
    for (size_t end = kRow - 1; end < rows.size(); end += kRow)
        rows[end] = '\0';

    // The tag font: the default text size, measured on the graph.
    HDC dc = graph->buildDc;
    FontDesc font{};
    if (Lib().top)
        font = Lib().top->defaultFont;
    font.text = nullptr;
    font.textCapacity = 0;
    font.logFont.lfHeight = -PointsToLogSize(graph, dc, font.currentSize > 0 ? font.currentSize : 10);
    HFONT made = ConfigureText(graph, dc, &font, RGB(0, 0, 0));
    const int fh = std::abs(static_cast<int>(font.logFont.lfHeight));
    const int fx = graph->devWidth > 0 && graph->logHeight > 0
                       ? static_cast<int>(static_cast<long long>(fh) * graph->logWidth * graph->devHeight /
                                          (static_cast<long long>(graph->devWidth) * graph->logHeight))
                       : fh;
    int longest = 0;
    for (int i = 0; i < lanes; ++i)
    {
        const char* row = rows.data() + static_cast<size_t>(i) * kRow;
        SIZE size{};
        GetTextExtentPoint32A(dc, row, static_cast<int>(strnlen(row, kRow)), &size);
        longest = std::max<int>(longest, size.cx);
    }
    if (graph->metafileDc && made)
    {
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(made);
    }
    const float lw = static_cast<float>(std::max(graph->logWidth, 1));
    const float lh = static_cast<float>(std::max(graph->logHeight, 1));
    const float h = fx / lw, half = h / 2;
    const float plotLeft = graph->plot.left / lw, plotRight = graph->plot.right / lw;
    const float plotTop = graph->plot.top / lh, plotBottom = graph->plot.bottom / lh;
    const float band = s->bandFraction;
    float left = 0, top = 0, right = 0, bottom = 0;
    int orientation = 0;
    if (s->r.direction == 1)
    {
        const float width = longest / lw + h;
        if (s->r.xHigh > s->r.xLow)
        {
            right = plotLeft - half;
            left = right - width;
        }
        else
        {
            left = plotRight + half;
            right = left + width;
        }
        bottom = plotBottom;
        top = plotBottom - band * (plotBottom - plotTop);
    }
    else
    {
        orientation = 1;
        left = plotLeft;
        right = plotLeft + band * (plotRight - plotLeft);
        const float tall = 1.5f * fh / lh, gap = 0.5f * fh / lh;
        if (s->r.yHigh > s->r.yLow) // time runs upwards: the tags stand below the plot
        {
            top = plotBottom + gap;
            bottom = top + tall;
        }
        else
        {
            bottom = plotTop - gap;
            top = bottom - tall;
        }
    }
    return DynLegendOfRows(graph, left, top, right, bottom, frameColour, frameWidth, textColour, areaColour,
                           orientation, rows.data(), rows.size(), number, 1);
}

WORD WINAPI WRLogicTags(GrDesc* graph, int frameColour, int frameWidth, int textColour, int areaColour,
                        HGLOBAL tags, WORD number)
{
    if (graph && number && GetObjDesc(graph, number, nullptr) == nullptr)
    {
        ErrHdlr(56, 2, " - WRLogicTags");
        return 0;
    }
    const char* text = tags ? static_cast<const char*>(GlobalLock(tags)) : nullptr;
    // The block need not end in a zero: a copy that does.
    std::string copy = text ? std::string(text, strnlen(text, GlobalSize(tags))) : std::string();
    if (text)
        GlobalUnlock(tags);
    return WRLogicTagsPtr(graph, frameColour, frameWidth, textColour, areaColour, copy.c_str(), number);
}
