#include "dialogs/XAxisDlg.h"

#include "dialogs/ChartDlgSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

IMPLEMENT_DYNAMIC(CXAxisDlg, CDialog)

BEGIN_MESSAGE_MAP(CXAxisDlg, CDialog)
ON_BN_CLICKED(IDC_XAXIS_MAJOR_GRID, OnMajorGrid)
ON_BN_CLICKED(IDC_XAXIS_MINOR_GRID, OnMinorGrid)
ON_BN_CLICKED(IDC_XAXIS_AUTOMATIC, OnAutomatic)
ON_BN_CLICKED(IDC_XAXIS_LINE_ATTR, OnLineAttributes)
ON_BN_CLICKED(IDC_XAXIS_MAJOR_STYLES, OnMajorStyles)
ON_BN_CLICKED(IDC_XAXIS_MINOR_STYLES, OnMinorStyles)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

void DDX_TimeText(CDataExchange* pDX, int nIDC, int& seconds)
{
    HWND edit = pDX->PrepareEditCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds % 3600 / 60, seconds % 60);
        ::SetWindowText(edit, text);
        return;
    }
    char text[19] = {}; // at most 18 characters are looked at
    ::GetWindowText(edit, text, sizeof text);
    int hours = -1, minutes = -1, secs = -1;
    const bool twoColons = std::count(text, text + std::strlen(text), ':') == 2;
    if (twoColons && std::sscanf(text, "%d:%d:%d", &hours, &minutes, &secs) == 3 && hours >= 0 &&
        hours <= 189 && minutes >= 0 && minutes <= 59 && secs >= 0 && secs <= 59)
    {
        seconds = (hours * 60 + minutes) * 60 + secs;
        return;
    }
    AfxMessageBox(IDS_INVALID_TIME_FORMAT, MB_ICONEXCLAMATION);
    pDX->Fail();
}

CXAxisDlg::CXAxisDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CXAxisDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    const bool saving = pDX->m_bSaveAndValidate != 0;
    DDX_Text(pDX, IDC_XAXIS_STEP, m_nStep);
    // A step the user cannot reach (automatic, or a time axis) is worked out on OK instead.
    if (!saving || IsFieldEditable(this, IDC_XAXIS_STEP))
        DDV_MinMaxInt(pDX, m_nStep, 1, 50);
    DDX_Text(pDX, IDC_XAXIS_MINOR, m_nMinorTicks);
    DDV_MinMaxInt(pDX, m_nMinorTicks, 0, 15);
    if (!m_bTimeAxis)
    {
        const int lowest = static_cast<int>(m_fLowest);
        const int highest = static_cast<int>(m_fHighest);
        DDX_Text(pDX, IDC_AXIS_FROM, m_nFrom);
        DDV_MinMaxInt(pDX, m_nFrom, lowest, highest - 1);
        DDX_Text(pDX, IDC_AXIS_TO, m_nTo);
        DDV_MinMaxInt(pDX, m_nTo, m_nFrom + 1, highest);
    }
    else
    {
        DDX_TimeText(pDX, IDC_AXIS_FROM, m_nTimeFrom);
        DDX_TimeText(pDX, IDC_AXIS_TO, m_nTimeTo);
        DDV_MinMaxInt(pDX, m_nTimeTo, m_nTimeFrom + 1, kMaxTimeSeconds);
    }
}

