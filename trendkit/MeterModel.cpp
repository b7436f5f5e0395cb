// The meter's record, creators and accessors, its geometry and the mapping of values to angles.
// Angles are whole degrees counted counter-clockwise from 3 o'clock; the scale's maximum lies at the
// start angle and its minimum at the end angle, which is always above the start angle.
#include "Meters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace trendkit
{
namespace
{

constexpr SHORT kDefaultZones[3] = {10, 12, 11}; // light green, light red, light cyan

int Pixel(GrDesc* graph)
{
    return std::max(graph->unitsPerPixelX, 1);
}

bool Snaps(GrDesc* graph, HDC dc)
{
    return dc != nullptr && dc != graph->metafileDc && graph->printCopy == nullptr;
}

// Degrees per unit of the range (0 for an empty range, which maps everything to the start).
void SetMeterScale(MeterDesc* m)
{
    const double span = static_cast<double>(m->maximum) - m->minimum;
    m->degreesPerUnit = span == 0 ? 0.0f : static_cast<float>((m->endAngle - m->startAngle) / span);
    m->direction = m->maximum > m->minimum ? 1 : -1;
}

void SetMeterAngles(MeterDesc* m, int start, int end)
{
    // Angles beyond a few turns are folded back so the shorts hold them.
    start %= 360;
    end %= 360;
    if (end < start - 360)
        end += 360;
    m->startAngle = static_cast<SHORT>(start);
    if (end == start || end == start + 360)
    {
        m->fullCircle = 1;
        end = start + 360;
    }
    else
    {
        if (end < start)
            end += 360;
        m->fullCircle = 0;
    }
    m->endAngle = static_cast<SHORT>(end);
    SetMeterScale(m);
}

void SetEndPoints(GrDesc* graph, MeterDesc* m)
{
    const double lw = graph->logWidth, lh = graph->logHeight;
    m->floatStart[0] = static_cast<float>(m->cx + CosDeg(m->startAngle) * m->rx);
    m->floatStart[1] = static_cast<float>(m->cy - SinDeg(m->startAngle) * m->ry);
    m->floatEnd[0] = static_cast<float>(m->cx + CosDeg(m->endAngle) * m->rx);
    m->floatEnd[1] = static_cast<float>(m->cy - SinDeg(m->endAngle) * m->ry);
    m->startPoint = {static_cast<LONG>(std::trunc(lw * m->floatStart[0])),
                     static_cast<LONG>(std::trunc(lh * m->floatStart[1]))};
    m->endPoint = {static_cast<LONG>(std::trunc(lw * m->floatEnd[0])),
                   static_cast<LONG>(std::trunc(lh * m->floatEnd[1]))};
}

void SetZoneAngles(MeterDesc* m)
{
    const DynDataSetDesc* set = m->rt.dataSet;
    if (set == nullptr)
        return;
    const double high = m->startAngle + std::trunc((m->maximum - set->alarms[RT_ALARM_HIGH - 1].limit) *
                                                       static_cast<double>(m->degreesPerUnit) +
                                                   0.5);
    const double low = m->startAngle + std::trunc((m->maximum - set->alarms[RT_ALARM_LOW - 1].limit) *
                                                      static_cast<double>(m->degreesPerUnit) +
                                                  0.5);
    m->highAngle = static_cast<SHORT>(std::clamp<double>(high, m->startAngle, m->endAngle));
    m->lowAngle = static_cast<SHORT>(std::clamp<double>(low, m->startAngle, m->endAngle));
}

void SetReferenceNeedle(MeterDesc* m)
{
    const double a = std::clamp(MeterAngle(m, m->reference), m->startAngle - 4.0, m->endAngle + 4.0);
    const int i = static_cast<int>(std::trunc(a));
    m->needles[1].angle = static_cast<SHORT>(i);
    m->needles[1].sine = static_cast<float>(SinDeg(i));
    m->needles[1].cosine = static_cast<float>(CosDeg(i));
    MeterNeedle& n = m->needles[0];
    n.angle = n.previousAngle = m->needles[1].angle;
    n.sine = n.previousSine = m->needles[1].sine;
    n.cosine = n.previousCosine = m->needles[1].cosine;
}

void SetInnerRadius(MeterDesc* m)
{
    if (m->tickPosition == 4)
        m->innerRadius = static_cast<int>(std::trunc(m->radius * 0.9)) - m->bandWidth;
    else if (!m->zones || m->zoneWidth <= m->tickLength)
        m->innerRadius = m->radius - (5 * m->tickLength) / 4 - m->bandWidth;
    else
        m->innerRadius = m->radius - m->zoneWidth - m->tickLength - m->bandWidth;
    m->innerRadius = std::max(m->innerRadius, 0);
}

void SetNeedleLengths(GrDesc* graph, MeterDesc* m)
{
    int first = 0, last = -1;
    MeterValueRange(m, &first, &last);
    for (int v = first; v <= last; ++v)
    {
        const int k = v - first;
        MeterNeedle& n = m->needles[k];
        n.length = std::max(m->radius - ((k + 1) * m->tickLength / 2 + Pixel(graph)), 0);
        n.tail = m->needleStyle >= 4 ? n.length / 2 : 0;
    }
}

// Invalidates the meter's rectangle on the window (without erasing) and asks the next paint to lay
// the meter out again.
void InvalidateMeter(GrDesc* graph, MeterDesc* m)
{
    m->regeometry = 1;
    if (graph->buildDc == nullptr || graph->window == nullptr)
        return;
    RECT r = m->rt.head.extent;
    // The ticks and labels may reach past the dial: a margin of a tick and the labels' room.
    GrowRect(&r, m->tickLength + 3 * m->capHeight + Pixel(graph),
             m->tickLength + 2 * m->capHeight + graph->unitsPerPixelY);
    LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&r), 2);
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    InvalidateRect(graph->window, &r, FALSE);
}

