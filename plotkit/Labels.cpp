// Axis labels: one label at each major tick of an axis object, as a number, a string of a list, a
// month name or a weekday name. The labels take their ticks from the axis at every paint and keep
// their extent (the widest label) for the titles beside them.
#include "PlotkitInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

constexpr int kMonthNames = 96;   // string ids of "January" .. "December"
constexpr int kWeekdayNames = 80; // string ids of "Sunday" .. "Saturday"

// Fixed-point text with n decimals: the library's fixed number style.
std::string FixedText(double v, int n)
{
    if (v == 0)
        return "0";
    int e = 0, sign = 0;
    const std::string digits = _fcvt(v, n, &e, &sign);
    std::string out = sign ? "-" : "";
    if (e < 1)
    {
        out += "0";
        if (n > 0 && !(n < -e))
            out += "." + std::string(static_cast<size_t>(-e), '0') + digits;
    }
    else
    {
        out += digits.substr(0, std::min<size_t>(e, digits.size()));
        if (n > 0)
            out += ".";
        if (static_cast<size_t>(e) < digits.size())
            out += digits.substr(static_cast<size_t>(e));
    }
    return out;
}

// Mantissa with n decimals, "x10" and the power of ten, as two parts: "1.5x10" and "-3".
void PowerText(double v, int n, std::string* mantissa, std::string* exponent)
{
    const double a = std::fabs(v);
    const int d = std::max(0, n + static_cast<int>(std::floor(std::log10(9.99 / a))));
    int e = 0, sign = 0;
    std::string digits = _fcvt(v, d, &e, &sign);
    if (digits.size() < static_cast<size_t>(n + 1))
        digits.append(static_cast<size_t>(n + 1) - digits.size(), '0');
    *mantissa = sign ? "-" : "";
    *mantissa += digits[0];
    if (n > 0)
        *mantissa += "." + digits.substr(1, static_cast<size_t>(n));
    *mantissa += "x10";
    *exponent = std::to_string(e - 1);
}

// Decimals that show a tick step exactly (at most 5).
int TickPrecision(double step)
{
    double v = std::fabs(step);
    int n = 0;
    while (n < 5 && !(std::fabs(std::floor(v * 1.000001) - v) < v * 0.000001))
    {
        v *= 10;
        ++n;
    }
    return n;
}

const AxisDesc* LabelledAxis(GrDesc* graph, const LabelsDesc* l)
{
    ObjDesc* o = ObjectAt(graph, l->head.xAxis);
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<const AxisDesc*>(o) : nullptr;
}

std::string NameText(UINT id, bool abbreviate)
{
    std::string name = LoadText(id).substr(0, 9); // read into a 10-byte buffer
    if (abbreviate && name.size() > 3)
        name.resize(3);
    return name;
}

LabelItem NumberText(LabelsDesc* l, double v, bool automatic)
{
    int format = l->format;
    if (format == 2 && (v == 0 || std::fabs(v) > 1e12 || std::fabs(v) < 1e-18))
        format = v == 0 ? 0 : 1;
    if (format == 1 && std::fabs(v) <= 1e-40)
        return {0, 0, "0", {}};
    if (format == 1)
    {
        LabelItem t;
        PowerText(v, l->precision, &t.main, &t.exponent);
        if (!t.exponent.empty() && t.exponent[0] == '+')
            t.exponent.erase(0, 1);
        if (t.exponent == "-0")
            t.exponent = "0";
        return t;
    }
    if (format == 2)
    {
        static const char* const large[] = {"", "K", "M", "G", "T"};
        static const char* const small[] = {"", "m", "u", "n", "p", "f", "a"};
        double scaled = v;
        const char* prefix = "";
        const bool big = std::fabs(v) > 1;
        if (big)
        {
            int k = 0;
            while (std::fabs(scaled) >= 1000 && k < 4)
                scaled /= 1000, ++k;
            prefix = large[k];
        }
        else
        {
            int k = 0;
            while (std::fabs(scaled) < 1 && k < 6)
                scaled *= 1000, ++k;
            prefix = small[k];
        }
        if (automatic)
        {
            const double whole = std::trunc(scaled);
            l->precision = static_cast<signed char>(big && std::fabs(scaled - whole) >= 0.001 ? 1 : 0);
        }
        return {0, 0, FixedText(scaled, l->precision) + prefix, {}};
    }
    if (format == 5)
    {
        long long s = static_cast<long long>(std::clamp(v, -1e15, 1e15));
        const bool negative = s < 0;
        s = negative ? -s : s;
        char text[64];
        std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld", negative ? "-" : "", s / 3600, s / 60 % 60,
                      s % 60);
        return {0, 0, std::string(text).substr(0, 9), {}};
    }
    return {0, 0, FixedText(v, l->precision), {}};
}

