// The document of one instrument window: the head binding, the pressure unit, the five analog
// settings records, the table and leak-test settings, the gas library, one display per display kind,
// the current scan, the logging settings and the document's own words and strings. It is stored as
// a ".kel" document file through Serialize, and it is what the scans call back (CScanSite).
//
// The views, frames and the scan control (tasks, repeat timer) come with the program; the fields
// they work on are here, public, so they can build on them.
#pragma once

#include "ports/PortDocument.h"
#include "scans/ScanLogSettings.h"
#include "scans/ScanSite.h"

#include <afxwin.h>

#include <atomic>
#include <cstdint>
#include <memory>

class CAnalogData;
class CAppSettings;
class CBaseParameterDlg;
class CBaseScheduleDlg;
class CCbBoard;
class CDisplay;
class CHead;
class CInstrumentDesc;
class CLeakData;
class CLibrary;
class CPeakTuningDlg;
class IPeakTuningSite;
class CLibrarySearchDlg;
class CScan;
class CSplitDisplay;
struct SplitLayout;
class CTable;
class CUnits;

class CKelDoc : public CDocument, public CScanSite
{
    DECLARE_SERIAL(CKelDoc)
public:
    static constexpr int kMaxDocuments = 8;
    static constexpr int kAnalogSettings = 5;
    static constexpr int kAnalysisGases = 12;
    static constexpr int kLogSettings = 7;
    static constexpr int kOptionWords = 7;
    static constexpr int kStrings = 5;
    // Display kind codes 1..8 index the per-kind displays.
    static constexpr int kDisplayKinds = 8;
    // Modes: 0 analog, 1 histogram, 2 table, 3 P vs T, 4 leak test, 5 annunciator, 7 library;
    // kNoSplit as second mode means no split layout.
    static constexpr int32_t kNoSplit = 8;
    static constexpr int32_t kModeAnalog = 0;
    static constexpr int32_t kModeHistogram = 1;
    static constexpr int32_t kModeTable = 2;
    static constexpr int32_t kModePvsT = 3;
    static constexpr int32_t kModeLeakTest = 4;
    static constexpr int32_t kModeAnnunciator = 5;
    static constexpr int32_t kModeLibrary = 7;

    CKelDoc();
    ~CKelDoc() override;

    // ---- Life cycle
    BOOL OnNewDocument() override;
    BOOL OnOpenDocument(LPCTSTR lpszPathName) override;
    void OnCloseDocument() override;
    // Refuses ("Stop the running scan first!") while a scan runs.
    BOOL SaveModified() override;
    // The same warning for the connector list: 1 when a scan runs (and the user was told).
    int WarnIfScanRunning();
    // Open documents of the process (New and Open count up, close counts down).
    static int GetOpenDocumentCount();

    // The whole document in the document file's order. A load builds everything aside and takes it
    // over only once the whole file was read and checked: a damaged file throws and leaves the
    // document as it was.
    void Serialize(CArchive& ar) override;

    // A new gas library from "gaslib.dat" in the program's folder; 0 (and no library) when it
    // cannot be read.
    int CreateGasLibrary();
    // Folders of the seven logging records from the application settings, user "User".
    void InitLogSettings();
    // Deletes the displays (the split display after freeing its settings copies).
    void DeleteDisplays();
    // Frees the split settings copies of the panes of modes[0], modes[1].
    void FreeSplitSettings(const int modes[2]);
    // Files a display read from a file by its kind code (and sets the mode from it).
    void BindLoadedDisplay(CDisplay* display);

    // ---- Head binding
    int DistributeHead();
    int SetHeadFromDesc(CInstrumentDesc* desc);
    int AttachInstrument(CInstrumentDesc* desc);
    int RefreshHead();
    int ReleaseInstrument();

    int GetDocumentNumber() const { return m_nDocumentNumber < 0 ? 0 : m_nDocumentNumber; }
    // The display of a kind code (1..8), or null.
    CDisplay* GetDisplayOfKind(int kind) const;
    // Files display as the display of its kind; the document owns it from now on.
    void SetDisplayOfKind(CDisplay* display);
    CAnalogData* GetAnalogSettings(int index) const;