void UpdateMeter(GrDesc* graph, RtObjDesc* object)
{
    auto* m = reinterpret_cast<MeterDesc*>(object);
    DynDataSetDesc* set = m->rt.dataSet;
    if (m->background == nullptr || set == nullptr || graph->buildDc == nullptr || graph->printCopy)
        return;
    SetGraphClip(graph, graph->buildDc);
    int first = 0, last = -1;
    MeterValueRange(m, &first, &last);
    bool redraw = false;
    for (int v = first; v <= last; ++v)
    {
        if (set->current[v] == set->previous[v] && !m->readout)
            continue;
        MeterNeedle& n = m->needles[m->rt.head.subKind == METER_NEEDLE ? v - first : 0];
        double a = MeterAngle(m, set->current[v]);
        if (!std::isfinite(a))
            a = m->endAngle + 4.0;
        int i = static_cast<int>(std::trunc(std::clamp(a, -32000.0, 32000.0)));
        if (i == n.angle && !m->readout && a == i)
            continue;
        bool clamped = false;
        if (i < m->startAngle - 4 || i > m->endAngle + 4)
        {
            i = std::clamp(i, m->startAngle - 4, m->endAngle + 4);
            a = i;
            clamped = true;
        }
        const bool moved = i != n.angle || a != i;
        MoveNeedle(&n, a, i);
        if ((!clamped && moved) || m->readout || (clamped && n.previousAngle != n.angle))
            redraw = true;
    }
    if (redraw)
        DrawMeterMoving(graph, graph->buildDc, m);
}

void ReleaseMeter(GrDesc*, RtObjDesc* object)
{
    auto* m = reinterpret_cast<MeterDesc*>(object);
    if (m->background)
        DeleteObject(m->background);
    m->background = nullptr;
}

BOOL CopyMeter(GrDesc*, const RtObjDesc*, RtObjDesc* copy)
{
    // The copy draws its own background when it is painted.
    reinterpret_cast<MeterDesc*>(copy)->background = nullptr;
    return TRUE;
}

DynDataSetDesc* BoundMeter(RtObjDesc* object)
{
    return object->dataSet;
}

bool HitMeter(GrDesc*, RtObjDesc* object, POINT p)
{
    return PointInRect(object->head.extent, p);
}

bool MeterColour(RtObjDesc* object, int index, COLORREF* colour)
{
    auto* m = reinterpret_cast<MeterDesc*>(object);
    int first = 0, last = -1;
    MeterValueRange(m, &first, &last);
    if (index < first || index > last)
        return false;
    *colour = m->needles[m->rt.head.subKind == METER_NEEDLE ? index - first : 0].colour;
    return true;
}

