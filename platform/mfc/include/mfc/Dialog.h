// CDialog: a dialog from a template of the resource module, modal (DoModal) or modeless (Create).
// The object is attached to the dialog window before WM_INITDIALOG, so OnInitDialog and the
// message map see every message the dialog gets.
#pragma once

#include "mfc/Wnd.h"

#include <string>

// The dialog procedure of every CDialog: hands WM_INITDIALOG to OnInitDialog.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Modeless: creates the dialog as a window. FALSE when the template is missing or the dialog
    // refused to open.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    // Modal: runs the dialog until EndDialog; returns its value, -1 when it could not be shown.
    virtual INT_PTR DoModal();

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);

    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void GotoDlgCtrl(CWnd* pWndCtrl);
    void SetDefID(UINT nID);
    DWORD GetDefID() const;
    void MapDialogRect(LPRECT lpRect) const;

    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Help: the Help button (ID_HELP or IDHELP) and F1 ask the application's help for context
    // HID_BASE_RESOURCE + m_nIDHelp, unless the dialog's own map answers them first. F1 presses
    // the Help button when there is one, so both give the same topic.
    void OnHelp();
    LRESULT OnCommandHelp(WPARAM wParam, LPARAM lParam);
    BOOL OnHelpInfo(HELPINFO* pHelpInfo);

    LPCTSTR m_lpszTemplateName = nullptr; // MAKEINTRESOURCE id or the name below
    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    // The owner a modal dialog disables: the parent given, else the active window.
    HWND PreModal();
    void SetTemplate(LPCTSTR lpszTemplateName);

    BOOL m_bModal = FALSE;
    INT_PTR m_nModalResult = -1;

    DECLARE_MESSAGE_MAP()

private:
    std::string m_templateName; // keeps a named template's text
};
