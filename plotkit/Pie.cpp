// Pie charts (object type 20): the values of an array as slices of a circle in the plot area, flat
// or as a 3-D disc, each slice with its colour, hatch, border, explosion, label and value text.
#include "Pie.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

PieDesc* AsPie(ObjDesc* o)
{
    return o && o->type == PK_TYPE_PIECHART ? reinterpret_cast<PieDesc*>(o) : nullptr;
}

// The pie an accessor works on: null after message 56 (no object) or 29 (another type).
PieDesc* AccessPie(GrDesc* graph, int number)
{
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr)
        return nullptr;
    if (o->type != PK_TYPE_PIECHART)
    {
        ReportIllFunc(o);
        return nullptr;
    }
    return AsPie(o);
}

double Total(const PieDesc* pie)
{
    double total = 0;
    for (int i = 0; i < pie->count; ++i)
        total += pie->slices[i].value;
    return total;
}

// Decimals a value needs: how often (0 to 5) it is multiplied by 10 before it is whole.
int Decimals(float value)
{
    double v = std::fabs(static_cast<double>(value));
    int n = 0;
    while (n < 5 && v != 0 && std::fabs(std::floor(v * 1.000001) - v) >= v * 0.000001)
    {
        v *= 10;
        ++n;
    }
    return n;
}

std::string ValueText(int mode, float value, double total)
{
    char buffer[64] = {};
    const double percent = total != 0 ? value * 100.0 / total : 0;
    switch (mode)
    {
    case 1:
        std::snprintf(buffer, sizeof buffer, "%.1f%%", percent);
        break;
    case 2:
        std::snprintf(buffer, sizeof buffer, "%.*f", Decimals(value), static_cast<double>(value));
        break;
    case 3:
        std::snprintf(buffer, sizeof buffer, "%.*f (%.1f%%)", Decimals(value), static_cast<double>(value),
                      percent);
        break;
    default:
        break;
    }
    return buffer;
}

struct Geometry
{
    int cx, cy, rx, ry;
};

POINT OnEllipse(const Geometry& g, double angle)
{
    return POINT{g.cx - static_cast<LONG>(g.rx * std::sin(angle)),
                 g.cy - static_cast<LONG>(g.ry * std::cos(angle))};
}

// Region of a mid point round the centre: 2 above / 5 below near the middle, 3 / 4 to the left,
// 1 / 6 to the right.
int Region(const Geometry& g, POINT mid)
{
    const bool above = mid.y < g.cy;
    if (std::abs(mid.x - g.cx) <= g.ry / 2)
        return above ? 2 : 5;
    if (mid.x < g.cx)
        return above ? 3 : 4;
    return above ? 1 : 6;
}

struct SliceGeometry
{
    double a0, a1; // start and end angle
    POINT start, end, mid;
    POINT shift; // explosion
    int key;     // depth: smaller keys are further back
};

// The 3-D side wall of a slice: the lower arc between its visible ends and the same arc lower by
// the wall's depth.
void DrawWall(GrDesc* graph, HDC dc, const Geometry& g, const SliceGeometry& s, int depth,
              const SliceDesc& slice)
{
    const double pi = std::numbers::pi;
    const double b0 = std::max(s.a0, pi / 2), b1 = std::min(s.a1, 3 * pi / 2);
    if (b1 <= b0)
        return;
    const int unit = std::max(1, graph->unitsPerPixelX);
    const int steps = std::clamp(static_cast<int>(g.rx * (std::sin(b0) - std::sin(b1)) / unit), 2, 2000);
    std::vector<POINT> points;
    points.reserve(2 * (steps + 1));
    for (int i = 0; i <= steps; ++i)
    {
        POINT p = OnEllipse(g, b0 + (b1 - b0) * i / steps);
        points.push_back(POINT{p.x + s.shift.x, p.y + s.shift.y});
    }
    for (int i = steps; i >= 0; --i)
        points.push_back(POINT{points[i].x, points[i].y + depth});
    HBRUSH brush = CreateSolidBrush(WGCreateShadeColor(slice.fill));
    HGDIOBJ old = SelectObject(dc, brush);
    Polygon(dc, points.data(), static_cast<int>(points.size()));
    SelectObject(dc, old);
    DeleteObject(brush);
}

