// CCemDlg: the electron-multiplier dialog of a head: switches the multiplier's high voltage,
// edits its voltage and gain and starts the automatic gain adjustment.
#pragma once

#include "dialogs/ControlHelpDlg.h"

#include <atomic>

class CHead;

class CCemDlg : public CControlHelpDlg
{
    DECLARE_DYNAMIC(CCemDlg)
public:
    enum
    {
        IDD = 214
    };
    // Ranges of the values
    static constexpr int kMinVoltage = -1; // V
    static constexpr int kMaxVoltage = 2490;

    explicit CCemDlg(CWnd* pParent = nullptr);

    CHead* m_pHead = nullptr;
    int m_nAutoMode = 0; // 1: the adjustment measures one mass, 0 the total pressure
    int m_nMaxMass = 100;
    int m_nCemOn = 0;
    int m_nCemRadio = -1; // 0 off, 1 on
    int m_nCemVoltage = 0;
    float m_fCemGain = 0.0f;
    CString m_strModel;
    CString m_strSerial;
    int m_nMass = 28; // amu, for the gain adjustment
    float m_fMaxGain = 1000000.0f;
    float m_fMinGain = 100.0f;
    int m_bCalibrateFirst = 1;

    // Set while a high-voltage switch runs (one at a time in the process).
    static std::atomic<int> s_bSwitching;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCemRadio();
    void OnAutoAdjust();

    DECLARE_MESSAGE_MAP()

private:
    // Runs the wait box on the head; the module in force (dlgpack) serves its template.
    void RunWaitBox(int limit, UINT textId);
    void ShowHighVoltageState();
};