BOOL CXAxisDlg::OnInitDialog()
{
    m_workAxisLine = m_axisLine;
    m_workMajorGridLine = m_majorGridLine;
    m_workMinorGridLine = m_minorGridLine;
    CDialog::OnInitDialog();

    CheckDlgButton(IDC_XAXIS_MINOR_GRID, m_bMinorGrid ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_XAXIS_MAJOR_GRID, m_bMajorGrid ? BST_CHECKED : BST_UNCHECKED);
    GetDlgItem(IDC_XAXIS_MINOR_STYLES)->EnableWindow(m_bMinorGrid ? TRUE : FALSE);
    GetDlgItem(IDC_XAXIS_MAJOR_STYLES)->EnableWindow(m_bMajorGrid ? TRUE : FALSE);
    CheckDlgButton(IDC_XAXIS_AUTOMATIC, m_bAutomatic ? BST_CHECKED : BST_UNCHECKED);
    GetDlgItem(IDC_XAXIS_STEP)->EnableWindow(m_bAutomatic ? FALSE : TRUE);
    const int position = m_nPosition == 4   ? IDC_XAXIS_ABOVE
                         : m_nPosition == 3 ? IDC_AXIS_MIDDLE
                                            : IDC_XAXIS_BELOW;
    for (int id : {IDC_XAXIS_ABOVE, IDC_AXIS_MIDDLE, IDC_XAXIS_BELOW})
        CheckDlgButton(id, id == position ? BST_CHECKED : BST_UNCHECKED);
    if (!m_bTimeAxis)
    {
        SetDlgItemText(IDC_AXIS_FROM_HMS, "");
        SetDlgItemText(IDC_AXIS_TO_HMS, "");
        SetDlgItemText(IDC_AXIS_LIMITS_GROUP, "Axis limits");
    }
    else
    {
        GetDlgItem(IDC_XAXIS_AUTOMATIC)->EnableWindow(FALSE);
        GetDlgItem(IDC_XAXIS_STEP)->ShowWindow(SW_HIDE);
        GetDlgItem(IDC_XAXIS_STEPS_LABEL)->ShowWindow(SW_HIDE);
    }
    return TRUE;
}

void CXAxisDlg::OnMajorGrid()
{
    GetDlgItem(IDC_XAXIS_MAJOR_STYLES)->EnableWindow(IsDlgButtonChecked(IDC_XAXIS_MAJOR_GRID) == BST_CHECKED);
}

void CXAxisDlg::OnMinorGrid()
{
    GetDlgItem(IDC_XAXIS_MINOR_STYLES)->EnableWindow(IsDlgButtonChecked(IDC_XAXIS_MINOR_GRID) == BST_CHECKED);
}

void CXAxisDlg::OnAutomatic()
{
    GetDlgItem(IDC_XAXIS_STEP)->EnableWindow(IsDlgButtonChecked(IDC_XAXIS_AUTOMATIC) != BST_CHECKED);
}

void CXAxisDlg::OnLineAttributes()
{
    CLineParametersDlg::Edit(m_workAxisLine, this);
}

void CXAxisDlg::OnMajorStyles()
{
    CLineParametersDlg::Edit(m_workMajorGridLine, this);
}

void CXAxisDlg::OnMinorStyles()
{
    CLineParametersDlg::Edit(m_workMinorGridLine, this);
}

void CXAxisDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_axisLine = m_workAxisLine;
    m_majorGridLine = m_workMajorGridLine;
    m_minorGridLine = m_workMinorGridLine;
    m_bMinorGrid = IsDlgButtonChecked(IDC_XAXIS_MINOR_GRID) == BST_CHECKED;
    m_bMajorGrid = IsDlgButtonChecked(IDC_XAXIS_MAJOR_GRID) == BST_CHECKED;
    m_bAutomatic = IsDlgButtonChecked(IDC_XAXIS_AUTOMATIC) == BST_CHECKED;
    m_nPosition = IsDlgButtonChecked(IDC_XAXIS_ABOVE) == BST_CHECKED   ? 4
                  : IsDlgButtonChecked(IDC_AXIS_MIDDLE) == BST_CHECKED ? 3
                                                                       : 0;
    if (!m_bTimeAxis)
    {
        const double span = static_cast<double>(m_fHighest) - m_fLowest + 1.0;
        if (m_bAutomatic)
            m_nStep = span < 30.0 ? 1 : static_cast<int>(span * 0.05);
        else if (span / m_nStep > 50.0)
        {
            m_nStep = static_cast<int>(span * 0.02);
            m_nMinorTicks = m_nStep - 1;
        }
    }
    UpdateData(FALSE);
    EndDialog(IDOK);
}

void CXAxisDlg::OnHelp()
{
    ShowDialogHelp(kHelpContext);
}
