#include "dialogs/AlarmLinesDlg.h"

#include "dialogs/LineParametersDlg.h"
#include "doc/LeakData.h"

IMPLEMENT_DYNAMIC(CAlarmLinesDlg, CDialog)

namespace
{
const int kShowIds[CAlarmLinesDlg::kLines] = {IDC_LINE_SHOW_REFERENCE, IDC_LINE_SHOW_HIGH, IDC_LINE_SHOW_LOW,
                                              IDC_LINE_SHOW_HIGHHIGH, IDC_LINE_SHOW_LOWLOW};
const int kAttrIds[CAlarmLinesDlg::kLines] = {IDC_LINE_ATTR_REFERENCE, IDC_LINE_ATTR_HIGH, IDC_LINE_ATTR_LOW,
                                              IDC_LINE_ATTR_HIGHHIGH, IDC_LINE_ATTR_LOWLOW};
} // namespace

CAlarmLinesDlg::CAlarmLinesDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CAlarmLinesDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (int i = 0; i < kLines; ++i)
    {
        const BOOL shown = m_pSettings && m_pSettings->m_alarmLineShown[i];
        CheckDlgButton(kShowIds[i], shown ? BST_CHECKED : BST_UNCHECKED);
        GetDlgItem(kAttrIds[i])->EnableWindow(shown);
        if (m_pSettings)
        {
            m_colour[i] = m_pSettings->m_alarmLineColour[i];
            m_width[i] = m_pSettings->m_alarmLineWidth[i];
            m_style[i] = m_pSettings->m_alarmLineStyle[i];
        }
    }
    return TRUE;
}

BOOL CAlarmLinesDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED)
        for (int i = 0; i < kLines; ++i)
        {
            if (id == kShowIds[i])
            {
                GetDlgItem(kAttrIds[i])->EnableWindow(IsDlgButtonChecked(id) == BST_CHECKED);
                return TRUE;
            }
            if (id == kAttrIds[i])
            {
                EditLine(i);
                return TRUE;
            }
        }
    return CDialog::OnCommand(wParam, lParam);
}

void CAlarmLinesDlg::EditLine(int line)
{
    CLineParametersDlg dlg(this);
    dlg.m_nColour = m_colour[line];
    dlg.m_nWidth = m_width[line];
    dlg.m_nStyle = m_style[line];
    if (dlg.DoModal() != IDOK)
        return;
    m_colour[line] = dlg.m_nColour;
    m_width[line] = dlg.m_nWidth;
    m_style[line] = dlg.m_nStyle;
}

void CAlarmLinesDlg::OnOK()
{
    if (m_pSettings)
        for (int i = 0; i < kLines; ++i)
        {
            m_pSettings->m_alarmLineColour[i] = m_colour[i];
            m_pSettings->m_alarmLineWidth[i] = m_width[i];
            m_pSettings->m_alarmLineStyle[i] = m_style[i];
            m_pSettings->m_alarmLineShown[i] = IsDlgButtonChecked(kShowIds[i]) == BST_CHECKED ? 1 : 0;
        }
    EndDialog(IDOK);
}
