// Legends (object type 3): a box on a graph listing a sample and a name per curve of the graph, per
// series of a group object or per slice of a pie chart, in a column or in rows, with an optional
// title line. A legend keeps its own copies of the texts it is given.
#include "Legend.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

LegendDesc* AsLegend(ObjDesc* o)
{
    return o && o->type == PK_TYPE_LEGEND ? reinterpret_cast<LegendDesc*>(o) : nullptr;
}

// An entry of a legend of the graph's curves: curves, floating bars and high-low-close groups.
bool IsLegendSource(ObjDesc* o)
{
    if (o == nullptr)
        return false;
    if (o->type == PK_TYPE_CURVE)
        return true;
    const int arrangement = GroupArrangement(o);
    return arrangement == 3 || arrangement == 6;
}

int Width(const RECT& r)
{
    return r.right - r.left;
}
int Height(const RECT& r)
{
    return r.bottom - r.top;
}

int TextWidth(HDC dc, const char* text)
{
    SIZE size{};
    const int n = static_cast<int>(std::strlen(text));
    if (n > 0)
        GetTextExtentPoint32(dc, text, n, &size);
    return size.cx;
}

// The longest entry text (items 1 to n), measured in the DC's selected font.
void MeasureLongest(HDC dc, LegendDesc* l)
{
    l->longestLength = 0;
    l->longestIndex = 0;
    l->longestWidth = 0;
    for (int i = 1; i < l->itemCount; ++i)
    {
        const int width = TextWidth(dc, l->items[i].text);
        if (width > l->longestWidth)
        {
            l->longestWidth = width;
            l->longestIndex = static_cast<SHORT>(i);
            l->longestLength = static_cast<SHORT>(std::strlen(l->items[i].text));
        }
    }
}