// The meter `number` of a graph; null after message 56 (no object, when `report`) or 29.
MeterDesc* MeterObject(GrDesc* graph, WORD number, bool report)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return nullptr;
    ObjDesc* head = GetObjDesc(graph, number, nullptr);
    if (head == nullptr)
    {
        if (report)
            ErrHdlr(56, 0, nullptr);
        return nullptr;
    }
    if (head->type != RT_TYPE_METER)
    {
        ReportIllFunc(head);
        return nullptr;
    }
    return reinterpret_cast<MeterDesc*>(head);
}

void SetCapHeight(GrDesc* graph, MeterDesc* m)
{
    HDC dc = graph->buildDc;
    if (dc == nullptr)
        return;
    m->font.logFont.lfHeight = -PointsToLogSize(graph, dc, m->font.currentSize);
    HFONT old = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    ConfigureText(graph, dc, &m->font, WGGetRGBColor(m->font.colorIndex));
    TEXTMETRIC tm{};
    if (GetTextMetricsA(dc, &tm))
        m->capHeight = tm.tmAscent - tm.tmInternalLeading;
    HGDIOBJ made = SelectObject(dc, old);
    if (made && made != old)
        DeleteObject(made);
}

} // namespace

MeterDesc* AsMeter(ObjDesc* object)
{
    return object && object->type == RT_TYPE_METER ? reinterpret_cast<MeterDesc*>(object) : nullptr;
}

void MeterValueRange(const MeterDesc* m, int* first, int* last)
{
    const int count = m->rt.dataSet ? m->rt.dataSet->valueCount : 0;
    if (m->valueIndex < 0)
    {
        *first = 0;
        *last = std::min(count, static_cast<int>(METER_MAX_NEEDLES)) - 1;
    }
    else
    {
        *first = m->valueIndex;
        *last = m->valueIndex < count ? m->valueIndex : m->valueIndex - 1;
    }
}

double MeterAngle(const MeterDesc* m, double value)
{
    return m->startAngle + (m->maximum - value) * static_cast<double>(m->degreesPerUnit);
}

void MoveNeedle(MeterNeedle* n, double a, int i)
{
    n->previousAngle = n->angle;
    n->previousSine = n->sine;
    n->previousCosine = n->cosine;
    n->angle = static_cast<SHORT>(i);
    const double base = std::floor(a);
    const double f = a - base;
    const int b = static_cast<int>(base);
    n->sine = static_cast<float>(SinDeg(b) + f * (SinDeg(b + 1) - SinDeg(b)));
    n->cosine = static_cast<float>(CosDeg(b) + f * (CosDeg(b + 1) - CosDeg(b)));
}

void SetMeterGeometry(GrDesc* graph, MeterDesc* m, float cx, float cy, float diameter)
{
    HDC dc = graph->buildDc;
    const bool snaps = Snaps(graph, dc);
    m->rx = diameter / 2;
    m->ry = graph->devHeight > 0 ? m->rx * graph->devWidth / graph->devHeight : m->rx;
    m->cx = cx;
    m->cy = cy;
    const double lw = graph->logWidth, lh = graph->logHeight;
    int r = static_cast<int>(std::trunc(lw * m->rx));
    if (snaps)
        WGExactPixel(dc, &r, nullptr);
    m->radius = std::max(r, 0);
    m->tickLength = static_cast<int>(std::trunc(2.0 * m->radius * m->tickFraction));
    m->floatRect[0] = cx - m->rx;
    m->floatRect[1] = cy - m->ry;
    m->floatRect[2] = cx + m->rx;
    m->floatRect[3] = cy + m->ry;
    int x = static_cast<int>(std::trunc(lw * cx)), y = static_cast<int>(std::trunc(lh * cy));
    if (snaps)
        WGExactPixel(dc, &x, &y);
    m->centre = {x, y};
    SetEndPoints(graph, m);
    const int px = Pixel(graph), py = std::max(graph->unitsPerPixelY, 1);
    m->dial = {x - m->radius, y - m->radius, x + m->radius + px, y + m->radius + py};
    if (m->borderKind == 0)
    {
        RECT e = m->dial;
        if (m->tickPosition != 0)
            GrowRect(&e, m->tickLength, m->tickLength);
        if (m->labelPosition == 4)
            GrowRect(&e, 3 * m->capHeight, 2 * m->capHeight);
        e.left = std::max<LONG>(e.left, px);
        e.right = std::min<LONG>(e.right, graph->logWidth - 2 * px);
        m->rt.head.extent = e;
    }
}