// The two cut faces of a 3-D slice: from the centre to each end of its arc, the depth of the wall
// deep, in the shade of its fill. The slice's own wall and top cover the faces turned away.
void DrawCutFaces(HDC dc, const Geometry& g, const SliceGeometry& s, int depth, const SliceDesc& slice)
{
    HBRUSH brush = CreateSolidBrush(WGCreateShadeColor(slice.fill));
    HGDIOBJ old = SelectObject(dc, brush);
    const POINT centre{g.cx + s.shift.x, g.cy + s.shift.y};
    for (const POINT& end : {s.start, s.end})
    {
        const POINT edge{end.x + s.shift.x, end.y + s.shift.y};
        const POINT face[4] = {centre, edge, {edge.x, edge.y + depth}, {centre.x, centre.y + depth}};
        Polygon(dc, face, 4);
    }
    SelectObject(dc, old);
    DeleteObject(brush);
}

void DrawSliceText(HDC dc, const PieDesc* pie, const Geometry& g, const SliceGeometry& s,
                   const SliceDesc& slice, double total, int fontHeight, int wallDepth)
{
    const std::string value = ValueText(pie->valueText, slice.value, total);
    if (value.empty() && slice.label[0] == '\0')
        return;
    const int region = Region(g, s.mid);
    POINT at{};
    UINT align = TA_LEFT | TA_TOP;
    if (pie->textPos == 1)
    {
        at = POINT{s.mid.x + (s.mid.x - g.cx) / 6 + s.shift.x, s.mid.y + (s.mid.y - g.cy) / 6 + s.shift.y};
        switch (region)
        {
        case 1:
            align = TA_LEFT | TA_BOTTOM;
            at.y += fontHeight;
            break;
        case 2:
            align = TA_CENTER | TA_BOTTOM;
            break;
        case 3:
            align = TA_RIGHT | TA_BOTTOM;
            break;
        case 4:
            align = TA_RIGHT | TA_BOTTOM;
            at.y += fontHeight / 2;
            break;
        case 5:
            align = TA_CENTER | TA_TOP;
            break;
        default:
            align = TA_LEFT | TA_TOP;
            at.y -= fontHeight / 2;
            break;
        }
        if (region >= 4)
            at.y += wallDepth;
    }
    else
    {
        at = POINT{s.mid.x + s.shift.x - (s.mid.x - g.cx) / 6, s.mid.y + s.shift.y - (s.mid.y - g.cy) / 3};
        align = region == 1   ? TA_RIGHT | TA_BOTTOM
                : region == 2 ? TA_CENTER | TA_BOTTOM
                : region == 5 ? TA_CENTER | TA_TOP
                : region == 6 ? TA_RIGHT | TA_TOP
                              : TA_LEFT | TA_TOP;
    }
    SetTextAlign(dc, align);
    int y = at.y;
    if (slice.label[0])
    {
        if (!value.empty() && region <= 3)
            y -= fontHeight;
        TextOut(dc, at.x, y, slice.label, static_cast<int>(std::strlen(slice.label)));
        y += fontHeight * 5 / 4;
    }
    if (!value.empty())
        TextOut(dc, at.x, y, value.c_str(), static_cast<int>(value.size()));
}