    // ---- CScanSite
    CHead* GetHead() override { return m_pHead; }
    CUnits* GetUnits() override { return m_pUnits.get(); }
    CTable* GetTable() override { return m_pTable.get(); }
    CLeakData* GetLeakData() override { return m_pLeakData.get(); }
    CLibrary* GetLibrary() override { return m_pLibrary.get(); }
    CCbBoard* GetIoBoard() override { return m_pIoBoard.get(); }
    HWND GetViewWindow() override { return m_hViewWnd; }
    void PostPaint() override;
    CString GetTitle() override { return CDocument::GetTitle(); }
    CScanLogSettings& GetLogSettings(int kind) override;
    BOOL IsBusy() override { return m_bStepInProgress; }
    BOOL IsRepeating() override { return m_bRepeatTimer; }
    int GetCurrentScanMode() override;
    void OnScanFinished() override;
    void SetScanEvent() override;
    BOOL RebindInstrument() override;
    void MarkModified() override { SetModifiedFlag(TRUE); }

    CScan* GetCurrentScan() const { return m_pScan.get(); }
    // The document takes the scan over (the previous one is deleted).
    void SetCurrentScan(CScan* scan);
    CDisplay* GetCurrentDisplay() const { return m_pCurrentDisplay; }
    void SetCurrentDisplay(CDisplay* display) { m_pCurrentDisplay = display; }

    // ---- Scan control: Start, Stop Now, Stop At End, the repeat timer and the port tasks
    // (KelDocScan.cpp). The commands and the update handlers run on the user-interface thread;
    // RunStartTask, RunScanStep and RunStopTask on a port-monitor worker holding the port mutex.
    void OnScanStart();
    void OnUpdateScanStart(CCmdUI* pCmdUI);
    void OnScanStopNow();
    void OnUpdateScanStopNow(CCmdUI* pCmdUI);
    void OnScanStopAtEnd();
    void OnUpdateScanStopAtEnd(CCmdUI* pCmdUI);
    void OnAcquisitionFrequency();
    void OnUpdateAcquisitionFrequency(CCmdUI* pCmdUI);
    // Queues n step tasks (nothing for n <= 0).
    void QueueScanSteps(int n);
    // One full period of the view's repeat timer: starts the next series or counts an overrun.
    int OnRepeatTimer();
    // The document's part of the view's first update: a new document runs the analog-mode
    // command, an opened one rebuilds the display it was stored with.
    void ShowInitialDisplay();
    // The mutex of the connector entry the document's descriptor names; NULL without one.
    HANDLE GetPortMutex();
    int RunStartTask();
    int RunScanStep();
    int RunStopTask();
    // The trigger period of a triggered scan in whole milliseconds, never 0.
    static UINT RepeatPeriodMs(float seconds);
    // Stops the scan's steps from queueing again and waits, serving the messages the workers send,
    // until no task of this document is queued or running (a closing document goes after them).
    void WaitForTasks();
    // Tasks of this document alive on the port monitor.
    std::atomic<int> m_nLiveTasks{0};

    // ---- Hooks for the view, the frames and the dialogs (KelDocHooks.cpp)
    int IsHeadOnline();
    void RequestAveragingReset();
    void CloseAnalysis();
    void UpdateAnalysis();
    int GetScanMode();
    void OnChartKeyDown(int key, int repeat, int flags);
    CBaseParameterDlg* GetParameterDialog();
    CBaseScheduleDlg* GetScheduleDialog();
    void ShowHeadInfo();
    int RunConnectorDialog();
    int IsScanning();
    void ShowParameterWindow(int show);
    void ApplyParameters();
    void ShowScheduleWindow(int show);
    void ApplySchedule();
    void OnGroupActivate(int parameterShown, int scheduleShown);
    void OnGroupDeactivate();
    CAppSettings* StoreDefaults();
    // The default colours of new documents: from the settings into this document's records
    // (colours the settings do not hold stay as the records' own defaults), or back.
    void TakeDefaultColours(const CAppSettings& settings);
    void GiveDefaultColours(CAppSettings& settings) const;

