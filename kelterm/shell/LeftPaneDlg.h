// The instrument list: every serial port with the instrument found on it. One row at a time is
// connected: a serial head through the terminal engine (the raw terminal then talks to it), the
// simulated instrument through the head layer.
#pragma once

#include <afxcmn.h>

#include "controls/GenListCtrl.h"
#include "controls/IconButton.h"
#include "res/resource.h"
#include "shell/ControlAnchor.h"

#include <string>

class CPortEntry;

class CLeftPaneDlg : public CDialog
{
public:
    enum
    {
        IDD = IDD_LEFT_PANE
    };
    static const CControlAnchor::Rule s_rules[3];

    CLeftPaneDlg();
    ~CLeftPaneDlg() override;

    BOOL OnInitDialog() override;
    // A pane is not ended by Enter or Escape.
    void OnOK() override {}
    void OnCancel() override {}

    void InitList();
    void FillList();
    void UpdateRow(int i);
    void UpdateAllRows();
    void UpdateConnectButton(int i);
    // Connects or disconnects the selected row.
    void OnConnect();
    void ShowContextMenu(int i, int x, int y);
    // The row menu's items for row i: "Connect" or "Disconnect", greyed without an instrument;
    // Properties greyed unless the row is connected.
    void SetUpContextMenu(CMenu& popup, int i);
    // The head information of the selected, connected row.
    void OnProperties();
    void OnUpdateList();

    // The selected row, -1 when none.
    int GetSelectedRow() const;
    CGenListCtrl& GetList() { return m_list; }
    CIconButton& GetConnectButton() { return m_connect; }
    CControlAnchor& GetAnchor() { return m_anchor; }

protected:
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnSize(UINT nType, int cx, int cy);
    void OnListSelection(NMHDR* pNMHDR, LRESULT* pResult);
    void OnListDoubleClick(NMHDR* pNMHDR, LRESULT* pResult);
    void OnListRightClick(NMHDR* pNMHDR, LRESULT* pResult);

    // Ends the terminal's or the head layer's connection of entry.
    void DisconnectEntry(CPortEntry& entry);

    CBrush m_brush;
    CIconButton m_connect;
    CGenListCtrl m_list;
    CImageList m_images;
    CControlAnchor m_anchor;
    void* m_pReserved = nullptr;

    DECLARE_MESSAGE_MAP()
};
