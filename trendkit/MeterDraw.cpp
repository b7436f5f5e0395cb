// The meter's drawing, in two layers. The static layer (face, border, zones, scale, units, scale arc
// and the background band or sector) is drawn once per paint; on the screen it is kept as a bitmap of
// the meter's rectangle, drawn over a copy of what the graph shows there, so that the corners around
// a round or rounded face keep the graph's own pixels whatever colour the face has. The moving layer
// (needles, value sector or band, read-out) is drawn over a copy of that bitmap and put on the
// screen in one copy, so an update repaints the meter's rectangle and nothing else, without flicker.
// Printing and metafiles get both layers straight, in the same order.
#include "Meters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace trendkit
{
namespace
{

int PixelX(GrDesc* graph)
{
    return std::max(graph->unitsPerPixelX, 1);
}

int PixelY(GrDesc* graph)
{
    return std::max(graph->unitsPerPixelY, 1);
}

bool OnScreen(GrDesc* graph, HDC dc)
{
    // An enhanced metafile records the graph without marking it: its DC says what it is.
    const DWORD kind = GetObjectType(dc);
    return graph->printCopy == nullptr && dc != graph->metafileDc && !IsCopying(graph) && kind != OBJ_METADC &&
           kind != OBJ_ENHMETADC;
}

POINT At(POINT c, int r, double s, double co)
{
    return {c.x + static_cast<LONG>(std::trunc(r * co)), c.y - static_cast<LONG>(std::trunc(r * s))};
}

POINT AtDegrees(POINT c, int r, int a)
{
    return At(c, r, SinDeg(a), CosDeg(a));
}

void SelectStock(HDC dc, int id)
{
    if (HGDIOBJ old = SelectObject(dc, GetStockObject(id)))
        DeleteObject(old);
}

void SolidPen(GrDesc* graph, HDC dc, COLORREF colour, int width)
{
    const LOGPEN pen{PS_SOLID, {width, 0}, colour};
    SelectPenIndirect(graph, dc, &pen);
}

void LinePen(GrDesc* graph, HDC dc, const LineDesc& line)
{
    LOGPEN pen{};
    pen.lopnStyle = static_cast<UINT>(line.style);
    pen.lopnWidth.x = line.widthX;
    pen.lopnColor = line.color;
    SelectPenIndirect(graph, dc, &pen);
}

// The object rectangle on the device and its exact logical origin and size there.
struct Place
{
    POINT origin; // logical
    SIZE logical;
    SIZE device;
};

bool PlaceOf(HDC dc, const RECT& extent, Place* place)
{
    POINT p[2] = {{extent.left, extent.top}, {extent.right, extent.bottom}};
    LPtoDP(dc, p, 2);
    const LONG left = std::min(p[0].x, p[1].x), right = std::max(p[0].x, p[1].x);
    const LONG top = std::min(p[0].y, p[1].y), bottom = std::max(p[0].y, p[1].y);
    place->device = {right - left, bottom - top};
    if (place->device.cx <= 0 || place->device.cy <= 0 || place->device.cx > 8192 || place->device.cy > 8192)
        return false;
    POINT q[2] = {{left, top}, {right, bottom}};
    DPtoLP(dc, q, 2);
    place->origin = q[0];
    place->logical = {q[1].x - q[0].x, q[1].y - q[0].y};
    return true;
}

// A memory DC holding `bitmap`, mapped at the graph's scale with `origin` on its pixel (0, 0).
HDC MeterDC(GrDesc* graph, HDC dc, HBITMAP bitmap, POINT origin)
{
    HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr)
        return nullptr;
    SelectObject(memory, bitmap);
    MapMeter(graph, memory, origin);
    return memory;
}

void FreeMeterDC(HDC memory)
{
    if (memory == nullptr)
        return;
    CleanGDI(memory);
    DeleteDC(memory);
}

// A band between radius r and r + width from a1 to a2 degrees counter-clockwise.
void FillArcBand(HDC dc, int width, POINT c, int r, int a1, int a2)
{
    if (a1 == a2)
        return;
    if (a2 < a1)
        a2 += 360;
    const int n = std::min(a2 - a1, 720);
    std::vector<POINT> points;
    try
    {
        points.resize(2 * static_cast<size_t>(n) + 2);
    }
    catch (const std::bad_alloc&)
    {
        ErrHdlr(53, 0, nullptr);
        return;
    }
    for (int k = 0; k <= n; ++k)
    {
        points[k] = AtDegrees(c, r + width, a1 + k);
        points[2 * n + 1 - k] = AtDegrees(c, r, a1 + k);
    }
    Polygon(dc, points.data(), static_cast<int>(points.size()));
}

double MiddleAngle(const MeterDesc* m)
{
    return (m->startAngle + m->endAngle) / 2.0;
}

bool UpperHalf(const MeterDesc* m)
{
    double mid = std::fmod(MiddleAngle(m), 360.0);
    if (mid < 0)
        mid += 360;
    return mid >= 0 && mid <= 180;
}

void DrawMeterFace(GrDesc* graph, HDC dc, MeterDesc* m, bool screen)
{
    TopDesc* top = graph->page ? graph->page->top : nullptr;
    const bool plain = !screen && graph->printCopy && top && !top->printGraphBackground;
    const RECT& e = m->rt.head.extent;
    if (m->borderKind == 0)
    {
        SelectStock(dc, NULL_PEN);
        if (plain)
            SelectStock(dc, NULL_BRUSH);
        else
            SelectSolidBrush(graph, dc, graph->background);
        Rectangle(dc, e.left, e.top, e.right + PixelX(graph), e.bottom + PixelY(graph));
    }
    if (m->borderKind == 0 && plain)
        SelectStock(dc, NULL_BRUSH);
    else
        SelectSolidBrush(graph, dc, m->face);
    if (m->borderKind == 0 || m->borderLine.paletteIndex < 0)
        SelectStock(dc, NULL_PEN);
    else
        LinePen(graph, dc, m->borderLine);
    const int corner = (e.right - e.left) / 10;
    switch (m->borderKind)
    {
    case 0: Ellipse(dc, m->dial.left, m->dial.top, m->dial.right, m->dial.bottom); break;
    case 1: Rectangle(dc, e.left, e.top, e.right, e.bottom); break;
    case 2: Ellipse(dc, e.left, e.top, e.right, e.bottom); break;
    default: RoundRect(dc, e.left, e.top, e.right, e.bottom, corner, corner); break;
    }
}

void DrawMeterZones(GrDesc* graph, HDC dc, MeterDesc* m)
{
    int inner = 0;
    switch (m->tickPosition)
    {
    case 0: inner = m->radius - m->zoneWidth; break;
    case 3: inner = m->radius - m->zoneWidth / 2 + 1; break;
    case 4: inner = m->radius; break;
    default: return;
    }
    const DynDataSetDesc* set = m->rt.dataSet;
    const BYTE enabled = set ? set->alarmEnable : 0;
    auto band = [&](int colourIndex, int from, int to)
    {
        const COLORREF colour = WGGetRGBColor(colourIndex);
        SolidPen(graph, dc, colour, 0);
        SelectSolidBrush(graph, dc, colour);
        FillArcBand(dc, m->zoneWidth, m->centre, inner, from, to);
    };
    const bool up = m->direction == 1;
    if ((enabled & 1) && m->zoneColours[1] >= 0 && m->highAngle != m->startAngle)
        band(m->zoneColours[1], up ? m->startAngle : m->highAngle, up ? m->highAngle : m->endAngle);
    if ((enabled & 2) && m->zoneColours[2] >= 0 && m->lowAngle != m->endAngle)
        band(m->zoneColours[2], up ? m->lowAngle : m->startAngle, up ? m->endAngle : m->lowAngle);
    if (m->zoneColours[0] >= 0)
        band(m->zoneColours[0], up ? m->highAngle : m->lowAngle, up ? m->lowAngle : m->highAngle);
}

// One tick of length `length`; writes its inner and outer end points.
void DrawMeterTick(HDC dc, MeterDesc* m, int length, double s, double c, POINT* inner, POINT* outer)
{
    const int r = m->radius;
    int from = r - length, to = r;
    if (m->tickPosition == 3)
        to = r + length;
    else if (m->tickPosition == 4)
    {
        from = r;
        to = r + length;
    }
    *inner = At(m->centre, from, s, c);
    *outer = At(m->centre, to, s, c);
    const POINT a = m->tickPosition == 4 ? *inner : *outer, b = m->tickPosition == 4 ? *outer : *inner;
    MoveToEx(dc, a.x, a.y, nullptr);
    LineTo(dc, b.x, b.y);
}

void DrawMeterLabel(GrDesc* graph, HDC dc, MeterDesc* m, float value, double s, double c, POINT inner,
                    POINT outer)
{
    const char* text = ftoa(value, m->labelDecimals, 0);
    if (text == nullptr)
        return;
    const int length = static_cast<int>(std::strlen(text));
    SIZE size{};
    GetTextExtentPoint32A(graph->buildDc ? graph->buildDc : dc, text, length, &size);
    const int w = size.cx, h = m->capHeight;
    int x = 0, y = 0;
    if (m->labelPosition == 0)
    {
        x = inner.x - static_cast<int>(std::trunc(((w + h) / 2.0) * c));
        y = inner.y + static_cast<int>(std::trunc(h * s));
    }
    else
    {
        x = outer.x + static_cast<int>(std::trunc(((w + h) / 2.0) * c));
        y = outer.y - static_cast<int>(std::trunc(h * s));
    }
    y += h / 2;
    TextOutA(dc, x, y, text, length);
}

// The font of scale and read-out texts on `dc`, in the font's colour.
void MeterFont(GrDesc* graph, HDC dc, MeterDesc* m, bool screen)
{
    if (screen)
        m->font.logFont.lfHeight = -PointsToLogSize(graph, graph->buildDc ? graph->buildDc : dc, m->font.currentSize);
    ConfigureText(graph, dc, &m->font, WGGetRGBColor(m->font.colorIndex));
}

int MeasureCapHeight(GrDesc* graph, HDC dc, MeterDesc* m)
{
    MeterFont(graph, dc, m, true);
    TEXTMETRIC tm{};
    if (!GetTextMetricsA(dc, &tm))
        return m->capHeight;
    return tm.tmAscent - tm.tmInternalLeading;
}

void DrawMeterScale(GrDesc* graph, HDC dc, MeterDesc* m, bool screen)
{
    LinePen(graph, dc, m->rt.head.line);
    const double range = std::fabs(static_cast<double>(m->maximum) - m->minimum);
    const double step = m->majorStep > 0 ? m->majorStep : range;
    if (!(range > 0) || !(step > 0))
        return;
    // However small the step, a scale has at most one major tick per degree of a full turn.
    const double n = std::min(range / step, 360.0);
    const double dM = (m->endAngle - m->startAngle) / n;
    double dm = dM / (m->minorTicks + 1);
    if (m->minorTicks == 0)
        dm /= 2;
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    SetBkMode(dc, TRANSPARENT);
    MeterFont(graph, dc, m, screen);
    const int minorLength = (m->tickLength * 3) / 5;
    const double stop = m->endAngle + dm / 4;
    const int majors = m->fullCircle ? static_cast<int>(std::trunc(n)) : static_cast<int>(std::trunc(n)) + 2;
    for (int k = 0; k < majors; ++k)
    {
        const double a = m->startAngle + k * dM;
        if (a > stop)
            break;
        MeterNeedle tick{};
        MoveNeedle(&tick, a, static_cast<int>(std::trunc(a)));
        POINT inner{}, outer{};
        DrawMeterTick(dc, m, m->tickLength, tick.sine, tick.cosine, &inner, &outer);
        const float value = static_cast<float>(m->maximum - m->direction * k * step);
        DrawMeterLabel(graph, dc, m, value, tick.sine, tick.cosine, inner, outer);
        for (int j = 1; j <= m->minorTicks; ++j)
        {
            const double b = a + j * dm;
            if (b > stop)
                break;
            MoveNeedle(&tick, b, static_cast<int>(std::trunc(b)));
            DrawMeterTick(dc, m, minorLength, tick.sine, tick.cosine, &inner, &outer);
        }
    }
}

void DrawMeterUnits(GrDesc* graph, HDC dc, MeterDesc* m)
{
    const DynDataSetDesc* set = m->rt.dataSet;
    if (set == nullptr || set->units[0] == '\0')
        return;
    const int h = m->capHeight;
    const bool arc = m->rt.head.subKind == METER_ARC;
    int y = 0;
    if (UpperHalf(m))
        y = m->centre.y + (m->readout ? 4 * h : 2 * h) - (arc ? 2 * h : 0);
    else
        y = m->centre.y - h + (arc ? 2 * h : 0);
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    SetBkMode(dc, TRANSPARENT);
    (void)graph;
    TextOutA(dc, m->centre.x, y, set->units, static_cast<int>(strnlen(set->units, RT_UNITS_MAX)));
}

void PieSector(HDC dc, MeterDesc* m, int px, POINT from, POINT to)
{
    const int r = m->innerRadius;
    Pie(dc, m->centre.x - r, m->centre.y - r, m->centre.x + r + px, m->centre.y + r + px, from.x, from.y, to.x,
        to.y);
}

void DrawMeterStatic(GrDesc* graph, HDC dc, MeterDesc* m, bool screen)
{
    if (m->zones)
        DrawMeterZones(graph, dc, m);
    DrawMeterScale(graph, dc, m, screen);
    if (m->units)
        DrawMeterUnits(graph, dc, m);
    if (m->scaleArc)
    {
        LinePen(graph, dc, m->rt.head.line);
        Arc(dc, m->dial.left, m->dial.top, m->dial.right, m->dial.bottom, m->startPoint.x, m->startPoint.y,
            m->endPoint.x, m->endPoint.y);
    }
    const MeterNeedle& background = m->needles[1];
    if (m->rt.head.subKind == METER_ARC && background.colourIndex >= 0)
    {
        SelectStock(dc, NULL_PEN);
        SelectSolidBrush(graph, dc, background.colour);
        FillArcBand(dc, m->bandWidth, m->centre, m->innerRadius, m->startAngle, m->endAngle);
    }
    if (m->rt.head.subKind == METER_PIE && background.colourIndex >= 0 && background.colour != 1)
    {
        SelectStock(dc, NULL_PEN);
        SelectSolidBrush(graph, dc, background.colour);
        if (m->fullCircle)
        {
            const int r = m->innerRadius;
            Ellipse(dc, m->centre.x - r, m->centre.y - r, m->centre.x + r + PixelX(graph),
                    m->centre.y + r + PixelX(graph));
        }
        else
            PieSector(dc, m, PixelX(graph), AtDegrees(m->centre, m->innerRadius, m->startAngle),
                      AtDegrees(m->centre, m->innerRadius, m->endAngle));
    }
}

void DrawMeterReadout(GrDesc* graph, HDC dc, MeterDesc* m)
{
    const DynDataSetDesc* set = m->rt.dataSet;
    if (set == nullptr)
        return;
    const int index = std::max<int>(m->valueIndex, 0);
    const char* text = ftoa(set->current[index], m->readoutDecimals, 0);
    if (text == nullptr)
        return;
    MeterFont(graph, dc, m, false);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, m->face);
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    const int h = m->capHeight;
    const bool arc = m->rt.head.subKind == METER_ARC;
    int y = 0;
    if (UpperHalf(m))
        y = arc ? m->centre.y : m->centre.y + 2 * h;
    else
        y = m->centre.y - (m->units ? 3 * h : h) + (arc ? 2 * h : 0);
    TextOutA(dc, m->centre.x, y, text, static_cast<int>(std::strlen(text)));
}

