// Group plots (object type 2): a group data set, with several Y values (members) per X, drawn as
// grouped, deep, stacked or floating bars, stacked lines or areas, high-low-close or error bars.
// Positions are computed once into two arrays and reused at every paint until recomputation.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace plotkit
{
namespace
{

// The member arrays hold as many members as a group accepts; a data set with more is refused.
constexpr int kMaxMembers = 16;
constexpr long kMaxGroupValues = 65536;

enum Arrangement
{
    kGroupBars = 0,
    kDeepBars = 1,
    kStackedBars = 2,
    kFloatingBars = 3,
    kStackedLines = 5,
    kHighLowClose = 6,
    kErrorBars = 7,
};

struct GroupDesc
{
    ObjDesc head;
    float xMin, xMax, yMin, yMax;
    float barWidth; // fraction of the plot along the category direction
    SHORT markerSize[2];
    INT tickWidth; // logical, 0 = compute again
    SHORT markerColor, markerType;
    INT markerStyle;
    INT borderMode;
    SHORT dataFormat[2];
    DataSetLink link;
    HGLOBAL xPositions, yPositions;
    INT baseline;
    BYTE barPosition;
    BYTE arrangement;
    INT stackedBase;
    LineDesc memberLines[kMaxMembers];
    COLORREF memberColors[kMaxMembers];
    BYTE memberHatch[kMaxMembers];
};

bool Horizontal(const GroupDesc* g)
{
    return g->head.subKind == 7 || g->head.subKind == 9;
}

bool ThreeD(const GroupDesc* g)
{
    return g->head.subKind == 8 || g->head.subKind == 9;
}

int Members(const GroupDesc* g)
{
    return g->link.set ? std::min<int>(g->link.set->yPerX, kMaxMembers) : 0;
}

void DropPositions(GroupDesc* g)
{
    GlobalFree(g->xPositions);
    GlobalFree(g->yPositions);
    g->xPositions = g->yPositions = nullptr;
}

const char* ArrangementName(int arrangement)
{
    switch (arrangement)
    {
    case kFloatingBars:
        return "Floating Bars";
    case kHighLowClose:
        return "HighLowClose";
    case kErrorBars:
        return "ErrorBar";
    default:
        return "plotting function";
    }
}

// The axis an object is linked to, when it is one.
AxisDesc* LinkedAxis(GrDesc* graph, int number)
{
    ObjDesc* o = ObjectAt(graph, number);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<AxisDesc*>(o) : nullptr;
}

// A darker colour for a blinking group: each component lowered by 0x40, none below 0.
COLORREF Dimmed(COLORREF c)
{
    auto down = [](int v) { return v > 0x40 ? v - 0x40 : 0; };
    return RGB(down(GetRValue(c)), down(GetGValue(c)), down(GetBValue(c)));
}

// One direction of the mapping: world range, logical span and scale.
struct Scale
{
    double from, to;  // world
    LONG start, span; // logical: start of the span and its signed length
    bool log;
    double logMin, logMax;

    LONG At(double v) const
    {
        double p = 0;
        if (log)
            p = start + span * std::log10(v / logMin) / std::log10(logMax / logMin);
        else
            p = to == from ? start : start + (v - from) * span / (to - from);
        return static_cast<LONG>(std::clamp(p, -20000.0, 32000.0));
    }
};

// Category and value scales: vertical kinds place X across and values up, horizontal kinds the
// other way round.
void Scales(GrDesc* graph, GroupDesc* g, Scale& category, Scale& value)
{
    const RECT& p = graph->plot;
    AxisDesc* xAxis = LinkedAxis(graph, g->head.xAxis);
    AxisDesc* yAxis = LinkedAxis(graph, g->head.yAxis);
    Scale across{g->xMin,
                 g->xMax,
                 p.left,
                 p.right - p.left,
                 xAxis && xAxis->scale == 1,
                 xAxis ? xAxis->logMin : 1,
                 xAxis ? xAxis->logMax : 10};
    Scale up{g->yMin,
             g->yMax,
             p.bottom,
             -(p.bottom - p.top),
             yAxis && yAxis->scale == 1,
             yAxis ? yAxis->logMin : 1,
             yAxis ? yAxis->logMax : 10};
    for (Scale* s : {&across, &up})
        if (s->log && (s->logMin <= 0 || s->logMax <= 0 || s->logMin == s->logMax))
            s->log = false;
    category = Horizontal(g) ? up : across;
    value = Horizontal(g) ? across : up;
}

// Makes a logarithmic axis linear after a value it cannot show; false when the user stops.
bool MakeLinear(GrDesc* graph, GroupDesc* g, bool valueAxis, const char* what, int index)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%s%d", what, index);
    if (ErrHdlr(8, 2, text) == 1)
        return false;
    const bool xSide = Horizontal(g) ? valueAxis : !valueAxis;
    AxisDesc* axis = LinkedAxis(graph, xSide ? g->head.xAxis : g->head.yAxis);
    if (axis)
    {
        AxisDesc edited = *axis;
        edited.scale = 0;
        UpdateAxisStyle(graph, graph->objects[(xSide ? g->head.xAxis : g->head.yAxis) - 1], &edited);
        axis->scale = 0;
    }
    InvalidateRect(graph->window, nullptr, FALSE);
    return true;
}

// Positions of every point and value; false when nothing can be drawn.
bool ComputePositions(GrDesc* graph, GroupDesc* g)
{
    const DataSetDesc* set = DataSetAt(g->link.number);
    if (set == nullptr || set->x == nullptr || set->y == nullptr)
        return false;
    const int n = set->count, per = set->yPerX, members = Members(g);
    DropPositions(g);
    g->xPositions = GlobalAlloc(GHND, static_cast<SIZE_T>(std::max(n, 1)) * sizeof(INT));
    g->yPositions = GlobalAlloc(GHND, static_cast<SIZE_T>(std::max(n * members, 1)) * sizeof(INT));
    if (g->xPositions == nullptr || g->yPositions == nullptr)
    {
        DropPositions(g);
        ErrHdlr(53, 0, nullptr);
        return false;
    }
    auto* xs = static_cast<INT*>(GlobalLock(g->xPositions));
    auto* ys = static_cast<INT*>(GlobalLock(g->yPositions));
    const bool stacked = g->arrangement == kStackedBars || g->arrangement == kStackedLines;
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        Scale category{}, value{};
        Scales(graph, g, category, value);
        if (stacked && value.log)
        {
            if (ErrHdlr(3, 0, nullptr) == 1)
                return false;
            if (AxisDesc* axis = LinkedAxis(graph, Horizontal(g) ? g->head.xAxis : g->head.yAxis))
                axis->scale = 0;
            value.log = false;
        }
        bool restart = false;
        const LONG base = value.log ? value.start : value.At(0);
        g->stackedBase = base;
        RECT box{32000, 32000, -20000, -20000};
        for (int i = 0; i < n && !restart; ++i)
        {
            if (category.log && set->x[i] <= 0)
            {
                if (!MakeLinear(graph, g, false, Horizontal(g) ? "Y #" : "X #", i))
                    return false;
                restart = true;
                break;
            }
            xs[i] = category.At(set->x[i]);
            LONG cumulative = base;
            for (int m = 0; m < members; ++m)
            {
                const float v = set->y[i * per + m];
                if (value.log && v <= 0)
                {
                    if (!MakeLinear(graph, g, true, Horizontal(g) ? "X #" : "Y #", i))
                        return false;
                    restart = true;
                    break;
                }
                ys[i * members + m] = value.At(v);
                const LONG at = stacked ? (cumulative += ys[i * members + m] - base) : ys[i * members + m];
                const LONG cx = Horizontal(g) ? at : xs[i];
                const LONG cy = Horizontal(g) ? xs[i] : at;
                box.left = std::min(box.left, cx);
                box.right = std::max(box.right, cx);
                box.top = std::min(box.top, cy);
                box.bottom = std::max(box.bottom, cy);
            }
        }
        if (restart)
            continue;
        if (n > 0)
            g->head.extent = box;
        // The baseline: the X axis line, or the plot's bottom.
        const AxisDesc* xAxis = LinkedAxis(graph, g->head.xAxis);
        const RECT& p = graph->plot;
        if (value.log)
            g->baseline = value.start;
        else if (xAxis == nullptr || xAxis->yIntercept == 0 || g->yMax == g->yMin)
            g->baseline = p.bottom;
        else
            g->baseline = static_cast<INT>(p.bottom - (p.bottom - p.top) * (xAxis->yIntercept - g->yMin) /
                                                          (g->yMax - g->yMin));
        return true;
    }
    return false;
}

