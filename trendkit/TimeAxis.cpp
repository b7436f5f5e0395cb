// Time axes: a plotkit axis marked as a time axis with its unit, clock-time (or elapsed-value) labels
// beside it that move on as a scrolling graph jumps, and the rescaling of a value axis to the data a
// set holds.
#include "TimeAxis.h"
#include "ScrollGraph.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace trendkit
{
namespace
{

bool painting = false; // a labels paint is running (no nesting)

AxisDesc* AxisOf(GrDesc* graph, int number)
{
    ObjDesc* o = number >= 1 && number <= graph->capacity ? GetObjDesc(graph, number, nullptr) : nullptr;
    return o && o->type == PK_TYPE_AXIS ? reinterpret_cast<AxisDesc*>(o) : nullptr;
}

TimeLabelsDesc* LabelsAt(GrDesc* graph, int number)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph) || number < 1 || number > graph->capacity)
        return nullptr;
    ObjDesc* o = GetObjDesc(graph, number, nullptr);
    return o && o->type == RT_TYPE_DYN_LABELS && o->subKind == TIME_LABELS_SUBTYPE
               ? reinterpret_cast<TimeLabelsDesc*>(o)
               : nullptr;
}

// The labels object `number`, or null with message 30 naming the function.
TimeLabelsDesc* CheckedLabels(GrDesc* graph, int number, const char* name)
{
    TimeLabelsDesc* labels = LabelsAt(graph, number);
    if (labels == nullptr)
        ErrHdlr(30, 2, name);
    return labels;
}

float UnitSeconds(GrDesc* graph, const TimeLabelsDesc* labels)
{
    const AxisDesc* axis = AxisOf(graph, labels->rt.head.xAxis);
    switch (axis ? axis->timeUnit : 0)
    {
    case 1:
        return 60;
    case 2:
        return 3600;
    default:
        return 1;
    }
}

float& ShownStart(TimeLabelsDesc* labels)
{
    return labels->frozen ? labels->historyStart : labels->liveStart;
}

long long WholeSeconds(double seconds)
{
    return static_cast<long long>(std::floor(seconds));
}

