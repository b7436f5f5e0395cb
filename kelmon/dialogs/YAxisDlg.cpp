#include "dialogs/YAxisDlg.h"

#include "dialogs/ChartDlgSupport.h"

IMPLEMENT_DYNAMIC(CYAxisDlg, CDialog)

BEGIN_MESSAGE_MAP(CYAxisDlg, CDialog)
ON_BN_CLICKED(IDC_YAXIS_MAJOR_GRID, OnMajorGrid)
ON_BN_CLICKED(IDC_YAXIS_MINOR_GRID, OnMinorGrid)
ON_BN_CLICKED(IDC_YAXIS_AUTOMATIC, OnAutomatic)
ON_BN_CLICKED(IDC_YAXIS_LINE_ATTR, OnLineAttributes)
ON_BN_CLICKED(IDC_YAXIS_MAJOR_STYLES, OnMajorStyles)
ON_BN_CLICKED(IDC_YAXIS_MINOR_STYLES, OnMinorStyles)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

namespace
{
constexpr float kLogFloor = 1e-12f;
constexpr float kSmallest = 1e-20f;
} // namespace

CYAxisDlg::CYAxisDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CYAxisDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    const bool saving = pDX->m_bSaveAndValidate != 0;
    DDX_Text(pDX, IDC_AXIS_FROM, m_fFrom);
    DDV_MinMaxFloat(pDX, m_fFrom, -1e12f, 1e12f);
    DDX_Text(pDX, IDC_AXIS_TO, m_fTo);
    DDV_MinMaxFloat(pDX, m_fTo, -1e12f, 1e12f);
    // Values the user cannot reach (automatic or logarithmic) are worked out on OK instead.
    DDX_Text(pDX, IDC_YAXIS_MINOR, m_nMinorTicks);
    if (!saving || IsFieldEditable(this, IDC_YAXIS_MINOR))
        DDV_MinMaxInt(pDX, m_nMinorTicks, 0, 10);
    DDX_Text(pDX, IDC_YAXIS_STEP, m_fStep);
    if (!saving || IsFieldEditable(this, IDC_YAXIS_STEP))
        DDV_MinMaxFloat(pDX, m_fStep, kSmallest, 1e11f);
}

BOOL CYAxisDlg::OnInitDialog()
{
    m_workAxisLine = m_axisLine;
    m_workMajorGridLine = m_majorGridLine;
    m_workMinorGridLine = m_minorGridLine;

    CheckDlgButton(IDC_YAXIS_MINOR_GRID, m_bMinorGrid ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_YAXIS_MAJOR_GRID, m_bMajorGrid ? BST_CHECKED : BST_UNCHECKED);
    GetDlgItem(IDC_YAXIS_MINOR_STYLES)->EnableWindow(m_bMinorGrid ? TRUE : FALSE);
    GetDlgItem(IDC_YAXIS_MAJOR_STYLES)->EnableWindow(m_bMajorGrid ? TRUE : FALSE);
    CheckDlgButton(IDC_YAXIS_AUTOMATIC, m_bAutomatic ? BST_CHECKED : BST_UNCHECKED);
    GetDlgItem(IDC_YAXIS_STEP)->EnableWindow(m_bAutomatic || m_bLogarithmic ? FALSE : TRUE);
    if (m_bLogarithmic)
    {
        GetDlgItem(IDC_YAXIS_MINOR)->EnableWindow(FALSE);
        GetDlgItem(IDC_YAXIS_AUTOMATIC)->EnableWindow(FALSE);
    }
    const int position = m_nPosition == 1   ? IDC_YAXIS_LEFT
                         : m_nPosition == 3 ? IDC_AXIS_MIDDLE
                                            : IDC_YAXIS_RIGHT;
    for (int id : {IDC_YAXIS_LEFT, IDC_AXIS_MIDDLE, IDC_YAXIS_RIGHT})
        CheckDlgButton(id, id == position ? BST_CHECKED : BST_UNCHECKED);
    return CDialog::OnInitDialog();
}

void CYAxisDlg::OnMajorGrid()
{
    GetDlgItem(IDC_YAXIS_MAJOR_STYLES)->EnableWindow(IsDlgButtonChecked(IDC_YAXIS_MAJOR_GRID) == BST_CHECKED);
}

void CYAxisDlg::OnMinorGrid()
{
    GetDlgItem(IDC_YAXIS_MINOR_STYLES)->EnableWindow(IsDlgButtonChecked(IDC_YAXIS_MINOR_GRID) == BST_CHECKED);
}

void CYAxisDlg::OnAutomatic()
{
    GetDlgItem(IDC_YAXIS_STEP)->EnableWindow(IsDlgButtonChecked(IDC_YAXIS_AUTOMATIC) != BST_CHECKED);
}

void CYAxisDlg::OnLineAttributes()
{
    CLineParametersDlg::Edit(m_workAxisLine, this);
}

void CYAxisDlg::OnMajorStyles()
{
    CLineParametersDlg::Edit(m_workMajorGridLine, this);
}

void CYAxisDlg::OnMinorStyles()
{
    CLineParametersDlg::Edit(m_workMinorGridLine, this);
}

void CYAxisDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_axisLine = m_workAxisLine;
    m_majorGridLine = m_workMajorGridLine;
    m_minorGridLine = m_workMinorGridLine;
    m_bMajorGrid = IsDlgButtonChecked(IDC_YAXIS_MAJOR_GRID) == BST_CHECKED;
    m_bMinorGrid = IsDlgButtonChecked(IDC_YAXIS_MINOR_GRID) == BST_CHECKED;
    m_bAutomatic = IsDlgButtonChecked(IDC_YAXIS_AUTOMATIC) == BST_CHECKED;
    m_nPosition = IsDlgButtonChecked(IDC_YAXIS_LEFT) == BST_CHECKED    ? 1
                  : IsDlgButtonChecked(IDC_AXIS_MIDDLE) == BST_CHECKED ? 3
                                                                       : 2;

    const float bottom = m_bLogarithmic ? kLogFloor : 0.0f;
    if (m_fTo > m_fHighest || m_fTo < m_fLowest || m_fFrom < m_fLowest || m_fFrom > m_fHighest)
    {
        m_fTo = m_fHighest;
        m_fFrom = bottom;
    }
    if (m_bLogarithmic)
    {
        if (m_fFrom <= 0.0f)
            m_fFrom = kLogFloor;
        if (m_fTo < 0.0f)
            m_fTo = m_fHighest;
        if (m_fFrom > 0.0f && m_fFrom < kSmallest)
            m_fFrom = kSmallest;
    }
    if (m_fFrom >= m_fTo)
    {
        m_fTo = m_fHighest;
        m_fFrom = bottom;
    }
    const float range = m_fTo - m_fFrom;
    if (m_bAutomatic)
        m_fStep = range * 0.1f;
    else
    {
        const float ratio = range / m_fStep;
        if (ratio > 20.0f)
            m_fStep = range * 0.05f;
        else if (ratio < 1.0f)
            m_fStep = m_fTo;
    }
    UpdateData(FALSE);
    EndDialog(IDOK);
}

void CYAxisDlg::OnHelp()
{
    ShowDialogHelp(kHelpContext);
}
