// The graphs of the bar displays (histogram and gas library): the common spectrum plot with one bar
// data set and bargraph per row of ten masses, and each kind's read-outs.
#pragma once

#include "displays/GraphBuilder.h"

#include <cstdint>

// The rows of bars both bar displays hand their painter.
struct BarRowList
{
    static constexpr int kMaxRows = 30;
    static constexpr int kBarsPerRow = 10;
    int rowCount = 0;
    int lastRowSize = 0; // values in the last row; 0: every row is full
    char names[kMaxRows][20] = {};
    float first[kMaxRows] = {}; // mass range of each row
    float last[kMaxRows] = {};
    COLORREF colours[kBarsPerRow] = {};

    // Rows of ten over count masses from firstMass to lastMass (count at most 300).
    void Layout(int count, int firstMass, int lastMass);
    int ValuesInRow(int row) const
    {
        return row == rowCount - 1 && lastRowSize != 0 ? lastRowSize : kBarsPerRow;
    }
};

// The bar data sets and bargraphs of a row list on a graph being built.
void PaintBarRows(GrDesc* graph, const CAnalogData& settings, const BarRowList& rows, int sets[30],
                  uint16_t bars[30]);

// The histogram's graph.
class CBarGraphPainter : public CGraphPainter
{
public:
    CBarGraphPainter(CAnalogData* settings, const BarRowList& rows, const char* massIndexName);
    void BuildObjects(GrDesc* graph, HDC dc) override;

    CAnalogData* m_pSettings; // not owned
    BarRowList m_rows;
    char m_szMassIndexName[30] = {};
    CommonPlotObjects m_plot;
    float m_plotArea[4] = {};
    int m_rowSets[30] = {};
    uint16_t m_bars[30] = {};
    int m_nMassIndexSet = 0;
    uint16_t m_massIndexText = 0, m_infoText = 0, m_pressureMessage = 0, m_pressureTitle = 0;
    uint16_t m_cursorLine = 0, m_cursorReadout = 0, m_progressMarker = 0;
    uint16_t m_logStatusText = 0, m_logProgressText = 0, m_scanCounterText = 0;
};

// The gas library's graph.
class CLibGraphPainter : public CGraphPainter
{
public:
    CLibGraphPainter(CAnalogData* settings, const BarRowList& rows, const char* name);
    void BuildObjects(GrDesc* graph, HDC dc) override;

    CAnalogData* m_pSettings; // not owned
    BarRowList m_rows;
    char m_szName[40] = {};
    CommonPlotObjects m_plot;
    float m_plotArea[4] = {};
    int m_rowSets[30] = {};
    uint16_t m_bars[30] = {};
    uint16_t m_gasNameText = 0, m_cursorLine = 0, m_cursorReadout = 0;
};
