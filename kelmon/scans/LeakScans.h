// CLeakScans: the leak test. It reads the tracer gas's mass (typically helium at 4) again and
// again, scales each reading, subtracts a zero offset taken on demand, stamps it with the time
// since the first reading and hands (seconds, value) to the leak display. Each reading then drives
// the audible leak tone, or, without the tone, the alarm levels of the leak settings. When the run
// stops, the collected points can be written to a file.
#pragma once

#include "scans/Scan.h"

#include <cstdint>
#include <memory>

class CAudio;
class CLeakData;

// The record of one leak reading (WM_KEL_SCANDATA).
struct LeakPointRecord
{
    float seconds; // since the first reading of the run
    float value;
};

class CLeakScans : public CScan
{
    DECLARE_SERIAL(CLeakScans)
public:
    static constexpr int kPointCapacity = 256000;
    static constexpr DWORD kPointTimeoutMs = 2000;

    CLeakScans();
    CLeakScans(CLeakData* settings, CHead* head, CDisplay* display);
    ~CLeakScans() override;

    // The leak settings and the tone (each as an object, either may be none), then the scan's part.
    void Serialize(CArchive& ar) override;

    BOOL StartSeries() override;
    BOOL StartContinuous() override;
    void RequestStopNow() override;
    void RequestStopAtEnd() override { m_bStopAtEnd = 1; }
    BOOL GetReadyFlag() override { return 1; }
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
    int GetScanKind() override { return SCAN_KIND_LEAK; }
    BOOL SaveLogAsFiles() override { return 0; }
    // The time of one reading, rounded up to whole seconds.
    BOOL EstimateSweepTime(int& seconds) override;
    void EditLoggingSettings(CWnd* parent) override;
    BOOL CheckMassRange() override;
    void SetSettings(CObject* record) override;
    CObject* GetSettings() override;
    float GetSweepTime() override;
    void SetSweepTime(int seconds) override;
    // The sample period.
    void SetKindValue(int value) override;
    BOOL Step() override;
    void FinishScan() override;
    BOOL QueryFlag() override { return 1; }
    BOOL IsLoggingOn() override;
    void ApplyParameters() override;
    void ApplySchedule() override;
    BOOL OpenScanLog() override { return 1; }
    // Writes the run's points to the real-time log file, when logging is on.
    BOOL CloseScanLog() override;
    // The set-up and schedule dialogs: made once, their windows on first showing.
    void EditParameters() override;
    BOOL ShowParameterDialog() override;
    void EditSchedule(CScan* owner) override;
    BOOL ShowScheduleDialog(CScan* owner) override;
    // The audio set-up dialog; OK applies its four values (ApplyAudioSettings).
    void EditAudio() override;
    // The leak text file: a header with the set-up, then one "time, value" line per point.
    BOOL WriteAsciiFile(LPCTSTR path) override;

    // What the audio set-up dialog's OK applies: the four audio settings, then the tone deleted,
    // re-ranged or made and opened as the settings now ask.
    void ApplyAudioSettings(int enabled, int pitchMode, float minimum, float maximum);
    // The document's zero commands: the next reading becomes the zero offset, or clears it.
    void RequestTakeZero() { m_bTakeZero = 1; }
    void RequestClearZero() { m_bClearZero = 1; }
    BOOL CanNull() override { return 1; }
    void RequestNull() override { RequestTakeZero(); }
    void RequestRemoveNull() override { RequestClearZero(); }

    CLeakData* GetLeakData() const { return m_pSettings; }
    CAudio* GetTone() const { return m_pTone.get(); }
    float GetZeroOffset() const { return m_fZeroOffset; }
    const CString& GetLogFilePath() const { return m_strLogFile; }

    // ---- Fields after CScan's ----
    int32_t m_nPointCapacity = kPointCapacity;
    CLeakData* m_pSettings = nullptr; // the document's; not owned
    std::unique_ptr<CAudio> m_pTone;  // while the tone is enabled and its device open
    float m_fZeroOffset = 0.0f;
    uint32_t m_nReadings = 0;  // readings stamped since the time base was reset
    uint32_t m_nStartTick = 0; // GetTickCount of the first of them

private:
    // Head, units and factors before a run; FALSE stops the start.
    BOOL Prepare();
    // A tone is wanted and playing.
    bool ToneInUse() const;
    // Makes and opens the tone from the audio settings when they ask for one; a tone whose device
    // does not open is dropped, and the alarm levels are checked instead.
    void OpenToneIfWanted();
    void StampAndSend(float value);
    // The run cannot go on: finished, not ended normally, the document cleans up.
    BOOL FailureEnd();
    BOOL NormalEnd();

    CString m_strLogFile; // the real-time log written last
};
