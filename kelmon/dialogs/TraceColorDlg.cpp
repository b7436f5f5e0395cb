#include "dialogs/TraceColorDlg.h"

#include "dialogs/ChartDlgSupport.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CTraceColorDlg, CDialog)

BEGIN_MESSAGE_MAP(CTraceColorDlg, CDialog)
ON_CBN_SELCHANGE(IDC_TRACE_CHANNEL, OnTraceChanged)
ON_CBN_SELCHANGE(IDC_TRACE_COLOR, OnColourChanged)
ON_BN_CLICKED(IDC_TRACE_DEFAULTS, OnDefaultColours)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CTraceColorDlg::CTraceColorDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CTraceColorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_colourList.SubclassDlgItem(IDC_TRACE_COLOR, this);
    FillPaletteCombo(m_colourList);
    const int count = m_pTable != nullptr ? std::clamp<int>(m_pTable->m_activeCount, 0, kTraces) : 0;
    for (int i = 0; i < count; ++i)
    {
        CString name;
        name.Format("Channel %d", static_cast<int>(m_pTable->m_active[i].m_number));
        SendDlgItemMessage(IDC_TRACE_CHANNEL, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(static_cast<LPCTSTR>(name)));
    }
    if (m_pTable != nullptr)
        std::copy(std::begin(m_pTable->m_channelColors), std::end(m_pTable->m_channelColors), m_colours);
    if (m_nTrace < 0 || m_nTrace >= count)
        m_nTrace = 0;
    SendDlgItemMessage(IDC_TRACE_CHANNEL, CB_SETCURSEL, count > 0 ? m_nTrace : -1);
    ShowTraceColour();
    return TRUE;
}

void CTraceColorDlg::ShowTraceColour()
{
    m_nColour = m_colours[m_nTrace];
    m_colourList.SetCurSel(m_nColour >= 0 && m_nColour < 20 ? m_nColour : -1);
}

void CTraceColorDlg::OnTraceChanged()
{
    const int sel = static_cast<int>(SendDlgItemMessage(IDC_TRACE_CHANNEL, CB_GETCURSEL));
    if (sel < 0 || sel >= kTraces)
        return;
    m_nTrace = sel;
    ShowTraceColour();
}

void CTraceColorDlg::OnColourChanged()
{
    const int sel = m_colourList.GetCurSel();
    if (sel < 0)
        return;
    m_nColour = sel;
    m_colours[m_nTrace] = sel;
}

void CTraceColorDlg::OnDefaultColours()
{
    if (m_pTable == nullptr)
        return;
    std::copy(std::begin(m_pTable->m_defaultColors), std::end(m_pTable->m_defaultColors), m_colours);
    ShowTraceColour();
}

void CTraceColorDlg::OnOK()
{
    if (m_pTable != nullptr)
        std::copy(std::begin(m_colours), std::end(m_colours), m_pTable->m_channelColors);
    EndDialog(IDOK);
}

void CTraceColorDlg::OnHelp()
{
    ShowDialogHelp(kHelpContext);
}
