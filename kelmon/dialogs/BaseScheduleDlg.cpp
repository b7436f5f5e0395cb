#include "dialogs/BaseScheduleDlg.h"

#include "KelMessages.h"

CDlgPlacement CBaseScheduleDlg::s_placement;

IMPLEMENT_DYNAMIC(CBaseScheduleDlg, CCollapsibleDlg)

CBaseScheduleDlg::CBaseScheduleDlg(UINT nIDTemplate, CWnd* pParent)
    : CCollapsibleDlg(nIDTemplate, pParent, s_placement, WM_KEL_SCHEDDLGCLOSED, FALSE)
{
}

void CBaseScheduleDlg::NotifyScheduleChanged()
{
    kel::basedlg::PostToMainWindow(WM_KEL_SCHEDULECHANGED);
}
