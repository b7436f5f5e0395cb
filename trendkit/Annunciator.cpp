// The annunciator panel (type 109): a graph filled with one cell per value of a data set, each a
// rectangle holding the value's tag, its live value, the units and its alarm text. The cells are
// ordinary objects; the annunciator itself draws nothing and only recolours a cell when its value
// enters or leaves an alarm.
#include "AutoGraph.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace trendkit
{
namespace
{

struct AnnunciatorDesc
{
    RtObjDesc rt; // rt.dataSet: the shown set
    COLORREF alarmColour;
    COLORREF normal[RT_MAX_VALUES];
    SHORT title;
    SHORT cells[RT_MAX_VALUES];
    SHORT tags[RT_MAX_VALUES];
    SHORT values[RT_MAX_VALUES];
    SHORT units[RT_MAX_VALUES];
    SHORT alarms[RT_MAX_VALUES];
    INT recolourAll;
};

DynDataSetDesc* BoundSet(RtObjDesc* object)
{
    return object->dataSet;
}

// Draws object `number` at once through its own paint callback.
void PaintNow(GrDesc* graph, HDC dc, int number)
{
    ObjDesc* o = number ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (o == nullptr || o->draw == nullptr)
        return;
    ObjDesc* saved = graph->currentObject;
    graph->currentObject = o;
    o->draw(graph, dc);
    graph->currentObject = saved;
}

void SetTextBackground(GrDesc* graph, int number, int index, bool redrawAll)
{
    ObjDesc* o = number ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (o == nullptr || o->type != RT_TYPE_DYN_TEXT)
        return;
    auto* t = reinterpret_cast<DynTextDesc*>(o);
    t->background = static_cast<SHORT>(index);
    if (redrawAll)
        t->drawAll = 1;
}

void UpdateAnnunciator(GrDesc* graph, RtObjDesc* object)
{
    auto* a = reinterpret_cast<AnnunciatorDesc*>(object);
    DynDataSetDesc* set = a->rt.dataSet;
    if (set == nullptr || !IsDynDataSetValid(set))
        return;
    HDC dc = DrawingDC(graph);
    for (int i = 0; i < set->valueCount && i < RT_MAX_VALUES; ++i)
    {
        const BYTE now = set->currentAlarm[i];
        if (now == set->previousAlarm[i] && !(a->recolourAll && now != 0))
            continue;
        const COLORREF colour = now ? a->alarmColour : a->normal[i];
        graph->layoutChanged = 0;
        if (a->cells[i])
            WGChangeAreaColor(graph, a->cells[i], colour, 0);
        if (dc)
        {
            PaintNow(graph, dc, a->cells[i]);
            PaintNow(graph, dc, a->tags[i]);
            PaintNow(graph, dc, a->units[i]);
        }
        const int index = WGGetPureColor(colour);
        SetTextBackground(graph, a->values[i], index, true);
        SetTextBackground(graph, a->alarms[i], index, false);
    }
    a->recolourAll = 0;
}

AnnunciatorDesc* AnnunciatorAt(GrDesc* graph, int number)
{
    if (graph == nullptr)
        return nullptr;
    ObjDesc* o = GetObjDesc(graph, number, nullptr);
    if (o == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return nullptr;
    }
    if (o->type != RT_TYPE_ANNUNCIATOR)
    {
        ReportIllFunc(o);
        return nullptr;
    }
    return reinterpret_cast<AnnunciatorDesc*>(o);
}

SHORT Entry(const SHORT* table, int value)
{
    return value >= 0 && value < RT_MAX_VALUES ? table[value] : 0;
}

} // namespace

void RegisterAnnunciatorType()
{
    RtObjectType kind;
    kind.type = RT_TYPE_ANNUNCIATOR;
    kind.size = sizeof(AnnunciatorDesc);
    kind.boundSet = BoundSet;
    RegisterRtType(kind);
}

} // namespace trendkit

using namespace trendkit;