// The legend's font for one drawing or measurement, its height from the size in points.
class LegendFont
{
public:
    LegendFont(GrDesc* graph, HDC dc, LegendDesc* l, bool rederive) : dc_(dc)
    {
        if (rederive && l->font.currentSize > 0)
        {
            const int fh = PointsToLogSize(graph, dc, l->font.currentSize);
            if (fh > 0)
                l->font.logFont.lfHeight = -fh;
        }
        l->fontHeight = std::abs(l->font.logFont.lfHeight);
        font_ = CreateFontIndirect(&l->font.logFont);
        old_ = font_ ? SelectObject(dc, font_) : nullptr;
    }
    ~LegendFont()
    {
        if (old_)
            SelectObject(dc_, old_);
        if (font_)
            DeleteObject(font_);
    }
    LegendFont(const LegendFont&) = delete;
    LegendFont& operator=(const LegendFont&) = delete;

private:
    HDC dc_;
    HFONT font_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

void FlowItems(GrDesc* graph, LegendDesc* l, HDC dc, std::vector<POINT>& at);

// The indexes of the items drawn, in order (title first when shown).
std::vector<int> ShownItems(const LegendDesc* l)
{
    std::vector<int> shown;
    if (l->titleShown)
        shown.push_back(0);
    for (int i = 1; i < l->itemCount; ++i)
        if (l->items[i].shown)
            shown.push_back(i);
    return shown;
}

void CountShown(LegendDesc* l)
{
    l->linesShown = static_cast<SHORT>(ShownItems(l).size());
}

// Width of a sample and the room an item reserves for it.
int SampleWidth(const LegendDesc* l)
{
    return l->shortSamples ? l->fx : 3 * l->fx;
}
int SampleRoom(const LegendDesc* l, bool automatic)
{
    return l->fx * (l->shortSamples ? (automatic ? 2 : 1) : 6);
}

// The font height along x: the same length on the screen as fh along y.
int FontWidthX(const GrDesc* graph, int fh)
{
    if (graph->devWidth <= 0 || graph->logHeight <= 0)
        return fh;
    return static_cast<int>(static_cast<long long>(fh) * graph->logWidth * graph->devHeight /
                            (static_cast<long long>(graph->devWidth) * graph->logHeight));
}

void SetFontMetrics(GrDesc* graph, LegendDesc* l)
{
    l->fx = std::max(1, FontWidthX(graph, l->fontHeight));
}

void UpdateItemWidth(LegendDesc* l)
{
    l->itemWidth = l->longestWidth + SampleRoom(l, false);
    if (l->orientation == 1 && l->itemCount > 0)
        l->itemWidth = std::max<INT>(l->itemWidth, Width(l->head.extent) / l->itemCount);
}

// Where sample and text of each shown item go.
std::vector<POINT> ItemPositions(GrDesc* graph, LegendDesc* l, HDC dc, const std::vector<int>& shown)
{
    std::vector<POINT> at;
    if (l->orientation == 1)
        FlowItems(graph, l, dc, at);
    else
        for (size_t i = 0; i < shown.size(); ++i)
        {
            POINT p{};
            LegItemCoords(graph, &l->head, static_cast<int>(i), 0, reinterpret_cast<int*>(&p.x),
                          reinterpret_cast<int*>(&p.y));
            at.push_back(p);
        }
    return at;
}

// Rows as flowing text: an item that would not start inside the legend, or whose half text would
// not fit, opens a new row at the left edge.
void FlowItems(GrDesc*, LegendDesc* l, HDC dc, std::vector<POINT>& at)
{
    const RECT r = Ordered(l->head.extent);
    const int g = l->fx * 4 / 3 + SampleWidth(l) + l->fx;
    const std::vector<int> shown = ShownItems(l);
    std::vector<int> rowOf;
    std::vector<int> xs;
    int x = r.left, row = 0;
    for (size_t n = 0; n < shown.size(); ++n)
    {
        const int tw = TextWidth(dc, l->items[shown[n]].text);
        // Items past the 49th keep flowing the same way.
        if (n > 0 && (x + g > r.right || x + g + tw / 2 > r.right))
        {
            ++row;
            xs.push_back(r.left);
            x = r.left + g + tw;
        }
        else
        {
            xs.push_back(x);
            x += g + tw;
        }
        rowOf.push_back(row);
    }
    const int rows = row + 1;
    const int rowHeight = Height(r) / rows;
    for (size_t n = 0; n < xs.size(); ++n)
        at.push_back(POINT{xs[n] + l->fx, r.top + rowHeight / 2 + rowOf[n] * rowHeight}); // after the margin
}

COLORREF SourceColor(GrDesc* graph, LegendDesc* l, int item)
{
    MemberSample sample;
    ObjDesc* o = ObjectAt(graph, l->items[item].source);
    if (o == nullptr)
        return RGB(0, 0, 0);
    const int member = l->items[item].member;
    if (PieSliceSample(o, member, sample) || GroupMemberSample(o, member, sample))
        return sample.kind == 0 ? sample.line.color : sample.color;
    if (o->type == PK_TYPE_CURVE)
    {
        auto* c = reinterpret_cast<CurveDesc*>(o);
        if (c->head.subKind >= 6 && c->head.subKind <= 9)
            return c->barColor;
        if (c->head.subKind == 5)
            return WGGetRGBColor(c->markerColor);
    }
    return o->line.color;
}

void DrawLineSample(HDC dc, const LineDesc& line, int x1, int x2, int y)
{
    LOGPEN lp{static_cast<UINT>(line.style), POINT{line.widthX, 0}, line.color};
    HPEN pen = CreatePenIndirect(&lp);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y, nullptr);
    LineTo(dc, x2, y);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void DrawBoxSample(HDC dc, const RECT& box, COLORREF color, int hatch, const LineDesc* border, bool threeD,
                   int depthX, int depthY)
{
    HPEN pen = nullptr;
    if (border)
    {
        LOGPEN lp{static_cast<UINT>(border->style), POINT{border->widthX, 0}, border->color};
        pen = CreatePenIndirect(&lp);
    }
    HGDIOBJ oldPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
    if (threeD)
    {
        // Top and side faces in the shade of the fill, behind the front face.
        HBRUSH shade = CreateSolidBrush(WGCreateShadeColor(color));
        HGDIOBJ oldBrush = SelectObject(dc, shade);
        const POINT topFace[4] = {{box.left, box.top},
                                  {box.left + depthX, box.top - depthY},
                                  {box.right + depthX, box.top - depthY},
                                  {box.right, box.top}};
        Polygon(dc, topFace, 4);
        const POINT side[4] = {{box.right, box.top},
                               {box.right + depthX, box.top - depthY},
                               {box.right + depthX, box.bottom - depthY},
                               {box.right, box.bottom}};
        Polygon(dc, side, 4);
        SelectObject(dc, oldBrush);
        DeleteObject(shade);
    }
    HBRUSH brush = CreateBarBrush(dc, hatch >= 0 && hatch <= 5 ? hatch : -1, color);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
    SelectObject(dc, oldPen);
    if (pen)
        DeleteObject(pen);
}

// The sample of one item at (x, y): what its source object looks like.
void DrawSample(GrDesc* graph, HDC dc, LegendDesc* l, int item, int x, int y, int right)
{
    ObjDesc* o = ObjectAt(graph, l->items[item].source);
    if (o == nullptr || item == 0) // the title has no sample
        return;
    const int fh = l->fontHeight, w = SampleWidth(l);
    const int lineEnd = std::min(x + w, right);
    const RECT box{x, y + 8 * fh / 15 - fh, std::min(x + w, right), y + 8 * fh / 15};
    const int member = l->items[item].member;
    MemberSample sample;
    if (PieSliceSample(o, member, sample) || GroupMemberSample(o, member, sample))
    {
        if (sample.kind == 0)
            DrawLineSample(dc, sample.line, x, lineEnd, y);
        else
            DrawBoxSample(dc, box, sample.color, sample.hatch, sample.kind == 1 ? &sample.line : nullptr,
                          sample.threeD, std::max(1, l->fx / 4), std::max(1, l->fx / 4));
        return;
    }
    if (o->type != PK_TYPE_CURVE)
        return;
    auto* c = reinterpret_cast<CurveDesc*>(o);
    const int kind = c->head.subKind;
    if (kind >= 6 && kind <= 9)
    {
        const LineDesc* border = c->markerStyle == 2 ? &c->head.line : nullptr;
        DrawBoxSample(dc, box, c->barColor, c->hatch, border, kind >= 8, std::max(1, l->fx / 4),
                      std::max(1, l->fx / 4));
    }
    else if (kind == 3 && c->fillArea)
        DrawBoxSample(dc, box, c->head.line.color, 255, nullptr, false, 0, 0);
    else
    {
        if (kind != 5)
            DrawLineSample(dc, c->head.line, x, lineEnd, y);
        if (kind == 4 || kind == 5)
            DrawCurveMarker(graph, dc, c, (x + lineEnd) / 2, y, fh);
    }
}

void DrawLegend(GrDesc* graph, HDC dc)
{
    LegendDesc* l = AsLegend(graph->currentObject);
    if (l == nullptr || l->linesShown <= 0)
        return;
    const bool recording = RecordsMetafile(graph);
    const int before = l->fontHeight;
    LegendFont font(graph, dc, l, !recording && !graph->printCopy);
    SetFontMetrics(graph, l);
    if (l->fontHeight != before || l->measure)
    {
        MeasureLongest(dc, l);
        UpdateItemWidth(l);
        l->measure = 0;
    }
    const RECT r = Ordered(l->head.extent);
    TopDesc* top = graph->page ? graph->page->top : nullptr;
    if (l->areaColor != -1 || l->border)
    {
        HBRUSH made = nullptr;
        HGDIOBJ brush = nullptr;
        if (l->areaColor < 0)
            brush = GetStockObject(NULL_BRUSH);
        else if (graph->printCopy && !(top && top->printPlotBackground))
            brush = GetStockObject(WHITE_BRUSH);
        else
            brush = made = CreateSolidBrush(WGGetRGBColor(l->areaColor));
        HPEN pen = nullptr;
        if (l->border)
        {
            LOGPEN lp{static_cast<UINT>(l->head.line.style), POINT{l->head.line.widthX, 0},
                      l->head.line.color};
            pen = CreatePenIndirect(&lp);
        }
        HGDIOBJ oldPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        SetROP2(dc, l->head.flash ? R2_NOTCOPYPEN : R2_COPYPEN);
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SetROP2(dc, R2_COPYPEN);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        if (pen)
            DeleteObject(pen);
        if (made)
            DeleteObject(made);
    }
    const std::vector<int> shown = ShownItems(l);
    const std::vector<POINT> at = ItemPositions(graph, l, dc, shown);
    SetBkMode(dc, TRANSPARENT);
    const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    const int textOffset = SampleWidth(l) + l->fx * 4 / 3;
    for (size_t n = 0; n < shown.size() && n < at.size(); ++n)
    {
        const int item = shown[n];
        const int x = at[n].x, y = at[n].y;
        DrawSample(graph, dc, l, item, x, y, r.right);
        const int start = x + textOffset;
        if (start >= r.right)
            continue;
        char text[kLegendText + 1] = {};
        const int length =
            GetSmartString(graph, dc, &l->head, text, l->items[item].text, item, start, l->orientation);
        SetTextColor(dc, l->font.colorIndex >= 0 ? WGGetRGBColor(l->font.colorIndex)
                                                 : SourceColor(graph, l, item));
        TextOut(dc, start, y + 5 * l->fontHeight / 12, text, length);
    }
    SetTextAlign(dc, oldAlign);
}

BOOL CopyLegend(GrDesc*, const ObjDesc* source, ObjDesc* copy)
{
    auto* s = reinterpret_cast<const LegendDesc*>(source);
    auto* c = reinterpret_cast<LegendDesc*>(copy);
    c->items = static_cast<LegendItem*>(std::calloc(std::max<int>(1, s->itemCount), sizeof(LegendItem)));
    if (c->items == nullptr)
        return FALSE;
    std::memcpy(c->items, s->items, sizeof(LegendItem) * std::max<int>(0, s->itemCount));
    return TRUE;
}

void ReleaseLegend(GrDesc*, ObjDesc* object)
{
    auto* l = reinterpret_cast<LegendDesc*>(object);
    std::free(l->items);
    l->items = nullptr;
}

const bool registered = []
{
    PlotObjectType t{};
    t.type = PK_TYPE_LEGEND;
    t.size = sizeof(LegendDesc);
    t.draw = DrawLegend;
    t.hitPass = 3;
    t.copy = CopyLegend;
    t.release = ReleaseLegend;
    RegisterOwnObjectType(t);
    return true;
}();

// The legend an accessor works on: null without a message when the object is no legend.
LegendDesc* LegendAt(GrDesc* graph, int number)
{
    if (graph == nullptr || (!IsLiveGraph(graph) && !IsTempGraph(graph)))
        return nullptr;
    return AsLegend(ObjectAt(graph, number));
}

// Texts 42 characters apart; `size` bytes may be read (the block's size when known).
struct EntryTexts
{
    const char* base = nullptr;
    size_t size = 0;
};

ObjDesc* MakeLegend(GrDesc* graph, HDC dc, int group, float left, float top, float right, float bottom,
                    int count, int frameColor, int frameWidth, int textColor, int areaColor, int orientation,
                    EntryTexts texts, bool longSamples)
{
    if (!CheckGraph(graph))
        return nullptr;
    ObjDesc* source = group ? ObjectAt(graph, group) : nullptr;
    int kind = 0, entries = 0;
    std::vector<SHORT> sources;
    if (count > 0)
        kind = 2;
    else if (group)
        kind = 1;
    if (kind == 1)
    {
        if (source == nullptr)
        {
            ErrHdlr(56, 0, nullptr);
            return nullptr;
        }
        entries = source->type == PK_TYPE_PIECHART ? PieSliceCount(source) : GroupMemberCount(source);
        if (entries <= 0)
        {
            ReportIllFunc(source);
            return nullptr;
        }
    }
    else
    {
        for (int n = 1; n <= graph->capacity; ++n)
            if (IsLegendSource(ObjectAt(graph, n)))
                sources.push_back(static_cast<SHORT>(n));
        entries = kind == 2 ? count : static_cast<int>(sources.size());
    }
    entries = std::clamp(entries, 0, 32766);
    auto* items = static_cast<LegendItem*>(std::calloc(entries + 1, sizeof(LegendItem)));
    ObjDesc* o = items ? NewObjDesc(graph, PK_TYPE_LEGEND, 1) : nullptr;
    if (o == nullptr)
    {
        if (items == nullptr)
            ErrHdlr(53, 0, nullptr);
        std::free(items);
        return nullptr;
    }
    auto* l = reinterpret_cast<LegendDesc*>(o);
    l->items = items;
    l->kind = static_cast<SHORT>(kind);
    l->itemCount = static_cast<SHORT>(entries + 1);
    l->source = static_cast<SHORT>(kind == 1 ? group : 0);
    items[0].source = l->source;
    for (int i = 1; i <= entries; ++i)
    {
        LegendItem& item = items[i];
        item.shown = 1;
        // A group or pie named with a given count gives its series or slices in order.
        if (kind == 1 || (kind == 2 && source && (PieSliceCount(source) > 0 || GroupMemberCount(source) > 0)))
        {
            item.source = static_cast<SHORT>(group);
            item.member = static_cast<SHORT>(i - 1);
        }
        else if (i - 1 < static_cast<int>(sources.size()))
            item.source = sources[i - 1];
        if (texts.base)
        {
            const size_t offset = static_cast<size_t>(i - 1) * kLegendText;
            if (offset < texts.size)
            {
                const size_t room = std::min<size_t>(kLegendText, texts.size - offset);
                const char* entry = texts.base + offset;
                std::memcpy(item.text, entry, strnlen(entry, room));
            }
        }
    }
    l->titleShown = 0;
    l->shortSamples = longSamples ? 0 : 1;
    if (TopDesc* t = graph->page ? graph->page->top : nullptr)
        l->font = t->defaultFont;
    l->font.text = nullptr;
    l->font.textCapacity = 0;
    l->border = frameColor >= 0 ? 1 : 0;
    SetLine(graph, dc, &l->head.line, 0, std::max(frameColor, 0), 0, frameWidth);
    l->head.line.window = graph->window;
    l->font.colorIndex = static_cast<SHORT>(textColor);
    l->areaColor = static_cast<SHORT>(areaColor < 0 ? -1 : areaColor);
    l->orientation = orientation == 1 ? 1 : 0;
    o->extent.left = static_cast<LONG>(left * graph->logWidth);
    o->extent.top = static_cast<LONG>(top * graph->logHeight);
    CountShown(l);
    {
        LegendFont font(graph, dc, l, true);
        SetFontMetrics(graph, l);
        MeasureLongest(dc, l);
    }
    l->itemWidth = l->longestWidth + SampleRoom(l, false);
    if (right == 0)
        CalcLegendSize(graph, o);
    else
    {
        o->extent.right = static_cast<LONG>(right * graph->logWidth);
        o->extent.bottom = static_cast<LONG>(bottom * graph->logHeight);
        UpdateItemWidth(l);
    }
    return o;
}

// A legend's texts given as one string: a copy cut into 42-character pieces, each ended with a
// zero in its last place. The caller's string is never written.
std::vector<char> SplitCopy(const char* text)
{
    if (text == nullptr)
        return {};
    const size_t length = std::strlen(text);
    std::vector<char> copy((length / kLegendText + 2) * kLegendText, '\0');
    std::memcpy(copy.data(), text, length);
    SplitString(copy.data(), kLegendText);
    // Every piece ends in a zero, also the last one when it is shorter than a piece.
    for (size_t at = kLegendText - 1; at < copy.size(); at += kLegendText)
        copy[at] = '\0';
    return copy;
}

int Finish(GrDesc* graph, ObjDesc* o)
{
    return o ? CommitObjDesc(graph) : 0;
}

int FromHandle(GrDesc* graph, HDC dc, int group, float x, float y, float w, float h, int frameColor,
               int frameWidth, int textColor, int areaColor, int orientation, HGLOBAL texts)
{
    EntryTexts entries;
    if (texts)
    {
        entries.base = static_cast<const char*>(GlobalLock(texts));
        entries.size = entries.base ? GlobalSize(texts) : 0;
    }
    ObjDesc* o = MakeLegend(graph, dc, group, x, y, w > 0 ? x + w : 0, y + h, 0, frameColor, frameWidth,
                            textColor, areaColor, orientation, entries, true);
    if (entries.base)
        GlobalUnlock(texts);
    return Finish(graph, o);
}

int FromString(GrDesc* graph, HDC dc, int group, float x, float y, float w, float h, int frameColor,
               int frameWidth, int textColor, int areaColor, int orientation, const char* texts)
{
    std::vector<char> copy = SplitCopy(texts);
    EntryTexts entries{copy.empty() ? nullptr : copy.data(), copy.size()};
    ObjDesc* o = MakeLegend(graph, dc, group, x, y, w > 0 ? x + w : 0, y + h, 0, frameColor, frameWidth,
                            textColor, areaColor, orientation, entries, true);
    return Finish(graph, o);
}

} // namespace

