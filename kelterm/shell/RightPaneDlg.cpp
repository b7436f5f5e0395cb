#include "shell/RightPaneDlg.h"

#include "engine/TerminalEngine.h"

// The terminal stretches with the pane; Clear keeps its size and its place from the centre line.
const CControlAnchor::Rule CRightPaneDlg::s_rules[2] = {
    {IDC_TERMINAL, {1, 0, 1}, {1, 0, 2}, {1, 0, 3}, {1, 0, 4}},
    {IDC_CLEAR, {1, 0, 5}, {1, 0, 2}, {3, 0, 1}, {4, 0, 4}},
};

BEGIN_MESSAGE_MAP(CRightPaneDlg, CDialog)
ON_BN_CLICKED(IDC_CLEAR, OnClear)
ON_WM_SIZE()
ON_WM_DESTROY()
END_MESSAGE_MAP()

CRightPaneDlg::CRightPaneDlg() : CDialog(IDD) {}

BOOL CRightPaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_edit.SubclassDlgItem(IDC_TERMINAL, this);
    CTerminalEngine::GetInstance()->SetTerminalWindow(m_edit.GetSafeHwnd());
    m_anchor.Init(this, nullptr, s_rules, 2);
    return TRUE;
}

void CRightPaneDlg::OnClear()
{
    m_edit.SetWindowText("");
    m_edit.SetFocus();
}

void CRightPaneDlg::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    m_anchor.Resize();
}

void CRightPaneDlg::OnDestroy()
{
    // Received text must not go to a window that is gone.
    if (CTerminalEngine* engine = CTerminalEngine::PeekInstance())
        if (engine->GetTerminalWindow() == m_edit.GetSafeHwnd())
            engine->SetTerminalWindow(nullptr);
    CDialog::OnDestroy();
}