// The logical size of one device pixel along the category direction.
int Pixel(GrDesc* graph, HDC dc, bool horizontal)
{
    if (graph->metafileDc)
        return horizontal ? graph->unitsPerPixelY : graph->unitsPerPixelX;
    return std::max(1, horizontal ? LogicalY(dc, 1) : LogicalX(dc, 1));
}

// Bar width along the category and the bar baseline: the value 0 clamped into the plot, or the
// plot's edge on a logarithmic value axis.
void BarGeometry(GrDesc* graph, GroupDesc* g, LONG& width, LONG& baseline)
{
    Scale category{}, value{};
    Scales(graph, g, category, value);
    const RECT& p = graph->plot;
    width = static_cast<LONG>(std::fabs(static_cast<double>(category.span)) * g->barWidth);
    if (value.log)
        baseline = value.start;
    else
    {
        const LONG zero = value.At(0);
        baseline =
            Horizontal(g) ? std::clamp<LONG>(zero, p.left, p.right) : std::clamp<LONG>(zero, p.top, p.bottom);
    }
}

// A bar given along the category (c1..c2) and the value (v1..v2), in the group's orientation.
RECT BarRect(const GroupDesc* g, LONG c1, LONG c2, LONG v1, LONG v2)
{
    RECT r = Horizontal(g) ? RECT{std::min(v1, v2), std::min(c1, c2), std::max(v1, v2), std::max(c1, c2)}
                           : RECT{std::min(c1, c2), std::min(v1, v2), std::max(c1, c2), std::max(v1, v2)};
    return r;
}

