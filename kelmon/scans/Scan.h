// CScan: the abstract base of the seven scan kinds (analog, leak test, table, pressure versus
// time, histogram, panel, split). A scan holds the state of one measurement run against one head
// and feeds one display; the document holds the current scan, stores it in its file and drives it
// one acquisition step at a time through tasks on the port monitor's workers.
//
// Threads: the run operations, Step and FinishScan run on a port-monitor worker, one task at a
// time per port; dialogs, Serialize and the commands run on the user-interface thread. The stop
// requests and the acquiring flag are written by the user-interface thread and read by the next
// step. Points reach the display only through SendMessage to the document's view, which blocks
// the worker until the user-interface thread has handled them.
#pragma once

#include <afx.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

class CBaseParameterDlg;
class CBaseScheduleDlg;
class CCbBoard;
class CDisplay;
class CHead;
class CLibrary;
class CScanSite;
class CUnits;
class CWnd;

// Kind codes (CScan::GetScanKind).
enum : int
{
    SCAN_KIND_ANALOG = 1,
    SCAN_KIND_LEAK = 2,
    SCAN_KIND_TABLE = 3,
    SCAN_KIND_PVST = 4,
    SCAN_KIND_HISTOGRAM = 5,
    SCAN_KIND_PANEL = 6,
    SCAN_KIND_SPLIT = 7,
};

// Scan modes (CScan::GetScanMode).
enum : int
{
    SCAN_MODE_SINGLE = 0,
    SCAN_MODE_CONTINUOUS = 1,
    SCAN_MODE_TRIGGERED = 2,
    SCAN_MODE_NSCANS = 3,
};

// Directions of CScan::ReadLogScan.
enum : int
{
    LOG_RECORD_FIRST = 0,
    LOG_RECORD_NEXT = 1,
    LOG_RECORD_PREVIOUS = 2,
    LOG_RECORD_SAME = 3,
};

// Time texts of the scans: the run's start time and a logged sweep's time, and file names.
constexpr const char* kScanTimeFormat = "%b %d, %Y  %I:%M:%S %p";
constexpr const char* kScanFileStampFormat = "%b_%d_%Y_%I-%M-%S_%p";

// The text of a file exception's cause (CFileException::m_cause); empty for causes without one.
void FileErrorText(int cause, CString& text);
// TRUE when low <= value <= high; otherwise "Stored data value is outside valid range.\nOperation
// Cancelled" (exclamation icon) and FALSE.
BOOL CheckStoredRange(int low, int high, int value);
// Local time through strftime into 128 bytes; empty when the time cannot be converted or the
// text is empty.
CString FormatTime(time_t time, LPCTSTR format);
// path when no file of that name exists; else the first of "name_2.ext", "name_3.ext", ... that
// does not, so a new file never replaces one written in the same second.
CString MakeUniquePath(const CString& path);
// Copies text (the document's title) into a parameter dialog's caption suffix before the kinds
// create it.
void SetParameterCaptionSuffix(CBaseParameterDlg* dialog, LPCTSTR text);

class CScan : public CObject
{
    DECLARE_DYNAMIC(CScan)
public:
    // The schema marker the document file carries after the scan's strings.
    static constexpr const char* kSchemaMarker = "SCHEMA2";
    static constexpr int kSchema = 2;

    ~CScan() override;
    CScan(const CScan&) = delete;
    CScan& operator=(const CScan&) = delete;

    // The scan's part of the document file; the kinds call it after their own first fields.
    // Store: display and head (object writer), stored factor, log maximum, log every, log every
    // sweep, log path, the five stored integers and floats, the caption, the three stored strings
    // and the schema marker, then the averaging block (averaging on, reset request, limit, depth,
    // limit action, mode). Load: the same; a marker other than "SCHEMA1"/"SCHEMA2" reads as
    // version 1, which has no averaging block. Values outside their ranges are repaired.
    void Serialize(CArchive& ar) override;

