// "Background Setup": whether a stored background is subtracted from the scan data, and which way
// round. Modal; the Background Setup command presets and reads back.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CBackgroundSetupDlg : public CDialog
{
    DECLARE_DYNAMIC(CBackgroundSetupDlg)
public:
    enum
    {
        IDD = IDD_BACKGROUND_SETUP
    };
    static constexpr UINT kHelpContext = 0x10000 + 32849;

    explicit CBackgroundSetupDlg(CWnd* pParent = nullptr);

    int m_nDirection = 1; // 1 scan data - background, 0 background - scan data
    int m_bEnabled = 0;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnEnableClicked();
    void OnHelp();
    void EnableDirection(BOOL bEnable);

    DECLARE_MESSAGE_MAP()
};