    // ---- Head commands: the connector list and the filament (KelDocHead.cpp)
    void OnConnectorListSetup();
    void OnUpdateConnectorListSetup(CCmdUI* pCmdUI);
    void OnFilamentOn();
    void OnUpdateFilamentOn(CCmdUI* pCmdUI);
    // What the connector list and the binding registry see of this document.
    IPortDocument* GetPortDocument();
    // Binds a connected entry's descriptor (no effect when it is already the document's).
    int BindDescriptor(std::shared_ptr<CInstrumentDesc> desc);
    // The window of the active view when it shows a kelmon document, else NULL.
    static HWND GetActiveViewWindow();

    // ---- Mode commands (KelDocMode.cpp): one switch routine for every mode
    void OnModeAnalog();
    void OnUpdateModeAnalog(CCmdUI* pCmdUI);
    void OnModeHistogram();
    void OnUpdateModeHistogram(CCmdUI* pCmdUI);
    void OnModeTable();
    void OnUpdateModeTable(CCmdUI* pCmdUI);
    void OnModePvsT();
    void OnUpdateModePvsT(CCmdUI* pCmdUI);
    void OnModeLeakTest();
    void OnUpdateModeLeakTest(CCmdUI* pCmdUI);
    void OnModeAnnunciator();
    void OnUpdateModeAnnunciator(CCmdUI* pCmdUI);
    // The gas library's view: the library display shows the library's current gas; no scan runs.
    void OnModeLibrary();
    void OnUpdateModeLibrary(CCmdUI* pCmdUI);
    // Replaces the current display and scan by those of the mode (nothing while the lock is set,
    // the mode is in force or a scan runs: the user is offered to stop it).
    void SwitchMode(int mode);
    // The mode's display built in the document's view, or null; the mode's new scan, or null.
    CDisplay* MakeModeDisplay(int mode);
    CScan* MakeModeScan(int mode, CDisplay* display);
    // ---- Split commands (KelDocSplit.cpp): two panes in one split display. From a display that
    // offers no layout for the command nothing happens.
    void OnSplitAnalog();
    void OnUpdateSplitAnalog(CCmdUI* pCmdUI);
    void OnSplitHistogram();
    void OnUpdateSplitHistogram(CCmdUI* pCmdUI);
    void OnSplitTable();
    void OnUpdateSplitTable(CCmdUI* pCmdUI);
    void OnSplitPvsT();
    void OnUpdateSplitPvsT(CCmdUI* pCmdUI);
    void OnSplitLibrary();
    void OnUpdateSplitLibrary(CCmdUI* pCmdUI);
    // Docks the library's parameter dialog below the scan's and shows both as the parameter
    // dialogs are shown; returns 1.
    int PlaceLibraryDialog();
    // A mode switch leaving a split layout: the split display and its settings copies go (nothing
    // when the current display is no split display).
    void LeaveSplitLayout();
    // ---- The rest of the head commands: ionizer, CEM, calibration, degas, reset, peak tuning,
    // the head-parameter lock and the head information (KelDocHead.cpp)
    void OnIonizerSettings();
    void OnUpdateIonizerSettings(CCmdUI* pCmdUI);
    void OnCemOn();
    void OnUpdateCemOn(CCmdUI* pCmdUI);
    void OnCemSettings();
    void OnUpdateCemSettings(CCmdUI* pCmdUI);
    void OnCalibrateDetector();
    void OnUpdateCalibrateDetector(CCmdUI* pCmdUI);
    void OnDegas();
    void OnUpdateDegas(CCmdUI* pCmdUI);
    void OnHeadReset();
    void OnUpdateHeadReset(CCmdUI* pCmdUI);
    void OnGasSelection();
    void OnUpdateGasSelection(CCmdUI* pCmdUI);
    void OnTune();
    void OnUpdateTune(CCmdUI* pCmdUI);
    void OnSensitivityTuning();
    void OnUpdateSensitivityTuning(CCmdUI* pCmdUI);
    void OnLeakRateTuning();
    void OnUpdateLeakRateTuning(CCmdUI* pCmdUI);
    void OnLockHeadParams();
    void OnUpdateLockHeadParams(CCmdUI* pCmdUI);
    void OnGetHeadInfo();
    void OnUpdateGetHeadInfo(CCmdUI* pCmdUI);
    // A head that is online, a current scan, and neither the scan nor the repeat timer running.
    BOOL IsHeadIdle();
    // The scan runs or the repeat timer is on.
    BOOL IsScanBusy();
    // Stores the head-lock state after the lock dialog; the application installs it (null: kept
    // in memory only).
    static void (*s_pfnStoreHeadLock)();
    // ---- Graph and view commands on the current display (KelDocGraph.cpp)
    void OnFileSaveAscii();
    void OnUpdateFileSaveAscii(CCmdUI* pCmdUI);
    void OnFileSaveMetafile();
    void OnUpdateFileSaveMetafile(CCmdUI* pCmdUI);
    void OnFilePrintGraph();
    void OnFilePrinterSetup();
    void OnFilePrintOptions();
    void OnFileDefaultLayout();
    void OnEditCopyGraph();
    void OnEditClearData();
    void OnUpdateEditClearData(CCmdUI* pCmdUI);
    void OnViewZoomIn();
    void OnViewZoomOut();
    void OnUpdateViewZoom(CCmdUI* pCmdUI);
    void OnViewPanLeft();
    void OnViewPanRight();
    void OnViewFullScale();
    void OnUpdateViewFullScale(CCmdUI* pCmdUI);
    void OnViewNextItem();
    void OnUpdateViewNextItem(CCmdUI* pCmdUI);
    void OnViewPrevItem();
    void OnUpdateViewPrevItem(CCmdUI* pCmdUI);
    void OnViewLegends();
    void OnUpdateViewLegends(CCmdUI* pCmdUI);
    void OnGraphAutoScale();
    void OnUpdateGraphAutoScale(CCmdUI* pCmdUI);
    void OnGraphUnits();
    void OnUpdateGraphUnits(CCmdUI* pCmdUI);
    void OnGraphLinear();
    void OnUpdateGraphLinear(CCmdUI* pCmdUI);
    void OnGraphLog();
    void OnUpdateGraphLog(CCmdUI* pCmdUI);
    void OnGraphToggleLog();
    void OnGraphYAxis();
    void OnGraphYAxisLabels();
    void OnGraphXAxis();
    void OnGraphXAxisLabels();
    void OnUpdateGraphAxis(CCmdUI* pCmdUI);
    void OnGraphTitle();
    void OnGraphTraces();
    void OnUpdateGraphTitle(CCmdUI* pCmdUI);
    void OnGraphAlarmLines();
    void OnUpdateGraphAlarmLines(CCmdUI* pCmdUI);
    void OnGraphWindowBackground();
    void OnUpdateGraphWindowBackground(CCmdUI* pCmdUI);
    void OnGraphGraphBackground();
    void OnUpdateGraphGraphBackground(CCmdUI* pCmdUI);
    void OnGraphTimeStamp();
    void OnUpdateGraphTimeStamp(CCmdUI* pCmdUI);
    void OnGraphRedraw();
    void OnUpdateGraphRedraw(CCmdUI* pCmdUI);
    void OnGraphTitleText();
    void OnUtilCursor();
    void OnUpdateUtilCursor(CCmdUI* pCmdUI);
    void OnUtilCursorProperties();
    void OnUpdateUtilCursorProperties(CCmdUI* pCmdUI);
    void OnHistoryResume();
    void OnHistoryShow();
    void OnUpdateHistory(CCmdUI* pCmdUI);
    void OnUpdateHistoryShow(CCmdUI* pCmdUI);
    // ---- Scan, logging, analysis and output commands (KelDocScanCommands.cpp)
    void OnAnalogParameters();
    void OnUpdateAnalogParameters(CCmdUI* pCmdUI);
    void OnHistogramParameters();
    void OnUpdateHistogramParameters(CCmdUI* pCmdUI);
    void OnTableParameters();
    void OnUpdateTableParameters(CCmdUI* pCmdUI);
    void OnLeakParameters();
    void OnUpdateLeakParameters(CCmdUI* pCmdUI);
    void OnLibraryParameters();
    void OnUpdateLibraryParameters(CCmdUI* pCmdUI);
    void OnScanLogging();
    void OnUpdateScanLogging(CCmdUI* pCmdUI);
    void OnOpenScanLogs();
    void OnUpdateOpenScanLogs(CCmdUI* pCmdUI);
    void OnSaveScanLogs();
    void OnUpdateSaveScanLogs(CCmdUI* pCmdUI);
    void OnBackgroundSetup();
    void OnUpdateBackgroundSetup(CCmdUI* pCmdUI);
    void OnAverageSetup();
    void OnUpdateAverageSetup(CCmdUI* pCmdUI);
    void OnAverageReset();
    void OnUpdateAverageReset(CCmdUI* pCmdUI);
    void OnToggleAveraging();
    void OnUpdateToggleAveraging(CCmdUI* pCmdUI);
    void OnNull();
    void OnUpdateNull(CCmdUI* pCmdUI);
    void OnRemoveNull();
    void OnUpdateRemoveNull(CCmdUI* pCmdUI);
    void OnAnalyze();
    void OnUpdateAnalyze(CCmdUI* pCmdUI);
    void OnAnalyzeSettings();
    void OnUpdateAnalyzeSettings(CCmdUI* pCmdUI);
    void OnLibrarySearch();
    void OnUpdateLibrarySearch(CCmdUI* pCmdUI);
    void OnLeakAudio();
    void OnUpdateLeakAudio(CCmdUI* pCmdUI);
    void OnAudibleAlarm();
    void OnUpdateAudibleAlarm(CCmdUI* pCmdUI);
    void OnTotalPressure();
    void OnUpdateTotalPressure(CCmdUI* pCmdUI);
    void OnPressureReduction();
    void OnUpdatePressureReduction(CCmdUI* pCmdUI);
    void OnOutputCard();
    void OnUpdateOutputCard(CCmdUI* pCmdUI);
    void OnOutputChannels();
    void OnUpdateOutputChannels(CCmdUI* pCmdUI);
    void OnManualOutput();
    void OnUpdateManualOutput(CCmdUI* pCmdUI);
    void OnUpdateScanPresent(CCmdUI* pCmdUI);
    void OnNoAction();
    void OnUpdateNoAction(CCmdUI* pCmdUI);
    // After accepted scan parameters: the scan re-attached, the display rebuilt, background and
    // logging dropped, the library re-attached to a library half, the document modified.
    void ResyncScan();
    // The library shown on the library half (or halves) of a split layout when items are navigated.
    void AttachLibraryToSplit(BOOL rebuild);
    // The gas library, read on first use; null when it cannot be read.
    CLibrary* EnsureGasLibrary();
    // The open library-search window (modeless), kept until its hidden window is noticed.
    struct LibrarySearchDeleter
    {
        void operator()(CLibrarySearchDlg* dlg) const;
    };
    std::unique_ptr<CLibrarySearchDlg, LibrarySearchDeleter> m_pLibrarySearchDlg;

