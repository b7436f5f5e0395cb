// Curve drawing: the curve object (type 1) shows one data set as a line, a line with markers,
// markers alone or bars. Its points are computed once in logical units through the curve's axes and
// reused until an axis or the data change.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

constexpr int kMinLog = -20000, kMaxLog = 32000;
constexpr int kPolylineRun = 1025;     // points per Polyline call
constexpr int kMaxPolygonFill = 14999; // a filled line of more points is drawn as bars
constexpr int kWaitCursorPoints = 5001;

// ---- The data set seen by a curve ---------------------------------------------------------------

// The curve's data set while it is still the one the curve was bound to.
const DataSetDesc* DataOf(const CurveDesc* c)
{
    const DataSetDesc* set = c->data.number ? DataSetAt(c->data.number) : nullptr;
    return set && set == c->data.set && set->x && set->y ? set : nullptr;
}

bool HasMarks(const DataSetDesc* set)
{
    return set && set->badMap && set->yPerX < 2;
}

// ---- Computed points ----------------------------------------------------------------------------

POINT* Points(CurveDesc* c)
{
    return c->points ? static_cast<POINT*>(GlobalLock(c->points)) : nullptr;
}

void DropPoints(CurveDesc* c)
{
    GlobalFree(c->points);
    GlobalFree(c->splinePoints);
    c->points = c->splinePoints = nullptr;
    c->pointsValid = 0;
    c->splineCount = 0;
}

int ClampLog(double v)
{
    if (!(v >= kMinLog)) // also NaN
        return kMinLog;
    if (v > kMaxLog)
        return kMaxLog;
    return static_cast<int>(v);
}

// Whole logical units of a computed length or position, bounded so that no value overflows.
int ToInt(double v)
{
    return v == v ? static_cast<int>(std::clamp(v, -1e9, 1e9)) : 0;
}

AxisDesc* AxisAt(GrDesc* graph, int number)
{
    ObjDesc* o = ObjectAt(graph, number);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<AxisDesc*>(o) : nullptr;
}

// One direction of the mapping from world values to logical units.
struct Scale
{
    bool log = false;
    double from = 0, to = 1; // world range (linear)
    double logFrom = 1, logTo = 10;
    double origin = 0, length = 0; // logical position of `from` and signed extent
    double factor = 0;             // linear: logical units per world unit
    double logFactor = 0;          // logarithmic: logical units per decade

    void Prepare()
    {
        factor = to != from ? length / (to - from) : 0;
        logFactor = logFrom > 0 && logTo > 0 && logTo != logFrom ? length / std::log10(logTo / logFrom) : 0;
    }
    double Map(double v) const
    {
        if (log)
            return origin + logFactor * std::log10(v / logFrom);
        return origin + (v - from) * factor;
    }
};

Scale MakeScale(GrDesc* graph, const CurveDesc* c, bool x)
{
    Scale s;
    const AxisDesc* axis = AxisAt(graph, x ? c->head.xAxis : c->head.yAxis);
    s.from = x ? c->xMin : c->yMin;
    s.to = x ? c->xMax : c->yMax;
    s.log = axis ? axis->scale == 1 : (x ? graph->scaleX : graph->scaleY) == 1;
    s.logFrom = axis ? axis->logMin : (x ? graph->lastXFrom : graph->lastYFrom);
    s.logTo = axis ? axis->logMax : (x ? graph->lastXTo : graph->lastYTo);
    const RECT& p = graph->plot;
    s.origin = x ? p.left : p.bottom;
    s.length = x ? p.right - p.left : -(p.bottom - p.top);
    s.Prepare();
    return s;
}

// A zero or negative value on a logarithmic axis: the user may stop, else the axis turns linear.
// True when the computation is to stop.
bool RefuseLogValue(GrDesc* graph, CurveDesc* c, bool x, int index)
{
    const std::string where = std::string(x ? "X #" : "Y #") + std::to_string(index);
    if (ErrHdlr(8, 2, where.c_str()) == 1)
        return true;
    if (AxisDesc* axis = AxisAt(graph, x ? c->head.xAxis : c->head.yAxis))
    {
        axis->scale = 0;
        UpdateAxisStyle(graph, GlobalHandle(axis), axis);
    }
    else
        (x ? graph->scaleX : graph->scaleY) = 0;
    InvalidateRect(graph->window, nullptr, TRUE);
    return false;
}

