// The table display's graph: a heading row, one row of cells per active channel of the table (its
// number, gas, mass, live value, alarm state, speed, calibration and detector) and the
// total-pressure read-out. Each channel has a one-value data set of its own; its alarm cell follows
// the set's alarm levels.
#pragma once

#include "displays/GraphBuilder.h"

#include <cstdint>

class CTable;

// Where the table display keeps its own settings in the table's display words.
struct TableWords
{
    enum : int
    {
        kPanePosition = 13,   // 0 whole view, 1 upper pane, 2 lower pane
        kWindowColour = 14,   // RGB of the page background
        kWindowColourSet = 15 // non-zero once a background was chosen
    };
    // Font blocks of the table the display draws with (size, style, colour, face).
    enum : int
    {
        kFontTitle = 0,
        kFontHeadings = 1,
        kFontCells = 8
    };
    static constexpr int kRows = 10;
    static constexpr int kRowTexts = 8; // the first six are the row's column cells
    static constexpr int kHeadings = 8; // the fourth names the unit
    static constexpr int kUnitsHeading = 3;
    static constexpr int kFramePalette = 7; // fill of the value and alarm columns
    static constexpr float kRowStep = 1.0f / 13.0f;
    // Where the headings start, left to right; the last column ends at kRightEdge.
    static constexpr float kHeadingX[kHeadings] = {0.03f, 0.1f, 0.3f, 0.38f, 0.52f, 0.7f, 0.82f, 0.91f};
    static constexpr float kRightEdge = 0.99f;

    static COLORREF WindowColour(const CTable& t);
    static void SetWindowColour(CTable& t, COLORREF colour);
    static int PanePosition(const CTable& t);
    // The colour of active channel index's texts and value.
    static int TraceColour(const CTable& t, int index);
};

class CTableGraphPainter : public CGraphPainter
{
public:
    // names: the data-set name of each active channel (kRows rows of 48 characters).
    CTableGraphPainter(CTable* table, const char (*names)[48], int rows);
    void BuildObjects(GrDesc* graph, HDC dc) override;

    CTable* m_pTable; // not owned
    int m_nRows = 0;
    char m_szNames[TableWords::kRows][48] = {};
    char m_szPressureName[48] = {};

    uint16_t m_title = 0, m_infoText = 0;
    uint16_t m_headings[TableWords::kHeadings] = {};
    uint16_t m_frame = 0;
    int m_dataSets[TableWords::kRows] = {};
    uint16_t m_valueCells[TableWords::kRows] = {};
    uint16_t m_alarmCells[TableWords::kRows] = {};
    uint16_t m_rowTexts[TableWords::kRows][TableWords::kRowTexts] = {};
    int m_nPressureSet = 0;
    uint16_t m_pressureValue = 0, m_pressureCaption = 0;
    uint16_t m_leds[2] = {};
};