    DECLARE_MESSAGE_MAP()
public:
    // ---- Fields (public for the program's commands, views and tasks)
    CDisplay* m_pCurrentDisplay = nullptr; // one of the per-kind displays, or null
    int32_t m_nWord3 = 1;
    CHead* m_pHead = nullptr; // the bound head (the descriptor's, or the one a file brought)
    int32_t m_bItemNavigation = 0;
    int32_t m_nDocumentNumber = 0;
    std::atomic<int32_t> m_bRepeatTimer{0}; // read and written by the UI thread and the port workers
    int32_t m_nMode = 0;
    int32_t m_nSecondMode = 28;
    int32_t m_analysisGas[kAnalysisGases] = {};
    int32_t m_nOption44 = 50;
    int32_t m_nOption45 = 3;
    int32_t m_nOption46 = 1;
    // The first chart page this document opens places its window at the default layout's
    // rectangle (Set As Default Layout); later pages keep the window where it is.
    int32_t m_bPlaceFromDefaults = 1;
    int32_t m_nPrintingStyle = 0;
    float m_fPrintTop = 0.0f;
    float m_fPrintLeft = 0.0f;
    int32_t m_printFlags[3] = {};
    int32_t m_bOpenedFromFile = 0;
    int32_t m_bPeakTuning = 0;
    int32_t m_bModeSwitchLock = 0;
    int32_t m_nTuningWord = 0;
    int32_t m_nCursorColor = 0;
    int32_t m_nCursorWidth = 0;
    int32_t m_nCursorType = 0;
    int32_t m_optionWords[kOptionWords] = {};
    CString m_strings[kStrings];
    int32_t m_bReleaseLock = 0;
    std::atomic<int32_t> m_bStartTaskBusy{0}; // read and written by the UI thread and the port workers
    int32_t m_bOverrun = 0;
    int32_t m_nOverrunCount = 0;
    std::atomic<int32_t> m_bStepInProgress{0}; // read and written by the UI thread and the port workers
    HWND m_hViewWnd = NULL;
    std::shared_ptr<CInstrumentDesc> m_pDesc;      // the descriptor the head comes from
    std::shared_ptr<CInstrumentDesc> m_pBoundDesc; // bound by the connector list
    HANDLE m_hScanEvent = NULL;
    int32_t m_bOwnsDesc = 0;
    std::atomic<int32_t> m_bStopRequested{0}; // read and written by the UI thread and the port workers
    int32_t m_nWord83 = 1;
    int32_t m_bLibraryDlgOpen = 0;
    int32_t m_nLeakRateTuning = 0;
    CScanLogSettings m_logSettings[kLogSettings];
    int32_t m_nHeadSetting = 0;
    // The split layout's settings copies (one object when both panes share it).
    CObject* m_pSplitSettings[2] = {nullptr, nullptr};
    // The open Peak Tuning dialog (it deletes itself when its window goes) and what it sees of the
    // document; the document closes the dialog when it goes first.
    CPeakTuningDlg* m_pPeakTuningDlg = nullptr;
    std::shared_ptr<IPeakTuningSite> m_pPeakTuningSite;

private:
    void DeleteModels();
    // ---- Mode switch steps (KelDocMode.cpp)
    // Closes the library's scan-range dialog when it belongs to this document.
    void DropLibraryDialog();
    // Takes the current display and scan down for a display of kind; false when the switch stops
    // there (that display is in force, or a scan runs and the user was asked to stop it).
    bool LeaveCurrentDisplay(int kind, bool clearCoupling);
    // Makes the mode's display (built when missing) the current one and shows it; null when it
    // could not be built (the user was told).
    CDisplay* ShowModeDisplay(int mode);
    // The table no longer follows an analog or histogram pane's timing.
    void ClearTableCoupling();
    // The split recipe's steps (KelDocSplit.cpp).
    BOOL CanStartSplit();
    void SplitLayoutCommand(unsigned command);
    CObject* SplitSourceSettings(int source);
    void MakeSplitSettings(const SplitLayout& layout);
    void ApplyTableCoupling(const SplitLayout& layout);
    CSplitDisplay* ShowSplitDisplay(const SplitLayout& layout, CObject* settings[2]);
    // Deletes the split display, then frees its settings copies; the library lets go of both.
    void DropSplitDisplay();

    std::unique_ptr<CLibrary> m_pLibrary;
    std::unique_ptr<CDisplay> m_displays[kDisplayKinds]; // by kind code - 1
    std::unique_ptr<CHead> m_pLoadedHead;                // a head a file brought (the descriptor adopts it)
    std::unique_ptr<CUnits> m_pUnits;
    std::unique_ptr<CAnalogData> m_pAnalog[kAnalogSettings];
    std::unique_ptr<CLeakData> m_pLeakData;
    std::unique_ptr<CTable> m_pTable;
    std::unique_ptr<CScan> m_pScan;
    std::unique_ptr<CCbBoard> m_pIoBoard;
    bool m_bCounted = false; // this document counts among the open ones
    // What the connector list sees of the document, made on first use.
    std::unique_ptr<IPortDocument> m_pPortDocument;
};

// The active MDI child's active document when it is a kelmon document, else null.
CKelDoc* GetActiveKelDoc();