bool ComputePoints(GrDesc* graph, HDC dc, CurveDesc* c)
{
    const DataSetDesc* data = DataOf(c);
    if (data == nullptr)
        return false;
    const int n = data->count;
    DropPoints(c);
    if (n <= 0)
        return true;
    HCURSOR previous = nullptr;
    if (n >= kWaitCursorPoints)
        previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    HGLOBAL block = GlobalAlloc(GPTR, static_cast<SIZE_T>(n) * sizeof(POINT));
    if (block == nullptr)
    {
        if (n >= kWaitCursorPoints)
            SetCursor(previous);
        ErrHdlr(53, 0, nullptr);
        return false;
    }
    auto* pts = static_cast<POINT*>(GlobalLock(block));
    const int step = std::max(1, static_cast<int>(data->yPerX));
    const bool marks = HasMarks(data);
    bool done = false, stopped = false;
    // At most one restart per direction: a refused logarithmic axis turns linear.
    for (int pass = 0; pass < 3 && !done && !stopped; ++pass)
    {
        const Scale sx = MakeScale(graph, c, true), sy = MakeScale(graph, c, false);
        done = true;
        for (int i = 0; i < n; ++i)
        {
            const double x = data->x[i], y = data->y[static_cast<size_t>(i) * step];
            if ((sx.log && !(x > 0)) || (sy.log && !(y > 0)))
            {
                if (marks && !IsGoodPoint(data, i))
                {
                    pts[i] = POINT{kMinLog, kMinLog};
                    continue;
                }
                const bool onX = sx.log && !(x > 0);
                stopped = RefuseLogValue(graph, c, onX, i);
                done = false;
                break;
            }
            pts[i].x = ClampLog(sx.Map(x));
            pts[i].y = ClampLog(sy.Map(y));
        }
    }
    if (n >= kWaitCursorPoints)
        SetCursor(previous);
    if (!done)
    {
        GlobalFree(block);
        return false;
    }
    RECT box{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    for (int i = 1; i < n; ++i)
    {
        box.left = std::min(box.left, pts[i].x);
        box.right = std::max(box.right, pts[i].x);
        box.top = std::min(box.top, pts[i].y);
        box.bottom = std::max(box.bottom, pts[i].y);
    }
    c->head.extent = box;
    // Baseline: the X axis line.
    const RECT& p = graph->plot;
    const AxisDesc* xAxis = AxisAt(graph, c->head.xAxis);
    const AxisDesc* yAxis = AxisAt(graph, c->head.yAxis);
    if (yAxis && yAxis->scale == 1)
        c->baseline = xAxis && xAxis->yIntercept > yAxis->logMin ? p.top : p.bottom;
    else if (xAxis && c->yMax != c->yMin)
        c->baseline =
            ClampLog(p.bottom - (p.bottom - p.top) * (static_cast<double>(xAxis->yIntercept) - c->yMin) /
                                    (static_cast<double>(c->yMax) - c->yMin));
    else
        c->baseline = p.bottom;
    c->points = block;
    c->pointsValid = n;
    if (c->spline && c->head.subKind == 3 && dc)
        c->splinePoints = SplinePoints(graph, dc, pts, n, &c->splineCount);
    return true;
}

// ---- Drawing ------------------------------------------------------------------------------------

bool RasterScreen(const GrDesc* graph, HDC dc)
{
    return !graph->printCopy && !RecordsMetafile(graph) && GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY;
}

// Per device pixel column only the first, the lowest, the highest and the last point of a run of
// points in that column change what a line draws: the lines between them are vertical, so any path
// from the first over both extremes to the last covers the same pixels. The nearer extreme comes
// first, which writes fewer pixels twice.
std::vector<POINT> DecimateByColumn(HDC dc, const POINT* pts, int n)
{
    // The device column of every logical x the points use, mapped once by the layer: far fewer
    // values than points on a dense curve. Device y is not needed: the mapping keeps the order.
    LONG minX = pts[0].x, maxX = pts[0].x;
    for (int i = 1; i < n; ++i)
    {
        minX = std::min(minX, pts[i].x);
        maxX = std::max(maxX, pts[i].x);
    }
    std::vector<POINT> columns(static_cast<size_t>(maxX - minX) + 1);
    for (size_t k = 0; k < columns.size(); ++k)
        columns[k] = POINT{static_cast<LONG>(minX + static_cast<LONG>(k)), 0};
    LPtoDP(dc, columns.data(), static_cast<int>(columns.size()));
    auto column = [&](int i) { return columns[static_cast<size_t>(pts[i].x - minX)].x; };
    std::vector<POINT> kept;
    kept.reserve(static_cast<size_t>(std::min(n, 8192)));
    int i = 0;
    while (i < n)
    {
        const LONG here = column(i);
        int j = i, lo = i, hi = i;
        while (j + 1 < n && column(j + 1) == here)
        {
            ++j;
            if (pts[j].y < pts[lo].y)
                lo = j;
            if (pts[j].y > pts[hi].y)
                hi = j;
        }
        const bool lowFirst = std::abs(pts[i].y - pts[lo].y) <= std::abs(pts[i].y - pts[hi].y);
        const int a = lowFirst ? lo : hi, b = lowFirst ? hi : lo;
        kept.push_back(pts[i]);
        if (a != i)
            kept.push_back(pts[a]);
        if (b != a)
            kept.push_back(pts[b]);
        if (j != i && j != b)
            kept.push_back(pts[j]);
        i = j + 1;
    }
    return kept;
}

void DrawPolyline(GrDesc* graph, CurveDesc* c, HDC dc, const POINT* pts, int n, const DataSetDesc* skipBad)
{
    if (n <= 0)
        return;
    if (skipBad)
    {
        n = std::min(n, skipBad->count);
        int i = 0;
        while (i < n && !IsGoodPoint(skipBad, i))
            ++i;
        if (i == n)
            return;
        MoveToEx(dc, pts[i].x, pts[i].y, nullptr);
        bool previousGood = true;
        for (++i; i < n; ++i)
        {
            const bool good = IsGoodPoint(skipBad, i);
            if (good && !previousGood)
            {
                MoveToEx(dc, pts[i].x, pts[i].y, nullptr);
                SetPixel(dc, pts[i].x, pts[i].y, c->head.line.color);
            }
            else if (good)
                LineTo(dc, pts[i].x, pts[i].y);
            previousGood = good;
        }
        return;
    }
    SetBkMode(dc, TRANSPARENT);
    std::vector<POINT> decimated;
    if (n > 4 && c->head.line.style == PS_SOLID && RasterScreen(graph, dc))
    {
        decimated = DecimateByColumn(dc, pts, n);
        pts = decimated.data();
        n = static_cast<int>(decimated.size());
    }
    if (n == 1)
    {
        SetPixel(dc, pts[0].x, pts[0].y, c->head.line.color);
        return;
    }
    for (int start = 0; start < n - 1; start += kPolylineRun - 1)
        Polyline(dc, pts + start, std::min(kPolylineRun, n - start));
}

HPEN CurvePen(GrDesc* graph, HDC dc, const LineDesc& line)
{
    LOGPEN pen{};
    pen.lopnStyle = static_cast<UINT>(line.style);
    pen.lopnWidth.x = line.widthX;
    pen.lopnColor = line.color;
    return SelectPenIndirect(graph, dc, &pen);
}

// The colour a flashing 3-D bar shades with: each channel 0x40 darker, none below 0.
COLORREF FlashShade(COLORREF color)
{
    auto down = [](int v) { return v > 0x40 ? v - 0x40 : 0; };
    return RGB(down(GetRValue(color)), down(GetGValue(color)), down(GetBValue(color)));
}

bool Vertical(const CurveDesc* c)
{
    return c->head.subKind == 6 || c->head.subKind == 8;
}

} // namespace