void DrawPie(GrDesc* graph, HDC dc)
{
    PieDesc* pie = AsPie(graph->currentObject);
    if (pie == nullptr || pie->count <= 0)
        return;
    const double total = Total(pie);
    if (!(total > 0) || !std::isfinite(total))
        return; // nothing to share out (reported when it was set)
    const double pi = std::numbers::pi;
    const bool metafile = graph->metafileDc != nullptr;
    const int W = graph->plot.right - graph->plot.left;
    const int H = graph->plot.bottom - graph->plot.top;
    int r = static_cast<int>(pie->diameter / 2 * std::min(W, H));
    Geometry g{graph->plot.left + static_cast<int>(W * pie->centreX),
               graph->plot.top + static_cast<int>(H * pie->centreY), 0, 0};
    if (!metafile)
    {
        WGExactPixel(dc, &g.cx, &g.cy);
        WGExactPixel(dc, &r, nullptr);
    }
    if (r <= 0)
        return;
    g.ry = r;
    g.rx = pie->head.subKind == kSubKind3D ? 2 * r : r;
    const int px = LogicalX(dc, 1), py = LogicalY(dc, 1);
    const int depth = pie->head.subKind == kSubKind3D ? g.ry * 3 / 4 - py : 0;

    std::vector<SliceGeometry> geometry(pie->count);
    std::vector<int> order(pie->count);
    double sum = 0;
    for (int i = 0; i < pie->count; ++i)
    {
        const SliceDesc& slice = pie->slices[i];
        SliceGeometry& s = geometry[i];
        s.a0 = sum * 2 * pi / total;
        sum += slice.value;
        s.a1 = i == pie->count - 1 ? 2 * pi : sum * 2 * pi / total;
        s.start = OnEllipse(g, s.a0);
        s.end = i == pie->count - 1 ? POINT{g.cx, g.cy - g.ry} : OnEllipse(g, s.a1);
        s.mid = OnEllipse(g, (s.a0 + s.a1) / 2);
        if (slice.exploded)
        {
            int dx = static_cast<int>((s.mid.x - g.cx) * slice.explosion);
            int dy = static_cast<int>((s.mid.y - g.cy) * slice.explosion);
            if (!metafile)
                WGExactPixel(dc, &dx, &dy);
            s.shift = POINT{dx, dy};
        }
        const int left = std::min(s.start.x, s.end.x), right = std::max(s.start.x, s.end.x);
        s.key = (g.cx >= left && g.cx <= right) ? g.cy + g.ry : s.mid.y;
        order[i] = i;
    }
    // Back to front.
    for (size_t i = 0; i + 1 < order.size(); ++i)
    {
        size_t least = i;
        for (size_t j = i + 1; j < order.size(); ++j)
            if (geometry[order[j]].key < geometry[order[least]].key)
                least = j;
        std::swap(order[i], order[least]);
    }

    for (int i : order)
    {
        const SliceDesc& slice = pie->slices[i];
        const SliceGeometry& s = geometry[i];
        LOGPEN lp{static_cast<UINT>(slice.border.style), POINT{0, 0}, slice.border.color};
        HPEN pen = CreatePenIndirect(&lp);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        if (depth > 0)
        {
            // A slice moved out of the disc, or one beside a gap, shows the faces of its cuts.
            const int n = pie->count;
            if (n > 1 && (slice.exploded || pie->slices[(i + n - 1) % n].exploded ||
                          pie->slices[(i + 1) % n].exploded))
                DrawCutFaces(dc, g, s, depth, slice);
            // The wall shows where the slice's arc runs below the centre line.
            DrawWall(graph, dc, g, s, depth, slice);
        }
        HBRUSH brush = CreateBarBrush(dc, slice.hatch <= 5 ? slice.hatch : -1, slice.fill);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        const double share = slice.value / total;
        if (s.start.x == s.end.x && s.start.y == s.end.y && share < 0.1)
        {
            MoveToEx(dc, g.cx + s.shift.x, g.cy + s.shift.y, nullptr);
            LineTo(dc, s.start.x + s.shift.x, s.start.y + s.shift.y);
        }
        else
            Pie(dc, g.cx - g.rx + s.shift.x, g.cy - g.ry + s.shift.y, g.cx + g.rx + px + s.shift.x,
                g.cy + g.ry + py + s.shift.y, s.start.x + s.shift.x, s.start.y + s.shift.y,
                s.end.x + s.shift.x, s.end.y + s.shift.y);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }

    // Texts over all slices.
    LOGFONT lf = pie->font.logFont;
    const int points = pie->font.currentSize > 0 ? pie->font.currentSize : 10;
    if (!metafile && !graph->printCopy)
        lf.lfHeight = -PointsToLogSize(graph, dc, points);
    else if (lf.lfHeight == 0)
        lf.lfHeight = -PointsToLogSize(graph, dc, points);
    if (lf.lfFaceName[0] == '\0')
        std::strcpy(lf.lfFaceName, "Arial");
    HFONT font = CreateFontIndirect(&lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, WGGetRGBColor(pie->font.colorIndex));
    SetBkMode(dc, TRANSPARENT);
    const int fontHeight = std::abs(lf.lfHeight);
    for (int i = 0; i < pie->count; ++i)
        DrawSliceText(dc, pie, g, geometry[i], pie->slices[i], total, fontHeight, depth);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
}

