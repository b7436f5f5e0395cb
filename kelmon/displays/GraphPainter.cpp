#include "displays/ChartHost.h"
#include "displays/Display.h"
#include "displays/GraphBuilder.h"
#include "doc/AnalogData.h"
#include "displays/PvsTDisplay.h"
#include "scans/Table.h"
#include "units/Units.h"

#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
// The spectrum graphs' plot area (normalised, from the graph's top left).
constexpr float kPlotLeft = 0.09f, kPlotTop = 0.13f, kPlotRight = 0.94f, kPlotBottom = 0.9f;

void UseFont(const CAnalogData::TextStyle& style)
{
    WGSetTextByName(style.colour, style.face, style.size, style.style);
}

const char* UnitLabel(const CAnalogData& settings)
{
    return settings.m_pUnits != nullptr ? settings.m_pUnits->m_szLabel : "";
}

bool RelativeUnits(const CAnalogData& settings)
{
    return settings.m_pUnits != nullptr && settings.m_pUnits->IsUserUnit();
}

uint16_t Text(GrDesc* graph, HDC dc, const char* text, float x, float y, int placement = 0)
{
    return static_cast<uint16_t>(WGTextNorm(graph, dc, text, x, y, placement, 0));
}

void GridsOf(GrDesc* graph, HDC dc, int axis, const CAnalogData::GridLine (&lines)[2], int majorOn,
             uint16_t (&grids)[2])
{
    WGSetLineStyle(graph, dc, lines[0].style, lines[0].width, lines[0].colour);
    grids[0] = WRDynGrid(graph, axis, 0, 1);
    WGToggleGrid(graph, axis, 0, majorOn);
    if (lines[0].on)
    {
        WGSetLineStyle(graph, dc, lines[1].style, lines[1].width, lines[1].colour);
        grids[1] = WRDynGrid(graph, axis, 1, 1);
    }
}
} // namespace

void PaintCommonPlot(GrDesc* graph, HDC dc, const CAnalogData& s, CommonPlotObjects& o, float plotArea[4],
                     bool barIntercept)
{
    WGSetPlotArea(graph, dc, kPlotLeft, kPlotTop, kPlotRight, kPlotBottom,
                  WGGetPureColor(s.m_plotBackground));
    WGChangePlotBackgnd(graph, s.m_plotBackground);
    plotArea[0] = kPlotLeft;
    plotArea[1] = kPlotRight;
    plotArea[2] = kPlotBottom;
    plotArea[3] = kPlotTop;

    const float xMin = static_cast<float>(s.m_startMass), xMax = static_cast<float>(s.m_stopMass);
    WGScalePlotArea(graph, xMin, s.m_pressureBottom, xMax, s.m_pressureTop);
    float yIntercept = s.m_pressureBottom;
    if (barIntercept)
        yIntercept = s.m_pressureBottom > 0.0f ? s.m_pressureBottom
                     : s.m_pressureTop < 0.0f  ? s.m_pressureTop
                                               : 0.0f;
    WGSetXYIntercepts(graph, xMin, yIntercept);
    WGSetAxesScale(graph, 0, static_cast<SHORT>(s.m_logScale ? 1 : 0));

    // The mass labels never overlap: the labelled step grows by whole multiples of the settings'
    // step (the same tick marks stay) until the widest label, with a gap, fits its share of the plot.
    float massTick = s.m_massTick;
    int massMinor = s.m_massMinorTicks;
    UseFont(s.m_textStyle[0]);
    char widest[16];
    std::snprintf(widest, sizeof widest, "%d00", s.m_stopMass > 0 ? s.m_stopMass : 1);
    float labelWidth = 0.0f, labelHeight = 0.0f;
    WGGetTextSizeNorm(graph, dc, TRUE, widest, 0, &labelWidth, &labelHeight);
    const float room = (kPlotRight - kPlotLeft) * 0.85f;
    if (massTick > 0.0f && labelWidth > 0.0f && xMax > xMin)
    {
        int multiple = 1;
        for (int k : {1, 2, 5, 10, 20, 50, 100, 200, 500})
        {
            multiple = k;
            if ((xMax - xMin) / (massTick * k) * labelWidth <= room)
                break;
        }
        massMinor = (massMinor + 1) * multiple - 1;
        massTick *= static_cast<float>(multiple);
    }
    WGSetLineStyle(graph, dc, s.m_xAxisStyle, 1, s.m_xAxisColour);
    o.xAxis = static_cast<uint16_t>(WGDrawXAxis(graph, dc, massTick, massMinor, s.m_xTickStyle));
    WGSetLineStyle(graph, dc, s.m_yAxisStyle, 1, s.m_yAxisColour);
    o.yAxis = static_cast<uint16_t>(WGDrawYAxis(graph, dc, s.m_linearTick, s.m_yMinorTicks, s.m_yTickStyle));

    GridsOf(graph, dc, o.yAxis, s.m_yGrid, s.m_yMajorGrid, o.yGrids);
    GridsOf(graph, dc, o.xAxis, s.m_xGrid, s.m_xMajorGrid, o.xGrids);

    UseFont(s.m_textStyle[0]);
    o.xLabels = static_cast<uint16_t>(WGLabelAxis(graph, dc, o.xAxis, 0, 0, 0, 0, nullptr));
    UseFont(s.m_textStyle[1]);
    o.yLabels = static_cast<uint16_t>(
        WGLabelAxis(graph, dc, o.yAxis, 1, s.m_labelFormat, s.m_labelPrecision, 0, nullptr));

    UseFont(s.m_textStyle[2]);
    o.xCaption = Text(graph, dc, s.m_xAxisTitle, kPlotRight / 2.0f, (kPlotBottom + 1.0f) / 2.0f);
    UseFont(s.m_textStyle[3]);
    o.yCaption = Text(graph, dc, UnitLabel(s), 0.03f, 0.035f);
    UseFont(s.m_textStyle[4]);
    o.title = static_cast<uint16_t>(WGTitleGraph(graph, dc, s.m_graphTitle));
}

