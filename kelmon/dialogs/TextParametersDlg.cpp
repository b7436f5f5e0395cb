#include "dialogs/TextParametersDlg.h"

IMPLEMENT_DYNAMIC(CTextParametersDlg, CDialog)

BEGIN_MESSAGE_MAP(CTextParametersDlg, CDialog)
ON_BN_CLICKED(IDC_TEXT_FONTS, OnFonts)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CTextParametersDlg::CTextParametersDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CTextParametersDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_TEXT_STRING, m_strText);
    DDV_MaxChars(pDX, m_strText, kMaxText);
}

BOOL CTextParametersDlg::OnInitDialog()
{
    m_font.nWeight = m_font.bBold ? 700 : 400;
    m_chosenFont = m_font;
    return CDialog::OnInitDialog();
}

void CTextParametersDlg::OnFonts()
{
    // The text typed so far stays in the edit; only the font is chosen here.
    SelectChartFont(m_chosenFont, this);
}

void CTextParametersDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_font = m_chosenFont;
    EndDialog(IDOK);
}

void CTextParametersDlg::OnHelp()
{
    ShowDialogHelp(kHelpContext);
}
