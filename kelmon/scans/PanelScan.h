// CPanelScans: the annunciator-panel mode. Each cycle measures the total pressure and then every
// active channel of the table, checks the channels' alarm levels, drives the board's outputs and
// logs one row per cycle.
#pragma once

#include "scans/ChannelScan.h"

class CPanelScans : public CChannelScan
{
    DECLARE_SERIAL(CPanelScans)
public:
    CPanelScans() = default;
    CPanelScans(CTable* table, CHead* head, CDisplay* display) : CChannelScan(table, head, display) {}

    int GetScanKind() override { return SCAN_KIND_PANEL; }

protected:
    CString FormatHeader() override;
    int ScheduleKindValue() override { return 5; }
    CString FormatExport(const float* values, int count) override;
    const char* LoggingCaption() override { return "Panel scan logging settings"; }
    int LoggingFolder() override;
};
