// Axes and grids: the axis object (type 10) with its ticks and two grids, the nice-range rounding,
// the one-call default axes of a data set and the accessors of axis and grid settings.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace plotkit
{
namespace
{

// A walk along an axis never visits more tick positions than this per direction; beyond it every
// pixel is covered many times over and only whole major intervals are walked.
constexpr double kMaxTickPositions = 20000;

int Round(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

AxisDesc* AsAxis(ObjDesc* o)
{
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<AxisDesc*>(o) : nullptr;
}

// The axis an accessor works on: message 56 for no object, 29 for another type.
AxisDesc* AccessAxis(GrDesc* graph, int number)
{
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr)
        return nullptr;
    if (o->type != PK_TYPE_AXIS)
    {
        ReportIllFunc(o);
        return nullptr;
    }
    return reinterpret_cast<AxisDesc*>(o);
}

// Range of the axis's own direction.
float& OwnMin(AxisDesc* a)
{
    return a->direction == 1 ? a->xMin : a->yMin;
}
float& OwnMax(AxisDesc* a)
{
    return a->direction == 1 ? a->xMax : a->yMax;
}

LOGPEN PenOf(const LineDesc& line)
{
    LOGPEN pen{};
    pen.lopnStyle = static_cast<UINT>(line.style);
    pen.lopnWidth.x = line.widthX;
    pen.lopnColor = line.color;
    return pen;
}

// Geometry of one axis along its own direction: the plot edges, the world-to-logical mapping and
// the line across it.
struct Geometry
{
    bool x = true;      // an X axis
    int low = 0;        // plot edge of the axis's start (left, or bottom on a Y axis)
    int high = 0;       // the other edge
    double from = 0;    // world value at `low`
    double to = 0;      // world value at `high`
    bool log = false;
    double logFrom = 1; // the log range (its smaller end at `low`)
    double logTo = 10;
    int line = 0;       // logical position of the axis line across
    int px = 1;         // one device pixel along the axis
    int pxAcross = 1;   // one device pixel across it

    double Pos(double v) const
    {
        if (log)
        {
            if (v <= 0 || logFrom <= 0 || logTo <= 0 || logFrom == logTo)
                return low;
            return low + (high - low) * std::log10(v / logFrom) / std::log10(logTo / logFrom);
        }
        return to != from ? low + (v - from) * (high - low) / (to - from) : low;
    }
    bool Inside(int p) const
    {
        const int lo = std::min(low, high), hi = std::max(low, high);
        return p >= lo - px && p <= hi + px;
    }
};

// The edge of the plot (low or high) nearer, on a logarithmic scale from..to, to `value`; a value of
// zero or below counts as the lower end of the range.
int NearerLogEdge(double value, double from, double to, int low, int high)
{
    const double lower = std::min(from, to);
    if (value <= 0 || lower <= 0)
        value = lower;
    const double dFrom = from > 0 && value > 0 ? std::fabs(std::log10(value / from)) : 0;
    const double dTo = to > 0 && value > 0 ? std::fabs(std::log10(value / to)) : 0;
    return dFrom <= dTo ? low : high;
}

Geometry MakeGeometry(GrDesc* graph, const AxisDesc* a)
{
    Geometry g;
    const RECT& pr = graph->plot;
    int pxX = 1, pxY = 1;
    GetAbsPix(graph, &pxX, &pxY);
    g.x = a->direction == 1;
    g.px = std::max(1, g.x ? pxX : pxY);
    g.pxAcross = std::max(1, g.x ? pxY : pxX);
    g.low = g.x ? pr.left : pr.bottom;
    g.high = g.x ? pr.right : pr.top;
    g.from = g.x ? a->xMin : a->yMin;
    g.to = g.x ? a->xMax : a->yMax;
    g.log = a->scale == 1;
    g.logFrom = a->logMin;
    g.logTo = a->logMax;
    // The line across: where the other direction's world value equals the intercept.
    const int acrossLow = g.x ? pr.bottom : pr.left;
    const int acrossHigh = g.x ? pr.top : pr.right;
    const double oFrom = g.x ? a->yMin : a->xMin, oTo = g.x ? a->yMax : a->xMax;
    const double intercept = g.x ? a->yIntercept : a->xIntercept;
    if (a->otherScale == 1)
        g.line = NearerLogEdge(intercept, oFrom, oTo, acrossLow, acrossHigh);
    else
        g.line = oTo != oFrom ? Round(acrossLow + (intercept - oFrom) / (oTo - oFrom) * (acrossHigh - acrossLow))
                              : acrossLow;
    return g;
}

// Where the other axis crosses this one (its intercept along this axis).
int Crossing(const Geometry& g, const AxisDesc* a)
{
    const double intercept = g.x ? a->xIntercept : a->yIntercept;
    if (g.log)
        return NearerLogEdge(intercept, g.logFrom, g.logTo, g.low, g.high);
    return Round(g.Pos(intercept));
}

struct Ticks
{
    int majorFrom = 0, majorTo = 0; // extent of a major tick across the axis
    int minorFrom = 0, minorTo = 0;
};

Ticks TickSpans(GrDesc* graph, const AxisDesc* a, const Geometry& g)
{
    const PgDesc* page = graph->page;
    // Logical units per device pixel across the axis, as an integer quotient.
    const int perPixel = g.x ? (graph->devHeight ? graph->logHeight / graph->devHeight : 1)
                             : (graph->devWidth ? graph->logWidth / graph->devWidth : 1);
    int major = perPixel * page->majorTick, minor = perPixel * page->minorTick;
    if (a->head.line.pixelWidth <= 1 && (g.x || a->tickStyle == 1 || a->tickStyle == 3))
    {
        major += g.pxAcross;
        minor += g.pxAcross;
    }
    // Across an X axis "down" is +y; across a Y axis "left" is -x: the default style goes that way.
    const int out = g.x ? 1 : -1;
    auto span = [&](int length, int& from, int& to)
    {
        switch (a->tickStyle)
        {
        case 3:
            from = g.line - out * length;
            to = g.line + out * length;
            break;
        case 2:
        case 4:
            from = g.line - out * length;
            to = g.line;
            break;
        default:
            from = g.line;
            to = g.line + out * length;
            break;
        }
    };
    Ticks t;
    span(major, t.majorFrom, t.majorTo);
    span(minor, t.minorFrom, t.minorTo);
    return t;
}

struct Painter
{
    HDC dc;
    const Geometry& g;
    const RECT& plot;
    HPEN axisPen = nullptr;
    HPEN majorPen = nullptr;
    HPEN minorPen = nullptr;

    void Segment(int along, int from, int to) const
    {
        if (g.x)
        {
            MoveToEx(dc, along, from, nullptr);
            LineTo(dc, along, to);
        }
        else
        {
            MoveToEx(dc, from, along, nullptr);
            LineTo(dc, to, along);
        }
    }
    void Grid(int along, bool major) const
    {
        HPEN pen = major ? majorPen : minorPen;
        if (pen == nullptr)
            return;
        SelectObject(dc, pen);
        const int mode = SetBkMode(dc, TRANSPARENT);
        if (g.x)
            Segment(along, plot.top, plot.bottom);
        else
            Segment(along, plot.left, plot.right);
        SetBkMode(dc, mode);
        SelectObject(dc, axisPen);
    }
};

// Linear ticks: anchored on the intercept, walked backward and forward in minor steps.
void ComputeLinear(AxisDesc* a, const Geometry& g, double& step)
{
    const double range = g.to - g.from;
    step = std::fabs(a->tickStep);
    if (!(step > 0) || !std::isfinite(step))
    {
        step = std::fabs(range) / 5;
        if (step > 0 && std::isfinite(step))
            a->tickStep = static_cast<float>(step);
    }
    if (!(step > 0) || !std::isfinite(step) || range == 0)
    {
        a->tickCount = 0;
        return;
    }
    const double length = std::abs(g.high - g.low);
    const double c = length / std::fabs(range);
    int spacing = static_cast<int>(c * step);
    if (spacing == 0)
        spacing = (g.x ? 2 : 1) * g.px;
    const double lo = std::min(g.from, g.to);
    const double intercept = g.x ? a->xIntercept : a->yIntercept;
    double first = intercept - std::round((intercept - lo) / step) * step;
    if (first < lo - 0.01 * step)
        first += static_cast<int>((lo - first) / step + 0.999) * step;
    a->firstTick = static_cast<float>(first);
    const double count = std::fabs(g.high - g.Pos(first)) / spacing;
    a->tickCount = static_cast<SHORT>(std::min(count, 32767.0));
}

void DrawLinear(AxisDesc* a, const Geometry& g, const Painter& p, const Ticks& t, double step, int crossing)
{
    const int minorTicks = std::clamp<int>(a->minorTicks, 0, 1000);
    const int per = minorTicks + 1;
    const double minorStep = step / per;
    const bool atCrossing = g.Inside(crossing);
    const double start = atCrossing ? (g.x ? a->xIntercept : a->yIntercept) : a->firstTick;
    const double pxWorld = std::fabs((g.to - g.from) / std::max(1, std::abs(g.high - g.low))) * g.px;
    const double lo = std::min(g.from, g.to) - pxWorld, hi = std::max(g.from, g.to) + pxWorld;
    auto positions = [&](double distance)
    {
        const double n = std::floor(distance / minorStep) + 1;
        return std::isfinite(n) ? std::max(0.0, n) : 0.0;
    };
    const double back = positions(start - lo), forward = positions(hi - start);
    // Too many positions to walk: whole major intervals only.
    long stride = 1;
    if (std::max(back, forward) > kMaxTickPositions)
        stride = per * static_cast<long>(std::ceil(std::max(back, forward) / kMaxTickPositions / per));
    auto tick = [&](long i, bool backward)
    {
        const int at = Round(g.Pos(start + static_cast<double>(i) * minorStep));
        if (!g.Inside(at))
            return false;
        const bool major = i % per == 0;
        if (!(backward && i == 0 && atCrossing && major))
            p.Grid(at, major);
        p.Segment(at, major ? t.majorFrom : t.minorFrom, major ? t.majorTo : t.minorTo);
        return true;
    };
    for (long i = 0; -i <= static_cast<long>(back) && tick(i, true); i -= stride)
    {
    }
    for (long i = stride; i <= static_cast<long>(forward) && tick(i, false); i += stride)
    {
    }
}

void DrawLog(const AxisDesc* a, const Geometry& g, const Painter& p, const Ticks& t, int crossing)
{
    if (!(a->logMin > 0) || !(a->logMax > 0))
        return;
    const int n = Round(std::fabs(std::log10(static_cast<double>(a->logMax) / a->logMin)));
    if (n <= 0 || n > 400)
        return;
    // The decades run from the smaller end of the log range.
    const bool up = a->logMax >= a->logMin;
    const int f = up ? g.low : g.high;
    const double spacing = static_cast<double>((up ? g.high : g.low) - f) / n;
    for (int i = 0; i <= n; ++i)
    {
        const int at = f + Round(i * spacing);
        if (at != crossing)
            p.Grid(at, true);
        p.Segment(at, t.majorFrom, t.majorTo);
        if (i == n)
            break;
        for (int j = 2; j <= 9; ++j)
        {
            const int m = f + Round(i * spacing) + static_cast<int>(std::log10(j) * spacing);
            p.Grid(m, false);
            p.Segment(m, t.minorFrom, t.minorTo);
        }
    }
}

void DrawAxis(GrDesc* graph, HDC dc)
{
    AxisDesc* a = AsAxis(graph->currentObject);
    if (a == nullptr)
        return;
    const Geometry g = MakeGeometry(graph, a);
    const Ticks t = TickSpans(graph, a, g);
    // The axis rectangle: the plot's extent along the axis, the major-tick span across it.
    const RECT& pr = graph->plot;
    const int spanFrom = std::min(t.majorFrom, t.majorTo), spanTo = std::max(t.majorFrom, t.majorTo);
    a->head.extent = g.x ? RECT{pr.left, spanFrom, pr.right, spanTo}
                         : RECT{spanFrom, pr.top, spanTo + g.pxAcross, pr.bottom};
    double step = 0;
    if (!g.log)
        ComputeLinear(a, g, step);
    if (graph->building || !a->drawNow)
        return;

    SetBkMode(dc, a->head.line.style == PS_SOLID ? OPAQUE : TRANSPARENT);
    const LOGPEN axisPen = PenOf(a->head.line);
    Painter p{dc, g, pr};
    p.axisPen = SelectPenIndirect(graph, dc, &axisPen);
    if (p.axisPen == nullptr)
        return;
    SetROP2(dc, a->head.flash ? R2_NOTCOPYPEN : R2_COPYPEN);
    bool ok = true;
    if (!a->gridSuppressed)
    {
        if (a->majorGrid)
        {
            const LOGPEN pen = PenOf(a->majorGridLine);
            p.majorPen = CreatePenIndirect(&pen);
            ok = p.majorPen != nullptr;
        }
        if (ok && a->minorGrid)
        {
            const LOGPEN pen = PenOf(a->minorGridLine);
            p.minorPen = CreatePenIndirect(&pen);
            ok = p.minorPen != nullptr;
        }
        if (!ok)
            ErrHdlr(18, 0, nullptr);
    }
    if (ok)
    {
        if (g.x)
        {
            MoveToEx(dc, g.low, g.line, nullptr);
            LineTo(dc, g.high, g.line);
        }
        else
        {
            MoveToEx(dc, g.line, g.low, nullptr);
            LineTo(dc, g.line, g.high);
        }
        const int crossing = Crossing(g, a);
        if (g.log)
            DrawLog(a, g, p, t, crossing);
        else if (step > 0)
            DrawLinear(a, g, p, t, step, crossing);
    }
    SetROP2(dc, R2_COPYPEN);
    for (HPEN pen : {p.majorPen, p.minorPen})
        if (pen)
            DeleteObject(pen);
    if (RecordsMetafile(graph))
    {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(p.axisPen);
    }
}

const PlotObjectType kAxisType = [] {
    PlotObjectType t{};
    t.type = PK_TYPE_AXIS;
    t.size = sizeof(AxisDesc);
    t.draw = DrawAxis;
    t.hitPass = 2;
    return t;
}();

struct Registration
{
    Registration() { RegisterOwnObjectType(kAxisType); }
} registration;

int NewAxis(GrDesc* graph, HDC dc, float step, int minorTicks, int tickStyle, int direction)
{
    if (!CheckGraph(graph))
        return 0;
    if (graph->plot.right == graph->plot.left)
    {
        ErrHdlr(67, 0, nullptr);
        return 0;
    }
    auto* a = reinterpret_cast<AxisDesc*>(NewObjDesc(graph, PK_TYPE_AXIS, 0));
    if (a == nullptr)
        return 0;
    const bool x = direction == 1;
    a->direction = static_cast<SHORT>(direction);
    a->logMin = x ? graph->lastXFrom : graph->lastYFrom;
    a->logMax = x ? graph->lastXTo : graph->lastYTo;
    a->scale = x ? graph->scaleX : graph->scaleY;
    a->otherScale = x ? graph->scaleY : graph->scaleX;
    a->xMin = graph->worldXFrom;
    a->xMax = graph->worldXTo;
    a->yMin = graph->worldYFrom;
    a->yMax = graph->worldYTo;
    a->xIntercept = graph->xIntercept;
    a->yIntercept = graph->yIntercept;
    const float range = std::fabs(x ? a->xMax - a->xMin : a->yMax - a->yMin);
    a->tickStep = std::min(step, range);
    a->minorTicks = static_cast<SHORT>(std::max(0, minorTicks));
    a->tickStyle = static_cast<SHORT>(tickStyle);
    a->drawNow = 1;
    a->majorGridLine.window = a->minorGridLine.window = graph->window;
    const int number = CommitObjDesc(graph);
    if (number == 0)
        return 0;
    graph->currentObject = &a->head;
    DrawAxis(graph, dc);
    if (x)
        graph->defaultXAxis = static_cast<SHORT>(number);
    else
        graph->defaultYAxis = static_cast<SHORT>(number);
    return number;
}

// After a change of an axis: its ring and crossing axes follow, the objects on it recompute.
void Propagate(GrDesc* graph, AxisDesc* a, int number, BOOL redraw)
{
    if (number != PK_EDIT_COPY)
    {
        UpdateAxisStyle(graph, GlobalHandle(a), a);
        ForceLinesUpdate(graph, number - 1);
    }
    if (redraw)
        InvalidateRect(graph->window, nullptr, TRUE);
}

void SetGrids(AxisDesc* a, int which, const LineDesc* line, int on)
{
    if (which == 0 || which == 2)
    {
        if (line)
            a->majorGridLine = *line;
        if (on >= 0)
            a->majorGrid = on;
    }
    if (which == 1 || which == 2)
    {
        if (line)
            a->minorGridLine = *line;
        if (on >= 0)
            a->minorGrid = on;
    }
}

} // namespace

void HoldAxes(GrDesc* graph)
{
    for (int n = 1; n <= graph->capacity; ++n)
        if (AxisDesc* a = AsAxis(ObjectAt(graph, n)))
            a->drawNow = 0;
}

void DrawAxesOver(GrDesc* graph, HDC dc)
{
    ObjDesc* current = graph->currentObject;
    for (int n = 1; n <= graph->capacity; ++n)
    {
        AxisDesc* a = AsAxis(ObjectAt(graph, n));
        if (a == nullptr || !a->head.visible)
            continue;
        const INT held = a->drawNow;
        a->drawNow = 1;
        graph->currentObject = &a->head;
        DrawAxis(graph, dc);
        a->drawNow = held;
    }
    graph->currentObject = current;
}

} // namespace plotkit

