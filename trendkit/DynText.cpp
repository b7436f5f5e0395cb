// Dynamic text (type 107, subtype 1): a framed box that shows one value, or all values, of a data
// set as numbers, redrawn whenever the set is updated. Each value has its own colour, which may be
// borrowed from another object (a trace, bar or needle) so that the number matches it.
#include "ScrollGraph.h"
#include "TrendkitInternal.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace trendkit
{

int TextHeightInX(GrDesc* graph, int height)
{
    // A height in y units is so many pixels, which are so many x units.
    const long long den = static_cast<long long>(graph->logHeight) * graph->devWidth;
    if (den == 0)
        return height;
    return static_cast<int>(static_cast<long long>(height) * graph->devHeight * graph->logWidth / den);
}

namespace
{

enum
{
    DYN_TEXT_SUBTYPE = 1,
    ALIGN_RIGHT_BASELINE = TA_RIGHT | TA_BASELINE,
    ALIGN_CENTRE_BASELINE = TA_CENTER | TA_BASELINE,
};

int PixelsX(GrDesc* graph, int n)
{
    return n * std::max(graph->unitsPerPixelX, 1);
}

int PixelsY(GrDesc* graph, int n)
{
    return n * std::max(graph->unitsPerPixelY, 1);
}

bool Printing(GrDesc* graph, HDC dc)
{
    return graph->printCopy != nullptr && dc == graph->printCopy;
}

// Width of the widest number: a minus sign, a point and (digits - 1) zeros.
int MeasureDigits(GrDesc* graph, DynTextDesc* object)
{
    if (graph->metafileDc || graph->buildDc == nullptr)
        return object->widest;
    std::string sample = "-.";
    sample.append(static_cast<size_t>(std::clamp(object->digits - 1, 0, 64)), '0');
    HDC dc = graph->buildDc;
    HFONT font = ConfigureText(graph, dc, &object->font, WGGetRGBColor(object->font.colorIndex));
    SIZE size{};
    GetTextExtentPoint32A(dc, sample.c_str(), static_cast<int>(sample.size()), &size);
    if (font)
        DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
    return size.cx;
}

int RowHeight(const DynTextDesc* object)
{
    return 4 * object->textHeight / 3;
}

// Fitted right edge (and, for a row layout, bottom edge).
void DynTextAutoWidth(GrDesc* graph, DynTextDesc* object)
{
    RECT& r = object->rt.head.extent;
    const int rh = RowHeight(object);
    if (object->digits > 0)
        object->widest = MeasureDigits(graph, object);
    const int hx = TextHeightInX(graph, object->textHeight);
    object->cellWidth = object->widest + hx;
    const int cell = std::max(object->cellWidth, 1);
    int rows = 1;
    if (object->layout == 1 && object->shown < 0)
    {
        const int count = object->valueCount;
        const int room = graph->logWidth - r.left;
        const int need = count * cell + 2 * object->marginX + hx;
        if (need > room)
        {
            const int perRow = std::max(room / cell, 1);
            rows = (count - 1) / perRow + 1;
            r.right = r.left + perRow * cell + 2 * object->marginX;
        }
        else
            r.right = r.left + need;
    }
    else
        r.right = r.left + cell + 2 * object->marginX;
    if (object->layout == 1)
        r.bottom = r.top + rh * rows + rh / 3 + 2 * object->marginY;
}

void DynTextAutoHeight(DynTextDesc* object)
{
    RECT& r = object->rt.head.extent;
    const int rh = RowHeight(object);
    if (object->shown >= 0)
        r.bottom = r.top + rh + 2 * object->marginY;
    else if (object->layout == 0)
        r.bottom = r.top + (object->valueCount + 1) * rh - rh / 4 + 2 * object->marginY;
    else if (r.bottom == 0)
        r.bottom = r.top + (4 * rh) / 3 + 2 * object->marginY;
}

int ValuePalette(const DynTextDesc* object, int i)
{
    // The first eight entries are the colour table the host reaches through the accessors.
    return i < 8 ? object->colors[i] : object->valueColors[i];
}

COLORREF ValueColour(GrDesc* graph, DynTextDesc* object, int i)
{
    if (object->colorSource != 0)
    {
        ObjDesc* source = GetObjDesc(graph, object->colorSource, nullptr);
        if (source && (source->type == RT_TYPE_SCROLL || source->type == RT_TYPE_XY))
        {
            ScrollDesc* s = AsScroll(source);
            if (s && i < s->channels)
                return s->pens[i].color;
        }
        else if (source)
        {
            const RtObjectType* kind = FindRtType(source->type);
            COLORREF colour = 0;
            if (kind && kind->valueColour &&
                kind->valueColour(reinterpret_cast<RtObjDesc*>(source), i, &colour))
                return colour;
        }
    }
    return WGGetRGBColor(ValuePalette(object, i));
}

// Position of a cell of a row or grid layout: cells run left to right, then down.
POINT RowCellPoint(GrDesc* graph, DynTextDesc* object, int i)
{
    const RECT& r = object->rt.head.extent;
    const int hx = TextHeightInX(graph, object->textHeight);
    const int cell = std::max(object->cellWidth, 1);
    const int perRow = std::max((r.right - r.left - 2 * object->marginX - hx) / cell, 1);
    const int rh = RowHeight(object);
    const int row = i / perRow, column = i % perRow;
    POINT p;
    p.x = r.left + object->marginX + hx / 2 + (column + 1) * cell - hx / 2;
    p.y =
        r.top + object->marginY + row * rh + rh / 2 + (5 * object->textHeight) / 13 + object->textHeight / 3;
    return p;
}

void DrawDynValues(GrDesc* graph, HDC dc, DynTextDesc* object)
{
    DynDataSetDesc* set = object->rt.dataSet;
    if (!IsDynDataSetValid(set) || dc == nullptr)
        return;
    const bool printing = Printing(graph, dc);
    HFONT font = ConfigureText(graph, dc, &object->font, WGGetRGBColor(object->font.colorIndex));
    const RECT& r = object->rt.head.extent;
    const int th = object->textHeight;
    const int hx = TextHeightInX(graph, th);
    const int count = std::min<int>(object->valueCount, set->valueCount);
    const int pitch = count > 0 ? (r.bottom - r.top - 2 * object->marginY) / count : 0;
    const COLORREF background = object->background >= 0 ? WGGetRGBColor(object->background) : 0;
    if (object->background < 0 || printing)
        SetBkMode(dc, TRANSPARENT);
    else
    {
        SetBkColor(dc, background);
        SetBkMode(dc, OPAQUE);
    }
    // The inside of the frame, which no cell fill may leave.
    RECT inner = r;
    GrowRect(&inner, -(object->marginX + PixelsX(graph, object->frameWidth)),
             -(object->marginY + PixelsY(graph, object->frameWidth)));
    const int first = object->shown >= 0 ? object->shown : 0;
    const int last = object->shown >= 0 ? object->shown : count - 1;
    for (int i = first; i <= last && i < set->valueCount; ++i)
    {
        if (!object->drawAll && set->current[i] == set->previous[i])
            continue;
        COLORREF colour = ValueColour(graph, object, i);
        if (object->rt.head.flash)
            colour = object->background >= 0 ? background : graph->background;
        UINT align = ALIGN_RIGHT_BASELINE;
        int x = r.right - hx / 2 - object->marginX;
        int y;
        bool fullWidth = false;
        if (object->shown < 0 && object->layout == 0)
        {
            y = r.top + object->marginY + pitch / 2 + i * pitch + (5 * th) / 13;
            fullWidth = true;
        }
        else if (object->shown < 0)
        {
            const POINT p = RowCellPoint(graph, object, i);
            x = p.x;
            y = p.y;
        }
        else
        {
            y = (r.top + r.bottom) / 2 + (5 * th) / 13;
            fullWidth = true;
            if (object->layout == 1)
            {
                x = (r.left + r.right) / 2;
                align = ALIGN_CENTRE_BASELINE;
                object->align = align;
            }
        }
        SetTextAlign(dc, align);
        SetTextColor(dc, colour);
        const char* text = ftoa(set->current[i], object->decimals, 0);
        bool clipped = false;
        if (object->background >= 0 && !printing)
        {
            RECT cell;
            cell.top = y - th;
            cell.bottom = y + th / 4;
            if (fullWidth)
            {
                cell.left = inner.left;
                cell.right = inner.right;
            }
            else
            {
                const int w = object->widest;
                cell.left = (align & TA_CENTER) == TA_CENTER ? x - w / 2 : x - w;
                cell.right = cell.left + w;
                GrowRect(&cell, PixelsX(graph, 1), 0);
            }
            RECT kept = cell;
            kept.left = std::max(kept.left, inner.left);
            kept.right = std::min(kept.right, inner.right);
            kept.top = std::max(kept.top, inner.top);
            kept.bottom = std::min(kept.bottom, inner.bottom);
            if (kept.left != cell.left || kept.right != cell.right || kept.top != cell.top ||
                kept.bottom != cell.bottom)
            {
                clipped = true;
                SaveDC(dc);
                IntersectClipRect(dc, kept.left, kept.top, kept.right, kept.bottom);
            }
            if (kept.right > kept.left && kept.bottom > kept.top)
                ExtTextOutA(dc, x, y, ETO_OPAQUE, &kept, "", 0, nullptr);
        }
        if (text)
            TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
        if (clipped)
            RestoreDC(dc, -1);
    }
    object->drawAll = 0;
    if (font)
        DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
}

void PaintDynText(GrDesc* graph, HDC dc)
{
    auto* object = reinterpret_cast<DynTextDesc*>(graph->currentObject);
    if (object == nullptr || object->rt.head.type != RT_TYPE_DYN_TEXT)
        return;
    object->textHeight = -object->font.logFont.lfHeight;
    const RECT& r = object->rt.head.extent;
    if (!IsCopying(graph) && !RectVisible(dc, &r))
        return;
    if (object->background >= 0 || object->frame || object->frameStyle != 0)
    {
        const bool printing = Printing(graph, dc);
        HBRUSH brush = nullptr;
        if (object->background >= 0 &&
            !(printing && object->frameStyle == 0 && !(Lib().top && Lib().top->printPlotBackground)))
            brush = CreateSolidBrush(WGGetRGBColor(object->background));
        HGDIOBJ oldBrush = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
        HPEN pen = nullptr;
        if (object->frame && object->frameStyle <= 2)
        {
            const LOGPEN lp = PenOfLine(object->rt.head.line);
            pen = CreatePenIndirect(&lp);
        }
        HGDIOBJ oldPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
        const COLORREF back = object->background >= 0 ? WGGetRGBColor(object->background) : graph->background;
        switch (object->frameStyle)
        {
        case 1:
        case 2:
            RaisedRect(graph, dc, &r, back, object->frameStyle);
            break;
        case 3:
        case 4:
            LowRect(graph, dc, &r, back, object->frameStyle);
            break;
        case 5:
            Rect3DBorder(graph, dc, &r, object->frameWidth, object->rt.head.line.paletteIndex);
            break;
        default:
            Rectangle(dc, r.left, r.top, r.right, r.bottom);
            break;
        }
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        if (pen)
            DeleteObject(pen);
        if (brush)
            DeleteObject(brush);
    }
    object->drawAll = 1;
    DrawDynValues(graph, dc, object);
}

void UpdateDynText(GrDesc* graph, RtObjDesc* rt)
{
    auto* object = reinterpret_cast<DynTextDesc*>(rt);
    DynDataSetDesc* set = object->rt.dataSet;
    HDC dc = graph->buildDc;
    if (!IsDynDataSetValid(set) || dc == nullptr)
        return;
    SetGraphClip(graph, dc);
    if (object->background < 0)
    {
        if (IsCopying(graph))
            return;
        // Transparent numbers cannot be erased: the window repaints the inside of the box.
        bool changed = false;
        for (int i = 0; i < set->valueCount; ++i)
            if ((object->shown < 0 || object->shown == i) && set->current[i] != set->previous[i])
                changed = true;
        if (!changed)
            return;
        RECT box = object->rt.head.extent;
        GrowRect(&box, -PixelsX(graph, object->frameWidth + 2), -PixelsY(graph, object->frameWidth + 1));
        LPtoDP(dc, reinterpret_cast<POINT*>(&box), 2);
        InvalidateGraphRect(graph, &box);
        return;
    }
    DrawDynValues(graph, dc, object);
}

} // namespace
} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetDynText(GrDesc* graph, int slot, int index, float x, float y, float right, float bottom,
                         int frameColour, int frameWidth, const int* colours, int background, int layout,
                         int digits, int decimals, int colourSource, int frameStyle)
{
    static const char kName[] = " - WRSetDynText";
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        ErrHdlr(55, 2, kName);
        return 0;
    }
    // A one-value set shows its value whatever index was given.
    if (set->valueCount > 1 && (index >= set->valueCount || index < -1))
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    auto* object = reinterpret_cast<DynTextDesc*>(AllocRTObject(graph, RT_TYPE_DYN_TEXT, DYN_TEXT_SUBTYPE));
    if (object == nullptr)
        return 0;
    HDC dc = graph->buildDc;
    object->shown = static_cast<SHORT>(set->valueCount == 1 ? 0 : index);
    object->align = ALIGN_RIGHT_BASELINE;
    if (colourSource != 0 && (colours == nullptr || colours[0] == -1))
    {
        if (GetObjDesc(graph, colourSource, nullptr) == nullptr)
        {
            ErrHdlr(56, 2, kName);
            AbandonRTObject(graph);
            return 0;
        }
        object->colorSource = static_cast<WORD>(colourSource);
    }
    object->valueCount = set->valueCount;
    if (Lib().top)
        object->font = Lib().top->defaultFont;
    object->font.text = nullptr;
    object->font.textCapacity = 0;
    object->layout = layout == 1 ? 1 : 0;
    object->frame = frameColour >= 0 ? 1 : 0;
    object->frameWidth = std::max(frameWidth, 0);
    SetLine(graph, dc, &object->rt.head.line, 0, frameColour, 0, object->frameWidth);
    // Value colours: one per value for all values, else the shown value's from the first entry.
    for (int i = 0; i < set->valueCount; ++i)
    {
        int colour = 0;
        if (colours && colours[0] != -1)
            colour = object->shown < 0 || set->valueCount == 1 ? colours[i] & 0xFF
                                                               : (i == object->shown ? colours[0] & 0xFF : 0);
        if (i < 8)
            object->colors[i] = colour;
        object->valueColors[i] = colour;
    }
    object->background = static_cast<SHORT>(background < 0 ? -1 : background);
    const int points = object->font.currentSize ? object->font.currentSize : 10;
    object->textHeight = PointsToLogSize(graph, dc, points);
    object->font.logFont.lfHeight = -object->textHeight;
    object->digits = std::clamp(digits, 0, 64);
    object->decimals = std::clamp(decimals, 0, 20);
    RECT& r = object->rt.head.extent;
    r.left = static_cast<int>(graph->logWidth * x);
    r.top = static_cast<int>(graph->logHeight * y);
    r.right = r.bottom = 0;
    object->frameStyle = std::clamp(frameStyle, 0, 5);
    switch (object->frameStyle)
    {
    case 0:
        object->marginX = object->rt.head.line.widthX;
        object->marginY = object->rt.head.line.widthY;
        break;
    case 1:
    case 2:
        object->marginX = static_cast<int>(graph->logWidth * 0.01);
        object->marginY = static_cast<int>(graph->logHeight * 0.01) + PixelsY(graph, 1);
        break;
    case 3:
    case 4:
        object->marginX = PixelsX(graph, 2);
        object->marginY = PixelsY(graph, 2);
        break;
    default:
    {
        const int lines = std::max(object->frameWidth, 1) + 2;
        object->marginX = graph->devWidth ? lines * graph->logWidth / graph->devWidth : lines;
        object->marginY = graph->devHeight ? lines * graph->logHeight / graph->devHeight : lines;
        break;
    }
    }
    object->widest = MeasureDigits(graph, object);
    const int hx = TextHeightInX(graph, object->textHeight);
    if (right != 0)
    {
        r.right = static_cast<int>(graph->logWidth * right);
        object->cellWidth = object->layout == 1
                                ? (r.right - r.left - hx) / std::max<int>(object->valueCount, 1)
                                : object->widest + hx;
    }
    else
        DynTextAutoWidth(graph, object);
    if (bottom != 0)
        r.bottom = static_cast<int>(graph->logHeight * bottom);
    else
        DynTextAutoHeight(object);
    object->rt.head.draw = PaintDynText;
    object->rt.update = UpdateDynText;
    object->rt.dataSet = set;
    const WORD number = CommitRTObject(graph);
    if (number == 0)
        return 0;
    ++graph->realTimeCount;
    if (graph->page)
        graph->page->hasRealTimeObjects = 1;
    ++set->useCount;
    return number;
}
