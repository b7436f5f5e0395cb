// "Leak Test Schedule": continuous readings, or one reading per trigger period in seconds or
// minutes. Modeless, owned by the leak scan; loaded from the scan's schedule and written back on
// Apply, after which the main window has the scan take the new schedule.
#pragma once

#include "dialogs/BaseScheduleDlg.h"
#include "res/resource.h"

class CScan;

class CLeakTestScheduleDlg : public CBaseScheduleDlg
{
    DECLARE_DYNAMIC(CLeakTestScheduleDlg)
public:
    enum
    {
        IDD = IDD_LEAK_TEST_SCHEDULE
    };
    static constexpr int kLongestPeriod = 500;
    static constexpr UINT kHelpContext = 0x20000 + IDD_LEAK_TEST_SCHEDULE;

    explicit CLeakTestScheduleDlg(CWnd* pParent = nullptr);

    // Greys or enables every control but Help; enabling again restores what the mode allows.
    void EnableControls(BOOL bEnable) override;
    // Loads from the scan and refreshes the controls.
    void ReloadSchedule() override;

    CScan* m_pScan = nullptr;   // the owning scan; not owned
    CString m_strUnits;         // "Seconds" or "Minutes"
    int m_nPeriod = 1;          // N, in m_nPeriodUnits
    int m_nPeriodUnits = 0;     // 0 seconds, 1 minutes
    int m_nSmallestSeconds = 1; // one reading, in whole seconds (at least 1)
    int m_nSmallestMinutes = 1;
    int m_nMinimum = 1; // of N in the units shown
    int m_bContinuous = 1;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Apply.
    void OnOK() override;

    // Closing from the caption, or Escape: the placement kept, the main window told, the window
    // hidden for its next showing.
    void OnClose();
    void OnCancel() override;
    void OnDestroy();
    void LoadFromScan();
    void ShowValues();
    void UpdateModeStates();
    void OnModeClicked();
    void OnSeconds();
    void OnMinutes();
    void OnHelp();

    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bClosePending = FALSE; // the close step's Cancel is on its way

    // The period as loaded, in seconds, and the N and units it was shown with. Apply keeps it
    // exact while the user leaves both alone, so a period that is not a whole number of minutes
    // (90 s shown as 2 minutes) is not changed by an Apply of something else.
    float m_fLoadedSeconds = 0.0f;
    int m_nLoadedPeriod = -1;
    int m_nLoadedUnits = -1;
    BOOL m_bGreyed = FALSE;
};
