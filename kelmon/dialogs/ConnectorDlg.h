// "KEL List": every connector of the port list with its instrument, state, activity and the
// document bound to it; connects or disconnects the selected entry for the dialog's document.
#pragma once

#include "controls/GenListCtrl.h"
#include "controls/IconButton.h"
#include "ports/ConnectorBinding.h"
#include "res/resource.h"

#include <afxwin.h>

#include <memory>
#include <vector>

class CConnectorDlg : public CDialog
{
    DECLARE_DYNAMIC(CConnectorDlg)
public:
    enum
    {
        IDD = IDD_CONNECTOR_LIST
    };

    explicit CConnectorDlg(CWnd* pParent = nullptr);

    CGenListCtrl m_list;
    CImageList m_images;
    // The document that opened the dialog (may be null); set before DoModal.
    IPortDocument* m_pDocument = nullptr;
    CIconButton m_connectButton;

    // The port list and registry the dialog works on (the process-wide ones unless a test sets
    // its own before DoModal).
    CPortList* m_pPorts = nullptr;
    CPortBindingRegistry* m_pRegistry = nullptr;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void BuildList();
    void FillList();
    void UpdateRow(int row);
    void UpdateAllRows();
    void UpdateButton(int row);
    int SelectedRow() const;
    void Toggle();

    void OnConnect();
    void OnUpdateList();
    void OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDoubleClick(NMHDR* pNMHDR, LRESULT* pResult);
    // Properties: the bound document's head information, unless its scan runs.
    void OnProperties();
    // The list's menu: Connect/Disconnect and Properties for the selected row.
    void OnContextMenu(CWnd* pWnd, CPoint pos);

    DECLARE_MESSAGE_MAP()

private:
    // The entries shown, row by row; held so a refresh elsewhere cannot take them away.
    std::vector<std::shared_ptr<CPortEntry>> m_rows;
};
