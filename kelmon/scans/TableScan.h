// CTableScans: the table mode. Each sweep reads the active channels of the table (the total
// pressure first when the table asks for it), checks their alarms, drives the board's outputs and
// logs one row per sweep to the real-time text log. It also writes the binary .tbl log (one record
// of the displayed values per logged sweep, appended at the end of each sweep while the log is on),
// reads one back for viewing, and as a child of the split scan takes its values from the other
// child's display instead of the head.
#pragma once

#include "scans/ChannelScan.h"
#include "scans/TableLogHeader.h"

class CTableScans : public CChannelScan
{
    DECLARE_SERIAL(CTableScans)
public:
    CTableScans();
    CTableScans(CTable* table, CHead* head, CDisplay* display);

    int GetScanKind() override { return SCAN_KIND_TABLE; }
    // Also keeps the head's multiplier state as the total-pressure detector and starts the sweep
    // count from 0.
    BOOL CheckMassRange() override;
    BOOL StepTimed(CScan* source, int sourceKind) override;
    BOOL AcquireBackground() override;
    BOOL RemoveBackground() override;
    void SetMessageObject(int message) override;
    void StopLogging() override;

    // ---- The .tbl log ----
    // Asks for the file and writes its header; the log is then on.
    BOOL CreateBinaryLog(int maximum, int every, int everySweep) override;
    // Creates path and writes the header of the active channels; FALSE (log off) on failure.
    BOOL CreateBinaryLogAt(LPCTSTR path, int maximum, int every, int everySweep);
    // One record of the display's latest values, when due; whole records only.
    BOOL AppendBinaryLog() override;
    void CloseBinaryLog() override;
    // Asks for a file and views it.
    BOOL OpenLogForView() override;
    // Opens path for viewing: checks its header against the table (taking the stored channels when
    // the user agrees) and shows the first record.
    BOOL OpenLogAt(LPCTSTR path);
    void ViewLogScan(int direction) override;
    BOOL IsBinaryLogOn() const { return m_bBinaryLogOn; }
    int GetViewIndex() const { return m_nLogRecordIndex; }
    int GetViewCount() const { return m_nLogRecordCount; }

protected:
    CString FormatHeader() override;
    int ScheduleKindValue() override { return 0; }
    BOOL MeasuresTotalPressure() override;
    void OnCycleEnd() override;
    void OnHeadStopped(BOOL stopRequested) override;
    const char* LoggingCaption() override { return "Table scan logging settings"; }
    int LoggingFolder() override;

private:
    CTableLogHeader MakeLogHeader() const;
    // Checks the viewed file's header; FALSE closes it.
    BOOL ReadViewedHeader(const CString& path);
    void CloseViewedLog();

    int m_bBinaryLogOn = 0;
    CTableLogHeader m_viewHeader;
};