char* LegendItemText(ObjDesc* o, int item, int* capacity)
{
    LegendDesc* l = AsLegend(o);
    if (l == nullptr || item < 0 || item >= l->itemCount)
        return nullptr;
    if (capacity)
        *capacity = kLegendText;
    l->measure = 1;
    return l->items[item].text;
}

} // namespace plotkit

using namespace plotkit;

ObjDesc* WINAPI InitLeg(GrDesc* graph, HDC dc, int group, float left, float top, float right, float bottom,
                        int count, int frameColor, int frameWidth, int textColor, int areaColor,
                        int orientation, const char* texts, BOOL longSamples)
{
    // A bare pointer: each entry is read up to its 42 characters or its zero.
    EntryTexts entries{texts, texts ? static_cast<size_t>(-1) : 0};
    ObjDesc* o = MakeLegend(graph, dc, group, left, top, right, bottom, count, frameColor, frameWidth,
                            textColor, areaColor, orientation, entries, longSamples != 0);
    if (o)
        CommitObjDesc(graph);
    return o;
}

int WINAPI WGLegend(GrDesc* graph, HDC dc, float x, float y, float w, float h, int frameColor, int frameWidth,
                    int textColor, int areaColor, int orientation, HGLOBAL texts)
{
    return FromHandle(graph, dc, 0, x, y, w, h, frameColor, frameWidth, textColor, areaColor, orientation,
                      texts);
}

