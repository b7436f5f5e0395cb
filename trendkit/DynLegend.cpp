// Dynamic legend: a plotkit legend bound to a real-time object whose entries take their sample and
// text colours from that object each time they are drawn, so the legend follows the live object.
#include "ScrollGraph.h"

#include "Legend.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace trendkit
{
namespace
{

using plotkit::LegendDesc;
constexpr int kRow = plotkit::kLegendText; // 42 characters a row (41 and a zero)
constexpr int kMaxRowItems = 50;

LegendDesc* AsDynLegend(ObjDesc* o)
{
    return o && o->type == PK_TYPE_LEGEND ? reinterpret_cast<LegendDesc*>(o) : nullptr;
}

// The font height along x: the same length on the screen as h along y.
int WidthOfHeight(const GrDesc* graph, int h)
{
    if (graph->devWidth <= 0 || graph->logHeight <= 0)
        return h;
    return static_cast<int>(static_cast<long long>(h) * graph->logWidth * graph->devHeight /
                            (static_cast<long long>(graph->devWidth) * graph->logHeight));
}

int ShownCount(const LegendDesc* l)
{
    int n = 0;
    for (int i = 0; i < l->itemCount; ++i)
        if (i == 0 ? l->titleShown != 0 : l->items[i].shown != 0)
            ++n;
    return n;
}

// The entries of an RT object: channels of a scroll graph, half the values of an XY graph's set,
// else the set's values.
int EntriesOf(RtObjDesc* object, const DynDataSetDesc* set)
{
    switch (object->head.type)
    {
    case RT_TYPE_SCROLL:
        return reinterpret_cast<ScrollDesc*>(object)->channels;
    case RT_TYPE_XY:
        return set->valueCount / 2;
    default:
        return set->valueCount;
    }
}

// Row layout: items flow from the left edge; an item that would start past the right edge, or
// whose text would pass it by more than half its extent, begins a new row.
int RowLayout(HDC dc, const LegendDesc* l, int sample, POINT* at, int max)
{
    const RECT r = l->head.extent;
    std::vector<int> row;
    int n = 0, x = r.left, rows = 1;
    for (int i = 0; i < l->itemCount && n < max; ++i)
    {
        if (i == 0 ? !l->titleShown : !l->items[i].shown)
            continue;
        SIZE size{};
        const char* text = l->items[i].text;
        GetTextExtentPoint32A(dc, text, static_cast<int>(strnlen(text, kRow)), &size);
        const int width = sample + 3 * l->fx / 2 + size.cx + l->fx;
        if (n > 0 && x != r.left && (x > r.right || x + width - l->fx > r.right + size.cx / 2))
        {
            x = r.left;
            ++rows;
        }
        at[n] = POINT{x, 0};
        row.push_back(rows - 1);
        x += width;
        ++n;
    }
    const int height = (r.bottom - r.top) / rows;
    for (int k = 0; k < n; ++k)
        at[k].y = r.top + height / 2 + row[k] * height;
    return n;
}

// The colour of entry i (from 1) of the bound object; false when it has none.
bool EntryColour(ObjDesc* bound, int i, COLORREF* colour, LOGPEN* pen)
{
    if (bound == nullptr || i < 1)
        return false;
    auto* rt = reinterpret_cast<RtObjDesc*>(bound);
    switch (bound->type)
    {
    case RT_TYPE_SCROLL:
    case RT_TYPE_XY:
    {
        auto* s = reinterpret_cast<ScrollDesc*>(rt);
        if (i > s->channels)
            return false;
        *pen = PenOfLine(s->pens[i - 1]);
        *colour = pen->lopnColor;
        return true;
    }
    case RT_TYPE_DYN_TEXT:
    {
        auto* t = reinterpret_cast<DynTextDesc*>(rt);
        if (i > RT_MAX_VALUES)
            return false;
        const int index = i - 1 < 8 ? t->colors[i - 1] : t->valueColors[i - 1];
        *colour = WGGetRGBColor(index);
        return true;
    }
    default:
    {
        const RtObjectType* kind = FindRtType(bound->type);
        return kind && kind->valueColour && kind->valueColour(rt, i - 1, colour);
    }
    }
}

void DynLegendPaint(GrDesc* graph, HDC dc)
{
    LegendDesc* l = AsDynLegend(graph->currentObject);
    if (l == nullptr || l->items == nullptr)
        return;
    const bool copy = IsCopying(graph);
    const bool meta = graph->metafileDc != nullptr;
    const RECT r = l->head.extent;
    if (!copy)
    {
        RECT clip{};
        GetClipBox(dc, &clip);
        if (!RectsMeet(r, clip))
            return;
        l->font.logFont.lfHeight = -PointsToLogSize(graph, dc, l->font.currentSize > 0 ? l->font.currentSize : 10);
    }
    HFONT font = ConfigureText(graph, dc, &l->font, RGB(0, 0, 0));
    const int h = std::abs(static_cast<int>(l->font.logFont.lfHeight));
    const int fx = std::max(1, WidthOfHeight(graph, h));
    const bool textOnly = l->shortSamples != 0;
    if (h != l->fontHeight && !meta)
    {
        int longest = 0;
        for (int i = 0; i < l->itemCount; ++i)
        {
            SIZE size{};
            GetTextExtentPoint32A(dc, l->items[i].text, static_cast<int>(strnlen(l->items[i].text, kRow)), &size);
            longest = std::max<int>(longest, size.cx);
        }
        l->longestWidth = longest;
        l->fontHeight = h;
        l->fx = fx;
        l->itemWidth = longest + (textOnly ? fx : 5 * fx);
    }
    SetROP2(dc, R2_COPYPEN);

    // The box.
    if (l->areaColor >= 0 || l->border)
    {
        HBRUSH brush = nullptr;
        if (l->areaColor >= 0)
            brush = graph->printCopy && !(Lib().top && Lib().top->printPlotBackground)
                        ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                        : CreateSolidBrush(WGGetRGBColor(l->areaColor));
        HPEN pen = nullptr;
        if (l->border)
        {
            SetBkMode(dc, OPAQUE);
            const LOGPEN border = PenOfLine(l->head.line);
            pen = CreateSelectPen(dc, &border);
        }
        else
            SelectObject(dc, GetStockObject(NULL_PEN));
        HGDIOBJ oldBrush = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        if (pen)
            DeleteObject(pen);
        if (brush && brush != GetStockObject(WHITE_BRUSH))
            DeleteObject(brush);
    }
    SetBkMode(dc, TRANSPARENT);

    ObjDesc* bound = l->source ? GetObjDesc(graph, l->source, nullptr) : nullptr;
    const int type = bound ? bound->type : 0;
    const bool lines = type == RT_TYPE_SCROLL || type == RT_TYPE_XY;
    const bool bars = type == RT_TYPE_DYN_BARS;
    int s = 2 * fx;
    if (textOnly)
        s = l->orientation == 0 ? -3 * fx / 2 : (l->itemWidth - l->longestWidth) / 2 - 2 * fx;

    POINT rowAt[kMaxRowItems];
    int rowItems = 0;
    if (l->orientation == 1)
        rowItems = RowLayout(dc, l, textOnly ? 0 : s, rowAt, kMaxRowItems);

    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    int k = 0;
    for (int i = 0; i < l->itemCount; ++i)
    {
        if (i == 0 ? !l->titleShown : !l->items[i].shown)
            continue;
        int x = 0, y = 0;
        if (l->orientation == 1)
        {
            if (k >= rowItems)
                break;
            x = rowAt[k].x;
            y = rowAt[k].y;
        }
        else
            TextItemCoords(graph, &l->head, k, 0, &x, &y);
        ++k;
        COLORREF colour = RGB(0, 0, 0);
        LOGPEN pen{PS_SOLID, {0, 0}, colour};
        const bool has = EntryColour(bound, i, &colour, &pen);
        if (!textOnly && has)
        {
            if (lines)
            {
                HPEN made = CreateSelectPen(dc, &pen);
                MoveToEx(dc, x, y, nullptr);
                LineTo(dc, x + s, y);
                SelectObject(dc, GetStockObject(BLACK_PEN));
                DeleteObject(made);
            }
            else if (bars)
            {
                HBRUSH brush = CreateSolidBrush(colour);
                HGDIOBJ old = SelectObject(dc, brush);
                Rectangle(dc, x, y + 8 * h / 15 - h, x + s, y + 8 * h / 15);
                SelectObject(dc, old);
                DeleteObject(brush);
            }
        }
        if (l->font.colorIndex >= 0)
            colour = WGGetRGBColor(l->font.colorIndex);
        else if (!has)
            colour = RGB(0, 0, 0);
        SetTextColor(dc, colour);
        if (x + s + 4 * fx / 3 < r.right)
        {
            char fitted[kRow + 1] = "";
            const int n = GetSmartString(graph, dc, &l->head, fitted, l->items[i].text, i, x + s + 4 * fx / 3,
                                         l->orientation);
            TextOutA(dc, x + s + 3 * fx / 2, y + 5 * h / 13, fitted, n);
        }
    }
    if (meta && font)
    {
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(font);
    }
}

// Entry rows for an RT object, each 41 characters and a zero: a handle's block (`raw`, rows 42
// apart, read no further than its size), a caller's string (read to its terminator and cut into
// 42-character fields), or the set's value labels.
std::vector<char> EntryRows(const char* texts, size_t size, bool raw, const DynDataSetDesc* set, int entries)
{
    std::vector<char> rows(static_cast<size_t>(std::max(entries, 1)) * kRow, '\0');
    if (texts && size > 0 && texts[0])
    {
        if (raw)
            std::memcpy(rows.data(), texts, std::min(size, rows.size()));
        else
        {
            std::memcpy(rows.data(), texts, std::min(strnlen(texts, size), rows.size() - 1));
            SplitString(rows.data(), kRow);
        }
    }
    else
    {
        for (int i = 0; i < entries && i < set->valueCount; ++i)
            std::memcpy(rows.data() + static_cast<size_t>(i) * kRow, set->labels[i],
                        strnlen(set->labels[i], RT_LABEL_MAX));
    }
    for (size_t end = kRow - 1; end < rows.size(); end += kRow)
        rows[end] = '\0';
    return rows;
}

WORD MakeDynLegend(GrDesc* graph, float left, float top, float right, float bottom, int frameColour, int frameWidth,
                   int textColour, int areaColour, int orientation, const char* texts, size_t size, bool handle,
                   WORD number, int textOnly)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    HDC dc = graph->buildDc;
    ObjDesc* object = number ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (number && object == nullptr)
        return 0;
    if (object && object->type >= RT_TYPE_FIRST)
    {
        auto* rt = reinterpret_cast<RtObjDesc*>(object);
        DynDataSetDesc* set = GetObjDataSet(rt);
        if (set == nullptr)
            return 0;
        const int entries = std::max(EntriesOf(rt, set), 0);
        const std::vector<char> rows = EntryRows(texts, size, handle, set, entries);
        ObjDesc* o = InitLeg(graph, dc, number, left, top, right, bottom, entries, frameColour, frameWidth, textColour,
                             areaColour, orientation, rows.data(), textOnly ? FALSE : TRUE);
        LegendDesc* l = AsDynLegend(o);
        if (l == nullptr)
            return 0;
        l->source = static_cast<SHORT>(number);
        l->shortSamples = textOnly ? 1 : 0;
        if (bottom == 0 && entries == 1)
            l->head.extent.bottom = l->head.extent.top + 4 * l->fontHeight / 3 +
                                    2 * frameWidth * std::max(graph->unitsPerPixelY, 1);
        l->head.draw = DynLegendPaint;
        return static_cast<WORD>(graph->cursor);
    }
    // No RT object: an ordinary legend of the graph's curves or of the plotkit group object.
    const float w = right > 0 ? right - left : 0, h = bottom > top ? bottom - top : 0;
    if (handle)
        return 0; // handled by the caller, which holds the handle
    if (texts == nullptr || texts[0] == '\0')
        return 0;
    return static_cast<WORD>(WGLegendGroupPtr(graph, dc, left, top, w, h, frameColour, frameWidth, textColour,
                                              areaColour, orientation, texts, number));
}

} // namespace

