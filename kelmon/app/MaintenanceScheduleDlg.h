// "Maintenance schedule": after how long without user input the filament and multiplier, or the
// multiplier only, are switched off. At most one of the two rules is chosen here.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

class CMaintenanceScheduleDlg : public CDialog
{
public:
    enum
    {
        IDD = IDD_MAINTENANCE_SCHEDULE
    };
    explicit CMaintenanceScheduleDlg(CWnd* pParent = nullptr);

    CComboBox m_filamentCombo; // 1049
    CComboBox m_cemCombo;      // 1050
    int m_nFilamentIndex = 0;
    int m_nCemIndex = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnFilamentChange();
    void OnCemChange();

    DECLARE_MESSAGE_MAP()
};