int TextWidth(HDC dc, const std::string& text)
{
    SIZE size{};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// Where the labels of an axis stand across it, and how they are aligned.
struct Across
{
    bool isX = true;
    UINT align = TA_BASELINE;
    int at = 0; // y of an X axis's labels, x of a Y axis's
};

} // namespace

std::vector<LabelItem> PlaceLabels(GrDesc* graph, HDC dc, LabelsDesc* l)
{
    std::vector<LabelItem> items;
    const AxisDesc* axis = LabelledAxis(graph, l);
    if (axis == nullptr)
        return items;
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    const int h = tm.tmHeight;
    int px = 1, py = 1;
    GetAbsPix(graph, &px, &py);

    const bool isX = axis->direction == 1;
    const bool log = axis->scale == 1;
    const float from = isX ? axis->xMin : axis->yMin;
    const float to = isX ? axis->xMax : axis->yMax;
    const bool reversed = log ? axis->logMax < axis->logMin : to < from;
    const RECT plot = graph->plot;
    const RECT ax = Ordered(axis->head.extent);
    const double length = isX ? plot.right - plot.left : plot.bottom - plot.top;

    int n = 0;
    const double step = axis->tickStep;
    const double low = std::min(axis->logMin, axis->logMax);
    if (log)
        n = (axis->logMin > 0 && axis->logMax > 0)
                ? static_cast<int>(std::lround(std::fabs(std::log10(double(axis->logMax) / axis->logMin))))
                : 0;
    else
        n = axis->tickCount;
    if (l->lastLabel == 1)
        --n;

    // Position along the axis (logical x for an X axis, y for a Y axis) of a value.
    auto along = [&](double v) -> double
    {
        double t = 0;
        if (log)
            t = (v > 0 && axis->logMin > 0 && axis->logMax > 0 && axis->logMax != axis->logMin)
                    ? std::log10(v / axis->logMin) / std::log10(double(axis->logMax) / axis->logMin)
                    : 0;
        else
            t = to != from ? (v - from) / (double(to) - from) : 0;
        return isX ? plot.left + t * length : plot.bottom - t * length;
    };
    auto valueOf = [&](int i) -> double { return log ? low * std::pow(10.0, i) : i * step + axis->firstTick; };

    RECT& rect = l->head.extent;
    int across = 0;
    if (isX)
    {
        rect.left = plot.left - h;
        rect.right = plot.right + h;
        switch (l->position)
        {
        case 4:
            across = ax.top - 2 * py;
            break;
        case 6:
            across = plot.bottom + 7 * h / 8;
            break;
        case 7:
            across = plot.top - 2 * py;
            break;
        default:
            across = ax.bottom + 7 * h / 8;
            break;
        }
        rect.bottom = across + h / 10;
        rect.top = rect.bottom - h;
    }
    else
    {
        rect.top = plot.top - h / 2;
        rect.bottom = plot.bottom + h / 2;
        switch (l->position)
        {
        case 2:
            across = ax.right + 2 * px;
            rect.left = ax.right;
            break;
        case 8:
            across = plot.left - 4 * px;
            rect.right = across;
            break;
        case 9:
            across = plot.right + 4 * px;
            rect.left = plot.right + 2 * px;
            break;
        default:
            across = ax.left - 2 * px;
            rect.right = across;
            break;
        }
    }

    // The label at the crossing of the other axis is left out, unless the labels stand outside the
    // plot area or that axis lies at the plot's edge on the labels' side.
    bool skipCrossing = !(isX ? l->position > 5 : l->position > 7);
    if (skipCrossing)
    {
        const float oMin = isX ? axis->yMin : axis->xMin, oMax = isX ? axis->yMax : axis->xMax;
        const float at = isX ? axis->yIntercept : axis->xIntercept;
        const bool otherReversed = oMax < oMin;
        const bool atLow = otherReversed ? at >= oMin : at <= oMin;
        const bool atHigh = otherReversed ? at <= oMax : at >= oMax;
        const bool lowSide = isX ? l->position == 0 : l->position == 1;
        const bool highSide = isX ? l->position == 4 : l->position == 2;
        if ((lowSide && atLow) || (highSide && atHigh))
            skipCrossing = false;
    }
    const double crossing = isX ? axis->xIntercept : axis->yIntercept;

    // Automatic precision.
    const bool automatic = l->kind == 0 && !l->precisionFixed;
    if (automatic && l->format != 2)
    {
        if (l->format == 1)
            l->precision = log ? 0 : 1;
        else if (log)
            l->precision =
                static_cast<signed char>(low > 0 ? std::max(0, -static_cast<int>(std::floor(std::log10(low)))) : 0);
        else
            l->precision = static_cast<signed char>(TickPrecision(step));
    }

    const int first = l->kind == 0 ? 0 : l->firstIndex;
    for (int i = first; i <= n; ++i)
    {
        double pos = along(valueOf(i));
        LabelItem item;
        if (l->kind == 0)
        {
            const double v = valueOf(i);
            if (i == n && l->lastLabel == 2)
            {
                item.main = l->lastText;
                pos = isX ? (reversed ? plot.left : plot.right) : (reversed ? plot.bottom : plot.top);
            }
            else
            {
                const double tolerance = log ? std::fabs(v) * 1e-5 : std::fabs(step) * 1e-4;
                if (skipCrossing && std::fabs(v - crossing) <= tolerance)
                    continue;
                item = NumberText(l, v, automatic);
            }
        }
        else if (l->kind == 1)
        {
            if (l->strings == nullptr)
                break;
            const size_t offset = static_cast<size_t>(i - first) * PK_LABEL_STRING;
            if (l->stringsSize && offset + PK_LABEL_STRING > l->stringsSize)
                break;
            item.main.assign(l->strings + offset, strnlen(l->strings + offset, PK_LABEL_STRING - 1));
        }
        else if (l->kind == 2)
            item.main = NameText(kMonthNames + (l->precision + i - first) % 12, l->precisionFixed);
        else
            item.main = NameText(kWeekdayNames + (l->precision + i - first) % 7, l->precisionFixed);
        if (isX)
        {
            item.x = static_cast<int>(pos);
            item.y = across;
        }
        else
        {
            item.x = across;
            item.y = static_cast<int>(pos) + (l->kind == 0 ? 3 * h / 8 : h / 4);
        }
        items.push_back(std::move(item));
    }
    return items;
}

