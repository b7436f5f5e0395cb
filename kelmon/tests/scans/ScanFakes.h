// Stand-ins for what the scans feed and are driven by until the document, view and displays exist:
// a display that records what it is told, a view on a user-interface thread of its own that
// hands points to the display the way the real view does, and a document that holds the models
// and runs its start, step and stop tasks on the port monitor like the real one. The scan tests
// and the scan benchmark use them.
#pragma once

#include "displays/Display.h"
#include "ports/DocTask.h"
#include "scans/AnalogScan.h"
#include "scans/ScanLogSettings.h"
#include "scans/ScanSite.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CAnalogData;

namespace scantest
{

// A display that keeps the current sweep (as the real spectrum displays do: a point past the last
// starts the next sweep) and records every other call as text, in order.
class CRecordingDisplay : public CDisplay
{
    DECLARE_SERIAL(CRecordingDisplay)
public:
    CRecordingDisplay() = default;
    // A display of settings (not owned); its point count and record kind come from them.
    explicit CRecordingDisplay(CAnalogData* settings) : m_pSettings(settings) {}

    void Serialize(CArchive& ar) override;

    void UpdateData(void* record, int arg) override;
    int ReadData(float* values, int capacity) override;
    BOOL ClearData() override;
    BOOL Redraw() override;
    BOOL Rebuild() override;
    int BuildPage() override { return 1; }
    BOOL ShowScanData(const float* values) override;
    BOOL StoreScanData(const float* values) override;
    BOOL ShowInfoText(int show, LPCTSTR text) override;
    BOOL ShowAlarmMessage(float* value) override;
    BOOL UpdateAlarmMessage(float* value, LPCTSTR text) override;
    void ShowScanCounter(int show, int index, int count) override;
    void UpdateXStep() override;
    void ShowLogStatus(int mode, int n, int limit) override;
    void ShowLogProgress(int every, int n, int maximum, int on) override;

    // ---- What the tests read (any thread) ----
    std::vector<std::string> Calls() const;
    // The calls whose text starts with prefix.
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    void ClearCalls();
    // The values of the current (or last complete) sweep received so far.
    std::vector<float> Sweep() const;
    // Every point received, in order: (mass, value) for analog records, (0, value) else.
    std::vector<AnalogPointRecord> Points() const;
    int PointsReceived() const;
    // The last total pressure shown.
    float LastPressure() const;

    BOOL m_bFailClear = FALSE;
    BOOL m_bFailRebuild = FALSE;

private:
    void Note(const std::string& call);
    int Count() const;

    CAnalogData* m_pSettings = nullptr;
    mutable std::mutex m_lock;
    std::vector<std::string> m_calls;
    std::vector<float> m_sweep;
    int m_received = 0; // points of the current sweep
    std::vector<AnalogPointRecord> m_points;
    float m_lastPressure = 0.0f;
};

// A view window on a thread of its own that runs a message loop, as the user-interface thread
// does: WM_KEL_SCANDATA and each record of a WM_KEL_SCANBATCH go to the display's UpdateData,
// WM_KEL_NEWSWEEP to its Redraw. It records the messages it handled ("newsweep", "data" for each
// record, "paint") unless told to count only.
class CViewThread
{
public:
    explicit CViewThread(bool record = true);
    ~CViewThread();
    CViewThread(const CViewThread&) = delete;
    CViewThread& operator=(const CViewThread&) = delete;

    HWND GetWindow() const { return m_hWnd; }
    // The messages handled so far; without the repaints unless asked.
    std::vector<std::string> Messages(bool withPaints = false) const;
    void ClearMessages();
    // Point records handed to the display (one per WM_KEL_SCANDATA, count per WM_KEL_SCANBATCH).
    int DataMessages() const { return m_data.load(); }
    int BatchMessages() const { return m_batches.load(); }

