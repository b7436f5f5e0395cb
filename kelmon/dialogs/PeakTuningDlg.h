// "Peak Tuning": the user shifts and widens the peaks of a low-mass and a high-mass reference gas
// with four scroll bars; Scan turns the adjustments into the head's tuning parameters RI, RS, DI
// and DS, sends them and starts one run of the document's scan to show the effect. Undo All puts
// the starting values back, Defaults recalls the head's factory values. Modeless; it deletes
// itself when its window is destroyed.
#pragma once

#include "res/resource.h"

#include "dialogs/ControlHelpDlg.h"

class CHead;
class CPeakTuningDlg;

// What the dialog needs of the document that opened it.
class IPeakTuningSite
{
public:
    virtual ~IPeakTuningSite() = default;
    // Whether the document's current scan is running.
    virtual BOOL IsScanRunning() = 0;
    // Starts one run of the current scan as the document's Start command does.
    virtual void StartScan() = 0;
    // Gas name and mass of the low (high = 0) or the high (high = 1) reference peak display.
    virtual void GetPeak(int high, CString& name, int& mass) = 0;
    // Keeps both peak displays' settings, and puts them back when the dialog closes.
    virtual void SavePeakDisplays() = 0;
    virtual void RestorePeakDisplays() = 0;
    // Rebuilds the active document's display.
    virtual void RebuildDisplay() = 0;
    // The active view's window (the dialog opens at its top right), or null.
    virtual CWnd* GetViewWindow() = 0;
    // The dialog's window is gone and the object is about to delete itself.
    virtual void TuningDialogClosed(CPeakTuningDlg* dlg) = 0;
};

class CPeakTuningDlg : public CControlHelpDlg
{
    DECLARE_DYNAMIC(CPeakTuningDlg)
public:
    enum
    {
        IDD = IDD_PEAK_TUNING
    };
    // The four adjustments: low-peak shift (RI), high-peak shift (RS), low-peak width (DI),
    // high-peak width (DS).
    enum Adjustment
    {
        kLowShift = 0,
        kHighShift = 1,
        kLowWidth = 2,
        kHighWidth = 3,
        kAdjustments = 4
    };
    static constexpr float kLineStep = 0.05f; // one scroll unit
    static constexpr float kPageStep = 0.5f;
    static constexpr float kAdjustLimit = 5.0f; // the ranges are cut to +-5

    // Creates the dialog for the Tune command: stops the head's scan, reads its starting values
    // and creates the modeless window under pParent. Null when there is no memory (message 32),
    // the head cannot be read or the window cannot be created (nothing is left open then).
    static CPeakTuningDlg* Open(IPeakTuningSite* site, CHead* head, CWnd* pParent);

    CPeakTuningDlg(IPeakTuningSite* site, CHead* head);

    // Whether the values lie within the ranges a tuned head keeps.
    static BOOL IsInRange(float rs, float ri, int di, float ds);

    // The value range of each adjustment for the working values (the low and high ends).
    void ComputeRanges();

    IPeakTuningSite* m_pSite;
    CHead* m_pHead;
    float m_fRI0 = 0, m_fRS0 = 0; // starting values
    int m_nDI0 = 0;
    float m_fDS0 = 0;
    float m_fRI = 0, m_fRS = 0; // working values
    int m_nDI = 0;
    float m_fDS = 0;
    int m_scrollRange[kAdjustments][2] = {};  // value range x 20, truncated
    float m_valueRange[kAdjustments][2] = {}; // minimum, maximum
    int m_nHighMass = 0;
    float m_fAdjust[kAdjustments] = {};
    CString m_strHighName, m_strHighMass, m_strLowName, m_strLowMass;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    void OnScan();
    void OnUndoAll();
    void OnDefaults();

    // Message 223 and TRUE while the document's scan runs.
    BOOL RefuseWhileScanning();
    // Sets the head to its factory values and reads them back into the working values; when
    // those are out of range, writes and stores the standard values instead. FALSE when a head
    // command failed.
    BOOL FactoryDefaults();
    // Sends RS, RI, DS, DI in this order; FALSE at the first failure.
    BOOL SendValues(float rs, float ri, float ds, int di);
    // Reads RS, RI, DI, DS into the working values; FALSE at the first failure.
    BOOL ReadValues();
    // Ranges, scroll bars at 0 and adjustments 0 for the working values, then shown.
    void ResetAdjustments();
    void Close();

    BOOL m_bPeaksSaved = FALSE;
    BOOL m_bAutoDelete = FALSE; // set by Open once the window exists

    DECLARE_MESSAGE_MAP()
};