// Bar width in logical units; the baseline (value 0 line, clamped to the plot) and the half width.
int BarGeometry(HDC dc, CurveDesc* c, GrDesc* graph, int* baseline, int* half)
{
    const RECT& p = graph->plot;
    const bool vertical = Vertical(c);
    int width = ToInt(static_cast<double>(vertical ? p.right - p.left : p.bottom - p.top) * c->barWidth);
    const AxisDesc* axis = AxisAt(graph, vertical ? c->head.yAxis : c->head.xAxis);
    int base = 0;
    if (vertical)
    {
        if (axis && axis->scale == 1)
            base = axis->logMax >= axis->logMin ? p.bottom : p.top;
        else
        {
            const double range = static_cast<double>(c->yMax) - c->yMin;
            base = range != 0 ? ToInt(p.bottom + (p.bottom - p.top) * static_cast<double>(c->yMin) / range)
                              : p.bottom;
            base = std::clamp<int>(base, std::min(p.top, p.bottom), std::max(p.top, p.bottom));
        }
    }
    else
    {
        if (axis && axis->scale == 1)
            base = axis->logMax >= axis->logMin ? p.left : p.right;
        else
        {
            const double range = static_cast<double>(c->xMax) - c->xMin;
            base = range != 0 ? ToInt(p.left - (p.right - p.left) * static_cast<double>(c->xMin) / range)
                              : p.left;
            base = std::clamp<int>(base, std::min(p.left, p.right), std::max(p.left, p.right));
        }
    }
    if (baseline)
        *baseline = base;
    int h = width / 2;
    if (dc && !RecordsMetafile(graph) && width > 0)
        OddPixel(dc, &width, &h, vertical ? 1 : 2);
    if (half)
        *half = h;
    return width;
}

