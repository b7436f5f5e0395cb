// The objects a display hands the charting library when it opens its page: a graph builder (the
// page's user value) makes the page's graphs on the page's first paint, and a graph painter (each
// graph's user value) makes that graph's objects on the graph's first paint. The display reads the
// object numbers back from its painter once the page is open.
#pragma once

#include <windows.h>

#include <cstdint>

class CAnalogData;
struct GrDesc;
struct PgDesc;

class CGraphBuilder
{
public:
    virtual ~CGraphBuilder() = default;
    // Makes the page's graphs (called once, on the page's first paint).
    virtual void CreateGraphs(PgDesc* page) = 0;
};

class CGraphPainter
{
public:
    virtual ~CGraphPainter() = default;
    // Adds the graph's objects (called once, on the graph's first paint, while it builds).
    virtual void BuildObjects(GrDesc* graph, HDC dc) = 0;
};

// Object numbers of the plot every spectrum-like painter sets up first.
struct CommonPlotObjects
{
    uint16_t xAxis = 0, yAxis = 0;
    uint16_t yGrids[2] = {}; // major, minor (0 when that grid is off)
    uint16_t xGrids[2] = {};
    uint16_t xLabels = 0, yLabels = 0;
    uint16_t xCaption = 0, yCaption = 0;
    uint16_t title = 0;
};

// Plot area, scaling, both axes, their grids, labels and captions and the title of a spectrum graph
// from its settings record; the plot area's normalised extents go to plotArea (left, right, bottom,
// top). yMinimumIntercept: the X axis crosses at the pressure bottom (else at 0 or the top).
void PaintCommonPlot(GrDesc* graph, HDC dc, const CAnalogData& settings, CommonPlotObjects& objects,
                     float plotArea[4], bool barIntercept = false);

// One graph over the whole page in the builder's background.
class CSingleGraphBuilder : public CGraphBuilder
{
public:
    CSingleGraphBuilder(CGraphPainter* painter, COLORREF background, int32_t value, int borderWidth = 2)
        : m_pPainter(painter), m_background(background), m_nValue(value), m_nBorderWidth(borderWidth)
    {
    }
    void CreateGraphs(PgDesc* page) override;

    GrDesc* m_pGraph = nullptr; // the graph made
    CGraphPainter* m_pPainter;  // the graph's painter; not owned
    COLORREF m_background;
    int32_t m_nValue; // kept for the display; the builder does not read it
    int m_nBorderWidth;
};

// The analog display's graph: the spectrum of one scan with its read-outs.
class CAnalogGraphPainter : public CGraphPainter
{
public:
    CAnalogGraphPainter(CAnalogData* settings, const char* name);
    void BuildObjects(GrDesc* graph, HDC dc) override;

    CAnalogData* m_pSettings; // not owned
    char m_szName[40] = {};   // the name of the graph's data sets
    CommonPlotObjects m_plot;
    float m_plotArea[4] = {}; // left, right, bottom, top (normalised)
    int m_nDataSet = 0;       // fed by the scan
    int m_nSecondSet = 0;
    uint16_t m_infoText = 0;        // "Date": the run's start, a logged sweep's time
    uint16_t m_alarmMessage = 0;    // the total-pressure value
    uint16_t m_pressureCaption = 0; // "Total Pressure" / "Ref Pressure"
    uint16_t m_averagingText = 0;   // averaging status
    uint16_t m_logProgressText = 0;
    uint16_t m_scanCounterText = 0; // "Scan n/m" while a log is viewed
    uint16_t m_trace = 0;           // the spectrum
    uint16_t m_sweepCursor = 0;     // where the sweep is
    uint16_t m_dataCursor = 0;      // the user's data cursor
    uint16_t m_cursorText = 0;      // the data cursor's read-out
};

class CTable;

// The P-vs-T graph: every enabled channel of the table as a time trace, with its legend and the
// total-pressure read-out.
class CPvsTGraphPainter : public CGraphPainter
{
public:
    CPvsTGraphPainter(CTable* table, const char* name);
    void BuildObjects(GrDesc* graph, HDC dc) override;

    CTable* m_pTable; // not owned
    char m_szName[40] = {};
    CommonPlotObjects m_plot;
    float m_plotArea[4] = {}; // left, right, bottom, top (normalised)
    int m_nDataSet = 0;
    uint16_t m_infoText = 0;        // "start time"
    uint16_t m_alarmMessage = 0;    // the total-pressure value
    uint16_t m_pressureCaption = 0; // "Total Pressure" / "Ref Pressure"
    uint16_t m_leds[2] = {};
    uint16_t m_trace = 0;
    uint16_t m_legend = 0;
    uint16_t m_dataCursor = 0;
    uint16_t m_hiddenText = 0;
};
