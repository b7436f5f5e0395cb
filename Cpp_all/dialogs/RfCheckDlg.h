// CRfCheckDlg: tells the highest mass at which the RF supply still delivers. The head layer may
// show it modeless and write its search progress into the mass text.
#pragma once

#include <afxwin.h>

class CRfCheckDlg : public CDialog
{
    DECLARE_DYNAMIC(CRfCheckDlg)
public:
    enum
    {
        IDD = 287
    };

    explicit CRfCheckDlg(CWnd* pParent = nullptr);

    CString m_strMass; // "%d AMU", at most 10 characters
    int m_nResult = 0; // the check box: loaded at start, stored by OK

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