namespace
{

// Lays the labels out along their axis and, unless the graph is building, draws them; keeps the
// widest label in the object's extent.
void LayoutLabels(GrDesc* graph, HDC dc, LabelsDesc* l)
{
    const AxisDesc* axis = LabelledAxis(graph, l);
    if (axis == nullptr)
        return;
    const bool draw = !graph->building;
    const COLORREF color = l->head.flash ? graph->background : WGGetRGBColor(l->font.colorIndex);
    TextFont font(dc, l->font.logFont, color);
    if (!graph->metafileDc)
        l->widest = l->widestExponent = 0;
    const std::vector<LabelItem> items = PlaceLabels(graph, dc, l);

    const bool isX = axis->direction == 1;
    UINT align = TA_BASELINE | TA_CENTER;
    if (!isX)
        align = TA_BASELINE | ((l->position == 2 || l->position == 9) ? TA_LEFT : TA_RIGHT);
    const bool rightAligned = (align & TA_CENTER) == TA_RIGHT;
    const bool centred = (align & TA_CENTER) == TA_CENTER;
    LOGFONT small = l->font.logFont;
    small.lfHeight = l->font.logFont.lfHeight * 2 / 3;
    const int raise = std::abs(small.lfHeight) * 3 / 5;
    const UINT oldAlign = SetTextAlign(dc, align);
    for (const LabelItem& item : items)
    {
        const int mainWidth = TextWidth(dc, item.main);
        int exponentWidth = 0;
        if (!item.exponent.empty())
        {
            // The power of ten is raised, in a font two thirds of the label's.
            TextFont exponentFont(dc, small, color);
            exponentWidth = TextWidth(dc, item.exponent);
            if (draw)
            {
                int ex = item.x;
                if (centred)
                    ex = item.x + mainWidth / 2;
                else if (!rightAligned)
                    ex = item.x + mainWidth;
                SetTextAlign(dc, TA_BASELINE | (rightAligned ? TA_RIGHT : TA_LEFT));
                TextOut(dc, ex, item.y - raise, item.exponent.c_str(), static_cast<int>(item.exponent.size()));
                SetTextAlign(dc, align);
            }
            l->widestExponent = std::max(l->widestExponent, exponentWidth);
        }
        if (draw)
        {
            const int mx = rightAligned ? item.x - exponentWidth : item.x;
            TextOut(dc, mx, item.y, item.main.c_str(), static_cast<int>(item.main.size()));
        }
        l->widest = std::max(l->widest, mainWidth + exponentWidth);
    }
    SetTextAlign(dc, oldAlign);
    if (!isX)
    {
        RECT& rect = l->head.extent;
        if (rightAligned)
            rect.left = rect.right - l->widest;
        else
            rect.right = rect.left + l->widest;
    }
}

void DrawLabels(GrDesc* graph, HDC dc)
{
    if (auto* l = reinterpret_cast<LabelsDesc*>(graph->currentObject))
        LayoutLabels(graph, dc, l);
}

void RescaleLabels(GrDesc* graph, HDC dc, ObjDesc* object, float factor)
{
    FontDesc* font = FontBlock(object);
    if (font == nullptr)
        return;
    if (!graph->page || !graph->page->keepTextSize)
        font->currentSize = static_cast<SHORT>(std::max(1, static_cast<int>(font->baseSize * factor + 0.5f)));
    font->logFont.lfHeight = -PointsToLogSize(graph, dc, font->currentSize);
}

// The edit copy gets a strings block of its own when the labels own theirs.
BOOL CopyLabels(GrDesc*, const ObjDesc* source, ObjDesc* copy)
{
    auto* c = reinterpret_cast<LabelsDesc*>(copy);
    if (!c->ownsStrings || c->stringsHandle == nullptr)
        return TRUE;
    HGLOBAL block = WGCopyMem(reinterpret_cast<const LabelsDesc*>(source)->stringsHandle);
    if (block == nullptr)
    {
        c->stringsHandle = nullptr;
        c->strings = nullptr;
        c->ownsStrings = 0;
        return FALSE;
    }
    c->stringsHandle = block;
    c->strings = static_cast<char*>(GlobalLock(block));
    return TRUE;
}

void ReleaseLabels(GrDesc*, ObjDesc* object)
{
    auto* l = reinterpret_cast<LabelsDesc*>(object);
    if (l->ownsStrings && l->stringsHandle)
        GlobalFree(l->stringsHandle);
    l->stringsHandle = nullptr;
    l->strings = nullptr;
    l->ownsStrings = 0;
}

const bool kLabelsRegistered = []
{
    PlotObjectType type{};
    type.type = PK_TYPE_LABELS;
    type.size = sizeof(LabelsDesc);
    type.draw = DrawLabels;
    type.rescale = RescaleLabels;
    type.hitPass = 2;
    type.copy = CopyLabels;
    type.release = ReleaseLabels;
    RegisterOwnObjectType(type);
    return true;
}();

// A labels object of the given kind on an axis of a graph being built; null after message 54 when
// the number is not an axis of the graph.
LabelsDesc* NewLabels(GrDesc* graph, HDC dc, int axis, int position, int kind)
{
    if (!CheckGraph(graph))
        return nullptr;
    ObjDesc* target = axis >= 1 && axis <= graph->capacity ? ObjectAt(graph, axis) : nullptr;
    if (target == nullptr || target->type != PK_TYPE_AXIS)
    {
        ErrHdlr(54, 0, nullptr);
        return nullptr;
    }
    const auto* a = reinterpret_cast<const AxisDesc*>(target);
    const SHORT direction = a->direction;
    TopDesc* top = Lib().top;
    auto* l = reinterpret_cast<LabelsDesc*>(NewObjDesc(graph, PK_TYPE_LABELS, 1));
    if (l == nullptr || top == nullptr)
        return nullptr;
    l->font = top->defaultFont;
    l->font.text = nullptr;
    l->font.textCapacity = 0;
    l->font.logFont.lfEscapement = l->font.logFont.lfOrientation = 0;
    l->head.xAxis = static_cast<SHORT>(axis);
    l->direction = direction;
    l->position = static_cast<SHORT>(position == 3 ? (direction == 1 ? 0 : 1) : position);
    l->kind = static_cast<SHORT>(kind);
    HDC use = dc ? dc : GetMappedDC(graph);
    MapGraph(graph, use);
    l->font.logFont.lfHeight = -PointsToLogSize(graph, use, l->font.currentSize);
    if (!dc)
        ReleaseDC(graph->window, use);
    return l;
}

// Counts a new labels object and lays it out once (geometry only). Returns its number.
int FinishLabels(GrDesc* graph, HDC dc, LabelsDesc* l)
{
    const int number = CommitObjDesc(graph);
    if (number == 0)
        return 0;
    HDC use = dc ? dc : GetMappedDC(graph);
    MapGraph(graph, use);
    LayoutLabels(graph, use, l);
    if (!dc)
        ReleaseDC(graph->window, use);
    return number;
}

void SetLastText(LabelsDesc* l, const char* text)
{
    std::memset(l->lastText, 0, sizeof(l->lastText));
    if (text)
        std::strncpy(l->lastText, text, sizeof(l->lastText) - 1); // at most 12 characters
}

bool IsLabelsType(int type)
{
    return type == PK_TYPE_LABELS || type == 105;
}

// The labels object an accessor works on: null for a null graph, after message 56 for no object and
// message 29 for another type.
LabelsDesc* LabelsFor(GrDesc* graph, int number)
{
    if (graph == nullptr)
        return nullptr;
    ObjDesc* o = FindObject(graph, number);
    if (o == nullptr)
        return nullptr;
    if (!IsLabelsType(o->type))
    {
        ReportIllFunc(o);
        return nullptr;
    }
    return reinterpret_cast<LabelsDesc*>(o);
}

int NameLabels(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, int first, int count, BOOL abbreviate,
               int kind)
{
    LabelsDesc* l = NewLabels(graph, dc, axis, position, kind);
    if (l == nullptr)
        return 0;
    l->firstIndex = static_cast<BYTE>(std::max(0, firstIndex));
    l->precision = static_cast<signed char>(((first <= 0 ? 1 : first) - 1) % count);
    l->precisionFixed = abbreviate ? 1 : 0;
    return FinishLabels(graph, dc, l);
}

} // namespace
} // namespace plotkit