struct MemberPaint
{
    HBRUSH brush = nullptr;
    HBRUSH shade = nullptr;
    HPEN pen = nullptr;
    bool ok = false;

    MemberPaint(GrDesc* graph, HDC dc, GroupDesc* g, int member, bool outline)
    {
        COLORREF color = g->memberColors[member];
        if (g->head.flash)
            color = Dimmed(color);
        const int hatch = g->memberHatch[member];
        brush = CreateBarBrush(dc, hatch == 255 ? -1 : hatch, color);
        const LineDesc& line = g->memberLines[member];
        if (line.paletteIndex >= 0 || line.paletteIndex == -2)
        {
            LOGPEN lp{static_cast<UINT>(line.style), POINT{line.widthX, line.widthY}, line.color};
            pen = CreatePenIndirect(&lp);
        }
        else if (outline && hatch == 255)
            pen = CreatePen(PS_SOLID, 0, color);
        else
            pen = static_cast<HPEN>(GetStockObject(NULL_PEN));
        if (pen == nullptr)
        {
            ErrHdlr(18, 0, nullptr);
            return;
        }
        if (ThreeD(g))
            shade = CreateSolidBrush(WGCreateShadeColor(color));
        (void)graph;
        ok = brush != nullptr;
    }
    ~MemberPaint()
    {
        if (brush)
            DeleteObject(brush);
        if (shade)
            DeleteObject(shade);
        if (pen)
            DeleteObject(pen);
    }
    MemberPaint(const MemberPaint&) = delete;
    MemberPaint& operator=(const MemberPaint&) = delete;
};