BOOL CopyPie(GrDesc*, const ObjDesc* source, ObjDesc* copy)
{
    auto* s = reinterpret_cast<const PieDesc*>(source);
    auto* c = reinterpret_cast<PieDesc*>(copy);
    c->slices = static_cast<SliceDesc*>(std::calloc(std::max<int>(1, s->count), sizeof(SliceDesc)));
    if (c->slices == nullptr)
        return FALSE;
    std::memcpy(c->slices, s->slices, sizeof(SliceDesc) * std::max<int>(0, s->count));
    return TRUE;
}

void ReleasePie(GrDesc*, ObjDesc* object)
{
    auto* pie = reinterpret_cast<PieDesc*>(object);
    std::free(pie->slices);
    pie->slices = nullptr;
}

int MakePie(GrDesc* graph, HDC dc, HGLOBAL values, const float* pointer, int count, int subKind,
            int valueText, int textPos, float diameter, float cx, float cy, const COLORREF* fills,
            const int* borders, const int* hatches, const float* explosions, const char* caller)
{
    if (!CheckGraph(graph))
        return 0;
    if (count <= 0 || fills == nullptr)
    {
        ErrHdlr(30, 2, caller);
        return 0;
    }
    const bool locked = pointer == nullptr && values != nullptr;
    const float* v = locked ? static_cast<const float*>(GlobalLock(values)) : pointer;
    if (v == nullptr)
    {
        ErrHdlr(55, 2, (std::string(" - ") + caller).c_str());
        return 0;
    }
    // Only what the block holds from the first value on is read.
    if (HGLOBAL block = locked ? values : GlobalHandle(pointer))
    {
        const auto* base = static_cast<const char*>(GlobalLock(block));
        const SIZE_T size = GlobalSize(block);
        const auto offset = static_cast<SIZE_T>(reinterpret_cast<const char*>(v) - base);
        GlobalUnlock(block);
        count =
            static_cast<int>(std::min<SIZE_T>(count, offset <= size ? (size - offset) / sizeof(float) : 0));
    }
    auto* slices = count > 0 ? static_cast<SliceDesc*>(std::calloc(count, sizeof(SliceDesc))) : nullptr;
    ObjDesc* o = slices ? NewObjDesc(graph, PK_TYPE_PIECHART, subKind) : nullptr;
    if (o == nullptr)
    {
        if (slices == nullptr)
            ErrHdlr(count > 0 ? 53 : 27, count > 0 ? 0 : 2, count > 0 ? nullptr : caller);
        std::free(slices);
        if (locked)
            GlobalUnlock(values);
        return 0;
    }
    auto* pie = reinterpret_cast<PieDesc*>(o);
    pie->slices = slices;
    if (TopDesc* top = graph->page->top)
        pie->font = top->defaultFont;
    pie->font.text = nullptr;
    pie->font.textCapacity = 0;
    pie->centreX = cx;
    pie->centreY = cy;
    pie->diameter = diameter;
    pie->values = values ? values : GlobalHandle(pointer);
    pie->count = static_cast<SHORT>(std::min(count, 32767));
    pie->valueText = static_cast<SHORT>(valueText);
    pie->textPos = static_cast<SHORT>(textPos);
    PlaceRectangle(graph, pie);
    for (int i = 0; i < pie->count; ++i)
    {
        SliceDesc& s = slices[i];
        s.value = v[i];
        s.fill = fills[i];
        const int hatch = hatches ? hatches[i] : 255;
        s.hatch = static_cast<BYTE>(hatch >= 0 && hatch <= 5 ? hatch : 255);
        SetExplosion(s, explosions ? explosions[i] : 0);
        const int border = borders ? borders[i] : -1;
        s.ownBorder = border >= 0 ? 1 : 0;
        SetLine(graph, dc, &s.border, 0, border >= 0 ? border : WGGetPureColor(s.fill), 0, 0);
        s.border.window = graph->window;
    }
    if (locked)
        GlobalUnlock(values);
    if (!(Total(pie) > 0))
        ErrHdlr(30, 2, caller); // nothing to share out: the pie stays empty
    return CommitObjDesc(graph);
}

