// What the two logging dialogs share: the log folder with its folder picker, the name rule with the
// user's file name (editable only under the user-defined rule), the enable check and the caption.
// Each dialog edits a CScanLogSettings record through Edit.
#pragma once

#include "scans/ScanLogSettings.h"

#include <afxwin.h>

#include <string>

class CLoggingDialogBase : public CDialog
{
    DECLARE_DYNAMIC(CLoggingDialogBase)
public:
    // Longest user file name; the folder is limited to a path's length.
    static constexpr int kMaxFileName = 100;

    // Runs the dialog on a copy of settings with caption as its title; an empty folder starts as
    // rememberedFolder. OK copies the result back and remembers its folder. IDOK or IDCANCEL.
    INT_PTR Edit(CScanLogSettings& settings, LPCTSTR caption, std::string& rememberedFolder);

    CString m_strFolder;
    int m_nNameRule = CScanLogSettings::kNameDocumentTitle;
    int m_bEnabled = 1;
    CString m_strFileName;
    CString m_strCaption;
    std::string m_startFolder; // where the folder picker starts

protected:
    CLoggingDialogBase(UINT nIDTemplate, CWnd* pParent);

    // The record's fields into the dialog's, and back.
    virtual void Load(const CScanLogSettings& settings);
    virtual void Store(CScanLogSettings& settings) const;
    // Enables the edits that the radio buttons allow.
    virtual void UpdateEnables();

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnBrowse();
    void OnRadio();

    DECLARE_MESSAGE_MAP()
};