int WINAPI WGLegendPtr(GrDesc* graph, HDC dc, float x, float y, float w, float h, int frameColor,
                       int frameWidth, int textColor, int areaColor, int orientation, const char* texts)
{
    return FromString(graph, dc, 0, x, y, w, h, frameColor, frameWidth, textColor, areaColor, orientation,
                      texts);
}

int WINAPI WGAutoLegend(GrDesc* graph, HDC dc, float x, float y, int frameColor, int frameWidth,
                        int textColor, int areaColor, int orientation, HGLOBAL texts)
{
    return FromHandle(graph, dc, 0, x, y, 0, 0, frameColor, frameWidth, textColor, areaColor, orientation,
                      texts);
}

int WINAPI WGAutoLegendGroup(GrDesc* graph, HDC dc, float x, float y, int frameColor, int frameWidth,
                             int textColor, int areaColor, int orientation, HGLOBAL texts, int group)
{
    return FromHandle(graph, dc, group, x, y, 0, 0, frameColor, frameWidth, textColor, areaColor, orientation,
                      texts);
}

int WINAPI WGLegendGroup(GrDesc* graph, HDC dc, float x, float y, float w, float h, int frameColor,
                         int frameWidth, int textColor, int areaColor, int orientation, HGLOBAL texts,
                         int group)
{
    return FromHandle(graph, dc, group, x, y, w, h, frameColor, frameWidth, textColor, areaColor, orientation,
                      texts);
}

