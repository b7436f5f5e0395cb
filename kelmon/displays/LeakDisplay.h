// The leak display: the leak readings of the leak scan as a trace growing to the right over a time
// axis (seconds since the start of the run), a bar with the latest reading at the right edge, the
// latest reading as a blinking number, a caption with the tracer gas and the leak-rate unit, the
// alarm levels as lines with marks, and a data cursor with its time and value. It keeps every
// reading of the run (time and value), so that the run can be scrolled back, rescaled after a unit
// change, stored in the document and exported by the leak scan. Its settings are the document's
// leak-test settings, which it changes when the user edits the chart.
//
// Threads: the view hands it the readings on the user-interface thread; the scan's other calls
// (clearing, reading the history, the export) reach the chart objects on the page window's thread
// through the chart host while the worker waits.
#pragma once

#include "displays/Display.h"

#include <cstdint>
#include <vector>

class CLeakData;

class CLeakDisplay : public CDisplay
{
    DECLARE_SERIAL(CLeakDisplay)
public:
    CLeakDisplay();
    // A display on the leak settings; builds its page in the document's view at once (the active
    // view when document is null).
    explicit CLeakDisplay(CLeakData* settings, CKelDoc* document = nullptr);
    ~CLeakDisplay() override;

    // The leak settings the display shows (the document's; not owned).
    CLeakData* Settings() const;

    int RefreshReadout() override;
    // record: a LeakPointRecord (seconds since the run began, value).
    void UpdateData(void* record, int arg) override;
    // The run's values from the history, oldest first; returns how many were copied.
    int ReadData(float* values, int capacity) override;
    int OnUnitsChanged(int flag) override;
    int GetValueBuffer(float** buffer) override;
    int GetValueCount() override;
    float GetValueAt(int index) override;
    float GetSecondValueAt(int index) override;
    int IsLogScale() override;
    int SetLogScale(int log) override;
    int AutoScale() override;
    int FullScale() override;
    BOOL ClearData() override;
    BOOL Redraw() override;
    int EditTextObject(GrDesc* graph, int object) override;
    int EditMessageObject(GrDesc* graph, int object) override;
    int EditBarsObject(GrDesc* graph, int object) override;
    int EditAxis(GrDesc* graph, int axis) override;
    int EditAxisLabels(GrDesc* graph, int labels) override;
    void EditTitleText() override;
    int EditTimeLabels(GrDesc* graph, int object) override;
    int EditDynamicText(GrDesc* graph, int object) override;
    // A loaded run (null record) is shown; a record does nothing.
    BOOL ShowScanData(const float* values) override;
    int IsAvailable() override { return 1; }
    int GetHistoryCount() override { return m_nStoredCount; }
    int BuildPage() override;
    BOOL Rebuild() override;
    int EditScrollObject(GrDesc* graph, int object) override;
    void EditWindowBackground() override;
    void EditGraphBackground() override;
    void ToggleCursor() override;
    int TrackMouseCursor(GrDesc* graph, int fromMouse, int step) override;
    void SetCursorProperties() override;
    void MoveCursor() override;
    // points readings back (first call) or further (later calls); returns the readings moved.
    int ShowHistory(int points, int unused) override;
    int IsHistoryShown() override { return m_nHistoryShown; }
    int ResumeScrolling() override;
    int CanChangeHistoryLength(int direction, int* current) override;
    int Zoom(float factor) override;
    int PanLeft(float fraction) override;
    int PanRight(float fraction) override;
    void EditXAxis() override;
    void EditXAxisLabels() override;
    void EditYAxis() override;
    void EditYAxisLabels() override;
    void EditGraphTitle() override;
    void EditTraces() override;
    void EditAlarmLines() override;
    void ArrangeLabels() override;
    void StartZoom(HWND graphWindow, int x, int y) override;
    void FinishZoom(HWND graphWindow, int x, int y) override;
    void ResetHistory() override;
    void UpdateXStep() override;
    int ClosePage() override;

    void Serialize(CArchive& ar) override;