void DrawTimeLabel(GrDesc* graph, HDC dc, TimeLabelsDesc* labels, const AxisDesc* axis, float offset, int x,
                   int y)
{
    const float start = ShownStart(labels);
    std::string text;
    if (labels->format == 0)
    {
        const char* t = ftoa(start + offset, labels->precision, 0);
        text = t ? t : "";
    }
    else
    {
        long long t = 0;
        switch (axis->timeUnit)
        {
        case 1:
            t = static_cast<long long>(std::trunc(static_cast<double>(start) + 60.0 * offset));
            break;
        case 2:
            t = static_cast<long long>(std::trunc(static_cast<double>(start) + 3600.0 * offset));
            break;
        default:
            t = static_cast<long long>(std::trunc(static_cast<double>(start) + offset + 0.1));
            break;
        }
        text = FormatClockTime(t, labels->format);
    }
    if (text.empty())
        return;
    if (!graph->metafileDc)
    {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        labels->widest = std::max<int>(labels->widest, size.cx);
    }
    if (!graph->building)
        TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void DrawTimeLabels(GrDesc* graph, HDC dc, TimeLabelsDesc* labels)
{
    const AxisDesc* axis = AxisOf(graph, labels->rt.head.xAxis);
    if (axis == nullptr || dc == nullptr)
        return;
    const int h = -labels->font.logFont.lfHeight;
    const int d = graph->devWidth > 0 ? 2 * graph->logWidth / graph->devWidth : 2;
    const RECT P = graph->plot;
    const RECT& A = axis->head.extent;
    RECT& box = labels->rt.head.extent;
    const COLORREF colour =
        labels->rt.head.flash ? graph->plotBackground : WGGetRGBColor(labels->font.colorIndex);
    HFONT font = ConfigureText(graph, dc, &labels->font, colour);
    if (!graph->metafileDc)
        labels->widest = 0;
    const bool vertical = labels->orientation == 0;
    const float low = vertical ? axis->yMin : axis->xMin;
    const float high = vertical ? axis->yMax : axis->xMax;
    // A range of nothing places no labels.
    if (high != low)
    {
        const float extent =
            vertical ? static_cast<float>(P.bottom - P.top) : static_cast<float>(P.right - P.left);
        const int first = static_cast<int>((axis->firstTick - low) / (high - low) * extent);
        const int step = static_cast<int>(axis->tickStep / (high - low) * extent);
        const int direction = low > high ? -1 : 1;
        int count = axis->tickCount + 1;
        if (labels->lastMode == 1)
            --count;
        int anchor = 0;
        switch (labels->position)
        {
        case 1:
            anchor = A.left - d;
            SetTextAlign(dc, TA_RIGHT | TA_TOP);
            break;
        case 2:
            anchor = A.right + d;
            SetTextAlign(dc, TA_LEFT | TA_TOP);
            break;
        case 8:
            anchor = P.left - 2 * d;
            SetTextAlign(dc, TA_RIGHT | TA_TOP);
            break;
        case 9:
            anchor = P.right + 2 * d;
            SetTextAlign(dc, TA_LEFT | TA_TOP);
            break;
        case 0:
            anchor = A.bottom + d / 3;
            break;
        case 4:
            anchor = A.top - h - 2 * d;
            break;
        case 6:
            anchor = P.bottom + d / 3;
            break;
        case 7:
            anchor = P.top - h - 2 * d;
            break;
        default:
            break;
        }
        if (!vertical)
            SetTextAlign(dc, TA_CENTER | TA_TOP);
        // Where the other axis crosses and whether a label there stands clear of it.
        const float crossing = vertical ? axis->yIntercept : axis->xIntercept;
        bool crossingShown = labels->position >= 6;
        if (!crossingShown)
        {
            const bool lowSide = labels->position == 1 || labels->position == 0;
            const float at = vertical ? axis->xIntercept : axis->yIntercept;
            const float otherLow = vertical ? axis->xMin : axis->yMin;
            const float otherHigh = vertical ? axis->xMax : axis->yMax;
            const bool ascending = otherLow <= otherHigh;
            if (lowSide)
                crossingShown = ascending ? at <= otherLow : at >= otherLow;
            else
                crossingShown = ascending ? at >= otherHigh : at <= otherHigh;
        }
        for (int i = 0; i < count; ++i)
        {
            const float value = axis->firstTick + i * axis->tickStep;
            if (!crossingShown && std::fabs(value - crossing) <= 1e-6f * std::max(1.0f, std::fabs(crossing)))
                continue;
            int x, y;
            if (vertical)
            {
                x = anchor;
                y = P.bottom - first - i * step - (5 * h) / 8;
            }
            else
            {
                x = P.left + first + i * step;
                y = anchor;
            }
            if (i == count - 1 && labels->lastMode == 2 && !graph->building)
            {
                const size_t n = std::strlen(labels->lastText);
                if (vertical)
                    TextOutA(dc, anchor, (direction == 1 ? P.top : P.bottom) - h / 2, labels->lastText,
                             static_cast<int>(n));
                else
                    TextOutA(dc, direction == 1 ? P.right : P.left, anchor, labels->lastText,
                             static_cast<int>(n));
                continue;
            }
            DrawTimeLabel(graph, dc, labels, axis, i * axis->tickStep, x, y);
        }
        if (vertical)
        {
            box.top = P.top - h / 2;
            box.bottom = P.bottom + h / 2;
            if (labels->position == 1 || labels->position == 8)
            {
                box.right = anchor;
                box.left = anchor - labels->widest;
            }
            else
            {
                box.left = anchor - d;
                box.right = box.left + labels->widest + d;
            }
        }
        else
        {
            box.top = anchor;
            box.bottom = anchor + h + d / 4;
            box.left = P.left - labels->widest / 2;
            box.right = P.right + labels->widest / 2;
        }
    }
    if (font)
        DeleteObject(SelectObject(dc, GetStockObject(SYSTEM_FONT)));
}

void TimeLabelsPaint(GrDesc* graph, HDC dc)
{
    if (painting)
        return;
    auto* labels = reinterpret_cast<TimeLabelsDesc*>(graph->currentObject);
    if (labels == nullptr || labels->rt.head.type != RT_TYPE_DYN_LABELS)
        return;
    painting = true;
    DrawTimeLabels(graph, dc, labels);
    painting = false;
}

// Repaints the labels when their visible text changes from `old` to the new start.
void RefreshTimeLabels(GrDesc* graph, TimeLabelsDesc* labels, float now, float old)
{
    bool changed = false;
    if (labels->format == 0)
    {
        const double p = std::pow(10.0, labels->precision);
        changed = std::llround(p * now) != std::llround(p * old);
    }
    else
    {
        const long long t = WholeSeconds(now), before = WholeSeconds(old);
        if (labels->format == 2)
            changed = std::floor(t / 60.0) != std::floor(before / 60.0);
        else if (labels->format == 1 || labels->format == 4)
            changed = t != before;
        const long long day = t < 0 ? 0 : t;
        labels->startHours = static_cast<UINT>(std::min<long long>(day / 3600, 0xFFFFFFFFll));
        labels->startMinutes = static_cast<BYTE>(day / 60 % 60);
        labels->startSeconds = static_cast<BYTE>(day % 60);
    }
    if (!changed || graph->building || graph->window == nullptr || graph->buildDc == nullptr)
        return;
    RECT r = labels->rt.head.extent;
    LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&r), 2);
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    InvalidateRect(graph->window, &r, TRUE);
}