int WINAPI WGLegendGroupPtr(GrDesc* graph, HDC dc, float x, float y, float w, float h, int frameColor,
                            int frameWidth, int textColor, int areaColor, int orientation, const char* texts,
                            int group)
{
    return FromString(graph, dc, group, x, y, w, h, frameColor, frameWidth, textColor, areaColor, orientation,
                      texts);
}

void WINAPI CalcLegendSize(GrDesc* graph, ObjDesc* legend)
{
    LegendDesc* l = AsLegend(legend);
    if (graph == nullptr || l == nullptr)
        return;
    RECT& r = l->head.extent;
    const int lh = l->fontHeight * 4 / 3;
    const int lines = std::max<int>(l->linesShown, 1);
    if (l->orientation == 0)
    {
        r.right = r.left + SampleRoom(l, true) + l->longestWidth;
        r.bottom = r.top + (l->linesShown + 1) * lh - lh / 4;
        return;
    }
    const int w = l->longestWidth + SampleRoom(l, true);
    const int room = graph->logWidth - r.left - 2 * l->fx;
    const int needed = lines * w + 2 * l->fx;
    int rows = 1;
    if (needed > room)
    {
        const int perRow = std::max(1, room / std::max(1, w));
        rows = (lines - 1) / perRow + 1;
        r.right = r.left + perRow * w + l->fx;
        l->itemWidth = w;
    }
    else
    {
        r.right = r.left + needed;
        l->itemWidth = std::max(w, needed / lines);
    }
    r.bottom = r.top + rows * lh + lh / 3;
}