using namespace plotkit;

void WINAPI RoundAxis(int mode, int length, float* min, float* max, float* step, int xAxis)
{
    if (min == nullptr || max == nullptr)
        return;
    const float inMin = *min, inMax = *max;
    const float range = inMax - inMin;
    if (!(range > 0) || !std::isfinite(range))
    {
        if (step)
            *step = 0;
        return;
    }
    const float lg = std::log10(range);
    const int p = lg > 0 ? static_cast<int>(lg + 0.99999f) : static_cast<int>(lg + 0.5f);
    const float h = std::pow(10.0f, static_cast<float>(p));
    float lo = inMin, hi = inMax;
    int sign = 0;
    if (lo < 0 && hi >= 0)
    {
        sign = 1;
        lo += h;
        hi += h;
    }
    else if (lo < 0)
    {
        sign = 2;
        std::swap(lo, hi);
        lo = -lo;
        hi = -hi;
    }
    const float u = std::pow(10.0f, static_cast<float>(p - 2));
    // Beyond what whole units can count the range stays as it is.
    if (!(u > 0) || std::fabs(hi / u) > 1e9f || std::fabs(lo / u) > 1e9f)
    {
        if (step)
            *step = range / 5;
        return;
    }
    int top = static_cast<int>(hi / u) + 1;
    int bottom = static_cast<int>(lo / u);
    if (mode == 2)
    {
        top = top + (top - bottom) / 25 + 1;
        bottom = bottom - 1 - (top - bottom) / 25;
    }
    int s = top - bottom > 30 ? 10 : (top - bottom > 15 ? 5 : 2);
    auto align = [&]
    {
        top = s * ((top - 1) / s + 1);
        bottom = s * (bottom / s);
    };
    align();
    const float span = static_cast<float>(top) * u - static_cast<float>(bottom) * u;
    const int k = span > 0 ? static_cast<int>(static_cast<float>(s) * u * static_cast<float>(length) / span) : 0;
    const int keep = xAxis ? 36 : 20, crowded = xAxis ? 16 : 10;
    if (k < keep)
    {
        const bool very = k < crowded;
        if (s == 2)
            s = very ? 10 : 5;
        else if (s == 5)
            s = very ? 20 : 10;
        else
            s = very ? 50 : 20;
        align();
    }
    float newMin = static_cast<float>(bottom) * u, newMax = static_cast<float>(top) * u;
    if (sign == 1)
    {
        newMin -= h;
        newMax -= h;
    }
    else if (sign == 2)
    {
        std::swap(newMin, newMax);
        newMin = -newMin;
        newMax = -newMax;
    }
    if (step)
        *step = static_cast<float>(s) * u;
    if (mode == 1)
    {
        if (inMin >= 0 && newMin < 0)
            newMin = 0;
        if (inMax <= 0 && newMax > 0)
            newMax = 0;
    }
    *min = newMin;
    *max = newMax;
}

