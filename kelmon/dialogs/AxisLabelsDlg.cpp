#include "dialogs/AxisLabelsDlg.h"

IMPLEMENT_DYNAMIC(CAxisLabelsDlg, CDialog)

BEGIN_MESSAGE_MAP(CAxisLabelsDlg, CDialog)
ON_BN_CLICKED(IDC_LABELS_FONTS, OnFonts)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

namespace
{
constexpr int kFormatRadios[] = {IDC_LABELS_DECIMAL, IDC_LABELS_SCIENTIFIC, IDC_LABELS_ENGINEERING};
}

CAxisLabelsDlg::CAxisLabelsDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CAxisLabelsDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_LABELS_PLACES, m_nDecimalPlaces);
    if (!pDX->m_bSaveAndValidate || IsFieldEditable(this, IDC_LABELS_PLACES))
        DDV_MinMaxInt(pDX, m_nDecimalPlaces, 0, 10);
}

BOOL CAxisLabelsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_nFormat >= 0 && m_nFormat < 3)
        CheckRadioButton(IDC_LABELS_DECIMAL, IDC_LABELS_ENGINEERING, kFormatRadios[m_nFormat]);
    if (m_bFormatLocked)
    {
        for (int id : {IDC_LABELS_DECIMAL, IDC_LABELS_SCIENTIFIC, IDC_LABELS_ENGINEERING, IDC_LABELS_PLACES})
            GetDlgItem(id)->EnableWindow(FALSE);
    }
    else if (m_bFormatHidden)
    {
        for (int id : {IDC_LABELS_DECIMAL, IDC_LABELS_SCIENTIFIC, IDC_LABELS_ENGINEERING, IDC_LABELS_PLACES,
                       IDC_LABELS_PLACES_LABEL})
            GetDlgItem(id)->ShowWindow(SW_HIDE);
        GetDlgItem(IDC_LABELS_PRECISION_GROUP)->EnableWindow(FALSE);
        GetDlgItem(IDC_LABELS_FORMAT_GROUP)->EnableWindow(FALSE);
    }
    m_font.SetStyleWord(m_nStyle);
    m_chosenFont = m_font;
    m_bFontChosen = FALSE;
    return TRUE;
}

void CAxisLabelsDlg::OnOK()
{
    int format = m_nFormat; // no radio checked keeps the old format
    for (int i = 0; i < 3; ++i)
        if (IsDlgButtonChecked(kFormatRadios[i]) == BST_CHECKED)
        {
            format = i;
            break;
        }
    if (!UpdateData(TRUE))
        return;
    m_nFormat = format;
    if (m_bFontChosen)
    {
        m_font = m_chosenFont;
        m_nStyle = m_font.StyleWord();
    }
    EndDialog(IDOK);
}

void CAxisLabelsDlg::OnFonts()
{
    if (SelectChartFont(m_chosenFont, this))
        m_bFontChosen = TRUE;
}

void CAxisLabelsDlg::OnHelp()
{
    ShowDialogHelp(kHelpContext);
}
