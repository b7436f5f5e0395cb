// CCemGainAdjustDlg: the automatic electron-multiplier gain adjustment. It measures the ion
// current on the Faraday cup, then raises the multiplier voltage step by step until the current
// is the desired gain times the Faraday current. It talks to the head on the user-interface thread
// and keeps its window alive with its own message pump.
#pragma once

#include "dialogs/PercentBar.h"

#include <afxwin.h>

class CHead;

// Posted by the dialog to itself once it is on screen: runs the adjustment.
#define WM_KEL_RUNGAINADJUST (WM_USER + 300)

class CCemGainAdjustDlg : public CDialog
{
    DECLARE_DYNAMIC(CCemGainAdjustDlg)
public:
    enum
    {
        IDD = 250
    };

    // Limits of the run.
    static constexpr int kMaxVoltage = 2480;            // V, highest voltage tried
    static constexpr float kMaxTargetCurrent = 1.3e-7f; // A
    static constexpr float kMinTotalCurrent = 1e-13f;   // A, Faraday current in total-pressure mode
    static constexpr float kMinMassCurrent = 3e-14f;    // A, each Faraday reading of one mass

    explicit CCemGainAdjustDlg(CWnd* pParent = nullptr);

    // The first voltage of the run for a desired gain (the run adds one step before trying it).
    static int StartVoltage(float gain);

    int m_nProgress = 0;
    CPercentBar m_bar;
    CHead* m_pHead = nullptr;
    int m_nMeasureMode = 0;   // 0: total-pressure current, else the current of m_nMass
    int m_nVoltage = 0;       // V: the voltage tried; the result on success
    float m_fGain = 0.0f;     // the desired gain; the gain reached on success
    int m_bRunning = 1;       // still 1 after a successful run
    int m_nMass = 0;          // amu
    float m_fFaraday = 0.0f;  // A
    float m_fCurrent = 0.0f;  // A
    float m_fPrevious = 0.0f; // A
    float m_fTarget = 0.0f;   // A
    int m_nStep = 10;         // V

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    LRESULT OnRunGainAdjust(WPARAM, LPARAM);
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);

    DECLARE_MESSAGE_MAP()

private:
    enum class Outcome
    {
        Reached,
        Failed,    // a head command failed
        Cancelled, // Cancel, or the application quits
        Error      // a limit was hit: message m_nErrorId
    };
    Outcome Adjust();
    BOOL Measure(int noiseFloor, float& current);
    BOOL SwitchMultiplier(int on);
    // Runs the thread's waiting messages; FALSE when the application quits.
    BOOL PumpMessages();
    // Waits for the port lock while serving messages; FALSE when the run ended meanwhile.
    BOOL WaitForLock(HANDLE hLock);

    UINT m_nErrorId = 0;
    BOOL m_bEnergised = FALSE; // the multiplier was switched on at a trial voltage
    BOOL m_bCancelled = FALSE; // Cancel ended the dialog
};