    // The time axis from start to end (whole seconds, a tick that fits the labels); FALSE and
    // nothing changed unless end comes after start.
    BOOL SetTimeRange(float start, float end);
    // The major time step for a span: the tick count that divides it best whose labels still fit.
    float ComputeTimeTicks(float span);
    // A major value step for span (a fifth of it, rounded down to 1, 1.25, 1.5, 2, 2.5, 3, 4, 5 or
    // 7.5 times a power of ten) and the minor tick count that goes with it; FALSE for a span below
    // 1e-20.
    static BOOL ComputeValueTicks(float span, float* step, int* minorTicks);
    // Times start..end and values bottom..top on both graphs.
    BOOL ApplyZoomRange(float start, float end, float bottom, float top);
    // The reading nearest time, moved by step readings: its time and value (value 0 past the
    // readings). FALSE when time lies more than 0.5 s outside the time axis.
    BOOL FindNearestPoint(float time, int step, float* foundTime, float* foundValue);
    // The smallest and largest value among the readings whose times lie in start..end; FALSE when
    // none do.
    BOOL GetValueRange(float start, float end, float* minimum, float* maximum) const;
    // The trace colour on the message, the trace and the bar.
    void ApplyTraceColor();

    const std::vector<float>& Values() const { return m_values; }
    const std::vector<float>& Times() const { return m_times; }
    float GetSecondsPerPoint() const { return m_fSecondsPerPoint; }
    float GetCursorTime() const { return m_fCursorTime; }
    float GetCursorValue() const { return m_fCursorValue; }
    // Where the cursor reads next (a key press or a new reading re-reads it there).
    void SetCursorTime(float time) { m_fCursorTime = time; }
    int GetBlinkState() const { return m_nBlink; }
    GrDesc* GetBarGraph() const { return m_pBarGraph; }

    // ---- Object numbers, from the painters
    GrDesc* m_pBarGraph = nullptr;
    int m_nDataSet = 0; // (seconds, value) per reading
    int m_nBarSet = 0;  // the latest value
    uint16_t m_graphTitle = 0, m_trace = 0, m_xLabels = 0, m_yLabels = 0, m_xTitle = 0, m_yTitle = 0;
    uint16_t m_xAxis = 0, m_yAxis = 0, m_rightAxis = 0;
    uint16_t m_grids[4] = {};
    uint16_t m_alarmLines = 0, m_alarmMarks = 0, m_alarmText = 0;
    uint16_t m_bars = 0, m_barXAxis = 0, m_barYAxis = 0, m_barLabels = 0;
    uint16_t m_message = 0, m_caption = 0, m_dataCursor = 0, m_readout = 0;
    char m_szGraphName[40] = {};

private:
    void TakeReading(float time, float value);
    // An accepted chart dialog changed the document (the display's own, else the active one).
    void MarkModified();
    // The page made again and the run held drawn back into it.
    BOOL RebuildWithRun();
    void Replay();
    void ShowValue(float displayed, bool toggle);
    void FeedHistory(float time, float value);
    void ApplyAlarms(bool fromSettings);
    // The value axis at the start of the time window, the right axis at its end.
    void PlaceValueAxes(float start, float end, BOOL redraw);
    // The same for the time window shown (after the right axis was changed, which moves the
    // shared crossing).
    void RestoreValueAxes();
    int EditValueAxis();
    int EditTimeAxis();
    int EditValueLabels();
    void EditTitle(bool graphTitle);

    float m_plotArea[4] = {}; // left, right, bottom, top
    int m_nStoredCount = 0;
    float m_fSecondsPerPoint = 1.0f;
    int m_nHistoryShown = 0;
    int m_nBlink = 0;
    float m_fCursorTime = 0.0f;
    float m_fCursorValue = 0.0f;
    int m_nLoadedCount = 0; // readings read from a document, until shown
    std::vector<float> m_values;
    std::vector<float> m_times;
    int m_nShownStart = 0;
    int m_nShownEnd = 0;
};