void SetStart(GrDesc* graph, TimeLabelsDesc* labels, float value, bool add)
{
    HDC dc = graph->buildDc;
    if (dc)
        SetGraphClip(graph, dc);
    float& start = ShownStart(labels);
    const float old = start;
    const float scaled = labels->format == 0 ? value : value * UnitSeconds(graph, labels);
    start = add ? start + scaled : scaled;
    RefreshTimeLabels(graph, labels, start, old);
    if (dc)
        SetPlotClip(graph, dc);
    if (labels->frozen)
        labels->historyCopy = labels->historyStart;
}

void FreezeLabels(GrDesc* graph, WORD number, bool frozen)
{
    TimeLabelsDesc* labels = LabelsAt(graph, number);
    if (labels == nullptr)
        return;
    if (frozen && !labels->frozen)
        labels->historyStart = labels->historyCopy = labels->liveStart;
    labels->frozen = frozen ? 1 : 0;
}

WORD FindTimeLabels(GrDesc* graph, WORD axis)
{
    for (int n = 1; graph && n <= graph->capacity; ++n)
        if (TimeLabelsDesc* labels = LabelsAt(graph, n); labels && labels->rt.head.xAxis == axis)
            return static_cast<WORD>(n);
    return 0;
}

ScrollDesc* ScrollAt(GrDesc* graph, int number)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph) || number < 1 || number > graph->capacity)
        return nullptr;
    ObjDesc* o = GetObjDesc(graph, number, nullptr);
    return o && o->type == RT_TYPE_SCROLL ? AsScroll(o) : nullptr;
}

bool HitLabels(GrDesc*, RtObjDesc* rt, POINT p)
{
    return PointInRect(rt->head.extent, p);
}

} // namespace

std::string FormatClockTime(long long t, int format)
{
    if (format != 1 && format != 2 && format != 4)
        return {};
    if (t < 0)
        t = (t % 86400 + 86400) % 86400; // before midnight: the clock of the day before
    const long long seconds = t % 60, minutes = t / 60 % 60, hours = t / 3600 % 24;
    char text[16];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", hours, minutes, seconds);
    std::string s = text;
    if (format == 2)
        return s.substr(0, 5);
    if (format == 4)
        return s.substr(3);
    return s;
}

void ShiftTimeLabels(GrDesc* graph, WORD number, float delta)
{
    if (TimeLabelsDesc* labels = LabelsAt(graph, number))
        SetStart(graph, labels, delta, true);
}

void AdvanceTimeLabels(GrDesc* graph, const WORD* labels, int jumps, float jumpSpan)
{
    for (int k = 0; k < 3 && labels[k] != 0; ++k)
        ShiftTimeLabels(graph, labels[k], jumps * jumpSpan);
}

void RegisterTimeAxisTypes()
{
    RtObjectType labels;
    labels.type = RT_TYPE_DYN_LABELS;
    labels.size = sizeof(TimeLabelsDesc);
    labels.hitBox = HitLabels;
    labels.edit = EditTimeLabels;
    RegisterRtType(labels);
    TimeLabelHooks& hooks = TimeLabels();
    hooks.shift = ShiftTimeLabels;
    hooks.freeze = FreezeLabels;
    hooks.find = FindTimeLabels;
}

} // namespace trendkit

