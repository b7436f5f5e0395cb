// The histogram display: one bar per mass of the scan's range, fed bar by bar as the histogram scan
// measures, with a marker on the bar just measured, the mass being measured, the total pressure of
// the last sweep, a data cursor, a scan counter and the logging labels.
#pragma once

#include "displays/BarChartDisplay.h"

class CBarDisplay : public CBarChartDisplay
{
    DECLARE_SERIAL(CBarDisplay)
public:
    CBarDisplay();
    // A display on settings at a page position (0 whole view, 1 top, 2 bottom); builds its page in
    // the document's view at once (the active view when document is null).
    CBarDisplay(CAnalogData* settings, int position, CKelDoc* document = nullptr);
    ~CBarDisplay() override;

    // One new bar: record points at the value the histogram scan measured.
    void UpdateData(void* record, int arg) override;
    int OnUnitsChanged(int clear) override;
    int SetLogScale(int log) override;
    int AutoScale() override;
    int FullScale() override;
    BOOL ClearData() override;
    int EditTextObject(GrDesc* graph, int object) override;
    int EditMessageObject(GrDesc* graph, int object) override;
    int EditDynamicText(GrDesc* graph, int object) override;
    BOOL ShowInfoText(int show, LPCTSTR text) override;
    BOOL ShowAlarmMessage(float* value) override;
    BOOL UpdateAlarmMessage(float* value, LPCTSTR text) override;
    int HasTotalPressure() override;
    int BuildPage() override;
    void ToggleCursor() override;
    void MoveCursor() override;
    void ShowScanCounter(int show, int index, int total) override;
    void EditTotalPressure() override;
    void ResetHistory() override;
    void ShowLogStatus(int mode, int a, int b) override;
    void ShowLogProgress(int every, int a, int b, int show) override;
    int ClosePage() override;
    int InvalidatePage() override { return 0; }

    int SetMassRange(float low, float high) override;
    // Where the progress marker stands: on the bar just written (before the first mass at the
    // start of a sweep).
    float ProgressX() const;
    // Masses of one sweep of the scan: the settings' point count, which may exceed the bars shown.
    int SweepLength() const;

    int m_nMassIndexSet = 0;
    uint16_t m_infoText = 0, m_pressureMessage = 0, m_pressureTitle = 0, m_massIndexText = 0;
    uint16_t m_progressMarker = 0, m_logStatusText = 0, m_logProgressText = 0, m_scanCounterText = 0;
    char m_szMassIndexSetName[30] = {};
    int32_t m_nMessageSlot = 0;

protected:
    int SetZoomBox(float x1, float x2, float y1, float y2) override;
    const char* ReadoutFormat() const override { return "X = %1.1f Y = %1.2e"; }
    void ShareTextColour(int edited, int colourIndex) override;

private:
    void ShowPressure(int show);
};