WORD DynLegendOfRows(GrDesc* graph, float left, float top, float right, float bottom, int frameColour,
                     int frameWidth, int textColour, int areaColour, int orientation, const char* rows, size_t size,
                     WORD number, int textOnly)
{
    return MakeDynLegend(graph, left, top, right, bottom, frameColour, frameWidth, textColour, areaColour,
                         orientation, rows, size, true, number, textOnly);
}

} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRDynLegend(GrDesc* graph, float left, float top, float right, float bottom, int frameColour,
                        int frameWidth, int textColour, int areaColour, int orientation, HGLOBAL texts, WORD number,
                        int textOnly)
{
    if (graph == nullptr)
        return 0;
    ObjDesc* object = number ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (number && object == nullptr)
        return 0;
    if (object == nullptr || object->type < RT_TYPE_FIRST)
    {
        if (texts == nullptr)
            return 0;
        const float w = right > 0 ? right - left : 0, h = bottom > top ? bottom - top : 0;
        return static_cast<WORD>(WGLegendGroup(graph, graph->buildDc, left, top, w, h, frameColour, frameWidth,
                                               textColour, areaColour, orientation, texts, number));
    }
    const char* block = texts ? static_cast<const char*>(GlobalLock(texts)) : nullptr;
    const size_t size = block ? GlobalSize(texts) : 0;
    const WORD made = MakeDynLegend(graph, left, top, right, bottom, frameColour, frameWidth, textColour, areaColour,
                                    orientation, block, size, true, number, textOnly);
    if (block)
        GlobalUnlock(texts);
    return made;
}

