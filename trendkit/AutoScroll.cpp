// The one-call strip chart of a data set (WRSetAutoScrollGraph): title, plot area fitted to the axis
// labels, time and value axes, the chart itself and the alarm-limit lines.
#include "AutoGraph.h"

#include <algorithm>
#include <cmath>

using namespace trendkit;

WORD WINAPI WRSetAutoScrollGraph(GrDesc* graph, UINT slot, float interval, float keptFraction, float minimum,
                                 float maximum, float timeRange, int kind, int decimals, float setpoint,
                                 float alarmHigh, float alarmLow, const char* xTitle, int background,
                                 const int* colours, int legend, WORD* out)
{
    static const char kName[] = " - WRSetAutoScroll";
    WORD numbers[11] = {};
    if (out)
        std::fill(out, out + 11, 0);
    DynDataSetDesc* set = GetDynDataSet(static_cast<int>(slot));
    if (set == nullptr || graph == nullptr || !WGIsGraphDescValid(graph))
        return 0;
    // Ranges of no extent and unknown kinds are refused before anything is made.
    if (!(maximum != minimum) || !std::isfinite(maximum - minimum) || !(timeRange > 0) || kind < 1 ||
        kind > 3)
    {
        ErrHdlr(30, 2, kName);
        return 0;
    }
    HDC dc = graph->buildDc;
    const AutoStyle style = AutoGraphStyle(graph, dc, false);
    const bool titled = set->name[0] != '\0';
    const float titleHeight =
        titled && graph->logHeight > 0
            ? static_cast<float>(PointsToLogSize(graph, dc, style.points + 2)) / graph->logHeight
            : 0;
    const float step = std::fabs(maximum - minimum) / 5;
    const int precision = GetPrec(step);
    const int digits = LabelDigits(minimum, maximum, precision);
    const float wu = style.widthUnit;
    const float left = (digits * 0.7f + 2) * wu + 0.01f;
    const float top = titleHeight + 0.085f;
    constexpr float kBottom = 0.82f;
    float right = 0.92f;
    if (legend)
    {
        right = 1 - ((digits - precision + decimals) * 0.7f + 2) * wu;
        if (HasValueLabels(set) && graph->logWidth > 0)
            right -= static_cast<float>(WidestValueLabel(graph, dc, set, style)) / graph->logWidth;
        if (graph->raise && graph->devWidth > 0)
            right -= 0.01f * GetDevDesc()->screenWidth / graph->devWidth;
    }
    if (!(right - left > 0.1f))
    {
        RTErrHdlr(136, 2, kName);
        return 0;
    }
    if (titled)
    {
        WGSetTextByName(style.title, style.face, style.points + 2, style.flags);
        numbers[0] = static_cast<WORD>(WGTitleGraph(graph, dc, set->name));
    }
    WGSetTextByName(style.text, style.face, style.points, style.flags);
    WGSetPlotArea(graph, dc, left, top, right, kBottom, background);
    WGScalePlotArea(graph, 0, minimum, timeRange, maximum);
    WGSetXYIntercepts(graph, 0, minimum);
    numbers[1] = static_cast<WORD>(WGDrawXAxis(graph, dc, timeRange / 5, 1, 0));
    if (numbers[1])
    {
        numbers[2] = static_cast<WORD>(WGLabelAxis(graph, dc, numbers[1], 0, 0, -1, 0, nullptr));
        if (xTitle)
            numbers[3] = static_cast<WORD>(WGTitleAxis(graph, dc, numbers[1], 0, xTitle));
    }
    numbers[4] = static_cast<WORD>(WGDrawYAxis(graph, dc, step, 1, 1));
    if (numbers[4])
    {
        numbers[5] = static_cast<WORD>(WGLabelAxis(graph, dc, numbers[4], 1, 0, precision, 0, nullptr));
        if (xTitle)
            numbers[6] = static_cast<WORD>(WGTitleAxis(graph, dc, numbers[4], 1, set->units));
    }
    WORD chart = 0;
    switch (kind)
    {
    case 1:
        chart = WRSetScrollGraph(graph, slot, interval, keptFraction, 1, 0, nullptr, nullptr, colours);
        break;
    case 2:
        chart = WRSetScrollBargraph(graph, static_cast<int>(slot), 0, interval, keptFraction, 1,
                                    interval * 0.6f, WGGetRGBColor(colours ? colours[0] : 0), -1);
        break;
    default:
    {
        int sweep = style.text;
        if (sweep == background)
            sweep = sweep == 0 ? 0 : 7;
        chart = WRSetSweepGraph(graph, slot, interval, 1, 0, sweep, nullptr, nullptr, colours);
        break;
    }
    }
    numbers[7] = chart;
    if (alarmHigh != alarmLow)
    {
        int alarmColours[7] = {}, marks[3] = {};
        AutoAlarmLimits(static_cast<int>(slot), set, background, alarmHigh, alarmLow, setpoint, nullptr,
                        nullptr, alarmColours, marks);
        // Setpoint, High and Low take the mark colours; HighHigh and LowLow those of High and Low.
        const int lineColours[5] = {marks[0], marks[1], marks[2], marks[1], marks[2]};
        numbers[10] =
            WRSetAlarmLines(graph, static_cast<int>(slot), 4, 1, nullptr, nullptr, nullptr, lineColours);
    }
    if (legend && chart)
    {
        // The value labels right of the plot (each in its trace colour), then the live values.
        float x = right + 0.01f;
        if (HasValueLabels(set))
        {
            numbers[8] = WRDynLegend(graph, x, top, 0, 0, -1, 0, -1, style.text, 0, nullptr, chart, 0);
            float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            if (numbers[8] && WGGetObjectCoordNorm(graph, numbers[8], &x1, &y1, &x2, &y2))
                x = std::max(x1, x2);
            // The values stay on the graph whatever room the legend took.
            x = std::min(x, 1 - ((digits - precision + decimals) * 0.7f + 1) * wu);
        }
        int colours[RT_MAX_VALUES];
        std::fill(colours, colours + RT_MAX_VALUES, style.text);
        numbers[9] = WRSetDynText(graph, static_cast<int>(slot), -1, x, top, 0, kBottom, -1, 0, colours, -1,
                                  0, digits - precision + decimals, decimals, chart, 0);
    }
    if (out)
        std::copy(numbers, numbers + 11, out);
    return chart;
}
