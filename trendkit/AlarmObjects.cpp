// The objects that show a data set's alarms on a graph: alarm lines (type 100) across the plot at
// the setpoint and the limits, alarm marks (type 101) beside an axis, and alarm text (type 107,
// subtype 6) naming each value's highest standing alarm.
#include "TrendkitInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trendkit
{
namespace
{

const int kDefaultLineColours[5] = {2, 4, 1, 12, 9}; // Green, Red, Blue, Light Red, Light Blue
const char* const kDefaultMarkLabels[5] = {"S", "H", "L", "HH", "LL"};

bool KindEnabled(const DynDataSetDesc* set, int kind)
{
    return (set->alarmEnable & (1u << (kind - 1))) != 0;
}

// Records 0-4 of lines and marks: shown flags, pens and the graph window.
void SetRecords(GrDesc* graph, const DynDataSetDesc* set, AlarmLineRec* records, const int* shown,
                const int* style, const int* width, const int* colour)
{
    HDC dc = graph->buildDc;
    for (int i = 0; i < 5; ++i)
    {
        AlarmLineRec& rec = records[i];
        rec.line.window = graph->window;
        rec.shown = shown ? (shown[i] ? 1 : 0) : (i <= 2 ? 1 : 0);
        if (i >= 1 && !KindEnabled(set, i))
            rec.shown = 0;
        if (rec.shown)
            SetLine(graph, dc, &rec.line, style ? style[i] : 0, colour ? colour[i] : kDefaultLineColours[i],
                    0, width ? width[i] : 0);
        else
            SetLine(graph, dc, &rec.line, 0, 0, 0, 0);
    }
}

LOGPEN PenOf(const LineDesc& line)
{
    LOGPEN pen{};
    pen.lopnStyle = static_cast<UINT>(line.style);
    pen.lopnWidth.x = line.widthX;
    pen.lopnColor = line.color;
    return pen;
}

// Selects a pen made from `line`; when recording a metafile the caller deletes it after use.
HPEN SelectLinePen(GrDesc* graph, HDC dc, const LineDesc& line)
{
    const LOGPEN pen = PenOf(line);
    return SelectPenIndirect(graph, dc, &pen);
}

void DropMetafilePen(GrDesc* graph, HDC dc, HPEN pen)
{
    if (pen && dc == graph->metafileDc)
    {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
}

// ---- Alarm lines ----------------------------------------------------------------------------------

void DrawAlarmLines(GrDesc* graph, AlarmLinesDesc* object, HDC dc)
{
    SetPlotClip(graph, dc);
    const int px = graph->unitsPerPixelX, py = graph->unitsPerPixelY;
    const RECT& plot = graph->plot;
    for (const AlarmLineRec& rec : object->lines)
    {
        if (!rec.shown)
            continue;
        HPEN pen = SelectLinePen(graph, dc, rec.line);
        SetBkMode(dc, rec.line.style == 0 ? OPAQUE : TRANSPARENT);
        const int end = rec.line.widthX ? rec.line.widthX / 2 : px;
        if (object->r.direction == 1)
        {
            MoveToEx(dc, plot.left + 2 * px, rec.position, nullptr);
            LineTo(dc, plot.right - end, rec.position);
        }
        else
        {
            MoveToEx(dc, rec.position, plot.top + py, nullptr);
            LineTo(dc, rec.position, plot.bottom - end);
        }
        DropMetafilePen(graph, dc, pen);
    }
    SetGraphClip(graph, dc);
}

void UpdateAlarmLines(GrDesc* graph, RtObjDesc* object)
{
    if (HDC dc = DrawingDC(graph))
        DrawAlarmLines(graph, reinterpret_cast<AlarmLinesDesc*>(object), dc);
}

void PaintAlarmLines(GrDesc* graph, HDC dc)
{
    auto* object = reinterpret_cast<AlarmLinesDesc*>(graph->currentObject);
    if (object == nullptr || graph->outsidePlotRepaint == 1)
        return;
    SetROP2(dc, object->blink ? R2_NOTCOPYPEN : R2_COPYPEN);
    DrawAlarmLines(graph, object, dc);
}

bool HitAlarmLines(GrDesc*, RtObjDesc* object, POINT p, int tolerance)
{
    auto* lines = reinterpret_cast<AlarmLinesDesc*>(object);
    const int at = lines->r.direction == 1 ? p.y : p.x;
    for (const AlarmLineRec& rec : lines->lines)
        if (rec.shown && std::abs(rec.position - at) <= tolerance)
            return true;
    return false;
}

// ---- Alarm marks ----------------------------------------------------------------------------------

HFONT MakeFont(const FontDesc& font)
{
    return CreateFontIndirect(&font.logFont);
}

void DrawAlarmMarks(GrDesc* graph, AlarmMarksDesc* object, HDC dc)
{
    ObjDesc* axisHead = GetObjDesc(graph, object->axis, nullptr);
    if (axisHead == nullptr)
        return;
    const RECT axis = axisHead->extent;
    const bool onWindow = !IsCopying(graph);
    const int spacing = graph->devWidth > 0 ? 2 * (graph->logWidth / graph->devWidth) : 2;
    const int px = graph->unitsPerPixelX ? graph->unitsPerPixelX : 1;
    const int py = graph->unitsPerPixelY ? graph->unitsPerPixelY : 1;
    int size = object->markSize;
    int half = size / 2;
    if (onWindow)
        OddPixel(dc, &size, &half, 0);
    const int height = static_cast<int>(size * 0.866);
    FontDesc font = object->font;
    font.logFont.lfHeight = -PointsToLogSize(graph, dc, object->enlargedSize);
    HFONT made = MakeFont(font);
    HGDIOBJ oldFont = made ? SelectObject(dc, made) : nullptr;
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetBkMode(dc, TRANSPARENT);
    RECT cover = object->r.rt.head.extent;
    bool first = true;
    auto grow = [&](int x1, int y1, int x2, int y2)
    {
        RECT r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
        if (first)
            cover = r;
        else
            cover = UnitedRect(cover, r);
        first = false;
    };
    const int textHeight = std::abs(static_cast<int>(font.logFont.lfHeight));
    for (const AlarmLineRec& rec : object->marks)
    {
        if (!rec.shown)
            continue;
        int pos = rec.position;
        POINT tri[4];
        int labelX = 0, labelY = 0;
        UINT align = 0;
        if (object->r.direction == 0) // marks along an X axis
        {
            int tipY;
            int baseY;
            if (object->placement == 4)
            {
                tipY = axis.top - (py + spacing / 2);
                baseY = tipY - height;
                align = TA_BOTTOM | TA_CENTER;
            }
            else
            {
                tipY = axis.bottom + py + spacing / 2;
                baseY = tipY + height;
                align = TA_TOP | TA_CENTER;
            }
            if (onWindow)
                WGExactPixel(dc, &pos, &tipY);
            tri[0] = {pos, tipY};
            tri[1] = {pos - half, baseY};
            tri[2] = {pos + half, baseY};
            labelX = pos;
            labelY = baseY;
            grow(pos - half, tipY, pos + half, baseY + (object->placement == 4 ? -textHeight : textHeight));
        }
        else // marks along a Y axis
        {
            int tipX;
            int baseX;
            if (object->placement == 2)
            {
                tipX = axis.right + px + spacing / 2;
                baseX = tipX + height;
                align = TA_BASELINE | TA_LEFT;
                labelX = baseX + spacing;
            }
            else
            {
                tipX = axis.left - (px + spacing / 2);
                baseX = tipX - height;
                align = TA_BASELINE | TA_RIGHT;
                labelX = baseX - spacing;
            }
            if (onWindow)
                WGExactPixel(dc, &tipX, &pos);
            tri[0] = {tipX, pos};
            tri[1] = {baseX, pos - half};
            tri[2] = {baseX, pos + half};
            labelY = pos + textHeight / 3;
            const int width = textHeight * static_cast<int>(std::strlen(rec.label));
            grow(tipX, pos - half, object->placement == 2 ? labelX + width : labelX - width, pos + half);
        }
        tri[3] = tri[0];
        HPEN pen = SelectLinePen(graph, dc, rec.line);
        Polyline(dc, tri, 4);
        DropMetafilePen(graph, dc, pen);
        SetTextAlign(dc, align);
        SetTextColor(dc, rec.line.color);
        TextOutA(dc, labelX, labelY, rec.label, static_cast<int>(std::strlen(rec.label)));
    }
    if (!first)
        object->r.rt.head.extent = cover;
    SelectObject(dc, oldBrush);
    if (made)
    {
        SelectObject(dc, oldFont);
        DeleteObject(made);
    }
}

void UpdateAlarmMarks(GrDesc* graph, RtObjDesc* object)
{
    if (HDC dc = DrawingDC(graph))
        DrawAlarmMarks(graph, reinterpret_cast<AlarmMarksDesc*>(object), dc);
}

void PaintAlarmMarks(GrDesc* graph, HDC dc)
{
    auto* object = reinterpret_cast<AlarmMarksDesc*>(graph->currentObject);
    if (object == nullptr)
        return;
    RECT box{};
    GetClipBox(dc, &box);
    if (!IsCopying(graph) && !RectsMeet(box, object->r.rt.head.extent))
        return;
    SetROP2(dc, object->blink ? R2_NOTCOPYPEN : R2_COPYPEN);
    DrawAlarmMarks(graph, object, dc);
}

void RecalcAlarmMarks(GrDesc* graph, HDC dc, RtObjDesc* object, float scale)
{
    auto* marks = reinterpret_cast<AlarmMarksDesc*>(object);
    marks->enlargedSize =
        static_cast<WORD>(std::max(1, static_cast<int>(marks->enlargedSizeCopy * scale + 0.5f)));
    marks->font.logFont.lfHeight = -PointsToLogSize(graph, dc, marks->enlargedSize);
    marks->pointSize = static_cast<WORD>(std::max(1, static_cast<int>(marks->pointSizeCopy * scale)));
}

// ---- Alarm text -----------------------------------------------------------------------------------

// Measures `text` in the object's font on the graph's context.
int TextWidth(HDC dc, const char* text)
{
    SIZE size{};
    if (dc && text && text[0])
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    return size.cx;
}

int MeasureAlarmTexts(GrDesc* graph, const DynTextDesc* object, const DynDataSetDesc* set)
{
    if (graph->metafileDc)
        return object->widest;
    HDC dc = graph->buildDc;
    HFONT font = CreateFontIndirect(&object->font.logFont);
    HGDIOBJ old = font && dc ? SelectObject(dc, font) : nullptr;
    int widest = 0;
    for (const AlarmDesc& alarm : set->alarms)
        widest = std::max(widest, TextWidth(dc, alarm.message));
    int normal = TextWidth(dc, set->normalMessage);
    if (normal == 0)
        normal = TextWidth(dc, "OK");
    widest = std::max(widest, normal);
    if (old)
        SelectObject(dc, old);
    if (font)
        DeleteObject(font);
    return widest;
}

// Cell `i` of `cells` along the object's rectangle (across for layout 1, else down).
RECT CellOf(const DynTextDesc* object, int i, int cells)
{
    RECT r = object->rt.head.extent;
    cells = std::max(cells, 1);
    if (object->layout == 1)
    {
        const int w = (r.right - r.left) / cells;
        r.left += i * w;
        r.right = r.left + w;
    }
    else
    {
        const int h = (r.bottom - r.top) / cells;
        r.top += i * h;
        r.bottom = r.top + h;
    }
    return r;
}

// The message and colour of a value's state: the highest alarm kind that stands, else normal.
const char* StateText(const DynDataSetDesc* set, const DynTextDesc* object, BYTE state, int* colour)
{
    const char* text = set->normalMessage[0] ? set->normalMessage : "OK";
    *colour = object->colors[0];
    for (int kind = 1; kind <= 7; ++kind)
        if (state & (1u << (kind - 1)))
        {
            text = set->alarms[kind - 1].message;
            *colour = object->colors[kind];
        }
    return text;
}

void DrawAlarmTextValues(GrDesc* graph, DynTextDesc* object, HDC dc, bool all)
{
    DynDataSetDesc* set = object->rt.dataSet;
    if (!IsDynDataSetValid(set))
        return;
    const bool printing = graph->printCopy != nullptr && dc == graph->printCopy;
    HFONT font = CreateFontIndirect(&object->font.logFont);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const RECT& r = object->rt.head.extent;
    const bool clip = (r.right - r.left) - object->textHeight < object->cellWidth;
    if (clip)
    {
        SaveDC(dc);
        IntersectClipRect(dc, r.left + graph->unitsPerPixelX, r.top + graph->unitsPerPixelY,
                          r.right - graph->unitsPerPixelX, r.bottom - graph->unitsPerPixelY);
    }
    const int first = object->shown >= 0 ? object->shown : 0;
    const int last = object->shown >= 0 ? object->shown : set->valueCount - 1;
    const int cells = object->shown >= 0 ? 1 : set->valueCount;
    SetBkMode(dc, TRANSPARENT);
    for (int i = first; i <= last && i < set->valueCount; ++i)
    {
        const bool changed = set->currentAlarm[i] != set->previousAlarm[i];
        if (!changed && !all)
            continue;
        int colour = 0;
        const char* text = StateText(set, object, set->currentAlarm[i], &colour);
        COLORREF rgb = WGGetRGBColor(colour);
        if (set->currentAlarm[i] == 0 && printing && Lib().top && !Lib().top->printPlotBackground)
            rgb = RGB(8, 0, 0);
        if (object->blink)
            rgb = object->background >= 0 ? WGGetRGBColor(object->background) : graph->background;
        const RECT cell = object->shown >= 0 ? r : CellOf(object, i - first, cells);
        const int lower = object->textHeight * 5 / 13;
        int x = (cell.left + cell.right) / 2;
        UINT align = TA_BASELINE | TA_CENTER;
        if (object->shown < 0)
        {
            align = object->align;
            if ((align & TA_CENTER) == TA_CENTER)
                x = (cell.left + cell.right) / 2;
            else if (align & TA_RIGHT)
                x = cell.right - object->textHeight / 2;
            else
                x = cell.left + object->textHeight / 2;
        }
        const int y = (cell.top + cell.bottom) / 2 + lower;
        SetTextAlign(dc, align);
        if (object->background >= 0 && !printing)
        {
            RECT box = cell;
            GrowRect(&box, -graph->unitsPerPixelX, -graph->unitsPerPixelY);
            SetBkColor(dc, WGGetRGBColor(object->background));
            ExtTextOutA(dc, x, y, ETO_OPAQUE, &box, "", 0, nullptr);
        }
        SetTextColor(dc, rgb);
        TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
    }
    if (clip)
        RestoreDC(dc, -1);
    if (font)
    {
        SelectObject(dc, oldFont);
        DeleteObject(font);
    }
}

void UpdateAlarmText(GrDesc* graph, RtObjDesc* rt)
{
    auto* object = reinterpret_cast<DynTextDesc*>(rt);
    DynDataSetDesc* set = object->rt.dataSet;
    if (!IsDynDataSetValid(set))
        return;
    if (object->background < 0)
    {
        // Transparent texts are drawn by the next repaint, inside the frame.
        if (graph->printCopy)
            return;
        bool changed = false;
        for (int i = 0; i < set->valueCount; ++i)
            if ((object->shown < 0 || object->shown == i) && set->currentAlarm[i] != set->previousAlarm[i])
                changed = true;
        if (!changed || graph->buildDc == nullptr)
            return;
        RECT r = object->rt.head.extent;
        GrowRect(&r, -(object->frameWidth + 2) * graph->unitsPerPixelX,
                 -(object->frameWidth + 1) * graph->unitsPerPixelY);
        LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&r), 2);
        InvalidateGraphRect(graph, &r);
        return;
    }
    if (HDC dc = DrawingDC(graph))
        DrawAlarmTextValues(graph, object, dc, object->drawAll != 0);
}

void PaintAlarmText(GrDesc* graph, HDC dc)
{
    auto* object = reinterpret_cast<DynTextDesc*>(graph->currentObject);
    if (object == nullptr)
        return;
    if (object->frame || object->background >= 0)
    {
        HPEN pen = object->frame ? SelectLinePen(graph, dc, object->rt.head.line) : nullptr;
        HGDIOBJ oldPen = pen ? nullptr : SelectObject(dc, GetStockObject(NULL_PEN));
        HBRUSH brush =
            object->background >= 0 ? CreateSolidBrush(WGGetRGBColor(object->background)) : nullptr;
        HGDIOBJ oldBrush = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
        const RECT& r = object->rt.head.extent;
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, oldBrush);
        if (brush)
            DeleteObject(brush);
        if (oldPen)
            SelectObject(dc, oldPen);
        DropMetafilePen(graph, dc, pen);
    }
    DrawAlarmTextValues(graph, object, dc, true);
}

