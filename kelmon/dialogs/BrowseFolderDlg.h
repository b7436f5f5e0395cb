// Save-as-files folder dialog: the user picks a parent folder, names a new folder for the files
// of a scan log and chooses their type; Save creates the folder.
#pragma once

#include "res/resource.h"

#include <afxwin.h>

#include <string>

class CBrowseFolderDlg : public CDialog
{
    DECLARE_DYNAMIC(CBrowseFolderDlg)
public:
    enum
    {
        IDD = IDD_BROWSE_FOLDER
    };
    // File types of the radio group.
    enum
    {
        kTypeKel = 0,
        kTypeAscii = 1
    };

    explicit CBrowseFolderDlg(CWnd* pParent = nullptr);

    // On entry the parent folder (taken from the user-interface state when the dialog opens);
    // after Save the created folder, ending in '/'.
    std::string m_folder;
    CEdit m_nameEdit;
    int m_nFileType = kTypeKel;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBrowse();
    void OnNameChange();

    DECLARE_MESSAGE_MAP()

private:
    // Tells the user why the name was refused and puts the focus on the whole name.
    void RefuseName(LPCTSTR lpszText);
};