    // The window procedure's handling of one message, on the view's thread.
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

private:
    bool m_record;
    std::thread m_thread;
    HWND m_hWnd = nullptr;
    DWORD m_threadId = 0;
    mutable std::mutex m_lock;
    std::vector<std::string> m_messages;
    std::atomic<int> m_data{0};
    std::atomic<int> m_batches{0};
};

// The document: holds the head, units, library and board, the logging settings of each scan
// kind and the current scan, and drives the scan with the real document's tasks on the port
// monitor (start task, step tasks that queue themselves again, Stop Now's stop task and last step).
class CFakeDocument : public CScanSite
{
public:
    // The view's window receives the points; portLock is the port mutex the tasks hold.
    CFakeDocument(CHead* head, CUnits* units, HWND view, HANDLE portLock);
    ~CFakeDocument() override;

    CHead* GetHead() override { return m_pHead; }
    CUnits* GetUnits() override { return m_pUnits; }
    CTable* GetTable() override { return m_pTable; }
    CLeakData* GetLeakData() override { return nullptr; }
    CLibrary* GetLibrary() override { return m_pLibrary; }
    CCbBoard* GetIoBoard() override { return m_pBoard; }
    HWND GetViewWindow() override { return m_hView; }
    void PostPaint() override;
    CString GetTitle() override { return m_strTitle; }
    CScanLogSettings& GetLogSettings(int kind) override;
    BOOL IsBusy() override { return m_busy.load(); }
    // No task of any fake document is queued or running.
    static bool IsSettled();
    BOOL IsRepeating() override { return m_repeating.load(); }
    int GetCurrentScanMode() override { return m_pScan ? m_pScan->GetScanMode() : -1; }
    void OnScanFinished() override { ++m_finished; }
    void SetScanEvent() override;
    BOOL RebindInstrument() override
    {
        ++m_rebinds;
        return 1;
    }
    // What a copy of the document holds: m_serialize when set, else the head, units and scan.
    void Serialize(CArchive& ar) override;
    void MarkModified() override { ++m_modified; }

    // ---- The document's commands ----
    // Scan > Start: queues the start task and a step task. A triggered scan is started as one
    // trigger of the repeat timer starts it: a series without a new attach.
    void Start();
    // One tick of the repeat timer of a running trend: queues a step task.
    void QueueStep();
    // Scan > Stop Now: queues the stop task and the last step task.
    void StopNow();
    // Waits (real time, bounded) until the run has ended and its last step returned. False on
    // time-out.
    bool WaitForRunEnd(DWORD timeoutMs = 30000);

    // ---- The tasks' bodies ----
    int RunStartTask();
    int RunScanStep();
    int RunStopTask();

    CHead* m_pHead;
    CUnits* m_pUnits;
    CLibrary* m_pLibrary = nullptr;
    CTable* m_pTable = nullptr;
    CCbBoard* m_pBoard = nullptr;
    CScan* m_pScan = nullptr; // the current scan, not owned
    HWND m_hView;
    HANDLE m_hPortLock;
    CString m_strTitle = "Doc1";
    CScanLogSettings m_logSettings[8];
    std::function<void(CArchive&)> m_serialize;
    std::atomic<int> m_busy{0};
    std::atomic<int> m_repeating{0};
    std::atomic<int> m_stopRequested{0};
    std::atomic<int> m_finished{0}; // OnScanFinished calls
    std::atomic<int> m_rebinds{0};  // RebindInstrument calls
    std::atomic<int> m_scanEvents{0};
    std::atomic<int> m_paints{0};
    // Steps that asked to run again although the scan was no longer running after them.
    std::atomic<int> m_againAfterEnd{0};
    std::atomic<int> m_modified{0}; // MarkModified calls
    HANDLE m_hScanEvent;
};

// Makes the document the active one for the scans while it lives.
class ActiveDocumentScope
{
public:
    explicit ActiveDocumentScope(CScanSite* site);
    ~ActiveDocumentScope();

private:
    ActiveScanSiteLookup m_previous;
};

} // namespace scantest
