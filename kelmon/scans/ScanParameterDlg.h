// "Mass Spec Scan Parameters": the mass range, resolution, scaling and speed of the analog and
// histogram scans. Modeless; it edits the scan's settings record on Apply and publishes the new
// speed and the head's multiplier state to the dialogs registered under it (the channel dialog of
// a split scan), then the main window has the scan take the new parameters.
#pragma once

#include "dialogs/BaseParameterDlg.h"
#include "res/resource.h"

class CAnalogData;
class CScan;

// The scan speeds a record can hold, 0 (slowest, lowest noise) to 7 (fastest).
constexpr int kScanSpeeds = 8;
// Fills a drop-down list with the eight scan speeds, in index order.
void FillScanSpeedList(CWnd* combo);

class CScanParameterDlg : public CBaseParameterDlg
{
    DECLARE_DYNAMIC(CScanParameterDlg)
public:
    enum
    {
        IDD = IDD_SCAN_PARAMETERS
    };
    static constexpr float kMinScale = 0.01f;
    static constexpr float kMaxScale = 100.0f;

    explicit CScanParameterDlg(CWnd* pParent = nullptr);

    // The head's limits: its highest mass, whether it is of the JOV family (notJov 0), the default
    // and the greatest points per AMU, and the default stop and start masses.
    void SetLimits(int maxMass, BOOL notJov, int ppaDefault, int ppaMax, int defaultStop, int defaultStart);
    // The scan the dialog applies to and the record it edits (neither owned); mode 0 analog, 1
    // histogram (one point per mass: points per AMU stays greyed).
    void SetScan(CScan* pScan, CAnalogData* pSettings, int mode);

    // Greys or enables the fields, Apply and Default; points per AMU stays greyed in histogram mode.
    void EnableControls(BOOL bEnable) override;
    // Re-reads the record (a log or another dialog may have changed it) into the controls.
    void RefreshControls() override;

    CScan* m_pScan = nullptr;
    CAnalogData* m_pSettings = nullptr;
    int m_nMode = 0;
    BOOL m_bTriggered = FALSE; // the scan runs triggered whatever its mode says (P-vs-T child)

    // Limits (a JOV-family head counts from mass 0 and has its own defaults)
    BOOL m_bNotJov = TRUE;
    int m_nMaxMass = 100;
    int m_nMinStart = 1;
    int m_nPpaMax = 25;
    int m_nPpaDefault = 10;
    int m_nDefaultStop = 75;
    int m_nDefaultStart = 1;

    // Fields
    int m_nPointsPerAmu = 10;
    int m_nStopMass = 50;
    int m_nStartMass = 1;
    float m_fScale = 1.0f;
    int m_nSpeed = 2;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Apply: the dialog stays open.
    void OnOK() override;
    // Escape closes as the caption's close button does.
    void OnCancel() override;
    void OnClose();
    // The placement is kept when the window goes with its scan.
    void OnDestroy();
    void OnDefault();
    void OnHelp();

    void LoadFromSettings();
    void UpdateResolutionState();

    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bClosing = FALSE;
};
