// The P-vs-T display: every enabled channel of the table as a pressure-against-time trace on one
// graph, with a legend that reads the values under the data cursor, the total-pressure read-out and
// the trendkit history. It keeps every sample of the current run, so that the trace can be rescaled,
// replayed after a unit change and stored in the document.
//
// Threads: the view hands it the scan's samples on the user-interface thread; the scans' other calls
// (read-outs, clearing, reading the history) run on the page window's thread through the chart host
// while the worker waits.
#pragma once

#include "displays/Display.h"
#include "scans/Table.h"

#include <cstdint>
#include <memory>
#include <vector>

// What the display keeps in the table's display words (past the words the table itself writes and
// those of the table display).
struct PvsTWords
{
    enum : int
    {
        kLogScale = 20,
        kMinorTicks = 21,
        kTickAuto = 22,
        kTickStyle = 23,
        kTotalShown = 24,
        kPanePosition = 25,
        kPointTime = 26, // float
        kHistoryStart = 27,
        kHistoryEnd = 28,
        kDefaultTop = 29, // float; 0 reads 1e-5
        // The pressure labels' number format: precision in the low byte, format in the next,
        // bit 16 set once the user chose them (else the painter's 1 and 1).
        kYLabelFormat = 30,
    };
    // Font blocks of the table the display draws with.
    enum : int
    {
        kFontTimeLabels = 8,
        kFontYLabels = 8,
        kFontTimeCaption = 2,
        kFontUnits = 3,
        kFontTitle = 7
    };
    static bool LogScale(const CTable& t) { return t.m_displayWords[kLogScale] != 0; }
    static int MinorTicks(const CTable& t) { return static_cast<int>(t.m_displayWords[kMinorTicks]); }
    static int TickStyle(const CTable& t) { return static_cast<int>(t.m_displayWords[kTickStyle]); }
    static bool TotalShown(const CTable& t) { return t.m_displayWords[kTotalShown] != 0; }
    static float TimeTick(const CTable& t);
    // The pressure labels' precision and format (0 decimal, 1 scientific, 2 engineering).
    static int YLabelPrecision(const CTable& t);
    static int YLabelFormat(const CTable& t);
    static void SetYLabelFormat(CTable& t, int precision, int format);
    static float DefaultTop(const CTable& t);
    // The plot background: a palette index 0..19 or an RGB value.
    static COLORREF PlotColour(const CTable& t);
    // Samples of history kept (at least 2, at most the scan's buffer).
    static unsigned HistoryCapacity(const CTable& t);
};

// The total-pressure read-out the P-vs-T and table displays share. Shows value (then suffix) in the
// real-time message object, flipping its blink state; the data set's status bit (when there is one)
// follows the state.
void ShowTotalPressure(GrDesc* graph, int message, int dataSet, int& state, float value, LPCTSTR suffix);
// Asks whether to switch the read-out and, on Yes, flips the table's flag and shows or hides its
// caption and value objects.
void ToggleTotalPressure(CTable* table, GrDesc* graph, int caption, int value);

class CPvsTGraphPainter;

class CPvsTDisplay : public CDisplay
{
    DECLARE_SERIAL(CPvsTDisplay)
public:
    CPvsTDisplay();
    // A display on table at a page position (0 whole view, 1 upper pane, 2 lower pane); builds its
    // page in the document's view at once (the active view when document is null).
    CPvsTDisplay(CTable* table, int position, CKelDoc* document = nullptr);
    ~CPvsTDisplay() override;

    // The table is the display's settings record (the document's; not owned).
    void SetTable(CTable* table) { m_pSettings = table; }
    CTable* GetTable() const { return static_cast<CTable*>(m_pSettings); }