void RegisterPieType()
{
    PlotObjectType t{};
    t.type = PK_TYPE_PIECHART;
    t.size = sizeof(PieDesc);
    t.draw = DrawPie;
    t.hitPass = 3;
    t.copy = CopyPie;
    t.release = ReleasePie;
    RegisterOwnObjectType(t);
}

const bool registered = []
{
    RegisterPieType();
    return true;
}();

} // namespace

void SetExplosion(SliceDesc& s, float explosion)
{
    if (explosion > 0)
    {
        s.exploded = 1;
        s.explosion = std::min(explosion, 1.0f);
    }
    else
    {
        s.exploded = 0;
        s.explosion = 0;
    }
}

void PlaceRectangle(GrDesc* graph, PieDesc* pie)
{
    const float cx = pie->centreX, cy = pie->centreY, d = pie->diameter;
    pie->head.extent = RECT{static_cast<LONG>((cx - d / 2) * graph->logWidth),
                            static_cast<LONG>((cy - d / 2) * graph->logHeight),
                            static_cast<LONG>((cx + d / 2) * graph->logWidth),
                            static_cast<LONG>((cy + d / 2) * graph->logHeight)};
}

int PieSliceCount(ObjDesc* o)
{
    PieDesc* pie = AsPie(o);
    return pie ? pie->count : 0;
}

bool PieSliceSample(ObjDesc* o, int slice, MemberSample& sample)
{
    PieDesc* pie = AsPie(o);
    if (pie == nullptr || slice < 0 || slice >= pie->count)
        return false;
    sample = MemberSample{};
    sample.kind = 1;
    sample.color = pie->slices[slice].fill;
    sample.hatch = pie->slices[slice].hatch;
    sample.line = pie->slices[slice].border;
    return true;
}

char* PieLabelText(ObjDesc* o, int slice, int* capacity)
{
    PieDesc* pie = AsPie(o);
    if (pie == nullptr || slice < 0 || slice >= pie->count)
        return nullptr;
    if (capacity)
        *capacity = kLabelSize - 1;
    return pie->slices[slice].label;
}

} // namespace plotkit

using namespace plotkit;

int WINAPI WGPieChart(GrDesc* graph, HDC dc, HGLOBAL values, int count, int subKind, int valueText,
                      int textPos, float diameter, float centreX, float centreY, const COLORREF* fills,
                      const int* borders, const int* hatches, const float* explosions)
{
    return MakePie(graph, dc, values, nullptr, count, subKind, valueText, textPos, diameter, centreX, centreY,
                   fills, borders, hatches, explosions, "WGPieChart");
}