    // ---- Virtual operations, in slot order ----
    virtual void SetHead(CHead* head) { m_pHead = head; }
    // Starts a scheduled run (one sweep, or n in the n-scans mode); FALSE when it could not start.
    virtual BOOL StartSeries() = 0;
    // Starts an open-ended run.
    virtual BOOL StartContinuous() = 0;
    virtual void RequestStopNow() = 0;
    virtual void RequestStopAtEnd() = 0;
    virtual BOOL GetReadyFlag() = 0;
    virtual BOOL IsStepAllowed() { return 1; }
    // Keeps the document (null: the one kept) and brings the head in line with the settings.
    virtual BOOL AttachDocument(CScanSite* document) = 0;
    // Asks for a text file and writes the scan into it (WriteAsciiFile).
    virtual BOOL ExportAscii() = 0;
    virtual float GetTriggerPeriod() = 0;
    virtual void SetTriggerPeriod(float seconds) = 0;
    virtual int GetPeriodUnits() = 0;
    virtual void SetPeriodUnits(int units) = 0;
    virtual void SetOptionWord(int word) = 0;
    virtual int GetOptionWord() = 0;
    virtual void SetScanMode(int mode) = 0;
    virtual int GetScanMode() = 0;
    virtual int GetScanKind() = 0;
    // Saves the viewed scan log as one file per sweep (Part of the scan-log savers).
    virtual BOOL SaveLogAsFiles() = 0;
    virtual BOOL EstimateSweepTime(int& seconds) = 0;
    // Checks the header of a scan log open in file; the file stays open on success.
    virtual BOOL ReadLogFile(CFile& /*file*/) { return 0; }
    // Reads one record of the viewed log (LOG_RECORD_*); wrapped is set when Next passed the last.
    virtual BOOL ReadLogScan(int /*direction*/, CFile& /*file*/, int /*show*/, int& wrapped)
    {
        wrapped = 0;
        return 0;
    }
    virtual void OnKindEvent() {}
    // The record index kept by RememberViewPosition comes back; Rewind keeps it and starts at 0.
    virtual void RestoreViewPosition() {}
    virtual void RewindViewPosition() {}
    virtual void EditLoggingSettings(CWnd* /*parent*/) {}
    // 1 when the scan's masses lie within the head's range.
    virtual BOOL CheckMassRange() { return 1; }
    virtual void OnCemSwitched(int /*flag*/) {}
    virtual void SetMessageObject(int /*message*/) {}
    // The display's ReadData into buffer (at most capacity values); 0 without a display.
    virtual int ReadDisplayData(float* buffer, int capacity);
    virtual void SetDisplay(CDisplay* display) { m_pDisplay = display; }
    virtual void SetSettings(CObject* /*record*/) {}
    // The largest of values[start .. start + count - 1], or with byMagnitude the element of the
    // largest absolute value, its sign kept; ties keep the earlier element; count 0 gives
    // values[start].
    virtual float FindExtreme(const float* values, int start, int count, BOOL byMagnitude);
    virtual float FindMaximum(const float* values, int start, int count);
    // Least-squares parabola through seven equally spaced samples; value = its vertex. FALSE when
    // the vertex lies beyond +-2.25 samples or the curve opens upward (not a peak).
    virtual BOOL FitPeakCenter(const float* y, float& value);
    // FitPeakCenter on the seven points of values (count of them) centred on index centre; FALSE
    // when they do not all lie in values (a mass at either end of a sweep).
    BOOL FitPeakAround(const float* values, int count, int centre, float& value);
    virtual CObject* GetSettings() { return nullptr; }
    virtual int QueryPointCount() { return 1; }
    virtual float GetSweepTime() { return 1.0f; }
    virtual void SetSweepTime(int /*seconds*/) {}
    virtual void SetNumberOfScans(int /*count*/) {}
    virtual int GetNumberOfScans() { return 1; }
    virtual BOOL StepTimed(CScan* /*source*/, int /*sourceKind*/) { return 1; }
    virtual void SetKindValue(int /*value*/) {}
    // Creates and starts the spectrum analysis over library with the twelve gas flags.
    virtual BOOL OpenAnalysis(CLibrary* /*library*/, const int32_t* /*gases*/) { return 0; }
    virtual void SelectAnalysisGases(CWnd* /*parent*/) {}
    virtual BOOL CanAnalyse() { return 0; }
    virtual BOOL CloseAnalysis() { return 1; }
    virtual BOOL HasAnalysis() { return 0; }
    virtual BOOL IsAnalysisVisible() { return 0; }
    virtual BOOL UpdateAnalysis() { return 1; }
    virtual BOOL CreateBinaryLog(int /*maximum*/, int /*every*/, int /*everySweep*/) { return 1; }
    virtual void StopLogging() { m_bLoggingOn = 0; }
    virtual BOOL AppendBinaryLog() { return 1; }
    virtual void CloseBinaryLog() {}
    virtual BOOL OpenLogForView() { return 1; }
    virtual void ViewLogScan(int /*direction*/) {}
    virtual BOOL HasBackground() { return m_bBackgroundOn; }
    virtual void DropBackground() { m_bBackgroundOn = 0; }
    virtual BOOL AcquireBackground() { return 1; }
    virtual BOOL RemoveBackground() { return 1; }
    virtual void SetBackgroundMode(int /*mode*/) {}
    virtual void SetAuxValue(int value) { m_nAuxValue = value; }
    virtual BOOL GetCommandState() { return 0; }
    virtual BOOL QueryCommand() { return 1; }
    virtual void SetMarkerFlag() { m_bMarker = 1; }
    virtual void OnCommand() {}
    virtual void SetAveraging(int on) { m_bAveragingOn = on; }
    virtual void SetAveragingLimit(int sweeps) { m_nAveragingLimit = sweeps; }
    virtual void SetAveragingDepth(int sweeps) { m_nAveragingDepth = sweeps; }
    virtual void SetAveragingLimitAction(int action) { m_nLimitAction = action; }
    // 2 exponential; anything else linear (1).
    virtual void SetAveragingMode(int mode) { m_nAveragingMode = mode == 2 ? 2 : 1; }
    virtual BOOL CanAverage() { return 0; }
    virtual BOOL IsAveraging() { return m_bAveragingOn && m_nSweepsAveraged > 0; }
    virtual void RequestAveragingReset() { m_bResetRequest = 1; }
    virtual void ResetAveraging() { m_nSweepsAveraged = 0; }
    virtual void EditAudio() {}
    // The zero offset commands; only the leak test takes a zero.
    virtual BOOL CanNull() { return 0; }
    virtual void RequestNull() {}
    virtual void RequestRemoveNull() {}
    // One acquisition step; non-zero while the step task must run again.
    virtual BOOL Step() { return 1; }
    // Ends the run: clears running and acquiring and signals the document's scan event.
    virtual void FinishScan() {}
    virtual BOOL QueryFlag() { return 0; }
    virtual void SetSplitMarkFirst() { m_bSplitMarkFirst = 1; }
    virtual void SetSplitMarkSecond() { m_bSplitMarkSecond = 1; }
    virtual BOOL IsRunning() { return m_bRunning; }
    virtual BOOL IsDisplayAutoScale();
    virtual BOOL IsLoggingOn() { return m_bLoggingOn; }
    virtual BOOL IsViewingLog() { return m_bViewingLog; }
    virtual BOOL IsAcquiring() { return m_bAcquiring; }
    virtual void SetAcquiring(int on) { m_bAcquiring = on; }
    virtual void SetIoBoardSignal(CCbBoard* board) { m_pIoBoard = board; }
    // Shows the start-time caption (stamping the time first when there is none yet) or hides it.
    virtual void ShowCaption(int show);
    // Takes the current time as the caption and file stamp and shows the caption as it is set.
    virtual void StampStartTime();
    // Sends WM_KEL_NEWSWEEP to the document's view.
    virtual void NotifyNewSweep();
    virtual BOOL ShowParameterDialog() { return 0; }
    virtual void EditParameters() {}
    // Destroys the parameter dialog's window (its result, 0 without one) and drops its links.
    virtual BOOL DestroyParameterDialog();
    virtual void ShowParameterWindow(int show);
    virtual void ApplyParameters() {}
    virtual void EnableParameterDialog(int enable);
    virtual BOOL ShowScheduleDialog(CScan* /*owner*/) { return 0; }
    virtual void EditSchedule(CScan* /*owner*/) {}
    virtual BOOL DestroyScheduleDialog();
    virtual void ShowScheduleWindow(int show);
    virtual void ApplySchedule() {}
    virtual void EnableScheduleDialog(int enable);
    // The document's window group was activated: both dialogs at their placements, shown or not.
    virtual void RestoreDialogs(int parameterShow, int scheduleShow);
    // The group was deactivated: visible dialogs keep their placement and hide.
    virtual void HideDialogs();
    virtual BOOL OpenScanLog() { return 0; }
    virtual BOOL CloseScanLog() { return 0; }
    virtual BOOL OpenAnalysisLog() { return 0; }
    virtual BOOL CloseAnalysisLog() { return 0; }
    // Writes the attached document into path in the document file's form.
    virtual BOOL SaveDocumentCopy(LPCTSTR path);
    virtual BOOL WriteAsciiFile(LPCTSTR /*path*/) { return 0; }

