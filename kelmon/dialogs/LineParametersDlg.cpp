#include "dialogs/LineParametersDlg.h"

#include "plotkit.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CLineParametersDlg, CDialog)

BEGIN_MESSAGE_MAP(CLineParametersDlg, CDialog)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CLineParametersDlg::CLineParametersDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

BOOL CLineParametersDlg::Edit(LineAttributes& line, CWnd* pParent)
{
    CLineParametersDlg dlg(pParent);
    dlg.m_nColour = line.nColour;
    dlg.m_nStyle = line.nStyle;
    dlg.m_nWidth = line.nWidth;
    if (dlg.DoModal() != IDOK)
        return FALSE;
    line.nColour = dlg.m_nColour;
    line.nStyle = dlg.m_nStyle;
    line.nWidth = dlg.m_nWidth;
    return TRUE;
}

void CLineParametersDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_LINE_COLOR, m_colourList);
    DDX_CBIndex(pDX, IDC_LINE_COLOR, m_nColour);
    DDX_CBIndex(pDX, IDC_LINE_STYLE, m_nStyle);
    DDX_CBIndex(pDX, IDC_LINE_WIDTH, m_nWidth);
}

BOOL CLineParametersDlg::OnInitDialog()
{
    m_nColour = std::clamp(m_nColour, 0, kColours - 1);
    m_nStyle = std::clamp(m_nStyle, 0, kStyles - 1);
    m_nWidth = std::clamp(m_nWidth, 0, kWidths - 1);
    SendDlgItemMessage(IDC_LINE_STYLE, CB_RESETCONTENT);
    for (const char* name :
         {"solid", "- - - - - - - -", ".................", "-.-.-.-.-.-.-.-.", "-..-..-..-..-..-"})
        SendDlgItemMessage(IDC_LINE_STYLE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendDlgItemMessage(IDC_LINE_WIDTH, CB_RESETCONTENT);
    for (const char* name : {"0", "1", "2", "3", "4"})
        SendDlgItemMessage(IDC_LINE_WIDTH, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    // The colours are listed before the exchange selects one.
    if (!m_colourList.m_hWnd)
        m_colourList.SubclassDlgItem(IDC_LINE_COLOR, this);
    m_colourList.ResetContent();
    for (int c = 0; c < kColours; ++c)
        m_colourList.AddColor(WGGetRGBColor(c));
    return CDialog::OnInitDialog();
}

void CLineParametersDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(m_nHelpContext);
}
