#include "dialogs/ControlHelpDlg.h"

IMPLEMENT_DYNAMIC(CControlHelpDlg, CDialog)

BEGIN_MESSAGE_MAP(CControlHelpDlg, CDialog)
ON_WM_HELPINFO()
ON_MESSAGE(WM_COMMANDHELP, OnCommandHelp)
END_MESSAGE_MAP()

CControlHelpDlg::CControlHelpDlg(UINT nIDTemplate, CWnd* pParent) : CDialog(nIDTemplate, pParent) {}

BOOL CControlHelpDlg::OnHelpInfo(HELPINFO* pHelpInfo)
{
    if (pHelpInfo != nullptr && pHelpInfo->dwContextId != 0)
    {
        if (CWinApp* app = AfxGetApp())
            app->WinHelp(pHelpInfo->dwContextId, HELP_CONTEXT);
        return TRUE;
    }
    return CDialog::OnHelpInfo(pHelpInfo);
}

LRESULT CControlHelpDlg::OnCommandHelp(WPARAM wParam, LPARAM lParam)
{
    return CDialog::OnCommandHelp(wParam, lParam != 0 ? lParam : static_cast<LPARAM>(m_dwHelpContext));
}
