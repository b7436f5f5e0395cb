// The graphs of the panel display: ten channel graphs in two rows of five, each holding one
// annunciator whose cells show the channel's tag, its latest value, a title and its alarm message.
#pragma once

#include "displays/GraphBuilder.h"

#include <cstdint>

class CTable;

// One channel's graph: its one-value data set with the channel's alarm levels, and the annunciator.
class CPanelGraphPainter : public CGraphPainter
{
public:
    // Channel index (0..9) of the table's active channels. The channel's data set is named after the
    // cell's title.
    CPanelGraphPainter(CTable* table, int index);
    void BuildObjects(GrDesc* graph, HDC dc) override;

    // The text the value cell starts with: "0.0E 00" for an enabled channel, "OFF" for another.
    static const char* InitialValueText(bool enabled) { return enabled ? "0.0E 00" : "OFF"; }

    CTable* m_pTable; // not owned
    int m_nIndex;
    int m_nDataSet = 0;
    uint16_t m_annunciator = 0;
    uint16_t m_titleCell = 0;
    uint16_t m_tagCell = 0;
    uint16_t m_valueCell = 0;
    uint16_t m_alarmCell = 0;
};

// The ten channel graphs of the page, each painted by its own painter.
class CPanelGraphBuilder : public CGraphBuilder
{
public:
    static constexpr int kGraphs = 10;
    // Palette indexes of the graphs' background and border.
    static constexpr int kBackground = 8, kBorder = 7, kBorderWidth = 2;

    void CreateGraphs(PgDesc* page) override;
    // Normalised rectangle of channel graph i: two rows of five cells.
    static void CellRect(int i, float* left, float* top, float* right, float* bottom);

    CPanelGraphPainter* m_painters[kGraphs] = {}; // not owned
    GrDesc* m_graphs[kGraphs] = {};
    // The painters' object numbers, copied once the graphs are made.
    uint16_t m_annunciators[kGraphs] = {};
    uint16_t m_titleCells[kGraphs] = {};
    uint16_t m_tagCells[kGraphs] = {};
    uint16_t m_valueCells[kGraphs] = {};
    uint16_t m_alarmCells[kGraphs] = {};
};
