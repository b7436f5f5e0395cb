// "Leak Test Audio Setup": whether the leak test sounds a tone whose pitch follows the reading, the
// range of readings the pitches span and the pitch range. Modal; the leak scan presets and applies.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CLeakAudioSetupDlg : public CDialog
{
    DECLARE_DYNAMIC(CLeakAudioSetupDlg)
public:
    enum
    {
        IDD = IDD_LEAK_AUDIO_SETUP
    };
    static constexpr UINT kHelpContext = 0x10000 + 32860;

    explicit CLeakAudioSetupDlg(CWnd* pParent = nullptr);

    int m_bEnabled = 0;
    float m_fMaximum = 1e-4f; // 1e-12..m_fUpperLimit
    float m_fMinimum = 1e-7f; // 1e-13..m_fUpperLimit, below the maximum
    int m_nPitchMode = 1;     // 0 low, 1 medium, 2 high
    float m_fUpperLimit = 1e12f;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnEnableClicked();
    void OnHelp();
    void EnableRange(BOOL bEnable);

    DECLARE_MESSAGE_MAP()
};
