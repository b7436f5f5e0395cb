// The analog display: one analog scan as a spectrum (pressure against mass) on one graph, fed point
// by point through a real-time data set, with a data cursor and its read-out, a sweep-position
// cursor, a scan counter, averaging and logging labels and the total-pressure read-out.
//
// Threads: the view hands it the scan's points on the user-interface thread, but the scans call
// the other data operations (read-outs, labels, clearing, whole sweeps, rebuilds) from the worker
// thread that steps them. Those operations send themselves to the page window's thread through the
// chart host and run there while the worker waits, so the chart objects and the value array are only
// ever touched on the user-interface thread. Without a page nothing is drawn and they run in place.
#pragma once

#include "displays/Display.h"

#include <cstdint>
#include <vector>

class CAnalogData;
class CAnalogGraphPainter;
class CSingleGraphBuilder;

class CAnalogDisplay : public CDisplay
{
    DECLARE_SERIAL(CAnalogDisplay)
public:
    CAnalogDisplay();
    // A display on settings at a page position (0 whole view, 1 top, 2 bottom); builds its page in
    // the document's view at once (or the active view when document is null).
    CAnalogDisplay(CAnalogData* settings, int position, CKelDoc* document = nullptr);
    ~CAnalogDisplay() override;

    void UpdateData(void* record, int flag) override;
    int ReadData(float* values, int capacity) override;
    int OnUnitsChanged(int flag) override;
    float GetCurrentValue() override;
    int IsLogScale() override;
    int SetLogScale(int log) override;
    int AutoScale() override;
    int FullScale() override;
    BOOL ClearData() override;
    BOOL Redraw() override;
    int EditTextObject(GrDesc* graph, int object) override;
    int EditMessageObject(GrDesc* graph, int object) override;
    BOOL ShowScanData(const float* values) override;
    BOOL StoreScanData(const float* values) override;
    BOOL ShowInfoText(int show, LPCTSTR text) override;
    BOOL ShowAlarmMessage(float* value) override;
    BOOL UpdateAlarmMessage(float* value, LPCTSTR text) override;
    int BuildPage() override;
    BOOL Rebuild() override;
    void EditWindowBackground() override;
    void EditGraphBackground() override;
    void ToggleCursor() override;
    int TrackMouseCursor(GrDesc* graph, int fromMouse, int step) override;
    void SetCursorProperties() override;
    void MoveCursor() override;
    int Zoom(float factor) override;
    int PanLeft(float fraction) override;
    int PanRight(float fraction) override;
    void ShowScanCounter(int show, int index, int count) override;
    void EditTraces() override;
    int EditScrollObject(GrDesc* graph, int object) override;
    void EditTotalPressure() override;
    void ArrangeLabels() override;
    int InvalidatePage() override { return 0; }
    void StartZoom(HWND graphWindow, int x, int y) override;
    void FinishZoom(HWND graphWindow, int x, int y) override;
    void ResetHistory() override;
    void UpdateXStep() override;
    void ShowLogStatus(int mode, int n, int limit) override;
    void ShowLogProgress(int every, int n, int maximum, int on) override;
    int ClosePage() override;

    void Serialize(CArchive& ar) override;

    // The visible mass range from..to (rounded to whole masses, ticks to fit the width); 0 and
    // nothing changed when the rounded range is empty.
    int SetMassRange(float from, float to);
    int SetMassAndPressureRange(float massFrom, float massTo, float pressureFrom, float pressureTo);
    // Tick spacing and minor ticks of a linear pressure axis over from..to; false when the range
    // is too small to divide.
    static bool ComputePressureRange(float from, float to, float* spacing, int* minorTicks);

    CAnalogData* Settings() const;
    int GetPointsReceived() const { return m_nPointsReceived; }
    int GetWriteIndex() const { return m_nWriteIndex; }
    const std::vector<float>& Values() const { return m_values; }
    float GetCursorX() const { return m_fCursorX; }
    float GetCursorY() const { return m_fCursorY; }
    int HasData() const { return m_bHasData; }

    // Object numbers, from the painter.
    int m_nDataSet = 0;
    int m_nSecondSet = 0;
    uint16_t m_trace = 0;
    uint16_t m_xLabels = 0, m_yLabels = 0;
    uint16_t m_yTitle = 0, m_xAxis = 0, m_yAxis = 0;
    uint16_t m_infoText = 0, m_alarmMessage = 0, m_pressureText = 0;
    uint16_t m_dataCursor = 0, m_averagingText = 0, m_cursorText = 0, m_logProgressText = 0;
    uint16_t m_sweepCursor = 0, m_scanCounterText = 0;
    uint16_t m_titleText = 0, m_graphTitle = 0;
    uint16_t m_grids[4] = {};

private:
    void FeedPoint(float mass, float value);
    void SizeValues();
    int ComputeMassRange(float from, float to, float* start, float* end, float* spacing);
    float MassOf(int index) const;
    void ShowReadout(int show);

    int32_t m_nPointsReceived = 0;
    int32_t m_nWriteIndex = 0;
    // When the sweep cursor last moved (layer clock): it follows the points at most every
    // kSweepCursorMs, since each move repaints part of the graph and a fast head sends thousands
    // of points a second.
    DWORD m_dwSweepCursorMoved = 0;
    static constexpr DWORD kSweepCursorMs = 20;
    int32_t m_nAlarmState = 0;
    std::vector<float> m_values;
    int32_t m_nStoredCount = 0;
    float m_fXStep = 0.0f;
    float m_fCursorX = 0.0f;
    float m_fCursorY = 0.0f;
    float m_plotArea[4] = {}; // left, right, bottom, top (normalised)
};