void RelayoutNeedles(GrDesc* graph, MeterDesc* m, float previousRx)
{
    if (m->zones && previousRx > 0)
        m->zoneWidth = static_cast<int>(std::trunc(m->zoneWidth * m->rx / previousRx + 0.5));
    if (m->needleStyle >= 2)
        m->hubSize = static_cast<int>(std::trunc(m->radius * 0.05 * 2));
    if (m->rt.head.subKind != METER_NEEDLE)
    {
        SetInnerRadius(m);
        return;
    }
    SetNeedleLengths(graph, m);
    int first = 0, last = -1;
    MeterValueRange(m, &first, &last);
    const DynDataSetDesc* set = m->rt.dataSet;
    for (int v = first; v <= last && set; ++v)
    {
        double a = std::clamp(MeterAngle(m, set->current[v]), m->startAngle - 4.0, m->endAngle + 4.0);
        if (!std::isfinite(a))
            a = m->endAngle + 4.0;
        MoveNeedle(&m->needles[v - first], a, static_cast<int>(std::trunc(a)));
    }
}

void RegisterMeterType()
{
    RtObjectType kind;
    kind.type = RT_TYPE_METER;
    kind.size = sizeof(MeterDesc);
    kind.release = ReleaseMeter;
    kind.copy = CopyMeter;
    kind.boundSet = BoundMeter;
    kind.hitBox = HitMeter;
    kind.valueColour = MeterColour;
    kind.edit = EditMeter;
    RegisterRtType(kind);
}

} // namespace trendkit

using namespace trendkit;

namespace
{

// A positive major step; a step of 0 or less (or none) becomes the whole range, so the scale always
// ends.
float SoundStep(float step, float minimum, float maximum)
{
    const float range = std::fabs(maximum - minimum);
    if (std::isfinite(step) && step > 0)
        return step;
    return range > 0 ? range : 1.0f;
}

} // namespace