    // ---- Helpers of the kinds ----
    // Appends one record to the binary log at the log path: the time of now (50 bytes), then count
    // floats; a record written in part is taken back. FALSE after the message of a failed open or
    // write.
    BOOL AppendLogRecord(const float* values, int count);
    // Creates the binary log at the log path with its header bytes. FALSE after the message of a
    // failed open or write.
    BOOL CreateLogFile(const std::vector<BYTE>& header);
    // Takes the units' total-pressure and partial factors (times the pressure-reduction factor when
    // it applies) and divides both by the multiplier gain while the head's multiplier is on.
    // FALSE without units or when the head cannot be asked.
    BOOL PrepareFactors(CUnits* units);
    // The attached document, else the active one.
    CScanSite* GetSite() const;
    CScanSite* GetDocument() const { return m_pDocument; }
    // Seconds from startTick (GetTickCount64) to now: a 64-bit count that never wraps.
    static double ElapsedSeconds(ULONGLONG startTick);

    // ---- Fields (the document file keeps those Serialize names) ----
    CDisplay* m_pDisplay = nullptr; // not owned
    int m_bSplitMarkFirst = 0;
    int m_bSplitMarkSecond = 0;
    CHead* m_pHead = nullptr; // not owned (the document owns it)
    std::atomic<int> m_bRunning{0};
    std::atomic<int> m_bStopAtEnd{0};
    std::atomic<int> m_bStopNow{0};
    int m_bEndedNormally = 0; // the last run ended by itself (count reached, stop at end)
    std::atomic<int> m_bAcquiring{0};
    int m_nScansLeft = 0;
    int m_bContinuous = 0;
    int m_bCaptionShown = 0;
    int m_bAveragingOn = 0;
    int m_nSweepsAveraged = 0;
    int m_nAveragingLimit = 12;
    int m_nLimitAction = 1;   // 1 stop taking data, 2 reset and continue
    int m_nAveragingMode = 1; // 1 linear, 2 exponential
    int m_nAveragingDepth = 5;
    float m_fValueFactor = 1.0f;         // multiplies every raw point (set per sweep)
    float m_fTotalPressureFactor = 1.0f; // multiplies the total-pressure reading
    float m_fStoredFactor = 1.0f;
    int m_nPointIndex = 0;
    std::unique_ptr<float[]> m_pBackground; // one float per point; owned
    int m_nBackgroundLength = 0;
    int m_bBackgroundOn = 0;
    int m_nAuxValue = 0;
    int m_bFirstSweep = 0;
    int m_nLogMaximum = 0;
    int m_nLogEvery = 1;
    int m_bLogEverySweep = 0;
    int m_bLoggingOn = 0;
    int m_nLogRecordIndex = 0; // logging: sweeps saved; viewing: the current record
    CString m_strLogPath;
    int m_bViewingLog = 0;
    int m_nLogRecordCount = 0;
    int m_nSweepsSinceLogging = 0;
    int m_nLogHeaderSize = 0;
    int m_nLogRecordSize = 0;
    int m_bSweepComplete = 0;
    int m_bAnalysisLogging = 0;
    CFile m_logFile; // the viewed scan log
    int m_bReady = 1;
    int m_bMarker = 0;
    int m_bResetRequest = 0;
    int32_t m_nStoredInt[5] = {};
    float m_fStoredFloat[5] = {};
    CString m_strCaption;   // start time, kScanTimeFormat
    CString m_strFileStamp; // start time, kScanFileStampFormat
    CString m_strStored[3];
    CString m_strSchema = kSchemaMarker;
    CString m_strLogSweepTime; // time text of the log record read last
    float m_fFirmwareVersion = 0.0f;
    CCbBoard* m_pIoBoard = nullptr;   // not owned
    CScanSite* m_pDocument = nullptr; // not owned
    int m_nKindWord = 0;
    CBaseParameterDlg* m_pParameterDlg = nullptr; // owned
    CBaseScheduleDlg* m_pScheduleDlg = nullptr;   // owned
    int m_bChild = 0; // a split child: the run's end does not re-enable the dialogs
    int m_nChildIndex = -1;
    // Words only some kinds use: the panel, table and leak kinds' cycle state, the leak kind's
    // zero requests, the armed flag of the kinds with a start preparation, the multiplier's two
    // further factors with the detector wanted for total pressure, the peak window of the split
    // children and the reference sample of the pressure-versus-time kind (values in the background
    // buffer). None of them is kept in the document file.
    int m_bWaitingForData = 0;
    int m_bCycleStarted = 0;
    int m_bTakeZero = 0;
    int m_bClearZero = 0;
    int m_bArmed = 0;
    float m_fCemValueFactor = 1.0f;
    float m_fCemTotalPressureFactor = 1.0f;
    int m_bTotalPressureCem = 0;
    int m_bUnitsApplyRequest = 0;
    float m_fPeakWidth = 1.0f; // amu
    int32_t m_referenceTaken[10] = {};
    int m_nReferenceMode = 0;

protected:
    CScan();
    CScan(CHead* head, CDisplay* display);

