// "Scan Schedule Setup": how a scan runs (once, without end, once per trigger period or n times)
// and the trigger period in seconds or minutes. Modeless; its owning scan's schedule operations
// are read when it loads and written when the user applies, after which the main window has the
// scan take the new schedule.
#pragma once

#include "dialogs/BaseScheduleDlg.h"
#include "res/resource.h"

class CScan;

class CScanScheduleDlg : public CBaseScheduleDlg
{
    DECLARE_DYNAMIC(CScanScheduleDlg)
public:
    enum
    {
        IDD = IDD_SCAN_SCHEDULE
    };
    // A kind value that removes the n-scans choice.
    static constexpr int kKindWithoutNScans = 6;

    explicit CScanScheduleDlg(CWnd* pParent = nullptr);

    // Greys or enables every control but Help; enabling again restores what the mode allows.
    void EnableControls(BOOL bEnable) override;
    // Loads from the scan and refreshes the controls.
    void ReloadSchedule() override;

    CScan* m_pScan = nullptr; // the owning scan; not owned
    int m_bSingle = 0;
    int m_bContinuous = 0;
    int m_bTriggered = 0;
    int m_bNScans = 0;
    int m_nKindValue = 0; // 0 analog and table, 1 histogram, 5 panel; 6 removes the n-scans choice
    int m_nPeriodUnits = 0; // 0 seconds, 1 minutes
    int m_nPeriodLower = 1;
    int m_nPeriodUpper = 999;
    int m_nMinSeconds = 0;
    int m_nMinMinutes = 1;
    UINT m_nScans = 2;
    int m_nTriggerPeriod = 0;
    // The scan's period when it was read, kept on Apply while its minutes stay as shown.
    int m_nLoadedSeconds = 0;
    BOOL m_bGreyed = FALSE; // greyed while the scan runs

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Apply.
    void OnOK() override;
    // Close: the placement is kept, the main window told, the window destroyed.
    void OnCancel() override;

    void LoadFromScan();
    // The radios and edits from the members, and their enabled states from the mode.
    void ShowValues();
    void UpdateModeStates();
    void OnModeClicked();
    void OnSeconds();
    void OnMinutes();
    void OnHelp();

    DECLARE_MESSAGE_MAP()
};