using namespace plotkit;

int WINAPI WGLabelAxis(GrDesc* graph, HDC dc, int axis, int position, int format, int precision, int lastLabel,
                       const char* lastText)
{
    LabelsDesc* l = NewLabels(graph, dc, axis, position, 0);
    if (l == nullptr)
        return 0;
    l->format = static_cast<SHORT>(format);
    l->precisionFixed = precision >= 0 ? 1 : 0;
    l->precision = static_cast<signed char>(precision >= 0 ? std::min(precision, 127) : 0);
    l->lastLabel = static_cast<SHORT>(lastLabel);
    if (lastLabel == 2)
        SetLastText(l, lastText);
    return FinishLabels(graph, dc, l);
}

LabelsDesc* WINAPI StartLabs(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, int* number)
{
    LabelsDesc* l = NewLabels(graph, dc, axis, position, 1);
    if (l == nullptr)
    {
        if (number)
            *number = 0;
        return nullptr;
    }
    l->firstIndex = static_cast<BYTE>(std::max(0, firstIndex));
    const int n = CommitObjDesc(graph);
    if (number)
        *number = n;
    return n ? l : nullptr;
}

int WINAPI WGLabelAxisStrings(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, HGLOBAL strings)
{
    LabelsDesc* l = NewLabels(graph, dc, axis, position, 1);
    if (l == nullptr)
        return 0;
    l->firstIndex = static_cast<BYTE>(std::max(0, firstIndex));
    l->stringsHandle = strings;
    l->strings = strings ? static_cast<char*>(GlobalLock(strings)) : nullptr;
    l->stringsSize = strings ? static_cast<UINT>(GlobalSize(strings)) : 0;
    return FinishLabels(graph, dc, l);
}