bool HitDynText(GrDesc*, RtObjDesc* rt, POINT p)
{
    auto* object = reinterpret_cast<DynTextDesc*>(rt);
    if (object->shown >= 0 || object->valueCount <= 1)
    {
        return PointInRect(object->rt.head.extent, p);
    }
    for (int i = 0; i < object->valueCount; ++i)
    {
        RECT cell = CellOf(object, i, object->valueCount);
        if (PointInRect(cell, p))
        {
            object->rt.head.extent = cell; // the hit cell is what the picker flashes
            return true;
        }
    }
    return false;
}

} // namespace

int AlarmTextWidth(GrDesc* graph, DynDataSetDesc* set)
{
    // The widest text among all alarm texts of the set on this graph (the first one decides).
    for (int n = 1; graph && n <= graph->capacity; ++n)
        if (RtObjDesc* o = RtObjectAt(graph, n);
            o && o->head.type == RT_TYPE_DYN_TEXT && o->head.subKind == 6 && o->dataSet == set)
            return MeasureAlarmTexts(graph, reinterpret_cast<DynTextDesc*>(o), set);
    return 0;
}

void CalcAlarmLines(GrDesc* graph, RtObjDesc* rt)
{
    auto* object = reinterpret_cast<AlarmLinesDesc*>(rt);
    DynDataSetDesc* set = rt->dataSet;
    if (graph == nullptr || !IsDynDataSetValid(set))
        return;
    float values[5];
    int record[5];
    int n = 0;
    values[n] = set->setpoint;
    record[n++] = 0;
    for (int i = 1; i <= 4; ++i)
        if (object->lines[i].shown)
        {
            values[n] = set->alarms[i - 1].limit;
            record[n++] = i;
        }
    int pixels[5];
    MapValuesToPixels(graph, &object->r, values, pixels, n);
    RECT r = graph->plot;
    object->setpointPosition = pixels[0];
    object->lines[0].position = pixels[0];
    bool any = false;
    int lo = 0, hi = 0;
    for (int k = 1; k < n; ++k)
    {
        object->lines[record[k]].position = pixels[k];
        lo = any ? std::min(lo, pixels[k]) : pixels[k];
        hi = any ? std::max(hi, pixels[k]) : pixels[k];
        any = true;
    }
    if (any)
    {
        if (object->r.direction == 1)
        {
            r.top = lo;
            r.bottom = hi;
        }
        else
        {
            r.left = lo;
            r.right = hi;
        }
    }
    GrowRect(&r, graph->unitsPerPixelX, graph->unitsPerPixelY);
    rt->head.extent = r;
}