// A bar with the current pen and brush; 3-D kinds add the side face of depth d in the shade.
void DrawBar(GrDesc* graph, HDC dc, GroupDesc* g, const RECT& r, const MemberPaint& paint)
{
    HGDIOBJ oldPen = SelectObject(dc, paint.pen);
    HGDIOBJ oldBrush = SelectObject(dc, paint.brush);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    if (ThreeD(g) && paint.shade)
    {
        const LONG width = Horizontal(g) ? r.bottom - r.top : r.right - r.left;
        const LONG d = width / 4;
        const LONG p = Pixel(graph, dc, false);
        const LONG q = Pixel(graph, dc, true);
        const POINT face[6] = {{r.left, r.top},
                               {r.left + d, r.top - d},
                               {r.right - p + d, r.top - d},
                               {r.right - p + d, r.bottom - q - d},
                               {r.right - p, r.bottom - q},
                               {r.right - p, r.top}};
        SelectObject(dc, paint.shade);
        Polygon(dc, face, 6);
        MoveToEx(dc, r.right - p, r.top, nullptr);
        LineTo(dc, r.right - p + d, r.top - d);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
}

void DrawGroupBars(GrDesc* graph, HDC dc, GroupDesc* g, const INT* xs, const INT* ys, int n, int members)
{
    LONG w = 0, base = 0;
    BarGeometry(graph, g, w, base);
    const LONG half = Pixel(graph, dc, Horizontal(g)) / 2;
    LONG offset = 0;
    switch (g->barPosition)
    {
    case 0:
    case 1:
        offset = -w * (members - 1);
        break;
    case 2:
    case 4:
        offset = w;
        break;
    default:
        offset = -w * members / 2 + w;
        break;
    }
    offset += half;
    for (int i = 0; i < members; ++i)
    {
        MemberPaint paint(graph, dc, g, i, true);
        if (!paint.ok)
            return;
        for (int j = 0; j < n; ++j)
        {
            const LONG end = xs[j] + offset + i * w;
            DrawBar(graph, dc, g, BarRect(g, end - w, end, base, ys[j * members + i]), paint);
        }
    }
}

void DrawDeepBars(GrDesc* graph, HDC dc, GroupDesc* g, const INT* xs, const INT* ys, int n, int members)
{
    LONG w = 0, base = 0;
    BarGeometry(graph, g, w, base);
    const LONG d = w / 4;
    for (int i = members - 1; i >= 0; --i)
    {
        MemberPaint paint(graph, dc, g, i, true);
        if (!paint.ok)
            return;
        // Away from the baseline: up for vertical bars (logical y falls), right for horizontal ones.
        const LONG lift = Horizontal(g) ? i * d : -i * d;
        for (int j = 0; j < n; ++j)
        {
            LONG edge = xs[j] + i * d;
            if (g->barPosition == 2 || g->barPosition == 4)
                edge += w;
            else if (g->barPosition != 0 && g->barPosition != 1)
                edge += w - w / 2;
            DrawBar(graph, dc, g, BarRect(g, edge - w, edge, base + lift, ys[j * members + i] + lift), paint);
        }
    }
}

void DrawStackedBars(GrDesc* graph, HDC dc, GroupDesc* g, const INT* xs, const INT* ys, int n, int members)
{
    LONG w = 0, base = 0;
    BarGeometry(graph, g, w, base);
    if (base == 0)
        base = g->stackedBase;
    const LONG p = Pixel(graph, dc, Horizontal(g));
    std::vector<LONG> level(static_cast<size_t>(n), base);
    for (int k = 0; k < members; ++k)
    {
        MemberPaint paint(graph, dc, g, k, true);
        if (!paint.ok)
            return;
        for (int j = 0; j < n; ++j)
        {
            LONG c1 = 0;
            if (g->barPosition == 0 || g->barPosition == 1)
                c1 = xs[j] + p - w;
            else if (g->barPosition == 2 || g->barPosition == 4)
                c1 = xs[j] + p / 2;
            else
                c1 = xs[j] - w / 2;
            const LONG height = ys[j * members + k] - g->stackedBase;
            const LONG from = level[static_cast<size_t>(j)];
            level[static_cast<size_t>(j)] += height;
            DrawBar(graph, dc, g, BarRect(g, c1, c1 + w, from, from + height), paint);
        }
    }
}

void DrawFloatingBars(GrDesc* graph, HDC dc, GroupDesc* g, const INT* xs, const INT* ys, int n, int members)
{
    LONG w = 0, base = 0;
    BarGeometry(graph, g, w, base);
    const bool outline = g->borderMode != 2 && Pixel(graph, dc, Horizontal(g)) >= w / 4;
    MemberPaint paint(graph, dc, g, 0, outline);
    if (!paint.ok)
        return;
    for (int j = 0; j < n; ++j)
    {
        LONG c1 = xs[j] - w;
        if (g->barPosition == 2 || g->barPosition == 4)
            c1 = xs[j];
        else if (g->barPosition == 3)
            c1 = xs[j] - w / 2;
        DrawBar(graph, dc, g, BarRect(g, c1, c1 + w, ys[j * members], ys[j * members + 1]), paint);
    }
}

POINT At(const GroupDesc* g, LONG category, LONG value)
{
    return Horizontal(g) ? POINT{value, category} : POINT{category, value};
}

void DrawStacked(GrDesc* graph, HDC dc, GroupDesc* g, const INT* xs, const INT* ys, int n, int members)
{
    (void)graph;
    const LONG base = g->stackedBase;
    std::vector<LONG> below(static_cast<size_t>(n), base), level(static_cast<size_t>(n));
    const bool areas = g->head.subKind == 11;
    for (int k = 0; k < members; ++k)
    {
        for (int j = 0; j < n; ++j)
            level[static_cast<size_t>(j)] = below[static_cast<size_t>(j)] + ys[j * members + k] - base;
        const LineDesc& line = g->memberLines[k];
        const COLORREF color = g->head.flash ? Dimmed(line.color) : line.color;
        if (!areas || n >= 1400)
        {
            LOGPEN lp{static_cast<UINT>(line.style), POINT{line.widthX, line.widthY}, color};
            HPEN pen = CreatePenIndirect(&lp);
            if (pen == nullptr)
            {
                ErrHdlr(18, 0, nullptr);
                return;
            }
            HGDIOBJ old = SelectObject(dc, pen);
            if (!areas)
            {
                std::vector<POINT> points;
                for (int j = 0; j < n; ++j)
                    points.push_back(At(g, xs[j], level[static_cast<size_t>(j)]));
                if (!points.empty())
                    Polyline(dc, points.data(), static_cast<int>(points.size()));
            }
            else
                for (int j = 0; j < n; ++j)
                {
                    const POINT a = At(g, xs[j], below[static_cast<size_t>(j)]);
                    const POINT b = At(g, xs[j], level[static_cast<size_t>(j)]);
                    MoveToEx(dc, a.x, a.y, nullptr);
                    LineTo(dc, b.x, b.y);
                }
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        else if (n > 0)
        {
            std::vector<POINT> polygon;
            for (int j = 0; j < n; ++j)
                polygon.push_back(At(g, xs[j], level[static_cast<size_t>(j)]));
            for (int j = n - 1; j >= 0; --j)
                polygon.push_back(At(g, xs[j], below[static_cast<size_t>(j)]));
            HBRUSH brush = CreateSolidBrush(color);
            HGDIOBJ oldBrush = SelectObject(dc, brush);
            HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
            Polygon(dc, polygon.data(), static_cast<int>(polygon.size()));
            SelectObject(dc, oldPen);
            SelectObject(dc, oldBrush);
            DeleteObject(brush);
        }
        below = level;
    }
}

// A close-value marker: the common shapes, centred on p with half size h.
void DrawMarker(HDC dc, int type, POINT p, LONG h)
{
    switch (type)
    {
    case 1:
        MoveToEx(dc, p.x - h, p.y - h, nullptr);
        LineTo(dc, p.x + h + 1, p.y + h + 1);
        MoveToEx(dc, p.x - h, p.y + h, nullptr);
        LineTo(dc, p.x + h + 1, p.y - h - 1);
        break;
    case 4:
        Rectangle(dc, p.x - h, p.y - h, p.x + h + 1, p.y + h + 1);
        break;
    case 8:
        Ellipse(dc, p.x - h, p.y - h, p.x + h + 1, p.y + h + 1);
        break;
    case 9:
        SetPixel(dc, p.x, p.y, GetTextColor(dc));
        break;
    case 0:
    case 10:
        break;
    default:
        MoveToEx(dc, p.x - h, p.y, nullptr);
        LineTo(dc, p.x + h + 1, p.y);
        MoveToEx(dc, p.x, p.y - h, nullptr);
        LineTo(dc, p.x, p.y + h + 1);
        break;
    }
}

void DrawTicks(GrDesc* graph, HDC dc, GroupDesc* g, const INT* xs, const INT* ys, int n, int members)
{
    const DataSetDesc* set = DataSetAt(g->link.number);
    if (g->tickWidth == 0)
        g->tickWidth = PointsToLogSize(graph, dc, g->markerSize[0]);
    int length = g->tickWidth, half = 0;
    if (!graph->metafileDc)
        OddPixel(dc, &length, &half, Horizontal(g) ? 0 : 1);
    else
        half = length / 2;
    const LineDesc& line = g->head.line;
    LOGPEN lp{static_cast<UINT>(line.style), POINT{line.widthX, line.widthY},
              g->head.flash ? Dimmed(line.color) : line.color};
    HPEN pen = CreatePenIndirect(&lp);
    if (pen == nullptr)
    {
        ErrHdlr(18, 0, nullptr);
        return;
    }
    HGDIOBJ oldPen = SelectObject(dc, pen);
    auto tick = [&](LONG category, LONG value)
    {
        const POINT a = At(g, category - half, value);
        const POINT b = At(g, category + half + 1, value);
        MoveToEx(dc, a.x, a.y, nullptr);
        LineTo(dc, b.x, b.y);
    };
    for (int j = 0; j < n; ++j)
    {
        if (set && set->badMap && (set->badMap[j / 32] & (1u << (j % 32))))
            continue; // marked bad in the data set
        const LONG low = ys[j * members], high = ys[j * members + 1];
        if (half > 0)
        {
            tick(xs[j], high);
            tick(xs[j], low);
        }
        if (g->arrangement == kHighLowClose)
        {
            const POINT a = At(g, xs[j], low), b = At(g, xs[j], high);
            MoveToEx(dc, a.x, a.y, nullptr);
            LineTo(dc, b.x, b.y);
        }
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    if (g->arrangement != kHighLowClose)
        return;

    // The closing values as markers.
    const COLORREF color = WGGetRGBColor(g->markerColor);
    HPEN markerPen = CreatePen(PS_SOLID, 0, color);
    HBRUSH markerBrush =
        g->markerStyle == 0 ? CreateSolidBrush(color) : CreateSolidBrush(graph->plotBackground);
    HGDIOBJ p0 = SelectObject(dc, markerPen);
    HGDIOBJ b0 = SelectObject(dc, markerBrush);
    const COLORREF oldText = SetTextColor(dc, color);
    const LONG h = std::max(1, PointsToLogSize(graph, dc, g->markerSize[1]) / 2);
    for (int j = 0; j < n; ++j)
        if (!(set && set->badMap && (set->badMap[j / 32] & (1u << (j % 32)))))
            DrawMarker(dc, g->markerType, At(g, xs[j], ys[j * members + 2]), h);
    SetTextColor(dc, oldText);
    SelectObject(dc, b0);
    SelectObject(dc, p0);
    DeleteObject(markerBrush);
    DeleteObject(markerPen);
}

bool AxesGoOnTop(const GroupDesc* g)
{
    return g->arrangement <= kFloatingBars || (g->arrangement == kStackedLines && g->head.subKind == 11);
}

void DrawGroup(GrDesc* graph, HDC dc)
{
    auto* g = reinterpret_cast<GroupDesc*>(graph->currentObject);
    if (g == nullptr || graph->building)
        return;
    if (DataSetAt(g->link.number) == nullptr || DataSetAt(g->link.number) != g->link.set)
    {
        ErrHdlr(55, 0, nullptr);
        ReleaseDataSet(graph, &g->head);
        return;
    }
    const int members = Members(g);
    const int needed = g->arrangement == kHighLowClose                                     ? 3
                       : (g->arrangement == kFloatingBars || g->arrangement == kErrorBars) ? 2
                                                                                           : 1;
    if (members < needed)
    {
        ErrHdlr(27, 2, ArrangementName(g->arrangement));
        return;
    }
    if (g->xPositions == nullptr && !ComputePositions(graph, g))
        return;
    TopDesc* top = graph->page ? graph->page->top : nullptr;
    if (top && top->gridOrder == 0 && AxesGoOnTop(g))
        HoldAxes(graph);
    const auto* xs = static_cast<const INT*>(GlobalLock(g->xPositions));
    const auto* ys = static_cast<const INT*>(GlobalLock(g->yPositions));
    const int n = g->link.set->count;

    const int saved = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    SetROP2(dc, g->head.flash ? R2_NOTCOPYPEN : R2_COPYPEN);
    ClipToPlot(graph, dc);
    switch (g->arrangement)
    {
    case kGroupBars:
        DrawGroupBars(graph, dc, g, xs, ys, n, members);
        break;
    case kDeepBars:
        DrawDeepBars(graph, dc, g, xs, ys, n, members);
        break;
    case kStackedBars:
        DrawStackedBars(graph, dc, g, xs, ys, n, members);
        break;
    case kFloatingBars:
        DrawFloatingBars(graph, dc, g, xs, ys, n, members);
        break;
    case kStackedLines:
        DrawStacked(graph, dc, g, xs, ys, n, members);
        break;
    default:
        DrawTicks(graph, dc, g, xs, ys, n, members);
        break;
    }
    ClipToGraph(graph, dc);
    RestoreDC(dc, saved);
    if (top && top->gridOrder == 0 && (g->arrangement <= kFloatingBars || g->arrangement == kStackedLines))
        DrawAxesOver(graph, dc);
}

// ---- Type hooks ----

DataSetLink* GroupLink(ObjDesc* o)
{
    return &reinterpret_cast<GroupDesc*>(o)->link;
}

void GroupDropComputed(ObjDesc* o)
{
    DropPositions(reinterpret_cast<GroupDesc*>(o));
}

void GroupRelease(GrDesc* graph, ObjDesc* o)
{
    ReleaseDataSet(graph, o);
    DropPositions(reinterpret_cast<GroupDesc*>(o));
}

void GroupRecompute(GrDesc*, ObjDesc* o)
{
    auto* g = reinterpret_cast<GroupDesc*>(o);
    DropPositions(g);
    g->tickWidth = 0;
}

BOOL GroupCopy(GrDesc*, const ObjDesc*, ObjDesc* copy)
{
    // The copy computes its own positions; it shares the data set like another plot of it.
    auto* g = reinterpret_cast<GroupDesc*>(copy);
    g->xPositions = g->yPositions = nullptr;
    if (DataSetDesc* set = DataSetAt(g->link.number); set && set == g->link.set)
        ++set->curves;
    return TRUE;
}

LineDesc* GroupMemberLine(ObjDesc* o, int member)
{
    auto* g = reinterpret_cast<GroupDesc*>(o);
    if (g->arrangement == kFloatingBars || g->arrangement == kHighLowClose || g->arrangement == kErrorBars)
        return &g->head.line;
    return member >= 0 && member < kMaxMembers ? &g->memberLines[member] : nullptr;
}

int GroupProperty(GrDesc* graph, ObjDesc* o, int property, int member, bool change, PropertyValue& v)
{
    auto* g = reinterpret_cast<GroupDesc*>(o);
    const bool memberOk = member >= 0 && member < kMaxMembers;
    switch (property)
    {
    case kPropAreaColor:
        if (!memberOk)
            return -1;
        if (!change)
        {
            v.color = g->memberColors[member];
            return 1;
        }
        g->memberColors[member] = v.color;
        if (g->arrangement == kStackedLines)
        {
            g->memberLines[member].color = v.color;
            g->memberLines[member].paletteIndex = static_cast<SHORT>(WGGetPureColor(v.color));
        }
        return 1;
    case kPropBarWidth:
    {
        if (g->head.subKind < 6 || g->head.subKind > 9)
            return 1; // nothing to say about bars that are not there
        const float span = Horizontal(g) ? g->yMax - g->yMin : g->xMax - g->xMin;
        if (!change)
            v.number = g->barWidth * span;
        else if (span != 0)
        {
            g->barWidth = v.number / span;
            DropPositions(g);
        }
        return 1;
    }
    case kPropHatch:
        if (!memberOk)
            return -1;
        if (change)
            g->memberHatch[member] = static_cast<BYTE>(v.value < 0 || v.value > 5 ? 255 : v.value);
        else
            v.value = g->memberHatch[member];
        return 1;
    case kPropBarJust:
        if (change)
            g->barPosition = static_cast<BYTE>(std::clamp(v.value, 0, 4));
        else
            v.value = g->barPosition;
        return 1;
    case kPropFill:
        if (change)
        {
            if (g->arrangement == kStackedLines)
                g->head.subKind = static_cast<SHORT>(v.value ? 11 : 0);
        }
        else
            v.value = g->arrangement == kStackedLines && g->head.subKind == 11 ? 1 : 0;
        return 1;
    case kPropMarkerColor:
        if (change)
        {
            if (v.value < 0 || v.value > 19)
                return -1;
            g->markerColor = static_cast<SHORT>(v.value);
        }
        else
            v.value = g->markerColor;
        return 1;
    case kPropMarkerType:
        if (change)
        {
            g->markerType = static_cast<SHORT>(v.value);
            g->markerStyle = v.fill;
            if (v.size != g->markerSize[0])
            {
                g->markerSize[0] = g->markerSize[1] = static_cast<SHORT>(v.size);
                g->tickWidth = 0;
            }
        }
        else
        {
            v.value = g->markerType;
            v.fill = g->markerStyle;
            v.size = g->markerSize[0];
        }
        return 1;
    case kPropPlotType:
        if (!change)
        {
            v.value = g->arrangement;
            return 1;
        }
        if (g->arrangement > kErrorBars || v.value < 0 || v.value > kErrorBars || v.value == 4)
            return -1;
        g->arrangement = static_cast<BYTE>(v.value);
        if (g->arrangement == kDeepBars && g->head.subKind >= 6 && g->head.subKind <= 7)
            g->head.subKind = static_cast<SHORT>(g->head.subKind + 2);
        GroupRecompute(graph, o);
        return 1;
    case kPropDataFormat:
        if (change)
        {
            g->dataFormat[0] = static_cast<SHORT>(std::clamp(v.value, 1, 99));
            g->dataFormat[1] = static_cast<SHORT>(std::clamp(v.size, 0, 99));
        }
        else
        {
            v.value = g->dataFormat[0];
            v.size = g->dataFormat[1];
        }
        return 1;
    default:
        return 0;
    }
}

const bool groupTypeRegistered = []
{
    PlotObjectType t{};
    t.type = PK_TYPE_GROUP;
    t.size = sizeof(GroupDesc);
    t.draw = DrawGroup;
    t.hitPass = 3;
    t.release = GroupRelease;
    t.recompute = GroupRecompute;
    t.copy = GroupCopy;
    RegisterOwnObjectType(t);
    RegisterPlotDataOps(PK_TYPE_GROUP, PlotDataOps{GroupLink, GroupDropComputed, nullptr});
    RegisterPropertyOps(PK_TYPE_GROUP, PlotPropertyOps{GroupProperty, GroupMemberLine});
    return true;
}();

// The building pass shared by the group creators: a new group over the graph's world window,
// bound to its axes and its data set. Null (with nothing counted) on failure.
GroupDesc* NewGroup(GrDesc* graph, int dataSet, int subKind, int arrangement)
{
    if (!CheckGraph(graph))
        return nullptr;
    const DataSetDesc* set = DataSetAt(dataSet);
    if (set == nullptr)
    {
        ErrHdlr(55, 0, nullptr);
        return nullptr;
    }
    const int needed = arrangement == kHighLowClose                                  ? 3
                       : (arrangement == kFloatingBars || arrangement == kErrorBars) ? 2
                                                                                     : 1;
    if (set->yPerX > kMaxMembers || set->yPerX < needed)
    {
        ErrHdlr(27, 2, ArrangementName(arrangement));
        return nullptr;
    }
    if (!CheckDataSetSize(dataSet, kMaxGroupValues))
        return nullptr;
    auto* g = reinterpret_cast<GroupDesc*>(NewObjDesc(graph, PK_TYPE_GROUP, subKind));
    if (g == nullptr)
        return nullptr;
    g->xMin = graph->worldXFrom;
    g->xMax = graph->worldXTo;
    g->yMin = graph->worldYFrom;
    g->yMax = graph->worldYTo;
    g->arrangement = static_cast<BYTE>(arrangement);
    g->dataFormat[0] = 9;
    g->dataFormat[1] = 6;
    g->barPosition = 3;
    for (int m = 0; m < kMaxMembers; ++m)
    {
        g->memberHatch[m] = 255;
        g->memberLines[m] = g->head.line;
        g->memberLines[m].paletteIndex = -1;
    }
    ConnectAxLine(graph, &g->head);
    AttachDataSet(graph, &g->head, dataSet);
    return g;
}

float BarFraction(const GroupDesc* g, float width)
{
    const float span = Horizontal(g) ? g->yMax - g->yMin : g->xMax - g->xMin;
    return span != 0 ? width / span : 0;
}

int ValidBarKind(int subKind)
{
    return subKind >= 6 && subKind <= 9 ? subKind : 6;
}

} // namespace
} // namespace plotkit

using namespace plotkit;

int WINAPI WGGroupBargraph(GrDesc* graph, HDC dc, int dataSet, float barWidth, int barPosition, int subKind,
                           int arrangement, const COLORREF* colors, const INT* hatches, const INT* lineColors)
{
    (void)dc;
    if (arrangement < kGroupBars || arrangement > kStackedBars)
        arrangement = kGroupBars;
    GroupDesc* g = NewGroup(graph, dataSet, ValidBarKind(subKind), arrangement);
    if (g == nullptr)
        return 0;
    if (arrangement == kDeepBars && g->head.subKind <= 7)
        g->head.subKind = static_cast<SHORT>(g->head.subKind + 2);
    g->barWidth = BarFraction(g, barWidth);
    g->barPosition = static_cast<BYTE>(barPosition);
    const int members = Members(g);
    for (int m = 0; m < members; ++m)
    {
        g->memberColors[m] = colors ? colors[m] : WGGetRGBColor(m % 16);
        // One hatch every 4 bytes: its low byte.
        const int hatch = hatches ? static_cast<BYTE>(hatches[m] & 0xFF) : 255;
        g->memberHatch[m] = static_cast<BYTE>(hatch > 5 ? 255 : hatch);
        LineDesc& line = g->memberLines[m];
        line.style = 0;
        line.widthX = line.widthY = 0;
        line.pixelWidth = 0;
        line.window = graph->window;
        if (lineColors && lineColors[m] >= 0 && lineColors[m] <= 19)
        {
            line.paletteIndex = static_cast<SHORT>(lineColors[m]);
            line.color = WGGetRGBColor(lineColors[m]);
        }
        else
            line.paletteIndex = -1;
    }
    return CommitObjDesc(graph);
}

int WINAPI WGFloatingBars(GrDesc* graph, HDC dc, int dataSet, float barWidth, int barPosition, int subKind,
                          COLORREF color, int hatch, int border)
{
    GroupDesc* g = NewGroup(graph, dataSet, ValidBarKind(subKind), kFloatingBars);
    if (g == nullptr)
        return 0;
    g->barWidth = BarFraction(g, barWidth);
    g->barPosition = static_cast<BYTE>(barPosition);
    g->memberColors[0] = color;
    g->memberHatch[0] = static_cast<BYTE>(hatch < 0 || hatch > 5 ? 255 : hatch);
    if (border < 0)
    {
        g->borderMode = 0;
        g->memberLines[0].paletteIndex = -1;
        g->head.line.paletteIndex = static_cast<SHORT>(WGGetPureColor(color));
    }
    else
    {
        g->borderMode = 2;
        SetLine(graph, dc, &g->memberLines[0], 0, border, 0, 0);
    }
    return CommitObjDesc(graph);
}

int WINAPI WGStackedLines(GrDesc* graph, HDC dc, int dataSet, BOOL filled, const INT* styles,
                          const INT* widths, const INT* colorIndexes)
{
    GroupDesc* g = NewGroup(graph, dataSet, filled ? 11 : 0, kStackedLines);
    if (g == nullptr)
        return 0;
    for (int m = 0; m < Members(g); ++m)
    {
        const int index = colorIndexes ? colorIndexes[m] : 0;
        SetLine(graph, dc, &g->memberLines[m], styles ? std::clamp(styles[m], 0, 6) : 0,
                index >= 0 && index <= 19 ? index : 0, 0, widths ? widths[m] : 0);
        g->memberColors[m] = g->memberLines[m].color;
    }
    return CommitObjDesc(graph);
}

int WINAPI WGHighLowClose(GrDesc* graph, HDC dc, int dataSet, int markerType, int markerColor, int tickWidth,
                          int markerStyle)
{
    GroupDesc* g = NewGroup(graph, dataSet, 0, kHighLowClose);
    if (g == nullptr)
        return 0;
    g->markerType = static_cast<SHORT>(markerType);
    g->markerColor = static_cast<SHORT>(markerColor >= 0 && markerColor <= 19 ? markerColor : 0);
    g->markerStyle = markerStyle;
    g->markerSize[0] = g->markerSize[1] = static_cast<SHORT>(tickWidth);
    g->tickWidth = dc ? PointsToLogSize(graph, dc, tickWidth) : 0;
    return CommitObjDesc(graph);
}

int WINAPI WGErrorBars(GrDesc* graph, HDC dc, int dataSet, int tickWidth)
{
    GroupDesc* g = NewGroup(graph, dataSet, 0, kErrorBars);
    if (g == nullptr)
        return 0;
    g->markerSize[0] = g->markerSize[1] = static_cast<SHORT>(tickWidth);
    g->tickWidth = dc ? PointsToLogSize(graph, dc, tickWidth) : 0;
    return CommitObjDesc(graph);
}

namespace plotkit
{

int GroupArrangement(ObjDesc* group)
{
    return group && group->type == PK_TYPE_GROUP ? reinterpret_cast<GroupDesc*>(group)->arrangement : -1;
}

int GroupMemberCount(ObjDesc* group)
{
    if (group == nullptr || group->type != PK_TYPE_GROUP)
        return 0;
    auto* g = reinterpret_cast<GroupDesc*>(group);
    // Floating bars, high-low-close and error bars draw all their values as one series.
    if (g->arrangement == kFloatingBars || g->arrangement == kHighLowClose || g->arrangement == kErrorBars)
        return 1;
    return std::min(Members(g), kMaxMembers);
}

bool GroupMemberSample(ObjDesc* group, int member, MemberSample& sample)
{
    if (member < 0 || member >= GroupMemberCount(group))
        return false;
    auto* g = reinterpret_cast<GroupDesc*>(group);
    sample = MemberSample{};
    sample.color = g->memberColors[member];
    sample.hatch = g->memberHatch[member];
    sample.line = g->memberLines[member];
    if (g->arrangement <= kFloatingBars)
    {
        sample.kind = 1;
        sample.threeD = ThreeD(g);
    }
    else if (g->arrangement == kStackedLines)
        sample.kind = g->head.subKind == 11 ? 2 : 0;
    else
    {
        // High-low-close and error bars: a line in the series colour.
        sample.kind = 0;
        if (g->arrangement == kHighLowClose)
            sample.line.color = WGGetRGBColor(g->markerColor);
    }
    return true;
}

} // namespace plotkit
