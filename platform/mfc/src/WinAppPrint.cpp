// Print Setup stands on the printing side, which only programs that print link.
#include "mfc/PrintDialog.h"
#include "mfc/WinApp.h"

void CWinApp::OnFilePrintSetup()
{
    CPrintDialog dlg(TRUE);
    dlg.m_pd.hDevMode = m_hDevMode;
    dlg.m_pd.hDevNames = m_hDevNames;
    if (dlg.DoModal() == IDOK)
    {
        m_hDevMode = dlg.m_pd.hDevMode;
        m_hDevNames = dlg.m_pd.hDevNames;
    }
}