int WINAPI WGDrawXAxis(GrDesc* graph, HDC dc, float step, int minorTicks, int tickStyle)
{
    return NewAxis(graph, dc, step, minorTicks, tickStyle, 1);
}

int WINAPI WGDrawYAxis(GrDesc* graph, HDC dc, float step, int minorTicks, int tickStyle)
{
    return NewAxis(graph, dc, step, minorTicks, tickStyle, 0);
}

void WINAPI WGDrawGrid(GrDesc* graph, int number, int which)
{
    if (!CheckGraph(graph) || !graph->building)
        return;
    ObjDesc* o = ObjectAt(graph, number);
    if (number < 1 || number > graph->capacity || o == nullptr)
    {
        ErrHdlr(54, 0, nullptr);
        return;
    }
    if (o->type != PK_TYPE_AXIS)
    {
        ReportIllFunc(o);
        return;
    }
    LineDesc line = graph->currentLine;
    line.window = graph->window;
    SetGrids(reinterpret_cast<AxisDesc*>(o), which, &line, 1);
}

int WINAPI WGChangeAxisRange(GrDesc* graph, int number, float min, float max, BOOL redraw)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return 0;
    if (min == max && number != PK_EDIT_COPY)
    {
        ErrHdlr(30, 2, "WGChangeAxisRange");
        return 0;
    }
    if (a->scale == 1)
    {
        const bool reversed = (max < min) != (a->logMax < a->logMin);
        a->logMin = min;
        a->logMax = max;
        ScaleLog(&a->logMin, &a->logMax);
        if (reversed)
        {
            OwnMin(a) = min;
            OwnMax(a) = max;
        }
    }
    else
    {
        OwnMin(a) = min;
        OwnMax(a) = max;
    }
    Propagate(graph, a, number, redraw);
    return 1;
}

