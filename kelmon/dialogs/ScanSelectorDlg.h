// "Scan selector": asks for a scan number to go to. Nothing opens it yet: the Goto-scan command
// has no action.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CScanSelectorDlg : public CDialog
{
    DECLARE_DYNAMIC(CScanSelectorDlg)
public:
    enum
    {
        IDD = IDD_SCAN_SELECTOR
    };

    explicit CScanSelectorDlg(CWnd* pParent = nullptr);

    int m_nScan = 1;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnGo();

    DECLARE_MESSAGE_MAP()
};
