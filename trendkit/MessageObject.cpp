// Message object (type 108, subtype 1): a framed box that shows one of up to eight fixed texts, each
// in its own colour, chosen by the lowest set bit of a window of the data set's bit word.
#include "TrendkitInternal.h"

#include <algorithm>
#include <cstring>

namespace trendkit
{
namespace
{

enum
{
    MESSAGE_SUBTYPE = 1,
    ROW = RT_MESSAGE_MAX + 1, // characters per row of the caller's text array
};

int PixelsX(GrDesc* graph, int n)
{
    return n * std::max(graph->unitsPerPixelX, 1);
}

int PixelsY(GrDesc* graph, int n)
{
    return n * std::max(graph->unitsPerPixelY, 1);
}

// Copies at most 41 characters of a row that may lack its terminator; the row itself stays as it is.
void CopyMessageText(MessageRec& rec, const char* row)
{
    const size_t n = strnlen(row, RT_MESSAGE_MAX);
    std::memcpy(rec.text, row, n);
    rec.text[n] = '\0';
}

// Measures every message in the object's font; returns the widest.
int MeasureTexts(GrDesc* graph, MessageDesc* object)
{
    HDC dc = graph->buildDc;
    if (dc == nullptr || graph->metafileDc)
        return object->widest;
    HFONT font = ConfigureText(graph, dc, &object->font, 0);
    int widest = 0;
    for (int k = 0; k < object->count; ++k)
    {
        MessageRec& rec = object->messages[k];
        SIZE size{};
        if (rec.text[0])
            GetTextExtentPoint32A(dc, rec.text, static_cast<int>(std::strlen(rec.text)), &size);
        rec.width = size.cx;
        widest = std::max(widest, rec.width);
    }
    if (font)
        DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
    return widest;
}

// The message the bit word chooses, -1 for none: the lowest set bit of the window wins.
int ChosenMessage(const MessageDesc* object)
{
    const DynDataSetDesc* set = object->rt.dataSet;
    for (int k = 0; k < object->count; ++k)
    {
        const int bit = object->firstBit + k;
        if (bit < 0 || bit > 31)
            continue;
        if (set->bits & (1u << bit))
            return k;
    }
    return -1;
}

void DrawMessage(GrDesc* graph, HDC dc, MessageDesc* object)
{
    if (dc == nullptr || !IsDynDataSetValid(object->rt.dataSet))
        return;
    int k = ChosenMessage(object);
    if (k < 0)
    {
        // Nothing chosen: the box keeps the last text, also when it is painted again.
        if (!object->drawAll || object->current < 0)
            return;
        k = object->current;
    }
    if (k == object->current && !object->drawAll)
        return;
    if (k != object->current)
    {
        object->previous = object->current;
        object->current = static_cast<SHORT>(k);
    }
    const MessageRec& rec = object->messages[k];
    HFONT font = ConfigureText(graph, dc, &object->font, WGGetRGBColor(rec.color));
    const RECT& r = object->rt.head.extent;
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    const int x = (r.left + r.right) / 2;
    const int y = (r.top + r.bottom) / 2 + (5 * object->textHeight) / 13 - PixelsY(graph, 1);
    if (object->background >= 0 && !IsCopying(graph))
    {
        RECT inside = r;
        GrowRect(&inside, -PixelsX(graph, object->frameWidth + 1), -PixelsY(graph, object->frameWidth + 1));
        SetBkColor(dc, WGGetRGBColor(object->background));
        ExtTextOutA(dc, x, y, ETO_OPAQUE, &inside, "", 0, nullptr);
    }
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, x, y, rec.text, static_cast<int>(std::strlen(rec.text)));
    if (font)
        DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
}

void PaintMessage(GrDesc* graph, HDC dc)
{
    auto* object = reinterpret_cast<MessageDesc*>(graph->currentObject);
    if (object == nullptr || object->rt.head.type != RT_TYPE_MESSAGE)
        return;
    const RECT& r = object->rt.head.extent;
    if (!IsCopying(graph))
    {
        if (!RectVisible(dc, &r))
            return;
        const int points = object->font.currentSize ? object->font.currentSize : 10;
        object->textHeight = PointsToLogSize(graph, graph->buildDc ? graph->buildDc : dc, points);
        object->font.logFont.lfHeight = -object->textHeight;
    }
    const int oldRop = SetROP2(dc, object->rt.head.flash ? R2_NOTCOPYPEN : R2_COPYPEN);
    if (object->background >= 0 || object->frame)
    {
        const bool printing = graph->printCopy != nullptr && dc == graph->printCopy;
        HBRUSH brush = nullptr;
        if (object->background >= 0 && !(printing && !(Lib().top && Lib().top->printPlotBackground)))
            brush = CreateSolidBrush(WGGetRGBColor(object->background));
        HGDIOBJ oldBrush = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
        HPEN pen = nullptr;
        if (object->frame)
        {
            const LineDesc& line = object->rt.head.line;
            LOGPEN lp{};
            lp.lopnStyle = static_cast<UINT>(line.style);
            lp.lopnWidth.x = line.widthX;
            lp.lopnColor = line.color;
            pen = CreatePenIndirect(&lp);
        }
        HGDIOBJ oldPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        if (pen)
            DeleteObject(pen);
        if (brush)
            DeleteObject(brush);
    }
    SetROP2(dc, oldRop);
    object->drawAll = 1;
    DrawMessage(graph, dc, object);
    object->drawAll = 0;
}

void UpdateMessage(GrDesc* graph, RtObjDesc* rt)
{
    auto* object = reinterpret_cast<MessageDesc*>(rt);
    HDC dc = graph->buildDc;
    if (dc == nullptr || !IsDynDataSetValid(object->rt.dataSet))
        return;
    SetGraphClip(graph, dc);
    if (object->background < 0)
    {
        // A transparent text cannot be erased: the window repaints the inside of the box.
        if (IsCopying(graph))
            return;
        const int k = ChosenMessage(object);
        if (k < 0 || k == object->current)
            return;
        RECT inside = object->rt.head.extent;
        GrowRect(&inside, -PixelsX(graph, object->frameWidth + 1), -PixelsY(graph, object->frameWidth + 1));
        LPtoDP(dc, reinterpret_cast<POINT*>(&inside), 2);
        InvalidateGraphRect(graph, &inside);
        return;
    }
    DrawMessage(graph, dc, object);
}

// After a text change: the box grows to the widest text, never shrinks.
void MeasureMessage(GrDesc* graph, MessageDesc* object)
{
    const int cell = object->widest + TextHeightInX(graph, object->textHeight);
    if (cell <= object->cellWidth)
        return;
    object->cellWidth = cell;
    RECT& r = object->rt.head.extent;
    r.right = r.left + cell;
    r.bottom = r.top + (4 * object->textHeight) / 3 + object->rt.head.line.widthY;
    if (object->frame)
    {
        r.right += PixelsX(graph, object->frameWidth + 2);
        r.bottom += PixelsY(graph, object->frameWidth + 1);
    }
}

bool HitMessage(GrDesc*, RtObjDesc* rt, POINT p)
{
    return PointInRect(rt->head.extent, p);
}

// The message record `number` of `graph`, or null with the error reported.
MessageDesc* MessageObject(GrDesc* graph, WORD number, int message, const char* name)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return nullptr;
    ObjDesc* head = GetObjDesc(graph, number, nullptr);
    if (head == nullptr)
    {
        ErrHdlr(56, 2, name);
        return nullptr;
    }
    if (message < 0 || message >= RT_MESSAGES)
    {
        ErrHdlr(30, 2, name);
        return nullptr;
    }
    // Writing a message into a record of another type would overwrite it.
    if (head->type != RT_TYPE_MESSAGE)
    {
        ReportIllFunc(head);
        return nullptr;
    }
    return reinterpret_cast<MessageDesc*>(head);
}

} // namespace