int WINAPI WGLabelAxisStringsPtr(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, char* strings)
{
    LabelsDesc* l = NewLabels(graph, dc, axis, position, 1);
    if (l == nullptr)
        return 0;
    l->firstIndex = static_cast<BYTE>(std::max(0, firstIndex));
    l->strings = strings;
    return FinishLabels(graph, dc, l);
}

int WINAPI WGLabelAxisStringsNew(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, const char* text)
{
    if (text == nullptr)
        return 0;
    // The text is cut into 42-byte strings in a block of the labels' own; the caller's text is
    // left as it is.
    const size_t length = std::strlen(text);
    const size_t size = (length > PK_LABEL_STRING ? length / PK_LABEL_STRING * PK_LABEL_STRING + 43 : 1260) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    auto* copy = static_cast<char*>(GlobalLock(block));
    std::memcpy(copy, text, length);
    SplitString(copy, PK_LABEL_STRING);
    LabelsDesc* l = NewLabels(graph, dc, axis, position, 1);
    if (l == nullptr)
    {
        GlobalFree(block);
        return 0;
    }
    l->firstIndex = static_cast<BYTE>(std::max(0, firstIndex));
    l->stringsHandle = block;
    l->strings = copy;
    l->stringsSize = static_cast<UINT>(size);
    l->ownsStrings = 1;
    return FinishLabels(graph, dc, l);
}

