// "Leak Test Setup": the tracer gas, its mass, the speed and scaling factor of the leak test, and
// how the leak display shows its last value. Modeless, owned by the leak scan; Apply writes the
// leak settings and tells the main window, which has the scan take them.
#pragma once

#include "dialogs/BaseParameterDlg.h"
#include "res/resource.h"

class CDisplay;
class CLeakData;

class CLeakTestSetupDlg : public CBaseParameterDlg
{
    DECLARE_DYNAMIC(CLeakTestSetupDlg)
public:
    enum
    {
        IDD = IDD_LEAK_TEST_SETUP
    };
    static constexpr int kSpeeds = 8;
    static constexpr int kGasNameChars = 15;
    static constexpr UINT kHelpContext = 0x10000 + 32806;

    explicit CLeakTestSetupDlg(CWnd* pParent = nullptr);

    // Greys or enables every control; the last-value units stay switchable while a scan runs.
    void EnableControls(BOOL bEnable) override;

    int m_nSpeed = 0;              // speed index 0..7
    float m_fScalingFactor = 1.0f; // 0.01..100
    CString m_strGasName;          // at most kGasNameChars
    int m_nMass = 1;               // 1..m_nHighestMass
    int m_nHighestMass = 100;
    int m_nLastValueUnits = 0; // 0 pressure, 1 leak rate
    int m_bAutoscale = 0;
    int m_bAutoTimeAxis = 0;
    CLeakData* m_pSettings = nullptr; // not owned
    CDisplay* m_pDisplay = nullptr;   // not owned

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Apply: the fields into the leak settings; the dialog stays open.
    void OnOK() override;

    // Closing from the caption, or Escape: the placement kept, the main window told, the window
    // hidden for its next showing.
    void OnClose();
    void OnCancel() override;
    void OnDestroy();
    void OnPressure();
    void OnLeakRate();
    void OnAlarms();
    void OnHelp();
    void SetLastValueUnits(int index);

    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bClosePending = FALSE; // the close step's Cancel is on its way
};
