// CHistogramScan: one value per mass (a bar spectrum) from the start mass to the stop mass; each
// value reaches the display alone. The analog scan's twin.
#pragma once

#include "scans/SpectrumScan.h"

class CHistogramScan : public CSpectrumScan
{
    DECLARE_SERIAL(CHistogramScan)
public:
    // The log path names the kind's files until a log is chosen.
    CHistogramScan();
    CHistogramScan(CAnalogData* settings, CHead* head, CDisplay* display);

    int GetScanKind() override { return SCAN_KIND_HISTOGRAM; }

protected:
    BOOL QueryHeadPoints(int& points) override;
    BOOL StartHeadScan(int n) override;
    void SendValue(int index, float value) override;
};