void WINAPI LegItemCoords(GrDesc* graph, ObjDesc* legend, int i, int align, int* x, int* y)
{
    LegendDesc* l = AsLegend(legend);
    if (graph == nullptr || l == nullptr || x == nullptr || y == nullptr)
        return;
    const RECT r = Ordered(l->head.extent);
    const int lines = std::max<int>(l->linesShown, 1);
    if (l->orientation == 0)
    {
        const int rowHeight = Height(r) / lines;
        *y = r.top + i * rowHeight + rowHeight / 2;
        *x = align == 2 ? r.right - l->fx : align == 6 ? (r.left + r.right) / 2 : r.left + l->fx;
        return;
    }
    if (!RecordsMetafile(graph))
        l->itemWidth = std::max(6 * l->fx + l->longestWidth, Width(r) / lines);
    const int perRow = std::max(1, Width(r) / std::max<int>(1, l->itemWidth));
    const int rows = (lines - 1) / perRow + 1;
    const int rowHeight = Height(r) / rows;
    *x = r.left + l->fx + (i % perRow) * l->itemWidth;
    *y = r.top + rowHeight / 2 + (i / perRow) * rowHeight;
    if (align == 6)
        *x += l->itemWidth / 2 - 5 * l->fx / 3;
    else if (align == 2)
        *x += l->itemWidth - 5 * l->fx / 3;
}