void RegisterOwnTypes()
{
    RtObjectType lines;
    lines.type = RT_TYPE_ALARM_LINES;
    lines.size = sizeof(AlarmLinesDesc);
    lines.hitLine = HitAlarmLines;
    lines.edit = EditAlarmLines;
    RegisterRtType(lines);

    RtObjectType marks;
    marks.type = RT_TYPE_ALARM_MARKS;
    marks.size = sizeof(AlarmMarksDesc);
    marks.recalc = RecalcAlarmMarks;
    marks.edit = EditAlarmMarks;
    RegisterRtType(marks);

    RtObjectType text;
    text.type = RT_TYPE_DYN_TEXT;
    text.size = sizeof(DynTextDesc);
    text.hitBox = HitDynText;
    text.edit = EditDynText;
    RegisterRtType(text);
}

} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetAlarmLines(GrDesc* graph, int slot, int period, int direction, const int* shown,
                            const int* style, const int* width, const int* colour)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return 0;
    auto* object = reinterpret_cast<AlarmLinesDesc*>(AllocRTObject(graph, RT_TYPE_ALARM_LINES, 0));
    if (object == nullptr)
        return 0;
    object->r.direction = direction;
    CopyGraphRanges(graph, &object->r);
    object->r.rt.head.draw = PaintAlarmLines;
    object->r.rt.update = UpdateAlarmLines;
    LinkAxes(graph, &object->r);
    SetRecords(graph, set, object->lines, shown, style, width, colour);
    object->r.rt.dataSet = set;
    CalcAlarmLines(graph, &object->r.rt);
    const WORD number = CommitRTObject(graph);
    if (number == 0)
        return 0;
    if (period > 0)
        SetObjTimeUpdate(graph, number, static_cast<WORD>(std::min(period, 0xFFFF)));
    ++set->useCount;
    return number;
}