int WINAPI WGChangeAxisIntercept(GrDesc* graph, int number, float value, BOOL redraw)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return 0;
    (a->direction == 1 ? a->yIntercept : a->xIntercept) = value;
    Propagate(graph, a, number, redraw);
    return 1;
}

int WINAPI WGChangeAxisScale(GrDesc* graph, int number, int scale, BOOL redraw)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return 0;
    int result = 1;
    const SHORT wanted = scale ? 1 : 0;
    if (wanted != a->scale)
    {
        a->scale = wanted;
        a->logMin = OwnMin(a);
        a->logMax = OwnMax(a);
        ScaleLog(&a->logMin, &a->logMax);
        if (a->logMin == a->logMax)
        {
            a->scale = 0;
            if (wanted == 1)
                result = 0;
        }
    }
    Propagate(graph, a, number, redraw);
    return result;
}

void WINAPI WGSetTickSize(PgDesc* page, SHORT major, SHORT minor)
{
    if (!IsLivePage(page))
    {
        ErrHdlr(65, 0, nullptr);
        return;
    }
    page->majorTick = major;
    page->minorTick = minor;
}

int WINAPI WGChangeAxisTicks(GrDesc* graph, int number, float step, int minorTicks, int tickStyle)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return 0;
    a->minorTicks = static_cast<SHORT>(std::clamp(minorTicks, 0, 1000));
    a->tickStyle = static_cast<SHORT>(tickStyle);
    if (std::fabs(step) <= std::fabs(OwnMax(a) - OwnMin(a)))
        a->tickStep = step;
    return 1;
}