namespace
{

void DrawBars(GrDesc* graph, HDC dc, const POINT* pts, CurveDesc* c)
{
    int base = 0, half = 0;
    const int width = BarGeometry(dc, c, graph, &base, &half);
    const bool vertical = Vertical(c);
    const bool threeD = c->head.subKind == 8 || c->head.subKind == 9;
    int pxX = 1, pxY = 1;
    GetAbsPix(graph, &pxX, &pxY);
    const int px = std::max(1, vertical ? pxX : pxY);
    HPEN madePen = nullptr;
    if (c->markerStyle == 2)
        madePen = CurvePen(graph, dc, c->head.line);
    else if (width > 4 * px)
    {
        LOGPEN none{PS_NULL, {0, 0}, 0};
        madePen = SelectPenIndirect(graph, dc, &none);
    }
    else
    {
        LOGPEN thin{PS_SOLID, {0, 0}, c->barColor};
        madePen = SelectPenIndirect(graph, dc, &thin);
    }
    HBRUSH brush = CreateBarBrush(dc, c->hatch == 255 ? -1 : c->hatch, c->barColor);
    HBRUSH shade =
        threeD ? CreateSolidBrush(c->head.flash ? FlashShade(c->barColor) : WGCreateShadeColor(c->barColor))
               : nullptr;
    HGDIOBJ oldBrush = SelectObject(dc, brush ? brush : GetStockObject(NULL_BRUSH));
    const int quarter = width / 4;
    const int n = c->pointsValid;
    const DataSetDesc* data = DataOf(c);
    const bool marks = HasMarks(data) && data->count >= c->pointsValid;
    for (int i = 0; i < n; ++i)
    {
        if (marks && !IsGoodPoint(data, i))
            continue;
        const int along = vertical ? pts[i].x : pts[i].y;
        const int value = vertical ? pts[i].y : pts[i].x;
        int from = along - half, to = along + half + (width > 0 ? 0 : 1);
        if (c->barPosition == 0 || c->barPosition == 1)
            from = along - width, to = along;
        else if (c->barPosition == 2 || c->barPosition == 4)
            from = along, to = along + width;
        if (to == from)
            to = from + px;
        RECT r = vertical ? RECT{from, std::min(value, base), to, std::max(value, base)}
                          : RECT{std::min(value, base), from, std::max(value, base), to};
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        if (threeD && shade)
        {
            const int d = quarter;
            const POINT side[6] = {{r.left, r.top},
                                   {r.left + d, r.top - d},
                                   {r.right - px + d, r.top - d},
                                   {r.right - px + d, r.bottom - px - d},
                                   {r.right - px, r.bottom - px},
                                   {r.right - px, r.top}};
            SelectObject(dc, shade);
            Polygon(dc, side, 6);
            SelectObject(dc, brush);
            MoveToEx(dc, r.right - px, r.top, nullptr);
            LineTo(dc, r.right - px + d, r.top - d);
        }
    }
    SelectObject(dc, oldBrush);
    if (brush)
        DeleteObject(brush);
    if (shade)
        DeleteObject(shade);
    if (RecordsMetafile(graph) && madePen)
    {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(madePen);
    }
}

void DrawMarkers(GrDesc* graph, HDC dc, const POINT* pts, CurveDesc* c)
{
    const COLORREF color = WGGetRGBColor(c->markerColor);
    const int penWidth = c->head.line.widthX;
    LOGPEN logPen{PS_SOLID, {penWidth, 0}, color};
    HPEN pen = CreatePenIndirect(&logPen);
    if (pen == nullptr)
    {
        ErrHdlr(18, 0, nullptr);
        return;
    }
    HGDIOBJ oldPen = SelectObject(dc, pen);
    int s = c->markerLogSize, h = 0;
    if (RecordsMetafile(graph))
        h = (s - penWidth) / 2;
    else if (s > 0)
        OddPixel(dc, &s, &h, 2);
    int k = s - h;
    if (s == 0)
        h = k = 0;
    const int type = c->markerType;
    if (type == 2 || type == 3)
        k = static_cast<int>(h * 0.73);
    if (type == 7 || type == 11)
        h = h * 7 / 5;
    TopDesc* top = graph->page->top;
    HBRUSH made = nullptr;
    HGDIOBJ brush = nullptr;
    if (c->markerStyle == 0)
        brush = made = CreateSolidBrush(color);
    else if (graph->printCopy && !(top && top->printPlotBackground))
        brush = GetStockObject(WHITE_BRUSH);
    else
        brush = made = CreateSolidBrush(graph->plotBackground);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    const DataSetDesc* data = DataOf(c);
    const bool marks = HasMarks(data) && data->count >= c->pointsValid;
    auto line = [dc](int x1, int y1, int x2, int y2)
    {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    };
    for (int i = 0; i < c->pointsValid; ++i)
    {
        if (marks && !IsGoodPoint(data, i))
            continue;
        const int x = pts[i].x, y = pts[i].y;
        if (c->dropLine)
            line(x, y, x, c->baseline);
        switch (type)
        {
        case 1:
            line(x - k, y - k, x + k, y + k);
            line(x - k, y + k, x + k, y - k);
            break;
        case 2:
        {
            const POINT t[3] = {{x - h, y + k}, {x, y - h}, {x + h, y + k}};
            Polygon(dc, t, 3);
            break;
        }
        case 3:
        {
            const POINT t[3] = {{x, y + h}, {x - h, y - k}, {x + h, y - k}};
            Polygon(dc, t, 3);
            break;
        }
        case 4:
            Rectangle(dc, x - h, y - h, x + k, y + k);
            break;
        case 5:
            line(x - h, y, x + k, y);
            line(x, y - h, x, y + k);
            break;
        case 6:
            line(x - h, y, x + k, y);
            line(x, y - h, x, y + k);
            line(x - k, y - k, x + k, y + k);
            line(x - k, y + k, x + k, y - k);
            break;
        case 7:
        {
            const POINT d[4] = {{x, y - h}, {x + h, y}, {x, y + h}, {x - h, y}};
            Polygon(dc, d, 4);
            break;
        }
        case 8:
            Ellipse(dc, x - h, y - h, x + k, y + k);
            break;
        case 9:
            SetPixel(dc, x, y, color);
            break;
        case 11:
        {
            const POINT d[5] = {{x, y - h}, {x + h, y}, {x, y + h}, {x - h, y}, {x, y - h}};
            Polyline(dc, d, 5);
            break;
        }
        default:
            break;
        }
        if (c->markerStyle == 2)
            SetPixel(dc, x, y, color);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    if (made)
        DeleteObject(made);
}

void DrawFilled(GrDesc* graph, HDC dc, CurveDesc* c, const POINT* pts, int n)
{
    std::vector<POINT> polygon(pts, pts + n);
    polygon.push_back(POINT{pts[n - 1].x, c->baseline});
    polygon.push_back(POINT{pts[0].x, c->baseline});
    HBRUSH brush = CreateSolidBrush(c->head.line.color);
    HGDIOBJ old = SelectObject(dc, brush);
    Polygon(dc, polygon.data(), static_cast<int>(polygon.size()));
    SelectObject(dc, old);
    DeleteObject(brush);
    (void)graph;
}

void DrawCurve(GrDesc* graph, HDC dc)
{
    ObjDesc* o = graph->currentObject;
    if (o == nullptr || o->type != PK_TYPE_CURVE)
        return;
    auto* c = reinterpret_cast<CurveDesc*>(o);
    const DataSetDesc* data = DataOf(c);
    if (data == nullptr)
    {
        // The data set went away under the curve: it lets go of it and draws nothing.
        if (c->data.number)
            ErrHdlr(55, 0, nullptr);
        c->data = DataSetLink{};
        DropPoints(c);
        return;
    }
    const bool overData = graph->page->top && graph->page->top->gridOrder == 0 && c->head.subKind != 5;
    if (c->points == nullptr || graph->building)
    {
        if (overData && c->points == nullptr)
            HoldAxes(graph);
        if (!ComputePoints(graph, dc, c))
            return;
        c->recompute = 0;
    }
    if (graph->building)
        return;
    POINT* pts = Points(c);
    const int n = c->pointsValid;
    if (pts == nullptr || n == 0)
        return;
    SetROP2(dc, c->head.flash ? R2_NOTCOPYPEN : R2_COPYPEN);
    ClipToPlot(graph, dc);
    const int kind = c->head.subKind;
    if (kind == 3 || kind == 4)
    {
        HPEN pen = CurvePen(graph, dc, c->head.line);
        if (kind == 4)
        {
            SetBkMode(dc, OPAQUE);
            SetBkColor(dc, graph->plotBackground);
        }
        if (kind == 3 && c->fillArea && n > kMaxPolygonFill)
        {
            // Too many points for one polygon: this drawing shows the area as bars of the line's
            // colour one pixel wide; the curve itself stays a filled line.
            CurveDesc bars = *c;
            bars.head.subKind = 6;
            bars.barWidth = 0;
            bars.barColor = c->head.line.color;
            bars.hatch = 255;
            bars.markerStyle = 0;
            bars.barPosition = 3;
            DrawBars(graph, dc, pts, &bars);
        }
        else if (kind == 3 && c->fillArea)
            DrawFilled(graph, dc, c, pts, n);
        else if (c->spline && c->splinePoints)
            DrawPolyline(graph, c, dc, static_cast<POINT*>(GlobalLock(c->splinePoints)), c->splineCount,
                         nullptr);
        else
            DrawPolyline(graph, c, dc, pts, n, HasMarks(data) ? data : nullptr);
        if (kind == 4)
        {
            if (c->markerLogSize == 0 && !RecordsMetafile(graph))
                c->markerLogSize = PointsToLogSize(graph, dc, c->markerHeight);
            DrawMarkers(graph, dc, pts, c);
        }
        if (RecordsMetafile(graph) && pen)
        {
            SelectObject(dc, GetStockObject(BLACK_PEN));
            DeleteObject(pen);
        }
    }
    else if (kind == 5)
    {
        if (c->markerLogSize == 0 && !RecordsMetafile(graph))
            c->markerLogSize = PointsToLogSize(graph, dc, c->markerHeight);
        DrawMarkers(graph, dc, pts, c);
    }
    else if (kind >= 6 && kind <= 9)
        DrawBars(graph, dc, pts, c);
    SetROP2(dc, R2_COPYPEN);
    ClipToGraph(graph, dc);
    if (overData)
        DrawAxesOver(graph, dc);
}

void RecomputeCurve(GrDesc*, ObjDesc* o)
{
    auto* c = reinterpret_cast<CurveDesc*>(o);
    DropPoints(c);
    c->recompute = 1;
    c->markerLogSize = 0;
}

void ReleaseCurve(GrDesc* graph, ObjDesc* o)
{
    ReleaseDataSet(graph, o);
    DropPoints(reinterpret_cast<CurveDesc*>(o));
}

BOOL CopyCurve(GrDesc*, const ObjDesc*, ObjDesc* copy)
{
    // The copy computes its own points when it is drawn.
    auto* c = reinterpret_cast<CurveDesc*>(copy);
    c->points = c->splinePoints = nullptr;
    c->pointsValid = c->splineCount = 0;
    return TRUE;
}

// The curve test of the picker: in point mode (and on dense curves) the first point within t in
// both directions; in line mode the first segment whose x span holds P decides alone.
int CurvePointAt(const POINT* pts, int n, POINT p, int t, bool lineMode, int extentWidth)
{
    if (pts == nullptr || n <= 0 || t < 0)
        return -1;
    const bool dense = t > 0 && 2.0 * extentWidth / t < n && extentWidth <= kMaxPolygonFill;
    if (!lineMode || dense || n == 1)
    {
        for (int i = 0; i < n; ++i)
            if (std::abs(pts[i].x - p.x) <= t && std::abs(pts[i].y - p.y) <= t)
                return i;
        return -1;
    }
    for (int i = 0; i + 1 < n; ++i)
    {
        const POINT a = pts[i], b = pts[i + 1];
        if (!(std::min(a.x, b.x) < p.x && p.x < std::max(a.x, b.x)))
            continue;
        if (std::abs(b.y - a.y) >= t)
        {
            const double x = a.x + static_cast<double>(p.y - a.y) * (b.x - a.x) / (b.y - a.y);
            return std::fabs(x - p.x) <= t ? i : -1;
        }
        return std::abs(p.y - a.y) <= t ? i : -1;
    }
    return -1;
}

BOOL HitCurve(GrDesc* graph, ObjDesc* o, POINT p)
{
    auto* c = reinterpret_cast<CurveDesc*>(o);
    const POINT* pts = Points(c);
    int n = c->pointsValid;
    if (pts == nullptr)
        return FALSE;
    const int unit = std::max(1, graph->unitsPerPixelX);
    const int pen = c->head.line.widthX;
    const int width = std::abs(c->head.extent.right - c->head.extent.left);
    const int kind = c->head.subKind;
    int hit = -1;
    if (kind >= 6 && kind <= 9)
    {
        int base = 0, half = 0;
        const int barWidth = BarGeometry(nullptr, c, graph, &base, &half);
        const bool vertical = Vertical(c);
        for (int i = 0; i < n && hit < 0; ++i)
        {
            const int along = vertical ? pts[i].x : pts[i].y, value = vertical ? pts[i].y : pts[i].x;
            int from = along - half, to = along + half;
            if (c->barPosition == 0 || c->barPosition == 1)
                from = along - barWidth, to = along;
            else if (c->barPosition == 2 || c->barPosition == 4)
                from = along, to = along + barWidth;
            const int a = vertical ? p.x : p.y, v = vertical ? p.y : p.x;
            if (a >= from && a <= to && v >= std::min(value, base) && v <= std::max(value, base))
                hit = i;
        }
    }
    else if (kind == 3)
    {
        if (c->spline && c->splinePoints)
        {
            pts = static_cast<const POINT*>(GlobalLock(c->splinePoints));
            n = c->splineCount;
        }
        hit = CurvePointAt(pts, n, p, unit + std::max(2 * unit, pen), true, width);
    }
    else
    {
        const int t = c->markerType == 9 ? std::max(2 * unit, pen) : c->markerLogSize / 2;
        hit = CurvePointAt(pts, n, p, t, false, width);
        if (hit < 0 && kind == 4)
            hit = CurvePointAt(pts, n, p, pen / 2 + unit, true, width);
    }
    if (hit < 0)
        return FALSE;
    c->hitPoint = hit;
    return TRUE;
}

DataSetLink* CurveLink(ObjDesc* o)
{
    return &reinterpret_cast<CurveDesc*>(o)->data;
}

void DropComputed(ObjDesc* o)
{
    DropPoints(reinterpret_cast<CurveDesc*>(o));
}

// A line curve letting go of its data is drawn once in the plot's background, which wipes it.
void EraseCurve(GrDesc* graph, ObjDesc* o)
{
    auto* c = reinterpret_cast<CurveDesc*>(o);
    const POINT* pts = Points(c);
    if (c->head.subKind != 3 || pts == nullptr || c->pointsValid < 2 || graph->window == nullptr)
        return;
    HDC dc = GetMappedDC(graph);
    ClipToPlot(graph, dc);
    LineDesc wipe = c->head.line;
    wipe.color = graph->plotBackground;
    HPEN pen = CurvePen(graph, dc, wipe);
    for (int start = 0; start < c->pointsValid - 1; start += kPolylineRun - 1)
        Polyline(dc, pts + start, std::min(kPolylineRun, c->pointsValid - start));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
    ReleaseDC(graph->window, dc);
}

// The span across the bars in world units: X for vertical bars, Y for horizontal ones.
float BarSpan(const CurveDesc* c)
{
    return Vertical(c) ? c->xMax - c->xMin : c->yMax - c->yMin;
}

int CurveProperty(GrDesc* graph, ObjDesc* o, int property, int, bool change, PropertyValue& v)
{
    auto* c = reinterpret_cast<CurveDesc*>(o);
    const bool bars = c->head.subKind >= 6 && c->head.subKind <= 9;
    switch (property)
    {
    case kPropAreaColor:
        if (change)
            c->barColor = v.color;
        else
            v.color = c->barColor;
        return 1;
    case kPropBarWidth:
        if (!bars)
            return 1;
        if (!change)
            v.number = c->barWidth * std::fabs(BarSpan(c));
        else if (BarSpan(c) != 0)
            c->barWidth = std::fabs(v.number / BarSpan(c));
        return 1;
    case kPropHatch:
        if (change)
            c->hatch = v.value >= 0 && v.value <= 5 ? static_cast<BYTE>(v.value) : 255;
        else
            v.value = c->hatch;
        return 1;
    case kPropBarJust:
        if (change)
            c->barPosition = static_cast<BYTE>(std::clamp(v.value, 0, 4));
        else
            v.value = c->barPosition;
        return 1;
    case kPropSpline:
        if (!change)
            v.value = c->spline;
        else if ((v.value != 0) != (c->spline != 0))
        {
            c->spline = v.value ? 1 : 0;
            GlobalFree(c->splinePoints);
            c->splinePoints = nullptr;
            c->splineCount = 0;
            if (c->spline && c->points && graph->window)
            {
                HDC dc = GetMappedDC(graph);
                c->splinePoints = SplinePoints(graph, dc, Points(c), c->pointsValid, &c->splineCount);
                ReleaseDC(graph->window, dc);
            }
        }
        return 1;
    case kPropFill:
        if (change)
            c->fillArea = v.value ? 1 : 0;
        else
            v.value = c->fillArea;
        return 1;
    case kPropMarkerColor:
        if (change)
            c->markerColor = static_cast<SHORT>(std::clamp(v.value, 0, 19));
        else
            v.value = c->markerColor;
        return 1;
    case kPropMarkerType:
        if (change)
        {
            c->markerType = static_cast<SHORT>(std::clamp(v.value, 0, 11));
            c->markerStyle = v.fill;
            if (v.size != c->markerHeight)
            {
                c->markerWidth = c->markerHeight = static_cast<SHORT>(std::clamp(v.size, 0, 200));
                c->markerLogSize = 0;
            }
        }
        else
        {
            v.value = c->markerType;
            v.fill = c->markerStyle;
            v.size = c->markerHeight;
        }
        return 1;
    case kPropPlotType:
        if (!change)
        {
            v.value = c->head.subKind;
            return 1;
        }
        if (v.value < 3 || v.value > 9)
            return -1;
        c->head.subKind = static_cast<SHORT>(v.value);
        c->markerLogSize = 0;
        return 1;
    case kPropDataFormat:
        if (change)
        {
            c->dataWidth = static_cast<SHORT>(std::clamp(v.value, 1, 99));
            c->dataPrecision = static_cast<SHORT>(std::clamp(v.size, 0, 99));
        }
        else
        {
            v.value = c->dataWidth;
            v.size = c->dataPrecision;
        }
        return 1;
    default:
        return 0;
    }
}

const PlotObjectType kCurveType = []
{
    PlotObjectType t{};
    t.type = PK_TYPE_CURVE;
    t.size = sizeof(CurveDesc);
    t.draw = DrawCurve;
    t.hitPass = 1;
    t.hitTest = HitCurve;
    t.copy = CopyCurve;
    t.release = ReleaseCurve;
    t.recompute = RecomputeCurve;
    return t;
}();

struct Registration
{
    Registration()
    {
        RegisterOwnObjectType(kCurveType);
        RegisterPlotDataOps(PK_TYPE_CURVE, PlotDataOps{CurveLink, DropComputed, EraseCurve});
        RegisterPropertyOps(PK_TYPE_CURVE, PlotPropertyOps{CurveProperty, nullptr});
    }
} registration;

// The record of a creator that failed is not left in the table.
void DropNewObject(GrDesc* graph)
{
    if (graph->cursor < graph->capacity && graph->objects[graph->cursor])
    {
        ObjDesc* o = ObjectAt(graph, graph->cursor + 1);
        if (graph->currentObject == o)
            graph->currentObject = nullptr;
        GlobalFree(graph->objects[graph->cursor]);
        graph->objects[graph->cursor] = nullptr;
    }
}

} // namespace

int BuildCurve(GrDesc* graph, HDC dc, int dataSet)
{
    auto* c = reinterpret_cast<CurveDesc*>(graph->currentObject);
    if (c == nullptr || c->head.type != PK_TYPE_CURVE)
        return 0;
    if (const DataSetDesc* set = DataSetAt(dataSet); set && set->yPerX > 1)
    {
        ErrHdlr(27, 2, "plotting function");
        DropNewObject(graph);
        return 0;
    }
    ConnectAxLine(graph, &c->head);
    c->recompute = 1;
    AttachDataSet(graph, &c->head, dataSet);
    if (c->data.number == 0)
    {
        DropNewObject(graph);
        return 0;
    }
    const int number = CommitObjDesc(graph);
    c->markerLogSize = 0;
    graph->currentObject = &c->head;
    DrawCurve(graph, dc);
    return number;
}

} // namespace plotkit

namespace plotkit
{

void DrawCurveMarker(GrDesc* graph, HDC dc, CurveDesc* curve, int x, int y, int limit)
{
    // One point of a copy that holds no data: no drop line, no bad-point marks.
    CurveDesc one = *curve;
    one.data = DataSetLink{};
    one.dropLine = 0;
    one.pointsValid = 1;
    int size =
        curve->markerLogSize > 0 ? curve->markerLogSize : PointsToLogSize(graph, dc, curve->markerHeight);
    one.markerLogSize = std::min(size, limit);
    const POINT at{x, y};
    DrawMarkers(graph, dc, &at, &one);
}

} // namespace plotkit