WORD WINAPI WRDynLegendPtr(GrDesc* graph, float left, float top, float right, float bottom, int frameColour,
                           int frameWidth, int textColour, int areaColour, int orientation, const char* texts,
                           WORD number, int textOnly)
{
    return MakeDynLegend(graph, left, top, right, bottom, frameColour, frameWidth, textColour, areaColour,
                         orientation, texts, texts ? std::strlen(texts) + 1 : 0, false, number, textOnly);
}

void WINAPI TextItemCoords(GrDesc* graph, ObjDesc* record, int k, int align, int* x, int* y)
{
    if (graph == nullptr || record == nullptr || x == nullptr || y == nullptr || k < 0)
        return;
    const RECT r = record->extent;
    LegendDesc* l = AsDynLegend(record);
    int fh = 0, count = 1, orientation = 0, frame = 0, itemWidth = 0;
    if (l)
    {
        fh = l->fontHeight;
        count = std::max(ShownCount(l), 1);
        orientation = l->orientation;
    }
    else if (record->type == RT_TYPE_DYN_TEXT)
    {
        auto* t = reinterpret_cast<DynTextDesc*>(record);
        fh = t->textHeight;
        count = t->shown >= 0 ? 1 : std::max<int>(t->valueCount, 1);
        orientation = t->layout == 1 ? 1 : 0;
        frame = t->frameWidth * std::max(graph->unitsPerPixelX, 1);
    }
    else
        return;
    if (k >= count)
        return;
    const int fx = WidthOfHeight(graph, fh);
    const int left = r.left + frame, right = r.right - frame;
    const bool centred = (align & 2) && (align & 4), rightAligned = (align & 2) && !centred;
    if (orientation == 0)
    {
        int px = left + (l ? fx : fx / 2);
        if (rightAligned)
            px = right - fx / 2;
        else if (centred)
            px = (left + right) / 2;
        const int rowHeight = (r.bottom - r.top) / count;
        *x = px;
        *y = r.top + rowHeight / 2 + k * rowHeight;
        return;
    }
    itemWidth = (right - left) / count;
    if (l && !graph->metafileDc)
        itemWidth = std::max(itemWidth, l->longestWidth + (l->shortSamples ? fx : 5 * fx));
    const int perRow = itemWidth > 0 ? (right - left) / itemWidth : 0;
    int px = 0, py = 0;
    if (perRow > 0)
    {
        const int rows = (count - 1) / perRow + 1;
        const int rowHeight = (r.bottom - r.top) / rows;
        px = left + fx + (k % perRow) * itemWidth;
        py = r.top + rowHeight / 2 + (k / perRow) * rowHeight;
    }
    else
    {
        const int rowHeight = (r.bottom - r.top) / count;
        px = left + fx + k * itemWidth;
        py = r.top + rowHeight / 2 + k * rowHeight;
    }
    if (centred)
        px += itemWidth / 2 - fx;
    else if (rightAligned)
        px += itemWidth - fx;
    *x = px;
    *y = py;
}
