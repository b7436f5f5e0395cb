// Base class of the modeless schedule dialogs: collapsing by the caption icon, placement
// remembered relative to the main window, notices posted to the main window.
#pragma once

#include "dialogs/CollapsibleDlg.h"

class CBaseScheduleDlg : public CCollapsibleDlg
{
    DECLARE_DYNAMIC(CBaseScheduleDlg)
public:
    CBaseScheduleDlg(UINT nIDTemplate, CWnd* pParent = nullptr);

    // Derived dialogs re-read the period from their scan and refresh their controls.
    virtual void ReloadSchedule() {}

    void NotifyScheduleChanged();

    static CDlgPlacement s_placement; // shared by all schedule dialogs
};
