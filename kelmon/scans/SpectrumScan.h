// CSpectrumScan: what the analog scan (a continuous spectrum, one value per point with points per
// amu) and the histogram scan (one value per mass) share: the head streams one 4-byte value per
// point and then the total pressure; each value is scaled, background-corrected, averaged and
// handed to the display; each sweep's end signals the I/O board, logs the sweep, re-runs the
// spectrum analysis and starts the next sweep or ends the run. The two kinds differ in a few
// words (head commands, point record, log header, texts), kept here behind IsHistogram and three
// hooks.
#pragma once

#include "doc/AnalogData.h"
#include "scans/Scan.h"
#include "scans/ScanLogHeader.h"
#include "scans/ScanLogSettings.h"

#include <cstdint>
#include <memory>

class CAnalyse;
class CTextLogFile;

class CSpectrumScan : public CScan
{
    DECLARE_DYNAMIC(CSpectrumScan)
public:
    // The program's name line and version in the text files the scans write.
    static constexpr const char* kProductBanner = "KEL Monitor";
    static constexpr double kSoftwareVersion = 3.00;
    static constexpr int kAnalysisGases = 12;
    // Time-out for a point to arrive.
    static constexpr DWORD kPointTimeoutMs = 10000;

    ~CSpectrumScan() override;

    // The settings record first (the object writer; the document file holds it already, so the
    // archive stores a reference), then the scan's part. A loaded scan with averaging on has its
    // average buffer and the weight of its depth at once.
    void Serialize(CArchive& ar) override;

    BOOL StartSeries() override;
    BOOL StartContinuous() override;
    void RequestStopNow() override { m_bStopNow = 1; }
    void RequestStopAtEnd() override { m_bStopAtEnd = 1; }
    BOOL GetReadyFlag() override { return 1; }
    BOOL AttachDocument(CScanSite* document) override;
    BOOL ExportAscii() override;
    float GetTriggerPeriod() override { return SettingOr(&CAnalogData::m_triggerPeriod, 0.0f); }
    void SetTriggerPeriod(float seconds) override { SetSetting(&CAnalogData::m_triggerPeriod, seconds); }
    int GetPeriodUnits() override { return SettingOr(&CAnalogData::m_periodUnits, 0); }
    void SetPeriodUnits(int units) override { SetSetting(&CAnalogData::m_periodUnits, units); }
    void SetOptionWord(int word) override { SetSetting(&CAnalogData::m_optionWord, word); }
    int GetOptionWord() override { return SettingOr(&CAnalogData::m_optionWord, 0); }
    void SetScanMode(int mode) override { SetSetting(&CAnalogData::m_scanMode, mode); }
    int GetScanMode() override { return SettingOr(&CAnalogData::m_scanMode, int(SCAN_MODE_SINGLE)); }
    BOOL SaveLogAsFiles() override;
    BOOL EstimateSweepTime(int& seconds) override;
    BOOL ReadLogFile(CFile& file) override;
    BOOL ReadLogScan(int direction, CFile& file, int show, int& wrapped) override;
    void RestoreViewPosition() override { m_nLogRecordIndex = m_nSavedViewIndex; }
    void RewindViewPosition() override;
    // The logging dialog on the document's logging settings of this kind (the split children's for
    // a split child); OK also takes the new save interval.
    void EditLoggingSettings(CWnd* parent) override;
    BOOL CheckMassRange() override;
    void SetSettings(CObject* record) override;
    CObject* GetSettings() override;
    int QueryPointCount() override;
    float GetSweepTime() override { return SettingOr(&CAnalogData::m_sweepTime, 0.0f); }
    void SetSweepTime(int seconds) override
    {
        SetSetting(&CAnalogData::m_sweepTime, static_cast<float>(seconds));
    }
    void SetNumberOfScans(int count) override { SetSetting(&CAnalogData::m_numberOfScans, count); }
    int GetNumberOfScans() override { return SettingOr(&CAnalogData::m_numberOfScans, 1); }
    BOOL OpenAnalysis(CLibrary* library, const int32_t* gases) override;
    // The analysis' own rule for the scan's mass range (CAnalyse::IsMassRangeUsable), asked of the
    // scan's analysis or, without one, of one made on the document's library.
    BOOL CanAnalyse() override;
    BOOL CloseAnalysis() override;
    BOOL HasAnalysis() override { return m_pAnalysis != nullptr; }
    BOOL IsAnalysisVisible() override;
    BOOL UpdateAnalysis() override;
    BOOL CreateBinaryLog(int maximum, int every, int everySweep) override;
    BOOL AppendBinaryLog() override;
    void CloseBinaryLog() override;
    BOOL OpenLogForView() override;
    void ViewLogScan(int direction) override;
    // Takes the displayed sweep as the background once it is complete (every point in).
    BOOL AcquireBackground() override;
    BOOL RemoveBackground() override;
    void SetBackgroundMode(int mode) override { SetSetting(&CAnalogData::m_backgroundSign, mode); }
    void SetAveraging(int on) override;
    void SetAveragingDepth(int sweeps) override;
    BOOL CanAverage() override { return 1; }
    void ResetAveraging() override;
    BOOL Step() override;
    void FinishScan() override;
    // The enabled flag of the active document's logging settings of this kind.
    BOOL IsLoggingOn() override;
    void ApplyParameters() override;
    void ApplySchedule() override;
    // The scan parameter dialog, made once with the head's limits and this scan's record; shown at
    // its placement by the remembered show state.
    void EditParameters() override;
    BOOL ShowParameterDialog() override;
    BOOL OpenScanLog() override;
    BOOL OpenAnalysisLog() override;
    BOOL CloseAnalysisLog() override;
    BOOL WriteAsciiFile(LPCTSTR path) override;