void DrawNeedles(GrDesc* graph, HDC dc, MeterDesc* m, bool screen)
{
    int first = 0, last = -1;
    MeterValueRange(m, &first, &last);
    POINT c = m->centre;
    if (screen)
        WGExactPixel(dc, reinterpret_cast<int*>(&c.x), reinterpret_cast<int*>(&c.y));
    const int px = PixelX(graph);
    const int style = m->needleStyle;
    for (int v = last; v >= first; --v)
    {
        const MeterNeedle& n = m->needles[v - first];
        const POINT tip = At(c, n.length, n.sine, n.cosine);
        SolidPen(graph, dc, n.colour, m->bandWidth);
        switch (style)
        {
        case 0:
            MoveToEx(dc, c.x, c.y, nullptr);
            LineTo(dc, tip.x, tip.y);
            break;
        case 1:
        {
            const int h = static_cast<int>(std::trunc(m->radius * 0.05));
            const POINT from = At(c, h, n.sine, n.cosine);
            MoveToEx(dc, from.x, from.y, nullptr);
            LineTo(dc, tip.x, tip.y);
            Ellipse(dc, c.x - h, c.y - h, c.x + h + px, c.y + h + px);
            break;
        }
        case 2:
        case 3:
        {
            const int dx = static_cast<int>(std::trunc(m->hubSize * n.sine / 2));
            const int dy = static_cast<int>(std::trunc(m->hubSize * n.cosine / 2));
            const POINT shape[3] = {{c.x + dx, c.y + dy}, tip, {c.x - dx, c.y - dy}};
            if (style == 2)
                SelectSolidBrush(graph, dc, n.colour);
            else
                SelectStock(dc, NULL_BRUSH);
            Polygon(dc, shape, 3);
            break;
        }
        default:
        {
            const int dx = static_cast<int>(std::trunc((m->hubSize + px) * n.sine / 2));
            const int dy = static_cast<int>(std::trunc((m->hubSize + px) * n.cosine / 2));
            const POINT t{c.x - static_cast<LONG>(std::trunc(n.tail * n.cosine)) - dx,
                          c.y + static_cast<LONG>(std::trunc(n.tail * n.sine)) - dy};
            const POINT shape[3] = {t, tip, {t.x + 2 * dx, t.y + 2 * dy}};
            if (style == 4)
                SelectSolidBrush(graph, dc, n.colour);
            else
                SelectStock(dc, NULL_BRUSH);
            Polygon(dc, shape, 3);
            break;
        }
        }
    }
    if (last < first)
        return;
    const COLORREF firstColour = m->needles[0].colour;
    if (style == 2 || style == 3)
    {
        const int d = m->hubSize;
        if (style == 2)
            SelectSolidBrush(graph, dc, firstColour);
        else
            SelectSolidBrush(graph, dc, m->face);
        Ellipse(dc, c.x - d / 2, c.y - d / 2, c.x - d / 2 + d + px, c.y - d / 2 + d + px);
        SelectSolidBrush(graph, dc, m->face);
        Ellipse(dc, c.x - d / 4, c.y - d / 4, c.x - d / 4 + d / 2 + px, c.y - d / 4 + d / 2 + px);
    }
    else if (style >= 4)
    {
        const int r = (2 * m->hubSize) / 3;
        SelectSolidBrush(graph, dc, m->face);
        Ellipse(dc, c.x - r, c.y - r, c.x + r + px, c.y + r + px);
    }
}

