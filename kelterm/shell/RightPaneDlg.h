// The raw terminal pane: the terminal edit on the port the engine has open, and a Clear button.
#pragma once

#include <afxwin.h>

#include "res/resource.h"
#include "shell/ControlAnchor.h"
#include "shell/TerminalEdit.h"

class CRightPaneDlg : public CDialog
{
public:
    enum
    {
        IDD = IDD_RIGHT_PANE
    };
    static const CControlAnchor::Rule s_rules[2];

    CRightPaneDlg();

    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}

    CTerminalEdit& GetTerminal() { return m_edit; }
    CControlAnchor& GetAnchor() { return m_anchor; }
    // Empties the terminal and gives it the focus.
    void OnClear();

protected:
    void OnSize(UINT nType, int cx, int cy);
    void OnDestroy();

    int m_nReserved = 0;
    CTerminalEdit m_edit;
    CControlAnchor m_anchor;

    DECLARE_MESSAGE_MAP()
};