using namespace trendkit;

int WINAPI WRDrawTimeAxis(GrDesc* graph, float step, int minorTicks, int tickStyle, int orientation, int unit)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    const SHORT scale = graph->scaleX;
    graph->scaleX = 0;
    const int number = orientation == 1 ? WGDrawXAxis(graph, graph->buildDc, step, minorTicks, tickStyle)
                                        : WGDrawYAxis(graph, graph->buildDc, step, minorTicks, tickStyle);
    graph->scaleX = scale;
    AxisDesc* axis = number ? AxisOf(graph, number) : nullptr;
    if (axis == nullptr)
        return 0;
    axis->timeUnit = static_cast<BYTE>(std::clamp(unit, 0, 2));
    axis->head.subKind = TIME_AXIS_SUBTYPE;
    return number;
}

WORD WINAPI WRLabelTimeAxis(GrDesc* graph, int axisNumber, int position, int format, int precision, int hours,
                            int minutes, int seconds, float startValue, int lastMode, const char* lastText)
{
    static const char kName[] = " - WRLabelTimeAxis";
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    if (axisNumber < 1 || axisNumber > graph->capacity)
    {
        ErrHdlr(54, 0, nullptr);
        return 0;
    }
    AxisDesc* axis = AxisOf(graph, axisNumber);
    if (axis == nullptr)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    const int orientation = axis->direction == 1 ? 1 : 0;
    if (position == 3)
        position = orientation == 1 ? 0 : 1;
    // A position without a placement on this axis would leave the labels nowhere.
    const bool placed = orientation == 1 ? (position == 0 || position == 4 || position == 6 || position == 7)
                                         : (position == 1 || position == 2 || position == 8 || position == 9);
    if (!placed)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    auto* labels =
        reinterpret_cast<TimeLabelsDesc*>(AllocRTObject(graph, RT_TYPE_DYN_LABELS, TIME_LABELS_SUBTYPE));
    if (labels == nullptr)
        return 0;
    labels->precisionSet = precision >= 0 ? 1 : 0;
    labels->precision = static_cast<signed char>(std::clamp(precision, 0, 12));
    labels->lastMode = static_cast<SHORT>(std::clamp(lastMode, 0, 2));
    if (labels->lastMode == 2 && lastText)
        CopyText(labels->lastText, lastText, TIME_LAST_TEXT_MAX);
    hours = ((hours % 24) + 24) % 24;
    minutes = ((minutes % 60) + 60) % 60;
    seconds = ((seconds % 60) + 60) % 60;
    labels->startHours = static_cast<UINT>(hours);
    labels->startMinutes = static_cast<BYTE>(minutes);
    labels->startSeconds = static_cast<BYTE>(seconds);
    labels->format = static_cast<SHORT>(format);
    labels->liveStart = format == 0 ? startValue : static_cast<float>(hours * 3600 + minutes * 60 + seconds);
    labels->rt.head.draw = TimeLabelsPaint;
    labels->rt.update = DefUpdateProc;
    labels->rt.head.xAxis = static_cast<SHORT>(axisNumber);
    if (Lib().top)
        labels->font = Lib().top->defaultFont;
    labels->font.text = nullptr;
    labels->font.textCapacity = 0;
    const int points = labels->font.currentSize ? labels->font.currentSize : 10;
    labels->font.logFont.lfHeight = -PointsToLogSize(graph, graph->buildDc, points);
    labels->orientation = static_cast<SHORT>(orientation);
    labels->position = static_cast<SHORT>(position);
    if (format == 0 && !labels->precisionSet)
        labels->precision = 0;
    // Measured now, drawn by the graph's paints.
    if (graph->buildDc && !painting)
    {
        painting = true;
        DrawTimeLabels(graph, graph->buildDc, labels);
        painting = false;
    }
    return CommitRTObject(graph);
}

void WINAPI WRResetTimeLabels(GrDesc* graph, WORD number, float start)
{
    TimeLabelsDesc* labels = CheckedLabels(graph, number, " - WRResetTimeLabels");
    if (labels == nullptr)
        return;
    SetStart(graph, labels, start, false);
    WGRedrawObject(graph, number, FALSE);
}

