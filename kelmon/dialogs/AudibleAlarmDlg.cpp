#include "dialogs/AudibleAlarmDlg.h"

#include "doc/LeakData.h"
#include "scans/Table.h"
#include "sound/AlarmSound.h"

#include <afxdlgs.h>

IMPLEMENT_DYNAMIC(CAudibleAlarmDlg, CDialog)

BEGIN_MESSAGE_MAP(CAudibleAlarmDlg, CDialog)
ON_BN_CLICKED(IDC_AUDIBLE_ENABLE, OnEnableClicked)
ON_BN_CLICKED(IDC_AUDIBLE_SELECT, OnSelectFile)
END_MESSAGE_MAP()

CAudibleAlarmDlg::CAudibleAlarmDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CAudibleAlarmDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_AUDIBLE_ENABLE, m_bEnabled ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CAudibleAlarmDlg::OnEnableClicked()
{
    m_bEnabled = IsDlgButtonChecked(IDC_AUDIBLE_ENABLE) == BST_CHECKED ? 1 : 0;
}

void CAudibleAlarmDlg::OnSelectFile()
{
    CFileDialog dlg(TRUE, nullptr, m_strWaveFile,
                    OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_SHOWHELP,
                    "Wave Files (*.wav) |*.wav||", this);
    if (dlg.DoModal() == IDOK)
        m_strWaveFile = dlg.GetPathName();
}

void CAudibleAlarmDlg::OnOK()
{
    if (!m_bEnabled)
        CAlarmSound::Instance().StopAll();
    EndDialog(IDOK);
}

void ApplyAudibleAlarm(const CAudibleAlarmDlg& dlg, CTable* table, CLeakData* leak)
{
    if (table)
    {
        table->StopAlarmSound();
        table->m_bSoundOn = dlg.m_bEnabled;
        table->m_strSoundFile = dlg.m_strWaveFile;
    }
    if (leak)
    {
        leak->StopAlarmSound();
        leak->m_bAudibleAlarm = dlg.m_bEnabled;
        leak->m_strAlarmWave = dlg.m_strWaveFile;
    }
}