    int RefreshReadout() override;
    void UpdateData(void* record, int arg) override;
    int ReadData(float* values, int capacity) override;
    int OnUnitsChanged(int flag) override;
    int IsLogScale() override;
    int SetLogScale(int log) override;
    int AutoScale() override;
    int FullScale() override;
    BOOL ClearData() override;
    BOOL Redraw() override;
    int EditTextObject(GrDesc* graph, int object) override;
    int EditObject(GrDesc* graph) override;
    int EditMessageObject(GrDesc* graph, int object) override;
    int EditLegend(GrDesc* graph, int object) override;
    int EditAxis(GrDesc* graph, int axis) override;
    int EditAxisLabels(GrDesc* graph, int labels) override;
    void EditTitleText() override;
    int EditTimeLabels(GrDesc* graph, int object) override;
    int EditScrollObject(GrDesc* graph, int object) override;
    void EditWindowBackground() override;
    void EditGraphBackground() override;
    void EditXAxis() override { EditAxis(m_pGraph, m_xAxis); }
    void EditXAxisLabels() override { EditTimeLabels(m_pGraph, m_xLabels); }
    void EditYAxis() override { EditAxis(m_pGraph, m_yAxis); }
    void EditYAxisLabels() override { EditAxisLabels(m_pGraph, m_yLabels); }
    void EditGraphTitle() override;
    void EditTraces() override { EditScrollObject(m_pGraph, m_trace); }
    void SetCursorProperties() override;
    BOOL ShowScanData(const float* values) override;
    BOOL GetLastData(float* values) override;
    BOOL ShowInfoText(int show, LPCTSTR text) override;
    BOOL ShowAlarmMessage(float* value) override;
    BOOL UpdateAlarmMessage(float* value, LPCTSTR text) override;
    int HasTotalPressure() override;
    int GetHistoryCount() override { return m_nSampleCount; }
    int BuildPage() override;
    BOOL Rebuild() override;
    void ToggleCursor() override;
    int TrackMouseCursor(GrDesc* graph, int fromMouse, int step) override;
    void MoveCursor() override;
    int ShowHistory(int points, int unused) override;
    int IsHistoryShown() override { return m_nHistoryShown; }
    int ResumeScrolling() override;
    int CanChangeHistoryLength(int direction, int* current) override;
    int Zoom(float factor) override;
    int PanLeft(float fraction) override;
    int PanRight(float fraction) override;
    void EditTotalPressure() override;
    void ArrangeLabels() override;
    void ArrangeLegend(int how) override;
    void StartZoom(HWND graphWindow, int x, int y) override;
    void FinishZoom(HWND, int, int) override {}
    void ResetHistory() override;
    void UpdateXStep() override;
    int IsLegendShown() override { return m_bLegendShown; }
    void ToggleLegend(int how) override;
    int ClosePage() override;

    void Serialize(CArchive& ar) override;

    // The visible time range from..to (whole seconds, ticks to fit the width); 0 and nothing changed
    // when the rounded range is empty.
    int ApplyXRange(float from, float to);
    // The total-pressure read-out's caption and value shown or hidden after asking (213).
    void ToggleTotalPressure();

    const std::vector<float>& XValues() const { return m_xValues; }
    const std::vector<std::vector<float>>& ChannelValues() const { return m_channelValues; }
    float GetCursorX() const { return m_fCursorX; }
    // Where the cursor reads next (a key press or a new sample re-reads it there).
    void SetCursorX(float x) { m_fCursorX = x; }
    int GetMessageState() const { return m_nMessageState; }
    float GetXStep() const { return m_fXStep; }

    // Object numbers, from the painter.
    int m_nDataSet = 0;
    uint16_t m_graphTitle = 0, m_trace = 0, m_xLabels = 0, m_yLabels = 0, m_titleText = 0, m_unitsText = 0;
    uint16_t m_xAxis = 0, m_yAxis = 0;
    uint16_t m_grids[4] = {};
    uint16_t m_legend = 0, m_infoText = 0, m_alarmMessage = 0, m_pressureCaption = 0, m_dataCursor = 0;
    char m_szGraphName[40] = {};

protected:
    // A zeroed buffer for the stored samples; null when there is no memory for it.
    virtual float* NewBuffer(size_t count);

private:
    int ActiveCount() const;
    bool ChannelEnabled(int k) const;
    bool TraceShown(int k) const;
    float SampleInterval() const;
    void Replay(const float* const* channels, int count);
    void FreeLoadBuffers();
    void ShowMessage(float* value, LPCTSTR suffix);
    // The title or graph-title dialog on the table's text and font block.
    void EditTableText(int object, char* text, size_t size, int fontBlock, bool graphTitle);
    // Trace line k takes its channel's colour, width and style from the table.
    void ApplyTraceLine(int k);
    int SlotOf(int k) const;
    // The edits change the display's own document (the active one when it has none).
    void MarkModified();

    CTable* Table() const { return GetTable(); }
    float m_plotArea[4] = {}; // left, right, bottom, top
    int m_nSampleCount = 0;
    int m_nMessageState = 0;
    int m_nHistoryShown = 0;
    float m_fXStep = 1.0f;
    std::vector<std::unique_ptr<float[]>> m_loadBuffers; // between a load and its replay
    int m_nStoredCount = 0;
    float m_fCursorX = 0.0f;
    int m_nCursorStep = 0;
    std::vector<std::vector<float>> m_channelValues;
    std::vector<float> m_xValues;
    int m_nXStartAtBuild = 0;
    int m_nXEndAtBuild = 0;
    int m_bLegendShown = 1;
};
