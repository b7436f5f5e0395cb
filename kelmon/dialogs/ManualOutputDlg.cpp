#include "dialogs/ManualOutputDlg.h"

#include "io/CbBoard.h"

IMPLEMENT_DYNAMIC(CManualOutputDlg, CDialog)

const int CManualOutputDlg::kHighIds[kLines] = {1315, 1320, 1322, 1324, 1326, 1328, 1330, 1332, 1334, 1336};
const int CManualOutputDlg::kLowIds[kLines] = {1316, 1321, 1323, 1325, 1327, 1329, 1331, 1333, 1335, 1337};

CManualOutputDlg::CManualOutputDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CManualOutputDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (int i = 0; i < kLines; ++i)
    {
        const BOOL high = m_pBoard && m_pBoard->GetLineState(i) == 1;
        CheckDlgButton(kHighIds[i], high ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(kLowIds[i], high ? BST_UNCHECKED : BST_CHECKED);
    }
    return TRUE;
}

BOOL CManualOutputDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED)
        for (int i = 0; i < kLines; ++i)
            if (id == kHighIds[i] || id == kLowIds[i])
            {
                if (m_pBoard)
                    m_pBoard->SetLineLevel(i, id == kHighIds[i] ? 1 : 0);
                return TRUE;
            }
    return CDialog::OnCommand(wParam, lParam);
}
