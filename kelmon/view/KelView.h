// The view of one instrument window: it hosts the document's display pages, takes the scans'
// values on the user-interface thread and hands them to the display they name, owns the repeat
// timer of triggered scans and relays the frame's and dialogs' notices to the document.
#pragma once

#include <afxwin.h>

#include <cstdint>

class CKelDoc;

class CKelView : public CView
{
    DECLARE_DYNCREATE(CKelView)
public:
    // The repeat timer's id.
    static constexpr UINT_PTR kRepeatTimerId = 1;
    // The longest single timer interval; longer periods run as equal cycles of at most this.
    static constexpr int kMaxTimerInterval = 60000;

    CKelView();
    ~CKelView() override;

    CKelDoc* GetDocument() const;

    // ---- Overrides
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void OnInitialUpdate() override;
    void OnDraw(CDC* pDC) override;

    // ---- Repeat timer
    // Starts the timer for period ms; 1 when it runs, 0 when SetTimer refused it.
    int StartRepeatTimer(int period);
    // Kills the timer and hides the display's scan-state indicators; KillTimer's result.
    BOOL StopRepeatTimer();
    // Cycles of the timer's interval that make one period (0 below kMaxTimerInterval) and the
    // interval itself for a period.
    static void SplitPeriod(int period, int& cycles, UINT& interval);

    // ---- Called by the main frame and the activation manager
    void ShowParameterDialog(int show);
    void OnParamsChanged();
    void ShowScheduleDialog(int show);
    void OnScheduleChanged();
    void OnParamsApplied();
    void ShowMaximized();
    void NcActivateDialogs(BOOL active);
    // Posts WM_PAINT to the view window.
    void PostPaint();

    // ---- State (read by the tests and the frame)
    UINT_PTR m_nTimerId = 0;  // SetTimer's result, 0 when it failed
    int m_nCyclesReload = 0;  // timer cycles per repeat period (0 below one full interval)
    int m_nCyclesCounter = 0; // cycles left until the next repeat
    DWORD m_dwStartTick = 0;
    DWORD m_dwLastTick = 0;
    int m_bOverrunSeen = 0;    // a repeat found the previous scan still running
    UINT m_nTimerInterval = 0; // the interval the timer was started with

protected:
    int OnCreate(LPCREATESTRUCT lpcs);
    void OnSize(UINT nType, int cx, int cy);
    void OnTimer(UINT_PTR nIDEvent);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnConnectCommand();
    void OnUpdateConnectCommand(CCmdUI* pCmdUI);
    void OnFilePrint();

    LRESULT OnInitialDisplay(WPARAM wParam, LPARAM lParam);
    LRESULT OnResetAveraging(WPARAM wParam, LPARAM lParam);
    LRESULT OnLeakParams(WPARAM wParam, LPARAM lParam);
    LRESULT OnAnalysisUpdated(WPARAM wParam, LPARAM lParam);
    LRESULT OnAnalysisClosed(WPARAM wParam, LPARAM lParam);
    LRESULT OnStartRepeatTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnStopRepeatTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnNewSweep(WPARAM wParam, LPARAM lParam);
    LRESULT OnScanData(WPARAM wParam, LPARAM lParam);
    // A run of point records, each to the display as OnScanData gives one.
    LRESULT OnScanBatch(WPARAM wParam, LPARAM lParam);
    LRESULT OnGroupActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnChannelsChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimerRefused(WPARAM wParam, LPARAM lParam);
    LRESULT OnClearDisplay(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};

// The active view of the main frame's active child when it is a CKelView, else null.
CKelView* GetActiveKelView();
