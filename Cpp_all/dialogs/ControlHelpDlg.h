// CControlHelpDlg: a dialog whose F1 asks for the help topic of the control that has the focus; a
// control without a topic of its own gives the dialog's topic, as the Help button does. The
// dialog's topic is the one it was given (a menu command's topic for a dialog that command opens)
// or else the template's.
#pragma once

#include <afxwin.h>

class CControlHelpDlg : public CDialog
{
    DECLARE_DYNAMIC(CControlHelpDlg)
public:
    CControlHelpDlg() = default;
    explicit CControlHelpDlg(UINT nIDTemplate, CWnd* pParent = nullptr);

    // The help topic of the dialog (0: 0x20000 + the template's id).
    DWORD m_dwHelpContext = 0;

protected:
    BOOL OnHelpInfo(HELPINFO* pHelpInfo);
    LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()
};