    // ---- Own operations after the base slots ----
    // While logging: counts the sweep and appends it when it is due.
    virtual void AppendLogIfDue();
    virtual void RememberViewPosition() { m_nSavedViewIndex = m_nLogRecordIndex; }

    CAnalogData* GetAnalogData() const { return m_pSettings; }
    int GetPointCount() const;
    BOOL IsHistogram() { return GetScanKind() == SCAN_KIND_HISTOGRAM; }
    const CString& GetAnalysisLogPath() const { return m_strAnalysisLogPath; }

    // ---- Fields after CScan's ----
    std::unique_ptr<float[]> m_pAverage; // running average, one float per point
    int m_nAverageLength = 0;
    float m_fExponentialWeight = 0.1f;  // weight of the newest sweep
    CAnalogData* m_pSettings = nullptr; // owned by the document
    std::unique_ptr<CAnalyse> m_pAnalysis;
    int m_nSaveAsChoice = 0;
    int m_nSavedViewIndex = 0;
    CScanLogSettings m_logSettings; // the copy taken when the automatic log opened
    std::unique_ptr<CTextLogFile> m_pAnalysisLog;
    int m_nAnalysisLogCounter = 0;
    CString m_strFileText;
    int32_t m_analysisGases[kAnalysisGases] = {}; // selection shared with the analysis dialogs
    int32_t m_analysisChanged = 0;
    CString m_strAnalysisLogPath;

protected:
    CSpectrumScan();
    CSpectrumScan(CAnalogData* settings, CHead* head, CDisplay* display);

    // A word of the settings record, or fallback without one; and its setter.
    template <class T> T SettingOr(T CAnalogData::*field, T fallback) const
    {
        return m_pSettings ? m_pSettings->*field : fallback;
    }
    template <class T> void SetSetting(T CAnalogData::*field, T value)
    {
        if (m_pSettings)
            m_pSettings->*field = value;
    }

    // The head's point count of the set range (QueryAP or QueryHP).
    virtual BOOL QueryHeadPoints(int& points) = 0;
    // Starts the head's scan: n sweeps, 1 by default, -1 the bare command.
    virtual BOOL StartHeadScan(int n) = 0;
    // Sends point index's value to the view in the kind's record.
    virtual void SendValue(int index, float value) = 0;

    // What both starts do first: a new first sweep and an average buffer of the current point count
    // (reset for the analog kind).
    void PrepareRun();
    // The analog kind tells its units that no detector is switched for the reference.
    void ClearUnitsScanRange();
    // Point 0 of a run that is under way.
    void MarkRunning();
    // The head checks, time stamp, labels, units and factors of a sweep, then the head's start.
    BOOL StartSweep();
    // A run that cannot go on: finished, not ended normally, the document cleans up.
    void FailRun();
    // The end of a sweep: board, averaging count, log, analysis, then the next sweep or the end.
    BOOL EndSweep();
    // The end-of-sweep word reported a head error: restart in continuous mode, else finish.
    BOOL HandleErrorReport();
    // An average buffer of the current point count (a new one starts from zero); FALSE when it
    // cannot be had.
    BOOL EnsureAverageBuffer();
    // Creates the log at the log path and writes its header; FALSE (logging off) when it cannot.
    BOOL WriteLogHeader();
    // Opens the log path for viewing and shows its first record.
    BOOL OpenViewedLog();
    // The header of a log of the current settings.
    CScanLogHeader MakeLogHeader();
    // Compares a log's stored set-up with the current one and, when the user agrees, takes it.
    BOOL AcceptStoredParameters(const CScanLogHeader& stored, LPCTSTR path);
    void WriteAnalysisLogLine();
    // Ends analysis logging after a failed write and says so.
    void ReportAnalysisLogWriteFailure(const CString& path);
    CString UnitsName();
    // "CEM Status, ON" or "CEM Status, OFF" by the head's multiplier.
    CString CemStatusLine();
    void RepaintActiveView();
};