WORD WINAPI WRSetAlarmMarks(GrDesc* graph, int slot, WORD axis, int placement, int points, const int* shown,
                            int width, const int* colour, const char* labels)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    ObjDesc* axisHead = graph && WGIsGraphDescValid(graph) ? GetObjDesc(graph, axis, nullptr) : nullptr;
    if (set == nullptr || axisHead == nullptr || axisHead->type != PK_TYPE_AXIS)
        return 0;
    const auto* axisDesc = reinterpret_cast<const AxisDesc*>(axisHead);
    auto* object = reinterpret_cast<AlarmMarksDesc*>(AllocRTObject(graph, RT_TYPE_ALARM_MARKS, 0));
    if (object == nullptr)
        return 0;
    object->r.direction = axisDesc->direction == 1 ? 0 : 1;
    CopyGraphRanges(graph, &object->r);
    object->r.rt.head.draw = PaintAlarmMarks;
    object->r.rt.update = UpdateAlarmMarks;
    LinkAxes(graph, &object->r);
    const int widths[5] = {width, width, width, width, width};
    SetRecords(graph, set, object->marks, shown, nullptr, widths, colour);
    for (int i = 0; i < 5; ++i)
    {
        char* label = object->marks[i].label;
        if (labels == nullptr)
        {
            CopyText(label, kDefaultMarkLabels[i], RT_MARK_LABEL_MAX);
            continue;
        }
        // Five 12-character fields: each field's first 11 characters without trailing blanks.
        const size_t length = strnlen(labels, 60);
        const size_t start = static_cast<size_t>(i) * 12;
        size_t n = start < length ? std::min<size_t>(RT_MARK_LABEL_MAX, length - start) : 0;
        while (n > 0 && labels[start + n - 1] == ' ')
            --n;
        if (n)
            std::memcpy(label, labels + start, n);
        label[n] = '\0';
    }
    object->r.rt.dataSet = set;
    HDC dc = graph->buildDc;
    points = std::clamp(points, 1, 0x7FFF);
    object->markSize = PointsToLogSize(graph, dc, points);
    object->pointSize = object->pointSizeCopy = static_cast<WORD>(points);
    if (Lib().top)
        object->font = Lib().top->defaultFont;
    object->font.text = nullptr;
    object->font.textCapacity = 0;
    object->enlargedSize = object->enlargedSizeCopy = static_cast<WORD>(points * 1.8);
    object->font.logFont.lfHeight = -PointsToLogSize(graph, dc, object->enlargedSize);
    CalcAlarmLines(graph, &object->r.rt);
    const int half = std::abs(static_cast<int>(object->font.logFont.lfHeight)) / 2;
    RECT& r = object->r.rt.head.extent;
    if (object->r.direction == 1)
    {
        r.top -= half;
        r.bottom += half;
    }
    else
    {
        r.left -= half;
        r.right += half;
    }
    object->placement = static_cast<WORD>(placement);
    object->axis = axis;
    const WORD number = CommitRTObject(graph);
    if (number)
        ++set->useCount;
    return number;
}