void WINAPI WGChangeGrid(GrDesc* graph, int number, int which, int style, int width, COLORREF color)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return;
    LineDesc line{};
    HDC dc = GetMappedDC(graph);
    const bool ok = SetLine(graph, dc, &line, style, color < 20 ? static_cast<int>(color) : -2, color, width);
    ReleaseDC(graph->window, dc);
    if (ok)
        SetGrids(a, which, &line, -1);
}

int WINAPI WGGetAxisTicks(GrDesc* graph, int number, float* step, int* minorTicks, int* tickStyle)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return 0;
    if (step)
        *step = a->tickStep;
    if (minorTicks)
        *minorTicks = a->minorTicks;
    if (tickStyle)
        *tickStyle = a->tickStyle;
    return 1;
}

int WINAPI WGGetAxisRange(GrDesc* graph, int number, float* min, float* max, float* intercept)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return 0;
    if (min)
        *min = a->scale == 1 ? a->logMin : OwnMin(a);
    if (max)
        *max = a->scale == 1 ? a->logMax : OwnMax(a);
    if (intercept)
        *intercept = a->direction == 1 ? a->yIntercept : a->xIntercept;
    return 1;
}

int WINAPI WGGetAxisScale(GrDesc* graph, int number)
{
    ObjDesc* o = IsLiveGraph(graph) ? ObjectAt(graph, number) : nullptr;
    if (o && o->type != PK_TYPE_AXIS)
        ReportIllFunc(o);
    AxisDesc* a = AsAxis(o);
    return a ? a->scale : -1;
}