int WINAPI InitPieChart(GrDesc* graph, HDC dc, const void* valuesOrHandle, int count, int subKind,
                        int valueText, int textPos, float diameter, float centreX, float centreY,
                        const COLORREF* fills, const int* borders, const int* hatches,
                        const float* explosions)
{
    // A pointer into a global block is found by its handle; anything else is taken as the handle.
    HGLOBAL block = GlobalHandle(valuesOrHandle);
    const float* pointer = block ? static_cast<const float*>(valuesOrHandle) : nullptr;
    HGLOBAL handle = block ? nullptr : static_cast<HGLOBAL>(const_cast<void*>(valuesOrHandle));
    return MakePie(graph, dc, handle, pointer, count, subKind, valueText, textPos, diameter, centreX, centreY,
                   fills, borders, hatches, explosions, "InitPieChart");
}

int WINAPI WGLabelPie(GrDesc* graph, int number, HGLOBAL labels)
{
    if (number == 0)
    {
        ErrHdlr(56, 2, " - WGLabelPie");
        return 0;
    }
    PieDesc* pie = AccessPie(graph, number);
    if (pie == nullptr)
        return 0;
    const auto* text = labels ? static_cast<const char*>(GlobalLock(labels)) : nullptr;
    if (text == nullptr)
        return 0;
    // Labels are 42 bytes apart; only what the block holds is read.
    const SIZE_T size = GlobalSize(labels);
    for (int i = 0; i < pie->count; ++i)
    {
        char* label = pie->slices[i].label;
        std::memset(label, 0, kLabelSize);
        const SIZE_T offset = static_cast<SIZE_T>(i) * kLabelSize;
        if (offset >= size)
            continue;
        const SIZE_T room = std::min<SIZE_T>(kLabelSize - 1, size - offset);
        std::strncpy(label, text + offset, room);
        label[kLabelSize - 1] = '\0';
    }
    GlobalUnlock(labels);
    return pie->count;
}

int WINAPI WGGetPieExpl(GrDesc* graph, int number, int slice, float* explosion)
{
    PieDesc* pie = AccessPie(graph, number);
    if (pie == nullptr || slice < 0 || slice >= pie->count)
        return 0;
    if (explosion)
        *explosion = pie->slices[slice].explosion;
    return 1;
}

int WINAPI WGChangePieExpl(GrDesc* graph, int number, float explosion, int slice)
{
    PieDesc* pie = AccessPie(graph, number);
    if (pie == nullptr || slice < 0 || slice >= pie->count)
        return 0;
    SetExplosion(pie->slices[slice], explosion);
    return 1;
}

int WINAPI WGGetPieTextPos(GrDesc* graph, int number)
{
    PieDesc* pie = AccessPie(graph, number);
    return pie ? pie->textPos : 0;
}

int WINAPI WGChangePieTextPos(GrDesc* graph, int number, int position)
{
    PieDesc* pie = AccessPie(graph, number);
    if (pie == nullptr)
        return 0;
    pie->textPos = static_cast<SHORT>(position ? 1 : 0);
    return 1;
}

int WINAPI WGGetPieValue(GrDesc* graph, int number, float* value, int slice)
{
    PieDesc* pie = AccessPie(graph, number);
    if (pie == nullptr || slice < 0 || slice >= pie->count)
        return 0;
    if (value)
        *value = pie->slices[slice].value;
    return 1;
}

int WINAPI WGChangePieValue(GrDesc* graph, int number, float value, int slice)
{
    PieDesc* pie = AccessPie(graph, number);
    if (pie == nullptr || slice < 0 || slice >= pie->count)
        return 0;
    pie->slices[slice].value = value;
    if (!(Total(pie) > 0))
        ErrHdlr(30, 2, "WGChangePieValue"); // nothing to share out: the pie draws nothing
    return 1;
}
