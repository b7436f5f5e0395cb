// CChannelScan: what the panel, table and pressure-versus-time scans share. They read the active
// channels of the document's CTable one single mass at a time (the multiplier channels first, so
// the detector switches at most twice a cycle), scale each reading by its detector's factor and
// calibration factor, show it, check its alarms, drive the I/O board and log each complete cycle
// as one row of a real-time text log written by a CDataQueue thread.
//
// A step handles one exchange with the head and says whether its task must run again; once the
// run has finished, or while nothing is acquired, it never asks to run again. Head failures inside
// a step throw CKelException and end the run through one path that also clears the head's
// throw flag.
#pragma once

#include "scans/DataQueue.h"
#include "scans/Scan.h"
#include "scans/ScanLogSettings.h"

#include <atomic>
#include <cstdint>
#include <fstream>
#include <memory>
#include <vector>

class CTable;
class CTableData;

// The record of one channel reading sent to the view (panel and table).
struct ChannelPointRecord
{
    int32_t channel; // index into the table's active channels
    float value;
};

class CChannelScan : public CScan
{
    DECLARE_DYNAMIC(CChannelScan)
public:
    static constexpr int kChannels = 10;
    // Time-out of a reading's four bytes; a shorter wait is no failure, the next step waits again.
    static constexpr DWORD kReadingWaitMs = 2000;

    ~CChannelScan() override;

    // The table (object writer), the ten channel-order words and the CEM split, then the scan's
    // part. A short archive raises the archive's end-of-file exception.
    void Serialize(CArchive& ar) override;

    BOOL StartSeries() override;
    BOOL StartContinuous() override;
    void RequestStopNow() override { m_bStopNow = 1; }
    void RequestStopAtEnd() override { m_bStopAtEnd = 1; }
    BOOL GetReadyFlag() override { return 1; }
    // Keeps the document, collects the active channels, estimates the cycle time, builds the
    // channel order and checks the head (present, stopped or reconnected, no pending abort).
    BOOL AttachDocument(CScanSite* document) override;
    BOOL ExportAscii() override;
    float GetTriggerPeriod() override;
    void SetTriggerPeriod(float seconds) override;
    int GetPeriodUnits() override;
    void SetPeriodUnits(int units) override;
    void SetOptionWord(int word) override;
    int GetOptionWord() override;
    void SetScanMode(int mode) override;
    int GetScanMode() override;
    BOOL SaveLogAsFiles() override { return 0; }
    BOOL EstimateSweepTime(int& seconds) override;
    // A message box and 0 at the first enabled active channel above the head's mass range.
    BOOL CheckMassRange() override;
    void SetSettings(CObject* record) override;
    CObject* GetSettings() override;
    float GetSweepTime() override;
    void SetSweepTime(int seconds) override;
    void SetNumberOfScans(int count) override;
    int GetNumberOfScans() override;
    void SetBackgroundMode(int mode) override;
    void EditLoggingSettings(CWnd* parent) override;
    // The enabled flag of the active document's logging settings of this kind.
    BOOL IsLoggingOn() override;
    void ApplyParameters() override;
    void ApplySchedule() override;
    // The channel dialog, made once with the library's gases and given this scan's table and
    // view; shown at its placement by the remembered show state.
    void EditParameters() override;
    BOOL ShowParameterDialog() override;
    // Closes the text log (everything handed over and pending is written).
    void StopLogging() override;
    BOOL Step() override;
    void FinishScan() override;
    BOOL OpenScanLog() override;
    BOOL CloseScanLog() override;
    BOOL WriteAsciiFile(LPCTSTR path) override;
    // The scan schedule dialog: made once, owned by owner (this scan when none).
    void EditSchedule(CScan* owner) override;
    // Makes the dialog's window when missing and shows it where it was last.
    BOOL ShowScheduleDialog(CScan* owner) override;

    CTable* GetTable() const { return m_pTable; }
    const CString& GetTextLogPath() const { return m_strTextLogPath; }
    BOOL IsTextLogOpen() const { return m_pWriter != nullptr; }
    size_t GetPendingRows() const { return m_pending.size(); }
    uint32_t GetCycleCount() const { return m_nCycleCount.load(); }

    // ---- Fields after CScan's ----
    CTable* m_pTable = nullptr; // the document's; not owned
    int32_t m_channelOrder[kChannels] = {};
    int32_t m_nCemSplit = -1;
    // Complete cycles of the run; read by other threads while the stepping thread counts.
    std::atomic<uint32_t> m_nCycleCount{0};
    DWORD m_startTick = 0;
    DWORD m_elapsedMs = 0;
    std::vector<float> m_cycleValues;

protected:
    CChannelScan();
    CChannelScan(CTable* table, CHead* head, CDisplay* display);

