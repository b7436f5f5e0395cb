// What the histogram display and the gas library display share: the spectrum as rows of ten bars
// bound to one data set per row, the mass axis that only shows whole masses, zoom and pan over it,
// the data cursor that snaps to a bar, the colour edits and the stored bar heights.
#pragma once

#include "displays/BarGraphPainters.h"
#include "displays/ChartHost.h"
#include "displays/Display.h"
#include "displays/DisplaySupport.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CAnalogData;

class CBarChartDisplay : public CDisplay
{
public:
    static constexpr int kMaxBars = 300;
    static constexpr int kMaxRows = BarRowList::kMaxRows;
    static constexpr int kBarsPerRow = BarRowList::kBarsPerRow;

    int ReadData(float* values, int capacity) override;
    int IsLogScale() override;
    BOOL Redraw() override;
    BOOL ShowScanData(const float* values) override;
    int EditBarsObject(GrDesc* graph, int object) override;
    void EditWindowBackground() override;
    void EditGraphBackground() override;
    void SetCursorProperties() override;
    int TrackMouseCursor(GrDesc* graph, int fromMouse, int step) override;
    int Zoom(float factor) override;
    int PanLeft(float fraction) override;
    int PanRight(float fraction) override;
    void EditTraces() override;
    int EditAxis(GrDesc* graph, int axis) override;
    int EditAxisLabels(GrDesc* graph, int labels) override;
    void EditTitleText() override;
    void EditGraphTitle() override;
    void EditXAxis() override { EditAxis(m_pGraph, m_xAxis); }
    void EditXAxisLabels() override { EditAxisLabels(m_pGraph, m_xLabels); }
    void EditYAxis() override { EditAxis(m_pGraph, m_yAxis); }
    void EditYAxisLabels() override { EditAxisLabels(m_pGraph, m_yLabels); }
    void ArrangeLabels() override;
    BOOL Rebuild() override;
    void StartZoom(HWND graphWindow, int x, int y) override;
    void FinishZoom(HWND graphWindow, int x, int y) override;
    int ClosePage() override;
    void Serialize(CArchive& ar) override;

    // The visible mass range low..high in whole masses with ticks that fit the width; 0 and nothing
    // changed when the rounded range is empty.
    virtual int SetMassRange(float low, float high) = 0;
    // The mass-axis tick step over whole masses low..high for labels of width labelWidth (normalised
    // width of "0123456789") on a plot of plotWidth.
    static float MassTickStep(int low, int high, float labelWidth, float plotWidth);
    // Where the X axis crosses a Y range: the bottom when above 0, the top when below 0, else 0.
    static float XCrossing(float bottom, float top);

    CAnalogData* Settings() const;
    // Masses the display holds: the settings' point count, at most 300.
    int PointCount() const;
    const float* Values() const { return m_values; }
    int HasData() const { return m_bHasData; }
    int RowCount() const { return m_rows.rowCount; }
    const BarRowList& Rows() const { return m_rows; }
    int CurrentBar() const { return m_nCurrentBar; }
    float CursorX() const { return m_fCursorX; }
    float CursorY() const { return m_fCursorY; }

    uint16_t m_graphTitle = 0;
    uint16_t m_barObjects[kMaxRows] = {};
    uint16_t m_xLabels = 0, m_yLabels = 0, m_xTitle = 0, m_unitsLabel = 0, m_xAxis = 0, m_yAxis = 0;
    uint16_t m_grids[4] = {}; // y major, y minor, x major, x minor
    uint16_t m_cursorLine = 0, m_cursorReadout = 0;
    int m_rowSets[kMaxRows] = {};

protected:
    explicit CBarChartDisplay(int kind);
    // A display on settings at a page position (0 whole view, 1 top, 2 bottom) of document's view;
    // the kind builds its page once it is made.
    CBarChartDisplay(int kind, CAnalogData* settings, int position, CKelDoc* document);

    // The first steps of a page build: new layout items, the position and page name (with
    // pageSuffix), the mass ticks and the rows (data sets named with rowSuffix). Null without
    // settings.
    CAnalogData* BeginPage(const char* pageSuffix, const char* rowSuffix);
    // After the painter made the graph: the cursor read-out and the axis and graph titles can be
    // clicked and are registered as layout texts.
    void RegisterPlotTexts();

    // Stores the y scale (log or linear) with its range and tick made valid for it, and puts them
    // on the y axis; the kinds then place the mass axis. Null when there are no settings.
    CAnalogData* ApplyLogScale(int log);
    // The rows for the settings' range, the row set names from the page name and suffix ("Bar#").
    void LayoutRows(const char* suffix);
    // Takes the plot objects and rows over from a painter.
    void TakePlot(const CommonPlotObjects& plot, const float plotArea[4], const int sets[30],
                  const uint16_t bars[30]);
    // Sends every row's values to its data set.
    void UpdateRows(GrDesc* graph);
    int ApplyMassRange(float low, float high);
    // The box dragged with the mouse, on both axes.
    virtual int SetZoomBox(float x1, float x2, float y1, float y2) = 0;
    // Where the X axis crosses after a Y-axis edit.
    virtual float CrossingAfterYEdit(float bottom, float top) const { return XCrossing(bottom, top); }
    // Whether the X-axis dialog starts from the scan's range (else the visible one).
    virtual bool XDialogShowsScanRange() const { return false; }
    // Texts that share a colour with an edited text: 0 the X labels, 1 the X title, 2 the title.
    virtual void ShareTextColour(int /*edited*/, int /*colourIndex*/) {}
    // The title text dialog for the mass axis title or, with graphTitle, the graph title.
    void EditTitle(bool graphTitle);
    // The read-out of the data cursor.
    virtual const char* ReadoutFormat() const = 0;
    // The bar nearest mass x moved by step bars and kept in the visible range; false when x is off
    // the scan's range.
    bool NearestBar(float x, int step, float* mass, float* value);
    // The Y range and its ticks by the linear tick rule; false when refused.
    bool ApplyLinearY(float y1, float y2);
    // A zoom box on both axes: the mass range, the linear Y range, the cursor, a redraw.
    int ApplyZoomBox(float x1, float x2, float y1, float y2);
    // Every bar back to 0 on the page; no data from now on.
    void ClearBars();
    // The unit's name beside the Y axis and the Y range and ticks of the settings; false when the
    // chart refuses any of them.
    bool ShowUnitsAndYRange();

    BarRowList m_rows;
    float m_values[kMaxBars] = {};
    int32_t m_nCurrentBar = 0;
    int32_t m_nCurrentRow = 0;
    int32_t m_nBarsPerRow = kBarsPerRow;
    float m_fCursorX = 0.0f;
    float m_fCursorY = 0.0f;
    float m_plot[4] = {0.09f, 0.94f, 0.9f, 0.13f}; // left, right, bottom, top
};

// Copies a data-set name, cut to size - 1 characters.
void CopyName(char* to, size_t size, const std::string& name);