WORD WINAPI WRSetMeter(GrDesc* graph, int slot, int valueIndex, float minimum, float maximum, float cx, float cy,
                       float diameter, int startAngle, int endAngle, int needleStyle, const int* colours,
                       float tickFraction, float majorStep, int minorTicks, int tickPosition, int labelPosition,
                       int labelDecimals, int readout, int readoutDecimals, int scaleArc, int units, int zones,
                       float zoneWidth, const int* zoneColours)
{
    static const char kName[] = " - WRSetMeter";
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr || graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    valueIndex = std::max(valueIndex, -1);
    // A value the set does not have, a needle past the last one, or a scale without a range is
    // refused.
    if (valueIndex >= set->valueCount || valueIndex >= RT_MAX_VALUES || !std::isfinite(minimum) ||
        !std::isfinite(maximum) || minimum == maximum || !(diameter > 0) || needleStyle < 0 || needleStyle > 5)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    auto* m = reinterpret_cast<MeterDesc*>(AllocRTObject(graph, RT_TYPE_METER, METER_NEEDLE));
    if (m == nullptr)
        return 0;
    m->face = graph->background;
    m->minimum = minimum;
    m->maximum = maximum;
    m->majorStep = SoundStep(majorStep, minimum, maximum);
    m->minorTicks = static_cast<SHORT>(std::clamp(minorTicks, 0, 100));
    m->tickPosition = static_cast<SHORT>(tickPosition);
    m->labelPosition = static_cast<SHORT>(labelPosition);
    m->valueIndex = static_cast<signed char>(valueIndex);
    m->rt.dataSet = set;
    if (Lib().top)
        m->font = Lib().top->defaultFont;
    m->font.text = nullptr;
    m->font.textCapacity = 0;
    m->labelDecimals = static_cast<signed char>(std::clamp(labelDecimals, 0, 9));
    m->readout = readout ? 1 : 0;
    m->readoutDecimals = static_cast<signed char>(std::clamp(readoutDecimals, 0, 9));
    m->scaleArc = scaleArc ? 1 : 0;
    m->units = units ? 1 : 0;
    m->zones = zones ? 1 : 0;
    m->rt.head.draw = PaintMeter;
    m->rt.update = UpdateMeter;
    m->borderKind = 0;
    SetCapHeight(graph, m);
    m->tickFraction = std::isfinite(tickFraction) ? std::clamp(tickFraction, 0.0f, 0.5f) : 0.0f;
    SetMeterAngles(m, startAngle, endAngle);
    SetMeterGeometry(graph, m, cx, cy, diameter);
    if (m->zones)
    {
        for (int i = 0; i < 3; ++i)
            m->zoneColours[i] = zoneColours ? static_cast<SHORT>(zoneColours[i]) : kDefaultZones[i];
        m->zoneWidth = zoneWidth > 0 ? static_cast<int>(std::trunc(2.0 * m->radius * zoneWidth))
                                     : (m->tickLength * 3) / 5;
    }
    else
        m->zoneColours[0] = m->zoneColours[1] = m->zoneColours[2] = -1;
    const int px = Pixel(graph);
    m->needleStyle = static_cast<BYTE>(needleStyle);
    m->bandWidth = needleStyle == 1 ? 2 * px + 1 : px;
    const int hub = static_cast<int>(std::trunc(m->radius * 0.05));
    switch (needleStyle)
    {
    case 0: m->hubSize = 3 * px; break;
    case 1: m->hubSize = 5 * px; break;
    case 2:
    case 3: m->hubSize = static_cast<int>(std::trunc(m->radius * 0.05 * 2)); break;
    default: m->hubSize = 2 * hub; break;
    }
    m->borderLine.paletteIndex = -1;
    m->borderLine.window = graph->window;
    SetNeedleLengths(graph, m);
    int first = 0, last = -1;
    MeterValueRange(m, &first, &last);
    for (int v = first; v <= last; ++v)
    {
        MeterNeedle& n = m->needles[v - first];
        n.angle = n.previousAngle = m->endAngle;
        n.sine = n.previousSine = static_cast<float>(SinDeg(m->endAngle));
        n.cosine = n.previousCosine = static_cast<float>(CosDeg(m->endAngle));
        const int index = colours ? (first == last ? colours[0] : colours[v]) : 0;
        n.colourIndex = static_cast<SHORT>(index);
        n.colour = WGGetRGBColor(index);
    }
    if (m->zones)
        SetZoneAngles(m);
    const WORD number = CommitRTObject(graph);
    if (number == 0)
    {
        AbandonRTObject(graph);
        return 0;
    }
    ++graph->realTimeCount;
    if (graph->page)
        graph->page->hasRealTimeObjects = 1;
    ++set->useCount;
    return number;
}

namespace
{

WORD ValueMeter(GrDesc* graph, int subtype, int slot, int valueIndex, float minimum, float maximum,
                float reference, float cx, float cy, float diameter, int startAngle, int endAngle, int valueColour,
                int backgroundColour, float bandFraction, float tickFraction, float majorStep, int minorTicks,
                int tickPosition, int labelDecimals, int readout, int readoutDecimals, int scaleArc, int units,
                int zones, float zoneWidth, const int* zoneColours)
{
    valueIndex = std::max(valueIndex, 0);
    const int colours[2] = {valueColour, backgroundColour};
    const WORD number = WRSetMeter(graph, slot, valueIndex, minimum, maximum, cx, cy, diameter, startAngle,
                                   endAngle, 0, colours, tickFraction, majorStep, minorTicks, tickPosition, 4,
                                   labelDecimals, readout, readoutDecimals, scaleArc, units, zones, zoneWidth,
                                   zoneColours);
    MeterDesc* m = number ? AsMeter(GetObjDesc(graph, number, nullptr)) : nullptr;
    if (m == nullptr)
        return 0;
    m->rt.head.subKind = static_cast<SHORT>(subtype);
    if (subtype == METER_ARC)
        m->bandWidth = bandFraction > 0 ? static_cast<int>(std::trunc(2.0 * m->radius * bandFraction))
                                        : (m->tickLength * 3) / 5;
    SetInnerRadius(m);
    m->reference = reference;
    SetReferenceNeedle(m);
    m->needles[0].colourIndex = static_cast<SHORT>(valueColour);
    m->needles[0].colour = WGGetRGBColor(valueColour);
    m->needles[1].colourIndex = static_cast<SHORT>(backgroundColour);
    m->needles[1].colour = backgroundColour >= 0 ? WGGetRGBColor(backgroundColour) : 0;
    return number;
}

} // namespace

