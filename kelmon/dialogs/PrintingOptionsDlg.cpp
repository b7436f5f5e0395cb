#include "dialogs/PrintingOptionsDlg.h"

#include "dialogs/ChartDlgSupport.h"

#include <utility>

IMPLEMENT_DYNAMIC(CPrintingOptionsDlg, CDialog)

BEGIN_MESSAGE_MAP(CPrintingOptionsDlg, CDialog)
ON_CONTROL_RANGE(BN_CLICKED, IDC_PRINT_MAXIMIZE, IDC_PRINT_SCALE_FONTS, OnStyleClicked)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CPrintingOptionsDlg::CPrintingOptionsDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CPrintingOptionsDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    // Offsets only count when the page is scaled to the font sizes; disabled, they are kept.
    for (auto [id, value] : {std::pair<int, float*>{IDC_PRINT_LEFT, &m_fLeft}, {IDC_PRINT_TOP, &m_fTop}})
    {
        if (pDX->m_bSaveAndValidate && !IsFieldEditable(this, id))
            continue;
        DDX_Text(pDX, id, *value);
        DDV_MinMaxFloat(pDX, *value, 0.0f, 100.0f);
    }
}

BOOL CPrintingOptionsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_PRINT_WINDOW_BKG, m_bWindowBackground ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_PRINT_PLOT_BKG, m_bPlotBackground ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_PRINT_BORDERS, m_bBorders ? BST_CHECKED : BST_UNCHECKED);
    if (m_nStyle >= 0 && m_nStyle <= 2)
        CheckRadioButton(IDC_PRINT_MAXIMIZE, IDC_PRINT_SCALE_FONTS, IDC_PRINT_MAXIMIZE + m_nStyle);
    EnableOffsets(m_nStyle == 2);
    return TRUE;
}

void CPrintingOptionsDlg::EnableOffsets(BOOL bEnable)
{
    for (int id : {IDC_PRINT_LEFT, IDC_PRINT_TOP})
        GetDlgItem(id)->EnableWindow(bEnable);
}

void CPrintingOptionsDlg::OnStyleClicked(UINT nID)
{
    EnableOffsets(nID == IDC_PRINT_SCALE_FONTS);
}

void CPrintingOptionsDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_bWindowBackground = IsDlgButtonChecked(IDC_PRINT_WINDOW_BKG) == BST_CHECKED;
    m_bPlotBackground = IsDlgButtonChecked(IDC_PRINT_PLOT_BKG) == BST_CHECKED;
    m_bBorders = IsDlgButtonChecked(IDC_PRINT_BORDERS) == BST_CHECKED;
    for (int i = 0; i <= 2; ++i) // no radio checked keeps the old style
        if (IsDlgButtonChecked(IDC_PRINT_MAXIMIZE + i) == BST_CHECKED)
        {
            m_nStyle = i;
            break;
        }
    EndDialog(IDOK);
}

void CPrintingOptionsDlg::OnHelp()
{
    ShowDialogHelp(kHelpContext);
}
