// "Gas Selection Dialog": which library gases form the spectrum analysis's list of twelve, and the
// analysis log's options. A double click on a gas selects or unselects it; Default puts back the
// twelve standard gases. Modal; the scan presets it and copies everything back after Apply.
#pragma once

#include "dialogs/RightClickListCtrl.h"
#include "res/resource.h"

#include <afxwin.h>

#include <vector>

class CLibrary;

class CModifyAnalysisDlg : public CDialog
{
    DECLARE_DYNAMIC(CModifyAnalysisDlg)
public:
    enum
    {
        IDD = IDD_GAS_SELECTION
    };
    static constexpr int kListSize = 12;
    static constexpr int kMaxNameChars = 100;
    static constexpr int kMaxPathChars = MAX_PATH - 1;
    static const char* const kDefaultGases[kListSize];

    explicit CModifyAnalysisDlg(CWnd* pParent = nullptr);

    CLibrary* m_pLibrary = nullptr; // not owned
    CString m_gasList[kListSize];   // the analysis gas list
    std::vector<int> m_selected;    // one flag per library gas, in library order
    int m_nNameRule = 0;            // 0 document title + timestamp, 1 user name + timestamp
    CString m_strFolder;            // analysis log folder
    CString m_strFileName;          // user file name
    int m_bLogging = 0;             // analysis logging enabled
    std::string m_startFolder;      // where the folder picker starts

    // Toggles the flag of list item `item`, as a double click does.
    void ToggleGas(int item);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Apply: the selection becomes the gas list (exactly twelve), then the fields.
    void OnOK() override;

    void FillList();
    void OnDblClkList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDefault();
    void OnBrowse();
    // The list with the double-click selection applied; FALSE when not exactly twelve gases are
    // selected.
    BOOL SelectionToList(CString (&list)[kListSize], int& selectedCount) const;

    CRightClickListCtrl m_list;
    CImageList m_images;

    DECLARE_MESSAGE_MAP()

private:
    std::vector<int> m_initialSelection; // as the list was filled, to tell whether anything changed
};