WORD WINAPI WRSetArcMeter(GrDesc* graph, int slot, int valueIndex, float minimum, float maximum, float reference,
                          float cx, float cy, float diameter, int startAngle, int endAngle, int valueColour,
                          int backgroundColour, float bandWidth, float tickFraction, float majorStep,
                          int minorTicks, int tickPosition, int labelDecimals, int readout, int readoutDecimals,
                          int scaleArc, int units, int zones, float zoneWidth, const int* zoneColours)
{
    return ValueMeter(graph, METER_ARC, slot, valueIndex, minimum, maximum, reference, cx, cy, diameter,
                      startAngle, endAngle, valueColour, backgroundColour, bandWidth, tickFraction, majorStep,
                      minorTicks, tickPosition, labelDecimals, readout, readoutDecimals, scaleArc, units, zones,
                      zoneWidth, zoneColours);
}

WORD WINAPI WRSetPieMeter(GrDesc* graph, int slot, int valueIndex, float minimum, float maximum, float reference,
                          float cx, float cy, float diameter, int startAngle, int endAngle, int valueColour,
                          int backgroundColour, float tickFraction, float majorStep, int minorTicks,
                          int tickPosition, int labelDecimals, int scaleArc, int zones, float zoneWidth,
                          const int* zoneColours)
{
    return ValueMeter(graph, METER_PIE, slot, valueIndex, minimum, maximum, reference, cx, cy, diameter,
                      startAngle, endAngle, valueColour, backgroundColour, 0, tickFraction, majorStep, minorTicks,
                      tickPosition, labelDecimals, 0, 0, scaleArc, 0, zones, zoneWidth, zoneColours);
}

void WINAPI WRSetMeterBorder(GrDesc* graph, WORD number, float cx, float cy, float width, float height,
                             COLORREF face, int kind, int colourIndex, int borderWidth)
{
    MeterDesc* m = MeterObject(graph, number, true);
    if (m == nullptr)
        return;
    m->face = face;
    m->borderKind = static_cast<BYTE>(std::clamp(kind, 0, 3));
    if (m->borderKind == 0)
        return;
    SetLine(graph, graph->buildDc, &m->borderLine, 6, colourIndex,
            colourIndex >= 0 ? WGGetRGBColor(colourIndex) : 0, borderWidth);
    m->borderLine.paletteIndex = static_cast<SHORT>(colourIndex);
    m->borderLine.window = graph->window;
    const int x = static_cast<int>(std::trunc(graph->logWidth * static_cast<double>(cx)));
    const int y = static_cast<int>(std::trunc(graph->logHeight * static_cast<double>(cy)));
    const int wl = static_cast<int>(std::trunc(graph->logWidth * static_cast<double>(width)));
    const int hl = static_cast<int>(std::trunc(graph->logHeight * static_cast<double>(height)));
    RECT& e = m->rt.head.extent;
    e.left = x - wl / 2;
    e.right = x + wl / 2;
    e.top = y - (m->borderKind == 2 ? wl : hl) / 2;
    e.bottom = y + (m->borderKind == 2 ? wl : hl) / 2;
}

int WINAPI WRChangeMeterRange(GrDesc* graph, WORD number, float minimum, float maximum, float reference,
                              int redraw)
{
    MeterDesc* m = MeterObject(graph, number, false);
    if (m == nullptr)
        return 0;
    // An empty range has no scale: refused, the old one stays.
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || minimum == maximum)
    {
        ErrHdlr(30, 2, " - WRChangeMeterRange");
        return 0;
    }
    m->minimum = minimum;
    m->maximum = maximum;
    SetMeterScale(m);
    if (std::fabs(maximum - minimum) < m->majorStep)
        m->majorStep = std::fabs(maximum - minimum);
    if (m->zones)
        SetZoneAngles(m);
    if (m->rt.head.subKind != METER_NEEDLE)
    {
        m->reference = reference;
        SetReferenceNeedle(m);
    }
    if (redraw)
        InvalidateMeter(graph, m);
    return 1;
}