void RegisterTextTypes()
{
    RtObjectType message;
    message.type = RT_TYPE_MESSAGE;
    message.size = sizeof(MessageDesc);
    message.hitBox = HitMessage;
    message.edit = EditMessage;
    RegisterRtType(message);
}

} // namespace trendkit

using namespace trendkit;

WORD WINAPI WRSetMessage(GrDesc* graph, int slot, int firstBit, float x, float y, int frameColour,
                         int frameWidth, int background, int count, const char* texts, const int* colours)
{
    static const char kName[] = " - WRSetMessage";
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        ErrHdlr(55, 2, kName);
        return 0;
    }
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    auto* object = reinterpret_cast<MessageDesc*>(AllocRTObject(graph, RT_TYPE_MESSAGE, MESSAGE_SUBTYPE));
    if (object == nullptr)
        return 0;
    HDC dc = graph->buildDc;
    object->count = static_cast<SHORT>(std::clamp(count, 0, static_cast<int>(RT_MESSAGES)));
    if (Lib().top)
        object->font = Lib().top->defaultFont;
    object->font.text = nullptr;
    object->font.textCapacity = 0;
    object->frame = frameColour >= 0 ? 1 : 0;
    object->frameWidth = std::max(frameWidth, 0);
    SetLine(graph, dc, &object->rt.head.line, 0, frameColour, 0, object->frameWidth);
    object->background = static_cast<SHORT>(background < 0 ? -1 : background);
    object->firstBit = static_cast<SHORT>(std::clamp(firstBit, -1, 32));
    const int points = object->font.currentSize ? object->font.currentSize : 10;
    object->textHeight = PointsToLogSize(graph, dc, points);
    object->font.logFont.lfHeight = -object->textHeight;
    RECT& r = object->rt.head.extent;
    r.left = static_cast<int>(graph->logWidth * x);
    r.top = static_cast<int>(graph->logHeight * y);
    for (int k = 0; k < object->count; ++k)
    {
        if (texts)
            CopyMessageText(object->messages[k], texts + static_cast<size_t>(k) * ROW);
        object->messages[k].color = static_cast<SHORT>(colours ? colours[k] : 0);
    }
    object->widest = MeasureTexts(graph, object);
    object->cellWidth = object->widest + TextHeightInX(graph, object->textHeight);
    r.right = r.left + object->cellWidth;
    r.bottom = r.top + (4 * object->textHeight) / 3 + object->rt.head.line.widthY;
    if (object->frame)
    {
        r.right += PixelsX(graph, object->frameWidth);
        r.bottom += PixelsY(graph, object->frameWidth);
    }
    object->rt.head.draw = PaintMessage;
    object->rt.update = UpdateMessage;
    object->rt.dataSet = set;
    object->current = object->previous = -1;
    const WORD number = CommitRTObject(graph);
    if (number == 0)
        return 0;
    ++graph->realTimeCount;
    if (graph->page)
        graph->page->hasRealTimeObjects = 1;
    ++set->useCount;
    return number;
}

int WINAPI WRGetMessageParams(GrDesc* graph, WORD number, char** text, int* colour, int message)
{
    MessageDesc* object = MessageObject(graph, number, message, " - WRGetMessage");
    if (object == nullptr)
        return 0;
    if (text)
        *text = object->messages[message].text;
    if (colour)
        *colour = object->messages[message].color;
    return 1;
}

int WINAPI WRChangeMessage(GrDesc* graph, WORD number, const char* text, int colour, int message)
{
    MessageDesc* object = MessageObject(graph, number, message, " - WRGetMessage");
    if (object == nullptr)
        return 0;
    if (text)
    {
        // A text longer than the field is shown cut; the caller's text is not touched.
        MessageRec& rec = object->messages[message];
        const size_t n = strnlen(text, RT_MESSAGE_MAX);
        std::memcpy(rec.text, text, n);
        rec.text[n] = '\0';
        const int oldCell = object->cellWidth;
        object->widest = MeasureTexts(graph, object);
        MeasureMessage(graph, object);
        if (object->cellWidth > oldCell)
            WGRedrawObject(graph, number, FALSE);
    }
    object->messages[message].color = static_cast<SHORT>(colour);
    return 1;
}
