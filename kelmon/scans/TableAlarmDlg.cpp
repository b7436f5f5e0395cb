#include "scans/TableAlarmDlg.h"

#include "scans/TableData.h"

#include "plotkit.h"

namespace
{
constexpr int kColorIds[CTableAlarmDlg::kColorSlots] = {IDC_TALARM_NORMAL_COLOR, IDC_TALARM_HIGH_COLOR,
                                                        IDC_TALARM_LOW_COLOR, IDC_TALARM_HIGHHIGH_COLOR,
                                                        IDC_TALARM_LOWLOW_COLOR};

// A message field: refused when longer than the record keeps, never cut.
void ExchangeMessage(CDataExchange* pDX, int id, CString& text)
{
    DDX_Text(pDX, id, text);
    if (pDX->m_bSaveAndValidate)
        DDV_MaxChars(pDX, text, CTableData::kMessageLength);
}
} // namespace

IMPLEMENT_DYNAMIC(CTableAlarmDlg, CDialog)

BEGIN_MESSAGE_MAP(CTableAlarmDlg, CDialog)
ON_BN_CLICKED(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CTableAlarmDlg::CTableAlarmDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

void CTableAlarmDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kColorSlots; ++i)
        DDX_Control(pDX, kColorIds[i], m_colorCombo[i]);
    DDX_Check(pDX, IDC_TALARM_HIGHHIGH_ENABLE, m_bHighHighEnable);
    DDX_Text(pDX, IDC_TALARM_HIGHHIGH_VALUE, m_fHighHigh);
    DDV_MinMaxFloat(pDX, m_fHighHigh, 0.0f, m_fValueBound);
    ExchangeMessage(pDX, IDC_TALARM_HIGHHIGH_MESSAGE, m_strHighHighMessage);
    DDX_Check(pDX, IDC_TALARM_HIGH_ENABLE, m_bHighEnable);
    DDX_Text(pDX, IDC_TALARM_HIGH_VALUE, m_fHigh);
    DDV_MinMaxFloat(pDX, m_fHigh, 0.0f, m_fValueBound);
    ExchangeMessage(pDX, IDC_TALARM_HIGH_MESSAGE, m_strHighMessage);
    ExchangeMessage(pDX, IDC_TALARM_NORMAL_MESSAGE, m_strNormalMessage);
    DDX_Check(pDX, IDC_TALARM_LOW_ENABLE, m_bLowEnable);
    DDX_Text(pDX, IDC_TALARM_LOW_VALUE, m_fLow);
    DDV_MinMaxFloat(pDX, m_fLow, 0.0f, m_fValueBound);
    ExchangeMessage(pDX, IDC_TALARM_LOW_MESSAGE, m_strLowMessage);
    DDX_Check(pDX, IDC_TALARM_LOWLOW_ENABLE, m_bLowLowEnable);
    DDX_Text(pDX, IDC_TALARM_LOWLOW_VALUE, m_fLowLow);
    DDV_MinMaxFloat(pDX, m_fLowLow, 0.0f, m_fValueBound);
    ExchangeMessage(pDX, IDC_TALARM_LOWLOW_MESSAGE, m_strLowLowMessage);
    DDX_Text(pDX, IDC_TALARM_CHANNEL, m_strChannel);
    DDX_Text(pDX, IDC_TALARM_UNITS, m_strUnits);
}

BOOL CTableAlarmDlg::OnInitDialog()
{
    if (m_pRecord)
    {
        const CTableData& r = *m_pRecord;
        m_bHighEnable = r.m_highEnable ? 1 : 0;
        m_bLowEnable = r.m_lowEnable ? 1 : 0;
        m_bHighHighEnable = r.m_highHighEnable ? 1 : 0;
        m_bLowLowEnable = r.m_lowLowEnable ? 1 : 0;
        m_strLowMessage = r.m_szLowMessage;
        m_strLowLowMessage = r.m_szLowLowMessage;
        m_strHighMessage = r.m_szHighMessage;
        m_strHighHighMessage = r.m_szHighHighMessage;
        m_strNormalMessage = r.m_szNormalMessage;
        m_fLowLow = r.m_lowLowLevel;
        m_fLow = r.m_lowLevel;
        m_fHigh = r.m_highLevel;
        m_fHighHigh = r.m_highHighLevel;
        m_strChannel.Format("%d", static_cast<int>(r.m_number));
    }
    CDialog::OnInitDialog(); // subclasses the colour lists and shows the members
    for (int i = 0; i < kColorSlots; ++i)
    {
        for (int c = 0; c < kPaletteColors; ++c)
            m_colorCombo[i].AddColor(WGGetRGBColor(c));
        m_colorCombo[i].SetCurSel(m_colors[i] >= 0 && m_colors[i] < kPaletteColors ? m_colors[i] : 0);
    }
    return TRUE;
}

void CTableAlarmDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    for (int i = 0; i < kColorSlots; ++i)
    {
        const int sel = m_colorCombo[i].GetCurSel();
        if (sel != CB_ERR)
            m_colors[i] = sel;
    }
    if (m_pRecord)
    {
        CTableData& r = *m_pRecord;
        r.m_highEnable = m_bHighEnable;
        r.m_lowEnable = m_bLowEnable;
        r.m_highHighEnable = m_bHighHighEnable;
        r.m_lowLowEnable = m_bLowLowEnable;
        CopyTextField(r.m_szLowMessage, sizeof r.m_szLowMessage, m_strLowMessage);
        CopyTextField(r.m_szLowLowMessage, sizeof r.m_szLowLowMessage, m_strLowLowMessage);
        CopyTextField(r.m_szHighMessage, sizeof r.m_szHighMessage, m_strHighMessage);
        CopyTextField(r.m_szHighHighMessage, sizeof r.m_szHighHighMessage, m_strHighHighMessage);
        CopyTextField(r.m_szNormalMessage, sizeof r.m_szNormalMessage, m_strNormalMessage);
        r.m_lowLowLevel = m_fLowLow;
        r.m_lowLevel = m_fLow;
        r.m_highLevel = m_fHigh;
        r.m_highHighLevel = m_fHighHigh;
    }
    EndDialog(IDOK);
}

void CTableAlarmDlg::OnHelp()
{
    if (CWinApp* app = AfxGetApp())
        app->WinHelp(0x20000 + IDD_TABLE_ALARM);
}