WORD WINAPI WRSetAlarmText(GrDesc* graph, int slot, int index, float left, float top, float right,
                           float bottom, int frameColour, int frameWidth, int background,
                           const char* normalMessage, const int* colours, int alignment, int layout)
{
    static const char kName[] = " - WRSetAlarmText";
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        ErrHdlr(55, 2, kName);
        return 0;
    }
    if (index >= set->valueCount || index < -1)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    auto* object = reinterpret_cast<DynTextDesc*>(AllocRTObject(graph, RT_TYPE_DYN_TEXT, 6));
    if (object == nullptr)
        return 0;
    HDC dc = graph->buildDc;
    object->shown = static_cast<SHORT>(set->valueCount == 1 ? 0 : index);
    object->layout = object->shown >= 0 ? 1 : layout;
    object->valueCount = set->valueCount;
    if (Lib().top)
        object->font = Lib().top->defaultFont;
    object->font.text = nullptr;
    object->font.textCapacity = 0;
    object->frame = frameColour >= 0 ? 1 : 0;
    object->frameWidth = std::max(frameWidth, 0);
    SetLine(graph, dc, &object->rt.head.line, 0, frameColour, 0, object->frameWidth);
    object->background = static_cast<SHORT>(background);
    object->textHeight = PointsToLogSize(graph, dc, object->font.currentSize ? object->font.currentSize : 10);
    object->font.logFont.lfHeight = -object->textHeight;
    if (set->normalMessage[0] == '\0')
        CopyText(set->normalMessage, normalMessage && normalMessage[0] ? normalMessage : "OK",
                 RT_NORMAL_MESSAGE_MAX);
    object->rt.dataSet = set;
    RECT& r = object->rt.head.extent;
    r.left = static_cast<int>(graph->logWidth * left);
    r.top = static_cast<int>(graph->logHeight * top);
    object->widest = MeasureAlarmTexts(graph, object, set);
    const int cells = object->shown >= 0 ? 1 : std::max<int>(object->valueCount, 1);
    if (right == 0)
    {
        // Fitted: one cell per text, each the widest text and a text height of margin.
        object->cellWidth = object->widest + object->textHeight;
        r.right = r.left + (object->layout == 1 ? cells : 1) * object->cellWidth;
    }
    else
    {
        r.right = static_cast<int>(graph->logWidth * right);
        object->cellWidth = object->layout == 1 ? (r.right - r.left - object->textHeight) / cells
                                                : object->widest + object->textHeight;
    }
    if (bottom == 0)
        r.bottom = r.top + (object->layout == 1 ? 1 : cells) * object->textHeight * 2;
    else
        r.bottom = static_cast<int>(graph->logHeight * bottom);
    object->align = TA_BASELINE;
    if ((alignment & 2) && (alignment & 4))
        object->align |= TA_CENTER;
    else if (alignment & 2)
        object->align |= TA_RIGHT;
    else
        object->align |= TA_LEFT;
    const int defaults[8] = {background != 0 ? 0 : 6, 12, 9, 12, 9, 12, 12, 12};
    for (int i = 0; i < 8; ++i)
        object->colors[i] = colours ? colours[i] : defaults[i];
    object->rt.head.draw = PaintAlarmText;
    object->rt.update = UpdateAlarmText;
    const WORD number = CommitRTObject(graph);
    if (number == 0)
        return 0;
    ++graph->realTimeCount;
    if (graph->page)
        graph->page->hasRealTimeObjects = 1;
    ++set->useCount;
    return number;
}