void CSingleGraphBuilder::CreateGraphs(PgDesc* page)
{
    m_pGraph = ChartInitGraph(page, reinterpret_cast<LPARAM>(m_pPainter), 0.0f, 0.0f, 1.0f, 1.0f,
                              WGGetPureColor(m_background), -1, m_nBorderWidth);
    if (m_pGraph != nullptr)
        WGChangeGraphBackgnd(m_pGraph, m_background);
}

CAnalogGraphPainter::CAnalogGraphPainter(CAnalogData* settings, const char* name) : m_pSettings(settings)
{
    std::snprintf(m_szName, sizeof m_szName, "%s", name != nullptr ? name : "");
}

void CAnalogGraphPainter::BuildObjects(GrDesc* graph, HDC dc)
{
    const CAnalogData& s = *m_pSettings;
    PaintCommonPlot(graph, dc, s, m_plot, m_plotArea);
    const int titleColour = s.m_textStyle[4].colour;
    const int captionColour = s.m_textStyle[2].colour;

    WGSetTextByName(titleColour, "Arial", 8, 0);
    m_infoText = Text(graph, dc, "Date", 0.84f, 0.03f, 6);
    WGShowObject(graph, m_infoText, FALSE);

    const int values = 2 * s.m_tempSetHalfCount;
    const UINT capacity = static_cast<UINT>(s.m_traceCount > 0 ? s.m_traceCount : 1);
    m_nDataSet = WRDefineDynDataSet(m_szName, values, UnitLabel(s), nullptr, capacity);
    m_nSecondSet = WRDefineDynDataSet(m_szName, values, UnitLabel(s), nullptr, capacity);

    // The total-pressure read-out: the value (with the absolute unit in a relative unit mode).
    WGSetTextByName(0, "Arial", 8, 1);
    char texts[2][42] = {};
    for (auto& text : texts)
    {
        if (RelativeUnits(s))
            std::snprintf(text, sizeof text, "  ---  %s", s.m_pUnits->m_szUnitName);
        else
            std::snprintf(text, sizeof text, "  ---  ");
    }
    const int colours[2] = {0, 0};
    m_alarmMessage = WRSetMessage(graph, m_nDataSet, 0, 0.23f, 0.035f, 16, 1, 7, 2, &texts[0][0], colours);
    WGSetTextByName(titleColour, "Arial", 8, 1);
    m_pressureCaption = Text(graph, dc, RelativeUnits(s) ? "Ref Pressure" : "Total Pressure", 0.11f, 0.04f);
    WGShowObject(graph, m_alarmMessage, FALSE);
    WGShowObject(graph, m_pressureCaption, FALSE);

    WGSetTextByName(captionColour, "Arial", 6, 1);
    m_averagingText = Text(graph, dc, "        ", 0.1f, 0.95f);
    m_logProgressText = Text(graph, dc, " ", 0.7f, 0.95f);
    WGShowObject(graph, m_logProgressText, FALSE);
    m_scanCounterText = Text(graph, dc, " ", (kPlotLeft + kPlotRight) / 2.0f, kPlotTop);
    WGShowObject(graph, m_scanCounterText, FALSE);

    m_trace = WRSetAscendXYGraph(graph, m_nDataSet, s.m_traceCount, s.m_traceColours, s.m_traceStyles,
                                 s.m_traceWidths);
    m_sweepCursor = static_cast<uint16_t>(
        WGSetDataCursor(graph, dc, 0, m_plot.xAxis, m_plot.yAxis, 0, s.m_sweepCursorColour, 2, 1));

    for (uint16_t grid : {m_plot.yGrids[0], m_plot.yGrids[1], m_plot.xGrids[0], m_plot.xGrids[1]})
        if (grid != 0)
            WRUpdateObj(graph, grid);
    WGShowObject(graph, m_alarmMessage, s.m_alarmMessageShown ? TRUE : FALSE);
    WGShowObject(graph, m_pressureCaption, s.m_alarmMessageShown ? TRUE : FALSE);
    WRSetBitExclusive(m_nDataSet, 0, graph);

    int colour = 1, width = 2, style = 0;
    GetDocumentCursorStyle(&colour, &width, &style);
    m_dataCursor = static_cast<uint16_t>(
        WGSetDataCursor(graph, dc, 0, m_plot.xAxis, m_plot.yAxis, 0, colour, style, width));
    WGSetTextByName(0, "Arial", 8, 1);
    m_cursorText = Text(graph, dc, " ", 0.75f, kPlotTop / 2.0f);
    WGShowObject(graph, m_cursorText, FALSE);
}