int WINAPI GetSmartString(GrDesc* graph, HDC dc, ObjDesc* legend, char* out, const char* text, int,
                          int startX, int)
{
    LegendDesc* l = AsLegend(legend);
    if (out == nullptr)
        return 0;
    std::memset(out, 0, kLegendText);
    if (graph == nullptr || dc == nullptr || l == nullptr || text == nullptr)
        return 0;
    const int room = Ordered(l->head.extent).right - startX;
    int n = 0;
    while (n < kLegendText - 1 && text[n])
    {
        out[n] = text[n];
        ++n;
        if (TextWidth(dc, out) >= room)
        {
            // Cut so that what is kept ends in "..".
            if (n >= 2)
            {
                out[n - 1] = '\0';
                --n;
                out[n - 1] = '.';
                if (n >= 2)
                    out[n - 2] = '.';
            }
            break;
        }
    }
    return static_cast<int>(std::strlen(out));
}

void WINAPI WGCalculateAutomaticLegendBox(GrDesc* graph, int number, int orientation, float* w, float* h)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr || graph->logWidth <= 0 || graph->logHeight <= 0)
        return;
    HDC dc = GetMappedDC(graph);
    if (dc == nullptr)
        return;
    float width = 0, height = 0;
    {
        LegendFont font(graph, dc, l, !RecordsMetafile(graph));
        SetFontMetrics(graph, l);
        const float m = static_cast<float>(3 * l->fx + 4 * l->fx / 3 + l->fx) / graph->logWidth;
        const std::vector<int> shown = ShownItems(l);
        const int n = static_cast<int>(shown.size());
        SIZE size{};
        GetTextExtentPoint32(dc, "0", 1, &size);
        const float textHeight = static_cast<float>(size.cy) / graph->logHeight;
        if (orientation == 0)
        {
            std::string longest;
            int longestWidth = -1;
            for (int item : shown)
            {
                const int tw = TextWidth(dc, l->items[item].text);
                if (tw > longestWidth)
                {
                    longestWidth = tw;
                    longest = l->items[item].text;
                }
            }
            if (longest.size() < 41)
                longest += "0";
            width = std::min(0.5f, m + static_cast<float>(TextWidth(dc, longest.c_str())) / graph->logWidth);
            height = n * textHeight + 0.333f * textHeight * std::max(0, n - 1);
        }
        else
        {
            float total = 0;
            for (int item : shown)
                total += static_cast<float>(TextWidth(dc, l->items[item].text)) / graph->logWidth;
            total += n * m;
            const int k = static_cast<int>(total / 0.6f);
            width = k > 0 ? 0.6f : total;
            height = textHeight * 1.3f * static_cast<float>(k + 1);
        }
    }
    ReleaseDC(graph->window, dc);
    if (w)
        *w = width;
    if (h)
        *h = height;
}

