#include "dialogs/LeakAudioSetupDlg.h"

IMPLEMENT_DYNAMIC(CLeakAudioSetupDlg, CDialog)

BEGIN_MESSAGE_MAP(CLeakAudioSetupDlg, CDialog)
ON_BN_CLICKED(IDC_AUDIO_ENABLE, OnEnableClicked)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CLeakAudioSetupDlg::CLeakAudioSetupDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CLeakAudioSetupDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_AUDIO_MAX, m_fMaximum);
    DDV_MinMaxFloat(pDX, m_fMaximum, 1e-12f, m_fUpperLimit);
    DDX_Text(pDX, IDC_AUDIO_MIN, m_fMinimum);
    DDV_MinMaxFloat(pDX, m_fMinimum, 1e-13f, m_fUpperLimit);
}

BOOL CLeakAudioSetupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_AUDIO_ENABLE, m_bEnabled ? BST_CHECKED : BST_UNCHECKED);
    const int mode = m_nPitchMode < 0 || m_nPitchMode > 2 ? 1 : m_nPitchMode;
    CheckDlgButton(IDC_AUDIO_LOW + mode, BST_CHECKED);
    EnableRange(m_bEnabled ? TRUE : FALSE);
    return TRUE;
}

void CLeakAudioSetupDlg::EnableRange(BOOL bEnable)
{
    for (int id : {IDC_AUDIO_LOW, IDC_AUDIO_MEDIUM, IDC_AUDIO_HIGH, IDC_AUDIO_MIN, IDC_AUDIO_MAX})
        if (CWnd* item = GetDlgItem(id))
            item->EnableWindow(bEnable);
}

void CLeakAudioSetupDlg::OnEnableClicked()
{
    EnableRange(IsDlgButtonChecked(IDC_AUDIO_ENABLE) == BST_CHECKED);
}

void CLeakAudioSetupDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (!(m_fMinimum < m_fMaximum))
    {
        AfxMessageBox(IDS_AUDIO_MAX_BELOW_MIN, MB_ICONEXCLAMATION);
        if (CWnd* max = GetDlgItem(IDC_AUDIO_MAX))
            GotoDlgCtrl(max);
        return;
    }
    m_bEnabled = IsDlgButtonChecked(IDC_AUDIO_ENABLE) == BST_CHECKED;
    m_nPitchMode = IsDlgButtonChecked(IDC_AUDIO_LOW) == BST_CHECKED    ? 0
                   : IsDlgButtonChecked(IDC_AUDIO_HIGH) == BST_CHECKED ? 2
                                                                       : 1;
    EndDialog(IDOK);
}

void CLeakAudioSetupDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(kHelpContext);
}
