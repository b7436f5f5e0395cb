#include "displays/BarGraphPainters.h"

#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "units/Units.h"

#include <plotkit.h>
#include <trendkit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
const char* UnitLabel(const CAnalogData& s)
{
    return s.m_pUnits != nullptr ? s.m_pUnits->m_szLabel : "";
}

bool RelativeUnits(const CAnalogData& s)
{
    return s.m_pUnits != nullptr && s.m_pUnits->IsUserUnit();
}

uint16_t Text(GrDesc* graph, HDC dc, const char* text, float x, float y, int placement = 0)
{
    return static_cast<uint16_t>(WGTextNorm(graph, dc, text, x, y, placement, 0));
}

UINT Capacity(const CAnalogData& s)
{
    return static_cast<UINT>(s.m_traceCount > 0 ? s.m_traceCount : 1);
}

// The second data cursor in the active document's cursor colour, width and style.
uint16_t DocumentCursor(GrDesc* graph, HDC dc, const CommonPlotObjects& plot)
{
    int colour = 1, width = 2, style = 0;
    GetDocumentCursorStyle(&colour, &width, &style);
    return static_cast<uint16_t>(
        WGSetDataCursor(graph, dc, 0, plot.xAxis, plot.yAxis, 0, colour, style, width));
}
} // namespace

void BarRowList::Layout(int count, int firstMass, int lastMass)
{
    // More masses than the rows hold: the rows show the first of them.
    if (count > kMaxRows * kBarsPerRow)
    {
        count = kMaxRows * kBarsPerRow;
        lastMass = std::min(lastMass, firstMass + count - 1);
    }
    count = std::max(count, 0);
    if (count <= kBarsPerRow)
    {
        rowCount = 1;
        lastRowSize = count;
        first[0] = static_cast<float>(firstMass);
        last[0] = static_cast<float>(lastMass);
        return;
    }
    rowCount = count / kBarsPerRow + (count % kBarsPerRow != 0 ? 1 : 0);
    lastRowSize = count % kBarsPerRow;
    float start = static_cast<float>(firstMass);
    for (int i = 0; i < rowCount; ++i)
    {
        first[i] = start;
        last[i] = i == rowCount - 1 ? static_cast<float>(lastMass) : start + kBarsPerRow - 1;
        start = last[i] + 1.0f;
    }
}

void PaintBarRows(GrDesc* graph, const CAnalogData& s, const BarRowList& rows, int sets[30],
                  uint16_t bars[30])
{
    const float width = s.m_barWidth > 0.0f && s.m_barWidth <= 1.0f ? s.m_barWidth : 0.0f;
    for (int i = 0; i < rows.rowCount; ++i)
    {
        sets[i] = WRDefineDynDataSet(rows.names[i], rows.ValuesInRow(i), UnitLabel(s), nullptr, Capacity(s));
        bars[i] = WRSetBargraph(graph, sets[i], 0.0f, 0, rows.first[i], rows.last[i], width, rows.colours,
                                nullptr, nullptr);
    }
}

CBarGraphPainter::CBarGraphPainter(CAnalogData* settings, const BarRowList& rows, const char* massIndexName)
    : m_pSettings(settings), m_rows(rows)
{
    std::snprintf(m_szMassIndexName, sizeof m_szMassIndexName, "%s", massIndexName);
}