void ValueAngles(const MeterDesc* m, int* low, int* high)
{
    *low = std::min(m->needles[0].angle, m->needles[1].angle);
    *high = std::max(m->needles[0].angle, m->needles[1].angle);
}

void DrawArcValue(GrDesc* graph, HDC dc, MeterDesc* m)
{
    const COLORREF colour = m->needles[0].colour;
    SolidPen(graph, dc, colour, 0);
    SelectSolidBrush(graph, dc, colour);
    int low = 0, high = 0;
    ValueAngles(m, &low, &high);
    if (low == high)
    {
        const POINT a = AtDegrees(m->centre, m->innerRadius, low);
        const POINT b = AtDegrees(m->centre, m->innerRadius + m->bandWidth, low);
        MoveToEx(dc, a.x, a.y, nullptr);
        LineTo(dc, b.x, b.y);
        return;
    }
    FillArcBand(dc, m->bandWidth, m->centre, m->innerRadius, low, high);
}

void DrawPieValue(GrDesc* graph, HDC dc, MeterDesc* m)
{
    const COLORREF colour = m->needles[0].colour;
    SolidPen(graph, dc, colour, 0);
    SelectSolidBrush(graph, dc, colour);
    int low = 0, high = 0;
    ValueAngles(m, &low, &high);
    if (low == high)
    {
        const POINT b = AtDegrees(m->centre, m->innerRadius, low);
        MoveToEx(dc, m->centre.x, m->centre.y, nullptr);
        LineTo(dc, b.x, b.y);
        return;
    }
    PieSector(dc, m, PixelX(graph), AtDegrees(m->centre, m->innerRadius, low),
              AtDegrees(m->centre, m->innerRadius, high));
}