    // ---- What the kinds differ in ----
    // The text log's and the export's set-up block (after the start time).
    virtual CString FormatHeader() = 0;
    // The export's text after its time line, with the display's current value of each active
    // channel (count of them): the set-up block, then one value line per channel.
    virtual CString FormatExport(const float* values, int count);
    // Whether a cycle starts with the total pressure (with a user unit it always shows the unit).
    virtual BOOL MeasuresTotalPressure() { return 1; }
    // The end of every complete cycle, after the text-log hand-off.
    virtual void OnCycleEnd() {}
    // The restore of the detector after the head stopped (the table switches back to the
    // total-pressure detector).
    virtual void OnHeadStopped(BOOL /*stopRequested*/) {}
    // What the schedule dialog offers (CScanScheduleDlg's kind value).
    virtual int ScheduleKindValue() { return 0; }
    // The caption of the logging dialog and the logging folder slot.
    virtual const char* LoggingCaption() = 0;
    virtual int LoggingFolder() = 0;

    // ---- Shared steps ----
    // Rebuilds the channel order from the table's active channels and CEM count.
    void BuildChannelOrder();
    // The readiness test, time stamp, flags, the units' scan range and the factors; FALSE when
    // the head is not ready.
    BOOL PrepareRun();
    // Plain and total-pressure factors from the units (times the reduction factor when on), and
    // their multiplier forms divided by the head's gain. FALSE without units.
    BOOL UpdateFactors();
    // Throws CKelException(1) when ok is FALSE.
    static void Require(BOOL ok);
    // Switches the multiplier to on when the head's state differs; throws on failure.
    void SwitchDetector(int on);
    // The same without throwing (the end of a run).
    void SwitchDetectorQuietly(int on);
    // The start of a cycle: the user unit's factor, or the total pressure (when measured), shown
    // and put on the board. Throws on failure.
    void MeasureCycleStart();
    // A raw reading of active channel ch, scaled by its detector's factor and calibration factor.
    float ScaleReading(int ch, float raw) const;
    // The plain background correction of a channel's value.
    float SubtractBackground(int ch, float value) const;
    // The points of the split partner's analog sweep (count points from mass start to stop, ppa
    // per amu) that belong to mass: ppa x the peak width centred on it, half that from the start at
    // the first mass and ending there at the last; always inside the sweep. FALSE outside the range.
    BOOL PeakWindow(int count, int mass, int start, int stop, int ppa, int& first, int& width) const;
    // Per active channel, its value in the split partner's sweep (kind 0 analog: WindowPeak over the
    // channel's window; kind 1 histogram: the point of its mass) times its calibration factor, 0
    // outside the sweep. FALSE when no buffer for the sweep can be had.
    BOOL ValuesFromSpectrum(CScan* source, int kind, float* values);
    // The value of a window of the partner's analog sweep around the point centre.
    virtual float WindowPeak(const float* sweep, int count, int centre, int first, int width)
    {
        (void)count;
        (void)centre;
        return FindExtreme(sweep, first, width, TRUE);
    }
    // What every step checks first: a stop-now request ends the run, nothing runs while not
    // acquiring, and a table without active channels ends the run at once. The active count, or 0
    // when the step ends here.
    int BeginStep();
    // The set-up block of the panel and table headers: the banner and setup title, the channel
    // count and units, the head's settings report.
    CString FormatSetup(const char* setupTitle) const;
    // A failed step: ended not normally, finished, throw flag cleared, the document told.
    void EndRunOnFailure();
    // Hands one row to the text log; TRUE when a batch went to the writer.
    BOOL HandOffRow(CDataQueue::Row row);
    // The units' name, or empty.
    CString UnitsName() const;
    // "Active channels in Scan, %d \nUnits, %s\n" and the header's channel lines in format
    // (position from 1, mass, name padded to 19, factor, noise floor, "ON"/"OFF").
    CString FormatChannelLines(const char* format) const;
    // The title block every text file starts with.
    CString FormatBanner(const char* setupTitle) const;
    const CTableData& ActiveChannel(int ch) const;
    int ActiveCount() const;

    CScanLogSettings m_logSettings; // the copy taken when the text log opened
    CString m_strTextLogPath;
    CDataQueue::Batch m_pending;
    std::unique_ptr<CDataQueue> m_pWriter;
    std::ofstream m_logStream;
};