void WINAPI WRSetAnnun(GrDesc* graph, int slot, int digits, int decimals, const int* textColours,
                       const COLORREF* normalColours, COLORREF alarmColour, int rows, int columns, const int* items,
                       int frameStyle)
{
    static const char kName[] = " - WRSetAnnun";
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        ErrHdlr(55, 2, kName);
        return;
    }
    const bool tag = !items || items[0], value = !items || items[1], units = !items || items[2],
               alarm = !items || items[3];
    if (!tag && !value && !units && !alarm)
    {
        ErrHdlr(30, 2, kName);
        return;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph) || graph->logWidth <= 0 || graph->logHeight <= 0 ||
        rows <= 0 || columns <= 0)
    {
        ErrHdlr(30, 2, kName);
        return;
    }
    auto* a = reinterpret_cast<AnnunciatorDesc*>(AllocRTObject(graph, RT_TYPE_ANNUNCIATOR, 1));
    if (a == nullptr)
        return;
    a->rt.update = UpdateAnnunciator;
    a->alarmColour = alarmColour;
    a->rt.dataSet = set;
    const WORD self = CommitRTObject(graph);
    if (self == 0)
        return;
    ++graph->realTimeCount;
    if (graph->page)
        graph->page->hasRealTimeObjects = 1;
    ++set->useCount;
    const int n = std::min<int>(set->valueCount, RT_MAX_VALUES);

    HDC dc = graph->buildDc;
    const AutoStyle style = AutoGraphStyle(graph, dc, false);
    const int B = style.background, T = style.text, C = style.title;
    int p = style.points;
    float cw = style.widthUnit, ch = style.heightUnit;
    const int cellFill = B == 15 ? 0 : 15;

    WGSetTextByName(T, style.face, p, style.flags);
    FontDesc font{};
    if (Lib().top)
        font = Lib().top->defaultFont;
    font.text = nullptr;
    font.textCapacity = 0;
    font.logFont.lfHeight = -PointsToLogSize(graph, dc, p);
    HFONT made = ConfigureText(graph, dc, &font, RGB(0, 0, 0));

    // The widest item shown, in logical units.
    auto width = [&](const char* text)
    {
        SIZE size{};
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
        return static_cast<int>(size.cx);
    };
    int w = 0, alarmWidth = 0;
    if (alarm)
    {
        if (!graph->metafileDc)
            for (const AlarmDesc& kind : set->alarms)
                alarmWidth = std::max(alarmWidth, width(kind.message));
        alarmWidth = std::max(alarmWidth, width(set->normalMessage[0] ? set->normalMessage : "OK"));
        w = std::max(w, alarmWidth);
    }
    if (tag)
        for (int i = 0; i < n; ++i)
            w = std::max(w, width(set->labels[i]));
    if (units)
        w = std::max(w, width(set->units));
    int valueWidth = 0;
    if (value)
    {
        std::string digitsText;
        for (int i = 0; i < std::clamp(digits, 1, 80); ++i)
            digitsText += static_cast<char>('0' + i % 10);
        valueWidth = width(digitsText.c_str());
    }
    if (made && graph->metafileDc)
    {
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(made);
    }

    const DevDesc* dev = GetDevDesc();
    const bool raised = graph->raise != 0 && dev && graph->devWidth > 0 && graph->devHeight > 0;
    float fx = 1, fy = 1;
    if (raised)
    {
        fx = 1 - 0.02f * dev->screenWidth / graph->devWidth;
        fy = 1 - 0.02f * dev->screenHeight / graph->devHeight;
    }
    const float lw = static_cast<float>(graph->logWidth), lh = static_cast<float>(graph->logHeight);
    float wn = (w / lw) / fx;
    float valueNorm = valueWidth / lw, alarmNorm = alarmWidth / lw;
    if (value)
        wn = std::max(wn, valueNorm);

    float th = 0.001f;
    if (set->name[0])
    {
        WGSetTextByName(C, style.face, p + 3, style.flags);
        a->title = static_cast<SHORT>(WGTitleGraph(graph, dc, set->name));
        th = (PointsToLogSize(graph, dc, p + 3) / lh) / fy;
    }
    const int upx = std::max(graph->unitsPerPixelX, 1), upy = std::max(graph->unitsPerPixelY, 1);
    float mx = 0.01f, my = 0.01f;
    if (frameStyle == 0 || frameStyle == 3 || frameStyle == 4)
        mx = 2.0f * upx / lw, my = 2.0f * upy / lh;
    else if (frameStyle == 5)
        mx = 3.0f * upx / lw, my = 3.0f * upy / lh;
    const float cwid = fx / columns;
    const float chgt = (fy - 1.55f * th) / rows;

    // Fit the items into a cell.
    const int shown = (tag ? 1 : 0) + (value ? 1 : 0) + (units ? 1 : 0) + (alarm ? 1 : 0);
    const float alarmOffset = 0.5f * ch + 1.1f * ch * (shown - 1);
    const float roomY = (chgt - 2 * (my + 0.01f)) * (raised ? 0.98f : 1.0f);
    const float roomX = (cwid - 2 * (mx + 0.01f) - cw) * (raised ? 0.98f : 1.0f);
    const float sh = roomY > 0 ? (1.65f * ch + alarmOffset) / roomY : 1.0f;
    const float sw = roomX > 0 ? wn / roomX : 1.0f;
    const float s = std::max(sh, sw) * 1.05f;
    if (s > 0)
    {
        p = std::max(static_cast<int>(p / s), 1);
        cw /= s;
        ch /= s;
        alarmNorm /= s;
        valueNorm /= s;
    }
    const float fa = (chgt - 2 * (my + 0.01f)) / shown * (raised ? 0.98f : 1.0f);
    const float ot = std::max(0.0f, fa / 2 - 0.6f * ch);
    float next = ot;
    float ov = 0, ou = 0, oa = 0;
    if (tag)
        next += fa;
    if (value)
    {
        ov = next;
        next += fa;
    }
    if (units)
    {
        ou = next;
        next += fa;
    }
    if (alarm)
        oa = next;
    ov -= 0.11f * ch;
    oa -= 0.11f * ch;

    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
        {
            const int i = r * columns + c;
            if (i >= n)
                break;
            float x1 = c * cwid + 0.01f, y1 = r * chgt + 1.5f * th + 0.01f;
            if (raised)
            {
                x1 += 0.01f * dev->screenWidth / graph->devWidth;
                y1 += 0.01f * dev->screenHeight / graph->devHeight;
            }
            float x2 = x1 + cwid - 0.02f;
            const float y2 = y1 + chgt - 0.02f;
            const COLORREF cell = normalColours ? normalColours[i] : RGB(192, 192, 192);
            a->normal[i] = cell;
            const int nearest = WGGetPureColor(cell);
            a->cells[i] = static_cast<SHORT>(frameStyle == 5
                                                 ? WGRectangleNormEx(graph, dc, x1, y1, x2, y2, nearest, 2, 1, cell, 5)
                                                 : WGRectangleNormEx(graph, dc, x1, y1, x2, y2, cellFill, 1, 1, cell,
                                                                     frameStyle));
            const int colour = textColours ? textColours[i] : T;
            WGSetTextByName(colour, style.face, p, style.flags);
            x1 += mx;
            x2 -= mx;
            const float top = y1 + my;
            if (tag)
                a->tags[i] = static_cast<SHORT>(WGTextNorm(graph, dc, set->labels[i], (x1 + x2) / 2, top + ot, 6, 0));
            const int background = (WGGetRGBColor(nearest) & 0xFFFFFF) == (cell & 0xFFFFFF) ? nearest : -1;
            if (value)
            {
                const int colours[8] = {colour, colour, colour, colour, colour, colour, colour, colour};
                a->values[i] = static_cast<SHORT>(WRSetDynText(graph, slot, i, (x1 + x2 - valueNorm) / 2, top + ov,
                                                               (x1 + x2 + valueNorm) / 2, 0, -1, 0, colours,
                                                               background, 1, digits, decimals, 0, 0));
            }
            if (units)
                a->units[i] = static_cast<SHORT>(WGTextNorm(graph, dc, set->units, (x1 + x2) / 2, top + ou, 6, 0));
            if (alarm)
            {
                const int colours[8] = {colour, colour, colour, colour, colour, colour, colour, colour};
                a->alarms[i] = static_cast<SHORT>(WRSetAlarmText(graph, slot, i, (x1 + x2 - alarmNorm - cw / 2) / 2,
                                                                 top + oa, (x1 + x2 + alarmNorm + cw / 2) / 2, 0, -1,
                                                                 1, background, nullptr, colours, 6, 0));
            }
        }
    WGSetTextByName(T, style.face, style.points, style.flags);
    a = reinterpret_cast<AnnunciatorDesc*>(GetObjDesc(graph, self, nullptr));
    if (a)
        a->recolourAll = 1;
}

WORD WINAPI WRGetAnnTitle(GrDesc* graph, WORD number)
{
    AnnunciatorDesc* a = AnnunciatorAt(graph, number);
    return a ? static_cast<WORD>(a->title) : 0;
}

WORD WINAPI WRGetAnnTag(GrDesc* graph, WORD number, int value)
{
    AnnunciatorDesc* a = AnnunciatorAt(graph, number);
    return a ? static_cast<WORD>(Entry(a->tags, value)) : 0;
}

WORD WINAPI WRGetAnnVal(GrDesc* graph, WORD number, int value)
{
    AnnunciatorDesc* a = AnnunciatorAt(graph, number);
    return a ? static_cast<WORD>(Entry(a->values, value)) : 0;
}

WORD WINAPI WRGetAnnUnits(GrDesc* graph, WORD number, int value)
{
    AnnunciatorDesc* a = AnnunciatorAt(graph, number);
    return a ? static_cast<WORD>(Entry(a->units, value)) : 0;
}

WORD WINAPI WRGetAnnAlm(GrDesc* graph, WORD number, int value)
{
    AnnunciatorDesc* a = AnnunciatorAt(graph, number);
    return a ? static_cast<WORD>(Entry(a->alarms, value)) : 0;
}