void DrawMovingInto(GrDesc* graph, HDC dc, MeterDesc* m, bool screen)
{
    SetBkMode(dc, OPAQUE);
    if (m->readout)
        DrawMeterReadout(graph, dc, m);
    SetBkMode(dc, OPAQUE);
    switch (m->rt.head.subKind)
    {
    case METER_NEEDLE: DrawNeedles(graph, dc, m, screen); break;
    case METER_PIE: DrawPieValue(graph, dc, m); break;
    default: DrawArcValue(graph, dc, m); break;
    }
}

} // namespace

void PaintMeter(GrDesc* graph, HDC dc)
{
    MeterDesc* m = AsMeter(graph->currentObject);
    if (m == nullptr || dc == nullptr)
        return;
    if (m->regeometry)
    {
        const float previous = m->rx;
        SetMeterGeometry(graph, m, m->cx, m->cy, 2 * m->rx);
        RelayoutNeedles(graph, m, previous);
        m->regeometry = 0;
    }
    if (m->borderKind == 0)
        m->face = graph->background;
    const bool screen = OnScreen(graph, dc);
    if (screen)
    {
        // The labels' room follows the font as this window shows it.
        const int cap = MeasureCapHeight(graph, dc, m);
        if (cap != m->capHeight)
        {
            m->capHeight = cap;
            SetMeterGeometry(graph, m, m->cx, m->cy, 2 * m->rx);
        }
    }
    if (!screen)
    {
        DrawMeterFace(graph, dc, m, false);
        DrawMeterStatic(graph, dc, m, false);
        DrawMovingInto(graph, dc, m, false);
        return;
    }
    if (m->background && !RectVisible(dc, &m->rt.head.extent))
        return;
    Place place{};
    if (!PlaceOf(dc, m->rt.head.extent, &place))
        return;
    if (m->background)
        DeleteObject(m->background);
    m->background = nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, place.device.cx, place.device.cy);
    if (bitmap == nullptr)
        return;
    HDC memory = MeterDC(graph, dc, bitmap, place.origin);
    if (memory == nullptr)
    {
        DeleteObject(bitmap);
        return;
    }
    // What the graph shows under the meter, then the face over it: outside the face's shape the
    // graph stays as it is.
    BitBlt(memory, place.origin.x, place.origin.y, place.logical.cx, place.logical.cy, dc, place.origin.x,
           place.origin.y, SRCCOPY);
    DrawMeterFace(graph, memory, m, true);
    DrawMeterStatic(graph, memory, m, true);
    FreeMeterDC(memory);
    m->background = bitmap;
    DrawMeterMoving(graph, dc, m);
}

