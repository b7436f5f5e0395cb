// The one-call bar display of a data set (WRSetAutoBargraph) and what the builders share: the text
// size and colours derived from the graph window and the default alarm limits and colours of a set.
#include "AutoGraph.h"
#include "Bargraphs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace trendkit
{
namespace
{

// Palette indices.
enum
{
    kBlack = 0,
    kBlue = 1,
    kGreen = 2,
    kRed = 4,
    kLightGray = 7,
    kGray = 8,
    kLightBlue = 9,
    kLightGreen = 10,
    kLightCyan = 11,
    kLightRed = 12,
    kYellow = 14,
    kMediumGray = 18,
};

} // namespace

AutoStyle AutoGraphStyle(GrDesc* graph, HDC dc, bool withLine)
{
    AutoStyle style;
    style.background = WGGetPureColor(graph->background);
    style.text = BarLabelCode(style.background);
    switch (style.background)
    {
    case kBlack:
    case kBlue:
    case kLightBlue:
        style.title = kLightGreen;
        break;
    case kLightGray:
    case kGray:
    case kMediumGray:
        style.title = kRed;
        break;
    default:
        style.title = kBlue;
        break;
    }
    if (withLine)
    {
        style.line = style.background == kBlack || style.background == kBlue || style.background == kLightBlue
                         ? kLightGray
                         : kBlack;
        WGSetLineStyle(graph, dc, 0, 1, static_cast<COLORREF>(style.line));
    }
    const int base = std::min(graph->devHeight / 20, graph->devWidth / 25);
    const DevDesc* dev = GetDevDesc();
    const int dpi = dev && dev->screenDpiY > 0 ? dev->screenDpiY : 96;
    style.points = std::clamp(base * 72 / dpi, 4, 13);
    const int size = PointsToLogSize(graph, dc, style.points);
    style.widthUnit = graph->logWidth > 0 ? static_cast<float>(size) / graph->logWidth : 0;
    style.heightUnit = graph->logHeight > 0 ? static_cast<float>(size) / graph->logHeight : 0;
    if (TopDesc* top = Lib().top)
    {
        const LOGFONT& font = top->defaultFont.logFont;
        style.flags = (font.lfWeight > 600 ? 1 : 0) | (font.lfItalic ? 2 : 0);
        CopyText(style.face, font.lfFaceName, LF_FACESIZE - 1);
    }
    return style;
}

void AutoAlarmLimits(int slot, DynDataSetDesc* set, int background, float high, float low, float setpoint,
                     const char* highMessage, const char* lowMessage, int alarmColours[7], int markColours[3])
{
    std::fill(alarmColours, alarmColours + 7, 0);
    if (set->hysteresis == 0)
        set->hysteresis = (high - low) * 0.01f;
    alarmColours[0] = background == kRed || background == kLightRed ? kYellow : kRed;
    markColours[1] = alarmColours[0];
    if (set->alarms[RT_ALARM_HIGH - 1].message[0] == '\0')
        WRSetAlarm(slot, RT_ALARM_HIGH, high, highMessage);
    alarmColours[1] = background == kBlack ? kLightBlue : background == kBlue ? kLightCyan : kBlue;
    markColours[2] = alarmColours[1];
    if (set->alarms[RT_ALARM_LOW - 1].message[0] == '\0')
        WRSetAlarm(slot, RT_ALARM_LOW, low, lowMessage);
    markColours[0] = background == kGreen || background == kLightGreen ? kBlue : kGreen;
    if (set->setpoint == 0)
        WRSetSetpoint(slot, setpoint);
}

int LabelDigits(float low, float high, int precision)
{
    const double largest = std::max(std::fabs(low), std::fabs(high));
    // Values below 1 still take their leading digit: the logarithm does not count below 0.
    const double magnitude = largest > 1 ? std::trunc(std::log(largest)) : 0.0;
    return static_cast<int>(std::min(magnitude, 60.0)) + 2 + precision + (low < 0 || high < 0 ? 1 : 0);
}

bool HasValueLabels(const DynDataSetDesc* set)
{
    for (int i = 0; i < set->valueCount; ++i)
        if (set->labels[i][0] != '\0')
            return true;
    return false;
}

int WidestValueLabel(GrDesc* graph, HDC dc, const DynDataSetDesc* set, const AutoStyle& style)
{
    if (dc == nullptr)
        return 0;
    LOGFONT lf{};
    lf.lfHeight = -PointsToLogSize(graph, dc, style.points);
    lf.lfWeight = style.flags & 1 ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style.flags & 2 ? 1 : 0;
    CopyText(lf.lfFaceName, style.face, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirect(&lf);
    if (font == nullptr)
        return 0;
    HGDIOBJ old = SelectObject(dc, font);
    int widest = 0;
    for (int i = 0; i < set->valueCount; ++i)
    {
        const char* label = set->labels[i];
        SIZE size{};
        if (GetTextExtentPoint32(dc, label, static_cast<int>(strnlen(label, RT_LABEL_MAX)), &size))
            widest = std::max(widest, static_cast<int>(size.cx));
    }
    SelectObject(dc, old);
    DeleteObject(font);
    return widest;
}

} // namespace trendkit

using namespace trendkit;

namespace
{
constexpr size_t kLegendTextMax = 42; // characters of a legend item
} // namespace

WORD WINAPI WRSetAutoBargraph(GrDesc* graph, int slot, float minimum, float maximum, float base,
                              int orientation, int precision, float setpoint, float alarmHigh, float alarmLow,
                              const char* highMessage, const char* lowMessage, const COLORREF* colours,
                              WORD* out)
{
    static const char kName[] = " - WRSetAutoBargraph";
    WORD numbers[11] = {};
    if (out)
        std::fill(out, out + 11, 0);
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr || graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    // A range of no extent cannot be scaled: refused before anything is made.
    if (!(maximum != minimum) || !std::isfinite(maximum - minimum))
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    HDC dc = graph->buildDc;
    const int n = set->valueCount;
    AutoStyle style = AutoGraphStyle(graph, dc, true);

    // A raised graph keeps a margin for its frame.
    float marginX = 0, marginY = 0;
    if (graph->raise && graph->devWidth > 0 && graph->devHeight > 0)
    {
        const DevDesc* dev = GetDevDesc();
        marginX = 0.01f * dev->screenWidth / graph->devWidth;
        marginY = 0.01f * dev->screenHeight / graph->devHeight;
        const float usableX = 1 - 2 * marginX, usableY = 1 - 2 * marginY;
        if (usableX > 0.1f && usableY > 0.1f)
        {
            style.widthUnit /= usableX;
            style.heightUnit /= usableY;
        }
        else
            marginX = marginY = 0;
    }
    // Many values: smaller texts.
    if (n > 6)
    {
        const float size = static_cast<float>(style.points);
        const float factor = n <= 12 ? size / (size + 1) : size / (size + 3);
        style.widthUnit *= factor;
        style.heightUnit *= factor;
        style.points = std::max(style.points - (n <= 12 ? 1 : 2), 4);
    }
    float titleHeight = 0;
    if (set->name[0] != '\0')
    {
        WGSetTextByName(style.title, style.face, style.points + 2, style.flags);
        numbers[0] = static_cast<WORD>(WGTitleGraph(graph, dc, set->name));
        if (graph->logHeight > 0)
            titleHeight = static_cast<float>(PointsToLogSize(graph, dc, style.points + 2)) / graph->logHeight;
    }
    WGSetTextByName(style.text, style.face, style.points, style.flags);

    const bool alarms = alarmHigh != alarmLow;
    int alarmColours[7] = {}, markColours[3] = {};
    if (alarms)
        AutoAlarmLimits(slot, set, style.background, alarmHigh, alarmLow, setpoint, highMessage, lowMessage,
                        alarmColours, markColours);
    const int markWidth = graph->normWidth <= 0.4f ? 1 : 2;
    // The marks of setpoint, High and Low (HighHigh and LowLow as High and Low); the alarm text in the
    // text colour while normal and in the alarm colours of each kind.
    const int marks[5] = {markColours[0], markColours[1], markColours[2], markColours[1], markColours[2]};
    int textColours[8] = {style.text};
    int valueColours[RT_MAX_VALUES];
    std::fill(valueColours, valueColours + RT_MAX_VALUES, style.text);
    std::copy(alarmColours, alarmColours + 7, textColours + 1);
    const int d = LabelDigits(minimum, maximum, precision);
    const bool labelled = HasValueLabels(set);
    const float wu = style.widthUnit, hu = style.heightUnit;
    const float step = std::fabs(maximum - minimum) / 5;
    WORD bars = 0;

    if (orientation == 0)
    {
        const int rows = labelled ? static_cast<int>(n * (d * 0.68f + 1) * wu) + 1 : 0;
        const float right = 1 - marginX - wu * (alarms ? 2.5f : 1);
        const float left = std::min(marginX + (d * 0.68f + 1) * wu, right - 0.02f);
        const float top = marginY + titleHeight + 0.085f + (labelled ? rows * hu * 1.34f : 0);
        // Room below the plot for the value text (and the alarm text), a row at least.
        const float bottom = 1 - marginY - hu * (alarms ? 3.35f : 1.7f) * std::max(rows, 1);
        const float plotBottom = std::max(bottom, top + 0.02f);
        WGSetPlotArea(graph, dc, left, top, right, plotBottom, style.background);
        WGScalePlotArea(graph, 0, minimum, 1, maximum);
        WGSetXYIntercepts(graph, 0, minimum);
        numbers[1] = static_cast<WORD>(WGDrawYAxis(graph, dc, step, 1, 1));
        if (numbers[1])
        {
            numbers[2] = static_cast<WORD>(WGLabelAxis(graph, dc, numbers[1], 1, 0, -1, 0, nullptr));
            if (set->units[0] != '\0')
                numbers[3] = static_cast<WORD>(WGTitleAxis(graph, dc, numbers[1], 1, set->units));
        }
        WGSetXYIntercepts(graph, 1, minimum);
        numbers[5] = static_cast<WORD>(WGDrawYAxis(graph, dc, step, 4, 2));
        if (n == 1)
            bars = WRSetBargraph(graph, slot, base, 0, 0.5f, 1, 1, colours, nullptr, nullptr);
        else
        {
            const float width =
                (graph->plot.right - graph->plot.left) > 0
                    ? static_cast<float>(graph->unitsPerPixelX) / (graph->plot.right - graph->plot.left)
                    : 0;
            float w = (1 - 2 * width) / n;
            if (10 * width < w)
                w = (1 - (n + 2) * width) / n;
            bars = WRSetBargraph(graph, slot, base, 0, w / 2 + width, 1 - w / 2 - width, w, colours, nullptr,
                                 nullptr);
        }
        // The value labels under the title, across the graph.
        if (labelled && bars)
        {
            // In the rows kept free above the plot.
            const float legendTop = marginY + titleHeight + 0.085f * 0.5f;
            numbers[7] =
                WRDynLegend(graph, 0.03f, legendTop, rows > 1 ? 0 : 0.99f, legendTop + rows * hu * 1.34f, -1,
                            0, style.text, -1, 1, nullptr, bars, 0);
        }
        // The values under the plot, in a row (fitted when the legend takes more than one row).
        const float textTop = plotBottom + 0.6f * hu;
        numbers[8] =
            WRSetDynText(graph, slot, -1, std::max(left - 0.03f, 0.0f), textTop, rows > 1 ? 0 : right,
                         rows > 1 ? 0 : textTop + 1.15f * hu, -1, 0, valueColours, -1, 1, d, precision, 0, 0);
        if (alarms && numbers[5])
        {
            numbers[9] =
                WRSetAlarmMarks(graph, slot, numbers[5], 2, style.points, nullptr, markWidth, marks, nullptr);
            numbers[10] = WRSetAlarmText(graph, slot, n == 1 ? 0 : -1, 0.03f, 1 - marginY - hu * 1.6f, 0.97f,
                                         1 - marginY - hu * 0.3f, -1, 0, -1, "OK", textColours, 6, 1);
        }
    }
    else
    {
        float top = marginY + titleHeight + hu * (alarms ? 2.9f : 1.6f);
        const float bottom = 0.96f - marginY - hu * (alarms ? 3.82f : 2.6f);
        if (bottom - top < 0.02f)
            top = bottom - 0.02f;
        const float left = marginX + d * wu * 0.75f + 0.02f;
        float right = 0.96f - marginX;
        if (labelled && graph->logWidth > 0)
        {
            // Room for the legend: the widest label, its sample and their margins (eight text heights across).
            const float sample =
                graph->devWidth > 0 ? 8 * wu * static_cast<float>(graph->devHeight) / graph->devWidth : 0;
            right = 1 - marginX -
                    static_cast<float>(WidestValueLabel(graph, dc, set, style)) / graph->logWidth - wu -
                    sample;
        }
        right = std::max(right, left + 0.02f);
        WGSetPlotArea(graph, dc, left, top, right, bottom, style.background);
        WGScalePlotArea(graph, minimum, 0, maximum, 1);
        WGSetXYIntercepts(graph, minimum, 0);
        numbers[1] = static_cast<WORD>(WGDrawXAxis(graph, dc, step, 1, 0));
        if (numbers[1])
        {
            numbers[2] = static_cast<WORD>(WGLabelAxis(graph, dc, numbers[1], 0, 0, -1, 0, nullptr));
            if (set->units[0] != '\0')
                numbers[3] = static_cast<WORD>(WGTitleAxis(graph, dc, numbers[1], 0, set->units));
        }
        WGSetXYIntercepts(graph, minimum, 1);
        numbers[5] = static_cast<WORD>(WGDrawXAxis(graph, dc, step, 1, 4));
        if (n == 1)
            bars = WRSetBargraph(graph, slot, base, 1, 0.5f, 0.5f, 1, colours, nullptr, nullptr);
        else
        {
            const int height = graph->plot.bottom - graph->plot.top;
            const float p = height > 0 ? static_cast<float>(graph->unitsPerPixelY + 1) / height : 0;
            float w = (1 - 2 * p) / n;
            if (10 * p < w)
                w = (1 - (n + 2) * p) / n;
            bars =
                WRSetBargraph(graph, slot, base, 1, 1 - w / 2 - 2 * p, w / 2, w, colours, nullptr, nullptr);
        }
        // The value labels right of the plot.
        if (labelled && bars)
            numbers[7] = WRDynLegend(graph, right + 0.01f, top, 0.99f, bottom, -1, 0, style.text, -1, 0,
                                     nullptr, bars, 0);
        // The values left of the plot, a column over its height.
        numbers[8] = WRSetDynText(graph, slot, -1, 0.01f, top, std::max(left - 0.015f, 0.02f), bottom, -1, 0,
                                  valueColours, -1, 0, d, precision, 0, 0);
        if (alarms && numbers[5])
        {
            numbers[9] =
                WRSetAlarmMarks(graph, slot, numbers[5], 4, style.points, nullptr, markWidth, marks, nullptr);
            numbers[10] = WRSetAlarmText(graph, slot, n == 1 ? 0 : -1, 0.03f, 1 - marginY - hu * 1.67f, 0.97f,
                                         1 - marginY - hu * 0.35f, -1, 0, -1, "OK", textColours, 6, 1);
        }
    }
    numbers[4] = bars;
    if (out)
        std::copy(numbers, numbers + 11, out);
    return bars;
}

int WINAPI WRSetLegendText(GrDesc* graph, WORD legend, int item, const char* text)
{
    if (text == nullptr || graph == nullptr || !WGIsGraphDescValid(graph) || item < 0)
        return 0;
    ObjDesc* o = GetObjDesc(graph, legend, nullptr);
    // A missing item (at or past the legend's count) is refused by the string accessor.
    if (o == nullptr || o->type != PK_TYPE_LEGEND || WGGetString(graph, legend, item) == nullptr)
        return 0;
    // The string accessor counts a legend's lines from 0 under its title (-1 is the title).
    return WGChangeString(graph, legend, text, item - 1) ? 1 : 0;
}

int WINAPI WRGetLegendText(GrDesc* graph, WORD legend, int item, char* buffer)
{
    if (buffer == nullptr || graph == nullptr || !WGIsGraphDescValid(graph) || item < 0)
        return 0;
    ObjDesc* o = GetObjDesc(graph, legend, nullptr);
    const char* text = o && o->type == PK_TYPE_LEGEND ? WGGetString(graph, legend, item) : nullptr;
    if (text == nullptr)
        return 0;
    // At most an item's 42 characters, with the terminator.
    CopyText(buffer, text, kLegendTextMax);
    return 1;
}
