// CAnalogScan: a continuous mass spectrum. The head sweeps from the start mass to the stop mass at
// a fixed number of points per amu, one 4-byte value per point, then the total pressure; each
// point reaches the display as (mass, value).
#pragma once

#include "scans/SpectrumScan.h"

// The record of one analog point (WM_KEL_SCANDATA).
struct AnalogPointRecord
{
    float mass; // amu
    float value;
};

class CAnalogScan : public CSpectrumScan
{
    DECLARE_SERIAL(CAnalogScan)
public:
    // The log path names the kind's files until a log is chosen.
    CAnalogScan();
    CAnalogScan(CAnalogData* settings, CHead* head, CDisplay* display);

    int GetScanKind() override { return SCAN_KIND_ANALOG; }

protected:
    BOOL QueryHeadPoints(int& points) override;
    BOOL StartHeadScan(int n) override;
    void SendValue(int index, float value) override;
};