int WINAPI WGGetAxisDir(GrDesc* graph, int number)
{
    ObjDesc* o = IsLiveGraph(graph) ? ObjectAt(graph, number) : nullptr;
    if (o && o->type != PK_TYPE_AXIS)
        ReportIllFunc(o);
    AxisDesc* a = AsAxis(o);
    return a ? a->direction : -1;
}

void WINAPI WGToggleGrid(GrDesc* graph, int number, int which, BOOL on)
{
    if (AxisDesc* a = AccessAxis(graph, number))
        SetGrids(a, which, nullptr, on ? 1 : 0);
}

void WINAPI WGGetGrid(GrDesc* graph, int number, int* majorOn, int* minorOn, LineDesc** major, LineDesc** minor)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return;
    if (majorOn)
        *majorOn = a->majorGrid;
    if (minorOn)
        *minorOn = a->minorGrid;
    if (major)
        *major = &a->majorGridLine;
    if (minor)
        *minor = &a->minorGridLine;
}

void WINAPI WGToggleGridsOrder(int order)
{
    if (TopDesc* top = Lib().top)
        top->gridOrder = order;
}

int WINAPI WGRoundAxis(GrDesc* graph, int number, float* min, float* max, float* step, BOOL apply)
{
    AxisDesc* a = AccessAxis(graph, number);
    if (a == nullptr)
        return 0;
    if (min == nullptr || max == nullptr || *min == *max || !std::isfinite(*min) || !std::isfinite(*max))
    {
        ErrHdlr(30, 2, "WGRoundAxis");
        return 0;
    }
    const float previous = step ? *step : 0;
    float newStep = 0;
    if (a->scale == 1)
    {
        ScaleLog(min, max);
        newStep = *max / 5;
    }
    else
    {
        const bool x = a->direction == 1;
        const int pixels = x ? (graph->logWidth ? (graph->plot.right - graph->plot.left) * graph->devWidth /
                                                      graph->logWidth
                                                : 0)
                             : (graph->logHeight ? (graph->plot.bottom - graph->plot.top) * graph->devHeight /
                                                       graph->logHeight
                                                 : 0);
        const bool reversed = *min > *max;
        float lo = reversed ? *max : *min, hi = reversed ? *min : *max;
        RoundAxis(1, std::abs(pixels), &lo, &hi, &newStep, x ? 1 : 0);
        *min = reversed ? hi : lo;
        *max = reversed ? lo : hi;
    }
    if (apply)
    {
        if (!WGChangeAxisRange(graph, number, *min, *max, TRUE))
            return 0;
        if (newStep != previous)
            WGChangeAxisTicks(graph, number, newStep, a->minorTicks, a->tickStyle);
    }
    if (step)
        *step = newStep;
    return 1;
}
