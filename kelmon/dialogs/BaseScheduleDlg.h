// Base class of the modeless schedule dialogs: collapsing by the caption icon, placement
// remembered relative to the main window, notices posted to the main window.
#pragma once

#include "dialogs/BaseParameterDlg.h"

class CBaseScheduleDlg : public CDialog
{
    DECLARE_DYNAMIC(CBaseScheduleDlg)
public:
    CBaseScheduleDlg(UINT nIDTemplate, CWnd* pParent = nullptr);

    // Refreshes the controls from the members.
    virtual void RefreshControls();
    // Stores the enabled flag (the owner sets it before use).
    virtual void EnableControls(BOOL bEnable);
    // Derived dialogs re-read the period from their scan and refresh their controls.
    virtual void ReloadSchedule() {}

    void UpdateStateIcon();
    void ApplyExpandState();
    void SavePlacement();
    void RestorePlacement();
    void NotifyClosed();
    void NotifyScheduleChanged();

    BOOL OnInitDialog() override;

    static CDlgPlacement s_placement; // shared by all schedule dialogs

    UINT m_nTemplateId;
    BOOL m_bEnabled = FALSE;
    BOOL m_bExpanded = TRUE;
    HICON m_hIconCollapsed = nullptr;
    HICON m_hIconExpanded = nullptr;
    int m_nFullHeight = 0;
    int m_nWidth = 0;
    int m_nCollapsedHeight = 0;

protected:
    LRESULT OnNcActivate(WPARAM wParam, LPARAM lParam);
    void OnSysCommand(UINT nID, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