CPvsTGraphPainter::CPvsTGraphPainter(CTable* table, const char* name) : m_pTable(table)
{
    std::snprintf(m_szName, sizeof m_szName, "%s", name != nullptr ? name : "");
}

namespace
{
void UseTableFont(const CTable& t, int block)
{
    const CTable::FontBlock& f = t.m_fonts[block];
    WGSetTextByName(f.words[2], f.face, f.words[0], f.words[1]);
}
} // namespace

void CPvsTGraphPainter::BuildObjects(GrDesc* graph, HDC dc)
{
    const CTable& t = *m_pTable;
    using W = PvsTWords;
    const COLORREF plotColour = W::PlotColour(t);
    WGSetPlotArea(graph, dc, kPlotLeft, kPlotTop, kPlotRight, kPlotBottom, WGGetPureColor(plotColour));
    WGChangePlotBackgnd(graph, plotColour);
    m_plotArea[0] = kPlotLeft;
    m_plotArea[1] = kPlotRight;
    m_plotArea[2] = kPlotBottom;
    m_plotArea[3] = kPlotTop;

    const float xMin = static_cast<float>(t.m_timeStart), xMax = t.m_timeSpan;
    WGScalePlotArea(graph, xMin, t.m_axisBottom, xMax, t.m_axisTop);
    WGSetXYIntercepts(graph, 0.0f, t.m_axisBottom);
    WGSetAxesScale(graph, 0, static_cast<SHORT>(W::LogScale(t) ? 1 : 0));

    const CTable::FontBlock& title = t.m_fonts[W::kFontTitle];
    const int titleColour = title.words[2];
    WGSetLineStyle(graph, dc, 0, 1, 0);
    m_plot.xAxis = static_cast<uint16_t>(WGDrawXAxis(graph, dc, W::TimeTick(t), 0, 3));
    UseTableFont(t, W::kFontTimeLabels);
    m_plot.xLabels = static_cast<uint16_t>(WGLabelAxis(graph, dc, m_plot.xAxis, 0, 5, -1, 0, nullptr));
    UseTableFont(t, W::kFontTimeCaption);
    m_plot.xCaption = Text(graph, dc, t.m_szTimeTitle, kPlotRight / 2.0f, (kPlotBottom + 1.0f) / 2.0f);
    WGSetLineStyle(graph, dc, 0, 1, 0);
    m_plot.yAxis = static_cast<uint16_t>(WGDrawYAxis(graph, dc, t.GetDisplayFloat(CTable::kWordPressureTick),
                                                     W::MinorTicks(t), W::TickStyle(t)));

    // Grids: major then minor, Y first; drawn at every refresh of the live data.
    for (uint16_t axis : {m_plot.yAxis, m_plot.xAxis})
    {
        uint16_t(&grids)[2] = axis == m_plot.yAxis ? m_plot.yGrids : m_plot.xGrids;
        WGSetLineStyle(graph, dc, 2, 1, 8);
        grids[0] = WRDynGrid(graph, axis, 0, 0);
        WGToggleGrid(graph, axis, 0, 1);
    }

    UseTableFont(t, W::kFontYLabels);
    m_plot.yLabels = static_cast<uint16_t>(
        WGLabelAxis(graph, dc, m_plot.yAxis, 1, W::YLabelFormat(t), W::YLabelPrecision(t), 0, nullptr));
    UseTableFont(t, W::kFontUnits);
    m_plot.yCaption = Text(graph, dc, t.m_pUnits != nullptr ? t.m_pUnits->m_szLabel : "", 0.03f, 0.035f);
    UseTableFont(t, W::kFontTitle);
    m_plot.title = static_cast<uint16_t>(WGTitleGraph(graph, dc, t.m_szPvsTTitle));

    WGSetTextByName(titleColour, "Arial", 8, 0);
    m_infoText = Text(graph, dc, "start time", 0.94f, 0.035f, 2);

    const int n = std::max(0, std::min(t.m_activeCount, CTable::kChannels));
    const char* unitLabel = t.m_pUnits != nullptr ? t.m_pUnits->m_szLabel : "";
    m_nDataSet = WRDefineDynDataSet(m_szName, std::max(2, 2 * n), unitLabel, nullptr, W::HistoryCapacity(t));

    const bool relative = t.m_pUnits != nullptr && t.m_pUnits->IsUserUnit();
    WGSetTextByName(0, "Arial", 8, 1);
    char texts[2][42] = {};
    for (auto& text : texts)
    {
        if (relative)
            std::snprintf(text, sizeof text, "  ---  %s", t.m_pUnits->m_szUnitName);
        else
            std::snprintf(text, sizeof text, "  ---  ");
    }
    const int colours[2] = {0, 0};
    m_alarmMessage = WRSetMessage(graph, m_nDataSet, 0, 0.23f, 0.035f, 16, 1, 7, 2, &texts[0][0], colours);
    WGSetTextByName(titleColour, "Arial", 8, 1);
    m_pressureCaption = Text(graph, dc, relative ? "Ref Pressure" : "Total Pressure", 0.11f, 0.04f);
    WGShowObject(graph, m_alarmMessage, FALSE);
    WGShowObject(graph, m_pressureCaption, FALSE);

    // The two state lamps (hidden); they need the graph's device size, which a graph being built
    // may not have yet, and are then left out.
    m_leds[0] = WRSetLEDControl(graph, 0.98f, 0.97f, 0.015f, 0, 10, 12);
    m_leds[1] = WRSetLEDControl(graph, 0.96f, 0.97f, 0.015f, 0, 14, 8);
    for (uint16_t led : m_leds)
        if (led != 0)
            WGShowObject(graph, led, FALSE);

    // One trace per active channel: pair k is (value k, value n + k).
    int colourTable[CTable::kChannels] = {}, styleTable[CTable::kChannels] = {},
        widthTable[CTable::kChannels] = {};
    for (int k = 0; k < n; ++k)
    {
        const int slot = std::clamp(t.m_active[k].m_number - 1, 0, CTable::kChannels - 1);
        colourTable[k] = t.m_channelColors[slot];
        styleTable[k] = t.m_flags[slot] ? t.m_channelWords2[slot] : 5;
        widthTable[k] = t.m_channelWords1[slot];
    }
    m_trace = WRSetAscendXYGraph(graph, m_nDataSet, std::max(2, t.m_timePoints), colourTable, styleTable,
                                 widthTable);

    // The channel names, one 42-character row each in one block, as the legend of the traces.
    if (n > 0)
    {
        if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(n) * 42))
        {
            if (auto* names = static_cast<char*>(GlobalLock(block)))
            {
                for (int k = 0; k < n; ++k)
                    std::snprintf(names + static_cast<size_t>(k) * 42, 42, "%s", t.m_active[k].m_szGasName);
                GlobalUnlock(block);
                WGSetTextByName(0, "Arial", 8, 1);
                m_legend = WRDynLegend(graph, 0.85f, 0.2f, 0.0f, 0.0f, 15, 2, -1, 7, 0, block, m_trace, 1);
            }
            GlobalFree(block);
        }
    }

    int colour = 1, width = 2, style = 0;
    GetDocumentCursorStyle(&colour, &width, &style);
    m_dataCursor = static_cast<uint16_t>(
        WGSetDataCursor(graph, dc, 0, m_plot.xAxis, m_plot.yAxis, 0, colour, style, width));
    for (uint16_t grid : {m_plot.yGrids[0], m_plot.yGrids[1], m_plot.xGrids[0], m_plot.xGrids[1]})
        if (grid != 0)
            WRUpdateObj(graph, grid);
    WGSetTextByName(0, "Arial", 8, 1);
    m_hiddenText = Text(graph, dc, " ", 0.75f, kPlotTop / 2.0f);
    WGShowObject(graph, m_hiddenText, FALSE);
    const bool shown = W::TotalShown(t);
    WGShowObject(graph, m_alarmMessage, shown ? TRUE : FALSE);
    WGShowObject(graph, m_pressureCaption, shown ? TRUE : FALSE);
    WRSetBitExclusive(m_nDataSet, 0, graph);
}