void DrawMeterMoving(GrDesc* graph, HDC dc, MeterDesc* m)
{
    if (!OnScreen(graph, dc))
    {
        DrawMovingInto(graph, dc, m, false);
        return;
    }
    Place place{};
    if (m->background == nullptr || !PlaceOf(dc, m->rt.head.extent, &place))
        return;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, place.device.cx, place.device.cy);
    if (bitmap == nullptr)
        return;
    HDC source = MeterDC(graph, dc, m->background, place.origin);
    HDC target = source ? MeterDC(graph, dc, bitmap, place.origin) : nullptr;
    if (target)
    {
        BitBlt(target, place.origin.x, place.origin.y, place.logical.cx, place.logical.cy, source,
               place.origin.x, place.origin.y, SRCCOPY);
        DrawMovingInto(graph, target, m, true);
        BitBlt(dc, place.origin.x, place.origin.y, place.logical.cx, place.logical.cy, target, place.origin.x,
               place.origin.y, SRCCOPY);
    }
    FreeMeterDC(target);
    FreeMeterDC(source);
    DeleteObject(bitmap);
}

} // namespace trendkit

void WINAPI MapMeter(GrDesc* graph, HDC dc, POINT origin)
{
    if (graph == nullptr || dc == nullptr)
        return;
    MapGraph(graph, dc);
    SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
}
