#include "dialogs/TraceLinePropertiesDlg.h"

#include "dialogs/ChartDlgSupport.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CTraceLinePropertiesDlg, CDialog)

BEGIN_MESSAGE_MAP(CTraceLinePropertiesDlg, CDialog)
ON_BN_CLICKED(IDC_TLP_ATTRIBUTES, OnLineAttributes)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CTraceLinePropertiesDlg::CTraceLinePropertiesDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CTraceLinePropertiesDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const int count = std::clamp(m_nChannels, 0, kChannels);
    for (int i = 0; i < kChannels; ++i)
        m_lines[i] = {m_colour[i], m_style[i], m_width[i]};
    for (int i = 1; i <= count; ++i)
    {
        CString name;
        name.Format("Channel %d", i);
        SendDlgItemMessage(IDC_TLP_CHANNEL, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(name)));
    }
    SendDlgItemMessage(IDC_TLP_CHANNEL, CB_SETCURSEL, m_nChannel >= 0 && m_nChannel < count ? m_nChannel : 0);
    return TRUE;
}

void CTraceLinePropertiesDlg::OnLineAttributes()
{
    const int sel = static_cast<int>(SendDlgItemMessage(IDC_TLP_CHANNEL, CB_GETCURSEL));
    if (sel < 0 || sel >= kChannels)
        return;
    CLineParametersDlg::Edit(m_lines[sel], this);
}

void CTraceLinePropertiesDlg::OnOK()
{
    const int sel = static_cast<int>(SendDlgItemMessage(IDC_TLP_CHANNEL, CB_GETCURSEL));
    if (sel >= 0)
        m_nChannel = sel;
    for (int i = 0; i < kChannels; ++i)
    {
        m_colour[i] = m_lines[i].nColour;
        m_style[i] = m_lines[i].nStyle;
        m_width[i] = m_lines[i].nWidth;
    }
    EndDialog(IDOK);
}

void CTraceLinePropertiesDlg::OnHelp()
{
    ShowDialogHelp(kHelpContext);
}