void CBarGraphPainter::BuildObjects(GrDesc* graph, HDC dc)
{
    const CAnalogData& s = *m_pSettings;
    // Grids behind the bars.
    WGToggleGridsOrder(1);
    PaintCommonPlot(graph, dc, s, m_plot, m_plotArea, true);
    const int titleColour = s.m_textStyle[4].colour;
    const int captionColour = s.m_textStyle[2].colour;

    WGSetTextByName(titleColour, "Arial", 8, 0);
    m_infoText = Text(graph, dc, " ", 0.84f, 0.03f, 6);

    PaintBarRows(graph, s, m_rows, m_rowSets, m_bars);

    // The mass being measured, under the left end of the mass axis.
    m_nMassIndexSet = WRDefineDynDataSet(m_szMassIndexName, 1, "", nullptr, 1);
    const CAnalogData::TextStyle& xFont = s.m_textStyle[0];
    WGSetTextByName(xFont.colour, xFont.face, xFont.size, xFont.style);
    const int massColours[1] = {1};
    m_massIndexText = WRSetDynText(graph, m_nMassIndexSet, 0, 0.025f, 0.92f, 0.0f, 0.0f, 7, 1, massColours,
                                   -1, 0, 11, 3, 0, 0);

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
    const int firstSet = m_rows.rowCount > 0 ? m_rowSets[0] : 0;
    m_pressureMessage = WRSetMessage(graph, firstSet, 0, 0.23f, 0.035f, 16, 1, 7, 2, &texts[0][0], colours);
    WGSetTextByName(titleColour, "Arial", 8, 1);
    m_pressureTitle = Text(graph, dc, RelativeUnits(s) ? "Ref Pressure" : "Total Pressure", 0.11f, 0.04f);
    WGShowObject(graph, m_pressureMessage, FALSE);
    WGShowObject(graph, m_pressureTitle, FALSE);
    for (uint16_t grid : {m_plot.yGrids[0], m_plot.yGrids[1], m_plot.xGrids[0], m_plot.xGrids[1]})
        if (grid != 0)
            WRUpdateObj(graph, grid);
    WGShowObject(graph, m_infoText, FALSE);
    WGShowObject(graph, m_pressureMessage, s.m_alarmMessageShown ? TRUE : FALSE);
    WGShowObject(graph, m_pressureTitle, s.m_alarmMessageShown ? TRUE : FALSE);
    if (firstSet != 0)
        WRSetBitExclusive(firstSet, 0, graph);

    m_cursorLine = DocumentCursor(graph, dc, m_plot);
    WGSetTextByName(0, "Arial", 8, 1);
    // The read-out ends at the plot's right edge, clear of the title and inside the page.
    m_cursorReadout = Text(graph, dc, " ", m_plotArea[1], m_plotArea[3] / 2.0f, 2);
    WGShowObject(graph, m_cursorReadout, FALSE);
    m_progressMarker =
        static_cast<uint16_t>(WGSetDataCursor(graph, dc, 0, m_plot.xAxis, m_plot.yAxis, 0, 14, 2, 1));
    WGSetTextByName(captionColour, "Arial", 6, 1);
    m_logStatusText = Text(graph, dc, "        ", 0.1f, 0.95f);
    m_logProgressText = Text(graph, dc, "        ", 0.7f, 0.95f);
    m_scanCounterText = Text(graph, dc, " ", (m_plotArea[0] + m_plotArea[1]) / 2.0f, m_plotArea[3]);
}

CLibGraphPainter::CLibGraphPainter(CAnalogData* settings, const BarRowList& rows, const char* name)
    : m_pSettings(settings), m_rows(rows)
{
    std::snprintf(m_szName, sizeof m_szName, "%s", name);
}

void CLibGraphPainter::BuildObjects(GrDesc* graph, HDC dc)
{
    const CAnalogData& s = *m_pSettings;
    PaintCommonPlot(graph, dc, s, m_plot, m_plotArea, true);
    WGSetTextByName(1, "Arial", 10, 5);
    m_gasNameText = Text(graph, dc, m_szName, 0.1f, 0.05f);
    PaintBarRows(graph, s, m_rows, m_rowSets, m_bars);
    m_cursorLine = DocumentCursor(graph, dc, m_plot);
    WGSetTextByName(0, "Arial", 8, 1);
    // The read-out ends at the plot's right edge, clear of the title and inside the page.
    m_cursorReadout = Text(graph, dc, " ", m_plotArea[1], m_plotArea[3] / 2.0f, 2);
    WGShowObject(graph, m_cursorReadout, FALSE);
}