void* WINAPI WGGetLegendDesc(GrDesc* graph, int number)
{
    return LegendAt(graph, number);
}

int WINAPI WGGetLegendBorder(GrDesc* graph, int number)
{
    LegendDesc* l = LegendAt(graph, number);
    return l ? l->border : 0;
}

int WINAPI WGSetLegendBorder(GrDesc* graph, int number, int on)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr)
        return 0;
    l->border = on ? 1 : 0;
    return 1;
}

COLORREF WINAPI WGGetLegendBorderColor(GrDesc* graph, int number)
{
    LegendDesc* l = LegendAt(graph, number);
    return l ? l->head.line.color : 0;
}

int WINAPI WGSetLegendBorderColor(GrDesc* graph, int number, COLORREF color)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr)
        return 0;
    // A palette index (0-19) or an RGB value, as the graph's line colours.
    const int index = color <= 19 ? static_cast<int>(color) : -1;
    SetLine(graph, nullptr, &l->head.line, l->head.line.style, index, color, l->head.line.pixelWidth);
    return 1;
}

int WINAPI WGGetLegendBorderStyle(GrDesc* graph, int number)
{
    LegendDesc* l = LegendAt(graph, number);
    return l ? l->head.line.style : 0;
}

int WINAPI WGSetLegendBorderStyle(GrDesc* graph, int number, int style)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr || style < 0 || style > 6)
        return 0;
    l->head.line.style = style;
    return 1;
}

int WINAPI WGGetLegendBorderWidth(GrDesc* graph, int number)
{
    LegendDesc* l = LegendAt(graph, number);
    return l ? l->head.line.pixelWidth : 0;
}

int WINAPI WGSetLegendBorderWidth(GrDesc* graph, int number, int width)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr || width < 0)
        return 0;
    SetLine(graph, nullptr, &l->head.line, l->head.line.style, l->head.line.paletteIndex, l->head.line.color,
            width);
    return 1;
}

int WINAPI WGGetLegendAreaColor(GrDesc* graph, int number)
{
    LegendDesc* l = LegendAt(graph, number);
    return l ? l->areaColor : 0;
}

int WINAPI WGSetLegendAreaColor(GrDesc* graph, int number, int color)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr)
        return 0;
    l->areaColor = static_cast<SHORT>(color < 0 ? -1 : color);
    return 1;
}

int WINAPI WGGetLegendOrientation(GrDesc* graph, int number)
{
    LegendDesc* l = LegendAt(graph, number);
    return l ? l->orientation : 0;
}

int WINAPI WGSetLegendOrientation(GrDesc* graph, int number, int orientation)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr)
        return 0;
    l->orientation = orientation == 1 ? 1 : 0;
    return 1;
}

int WINAPI WGIsObjectVisible(GrDesc* graph, int number)
{
    if (graph == nullptr || (!IsLiveGraph(graph) && !IsTempGraph(graph)))
        return 0;
    ObjDesc* o = ObjectAt(graph, number);
    return o ? o->visible : 0;
}

int WINAPI WGMarkLineLegend(GrDesc* graph, int number, int item, int on)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr || item < 1 || item >= l->itemCount)
        return 0;
    l->items[item].shown = on ? 1 : 0;
    CountShown(l);
    return 1;
}

int WINAPI WGSetLegendTitle(GrDesc* graph, int number, const char* text)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr)
        return 0;
    std::memset(l->items[0].text, 0, sizeof l->items[0].text);
    if (text)
        std::strncpy(l->items[0].text, text, kLegendText - 1);
    return 1;
}

int WINAPI WGShowLegendTitle(GrDesc* graph, int number, int on)
{
    LegendDesc* l = LegendAt(graph, number);
    if (l == nullptr)
        return 0;
    l->titleShown = on ? 1 : 0;
    CountShown(l);
    return on;
}