int WINAPI WRGetMeterRange(GrDesc* graph, WORD number, float* minimum, float* maximum, float* reference)
{
    MeterDesc* m = MeterObject(graph, number, false);
    if (m == nullptr)
        return 0;
    if (minimum)
        *minimum = m->minimum;
    if (maximum)
        *maximum = m->maximum;
    if (reference)
        *reference = m->reference;
    return 1;
}

int WINAPI WRChangeMeterTicks(GrDesc* graph, WORD number, float tickFraction, float majorStep, int minorTicks,
                              int tickPosition, int redraw)
{
    MeterDesc* m = MeterObject(graph, number, false);
    if (m == nullptr)
        return 0;
    if (std::isfinite(tickFraction))
        m->tickFraction = std::clamp(tickFraction, 0.0f, 0.5f);
    m->tickLength = static_cast<int>(std::trunc(2.0 * m->radius * m->tickFraction));
    // A step larger than the range, or of 0 or less, is ignored: the old step stays.
    if (std::isfinite(majorStep) && majorStep > 0 && majorStep <= std::fabs(m->maximum - m->minimum))
        m->majorStep = majorStep;
    m->minorTicks = static_cast<SHORT>(std::clamp(minorTicks, 0, 100));
    bool forced = false;
    if (m->borderKind == 0 && m->tickPosition != tickPosition)
    {
        if (m->tickPosition == 0)
        {
            RECT e = m->dial;
            GrowRect(&e, m->tickLength, m->tickLength);
            m->rt.head.extent = UnitedRect(m->rt.head.extent, e);
        }
        forced = true;
    }
    m->tickPosition = static_cast<SHORT>(tickPosition);
    if (redraw || forced)
        InvalidateMeter(graph, m);
    return 1;
}

int WINAPI WRGetMeterTicks(GrDesc* graph, WORD number, float* tickFraction, float* majorStep, int* minorTicks,
                           int* tickPosition)
{
    MeterDesc* m = MeterObject(graph, number, true);
    if (m == nullptr)
        return 0;
    if (tickFraction)
        *tickFraction = m->tickFraction;
    if (majorStep)
        *majorStep = m->majorStep;
    if (minorTicks)
        *minorTicks = m->minorTicks;
    if (tickPosition)
        *tickPosition = m->tickPosition;
    return 1;
}

int WINAPI WRGetMeterCenter(GrDesc* graph, WORD number, float* cx, float* cy, float* diameter)
{
    MeterDesc* m = MeterObject(graph, number, true);
    if (m == nullptr)
        return 0;
    if (cx)
        *cx = m->cx;
    if (cy)
        *cy = m->cy;
    if (diameter)
        *diameter = 2 * m->rx;
    return 1;
}

int WINAPI WRChangeMeterCenter(GrDesc* graph, WORD number, float cx, float cy, float diameter, int redraw)
{
    MeterDesc* m = MeterObject(graph, number, true);
    if (m == nullptr)
        return 0;
    if (!(diameter > 0) || !std::isfinite(cx) || !std::isfinite(cy))
        return 0;
    if (redraw)
        InvalidateMeter(graph, m);
    const float previous = m->rx;
    SetMeterGeometry(graph, m, cx, cy, diameter);
    RelayoutNeedles(graph, m, previous);
    if (redraw)
        InvalidateMeter(graph, m);
    return 1;
}

int WINAPI WRGetMeterAngles(GrDesc* graph, WORD number, int* startAngle, int* endAngle)
{
    MeterDesc* m = MeterObject(graph, number, true);
    if (m == nullptr)
        return 0;
    if (startAngle)
        *startAngle = m->startAngle;
    if (endAngle)
        *endAngle = m->endAngle;
    return 1;
}

int WINAPI WRChangeMeterAngles(GrDesc* graph, WORD number, int startAngle, int endAngle, int redraw)
{
    MeterDesc* m = MeterObject(graph, number, true);
    if (m == nullptr)
        return 0;
    SetMeterAngles(m, startAngle, endAngle);
    SetEndPoints(graph, m);
    if (m->zones)
        SetZoneAngles(m);
    if (m->rt.head.subKind != METER_NEEDLE)
        SetReferenceNeedle(m);
    else
        RelayoutNeedles(graph, m, m->rx);
    if (redraw)
        InvalidateMeter(graph, m);
    return 1;
}