int WINAPI WRChangeTimeLabelsFormat(GrDesc* graph, WORD number, int format)
{
    TimeLabelsDesc* labels = CheckedLabels(graph, number, " - WRChangeTimeLAbelsFormat");
    if (labels == nullptr)
        return 0;
    labels->format = static_cast<SHORT>(format);
    if (format == 0 && !labels->precisionSet)
        labels->precision = 0;
    WGRedrawObject(graph, number, FALSE);
    return 1;
}

void WINAPI WRUpdateTimeLabels(GrDesc* graph, WORD number, float delta)
{
    if (CheckedLabels(graph, number, " - WRUpdateTimeLabels"))
        ShiftTimeLabels(graph, number, delta);
}

int WINAPI WRStartTimeLabelsUpdate(GrDesc* graph, WORD number, WORD scroll)
{
    TimeLabelsDesc* labels = LabelsAt(graph, number);
    ScrollDesc* s = ScrollAt(graph, scroll);
    if (labels == nullptr || s == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return 0;
    }
    for (WORD& slot : s->timeLabels)
    {
        if (slot == number)
            return 1; // attached once: it must not move twice per jump
        if (slot == 0)
        {
            slot = number;
            return 1;
        }
    }
    return 0;
}

int WINAPI WRStopTimeLabelsUpdate(GrDesc* graph, WORD number, WORD scroll)
{
    TimeLabelsDesc* labels = LabelsAt(graph, number);
    ScrollDesc* s = ScrollAt(graph, scroll);
    if (labels == nullptr || s == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return 0;
    }
    for (int k = 0; k < 3; ++k)
        if (s->timeLabels[k] == number)
        {
            for (int j = k; j < 2; ++j)
                s->timeLabels[j] = s->timeLabels[j + 1];
            s->timeLabels[2] = 0;
            return 1;
        }
    return 0;
}

int WINAPI WRGetStartSec(GrDesc* graph, WORD axis, INT* seconds)
{
    if (seconds)
        *seconds = 0;
    const WORD number = graph && WGIsGraphDescValid(graph) ? FindTimeLabels(graph, axis) : 0;
    TimeLabelsDesc* labels = LabelsAt(graph, number);
    if (labels == nullptr)
        return 0;
    if (seconds)
        *seconds =
            static_cast<INT>(labels->startHours * 3600 + labels->startMinutes * 60 + labels->startSeconds);
    return 1;
}

int WINAPI WRAutoRescale(GrDesc* graph, WORD axisNumber, int slot, int index, float* outMin, float* outMax,
                         int apply)
{
    if (graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    AxisDesc* axis = AxisOf(graph, axisNumber);
    if (axis == nullptr || axis->head.subKind == TIME_AXIS_SUBTYPE)
        return 0;
    float min = 0, max = 0;
    if (!WRGetMinMaxValues(slot, index, &min, &max) || min == max)
        return 0;
    RECT plot = graph->plot;
    if (graph->buildDc)
        LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&plot), 2);
    float step = 0;
    const bool vertical = axis->direction != 1;
    if (vertical)
        RoundAxis(2, std::abs(plot.bottom - plot.top), &min, &max, &step, 0);
    else
        RoundAxis(2, std::abs(plot.right - plot.left), &min, &max, &step, 1);
    if (axis->scale == 1)
        ScaleLog(&min, &max);
    if (min == max)
        return 0;
    if (apply)
    {
        float& crossing = vertical ? axis->yIntercept : axis->xIntercept;
        const float lo = std::min(min, max), hi = std::max(min, max);
        crossing = std::clamp(crossing, lo, hi);
    }
    if (outMin)
        *outMin = min;
    if (outMax)
        *outMax = max;
    if (!apply)
        return 1;
    const float oldSpan = vertical ? std::fabs(axis->yMax - axis->yMin) : std::fabs(axis->xMax - axis->xMin);
    const float span = std::fabs(max - min);
    if (span > 3 * oldSpan || span < 0.33f * oldSpan)
    {
        axis->tickStep = step;
        if (AxisDesc* linked = axis->head.xAxis != axisNumber ? AxisOf(graph, axis->head.xAxis) : nullptr)
            linked->tickStep = step;
    }
    if (axis->scale == 1)
    {
        axis->logMin = min;
        axis->logMax = max;
    }
    WGChangeAxisRange(graph, axisNumber, min, max, TRUE);
    return 1;
}
