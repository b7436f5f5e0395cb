// CFilamentWarning: asks before a measurement whether to switch the filament on. Its Continue
// button ends it with kContinueWithoutFilament: go on without the filament this time.
#pragma once

#include <afxwin.h>

class CFilamentWarning : public CDialog
{
    DECLARE_DYNAMIC(CFilamentWarning)
public:
    enum
    {
        IDD = 135
    };
    static constexpr int kContinueWithoutFilament = 100;

    explicit CFilamentWarning(CWnd* pParent = nullptr);

    int m_nCheck = 0; // the check box: 1 stops the warnings

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnContinue();

    DECLARE_MESSAGE_MAP()
};
