// CSplitScan: a dual scan that owns two child scans and runs them one after the other as one scan
// of the document, on a display of two parts. Most operations are forwarded to the children by
// fixed rules; its own logic is the step's phase machine and the coupling mode, in which the
// second child may take its values from the first child's sweep instead of the head.
//
// Coupling modes: 0 each round is a sweep of the first child and then a sweep of the second; 1, 2
// and 3 each round is a sweep of the first child and then one sample of the second taken from it
// (from an analog sweep, a histogram, or the other of a table and pressure-versus-time pair).
#pragma once

#include "scans/Scan.h"

#include <cstdint>

class CSplitScan : public CScan
{
    DECLARE_SERIAL(CSplitScan)
public:
    // Child kinds.
    enum : int32_t
    {
        kChildAnalog = 0,
        kChildHistogram = 1,
        kChildTable = 2,
        kChildPvsT = 3
    };

    CSplitScan();
    // Makes child i of kinds[i] with settings[i] (a CAnalogData for the spectrum kinds, the
    // CTable for the others), the head and display part i. A child that cannot be made is left
    // out after the message of a failed allocation.
    CSplitScan(CHead* head, CDisplay* parts[2], CObject* settings[2], const int32_t kinds[2], int32_t couplingMode);
    ~CSplitScan() override;

    // Coupling mode, first child, second child (objects), first kind, second kind, the scan part.
    void Serialize(CArchive& ar) override;

    void SetHead(CHead* head) override;
    BOOL StartSeries() override;
    BOOL StartContinuous() override;
    void RequestStopNow() override;
    void RequestStopAtEnd() override;
    BOOL GetReadyFlag() override { return 1; }
    BOOL IsStepAllowed() override;
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
    int GetScanKind() override { return SCAN_KIND_SPLIT; }
    BOOL SaveLogAsFiles() override { return 0; }
    // t1 + t2 + 1 in mode 0, t1 + 1 in modes 1 and 2, t1 in mode 3.
    BOOL EstimateSweepTime(int& seconds) override;
    void EditLoggingSettings(CWnd* parent) override;
    BOOL CheckMassRange() override;
    void OnCemSwitched(int flag) override;
    int QueryPointCount() override { return 1; }
    float GetSweepTime() override;
    void SetSweepTime(int seconds) override;
    void SetNumberOfScans(int count) override;
    int GetNumberOfScans() override;
    void SetKindValue(int value) override;
    BOOL OpenAnalysis(CLibrary* library, const int32_t* gases) override;
    BOOL CloseAnalysis() override;
    BOOL HasAnalysis() override;
    BOOL IsAnalysisVisible() override;
    BOOL CreateBinaryLog(int maximum, int every, int everySweep) override;
    void StopLogging() override;
    BOOL AppendBinaryLog() override;
    void CloseBinaryLog() override;
    BOOL OpenLogForView() override;
    void ViewLogScan(int direction) override;
    BOOL HasBackground() override;
    void DropBackground() override;
    BOOL AcquireBackground() override;
    BOOL RemoveBackground() override;
    void SetBackgroundMode(int mode) override;
    BOOL Step() override;
    void FinishScan() override;
    BOOL IsDisplayAutoScale() override;
    BOOL IsLoggingOn() override;
    BOOL IsViewingLog() override;
    void SetIoBoardSignal(CCbBoard* board) override;
    void ShowCaption(int show) override;
    void StampStartTime() override;
    BOOL DestroyParameterDialog() override;
    void EnableParameterDialog(int enable) override;
    void ApplyParameters() override;
    BOOL ShowScheduleDialog(CScan* owner) override;
    void EditSchedule(CScan* owner) override;
    BOOL DestroyScheduleDialog() override;
    void ShowScheduleWindow(int show) override;
    void ApplySchedule() override;
    void EnableScheduleDialog(int enable) override;
    BOOL OpenScanLog() override;
    BOOL CloseScanLog() override;

    CScan* GetChild(int index) const { return index == 0 ? m_pFirst : index == 1 ? m_pSecond : nullptr; }
    int GetPhase() const { return m_nPhase; }
    int GetCouplingMode() const { return m_nCouplingMode; }

    // ---- Fields after CScan's ----
    int32_t m_nPhase = 0; // 0 idle, 1 start, 2 first child, 3, 4 second child, 5 round done
    int32_t m_nCouplingMode = 0;
    int32_t m_bReserved = 0;
    CScan* m_pFirst = nullptr;  // owned
    CScan* m_pSecond = nullptr; // owned
    int32_t m_nFirstKind = kChildAnalog;
    int32_t m_nSecondKind = kChildAnalog;

private:
    // Runs op on each child there is, first then second.
    template <class Op> void Both(Op op);
    // The child that owns the schedule dialog: the second when it is a pressure-versus-time scan.
    CScan* ScheduleOwner() const;
    void Bind(CScan* child, int index);
    // A child attached (unless coupling mode 3 keeps the first child's trend) and started.
    BOOL StartChild(CScan* child, bool attach);
    // Steps a child while it acquires: 1 to go on, 0 when the round's step ended the scan, and
    // phase moves to next once the child stopped acquiring.
    BOOL StepChild(CScan* child, int next);
    // The scan ends here, not normally.
    BOOL Fail();
};
