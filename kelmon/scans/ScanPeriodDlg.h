// "Scan Schedule Setup" of the pressure-versus-time scan: the trigger period alone, in seconds or
// minutes, never shorter than one sweep and at most 600 units. Modeless; Apply writes the scan's
// period and units, puts it in the triggered mode and has the main window take the schedule.
#pragma once

#include "dialogs/BaseScheduleDlg.h"
#include "res/resource.h"

class CScan;

class CScanPeriodDlg : public CBaseScheduleDlg
{
    DECLARE_DYNAMIC(CScanPeriodDlg)
public:
    enum
    {
        IDD = IDD_SCAN_PERIOD
    };
    static constexpr int kMaxPeriod = 600;

    explicit CScanPeriodDlg(CWnd* pParent = nullptr);

    // Greys or enables every control but Help.
    void EnableControls(BOOL bEnable) override;
    // Re-reads the period from the scan into the controls.
    void ReloadSchedule() override;

    CScan* m_pScan = nullptr; // not owned
    int m_nPeriod = 1;
    CString m_strUnits = "Seconds";
    int m_nUnits = 0; // 0 seconds, 1 minutes
    int m_nMinimum = 1;
    int m_nMinSeconds = 1;
    int m_nMinMinutes = 1;
    int m_nLoadedSeconds = 0; // the scan's period when it was read, whole seconds

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
    void OnSeconds();
    void OnMinutes();
    void OnHelp();

    // Triggered mode, the minima from the sweep time, the period in the scan's units.
    void LoadFromScan();
    void ShowValues();

    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bClosing = FALSE;
};
