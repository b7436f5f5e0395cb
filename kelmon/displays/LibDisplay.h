// The gas library's display: the spectrum of one gas of the library as bars over the scan's mass
// range, with the gas name on the page and a data cursor.
#pragma once

#include "displays/BarChartDisplay.h"

class CLibDisplay : public CBarChartDisplay
{
    DECLARE_SERIAL(CLibDisplay)
public:
    CLibDisplay();
    CLibDisplay(CAnalogData* settings, int position, CKelDoc* document = nullptr);
    ~CLibDisplay() override;

    // Shows a gas: record is a LibraryBarRecord (name and one bar per mass of the range).
    void UpdateData(void* record, int arg) override;
    int OnUnitsChanged(int clear) override;
    int SetLogScale(int log) override;
    int AutoScale() override;
    int FullScale() override;
    BOOL ClearData() override;
    int EditTextObject(GrDesc* graph, int object) override;
    int BuildPage() override;
    void ToggleCursor() override;
    void MoveCursor() override;
    int InvalidatePage() override { return 0; }

    int SetMassRange(float low, float high) override;

    uint16_t m_gasNameText = 0;

protected:
    int SetZoomBox(float x1, float x2, float y1, float y2) override;
    const char* ReadoutFormat() const override { return "X= %1.2f Y = %1.2e"; }
    float CrossingAfterYEdit(float, float) const override { return 0.0f; }
    bool XDialogShowsScanRange() const override { return true; }
};