    // The run-state words to their idle values.
    void ResetFields();
    // Sends one point record to the document's view (WM_KEL_SCANDATA with the display).
    void SendPoint(void* record);
    // Points the head delivers faster than one by one go to the view together: QueuePoint keeps a
    // record (every record of a run has the same size) and FlushPoints sends the kept ones as one
    // WM_KEL_SCANBATCH. A fast head then costs the user-interface thread one message per batch,
    // not one round trip per point.
    void QueuePoint(const void* record, size_t size);
    void FlushPoints();
    // After a queued point: sends the batch unless the next point is already waiting (moreWaiting)
    // and the batch is neither full nor older than kMaxBatchMs, so a point is never held back
    // waiting for one that has not come.
    void FlushPointsUnless(bool moreWaiting);
    bool HasQueuedPoints() const { return m_nBatchPoints > 0; }
    static constexpr int kMaxBatchPoints = 64;
    static constexpr ULONGLONG kMaxBatchMs = 10;
    // The record's file error as text: the cause's text, or "Error:%d" with the cause number.
    static CString FileErrorMessage(const CFileException& e);
    // "Could not open file "%1"\n%2" with path and text, with the icon given.
    static void ShowFileError(UINT messageId, LPCTSTR path, const CString& text, UINT icon);
    // Closes a file that could not be written whole and removes it, so it is not left behind as if
    // it were one.
    static void DiscardFile(CFile& file, LPCTSTR path);
    // Writes text into a new text file at path (CR LF lines). FALSE after "Could not open file" (with
    // the cause's text, or its number with causeNumber) or "Error writing to file", stop icon; a file
    // written in part is removed.
    static BOOL WriteTextFile(LPCTSTR path, const CString& text, BOOL causeNumber = FALSE);

private:
    std::vector<unsigned char> m_pointBatch; // kept records, back to back
    int m_nBatchPoints = 0;
    size_t m_nBatchRecordSize = 0;
    ULONGLONG m_batchStart = 0; // tick of the batch's first record
};