int WINAPI WGLabelAxisMonth(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, int firstMonth,
                            BOOL abbreviate)
{
    return NameLabels(graph, dc, axis, position, firstIndex, firstMonth, 12, abbreviate, 2);
}

int WINAPI WGLabelAxisDayWk(GrDesc* graph, HDC dc, int axis, int position, int firstIndex, int firstDay,
                            BOOL abbreviate)
{
    return NameLabels(graph, dc, axis, position, firstIndex, firstDay, 7, abbreviate, 3);
}

int WINAPI WGGetLastLabelFlag(GrDesc* graph, int number)
{
    LabelsDesc* l = LabelsFor(graph, number);
    return l ? l->lastLabel : 0;
}

const char* WINAPI WGGetLastLabelText(GrDesc* graph, int number)
{
    LabelsDesc* l = LabelsFor(graph, number);
    return l && l->lastLabel == 2 ? l->lastText : nullptr;
}

BOOL WINAPI WGChangeLastLabel(GrDesc* graph, int number, int flag, const char* text)
{
    LabelsDesc* l = LabelsFor(graph, number);
    if (l == nullptr)
        return FALSE;
    l->lastLabel = static_cast<SHORT>(flag);
    if (text)
        SetLastText(l, text);
    return TRUE;
}

int WINAPI WGGetLabelsPos(GrDesc* graph, int number)
{
    LabelsDesc* l = LabelsFor(graph, number);
    return l ? l->position : 0;
}

BOOL WINAPI WGChangeLabelsPos(GrDesc* graph, int number, int position)
{
    LabelsDesc* l = LabelsFor(graph, number);
    if (l == nullptr)
        return FALSE;
    l->position = static_cast<SHORT>(position);
    return TRUE;
}

int WINAPI WGGetLabelsFormat(GrDesc* graph, int number)
{
    LabelsDesc* l = LabelsFor(graph, number);
    return l ? l->format : 0;
}

BOOL WINAPI WGChangeLabelsFormat(GrDesc* graph, int number, int format)
{
    LabelsDesc* l = LabelsFor(graph, number);
    if (l == nullptr)
        return FALSE;
    if (format < 0 || format > 5)
    {
        ErrHdlr(30, 2, "WGChangeLabelsFormat");
        return FALSE;
    }
    l->format = static_cast<SHORT>(format);
    return TRUE;
}

int WINAPI WGGetLabelsPrec(GrDesc* graph, int number)
{
    LabelsDesc* l = LabelsFor(graph, number);
    return l ? l->precision : 0;
}

BOOL WINAPI WGChangeLabelsPrec(GrDesc* graph, int number, int precision)
{
    LabelsDesc* l = LabelsFor(graph, number);
    if (l == nullptr)
        return FALSE;
    l->precision = static_cast<signed char>(std::clamp(precision, 0, 127));
    l->precisionFixed = 1;
    return TRUE;
}
